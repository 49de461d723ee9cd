#include "help_views.h"

#include <browser_wnd.h>

#include "main_frame.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CHelpDocument, CDocument)
IMPLEMENT_DYNCREATE(CHelpView2, CView)
IMPLEMENT_DYNCREATE(CHelpViewChildFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CHelpView, CView)

BEGIN_MESSAGE_MAP(CHelpView2, CView)
ON_WM_SIZE()
ON_WM_DESTROY()
ON_COMMAND(ID_HELP_BACK, OnBack)
ON_COMMAND(ID_HELP_FORWARD, OnForward)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CHelpViewChildFrame, CMDIChildWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

bool CreateViewBrowser(CView* view, CBrowserWnd* browser) {
  if (!browser->CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 1024, 768}, view, 0)) {
    delete browser;
    return false;
  }
  RECT client;
  view->GetClientRect(&client);
  browser->OnSize(0, client.right - client.left, client.bottom - client.top);
  return true;
}

void CHelpDocument::Navigate(const char* url) {
  if (m_pHelpView == nullptr || m_pHelpView->GetBrowserWnd() == nullptr) return;
  m_pHelpView->GetBrowserWnd()->Navigate2(url, 0, nullptr, nullptr, nullptr, 0);
}

CHelpView2::~CHelpView2() { DestroyBrowser(); }

BOOL CHelpView2::PreCreateWindow(CREATESTRUCT& create) {
  create.lpszClass = "HelpView2Class";
  return CView::PreCreateWindow(create);
}

void CHelpView2::OnInitialUpdate() {
  CView::OnInitialUpdate();
  if (auto* document = DYNAMIC_DOWNCAST(CHelpDocument, GetDocument())) document->SetHelpView(this);
  if (m_pBrowserWnd != nullptr) return;
  m_pBrowserWnd = new CBrowserWnd;
  if (!CreateViewBrowser(this, m_pBrowserWnd)) m_pBrowserWnd = nullptr;
}

void CHelpView2::OnSize(UINT, int cx, int cy) {
  if (m_pBrowserWnd != nullptr) m_pBrowserWnd->OnSize(0, cx, cy);
}

void CHelpView2::OnDestroy() {
  DestroyBrowser();
  CView::OnDestroy();
}

void CHelpView2::DestroyBrowser() {
  if (auto* document = DYNAMIC_DOWNCAST(CHelpDocument, GetDocument())) {
    if (document->GetHelpView() == this) document->SetHelpView(nullptr);
  }
  delete m_pBrowserWnd;
  m_pBrowserWnd = nullptr;
  m_dwReserved = 0;
}

void CHelpView2::OnBack() {
  if (m_pBrowserWnd != nullptr) m_pBrowserWnd->GoBack();
}

void CHelpView2::OnForward() {
  if (m_pBrowserWnd != nullptr) m_pBrowserWnd->GoForward();
}

CHelpView::~CHelpView() {
  if (CDXMainFrame* frame = GetMainFrame()) frame->SetHelpView(nullptr);
}

BOOL CHelpViewChildFrame::PreCreateWindow(CREATESTRUCT& create) {
  create.lpszClass = "HelpViewChildFrameClass";
  return CMDIChildWnd::PreCreateWindow(create);
}

int CHelpViewChildFrame::OnCreate(LPCREATESTRUCT create) {
  if (CMDIChildWnd::OnCreate(create) == -1) return -1;
  return CreateHelpViewToolbar() ? 0 : -1;
}

bool CHelpViewChildFrame::CreateHelpViewToolbar() {
  if (!m_wndHelpToolBar.CreateEx(this, TBSTYLE_FLAT,
                                 WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                     CBRS_SIZE_DYNAMIC,
                                 RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !m_wndHelpToolBar.LoadToolBar(IDR_HELP_TOOLBAR)) {
    return false;
  }
  m_wndHelpToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndHelpToolBar);
  m_wndHelpToolBar.SetWindowText("Help toolbar");
  return true;
}

void CHelpViewChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  if (CDocument* document = GetActiveDocument()) SetWindowText(document->GetTitle());
}
