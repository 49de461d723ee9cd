#include "tdsstate.h"

tdsState& tdsGlobalState() {
  static tdsState state;
  return state;
}

std::mutex& tdsToolkitMutex() {
  static std::mutex mutex;
  return mutex;
}

#include "tdslock.h"

tdsToolkitLock::tdsToolkitLock() : guard_(tdsToolkitMutex()) {}
