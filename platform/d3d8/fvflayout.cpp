#include "fvflayout.h"

FvfLayout DecodeFvf(DWORD fvf) {
  FvfLayout layout;
  layout.fvf = fvf;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZ) {
    layout.positionSize = 12;
  } else if (position == D3DFVF_XYZRHW) {
    layout.positionSize = 16;
  } else if (position >= D3DFVF_XYZB1) {
    layout.blendCount = position / 2 - 2;
    layout.positionSize = 12 + 4 * layout.blendCount;
  }
  UINT offset = layout.positionSize;
  auto take = [&offset](UINT size) {
    const UINT at = offset;
    offset += size;
    return at;
  };
  if (fvf & D3DFVF_NORMAL) layout.normal = take(12);
  if (fvf & D3DFVF_PSIZE) layout.pointSize = take(4);
  if (fvf & D3DFVF_DIFFUSE) layout.diffuse = take(4);
  if (fvf & D3DFVF_SPECULAR) layout.specular = take(4);
  const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  layout.texCount = sets < kFvfMaxTexSets ? sets : kFvfMaxTexSets;
  for (UINT i = 0; i < layout.texCount; ++i) {
    static constexpr UINT kSetSize[4] = {8, 12, 16, 4};  // 2, 3, 4 or 1 floats
    layout.texSize[i] = kSetSize[(fvf >> (16 + 2 * i)) & 3];
    layout.texOffset[i] = take(layout.texSize[i]);
  }
  layout.stride = offset;
  return layout;
}

bool IsMeshFvf(DWORD fvf) {
  const FvfLayout layout = DecodeFvf(fvf);
  if (!layout.HasPosition() || (fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) != 0) return false;
  const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (sets > kFvfMaxTexSets) return false;
  const DWORD usedSizeBits = sets == 0 ? 0 : static_cast<DWORD>((1ull << (2 * sets)) - 1) << 16;
  return (fvf & 0xFFFF0000u & ~usedSizeBits) == 0;
}

