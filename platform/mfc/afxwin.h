// Windows, threads and the application object of the framework. CWnd is the
// bare window: a handle that receives messages through its message map; the
// desktop's window classes build on it.
#pragma once

#include "afx.h"
#include "afxcoll.h"
#include "afxmsgmap.h"

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd() = default;
  // Destroys a window that still exists (on its owner thread).
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object attached to window on the calling thread, or NULL: each thread
  // keeps its own map from handles to objects.
  static CWnd* FromHandlePermanent(HWND window);
  BOOL Attach(HWND window);
  HWND Detach();

  // Creates a window on the calling thread and attaches it; its messages
  // come to WindowProc. className NULL takes the framework's own class; a
  // name not yet registered is registered for the framework.
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU menu, LPVOID parameter = nullptr);
  virtual BOOL DestroyWindow();

  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  // The message map first, then DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the window is gone and detached (a frame deletes itself here).
  virtual void PostNcDestroy() {}

  DECLARE_MESSAGE_MAP()

 private:
  friend LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The window procedure of every window that the framework creates.
LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

using AFX_THREADPROC = UINT (*)(LPVOID parameter);

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread() = default;
  CWinThread(AFX_THREADPROC procedure, LPVOID parameter);
  // Closes the thread handle.
  ~CWinThread() override;

  CWnd* m_pMainWnd = nullptr;
  // Whether the object deletes itself when its thread ends.
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  MSG m_msgCur{};
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;

  // Starts the thread (later with CREATE_SUSPENDED): the procedure, or
  // InitInstance and then Run (or ExitInstance when InitInstance fails).
  BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);
  DWORD ResumeThread();
  int GetThreadPriority();
  BOOL SetThreadPriority(int priority);
  BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
  operator HANDLE() const { return m_hThread; }

  virtual BOOL InitInstance();
  // The message loop: ends with ExitInstance when WM_QUIT arrives.
  virtual int Run();
  virtual BOOL PumpMessage();
  // Thread messages go to the message map (ON_THREAD_MESSAGE); TRUE when handled.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // The exit code of the thread: the code of the last WM_QUIT.
  virtual int ExitInstance();
  // Deletes the object when m_bAutoDelete is set.
  virtual void Delete();
  virtual CWnd* GetMainWnd();

  DECLARE_MESSAGE_MAP()
};

// The application object: one per process, constructed on the main thread,
// whose thread object it is.
class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  LPCSTR m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
// The application's name, or "" without an application object.
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The calling thread's main window, else the application's.
CWnd* AfxGetMainWnd();
// The framework thread object of the calling thread: the application object
// on the main thread, the CWinThread on a thread that AfxBeginThread started,
// NULL on any other thread.
CWinThread* AfxGetThread();

// A worker thread running procedure(parameter).
CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);
// A thread object made from runtimeClass (dynamically creatable, derived from
// CWinThread). With CREATE_SUSPENDED it waits for ResumeThread. NULL on failure.
CWinThread* AfxBeginThread(CRuntimeClass* runtimeClass, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);
