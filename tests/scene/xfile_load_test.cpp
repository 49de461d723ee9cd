// Loading .x files: every real file, the malformed ones, where top-level
// objects go, references, the material-count correction and a stopped load.
#include <dx_doc.h>
#include <dx_thread.h>
#include <geo_mesh.h>
#include <threads_manager.h>
#include <xfiletemplates.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

class XFileLoadTest : public XFileTest {};

class XFileRealFileTest : public XFileTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XFileRealFileTest, LoadsEveryFrameMeshVertexAndFace) {
  const std::string path = TestData(GetParam());
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
  auto root = NewRoot();
  CXFileDataList world;
  CString failure;
  ASSERT_TRUE(Load(path, root.get(), world, &failure)) << failure;
  EXPECT_TRUE(failure.IsEmpty());
  EXPECT_EQ(CountTree(root.get()), CountFileContent(path));
}

INSTANTIATE_TEST_SUITE_P(RealFiles, XFileRealFileTest,
                         ::testing::Values("test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                                           "fromtruespace_bin32.x", "test.x", "kwxport_test_cubewithvcolors.x",
                                           "anim_test.x", "BCN_Epileptic.X", "Testwuson.X", "SSR06_model.x",
                                           "stand.x", "track.x"));

TEST_F(XFileLoadTest, MalformedFilesFailWithAMessageAndLeaveNothingAttached) {
  for (const char* name : {"malformed/empty.x", "malformed/OV_GetNextToken.x", "malformed/malformed_skinweights_oob.x"}) {
    SCOPED_TRACE(name);
    const std::string path = TestData(name);
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
    auto root = NewRoot();
    CXFileDataList world;
    CString failure;
    EXPECT_FALSE(Load(path, root.get(), world, &failure));
    EXPECT_FALSE(failure.IsEmpty());
    EXPECT_TRUE(Received(root.get()).empty());
    EXPECT_EQ(world.GetCount(), 0);
  }
}

TEST_F(XFileLoadTest, AFailureAfterSomeObjectsTakesThemBack) {
  // The second mesh names a vertex it does not have: the frame and the
  // material read before it go too.
  const std::string path = WriteText("half.x",
                                     "xof 0303txt 0032\n"
                                     "Material Red { 1;0;0;1;; 1; 0;0;0;; 0;0;0;; }\n"
                                     "Frame Good { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }\n"
                                     "Mesh Bad { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }\n");
  auto root = NewRoot();
  CXFileDataList world;
  CString failure;
  EXPECT_FALSE(Load(path, root.get(), world, &failure));
  EXPECT_FALSE(failure.IsEmpty());
  EXPECT_TRUE(Received(root.get()).empty());
  EXPECT_EQ(world.GetCount(), 0);
  EXPECT_EQ(root->GetActiveVerticesCount(false), 0u);
}

TEST_F(XFileLoadTest, AFailureNamesTheObjectThatDoesNotFit) {
  const std::string triangle = "Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,";
  const char* material = " Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }";
  struct {
    std::string text;
    const char* failure;
  } cases[] = {
      {triangle + "7;; }", "Error: The Mesh data object M could not be read."},
      {triangle + "2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,5;; } }",
       "Error: The MeshNormals data object without a name could not be read."},
      {triangle + "2;; MeshMaterialList { 1; 1; 1;;" + material + " } }",
       "Error: The MeshMaterialList data object without a name could not be read."},
      // Missing materials get the default, but not without bound.
      {triangle + "2;; MeshMaterialList { 4000000000; 1; 3999999999;; } }",
       "Error: A mesh material list names more than 65535 materials and lacks some of them."},
      {triangle + "2;; MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; } }",
       "Error: The mesh M does not fit its materials, normals, texture coordinates or colours."},
      // A scale key of four values: its type holds three.
      {"AnimationSet S { Animation A { AnimationKey K { 1;1;0;4;1,0,0,0;;; } } }",
       "Error: The AnimationKey data object K could not be read."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto root = NewRoot();
    CXFileDataList world;
    CString failure;
    EXPECT_FALSE(Load(WriteText("misfit.x", "xof 0303txt 0032\n" + c.text + "\n"), root.get(), world, &failure));
    EXPECT_STREQ(failure, c.failure);
    EXPECT_TRUE(Received(root.get()).empty());
  }
}

TEST_F(XFileLoadTest, AFolderIsNoFileToLoad) {
  const std::string folder = Temporary("folder.x");
  std::filesystem::create_directory(folder);
  auto root = NewRoot();
  CXFileDataList world;
  CString failure;
  EXPECT_FALSE(Load(folder, root.get(), world, &failure));
  EXPECT_EQ(std::string(failure), "Error: " + folder + " is a folder, not a .x file.");
  EXPECT_TRUE(Received(root.get()).empty());

  // The file API alone refuses it too, with everything it read freed.
  IDirectXFile* file = nullptr;
  ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
  ASSERT_EQ(RegisterXFileTemplates(file), DXFILE_OK);
  IDirectXFileEnumObject* enumObject = nullptr;
  EXPECT_EQ(file->CreateEnumObject(const_cast<char*>(folder.c_str()), DXFILELOAD_FROMFILE, &enumObject),
            DXFILEERR_BADFILETYPE);
  EXPECT_EQ(enumObject, nullptr);
  file->Release();
}

TEST_F(XFileLoadTest, TopLevelObjectsGoBelowTheFrameOrIntoTheWorld) {
  const std::string path = WriteText("placement.x",
                                     "xof 0303txt 0032\n"
                                     "template Foreign { <6A0E1C1E-0B2B-4C3D-8E4F-5A6B7C8D9E0F> DWORD n; [...] }\n"
                                     "Header { 1; 0; 1; }\n"
                                     "Material Loose { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
                                     "Foreign Skipped { 1; Frame Inside { } }\n"
                                     "Mesh Lone { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
                                     "Frame Top { }\n"
                                     "AnimationSet Moves { }\n");
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));

  std::vector<std::string> below;
  for (CXFileDataObject* object : Received(root.get())) below.push_back(object->GetName());
  EXPECT_EQ(below, (std::vector<std::string>{"Lone", "Top", "Moves"}));
  ASSERT_EQ(world.GetCount(), 1);
  POSITION pos = world.GetHeadPosition();
  EXPECT_STREQ(world.GetNext(pos)->GetName(), "Loose");
}

TEST_F(XFileLoadTest, ReferencesBindToObjectsReadBeforeThemByNameOnly) {
  // Earlier: bound to that very object. Later: dropped. Unnamed target
  // (reached by its identifier): dropped, not bound to the first unnamed
  // material. Absent from the file: dropped.
  const std::string path = WriteText("references.x",
                                     "xof 0303txt 0032\n"
                                     "Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
                                     "Material { <11111111-2222-3333-4444-555555555555> 0;0;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
                                     "Material Early { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
                                     "Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                                     " MeshMaterialList { 4; 1; 0;;\n"
                                     "  { Early } { Late } { <11111111-2222-3333-4444-555555555555> } { Nowhere } } }\n"
                                     "Material Late { 1;1;0;1;; 0; 0;0;0;; 0;0;0;; }\n");
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  POSITION pos = world.GetHeadPosition();
  world.GetNext(pos);
  world.GetNext(pos);
  CXFileDataObject* early = world.GetNext(pos);
  ASSERT_STREQ(early->GetName(), "Early");

  auto* mesh = static_cast<CMesh*>(Received(root.get()).at(0));
  CMeshMaterialList* list = mesh->GetMeshMaterialList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildObjectList().GetCount(), 1);
  CChildObject* entry = list->GetChildObjectList().GetHead();
  EXPECT_TRUE(entry->IsReference());
  EXPECT_EQ(entry->GetXfileDataObject(), early);
  // The list's count follows its entries.
  EXPECT_EQ(list->GetMaterialsCount(), 1u);
}

// The object of that name below root, through owned entries.
CXFileDataObject* FindOwned(CXFileDataObject* root, const char* name) {
  CChildObjectList& children = root->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (entry->IsReference() || !object) continue;
    if (object->GetName() && std::strcmp(object->GetName(), name) == 0) return object;
    if (CXFileDataObject* found = FindOwned(object, name)) return found;
  }
  return nullptr;
}

// The objects that object's entries refer to.
std::vector<CXFileDataObject*> ReferencedBy(CXFileDataObject* object) {
  std::vector<CXFileDataObject*> referenced;
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (entry->IsReference()) referenced.push_back(entry->GetXfileDataObject());
  }
  return referenced;
}

TEST_F(XFileLoadTest, AReferenceToAnObjectThatHoldsItIsDroppedAndTheRestLoads) {
  const std::string triangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
  struct {
    std::string text;
    const char* referring;  // the object whose reference is dropped
    SCounts counts;
  } cases[] = {
      {"Frame A {\n  { A }\n}\n", "A", {1, 0, 0, 0}},
      {"Frame A { Frame B { { A } } }\n", "B", {2, 0, 0, 0}},
      {"Frame A { Frame B { Frame C { { A } } } }\n", "C", {3, 0, 0, 0}},
      {"Frame A { Frame B { Frame C { { B } } } }\n", "C", {3, 0, 0, 0}},
      {"Frame A { Mesh M { " + triangle + " MeshMaterialList { 1; 1; 0;;\n"
       "  Material Red { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; { A } } } } }\n",
       "Red", {1, 1, 3, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto root = NewRoot();
    CXFileDataList world;
    CString failure;
    ASSERT_TRUE(Load(WriteText("holder.x", "xof 0303txt 0032\n" + c.text), root.get(), world, &failure)) << failure;
    CXFileDataObject* referring = FindOwned(root.get(), c.referring);
    ASSERT_NE(referring, nullptr);
    EXPECT_TRUE(ReferencedBy(referring).empty());
    EXPECT_EQ(CountTree(root.get()), c.counts);
    EXPECT_TRUE(root->ComputeBoundingObjectsHierarchy(false, false, false));
  }

  // A reference to an earlier frame that does not hold the referring one
  // still binds.
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(WriteText("sibling.x", "xof 0303txt 0032\nFrame A { Frame B { } Frame C { { B } } }\n"),
                   root.get(), world));
  CXFileDataObject* c = FindOwned(root.get(), "C");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(ReferencedBy(c), std::vector<CXFileDataObject*>{FindOwned(root.get(), "B")});
}

TEST_F(XFileLoadTest, AMaterialListThatClaimsMoreMaterialsThanItHoldsIsCorrected) {
  const std::string path = WriteText("claims.x",
                                     "xof 0303txt 0032\n"
                                     "Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                                     " MeshMaterialList { 3; 1; 1;;\n"
                                     "  Material A { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
                                     "  Material B { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n");
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  auto* mesh = static_cast<CMesh*>(Received(root.get()).at(0));
  EXPECT_EQ(mesh->GetMeshMaterialList()->GetMaterialsCount(), 2u);
  EXPECT_EQ(mesh->GetMaterialsCount(), 2u);
}

// A loaded mesh and the same mesh written back from its connectivity mesh,
// as a reduction writes it, build their edge lines when first drawn with them.
TEST_F(XFileLoadTest, AMeshBuildsItsEdgeLinesWhenFirstDrawnWithThem) {
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(Fixture("mesh_cube_two_materials.x"), root.get(), world));
  auto* loaded = static_cast<CMesh*>(Received(root.get()).at(0));
  CGeoMesh geo;
  CMesh written;
  ASSERT_TRUE(loaded->InitializeClone(&geo, nullptr, nullptr, nullptr));
  ASSERT_TRUE(geo.InitializeMesh(&written, nullptr, nullptr, nullptr, nullptr));
  for (CMesh* mesh : {loaded, &written}) {
    SCOPED_TRACE(mesh == loaded ? "loaded" : "written back");
    ASSERT_EQ(mesh->GetMeshVerticesGroupCount(), 2u);
    auto built = [&] {
      std::vector<bool> ready;
      for (DWORD m = 0; m < mesh->GetMeshVerticesGroupCount(); ++m)
        ready.push_back(mesh->GetMeshVerticesGroup()[m].IsEdgesLineReady());
      return ready;
    };
    EXPECT_EQ(built(), (std::vector<bool>{false, false})) << "none before the first draw";

    CDXDoc doc;
    DISPLAYOPTIONS options{};
    options.activeEdgesMaterial.Diffuse = {0.f, 0.f, 1.f, 1.f};
    doc.SetDisplayOptions(options);
    ASSERT_EQ(mesh->Render(Device(), 1, 0, &doc), S_OK);
    EXPECT_EQ(built(), (std::vector<bool>{false, false})) << "none for a draw without edges";

    options.showActiveEdges = 1;
    doc.SetDisplayOptions(options);
    ASSERT_EQ(mesh->Render(Device(), 1, 0, &doc), S_OK);
    ASSERT_EQ(built(), (std::vector<bool>{true, true}));
    D3DMATERIAL8 drawn{};
    Device()->GetMaterial(&drawn);
    EXPECT_EQ(std::memcmp(&drawn, &options.activeEdgesMaterial, sizeof drawn), 0) << "the edges are drawn at once";
    CMeshVerticesGroup& red = mesh->GetMeshVerticesGroup()[0];
    EXPECT_EQ(red.GetEdgesLineVerticesCount(), 18u);
    // Lifted radius / 400 off the cube's faces, as a build at load made them.
    const std::vector<D3DVERTEX> lines = ReadVertices(red.GetEdgesLineVertexBuffer(0));
    ASSERT_EQ(lines.size(), 18u);
    for (const D3DVERTEX& v : lines)
      EXPECT_NEAR(std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)}), 1.0f + mesh->GetRadiusFS() / 400.0f,
                  1e-6f);

    // Later draws keep the lines built once.
    IDirect3DVertexBuffer8* first = red.GetEdgesLineVertexBuffer(0);
    ASSERT_EQ(mesh->Render(Device(), 1, 0, &doc), S_OK);
    EXPECT_EQ(red.GetEdgesLineVertexBuffer(0), first);
  }
}

// A document whose import waits until its job is stopped and then loads.
class CStoppedImportDoc : public CDXDoc {
 public:
  CStoppedImportDoc(const std::string& path, CFrame* root, CXFileDataList& world)
      : m_path(path), m_root(root), m_world(world) {}
  bool InsertXFileObjects(char*, char*, char*, CCameraFrame*, CDXThread* thread) override {
    m_waiting = true;
    while (thread->WaitForThreadPlayingEvent()) Sleep(1);
    CXFile file;
    m_loaded = file.LoadXfile(m_path.c_str(), m_root, m_world, nullptr, thread);
    return m_loaded;
  }
  std::atomic<bool> m_waiting{false};
  std::atomic<bool> m_loaded{true};

 private:
  std::string m_path;
  CFrame* m_root;
  CXFileDataList& m_world;
};

TEST_F(XFileLoadTest, AStoppedLoadReportsFailureAndAttachesNothing) {
  const std::string path = Fixture("world_scene.x");
  auto root = NewRoot();
  CXFileDataList world;
  CStoppedImportDoc document(path, root.get(), world);
  ASSERT_TRUE(document.Initialize());
  document.GetThreadsManager()->InsertXFileObjects(&document, "world_scene.x", "world_scene.x", path.c_str(), "",
                                                   nullptr);
  ASSERT_EQ(document.GetThreadsManager()->GetThreadList()->GetCount(), 1);
  CDXThread* job = document.GetThreadsManager()->GetThreadList()->GetHead();
  while (!document.m_waiting) Sleep(1);
  job->KillThread();
  EXPECT_FALSE(document.m_loaded);
  EXPECT_TRUE(Received(root.get()).empty());
  EXPECT_EQ(world.GetCount(), 0);
  document.KillThreads();
}

}  // namespace
