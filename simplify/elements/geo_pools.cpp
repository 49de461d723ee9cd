#include "geo_pools.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
}

void* AllocateGeoBlock(size_t bytes) {
  if (bytes < 2 * kHugePage) {
    void* block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
  }
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (!block) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(block, rounded, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
#endif
  return block;
}

void FreeGeoBlock(void* block) { std::free(block); }

bool CGeoFacesArray::Initialize(DWORD n, bool drawn) {
  DestroyContent();
  CGeoElementPool<CGeoFace>::Initialize(n);
  m_bDrawn = drawn;
  if (!drawn) return true;
  // Room only: the list is written as faces are handed out, and a reduction
  // pool's list stays shorter than its faces (the disabled ones leave it).
  m_TrianglesVertexIndices.reserve(3 * static_cast<size_t>(n));
  m_RenderedFacesMap.reserve(n);
  return true;
}

void CGeoFacesArray::DestroyContent() {
  CGeoElementPool<CGeoFace>::DestroyContent();
  m_TrianglesVertexIndices.clear();
  m_TrianglesVertexIndices.shrink_to_fit();
  m_RenderedFacesMap.clear();
  m_dwCurrentRenderedFacesCount = 0;
}

CGeoFace* CGeoFacesArray::NewFace() {
  if (!m_bDrawn) return NewElement();
  ++m_dwCurrentRenderedFacesCount;
  const size_t needed = 3 * static_cast<size_t>(m_dwCurrentRenderedFacesCount);
  if (m_TrianglesVertexIndices.size() < needed) m_TrianglesVertexIndices.resize(needed, 0);
  CGeoFace* face = NewElement();
  SetRenderedFacePosition(face, m_dwCurrentRenderedFacesCount - 1);
  return face;
}

void CGeoFacesArray::SetRenderedFacePosition(CGeoFace* face, DWORD position) {
  if (!m_bDrawn) return;
  face->SetRenderedFacePosition(position);
  AddRenderFaceToMap(face);
}

void CGeoFacesArray::AddRenderFaceToMap(CGeoFace* face) {
  const DWORD position = face->GetRenderedFacePosition();
  if (m_RenderedFacesMap.size() <= position) m_RenderedFacesMap.resize(position + 1, nullptr);
  m_RenderedFacesMap[position] = face;
}

void CGeoFacesArray::SetRenderedFaceVertexIndices(CGeoFace* face) {
  if (!m_bDrawn) return;
  DWORD* t = &m_TrianglesVertexIndices[3 * static_cast<size_t>(face->GetRenderedFacePosition())];
  face->GetTriangleVerticesIndex(&t[0], &t[1], &t[2]);
}

void CGeoFacesArray::EraseRenderedFace(CGeoFace* face) {
  if (!m_bDrawn) return;
  const DWORD position = face->GetRenderedFacePosition();
  DWORD* t = &m_TrianglesVertexIndices[3 * static_cast<size_t>(position)];
  t[0] = t[1] = t[2] = 0;
  if (position < m_RenderedFacesMap.size()) m_RenderedFacesMap[position] = nullptr;
}

void CGeoFacesArray::DeleteRenderedFace(CGeoFace* face) {
  if (m_dwCurrentRenderedFacesCount == 0) return;
  const DWORD last = m_dwCurrentRenderedFacesCount - 1;
  const DWORD position = face->GetRenderedFacePosition();
  if (position == last)
    m_RenderedFacesMap[last] = nullptr;
  else
    MoveRenderedFace(last, position);
  --m_dwCurrentRenderedFacesCount;
}

void CGeoFacesArray::MoveRenderedFace(DWORD from, DWORD to) {
  for (size_t k = 0; k < 3; ++k)
    m_TrianglesVertexIndices[3 * static_cast<size_t>(to) + k] = m_TrianglesVertexIndices[3 * static_cast<size_t>(from) + k];
  CGeoFace* moved = m_RenderedFacesMap[from];
  m_RenderedFacesMap[from] = nullptr;
  m_RenderedFacesMap[to] = nullptr;
  if (moved) SetRenderedFacePosition(moved, to);
}
