// Deferred freeing of data objects that another thread may still be drawing,
// and the queue of new frames waiting for their parent.
#pragma once

#include <afxtempl.h>
#include <windows.h>

#include <mutex>

#include "xfiledataobject.h"

class CFrame;

class CFDOGarbageList {
 public:
  CFDOGarbageList();
  ~CFDOGarbageList();
  CFDOGarbageList(const CFDOGarbageList&) = delete;
  CFDOGarbageList& operator=(const CFDOGarbageList&) = delete;

  void Initialize();
  void DestroyContent();

  bool LockGarbageList(bool tryLock);
  bool TryLockGarbageList();
  void UnlockGarbageList();

  // Hands the object over: the list owns it from now on.
  void AddObject(CXFileDataObject* object);
  // Frees every queued object, waiting for the list's lock.
  void DestroyGarbageList();
  // Frees every queued object unless the list is busy; never waits.
  void TryDestroyGarbageList();

  // Whether the object at this address was freed by the list. The address is
  // only compared, never read, so it may point at freed memory.
  bool IsDeleted(CXFileDataObject* object);
  bool NotDeleted(CXFileDataObject* object) { return !IsDeleted(object); }

  // A data object now lives at this address: whatever was freed there before
  // is no longer the object behind it.
  void ForgetAddress(CXFileDataObject* object);

 protected:
  void ClearContent();

 private:
  enum class EFree { eWait, eTry };
  void FreeQueue(EFree mode);

  CTypedPtrList<CPtrList, CXFileDataObject*> m_queue;
  HANDLE m_lock;
  bool m_lockValid;
  // Address of each freed object -> the unique id it had.
  CMapPtrToPtr m_freed;
  // Guards m_freed alone, so that constructing a data object never waits for
  // a thread that is freeing the queue.
  std::mutex m_freedLock;
};

// A frame waiting to be attached to its parent.
class CNewFrame {
 public:
  CNewFrame() { ClearContent(); }
  CNewFrame(CFrame* frame, CFrame* parent, EChildObjectType type) : m_frame(frame), m_parent(parent), m_type(type) {}
  CNewFrame& operator=(const CNewFrame& other) = default;
  CNewFrame(const CNewFrame& other) = default;

  CFrame* GetFrame() const { return m_frame; }
  CFrame* GetParentFrame() const { return m_parent; }
  EChildObjectType GetType() const { return m_type; }
  void DeleteFrame();

 protected:
  void ClearContent() {
    m_frame = nullptr;
    m_parent = nullptr;
    m_type = eOwnedChild;
  }

 private:
  CFrame* m_frame;
  CFrame* m_parent;
  EChildObjectType m_type;
};

// First in, first out; used from one thread at a time, so it has no lock.
class CNewFrameList {
 public:
  CNewFrameList() : m_queue(10) {}
  ~CNewFrameList() { DestroyContent(); }

  void AddObject(CFrame* frame, CFrame* parent, EChildObjectType type);
  // Attaches every queued frame to its parent, or frees it when it has none.
  void ProcessList();
  // Empties the queue; the frames named in it are not freed.
  void DestroyContent() { m_queue.RemoveAll(); }
  INT_PTR GetCount() const { return m_queue.GetCount(); }

 private:
  CList<CNewFrame, CNewFrame&> m_queue;
};

extern CFDOGarbageList g_FDOGarbageList;
extern CNewFrameList g_newFrameList;
