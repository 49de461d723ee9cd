// Vector, matrix, quaternion, plane and colour math of D3DX 8.
//
// Conventions: matrices act on row vectors (v' = v × M), so A × B applies A
// first and the translation sits in the fourth row; the coordinate system is
// left-handed. Quaternions are (x, y, z, w); D3DXQuaternionMultiply(q1, q2)
// is the rotation q1 followed by q2. Every function returns its output pointer
// and accepts an output that is also one of its inputs. Default-constructed
// values are zero.
#pragma once

#include <d3d8types.h>
#include <windows.h>

#include <cmath>

inline constexpr float D3DX_PI = 3.141592654f;
inline constexpr float D3DX_1BYPI = 0.318309886f;

#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXVECTOR2 {
  float x = 0, y = 0;

  D3DXVECTOR2() = default;
  explicit D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
  D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) {
    x += v.x;
    y += v.y;
    return *this;
  }
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) {
    x -= v.x;
    y -= v.y;
    return *this;
  }
  D3DXVECTOR2& operator*=(float f) {
    x *= f;
    y *= f;
    return *this;
  }
  D3DXVECTOR2& operator/=(float f) {
    x /= f;
    y /= f;
    return *this;
  }

  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return {-x, -y}; }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
  D3DXVECTOR2 operator*(float f) const { return {x * f, y * f}; }
  D3DXVECTOR2 operator/(float f) const { return {x / f, y / f}; }
  friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return v * f; }

  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
  explicit D3DXVECTOR3(const float* f) : D3DVECTOR{f[0], f[1], f[2]} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
  D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  D3DXVECTOR3& operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
  }
  D3DXVECTOR3& operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    return *this;
  }

  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
  D3DXVECTOR3 operator*(float f) const { return {x * f, y * f, z * f}; }
  D3DXVECTOR3 operator/(float f) const { return {x / f, y / f, z / f}; }
  friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  float x = 0, y = 0, z = 0, w = 0;

  D3DXVECTOR4() = default;
  explicit D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
    return *this;
  }
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    w -= v.w;
    return *this;
  }
  D3DXVECTOR4& operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    w *= f;
    return *this;
  }
  D3DXVECTOR4& operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    w /= f;
    return *this;
  }

  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return {x + v.x, y + v.y, z + v.z, w + v.w}; }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return {x - v.x, y - v.y, z - v.z, w - v.w}; }
  D3DXVECTOR4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  D3DXVECTOR4 operator/(float f) const { return {x / f, y / f, z / f, w / f}; }
  friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v) { return v * f; }

  bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  explicit D3DXMATRIX(const float* f);
  D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
  D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
             float f32, float f33, float f34, float f41, float f42, float f43, float f44);

  float& operator()(UINT row, UINT col) { return m[row][col]; }
  float operator()(UINT row, UINT col) const { return m[row][col]; }

  operator float*() { return &_11; }
  operator const float*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& b);
  D3DXMATRIX& operator+=(const D3DXMATRIX& b);
  D3DXMATRIX& operator-=(const D3DXMATRIX& b);
  D3DXMATRIX& operator*=(float f);
  D3DXMATRIX& operator/=(float f);

  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const;
  D3DXMATRIX operator*(const D3DXMATRIX& b) const;
  D3DXMATRIX operator+(const D3DXMATRIX& b) const;
  D3DXMATRIX operator-(const D3DXMATRIX& b) const;
  D3DXMATRIX operator*(float f) const;
  D3DXMATRIX operator/(float f) const;
  friend D3DXMATRIX operator*(float f, const D3DXMATRIX& a) { return a * f; }

  bool operator==(const D3DXMATRIX& b) const;
  bool operator!=(const D3DXMATRIX& b) const { return !(*this == b); }
};

// The same matrix; the original asked for 16-byte alignment, which nothing
// here relies on.
using D3DXMATRIXA16 = D3DXMATRIX;

struct D3DXQUATERNION {
  float x = 0, y = 0, z = 0, w = 0;

  D3DXQUATERNION() = default;
  explicit D3DXQUATERNION(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) {
    x += q.x;
    y += q.y;
    z += q.z;
    w += q.w;
    return *this;
  }
  D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) {
    x -= q.x;
    y -= q.y;
    z -= q.z;
    w -= q.w;
    return *this;
  }
  // Rotation *this followed by q, as D3DXQuaternionMultiply(this, q).
  D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    w *= f;
    return *this;
  }
  D3DXQUATERNION& operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    w /= f;
    return *this;
  }

  D3DXQUATERNION operator+() const { return *this; }
  D3DXQUATERNION operator-() const { return {-x, -y, -z, -w}; }
  D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return {x + q.x, y + q.y, z + q.z, w + q.w}; }
  D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return {x - q.x, y - q.y, z - q.z, w - q.w}; }
  D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
  D3DXQUATERNION operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  D3DXQUATERNION operator/(float f) const { return {x / f, y / f, z / f, w / f}; }
  friend D3DXQUATERNION operator*(float f, const D3DXQUATERNION& q) { return q * f; }

  bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

// The plane a·x + b·y + c·z + d = 0.
struct D3DXPLANE {
  float a = 0, b = 0, c = 0, d = 0;

  D3DXPLANE() = default;
  explicit D3DXPLANE(const float* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
  D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}

  operator float*() { return &a; }
  operator const float*() const { return &a; }

  D3DXPLANE operator+() const { return *this; }
  D3DXPLANE operator-() const { return {-a, -b, -c, -d}; }

  bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
  bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

// A colour of four floats, red, green, blue and alpha, laid out as
// D3DCOLORVALUE. As a D3DCOLOR each channel is clamped to [0, 1] and rounded
// to the nearest of 0..255.
struct D3DXCOLOR {
  float r = 0, g = 0, b = 0, a = 0;

  D3DXCOLOR() = default;
  D3DXCOLOR(DWORD argb);
  explicit D3DXCOLOR(const float* f) : r(f[0]), g(f[1]), b(f[2]), a(f[3]) {}
  D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
  D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}

  operator DWORD() const;
  operator float*() { return &r; }
  operator const float*() const { return &r; }
  operator D3DCOLORVALUE*() { return reinterpret_cast<D3DCOLORVALUE*>(&r); }
  operator const D3DCOLORVALUE*() const { return reinterpret_cast<const D3DCOLORVALUE*>(&r); }
  operator D3DCOLORVALUE&() { return *reinterpret_cast<D3DCOLORVALUE*>(&r); }
  operator const D3DCOLORVALUE&() const { return *reinterpret_cast<const D3DCOLORVALUE*>(&r); }

  D3DXCOLOR& operator+=(const D3DXCOLOR& c) {
    r += c.r;
    g += c.g;
    b += c.b;
    a += c.a;
    return *this;
  }
  D3DXCOLOR& operator-=(const D3DXCOLOR& c) {
    r -= c.r;
    g -= c.g;
    b -= c.b;
    a -= c.a;
    return *this;
  }
  D3DXCOLOR& operator*=(float f) {
    r *= f;
    g *= f;
    b *= f;
    a *= f;
    return *this;
  }
  D3DXCOLOR& operator/=(float f) {
    r /= f;
    g /= f;
    b /= f;
    a /= f;
    return *this;
  }

  D3DXCOLOR operator+() const { return *this; }
  D3DXCOLOR operator-() const { return {-r, -g, -b, -a}; }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
  D3DXCOLOR operator*(float f) const { return {r * f, g * f, b * f, a * f}; }
  D3DXCOLOR operator/(float f) const { return {r / f, g / f, b / f, a / f}; }
  friend D3DXCOLOR operator*(float f, const D3DXCOLOR& c) { return c * f; }

  bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};

static_assert(sizeof(D3DXVECTOR2) == 8);
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXVECTOR4) == 16);
static_assert(sizeof(D3DXMATRIX) == 64);
static_assert(sizeof(D3DXQUATERNION) == 16);
static_assert(sizeof(D3DXPLANE) == 16);
static_assert(sizeof(D3DXCOLOR) == 16);

// 3D vectors. The small ones are inline: the reduction calls them in its
// innermost loops.
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
inline float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a + *b;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a - *b;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
  *out = *v * s;
  return out;
}
// a + s · (b − a).
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s);
// Per component.
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector stays zero.
inline D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const float length = D3DXVec3Length(v);
  *out = length == 0.0f ? D3DXVECTOR3() : *v / length;
  return out;
}
// (x, y, z, 1) × m.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) × m, divided by its w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) × m: a direction, unmoved by the translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);

// 4D vectors.
float D3DXVec4Length(const D3DXVECTOR4* v);
float D3DXVec4LengthSq(const D3DXVECTOR4* v);
float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// Matrices.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// a × b: a applied first.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// NULL, with out untouched, when m is singular; determinant may be NULL.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
// Rotations by an angle in radians, clockwise when looking along the axis
// toward the origin.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// The axis need not be of unit length.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
// Scaling (turned by scalingRotation) about scalingCenter, then rotation about
// rotationCenter, then translation; a NULL argument leaves its step out.
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar);

// Quaternions.
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q);
float D3DXQuaternionLength(const D3DXQUATERNION* q);
float D3DXQuaternionLengthSq(const D3DXQUATERNION* q);
float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b);
// A zero quaternion stays zero.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// The axis need not be of unit length.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
// The rotation part of m (which must be a pure rotation).
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
// The rotation q1 followed by q2 (the Hamilton product q2 · q1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2);
// Spherical interpolation from q1 (t = 0) to q2 (t = 1) along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t);
// axis = (x, y, z) as it stands (not normalised), angle = 2 · acos(w).
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle);

// Planes.
float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v);
// a·x + b·y + c·z + d.
float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v);
// a·x + b·y + c·z.
float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v);
// Scales the plane so that (a, b, c) has unit length; a zero normal gives zero.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
// The plane through three points, its normal (v2 − v1) × (v3 − v1) normalised;
// points on one line give the zero plane.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3);

// The size in bytes of one vertex of a flexible vertex format.
UINT D3DXGetFVFVertexSize(DWORD fvf);

// Bounds of the positions (the first three floats) of numVertices vertices of
// format fvf laid out one after the other. E_INVALIDARG for NULL arguments, no
// vertices, or a format without a position.
HRESULT D3DXComputeBoundingBox(const void* pointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min, D3DXVECTOR3* max);
// The centre is the mean of the positions, the radius the largest distance
// from it.
HRESULT D3DXComputeBoundingSphere(const void* pointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* center,
                                  float* radius);
