#include <d3d8pixels.h>
#include <d3d8resources.h>

#include <algorithm>
#include <string>
#include <vector>

#include "d3dx8tex.h"
#include "imagefile.h"

namespace {

// RGBA pixels of one picture, the top row first.
struct SPixels {
  UINT width = 0, height = 0;
  std::vector<BYTE> rgba;
  const BYTE* At(UINT x, UINT y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// The filter of the low bits; 0 for one this layer does not know.
DWORD FilterKind(DWORD filter) {
  if (filter == D3DX_DEFAULT) return D3DX_FILTER_TRIANGLE;
  const DWORD kind = filter & 0xFFFF;
  return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX ? kind : 0;
}

// Pixels equal to the key (ARGB) become transparent black; a key of 0 keys
// nothing.
void ApplyColorKey(std::vector<BYTE>& rgba, D3DCOLOR key) {
  if (!key) return;
  const BYTE a = key >> 24, r = (key >> 16) & 0xFF, g = (key >> 8) & 0xFF, b = key & 0xFF;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4)
    if (rgba[i] == r && rgba[i + 1] == g && rgba[i + 2] == b && rgba[i + 3] == a)
      rgba[i] = rgba[i + 1] = rgba[i + 2] = rgba[i + 3] = 0;
}

// source scaled to width × height with the filter kind.
SPixels Resample(const SPixels& source, UINT width, UINT height, DWORD kind) {
  SPixels out;
  out.width = width;
  out.height = height;
  out.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  if (source.width == width && source.height == height) {
    out.rgba = source.rgba;
    return out;
  }
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      BYTE* target = &out.rgba[(static_cast<size_t>(y) * width + x) * 4];
      if (kind == D3DX_FILTER_NONE) {
        if (x < source.width && y < source.height) std::copy_n(source.At(x, y), 4, target);
        continue;
      }
      // The source pixels that this pixel covers, at least one.
      const auto x0 = static_cast<UINT>(static_cast<unsigned long long>(x) * source.width / width);
      const auto y0 = static_cast<UINT>(static_cast<unsigned long long>(y) * source.height / height);
      if (kind == D3DX_FILTER_POINT) {
        std::copy_n(source.At(x0, y0), 4, target);
        continue;
      }
      UINT x1 = static_cast<UINT>((static_cast<unsigned long long>(x + 1) * source.width + width - 1) / width);
      UINT y1 = static_cast<UINT>((static_cast<unsigned long long>(y + 1) * source.height + height - 1) / height);
      x1 = std::max(x1, x0 + 1);
      y1 = std::max(y1, y0 + 1);
      unsigned long long sum[4] = {};
      for (UINT sy = y0; sy < y1; ++sy)
        for (UINT sx = x0; sx < x1; ++sx)
          for (int c = 0; c < 4; ++c) sum[c] += source.At(sx, sy)[c];
      const unsigned long long n = static_cast<unsigned long long>(x1 - x0) * (y1 - y0);
      for (int c = 0; c < 4; ++c) target[c] = static_cast<BYTE>((sum[c] + n / 2) / n);
    }
  }
  return out;
}

// A rectangle within width × height; NULL is the whole.
bool ReadRect(const RECT* rect, UINT width, UINT height, RECT& out) {
  if (!rect) {
    out = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return true;
  }
  out = *rect;
  return out.left >= 0 && out.top >= 0 && out.left < out.right && out.top < out.bottom &&
         out.right <= static_cast<LONG>(width) && out.bottom <= static_cast<LONG>(height);
}

// The pixels of a rectangle of a surface.
HRESULT ReadSurface(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc, const RECT& rect, SPixels& out) {
  D3DLOCKED_RECT locked{};
  if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  out.width = static_cast<UINT>(rect.right - rect.left);
  out.height = static_cast<UINT>(rect.bottom - rect.top);
  out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
  const UINT pixelSize = D3D8FormatSize(desc.Format);
  bool decoded = true;
  for (UINT y = 0; y < out.height && decoded; ++y) {
    const BYTE* row = static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(rect.top + y) * locked.Pitch +
                      static_cast<size_t>(rect.left) * pixelSize;
    decoded = D3D8DecodePixels(desc.Format, row, out.width, &out.rgba[static_cast<size_t>(y) * out.width * 4]);
  }
  surface->UnlockRect();
  return decoded ? D3D_OK : D3DERR_INVALIDCALL;
}

// pixels written into a rectangle of a surface of the same size.
HRESULT WriteSurface(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc, const RECT& rect, const SPixels& pixels) {
  D3DLOCKED_RECT locked{};
  if (FAILED(surface->LockRect(&locked, nullptr, 0))) return D3DERR_INVALIDCALL;
  const UINT pixelSize = D3D8FormatSize(desc.Format);
  bool encoded = true;
  for (UINT y = 0; y < pixels.height && encoded; ++y) {
    BYTE* row = static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(rect.top + y) * locked.Pitch +
                static_cast<size_t>(rect.left) * pixelSize;
    encoded = D3D8EncodePixels(desc.Format, &pixels.rgba[static_cast<size_t>(y) * pixels.width * 4], pixels.width, row);
  }
  surface->UnlockRect();
  return encoded ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT WriteLevel(IDirect3DTexture8* texture, UINT level, const SPixels& pixels) {
  IDirect3DSurface8* surface = nullptr;
  if (FAILED(texture->GetSurfaceLevel(level, &surface))) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  HRESULT hr = surface->GetDesc(&desc);
  if (SUCCEEDED(hr))
    hr = WriteSurface(surface, desc, {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)}, pixels);
  surface->Release();
  return hr;
}

// The texture format nearest to format that the device layer holds.
D3DFORMAT TextureFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_UNKNOWN:
    case D3DFMT_P8:
    case D3DFMT_A8P8:
      return D3DFMT_A8R8G8B8;
    case D3DFMT_R8G8B8:
      return D3DFMT_X8R8G8B8;
    default:
      break;
  }
  // A format whose pixels this layer both writes and reads.
  BYTE probe[4] = {}, back[4] = {};
  const BYTE rgba[4] = {};
  const bool held =
      D3D8FormatSize(format) && D3D8EncodePixels(format, rgba, 1, probe) && D3D8DecodePixels(format, probe, 1, back);
  return held ? format : D3DFMT_A8R8G8B8;
}

UINT ChainLength(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT side = std::max(width, height); side > 1; side /= 2) ++levels;
  return levels;
}

}  // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR file, D3DXIMAGE_INFO* info) {
  if (!file || !info) return D3DERR_INVALIDCALL;
  SDecodedImage image;
  std::string error;
  const HRESULT hr = ReadImageFile(file, true, image, error);
  if (FAILED(hr)) return hr;
  *info = {image.width, image.height, 1, 1, image.format, D3DRTYPE_TEXTURE, image.fileFormat};
  return D3D_OK;
}

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels, DWORD,
                                     D3DFORMAT* format, D3DPOOL) {
  if (!device) return D3DERR_INVALIDCALL;
  D3DCAPS8 caps{};
  if (FAILED(device->GetDeviceCaps(&caps))) return D3DERR_INVALIDCALL;
  auto side = [](UINT* value, DWORD largest) {
    if (!value) return;
    if (*value == 0 || *value == D3DX_DEFAULT) *value = 256;
    if (largest && *value > largest) *value = largest;
  };
  side(width, caps.MaxTextureWidth);
  side(height, caps.MaxTextureHeight);
  if (mipLevels) {
    const UINT chain = ChainLength(width ? *width : 256, height ? *height : 256);
    if (*mipLevels == 0 || *mipLevels == D3DX_DEFAULT || *mipLevels > chain) *mipLevels = chain;
  }
  if (format) *format = TextureFormat(*format);
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR file, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*,
                                     IDirect3DTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  const DWORD kind = FilterKind(filter), mipKind = FilterKind(mipFilter);
  if (!device || !file || !kind || !mipKind) return D3DERR_INVALIDCALL;
  SDecodedImage image;
  std::string error;
  HRESULT hr = ReadImageFile(file, false, image, error);
  if (FAILED(hr)) return hr;
  if (width == 0 || width == D3DX_DEFAULT) width = image.width;
  if (height == 0 || height == D3DX_DEFAULT) height = image.height;
  if (format == D3DFMT_UNKNOWN) format = image.format;
  hr = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
  if (FAILED(hr)) return hr;
  IDirect3DTexture8* made = nullptr;
  hr = device->CreateTexture(width, height, mipLevels, usage, format, pool, &made);
  if (FAILED(hr)) return hr;
  SPixels level{image.width, image.height, std::move(image.rgba)};
  ApplyColorKey(level.rgba, colorKey);
  const UINT levels = made->GetLevelCount();
  for (UINT i = 0; i < levels && SUCCEEDED(hr); ++i) {
    D3DSURFACE_DESC desc{};
    hr = made->GetLevelDesc(i, &desc);
    if (FAILED(hr)) break;
    level = Resample(level, desc.Width, desc.Height, i == 0 ? kind : mipKind);
    hr = WriteLevel(made, i, level);
  }
  if (FAILED(hr)) {
    made->Release();
    return hr;
  }
  if (srcInfo) *srcInfo = {image.width, image.height, 1, 1, image.format, D3DRTYPE_TEXTURE, image.fileFormat};
  *texture = made;
  return D3D_OK;
}

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface8* destSurface, const PALETTEENTRY*, const RECT* destRect,
                                   IDirect3DSurface8* srcSurface, const PALETTEENTRY*, const RECT* srcRect,
                                   DWORD filter, D3DCOLOR colorKey) {
  const DWORD kind = FilterKind(filter);
  if (!destSurface || !srcSurface || !kind) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC destDesc{}, srcDesc{};
  if (FAILED(destSurface->GetDesc(&destDesc)) || FAILED(srcSurface->GetDesc(&srcDesc))) return D3DERR_INVALIDCALL;
  RECT to{}, from{};
  if (!ReadRect(destRect, destDesc.Width, destDesc.Height, to) ||
      !ReadRect(srcRect, srcDesc.Width, srcDesc.Height, from))
    return D3DERR_INVALIDCALL;
  SPixels source;
  HRESULT hr = ReadSurface(srcSurface, srcDesc, from, source);
  if (FAILED(hr)) return hr;
  ApplyColorKey(source.rgba, colorKey);
  const SPixels scaled =
      Resample(source, static_cast<UINT>(to.right - to.left), static_cast<UINT>(to.bottom - to.top), kind);
  return WriteSurface(destSurface, destDesc, to, scaled);
}
