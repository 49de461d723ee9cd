#include <afxwin.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

HANDLE g_initDone = nullptr;
HANDLE g_destroyed = nullptr;
std::atomic<DWORD> g_initThread{0};
std::atomic<CWinThread*> g_seenAsCurrent{nullptr};
std::atomic<bool> g_exitRan{false};
std::vector<WPARAM> g_threadMessages;

class CJob : public CWinThread {
  DECLARE_DYNCREATE(CJob)

 public:
  ~CJob() override { SetEvent(g_destroyed); }
  BOOL InitInstance() override {
    g_initThread = GetCurrentThreadId();
    g_seenAsCurrent = AfxGetThread();
    SetEvent(g_initDone);
    return TRUE;
  }
  int ExitInstance() override {
    g_exitRan = true;
    return CWinThread::ExitInstance() + 100;
  }

 protected:
  void OnWork(WPARAM wParam, LPARAM) { g_threadMessages.push_back(wParam); }
  void OnStop(WPARAM, LPARAM) { PostQuitMessage(5); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CJob, CWinThread)

BEGIN_MESSAGE_MAP(CJob, CWinThread)
ON_THREAD_MESSAGE(WM_USER + 1, OnWork)
ON_THREAD_MESSAGE(WM_USER + 2, OnStop)
END_MESSAGE_MAP()

}  // namespace

TEST(WinThread, SuspendedStartRunUntilQuitAndAutoDelete) {
  g_initDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_destroyed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CJob), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(thread->m_bAutoDelete);
  DWORD id = thread->m_nThreadID;
  EXPECT_NE(id, 0u);
  HANDLE handle = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &handle, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_EQ(WaitForSingleObject(g_initDone, 0), WAIT_TIMEOUT);  // not started yet
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  EXPECT_EQ(code, STILL_ACTIVE);

  EXPECT_EQ(thread->ResumeThread(), 1u);
  ASSERT_EQ(WaitForSingleObject(g_initDone, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(g_initThread.load(), id);
  EXPECT_EQ(g_seenAsCurrent.load(), thread);
  for (WPARAM i = 1; i <= 3; ++i) EXPECT_TRUE(PostThreadMessageA(id, WM_USER + 1, i, 0));
  EXPECT_TRUE(PostThreadMessageA(id, WM_USER + 2, 0, 0));  // the job posts its own quit

  ASSERT_EQ(WaitForSingleObject(handle, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(g_destroyed, 0), WAIT_OBJECT_0);  // deleted itself
  EXPECT_TRUE(g_exitRan);
  ASSERT_TRUE(GetExitCodeThread(handle, &code));
  EXPECT_EQ(code, 105u);
  EXPECT_EQ(g_threadMessages, (std::vector<WPARAM>{1, 2, 3}));
  CloseHandle(handle);
  CloseHandle(g_initDone);
  CloseHandle(g_destroyed);
}

namespace {

class CKeptJob : public CWinThread {
  DECLARE_DYNCREATE(CKeptJob)

 public:
  CKeptJob() { m_bAutoDelete = FALSE; }
  BOOL InitInstance() override {
    PostQuitMessage(0);
    return TRUE;
  }
};
IMPLEMENT_DYNCREATE(CKeptJob, CWinThread)

}  // namespace

TEST(WinThread, ObjectWithoutAutoDeleteOutlivesItsThread) {
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CKeptJob), THREAD_PRIORITY_NORMAL, 0, 0);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread->m_hThread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 1;
  ASSERT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, 0u);
  delete thread;
  EXPECT_EQ(AfxBeginThread(RUNTIME_CLASS(CWnd)), nullptr);  // not a thread class
}

TEST(WinThread, WorkerProcedureThread) {
  static std::atomic<int> ran{0};
  CWinThread* thread = AfxBeginThread(
      [](LPVOID parameter) -> UINT {
        ++ran;
        return *static_cast<UINT*>(parameter);
      },
      new UINT(9), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  UINT* parameter = static_cast<UINT*>(thread->m_pThreadParams);
  thread->ResumeThread();
  WaitForSingleObject(thread->m_hThread, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(thread->m_hThread, &code);
  EXPECT_EQ(code, 9u);
  EXPECT_EQ(ran, 1);
  delete parameter;
  delete thread;
}

TEST(WinThread, MainThreadIsTheApplication) {
  ASSERT_NE(AfxGetApp(), nullptr);
  EXPECT_EQ(AfxGetThread(), AfxGetApp());
  EXPECT_EQ(AfxGetApp()->m_nThreadID, GetCurrentThreadId());
  CWinThread* other = AfxGetApp();
  std::thread([&] { other = AfxGetThread(); }).join();
  EXPECT_EQ(other, nullptr);
}
