#include <dx_thread.h>
#include <gtest/gtest.h>
#include <job_threads.h>

#include <algorithm>
#include <regex>

#include "job_test_support.h"

namespace {

class DXThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(frame.Create()); }

  int Posted(UINT message) {
    frame.Pump();
    return static_cast<int>(std::count_if(frame.messages.begin(), frame.messages.end(),
                                          [&](const RecordedMessage& m) { return m.message == message; }));
  }

  CRecordingMainFrame frame;
};

TEST_F(DXThreadTest, StatusTexts) {
  struct Case {
    LONG code;
    const char* text;
    bool ended;
  };
  const Case cases[] = {{0, "Created", false},  {1, "In progress", false}, {2, "Terminated", true},
                        {3, "Completed", true}, {4, "Failed", true},       {7, "Unknown status", false}};
  for (const Case& c : cases) {
    CDXThread job;
    job.SetThreadStatus(static_cast<CDXThread::EThreadStatus>(c.code));
    EXPECT_STREQ(job.GetThreadStatus(), c.text);
    EXPECT_EQ(job.ThreadEnded(), c.ended) << c.text;
    EXPECT_EQ(job.GetTimeThreadEnded().IsEmpty(), !c.ended) << c.text;
    EXPECT_EQ(job.GetThreadElapsedTime().IsEmpty(), !c.ended) << c.text;
  }
}

TEST_F(DXThreadTest, EndedJobShowsItsTimes) {
  CDXThread job;
  job.SetThreadStatus(CDXThread::eThreadCompleted);
  std::regex clock("[0-9]{2}:[0-9]{2}:[0-9]{2}");
  EXPECT_TRUE(std::regex_match(static_cast<const char*>(job.GetTimeThreadStarted()), clock));
  EXPECT_TRUE(std::regex_match(static_cast<const char*>(job.GetTimeThreadEnded()), clock));
  EXPECT_TRUE(std::regex_match(static_cast<const char*>(job.GetThreadElapsedTime()), clock));
}

TEST_F(DXThreadTest, CountersShowOnlyWhereTheJobKeepsThem) {
  CDXThread plain;
  CProgressiveFrameThread twoCounters;
  CConnectivityFrameThread fourCounters;
  struct Case {
    CDXThread* job;
    const char* vertices;
    const char* triangles;
    const char* halfEdges;
    const char* edges;
  };
  for (const Case& c :
       {Case{&plain, "", "", "", ""}, Case{&twoCounters, "0", "0", "", ""}, Case{&fourCounters, "0", "0", "0", "0"}}) {
    EXPECT_STREQ(c.job->GetThreadOutputVerticesCount(), c.vertices);
    EXPECT_STREQ(c.job->GetThreadOutputTrianglesCount(), c.triangles);
    EXPECT_STREQ(c.job->GetThreadOutputHalfEdgesCount(), c.halfEdges);
    EXPECT_STREQ(c.job->GetThreadOutputEdgesCount(), c.edges);
  }
}

TEST_F(DXThreadTest, CountersAndTotalsAddUp) {
  CConnectivityFrameThread job;
  job.SetThreadOutputVerticesCount(10);
  job.IncreaseThreadOutputVerticesCount(5);
  job.DecreaseThreadOutputVerticesCount(3);
  job.SetThreadOutputTrianglesCount(20, 1.5f);
  job.IncreaseThreadOutputTrianglesCount(2, 0.5f);
  job.DecreaseThreadOutputTrianglesCount(1, 0.25f);
  job.SetThreadOutputHalfEdgesCount(6);
  job.DecreaseThreadOutputHalfEdgesCount(2);
  job.SetThreadOutputEdgesCount(3, 2.0f);
  job.IncreaseThreadOutputEdgesCount(1, 1.0f);
  EXPECT_STREQ(job.GetThreadOutputVerticesCount(), "12");
  EXPECT_STREQ(job.GetThreadOutputTrianglesCount(), "21");
  EXPECT_EQ(job.GetCurrentThreadOutputTrianglesCount(), 21u);
  EXPECT_DOUBLE_EQ(job.GetTotalActiveTrianglesArea(), 1.75);
  EXPECT_STREQ(job.GetThreadOutputHalfEdgesCount(), "4");
  EXPECT_STREQ(job.GetThreadOutputEdgesCount(), "4");
  EXPECT_DOUBLE_EQ(job.GetTotalActiveEdgesMagnitude(), 3.0);
}

DWORD g_clock = 0;
DWORD FixedClock() { return g_clock; }

// Puts timeGetTime on g_clock while it lives.
struct FixedClockScope {
  FixedClockScope() { SetTimeGetTimeSource(FixedClock); }
  ~FixedClockScope() { SetTimeGetTimeSource(NULL); }
};

TEST_F(DXThreadTest, CounterChangesPostAtMostOnceASecondAndSetsAlways) {
  FixedClockScope clock;
  CDXThread job;
  job.SetUpParameters(frame.GetSafeHwnd(), NULL, "title", "type", "input");
  g_clock = 0xFFFFFE00u;  // the next second runs across the counter's wrap
  job.IncreaseThreadOutputTrianglesCount(1, 0.0f);
  EXPECT_EQ(Posted(WM_JOB_READ_THREAD_INFO), 1);

  g_clock += 10;
  job.IncreaseThreadOutputVerticesCount(1);
  for (int i = 0; i < 10; ++i) job.DecreaseThreadOutputEdgesCount(1, 0.0f);
  EXPECT_EQ(Posted(WM_JOB_READ_THREAD_INFO), 1);

  job.SetThreadOutputVerticesCount(3);
  EXPECT_EQ(Posted(WM_JOB_READ_THREAD_INFO), 2);

  g_clock = 0xFFFFFE00u + 999;
  job.IncreaseThreadOutputHalfEdgesCount(1);
  EXPECT_EQ(Posted(WM_JOB_READ_THREAD_INFO), 2);
  g_clock = 0xFFFFFE00u + 1000;
  job.IncreaseThreadOutputHalfEdgesCount(1);
  EXPECT_EQ(Posted(WM_JOB_READ_THREAD_INFO), 3);
}

TEST_F(DXThreadTest, PostsCarryTheJobOrTheDocumentAndSkipNullObjects) {
  CDXThread job;
  CDXDoc* document = reinterpret_cast<CDXDoc*>(0x1234);
  job.SetUpParameters(frame.GetSafeHwnd(), document, "title", "type", "input");
  job.ResetTreeDisplayName(NULL);
  job.DeleteTreeItem(NULL);
  job.SetSelectedFrame(NULL);
  frame.Pump();
  EXPECT_TRUE(frame.messages.empty());

  CChildObject* child = reinterpret_cast<CChildObject*>(0x42);
  CFrame* selected = reinterpret_cast<CFrame*>(0x43);
  job.SetSlider();
  job.ResetTreeDisplayName(child);
  job.FillAnimationSetsCombo();
  job.DeleteTreeItem(child);
  job.SetSelectedFrame(selected);
  job.SetMessageText(61499);
  job.TraceFileCreated("trace.txt");
  frame.Pump();
  const LPARAM doc = reinterpret_cast<LPARAM>(document);
  const LPARAM self = reinterpret_cast<LPARAM>(&job);
  std::vector<RecordedMessage> expected = {{WM_JOB_SET_SLIDER, 0, doc},
                                           {WM_JOB_RESET_TREE_DISPLAY_NAME, reinterpret_cast<WPARAM>(child), doc},
                                           {WM_JOB_FILL_ANIMATION_SETS_COMBO, 0, doc},
                                           {WM_JOB_DELETE_TREE_ITEM, reinterpret_cast<WPARAM>(child), doc},
                                           {WM_JOB_SET_SELECTED_FRAME, reinterpret_cast<WPARAM>(selected), doc},
                                           {WM_JOB_SET_MESSAGE_TEXT, 61499, 0},
                                           {WM_JOB_TRACE_FILE_CREATED, 0, self}};
  ASSERT_EQ(frame.messages.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(frame.messages[i].message, expected[i].message) << i;
    EXPECT_EQ(frame.messages[i].wParam, expected[i].wParam) << i;
    EXPECT_EQ(frame.messages[i].lParam, expected[i].lParam) << i;
  }
  EXPECT_TRUE(job.TraceFileIsCreated());
  EXPECT_STREQ(job.GetTraceFilePath(), "trace.txt");
}

TEST_F(DXThreadTest, JobWithoutMainWindowPostsNothing) {
  CDXThread job;
  job.SetUpParameters(NULL, NULL, "title", "type", "input");
  job.ResetTreeDisplayName(reinterpret_cast<CChildObject*>(0x42));
  job.FillAnimationSetsCombo();
  job.SetSelectedFrame(reinterpret_cast<CFrame*>(0x43));
  job.SetMessageText(61499);
  job.SetThreadOutputVerticesCount(1);
  frame.Pump();
  EXPECT_TRUE(frame.messages.empty());
}

TEST_F(DXThreadTest, OwnPauseNests) {
  CDXThread job;
  EXPECT_EQ(job.PlayThread(), 0u);
  EXPECT_EQ(job.PauseThread(), 1u);
  EXPECT_EQ(job.PauseThread(), 2u);
  EXPECT_EQ(job.PlayThread(), 1u);
  EXPECT_EQ(job.PlayThread(), 0u);
  EXPECT_EQ(job.PlayThread(), 0u);
}

TEST_F(DXThreadTest, KillingAJobThatNeverRanChangesNothing) {
  CDXThread job;
  EXPECT_TRUE(job.KillThread());
  EXPECT_EQ(job.GetEThreadStatus(), CDXThread::eThreadCreated);
  EXPECT_TRUE(job.WaitForThreadPlayingEvent());
}

}  // namespace

namespace {

TEST(MainFrameTest, EveryJobMessageReachesItsHandler) {
  CRecordingMainFrame frame;
  ASSERT_TRUE(frame.Create());
  EXPECT_EQ(GetMainFrame(), &frame);
  for (UINT message = WM_JOB_DESTROY_PROGRESS_BAR; message <= WM_JOB_SET_MESSAGE_TEXT; ++message) {
    PostMessageA(frame.GetSafeHwnd(), message, message + 100, message + 200);
  }
  PostMessageA(frame.GetSafeHwnd(), WM_USER + 16, 0, 0);
  frame.Pump();
  ASSERT_EQ(frame.messages.size(), 15u);
  for (UINT i = 0; i < 15; ++i) {
    UINT message = WM_JOB_DESTROY_PROGRESS_BAR + i;
    EXPECT_EQ(frame.messages[i].message, message);
    EXPECT_EQ(frame.messages[i].wParam, message + 100);
    EXPECT_EQ(frame.messages[i].lParam, static_cast<LPARAM>(message + 200));
  }
}

}  // namespace
