#include "advertising_windows.h"

#include <advertising_manager.h>
#include <appfiles.h>
#include <shellapi.h>

#include "help_views.h"
#include "main_frame.h"

IMPLEMENT_DYNCREATE(CBrowserView, CView)

BEGIN_MESSAGE_MAP(CAdvertisingDialogBar, CDialogBar)
ON_WM_SIZE()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CBrowserView, CView)
ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {
void OpenInDesktopBrowser(LPCSTR url) { ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWMAXIMIZED); }
}  // namespace

BOOL CAdvertisingBrowserWnd::PreCreateWindow(CREATESTRUCT& create) {
  create.lpszClass = "AdvertisingBrowserWndClass";
  return CBrowserWnd::PreCreateWindow(create);
}

void CAdvertisingBrowserWnd::OnBeforeNavigate2(LPCSTR url, BOOL&) {
  if (m_dwCompleted != 0) OpenInDesktopBrowser(url);
}

void CAdvertisingBrowserWnd::OnNavigateComplete2(LPCSTR) {
  if (m_nCounting != 0) ++m_dwCompleted;
}

CAdvertisingDialogBar::~CAdvertisingDialogBar() { delete m_pBrowserWnd; }

BOOL CAdvertisingDialogBar::PreCreateWindow(CREATESTRUCT& create) {
  create.lpszClass = "AdvertisingDialogBarClass";
  return CDialogBar::PreCreateWindow(create);
}

void CAdvertisingDialogBar::OnSize(UINT, int, int cy) {
  CDXMainFrame* frame = GetMainFrame();
  if (frame == nullptr) return;
  RECT client;
  frame->GetClientRect(&client);
  RECT own;
  GetWindowRect(&own);
  int width = client.right - client.left;
  if (own.right - own.left == width) return;
  MoveWindow(own.left, own.top, width, cy);
}

void CBrowserViewWnd::OnBeforeNavigate2(LPCSTR url, BOOL&) { m_pView->OnBeforeNavigate2(url); }

CBrowserView::~CBrowserView() {
  delete m_pBrowserWnd;
  m_pBrowserWnd = nullptr;
  m_strLastURL.Empty();
}

void CBrowserView::OnInitialUpdate() {
  CView::OnInitialUpdate();
  if (m_pBrowserWnd == nullptr) {
    m_pBrowserWnd = new CBrowserViewWnd(this);
    if (!CreateViewBrowser(this, m_pBrowserWnd)) {
      m_pBrowserWnd = nullptr;
      return;
    }
  }
  CString address;
  CAdvertisingManager manager;
  if (!manager.GetAdvertisingURL(address)) {
    try {
      address = GetHtmlPathName("AdvertisingDisplayFailed.htm");
    } catch (const char*) {
      return;
    }
  }
  m_pBrowserWnd->Navigate2(address, 0, nullptr, nullptr, nullptr, 0);
}

void CBrowserView::OnActivateView(BOOL activate, CView* activateView, CView* deactiveView) {
  m_bActivated = 1;
  CView::OnActivateView(activate, activateView, deactiveView);
}

void CBrowserView::OnBeforeNavigate2(LPCSTR url) {
  m_strLastURL = url;
  if (m_bActivated) OpenInDesktopBrowser(url);
}

void CBrowserView::OnSize(UINT, int cx, int cy) {
  if (m_pBrowserWnd != nullptr) m_pBrowserWnd->OnSize(0, cx, cy);
}
