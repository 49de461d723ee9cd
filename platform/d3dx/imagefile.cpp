#include "imagefile.h"

#include <strings.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Files larger than this are not images we would make a texture of.
constexpr long kMaxImageFileBytes = 256l << 20;

bool ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes, std::string& error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    error = "cannot read " + path;
    return false;
  }
  const long size = std::ftell(file.get());
  if (size < 0 || size > kMaxImageFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    error = "cannot read " + path;
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  if (size && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

// The TGA 2.0 footer: "TRUEVISION-XFILE." and a zero at the very end.
bool HasTgaFooter(const std::vector<BYTE>& bytes) {
  static const char kSignature[] = "TRUEVISION-XFILE.";
  const size_t n = sizeof(kSignature);  // with its zero
  return bytes.size() >= 26 && std::memcmp(bytes.data() + bytes.size() - n, kSignature, n) == 0;
}

}  // namespace

bool ImageSizeAllowed(unsigned long long width, unsigned long long height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

HRESULT ReadImageFile(const char* path, bool headerOnly, SDecodedImage& image, std::string& error) {
  image = SDecodedImage();
  if (!path) {
    error = "no file name";
    return D3DERR_INVALIDCALL;
  }
  const std::string native = ToNativePath(path);
  std::vector<BYTE> bytes;
  if (!ReadWholeFile(native, bytes, error)) return D3DXERR_INVALIDDATA;
  const BYTE* data = bytes.data();
  const size_t size = bytes.size();
  static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bool read;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) {
    read = ReadPngImage(data, size, headerOnly, image, error);
  } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    read = ReadJpegImage(data, size, headerOnly, image, error);
  } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    read = ReadBmpImage(data, size, headerOnly, image, error);
  } else if (EndsWithNoCase(native, ".tga") || HasTgaFooter(bytes)) {
    read = ReadTgaImage(data, size, headerOnly, image, error);
  } else {
    error = "not an image of a known format";
    read = false;
  }
  if (!read) {
    error = native + ": " + error;
    image = SDecodedImage();
    return D3DXERR_INVALIDDATA;
  }
  return D3D_OK;
}
