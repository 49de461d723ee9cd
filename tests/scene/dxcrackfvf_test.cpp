#include <gtest/gtest.h>

#include "dxcrackfvf.h"

TEST(DXCrackFVF, GivesTheOffsetsOfEveryComponent) {
  const DXCrackFVF blended(D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE |
                           D3DFVF_SPECULAR | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(1));
  EXPECT_EQ(blended.m_dwNumBlendWeights, 3u);
  EXPECT_EQ(blended.m_dwNormalOffset, 24u);
  EXPECT_EQ(blended.m_dwPointSizeOffset, 36u);
  EXPECT_EQ(blended.m_dwDiffuseOffset, 40u);
  EXPECT_EQ(blended.m_dwSpecularOffset, 44u);
  EXPECT_EQ(blended.m_dwTexCoordOffset[0], 48u);
  EXPECT_EQ(blended.m_dwTexCoordOffset[1], 56u);
  EXPECT_EQ(blended.m_dwNumTexCoords, 2u);
  EXPECT_EQ(blended.m_dwStride, 60u);
  EXPECT_TRUE(blended.HasNormal() && blended.HasDiffuse() && blended.HasSpecular() && blended.HasTexCoords());
  DWORD sizes[8];
  blended.GetTexCoordSizes(sizes);
  EXPECT_EQ(sizes[0], 8u);
  EXPECT_EQ(sizes[1], 4u);
  EXPECT_EQ(sizes[2], 0u);
  EXPECT_EQ(blended.GetTexCoordSize(2), 0u);  // two sets: set 2 does not exist

  const DXCrackFVF plain(D3DFVF_XYZ);
  EXPECT_EQ(plain.m_dwStride, 12u);
  EXPECT_FALSE(plain.HasNormal() || plain.HasTexCoords());
}

TEST(DXCrackFVF, ReadsTheComponentsOfAVertex) {
  // Two vertices of xyz, two blend values (the last the packed indices), a
  // normal and a diffuse colour.
  struct Vertex {
    float x, y, z, weight;
    DWORD indices;
    float nx, ny, nz;
    DWORD diffuse;
    float u, v;
  } vertices[2] = {{}, {1, 2, 3, 0.25f, 0x04030201, 0, 1, 0, 0xFF00FF00, 0.5f, 0.75f}};
  const DXCrackFVF crack(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ASSERT_EQ(crack.m_dwStride, sizeof(Vertex));
  BYTE* second = crack.GetVertex(reinterpret_cast<BYTE*>(vertices), 1);
  EXPECT_EQ(second, reinterpret_cast<BYTE*>(&vertices[1]));
  EXPECT_EQ(crack.GetNormal(second)[1], 1.0f);
  EXPECT_EQ(crack.GetDiffuse(second), 0xFF00FF00u);
  EXPECT_EQ(reinterpret_cast<float*>(crack.GetTexCoordPointer(second))[1], 0.75f);
  EXPECT_EQ(crack.GetBlendWeights(second)[0], 0.25f);
  EXPECT_EQ(crack.GetLastBeta(second), 0x04030201u);
}
