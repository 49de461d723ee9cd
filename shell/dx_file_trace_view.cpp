#include "dx_file_trace_view.h"

#include <dx_thread.h>

#include "dx_doc.h"
#include "rich_text_reader.h"
#include "threads_views.h"

IMPLEMENT_DYNCREATE(CDXFileTraceView, CRichEditView)
IMPLEMENT_DYNCREATE(CDXTraceChildFrame, CMDIChildWnd)

CDXFileTraceView::~CDXFileTraceView() {
  DestroyContent();
  if (CDXDoc* document = GetDXDoc(); document != nullptr && document->GetTraceView() == this) {
    document->SetTraceView(nullptr);
  }
}

CDXDoc* CDXFileTraceView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CDXFileTraceView::OnInitialUpdate() { Initialize(); }

bool CDXFileTraceView::Initialize() {
  CRichEditView::OnInitialUpdate();
  // The view may be initialised twice (its frame, then the pane that holds
  // it): one lock.
  if (m_hTraceFileLock == nullptr) m_hTraceFileLock = CreateMutexA(nullptr, FALSE, nullptr);
  SetBlueCourierFormat(GetRichEditCtrl());
  if (CDXDoc* document = GetDXDoc()) document->SetTraceView(this);
  return DisplayCurrentThreadTraceFile();
}

CDXThread* CDXFileTraceView::GetCurrentThread() const {
  CDXDoc* document = GetDXDoc();
  CThreadsListView* list = document != nullptr ? document->GetThreadsListView() : nullptr;
  return list != nullptr ? list->GetCurrentThread() : nullptr;
}

bool CDXFileTraceView::DisplayCurrentThreadTraceFile() {
  CloseTraceFile();
  ClearTraceView();
  CDXThread* thread = GetCurrentThread();
  if (thread == nullptr || !thread->TraceFileIsCreated()) return true;
  if (!OpenThreadTraceFile(thread)) return false;
  ReadThreadTraceFile(thread);
  return true;
}

void CDXFileTraceView::OnThreadTraceFileCreated(CDXThread* thread) {
  // The view may have found the file already when the job became current:
  // it shows the file from its start again, never twice.
  if (thread != nullptr && thread == GetCurrentThread()) DisplayCurrentThreadTraceFile();
}

void CDXFileTraceView::OnReadThreadTraceFile(CDXThread* thread) {
  if (thread != nullptr && thread == GetCurrentThread()) ReadThreadTraceFile(thread);
}

bool CDXFileTraceView::OpenThreadTraceFile(CDXThread* thread) {
  CloseTraceFile();
  auto* file = new CFile;
  if (!file->Open(thread->GetTraceFilePath(), CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
    delete file;
    return false;
  }
  m_pTraceFile = file;
  return true;
}

void CDXFileTraceView::ReadThreadTraceFile(CDXThread* thread) {
  if (m_pTraceFile == nullptr) return;
  // Ended is read before the file, so that whatever the job wrote before it
  // ended is in the read that closes the file.
  bool ended = thread->ThreadEnded();
  GetRichEditCtrl().SetSel(-1, -1);
  AppendFileContent(GetRichEditCtrl(), *m_pTraceFile);
  if (ended) CloseTraceFile();
}

void CDXFileTraceView::CloseTraceFile() {
  if (m_pTraceFile == nullptr) return;
  m_pTraceFile->Close();
  delete m_pTraceFile;
  m_pTraceFile = nullptr;
}

void CDXFileTraceView::ClearTraceView() {
  GetRichEditCtrl().SetSel(0, -1);
  GetRichEditCtrl().ReplaceSel("", FALSE);
}

void CDXFileTraceView::AddLine(CString& line) { GetRichEditCtrl().ReplaceSel(line, FALSE); }

void CDXFileTraceView::LockTraceFile() {
  if (m_hTraceFileLock != nullptr) WaitForSingleObject(m_hTraceFileLock, INFINITE);
}

void CDXFileTraceView::UnlockTraceFile() {
  if (m_hTraceFileLock != nullptr) ReleaseMutex(m_hTraceFileLock);
}

void CDXFileTraceView::DestroyContent() {
  CloseTraceFile();
  if (m_hTraceFileLock != nullptr) CloseHandle(m_hTraceFileLock);
  m_hTraceFileLock = nullptr;
}

void CDXTraceChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  if (CDocument* document = GetActiveDocument()) SetWindowText(document->GetTitle() + " - Trace output");
}
