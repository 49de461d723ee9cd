#include "tdserrors.h"

#include "tdsstate.h"

namespace {

const char* const kTexts[] = {
    "NO_TOOLKIT_ERRORS: No errors are pending",
    "ERR_NO_MEM: Not enough memory to complete operation",
    "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a NULL pointer or an "
    "out of range numeric argument.",
    "ERR_INVALID_DATA: The structure passed as an argument to the function has invalid or out of range data in "
    "its fields.",
    "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the database. Usually caused by "
    "a corrupt database or file",
    "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet.",
    "ERR_WRONG_DATABASE: The database passed as an argument is the wrong kind of database for this function.",
    "ERR_UNFOUND_CHUNK: The database is missing important file chunks needed to fill out the requested "
    "structure.  Usually caused by a corrupt database or file",
    "ERR_WRONG_OBJECT: The name passed to the functions exists, but is not the type of object asked for.  For "
    "example, asking for a mesh object with the function that gets a camera by name.",
    "ERR_NO_SUCH_FILE: The filename passed as an argument for reading does not exist",
    "ERR_INIT_FAILED: Failed to initialize structure passed as an argument",
    "ERR_OPENING_FILE: Could not open requested file",
    "ERR_CLOSING_FILE: Could not close requested file",
    "ERR_READING_FILE: Error occured while reading file",
    "ERR_CREATING_DATABASE: Error occured while creating database",
    "ERR_READING_DATABASE: Error occured while reading database",
    "ERR_WRITING_DATABASE: Error occured while writing database",
    "ERR_WRITING_FILE: Error occured while writing file",
    "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was longer than expected.  "
    "Possibly caused by an uninitialed pointer, corrupt file or database",
    "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.",
};
const char* const kOverflowText = "N_ERRORS: More errors were reported then could be recorded.";
const char* const kUnknownText = "Unknown error code was encountered";

}  // namespace

const char* tdsErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(std::size(kTexts))) return kTexts[code];
  if (code == N_ERRORS) return kOverflowText;
  return kUnknownText;
}

void tdsPushError(int code) {
  if (code == NO_TOOLKIT_ERRORS) return;
  tdsState& state = tdsGlobalState();
  state.errorPending = true;
  auto& stack = state.errors;
  for (int i = 0; i < kTdsErrorStackSize; ++i) {
    if (stack[i].code != 0) continue;
    stack[i] = {code, tdsErrorText(code)};
    // The entry behind the last one is the overflow entry, which a full
    // stack frees as well.
    stack[i + 1] = {0, nullptr};
    return;
  }
  tdsErrorEntry& overflow = stack[kTdsErrorStackSize];
  if (overflow.code == 0)
    overflow = {code, tdsErrorText(code)};
  else
    overflow = {N_ERRORS, tdsErrorText(N_ERRORS)};
}

void tdsClearErrors() {
  tdsState& state = tdsGlobalState();
  state.errorPending = false;
  for (int i = 0; i < kTdsErrorStackSize; ++i) state.errors[i] = {0, nullptr};
}

void tdsDumpErrors(std::FILE* out) {
  if (!out) return;
  const auto& stack = tdsGlobalState().errors;
  int taken = 0;
  while (taken < kTdsErrorStackSize && stack[taken].code != 0) ++taken;
  for (int i = taken - 1; i >= 0; --i) std::fprintf(out, "%s\n", stack[i].text);
}

const tdsErrorEntry* tdsErrorList() { return tdsGlobalState().errors.data(); }
const tdsErrorEntry* tdsErrorOverflow() { return &tdsGlobalState().errors[kTdsErrorStackSize]; }

bool tdsErrorPending() { return tdsGlobalState().errorPending; }
bool tdsIgnoreErrors() { return tdsGlobalState().ignoreErrors; }
void tdsSetIgnoreErrors(bool ignore) { tdsGlobalState().ignoreErrors = ignore; }
