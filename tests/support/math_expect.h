// Near-equality checks for the D3DX value types, for tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "d3dx8math.h"

namespace math_expect {

inline constexpr float kTolerance = 1e-5f;

inline ::testing::AssertionResult Near(const float* a, const float* b, int n, float tolerance) {
  for (int i = 0; i < n; ++i) {
    if (!(std::fabs(a[i] - b[i]) <= tolerance)) {
      auto failure = ::testing::AssertionFailure() << "component " << i << ": " << a[i] << " vs " << b[i] << " (";
      for (int j = 0; j < n; ++j) failure << (j ? ", " : "") << a[j];
      failure << ") vs (";
      for (int j = 0; j < n; ++j) failure << (j ? ", " : "") << b[j];
      return failure << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult Near(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t = kTolerance) {
  return Near(a, b, 3, t);
}
inline ::testing::AssertionResult Near(const D3DXVECTOR4& a, const D3DXVECTOR4& b, float t = kTolerance) {
  return Near(a, b, 4, t);
}
inline ::testing::AssertionResult Near(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float t = kTolerance) {
  return Near(a, b, 4, t);
}
inline ::testing::AssertionResult Near(const D3DXPLANE& a, const D3DXPLANE& b, float t = kTolerance) {
  return Near(a, b, 4, t);
}
inline ::testing::AssertionResult Near(const D3DXMATRIX& a, const D3DXMATRIX& b, float t = kTolerance) {
  return Near(a, b, 16, t);
}

}  // namespace math_expect
