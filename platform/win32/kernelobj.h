// Internal to the Win32 layer: the process's handle table and the kernel
// objects behind it. One lock guards every object's state, and one condition
// variable wakes every waiter when any object changes.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "windows.h"

namespace win32 {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Under the kernel lock: whether a wait by thread would be satisfied now.
  virtual bool IsSignalledFor(DWORD thread) const = 0;
  // Under the kernel lock, when signalled: takes the object for thread.
  // True when the wait is to report the object abandoned.
  virtual bool Acquire(DWORD thread) = 0;
};

struct Kernel {
  std::mutex lock;
  std::condition_variable changed;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> handles;
  std::uintptr_t nextHandle = 1;
};

// Lives as long as the process: threads may still use it during exit.
Kernel& TheKernel();

// Under the kernel lock.
HANDLE AddHandleLocked(Kernel& kernel, std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindHandleLocked(Kernel& kernel, HANDLE handle);

// Marks every mutex that thread owns abandoned; called when a thread ends.
void AbandonMutexesOf(DWORD thread);

// Thread-exit notification of the message layer (its queue and windows go).
void ForgetThreadMessages(DWORD thread);
// Whether thread is a live thread of this process.
bool IsLiveThread(DWORD thread);

}  // namespace win32
