// CBrowserWnd: a child window showing local HTML pages (the help), with a
// history to go back and forward through.
#pragma once

#include <afxwin.h>

class QTextBrowser;

class CBrowserWnd : public CWnd {
 public:
  CBrowserWnd() = default;
  ~CBrowserWnd() override = default;

  // Shows the page at url: a "file://" URL or a plain path. The other
  // arguments are there for the callers' sake and not read. False when the
  // window has no widget or the page was refused by OnBeforeNavigate2.
  BOOL Navigate2(LPCSTR url, DWORD flags = 0, LPCSTR targetFrame = nullptr, LPCVOID postData = nullptr,
                 LPCSTR headers = nullptr, DWORD postDataLength = 0);
  // Gives the window a new size.
  void OnSize(UINT type, int width, int height);
  void GoBack();
  void GoForward();
  // The URL of the page shown; empty before the first.
  CString GetLocationURL() const;

  // Before a page is shown (also for a link followed): setting cancel keeps
  // the page shown now.
  virtual void OnBeforeNavigate2(LPCSTR url, BOOL& cancel);
  // After a page is shown.
  virtual void OnNavigateComplete2(LPCSTR url);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  QTextBrowser* Browser() const;
};
