#include "tracelog.h"

#include <cstdarg>
#include <cstdio>

void DebugTraceWrite(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
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
