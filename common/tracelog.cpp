#include "tracelog.h"

#include <afxwin.h>
#include <appoptions.h>
#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>

void WriteTrace(const char* text) {
  g_appOptions.traceLog.WriteString(text);
  g_appOptions.traceLog.Flush();
}

void WriteTrace(DWORD startTime, const char* text) {
  // Unsigned: a wrap of the millisecond counter still gives the interval.
  const float seconds = static_cast<float>(timeGetTime() - startTime) / 1000.0f;
  CString line;
  line.Format("\n%f\tseconds: %s.", static_cast<double>(seconds), text);
  WriteTrace(line);
}

void DebugTraceWrite(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
}

void TraceSystemError() {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (length == 0) return;
  DEBUG_TRACE("\nCalling thread's last-error is: %s", text);
  LocalFree(text);
}

int SafeRelease(IUnknown** pp) {
  if (!*pp) return TRUE;
  IUnknown* p = *pp;
  *pp = nullptr;
  const ULONG left = p->Release();
  if (left)
    DEBUG_TRACE("\nInfo: D3D interface object %p is still referenced %d times.", static_cast<void*>(p),
                static_cast<int>(left));
  else
    DEBUG_TRACE("\nInfo: D3D interface object %p is released.", static_cast<void*>(p));
  return TRUE;
}

DWORD SafeRelease2(IUnknown** pp) {
  if (!*pp) return 0;
  const ULONG left = (*pp)->Release();
  if (left == 0) *pp = nullptr;
  return left;
}

DWORD GetReferencesCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

CWnd* GetOtherThreadMainWindow() {
  CWinApp* app = AfxGetApp();
  if (!app || !app->m_pMainWnd) return nullptr;
  return CWnd::FromHandlePermanent(app->m_pMainWnd->GetSafeHwnd());
}
