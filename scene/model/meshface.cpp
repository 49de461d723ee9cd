#include "meshface.h"

#include <algorithm>
#include <new>

void CIndexedColor::SetVertexColor(DWORD argb) {
  m_color.r = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
  m_color.g = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
  m_color.b = static_cast<float>(argb & 0xFF) / 255.0f;
  m_color.a = static_cast<float>((argb >> 24) & 0xFF) / 255.0f;
}

bool CMeshFace::SetMeshFace(DWORD count, const DWORD* indices) {
  DestroyContent();
  if (count > kInline) {
    m_heap = new (std::nothrow) DWORD[count];
    if (!m_heap) return false;
  }
  m_count = count;
  std::copy(indices, indices + count, GetFaceVertexIndices());
  return true;
}

void CMeshFace::DestroyContent() {
  if (m_count > kInline) delete[] m_heap;
  m_count = 0;
}

bool CMeshFace::IndicesBelow(DWORD limit) const {
  const DWORD* indices = GetFaceVertexIndices();
  return std::all_of(indices, indices + m_count, [limit](DWORD i) { return i < limit; });
}
