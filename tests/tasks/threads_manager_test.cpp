#include <appoptions.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <threads_manager.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "job_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

bool JobsPaused() { return g_appOptions.bJobsPaused; }

// Whether the job's thread is still running after a short look.
bool StillRuns(CDXThread* job) { return WaitForSingleObject(job->m_hThread, 50) == WAIT_TIMEOUT; }

// Plays the jobs again if the test has not finished within two seconds, so
// that a kill which fails to reach a paused job fails the test instead of
// hanging it.
class PauseWatchdog {
 public:
  explicit PauseWatchdog(CThreadsManager* manager)
      : m_thread([this, manager] {
          if (WaitForSingleObject(m_done, 2000) == WAIT_TIMEOUT) manager->PlayThreads();
        }) {}
  ~PauseWatchdog() {
    SetEvent(m_done);
    m_thread.join();
    CloseHandle(m_done);
  }

 private:
  HANDLE m_done = CreateEventA(NULL, TRUE, FALSE, NULL);
  std::thread m_thread;
};

class ThreadsManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mainFrame.Create());
    frameA.Initialize(const_cast<char*>("Alpha"));
    frameB.Initialize(const_cast<char*>("Beta"));
  }

  CThreadsManager* Manager() { return doc.GetThreadsManager(); }
  int JobCount() { return static_cast<int>(Manager()->GetThreadList()->GetCount()); }
  CDXThread* Newest() { return Manager()->GetThreadList()->GetHead(); }
  bool Started() { return WaitForSingleObject(doc.started, 10000) == WAIT_OBJECT_0; }

  // Opens the gate and waits until every listed job has ended.
  void FinishAll() {
    SetEvent(doc.gate);
    POSITION pos = Manager()->GetThreadList()->GetHeadPosition();
    while (pos != NULL) ASSERT_TRUE(mainFrame.WaitForEnd(Manager()->GetThreadList()->GetNext(pos)));
  }

  // Declared first: the documents' jobs report to it until they are gone.
  CRecordingMainFrame mainFrame;
  CFrame frameA;
  CFrame frameB;
  CScriptedDoc doc;
};

TEST_F(ThreadsManagerTest, JobRunsToItsEndAndPostsItsMessagesInOrder) {
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  ASSERT_EQ(JobCount(), 1);
  CDXThread* job = Newest();
  EXPECT_TRUE(Manager()->ActiveThread());
  ASSERT_TRUE(mainFrame.WaitForEnd(job));

  std::vector<UINT> expected = {WM_JOB_READ_THREAD_INFO, WM_JOB_CREATE_PROGRESS_BAR, WM_JOB_THREAD_CREATED,
                                WM_JOB_READ_THREAD_INFO, WM_JOB_READ_THREAD_INFO,    WM_JOB_DESTROY_PROGRESS_BAR,
                                WM_JOB_READ_THREAD_INFO};
  EXPECT_EQ(mainFrame.MessagesAbout(job), expected);
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_FALSE(Manager()->ActiveThread());
  EXPECT_EQ(doc.Calls().size(), 1u);
  EXPECT_STREQ(Manager()->GetActiveThreadType(), "");
  // The job stays listed after its end.
  EXPECT_EQ(JobCount(), 1);
}

TEST_F(ThreadsManagerTest, PausedJobThatIsKilledEndsWithinASecond) {
  doc.body = EBody::kPausePoint;
  Manager()->PauseThreads();
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* job = Newest();
  ASSERT_TRUE(Started());
  EXPECT_TRUE(StillRuns(job));

  auto start = Clock::now();
  {
    PauseWatchdog watchdog(Manager());
    EXPECT_TRUE(job->KillThread());
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadTerminated);
  EXPECT_FALSE(job->WaitForThreadPlayingEvent());
  EXPECT_FALSE(Manager()->ActiveThread());
  Manager()->PlayThreads();
  EXPECT_FALSE(job->WaitForThreadPlayingEvent());
}

TEST_F(ThreadsManagerTest, ClosingADocumentWithAPausedJobHandlesItsMessagesThenDeletesIt) {
  doc.body = EBody::kPausePoint;
  Manager()->PauseThreads();
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* job = Newest();
  ASSERT_TRUE(Started());

  auto start = Clock::now();
  {
    PauseWatchdog watchdog(Manager());
    doc.KillThreads();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(JobCount(), 0);
  // +4 to +7 were handled while closing; +1 and +2 stay queued and name no
  // live job for their handlers to read.
  std::vector<UINT> handled = {WM_JOB_READ_THREAD_INFO, WM_JOB_THREAD_CREATED,   WM_JOB_READ_THREAD_INFO,
                               WM_JOB_READ_THREAD_INFO, WM_JOB_READ_THREAD_INFO, WM_JOB_READ_THREAD_INFO};
  EXPECT_EQ(mainFrame.MessagesAbout(job), handled);
  mainFrame.Pump();
  EXPECT_EQ(mainFrame.MessagesAbout(job).size(), handled.size() + 2);
  Manager()->PlayThreads();
}

TEST_F(ThreadsManagerTest, PausesNestAndPlayingMoreThanPausedDoesNothing) {
  Manager()->PauseThreads();
  Manager()->PauseThreads();
  Manager()->PlayThreads();
  EXPECT_TRUE(JobsPaused());
  Manager()->PlayThreads();
  EXPECT_FALSE(JobsPaused());
  Manager()->PlayThreads();
  EXPECT_FALSE(JobsPaused());
  Manager()->PauseThreads();
  EXPECT_TRUE(JobsPaused());
  Manager()->PlayThreads();
  EXPECT_FALSE(JobsPaused());
}

TEST_F(ThreadsManagerTest, JobsPlayAgainOnlyWhenNoDocumentHoldsAPause) {
  CScriptedDoc other;
  doc.body = EBody::kPausePoint;
  Manager()->PauseThreads();
  other.GetThreadsManager()->PauseThreads();
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* job = Newest();
  ASSERT_TRUE(Started());

  Manager()->PlayThreads();
  EXPECT_TRUE(JobsPaused());
  EXPECT_TRUE(StillRuns(job));
  other.GetThreadsManager()->PlayThreads();
  EXPECT_FALSE(JobsPaused());
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCompleted);
}

TEST_F(ThreadsManagerTest, ThePlayingEventOutlivesAClosedDocumentWhileAnotherJobWaits) {
  doc.body = EBody::kPausePoint;
  HANDLE event = g_appOptions.hPlayingEvent;
  ASSERT_NE(event, nullptr);
  Manager()->PauseThreads();
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* job = Newest();
  ASSERT_TRUE(Started());
  {
    CScriptedDoc closing;
    EXPECT_EQ(g_appOptions.hPlayingEvent, event);
    closing.GetThreadsManager()->PauseThreads();
  }
  EXPECT_EQ(g_appOptions.hPlayingEvent, event);
  EXPECT_TRUE(JobsPaused());
  EXPECT_TRUE(StillRuns(job));
  Manager()->PlayThreads();
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCompleted);
}

TEST_F(ThreadsManagerTest, AClosedDocumentLeavesNoPauseBehind) {
  {
    CScriptedDoc closing;
    closing.GetThreadsManager()->PauseThreads();
    EXPECT_TRUE(JobsPaused());
  }
  EXPECT_FALSE(JobsPaused());
}

// Jobs of two documents that pause themselves, beside the documents' own
// pauses: jobs paused stays set while any of them holds a pause, and only the
// documents' pauses stop jobs.
TEST_F(ThreadsManagerTest, JobsStayPausedWhileAnyJobOrDocumentHoldsAPause) {
  CScriptedDoc other;
  doc.body = EBody::kWaitForGate;
  other.body = EBody::kWaitForGate;
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  other.GetThreadsManager()->ReduceTrianglesCount(&other, &frameB);
  CDXThread* first = Newest();
  CDXThread* second = other.GetThreadsManager()->GetThreadList()->GetHead();

  EXPECT_EQ(first->PauseThread(), 1u);
  EXPECT_TRUE(JobsPaused());
  EXPECT_EQ(second->PauseThread(), 1u);
  EXPECT_EQ(first->PlayThread(), 0u);
  EXPECT_TRUE(JobsPaused());
  Manager()->PauseThreads();
  EXPECT_EQ(second->PlayThread(), 0u);
  EXPECT_TRUE(JobsPaused());
  EXPECT_EQ(first->PauseThread(), 1u);
  Manager()->PlayThreads();
  EXPECT_TRUE(JobsPaused());

  // A job's own pause stops nobody: both jobs pass their pause points.
  SetEvent(doc.gate);
  SetEvent(other.gate);
  ASSERT_TRUE(mainFrame.WaitForEnd(first));
  ASSERT_TRUE(mainFrame.WaitForEnd(second));
  EXPECT_EQ(first->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_EQ(second->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_TRUE(JobsPaused());
  EXPECT_EQ(first->PlayThread(), 0u);
  EXPECT_FALSE(JobsPaused());
}

TEST_F(ThreadsManagerTest, AJobThatGoesLeavesNoPauseBehind) {
  {
    CDXThread job;
    job.PauseThread();
    job.PauseThread();
    EXPECT_TRUE(JobsPaused());
  }
  EXPECT_FALSE(JobsPaused());
}

// Every launcher, aimed at one frame where it takes one, with the checks it
// makes before it starts a job.
struct Launcher {
  const char* name;
  std::function<void()> launch;
  bool locksManager;
  bool checksFrame;
  bool checksActivity;
};

std::vector<Launcher> LaunchersOn(CThreadsManager* m, CDXDoc* doc, CFrame* frame) {
  static char title[] = "scene", name[] = "scene.x", path[] = "/in/scene.x", folder[] = "/in/";
  CCameraFrame* camera = nullptr;
  return {
      {"connectivity", [=] { m->CreateConnectivityMeshFrame(doc, frame, camera); }, true, true, false},
      {"snapshot", [=] { m->CreateRetainedModeMeshFrame(doc, frame, camera); }, true, true, true},
      {"progressive", [=] { m->CreateProgressiveMeshFrame(doc, frame, camera); }, true, true, true},
      {"display options", [=] { m->ApplyPMeshDisplayOptions(doc, frame, camera, 50.0f); }, true, true, true},
      {"reduction", [=] { m->ReduceTrianglesCount(doc, frame); }, true, true, true},
      {"x import", [=] { m->InsertXFileObjects(doc, title, name, path, folder, camera); }, true, false, true},
      {"3ds import", [=] { m->Insert3dsFileObjects(doc, title, name, path, folder, camera); }, true, false, true},
      {"conv3ds import", [=] { m->InsertConverted3dsFileObjects(doc, title, name, path, folder, camera); }, true, false,
       true},
      {"x export", [=] { m->ExportXFileObjects(doc, title, name, path, folder, frame); }, true, true, true},
      {"3ds export", [=] { m->Export3dsFileObjects(doc, title, name, path, folder, frame); }, true, true, true},
      {"do it all", [=] { m->DoItAllPMesh(doc, camera); }, false, false, false},
  };
}

TEST_F(ThreadsManagerTest, LaunchersRefuseAFrameInWorkAndAnActiveManagerUnlessTheySkipTheCheck) {
  doc.body = EBody::kWaitForGate;
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* blocker = Newest();
  // frameA is in work; frameB is free until a launcher that starts claims it.
  for (CFrame* frame : {&frameA, &frameB}) {
    for (const Launcher& l : LaunchersOn(Manager(), &doc, frame)) {
      bool frameInWork = l.checksFrame && Manager()->IsThreadForSelectedFrame(frame);
      int before = JobCount();
      l.launch();
      EXPECT_EQ(JobCount(), before + (frameInWork || l.checksActivity ? 0 : 1))
          << l.name << (frame == &frameA ? " on the busy frame" : " on a free frame");
    }
  }
  // Started: the blocker, do-it-all twice and the connectivity job on frameB.
  EXPECT_EQ(JobCount(), 4);
  EXPECT_TRUE(Manager()->IsThreadForSelectedFrame(&frameB));
  EXPECT_FALSE(Manager()->IsThreadForSelectedFrame(NULL));
  EXPECT_STREQ(Manager()->GetActiveThreadType(), "Do it all");

  // The active flag stays up while any of the jobs runs.
  blocker->KillThread();
  EXPECT_TRUE(Manager()->ActiveThread());
  FinishAll();
  EXPECT_FALSE(Manager()->ActiveThread());
  EXPECT_STREQ(Manager()->GetActiveThreadType(), "");
  EXPECT_FALSE(Manager()->IsThreadForSelectedFrame(&frameA));
}

TEST_F(ThreadsManagerTest, BusyManagerMakesEveryLockingLauncherThrow) {
  HANDLE held = CreateEventA(NULL, TRUE, FALSE, NULL);
  HANDLE release = CreateEventA(NULL, TRUE, FALSE, NULL);
  std::thread holder([&] {
    Manager()->LockThreadManager(false);
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    Manager()->UnlockThreadManager();
  });
  WaitForSingleObject(held, INFINITE);
  for (const Launcher& l : LaunchersOn(Manager(), &doc, &frameA)) {
    std::string thrown;
    int before = JobCount();
    try {
      l.launch();
    } catch (const char* text) {
      thrown = text;
    }
    EXPECT_EQ(thrown, l.locksManager ? "Info: Cannot lock the threads manager mutex." : "") << l.name;
    EXPECT_EQ(JobCount(), before + (l.locksManager ? 0 : 1)) << l.name;
  }
  SetEvent(release);
  holder.join();
  CloseHandle(held);
  CloseHandle(release);
  FinishAll();
}

TEST_F(ThreadsManagerTest, ASetUpThatThrowsStartsNothingAndKeepsNothing) {
  // A job holds the frame, so the reduction cannot read its counts at launch.
  HANDLE held = CreateEventA(NULL, TRUE, FALSE, NULL);
  HANDLE release = CreateEventA(NULL, TRUE, FALSE, NULL);
  std::thread holder([&] {
    frameA.Lock(false, false);
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    frameA.Unlock();
  });
  WaitForSingleObject(held, INFINITE);
  std::string thrown;
  try {
    Manager()->ReduceTrianglesCount(&doc, &frameA);
  } catch (const char* text) {
    thrown = text;
  }
  SetEvent(release);
  holder.join();
  CloseHandle(held);
  CloseHandle(release);
  EXPECT_EQ(thrown, "Info: Cannot lock the dx file object.");
  EXPECT_EQ(JobCount(), 0);
  EXPECT_FALSE(Manager()->ActiveThread());

  // The manager is free for the next launch.
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  EXPECT_EQ(JobCount(), 1);
  FinishAll();
}

TEST_F(ThreadsManagerTest, RemoveDXThreadUnlistsWithoutDeleting) {
  Manager()->ReduceTrianglesCount(&doc, &frameA);
  CDXThread* job = Newest();
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_TRUE(Manager()->RemoveDXThread(job));
  EXPECT_FALSE(Manager()->RemoveDXThread(job));
  EXPECT_EQ(JobCount(), 0);
  delete job;
}

}  // namespace
