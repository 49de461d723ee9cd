// The skin mesh: geometry in a mesh of its own, the bones' influences beside
// it, and the indexed-blended and posed meshes made from them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <set>

#include "meshimpl.h"

namespace {

// Influences a vertex of an indexed-blended mesh can hold: four palette slots
// in the last beta.
constexpr size_t kMaxBlendInfluences = 4;

struct Influence {
  DWORD bone;
  float weight;
};

class CD3DXSkinMesh : public TComObject<ID3DXSkinMesh, &IID_ID3DXSkinMesh> {
 public:
  CD3DXSkinMesh(CD3DXMesh* mesh, DWORD numBones) : m_mesh(mesh), m_bones(numBones) {}

  DWORD GetNumFaces() override { return m_mesh->GetNumFaces(); }
  DWORD GetNumVertices() override { return m_mesh->GetNumVertices(); }
  DWORD GetFVF() override { return m_mesh->GetFVF(); }
  DWORD GetOptions() override { return m_mesh->GetOptions(); }
  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_mesh->GetDevice(device); }
  HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override { return m_mesh->LockVertexBuffer(flags, data); }
  HRESULT UnlockVertexBuffer() override { return m_mesh->UnlockVertexBuffer(); }
  HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override { return m_mesh->LockIndexBuffer(flags, data); }
  HRESULT UnlockIndexBuffer() override { return m_mesh->UnlockIndexBuffer(); }
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override {
    return m_mesh->LockAttributeBuffer(flags, data);
  }
  HRESULT UnlockAttributeBuffer() override { return m_mesh->UnlockAttributeBuffer(); }
  DWORD GetNumBones() override { return static_cast<DWORD>(m_bones.size()); }

  HRESULT GetOriginalMesh(ID3DXMesh** mesh) override {
    if (!mesh) return D3DERR_INVALIDCALL;
    m_mesh->AddRef();
    *mesh = m_mesh;
    return D3D_OK;
  }

  HRESULT SetBoneInfluence(DWORD bone, DWORD count, const DWORD* vertices, const float* weights) override {
    if (bone >= m_bones.size() || (count && (!vertices || !weights))) return D3DERR_INVALIDCALL;
    const DWORD numVertices = GetNumVertices();
    for (DWORD i = 0; i < count; ++i)
      if (vertices[i] >= numVertices || !std::isfinite(weights[i])) return D3DERR_INVALIDCALL;
    Bone& b = m_bones[bone];
    b.vertices.assign(vertices, vertices + count);
    b.weights.assign(weights, weights + count);
    return D3D_OK;
  }

  DWORD GetNumBoneInfluences(DWORD bone) override {
    return bone < m_bones.size() ? static_cast<DWORD>(m_bones[bone].vertices.size()) : 0;
  }

  HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, float* weights) override {
    if (bone >= m_bones.size() || !vertices || !weights) return D3DERR_INVALIDCALL;
    const Bone& b = m_bones[bone];
    std::copy(b.vertices.begin(), b.vertices.end(), vertices);
    std::copy(b.weights.begin(), b.weights.end(), weights);
    return D3D_OK;
  }

  HRESULT GetMaxVertexInfluences(DWORD* count) override {
    if (!count) return D3DERR_INVALIDCALL;
    size_t most = 0;
    for (const auto& influences : VertexInfluences()) most = std::max(most, influences.size());
    *count = static_cast<DWORD>(most);
    return D3D_OK;
  }

  HRESULT GetMaxFaceInfluences(DWORD* count) override {
    if (!count) return D3DERR_INVALIDCALL;
    MeshData data;
    HRESULT hr = m_mesh->Read(&data);
    if (FAILED(hr)) return hr;
    const auto influences = VertexInfluences();
    size_t most = 0;
    for (DWORD f = 0; f < data.NumFaces(); ++f) most = std::max(most, FaceBones(data, influences, f).size());
    *count = static_cast<DWORD>(most);
    return D3D_OK;
  }

  HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                      DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                      ID3DXBuffer** boneCombinations, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                      ID3DXMesh** mesh) override;

  HRESULT GenerateSkinnedMesh(DWORD options, float, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                              DWORD* faceRemap, ID3DXBuffer** vertexRemap, ID3DXMesh** mesh) override {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    IDirect3DDevice8* device = nullptr;
    HRESULT hr = m_mesh->GetDevice(&device);
    if (FAILED(hr)) return hr;
    hr = m_mesh->CloneMeshFVF(options | (GetOptions() & D3DXMESH_32BIT), GetFVF(), device, mesh);
    device->Release();
    if (FAILED(hr)) return hr;
    const DWORD faces = GetNumFaces();
    if (adjacencyOut) {
      if (adjacencyIn)
        std::memmove(adjacencyOut, adjacencyIn, sizeof(DWORD) * 3 * faces);
      else
        hr = (*mesh)->GenerateAdjacency(0.0f, adjacencyOut);
    }
    if (faceRemap)
      for (DWORD f = 0; f < faces; ++f) faceRemap[f] = f;
    if (SUCCEEDED(hr) && vertexRemap) {
      std::vector<DWORD> identity(GetNumVertices());
      for (DWORD v = 0; v < identity.size(); ++v) identity[v] = v;
      hr = CopyToBuffer(identity.data(), identity.size() * sizeof(DWORD), vertexRemap);
    }
    if (FAILED(hr)) {
      (*mesh)->Release();
      *mesh = nullptr;
    }
    return hr;
  }

  HRESULT UpdateSkinnedMesh(const D3DXMATRIX* boneTransforms, const D3DXMATRIX* boneInverses,
                            ID3DXMesh* mesh) override;

 private:
  struct Bone {
    std::vector<DWORD> vertices;
    std::vector<float> weights;
  };

  ~CD3DXSkinMesh() override { m_mesh->Release(); }

  // The bones of non-zero weight on each vertex, heaviest first (ties by bone
  // number).
  std::vector<std::vector<Influence>> VertexInfluences() const {
    std::vector<std::vector<Influence>> out(m_mesh->GetNumVertices());
    for (DWORD b = 0; b < m_bones.size(); ++b)
      for (size_t i = 0; i < m_bones[b].vertices.size(); ++i)
        if (m_bones[b].weights[i] != 0.0f) out[m_bones[b].vertices[i]].push_back({b, m_bones[b].weights[i]});
    for (auto& influences : out)
      std::stable_sort(influences.begin(), influences.end(),
                       [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
    return out;
  }

  static std::set<DWORD> FaceBones(const MeshData& data, const std::vector<std::vector<Influence>>& influences,
                                   DWORD face, size_t perVertex = SIZE_MAX) {
    std::set<DWORD> bones;
    for (DWORD k = 0; k < 3; ++k) {
      const auto& list = influences[data.Corner(face, k)];
      for (size_t i = 0; i < std::min(perVertex, list.size()); ++i) bones.insert(list[i].bone);
    }
    return bones;
  }

  CD3DXMesh* m_mesh;
  std::vector<Bone> m_bones;
};

HRESULT CD3DXSkinMesh::ConvertToIndexedBlendedMesh(DWORD options, const DWORD*, DWORD paletteSize,
                                                   DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                                   ID3DXBuffer** boneCombinations, DWORD* faceRemap,
                                                   ID3DXBuffer** vertexRemap, ID3DXMesh** mesh) {
  if (!mesh || !numBoneCombinations || !boneCombinations || paletteSize == 0) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  *boneCombinations = nullptr;
  *numBoneCombinations = 0;
  if (vertexRemap) *vertexRemap = nullptr;
  try {
    MeshData source;
    HRESULT hr = m_mesh->Read(&source);
    if (FAILED(hr)) return hr;
    auto influences = VertexInfluences();
    size_t mostPerVertex = 1;
    for (auto& list : influences) {
      if (list.size() > kMaxBlendInfluences) {
        float all = 0.0f, kept = 0.0f;
        for (size_t i = 0; i < list.size(); ++i) (i < kMaxBlendInfluences ? kept : all) += list[i].weight;
        all += kept;
        list.resize(kMaxBlendInfluences);
        if (kept != 0.0f)
          for (auto& influence : list) influence.weight *= all / kept;
      }
      mostPerVertex = std::max(mostPerVertex, list.size());
    }

    // Faces into combinations: per attribute id in increasing order, each
    // face into the first combination of its attribute whose palette can
    // take its bones.
    const DWORD numFaces = source.NumFaces();
    std::vector<DWORD> order(numFaces);
    for (DWORD f = 0; f < numFaces; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(),
                     [&](DWORD a, DWORD b) { return source.attributes[a] < source.attributes[b]; });
    struct Combination {
      DWORD attribId;
      std::vector<DWORD> bones;  // palette slot → bone
      std::vector<DWORD> faces;
    };
    std::vector<Combination> combinations;
    size_t firstOfAttribute = 0;
    for (DWORD f : order) {
      const DWORD attribId = source.attributes[f];
      if (combinations.size() == firstOfAttribute || combinations.back().attribId != attribId)
        firstOfAttribute = combinations.size();
      const std::set<DWORD> bones = FaceBones(source, influences, f);
      if (bones.size() > paletteSize) return D3DXERR_TOOMANYINFLUENCES;
      Combination* home = nullptr;
      for (size_t c = firstOfAttribute; c < combinations.size() && !home; ++c) {
        size_t added = 0;
        for (DWORD b : bones)
          if (std::find(combinations[c].bones.begin(), combinations[c].bones.end(), b) ==
              combinations[c].bones.end())
            ++added;
        if (combinations[c].bones.size() + added <= paletteSize) home = &combinations[c];
      }
      if (!home) home = &combinations.emplace_back(Combination{attribId, {}, {}});
      for (DWORD b : bones)
        if (std::find(home->bones.begin(), home->bones.end(), b) == home->bones.end()) home->bones.push_back(b);
      // A face no bone moves still needs one bone for its vertices.
      if (home->bones.empty() && !m_bones.empty()) home->bones.push_back(0);
      home->faces.push_back(f);
    }

    // The new vertices: per combination a copy of each vertex it uses.
    const DWORD betas = static_cast<DWORD>(mostPerVertex);
    const DWORD fvf = (source.layout.fvf & ~static_cast<DWORD>(D3DFVF_POSITION_MASK | D3DFVF_LASTBETA_UBYTE4)) |
                      static_cast<DWORD>(D3DFVF_XYZB1 + 2 * (betas - 1)) | D3DFVF_LASTBETA_UBYTE4;
    MeshData blended;
    blended.layout = DecodeFvf(fvf);
    std::vector<DWORD> oldOfNew;
    std::vector<DWORD> oldOfNewFace;
    for (DWORD c = 0; c < combinations.size(); ++c) {
      const Combination& combination = combinations[c];
      std::map<DWORD, DWORD> newOfOld;
      for (DWORD f : combination.faces) {
        for (DWORD k = 0; k < 3; ++k) {
          const DWORD old = source.Corner(f, k);
          auto [at, added] = newOfOld.emplace(old, static_cast<DWORD>(oldOfNew.size()));
          if (added) oldOfNew.push_back(old);
          blended.indices.push_back(at->second);
        }
        blended.attributes.push_back(c);
        oldOfNewFace.push_back(f);
      }
    }
    blended.numVertices = static_cast<DWORD>(oldOfNew.size());
    blended.options = (options & ~static_cast<DWORD>(D3DXMESH_32BIT)) |
                      ((source.options & D3DXMESH_32BIT) || blended.numVertices > 0xFFFF ? D3DXMESH_32BIT : 0);
    blended.vertices.assign(static_cast<size_t>(blended.numVertices) * blended.layout.stride, 0);
    const FvfLayout& from = source.layout;
    const FvfLayout& to = blended.layout;
    std::vector<bool> done(blended.numVertices, false);
    for (DWORD face = 0; face < blended.NumFaces(); ++face) {
      const DWORD combination = blended.attributes[face];
      for (DWORD k = 0; k < 3; ++k) {
        const DWORD v = blended.Corner(face, k);
        if (done[v]) continue;
        done[v] = true;
        const DWORD old = oldOfNew[v];
        const BYTE* in = source.Vertex(old);
        BYTE* out = blended.Vertex(v);
        std::memcpy(out, in, 12);
        const UINT tail = from.stride - from.positionSize;
        std::memcpy(out + to.positionSize, in + from.positionSize, tail);
        const auto& palette = combinations[combination].bones;
        BYTE slots[4] = {0, 0, 0, 0};
        const auto& list = influences[old];
        for (size_t i = 0; i < list.size(); ++i)
          slots[i] = static_cast<BYTE>(std::find(palette.begin(), palette.end(), list[i].bone) - palette.begin());
        for (DWORD i = 0; i + 1 < betas; ++i) {
          const float w = i < list.size() ? list[i].weight : 0.0f;
          std::memcpy(out + 12 + 4 * i, &w, 4);
        }
        std::memcpy(out + 12 + 4 * (betas - 1), slots, 4);
      }
    }
    blended.table = BuildAttributeTable(blended);

    IDirect3DDevice8* device = nullptr;
    hr = m_mesh->GetDevice(&device);
    if (FAILED(hr)) return hr;
    CD3DXMesh* created = nullptr;
    hr = CD3DXMesh::Create(blended, device, &created);
    device->Release();
    if (FAILED(hr)) return hr;

    // The records, then each record's palette.
    const size_t records = combinations.size() * sizeof(D3DXBONECOMBINATION);
    ID3DXBuffer* buffer = nullptr;
    hr = D3DXCreateBuffer(static_cast<DWORD>(records + combinations.size() * paletteSize * sizeof(DWORD)), &buffer);
    if (SUCCEEDED(hr) && vertexRemap)
      hr = CopyToBuffer(oldOfNew.data(), oldOfNew.size() * sizeof(DWORD), vertexRemap);
    if (SUCCEEDED(hr) && adjacencyOut) hr = created->GenerateAdjacency(0.0f, adjacencyOut);
    if (FAILED(hr)) {
      if (buffer) buffer->Release();
      if (vertexRemap && *vertexRemap) (*vertexRemap)->Release(), *vertexRemap = nullptr;
      created->Release();
      return hr;
    }
    BYTE* bytes = static_cast<BYTE*>(buffer->GetBufferPointer());
    auto* table = reinterpret_cast<D3DXBONECOMBINATION*>(bytes);
    auto* ids = reinterpret_cast<DWORD*>(bytes + records);
    for (size_t c = 0; c < combinations.size(); ++c) {
      const D3DXATTRIBUTERANGE& range = blended.table[c];
      table[c] = {combinations[c].attribId, range.FaceStart, range.FaceCount, range.VertexStart, range.VertexCount,
                  ids + c * paletteSize};
      for (DWORD s = 0; s < paletteSize; ++s)
        table[c].BoneId[s] = s < combinations[c].bones.size() ? combinations[c].bones[s] : D3DX_UNUSED_BONE;
    }
    if (faceRemap) std::copy(oldOfNewFace.begin(), oldOfNewFace.end(), faceRemap);
    *numBoneCombinations = static_cast<DWORD>(combinations.size());
    *boneCombinations = buffer;
    *mesh = created;
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CD3DXSkinMesh::UpdateSkinnedMesh(const D3DXMATRIX* boneTransforms, const D3DXMATRIX* boneInverses,
                                         ID3DXMesh* mesh) {
  if (!boneTransforms || !mesh) return D3DERR_INVALIDCALL;
  const DWORD numVertices = GetNumVertices();
  if (mesh->GetNumVertices() != numVertices || mesh->GetFVF() != GetFVF()) return D3DERR_INVALIDCALL;
  const FvfLayout layout = DecodeFvf(GetFVF());
  BYTE* in = nullptr;
  HRESULT hr = m_mesh->LockVertexBuffer(D3DLOCK_READONLY, &in);
  if (FAILED(hr)) return hr;
  BYTE* out = nullptr;
  hr = mesh->LockVertexBuffer(0, &out);
  if (FAILED(hr)) {
    m_mesh->UnlockVertexBuffer();
    return hr;
  }
  std::vector<D3DXVECTOR3> positions(numVertices), normals(numVertices);
  std::vector<bool> moved(numVertices, false);
  for (DWORD b = 0; b < m_bones.size(); ++b) {
    const D3DXMATRIX& m = boneTransforms[b];
    D3DXMATRIX normalMatrix = m;
    if (boneInverses) D3DXMatrixTranspose(&normalMatrix, &boneInverses[b]);
    for (size_t i = 0; i < m_bones[b].vertices.size(); ++i) {
      const DWORD v = m_bones[b].vertices[i];
      const float w = m_bones[b].weights[i];
      const BYTE* vertex = in + static_cast<size_t>(v) * layout.stride;
      D3DXVECTOR3 p, n;
      std::memcpy(&p, vertex, 12);
      D3DXVECTOR3 q;
      D3DXVec3TransformCoord(&q, &p, &m);
      positions[v] += q * w;
      if (layout.HasNormal()) {
        std::memcpy(&n, vertex + layout.normal, 12);
        D3DXVec3TransformNormal(&q, &n, &normalMatrix);
        normals[v] += q * w;
      }
      moved[v] = true;
    }
  }
  for (DWORD v = 0; v < numVertices; ++v) {
    BYTE* target = out + static_cast<size_t>(v) * layout.stride;
    const BYTE* vertex = in + static_cast<size_t>(v) * layout.stride;
    if (target != vertex) std::memcpy(target, vertex, layout.stride);
    if (!moved[v]) continue;
    std::memcpy(target, &positions[v], 12);
    if (layout.HasNormal()) {
      D3DXVECTOR3 n;
      D3DXVec3Normalize(&n, &normals[v]);
      std::memcpy(target + layout.normal, &n, 12);
    }
  }
  mesh->UnlockVertexBuffer();
  m_mesh->UnlockVertexBuffer();
  return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateSkinMeshFVF(DWORD numFaces, DWORD numVertices, DWORD numBones, DWORD options, DWORD fvf,
                              IDirect3DDevice8* device, ID3DXSkinMesh** skinMesh) {
  if (!skinMesh) return D3DERR_INVALIDCALL;
  *skinMesh = nullptr;
  CD3DXMesh* mesh = nullptr;
  HRESULT hr = CD3DXMesh::Create(numFaces, numVertices, options, fvf, device, &mesh);
  if (FAILED(hr)) return hr;
  try {
    *skinMesh = new CD3DXSkinMesh(mesh, numBones);
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    mesh->Release();
    return E_OUTOFMEMORY;
  }
}
