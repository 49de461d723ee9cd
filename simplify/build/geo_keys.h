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

#include "geo_half_edge.h"
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

// The build's table of half edges, with the entries of CGeoHalfEdgeMap (a
// half edge under its start and end vertex) but looked up by the vertices.
//
// The half edges entered for a pair of vertices, in either direction, are
// listed at the pair's vertex of the lower id, by the source record that
// vertex was made from (GetVerticesMapIndex), and chained through one DWORD
// per half edge of the group's array: 4 bytes a half edge and 4 a record,
// where a hash table takes 24 bytes a slot. A list holds the few edges of its
// vertex; its half edges lie near one another, as the build makes a vertex's
// faces one after the other, and an entry is told by the vertices of its half
// edge, which lie beside it, so a look-up reads no vertex.
//
// Which direction an entry stands for is kept with it, as a half edge may be
// entered under the reverse of its own (a mate of the same direction).
class CGeoHalfEdgeLists {
 public:
  static constexpr DWORD kMaxHalfEdges = 0x7FFFFFFEu;

  // For the half edges of the array halfEdges (kMaxHalfEdges at most) that join
  // vertices made from nRecords source records.
  CGeoHalfEdgeLists(CGeoHalfEdge* halfEdges, DWORD nHalfEdges, DWORD nRecords)
      : m_halfEdges(halfEdges), m_first(nRecords), m_links(nHalfEdges) {}

  // The half edge entered from start to end, or NULL.
  CGeoHalfEdge* Find(const CGeoVertex* start, const CGeoVertex* end) const { return Find(SPlace(start, end)); }
  // Enters h from start to end unless that direction is taken; true when
  // entered.
  bool Add(const CGeoVertex* start, const CGeoVertex* end, CGeoHalfEdge* h) {
    const SPlace place(start, end);
    if (Find(place)) return false;
    const DWORD e = static_cast<DWORD>(h - m_halfEdges) + 1;
    ASSERT(e - 1 < m_links.size() && place.list < m_first.size());
    m_links[e - 1] = (place.reversed ? kReversed : 0) | m_first[place.list];
    m_first[place.list] = e;
    return true;
  }
  // Takes out the half edge entered from start to end.
  void Remove(const CGeoVertex* start, const CGeoVertex* end) {
    const SPlace place(start, end);
    for (DWORD* at = &m_first[place.list];;) {
      const DWORD e = *at & kNext;
      if (!e) return;
      if (Matches(e, place)) {
        *at = (*at & kReversed) | (m_links[e - 1] & kNext);
        return;
      }
      at = &m_links[e - 1];
    }
  }
  // Empties the table and releases its memory.
  void RemoveAll() {
    CLinks().swap(m_first);
    CLinks().swap(m_links);
  }

 private:
  // A link: the next entry of the list (an index into the half edges, plus
  // one; zero ends the list), and whether its own entry is the pair's higher
  // id to lower one.
  static constexpr DWORD kNext = 0x7FFFFFFFu, kReversed = 0x80000000u;
  // Zero-filled, and only touched where entries are made.
  using CLinks = std::vector<DWORD, win32::LargePageAllocator<DWORD>>;

  struct SPlace {
    SPlace(const CGeoVertex* start, const CGeoVertex* end)
        : reversed(start->GetVertexUniqueId() > end->GetVertexUniqueId()),
          lower(reversed ? end : start),
          higher(reversed ? start : end),
          list(lower->GetVerticesMapIndex()) {}
    bool reversed;
    const CGeoVertex* lower;
    const CGeoVertex* higher;
    DWORD list;
  };

  CGeoHalfEdge* Find(const SPlace& place) const {
    for (DWORD e = m_first[place.list]; e; e = m_links[e - 1] & kNext)
      if (Matches(e, place)) return &m_halfEdges[e - 1];
    return nullptr;
  }

  // Whether entry e stands for the place's pair and direction: its half edge
  // joins the list's vertex to another, which must be the place's other one.
  bool Matches(DWORD e, const SPlace& place) const {
    if (((m_links[e - 1] & kReversed) != 0) != place.reversed) return false;
    const CGeoHalfEdge& h = m_halfEdges[e - 1];
    const CGeoVertex* start = h.GetStartVertex();
    return start == place.lower ? h.GetEndVertex() == place.higher : start == place.higher;
  }

  CGeoHalfEdge* m_halfEdges;
  CLinks m_first;  // per record: the first entry of its list
  CLinks m_links;  // per half edge: the link of its entry
};

using CGeoVertexMap = CGeoKeyTable<SGeoVertexKey, CGeoVertex, SGeoVertexKeyHash>;

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

// The half edges of the reductions' attempts, by key; the build's steps look
// them up by their vertices, as in CGeoHalfEdgeLists.
class CGeoHalfEdgeMap : public CGeoKeyTable<ULONGLONG, CGeoHalfEdge, SGeoHalfEdgeKeyHash> {
 public:
  using CGeoKeyTable::Add;
  using CGeoKeyTable::CGeoKeyTable;
  using CGeoKeyTable::Find;
  using CGeoKeyTable::Remove;

  CGeoHalfEdge* Find(const CGeoVertex* start, const CGeoVertex* end) const {
    return Find(GetHalfEdgeKey2(start, end));
  }
  bool Add(const CGeoVertex* start, const CGeoVertex* end, CGeoHalfEdge* h) {
    return Add(GetHalfEdgeKey2(start, end), h);
  }
  void Remove(const CGeoVertex* start, const CGeoVertex* end) { Remove(GetHalfEdgeKey2(start, end)); }
};
