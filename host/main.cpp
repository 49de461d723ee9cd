// vorever: the host program. Without a window it runs in batch mode.
#include <cstdio>
#include <cstring>

#include "batchmode.h"
#include "vorever.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vorever --batch FILE [--export OUT] [--format text|binary|compressed]\n"
               "       vorever --help\n"
               "\n"
               "Batch mode runs without a window. It loads the .x file FILE into a world on a\n"
               "job thread and prints a summary of the scene on standard output, one figure a\n"
               "line: frames, meshes, vertices, triangles, materials, animation sets, and the\n"
               "seconds the load took. With --export it saves the scene as the .x file OUT, in\n"
               "the given format (compressed binary when none is given), and prints where.\n"
               "Progress goes to standard error. A file that cannot be loaded or saved gives\n"
               "a message and exit status 1; wrong arguments give exit status 2.\n"
               "The trace log is %s.\n",
               static_cast<LPCSTR>(GetTraceLogPath()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  SBatchOptions options;
  CString error;
  if (!ParseBatchArguments(argc, argv, options, error)) {
    std::fprintf(stderr, "vorever: %s\n\n", static_cast<LPCSTR>(error));
    PrintUsage(stderr);
    return 2;
  }
  return RunBatch(options, stdout, stderr);
}
