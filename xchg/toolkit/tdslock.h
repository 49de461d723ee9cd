// Exclusive use of the toolkit. Its state (open files, current file, error
// stack) is process-wide, so a sequence of toolkit operations that belongs
// together, such as an import, an export or a duplication, holds this lock
// from its first call to its last; jobs of two documents then never mix
// their files or errors.
#pragma once

#include <mutex>

class tdsToolkitLock {
 public:
  tdsToolkitLock();
  tdsToolkitLock(const tdsToolkitLock&) = delete;
  tdsToolkitLock& operator=(const tdsToolkitLock&) = delete;

 private:
  std::lock_guard<std::mutex> guard_;
};
