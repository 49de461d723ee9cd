// vorever: the host program. With --batch it works without a window;
// otherwise it opens the main window.
#include <cstdio>
#include <cstring>

#include "batchmode.h"
#include "windowmode.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintBatchUsage(stdout);
    return 0;
  }
  if (argc < 2 || std::strcmp(argv[1], "--batch") != 0) {
    SWindowOptions options;
    if (!ParseWindowArguments(argc, argv, options, stderr)) return 2;
    return RunWindow(argc, argv, options);
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
