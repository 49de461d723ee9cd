// The host's batch mode: its arguments, and a whole run that loads, sums up
// and saves a scene on job threads.
#include <batchmode.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "batch_run.h"
#include "other_readers.h"
#include "temp_folder.h"

namespace {

TEST(BatchArguments, ReadTheFileTheExportAndTheFormat) {
  struct {
    std::vector<const char*> args;
    const char* input;
    const char* output;
    DWORD format;
  } cases[] = {
      {{"--batch", "a.x"}, "a.x", "", 2},
      {{"--batch", "a.x", "--export", "b.x"}, "a.x", "b.x", 2},
      {{"--export", "b.x", "--format", "text", "--batch", "a.x"}, "a.x", "b.x", 1},
      {{"--batch", "a.x", "--format", "binary"}, "a.x", "", 0},
      {{"--batch", "a.x", "--format", "compressed"}, "a.x", "", 2},
  };
  for (const auto& c : cases) {
    SBatchOptions options;
    CString error;
    ASSERT_TRUE(ParseBatchWords(c.args, options, error)) << error;
    EXPECT_EQ(options.input, c.input);
    EXPECT_EQ(options.output, c.output);
    EXPECT_EQ(options.format, c.format);
  }
}

TEST(BatchArguments, RefuseWhatTheyDoNotKnow) {
  for (const auto& args : std::vector<std::vector<const char*>>{
           {}, {"--batch"}, {"--export", "b.x"}, {"--batch", "a.x", "--format", "zip"},
           {"--batch", "a.x", "--verbose"}, {"--batch", "a.x", "--batch", "c.x"}, {"--batch", "a.x", "--export"}}) {
    SBatchOptions options;
    CString error;
    EXPECT_FALSE(ParseBatchWords(args, options, error));
    EXPECT_FALSE(error.IsEmpty());
  }
}

using SRun = SBatchOutput;

SRun RunBatchOn(const std::string& input, const std::string& output = "", DWORD format = 2) {
  SBatchOptions options;
  options.input = input.c_str();
  options.output = output.c_str();
  options.format = format;
  return RunBatchCapturing(options);
}

// The summary lines, without the timings.
std::string Figures(const std::string& out) {
  std::string figures;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = out.substr(start, end - start + 1);
    if (line.rfind("file:", 0) != 0 && line.find("seconds") == std::string::npos && line.rfind("saved:", 0) != 0)
      figures += line;
  }
  return figures;
}

TEST(BatchRun, SumsUpTheSceneAndSavesWhatLoadsTheSame) {
  const std::string input = std::string(VOREVER_FIXTURES) + "/world_scene.x";
  TempFolder folder;
  const std::string saved = folder.Path("saved.x");
  const SRun first = RunBatchOn(input, saved, 1);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Figures(first.out),
            "frames: 2\nmeshes: 1\nvertices: 5\ntriangles: 3\nmaterials: 2\nanimation sets: 1\n");
  EXPECT_NE(first.out.find("load seconds: "), std::string::npos);
  EXPECT_NE(first.out.find("saved: " + saved + " (text)"), std::string::npos);
  EXPECT_NE(first.err.find("Loading " + input), std::string::npos);

  const SRun again = RunBatchOn(saved);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Figures(again.out), Figures(first.out));
}

TEST(BatchRun, AMeshWithoutMaterialsCountsNone) {
  TempFolder folder;
  const std::string input = folder.Path("plain.x");
  std::ofstream(input) << "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  const std::string saved = folder.Path("saved.x");
  const SRun first = RunBatchOn(input, saved, 1);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Figures(first.out), "frames: 0\nmeshes: 1\nvertices: 3\ntriangles: 1\nmaterials: 0\nanimation sets: 0\n");
  const SRun again = RunBatchOn(saved);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Figures(again.out), Figures(first.out));
}

TEST(BatchRun, AFileThatDoesNotLoadGivesAMessageAndFailure) {
  const SRun run = RunBatchOn(std::string(VOREVER_FIXTURES) + "/no_such_scene.x");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot load"), std::string::npos);
  EXPECT_EQ(run.out, "");
}

TEST(BatchRun, AFrameReferringToItsOwnHolderLoadsWithoutTheReference) {
  const TempFolder temporary;
  const std::filesystem::path folder = temporary.Path();
  struct {
    const char* text;
    const char* figures;
  } cases[] = {
      {"Frame A {\n  { A }\n}\n", "frames: 1\n"},
      {"Frame A { Frame B { Frame C { { A } } } }\n", "frames: 3\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string input = (folder / "holder.x").string();
    std::ofstream(input) << "xof 0303txt 0032\n" << c.text;
    const SRun run = RunBatchOn(input, (folder / "saved.x").string(), 1);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Figures(run.out).rfind(c.figures, 0), 0u) << run.out;
  }
}

TEST(BatchRun, AnExportThatCannotBeWrittenGivesAMessageAndFailure) {
  const SRun run = RunBatchOn(std::string(VOREVER_FIXTURES) + "/world_scene.x", "/no/such/folder/out.x");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot save /no/such/folder/out.x"), std::string::npos);
}

// The figures that a .3ds keeps of a .x scene: meshes, triangles and
// materials (a .3ds has a frame for each mesh and no animation sets).
std::string MeshFigures(const std::string& out) {
  std::string kept;
  std::istringstream lines(Figures(out));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("meshes:", 0) == 0 || line.rfind("triangles:", 0) == 0 || line.rfind("materials:", 0) == 0)
      kept += line + "\n";
  return kept;
}

TEST(BatchRun, SavesA3dsFileThatLoadsBackIntoTheSameScene) {
  TempFolder folder;
  for (const char* name : {"world_scene.x", "mesh_cube_two_materials.x"}) {
    SCOPED_TRACE(name);
    const std::string input = std::string(VOREVER_FIXTURES) + "/" + name;
    const std::string written = folder.Path("scene.3DS");
    const SRun first = RunBatchOn(input, written);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("saved: " + written + " (3ds)"), std::string::npos) << first.out;
    EXPECT_EQ(FileContents(written).substr(0, 2), "MM");
    other_readers::ExpectAssimpReads(written);

    const std::string back = folder.Path("back.x");
    const SRun second = RunBatchOn(written, back, 1);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(MeshFigures(second.out), MeshFigures(first.out));
    const SRun third = RunBatchOn(back);
    ASSERT_EQ(third.status, 0) << third.err;
    EXPECT_EQ(MeshFigures(third.out), MeshFigures(first.out));
  }
}

TEST(BatchRun, ReadsA3dsFileByItsContentWhateverItsName) {
  TempFolder folder;
  // A .x scene under a .3ds name loads as a .x file.
  const std::string disguised = folder.Path("scene.3ds");
  std::filesystem::copy_file(std::string(VOREVER_FIXTURES) + "/world_scene.x", disguised);
  const SRun x = RunBatchOn(disguised);
  ASSERT_EQ(x.status, 0) << x.err;
  EXPECT_NE(x.out.find("animation sets: 1"), std::string::npos);
  // A .3ds file without an extension loads as a .3ds file.
  const std::string unnamed = std::string(VOREVER_TESTDATA) + "/3ds/testFormatDetection";
  if (!std::filesystem::exists(unnamed)) GTEST_SKIP() << "no .3ds test data at " << unnamed;
  const SRun tds = RunBatchOn(unnamed);
  ASSERT_EQ(tds.status, 0) << tds.err;
  EXPECT_NE(tds.out.find("meshes: 1\n"), std::string::npos) << tds.out;
}

TEST(BatchRun, ReducesA3dsFileAndSavesItAs3ds) {
  const std::string input = std::string(VOREVER_TESTDATA) + "/3ds/jeep1.3ds";
  if (!std::filesystem::exists(input)) GTEST_SKIP() << "no .3ds test data at " << input;
  TempFolder folder;
  SBatchOptions options;
  options.input = input.c_str();
  options.output = folder.Path("reduced.3ds").c_str();
  options.reducePercent = 50;
  const SRun run = RunBatchCapturing(options);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string& summary = run.out;
  std::smatch before, after;
  ASSERT_TRUE(std::regex_search(summary, before, std::regex("\ntriangles: ([0-9]+)")));
  ASSERT_TRUE(std::regex_search(summary, after, std::regex("reduced triangles: ([0-9]+)")));
  EXPECT_LT(std::stoul(after[1]), std::stoul(before[1]));
  const SRun reloaded = RunBatchOn(folder.Path("reduced.3ds"));
  ASSERT_EQ(reloaded.status, 0) << reloaded.err;
  EXPECT_NE(reloaded.out.find("triangles: " + after[1].str() + "\n"), std::string::npos) << reloaded.out;
}

TEST(BatchRun, AMalformed3dsFileGivesAMessageAndFailure) {
  TempFolder folder;
  const std::string input = folder.Path("broken.3ds");
  std::ofstream(input, std::ios::binary) << std::string("MM\x40\0\0\0\x3d\x3d", 8);
  const SRun run = RunBatchOn(input, folder.Path("out.3ds"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot load " + input + ": the .3ds file cannot be read"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder.Path("out.3ds")));
}

// A folder of the test's own for what a run writes, removed with it.
class BatchRunFolder : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return m_temporary.Path(name); }

  TempFolder m_temporary;
  const std::filesystem::path m_folder{m_temporary.Path()};
};

TEST_F(BatchRunFolder, AFolderGivenAsTheFileToLoadIsNamedAsOne) {
  const SRun run = RunBatchOn(m_folder.string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot load " + m_folder.string() + ": Error: " + m_folder.string() + " is a folder"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(BatchRunFolder, TheExportFollowsLinksAndReplacesOnlyRegularFiles) {
  const std::string input = std::string(VOREVER_FIXTURES) + "/mesh_cube_two_materials.x";
  const std::string real = PathOf("real.x");
  const std::string link = PathOf("link.x");
  const std::string folder = PathOf("folder.x");
  struct {
    const char* what;
    std::vector<const char*> exportArgs;
    int status;
    const char* message;  // in standard error
  } cases[] = {
      {"an empty name", {"--export", ""}, 1, "--export needs the name of the file to save"},
      {"a folder", {"--export", folder.c_str()}, 1, "is not a regular file"},
      {"a link", {"--export", link.c_str()}, 0, "Saving"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(folder);
    std::ofstream(real) << "old content";
    std::filesystem::create_symlink("real.x", link);
    std::vector<const char*> args = {"--batch", input.c_str()};
    args.insert(args.end(), c.exportArgs.begin(), c.exportArgs.end());
    SBatchOptions options;
    CString error;
    ASSERT_TRUE(ParseBatchWords(args, options, error)) << error;
    const SRun run = RunBatchCapturing(options);
    const std::string& errText = run.err;
    EXPECT_EQ(run.status, c.status) << errText;
    EXPECT_NE(errText.find(c.message), std::string::npos) << errText;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    if (c.status == 0) {
      EXPECT_EQ(FileContents(real).rfind("xof 0303bzip", 0), 0u);
      other_readers::ExpectAssimpReads(real, input);
      EXPECT_EQ(RunBatchOn(link).status, 0);
    } else {
      EXPECT_EQ(FileContents(real), "old content");
    }
  }
}

// The usage names every option of every command line that the README
// gives, each with its value.
TEST(BatchUsage, ListsEveryOptionOfTheReadme) {
  std::ifstream readme(VOREVER_README);
  ASSERT_TRUE(readme) << VOREVER_README;
  std::string line;
  std::string commands;
  bool inBatchMode = false;
  while (std::getline(readme, line)) {
    if (line.rfind("## ", 0) == 0) inBatchMode = line == "## Batch mode";
    if (inBatchMode && line.rfind("    ", 0) == 0) commands += line + "\n";
  }
  ASSERT_NE(commands.find("vorever --batch"), std::string::npos) << "no command line in the README";

  std::FILE* file = std::tmpfile();
  PrintBatchUsage(file);
  std::string usage = ReadAllAndClose(file);
  usage = std::regex_replace(usage, std::regex("\\s+"), " ");

  const std::regex option("(--[a-z-]+)( [A-Za-z|]+)?");
  size_t options = 0;
  for (std::sregex_iterator it(commands.begin(), commands.end(), option), end; it != end; ++it, ++options) {
    std::string expected = it->str();
    if (expected.back() == '\n') expected.pop_back();
    EXPECT_NE(usage.find(expected), std::string::npos) << expected;
  }
  EXPECT_GE(options, 9u);
}

}  // namespace
