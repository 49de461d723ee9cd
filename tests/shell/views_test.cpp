// The document's 3D views in the splitter frame: what they draw in one, two
// and four views, the cameras across layouts, the progress bar of the jobs
// and the pause of the jobs while the camera is steered.
#include <afxcmn.h>
#include <afxdesktop.h>
#include <afxext.h>
#include <appoptions.h>
#include <camera_manager.h>
#include <cameraframe.h>
#include <document_manager.h>
#include <dx_3d_splitter_wnd.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dx_splitter_frame.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <input_manager.h>
#include <job_messages.h>
#include <main_frame.h>
#include <resource.h>
#include <simpleshape.h>
#include <threads_manager.h>
#include <vorever.h>
#include <vorever_dll.h>
#include <xfiledatalist.h>

#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"

namespace {

class ViewsTest : public ProgramTest {
 protected:
  void SetUp() override {
    StartProgram();
    m_frame->MoveWindow(0, 0, 900, 600);
  }
  // A new document with a glowing red box at the origin of its world.
  CDXDoc* OpenDocumentWithBox() {
    if (!m_frame->CreateDocument()) return nullptr;
    CDXDoc* document = m_frame->GetActiveDXDocument();
    if (document == nullptr) return nullptr;
    auto* frame = new CFrame;
    frame->Initialize(nullptr, const_cast<char*>("BoxFrame"), CFrame::ePlainFrame, false);
    auto* box = new CBox;
    frame->AddChildObject(eOwnedChild, box, false);
    D3DMATERIAL8 red{};
    red.Diffuse = red.Ambient = {0, 0, 0, 1};
    red.Emissive = {1, 0, 0, 1};
    EXPECT_EQ(box->Initialize(1, 1, 1, &red, const_cast<char*>("Box"), 0, false), S_OK);
    document->GetWorldDataList()->GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
    frame->ComputeBoundingObjectsHierarchy(false, false, false);
    frame->ComputeAncestorsBoundingObjects(false, false, false);
    m_box = frame;
    return document;
  }

  CDXSplitterFrame* SplitterFrame(CDXDoc* document) { return document->GetSplitterFrame(); }

  std::vector<CDXFile3DView*> Views(CDXSplitterFrame* frame) {
    CDXFile3DView* views[4];
    int count = frame->Get3DViews(views);
    return std::vector<CDXFile3DView*>(views, views + count);
  }

  // Runs the frame loop until every view has presented count more pictures.
  bool DrawFrames(const std::vector<CDXFile3DView*>& views, unsigned count = 2) {
    std::vector<unsigned> before;
    for (CDXFile3DView* view : views) before.push_back(view->GetPresentedFrames());
    return g_testDesktop->WaitFor([&] {
      m_frame->RenderAllSurfaces(true);
      for (size_t at = 0; at < views.size(); ++at) {
        if (views[at]->GetPresentedFrames() < before[at] + count) return false;
      }
      return true;
    });
  }

  static QImage Picture(CDXFile3DView* view) { return view->GetWidget()->grab().toImage(); }

  CFrame* m_box = nullptr;
};

bool IsBackground(QColor pixel) {
  // The default background of the settings: 0.8, 0.4, 0.
  return std::abs(pixel.red() - 204) <= 2 && std::abs(pixel.green() - 102) <= 2 && pixel.blue() <= 2;
}
bool IsBox(QColor pixel) { return pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60; }
bool IsOverlay(QColor pixel) { return pixel.red() > 240 && pixel.green() > 240 && pixel.blue() > 240; }

// Overlay pixels in the bottom-right corner, where the MASTER mark stands.
int MasterMarkPixels(const QImage& image) {
  int count = 0;
  for (int y = image.height() * 3 / 4; y < image.height(); ++y) {
    for (int x = image.width() / 2; x < image.width(); ++x) count += IsOverlay(image.pixelColor(x, y));
  }
  return count;
}

bool SameMatrix(const D3DXMATRIX& expected, CCameraFrame* camera) {
  const D3DXMATRIX got = camera->GetTransformMatrix(false);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      if (std::abs(got.m[row][column] - expected.m[row][column]) > 1e-4f) return false;
    }
  }
  return true;
}

struct Layout {
  bool (CDXSplitterFrame::*make)();
  CDXSplitterFrame::E3DViewType type;
  size_t views;
};

TEST_F(ViewsTest, OneTwoAndFourViewsShowTheBackgroundAndTheSceneWithMasterOnlyWhenSeveral) {
  CDXDoc* document = OpenDocumentWithBox();
  ASSERT_NE(document, nullptr);
  CDXSplitterFrame* frame = SplitterFrame(document);
  ASSERT_NE(frame, nullptr);
  const Layout layouts[] = {{&CDXSplitterFrame::Create2Views, CDXSplitterFrame::eTwoViews, 2},
                            {&CDXSplitterFrame::Create4Views2, CDXSplitterFrame::eFourViews, 4},
                            {&CDXSplitterFrame::CreateOneView2, CDXSplitterFrame::eOneView, 1}};
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.views);
    ASSERT_TRUE((frame->*layout.make)());
    EXPECT_EQ(frame->GetViewType(), layout.type);
    std::vector<CDXFile3DView*> views = Views(frame);
    ASSERT_EQ(views.size(), layout.views);
    for (CDXFile3DView* view : views) {
      EXPECT_TRUE(view->ViewIsReady());
      EXPECT_TRUE(view->IsInViewList());
      view->ViewFrontView();
      // Three units in front of the box, whatever the preset framed.
      const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
      view->GetCamera()->SetTransformMatrix(&eye, &at, &up, true, true);
    }
    ASSERT_TRUE(DrawFrames(views));
    for (CDXFile3DView* view : views) {
      QImage image = Picture(view);
      ASSERT_FALSE(image.isNull());
      EXPECT_TRUE(IsBox(image.pixelColor(image.width() / 2, image.height() / 2))) << "the box in the middle";
      const QColor top = image.pixelColor(image.width() / 2, 2);
      EXPECT_TRUE(IsBackground(top)) << "the background above it in a view of " << image.width() << "x"
                                     << image.height() << ", not " << top.red() << "," << top.green() << ","
                                     << top.blue();
      const bool master = layout.views > 1 && view == frame->GetActive3DView();
      EXPECT_EQ(view->IsMasterView(), master);
      if (master) {
        EXPECT_GT(MasterMarkPixels(image), 10);
      } else {
        EXPECT_EQ(MasterMarkPixels(image), 0);
      }
    }
  }
  EXPECT_EQ(document->GetViewList()->GetCount(), 1);
}

TEST_F(ViewsTest, TheCamerasAreKeptAcrossLayouts) {
  CDXDoc* document = OpenDocumentWithBox();
  ASSERT_NE(document, nullptr);
  CDXSplitterFrame* frame = SplitterFrame(document);
  CDXFile3DView* single = Views(frame).at(0);
  single->ViewSideViewMinusX();
  const D3DXMATRIX left = single->GetCamera()->GetTransformMatrix(false);

  ASSERT_TRUE(frame->Create2Views());
  CDX3DSplitterWnd* split = frame->Get3DViewsSplitter();
  ASSERT_NE(split, nullptr);
  CDXFile3DView* a = split->Get3DView(0, 0);
  CDXFile3DView* b = split->Get3DView(0, 1);
  EXPECT_EQ(a->GetViewMode(), static_cast<UINT>(ID_VIEW_SIDE_VIEW_MINUS_X));
  EXPECT_TRUE(SameMatrix(left, a->GetCamera()));
  EXPECT_EQ(b->GetViewMode(), static_cast<UINT>(ID_VIEW_SIDE_VIEW_PLUS_X)) << "the right view looks from +X";
  b->ViewTopView();
  const D3DXMATRIX top = b->GetCamera()->GetTransformMatrix(false);

  ASSERT_TRUE(frame->Create4Views2());
  split = frame->Get3DViewsSplitter();
  EXPECT_EQ(split->Get3DView(0, 0)->GetViewMode(), static_cast<UINT>(ID_VIEW_SIDE_VIEW_MINUS_X));
  EXPECT_TRUE(SameMatrix(left, split->Get3DView(0, 0)->GetCamera()));
  EXPECT_TRUE(SameMatrix(top, split->Get3DView(0, 1)->GetCamera()));
  EXPECT_EQ(split->Get3DView(1, 0)->GetViewMode(), static_cast<UINT>(ID_VIEW_SIDE_VIEW_PLUS_X));
  EXPECT_EQ(split->Get3DView(1, 1)->GetViewMode(), static_cast<UINT>(ID_VIEW_BOTTOM_VIEW));

  ASSERT_TRUE(frame->CreateOneView2());
  CDXFile3DView* again = Views(frame).at(0);
  EXPECT_EQ(again->GetViewMode(), static_cast<UINT>(ID_VIEW_SIDE_VIEW_MINUS_X));
  EXPECT_TRUE(SameMatrix(left, again->GetCamera()));
  EXPECT_EQ(document->GetCameraManager()->GetCameraCount(), 1u) << "the cameras of the views gone are given back";
}

TEST_F(ViewsTest, AMaximisedChildFrameRendersOnlyItsActiveView) {
  CDXDoc* document = OpenDocumentWithBox();
  ASSERT_NE(document, nullptr);
  CDXSplitterFrame* frame = SplitterFrame(document);
  ASSERT_TRUE(frame->Create4Views2());
  std::vector<CDXFile3DView*> views = Views(frame);
  ASSERT_TRUE(DrawFrames(views, 1));
  frame->ShowWindow(SW_SHOWMAXIMIZED);
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return frame->IsZoomed() != FALSE; }));
  CDXFile3DView* active = frame->GetActive3DView();
  std::vector<unsigned> before;
  for (CDXFile3DView* view : views) before.push_back(view->GetPresentedFrames());
  ASSERT_TRUE(DrawFrames({active}, 3));
  for (size_t at = 0; at < views.size(); ++at) {
    if (views[at] != active) {
      EXPECT_EQ(views[at]->GetPresentedFrames(), before[at]);
    }
  }
}

TEST_F(ViewsTest, ABusySceneLockLeavesTheFrameOutWithoutFailingTheView) {
  CDXDoc* document = OpenDocumentWithBox();
  ASSERT_NE(document, nullptr);
  CDXFile3DView* view = Views(SplitterFrame(document)).at(0);
  view->ViewFrontView();
  ASSERT_TRUE(DrawFrames({view}));
  // A job holds the camera's lock: the main thread cannot have it.
  CCameraFrame* camera = view->GetCamera();
  std::atomic<bool> held{false}, release{false};
  std::thread job([&] {
    camera->Lock(false, false);
    held = true;
    while (!release) Sleep(1);
    camera->Unlock();
  });
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return held.load(); }));
  EXPECT_FALSE(view->RenderSurface(true));
  EXPECT_EQ(view->GetViewStatus(), CDXFile3DView::eViewReady);
  release = true;
  job.join();
  ASSERT_TRUE(DrawFrames({view}));
  QImage image = Picture(view);
  EXPECT_TRUE(IsBox(image.pixelColor(image.width() / 2, image.height() / 2)));
}

// Views of the tool pane's forms, each of its own class.
class CFirstRowView : public CView {
  DECLARE_DYNCREATE(CFirstRowView)
};
IMPLEMENT_DYNCREATE(CFirstRowView, CView)
class CSecondRowView : public CView {
  DECLARE_DYNCREATE(CSecondRowView)
};
IMPLEMENT_DYNCREATE(CSecondRowView, CView)
class CThirdRowView : public CView {
  DECLARE_DYNCREATE(CThirdRowView)
};
IMPLEMENT_DYNCREATE(CThirdRowView, CView)

TEST_F(ViewsTest, TheTasksAndReductionToolsFillTheToolPaneWithTheirRows) {
  using Frame = CDXSplitterFrame;
  CRuntimeClass* saved[2][3];
  for (int at = 0; at < 3; ++at) {
    saved[0][at] = Frame::GetToolPaneViewClass(Frame::eToolTasks, at);
    saved[1][at] = Frame::GetToolPaneViewClass(Frame::eToolReduction, at);
  }
  Frame::SetToolPaneViewClasses(Frame::eToolTasks, RUNTIME_CLASS(CFirstRowView), RUNTIME_CLASS(CSecondRowView),
                                RUNTIME_CLASS(CThirdRowView));
  Frame::SetToolPaneViewClasses(Frame::eToolReduction, RUNTIME_CLASS(CFirstRowView), RUNTIME_CLASS(CSecondRowView),
                                RUNTIME_CLASS(CThirdRowView));
  ASSERT_TRUE(m_frame->CreateDocument());
  Frame* frame = SplitterFrame(m_frame->GetActiveDXDocument());

  frame->DisplayWorldThreadsManager();
  EXPECT_EQ(frame->GetToolPaneView(), Frame::eToolTasks);
  EXPECT_EQ(frame->GetToolPaneCommand(), static_cast<UINT>(ID_TOOLS_TASKS_VIEWER));
  CSplitterWnd* rows = frame->GetToolPaneSplitter();
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->GetRowCount(), 3);
  EXPECT_TRUE(rows->GetPane(0, 0)->IsKindOf(RUNTIME_CLASS(CFirstRowView)));
  EXPECT_TRUE(rows->GetPane(2, 0)->IsKindOf(RUNTIME_CLASS(CThirdRowView)));

  // The reduction tool: the methods form above, the lower form of the method.
  frame->DisplayReductionManager();
  EXPECT_EQ(frame->GetToolPaneView(), Frame::eToolReduction);
  rows = frame->GetToolPaneSplitter();
  ASSERT_EQ(rows->GetRowCount(), 2);
  EXPECT_TRUE(rows->GetPane(1, 0)->IsKindOf(RUNTIME_CLASS(CSecondRowView))) << "progressive meshes by default";
  ASSERT_TRUE(frame->CreateCMeshOptionsFormView());
  EXPECT_TRUE(rows->GetPane(1, 0)->IsKindOf(RUNTIME_CLASS(CThirdRowView)));

  // Removing the tool empties the pane.
  frame->DestroyToolPaneView();
  EXPECT_EQ(frame->GetToolPaneSplitter(), nullptr);
  EXPECT_EQ(frame->GetToolPaneView(), Frame::eToolNone);
  Frame::SetToolPaneViewClasses(Frame::eToolTasks, saved[0][0], saved[0][1], saved[0][2]);
  Frame::SetToolPaneViewClasses(Frame::eToolReduction, saved[1][0], saved[1][1], saved[1][2]);
}

// ---------------------------------------------------------------------------
// Job messages and the progress bar

TEST_F(ViewsTest, TwoJobsShareOneProgressBarThatGoesWithTheLast) {
  CDXThread first, second;
  m_frame->SendMessage(WM_JOB_CREATE_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&first));
  CProgressCtrl* control = g_appOptions.pProgressCtrl;
  ASSERT_NE(control, nullptr);
  ASSERT_NE(m_frame->GetProgressDialogBar(), nullptr);
  m_frame->SendMessage(WM_JOB_CREATE_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&second));
  EXPECT_EQ(g_appOptions.pProgressCtrl, control) << "the second job uses the same bar";
  EXPECT_EQ(m_frame->GetProgressCount(), 2);
  m_frame->SendMessage(WM_JOB_DESTROY_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(g_appOptions.pProgressCtrl, control);
  m_frame->SendMessage(WM_JOB_DESTROY_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&second));
  EXPECT_EQ(g_appOptions.pProgressCtrl, nullptr);
  EXPECT_EQ(m_frame->GetProgressDialogBar(), nullptr);
}

TEST_F(ViewsTest, AMessageForAClosedDocumentIsIgnored) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* open = m_frame->GetActiveDXDocument();
  ASSERT_NE(open, nullptr);
  CDXDoc closed;
  CDXThread ofOpen, ofClosed;
  ofOpen.SetUpParameters(m_frame->GetSafeHwnd(), open, "a", "Importing a .x file", "");
  ofClosed.SetUpParameters(m_frame->GetSafeHwnd(), &closed, "b", "Importing a .x file", "");
  m_frame->SendMessage(WM_JOB_CREATE_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&ofOpen));
  CProgressCtrl* control = g_appOptions.pProgressCtrl;
  ASSERT_NE(control, nullptr);
  const int start = control->GetPos();
  m_frame->SendMessage(WM_JOB_READ_THREAD_INFO, 0, reinterpret_cast<LPARAM>(&ofClosed));
  m_frame->SendMessage(WM_JOB_SET_SELECTED_FRAME, 1, reinterpret_cast<LPARAM>(&closed));
  EXPECT_EQ(control->GetPos(), start) << "no step for a closed document";
  m_frame->SendMessage(WM_JOB_READ_THREAD_INFO, 0, reinterpret_cast<LPARAM>(&ofOpen));
  EXPECT_NE(control->GetPos(), start) << "one step for an open one";
  m_frame->SendMessage(WM_JOB_DESTROY_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&ofOpen));
}

TEST_F(ViewsTest, ResizingTheMainWindowRescalesTheProgressBar) {
  CDXThread job;
  m_frame->SendMessage(WM_JOB_CREATE_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&job));
  CProgressCtrl* control = g_appOptions.pProgressCtrl;
  ASSERT_NE(control, nullptr);
  control->StepIt();
  const int position = control->GetPos();
  m_frame->MoveWindow(0, 0, 700, 500);
  RECT client;
  ASSERT_TRUE(g_testDesktop->WaitFor([&] {
    m_frame->GetClientRect(&client);
    int lower = 0, upper = 0;
    control->GetRange(lower, upper);
    return upper == client.right - client.left;
  }));
  const int width = client.right - client.left;
  EXPECT_EQ(control->SetStep(0), width / 10);
  EXPECT_EQ(control->GetPos(), position);
  m_frame->SendMessage(WM_JOB_DESTROY_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(&job));
}

// ---------------------------------------------------------------------------
// Steering the camera pauses the jobs

TEST_F(ViewsTest, HoldingArrowKeysOverAViewPausesItsDocumentsJobsUntilTheLastIsReleased) {
  ASSERT_TRUE(m_frame->CreateDocument());
  ASSERT_NE(m_frame->GetActive3DView(), nullptr);
  m_frame->SetMainFrameActivated(true);
  ASSERT_TRUE(g_pInputManager->IsReady());
  struct Step {
    BYTE key;
    bool down;
    bool paused;
  };
  const Step steps[] = {{DIK_RIGHT, true, true}, {DIK_UP, true, true}, {DIK_RIGHT, false, true},
                        {DIK_UP, false, false}, {DIK_DOWN, true, true}, {DIK_DOWN, false, false}};
  for (const Step& step : steps) {
    g_pInputManager->InjectKey(step.key, step.down);
    m_frame->RenderAllSurfaces(true);
    EXPECT_EQ(g_appOptions.bJobsPaused.load(), step.paused) << int(step.key) << (step.down ? " down" : " up");
  }
}

TEST_F(ViewsTest, LosingTheFocusResumesWhatAHeldKeyPaused) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXFile3DView* view = m_frame->GetActive3DView();
  ASSERT_NE(view, nullptr);
  m_frame->SetMainFrameActivated(true);
  g_pInputManager->InjectKey(DIK_LEFT, true);
  m_frame->RenderAllSurfaces(true);
  ASSERT_TRUE(g_appOptions.bJobsPaused.load());
  m_frame->ResetInputDevicesStates(view);
  EXPECT_FALSE(g_appOptions.bJobsPaused.load());
}

}  // namespace
