// The toolkit's process-wide state: the error stack and its flags, the table
// of open files and the current file. Each library that links the toolkit
// holds its own copy (the toolkit is built with hidden visibility).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "tdserrors.h"

struct tdsFile;

inline constexpr int kTdsMaxFiles = 252;
inline constexpr std::uint8_t kTdsNoFile = 255;

struct tdsState {
  // The stack, its overflow entry and an end mark that no push touches, so
  // that a walk from the first entry always stops.
  std::array<tdsErrorEntry, kTdsErrorStackSize + 2> errors{};
  bool errorPending = false;
  bool ignoreErrors = false;

  // The file table: null until the first open, freed when all files close.
  std::unique_ptr<std::array<tdsFile*, kTdsMaxFiles>> files;
  int filesUsed = 0;  // slots in use from the start (high-water mark)
  tdsFile* current = nullptr;
  std::uint8_t currentIndex = 0;
  // Every opened file gets the next serial, so that a chunk never reads from
  // another file that took the slot of its closed source.
  std::uint32_t nextSerial = 1;
};

tdsState& tdsGlobalState();

// The lock that keeps apart the users of this copy of the toolkit: whoever
// runs a sequence of toolkit operations (an import, an export, a duplication)
// holds it from the first call to the last.
std::mutex& tdsToolkitMutex();
