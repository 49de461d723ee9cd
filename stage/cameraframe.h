// The camera of one 3D view: a frame whose world transform places the eye.
#pragma once

#include <frame.h>

class CCameraFrame : public CFrame {
 public:
  // The left-handed look-at matrix of the eye (0, 0, 0) looking at (0, 0, 1)
  // with up (0, 1, 0), all carried by the camera's world transform; taken
  // under the camera's lock.
  D3DXMATRIX ComputeViewTransform(D3DXMATRIX* world, bool tryLock);
  // The inverse of view, or the zero matrix when it has none.
  D3DXMATRIX ComputeInverseViewTransform(D3DXMATRIX* view);
};
