// The decoded form of a flexible vertex format code: the vertex size and the
// byte offset of each component, for code that walks raw vertex arrays.
#pragma once

#include <d3d8.h>

class DXCrackFVF {
 public:
  explicit DXCrackFVF(DWORD fvf);

  // Vertex i of an array of this format.
  BYTE* GetVertex(BYTE* vertices, DWORD i) const { return vertices + static_cast<size_t>(i) * m_dwStride; }
  float* GetNormal(BYTE* vertex) const { return reinterpret_cast<float*>(vertex + m_dwNormalOffset); }
  DWORD GetDiffuse(const BYTE* vertex) const;
  BYTE* GetTexCoordPointer(BYTE* vertex) const { return vertex + m_dwTexCoordOffset[0]; }
  // The first blend weight, just after the position.
  float* GetBlendWeights(BYTE* vertex) const { return reinterpret_cast<float*>(vertex + 12); }
  // The last blend value, which holds the four packed matrix indices of an
  // indexed-blended vertex (the DWORD at index blend weights + 2).
  DWORD GetLastBeta(const BYTE* vertex) const;

  bool HasNormal() const { return (m_dwFVF & D3DFVF_NORMAL) != 0; }
  bool HasDiffuse() const { return (m_dwFVF & D3DFVF_DIFFUSE) != 0; }
  bool HasSpecular() const { return (m_dwFVF & D3DFVF_SPECULAR) != 0; }
  // Texture set 0 lies past the start of the vertex.
  bool HasTexCoords() const { return m_dwTexCoordOffset[0] != 0; }

  // The size in bytes of texture set i; 0 when the format has no set i.
  DWORD GetTexCoordSize(DWORD i) const;
  // The sizes of the 8 sets, 0 past the last one.
  void GetTexCoordSizes(DWORD sizes[8]) const;

  DWORD m_dwFVF;
  DWORD m_dwStride;
  DWORD m_dwNormalOffset;
  DWORD m_dwPointSizeOffset;
  DWORD m_dwDiffuseOffset;
  DWORD m_dwSpecularOffset;
  DWORD m_dwTexCoordOffset[8];
  DWORD m_dwNumBlendWeights;
  DWORD m_dwNumTexCoords;
};
