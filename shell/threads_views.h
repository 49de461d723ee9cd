// The tasks viewer: CThreadsListView lists the document's jobs with their
// status and times, newest first, and keeps one current; CThreadFormView
// shows the current job's title and counters.
#pragma once

#include <afxcmn.h>
#include <afxcview.h>
#include <afxext.h>

class CDXDoc;
class CDXThread;

class CThreadsListView : public CListView {
  DECLARE_DYNCREATE(CThreadsListView)

 public:
  CThreadsListView();
  ~CThreadsListView() override;

  void OnInitialUpdate() override;
  bool Initialize();
  CDXDoc* GetDXDoc() const;
  // Rows again from the threads manager's list.
  void PopulateList();
  // A new job: its row, and it becomes current.
  void AddThread(CDXThread* thread);
  // A job's texts changed: its row is redrawn.
  void OnReadThreadInfo(CDXThread* thread);
  int FindThread(CDXThread* thread);
  void DisplayThreadInfo(int row);
  void SortThreads();
  // Makes the job of row current (-1: nothing) and shows it in the form and
  // the trace view.
  void SetCurrentThread(int row);
  CDXThread* GetCurrentThread() const { return m_pCurrentThread; }
  void ClearContent();
  void DestroyContent();

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  // The list's own clicks and keys.
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnClick(NMITEMACTIVATE* notice, LRESULT* result);
  void OnKeydown(NMLVKEYDOWN* notice, LRESULT* result);

 private:
  CDXThread* m_pCurrentThread;
  int m_nThreadsCount;
};

class CThreadFormView : public CFormView {
  DECLARE_DYNCREATE(CThreadFormView)

 public:
  CThreadFormView();
  ~CThreadFormView() override;

  void OnInitialUpdate() override;
  bool Initialize();
  CDXDoc* GetDXDoc() const;
  CDXThread* GetCurrentThread() const;
  void DisplayCurrentThread();
  void EnableAllControls(CDXThread* thread);
  void DisableAllControls();
  void OnReadThreadInfo(CDXThread* thread);
  void ClearFormFields();
  void ClearContent() { ClearFormFields(); }
  void DestroyContent();

 private:
  // Moves the texts into the controls.
  void ShowFields();

  CString m_strTitle;
  CString m_strTriangles;
  CString m_strVertices;
};
