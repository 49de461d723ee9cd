// Small BMP and TGA files made by the tests themselves, from RGBA pixels
// (the top row first), for the texture readers and the texture manager.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// RGBA pixels of a picture, the top row first.
struct TestPicture {
  unsigned width = 0, height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* At(unsigned x, unsigned y) const { return &rgba[(y * width + x) * 4]; }
};

// 4 × 2 pixels: red, green, blue, white over black, a dark blue-grey, an
// orange and a half-transparent yellow (alpha only where a format has it).
inline TestPicture TestColours() {
  return {4, 2, {255, 0, 0, 255, 0,  255, 0,  255, 0,   0,   255, 255, 255, 255, 255, 255,
                 0,   0, 0, 255, 10, 20,  30, 255, 200, 100, 50,  255, 255, 255, 0,   128}};
}

namespace image_files {

inline void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// File and info headers of a BMP; pixels follow the palette.
inline std::string BmpHeaders(const TestPicture& p, int bits, uint32_t compression, uint32_t pixelBytes,
                              uint32_t paletteColours, bool topDown) {
  std::string out = "BM";
  const uint32_t offset = 14 + 40 + paletteColours * 4;
  Put32(out, offset + pixelBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, p.width);
  Put32(out, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(p.height)) : p.height);
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, compression);
  Put32(out, pixelBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, paletteColours);
  Put32(out, 0);
  return out;
}

}  // namespace image_files

// A 24-bit uncompressed BMP, rows from the bottom (or from the top).
inline std::string Bmp24(const TestPicture& p, bool topDown = false) {
  using namespace image_files;
  const unsigned stride = (p.width * 3 + 3) / 4 * 4;
  std::string out = BmpHeaders(p, 24, 0, stride * p.height, 0, topDown);
  for (unsigned r = 0; r < p.height; ++r) {
    const unsigned y = topDown ? r : p.height - 1 - r;
    std::string row;
    for (unsigned x = 0; x < p.width; ++x) {
      const uint8_t* c = p.At(x, y);
      row += static_cast<char>(c[2]);
      row += static_cast<char>(c[1]);
      row += static_cast<char>(c[0]);
    }
    row.resize(stride, '\0');
    out += row;
  }
  return out;
}

// An 8-bit BMP with the picture's colours as its palette, uncompressed or
// run-length encoded (each row one run per pixel, then an end of row).
inline std::string Bmp8(const TestPicture& p, bool runLength) {
  using namespace image_files;
  std::string palette, pixels;
  for (unsigned i = 0; i < p.width * p.height; ++i) {
    const uint8_t* c = &p.rgba[i * 4];
    palette += {static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0]), '\0'};
  }
  for (unsigned r = 0; r < p.height; ++r) {
    const unsigned y = p.height - 1 - r;
    std::string row;
    for (unsigned x = 0; x < p.width; ++x) {
      if (runLength) row += '\1';
      row += static_cast<char>(y * p.width + x);
    }
    if (runLength) {
      row += std::string("\0\0", 2);
    } else {
      row.resize((p.width + 3) / 4 * 4, '\0');
    }
    pixels += row;
  }
  if (runLength) pixels += std::string("\0\1", 2);
  std::string out =
      BmpHeaders(p, 8, runLength ? 1 : 0, static_cast<uint32_t>(pixels.size()), p.width * p.height, false);
  return out + palette + pixels;
}

// A TGA of true colour (24 or 32 bits), uncompressed or run-length encoded
// (one raw packet per row), rows from the bottom unless topDown.
inline std::string Tga(const TestPicture& p, int bits, bool runLength, bool topDown = false) {
  using namespace image_files;
  std::string out;
  out += '\0';                                   // no id
  out += '\0';                                   // no colour map
  out += static_cast<char>(runLength ? 10 : 2);  // true colour
  out += std::string(5, '\0');                   // colour map fields
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, p.width);
  Put16(out, p.height);
  out += static_cast<char>(bits);
  out += static_cast<char>((bits == 32 ? 8 : 0) | (topDown ? 0x20 : 0));
  for (unsigned r = 0; r < p.height; ++r) {
    const unsigned y = topDown ? r : p.height - 1 - r;
    if (runLength) out += static_cast<char>(p.width - 1);
    for (unsigned x = 0; x < p.width; ++x) {
      const uint8_t* c = p.At(x, y);
      out += {static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0])};
      if (bits == 32) out += static_cast<char>(c[3]);
    }
  }
  return out;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
