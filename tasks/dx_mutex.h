// CMutex: the lock on lists and records that the main thread and job threads
// share. The main thread never blocks on it (Trylock tries once); job threads
// wait without limit.
#pragma once

#include <windows.h>

// True on the thread of the application object, the one that runs the user
// interface and all drawing; false on job threads.
bool IsMainThread();

class CMutex {
 public:
  CMutex();
  // A copy names the same mutex through a handle of its own.
  CMutex(const CMutex& other);
  CMutex& operator=(const CMutex& other);
  virtual ~CMutex();

  void ClearContent();
  void DestroyContent();
  // Creates the mutex (after freeing any previous one); throws a message
  // string when it cannot.
  void Initialize();

  // Waits without limit, on every thread.
  void Lock();
  void Unlock();
  // Main thread: one try. Job thread: waits, then true. False when the lock
  // was never created.
  bool Trylock();
  // tryOnly false: Lock() and true. tryOnly true: Trylock(); a failed try
  // throws "Info: Cannot lock the CMutex object." unless noThrow.
  bool Lock(bool tryOnly, bool noThrow);

 private:
  void CopyFrom(const CMutex& other);

  HANDLE m_hMutex;
  bool m_bValid;
};
