// Frames on screen through a camera: hidden subtrees, busy frames left out
// of a picture without waiting, animation sets shown and hidden, and the
// handle drawn around a selected frame.
#include <animation.h>
#include <rmxfguid.h>

#include <memory>

#include "../scene/busy_object.h"
#include "stage_test_support.h"

namespace {

class FrameRender : public StageTest {
 protected:
  // The pixel where the camera sees a world point.
  POINT Pixel(CCameraFrame* camera, const D3DXVECTOR3& p) {
    D3DXMATRIX world = camera->ComputeWorldTransform(false);
    const D3DXMATRIX view = camera->ComputeViewTransform(&world, false);
    const D3DXMATRIX toScreen = view * *static_cast<D3DXMATRIX*>(camera->GetProjectionMatrix());
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &toScreen);
    return {static_cast<LONG>((ndc.x + 1) / 2 * kWidth), static_cast<LONG>((1 - ndc.y) / 2 * kHeight)};
  }
  ::testing::AssertionResult Shows(const Picture& picture, CCameraFrame* camera, const D3DXVECTOR3& p,
                                   std::array<int, 3> colour) {
    const POINT at = Pixel(camera, p);
    return ColourNear(picture, at.x, at.y, colour, 12);
  }
  // A frame below parent holding a unit box of the colour at position.
  CFrame* AddBoxBelow(CFrame* parent, const D3DXVECTOR3& position, D3DMATERIAL8 material) {
    auto* frame = new CFrame;
    frame->Initialize(nullptr, const_cast<char*>("Below"), CFrame::ePlainFrame, false);
    auto* box = new CBox;
    EXPECT_EQ(box->Initialize(1, 1, 1, &material, const_cast<char*>("Box"), 0, false), S_OK);
    frame->AddChildObject(eOwnedChild, box, false);
    D3DXVECTOR3 at = position;
    frame->SetTransformMatrix(&at, true, CFrame::eReplace);
    parent->AddChildRenderFrame(eOwnedChild, frame, false);
    frame->ComputeBoundingObjectsHierarchy(false, false, false);
    frame->ComputeAncestorsBoundingObjects(false, false, false);
    return frame;
  }

  const std::array<int, 3> kBackground{0, 0, 64};
};

TEST_F(FrameRender, AHiddenFrameDrawsNothingOfItsSubtreeUntilShown) {
  AddBox({-2, 0, 0}, 1, 1, 1, Glowing(1, 0, 0));
  CFrame* hidden = AddBox({0, 0, 0}, 1, 1, 1, Glowing(0, 1, 0));
  // A child that is not hidden itself, below the hidden one.
  AddBoxBelow(hidden, {2, 0, 0}, Glowing(0, 0, 1));
  CCameraFrame* camera = AddCamera({0, 0, -4}, {0, 0, 0});
  hidden->Hide();
  EXPECT_FALSE(hidden->IsPickable());
  Picture picture;
  DrawView(camera, picture);
  EXPECT_TRUE(Shows(picture, camera, {-2, 0, -0.5f}, {255, 0, 0}));
  EXPECT_TRUE(Shows(picture, camera, {0, 0, -0.5f}, kBackground));
  EXPECT_TRUE(Shows(picture, camera, {2, 0, -0.5f}, kBackground));

  hidden->Show();
  DrawView(camera, picture);
  EXPECT_TRUE(Shows(picture, camera, {0, 0, -0.5f}, {0, 255, 0}));
  EXPECT_TRUE(Shows(picture, camera, {2, 0, -0.5f}, {0, 0, 255}));
  // Shown again, but not pickable until asked.
  EXPECT_FALSE(hidden->IsPickable());
  hidden->SetHierarchyPickableCapability(true);
  EXPECT_TRUE(hidden->IsPickable());
}

TEST_F(FrameRender, ABusyFrameIsLeftOutOfThePictureAndDrawnInTheNext) {
  AddBox({-2, 0, 0}, 1, 1, 1, Glowing(1, 0, 0));
  CFrame* busy = AddBox({0, 0, 0}, 1, 1, 1, Glowing(0, 1, 0));
  AddBox({2, 0, 0}, 1, 1, 1, Glowing(0, 0, 1));
  CCameraFrame* camera = AddCamera({0, 0, -4}, {0, 0, 0});
  Picture picture;
  {
    scene_test::CBusyObject job(busy);
    DrawView(camera, picture);
    EXPECT_TRUE(Shows(picture, camera, {-2, 0, -0.5f}, {255, 0, 0}));
    EXPECT_TRUE(Shows(picture, camera, {0, 0, -0.5f}, kBackground));
    EXPECT_TRUE(Shows(picture, camera, {2, 0, -0.5f}, {0, 0, 255})) << "the frames after it are drawn";
  }
  DrawView(camera, picture);
  EXPECT_TRUE(Shows(picture, camera, {0, 0, -0.5f}, {0, 255, 0}));
}

TEST_F(FrameRender, AnAnimationSetDrawsItsFramesWhilePlayingAndShown) {
  CCameraFrame* camera = AddCamera({0, 0, -4}, {0, 0, 0});
  // The animated frame stands outside the world: only the set draws it.
  auto frame = std::make_unique<CFrame>();
  frame->Initialize(nullptr, const_cast<char*>("Animated"), CFrame::ePlainFrame, false);
  auto* box = new CBox;
  D3DMATERIAL8 green = Glowing(0, 1, 0);
  ASSERT_EQ(box->Initialize(1, 1, 1, &green, const_cast<char*>("Box"), 0, false), S_OK);
  frame->AddChildObject(eOwnedChild, box, false);
  frame->ComputeBoundingObjectsHierarchy(false, false, false);
  CAnimationSet set;
  set.Initialize(const_cast<char*>("Set"), &TID_D3DRMAnimationSet, false);
  auto* animation = new CAnimation;
  animation->Initialize(const_cast<char*>("Animation"), &TID_D3DRMAnimation, false);
  animation->AddChildObject(eReferenceChild, frame.get(), false);
  animation->SetOptionalMembers();
  set.AddChildObject(eOwnedChild, animation, false);
  set.FillAnimationList();
  ASSERT_EQ(animation->GetFrame(), frame.get());

  auto drawSet = [&](IDirect3DDevice8* device) {
    D3DXMATRIX identity, world = camera->ComputeWorldTransform(false);
    D3DXMatrixIdentity(&identity);
    D3DXMATRIX view = camera->ComputeViewTransform(&world, false);
    EXPECT_EQ(set.Render(device, &identity, 1, 0, camera, &view, nullptr), S_OK);
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    bool drawn;
  } steps[] = {
      {"stopped", [] {}, false},
      {"playing", [&] { set.Play(); }, true},
      {"hidden", [&] { set.Hide(); }, false},
      {"shown", [&] { set.Show(); }, true},
  };
  Picture picture;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    DrawView(camera, picture, D3DCOLOR_XRGB(0, 0, 64), drawSet);
    EXPECT_TRUE(Shows(picture, camera, {0, 0, -0.5f}, step.drawn ? std::array<int, 3>{0, 255, 0} : kBackground));
  }
  EXPECT_TRUE(frame->IsHiden() == false);
}

TEST_F(FrameRender, ASelectedFrameShowsItsHandleOverItsSurface) {
  CFrame* box = AddBox({0, 0, 0}, 1, 1, 1, Glowing(1, 0, 0));
  CCameraFrame* camera = AddCamera({0, 0, -4}, {0, 0, 0});
  Picture before, selected, after;
  DrawView(camera, before);
  m_world.SetSelectedFrame(box);
  ASSERT_EQ(m_world.GetSelectedFrame(), box);
  DrawView(camera, selected);
  m_world.UnselectSelectedFrame();
  DrawView(camera, after);

  const POINT middle = Pixel(camera, {0, 0, -0.5f});
  EXPECT_TRUE(ColourNear(before, middle.x, middle.y, {255, 0, 0}, 12));
  // The grey glass of the handle lies over the red surface.
  const auto covered = selected.At(middle.x, middle.y);
  EXPECT_LT(covered[0], 240);
  EXPECT_GT(covered[1], 20);
  EXPECT_TRUE(ColourNear(after, middle.x, middle.y, {255, 0, 0}, 12)) << "the handle goes with the selection";
  // Around the box the background stays.
  EXPECT_TRUE(ColourNear(selected, 2, 2, kBackground, 12));
}

}  // namespace
