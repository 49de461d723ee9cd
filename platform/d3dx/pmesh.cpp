// The progressive mesh object: buffers at the current level, changed by
// replaying or undoing recorded collapses.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>

#include "meshimpl.h"
#include "pmesh_generate.h"
#include "pmeshimpl.h"

namespace {

class CD3DXPMesh : public TComObject<ID3DXPMesh, &IID_ID3DXPMesh> {
 public:
  // A progressive mesh at full detail from the arrays; takes them over.
  static HRESULT Create(PMeshData&& data, IDirect3DDevice8* device, ID3DXPMesh** out);

  HRESULT DrawSubset(DWORD attribId) override;
  DWORD GetNumFaces() override { return m_faceCounts[m_level]; }
  DWORD GetNumVertices() override { return m_vertexCounts[m_level]; }
  DWORD GetFVF() override { return m_buffers->GetFVF(); }
  DWORD GetOptions() override { return m_buffers->GetOptions(); }
  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_buffers->GetDevice(device); }
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** clone) override;
  HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer) override { return m_buffers->GetVertexBuffer(buffer); }
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer) override { return m_buffers->GetIndexBuffer(buffer); }
  HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override { return m_buffers->LockVertexBuffer(flags, data); }
  HRESULT UnlockVertexBuffer() override { return m_buffers->UnlockVertexBuffer(); }
  HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override { return m_buffers->LockIndexBuffer(flags, data); }
  HRESULT UnlockIndexBuffer() override { return m_buffers->UnlockIndexBuffer(); }
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
  HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) override;
  HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) override;
  HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override;

  HRESULT ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXPMesh** clone) override;
  HRESULT SetNumFaces(DWORD faces) override;
  HRESULT SetNumVertices(DWORD vertices) override;
  DWORD GetMaxFaces() override { return m_faceCounts.front(); }
  DWORD GetMinFaces() override { return m_faceCounts.back(); }
  DWORD GetMaxVertices() override { return m_vertexCounts.front(); }
  DWORD GetMinVertices() override { return m_vertexCounts.back(); }
  HRESULT Optimize(DWORD flags, DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                   ID3DXMesh** optimized) override;

  size_t Bytes() const {
    const size_t index = (m_buffers->GetOptions() & D3DXMESH_32BIT) ? 4 : 2;
    return static_cast<size_t>(GetMaxVerticesConst()) * DecodeFvf(m_buffers->GetFVF()).stride +
           static_cast<size_t>(m_faceCounts.front()) * (3 * index + 4) +
           4 * (m_faceCounts.size() + m_vertexCounts.size() + m_recordStart.size() + m_records.size()) +
           m_ranges.size() * sizeof(D3DXATTRIBUTERANGE);
  }

 private:
  DWORD GetMaxVerticesConst() const { return m_vertexCounts.front(); }
  CD3DXPMesh() = default;
  ~CD3DXPMesh() override {
    if (m_buffers) m_buffers->Release();
  }
  // Collapses or splits until level (a number of collapses) is reached.
  HRESULT GoTo(DWORD level);
  // The current level as a plain mesh's arrays; slots[f] is the face of
  // this mesh behind face f.
  HRESULT Snapshot(MeshData* data, std::vector<DWORD>* slots);
  HRESULT SnapshotMesh(CD3DXMesh** mesh, std::vector<DWORD>* slots);
  // What call answers on a plain mesh of the current level.
  template <class Call>
  HRESULT OnSnapshot(Call&& call) {
    CD3DXMesh* snapshot = nullptr;
    std::vector<DWORD> slots;
    HRESULT hr = SnapshotMesh(&snapshot, &slots);
    if (FAILED(hr)) return hr;
    hr = call(snapshot);
    snapshot->Release();
    return hr;
  }

  CD3DXMesh* m_buffers = nullptr;  // every vertex and face, at the current level
  std::vector<D3DXATTRIBUTERANGE> m_ranges;
  std::vector<DWORD> m_faceCounts, m_vertexCounts, m_recordStart, m_records;
  DWORD m_level = 0;
};

HRESULT CD3DXPMesh::Create(PMeshData&& data, IDirect3DDevice8* device, ID3DXPMesh** out) {
  *out = nullptr;
  CD3DXPMesh* pmesh = new (std::nothrow) CD3DXPMesh();
  if (!pmesh) return E_OUTOFMEMORY;
  HRESULT hr = CD3DXMesh::Create(data.full, device, &pmesh->m_buffers);
  if (FAILED(hr)) {
    pmesh->Release();
    return hr;
  }
  pmesh->m_ranges = data.full.table;
  pmesh->m_faceCounts = std::move(data.faceCounts);
  pmesh->m_vertexCounts = std::move(data.vertexCounts);
  pmesh->m_recordStart = std::move(data.recordStart);
  pmesh->m_records = std::move(data.records);
  *out = pmesh;
  return D3D_OK;
}

HRESULT CD3DXPMesh::GoTo(DWORD level) {
  if (level == m_level) return D3D_OK;
  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  HRESULT hr = m_buffers->LockVertexBuffer(0, &vertices);
  if (FAILED(hr)) return hr;
  hr = m_buffers->LockIndexBuffer(0, &indices);
  if (FAILED(hr)) {
    m_buffers->UnlockVertexBuffer();
    return hr;
  }
  const bool wide = m_buffers->GetOptions() & D3DXMESH_32BIT;
  const UINT words = DecodeFvf(m_buffers->GetFVF()).stride / 4;
  // A collapse and its split toggle the same words; only the face counts
  // move the other way.
  auto toggle = [&](DWORD c, int faceStep) {
    const DWORD* r = m_records.data() + m_recordStart[c];
    const DWORD removed = *r++;
    for (DWORD i = 0; i < removed; ++i) m_ranges[*r++].FaceCount += faceStep;
    const DWORD corners = *r++;
    for (DWORD i = 0; i < corners; ++i, r += 2) {
      if (wide)
        reinterpret_cast<DWORD*>(indices)[r[0]] ^= r[1];
      else
        reinterpret_cast<WORD*>(indices)[r[0]] ^= static_cast<WORD>(r[1]);
    }
    const DWORD changed = *r++;
    for (DWORD i = 0; i < changed; ++i) {
      DWORD* vertex = reinterpret_cast<DWORD*>(vertices) + static_cast<size_t>(*r++) * words;
      for (UINT w = 0; w < words; ++w) vertex[w] ^= *r++;
    }
    assert(r == m_records.data() + m_recordStart[c + 1]);
  };
  while (m_level < level) toggle(m_level++, -1);
  while (m_level > level) toggle(--m_level, +1);
  for (D3DXATTRIBUTERANGE& range : m_ranges) range.VertexCount = m_vertexCounts[m_level];
#ifndef NDEBUG
  DWORD faces = 0;
  for (const D3DXATTRIBUTERANGE& range : m_ranges) faces += range.FaceCount;
  assert(faces == m_faceCounts[m_level]);
#endif
  m_buffers->UnlockIndexBuffer();
  m_buffers->UnlockVertexBuffer();
  return D3D_OK;
}

// The first level whose count is not above the one asked, or the last.
DWORD LevelFor(const std::vector<DWORD>& counts, DWORD wanted) {
  auto it = std::partition_point(counts.begin(), counts.end(), [wanted](DWORD n) { return n > wanted; });
  if (it == counts.end()) --it;
  return static_cast<DWORD>(it - counts.begin());
}

HRESULT CD3DXPMesh::SetNumFaces(DWORD faces) { return GoTo(LevelFor(m_faceCounts, faces)); }
HRESULT CD3DXPMesh::SetNumVertices(DWORD vertices) { return GoTo(LevelFor(m_vertexCounts, vertices)); }

HRESULT CD3DXPMesh::DrawSubset(DWORD attribId) {
  IDirect3DDevice8* device = nullptr;
  HRESULT hr = GetDevice(&device);
  if (FAILED(hr)) return hr;
  IDirect3DVertexBuffer8* vb = nullptr;
  IDirect3DIndexBuffer8* ib = nullptr;
  m_buffers->GetVertexBuffer(&vb);
  m_buffers->GetIndexBuffer(&ib);
  hr = device->SetVertexShader(GetFVF());
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, vb, DecodeFvf(GetFVF()).stride);
  if (SUCCEEDED(hr)) hr = device->SetIndices(ib, 0);
  for (const D3DXATTRIBUTERANGE& range : m_ranges) {
    if (FAILED(hr)) break;
    if (range.AttribId == attribId && range.FaceCount)
      hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, GetNumVertices(), range.FaceStart * 3,
                                        range.FaceCount);
  }
  ib->Release();
  vb->Release();
  device->Release();
  return hr;
}

HRESULT CD3DXPMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
  if (!size) return D3DERR_INVALIDCALL;
  if (table) {
    const DWORD count = std::min(*size, static_cast<DWORD>(m_ranges.size()));
    std::copy(m_ranges.begin(), m_ranges.begin() + count, table);
    *size = count;
    return D3D_OK;
  }
  *size = static_cast<DWORD>(m_ranges.size());
  return D3D_OK;
}

HRESULT CD3DXPMesh::Snapshot(MeshData* data, std::vector<DWORD>* slots) {
  MeshData all;
  HRESULT hr = m_buffers->Read(&all);
  if (FAILED(hr)) return hr;
  try {
    data->options = all.options;
    data->layout = all.layout;
    data->numVertices = GetNumVertices();
    all.vertices.resize(static_cast<size_t>(data->numVertices) * all.layout.stride);
    data->vertices = std::move(all.vertices);
    data->indices.clear();
    data->attributes.clear();
    slots->clear();
    for (const D3DXATTRIBUTERANGE& range : m_ranges)
      for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
        slots->push_back(f);
        data->attributes.push_back(range.AttribId);
        for (DWORD k = 0; k < 3; ++k) data->indices.push_back(all.indices[3 * f + k]);
      }
    data->table = BuildAttributeTable(*data);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT CD3DXPMesh::SnapshotMesh(CD3DXMesh** mesh, std::vector<DWORD>* slots) {
  *mesh = nullptr;
  MeshData data;
  HRESULT hr = Snapshot(&data, slots);
  if (FAILED(hr)) return hr;
  IDirect3DDevice8* device = nullptr;
  hr = GetDevice(&device);
  if (FAILED(hr)) return hr;
  hr = CD3DXMesh::Create(data, device, mesh);
  device->Release();
  return hr;
}

HRESULT CD3DXPMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** clone) {
  if (!clone) return D3DERR_INVALIDCALL;
  *clone = nullptr;
  return OnSnapshot([&](CD3DXMesh* snapshot) { return snapshot->CloneMeshFVF(options, fvf, device, clone); });
}

HRESULT CD3DXPMesh::ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) {
  return OnSnapshot([&](CD3DXMesh* snapshot) { return snapshot->ConvertPointRepsToAdjacency(pointReps, adjacency); });
}

HRESULT CD3DXPMesh::ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) {
  return OnSnapshot([&](CD3DXMesh* snapshot) { return snapshot->ConvertAdjacencyToPointReps(adjacency, pointReps); });
}

HRESULT CD3DXPMesh::GenerateAdjacency(float epsilon, DWORD* adjacency) {
  return OnSnapshot([&](CD3DXMesh* snapshot) { return snapshot->GenerateAdjacency(epsilon, adjacency); });
}

HRESULT CD3DXPMesh::Optimize(DWORD flags, DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                             ID3DXMesh** optimized) {
  if (vertexRemap) *vertexRemap = nullptr;
  if (!optimized) return D3DERR_INVALIDCALL;
  *optimized = nullptr;
  MeshData data;
  std::vector<DWORD> slots;
  HRESULT hr = Snapshot(&data, &slots);
  if (FAILED(hr)) return hr;
  // Mesh options in the flags choose the buffers; the index width stays.
  constexpr DWORD kOptionBits = 0x1FFFF & ~static_cast<DWORD>(D3DXMESHOPT_SHAREVB);
  if (flags & kOptionBits) data.options = (flags & kOptionBits) | (data.options & D3DXMESH_32BIT);
  std::vector<DWORD> adjacency;
  try {
    adjacency = AdjacencyFromPointReps(data, PointRepsByPosition(data, 0.0f).data());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  IDirect3DDevice8* device = nullptr;
  hr = GetDevice(&device);
  if (FAILED(hr)) return hr;
  CD3DXMesh* mesh = nullptr;
  hr = CD3DXMesh::Create(data, device, &mesh);
  device->Release();
  if (FAILED(hr)) return hr;
  std::vector<DWORD> faceOrder(data.NumFaces());
  ID3DXBuffer* vertexOrder = nullptr;
  hr = mesh->OptimizeInplace(flags & ~kOptionBits, adjacency.data(), adjacencyOut, faceOrder.data(),
                             vertexRemap ? &vertexOrder : nullptr);
  if (FAILED(hr)) {
    mesh->Release();
    return hr;
  }
  if (faceRemap)
    for (size_t f = 0; f < faceOrder.size(); ++f) faceRemap[f] = slots[faceOrder[f]];
  // The snapshot keeps the vertex numbers of this mesh, so its remap stands.
  if (vertexRemap) *vertexRemap = vertexOrder;
  *optimized = mesh;
  return D3D_OK;
}

HRESULT CD3DXPMesh::ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXPMesh** clone) {
  if (!clone) return D3DERR_INVALIDCALL;
  *clone = nullptr;
  if (!device || !IsMeshFvf(fvf)) return D3DERR_INVALIDCALL;
  if (!(options & D3DXMESH_32BIT) && GetMaxVertices() > 0xFFFF) return D3DERR_INVALIDCALL;
  PMeshData data;
  HRESULT hr = m_buffers->Read(&data.full);
  if (FAILED(hr)) return hr;
  const FvfLayout from = data.full.layout, to = DecodeFvf(fvf);
  try {
    // The buffers and the vertex words of the records take the new layout;
    // a component copied byte for byte keeps its xor.
    std::vector<BYTE> vertices(static_cast<size_t>(data.full.numVertices) * to.stride, 0);
    for (DWORD v = 0; v < data.full.numVertices; ++v)
      ConvertFvfVertex(from, data.full.Vertex(v), to, vertices.data() + static_cast<size_t>(v) * to.stride);
    data.full.vertices = std::move(vertices);
    data.full.layout = to;
    data.full.options = options;
    data.full.table = m_ranges;
    data.faceCounts = m_faceCounts;
    data.vertexCounts = m_vertexCounts;
    std::vector<BYTE> in(from.stride), out(to.stride);
    for (DWORD c = 0; c + 1 < m_recordStart.size(); ++c) {
      data.recordStart.push_back(static_cast<DWORD>(data.records.size()));
      const DWORD* r = m_records.data() + m_recordStart[c];
      const DWORD* head = r;
      r += 1 + r[0];
      r += 1 + 2 * r[0];
      data.records.insert(data.records.end(), head, r);
      const DWORD changed = *r++;
      data.records.push_back(changed);
      for (DWORD i = 0; i < changed; ++i) {
        data.records.push_back(*r++);
        std::memcpy(in.data(), r, from.stride);
        r += from.stride / 4;
        std::fill(out.begin(), out.end(), 0);
        ConvertFvfVertex(from, in.data(), to, out.data());
        const DWORD* words = reinterpret_cast<const DWORD*>(out.data());
        data.records.insert(data.records.end(), words, words + to.stride / 4);
      }
    }
    data.recordStart.push_back(static_cast<DWORD>(data.records.size()));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  ID3DXPMesh* created = nullptr;
  hr = Create(std::move(data), device, &created);
  if (FAILED(hr)) return hr;
  CD3DXPMesh* copy = static_cast<CD3DXPMesh*>(created);
  copy->m_level = m_level;
  *clone = created;
  return D3D_OK;
}

}  // namespace

HRESULT GeneratePMeshWith(ID3DXMesh* mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS* weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, PMeshPlacement placement,
                          ID3DXPMesh** pmesh) {
  if (!pmesh) return D3DERR_INVALIDCALL;
  *pmesh = nullptr;
  CD3DXMesh* source = CD3DXMesh::From(mesh);
  if (!source || (options & (D3DXMESHSIMP_VERTEX | D3DXMESHSIMP_FACE)) == 0 ||
      (options & D3DXMESHSIMP_VERTEX && options & D3DXMESHSIMP_FACE))
    return D3DERR_INVALIDCALL;
  MeshData data;
  HRESULT hr = source->Read(&data);
  if (FAILED(hr)) return hr;
  if (data.FirstBadIndex() >= 0) return D3DXERR_INVALIDMESH;
  for (DWORD v = 0; v < data.numVertices; ++v) {
    const D3DXVECTOR3 p = data.Position(v);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return D3DXERR_INVALIDMESH;
  }
  PMeshData built;
  try {
    std::vector<DWORD> sound;
    if (adjacency) {
      DWORD dropped = 0;
      sound = SoundAdjacency(data, adjacency, &dropped);
    }
    const D3DXATTRIBUTEWEIGHTS w = weights ? *weights : DefaultAttributeWeights();
    hr = GeneratePMeshData(data, adjacency ? sound.data() : nullptr, w, vertexWeights, minValue, options, placement,
                           &built);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  if (built.full.NumFaces() == 0) return D3DXERR_INVALIDMESH;
  IDirect3DDevice8* device = nullptr;
  hr = mesh->GetDevice(&device);
  if (FAILED(hr)) return hr;
  hr = CD3DXPMesh::Create(std::move(built), device, pmesh);
  device->Release();
  return hr;
}

size_t PMeshBytes(ID3DXPMesh* pmesh) {
  CD3DXPMesh* ours = dynamic_cast<CD3DXPMesh*>(pmesh);
  return ours ? ours->Bytes() : 0;
}

HRESULT D3DXGeneratePMesh(ID3DXMesh* mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS* weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, ID3DXPMesh** pmesh) {
  return GeneratePMeshWith(mesh, adjacency, weights, vertexWeights, minValue, options, PMeshPlacement::kOptimal,
                           pmesh);
}
