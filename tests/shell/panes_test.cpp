// The document frame's toolbars and their commands, the composite splitters,
// the camera properties and animation toolbars and the 3D view windows.
#include <afxcmn.h>
#include <afxdesktop.h>
#include <afxext.h>
#include <animation.h>
#include <cameraframe.h>
#include <document_manager.h>
#include <dx_3d_child_frame.h>
#include <dx_3d_splitter_wnd.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dx_splitter_frame.h>
#include <dxwindoweddevice.h>
#include <dynamicworldboundaryframe.h>
#include <gtest/gtest.h>
#include <input_manager.h>
#include <main_frame.h>
#include <resource.h>
#include <vorever.h>
#include <vorever_dll.h>
#include <xfile.h>
#include <xfiledatalist.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QSplitterHandle>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"

namespace {

class PanesTest : public ProgramTest {
 protected:
  void SetUp() override {
    StartProgram();
    m_frame->MoveWindow(0, 0, 1600, 900);
  }
  // A new document in its splitter frame, shown large.
  CDXSplitterFrame* OpenDocument() {
    if (!m_frame->CreateDocument()) return nullptr;
    m_document = m_frame->GetActiveDXDocument();
    if (m_document == nullptr) return nullptr;
    CDXSplitterFrame* frame = m_document->GetSplitterFrame();
    if (frame != nullptr) {
      frame->GetWidget()->window()->showMaximized();
      QCoreApplication::processEvents();
    }
    return frame;
  }

  // Loads a fixture into the document's world and gathers its animation sets.
  bool LoadIntoWorld(const char* name) {
    CXFileDataList* world = m_document->GetWorldDataList();
    auto* root = new CFrame;
    root->Initialize(nullptr, const_cast<char*>(name), CFrame::ePlainFrame, false);
    world->GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, root, false);
    CXFile file;
    std::string path = std::string(VOREVER_FIXTURES) + "/" + name;
    if (!file.LoadXfile(path.c_str(), root, *world, nullptr, nullptr)) return false;
    world->InitializeAnimationSetList(nullptr);
    return true;
  }

  static std::vector<UINT> ButtonIds(const CToolBar& bar) {
    std::vector<UINT> ids;
    for (int index = 0; index < bar.GetCount(); ++index) ids.push_back(bar.GetItemID(index));
    return ids;
  }

  static int IndexOf(const CToolBar& bar, UINT id) {
    for (int index = 0; index < bar.GetCount(); ++index) {
      if (bar.GetItemID(index) == id) return index;
    }
    return -1;
  }

  // Drags the first bar of splitter by a few pixels; during is called while
  // the button is still down.
  template <class During>
  static void DragBar(CSplitterWnd* splitter, During during) {
    QList<QSplitterHandle*> bars = splitter->GetWidget()->findChildren<QSplitterHandle*>();
    ASSERT_FALSE(bars.isEmpty());
    QSplitterHandle* bar = bars.last();
    QPointF at(bar->width() / 2.0, bar->height() / 2.0);
    auto send = [&](QEvent::Type type, QPointF where, Qt::MouseButtons buttons) {
      QMouseEvent event(type, where, bar->mapToGlobal(where), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(QEvent::MouseMove, at + QPointF(12, 12), Qt::LeftButton);
    during();
    send(QEvent::MouseButtonRelease, at + QPointF(12, 12), Qt::NoButton);
  }

  static std::vector<CDXFile3DView*> PaneViews(CDX3DSplitterWnd* splitter) {
    std::vector<CDXFile3DView*> views;
    for (int row = 0; row < splitter->GetRowCount(); ++row) {
      for (int column = 0; column < splitter->GetColumnCount(); ++column) views.push_back(splitter->Get3DView(row, column));
    }
    return views;
  }

  CDXDoc* m_document = nullptr;
};

TEST_F(PanesTest, EveryToolbarPictureIsInTheMediaFolder) {
  const std::filesystem::path media =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / "media" / "toolbar";
  for (UINT id : {IDR_PMESH_STEPS, IDR_CMESH_STEPS, IDR_3DVIEW_MODE_TOOLBAR, IDR_NAVIGATION_TOOLBAR,
                  IDR_PANES_TOOLBAR, IDB_CAMERA_PROPERTIES, IDR_3DVIEWS_TOOLBAR, IDB_ANIMATION_TOOLBAR}) {
    const std::vector<AfxToolBarButton>* buttons = AfxFindToolBar(id);
    ASSERT_NE(buttons, nullptr) << id;
    for (const AfxToolBarButton& button : *buttons) {
      if (button.id == ID_SEPARATOR) continue;
      ASSERT_NE(button.picture, nullptr) << id << " " << button.id;
      EXPECT_TRUE(std::filesystem::is_regular_file(media / button.picture)) << button.picture;
    }
  }
}

TEST_F(PanesTest, TheDocumentFrameCarriesItsToolbarsWithTheirButtonsAndTooltips) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  struct Case {
    CToolBar* bar;
    const char* text;
    std::vector<UINT> ids;
    int tipIndex;
    const char* tip;
  };
  const UINT gap = ID_SEPARATOR;
  const Case cases[] = {
      {frame->Get3DViewsToolBar(), "3D views toolbar",
       {ID_VIEW_BACK_VIEW, ID_VIEW_FRONT_VIEW, ID_VIEW_SIDE_VIEW_MINUS_X, ID_VIEW_SIDE_VIEW_PLUS_X, ID_VIEW_TOP_VIEW, ID_VIEW_BOTTOM_VIEW}, 2, "Left view"},
      {frame->GetPanesToolBar(), "Panes toolbar",
       {ID_PANES_RESIZE, ID_PANES_HIDE_TOOL_PANE, ID_PANES_HIDE_3D_PANE, gap, ID_TOOLS_OBJECTS_VIEWER,
        ID_TOOLS_LIGHTS_MANAGER, ID_TOOLS_TASKS_VIEWER, ID_TOOLS_REDUCTION_OPTIONS},
       1, "Hide document tool pane"},
      {frame->GetCameraPropertiesBar(), "Camera properties toolbar",
       {ID_CAMERA_FORWARD_BACKWARD_MODE, ID_CAMERA_UP_DOWN_MODE, gap, IDC_CAMERA_SHRINK_FACTOR}, 0,
       "Forward/Backward camera mode"},
      {frame->GetAnimationToolBar(), "Animation toolbar",
       {ID_ANIMATION_PLAY, ID_ANIMATION_PAUSE, ID_ANIMATION_STOP, gap, IDC_ANIMATION_SETS, gap, IDC_ANIMATION_TIME,
        IDC_ANIMATION_TIME_SPIN, IDC_ANIMATION_TICKS, IDC_ANIMATION_TICKS_SPIN},
       1, "Pause"},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.text);
    EXPECT_STREQ(each.bar->GetWindowTextString(), each.text);
    EXPECT_EQ(ButtonIds(*each.bar), each.ids);
    EXPECT_STREQ(each.bar->GetButtonTip(each.tipIndex), each.tip);
  }
  EXPECT_STREQ(frame->Get3DViewsToolBar()->GetButtonFlyBy(0), "Back view");
  // The lists of the camera and animation bars stand in their gaps.
  EXPECT_EQ(frame->GetCameraPropertiesBar()->GetDepthOfFieldBox()->GetCount(), 6);

  // Optional bars: the navigation toolbar and the one-pane status bar.
  ASSERT_TRUE(frame->CreateNavigationToolbar());
  EXPECT_EQ(ButtonIds(*frame->GetNavigationToolBar()),
            (std::vector<UINT>{ID_NAVIGATION_FIRST, ID_NAVIGATION_PREVIOUS, ID_NAVIGATION_NEXT, ID_NAVIGATION_LAST, gap,
                               ID_NAVIGATION_CREATE, ID_NAVIGATION_DELETE, ID_NAVIGATION_SAVE,
                               ID_NAVIGATION_CANCEL}));
  EXPECT_STREQ(frame->GetNavigationToolBar()->GetButtonTip(7), "Save");
  frame->DisplayMessage(IDS_MICRO_MODE);  // no status bar: nothing happens
  ASSERT_TRUE(frame->CreateStatusBar());
  frame->DisplayMessage(IDS_MICRO_MODE);
  EXPECT_STREQ(frame->GetStatusBar()->GetPaneText(0), "Micro mode (1%)");
  // Removing the tool pane's view takes both away.
  frame->DestroyToolPaneView();
  EXPECT_EQ(frame->GetNavigationToolBar(), nullptr);
  EXPECT_EQ(frame->GetStatusBar(), nullptr);
}

TEST_F(PanesTest, AWideFrameLinesItsToolbarsUpInOneRowAndTheShowHideCommandsFollowVisibility) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  frame->ArrangeToolBars();
  CToolBar* row[] = {frame->GetPanesToolBar(), frame->Get3DViewsToolBar(), frame->GetCameraPropertiesBar()};
  auto place = [](CToolBar* bar) {
    RECT rect;
    bar->GetWindowRect(&rect);
    return rect;
  };
  for (int index = 1; index < 3; ++index) {
    EXPECT_EQ(place(row[index]).top, place(row[0]).top) << index;
    EXPECT_GT(place(row[index]).left, place(row[index - 1]).left) << index;
  }

  // The frame's View > Toolbars items hide and show the bars and are
  // checked while they are shown.
  EXPECT_STREQ(frame->GetMenuTitles().at(0), "&View");
  const struct {
    UINT command;
    CControlBar* bar;
  } toggles[] = {{ID_VIEW_PANES_TOOLBAR, frame->GetPanesToolBar()},
                 {ID_VIEW_3DVIEW_MODE_TOOLBAR, frame->Get3DViewsToolBar()},
                 {ID_VIEW_CAMERA_PROPERTIES_TOOLBAR, frame->GetCameraPropertiesBar()}};
  for (const auto& toggle : toggles) {
    SCOPED_TRACE(toggle.command);
    for (bool visible : {false, true}) {
      ASSERT_TRUE(frame->TriggerCommand(toggle.command));
      EXPECT_EQ(toggle.bar->IsWindowVisible() != FALSE, visible);
      frame->OnUpdateCmdUI();
      BOOL enabled = FALSE, checked = FALSE;
      ASSERT_TRUE(frame->GetMenuItemState(toggle.command, &enabled, &checked));
      EXPECT_EQ(checked != FALSE, visible);
    }
  }
  EXPECT_LT(place(frame->GetPanesToolBar()).left, place(frame->Get3DViewsToolBar()).left);
}

TEST_F(PanesTest, ThePresetAndCameraModeCommandsReachTheActiveViewAndItsButtonsShowIt) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  CDXFile3DView* view = frame->GetActive3DView();
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->GetCamera(), nullptr);
  CToolBar* presets = frame->Get3DViewsToolBar();
  for (UINT command : {ID_VIEW_BACK_VIEW, ID_VIEW_FRONT_VIEW, ID_VIEW_SIDE_VIEW_MINUS_X, ID_VIEW_SIDE_VIEW_PLUS_X, ID_VIEW_TOP_VIEW, ID_VIEW_BOTTOM_VIEW}) {
    SCOPED_TRACE(command);
    ASSERT_TRUE(frame->TriggerCommand(command));
    EXPECT_EQ(view->GetViewMode(), command);
    frame->OnUpdateCmdUI();
    for (int index = 0; index < presets->GetCount(); ++index) {
      EXPECT_EQ(presets->IsButtonChecked(index) != FALSE, presets->GetItemID(index) == command) << index;
    }
  }
  frame->SendMessage(WM_COMMAND, ID_VIEW_3D_VIEW);
  EXPECT_EQ(view->GetViewMode(), static_cast<UINT>(ID_VIEW_3D_VIEW));

  CToolBar* camera = frame->GetCameraPropertiesBar();
  for (UINT mode : {ID_CAMERA_UP_DOWN_MODE, ID_CAMERA_FORWARD_BACKWARD_MODE}) {
    ASSERT_TRUE(frame->TriggerCommand(mode));
    EXPECT_EQ(view->GetCameraMovingMode(), mode);
    frame->OnUpdateCmdUI();
    EXPECT_TRUE(camera->IsButtonChecked(IndexOf(*camera, mode)));
    EXPECT_FALSE(camera->IsButtonChecked(IndexOf(*camera, mode ^ ID_CAMERA_UP_DOWN_MODE ^ ID_CAMERA_FORWARD_BACKWARD_MODE)));
  }

  // Without its camera the view's camera items are disabled, the list too.
  view->DestroyObjects();
  frame->OnUpdateCmdUI();
  EXPECT_FALSE(camera->IsButtonEnabled(IndexOf(*camera, ID_CAMERA_UP_DOWN_MODE)));
  EXPECT_FALSE(camera->IsButtonEnabled(IndexOf(*camera, ID_CAMERA_FORWARD_BACKWARD_MODE)));
  EXPECT_FALSE(frame->GetCameraPropertiesBar()->GetDepthOfFieldBox()->IsWindowEnabled());
}

TEST_F(PanesTest, TheWorldCageCommandShowsAndHidesTheCageAndChecksItsItem) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  CDynamicWorldBoundaryFrame* boundary = m_document->GetWorldDataList()->GetWorldBoundaryFrame();
  ASSERT_NE(boundary, nullptr);
  const bool initially = boundary->WorldBoundaryIsVisible();
  for (bool visible : {!initially, initially}) {
    frame->SendMessage(WM_COMMAND, ID_VIEW_WORLD_CAGE);
    EXPECT_EQ(boundary->WorldBoundaryIsVisible(), visible);
    CCmdUI state;
    state.m_nID = ID_VIEW_WORLD_CAGE;
    state.DoUpdate(frame, TRUE);
    EXPECT_EQ(state.m_nCheck != 0, visible);
  }
}

TEST_F(PanesTest, TheDepthListSetsTheActiveCameraAndFollowsTheActiveView) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  CDXFile3DView* view = frame->GetActive3DView();
  ASSERT_NE(view, nullptr);
  CComboBox* list = frame->GetCameraPropertiesBar()->GetDepthOfFieldBox();
  CString text;
  list->GetLBText(4, text);
  EXPECT_STREQ(text, "Micro mode (1%)");
  // The user's choice (the list's own notification) goes to the camera.
  const float factors[] = {1.0f, 2.0f, 4.0f, 10.0f, 100.0f, 0.0f};
  for (int index = 5; index >= 0; --index) {
    list->SetCurSel(index);
    list->GetParent()->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CAMERA_SHRINK_FACTOR, CBN_SELCHANGE),
                                   reinterpret_cast<LPARAM>(list->m_hWnd));
    EXPECT_EQ(view->GetCameraShrinkFactor(), factors[index]) << index;
  }
  // The list shows the factor of the active view at each update.
  view->SetCameraShrinkFactor(100.0f);
  frame->OnUpdateCmdUI();
  EXPECT_EQ(list->GetCurSel(), 4);
  EXPECT_TRUE(list->IsWindowEnabled());
  view->SetCameraShrinkFactor(3.0f);  // not listed: the first entry
  frame->OnUpdateCmdUI();
  EXPECT_EQ(list->GetCurSel(), 0);

  // In four views each active view brings its own factor.
  ASSERT_TRUE(frame->Create4Views2());
  std::vector<CDXFile3DView*> panes = PaneViews(frame->Get3DViewsSplitter());
  panes[3]->SetCameraShrinkFactor(10.0f);
  frame->SetActivePane(panes[3]);
  frame->SetFocusOnActive3DView();
  ASSERT_EQ(frame->GetActive3DView(), panes[3]);
  frame->OnUpdateCmdUI();
  EXPECT_EQ(list->GetCurSel(), 3);
  // While the user is in the list, the update leaves its selection alone.
  list->SetFocus();
  if (CWnd::GetFocus() != list) GTEST_SKIP() << "the list cannot take the focus here";
  panes[3]->SetCameraShrinkFactor(2.0f);
  frame->OnUpdateCmdUI();
  EXPECT_EQ(list->GetCurSel(), 3);
}

TEST_F(PanesTest, DraggingTheToolPaneBarPausesEveryViewUntilTheBarsAreDrawnAgain) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  CDXLeftRightCompositeSplitterWnd* splitter = frame->GetLeftRightSplitter();
  for (bool (CDXSplitterFrame::*layout)() : {&CDXSplitterFrame::CreateOneView2, &CDXSplitterFrame::Create4Views2,
                                             &CDXSplitterFrame::Create2Views}) {
    if (layout != &CDXSplitterFrame::CreateOneView2) {
      ASSERT_TRUE((frame->*layout)());
    }
    CDXFile3DView* views[4];
    int count = frame->Get3DViews(views);
    SCOPED_TRACE(count);
    DragBar(splitter, [&] {
      EXPECT_TRUE(splitter->IsTracking());
      for (int at = 0; at < count; ++at) EXPECT_TRUE(views[at]->IsPaused()) << at;
    });
    EXPECT_FALSE(splitter->IsTracking());
    for (int at = 0; at < count; ++at) EXPECT_FALSE(views[at]->IsPaused()) << at;
  }
  // Bars drawn while no drag goes on resume nothing.
  CDXFile3DView* view = frame->GetActive3DView();
  view->SetPause(true);
  splitter->OnDrawSplitter(nullptr, CSplitterWnd::splitBar, RECT{0, 0, 4, 100});
  EXPECT_TRUE(view->IsPaused());
  view->SetPause(false);
}

TEST_F(PanesTest, TheAnimationToolbarPlaysPausesStopsAndSetsTheTimeOfTheChosenSet) {
  CDXSplitterFrame* frame = OpenDocument();
  ASSERT_NE(frame, nullptr);
  CAnimationToolBar* bar = frame->GetAnimationToolBar();
  // A world without a set: the bar is hidden and disabled.
  frame->FillAnimationSetsCombo(m_document->GetWorldDataList());
  EXPECT_FALSE(bar->IsWindowVisible());
  EXPECT_EQ(bar->GetCurrentSet(), nullptr);
  frame->OnUpdateCmdUI();
  EXPECT_FALSE(bar->IsButtonEnabled(0));
  EXPECT_FALSE(bar->GetSetsBox()->IsWindowEnabled());

  ASSERT_TRUE(LoadIntoWorld("animation_sets.x"));
  frame->FillAnimationSetsCombo(m_document->GetWorldDataList());
  EXPECT_TRUE(bar->IsWindowVisible());
  ASSERT_EQ(bar->GetSetsBox()->GetCount(), 2);
  CString name;
  bar->GetSetsBox()->GetLBText(0, name);
  EXPECT_STREQ(name, "Swing");
  bar->GetSetsBox()->GetLBText(1, name);
  EXPECT_STREQ(name, "No name");
  CAnimationSet* swing = bar->GetCurrentSet();
  ASSERT_NE(swing, nullptr);
  EXPECT_EQ(bar->GetTicksPerSecond(), swing->GetFPS());
  EXPECT_EQ(std::stoul(static_cast<LPCSTR>(bar->GetTicksEdit()->GetWindowTextString())), swing->GetFPS());

  // Play: the play button is pressed, the time can't be typed nor stepped.
  swing->Stop();
  ASSERT_TRUE(frame->TriggerCommand(ID_ANIMATION_PLAY));
  EXPECT_EQ(swing->GetAnimationSetState(), CAnimationSet::ePlaying);
  frame->OnUpdateCmdUI();
  EXPECT_TRUE(bar->IsButtonChecked(0));
  EXPECT_FALSE(bar->IsButtonChecked(1));
  EXPECT_FALSE(bar->GetTimeSpin()->IsWindowEnabled());
  // A time shown while it plays does not restart its clock.
  swing->SetAnimationTime(7.0f);
  const float before = swing->GetAnimationTime();
  frame->SetAnimationTime(swing);
  EXPECT_STREQ(bar->GetTimeEdit()->GetWindowTextString(), "7");
  EXPECT_EQ(swing->GetAnimationTime(), before);

  // Pause: both pressed; a typed time goes into the set at once.
  ASSERT_TRUE(frame->TriggerCommand(ID_ANIMATION_PAUSE));
  EXPECT_EQ(swing->GetAnimationSetState(), CAnimationSet::ePaused);
  frame->OnUpdateCmdUI();
  EXPECT_TRUE(bar->IsButtonChecked(0));
  EXPECT_TRUE(bar->IsButtonChecked(1));
  EXPECT_TRUE(bar->GetTimeSpin()->IsWindowEnabled());
  bar->GetTimeEdit()->SetWindowText("120");
  EXPECT_EQ(swing->GetAnimationTime(), 120.0f);
  // The time spin steps by one, within 0 and the set's last time.
  NMUPDOWN step{};
  step.hdr.hwndFrom = bar->GetTimeSpin()->m_hWnd;
  step.hdr.idFrom = IDC_ANIMATION_TIME_SPIN;
  step.hdr.code = UDN_DELTAPOS;
  step.iDelta = 1;
  bar->SendMessage(WM_NOTIFY, IDC_ANIMATION_TIME_SPIN, reinterpret_cast<LPARAM>(&step));
  EXPECT_EQ(swing->GetAnimationTime(), 121.0f);
  EXPECT_STREQ(bar->GetTimeEdit()->GetWindowTextString(), "121");
  step.iDelta = 1000;
  bar->SendMessage(WM_NOTIFY, IDC_ANIMATION_TIME_SPIN, reinterpret_cast<LPARAM>(&step));
  EXPECT_EQ(bar->GetTime(), static_cast<float>(swing->GetMaxAnimationTime()));
  // The ticks spin steps by a 24th of the last time (240: 10).
  ASSERT_EQ(swing->GetMaxAnimationTime(), 240u);
  const DWORD ticks = bar->GetTicksPerSecond();
  step.hdr.idFrom = IDC_ANIMATION_TICKS_SPIN;
  step.iDelta = 1;
  bar->SendMessage(WM_NOTIFY, IDC_ANIMATION_TICKS_SPIN, reinterpret_cast<LPARAM>(&step));
  EXPECT_EQ(bar->GetTicksPerSecond(), ticks + 10);
  EXPECT_EQ(swing->GetFPS(), ticks + 10);

  // Stop: time 0 at once.
  ASSERT_TRUE(frame->TriggerCommand(ID_ANIMATION_STOP));
  EXPECT_EQ(swing->GetAnimationSetState(), CAnimationSet::eStopped);
  EXPECT_EQ(swing->GetAnimationTime(), 0.0f);
  EXPECT_STREQ(bar->GetTimeEdit()->GetWindowTextString(), "0");

  // Another set chosen in the list plays and answers the buttons.
  swing->Play();
  bar->GetSetsBox()->SetCurSel(1);
  bar->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_ANIMATION_SETS, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(bar->GetSetsBox()->m_hWnd));
  CAnimationSet* other = bar->GetCurrentSet();
  ASSERT_NE(other, swing);
  EXPECT_EQ(swing->GetAnimationSetState(), CAnimationSet::eStopped);
  EXPECT_EQ(other->GetAnimationSetState(), CAnimationSet::ePlaying);
  ASSERT_TRUE(frame->TriggerCommand(ID_ANIMATION_PAUSE));
  EXPECT_EQ(other->GetAnimationSetState(), CAnimationSet::ePaused);
  EXPECT_EQ(swing->GetAnimationSetState(), CAnimationSet::eStopped);
}

TEST_F(PanesTest, TheThreeDViewWindowSwitchesBetweenOneAndFourViewsKeepingTheCamera) {
  CDXSplitterFrame* documentFrame = OpenDocument();
  ASSERT_NE(documentFrame, nullptr);
  ASSERT_TRUE(m_frame->TriggerCommand(ID_WINDOW_NEW_3DVIEW));
  auto* frame = DYNAMIC_DOWNCAST(CDX3DChildFrame, m_frame->MDIGetActive());
  ASSERT_NE(frame, nullptr);
  frame->GetWidget()->window()->showMaximized();
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->GetLayout(), CDX3DChildFrame::eOneView);
  EXPECT_STREQ(frame->GetWindowTextString(), m_document->GetTitle() + " - 3D View");
  EXPECT_EQ(ButtonIds(*frame->GetToolBar()).front(), static_cast<UINT>(ID_VIEW_4VIEWS));
  EXPECT_STREQ(frame->GetToolBar()->GetWindowTextString(), "3D View Mode Tool Bar");

  CDXFile3DView* single = frame->GetActive3DView();
  ASSERT_NE(single, nullptr);
  ASSERT_NE(single->GetCamera(), nullptr);
  single->ViewSideViewMinusX();
  const D3DXMATRIX placed = single->GetCamera()->GetTransformMatrix(false);

  frame->SendMessage(WM_COMMAND, ID_VIEW_4VIEWS);
  ASSERT_EQ(frame->GetLayout(), CDX3DChildFrame::eFourViews);
  CCmdUI state;
  state.m_nID = ID_VIEW_4VIEWS;
  state.DoUpdate(frame, TRUE);
  EXPECT_EQ(state.m_nCheck, 1);
  std::vector<CDXFile3DView*> panes = PaneViews(frame->GetSplitter());
  ASSERT_EQ(panes.size(), 4u);
  for (CDXFile3DView* pane : panes) ASSERT_NE(pane, nullptr);
  EXPECT_EQ(frame->GetActive3DView(), panes[0]);
  const UINT modes[] = {ID_VIEW_3D_VIEW, ID_VIEW_TOP_VIEW, ID_VIEW_SIDE_VIEW_PLUS_X, ID_VIEW_BOTTOM_VIEW};
  for (int at = 0; at < 4; ++at) EXPECT_EQ(panes[static_cast<size_t>(at)]->GetViewMode(), modes[at]) << at;
  D3DXMATRIX kept = panes[0]->GetCamera()->GetTransformMatrix(false);
  EXPECT_EQ(0, std::memcmp(&kept, &placed, sizeof kept));

  // A drag of a bar pauses the four panes until it ends.
  DragBar(frame->GetSplitter(), [&] {
    for (CDXFile3DView* pane : panes) EXPECT_TRUE(pane->IsPaused());
  });
  for (CDXFile3DView* pane : panes) EXPECT_FALSE(pane->IsPaused());

  // Back to one view, with the top-left pane's placement.
  panes[0]->ViewTopView();
  const D3DXMATRIX topLeft = panes[0]->GetCamera()->GetTransformMatrix(false);
  frame->SendMessage(WM_COMMAND, ID_VIEW_4VIEWS);
  ASSERT_EQ(frame->GetLayout(), CDX3DChildFrame::eOneView);
  EXPECT_EQ(frame->GetSplitter(), nullptr);
  CDXFile3DView* back = frame->GetActive3DView();
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->GetCamera(), nullptr);
  kept = back->GetCamera()->GetTransformMatrix(false);
  EXPECT_EQ(0, std::memcmp(&kept, &topLeft, sizeof kept));
  EXPECT_EQ(back->GetViewMode(), static_cast<UINT>(ID_VIEW_3D_VIEW));

  // The toolbar command hides and shows the bar.
  frame->SendMessage(WM_COMMAND, ID_VIEW_3DVIEW_MODE_TOOLBAR);
  EXPECT_FALSE(frame->GetToolBar()->IsWindowVisible());
  frame->SendMessage(WM_COMMAND, ID_VIEW_3DVIEW_MODE_TOOLBAR);
  EXPECT_TRUE(frame->GetToolBar()->IsWindowVisible());
}

}  // namespace
