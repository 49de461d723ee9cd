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
  m_indices = new (std::nothrow) DWORD[count ? count : 1];
  if (!m_indices) return false;
  m_count = count;
  std::copy(indices, indices + count, m_indices);
  return true;
}

void CMeshFace::DestroyContent() {
  delete[] m_indices;
  m_indices = nullptr;
  m_count = 0;
}

bool CMeshFace::IndicesBelow(DWORD limit) const {
  return std::all_of(m_indices, m_indices + m_count, [limit](DWORD i) { return i < limit; });
}
