// D3DX 8 textures: image files (PNG, JPEG, BMP, TGA) read into textures, and
// surfaces copied into other surfaces with scaling and format conversion.
// A damaged or unsupported image gives D3DXERR_INVALIDDATA, never a partial
// texture.
#pragma once

#include <d3d8.h>

#include "d3dx8mesh.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT static_cast<UINT>(-1)
#endif

// Filters of the copies and of the mip levels: the low bits choose the
// filter, the high bits add dithering and wrapping (accepted, not used).
#define D3DX_FILTER_NONE 0x1
#define D3DX_FILTER_POINT 0x2
#define D3DX_FILTER_LINEAR 0x3
#define D3DX_FILTER_TRIANGLE 0x4
#define D3DX_FILTER_BOX 0x5
#define D3DX_FILTER_MIRROR_U 0x10000
#define D3DX_FILTER_MIRROR_V 0x20000
#define D3DX_FILTER_MIRROR 0x70000
#define D3DX_FILTER_DITHER 0x80000

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_FORCE_DWORD = 0x7FFFFFFF
};

// What an image file holds: its size, one mip level, and the texture format
// that keeps all of its colours (R8G8B8 for 24-bit colour, A8R8G8B8 with
// alpha, P8 for a palette, L8 for grey).
struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// One palette entry: red, green, blue and the flags, which carry alpha.
struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

// The image information of a file, read from its header alone.
HRESULT D3DXGetImageInfoFromFileA(LPCSTR file, D3DXIMAGE_INFO* info);

// Adjusts a texture's size, mip levels and format to what the device makes:
// D3DX_DEFAULT or 0 sizes become 256, sizes above the device's largest
// become the largest; 0 or D3DX_DEFAULT levels become the whole chain, more
// levels than the chain has are cut to it; D3DFMT_UNKNOWN becomes A8R8G8B8,
// and a format the device cannot hold as a texture the nearest one it can
// (24-bit colour X8R8G8B8, palettes A8R8G8B8). Any pointer may be NULL.
HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels, DWORD usage,
                                     D3DFORMAT* format, D3DPOOL pool);

// Reads an image file into a new texture. D3DX_DEFAULT sizes take the
// image's; D3DFMT_UNKNOWN takes the image's format; both then pass
// D3DXCheckTextureRequirements. The image is scaled to level 0 with filter
// and each further level made from the one above with mipFilter. Pixels
// equal to colorKey (ARGB, when its alpha is non-zero) become transparent
// black. srcInfo receives the file's information; palette is not filled.
// Filters: D3DX_FILTER_NONE copies without scaling (what lies outside the
// image is transparent black), POINT takes the nearest pixel, the others
// average the pixels that each target pixel covers; D3DX_DEFAULT is
// TRIANGLE.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR file, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture8** texture);

// Copies the source rectangle (NULL: whole surface) of one surface into the
// destination rectangle of another, scaled with filter and converted between
// the formats; colorKey as above. Palettes are not used.
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface8* destSurface, const PALETTEENTRY* destPalette,
                                   const RECT* destRect, IDirect3DSurface8* srcSurface, const PALETTEENTRY* srcPalette,
                                   const RECT* srcRect, DWORD filter, D3DCOLOR colorKey);
