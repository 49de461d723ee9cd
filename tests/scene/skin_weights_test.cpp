// Skin weights and the skin mesh header: their records in and out, the
// weight arrays, and the bounds of a bone's vertices.
#include <appoptions.h>
#include <frame.h>
#include <skinweights.h>

#include "mesh_test_support.h"
#include "test_mesh.h"

namespace {

const char kSkin[] =
    "xof 0303txt 0032\n"
    "SkinWeights weights { \"Bone 1\"; 3; 0, 2, 3; 0.25, 0.5, 1.0; "
    "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 4.0,5.0,6.0,1.0;; }\n"
    "XSkinMeshHeader header { 2; 4; 7; }\n";

std::vector<DWORD> IndicesOf(CSkinWeights& weights) {
  return std::vector<DWORD>(weights.GetVertexIndices(), weights.GetVertexIndices() + weights.GetWeightsCount());
}

std::vector<float> WeightsOf(CSkinWeights& weights) {
  return std::vector<float>(weights.GetWeights(), weights.GetWeights() + weights.GetWeightsCount());
}

template <class T>
bool RoundTrip(T& source, T& copy) {
  XFileSaver saver;
  return saver.Reload(source, copy);
}

TEST(SkinWeightsTest, RecordsLoadAndSaveBack) {
  XFileObjects objects(kSkin);
  CSkinWeights weights;
  ASSERT_TRUE(LoadObject(weights, objects[0]));
  EXPECT_STREQ(weights.GetTransformNodeName(), "Bone 1");
  EXPECT_EQ(IndicesOf(weights), (std::vector<DWORD>{0, 2, 3}));
  EXPECT_EQ(WeightsOf(weights), (std::vector<float>{0.25f, 0.5f, 1.0f}));
  EXPECT_EQ(weights.GetMatOffset()->_42, 5.0f);

  CSkinWeights copy;
  ASSERT_TRUE(RoundTrip(weights, copy));
  EXPECT_STREQ(copy.GetTransformNodeName(), "Bone 1");
  EXPECT_EQ(IndicesOf(copy), IndicesOf(weights));
  EXPECT_EQ(WeightsOf(copy), WeightsOf(weights));
  EXPECT_EQ(*copy.GetMatOffset(), *weights.GetMatOffset());

  CSkinMeshHeader header;
  ASSERT_TRUE(LoadObject(header, objects[1]));
  XFileSaver saver;
  EXPECT_EQ(saver.SavedBlock(header), BlockOf(objects[1]));
  EXPECT_EQ(header.GetNumBones(), 7);
}

TEST(SkinWeightsTest, TextSavesWriteNamesAsIdentifiers) {
  XFileObjects objects(kSkin);
  CSkinWeights weights, copy;
  ASSERT_TRUE(LoadObject(weights, objects[0]));
  const DWORD format = g_appOptions.dwXFileFormat;
  g_appOptions.dwXFileFormat |= 1;
  const bool saved = RoundTrip(weights, copy);
  g_appOptions.dwXFileFormat = format;
  ASSERT_TRUE(saved);
  EXPECT_STREQ(copy.GetTransformNodeName(), "Bone_1");
}

TEST(SkinWeightsTest, ShortRecordsFailToLoad) {
  XFileObjects objects(kSkin);
  const char* name = "Bone";
  std::vector<BYTE> blocks[] = {
      {},
      BlockBuilder().Add(name).Dwords({2, 0, 1}).Floats({0.5f, 0.5f}).Bytes(),  // no offset matrix
      BlockBuilder().Add(name).Dwords({0x20000000, 0}).Bytes(),
  };
  for (auto& block : blocks) {
    CSkinWeights weights;
    EXPECT_FALSE(LoadBlock(weights, objects[0], block));
  }
  std::vector<BYTE> empty = BlockBuilder().Add(name).Dwords({0}).Bytes();
  empty.resize(empty.size() + sizeof(D3DXMATRIX));
  CSkinWeights weights;
  EXPECT_TRUE(LoadBlock(weights, objects[0], empty));
  EXPECT_EQ(weights.GetWeightsCount(), 0u);
}

TEST(SkinWeightsTest, BindingKeepsTheBoneAndItsWorldTransform) {
  CFrame bone;
  D3DXMATRIX world;
  CSkinWeights weights;
  weights.SetInternalMembers(&bone, nullptr, &world);
  EXPECT_EQ(weights.GetBoneFrame(), &bone);
  EXPECT_EQ(weights.GetBoneWorldTransform(), &world);
}

TEST(SkinWeightsTest, WeightArraysResetGrowAndShrink) {
  CSkinWeights weights;
  for (float w : {0.0f, 0.5f, 0.0f}) weights.AddWeight(9, w);
  weights.ResizeWeights();
  EXPECT_EQ(weights.GetWeightsCount(), 3u);

  weights.ResetWeights();
  EXPECT_EQ(weights.GetWeightsCount(), 0u);
  weights.AddWeight(4, 1.0f);
  EXPECT_EQ(IndicesOf(weights), std::vector<DWORD>{4});

  weights.ResetWeights();
  for (int i = 0; i < 3; ++i) weights.AddWeight(i, 0.0f);
  weights.ResizeWeights();
  EXPECT_EQ(weights.GetWeightsCount(), 0u);
}

class SkinBoundsTest : public MeshDeviceTest {};

TEST_F(SkinBoundsTest, ABoneBoundsOnlyItsVerticesAndRejectsIndicesPastTheMesh) {
  ComRef<ID3DXMesh> mesh;
  mesh.Attach(MakeMesh(Device(), {{0, 0, 0}, {1, 2, 3}, {-1, 5, 0}, {9, 9, 9}}, {0, 1, 2, 1, 2, 3}));
  ASSERT_TRUE(mesh);
  XFileObjects objects(kSkin);
  CSkinWeights weights;
  ASSERT_TRUE(LoadObject(weights, objects[0]));  // vertices 0, 2, 3
  weights.ComputeBoneBoundingObjects(mesh.get());
  EXPECT_EQ(*weights.GetBoneBoundingBox()->GetMinFS(), D3DXVECTOR3(-1, 0, 0));
  EXPECT_EQ(*weights.GetBoneBoundingBox()->GetMaxFS(), D3DXVECTOR3(9, 9, 9));
  EXPECT_GT(weights.GetBoneBoundingSphere()->GetRadiusFS(), 0.0f);

  weights.AddWeight(4, 1.0f);
  EXPECT_FALSE(weights.ValidateVertexIndices(4));
  EXPECT_THROW(weights.ComputeBoneBoundingObjects(mesh.get()), const char*);
  EXPECT_TRUE(weights.GetBoneBoundingBox()->IsZeroSizeBox());
}

}  // namespace
