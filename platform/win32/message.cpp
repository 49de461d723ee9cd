// Per-thread message queues and the window registry.
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "kernelobj.h"

namespace win32 {

namespace {

struct Queue {
  std::condition_variable arrived;
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
  MessageArrivalHook hook = nullptr;
  void* hookContext = nullptr;
};

struct Window {
  HWND handle;
  DWORD owner;
  WNDPROC procedure;
  LONG_PTR userData = 0;
  bool destroying = false;
  int width = 0, height = 0;  // of the client area
};

struct Registry {
  std::mutex lock;
  std::unordered_map<DWORD, std::shared_ptr<Queue>> queues;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  std::map<std::string, WNDCLASSA> classes;
  std::uintptr_t nextWindow = 1;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

// Under the registry lock.
Queue& QueueOfLocked(Registry& registry, DWORD thread) {
  auto& queue = registry.queues[thread];
  if (!queue) queue = std::make_shared<Queue>();
  return *queue;
}

std::shared_ptr<Window> FindWindowLocked(Registry& registry, HWND handle) {
  auto found = registry.windows.find(handle);
  return found == registry.windows.end() ? nullptr : found->second;
}

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

bool Matches(const MSG& msg, HWND window, UINT first, UINT last) {
  if (window == kThreadMessagesOnly ? msg.hwnd != nullptr : (window && msg.hwnd != window)) return false;
  return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
}

bool QuitAdmitted(HWND window, UINT first, UINT last) {
  return (!window || window == kThreadMessagesOnly) &&
         ((first == 0 && last == 0) || (WM_QUIT >= first && WM_QUIT <= last));
}

// Under the registry lock: takes (or, without remove, copies) the first
// matching message of the calling thread's queue.
bool TakeLocked(Queue& queue, LPMSG msg, HWND window, UINT first, UINT last, bool remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *msg = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  if (queue.quit && QuitAdmitted(window, first, last)) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, timeGetTime(), {0, 0}};
    if (remove) queue.quit = false;
    return true;
  }
  return false;
}

// Checks the window filter of GetMessageA and PeekMessageA.
bool FilterWindowValid(Registry& registry, HWND window, DWORD me) {
  if (!window || window == kThreadMessagesOnly) return true;
  auto found = FindWindowLocked(registry, window);
  return found && found->owner == me;
}

BOOL PostLocked(Registry& registry, DWORD thread, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Queue& queue = QueueOfLocked(registry, thread);
  queue.posted.push_back(MSG{window, message, wParam, lParam, timeGetTime(), {0, 0}});
  queue.arrived.notify_all();
  if (queue.hook) queue.hook(thread, queue.hookContext);
  return TRUE;
}

}  // namespace

void ForgetThreadMessages(DWORD thread) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  registry.queues.erase(thread);
  for (auto it = registry.windows.begin(); it != registry.windows.end();) {
    it = it->second->owner == thread ? registry.windows.erase(it) : std::next(it);
  }
}

}  // namespace win32

using namespace win32;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  if (!registry.classes.emplace(windowClass->lpszClassName, *windowClass).second) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  registry.classes[windowClass->lpszClassName].lpszClassName = nullptr;  // the key holds the name
  return static_cast<ATOM>(0xC000 + registry.classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  if (!className || registry.classes.erase(className) == 0) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
  Registry& registry = TheRegistry();
  HWND handle;
  WNDPROC procedure;
  {
    std::lock_guard lock(registry.lock);
    auto found = className ? registry.classes.find(className) : registry.classes.end();
    if (found == registry.classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    procedure = found->second.lpfnWndProc;
    handle = reinterpret_cast<HWND>(registry.nextWindow++ << 4);
    auto window = std::make_shared<Window>(Window{handle, GetCurrentThreadId(), procedure});
    window->width = width > 0 ? width : 0;
    window->height = height > 0 ? height : 0;
    registry.windows.emplace(handle, std::move(window));
  }
  CREATESTRUCTA create{parameter,  instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                       windowName, className, exStyle};
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!procedure(handle, WM_NCCREATE, 0, createParam) || procedure(handle, WM_CREATE, 0, createParam) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return handle;
}

BOOL DestroyWindow(HWND handle) {
  Registry& registry = TheRegistry();
  std::shared_ptr<Window> window;
  {
    std::lock_guard lock(registry.lock);
    window = FindWindowLocked(registry, handle);
    if (!window || window->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (window->owner != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    window->destroying = true;
  }
  window->procedure(handle, WM_DESTROY, 0, 0);
  window->procedure(handle, WM_NCDESTROY, 0, 0);
  std::lock_guard lock(registry.lock);
  registry.windows.erase(handle);
  auto queue = registry.queues.find(window->owner);
  if (queue != registry.queues.end()) {
    std::erase_if(queue->second->posted, [handle](const MSG& msg) { return msg.hwnd == handle; });
  }
  return TRUE;
}

BOOL IsWindow(HWND handle) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  return window && !window->destroying;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = RECT{0, 0, window->width, window->height};
  return TRUE;
}

BOOL MoveWindow(HWND handle, int, int, int width, int height, BOOL) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->width = width > 0 ? width : 0;
  window->height = height > 0 ? height : 0;
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId) *processId = GetCurrentProcessId();
  return window->owner;
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window || (index != GWLP_USERDATA && index != GWLP_WNDPROC)) {
    SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return index == GWLP_USERDATA ? window->userData : reinterpret_cast<LONG_PTR>(window->procedure);
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window || (index != GWLP_USERDATA && index != GWLP_WNDPROC) || (index == GWLP_WNDPROC && !value)) {
    SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR previous;
  if (index == GWLP_USERDATA) {
    previous = window->userData;
    window->userData = value;
  } else {
    previous = reinterpret_cast<LONG_PTR>(window->procedure);
    window->procedure = reinterpret_cast<WNDPROC>(value);
  }
  return previous;
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto window = FindWindowLocked(registry, handle);
  if (!window || window->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return PostLocked(registry, window->owner, handle, message, wParam, lParam);
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsLiveThread(threadId)) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  return PostLocked(registry, threadId, nullptr, message, wParam, lParam);
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    auto window = FindWindowLocked(registry, handle);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (window->owner != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
    procedure = window->procedure;
  }
  return procedure(handle, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  DWORD me = GetCurrentThreadId();
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  Queue& queue = QueueOfLocked(registry, me);
  queue.quit = true;
  queue.quitCode = exitCode;
  queue.arrived.notify_all();
  if (queue.hook) queue.hook(me, queue.hookContext);
}

void SetMessageArrivalHook(DWORD thread, MessageArrivalHook hook, void* context) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  Queue& queue = QueueOfLocked(registry, thread);
  queue.hook = hook;
  queue.hookContext = context;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
  DWORD me = GetCurrentThreadId();
  Registry& registry = TheRegistry();
  std::unique_lock lock(registry.lock);
  if (!msg || !FilterWindowValid(registry, window, me)) {
    SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return -1;
  }
  auto queue = registry.queues[me];
  if (!queue) queue = registry.queues[me] = std::make_shared<Queue>();
  while (!TakeLocked(*queue, msg, window, first, last, true)) queue->arrived.wait(lock);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT removeFlags) {
  DWORD me = GetCurrentThreadId();
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  if (!msg || !FilterWindowValid(registry, window, me)) {
    SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TakeLocked(QueueOfLocked(registry, me), msg, window, first, last, (removeFlags & PM_REMOVE) != 0);
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  WNDPROC procedure;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    auto window = FindWindowLocked(registry, msg->hwnd);
    if (!window || window->owner != GetCurrentThreadId()) {
      SetLastError(window ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    procedure = window->procedure;
  }
  return procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }
