// Windows bitmaps: the core (12-byte) and the info headers (40 bytes and its
// longer versions); 1, 4 and 8 bits with a palette, 16, 24 and 32 bits;
// uncompressed, run-length encoded (8 and 4 bits) and with bit-field masks.
#include <algorithm>
#include <bit>

#include "imagefile.h"

namespace {

constexpr UINT kFileHeader = 14;
constexpr DWORD kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct SMask {
  UINT mask = 0;
  int shift = 0;
  UINT max = 0;  // the largest value of the field

  explicit SMask(UINT m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  BYTE Of(UINT pixel, BYTE absent) const {
    if (!mask) return absent;
    return static_cast<BYTE>(static_cast<unsigned long long>((pixel & mask) >> shift) * 255u / max);
  }
};

struct SBmpReader {
  SBmpReader(const BYTE* d, size_t s, SDecodedImage& i, std::string& e) : data(d), size(s), image(i), error(e) {}
  const BYTE* data;
  size_t size;
  SDecodedImage& image;
  std::string& error;
  UINT bits = 0;
  DWORD compression = kRgb;
  bool topDown = false;
  std::vector<BYTE> palette;  // RGBA entries
  SMask red, green, blue, alpha;

  bool Fail(const char* text) {
    error = std::string("damaged BMP: ") + text;
    return false;
  }
  BYTE* Pixel(UINT x, UINT fileRow) {
    const UINT y = topDown ? fileRow : image.height - 1 - fileRow;
    return &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
  }
  bool SetIndex(UINT x, UINT fileRow, UINT index) {
    if (index >= palette.size() / 4) return Fail("a colour index past the palette");
    std::copy_n(&palette[index * 4], 4, Pixel(x, fileRow));
    return true;
  }
  bool Uncompressed(size_t offset);
  bool RunLength(size_t offset);
};

bool SBmpReader::Uncompressed(size_t offset) {
  const size_t stride = ((static_cast<size_t>(image.width) * bits + 31) / 32) * 4;
  if (offset > size || (size - offset) / stride < image.height) return Fail("the pixels are cut short");
  for (UINT r = 0; r < image.height; ++r) {
    const BYTE* row = data + offset + stride * r;
    for (UINT x = 0; x < image.width; ++x) {
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          const UINT perByte = 8 / bits;
          const UINT byte = row[x / perByte];
          const UINT shift = 8 - bits * (x % perByte + 1);
          if (!SetIndex(x, r, (byte >> shift) & ((1u << bits) - 1))) return false;
          break;
        }
        case 16:
        case 32: {
          const UINT pixel = bits == 16 ? ReadLe16(row + 2 * x) : ReadLe32(row + 4 * x);
          BYTE* out = Pixel(x, r);
          out[0] = red.Of(pixel, 0);
          out[1] = green.Of(pixel, 0);
          out[2] = blue.Of(pixel, 0);
          out[3] = alpha.Of(pixel, 255);
          break;
        }
        case 24: {
          BYTE* out = Pixel(x, r);
          out[0] = row[3 * x + 2];
          out[1] = row[3 * x + 1];
          out[2] = row[3 * x];
          out[3] = 255;
          break;
        }
      }
    }
  }
  return true;
}

// Runs of 8- or 4-bit indices, rows from the bottom up, up to the end mark;
// pixels that no run reaches take palette entry 0.
bool SBmpReader::RunLength(size_t offset) {
  if (palette.empty()) return Fail("no palette");
  for (UINT r = 0; r < image.height; ++r)
    for (UINT x = 0; x < image.width; ++x) std::copy_n(&palette[0], 4, Pixel(x, r));
  UINT x = 0, r = 0;
  size_t p = offset;
  auto put = [&](UINT index) {
    if (x >= image.width || r >= image.height) return Fail("a run past the end of its row");
    if (!SetIndex(x, r, index)) return false;
    ++x;
    return true;
  };
  for (;;) {
    if (p + 2 > size) return Fail("the runs are cut short");
    const UINT count = data[p], value = data[p + 1];
    p += 2;
    if (count) {
      for (UINT i = 0; i < count; ++i) {
        const UINT index = bits == 8 ? value : (i % 2 ? value & 0xF : value >> 4);
        if (!put(index)) return false;
      }
      continue;
    }
    if (value == 0) {  // end of row
      x = 0;
      ++r;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // move right and up
      if (p + 2 > size) return Fail("the runs are cut short");
      x += data[p];
      r += data[p + 1];
      p += 2;
      if (r > image.height || (r < image.height && x > image.width)) return Fail("a move past the picture");
    } else {  // a literal run of value indices, padded to 16 bits
      const size_t bytes = bits == 8 ? value : (value + 1) / 2;
      if (p + bytes > size) return Fail("the runs are cut short");
      for (UINT i = 0; i < value; ++i) {
        const UINT index = bits == 8 ? data[p + i] : (i % 2 ? data[p + i / 2] & 0xF : data[p + i / 2] >> 4);
        if (!put(index)) return false;
      }
      p += bytes + (bytes & 1);
    }
  }
}

}  // namespace

bool ReadBmpImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error) {
  SBmpReader reader(data, size, image, error);
  if (size < kFileHeader + 12) return reader.Fail("the header is cut short");
  const UINT pixelsOffset = ReadLe32(data + 10);
  const UINT headerSize = ReadLe32(data + kFileHeader);
  long long width, height;
  UINT planes, entrySize, colorsUsed = 0;
  size_t paletteOffset = kFileHeader + headerSize;
  UINT masks[4] = {};
  if (headerSize == 12) {
    width = ReadLe16(data + 18);
    height = static_cast<int16_t>(ReadLe16(data + 20));
    planes = ReadLe16(data + 22);
    reader.bits = ReadLe16(data + 24);
    entrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 4096 && kFileHeader + headerSize <= size) {
    width = static_cast<int32_t>(ReadLe32(data + 18));
    height = static_cast<int32_t>(ReadLe32(data + 22));
    planes = ReadLe16(data + 26);
    reader.bits = ReadLe16(data + 28);
    reader.compression = ReadLe32(data + 30);
    colorsUsed = ReadLe32(data + 46);
    entrySize = 4;
    if (reader.compression == kBitFields) {
      if (headerSize >= 52) {
        for (int i = 0; i < 3; ++i) masks[i] = ReadLe32(data + kFileHeader + 40 + 4 * i);
      } else {
        if (paletteOffset + 12 > size) return reader.Fail("the colour masks are cut short");
        for (int i = 0; i < 3; ++i) masks[i] = ReadLe32(data + paletteOffset + 4 * i);
        paletteOffset += 12;
      }
    }
    if (headerSize >= 56 && reader.compression == kBitFields) masks[3] = ReadLe32(data + kFileHeader + 52);
  } else {
    return reader.Fail("an unknown header");
  }
  reader.topDown = height < 0;
  if (height < 0) height = -height;
  if (planes != 1 || !ImageSizeAllowed(width > 0 ? width : 0, height)) return reader.Fail("an impossible size");
  const UINT bits = reader.bits;
  const DWORD compression = reader.compression;
  const bool indexed = bits == 1 || bits == 4 || bits == 8;
  if (!indexed && bits != 16 && bits != 24 && bits != 32) return reader.Fail("an unknown pixel size");
  if (compression == kRle8        ? bits != 8
      : compression == kRle4      ? bits != 4
      : compression == kBitFields ? bits != 16 && bits != 32
                                  : compression != kRgb)
    return reader.Fail("an unknown compression");
  if ((compression == kRle8 || compression == kRle4) && reader.topDown)
    return reader.Fail("a run-length picture from the top");
  if (bits == 16 && compression == kRgb) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bits == 32 && compression == kRgb) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  if (!indexed && bits != 24 && (!masks[0] || !masks[1] || !masks[2])) return reader.Fail("empty colour masks");
  image.width = static_cast<UINT>(width);
  image.height = static_cast<UINT>(height);
  image.fileFormat = D3DXIFF_BMP;
  if (indexed)
    image.format = D3DFMT_P8;
  else if (bits == 24)
    image.format = D3DFMT_R8G8B8;
  else if (bits == 16)
    image.format = masks[3] ? D3DFMT_A1R5G5B5 : masks[1] == 0x07E0 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5;
  else
    image.format = masks[3] ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  if (headerOnly) return true;

  if (indexed) {
    const UINT count = colorsUsed ? colorsUsed : 1u << bits;
    if (count > 256) return reader.Fail("a palette of more than 256 colours");
    if (paletteOffset > size || (size - paletteOffset) / entrySize < count)
      return reader.Fail("the palette is cut short");
    reader.palette.resize(count * 4);
    for (UINT i = 0; i < count; ++i) {
      const BYTE* entry = data + paletteOffset + i * entrySize;
      reader.palette[4 * i] = entry[2];
      reader.palette[4 * i + 1] = entry[1];
      reader.palette[4 * i + 2] = entry[0];
      reader.palette[4 * i + 3] = 255;
    }
  }
  reader.red = SMask(masks[0]);
  reader.green = SMask(masks[1]);
  reader.blue = SMask(masks[2]);
  reader.alpha = SMask(masks[3]);
  image.rgba.assign(static_cast<size_t>(image.width) * image.height * 4, 0);
  if (pixelsOffset >= size) return reader.Fail("the pixels lie past the end of the file");
  return compression == kRle8 || compression == kRle4 ? reader.RunLength(pixelsOffset)
                                                      : reader.Uncompressed(pixelsOffset);
}
