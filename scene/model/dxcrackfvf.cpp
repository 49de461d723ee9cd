#include "dxcrackfvf.h"

#include <cstring>

#include "fvflayout.h"

DXCrackFVF::DXCrackFVF(DWORD fvf) {
  const FvfLayout layout = DecodeFvf(fvf);
  m_dwFVF = fvf;
  m_dwStride = layout.stride;
  m_dwNormalOffset = layout.normal;
  m_dwPointSizeOffset = layout.pointSize;
  m_dwDiffuseOffset = layout.diffuse;
  m_dwSpecularOffset = layout.specular;
  for (UINT i = 0; i < 8; ++i) m_dwTexCoordOffset[i] = layout.texOffset[i];
  m_dwNumBlendWeights = layout.blendCount;
  m_dwNumTexCoords = layout.texCount;
}

DWORD DXCrackFVF::GetDiffuse(const BYTE* vertex) const {
  DWORD colour;
  std::memcpy(&colour, vertex + m_dwDiffuseOffset, sizeof(colour));
  return colour;
}

DWORD DXCrackFVF::GetLastBeta(const BYTE* vertex) const {
  DWORD value;
  std::memcpy(&value, vertex + 4 * (m_dwNumBlendWeights + 2), sizeof(value));
  return value;
}

DWORD DXCrackFVF::GetTexCoordSize(DWORD i) const {
  return i < m_dwNumTexCoords ? DecodeFvf(m_dwFVF).texSize[i] : 0;
}

void DXCrackFVF::GetTexCoordSizes(DWORD sizes[8]) const {
  for (DWORD i = 0; i < 8; ++i) sizes[i] = GetTexCoordSize(i);
}
