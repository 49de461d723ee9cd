// The desktop: Qt's application object on the program's main thread. While
// it exists, windows get widgets, the messages posted to the main thread are
// delivered from Qt's event loop, and message boxes show as dialogs.
#pragma once

#include <functional>
#include <memory>

#include "afxwin.h"

class CAfxDesktop {
 public:
  // On the application's main thread; argc and argv must outlive the object.
  CAfxDesktop(int& argc, char** argv, bool showMessageBoxes = true);
  ~CAfxDesktop();
  CAfxDesktop(const CAfxDesktop&) = delete;
  CAfxDesktop& operator=(const CAfxDesktop&) = delete;

  // Runs the event loop until WM_QUIT arrives; its exit code.
  int Run();
  // Called about every intervalMs milliseconds while the event loop runs
  // (Run, WaitFor), from now on; a tick
  // that answers false (nothing moves) slows the ticks to idleMs until the
  // next tick that answers true.
  void SetFrameTick(std::function<bool()> tick, int intervalMs = 16, int idleMs = 200);
  // Delivers the messages posted to the main thread so far.
  void PumpMessages();
  // Runs the event loop until condition holds (true) or timeoutMs passes (false).
  bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);
  // Saves what window shows as a PNG file.
  static bool SaveWindowPicture(CWnd* window, LPCSTR path);

  // Whether a screen is there to show windows on.
  static bool HasDisplay();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Shows an RGBA picture (rows top first, pitch bytes apart) in window's
// widget, scaled to it: how a view shows what a device drew.
void AfxShowPicture(CWnd* window, const BYTE* rgba, UINT width, UINT height, UINT pitch);
