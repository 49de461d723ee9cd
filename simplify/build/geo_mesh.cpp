#include "geo_mesh.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "dx_thread.h"
#include "qorcommon.h"
#include "reduction_options.h"

CGeoMesh::CGeoMesh() { ClearContent(); }

CGeoMesh::~CGeoMesh() { DestroyGeoContent(); }

void CGeoMesh::ClearContent() {
  m_dwMaterialsCount = 0;
  m_pGeoMeshTriangles = nullptr;
  m_dwUnlitVerticesCount = 0;
  m_pUnlitVB = nullptr;
  SetReadyForRendering(false);
  m_pParentFrame = nullptr;
  m_bReadyForRenderingRM = false;
  m_pHandlesVB = nullptr;
  m_dwHandlesVerticesCount = 0;
  m_pActiveHandlesIB = nullptr;
  m_dwActiveHandlesIndicesCount = 0;
  m_bVerticesHandlesCreated = false;
  m_pRemovedHandlesIB = nullptr;
  m_dwRemovedHandlesIndicesCount = 0;
  m_pMidPointHandlesVB = nullptr;
  m_dwMidPointHandlesVerticesCount = 0;
  m_pMidPointHandlesIB = nullptr;
  m_dwMidPointHandlesIndicesCount = 0;
  m_bMaterialList = true;
  m_bTextureCoords = false;
  m_pDevice = nullptr;
  m_bCoincidentVerticesMapped = false;
  m_bShown = true;
}

void CGeoMesh::DestroyGeoContent() {
  DestroyHandles();
  DestroyVertices();
  delete[] m_pGeoMeshTriangles;
  m_pGeoMeshTriangles = nullptr;
  m_GeoVertexArray.DestroyContent();  // its vertices point into the groups just freed
  m_CoincidentVertices.clear();
  m_bCoincidentVerticesMapped = false;
  m_strMaterialListName = m_strNormalsName = m_strTextureCoordsName = "";
}

bool CGeoMesh::DestroyContent() {
  DestroyGeoContent();
  const bool destroyed = CBaseMesh::DestroyContent(false);
  ClearContent();
  return destroyed;
}

bool CGeoMesh::InitializeBase(char* name) {
  if (!CBaseMesh::Initialize(name)) return false;
  SetInitialized(false);
  return true;
}

void CGeoMesh::DestroyVertices() { SafeRelease(&m_pUnlitVB); }

bool CGeoMesh::Initialize2(DWORD nVertices, IDirect3DVertexBuffer8* vertices, DWORD nIndices, const DWORD* indices,
                           const DWORD* faceMaterials, DWORD nMaterials, D3DXMATERIAL* materials,
                           IDirect3DTexture8** textures, CFrame* parent, char* name, IDirect3DDevice8* device,
                           REDUCTIONOPTIONS* options, CDXThread* thread, std::vector<DWORD>* indicesOwner) {
  if (!DestroyContent() || !InitializeBase(name)) return false;
  m_pParentFrame = parent;
  m_bShown = !(options && options->connectivityNeverShown);
  if (nIndices && !indices) return false;
  const DWORD nFaces = nIndices / 3;
  const DWORD nGroups = faceMaterials ? nMaterials : 1;
  if (nGroups == 0) return false;
  std::vector<SGeoTrianglesSource> groups(nGroups);
  for (DWORD m = 0; m < nGroups; ++m) {
    groups[m].material = materials ? &materials[m] : nullptr;
    groups[m].texture = textures ? textures[m] : nullptr;
  }
  if (faceMaterials) {
    std::vector<DWORD> counts(nGroups, 0);
    for (DWORD f = 0; f < nFaces; ++f) {
      if (faceMaterials[f] >= nGroups) return false;
      ++counts[faceMaterials[f]];
    }
    for (DWORD m = 0; m < nGroups; ++m) groups[m].indices.reserve(3 * static_cast<size_t>(counts[m]));
    for (DWORD f = 0; f < nFaces; ++f)
      groups[faceMaterials[f]].indices.insert(groups[faceMaterials[f]].indices.end(), &indices[3 * f],
                                              &indices[3 * f + 3]);
  } else {
    groups[0].borrowed = indices;
    groups[0].borrowedCount = 3 * static_cast<size_t>(nFaces);
    groups[0].borrowedOwner = indicesOwner;
  }
  if (!InitializeUnlitVertices(nVertices, vertices, device)) return false;
  ComputeBoundingObjects(vertices);
  return BuildGroups(nVertices, vertices, groups, options, thread);
}

bool CGeoMesh::KeepsATriangle(IDirect3DVertexBuffer8* vertices, size_t nIndices, const DWORD* indices) {
  D3DVERTEXBUFFER_DESC desc;
  BYTE* data = nullptr;
  if (!vertices || FAILED(vertices->GetDesc(&desc)) || FAILED(vertices->Lock(0, 0, &data, 0))) return false;
  const auto* records = reinterpret_cast<const D3DVERTEX*>(data);
  const DWORD nRecords = desc.Size / sizeof(D3DVERTEX);
  bool kept = false;
  for (size_t t = 0; t + 2 < nIndices && !kept; t += 3) {
    float area = 0.0f;
    kept = CGeoMeshTriangles::KeepsTriangle(records, nRecords, &indices[t], area);
  }
  vertices->Unlock();
  return kept;
}

namespace {

// Releases on every way out the references that the D3DX build takes.
struct SD3DXBuildResources {
  ID3DXMesh* clone = nullptr;
  IDirect3DVertexBuffer8* vertices = nullptr;
  ~SD3DXBuildResources() {
    SafeRelease(&vertices);
    SafeRelease(&clone);
  }
};

}  // namespace

bool CGeoMesh::Initialize2(ID3DXMesh* mesh, DWORD* adjacency, DWORD nMaterials, D3DXMATERIAL* materials,
                           IDirect3DTexture8** textures, CGBox* box, CGSphere* sphere, CFrame* parent, char* name,
                           IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread) {
  if (!DestroyContent() || !InitializeBase(name)) return false;
  m_pParentFrame = parent;
  m_bShown = !(options && options->connectivityNeverShown);
  SD3DXBuildResources held;
  try {
    if (!mesh) throw "\nError: NULL mesh.";
    ID3DXMesh* work = mesh;
    const DWORD fvf = mesh->GetFVF();
    if (fvf != kGeoVertexFVF) {
      const DWORD cloneOptions = D3DXMESH_SYSTEMMEM | (mesh->GetOptions() & D3DXMESH_32BIT);
      if (FAILED(mesh->CloneMeshFVF(cloneOptions, kGeoVertexFVF, device, &held.clone)))
        throw "\nCloneMeshFVF() failed.";
      if (!(fvf & D3DFVF_NORMAL) && FAILED(D3DXComputeNormals(held.clone, nullptr)))
        throw "\nD3DXComputeNormals() failed.";
      work = held.clone;
    }
    if (FAILED(work->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency, nullptr, nullptr, nullptr)))
      throw "\nOptimizeInplace() failed";
    DWORD nRanges = 0;
    if (FAILED(work->GetAttributeTable(nullptr, &nRanges))) throw "\nError: GetAttributeTable() failed.";
    if (nRanges == 0) throw "\nError: Mesh with a zero size attributes table.";
    std::vector<D3DXATTRIBUTERANGE> table(nRanges);
    if (FAILED(work->GetAttributeTable(table.data(), &nRanges))) throw "\nError: GetAttributeTable() failed.";
    if (FAILED(work->GetVertexBuffer(&held.vertices))) throw "\nError: GetVertexBuffer() failed.";
    const DWORD nVertices = work->GetNumVertices();
    if (!InitializeUnlitVertices(nVertices, held.vertices, device)) throw "\nInitializeUnlitVertices() failed";
    if (box && sphere) {
      GetBoundingBox()->Initialize(box->GetMinFS(), box->GetMaxFS(), false);
      GetBoundingSphere()->Initialize(sphere->GetRadiusFS(), sphere->GetCenterFS());
    } else {
      ComputeBoundingObjects(held.vertices);
    }
    std::vector<SGeoTrianglesSource> groups;
    if (!CreateMaterialTrianglesGroups2(work, nMaterials, materials, textures, nRanges, table.data(), groups))
      throw "\nCreateMaterialTrianglesGroups2() failed";
    return BuildGroups(nVertices, held.vertices, groups, options, thread);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
}

bool CGeoMesh::CreateMaterialTrianglesGroups2(ID3DXMesh* mesh, DWORD nMaterials, D3DXMATERIAL* materials,
                                              IDirect3DTexture8** textures, DWORD nRanges,
                                              const D3DXATTRIBUTERANGE* table,
                                              std::vector<SGeoTrianglesSource>& groups) {
  const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
  const size_t nIndices = 3 * static_cast<size_t>(mesh->GetNumFaces());
  BYTE* data = nullptr;
  if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return false;
  groups.assign(nRanges, {});
  bool read = true;
  for (DWORD i = 0; i < nRanges && read; ++i) {
    const D3DXATTRIBUTERANGE& range = table[i];
    const DWORD a = range.AttribId;
    groups[i].material = materials && a < nMaterials ? &materials[a] : nullptr;
    groups[i].texture = textures && a < nMaterials ? textures[a] : nullptr;
    const size_t first = 3 * static_cast<size_t>(range.FaceStart);
    const size_t count = 3 * static_cast<size_t>(range.FaceCount);
    read = first <= nIndices && count <= nIndices - first;
    if (!read) break;
    std::vector<DWORD>& run = groups[i].indices;
    if (wide)
      run.assign(reinterpret_cast<const DWORD*>(data) + first, reinterpret_cast<const DWORD*>(data) + first + count);
    else
      run.assign(reinterpret_cast<const WORD*>(data) + first, reinterpret_cast<const WORD*>(data) + first + count);
  }
  mesh->UnlockIndexBuffer();
  return read;
}

bool CGeoMesh::BuildGroups(DWORD nVertices, IDirect3DVertexBuffer8* vertices,
                           std::vector<SGeoTrianglesSource>& groups, REDUCTIONOPTIONS* options, CDXThread* thread) {
  m_GeoVertexArray.Initialize(nVertices);
  m_dwMaterialsCount = static_cast<DWORD>(groups.size());
  m_pGeoMeshTriangles = new CGeoMeshTriangles[m_dwMaterialsCount];
  SetReadyForRendering(true);
  for (DWORD i = 0; i < m_dwMaterialsCount; ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    SGeoTrianglesSource& group = groups[i];
    if (!m_pGeoMeshTriangles[i].Initialize3(nVertices, vertices, static_cast<DWORD>(group.CornersCount()),
                                            group.Corners(), group.material, group.texture, this, i, options,
                                            thread, group.borrowed ? group.borrowedOwner : &group.indices))
      return false;
    std::vector<DWORD>().swap(group.indices);
  }
  if (m_bShown && !CreateVerticesHandles(options, thread)) return false;
  m_GeoVertexArray.FreeUnusedSpace();
  SetInitialized(true);
  return true;
}

bool CGeoMesh::ComputeBoundingObjects(IDirect3DVertexBuffer8* vertices) {
  D3DXVECTOR3 min, max, corners[8];
  if (!ComputeBoundingBoxD3DVertexVB(m_pUnlitVB ? m_pUnlitVB : vertices, &min, &max, corners)) return false;
  GetBoundingBox()->Initialize(&min, &max, corners, false);
  GetBoundingBox()->ComputeBoundingSphere(GetBoundingSphere(), false);
  return true;
}

bool CGeoMesh::GetVerticesCount(DWORD& count, CDXThread* thread) {
  count = 0;
  for (DWORD i = 0; i < m_GeoVertexArray.GetCurrentVerticesCount(); ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    if (!m_GeoVertexArray.GetAt(i)->IsDisabled()) ++count;
  }
  return true;
}

bool CGeoMesh::ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread) {
  m_bReadyForRenderingRM = true;
  for (DWORD i = 0; i < m_dwMaterialsCount; ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    if (!m_pGeoMeshTriangles[i].ReduceTrianglesCount(options, thread)) return false;
  }
  return true;
}

void CGeoMesh::ReleaseEdges() {
  for (DWORD i = 0; i < m_dwMaterialsCount; ++i) m_pGeoMeshTriangles[i].ReleaseEdges();
}

const std::vector<CGeoVertex*>* CGeoMesh::GetCoincidentVertices(const D3DXVECTOR3& position) {
  if (m_dwMaterialsCount < 2) return nullptr;  // one group welds all its vertices
  if (!m_bCoincidentVerticesMapped) {
    m_bCoincidentVerticesMapped = true;
    // Sorted by position, so that only the shared positions are entered.
    using SKeyed = std::pair<std::tuple<DWORD, DWORD, DWORD>, CGeoVertex*>;
    std::vector<SKeyed> keyed(m_GeoVertexArray.GetCurrentVerticesCount());
    for (DWORD i = 0; i < keyed.size(); ++i) {
      CGeoVertex* v = m_GeoVertexArray.GetAt(i);
      const SGeoVertexKey k = GetPositionKey(*v->GetPosition());
      keyed[i] = {{k.x, k.y, k.z}, v};
    }
    std::sort(keyed.begin(), keyed.end(), [](const SKeyed& a, const SKeyed& b) { return a.first < b.first; });
    for (size_t first = 0, last = 0; first < keyed.size(); first = last) {
      while (last < keyed.size() && keyed[last].first == keyed[first].first) ++last;
      if (last - first < 2) continue;
      const auto& [x, y, z] = keyed[first].first;
      std::vector<CGeoVertex*>& shared = m_CoincidentVertices[SGeoVertexKey{x, y, z}];
      for (size_t i = first; i < last; ++i) shared.push_back(keyed[i].second);
    }
  }
  const auto found = m_CoincidentVertices.find(GetPositionKey(position));
  return found != m_CoincidentVertices.end() ? &found->second : nullptr;
}
