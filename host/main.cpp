// vorever: the host program. Without a window it runs in batch mode.
#include <cstdio>
#include <cstring>

#include "vorever.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: vorever --batch\n"
      "       vorever --help\n"
      "\n"
      "Batch mode runs without a window.\n",
      out);
}

// What batch mode can do in this build.
void PrintBatchAbilities() {
  std::printf(
      "vorever batch mode\n"
      "trace log: %s\n"
      "No scene operations are available yet: nothing is loaded or saved.\n",
      static_cast<LPCSTR>(GetTraceLogPath()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0) {
    try {
      g_appOptions.traceLog.WriteString("\nInfo: Batch mode started.");
      g_appOptions.traceLog.Flush();
    } catch (CException* e) {
      e->Delete();  // no trace log: batch mode goes on without it
    }
    PrintBatchAbilities();
    return 0;
  }
  PrintUsage(stderr);
  return 2;
}
