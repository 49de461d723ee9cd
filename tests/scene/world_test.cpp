// The world of a document: its render hierarchy, deleting, and the walk
// over its frames.
#include <rootrenderframe.h>

#include <animation.h>

#include <chrono>
#include <cmath>
#include <fstream>

#include "scene_probe.h"
#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

CFrame* NewFrame(const char* name, CFrame::EFrameType type = CFrame::ePlainFrame) {
  auto* frame = new CFrame;
  frame->Initialize(nullptr, const_cast<char*>(name), type, false);
  return frame;
}

// The objects of a frame's entries (its transform left out), with the kind
// of each entry.
std::vector<std::pair<std::string, EChildObjectType>> Entries(CXFileDataObject* object) {
  std::vector<std::pair<std::string, EChildObjectType>> entries;
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (!entry->GetXfileDataObject()->IsATemplateGUID(&TID_D3DRMFrameTransformMatrix))
      entries.emplace_back(entry->GetXfileDataObject()->GetName(), entry->GetChildObjectType());
  }
  return entries;
}

using WorldTest = XFileTest;

TEST(WorldWithoutDevice, InitializeRefusesAndLeavesTheWorldCleared) {
  CDXWindowedDevice notCreated;
  CXFileDataList world;
  EXPECT_FALSE(world.Initialize(nullptr, false));
  EXPECT_EQ(world.GetRenderFrame(), nullptr);
  EXPECT_EQ(world.GetWorldContentFrame(), nullptr);
  EXPECT_EQ(world.GetCount(), 0);
}

TEST_F(WorldTest, BuildsTheRenderHierarchyAroundTheTopLevelObjects) {
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  CRootRenderFrame* root = world.GetRenderFrame();
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->GetName(), "WorldRootRenderFrame");
  EXPECT_EQ(root->GetFrameType(), CFrame::eRootRenderFrame);
  EXPECT_FALSE(root->IsPickable());
  EXPECT_EQ(root->GetRenderFrameWorldList(), &world);
  EXPECT_STREQ(world.GetWorldBoxFrame()->GetName(), "WorldBoxFrame");
  EXPECT_STREQ(world.GetWorldContentFrame()->GetName(), "WorldContentFrame");
  EXPECT_EQ(world.GetWorldContentFrame()->GetRenderFrameWorldList(), &world);
  EXPECT_EQ(world.GetLightsManager()->GetWorld(), &world);

  // Built again with a top-level frame and mesh: the frame is referenced,
  // the mesh gets a frame of its own.
  CFrame* top = NewFrame("Top");
  auto* mesh = new CMesh;
  mesh->Initialize(const_cast<char*>("Lone"), &TID_D3DRMMesh, false);
  world.AddTail(top);
  world.AddTail(mesh);
  ASSERT_TRUE(world.CreateRenderFrame(nullptr, false));
  using Entry = std::pair<std::string, EChildObjectType>;
  EXPECT_EQ(Entries(world.GetWorldContentFrame()),
            (std::vector<Entry>{{"Top", eReferenceChild}, {"TopLevelMeshFrame", eOwnedChild}}));
  CXFileDataObject* meshFrame = world.GetWorldContentFrame()->GetAtChild(2);
  EXPECT_EQ(Entries(meshFrame), (std::vector<Entry>{{"Lone", eReferenceChild}}));

  // Taking the hierarchy down leaves the referenced frame to the world.
  ASSERT_TRUE(world.RemoveRenderFrameHierarchyFromWorld());
  EXPECT_EQ(world.GetRenderFrame(), nullptr);
  EXPECT_EQ(world.GetCount(), 2);
  EXPECT_STREQ(top->GetName(), "Top");
  EXPECT_EQ(top->GetParentRenderFrame(), nullptr);
}

TEST_F(WorldTest, WalksTheContentFramesAndSkipsCameras) {
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  CFrame* content = world.GetWorldContentFrame();
  EXPECT_FALSE(world.WorldNotEmpty());
  CFrame* camera = NewFrame("Camera", CFrame::eCameraFrame);
  content->AddChildRenderFrame(eOwnedChild, camera, false);
  EXPECT_FALSE(world.WorldNotEmpty());

  CFrame* a = NewFrame("A");
  CFrame* b = NewFrame("B");
  content->AddChildRenderFrame(eOwnedChild, a, false);
  content->AddChildRenderFrame(eOwnedChild, b, false);
  EXPECT_TRUE(world.WorldNotEmpty());
  EXPECT_EQ(world.GetNextFrameObject(a), b);
  EXPECT_EQ(world.GetNextFrameObject(b), b);
  EXPECT_EQ(world.GetNextFrameObject(camera), camera);
  EXPECT_EQ(world.GetNextFrameObject(nullptr), nullptr);
  EXPECT_EQ(world.GetPrevFrameObject(b), a);
  EXPECT_EQ(world.GetPrevFrameObject(a), a);
}

TEST_F(WorldTest, CameraRenderFramesAreRegisteredOnce) {
  CXFileDataList world;
  CFrame camera;
  world.RegisterCameraRenderFrame(&camera);
  world.RegisterCameraRenderFrame(&camera);
  EXPECT_EQ(world.GetCameraFramesList()->GetCount(), 1);
  world.UnregisterCameraRenderFrame(&camera);
  EXPECT_EQ(world.GetCameraFramesList()->GetCount(), 0);
}

TEST_F(WorldTest, DeletingAWorldObjectRemovesItsReferencesEverywhere) {
  CXFileDataList world;
  int destroyed = 0;
  auto* shared = new scene_test::CProbe("Shared", &destroyed);
  auto* holder = new scene_test::CProbe("Holder");
  auto* inner = new scene_test::CProbe("Inner");
  holder->AddChildObject(eReferenceChild, shared, false);
  holder->AddChildObject(eOwnedChild, inner, false);
  inner->AddChildObject(eReferenceChild, shared, false);
  world.AddTail(shared);
  world.AddTail(holder);

  EXPECT_EQ(world.DeleteWorldObject(shared), 3u);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(world.GetCount(), 1);
  EXPECT_EQ(holder->GetChildObjectList().GetCount(), 1);
  EXPECT_EQ(inner->GetChildObjectList().GetCount(), 0);
  EXPECT_FALSE(world.DeleteTopLevelObject(shared));
}

TEST_F(WorldTest, ASeedFrameHoldsAnInvisibleSphere) {
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  ASSERT_TRUE(world.CreateSeedFrame());
  auto* seed = static_cast<CFrame*>(world.GetWorldContentFrame()->GetAtChild(1));
  EXPECT_STREQ(seed->GetName(), "WorldSeedFrame");
  EXPECT_FALSE(seed->IsPickable());
  using Entry = std::pair<std::string, EChildObjectType>;
  EXPECT_EQ(Entries(seed), (std::vector<Entry>{{"SeedSphereShape", eOwnedChild}}));
  EXPECT_GT(seed->GetRadiusFS(), 0.0f);
}

TEST_F(WorldTest, RenderFramesGoWithTheirOwnedFramesAndLeaveReferencedOnes) {
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  CFrame* top = NewFrame("Top");
  world.AddTail(top);
  CFrame* content = world.GetWorldContentFrame();
  CFrame* outer = NewFrame("Outer");
  content->AddChildRenderFrame(eOwnedChild, outer, false);
  outer->AddChildRenderFrame(eOwnedChild, NewFrame("Inner"), false);
  outer->AddChildObject(eReferenceChild, top, false);
  content->AddChildObject(eReferenceChild, top, false);
  CFrame camera;
  camera.AddChildObject(eReferenceChild, top, false);
  world.RegisterCameraRenderFrame(&camera);

  EXPECT_EQ(world.DeleteCameraRenderFrameObject(top), 1u);
  EXPECT_EQ(world.DeleteWorldRenderFrameObject(top), 2u);
  POSITION pos = content->GetChildObjectList().Find(content->GetChildObjectList().GetTail());
  CChildObject* entry = content->GetChildObjectList().GetAt(pos);
  ASSERT_EQ(entry->GetXfileDataObject(), outer);
  EXPECT_TRUE(world.DeleteWorldRenderFrame2(entry));
  EXPECT_EQ(entry->GetXfileDataObject(), nullptr);
  content->GetChildObjectList().RemoveAt(pos);
  delete entry;
  EXPECT_STREQ(top->GetName(), "Top");  // the world still owns it
  world.UnregisterCameraRenderFrame(&camera);
}

TEST_F(WorldTest, AnImportedFileHangsBelowTheContentFrameAndGoesWithTheWorld) {
  auto world = std::make_unique<CXFileDataList>();
  ASSERT_TRUE(world->Initialize(nullptr, false));
  CFrame* frame = NewFrame("world_scene.x");
  world->GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  ASSERT_TRUE(Load(Fixture("world_scene.x"), frame, *world));
  EXPECT_EQ(frame->GetRenderFrameWorldList(), world.get());
  EXPECT_EQ(CountTree(frame), CountFileContent(Fixture("world_scene.x")));
  // The world steps back along z by its radius times the projection's
  // vertical scale (the cotangent of half the field of view).
  ASSERT_TRUE(world->GetRenderFrame()->ComputeBoundingObjectsHierarchy(false, false, false));
  const float radius = world->GetRenderFrame()->GetRadiusFS();
  EXPECT_GT(radius, 0.0f);
  D3DXMATRIX projection;
  D3DXMatrixIdentity(&projection);
  projection._22 = 2.0f;
  ASSERT_EQ(Device()->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
  ASSERT_TRUE(world->SetInitialRenderFramePosition(Device()));
  EXPECT_FLOAT_EQ(world->GetRenderFrame()->GetTransformMatrix(false)._43, 2.0f * radius);
  // The loaded material and the render frame are the world's top-level
  // objects; destroying the world frees everything (the sanitizer checks).
  EXPECT_EQ(world->GetCount(), 2);
  world->DestroyContent(false);
  EXPECT_EQ(world->GetCount(), 0);
  EXPECT_EQ(world->GetRenderFrame(), nullptr);
}

// A frame of the tree below root by name, NULL when none.
CFrame* FindFrame(CFrame* root, const char* name) {
  if (root->GetName() && std::string(root->GetName()) == name) return root;
  POSITION pos = root->GetChildHeadPosition();
  while (CFrame* child = root->GetNextFrame(pos, false, false))
    if (CFrame* found = FindFrame(child, name)) return found;
  return nullptr;
}

// Runs the world's pass until the set's clock has moved on from `from`.
float AdvanceFrom(CXFileDataList& world, CAnimationSet* set, float from) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (set->GetAnimationTime() == from && std::chrono::steady_clock::now() < deadline)
    EXPECT_TRUE(world.ProcessSkinnedMesh(nullptr, true));
  return set->GetAnimationTime();
}

TEST_F(WorldTest, ThePassMovesTheFramesAsTheKeysSay) {
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  // Nothing to play before the lists are gathered.
  EXPECT_TRUE(world.ProcessSkinnedMesh(nullptr, true));
  CFrame* frame = NewFrame("world_scene.x");
  world.GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  ASSERT_TRUE(Load(Fixture("world_scene.x"), frame, world));
  world.InitializeAnimationSetList(nullptr);
  EXPECT_TRUE(world.IsReady());
  ASSERT_EQ(world.GetAnimationSetList()->GetCount(), 1);
  CAnimationSet* set = world.GetAnimationSetList()->GetHead();
  CFrame* child = FindFrame(frame, "Child");
  ASSERT_NE(child, nullptr);

  // Stopped: nothing moves.
  set->Stop();
  const D3DXMATRIX before = child->GetTransformMatrix(false);
  EXPECT_TRUE(world.ProcessSkinnedMesh(nullptr, true));
  const D3DXMATRIX after = child->GetTransformMatrix(false);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << i;

  // Playing: the position keys run from the origin at 0 to (1, 2, 3) at 100,
  // below Root's move by (1, 2, 3); the world transform follows.
  set->Play();
  float t = set->GetAnimationTime();
  for (int step = 0; step < 2; ++step) {
    t = AdvanceFrom(world, set, t);
    SCOPED_TRACE(testing::Message() << "time " << t);
    const D3DXMATRIX* w = child->GetWorldTransform();
    const float s = 1.0f + t / 100.0f;
    EXPECT_NEAR(w->_41, 1.0f * s, 1e-3f);
    EXPECT_NEAR(w->_42, 2.0f * s, 1e-3f);
    EXPECT_NEAR(w->_43, 3.0f * s, 1e-3f);
  }
  world.DestroyContent(false);
}

TEST_F(WorldTest, AnAnimatedFileOfAnotherProgramMovesItsJoints) {
  const std::string path = std::string(VOREVER_TESTDATA) + "/x/anim_test.x";
  if (!std::ifstream(path)) GTEST_SKIP() << path << " is absent";
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  CFrame* frame = NewFrame("anim_test.x");
  world.GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  ASSERT_TRUE(Load(path, frame, world));
  world.InitializeAnimationSetList(nullptr);
  ASSERT_EQ(world.GetAnimationSetList()->GetCount(), 1);
  CAnimationSet* set = world.GetAnimationSetList()->GetHead();
  CFrame* joint = FindFrame(frame, "joint2");
  CFrame* parent = FindFrame(frame, "joint1");
  ASSERT_NE(joint, nullptr);
  ASSERT_NE(parent, nullptr);
  // From between its keys 5 and 6 on, where the joint turns.
  set->Stop();
  set->Play();
  set->SetAnimationTime(5.0f);
  float t = set->GetAnimationTime();
  std::vector<D3DXMATRIX> seen;
  for (int step = 0; step < 2; ++step) {
    t = AdvanceFrom(world, set, t);
    // The world transform is the joint's own times its parent's.
    const D3DXMATRIX expected = joint->GetTransformMatrix(false) * *parent->GetWorldTransform();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((*joint->GetWorldTransform())[i], expected[i], 1e-4f);
    // Its translation key holds the joint at 3.043184 along its parent's x.
    EXPECT_NEAR(joint->GetTransformMatrix(false)._41, 3.043184f, 1e-4f);
    seen.push_back(joint->GetTransformMatrix(false));
  }
  // Two times, two turns of the joint.
  bool turned = false;
  for (int i = 0; i < 16; ++i) turned |= std::fabs(seen[0][i] - seen[1][i]) > 1e-5f;
  EXPECT_TRUE(turned);
  world.DestroyContent(false);
}

}  // namespace
