// Command routing and forms of the window layer, on its own frames.
#include <afxdesktop.h>
#include <afxcmn.h>
#include <afxext.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kMenu = 9100, kViewAndDoc = 9101, kDocAndChild = 9102, kChildAndMain = 9103, kGreyed = 9104;
constexpr UINT kForm = 9200;
std::string g_route;

class CRouteDoc : public CDocument {
  DECLARE_DYNCREATE(CRouteDoc)
  void OnViewAndDoc() { g_route += "doc;"; }
  void OnDocAndChild() { g_route += "doc;"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteDoc, CDocument)
BEGIN_MESSAGE_MAP(CRouteDoc, CDocument)
ON_COMMAND(kViewAndDoc, OnViewAndDoc)
ON_COMMAND(kDocAndChild, OnDocAndChild)
END_MESSAGE_MAP()

class CRouteView : public CView {
  DECLARE_DYNCREATE(CRouteView)
  void OnViewAndDoc() { g_route += "view;"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteView, CView)
BEGIN_MESSAGE_MAP(CRouteView, CView)
ON_COMMAND(kViewAndDoc, OnViewAndDoc)
END_MESSAGE_MAP()

class CRouteChild : public CMDIChildWnd {
  DECLARE_DYNCREATE(CRouteChild)
  void OnDocAndChild() { g_route += "child;"; }
  void OnChildAndMain() { g_route += "child;"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteChild, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CRouteChild, CMDIChildWnd)
ON_COMMAND(kDocAndChild, OnDocAndChild)
ON_COMMAND(kChildAndMain, OnChildAndMain)
END_MESSAGE_MAP()

class CRouteMain : public CMDIFrameWnd {
 public:
  void OnChildAndMain() { g_route += "main;"; }
  void OnGreyed() { g_route += "greyed;"; }
  void OnUpdateGreyed(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteMain, CMDIFrameWnd)
ON_COMMAND(kChildAndMain, OnChildAndMain)
ON_COMMAND(kGreyed, OnGreyed)
ON_UPDATE_COMMAND_UI(kGreyed, OnUpdateGreyed)
END_MESSAGE_MAP()

class RoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxRegisterString(kMenu, "Routing");
    AfxRegisterMenu(kMenu, {{0, 0, "&Test"},
                            {1, kViewAndDoc, "&One"},
                            {1, kDocAndChild, "&Two"},
                            {1, kChildAndMain, "T&hree"},
                            {1, kGreyed, "&Greyed"}});
    g_route.clear();
    m_main = new CRouteMain;
    ASSERT_TRUE(m_main->LoadFrame(kMenu));
    AfxGetApp()->m_pMainWnd = m_main;
    m_template = new CMultiDocTemplate(kMenu, RUNTIME_CLASS(CRouteDoc), RUNTIME_CLASS(CRouteChild),
                                       RUNTIME_CLASS(CRouteView));
  }
  void TearDown() override {
    m_template->CloseAllDocuments(TRUE);
    delete m_template;
    AfxGetApp()->m_pMainWnd = nullptr;
    m_main->DestroyWindow();  // deletes it
  }
  CRouteMain* m_main = nullptr;
  CMultiDocTemplate* m_template = nullptr;
};

TEST_F(RoutingTest, AMenuCommandGoesToTheViewTheDocumentAndTheFramesInThatOrder) {
  ASSERT_NE(m_template->OpenDocumentFile(nullptr), nullptr);
  ASSERT_NE(m_main->MDIGetActive(), nullptr);
  for (UINT id : {kViewAndDoc, kDocAndChild, kChildAndMain}) EXPECT_TRUE(m_main->TriggerCommand(id));
  EXPECT_EQ(g_route, "view;doc;child;");
  // Without a document window the command reaches the main frame.
  m_template->CloseAllDocuments(TRUE);
  g_route.clear();
  EXPECT_TRUE(m_main->TriggerCommand(kChildAndMain));
  EXPECT_EQ(g_route, "main;");
}

TEST_F(RoutingTest, AnUpdateHandlerGreysItsItemAndItsCommandDoesNotRun) {
  m_main->OnUpdateCmdUI();
  BOOL enabled = TRUE;
  ASSERT_TRUE(m_main->GetMenuItemState(kGreyed, &enabled, nullptr));
  EXPECT_FALSE(enabled);
  // Items without a handler anywhere are greyed too.
  ASSERT_TRUE(m_main->GetMenuItemState(kViewAndDoc, &enabled, nullptr));
  EXPECT_FALSE(enabled);
  EXPECT_FALSE(m_main->TriggerCommand(kGreyed));
  EXPECT_EQ(g_route, "");
}

class CTestForm : public CFormView {
 public:
  CTestForm() : CFormView(kForm) {}
};

TEST_F(RoutingTest, AFormBuiltFromADialogTemplateHasItsControlsAtTheirIds) {
  AfxRegisterDialog(kForm, {"", 100, 60, WS_CHILD, "MS Sans Serif", 8,
                            {{WC_BUTTON, "&Reset", 1144, 10, 40, 50, 14, BS_PUSHBUTTON | WS_VISIBLE},
                             {WC_BUTTON, "Can create new vertices", 1110, 10, 10, 80, 10, BS_AUTOCHECKBOX | WS_VISIBLE},
                             {WC_EDIT, "", 1118, 10, 24, 40, 12, WS_VISIBLE},
                             {UPDOWN_CLASS, "", 1119, 50, 24, 10, 12, WS_VISIBLE}}});
  auto* form = new CTestForm;  // deletes itself with its window
  ASSERT_TRUE(form->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 100}, m_main, AFX_IDW_PANE_FIRST));
  auto* reset = DYNAMIC_DOWNCAST(CButton, form->GetDlgItem(1144));
  ASSERT_NE(reset, nullptr);
  EXPECT_STREQ(reset->GetWindowTextString(), "&Reset");
  RECT place;
  reset->GetWindowRect(&place);
  EXPECT_EQ(place.right - place.left, AfxDialogUnitsToPixelsX(50));
  EXPECT_NE(DYNAMIC_DOWNCAST(CButton, form->GetDlgItem(1110)), nullptr);
  EXPECT_NE(DYNAMIC_DOWNCAST(CEdit, form->GetDlgItem(1118)), nullptr);
  EXPECT_NE(DYNAMIC_DOWNCAST(CSpinButtonCtrl, form->GetDlgItem(1119)), nullptr);
  form->DestroyWindow();
}

}  // namespace
