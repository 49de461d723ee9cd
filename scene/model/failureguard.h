// The failure convention of the scene objects: a failing step throws a
// message text; the operation that owns the step catches it (with memory
// exhaustion and framework exceptions), traces it and reports false.
#pragma once

#include <afx.h>
#include <tracelog.h>

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

