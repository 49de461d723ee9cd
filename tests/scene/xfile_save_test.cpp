// Saving .x files: what is saved loads again with nothing lost, in every
// format; references name what they refer to; edge cases of the frame.
#include <xfiletemplates.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "other_readers.h"
#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

struct SLoadedScene {
  std::unique_ptr<CFrame> root;
  CXFileDataList world;
};

class XFileSaveTest : public XFileTest {
 protected:
  std::unique_ptr<SLoadedScene> LoadScene(const std::string& path) {
    auto scene = std::make_unique<SLoadedScene>();
    scene->root = NewRoot();
    CString failure;
    EXPECT_TRUE(Load(path, scene->root.get(), scene->world, &failure)) << path << ": " << failure;
    return scene;
  }
  // Saves the scene's frame in the format (also the program's save format)
  // and loads the file again.
  std::unique_ptr<SLoadedScene> SaveAndReload(SLoadedScene& scene, DWORD format, const std::string& name) {
    g_appOptions.dwXFileFormat = format;
    const std::string path = Temporary(name);
    EXPECT_TRUE(Save(scene.root.get(), path, format));
    return LoadScene(path);
  }
  static std::vector<std::string> WorldNames(CXFileDataList& world) {
    std::vector<std::string> names;
    for (POSITION pos = world.GetHeadPosition(); pos;) names.push_back(world.GetNext(pos)->GetName());
    return names;
  }
};

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct SFormat {
  const char* name;
  DWORD format;
};

void PrintTo(const SFormat& format, std::ostream* out) { *out << format.name; }

class XFileFormatRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<SFormat> {};

TEST_P(XFileFormatRoundTrip, KeepsEverythingOfTheScene) {
  auto original = LoadScene(Fixture("world_scene.x"));
  const std::string name = std::string("round_trip_") + GetParam().name + ".x";
  auto reloaded = SaveAndReload(*original, GetParam().format, name);
  if (GetParam().format & DXFILEFORMAT_COMPRESSED)
    other_readers::ExpectAssimpReads(TempPath(name), Fixture("world_scene.x"));
  ExpectSameTree(original->root.get(), reloaded->root.get());
  // The material that the mesh only refers to is written before the frames
  // and read back as a top-level object.
  EXPECT_EQ(WorldNames(reloaded->world), WorldNames(original->world));
  auto* mesh = static_cast<CMesh*>(reloaded->root->GetAtChild(1)->GetAtChild(1)->GetAtChild(1));
  ASSERT_TRUE(mesh->IsATemplateGUID(&TID_D3DRMMesh));
  CXFileDataObject* shared = mesh->GetMeshMaterialList()->GetAtChild(0);
  POSITION pos = reloaded->world.GetHeadPosition();
  EXPECT_EQ(shared, reloaded->world.GetNext(pos));
}

INSTANTIATE_TEST_SUITE_P(Formats, XFileFormatRoundTrip,
                         ::testing::Values(SFormat{"text", DXFILEFORMAT_TEXT}, SFormat{"binary", DXFILEFORMAT_BINARY},
                                           SFormat{"compressed", DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED},
                                           SFormat{"compressed_text", DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED}),
                         [](const auto& info) { return std::string(info.param.name); });

class XFileRealRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XFileRealRoundTrip, TheDefaultFormatKeepsEverything) {
  const std::string path = TestData(GetParam());
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
  auto original = LoadScene(path);
  auto reloaded = SaveAndReload(*original, DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "real_round_trip.x");
  other_readers::ExpectAssimpReads(TempPath("real_round_trip.x"), path);
  EXPECT_EQ(CountTree(reloaded->root.get()), CountTree(original->root.get()));
  ExpectSameTree(original->root.get(), reloaded->root.get());
}

INSTANTIATE_TEST_SUITE_P(RealFiles, XFileRealRoundTrip,
                         ::testing::Values("test_cube_text.x", "fromtruespace_bin32.x", "test.x",
                                           "kwxport_test_cubewithvcolors.x", "anim_test.x", "BCN_Epileptic.X",
                                           "Testwuson.X", "SSR06_model.x", "stand.x", "track.x"));

TEST_F(XFileSaveTest, AReferenceNamesItsTargetAsTheTargetIsWritten) {
  // A name that is no .x identifier, in text; no name at all, in binary.
  struct {
    const char* name;
    DWORD format;
  } cases[] = {{"Shared #1", DXFILEFORMAT_TEXT}, {"", DXFILEFORMAT_BINARY}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = LoadScene(Fixture("world_scene.x"));
    POSITION pos = scene->world.GetHeadPosition();
    CXFileDataObject* shared = scene->world.GetNext(pos);
    shared->SetName(const_cast<char*>(c.name), false);
    auto reloaded = SaveAndReload(*scene, c.format, "reference_name.x");

    auto* mesh = static_cast<CMesh*>(reloaded->root->GetAtChild(1)->GetAtChild(1)->GetAtChild(1));
    CMeshMaterialList* list = mesh->GetMeshMaterialList();
    ASSERT_EQ(list->GetChildObjectList().GetCount(), 2);
    CChildObject* entry = list->GetChildObjectList().GetHead();
    EXPECT_TRUE(entry->IsReference());
    pos = reloaded->world.GetHeadPosition();
    CXFileDataObject* target = reloaded->world.GetNext(pos);
    EXPECT_EQ(entry->GetXfileDataObject(), target);
    EXPECT_STRNE(target->GetName(), "");
  }
}

TEST_F(XFileSaveTest, AFrameWithOnlyItsTransformGivesAFileWithoutData) {
  auto frame = NewRoot();
  const std::string path = Temporary("transform_only.x");
  ASSERT_TRUE(Save(frame.get(), path, DXFILEFORMAT_TEXT));
  EXPECT_EQ(ForEachTopLevelObject(path, [](IDirectXFileData*) {}), 0u);
}

TEST_F(XFileSaveTest, AFrameMarkedDeletedWritesNothing) {
  auto scene = LoadScene(Fixture("world_scene.x"));
  scene->root->DeleteContent(false);
  const std::string path = Temporary("deleted.x");
  EXPECT_TRUE(Save(scene->root.get(), path, DXFILEFORMAT_TEXT));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(XFileSaveTest, AFailedSaveSaysWhyAndLeavesNoFile) {
  auto scene = LoadScene(Fixture("world_scene.x"));
  const std::string path = Temporary("no_such_folder") + "/scene.x";
  CXFile file;
  EXPECT_FALSE(file.SaveXFrame2(scene->root.get(), const_cast<char*>(path.c_str()), DXFILEFORMAT_TEXT, false, nullptr));
  EXPECT_FALSE(file.GetFailureText().IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(path));
}

// Whatever fails, once the templates or some objects are written, the file
// that the save was to replace stays as it was, and nothing else is left.
TEST_F(XFileSaveTest, AFailedSaveLeavesTheFileItWasToReplace) {
  const std::string path = Temporary("replaced.x");
  const std::string folder = Temporary("replaced_folder.x");
  struct {
    const char* what;
    DWORD format;
    bool intoFolder;
    const char* failure;  // in the failure text
  } cases[] = {
      {"an object that cannot be saved, text", DXFILEFORMAT_TEXT, false, "SaveTopLevelObject() failed"},
      {"an object that cannot be saved, binary", DXFILEFORMAT_BINARY, false, "SaveTopLevelObject() failed"},
      {"an object that cannot be saved, compressed", DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, false,
       "SaveTopLevelObject() failed"},
      {"a folder in the file's place", DXFILEFORMAT_TEXT, true, "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = LoadScene(Fixture("world_scene.x"));
    if (!c.intoFolder) {
      // A key of no known type is refused by its save, after the objects
      // before it are written.
      auto* key = new CAnimationKey;
      key->Initialize(const_cast<char*>("Unsaved"), &TID_D3DRMAnimationKey, false);
      scene->root->AddChildObject(eOwnedChild, key, false);
    }
    std::ofstream(path) << "old content";
    std::filesystem::create_directory(folder);
    const std::string target = c.intoFolder ? folder : path;
    CXFile file;
    EXPECT_FALSE(
        file.SaveXFrame2(scene->root.get(), const_cast<char*>(target.c_str()), c.format, true, nullptr));
    EXPECT_NE(std::string(file.GetFailureText()).find(c.failure), std::string::npos) << file.GetFailureText();
    EXPECT_EQ(Contents(path), "old content");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_FALSE(std::filesystem::exists(target + ".partial"));
  }
}

TEST_F(XFileSaveTest, OnTheMainThreadABusyFrameFailsTheSaveAndTheLoad) {
  auto scene = LoadScene(Fixture("world_scene.x"));
  std::atomic<bool> held{false}, release{false};
  std::thread job([&] {
    scene->root->Lock();
    held = true;
    while (!release) std::this_thread::yield();
    scene->root->Unlock();
  });
  while (!held) std::this_thread::yield();
  const std::string path = Temporary("busy.x");
  CXFile file;
  EXPECT_FALSE(file.SaveXFrame2(scene->root.get(), const_cast<char*>(path.c_str()), DXFILEFORMAT_TEXT, false, nullptr));
  EXPECT_FALSE(file.GetFailureText().IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(path));
  const size_t before = Received(scene->root.get()).size();
  CXFileDataList world;
  EXPECT_FALSE(file.LoadXfile(Fixture("world_scene.x").c_str(), scene->root.get(), world, nullptr, nullptr));
  release = true;
  job.join();
  EXPECT_EQ(Received(scene->root.get()).size(), before);
  EXPECT_EQ(world.GetCount(), 0);
}

}  // namespace
