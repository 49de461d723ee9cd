// What the three .3ds operations share: the check after every toolkit call,
// the failure convention and the holders that give back toolkit records.
#pragma once

#include <afx.h>
#include <tds.h>

#include <cstdio>
#include <new>
#include <string>

inline constexpr char k3dsFunctionFailed[] = "\n3ds function failed.";

// A recorded toolkit error: its texts go to standard error and, unless the
// toolkit ignores errors, the operation ends.
inline void Check3ds() {
  if (!tdsErrorPending()) return;
  tdsDumpErrors(stderr);
  if (!tdsIgnoreErrors()) throw k3dsFunctionFailed;
}

// Runs body; a thrown text (written to standard error unless it only says
// that the toolkit failed, whose own texts are already there), memory
// exhaustion or a framework exception gives false.
template <class Body>
bool Guarded3ds(const char* operation, Body&& body) {
  const char* reason = nullptr;
  try {
    body();
    return true;
  } catch (const char* message) {
    reason = message;
  } catch (const std::bad_alloc&) {
    reason = "\nError: Out of memory.";
  } catch (CException* e) {
    e->Delete();
    reason = "\nCException() raised.";
  }
  if (reason != k3dsFunctionFailed) std::fprintf(stderr, "%s: %s\n", operation, reason + (reason[0] == '\n'));
  return false;
}

// Gives back a toolkit record or database when the scope ends.
template <class Record, void (*Release)(Record**)>
class C3dsHeld {
 public:
  C3dsHeld() = default;
  C3dsHeld(const C3dsHeld&) = delete;
  C3dsHeld& operator=(const C3dsHeld&) = delete;
  ~C3dsHeld() { Reset(); }
  Record* get() const { return m_p; }
  Record** operator&() { return &m_p; }
  Record* operator->() const { return m_p; }
  // Gives the record back now; the toolkit's verdict is checked.
  void Reset() {
    if (m_p) Release(&m_p);
    m_p = nullptr;
  }

 private:
  Record* m_p = nullptr;
};

using C3dsDatabase = C3dsHeld<tdsDatabase, tdsReleaseDatabase>;
using C3dsNameList = C3dsHeld<tdsNameList, tdsReleaseNameList>;
using C3dsMesh = C3dsHeld<tdsMesh, tdsReleaseMesh>;
using C3dsMaterial = C3dsHeld<tdsMaterial, tdsReleaseMaterial>;
using C3dsMotion = C3dsHeld<tdsObjectMotion, tdsReleaseObjectMotion>;

// Closes every toolkit file when the operation ends, however it ends.
class C3dsFilesCloser {
 public:
  C3dsFilesCloser() = default;
  C3dsFilesCloser(const C3dsFilesCloser&) = delete;
  C3dsFilesCloser& operator=(const C3dsFilesCloser&) = delete;
  ~C3dsFilesCloser() { tdsCloseAllFiles(); }
};

// A file written beside its target, under a name of its own, that takes the
// target's place only once it is whole, so that a failed write leaves the
// target as it was. A target that is a symbolic link is followed; one that
// is not a regular file (a folder, a device, a pipe) is refused. An existing
// target's permissions carry over. Failures are thrown as texts.
class C3dsReplacedFile {
 public:
  explicit C3dsReplacedFile(const char* path);
  C3dsReplacedFile(const C3dsReplacedFile&) = delete;
  C3dsReplacedFile& operator=(const C3dsReplacedFile&) = delete;
  // Removes the partial file unless it took the target's place.
  ~C3dsReplacedFile();

  // Where to write.
  const char* Path() const { return m_temporary.c_str(); }
  // The written (and closed) file replaces the target.
  void Commit();

 private:
  std::string m_target;
  std::string m_temporary;
  bool m_committed = false;
};
