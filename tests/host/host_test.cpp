#include <gtest/gtest.h>
#include <vorever.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

TEST(Host, ApplicationObjectMarksTheMainThread) {
  EXPECT_EQ(AfxGetApp(), &theApp);
  EXPECT_TRUE(theApp.IsKindOf(RUNTIME_CLASS(CWinApp)));
  EXPECT_EQ(AfxGetThread()->m_nThreadID, AfxGetApp()->m_nThreadID);
  EXPECT_EQ(theApp.m_nThreadID, GetCurrentThreadId());
  EXPECT_EQ(theApp.GetDocumentManager(), nullptr);
  EXPECT_EQ(theApp.m_pMainWnd, nullptr);
  char module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(theApp.m_hInstance, module, MAX_PATH), 0u);
}

TEST(Host, TraceLogIsOpenInTheProgramFolder) {
  CString path = GetTraceLogPath();
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(path, CString(program) + ".log");
  // Written from a job thread as the libraries do; text mode gives CR LF.
  std::thread([] {
    g_appOptions.traceLog.WriteString("\nInfo: host trace check.");
    g_appOptions.traceLog.Flush();
  }).join();
  std::ifstream in(static_cast<LPCSTR>(path), std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(content.find("\r\nInfo: host trace check."), std::string::npos);
}

TEST(Host, OptionRecordsStartUsable) {
  EXPECT_FALSE(g_appOptions.bJobsPaused);
  EXPECT_EQ(g_appOptions.hPlayingEvent.load(), nullptr);
  EXPECT_EQ(g_appOptions.pProgressCtrl, nullptr);
  EXPECT_EQ(g_appOptions.szImportFolder[0], '\0');
  EXPECT_EQ(g_appOptions.szConvTextureExt[0], '\0');

  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  g_appOptions.hPlayingEvent = event;
  EXPECT_EQ(WaitForSingleObject(g_appOptions.hPlayingEvent, 0), WAIT_OBJECT_0);
  CloseHandle(g_appOptions.hPlayingEvent);
  g_appOptions.hPlayingEvent = nullptr;

  // A free light index: the lowest key not yet held.
  for (DWORD key : {0u, 1u, 3u}) g_lightIndices.SetAt(key, 0);
  DWORD index = 0;
  WORD unused;
  while (g_lightIndices.Lookup(index, unused)) ++index;
  EXPECT_EQ(index, 2u);
  g_lightIndices.RemoveAll();
}
