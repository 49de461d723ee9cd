// The document: its settings file, the option records spread from it, its
// life, and the requests the frame loop carries out once a busy lock is free.
#include <afxdesktop.h>
#include <configfile.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dx_splitter_frame.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <main_frame.h>
#include <vorever.h>
#include <vorever_dll.h>
#include <winuser.h>
#include <xfile.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_test.h"
#include "program_test.h"
#include "settings_file.h"

namespace fs = std::filesystem;

using namespace settings_file;

namespace {

// Holds a lock on a thread of its own (a job's) until released.
class CLockHolder {
 public:
  explicit CLockHolder(CMutex* lock) {
    std::promise<void> held;
    std::future<void> isHeld = held.get_future();
    m_thread = std::thread([this, lock, &held] {
      lock->Lock();
      held.set_value();
      m_release.get_future().wait();
      lock->Unlock();
    });
    isHeld.wait();
  }
  ~CLockHolder() { Release(); }
  void Release() {
    if (!m_thread.joinable()) return;
    m_release.set_value();
    m_thread.join();
  }

 private:
  std::promise<void> m_release;
  std::thread m_thread;
};

// The system as the host starts it, with the device or without, and the
// program folder's "Config.dat" kept and put back.
class DocumentTest : public ProgramTest {
 protected:
  void SetUp() override { m_keeper.Keep(); }
  void TearDown() override {
    StopProgram();
    m_keeper.PutBack();
  }
  // A document in its window, as the "new" command makes it; NULL when none.
  CDXDoc* OpenWindow() {
    if (!m_frame->CreateDocument() || m_manager.GetDocList()->IsEmpty()) return nullptr;
    return m_manager.GetDocList()->GetTail();
  }


 private:
  CSettingsFileKeeper m_keeper;
};

TEST_F(DocumentTest, TheSettingsFileIsTakenWhenWholeAndReplacedByTheDefaultsOtherwise) {
  StartProgram(true);
  CONFIGFILE mine = Defaults();
  mine.fReductionPercent = 42.0f;
  mine.fMaxNormalAngle = 33.0f;
  std::vector<char> bytes = RecordBytes(mine);
  struct Case {
    const char* name;
    int size;  // -1: no file
    float reductionPercent;
  } cases[] = {
      {"600 bytes", 600, 42.0f},
      {"540 bytes", 540, 42.0f},
      {"539 bytes", 539, 100.0f},
      {"missing", -1, 100.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(ConfigPath());
    if (c.size >= 0) {
      std::vector<char> file = bytes;
      file.resize(static_cast<size_t>(c.size), 'x');
      WriteBytes(ConfigPath(), file);
    }
    CDXDoc document;
    ASSERT_TRUE(document.Initialize());
    EXPECT_FALSE(document.GetConfigDataFailed());
    EXPECT_EQ(document.GetConfig()->fReductionPercent, c.reductionPercent);
    EXPECT_EQ(document.GetReductionOptions().reductionPercent, c.reductionPercent);
    // The file is left holding exactly the record the document took.
    EXPECT_EQ(FileBytes(ConfigPath()), RecordBytes(*document.GetConfig()));
    if (c.reductionPercent == 100.0f) {
      EXPECT_EQ(FileBytes(ConfigPath()), RecordBytes(Defaults()));
    }
  }
}

TEST_F(DocumentTest, AnUnwritableSettingsFileLeavesTheDocumentOnTheDefaults) {
  StartProgram(true);
  fs::create_directory(ConfigPath());  // neither readable as a record nor writable as a file
  const DWORD boxes = GetLastMessageBox().count;
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  EXPECT_TRUE(document.GetConfigDataFailed());
  EXPECT_EQ(RecordBytes(*document.GetConfig()), RecordBytes(Defaults()));
  const MessageBoxRecord box = GetLastMessageBox();
  EXPECT_EQ(box.count, boxes + 1);  // told once
  EXPECT_EQ(box.caption, "Creating a new document");
  EXPECT_EQ(box.type, MB_ICONHAND);
  // The records still come from the defaults.
  const REDUCTIONOPTIONS options = document.GetReductionOptions();
  EXPECT_EQ(options.reductionPercent, 100.0f);
  EXPECT_EQ(options.allowMidpoint, 0u);
  EXPECT_EQ(options.maxNormalAngle, 6.0f);
  EXPECT_EQ(options.maxAreaChangePercent, 3.0f);
  EXPECT_EQ(options.faceAreaFactor, 10.0f);
}

TEST_F(DocumentTest, SetConfigSpreadsTheSettingsOverTheRecordsAndSavesThem) {
  CDXDoc document;
  DISPLAYOPTIONS display = document.GetDisplayOptions();
  display.vertexHandlePickMode = 3;  // set by the forms only
  document.SetDisplayOptions(display);

  CONFIGFILE config = Defaults();
  config.fReductionPercent = 25.0f;
  config.fMaxNormalAngle = 7.0f;
  config.fMaxAreaChangePercent = 8.0f;
  config.fFaceAreaFactor = 9.0f;
  config.bShowActiveEdges = 1;
  config.bColorCreatedTriangles = 1;
  config.cvActiveVertices = D3DCOLORVALUE{0.0f, 0.5f, 1.0f, 1.0f};
  config.cvCreatedTriangles = D3DCOLORVALUE{0.25f, 0.0f, 0.0f, 1.0f};
  config.dwReductionMethod = 1;
  config.fPMeshPercent = 30.0f;
  config.dwPMeshByVertices = 1;
  config.fWeightBoundary = 2.0f;
  config.fWeightTexture = 5.0f;
  document.SetConfig(&config);

  const REDUCTIONOPTIONS reduction = document.GetReductionOptions();
  EXPECT_EQ(reduction.reductionPercent, 25.0f);
  EXPECT_EQ(reduction.maxNormalAngle, 7.0f);
  EXPECT_EQ(reduction.maxAreaChangePercent, 8.0f);
  EXPECT_EQ(reduction.faceAreaFactor, 9.0f);
  EXPECT_EQ(reduction.reductionMethod, 1u);
  EXPECT_EQ(reduction.pmeshDisplayPercent, 30.0f);
  EXPECT_EQ(reduction.pmeshByVertices, 1u);
  EXPECT_EQ(reduction.pmeshBoundaryWeight, 2.0f);
  EXPECT_EQ(reduction.pmeshTextureWeight, 5.0f);
  display = document.GetDisplayOptions();
  EXPECT_EQ(display.showActiveEdges, 1);
  EXPECT_EQ(display.showActiveVertices, 0);
  EXPECT_EQ(display.colorNewFaces, 1);
  EXPECT_EQ(display.activeVerticesMaterial.Diffuse.b, 1.0f);
  EXPECT_EQ(display.activeVerticesMaterial.Diffuse.g, 0.5f);
  EXPECT_EQ(display.newFacesMaterial.Diffuse.r, 0.25f);
  EXPECT_EQ(display.vertexHandlePickMode, 3u);
  CONFIGFILE saved;
  ASSERT_TRUE(ReadConfigFile(saved));
  EXPECT_EQ(RecordBytes(saved), RecordBytes(config));
}

TEST_F(DocumentTest, OnlyTheMidpointByteTurnsMidpointsOn) {
  CDXDoc document;
  struct Case {
    BYTE bytes[4];  // 0x4c to 0x4f
    DWORD allowMidpoint;
  } cases[] = {{{0, 0xff, 0xff, 0xff}, 0}, {{1, 0, 0, 0}, 1}, {{1, 0xff, 0x12, 0x34}, 1}, {{0, 0, 0, 0}, 0}};
  for (const Case& c : cases) {
    CONFIGFILE config = Defaults();
    std::memcpy(reinterpret_cast<BYTE*>(&config) + 0x4c, c.bytes, 4);
    document.SetConfig(&config);
    EXPECT_EQ(document.GetReductionOptions().allowMidpoint, c.allowMidpoint) << int(c.bytes[0]) << int(c.bytes[1]);
  }
}

TEST_F(DocumentTest, AFailedStepDropsTheDocumentAndLeavesNoWorld) {
  StartProgram(false);  // without a device the world cannot be built
  CDXDoc document;
  EXPECT_FALSE(document.Initialize());
  EXPECT_EQ(document.GetRenderFrame(), nullptr);
  EXPECT_FALSE(m_manager.DocInList(&document));

  EXPECT_EQ(OpenWindow(), nullptr);
  EXPECT_TRUE(m_manager.GetDocList()->IsEmpty());
  EXPECT_EQ(m_frame->MDIGetActive(), nullptr);
}

TEST_F(DocumentTest, TheDisplayOptionsLockIsTriedByReadersAndWaitedForByWriters) {
  StartProgram(true);
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  DISPLAYOPTIONS options;
  EXPECT_TRUE(document.TryGetDisplayOptions(options));
  options.vertexHandlePickMode = 2;
  document.SetDisplayOptions(options);
  {
    // A lock held elsewhere: the reader gets an all-zero record.
    std::promise<void> held, release;
    std::thread holder([&] {
      document.LockDisplayOptions();
      held.set_value();
      release.get_future().wait();
      document.UnlockDisplayOptions();
    });
    held.get_future().wait();
    DISPLAYOPTIONS busy;
    EXPECT_FALSE(document.TryGetDisplayOptions(busy));
    EXPECT_EQ(busy.vertexHandlePickMode, 0u);
    EXPECT_EQ(document.GetDisplayOptions().vertexHandlePickMode, 2u);  // no lock
    release.set_value();
    holder.join();
  }
  EXPECT_TRUE(document.TryGetDisplayOptions(options));
  EXPECT_EQ(options.vertexHandlePickMode, 2u);
}

TEST_F(DocumentTest, AMeshSelectionMadeWhileTheLockIsBusyIsCarriedOutOnTheNextFrame) {
  StartProgram(true);
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  auto* first = reinterpret_cast<CDXPMesh*>(0x1000);  // never dereferenced by the selection
  auto* second = reinterpret_cast<CDXPMesh*>(0x2000);
  EXPECT_TRUE(document.SetSelectedPMeshTL(first));
  EXPECT_EQ(document.GetSelectedPMesh(), first);
  {
    CLockHolder job(document.GetSelectedPMeshMutex());
    EXPECT_FALSE(document.SetSelectedPMeshTL(second));  // tried, given up
    EXPECT_EQ(document.GetSelectedPMesh(), first);
    EXPECT_FALSE(document.SetSelectedPMeshRTL(second));  // tried, stored
    document.ProcessRequestsRTLIL();  // still busy: stays stored
    EXPECT_EQ(document.GetSelectedPMesh(), first);
  }
  document.ProcessRequestsRTLIL();
  EXPECT_EQ(document.GetSelectedPMesh(), second);
  {
    CLockHolder job(document.GetSelectedPMeshMutex());
    EXPECT_FALSE(document.ResetSelectedPMeshPercentageDisplayedRTL(nullptr));
    EXPECT_EQ(document.GetSelectedPMesh(), second);
  }
  document.ProcessRequestsRTLIL();
  EXPECT_EQ(document.GetSelectedPMesh(), nullptr);
}

TEST_F(DocumentTest, AFrameSelectionWaitsOnJobsAndIsRequestedOnTheMainThread) {
  StartProgram(true);
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  CFrame* content = document.GetWorldContentFrame();
  ASSERT_NE(content, nullptr);
  {
    CLockHolder job(document.GetSelectedFrameMutex());
    document.RequestSetSelectedFrame(content);
    document.ProcessRequestsRTLIL();
    EXPECT_EQ(document.GetSelectedFrame(), nullptr);
    // The percentage request waits for both locks.
    EXPECT_FALSE(document.SetSelectedPMeshPercentageDisplayedRTL());
  }
  document.ProcessRequestsRTLIL();
  EXPECT_EQ(document.GetSelectedFrame(), content);
  EXPECT_TRUE(document.SetSelectedPMeshPercentageDisplayedRTL());  // not a progressive mesh: nothing changes

  // A job waits for the lock instead of giving up.
  std::thread job([&] { document.SetSelectedFrameL(nullptr); });
  job.join();
  EXPECT_EQ(document.GetSelectedFrame(), nullptr);
}

TEST_F(DocumentTest, ARenderMadeWhileTheViewListIsBusyIsDoneOnTheNextFrame) {
  StartProgram(true);
  CDXDoc* document = OpenWindow();
  ASSERT_NE(document, nullptr);
  CDXFile3DView* view = m_frame->GetActive3DView();
  ASSERT_NE(view, nullptr);
  if (document->GetSplitterFrame() == nullptr) {
    document->SetSplitterFrame(DYNAMIC_DOWNCAST(CDXSplitterFrame, view->GetParentFrame()));
  }
  if (document->GetViewList()->Find(view) == nullptr) document->AddView(view);
  ASSERT_TRUE(g_testDesktop->WaitFor([&] { return view->IsWindowVisible() != FALSE; }));
  const unsigned before = view->GetPresentedFrames();
  {
    CLockHolder job(document->GetViewListMutex());
    EXPECT_TRUE(document->RenderDocumentScene(true));  // repaints from the last image
    EXPECT_EQ(view->GetPresentedFrames(), before);
  }
  EXPECT_TRUE(document->RenderDocumentScene(true));
  EXPECT_GT(view->GetPresentedFrames(), before);

  EXPECT_TRUE(document->RemoveView(view));
  EXPECT_FALSE(document->RemoveView(view));  // not listed any more
  EXPECT_TRUE(document->GetViewList()->IsEmpty());
  m_frame->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_FALSE(m_manager.DocInList(document));
}

TEST_F(DocumentTest, ADocumentWithoutAFrameIsNeverRendered) {
  StartProgram(true);
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  EXPECT_FALSE(document.Is3DViewVisible(true));
  EXPECT_TRUE(document.RenderDocumentScene(true));
}

TEST_F(DocumentTest, AFileThatFailsToLoadWithoutAJobIsToldOnTheStatusBar) {
  StartProgram(true);
  CDXDoc document;
  ASSERT_TRUE(document.Initialize());
  CXFile loader;
  char texturePath[] = "";
  EXPECT_FALSE(loader.LoadXfile("/nonexistent/none.x", document.GetWorldContentFrame(), *document.GetWorldDataList(),
                                texturePath, nullptr));
  EXPECT_EQ(std::string(m_frame->GetMessageText()), "Failed to load the file");
}

}  // namespace
