// Animations on screen: showing, hiding and drawing the frames they move.
#include <tracelog.h>

#include "animation.h"
#include "failureguard.h"
#include "frame.h"

void CAnimation::Show() {
  if (m_frame) GuardedCall([&] { m_frame->Show(); });
}

void CAnimation::Hide() {
  if (m_frame) GuardedCall([&] { m_frame->Hide(); });
}

// The frame applies its own transform to the parent's world transform, so
// it is handed the parent's: carrying it by the frame's transform here too
// would draw the frame moved twice.
HRESULT CAnimation::Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                           CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc) {
  if (!m_frame) return S_OK;
  HRESULT result = S_OK;
  if (!GuardedCall([&] {
        result = m_frame->Render(device, parentWorld, opaque, blended, camera, view, doc, true);
        if (FAILED(result)) throw "CFrame::Render failed";
      }))
    return FAILED(result) ? result : E_FAIL;
  return result;
}

void CAnimationSet::Show() {
  for (POSITION pos = m_animations.GetHeadPosition(); pos;) m_animations.GetNext(pos)->Show();
}

void CAnimationSet::Hide() {
  for (POSITION pos = m_animations.GetHeadPosition(); pos;) m_animations.GetNext(pos)->Hide();
}

HRESULT CAnimationSet::Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                              CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc) {
  if (m_state != ePlaying) return S_OK;
  for (POSITION pos = m_animations.GetHeadPosition(); pos;) {
    const HRESULT result = m_animations.GetNext(pos)->Render(device, parentWorld, opaque, blended, camera, view, doc);
    if (FAILED(result)) return result;
  }
  return S_OK;
}
