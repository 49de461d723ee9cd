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
#include "largepages.h"

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
// A NULL value marks a free slot: entered values are never NULL. A large
// array lies on huge pages, as its slots are met in no order.
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
    CSlots().swap(m_slots);
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
      CSlots().swap(m_slots);
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
  using CSlots = std::vector<SSlot, win32::LargePageAllocator<SSlot>>;

  void Rehash(size_t capacity) {
    CSlots old;
    old.swap(m_slots);
    m_slots.resize(std::bit_ceil(std::max<size_t>(capacity, 16)));
    m_mask = m_slots.size() - 1;
    m_count = 0;
    for (const SSlot& slot : old)
      if (slot.value) Add(slot.key, slot.value);
  }

  CSlots m_slots;
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
//
// An entry's place follows the lower vertex id of its pair, spread evenly
// over the table (open addressing, linear probing): a build makes its
// vertices in the order of its faces, so the faces it enters one after the
// other look at neighbouring places, not at places all over the table.
class CGeoHalfEdgePairTable {
 public:
  // Room for as many pairs as half edges: each half edge makes at most one.
  // The ids of the vertices that the half edges join are expected in
  // [firstId, firstId + ids); other ids still work, they only cost probes.
  CGeoHalfEdgePairTable(size_t halfEdges, DWORD firstId, DWORD ids)
      : m_firstId(firstId), m_ids(std::max<DWORD>(ids, 1)) {
    Rehash(std::bit_ceil(halfEdges / 2 + halfEdges / 8 + 16));
  }

  CGeoHalfEdge* Find(ULONGLONG key) const {
    const SPair* pair = FindPair(PairKey(key));
    return pair ? pair->h[Side(key)] : nullptr;
  }
  // Enters h under key unless the key is taken; true when entered.
  bool Add(ULONGLONG key, CGeoHalfEdge* h) {
    if (8 * (m_count + 1) > 7 * m_pairs.size()) Rehash(2 * m_pairs.size());
    const ULONGLONG pairKey = PairKey(key);
    size_t i = Home(pairKey);
    for (; m_pairs[i].key; i = (i + 1) & m_mask)
      if (m_pairs[i].key == pairKey) break;
    SPair& pair = m_pairs[i];
    if (!pair.key) {
      pair.key = pairKey;
      ++m_count;
    }
    CGeoHalfEdge*& slot = pair.h[Side(key)];
    if (slot) return false;
    slot = h;
    return true;
  }
  // Takes the half edge under key out; a pair left empty leaves the table,
  // and the entries after it in its run move back into place.
  void Remove(ULONGLONG key) {
    SPair* pair = FindPair(PairKey(key));
    if (!pair) return;
    pair->h[Side(key)] = nullptr;
    if (pair->h[0] || pair->h[1]) return;
    size_t i = static_cast<size_t>(pair - m_pairs.data());
    for (size_t j = (i + 1) & m_mask; m_pairs[j].key; j = (j + 1) & m_mask) {
      const size_t home = Home(m_pairs[j].key);
      // Move j back to i unless its home lies cyclically in (i, j].
      if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
        m_pairs[i] = m_pairs[j];
        i = j;
      }
    }
    m_pairs[i] = {};
    --m_count;
  }
  // Empties the table and releases its memory.
  void RemoveAll() {
    CPairs().swap(m_pairs);
    m_mask = 0;
    m_count = 0;
  }

 private:
  // Free while its key is 0: vertex ids start at 1.
  struct SPair {
    ULONGLONG key = 0;                        // (lower id, higher id)
    CGeoHalfEdge* h[2] = {nullptr, nullptr};  // entered under (lower id, higher id), under (higher, lower)
  };
  using CPairs = std::vector<SPair, win32::LargePageAllocator<SPair>>;

  static ULONGLONG PairKey(ULONGLONG key) {
    const ULONGLONG start = key >> 32, end = key & 0xFFFFFFFFull;
    return start < end ? key : (end << 32) | start;
  }
  static int Side(ULONGLONG key) { return (key >> 32) < (key & 0xFFFFFFFFull) ? 0 : 1; }

  size_t Home(ULONGLONG pairKey) const {
    const ULONGLONG lower = static_cast<DWORD>((pairKey >> 32) - m_firstId);
    return static_cast<size_t>((lower * m_step) >> 16) & m_mask;
  }
  const SPair* FindPair(ULONGLONG pairKey) const {
    if (m_pairs.empty()) return nullptr;
    for (size_t i = Home(pairKey);; i = (i + 1) & m_mask) {
      const SPair& pair = m_pairs[i];
      if (!pair.key) return nullptr;
      if (pair.key == pairKey) return &pair;
    }
  }
  SPair* FindPair(ULONGLONG pairKey) {
    return const_cast<SPair*>(static_cast<const CGeoHalfEdgePairTable*>(this)->FindPair(pairKey));
  }
  void Rehash(size_t capacity) {
    CPairs old(capacity);
    old.swap(m_pairs);
    m_mask = capacity - 1;
    // Places per id, in 1/65536ths: the expected ids cover the table once.
    m_step = (static_cast<ULONGLONG>(capacity) << 16) / m_ids;
    m_count = 0;
    for (const SPair& pair : old) {
      if (!pair.key) continue;
      size_t i = Home(pair.key);
      while (m_pairs[i].key) i = (i + 1) & m_mask;
      m_pairs[i] = pair;
      ++m_count;
    }
  }

  DWORD m_firstId;
  DWORD m_ids;
  ULONGLONG m_step = 0;
  CPairs m_pairs;
  size_t m_mask = 0;
  size_t m_count = 0;
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
