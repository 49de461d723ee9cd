#include <gtest/gtest.h>
#include <windows.h>

#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Delivery {
  UINT message;
  WPARAM wParam;
  DWORD thread;
};

std::mutex g_lock;
std::vector<Delivery> g_delivered;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER) {
    std::lock_guard lock(g_lock);
    g_delivered.push_back({message, wParam, GetCurrentThreadId()});
    return static_cast<LRESULT>(wParam) + 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

const char* RecordingClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "RecordingWindow";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return "RecordingWindow";
}

HWND MakeWindow() {
  return CreateWindowExA(0, RecordingClass(), "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

std::vector<Delivery> TakeDelivered() {
  std::lock_guard lock(g_lock);
  return std::exchange(g_delivered, {});
}

// Removes whatever an earlier test left in the calling thread's queue.
void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

}  // namespace

TEST(Messages, PostedFromAnotherThreadArriveOnTheOwnerInOrder) {
  Drain();
  TakeDelivered();
  HWND window = MakeWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
  std::thread poster([window] {
    for (WPARAM i = 0; i < 5; ++i) EXPECT_TRUE(PostMessageA(window, WM_USER + 4, i, 0));
    PostThreadMessageA(0, WM_USER, 0, 0);  // not a thread: refused
  });
  poster.join();
  PostQuitMessage(3);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  auto delivered = TakeDelivered();
  ASSERT_EQ(delivered.size(), 5u);
  for (WPARAM i = 0; i < 5; ++i) {
    EXPECT_EQ(delivered[i].wParam, i);
    EXPECT_EQ(delivered[i].thread, GetCurrentThreadId());
  }
  EXPECT_TRUE(DestroyWindow(window));
}

TEST(Messages, WindowOfAWorkerGetsItsMessagesOnTheWorker) {
  TakeDelivered();
  HWND window = nullptr;
  DWORD workerId = 0;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread worker([&] {
    workerId = GetCurrentThreadId();
    window = MakeWindow();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(window);
  });
  WaitForSingleObject(ready, INFINITE);
  EXPECT_TRUE(PostMessageA(window, WM_USER + 1, 10, 0));
  EXPECT_TRUE(PostMessageA(window, WM_USER + 2, 20, 0));
  EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);  // only on the owner thread
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(PostThreadMessageA(workerId, WM_QUIT, 0, 0));
  worker.join();
  auto delivered = TakeDelivered();
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].message, WM_USER + 1u);
  EXPECT_EQ(delivered[1].message, WM_USER + 2u);
  EXPECT_EQ(delivered[0].thread, workerId);
  EXPECT_FALSE(IsWindow(window));  // gone with its thread at the latest
  EXPECT_FALSE(PostThreadMessageA(workerId, WM_USER, 0, 0));
  CloseHandle(ready);
}

TEST(Messages, PeekFiltersByRangeAndWindow) {
  Drain();
  HWND window = MakeWindow();
  HWND other = MakeWindow();
  for (UINT i = 1; i <= 8; ++i) PostMessageA(window, WM_USER + i, i, 0);
  PostMessageA(other, WM_USER + 5, 99, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 6, 77, 0);

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window, WM_USER + 4, WM_USER + 7, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 4u);
  std::vector<WPARAM> taken;
  while (PeekMessageA(&msg, window, WM_USER + 4, WM_USER + 7, PM_REMOVE)) taken.push_back(msg.wParam);
  EXPECT_EQ(taken, (std::vector<WPARAM>{4, 5, 6, 7}));

  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));  // thread messages only
  EXPECT_EQ(msg.wParam, 77u);
  EXPECT_EQ(msg.hwnd, nullptr);
  taken.clear();
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) taken.push_back(msg.wParam);
  EXPECT_EQ(taken, (std::vector<WPARAM>{1, 2, 3, 8, 99}));
  DestroyWindow(window);
  DestroyWindow(other);
}

TEST(Messages, QuitComesAfterPendingMessagesAndOnlyThroughAdmittingFilters) {
  Drain();
  TakeDelivered();
  HWND window = MakeWindow();
  PostQuitMessage(0);
  PostMessageA(window, WM_USER + 1, 1, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 4, WM_USER + 7, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT);
  ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, WM_USER + 1u);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(window);
}

TEST(Messages, DeadWindowsRefuseMessages) {
  Drain();
  TakeDelivered();
  HWND window = MakeWindow();
  PostMessageA(window, WM_USER + 1, 1, 0);
  EXPECT_EQ(SendMessageA(window, WM_USER + 2, 5, 0), 6);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(DestroyWindow(window));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // its pending message went with it
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageA(nullptr, WM_USER, 0, 0));
  EXPECT_EQ(GetMessageA(&msg, window, 0, 0), -1);
  EXPECT_EQ(TakeDelivered().size(), 1u);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST(MessageBox, GoesToTheReplaceableHandlerAndIsRecorded) {
  DWORD before = GetLastMessageBox().count;
  EXPECT_EQ(MessageBoxA(nullptr, "Disk full", "Saving", MB_ICONHAND), IDOK);
  MessageBoxRecord last = GetLastMessageBox();
  EXPECT_EQ(last.count, before + 1);
  EXPECT_EQ(last.caption, "Saving");
  EXPECT_EQ(last.text, "Disk full");
  EXPECT_EQ(last.type, MB_ICONHAND);
  MessageBoxHandler previous = SetMessageBoxHandler([](HWND, const char*, const char*, UINT) { return IDNO; });
  EXPECT_EQ(MessageBoxA(nullptr, "Really?", "Question", MB_YESNO), IDNO);
  SetMessageBoxHandler(previous);
  EXPECT_EQ(GetLastMessageBox().caption, "Question");
}
