// CDX3DSplitterWnd: a splitter window whose panes are 3D views, with the
// operations that act on all of them.
#pragma once

#include <afxext.h>

class CDXFile3DView;

class CDX3DSplitterWnd : public CSplitterWnd {
  DECLARE_DYNCREATE(CDX3DSplitterWnd)

 public:
  CDX3DSplitterWnd() = default;

  // The 3D view in pane (row, column), or NULL.
  CDXFile3DView* Get3DView(int row, int column) const;
  void PauseViews(bool pause);
  void MoveViews();
  void SetViewsParentFrameCreationStatus(bool created);

 protected:
  bool m_bTracking = false;
};
