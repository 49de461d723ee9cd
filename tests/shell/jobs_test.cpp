// The document's jobs as the user runs them: import, the progressive and the
// connectivity roads, export, do-it-all and a dropped file, with the file
// dialogs answered by the test.
#include <afxdesktop.h>
#include <appoptions.h>
#include <batchmode.h>
#include <cameraframe.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dx_file_dialogs.h>
#include <dx_splitter_frame.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <main_frame.h>
#include <resource.h>
#include <threads_manager.h>
#include <vorever.h>
#include <vorever_dll.h>
#include <xfiledatalist.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"
#include "geo_test_meshes.h"
#include "temp_folder.h"

namespace {

// A closed sphere in a frame, as a text .x file.
void WriteSphereFile(const std::string& path, DWORD stacks, DWORD slices) {
  const SGeoTestMesh mesh = MakeSphereMesh(stacks, slices);
  std::ofstream out(path);
  out << "xof 0302txt 0032\nFrame ball {\n Mesh sphere {\n  " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    out << "  " << mesh.vertices[i].x << ";" << mesh.vertices[i].y << ";" << mesh.vertices[i].z
        << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  WriteXMeshFaces(out, mesh);
  out << " }\n}\n";
}

// The scene frames that hang directly below a frame (cameras and the
// world's own frames left out).
std::vector<CFrame*> ChildFrames(CFrame* parent) {
  std::vector<CFrame*> frames;
  POSITION pos = parent->GetChildObjectList().GetHeadPosition();
  while (CFrame* frame = parent->GetNextFrame(pos, false, true)) {
    const CFrame::EFrameType type = frame->GetFrameType();
    if (type == CFrame::ePlainFrame || type == CFrame::eConnectivityMeshFrame || type == CFrame::eDXMeshFrame ||
        type == CFrame::eDXPMeshFrame) {
      if (std::strcmp(frame->GetName(), "WorldSeedFrame") != 0) frames.push_back(frame);
    }
  }
  return frames;
}

// The system as the host starts it, with Direct3D meshes loaded from .x
// files (the progressive road needs them).
class JobsTest : public ProgramTest {
 protected:
  void SetUp() override {
    StartProgram();
    m_savedLoadDXMeshes = g_appOptions.bLoadDXMeshes;
    m_savedFormat = g_appOptions.dwXFileFormat;
    m_savedLoadingMethod = g_appOptions.dw3dsLoadingMethod;
    g_appOptions.bLoadDXMeshes = 1;
    m_sphere = m_folder.Path("ball.x");
    WriteSphereFile(m_sphere, 10, 16);
  }
  void TearDown() override {
    AfxSetModalDialogHook(nullptr);
    StopProgram();
    g_appOptions.bLoadDXMeshes = m_savedLoadDXMeshes;
    g_appOptions.dwXFileFormat = m_savedFormat;
    g_appOptions.dw3dsLoadingMethod = m_savedLoadingMethod;
  }

  // The file dialogs that follow are answered with path; an empty path
  // cancels them.
  static void AnswerFileDialogs(const std::string& path) {
    AfxSetModalDialogHook([path](CDialog* dialog) {
      auto* file = DYNAMIC_DOWNCAST(CFileDialog, dialog);
      if (file == nullptr) return;
      if (path.empty()) {
        file->EndDialog(IDCANCEL);
        return;
      }
      file->SetPathName(path.c_str());
      file->EndDialog(IDOK);
    });
  }

  // Runs the frame loop until no job of the document runs.
  bool WaitForJobs(CDXDoc* document) {
    return g_testDesktop->WaitFor(
        [&] {
          try {
            m_frame->RenderAllSurfaces(true);
          } catch (char*) {
          } catch (const char*) {
          }
          return !document->GetThreadsManager()->ActiveThread();
        },
        120000);
  }

  CDXThread* LastJob(CDXDoc* document) { return document->GetThreadsManager()->GetThreadList()->GetHead(); }

  // Imports path through the import command into a new document.
  CDXDoc* ImportThroughCommand(const std::string& path) {
    AnswerFileDialogs(path);
    EXPECT_TRUE(m_frame->TriggerCommand(ID_INSERT_3DOBJECT_FROM_FILE));
    CDXDoc* document = m_frame->GetActiveDXDocument();
    if (document == nullptr) return nullptr;
    EXPECT_TRUE(WaitForJobs(document));
    return document;
  }

  // Runs a command of a menu or toolbar and waits for the job it starts.
  void RunCommand(CDXDoc* document, UINT id) {
    EXPECT_TRUE(m_frame->TriggerCommand(id)) << id;
    EXPECT_TRUE(WaitForJobs(document));
  }
  // The same for a command that no menu or toolbar shows.
  void SendCommand(CDXDoc* document, UINT id) {
    m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_TRUE(WaitForJobs(document));
  }

  // What the overlay of the master camera shows of the frame it views.
  static std::string OverlayTriangles(CDXDoc* document) {
    CString triangles, vertices, kind, percent;
    CCameraFrame* camera = document->GetMasterCamera();
    if (camera == nullptr || !camera->GetViewAllFrameMetrics(triangles, vertices, kind, percent, false)) return "";
    return static_cast<LPCSTR>(triangles);
  }

  TempFolder m_folder;
  std::string m_sphere;
  BYTE m_savedLoadDXMeshes = 0;
  DWORD m_savedFormat = 0;
  DWORD m_savedLoadingMethod = 0;
};

TEST_F(JobsTest, AnImportedXFileStandsSelectedAndFramedWithItsTriangleCount) {
  const std::string path = std::string(VOREVER_FIXTURES) + "/mesh_cube_two_materials.x";
  CDXDoc* document = ImportThroughCommand(path);
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_STREQ(document->GetTitle(), "mesh_cube_two_materials.x");
  CFrame* frame = document->GetSelectedFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_STREQ(frame->GetName(), "mesh_cube_two_materials.x");
  EXPECT_EQ(document->GetLastWorkedFrame(), frame);
  EXPECT_EQ(document->GetMasterCamera()->GetViewAllFrame(), frame);
  EXPECT_EQ(SummarizeScene(frame).triangles, 12u);
  EXPECT_EQ(OverlayTriangles(document), "12 triangles");
  // The next import starts in the file's folder.
  EXPECT_STREQ(g_appOptions.szImportFolder, (std::string(VOREVER_FIXTURES) + "/").c_str());
}

TEST_F(JobsTest, A3dsFileImportsDirectlyAndThroughTheConverter) {
  // The .3ds file is the sphere exported by the export command.
  CDXDoc* source = ImportThroughCommand(m_sphere);
  ASSERT_NE(source, nullptr);
  const DWORD triangles = SummarizeScene(source->GetSelectedFrame()).triangles;
  ASSERT_GT(triangles, 0u);
  const std::string exported = m_folder.Path("ball.3ds");
  AnswerFileDialogs(exported);
  RunCommand(source, ID_EXPORT_3DOBJECT);
  ASSERT_TRUE(std::filesystem::exists(exported));

  for (DWORD method : {0u, 1u}) {
    SCOPED_TRACE(method == 0 ? "direct" : "converter");
    g_appOptions.dw3dsLoadingMethod = method;
    CDXDoc* document = ImportThroughCommand(exported);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
    CFrame* frame = document->GetSelectedFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(SummarizeScene(frame).triangles, triangles);
    EXPECT_EQ(document->GetMasterCamera()->GetViewAllFrame(), frame);
  }
}

TEST_F(JobsTest, AStoppedImportLeavesNoFrame) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  CFrame* parent = document->GetMasterCamera()->GetParentRenderFrame();
  const size_t before = ChildFrames(parent).size();
  // The job waits at its first pause point until it is stopped.
  CThreadsManager* manager = document->GetThreadsManager();
  manager->PauseThreads();
  std::string path = m_sphere;
  document->Insert3dObjectFromFile(const_cast<char*>("ball"), const_cast<char*>("ball.x"), path.data(),
                                   const_cast<char*>(m_folder.Path().c_str()), "x");
  ASSERT_EQ(manager->GetThreadList()->GetCount(), 1);
  LastJob(document)->KillThread();
  manager->PlayThreads();
  EXPECT_TRUE(WaitForJobs(document));
  EXPECT_EQ(ChildFrames(parent).size(), before);
  EXPECT_EQ(document->GetSelectedFrame(), nullptr);
  EXPECT_EQ(document->GetWorldDataList()->GetSelectedFrame(), nullptr);
}

TEST_F(JobsTest, AMalformedFileGivesAMessageAndChangesNothing) {
  for (const char* name : {"broken.x", "broken.3ds"}) {
    SCOPED_TRACE(name);
    const std::string path = m_folder.Path(name);
    std::ofstream(path) << "xof 0302txt 0032\nFrame broken {\n Mesh m { 3; 0;0;0;, 1;0;";
    CDXDoc* document = ImportThroughCommand(path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadFailed);
    g_testDesktop->PumpMessages();
    EXPECT_STREQ(m_frame->GetMessageText(), "Failed to load the file");
    EXPECT_EQ(ChildFrames(document->GetMasterCamera()->GetParentRenderFrame()).size(), 0u);
    EXPECT_EQ(document->GetSelectedFrame(), nullptr);
  }
}

TEST_F(JobsTest, AProgressiveFrameAtAQuarterGivesASnapshotOfAQuarterOfTheFaces) {
  CDXDoc* document = ImportThroughCommand(m_sphere);
  ASSERT_NE(document, nullptr);
  CFrame* frame = document->GetSelectedFrame();
  ASSERT_NE(frame, nullptr);
  const DWORD full = SummarizeScene(frame).triangles;

  RunCommand(document, ID_CREATE_PROGRESSIVE_FRAME);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  ASSERT_EQ(document->GetSelectedFrame(), frame);
  EXPECT_EQ(frame->GetFrameType(), CFrame::eDXPMeshFrame);

  document->OnApplyPMeshDisplayOptions(25.0f);
  ASSERT_TRUE(WaitForJobs(document));
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);

  RunCommand(document, ID_CREATE_RETAINED_MODE_FRAME);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_EQ(frame->GetFrameType(), CFrame::eDXMeshFrame);
  const DWORD snapshot = SummarizeScene(frame).triangles;
  EXPECT_NEAR(static_cast<double>(snapshot), full * 0.25, full * 0.05) << snapshot << " of " << full;
}

TEST_F(JobsTest, AConnectivityFrameIsReducedWithinItsLimits) {
  CDXDoc* document = ImportThroughCommand(m_sphere);
  ASSERT_NE(document, nullptr);
  CFrame* source = document->GetSelectedFrame();
  ASSERT_NE(source, nullptr);
  // The connectivity road: its toolbar, and the settings' method.
  ASSERT_TRUE(m_frame->CreateCMeshPolygonReductionToolbar());
  document->GetConfig()->dwReductionMethod = 1;
  RunCommand(document, ID_CREATE_CONNECTIVITY_FRAME);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  CFrame* connectivity = document->GetSelectedFrame();
  ASSERT_NE(connectivity, nullptr);
  ASSERT_NE(connectivity, source);
  EXPECT_EQ(connectivity->GetFrameType(), CFrame::eConnectivityMeshFrame);
  // Placed to the right of its source.
  EXPECT_GT(connectivity->GetTransformMatrix(false)._41, source->GetTransformMatrix(false)._41);
  const DWORD before = connectivity->GetActiveTrianglesCount(false);
  ASSERT_GT(before, 0u);

  REDUCTIONOPTIONS options = document->GetReductionOptions();
  options.reductionPercent = 50.0f;
  options.maxNormalAngle = 30.0f;
  options.maxAreaChangePercent = 20.0f;
  options.faceAreaFactor = 10.0f;
  document->SetReductionOptions(options);
  RunCommand(document, ID_REDUCE_TRIANGLES);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  const DWORD after = connectivity->GetActiveTrianglesCount(false);
  EXPECT_LT(after, before);
  // A closed surface keeps at least a tetrahedron, and no more than half goes.
  EXPECT_GE(after, 4u);
  EXPECT_GE(after, before / 2);
  EXPECT_EQ(document->GetSelectedFrame(), connectivity);
}

TEST_F(JobsTest, AStoppedReductionRemovesItsFrame) {
  CDXDoc* document = ImportThroughCommand(m_sphere);
  ASSERT_NE(document, nullptr);
  CFrame* source = document->GetSelectedFrame();
  ASSERT_TRUE(m_frame->CreateCMeshPolygonReductionToolbar());
  document->GetConfig()->dwReductionMethod = 1;
  RunCommand(document, ID_CREATE_CONNECTIVITY_FRAME);
  CFrame* connectivity = document->GetSelectedFrame();
  ASSERT_NE(connectivity, source);
  CFrame* parent = connectivity->GetParentRenderFrame();
  ASSERT_EQ(ChildFrames(parent).size(), 2u);

  CThreadsManager* manager = document->GetThreadsManager();
  manager->PauseThreads();
  ASSERT_TRUE(m_frame->TriggerCommand(ID_REDUCE_TRIANGLES));
  LastJob(document)->KillThread();
  manager->PlayThreads();
  ASSERT_TRUE(WaitForJobs(document));
  EXPECT_NE(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  const std::vector<CFrame*> left = ChildFrames(parent);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0], source);
}

TEST_F(JobsTest, EachExportFormatReimportsWithTheSameCounts) {
  CDXDoc* document = ImportThroughCommand(m_sphere);
  ASSERT_NE(document, nullptr);
  const SSceneSummary original = SummarizeScene(document->GetSelectedFrame());
  struct SCase {
    const char* name;
    DWORD format;
  };
  for (const SCase& each : {SCase{"text.x", 1}, SCase{"binary.x", 0}, SCase{"compressed.x", 2}, SCase{"mesh.3DS", 0}}) {
    SCOPED_TRACE(each.name);
    g_appOptions.dwXFileFormat = each.format;
    const std::string path = m_folder.Path(each.name);
    ASSERT_TRUE(m_frame->MDIGetActive() != nullptr);
    document->GetSplitterFrame()->MDIActivate();
    AnswerFileDialogs(path);
    RunCommand(document, ID_EXPORT_3DOBJECT);
    EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
    ASSERT_TRUE(std::filesystem::exists(path));
    CDXDoc* again = ImportThroughCommand(path);
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again->GetSelectedFrame(), nullptr);
    const SSceneSummary read = SummarizeScene(again->GetSelectedFrame());
    EXPECT_EQ(read.triangles, original.triangles);
    EXPECT_EQ(read.meshes, original.meshes);
  }
}

TEST_F(JobsTest, DoItAllLeavesThreeFramesTwoOfThemHidden) {
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  // The job asks for the file from its own thread; the main thread shows the
  // dialog.
  AnswerFileDialogs(m_sphere);
  SendCommand(document, ID_DO_IT_ALL_PMESH);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadCompleted);
  const std::vector<CFrame*> frames = ChildFrames(document->GetMasterCamera()->GetParentRenderFrame());
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_STREQ(frames[0]->GetName(), "ball");
  EXPECT_TRUE(frames[0]->IsHiden());
  EXPECT_EQ(frames[1]->GetFrameType(), CFrame::eDXPMeshFrame);
  EXPECT_TRUE(frames[1]->IsHiden());
  EXPECT_EQ(frames[2]->GetFrameType(), CFrame::eDXMeshFrame);
  EXPECT_FALSE(frames[2]->IsHiden());
  EXPECT_EQ(document->GetSelectedFrame(), frames[2]);
  EXPECT_EQ(document->GetMasterCamera()->GetViewAllFrame(), frames[2]);

  // A cancelled dialog ends the job as failed and changes nothing.
  AnswerFileDialogs("");
  SendCommand(document, ID_DO_IT_ALL_PMESH);
  EXPECT_EQ(LastJob(document)->GetEThreadStatus(), CDXThread::eThreadFailed);
  EXPECT_EQ(ChildFrames(document->GetMasterCamera()->GetParentRenderFrame()).size(), 3u);
}

TEST_F(JobsTest, ADroppedFileWithAnUpperCaseExtensionImports) {
  const std::string path = m_folder.Path("SHIP.X");
  std::filesystem::copy_file(m_sphere, path);
  ASSERT_TRUE(m_frame->CreateDocument());
  CDXDoc* document = m_frame->GetActiveDXDocument();
  ASSERT_NE(document, nullptr);
  ASSERT_TRUE(document->ProcessDroppedFile(path.c_str()));
  EXPECT_STREQ(document->GetTitle(), "SHIP.X");
  ASSERT_TRUE(WaitForJobs(document));
  ASSERT_NE(document->GetSelectedFrame(), nullptr);
  EXPECT_STREQ(document->GetSelectedFrame()->GetName(), "SHIP.X");
  // Neither a separator nor a dot: nothing happens.
  EXPECT_FALSE(document->ProcessDroppedFile("nothing"));
}

// The X-file save options dialog, answered by the test.
void RunSaveOptions(const std::function<void(CDialog*)>& answer) {
  AfxSetModalDialogHook(answer);
  CDXSaveOptionsDialog dialog;
  dialog.DoModal();
  AfxSetModalDialogHook(nullptr);
}

void Click(CDialog* dialog, UINT id) {
  CWnd* control = dialog->GetDlgItem(id);
  ASSERT_NE(control, nullptr) << id;
  dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control->m_hWnd));
}

TEST(FileOptionsDialogs, TheXFileSaveOptionsReadAndWriteTheHostsFormat) {
  const DWORD savedFormat = g_appOptions.dwXFileFormat;
  const BYTE savedTemplates = g_appOptions.bSaveTemplates;
  // Confirmed as it opens, format 2 stays 2.
  g_appOptions.dwXFileFormat = 2;
  RunSaveOptions([](CDialog* dialog) { dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
  EXPECT_EQ(g_appOptions.dwXFileFormat, 2u);
  // Text with compressed checked gives 3, and the templates box is stored.
  RunSaveOptions([](CDialog* dialog) {
    Click(dialog, IDC_XSAVE_TEXT);
    static_cast<CButton*>(dialog->GetDlgItem(IDC_XSAVE_TEMPLATES))->SetCheck(BST_CHECKED);
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(g_appOptions.dwXFileFormat, 3u);
  EXPECT_EQ(g_appOptions.bSaveTemplates, 1);
  // A format out of range opens with none chosen and stays as it was.
  g_appOptions.dwXFileFormat = 7;
  RunSaveOptions([](CDialog* dialog) {
    EXPECT_EQ(static_cast<CButton*>(dialog->GetDlgItem(IDC_XSAVE_BINARY))->GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(static_cast<CButton*>(dialog->GetDlgItem(IDC_XSAVE_TEXT))->GetCheck(), BST_UNCHECKED);
    static_cast<CButton*>(dialog->GetDlgItem(IDC_XSAVE_TEMPLATES))->SetCheck(BST_UNCHECKED);
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(g_appOptions.dwXFileFormat, 7u);
  EXPECT_EQ(g_appOptions.bSaveTemplates, 0);
  g_appOptions.dwXFileFormat = savedFormat;
  g_appOptions.bSaveTemplates = savedTemplates;
}

TEST(FileOptionsDialogs, The3dsOptionsWriteThroughAndShowTheConverterArguments) {
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  SetAppOptions(defaults);
  std::string arguments, extension;
  AfxSetModalDialogHook([&](CDialog* dialog) {
    arguments = dialog->GetDlgItem(IDC_3DS_ARGUMENTS)->GetWindowTextString();
    // A change is in the host's options at once, also when cancelled.
    Click(dialog, IDC_3DS_USE_CONVERTER);
    dialog->GetDlgItem(IDC_3DS_TEXTURE_EXTENSION)->SetWindowText("jpeg");
    dialog->GetDlgItem(IDC_3DS_TEXTURE_EXTENSION)->SetWindowText("tiffs");
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  CDX3dsOptionsDialog dialog;
  dialog.DoModal();
  AfxSetModalDialogHook(nullptr);
  EXPECT_EQ(arguments, " -s1 -v1");
  EXPECT_EQ(g_appOptions.dw3dsLoadingMethod, 1u);
  EXPECT_STREQ(g_appOptions.szConvTextureExt, "tiff");
  SetAppOptions(defaults);
  EXPECT_EQ(g_appOptions.dw3dsLoadingMethod, 0u);
}

}  // namespace
