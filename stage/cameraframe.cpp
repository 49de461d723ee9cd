#include "cameraframe.h"

#include <objectlock.h>
#include <qorcommon.h>

D3DXMATRIX CCameraFrame::ComputeViewTransform(D3DXMATRIX* world, bool tryLock) {
  CObjectLock lock(this, tryLock);
  const D3DXVECTOR3 origin(0, 0, 0), ahead(0, 0, 1), upward(0, 1, 0);
  D3DXVECTOR3 eye, at, up;
  D3DXVec3TransformCoord(&eye, &origin, world);
  D3DXVec3TransformCoord(&at, &ahead, world);
  D3DXVec3TransformNormal(&up, &upward, world);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  return view;
}

D3DXMATRIX CCameraFrame::ComputeInverseViewTransform(D3DXMATRIX* view) { return ComputeInverseTransform(view); }
