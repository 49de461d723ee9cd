#include "threads_manager.h"

#include <dx_doc.h>
#include <main_frame.h>

#include <atomic>
#include <memory>

#include "dx_thread.h"
#include "job_messages.h"
#include "job_threads.h"
#include "jobs_pause.h"

namespace {

// A job that has not ended yet (it may not have started).
bool IsLive(CDXThread* job) {
  CDXThread::EThreadStatus status = job->GetEThreadStatus();
  return status == CDXThread::eThreadCreated || status == CDXThread::eThreadInProgress;
}

HWND MainWindowHandle() {
  CDXMainFrame* frame = GetMainFrame();
  return frame != NULL ? frame->GetSafeHwnd() : NULL;
}

}  // namespace

// Which steps of a launch run: the manager lock and the refusals.
struct CThreadsManager::LaunchRules {
  bool lockManager;
  bool checkFrame;
  bool checkActivity;
  bool updateViews;
};

CThreadsManager::CThreadsManager() : m_ThreadList(10) { ClearContent(); }

CThreadsManager::~CThreadsManager() { DestroyContent(); }

void CThreadsManager::ClearContent() {
  m_dwPauseCount = 0;
  m_hLock = NULL;
  m_bLockValid = false;
  m_nRunningThreads = 0;
  m_bSharesPlayingEvent = false;
}

bool CThreadsManager::Initialize() {
  DestroyContent();
  if (!ShareJobsPlayingEvent()) return false;
  m_bSharesPlayingEvent = true;
  m_hLock = CreateMutexA(NULL, FALSE, NULL);
  m_bLockValid = m_hLock != NULL;
  return m_bLockValid;
}

void CThreadsManager::DestroyContent() {
  DestroyThreadsList();
  // A closed document holds no pause over the jobs of the others.
  while (m_dwPauseCount > 0) PlayThreads();
  if (m_bSharesPlayingEvent) UnshareJobsPlayingEvent();
  if (m_hLock != NULL) {
    CloseHandle(m_hLock);
    m_bLockValid = false;
  }
  ClearContent();
}

bool CThreadsManager::LockThreadManager(bool tryOnly) {
  if (tryOnly) {
    DWORD result = WaitForSingleObject(m_hLock, 0);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) throw "Info: Cannot lock the threads manager mutex.";
  } else {
    WaitForSingleObject(m_hLock, INFINITE);
  }
  return true;
}

void CThreadsManager::UnlockThreadManager() {
  if (m_bLockValid) ReleaseMutex(m_hLock);
}

void CThreadsManager::DestroyThreadsList() {
  POSITION pos = m_ThreadList.GetHeadPosition();
  while (pos != NULL) {
    CDXThread* job = m_ThreadList.GetNext(pos);
    job->KillThread();
    RemoveThreadMessages();
    delete job;
  }
  m_ThreadList.RemoveAll();
}

void CThreadsManager::RemoveThreadMessages() {
  CDXMainFrame* frame = GetMainFrame();
  if (frame == NULL) return;
  MSG msg;
  while (PeekMessageA(&msg, frame->GetSafeHwnd(), WM_JOB_READ_THREAD_INFO, WM_JOB_THREAD_CREATED, PM_REMOVE)) {
    switch (msg.message) {
      case WM_JOB_READ_THREAD_INFO:
        frame->OnReadThreadInfo(msg.wParam, msg.lParam);
        break;
      case WM_JOB_TRACE_FILE_CREATED:
        frame->OnThreadTraceFileCreated(msg.wParam, msg.lParam);
        break;
      case WM_JOB_READ_TRACE_FILE:
        frame->OnReadThreadTraceFile(msg.wParam, msg.lParam);
        break;
      case WM_JOB_THREAD_CREATED:
        frame->OnThreadCreated(msg.wParam, msg.lParam);
        break;
    }
  }
}

bool CThreadsManager::RemoveDXThread(CDXThread* job) {
  POSITION pos = m_ThreadList.Find(job);
  if (pos == NULL) return false;
  m_ThreadList.RemoveAt(pos);
  return true;
}

void CThreadsManager::PauseThreads() { HoldJobsPause(m_dwPauseCount, true, NULL); }

void CThreadsManager::PlayThreads() { ReleaseJobsPause(m_dwPauseCount, true, NULL); }

void CThreadsManager::SetActiveThread(bool running) {
  if (running) {
    ++m_nRunningThreads;
    return;
  }
  int count = m_nRunningThreads.load();
  while (count > 0 && !m_nRunningThreads.compare_exchange_weak(count, count - 1)) {
  }
}

bool CThreadsManager::IsThreadForSelectedFrame(CFrame* frame) {
  POSITION pos = m_ThreadList.GetHeadPosition();
  while (pos != NULL) {
    CDXThread* job = m_ThreadList.GetNext(pos);
    if (IsLive(job) && job->IsForSelectedFrame(frame)) return true;
  }
  return false;
}

CString CThreadsManager::GetActiveThreadType() {
  try {
    POSITION pos = m_ThreadList.GetHeadPosition();
    while (pos != NULL) {
      CDXThread* job = m_ThreadList.GetNext(pos);
      if (IsLive(job)) return job->GetThreadType();
    }
  } catch (CException* e) {
    e->Delete();
  } catch (...) {
  }
  return CString();
}

template <class TJob, class SetUp>
void CThreadsManager::Launch(const LaunchRules& rules, CRuntimeClass* jobClass, CFrame* frame, SetUp setUp) {
  if (rules.lockManager) LockThreadManager(true);
  struct Unlocker {
    CThreadsManager* manager;
    ~Unlocker() {
      if (manager != NULL) manager->UnlockThreadManager();
    }
  } unlocker{rules.lockManager ? this : NULL};

  if (rules.checkFrame && IsThreadForSelectedFrame(frame)) return;
  if (rules.checkActivity && ActiveThread()) return;
  // The job is set up before its thread exists (suspended, at normal
  // priority), so that a set-up that throws leaves neither a job nor a thread.
  std::unique_ptr<TJob> job(static_cast<TJob*>(jobClass->CreateObject()));
  if (!job) throw "\nError: Failed to create the job thread.";
  try {
    setUp(job.get(), MainWindowHandle());
    if (!job->CreateThread(CREATE_SUSPENDED)) throw "\nError: Failed to create the job thread.";
  } catch (...) {
    RemoveThreadMessages();  // what the set-up posted names the job
    throw;
  }
  m_ThreadList.AddHead(job.get());
  // Counted before the thread runs, so that its end cannot come first.
  SetActiveThread(true);
  job.release()->ResumeThread();
  if (rules.updateViews && GetMainFrame() != NULL) GetMainFrame()->UpdateAll3DViews(true);
}

namespace {

constexpr bool kLock = true;
constexpr bool kCheck = true;
constexpr bool kViews = true;

}  // namespace

void CThreadsManager::CreateConnectivityMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera) {
  Launch<CConnectivityFrameThread>(
      {kLock, kCheck, !kCheck, kViews}, RUNTIME_CLASS(CConnectivityFrameThread), frame,
      [&](auto* job, HWND window) { job->SetUpParameters(document, frame, window, camera); });
}

void CThreadsManager::CreateRetainedModeMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera) {
  Launch<CRetainedModeThread>({kLock, kCheck, kCheck, kViews}, RUNTIME_CLASS(CRetainedModeThread), frame,
                              [&](auto* job, HWND window) { job->SetUpParameters(document, frame, window, camera); });
}

void CThreadsManager::CreateProgressiveMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera) {
  Launch<CProgressiveFrameThread>(
      {kLock, kCheck, kCheck, kViews}, RUNTIME_CLASS(CProgressiveFrameThread), frame,
      [&](auto* job, HWND window) { job->SetUpParameters(document, frame, window, camera); });
}

void CThreadsManager::ApplyPMeshDisplayOptions(CDXDoc* document, CFrame* frame, CCameraFrame* camera, float value) {
  Launch<CApplyPMOptionsThread>(
      {kLock, kCheck, kCheck, !kViews}, RUNTIME_CLASS(CApplyPMOptionsThread), frame,
      [&](auto* job, HWND window) { job->SetUpParameters(document, frame, window, camera, value); });
}

void CThreadsManager::ReduceTrianglesCount(CDXDoc* document, CFrame* frame) {
  Launch<CFrameReductionThread>({kLock, kCheck, kCheck, !kViews}, RUNTIME_CLASS(CFrameReductionThread), frame,
                                [&](auto* job, HWND window) { job->SetUpParameters(document, frame, window); });
}

void CThreadsManager::InsertXFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                         const char* pathName, const char* folder, CCameraFrame* camera) {
  Launch<CInsertXFileThread>({kLock, !kCheck, kCheck, kViews}, RUNTIME_CLASS(CInsertXFileThread), NULL,
                             [&](auto* job, HWND window) {
                               job->SetUpParameters(window, document, fileTitle, fileName, pathName, folder, camera);
                             });
}

void CThreadsManager::Insert3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                           const char* pathName, const char* folder, CCameraFrame* camera) {
  Launch<CInsert3dsFileThread>({kLock, !kCheck, kCheck, kViews}, RUNTIME_CLASS(CInsert3dsFileThread), NULL,
                               [&](auto* job, HWND window) {
                                 job->SetUpParameters(window, document, fileTitle, fileName, pathName, folder, camera);
                               });
}

void CThreadsManager::InsertConverted3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                                    const char* pathName, const char* folder, CCameraFrame* camera) {
  Launch<CFrom3dsToXfileThread>({kLock, !kCheck, kCheck, kViews}, RUNTIME_CLASS(CFrom3dsToXfileThread), NULL,
                                [&](auto* job, HWND window) {
                                  job->SetUpParameters(window, document, fileTitle, fileName, pathName, folder, camera);
                                });
}

void CThreadsManager::ExportXFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                         const char* pathName, const char* folder, CFrame* frame) {
  Launch<CExportXFileThread>({kLock, kCheck, kCheck, kViews}, RUNTIME_CLASS(CExportXFileThread), frame,
                             [&](auto* job, HWND window) {
                               job->SetUpParameters(window, document, fileTitle, fileName, pathName, folder, frame);
                             });
}

void CThreadsManager::Export3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                           const char* pathName, const char* folder, CFrame* frame) {
  Launch<CExport3dsFileThread>({kLock, kCheck, kCheck, kViews}, RUNTIME_CLASS(CExport3dsFileThread), frame,
                               [&](auto* job, HWND window) {
                                 job->SetUpParameters(window, document, fileTitle, fileName, pathName, folder, frame);
                               });
}

void CThreadsManager::DoItAllPMesh(CDXDoc* document, CCameraFrame* camera) {
  Launch<CDoItAllPMeshThread>({!kLock, !kCheck, !kCheck, kViews}, RUNTIME_CLASS(CDoItAllPMeshThread), NULL,
                              [&](auto* job, HWND window) { job->SetUpParameters(window, document, camera); });
}
