// Saving .x files: what is saved loads again with nothing lost, in every
// format; references name what they refer to; edge cases of the frame.
#include <skinweights.h>
#include <xfiletemplates.h>
#include <xskinexp.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "other_readers.h"
#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

class XFileFormatRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<SFormat> {};

TEST_P(XFileFormatRoundTrip, KeepsEverythingOfTheScene) {
  auto original = LoadScene(Fixture("world_scene.x"));
  const std::string name = std::string("round_trip_") + GetParam().name + ".x";
  auto reloaded = SaveAndReload(*original, GetParam().format, name);
  if (GetParam().format & DXFILEFORMAT_COMPRESSED)
    other_readers::ExpectAssimpReads(Temporary(name), Fixture("world_scene.x"));
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

INSTANTIATE_TEST_SUITE_P(Formats, XFileFormatRoundTrip, AllFormats(),
                         [](const auto& info) { return std::string(info.param.name); });

class XFileRealRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XFileRealRoundTrip, TheDefaultFormatKeepsEverything) {
  const std::string path = TestData(GetParam());
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
  auto original = LoadScene(path);
  auto reloaded = SaveAndReload(*original, DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "real_round_trip.x");
  other_readers::ExpectAssimpReads(Temporary("real_round_trip.x"), path);
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

// Two materials, two frames whose names a text file cannot tell apart: a
// mesh in each frame refers to its own material, skin weights name the second
// frame as their bone, an animation refers to the first frame.
constexpr char kLookalikeNames[] =
    "xof 0303txt 0032\n"
    "Material Mat-1 { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
    "Material Mat_1 { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
    "Frame Arm-1 { Mesh Red { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
    "  MeshMaterialList { 1; 1; 0;; { Mat-1 } } } }\n"
    "Frame Arm_1 { Mesh Blue { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
    "  MeshMaterialList { 1; 1; 0;; { Mat_1 } }\n"
    "  SkinWeights { \"Arm_1\"; 3; 0,1,2; 1.0,1.0,1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }\n"
    "AnimationSet Wave { Animation { { Arm-1 } AnimationKey { 0; 1; 0;4;1.0,0.0,0.0,0.0;;; } } }\n";

// What a scene of kLookalikeNames binds, read from the tree.
struct SLookalikeBindings {
  CXFileDataObject *red, *blue;        // the world's materials, in order
  CXFileDataObject *redUse, *blueUse;  // what each mesh's list refers to
  CFrame *first, *second;
  CXFileDataObject* animated;  // what the animation refers to
  CString bone;                // the skin weights' bone name
};

SLookalikeBindings Bindings(SLoadedScene& scene) {
  SLookalikeBindings b{};
  POSITION pos = scene.world.GetHeadPosition();
  b.red = scene.world.GetNext(pos);
  b.blue = scene.world.GetNext(pos);
  b.first = static_cast<CFrame*>(scene.root->GetAtChild(1));
  b.second = static_cast<CFrame*>(scene.root->GetAtChild(2));
  auto* redMesh = static_cast<CMesh*>(b.first->GetAtChild(0));
  auto* blueMesh = static_cast<CMesh*>(b.second->GetAtChild(0));
  b.redUse = redMesh->GetMeshMaterialList()->GetAtChild(0);
  b.blueUse = blueMesh->GetMeshMaterialList()->GetAtChild(0);
  b.bone = static_cast<CSkinWeights*>(blueMesh->GetChildXfileDataObject(&DXFILEOBJ_SkinWeights, false, false))
               ->GetTransformNodeName();
  b.animated = scene.root->GetAtChild(3)->GetAtChild(0)->GetAtChild(0);
  return b;
}

class XFileNamesRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<SFormat> {};

TEST_P(XFileNamesRoundTrip, NamesThatTheFileCannotTellApartStayApartAndReferencesKeepTheirTargets) {
  struct {
    const char* what;
    bool sameNames;  // the second material renamed to the first's name
  } cases[] = {{"names that differ in a character a text name cannot hold", false}, {"the very same name", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = LoadScene(WriteText("lookalike.x", kLookalikeNames));
    ASSERT_EQ(scene->world.GetCount(), 2);
    if (c.sameNames) {
      POSITION pos = scene->world.GetHeadPosition();
      scene->world.GetNext(pos);
      scene->world.GetNext(pos)->SetName(const_cast<char*>("Mat-1"), false);
    }
    auto reloaded = SaveAndReload(*scene, GetParam().format, "lookalike_saved.x");
    ASSERT_EQ(reloaded->world.GetCount(), 2);
    const SLookalikeBindings b = Bindings(*reloaded);
    EXPECT_STRNE(b.red->GetName(), b.blue->GetName());
    EXPECT_EQ(static_cast<CMaterial*>(b.red)->GetMaterial()->Diffuse.r, 1.0f);
    EXPECT_EQ(static_cast<CMaterial*>(b.blue)->GetMaterial()->Diffuse.b, 1.0f);
    EXPECT_EQ(b.redUse, b.red);
    EXPECT_EQ(b.blueUse, b.blue);
    // A name that the file holds as it stands is kept.
    if (!c.sameNames) {
      EXPECT_STREQ(b.blue->GetName(), "Mat_1");
    }
    EXPECT_STRNE(b.first->GetName(), b.second->GetName());
    EXPECT_STREQ(b.bone, b.second->GetName());
    EXPECT_EQ(b.animated, b.first);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, XFileNamesRoundTrip, AllFormats(),
                         [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(FileContents(path), "old content");
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
