// The document splitter frame's toolbars, status bar and navigation toolbar,
// the commands on its active 3D view and its reactions to creation,
// activation, moves and sizes.
#include <dynamicworldboundaryframe.h>
#include <tracelog.h>
#include <xfiledatalist.h>

#include "dx_3d_splitter_wnd.h"
#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"

namespace {

const DWORD kToolBarStyle =
    WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC;

LONG WidthOf(const RECT& rect) { return rect.right - rect.left; }

}  // namespace

// Creation

int CDXSplitterFrame::OnCreate(LPCREATESTRUCT create) {
  if (CMDIChildWnd::OnCreate(create) == -1) return -1;
  EnableDocking(CBRS_ALIGN_ANY);
  if (!Create3DViewModeToolbar() || !CreateCameraPropertiesBar() || !CreateCompositeViewToolbar()) return -1;
  try {
    m_wndAnimationToolBar.Create(this, m_pDocument != NULL ? m_pDocument->GetWorldDataList() : NULL);
  } catch (const char* message) {
    WriteTrace(message);
    return -1;
  }
  ArrangeToolBars();
  Set3DViewsParentFrameCreationStatus(true);
  return 0;
}

// A toolbar of the frame from its toolbar resource, docked at the top.
static bool CreateFrameToolBar(CDXSplitterFrame* frame, CToolBar& bar, UINT resourceId, LPCSTR text) {
  if (!bar.CreateEx(frame, TBSTYLE_FLAT, kToolBarStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !bar.LoadToolBar(resourceId)) {
    return false;
  }
  bar.EnableDocking(CBRS_ALIGN_ANY);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(&bar);
  bar.SetWindowText(text);
  return true;
}

bool CDXSplitterFrame::Create3DViewModeToolbar() {
  return CreateFrameToolBar(this, m_wnd3DViewsToolBar, IDR_3DVIEWS_TOOLBAR, "3D views toolbar");
}

bool CDXSplitterFrame::CreateCompositeViewToolbar() {
  return CreateFrameToolBar(this, m_wndPanesToolBar, IDR_PANES_TOOLBAR, "Panes toolbar");
}

int CDXSplitterFrame::CreateCameraPropertiesBar() { return m_wndCameraPropertiesBar.Create(this); }

bool CDXSplitterFrame::CreateNavigationToolbar() {
  m_pNavigationToolBar = new CToolBar;
  return CreateFrameToolBar(this, *m_pNavigationToolBar, IDR_NAVIGATION_TOOLBAR, "Navigation Tool Bar");
}

int CDXSplitterFrame::CreateStatusBar() {
  m_pStatusBar = new CStatusBar;
  const UINT indicators[] = {ID_SEPARATOR};
  if (!m_pStatusBar->Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) return FALSE;
  return m_pStatusBar->SetIndicators(indicators, 1);
}

bool CDXSplitterFrame::DestroyStatusBar() {
  if (m_pStatusBar == NULL) return true;
  bool destroyed = m_pStatusBar->GetSafeHwnd() == NULL || m_pStatusBar->DestroyWindow();
  delete m_pStatusBar;
  m_pStatusBar = NULL;
  return destroyed;
}

bool CDXSplitterFrame::DestroyNavigationToolbar() {
  if (m_pNavigationToolBar == NULL) return true;
  bool destroyed = m_pNavigationToolBar->GetSafeHwnd() == NULL || m_pNavigationToolBar->DestroyWindow();
  delete m_pNavigationToolBar;
  m_pNavigationToolBar = NULL;
  return destroyed;
}

void CDXSplitterFrame::DisplayMessage(UINT stringId) {
  CString text;
  text.LoadString(stringId);
  if (m_pStatusBar != NULL) m_pStatusBar->SetPaneText(0, text);
}

// The row of toolbars

void CDXSplitterFrame::ArrangeToolBars() {
  CControlBar* embedded[] = {&m_wndAnimationToolBar, &m_wndCameraPropertiesBar, &m_wnd3DViewsToolBar,
                             &m_wndPanesToolBar};
  for (CControlBar* bar : embedded) {
    if (bar->GetSafeHwnd() == NULL) return;
  }
  if (m_pNavigationToolBar != NULL && m_pNavigationToolBar->GetSafeHwnd() == NULL) return;

  RecalcLayout(TRUE);
  // Left to right the row ends as navigation, panes, 3D views, camera
  // properties, animation: each bar docked at the left edge pushes the
  // bars docked before it to the right.
  CControlBar* order[] = {&m_wndAnimationToolBar, &m_wndCameraPropertiesBar, &m_wnd3DViewsToolBar,
                          &m_wndPanesToolBar, m_pNavigationToolBar};
  LONG widths[5] = {0, 0, 0, 0, 0};
  for (int index = 0; index < 5; ++index) {
    if (order[index] == NULL) continue;
    RECT rect;
    order[index]->GetWindowRect(&rect);
    widths[index] = WidthOf(rect);
  }
  RECT client;
  GetClientRect(&client);
  ClientToScreen(reinterpret_cast<LPPOINT>(&client.left));
  ClientToScreen(reinterpret_cast<LPPOINT>(&client.right));
  for (int index = 0; index < 5; ++index) {
    if (order[index] == NULL) continue;
    unsigned long rest = 0;
    for (int after = index + 1; after < 5; ++after) rest += static_cast<unsigned long>(widths[after]);
    if (rest > static_cast<unsigned long>(WidthOf(client))) continue;
    RECT rect;
    order[index]->GetWindowRect(&rect);
    LONG width = WidthOf(rect), height = rect.bottom - rect.top;
    rect = RECT{client.left, client.top, client.left + width, client.top + height};
    DockControlBar(order[index], AFX_IDW_DOCKBAR_TOP, &rect);
    RecalcLayout(TRUE);
  }
}

void CDXSplitterFrame::DockControlBarLeftOf(CToolBar* bar, CToolBar* other) {
  RecalcLayout(TRUE);
  RECT rect;
  other->GetWindowRect(&rect);
  rect.left += 1;
  rect.right += 1;
  DWORD style = other->GetBarStyle();
  UINT dockBar = (style & CBRS_ALIGN_TOP)      ? AFX_IDW_DOCKBAR_TOP
                 : (style & CBRS_ALIGN_BOTTOM) ? AFX_IDW_DOCKBAR_BOTTOM
                 : (style & CBRS_ALIGN_LEFT)   ? AFX_IDW_DOCKBAR_LEFT
                 : (style & CBRS_ALIGN_RIGHT)  ? AFX_IDW_DOCKBAR_RIGHT
                                               : 0;
  DockControlBar(bar, dockBar, &rect);
}

void CDXSplitterFrame::ToggleBar(CControlBar* bar) {
  ShowControlBar(bar, (bar->GetStyle() & WS_VISIBLE) == 0 || !bar->IsWindowVisible(), FALSE);
  ArrangeToolBars();
}

// Activation, moves and sizes

void CDXSplitterFrame::OnChildActivated(BOOL activate) {
  CDXMainFrame* main = GetMainFrame();
  if (main == NULL) return;
  if (!activate) {
    if (main->GetActiveSplitterFrame() == this) main->SetActiveSplitterFrame(NULL);
    return;
  }
  if (main->GetActiveSplitterFrame() != this) {
    main->SetActiveSplitterFrame(this);
    // The reduction toolbar of the main frame follows the document's method.
    if (m_pDocument != NULL) {
      bool progressive = m_pDocument->GetConfig()->dwReductionMethod == 0;
      if (progressive && !main->PMeshPolygonReductionToolBarCreated()) {
        main->CreatePMeshPolygonReductionToolbar();
      } else if (!progressive && main->PMeshPolygonReductionToolBarCreated()) {
        main->CreateCMeshPolygonReductionToolbar();
      }
    }
  }
  if (CDXFile3DView* view = GetActive3DView()) SetActivePane(view);
}

void CDXSplitterFrame::OnMove(int x, int y) {
  CMDIChildWnd::OnMove(x, y);
  if (!m_bSplittersCreated) return;
  if (m_e3DViewType == eTwoViews || m_e3DViewType == eFourViews) {
    if (m_p3DViewsSplitter != NULL) m_p3DViewsSplitter->MoveViews();
  } else if (m_e3DViewType == eOneView && m_pSingle3DView != NULL) {
    m_pSingle3DView->Move();
  }
}

void CDXSplitterFrame::OnSize(UINT type, int cx, int cy) {
  CMDIChildWnd::OnSize(type, cx, cy);
  if (GetSafeHwnd() != NULL) ArrangeToolBars();
}

// Commands on the active 3D view

void CDXSplitterFrame::OnViewBackView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewBackView();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnViewFrontView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewFrontView();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnViewSideViewMinusX() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewSideViewMinusX();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnViewSideViewPlusX() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewSideViewPlusX();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnViewTopView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewTopView();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnViewBottomView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->ViewBottomView();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnView3dView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->View3dView();
    SetFocusOnActive3DView();
  }
}

void CDXSplitterFrame::OnUpdateViewAnyView(CCmdUI* cmdUI) {
  if (CDXFile3DView* view = GetActive3DView()) view->UpdateViewAnyView(cmdUI);
}

void CDXSplitterFrame::SetCameraMovingMode(UINT mode) {
  CDXFile3DView* view = GetActive3DView();
  if (view == NULL) return;
  view->SetCameraMovingMode(mode);
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::OnCameraUpDownMode() { SetCameraMovingMode(ID_CAMERA_UP_DOWN_MODE); }

void CDXSplitterFrame::OnCameraForwardBackwardMode() { SetCameraMovingMode(ID_CAMERA_FORWARD_BACKWARD_MODE); }

void CDXSplitterFrame::OnUpdateCameraMode(CCmdUI* cmdUI) {
  CDXFile3DView* view = GetActive3DView();
  if (view == NULL || view->GetCamera() == NULL) {
    cmdUI->Enable(FALSE);
    return;
  }
  cmdUI->Enable(TRUE);
  cmdUI->SetCheck(view->GetCameraMovingMode() == cmdUI->m_nID);
}

void CDXSplitterFrame::SetCameraShrinkFactor(float factor) {
  if (CDXFile3DView* view = GetActive3DView()) view->SetCameraShrinkFactor(factor);
}

// The world cage of the document's world, shown or hidden.
void CDXSplitterFrame::OnViewWorldCage() {
  CDynamicWorldBoundaryFrame* boundary =
      m_pDocument != NULL ? m_pDocument->GetWorldDataList()->GetWorldBoundaryFrame() : NULL;
  if (boundary == NULL) return;
  if (boundary->WorldBoundaryIsVisible()) {
    boundary->HideWorldBoundary();
    return;
  }
  try {
    if (!boundary->ShowWorldBoundary()) WriteTrace("\nError: The world cage could not be shown.");
  } catch (const char* message) {
    WriteTrace(message);
    boundary->HideWorldBoundary();
  }
}

void CDXSplitterFrame::OnUpdateViewWorldCage(CCmdUI* cmdUI) {
  CDynamicWorldBoundaryFrame* boundary =
      m_pDocument != NULL ? m_pDocument->GetWorldDataList()->GetWorldBoundaryFrame() : NULL;
  cmdUI->SetCheck(boundary != NULL && boundary->WorldBoundaryIsVisible());
}

// Animation

void CDXSplitterFrame::FillAnimationSetsCombo(CXFileDataList* world) { m_wndAnimationToolBar.FillAnimationSetsCombo(world); }

void CDXSplitterFrame::SetAnimationTime(CAnimationSet* set) { m_wndAnimationToolBar.SetAnimationTime(set); }
