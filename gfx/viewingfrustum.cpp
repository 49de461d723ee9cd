#include "viewingfrustum.h"

#include <cmath>
#include <cstring>

CViewingFrustum::CViewingFrustum() { ClearContent(); }

CViewingFrustum::~CViewingFrustum() { DestroyContent(); }

void CViewingFrustum::ClearContent() {
  m_verticalFov = m_horizontalFov = m_nearPlane = m_farPlane = 0.0f;
  m_width = m_height = 0;
  for (D3DXPLANE& side : m_sides) side = D3DXPLANE();
  std::memset(m_referenceDistances, 0, sizeof(m_referenceDistances));
  for (D3DXMATRIX* m : {&m_projection, &m_projectionInverse, &m_viewportScaling, &m_viewportScalingInverse})
    std::memset(static_cast<D3DMATRIX*>(m), 0, sizeof(D3DMATRIX));
}

void CViewingFrustum::DestroyContent() { ClearContent(); }

void CViewingFrustum::Initialize(float horizontalFov, DWORD width, DWORD height, float nearPlane, float farPlane) {
  const float w = static_cast<float>(width ? width : 1), h = static_cast<float>(height ? height : 1);
  const float aspect = h / w;
  const float cotangent = 1.0f / std::tan(horizontalFov / 2.0f);
  const float quotient = aspect / cotangent;
  const float vertical = 2.0f * std::atan(quotient);
  Initialize(vertical, horizontalFov, nearPlane, farPlane, width, height);
}

void CViewingFrustum::Initialize(float verticalFov, float horizontalFov, float nearPlane, float farPlane,
                                 DWORD width, DWORD height) {
  DestroyContent();
  m_width = width ? width : 1;
  m_height = height ? height : 1;
  m_verticalFov = verticalFov;
  m_horizontalFov = horizontalFov;
  m_nearPlane = nearPlane;
  m_farPlane = farPlane;

  const float x = farPlane * std::tan(horizontalFov / 2.0f), y = farPlane * std::tan(verticalFov / 2.0f);
  const D3DXVECTOR3 eye(0, 0, 0);
  const D3DXVECTOR3 corners[4][2] = {{{-x, -y, farPlane}, {-x, y, farPlane}},
                                     {{x, y, farPlane}, {x, -y, farPlane}},
                                     {{-x, y, farPlane}, {x, y, farPlane}},
                                     {{x, -y, farPlane}, {-x, -y, farPlane}}};
  // Only the sign relative to a point inside counts, not the normal's
  // orientation.
  const D3DXVECTOR3 reference(0, 0, (farPlane - nearPlane) / 2.0f);
  for (int i = 0; i < 4; ++i) {
    D3DXPlaneFromPoints(&m_sides[i], &eye, &corners[i][0], &corners[i][1]);
    m_referenceDistances[i] = D3DXPlaneDotCoord(&m_sides[i], &reference);
  }
  SetProjectionMatrix(m_projection, verticalFov, horizontalFov, nearPlane, farPlane);
  D3DXMatrixInverse(&m_projectionInverse, nullptr, &m_projection);
  SetViewportScalingMatrix(m_viewportScaling, m_width, m_height);
  D3DXMatrixInverse(&m_viewportScalingInverse, nullptr, &m_viewportScaling);
}

HRESULT CViewingFrustum::SetProjectionTransformation(IDirect3DDevice8* device, DWORD, DWORD) {
  if (!device) return E_POINTER;
  return device->SetTransform(D3DTS_PROJECTION, &m_projection);
}

bool CViewingFrustum::IsInViewFrustum(float radius, const D3DXVECTOR3* centre, const D3DXMATRIX* toView) const {
  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, centre, toView);
  if (p.z + radius < m_nearPlane || p.z - radius > m_farPlane) return false;
  for (int i = 0; i < 4; ++i) {
    const float d = D3DXPlaneDotCoord(&m_sides[i], &p);
    const float reference = m_referenceDistances[i];
    const bool opposite = (d < 0.0f && reference > 0.0f) || (d > 0.0f && reference < 0.0f);
    if (opposite && std::fabs(d) > radius) return false;
  }
  return true;
}

void CViewingFrustum::SetProjectionMatrix(D3DMATRIX& out, float verticalFov, float horizontalFov, float nearPlane,
                                          float farPlane) {
  std::memset(&out, 0, sizeof(out));
  out._11 = 1.0f / std::tan(horizontalFov / 2.0f);
  out._22 = 1.0f / std::tan(verticalFov / 2.0f);
  out._33 = farPlane / (farPlane - nearPlane);
  out._34 = 1.0f;
  out._43 = -nearPlane * farPlane / (farPlane - nearPlane);
}

void CViewingFrustum::SetProjectionMatrix2(D3DMATRIX& out, DWORD width, DWORD height, float nearPlane,
                                           float farPlane) {
  std::memset(&out, 0, sizeof(out));
  out._11 = 2.0f * nearPlane / static_cast<float>(width);
  out._22 = 2.0f * nearPlane / static_cast<float>(height);
  out._33 = farPlane / (farPlane - nearPlane);
  out._34 = 1.0f;
  out._43 = -nearPlane * farPlane / (farPlane - nearPlane);
}

void CViewingFrustum::SetViewportScalingMatrix(D3DMATRIX& out, DWORD width, DWORD height) {
  std::memset(&out, 0, sizeof(out));
  out._11 = static_cast<float>(width) / 2.0f;
  out._22 = -static_cast<float>(height) / 2.0f;
  out._33 = 1.0f;
  out._41 = static_cast<float>(width) / 2.0f;
  out._42 = static_cast<float>(height) / 2.0f;
  out._43 = 0.0f;
  out._44 = 1.0f;
}
