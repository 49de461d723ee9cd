// The X-file mesh: loading, the five preparation steps, saving and drawing.
#include <cmath>
#include <string>

#include <geo_mesh.h>

#include "mesh_test_support.h"

namespace {

const char kTriangleMesh[] = "xof 0302txt 0032\nMesh tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A mesh of the given positions (x, y, z each) and faces (corner lists).
std::vector<BYTE> MeshBlock(const std::vector<float>& positions, const std::vector<std::vector<DWORD>>& faces) {
  BlockBuilder block;
  block.Add(static_cast<DWORD>(positions.size() / 3));
  for (float p : positions) block.Add(p);
  block.Add(static_cast<DWORD>(faces.size()));
  for (const auto& face : faces) {
    block.Add(static_cast<DWORD>(face.size()));
    for (DWORD i : face) block.Add(i);
  }
  return block.Bytes();
}

class MeshTest : public MeshDeviceTest {
 protected:
  // Loads and prepares a mesh from .x text; the text's file stays open.
  bool LoadText(CMesh& mesh, const std::string& text) {
    m_objects = std::make_unique<XFileObjects>(text);
    return m_objects->size() == 1 && LoadMeshTree(mesh, (*m_objects)[0]);
  }
  // Loads a hand-made Mesh block under the name of a small mesh.
  bool LoadMeshBlock(CMesh& mesh, std::vector<BYTE> block) {
    m_objects = std::make_unique<XFileObjects>(kTriangleMesh);
    return LoadBlock(mesh, (*m_objects)[0], block);
  }

  std::unique_ptr<XFileObjects> m_objects;
};

TEST_F(MeshTest, CubeLoadsIntoMaterialGroupsIndexBuffersAndEdgeLines) {
  CMesh mesh;
  ASSERT_TRUE(LoadText(mesh, ReadFixture("mesh_cube_two_materials.x")));
  ASSERT_TRUE(PrepareMesh(mesh));

  EXPECT_EQ(mesh.GetVerticesCount(), 8u);
  EXPECT_EQ(mesh.GetFacesCount(), 6u);
  EXPECT_TRUE(mesh.IsReadyForRendering());
  EXPECT_NEAR(mesh.GetRadiusFS(), std::sqrt(3.0f), 1e-5f);
  ASSERT_EQ(mesh.GetMaterialsCount(), 2u);
  ASSERT_EQ(mesh.GetMeshVerticesGroupCount(), 2u);

  const char* names[] = {"red", "glass"};
  // Faces 0, 2, 4 are red, 1, 3, 5 glass; each quad fans into (0, 1, 2) and (0, 2, 3).
  const std::vector<DWORD> expected[] = {{0, 1, 2, 0, 2, 3, 4, 5, 1, 4, 1, 0, 1, 5, 6, 1, 6, 2},
                                         {7, 6, 5, 7, 5, 4, 3, 2, 6, 3, 6, 7, 4, 0, 3, 4, 3, 7}};
  for (DWORD m = 0; m < 2; ++m) {
    CMeshVerticesGroup& group = mesh.GetMeshVerticesGroup()[m];
    SCOPED_TRACE(names[m]);
    EXPECT_STREQ(group.GetMaterial()->GetName(), names[m]);
    EXPECT_EQ(group.GetMaterial(), mesh.GetMaterials()[m]);
    EXPECT_FALSE(group.Uses32BitIndices());
    EXPECT_EQ(ReadIndices(group.GetIndexBuffer()), expected[m]);
    ASSERT_TRUE(group.IsEdgesLineReady());
    EXPECT_EQ(group.GetEdgesLineChunksCount(), 1u);
    EXPECT_EQ(group.GetEdgesLineVerticesCount(), 18u);
    const std::vector<DWORD> lines = ReadIndices(group.GetEdgesLineIndexBuffer(0));
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(std::vector<DWORD>(lines.end() - 6, lines.end()), (std::vector<DWORD>{15, 16, 16, 17, 17, 15}));
  }

  // A shared vertex keeps the normal of the last face naming it; texture
  // coordinates go to their vertex.
  const std::vector<D3DVERTEX> vertices = ReadVertices(mesh.GetVertexBuffer());
  EXPECT_EQ(vertices[1].ny, 1.0f);  // face 4, the top
  EXPECT_EQ(vertices[7].ny, -1.0f);  // face 5, the bottom
  EXPECT_EQ(vertices[6].tu, 0.75f);
  EXPECT_EQ(vertices[6].tv, 0.0f);

  EXPECT_EQ(mesh.Render(Device(), 1, 0, nullptr), S_OK);
  EXPECT_EQ(mesh.Render(Device(), 0, 1, nullptr), S_OK);
}

TEST_F(MeshTest, GroupsFollowTheMaterialList) {
  const std::string cube = ReadFixture("mesh_cube_two_materials.x");
  struct Case {
    const char* what;
    std::string text;
    DWORD groups;
    const char* firstMaterial;
  } cases[] = {
      {"no material list", cube.substr(0, cube.find(" MeshMaterialList")) + "}\n", 1, ""},
      {"face indexes that differ from the faces", Replaced(cube, "  6;\n  0,1,0,1,0,1;;", "  1;\n  1;;"), 1, "red"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMesh mesh;
    ASSERT_TRUE(LoadText(mesh, c.text));
    ASSERT_TRUE(PrepareMesh(mesh));
    ASSERT_EQ(mesh.GetMeshVerticesGroupCount(), c.groups);
    EXPECT_EQ(mesh.GetMeshVerticesGroup()[0].GetIndicesCount(), 36u);
    EXPECT_STREQ(mesh.GetMeshVerticesGroup()[0].GetMaterial()->GetName(), c.firstMaterial);
    ASSERT_NE(mesh.GetMeshMaterialList(), nullptr);
  }
}

TEST_F(MeshTest, EdgeLinesComeInChunksOf21845Triangles) {
  CMesh mesh;
  ASSERT_TRUE(LoadMeshBlock(mesh, MeshBlock({0, 0, 0, 1, 0, 0, 0, 1, 0}, std::vector<std::vector<DWORD>>(
                                                                               21846, std::vector<DWORD>{0, 1, 2}))));
  ASSERT_TRUE(PrepareMesh(mesh));
  CMeshVerticesGroup& group = mesh.GetMeshVerticesGroup()[0];
  ASSERT_EQ(group.GetEdgesLineChunksCount(), 2u);
  EXPECT_EQ(ReadIndices(group.GetEdgesLineIndexBuffer(0)).size(), 6u * 21845);
  EXPECT_EQ(ReadIndices(group.GetEdgesLineIndexBuffer(1)), (std::vector<DWORD>{0, 1, 1, 2, 2, 0}));

  // The lines float radius / 400 above the triangle, along its normal (+z).
  const std::vector<D3DVERTEX> lifted = ReadVertices(group.GetEdgesLineVertexBuffer(1));
  ASSERT_EQ(lifted.size(), 3u);
  EXPECT_FLOAT_EQ(lifted[1].x, 1.0f);
  EXPECT_FLOAT_EQ(lifted[1].z, mesh.GetRadiusFS() / 400.0f);
  EXPECT_EQ(lifted[1].nx + lifted[1].ny + lifted[1].nz + lifted[1].tu + lifted[1].tv, 0.0f);
}

TEST_F(MeshTest, MoreVerticesThan16BitsCanNumberGet32BitIndices) {
  std::vector<float> positions(3 * 65537, 0.0f);
  positions[3 * 65535] = 1.0f;
  positions[3 * 65536 + 1] = 1.0f;
  CMesh mesh;
  ASSERT_TRUE(LoadMeshBlock(mesh, MeshBlock(positions, {{0, 65535, 65536}})));
  ASSERT_TRUE(PrepareMesh(mesh));
  CMeshVerticesGroup& group = mesh.GetMeshVerticesGroup()[0];
  EXPECT_TRUE(group.Uses32BitIndices());
  EXPECT_EQ(ReadIndices(group.GetIndexBuffer()), (std::vector<DWORD>{0, 65535, 65536}));
  EXPECT_EQ(group.GetEdgesLineVerticesCount(), 3u);
}

TEST_F(MeshTest, MalformedMeshBlocksFailCleanly) {
  const std::vector<float> triangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  struct Case {
    const char* what;
    std::vector<BYTE> block;
  } cases[] = {
      {"face index at the vertex count", MeshBlock(triangle, {{0, 1, 3}})},
      {"face of two corners", MeshBlock(triangle, {{0, 1}})},
      {"empty block", {}},
      {"positions shorter than their count", BlockBuilder().Dwords({3}).Floats({0, 0, 0, 1, 0, 0}).Bytes()},
      {"vertex count past any memory", BlockBuilder().Dwords({0xFFFFFFFF}).Floats({0, 0, 0}).Bytes()},
      {"fewer faces than their count", BlockBuilder().Dwords({1}).Floats({0, 0, 0}).Dwords({2, 3, 0, 0, 0}).Bytes()},
      {"corners past the block", BlockBuilder().Dwords({1}).Floats({0, 0, 0}).Dwords({1, 4, 0, 0, 0}).Bytes()},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMesh mesh;
    EXPECT_FALSE(LoadMeshBlock(mesh, c.block));
    EXPECT_EQ(mesh.GetVerticesCount(), 0u);
    EXPECT_EQ(mesh.GetVertexBuffer(), nullptr);
    EXPECT_FALSE(mesh.IsReadyForRendering());
    EXPECT_EQ(mesh.Render(Device(), 0, 0, nullptr), S_OK);
  }
}

TEST_F(MeshTest, PartsThatDoNotMatchTheMeshFailItsPreparation) {
  const std::string cube = ReadFixture("mesh_cube_two_materials.x");
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      // The file claims three materials and holds two: the loader's count is 2.
      {"material index past the materials", Replaced(cube, "  2;\n  6;\n  0,1,0,1,0,1;;", "  3;\n  6;\n  0,1,0,1,0,2;;")},
      {"fewer normal records than faces", Replaced(cube, "  6;\n  4;0,0,0,0;,", "  5;\n")},
      {"a normal record of fewer corners than its face", Replaced(cube, "4;5,5,5,5;;", "3;5,5,5;;")},
      {"fewer texture coordinates than vertices", Replaced(cube, "  8;\n  0.0;1.0;,", "  7;\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMesh mesh;
    ASSERT_TRUE(LoadText(mesh, c.text));
    EXPECT_FALSE(PrepareMesh(mesh));
  }
}

TEST_F(MeshTest, SaveWritesTheBlockItLoaded) {
  XFileObjects objects(ReadFixture("mesh_cube_two_materials.x"));
  CMesh mesh;
  ASSERT_TRUE(LoadMeshTree(mesh, objects[0]));
  XFileSaver saver;
  EXPECT_EQ(saver.SavedBlock(mesh), BlockOf(objects[0]));
  EXPECT_EQ(saver.SavedBlock(*mesh.GetMeshNormals()).size(), 4 + 6 * 12 + 4 + 6 * 20u);
  std::vector<char*> metrics(mesh.GetMetrics(), mesh.GetMetrics() + mesh.GetMetricsCount());
  ASSERT_EQ(metrics.size(), 4u);
  EXPECT_STREQ(metrics[2], "Vertices count: 8");
  EXPECT_STREQ(metrics[3], "Faces count: 6");
}

}  // namespace

namespace {

TEST_F(MeshTest, HandsItsTrianglesAndMaterialsToTheConnectivityMesh) {
  CMesh mesh;
  ASSERT_TRUE(LoadText(mesh, ReadFixture("mesh_cube_two_materials.x")));
  ASSERT_TRUE(PrepareMesh(mesh));
  CGeoMesh geo;
  ASSERT_TRUE(mesh.InitializeClone(&geo, nullptr, nullptr, nullptr));
  EXPECT_EQ(geo.GetMaterialsCount(), 2u);
  EXPECT_EQ(geo.GetUnlitVerticesCount(), 8u);

  CMesh empty;
  EXPECT_FALSE(empty.InitializeClone(&geo, nullptr, nullptr, nullptr));
}

// A mesh that the reduced copy will replace frees its faces, vertices,
// groups and normals' arrays in the build, and keeps its name and parts. One
// that gives the build no triangle (it keeps its place) keeps all it has.
TEST_F(MeshTest, AMeshThatTheReducedCopyReplacesFreesWhatTheBuildRead) {
  const std::string line =
      "xof 0302txt 0032\nMesh line {\n 3;\n 0.0;0.0;1.0;,\n 1.0;0.0;1.0;,\n 2.0;0.0;1.0;;\n 1;\n 3;0,1,2;;\n"
      " MeshNormals {\n  1;\n  0.0;0.0;1.0;;\n  1;\n  3;0,0,0;;\n }\n}\n";
  const struct {
    std::string text;
    bool replaced;
  } cases[] = {{ReadFixture("mesh_cube_two_materials.x"), true}, {line, false}};
  for (const auto& c : cases) {
    CMesh mesh;
    ASSERT_TRUE(LoadText(mesh, c.text));
    ASSERT_TRUE(PrepareMesh(mesh));
    mesh.SetReplacedByReducedCopy(true);
    const std::string name = mesh.GetName();
    const DWORD vertices = mesh.GetVerticesCount(), faces = mesh.GetFacesCount();
    const DWORD normals = mesh.GetMeshNormals()->GetFacesCount();
    CGeoMesh geo;
    ASSERT_TRUE(mesh.InitializeClone(&geo, nullptr, nullptr, nullptr)) << name;
    EXPECT_EQ(geo.GetOriginalCurrentVerticesCount() > 0, c.replaced) << name;
    EXPECT_EQ(mesh.GetName(), name);
    EXPECT_EQ(mesh.GetVerticesCount(), c.replaced ? 0 : vertices) << name;
    EXPECT_EQ(mesh.GetVertexBuffer() != nullptr, !c.replaced) << name;
    EXPECT_EQ(mesh.GetFacesCount(), c.replaced ? 0 : faces) << name;
    EXPECT_EQ(mesh.GetMeshVerticesGroupCount() > 0, !c.replaced) << name;
    ASSERT_NE(mesh.GetMeshNormals(), nullptr) << name;
    EXPECT_EQ(mesh.GetMeshNormals()->GetFacesCount(), c.replaced ? 0 : normals) << name;
  }
}

}  // namespace

namespace {

D3DMATERIAL8 DeviceMaterial(IDirect3DDevice8* device) {
  D3DMATERIAL8 material{};
  device->GetMaterial(&material);
  return material;
}

// The glass group (diffuse alpha 0.5) draws only in the transparent pass;
// edge lines follow their own material and never draw over wireframe.
TEST_F(MeshTest, GroupsAndEdgeLinesDrawInTheirPass) {
  CMesh mesh;
  ASSERT_TRUE(LoadText(mesh, ReadFixture("mesh_cube_two_materials.x")));
  ASSERT_TRUE(PrepareMesh(mesh));
  CMeshVerticesGroup& glass = mesh.GetMeshVerticesGroup()[1];
  D3DMATERIAL8 marker{};
  marker.Power = 42;
  struct Case {
    int opaqueOnly, transparentOnly;
    bool drawn;
  } passes[] = {{1, 0, false}, {0, 1, true}, {0, 0, true}};
  for (const Case& pass : passes) {
    Device()->SetMaterial(&marker);
    EXPECT_EQ(glass.Render(Device(), 8, mesh.GetVertexBuffer(), pass.opaqueOnly, pass.transparentOnly, nullptr), S_OK);
    EXPECT_EQ(DeviceMaterial(Device()).Power == 42, !pass.drawn);
  }

  D3DMATERIAL8 edges{};
  edges.Diffuse.a = 1.0f;
  edges.Power = 7;
  Device()->SetRenderState(D3DRS_ZBIAS, 2);
  Device()->SetMaterial(&marker);
  EXPECT_EQ(glass.RenderEdgesLine(Device(), 0, 1, &edges), S_OK);
  EXPECT_EQ(DeviceMaterial(Device()).Power, 42.0f);
  EXPECT_EQ(glass.RenderEdgesLine(Device(), 1, 0, &edges), S_OK);
  EXPECT_EQ(DeviceMaterial(Device()).Power, 7.0f);
  DWORD zBias = 0;
  Device()->GetRenderState(D3DRS_ZBIAS, &zBias);
  EXPECT_EQ(zBias, 2u);

  Device()->SetMaterial(&marker);
  Device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  EXPECT_EQ(glass.RenderEdgesLine(Device(), 0, 0, &edges), S_OK);
  EXPECT_EQ(DeviceMaterial(Device()).Power, 42.0f);
}

}  // namespace
