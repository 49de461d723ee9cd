// The about box: "AboutVorever.htm" of the html folder in a browser control.
#pragma once

#include <afxwin.h>

class CBrowserWnd;

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
  ~CAboutDlg() override;

  BOOL OnInitDialog() override;
  // The browser control, NULL while the box is closed.
  CBrowserWnd* GetBrowser() const { return m_pBrowser; }

 protected:
  // The browser control goes with the box's window.
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  DWORD m_dwReserved = 0;
  CBrowserWnd* m_pBrowser = nullptr;
};
