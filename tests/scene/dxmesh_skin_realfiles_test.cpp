// Animated skinned files of other programs: they load skinned, animate over
// their time range with vertices where their bones put them, and save and
// reload with the same bones, weights and key counts.
#include <animationkey.h>

#include <cmath>
#include <set>

#include "skin_test_support.h"

using namespace xfile_test;
using namespace skin_test;

namespace {

struct SSkinFile {
  const char* name;
  const char* animation;  // a file of animations for it, or NULL
};

void PrintTo(const SSkinFile& file, std::ostream* out) { *out << file.name; }

// Key counts of every animation key below the objects, in walk order.
std::vector<DWORD> KeyCounts(CXFileDataObject* root, CXFileDataList& world) {
  std::vector<DWORD> counts;
  std::set<CXFileDataObject*> seen;
  auto visit = [&](CXFileDataObject* o) {
    if (o->IsATemplateGUID(&TID_D3DRMAnimationKey) && seen.insert(o).second)
      counts.push_back(static_cast<CAnimationKey*>(o)->GetKeysCount());
  };
  Walk(root, visit);
  for (POSITION pos = world.GetHeadPosition(); pos;) Walk(world.GetNext(pos), visit);
  return counts;
}

std::set<std::string> BoneNames(CDXMesh& mesh) {
  std::set<std::string> names;
  for (DWORD i = 0; i < mesh.GetSkinWeightsCount(); ++i)
    if (mesh.GetSkinWeights(i)->GetWeightsCount())
      names.insert(std::string(mesh.GetSkinWeights(i)->GetTransformNodeName()));
  return names;
}

// Every few vertices of each skinned mesh lie, in the posed copy, where the
// weighted bone matrices put them.
void ExpectVerticesWhereBonesPut(const std::vector<CDXMesh*>& meshes) {
  for (CDXMesh* mesh : meshes) {
    if (!mesh->IsSkinned()) continue;
    const Weights weights = WeightsByPosition(*mesh);
    const std::vector<Position> rest = Positions(mesh->GetMesh());
    const std::vector<Position> posed = Positions(mesh->GetSkinnedMesh());
    ASSERT_FALSE(posed.empty());
    float size = 0;
    for (const Position& p : rest) size = std::max({size, std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2])});
    const float tolerance = 1e-4f * std::max(size, 1.0f);
    const size_t step = std::max<size_t>(rest.size() / 25, 1);
    for (size_t v = 0; v < rest.size(); v += step) {
      const D3DXVECTOR3 at = WhereBonesPut(*mesh, {rest[v][0], rest[v][1], rest[v][2]}, weights);
      bool found = false;
      for (const Position& p : posed)
        if (std::fabs(p[0] - at.x) < tolerance && std::fabs(p[1] - at.y) < tolerance &&
            std::fabs(p[2] - at.z) < tolerance) {
          found = true;
          break;
        }
      EXPECT_TRUE(found) << mesh->GetName() << " vertex " << v;
    }
  }
}

// The same bones move the same places; the weights may differ in the last
// bits, as the last weight of a blended vertex is one less the others.
void ExpectSameWeights(const Weights& expected, const Weights& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (const auto& [bone, places] : expected) {
    auto found = actual.find(bone);
    ASSERT_NE(found, actual.end()) << bone;
    ASSERT_EQ(places.size(), found->second.size()) << bone;
    for (const auto& [place, weight] : places) {
      auto other = found->second.find(place);
      ASSERT_NE(other, found->second.end()) << bone;
      EXPECT_NEAR(other->second, weight, 1e-5f) << bone;
    }
  }
}

class DXMeshSkinRealFileTest : public XFileSaveTest, public ::testing::WithParamInterface<SSkinFile> {
 protected:
  void SetUp() override {
    XFileSaveTest::SetUp();
    g_appOptions.bLoadDXMeshes = 1;
  }
};

}  // namespace

TEST_P(DXMeshSkinRealFileTest, AnimatesSavesAndReloadsWithItsSkin) {
  const SSkinFile& file = GetParam();
  const std::string path = TestData(file.name);
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is absent";
  auto scene = LoadScene(path);
  if (file.animation) {
    const std::string animation = TestData(file.animation);
    if (!std::filesystem::exists(animation)) GTEST_SKIP() << animation << " is absent";
    CString failure;
    ASSERT_TRUE(Load(animation, scene->root.get(), scene->world, &failure)) << failure;
  }
  const std::vector<CDXMesh*> meshes = DXMeshes(scene->root.get());
  size_t skinned = 0;
  for (CDXMesh* mesh : meshes) skinned += mesh->IsSkinned() ? 1 : 0;
  ASSERT_GT(skinned, 0u);
  const std::vector<CAnimationSet*> sets = AnimationSets(scene->root.get(), scene->world);
  ASSERT_FALSE(sets.empty());

  // The longest set (sets of one file each pose the whole figure), at two
  // times of its range: the start and three quarters in (matrix keys are
  // not blended: the nearer key holds).
  CAnimationSet* longest = sets[0];
  for (CAnimationSet* set : sets)
    if (set->GetMaxAnimationTime() > longest->GetMaxAnimationTime()) longest = set;
  const DWORD end = longest->GetMaxAnimationTime();
  ASSERT_GT(end, 0u);
  std::vector<std::vector<Position>> posed;
  for (float t : {0.0f, static_cast<float>(end * 3 / 4)}) {
    SCOPED_TRACE(t);
    Pose(scene->root.get(), {longest}, t);
    ExpectVerticesWhereBonesPut(meshes);
    for (CDXMesh* mesh : meshes)
      if (mesh->IsSkinned()) posed.push_back(Positions(mesh->GetSkinnedMesh()));
  }
  // Some skinned vertex moved between the two times.
  EXPECT_NE(std::vector(posed.begin(), posed.begin() + posed.size() / 2),
            std::vector(posed.begin() + posed.size() / 2, posed.end()));

  auto again = SaveAndReload(*scene, DXFILEFORMAT_BINARY, "skinned.x");
  const std::vector<CDXMesh*> reloaded = DXMeshes(again->root.get());
  ASSERT_EQ(reloaded.size(), meshes.size());
  for (size_t i = 0; i < meshes.size(); ++i) {
    SCOPED_TRACE(meshes[i]->GetName());
    EXPECT_EQ(reloaded[i]->IsSkinned(), meshes[i]->IsSkinned());
    EXPECT_EQ(BoneNames(*reloaded[i]), BoneNames(*meshes[i]));
    ExpectSameWeights(WeightsByPosition(*meshes[i]), WeightsByPosition(*reloaded[i]));
  }
  EXPECT_EQ(KeyCounts(again->root.get(), again->world), KeyCounts(scene->root.get(), scene->world));
}

INSTANTIATE_TEST_SUITE_P(Files, DXMeshSkinRealFileTest,
                         ::testing::Values(SSkinFile{"Testwuson.X", nullptr}, SSkinFile{"BCN_Epileptic.X", nullptr},
                                           SSkinFile{"SSR06_model.x", "stand.x"}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });
