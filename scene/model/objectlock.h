// Holds a data object's lock for a scope, so that every way out of an
// operation (a return or a thrown message) releases what it took.
#pragma once

#include "xfiledataobject.h"

class CObjectLock {
 public:
  // Lock(tryLock, quiet) of the object: a busy object throws unless quiet.
  CObjectLock(CXFileDataObject* object, bool tryLock, bool quiet = false)
      : m_object(object), m_held(object->Lock(tryLock, quiet)) {}
  ~CObjectLock() { Release(); }
  CObjectLock(const CObjectLock&) = delete;
  CObjectLock& operator=(const CObjectLock&) = delete;

  bool IsHeld() const { return m_held; }
  void Release() {
    if (m_held) m_object->Unlock();
    m_held = false;
  }

 private:
  CXFileDataObject* m_object;
  bool m_held;
};
