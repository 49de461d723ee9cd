#include "dx_thread.h"

#include <appfiles.h>
#include <appoptions.h>

#include <atomic>

#include "dx_doc.h"
#include "job_messages.h"
#include "jobs_pause.h"
#include "threads_manager.h"

IMPLEMENT_DYNCREATE(CDXThread, CWinThread)

namespace {

constexpr DWORD kThrottleMs = 1000;

// True, and restarts the clock, when a throttled message may go now.
bool ThrottleElapsed(DWORD& lastPost) {
  DWORD now = timeGetTime();
  if (now - lastPost < kThrottleMs) return false;
  lastPost = now;
  return true;
}

// Runs step on the job's thread: whatever it throws counts as false, so
// that the job still ends with its status and closing messages.
template <class Step>
bool Contained(Step step) {
  try {
    return step();
  } catch (const char*) {
  } catch (CException* e) {
    e->Delete();
  } catch (...) {
  }
  return false;
}

}  // namespace

CDXThread::CDXThread() {
  ClearContent();
  CreateHandles();
}

CDXThread::~CDXThread() { CDXThread::DestroyContent(); }

// The events and the lock exist before the thread runs, so that the main
// thread may kill, lock or read the job at any moment of its life.
void CDXThread::CreateHandles() {
  m_hKillEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
  m_hProgressBarCreatedEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
  m_hProgressBarDestroyedEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
  m_hPlayingEvent = CreateEventA(NULL, TRUE, TRUE, NULL);
  m_hThreadLock = CreateMutexA(NULL, FALSE, NULL);
}

void CDXThread::ClearContent() {
  m_strTitle.Empty();
  m_strType.Empty();
  m_strInput.Empty();
  m_strOutput.Empty();
  m_strTraceFilePath.Empty();
  m_eStatus = eThreadCreated;
  m_timeStarted = CTime::GetCurrentTime();
  m_timeEnded = m_timeStarted;
  m_dwVertices = 0;
  m_dwTriangles = 0;
  m_dwHalfEdges = 0;
  m_dwEdges = 0;
  m_dTotalEdgesMagnitude = 0.0;
  m_dTotalTrianglesArea = 0.0;
  m_pDocument = NULL;
  m_hMainWnd = NULL;
  m_hKillEvent = NULL;
  m_hProgressBarCreatedEvent = NULL;
  m_hProgressBarDestroyedEvent = NULL;
  m_hPlayingEvent = NULL;
  m_dwPauseCount = 0;
  m_hThreadLock = NULL;
  m_dwLastInfoPost = 0;
  m_dwLastTracePost = 0;
  m_dwLastStepPost = 0;
  m_bKill = false;
  m_bTraceFileCreated = false;
  m_bAutoDelete = FALSE;
}

void CDXThread::DestroyContent() {
  // A job that goes holds no pause over the others.
  while (m_dwPauseCount > 0) PlayThread();
  for (HANDLE* event : {&m_hKillEvent, &m_hProgressBarCreatedEvent, &m_hProgressBarDestroyedEvent, &m_hPlayingEvent}) {
    if (*event != NULL) CloseHandle(*event);
    *event = NULL;
  }
  if (m_hThreadLock != NULL) {
    WaitForSingleObject(m_hThreadLock, INFINITE);
    CloseHandle(m_hThreadLock);
    m_hThreadLock = NULL;
  }
  ClearContent();
}

void CDXThread::SetUpParameters(HWND mainWindow, CDXDoc* document, const char* title, const char* type,
                                const char* input) {
  LockThread();
  m_strTitle = title;
  m_strType = type;
  m_strInput = input;
  UnlockThread();
  m_hMainWnd = mainWindow;
  m_pDocument = document;
}

BOOL CDXThread::InitInstance() {
  SetThreadStatus(eThreadInProgress);
  PostToMainWindow(WM_JOB_CREATE_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(this));
  PostToMainWindow(WM_JOB_THREAD_CREATED, 0, reinterpret_cast<LPARAM>(this));
  PostThreadInfo();
  return TRUE;
}

int CDXThread::ExitInstance() {
  PostToMainWindow(WM_JOB_DESTROY_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(this));
  PostThreadInfo();
  if (m_pDocument != NULL) m_pDocument->GetThreadsManager()->SetActiveThread(false);
  return CWinThread::ExitInstance();
}

BOOL CDXThread::RunJob(const std::function<bool()>& body, const char* failureSound, UINT closingNotice) {
  CDXThread::InitInstance();
  bool succeeded = Contained(body);
  SetThreadStatus(succeeded ? eThreadCompleted : eThreadFailed);
  const char* sound = succeeded ? "Windows XP Ding.wav" : failureSound;
  // A sound that cannot play (no media folder) must not cut the job short.
  if (sound != NULL) Contained([sound] { return PlaySoundFile(sound); });
  if (closingNotice != 0) PostToMainWindow(closingNotice, 0, reinterpret_cast<LPARAM>(this));
  PostQuitMessage(0);
  return TRUE;
}

bool CDXThread::IsForSelectedFrame(CFrame*) { return false; }
bool CDXThread::UpdateVerticesCount() { return false; }
bool CDXThread::UpdateTrianglesCount() { return false; }
bool CDXThread::UpdateHalfEdgesCount() { return false; }
bool CDXThread::UpdateEdgesCount() { return false; }

bool CDXThread::KillThread() {
  DWORD exitCode = 0;
  if (m_hThread == NULL || !GetExitCodeThread(m_hThread, &exitCode) || exitCode != STILL_ACTIVE) return true;
  m_bKill = true;
  SetEvent(m_hKillEvent);
  WaitForSingleObject(m_hThread, INFINITE);
  SetThreadStatus(eThreadTerminated);
  return true;
}

bool CDXThread::WaitForThreadPlayingEvent() {
  if (m_bKill) return false;
  HANDLE playing = g_appOptions.hPlayingEvent;
  if (g_appOptions.bJobsPaused && playing != NULL) {
    // A kill wakes the wait as well, and wins over playing.
    HANDLE events[2] = {m_hKillEvent, playing};
    WaitForMultipleObjects(2, events, FALSE, INFINITE);
  }
  return !m_bKill;
}

DWORD CDXThread::PauseThread() { return HoldJobsPause(m_dwPauseCount, false, m_hPlayingEvent); }

DWORD CDXThread::PlayThread() { return ReleaseJobsPause(m_dwPauseCount, false, m_hPlayingEvent); }

void CDXThread::SetThreadStatus(EThreadStatus status) {
  LockThread();
  m_eStatus = status;
  if (ThreadEnded()) m_timeEnded = CTime::GetCurrentTime();
  UnlockThread();
  PostThreadInfo();
}

bool CDXThread::ThreadEnded() const {
  EThreadStatus status = m_eStatus;
  return status == eThreadTerminated || status == eThreadCompleted || status == eThreadFailed;
}

CString CDXThread::GetThreadStatus() const {
  switch (m_eStatus.load()) {
    case eThreadCreated:
      return "Created";
    case eThreadInProgress:
      return "In progress";
    case eThreadTerminated:
      return "Terminated";
    case eThreadCompleted:
      return "Completed";
    case eThreadFailed:
      return "Failed";
  }
  return "Unknown status";
}

CString CDXThread::GetTimeThreadStarted() const { return m_timeStarted.Format("%H:%M:%S"); }

CString CDXThread::GetTimeThreadEnded() {
  if (!ThreadEnded()) return CString();
  LockThread();
  CString text = m_timeEnded.Format("%H:%M:%S");
  UnlockThread();
  return text;
}

CString CDXThread::GetThreadElapsedTime() {
  if (!ThreadEnded()) return CString();
  LockThread();
  CTimeSpan elapsed = m_timeEnded - m_timeStarted;
  UnlockThread();
  return elapsed.Format("%H:%M:%S");
}

CString CDXThread::CopyLocked(const CString& text) const {
  if (m_hThreadLock != NULL) WaitForSingleObject(m_hThreadLock, INFINITE);
  CString copy = text;
  if (m_hThreadLock != NULL) ReleaseMutex(m_hThreadLock);
  return copy;
}

CString CDXThread::GetThreadTitle() const { return CopyLocked(m_strTitle); }
CString CDXThread::GetThreadType() const { return CopyLocked(m_strType); }

CString CDXThread::GetThreadInput() {
  LockThread();
  CString text = m_strInput;
  UnlockThread();
  return text;
}

CString CDXThread::GetThreadOutput() {
  LockThread();
  CString text = m_strOutput;
  UnlockThread();
  return text;
}

void CDXThread::SetThreadInput(const char* input) {
  LockThread();
  m_strInput = input;
  UnlockThread();
  PostThreadInfo();
}

void CDXThread::SetThreadOutput(const char* output) {
  LockThread();
  m_strOutput = output;
  UnlockThread();
  PostThreadInfo();
}

CString CDXThread::GetTraceFilePath() {
  LockThread();
  CString path = m_strTraceFilePath;
  UnlockThread();
  return path;
}

void CDXThread::LockThread() {
  if (m_hThreadLock != NULL) WaitForSingleObject(m_hThreadLock, INFINITE);
}

void CDXThread::UnlockThread() {
  if (m_hThreadLock != NULL) ReleaseMutex(m_hThreadLock);
}

void CDXThread::PostThreadInfo() { PostToMainWindow(WM_JOB_READ_THREAD_INFO, 0, reinterpret_cast<LPARAM>(this)); }

CString CDXThread::FormatCounter(bool shown, DWORD value) {
  CString text;
  if (shown) text.Format("%d", static_cast<int>(value));
  return text;
}

void CDXThread::SetCounter(std::atomic<DWORD>& counter, DWORD count, bool underLock) {
  if (underLock) LockThread();
  counter.store(count, std::memory_order_relaxed);
  if (underLock) UnlockThread();
  PostThreadInfo();
}

// Cheap enough for the innermost loops: no lock, at most one message a second.
void CDXThread::ChangeCounter(std::atomic<DWORD>& counter, DWORD count, bool increase) {
  if (increase) {
    counter.fetch_add(count, std::memory_order_relaxed);
  } else {
    counter.fetch_sub(count, std::memory_order_relaxed);
  }
  if (ThrottleElapsed(m_dwLastInfoPost)) PostThreadInfo();
}

void CDXThread::ChangeTotal(std::atomic<double>& total, float amount, bool increase) {
  total.fetch_add(increase ? amount : -static_cast<double>(amount), std::memory_order_relaxed);
}

void CDXThread::SetThreadOutputVerticesCount(DWORD count) { SetCounter(m_dwVertices, count, true); }
void CDXThread::IncreaseThreadOutputVerticesCount(DWORD count) { ChangeCounter(m_dwVertices, count, true); }
void CDXThread::DecreaseThreadOutputVerticesCount(DWORD count) { ChangeCounter(m_dwVertices, count, false); }
CString CDXThread::GetThreadOutputVerticesCount() { return FormatCounter(UpdateVerticesCount(), m_dwVertices); }

void CDXThread::SetThreadOutputTrianglesCount(DWORD count, float area) {
  m_dTotalTrianglesArea.store(area, std::memory_order_relaxed);
  SetCounter(m_dwTriangles, count, false);
}
void CDXThread::IncreaseThreadOutputTrianglesCount(DWORD count, float area) {
  ChangeTotal(m_dTotalTrianglesArea, area, true);
  ChangeCounter(m_dwTriangles, count, true);
}
void CDXThread::DecreaseThreadOutputTrianglesCount(DWORD count, float area) {
  ChangeTotal(m_dTotalTrianglesArea, area, false);
  ChangeCounter(m_dwTriangles, count, false);
}
CString CDXThread::GetThreadOutputTrianglesCount() { return FormatCounter(UpdateTrianglesCount(), m_dwTriangles); }

void CDXThread::SetThreadOutputHalfEdgesCount(DWORD count) { SetCounter(m_dwHalfEdges, count, true); }
void CDXThread::IncreaseThreadOutputHalfEdgesCount(DWORD count) { ChangeCounter(m_dwHalfEdges, count, true); }
void CDXThread::DecreaseThreadOutputHalfEdgesCount(DWORD count) { ChangeCounter(m_dwHalfEdges, count, false); }
CString CDXThread::GetThreadOutputHalfEdgesCount() { return FormatCounter(UpdateHalfEdgesCount(), m_dwHalfEdges); }

void CDXThread::SetThreadOutputEdgesCount(DWORD count, float magnitude) {
  m_dTotalEdgesMagnitude.store(magnitude, std::memory_order_relaxed);
  SetCounter(m_dwEdges, count, false);
}
void CDXThread::IncreaseThreadOutputEdgesCount(DWORD count, float magnitude) {
  ChangeTotal(m_dTotalEdgesMagnitude, magnitude, true);
  ChangeCounter(m_dwEdges, count, true);
}
void CDXThread::DecreaseThreadOutputEdgesCount(DWORD count, float magnitude) {
  ChangeTotal(m_dTotalEdgesMagnitude, magnitude, false);
  ChangeCounter(m_dwEdges, count, false);
}
CString CDXThread::GetThreadOutputEdgesCount() { return FormatCounter(UpdateEdgesCount(), m_dwEdges); }

void CDXThread::PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_hMainWnd != NULL) PostMessageA(m_hMainWnd, message, wParam, lParam);
}

void CDXThread::StepProgressBar() {
  if (ThrottleElapsed(m_dwLastStepPost)) {
    PostToMainWindow(WM_JOB_STEP_PROGRESS_BAR, 0, reinterpret_cast<LPARAM>(this));
  }
}

void CDXThread::TraceFileCreated(const char* path) {
  LockThread();
  m_strTraceFilePath = path;
  UnlockThread();
  m_bTraceFileCreated = true;
  PostToMainWindow(WM_JOB_TRACE_FILE_CREATED, 0, reinterpret_cast<LPARAM>(this));
}

void CDXThread::TraceFileUpdated() {
  if (ThrottleElapsed(m_dwLastTracePost)) {
    PostToMainWindow(WM_JOB_READ_TRACE_FILE, 0, reinterpret_cast<LPARAM>(this));
  }
}

void CDXThread::SetSlider() { PostToMainWindow(WM_JOB_SET_SLIDER, 0, reinterpret_cast<LPARAM>(m_pDocument)); }

void CDXThread::ResetTreeDisplayName(CChildObject* child) {
  if (child != NULL) {
    PostToMainWindow(WM_JOB_RESET_TREE_DISPLAY_NAME, reinterpret_cast<WPARAM>(child),
                     reinterpret_cast<LPARAM>(m_pDocument));
  }
}

void CDXThread::FillAnimationSetsCombo() {
  PostToMainWindow(WM_JOB_FILL_ANIMATION_SETS_COMBO, 0, reinterpret_cast<LPARAM>(m_pDocument));
}

void CDXThread::DeleteTreeItem(CChildObject* child) {
  if (child != NULL) {
    PostToMainWindow(WM_JOB_DELETE_TREE_ITEM, reinterpret_cast<WPARAM>(child), reinterpret_cast<LPARAM>(m_pDocument));
  }
}

void CDXThread::SetSelectedFrame(CFrame* frame) {
  if (frame != NULL) {
    PostToMainWindow(WM_JOB_SET_SELECTED_FRAME, reinterpret_cast<WPARAM>(frame), reinterpret_cast<LPARAM>(m_pDocument));
  }
}

void CDXThread::SetMessageText(UINT stringId) { PostToMainWindow(WM_JOB_SET_MESSAGE_TEXT, stringId, 0); }

int ThreadStartComp(CDXThread* a, CDXThread* b) {
  if (a->m_timeStarted > b->m_timeStarted) return -1;
  if (a->m_timeStarted < b->m_timeStarted) return 1;
  return 0;
}
