#include "job_test_support.h"

#include <chrono>
#include <cstdio>
#include <thread>

bool PumpMessagesUntil(const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

LRESULT CRecordingMainFrame::Record(UINT message, WPARAM wParam, LPARAM lParam) {
  messages.push_back({message, wParam, lParam});
  return 0;
}

std::vector<UINT> CRecordingMainFrame::MessagesAbout(const void* lParam) const {
  std::vector<UINT> numbers;
  for (const RecordedMessage& m : messages) {
    if (m.lParam == reinterpret_cast<LPARAM>(lParam)) numbers.push_back(m.message);
  }
  return numbers;
}

void CRecordingMainFrame::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

bool CRecordingMainFrame::WaitForEnd(CDXThread* job) {
  // The thread's last act is its last post, so the queue then holds it all.
  bool ended = PumpMessagesUntil([&] { return WaitForSingleObject(job->m_hThread, 0) == WAIT_OBJECT_0; });
  Pump();
  return ended;
}

std::string PointerText(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

CScriptedDoc::CScriptedDoc() {
  started = CreateEventA(NULL, TRUE, FALSE, NULL);
  gate = CreateEventA(NULL, TRUE, FALSE, NULL);
  // There is no device here, so no world: the jobs need only the manager.
  GetThreadsManager()->Initialize();
}

CScriptedDoc::~CScriptedDoc() {
  // The jobs go before the events that their bodies use.
  KillThreads();
  CloseHandle(started);
  CloseHandle(gate);
}

std::vector<std::string> CScriptedDoc::Calls() {
  std::lock_guard<std::mutex> guard(m_callsLock);
  return m_calls;
}

bool CScriptedDoc::Run(const std::string& call, CDXThread* job) {
  {
    std::lock_guard<std::mutex> guard(m_callsLock);
    m_calls.push_back(call);
  }
  SetEvent(started);
  switch (body.load()) {
    case EBody::kSucceed:
      return true;
    case EBody::kFail:
      return false;
    case EBody::kPausePoint:
      return job->WaitForThreadPlayingEvent();
    case EBody::kWaitForGate:
      while (job->WaitForThreadPlayingEvent()) {
        if (WaitForSingleObject(gate, 2) == WAIT_OBJECT_0) return true;
      }
      return false;
  }
  return false;
}

bool CScriptedDoc::InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                      CDXThread* thread) {
  return Run(
      std::string("InsertXFileObjects(") + fileName + "," + pathName + "," + folder + "," + PointerText(camera) + ")",
      thread);
}

bool CScriptedDoc::Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                        CDXThread* thread) {
  return Run(
      std::string("Insert3dsFileObjects(") + fileName + "," + pathName + "," + folder + "," + PointerText(camera) + ")",
      thread);
}

bool CScriptedDoc::InsertConverted3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                                 CDXThread* thread) {
  return Run(std::string("InsertConverted3dsFileObjects(") + fileName + "," + pathName + "," + folder + "," +
                 PointerText(camera) + ")",
             thread);
}

bool CScriptedDoc::Export3dObject(CFrame* frame, char* pathName, CDXThread* thread) {
  return Run("Export3dObject(" + PointerText(frame) + "," + pathName + ")", thread);
}

bool CScriptedDoc::Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread) {
  return Run("Export3dObjectIn3dsFile(" + PointerText(frame) + "," + pathName + ")", thread);
}

bool CScriptedDoc::CreateConnectivityMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) {
  return Run("CreateConnectivityMeshFrame(" + PointerText(frame) + "," + PointerText(camera) + ")", thread);
}

bool CScriptedDoc::ConvertIntoPMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) {
  return Run("ConvertIntoPMeshFrame(" + PointerText(frame) + "," + PointerText(camera) + ")", thread);
}

bool CScriptedDoc::ConvertIntoDXMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread) {
  return Run("ConvertIntoDXMeshFrame(" + PointerText(frame) + "," + PointerText(camera) + ")", thread);
}

bool CScriptedDoc::ApplyPMeshDisplayOptions(CFrame* frame, CCameraFrame* camera, CDXThread* thread, float value) {
  return Run(
      "ApplyPMeshDisplayOptions(" + PointerText(frame) + "," + PointerText(camera) + "," + std::to_string(value) + ")",
      thread);
}

bool CScriptedDoc::ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) {
  bool done = Run("ReduceTrianglesCount(" + PointerText(frame) + ")", thread);
  reductionPercentSeen = options->reductionPercent;
  return done;
}

bool CScriptedDoc::DoItAllPMesh(CCameraFrame* camera, CDXThread* thread) {
  return Run("DoItAllPMesh(" + PointerText(camera) + ")", thread);
}
