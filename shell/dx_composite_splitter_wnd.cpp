#include "dx_composite_splitter_wnd.h"

#include "dx_3d_splitter_wnd.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"

BEGIN_MESSAGE_MAP(CDXLeftRightCompositeSplitterWnd, CSplitterWnd)
END_MESSAGE_MAP()

CDXSplitterFrame* CDXLeftRightCompositeSplitterWnd::GetSplitterFrame() const {
  return DYNAMIC_DOWNCAST(CDXSplitterFrame, GetParentFrame());
}

void CDXLeftRightCompositeSplitterWnd::PauseFrameViews(bool pause) {
  CDXSplitterFrame* frame = GetSplitterFrame();
  if (frame == NULL) return;
  const CDXSplitterFrame::E3DViewType type = frame->GetViewType();
  if ((type == CDXSplitterFrame::eTwoViews || type == CDXSplitterFrame::eFourViews) &&
      frame->Get3DViewsSplitter() != NULL) {
    frame->Get3DViewsSplitter()->PauseViews(pause);
  } else if (type == CDXSplitterFrame::eOneView) {
    if (auto* view = DYNAMIC_DOWNCAST(CDXFile3DView, GetPane(0, 1))) view->SetPause(pause);
  }
}

void CDXLeftRightCompositeSplitterWnd::OnInvertTracker(const RECT& rect) {
  if (!m_bTracking) {
    m_bTracking = true;
    PauseFrameViews(true);
  }
  CSplitterWnd::OnInvertTracker(rect);
}

void CDXLeftRightCompositeSplitterWnd::OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) {
  CSplitterWnd::OnDrawSplitter(dc, type, rect);
  CDXSplitterFrame* frame = GetSplitterFrame();
  CDX3DSplitterWnd* views = frame != NULL ? frame->Get3DViewsSplitter() : NULL;
  if (views != NULL && frame->GetViewType() == CDXSplitterFrame::eFourViews) {
    if (CDXFile3DView* view = views->Get3DView(0, 0)) view->Resize();
    if (CDXFile3DView* view = views->Get3DView(1, 0)) view->Resize();
  } else if (views != NULL && frame->GetViewType() == CDXSplitterFrame::eTwoViews) {
    if (CDXFile3DView* view = views->Get3DView(0, 0)) view->Resize();
  }
  if (m_bTracking) {
    m_bTracking = false;
    PauseFrameViews(false);
  }
}
