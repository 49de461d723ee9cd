#include "afxwin.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinThread, CCmdTarget)
END_MESSAGE_MAP()

namespace {

thread_local CWinThread* t_currentThread = nullptr;
CWinApp* g_app = nullptr;

DWORD ThreadEntry(LPVOID parameter) {
  auto* thread = static_cast<CWinThread*>(parameter);
  t_currentThread = thread;
  DWORD result;
  if (thread->m_pfnThreadProc) {
    result = thread->m_pfnThreadProc(thread->m_pThreadParams);
  } else if (!thread->InitInstance()) {
    result = static_cast<DWORD>(thread->ExitInstance());
  } else {
    result = static_cast<DWORD>(thread->Run());
  }
  thread->Delete();
  t_currentThread = nullptr;
  return result;
}

}  // namespace

CWinThread::CWinThread(AFX_THREADPROC procedure, LPVOID parameter)
    : m_pfnThreadProc(procedure), m_pThreadParams(parameter) {}

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES attributes) {
  if (m_hThread) return FALSE;
  // Suspended until the object knows its handle and identifier.
  m_hThread = ::CreateThread(attributes, stackSize, ThreadEntry, this, flags | CREATE_SUSPENDED, &m_nThreadID);
  if (!m_hThread) return FALSE;
  if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
  return TRUE;
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
int CWinThread::GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
BOOL CWinThread::SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
  while (PumpMessage()) {
  }
  return ExitInstance();
}

BOOL CWinThread::PumpMessage() {
  if (::GetMessageA(&m_msgCur, nullptr, 0, 0) <= 0) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageA(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  return !msg->hwnd && DispatchThreadMessage(msg->message, msg->wParam, msg->lParam);
}

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}

CWnd* CWinThread::GetMainWnd() { return m_pMainWnd; }

CWinApp::CWinApp(LPCSTR appName) : m_pszAppName(appName), m_hInstance(GetModuleHandleA(nullptr)) {
  m_bAutoDelete = FALSE;
  m_nThreadID = GetCurrentThreadId();
  g_app = this;
  t_currentThread = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
  if (t_currentThread == this) t_currentThread = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
LPCSTR AfxGetAppName() { return g_app && g_app->m_pszAppName ? g_app->m_pszAppName : ""; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : GetModuleHandleA(nullptr); }
HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

CWnd* AfxGetMainWnd() {
  CWinThread* thread = AfxGetThread();
  if (thread && thread->GetMainWnd()) return thread->GetMainWnd();
  return g_app ? g_app->GetMainWnd() : nullptr;
}

CWinThread* AfxGetThread() { return t_currentThread; }

namespace {

CWinThread* StartThread(CWinThread* thread, int priority, UINT stackSize, DWORD flags,
                        LPSECURITY_ATTRIBUTES attributes) {
  if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize, attributes)) {
    delete thread;
    return nullptr;
  }
  thread->SetThreadPriority(priority);
  if (!(flags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}

}  // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES attributes) {
  if (!procedure) return nullptr;
  return StartThread(new CWinThread(procedure, parameter), priority, stackSize, flags, attributes);
}

CWinThread* AfxBeginThread(CRuntimeClass* runtimeClass, int priority, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES attributes) {
  if (!runtimeClass || !runtimeClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
  auto* thread = static_cast<CWinThread*>(runtimeClass->CreateObject());
  if (!thread) return nullptr;
  return StartThread(thread, priority, stackSize, flags, attributes);
}
