#include "sound_recorder.h"

#include <windows.h>

#include <mutex>

namespace {

std::mutex g_lock;
std::vector<std::string> g_played;
bool g_throw = false;

}  // namespace

BOOL PlaySoundA(LPCSTR sound, HMODULE, DWORD) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_throw) throw "\nError: the sound cannot play.";
  std::string path = sound != NULL ? sound : "";
  size_t slash = path.find_last_of("/\\");
  g_played.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
  return TRUE;
}

std::vector<std::string> PlayedSounds() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_played;
}

void ForgetPlayedSounds() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_played.clear();
}

void SetSoundsThrow(bool raise) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_throw = raise;
}
