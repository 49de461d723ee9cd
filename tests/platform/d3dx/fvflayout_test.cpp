#include <gtest/gtest.h>

#include "d3dx8.h"

TEST(FvfLayout, DecodesComponentsInTheDirect3DOrder) {
  const FvfLayout d3dVertex = DecodeFvf(0x112);
  EXPECT_EQ(d3dVertex.stride, 32u);
  EXPECT_EQ(d3dVertex.normal, 12u);
  EXPECT_EQ(d3dVertex.texCount, 1u);
  EXPECT_EQ(d3dVertex.texOffset[0], 24u);
  EXPECT_EQ(d3dVertex.texSize[0], 8u);

  const FvfLayout blended = DecodeFvf(D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE |
                                      D3DFVF_SPECULAR | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) |
                                      D3DFVF_TEXCOORDSIZE1(1));
  EXPECT_EQ(blended.blendCount, 4u);
  EXPECT_EQ(blended.positionSize, 28u);
  EXPECT_EQ(blended.normal, 28u);
  EXPECT_EQ(blended.diffuse, 40u);
  EXPECT_EQ(blended.specular, 44u);
  EXPECT_EQ(blended.texOffset[0], 48u);
  EXPECT_EQ(blended.texSize[0], 12u);
  EXPECT_EQ(blended.texOffset[1], 60u);
  EXPECT_EQ(blended.texSize[1], 4u);
  EXPECT_EQ(blended.texSize[2], 0u);
  EXPECT_EQ(blended.stride, 64u);

  const FvfLayout transformed = DecodeFvf(D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(0));
  EXPECT_EQ(transformed.pointSize, 16u);
  EXPECT_EQ(transformed.stride, 16u + 4u + 16u);
  EXPECT_EQ(DecodeFvf(0xF00).texCount, kFvfMaxTexSets);
}

TEST(FvfLayout, GivesTheVertexSizeOfEveryPositionKind) {
  struct Case {
    DWORD fvf;
    UINT size;
  };
  for (Case c : {Case{0, 0}, Case{D3DFVF_XYZ, 12}, Case{D3DFVF_XYZRHW, 16}, Case{D3DFVF_XYZB1, 16},
                 Case{D3DFVF_XYZB5, 32}, Case{D3DFVF_NORMAL, 12}, Case{D3DFVF_XYZ | D3DFVF_TEX8, 12 + 64}})
    EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << std::hex << c.fvf;
}

TEST(FvfLayout, TellsWhichFormatsAMeshCanHold) {
  for (DWORD fvf : {0x112u, static_cast<DWORD>(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(1))})
    EXPECT_TRUE(IsMeshFvf(fvf)) << std::hex << fvf;
  for (DWORD fvf : {0u, static_cast<DWORD>(D3DFVF_NORMAL), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_RESERVED0), static_cast<DWORD>(D3DFVF_XYZ | 0x900),
                    static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(1))})
    EXPECT_FALSE(IsMeshFvf(fvf)) << std::hex << fvf;
}
