#include "jobs_pause.h"

#include <appoptions.h>

#include <mutex>

namespace {

std::mutex g_pauseLock;
int g_nManagersSharingEvent = 0;
// Holders with a pause, and the threads managers among them.
int g_nPausingHolders = 0;
int g_nPausingManagers = 0;

std::atomic<HANDLE>& SharedPlayingEvent() { return g_appOptions.hPlayingEvent; }

}  // namespace

bool ShareJobsPlayingEvent() {
  std::lock_guard<std::mutex> guard(g_pauseLock);
  if (g_nManagersSharingEvent == 0) {
    // Made reset when a manager already holds a pause.
    HANDLE event = CreateEventA(NULL, TRUE, g_nPausingManagers == 0, NULL);
    if (event == NULL) return false;
    SharedPlayingEvent().store(event);
    g_appOptions.bJobsPaused.store(g_nPausingHolders > 0);
  }
  ++g_nManagersSharingEvent;
  return true;
}

void UnshareJobsPlayingEvent() {
  std::lock_guard<std::mutex> guard(g_pauseLock);
  if (g_nManagersSharingEvent == 0 || --g_nManagersSharingEvent > 0) return;
  HANDLE event = SharedPlayingEvent().exchange(NULL);
  if (event != NULL) CloseHandle(event);
}

DWORD HoldJobsPause(DWORD& nesting, bool stopsJobs, HANDLE ownEvent) {
  std::lock_guard<std::mutex> guard(g_pauseLock);
  if (nesting++ > 0) return nesting;
  if (ownEvent != NULL) ResetEvent(ownEvent);
  if (stopsJobs && g_nPausingManagers++ == 0) ResetEvent(SharedPlayingEvent().load());
  if (g_nPausingHolders++ == 0) g_appOptions.bJobsPaused.store(true);
  return nesting;
}

DWORD ReleaseJobsPause(DWORD& nesting, bool stopsJobs, HANDLE ownEvent) {
  std::lock_guard<std::mutex> guard(g_pauseLock);
  if (nesting == 0) return 0;
  if (--nesting > 0) return nesting;
  if (ownEvent != NULL) SetEvent(ownEvent);
  if (--g_nPausingHolders == 0) g_appOptions.bJobsPaused.store(false);
  if (stopsJobs && --g_nPausingManagers == 0) SetEvent(SharedPlayingEvent().load());
  return nesting;
}
