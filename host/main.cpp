// vorever: the host program. Without a window it runs in batch mode.
#include <cstdio>
#include <cstring>

#include "batchmode.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintBatchUsage(stdout);
    return 0;
  }
  SBatchOptions options;
  CString error;
  if (!ParseBatchArguments(argc, argv, options, error)) {
    std::fprintf(stderr, "vorever: %s\n\n", static_cast<LPCSTR>(error));
    PrintBatchUsage(stderr);
    return 2;
  }
  return RunBatch(options, stdout, stderr);
}
