#include "dx_3d_splitter_wnd.h"

#include "dx_file_3dview.h"

IMPLEMENT_DYNCREATE(CDX3DSplitterWnd, CSplitterWnd)

BEGIN_MESSAGE_MAP(CDX3DSplitterWnd, CSplitterWnd)
END_MESSAGE_MAP()

CDXFile3DView* CDX3DSplitterWnd::Get3DView(int row, int column) const {
  return DYNAMIC_DOWNCAST(CDXFile3DView, GetPane(row, column));
}

void CDX3DSplitterWnd::PauseViews(bool pause) {
  for (int row = 0; row < GetRowCount(); ++row) {
    for (int column = 0; column < GetColumnCount(); ++column) {
      if (CDXFile3DView* view = Get3DView(row, column)) view->SetPause(pause);
    }
  }
}

void CDX3DSplitterWnd::MoveViews() {
  for (int row = 0; row < GetRowCount(); ++row) {
    for (int column = 0; column < GetColumnCount(); ++column) {
      if (CDXFile3DView* view = Get3DView(row, column)) view->Move();
    }
  }
}

void CDX3DSplitterWnd::SetViewsParentFrameCreationStatus(bool created) {
  for (int row = 0; row < GetRowCount(); ++row) {
    for (int column = 0; column < GetColumnCount(); ++column) {
      if (CDXFile3DView* view = Get3DView(row, column)) view->SetParentFrameCreationStatus(created);
    }
  }
}

void CDX3DSplitterWnd::OnInvertTracker(const RECT& rect) {
  if (!m_bTracking) {
    m_bTracking = true;
    PauseViews(true);
  }
  CSplitterWnd::OnInvertTracker(rect);
}

void CDX3DSplitterWnd::OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) {
  CSplitterWnd::OnDrawSplitter(dc, type, rect);
  if (m_bTracking) {
    m_bTracking = false;
    PauseViews(false);
  }
}

BOOL CDX3DSplitterWnd::SplitRow(int cyBefore) {
  BOOL split = CSplitterWnd::SplitRow(cyBefore);
  MoveViews();
  return split;
}

BOOL CDX3DSplitterWnd::SplitColumn(int cxBefore) {
  BOOL split = CSplitterWnd::SplitColumn(cxBefore);
  MoveViews();
  return split;
}
