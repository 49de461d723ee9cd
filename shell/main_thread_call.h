// Work that must run on the application's main thread (dialogs, windows),
// asked for by a job thread, which waits for it.
#pragma once

#include <windows.h>

#include <functional>

class CDXThread;

// Asks the main window's thread to run call and waits until it has run.
// Called on the main thread, call runs at once. When the job is stopped
// while it waits, it waits no longer and call is skipped if it has not
// started yet. True when call ran to its end.
bool RunOnMainThread(const std::function<void()>& call, CDXThread* thread);

// The main window's handler of WM_RUN_ON_MAIN_THREAD: runs the call that
// lParam carries.
void RunPostedMainThreadCall(LPARAM lParam);

constexpr UINT WM_RUN_ON_MAIN_THREAD = WM_USER + 100;
