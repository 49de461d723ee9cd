#include "threads_views.h"

#include <dx_thread.h>
#include <threads_manager.h>

#include "dx_doc.h"
#include "dx_file_trace_view.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CThreadsListView, CListView)
IMPLEMENT_DYNCREATE(CThreadFormView, CFormView)

namespace {

const char* const kColumns[] = {"Thread type", "Status", "Input", "Output", "Started", "Ended", "Elapse"};
constexpr int kColumnCount = 7;

// Newest start first.
int CompareThreadStarts(LPARAM first, LPARAM second, LPARAM) {
  return ThreadStartComp(reinterpret_cast<CDXThread*>(first), reinterpret_cast<CDXThread*>(second));
}

CString ColumnText(CDXThread* thread, int column) {
  switch (column) {
    case 0: return thread->GetThreadType();
    case 1: return thread->GetThreadStatus();
    case 2: return thread->GetThreadInput();
    case 3: return thread->GetThreadOutput();
    case 4: return thread->GetTimeThreadStarted();
    case 5: return thread->GetTimeThreadEnded();
    default: return thread->GetThreadElapsedTime();
  }
}

}  // namespace

// CThreadsListView

CThreadsListView::CThreadsListView() { ClearContent(); }

CThreadsListView::~CThreadsListView() { DestroyContent(); }

void CThreadsListView::ClearContent() {
  m_dwStyle |= LVS_REPORT;
  m_pCurrentThread = nullptr;
  m_nThreadsCount = 0;
}

void CThreadsListView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != nullptr && document->GetThreadsListView() == this) document->SetThreadsListView(nullptr);
  ClearContent();
}

BOOL CThreadsListView::PreCreateWindow(CREATESTRUCT& create) {
  create.style |= LVS_REPORT | WS_BORDER;
  return CListView::PreCreateWindow(create);
}

CDXDoc* CThreadsListView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CThreadsListView::OnInitialUpdate() { Initialize(); }

bool CThreadsListView::Initialize() {
  CListView::OnInitialUpdate();
  CDXDoc* document = GetDXDoc();
  if (document != nullptr) document->SetThreadsListView(this);
  CListCtrl& list = GetListCtrl();
  if (list.GetColumnCount() == 0) {
    for (int column = 0; column < kColumnCount; ++column) list.InsertColumn(column, kColumns[column]);
  }
  for (int column = 0; column < kColumnCount; ++column) list.SetColumnWidth(column, LVSCW_AUTOSIZE_USEHEADER);
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
  PopulateList();
  return true;
}

void CThreadsListView::PopulateList() {
  CListCtrl& list = GetListCtrl();
  list.DeleteAllItems();
  m_nThreadsCount = 0;
  CDXDoc* document = GetDXDoc();
  if (document == nullptr) return;
  CTypedPtrList<CPtrList, CDXThread*>* threads = document->GetThreadsManager()->GetThreadList();
  for (POSITION at = threads->GetHeadPosition(); at != nullptr;) {
    CDXThread* thread = threads->GetNext(at);
    int row = list.InsertItem(m_nThreadsCount, thread->GetThreadType());
    list.SetItemData(row, reinterpret_cast<DWORD_PTR>(thread));
    DisplayThreadInfo(row);
    ++m_nThreadsCount;
  }
  SortThreads();
  SetCurrentThread(threads->IsEmpty() ? -1 : 0);
}

void CThreadsListView::AddThread(CDXThread* thread) {
  if (thread == nullptr) return;
  CListCtrl& list = GetListCtrl();
  int row = list.InsertItem(m_nThreadsCount, thread->GetThreadType());
  list.SetItemData(row, reinterpret_cast<DWORD_PTR>(thread));
  for (int column = 1; column < kColumnCount; ++column) list.SetItemText(row, column, ColumnText(thread, column));
  SetCurrentThread(row);
  ++m_nThreadsCount;
  SortThreads();
}

void CThreadsListView::OnReadThreadInfo(CDXThread* thread) {
  int row = FindThread(thread);
  if (row >= 0) DisplayThreadInfo(row);
}

int CThreadsListView::FindThread(CDXThread* thread) {
  CListCtrl& list = GetListCtrl();
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (reinterpret_cast<CDXThread*>(list.GetItemData(row)) == thread) return row;
  }
  return -1;
}

void CThreadsListView::DisplayThreadInfo(int row) {
  CListCtrl& list = GetListCtrl();
  auto* thread = reinterpret_cast<CDXThread*>(list.GetItemData(row));
  if (thread == nullptr) return;
  CString texts[kColumnCount];
  for (int column = 0; column < kColumnCount; ++column) {
    texts[column] = ColumnText(thread, column);
    list.SetItemText(row, column, texts[column]);
  }
  // Columns grow to the widest text seen; they never shrink.
  for (int column = 0; column < kColumnCount; ++column) {
    int width = list.GetStringWidth(texts[column]) + 15;
    if (width > list.GetColumnWidth(column)) list.SetColumnWidth(column, width);
  }
  list.RedrawItems(row, row);
}

void CThreadsListView::SortThreads() { GetListCtrl().SortItems(CompareThreadStarts, 0); }

void CThreadsListView::SetCurrentThread(int row) {
  if (row < 0) return;
  m_pCurrentThread = reinterpret_cast<CDXThread*>(GetListCtrl().GetItemData(row));
  CDXDoc* document = GetDXDoc();
  if (document == nullptr) return;
  if (CThreadFormView* form = document->GetThreadFormView()) form->DisplayCurrentThread();
  if (CDXFileTraceView* trace = document->GetTraceView()) trace->DisplayCurrentThreadTraceFile();
}

BOOL CThreadsListView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header == nullptr || header->hwndFrom != m_hWnd) return CListView::OnNotify(wParam, lParam, result);
  if (header->code == NM_CLICK) OnClick(reinterpret_cast<NMITEMACTIVATE*>(lParam), result);
  else if (header->code == LVN_KEYDOWN) OnKeydown(reinterpret_cast<NMLVKEYDOWN*>(lParam), result);
  else return CListView::OnNotify(wParam, lParam, result);
  return TRUE;
}

void CThreadsListView::OnClick(NMITEMACTIVATE* notice, LRESULT* result) {
  *result = 0;
  if (notice->iItem < 0) return;
  GetListCtrl().SetItemState(notice->iItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetCurrentThread(notice->iItem);
}

void CThreadsListView::OnKeydown(NMLVKEYDOWN* notice, LRESULT* result) {
  *result = 0;
  if (notice->wVKey != VK_UP && notice->wVKey != VK_DOWN) return;
  CListCtrl& list = GetListCtrl();
  int selected = list.GetNextItem(-1, LVNI_SELECTED);
  if (selected < 0) return;
  int row = notice->wVKey == VK_UP ? selected - 1 : selected + 1;
  if (row < 0 || row >= list.GetItemCount()) row = selected;
  SetCurrentThread(row);
}

// CThreadFormView

CThreadFormView::CThreadFormView() : CFormView(IDD_THREAD_FORM) { ClearFormFields(); }

CThreadFormView::~CThreadFormView() { DestroyContent(); }

void CThreadFormView::ClearFormFields() {
  m_strTitle.Empty();
  m_strTriangles.Empty();
  m_strVertices.Empty();
}

void CThreadFormView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != nullptr && document->GetThreadFormView() == this) document->SetThreadFormView(nullptr);
  ClearFormFields();
}

CDXDoc* CThreadFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CThreadFormView::OnInitialUpdate() { Initialize(); }

bool CThreadFormView::Initialize() {
  CFormView::OnInitialUpdate();
  if (CDXDoc* document = GetDXDoc()) document->SetThreadFormView(this);
  DisplayCurrentThread();
  return true;
}

CDXThread* CThreadFormView::GetCurrentThread() const {
  CDXDoc* document = GetDXDoc();
  CThreadsListView* list = document != nullptr ? document->GetThreadsListView() : nullptr;
  return list != nullptr ? list->GetCurrentThread() : nullptr;
}

void CThreadFormView::DisplayCurrentThread() {
  if (CDXThread* thread = GetCurrentThread()) {
    EnableAllControls(thread);
    m_strTriangles = thread->GetThreadOutputTrianglesCount();
    m_strVertices = thread->GetThreadOutputVerticesCount();
    m_strTitle = thread->GetThreadTitle();
  } else {
    DisableAllControls();
    ClearFormFields();
  }
  ShowFields();
}

void CThreadFormView::ShowFields() {
  if (CWnd* edit = GetDlgItem(IDC_THREAD_TITLE)) edit->SetWindowText(m_strTitle);
  if (CWnd* edit = GetDlgItem(IDC_THREAD_TRIANGLES)) edit->SetWindowText(m_strTriangles);
  if (CWnd* edit = GetDlgItem(IDC_THREAD_VERTICES)) edit->SetWindowText(m_strVertices);
}

void CThreadFormView::EnableAllControls(CDXThread* thread) {
  if (CWnd* edit = GetDlgItem(IDC_THREAD_TITLE)) edit->EnableWindow(TRUE);
  if (CWnd* edit = GetDlgItem(IDC_THREAD_VERTICES)) edit->EnableWindow(thread->UpdateVerticesCount());
  if (CWnd* edit = GetDlgItem(IDC_THREAD_TRIANGLES)) edit->EnableWindow(thread->UpdateTrianglesCount());
}

void CThreadFormView::DisableAllControls() {
  for (int id : {IDC_THREAD_TITLE, IDC_THREAD_VERTICES, IDC_THREAD_TRIANGLES}) {
    if (CWnd* edit = GetDlgItem(id)) edit->EnableWindow(FALSE);
  }
}

void CThreadFormView::OnReadThreadInfo(CDXThread* thread) {
  if (thread != nullptr && thread == GetCurrentThread()) DisplayCurrentThread();
}
