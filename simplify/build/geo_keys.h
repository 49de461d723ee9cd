// The keys under which a group build finds its vertices and half edges.
//
// A vertex is keyed by its position: two records are one vertex exactly when
// their x, y and z print the same under "%.30g", which for floats means equal
// bits, except that every NaN of one sign prints alike (and 0.0 and -0.0
// print differently). The key holds those bits, NaNs folded by sign.
//
// A half edge is keyed by the unique ids of its start and end vertex, in that
// order, as "%u %u" would print them.
#pragma once

#include <bit>
#include <cstdint>
#include <cmath>
#include <algorithm>
#include <utility>
#include <vector>

#include "geo_vertex.h"

struct SGeoVertexKey {
  DWORD x, y, z;
  bool operator==(const SGeoVertexKey&) const = default;
};

inline ULONGLONG MixKeyBits(ULONGLONG h) {
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  return h ^ (h >> 31);
}

struct SGeoVertexKeyHash {
  size_t operator()(const SGeoVertexKey& k) const noexcept {
    return static_cast<size_t>(MixKeyBits(MixKeyBits((static_cast<ULONGLONG>(k.x) << 32) | k.y) ^ k.z));
  }
};

struct SGeoHalfEdgeKeyHash {
  size_t operator()(ULONGLONG k) const noexcept { return static_cast<size_t>(MixKeyBits(k)); }
};

// A hash table from keys to element pointers, held in one array (open
// addressing, linear probing), so that a build makes no allocation per entry.
// A NULL value marks a free slot: entered values are never NULL.
template <class Key, class Value, class Hash>
class CGeoKeyTable {
 public:
  explicit CGeoKeyTable(size_t expected = 0) { Rehash(RoomFor(expected)); }

  size_t GetCount() const { return m_count; }

  // The value entered under key, or NULL.
  Value* Find(const Key& key) const {
    for (size_t i = Hash()(key) & m_mask;; i = (i + 1) & m_mask) {
      const SSlot& slot = m_slots[i];
      if (!slot.value) return nullptr;
      if (slot.key == key) return slot.value;
    }
  }

  // Enters value under key unless the key is taken; true when entered.
  bool Add(const Key& key, Value* value) {
    return FindOrAdd(key, [value] { return value; }).second;
  }

  // The value under key, and false; when there is none, make() is entered,
  // and it is returned with true.
  template <class Make>
  std::pair<Value*, bool> FindOrAdd(const Key& key, Make make) {
    if (8 * (m_count + 1) > 7 * (m_mask + 1)) Rehash(2 * (m_mask + 1));
    size_t i = Hash()(key) & m_mask;
    for (; m_slots[i].value; i = (i + 1) & m_mask)
      if (m_slots[i].key == key) return {m_slots[i].value, false};
    m_slots[i] = {key, make()};
    ++m_count;
    return {m_slots[i].value, true};
  }

  // Takes key out; the entries after it in its run move back into place.
  void Remove(const Key& key) {
    size_t i = Hash()(key) & m_mask;
    for (; m_slots[i].value; i = (i + 1) & m_mask)
      if (m_slots[i].key == key) break;
    if (!m_slots[i].value) return;
    for (size_t j = (i + 1) & m_mask; m_slots[j].value; j = (j + 1) & m_mask) {
      const size_t home = Hash()(m_slots[j].key) & m_mask;
      // Move j back to i unless its home lies cyclically in (i, j].
      if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
        m_slots[i] = m_slots[j];
        i = j;
      }
    }
    m_slots[i] = {};
    --m_count;
  }

  // Empties the table and releases its memory.
  void RemoveAll() {
    std::vector<SSlot>().swap(m_slots);
    m_count = 0;
    Rehash(16);
  }

  // Empties the table and sizes it for expected entries as the constructor
  // does, keeping its memory when the size is unchanged: a table refilled
  // for every attempt allocates nothing, and visits its entries in the same
  // order as a new one.
  void Reset(size_t expected) {
    const size_t capacity = std::bit_ceil(std::max<size_t>(RoomFor(expected), 16));
    if (capacity == m_slots.size()) {
      if (m_count) std::fill(m_slots.begin(), m_slots.end(), SSlot{});
      m_count = 0;
    } else {
      std::vector<SSlot>().swap(m_slots);
      Rehash(capacity);
    }
  }

  // Empties the table and keeps its memory.
  void Clear() {
    if (m_count) std::fill(m_slots.begin(), m_slots.end(), SSlot{});
    m_count = 0;
  }

  // Calls visit(key, value) for every entry, in slot order.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const SSlot& slot : m_slots)
      if (slot.value) visit(slot.key, slot.value);
  }

 private:
  static size_t RoomFor(size_t expected) { return expected + expected / 4 + 16; }

  struct SSlot {
    Key key{};
    Value* value = nullptr;
  };

  void Rehash(size_t capacity) {
    std::vector<SSlot> old;
    old.swap(m_slots);
    m_slots.resize(std::bit_ceil(std::max<size_t>(capacity, 16)));
    m_mask = m_slots.size() - 1;
    m_count = 0;
    for (const SSlot& slot : old)
      if (slot.value) Add(slot.key, slot.value);
  }

  std::vector<SSlot> m_slots;
  size_t m_mask = 0;
  size_t m_count = 0;
};

struct SGeoPointerHash {
  size_t operator()(const void* p) const noexcept {
    return static_cast<size_t>(MixKeyBits(reinterpret_cast<std::uintptr_t>(p)));
  }
};

// The build's table of half edges under the same keys as CGeoHalfEdgeMap
// (start and end vertex ids), but with one entry for both directions of a
// pair of vertices: the two half edges of an edge share an entry, so that
// entering a half edge and finding its mate look at one place, and the table
// holds half as many entries.
class CGeoHalfEdgePairTable {
 public:
  // Room for as many pairs as half edges: each half edge makes at most one.
  explicit CGeoHalfEdgePairTable(size_t halfEdges) : m_pairs(halfEdges / 2) { m_slots.reserve(halfEdges); }

  CGeoHalfEdge* Find(ULONGLONG key) const {
    const SSlots* slots = m_pairs.Find(PairKey(key));
    return slots ? slots->h[Side(key)] : nullptr;
  }
  // Enters h under key unless the key is taken; true when entered.
  bool Add(ULONGLONG key, CGeoHalfEdge* h) {
    SSlots* slots = m_pairs.FindOrAdd(PairKey(key), [this] {
      ASSERT(m_slots.size() < m_slots.capacity());  // entered slots never move
      return &m_slots.emplace_back();
    }).first;
    CGeoHalfEdge*& slot = slots->h[Side(key)];
    if (slot) return false;
    slot = h;
    return true;
  }
  // Takes the half edge under key out; a pair left empty leaves the table.
  void Remove(ULONGLONG key) {
    SSlots* slots = m_pairs.Find(PairKey(key));
    if (!slots) return;
    slots->h[Side(key)] = nullptr;
    if (!slots->h[0] && !slots->h[1]) m_pairs.Remove(PairKey(key));
  }
  // Empties the table and releases its memory.
  void RemoveAll() {
    m_pairs.RemoveAll();
    std::vector<SSlots>().swap(m_slots);
  }

 private:
  struct SSlots {
    CGeoHalfEdge* h[2] = {nullptr, nullptr};  // entered under (lower id, higher id), under (higher, lower)
  };
  static ULONGLONG PairKey(ULONGLONG key) {
    const ULONGLONG start = key >> 32, end = key & 0xFFFFFFFFull;
    return start < end ? key : (end << 32) | start;
  }
  static int Side(ULONGLONG key) { return (key >> 32) < (key & 0xFFFFFFFFull) ? 0 : 1; }

  CGeoKeyTable<ULONGLONG, SSlots, SGeoHalfEdgeKeyHash> m_pairs;
  std::vector<SSlots> m_slots;
};

using CGeoVertexMap = CGeoKeyTable<SGeoVertexKey, CGeoVertex, SGeoVertexKeyHash>;
using CGeoHalfEdgeMap = CGeoKeyTable<ULONGLONG, CGeoHalfEdge, SGeoHalfEdgeKeyHash>;

inline DWORD GetCoordinateKey(float f) {
  if (std::isnan(f)) return std::signbit(f) ? 0xFFC00000u : 0x7FC00000u;
  return std::bit_cast<DWORD>(f);
}

inline SGeoVertexKey GetPositionKey(const D3DXVECTOR3& p) {
  return {GetCoordinateKey(p.x), GetCoordinateKey(p.y), GetCoordinateKey(p.z)};
}

inline SGeoVertexKey GetVertexKey4(const D3DVERTEX* v) { return GetPositionKey(D3DXVECTOR3(v->x, v->y, v->z)); }

inline ULONGLONG GetHalfEdgeKey2(const CGeoVertex* start, const CGeoVertex* end) {
  return (static_cast<ULONGLONG>(start->GetVertexUniqueId()) << 32) | end->GetVertexUniqueId();
}
