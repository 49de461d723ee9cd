// A probe of the toolkit copy that a library holds, exported under a name of
// that library (TDS_PROBE_NAME): a negative code clears the copy's error
// stack, a positive one is pushed on it; the result is the number of errors
// the stack holds. The tests use it to show that each library keeps its own
// toolkit state.
#include "tdserrors.h"

extern "C" __attribute__((visibility("default"))) int TDS_PROBE_NAME(int code) {
  if (code < 0)
    tdsClearErrors();
  else
    tdsPushError(code);
  int count = 0;
  for (const tdsErrorEntry* entry = tdsErrorList(); entry->code != 0; ++entry) ++count;
  return count;
}
