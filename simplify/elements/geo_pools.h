// Pools of connectivity elements. A pool hands out objects from one block
// allocated for the expected count, then one by one from the heap; it frees
// nothing until it is destroyed or initialised again, so element pointers stay
// valid for the pool's life. Objects are numbered in the order handed out.
#pragma once

#include <algorithm>
#include <new>
#include <vector>

#include "geo_edge.h"
#include "geo_face.h"
#include "geo_half_edge.h"
#include "geo_vertex.h"

template <class T>
class CGeoElementPool {
 public:
  CGeoElementPool() = default;
  CGeoElementPool(const CGeoElementPool&) = delete;
  CGeoElementPool& operator=(const CGeoElementPool&) = delete;
  ~CGeoElementPool() { DestroyContent(); }

  // Frees the old content and allocates a block for n objects. Each object
  // is constructed when it is handed out, so block memory that is never used
  // is never touched.
  bool Initialize(DWORD n) {
    DestroyContent();
    m_pPreallocatedBlock = n ? static_cast<T*>(::operator new(n * sizeof(T))) : nullptr;
    m_dwPreallocatedCount = n;
    return true;
  }

  void DestroyContent() {
    for (DWORD i = 0; i < std::min(m_dwCurrentCount, m_dwPreallocatedCount); ++i) m_pPreallocatedBlock[i].~T();
    ::operator delete(m_pPreallocatedBlock);
    for (T* t : m_OverflowArray) delete t;
    m_OverflowArray.clear();
    ClearContent();
  }

  // Object number i, for i below the current count.
  T* GetAt(DWORD i) const {
    return i < m_dwPreallocatedCount ? &m_pPreallocatedBlock[i] : m_OverflowArray[i - m_dwPreallocatedCount];
  }
  DWORD GetCurrentCount() const { return m_dwCurrentCount; }
  DWORD GetPreallocatedCount() const { return m_dwPreallocatedCount; }

  // Releases the overflow array's spare capacity.
  void FreeUnusedSpace() { m_OverflowArray.shrink_to_fit(); }

 protected:
  T* NewElement() {
    ++m_dwCurrentCount;
    if (m_dwCurrentCount <= m_dwPreallocatedCount) return new (&m_pPreallocatedBlock[m_dwCurrentCount - 1]) T;
    m_OverflowArray.push_back(new T);
    return m_OverflowArray.back();
  }

 private:
  void ClearContent() {
    m_dwCurrentCount = 0;
    m_dwPreallocatedCount = 0;
    m_pPreallocatedBlock = nullptr;
  }

  DWORD m_dwCurrentCount = 0;
  DWORD m_dwPreallocatedCount = 0;
  T* m_pPreallocatedBlock = nullptr;
  std::vector<T*> m_OverflowArray;
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
// positions are 32-bit, so meshes of any size render without wrapping.
class CGeoFacesArray : public CGeoElementPool<CGeoFace> {
 public:
  bool Initialize(DWORD n);
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
  std::vector<DWORD> m_TrianglesVertexIndices;
  DWORD m_dwCurrentRenderedFacesCount = 0;
  // Rendered position to face; positions are dense, so a plain array.
  std::vector<CGeoFace*> m_RenderedFacesMap;
};
