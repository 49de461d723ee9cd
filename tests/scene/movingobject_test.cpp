#include <gtest/gtest.h>
#include <mmsystem.h>
#include <movingobject.h>

#include <cstring>

#include "math_expect.h"

namespace {

using math_expect::Near;

// The millisecond clock, set by the tests; it starts just before its
// wrap-around.
DWORD g_now = 0;
DWORD Now() { return g_now; }

class MovingObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 0xFFFFFE00u;
    m_previous = SetTimeGetTimeSource(Now);
  }
  void TearDown() override { SetTimeGetTimeSource(m_previous); }

 private:
  TimeSource m_previous = nullptr;
};

D3DXVECTOR3 Offset(const D3DXMATRIX& m) { return {m._41, m._42, m._43}; }

void Initialize(CMovingObject& object, D3DXVECTOR3 orientation, float maxSpeed, float acceleration) {
  D3DXVECTOR3 axis(0, 1, 0);
  ASSERT_TRUE(object.Initialize(&orientation, &axis, maxSpeed, acceleration, maxSpeed, acceleration, false));
}

TEST_F(MovingObjectTest, InitializeNamesAndStoresTheMotion) {
  CMovingObject object;
  EXPECT_FALSE(object.IsInitialized());
  EXPECT_EQ(object.GetMovingMode(), CMovingObject::eUpDown);
  Initialize(object, {0, 0, 1}, 3, 2);
  EXPECT_TRUE(object.IsInitialized());
  EXPECT_EQ(std::strncmp(object.GetName(), "MovingObject", 12), 0);
  EXPECT_EQ(std::strlen(object.GetName()), 19u);
  EXPECT_EQ(object.IsMoving(), eNotMoving);
}

TEST_F(MovingObjectTest, StartingWhileMovingChangesNothing) {
  CMovingObject object;
  Initialize(object, {0, 0, 1}, 3, 2);
  EXPECT_EQ(object.StartMovingBackward(), eMovingBackward);
  EXPECT_EQ(object.StartMovingForward(), eMovingBackward);
  EXPECT_EQ(object.StopMoving(), eNotMoving);
  EXPECT_EQ(object.StartMovingForward(), eMovingForward);
  EXPECT_EQ(object.StartRotatingCounterclockwise(), eRotatingCounterclockwise);
  EXPECT_EQ(object.StartRotatingClockwise(), eRotatingCounterclockwise);
  EXPECT_EQ(object.StopRotating(), eNotRotating);
}

TEST_F(MovingObjectTest, SpeedGrowsToItsMaximum) {
  CMovingObject object;
  Initialize(object, {0, 0, 1}, 3, 2);
  object.StartMovingForward();
  D3DXMATRIX identity, out;
  D3DXMatrixIdentity(&identity);
  const float velocities[] = {2, 3, 3};
  for (float v : velocities) {
    g_now += 1000;
    object.Move(&out, &identity);
    EXPECT_FLOAT_EQ(object.GetLinearVelocity(), v);
    EXPECT_TRUE(Near(Offset(out), {0, 0, v}));
  }
}

TEST_F(MovingObjectTest, DecelerationStopsAtZeroAndKeepsMoving) {
  CMovingObject object;
  Initialize(object, {0, 0, 1}, 3, 2);
  object.StartMovingForward();
  D3DXMATRIX identity, out;
  D3DXMatrixIdentity(&identity);
  g_now += 500;
  object.Move(&out, &identity);
  ASSERT_FLOAT_EQ(object.GetLinearVelocity(), 1);
  object.SetLinearAccelerationStatus(eDecelerating);
  g_now += 1000;
  object.Move(&out, &identity);
  EXPECT_EQ(object.GetLinearVelocity(), 0);
  EXPECT_TRUE(Near(Offset(out), {0, 0, 0}));
  EXPECT_EQ(object.IsMoving(), eMovingForward);
}

TEST_F(MovingObjectTest, TravelFollowsTheUnitDirectionBackwardToo) {
  CMovingObject object;
  Initialize(object, {0, 2, 0}, 4, 4);
  object.StartMovingBackward();
  D3DXMATRIX start, out;
  D3DXMatrixTranslation(&start, 1, 1, 1);
  g_now += 1000;
  object.Move(&out, &start);
  EXPECT_TRUE(Near(Offset(out), {1, -3, 1}));
  // A step of no time goes nowhere.
  object.Move(&out, &start);
  EXPECT_TRUE(Near(Offset(out), {1, 1, 1}));
}

TEST_F(MovingObjectTest, NothingMovesUnlessStarted) {
  CMovingObject object;
  Initialize(object, {0, 0, 1}, 3, 2);
  D3DXMATRIX identity, out;
  D3DXMatrixIdentity(&identity);
  D3DXMatrixScaling(&out, 0, 0, 0);
  D3DXVECTOR3 centre(0, 0, 0);
  object.Move(&out, &identity);
  object.Rotate(&out, &identity, &centre);
  EXPECT_EQ(out._11, 0);
}

TEST_F(MovingObjectTest, TurningAboutACentreTurnsTheOrientation) {
  CMovingObject object;
  D3DXVECTOR3 orientation(0, 0, 1), axis(0, 1, 0);
  ASSERT_TRUE(object.Initialize(&orientation, &axis, 1, 1, D3DX_PI / 2, 100, false));
  object.StartRotatingClockwise();
  D3DXMATRIX identity, out;
  D3DXMatrixIdentity(&identity);
  D3DXVECTOR3 centre(1, 0, 0);
  g_now += 1000;  // a quarter turn
  object.Rotate(&out, &identity, &centre);
  D3DXVECTOR3 origin(0, 0, 0), moved;
  D3DXVec3TransformCoord(&moved, &origin, &out);
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, D3DX_PI / 2);
  D3DXVECTOR3 expected, expectedOrientation;
  D3DXVECTOR3 fromCentre = origin - centre;
  D3DXVec3TransformCoord(&expected, &fromCentre, &turn);
  expected += centre;
  D3DXVec3TransformCoord(&expectedOrientation, &orientation, &turn);
  EXPECT_TRUE(Near(moved, expected));
  EXPECT_TRUE(Near(*object.GetCurrentOrientation(), expectedOrientation));
}

}  // namespace
