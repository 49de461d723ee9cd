#include "vectortransforms.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tracelog.h"

namespace {

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX m;
  return *D3DXMatrixTranslation(&m, v.x, v.y, v.z);
}

D3DXMATRIX RotationMatrix(const D3DXQUATERNION& q) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationQuaternion(&m, &q);
}

// The shortest-arc rotation between two directions; false when they point
// exactly opposite ways (q untouched then).
bool ShortestArc(D3DXQUATERNION& q, const D3DXVECTOR3* from, const D3DXVECTOR3* to) {
  D3DXVECTOR3 f, t, v;
  D3DXVec3Normalize(&f, from);
  D3DXVec3Normalize(&t, to);
  const float c = D3DXVec3Dot(&f, &t);
  if (c == 1.0f) {
    D3DXQuaternionIdentity(&q);
    return true;
  }
  if (c == -1.0f) return false;
  const float s = std::sqrt((c + 1.0f) + (c + 1.0f));
  D3DXVec3Cross(&v, &f, &t);
  q = D3DXQUATERNION(v.x / s, v.y / s, v.z / s, s / 2.0f);
  return true;
}

// The two partial rotations of an orientation change: dir onto newDir, then
// the turned up onto newUp.
void OrientationSteps(D3DXQUATERNION& q1, D3DXQUATERNION& q2, const D3DXVECTOR3* dir, const D3DXVECTOR3* up,
                      const D3DXVECTOR3* newDir, const D3DXVECTOR3* newUp) {
  GetRotationQuaternion(q1, dir, newDir, newUp);
  const D3DXMATRIX r1 = RotationMatrix(q1);
  D3DXVECTOR3 up1;
  D3DXVec3TransformNormal(&up1, up, &r1);
  GetRotationQuaternion(q2, &up1, newUp, newDir);
}

void CornersOf(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, D3DXVECTOR3* corners) {
  corners[BoxBackTopRight] = D3DXVECTOR3(hi.x, hi.y, hi.z);
  corners[BoxFrontTopRight] = D3DXVECTOR3(hi.x, hi.y, lo.z);
  corners[BoxBackBottomRight] = D3DXVECTOR3(hi.x, lo.y, hi.z);
  corners[BoxFrontBottomRight] = D3DXVECTOR3(hi.x, lo.y, lo.z);
  corners[BoxBackTopLeft] = D3DXVECTOR3(lo.x, hi.y, hi.z);
  corners[BoxFrontTopLeft] = D3DXVECTOR3(lo.x, hi.y, lo.z);
  corners[BoxBackBottomLeft] = D3DXVECTOR3(lo.x, lo.y, hi.z);
  corners[BoxFrontBottomLeft] = D3DXVECTOR3(lo.x, lo.y, lo.z);
}

D3DXVECTOR3 PositionOf(const D3DVERTEX& v) { return D3DXVECTOR3(v.x, v.y, v.z); }

// The bounds of count positions read through position(i); zeros for none.
template <class Position>
void BoundsOf(DWORD count, Position position, D3DXVECTOR3& lo, D3DXVECTOR3& hi) {
  lo = hi = count ? position(0) : D3DXVECTOR3();
  for (DWORD i = 1; i < count; ++i) {
    const D3DXVECTOR3 p = position(i);
    D3DXVec3Minimize(&lo, &lo, &p);
    D3DXVec3Maximize(&hi, &hi, &p);
  }
}

}  // namespace

void GetRotationQuaternion(D3DXQUATERNION& q, const D3DXVECTOR3* from, const D3DXVECTOR3* to, const D3DXVECTOR3* axis) {
  if (!ShortestArc(q, from, to)) D3DXQuaternionRotationAxis(&q, axis, D3DX_PI);
}

void GetRotationQuaternion(D3DXQUATERNION& q, D3DXVECTOR3* from, D3DXVECTOR3* to) { ShortestArc(q, from, to); }

void GetRotationTransform(D3DXMATRIX* out, const D3DXVECTOR3* dir, const D3DXVECTOR3* up, const D3DXVECTOR3* newDir,
                          const D3DXVECTOR3* newUp) {
  D3DXQUATERNION q1, q2;
  OrientationSteps(q1, q2, dir, up, newDir, newUp);
  *out = RotationMatrix(q1) * RotationMatrix(q2);
}

void GetRotationQuaternion(D3DXQUATERNION& q, const D3DXVECTOR3* dir, const D3DXVECTOR3* up, const D3DXVECTOR3* newDir,
                           const D3DXVECTOR3* newUp) {
  D3DXQUATERNION q1, q2;
  OrientationSteps(q1, q2, dir, up, newDir, newUp);
  D3DXQuaternionMultiply(&q, &q1, &q2);  // q1 first, as GetRotationTransform
}

void ComputeTransformMatrixPFS(D3DXMATRIX& out, D3DXVECTOR3* translation, D3DXVECTOR3* centre, D3DXVECTOR3* dir,
                               D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp) {
  D3DXMATRIX rotation;
  GetRotationTransform(&rotation, dir, up, newDir, newUp);
  out = Translation(-*centre) * rotation * Translation(*centre) * Translation(*translation);
}

void MatrixTransformation(D3DXMATRIX* out, D3DXVECTOR3* translation, D3DXVECTOR3* centre, D3DXVECTOR3* dir,
                          D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, D3DXVECTOR3* scaling) {
  D3DXMATRIX scale, turnAndMove;
  D3DXMatrixScaling(&scale, scaling->x, scaling->y, scaling->z);
  D3DXVECTOR3 scaledCentre;
  D3DXVec3TransformCoord(&scaledCentre, centre, &scale);
  ComputeTransformMatrixPFS(turnAndMove, translation, centre, dir, up, newDir, newUp);
  *out = scale * Translation(*centre - scaledCentre) * turnAndMove;
}

void FromVectorCameraToMatrix(D3DXMATRIX* out, const D3DXVECTOR3* position, const D3DXVECTOR3* target) {
  const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f), view = *target - *position, up(0.0f, 1.0f, 0.0f);
  D3DXQUATERNION q;
  GetRotationQuaternion(q, &ahead, &view, &up);  // looking straight back turns about up
  *out = RotationMatrix(q) * Translation(*position);
}

void RemoveTranslationComponent(D3DXMATRIX* m, D3DXVECTOR3* translation) {
  *translation = D3DXVECTOR3(m->_41, m->_42, m->_43);
  m->_41 = m->_42 = m->_43 = 0.0f;
}

void SetTranslationComponent(D3DXMATRIX* m, D3DXVECTOR3* translation) {
  m->_41 = translation->x;
  m->_42 = translation->y;
  m->_43 = translation->z;
}

D3DXMATRIX ComputeInverseTransform(D3DXMATRIX* m) {
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, m)) {
    DEBUG_TRACE("\nError: D3DXMatrixInverse() failed in ComputeInverseTransform().");
    return D3DXMATRIX();
  }
  return inverse;
}

namespace {

void PickRay(D3DXVECTOR3& out, POINT& point, IDirect3DDevice8* device, bool toWorld) {
  D3DVIEWPORT8 viewport{};
  D3DXMATRIX projection, view;
  device->GetViewport(&viewport);
  device->GetTransform(D3DTS_PROJECTION, &projection);
  device->GetTransform(D3DTS_VIEW, &view);
  const float halfWidth = static_cast<float>(viewport.Width) / 2.0f;
  const float halfHeight = static_cast<float>(viewport.Height) / 2.0f;
  D3DXMATRIX toViewport(halfWidth, 0, 0, 0, 0, -halfHeight, 0, 0, 0, 0, viewport.MaxZ - viewport.MinZ, 0,
                        static_cast<float>(viewport.X) + halfWidth, static_cast<float>(viewport.Y) + halfHeight,
                        viewport.MinZ, 1);
  D3DXVECTOR4 ray(static_cast<float>(point.x), static_cast<float>(point.y), viewport.MaxZ, 1.0f);
  D3DXMATRIX back = ComputeInverseTransform(&toViewport) * ComputeInverseTransform(&projection);
  if (toWorld) back *= ComputeInverseTransform(&view);
  D3DXVec4Transform(&ray, &ray, &back);
  out = D3DXVECTOR3(ray.x, ray.y, ray.z);
}

}  // namespace

void GetMousePickRay(D3DXVECTOR3& out, POINT& point, IDirect3DDevice8* device) { PickRay(out, point, device, true); }

void GetViewSpaceMousePickRay(D3DXVECTOR3& out, POINT& point, IDirect3DDevice8* device) {
  PickRay(out, point, device, false);
}

void ComputeBoundingBox(D3DXVECTOR3* points, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]) {
  BoundsOf(
      count, [points](DWORD i) { return points[i]; }, *min, *max);
  CornersOf(*min, *max, corners);
}

void ComputeBoundingBox(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3* corners) {
  BoundsOf(
      count, [vertices](DWORD i) { return PositionOf(vertices[i]); }, *min, *max);
  CornersOf(*min, *max, corners);
}

bool ComputeBoundingBoxD3DVertexVB(IDirect3DVertexBuffer8* vb, D3DXVECTOR3* min, D3DXVECTOR3* max,
                                   D3DXVECTOR3 corners[8]) {
  try {
    D3DVERTEXBUFFER_DESC desc{};
    if (FAILED(vb->GetDesc(&desc))) throw "\nError: IDirect3DVertexBuffer8::GetDesc() failed.";
    BYTE* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, D3DLOCK_READONLY))) throw "\nError: IDirect3DVertexBuffer8::Lock() failed.";
    ComputeBoundingBox(reinterpret_cast<D3DVERTEX*>(data), desc.Size / sizeof(D3DVERTEX), min, max, corners);
    vb->Unlock();
    return true;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
}

bool ComputeBoundingBoxD3DMesh(ID3DXMesh* mesh, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]) {
  BYTE* data = nullptr;
  try {
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
      data = nullptr;
      throw "\nError: LockVertexBuffer() failed.";
    }
    if (FAILED(D3DXComputeBoundingBox(data, mesh->GetNumVertices(), mesh->GetFVF(), min, max)))
      throw "\nD3DXComputeBoundingBox() failed.";
    CornersOf(*min, *max, corners);
    mesh->UnlockVertexBuffer();
    return true;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (data) mesh->UnlockVertexBuffer();
    return false;
  }
}

void ComputeBoundingBoxD3DMesh2(ID3DXMesh* mesh, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]) {
  *min = *max = D3DXVECTOR3();
  CornersOf(*min, *max, corners);
  const DWORD count = mesh->GetNumVertices();
  if (count == 0) return;
  BYTE* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(0, &data))) {
    DEBUG_TRACE("\nError: LockVertexBuffer() failed.");
    return;
  }
  const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
  D3DXVECTOR3 lo(3.4028235e+38f, 3.4028235e+38f, 3.4028235e+38f), hi = -lo;
  for (DWORD i = 0; i < count; ++i) {
    D3DXVECTOR3 p;
    std::memcpy(&p, data + static_cast<size_t>(i) * stride, sizeof(p));
    D3DXVec3Minimize(&lo, &lo, &p);
    D3DXVec3Maximize(&hi, &hi, &p);
  }
  *min = lo;
  *max = hi;
  CornersOf(*min, *max, corners);
  mesh->UnlockVertexBuffer();
}

void ComputeBoundingBoxCenter(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3& centre) {
  D3DXVECTOR3 lo, hi;
  BoundsOf(
      count, [vertices](DWORD i) { return PositionOf(vertices[i]); }, lo, hi);
  centre = (lo + hi) / 2.0f;
}

void ComputeBoundingSphere(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3* centre,
                           float* radius) {
  *centre = (*min + *max) / 2.0f;
  float largest = 0.0f;
  for (DWORD i = 0; i < count; ++i) {
    const D3DXVECTOR3 d = PositionOf(vertices[i]) - *centre;
    largest = std::max(largest, D3DXVec3LengthSq(&d));
  }
  *radius = std::sqrt(largest);
}

void SetFaceVerticesOrderingClockwise(D3DVERTEX* vertices, DWORD vertexCount, WORD* indices, DWORD faceCount) {
  D3DXVECTOR3 centre;
  ComputeBoundingBoxCenter(vertices, vertexCount, centre);
  for (DWORD f = 0; f < faceCount; ++f) {
    WORD* face = indices + 3 * static_cast<size_t>(f);
    if (face[0] >= vertexCount || face[1] >= vertexCount || face[2] >= vertexCount) {
      DEBUG_TRACE("\nWarning: face %u names a vertex beyond %u in SetFaceVerticesOrderingClockwise().", f, vertexCount);
      continue;
    }
    const D3DXVECTOR3 a = PositionOf(vertices[face[0]]);
    const D3DXVECTOR3 e1 = PositionOf(vertices[face[1]]) - a, e2 = PositionOf(vertices[face[2]]) - a;
    const D3DXVECTOR3 toCentre = centre - a;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &e1, &e2);
    if (D3DXVec3Dot(&normal, &toCentre) > 0.0f) std::swap(face[1], face[2]);
  }
}
