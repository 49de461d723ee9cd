// Splitters, control views and the common dialogs of the window layer.
#include <afxcview.h>
#include <afxdesktop.h>
#include <afxdlgs.h>
#include <afxext.h>
#include <afxrich.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kFrame = 9300, kOptionsTemplate = 9301, kOptionsButton = 1174;

class CListPane : public CListView {
  DECLARE_DYNCREATE(CListPane)
};
IMPLEMENT_DYNCREATE(CListPane, CListView)
class CTreePane : public CTreeView {
  DECLARE_DYNCREATE(CTreePane)
};
IMPLEMENT_DYNCREATE(CTreePane, CTreeView)
class CTextPane : public CRichEditView {
  DECLARE_DYNCREATE(CTextPane)
};
IMPLEMENT_DYNCREATE(CTextPane, CRichEditView)

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxRegisterString(kFrame, "Controls");
    m_frame = new CFrameWnd;
    ASSERT_TRUE(m_frame->LoadFrame(kFrame));
  }
  void TearDown() override { m_frame->DestroyWindow(); }
  CFrameWnd* m_frame = nullptr;
};

TEST_F(ControlsTest, NestedStaticSplittersHoldTheirViewsInTheirPanes) {
  CSplitterWnd outer, inner;
  ASSERT_TRUE(outer.CreateStatic(m_frame, 1, 2));
  ASSERT_TRUE(inner.CreateStatic(&outer, 2, 1, WS_CHILD | WS_VISIBLE, outer.IdFromRowCol(0, 1)));
  ASSERT_TRUE(outer.CreateView(0, 0, RUNTIME_CLASS(CTreePane), SIZE{200, 300}, nullptr));
  ASSERT_TRUE(inner.CreateView(0, 0, RUNTIME_CLASS(CListPane), SIZE{400, 150}, nullptr));
  ASSERT_TRUE(inner.CreateView(1, 0, RUNTIME_CLASS(CTextPane), SIZE{400, 150}, nullptr));
  EXPECT_FALSE(outer.CreateView(0, 0, RUNTIME_CLASS(CListPane), SIZE{1, 1}, nullptr));  // taken
  EXPECT_EQ(outer.GetPane(0, 1), &inner);
  auto* tree = DYNAMIC_DOWNCAST(CTreePane, outer.GetPane(0, 0));
  auto* list = DYNAMIC_DOWNCAST(CListPane, inner.GetPane(0, 0));
  auto* text = DYNAMIC_DOWNCAST(CTextPane, inner.GetPane(1, 0));
  ASSERT_TRUE(tree && list && text);

  HTREEITEM root = tree->GetTreeCtrl().InsertItem("World");
  HTREEITEM child = tree->GetTreeCtrl().InsertItem("Mesh", root);
  tree->GetTreeCtrl().SetItemData(child, 42);
  EXPECT_EQ(tree->GetTreeCtrl().GetChildItem(root), child);
  EXPECT_EQ(tree->GetTreeCtrl().GetItemData(child), 42u);
  EXPECT_EQ(tree->GetTreeCtrl().GetCount(), 2u);

  CListCtrl& rows = list->GetListCtrl();
  rows.InsertColumn(0, "Job");
  rows.InsertColumn(1, "Status");
  rows.SetItemText(rows.InsertItem(0, "Import"), 1, "Done");
  EXPECT_STREQ(rows.GetItemText(0, 1), "Done");

  text->GetRichEditCtrl().SetSel(-1, -1);
  text->GetRichEditCtrl().ReplaceSel("one\ntwo");
  EXPECT_EQ(text->GetRichEditCtrl().GetLineCount(), 2);
  inner.DestroyWindow();
  outer.DestroyWindow();
}

// A file dialog whose Options button is pressed, then a file is chosen.
class COptionsFileDialog : public CFileDialog {
 public:
  COptionsFileDialog() : CFileDialog(TRUE, ".3ds", nullptr, OFN_FILEMUSTEXIST, "3D (.3ds;.x)|*.3ds;*.x||") {
    m_ofn.Flags |= OFN_EXPLORER | OFN_ENABLETEMPLATE;
    m_ofn.lpTemplateName = kOptionsTemplate;
    m_ofn.lpstrTitle = "Import 3d objects";
  }
  int options = 0;
  CString buttonText;

 protected:
  BOOL OnInitDialog() override {
    CWnd* button = GetDlgItem(kOptionsButton);
    if (button) {
      buttonText = button->GetWindowTextString();
      SendMessage(WM_COMMAND, MAKEWPARAM(kOptionsButton, BN_CLICKED), reinterpret_cast<LPARAM>(button->m_hWnd));
    }
    SetPathName("/data/models/ship.x");
    EndDialog(IDOK);
    return TRUE;
  }
  void OnOptions() { ++options; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(COptionsFileDialog, CFileDialog)
ON_CONTROL(BN_CLICKED, kOptionsButton, OnOptions)
END_MESSAGE_MAP()

TEST(CommonDialogs, TheFileDialogsOptionsButtonReachesItsHandler) {
  AfxRegisterDialog(kOptionsTemplate, {"", 60, 20, WS_CHILD, "MS Sans Serif", 8,
                                       {{WC_BUTTON, "O&ptions...", kOptionsButton, 0, 0, 50, 14, WS_VISIBLE}}});
  COptionsFileDialog dialog;
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_STREQ(dialog.buttonText, "O&ptions...");
  EXPECT_EQ(dialog.options, 1);
  EXPECT_STREQ(dialog.GetPathName(), "/data/models/ship.x");
  EXPECT_STREQ(dialog.GetFileName(), "ship.x");
  EXPECT_STREQ(dialog.GetFileTitle(), "ship");
  EXPECT_STREQ(dialog.GetFileExt(), "x");
  EXPECT_STREQ(dialog.GetFolderPath(), "/data/models");
}

class CPickingColorDialog : public CColorDialog {
 public:
  explicit CPickingColorDialog(int answer) : CColorDialog(RGB(10, 20, 30), CC_RGBINIT), m_answer(answer) {}

 protected:
  BOOL OnInitDialog() override {
    SetCurrentColor(RGB(200, 100, 50));
    EndDialog(m_answer);
    return TRUE;
  }
  int m_answer;
};

TEST(CommonDialogs, TheColourDialogGivesThePickedColourOnlyOnOk) {
  CPickingColorDialog ok(IDOK);
  ASSERT_EQ(ok.DoModal(), IDOK);
  EXPECT_EQ(ok.GetColor(), RGB(200, 100, 50));
  CPickingColorDialog cancel(IDCANCEL);
  ASSERT_EQ(cancel.DoModal(), IDCANCEL);
  EXPECT_EQ(cancel.GetColor(), RGB(10, 20, 30));
}

}  // namespace
