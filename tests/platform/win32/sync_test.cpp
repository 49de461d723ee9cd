#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

namespace {

// Runs body on a thread of its own and waits for it to end.
template <class Body>
void OnOtherThread(Body body) {
  std::thread(body).join();
}

}  // namespace

TEST(Mutex, IsRecursiveForItsOwnerAndExcludesOthers) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
  auto tryFromOther = [mutex] {
    DWORD result = 0;
    OnOtherThread([&] {
      result = WaitForSingleObject(mutex, 0);
      if (result == WAIT_OBJECT_0) ReleaseMutex(mutex);
    });
    return result;
  };
  EXPECT_EQ(tryFromOther(), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(tryFromOther(), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(tryFromOther(), WAIT_OBJECT_0);
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  EXPECT_TRUE(CloseHandle(mutex));
}

TEST(Mutex, InitialOwnerHoldsIt) {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
  DWORD other = 0;
  OnOtherThread([&] { other = WaitForSingleObject(mutex, 0); });
  EXPECT_EQ(other, WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(mutex);
}

TEST(Mutex, OwnerThreadEndingAbandonsIt) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
  OnOtherThread([&] { ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0); });
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // now owned, recursively
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(mutex);
}

TEST(Event, ResetModesAndInitialState) {
  struct Case {
    BOOL manual, initial;
    DWORD first, second;
  } cases[] = {
      {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
  };
  for (const Case& c : cases) {
    HANDLE event = CreateEventA(nullptr, c.manual, c.initial, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.first) << c.manual << c.initial;
    EXPECT_EQ(WaitForSingleObject(event, 0), c.second) << c.manual << c.initial;
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
  }
}

TEST(Wait, AnyOfTwoEventsAnswersTheSignalledOne) {
  HANDLE events[2] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 5), WAIT_TIMEOUT);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  SetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0);      // lowest index first
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);  // auto reset took the first
  ResetEvent(events[1]);

  std::thread setter([&] { SetEvent(events[0]); });
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE), WAIT_OBJECT_0);
  setter.join();
  for (HANDLE event : events) CloseHandle(event);
}

TEST(Wait, AllNeedsEveryObject) {
  HANDLE events[2] = {CreateEventA(nullptr, FALSE, TRUE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);  // untouched by the failed wait
  SetEvent(events[0]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
  for (HANDLE event : events) CloseHandle(event);
}

TEST(Wait, BadHandlesFail) {
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  for (HANDLE bad : {event, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(WaitForMultipleObjects(0, nullptr, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(CreateEventA(nullptr, TRUE, TRUE, "named"), nullptr);
}

TEST(Wait, DuplicateHandleOutlivesTheOriginal) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
  SetEvent(event);
  CloseHandle(event);
  EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
  CloseHandle(copy);
}

namespace {

std::atomic<int> g_runs{0};

DWORD CountRun(LPVOID parameter) {
  ++g_runs;
  return *static_cast<DWORD*>(parameter);
}

}  // namespace

TEST(Thread, SuspendedStartExitCodeAndWait) {
  DWORD code = 42;
  DWORD id = 0;
  int before = g_runs;
  HANDLE thread = CreateThread(nullptr, 0, CountRun, &code, CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD exitCode = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
  EXPECT_EQ(exitCode, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  EXPECT_EQ(g_runs, before);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(g_runs, before + 1);
  ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
  EXPECT_EQ(exitCode, 42u);
  EXPECT_EQ(ResumeThread(thread), 0u);
  EXPECT_EQ(g_runs, before + 1);
  CloseHandle(thread);
}

TEST(Thread, IdentifiersAreDistinctAndStable) {
  DWORD main = GetCurrentThreadId();
  EXPECT_NE(main, 0u);
  EXPECT_EQ(GetCurrentThreadId(), main);
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, main);
}

TEST(Timer, SourceCanBeReplacedForTests) {
  TimeSource previous = SetTimeGetTimeSource([]() -> DWORD { return 0xFFFFFF00u; });
  DWORD start = timeGetTime();
  SetTimeGetTimeSource([]() -> DWORD { return 0x000005DCu - 0x100u; });
  EXPECT_EQ(timeGetTime() - start, 1500u);  // across the wrap-around
  SetTimeGetTimeSource(previous);
}

TEST(Timer, TimeGetTimeNeverGoesBack) {
  DWORD previous = timeGetTime();
  for (int i = 0; i < 3; ++i) {
    Sleep(1);
    DWORD now = timeGetTime();
    EXPECT_LT(now - previous, 0x80000000u);  // unsigned difference: forward
    previous = now;
  }
}
