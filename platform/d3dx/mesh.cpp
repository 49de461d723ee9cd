#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "meshimpl.h"

namespace {

constexpr DWORD kMax16BitVertices = 0xFFFF;

class CD3DXBuffer : public TComObject<ID3DXBuffer, &IID_ID3DXBuffer> {
 public:
  explicit CD3DXBuffer(DWORD size) : m_data(size, 0) {}
  void* GetBufferPointer() override { return m_data.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(m_data.size()); }

 private:
  std::vector<BYTE> m_data;
};

D3DPOOL PoolOf(DWORD options, DWORD systemMem, DWORD managed) {
  if (options & systemMem) return D3DPOOL_SYSTEMMEM;
  if (options & managed) return D3DPOOL_MANAGED;
  return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnly, DWORD dynamic) {
  return ((options & writeOnly) ? D3DUSAGE_WRITEONLY : 0) | ((options & dynamic) ? D3DUSAGE_DYNAMIC : 0);
}

bool CountsFit(DWORD numFaces, DWORD numVertices, DWORD options) {
  return numFaces > 0 && numVertices > 0 && numFaces <= 0x7FFFFFFF / 12 &&
         ((options & D3DXMESH_32BIT) || numVertices <= kMax16BitVertices);
}

}  // namespace

void ConvertFvfVertex(const FvfLayout& from, const BYTE* in, const FvfLayout& to, BYTE* out) {
  std::memcpy(out, in, 12);
  if (from.positionSize == 16 && to.positionSize == 16) std::memcpy(out + 12, in + 12, 4);  // rhw
  const UINT blends = std::min(from.blendCount, to.blendCount);
  if (from.positionSize != 16 && to.positionSize != 16) std::memcpy(out + 12, in + 12, 4 * blends);
  auto copy = [&](bool both, UINT fromOffset, UINT toOffset, UINT size) {
    if (both) std::memcpy(out + toOffset, in + fromOffset, size);
  };
  copy(from.HasNormal() && to.HasNormal(), from.normal, to.normal, 12);
  copy(from.HasPointSize() && to.HasPointSize(), from.pointSize, to.pointSize, 4);
  copy(from.HasDiffuse() && to.HasDiffuse(), from.diffuse, to.diffuse, 4);
  copy(from.HasSpecular() && to.HasSpecular(), from.specular, to.specular, 4);
  for (UINT i = 0; i < std::min(from.texCount, to.texCount); ++i)
    copy(true, from.texOffset[i], to.texOffset[i], std::min(from.texSize[i], to.texSize[i]));
}

HRESULT CopyToBuffer(const void* data, size_t bytes, ID3DXBuffer** out) {
  HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), out);
  if (SUCCEEDED(hr) && bytes) std::memcpy((*out)->GetBufferPointer(), data, bytes);
  return hr;
}

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  try {
    *buffer = new CD3DXBuffer(numBytes);
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    *buffer = nullptr;
    return E_OUTOFMEMORY;
  }
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          ID3DXMesh** mesh) {
  if (!mesh) return D3DERR_INVALIDCALL;
  CD3DXMesh* created = nullptr;
  HRESULT hr = CD3DXMesh::Create(numFaces, numVertices, options, fvf, device, &created);
  *mesh = created;
  return hr;
}

HRESULT CD3DXMesh::Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          CD3DXMesh** mesh) {
  *mesh = nullptr;
  if (!device || !IsMeshFvf(fvf) || !CountsFit(numFaces, numVertices, options)) return D3DERR_INVALIDCALL;
  CD3DXMesh* created = new (std::nothrow) CD3DXMesh();
  if (!created) return E_OUTOFMEMORY;
  created->m_options = options;
  created->m_fvf = fvf;
  HRESULT hr = created->Allocate(device, numFaces, numVertices);
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *mesh = created;
  return D3D_OK;
}

HRESULT CD3DXMesh::Create(const MeshData& data, IDirect3DDevice8* device, CD3DXMesh** mesh) {
  HRESULT hr = Create(data.NumFaces(), data.numVertices, data.options, data.layout.fvf, device, mesh);
  if (SUCCEEDED(hr)) hr = (*mesh)->Write(data);
  if (FAILED(hr) && *mesh) {
    (*mesh)->Release();
    *mesh = nullptr;
  }
  return hr;
}

CD3DXMesh* CD3DXMesh::From(ID3DXBaseMesh* mesh) { return dynamic_cast<CD3DXMesh*>(mesh); }

CD3DXMesh::~CD3DXMesh() {
  for (IUnknown* buffer : m_retiredBuffers) buffer->Release();
  if (m_vertexBuffer) m_vertexBuffer->Release();
  if (m_indexBuffer) m_indexBuffer->Release();
}

HRESULT CD3DXMesh::Allocate(IDirect3DDevice8* device, DWORD numFaces, DWORD numVertices) {
  if (!CountsFit(numFaces, numVertices, m_options)) return D3DERR_INVALIDCALL;
  const UINT stride = DecodeFvf(m_fvf).stride;
  if (numVertices > 0x7FFFFFFF / stride) return D3DERR_INVALIDCALL;
  IDirect3DVertexBuffer8* vb = nullptr;
  IDirect3DIndexBuffer8* ib = nullptr;
  const bool wide = m_options & D3DXMESH_32BIT;
  HRESULT hr = device->CreateVertexBuffer(
      numVertices * stride, UsageOf(m_options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), m_fvf,
      PoolOf(m_options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &vb);
  if (SUCCEEDED(hr))
    hr = device->CreateIndexBuffer(numFaces * 3 * (wide ? 4 : 2),
                                   UsageOf(m_options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                                   wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                   PoolOf(m_options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &ib);
  try {
    if (SUCCEEDED(hr)) m_attributes.assign(numFaces, 0);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    if (vb) vb->Release();
    if (ib) ib->Release();
    return hr;
  }
  auto retire = [this](IUnknown* buffer, bool locked) {
    if (!buffer) return;
    if (locked)
      m_retiredBuffers.push_back(buffer);
    else
      buffer->Release();
  };
  retire(m_vertexBuffer, m_locks[kVertices] > 0);
  retire(m_indexBuffer, m_locks[kIndices] > 0);
  m_vertexBuffer = vb;
  m_indexBuffer = ib;
  m_numFaces = numFaces;
  m_numVertices = numVertices;
  return D3D_OK;
}

HRESULT CD3DXMesh::Read(MeshData* data) {
  data->options = m_options;
  data->layout = DecodeFvf(m_fvf);
  data->numVertices = m_numVertices;
  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  HRESULT hr = m_vertexBuffer->Lock(0, 0, &vertices, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  hr = m_indexBuffer->Lock(0, 0, &indices, D3DLOCK_READONLY);
  if (FAILED(hr)) {
    m_vertexBuffer->Unlock();
    return hr;
  }
  try {
    data->vertices.assign(vertices, vertices + static_cast<size_t>(m_numVertices) * data->layout.stride);
    data->indices.resize(3 * static_cast<size_t>(m_numFaces));
    for (size_t i = 0; i < data->indices.size(); ++i)
      data->indices[i] = (m_options & D3DXMESH_32BIT) ? reinterpret_cast<const DWORD*>(indices)[i]
                                                      : reinterpret_cast<const WORD*>(indices)[i];
    data->attributes = m_attributes;
    data->table = m_table;
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  m_indexBuffer->Unlock();
  m_vertexBuffer->Unlock();
  return hr;
}

HRESULT CD3DXMesh::ReadChecked(MeshData* data) {
  HRESULT hr = Read(data);
  if (SUCCEEDED(hr) && data->FirstBadIndex() >= 0) return D3DXERR_INVALIDDATA;
  return hr;
}

HRESULT CD3DXMesh::Write(const MeshData& data) {
  if (data.layout.fvf != m_fvf || data.options != m_options || data.indices.size() != 3 * data.attributes.size() ||
      data.vertices.size() != static_cast<size_t>(data.numVertices) * data.layout.stride)
    return D3DERR_INVALIDCALL;
  if (!(m_options & D3DXMESH_32BIT))
    for (DWORD index : data.indices)
      if (index > kMax16BitVertices) return D3DERR_INVALIDCALL;
  if (data.NumFaces() != m_numFaces || data.numVertices != m_numVertices) {
    IDirect3DDevice8* device = nullptr;
    HRESULT hr = GetDevice(&device);
    if (FAILED(hr)) return hr;
    hr = Allocate(device, data.NumFaces(), data.numVertices);
    device->Release();
    if (FAILED(hr)) return hr;
  }
  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  HRESULT hr = m_vertexBuffer->Lock(0, 0, &vertices, 0);
  if (FAILED(hr)) return hr;
  hr = m_indexBuffer->Lock(0, 0, &indices, 0);
  if (FAILED(hr)) {
    m_vertexBuffer->Unlock();
    return hr;
  }
  std::memcpy(vertices, data.vertices.data(), data.vertices.size());
  for (size_t i = 0; i < data.indices.size(); ++i) {
    if (m_options & D3DXMESH_32BIT)
      reinterpret_cast<DWORD*>(indices)[i] = data.indices[i];
    else
      reinterpret_cast<WORD*>(indices)[i] = static_cast<WORD>(data.indices[i]);
  }
  m_indexBuffer->Unlock();
  m_vertexBuffer->Unlock();
  if (m_locks[kAttributes] && data.attributes.size() != m_attributes.size())
    m_retiredAttributes.push_back(std::move(m_attributes));
  m_attributes = data.attributes;
  m_table = data.table;
  return D3D_OK;
}

HRESULT CD3DXMesh::DrawSubset(DWORD attribId) {
  IDirect3DDevice8* device = nullptr;
  HRESULT hr = GetDevice(&device);
  if (FAILED(hr)) return hr;
  // The runs of faces that carry the id: the table's ranges once sorted.
  std::vector<D3DXATTRIBUTERANGE> runs;
  for (const D3DXATTRIBUTERANGE& range : m_table)
    if (range.AttribId == attribId && range.FaceCount) runs.push_back(range);
  if (m_table.empty())
    for (DWORD f = 0; f < m_numFaces; ++f) {
      if (m_attributes[f] != attribId) continue;
      if (!runs.empty() && runs.back().FaceStart + runs.back().FaceCount == f)
        ++runs.back().FaceCount;
      else
        runs.push_back({attribId, f, 1, 0, m_numVertices});
    }
  const UINT stride = DecodeFvf(m_fvf).stride;
  hr = device->SetVertexShader(m_fvf);
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, m_vertexBuffer, stride);
  if (SUCCEEDED(hr)) hr = device->SetIndices(m_indexBuffer, 0);
  for (const D3DXATTRIBUTERANGE& run : runs) {
    if (FAILED(hr)) break;
    hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, run.VertexStart, run.VertexCount, run.FaceStart * 3,
                                      run.FaceCount);
  }
  device->Release();
  return hr;
}

HRESULT CD3DXMesh::GetDevice(IDirect3DDevice8** device) { return m_vertexBuffer->GetDevice(device); }

HRESULT CD3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** clone) {
  if (!clone) return D3DERR_INVALIDCALL;
  *clone = nullptr;
  if (!device || !IsMeshFvf(fvf)) return D3DERR_INVALIDCALL;
  MeshData source;
  HRESULT hr = Read(&source);
  if (FAILED(hr)) return hr;
  if (!(options & D3DXMESH_32BIT))
    for (DWORD index : source.indices)
      if (index > kMax16BitVertices) return D3DERR_INVALIDCALL;
  MeshData copy;
  copy.options = options;
  copy.layout = DecodeFvf(fvf);
  copy.numVertices = source.numVertices;
  copy.indices = std::move(source.indices);
  copy.attributes = std::move(source.attributes);
  copy.table = std::move(source.table);
  try {
    copy.vertices.assign(static_cast<size_t>(copy.numVertices) * copy.layout.stride, 0);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  for (DWORD v = 0; v < copy.numVertices; ++v) ConvertFvfVertex(source.layout, source.Vertex(v), copy.layout, copy.Vertex(v));
  CD3DXMesh* created = nullptr;
  hr = Create(copy, device, &created);
  *clone = created;
  return hr;
}

HRESULT CD3DXMesh::GetVertexBuffer(IDirect3DVertexBuffer8** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  m_vertexBuffer->AddRef();
  *buffer = m_vertexBuffer;
  return D3D_OK;
}

HRESULT CD3DXMesh::GetIndexBuffer(IDirect3DIndexBuffer8** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  m_indexBuffer->AddRef();
  *buffer = m_indexBuffer;
  return D3D_OK;
}

HRESULT CD3DXMesh::Locked(Part part, HRESULT lock) {
  if (SUCCEEDED(lock)) ++m_locks[part];
  return lock;
}

HRESULT CD3DXMesh::Unlock(Part part) {
  if (m_locks[part] == 0) return D3DERR_INVALIDCALL;
  --m_locks[part];
  // The lock may have been taken on a buffer replaced since; that one is
  // released below, and this Unlock finds the present one unlocked.
  if (part == kVertices) m_vertexBuffer->Unlock();
  if (part == kIndices) m_indexBuffer->Unlock();
  if (m_locks[kVertices] + m_locks[kIndices] + m_locks[kAttributes] == 0) {
    for (IUnknown* buffer : m_retiredBuffers) buffer->Release();
    m_retiredBuffers.clear();
    m_retiredAttributes.clear();
  }
  return D3D_OK;
}

HRESULT CD3DXMesh::LockVertexBuffer(DWORD flags, BYTE** data) {
  return Locked(kVertices, m_vertexBuffer->Lock(0, 0, data, flags));
}
HRESULT CD3DXMesh::UnlockVertexBuffer() { return Unlock(kVertices); }
HRESULT CD3DXMesh::LockIndexBuffer(DWORD flags, BYTE** data) {
  return Locked(kIndices, m_indexBuffer->Lock(0, 0, data, flags));
}
HRESULT CD3DXMesh::UnlockIndexBuffer() { return Unlock(kIndices); }

HRESULT CD3DXMesh::LockAttributeBuffer(DWORD, DWORD** data) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = m_attributes.data();
  return Locked(kAttributes, D3D_OK);
}
HRESULT CD3DXMesh::UnlockAttributeBuffer() { return Unlock(kAttributes); }

HRESULT CD3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
  if (!size) return D3DERR_INVALIDCALL;
  if (table) {
    // *size is the room in table; never write past it.
    const DWORD count = std::min(*size, static_cast<DWORD>(m_table.size()));
    std::copy(m_table.begin(), m_table.begin() + count, table);
    *size = count;
    return D3D_OK;
  }
  *size = static_cast<DWORD>(m_table.size());
  return D3D_OK;
}

HRESULT CD3DXMesh::ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) {
  if (!adjacency) return D3DERR_INVALIDCALL;
  MeshData data;
  HRESULT hr = ReadChecked(&data);
  if (FAILED(hr)) return hr;
  std::vector<DWORD> reps;
  if (pointReps) {
    reps.assign(pointReps, pointReps + m_numVertices);
    for (DWORD& rep : reps)
      if (rep >= m_numVertices) return D3DERR_INVALIDCALL;
  } else {
    reps.resize(m_numVertices);
    std::iota(reps.begin(), reps.end(), DWORD{0});
  }
  const std::vector<DWORD> result = AdjacencyFromPointReps(data, reps.data());
  std::copy(result.begin(), result.end(), adjacency);
  return D3D_OK;
}

HRESULT CD3DXMesh::ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) {
  if (!adjacency || !pointReps) return D3DERR_INVALIDCALL;
  MeshData data;
  HRESULT hr = ReadChecked(&data);
  if (FAILED(hr)) return hr;
  const std::vector<DWORD> result = PointRepsFromAdjacency(data, adjacency);
  std::copy(result.begin(), result.end(), pointReps);
  return D3D_OK;
}

HRESULT CD3DXMesh::GenerateAdjacency(float epsilon, DWORD* adjacency) {
  if (!adjacency || epsilon < 0.0f) return D3DERR_INVALIDCALL;
  MeshData data;
  HRESULT hr = ReadChecked(&data);
  if (FAILED(hr)) return hr;
  const std::vector<DWORD> result = AdjacencyFromPointReps(data, PointRepsByPosition(data, epsilon).data());
  std::copy(result.begin(), result.end(), adjacency);
  return D3D_OK;
}

HRESULT CD3DXMesh::Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                            ID3DXBuffer** vertexRemap, ID3DXMesh** optimized) {
  if (!optimized) return D3DERR_INVALIDCALL;
  *optimized = nullptr;
  IDirect3DDevice8* device = nullptr;
  HRESULT hr = GetDevice(&device);
  if (FAILED(hr)) return hr;
  ID3DXMesh* copy = nullptr;
  hr = CloneMeshFVF(m_options, m_fvf, device, &copy);
  device->Release();
  if (SUCCEEDED(hr)) hr = copy->OptimizeInplace(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap);
  if (FAILED(hr)) {
    if (copy) copy->Release();
    return hr;
  }
  *optimized = copy;
  return D3D_OK;
}

HRESULT CD3DXMesh::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                   ID3DXBuffer** vertexRemap) {
  if (vertexRemap) *vertexRemap = nullptr;
  MeshData data;
  HRESULT hr = ReadChecked(&data);
  if (FAILED(hr)) return hr;
  const DWORD faces = data.NumFaces();

  // New face f is old face faceOrder[f].
  std::vector<DWORD> faceOrder(faces);
  std::iota(faceOrder.begin(), faceOrder.end(), DWORD{0});
  if (flags & D3DXMESHOPT_ATTRSORT)
    std::stable_sort(faceOrder.begin(), faceOrder.end(),
                     [&](DWORD a, DWORD b) { return data.attributes[a] < data.attributes[b]; });

  // New vertex v is old vertex vertexOrder[v].
  std::vector<DWORD> vertexOrder;
  const bool renumber = !(flags & D3DXMESHOPT_IGNOREVERTS) &&
                        (flags & (D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER));
  if (renumber) {
    std::vector<bool> used(data.numVertices, false);
    if (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) {
      for (DWORD f : faceOrder)
        for (DWORD k = 0; k < 3; ++k) {
          const DWORD v = data.Corner(f, k);
          if (!used[v]) vertexOrder.push_back(v);
          used[v] = true;
        }
    } else {
      for (DWORD v : data.indices) used[v] = true;
      for (DWORD v = 0; v < data.numVertices; ++v)
        if (used[v]) vertexOrder.push_back(v);
    }
    if (!(flags & D3DXMESHOPT_COMPACT))
      for (DWORD v = 0; v < data.numVertices; ++v)
        if (!used[v]) vertexOrder.push_back(v);
  } else {
    vertexOrder.resize(data.numVertices);
    std::iota(vertexOrder.begin(), vertexOrder.end(), DWORD{0});
  }
  std::vector<DWORD> newVertex(data.numVertices, D3DX_NO_ADJACENT_FACE);
  for (DWORD v = 0; v < vertexOrder.size(); ++v) newVertex[vertexOrder[v]] = v;
  std::vector<DWORD> newFace(faces);
  for (DWORD f = 0; f < faces; ++f) newFace[faceOrder[f]] = f;

  // The adjacency follows the faces; it is read before it may be overwritten.
  std::vector<DWORD> adjacency;
  if (adjacencyOut) {
    DWORD dropped = 0;
    adjacency = SoundAdjacency(data, adjacencyIn, &dropped);
  }

  MeshData result;
  result.options = data.options;
  result.layout = data.layout;
  result.numVertices = static_cast<DWORD>(vertexOrder.size());
  result.vertices.resize(static_cast<size_t>(result.numVertices) * data.layout.stride);
  for (DWORD v = 0; v < result.numVertices; ++v)
    std::memcpy(result.Vertex(v), data.Vertex(vertexOrder[v]), data.layout.stride);
  result.indices.resize(data.indices.size());
  result.attributes.resize(faces);
  for (DWORD f = 0; f < faces; ++f) {
    const DWORD old = faceOrder[f];
    result.attributes[f] = data.attributes[old];
    for (DWORD k = 0; k < 3; ++k) result.indices[3 * f + k] = newVertex[data.Corner(old, k)];
  }
  if ((flags & D3DXMESHOPT_ATTRSORT) || !data.table.empty()) result.table = BuildAttributeTable(result);
  hr = Write(result);
  if (FAILED(hr)) return hr;

  if (adjacencyOut)
    for (DWORD f = 0; f < faces; ++f)
      for (DWORD k = 0; k < 3; ++k) {
        const DWORD g = adjacency[3 * faceOrder[f] + k];
        adjacencyOut[3 * f + k] = g == D3DX_NO_ADJACENT_FACE ? g : newFace[g];
      }
  if (faceRemap) std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
  if (vertexRemap) hr = CopyToBuffer(vertexOrder.data(), vertexOrder.size() * sizeof(DWORD), vertexRemap);
  return hr;
}
