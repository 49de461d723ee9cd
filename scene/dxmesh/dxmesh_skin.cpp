// Skinned Direct3D meshes: binding the SkinWeights children to their bone
// frames, the skin mesh and the indexed-blended mesh made from them, the
// CPU-posed copy that gives the bounds in the current pose, and their release.
#include <tracelog.h>
#include <vectortransforms.h>

#include <algorithm>
#include <array>
#include <map>
#include <cstring>
#include <memory>
#include <vector>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "frame.h"
#include "objectlock.h"
#include "skinweights.h"

namespace {

// Most bones the palette is ever sized for per face.
constexpr DWORD kMaxFaceInfluences = 12;
// Most matrices of a software palette.
constexpr DWORD kMaxSoftwarePalette = 256;

// Empties a bone map and sizes its table for about n entries.
void ResetBoneMap(CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& map, INT_PTR n) {
  map.RemoveAll();
  map.InitHashTable(static_cast<UINT>(static_cast<float>(n) * 1.2f), TRUE);
}

void CopyBoneMap(const CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& from,
                 CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& to) {
  ResetBoneMap(to, from.GetCount());
  for (POSITION pos = from.GetStartPosition(); pos;) {
    WORD bone = 0;
    CSkinWeights* weights = nullptr;
    from.GetNextAssoc(pos, bone, weights);
    to.SetAt(bone, weights);
  }
}

// The three buffers of a mesh or skin mesh locked together, unlocked on every
// way out.
template <class Mesh>
class CLockedBuffers {
 public:
  explicit CLockedBuffers(Mesh* mesh) : m_mesh(mesh) {
    if (FAILED(mesh->LockVertexBuffer(0, &vertices))) throw "\nError: LockVertexBuffer() failed.";
    m_locked = 1;
    if (FAILED(mesh->LockIndexBuffer(0, &indices))) throw "\nError: LockIndexBuffer() failed.";
    m_locked = 2;
    if (FAILED(mesh->LockAttributeBuffer(0, &attributes))) throw "\nError: LockAttributeBuffer() failed.";
    m_locked = 3;
  }
  ~CLockedBuffers() {
    if (m_locked > 2) m_mesh->UnlockAttributeBuffer();
    if (m_locked > 1) m_mesh->UnlockIndexBuffer();
    if (m_locked > 0) m_mesh->UnlockVertexBuffer();
  }
  CLockedBuffers(const CLockedBuffers&) = delete;
  CLockedBuffers& operator=(const CLockedBuffers&) = delete;

  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  DWORD* attributes = nullptr;

 private:
  Mesh* m_mesh;
  int m_locked = 0;
};

// The loader gives a file vertex named with several normals (or texture
// seams) copies past the file's vertices, which no skin weight names: a
// vertex that no bone moves takes the bones of the first named vertex at
// the same place, so that the surface does not tear when the bones move.
void FollowSameVertices(ID3DXMesh* mesh, std::vector<std::vector<DWORD>>& boneVertices,
                        std::vector<std::vector<float>>& boneWeights) {
  const DWORD count = mesh->GetNumVertices();
  std::vector<bool> named(count, false);
  for (const auto& vertices : boneVertices)
    for (DWORD v : vertices)
      if (v < count) named[v] = true;
  if (std::all_of(named.begin(), named.end(), [](bool b) { return b; })) return;
  BYTE* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) throw "\nError: LockVertexBuffer() failed.";
  const UINT stride = DecodeFvf(mesh->GetFVF()).stride;
  auto position = [&](DWORD v) {
    std::array<float, 3> p;
    std::memcpy(p.data(), data + static_cast<size_t>(v) * stride, 12);
    return p;
  };
  std::map<std::array<float, 3>, DWORD> firstNamedAt;
  for (DWORD v = 0; v < count; ++v)
    if (named[v]) firstNamedAt.try_emplace(position(v), v);
  std::multimap<DWORD, DWORD> followers;
  for (DWORD v = 0; v < count; ++v) {
    if (named[v]) continue;
    auto found = firstNamedAt.find(position(v));
    if (found != firstNamedAt.end()) followers.emplace(found->second, v);
  }
  mesh->UnlockVertexBuffer();
  for (size_t b = 0; b < boneVertices.size(); ++b) {
    const size_t n = boneVertices[b].size();
    for (size_t i = 0; i < n; ++i) {
      auto [first, last] = followers.equal_range(boneVertices[b][i]);
      for (auto it = first; it != last; ++it) {
        boneVertices[b].push_back(it->second);
        boneWeights[b].push_back(boneWeights[b][i]);
      }
    }
  }
}

}  // namespace

void CDXMesh::ClearSkinContent() {
  m_bSoftwareSkinning = false;
  m_pBoneCombinationBuffer = nullptr;
  m_dwNumBoneCombinations = 0;
  m_dwNumBlendWeights = 0;
  m_dwPaletteSize = 0;
  m_pSkinMesh = nullptr;
  m_dwNumBones = 0;
  m_pBoneMatrices = nullptr;
  m_pSkinnedMesh = nullptr;
}

void CDXMesh::DestroySkinContent() {
  DestroySkinMeshData();
  m_BoneSkinWeights.RemoveAll();
  ClearSkinContent();
}

void CDXMesh::DestroySkinMeshData() {
  SafeRelease(&m_pBoneCombinationBuffer);
  m_SkinWeights.RemoveAll();
  SafeRelease(&m_pSkinMesh);
  m_SkinnedBoneSkinWeights.RemoveAll();
  delete[] m_pBoneMatrices;
  m_pBoneMatrices = nullptr;
  SafeRelease(&m_pSkinnedMesh);
}

// ---------------------------------------------------------------------------
// Binding

void CDXMesh::SetSkinWeightsBoneTransform(CMapStringToPtr* frames) {
  CObjectLock lock(this, false);
  if (IsDeleted() || m_SkinWeights.IsEmpty() || !frames) return;
  for (INT_PTR i = 0; i < m_SkinWeights.GetSize(); ++i) {
    CSkinWeights* weights = m_SkinWeights[i];
    if (!weights) continue;
    CObjectLock weightsLock(weights, false);
    if (weights->IsDeleted()) continue;
    void* found = nullptr;
    if (!frames->Lookup(weights->GetTransformNodeName(), found) || !found) continue;
    auto* frame = static_cast<CFrame*>(found);
    CObjectLock frameLock(frame, false);
    weights->SetInternalMembers(frame, this, frame->GetWorldTransform());
  }
}

// ---------------------------------------------------------------------------
// The skin mesh and the blended mesh

void CDXMesh::CreateSkinMesh(ID3DXSkinMesh** out) {
  CObjectLock lock(this, false);
  CMeshBufferLock buffers(this);
  if (IsDeleted()) return;
  CreateSkinMesh(m_pMesh, m_SkinWeights, out, m_BoneSkinWeights, m_dwNumBones);
}

void CDXMesh::CreateSkinMesh(ID3DXMesh* mesh, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                             ID3DXSkinMesh** out, CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& map,
                             DWORD& numBones) {
  *out = nullptr;
  numBones = 0;
  CObjectLock lock(this, false);
  ResetBoneMap(map, weights.GetSize());
  if (IsDeleted()) return;
  if (!mesh) throw "\nError: No mesh.";
  const DWORD fvf = mesh->GetFVF();
  const DWORD options = mesh->GetOptions();
  const DWORD faces = mesh->GetNumFaces();
  const DWORD vertices = mesh->GetNumVertices();
  DWORD bones = 0;
  for (INT_PTR i = 0; i < weights.GetSize(); ++i)
    if (weights[i] && weights[i]->GetWeightsCount()) ++bones;
  if (FAILED(D3DXCreateSkinMeshFVF(faces, vertices, bones, options, fvf, DXMeshDevice(), out)))
    throw "Error: D3DXCreateSkinMeshFVF() failed.";
  {
    CLockedBuffers<ID3DXMesh> from(mesh);
    CLockedBuffers<ID3DXSkinMesh> to(*out);
    const size_t indexBytes = static_cast<size_t>(faces) * ((options & D3DXMESH_32BIT) ? 12 : 6);
    std::memcpy(to.indices, from.indices, indexBytes);
    std::memcpy(to.attributes, from.attributes, static_cast<size_t>(faces) * 4);
    std::memcpy(to.vertices, from.vertices, static_cast<size_t>(vertices) * DecodeFvf(fvf).stride);
  }
  std::vector<std::vector<DWORD>> boneVertices;
  std::vector<std::vector<float>> boneWeights;
  for (INT_PTR i = 0; i < weights.GetSize(); ++i) {
    CSkinWeights* entry = weights[i];
    if (!entry || !entry->GetWeightsCount()) continue;
    boneVertices.emplace_back(entry->GetVertexIndices(), entry->GetVertexIndices() + entry->GetWeightsCount());
    boneWeights.emplace_back(entry->GetWeights(), entry->GetWeights() + entry->GetWeightsCount());
    map.SetAt(static_cast<WORD>(boneVertices.size() - 1), entry);
  }
  FollowSameVertices(mesh, boneVertices, boneWeights);
  for (WORD bone = 0; bone < boneVertices.size(); ++bone)
    if (FAILED((*out)->SetBoneInfluence(bone, static_cast<DWORD>(boneVertices[bone].size()),
                                        boneVertices[bone].data(), boneWeights[bone].data())))
      throw "\nError: SetBoneInfluence() failed.";
  numBones = bones;
}

void CDXMesh::CreateIBlendedMesh(ID3DXSkinMesh* skin, ID3DXMesh** out, DWORD* numBoneCombinations,
                                 ID3DXBuffer** boneCombinations, DWORD& numBlendWeights, DWORD& paletteSize,
                                 bool& software) {
  *out = nullptr;
  *numBoneCombinations = 0;
  *boneCombinations = nullptr;
  numBlendWeights = 0;
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  try {
    DWORD maxFace = 0;
    if (FAILED(skin->GetMaxFaceInfluences(&maxFace))) throw "Error: GetMaxFaceInfluences() failed.";
    maxFace = std::min(maxFace, kMaxFaceInfluences);
    D3DCAPS8 caps{};
    DXMeshDevice()->GetDeviceCaps(&caps);
    const DWORD maxIndex = caps.MaxVertexBlendMatrixIndex;
    const DWORD numBones = skin->GetNumBones();
    if (maxIndex + 1 < maxFace) {
      paletteSize = std::min(numBones, kMaxSoftwarePalette);
      software = true;
    } else {
      paletteSize = std::min(maxIndex + 1, numBones);
      software = false;
    }
    // A mesh without bones still draws through one slot.
    paletteSize = std::max<DWORD>(paletteSize, 1);
    if (FAILED(skin->ConvertToIndexedBlendedMesh(D3DXMESH_SYSTEMMEM, m_pAdjacency, paletteSize, nullptr,
                                                 numBoneCombinations, boneCombinations, nullptr, nullptr, out)))
      throw "Error: ConvertToIndexedBlendedMesh() failed.";
    UpdateAttributeTable(*out);
    numBlendWeights = DecodeFvf((*out)->GetFVF()).blendCount;
  } catch (...) {
    SafeRelease(out);
    SafeRelease(boneCombinations);
    throw;
  }
}

void CDXMesh::CreateSkinnedMesh(ID3DXSkinMesh* skin, ID3DXMesh** out) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  *out = nullptr;
  ID3DXMesh* base = nullptr;
  try {
    if (FAILED(skin->GetOriginalMesh(&base))) throw "Error: GetOriginalMesh() failed.";
    std::vector<DWORD> adjacency(3 * static_cast<size_t>(base->GetNumFaces()));
    if (FAILED(base->GenerateAdjacency(0.0f, adjacency.data()))) throw "\nError: GenerateAdjacency() failed.";
    if (FAILED(skin->GenerateSkinnedMesh(D3DXMESH_SYSTEMMEM, 0.0f, adjacency.data(), adjacency.data(), nullptr,
                                         nullptr, out)))
      throw "Error: GenerateSkinnedMesh() failed.";
    // Faces only: the posed copy keeps the skin mesh's vertex numbering.
    if (FAILED((*out)->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), adjacency.data(), nullptr, nullptr)))
      throw "\nOptimizeInplace() failed";
  } catch (...) {
    SafeRelease(&base);
    SafeRelease(out);
    throw;
  }
  SafeRelease(&base);
}

void CDXMesh::ReplaceWithIBlendedMesh() {
  CObjectLock lock(this, false);
  CMeshBufferLock buffers(this);
  if (IsDeleted()) return;
  ID3DXSkinMesh* skin = nullptr;
  ID3DXMesh* blended = nullptr;
  try {
    CreateSkinMesh(&skin);
    CopyBoneMap(m_BoneSkinWeights, m_SkinnedBoneSkinWeights);
    SafeRelease(&m_pSkinMesh);
    m_pSkinMesh = skin;
    skin = nullptr;
    m_dwNumBoneCombinations = 0;
    SafeRelease(&m_pBoneCombinationBuffer);
    m_dwNumBlendWeights = 0;
    m_dwPaletteSize = 0;
    m_bSoftwareSkinning = false;
    CreateIBlendedMesh(m_pSkinMesh, &blended, &m_dwNumBoneCombinations, &m_pBoneCombinationBuffer,
                       m_dwNumBlendWeights, m_dwPaletteSize, m_bSoftwareSkinning);
    SafeRelease(&m_pMesh);
    m_pMesh = blended;
    blended = nullptr;
    delete[] m_pBoneMatrices;
    m_pBoneMatrices = nullptr;
    m_pBoneMatrices = new D3DXMATRIX[std::max<INT_PTR>(m_SkinWeights.GetSize(), 1)];
    for (INT_PTR i = 0; i < m_SkinWeights.GetSize(); ++i) D3DXMatrixIdentity(&m_pBoneMatrices[i]);
    SafeRelease(&m_pSkinnedMesh);
    CreateSkinnedMesh(m_pSkinMesh, &m_pSkinnedMesh);
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
  } catch (...) {
    SafeRelease(&skin);
    SafeRelease(&blended);
    throw;
  }
}

// ---------------------------------------------------------------------------
// Bounds

void CDXMesh::ComputeSkinnedMeshBoundingObjects(CFrame* frame, D3DXMATRIX* world, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !frame) return;
  CObjectLock frameLock(frame, tryLock);
  if (frame->IsDeleted()) return;
  const bool buffersHeld = LockMeshBuffers(tryLock);
  if (!buffersHeld) throw "Info: Cannot lock the mesh buffer mutex.";
  struct SUnlock {
    CBaseMesh* mesh;
    ~SUnlock() { mesh->UnlockMeshBuffers(); }
  } unlockBuffers{this};
  if (!m_pSkinMesh || !m_pSkinnedMesh || !m_pBoneMatrices || !GetBoundingBox()) return;
  const INT_PTR n = m_SkinnedBoneSkinWeights.GetCount();
  std::vector<D3DXMATRIX> inverses(static_cast<size_t>(n));
  bool inverseFailed = false;
  for (INT_PTR i = 0; i < n; ++i) {
    CSkinWeights* weights = nullptr;
    if (!m_SkinnedBoneSkinWeights.Lookup(static_cast<WORD>(i), weights))
      throw "Error: Did not find the skin weights pointer for the bone index.";
    D3DXMatrixIdentity(&inverses[static_cast<size_t>(i)]);
    if (!weights) continue;
    CObjectLock weightsLock(weights, tryLock);
    if (weights->IsDeleted()) continue;
    D3DXMATRIX& bone = m_pBoneMatrices[i];
    CFrame* boneFrame = weights->GetBoneFrame();
    // An unbound bone keeps its offset alone.
    if (!boneFrame) {
      bone = *weights->GetMatOffset();
    } else {
      CObjectLock boneLock(boneFrame, tryLock);
      if (boneFrame->IsDeleted()) continue;
      D3DXMatrixMultiply(&bone, weights->GetMatOffset(), boneFrame->GetWorldTransform());
    }
    if (!D3DXMatrixInverse(&inverses[static_cast<size_t>(i)], nullptr, &bone)) inverseFailed = true;
  }
  if (FAILED(m_pSkinMesh->UpdateSkinnedMesh(m_pBoneMatrices, inverseFailed ? nullptr : inverses.data(),
                                            m_pSkinnedMesh)))
    throw "Error: UpdateSkinnedMesh() failed.";
  D3DXVECTOR3 min, max, corners[8];
  ComputeBoundingBoxD3DMesh2(m_pSkinnedMesh, &min, &max, corners);
  GetBoundingBox()->Initialize(&min, &max, corners, tryLock);
  D3DXMATRIX w = world ? *world : *frame->GetWorldTransform();
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &w)) D3DXMatrixIdentity(&inverse);
  GetBoundingBox()->TransformCoord(&inverse, tryLock);
  GetBoundingBox()->ComputeBoundingSphere(GetBoundingSphere(), tryLock);
}

void CDXMesh::ResizeIBlendedMeshBoundingBox() {
  if (m_SkinWeights.IsEmpty()) return;
  CGBox merged;
  merged.InitializeZeroSize(false);
  for (INT_PTR i = 0; i < m_SkinWeights.GetSize(); ++i) {
    CSkinWeights* weights = m_SkinWeights[i];
    if (!weights || !weights->GetBoneBoundingBox() || weights->GetBoneBoundingBox()->IsZeroSizeBox()) continue;
    CGBox copy = *weights->GetBoneBoundingBox();
    D3DXMATRIX bone = *weights->GetMatOffset();
    if (weights->GetBoneWorldTransform()) D3DXMatrixMultiply(&bone, &bone, weights->GetBoneWorldTransform());
    copy.TransformCoord(&bone, false);
    merged.Merge(&copy, false);
  }
  CGSphere sphere;
  merged.ComputeBoundingSphere(&sphere, false);
  SetBoundingObjects(merged, sphere);
}
