// The failure convention of the scene objects: a failing step throws a
// message text; the operation that owns the step catches it (with memory
// exhaustion and framework exceptions), traces it and reports false.
#pragma once

#include <afx.h>
#include <tracelog.h>

#include "xfiledataobject.h"

#include <new>

template <class Body>
bool GuardedCall(Body&& body) {
  try {
    body();
    return true;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  } catch (const std::bad_alloc&) {
    DEBUG_TRACE("\nError: Out of memory.");
  } catch (CException* e) {
    DEBUG_TRACE("\nCException() raised.");
    e->Delete();
  }
  return false;
}

// Holds a data object's lock for a scope: Lock(tryLock, false), which throws
// when a try fails, and the matching Unlock.
class CDataObjectLock {
 public:
  CDataObjectLock(CXFileDataObject* object, bool tryLock) : m_object(object) { m_held = object->Lock(tryLock, false); }
  CDataObjectLock(const CDataObjectLock&) = delete;
  CDataObjectLock& operator=(const CDataObjectLock&) = delete;
  ~CDataObjectLock() {
    if (m_held) m_object->Unlock();
  }

 private:
  CXFileDataObject* m_object;
  bool m_held;
};
