#include <afxwin.h>
#include <browser_wnd.h>
#include <gtest/gtest.h>

#include <QtWidgets/QWidget>

#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

class CRecordingBrowser : public CBrowserWnd {
 public:
  void OnBeforeNavigate2(LPCSTR url, BOOL& cancel) override {
    before.emplace_back(url);
    cancel = refuse;
  }
  void OnNavigateComplete2(LPCSTR url) override { complete.emplace_back(url); }
  std::vector<std::string> before, complete;
  bool refuse = false;
};

class BrowserWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_frame = new CFrameWnd;
    ASSERT_TRUE(m_frame->Create(nullptr, "Help", WS_OVERLAPPEDWINDOW, RECT{0, 0, 300, 200}, nullptr, 0));
    m_browser = new CRecordingBrowser;
    ASSERT_TRUE(m_browser->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 640, 480}, m_frame, 0));
    for (const char* name : {"one.htm", "two.htm"}) {
      std::ofstream(m_pages.Path(name)) << "<html><body><p>" << name << "</p></body></html>";
    }
  }
  void TearDown() override {
    delete m_browser;
    m_frame->DestroyWindow();  // deletes it
  }
  std::string Url(const char* name) { return "file://" + m_pages.Path(name); }

  TempFolder m_pages;
  CFrameWnd* m_frame = nullptr;
  CRecordingBrowser* m_browser = nullptr;
};

TEST_F(BrowserWndTest, ShowsLocalPagesAndGoesBackAndForward) {
  ASSERT_TRUE(m_browser->Navigate2(Url("one.htm").c_str(), 0, nullptr, nullptr, nullptr, 0));
  ASSERT_TRUE(m_browser->Navigate2(m_pages.Path("two.htm").c_str()));
  EXPECT_EQ(m_browser->before, (std::vector<std::string>{Url("one.htm"), Url("two.htm")}));
  EXPECT_EQ(m_browser->complete, m_browser->before);
  m_browser->GoBack();
  EXPECT_STREQ(m_browser->GetLocationURL(), Url("one.htm").c_str());
  m_browser->GoForward();
  EXPECT_STREQ(m_browser->GetLocationURL(), Url("two.htm").c_str());
  m_browser->refuse = true;
  EXPECT_FALSE(m_browser->Navigate2(Url("one.htm").c_str()));
  EXPECT_STREQ(m_browser->GetLocationURL(), Url("two.htm").c_str());
  m_browser->OnSize(0, 120, 90);
  EXPECT_EQ(m_browser->GetWidget()->size(), QSize(120, 90));
}

}  // namespace
