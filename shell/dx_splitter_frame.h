// CDXSplitterFrame: the MDI child frame of every open scene. Its client is a
// left/right splitter: the tool pane on the left shows one tool (scene tree,
// lights form, tasks views or reduction views), the 3D pane on the right one,
// two or four 3D views. It tells the main frame when it becomes the active
// one, and when it closes it stops the document's jobs.
#pragma once

#include <afxext.h>
#include <afxwin.h>

#include "animation_toolbar.h"
#include "camera_properties_toolbar.h"
#include "dx_composite_splitter_wnd.h"

class CAnimationSet;
class CDX3DSplitterWnd;
class CDXDoc;
class CXFileDataList;
class CDXFile3DView;

class CDXSplitterFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDXSplitterFrame)

 public:
  enum E3DViewType : int { eOneView = 0, eTwoViews = 1, eFourViews = 2, eNoView = 3 };
  enum EToolPaneView : int { eToolNone = 0, eToolSceneTree = 1, eToolLightsForm = 2, eToolTasks = 3,
                             eToolReduction = 4 };

  CDXSplitterFrame();
  ~CDXSplitterFrame() override;

  // The view classes that show a tool in the tool pane, registered by the
  // forms when the library is loaded: the scene tree and the lights form one
  // each; the tasks tool its rows (thread form, threads list, trace view);
  // the reduction tool its methods form, then its lower forms (progressive
  // mesh options, connectivity mesh options).
  static void SetToolPaneViewClasses(EToolPaneView kind, CRuntimeClass* first, CRuntimeClass* second = nullptr,
                                     CRuntimeClass* third = nullptr);
  static CRuntimeClass* GetToolPaneViewClass(EToolPaneView kind, int index);

  // Accessors.
  CDXDoc* GetDocument() const { return m_pDocument; }
  EToolPaneView GetToolPaneView() const { return m_eToolPaneView; }
  bool IsSplittersCreated() const { return m_bSplittersCreated; }
  E3DViewType GetViewType() const { return m_e3DViewType; }
  CDX3DSplitterWnd* Get3DViewsSplitter() const { return m_p3DViewsSplitter; }
  CDXLeftRightCompositeSplitterWnd* GetLeftRightSplitter() { return &m_wndLeftRightSplitter; }
  CSplitterWnd* GetToolPaneSplitter() const { return m_pToolPaneSplitter; }
  CView* GetToolPaneViewWindow() const { return m_pToolPaneView; }
  UINT GetToolPaneCommand() const { return m_nToolPaneCommand; }
  void SetToolPaneCommand(UINT command) { m_nToolPaneCommand = command; }

  // Creation and destruction.
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  BOOL DestroyWindow() override;
  void DestroyContent();
  void ClearContent();

  // Pane sizes.
  void ResizePanesShowAll();
  void ResizePanesHideToolPane();
  void ResizePanesHide3dPane();
  void ResizeThreadPanes();
  void ResizeReductionPanes();
  float ComputeToolPaneWidthRatio();
  float ComputeThreadFormHightRatio();
  float ComputeReductionMethodsFormHightRatio();
  bool ComputeDialogResourceClientRect(UINT templateId, RECT& rect);

  // The 3D pane.
  bool CreateOneView2();
  bool Create2Views();
  bool Create4Views2();
  CDXFile3DView* GetActive3DView();
  CDXFile3DView* GetNext3DView(CDXFile3DView* view);
  void SetActivePane(CDXFile3DView* view);
  void SetFocusOnActive3DView();
  void Set3DViewsParentFrameCreationStatus(bool created);
  // The 3D views of the pane: the single view, or the nested splitter's panes
  // row by row.
  int Get3DViews(CDXFile3DView* views[4]) const;

  // The tool pane.
  bool CreateTreeView();
  bool CreateLightsFormView();
  bool CreateReductionOptionsFormView();
  bool CreateThreadViews();
  bool CreateReductionOptionsViews();
  bool CreatePMeshOptionsFormView();
  bool CreateCMeshOptionsFormView();
  bool DestroyToolPaneView();
  void DisplayWorldThreadsManager();
  void DisplayReductionManager();
  void SetFocusOnToolPane1stView();

  // Toolbars, status bar and navigation toolbar of the frame, with their
  // row; they live with the frame's commands.
  void ArrangeToolBars();
  bool DestroyStatusBar();
  bool DestroyNavigationToolbar();

  // ---- Toolbars, status bar and the commands on the active 3D view ----
  bool Create3DViewModeToolbar();
  bool CreateCompositeViewToolbar();
  int CreateCameraPropertiesBar();
  bool CreateNavigationToolbar();
  int CreateStatusBar();
  // The string's text in the status bar, when the frame has one.
  void DisplayMessage(UINT stringId);
  // Docks bar just right of other, on other's side.
  void DockControlBarLeftOf(CToolBar* bar, CToolBar* other);
  void SetCameraMovingMode(UINT mode);
  void SetCameraShrinkFactor(float factor);
  // Passed on to the animation toolbar.
  void FillAnimationSetsCombo(CXFileDataList* world);
  void SetAnimationTime(CAnimationSet* set);
  CToolBar* Get3DViewsToolBar() { return &m_wnd3DViewsToolBar; }
  CToolBar* GetPanesToolBar() { return &m_wndPanesToolBar; }
  CCameraPropertiesToolBar* GetCameraPropertiesBar() { return &m_wndCameraPropertiesBar; }
  CAnimationToolBar* GetAnimationToolBar() { return &m_wndAnimationToolBar; }
  CStatusBar* GetStatusBar() const { return m_pStatusBar; }
  CToolBar* GetNavigationToolBar() const { return m_pNavigationToolBar; }

 protected:
  BOOL OnCreateClient(LPCREATESTRUCT create, CCreateContext* context) override;
  void OnChildActivated(BOOL activate) override;
  int OnCreate(LPCREATESTRUCT create);
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }

  // The pane commands.
  void OnToolsObjectsViewer();
  void OnToolsLightsManager();
  void OnToolsTasksViewer();
  void OnToolsReductionOptions();
  void OnUpdateToolPaneCommand(CCmdUI* cmdUI);
  void OnPanesResize() { ResizePanesShowAll(); }
  void OnPanesHideToolPane() { ResizePanesHideToolPane(); }
  void OnPanesHide3dPane() { ResizePanesHide3dPane(); }
  void OnUpdateAlwaysEnabled(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }
  void OnView1View();
  void OnView2Views();
  void OnView4Views();
  void OnUpdateView1View(CCmdUI* cmdUI);
  void OnUpdateView2Views(CCmdUI* cmdUI);
  void OnUpdateView4Views(CCmdUI* cmdUI);

  // ---- The bars' commands and the frame's messages ----
  void OnMove(int x, int y);
  void OnSize(UINT type, int cx, int cy);
  void OnViewBackView();
  void OnViewFrontView();
  void OnViewSideViewMinusX();
  void OnViewSideViewPlusX();
  void OnViewTopView();
  void OnViewBottomView();
  void OnView3dView();
  void OnUpdateViewAnyView(CCmdUI* cmdUI);
  void OnCameraUpDownMode();
  void OnCameraForwardBackwardMode();
  void OnUpdateCameraMode(CCmdUI* cmdUI);
  void OnViewWorldCage();
  void OnUpdateViewWorldCage(CCmdUI* cmdUI);
  void OnCommandAnimationPlay() { m_wndAnimationToolBar.OnCommandAnimationPlay(); }
  void OnCommandAnimationPause() { m_wndAnimationToolBar.OnCommandAnimationPause(); }
  void OnCommandAnimationStop() { m_wndAnimationToolBar.OnCommandAnimationStop(); }
  void OnView3DViewsToolbar() { ToggleBar(&m_wnd3DViewsToolBar); }
  void OnViewPanesToolbar() { ToggleBar(&m_wndPanesToolBar); }
  void OnViewCameraPropertiesToolbar() { ToggleBar(&m_wndCameraPropertiesBar); }
  void OnViewAnimationToolbar() { ToggleBar(&m_wndAnimationToolBar); }
  void OnUpdateView3DViewsToolbar(CCmdUI* cmdUI) { cmdUI->SetCheck(m_wnd3DViewsToolBar.IsWindowVisible()); }
  void OnUpdateViewPanesToolbar(CCmdUI* cmdUI) { cmdUI->SetCheck(m_wndPanesToolBar.IsWindowVisible()); }
  void OnUpdateViewCameraPropertiesToolbar(CCmdUI* cmdUI) {
    cmdUI->SetCheck(m_wndCameraPropertiesBar.IsWindowVisible());
  }
  void OnUpdateViewAnimationToolbar(CCmdUI* cmdUI) { cmdUI->SetCheck(m_wndAnimationToolBar.IsWindowVisible()); }

  DECLARE_MESSAGE_MAP()

 private:
  // Replaces the 3D pane with count views (1, 2 or 4).
  bool Change3DPane(int count);
  // Replaces the tool pane with one view of viewClass.
  bool CreateToolPaneView(CRuntimeClass* viewClass, EToolPaneView kind, const char* createFailed,
                          const char* initializeFailed);
  void Remove3DViewsFromDocument();
  // Replaces the tool pane with a nested splitter of one view a row.
  bool CreateToolPaneRows(EToolPaneView kind, CRuntimeClass* const* classes, int rows, const char* createFailed);
  // Replaces the view in row 1 of the reduction tool.
  bool CreateLowerReductionForm(CRuntimeClass* viewClass, const char* initializeFailed);

  CDXLeftRightCompositeSplitterWnd m_wndLeftRightSplitter;
  bool m_bSplittersCreated;
  CToolBar m_wnd3DViewsToolBar;
  CToolBar m_wndPanesToolBar;
  CDX3DSplitterWnd* m_p3DViewsSplitter;
  CDXFile3DView* m_pSingle3DView;
  E3DViewType m_e3DViewType;
  CView* m_pToolPaneView;
  CSplitterWnd* m_pToolPaneSplitter;
  EToolPaneView m_eToolPaneView;
  UINT m_nToolPaneCommand;
  CStatusBar* m_pStatusBar;
  CToolBar* m_pNavigationToolBar;
  CDXDoc* m_pDocument;

  // ---- Toolbars ----
  // Shows a bar when hidden, hides it when shown, and lines the bars up.
  void ToggleBar(CControlBar* bar);
  CCameraPropertiesToolBar m_wndCameraPropertiesBar;
  CAnimationToolBar m_wndAnimationToolBar;
};
