#include "garbagelist.h"

#include <tracelog.h>

#include "frame.h"

CFDOGarbageList g_FDOGarbageList;
CNewFrameList g_newFrameList;

// ---------------------------------------------------------------------------
// CFDOGarbageList

CFDOGarbageList::CFDOGarbageList() : m_queue(10), m_freed(10) {
  ClearContent();
  Initialize();
}

CFDOGarbageList::~CFDOGarbageList() { DestroyContent(); }

void CFDOGarbageList::ClearContent() {
  m_lock = nullptr;
  m_lockValid = false;
}

void CFDOGarbageList::Initialize() {
  DestroyContent();
  m_lock = CreateMutexA(nullptr, FALSE, nullptr);
  m_lockValid = m_lock != nullptr;
  m_freed.InitHashTable(1000);
}

void CFDOGarbageList::DestroyContent() {
  DestroyGarbageList();
  if (m_lock) CloseHandle(m_lock);
  ClearContent();
}

bool CFDOGarbageList::LockGarbageList(bool tryLock) {
  if (!m_lockValid || !m_lock) return false;
  if (tryLock) {
    if (!TryLockGarbageList()) throw "Info: Cannot lock the dx file object.";
  } else {
    WaitForSingleObject(m_lock, INFINITE);
  }
  return true;
}

bool CFDOGarbageList::TryLockGarbageList() {
  if (!m_lockValid) return false;
  // An abandoned mutex is acquired all the same.
  DWORD result = WaitForSingleObject(m_lock, 0);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void CFDOGarbageList::UnlockGarbageList() {
  if (m_lockValid) ReleaseMutex(m_lock);
}

void CFDOGarbageList::AddObject(CXFileDataObject* object) {
  bool locked = LockGarbageList(false);
  try {
    m_queue.AddTail(object);
  } catch (...) {
    if (locked) UnlockGarbageList();
    throw;
  }
  if (locked) UnlockGarbageList();
}

void CFDOGarbageList::FreeQueue(EFree mode) {
  if (m_queue.IsEmpty()) return;
  bool locked;
  if (mode == EFree::eTry) {
    locked = TryLockGarbageList();
    if (!locked) return;
  } else {
    locked = LockGarbageList(false);
  }
  try {
    // Each object leaves the queue before it is freed, so that a failure
    // part-way never frees an object twice.
    while (!m_queue.IsEmpty()) {
      CXFileDataObject* object = m_queue.RemoveHead();
      if (!object) continue;
      // Recorded before the memory is released: a data object built at this
      // address afterwards removes the record again.
      {
        std::lock_guard<std::mutex> guard(m_freedLock);
        m_freed.SetAt(object, object->GetUniqueID());
      }
      delete object;
    }
  } catch (CException*) {
    DEBUG_TRACE("\nCException() raised.");
    if (locked) UnlockGarbageList();
    throw;
  } catch (...) {
    if (locked) UnlockGarbageList();
    throw;
  }
  if (locked) UnlockGarbageList();
}

void CFDOGarbageList::DestroyGarbageList() { FreeQueue(EFree::eWait); }

void CFDOGarbageList::TryDestroyGarbageList() { FreeQueue(EFree::eTry); }

bool CFDOGarbageList::IsDeleted(CXFileDataObject* object) {
  std::lock_guard<std::mutex> guard(m_freedLock);
  void* id = nullptr;
  return m_freed.Lookup(object, id);
}

void CFDOGarbageList::ForgetAddress(CXFileDataObject* object) {
  std::lock_guard<std::mutex> guard(m_freedLock);
  m_freed.RemoveKey(object);
}

// ---------------------------------------------------------------------------
// CNewFrame, CNewFrameList

void CNewFrame::DeleteFrame() {
  if (!m_frame) return;
  delete m_frame;
  m_frame = nullptr;
}

void CNewFrameList::AddObject(CFrame* frame, CFrame* parent, EChildObjectType type) {
  if (!parent) return;
  CNewFrame record(frame, parent, type);
  m_queue.AddTail(record);
}

void CNewFrameList::ProcessList() {
  while (!m_queue.IsEmpty()) {
    CNewFrame& record = m_queue.GetHead();
    CFrame* frame = record.GetFrame();
    CFrame* parent = record.GetParentFrame();
    if (!parent) {
      record.DeleteFrame();
      m_queue.RemoveHead();
      continue;
    }
    // A record whose attachment fails stays queued for the next call.
    D3DXMATRIX world;
    D3DXMATRIX local = frame->GetTransformMatrix(false);
    D3DXMatrixMultiply(&world, &local, parent->GetWorldTransform());
    frame->SetWorldTransform(&world, false);
    parent->AddChildRenderFrame(record.GetType(), frame, false);
    m_queue.RemoveHead();
    frame->ComputeAncestorsBoundingObjects(false, false, false);
  }
}
