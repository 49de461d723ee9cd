#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "test_mesh.h"

using SkinMesh = DeviceTest;

namespace {

// A strip of four faces along x (x = 0, 1, 2; y = 0, 1) moved by two bones:
// bone 0 holds x = 0 and half of x = 1, bone 1 the other half and x = 2. The
// first two faces carry attribute 0, the last two attribute 1.
const std::vector<D3DXVECTOR3> kStrip = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}};
const std::vector<DWORD> kStripFaces = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5};
const std::vector<DWORD> kStripAttributes = {0, 0, 1, 1};
const std::vector<DWORD> kBone0 = {0, 1, 2, 3};
const std::vector<float> kBone0Weights = {1, 1, 0.5f, 0.5f};
const std::vector<DWORD> kBone1 = {2, 3, 4, 5};
const std::vector<float> kBone1Weights = {0.5f, 0.5f, 1, 1};

ID3DXSkinMesh* MakeStripSkin(IDirect3DDevice8* device) {
  ComRef<ID3DXMesh> source(MakeMesh(device, kStrip, kStripFaces, kStripAttributes));
  ID3DXSkinMesh* skin = nullptr;
  EXPECT_EQ(D3DXCreateSkinMeshFVF(4, 6, 2, D3DXMESH_SYSTEMMEM, source->GetFVF(), device, &skin), D3D_OK);
  if (!skin) return nullptr;
  BYTE *from = nullptr, *to = nullptr;
  DWORD *fromAttributes = nullptr, *toAttributes = nullptr;
  source->LockVertexBuffer(0, &from);
  skin->LockVertexBuffer(0, &to);
  std::memcpy(to, from, 6 * sizeof(MeshVertex));
  source->LockIndexBuffer(0, &from);
  skin->LockIndexBuffer(0, &to);
  std::memcpy(to, from, 12 * sizeof(WORD));
  source->LockAttributeBuffer(0, &fromAttributes);
  skin->LockAttributeBuffer(0, &toAttributes);
  std::memcpy(toAttributes, fromAttributes, 4 * sizeof(DWORD));
  source->UnlockVertexBuffer(), skin->UnlockVertexBuffer();
  source->UnlockIndexBuffer(), skin->UnlockIndexBuffer();
  source->UnlockAttributeBuffer(), skin->UnlockAttributeBuffer();
  EXPECT_EQ(skin->SetBoneInfluence(0, 4, kBone0.data(), kBone0Weights.data()), D3D_OK);
  EXPECT_EQ(skin->SetBoneInfluence(1, 4, kBone1.data(), kBone1Weights.data()), D3D_OK);
  return skin;
}

}  // namespace

TEST_F(SkinMesh, CountsBonesAndInfluences) {
  ComRef<ID3DXSkinMesh> skin(MakeStripSkin(m_device.get()));
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->GetNumBones(), 2u);
  DWORD perVertex = 0, perFace = 0;
  EXPECT_EQ(skin->GetMaxVertexInfluences(&perVertex), D3D_OK);
  EXPECT_EQ(skin->GetMaxFaceInfluences(&perFace), D3D_OK);
  EXPECT_EQ(perVertex, 2u);
  EXPECT_EQ(perFace, 2u);
  ASSERT_EQ(skin->GetNumBoneInfluences(1), 4u);
  DWORD vertices[4];
  float weights[4];
  EXPECT_EQ(skin->GetBoneInfluence(1, vertices, weights), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(vertices, vertices + 4), kBone1);
  // A vertex past the geometry or a bone past the count is refused.
  const DWORD outside = 6;
  const float one = 1.0f;
  EXPECT_EQ(skin->SetBoneInfluence(0, 1, &outside, &one), D3DERR_INVALIDCALL);
  EXPECT_EQ(skin->SetBoneInfluence(2, 1, vertices, &one), D3DERR_INVALIDCALL);
}

// The blended mesh's weights and palette slots give back every vertex's
// bones and weights.
TEST_F(SkinMesh, IndexedBlendedMeshHoldsTheInfluences) {
  ComRef<ID3DXSkinMesh> skin(MakeStripSkin(m_device.get()));
  ASSERT_TRUE(skin);
  DWORD numCombinations = 0;
  ComRef<ID3DXBuffer> combinations, remap;
  ComRef<ID3DXMesh> blended;
  ASSERT_EQ(skin->ConvertToIndexedBlendedMesh(D3DXMESH_SYSTEMMEM, nullptr, 2, nullptr, &numCombinations,
                                              &combinations, nullptr, &remap, &blended),
            D3D_OK);
  EXPECT_EQ(blended->GetFVF(), static_cast<DWORD>(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL));
  ASSERT_EQ(numCombinations, 2u);
  auto* table = static_cast<D3DXBONECOMBINATION*>(combinations->GetBufferPointer());
  const std::vector<D3DXATTRIBUTERANGE> ranges = Table(blended.get());
  ASSERT_EQ(ranges.size(), 2u);
  for (DWORD c = 0; c < 2; ++c) {
    EXPECT_EQ(table[c].AttribId, c);
    EXPECT_EQ(table[c].FaceStart, ranges[c].FaceStart);
    EXPECT_EQ(table[c].VertexStart, ranges[c].VertexStart);
    EXPECT_EQ(table[c].VertexCount, ranges[c].VertexCount);
  }
  const auto* oldOf = static_cast<DWORD*>(remap->GetBufferPointer());
  std::map<std::pair<DWORD, DWORD>, float> found;  // (bone, old vertex) → weight
  BYTE* data = nullptr;
  ASSERT_EQ(blended->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  const UINT stride = 12 + 8 + 12;
  for (DWORD c = 0; c < 2; ++c) {
    for (DWORD v = table[c].VertexStart; v < table[c].VertexStart + table[c].VertexCount; ++v) {
      float w0;
      BYTE slots[4];
      std::memcpy(&w0, data + v * stride + 12, 4);
      std::memcpy(slots, data + v * stride + 16, 4);
      for (auto [slot, w] : {std::pair{slots[0], w0}, std::pair{slots[1], 1.0f - w0}}) {
        if (w == 0.0f) continue;
        ASSERT_LT(slot, 2);
        found[{table[c].BoneId[slot], oldOf[v]}] = w;
      }
    }
  }
  blended->UnlockVertexBuffer();
  std::map<std::pair<DWORD, DWORD>, float> expected;
  for (size_t i = 0; i < 4; ++i) {
    expected[{0u, kBone0[i]}] = kBone0Weights[i];
    expected[{1u, kBone1[i]}] = kBone1Weights[i];
  }
  EXPECT_EQ(found, expected);
}

TEST_F(SkinMesh, FaceWhoseBonesDoNotFitThePaletteFails) {
  ComRef<ID3DXSkinMesh> skin(MakeStripSkin(m_device.get()));
  ASSERT_TRUE(skin);
  DWORD numCombinations = 0;
  ComRef<ID3DXBuffer> combinations;
  ComRef<ID3DXMesh> blended;
  EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(D3DXMESH_SYSTEMMEM, nullptr, 1, nullptr, &numCombinations,
                                              &combinations, nullptr, nullptr, &blended),
            D3DXERR_TOOMANYINFLUENCES);
  EXPECT_FALSE(blended);
}

// Bone 1 lifted by one: its own vertices follow wholly, the shared ones half.
TEST_F(SkinMesh, SkinnedMeshFollowsTheBones) {
  ComRef<ID3DXSkinMesh> skin(MakeStripSkin(m_device.get()));
  ASSERT_TRUE(skin);
  ComRef<ID3DXMesh> posed;
  ASSERT_EQ(skin->GenerateSkinnedMesh(D3DXMESH_SYSTEMMEM, 0.0f, nullptr, nullptr, nullptr, nullptr, &posed), D3D_OK);
  D3DXMATRIX bones[2];
  D3DXMatrixIdentity(&bones[0]);
  D3DXMatrixTranslation(&bones[1], 0, 0, 1);
  ASSERT_EQ(skin->UpdateSkinnedMesh(bones, nullptr, posed.get()), D3D_OK);
  const std::vector<MeshVertex> vertices = Vertices(posed.get());
  ASSERT_EQ(vertices.size(), 6u);
  const float z[] = {0, 0, 0.5f, 0.5f, 1, 1};
  for (size_t v = 0; v < 6; ++v) {
    EXPECT_FLOAT_EQ(vertices[v].position.z, z[v]) << v;
    EXPECT_FLOAT_EQ(vertices[v].position.x, kStrip[v].x) << v;
  }
  ComRef<ID3DXMesh> original;
  ASSERT_EQ(skin->GetOriginalMesh(&original), D3D_OK);
  EXPECT_FLOAT_EQ(Vertices(original.get())[5].position.z, 0.0f);
}
