// The meshes of real .x files written by other programs.
#include <filesystem>
#include <xskinexp.h>

#include "mesh_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The skin weights of a loaded mesh whose vertex indices are all below its
// vertex count.
bool SkinWeightsFitTheMesh(CMesh& mesh) {
  POSITION pos = mesh.GetChildHeadPosition();
  while (CXFileDataObject* child = mesh.GetNextChild(pos, &DXFILEOBJ_SkinWeights, false, false))
    if (!static_cast<CSkinWeights*>(child)->ValidateVertexIndices(mesh.GetVerticesCount())) return false;
  return true;
}

class RealMeshTest : public MeshDeviceTest {
 protected:
  void SetUp() override {
    MeshDeviceTest::SetUp();
    m_folder = fs::path(VOREVER_TESTDATA) / "x";
    if (!fs::exists(m_folder)) GTEST_SKIP() << "no real files in " << m_folder;
  }
  fs::path m_folder;
};

TEST_F(RealMeshTest, EveryMeshLoadsPreparesAndSavesItsBlockBack) {
  int meshes = 0;
  for (const auto& entry : fs::directory_iterator(m_folder)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".x" && extension != ".X") continue;
    SCOPED_TRACE(entry.path().filename().string());
    XFileObjects objects(ReadFile(entry.path()));
    XFileSaver saver;
    for (size_t i = 0; i < objects.size(); ++i) {
      ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
        CMesh mesh;
        ASSERT_TRUE(LoadMeshTree(mesh, data));
        EXPECT_TRUE(PrepareMesh(mesh));
        EXPECT_TRUE(SkinWeightsFitTheMesh(mesh));
        EXPECT_EQ(saver.SavedBlock(mesh), BlockOf(data));
        ++meshes;
      });
    }
  }
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
