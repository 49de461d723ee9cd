// Threads: identifiers, creation with suspension, exit codes, and what
// happens when a thread ends (its mutexes are abandoned, its message queue
// and windows go).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "kernelobj.h"

namespace win32 {

namespace {

std::atomic<DWORD> g_nextThreadId{1};

struct LiveThreads {
  std::mutex lock;
  std::unordered_set<DWORD> ids;
};

LiveThreads& TheLiveThreads() {
  static LiveThreads* live = new LiveThreads;
  return *live;
}

void AddLiveThread(DWORD id) {
  LiveThreads& live = TheLiveThreads();
  std::lock_guard lock(live.lock);
  live.ids.insert(id);
}

// The identifier a new thread is to take, set by its creator's start routine
// before anything else runs on it.
thread_local DWORD t_assignedId = 0;

// Constructed the first time a thread asks for its identifier; its
// destruction at thread exit cleans up after the thread.
struct ThreadRecord {
  ThreadRecord() : id(t_assignedId ? t_assignedId : g_nextThreadId.fetch_add(1)) { AddLiveThread(id); }
  ~ThreadRecord() { ThreadEnded(id); }
  static void ThreadEnded(DWORD id) {
    AbandonMutexesOf(id);
    ForgetThreadMessages(id);
    LiveThreads& live = TheLiveThreads();
    std::lock_guard lock(live.lock);
    live.ids.erase(id);
  }
  DWORD id;
};

thread_local ThreadRecord t_record;

class Thread final : public KernelObject {
 public:
  Thread(DWORD id, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD suspendCount)
      : id(id), start(start), parameter(parameter), suspendCount(suspendCount) {}
  bool IsSignalledFor(DWORD) const override { return ended; }
  bool Acquire(DWORD) override { return false; }

  const DWORD id;
  const LPTHREAD_START_ROUTINE start;
  const LPVOID parameter;
  DWORD suspendCount;
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  int priority = THREAD_PRIORITY_NORMAL;
};

void ThreadMain(std::shared_ptr<Thread> thread) {
  t_assignedId = thread->id;
  (void)GetCurrentThreadId();
  DWORD code = thread->start(thread->parameter);
  // What the record's destruction would do a little later, done before the
  // thread counts as ended, so that a waiter on the thread sees it done.
  ThreadRecord::ThreadEnded(thread->id);
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  thread->exitCode = code;
  thread->ended = true;
  kernel.changed.notify_all();
}

// Under the kernel lock.
bool StartLocked(const std::shared_ptr<Thread>& thread) {
  try {
    std::thread(ThreadMain, thread).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

std::shared_ptr<Thread> FindThreadLocked(Kernel& kernel, HANDLE handle) {
  return std::dynamic_pointer_cast<Thread>(FindHandleLocked(kernel, handle));
}

}  // namespace

bool IsLiveThread(DWORD id) {
  LiveThreads& live = TheLiveThreads();
  std::lock_guard lock(live.lock);
  return live.ids.count(id) != 0;
}

}  // namespace win32

using namespace win32;

DWORD GetCurrentThreadId() { return t_record.id; }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD id = g_nextThreadId.fetch_add(1);
  auto thread = std::make_shared<Thread>(id, start, parameter, (flags & CREATE_SUSPENDED) ? 1 : 0);
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  if (!(flags & CREATE_SUSPENDED) && !StartLocked(thread)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Live from creation on, so that messages can be posted to it at once.
  AddLiveThread(id);
  if (threadId) *threadId = id;
  return AddHandleLocked(kernel, thread);
}

DWORD ResumeThread(HANDLE handle) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto thread = FindThreadLocked(kernel, handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  DWORD previous = thread->suspendCount;
  if (previous > 0 && --thread->suspendCount == 0 && !StartLocked(thread)) {
    thread->suspendCount = previous;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<DWORD>(-1);
  }
  return previous;
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto thread = FindThreadLocked(kernel, handle);
  if (!thread || !exitCode) {
    SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = thread->exitCode;
  return TRUE;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto thread = FindThreadLocked(kernel, handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  thread->priority = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE handle) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto thread = FindThreadLocked(kernel, handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return thread->priority;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
