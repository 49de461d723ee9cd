// The program's trace log, the libraries' switched-off debug trace, the text
// of the last system error, and COM reference helpers.
#pragma once

#include <afx.h>
#include <unknwn.h>
#include <windows.h>

#include <concepts>

class CWnd;

// Appends text to the host's trace log as it stands and flushes.
void WriteTrace(const char* text);
// Appends "\n<seconds>\tseconds: <text>." with the seconds since startTime (a
// timeGetTime value; a wrap of the millisecond counter is allowed for) and
// flushes.
void WriteTrace(DWORD startTime, const char* text);

// The libraries' own diagnostic texts. They are switched off: nothing is
// formatted or written. Switch them on here to have them on standard error.
inline constexpr bool kDebugTraceOn = false;
void DebugTraceWrite(const char* format, ...) __attribute__((format(printf, 1, 2)));
#define DEBUG_TRACE(...)                                       \
  do {                                                         \
    if constexpr (kDebugTraceOn) DebugTraceWrite(__VA_ARGS__); \
  } while (false)

// Passes the calling thread's last system error text to the debug trace.
void TraceSystemError();

// Releases the caller's reference and clears the caller's pointer; other
// holders keep theirs. A NULL pointer is left alone. Returns TRUE.
int SafeRelease(IUnknown** pp);
// Releases the caller's reference once and clears the pointer only when the
// object is gone. Returns the count that Release gave (0 for NULL).
DWORD SafeRelease2(IUnknown** pp);

// The same for a pointer of any interface type.
template <class Interface>
requires std::derived_from<Interface, IUnknown> &&(!std::same_as<Interface, IUnknown>)int SafeRelease(Interface** pp) {
  IUnknown* p = *pp;
  const int result = SafeRelease(&p);
  *pp = nullptr;
  return result;
}

template <class Interface>
requires std::derived_from<Interface, IUnknown> &&(!std::same_as<Interface, IUnknown>)DWORD
    SafeRelease2(Interface** pp) {
  IUnknown* p = *pp;
  const DWORD left = SafeRelease2(&p);
  if (!p) *pp = nullptr;
  return left;
}

// The reference count of p (not NULL) as it stood before the call.
DWORD GetReferencesCount(IUnknown* p);

// The permanent window object of the application's main window that the
// calling thread's handle map holds, or NULL.
CWnd* GetOtherThreadMainWindow();
