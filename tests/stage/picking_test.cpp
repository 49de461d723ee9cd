// Picking through a camera: the hit map in depth order, the selection taken
// from it with the handle of the selected frame, misses, busy frames, and
// placing a new frame to the right of the others.
#include <framehandle.h>
#include <hitframe.h>

#include <vector>

#include "../scene/busy_object.h"
#include "stage_test_support.h"

namespace {

using Picking = StageTest;

std::vector<CFrame*> MapFrames(CXFileDataList& world) {
  std::vector<CFrame*> frames;
  for (const auto& [key, hit] : world.GetHitMap()) frames.push_back(hit->GetFrame());
  return frames;
}

int HandlesOf(CFrame* frame) {
  int handles = 0;
  POSITION pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false)) handles += child->GetFrameType() == CFrame::eFrameHandle;
  return handles;
}

TEST_F(Picking, ARayThroughTheBoxesSelectsTheNearestAndListsTheHitsInDepthOrder) {
  CFrame* nearBox = AddBox({0, 0, 4}, 1, 1, 1, GreenMaterial());
  CFrame* farBox = AddBox({0, 0, 8}, 1, 1, 1, GreenMaterial());
  AddBox({3, 0, 4}, 1, 1, 1, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  D3DXVECTOR3 ahead(0, 0, 1);

  EXPECT_EQ(m_world.CreateHitList(camera, &ahead, true), 2u);
  EXPECT_EQ(MapFrames(m_world), (std::vector<CFrame*>{nearBox, farBox}));
  EXPECT_EQ(m_world.GetSelectedFrame(), nearBox);
  EXPECT_TRUE(nearBox->IsSelected());
  CHitFrame* hit = m_world.GetSelectedHitFrame();
  EXPECT_EQ(hit->GetHitsCount(), 2u);
  EXPECT_NEAR(hit->GetFirstHitPointWS()->z, 3.5f, 1e-4f);
  EXPECT_NEAR(hit->GetSecondHitPointWS()->z, 4.5f, 1e-4f);
  EXPECT_EQ(HandlesOf(nearBox), 1);

  // The same ray again crosses the handle around the selected box: the
  // handle is taken and the box stays selected with its one handle.
  m_world.CreateHitList(camera, &ahead, true);
  EXPECT_TRUE(m_world.HandleFrameSelected());
  EXPECT_EQ(m_world.GetSelectedNonHandleFrame(), nearBox);
  EXPECT_EQ(HandlesOf(nearBox), 1);

  // A ray that misses everything selects nothing; the handle goes.
  D3DXVECTOR3 up(0, 1, 0.01f);
  EXPECT_EQ(m_world.CreateHitList(camera, &up, true), 0u);
  EXPECT_EQ(m_world.GetSelectedFrame(), nullptr);
  EXPECT_FALSE(nearBox->IsSelected());
  EXPECT_EQ(HandlesOf(nearBox), 0);
}

TEST_F(Picking, ABusyFrameIsSkippedNotWaitedFor) {
  CFrame* nearBox = AddBox({0, 0, 4}, 1, 1, 1, GreenMaterial());
  CFrame* farBox = AddBox({0, 0, 8}, 1, 1, 1, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  D3DXVECTOR3 ahead(0, 0, 1);
  {
    scene_test::CBusyObject job(nearBox);
    EXPECT_EQ(m_world.CreateHitList(camera, &ahead, true), 1u);
    EXPECT_EQ(m_world.GetSelectedFrame(), farBox);
  }
  m_world.UnselectSelectedFrame();
  EXPECT_EQ(m_world.GetSelectedFrame(), nullptr);
  EXPECT_EQ(HandlesOf(farBox), 0);
  EXPECT_EQ(m_world.CreateHitList(camera, &ahead, true), 2u);
  EXPECT_EQ(m_world.GetSelectedFrame(), nearBox);
}

TEST_F(Picking, SelectingAFrameThatCannotBePickedChangesNothing) {
  CFrame* box = AddBox({0, 0, 4}, 1, 1, 1, GreenMaterial());
  CFrame* other = AddBox({3, 0, 4}, 1, 1, 1, GreenMaterial());
  m_world.SetSelectedFrame(box);
  ASSERT_EQ(m_world.GetSelectedFrame(), box);
  other->SetPickableCapability(false);
  m_world.SetSelectedFrame(other);
  EXPECT_EQ(m_world.GetSelectedFrame(), box);
  EXPECT_EQ(HandlesOf(box), 1);
  EXPECT_EQ(HandlesOf(other), 0);
}

TEST_F(Picking, ANewFrameIsPlacedToTheRightOfTheOthersWithoutOverlap) {
  CFrame* content = m_world.GetWorldContentFrame();
  // Steps of three times the frame's radius (the sphere around its box).
  CFrame* lone = AddSphere({0, 0, 0}, 2, GreenMaterial());
  const float r = lone->GetRadiusFS();
  D3DXVECTOR3 step = lone->FindRightEmptyPositionPFS();
  EXPECT_NEAR(step.x, 3 * r, 1e-3f);
  // A sibling on the first place: the second one.
  CFrame* neighbour = AddSphere({3 * r, 0, 0}, 1, GreenMaterial());
  step = lone->FindRightEmptyPositionPFS();
  EXPECT_NEAR(step.x, 6 * r, 1e-3f);
  EXPECT_EQ(step.y, 0.0f);

  // A frame without extent, inside the first sphere, still finds a place.
  auto* point = new CFrame;
  point->Initialize(nullptr, const_cast<char*>("Point"), CFrame::ePlainFrame, false);
  D3DXVECTOR3 at(0, 0, 0);
  point->SetTransformMatrix(&at, true, CFrame::eReplace);
  content->AddChildRenderFrame(eOwnedChild, point, false);
  point->ComputeBoundingObjectsHierarchy(false, false, false);
  step = point->FindRightEmptyPositionPFS();
  CGSphere placed = point->ConvertBoundingSpherePFS(nullptr, false);
  D3DXVECTOR3 centre = *placed.GetCenterFS() + step;
  EXPECT_GT(step.x, 0.0f);
  for (CFrame* frame : {lone, neighbour}) {
    CGSphere s = frame->ConvertBoundingSpherePFS(nullptr, false);
    D3DXVECTOR3 apart = *s.GetCenterFS() - centre;
    EXPECT_GE(D3DXVec3Length(&apart), s.GetRadiusFS());
  }

  // Pushing apart: overlapping frames of radius q, centres 1 apart, go
  // q + q - 1 + q / 10 apart along the line between them.
  CFrame* a = AddSphere({40, 0, 0}, 1, GreenMaterial());
  CFrame* b = AddSphere({41, 0, 0}, 1, GreenMaterial());
  const float q = a->GetRadiusFS();
  EXPECT_EQ(content->MoveIntersectingChildren(a, 0), 1u);
  EXPECT_NEAR(b->GetTransformMatrix(false)._41, 41 + 2 * q - 1 + q / 10, 1e-3f);
  EXPECT_NEAR(b->GetTransformMatrix(false)._42, 0.0f, 1e-5f);
}

}  // namespace

namespace {

TEST_F(Picking, DraggingTheHandleOfASelectedFrameTurnsItAboutItsCentre) {
  CFrame* box = AddBox({0, 0, 6}, 2, 2, 2, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  const POINT middle{kWidth / 2, kHeight / 2}, right{kWidth / 2 + 4, kHeight / 2};

  // The first press selects the box, the second grabs its handle.
  camera->PressLeftButtonDown(&middle, true);
  ASSERT_EQ(m_world.GetSelectedFrame(), box);
  EXPECT_EQ(camera->GetViewAllFrame(), box);
  camera->ReleaseLeftButton(&middle, true);
  camera->PressLeftButtonDown(&middle, true);
  ASSERT_TRUE(m_world.HandleFrameSelected());
  auto* handle = dynamic_cast<CFrameHandle*>(m_world.GetSelectedFrame());
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(handle->IsDragging());
  EXPECT_EQ(handle->GetHitFace(), CGBox::eFront);
  EXPECT_EQ(camera->GetViewAllFrame(), box);

  // A drag at the press point does nothing; one to the right turns the box
  // about the vertical axis through its centre.
  const D3DXMATRIX before = box->GetTransformMatrix(false);
  camera->DragLeftButton(&middle, true);
  EXPECT_EQ(box->GetTransformMatrix(false)._11, before._11);
  camera->DragLeftButton(&right, true);
  const D3DXMATRIX turned = box->GetTransformMatrix(false);
  EXPECT_LT(turned._11, 0.9999f);
  EXPECT_NEAR(turned._22, 1.0f, 1e-4f) << "about the vertical axis";
  D3DXVECTOR3 centre(0, 0, 0), moved;
  D3DXVec3TransformCoord(&moved, &centre, &turned);
  EXPECT_NEAR(moved.x, 0.0f, 1e-4f);
  EXPECT_NEAR(moved.z, 6.0f, 1e-4f);

  camera->ReleaseLeftButton(&right, true);
  EXPECT_FALSE(handle->IsDragging());
}

}  // namespace

namespace {

TEST_F(Picking, ASphereHandleTurnsItsFrameByTheDraggedPoint) {
  CFrame* ball = AddSphere({0, 0, 6}, 1, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  CFrameHandle handle;
  D3DXVECTOR3 at(0, 0, 0);
  ASSERT_TRUE(handle.Initialize(4, ball, &at, 1.0f, false));
  EXPECT_EQ(handle.GetFrameType(), CFrame::eFrameHandle);
  EXPECT_EQ(handle.GetHandleType(), 4);
  D3DXMATRIX world = camera->ComputeWorldTransform(false);
  D3DXMATRIX view = camera->ComputeViewTransform(&world, false);
  D3DXMATRIX inverse = camera->ComputeInverseViewTransform(&view);

  D3DXVECTOR3 aside(0, 3, 1);  // misses the ball
  handle.PressLeftButtonDownSphere(&aside, &view, &inverse);
  EXPECT_FALSE(handle.IsDragging());
  D3DXVECTOR3 ahead(0, 0, 1), right(0.05f, 0, 1);
  handle.PressLeftButtonDownSphere(&ahead, &view, &inverse);
  ASSERT_TRUE(handle.IsDragging());
  const D3DXMATRIX before = ball->GetTransformMatrix(false);
  handle.DragSphere(&ahead, &view, &inverse);
  EXPECT_EQ(ball->GetTransformMatrix(false)._11, before._11) << "no turn without a move";
  handle.DragSphere(&right, &view, &inverse);
  const D3DXMATRIX turned = ball->GetTransformMatrix(false);
  EXPECT_LT(turned._11, 0.9999f);
  EXPECT_NEAR(turned._43, 6.0f, 1e-3f) << "about its centre";
  handle.ReleaseLeftButton(nullptr);
  EXPECT_FALSE(handle.IsDragging());
}

}  // namespace
