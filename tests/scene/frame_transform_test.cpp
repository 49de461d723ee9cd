#include <cameraframe.h>
#include <dynamicworldboundaryframe.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <rootrenderframe.h>

#include <cmath>

#include "math_expect.h"
#include "scene_probe.h"

namespace {

using math_expect::Near;

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

D3DXMATRIX RotationZ(float angle) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, angle);
  return m;
}

D3DXMATRIX Scaling(float s) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, s, s, s);
  return m;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

int CountFrames(CFrame& frame) {
  int count = 0;
  POSITION pos = frame.GetChildHeadPosition();
  while (frame.GetNextFrame(pos, false, false)) ++count;
  return count;
}

TEST(FrameTest, InitializeGivesANamedIdentityFrameWithEmptyBoundsReadyForRendering) {
  CFrame frame;
  EXPECT_FALSE(frame.IsReadyForRendering());
  EXPECT_EQ(frame.GetBoundingBox(), nullptr);
  EXPECT_TRUE(Near(*frame.GetInitialFrameTransform(), D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)));

  ASSERT_EQ(frame.Initialize(nullptr, nullptr, CFrame::ePlainFrame, false), S_OK);
  EXPECT_STREQ(frame.GetName(), "");
  EXPECT_TRUE(frame.IsAFrame());
  EXPECT_TRUE(Near(frame.GetTransformMatrix(false), Identity()));
  EXPECT_TRUE(Near(*frame.GetInitialFrameTransform(), Identity()));
  ASSERT_NE(frame.GetBoundingBox(), nullptr);
  EXPECT_TRUE(frame.GetBoundingBox()->IsZeroSizeBox());
  EXPECT_TRUE(frame.GetBoundingSphere()->IsZeroSizeSphere());
  EXPECT_TRUE(frame.IsReadyForRendering());
  EXPECT_TRUE(frame.IsOriginalFrame());
}

TEST(FrameTest, OnlyBoundingObjectFramesAreNotPickable) {
  for (CFrame::EFrameType type : {CFrame::ePlainFrame, CFrame::eFrameHandle, CFrame::eBoundingObjectFrame,
                                  CFrame::eCameraFrame, CFrame::eDXPMeshFrame}) {
    CFrame frame;
    ASSERT_EQ(frame.Initialize(nullptr, const_cast<char*>("f"), type, false), S_OK);
    EXPECT_EQ(frame.GetFrameType(), type);
    EXPECT_EQ(frame.IsPickable(), type != CFrame::eBoundingObjectFrame) << type;
  }
}

TEST(FrameTest, SetTransformMatrixCombinesTheNewMatrixWithTheCurrentOne) {
  const D3DXMATRIX k = Translation(1, 2, 3);
  const D3DXMATRIX m = RotationZ(0.5f) * Scaling(2);
  struct {
    CFrame::ETransformCombination combination;
    D3DXMATRIX expected;
  } cases[] = {{CFrame::eReplace, m}, {CFrame::eApplyBefore, m * k}, {CFrame::eApplyAfter, k * m}};
  for (const auto& c : cases) {
    CFrame frame;
    D3DXMATRIX current = k;
    ASSERT_EQ(frame.Initialize(&current, const_cast<char*>("f"), CFrame::ePlainFrame, false), S_OK);
    D3DXMATRIX given = m;
    frame.SetTransformMatrix(&given, true, c.combination, false, false);
    EXPECT_TRUE(Near(frame.GetTransformMatrix(false), c.expected)) << c.combination;
    // The initial transform takes the combined matrix, not the argument.
    EXPECT_TRUE(Near(*frame.GetInitialFrameTransform(), c.expected)) << c.combination;

    // Without a transform child every combination stores the matrix itself.
    CFrame bare;
    bare.SetTransformMatrix(&given, false, c.combination, false, false);
    EXPECT_NE(bare.GetFrameTransformMatrix(false, false), nullptr);
    EXPECT_TRUE(Near(bare.GetTransformMatrix(false), m)) << c.combination;
  }
}

// root → middle → leaf: the leaf's world transform is leaf × middle × root,
// whichever way the middle frame's transform was set.
TEST(FrameTest, WorldTransformsThroughThreeLevelsForEachCombination) {
  const D3DXMATRIX rootLocal = Translation(10, 0, 0);
  const D3DXMATRIX middleLocal = RotationZ(static_cast<float>(M_PI / 2));
  const D3DXMATRIX leafLocal = Translation(1, 0, 0);
  const D3DXMATRIX change = Scaling(3);
  struct {
    CFrame::ETransformCombination combination;
    D3DXMATRIX middle;
  } cases[] = {{CFrame::eReplace, change},
               {CFrame::eApplyBefore, change * middleLocal},
               {CFrame::eApplyAfter, middleLocal * change}};
  for (const auto& c : cases) {
    CFrame root;
    auto* middle = new CFrame;
    auto* leaf = new CFrame;
    D3DXMATRIX r = rootLocal, m = middleLocal, l = leafLocal, n = change;
    ASSERT_EQ(root.Initialize(&r, const_cast<char*>("root"), CFrame::ePlainFrame, false), S_OK);
    ASSERT_EQ(middle->Initialize(&m, const_cast<char*>("middle"), CFrame::ePlainFrame, false), S_OK);
    ASSERT_EQ(leaf->Initialize(&l, const_cast<char*>("leaf"), CFrame::ePlainFrame, false), S_OK);
    root.SetAsRootRenderFrame();
    middle->AddChildRenderFrame(eOwnedChild, leaf, false);
    root.AddChildRenderFrame(eOwnedChild, middle, false);
    EXPECT_EQ(leaf->GetParentRenderFrame(), middle);
    EXPECT_EQ(middle->GetParentRenderFrame(), &root);

    middle->SetTransformMatrix(&n, false, c.combination, true, false);
    EXPECT_TRUE(Near(middle->GetTransformMatrix(false), c.middle)) << c.combination;
    EXPECT_TRUE(Near(leaf->GetTransformMatrix(false), leafLocal));
    EXPECT_TRUE(Near(leaf->ComputeWorldTransform(false), leafLocal * c.middle * rootLocal)) << c.combination;
    EXPECT_TRUE(Near(middle->ComputeWorldTransform(false), c.middle * rootLocal)) << c.combination;
    EXPECT_TRUE(Near(root.ComputeWorldTransform(false), rootLocal));
    // The stored world transform is written only on request.
    EXPECT_TRUE(Near(*leaf->GetWorldTransform(), Identity()));

    D3DXVECTOR3 origin(0, 0, 0), world;
    D3DXMATRIX leafWorld = leaf->ComputeWorldTransform(false);
    D3DXVec3TransformCoord(&world, &origin, &leafWorld);
    if (c.combination == CFrame::eReplace) {
      EXPECT_TRUE(Near(world, D3DXVECTOR3(13, 0, 0)));
    }
  }
}

TEST(FrameTest, ADeletedFrameReadsTheIdentityAndADeletedParentEndsTheClimb) {
  CFrame root;
  auto* child = new CFrame;
  D3DXMATRIX r = Translation(5, 0, 0), c = Translation(0, 1, 0);
  ASSERT_EQ(root.Initialize(&r, const_cast<char*>("root"), CFrame::ePlainFrame, false), S_OK);
  ASSERT_EQ(child->Initialize(&c, const_cast<char*>("child"), CFrame::ePlainFrame, false), S_OK);
  root.SetAsRootRenderFrame();
  root.AddChildRenderFrame(eOwnedChild, child, false);
  root.DeleteContent(false);
  EXPECT_TRUE(child->IsDeleted());

  CFrame alive;
  ASSERT_EQ(alive.Initialize(&c, const_cast<char*>("alive"), CFrame::ePlainFrame, false), S_OK);
  root.SetAsRootRenderFrame();
  alive.BuildRenderFrameHierarchy(&root, false);
  EXPECT_EQ(alive.GetParentRenderFrame(), nullptr);  // a deleted parent links nothing

  CFrame orphan;
  ASSERT_EQ(orphan.Initialize(&c, const_cast<char*>("orphan"), CFrame::ePlainFrame, false), S_OK);
  CFrame deletedParent;
  ASSERT_EQ(deletedParent.Initialize(&r, const_cast<char*>("p"), CFrame::ePlainFrame, false), S_OK);
  orphan.BuildRenderFrameHierarchy(&deletedParent, false);
  deletedParent.DeleteContent(false);
  EXPECT_TRUE(Near(orphan.ComputeWorldTransform(false), c));

  INT_PTR entries = deletedParent.GetChildObjectList().GetCount();
  EXPECT_TRUE(Near(deletedParent.GetTransformMatrix(false), Identity()));
  EXPECT_EQ(deletedParent.GetChildObjectList().GetCount(), entries);
}

TEST(FrameTest, RotateTurnsAboutThePivotAlsoOnItsFirstCall) {
  // A quarter turn about +z through (1, 0, 0) carries the origin to (1, -1, 0).
  D3DXQUATERNION quarter;
  D3DXVECTOR3 axis(0, 0, 1), pivot(1, 0, 0), origin(0, 0, 0), moved;
  D3DXQuaternionRotationAxis(&quarter, &axis, static_cast<float>(M_PI / 2));

  CFrame bare;  // no transform child yet
  bare.Rotate(&pivot, &quarter);
  D3DXMATRIX local = bare.GetTransformMatrix(false);
  D3DXVec3TransformCoord(&moved, &origin, &local);
  EXPECT_TRUE(Near(moved, D3DXVECTOR3(1, -1, 0)));

  bare.Rotate(&pivot, &quarter);
  local = bare.GetTransformMatrix(false);
  D3DXVec3TransformCoord(&moved, &origin, &local);
  EXPECT_TRUE(Near(moved, D3DXVECTOR3(2, 0, 0)));
}

// A camera 10 back along z and lifted 2 looks at the frame; its view space
// is the parent space moved by (0, -2, 10).
TEST(FrameTest, RotateInViewSpaceTurnsAboutThePivotAsTheCameraSeesIt) {
  CCameraFrame camera;
  D3DXMATRIX eye = Translation(0, 2, -10);
  ASSERT_EQ(camera.Initialize(&eye, const_cast<char*>("camera"), CFrame::eCameraFrame, false), S_OK);
  D3DXMATRIX view = camera.ComputeViewTransform(&eye, false);
  EXPECT_TRUE(Near(view, Translation(0, -2, 10)));
  EXPECT_TRUE(Near(camera.ComputeInverseViewTransform(&view), eye));

  D3DXQUATERNION quarter;
  D3DXVECTOR3 axis(0, 0, 1), pivotVS(1, -2, 10), origin(0, 0, 0), moved;
  D3DXQuaternionRotationAxis(&quarter, &axis, static_cast<float>(M_PI / 2));
  D3DXMATRIX parentWorld = Translation(0, 0, 0);
  CFrame frame;  // no transform child yet: the first turn holds too
  frame.RotateInViewSpace(&parentWorld, &camera, &pivotVS, &quarter);
  D3DXMATRIX local = frame.GetTransformMatrix(false);
  D3DXVec3TransformCoord(&moved, &origin, &local);
  EXPECT_TRUE(Near(moved, D3DXVECTOR3(1, -1, 0)));
}

TEST(FrameTest, RenderHierarchyLinksTheSubtreeAndFindsItsWorldAndBoundary) {
  CRootRenderFrame root;
  auto* world = reinterpret_cast<CXFileDataList*>(&root);  // only compared
  ASSERT_TRUE(root.Initialize(world, nullptr, nullptr, false));
  EXPECT_EQ(root.GetFrameType(), CFrame::eRootRenderFrame);
  EXPECT_EQ(std::string(root.GetName()).rfind("RootRenderFrame", 0), 0u);
  root.SetAsRootRenderFrame();

  auto* boundary = new CDynamicWorldBoundaryFrame;
  auto* top = new CFrame;
  auto* below = new CFrame;
  ASSERT_EQ(boundary->Initialize(nullptr, const_cast<char*>("b"), CFrame::eDynamicWorldBoundaryFrame, false), S_OK);
  ASSERT_EQ(top->Initialize(const_cast<char*>("top")), S_OK);
  ASSERT_EQ(below->Initialize(const_cast<char*>("below")), S_OK);
  top->AddChildObject(eOwnedChild, below, false);  // not yet in a hierarchy
  EXPECT_EQ(below->GetRenderFrameWorldList(), nullptr);
  EXPECT_FALSE(below->IsRenderFrameHierarchyMember());

  root.AddChildRenderFrame(eOwnedChild, boundary, false);
  boundary->AddChildRenderFrame(eOwnedChild, top, false);
  EXPECT_EQ(below->GetParentRenderFrame(), top);
  EXPECT_TRUE(below->IsRenderFrameHierarchyMember());
  EXPECT_EQ(below->GetRenderFrameWorldList(), world);
  EXPECT_EQ(below->GetFirstAncestorBoundaryFrame(), boundary);
  EXPECT_EQ(boundary->GetFirstAncestorBoundaryFrame(), nullptr);

  // Detaching keeps the frame and tells how it was held.
  EXPECT_EQ(top->DetachFromParentRenderFrame(false), eOwnedChild);
  EXPECT_EQ(top->GetParentRenderFrame(), nullptr);
  EXPECT_EQ(CountFrames(*boundary), 0);
  EXPECT_EQ(below->GetRenderFrameWorldList(), nullptr);
  top->ResetRenderFrameHierarchy();
  EXPECT_FALSE(below->IsRenderFrameHierarchyMember());
  delete top;
}

TEST(FrameTest, ARenderFrameThatHoldsItsNewParentIsRefusedAndWalksEnd) {
  CFrame root;
  auto* middle = new CFrame;
  auto* leaf = new CFrame;
  ASSERT_EQ(root.Initialize(const_cast<char*>("root")), S_OK);
  ASSERT_EQ(middle->Initialize(const_cast<char*>("middle")), S_OK);
  ASSERT_EQ(leaf->Initialize(const_cast<char*>("leaf")), S_OK);
  root.SetAsRootRenderFrame();
  root.AddChildRenderFrame(eOwnedChild, middle, false);
  middle->AddChildRenderFrame(eOwnedChild, leaf, false);

  leaf->AddChildRenderFrame(eReferenceChild, &root, false);
  leaf->AddChildRenderFrame(eReferenceChild, middle, false);
  middle->AddChildRenderFrame(eReferenceChild, middle, false);
  CChildObject* entry = nullptr;
  EXPECT_FALSE(leaf->AddChildRenderFrame(&entry, eReferenceChild, &root));
  EXPECT_EQ(CountFrames(*leaf), 0);
  EXPECT_EQ(CountFrames(*middle), 1);
  EXPECT_EQ(root.GetParentRenderFrame(), nullptr);
  EXPECT_EQ(middle->GetParentRenderFrame(), &root);

  // Nor is a frame linked below a frame that lies below it.
  root.BuildRenderFrameHierarchy(leaf, false);
  EXPECT_EQ(root.GetParentRenderFrame(), nullptr);
  CFrame loose;
  ASSERT_EQ(loose.Initialize(const_cast<char*>("loose")), S_OK);
  loose.BuildRenderFrameHierarchy(leaf, false);
  leaf->BuildRenderFrameHierarchy(&loose, false);
  EXPECT_EQ(leaf->GetParentRenderFrame(), middle);

  // The walks up and down the tree end.
  D3DXMATRIX move = Translation(1, 0, 0);
  leaf->SetTransformMatrix(&move, false, CFrame::eReplace, true, false);
  EXPECT_TRUE(Near(leaf->ComputeWorldTransform(false), move));
  EXPECT_TRUE(root.ComputeBoundingObjectsHierarchy(false, false, false));
}

TEST(FrameTest, ClonesCopyTransformNameAndTypeButNoChildFrames) {
  CFrame source;
  D3DXMATRIX t = Translation(1, 2, 3);
  ASSERT_EQ(source.Initialize(&t, nullptr, CFrame::eDXMeshFrame, false), S_OK);
  auto* child = new CFrame;
  ASSERT_EQ(child->Initialize(const_cast<char*>("child")), S_OK);
  source.AddChildObject(eOwnedChild, child, false);

  CXFileDataObject* made = nullptr;
  ASSERT_TRUE(source.InitializeClone(&made, nullptr));
  std::unique_ptr<CFrame> clone(static_cast<CFrame*>(made));
  EXPECT_EQ(std::string(clone->GetName()).rfind("DXFrameClone", 0), 0u);
  EXPECT_EQ(clone->GetFrameType(), CFrame::eDXMeshFrame);
  EXPECT_TRUE(Near(clone->GetTransformMatrix(false), t));
  EXPECT_EQ(CountFrames(*clone), 0);

  CFrame copy;
  ASSERT_TRUE(copy.InitializeHierarchy(&source, false, const_cast<char*>("copy")));
  EXPECT_STREQ(copy.GetName(), "copy");
  EXPECT_EQ(CountFrames(copy), 1);
  POSITION pos = copy.GetChildHeadPosition();
  CFrame* copied = copy.GetNextFrame(pos, false, false);
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, child);
  EXPECT_EQ(std::string(copied->GetName()).rfind("childClone", 0), 0u);
}

TEST(FrameTest, HierarchyCopiesShareMeshesOnlyWhenAsked) {
  CFrame source;
  ASSERT_EQ(source.Initialize(const_cast<char*>("source")), S_OK);
  auto* mesh = new scene_test::CProbe("mesh", nullptr, &TID_D3DRMMesh);
  source.AddChildObject(eOwnedChild, mesh, false);
  auto* camera = new CFrame;
  ASSERT_EQ(camera->Initialize(nullptr, const_cast<char*>("camera"), CFrame::eCameraFrame, false), S_OK);
  source.AddChildObject(eOwnedChild, camera, false);

  for (bool share : {true, false}) {
    CFrame copy;
    ASSERT_TRUE(copy.InitializeHierarchy(&source, share, nullptr));
    EXPECT_EQ(CountFrames(copy), 0);  // frames of other kinds than plain stay behind
    POSITION pos = copy.GetChildHeadPosition();
    EXPECT_EQ(copy.GetNextMesh(pos, false, false), share ? mesh : nullptr);
    if (share) {
      EXPECT_TRUE(copy.GetChildObjectList().GetTail()->IsReference());
    }
  }
  EXPECT_FALSE(mesh->IsDeleted());
}

TEST(FrameTest, InitialTransformsAndTheDynamicObjectsRoot) {
  CFrame root;
  ASSERT_EQ(root.Initialize(const_cast<char*>("root")), S_OK);
  root.SetAsRootRenderFrame();
  ASSERT_TRUE(root.CreateDynamicObjectsRootFrame());
  CFrame* dynamic = root.GetDynamicObjectsRootFrame();
  ASSERT_NE(dynamic, nullptr);
  EXPECT_STREQ(dynamic->GetName(), "DynamicObjectsRootFrame");
  EXPECT_FALSE(dynamic->IsOriginalFrame());
  EXPECT_EQ(dynamic->GetParentRenderFrame(), &root);

  D3DXMATRIX moved = Translation(0, 3, 0), turned = RotationZ(1);
  root.SetTransformMatrix(&moved, false, CFrame::eReplace, false, false);
  dynamic->SetTransformMatrix(&turned, false, CFrame::eReplace, false, false);
  EXPECT_TRUE(Near(*dynamic->GetInitialFrameTransform(), Identity()));
  root.SetFrameHierarchyInitialTransforms();
  EXPECT_TRUE(Near(*root.GetInitialFrameTransform(), moved));
  EXPECT_TRUE(Near(*dynamic->GetInitialFrameTransform(), turned));
}

TEST(FrameTest, ScalingKeepsTheBoxCentreInPlace) {
  CFrame frame;
  ASSERT_EQ(frame.Initialize(const_cast<char*>("f")), S_OK);
  D3DXVECTOR3 min(2, 2, 2), max(4, 4, 4), centre(3, 3, 3), moved;
  frame.GetBoundingBox()->Initialize(&min, &max, false);
  frame.SetTransformMatrix(3.0f, false, CFrame::eReplace);
  D3DXMATRIX local = frame.GetTransformMatrix(false);
  D3DXVec3TransformCoord(&moved, &centre, &local);
  EXPECT_TRUE(Near(moved, centre));
  D3DXVec3TransformCoord(&moved, &max, &local);
  EXPECT_TRUE(Near(moved, D3DXVECTOR3(6, 6, 6)));

  D3DXVECTOR3 position(1, 0, 0);
  frame.SetTransformMatrix(&position, false, CFrame::eApplyAfter);
  EXPECT_TRUE(Near(frame.GetTransformMatrix(false), local * Translation(1, 0, 0)));
}

TEST(FrameTest, CountersWrapAroundAndReadZeroOnceDeleted) {
  CFrame frame;
  ASSERT_EQ(frame.Initialize(const_cast<char*>("f")), S_OK);
  frame.SetMaxVerticesCount(3);
  frame.AddDeltaVerticesCount(-5);
  EXPECT_EQ(frame.GetMaxVerticesCount(false), 4294967294u);
  frame.AddDeltaActiveTrianglesCount(12);
  frame.AddDeltaActiveTrianglesCount(-2);
  frame.AddDeltaOriginalVerticesCount(7);
  EXPECT_EQ(frame.GetActiveTrianglesCount(false), 10u);
  EXPECT_EQ(frame.GetOriginalVerticesCount(false), 7u);
  EXPECT_EQ(frame.GetMaxTrianglesCount(false), 0u);
  frame.DeleteContent(false);
  EXPECT_EQ(frame.GetActiveTrianglesCount(false), 0u);
  EXPECT_EQ(frame.GetOriginalVerticesCount(false), 0u);
  EXPECT_EQ(frame.GetMaxVerticesCount(false), 0u);
}

}  // namespace
