#include "dx_mutex.h"

#include <afxwin.h>

bool IsMainThread() {
  CWinThread* thread = AfxGetThread();
  CWinThread* app = AfxGetApp();
  return thread != NULL && app != NULL && thread->m_nThreadID == app->m_nThreadID;
}

namespace {

// A wait that finds the mutex abandoned by its ended owner also acquires it.
bool Acquired(DWORD waitResult) { return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED; }

}  // namespace

CMutex::CMutex() { ClearContent(); }

CMutex::CMutex(const CMutex& other) {
  ClearContent();
  CopyFrom(other);
}

CMutex& CMutex::operator=(const CMutex& other) {
  if (this != &other) {
    DestroyContent();
    CopyFrom(other);
  }
  return *this;
}

CMutex::~CMutex() { DestroyContent(); }

void CMutex::CopyFrom(const CMutex& other) {
  if (other.m_hMutex == NULL) return;
  HANDLE process = GetCurrentProcess();
  if (DuplicateHandle(process, other.m_hMutex, process, &m_hMutex, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    m_bValid = other.m_bValid;
  } else {
    m_hMutex = NULL;
  }
}

void CMutex::ClearContent() {
  m_hMutex = NULL;
  m_bValid = false;
}

void CMutex::DestroyContent() {
  if (m_hMutex != NULL) {
    m_bValid = false;
    CloseHandle(m_hMutex);
  }
  ClearContent();
}

void CMutex::Initialize() {
  DestroyContent();
  m_hMutex = CreateMutexA(NULL, FALSE, NULL);
  if (m_hMutex == NULL) throw "\nError: Failed to create a mutex object.";
  m_bValid = true;
}

void CMutex::Lock() {
  if (m_bValid) WaitForSingleObject(m_hMutex, INFINITE);
}

void CMutex::Unlock() {
  if (m_bValid) ReleaseMutex(m_hMutex);
}

bool CMutex::Trylock() {
  if (!m_bValid) return false;
  if (IsMainThread()) return Acquired(WaitForSingleObject(m_hMutex, 0));
  WaitForSingleObject(m_hMutex, INFINITE);
  return true;
}

bool CMutex::Lock(bool tryOnly, bool noThrow) {
  if (!tryOnly) {
    Lock();
    return true;
  }
  if (Trylock()) return true;
  if (!noThrow) throw "Info: Cannot lock the CMutex object.";
  return false;
}
