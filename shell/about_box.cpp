#include "about_box.h"

#include <appfiles.h>
#include <browser_wnd.h>

#include "resource.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

// Where the browser control sits in the box, in dialog units.
const AfxDialogItem kBrowserPlace{nullptr, nullptr, IDC_ABOUT_BROWSER, 7, 7, 246, 150, WS_VISIBLE};

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

CAboutDlg::~CAboutDlg() { OnDestroy(); }

void CAboutDlg::OnDestroy() {
  delete m_pBrowser;
  m_pBrowser = nullptr;
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  delete m_pBrowser;
  m_pBrowser = new CBrowserWnd;
  if (m_pBrowser->CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, this, IDC_ABOUT_BROWSER)) {
    AfxPlaceDialogItem(m_pBrowser, kBrowserPlace);
    try {
      m_pBrowser->Navigate2(GetHtmlPathName("AboutVorever.htm"), 0, nullptr, nullptr, nullptr, 0);
    } catch (const char*) {
      // Without the html folder the box shows an empty page.
    }
  }
  return TRUE;
}
