#include <animation.h>
#include <animationkey.h>
#include <basemesh.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <rmxfguid.h>

#include <cmath>
#include <fstream>
#include <string>
#include <thread>

#include "busy_object.h"
#include "frame_test_io.h"
#include "math_expect.h"
#include "mesh_test_support.h"
#include "temp_folder.h"

namespace {

using frame_test::ObjectList;
using frame_test::ReadObjects;
using math_expect::Near;

const std::string kHeader = "xof 0303txt 0032\n";

// A key list of one kind: "time;count;values;;" records.
std::string KeyList(int fileType, std::initializer_list<std::string> records) {
  std::string text = "AnimationKey {\n" + std::to_string(fileType) + ";\n" + std::to_string(records.size()) + ";\n";
  size_t i = 0;
  for (const std::string& record : records) text += record + (++i < records.size() ? ";;,\n" : ";;;\n");
  return text + "}\n";
}

ObjectList Read(const std::string& text) {
  bool ok = false;
  ObjectList objects = ReadObjects(kHeader + text, &ok);
  EXPECT_TRUE(ok);
  return objects;
}

CAnimationKey* FirstKey(ObjectList& objects) {
  if (objects.empty() || !objects[0]->IsATemplateGUID(&TID_D3DRMAnimationKey)) return nullptr;
  return static_cast<CAnimationKey*>(objects[0].get());
}

D3DXVECTOR3 TranslationOf(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

TEST(AnimationKeyTest, FileKeyTypesMapToTheKindsAndKeysThatDoNotFitTheirTypeFailTheLoad) {
  struct {
    std::string text;
    bool loads;
    CAnimationKey::EKeyType type;
  } cases[] = {
      {KeyList(0, {"0;4;1,0,0,0"}), true, CAnimationKey::eRotationKey},
      {KeyList(1, {"0;3;1,2,3"}), true, CAnimationKey::eScaleKey},
      {KeyList(2, {"0;3;1,2,3"}), true, CAnimationKey::ePositionKey},
      {KeyList(4, {"0;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1"}), true, CAnimationKey::eMatrixKey},
      {KeyList(3, {"0;3;1,2,3"}), false, CAnimationKey::eUnknownKey},
      {KeyList(5, {"0;3;1,2,3"}), false, CAnimationKey::eUnknownKey},
      // Rotation records of three values: shorter than the count claims.
      {KeyList(0, {"0;3;1,0,0", "10;3;1,0,0"}), false, CAnimationKey::eUnknownKey},
      // More values than the type holds: they would be saved past the key.
      {KeyList(1, {"0;4;1,0,0,0"}), false, CAnimationKey::eUnknownKey},
      {KeyList(0, {"0;5;1,0,0,0,0"}), false, CAnimationKey::eUnknownKey},
      {KeyList(4, {"0;17;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1,0"}), false, CAnimationKey::eUnknownKey},
      // Counts that add up to whole records but differ from key to key.
      {KeyList(2, {"0;2;1,0", "10;4;1,0,0,0"}), false, CAnimationKey::eUnknownKey},
      {KeyList(0, {"0;3;1,0,0", "10;5;1,0,0,0,0"}), false, CAnimationKey::eUnknownKey},
  };
  for (const auto& c : cases) {
    bool ok = false;
    ObjectList objects = ReadObjects(kHeader + c.text, &ok);
    EXPECT_EQ(ok, c.loads) << c.text;
    if (!c.loads) continue;
    CAnimationKey* key = FirstKey(objects);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetKeyType(), c.type);
    EXPECT_EQ(key->GetKeysCount(), 1u);
  }
}

// Keys at 0, 100 and 200 holding 0, 10 and 0: each time interpolates
// between the last key at or before it and the first key after it.
TEST(AnimationKeyTest, PositionsInterpolateBetweenTheKeysThatEncloseTheTime) {
  ObjectList objects = Read(KeyList(2, {"0;3;0,0,0", "100;3;10,0,0", "200;3;0,0,0"}));
  CAnimationKey* key = FirstKey(objects);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->GetAnimationTime(), 200u);
  struct {
    float time;
    float x;
  } cases[] = {{0, 0}, {50, 5}, {100, 10}, {150, 5}, {175, 2.5f}, {250, 5}, {200, 0}, {-10, 0}};
  for (const auto& c : cases)
    EXPECT_TRUE(Near(TranslationOf(key->GetTransform(c.time)), D3DXVECTOR3(c.x, 0, 0))) << c.time;
}

TEST(AnimationKeyTest, RotationScaleAndMatrixKeys) {
  // An identity rotation record (w first in the file) gives the identity.
  ObjectList rotation = Read(KeyList(0, {"0;4;1,0,0,0"}));
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_TRUE(Near(FirstKey(rotation)->GetTransform(0), identity));

  // A quarter turn about z halfway to a half turn: an eighth of a turn more.
  ObjectList turning = Read(KeyList(0, {"0;4;1,0,0,0", "10;4;0,0,0,1"}));
  D3DXMATRIX expected;
  D3DXMatrixRotationZ(&expected, static_cast<float>(-M_PI / 2));
  EXPECT_TRUE(Near(FirstKey(turning)->GetTransform(5), expected));

  ObjectList scale = Read(KeyList(1, {"0;3;1,1,1", "10;3;3,5,1"}));
  D3DXMATRIX scaled;
  D3DXMatrixScaling(&scaled, 2, 3, 1);
  EXPECT_TRUE(Near(FirstKey(scale)->GetTransform(5), scaled));

  // Matrix keys switch past the middle of their interval.
  ObjectList matrices =
      Read(KeyList(4, {"0;16;1,0,0,0,0,1,0,0,0,0,1,0,1,0,0,1", "10;16;1,0,0,0,0,1,0,0,0,0,1,0,2,0,0,1"}));
  EXPECT_TRUE(Near(FirstKey(matrices)->GetTransform(5), Translation(1, 0, 0)));
  EXPECT_TRUE(Near(FirstKey(matrices)->GetTransform(5.1f), Translation(2, 0, 0)));

  // A list whose last key stands at 0 always gives its first key.
  ObjectList still = Read(KeyList(2, {"0;3;4,0,0", "0;3;9,0,0"}));
  EXPECT_TRUE(Near(FirstKey(still)->GetTransform(37), Translation(4, 0, 0)));
}

TEST(AnimationKeyTest, SavedKeysReadBackTheSame) {
  TempFolder folder;
  for (int fileType : {0, 1, 2, 4}) {
    std::string records = fileType == 0   ? "0;4;0.5,0.5,0.5,0.5"
                          : fileType == 4 ? "0;16;1,0,0,0,0,2,0,0,0,0,3,0,4,5,6,1"
                                          : "0;3;1,2,3";
    std::string later = fileType == 0   ? "30;4;0,1,0,0"
                        : fileType == 4 ? "30;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1"
                                        : "30;3;4,5,6";
    ObjectList objects = Read(KeyList(fileType, {records, later}));
    CAnimationKey* key = FirstKey(objects);
    ASSERT_NE(key, nullptr);
    std::string path = folder.Path("animation_key.x");
    ASSERT_TRUE(frame_test::WriteObjects(path, {key}, DXFILEFORMAT_BINARY));
    bool ok = false;
    ObjectList again = frame_test::ReadFile(path, &ok);
    ASSERT_TRUE(ok);
    CAnimationKey* reread = FirstKey(again);
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->GetKeyType(), key->GetKeyType());
    EXPECT_EQ(reread->GetKeysCount(), 2u);
    for (float t : {0.0f, 10.0f, 29.0f, 30.0f})
      EXPECT_TRUE(Near(reread->GetTransform(t), key->GetTransform(t))) << fileType << " at " << t;
  }
}

// One frame driven by all four kinds of keys; the set's rate is its largest
// key time.
const std::string kAnimatedScene =
    R"(
Frame Bone {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 7,7,7,1;; }
}
AnimationSet Walk {
  Animation Move {
    { Bone }
    AnimationOptions { 1; 1; }
)" + KeyList(2, {"0;3;0,0,0", "100;3;10,0,0", "200;3;0,0,0"}) +
    KeyList(1, {"0;3;1,1,1", "200;3;3,3,3"}) + KeyList(0, {"0;4;1,0,0,0", "200;4;1,0,0,0"}) +
    KeyList(4, {"0;16;1,0,0,0,0,1,0,0,0,0,1,0,0,1,0,1", "200;16;1,0,0,0,0,1,0,0,0,0,1,0,0,2,0,1"}) + "  }\n}\n";

TEST(AnimationTest, AnAnimationWritesItsFramesTransformFromEveryKindOfKey) {
  ObjectList objects = Read(kAnimatedScene);
  ASSERT_EQ(objects.size(), 2u);
  auto* bone = static_cast<CFrame*>(objects[0].get());
  auto* set = static_cast<CAnimationSet*>(objects[1].get());
  ASSERT_EQ(set->GetAnimationList().GetCount(), 1);
  CAnimation* move = set->GetAnimationList().GetHead();
  EXPECT_EQ(move->GetFrame(), bone);
  EXPECT_EQ(move->GetKeysCount(), 4);
  EXPECT_EQ(move->GetOptionsCount(), 1);
  EXPECT_EQ(set->GetMaxAnimationTime(), 200u);
  EXPECT_EQ(set->GetFPS(), 200u);

  // matrix key × (scaling, then translation); the rotation stays the identity.
  struct {
    float time;
    float scale;
    float x;
    float matrixY;
  } cases[] = {{0, 1, 0, 1}, {100, 2, 10, 1}, {150, 2.5f, 5, 2}, {50, 1.5f, 5, 1}};
  for (const auto& c : cases) {
    move->SetTransformTL(c.time, false);
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, c.scale, c.scale, c.scale);
    D3DXMATRIX expected = Translation(0, c.matrixY, 0) * scaling * Translation(c.x, 0, 0);
    EXPECT_TRUE(Near(bone->GetTransformMatrix(false), expected)) << c.time;
  }
  // The animation keeps the frame's initial transform.
  EXPECT_TRUE(Near(*bone->GetInitialFrameTransform(), D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)));
}

TEST(AnimationTest, TheBonesMeshCentreIsFoundByTheFramesName) {
  ObjectList objects = Read(kAnimatedScene);
  auto* set = static_cast<CAnimationSet*>(objects[1].get());
  CAnimation* move = set->GetAnimationList().GetHead();
  CBaseMesh skin;
  ASSERT_TRUE(skin.Initialize(const_cast<char*>("Skin")));
  CGBox box;
  CGSphere sphere;
  const D3DXVECTOR3 centre(1, 2, 3);
  sphere.Initialize(4, &centre);
  skin.SetBoundingObjects(box, sphere);

  CTypedPtrMap<CMapStringToPtr, CString, CBaseMesh*> meshes;
  meshes.SetAt("Other", &skin);
  move->SetMeshCenterFS(meshes);
  EXPECT_EQ(move->GetMeshCenterFS(), D3DXVECTOR3(0, 0, 0));
  meshes.SetAt("Bone", &skin);
  move->SetMeshCenterFS(meshes);
  EXPECT_EQ(move->GetMeshCenterFS(), centre);

  CAnimation unbound;
  unbound.SetMeshCenterFS(meshes);
  EXPECT_EQ(unbound.GetMeshCenterFS(), D3DXVECTOR3(0, 0, 0));
}

TEST(AnimationTest, KeyListsGrowPastFiftyKeys) {
  std::string text = "Frame Bone { }\nAnimation Many {\n{ Bone }\n";
  for (int i = 1; i <= 60; ++i) text += KeyList(2, {"0;3;" + std::to_string(i) + ",0,0"});
  ObjectList objects = Read(text + "}\n");
  ASSERT_EQ(objects.size(), 2u);
  auto* many = static_cast<CAnimation*>(objects[1].get());
  EXPECT_EQ(many->GetKeysCount(), 60);
  many->SetTransformTL(0, false);  // a later key of one kind replaces an earlier one
  EXPECT_TRUE(Near(static_cast<CFrame*>(objects[0].get())->GetTransformMatrix(false), Translation(60, 0, 0)));
}

TEST(AnimationTest, TheMainThreadGivesUpOnABusyFrameAndHoldsNothingAfterwards) {
  ObjectList objects = Read(kAnimatedScene);
  auto* bone = static_cast<CFrame*>(objects[0].get());
  auto* set = static_cast<CAnimationSet*>(objects[1].get());
  CAnimation* move = set->GetAnimationList().GetHead();
  scene_test::CBusyObject busy(bone);
  try {
    set->AnimateTL(nullptr, true);
    ADD_FAILURE() << "a busy frame was animated";
  } catch (const char* message) {
    EXPECT_STREQ(message, "\nInfo: Failed to lock the frame.");
  }
  busy.Release();
  // Nothing stayed locked: a job thread animates the set at once.
  std::thread([&] { set->AnimateTL(nullptr, true); }).join();
  EXPECT_TRUE(move->GetKeysMutex().Trylock());
  move->GetKeysMutex().Unlock();
  EXPECT_TRUE(Near(bone->GetTransformMatrix(false), Translation(0, 1, 0)));
}

TEST(AnimationTest, OptionsAboveOneFailTheLoad) {
  struct {
    const char* text;
    bool loads;
  } cases[] = {{"AnimationOptions { 1; 1; }", true},
               {"AnimationOptions { 2; 0; }", false},
               {"AnimationOptions { 0; 7; }", false}};
  for (const auto& c : cases) {
    bool ok = false;
    ObjectList objects = ReadObjects(kHeader + c.text, &ok);
    EXPECT_EQ(ok, c.loads) << c.text;
  }
}

// The animation clock, on a clock of our own.
DWORD g_now = 0;
DWORD Now() { return g_now; }

class AnimationSetClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = SetTimeGetTimeSource(&Now);
    g_now = 1000;
  }
  void TearDown() override { SetTimeGetTimeSource(m_previous); }
  TimeSource m_previous = nullptr;
};

TEST_F(AnimationSetClockTest, SmallStepsAddUpAndTimeWrapsByTheLargestKeyTime) {
  ObjectList objects = Read(kAnimatedScene);
  auto* bone = static_cast<CFrame*>(objects[0].get());
  auto* set = static_cast<CAnimationSet*>(objects[1].get());
  set->SetFPS(1);
  set->Play();
  EXPECT_EQ(set->GetAnimationSetState(), CAnimationSet::ePlaying);
  g_now += 50;
  set->AnimateTL(nullptr, false);  // 0.05 units: below a tenth, nothing moves
  EXPECT_FLOAT_EQ(set->GetAnimationTime(), 0);
  g_now += 100;
  set->AnimateTL(nullptr, false);  // measured from the first stamp: 0.15
  EXPECT_NEAR(set->GetAnimationTime(), 0.15f, 1e-6f);

  set->SetFPS(200);
  g_now += 1500;  // 300 units: wraps to 100.15
  set->AnimateTL(nullptr, false);
  EXPECT_NEAR(set->GetAnimationTime(), 100.15f, 1e-3f);
  EXPECT_NEAR(bone->GetTransformMatrix(false)._41, 9.985f, 1e-3f);

  // Paused, the time stands and is applied again; resumed, it goes on.
  set->Pause();
  g_now += 1000;
  set->AnimateTL(nullptr, false);
  EXPECT_NEAR(set->GetAnimationTime(), 100.15f, 1e-3f);
  set->Play();  // not from paused
  EXPECT_EQ(set->GetAnimationSetState(), CAnimationSet::ePaused);
  set->Pause();
  g_now += 250;
  set->AnimateTL(nullptr, false);
  EXPECT_NEAR(set->GetAnimationTime(), 150.15f, 1e-3f);

  set->Stop();
  set->SetAnimationTime(450);
  EXPECT_FLOAT_EQ(set->GetAnimationTime(), 50);
  set->IncreaseAnimationTime(-20);
  EXPECT_FLOAT_EQ(set->GetAnimationTime(), 30);
}

TEST_F(AnimationSetClockTest, ASetWithoutKeyTimesNeverWraps) {
  CAnimationSet set;
  set.SetAnimationTime(7);
  EXPECT_FLOAT_EQ(set.GetAnimationTime(), 7);
  EXPECT_EQ(set.GetFPS(), 30u);
}

using AnimationFileTest = MeshDeviceTest;  // the file's meshes need a device

TEST_F(AnimationFileTest, KeysOfARealFileGiveTheirValuesAtTheirTimes) {
  std::ifstream in(std::string(VOREVER_TESTDATA) + "/x/anim_test.x");
  if (!in) GTEST_SKIP() << "no test data";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool ok = false;
  ObjectList objects = ReadObjects(text, &ok);
  ASSERT_TRUE(ok);
  CAnimationSet* set = nullptr;
  for (auto& object : objects)
    if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) set = static_cast<CAnimationSet*>(object.get());
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->GetAnimationList().GetCount(), 4);
  EXPECT_EQ(set->GetMaxAnimationTime(), 24u);

  CAnimation* joint1 = nullptr;
  for (POSITION pos = set->GetAnimationList().GetHeadPosition(); pos;) {
    CAnimation* animation = set->GetAnimationList().GetNext(pos);
    if (animation->GetFrame() && std::string(animation->GetFrame()->GetName()) == "joint1") joint1 = animation;
  }
  ASSERT_NE(joint1, nullptr);
  // Time 2: rotation (w -0.509518, x 0.490298, y 0.509518, z 0.490298), unit
  // scale, position (0, -4.795322, 0.02924); the file's w turns the other way.
  joint1->SetTransformTL(2, false);
  D3DXQUATERNION q(0.490298f, 0.509518f, 0.490298f, 0.509518f);
  D3DXMATRIX rotation;
  D3DXMatrixRotationQuaternion(&rotation, &q);
  D3DXMATRIX expected = rotation * Translation(0, -4.795322f, 0.02924f);
  EXPECT_TRUE(Near(joint1->GetFrame()->GetTransformMatrix(false), expected, 1e-4f));
}

// Every animation of the real files: keys of known kinds, and finite
// transforms for their frames halfway through the set.
TEST_F(AnimationFileTest, RealFilesAnimateTheirFramesWithFiniteTransforms) {
  int files = 0;
  for (const char* name : {"anim_test.x", "BCN_Epileptic.X", "Testwuson.X", "stand.x"}) {
    std::ifstream in(std::string(VOREVER_TESTDATA) + "/x/" + name, std::ios::binary);
    if (!in) continue;
    ++files;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool ok = false;
    ObjectList objects = ReadObjects(text, &ok);
    ASSERT_TRUE(ok) << name;
    int animations = 0;
    for (auto& object : objects) {
      if (!object->IsATemplateGUID(&TID_D3DRMAnimationSet)) continue;
      auto* set = static_cast<CAnimationSet*>(object.get());
      set->SetAnimationTime(set->GetMaxAnimationTime() / 2.0f);
      set->AnimateTL(nullptr, false);
      for (POSITION pos = set->GetAnimationList().GetHeadPosition(); pos;) {
        CAnimation* animation = set->GetAnimationList().GetNext(pos);
        ++animations;
        EXPECT_GT(animation->GetKeysCount(), 0) << name;
        EXPECT_LE(animation->GetAnimationTime(), set->GetMaxAnimationTime()) << name;
        if (!animation->GetFrame()) continue;
        D3DXMATRIX m = animation->GetFrame()->GetTransformMatrix(false);
        for (int i = 0; i < 16; ++i) ASSERT_TRUE(std::isfinite(m.m[i / 4][i % 4])) << name;
      }
    }
    EXPECT_GT(animations, 0) << name;
  }
  if (!files) GTEST_SKIP() << "no test data";
}

}  // namespace
