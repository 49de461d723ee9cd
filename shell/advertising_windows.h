// The advertising windows: a dialog bar of the main frame with its browser
// window, and a view that shows the page that qorpromo names. Nothing in the
// program makes them; the main frame's owner may.
#pragma once

#include <afxext.h>
#include <afxwin.h>
#include <browser_wnd.h>

// A browser window that, once it has counted a finished page, opens every
// further address in the desktop's browser as well.
class CAdvertisingBrowserWnd : public CBrowserWnd {
 public:
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  void OnBeforeNavigate2(LPCSTR url, BOOL& cancel) override;
  void OnNavigateComplete2(LPCSTR url) override;
  void SetCounting(bool counting) { m_nCounting = counting ? 1 : 0; }
  DWORD GetCompletedCount() const { return m_dwCompleted; }

 private:
  DWORD m_dwCompleted = 0;
  DWORD m_nCounting = 0;
};

// A bar across the top of the main frame, as wide as its client area.
class CAdvertisingDialogBar : public CDialogBar {
 public:
  CAdvertisingDialogBar() = default;
  ~CAdvertisingDialogBar() override;
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  CAdvertisingBrowserWnd* GetBrowserWnd() const { return m_pBrowserWnd; }

 protected:
  void OnSize(UINT type, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 private:
  CAdvertisingBrowserWnd* m_pBrowserWnd = nullptr;
};

class CBrowserView;

// The browser window of CBrowserView: its navigations go through the view.
class CBrowserViewWnd : public CBrowserWnd {
 public:
  explicit CBrowserViewWnd(CBrowserView* view) : m_pView(view) {}
  void OnBeforeNavigate2(LPCSTR url, BOOL& cancel) override;

 private:
  CBrowserView* m_pView;
};

// A view that shows qorpromo's page, or "AdvertisingDisplayFailed.htm" of
// the html folder; once activated, the addresses it goes to also open in the
// desktop's browser.
class CBrowserView : public CView {
  DECLARE_DYNCREATE(CBrowserView)

 public:
  CBrowserView() = default;
  ~CBrowserView() override;

  void OnInitialUpdate() override;
  void OnActivateView(BOOL activate, CView* activateView, CView* deactiveView) override;
  void OnBeforeNavigate2(LPCSTR url);
  CString GetLastURL() const { return m_strLastURL; }
  CBrowserWnd* GetBrowserWnd() const { return m_pBrowserWnd; }

 protected:
  void OnSize(UINT type, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 private:
  DWORD m_dwReserved[2] = {0, 0};
  CString m_strLastURL;
  BYTE m_bActivated = 0;
  CBrowserViewWnd* m_pBrowserWnd = nullptr;
};
