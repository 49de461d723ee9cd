#include "dx_splitter_frame.h"

#include <cameraframe.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>

#include "dx_3d_splitter_wnd.h"
#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "main_frame.h"
#include "resource.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_DYNCREATE(CDXSplitterFrame, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CDXSplitterFrame, CMDIChildWnd)
ON_WM_CREATE()
ON_WM_ERASEBKGND()
ON_COMMAND(ID_TOOLS_OBJECTS_VIEWER, OnToolsObjectsViewer)
ON_UPDATE_COMMAND_UI(ID_TOOLS_OBJECTS_VIEWER, OnUpdateToolPaneCommand)
ON_COMMAND(ID_TOOLS_LIGHTS_MANAGER, OnToolsLightsManager)
ON_UPDATE_COMMAND_UI(ID_TOOLS_LIGHTS_MANAGER, OnUpdateToolPaneCommand)
ON_COMMAND(ID_TOOLS_TASKS_VIEWER, OnToolsTasksViewer)
ON_UPDATE_COMMAND_UI(ID_TOOLS_TASKS_VIEWER, OnUpdateToolPaneCommand)
ON_COMMAND(ID_TOOLS_REDUCTION_OPTIONS, OnToolsReductionOptions)
ON_UPDATE_COMMAND_UI(ID_TOOLS_REDUCTION_OPTIONS, OnUpdateToolPaneCommand)
ON_COMMAND(ID_PANES_RESIZE, OnPanesResize)
ON_UPDATE_COMMAND_UI(ID_PANES_RESIZE, OnUpdateAlwaysEnabled)
ON_COMMAND(ID_PANES_HIDE_TOOL_PANE, OnPanesHideToolPane)
ON_UPDATE_COMMAND_UI(ID_PANES_HIDE_TOOL_PANE, OnUpdateAlwaysEnabled)
ON_COMMAND(ID_PANES_HIDE_3D_PANE, OnPanesHide3dPane)
ON_UPDATE_COMMAND_UI(ID_PANES_HIDE_3D_PANE, OnUpdateAlwaysEnabled)
ON_COMMAND(ID_VIEW_1VIEW, OnView1View)
ON_UPDATE_COMMAND_UI(ID_VIEW_1VIEW, OnUpdateView1View)
ON_COMMAND(ID_VIEW_2VIEWS, OnView2Views)
ON_UPDATE_COMMAND_UI(ID_VIEW_2VIEWS, OnUpdateView2Views)
ON_COMMAND(ID_VIEW_4VIEWS, OnView4Views)
ON_UPDATE_COMMAND_UI(ID_VIEW_4VIEWS, OnUpdateView4Views)
// The bars' commands (dx_splitter_frame_bars.cpp).
ON_WM_MOVE()
ON_WM_SIZE()
ON_COMMAND(ID_VIEW_BACK_VIEW, OnViewBackView)
ON_COMMAND(ID_VIEW_FRONT_VIEW, OnViewFrontView)
ON_COMMAND(ID_VIEW_SIDE_VIEW_MINUS_X, OnViewSideViewMinusX)
ON_COMMAND(ID_VIEW_SIDE_VIEW_PLUS_X, OnViewSideViewPlusX)
ON_COMMAND(ID_VIEW_TOP_VIEW, OnViewTopView)
ON_COMMAND(ID_VIEW_BOTTOM_VIEW, OnViewBottomView)
ON_COMMAND(ID_VIEW_3D_VIEW, OnView3dView)
ON_UPDATE_COMMAND_UI(ID_VIEW_BACK_VIEW, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_FRONT_VIEW, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_SIDE_VIEW_MINUS_X, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_SIDE_VIEW_PLUS_X, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_TOP_VIEW, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_BOTTOM_VIEW, OnUpdateViewAnyView)
ON_UPDATE_COMMAND_UI(ID_VIEW_3D_VIEW, OnUpdateViewAnyView)
ON_COMMAND(ID_CAMERA_UP_DOWN_MODE, OnCameraUpDownMode)
ON_UPDATE_COMMAND_UI(ID_CAMERA_UP_DOWN_MODE, OnUpdateCameraMode)
ON_COMMAND(ID_CAMERA_FORWARD_BACKWARD_MODE, OnCameraForwardBackwardMode)
ON_UPDATE_COMMAND_UI(ID_CAMERA_FORWARD_BACKWARD_MODE, OnUpdateCameraMode)
ON_COMMAND(ID_VIEW_WORLD_CAGE, OnViewWorldCage)
ON_UPDATE_COMMAND_UI(ID_VIEW_WORLD_CAGE, OnUpdateViewWorldCage)
ON_COMMAND(ID_ANIMATION_PLAY, OnCommandAnimationPlay)
ON_COMMAND(ID_ANIMATION_PAUSE, OnCommandAnimationPause)
ON_COMMAND(ID_ANIMATION_STOP, OnCommandAnimationStop)
ON_COMMAND(ID_VIEW_3DVIEW_MODE_TOOLBAR, OnView3DViewsToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_3DVIEW_MODE_TOOLBAR, OnUpdateView3DViewsToolbar)
ON_COMMAND(ID_VIEW_PANES_TOOLBAR, OnViewPanesToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_PANES_TOOLBAR, OnUpdateViewPanesToolbar)
ON_COMMAND(ID_VIEW_CAMERA_PROPERTIES_TOOLBAR, OnViewCameraPropertiesToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_CAMERA_PROPERTIES_TOOLBAR, OnUpdateViewCameraPropertiesToolbar)
ON_COMMAND(ID_VIEW_ANIMATION_TOOLBAR, OnViewAnimationToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_ANIMATION_TOOLBAR, OnUpdateViewAnimationToolbar)
END_MESSAGE_MAP()

namespace {

// The window that stands in the tool pane while no tool view class is
// known: an empty pane.
class CEmptyPaneView : public CView {
  DECLARE_DYNCREATE(CEmptyPaneView)
};
IMPLEMENT_DYNCREATE(CEmptyPaneView, CView)

// The view classes of the tools, as the libraries' forms register them.
CRuntimeClass* g_toolPaneClasses[CDXSplitterFrame::eToolReduction + 1][3] = {};

bool DeviceReady() { return g_pWindowedDevice != NULL && g_pWindowedDevice->IsReady(); }

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// A camera's placement and view mode, kept across a change of layout.
struct SKeptCamera {
  bool kept = false;
  D3DXMATRIX matrix;
  UINT mode = 0;

  void Keep(CDXFile3DView* view) {
    if (view == NULL || view->GetCamera() == NULL) return;
    matrix = view->GetCamera()->GetTransformMatrix(false);
    mode = view->GetViewMode();
    kept = true;
  }
  // Puts the placement back, or the standard view when none was kept.
  void Give(CDXFile3DView* view, void (CDXFile3DView::*standard)()) const {
    if (view == NULL) return;
    if (kept && view->GetCamera() != NULL) {
      D3DXMATRIX copy = matrix;
      view->GetCamera()->SetTransformMatrix(&copy, true, false);
      view->SetViewMode(mode);
    } else {
      (view->*standard)();
    }
  }
};

}  // namespace

void CDXSplitterFrame::SetToolPaneViewClasses(EToolPaneView kind, CRuntimeClass* first, CRuntimeClass* second,
                                              CRuntimeClass* third) {
  if (kind <= eToolNone || kind > eToolReduction) return;
  g_toolPaneClasses[kind][0] = first;
  g_toolPaneClasses[kind][1] = second;
  g_toolPaneClasses[kind][2] = third;
}

CRuntimeClass* CDXSplitterFrame::GetToolPaneViewClass(EToolPaneView kind, int index) {
  if (kind <= eToolNone || kind > eToolReduction || index < 0 || index > 2) return NULL;
  return g_toolPaneClasses[kind][index];
}

CDXSplitterFrame::CDXSplitterFrame() { ClearContent(); }

CDXSplitterFrame::~CDXSplitterFrame() {
  CDXMainFrame* main = GetMainFrame();
  if (main != NULL && main->GetActiveSplitterFrame() == this) main->SetActiveSplitterFrame(NULL);
  DestroyContent();
}

void CDXSplitterFrame::ClearContent() {
  m_bSplittersCreated = false;
  m_p3DViewsSplitter = NULL;
  m_pSingle3DView = NULL;
  m_e3DViewType = eNoView;
  m_pToolPaneView = NULL;
  m_pToolPaneSplitter = NULL;
  m_eToolPaneView = eToolNone;
  m_nToolPaneCommand = ID_TOOLS_OBJECTS_VIEWER;
  m_pStatusBar = NULL;
  m_pNavigationToolBar = NULL;
  m_pDocument = NULL;
}

void CDXSplitterFrame::DestroyContent() {
  m_bSplittersCreated = false;
  if (m_p3DViewsSplitter != NULL) {
    if (m_p3DViewsSplitter->GetSafeHwnd() != NULL) m_p3DViewsSplitter->DestroyWindow();
    delete m_p3DViewsSplitter;
    m_p3DViewsSplitter = NULL;
  }
  if (m_pToolPaneSplitter != NULL) {
    if (m_pToolPaneSplitter->GetSafeHwnd() != NULL) m_pToolPaneSplitter->DestroyWindow();
    delete m_pToolPaneSplitter;
    m_pToolPaneSplitter = NULL;
  }
  DestroyStatusBar();
  DestroyNavigationToolbar();
  ClearContent();
}

BOOL CDXSplitterFrame::PreCreateWindow(CREATESTRUCT& create) {
  // The framework registers the class at the window's creation.
  create.lpszClass = "DXSplitterFrameClass";
  return CMDIChildWnd::PreCreateWindow(create);
}

BOOL CDXSplitterFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (context == NULL) return FALSE;
  m_pDocument = DYNAMIC_DOWNCAST(CDXDoc, context->m_pCurrentDoc);
  if (m_pDocument != NULL) m_pDocument->SetSplitterFrame(this);
  if (!m_wndLeftRightSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
  CRuntimeClass* toolClass = g_toolPaneClasses[eToolSceneTree][0];
  if (!m_wndLeftRightSplitter.CreateView(0, 0, toolClass != NULL ? toolClass : RUNTIME_CLASS(CEmptyPaneView),
                                         SIZE{0, 0}, context) ||
      !m_wndLeftRightSplitter.CreateView(0, 1, context->m_pNewViewClass, SIZE{0, 0}, context)) {
    return FALSE;
  }
  m_pSingle3DView = DYNAMIC_DOWNCAST(CDXFile3DView, m_wndLeftRightSplitter.GetPane(0, 1));
  if (m_pSingle3DView != NULL) m_pSingle3DView->Set3DViewParentFrame(this);
  m_pToolPaneView = DYNAMIC_DOWNCAST(CView, m_wndLeftRightSplitter.GetPane(0, 0));
  m_eToolPaneView = eToolSceneTree;
  m_e3DViewType = eOneView;
  m_bSplittersCreated = true;
  ResizePanesShowAll();
  return TRUE;
}

BOOL CDXSplitterFrame::DestroyWindow() {
  if (m_pDocument != NULL) m_pDocument->KillThreads();
  if (m_bSplittersCreated) Remove3DViewsFromDocument();
  return CMDIChildWnd::DestroyWindow();
}

void CDXSplitterFrame::Remove3DViewsFromDocument() {
  if (m_pDocument == NULL) return;
  CDXFile3DView* views[4];
  const int count = Get3DViews(views);
  for (int at = 0; at < count; ++at) m_pDocument->RemoveView(views[at]);
}

int CDXSplitterFrame::Get3DViews(CDXFile3DView* views[4]) const {
  int count = 0;
  if (m_e3DViewType == eOneView && m_pSingle3DView != NULL) {
    views[count++] = m_pSingle3DView;
  } else if (m_p3DViewsSplitter != NULL) {
    for (int row = 0; row < m_p3DViewsSplitter->GetRowCount(); ++row) {
      for (int column = 0; column < m_p3DViewsSplitter->GetColumnCount(); ++column) {
        if (CDXFile3DView* view = m_p3DViewsSplitter->Get3DView(row, column)) views[count++] = view;
      }
    }
  }
  return count;
}

// ---------------------------------------------------------------------------
// Pane sizes

float CDXSplitterFrame::ComputeToolPaneWidthRatio() {
  float ratio = 0.2f;
  RECT client;
  GetClientRect(&client);
  if (Width(client) == 0) return ratio;
  RECT measured;
  switch (m_eToolPaneView) {
    case eToolLightsForm:
      if (ComputeDialogResourceClientRect(162, measured)) ratio = static_cast<float>(Width(measured)) / Width(client);
      break;
    case eToolReduction:
      if (ComputeDialogResourceClientRect(209, measured)) ratio = static_cast<float>(Width(measured)) / Width(client);
      break;
    case eToolTasks:
      if (ComputeDialogResourceClientRect(184, measured)) ratio = static_cast<float>(Width(measured)) / Width(client);
      break;
    default:
      break;
  }
  return std::min(ratio, 1.0f);
}

float CDXSplitterFrame::ComputeThreadFormHightRatio() {
  float ratio = 1.0f / 3.0f;
  RECT client;
  GetClientRect(&client);
  if (Height(client) == 0) return ratio;
  RECT measured;
  if (ComputeDialogResourceClientRect(184, measured)) ratio = static_cast<float>(Height(measured)) / Height(client);
  return std::min(ratio, 1.0f);
}

float CDXSplitterFrame::ComputeReductionMethodsFormHightRatio() {
  float ratio = 1.0f / 3.0f;
  RECT client;
  GetClientRect(&client);
  if (Height(client) == 0) return ratio;
  RECT measured;
  if (ComputeDialogResourceClientRect(209, measured)) ratio = static_cast<float>(Height(measured)) / Height(client);
  return std::min(ratio, 1.0f);
}

bool CDXSplitterFrame::ComputeDialogResourceClientRect(UINT templateId, RECT& rect) {
  const AfxDialogTemplate* dialog = AfxFindDialog(templateId);
  if (dialog == NULL) {
    DEBUG_TRACE("\nWarning: Failed to create a temporary dialog  in CDXSplitterFrame::ComputeDialogResourceClientRect()");
    return false;
  }
  rect = RECT{0, 0, AfxDialogUnitsToPixelsX(dialog->cx), AfxDialogUnitsToPixelsY(dialog->cy)};
  return true;
}

void CDXSplitterFrame::ResizePanesShowAll() {
  if (!m_bSplittersCreated) return;
  const float ratio = ComputeToolPaneWidthRatio();
  RECT client;
  GetClientRect(&client);
  const int width = Width(client), height = Height(client);
  m_wndLeftRightSplitter.SetColumnInfo(0, static_cast<int>(width * ratio), 0);
  m_wndLeftRightSplitter.SetColumnInfo(1, static_cast<int>(width * (1.0f - ratio)), 0);
  m_wndLeftRightSplitter.SetRowInfo(0, height, 0);
  m_wndLeftRightSplitter.RecalcLayout();
  if (m_eToolPaneView == eToolTasks) ResizeThreadPanes();
  else if (m_eToolPaneView == eToolReduction) ResizeReductionPanes();
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::ResizePanesHideToolPane() {
  if (!m_bSplittersCreated) return;
  RECT client;
  GetClientRect(&client);
  m_wndLeftRightSplitter.SetColumnInfo(0, Width(client) * 0 / 10, 0);
  m_wndLeftRightSplitter.SetColumnInfo(1, Width(client) * 10 / 10, 0);
  m_wndLeftRightSplitter.SetRowInfo(0, Height(client), 0);
  m_wndLeftRightSplitter.RecalcLayout();
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::ResizePanesHide3dPane() {
  if (!m_bSplittersCreated) return;
  RECT client;
  GetClientRect(&client);
  m_wndLeftRightSplitter.SetColumnInfo(0, Width(client), 0);
  m_wndLeftRightSplitter.SetColumnInfo(1, 0, 0);
  m_wndLeftRightSplitter.SetRowInfo(0, Height(client), 0);
  m_wndLeftRightSplitter.RecalcLayout();
  if (m_eToolPaneView == eToolTasks) ResizeThreadPanes();
  SetFocusOnToolPane1stView();
}

void CDXSplitterFrame::ResizeThreadPanes() {
  if (!m_bSplittersCreated || m_pToolPaneSplitter == NULL) return;
  const float ratio = ComputeThreadFormHightRatio();
  RECT client;
  GetClientRect(&client);
  const float height = static_cast<float>(Height(client));
  m_pToolPaneSplitter->SetRowInfo(0, static_cast<int>(height * ratio), 0);
  m_pToolPaneSplitter->SetRowInfo(1, static_cast<int>(height * ((1.0f - ratio) * 4.0f / 5.0f)), 0);
  m_pToolPaneSplitter->SetRowInfo(2, static_cast<int>(height * ((1.0f - ratio) * 1.0f / 5.0f)), 0);
  m_pToolPaneSplitter->RecalcLayout();
}

void CDXSplitterFrame::ResizeReductionPanes() {
  if (!m_bSplittersCreated || m_pToolPaneSplitter == NULL) return;
  const float ratio = ComputeReductionMethodsFormHightRatio();
  RECT client;
  GetClientRect(&client);
  const float height = static_cast<float>(Height(client));
  m_pToolPaneSplitter->SetRowInfo(0, static_cast<int>(height * ratio), 0);
  m_pToolPaneSplitter->SetRowInfo(1, static_cast<int>(height * (1.0f - ratio)), 0);
  m_pToolPaneSplitter->RecalcLayout();
}

// ---------------------------------------------------------------------------
// The 3D pane

bool CDXSplitterFrame::CreateOneView2() { return Change3DPane(1); }
bool CDXSplitterFrame::Create2Views() { return Change3DPane(2); }
bool CDXSplitterFrame::Create4Views2() { return Change3DPane(4); }

bool CDXSplitterFrame::Change3DPane(int count) {
  const E3DViewType old = m_e3DViewType;
  m_e3DViewType = eNoView;
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(CDXFile3DView);
  context.m_pCurrentDoc = GetActiveDocument() != NULL ? GetActiveDocument() : m_pDocument;
  context.m_pCurrentFrame = this;

  // Sizes of the new panes: those of what the 3D pane shows now.
  RECT area{0, 0, 0, 0};
  if (old == eOneView && m_pSingle3DView != NULL) m_pSingle3DView->GetClientRect(&area);
  else if (m_p3DViewsSplitter != NULL) m_p3DViewsSplitter->GetClientRect(&area);
  const int w0 = Width(area) / 2, w1 = Width(area) - w0, h0 = Height(area) / 2, h1 = Height(area) - h0;

  // The cameras of the views that stay in place.
  SKeptCamera a, b;
  if (old == eOneView) {
    if (count != 1) a.Keep(m_pSingle3DView);
  } else if (m_p3DViewsSplitter != NULL) {
    a.Keep(m_p3DViewsSplitter->Get3DView(0, 0));
    if (count != 1 && m_p3DViewsSplitter->GetColumnCount() > 1) b.Keep(m_p3DViewsSplitter->Get3DView(0, 1));
  }

  // Remove the old views.
  if (old == eOneView) {
    if (m_pSingle3DView != NULL && m_pDocument != NULL) m_pDocument->RemoveView(m_pSingle3DView);
    m_wndLeftRightSplitter.DeleteView(0, 1);
    m_pSingle3DView = NULL;
  } else if (m_p3DViewsSplitter != NULL) {
    Remove3DViewsFromDocument();
    if (m_p3DViewsSplitter->GetSafeHwnd() != NULL) m_p3DViewsSplitter->DestroyWindow();
    delete m_p3DViewsSplitter;
    m_p3DViewsSplitter = NULL;
  }

  bool result = true;
  try {
    if (count == 1) {
      if (!m_wndLeftRightSplitter.CreateView(0, 1, RUNTIME_CLASS(CDXFile3DView), SIZE{0, 0}, &context)) return false;
      m_pSingle3DView = DYNAMIC_DOWNCAST(CDXFile3DView, m_wndLeftRightSplitter.GetPane(0, 1));
      m_e3DViewType = eOneView;
      SetActiveView(m_pSingle3DView);
      m_wndLeftRightSplitter.RecalcLayout();
      m_pSingle3DView->Set3DViewParentFrame(this);
      if (!m_pSingle3DView->Initialize()) throw "Error: Failed to initialize a view in CDXSplitterFrame::CreateOneView().";
      m_pSingle3DView->ShowWindow(SW_SHOW);
      m_pSingle3DView->SetParentFrameCreationStatus(true);
      a.Give(m_pSingle3DView, &CDXFile3DView::View3dView);
      return true;
    }
    auto* splitter = new CDX3DSplitterWnd;
    const int rows = count == 4 ? 2 : 1;
    if (!splitter->CreateStatic(&m_wndLeftRightSplitter, rows, 2, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                static_cast<UINT>(m_wndLeftRightSplitter.IdFromRowCol(0, 1)))) {
      delete splitter;
      throw "\nInfo: Failed to Create the static splitter.";
    }
    m_p3DViewsSplitter = splitter;
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < 2; ++column) {
        splitter->CreateView(row, column, RUNTIME_CLASS(CDXFile3DView), SIZE{0, 0}, &context);
      }
    }
    splitter->SetColumnInfo(0, w0, 0);
    splitter->SetColumnInfo(1, w1, 0);
    if (rows == 2) {
      splitter->SetRowInfo(0, h0, 0);
      splitter->SetRowInfo(1, h1, 0);
    } else {
      splitter->SetRowInfo(0, Height(area), 0);
    }
    m_wndLeftRightSplitter.RecalcLayout();
    splitter->RecalcLayout();
    bool initialized = true;
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < 2; ++column) {
        CDXFile3DView* view = splitter->Get3DView(row, column);
        if (view == NULL) {
          initialized = false;
          continue;
        }
        view->Set3DViewParentFrame(this);
        if (!view->Initialize()) initialized = false;
      }
    }
    a.Give(splitter->Get3DView(0, 0), &CDXFile3DView::View3dView);
    b.Give(splitter->Get3DView(0, 1), count == 4 ? &CDXFile3DView::ViewTopView : &CDXFile3DView::ViewSideViewPlusX);
    if (rows == 2) {
      if (CDXFile3DView* view = splitter->Get3DView(1, 0)) view->ViewSideViewPlusX();
      if (CDXFile3DView* view = splitter->Get3DView(1, 1)) view->ViewBottomView();
    }
    if (!initialized) throw "Error: Failed to initialize a view in CDXSplitterFrame::Create2Views().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    result = false;
  }
  if (m_p3DViewsSplitter != NULL) {
    if (CDXFile3DView* first = m_p3DViewsSplitter->Get3DView(0, 0)) SetActiveView(first);
    m_p3DViewsSplitter->SetViewsParentFrameCreationStatus(true);
    m_e3DViewType = count == 4 ? eFourViews : eTwoViews;
  }
  return result;
}

CDXFile3DView* CDXSplitterFrame::GetActive3DView() {
  if (m_e3DViewType == eOneView) return m_pSingle3DView;
  if (auto* active = DYNAMIC_DOWNCAST(CDXFile3DView, GetActiveView())) return active;
  if ((m_e3DViewType == eTwoViews || m_e3DViewType == eFourViews) && m_p3DViewsSplitter != NULL) {
    return m_p3DViewsSplitter->Get3DView(0, 0);
  }
  return NULL;
}

CDXFile3DView* CDXSplitterFrame::GetNext3DView(CDXFile3DView* view) {
  if (m_e3DViewType == eOneView) return m_pSingle3DView;
  if (m_p3DViewsSplitter == NULL) return view;
  CDXFile3DView* views[4];
  const int count = Get3DViews(views);
  for (int at = 0; at < count; ++at) {
    if (views[at] == view) return views[(at + 1) % count];
  }
  return view;
}

void CDXSplitterFrame::SetActivePane(CDXFile3DView* view) {
  if (view == NULL) return;
  if (m_e3DViewType == eOneView && view == m_pSingle3DView) {
    m_wndLeftRightSplitter.SetActivePane(0, 1);
  } else if ((m_e3DViewType == eTwoViews || m_e3DViewType == eFourViews) && m_p3DViewsSplitter != NULL) {
    m_p3DViewsSplitter->SetActivePane(0, 0, view);
  }
}

void CDXSplitterFrame::SetFocusOnActive3DView() {
  if (CDXFile3DView* view = GetActive3DView()) {
    view->SetFocus();
    SetActivePane(view);
  }
}

void CDXSplitterFrame::Set3DViewsParentFrameCreationStatus(bool created) {
  if (m_e3DViewType == eOneView && m_pSingle3DView != NULL) m_pSingle3DView->SetParentFrameCreationStatus(created);
  else if (m_p3DViewsSplitter != NULL) m_p3DViewsSplitter->SetViewsParentFrameCreationStatus(created);
}

// ---------------------------------------------------------------------------
// The tool pane

bool CDXSplitterFrame::CreateToolPaneView(CRuntimeClass* viewClass, EToolPaneView kind, const char* createFailed,
                                          const char* initializeFailed) {
  try {
    CDocument* document = GetActiveDocument() != NULL ? GetActiveDocument() : m_pDocument;
    DestroyToolPaneView();
    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    context.m_pCurrentDoc = document;
    context.m_pCurrentFrame = this;
    if (viewClass == NULL || !m_wndLeftRightSplitter.CreateView(0, 0, viewClass, SIZE{0, 0}, &context)) {
      throw createFailed;
    }
    m_pToolPaneView = DYNAMIC_DOWNCAST(CView, m_wndLeftRightSplitter.GetPane(0, 0));
    m_eToolPaneView = kind;
    SetActiveView(m_pToolPaneView);
    if (m_pToolPaneView == NULL) throw initializeFailed;
    m_pToolPaneView->OnInitialUpdate();
    ResizePanesShowAll();
    m_pToolPaneView->ShowWindow(SW_SHOW);
    ArrangeToolBars();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyToolPaneView();
    return false;
  }
  return true;
}

bool CDXSplitterFrame::CreateTreeView() {
  return CreateToolPaneView(g_toolPaneClasses[eToolSceneTree][0], eToolSceneTree,
                            "Error: CreateView() failed in CDXSplitterFrame::CreateTreeView().",
                            "Error: Failed to initialize a tree view in CDXSplitterFrame::CreateTreeView()");
}

bool CDXSplitterFrame::CreateLightsFormView() {
  return CreateToolPaneView(g_toolPaneClasses[eToolLightsForm][0], eToolLightsForm,
                            "Error: CreateView() failed in CDXSplitterFrame::CreateLightsFormView().",
                            "Error: Failed to initialize a lights form view in CDXSplitterFrame::CreateLightsFormView()");
}

bool CDXSplitterFrame::CreateReductionOptionsFormView() {
  return CreateToolPaneView(g_toolPaneClasses[eToolReduction][0], eToolReduction,
                            "Error: CreateView() failed in CDXSplitterFrame::CreateReductionOptionsFormView().",
                            "Error: Failed to initialize the reduction options form view in "
                            "CDXSplitterFrame::CreateReductionOptionsFormView()");
}

bool CDXSplitterFrame::CreateToolPaneRows(EToolPaneView kind, CRuntimeClass* const* classes, int rows,
                                          const char* createFailed) {
  ResizePanesShowAll();
  RECT pane{0, 0, 0, 0};
  if (CWnd* current = m_wndLeftRightSplitter.GetPane(0, 0)) current->GetClientRect(&pane);
  DestroyToolPaneView();
  auto* splitter = new CSplitterWnd;
  bool result = true;
  try {
    if (!splitter->CreateStatic(&m_wndLeftRightSplitter, rows, 1, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                static_cast<UINT>(m_wndLeftRightSplitter.IdFromRowCol(0, 0)))) {
      throw "\nInfo: Failed to Create the static splitter.";
    }
    CCreateContext context;
    context.m_pCurrentDoc = GetActiveDocument() != NULL ? GetActiveDocument() : m_pDocument;
    context.m_pCurrentFrame = this;
    splitter->SetColumnInfo(0, Width(pane), 0);
    for (int row = 0; row < rows; ++row) {
      context.m_pNewViewClass = classes[row];
      if (classes[row] == NULL || !splitter->CreateView(row, 0, classes[row], SIZE{0, 0}, &context)) throw createFailed;
      splitter->SetRowInfo(row, Height(pane) / rows, 0);
    }
    m_wndLeftRightSplitter.RecalcLayout();
    m_eToolPaneView = kind;
    m_pToolPaneSplitter = splitter;
    // The reduction tool's methods form sets up its lower form itself.
    const int initialized = kind == eToolReduction ? 1 : rows;
    for (int row = 0; row < initialized; ++row) {
      if (auto* view = DYNAMIC_DOWNCAST(CView, splitter->GetPane(row, 0))) view->OnInitialUpdate();
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    result = false;
  }
  m_eToolPaneView = kind;
  m_pToolPaneSplitter = splitter;
  if (auto* first = DYNAMIC_DOWNCAST(CView, splitter->GetPane(0, 0))) SetActiveView(first);
  ResizePanesShowAll();
  ArrangeToolBars();
  return result;
}

bool CDXSplitterFrame::CreateThreadViews() {
  return CreateToolPaneRows(eToolTasks, g_toolPaneClasses[eToolTasks], 3,
                            "Error: CreateView() failed in CDXSplitterFrame::CreateThreadViews().");
}

bool CDXSplitterFrame::CreateReductionOptionsViews() {
  CRuntimeClass* const* forms = g_toolPaneClasses[eToolReduction];
  const bool progressive = m_pDocument == NULL || m_pDocument->GetConfig()->dwReductionMethod == 0;
  CRuntimeClass* rows[2] = {forms[0], progressive ? forms[1] : forms[2]};
  return CreateToolPaneRows(eToolReduction, rows, 2, "Error: CreateView() failed.");
}

bool CDXSplitterFrame::CreateLowerReductionForm(CRuntimeClass* viewClass, const char* initializeFailed) {
  if (m_pToolPaneSplitter == NULL || viewClass == NULL) return false;
  try {
    m_pToolPaneSplitter->DeleteView(1, 0);
    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    context.m_pCurrentDoc = GetActiveDocument() != NULL ? GetActiveDocument() : m_pDocument;
    context.m_pCurrentFrame = this;
    if (!m_pToolPaneSplitter->CreateView(1, 0, viewClass, SIZE{0, 0}, &context)) throw "Error: CreateView() failed.";
    m_pToolPaneSplitter->RecalcLayout();
    auto* view = DYNAMIC_DOWNCAST(CView, m_pToolPaneSplitter->GetPane(1, 0));
    if (view == NULL) throw initializeFailed;
    view->OnInitialUpdate();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CDXSplitterFrame::CreatePMeshOptionsFormView() {
  return CreateLowerReductionForm(g_toolPaneClasses[eToolReduction][1], "Error: Failed to initialize a CPMeshOptionsFormView.");
}

bool CDXSplitterFrame::CreateCMeshOptionsFormView() {
  return CreateLowerReductionForm(g_toolPaneClasses[eToolReduction][2], "Error: Failed to initialize a CCMeshOptionsFormView.");
}

bool CDXSplitterFrame::DestroyToolPaneView() {
  if (m_eToolPaneView == eToolSceneTree || m_eToolPaneView == eToolLightsForm) {
    m_wndLeftRightSplitter.DeleteView(0, 0);
    m_pToolPaneView = NULL;
  } else if (m_eToolPaneView == eToolTasks || m_eToolPaneView == eToolReduction) {
    if (m_pToolPaneSplitter != NULL) {
      if (m_pToolPaneSplitter->GetSafeHwnd() != NULL && !m_pToolPaneSplitter->DestroyWindow()) {
        DEBUG_TRACE("\nError: CWnd::DestroyWindow failed in CDXSplitterFrame::DestroyToolPaneView().");
      }
      delete m_pToolPaneSplitter;
      m_pToolPaneSplitter = NULL;
    }
  } else if (m_pToolPaneView != NULL) {
    m_wndLeftRightSplitter.DeleteView(0, 0);
    m_pToolPaneView = NULL;
  }
  m_eToolPaneView = eToolNone;
  const bool statusBar = DestroyStatusBar();
  const bool navigation = DestroyNavigationToolbar();
  return statusBar && navigation;
}

void CDXSplitterFrame::DisplayWorldThreadsManager() {
  if (m_eToolPaneView != eToolTasks) {
    m_nToolPaneCommand = ID_TOOLS_TASKS_VIEWER;
    CreateThreadViews();
  }
  ResizePanesShowAll();
}

void CDXSplitterFrame::DisplayReductionManager() {
  if (m_eToolPaneView != eToolReduction) {
    m_nToolPaneCommand = ID_TOOLS_REDUCTION_OPTIONS;
    CreateReductionOptionsViews();
  }
  ResizePanesShowAll();
}

void CDXSplitterFrame::SetFocusOnToolPane1stView() {
  if (m_pToolPaneView != NULL) m_pToolPaneView->SetFocus();
  if (m_pToolPaneSplitter != NULL) {
    if (CWnd* first = m_pToolPaneSplitter->GetPane(0, 0)) {
      first->SetFocus();
      m_pToolPaneSplitter->SetActivePane(0, 0);
    }
  }
}

// ---------------------------------------------------------------------------
// Commands

void CDXSplitterFrame::OnToolsObjectsViewer() {
  if (m_nToolPaneCommand == ID_TOOLS_OBJECTS_VIEWER) return;
  m_nToolPaneCommand = ID_TOOLS_OBJECTS_VIEWER;
  CreateTreeView();
}

void CDXSplitterFrame::OnToolsLightsManager() {
  if (m_nToolPaneCommand == ID_TOOLS_LIGHTS_MANAGER) return;
  m_nToolPaneCommand = ID_TOOLS_LIGHTS_MANAGER;
  CreateLightsFormView();
}

void CDXSplitterFrame::OnToolsTasksViewer() { DisplayWorldThreadsManager(); }

void CDXSplitterFrame::OnToolsReductionOptions() {
  if (m_nToolPaneCommand == ID_TOOLS_REDUCTION_OPTIONS) return;
  m_nToolPaneCommand = ID_TOOLS_REDUCTION_OPTIONS;
  CreateReductionOptionsViews();
}

void CDXSplitterFrame::OnUpdateToolPaneCommand(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nToolPaneCommand == cmdUI->m_nID); }

void CDXSplitterFrame::OnView1View() {
  if (m_e3DViewType != eOneView) CreateOneView2();
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::OnView2Views() {
  if (m_e3DViewType != eTwoViews) Create2Views();
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::OnView4Views() {
  if (m_e3DViewType != eFourViews) Create4Views2();
  SetFocusOnActive3DView();
}

void CDXSplitterFrame::OnUpdateView1View(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_e3DViewType == eOneView);
  cmdUI->Enable(DeviceReady());
}

void CDXSplitterFrame::OnUpdateView2Views(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_e3DViewType == eTwoViews);
  cmdUI->Enable(DeviceReady());
}

void CDXSplitterFrame::OnUpdateView4Views(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_e3DViewType == eFourViews);
  cmdUI->Enable(DeviceReady());
}
