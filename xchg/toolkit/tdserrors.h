// The toolkit's error reporting: a process-wide stack of error codes with
// their texts, a pending flag and an ignore-errors switch. Toolkit operations
// return no status; they push a code and return, and the caller tests the
// pending flag after each call.
#pragma once

#include <cstdio>

enum tdsErrorCode {
  NO_TOOLKIT_ERRORS = 0,
  ERR_NO_MEM = 1,
  ERR_INVALID_ARG = 2,
  ERR_INVALID_DATA = 3,
  ERR_INVALID_CHUNK = 4,
  ERR_INVALID_DATABASE = 5,
  ERR_WRONG_DATABASE = 6,
  ERR_UNFOUND_CHUNK = 7,
  ERR_WRONG_OBJECT = 8,
  ERR_NO_SUCH_FILE = 9,
  ERR_INIT_FAILED = 10,
  ERR_OPENING_FILE = 11,
  ERR_CLOSING_FILE = 12,
  ERR_READING_FILE = 13,
  ERR_CREATING_DATABASE = 14,
  ERR_READING_DATABASE = 15,
  ERR_WRITING_DATABASE = 16,
  ERR_WRITING_FILE = 17,
  ERR_STRING_TOO_LONG = 18,
  ERR_TOO_MANY_FILES = 19,
  // Pushed when a mesh record cannot make one of its chunks; it has no text
  // of its own.
  ERR_MAKING_CHUNK = 21,
  N_ERRORS = 22,
};

// One entry of the stack; an entry with code 0 ends it.
struct tdsErrorEntry {
  int code;
  const char* text;
};

// The number of entries the stack records before its overflow entry.
inline constexpr int kTdsErrorStackSize = 19;

void tdsPushError(int code);
void tdsClearErrors();
// Writes the text of every recorded entry, newest first, one a line.
void tdsDumpErrors(std::FILE* out);
const char* tdsErrorText(int code);
// The first entry of the stack; the entries follow up to the one with code 0.
const tdsErrorEntry* tdsErrorList();
// The entry behind the stack that holds what did not fit.
const tdsErrorEntry* tdsErrorOverflow();

// Set by every push, cleared by tdsClearErrors.
bool tdsErrorPending();
// Off at start. The operations return at their first error whatever it says:
// going on after a null argument or a corrupt chunk is not safe.
bool tdsIgnoreErrors();
void tdsSetIgnoreErrors(bool ignore);
