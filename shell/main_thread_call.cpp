#include "main_thread_call.h"

#include <afxwin.h>
#include <dx_thread.h>

#include <memory>
#include <mutex>

#include "main_frame.h"

namespace {

// Shared by the waiting job and the main thread's handler; the last of the
// two to let go frees it.
struct SMainThreadCall {
  std::function<void()> call;
  std::mutex lock;
  bool abandoned = false;
  bool started = false;
  HANDLE done = CreateEventA(NULL, TRUE, FALSE, NULL);
  ~SMainThreadCall() { CloseHandle(done); }
};

// How often a waiting job looks whether it was stopped.
constexpr DWORD kStopPollMs = 50;

}  // namespace

bool RunOnMainThread(const std::function<void()>& call, CDXThread* thread) {
  CWinApp* app = AfxGetApp();
  if (app == NULL || GetCurrentThreadId() == app->m_nThreadID) {
    call();
    return true;
  }
  CDXMainFrame* mainFrame = GetMainFrame();
  if (mainFrame == NULL || mainFrame->GetSafeHwnd() == NULL) return false;
  auto shared = std::make_shared<SMainThreadCall>();
  shared->call = call;
  auto* posted = new std::shared_ptr<SMainThreadCall>(shared);
  if (!mainFrame->PostMessage(WM_RUN_ON_MAIN_THREAD, 0, reinterpret_cast<LPARAM>(posted))) {
    delete posted;
    return false;
  }
  while (WaitForSingleObject(shared->done, kStopPollMs) == WAIT_TIMEOUT) {
    if (thread != NULL && !thread->WaitForThreadPlayingEvent()) {
      // A call that has started uses what the caller gave it: the caller
      // waits for its end.
      {
        std::lock_guard guard(shared->lock);
        if (!shared->started) {
          shared->abandoned = true;
          return false;
        }
      }
      WaitForSingleObject(shared->done, INFINITE);
      break;
    }
  }
  return true;
}

void RunPostedMainThreadCall(LPARAM lParam) {
  std::unique_ptr<std::shared_ptr<SMainThreadCall>> posted(reinterpret_cast<std::shared_ptr<SMainThreadCall>*>(lParam));
  SMainThreadCall& shared = **posted;
  {
    std::lock_guard guard(shared.lock);
    if (shared.abandoned) return;
    shared.started = true;
  }
  shared.call();
  SetEvent(shared.done);
}
