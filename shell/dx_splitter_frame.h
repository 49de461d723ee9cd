// CDXSplitterFrame: the MDI child frame of a document. It tells the main
// frame when it becomes the active one.
#pragma once

#include <afxwin.h>

class CDXSplitterFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDXSplitterFrame)

 public:
  CDXSplitterFrame() = default;
  ~CDXSplitterFrame() override;

 protected:
  void OnChildActivated(BOOL activate) override;
};
