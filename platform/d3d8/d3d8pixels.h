// Pixel conversions between the surface and texture formats and RGBA bytes
// (red, green, blue, alpha; the layout OpenGL reads and writes). Internal to
// the Direct3D layer.
#pragma once

#include "d3d8types.h"

// count pixels of format into 4 bytes each; formats without alpha give 255.
// False for a format this layer cannot read.
bool D3D8DecodePixels(D3DFORMAT format, const BYTE* source, UINT count, BYTE* rgba);
// count RGBA pixels into format. False for a format this layer cannot write.
bool D3D8EncodePixels(D3DFORMAT format, const BYTE* rgba, UINT count, BYTE* dest);
