// Writing a reduced connectivity mesh back into a scene mesh or a Direct3D
// mesh. The active
// vertices are numbered in the order of the mesh's vertex pool, then of each
// group's midpoint vertices; the faces follow group by group, those made by
// contractions before the surviving source faces, each with its group's
// material.
#include <cstring>
#include <memory>
#include <vector>

#include "dx_thread.h"
#include "dxmesh.h"
#include "dxwindoweddevice.h"
#include "failureguard.h"
#include "geo_mesh.h"
#include "material.h"
#include "mesh.h"
#include "meshparts.h"
#include "qorcommon.h"
#include "rmxfguid.h"

namespace {

// What the mesh written back is made of, before it is handed over.
struct SActiveMesh {
  std::vector<D3DVERTEX> vertices;
  std::vector<CCoords2d> textureCoords;
  std::vector<DWORD> indices;        // three per face
  std::vector<DWORD> faceMaterials;  // the group of each face
};

// The elements of a pool still in the mesh, so that the lists written are
// sized once.
template <class Pool>
size_t CountEnabled(const Pool& pool) {
  size_t n = 0;
  for (DWORD i = 0; i < pool.GetCurrentCount(); ++i) n += pool.GetAt(i)->IsDisabled() ? 0 : 1;
  return n;
}

// Numbers the active vertices in output order; false on a stop request.
bool CollectActiveVertices(CGeoMesh& geo, SActiveMesh& out, CDXThread* thread) {
  size_t n = CountEnabled(*geo.GetGeoVertexArray());
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g)
    n += CountEnabled(*geo.GetGeoMeshTriangles(g)->GetNewVerticesArray());
  out.vertices.reserve(n);
  auto collect = [&](CGeoVertexArray* pool) {
    for (DWORD i = 0; i < pool->GetCurrentVerticesCount(); ++i) {
      if (thread && !thread->WaitForThreadPlayingEvent()) return false;
      CGeoVertex* v = pool->GetAt(i);
      if (v->IsDisabled()) continue;
      v->SetRetainedModeMeshVertexIndex(static_cast<DWORD>(out.vertices.size()));
      const D3DXVECTOR3& p = *v->GetPosition();
      const D3DXVECTOR3 n = v->GetNormal();
      out.vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, v->GetTextureU(), v->GetTextureV()});
    }
    return true;
  };
  if (!collect(geo.GetGeoVertexArray())) return false;
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g)
    if (!collect(geo.GetGeoMeshTriangles(g)->GetNewVerticesArray())) return false;
  return true;
}

bool CollectActiveFaces(CGeoMesh& geo, SActiveMesh& out, CDXThread* thread) {
  size_t n = 0;
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
    CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(g);
    n += CountEnabled(*group->GetNewFacesArray()) + CountEnabled(*group->GetOriginalFacesArray());
  }
  out.indices.reserve(3 * n);
  out.faceMaterials.reserve(n);
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
    CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(g);
    for (CGeoFacesArray* pool : {group->GetNewFacesArray(), group->GetOriginalFacesArray()})
      for (DWORD i = 0; i < pool->GetCurrentFacesCount(); ++i) {
        if (thread && !thread->WaitForThreadPlayingEvent()) return false;
        CGeoFace* face = pool->GetAt(i);
        if (face->IsDisabled()) continue;
        CGeoVertex* c[3];
        face->GetTriangleVertices(c[0], c[1], c[2]);
        for (CGeoVertex* v : c) out.indices.push_back(v->GetRetainedModeMeshVertexIndex());
        out.faceMaterials.push_back(g);
      }
  }
  return true;
}

// Each vertex's normal becomes the normalized mean of the unit normals of
// the faces that use it. A vertex that no face uses keeps its own normal.
void RecomputeVertexNormals(SActiveMesh& mesh) {
  std::vector<D3DXVECTOR3> sums(mesh.vertices.size(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  std::vector<DWORD> counts(mesh.vertices.size(), 0);
  for (size_t f = 0; f + 2 < mesh.indices.size(); f += 3) {
    const D3DVERTEX* v[3];
    for (int k = 0; k < 3; ++k) v[k] = &mesh.vertices[mesh.indices[f + k]];
    const D3DXVECTOR3 p0(v[0]->x, v[0]->y, v[0]->z), p1(v[1]->x, v[1]->y, v[1]->z), p2(v[2]->x, v[2]->y, v[2]->z);
    const D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    const float length = D3DXVec3Length(&n);
    if (!(length > 0.0f)) continue;
    n /= length;
    for (int k = 0; k < 3; ++k) {
      sums[mesh.indices[f + k]] += n;
      ++counts[mesh.indices[f + k]];
    }
  }
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    if (counts[i] == 0) continue;
    const D3DXVECTOR3 mean = sums[i] * (1.0f / static_cast<float>(counts[i]));
    const float length = D3DXVec3Length(&mean);
    if (!(length > 0.0f)) continue;
    mesh.vertices[i].nx = mean.x / length;
    mesh.vertices[i].ny = mean.y / length;
    mesh.vertices[i].nz = mean.z / length;
  }
}

// The faces as mesh face records.
std::unique_ptr<CMeshFace[]> MakeFaces(const std::vector<DWORD>& indices) {
  const size_t n = indices.size() / 3;
  auto faces = std::make_unique<CMeshFace[]>(n);
  for (size_t f = 0; f < n; ++f)
    if (!faces[f].SetMeshFace(3, &indices[3 * f])) return nullptr;
  return faces;
}

IDirect3DVertexBuffer8* MakeVertexBuffer(IDirect3DDevice8* device, const std::vector<D3DVERTEX>& vertices) {
  IDirect3DVertexBuffer8* vb = nullptr;
  const UINT size = static_cast<UINT>(vertices.size() * sizeof(D3DVERTEX));
  if (FAILED(device->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, kGeoVertexFVF, D3DPOOL_DEFAULT, &vb))) return nullptr;
  BYTE* data = nullptr;
  if (FAILED(vb->Lock(0, 0, &data, 0))) {
    SafeRelease(&vb);
    return nullptr;
  }
  if (size) std::memcpy(data, vertices.data(), size);
  vb->Unlock();
  return vb;
}

}  // namespace

bool CGeoMesh::InitializeMesh(CMesh* target, CFrame*, IDirect3DDevice8*, REDUCTIONOPTIONS*, CDXThread* thread) {
  IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
  if (!target || !device || m_dwMaterialsCount == 0) return false;
  if (FAILED(target->CXFileDataObject::Initialize(const_cast<char*>(GetName()), &TID_D3DRMMesh, false)))
    return false;

  SActiveMesh active;
  if (!CollectActiveVertices(*this, active, thread) || !CollectActiveFaces(*this, active, thread)) return false;
  RecomputeVertexNormals(active);
  const DWORD nVertices = static_cast<DWORD>(active.vertices.size());
  const DWORD nFaces = static_cast<DWORD>(active.faceMaterials.size());
  if (nFaces == 0) {
    DEBUG_TRACE("\nInfo: A connectivity mesh without triangles is not written back.");
    return false;
  }

  // The parts, each complete before the mesh takes any of them.
  std::vector<D3DXMATERIAL> materials(m_dwMaterialsCount);
  for (DWORD g = 0; g < m_dwMaterialsCount; ++g) materials[g] = *m_pGeoMeshTriangles[g].Getd3dMaterial();
  // With one group a single index 0 stands for every face.
  const DWORD zero = 0;
  auto list = std::make_unique<CMeshMaterialList>();
  if (!list->Initialize(m_dwMaterialsCount, materials.data(), nullptr, m_dwMaterialsCount == 1 ? 1 : nFaces,
                        m_dwMaterialsCount == 1 ? const_cast<DWORD*>(&zero) : active.faceMaterials.data(),
                        const_cast<char*>(static_cast<const char*>(m_strMaterialListName)), nullptr, thread))
    return false;

  auto normals = std::make_unique<CMeshNormals>();
  auto normalFaces = MakeFaces(active.indices);
  if (!normalFaces || FAILED(normals->CXFileDataObject::Initialize(
                          const_cast<char*>(static_cast<const char*>(m_strNormalsName)), &TID_D3DRMMeshNormals, false)))
    return false;
  auto normalVectors = std::make_unique<D3DXVECTOR3[]>(nVertices);
  for (DWORD i = 0; i < nVertices; ++i)
    normalVectors[i] = D3DXVECTOR3(active.vertices[i].nx, active.vertices[i].ny, active.vertices[i].nz);
  normals->SetMandatoryMembers(nVertices, normalVectors.release(), nFaces, normalFaces.release());

  std::unique_ptr<CMeshTextureCoords> coords;
  if (m_bTextureCoords) {
    coords = std::make_unique<CMeshTextureCoords>();
    if (FAILED(coords->CXFileDataObject::Initialize(const_cast<char*>(static_cast<const char*>(m_strTextureCoordsName)),
                                                    &TID_D3DRMMeshTextureCoords, false)))
      return false;
    auto uv = std::make_unique<CCoords2d[]>(nVertices);
    for (DWORD i = 0; i < nVertices; ++i) {
      uv[i].SetU(active.vertices[i].tu);
      uv[i].SetV(active.vertices[i].tv);
    }
    coords->SetMandatoryMembers(nVertices, uv.release());
  }

  auto faces = MakeFaces(active.indices);
  IDirect3DVertexBuffer8* vb = faces ? MakeVertexBuffer(device, active.vertices) : nullptr;
  if (!vb) return false;
  // All the pieces are made: the lists go before the vertex groups take their
  // room.
  active = SActiveMesh();
  target->SetMandatoryMembers(nVertices, vb, nFaces, faces.release());
  target->AddChildObject(eOwnedChild, normals.release(), false);
  // A source drawn with its default material gets it again, not a list.
  if (m_bMaterialList) target->AddChildObject(eOwnedChild, list.release(), false);
  if (coords) target->AddChildObject(eOwnedChild, coords.release(), false);
  if (!target->SetMaterialsArray() || FAILED(target->CreateMeshVerticesGroups(nullptr))) return false;
  target->ComputeBoundingObjects();
  // The edge lines wait until the mesh is drawn with them (CMesh::Render).
  if (thread) {
    thread->IncreaseThreadOutputVerticesCount(nVertices);
    thread->IncreaseThreadOutputTrianglesCount(nFaces, 0.0f);
  }
  target->SetReadyForRenderingFlag(true);
  return true;
}

// ---------------------------------------------------------------------------
// Into a Direct3D mesh

bool CGeoMesh::CreateDXMeshVertices(DWORD& nVertices, D3DVERTEX*& vertices, REDUCTIONOPTIONS*, CDXThread* thread) {
  nVertices = 0;
  vertices = nullptr;
  SActiveMesh active;
  if (!CollectActiveVertices(*this, active, thread)) return false;
  nVertices = static_cast<DWORD>(active.vertices.size());
  vertices = new D3DVERTEX[nVertices];
  std::copy(active.vertices.begin(), active.vertices.end(), vertices);
  return true;
}

bool CGeoMesh::CreateDXMeshIndices(DWORD& nIndices, DWORD*& indices, DWORD*& attributes, REDUCTIONOPTIONS*,
                                   CDXThread* thread) {
  nIndices = 0;
  indices = attributes = nullptr;
  SActiveMesh active;
  if (!CollectActiveFaces(*this, active, thread)) return false;
  nIndices = static_cast<DWORD>(active.indices.size());
  indices = new DWORD[nIndices];
  attributes = new DWORD[active.faceMaterials.size()];
  std::copy(active.indices.begin(), active.indices.end(), indices);
  std::copy(active.faceMaterials.begin(), active.faceMaterials.end(), attributes);
  return true;
}

namespace {

// What the Direct3D mesh is handed, freed unless it was.
struct SDXMeshParts {
  ID3DXMesh* mesh = nullptr;
  DWORD nMaterials = 0;
  D3DXMATERIAL* materials = nullptr;
  IDirect3DTexture8** textures = nullptr;
  DWORD* adjacency = nullptr;
  DWORD tableSize = 0;
  D3DXATTRIBUTERANGE* table = nullptr;
  // The target owns them now.
  void HandOver() {
    mesh = nullptr;
    materials = nullptr;
    textures = nullptr;
    adjacency = nullptr;
    table = nullptr;
  }
  ~SDXMeshParts() {
    SafeRelease(&mesh);
    if (materials)
      for (DWORD i = 0; i < nMaterials; ++i) delete[] materials[i].pTextureFilename;
    delete[] materials;
    delete[] textures;
    delete[] adjacency;
    delete[] table;
  }
};

char* CopyText(const char* text) {
  if (!text) return nullptr;
  char* copy = new char[std::strlen(text) + 1];
  std::strcpy(copy, text);
  return copy;
}

}  // namespace

bool CGeoMesh::InitializeClone(CDXMesh* target, CFrame*, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                               CDXThread* thread) {
  SDXMeshParts parts;
  const bool written = GuardedCall([&] {
    if (!target || !device || m_dwMaterialsCount == 0) throw "\nError: Nothing to write back.";
    if (!target->CBaseMesh::Initialize(const_cast<char*>(GetName()))) throw "\nError: CBaseMesh::Initialize() failed.";
    DWORD nVertices = 0, nIndices = 0;
    D3DVERTEX* vertices = nullptr;
    DWORD* indices = nullptr;
    DWORD* attributes = nullptr;
    if (!CreateDXMeshVertices(nVertices, vertices, options, thread)) throw "\nError: CreateDXMeshVertices() failed.";
    std::unique_ptr<D3DVERTEX[]> ownedVertices(vertices);
    if (!CreateDXMeshIndices(nIndices, indices, attributes, options, thread))
      throw "\nError: CreateDXMeshIndices() failed.";
    std::unique_ptr<DWORD[]> ownedIndices(indices), ownedAttributes(attributes);
    const DWORD nFaces = nIndices / 3;
    if (nFaces == 0) throw "\nInfo: A connectivity mesh without triangles is not written back.";
    // More vertices than 16-bit indices reach get a mesh of 32-bit indices.
    const bool wide = nVertices > 0xFFFF;
    if (FAILED(D3DXCreateMeshFVF(nFaces, nVertices, D3DXMESH_SYSTEMMEM | (wide ? D3DXMESH_32BIT : 0), kGeoVertexFVF,
                                 device, &parts.mesh)))
      throw "\nError: D3DXCreateMeshFVF() failed.";
    BYTE* vb = nullptr;
    BYTE* ib = nullptr;
    DWORD* ab = nullptr;
    if (FAILED(parts.mesh->LockVertexBuffer(0, &vb))) throw "\nError: LockVertexBuffer() failed.";
    std::memcpy(vb, vertices, nVertices * sizeof(D3DVERTEX));
    parts.mesh->UnlockVertexBuffer();
    if (FAILED(parts.mesh->LockIndexBuffer(0, &ib))) throw "\nError: LockIndexBuffer() failed.";
    if (wide) {
      std::memcpy(ib, indices, nIndices * sizeof(DWORD));
    } else {
      WORD* narrow = reinterpret_cast<WORD*>(ib);
      for (DWORD i = 0; i < nIndices; ++i) narrow[i] = static_cast<WORD>(indices[i]);
    }
    parts.mesh->UnlockIndexBuffer();
    if (FAILED(parts.mesh->LockAttributeBuffer(0, &ab))) throw "\nError: LockAttributeBuffer() failed.";
    std::memcpy(ab, attributes, nFaces * sizeof(DWORD));
    parts.mesh->UnlockAttributeBuffer();
    // The mesh holds them now: the lists go before the adjacency, the sorting
    // and any cleaning take their room.
    ownedVertices.reset();
    ownedIndices.reset();
    ownedAttributes.reset();

    parts.adjacency = new DWORD[3 * static_cast<size_t>(parts.mesh->GetNumFaces())];
    if (FAILED(parts.mesh->GenerateAdjacency(0.0f, parts.adjacency))) throw "\nError: GenerateAdjacency() failed.";
    if (FAILED(parts.mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, parts.adjacency, parts.adjacency, nullptr, nullptr)))
      throw "\nError: OptimizeInplace() failed.";
    ID3DXBuffer* report = nullptr;
    if (FAILED(D3DXValidMesh(parts.mesh, parts.adjacency, &report))) {
      DEBUG_TRACE("\nInfo: The mesh is not valid.  Proceeding with cleanup.");
      SafeRelease(&report);
      ID3DXMesh* cleaned = nullptr;
      if (FAILED(D3DXCleanMesh(parts.mesh, parts.adjacency, &cleaned, parts.adjacency, &report))) {
        SafeRelease(&report);
        throw "Error: D3DXCleanMesh() failed.";
      }
      SafeRelease(&report);
      if (cleaned && cleaned != parts.mesh) {
        SafeRelease(&parts.mesh);
        parts.mesh = cleaned;
        if (FAILED(
                parts.mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, parts.adjacency, parts.adjacency, nullptr, nullptr)))
          throw "\nError: OptimizeInplace() failed.";
      } else if (cleaned) {
        cleaned->Release();
      }
    }
    SafeRelease(&report);
    // The table of the mesh as handed over (after any cleaning); a group
    // left without faces has no range.
    if (FAILED(parts.mesh->GetAttributeTable(nullptr, &parts.tableSize))) throw "\nError: GetAttributeTable() failed.";
    if (parts.tableSize == 0 || parts.tableSize > m_dwMaterialsCount)
      throw "\nInfo: Attribute table size not equal to materials count";
    parts.table = new D3DXATTRIBUTERANGE[parts.tableSize];
    if (FAILED(parts.mesh->GetAttributeTable(parts.table, &parts.tableSize)))
      throw "\nError: GetAttributeTable() failed.";

    parts.nMaterials = m_dwMaterialsCount;
    parts.materials = new D3DXMATERIAL[m_dwMaterialsCount]();
    parts.textures = new IDirect3DTexture8*[m_dwMaterialsCount]();
    // Each group carries its material as a D3DX one (made from the scene
    // material for a group built from a scene mesh) and its texture, shared.
    for (DWORD g = 0; g < m_dwMaterialsCount; ++g) {
      const D3DXMATERIAL* material = m_pGeoMeshTriangles[g].Getd3dMaterial();
      parts.materials[g].MatD3D = material->MatD3D;
      parts.materials[g].pTextureFilename = CopyText(material->pTextureFilename);
      parts.textures[g] = m_pGeoMeshTriangles[g].Getd3dTexture();
    }

    target->SetDataMembers(parts.mesh, parts.nMaterials, parts.materials, parts.textures, parts.adjacency,
                           parts.tableSize, parts.table, GetBoundingBox(), GetBoundingSphere(), false);
    parts.HandOver();
    target->SetDefaultMaterialsOnly(!m_bMaterialList);
  });
  if (!written) return false;
  if (thread) {
    thread->IncreaseThreadOutputVerticesCount(target->GetNumVertices(false));
    thread->IncreaseThreadOutputTrianglesCount(target->GetNumFaces(false), 0.0f);
  }
  target->SetReadyForRendering(true);
  return true;
}
