#include "dx_3d_splitter_wnd.h"

#include "dx_file_3dview.h"

IMPLEMENT_DYNCREATE(CDX3DSplitterWnd, CSplitterWnd)

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
