// The pause of the jobs of the process: the jobs-paused flag and the shared
// playing event that every job's pause point reads (both in g_appOptions).
// Pauses add up: each holder (a threads manager, a job that pauses itself)
// keeps its own nesting count, and jobs paused stays set while any holder
// keeps a pause. Only the threads managers stop jobs: the shared playing
// event is reset by the first of them that pauses and set again when the
// last of them plays.
#pragma once

#include <windows.h>

// A threads manager's share of the shared playing event: the first one
// creates it, the last one closes it, so no job ever waits on a closed
// handle. False when the event cannot be made.
bool ShareJobsPlayingEvent();
void UnshareJobsPlayingEvent();

// One pause more of a holder, whose nesting count is nesting; answers the
// new count. The holder's first pause sets jobs paused and resets ownEvent
// (when given); when stopsJobs, it also counts among the managers that hold
// the shared playing event reset.
DWORD HoldJobsPause(DWORD& nesting, bool stopsJobs, HANDLE ownEvent);
// One pause fewer of that holder; nothing (0) when it holds none. Its last
// play sets ownEvent (when given) and gives up its share of the pause: jobs
// paused is cleared when no holder is left, and the shared playing event is
// set when no manager is left.
DWORD ReleaseJobsPause(DWORD& nesting, bool stopsJobs, HANDLE ownEvent);
