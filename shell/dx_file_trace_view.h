// CDXFileTraceView: the trace file of the document's current job, followed
// while the job writes it; CDXTraceChildFrame: its window of its own.
#pragma once

#include <afxrich.h>
#include <afxwin.h>

class CDXDoc;
class CDXThread;

class CDXFileTraceView : public CRichEditView {
  DECLARE_DYNCREATE(CDXFileTraceView)

 public:
  CDXFileTraceView() = default;
  ~CDXFileTraceView() override;

  void OnInitialUpdate() override;
  bool Initialize();
  CDXDoc* GetDXDoc() const;
  // The threads list's current job, NULL without a list.
  CDXThread* GetCurrentThread() const;
  // Shows the current job's trace file from its start; true unless the file
  // cannot be opened.
  bool DisplayCurrentThreadTraceFile();
  // The job messages: the file now exists, the file has grown.
  void OnThreadTraceFileCreated(CDXThread* thread);
  void OnReadThreadTraceFile(CDXThread* thread);
  bool OpenThreadTraceFile(CDXThread* thread);
  // Appends what the file holds beyond the last read; closes the file once
  // the job has ended and its end was reached.
  void ReadThreadTraceFile(CDXThread* thread);
  void CloseTraceFile();
  void ClearTraceView();
  void AddLine(CString& line);
  void LockTraceFile();
  void UnlockTraceFile();
  bool HasOpenTraceFile() const { return m_pTraceFile != nullptr; }
  void DestroyContent();

 private:
  CFile* m_pTraceFile = nullptr;
  HANDLE m_hTraceFileLock = nullptr;
};

class CDXTraceChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDXTraceChildFrame)

 public:
  void OnUpdateFrameTitle(BOOL addToTitle) override;
};
