#include <unordered_map>

#include "afxwin.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

const char kFrameworkClass[] = "AfxWnd";

// Handle to object, per thread.
thread_local std::unordered_map<HWND, CWnd*> t_permanentMap;
// The object whose window the calling thread is creating: attached at its
// first message.
thread_local CWnd* t_creating = nullptr;

bool EnsureFrameworkClass(LPCSTR name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = AfxWndProc;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(window);
  if (!wnd && t_creating) {
    wnd = t_creating;
    t_creating = nullptr;
    wnd->Attach(window);
  }
  if (!wnd) return DefWindowProcA(window, message, wParam, lParam);
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    wnd->Detach();
    wnd->PostNcDestroy();
  }
  return result;
}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    HWND window = m_hWnd;
    Detach();
    ::DestroyWindow(window);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  auto found = t_permanentMap.find(window);
  return found == t_permanentMap.end() ? nullptr : found->second;
}

BOOL CWnd::Attach(HWND window) {
  if (!window || m_hWnd || FromHandlePermanent(window)) return FALSE;
  m_hWnd = window;
  t_permanentMap[window] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  if (window && FromHandlePermanent(window) == this) t_permanentMap.erase(window);
  m_hWnd = nullptr;
  return window;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, LPVOID parameter) {
  if (m_hWnd) return FALSE;
  if (!className) className = kFrameworkClass;
  if (!EnsureFrameworkClass(className)) return FALSE;
  t_creating = this;
  HWND window = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                                AfxGetInstanceHandle(), parameter);
  t_creating = nullptr;
  if (window && !m_hWnd) Attach(window);  // a class of someone else's procedure
  return window != nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return DispatchWindowMessage(message, wParam, lParam, result);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}
