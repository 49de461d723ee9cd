// Test doubles for the jobs: a main window that records the job messages it
// handles, and a document whose job bodies succeed, fail or wait as told.
#pragma once

#include <dx_doc.h>
#include <dx_thread.h>
#include <job_messages.h>
#include <main_frame.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A pointer as the scripted document writes it into its record of calls.
std::string PointerText(const void* p);

// Runs the main thread's messages until done() or ten seconds have passed;
// answers done().
bool PumpMessagesUntil(const std::function<bool()>& done);

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class CRecordingMainFrame : public CDXMainFrame {
 public:
  // The messages handled so far (main thread).
  std::vector<RecordedMessage> messages;
  int viewUpdates = 0;

  // The message numbers handled with lParam, in order.
  std::vector<UINT> MessagesAbout(const void* lParam) const;
  // Handles every job message already queued.
  void Pump();
  // Waits until job's thread has ended and its last messages are handled.
  bool WaitForEnd(CDXThread* job);

  void UpdateAll3DViews(bool) override { ++viewUpdates; }
#define RECORDING_HANDLER(name, id) \
  LRESULT name(WPARAM w, LPARAM l) override { return Record(id, w, l); }
  RECORDING_HANDLER(OnDestroyProgressBar, WM_JOB_DESTROY_PROGRESS_BAR)
  RECORDING_HANDLER(OnCreateProgressBar, WM_JOB_CREATE_PROGRESS_BAR)
  RECORDING_HANDLER(OnDisplayTrace, WM_JOB_DISPLAY_TRACE)
  RECORDING_HANDLER(OnReadThreadInfo, WM_JOB_READ_THREAD_INFO)
  RECORDING_HANDLER(OnThreadTraceFileCreated, WM_JOB_TRACE_FILE_CREATED)
  RECORDING_HANDLER(OnReadThreadTraceFile, WM_JOB_READ_TRACE_FILE)
  RECORDING_HANDLER(OnThreadCreated, WM_JOB_THREAD_CREATED)
  RECORDING_HANDLER(OnStepProgressBar, WM_JOB_STEP_PROGRESS_BAR)
  RECORDING_HANDLER(OnSetSlider, WM_JOB_SET_SLIDER)
  RECORDING_HANDLER(OnResetTreeDisplayName, WM_JOB_RESET_TREE_DISPLAY_NAME)
  RECORDING_HANDLER(OnFillAnimationSetsCombo, WM_JOB_FILL_ANIMATION_SETS_COMBO)
  RECORDING_HANDLER(OnDeleteTreeItem, WM_JOB_DELETE_TREE_ITEM)
  RECORDING_HANDLER(OnSetSelectedFrame, WM_JOB_SET_SELECTED_FRAME)
  RECORDING_HANDLER(OnSetAnimationTime, WM_JOB_SET_ANIMATION_TIME)
  RECORDING_HANDLER(OnSetMessageText, WM_JOB_SET_MESSAGE_TEXT)
#undef RECORDING_HANDLER

 private:
  LRESULT Record(UINT message, WPARAM wParam, LPARAM lParam);
};

// How a scripted job body behaves.
enum class EBody {
  kSucceed,
  kFail,
  // Polls the job's pause point until the gate opens (true) or the job is
  // stopped (false).
  kWaitForGate,
  // Stops once at the pause point and answers what it answered.
  kPausePoint,
};

class CScriptedDoc : public CDXDoc {
 public:
  CScriptedDoc();
  ~CScriptedDoc() override;

  std::atomic<EBody> body{EBody::kSucceed};
  // Manual-reset events: set when a body has begun; set by the test to let
  // waiting bodies succeed.
  HANDLE started;
  HANDLE gate;

  // "Body(arguments)" of every body called, in order.
  std::vector<std::string> Calls();

  bool InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                          CDXThread* thread) override;
  bool Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                            CDXThread* thread) override;
  bool InsertConverted3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                     CDXThread* thread) override;
  bool Export3dObject(CFrame* frame, char* pathName, CDXThread* thread) override;
  bool Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread) override;
  bool CreateConnectivityMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) override;
  bool ConvertIntoPMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) override;
  bool ConvertIntoDXMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) override;
  bool ApplyPMeshDisplayOptions(CFrame* frame, CCameraFrame* camera, CDXThread* thread, float value) override;
  bool ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) override;
  bool DoItAllPMesh(CCameraFrame* camera, CDXThread* thread) override;

  // The reduction percentage of the options of the last reduction body, as
  // they stood when it ended.
  std::atomic<float> reductionPercentSeen{-1.0f};

 private:
  bool Run(const std::string& call, CDXThread* job);

  std::mutex m_callsLock;
  std::vector<std::string> m_calls;
};
