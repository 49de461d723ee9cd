// Documents, views and document templates, and the application's templates.
#include <algorithm>

#include "afxwin.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

// CDocument

CDocument::~CDocument() {
  for (CView* view : m_views) view->m_pDocument = nullptr;
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCSTR title) {
  m_strTitle = title ? title : "";
  UpdateFrameCounts();
}

void CDocument::SetPathName(LPCSTR pathName, BOOL) {
  m_strPathName = pathName ? pathName : "";
  CString title = m_strPathName;
  int slash = title.ReverseFind('/');
  SetTitle(slash >= 0 ? title.Mid(slash + 1) : title);
}

void CDocument::AddView(CView* view) {
  if (!view || std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  view->m_pDocument = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
  auto found = std::find(m_views.begin(), m_views.end(), view);
  if (found == m_views.end()) return;
  m_views.erase(found);
  view->m_pDocument = nullptr;
  OnChangedViewList();
}

// A position is the index of the next view plus one.
POSITION CDocument::GetFirstViewPosition() const {
  return m_views.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CView* CDocument::GetNextView(POSITION& position) const {
  auto index = reinterpret_cast<UINT_PTR>(position) - 1;
  CView* view = index < m_views.size() ? m_views[index] : nullptr;
  position = index + 1 < m_views.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
  return view;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  for (CView* view : std::vector<CView*>(m_views)) {
    if (view != sender) view->OnUpdate(sender, hint, hintObject);
  }
}

void CDocument::UpdateFrameCounts() {
  for (CView* view : m_views) {
    if (CFrameWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle(TRUE);
  }
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  m_bModified = FALSE;
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR) {
  DeleteContents();
  m_bModified = FALSE;
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Each frame of the document goes; the views leave the list as they go.
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_views.empty()) {
    CView* view = m_views.front();
    CFrameWnd* frame = view->GetParentFrame();
    if (frame && frame->m_hWnd) {
      PreCloseFrame(frame);
      frame->DestroyWindow();
    } else {
      RemoveView(view);
    }
    if (!m_views.empty() && m_views.front() == view) RemoveView(view);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::CanCloseFrame(CFrameWnd*) { return TRUE; }

void CDocument::OnChangedViewList() {}

// CView

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

int CView::OnCreate(LPCREATESTRUCT create) {
  auto* context = static_cast<CCreateContext*>(create ? create->lpCreateParams : nullptr);
  if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
}

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(); }

void CView::OnActivateView(BOOL, CView*, CView*) {}

void CView::OnPaint() { OnDraw(nullptr); }

BOOL CView::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  if (CWnd::OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(id, code, extra, handlerInfo);
}

// CDocTemplate

CDocTemplate::CDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass,
                           CRuntimeClass* viewClass)
    : m_nIDResource(resourceId), m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass) {
  m_strDocStrings.LoadString(resourceId);
}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString& text, DocStringIndex index) const {
  text.Empty();
  int part = 0;
  for (int at = 0; at <= m_strDocStrings.GetLength(); ++at) {
    if (at == m_strDocStrings.GetLength() || m_strDocStrings[at] == '\n') {
      if (part == index) return TRUE;
      ++part;
      text.Empty();
      continue;
    }
    if (part == index) text += m_strDocStrings[at];
  }
  text.Empty();
  return FALSE;
}

void CDocTemplate::AddDocument(CDocument* document) { document->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* document) { document->m_pDocTemplate = nullptr; }

CDocument* CDocTemplate::CreateNewDocument() {
  auto* document = m_pDocClass ? static_cast<CDocument*>(m_pDocClass->CreateObject()) : nullptr;
  if (document) AddDocument(document);
  return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document, CFrameWnd*) {
  CCreateContext context;
  context.m_pCurrentDoc = document;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  auto* frame = m_pFrameClass ? static_cast<CFrameWnd*>(m_pFrameClass->CreateObject()) : nullptr;
  if (!frame) return nullptr;
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    delete frame;
    return nullptr;
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible) {
  frame->InitialUpdateFrame(document, makeVisible);
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCSTR pathName, CDocument*& match) {
  match = nullptr;
  for (POSITION at = GetFirstDocPosition(); at;) {
    CDocument* document = GetNextDoc(at);
    if (pathName && !document->GetPathName().IsEmpty() && document->GetPathName() == pathName) {
      match = document;
      return yesAlreadyOpen;
    }
  }
  return yesAttemptForeign;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  while (POSITION at = GetFirstDocPosition()) GetNextDoc(at)->OnCloseDocument();
}

// CMultiDocTemplate

CMultiDocTemplate::~CMultiDocTemplate() {
  for (POSITION at = m_docList.GetHeadPosition(); at;) static_cast<CDocument*>(m_docList.GetNext(at))->m_pDocTemplate = nullptr;
}

POSITION CMultiDocTemplate::GetFirstDocPosition() const { return m_docList.GetHeadPosition(); }

CDocument* CMultiDocTemplate::GetNextDoc(POSITION& position) const {
  return static_cast<CDocument*>(m_docList.GetNext(position));
}

void CMultiDocTemplate::AddDocument(CDocument* document) {
  CDocTemplate::AddDocument(document);
  m_docList.AddTail(document);
}

void CMultiDocTemplate::RemoveDocument(CDocument* document) {
  CDocTemplate::RemoveDocument(document);
  if (POSITION at = m_docList.Find(document)) m_docList.RemoveAt(at);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCSTR pathName, BOOL makeVisible) {
  CDocument* document = CreateNewDocument();
  if (!document) return nullptr;
  BOOL autoDelete = document->m_bAutoDelete;
  document->m_bAutoDelete = FALSE;  // a failed frame must not delete it
  CFrameWnd* frame = CreateNewFrame(document, nullptr);
  document->m_bAutoDelete = autoDelete;
  if (!frame) {
    delete document;
    return nullptr;
  }
  if (!pathName) {
    CString name;
    GetDocString(name, docName);
    if (name.IsEmpty()) name = "Untitled";
    CString title;
    title.Format("%s%u", static_cast<LPCSTR>(name), ++m_nUntitledCount);
    document->SetTitle(title);
    if (!document->OnNewDocument()) {
      frame->DestroyWindow();
      return nullptr;
    }
  } else {
    if (!document->OnOpenDocument(pathName)) {
      frame->DestroyWindow();
      return nullptr;
    }
    document->SetPathName(pathName);
  }
  InitialUpdateFrame(frame, document, makeVisible);
  return document;
}

// CWinApp's templates

void CWinApp::AddDocTemplate(CDocTemplate* docTemplate) {
  if (docTemplate) m_templates.push_back(docTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const {
  return m_templates.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& position) const {
  auto index = reinterpret_cast<UINT_PTR>(position) - 1;
  CDocTemplate* found = index < m_templates.size() ? m_templates[index] : nullptr;
  position = index + 1 < m_templates.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
  return found;
}

void CWinApp::DeleteDocTemplates() {
  CloseAllDocuments(TRUE);
  for (CDocTemplate* docTemplate : m_templates) delete docTemplate;
  m_templates.clear();
}

void CWinApp::CloseAllDocuments(BOOL endSession) {
  for (CDocTemplate* docTemplate : m_templates) docTemplate->CloseAllDocuments(endSession);
}

BOOL CWinApp::OnIdle(LONG) {
  if (auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, m_pMainWnd)) {
    frame->OnUpdateCmdUI();
    if (CFrameWnd* active = frame->GetActiveFrame(); active && active != frame) active->OnUpdateCmdUI();
  }
  return FALSE;
}

BOOL CWinApp::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  return CCmdTarget::OnCmdMsg(id, code, extra, handlerInfo);
}

int AfxMessageBox(LPCSTR text, UINT type, UINT) { return MessageBoxA(nullptr, text, AfxGetAppName(), type); }

int AfxMessageBox(UINT id, UINT type, UINT) {
  CString text;
  if (!text.LoadString(id) && id == AFX_IDP_COMMAND_FAILURE) text = "Command failed.";
  return AfxMessageBox(text, type);
}
