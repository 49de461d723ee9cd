// CThreadsManager: the jobs of one document. It starts them (as a rule one at
// a time), keeps every job it started until the document closes, pauses and
// plays the jobs of the process, and stops its own when the document closes.
#pragma once

#include <afxtempl.h>
#include <afxwin.h>

#include <atomic>

class CCameraFrame;
class CDXDoc;
class CDXThread;
class CFrame;

class CThreadsManager {
 public:
  CThreadsManager();
  virtual ~CThreadsManager();

  void ClearContent();
  bool Initialize();
  void DestroyContent();

  // tryOnly: one try, and a busy lock throws "Info: Cannot lock the threads
  // manager mutex."; otherwise waits.
  bool LockThreadManager(bool tryOnly);
  void UnlockThreadManager();

  // Stops every job, handles the job messages still queued for the main
  // window and deletes the jobs.
  void DestroyThreadsList();
  void RemoveThreadMessages();
  bool RemoveDXThread(CDXThread* job);

  // Nested pause of all jobs of the process; jobs play again when no manager
  // holds a pause.
  void PauseThreads();
  void PlayThreads();

  // Whether a job started here still runs. true counts one running job more,
  // false (from the job's end) one fewer.
  bool ActiveThread() const { return m_nRunningThreads.load() > 0; }
  void SetActiveThread(bool running);

  CTypedPtrList<CPtrList, CDXThread*>* GetThreadList() { return &m_ThreadList; }
  bool IsThreadForSelectedFrame(CFrame* frame);
  CString GetActiveThreadType();

  // The launchers (main thread). A refused launch leaves no trace.
  void CreateConnectivityMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera);
  void CreateRetainedModeMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera);
  void CreateProgressiveMeshFrame(CDXDoc* document, CFrame* frame, CCameraFrame* camera);
  void ApplyPMeshDisplayOptions(CDXDoc* document, CFrame* frame, CCameraFrame* camera, float value);
  void ReduceTrianglesCount(CDXDoc* document, CFrame* frame);
  void InsertXFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName, const char* pathName,
                          const char* folder, CCameraFrame* camera);
  void Insert3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName, const char* pathName,
                            const char* folder, CCameraFrame* camera);
  void InsertConverted3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName,
                                     const char* pathName, const char* folder, CCameraFrame* camera);
  void ExportXFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName, const char* pathName,
                          const char* folder, CFrame* frame);
  void Export3dsFileObjects(CDXDoc* document, const char* fileTitle, const char* fileName, const char* pathName,
                            const char* folder, CFrame* frame);
  void DoItAllPMesh(CDXDoc* document, CCameraFrame* camera);

 private:
  struct LaunchRules;
  template <class TJob, class SetUp>
  void Launch(const LaunchRules& rules, CRuntimeClass* jobClass, CFrame* frame, SetUp setUp);

  CTypedPtrList<CPtrList, CDXThread*> m_ThreadList;
  DWORD m_dwPauseCount;
  HANDLE m_hLock;
  bool m_bLockValid;
  // Jobs started here whose thread has not ended.
  std::atomic<int> m_nRunningThreads;
  // This manager keeps the process's shared playing event alive.
  bool m_bSharesPlayingEvent;
};
