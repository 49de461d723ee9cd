// The progress that a batch reduction prints on standard error: it names the
// stage it shows, and within a stage its counts run one way only.
#include <batchmode.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <threads_manager.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "geo_test_meshes.h"
#include "temp_folder.h"

namespace {

// A flat grid of one mesh as a text .x file.
void WriteGrid(const std::string& path, DWORD side) {
  const SGeoTestMesh mesh = MakeGridMesh(side, side);
  std::ofstream f(path);
  f << "xof 0303txt 0032\nMesh Grid {\n  " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    f << "  " << mesh.vertices[i].x << ";" << mesh.vertices[i].y << ";0.0"
      << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  WriteXMeshFaces(f, mesh);
  f << "}\n";
}

// The standard error of a batch run, line by line as the run writes it. The
// jobs are held paused from the announcement of the reduction (before its
// job starts) until its first progress line, so that this line shows the
// reduction at its start.
class CProgressRecorder {
 public:
  CProgressRecorder() {
    EXPECT_TRUE(m_pauser.Initialize());
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* text, size_t size) -> ssize_t {
      static_cast<CProgressRecorder*>(cookie)->Take(std::string(text, size));
      return static_cast<ssize_t>(size);
    };
    m_stream = fopencookie(this, "w", functions);
    setvbuf(m_stream, nullptr, _IOLBF, 0);
  }
  ~CProgressRecorder() {
    std::fclose(m_stream);
    if (m_holding) m_pauser.PlayThreads();
  }

  std::FILE* Stream() const { return m_stream; }
  // The lines written after the announcement of the reduction.
  const std::vector<std::string>& ReductionLines() const { return m_reductionLines; }

 private:
  void Take(const std::string& text) {
    m_pending += text;
    for (size_t end; (end = m_pending.find('\n')) != std::string::npos; m_pending.erase(0, end + 1)) {
      const std::string line = m_pending.substr(0, end);
      if (line.rfind("Reducing by ", 0) == 0) {
        m_reducing = m_holding = true;
        m_pauser.PauseThreads();
      } else if (m_reducing) {
        m_reductionLines.push_back(line);
        if (m_holding) m_pauser.PlayThreads();
        m_holding = false;
      }
    }
  }

  CThreadsManager m_pauser;
  std::FILE* m_stream = nullptr;
  std::string m_pending;
  bool m_reducing = false;
  bool m_holding = false;
  std::vector<std::string> m_reductionLines;
};

struct SProgressLine {
  std::string stage;
  unsigned vertices = 0, triangles = 0;
};

bool ReadProgressLine(const std::string& line, SProgressLine& progress) {
  const size_t colon = line.find(": ");
  if (colon == std::string::npos) return false;
  progress.stage = line.substr(0, colon);
  return std::sscanf(line.c_str() + colon + 2, "%u vertices, %u triangles", &progress.vertices, &progress.triangles) ==
         2;
}

TEST(BatchProgress, NamesItsStageAndRunsForward) {
  TempFolder folder;
  const std::string input = folder.Path("grid.x");
  WriteGrid(input, 64);
  SBatchOptions options;
  options.input = input.c_str();
  options.reducePercent = 50.0f;
  options.maxNormalAngle = 10.0f;
  options.midpoint = 0;
  std::FILE* out = std::tmpfile();
  std::vector<std::string> lines;
  {
    CProgressRecorder err;
    ASSERT_EQ(RunBatch(options, out, err.Stream()), 0);
    lines = err.ReductionLines();
  }
  std::fclose(out);

  const std::string stages[] = {"building connectivity meshes", "reducing"};
  ASSERT_FALSE(lines.empty());
  size_t stage = 0;
  SProgressLine previous;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    SProgressLine progress;
    ASSERT_TRUE(ReadProgressLine(lines[i], progress));
    // The first line shows the connectivity build, held at its start.
    if (i == 0) {
      EXPECT_EQ(progress.stage, stages[0]);
    }
    while (stage < 2 && progress.stage != stages[stage]) ++stage;
    ASSERT_LT(stage, 2u) << "a stage out of order";
    if (i > 0 && progress.stage == previous.stage) {
      // The build counts up, the reduction down.
      if (stage == 0) {
        EXPECT_GE(progress.vertices, previous.vertices) << "after " << lines[i - 1];
        EXPECT_GE(progress.triangles, previous.triangles) << "after " << lines[i - 1];
      } else {
        EXPECT_LE(progress.vertices, previous.vertices) << "after " << lines[i - 1];
        EXPECT_LE(progress.triangles, previous.triangles) << "after " << lines[i - 1];
      }
    }
    previous = progress;
  }
}

}  // namespace
