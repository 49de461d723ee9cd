#include <cstring>

#include "d3d8pixels.h"

namespace {

// A channel of bits bits scaled to 0..255.
constexpr BYTE Widen(DWORD value, int bits) {
  const DWORD top = (1u << bits) - 1;
  return static_cast<BYTE>(((value & top) * 255 + top / 2) / top);
}

constexpr DWORD Narrow(BYTE value, int bits) { return static_cast<DWORD>(value) >> (8 - bits); }

// Where the channels of a packed format lie: shift and width of red, green,
// blue and alpha (width 0: absent; alpha then reads 255).
struct Packing {
  UINT size;
  int shift[4];
  int bits[4];
  bool luminance;  // red holds luminance, copied into green and blue
};

bool PackingOf(D3DFORMAT format, Packing* p) {
  switch (format) {
    case D3DFMT_A8R8G8B8: *p = {4, {16, 8, 0, 24}, {8, 8, 8, 8}, false}; return true;
    case D3DFMT_X8R8G8B8: *p = {4, {16, 8, 0, 0}, {8, 8, 8, 0}, false}; return true;
    case D3DFMT_R8G8B8: *p = {3, {16, 8, 0, 0}, {8, 8, 8, 0}, false}; return true;
    case D3DFMT_R5G6B5: *p = {2, {11, 5, 0, 0}, {5, 6, 5, 0}, false}; return true;
    case D3DFMT_X1R5G5B5: *p = {2, {10, 5, 0, 0}, {5, 5, 5, 0}, false}; return true;
    case D3DFMT_A1R5G5B5: *p = {2, {10, 5, 0, 15}, {5, 5, 5, 1}, false}; return true;
    case D3DFMT_A4R4G4B4: *p = {2, {8, 4, 0, 12}, {4, 4, 4, 4}, false}; return true;
    case D3DFMT_X4R4G4B4: *p = {2, {8, 4, 0, 0}, {4, 4, 4, 0}, false}; return true;
    case D3DFMT_R3G3B2: *p = {1, {5, 2, 0, 0}, {3, 3, 2, 0}, false}; return true;
    case D3DFMT_A8R3G3B2: *p = {2, {5, 2, 0, 8}, {3, 3, 2, 8}, false}; return true;
    case D3DFMT_L8: *p = {1, {0, 0, 0, 0}, {8, 0, 0, 0}, true}; return true;
    case D3DFMT_A8L8: *p = {2, {0, 0, 0, 8}, {8, 0, 0, 8}, true}; return true;
    case D3DFMT_A4L4: *p = {1, {0, 0, 0, 4}, {4, 0, 0, 4}, true}; return true;
    default: return false;
  }
}

}  // namespace

bool D3D8DecodePixels(D3DFORMAT format, const BYTE* source, UINT count, BYTE* rgba) {
  if (format == D3DFMT_A8) {
    for (UINT i = 0; i < count; ++i) {
      rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = 0;
      rgba[4 * i + 3] = source[i];
    }
    return true;
  }
  Packing p{};
  if (!PackingOf(format, &p)) return false;
  for (UINT i = 0; i < count; ++i) {
    DWORD value = 0;
    for (UINT b = 0; b < p.size; ++b) value |= static_cast<DWORD>(source[i * p.size + b]) << (8 * b);
    BYTE* out = rgba + 4 * i;
    for (int c = 0; c < 4; ++c) out[c] = p.bits[c] ? Widen(value >> p.shift[c], p.bits[c]) : (c == 3 ? 255 : 0);
    if (p.luminance) out[1] = out[2] = out[0];
  }
  return true;
}

bool D3D8EncodePixels(D3DFORMAT format, const BYTE* rgba, UINT count, BYTE* dest) {
  if (format == D3DFMT_A8) {
    for (UINT i = 0; i < count; ++i) dest[i] = rgba[4 * i + 3];
    return true;
  }
  Packing p{};
  if (!PackingOf(format, &p)) return false;
  for (UINT i = 0; i < count; ++i) {
    const BYTE* in = rgba + 4 * i;
    DWORD value = 0;
    for (int c = 0; c < 4; ++c)
      if (p.bits[c]) value |= Narrow(in[c], p.bits[c]) << p.shift[c];
    for (UINT b = 0; b < p.size; ++b) dest[i * p.size + b] = static_cast<BYTE>(value >> (8 * b));
  }
  return true;
}
