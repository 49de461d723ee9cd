#include "dx_3d_child_frame.h"

#include <cameraframe.h>
#include <tracelog.h>

#include "dx_3d_splitter_wnd.h"
#include "dx_file_3dview.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CDX3DChildFrame, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CDX3DChildFrame, CMDIChildWnd)
ON_WM_MOVE()
ON_WM_CREATE()
ON_COMMAND(ID_VIEW_3DVIEW_MODE_TOOLBAR, OnView3dViewModeToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_3DVIEW_MODE_TOOLBAR, OnUpdateView3dViewModeToolbar)
ON_COMMAND(ID_VIEW_4VIEWS, OnView4Views)
ON_UPDATE_COMMAND_UI(ID_VIEW_4VIEWS, OnUpdateView4Views)
END_MESSAGE_MAP()

namespace {

const DWORD kToolBarStyle =
    WS_CHILD | WS_VISIBLE | CBRS_GRIPPER | CBRS_RIGHT | CBRS_FLYBY | CBRS_TOOLTIPS | CBRS_SIZE_DYNAMIC;

}  // namespace

CDX3DChildFrame::~CDX3DChildFrame() { DestroySplitter(); }

void CDX3DChildFrame::DestroySplitter() {
  if (m_pSplitter == NULL) return;
  if (m_pSplitter->GetSafeHwnd() != NULL) m_pSplitter->DestroyWindow();
  delete m_pSplitter;
  m_pSplitter = NULL;
}

BOOL CDX3DChildFrame::DestroyWindow() {
  WriteTrace("\nInfo: CDX3DChildFrame::DestroyWindow()");
  return CMDIChildWnd::DestroyWindow();
}

BOOL CDX3DChildFrame::PreCreateWindow(CREATESTRUCT& create) {
  create.lpszClass = "3DChildFrameClass";
  return CMDIChildWnd::PreCreateWindow(create);
}

void CDX3DChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  if (CDocument* document = GetActiveDocument()) {
    CString title = document->GetTitle();
    title += " - 3D View";
    SetWindowText(title);
  }
}

int CDX3DChildFrame::OnCreate(LPCREATESTRUCT create) {
  if (CMDIChildWnd::OnCreate(create) == -1) return -1;
  m_pSingleView = DYNAMIC_DOWNCAST(CDXFile3DView, GetDlgItem(AFX_IDW_PANE_FIRST));
  m_nLayout = eOneView;
  if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, kToolBarStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadToolBar(IDR_3DVIEW_MODE_TOOLBAR)) {
    return -1;
  }
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  m_wndToolBar.SetWindowText("3D View Mode Tool Bar");
  return 0;
}

CDXFile3DView* CDX3DChildFrame::GetActive3DView() {
  if (m_nLayout == eOneView) return m_pSingleView;
  if (m_nLayout == eFourViews && m_pSplitter != NULL) return m_pSplitter->Get3DView(0, 0);
  return NULL;
}

bool CDX3DChildFrame::Create4Views() {
  try {
    auto* splitter = new CDX3DSplitterWnd;
    if (!splitter->CreateStatic(this, 2, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) {
      delete splitter;
      throw "\nInfo: Failed to Create the static splitter.";
    }
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CDXFile3DView);
    context.m_pCurrentDoc = GetActiveDocument();
    context.m_pCurrentFrame = this;
    for (int row = 0; row < 2; ++row) {
      for (int column = 0; column < 2; ++column) {
        if (!splitter->CreateView(row, column, RUNTIME_CLASS(CDXFile3DView), SIZE{0, 0}, &context)) {
          splitter->DestroyWindow();
          delete splitter;
          throw "\nInfo: Failed to create a view of the static splitter.";
        }
      }
    }
    RECT client;
    GetClientRect(&client);
    int width = client.right - client.left, height = client.bottom - client.top;
    splitter->SetColumnInfo(0, width / 2, 0);
    splitter->SetColumnInfo(1, width - width / 2, 0);
    splitter->SetRowInfo(0, height / 2, 0);
    splitter->SetRowInfo(1, height - height / 2, 0);
    splitter->RecalcLayout();
    RecalcLayout();

    // The single view's placement goes to the top-left pane; the others
    // look from the top, from +X and from below.
    CCameraFrame* singleCamera = m_pSingleView != NULL ? m_pSingleView->GetCamera() : NULL;
    bool initialized = true;
    for (int row = 0; row < 2; ++row) {
      for (int column = 0; column < 2; ++column) {
        CDXFile3DView* view = splitter->Get3DView(row, column);
        if (!view->Initialize()) {
          initialized = false;
          continue;
        }
        if (row == 0 && column == 0) {
          if (singleCamera != NULL && view->GetCamera() != NULL) {
            view->GetCamera()->SetTransformMatrix(singleCamera, true, false);
            view->SetViewMode(ID_VIEW_3D_VIEW);
          } else {
            view->View3dView();
          }
        } else if (row == 0) {
          view->ViewTopView();
        } else if (column == 0) {
          view->ViewSideViewPlusX();
        } else {
          view->ViewBottomView();
        }
      }
    }
    SetActiveView(splitter->Get3DView(0, 0));
    if (m_pSingleView != NULL) m_pSingleView->DestroyWindow();
    m_pSingleView = NULL;
    m_pSplitter = splitter;
    m_nLayout = eFourViews;
    m_bSplitterCreated = true;
    RecalcLayout();
    if (!initialized) throw "\nError: Failed to initialize a view in CDX3DChildFrame::Create4Views().";
    return true;
  } catch (const char* message) {
    WriteTrace(message);
    return false;
  }
}

bool CDX3DChildFrame::CreateOneView() {
  try {
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CDXFile3DView);
    context.m_pCurrentDoc = GetActiveDocument();
    context.m_pCurrentFrame = this;
    auto* view = DYNAMIC_DOWNCAST(CDXFile3DView, CreateView(&context, AFX_IDW_PANE_FIRST));
    if (view == NULL) return false;
    SetActiveView(view);
    RecalcLayout();
    bool initialized = view->Initialize();
    view->ShowWindow(SW_SHOW);
    CDXFile3DView* topLeft = m_pSplitter != NULL ? m_pSplitter->Get3DView(0, 0) : NULL;
    if (initialized) {
      if (topLeft != NULL && topLeft->GetCamera() != NULL && view->GetCamera() != NULL) {
        view->GetCamera()->SetTransformMatrix(topLeft->GetCamera(), true, false);
        view->SetViewMode(ID_VIEW_3D_VIEW);
      } else {
        view->View3dView();
      }
    }
    DestroySplitter();
    m_pSingleView = view;
    m_nLayout = eOneView;
    m_bSplitterCreated = false;
    RecalcLayout();
    if (!initialized) throw "Error: Failed to initialize a view in CDX3DChildFrame::CreateOneView().";
    return true;
  } catch (const char* message) {
    WriteTrace(message);
    return false;
  }
}

void CDX3DChildFrame::OnMove(int x, int y) {
  CMDIChildWnd::OnMove(x, y);
  if (m_nLayout == 1 || m_nLayout == eFourViews) {
    if (m_pSplitter != NULL) m_pSplitter->MoveViews();
  } else if (m_nLayout == eOneView && m_pSingleView != NULL) {
    m_pSingleView->Move();
  }
}

void CDX3DChildFrame::OnView3dViewModeToolbar() {
  ShowControlBar(&m_wndToolBar, !m_wndToolBar.IsWindowVisible(), FALSE);
}

void CDX3DChildFrame::OnUpdateView3dViewModeToolbar(CCmdUI* cmdUI) { cmdUI->SetCheck(m_wndToolBar.IsWindowVisible()); }

void CDX3DChildFrame::OnView4Views() {
  if (m_nLayout == eFourViews) CreateOneView();
  else Create4Views();
}

void CDX3DChildFrame::OnUpdateView4Views(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nLayout == eFourViews); }
