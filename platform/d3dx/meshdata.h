// A mesh's content as plain arrays, and the connectivity computations on it.
// Internal to D3DX.
#pragma once

#include <vector>

#include "d3dx8mesh.h"

struct MeshData {
  DWORD options = 0;
  FvfLayout layout;
  DWORD numVertices = 0;
  std::vector<BYTE> vertices;      // numVertices × layout.stride bytes
  std::vector<DWORD> indices;      // three per face
  std::vector<DWORD> attributes;   // one per face
  std::vector<D3DXATTRIBUTERANGE> table;  // empty until the faces are sorted

  DWORD NumFaces() const { return static_cast<DWORD>(attributes.size()); }
  BYTE* Vertex(DWORD i) { return vertices.data() + static_cast<size_t>(i) * layout.stride; }
  const BYTE* Vertex(DWORD i) const { return vertices.data() + static_cast<size_t>(i) * layout.stride; }
  D3DXVECTOR3 Position(DWORD i) const;
  DWORD Corner(DWORD face, DWORD k) const { return indices[3 * face + k]; }
  // The index of the first corner past the vertex count, or −1 when all are
  // in range.
  long long FirstBadIndex() const;
};

// For each vertex the lowest-numbered vertex within epsilon of it in every
// coordinate, joined transitively.
std::vector<DWORD> PointRepsByPosition(const MeshData& mesh, float epsilon);
// Faces are adjacent across an edge whose two ends have the same point
// representatives; an edge shared by more than two faces pairs them in face
// order, opposite windings first.
std::vector<DWORD> AdjacencyFromPointReps(const MeshData& mesh, const DWORD* pointReps);
// The point representatives that an adjacency implies; entries out of range
// are ignored.
std::vector<DWORD> PointRepsFromAdjacency(const MeshData& mesh, const DWORD* adjacency);
// A copy of the adjacency (or the exact adjacency when it is NULL) in which
// links out of range, to the face itself or not returned by the other face
// are dropped. *dropped counts them.
std::vector<DWORD> SoundAdjacency(const MeshData& mesh, const DWORD* adjacency, DWORD* dropped);

// The fans of faces around each vertex: faces that use the vertex and are
// linked across edges at the vertex. fanOf[3f + k] numbers the fan of corner
// k of face f within its vertex, 0 for the fan that holds the vertex's
// lowest-numbered face.
std::vector<DWORD> CornerFans(const MeshData& mesh, const DWORD* adjacency);

// The ranges of the faces in their present order, one per run of one
// attribute id, with the span of vertex numbers each uses.
std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const MeshData& mesh);

// Copies the components that both layouts have; the rest stays zero.
void ConvertFvfVertex(const FvfLayout& from, const BYTE* in, const FvfLayout& to, BYTE* out);

// A new buffer holding a copy of bytes.
HRESULT CopyToBuffer(const void* data, size_t bytes, ID3DXBuffer** out);

// The unit normal of a face from its winding, zero for a degenerate face.
D3DXVECTOR3 FaceNormal(const MeshData& mesh, DWORD face);
