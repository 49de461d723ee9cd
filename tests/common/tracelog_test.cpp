#include "tracelog.h"

#include <afxfile.h>
#include <afxwin.h>
#include <appoptions.h>
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Points the host's trace log at a file of the test's own for the test's
// length, then reopens the program's log.
class TraceLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = (fs::path(testing::TempDir()) / ("trace_" + std::to_string(getpid()) + ".log")).string();
    g_appOptions.traceLog.Close();
    ASSERT_TRUE(g_appOptions.traceLog.Open(m_path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
  }
  void TearDown() override {
    g_appOptions.traceLog.Close();
    fs::remove(m_path);
    g_appOptions.traceLog.Open(GetTraceLogPath(),
                               CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::typeText);
    g_appOptions.traceLog.SeekToEnd();
  }
  // What the file holds now, without closing it: each line is flushed.
  std::string Written() const {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string m_path;
};

TEST_F(TraceLogTest, LinesAreAppendedUnchangedAndFlushed) {
  WriteTrace("\nError: first");
  EXPECT_EQ(Written(), "\nError: first");
  WriteTrace("\nInfo: second");
  EXPECT_EQ(Written(), "\nError: first\nInfo: second");
}

TEST_F(TraceLogTest, TimedLine) {
  EXPECT_EQ(std::string(TimedTraceText(1500, "Loading")), "\n1.500000\tseconds: Loading.");
  EXPECT_EQ(std::string(TimedTraceText(0, "x")), "\n0.000000\tseconds: x.");

  // A start time 1.5 s back, taken as an unsigned difference: it holds also
  // when the start lies numerically above the counter (the counter wrapped).
  const DWORD start = timeGetTime() - 1500u;
  WriteTrace(start, "Loading");
  const std::string line = Written();
  ASSERT_EQ(line.substr(0, 1), "\n");
  EXPECT_EQ(line.substr(line.size() - 18), "\tseconds: Loading.");
  const double seconds = std::strtod(line.c_str() + 1, nullptr);
  EXPECT_GE(seconds, 1.5);
  EXPECT_LT(seconds, 60.0);  // not the wrapped 4294967 seconds
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
