// Truevision TGA: colour-mapped, true-colour and grey pictures, uncompressed
// (types 1, 2, 3) and run-length encoded (9, 10, 11); 8, 15, 16, 24 and 32
// bits a pixel; rows from the bottom or the top, left to right or back.
#include <algorithm>

#include "imagefile.h"

namespace {

constexpr size_t kHeader = 18;

// One pixel of `bytes` bytes in the file's layout into RGBA.
void DecodeColour(const BYTE* p, UINT bytes, bool grey, bool alphaBit, BYTE* out) {
  if (grey) {
    out[0] = out[1] = out[2] = p[0];
    out[3] = bytes == 2 ? p[1] : 255;
    return;
  }
  switch (bytes) {
    case 2: {
      const UINT v = ReadLe16(p);
      out[0] = static_cast<BYTE>(((v >> 10) & 31) * 255 / 31);
      out[1] = static_cast<BYTE>(((v >> 5) & 31) * 255 / 31);
      out[2] = static_cast<BYTE>((v & 31) * 255 / 31);
      out[3] = alphaBit && !(v & 0x8000) ? 0 : 255;
      break;
    }
    case 3:
    case 4:
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = bytes == 4 ? p[3] : 255;
      break;
  }
}

bool Fail(std::string& error, const char* text) {
  error = std::string("damaged TGA: ") + text;
  return false;
}

}  // namespace

bool ReadTgaImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error) {
  if (size < kHeader) return Fail(error, "the header is cut short");
  const UINT idLength = data[0];
  const UINT mapType = data[1];
  const UINT type = data[2];
  const UINT mapStart = ReadLe16(data + 3);
  const UINT mapLength = ReadLe16(data + 5);
  const UINT mapDepth = data[7];
  const UINT width = ReadLe16(data + 12);
  const UINT height = ReadLe16(data + 14);
  const UINT depth = data[16];
  const UINT descriptor = data[17];
  const bool runLength = type >= 9;
  const UINT kind = runLength ? type - 8 : type;  // 1 colour-mapped, 2 true colour, 3 grey
  if (kind < 1 || kind > 3 || type > 11) return Fail(error, "an unknown picture type");
  if (mapType > 1 || (kind == 1 && mapType != 1)) return Fail(error, "an unknown colour map");
  if (!ImageSizeAllowed(width, height)) return Fail(error, "an impossible size");
  const bool mapped = kind == 1, grey = kind == 3;
  if (mapped ? depth != 8 && depth != 16
      : grey ? depth != 8 && depth != 16
             : depth != 15 && depth != 16 && depth != 24 && depth != 32)
    return Fail(error, "an unknown pixel size");
  const UINT attributeBits = descriptor & 0xF;
  const UINT colourDepth = mapped ? mapDepth : depth;
  if (mapped && colourDepth != 15 && colourDepth != 16 && colourDepth != 24 && colourDepth != 32)
    return Fail(error, "an unknown colour map entry size");
  const bool alphaBit = colourDepth == 16 && attributeBits > 0;
  image.width = width;
  image.height = height;
  image.fileFormat = D3DXIFF_TGA;
  if (mapped)
    image.format = D3DFMT_P8;
  else if (grey)
    image.format = depth == 16 ? D3DFMT_A8L8 : D3DFMT_L8;
  else if (depth == 32)
    image.format = D3DFMT_A8R8G8B8;
  else if (depth == 24)
    image.format = D3DFMT_R8G8B8;
  else
    image.format = alphaBit ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
  if (headerOnly) return true;

  size_t p = kHeader + idLength;
  const UINT entryBytes = (colourDepth + 7) / 8;
  std::vector<BYTE> map;
  if (mapType == 1) {
    const size_t mapBytes = static_cast<size_t>(mapLength) * ((mapDepth + 7) / 8);
    if (p > size || size - p < mapBytes) return Fail(error, "the colour map is cut short");
    if (mapped) {
      map.resize(static_cast<size_t>(mapLength) * 4);
      for (UINT i = 0; i < mapLength; ++i)
        DecodeColour(data + p + i * entryBytes, entryBytes, false, alphaBit, &map[4 * i]);
    }
    p += mapBytes;
  }
  const UINT pixelBytes = (depth + 7) / 8;
  image.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  const bool fromTop = (descriptor & 0x20) != 0, fromRight = (descriptor & 0x10) != 0;
  auto put = [&](size_t n, const BYTE* pixel) {
    const UINT fileRow = static_cast<UINT>(n / width), column = static_cast<UINT>(n % width);
    const UINT y = fromTop ? fileRow : height - 1 - fileRow;
    const UINT x = fromRight ? width - 1 - column : column;
    BYTE* out = &image.rgba[(static_cast<size_t>(y) * width + x) * 4];
    if (!mapped) {
      DecodeColour(pixel, pixelBytes, grey, alphaBit, out);
      return true;
    }
    const UINT index = pixelBytes == 1 ? pixel[0] : ReadLe16(pixel);
    if (index < mapStart || index - mapStart >= mapLength) return Fail(error, "a colour index past the map");
    std::copy_n(&map[(index - mapStart) * 4], 4, out);
    return true;
  };
  const size_t total = static_cast<size_t>(width) * height;
  if (!runLength) {
    if (p > size || (size - p) / pixelBytes < total) return Fail(error, "the pixels are cut short");
    for (size_t n = 0; n < total; ++n)
      if (!put(n, data + p + n * pixelBytes)) return false;
    return true;
  }
  // Packets of one count byte: the top bit set repeats the next pixel
  // (count & 0x7F) + 1 times, else (count + 1) pixels follow as they are.
  // Packets may run on from one row to the next.
  for (size_t n = 0; n < total;) {
    if (p >= size) return Fail(error, "the packets are cut short");
    const UINT header = data[p++];
    const size_t count = (header & 0x7F) + 1;
    if (count > total - n) return Fail(error, "a packet past the end of the picture");
    if (header & 0x80) {
      if (size - p < pixelBytes) return Fail(error, "the packets are cut short");
      for (size_t i = 0; i < count; ++i)
        if (!put(n + i, data + p)) return false;
      p += pixelBytes;
    } else {
      if ((size - p) / pixelBytes < count) return Fail(error, "the packets are cut short");
      for (size_t i = 0; i < count; ++i)
        if (!put(n + i, data + p + i * pixelBytes)) return false;
      p += count * pixelBytes;
    }
    n += count;
  }
  return true;
}
