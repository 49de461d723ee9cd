// CDX3DSplitterWnd: a static splitter whose panes are 3D views. While a
// splitter bar is dragged its views stop rendering; after a split they move
// their render surfaces to the new pane places.
#pragma once

#include <afxext.h>

class CDXFile3DView;

class CDX3DSplitterWnd : public CSplitterWnd {
  DECLARE_DYNCREATE(CDX3DSplitterWnd)

 public:
  CDX3DSplitterWnd() = default;

  void OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) override;
  void OnInvertTracker(const RECT& rect) override;
  BOOL SplitRow(int cyBefore) override;
  BOOL SplitColumn(int cxBefore) override;

  // Over every pane's view.
  void PauseViews(bool pause);
  void MoveViews();
  void SetViewsParentFrameCreationStatus(bool created);

  // The 3D view of pane (row, column), NULL when the pane holds none.
  CDXFile3DView* Get3DView(int row, int column) const;
  // True from the first tracker drawing of a drag until the bars are drawn again.
  bool IsTracking() const { return m_bTracking; }

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  bool m_bTracking = false;
};
