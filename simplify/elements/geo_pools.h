// Pools of connectivity elements. A pool hands out objects from one block
// allocated for the expected count, then from further blocks of a fixed size;
// it frees nothing until it is destroyed or initialised again, so element
// pointers stay valid for the pool's life. Objects are numbered in the order
// handed out. Each object is constructed (cleared) when it is handed out, so
// block memory that is never used is never touched, and dropping a pool
// touches no object: elements own nothing.
//
// An object that nothing reads any more can be given back (Recycle): once
// ReleaseRecycled has run, NewElement hands it out again, the last given back
// first, before it takes new room. It keeps its number; the count does not
// change. An object of the same type held elsewhere, in memory that outlives
// the pool's use, can be given to the pool the same way: it is handed out,
// but has no number in the pool. Released objects wait in a list linked
// through their own room, so that the pool keeps nothing per object: a
// reduction gives back millions of them.
#pragma once

#include <functional>
#include <new>
#include <type_traits>
#include <vector>

#include "geo_edge.h"
#include "geo_face.h"
#include "geo_half_edge.h"
#include "geo_vertex.h"

// The element sizes that docs/reduction.md counts per face (64-bit build).
static_assert(sizeof(void*) != 8 || sizeof(CGeoVertex) <= 96, "a vertex grew");
static_assert(sizeof(void*) != 8 || sizeof(CGeoEdge) <= 48, "an edge grew");
static_assert(sizeof(void*) != 8 || sizeof(CGeoHalfEdge) <= 40, "a half edge grew");
// A half edge keeps its disabled flag in the lowest bit of its edge's address.
static_assert(alignof(CGeoEdge) > 1, "an edge's address has a clear lowest bit");
static_assert(sizeof(void*) != 8 || sizeof(CGeoFace) <= 24, "a face grew");

// Uninitialised memory for the elements of a pool. A large block is laid out
// on huge pages where the system offers them, so that filling it costs few
// page faults. FreeGeoBlock takes NULL.
void* AllocateGeoBlock(size_t bytes);
void FreeGeoBlock(void* block);

template <class T>
class CGeoElementPool {
  static_assert(std::is_trivially_destructible_v<T>, "a pool drops its blocks without destroying each object");

 public:
  CGeoElementPool() = default;
  CGeoElementPool(const CGeoElementPool&) = delete;
  CGeoElementPool& operator=(const CGeoElementPool&) = delete;
  ~CGeoElementPool() { DestroyContent(); }

  // Frees the old content and allocates a block for n objects.
  bool Initialize(DWORD n) {
    DestroyContent();
    m_pPreallocatedBlock = n ? static_cast<T*>(AllocateGeoBlock(n * sizeof(T))) : nullptr;
    m_dwPreallocatedCount = n;
    // Blocks past the first hold an eighth of it, at least 4096 objects.
    m_dwOverflowShift = 12;
    while (m_dwOverflowShift < 24 && (DWORD(1) << m_dwOverflowShift) < n / 8) ++m_dwOverflowShift;
    return true;
  }

  void DestroyContent() {
    FreeGeoBlock(m_pPreallocatedBlock);
    for (T* block : m_OverflowBlocks) FreeGeoBlock(block);
    m_OverflowBlocks.clear();
    m_Recycled.clear();
    m_pReusable = nullptr;
    ClearContent();
  }

  // Gives back an object of this pool, or gives it one from elsewhere. Until
  // ReleaseRecycled it keeps its content, so the step that let it go can
  // still read it.
  void Recycle(T* object) { m_Recycled.push_back(object); }
  // The objects given back so far may be handed out again.
  void ReleaseRecycled() {
    for (T* object : m_Recycled) {
      new (object) SReusable{m_pReusable};
      m_pReusable = object;
    }
    m_Recycled.clear();
  }

  // Object number i, for i below the current count.
  T* GetAt(DWORD i) const {
    if (i < m_dwPreallocatedCount) return &m_pPreallocatedBlock[i];
    i -= m_dwPreallocatedCount;
    return &m_OverflowBlocks[i >> m_dwOverflowShift][i & OverflowMask()];
  }
  DWORD GetCurrentCount() const { return m_dwCurrentCount; }
  // The number of an object of the pool, or kNone for any other object.
  static constexpr DWORD kNone = ~DWORD(0);
  DWORD IndexOf(const T* object) const {
    if (InBlock(object, m_pPreallocatedBlock, m_dwPreallocatedCount))
      return static_cast<DWORD>(object - m_pPreallocatedBlock);
    const size_t perBlock = OverflowMask() + size_t(1);
    for (size_t b = 0; b < m_OverflowBlocks.size(); ++b)
      if (InBlock(object, m_OverflowBlocks[b], perBlock))
        return m_dwPreallocatedCount + static_cast<DWORD>(b * perBlock + (object - m_OverflowBlocks[b]));
    return kNone;
  }
  DWORD GetPreallocatedCount() const { return m_dwPreallocatedCount; }

  // Releases the spare room of the list of blocks.
  void FreeUnusedSpace() { m_OverflowBlocks.shrink_to_fit(); }

 protected:
  T* NewElement() {
    if (m_pReusable) {
      T* object = m_pReusable;
      m_pReusable = std::launder(reinterpret_cast<SReusable*>(object))->next;
      return new (object) T;
    }
    const DWORD i = m_dwCurrentCount++;
    if (i < m_dwPreallocatedCount) return new (&m_pPreallocatedBlock[i]) T;
    const DWORD past = i - m_dwPreallocatedCount;
    if ((past & OverflowMask()) == 0)
      m_OverflowBlocks.push_back(static_cast<T*>(AllocateGeoBlock((OverflowMask() + size_t(1)) * sizeof(T))));
    return new (&m_OverflowBlocks.back()[past & OverflowMask()]) T;
  }

 private:
  DWORD OverflowMask() const { return (DWORD(1) << m_dwOverflowShift) - 1; }
  static bool InBlock(const T* object, const T* block, size_t n) {
    const std::less<const T*> less;
    return block && !less(object, block) && less(object, block + n);
  }

  void ClearContent() {
    m_dwOverflowShift = 12;
    m_dwCurrentCount = 0;
    m_dwPreallocatedCount = 0;
    m_pPreallocatedBlock = nullptr;
  }

  DWORD m_dwCurrentCount = 0;
  DWORD m_dwPreallocatedCount = 0;
  T* m_pPreallocatedBlock = nullptr;
  DWORD m_dwOverflowShift = 12;  // blocks past the first hold 2^shift objects
  std::vector<T*> m_OverflowBlocks;
  // What a released object's room holds: the object released before it.
  struct SReusable {
    T* next;
  };
  static_assert(sizeof(T) >= sizeof(SReusable) && alignof(T) >= alignof(SReusable));
  std::vector<T*> m_Recycled;  // given back, not yet to be handed out
  T* m_pReusable = nullptr;    // handed out again before new room, the last released first
};

class CGeoVertexArray : public CGeoElementPool<CGeoVertex> {
 public:
  CGeoVertex* NewVertex() { return NewElement(); }
  DWORD GetCurrentVerticesCount() const { return GetCurrentCount(); }
};

class CGeoEdgesArray : public CGeoElementPool<CGeoEdge> {
 public:
  CGeoEdge* NewEdge() { return NewElement(); }
  DWORD GetCurrentEdgesCount() const { return GetCurrentCount(); }
};

class CGeoHalfEdgesArray : public CGeoElementPool<CGeoHalfEdge> {
 public:
  CGeoHalfEdge* NewHalfEdge() { return NewElement(); }
  DWORD GetCurrentHalfEdgesCount() const { return GetCurrentCount(); }
};

// The faces pool also keeps the list of rendered triangles: three vertex
// indices per rendered face, at the face's rendered position. Indices and
// positions are 32-bit, so meshes of any size render without wrapping. A
// pool of a mesh that is never drawn keeps no list: its faces have no
// rendered position, and the list's steps do nothing.
class CGeoFacesArray : public CGeoElementPool<CGeoFace> {
 public:
  bool Initialize(DWORD n, bool drawn = true);
  bool IsDrawn() const { return m_bDrawn; }
  void DestroyContent();

  // Hands out a face at the last rendered position.
  CGeoFace* NewFace();
  DWORD GetCurrentFacesCount() const { return GetCurrentCount(); }

  const DWORD* GetTrianglesVertexIndices() const { return m_TrianglesVertexIndices.data(); }
  DWORD GetTrianglesVertexIndicesCount() const { return 3 * m_dwCurrentRenderedFacesCount; }
  DWORD GetCurrentRenderedFacesCount() const { return m_dwCurrentRenderedFacesCount; }
  // The face at a rendered position, NULL for an erased one.
  CGeoFace* GetRenderedFace(DWORD position) const {
    return position < m_RenderedFacesMap.size() ? m_RenderedFacesMap[position] : nullptr;
  }

  void SetRenderedFacePosition(CGeoFace* face, DWORD position);
  void AddRenderFaceToMap(CGeoFace* face);
  // Writes the face's corner indices into its triangle of the list.
  void SetRenderedFaceVertexIndices(CGeoFace* face);
  // Leaves a (0, 0, 0) triangle in the face's place; positions do not move.
  void EraseRenderedFace(CGeoFace* face);
  // Moves the last triangle into the face's place and shortens the list.
  void DeleteRenderedFace(CGeoFace* face);
  void MoveRenderedFace(DWORD from, DWORD to);

 private:
  bool m_bDrawn = true;
  std::vector<DWORD> m_TrianglesVertexIndices;
  DWORD m_dwCurrentRenderedFacesCount = 0;
  // Rendered position to face; positions are dense, so a plain array.
  std::vector<CGeoFace*> m_RenderedFacesMap;
};
