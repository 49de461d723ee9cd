#include <afxdesktop.h>
#include <afxext.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dx_splitter_frame.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <main_frame.h>
#include <resource.h>
#include <vorever.h>
#include <vorever_dll.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"

namespace {

// The system as the host starts it: the document manager, the device object
// (or none) and the library's main frame and templates.
class MainFrameTest : public ProgramTest {
 protected:

};

std::vector<std::string> Texts(const std::vector<CString>& texts) {
  std::vector<std::string> result;
  for (const CString& text : texts) result.emplace_back(static_cast<LPCSTR>(text));
  return result;
}

TEST_F(MainFrameTest, TheMainWindowHasItsTitleMenusStatusAndReductionToolbar) {
  StartProgram(true);
  EXPECT_STREQ(m_frame->GetWindowTextString(), "Qorvex Vorever");
  EXPECT_EQ(Texts(m_frame->GetMenuTitles()), (std::vector<std::string>{"&File", "&View", "&Window", "&Help"}));
  EXPECT_EQ(Texts(m_frame->GetMenuItemTexts(0)), (std::vector<std::string>{"&Import...", "", "E&xit"}));
  EXPECT_EQ(Texts(m_frame->GetMenuItemTexts(3)),
            (std::vector<std::string>{"&Quick start", "&Tutorial", "", "&About Vorever..."}));
  EXPECT_STREQ(m_frame->GetMessageText(), "Ready");

  CToolBar* toolbar = m_frame->GetReductionStepsToolbar();
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(m_frame->PMeshPolygonReductionToolBarCreated());
  const UINT ids[] = {ID_INSERT_3DOBJECT_FROM_FILE, ID_CREATE_PMESH, ID_APPLY_PMESH_DISPLAY, ID_EXPORT_3DOBJECT};
  ASSERT_EQ(toolbar->GetCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(toolbar->GetItemID(i), ids[i]);
  EXPECT_STREQ(toolbar->GetButtonTip(0), "Import a 3D file");
  EXPECT_STREQ(toolbar->GetButtonFlyBy(3), "Export the selected retained mode object as a x file");

  // The second toolbar replaces the first, separators included.
  ASSERT_TRUE(m_frame->CreateCMeshPolygonReductionToolbar());
  EXPECT_FALSE(m_frame->PMeshPolygonReductionToolBarCreated());
  EXPECT_EQ(m_frame->GetReductionStepsToolbar()->GetCount(), 9);
  EXPECT_EQ(m_frame->GetReductionStepsToolbar()->GetItemID(1), static_cast<UINT>(ID_SEPARATOR));
}

TEST_F(MainFrameTest, UpdateHandlersEnableAndCheckTheMenuItems) {
  StartProgram(true);
  m_frame->OnUpdateCmdUI();
  BOOL enabled = FALSE, checked = FALSE;
  ASSERT_TRUE(m_frame->GetMenuItemState(ID_VIEW_REDUCTION_STEPS_TOOLBAR, &enabled, &checked));
  EXPECT_TRUE(checked);
  // The toggle hides the toolbar; its item is then unchecked.
  ASSERT_TRUE(m_frame->TriggerCommand(ID_VIEW_REDUCTION_STEPS_TOOLBAR));
  m_frame->OnUpdateCmdUI();
  ASSERT_TRUE(m_frame->GetMenuItemState(ID_VIEW_REDUCTION_STEPS_TOOLBAR, &enabled, &checked));
  EXPECT_FALSE(checked);
  // No document: the window commands are greyed.
  ASSERT_TRUE(m_frame->GetMenuItemState(ID_WINDOW_CASCADE, &enabled, nullptr));
  EXPECT_FALSE(enabled);
}

TEST_F(MainFrameTest, AFailedDeviceShowsTheStopBox) {
  DWORD before = GetLastMessageBox().count;
  StartProgram(false);
  MessageBoxRecord box = GetLastMessageBox();
  ASSERT_GT(box.count, before);
  EXPECT_EQ(box.caption, "Creation of a Direct3D device");
  EXPECT_NE(box.text.find("Check the log file for details."), std::string::npos);
  EXPECT_EQ(box.type & 0xF0u, static_cast<UINT>(MB_ICONSTOP));
  // Import stays greyed without a device.
  m_frame->OnUpdateCmdUI();
  BOOL enabled = TRUE;
  ASSERT_TRUE(m_frame->GetMenuItemState(ID_INSERT_3DOBJECT_FROM_FILE, &enabled, nullptr));
  EXPECT_FALSE(enabled);
}

TEST_F(MainFrameTest, ADocumentWindowOpensDrawsAndCloses) {
  StartProgram(true);
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_TRUE(m_manager.DocInList(document));
  ASSERT_TRUE(g_testDesktop->WaitFor([&] {
    m_frame->RenderAllSurfaces(true);
    return m_frame->GetActive3DView() != nullptr && m_frame->GetActive3DView()->GetPresentedFrames() > 0;
  }));
  m_frame->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_EQ(m_frame->MDIGetActive(), nullptr);
  EXPECT_FALSE(m_manager.DocInList(document));
}

// A document whose import waits at the job's pause point until it is stopped.
class CWaitingDoc : public CDXDoc {
  DECLARE_DYNCREATE(CWaitingDoc)

 public:
  std::atomic<bool> started{false};
  bool InsertXFileObjects(char*, char*, char*, CCameraFrame*, CDXThread* job) override {
    started = true;
    while (job->WaitForThreadPlayingEvent()) {
      Sleep(1);
    }
    return false;
  }
};
IMPLEMENT_DYNCREATE(CWaitingDoc, CDXDoc)

TEST_F(MainFrameTest, ClosingADocumentWindowWithAPausedJobReturns) {
  StartProgram(true);
  CMultiDocTemplate docTemplate(IDR_SPLITTERFRAME, RUNTIME_CLASS(CWaitingDoc), RUNTIME_CLASS(CDXSplitterFrame),
                                RUNTIME_CLASS(CDXFile3DView));
  auto* document = static_cast<CWaitingDoc*>(docTemplate.OpenDocumentFile(nullptr));
  ASSERT_NE(document, nullptr);
  document->GetThreadsManager()->InsertXFileObjects(document, "ship", "ship.x", "/none/ship.x", "/none/", nullptr);
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return document->started.load(); }));
  document->GetThreadsManager()->PauseThreads();
  m_frame->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_EQ(m_frame->MDIGetActive(), nullptr);
  EXPECT_EQ(docTemplate.GetFirstDocPosition(), nullptr);
}

// A main frame that notes on which thread the status-bar message arrives.
class CThreadNotingFrame : public CDXMainFrame {
 public:
  std::atomic<DWORD> handledOn{0};
  LRESULT OnSetMessageText(WPARAM wParam, LPARAM lParam) override {
    handledOn = GetCurrentThreadId();
    return CDXMainFrame::OnSetMessageText(wParam, lParam);
  }
};

TEST(MainFrameMessages, AJobThreadsMessageReachesTheMainFrameOnTheMainThread) {
  CThreadNotingFrame frame;
  ASSERT_TRUE(frame.Create());
  HWND window = frame.GetSafeHwnd();
  std::thread job([window] { PostMessageA(window, WM_USER + 15, AFX_IDS_IDLEMESSAGE, 0); });
  job.join();
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return frame.handledOn != 0u; }));
  EXPECT_EQ(frame.handledOn.load(), theApp.m_nThreadID);
  frame.DestroyWindow();
}

}  // namespace
