// Files of the toolkit: the table of 252, reopening, moving a file aside,
// the copies of the toolkit in the libraries and the lock.
#include <dlfcn.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "tds_test_support.h"

namespace {

using tdstest::Bytes;
using tdstest::Chunk;
using tdstest::ToolkitTest;

class FilesTest : public ToolkitTest {
 protected:
  // A small mesh file with one named object, written by the toolkit.
  void WriteSmallFile(const std::string& path, const char* objectName) {
    tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
    tdsMesh* mesh = nullptr;
    tdsInitMesh(&mesh, 3, 1, 0);
    tdsCopyName(mesh->name, objectName);
    mesh->vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh->faces = {{0, 1, 2, 7}};
    tdsPutMesh(db, mesh);
    tdsReleaseMesh(&mesh);
    Write(db, path);
  }
  static std::string FirstMeshName(tdsDatabase* db) {
    tdsNameList* list = nullptr;
    tdsGetMeshNameList(db, &list);
    std::string name = list && !list->names.empty() ? list->names[0] : "";
    tdsReleaseNameList(&list);
    return name;
  }
};

TEST_F(FilesTest, The253rdOpenFileFailsWithTooManyFiles) {
  std::vector<tdsFile*> files;
  for (int i = 0; i < 252; ++i) {
    tdsFile* file = tdsOpenFile(PathOf("f" + std::to_string(i)).c_str(), "w");
    ASSERT_NE(file, nullptr) << i;
    EXPECT_EQ(file->index, i);
    files.push_back(file);
  }
  EXPECT_FALSE(tdsErrorPending());
  EXPECT_EQ(tdsOpenFile(PathOf("one_too_many").c_str(), "w"), nullptr);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_TOO_MANY_FILES});
  // A closed slot is the one the next file takes.
  tdsClearErrors();
  tdsCloseFile(files[17]);
  EXPECT_EQ(files[17]->index, 255);
  tdsFile* again = tdsOpenFile(PathOf("one_too_many").c_str(), "w");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->index, 17);
}

TEST_F(FilesTest, ModesAndMissingFiles) {
  EXPECT_EQ(tdsOpenFile(PathOf("x").c_str(), "+b"), nullptr);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_INIT_FAILED});
  tdsClearErrors();
  EXPECT_EQ(tdsOpenFile(PathOf("missing.3ds").c_str(), "rb"), nullptr);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_OPENING_FILE});
  tdsClearErrors();
  EXPECT_EQ(tdsOpenFile(nullptr, "rb"), nullptr);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_INVALID_ARG});
  tdsClearErrors();
  tdsFile* first = tdsOpenFile(PathOf("same").c_str(), "w");
  EXPECT_EQ(tdsOpenFile(PathOf("same").c_str(), "wb"), first) << "the same name in the same mode is the same file";
  EXPECT_EQ(tdsOpenFileCount(), 1);
}

TEST_F(FilesTest, WritingAFileOpenForReadingMovesTheReaderAsideUntilAllFilesClose) {
  const std::string path = PathOf("scene.3ds");
  WriteSmallFile(path, "Source");
  tdsCloseAllFiles();
  // Files that a careless temporary name could hit.
  for (const char* other : {"tdsAAAAAA", "scene.3ds.tmp", "aside"}) {
    std::ofstream(PathOf(other)) << "keep me";
  }
  tdsDatabase* source = Load(path);
  ASSERT_FALSE(tdsErrorPending());

  tdsFile* writer = tdsOpenFile(path.c_str(), "w");
  ASSERT_NE(writer, nullptr);
  ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
  tdsFile* reader = tdsListedFile(source->top->source, source->top->sourceSerial);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(reader->temporary);
  EXPECT_NE(reader->name, path);
  EXPECT_EQ(std::filesystem::path(reader->name).parent_path(), folder_);
  const std::string aside = reader->name;
  EXPECT_TRUE(std::filesystem::exists(aside));

  // The moved file still feeds the loaded database, which writes itself
  // over its own source.
  EXPECT_EQ(FirstMeshName(source), "Source");
  tdsWriteDatabase(writer, source);
  ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
  tdsCloseAllFiles();
  EXPECT_FALSE(std::filesystem::exists(aside)) << "the moved-aside copy is removed on close";
  for (const char* other : {"tdsAAAAAA", "scene.3ds.tmp", "aside"}) {
    std::ifstream in(PathOf(other));
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me") << other;
  }
  tdsDatabase* again = Load(path);
  EXPECT_FALSE(tdsErrorPending());
  EXPECT_EQ(FirstMeshName(again), "Source");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_)) ++files;
  EXPECT_EQ(files, 4u) << "scene.3ds and the three other files";
}

TEST_F(FilesTest, AChunkNeverReadsFromTheFileThatTookTheSlotOfItsClosedSource) {
  WriteSmallFile(PathOf("a.3ds"), "First");
  WriteSmallFile(PathOf("b.3ds"), "Second");
  tdsCloseAllFiles();
  tdsDatabase* db = Load(PathOf("a.3ds"));
  const std::uint8_t slot = db->top->source;
  tdsCloseAllFiles();
  tdsFile* other = tdsOpenFile(PathOf("b.3ds").c_str(), "rb");
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->index, slot);
  tdsClearErrors();
  tdsChunk* object = tdsFindChunk(db->top.get(), 0x4000);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(tdsReadChunkData(object), nullptr);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_READING_FILE});
}

// Each library keeps its own copy of the toolkit: an error pushed through
// one copy is not seen by the other, nor by this program's copy.
TEST_F(FilesTest, QorxchgAndQorsceneEachHaveTheirOwnToolkitState) {
  using Probe = int (*)(int);
  auto xchg = reinterpret_cast<Probe>(dlsym(RTLD_DEFAULT, "qorxchg_tdsProbe"));
  auto scene = reinterpret_cast<Probe>(dlsym(RTLD_DEFAULT, "qorscene_tdsProbe"));
  ASSERT_NE(xchg, nullptr);
  ASSERT_NE(scene, nullptr);
  xchg(-1);
  scene(-1);
  EXPECT_EQ(xchg(ERR_INVALID_ARG), 1);
  EXPECT_EQ(xchg(ERR_NO_MEM), 2);
  EXPECT_EQ(scene(0), 0);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(scene(ERR_WRONG_OBJECT), 1);
  EXPECT_EQ(xchg(0), 2);
  xchg(-1);
  scene(-1);
  // No toolkit function is visible from outside the libraries.
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "_Z12tdsPushErrori"), nullptr);
}

// Two jobs that each run a whole load-and-write under the lock never see
// each other's files or errors.
TEST_F(FilesTest, JobsHoldingTheLockDoNotMixTheirFiles) {
  WriteSmallFile(PathOf("a.3ds"), "Alpha");
  WriteSmallFile(PathOf("b.3ds"), "Beta");
  tdsCloseAllFiles();
  std::atomic<int> failures{0};
  auto job = [&](const std::string& from, const std::string& to, const std::string& name) {
    for (int round = 0; round < 25; ++round) {
      tdsToolkitLock lock;
      tdsClearErrors();
      tdsDatabase* db = nullptr;
      tdsInitDatabase(&db);
      tdsLoadDatabase(tdsOpenFile(from.c_str(), "rb"), db);
      tdsWriteDatabase(tdsOpenFile(to.c_str(), "w"), db);
      const bool ok = !tdsErrorPending() && FirstMeshName(db) == name;
      tdsReleaseDatabase(&db);
      tdsCloseAllFiles();
      if (!ok) ++failures;
    }
  };
  std::thread first(job, PathOf("a.3ds"), PathOf("a_out.3ds"), "Alpha");
  std::thread second(job, PathOf("b.3ds"), PathOf("b_out.3ds"), "Beta");
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(FirstMeshName(Load(PathOf("b_out.3ds"))), "Beta");
}

}  // namespace
