#include <gtest/gtest.h>

#include "viewingfrustum.h"

namespace {

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

}  // namespace

TEST(ViewingFrustum, VerticalFieldOfViewFollowsTheViewportProportions) {
  CViewingFrustum frustum;
  frustum.Initialize(1.5707964f, 800, 600, 0.01f, 100.0f);
  EXPECT_FLOAT_EQ(frustum.GetVerticalFOV(), 1.2870023f);
  EXPECT_FLOAT_EQ(frustum.GetHorizontalFOV(), 1.5707964f);
  const D3DMATRIX& p = *frustum.GetProjectionMatrix();
  EXPECT_FLOAT_EQ(p._11, 1.0f);
  EXPECT_FLOAT_EQ(p._22, 4.0f / 3.0f);
  EXPECT_FLOAT_EQ(p._34, 1.0f);
  EXPECT_FLOAT_EQ(p._43, -0.01f * 100.0f / (100.0f - 0.01f));
  const D3DMATRIX& s = *frustum.GetViewportScalingMatrix();
  EXPECT_FLOAT_EQ(s._11, 400.0f);
  EXPECT_FLOAT_EQ(s._22, -300.0f);
  EXPECT_FLOAT_EQ(s._42, 300.0f);
}

TEST(ViewingFrustum, CullsSpheresOutsideAndKeepsThoseThatReachIn) {
  struct Case {
    const char* what;
    D3DXVECTOR3 centre;
    float radius;
    bool inside;
  };
  CViewingFrustum frustum;
  frustum.Initialize(1.5707964f, 100, 100, 1.0f, 50.0f);  // sides at 45°: x = ±z
  for (const Case& c : {Case{"ahead", {0, 0, 10}, 1, true},
                        Case{"behind the camera", {0, 0, -10}, 2, false},
                        Case{"behind but reaching past the near plane", {0, 0, -1}, 2.5f, true},
                        Case{"beyond the far plane", {0, 0, 60}, 5, false},
                        Case{"straddling the left side", {-10.5f, 0, 10}, 1, true},
                        Case{"further out on the left", {-13, 0, 10}, 1, false},
                        Case{"above", {0, 20, 10}, 1, false},
                        Case{"centre on the right side", {10, 0, 10}, 0, true}}) {
    EXPECT_EQ(frustum.IsInViewFrustum(c.radius, &c.centre, &kIdentity), c.inside) << c.what;
  }
  // The sphere is given in world space and taken into view space.
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, D3DX_PI);  // the camera looks the other way
  const D3DXVECTOR3 behind(0, 0, -10);
  EXPECT_TRUE(frustum.IsInViewFrustum(1, &behind, &turn));
}

TEST(ViewingFrustum, AfterDestroyContentOnlySpheresAroundTheEyeRemain) {
  CViewingFrustum frustum;
  frustum.Initialize(1.0f, 10, 10, 1.0f, 10.0f);
  frustum.DestroyContent();
  const D3DXVECTOR3 ahead(0, 0, 5), eye(0, 0, 0);
  EXPECT_FALSE(frustum.IsInViewFrustum(1, &ahead, &kIdentity));
  EXPECT_TRUE(frustum.IsInViewFrustum(1, &eye, &kIdentity));
}
