// The program's own module and its path; path separators.
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "windows.h"

namespace {

// Any address inside the executable's image would do; this one is constant.
const char kExecutableModule = 0;

}  // namespace

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(const_cast<char*>(&kExecutableModule));
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module && module != GetModuleHandleA(nullptr)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return 0;
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD copied = static_cast<DWORD>(length);
  if (copied >= size) {
    std::memcpy(fileName, path, size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path, copied);
  fileName[copied] = '\0';
  return copied;
}

std::string ToNativePath(const char* path) {
  std::string native = path ? path : "";
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}
