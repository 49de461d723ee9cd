#include <frame.h>
#include <gtest/gtest.h>
#include <job_threads.h>
#include <threads_manager.h>

#include <functional>
#include <string>

#include "job_test_support.h"
#include "sound_recorder.h"

namespace {

constexpr const char* kDing = "Windows XP Ding.wav";

class JobThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mainFrame.Create());
    frame.Initialize(const_cast<char*>("Alpha"));
    ForgetPlayedSounds();
  }
  void TearDown() override { SetSoundsThrow(false); }

  CThreadsManager* Manager() { return doc.GetThreadsManager(); }
  CDXThread* Newest() { return Manager()->GetThreadList()->GetHead(); }

  CRecordingMainFrame mainFrame;
  CFrame frame;
  CScriptedDoc doc;
  CCameraFrame* camera = reinterpret_cast<CCameraFrame*>(0x5678);
  char fileTitle[16] = "scene";
  char fileName[16] = "scene.x";
  char pathName[16] = "/in/scene.x";
  char folder[16] = "/in/";
};

struct JobCase {
  const char* title;
  const char* type;
  const char* input;
  const char* output;
  bool halfEdgesAndEdges;  // shows the half-edge and edge counters too
  bool claimsFrame;
  const char* failureSound;
};

TEST_F(JobThreadsTest, EveryJobEndsWithItsStatusClosingMessagesAndSound) {
  const std::string cam = PointerText(camera);
  const std::string frm = PointerText(&frame);
  struct Row {
    std::function<void()> launch;
    JobCase expected;
    std::string call;
    bool tracesConverter;
  };
  const Row rows[] = {
      {[&] { Manager()->InsertXFileObjects(&doc, fileTitle, fileName, pathName, folder, camera); },
       {"Importing the x file scene.x", "Importing a .x file", "scene.x", "", false, false, NULL},
       "InsertXFileObjects(scene.x,/in/scene.x,/in/," + cam + ")",
       false},
      {[&] { Manager()->Insert3dsFileObjects(&doc, fileTitle, fileName, pathName, folder, camera); },
       {"Importing the 3ds file scene.x", "Importing a .3ds file", "scene.x", "", false, false, NULL},
       "Insert3dsFileObjects(scene.x,/in/scene.x,/in/," + cam + ")",
       false},
      {[&] { Manager()->InsertConverted3dsFileObjects(&doc, fileTitle, fileName, pathName, folder, camera); },
       {"Importing the 3ds file scene.x with the conv3ds utility", "Importing a .3ds file", "scene.x", "", false, false,
        NULL},
       "InsertConverted3dsFileObjects(scene.x,/in/scene.x,/in/," + cam + ")",
       true},
      {[&] { Manager()->ExportXFileObjects(&doc, fileTitle, fileName, pathName, folder, &frame); },
       {"Exporting the x file scene.x", "Exporting a .x file", "Alpha", "scene.x", false, true, NULL},
       "Export3dObject(" + frm + ",/in/scene.x)",
       false},
      {[&] { Manager()->Export3dsFileObjects(&doc, fileTitle, fileName, pathName, folder, &frame); },
       {"Exporting the 3ds file scene.x", "Exporting a .3ds file", "Alpha", "scene.x", false, true, NULL},
       "Export3dObjectIn3dsFile(" + frm + ",/in/scene.x)",
       false},
      {[&] { Manager()->CreateConnectivityMeshFrame(&doc, &frame, camera); },
       {"Creating a connectivity frame for the frame Alpha", "Create a connectivity frame", "Alpha", "", true, true,
        "error.wav"},
       "CreateConnectivityMeshFrame(" + frm + "," + cam + ")",
       false},
      {[&] { Manager()->CreateProgressiveMeshFrame(&doc, &frame, camera); },
       {"Creating a progressive frame for the frame Alpha", "Creating a progressive mesh", "Alpha", "", false, true,
        "error.wav"},
       "ConvertIntoPMeshFrame(" + frm + "," + cam + ")",
       false},
      {[&] { Manager()->CreateRetainedModeMeshFrame(&doc, &frame, camera); },
       {"Creating a retained mode frame for the frame Alpha", "Creating a snapshot", "Alpha", "", false, true,
        "error.wav"},
       "ConvertIntoDXMeshFrame(" + frm + "," + cam + ")",
       false},
      {[&] { Manager()->ApplyPMeshDisplayOptions(&doc, &frame, camera, 50.0f); },
       {"Apply the display options to the frame Alpha", "Applying display options", "Alpha", "", true, true,
        "error.wav"},
       "ApplyPMeshDisplayOptions(" + frm + "," + cam + ",50.000000)",
       false},
      {[&] { Manager()->ReduceTrianglesCount(&doc, &frame); },
       {"Reducing the triangles count of the frame Alpha", "Reducing triangles count", "Alpha", "", true, true,
        "error.wav"},
       "ReduceTrianglesCount(" + frm + ")",
       false},
      {[&] { Manager()->DoItAllPMesh(&doc, camera); },
       {"Do it all", "Do it all", "", "", false, false, "error.wav"},
       "DoItAllPMesh(" + cam + ")",
       false},
  };
  for (bool succeeds : {true, false}) {
    doc.body = succeeds ? EBody::kSucceed : EBody::kFail;
    for (const Row& row : rows) {
      const JobCase& e = row.expected;
      SCOPED_TRACE(std::string(e.title) + (succeeds ? ", succeeding" : ", failing"));
      ForgetPlayedSounds();
      int viewUpdates = mainFrame.viewUpdates;
      row.launch();
      // The views show the job's type instead of the scene, except while the
      // display options or a reduction work.
      const bool viewsUpdated = mainFrame.viewUpdates > viewUpdates;
      EXPECT_EQ(viewsUpdated,
                std::string(e.type) != "Applying display options" && std::string(e.type) != "Reducing triangles count");
      CDXThread* job = Newest();
      ASSERT_TRUE(mainFrame.WaitForEnd(job));

      EXPECT_STREQ(job->GetThreadTitle(), e.title);
      EXPECT_STREQ(job->GetThreadType(), e.type);
      EXPECT_STREQ(job->GetThreadInput(), e.input);
      EXPECT_STREQ(job->GetThreadOutput(), e.output);
      const bool doItAll = std::string(e.type) == "Do it all";
      EXPECT_STREQ(job->GetThreadOutputVerticesCount(), doItAll ? "" : "0");
      EXPECT_STREQ(job->GetThreadOutputTrianglesCount(), doItAll ? "" : "0");
      EXPECT_STREQ(job->GetThreadOutputHalfEdgesCount(), e.halfEdgesAndEdges ? "0" : "");
      EXPECT_STREQ(job->GetThreadOutputEdgesCount(), e.halfEdgesAndEdges ? "0" : "");
      EXPECT_EQ(job->IsForSelectedFrame(&frame), e.claimsFrame);
      EXPECT_FALSE(job->IsForSelectedFrame(NULL));
      EXPECT_EQ(doc.Calls().back(), row.call);

      EXPECT_STREQ(job->GetThreadStatus(), succeeds ? "Completed" : "Failed");
      std::vector<UINT> closing = {WM_JOB_READ_THREAD_INFO, WM_JOB_DESTROY_PROGRESS_BAR, WM_JOB_READ_THREAD_INFO};
      if (row.tracesConverter) closing.insert(closing.begin() + 1, WM_JOB_READ_TRACE_FILE);
      std::vector<UINT> posted = mainFrame.MessagesAbout(job);
      ASSERT_GE(posted.size(), closing.size());
      EXPECT_EQ(std::vector<UINT>(posted.end() - closing.size(), posted.end()), closing);

      const char* sound = succeeds ? kDing : e.failureSound;
      EXPECT_EQ(PlayedSounds(), sound != NULL ? std::vector<std::string>{sound} : std::vector<std::string>{});
    }
  }
}

TEST_F(JobThreadsTest, JobWaitsSuspendedUntilResumedThenRunsToItsEnd) {
  auto* job = static_cast<CFrameReductionThread*>(
      AfxBeginThread(RUNTIME_CLASS(CFrameReductionThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
  ASSERT_NE(job, nullptr);
  job->SetUpParameters(&doc, &frame, mainFrame.GetSafeHwnd());
  mainFrame.Pump();
  EXPECT_TRUE(mainFrame.MessagesAbout(job).empty());
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCreated);
  EXPECT_EQ(WaitForSingleObject(job->m_hThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  job->ResumeThread();
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCompleted);
  EXPECT_EQ(mainFrame.MessagesAbout(job).back(), WM_JOB_READ_THREAD_INFO);
  delete job;
}

TEST_F(JobThreadsTest, ASoundThatCannotPlayKeepsTheClosingMessages) {
  SetSoundsThrow(true);
  Manager()->ReduceTrianglesCount(&doc, &frame);
  CDXThread* job = Newest();
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_EQ(job->GetEThreadStatus(), CDXThread::eThreadCompleted);
  std::vector<UINT> posted = mainFrame.MessagesAbout(job);
  ASSERT_GE(posted.size(), 2u);
  EXPECT_EQ(posted[posted.size() - 2], WM_JOB_DESTROY_PROGRESS_BAR);
  EXPECT_FALSE(Manager()->ActiveThread());
}

TEST_F(JobThreadsTest, ReductionKeepsTheOptionsOfItsLaunch) {
  REDUCTIONOPTIONS options = doc.GetReductionOptions();
  options.reductionPercent = 40.0f;
  doc.SetReductionOptions(options);
  doc.body = EBody::kWaitForGate;
  Manager()->ReduceTrianglesCount(&doc, &frame);
  CDXThread* job = Newest();
  ASSERT_TRUE(WaitForSingleObject(doc.started, 10000) == WAIT_OBJECT_0);

  options.reductionPercent = 70.0f;
  doc.SetReductionOptions(options);
  SetEvent(doc.gate);
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  EXPECT_EQ(doc.reductionPercentSeen.load(), 40.0f);
}

TEST_F(JobThreadsTest, DeletingAFinishedJobClosesItsHandles) {
  Manager()->ReduceTrianglesCount(&doc, &frame);
  CDXThread* job = Newest();
  ASSERT_TRUE(mainFrame.WaitForEnd(job));
  HANDLE created = job->GetEventProgressBarCreated();
  HANDLE destroyed = job->GetEventProgressBarDestroyed();
  ASSERT_TRUE(Manager()->RemoveDXThread(job));
  delete job;
  EXPECT_FALSE(SetEvent(created));
  EXPECT_FALSE(SetEvent(destroyed));
}

}  // namespace
