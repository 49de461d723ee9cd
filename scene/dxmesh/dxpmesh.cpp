// CDXPMesh: content, generation from a CDXMesh, counts and the measures of
// the current level.
#include "dxpmesh.h"

#include <dx_mutex.h>
#include <dx_thread.h>
#include <reduction_options.h>
#include <vectorgeometry.h>
#include <vectortransforms.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "failureguard.h"
#include "objectlock.h"

namespace {

// A buffer of a mesh locked read-only for a scope.
struct SReadVertices {
  ID3DXBaseMesh* mesh;
  BYTE* data = nullptr;
  explicit SReadVertices(ID3DXBaseMesh* m) : mesh(m) {
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) throw "\nLockVertexBuffer() failed.";
  }
  ~SReadVertices() { mesh->UnlockVertexBuffer(); }
};
struct SReadIndices {
  ID3DXBaseMesh* mesh;
  BYTE* data = nullptr;
  explicit SReadIndices(ID3DXBaseMesh* m) : mesh(m) {
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) throw "\nLockIndexBuffer() failed.";
  }
  ~SReadIndices() { mesh->UnlockIndexBuffer(); }
};

std::vector<D3DXATTRIBUTERANGE> ReadTable(ID3DXBaseMesh* mesh, const char* zeroMessage) {
  DWORD size = 0;
  if (FAILED(mesh->GetAttributeTable(nullptr, &size))) throw "\nError: GetAttributeTable() failed.";
  if (size == 0) throw zeroMessage;
  std::vector<D3DXATTRIBUTERANGE> table(size);
  if (FAILED(mesh->GetAttributeTable(table.data(), &size))) throw "\nError: GetAttributeTable() failed.";
  table.resize(size);
  return table;
}

void WaitOrStop(CDXThread* thread) {
  if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Killing thread";
}

// The summed area of the faces of the table's ranges; faces with an index
// equal to skip or a side of length zero add nothing.
template <class Index>
float SurfaceArea(ID3DXBaseMesh* mesh, Index skip, CDXThread* thread) {
  const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
  SReadVertices vertices(mesh);
  SReadIndices indices(mesh);
  const std::vector<D3DXATTRIBUTERANGE> table = ReadTable(mesh, "\nError: Mesh with a zero size attributes table.");
  const Index* index = reinterpret_cast<const Index*>(indices.data);
  auto position = [&](Index i) {
    D3DXVECTOR3 p;
    std::memcpy(&p, vertices.data + static_cast<size_t>(i) * stride, sizeof(p));
    return p;
  };
  float total = 0;
  for (const D3DXATTRIBUTERANGE& range : table)
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      WaitOrStop(thread);
      const Index a = index[3 * f], b = index[3 * f + 1], c = index[3 * f + 2];
      if (a == skip || b == skip || c == skip) continue;
      const D3DXVECTOR3 p0 = position(a), p1 = position(b), p2 = position(c);
      D3DXVECTOR3 e0 = p1 - p0, e1 = p2 - p1, e2 = p0 - p2;
      const float s0 = D3DXVec3Length(&e0), s1 = D3DXVec3Length(&e1), s2 = D3DXVec3Length(&e2);
      if (s0 == 0 || s1 == 0 || s2 == 0) continue;
      float area = 0;
      if (ComputeTriangleArea(area, s0, s1, s2)) total += area;
    }
  return total;
}

}  // namespace

void CopyMaterialsAndTextures(DWORD count, const D3DXMATERIAL* materials, IDirect3DTexture8* const* textures,
                              D3DXMATERIAL*& outMaterials, IDirect3DTexture8**& outTextures) {
  outMaterials = nullptr;
  outTextures = nullptr;
  if (!count) return;
  outMaterials = new D3DXMATERIAL[count]();
  outTextures = new IDirect3DTexture8*[count]();
  for (DWORD i = 0; i < count; ++i) {
    outMaterials[i].MatD3D = materials[i].MatD3D;
    outMaterials[i].pTextureFilename = DuplicateString(materials[i].pTextureFilename);
    outTextures[i] = textures ? textures[i] : nullptr;
  }
}

CDXPMesh::CDXPMesh() : m_BoneSkinWeights(10) { ClearContent(); }

CDXPMesh::~CDXPMesh() {
  BeginTeardown();
  DestroyContent();
}

void CDXPMesh::ClearContent() {
  CBaseMesh::ClearContent();
  m_pPMesh = nullptr;
  m_dwNumMaterials = 0;
  m_pMaterials = nullptr;
  m_ppTextures = nullptr;
  m_dwAttributeTableSize = 0;
  m_pAttributeTable = nullptr;
  m_fOriginalSurfaceArea = 0;
  m_fOriginalBoundingBoxVolume = 0;
  m_pSkinMeshHeader = nullptr;
  m_bSoftwareSkinning = false;
  m_pBoneCombinationBuffer = nullptr;
  m_dwNumBoneCombinations = 0;
  m_dwNumBlendWeights = 0;
  m_dwPaletteSize = 0;
  m_dwNumBones = 0;
}

void CDXPMesh::DestroyDXPMeshContent() {
  delete[] m_pAttributeTable;
  m_pAttributeTable = nullptr;
  m_dwAttributeTableSize = 0;
  SafeRelease(&m_pPMesh);
  delete[] m_ppTextures;  // the textures belong to the texture manager
  m_ppTextures = nullptr;
  DestroyMaterialsArray(m_pMaterials, m_dwNumMaterials);
  m_dwNumMaterials = 0;
  m_MaterialObjects.RemoveAll();
  DestroySkinMeshData();
}

void CDXPMesh::DestroyContent() {
  DestroyDXPMeshContent();
  CBaseMesh::DestroyContent(IsMainThread());
  ClearContent();
}

void CDXPMesh::DeleteContent(bool tryLock) {
  if (tryLock) {
    if (!Trylock()) throw "Info: Cannot lock the dx file object.";
  } else {
    Lock();
  }
  try {
    if (!IsDeleted()) {
      DestroyDXPMeshContent();
      CBaseMesh::DeleteContent(tryLock);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void CDXPMesh::DeleteContentTL() {
  const bool held = Trylock();
  try {
    if (!IsDeleted()) {
      if (!held) throw "\nInfo: Cannot lock the dx file object.";
      DestroyDXPMeshContent();
      CBaseMesh::DeleteContentTL();
    }
  } catch (...) {
    if (held) Unlock();
    throw;
  }
  if (held) Unlock();
}

void CDXPMesh::CopyParts(DWORD numMaterials, D3DXMATERIAL* materials, IDirect3DTexture8** textures, CGBox* box,
                         CGSphere* sphere, char* name) {
  DestroyContent();
  if (!CBaseMesh::Initialize(name ? name : const_cast<char*>(""))) throw "Error: CBaseMesh::Initialize() failed.";
  CopyMaterialsAndTextures(numMaterials, materials, textures, m_pMaterials, m_ppTextures);
  m_dwNumMaterials = numMaterials;
  if (box) GetBoundingBox()->Initialize(box->GetMinFS(), box->GetMaxFS(), false);
  if (sphere) GetBoundingSphere()->Initialize(sphere->GetRadiusFS(), sphere->GetCenterFS());
  const D3DXVECTOR3 size = *GetBoundingBox()->GetMaxFS() - *GetBoundingBox()->GetMinFS();
  m_fOriginalBoundingBoxVolume = std::fabs(size.x) * std::fabs(size.y) * std::fabs(size.z);
}

void CDXPMesh::Generate(ID3DXMesh* mesh, DWORD* adjacency, REDUCTIONOPTIONS* options, CDXThread* thread) {
  D3DXATTRIBUTEWEIGHTS weights{};
  DWORD simplification = D3DXMESHSIMP_FACE;
  if (options) {
    weights.Position = options->pmeshPositionWeight;
    weights.Boundary = options->pmeshBoundaryWeight;
    weights.Normal = options->pmeshNormalWeight;
    weights.Diffuse = options->pmeshDiffuseWeight;
    weights.Specular = options->pmeshSpecularWeight;
    for (float& tex : weights.Tex) tex = options->pmeshTextureWeight;
    if (options->pmeshByVertices) simplification = D3DXMESHSIMP_VERTEX;
  }
  if (!mesh || FAILED(D3DXGeneratePMesh(mesh, adjacency, options ? &weights : nullptr, nullptr, 1, simplification,
                                        &m_pPMesh)))
    throw "Error: D3DXGeneratePMesh() failed.";
  const std::vector<D3DXATTRIBUTERANGE> table =
      ReadTable(m_pPMesh, "\nError: PMesh with a zero size attributes table.");
  m_pAttributeTable = new D3DXATTRIBUTERANGE[table.size()];
  std::copy(table.begin(), table.end(), m_pAttributeTable);
  m_dwAttributeTableSize = static_cast<DWORD>(table.size());
  m_pPMesh->SetNumFaces(m_pPMesh->GetMaxFaces());
  ComputeSurfaceArea(m_fOriginalSurfaceArea, thread, false);
}

bool CDXPMesh::Initialize(CDXMesh* source, CFrame*, char* name, IDirect3DDevice8* device,
                          REDUCTIONOPTIONS* options, CDXThread* thread) {
  CObjectLock self(this, false);
  if (IsDeleted()) return true;
  CObjectLock from(source, false);
  if (source->IsDeleted()) return true;
  const bool ok = GuardedCall([&] {
    CMeshBufferLock buffers(source);
    CopyParts(source->GetMaterialsCount(), source->GetMaterials(), source->GetTextures(), source->GetBoundingBox(),
              source->GetBoundingSphere(), name);
    if (!source->MyCleanMesh(device)) throw "Error: MyCleanMesh() failed.";
    // A skinned mesh's stored box follows its pose; the volume is measured
    // on its vertices instead.
    if (source->IsSkinned()) {
      D3DXVECTOR3 min, max, corners[8];
      if (!ComputeBoundingBoxD3DMesh(source->GetMesh(), &min, &max, corners))
        throw "\nError: ComputeBoundingBoxD3DMesh() failed ";
      m_fOriginalBoundingBoxVolume = std::fabs(max.x - min.x) * std::fabs(max.y - min.y) * std::fabs(max.z - min.z);
    }
    Generate(source->GetMesh(), source->GetAdjacency(), options, thread);
    if (source->IsSkinned()) {
      CTypedPtrArray<CPtrArray, CSkinWeights*> weights;
      weights.SetSize(source->GetSkinWeightsCount());
      for (DWORD i = 0; i < source->GetSkinWeightsCount(); ++i) weights.SetAt(i, source->GetSkinWeights(i));
      InitializeSkinMeshData(source->GetSkinMeshHeader(), weights, source->GetBoneSkinWeights(), source->GetNumBones(),
                             source->IsSoftwareSkinning(), source->GetNumBoneCombinations(),
                             source->GetBoneCombinations(), source->GetNumBlendWeights(), source->GetPaletteSize());
    }
    m_MaterialObjects.RemoveAll();
    m_MaterialObjects.SetSize(source->GetMaterialObjectsCount());
    for (DWORD i = 0; i < source->GetMaterialObjectsCount(); ++i) m_MaterialObjects.SetAt(i, source->GetMaterialObject(i));
    m_MaterialObjects.FreeExtra();
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pPMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pPMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  if (!ok) DestroyContent();
  return ok;
}

bool CDXPMesh::Initialize(ID3DXMesh* mesh, DWORD* adjacency, DWORD numMaterials, D3DXMATERIAL* materials,
                          IDirect3DTexture8** textures, CGBox* box, CGSphere* sphere, CFrame*, char* name,
                          IDirect3DDevice8*, REDUCTIONOPTIONS* options, CDXThread* thread) {
  const bool ok = GuardedCall([&] {
    CopyParts(numMaterials, materials, textures, box, sphere, name);
    Generate(mesh, adjacency, options, thread);
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pPMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pPMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  if (!ok) DestroyContent();
  return ok;
}

bool CDXPMesh::InitializeClone(CDXMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                               CDXThread* thread) {
  return GuardedCall([&] {
    if (!target->Initialize(m_pPMesh, m_dwNumMaterials, m_pMaterials, m_ppTextures, GetBoundingBox(),
                            GetBoundingSphere(), frame, GetName(), device, options, thread))
      throw "Error: CDXMesh::Initialize() failed.";
    // The copy keeps the skin, its weights read from its own blended
    // vertices, as the conversion back to a Direct3D mesh does.
    if (IsSkinned())
      target->InitializeSkinMeshData(m_pSkinMeshHeader, m_SkinWeights, m_BoneSkinWeights, m_dwNumBones,
                                     m_bSoftwareSkinning, m_dwNumBoneCombinations, GetBoneCombinations(),
                                     m_dwNumBlendWeights, m_dwPaletteSize, target->GetAttributeTable(),
                                     target->GetAttributeTableSize(), target->GetMesh());
  });
}

bool CDXPMesh::ComputeSurfaceArea(float& area, CDXThread* thread, bool tryLock) {
  area = 0;
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pPMesh) return true;
  if (m_pPMesh->GetOptions() & D3DXMESH_32BIT) return ComputeSurfaceArea32(area, thread);
  CMeshBufferLock buffers(this, tryLock);
  area = SurfaceArea<WORD>(m_pPMesh, 0xFFFF, thread);
  return true;
}

bool CDXPMesh::ComputeSurfaceArea32(float& area, CDXThread* thread) {
  area = 0;
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted() || !m_pPMesh) return;
    CMeshBufferLock buffers(this);
    area = SurfaceArea<DWORD>(m_pPMesh, 0xFFFFFFFF, thread);
  });
}

bool CDXPMesh::ComputeBoundingBoxVolume(float& volume, CDXThread* thread, bool tryLock) {
  volume = 0;
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pPMesh) return true;
  CMeshBufferLock buffers(this, tryLock);
  const DWORD n = m_pPMesh->GetNumVertices(), fvf = m_pPMesh->GetFVF();
  const UINT stride = D3DXGetFVFVertexSize(fvf);
  std::vector<BYTE> copy(static_cast<size_t>(n) * stride);
  const std::vector<D3DXATTRIBUTERANGE> table =
      ReadTable(m_pPMesh, "\nError: Mesh with a zero size attributes table.");
  SReadVertices vertices(m_pPMesh);
  // The ranges may share vertices: the copy stops at the vertex count and
  // never reads past the buffer.
  DWORD filled = 0;
  const DWORD all = m_pPMesh->GetMaxVertices();
  for (const D3DXATTRIBUTERANGE& range : table) {
    WaitOrStop(thread);
    if (range.VertexStart >= all) continue;
    const DWORD take = std::min({range.VertexCount, n - filled, all - range.VertexStart});
    std::memcpy(copy.data() + static_cast<size_t>(filled) * stride,
                vertices.data + static_cast<size_t>(range.VertexStart) * stride, static_cast<size_t>(take) * stride);
    filled += take;
  }
  if (filled == 0) return true;
  D3DXVECTOR3 min, max;
  if (FAILED(D3DXComputeBoundingBox(copy.data(), filled, fvf, &min, &max))) throw "\nD3DXComputeBoundingBox() failed.";
  volume = std::fabs(max.x - min.x) * std::fabs(max.y - min.y) * std::fabs(max.z - min.z);
  return true;
}

bool CDXPMesh::ComputeVolumeRatio2(float& ratio, CDXThread* thread) {
  ratio = 0;
  return GuardedCall([&] {
    float volume = 0;
    ComputeBoundingBoxVolume(volume, thread, false);
    const D3DXVECTOR3 size = *GetBoundingBox()->GetMaxFS() - *GetBoundingBox()->GetMinFS();
    const float box = size.x * size.y * size.z;
    ratio = box != 0 ? volume / box : 0;
  });
}

DWORD CDXPMesh::GetMaxFaces(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pPMesh ? 0 : m_pPMesh->GetMaxFaces();
}

DWORD CDXPMesh::GetMaxVertices(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pPMesh ? 0 : m_pPMesh->GetMaxVertices();
}

DWORD CDXPMesh::GetNumFaces(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pPMesh ? 0 : m_pPMesh->GetNumFaces();
}

DWORD CDXPMesh::GetNumVertices(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pPMesh ? 0 : m_pPMesh->GetNumVertices();
}

void CDXPMesh::UpdateAttributeTable(ID3DXMesh* mesh) {
  std::vector<DWORD> adjacency(3 * static_cast<size_t>(mesh->GetNumFaces()));
  if (FAILED(mesh->GenerateAdjacency(0.0f, adjacency.data()))) throw "\nError: GenerateAdjacency() failed.";
  if (FAILED(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, adjacency.data(), adjacency.data(),
                                   nullptr, nullptr)))
    throw "\nOptimizeInplace() failed";
  DWORD size = 0;
  if (FAILED(mesh->GetAttributeTable(nullptr, &size))) throw "\nError: GetAttributeTable() failed.";
  if (size == 0) throw "\nError: Mesh with a zero size attributes table.";
}
