#include "gbox.h"

#include <vectorgeometry.h>
#include <vectortransforms.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The eight corners of the axis-aligned box from min to max.
void AxisAlignedCorners(const D3DXVECTOR3& mn, const D3DXVECTOR3& mx, D3DXVECTOR3 corners[8]) {
  corners[0] = D3DXVECTOR3(mx.x, mx.y, mx.z);
  corners[1] = D3DXVECTOR3(mx.x, mx.y, mn.z);
  corners[2] = D3DXVECTOR3(mx.x, mn.y, mx.z);
  corners[3] = D3DXVECTOR3(mx.x, mn.y, mn.z);
  corners[4] = D3DXVECTOR3(mn.x, mx.y, mx.z);
  corners[5] = D3DXVECTOR3(mn.x, mx.y, mn.z);
  corners[6] = D3DXVECTOR3(mn.x, mn.y, mx.z);
  corners[7] = D3DXVECTOR3(mn.x, mn.y, mn.z);
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  D3DXVECTOR3 d = b - a;
  return D3DXVec3Length(&d);
}

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, v.x, v.y, v.z);
  return m;
}

// Releases a box lock on every path out of a scope.
class CBoxLockScope {
 public:
  explicit CBoxLockScope(CMutex& lock) : m_lock(lock) {}
  ~CBoxLockScope() { m_lock.Unlock(); }

 private:
  CMutex& m_lock;
};

}  // namespace

// ---------------------------------------------------------------------------
// CGBox

CGBox::CGBox() {
  m_lock.Initialize();
  Clear();
}

CGBox::CGBox(const CGBox& other) : m_min(other.m_min), m_max(other.m_max), m_zeroSize(other.m_zeroSize) {
  for (int i = 0; i < 8; ++i) m_corners[i] = other.m_corners[i];
  m_lock.Initialize();
}

void CGBox::Clear() {
  m_min = m_max = D3DXVECTOR3(0, 0, 0);
  for (D3DXVECTOR3& corner : m_corners) corner = D3DXVECTOR3(0, 0, 0);
  m_zeroSize = true;
}

void CGBox::LockBox(bool tryLock) {
  if (!tryLock) {
    m_lock.Lock();
    return;
  }
  if (!m_lock.Trylock()) throw "Info: Cannot lock the CGBox object.";
}

int CGBox::operator==(const CGBox& other) const {
  if (m_min != other.m_min || m_max != other.m_max || m_zeroSize != other.m_zeroSize) return false;
  for (int i = 0; i < 8; ++i)
    if (m_corners[i] != other.m_corners[i]) return false;
  return true;
}

CGBox& CGBox::operator=(const CGBox& other) {
  if (this != &other) Initialize(&other.m_min, &other.m_max, other.m_corners, IsMainThread());
  return *this;
}

void CGBox::Initialize(const D3DXVECTOR3* min, const D3DXVECTOR3* max, bool tryLock) {
  D3DXVECTOR3 corners[8];
  AxisAlignedCorners(*min, *max, corners);
  Initialize(min, max, corners, tryLock);
}

void CGBox::Initialize(const D3DXVECTOR3* min, const D3DXVECTOR3* max, const D3DXVECTOR3* corners, bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  if (*min == *max) {
    InitializeZeroSize(tryLock);
    return;
  }
  // Copied first: the arguments may point into this box.
  D3DXVECTOR3 mn = *min, mx = *max, c[8];
  for (int i = 0; i < 8; ++i) c[i] = corners[i];
  m_min = mn;
  m_max = mx;
  for (int i = 0; i < 8; ++i) m_corners[i] = c[i];
  m_zeroSize = false;
}

void CGBox::InitializeZeroSize(bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  Clear();
}

bool CGBox::IsInnerBox(CGBox* other, bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  if (m_zeroSize) return true;
  if (other->m_zeroSize) return false;
  const D3DXVECTOR3& mn = other->m_min;
  const D3DXVECTOR3& mx = other->m_max;
  for (const D3DXVECTOR3& c : m_corners)
    if (c.x < mn.x || c.x > mx.x || c.y < mn.y || c.y > mx.y || c.z < mn.z || c.z > mx.z) return false;
  return true;
}

void CGBox::Merge(CGBox* other, bool tryLock) {
  if (other->m_zeroSize) return;
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  if (m_zeroSize) {
    Initialize(&other->m_min, &other->m_max, other->m_corners, tryLock);
    return;
  }
  D3DXVECTOR3 points[16];
  for (int i = 0; i < 8; ++i) {
    points[i] = m_corners[i];
    points[8 + i] = other->m_corners[i];
  }
  D3DXVECTOR3 mn, mx, corners[8];
  ComputeBoundingBox(points, 16, &mn, &mx, corners);
  Initialize(&mn, &mx, corners, tryLock);
}

void CGBox::ComputeBoundingSphere(CGSphere* out, bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  if (m_zeroSize) {
    out->InitializeZeroSize();
    return;
  }
  D3DXVECTOR3 center = GetCenterFS();
  float radius = 0;
  for (const D3DXVECTOR3& c : m_corners) radius = std::max(radius, Distance(center, c));
  out->Initialize(radius, &center);
}

void CGBox::TransformCoord(const D3DXMATRIX* matrix, bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  D3DXVec3TransformCoord(&m_min, &m_min, matrix);
  D3DXVec3TransformCoord(&m_max, &m_max, matrix);
  for (D3DXVECTOR3& c : m_corners) D3DXVec3TransformCoord(&c, &c, matrix);
  D3DXVECTOR3 zero(0, 0, 0);
  if (m_min == zero && m_max == zero) InitializeZeroSize(tryLock);
}

void CGBox::ComputeAxisAlignedBoundingBox(bool tryLock) {
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  if (m_min == m_max) {
    InitializeZeroSize(false);
    return;
  }
  D3DXVECTOR3 mn = m_min, mx = m_min;
  D3DXVec3Minimize(&mn, &mn, &m_max);
  D3DXVec3Maximize(&mx, &mx, &m_max);
  for (const D3DXVECTOR3& c : m_corners) {
    D3DXVec3Minimize(&mn, &mn, &c);
    D3DXVec3Maximize(&mx, &mx, &c);
  }
  Initialize(&mn, &mx, tryLock);
}

float CGBox::GetWidthFS() const { return Distance(m_corners[5], m_corners[1]); }
float CGBox::GetHeightFS() const { return Distance(m_corners[5], m_corners[7]); }
float CGBox::GetDepthFS() const { return Distance(m_corners[5], m_corners[4]); }
float CGBox::GetSmallestEdgeSizeFS() const { return std::min({GetWidthFS(), GetHeightFS(), GetDepthFS()}); }

D3DXVECTOR3 CGBox::GetCenterFS() const { return (m_min + m_max) / 2.0f; }

void CGBox::GetAxes(D3DXVECTOR3* right, D3DXVECTOR3* top, D3DXVECTOR3* back) const {
  D3DXVECTOR3 axes[3] = {m_corners[1] - m_corners[5], m_corners[5] - m_corners[7], m_corners[4] - m_corners[5]};
  bool valid[3];
  int degenerate = 0;
  for (int i = 0; i < 3; ++i) {
    float length = D3DXVec3Length(&axes[i]);
    valid[i] = length > 0 && std::isfinite(length);
    if (valid[i])
      axes[i] /= length;
    else
      ++degenerate;
  }
  if (degenerate == 1) {
    // The missing axis of a flat box completes the other two.
    int i = valid[0] ? (valid[1] ? 2 : 1) : 0;
    D3DXVec3Cross(&axes[i], &axes[(i + 1) % 3], &axes[(i + 2) % 3]);
    D3DXVec3Normalize(&axes[i], &axes[i]);
  } else if (degenerate > 1) {
    const D3DXVECTOR3 frame[3] = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)};
    for (int i = 0; i < 3; ++i) axes[i] = frame[i];
  }
  *right = axes[0];
  *top = axes[1];
  *back = axes[2];
}

D3DXVECTOR3 CGBox::GetFrontFaceNormalFS() const { return -GetBackFaceNormalFS(); }
D3DXVECTOR3 CGBox::GetBackFaceNormalFS() const {
  D3DXVECTOR3 r, t, b;
  GetAxes(&r, &t, &b);
  return b;
}
D3DXVECTOR3 CGBox::GetTopFaceNormalFS() const {
  D3DXVECTOR3 r, t, b;
  GetAxes(&r, &t, &b);
  return t;
}
D3DXVECTOR3 CGBox::GetBottomFaceNormalFS() const { return -GetTopFaceNormalFS(); }
D3DXVECTOR3 CGBox::GetLeftFaceNormalFS() const { return -GetRightFaceNormalFS(); }
D3DXVECTOR3 CGBox::GetRightFaceNormalFS() const {
  D3DXVECTOR3 r, t, b;
  GetAxes(&r, &t, &b);
  return r;
}

DWORD CGBox::ComputeRayBoxIntersections(D3DXVECTOR3 out[2], D3DXVECTOR3* origin, D3DXVECTOR3* direction, bool tryLock) {
  return RayCrossings(out, nullptr, origin, direction, tryLock);
}

DWORD CGBox::ComputeRayBoxIntersections2(D3DXVECTOR3 out[2], EBoxFace faces[2], D3DXVECTOR3* origin,
                                         D3DXVECTOR3* direction, bool tryLock) {
  return RayCrossings(out, faces, origin, direction, tryLock);
}

DWORD CGBox::RayCrossings(D3DXVECTOR3 out[2], EBoxFace faces[2], D3DXVECTOR3* origin, D3DXVECTOR3* direction,
                          bool tryLock) {
  out[0] = out[1] = D3DXVECTOR3(0, 0, 0);
  if (faces) faces[0] = faces[1] = eNone;
  LockBox(tryLock);
  CBoxLockScope unlock(m_lock);
  // An empty box has no surface to cross.
  if (m_zeroSize) return 0;

  // Carry a copy of the box to the origin, axis-aligned, stretching from
  // (0, 0, 0) to (width, height, depth).
  CGBox box(*this);
  D3DXMATRIX t1 = Translation(-GetCenterFS());
  box.TransformCoord(&t1, false);
  D3DXMATRIX r;
  D3DXVECTOR3 front = GetFrontFaceNormalFS(), top = GetTopFaceNormalFS();
  const D3DXVECTOR3 boxFront(0, 0, -1), boxTop(0, 1, 0);
  GetRotationTransform(&r, &front, &top, &boxFront, &boxTop);
  box.TransformCoord(&r, false);
  CGBox aligned(box);
  aligned.ComputeAxisAlignedBoundingBox(false);
  D3DXMATRIX t2 = Translation(-*aligned.GetMinFS());
  box.TransformCoord(&t2, false);
  D3DXMATRIX m, inverse;
  D3DXMatrixMultiply(&m, &t1, &r);
  D3DXMatrixMultiply(&m, &m, &t2);
  if (!D3DXMatrixInverse(&inverse, nullptr, &m)) return 0;
  D3DXVECTOR3 o, d;
  D3DXVec3TransformCoord(&o, origin, &m);
  D3DXVec3TransformNormal(&d, direction, &m);

  const float extent[3] = {GetWidthFS(), GetHeightFS(), GetDepthFS()};
  const EBoxFace nearFace[3] = {eLeft, eBottom, eFront};
  const EBoxFace farFace[3] = {eRight, eTop, eBack};
  DWORD count = 0;
  for (int axis = 0; axis < 3 && count < 2; ++axis) {
    // A box without extent along this axis has one plane there, not two.
    int sides = extent[axis] > 0 ? 2 : 1;
    for (int side = 0; side < sides && count < 2; ++side) {
      float at = side ? extent[axis] : 0.0f;
      D3DXPLANE plane(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f, -at);
      D3DXVECTOR3 point;
      if (GetRayPlaneIntersection(&point, &plane, &o, &d) != RayPlanePoint) continue;
      const float p[3] = {point.x, point.y, point.z};
      bool inside = true;
      for (int other = 0; other < 3; ++other)
        if (other != axis && (p[other] < 0 || p[other] > extent[other])) inside = false;
      D3DXVECTOR3 ahead = point - o;
      if (!inside || GetVectorsPointingDirection(&d, &ahead) != PointingSameSide) continue;
      out[count] = point;
      if (faces) faces[count] = side ? farFace[axis] : nearFace[axis];
      ++count;
    }
  }
  for (DWORD i = 0; i < count; ++i) D3DXVec3TransformCoord(&out[i], &out[i], &inverse);
  if (count == 2 && out[0].z > out[1].z) {
    std::swap(out[0], out[1]);
    if (faces) std::swap(faces[0], faces[1]);
  }
  return count;
}

// ---------------------------------------------------------------------------
// CGSphere

CGSphere& CGSphere::operator=(const CGSphere& other) {
  if (this != &other) Initialize(other.m_radius, &other.m_center);
  return *this;
}

void CGSphere::Initialize(float radius, const D3DXVECTOR3* center) {
  m_radius = radius;
  m_center = *center;
  m_zeroSize = false;
}

void CGSphere::InitializeZeroSize() {
  m_radius = 0;
  m_center = D3DXVECTOR3(0, 0, 0);
  m_zeroSize = true;
}

bool CGSphere::IsSphereBoundariesIntersecting(CGSphere* other, float* distance) {
  if (m_zeroSize || other->m_zeroSize) return false;
  float d = Distance(m_center, other->m_center);
  if (distance) *distance = d;
  if (m_radius + other->m_radius <= d) return false;
  if (other->m_radius > m_radius + d) return false;
  return d + other->m_radius >= m_radius;
}

bool CGSphere::IsInnerSphere(CGSphere* other) {
  if (m_zeroSize) return true;
  if (other->m_zeroSize) return false;
  return other->m_radius >= Distance(m_center, other->m_center) + m_radius;
}

float CGSphere::GetRadiusWS(const D3DXMATRIX* matrix, bool tryLock) {
  if (m_radius == 0) return 0;
  // The cube inscribed in the sphere, carried by the matrix.
  float half = m_radius / std::sqrt(3.0f);
  D3DXVECTOR3 mn(-half, -half, -half), mx(half, half, half);
  CGBox cube;
  cube.Initialize(&mn, &mx, tryLock);
  cube.TransformCoord(matrix, tryLock);
  CGSphere sphere;
  cube.ComputeBoundingSphere(&sphere, tryLock);
  return sphere.m_radius;
}

bool CGSphere::GetSphereSphereCollision(CGSphere* other, D3DXVECTOR3* targetA, D3DXVECTOR3* targetB, D3DXVECTOR3* outA,
                                        D3DXVECTOR3* outB, D3DXVECTOR3* contact) {
  *outA = *outB = *contact = D3DXVECTOR3(0, 0, 0);
  if (m_zeroSize || other->m_zeroSize) return false;
  const D3DXVECTOR3& a0 = m_center;
  const D3DXVECTOR3& b0 = other->m_center;
  float s = m_radius + other->m_radius;
  if (s >= Distance(a0, b0)) return false;
  D3DXVECTOR3 d = a0 - b0;
  D3DXVECTOR3 moveA = *targetA - a0, moveB = *targetB - b0;
  D3DXVECTOR3 v = moveA - moveB;
  float a = D3DXVec3Dot(&v, &v), b = D3DXVec3Dot(&d, &v), c = D3DXVec3Dot(&d, &d);
  if (a == 0) return false;
  if (c - b * b / a > s * s) return false;
  float discriminant = b * b - (c - s * s) * a;
  if (discriminant < 0) return false;
  float t = (-b - std::sqrt(discriminant)) / a;
  if (!(t > 0 && t <= 1)) return false;
  *outA = a0 + moveA * t;
  *outB = b0 + moveB * t;
  D3DXVECTOR3 towards = b0 - a0;
  D3DXVec3Normalize(&towards, &towards);
  *contact = a0 + towards * m_radius;
  return true;
}

// ---------------------------------------------------------------------------

void BoxToBoxTransform(D3DXMATRIX& out, CGBox* source, D3DXMATRIX* sourceTransform, CGBox* target,
                       D3DXMATRIX* targetTransform, bool tryLock) {
  D3DXMatrixIdentity(&out);
  if (!source || !target) return;
  CGBox to(*target);
  if (targetTransform) to.TransformCoord(targetTransform, false);
  if (to.IsZeroSizeBox()) return;
  CGBox from(*source);
  if (sourceTransform) from.TransformCoord(sourceTransform, false);
  if (from.IsZeroSizeBox()) return;

  CGSphere toSphere, fromSphere;
  to.ComputeBoundingSphere(&toSphere, tryLock);
  from.ComputeBoundingSphere(&fromSphere, tryLock);
  auto ratio = [](float target, float source) { return target > 0 && source > 0 ? target / source : 1.0f; };
  D3DXVECTOR3 scale(ratio(to.GetWidthFS(), from.GetWidthFS()), ratio(to.GetHeightFS(), from.GetHeightFS()),
                    ratio(to.GetDepthFS(), from.GetDepthFS()));
  D3DXVECTOR3 translation = *toSphere.GetCenterFS() - *fromSphere.GetCenterFS();
  D3DXVECTOR3 fromFront = from.GetFrontFaceNormalFS(), fromTop = from.GetTopFaceNormalFS();
  D3DXVECTOR3 toFront = to.GetFrontFaceNormalFS(), toTop = to.GetTopFaceNormalFS();
  MatrixTransformation(&out, &translation, fromSphere.GetCenterFS(), &fromFront, &fromTop, &toFront, &toTop, &scale);
}
