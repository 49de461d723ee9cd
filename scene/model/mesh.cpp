#include "mesh.h"

#include <appfiles.h>
#include <dx_doc.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <geo_mesh.h>
#include <rmxfguid.h>
#include <vectortransforms.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "datablock.h"
#include "failureguard.h"
#include "frame.h"
#include "material.h"
#include "texturefile.h"

namespace {

const char kExitRequested[] = "\nInfo: Requested to exit the thread.";

// Loops over vertices and faces stop at the pause-and-stop point once per
// kStep of them.
constexpr DWORD kStep = 16384;

// The pause-and-stop point of a job, once per step; no job, no stop.
void CheckPlaying(CDXThread* thread) {
  if (thread && !thread->WaitForThreadPlayingEvent()) throw kExitRequested;
}

// The triangles a job has made, told to it in batches: a count per face
// would cost a clock read per face.
class CTrianglesProgress {
 public:
  explicit CTrianglesProgress(CDXThread* thread) : m_thread(thread) {}
  void Add(DWORD triangles) {
    m_pending += triangles;
    if (m_pending >= kBatch) Flush();
  }
  void Flush() {
    if (m_thread && m_pending) m_thread->IncreaseThreadOutputTrianglesCount(m_pending, 0);
    m_pending = 0;
  }

 private:
  static constexpr DWORD kBatch = 4096;
  CDXThread* m_thread;
  DWORD m_pending = 0;
};

IDirect3DDevice8* GetDevice() { return g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr; }

// A whole buffer locked for the scope; a failed lock throws failure.
template <class Buffer>
class CLockedBuffer {
 public:
  CLockedBuffer(Buffer* buffer, DWORD flags, const char* failure) : m_buffer(buffer) {
    if (!buffer || FAILED(buffer->Lock(0, 0, &m_data, flags))) throw failure;
  }
  CLockedBuffer(const CLockedBuffer&) = delete;
  CLockedBuffer& operator=(const CLockedBuffer&) = delete;
  ~CLockedBuffer() { m_buffer->Unlock(); }
  BYTE* Data() const { return m_data; }
  template <class T>
  T* As() const {
    return reinterpret_cast<T*>(m_data);
  }

 private:
  Buffer* m_buffer;
  BYTE* m_data = nullptr;
};

}  // namespace

void ComputeTriangleLinesVerticesFS(DWORD a, DWORD b, DWORD c, const D3DVERTEX* vertices, float offset,
                                    D3DVERTEX out[3]) {
  const D3DXVECTOR3 p(vertices[a].x, vertices[a].y, vertices[a].z);
  const D3DXVECTOR3 q(vertices[b].x, vertices[b].y, vertices[b].z);
  const D3DXVECTOR3 r(vertices[c].x, vertices[c].y, vertices[c].z);
  const D3DXVECTOR3 pq = q - p;
  const D3DXVECTOR3 pr = r - p;
  D3DXVECTOR3 normal;
  D3DXVec3Cross(&normal, &pq, &pr);
  D3DXVec3Normalize(&normal, &normal);
  const D3DXVECTOR3 lift = normal * offset;
  const D3DXVECTOR3* corners[3] = {&p, &q, &r};
  for (int i = 0; i < 3; ++i) {
    out[i] = D3DVERTEX{};
    out[i].x = corners[i]->x + lift.x;
    out[i].y = corners[i]->y + lift.y;
    out[i].z = corners[i]->z + lift.z;
  }
}

CMesh::CMesh() { ClearContent(); }

CMesh::~CMesh() {
  BeginTeardown();
  DestroyContent();
}

void CMesh::ClearContent() {
  m_vertices = nullptr;
  m_nVertices = 0;
  m_nFaces = 0;
  m_faces = nullptr;
  m_materials = nullptr;
  m_materialCount = 0;
  m_groupCount = 0;
  m_groups = nullptr;
  m_boundingBox = nullptr;
  m_boundingSphere = nullptr;
  m_readyForRendering = false;
  m_edgesLineBuilt = false;
  m_replacedByReducedCopy = false;
}

void CMesh::DestroyGroups() {
  delete[] m_groups;
  m_groups = nullptr;
  m_groupCount = 0;
  m_edgesLineBuilt = false;
}

void CMesh::ReleaseFaces() {
  DestroyGroups();
  delete[] m_faces;
  m_faces = nullptr;
  m_nFaces = 0;
  m_readyForRendering = false;
  if (CMeshNormals* normals = GetMeshNormals()) normals->SetMandatoryMembers(0, nullptr, 0, nullptr);
}

void CMesh::ReleaseVertices() {
  SafeRelease(&m_vertices);
  m_nVertices = 0;
}

bool CMesh::DestroyContent() {
  delete m_boundingBox;
  delete m_boundingSphere;
  m_boundingBox = nullptr;
  m_boundingSphere = nullptr;
  SafeRelease(&m_vertices);
  delete[] m_faces;
  m_faces = nullptr;
  DestroyGroups();
  delete[] m_materials;
  m_materials = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

void CMesh::SetMandatoryMembers(DWORD nVertices, IDirect3DVertexBuffer8* vertices, DWORD nFaces, CMeshFace* faces) {
  m_nVertices = nVertices;
  m_vertices = vertices;
  m_nFaces = nFaces;
  m_faces = faces;
  m_boundingBox = new CGBox;
  m_boundingSphere = new CGSphere;
}

bool CMesh::ComputeBoundingObjects() {
  return GuardedCall([&] {
    D3DXVECTOR3 min, max, corners[8];
    if (!ComputeBoundingBoxD3DVertexVB(m_vertices, &min, &max, corners))
      throw "\nComputeBoundingBoxD3DVertexVB() failed";
    m_boundingBox->Initialize(&min, &max, corners, false);
    m_boundingBox->ComputeBoundingSphere(m_boundingSphere, false);
  });
}

// ---------------------------------------------------------------------------
// Loading and saving

bool CMesh::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  const bool loaded = GuardedCall([&] {
    DestroyContent();
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";

    // Every count and index comes from the file: each is checked against the
    // block and the vertex count before it is used.
    CDataBlockReader reader(block, size);
    const DWORD nVertices = reader.ReadDword();
    reader.Require(nVertices, sizeof(D3DXVECTOR3));
    // The positions go straight from the block into the vertex buffer.
    CDataBlockReader positions = reader;
    reader.Skip(nVertices, sizeof(D3DXVECTOR3));
    const DWORD nFaces = reader.ReadDword();
    reader.Require(nFaces, sizeof(DWORD));
    if (static_cast<size_t>(nVertices) * sizeof(D3DVERTEX) > 0xFFFFFFFFu) throw "\nError: Too many vertices.";

    IDirect3DDevice8* device = GetDevice();
    if (!device || FAILED(device->CreateVertexBuffer(nVertices * sizeof(D3DVERTEX), 0, kMeshVertexFVF,
                                                     D3DPOOL_DEFAULT, &m_vertices)))
      throw "\nCreateVertexBuffer() failed.";
    m_nVertices = nVertices;
    {
      CLockedBuffer<IDirect3DVertexBuffer8> locked(m_vertices, 0, "\nLock() failed.");
      // A new vertex buffer comes zero-filled: only the positions are set.
      D3DVERTEX* vertices = locked.As<D3DVERTEX>();
      const BYTE* position = positions.Take(nVertices, sizeof(D3DXVECTOR3));
      for (DWORD first = 0; first < nVertices; first += kStep) {
        CheckPlaying(thread);
        const DWORD last = std::min(nVertices, first + kStep);
        for (DWORD i = first; i < last; ++i, position += sizeof(D3DXVECTOR3))
          std::memcpy(&vertices[i].x, position, sizeof(D3DXVECTOR3));
      }
    }
    if (thread) thread->IncreaseThreadOutputVerticesCount(nVertices);

    m_faces = new CMeshFace[nFaces];
    m_nFaces = nFaces;
    for (DWORD first = 0; first < nFaces; first += kStep) {
      CheckPlaying(thread);
      ReadMeshFaces(reader, m_faces + first, std::min(kStep, nFaces - first), nVertices,
                    "\nError: A face has fewer than three corners.",
                    "\nError: A face's vertex index is not below the vertex count.");
    }

    m_boundingBox = new CGBox;
    m_boundingSphere = new CGSphere;
    if (!ComputeBoundingObjects()) throw "\nComputeBoundingObjects() failed.";
    m_readyForRendering = true;
  });
  if (!loaded) DestroyContent();
  return loaded;
}

HRESULT CMesh::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(4 + 12 * static_cast<size_t>(m_nVertices) + MeshFacesBlockSize(m_faces, m_nFaces));
    writer.Write(m_nVertices);
    {
      CLockedBuffer<IDirect3DVertexBuffer8> locked(m_vertices, D3DLOCK_READONLY, "\nLock() failed.");
      const D3DVERTEX* vertices = locked.As<D3DVERTEX>();
      for (DWORD i = 0; i < m_nVertices; ++i) writer.WriteArray(&vertices[i].x, 3, sizeof(float));
    }
    WriteMeshFaces(writer, m_faces, m_nFaces);
    *out = CreateSaveData(saveObject, writer,
                          "Error: IDirectXFileSaveObject::CreateDataObject() failed.");
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_nVertices);
      thread->IncreaseThreadOutputTrianglesCount(m_nFaces, 0);
    }
  });
  return saved ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// Vertex groups

HRESULT CMesh::CreateOneVerticesGroup(CMaterial* material, CDXThread* thread) {
  const bool created = GuardedCall([&] {
    DestroyGroups();
    size_t count = 0;
    for (DWORD i = 0; i < m_nFaces; ++i) count += m_faces[i].GetTriangleIndicesCount();
    if (count > 0xFFFFFFFFu) throw "\nError: Cannot create a face index buffer of this size.";
    m_groups = new CMeshVerticesGroup[1];
    m_groupCount = 1;
    CMeshVerticesGroup& group = m_groups[0];
    if (!group.CreateIndexBuffer(GetDevice(), static_cast<DWORD>(count), NeedsWideIndices()))
      throw "\nCreateIndexBuffer() failed.";
    group.SetMaterial(material);
    group.SetReadyForRenderingFlag(true);
    CTrianglesProgress progress(thread);
    for (DWORD i = 0; i < m_nFaces; ++i) progress.Add(group.AddFace(m_faces[i]));
    progress.Flush();
    group.EndFilling();
  });
  if (!created) DestroyGroups();
  return created ? S_OK : E_FAIL;
}

HRESULT CMesh::CreateMeshVerticesGroups(CDXThread* thread) {
  const bool created = GuardedCall([&] {
    DestroyGroups();
    // A deleted mesh takes no new children.
    if (IsDeleted()) throw "\nError: The mesh is deleted.";
    if (!GetDevice()) throw "\nCreateIndexBuffer() failed.";
    if (m_nVertices && m_nVertices - 1 > g_pWindowedDevice->GetMaxVertexIndex())
      throw "\nError: Cannot create a face index buffer of this size.";

    CMeshMaterialList* list = GetMeshMaterialList();
    if (!list || list->GetMaterialsCount() == 0) {
      CMaterial material;
      if (!material.Initialize()) throw "\nError: Material initialization failed.";
      auto owned = std::make_unique<CMeshMaterialList>();
      if (!owned->InitializeOneMaterialList(&material, nullptr, thread))
        throw "\nError: InitializeOneMaterialList() failed.";
      owned->SetDrawingDefault();
      list = owned.get();
      AddChildObject(eOwnedChild, owned.release(), false);
      POSITION pos = list->GetChildHeadPosition();
      CMaterial* first = list->GetNextMaterial(pos);
      if (!first) throw "\nError: NULL Material.";
      if (FAILED(CreateOneVerticesGroup(first, thread))) throw "\nError: CreateOneVerticesGroup( ) failed.";
      return;
    }

    std::vector<CMaterial*> materials;
    POSITION pos = list->GetChildHeadPosition();
    while (CMaterial* material = list->GetNextMaterial(pos)) materials.push_back(material);
    if (list->GetFacesCount() != m_nFaces) {
      if (materials.empty()) throw "\nError: NULL Material.";
      if (FAILED(CreateOneVerticesGroup(materials[0], thread))) throw "\nError: CreateOneVerticesGroup() failed.";
      return;
    }

    // One group per material. A face's material number comes from the file
    // and must name one of the list's materials.
    const DWORD nMaterials = list->GetMaterialsCount();
    const DWORD* faceMaterials = list->GetFaceMaterialIndices();
    auto materialOf = [&](DWORD face) { return faceMaterials ? faceMaterials[face] : 0; };
    std::vector<size_t> counts(nMaterials, 0);
    for (DWORD i = 0; i < m_nFaces; ++i) {
      const DWORD m = materialOf(i);
      if (m >= nMaterials || m >= materials.size())
        throw "\nError: A face's material index is not below the material count.";
      counts[m] += m_faces[i].GetTriangleIndicesCount();
    }
    m_groups = new CMeshVerticesGroup[nMaterials];
    m_groupCount = nMaterials;
    for (DWORD m = 0; m < nMaterials; ++m) {
      if (!counts[m]) continue;
      if (counts[m] > 0xFFFFFFFFu) throw "\nError: Cannot create a face index buffer of this size.";
      if (!m_groups[m].CreateIndexBuffer(GetDevice(), static_cast<DWORD>(counts[m]), NeedsWideIndices()))
        throw "\nCreateIndexBuffer() failed.";
      m_groups[m].SetMaterial(materials[m]);
      m_groups[m].SetReadyForRenderingFlag(true);
    }
    CTrianglesProgress progress(thread);
    for (DWORD i = 0; i < m_nFaces; ++i) progress.Add(m_groups[materialOf(i)].AddFace(m_faces[i]));
    progress.Flush();
    for (DWORD m = 0; m < nMaterials; ++m) m_groups[m].EndFilling();
  });
  if (!created) DestroyGroups();
  return created ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// Edge lines

bool CMesh::CreateMeshEdgesLine(CDXThread* thread) {
  m_edgesLineBuilt = true;
  for (DWORD m = 0; m < m_groupCount; ++m) {
    if (!m_groups[m].GetIndicesCount()) continue;
    if (!CreateVerticesGroupEdgesLine(m_groups[m], thread)) {
      DEBUG_TRACE("\nCreateVerticesGroupEdgesLine() failed");
      return false;
    }
  }
  return true;
}

bool CMesh::CreateVerticesGroupEdgesLine(CMeshVerticesGroup& group, CDXThread* thread) {
  const DWORD chunkSize = CMeshVerticesGroup::kEdgesLineChunkTriangles;
  const DWORD triangles = group.GetIndicesCount() / 3;
  const DWORD chunks = triangles / chunkSize + (triangles % chunkSize ? 1 : 0);
  auto vbs = std::make_unique<IDirect3DVertexBuffer8*[]>(chunks);
  auto ibs = std::make_unique<IDirect3DIndexBuffer8*[]>(chunks);
  for (DWORD c = 0; c < chunks; ++c) vbs[c] = nullptr, ibs[c] = nullptr;
  const float offset = m_boundingSphere ? m_boundingSphere->GetRadiusFS() / 400.0f : 0.0f;
  const bool created = GuardedCall([&] {
    CLockedBuffer<IDirect3DVertexBuffer8> meshVertices(m_vertices, D3DLOCK_READONLY, "\nLock() failed.");
    CLockedBuffer<IDirect3DIndexBuffer8> faceIndices(group.GetIndexBuffer(), D3DLOCK_READONLY,
                                                     "\nLock() failed on the face index buffer.");
    for (DWORD c = 0; c < chunks; ++c) {
      const DWORD first = c * chunkSize;
      const DWORD count = triangles - first < chunkSize ? triangles - first : chunkSize;
      CreateEdgesLineHandlesVB(&vbs[c], &ibs[c], count, first, faceIndices.Data(), meshVertices.As<D3DVERTEX>(),
                               group, offset, thread);
    }
  });
  if (!created) {
    DEBUG_TRACE("\nCreateEdgesLineHandlesVB failed");
    for (DWORD c = 0; c < chunks; ++c) {
      SafeRelease(&vbs[c]);
      SafeRelease(&ibs[c]);
    }
    return false;
  }
  group.SetEdgesLineHandles(chunks, vbs.release(), ibs.release(), 3 * triangles);
  return true;
}

void CMesh::CreateEdgesLineHandlesVB(IDirect3DVertexBuffer8** vb, IDirect3DIndexBuffer8** ib, DWORD triangles,
                                     DWORD firstTriangle, const BYTE* faceIndices, const D3DVERTEX* meshVertices,
                                     CMeshVerticesGroup& group, float offset, CDXThread* thread) {
  IDirect3DDevice8* device = GetDevice();
  if (!device || FAILED(device->CreateVertexBuffer(3 * triangles * sizeof(D3DVERTEX), 0, kMeshVertexFVF,
                                                   D3DPOOL_DEFAULT, vb)))
    throw "CreateUnlitVerticesBuffer() failed";
  if (FAILED(device->CreateIndexBuffer(6 * triangles * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, ib)))
    throw "\nCreateIndexBuffer() failed.";
  CLockedBuffer<IDirect3DIndexBuffer8> lines(*ib, 0, "\nLock()  index buffer failed.");
  CLockedBuffer<IDirect3DVertexBuffer8> lineVertices(*vb, 0, "\nError: IDirect3DVertexBuffer8::Lock() failed.");
  WORD* index = lines.As<WORD>();
  D3DVERTEX* vertex = lineVertices.As<D3DVERTEX>();
  for (DWORD k = 0; k < triangles; ++k) {
    CheckPlaying(thread);
    const DWORD t = 3 * (firstTriangle + k);
    ComputeTriangleLinesVerticesFS(group.GetIndex(faceIndices, t), group.GetIndex(faceIndices, t + 1),
                                   group.GetIndex(faceIndices, t + 2), meshVertices, offset, &vertex[3 * k]);
    const WORD base = static_cast<WORD>(3 * k);
    const WORD edges[6] = {base, WORD(base + 1), WORD(base + 1), WORD(base + 2), WORD(base + 2), base};
    std::copy(edges, edges + 6, index + 6 * k);
  }
}

// ---------------------------------------------------------------------------
// Normals, texture coordinates, materials

HRESULT CMesh::SetMeshVerticesNormal() {
  CMeshNormals* normals = GetMeshNormals();
  if (!normals) return S_OK;
  const bool set = GuardedCall([&] {
    // The records must match the faces corner for corner.
    if (normals->GetFacesCount() != m_nFaces) throw "\nError: The normals do not match the faces.";
    const CMeshFace* records = normals->GetMeshFaces();
    for (DWORD i = 0; i < m_nFaces; ++i)
      if (records[i].GetFaceVertexCount() != m_faces[i].GetFaceVertexCount() ||
          !records[i].IndicesBelow(normals->GetNormalsCount()))
        throw "\nError: The normals do not match the faces.";
    CLockedBuffer<IDirect3DVertexBuffer8> locked(m_vertices, 0, "\nLock() failed.");
    D3DVERTEX* vertices = locked.As<D3DVERTEX>();
    const D3DXVECTOR3* values = normals->GetNormals();
    for (DWORD i = 0; i < m_nFaces; ++i) {
      for (DWORD k = 0; k < records[i].GetFaceVertexCount(); ++k) {
        D3DVERTEX& vertex = vertices[m_faces[i].GetFaceVertexIndices()[k]];
        const D3DXVECTOR3& normal = values[records[i].GetFaceVertexIndices()[k]];
        vertex.nx = normal.x;
        vertex.ny = normal.y;
        vertex.nz = normal.z;
      }
    }
  });
  return set ? S_OK : E_FAIL;
}

HRESULT CMesh::SetMeshTextureCoords() {
  CMeshTextureCoords* coords = GetMeshTextureCoords();
  if (!coords) return S_OK;
  const bool set = GuardedCall([&] {
    if (coords->GetMeshVertexCount() != m_nVertices)
      throw "\nError: The texture coordinates do not match the vertices.";
    CLockedBuffer<IDirect3DVertexBuffer8> locked(m_vertices, 0, "\nLock() failed.");
    D3DVERTEX* vertices = locked.As<D3DVERTEX>();
    for (DWORD i = 0; i < coords->GetMeshVertexCount(); ++i) {
      vertices[i].tu = coords->GetTextureCoords()[i].GetU();
      vertices[i].tv = coords->GetTextureCoords()[i].GetV();
    }
  });
  return set ? S_OK : E_FAIL;
}

bool CMesh::SetMaterialsArray() {
  CMeshMaterialList* list = GetMeshMaterialList();
  if (!list) return true;
  delete[] m_materials;
  m_materials = nullptr;
  m_materialCount = 0;
  const DWORD count = list->GetMaterialsCount();
  m_materials = new CMaterial*[count ? count : 1]();
  POSITION pos = list->GetChildHeadPosition();
  while (m_materialCount < count) {
    CMaterial* material = list->GetNextMaterial(pos);
    if (!material) break;
    m_materials[m_materialCount++] = material;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Drawing, children, metrics

HRESULT CMesh::Render(IDirect3DDevice8* device, int opaqueOnly, int transparentOnly, CDXDoc* doc) {
  if (!m_readyForRendering) return S_OK;
  // Edge lines cost about 108 bytes a triangle: they are built when first
  // shown, once for the groups (a failed build is not tried again each frame).
  if (doc && doc->GetDisplayOptions().showActiveEdges && !m_edgesLineBuilt && !CreateMeshEdgesLine(nullptr))
    DEBUG_TRACE("\nCMesh::CreateMeshEdgesLine() failed: the edges of the mesh are not drawn.");
  HRESULT hr = S_OK;
  for (DWORD m = 0; m < m_groupCount; ++m) {
    if (!m_groups[m].GetIndicesCount()) continue;
    hr = m_groups[m].Render(device, m_nVertices, m_vertices, opaqueOnly, transparentOnly, doc);
    if (FAILED(hr)) {
      DEBUG_TRACE("\nError: CMeshVerticesGroup::Render() failed ");
      return E_FAIL;
    }
  }
  return hr;
}

bool CMesh::InitializeClone(CGeoMesh* target, CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) {
  if (!target || !m_vertices) return false;
  std::vector<CMaterial*> materials;
  CMeshMaterialList* list = GetMeshMaterialList();
  if (list) {
    POSITION pos = list->GetChildHeadPosition();
    while (CMaterial* material = list->GetNextMaterial(pos)) materials.push_back(material);
  }
  // Per-face materials as the vertex groups use them; each must name one of
  // the list's materials.
  const DWORD* faceIndexes = list ? list->GetFaceMaterialIndices() : nullptr;
  const bool perFace = faceIndexes && list->GetFacesCount() == m_nFaces && list->GetMaterialsCount() > 0;
  std::vector<DWORD> indices, triangleMaterials;
  size_t triangles = 0;
  for (DWORD i = 0; i < m_nFaces; ++i) triangles += m_faces[i].GetTriangleIndicesCount() / 3;
  indices.reserve(3 * triangles);
  if (perFace) triangleMaterials.reserve(triangles);
  for (DWORD i = 0; i < m_nFaces; ++i) {
    const DWORD* v = m_faces[i].GetFaceVertexIndices();
    for (DWORD j = 2; j < m_faces[i].GetFaceVertexCount(); ++j) {
      indices.insert(indices.end(), {v[0], v[j - 1], v[j]});
      if (perFace) triangleMaterials.push_back(faceIndexes[i]);
    }
  }
  for (DWORD m : triangleMaterials)
    if (m >= materials.size() || m >= list->GetMaterialsCount()) return false;
  if (!perFace && materials.size() > 1) materials.erase(materials.begin() + 1, materials.end());
  std::vector<D3DXMATERIAL> d3dxMaterials(materials.size());
  std::vector<IDirect3DTexture8*> textures(materials.size());
  for (size_t m = 0; m < materials.size(); ++m) {
    d3dxMaterials[m].MatD3D = *materials[m]->GetMaterial();
    CTextureFile* texture = materials[m]->GetTextureFile();
    d3dxMaterials[m].pTextureFilename = texture ? texture->GetFileName() : nullptr;
    textures[m] = materials[m]->GetTexture();
  }
  // A mesh that the reduced copy replaces frees what the build does not read
  // before it, and its vertices after it.
  const bool replaced =
      m_replacedByReducedCopy && CGeoMesh::KeepsATriangle(m_vertices, indices.size(), indices.data());
  if (replaced) ReleaseFaces();
  const bool built = target->Initialize2(
      m_nVertices, m_vertices, static_cast<DWORD>(indices.size()), indices.data(),
      perFace ? triangleMaterials.data() : nullptr, perFace ? static_cast<DWORD>(materials.size()) : 1,
      d3dxMaterials.empty() ? nullptr : d3dxMaterials.data(), textures.empty() ? nullptr : textures.data(), frame,
      GetName(), GetDevice(), options, thread, &indices);
  if (replaced) ReleaseVertices();
  if (!built) return false;
  // The mesh written back names its parts as this one does.
  CMeshNormals* normals = GetMeshNormals();
  CMeshTextureCoords* coords = GetMeshTextureCoords();
  // A list made only for drawing is not the mesh's own: none is written back.
  const char* listName = list && !list->IsDrawingDefault() ? (list->GetName() ? list->GetName() : "") : nullptr;
  target->SetSourcePartNames(listName, normals ? normals->GetName() : nullptr, coords ? coords->GetName() : nullptr);
  return true;
}

void CMesh::GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* world) const {
  D3DXVec3TransformCoord(&out, m_boundingSphere->GetCenterFS(), world);
}

CMeshMaterialList* CMesh::GetMeshMaterialList() {
  return static_cast<CMeshMaterialList*>(GetChildXfileDataObject(&TID_D3DRMMeshMaterialList, false, false));
}

CMeshNormals* CMesh::GetMeshNormals() {
  return static_cast<CMeshNormals*>(GetChildXfileDataObject(&TID_D3DRMMeshNormals, false, false));
}

CMeshTextureCoords* CMesh::GetMeshTextureCoords() {
  return static_cast<CMeshTextureCoords*>(GetChildXfileDataObject(&TID_D3DRMMeshTextureCoords, false, false));
}

CMeshVertexColors* CMesh::GetMeshVertexColors() {
  return static_cast<CMeshVertexColors*>(GetChildXfileDataObject(&TID_D3DRMMeshVertexColors, false, false));
}

CMeshFaceWraps* CMesh::GetMeshFaceWraps() {
  return static_cast<CMeshFaceWraps*>(GetChildXfileDataObject(&TID_D3DRMMeshFaceWraps, false, false));
}

CFrame* CMesh::GetNextFrame(POSITION& pos) {
  return static_cast<CFrame*>(GetNextChild(pos, &TID_D3DRMFrame, false, false));
}

DWORD CMesh::GetDataObjectSize() {
  DWORD size = CXFileDataObject::GetDataObjectSize() + 32 * m_nVertices + 96;
  for (DWORD i = 0; i < m_nFaces; ++i) size += m_faces[i].GetDataObjectSize();
  for (DWORD m = 0; m < m_groupCount; ++m) size += m_groups[m].GetDataObjectSize();
  return size;
}

char** CMesh::GetMetrics() {
  static char lines[4][128];
  static char* metrics[4] = {lines[0], lines[1], lines[2], lines[3]};
  std::snprintf(lines[0], sizeof(lines[0]), "Data object hierachy size: %u bytes",
                static_cast<unsigned>(GetDataObjectHierarchySize()));
  std::snprintf(lines[1], sizeof(lines[1]), "Data object size: %u bytes", static_cast<unsigned>(GetDataObjectSize()));
  std::snprintf(lines[2], sizeof(lines[2]), "Vertices count: %u", static_cast<unsigned>(m_nVertices));
  std::snprintf(lines[3], sizeof(lines[3]), "Faces count: %u", static_cast<unsigned>(m_nFaces));
  return metrics;
}
