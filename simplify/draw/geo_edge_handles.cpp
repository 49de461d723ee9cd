// Edge line handles of a material group: their release.
#include "geo_mesh_triangles.h"
#include "qorcommon.h"

void CGeoMeshTriangles::DestroyEdgesLineHandles() {
  if (m_ppEdgesHandlesVB) {
    for (DWORD i = 0; i < m_dwEdgesHandlesBuffersCount; ++i) SafeRelease(&m_ppEdgesHandlesVB[i]);
    delete[] m_ppEdgesHandlesVB;
    m_ppEdgesHandlesVB = nullptr;
  }
  if (m_ppEdgesHandlesIB) {
    for (DWORD i = 0; i < m_dwEdgesHandlesBuffersCount; ++i) SafeRelease(&m_ppEdgesHandlesIB[i]);
    delete[] m_ppEdgesHandlesIB;
    m_ppEdgesHandlesIB = nullptr;
  }
  m_dwEdgesHandlesBuffersCount = 0;
}
