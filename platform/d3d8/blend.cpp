// Vertex blending on the CPU. OpenGL's fixed-function pipeline has no
// blending; the positions and normals of the vertices a draw reads are
// blended here from the world matrices into world space, and the draw then
// goes through the view alone. Weights and matrix indices follow Direct3D:
// D3DRS_VERTEXBLEND gives the number of weights read (the weight of the last
// matrix is one less their sum, D3DVBF_0WEIGHTS one matrix of weight one);
// with D3DRS_INDEXEDVERTEXBLENDENABLE the four bytes of the last beta name
// the world matrix of each weight, otherwise weight i takes world matrix i.
#include <algorithm>
#include <cstring>

#include "d3d8backend.h"
#include "d3d8device.h"

namespace {

constexpr UINT kMaxBlendMatrices = 4;

}  // namespace

bool CDirect3DDevice8::BlendsVertices(const FvfLayout& layout) const {
  const DWORD blend = m_renderStates[D3DRS_VERTEXBLEND];
  return layout.blendCount > 0 && blend != D3DVBF_DISABLE && blend != D3DVBF_TWEENING;
}

void CDirect3DDevice8::BlendVertices(const FvfLayout& layout, const BYTE* vertices, UINT stride, UINT first,
                                     UINT count, UINT total) {
  const bool packedIndices = (layout.fvf & D3DFVF_LASTBETA_UBYTE4) != 0;
  const bool indexed = packedIndices && m_renderStates[D3DRS_INDEXEDVERTEXBLENDENABLE];
  const UINT weightsInVertex = layout.blendCount - (packedIndices ? 1 : 0);
  const DWORD blend = m_renderStates[D3DRS_VERTEXBLEND];
  const UINT weightsRead = std::min<UINT>(blend == D3DVBF_0WEIGHTS ? 0 : blend, weightsInVertex);
  // The world matrices in use: all 256 when indexed, else the first few.
  D3DMATRIX identity{};
  identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
  const D3DMATRIX* worlds[256];
  const UINT used = indexed ? 256 : kMaxBlendMatrices;
  for (UINT i = 0; i < used; ++i) {
    auto found = m_transforms.find(256 + i);
    worlds[i] = found == m_transforms.end() ? &identity : &found->second;
  }
  std::vector<float>& positions = m_backend->blendedPositions;
  std::vector<float>& normals = m_backend->blendedNormals;
  positions.resize(static_cast<size_t>(total) * 3);
  if (layout.HasNormal()) normals.resize(static_cast<size_t>(total) * 3);
  const UINT end = std::min(total, first + count);
  for (UINT v = first; v < end; ++v) {
    const BYTE* vertex = vertices + static_cast<size_t>(v) * stride;
    float p[3], b[5] = {}, n[3] = {};
    std::memcpy(p, vertex, 12);
    std::memcpy(b, vertex + 12, 4 * layout.blendCount);
    if (layout.HasNormal()) std::memcpy(n, vertex + layout.normal, 12);
    BYTE slots[4] = {0, 1, 2, 3};
    if (indexed) std::memcpy(slots, vertex + 12 + 4 * (layout.blendCount - 1), 4);
    float weights[kMaxBlendMatrices];
    float rest = 1.0f;
    for (UINT i = 0; i < weightsRead; ++i) rest -= weights[i] = b[i];
    weights[weightsRead] = rest;
    float outP[3] = {}, outN[3] = {};
    for (UINT i = 0; i <= weightsRead; ++i) {
      const float w = weights[i];
      if (w == 0.0f) continue;
      const D3DMATRIX& m = *worlds[slots[i] % used];
      for (int c = 0; c < 3; ++c) {
        outP[c] += w * (p[0] * m.m[0][c] + p[1] * m.m[1][c] + p[2] * m.m[2][c] + m.m[3][c]);
        outN[c] += w * (n[0] * m.m[0][c] + n[1] * m.m[1][c] + n[2] * m.m[2][c]);
      }
    }
    std::memcpy(&positions[3 * static_cast<size_t>(v)], outP, 12);
    if (layout.HasNormal()) std::memcpy(&normals[3 * static_cast<size_t>(v)], outN, 12);
  }
}
