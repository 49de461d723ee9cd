// The host's batch mode run inside a test: its arguments read as from a
// command line, and a whole run with what it printed.
#pragma once

#include <batchmode.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// Reads args as the words after the program's name.
inline bool ParseBatchWords(std::vector<const char*> args, SBatchOptions& options, CString& error) {
  args.insert(args.begin(), "vorever");
  return ParseBatchArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), options, error);
}

// Everything in file, which is closed.
inline std::string ReadAllAndClose(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

// Standard output and standard error of one run.
struct SBatchOutput {
  int status = -1;
  std::string out, err;
};

inline SBatchOutput RunBatchCapturing(const SBatchOptions& options) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  SBatchOutput run;
  run.status = RunBatch(options, out, err);
  run.out = ReadAllAndClose(out);
  run.err = ReadAllAndClose(err);
  return run;
}

// The lines of text, without their line breaks.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
