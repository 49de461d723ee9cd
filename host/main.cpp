// vorever: the host program. Without a window it runs in batch mode.
#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: vorever --batch\n"
      "       vorever --help\n"
      "\n"
      "Batch mode runs without a window. Nothing is loaded yet: this build\n"
      "knows no scene operations.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  PrintUsage(stderr);
  return 2;
}
