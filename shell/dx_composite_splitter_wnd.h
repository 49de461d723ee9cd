// CDXLeftRightCompositeSplitterWnd: the splitter window that fills a document
// splitter frame: the tool pane in column 0, the 3D pane in column 1.
#pragma once

#include <afxext.h>

class CDXLeftRightCompositeSplitterWnd : public CSplitterWnd {
 public:
  CDXLeftRightCompositeSplitterWnd() = default;

 protected:
  bool m_bTracking = false;
};
