// Mutexes, events and the waits on every kernel object.
#include <chrono>
#include <vector>

#include "kernelobj.h"

namespace win32 {

Kernel& TheKernel() {
  static Kernel* kernel = new Kernel;
  return *kernel;
}

HANDLE AddHandleLocked(Kernel& kernel, std::shared_ptr<KernelObject> object) {
  std::uintptr_t id = kernel.nextHandle++;
  kernel.handles.emplace(id, std::move(object));
  return reinterpret_cast<HANDLE>(id << 2);
}

std::shared_ptr<KernelObject> FindHandleLocked(Kernel& kernel, HANDLE handle) {
  auto found = kernel.handles.find(reinterpret_cast<std::uintptr_t>(handle) >> 2);
  if (found == kernel.handles.end() || (reinterpret_cast<std::uintptr_t>(handle) & 3) != 0) return nullptr;
  return found->second;
}

namespace {

class Mutex final : public KernelObject {
 public:
  bool IsSignalledFor(DWORD thread) const override { return m_owner == 0 || m_owner == thread; }
  bool Acquire(DWORD thread) override {
    if (m_owner == thread) {
      ++m_count;
      return false;
    }
    m_owner = thread;
    m_count = 1;
    bool abandoned = m_abandoned;
    m_abandoned = false;
    return abandoned;
  }
  // False when thread does not own it.
  bool Release(DWORD thread) {
    if (m_owner != thread || m_count == 0) return false;
    if (--m_count == 0) m_owner = 0;
    return true;
  }
  bool Abandon(DWORD thread) {
    if (m_owner != thread) return false;
    m_owner = 0;
    m_count = 0;
    m_abandoned = true;
    return true;
  }

 private:
  DWORD m_owner = 0;
  DWORD m_count = 0;
  bool m_abandoned = false;
};

class Event final : public KernelObject {
 public:
  Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
  bool IsSignalledFor(DWORD) const override { return m_signalled; }
  bool Acquire(DWORD) override {
    if (!m_manualReset) m_signalled = false;
    return false;
  }
  void Set(bool signalled) { m_signalled = signalled; }

 private:
  bool m_manualReset;
  bool m_signalled;
};

template <class T>
std::shared_ptr<T> FindLocked(Kernel& kernel, HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandleLocked(kernel, handle));
}

HANDLE CreateObject(LPCSTR name, std::shared_ptr<KernelObject> object) {
  if (name) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  return AddHandleLocked(kernel, std::move(object));
}

}  // namespace

void AbandonMutexesOf(DWORD thread) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  bool any = false;
  for (auto& entry : kernel.handles) {
    if (auto* mutex = dynamic_cast<Mutex*>(entry.second.get())) any = mutex->Abandon(thread) || any;
  }
  if (any) kernel.changed.notify_all();
}

}  // namespace win32

using namespace win32;

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  auto mutex = std::make_shared<Mutex>();
  if (initialOwner) mutex->Acquire(GetCurrentThreadId());
  return CreateObject(name, std::move(mutex));
}

BOOL ReleaseMutex(HANDLE handle) {
  DWORD me = GetCurrentThreadId();
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto mutex = FindLocked<Mutex>(kernel, handle);
  if (!mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!mutex->Release(me)) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  kernel.changed.notify_all();
  return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  return CreateObject(name, std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

namespace {

BOOL SetEventState(HANDLE handle, bool signalled) {
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto event = FindLocked<Event>(kernel, handle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set(signalled);
  if (signalled) kernel.changed.notify_all();
  return TRUE;
}

}  // namespace

BOOL SetEvent(HANDLE handle) { return SetEventState(handle, true); }
BOOL ResetEvent(HANDLE handle) { return SetEventState(handle, false); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  DWORD me = GetCurrentThreadId();
  Kernel& kernel = TheKernel();
  std::unique_lock lock(kernel.lock);
  std::vector<std::shared_ptr<KernelObject>> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = FindHandleLocked(kernel, handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (auto& object : objects) all = all && object->IsSignalledFor(me);
      if (all) {
        DWORD result = WAIT_OBJECT_0;
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->Acquire(me) && result == WAIT_OBJECT_0) result = WAIT_ABANDONED_0 + i;
        }
        return result;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (objects[i]->IsSignalledFor(me)) return (objects[i]->Acquire(me) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
      }
    }
    if (milliseconds == 0) return WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
      kernel.changed.wait(lock);
    } else if (kernel.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      milliseconds = 0;  // one last look, then time out
    }
  }
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> last;  // destroyed outside the lock
  Kernel& kernel = TheKernel();
  std::lock_guard lock(kernel.lock);
  auto found = kernel.handles.find(reinterpret_cast<std::uintptr_t>(handle) >> 2);
  if (found == kernel.handles.end() || (reinterpret_cast<std::uintptr_t>(handle) & 3) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  last = std::move(found->second);
  kernel.handles.erase(found);
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD, BOOL,
                     DWORD options) {
  if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() || !target) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Kernel& kernel = TheKernel();
  {
    std::lock_guard lock(kernel.lock);
    auto object = FindHandleLocked(kernel, source);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    *target = AddHandleLocked(kernel, std::move(object));
  }
  if (options & DUPLICATE_CLOSE_SOURCE) CloseHandle(source);
  return TRUE;
}
