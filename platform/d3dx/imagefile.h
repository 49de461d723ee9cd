// The image-file readers behind the D3DX texture functions: PNG (libpng),
// JPEG (libjpeg), and our own BMP and TGA readers. Each reads from memory,
// checks every size and offset against the bytes it has, and refuses a
// damaged image with a text instead of reading past it.
#pragma once

#include <string>
#include <vector>

#include "d3dx8tex.h"

// A decoded image: rows of RGBA bytes (red, green, blue, alpha), the top row
// first; rgba stays empty when only the header was asked for.
struct SDecodedImage {
  UINT width = 0;
  UINT height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;  // the format that keeps the file's colours
  D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
  std::vector<BYTE> rgba;
};

// The largest side and the most pixels an image may have; larger headers are
// taken for damaged ones.
constexpr UINT kMaxImageSide = 16384;
constexpr unsigned long long kMaxImagePixels = 1ull << 24;

// Each reader fills image (the header only when headerOnly) and returns
// true, or returns false with the reason in error.
bool ReadPngImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error);
bool ReadJpegImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error);
bool ReadBmpImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error);
bool ReadTgaImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error);

// Reads the file at path (Windows separators allowed), choosing the reader by
// the file's signature (TGA, which has none, by its name or its footer).
// D3DERR_INVALIDCALL for a NULL path, D3DXERR_INVALIDDATA for a file that
// cannot be read or decoded; error receives the reason.
HRESULT ReadImageFile(const char* path, bool headerOnly, SDecodedImage& image, std::string& error);

// A size and a pixel count that a reader may allocate.
bool ImageSizeAllowed(unsigned long long width, unsigned long long height);

// Little-endian numbers of the file headers.
inline UINT ReadLe16(const BYTE* p) { return p[0] | (p[1] << 8); }
inline UINT ReadLe32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<UINT>(p[3]) << 24); }
