#include "document_manager.h"

CDocumentManager::~CDocumentManager() { DestroyContent(); }

bool CDocumentManager::Initialize() {
  try {
    m_DocListLock.Initialize();
  } catch (const char*) {
    return false;
  }
  return true;
}

void CDocumentManager::DestroyContent() { m_DocList.RemoveAll(); }

bool CDocumentManager::LockDocList(bool tryLock) { return m_DocListLock.Lock(tryLock, false); }

bool CDocumentManager::LockDocList() {
  if (IsMainThread()) return m_DocListLock.Lock(true, true);
  return m_DocListLock.Lock(false, false);
}

void CDocumentManager::UnlockDocList() { m_DocListLock.Unlock(); }

void CDocumentManager::AddDoc(CDXDoc* document) {
  bool held = LockDocList();
  m_DocList.AddTail(document);
  if (held) UnlockDocList();
}

bool CDocumentManager::RemoveDoc(CDXDoc* document) {
  bool held = LockDocList();
  POSITION at = m_DocList.Find(document);
  if (at != NULL) m_DocList.RemoveAt(at);
  if (held) UnlockDocList();
  return at != NULL;
}

bool CDocumentManager::DocInList(CDXDoc* document) {
  bool held = LockDocList();
  bool found = m_DocList.Find(document) != NULL;
  if (held) UnlockDocList();
  return found;
}
