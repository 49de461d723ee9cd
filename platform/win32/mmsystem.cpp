// The multimedia timer and sounds.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "windows.h"

namespace {

std::atomic<TimeSource> g_timeSource{nullptr};

}  // namespace

TimeSource SetTimeGetTimeSource(TimeSource source) { return g_timeSource.exchange(source); }

DWORD timeGetTime() {
  if (TimeSource source = g_timeSource.load()) return source();
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

BOOL PlaySoundA(LPCSTR sound, HMODULE, DWORD flags) {
  if (!sound) return TRUE;
  if ((flags & (SND_MEMORY | SND_ALIAS)) || (flags & SND_RESOURCE) == SND_RESOURCE) return FALSE;
  std::string path = ToNativePath(sound);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return FALSE;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return FALSE;
  std::fclose(file);
  return TRUE;
}
