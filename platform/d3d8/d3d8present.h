// Where a swap chain's finished pictures go. The device draws off screen;
// Present hands the picture to the sink of the swap chain, which shows it in
// a window, writes it to a file or keeps it for a test. The sink runs on the
// device's thread, inside Present.
#pragma once

#include <functional>

#include "d3d8.h"

// One presented picture: Height rows of Width pixels, 4 bytes each (red,
// green, blue, alpha), the top row first, rows Pitch bytes apart. The bytes
// are valid during the call only.
struct D3D8Image {
  UINT Width;
  UINT Height;
  UINT Pitch;
  const BYTE* Rgba;
};
using D3D8PresentSink = std::function<void(const D3D8Image& image)>;

// Sets the sink of an additional swap chain, or of the device's own one;
// an empty sink drops the pictures. D3DERR_INVALIDCALL for objects that are
// not of this layer.
HRESULT D3D8SetPresentSink(IDirect3DSwapChain8* swapChain, D3D8PresentSink sink);
HRESULT D3D8SetPresentSink(IDirect3DDevice8* device, D3D8PresentSink sink);
