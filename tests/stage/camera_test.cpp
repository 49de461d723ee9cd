// The camera: its depth from the world boundary, pick rays, the view
// transform, drawing a world, navigation, the collision push, view-all,
// the empty place for a new frame and the metrics texts.
#include <dynamicworldboundaryframe.h>
#include <lightsmanager.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "stage_test_support.h"

namespace {

using Camera = StageTest;

// Calls step until done() holds or five seconds pass; whether it held.
bool StepUntil(const std::function<void()>& step, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    step();
  }
  return true;
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

}  // namespace

TEST_F(Camera, InitializeHangsAPickableCameraInTheContentAndRegistersIt) {
  CCameraFrame* camera = AddCamera({0, 0, -3}, {0, 0, 0});
  EXPECT_EQ(camera->GetFrameType(), CFrame::eCameraFrame);
  EXPECT_EQ(camera->GetParentRenderFrame(), m_world.GetWorldContentFrame());
  EXPECT_TRUE(camera->IsPickable());
  EXPECT_FALSE(camera->CollisionDetectionActivated());
  EXPECT_FLOAT_EQ(camera->GetCameraShrinkFactor(), 1.0f);
  EXPECT_EQ(m_world.GetCamerasList()->GetCount(), 1);
  EXPECT_EQ(m_world.GetCamerasList()->GetHead(), camera);
  EXPECT_EQ(camera->GetWorldRenderFrame(), m_world.GetRenderFrame());
}

TEST_F(Camera, TheDepthFollowsTheBoundaryRadiusAndTheShrinkFactor) {
  CCameraFrame* camera = AddCamera({0, 0, -3}, {0, 0, 0});
  const float r = m_world.GetWorldBoundaryFrame()->GetRadiusFS();
  ASSERT_NEAR(r, 5.0f * std::sqrt(3.0f), 1e-4f);  // the 10 m box of an empty world
  // A quarter turn across: the boundary fills the view at distance r.
  struct Case {
    float shrink, nearPlane, farPlane;
  };
  for (const Case& c : {Case{1, 2 * r / 100, 2 * r}, Case{2, r / 100, r}, Case{0, r / 100, 2 * r}}) {
    camera->SetCameraShrinkFactor(c.shrink, false);
    EXPECT_NEAR(camera->GetViewingFrustum()->GetFarPlane(), c.farPlane, 1e-3f) << c.shrink;
    EXPECT_NEAR(camera->GetNearPlane(), c.nearPlane, 1e-4f) << c.shrink;
    // Up and down is the motion of a new camera.
    EXPECT_NEAR(camera->GetMovingObject()->GetCurrentOrientation()->y, 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(camera->GetMovingObject()->GetLinearVelocity(), 0.0f);
  }
  // The world grows: the cameras follow.
  camera->SetCameraShrinkFactor(1, false);
  AddBox({0, 0, 0}, 4, 1, 1, GreenMaterial());
  const float grown = m_world.GetWorldBoundaryFrame()->GetRadiusFS();
  EXPECT_NEAR(grown, 20.0f * std::sqrt(3.0f), 1e-3f);
  EXPECT_NEAR(camera->GetViewingFrustum()->GetFarPlane(), 2 * grown, 1e-2f);
}

TEST_F(Camera, APickRayThroughTheMiddleOfTheViewHitsWhatStandsInFront) {
  CFrame* box = AddBox({0, 0, 4}, 1, 1, 1, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  const D3DXMATRIX world = camera->ComputeWorldTransform(false);
  D3DXMATRIX view = camera->ComputeViewTransform(const_cast<D3DXMATRIX*>(&world), false);
  const D3DXMATRIX inverse = camera->ComputeInverseViewTransform(&view);
  D3DXVECTOR3 origin = camera->ComputeEyePointWS();
  CGBox target = box->ConvertBoundingBoxWS();
  struct Case {
    POINT point;
    DWORD hits;
  };
  for (const Case& c : {Case{{kWidth / 2, kHeight / 2}, 2}, Case{{0, 0}, 0}, Case{{kWidth - 1, kHeight / 2}, 0}}) {
    D3DXVECTOR3 rayVS, ray;
    camera->ComputeMousePickRayVS(&rayVS, &c.point);
    if (c.hits) {
      EXPECT_NEAR(rayVS.x / rayVS.z, 0.0f, 0.05f);
      EXPECT_NEAR(rayVS.y / rayVS.z, 0.0f, 0.05f);
      EXPECT_GT(rayVS.z, 0.0f);
    }
    D3DXVec3TransformNormal(&ray, &rayVS, &inverse);
    D3DXVECTOR3 out[2];
    EXPECT_EQ(target.ComputeRayBoxIntersections(out, &origin, &ray, false), c.hits) << c.point.x << ", " << c.point.y;
  }
}

TEST_F(Camera, TheViewMatrixFollowsTheCameraMovedAndTurned) {
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const D3DXMATRIX atOrigin = camera->ComputeViewTransform(&identity, false);
  EXPECT_NEAR(Transformed({0, 0, 1}, atOrigin).z, 1.0f, 1e-6f);

  // Moved: a pure translation.
  const D3DXVECTOR3 eye(1, 2, 3), ahead(1, 2, 4), up(0, 1, 0);
  camera->SetTransformMatrix(&eye, &ahead, &up, false, false);
  D3DXMATRIX m = camera->GetTransformMatrix(false);
  EXPECT_NEAR(m._41, 1.0f, 1e-6f);
  EXPECT_NEAR(m._42, 2.0f, 1e-6f);
  EXPECT_NEAR(m._43, 3.0f, 1e-6f);
  EXPECT_NEAR(m._11, 1.0f, 1e-6f);
  EXPECT_NEAR(m._33, 1.0f, 1e-6f);

  // Turned to look along +x: what lies ahead is on the view's z axis, what
  // lies above on its y axis.
  const D3DXVECTOR3 right(2, 2, 3);
  camera->SetTransformMatrix(&eye, &right, &up, false, false);
  D3DXMATRIX world = camera->ComputeWorldTransform(false);
  const D3DXMATRIX view = camera->ComputeViewTransform(&world, false);
  const D3DXVECTOR3 front = Transformed({3, 2, 3}, view), above = Transformed({1, 3, 3}, view);
  EXPECT_NEAR(front.x, 0.0f, 1e-5f);
  EXPECT_NEAR(front.y, 0.0f, 1e-5f);
  EXPECT_NEAR(front.z, 2.0f, 1e-5f);
  EXPECT_NEAR(above.y, 1.0f, 1e-5f);
  EXPECT_NEAR(above.z, 0.0f, 1e-5f);
  const D3DXVECTOR3 eyeWS = camera->ComputeEyePointWS();
  EXPECT_NEAR(eyeWS.x, 1.0f, 1e-5f);
  EXPECT_NEAR(camera->ComputeLookVectorWS().x, 1.0f, 1e-5f);
}

TEST_F(Camera, DrawsABoxWorldOpaqueOnTheBackground) {
  AddBox({0, 0, 0}, 1, 1, 1, Glowing(1, 0, 0));
  CCameraFrame* camera = AddCamera({0, 0, -3}, {0, 0, 0});
  Picture picture;
  DrawView(camera, picture);
  // The box covers about a third of the view's height around its middle.
  const auto middle = picture.At(kWidth / 2, kHeight / 2);
  EXPECT_GT(middle[0], 200);
  EXPECT_LT(middle[1], 60);
  EXPECT_LT(middle[2], 60);
  const auto corner = picture.At(2, 2);
  EXPECT_LT(corner[0], 60) << "the background shows around the box";
  EXPECT_GT(corner[2], 40);

  // A camera not marked used draws nothing.
  camera->SetCameraUsedFlag(false);
  Picture empty;
  DrawView(camera, empty);
  EXPECT_TRUE(ColourNear(empty, kWidth / 2, kHeight / 2, {0, 0, 64}, 0));
}

TEST_F(Camera, ALitSphereDarkensWhenItsSideLightGoes) {
  D3DMATERIAL8 white{};
  white.Diffuse = {1, 1, 1, 1};
  white.Ambient = {1, 1, 1, 1};
  AddSphere({0, 0, 0}, 1, white);
  CCameraFrame* camera = AddCamera({0, 0, -3}, {0, 0, 0});
  CLightsManager* lights = m_world.GetLightsManager();
  ASSERT_NE(lights->GetDirectionalLightFromRightFrame(), nullptr);
  Picture lit, dark;
  DrawView(camera, lit);
  // The light from the right shines on the sphere's right side.
  const UINT x = kWidth / 2 + 8, y = kHeight / 2;
  EXPECT_GT(lit.At(x, y)[0], 100);
  ASSERT_TRUE(lights->DestroyDirectionalLightFromRight(false));
  DrawView(camera, dark);
  EXPECT_LT(dark.At(x, y)[0], 20);
}

// Key sequences and the motion they give.
struct KeyCase {
  const char* keys;  // F/B/C/W press forward/backward/clockwise/counter; f/b/c/w release
  EMoving moving;
  EAccelerationStatus linear;
  ERotating rotating;
};

class CameraKeys : public StageTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(CameraKeys, GiveTheMotionOfTheirRules) {
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  // Along the look vector from the next placement on.
  camera->SetCameraMovingMode(CMovingObject::eForwardBackward, false);
  const D3DXVECTOR3 eye(0, 0, 0), ahead(0, 0, 1), up(0, 1, 0);
  camera->SetTransformMatrix(&eye, &ahead, &up, false, false);
  for (const char* k = GetParam().keys; *k; ++k) {
    switch (*k) {
      case 'F': camera->PressMoveForwardKey(false); break;
      case 'B': camera->PressMoveBackwardKey(false); break;
      case 'C': camera->PressRotateClockwiseKey(false); break;
      case 'W': camera->PressRotateCounterlockwiseKey(false); break;
      case 'f': camera->ReleaseMoveForwardKey(false); break;
      case 'b': camera->ReleaseMoveBackwardKey(false); break;
      case 'c': camera->ReleaseRotateClockwiseKey(false); break;
      case 'w': camera->ReleaseRotateCounterclockwiseKey(false); break;
    }
  }
  CMovingObject* motion = camera->GetMovingObject();
  EXPECT_EQ(motion->IsMoving(), GetParam().moving);
  EXPECT_EQ(motion->IsRotating(), GetParam().rotating);
  if (GetParam().moving != eNotMoving) {
    // Held on: the camera moves along its look vector, the sign of the
    // motion, and keeps its height and side.
    const D3DXVECTOR3 start = camera->ComputeEyePointPFS(false);
    const D3DXVECTOR3 look = camera->ComputeLookVectorPFS(false);
    ASSERT_TRUE(StepUntil([&] { camera->Animate(false); },
                          [&] {
                            const D3DXVECTOR3 moved = camera->ComputeEyePointPFS(false) - start;
                            return D3DXVec3Length(&moved) > 1e-3f;
                          }));
    const D3DXVECTOR3 moved = camera->ComputeEyePointPFS(false) - start;
    const float along = D3DXVec3Dot(&moved, &look);
    if (GetParam().rotating == eNotRotating) {
      EXPECT_EQ(along > 0, GetParam().moving == eMovingForward) << along;
      EXPECT_NEAR(moved.y, 0.0f, 1e-5f);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CameraKeys,
    ::testing::Values(KeyCase{"", eNotMoving, eNoAcceleration, eNotRotating},
                      KeyCase{"F", eMovingForward, eAccelerating, eNotRotating},
                      KeyCase{"B", eMovingBackward, eAccelerating, eNotRotating},
                      KeyCase{"Ff", eNotMoving, eNoAcceleration, eNotRotating},
                      KeyCase{"FBf", eMovingBackward, eAccelerating, eNotRotating},
                      KeyCase{"BFb", eMovingForward, eAccelerating, eNotRotating},
                      KeyCase{"FBb", eMovingForward, eAccelerating, eNotRotating},
                      KeyCase{"C", eNotMoving, eNoAcceleration, eRotatingClockwise},
                      KeyCase{"CWc", eNotMoving, eNoAcceleration, eRotatingCounterclockwise},
                      KeyCase{"Cc", eNotMoving, eNoAcceleration, eNotRotating},
                      KeyCase{"FC", eMovingForward, eAccelerating, eRotatingClockwise}));

TEST_F(Camera, TurningKeysTurnTheCameraOnTheSpotOppositeWays) {
  CCameraFrame* camera = AddCamera({1, 0, 0}, {1, 0, 1});
  float turned[2] = {0, 0};
  int i = 0;
  for (bool clockwise : {true, false}) {
    const D3DXVECTOR3 eye(1, 0, 0), ahead(1, 0, 1), up(0, 1, 0);
    camera->SetTransformMatrix(&eye, &ahead, &up, false, false);
    clockwise ? camera->PressRotateClockwiseKey(false) : camera->PressRotateCounterlockwiseKey(false);
    ASSERT_TRUE(StepUntil([&] { camera->Animate(false); },
                          [&] { return std::fabs(camera->ComputeLookVectorPFS(false).x) > 1e-3f; }));
    clockwise ? camera->ReleaseRotateClockwiseKey(false) : camera->ReleaseRotateCounterclockwiseKey(false);
    const D3DXVECTOR3 stays = camera->ComputeEyePointPFS(false);
    EXPECT_NEAR(stays.x, 1.0f, 1e-4f);
    EXPECT_NEAR(stays.z, 0.0f, 1e-4f);
    EXPECT_NEAR(camera->ComputeUpVectorPFS(false).y, 1.0f, 1e-4f);
    turned[i++] = camera->ComputeLookVectorPFS(false).x;
  }
  EXPECT_LT(turned[0] * turned[1], 0.0f);
}

TEST_F(Camera, WithCollisionOnAMovingCameraPushesTheFrameInItsWay) {
  CFrame* ball = AddSphere({0, 0, 2}, 0.5f, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  camera->SetCollisionDetection(true);
  // Without extent the camera pushes nothing.
  D3DXMATRIX through;
  D3DXMatrixTranslation(&through, 0, 0, 4);
  camera->SetTransformMatrix(&through, false, false);
  EXPECT_NEAR(ball->GetCenterPFS(nullptr).z, 2.0f, 1e-5f);

  // With a body of radius 0.5 it pushes the ball ahead of it.
  D3DXMATRIX back;
  D3DXMatrixIdentity(&back);
  camera->SetTransformMatrix(&back, true, false);
  auto* body = new CSphere;
  D3DMATERIAL8 material = GreenMaterial();
  ASSERT_EQ(body->Initialize(0.5f, &material, const_cast<char*>("Body"), 0), S_OK);
  camera->AddChildObject(eOwnedChild, body, false);
  camera->ComputeBoundingObjectsHierarchy(false, false, false);
  camera->SetTransformMatrix(&through, false, false);
  const D3DXVECTOR3 pushed = ball->GetCenterPFS(nullptr);
  EXPECT_GT(pushed.z, 4.0f);
  EXPECT_NEAR(pushed.x, 0.0f, 1e-4f);
  EXPECT_NEAR(pushed.y, 0.0f, 1e-4f);
  EXPECT_NEAR(camera->ComputeEyePointPFS(false).z, 4.0f, 1e-5f) << "the camera's own move is not shortened";
}

TEST_F(Camera, ViewAllPutsTheWholeFrameOrTheWholeSceneInTheNarrowerField) {
  CFrame* one = AddBox({0, 0, 5}, 2, 2, 2, GreenMaterial());
  AddBox({6, 0, 5}, 2, 2, 2, GreenMaterial());
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  const float vertical = camera->GetViewingFrustum()->GetVerticalFOV();
  ASSERT_LT(vertical, camera->GetViewingFrustum()->GetHorizontalFOV());
  struct Case {
    CFrame* frame;  // NULL: the whole content
    D3DXVECTOR3 centre;
    float radius;
  };
  const float r1 = std::sqrt(3.0f);
  const float rAll = std::sqrt(8.0f * 8.0f + 2 * 2 + 2 * 2) / 2;
  for (const Case& c : {Case{one, {0, 0, 5}, r1}, Case{nullptr, {3, 0, 5}, rAll}}) {
    ASSERT_TRUE(camera->ViewAllFrame2(c.frame, false));
    float d = c.radius / std::tan(vertical / 2);
    EXPECT_NEAR(camera->ComputeViewAllDistance(c.radius), d, 1e-4f);
    // The near plane stays clear of the sphere.
    d = std::max(d, camera->GetNearPlane() + c.radius);
    const D3DXVECTOR3 eye = camera->ComputeEyePointPFS(false);
    EXPECT_NEAR(eye.x, c.centre.x, 1e-3f);
    EXPECT_NEAR(eye.y, c.centre.y, 1e-3f);
    EXPECT_NEAR(eye.z, c.centre.z - d, 1e-3f);
    EXPECT_NEAR(camera->ComputeLookVectorPFS(false).z, 1.0f, 1e-5f) << "the orientation stays";
  }
  EXPECT_FLOAT_EQ(camera->ComputeViewAllDistance(0), 0.0f);
}

TEST_F(Camera, AnEmptyPlaceLiesAheadBeyondTheFramesInTheWay) {
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  const float start = camera->ComputeViewAllDistance(1);
  // Nothing in the way: the start point.
  EXPECT_NEAR(camera->FindEmptyPositionPFS(1).z, start, 1e-4f);
  // A ball of radius 1 on the start point: three radii further at a time
  // until the spheres no longer overlap.
  AddSphere({0, 0, start}, 1, GreenMaterial());
  const D3DXVECTOR3 p = camera->FindEmptyPositionPFS(1);
  EXPECT_NEAR(p.z, start + 3, 1e-3f);
  EXPECT_NEAR(p.x, 0.0f, 1e-5f);
}

TEST_F(Camera, TheMetricsTextsDescribeTheViewAllFrame) {
  CCameraFrame* camera = AddCamera({0, 0, 0}, {0, 0, 1});
  CString triangles("x"), vertices("x"), kind("x"), percent("x");
  EXPECT_FALSE(camera->GetViewAllFrameMetrics(triangles, vertices, kind, percent, false));
  EXPECT_TRUE(triangles.IsEmpty() && vertices.IsEmpty() && kind.IsEmpty() && percent.IsEmpty());

  struct Case {
    CFrame::EFrameType type;
    DWORD active, original, vertices;
    const char *kind, *percent;
  };
  for (const Case& c : {Case{CFrame::eConnectivityMeshFrame, 50, 200, 30, "CMesh", "25.0% of Original"},
                        Case{CFrame::eDXPMeshFrame, 7, 0, 9, "PMesh", ""},
                        Case{CFrame::eDXMeshFrame, 1, 3, 3, "RMMesh", "33.3% of Original"},
                        Case{CFrame::ePlainFrame, 12, 12, 8, "", "100.0% of Original"}}) {
    CFrame frame;
    frame.Initialize(nullptr, const_cast<char*>("Shown"), c.type, false);
    frame.SetActiveTrianglesCount(c.active);
    frame.AddDeltaOriginalTrianglesCount(static_cast<LONG>(c.original));
    frame.SetActiveVerticesCount(c.vertices);
    camera->SetViewAllFrame(&frame);
    ASSERT_TRUE(camera->GetViewAllFrameMetrics(triangles, vertices, kind, percent, false));
    EXPECT_EQ(std::string(triangles), std::to_string(c.active) + " triangles");
    EXPECT_EQ(std::string(vertices), std::to_string(c.vertices) + " vertices");
    EXPECT_STREQ(static_cast<const char*>(kind), c.kind);
    EXPECT_STREQ(static_cast<const char*>(percent), c.percent);
    camera->SetViewAllFrame(nullptr);
  }
}
