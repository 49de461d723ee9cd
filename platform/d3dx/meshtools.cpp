#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <cstring>
#include <new>
#include <string>

#include "meshimpl.h"

namespace {

// The text with its terminating zero; no buffer for no text.
HRESULT TextBuffer(const std::string& text, ID3DXBuffer** out) {
  *out = nullptr;
  return text.empty() ? D3D_OK : CopyToBuffer(text.c_str(), text.size() + 1, out);
}

std::string Line(const char* format, DWORD a, DWORD b = 0) {
  char text[160];
  std::snprintf(text, sizeof(text), format, a, b);
  return text;
}

// What is wrong with the mesh, one line each; empty for a valid mesh.
std::string Problems(const MeshData& data, const DWORD* adjacency) {
  const long long bad = data.FirstBadIndex();
  if (bad >= 0)
    return Line("Face %u uses vertex %u, past the vertex count.\n", static_cast<DWORD>(bad / 3),
                data.indices[static_cast<size_t>(bad)]);
  std::string problems;
  DWORD dropped = 0;
  const std::vector<DWORD> sound = SoundAdjacency(data, adjacency, &dropped);
  if (dropped) problems += Line("%u adjacency links are out of range or not returned.\n", dropped);
  const std::vector<DWORD> fans = CornerFans(data, sound.data());
  std::vector<bool> reported(data.numVertices, false);
  for (size_t c = 0; c < fans.size(); ++c) {
    const DWORD v = data.indices[c];
    if (fans[c] == 0 || reported[v]) continue;
    reported[v] = true;
    problems += Line("Vertex %u is a bowtie: face %u lies in a second fan.\n", v, static_cast<DWORD>(c / 3));
  }
  return problems;
}

bool Near(const BYTE* a, const BYTE* b, UINT floats, float epsilon) {
  for (UINT i = 0; i < floats; ++i) {
    float x, y;
    std::memcpy(&x, a + 4 * i, 4);
    std::memcpy(&y, b + 4 * i, 4);
    if (!(std::fabs(x - y) <= epsilon)) return false;
  }
  return true;
}

// The components of a vertex other than its position, each with the epsilon
// it is compared with (a negative epsilon asks for equal bytes).
struct Component {
  UINT offset, size;
  float epsilon;
};

std::vector<Component> WeldComponents(const FvfLayout& layout, const D3DXWELDEPSILONS& e) {
  std::vector<Component> parts;
  if (layout.positionSize == 16) parts.push_back({12, 4, -1.0f});  // rhw
  if (layout.blendCount) parts.push_back({12, 4 * layout.blendCount, e.SkinWeights});
  if (layout.HasNormal()) parts.push_back({layout.normal, 12, e.Normal});
  if (layout.HasPointSize()) parts.push_back({layout.pointSize, 4, -1.0f});
  if (layout.HasDiffuse()) parts.push_back({layout.diffuse, 4, -1.0f});
  if (layout.HasSpecular()) parts.push_back({layout.specular, 4, -1.0f});
  for (UINT i = 0; i < layout.texCount; ++i) parts.push_back({layout.texOffset[i], layout.texSize[i], e.Tex[i]});
  return parts;
}

bool Matches(const Component& part, const BYTE* a, const BYTE* b) {
  if (part.epsilon < 0.0f) return std::memcmp(a + part.offset, b + part.offset, part.size) == 0;
  return Near(a + part.offset, b + part.offset, part.size / 4, part.epsilon);
}

// The mesh object of this layer behind mesh, and its content.
HRESULT Open(ID3DXBaseMesh* mesh, CD3DXMesh** object, MeshData* data) {
  *object = CD3DXMesh::From(mesh);
  return *object ? (*object)->Read(data) : D3DERR_INVALIDCALL;
}

}  // namespace

HRESULT D3DXValidMesh(ID3DXMesh* mesh, const DWORD* adjacency, ID3DXBuffer** errors) {
  if (errors) *errors = nullptr;
  CD3DXMesh* object = nullptr;
  MeshData data;
  HRESULT hr = Open(mesh, &object, &data);
  if (FAILED(hr)) return hr;
  const std::string problems = Problems(data, adjacency);
  if (problems.empty()) return D3D_OK;
  if (errors) TextBuffer(problems, errors);
  return D3DXERR_INVALIDMESH;
}

HRESULT D3DXCleanMesh(ID3DXMesh* mesh, const DWORD* adjacencyIn, ID3DXMesh** cleaned, DWORD* adjacencyOut,
                      ID3DXBuffer** errors) {
  if (errors) *errors = nullptr;
  if (!cleaned) return D3DERR_INVALIDCALL;
  *cleaned = nullptr;
  CD3DXMesh* object = nullptr;
  MeshData data;
  HRESULT hr = Open(mesh, &object, &data);
  if (FAILED(hr)) return hr;
  if (data.FirstBadIndex() >= 0) {
    if (errors) TextBuffer(Problems(data, adjacencyIn), errors);
    return D3DXERR_INVALIDMESH;
  }
  DWORD dropped = 0;
  const std::vector<DWORD> adjacency = SoundAdjacency(data, adjacencyIn, &dropped);
  std::string report;
  if (dropped) report += Line("Dropped %u adjacency links that were out of range or not returned.\n", dropped);

  // Every further fan of a vertex gets a copy of it.
  const std::vector<DWORD> fans = CornerFans(data, adjacency.data());
  const DWORD stride = data.layout.stride;
  std::vector<DWORD> copies;  // the vertex each copy repeats, in order of creation
  std::map<std::pair<DWORD, DWORD>, DWORD> copyOf;  // (vertex, fan) → its copy
  for (size_t c = 0; c < fans.size(); ++c) {
    if (fans[c] == 0) continue;
    const DWORD v = data.indices[c];
    auto [slot, added] = copyOf.try_emplace({v, fans[c]}, data.numVertices + static_cast<DWORD>(copies.size()));
    if (added) {
      copies.push_back(v);
      report += Line("Split bowtie vertex %u into vertex %u.\n", v, slot->second);
    }
    data.indices[c] = slot->second;
  }
  if (!(data.options & D3DXMESH_32BIT) && data.numVertices + copies.size() > 0xFFFF) {
    if (errors) TextBuffer("Cleaning needs more vertices than 16-bit indices reach.\n", errors);
    return D3DXERR_INVALIDMESH;
  }
  if (adjacencyOut) std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
  if (errors) TextBuffer(report, errors);
  if (copies.empty()) {
    mesh->AddRef();
    *cleaned = mesh;
    return D3D_OK;
  }
  const DWORD original = data.numVertices;
  data.vertices.resize(static_cast<size_t>(original + copies.size()) * stride);
  for (size_t i = 0; i < copies.size(); ++i)
    std::memcpy(data.Vertex(original + static_cast<DWORD>(i)), data.Vertex(copies[i]), stride);
  data.numVertices = original + static_cast<DWORD>(copies.size());
  if (!data.table.empty()) data.table = BuildAttributeTable(data);
  IDirect3DDevice8* device = nullptr;
  hr = object->GetDevice(&device);
  if (FAILED(hr)) return hr;
  CD3DXMesh* created = nullptr;
  hr = CD3DXMesh::Create(data, device, &created);
  device->Release();
  *cleaned = created;
  return hr;
}

HRESULT D3DXWeldVertices(ID3DXMesh* mesh, D3DXWELDEPSILONS* epsilons, const DWORD* adjacencyIn,
                         DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap) {
  if (vertexRemap) *vertexRemap = nullptr;
  CD3DXMesh* object = nullptr;
  MeshData data;
  HRESULT hr = Open(mesh, &object, &data);
  if (FAILED(hr)) return hr;
  if (data.FirstBadIndex() >= 0) return D3DXERR_INVALIDDATA;
  const D3DXWELDEPSILONS e = epsilons ? *epsilons : D3DXWELDEPSILONS{};
  DWORD dropped = 0;
  const std::vector<DWORD> adjacency = SoundAdjacency(data, adjacencyIn, &dropped);
  const std::vector<DWORD> reps = adjacencyIn ? PointRepsFromAdjacency(data, adjacency.data())
                                              : PointRepsByPosition(data, 0.0f);
  const std::vector<Component> parts = WeldComponents(data.layout, e);

  // Each vertex goes into the first kept vertex of its point that it matches.
  std::vector<std::vector<DWORD>> kept(data.numVertices);  // by point representative
  std::vector<DWORD> target(data.numVertices);
  for (DWORD v = 0; v < data.numVertices; ++v) {
    target[v] = v;
    for (DWORD k : kept[reps[v]]) {
      bool all = true;
      for (const Component& part : parts) {
        const bool match = Matches(part, data.Vertex(k), data.Vertex(v));
        if (match && (e.Flags & D3DXWELDEPSILONS_WELDPARTIALMATCHES))
          std::memcpy(data.Vertex(v) + part.offset, data.Vertex(k) + part.offset, part.size);
        all = all && match;
      }
      if (all || (e.Flags & D3DXWELDEPSILONS_WELDALL)) {
        target[v] = k;
        break;
      }
    }
    if (target[v] == v) kept[reps[v]].push_back(v);
  }
  for (DWORD& index : data.indices) index = target[index];

  std::vector<DWORD> order;  // new vertex → old vertex
  if (e.Flags & D3DXWELDEPSILONS_DONOTREMOVEVERTICES) {
    order.resize(data.numVertices);
    std::iota(order.begin(), order.end(), DWORD{0});
  } else {
    std::vector<DWORD> number(data.numVertices, D3DX_NO_ADJACENT_FACE);
    for (DWORD v = 0; v < data.numVertices; ++v)
      if (target[v] == v) {
        number[v] = static_cast<DWORD>(order.size());
        order.push_back(v);
      }
    MeshData welded = data;
    welded.numVertices = static_cast<DWORD>(order.size());
    welded.vertices.resize(static_cast<size_t>(welded.numVertices) * data.layout.stride);
    for (DWORD v = 0; v < welded.numVertices; ++v)
      std::memcpy(welded.Vertex(v), data.Vertex(order[v]), data.layout.stride);
    for (DWORD& index : welded.indices) index = number[index];
    data = std::move(welded);
  }
  if (!data.table.empty()) data.table = BuildAttributeTable(data);
  hr = object->Write(data);
  if (FAILED(hr)) return hr;
  if (adjacencyOut) std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
  if (faceRemap)
    for (DWORD f = 0; f < data.NumFaces(); ++f) faceRemap[f] = f;
  if (vertexRemap) hr = CopyToBuffer(order.data(), order.size() * sizeof(DWORD), vertexRemap);
  return hr;
}

HRESULT D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency) {
  CD3DXMesh* object = nullptr;
  MeshData data;
  HRESULT hr = Open(mesh, &object, &data);
  if (FAILED(hr)) return hr;
  if (!data.layout.HasNormal()) return D3DERR_INVALIDCALL;
  if (data.FirstBadIndex() >= 0) return D3DXERR_INVALIDDATA;
  std::vector<DWORD> reps;
  if (adjacency) {
    DWORD dropped = 0;
    reps = PointRepsFromAdjacency(data, SoundAdjacency(data, adjacency, &dropped).data());
  } else {
    reps.resize(data.numVertices);
    std::iota(reps.begin(), reps.end(), DWORD{0});
  }
  std::vector<D3DXVECTOR3> sums(data.numVertices);
  for (DWORD f = 0; f < data.NumFaces(); ++f) {
    const D3DXVECTOR3 n = FaceNormal(data, f);
    for (DWORD k = 0; k < 3; ++k) sums[reps[data.Corner(f, k)]] += n;
  }
  for (DWORD v = 0; v < data.numVertices; ++v) {
    D3DXVECTOR3 n = sums[reps[v]];
    const float length = D3DXVec3Length(&n);
    if (length > 0.0f) n /= length;
    std::memcpy(data.Vertex(v) + data.layout.normal, &n, sizeof(n));
  }
  return object->Write(data);
}
