// libFuzzer harness for the whole batch road: the input bytes are a .x file
// that the batch mode loads on a job thread. When the load succeeds, the scene
// is saved in one of the three formats and the saved file must load again with
// the same summary; then the original is reduced by half and saved. Any crash,
// sanitizer report, leak or round trip that changes the scene is a finding.
// Each finding is replayed by a test of tests/host once mended.
//
// Built by `make fuzz-build` (clang with libFuzzer), run by `make fuzz`; see
// the Makefile for the corpus and the run count.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "batchmode.h"

namespace {

// A folder of this process for the input and output files, removed at exit.
class CFuzzFolder {
 public:
  CFuzzFolder() {
    std::error_code ignored;
    m_path = std::filesystem::temp_directory_path(ignored) / ("vorever_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_path, ignored);
  }
  ~CFuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::string File(const char* name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

const CFuzzFolder& Folder() {
  static const CFuzzFolder folder;
  return folder;
}

struct SResult {
  int status = 1;
  std::string summary;  // the scene's figures, without file names and seconds
  std::string messages;  // progress and errors
};

// What a stream written with open_memstream holds, the stream closed.
std::string Close(std::FILE* stream, char*& text, std::size_t& length) {
  std::fclose(stream);
  std::string all(text, length);
  std::free(text);
  return all;
}

// Runs the batch mode; the summary keeps only the lines that describe the scene.
SResult Run(const SBatchOptions& options) {
  char *text = nullptr, *errors = nullptr;
  std::size_t length = 0, errorsLength = 0;
  std::FILE* out = ::open_memstream(&text, &length);
  std::FILE* err = ::open_memstream(&errors, &errorsLength);
  SResult result;
  result.status = RunBatch(options, out, err);
  result.messages = Close(err, errors, errorsLength);
  const std::string all = Close(out, text, length);
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    const std::string line = all.substr(start, end - start);
    if (line.find("seconds") == std::string::npos && line.rfind("file:", 0) != 0 &&
        line.rfind("saved:", 0) != 0)
      result.summary += line + "\n";
    start = end + 1;
  }
  return result;
}

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

constexpr DWORD kFormats[] = {1, 0, 2};  // text, binary, compressed binary

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = Folder().File("input.x");
  const std::string saved = Folder().File("saved.x");
  const std::string reduced = Folder().File("reduced.x");
  if (!WriteFile(input, data, size)) std::abort();

  SBatchOptions options;
  options.input = input.c_str();
  options.output = saved.c_str();
  options.format = kFormats[size % 3];
  const SResult first = Run(options);
  if (first.status != 0) return 0;

  // What saved must load again as the same scene.
  SBatchOptions again;
  again.input = saved.c_str();
  const SResult second = Run(again);
  if (second.status != 0 || second.summary != first.summary) {
    std::fprintf(stderr, "round trip changed the scene (status %d)\nfirst:\n%ssecond:\n%s%s", second.status,
                 first.summary.c_str(), second.summary.c_str(), second.messages.c_str());
    std::abort();
  }

  options.output = reduced.c_str();
  options.reducePercent = 50.0f;
  Run(options);
  return 0;
}
