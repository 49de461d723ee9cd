// CDX3DChildFrame: the frame of a second window on a document (the "New 3D
// View Window" command): one 3D view, or four in a 2 x 2 splitter, with the
// 3D view mode toolbar.
#pragma once

#include <afxext.h>
#include <afxwin.h>

class CDX3DSplitterWnd;
class CDXFile3DView;

class CDX3DChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDX3DChildFrame)

 public:
  enum ELayout : int { eOneView = 0, eFourViews = 2, eNoLayout = 3 };

  CDX3DChildFrame() = default;
  ~CDX3DChildFrame() override;

  BOOL DestroyWindow() override;
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;

  // Four views to one, and one to four; false when the new layout could not
  // be made.
  bool CreateOneView();
  bool Create4Views();
  // The single view, or the top-left pane in four-view layout.
  CDXFile3DView* GetActive3DView();

  int GetLayout() const { return m_nLayout; }
  CDX3DSplitterWnd* GetSplitter() const { return m_pSplitter; }
  CToolBar* GetToolBar() { return &m_wndToolBar; }

 protected:
  int OnCreate(LPCREATESTRUCT create);
  void OnMove(int x, int y);
  void OnView3dViewModeToolbar();
  void OnUpdateView3dViewModeToolbar(CCmdUI* cmdUI);
  void OnView4Views();
  void OnUpdateView4Views(CCmdUI* cmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  void DestroySplitter();

  CToolBar m_wndToolBar;
  CDX3DSplitterWnd* m_pSplitter = NULL;
  CDXFile3DView* m_pSingleView = NULL;
  bool m_bSplitterCreated = false;
  int m_nLayout = eNoLayout;
};
