// Skin data of a skinned Direct3D mesh kept in step with its indexed-blended
// mesh: the SkinWeights objects and the skin header read back from the
// blended vertices, the copy without blend weights that is saved, and the
// skin data handed over from another mesh.
#include <tracelog.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "objectlock.h"
#include "skinweights.h"

namespace {

// The format without blend values: the position alone, no packed indices.
DWORD NonBlendedFvf(DWORD fvf) {
  return (fvf & ~static_cast<DWORD>(D3DFVF_POSITION_MASK | D3DFVF_LASTBETA_UBYTE4)) | D3DFVF_XYZ;
}

// Palette slots of a combination: the bone of each of the 256 slots a byte
// can name; slots past the palette are bone 0.
constexpr size_t kSlots = 256;

// A vertex's influences read back: (bone, weight) per slot in use.
struct SBlendedWeight {
  WORD bone;
  float weight;
};

}  // namespace

void CopySkinWeightsAndBones(CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                             CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones,
                             CTypedPtrArray<CPtrArray, CSkinWeights*>& outWeights,
                             CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& outBones) {
  outWeights.RemoveAll();
  outWeights.SetSize(weights.GetSize());
  for (INT_PTR i = 0; i < weights.GetSize(); ++i) outWeights.SetAt(i, weights[i]);
  outBones.RemoveAll();
  outBones.InitHashTable(static_cast<UINT>(static_cast<float>(weights.GetSize()) * 1.2f) + 1, TRUE);
  for (POSITION pos = bones.GetStartPosition(); pos;) {
    WORD bone = 0;
    CSkinWeights* entry = nullptr;
    bones.GetNextAssoc(pos, bone, entry);
    outBones.SetAt(bone, entry);
  }
}

ID3DXBuffer* CopyBoneCombinations(DWORD count, const D3DXBONECOMBINATION* combinations, DWORD paletteSize) {
  ID3DXBuffer* buffer = nullptr;
  const size_t records = count * sizeof(D3DXBONECOMBINATION);
  if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(records + count * paletteSize * sizeof(DWORD)), &buffer)))
    throw "\nError: D3DXCreateBuffer() failed.";
  BYTE* bytes = static_cast<BYTE*>(buffer->GetBufferPointer());
  auto* table = reinterpret_cast<D3DXBONECOMBINATION*>(bytes);
  std::memcpy(table, combinations, records);
  DWORD* next = reinterpret_cast<DWORD*>(bytes + records);
  for (DWORD c = 0; c < count; ++c) {
    if (!combinations[c].BoneId) continue;
    table[c].BoneId = next;
    std::copy(combinations[c].BoneId, combinations[c].BoneId + paletteSize, next);
    next += paletteSize;
  }
  return buffer;
}

void CDXMesh::UpdateSkinWeights() {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
  DWORD tableSize = 0;
  if (FAILED(m_pMesh->GetAttributeTable(nullptr, &tableSize))) throw "\nError: GetAttributeTable() failed.";
  if (tableSize == 0) throw "\nError: Mesh with a zero size attributes table.";
  m_dwAttributeTableSize = tableSize;
  const FvfLayout layout = DecodeFvf(m_pMesh->GetFVF());
  const DWORD betas = layout.blendCount;
  if (m_SkinWeights.IsEmpty() || betas == 0) return;
  // A combination has the faces of its attribute; one whose faces all went
  // in a reduction has no range.
  if (m_dwAttributeTableSize > m_dwNumBoneCombinations)
    throw "\nError: Attribute table size not equal to num bone combinations.";
  const DWORD used = std::min<DWORD>(betas, 4);
  const D3DXBONECOMBINATION* combinations = GetBoneCombinations();
  if (!combinations) throw "\nError: No bone combinations.";

  // The weights are gathered per bone first, and the shared SkinWeights
  // objects rewritten only once every vertex was read.
  std::map<CSkinWeights*, std::vector<std::pair<DWORD, float>>> gathered;
  {
    BYTE* vertices = nullptr;
    if (FAILED(m_pMesh->LockVertexBuffer(0, &vertices))) throw "\nError: LockVertexBuffer() failed.";
    BYTE* indices = nullptr;
    if (FAILED(m_pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indices))) {
      m_pMesh->UnlockVertexBuffer();
      throw "\nError: LockIndexBuffer() failed.";
    }
    struct SUnlock {
      ID3DXMesh* mesh;
      ~SUnlock() {
        mesh->UnlockIndexBuffer();
        mesh->UnlockVertexBuffer();
      }
    } unlock{m_pMesh};
    const bool wide = (m_pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    auto corner = [&](size_t i) -> DWORD {
      return wide ? reinterpret_cast<const DWORD*>(indices)[i] : reinterpret_cast<const WORD*>(indices)[i];
    };
    // Each vertex is read once, with the palette of the first combination
    // whose faces use it.
    std::vector<bool> read(m_pMesh->GetNumVertices(), false);
    DWORD palette[kSlots];
    for (DWORD r = 0; r < m_dwAttributeTableSize; ++r) {
      const D3DXATTRIBUTERANGE& range = m_pAttributeTable[r];
      if (range.AttribId >= m_dwNumBoneCombinations)
        throw "\nError: Attribute table size not equal to num bone combinations.";
      std::fill(palette, palette + kSlots, 0u);
      const D3DXBONECOMBINATION& combination = combinations[range.AttribId];
      if (combination.BoneId) std::copy(combination.BoneId, combination.BoneId + m_dwPaletteSize, palette);
      for (size_t i = 3 * static_cast<size_t>(range.FaceStart); i < 3 * static_cast<size_t>(range.FaceStart + range.FaceCount); ++i) {
        const DWORD v = corner(i);
        if (v >= read.size() || read[v]) continue;
        read[v] = true;
        const BYTE* vertex = vertices + static_cast<size_t>(v) * layout.stride;
        float weights[4] = {1.0f, 0, 0, 0};
        if (betas >= 2) {
          float sum = 0.0f;
          for (DWORD p = 0; p + 1 < used; ++p) {
            std::memcpy(&weights[p], vertex + 12 + 4 * p, 4);
            sum += weights[p];
          }
          weights[used - 1] = 1.0f - sum;
        }
        BYTE slots[4];
        std::memcpy(slots, vertex + 12 + 4 * (betas - 1), 4);
        for (DWORD p = 0; p < used; ++p) {
          const DWORD id = palette[slots[p]];
          if (id == D3DX_UNUSED_BONE) continue;
          CSkinWeights* bone = nullptr;
          if (!m_BoneSkinWeights.Lookup(static_cast<WORD>(id), bone))
            throw "Error: Did not find the skin weights pointer for the bone index.";
          gathered[bone].push_back({v, weights[p]});
        }
      }
    }
  }
  for (INT_PTR i = 0; i < m_SkinWeights.GetSize(); ++i) {
    CSkinWeights* weights = m_SkinWeights[i];
    if (!weights) continue;
    weights->ResetWeights();
    auto found = gathered.find(weights);
    if (found != gathered.end())
      for (const auto& [vertex, weight] : found->second) weights->AddWeight(vertex, weight);
    weights->ResizeWeights();
  }
  UpdateSkinMeshHeader();
}

void CDXMesh::UpdateSkinMeshHeader() {
  CObjectLock lock(this, false);
  if (IsDeleted() || !m_pSkinMeshHeader) return;
  ID3DXSkinMesh* skin = nullptr;
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*> bones(10);
  struct SRelease {
    ID3DXSkinMesh*& skin;
    ~SRelease() { SafeRelease(&skin); }
  } release{skin};
  DWORD numBones = 0;
  CreateSkinMesh(m_pMesh, m_SkinWeights, &skin, bones, numBones);
  DWORD count = 0;
  if (FAILED(skin->GetMaxFaceInfluences(&count))) throw "Error: GetMaxFaceInfluences() failed.";
  m_pSkinMeshHeader->SetMaxSkinWeightsPerFace(static_cast<WORD>(count));
  if (FAILED(skin->GetMaxVertexInfluences(&count))) throw "Error: GetMaxVertexInfluences() failed.";
  m_pSkinMeshHeader->SetMaxSkinWeightsPerVertex(static_cast<WORD>(count));
  m_pSkinMeshHeader->SetNumBones(static_cast<WORD>(numBones));
}

void CDXMesh::CreateNonBlendedMesh(ID3DXMesh** out) {
  CObjectLock lock(this, false);
  CMeshBufferLock buffers(this);
  if (IsDeleted()) return;
  const DWORD fvf = NonBlendedFvf(m_pMesh->GetFVF()) & ~static_cast<DWORD>(0x8000);
  if (FAILED(m_pMesh->CloneMeshFVF(m_pMesh->GetOptions(), fvf, DXMeshDevice(), out))) throw "\nCloneMeshFVF() failed.";
  try {
    UpdateAttributeTable(*out);
  } catch (...) {
    SafeRelease(out);
    throw;
  }
}

void CDXMesh::CreateNonBlendedMesh(ID3DXMesh* mesh, ID3DXMesh** out) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  *out = nullptr;
  // The clone keeps the faces, attributes and vertex numbering.
  if (FAILED(mesh->CloneMeshFVF(mesh->GetOptions(), NonBlendedFvf(mesh->GetFVF()), DXMeshDevice(), out)))
    throw "\nCloneMeshFVF() failed.";
  try {
    UpdateAttributeTable(*out);
  } catch (...) {
    SafeRelease(out);
    throw;
  }
}

void CDXMesh::InitializeSkinMeshData(CSkinMeshHeader* header, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                                     CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones, DWORD numBones,
                                     bool software, DWORD numBoneCombinations, D3DXBONECOMBINATION* combinations,
                                     DWORD numBlendWeights, DWORD paletteSize, D3DXATTRIBUTERANGE*, DWORD,
                                     ID3DXMesh* blendedMesh) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  DestroySkinMeshData();
  if (weights.IsEmpty() || numBoneCombinations == 0) return;
  ID3DXMesh* nonBlended = nullptr;
  try {
    m_pSkinMeshHeader = header;
    CopySkinWeightsAndBones(weights, bones, m_SkinWeights, m_BoneSkinWeights);
    m_dwNumBones = numBones;
    m_bSoftwareSkinning = software;
    m_dwNumBoneCombinations = numBoneCombinations;
    m_pBoneCombinationBuffer = CopyBoneCombinations(numBoneCombinations, combinations, paletteSize);
    m_dwNumBlendWeights = numBlendWeights;
    m_dwPaletteSize = paletteSize;
    UpdateSkinWeights();
    CreateNonBlendedMesh(blendedMesh, &nonBlended);
    DWORD ignored = 0;
    CreateSkinMesh(nonBlended, m_SkinWeights, &m_pSkinMesh, m_SkinnedBoneSkinWeights, ignored);
    CreateSkinnedMesh(m_pSkinMesh, &m_pSkinnedMesh);
    const INT_PTR n = std::max<INT_PTR>(m_SkinnedBoneSkinWeights.GetCount(), 1);
    m_pBoneMatrices = new D3DXMATRIX[n];
    for (INT_PTR i = 0; i < n; ++i) D3DXMatrixIdentity(&m_pBoneMatrices[i]);
  } catch (...) {
    SafeRelease(&nonBlended);
    DestroySkinMeshData();
    throw;
  }
  SafeRelease(&nonBlended);
}
