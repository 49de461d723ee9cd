// Skinned Direct3D meshes on a two-bone strip of our own: binding, the
// palette table, bounds in the pose, weights read back from the blended
// vertices, saving, drawing states and the failure of a weights update.
#include <algorithm>
#include <cmath>
#include <set>

#include <dxpmesh.h>

#include "skin_test_support.h"

using namespace xfile_test;
using namespace skin_test;

namespace {

class DXMeshSkinTest : public XFileSaveTest {
 protected:
  void SetUp() override {
    XFileSaveTest::SetUp();
    g_appOptions.bLoadDXMeshes = 1;
  }
  // Loads the fixture (its text changed by edit) and finds the strip.
  std::unique_ptr<SLoadedScene> LoadStrip(const std::function<void(std::string&)>& edit = {}) {
    std::string text = ReadFixture("skin_two_bones.x");
    if (edit) edit(text);
    auto scene = LoadScene(WriteText("strip.x", text));
    const std::vector<CDXMesh*> meshes = DXMeshes(scene->root.get());
    EXPECT_EQ(meshes.size(), 1u);
    m_strip = meshes.empty() ? nullptr : meshes[0];
    return scene;
  }
  DWORD State(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    Device()->GetRenderState(state, &value);
    return value;
  }

  // The live progressive mesh of a scene, NULL when it has none.
  static CDXPMesh* ProgressiveMeshOf(SLoadedScene& scene) {
    CDXPMesh* pmesh = nullptr;
    Walk(scene.root.get(), [&](CXFileDataObject* o) {
      if (!o->IsDeleted() && o->IsATemplateGUID(&GUID_BaseMesh) &&
          static_cast<CBaseMesh*>(o)->GetMeshType() == eBaseMeshTypeDXPMesh)
        pmesh = static_cast<CDXPMesh*>(o);
    });
    return pmesh;
  }

  CDXMesh* m_strip = nullptr;
};

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

bool Near(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  for (int i = 0; i < 16; ++i)
    if (std::fabs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > 1e-5f) return false;
  return true;
}

const Weights kStripWeights = {
    {"Bone0", {{{0, 0, 0}, 1.0f}, {{0, 1, 0}, 1.0f}, {{1, 0, 0}, 0.5f}, {{1, 1, 0}, 0.5f}}},
    {"Bone1", {{{1, 0, 0}, 0.5f}, {{1, 1, 0}, 0.5f}, {{2, 0, 0}, 1.0f}, {{2, 1, 0}, 1.0f}}}};

}  // namespace

TEST_F(DXMeshSkinTest, LoadBindsTheBonesAndBuildsOnePaletteACombination) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  ASSERT_TRUE(m_strip->IsSkinned());
  EXPECT_EQ(m_strip->GetNumBones(), 2u);
  EXPECT_EQ(m_strip->GetPaletteSize(), 2u);
  EXPECT_FALSE(m_strip->IsSoftwareSkinning());
  // Two blend values: one weight and the packed palette slots.
  EXPECT_EQ(m_strip->GetNumBlendWeights(), 2u);
  EXPECT_EQ(m_strip->GetMesh()->GetFVF() & (D3DFVF_POSITION_MASK | D3DFVF_LASTBETA_UBYTE4),
            static_cast<DWORD>(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4));
  // One combination a material, each needing both bones.
  ASSERT_EQ(m_strip->GetNumBoneCombinations(), 2u);
  std::set<DWORD> attributes;
  for (DWORD c = 0; c < 2; ++c) {
    const D3DXBONECOMBINATION& combination = m_strip->GetBoneCombinations()[c];
    attributes.insert(combination.AttribId);
    EXPECT_EQ(std::set<DWORD>(combination.BoneId, combination.BoneId + 2), (std::set<DWORD>{0, 1}));
  }
  EXPECT_EQ(attributes, (std::set<DWORD>{0, 1}));
  for (WORD bone = 0; bone < 2; ++bone) {
    CSkinWeights* weights = nullptr;
    ASSERT_TRUE(m_strip->GetBoneSkinWeights().Lookup(bone, weights));
    const std::string name = bone == 0 ? "Bone0" : "Bone1";
    EXPECT_EQ(std::string(weights->GetTransformNodeName()), name);
    ASSERT_TRUE(weights->GetBoneFrame());
    EXPECT_EQ(std::string(weights->GetBoneFrame()->GetName()), name);
    EXPECT_EQ(weights->GetBoneWorldTransform(), weights->GetBoneFrame()->GetWorldTransform());
  }
}

// The weights rewritten from the blended vertices are the file's weights.
TEST_F(DXMeshSkinTest, WeightsComeBackFromTheBlendedVertices) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  EXPECT_EQ(WeightsByPosition(*m_strip), kStripWeights);
  CSkinMeshHeader* header = m_strip->GetSkinMeshHeader();
  ASSERT_TRUE(header);
  EXPECT_EQ(header->GetNumBones(), 2);
  EXPECT_EQ(header->GetMaxSkinWeightsPerVertex(), 2);
  EXPECT_EQ(header->GetMaxSkinWeightsPerFace(), 2);
}

// Lifting Bone1 by one lifts x = 2 by one and x = 1 by a half: the posed copy
// and the bounds follow, at both key times.
TEST_F(DXMeshSkinTest, BoundsAndPosedVerticesFollowThePose) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  const std::vector<CAnimationSet*> sets = AnimationSets(scene->root.get(), scene->world);
  ASSERT_EQ(sets.size(), 1u);
  for (float t : {0.0f, 10.0f, 5.0f}) {
    SCOPED_TRACE(t);
    Pose(scene->root.get(), sets, t);
    const float lift = t / 10.0f;
    EXPECT_NEAR(m_strip->GetBoundingBox()->GetMaxFS()->z, lift, 1e-5f);
    EXPECT_NEAR(m_strip->GetBoundingBox()->GetMinFS()->z, 0.0f, 1e-5f);
    std::multiset<Position> expected, posed;
    for (const Position& p : Positions(m_strip->GetSkinnedMesh())) posed.insert(p);
    for (float x : {0.0f, 1.0f, 2.0f})
      for (float y : {0.0f, 1.0f}) {
        const D3DXVECTOR3 at = WhereBonesPut(*m_strip, {x, y, 0}, kStripWeights);
        EXPECT_NEAR(at.z, lift * x / 2.0f, 1e-5f);
        EXPECT_NEAR(at.x, x, 1e-5f);
        bool found = false;
        for (const Position& p : posed)
          found = found || (std::fabs(p[0] - at.x) < 1e-5f && std::fabs(p[1] - at.y) < 1e-5f &&
                            std::fabs(p[2] - at.z) < 1e-5f);
        EXPECT_TRUE(found) << x << " " << y;
      }
  }
  // The bones' own boxes, carried by their matrices, hold the strip too.
  for (DWORD i = 0; i < m_strip->GetSkinWeightsCount(); ++i)
    m_strip->GetSkinWeights(i)->ComputeBoneBoundingObjects(m_strip->GetMesh());
  m_strip->ResizeIBlendedMeshBoundingBox();
  EXPECT_NEAR(m_strip->GetBoundingBox()->GetMaxFS()->x, 2.0f, 1e-5f);
  EXPECT_NEAR(m_strip->GetBoundingBox()->GetMaxFS()->z, 0.5f, 1e-5f);
}

TEST_F(DXMeshSkinTest, SavedStripReloadsWithItsBonesAndWeights) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  for (const SFormat& format : {SFormat{"text", DXFILEFORMAT_TEXT}, SFormat{"binary", DXFILEFORMAT_BINARY}}) {
    SCOPED_TRACE(format.name);
    auto again = SaveAndReload(*scene, format.format, std::string("strip_") + format.name + ".x");
    const std::vector<CDXMesh*> meshes = DXMeshes(again->root.get());
    ASSERT_EQ(meshes.size(), 1u);
    ASSERT_TRUE(meshes[0]->IsSkinned());
    EXPECT_EQ(meshes[0]->GetNumBones(), 2u);
    EXPECT_EQ(WeightsByPosition(*meshes[0]), kStripWeights);
    // The file holds the mesh without blend values.
    EXPECT_EQ(meshes[0]->GetNumVertices(false), m_strip->GetNumVertices(false));
  }
}

// Drawing loads each bone's offset × world into the palette and leaves the
// blend states as it found them; a bone that names no frame takes its
// offset alone, whatever its palette slot held before.
TEST_F(DXMeshSkinTest, DrawingSetsThePaletteAndPutsTheBlendStatesBack) {
  auto scene = LoadStrip([](std::string& text) {
    text.replace(text.find("\"Bone1\""), 7, "\"Nowhere\"");
  });
  ASSERT_TRUE(m_strip);
  ASSERT_TRUE(m_strip->IsSkinned());
  Pose(scene->root.get(), {}, 0.0f);
  const D3DXMATRIX scale(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1);
  for (DWORD i = 0; i < 2; ++i) Device()->SetTransform(D3DTS_WORLDMATRIX(i), &scale);
  Device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS);
  Device()->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
  ASSERT_EQ(m_strip->Render(Device(), nullptr, 0, 0, nullptr, nullptr, nullptr, false), S_OK);
  EXPECT_EQ(State(D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_2WEIGHTS));
  EXPECT_EQ(State(D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(FALSE));
  const D3DXBONECOMBINATION& last = m_strip->GetBoneCombinations()[m_strip->GetNumBoneCombinations() - 1];
  for (DWORD slot = 0; slot < 2; ++slot) {
    D3DXMATRIX set;
    Device()->GetTransform(D3DTS_WORLDMATRIX(slot), &set);
    const D3DXMATRIX expected = last.BoneId[slot] == 0 ? Translation(0, 0, 0) : Translation(-1, 0, 0);
    EXPECT_TRUE(Near(set, expected)) << "slot " << slot << " bone " << last.BoneId[slot];
  }
}

// An update that fails half-way leaves the shared weights as they were.
TEST_F(DXMeshSkinTest, FailedWeightsUpdateLeavesTheWeights) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  const Weights before = WeightsByPosition(*m_strip);
  CSkinWeights* bone1 = nullptr;
  ASSERT_TRUE(m_strip->GetBoneSkinWeights().Lookup(1, bone1));
  m_strip->GetBoneSkinWeights().RemoveKey(1);
  bool failed = false;
  try {
    m_strip->UpdateSkinWeights();
  } catch (const char*) {
    failed = true;
  }
  EXPECT_TRUE(failed);
  EXPECT_EQ(WeightsByPosition(*m_strip), before);
  m_strip->GetBoneSkinWeights().SetAt(1, bone1);
}

// The world's pass lists the sets and meshes of its content, renews the
// frames' world transforms and the skinned bounds in the pose.
TEST_F(DXMeshSkinTest, WorldPassRenewsTheSkinnedBounds) {
  auto world = std::make_unique<CXFileDataList>();
  ASSERT_TRUE(world->Initialize(nullptr, false));
  auto* frame = new CFrame;
  frame->Initialize(nullptr, const_cast<char*>("strip.x"), CFrame::eDXMeshFrame, false);
  world->GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  ASSERT_TRUE(Load(WriteText("strip.x", ReadFixture("skin_two_bones.x")), frame, *world));
  world->InitializeAnimationSetList(nullptr);
  EXPECT_TRUE(world->IsReady());
  ASSERT_EQ(world->GetAnimationSetList()->GetCount(), 1);
  ASSERT_EQ(world->GetDXMeshList()->GetCount(), 1);
  CDXMesh* strip = world->GetDXMeshList()->GetHead();
  CAnimationSet* set = world->GetAnimationSetList()->GetHead();
  // Stopped, the set leaves the pose to the test.
  set->Stop();
  CTypedPtrList<CPtrList, CAnimation*>& animations = set->GetAnimationList();
  for (POSITION pos = animations.GetHeadPosition(); pos;) animations.GetNext(pos)->AnimateTL(10.0f, false);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  world->UpdateWorldTransforms(identity, nullptr, false);
  world->ComputeBonesBoundingObjects(false);
  EXPECT_NEAR(strip->GetBoundingBox()->GetMaxFS()->z, 1.0f, 1e-5f);
  EXPECT_TRUE(world->ProcessSkinnedMesh(nullptr, false));
  EXPECT_NEAR(strip->GetBoundingBox()->GetMaxFS()->z, 1.0f, 1e-5f);
  world->DestroyContent(false);
}

// Another Direct3D mesh of the same blended geometry takes over the strip's
// skin: the table with its palettes copied after the records, the bones and
// the weights of the vertices.
TEST_F(DXMeshSkinTest, SkinDataGoesOverToAnotherMesh) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  ID3DXMesh* copy = nullptr;
  ASSERT_EQ(m_strip->GetMesh()->CloneMeshFVF(m_strip->GetMesh()->GetOptions(), m_strip->GetMesh()->GetFVF(),
                                            Device(), &copy),
            D3D_OK);
  CDXMesh other;
  ASSERT_TRUE(other.Initialize(const_cast<char*>("other")));
  other.SetDataMembers(copy, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, true);
  ASSERT_TRUE(other.MyOptimizeInPlace());
  CTypedPtrArray<CPtrArray, CSkinWeights*> weights;
  for (DWORD i = 0; i < m_strip->GetSkinWeightsCount(); ++i) weights.Add(m_strip->GetSkinWeights(i));
  other.InitializeSkinMeshData(m_strip->GetSkinMeshHeader(), weights, m_strip->GetBoneSkinWeights(),
                               m_strip->GetNumBones(), m_strip->IsSoftwareSkinning(),
                               m_strip->GetNumBoneCombinations(), m_strip->GetBoneCombinations(),
                               m_strip->GetNumBlendWeights(), m_strip->GetPaletteSize(), nullptr, 0,
                               other.GetMesh());
  ASSERT_TRUE(other.IsSkinned());
  EXPECT_EQ(other.GetNumBones(), 2u);
  const DWORD n = other.GetNumBoneCombinations();
  ASSERT_EQ(n, m_strip->GetNumBoneCombinations());
  const auto* records = other.GetBoneCombinations();
  const auto* palettes = reinterpret_cast<const DWORD*>(records + n);
  for (DWORD c = 0; c < n; ++c) {
    EXPECT_EQ(records[c].BoneId, palettes + c * other.GetPaletteSize());
    EXPECT_EQ(std::vector<DWORD>(records[c].BoneId, records[c].BoneId + 2),
              std::vector<DWORD>(m_strip->GetBoneCombinations()[c].BoneId,
                                 m_strip->GetBoneCombinations()[c].BoneId + 2));
  }
  EXPECT_EQ(WeightsByPosition(other), kStripWeights);
  ASSERT_TRUE(other.GetSkinnedMesh());
  ASSERT_TRUE(other.GetBoneMatrices());
}

// A skinned mesh goes through a progressive mesh at half its faces and back:
// the blended vertices keep their bones, so the saved file reloads skinned,
// each vertex weighted as one of the strip's vertices, the weights adding up
// to one.
TEST_F(DXMeshSkinTest, HalfLevelOfTheProgressiveStripKeepsItsSkin) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  scene->root->ConvertIntoPMeshFrameH(Device(), nullptr, nullptr);
  DWORD vertices = 0, faces = 0;
  scene->root->SetNumFaces(50.0f, vertices, faces, nullptr, false, nullptr, nullptr, false);
  scene->root->ConvertIntoDXMeshFrameH(Device(), nullptr, nullptr);
  EXPECT_EQ(faces, 2u);
  auto again = SaveAndReload(*scene, DXFILEFORMAT_TEXT, "strip_half.x");
  const std::vector<CDXMesh*> meshes = DXMeshes(again->root.get());
  ASSERT_EQ(meshes.size(), 1u);
  ASSERT_TRUE(meshes[0]->IsSkinned());
  EXPECT_EQ(meshes[0]->GetNumBones(), 2u);
  EXPECT_EQ(meshes[0]->GetNumFaces(false), 2u);
  std::map<Position, float> sums;
  for (const auto& [bone, byPosition] : WeightsByPosition(*meshes[0])) {
    ASSERT_TRUE(kStripWeights.count(bone)) << bone;
    for (const auto& [at, weight] : byPosition) {
      sums[at] += weight;
      // A vertex that stayed keeps its weight; one moved to the best place
      // of its collapse keeps the weight of the vertex it was.
      const auto& original = kStripWeights.at(bone);
      const auto found = original.find(at);
      if (found != original.end()) {
        EXPECT_FLOAT_EQ(found->second, weight) << bone;
      } else {
        EXPECT_TRUE(std::any_of(original.begin(), original.end(), [&](const auto& o) { return o.second == weight; }))
            << bone << " " << weight;
      }
    }
  }
  EXPECT_FALSE(sums.empty());
  for (const auto& [at, sum] : sums) EXPECT_NEAR(sum, 1.0f, 1e-5f);
}

// The progressive strip draws blended as the strip does: the palette of its
// last combination loaded, the blend states put back, at every level.
TEST_F(DXMeshSkinTest, ProgressiveStripDrawsWithThePaletteAndPutsTheBlendStatesBack) {
  auto scene = LoadStrip([](std::string& text) { text.replace(text.find("\"Bone1\""), 7, "\"Nowhere\""); });
  ASSERT_TRUE(m_strip);
  Pose(scene->root.get(), {}, 0.0f);
  scene->root->ConvertIntoPMeshFrameH(Device(), nullptr, nullptr);
  CDXPMesh* pmesh = ProgressiveMeshOf(*scene);
  ASSERT_TRUE(pmesh);
  ASSERT_TRUE(pmesh->IsSkinned());
  EXPECT_EQ(pmesh->GetNumBones(), 2u);
  for (const DWORD faces : {pmesh->GetMaxFaces(false), pmesh->GetMaxFaces(false) / 2}) {
    SCOPED_TRACE(faces);
    ASSERT_EQ(pmesh->SetNumFaces(faces, false), D3D_OK);
    const D3DXMATRIX scale(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1);
    for (DWORD i = 0; i < 2; ++i) Device()->SetTransform(D3DTS_WORLDMATRIX(i), &scale);
    Device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS);
    Device()->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    ASSERT_EQ(pmesh->Render(Device(), nullptr, 1, 0, nullptr, nullptr, nullptr, false), S_OK);
    EXPECT_EQ(State(D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_2WEIGHTS));
    EXPECT_EQ(State(D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(FALSE));
    const D3DXBONECOMBINATION& last = pmesh->GetBoneCombinations()[pmesh->GetNumBoneCombinations() - 1];
    for (DWORD slot = 0; slot < 2; ++slot) {
      D3DXMATRIX set;
      Device()->GetTransform(D3DTS_WORLDMATRIX(slot), &set);
      const D3DXMATRIX expected = last.BoneId[slot] == 0 ? Translation(0, 0, 0) : Translation(-1, 0, 0);
      EXPECT_TRUE(Near(set, expected)) << "slot " << slot << " bone " << last.BoneId[slot];
    }
  }
}

// A Direct3D copy of a level of the progressive strip keeps the skin.
TEST_F(DXMeshSkinTest, CopyOfAProgressiveStripLevelKeepsTheSkin) {
  auto scene = LoadStrip();
  ASSERT_TRUE(m_strip);
  scene->root->ConvertIntoPMeshFrameH(Device(), nullptr, nullptr);
  CDXPMesh* pmesh = ProgressiveMeshOf(*scene);
  ASSERT_TRUE(pmesh);
  ASSERT_EQ(pmesh->SetNumFaces(2, false), D3D_OK);
  CDXMesh copy;
  ASSERT_TRUE(pmesh->InitializeClone(&copy, nullptr, Device(), nullptr, nullptr));
  ASSERT_TRUE(copy.IsSkinned());
  EXPECT_EQ(copy.GetNumBones(), 2u);
  EXPECT_EQ(copy.GetNumFaces(false), 2u);
  ASSERT_TRUE(copy.GetSkinnedMesh());
  std::map<Position, float> sums;
  for (const auto& [bone, byPosition] : WeightsByPosition(copy))
    for (const auto& [at, weight] : byPosition) sums[at] += weight;
  EXPECT_EQ(sums.size(), static_cast<size_t>(copy.GetNumVertices(false)));
  for (const auto& [at, sum] : sums) EXPECT_NEAR(sum, 1.0f, 1e-5f);
}
