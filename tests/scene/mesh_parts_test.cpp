// The parts of an X-file mesh: their blocks in and out, malformed blocks,
// the value records, and the grouping of faces by material.
#include <basemesh.h>

#include <algorithm>

#include "mesh_test_support.h"

namespace {

const char kParts[] =
    "xof 0302txt 0032\n"
    "MeshFaceWraps wraps { 2; 1;0;, 0;1;; }\n"
    "MeshTextureCoords coords { 3; 0.5;0.25;, 1.0;0.0;, 0.0;1.0;; }\n"
    "MeshVertexColors colors { 2; 0;1.0;0.5;0.25;1.0;;, 1;0.0;0.0;1.0;0.5;;; }\n"
    "MeshMaterialList materials { 2; 3; 0,1,1;; }\n"
    "MeshNormals normals { 2; 0.0;0.0;1.0;, 0.0;1.0;0.0;; 2; 3;0,0,1;, 4;1,1,0,0;; }\n";

enum EPart { eWraps, eCoords, eColors, eMaterials, eNormals };

TEST(MeshPartsTest, EachPartSavesTheBlockItLoaded) {
  XFileObjects objects(kParts);
  ASSERT_EQ(objects.size(), 5u);
  XFileSaver saver;
  CMeshFaceWraps wraps;
  CMeshTextureCoords coords;
  CMeshVertexColors colors;
  CMeshMaterialList materials;
  CMeshNormals normals;
  ASSERT_TRUE(LoadObject(wraps, objects[eWraps]));
  ASSERT_TRUE(LoadObject(coords, objects[eCoords]));
  ASSERT_TRUE(LoadObject(colors, objects[eColors]));
  ASSERT_TRUE(LoadObject(materials, objects[eMaterials]));
  ASSERT_TRUE(LoadObject(normals, objects[eNormals]));

  EXPECT_EQ(saver.SavedBlock(wraps), BlockOf(objects[eWraps]));
  EXPECT_EQ(saver.SavedBlock(coords), BlockOf(objects[eCoords]));
  EXPECT_EQ(saver.SavedBlock(colors), BlockOf(objects[eColors]));
  EXPECT_EQ(saver.SavedBlock(materials), BlockOf(objects[eMaterials]));
  EXPECT_EQ(saver.SavedBlock(normals), BlockOf(objects[eNormals]));

  EXPECT_TRUE(wraps.GetFaceWrapValues()[0].GetU());
  EXPECT_FALSE(wraps.GetFaceWrapValues()[0].GetV());
  EXPECT_EQ(coords.GetTextureCoords()[0].GetV(), 0.25f);
  EXPECT_EQ(colors.GetIndexedColor()[1].GetVertexIndex(), 1u);
  EXPECT_EQ(colors.GetIndexedColor()[1].GetVertexColor()->a, 0.5f);
  EXPECT_EQ(materials.GetFaceMaterialIndices()[2], 1u);
  EXPECT_EQ(normals.GetMeshFaces()[1].GetFaceVertexCount(), 4u);
  EXPECT_STREQ(normals.GetName(), "normals");
}

// The registered Boolean template holds a WORD; blocks of DWORD flags load too.
TEST(MeshPartsTest, FaceWrapsReadWordOrDwordFlagsAndOnlyOneIsTrue) {
  XFileObjects objects("xof 0302txt 0032\nMeshFaceWraps { 1; 2;1;; }\n");
  XFileSaver saver;
  const std::vector<BYTE> saved = BlockBuilder().Dwords({1}).Add<WORD>(0).Add<WORD>(1).Bytes();
  CMeshFaceWraps wraps;
  ASSERT_TRUE(LoadObject(wraps, objects[0]));
  EXPECT_EQ(saver.SavedBlock(wraps), saved);
  std::vector<BYTE> dwordFlags = BlockBuilder().Dwords({1, 2, 1}).Bytes();
  ASSERT_TRUE(LoadBlock(wraps, objects[0], dwordFlags));
  EXPECT_EQ(saver.SavedBlock(wraps), saved);
}

TEST(MeshPartsTest, MalformedBlocksFailToLoad) {
  XFileObjects objects(kParts);
  struct Case {
    const char* what;
    EPart part;
    std::vector<BYTE> block;
  } cases[] = {
      {"face wraps shorter than their count", eWraps, BlockBuilder().Dwords({2, 1}).Bytes()},
      {"coordinates shorter than their count", eCoords, BlockBuilder().Dwords({3}).Floats({0, 0, 1, 1}).Bytes()},
      {"colour count past any memory", eColors, BlockBuilder().Dwords({0x40000000, 0}).Bytes()},
      {"material index at the material count", eMaterials, BlockBuilder().Dwords({2, 2, 0, 2}).Bytes()},
      {"face indexes shorter than their count", eMaterials, BlockBuilder().Dwords({2, 3, 0, 1}).Bytes()},
      {"normal index at the normal count", eNormals,
       BlockBuilder().Dwords({1}).Floats({0, 0, 1}).Dwords({1, 3, 0, 0, 1}).Bytes()},
      {"normal record of two corners", eNormals, BlockBuilder().Dwords({1}).Floats({0, 0, 1}).Dwords({1, 2, 0, 0}).Bytes()},
      {"normal records shorter than their count", eNormals,
       BlockBuilder().Dwords({1}).Floats({0, 0, 1}).Dwords({2, 3, 0, 0, 0}).Bytes()},
      {"empty block", eNormals, {}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<CXFileDataObject> part;
    switch (c.part) {
      case eWraps: part = std::make_unique<CMeshFaceWraps>(); break;
      case eCoords: part = std::make_unique<CMeshTextureCoords>(); break;
      case eColors: part = std::make_unique<CMeshVertexColors>(); break;
      case eMaterials: part = std::make_unique<CMeshMaterialList>(); break;
      case eNormals: part = std::make_unique<CMeshNormals>(); break;
    }
    EXPECT_FALSE(LoadBlock(*part, objects[c.part], c.block));
  }
}

TEST(MeshPartsTest, ValueRecords) {
  CIndexedColor color;
  color.SetVertexColor(0x80FF0000);
  EXPECT_EQ(color.GetVertexColor()->r, 1.0f);
  EXPECT_EQ(color.GetVertexColor()->g, 0.0f);
  EXPECT_FLOAT_EQ(color.GetVertexColor()->a, 128.0f / 255.0f);

  CMeshFace face;
  const DWORD corners[] = {4, 5, 6, 7};
  ASSERT_TRUE(face.SetMeshFace(4, corners));
  EXPECT_EQ(face.GetTriangleIndicesCount(), 6u);
  EXPECT_EQ(face.GetDataObjectSize(), 24u);
  EXPECT_TRUE(face.IndicesBelow(8));
  EXPECT_FALSE(face.IndicesBelow(7));
  ASSERT_TRUE(face.SetMeshFace(2, corners));
  EXPECT_EQ(face.GetTriangleIndicesCount(), 0u);
  // More corners than a record holds inside it, then fewer again.
  const DWORD hexagon[] = {9, 8, 7, 6, 5, 4};
  ASSERT_TRUE(face.SetMeshFace(6, hexagon));
  EXPECT_TRUE(std::equal(hexagon, hexagon + 6, face.GetFaceVertexIndices()));
  ASSERT_TRUE(face.SetMeshFace(3, corners));
  EXPECT_TRUE(std::equal(corners, corners + 3, face.GetFaceVertexIndices()));

  CGroupedFacesIndex faces;
  faces.IncrementMaxFacesCount();
  ASSERT_TRUE(faces.Initialize());
  EXPECT_TRUE(faces.AddFaceIndex(3));
  EXPECT_FALSE(faces.AddFaceIndex(4));
  EXPECT_EQ(faces.GetCurrentFacesCount(), 1u);
}

TEST(MeshPartsTest, OneMaterialListCopiesItsMaterial) {
  CMaterial material;
  ASSERT_TRUE(material.Initialize());
  CMeshMaterialList list;
  ASSERT_TRUE(list.InitializeOneMaterialList(&material, nullptr, nullptr));
  EXPECT_EQ(list.GetMaterialsCount(), 1u);
  EXPECT_EQ(list.GetFacesCount(), 1u);
  POSITION pos = list.GetChildHeadPosition();
  CMaterial* copy = list.GetNextMaterial(pos);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, &material);
  EXPECT_EQ(copy->GetMaterial()->Diffuse.a, material.GetMaterial()->Diffuse.a);
  EXPECT_EQ(list.GetNextMaterial(pos), nullptr);
  XFileSaver saver;
  EXPECT_EQ(saver.SavedBlock(list), BlockBuilder().Dwords({1, 1, 0}).Bytes());
}

// Faces 0 (a quad) and 2 use material 2, face 1 material 0; material 1 is unused.
TEST(MeshPartsTest, FacesGroupIntoTriangleListsPerMaterial) {
  CMeshFace faces[3];
  const DWORD quad[] = {0, 1, 2, 3}, triangle[] = {4, 5, 70000}, other[] = {6, 7, 8};
  faces[0].SetMeshFace(4, quad);
  faces[1].SetMeshFace(3, other);
  faces[2].SetMeshFace(3, triangle);
  DWORD materials[] = {2, 0, 2};
  CBaseMesh mesh;
  ASSERT_TRUE(mesh.Initialize(nullptr));
  CGroupedTrianglesVertexIndices* groups = nullptr;
  ASSERT_TRUE(mesh.CreateMaterialTrianglesGroups(&groups, 3, faces, 3, materials, 3, nullptr));
  auto indices = [&](DWORD m) {
    return std::vector<DWORD>(groups[m].GetTrianglesVertexIndices(),
                              groups[m].GetTrianglesVertexIndices() + groups[m].GetTrianglesVertexIndicesCount());
  };
  EXPECT_EQ(indices(0), (std::vector<DWORD>{6, 7, 8}));
  EXPECT_EQ(indices(1), std::vector<DWORD>{});
  EXPECT_EQ(indices(2), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 4, 5, 70000}));
  delete[] groups;

  materials[1] = 3;
  groups = nullptr;
  EXPECT_FALSE(mesh.CreateMaterialTrianglesGroups(&groups, 3, faces, 3, materials, 3, nullptr));
  EXPECT_EQ(groups, nullptr);
}

}  // namespace
