#include <basemesh.h>
#include <boundingobjectframe.h>
#include <frame.h>
#include <garbagelist.h>
#include <gtest/gtest.h>
#include <materialpresets.h>
#include <simpleshape.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "math_expect.h"
#include "busy_object.h"
#include "mesh_test_support.h"

namespace {

using math_expect::Near;

struct SExtent {
  D3DXVECTOR3 min, max;
};

// The axis-aligned extent of a box's eight corners.
SExtent ExtentOf(CGBox box) {
  D3DXVECTOR3* corners = box.GetCornersFS();
  SExtent e{corners[0], corners[0]};
  for (int i = 1; i < 8; ++i) {
    e.min =
        D3DXVECTOR3(std::min(e.min.x, corners[i].x), std::min(e.min.y, corners[i].y), std::min(e.min.z, corners[i].z));
    e.max =
        D3DXVECTOR3(std::max(e.max.x, corners[i].x), std::max(e.max.y, corners[i].y), std::max(e.max.z, corners[i].z));
  }
  return e;
}

void ExpectExtent(const CGBox& box, D3DXVECTOR3 min, D3DXVECTOR3 max) {
  ASSERT_FALSE(box.IsZeroSizeBox());
  SExtent e = ExtentOf(box);
  EXPECT_TRUE(Near(e.min, min));
  EXPECT_TRUE(Near(e.max, max));
}

CFrame* MakeFrame(const char* name, const D3DXMATRIX* local, CFrame::EFrameType type = CFrame::ePlainFrame) {
  auto* frame = new CFrame;
  D3DXMATRIX m = *local;
  EXPECT_EQ(frame->Initialize(&m, const_cast<char*>(name), type, false), S_OK);
  return frame;
}

void SetBox(CFrame* frame, D3DXVECTOR3 min, D3DXVECTOR3 max) { frame->GetBoundingBox()->Initialize(&min, &max, false); }

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

class FrameBoundsTest : public ::testing::Test {
 protected:
  void TearDown() override { g_FDOGarbageList.DestroyGarbageList(); }
};

// root → parent (moved 10 along z) → child (a quarter turn about z, then moved
// 5 along x), the child holding the box (0,0,0)-(2,1,1).
TEST_F(FrameBoundsTest, RotatedChildBoundsInFrameParentAndWorldSpace) {
  D3DXMATRIX identity = Identity(), parentLocal, childLocal, turn, move;
  D3DXMatrixTranslation(&parentLocal, 0, 0, 10);
  D3DXMatrixRotationZ(&turn, static_cast<float>(M_PI / 2));
  D3DXMatrixTranslation(&move, 5, 0, 0);
  childLocal = turn * move;
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  CFrame* parent = MakeFrame("parent", &parentLocal);
  CFrame* child = MakeFrame("child", &childLocal);
  root->SetAsRootRenderFrame();
  parent->AddChildRenderFrame(eOwnedChild, child, false);
  root->AddChildRenderFrame(eOwnedChild, parent, false);

  SetBox(child, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 1, 1));
  ASSERT_TRUE(child->ComputeAncestorsBoundingObjects(false, false, false));

  ExpectExtent(*child->GetBoundingBox(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 1, 1));
  ExpectExtent(child->ConvertBoundingBoxPFS(nullptr, false), D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(5, 2, 1));
  ExpectExtent(child->ConvertBoundingBoxWS(), D3DXVECTOR3(4, 0, 10), D3DXVECTOR3(5, 2, 11));
  ExpectExtent(*parent->GetBoundingBox(), D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(5, 2, 1));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(4, 0, 10), D3DXVECTOR3(5, 2, 11));
  EXPECT_TRUE(Near(*root->GetCenterFS(), D3DXVECTOR3(4.5f, 1, 10.5f)));
  EXPECT_NEAR(root->GetRadiusFS(), std::sqrt(6.0f) / 2, 1e-5f);

  // Turning the child back updates its ancestors through SetTransformMatrix.
  child->SetTransformMatrix(&move, false, CFrame::eReplace, true, false);
  ExpectExtent(*parent->GetBoundingBox(), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(7, 1, 1));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(5, 0, 10), D3DXVECTOR3(7, 1, 11));
}

// root → parent, which holds shared by reference; shared is not marked when
// parent is.
TEST_F(FrameBoundsTest, MovingAFrameBelowADeletedParentLeavesTheAncestorsAlone) {
  D3DXMATRIX identity = Identity(), move;
  D3DXMatrixTranslation(&move, 3, 0, 0);
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  std::unique_ptr<CFrame> shared(MakeFrame("shared", &identity));
  CFrame* parent = MakeFrame("parent", &identity);
  root->SetAsRootRenderFrame();
  root->AddChildRenderFrame(eOwnedChild, parent, false);
  parent->AddChildRenderFrame(eReferenceChild, shared.get(), false);
  SetBox(shared.get(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
  ASSERT_EQ(shared->GetParentRenderFrame(), parent);

  parent->DeleteContent(false);
  ASSERT_FALSE(shared->IsDeleted());
  shared->SetTransformMatrix(&move, false, CFrame::eReplace, true, false);
  EXPECT_TRUE(Near(shared->GetTransformMatrix(false), move));
  EXPECT_TRUE(parent->GetBoundingBox()->IsZeroSizeBox());
  EXPECT_TRUE(root->GetBoundingBox()->IsZeroSizeBox());
  EXPECT_TRUE(shared->ComputeAncestorsBoundingObjects(false, false, false));
}

TEST_F(FrameBoundsTest, TheSkinningPassStoresEveryWorldTransform) {
  D3DXMATRIX a, b, c, start;
  D3DXMatrixTranslation(&a, 1, 0, 0);
  D3DXMatrixRotationY(&b, 0.5f);
  D3DXMatrixScaling(&c, 2, 2, 2);
  D3DXMatrixTranslation(&start, 0, 0, 5);
  std::unique_ptr<CFrame> root(MakeFrame("root", &a));
  CFrame* middle = MakeFrame("middle", &b);
  CFrame* leaf = MakeFrame("leaf", &c);
  root->SetAsRootRenderFrame();
  middle->AddChildRenderFrame(eOwnedChild, leaf, false);
  root->AddChildRenderFrame(eOwnedChild, middle, false);
  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(&start, false, false, false));
  EXPECT_TRUE(Near(*root->GetWorldTransform(), a * start));
  EXPECT_TRUE(Near(*leaf->GetWorldTransform(), c * b * a * start));
  EXPECT_TRUE(Near(*leaf->GetWorldTransform(), leaf->ComputeWorldTransform(false) * start));
}

TEST_F(FrameBoundsTest, AnEmptyHierarchyHasZeroBoundsAndNoBoundingObjectFrames) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  root->AddChildObject(eOwnedChild, MakeFrame("child", &identity), false);
  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(true, true, false));
  EXPECT_TRUE(root->GetBoundingBox()->IsZeroSizeBox());
  EXPECT_TRUE(root->GetBoundingSphere()->IsZeroSizeSphere());
  EXPECT_EQ(root->GetChildObjectList().GetCount(), 2);  // transform and child
}

TEST_F(FrameBoundsTest, BoundingObjectFramesNeverEnlargeAndHandlesAreLeftToThemselves) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  auto* shown = new CBoundingBoxFrame;
  CGBox empty;
  empty.InitializeZeroSize(false);
  ASSERT_TRUE(shown->Initialize(&empty, const_cast<char*>("BoundingBoxFrame")));
  EXPECT_EQ(shown->GetFrameType(), CFrame::eBoundingObjectFrame);
  EXPECT_EQ(shown->GetBoundingObjectType(), eBoundingBoxObject);
  EXPECT_FALSE(shown->IsPickable());
  EXPECT_EQ(shown->GetBoxShape(), nullptr);  // a box without extent gets no shape
  CFrame* handle = MakeFrame("handle", &identity, CFrame::eFrameHandle);
  root->SetAsRootRenderFrame();
  root->AddChildRenderFrame(eOwnedChild, shown, false);
  root->AddChildRenderFrame(eOwnedChild, handle, false);
  SetBox(shown, D3DXVECTOR3(-9, -9, -9), D3DXVECTOR3(9, 9, 9));
  SetBox(handle, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));

  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(false, false, false));
  EXPECT_TRUE(root->GetBoundingBox()->IsZeroSizeBox());
  ExpectExtent(*handle->GetBoundingBox(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));  // not walked

  // Merging the direct children takes the handle, still not the shown box.
  ASSERT_TRUE(root->MergeDirectChildrenBoundingObjects(false, false, false));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));

  // The climb from a bounding-object frame changes nothing.
  ASSERT_EQ(shown->GetParentRenderFrame(), root.get());
  ASSERT_TRUE(shown->ComputeAncestorsBoundingObjects(false, false, false));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
}

TEST_F(FrameBoundsTest, DirectCamerasAreLeftOutOfTheBoxWithoutDirectCamera) {
  D3DXMATRIX identity = Identity(), far;
  D3DXMatrixTranslation(&far, 100, 0, 0);
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  CFrame* camera = MakeFrame("camera", &far, CFrame::eCameraFrame);
  CFrame* thing = MakeFrame("thing", &identity);
  root->AddChildObject(eOwnedChild, camera, false);
  root->AddChildObject(eOwnedChild, thing, false);
  SetBox(camera, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
  SetBox(thing, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));

  CGBox out;
  root->ComputeBoundingBoxNoDirectCamera(&out, false);
  ExpectExtent(out, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
  ASSERT_TRUE(root->MergeDirectChildrenBoundingObjects(false, false, false));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(101, 1, 1));
}

TEST_F(FrameBoundsTest, TheParentSphereSurroundsTheCarriedBox) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> frame(MakeFrame("f", &identity));
  SetBox(frame.get(), D3DXVECTOR3(-0.5f, -0.5f, -0.5f), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
  CGSphere sphere = frame->ConvertBoundingSpherePFS(nullptr, false);
  EXPECT_NEAR(sphere.GetRadiusFS(), std::sqrt(3.0f) / 2, 1e-5f);
  EXPECT_TRUE(Near(*sphere.GetCenterFS(), D3DXVECTOR3(0, 0, 0)));

  CFrame bare;
  EXPECT_ANY_THROW(bare.ConvertBoundingBoxPFS(nullptr, false));
}

TEST_F(FrameBoundsTest, EachCreationReplacesTheBoundingObjectFrameOfItsKind) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> frame(MakeFrame("f", &identity));
  SetBox(frame.get(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
  frame->GetBoundingBox()->ComputeBoundingSphere(frame->GetBoundingSphere(), false);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(frame->CreateBoundingBoxFrame(false));
    ASSERT_TRUE(frame->CreateBoundingSphereFrame(false));
  }
  int boxes = 0, spheres = 0;
  POSITION pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false)) {
    ASSERT_EQ(child->GetFrameType(), CFrame::eBoundingObjectFrame);
    auto kind = static_cast<CBoundingObjectFrame*>(child)->GetBoundingObjectType();
    boxes += kind == eBoundingBoxObject;
    spheres += kind == eBoundingSphereObject;
  }
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(spheres, 1);
  EXPECT_EQ(frame->DestroyBoundingSphereFrame(false), 1u);
  EXPECT_EQ(frame->DestroyBoundingSphereFrame(false), 0u);
}

}  // namespace

namespace {

class FrameContentBoundsTest : public MeshDeviceTest {
 protected:
  void TearDown() override { g_FDOGarbageList.DestroyGarbageList(); }
};

// The shape's box carried through the bounding-box frame's transform.
CGBox ShapeBox(CBoundingBoxFrame* shown) {
  CBox* shape = shown->GetBoxShape();
  EXPECT_NE(shape, nullptr);
  if (!shape) return CGBox();
  CGBox box = *shape->GetBoundingBox();
  D3DXMATRIX local = shown->GetTransformMatrix(false);
  box.TransformCoord(&local, false);
  return box;
}

// The same for the bounding-box frame below frame.
CGBox ShownBox(CFrame* frame) {
  POSITION pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false)) {
    if (child->GetFrameType() == CFrame::eBoundingObjectFrame &&
        static_cast<CBoundingObjectFrame*>(child)->GetBoundingObjectType() == eBoundingBoxObject)
      return ShapeBox(static_cast<CBoundingBoxFrame*>(child));
  }
  ADD_FAILURE() << "no bounding box frame below " << frame->GetName();
  return CGBox();
}

// A base mesh whose box is (0,0,0)-(1,1,1).
CBaseMesh* UnitBoxMesh() {
  auto* mesh = new CBaseMesh;
  EXPECT_TRUE(mesh->Initialize(const_cast<char*>("mesh")));
  CGBox box;
  D3DXVECTOR3 lo(0, 0, 0), hi(1, 1, 1);
  box.Initialize(&lo, &hi, false);
  CGSphere sphere;
  box.ComputeBoundingSphere(&sphere, false);
  mesh->SetBoundingObjects(box, sphere);
  return mesh;
}

// root holds a base mesh (0,0,0)-(1,1,1), an empty shape and a child turned a
// quarter about z and moved 5 along x, which holds a 2 × 1 × 1 box shape.
TEST_F(FrameContentBoundsTest, ContentBoxesMergeUpTheTreeAndVisibleBoxesCoverThem) {
  D3DXMATRIX identity = Identity(), turn, move;
  D3DXMatrixRotationZ(&turn, static_cast<float>(M_PI / 2));
  D3DXMatrixTranslation(&move, 5, 0, 0);
  D3DXMATRIX childLocal = turn * move;
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  CFrame* child = MakeFrame("child", &childLocal);
  root->SetAsRootRenderFrame();
  root->AddChildRenderFrame(eOwnedChild, child, false);

  D3DMATERIAL8 white = WhiteMaterial();
  auto* shape = new CBox;
  ASSERT_EQ(shape->Initialize(2, 1, 1, &white, const_cast<char*>("shape"), 0, false), S_OK);
  child->AddChildObject(eOwnedChild, shape, false);
  auto* empty = new CBox;
  ASSERT_EQ(empty->Initialize(0, 0, 0, &white, const_cast<char*>("empty"), 0, false), S_OK);
  root->AddChildObject(eOwnedChild, empty, false);
  root->AddChildObject(eOwnedChild, UnitBoxMesh(), false);

  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(false, true, false));
  ExpectExtent(*child->GetBoundingBox(), D3DXVECTOR3(-1, -0.5f, -0.5f), D3DXVECTOR3(1, 0.5f, 0.5f));
  ExpectExtent(child->ConvertBoundingBoxPFS(nullptr, false), D3DXVECTOR3(4.5f, -1, -0.5f), D3DXVECTOR3(5.5f, 1, 0.5f));
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(0, -1, -0.5f), D3DXVECTOR3(5.5f, 1, 1));
  ExpectExtent(ShownBox(child), D3DXVECTOR3(-1, -0.5f, -0.5f), D3DXVECTOR3(1, 0.5f, 0.5f));
  ExpectExtent(ShownBox(root.get()), D3DXVECTOR3(0, -1, -0.5f), D3DXVECTOR3(5.5f, 1, 1));

  // A frame placed by a rotation about a centre and a move holds the shape
  // by reference.
  CFrame placed;
  D3DXVECTOR3 position(0, 0, 3), centre(1, 0, 0), x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  ASSERT_TRUE(placed.Initialize(shape, &position, &centre, &x, &y, &z, &y, false, const_cast<char*>("placed")));
  EXPECT_FALSE(placed.IsPickable());
  EXPECT_TRUE(placed.GetChildObjectList().GetTail()->IsReference());
  ASSERT_TRUE(placed.ComputeBoundingObjectsHierarchy(false, false, false));
  // x turns onto z about (1, 0, 0): (x, y, z) → (1 - z, y, x - 1), then up 3 in z.
  ExpectExtent(placed.ConvertBoundingBoxPFS(nullptr, false), D3DXVECTOR3(0.5f, -0.5f, 1), D3DXVECTOR3(1.5f, 0.5f, 3));

  // Moving the child and walking again refits the root's visible box.
  D3DXMATRIX further;
  D3DXMatrixTranslation(&further, 10, 0, 0);
  child->SetTransformMatrix(&further, false, CFrame::eReplace, false, false);
  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(false, true, false));
  ExpectExtent(ShownBox(root.get()), D3DXVECTOR3(0, -0.5f, -0.5f), D3DXVECTOR3(11, 1, 1));
}

// Runs each job on a thread of its own until all have ended. Jobs that wait
// for each other's locks never end and cannot be stopped: after a deadline
// the process ends with the failure.
void RunToTheEnd(const std::vector<std::function<void()>>& jobs) {
  std::mutex mutex;
  std::condition_variable ended;
  size_t running = jobs.size();
  std::vector<std::thread> threads;
  for (const auto& job : jobs)
    threads.emplace_back([&, job] {
      job();
      std::lock_guard<std::mutex> hold(mutex);
      --running;
      ended.notify_all();
    });
  std::unique_lock<std::mutex> hold(mutex);
  if (!ended.wait_for(hold, std::chrono::minutes(2), [&] { return running == 0; })) {
    std::fprintf(stderr, "%zu of %zu jobs wait for each other for good\n", running, jobs.size());
    std::fflush(stderr);
    std::_Exit(1);
  }
  hold.unlock();
  for (std::thread& thread : threads) thread.join();
}

// Two jobs on one tree, root → branch → middle → leaf twice, each leaf
// holding a unit box: one moves the leaves and rebuilds their ancestors from
// the leaf up, the other rebuilds the whole tree from the root down.
TEST_F(FrameContentBoundsTest, MovingLeavesBesideAWalkOfTheWholeTreeEnds) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> root(MakeFrame("root", &identity));
  root->SetAsRootRenderFrame();
  std::vector<CFrame*> leaves;
  for (const char* name : {"left", "right"}) {
    CFrame* branch = MakeFrame(name, &identity);
    CFrame* middle = MakeFrame("middle", &identity);
    CFrame* leaf = MakeFrame("leaf", &identity);
    leaf->AddChildObject(eOwnedChild, UnitBoxMesh(), false);
    middle->AddChildRenderFrame(eOwnedChild, leaf, false);
    branch->AddChildRenderFrame(eOwnedChild, middle, false);
    root->AddChildRenderFrame(eOwnedChild, branch, false);
    leaves.push_back(leaf);
  }
  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(false, false, false));

  constexpr int kRounds = 200;
  std::atomic<int> failures{0};
  auto guarded = [&](auto step) {
    return [&, step] {
      try {
        for (int round = 0; round < kRounds; ++round) step(round);
      } catch (const char* message) {
        ADD_FAILURE() << message;
        ++failures;
      }
    };
  };
  RunToTheEnd({guarded([&](int round) {
                 D3DXMATRIX move;
                 D3DXMatrixTranslation(&move, static_cast<float>(round % 5), 0, 0);
                 for (CFrame* leaf : leaves) {
                   leaf->SetTransformMatrix(&move, false, CFrame::eReplace, true, false);
                   leaf->ComputeWorldTransform(false);
                 }
               }),
               guarded([&](int) { root->ComputeBoundingObjectsHierarchy(false, false, false); })});
  EXPECT_EQ(failures, 0);
  // Whichever job ended last, the root holds the leaves where they stopped.
  const float last = static_cast<float>((kRounds - 1) % 5);
  ExpectExtent(*root->GetBoundingBox(), D3DXVECTOR3(last, 0, 0), D3DXVECTOR3(last + 1, 1, 1));
}

TEST_F(FrameContentBoundsTest, AResizeGivesUpOnABusyBoundedFrameHoldingNothing) {
  D3DXMATRIX identity = Identity();
  std::unique_ptr<CFrame> bounded(MakeFrame("bounded", &identity));
  SetBox(bounded.get(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 2, 2));
  CBoundingBoxFrame shown;
  ASSERT_TRUE(shown.Initialize(bounded->GetBoundingBox(), const_cast<char*>("shown")));
  ASSERT_NE(shown.GetBoxShape(), nullptr);

  scene_test::CBusyObject busy(bounded.get());
  try {
    shown.ResizeBoundingBoxFrame(bounded.get(), true);
    ADD_FAILURE() << "a busy frame was read";
  } catch (const char* message) {
    EXPECT_STREQ(message, "Info: Cannot lock the bounded frame object.");
  }
  // The frame and its shape were let go: another thread takes them at once.
  std::atomic<bool> taken{false};
  std::thread([&] {
    taken = shown.Trylock() && shown.GetBoxShape()->Trylock();
    shown.GetBoxShape()->Unlock();
    shown.Unlock();
  }).join();
  EXPECT_TRUE(taken);
  busy.Release();

  SetBox(bounded.get(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, 1, 1));
  shown.ResizeBoundingBoxFrame(bounded.get(), true);
  ExpectExtent(ShapeBox(&shown), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, 1, 1));
}

}  // namespace
