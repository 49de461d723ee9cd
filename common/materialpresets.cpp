#include "materialpresets.h"

#include <cmath>

namespace {

constexpr D3DCOLORVALUE kZero = {0, 0, 0, 0};
constexpr D3DCOLORVALUE kWhite = {1, 1, 1, 1};
constexpr D3DCOLORVALUE kHalfGrey = {0.5f, 0.5f, 0.5f, 1};

D3DMATERIAL8 Material(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, D3DCOLORVALUE specular, D3DCOLORVALUE emissive,
                      float power) {
  return D3DMATERIAL8{diffuse, ambient, specular, emissive, power};
}

// The low 8 bits, in two's complement, of channel × 255 truncated toward
// zero (so −1 gives 255); NaN and infinities give 0.
DWORD LowByte(float channel) {
  const double value = std::trunc(static_cast<double>(channel) * 255.0);
  if (!std::isfinite(value)) return 0;
  double low = std::fmod(value, 256.0);
  if (low < 0.0) low += 256.0;
  return static_cast<DWORD>(low);
}

}  // namespace

D3DMATERIAL8 InvisibleMaterial() { return Material(kZero, kZero, kZero, kZero, 0); }

D3DMATERIAL8 DefaultMaterial() { return Material(kHalfGrey, kHalfGrey, kHalfGrey, kZero, 0); }

D3DMATERIAL8 GetDefaultMaterial(D3DCOLORVALUE& colour) { return Material(colour, colour, kWhite, colour, 30); }

D3DMATERIAL8 GreenGlassMaterial() { return Material({0, 1, 0, 0.7f}, {0, 1, 0, 0.7f}, kWhite, {0, 0.2f, 0, 0.5f}, 30); }

D3DMATERIAL8 BlueGlassMaterial() { return Material({0, 0, 1, 0.7f}, {0, 0, 1, 0.7f}, kWhite, {0, 0, 0.2f, 0.5f}, 30); }

D3DMATERIAL8 GreyGlassMaterial() {
  return Material({0.5f, 0.5f, 0.5f, 0.2f}, {0.5f, 0.5f, 0.5f, 1}, kWhite, {0.2f, 0.2f, 0.2f, 0.5f}, 30);
}

D3DMATERIAL8 WhiteGlassMaterial() { return Material({1, 1, 1, 0.7f}, kWhite, kWhite, {0.2f, 0.2f, 0.2f, 0.5f}, 30); }

D3DMATERIAL8 GreenMaterial() { return Material({0, 1, 0, 1}, {0, 1, 0, 1}, kWhite, {0, 0.2f, 0, 1}, 30); }

D3DMATERIAL8 WhiteMaterial() { return Material(kWhite, kWhite, kHalfGrey, {0.2f, 0.2f, 0.2f, 1}, 30); }

D3DMATERIAL8 RedMaterial() { return Material({1, 0, 0, 1}, {1, 0, 0, 1}, kHalfGrey, {1, 0, 0, 1}, 30); }

D3DMATERIAL8 BlackMaterial() { return Material({0, 0, 0, 1}, {0, 0, 0, 1}, kHalfGrey, {0, 0, 0, 1}, 30); }

D3DCOLORVALUE ConvertWin32Color(COLORREF colour) {
  return D3DCOLORVALUE{static_cast<float>(colour & 0xFF) / 255.0f, static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                       static_cast<float>((colour >> 16) & 0xFF) / 255.0f, 1.0f};
}

COLORREF ConvertD3DColor(const D3DCOLORVALUE& colour) {
  return LowByte(colour.r) | (LowByte(colour.g) << 8) | (LowByte(colour.b) << 16);
}
