// The plain value types of Direct3D 8 that the math library and the device
// share, with their exact layouts.
#pragma once

#include <windows.h>

using D3DCOLOR = DWORD;

#define D3DCOLOR_ARGB(a, r, g, b)                                                                      \
  (static_cast<D3DCOLOR>(((static_cast<DWORD>(a) & 0xFF) << 24) | ((static_cast<DWORD>(r) & 0xFF) << 16) | \
                         ((static_cast<DWORD>(g) & 0xFF) << 8) | (static_cast<DWORD>(b) & 0xFF)))
#define D3DCOLOR_RGBA(r, g, b, a) D3DCOLOR_ARGB(a, r, g, b)
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xFF, r, g, b)
#define D3DCOLOR_COLORVALUE(r, g, b, a) \
  D3DCOLOR_RGBA(static_cast<DWORD>((r) * 255.f), static_cast<DWORD>((g) * 255.f), static_cast<DWORD>((b) * 255.f), \
                static_cast<DWORD>((a) * 255.f))

struct D3DVECTOR {
  float x, y, z;
};

struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
};

struct D3DMATERIAL8 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

static_assert(sizeof(D3DVECTOR) == 12);
static_assert(sizeof(D3DCOLORVALUE) == 16);
static_assert(sizeof(D3DMATRIX) == 64);
static_assert(sizeof(D3DMATERIAL8) == 68);
