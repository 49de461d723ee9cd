#include "geo_face.h"

#include "dx_thread.h"
#include "geo_half_edge.h"
#include "geo_vertex.h"
#include "qorcommon.h"

bool CGeoFace::Initialize(CGeoHalfEdge* first, EFaceType type) {
  DestroyContent();
  m_pFirstHalfEdge = first;
  m_eFaceType = type;
  ComputeTriangleArea(m_fTriangleArea);
  return true;
}


void CGeoFace::GetTriangleVerticesPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb, D3DXVECTOR3*& pc) const {
  CGeoVertex *a, *b, *c;
  GetTriangleVertices(a, b, c);
  pa = a->GetPosition();
  pb = b->GetPosition();
  pc = c->GetPosition();
}

void CGeoFace::GetTriangleVerticesIndex(DWORD* i0, DWORD* i1, DWORD* i2) const {
  CGeoVertex *a, *b, *c;
  GetTriangleVertices(a, b, c);
  *i0 = a->GetVerticesMapIndex();
  *i1 = b->GetVerticesMapIndex();
  *i2 = c->GetVerticesMapIndex();
}



bool CGeoFace::ComputeTriangleArea(float& area) const {
  D3DXVECTOR3 *p0, *p1, *p2;
  GetTriangleVerticesPosition(p0, p1, p2);
  D3DXVECTOR3 d01 = *p0 - *p1, d12 = *p1 - *p2, d20 = *p2 - *p0;
  return ::ComputeTriangleArea(area, D3DXVec3Length(&d01), D3DXVec3Length(&d12), D3DXVec3Length(&d20));
}

bool CGeoFace::ComputeFaceNormal(D3DXVECTOR3& n) const {
  D3DXVECTOR3 *p0, *p1, *p2;
  GetTriangleVerticesPosition(p0, p1, p2);
  D3DXVECTOR3 a = *p1 - *p0, b = *p2 - *p0, c;
  D3DXVec3Cross(&c, &a, &b);
  n = c / D3DXVec3Length(&c);
  return true;
}

CString CGeoFace::GetInfo() const {
  CString corners[3] = {"NULL", "NULL", "NULL"};
  if (m_pFirstHalfEdge) {
    CGeoVertex* c[3];
    GetTriangleVertices(c[0], c[1], c[2]);
    for (int k = 0; k < 3; ++k)
      if (c[k]) corners[k] = c[k]->GetInfo();
  }
  CString info;
  info.Format(
      "\nFace info start:\nFace first vertex: %s\nFace second vertex: %s\nFace third vertex: %s\nFace pointer "
      "%p\nFace info end.\n",
      static_cast<const char*>(corners[0]), static_cast<const char*>(corners[1]), static_cast<const char*>(corners[2]),
      static_cast<const void*>(this));
  return info;
}

void CGeoFace::DisableRM(CDXThread* thread) {
  if (m_bDisabled) return;
  m_bDisabled = true;
  if (thread) thread->DecreaseThreadOutputTrianglesCount(1, m_fTriangleArea);
}
