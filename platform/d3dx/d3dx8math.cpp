#include "d3dx8math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fvflayout.h"

// ---- Matrix and quaternion members ----

D3DXMATRIX::D3DXMATRIX(const float* f) : D3DMATRIX{} { std::memcpy(m, f, sizeof(m)); }

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44)
    : D3DMATRIX{} {
  const float v[16] = {f11, f12, f13, f14, f21, f22, f23, f24, f31, f32, f33, f34, f41, f42, f43, f44};
  std::memcpy(m, v, sizeof(m));
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& b) { return *D3DXMatrixMultiply(this, this, &b); }

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] += b.m[i][j];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] -= b.m[i][j];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
  for (auto& row : m)
    for (float& e : row) e *= f;
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float f) {
  for (auto& row : m)
    for (float& e : row) e /= f;
  return *this;
}

D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& b) const {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, this, &b);
  return r;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& b) const { return D3DXMATRIX(*this) += b; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& b) const { return D3DXMATRIX(*this) -= b; }
D3DXMATRIX D3DXMATRIX::operator*(float f) const { return D3DXMATRIX(*this) *= f; }
D3DXMATRIX D3DXMATRIX::operator/(float f) const { return D3DXMATRIX(*this) /= f; }

bool D3DXMATRIX::operator==(const D3DXMATRIX& b) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != b.m[i][j]) return false;
  return true;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) { return *D3DXQuaternionMultiply(this, this, &q); }

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
  D3DXQUATERNION r;
  D3DXQuaternionMultiply(&r, this, &q);
  return r;
}

// ---- Colour ----

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(static_cast<float>((argb >> 16) & 0xFF) / 255.0f),
      g(static_cast<float>((argb >> 8) & 0xFF) / 255.0f),
      b(static_cast<float>(argb & 0xFF) / 255.0f),
      a(static_cast<float>((argb >> 24) & 0xFF) / 255.0f) {}

namespace {

DWORD ColorChannel(float f) {
  if (!(f > 0.0f)) return 0;  // also NaN
  if (f >= 1.0f) return 0xFF;
  return static_cast<DWORD>(f * 255.0f + 0.5f);
}

}  // namespace

D3DXCOLOR::operator DWORD() const {
  return (ColorChannel(a) << 24) | (ColorChannel(r) << 16) | (ColorChannel(g) << 8) | ColorChannel(b);
}

// ---- 3D and 4D vectors ----

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
  *out = *a + (*b - *a) * s;
  return out;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::max(a->x, b->x), std::max(a->y, b->y), std::max(a->z, b->z));
  return out;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::min(a->x, b->x), std::min(a->y, b->y), std::min(a->z, b->z));
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 p(v->x, v->y, v->z, 1.0f);
  return D3DXVec4Transform(out, &p, m);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 p;
  D3DXVec3Transform(&p, v, m);
  *out = D3DXVECTOR3(p.x / p.w, p.y / p.w, p.z / p.w);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR3 n = *v;
  *out = D3DXVECTOR3(n.x * m->_11 + n.y * m->_21 + n.z * m->_31, n.x * m->_12 + n.y * m->_22 + n.z * m->_32,
                     n.x * m->_13 + n.y * m->_23 + n.z * m->_33);
  return out;
}

float D3DXVec4LengthSq(const D3DXVECTOR4* v) { return D3DXVec4Dot(v, v); }
float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4LengthSq(v)); }

float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
  const float length = D3DXVec4Length(v);
  *out = length == 0.0f ? D3DXVECTOR4() : *v / length;
  return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 p = *v;
  D3DXVECTOR4 r;
  float* dst = r;
  for (int j = 0; j < 4; ++j) dst[j] = p.x * m->m[0][j] + p.y * m->m[1][j] + p.z * m->m[2][j] + p.w * m->m[3][j];
  *out = r;
  return out;
}

// ---- Matrices ----

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX();
  out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
  return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return *m == identity ? TRUE : FALSE;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
  *out = r;
  return out;
}

namespace {

// The cofactors of m, computed in double from 2×2 minors of the top and
// bottom row pairs, and the determinant along the first row.
double Cofactors(const D3DXMATRIX& mat, double c[4][4]) {
  double a[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) a[i][j] = mat.m[i][j];

  const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

  // c[i][j] is the cofactor of element (i, j).
  c[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
  c[0][1] = -(a[1][0] * c5 - a[1][2] * c2 + a[1][3] * c1);
  c[0][2] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
  c[0][3] = -(a[1][0] * c3 - a[1][1] * c1 + a[1][2] * c0);
  c[1][0] = -(a[0][1] * c5 - a[0][2] * c4 + a[0][3] * c3);
  c[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
  c[1][2] = -(a[0][0] * c4 - a[0][1] * c2 + a[0][3] * c0);
  c[1][3] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
  c[2][0] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
  c[2][1] = -(a[3][0] * s5 - a[3][2] * s2 + a[3][3] * s1);
  c[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
  c[2][3] = -(a[3][0] * s3 - a[3][1] * s1 + a[3][2] * s0);
  c[3][0] = -(a[2][1] * s5 - a[2][2] * s4 + a[2][3] * s3);
  c[3][1] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
  c[3][2] = -(a[2][0] * s4 - a[2][1] * s2 + a[2][3] * s0);
  c[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;

  return a[0][0] * c[0][0] + a[0][1] * c[0][1] + a[0][2] * c[0][2] + a[0][3] * c[0][3];
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) {
  double c[4][4];
  return static_cast<float>(Cofactors(*m, c));
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
  double c[4][4];
  const double det = Cofactors(*m, c);
  if (determinant) *determinant = static_cast<float>(det);
  if (det == 0.0 || !std::isfinite(det)) return nullptr;
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = static_cast<float>(c[j][i] / det);
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->_41 = x;
  out->_42 = y;
  out->_43 = z;
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  *out = D3DXMATRIX();
  out->_11 = sx;
  out->_22 = sy;
  out->_33 = sz;
  out->_44 = 1.0f;
  return out;
}

namespace {

// A rotation in the plane of axes i and j that turns axis i toward axis j.
D3DXMATRIX* PlaneRotation(D3DXMATRIX* out, float angle, int i, int j) {
  const float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[i][i] = c;
  out->m[i][j] = s;
  out->m[j][i] = -s;
  out->m[j][j] = c;
  return out;
}

}  // namespace

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) { return PlaneRotation(out, angle, 1, 2); }
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) { return PlaneRotation(out, angle, 2, 0); }
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) { return PlaneRotation(out, angle, 0, 1); }

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, axis, angle);
  return D3DXMatrixRotationQuaternion(out, &q);
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  const float x = q->x, y = q->y, z = q->z, w = q->w;
  D3DXMatrixIdentity(out);
  out->_11 = 1.0f - 2.0f * (y * y + z * z);
  out->_12 = 2.0f * (x * y + z * w);
  out->_13 = 2.0f * (x * z - y * w);
  out->_21 = 2.0f * (x * y - z * w);
  out->_22 = 1.0f - 2.0f * (x * x + z * z);
  out->_23 = 2.0f * (y * z + x * w);
  out->_31 = 2.0f * (x * z + y * w);
  out->_32 = 2.0f * (y * z - x * w);
  out->_33 = 1.0f - 2.0f * (x * x + y * y);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  D3DXMATRIX rz, rx, ry;
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  *out = rz * rx * ry;
  return out;
}

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation) {
  D3DXMATRIX r, step;
  D3DXMatrixIdentity(&r);
  if (scaling) {
    const D3DXVECTOR3 c = scalingCenter ? *scalingCenter : D3DXVECTOR3();
    D3DXMATRIX turn, unturn;
    D3DXMatrixIdentity(&turn);
    if (scalingRotation) D3DXMatrixRotationQuaternion(&turn, scalingRotation);
    D3DXMatrixTranspose(&unturn, &turn);  // the inverse of a rotation
    r *= *D3DXMatrixTranslation(&step, -c.x, -c.y, -c.z);
    r *= unturn;
    r *= *D3DXMatrixScaling(&step, scaling->x, scaling->y, scaling->z);
    r *= turn;
    r *= *D3DXMatrixTranslation(&step, c.x, c.y, c.z);
  }
  if (rotation) {
    const D3DXVECTOR3 c = rotationCenter ? *rotationCenter : D3DXVECTOR3();
    r *= *D3DXMatrixTranslation(&step, -c.x, -c.y, -c.z);
    r *= *D3DXMatrixRotationQuaternion(&step, rotation);
    r *= *D3DXMatrixTranslation(&step, c.x, c.y, c.z);
  }
  if (translation) r *= *D3DXMatrixTranslation(&step, translation->x, translation->y, translation->z);
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
  D3DXVECTOR3 zaxis, xaxis, yaxis;
  const D3DXVECTOR3 view = *at - *eye;
  D3DXVec3Normalize(&zaxis, &view);
  D3DXVec3Cross(&xaxis, up, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f, xaxis.y, yaxis.y, zaxis.y, 0.0f, xaxis.z, yaxis.z, zaxis.z, 0.0f,
                    -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1.0f);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1.0f / std::tan(fovY / 2.0f);
  *out = D3DXMATRIX();
  out->_11 = yScale / aspect;
  out->_22 = yScale;
  out->_33 = zFar / (zFar - zNear);
  out->_34 = 1.0f;
  out->_43 = -zNear * zFar / (zFar - zNear);
  return out;
}

// ---- Quaternions ----

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  return out;
}

BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q) {
  return *q == D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f) ? TRUE : FALSE;
}

float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

float D3DXQuaternionLengthSq(const D3DXQUATERNION* q) { return D3DXQuaternionDot(q, q); }
float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionLengthSq(q)); }

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const float length = D3DXQuaternionLength(q);
  *out = length == 0.0f ? D3DXQUATERNION() : *q / length;
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, axis);
  const float s = std::sin(angle / 2.0f);
  *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f));
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
  const float trace = m->_11 + m->_22 + m->_33;
  D3DXQUATERNION q;
  if (trace > 0.0f) {
    const float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
    q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, s / 4.0f);
  } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
    const float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;  // 4x
    q = D3DXQUATERNION(s / 4.0f, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
  } else if (m->_22 >= m->_33) {
    const float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;  // 4y
    q = D3DXQUATERNION((m->_12 + m->_21) / s, s / 4.0f, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
  } else {
    const float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;  // 4z
    q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, s / 4.0f, (m->_12 - m->_21) / s);
  }
  *out = q;
  return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
  // Hamilton product a · b with a = q2, b = q1.
  const D3DXQUATERNION a = *q2, b = *q1;
  *out = D3DXQUATERNION(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                        a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
  return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t) {
  float cosine = D3DXQuaternionDot(q1, q2);
  float sign = 1.0f;
  if (cosine < 0.0f) {  // q and −q are one rotation: take the shorter arc
    cosine = -cosine;
    sign = -1.0f;
  }
  float w1 = 1.0f - t, w2 = t;
  if (cosine < 0.9999f) {
    const float angle = std::acos(cosine);
    const float s = std::sin(angle);
    w1 = std::sin((1.0f - t) * angle) / s;
    w2 = std::sin(t * angle) / s;
  }
  *out = *q1 * w1 + *q2 * (sign * w2);
  return out;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle) {
  if (axis) *axis = D3DXVECTOR3(q->x, q->y, q->z);
  if (angle) *angle = 2.0f * std::acos(std::clamp(q->w, -1.0f, 1.0f));
}

// ---- Planes ----

float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}
float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z; }

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
  const float length = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
  *out = length == 0.0f ? D3DXPLANE() : D3DXPLANE(p->a / length, p->b / length, p->c / length, p->d / length);
  return out;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal) {
  *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
  return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3) {
  const D3DXVECTOR3 e1 = *v2 - *v1, e2 = *v3 - *v1;
  D3DXVECTOR3 normal;
  D3DXVec3Cross(&normal, &e1, &e2);
  D3DXVec3Normalize(&normal, &normal);
  return D3DXPlaneFromPointNormal(out, v1, &normal);
}

// ---- Vertex data ----

namespace {

// The stride of a format that has a position; false when it has none.
bool PositionStride(DWORD fvf, UINT* stride) {
  const FvfLayout layout = DecodeFvf(fvf);
  *stride = layout.stride;
  return layout.HasPosition();
}

D3DXVECTOR3 PositionAt(const void* points, UINT stride, DWORD i) {
  D3DXVECTOR3 p;
  std::memcpy(&p, static_cast<const BYTE*>(points) + static_cast<size_t>(i) * stride, sizeof(p));
  return p;
}

}  // namespace

HRESULT D3DXComputeBoundingBox(const void* pointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min,
                               D3DXVECTOR3* max) {
  UINT stride = 0;
  if (!pointsFVF || !min || !max || numVertices == 0 || !PositionStride(fvf, &stride)) return E_INVALIDARG;
  D3DXVECTOR3 lo = PositionAt(pointsFVF, stride, 0), hi = lo;
  for (DWORD i = 1; i < numVertices; ++i) {
    const D3DXVECTOR3 p = PositionAt(pointsFVF, stride, i);
    D3DXVec3Minimize(&lo, &lo, &p);
    D3DXVec3Maximize(&hi, &hi, &p);
  }
  *min = lo;
  *max = hi;
  return S_OK;
}

HRESULT D3DXComputeBoundingSphere(const void* pointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* center,
                                  float* radius) {
  UINT stride = 0;
  if (!pointsFVF || !center || !radius || numVertices == 0 || !PositionStride(fvf, &stride)) return E_INVALIDARG;
  D3DXVECTOR3 sum;
  for (DWORD i = 0; i < numVertices; ++i) sum += PositionAt(pointsFVF, stride, i);
  const D3DXVECTOR3 c = sum / static_cast<float>(numVertices);
  float largest = 0.0f;
  for (DWORD i = 0; i < numVertices; ++i) {
    const D3DXVECTOR3 d = PositionAt(pointsFVF, stride, i) - c;
    largest = std::max(largest, D3DXVec3LengthSq(&d));
  }
  *center = c;
  *radius = std::sqrt(largest);
  return S_OK;
}

UINT D3DXGetFVFVertexSize(DWORD fvf) { return DecodeFvf(fvf).stride; }
