// Direct3D meshes: loading with the Direct3D-mesh switch on, counts, bounds,
// repair and saving.
#include <basemesh.h>
#include <dx_doc.h>
#include <dxmesh.h>
#include <geo_mesh.h>
#include <xfiletemplates.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "xfile_test_support.h"

namespace {

using namespace xfile_test;
namespace fs = std::filesystem;

// Every Direct3D mesh below object, depth first.
void CollectDXMeshes(CXFileDataObject* object, std::vector<CDXMesh*>& out) {
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (!child || entry->IsReference()) continue;
    if (child->IsATemplateGUID(&GUID_BaseMesh) &&
        static_cast<CBaseMesh*>(child)->GetMeshType() == eBaseMeshTypeDXMesh)
      out.push_back(static_cast<CDXMesh*>(child));
    CollectDXMeshes(child, out);
  }
}

std::vector<CDXMesh*> DXMeshes(CXFileDataObject* root) {
  std::vector<CDXMesh*> out;
  CollectDXMeshes(root, out);
  return out;
}

class DXMeshTest : public XFileTest {
 protected:
  void SetUp() override {
    XFileTest::SetUp();
    g_appOptions.bLoadDXMeshes = 1;
  }
};

TEST_F(DXMeshTest, TwoMaterialCubeLoadsWithCountsTableAndAdjacency) {
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(Fixture("mesh_cube_two_materials.x"), root.get(), world));
  EXPECT_EQ(root->GetFrameType(), CFrame::eDXMeshFrame);
  const auto meshes = DXMeshes(root.get());
  ASSERT_EQ(meshes.size(), 1u);
  CDXMesh* mesh = meshes[0];
  EXPECT_STREQ(mesh->GetName(), "cube");
  EXPECT_STREQ(mesh->GetTemplateName(), "Mesh");
  EXPECT_TRUE(mesh->IsReadyForRendering());
  EXPECT_EQ(mesh->GetNumFaces(false), 12u);
  EXPECT_EQ(mesh->GetNumVertices(false), 24u);  // one vertex per corner and face normal
  EXPECT_EQ(root->GetActiveTrianglesCount(false), 12u);
  EXPECT_EQ(root->GetActiveVerticesCount(false), 24u);
  ASSERT_EQ(mesh->GetMaterialsCount(), 2u);
  EXPECT_EQ(mesh->GetMaterialObjectsCount(), 2u);
  EXPECT_FALSE(mesh->HasDefaultMaterialsOnly());
  EXPECT_FLOAT_EQ(mesh->GetMaterials()[1].MatD3D.Diffuse.a, 0.5f);
  ASSERT_EQ(mesh->GetAttributeTableSize(), 2u);
  for (DWORD i = 0; i < 2; ++i) {
    EXPECT_EQ(mesh->GetAttributeTable()[i].AttribId, i);
    EXPECT_EQ(mesh->GetAttributeTable()[i].FaceStart, 6 * i);
    EXPECT_EQ(mesh->GetAttributeTable()[i].FaceCount, 6u);
  }
  // A closed cube: every edge has a face across it.
  for (DWORD i = 0; i < 36; ++i) EXPECT_NE(mesh->GetAdjacency()[i], D3DX_NO_ADJACENT_FACE) << i;
  EXPECT_EQ(D3DXValidMesh(mesh->GetMesh(), mesh->GetAdjacency(), nullptr), D3D_OK);
  EXPECT_NEAR(mesh->GetRadiusFS(), std::sqrt(3.0f), 1e-5f);
}

TEST_F(DXMeshTest, MeshWithoutFacesStaysNotReadyAndDrawsNothing) {
  const std::string path = Temporary("dxmesh_empty.x");
  std::ofstream(path) << "xof 0302txt 0032\nMesh empty { 1; 0;0;0;; 0;; }\n";
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  const auto meshes = DXMeshes(root.get());
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_FALSE(meshes[0]->IsReadyForRendering());
  EXPECT_EQ(meshes[0]->GetNumFaces(false), 0u);
  EXPECT_EQ(meshes[0]->GetMaterialsCount(), 0u);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(meshes[0]->Render(Device(), &identity, 1, 0, nullptr, &identity, nullptr, false), S_OK);
}

TEST_F(DXMeshTest, LongNamesAreKeptWhole) {
  const std::string name(400, 'n');
  const std::string path = Temporary("dxmesh_long_name.x");
  std::ofstream(path) << "xof 0302txt 0032\nMesh " << name << " { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  const auto meshes = DXMeshes(root.get());
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(std::string(meshes[0]->GetName()), name);
}

// The same file saved in each format and read back: the same meshes.
TEST_F(DXMeshTest, SavesAndReloadsInEachFormat) {
  for (DWORD format : {DXFILEFORMAT_TEXT, DXFILEFORMAT_BINARY, DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED}) {
    SCOPED_TRACE(format);
    g_appOptions.dwXFileFormat = format;
    auto root = NewRoot();
    CXFileDataList world;
    ASSERT_TRUE(Load(Fixture("mesh_cube_two_materials.x"), root.get(), world));
    const std::string path = Temporary("dxmesh_saved.x");
    ASSERT_TRUE(Save(root.get(), path, format));
    auto again = NewRoot();
    CXFileDataList world2;
    ASSERT_TRUE(Load(path, again.get(), world2));
    const auto meshes = DXMeshes(again.get());
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0]->GetNumFaces(false), 12u);
    EXPECT_EQ(meshes[0]->GetNumVertices(false), 24u);
    ASSERT_EQ(meshes[0]->GetMaterialsCount(), 2u);
    EXPECT_FLOAT_EQ(meshes[0]->GetMaterials()[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_EQ(meshes[0]->GetAttributeTableSize(), 2u);
  }
}

// The default material stands in for drawing only: saving does not add it.
TEST_F(DXMeshTest, MeshWithoutMaterialListIsSavedWithoutOne) {
  const std::string path = Temporary("dxmesh_plain.x");
  std::ofstream(path) << "xof 0302txt 0032\nMesh plain { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  const auto meshes = DXMeshes(root.get());
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0]->GetMaterialsCount(), 1u);
  EXPECT_TRUE(meshes[0]->HasDefaultMaterialsOnly());
  const std::string saved = Temporary("dxmesh_plain_saved.x");
  ASSERT_TRUE(Save(root.get(), saved, DXFILEFORMAT_TEXT));
  auto again = NewRoot();
  CXFileDataList world2;
  ASSERT_TRUE(Load(saved, again.get(), world2));
  const auto reloaded = DXMeshes(again.get());
  ASSERT_EQ(reloaded.size(), 1u);
  EXPECT_TRUE(reloaded[0]->HasDefaultMaterialsOnly());
  EXPECT_EQ(reloaded[0]->GetMaterialObjectsCount(), 0u);
}

// More SkinWeights children than the first guess of room: all are kept.
TEST_F(DXMeshTest, EverySkinWeightsChildIsFound) {
  std::string text = "xof 0302txt 0032\nMesh skinned { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
  for (int i = 0; i < 60; ++i)
    text += " SkinWeights { \"bone" + std::to_string(i) +
            "\"; 1; 0; 1.0; 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; }\n";
  text += "}\n";
  const std::string path = Temporary("dxmesh_skin.x");
  std::ofstream(path) << text;
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  const auto meshes = DXMeshes(root.get());
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0]->GetSkinWeightsCount(), 60u);
}

// The first base mesh of the kind among the frame's children.
template <class Mesh>
Mesh* FirstMesh(CFrame* frame, EBaseMeshType type) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (child->IsATemplateGUID(&GUID_BaseMesh) && static_cast<CBaseMesh*>(child)->GetMeshType() == type)
      return static_cast<Mesh*>(child);
  }
  return nullptr;
}

// A frame of Direct3D meshes gives a connectivity mesh of one group per
// material, which is written back as a Direct3D mesh of the same faces,
// materials and attribute ranges, in a frame of its kind with its counts.
TEST_F(DXMeshTest, ConnectivityFrameBuildsFromDirect3DMeshesAndWritesThemBack) {
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(Fixture("mesh_cube_two_materials.x"), root.get(), world));
  auto geoFrame = std::make_unique<CFrame>();
  ASSERT_TRUE(geoFrame->InitializeShell(root.get()));
  CDataObjectMap map;
  REDUCTIONOPTIONS options{};
  ASSERT_TRUE(geoFrame->InitializeConnectivityMeshFrame(root.get(), nullptr, map, &options, nullptr));
  auto* geo = FirstMesh<CGeoMesh>(geoFrame.get(), eBaseMeshTypeGeoMesh);
  ASSERT_NE(geo, nullptr);
  EXPECT_EQ(geo->GetMaterialsCount(), 2u);
  EXPECT_GT(geo->GetOriginalCurrentVerticesCount(), 0u);

  auto dxFrame = std::make_unique<CFrame>();
  ASSERT_TRUE(dxFrame->InitializeShell(geoFrame.get()));
  CDataObjectMap back;
  DWORD vertices = 0, faces = 0;
  ASSERT_TRUE(dxFrame->InitializeDXMeshFrame(geoFrame.get(), back, vertices, faces, Device(), &options, nullptr));
  EXPECT_EQ(dxFrame->GetFrameType(), CFrame::eDXMeshFrame);
  auto* mesh = FirstMesh<CDXMesh>(dxFrame.get(), eBaseMeshTypeDXMesh);
  ASSERT_NE(mesh, nullptr);
  EXPECT_STREQ(mesh->GetName(), "cube");
  EXPECT_TRUE(mesh->IsReadyForRendering());
  EXPECT_EQ(faces, 12u);
  EXPECT_EQ(mesh->GetNumFaces(false), 12u);
  EXPECT_EQ(vertices, mesh->GetNumVertices(false));
  EXPECT_EQ(dxFrame->GetActiveTrianglesCount(false), 12u);
  ASSERT_EQ(mesh->GetMaterialsCount(), 2u);
  EXPECT_FLOAT_EQ(mesh->GetMaterials()[1].MatD3D.Diffuse.a, 0.5f);
  ASSERT_EQ(mesh->GetAttributeTableSize(), 2u);
  for (DWORD i = 0; i < 2; ++i) {
    EXPECT_EQ(mesh->GetAttributeTable()[i].AttribId, i);
    EXPECT_EQ(mesh->GetAttributeTable()[i].FaceCount, 6u);
  }
  ASSERT_NE(mesh->GetAdjacency(), nullptr);
  EXPECT_EQ(map.GetCount(), 1);
  EXPECT_EQ(back.GetCount(), 1);

  // The counts of a tree of Direct3D meshes, recounted.
  dxFrame->SetActiveTrianglesCount(0);
  ASSERT_TRUE(dxFrame->SetDXMeshFrameMetrics(vertices, faces, nullptr));
  EXPECT_EQ(faces, 12u);
  EXPECT_EQ(dxFrame->GetActiveTrianglesCount(false), 12u);
}

// More than 65,535 faces or vertices in a Direct3D mesh ask for 32-bit
// indices; exactly 65,535 do not.
TEST_F(DXMeshTest, ThirtyTwoBitCheckLooksAtEachDirect3DMesh) {
  const struct {
    DWORD faces, vertices;
    bool needs32bit;
  } cases[] = {{1, 65535, false}, {1, 65536, true}, {65536, 3, true}, {65535, 3, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.faces << " faces, " << c.vertices << " vertices");
    auto root = NewRoot();
    auto* mesh = new CDXMesh;
    ASSERT_TRUE(mesh->Initialize(const_cast<char*>("big")));
    ID3DXMesh* d3dx = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(c.faces, c.vertices, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, Device(), &d3dx),
              D3D_OK);
    mesh->SetDataMembers(d3dx, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, false);
    auto child = std::make_unique<CFrame>();
    child->Initialize(nullptr, const_cast<char*>("child"), CFrame::eDXMeshFrame, false);
    child->AddChildObject(eOwnedChild, mesh, false);
    root->AddChildObject(eOwnedChild, child.release(), false);
    bool needs32bit = !c.needs32bit;
    EXPECT_TRUE(root->Contains32bitMeshCheck(needs32bit, nullptr));
    EXPECT_EQ(needs32bit, c.needs32bit);
  }
}

// ---------------------------------------------------------------------------
// Real files

void ForEachRealFile(const std::function<void(const fs::path&)>& visit) {
  const fs::path folder = fs::path(VOREVER_TESTDATA) / "x";
  if (!fs::exists(folder)) GTEST_SKIP() << "no real .x files in " << folder;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".x" || ext == ".X")) visit(entry.path());
  }
}

TEST_F(DXMeshTest, EveryRealFileLoadsWithTheSameFacesAndSavesInEachFormat) {
  int files = 0;
  ForEachRealFile([&](const fs::path& path) {
    SCOPED_TRACE(path.string());
    // The triangles of the X-file meshes.
    g_appOptions.bLoadDXMeshes = 0;
    auto plain = NewRoot();
    CXFileDataList plainWorld;
    ASSERT_TRUE(Load(path.string(), plain.get(), plainWorld));
    DWORD plainTriangles = 0;
    std::function<void(CXFileDataObject*)> count = [&](CXFileDataObject* object) {
      CChildObjectList& children = object->GetChildObjectList();
      for (POSITION pos = children.GetHeadPosition(); pos;) {
        CChildObject* entry = children.GetNext(pos);
        CXFileDataObject* child = entry->GetXfileDataObject();
        if (!child || entry->IsReference()) continue;
        if (child->IsATemplateGUID(&TID_D3DRMMesh)) {
          CMesh* mesh = static_cast<CMesh*>(child);
          for (DWORD f = 0; f < mesh->GetFacesCount(); ++f)
            plainTriangles += mesh->GetFaces()[f].GetFaceVertexCount() - 2;
        }
        count(child);
      }
    };
    count(plain.get());

    g_appOptions.bLoadDXMeshes = 1;
    auto root = NewRoot();
    CXFileDataList world;
    ASSERT_TRUE(Load(path.string(), root.get(), world));
    const auto meshes = DXMeshes(root.get());
    DWORD faces = 0, vertices = 0;
    for (CDXMesh* mesh : meshes) {
      faces += mesh->GetNumFaces(false);
      vertices += mesh->GetNumVertices(false);
      if (mesh->GetNumFaces(false)) {
        EXPECT_GT(mesh->GetAttributeTableSize(), 0u);
        EXPECT_TRUE(mesh->IsReadyForRendering());
      }
    }
    EXPECT_EQ(faces, plainTriangles);
    // The frames count the meshes as loaded, before welding and cleaning
    // change their vertices.
    EXPECT_EQ(root->GetActiveTrianglesCount(false), faces);
    if (faces) {
      EXPECT_GT(vertices, 0u);
    }

    for (DWORD format : {DXFILEFORMAT_TEXT, DXFILEFORMAT_BINARY, DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED}) {
      SCOPED_TRACE(format);
      g_appOptions.dwXFileFormat = format;
      const std::string saved = Temporary("dxmesh_real.x");
      ASSERT_TRUE(Save(root.get(), saved, format));
      auto again = NewRoot();
      CXFileDataList againWorld;
      ASSERT_TRUE(Load(saved, again.get(), againWorld));
      DWORD againFaces = 0;
      for (CDXMesh* mesh : DXMeshes(again.get())) againFaces += mesh->GetNumFaces(false);
      EXPECT_EQ(againFaces, faces);
    }
    ++files;
  });
  if (files) {
    EXPECT_GT(files, 8);
  }
}

}  // namespace
