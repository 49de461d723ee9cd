// The windows that show a document beside its 3D views: the scene tree, the
// threads list and thread form, the trace view and the lights form.
#include <afxdesktop.h>
#include <configfile.h>
#include <d3dx8.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dx_file_trace_view.h>
#include <dx_file_tree_view.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <lightframe.h>
#include <lights_form_view.h>
#include <lightsmanager.h>
#include <main_frame.h>
#include <resource.h>
#include <threads_manager.h>
#include <threads_views.h>
#include <vorever.h>
#include <vorever_dll.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "desktop_test.h"
#include "program_test.h"
#include "temp_folder.h"

namespace {

// A document whose import job announces a trace file, writes a first line,
// waits until the test lets it go on, then writes a second line and ends.
class CTracingDoc : public CDXDoc {
  DECLARE_DYNCREATE(CTracingDoc)

 public:
  std::string tracePath;
  std::atomic<bool> goOn{false};
  bool InsertXFileObjects(char*, char*, char*, CCameraFrame*, CDXThread* job) override {
    { std::ofstream(tracePath) << "Reading the file\n"; }
    job->TraceFileCreated(tracePath.c_str());
    while (!goOn.load() && job->WaitForThreadPlayingEvent()) Sleep(1);
    {
      std::ofstream trace(tracePath, std::ios::app);
      for (int line = 0; line < 30; ++line) trace << "Frame " << line << " loaded\n";
    }
    job->TraceFileUpdated();
    return true;
  }
};
IMPLEMENT_DYNCREATE(CTracingDoc, CDXDoc)

class DocumentWindowsTest : public ProgramTest {
 protected:
  void SetUp() override {
    StartProgram();
  }
  void TearDown() override {
    m_templates.clear();
    StopProgram();
  }

  // A window of viewClass for document, from a template of the test.
  CView* OpenView(CDocument* document, CRuntimeClass* viewClass) {
    m_templates.push_back(std::make_unique<CMultiDocTemplate>(IDR_TRACEVIEW, RUNTIME_CLASS(CDXDoc),
                                                              RUNTIME_CLASS(CMDIChildWnd), viewClass));
    CFrameWnd* frame = m_templates.back()->CreateNewFrame(document, nullptr);
    if (frame == nullptr) return nullptr;
    m_templates.back()->InitialUpdateFrame(frame, document, TRUE);
    return frame->GetActiveView();
  }

  std::vector<std::unique_ptr<CMultiDocTemplate>> m_templates;
};

TEST_F(DocumentWindowsTest, TheThreadsViewsAndTheTraceViewFollowAJob) {
  TempFolder folder;
  CMultiDocTemplate docTemplate(IDR_SPLITTERFRAME, RUNTIME_CLASS(CTracingDoc), RUNTIME_CLASS(CMDIChildWnd),
                                RUNTIME_CLASS(CThreadsListView));
  auto* document = static_cast<CTracingDoc*>(docTemplate.OpenDocumentFile(nullptr));
  ASSERT_NE(document, nullptr);
  document->tracePath = folder.Path("import.log");
  CThreadsListView* list = document->GetThreadsListView();
  auto* form = DYNAMIC_DOWNCAST(CThreadFormView, OpenView(document, RUNTIME_CLASS(CThreadFormView)));
  auto* trace = DYNAMIC_DOWNCAST(CDXFileTraceView, OpenView(document, RUNTIME_CLASS(CDXFileTraceView)));
  ASSERT_NE(list, nullptr);
  ASSERT_NE(form, nullptr);
  ASSERT_NE(trace, nullptr);

  // No job: the seven headers, no current job, the form empty and greyed.
  CListCtrl& rows = list->GetListCtrl();
  EXPECT_EQ(rows.GetColumnCount(), 7);
  EXPECT_EQ(rows.GetItemCount(), 0);
  EXPECT_EQ(list->GetCurrentThread(), nullptr);
  EXPECT_FALSE(form->GetDlgItem(IDC_THREAD_TITLE)->IsWindowEnabled());
  EXPECT_STREQ(form->GetDlgItem(IDC_THREAD_TITLE)->GetWindowTextString(), "");
  EXPECT_EQ(trace->GetRichEditCtrl().GetTextLength(), 0);

  document->GetThreadsManager()->InsertXFileObjects(document, "ship", "ship.x", "/none/ship.x", "/none/", nullptr);
  CTypedPtrList<CPtrList, CDXThread*>* jobs = document->GetThreadsManager()->GetThreadList();
  ASSERT_EQ(jobs->GetCount(), 1);
  CDXThread* job = jobs->GetHead();
  // The main frame hands the job's messages to the document.
  document->OnThreadCreated(job);
  ASSERT_EQ(rows.GetItemCount(), 1);
  EXPECT_EQ(list->GetCurrentThread(), job);
  EXPECT_STREQ(rows.GetItemText(0, 0), job->GetThreadType());
  EXPECT_STREQ(form->GetDlgItem(IDC_THREAD_TITLE)->GetWindowTextString(), job->GetThreadTitle());
  EXPECT_TRUE(form->GetDlgItem(IDC_THREAD_TITLE)->IsWindowEnabled());

  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return job->TraceFileIsCreated(); }));
  document->OnThreadTraceFileCreated(job);
  document->OnReadThreadTraceFile(job);
  EXPECT_EQ(std::string(trace->GetRichEditCtrl().GetText()), "Reading the file\n");
  EXPECT_TRUE(trace->HasOpenTraceFile());

  document->goOn = true;
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return job->ThreadEnded(); }));
  document->OnReadThreadTraceFile(job);
  std::string shown(trace->GetRichEditCtrl().GetText());
  EXPECT_EQ(shown.substr(0, 17), "Reading the file\n");
  EXPECT_NE(shown.find("Frame 29 loaded\n"), std::string::npos);
  EXPECT_GT(shown.size(), 255u);
  // The ended job's file was read to its end and closed.
  EXPECT_FALSE(trace->HasOpenTraceFile());

  document->OnReadThreadInfo(job);
  EXPECT_STREQ(rows.GetItemText(0, 1), "Completed");
  EXPECT_STRNE(rows.GetItemText(0, 5), "");

  // Choosing the job again shows its trace once, not twice.
  list->SetCurrentThread(0);
  EXPECT_EQ(std::string(trace->GetRichEditCtrl().GetText()), shown);
  document->OnCloseDocument();
}

TEST_F(DocumentWindowsTest, TheSceneTreeShowsTheFrameThatAJobSelects) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  CMultiDocTemplate* treeTemplate = GetTreeViewDocTemplate();
  CFrameWnd* treeFrame = treeTemplate->CreateNewFrame(document, nullptr);
  ASSERT_NE(treeFrame, nullptr);
  treeTemplate->InitialUpdateFrame(treeFrame, document, TRUE);
  CDXFileTreeView* tree = document->GetTreeView();
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(std::string(treeFrame->GetWindowTextString()), std::string(document->GetTitle()) + " - Tree view");

  CTreeCtrl& items = tree->GetTreeCtrl();
  ASSERT_EQ(items.GetCount(), 1u);
  EXPECT_STREQ(items.GetItemText(items.GetRootItem()), "No frame selected");
  EXPECT_GT(tree->GetLargestItemWidth(), 0u);

  // A job builds a frame with a child below the world's content and selects it.
  CFrame* ship = nullptr;
  std::thread job([&] {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    char shipName[] = "Ship", mastName[] = "Mast";
    ship = new CFrame;
    ship->Initialize(&identity, shipName, CFrame::ePlainFrame, false);
    auto* mast = new CFrame;
    mast->Initialize(&identity, mastName, CFrame::ePlainFrame, false);
    ship->AddChildObject(eOwnedChild, mast, false);
    document->GetWorldContentFrame()->AddChildObject(eOwnedChild, ship, false);
    document->SetSelectedFrameL(ship);
  });
  job.join();
  // The frame loop carries the selection out.
  ASSERT_TRUE(g_testDesktop->WaitFor([&] {
    document->OnSetSelectedFrameRTLIL();
    return tree->GetFrameDisplayed() == ship;
  }));
  HTREEITEM root = items.GetRootItem();
  EXPECT_STREQ(items.GetItemText(root), "Selected frame Ship");
  // The frame's entries show below it, the child frame among them.
  CChildObject* entry = nullptr;
  HTREEITEM child = nullptr;
  for (POSITION at = ship->GetChildObjectList().GetHeadPosition(); at != nullptr;) {
    CChildObject* each = ship->GetChildObjectList().GetNext(at);
    char* name = each->GetXfileDataObject()->GetName();
    if (name != nullptr && std::string(name) == "Mast") entry = each;
  }
  ASSERT_NE(entry, nullptr);
  child = tree->FindItem(entry);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(items.GetParentItem(child), root);
  EXPECT_NE(std::string(items.GetItemText(child)).find("Mast"), std::string::npos) << items.GetItemText(child);

  // A removed entry's item goes, and a second removal of it does nothing.
  UINT count = items.GetCount();
  document->DeleteTreeItem(entry);
  EXPECT_LT(items.GetCount(), count);
  EXPECT_EQ(tree->FindItem(entry), nullptr);
  document->DeleteTreeItem(entry);
  document->ResetTreeDisplayName(entry);
  EXPECT_FALSE(tree->IsChildObject(nullptr));
}

TEST_F(DocumentWindowsTest, TheLightsFormSwitchesCreatesAndDeletesTheWorldsLights) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  CMultiDocTemplate* lightsTemplate = GetDirectionalLightsFormViewDocTemplate();
  CFrameWnd* lightsFrame = lightsTemplate->CreateNewFrame(document, nullptr);
  ASSERT_NE(lightsFrame, nullptr);
  lightsTemplate->InitialUpdateFrame(lightsFrame, document, TRUE);
  auto* form = static_cast<CZUVidovsFormView*>(document->GetLightsFormView());
  ASSERT_NE(form, nullptr);
  auto* frame = static_cast<CZUVidovsFormChildFrame*>(lightsFrame);
  EXPECT_EQ(std::string(frame->GetWindowTextString()), std::string(document->GetTitle()) + " - Lights Manager");
  EXPECT_EQ(frame->GetNavigationToolBar()->GetCount(), 9);
  CLightsManager* lights = document->GetWorldLightsManager();

  auto click = [&](int id, bool checked) {
    auto* box = DYNAMIC_DOWNCAST(CButton, form->GetDlgItem(id));
    box->SetCheck(checked ? BST_CHECKED : BST_UNCHECKED);
    form->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box->GetSafeHwnd()));
  };
  auto checked = [&](int id) { return DYNAMIC_DOWNCAST(CButton, form->GetDlgItem(id))->GetCheck() == BST_CHECKED; };

  // The boxes show the world's lights.
  EXPECT_EQ(checked(IDC_LIGHT_FROM_FRONT), lights->GetDirectionalLightFromFrontFrame() != nullptr);
  EXPECT_EQ(checked(IDC_AMBIENT_LIGHT_ENABLED), lights->AmbientLightIsEnabled());

  // Unchecking a side destroys its light at once; checking makes it anew.
  click(IDC_LIGHT_FROM_FRONT, false);
  EXPECT_EQ(lights->GetDirectionalLightFromFrontFrame(), nullptr);
  EXPECT_EQ(document->GetConfig()->bLightFromFront, 0);
  click(IDC_LIGHT_FROM_FRONT, true);
  EXPECT_NE(lights->GetDirectionalLightFromFrontFrame(), nullptr);
  EXPECT_EQ(document->GetConfig()->bLightFromFront, 1);
  click(IDC_AMBIENT_LIGHT_ENABLED, false);
  EXPECT_FALSE(lights->AmbientLightIsEnabled());
  click(IDC_AMBIENT_LIGHT_ENABLED, true);
  EXPECT_TRUE(lights->AmbientLightIsEnabled());

  // The navigator makes a light, walks to the end and deletes it again.
  unsigned long before = lights->GetLightsCount();
  form->OnButtonCreate();
  EXPECT_EQ(lights->GetLightsCount(), before + 1);
  EXPECT_STREQ(frame->GetStatusBar()->GetPaneText(0), "A new light is created.");
  form->OnButtonLast();
  CLightFrame* last = form->GetCurrentLightFrame();
  ASSERT_NE(last, nullptr);
  form->OnButtonNext();
  EXPECT_EQ(form->GetCurrentLightFrame(), last);
  EXPECT_STREQ(frame->GetStatusBar()->GetPaneText(0), "The last light is displayed.");
  // Saving keeps the light's direction.
  D3DVECTOR direction = last->GetD3DLight()->Direction;
  form->OnButtonUpdate();
  EXPECT_EQ(last->GetD3DLight()->Direction.z, direction.z);
  form->OnButtonDelete();
  EXPECT_EQ(lights->GetLightsCount(), before);
  EXPECT_STREQ(frame->GetStatusBar()->GetPaneText(0), "The light is successfully deleted");

  // Reset brings the default lights and colours back, in the form and the
  // settings.
  click(IDC_LIGHT_FROM_FRONT, false);
  form->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RESET_LIGHTS, BN_CLICKED));
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  EXPECT_EQ(checked(IDC_LIGHT_FROM_FRONT), defaults.bLightFromFront != 0);
  EXPECT_EQ(document->GetConfig()->bLightFromFront, defaults.bLightFromFront);
  EXPECT_EQ(lights->GetDirectionalLightFromFrontFrame() != nullptr, defaults.bLightFromFront != 0);
}

}  // namespace
