#include "hitframe.h"

namespace {
const D3DXMATRIX kZero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
const D3DXVECTOR3 kOrigin(0, 0, 0);
}  // namespace

void CHitFrame::DestroyContent() {
  m_frame = nullptr;
  m_hitsCount = 0;
  m_firstHitWS = m_secondHitWS = m_frameCenterWS = m_parentCenterWS = kOrigin;
  m_frameWorld = m_parentWorld = kZero;
  m_geoMeshFrame = nullptr;
  m_vertex = nullptr;
}

void CHitFrame::Initialize(CFrame* frame, DWORD hitsCount, const D3DXVECTOR3* firstHitWS,
                           const D3DXVECTOR3* secondHitWS, const D3DXMATRIX* frameWorld,
                           const D3DXVECTOR3* frameCenterWS, const D3DXMATRIX* parentWorld,
                           const D3DXVECTOR3* parentCenterWS, CGeoVertex* vertex, CFrame* geoMeshFrame) {
  DestroyContent();
  m_frame = frame;
  m_hitsCount = hitsCount;
  if (firstHitWS) m_firstHitWS = *firstHitWS;
  if (secondHitWS) m_secondHitWS = *secondHitWS;
  if (frameWorld) m_frameWorld = *frameWorld;
  if (frameCenterWS) m_frameCenterWS = *frameCenterWS;
  if (parentWorld) m_parentWorld = *parentWorld;
  if (parentCenterWS) m_parentCenterWS = *parentCenterWS;
  m_vertex = vertex;
  m_geoMeshFrame = geoMeshFrame;
}
