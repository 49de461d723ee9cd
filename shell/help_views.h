// The help windows: a help document shows one page of the html folder in a
// browser window, in a child frame with a Back/Forward toolbar.
#pragma once

#include <afxext.h>
#include <afxwin.h>

class CBrowserWnd;
class CHelpView2;

// Creates browser as a visible child of view, as large as the view's client
// area; false (browser deleted) when it cannot be created.
bool CreateViewBrowser(CView* view, CBrowserWnd* browser);

class CHelpDocument : public CDocument {
  DECLARE_DYNCREATE(CHelpDocument)

 public:
  CHelpDocument() = default;

  void SetHelpView(CHelpView2* view) { m_pHelpView = view; }
  CHelpView2* GetHelpView() const { return m_pHelpView; }
  // Shows url in the view's browser; ignored without a view or browser.
  void Navigate(const char* url);

 private:
  CHelpView2* m_pHelpView = nullptr;
};

class CHelpView2 : public CView {
  DECLARE_DYNCREATE(CHelpView2)

 public:
  CHelpView2() = default;
  ~CHelpView2() override;

  void OnInitialUpdate() override;
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  // NULL when the browser window could not be made.
  CBrowserWnd* GetBrowserWnd() const { return m_pBrowserWnd; }

 protected:
  void OnSize(UINT type, int cx, int cy);
  void OnDestroy();
  void OnBack();
  void OnForward();

  DECLARE_MESSAGE_MAP()

 private:
  void DestroyBrowser();

  CBrowserWnd* m_pBrowserWnd = nullptr;
  DWORD m_dwReserved = 0;
};

// A help view on the framework's HTML view that no template uses: it shows
// nothing of its own.
class CHelpView : public CView {
  DECLARE_DYNCREATE(CHelpView)

 public:
  CHelpView() = default;
  ~CHelpView() override;
  void OnInitialUpdate() override {}
};

class CHelpViewChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CHelpViewChildFrame)

 public:
  enum EInitialURLCategory { eNoInitialURL = 0, eHelpPage = 1 };

  CHelpViewChildFrame() = default;

  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  bool CreateHelpViewToolbar();
  CToolBar* GetHelpToolbar() { return &m_wndHelpToolBar; }

  void SetInitialURL(const char* url) { m_strInitialURL = url; }
  CString GetInitialURL() const { return m_strInitialURL; }
  void SetInitialURLCategory(EInitialURLCategory category) { m_eInitialURLCategory = category; }
  EInitialURLCategory GetInitialURLCategory() const { return m_eInitialURLCategory; }

 protected:
  int OnCreate(LPCREATESTRUCT create);

  DECLARE_MESSAGE_MAP()

 private:
  CString m_strInitialURL;
  CToolBar m_wndHelpToolBar;
  EInitialURLCategory m_eInitialURLCategory = eNoInitialURL;
};
