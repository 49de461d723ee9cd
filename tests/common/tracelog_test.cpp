#include "tracelog.h"

#include <afxfile.h>
#include <afxwin.h>
#include <appoptions.h>
#include <gtest/gtest.h>
#include <mmsystem.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "temp_folder.h"

namespace {

// Points the host's trace log at a file of the test's own for the test's
// length, then reopens the program's log.
class TraceLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_folder.Path("trace.log");
    g_appOptions.traceLog.Close();
    ASSERT_TRUE(g_appOptions.traceLog.Open(m_path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
  }
  void TearDown() override {
    g_appOptions.traceLog.Close();
    g_appOptions.traceLog.Open(GetTraceLogPath(),
                               CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::typeText);
    g_appOptions.traceLog.SeekToEnd();
  }
  // What the file holds now, without closing it: each line is flushed.
  std::string Written() const {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempFolder m_folder;
  std::string m_path;
};

TEST_F(TraceLogTest, LinesAreAppendedUnchangedAndFlushed) {
  WriteTrace("\nError: first");
  EXPECT_EQ(Written(), "\nError: first");
  WriteTrace("\nInfo: second");
  EXPECT_EQ(Written(), "\nError: first\nInfo: second");
}

DWORD g_now = 0;
DWORD FixedClock() { return g_now; }

TEST_F(TraceLogTest, TimedLineCountsAcrossTheCountersWrap) {
  const struct {
    DWORD start, now;
    const char* expected;
  } cases[] = {
      {10000, 11500, "\n1.500000\tseconds: Loading."},
      {0xFFFFFFFFu - 767, 732, "\n1.500000\tseconds: Loading."},  // started before the wrap
      {5, 5, "\n0.000000\tseconds: Loading."},
  };
  const TimeSource previous = SetTimeGetTimeSource(FixedClock);
  std::string expected;
  for (const auto& c : cases) {
    g_now = c.now;
    WriteTrace(c.start, "Loading");
    expected += c.expected;
    EXPECT_EQ(Written(), expected);
  }
  SetTimeGetTimeSource(previous);
}

TEST(SystemError, TraceWithAndWithoutAText) {
  SetLastError(2);
  TraceSystemError();  // switched off: nothing to see, nothing leaked
  SetLastError(0xFFFFFFF0u);
  TraceSystemError();
  SUCCEED();
}

TEST(MainWindow, ThePermanentObjectOfTheCallingThread) {
  CWinApp* app = AfxGetApp();
  ASSERT_NE(app, nullptr);
  app->m_pMainWnd = nullptr;
  EXPECT_EQ(GetOtherThreadMainWindow(), nullptr);

  CWnd main;
  ASSERT_TRUE(main.CreateEx(0, nullptr, "main", 0, 0, 0, 10, 10, nullptr, nullptr));
  app->m_pMainWnd = &main;
  EXPECT_EQ(GetOtherThreadMainWindow(), &main);
  CWnd* seenElsewhere = &main;
  std::thread([&seenElsewhere] { seenElsewhere = GetOtherThreadMainWindow(); }).join();
  EXPECT_EQ(seenElsewhere, nullptr);  // another thread's map does not hold it
  app->m_pMainWnd = nullptr;
  main.DestroyWindow();
}

}  // namespace
