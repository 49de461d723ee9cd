#include "materialpresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

void ExpectColour(const D3DCOLORVALUE& got, const D3DCOLORVALUE& want, const char* what) {
  EXPECT_FLOAT_EQ(got.r, want.r) << what;
  EXPECT_FLOAT_EQ(got.g, want.g) << what;
  EXPECT_FLOAT_EQ(got.b, want.b) << what;
  EXPECT_FLOAT_EQ(got.a, want.a) << what;
}

TEST(MaterialPresets, Table) {
  const D3DCOLORVALUE ones = {1, 1, 1, 1}, half = {0.5f, 0.5f, 0.5f, 1}, zero = {0, 0, 0, 0};
  const struct {
    const char* name;
    D3DMATERIAL8 (*preset)();
    D3DCOLORVALUE diffuse, ambient, specular, emissive;
    float power;
  } cases[] = {
      {"Invisible", InvisibleMaterial, zero, zero, zero, zero, 0},
      {"Default", DefaultMaterial, half, half, half, zero, 0},
      {"GreenGlass", GreenGlassMaterial, {0, 1, 0, 0.7f}, {0, 1, 0, 0.7f}, ones, {0, 0.2f, 0, 0.5f}, 30},
      {"BlueGlass", BlueGlassMaterial, {0, 0, 1, 0.7f}, {0, 0, 1, 0.7f}, ones, {0, 0, 0.2f, 0.5f}, 30},
      {"GreyGlass", GreyGlassMaterial, {0.5f, 0.5f, 0.5f, 0.2f}, half, ones, {0.2f, 0.2f, 0.2f, 0.5f}, 30},
      {"WhiteGlass", WhiteGlassMaterial, {1, 1, 1, 0.7f}, ones, ones, {0.2f, 0.2f, 0.2f, 0.5f}, 30},
      {"Green", GreenMaterial, {0, 1, 0, 1}, {0, 1, 0, 1}, ones, {0, 0.2f, 0, 1}, 30},
      {"White", WhiteMaterial, ones, ones, half, {0.2f, 0.2f, 0.2f, 1}, 30},
      {"Red", RedMaterial, {1, 0, 0, 1}, {1, 0, 0, 1}, half, {1, 0, 0, 1}, 30},
      {"Black", BlackMaterial, {0, 0, 0, 1}, {0, 0, 0, 1}, half, {0, 0, 0, 1}, 30},
  };
  for (const auto& c : cases) {
    const D3DMATERIAL8 m = c.preset();
    ExpectColour(m.Diffuse, c.diffuse, c.name);
    ExpectColour(m.Ambient, c.ambient, c.name);
    ExpectColour(m.Specular, c.specular, c.name);
    ExpectColour(m.Emissive, c.emissive, c.name);
    EXPECT_EQ(m.Power, c.power) << c.name;
  }
  const D3DMATERIAL8 invisible = InvisibleMaterial();
  const unsigned char zeros[sizeof(D3DMATERIAL8)] = {};
  EXPECT_EQ(std::memcmp(&invisible, zeros, sizeof zeros), 0);  // 68 zero bytes

  D3DCOLORVALUE colour = {0.1f, 0.2f, 0.3f, 0.4f};
  const D3DMATERIAL8 m = GetDefaultMaterial(colour);
  ExpectColour(m.Diffuse, colour, "diffuse");
  ExpectColour(m.Ambient, colour, "ambient");
  ExpectColour(m.Emissive, colour, "emissive");
  ExpectColour(m.Specular, ones, "specular");
  EXPECT_EQ(m.Power, 30);
}

TEST(ColourConversion, Win32ToD3D) {
  const COLORREF colour = 0x00FF8000;  // red 0, green 128, blue 255
  ExpectColour(ConvertWin32Color(colour), {0, 128 / 255.0f, 1, 1}, "mixed");
  ExpectColour(ConvertWin32Color(0xFF000000), {0, 0, 0, 1}, "top byte ignored");
}

TEST(ColourConversion, D3DToWin32) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), huge = std::numeric_limits<float>::max();
  const struct {
    D3DCOLORVALUE colour;
    COLORREF expected;
  } cases[] = {
      {{1, 0.5f, 0, 1}, 0x00007FFF},        // 127.5 truncates to 127
      {{0, 0, 0, 0.3f}, 0},                 // alpha ignored
      {{1.5f, 0, 0, 1}, 126},               // low 8 bits of 382
      {{-1 / 255.0f, 0, 0, 1}, 0xFF},       // −1
      {{-0.5f, 0, 0, 1}, 129},              // −127 → 0x81
      {{nan, huge, -huge, 1}, 0x00000000},  // beyond any integer: no overflow
      {{1, 1, 1, 1}, 0x00FFFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertD3DColor(c.colour), c.expected) << c.colour.r;
}

}  // namespace
