// The meshes of real .x files written by other programs.
#include <filesystem>
#include <xskinexp.h>

#include "mesh_test_support.h"

namespace {

namespace fs = std::filesystem;

// The skin weights of a loaded mesh whose vertex indices are all below its
// vertex count.
bool SkinWeightsFitTheMesh(CMesh& mesh) {
  POSITION pos = mesh.GetChildHeadPosition();
  while (CXFileDataObject* child = mesh.GetNextChild(pos, &DXFILEOBJ_SkinWeights, false, false))
    if (!static_cast<CSkinWeights*>(child)->ValidateVertexIndices(mesh.GetVerticesCount())) return false;
  return true;
}

TEST_F(RealMeshTest, EveryMeshLoadsPreparesAndSavesItsBlockBack) {
  int meshes = 0;
  XFileSaver saver;
  ForEachRealMesh([&](const std::string& file, IDirectXFileData* data) {
    SCOPED_TRACE(file);
    CMesh mesh;
    ASSERT_TRUE(LoadMeshTree(mesh, data));
    EXPECT_TRUE(PrepareMesh(mesh));
    EXPECT_TRUE(SkinWeightsFitTheMesh(mesh));
    EXPECT_EQ(saver.SavedBlock(mesh), BlockOf(data));
    ++meshes;
  });
  EXPECT_GT(meshes, 10);
}

TEST_F(RealMeshTest, SkinWeightsPastTheVertexCountAreFound) {
  const fs::path path = m_folder / "malformed" / "malformed_skinweights_oob.x";
  if (!fs::exists(path)) GTEST_SKIP();
  XFileObjects objects(ReadFile(path));
  bool found = false;
  for (size_t i = 0; i < objects.size(); ++i) {
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      found = found || !SkinWeightsFitTheMesh(mesh);
    });
  }
  EXPECT_TRUE(found);
}

}  // namespace
