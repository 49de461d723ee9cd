// The progressive mesh as arrays, and the simplification that builds it.
// Internal to D3DX.
#pragma once

#include <vector>

#include "meshdata.h"

// Where the vertex kept by a collapse goes: to the point that minimises the
// summed quadric of both ends (the choice of the library), or to one of the
// two ends (for measuring against it).
enum class PMeshPlacement { kOptimal, kHalfEdge };

// The buffers at full detail, ordered so that every level uses a prefix of
// the vertices and of each attribute range, and the collapses in the order
// they were made. Collapse c takes the level with faceCounts[c] faces to the
// one with faceCounts[c + 1]; its record is records[recordStart[c] …
// recordStart[c + 1]):
//   n, then n range numbers (one face leaves the end of each range's
//      active part);
//   n, then n pairs (index number, xor): index number 3 × face + corner of
//      the index buffer, and the xor that turns its vertex before the
//      collapse into the one after it and back;
//   n, then n groups (vertex, stride / 4 xor words): the xor that turns the
//      vertex's bytes before the collapse into those after it and back.
struct PMeshData {
  MeshData full;  // its table: one range per attribute id, FaceCount the full count
  std::vector<DWORD> faceCounts;    // collapses + 1 entries
  std::vector<DWORD> vertexCounts;  // collapses + 1 entries
  std::vector<DWORD> recordStart;   // collapses + 1 entries
  std::vector<DWORD> records;

  DWORD Collapses() const { return static_cast<DWORD>(faceCounts.size() - 1); }
};

// Simplifies mesh (indices in range, at least one face) towards minValue
// faces or vertices (options D3DXMESHSIMP_FACE or D3DXMESHSIMP_VERTEX).
// adjacency may be NULL; vertexWeights may be NULL. Degenerate faces and
// vertices no face uses are left out. E_OUTOFMEMORY when memory runs out.
HRESULT GeneratePMeshData(const MeshData& mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS& weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, PMeshPlacement placement,
                          PMeshData* out);

// The weights that NULL stands for.
D3DXATTRIBUTEWEIGHTS DefaultAttributeWeights();
