// The help windows, the about box and the device-creation log window.
#include <about_box.h>
#include <advertising_windows.h>
#include <afxdesktop.h>
#include <appfiles.h>
#include <browser_wnd.h>
#include <device_log_view.h>
#include <document_manager.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <help_views.h>
#include <main_frame.h>
#include <resource.h>
#include <vorever.h>
#include <vorever_dll.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"

namespace {

class HelpAndLogTest : public ProgramTest {
 protected:
  void SetUp() override { StartProgram(); }

  std::vector<CHelpDocument*> HelpDocuments() {
    std::vector<CHelpDocument*> documents;
    CMultiDocTemplate* docTemplate = GetHelpDocTemplate();
    for (POSITION at = docTemplate->GetFirstDocPosition(); at != nullptr;) {
      documents.push_back(static_cast<CHelpDocument*>(docTemplate->GetNextDoc(at)));
    }
    return documents;
  }

  static std::string PageOf(CHelpDocument* document) {
    std::string url(document->GetHelpView()->GetBrowserWnd()->GetLocationURL());
    return url.substr(url.find_last_of('/') + 1);
  }

};

TEST_F(HelpAndLogTest, EachHelpCommandOpensItsOwnTitledWindowOnItsPage) {
  ASSERT_TRUE(m_frame->TriggerCommand(ID_HELP_QUICK_START));
  ASSERT_TRUE(m_frame->TriggerCommand(ID_HELP_QUICK_START));
  ASSERT_TRUE(m_frame->TriggerCommand(ID_HELP_TUTORIAL));
  std::vector<CHelpDocument*> documents = HelpDocuments();
  ASSERT_EQ(documents.size(), 3u);
  const char* titles[] = {"Quick start help", "Quick start help", "Polygon reduction tutorial"};
  const char* pages[] = {"QuickStart.htm", "QuickStart.htm", "Tutorial.htm"};
  for (size_t i = 0; i < documents.size(); ++i) {
    ASSERT_NE(documents[i]->GetHelpView(), nullptr);
    ASSERT_NE(documents[i]->GetHelpView()->GetBrowserWnd(), nullptr);
    EXPECT_STREQ(documents[i]->GetHelpView()->GetParentFrame()->GetWindowTextString(), titles[i]);
    EXPECT_EQ(PageOf(documents[i]), pages[i]);
  }
  // The frame has its Back/Forward toolbar.
  auto* frame = static_cast<CHelpViewChildFrame*>(documents[0]->GetHelpView()->GetParentFrame());
  ASSERT_EQ(frame->GetHelpToolbar()->GetCount(), 2);
  EXPECT_EQ(frame->GetHelpToolbar()->GetItemID(0), static_cast<UINT>(ID_HELP_BACK));
  EXPECT_EQ(frame->GetHelpToolbar()->GetItemID(1), static_cast<UINT>(ID_HELP_FORWARD));
}

TEST_F(HelpAndLogTest, BackAndForwardWalkTheHelpWindowsHistory) {
  ASSERT_TRUE(m_frame->TriggerCommand(ID_HELP_QUICK_START));
  CHelpDocument* document = HelpDocuments().at(0);
  CHelpView2* view = document->GetHelpView();
  // Without history the page stays.
  view->SendMessage(WM_COMMAND, ID_HELP_BACK);
  EXPECT_EQ(PageOf(document), "QuickStart.htm");
  document->Navigate(GetHtmlPathName("Tutorial.htm"));
  EXPECT_EQ(PageOf(document), "Tutorial.htm");
  view->SendMessage(WM_COMMAND, ID_HELP_BACK);
  EXPECT_EQ(PageOf(document), "QuickStart.htm");
  view->SendMessage(WM_COMMAND, ID_HELP_FORWARD);
  EXPECT_EQ(PageOf(document), "Tutorial.htm");
  // The page follows the window's size.
  view->GetParentFrame()->MoveWindow(0, 0, 500, 400);
  ASSERT_TRUE(g_testDesktop->WaitFor([&] {
    RECT client, page;
    view->GetClientRect(&client);
    view->GetBrowserWnd()->GetClientRect(&page);
    return client.right > 0 && page.right == client.right && page.bottom == client.bottom;
  }));
}

TEST_F(HelpAndLogTest, TheAboutBoxShowsItsPage) {
  CAboutDlg about;
  ASSERT_TRUE(about.Create(IDD_ABOUTBOX, m_frame));
  EXPECT_STREQ(about.GetWindowTextString(), "About Qorvex Vorever");
  ASSERT_NE(about.GetBrowser(), nullptr);
  std::string url(about.GetBrowser()->GetLocationURL());
  EXPECT_EQ(url.substr(url.find_last_of('/') + 1), "AboutVorever.htm");
  about.SendMessage(WM_COMMAND, IDOK);
  EXPECT_EQ(about.GetResult(), IDOK);
}

TEST_F(HelpAndLogTest, TheDeviceLogWindowShowsTheWholeLogAndClosesOnTheSecondCommand) {
  std::filesystem::path log = std::filesystem::path(static_cast<LPCSTR>(GetAppDirectory())) / "DeviceCreationLog.txt";
  std::string content;
  for (int line = 0; line < 40; ++line) content += "Adapter mode " + std::to_string(line) + ": 1024 x 768\n";
  { std::ofstream(log, std::ios::binary) << content; }

  ASSERT_TRUE(m_frame->TriggerCommand(ID_VIEW_DEVICE_CREATION_LOG));
  CDeviceCreationLogView* view = m_frame->GetDeviceCreationLogView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view->GetRichEditCtrl().GetText()), content);
  EXPECT_STREQ(view->GetParentFrame()->GetWindowTextString(), "Device creation log");
  m_frame->OnUpdateCmdUI();
  BOOL checked = FALSE;
  ASSERT_TRUE(m_frame->GetMenuItemState(ID_VIEW_DEVICE_CREATION_LOG, nullptr, &checked));
  EXPECT_TRUE(checked);

  ASSERT_TRUE(m_frame->TriggerCommand(ID_VIEW_DEVICE_CREATION_LOG));
  EXPECT_EQ(m_frame->GetDeviceCreationLogView(), nullptr);
  std::filesystem::remove(log);
}

TEST_F(HelpAndLogTest, AMissingDeviceLogGivesItsMessageAndAnEmptyWindow) {
  std::filesystem::path log = std::filesystem::path(static_cast<LPCSTR>(GetAppDirectory())) / "DeviceCreationLog.txt";
  std::filesystem::remove(log);
  DWORD before = GetLastMessageBox().count;
  ASSERT_TRUE(m_frame->TriggerCommand(ID_VIEW_DEVICE_CREATION_LOG));
  MessageBoxRecord box = GetLastMessageBox();
  ASSERT_GT(box.count, before);
  EXPECT_EQ(box.caption, "Opening the device creation log");
  EXPECT_FALSE(box.text.empty());
  ASSERT_NE(m_frame->GetDeviceCreationLogView(), nullptr);
  EXPECT_EQ(m_frame->GetDeviceCreationLogView()->GetRichEditCtrl().GetTextLength(), 0);
}

TEST_F(HelpAndLogTest, TheBrowserViewShowsThePageForNoAdvertising) {
  CMultiDocTemplate docTemplate(IDR_HELPVIEW, RUNTIME_CLASS(CHelpDocument), RUNTIME_CLASS(CMDIChildWnd),
                                RUNTIME_CLASS(CBrowserView));
  CDocument* document = docTemplate.OpenDocumentFile(nullptr);
  ASSERT_NE(document, nullptr);
  POSITION at = document->GetFirstViewPosition();
  ASSERT_NE(at, nullptr);
  CView* first = document->GetNextView(at);
  auto* view = DYNAMIC_DOWNCAST(CBrowserView, first);
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->GetBrowserWnd(), nullptr);
  std::string url(view->GetBrowserWnd()->GetLocationURL());
  EXPECT_EQ(url.substr(url.find_last_of('/') + 1), "AdvertisingDisplayFailed.htm");
  EXPECT_NE(std::string(view->GetLastURL()).find("AdvertisingDisplayFailed.htm"), std::string::npos);
  document->OnCloseDocument();
}

}  // namespace
