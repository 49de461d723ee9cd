// The layout of one vertex of a flexible vertex format: its stride and where
// each component lies. The one decoder of vertex formats: D3DX and the
// system's own vertex code read layouts through it.
#pragma once

#include <d3d8types.h>
#include <windows.h>

inline constexpr UINT kFvfMaxTexSets = 8;

struct FvfLayout {
  DWORD fvf = 0;
  UINT stride = 0;
  // 0 without a position, 12 for xyz, 16 for xyz and rhw, 12 + 4 × blend
  // values for xyz with blend values.
  UINT positionSize = 0;
  // Values after xyz (D3DFVF_XYZB1 … D3DFVF_XYZB5); with
  // D3DFVF_LASTBETA_UBYTE4 the last one holds four matrix indices.
  UINT blendCount = 0;
  // Byte offsets of the components; each is 0 when the format lacks it, so
  // ask the format's bits (or the Has functions) before reading one.
  UINT normal = 0, pointSize = 0, diffuse = 0, specular = 0;
  UINT texCount = 0;  // at most kFvfMaxTexSets
  UINT texOffset[kFvfMaxTexSets] = {};
  UINT texSize[kFvfMaxTexSets] = {};  // 4, 8, 12 or 16 bytes; 0 past texCount

  bool HasPosition() const { return positionSize != 0; }
  bool HasNormal() const { return (fvf & D3DFVF_NORMAL) != 0; }
  bool HasPointSize() const { return (fvf & D3DFVF_PSIZE) != 0; }
  bool HasDiffuse() const { return (fvf & D3DFVF_DIFFUSE) != 0; }
  bool HasSpecular() const { return (fvf & D3DFVF_SPECULAR) != 0; }
};

// Decodes any code in the Direct3D order: position, normal, point size,
// diffuse, specular, texture sets (the count limited to kFvfMaxTexSets).
FvfLayout DecodeFvf(DWORD fvf);

// A format that a mesh can hold: a position, no reserved bits, at most
// kFvfMaxTexSets texture sets and no size bits past them.
bool IsMeshFvf(DWORD fvf);
