// D3DXLoadMeshFromXof: a D3DX mesh from a .x Mesh data object.
#include <rmxfguid.h>
#include <xskinexp.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "meshimpl.h"

namespace {

// Reads packed little-endian values of a data block; a read past the end
// marks the reader failed and gives zeros.
class CBlockReader {
 public:
  CBlockReader(const void* data, DWORD size) : m_data(static_cast<const BYTE*>(data)), m_size(data ? size : 0) {}
  template <class T>
  T Read() {
    T value{};
    if (!Has(1, sizeof(T))) return value;
    std::memcpy(&value, m_data + m_offset, sizeof(T));
    m_offset += sizeof(T);
    return value;
  }
  DWORD Dword() { return Read<DWORD>(); }
  float Float() { return Read<float>(); }
  // Room for count items of size bytes each.
  bool Has(DWORD count, size_t size) {
    if (count && size > (m_size - m_offset) / count) m_failed = true;
    return !m_failed;
  }
  bool Failed() const { return m_failed; }

 private:
  const BYTE* m_data;
  size_t m_size;
  size_t m_offset = 0;
  bool m_failed = false;
};

struct SXofMaterial {
  D3DMATERIAL8 material{};
  std::string texture;
  bool hasTexture = false;
};

struct SXofMesh {
  std::vector<D3DXVECTOR3> positions;
  std::vector<std::vector<DWORD>> faces;
  std::vector<D3DXVECTOR3> normals;
  std::vector<std::vector<DWORD>> normalFaces;
  bool hasNormals = false;
  std::vector<std::pair<float, float>> texCoords;
  bool hasTexCoords = false;
  std::vector<D3DCOLOR> colors;
  bool hasColors = false;
  std::vector<DWORD> faceMaterials;
  std::vector<SXofMaterial> materials;
  bool hasMaterialList = false;
  std::vector<DWORD> duplicationIndices;
};

struct SComHolder {
  IUnknown* p = nullptr;
  ~SComHolder() {
    if (p) p->Release();
  }
};

HRESULT Block(IDirectXFileData* data, CBlockReader* reader) {
  DWORD size = 0;
  void* block = nullptr;
  HRESULT hr = data->GetData(nullptr, &size, &block);
  if (FAILED(hr)) return hr;
  *reader = CBlockReader(block, size);
  return S_OK;
}

// The faces of a Mesh or MeshNormals block: a count, then per face its
// corner count and corners, each below limit.
bool ReadFaces(CBlockReader& r, DWORD limit, std::vector<std::vector<DWORD>>* faces) {
  const DWORD count = r.Dword();
  if (!r.Has(count, sizeof(DWORD))) return false;
  faces->resize(count);
  for (auto& face : *faces) {
    const DWORD corners = r.Dword();
    if (!r.Has(corners, sizeof(DWORD))) return false;
    face.resize(corners);
    for (DWORD& index : face) {
      index = r.Dword();
      if (index >= limit) return false;
    }
  }
  return !r.Failed();
}

bool ReadVectors(CBlockReader& r, std::vector<D3DXVECTOR3>* out) {
  const DWORD count = r.Dword();
  if (!r.Has(count, sizeof(D3DXVECTOR3))) return false;
  out->resize(count);
  for (auto& v : *out) v = r.Read<D3DXVECTOR3>();
  return !r.Failed();
}

// The data object behind a child, resolving a reference; NULL for a binary
// object.
IDirectXFileData* ChildData(IDirectXFileObject* child) {
  IDirectXFileData* data = nullptr;
  if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data)))) return data;
  IDirectXFileDataReference* reference = nullptr;
  if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
    if (FAILED(reference->Resolve(&data))) data = nullptr;
    reference->Release();
  }
  return data;
}

const GUID* TypeOf(IDirectXFileData* data) {
  const GUID* type = nullptr;
  if (FAILED(data->GetType(&type))) return nullptr;
  return type;
}

// Calls visit for the data object of each nested object, in order.
template <class Visit>
HRESULT ForEachChild(IDirectXFileData* parent, Visit&& visit) {
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(parent->GetNextObject(&child))) {
    SComHolder heldChild{child};
    IDirectXFileData* data = ChildData(child);
    if (!data) continue;
    SComHolder heldData{data};
    const GUID* type = TypeOf(data);
    if (!type) continue;
    HRESULT hr = visit(data, *type);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ReadMaterial(IDirectXFileData* data, SXofMaterial* out) {
  CBlockReader r(nullptr, 0);
  HRESULT hr = Block(data, &r);
  if (FAILED(hr)) return hr;
  D3DMATERIAL8& m = out->material;
  m.Diffuse = {r.Float(), r.Float(), r.Float(), r.Float()};
  m.Ambient = {0.0f, 0.0f, 0.0f, 0.0f};
  m.Power = r.Float();
  m.Specular = {r.Float(), r.Float(), r.Float(), 1.0f};
  m.Emissive = {r.Float(), r.Float(), r.Float(), 1.0f};
  if (r.Failed()) return D3DXERR_INVALIDDATA;
  return ForEachChild(data, [&](IDirectXFileData* child, const GUID& type) -> HRESULT {
    if (type != TID_D3DRMTextureFilename || out->hasTexture) return S_OK;
    CBlockReader t(nullptr, 0);
    if (FAILED(Block(child, &t))) return D3DXERR_INVALIDDATA;
    const char* name = t.Read<const char*>();
    if (t.Failed() || !name) return D3DXERR_INVALIDDATA;
    out->texture = name;
    out->hasTexture = true;
    return S_OK;
  });
}

HRESULT ReadMaterialList(IDirectXFileData* data, DWORD numFaces, SXofMesh* mesh) {
  CBlockReader r(nullptr, 0);
  HRESULT hr = Block(data, &r);
  if (FAILED(hr)) return hr;
  r.Dword();  // the material count: the Material objects nested below count
  const DWORD count = r.Dword();
  if (!r.Has(count, sizeof(DWORD))) return D3DXERR_INVALIDDATA;
  std::vector<DWORD> indices(count);
  for (DWORD& index : indices) index = r.Dword();
  // The last index stands for every face past the list.
  mesh->faceMaterials.assign(numFaces, indices.empty() ? 0 : indices.back());
  for (DWORD f = 0; f < numFaces && f < count; ++f) mesh->faceMaterials[f] = indices[f];
  mesh->hasMaterialList = true;
  return ForEachChild(data, [&](IDirectXFileData* child, const GUID& type) -> HRESULT {
    if (type != TID_D3DRMMaterial) return S_OK;
    SXofMaterial material;
    HRESULT read = ReadMaterial(child, &material);
    if (SUCCEEDED(read)) mesh->materials.push_back(std::move(material));
    return read;
  });
}

HRESULT ReadMesh(IDirectXFileData* data, SXofMesh* mesh) {
  const GUID* type = TypeOf(data);
  if (!type || *type != TID_D3DRMMesh) return D3DXERR_INVALIDDATA;
  CBlockReader r(nullptr, 0);
  HRESULT hr = Block(data, &r);
  if (FAILED(hr)) return hr;
  if (!ReadVectors(r, &mesh->positions)) return D3DXERR_INVALIDDATA;
  const DWORD nVertices = static_cast<DWORD>(mesh->positions.size());
  if (!ReadFaces(r, nVertices, &mesh->faces)) return D3DXERR_INVALIDDATA;
  for (const auto& face : mesh->faces)
    if (face.size() < 3) return D3DXERR_INVALIDDATA;
  const DWORD nFaces = static_cast<DWORD>(mesh->faces.size());

  return ForEachChild(data, [&](IDirectXFileData* child, const GUID& childType) -> HRESULT {
    CBlockReader c(nullptr, 0);
    if (childType == TID_D3DRMMeshMaterialList) return ReadMaterialList(child, nFaces, mesh);
    if (FAILED(Block(child, &c))) return D3DXERR_INVALIDDATA;
    if (childType == TID_D3DRMMeshNormals) {
      if (!ReadVectors(c, &mesh->normals) ||
          !ReadFaces(c, static_cast<DWORD>(mesh->normals.size()), &mesh->normalFaces))
        return D3DXERR_INVALIDDATA;
      // Normal faces that do not match the faces corner for corner name no
      // normals the mesh can use; they are computed later instead.
      mesh->hasNormals = mesh->normalFaces.size() == mesh->faces.size();
      for (DWORD f = 0; mesh->hasNormals && f < nFaces; ++f)
        mesh->hasNormals = mesh->normalFaces[f].size() == mesh->faces[f].size();
      if (!mesh->hasNormals) {
        mesh->hasNormals = true;
        mesh->normalFaces.clear();
      }
    } else if (childType == TID_D3DRMMeshTextureCoords) {
      const DWORD count = c.Dword();
      if (!c.Has(count, 2 * sizeof(float))) return D3DXERR_INVALIDDATA;
      mesh->texCoords.resize(count);
      for (auto& uv : mesh->texCoords) uv = {c.Float(), c.Float()};
      mesh->texCoords.resize(nVertices, {0.0f, 0.0f});
      mesh->hasTexCoords = true;
    } else if (childType == TID_D3DRMMeshVertexColors) {
      const DWORD count = c.Dword();
      if (!c.Has(count, sizeof(DWORD) + 4 * sizeof(float))) return D3DXERR_INVALIDDATA;
      mesh->colors.assign(nVertices, 0xFFFFFFFF);
      for (DWORD i = 0; i < count; ++i) {
        const DWORD index = c.Dword();
        const D3DXCOLOR colour(c.Float(), c.Float(), c.Float(), c.Float());
        if (index < nVertices) mesh->colors[index] = colour;
      }
      mesh->hasColors = true;
    } else if (childType == DXFILEOBJ_VertexDuplicationIndices) {
      const DWORD count = c.Dword();
      c.Dword();  // the original vertex count
      if (!c.Has(count, sizeof(DWORD))) return D3DXERR_INVALIDDATA;
      std::vector<DWORD> reps(count);
      for (DWORD& rep : reps) rep = c.Dword();
      if (count == nVertices) mesh->duplicationIndices = std::move(reps);
    }
    return S_OK;
  });
}

// The material records followed by their texture names, in one buffer.
HRESULT MaterialBuffer(const std::vector<SXofMaterial>& materials, ID3DXBuffer** out) {
  size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
  for (const auto& m : materials)
    if (m.hasTexture) bytes += m.texture.size() + 1;
  HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), out);
  if (FAILED(hr)) return hr;
  auto* records = static_cast<D3DXMATERIAL*>((*out)->GetBufferPointer());
  char* names = reinterpret_cast<char*>(records + materials.size());
  for (size_t i = 0; i < materials.size(); ++i) {
    records[i].MatD3D = materials[i].material;
    records[i].pTextureFilename = nullptr;
    if (!materials[i].hasTexture) continue;
    std::memcpy(names, materials[i].texture.c_str(), materials[i].texture.size() + 1);
    records[i].pTextureFilename = names;
    names += materials[i].texture.size() + 1;
  }
  return S_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXof(IDirectXFileData* data, DWORD options, IDirect3DDevice8* device,
                            ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                            ID3DXMesh** mesh) {
  if (adjacency) *adjacency = nullptr;
  if (materials) *materials = nullptr;
  if (numMaterials) *numMaterials = 0;
  if (!data || !mesh || !device) return D3DERR_INVALIDCALL;
  *mesh = nullptr;

  SXofMesh x;
  HRESULT hr = ReadMesh(data, &x);
  if (FAILED(hr)) return hr;

  // Triangles fanned from each face's first corner; a corner is a vertex
  // together with the normal it names, so a vertex with several normals
  // becomes several vertices.
  MeshData out;
  const bool normals = x.hasNormals;
  DWORD fvf = D3DFVF_XYZ | (normals ? D3DFVF_NORMAL : 0) | (x.hasColors ? D3DFVF_DIFFUSE : 0) |
              (x.hasTexCoords ? D3DFVF_TEX1 : 0);
  out.layout = DecodeFvf(fvf);
  // File vertex v stays vertex v, with the normal its first corner names, so
  // that data naming the file's vertices (skin weights) still fits; a vertex
  // named with further normals gets copies after the file's vertices.
  std::map<std::pair<DWORD, DWORD>, DWORD> corners;
  std::vector<DWORD> source;  // the file's vertex of each new vertex
  std::vector<DWORD> normalOf(x.positions.size(), 0xFFFFFFFF);
  std::vector<bool> named(x.positions.size(), false);
  auto normalAt = [&](DWORD face, size_t k) {
    return normals && !x.normalFaces.empty() ? x.normalFaces[face][k] : 0xFFFFFFFF;
  };
  for (DWORD f = 0; f < x.faces.size(); ++f)
    for (size_t k = 0; k < x.faces[f].size(); ++k) {
      const DWORD v = x.faces[f][k];
      if (v >= named.size() || named[v]) continue;
      named[v] = true;
      normalOf[v] = normalAt(f, k);
    }
  for (DWORD v = 0; v < x.positions.size(); ++v) {
    source.push_back(v);
    corners.emplace(std::pair{v, normalOf[v]}, v);
  }
  auto vertexOf = [&](DWORD face, DWORD k) {
    const DWORD v = x.faces[face][k];
    const DWORD n = normalAt(face, k);
    auto [it, added] = corners.try_emplace({v, n}, static_cast<DWORD>(source.size()));
    if (added) {
      source.push_back(v);
      normalOf.push_back(n);
    }
    return it->second;
  };
  for (DWORD f = 0; f < x.faces.size(); ++f) {
    const DWORD attribute = f < x.faceMaterials.size() ? x.faceMaterials[f] : 0;
    for (size_t k = 1; k + 1 < x.faces[f].size(); ++k) {
      out.indices.push_back(vertexOf(f, 0));
      out.indices.push_back(vertexOf(f, static_cast<DWORD>(k)));
      out.indices.push_back(vertexOf(f, static_cast<DWORD>(k + 1)));
      out.attributes.push_back(attribute);
    }
  }
  if (out.attributes.empty()) return S_OK;  // a mesh without faces is no mesh

  out.numVertices = static_cast<DWORD>(source.size());
  out.options = options | (out.numVertices > 0xFFFF ? D3DXMESH_32BIT : 0);
  out.vertices.assign(static_cast<size_t>(out.numVertices) * out.layout.stride, 0);
  for (DWORD i = 0; i < out.numVertices; ++i) {
    BYTE* vertex = out.Vertex(i);
    const DWORD v = source[i];
    std::memcpy(vertex, &x.positions[v], sizeof(D3DXVECTOR3));
    if (normals && normalOf[i] != 0xFFFFFFFF) std::memcpy(vertex + out.layout.normal, &x.normals[normalOf[i]], 12);
    if (x.hasColors) std::memcpy(vertex + out.layout.diffuse, &x.colors[v], sizeof(D3DCOLOR));
    if (x.hasTexCoords) {
      const float uv[2] = {x.texCoords[v].first, x.texCoords[v].second};
      std::memcpy(vertex + out.layout.texOffset[0], uv, sizeof(uv));
    }
  }

  CD3DXMesh* created = nullptr;
  hr = CD3DXMesh::Create(out, device, &created);
  if (FAILED(hr)) return hr;

  // Vertices split from one file vertex, and file vertices that the file
  // says duplicate another, stand for one point.
  std::vector<DWORD> firstOf(x.positions.size(), 0xFFFFFFFF);
  for (DWORD i = 0; i < out.numVertices; ++i)
    if (firstOf[source[i]] == 0xFFFFFFFF) firstOf[source[i]] = i;
  std::vector<DWORD> reps(out.numVertices);
  for (DWORD i = 0; i < out.numVertices; ++i) {
    DWORD v = source[i];
    if (!x.duplicationIndices.empty() && x.duplicationIndices[v] < x.positions.size() &&
        firstOf[x.duplicationIndices[v]] != 0xFFFFFFFF)
      v = x.duplicationIndices[v];
    reps[i] = std::min(firstOf[v], i);
  }
  // Representatives must point at representatives of themselves.
  for (DWORD i = 0; i < out.numVertices; ++i) reps[i] = reps[reps[i]];

  ID3DXBuffer* adjacencyBuffer = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  if (adjacency) {
    const std::vector<DWORD> faces = AdjacencyFromPointReps(out, reps.data());
    hr = CopyToBuffer(faces.data(), faces.size() * sizeof(DWORD), &adjacencyBuffer);
  }
  if (SUCCEEDED(hr) && materials && x.hasMaterialList && !x.materials.empty())
    hr = MaterialBuffer(x.materials, &materialBuffer);
  if (FAILED(hr)) {
    if (adjacencyBuffer) adjacencyBuffer->Release();
    created->Release();
    return hr;
  }
  if (adjacency) *adjacency = adjacencyBuffer;
  if (materials) *materials = materialBuffer;
  if (numMaterials) *numMaterials = materialBuffer ? static_cast<DWORD>(x.materials.size()) : 0;
  *mesh = created;
  return S_OK;
}
