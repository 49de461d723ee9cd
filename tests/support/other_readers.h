// Whether another program reads a .x file that the system wrote: Debian's
// assimp ("assimp info", package assimp-utils) stands for the other readers
// where it is installed. Its reader of compressed files keeps only the block
// before as history, as other programs' readers do.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace other_readers {

inline bool AssimpInstalled() {
  static const bool installed = std::system("command -v assimp >/dev/null 2>&1") == 0;
  return installed;
}

inline constexpr const char* kNoAssimp =
    "assimp is not installed (package assimp-utils): no other program's reader checks the written files";

struct SAssimpRun {
  int status = 0;
  std::string output;
};

inline SAssimpRun RunAssimpInfo(const std::string& path) {
  SAssimpRun run;
  const std::string command = "assimp info '" + path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    run.status = -1;
    return run;
  }
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  run.status = pclose(pipe);
  return run;
}

// Expects "assimp info" to read the file that the system wrote; checks
// nothing without assimp. With a reference (the same content as another
// file holds it, say the file that was loaded and saved again), the written
// file need only read when the reference does: assimp refuses some content
// that the system keeps. A compressed file must always decompress.
inline void ExpectAssimpReads(const std::string& path, const std::string& reference = "") {
  if (!AssimpInstalled()) return;
  const SAssimpRun run = RunAssimpInfo(path);
  EXPECT_EQ(run.output.find("decompress"), std::string::npos) << "assimp info " << path << "\n" << run.output;
  const bool expected = reference.empty() || RunAssimpInfo(reference).status == 0;
  EXPECT_EQ(run.status == 0, expected) << "assimp info " << path << "\n" << run.output;
}

}  // namespace other_readers
