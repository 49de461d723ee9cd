// CDXThread: the thread of one job. It carries what the threads view shows
// (title, type, input, output, status, times and four progress counters), the
// pause-and-stop point that long loops poll, and the posting of the job
// messages to the main window.
#pragma once

#include <afxwin.h>

#include <atomic>
#include <functional>

class CChildObject;
class CDXDoc;
class CFrame;

class CDXThread : public CWinThread {
  DECLARE_DYNCREATE(CDXThread)

 public:
  enum EThreadStatus : LONG {
    eThreadCreated = 0,
    eThreadInProgress = 1,
    eThreadTerminated = 2,
    eThreadCompleted = 3,
    eThreadFailed = 4,
  };

  CDXThread();
  ~CDXThread() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // A job that claims a frame answers true for that frame.
  virtual bool IsForSelectedFrame(CFrame* frame);
  // Which counters the job shows.
  virtual bool UpdateVerticesCount();
  virtual bool UpdateTrianglesCount();
  virtual bool UpdateHalfEdgesCount();
  virtual bool UpdateEdgesCount();
  virtual void DestroyContent();
  // Main thread: stops a running job and waits until its thread has ended.
  virtual bool KillThread();

  void ClearContent();
  void SetUpParameters(HWND mainWindow, CDXDoc* document, const char* title, const char* type, const char* input);

  // The pause-and-stop point: false once the job is to stop; while jobs are
  // paused it waits until they play again or the job is stopped.
  bool WaitForThreadPlayingEvent();
  // The job's own nested pause over its own playing event; they answer the
  // new nesting count. While it holds a pause, jobs paused stays set (with
  // the pauses of every other holder); only the threads managers' pauses stop
  // jobs at their pause point.
  DWORD PauseThread();
  DWORD PlayThread();

  void SetThreadStatus(EThreadStatus status);
  EThreadStatus GetEThreadStatus() const { return m_eStatus.load(); }
  bool ThreadEnded() const;
  CString GetThreadStatus() const;
  CString GetTimeThreadStarted() const;
  CString GetTimeThreadEnded();
  CString GetThreadElapsedTime();

  CDXDoc* GetDXDoc() const { return m_pDocument; }
  // The texts are copied under the job's lock, as the job may set them.
  CString GetThreadTitle() const;
  CString GetThreadType() const;
  CString GetThreadInput();
  CString GetThreadOutput();
  void SetThreadInput(const char* input);
  void SetThreadOutput(const char* output);
  CString GetTraceFilePath();
  bool TraceFileIsCreated() const { return m_bTraceFileCreated.load(); }
  HANDLE GetEventProgressBarCreated() const { return m_hProgressBarCreatedEvent; }
  HANDLE GetEventProgressBarDestroyed() const { return m_hProgressBarDestroyedEvent; }
  void LockThread();
  void UnlockThread();

  // Progress counters. Set always reports; Increase and Decrease report at
  // most once a second (one shared clock for the four counters).
  void SetThreadOutputVerticesCount(DWORD count);
  void IncreaseThreadOutputVerticesCount(DWORD count);
  void DecreaseThreadOutputVerticesCount(DWORD count);
  CString GetThreadOutputVerticesCount();
  void SetThreadOutputTrianglesCount(DWORD count, float area);
  void IncreaseThreadOutputTrianglesCount(DWORD count, float area);
  void DecreaseThreadOutputTrianglesCount(DWORD count, float area);
  CString GetThreadOutputTrianglesCount();
  void SetThreadOutputHalfEdgesCount(DWORD count);
  void IncreaseThreadOutputHalfEdgesCount(DWORD count);
  void DecreaseThreadOutputHalfEdgesCount(DWORD count);
  CString GetThreadOutputHalfEdgesCount();
  void SetThreadOutputEdgesCount(DWORD count, float magnitude);
  void IncreaseThreadOutputEdgesCount(DWORD count, float magnitude);
  void DecreaseThreadOutputEdgesCount(DWORD count, float magnitude);
  CString GetThreadOutputEdgesCount();
  DWORD GetCurrentThreadOutputTrianglesCount() const { return m_dwTriangles.load(std::memory_order_relaxed); }
  double GetTotalActiveTrianglesArea() const { return m_dTotalTrianglesArea.load(std::memory_order_relaxed); }
  double GetTotalActiveEdgesMagnitude() const { return m_dTotalEdgesMagnitude.load(std::memory_order_relaxed); }

  // Messages to the main window.
  void StepProgressBar();
  void TraceFileCreated(const char* path);
  void TraceFileUpdated();
  void SetSlider();
  void ResetTreeDisplayName(CChildObject* child);
  void FillAnimationSetsCombo();
  void DeleteTreeItem(CChildObject* child);
  void SetSelectedFrame(CFrame* frame);
  void SetMessageText(UINT stringId);

 protected:
  // The whole start routine of a job: the start, the body, status Completed
  // with the success sound or Failed with failureSound (none when NULL), then
  // closingNotice (unless 0) and the end of the thread's message loop.
  BOOL RunJob(const std::function<bool()>& body, const char* failureSound, UINT closingNotice = 0);
  void PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void CreateHandles();
  // A copy of one of the job's texts, taken under its lock.
  CString CopyLocked(const CString& text) const;
  void PostThreadInfo();
  void SetCounter(std::atomic<DWORD>& counter, DWORD count, bool underLock);
  void ChangeCounter(std::atomic<DWORD>& counter, DWORD count, bool increase);
  void ChangeTotal(std::atomic<double>& total, float amount, bool increase);
  static CString FormatCounter(bool shown, DWORD value);
  friend int ThreadStartComp(CDXThread* a, CDXThread* b);

  CDXDoc* m_pDocument;
  HWND m_hMainWnd;
  CString m_strTitle;
  CString m_strType;
  std::atomic<EThreadStatus> m_eStatus;
  CString m_strInput;
  CString m_strOutput;
  CTime m_timeStarted;
  CTime m_timeEnded;
  // Written by the job, read by the main thread while it runs.
  std::atomic<DWORD> m_dwVertices;
  std::atomic<DWORD> m_dwTriangles;
  std::atomic<DWORD> m_dwHalfEdges;
  std::atomic<DWORD> m_dwEdges;
  std::atomic<double> m_dTotalEdgesMagnitude;
  std::atomic<double> m_dTotalTrianglesArea;
  HANDLE m_hKillEvent;
  HANDLE m_hProgressBarCreatedEvent;
  HANDLE m_hProgressBarDestroyedEvent;
  HANDLE m_hPlayingEvent;
  DWORD m_dwPauseCount;
  HANDLE m_hThreadLock;
  DWORD m_dwLastInfoPost;
  std::atomic<bool> m_bKill;
  CString m_strTraceFilePath;
  std::atomic<bool> m_bTraceFileCreated;
  DWORD m_dwLastTracePost;
  DWORD m_dwLastStepPost;
};

// For sorting jobs newest first: -1 when a started later than b, 1 when
// earlier, 0 when in the same second.
int ThreadStartComp(CDXThread* a, CDXThread* b);
