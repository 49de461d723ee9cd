// The scene's .3ds files: import into frames with Direct3D meshes, export of
// a frame tree, duplication, against real files, files built here with the
// test's own copy of the toolkit, and another program's reader.
#include <appoptions.h>
#include <dx_doc.h>
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <material.h>
#include <materialpresets.h>
#include <meshparts.h>
#include <rmxfguid.h>
#include <scene3ds.h>
#include <xfiletemplates.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <thread>

#include "image_files.h"
#include "other_readers.h"
#include "tds_test_support.h"

namespace {

using tdstest::ToolkitTest;

// ---------------------------------------------------------------------------
// What a file holds, read with the test's toolkit, and what a scene holds.

struct SFileMesh {
  std::string name;
  DWORD vertices = 0;       // in the file
  DWORD usedPositions = 0;  // distinct positions that kept faces use
  DWORD faces = 0;          // kept: no two equal corners
  std::vector<std::string> groups;
};

struct SFileContent {
  std::vector<SFileMesh> meshes;
  std::map<std::string, tdsMaterial> materials;
  std::map<std::string, std::string> parents;  // object node -> parent node
  std::set<std::string> nodes;                 // the nodes' names with their instance names
};

SFileContent ReadFile(const std::string& path) {
  SFileContent content;
  tdsClearErrors();
  tdsFile* file = tdsOpenFile(path.c_str(), "rb");
  tdsDatabase* db = nullptr;
  tdsInitDatabase(&db);
  tdsLoadDatabase(file, db);
  EXPECT_FALSE(tdsErrorPending()) << path;
  for (std::uint32_t i = 0; i < tdsGetMeshCount(db); ++i) {
    tdsMesh* mesh = nullptr;
    tdsGetMeshByIndex(db, i, &mesh);
    SFileMesh m;
    m.name = tdsNameOf(mesh->name);
    m.vertices = mesh->vertexCount;
    std::set<std::tuple<float, float, float>> positions;
    for (const tdsFace& f : mesh->faces) {
      if (f.a == f.b || f.b == f.c || f.a == f.c) continue;
      ++m.faces;
      for (auto v : {f.a, f.b, f.c}) positions.insert({mesh->vertices[v].x, mesh->vertices[v].y, mesh->vertices[v].z});
    }
    m.usedPositions = static_cast<DWORD>(positions.size());
    for (const tdsMaterialGroup& g : mesh->materialGroups) m.groups.push_back(tdsNameOf(g.name));
    content.meshes.push_back(m);
    tdsReleaseMesh(&mesh);
  }
  tdsNameList* names = nullptr;
  tdsGetMaterialNameList(db, &names);
  for (const std::string& name : names->names) {
    tdsMaterial* material = nullptr;
    tdsGetMaterialByName(db, name.c_str(), &material);
    content.materials[name] = *material;
    tdsReleaseMaterial(&material);
  }
  tdsReleaseNameList(&names);
  tdsGetObjectNodeNameList(db, &names);
  for (const std::string& name : names->names) {
    content.nodes.insert(name);
    tdsObjectMotion* motion = nullptr;
    tdsGetObjectMotionByName(db, name.c_str(), &motion);
    content.parents[tdsNameOf(motion->name)] = tdsNameOf(motion->parent);
    tdsReleaseObjectMotion(&motion);
  }
  tdsReleaseNameList(&names);
  tdsReleaseDatabase(&db);
  tdsCloseAllFiles();
  EXPECT_FALSE(tdsErrorPending()) << path;
  return content;
}

CDXMesh* MeshOf(CFrame* frame) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (child && child->IsATemplateGUID(&GUID_BaseMesh) &&
        static_cast<CBaseMesh*>(child)->GetMeshType() == eBaseMeshTypeDXMesh)
      return static_cast<CDXMesh*>(child);
  }
  return nullptr;
}

// Every frame below root by name, depth first.
void CollectFrames(CFrame* frame, std::vector<CFrame*>& out) {
  POSITION pos = frame->GetChildObjectList().GetHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, true)) {
    out.push_back(child);
    CollectFrames(child, out);
  }
}
std::vector<CFrame*> Frames(CFrame* root) {
  std::vector<CFrame*> out;
  CollectFrames(root, out);
  return out;
}

std::vector<std::string> MaterialNames(CDXMesh* mesh) {
  std::vector<std::string> names;
  auto* list = static_cast<CMeshMaterialList*>(mesh->GetChildXfileDataObject(&TID_D3DRMMeshMaterialList, false, true));
  if (!list) return names;
  POSITION pos = list->GetChildHeadPosition();
  for (CMaterial* m = list->GetNextMaterial(pos); m; m = list->GetNextMaterial(pos))
    names.push_back(m->GetName() ? m->GetName() : "");
  return names;
}

std::string ParentName(CFrame* frame, CFrame* root) {
  CFrame* parent = frame->GetParentRenderFrame();
  return parent == root || !parent ? "" : parent->GetName();
}

// One mesh's vertices as (position, texture coordinates), sorted.
std::vector<std::array<float, 5>> Corners(CDXMesh* mesh) {
  std::vector<std::array<float, 5>> corners;
  ID3DXMesh* d3d = mesh->GetMesh();
  BYTE* data = nullptr;
  EXPECT_EQ(d3d->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  const auto* v = reinterpret_cast<const D3DVERTEX*>(data);
  for (DWORD i = 0; i < d3d->GetNumVertices(); ++i) corners.push_back({v[i].x, v[i].y, v[i].z, v[i].tu, v[i].tv});
  d3d->UnlockVertexBuffer();
  std::sort(corners.begin(), corners.end());
  return corners;
}

// ---------------------------------------------------------------------------
// Files built here.

struct SMeshPlan {
  std::string name;
  std::vector<tdsPoint3> vertices;
  std::vector<tdsFace> faces;
  std::vector<std::pair<std::string, std::vector<std::uint16_t>>> groups;
  std::vector<tdsTexVert> uv;
};
struct SMaterialPlan {
  SMaterialPlan(std::string n, float t = 0, float s = 0, std::string map = "")
      : name(std::move(n)), transparency(t), shininess(s), texture(std::move(map)) {}
  std::string name;
  float transparency, shininess;
  std::string texture;
};
struct SNodePlan {
  std::string name, parent;
};

SMeshPlan Triangle(const std::string& name, float x = 0) {
  return {name, {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}, {{0, 1, 2, 7}}, {}, {}};
}

// A tetrahedron of four faces in one material group.
SMeshPlan Tetrahedron(const std::string& name, const std::string& material) {
  return {name,
          {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
          {{0, 2, 1, 7}, {0, 1, 3, 7}, {1, 2, 3, 7}, {0, 3, 2, 7}},
          {{material, {0, 1, 2, 3}}},
          {{0, 0}, {1, 0}, {0, 1}, {1, 1}}};
}

void WriteFile(const std::string& path, const std::vector<SMeshPlan>& meshes,
               const std::vector<SMaterialPlan>& materials = {}, const std::vector<SNodePlan>& nodes = {}) {
  tdsClearErrors();
  tdsDatabase* db = nullptr;
  tdsInitDatabase(&db);
  tdsCreateDatabase(db, TDS_MESH_FILE);
  for (const SMaterialPlan& plan : materials) {
    tdsMaterial* m = nullptr;
    tdsInitMaterial(&m);
    tdsCopyName(m->name, plan.name);
    m->diffuse = {0.5f, 0.25f, 1.0f};
    m->transparency = plan.transparency;
    m->shininess = plan.shininess;
    tdsCopyName(m->texture.name, plan.texture);
    tdsPutMaterial(db, m);
    tdsReleaseMaterial(&m);
  }
  for (const SMeshPlan& plan : meshes) {
    tdsMesh* m = nullptr;
    tdsInitMesh(&m, static_cast<std::uint16_t>(plan.vertices.size()), static_cast<std::uint16_t>(plan.faces.size()), 0);
    tdsCopyName(m->name, plan.name);
    m->vertices = plan.vertices;
    m->faces = plan.faces;
    m->texVertCount = static_cast<std::uint16_t>(plan.uv.size());
    m->texVerts = plan.uv;
    m->materialGroupCount = static_cast<std::uint16_t>(plan.groups.size());
    for (const auto& [name, faces] : plan.groups) {
      tdsMaterialGroup group;
      tdsCopyName(group.name, name);
      group.faceCount = static_cast<std::uint16_t>(faces.size());
      group.faceIndices = faces;
      m->materialGroups.push_back(group);
    }
    tdsPutMesh(db, m);
    tdsReleaseMesh(&m);
  }
  for (const SNodePlan& plan : nodes) {
    tdsObjectMotion* motion = nullptr;
    tdsInitObjectMotion(&motion, 1, 1, 1, 0, 0);
    tdsCopyName(motion->name, plan.name);
    tdsCopyName(motion->parent, plan.parent);
    tdsPutObjectMotion(db, motion);
    tdsReleaseObjectMotion(&motion);
  }
  tdsFile* file = tdsOpenFile(path.c_str(), "w");
  tdsWriteDatabase(file, db);
  tdsReleaseDatabase(&db);
  tdsCloseAllFiles();
  ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
}

// ---------------------------------------------------------------------------

class Scene3dsTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    ASSERT_EQ(m_device.CreateD3DDevice(nullptr), S_OK);
    m_savedWinding = g_appOptions.bReverse3dsWinding;
    g_appOptions.bReverse3dsWinding = 0;
  }
  void TearDown() override {
    g_appOptions.bReverse3dsWinding = m_savedWinding;
    ToolkitTest::TearDown();
  }

  std::unique_ptr<CFrame> NewRoot() {
    auto root = std::make_unique<CFrame>();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    root->Initialize(&identity, const_cast<char*>("root"), CFrame::ePlainFrame, false);
    return root;
  }
  // Imports a file into a new root, through the job when one is given (its
  // document then makes the textures); null when the import fails.
  std::unique_ptr<CFrame> Import(const std::string& path, bool expected = true, CDXThread* job = nullptr) {
    auto root = NewRoot();
    std::string folder = std::filesystem::path(path).parent_path().string() + "/";
    const bool imported = Import3dsFile(const_cast<char*>(path.c_str()), folder.data(), root.get(), job);
    EXPECT_EQ(imported, expected) << path;
    return imported ? std::move(root) : nullptr;
  }
  bool Export(CFrame* root, const std::string& path) {
    return SaveFrameIn3dsFile(root, const_cast<char*>(path.c_str()), nullptr);
  }

  CDXWindowedDevice m_device;
  BYTE m_savedWinding = 0;
};

// Every mesh of a file has a frame of its name holding a mesh with the file's
// kept faces, its vertices (welded, never past the file's), one material per
// group with the material's colour, opacity and texture name.
void ExpectSceneHoldsFile(CFrame* root, const SFileContent& file) {
  EXPECT_EQ(root->GetFrameType(), CFrame::eDXMeshFrame);
  const auto frames = Frames(root);
  ASSERT_EQ(frames.size(), file.meshes.size());
  DWORD vertices = 0, faces = 0;
  for (size_t i = 0; i < file.meshes.size(); ++i) {
    const SFileMesh& expected = file.meshes[i];
    SCOPED_TRACE(expected.name);
    auto found = std::find_if(frames.begin(), frames.end(), [&](CFrame* f) { return f->GetName() == expected.name; });
    ASSERT_NE(found, frames.end());
    EXPECT_EQ((*found)->GetFrameType(), CFrame::eDXMeshFrame);
    CDXMesh* mesh = MeshOf(*found);
    if (expected.faces == 0) {
      EXPECT_EQ(mesh, nullptr);
      continue;
    }
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNumFaces(false), expected.faces);
    // Welding joins equal corners, cleaning splits corners shared by faces
    // that meet only there.
    EXPECT_LE(mesh->GetNumVertices(false), 3 * expected.faces);
    EXPECT_GE(mesh->GetNumVertices(false), expected.usedPositions);
    vertices += mesh->GetNumVertices(false);
    faces += mesh->GetNumFaces(false);
    const std::vector<std::string> groups =
        expected.groups.empty() ? std::vector<std::string>{"default"} : expected.groups;
    EXPECT_EQ(MaterialNames(mesh), groups);
    ASSERT_EQ(mesh->GetMaterialsCount(), groups.size());
    for (size_t g = 0; g < expected.groups.size(); ++g) {
      const auto material = file.materials.find(expected.groups[g]);
      if (material == file.materials.end()) continue;
      const D3DXMATERIAL& got = mesh->GetMaterials()[g];
      EXPECT_FLOAT_EQ(got.MatD3D.Diffuse.r, material->second.diffuse.r);
      EXPECT_FLOAT_EQ(got.MatD3D.Diffuse.a, std::clamp(1.0f - material->second.transparency, 0.0f, 1.0f));
      EXPECT_FLOAT_EQ(got.MatD3D.Power, material->second.shininess * 35.0f);
      const std::string texture = tdsNameOf(material->second.texture.name);
      EXPECT_EQ(got.pTextureFilename ? got.pTextureFilename : "", texture);
    }
  }
  DWORD rootVertices = 0, rootFaces = 0;
  EXPECT_TRUE(root->SetDXMeshFrameMetrics(rootVertices, rootFaces, nullptr));
  EXPECT_EQ(rootVertices, vertices);
  EXPECT_EQ(rootFaces, faces);
}

// Each node of a mesh hangs below its parent's frame, or the root.
void ExpectHierarchy(CFrame* root, const SFileContent& file) {
  std::set<std::string> meshNames;
  for (const SFileMesh& m : file.meshes) meshNames.insert(m.name);
  for (CFrame* frame : Frames(root)) {
    const auto node = file.parents.find(frame->GetName());
    const std::string parent = node == file.parents.end() ? "" : node->second;
    EXPECT_EQ(ParentName(frame, root), meshNames.count(parent) ? parent : "") << frame->GetName();
  }
}

TEST_F(Scene3dsTest, EveryRealFileImportsItsMeshesMaterialsAndHierarchy) {
  const auto files = tdstest::Real3dsFiles();
  if (files.empty()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    const SFileContent content = ReadFile(path.string());
    auto root = Import(path.string());
    ASSERT_TRUE(root);
    ExpectSceneHoldsFile(root.get(), content);
    ExpectHierarchy(root.get(), content);
  }
}

TEST_F(Scene3dsTest, FilesWithKeyframerChildrenKeepTheirHierarchy) {
  if (!tdstest::HaveTestData()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  // The child object's parent is a camera, the wheel's parts hang below a
  // dummy object, the cube and the jeep's parts have no parent: every mesh
  // frame stands below the root, before and after a round trip.
  for (const char* file : {"CameraRollAnimWithChildObject.3ds", "RotatingCube.3DS", "jeep1.3ds", "cart_wheel.3DS"}) {
    SCOPED_TRACE(file);
    const std::string path = tdstest::TestData() + "/" + file;
    const SFileContent content = ReadFile(path);
    auto root = Import(path);
    ASSERT_TRUE(root);
    ExpectHierarchy(root.get(), content);
    for (CFrame* frame : Frames(root.get())) EXPECT_EQ(frame->GetParentRenderFrame(), root.get());
    ASSERT_TRUE(Export(root.get(), PathOf("again.3ds")));
    auto again = Import(PathOf("again.3ds"));
    ASSERT_TRUE(again);
    ExpectHierarchy(again.get(), content);
  }
}

TEST_F(Scene3dsTest, MalformedAndMissingFilesFailWithAMessage) {
  struct SCase {
    std::string path;
    const char* message;
  };
  std::vector<SCase> cases = {{PathOf("missing.3ds"), "ERR_OPENING_FILE"}};
  WriteBytes(PathOf("truncated.3ds"), {0x4D, 0x4D, 0x40, 0, 0, 0, 0x3D, 0x3D});
  cases.push_back({PathOf("truncated.3ds"), "ERR_"});
  if (tdstest::HaveTestData()) cases.push_back({tdstest::TestData() + "/malformed/empty.3ds", "ERR_"});
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.path);
    auto root = NewRoot();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Import3dsFile(const_cast<char*>(c.path.c_str()), nullptr, root.get(), nullptr));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(Frames(root.get()).empty());
  }
}

TEST_F(Scene3dsTest, CorruptIndicesFailTheImport) {
  SMeshPlan pastVertices = Triangle("bad");
  pastVertices.faces[0].c = 3;
  SMeshPlan pastFaces = Tetrahedron("bad", "m");
  pastFaces.groups[0].second.push_back(4);
  for (const SMeshPlan& plan : {pastVertices, pastFaces}) {
    WriteFile(PathOf("bad.3ds"), {Triangle("good"), plan}, {{"m"}});
    auto root = NewRoot();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Import3dsFile(const_cast<char*>(PathOf("bad.3ds").c_str()), nullptr, root.get(), nullptr));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Initialize"), std::string::npos);
  }
}

TEST_F(Scene3dsTest, NamesFacelessMeshesAndMissingMaterials) {
  SMeshPlan faceless = Triangle("faceless");
  faceless.faces[0] = {0, 0, 1, 7};
  WriteFile(PathOf("edge.3ds"), {Triangle(""), faceless, Tetrahedron("nomat", "absent")}, {{"m"}});
  auto root = Import(PathOf("edge.3ds"));
  ASSERT_TRUE(root);
  const auto frames = Frames(root.get());
  ASSERT_EQ(frames.size(), 3u);
  // Without a keyframer every frame hangs below the root.
  for (CFrame* frame : frames) EXPECT_EQ(frame->GetParentRenderFrame(), root.get());
  EXPECT_TRUE(std::regex_match(frames[0]->GetName(), std::regex("F_[0-9]{7}"))) << frames[0]->GetName();
  ASSERT_NE(MeshOf(frames[0]), nullptr);
  EXPECT_EQ(MaterialNames(MeshOf(frames[0])), std::vector<std::string>{"default"});
  EXPECT_STREQ(frames[1]->GetName(), "faceless");
  EXPECT_EQ(MeshOf(frames[1]), nullptr);
  CDXMesh* nomat = MeshOf(frames[2]);
  ASSERT_NE(nomat, nullptr);
  EXPECT_EQ(MaterialNames(nomat), std::vector<std::string>{"absent"});
  const D3DMATERIAL8 fallback = DefaultMaterial();
  EXPECT_EQ(std::memcmp(&nomat->GetMaterials()[0].MatD3D, &fallback, sizeof fallback), 0);
}

// A document's import job: the document's texture manager makes the
// textures that the imported materials name.
struct SImportJob {
  SImportJob() { job.SetUpParameters(nullptr, &document, "import", "import", ""); }
  CDXDoc document;
  CDXThread job;
};

// A material's texture is made from the file of its name in the model's
// folder, whatever the case of the name; a file that is not there leaves the
// material without a texture and the import goes on.
TEST_F(Scene3dsTest, TexturesComeFromTheFilesFolderInAnyCase) {
  ::WriteBytes(PathOf("top.tga"), Tga(TestColours(), 24, false));
  const struct {
    const char* map;
    bool loaded;
  } cases[] = {{"top.tga", true}, {"TOP.TGA", true}, {"absent.tga", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.map);
    WriteFile(PathOf("lid.3ds"), {Tetrahedron("lid", "m")}, {{"m", 0, 0, c.map}});
    SImportJob import;
    auto root = Import(PathOf("lid.3ds"), true, &import.job);
    ASSERT_TRUE(root);
    CDXMesh* mesh = MeshOf(Frames(root.get()).at(0));
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetMaterialsCount(), 1u);
    EXPECT_STREQ(mesh->GetMaterials()[0].pTextureFilename, c.map);
    IDirect3DTexture8* texture = mesh->GetTextures()[0];
    EXPECT_EQ(texture != nullptr, c.loaded);
    D3DSURFACE_DESC desc{};
    if (texture) {
      ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
      EXPECT_EQ(desc.Width, 4u);
    }
  }
}

// Real files whose materials name images shipped beside them in another case
// get those textures; one whose image is not shipped imports without it.
TEST_F(Scene3dsTest, RealFilesGetTheTexturesShippedBesideThem) {
  if (!tdstest::HaveTestData()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  const struct {
    const char* file;
    bool loaded;
  } cases[] = {{"test1.3ds", true}, {"cube_with_diffuse_texture.3DS", true}, {"cubes_with_alpha.3DS", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    SImportJob import;
    auto root = Import(tdstest::TestData() + "/" + c.file, true, &import.job);
    ASSERT_TRUE(root);
    int named = 0;
    for (CFrame* frame : Frames(root.get())) {
      CDXMesh* mesh = MeshOf(frame);
      for (DWORD m = 0; mesh && m < mesh->GetMaterialsCount(); ++m) {
        if (!mesh->GetMaterials()[m].pTextureFilename) continue;
        ++named;
        EXPECT_EQ(mesh->GetTextures()[m] != nullptr, c.loaded) << mesh->GetMaterials()[m].pTextureFilename;
      }
    }
    EXPECT_GT(named, 0);
  }
}

TEST_F(Scene3dsTest, NodesBuildTheTreeWhateverTheirOrder) {
  // Parent before child, child before parent, a cycle, a parent that is no
  // mesh, a node that is no mesh, a node listed twice.
  WriteFile(PathOf("tree.3ds"),
            {Triangle("a"), Triangle("b", 2), Triangle("c", 4), Triangle("d", 6), Triangle("x", 8), Triangle("y", 10),
             Triangle("e", 12)},
            {},
            {{"a", ""}, {"b", "a"}, {"d", "c"}, {"c", "b"}, {"x", "y"}, {"y", "x"}, {"e", "dummy"}, {"ghost", "a"}});
  auto root = Import(PathOf("tree.3ds"));
  ASSERT_TRUE(root);
  std::map<std::string, std::string> parents;
  for (CFrame* frame : Frames(root.get())) parents[frame->GetName()] = ParentName(frame, root.get());
  const std::map<std::string, std::string> expected = {{"a", ""},  {"b", "a"}, {"c", "b"}, {"d", "c"},
                                                       {"x", "y"}, {"y", ""},  {"e", ""}};
  EXPECT_EQ(parents, expected);
}

TEST_F(Scene3dsTest, KeepFaceOrderSwitchDecidesTheWinding) {
  WriteFile(PathOf("one.3ds"), {Triangle("t")});
  for (BYTE keep : {BYTE{0}, BYTE{1}}) {
    g_appOptions.bReverse3dsWinding = keep;
    auto root = Import(PathOf("one.3ds"));
    ASSERT_TRUE(root);
    ID3DXMesh* mesh = MeshOf(Frames(root.get())[0])->GetMesh();
    BYTE* v = nullptr;
    BYTE* i = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &v), D3D_OK);
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &i), D3D_OK);
    const auto* vertices = reinterpret_cast<const D3DVERTEX*>(v);
    const auto* indices = reinterpret_cast<const WORD*>(i);
    // File corners 0, 1, 2 are (0,0,0), (1,0,0), (0,1,0): with y and z
    // exchanged, the second corner in Direct3D's order is (1,0,0) when kept.
    const D3DVERTEX& second = vertices[indices[1]];
    const D3DVERTEX& first = vertices[indices[0]];
    const D3DVERTEX& third = vertices[indices[2]];
    const float turn = (second.x - first.x) * (third.z - first.z) - (second.z - first.z) * (third.x - first.x);
    EXPECT_EQ(turn > 0, keep == 1);
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
  }
}

TEST_F(Scene3dsTest, TransparencyAndShininessRoundTrip) {
  WriteFile(PathOf("mat.3ds"),
            {Tetrahedron("clear", "glass"), Tetrahedron("solid", "stone"), Tetrahedron("over", "odd")},
            {{"glass", 0.25f, 0.5f, "GLASS.PNG"}, {"stone", 0.0f, 0.0f, ""}, {"odd", -0.5f, 0.1f, ""}});
  auto root = Import(PathOf("mat.3ds"));
  ASSERT_TRUE(root);
  const std::map<std::string, float> alpha = {{"clear", 0.75f}, {"solid", 1.0f}, {"over", 1.0f}};
  for (CFrame* frame : Frames(root.get())) {
    const D3DXMATERIAL& m = MeshOf(frame)->GetMaterials()[0];
    EXPECT_FLOAT_EQ(m.MatD3D.Diffuse.a, alpha.at(frame->GetName())) << frame->GetName();
  }
  EXPECT_FLOAT_EQ(MeshOf(Frames(root.get())[0])->GetMaterials()[0].MatD3D.Power, 17.5f);
  ASSERT_TRUE(Export(root.get(), PathOf("back.3ds")));
  const SFileContent back = ReadFile(PathOf("back.3ds"));
  EXPECT_FLOAT_EQ(back.materials.at("glass").transparency, 0.25f);
  EXPECT_FLOAT_EQ(back.materials.at("glass").shininess, 0.5f);
  EXPECT_EQ(tdsNameOf(back.materials.at("glass").texture.name), "GLASS.PNG");
  EXPECT_FLOAT_EQ(back.materials.at("stone").transparency, 0.0f);
  EXPECT_FLOAT_EQ(back.materials.at("odd").transparency, 0.0f);
}

// A scene, written and read again, holds the same frames, meshes, corners,
// materials and tree.
void ExpectSameScene(CFrame* expectedRoot, CFrame* actualRoot) {
  const auto expected = Frames(expectedRoot), actual = Frames(actualRoot);
  std::map<std::string, CFrame*> byName;
  for (CFrame* frame : actual) byName[frame->GetName()] = frame;
  for (CFrame* frame : expected) {
    CDXMesh* mesh = MeshOf(frame);
    if (!mesh) continue;  // a frame without a mesh is not written
    SCOPED_TRACE(frame->GetName());
    ASSERT_TRUE(byName.count(frame->GetName()));
    CFrame* other = byName[frame->GetName()];
    EXPECT_EQ(ParentName(other, actualRoot), ParentName(frame, expectedRoot));
    CDXMesh* otherMesh = MeshOf(other);
    ASSERT_NE(otherMesh, nullptr);
    EXPECT_EQ(otherMesh->GetNumFaces(false), mesh->GetNumFaces(false));
    EXPECT_EQ(otherMesh->GetNumVertices(false), mesh->GetNumVertices(false));
    EXPECT_EQ(MaterialNames(otherMesh), MaterialNames(mesh));
    for (DWORD m = 0; m < std::min(mesh->GetMaterialsCount(), otherMesh->GetMaterialsCount()); ++m) {
      const D3DXMATERIAL &a = mesh->GetMaterials()[m], &b = otherMesh->GetMaterials()[m];
      EXPECT_NEAR(a.MatD3D.Diffuse.r, b.MatD3D.Diffuse.r, 1.0 / 255);  // a byte in the file
      EXPECT_NEAR(a.MatD3D.Diffuse.a, b.MatD3D.Diffuse.a, 1e-6);
      EXPECT_NEAR(a.MatD3D.Power, b.MatD3D.Power, 1e-4);
      EXPECT_EQ(std::string(a.pTextureFilename ? a.pTextureFilename : ""),
                std::string(b.pTextureFilename ? b.pTextureFilename : ""));
    }
    const auto cornersA = Corners(mesh), cornersB = Corners(otherMesh);
    ASSERT_EQ(cornersA.size(), cornersB.size());
    for (size_t i = 0; i < cornersA.size(); ++i)
      for (int k = 0; k < 5; ++k) ASSERT_NEAR(cornersA[i][k], cornersB[i][k], 1e-4) << "corner " << i;
  }
}

TEST_F(Scene3dsTest, RealFilesRoundTripThroughTheScene) {
  const auto files = tdstest::Real3dsFiles();
  if (files.empty()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    auto first = Import(path.string());
    ASSERT_TRUE(first);
    const std::string written = PathOf("written.3ds");
    ASSERT_TRUE(Export(first.get(), written));
    auto second = Import(written);
    ASSERT_TRUE(second);
    ExpectSameScene(first.get(), second.get());
    // Another program's reader sees a node with a mesh for each of ours.
    if (other_readers::AssimpInstalled()) {
      const auto run = other_readers::RunAssimpInfo(written);
      EXPECT_EQ(run.status, 0) << run.output;
      const std::string tree = run.output.substr(std::min(run.output.find("Node hierarchy"), run.output.size()));
      size_t meshNodes = 0;
      for (size_t at = tree.find("(mesh "); at != std::string::npos; at = tree.find("(mesh ", at + 1)) ++meshNodes;
      size_t meshes = 0;
      for (CFrame* frame : Frames(first.get())) meshes += MeshOf(frame) != nullptr;
      EXPECT_EQ(meshNodes, meshes) << run.output;
    }
  }
  if (!other_readers::AssimpInstalled()) GTEST_SKIP() << other_readers::kNoAssimp;
}

// The box of every vertex below root, as another reader turns it: 3DS keeps
// y and z in the other order, and it makes the file's z its y and the file's
// y its -z.
std::pair<D3DXVECTOR3, D3DXVECTOR3> BoxAsReadElsewhere(CFrame* root) {
  D3DXVECTOR3 min(1e30f, 1e30f, 1e30f), max(-1e30f, -1e30f, -1e30f);
  for (CFrame* frame : Frames(root)) {
    CDXMesh* mesh = MeshOf(frame);
    if (!mesh) continue;
    for (const auto& c : Corners(mesh)) {
      const D3DXVECTOR3 p(c[0], c[1], -c[2]);
      min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
      max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    }
  }
  return {min, max};
}

D3DXVECTOR3 AssimpPoint(const std::string& output, const char* which) {
  std::smatch m;
  const std::string number = "(-?[0-9.]+)";
  if (!std::regex_search(output, m,
                         std::regex(std::string(which) + " point\\s+\\(" + number + " " + number + " " + number)))
    return {NAN, NAN, NAN};
  return {std::stof(m[1]), std::stof(m[2]), std::stof(m[3])};
}

TEST_F(Scene3dsTest, AnotherReaderFindsTheExportedMeshesWhereTheSceneHasThem) {
  if (!other_readers::AssimpInstalled()) GTEST_SKIP() << other_readers::kNoAssimp;
  // A chain of three meshes, and the real files.
  WriteFile(PathOf("chain.3ds"), {Triangle("a"), Triangle("b", 2), Triangle("c", 4)}, {},
            {{"a", ""}, {"b", "a"}, {"c", "b"}});
  std::vector<std::string> inputs = {PathOf("chain.3ds")};
  for (const auto& path : tdstest::Real3dsFiles()) inputs.push_back(path.string());
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    auto root = Import(input);
    ASSERT_TRUE(root);
    ASSERT_TRUE(Export(root.get(), PathOf("out.3ds")));
    const auto run = other_readers::RunAssimpInfo(PathOf("out.3ds"));
    ASSERT_EQ(run.status, 0) << run.output;
    const auto [min, max] = BoxAsReadElsewhere(root.get());
    const D3DXVECTOR3 readMin = AssimpPoint(run.output, "Minimum"), readMax = AssimpPoint(run.output, "Maximum");
    const D3DXVECTOR3 size = max - min;
    const float tolerance = 1e-4f * std::max(1.0f, D3DXVec3Length(&size));
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(readMin[k], min[k], tolerance) << "axis " << k;
      EXPECT_NEAR(readMax[k], max[k], tolerance) << "axis " << k;
    }
  }
}

TEST_F(Scene3dsTest, UnnamedMeshesGetNamesOfTheirOwnInTheFile) {
  WriteFile(PathOf("two.3ds"), {Tetrahedron("twin", "m"), Tetrahedron("twin2", "m")}, {{"m"}});
  auto root = Import(PathOf("two.3ds"));
  ASSERT_TRUE(root);
  // Names cut to ten characters that meet, and empty names, still make one
  // record each.
  MeshOf(Frames(root.get())[0])->SetName(const_cast<char*>("a_long_mesh_name_1"), false);
  MeshOf(Frames(root.get())[1])->SetName(const_cast<char*>("a_long_mesh_name_2"), false);
  ASSERT_TRUE(Export(root.get(), PathOf("back.3ds")));
  const SFileContent back = ReadFile(PathOf("back.3ds"));
  ASSERT_EQ(back.meshes.size(), 2u);
  EXPECT_EQ(back.meshes[0].name, "a_long_mes");
  EXPECT_TRUE(std::regex_match(back.meshes[1].name, std::regex("M_[0-9]{7}"))) << back.meshes[1].name;
}

TEST_F(Scene3dsTest, MaterialsOfOneNameWrittenUnlikeKeepTheirOwn) {
  WriteFile(PathOf("shared.3ds"), {Tetrahedron("a", "m"), Tetrahedron("b", "m"), Tetrahedron("c", "m")}, {{"m"}});
  auto root = Import(PathOf("shared.3ds"));
  ASSERT_TRUE(root);
  // The second mesh's copy of the material turns red.
  MeshOf(Frames(root.get())[1])->GetMaterials()[0].MatD3D.Diffuse.r = 1.0f;
  ASSERT_TRUE(Export(root.get(), PathOf("back.3ds")));
  const SFileContent back = ReadFile(PathOf("back.3ds"));
  ASSERT_EQ(back.meshes.size(), 3u);
  EXPECT_EQ(back.materials.size(), 2u);
  EXPECT_EQ(back.meshes[0].groups, std::vector<std::string>{"m"});
  EXPECT_EQ(back.meshes[2].groups, std::vector<std::string>{"m"});
  ASSERT_EQ(back.meshes[1].groups.size(), 1u);
  EXPECT_NE(back.meshes[1].groups[0], "m");
  EXPECT_FLOAT_EQ(back.materials.at(back.meshes[1].groups[0]).diffuse.r, 1.0f);
  EXPECT_NEAR(back.materials.at("m").diffuse.r, 0.5f, 1.0 / 255);
}

TEST_F(Scene3dsTest, ExportRefusesMeshesPastTheFormatsCounts) {
  for (DWORD vertices : {DWORD{65535}, DWORD{65536}}) {
    auto root = NewRoot();
    auto frame = std::make_unique<CFrame>();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    frame->Initialize(&identity, const_cast<char*>("big"), CFrame::eDXMeshFrame, false);
    auto* mesh = new CDXMesh;
    ASSERT_TRUE(mesh->Initialize(const_cast<char*>("huge")));
    // A fan of triangles over all the vertices.
    std::vector<D3DVERTEX> v(vertices);
    for (DWORD i = 0; i < vertices; ++i)
      v[i] = {static_cast<float>(i % 256), static_cast<float>(i / 256), 0, 0, 0, 1, 0, 0};
    std::vector<DWORD> indices;
    for (DWORD i = 1; i + 1 < vertices; ++i) indices.insert(indices.end(), {0, i, i + 1});
    const DWORD faces = static_cast<DWORD>(indices.size() / 3);
    std::vector<DWORD> attributes(faces, 0);
    ASSERT_TRUE(mesh->ReplaceMeshFVF32(faces, vertices, sizeof(D3DVERTEX), D3DXMESH_SYSTEMMEM,
                                       D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, reinterpret_cast<BYTE*>(v.data()),
                                       indices.data(), attributes.data(), m_device.GetD3DDevice()));
    frame->AddChildObject(eOwnedChild, mesh, false);
    root->AddChildRenderFrame(eOwnedChild, frame.release(), false);
    testing::internal::CaptureStderr();
    const std::string path = PathOf("big" + std::to_string(vertices) + ".3ds");
    const bool saved = Export(root.get(), path);
    const std::string err = testing::internal::GetCapturedStderr();
    SCOPED_TRACE(vertices);
    EXPECT_EQ(saved, vertices <= 65535) << err;
    if (vertices > 65535) {
      EXPECT_NE(err.find("\"huge\""), std::string::npos) << err;
      EXPECT_FALSE(std::filesystem::exists(path));
    } else {
      const SFileContent back = ReadFile(path);
      ASSERT_EQ(back.meshes.size(), 1u);
      EXPECT_EQ(back.meshes[0].vertices, 65535u);
    }
  }
}

TEST_F(Scene3dsTest, WritesReplaceOnlyRegularFilesAndFollowLinks) {
  WriteFile(PathOf("in.3ds"), {Tetrahedron("t", "m")}, {{"m"}});
  auto root = Import(PathOf("in.3ds"));
  ASSERT_TRUE(root);
  std::filesystem::create_directory(PathOf("folder.3ds"));
  std::ofstream(PathOf("real.3ds")) << "old content";
  std::filesystem::create_symlink("real.3ds", PathOf("link.3ds"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Export(root.get(), PathOf("folder.3ds")));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("not a regular file"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("folder.3ds")));
  ASSERT_TRUE(Export(root.get(), PathOf("link.3ds")));
  EXPECT_TRUE(std::filesystem::is_symlink(PathOf("link.3ds")));
  EXPECT_EQ(ReadFile(PathOf("real.3ds")).meshes.size(), 1u);
  // A file duplicated onto itself keeps its content.
  ASSERT_TRUE(
      Duplicate3dsFile(const_cast<char*>(PathOf("in.3ds").c_str()), const_cast<char*>(PathOf("in.3ds").c_str())));
  EXPECT_EQ(ReadFile(PathOf("in.3ds")).meshes.size(), 1u);
  // Nothing partial is left beside the targets.
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_)) ++files;
  EXPECT_EQ(files, 4u);
}

TEST_F(Scene3dsTest, DuplicateCopiesMeshesMaterialsAndNodes) {
  const auto files = tdstest::Real3dsFiles();
  if (files.empty()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    const std::string copy = PathOf("copy.3ds");
    ASSERT_TRUE(Duplicate3dsFile(const_cast<char*>(path.c_str()), const_cast<char*>(copy.c_str())));
    const SFileContent original = ReadFile(path.string()), duplicate = ReadFile(copy);
    ASSERT_EQ(duplicate.meshes.size(), original.meshes.size());
    for (size_t i = 0; i < original.meshes.size(); ++i) {
      EXPECT_EQ(duplicate.meshes[i].name, original.meshes[i].name);
      EXPECT_EQ(duplicate.meshes[i].faces, original.meshes[i].faces);
      EXPECT_EQ(duplicate.meshes[i].groups, original.meshes[i].groups);
    }
    EXPECT_EQ(duplicate.materials.size(), original.materials.size());
    // Object nodes are copied; a parent of another kind (a camera, a
    // dummy) is not, and its children lose it.
    std::map<std::string, std::string> kept;
    for (const auto& [node, parent] : original.parents) kept[node] = original.nodes.count(parent) ? parent : "";
    EXPECT_EQ(duplicate.parents, kept);
  }
  EXPECT_FALSE(
      Duplicate3dsFile(const_cast<char*>(PathOf("missing.3ds").c_str()), const_cast<char*>(PathOf("out.3ds").c_str())));
}

TEST_F(Scene3dsTest, ImportsOnTwoThreadsAtOnceBothSucceed) {
  WriteFile(PathOf("a.3ds"), {Tetrahedron("a", "m"), Tetrahedron("b", "m")}, {{"m", 0.5f}});
  auto first = NewRoot(), second = NewRoot();
  bool firstDone = false, secondDone = false;
  const std::string path = PathOf("a.3ds");
  std::thread other(
      [&] { secondDone = Import3dsFile(const_cast<char*>(path.c_str()), nullptr, second.get(), nullptr); });
  firstDone = Export(first.get(), PathOf("empty.3ds")) &&
              Import3dsFile(const_cast<char*>(path.c_str()), nullptr, first.get(), nullptr);
  other.join();
  EXPECT_TRUE(firstDone);
  EXPECT_TRUE(secondDone);
  EXPECT_EQ(Frames(first.get()).size(), 2u);
  EXPECT_EQ(Frames(second.get()).size(), 2u);
}

}  // namespace
