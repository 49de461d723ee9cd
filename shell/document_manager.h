// CDocumentManager: the list of open documents with its lock.
#pragma once

#include <afxtempl.h>
#include <afxwin.h>
#include <dx_mutex.h>

class CDXDoc;

class CDocumentManager {
 public:
  CDocumentManager() = default;
  virtual ~CDocumentManager();

  bool Initialize();
  void DestroyContent();

  // With tryLock the lock is tried once and a busy list raises
  // "Info: Cannot lock the CMutex object."; otherwise it is waited for.
  // TRUE when the lock is held.
  bool LockDocList(bool tryLock);
  // On the main thread the lock is only tried (the list is the main thread's).
  bool LockDocList();
  void UnlockDocList();

  void AddDoc(CDXDoc* document);
  bool RemoveDoc(CDXDoc* document);
  bool DocInList(CDXDoc* document);
  CTypedPtrList<CPtrList, CDXDoc*>* GetDocList() { return &m_DocList; }

 private:
  CTypedPtrList<CPtrList, CDXDoc*> m_DocList;
  CMutex m_DocListLock;
};
