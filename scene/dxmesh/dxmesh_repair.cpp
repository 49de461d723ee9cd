// Repair of a Direct3D mesh: adjacency, attribute sort and table, cleaning,
// welding and normals, and rebuilding from arrays.
#include <tracelog.h>

#include <cstring>
#include <vector>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "failureguard.h"
#include "objectlock.h"

namespace {

// Runs body under the object lock and, unless the mesh is deleted, the
// mesh-buffer lock; a deleted mesh answers true.
template <class Body>
bool Repair(CDXMesh* mesh, Body&& body) {
  return GuardedCall([&] {
    CObjectLock lock(mesh, false);
    if (mesh->IsDeleted()) return;
    CMeshBufferLock buffers(mesh);
    body();
  });
}

// Holds a COM reference for a scope.
template <class T>
struct SHeld {
  T* p = nullptr;
  ~SHeld() { SafeRelease(&p); }
};

// Sorts the faces of mesh by attribute, dropping unused vertices, with a new
// adjacency; the number of attribute ranges, never 0.
DWORD SortByAttribute(ID3DXMesh* mesh, DWORD* adjacency) {
  if (FAILED(mesh->GenerateAdjacency(0.0f, adjacency))) throw "\nError: GenerateAdjacency() failed.";
  if (FAILED(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, adjacency, adjacency, nullptr,
                                   nullptr)))
    throw "\nOptimizeInplace() failed";
  DWORD size = 0;
  if (FAILED(mesh->GetAttributeTable(nullptr, &size))) throw "\nError: GetAttributeTable() failed.";
  if (size == 0) throw "\nError: Mesh with a zero size attributes table.";
  return size;
}

}  // namespace

bool CDXMesh::MyOptimizeInPlace() {
  return Repair(this, [&] {
    if (!m_pMesh) throw "\nError: No mesh.";
    delete[] m_pAdjacency;
    m_pAdjacency = nullptr;
    delete[] m_pAttributeTable;
    m_pAttributeTable = nullptr;
    m_dwAttributeTableSize = 0;
    m_pAdjacency = new DWORD[3 * static_cast<size_t>(m_pMesh->GetNumFaces())];
    DWORD size = SortByAttribute(m_pMesh, m_pAdjacency);
    m_pAttributeTable = new D3DXATTRIBUTERANGE[size];
    if (FAILED(m_pMesh->GetAttributeTable(m_pAttributeTable, &size))) throw "\nError: GetAttributeTable() failed.";
    m_dwAttributeTableSize = size;
  });
}

void CDXMesh::UpdateAttributeTable(ID3DXMesh* mesh) {
  std::vector<DWORD> adjacency(3 * static_cast<size_t>(mesh->GetNumFaces()));
  SortByAttribute(mesh, adjacency.data());
}

bool CDXMesh::CleanMesh2() {
  return Repair(this, [&] {
    SHeld<ID3DXBuffer> messages;
    if (D3DXValidMesh(m_pMesh, m_pAdjacency, &messages.p) == 0) return;
    SafeRelease(&messages.p);
    SHeld<ID3DXMesh> cleaned;
    if (D3DXCleanMesh(m_pMesh, m_pAdjacency, &cleaned.p, m_pAdjacency, &messages.p) != 0)
      throw "Error: D3DXCleanMesh() failed.";
    if (cleaned.p && cleaned.p != m_pMesh) {
      SafeRelease(&m_pMesh);
      m_pMesh = cleaned.p;
      cleaned.p = nullptr;
      if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    }
  });
}

// Meshes of either index width go through the same passes.
bool CDXMesh::MyCleanMesh(IDirect3DDevice8* device) { return MyCleanMesh32(device); }

bool CDXMesh::MyCleanMesh32(IDirect3DDevice8*) {
  return Repair(this, [&] {
    if (!m_pMesh) throw "\nError: No mesh.";
    for (int pass = 0; pass <= 20; ++pass) {
      if (!CleanMesh2()) throw "\nCleanMesh2() failed";
      SHeld<ID3DXBuffer> messages;
      if (D3DXValidMesh(m_pMesh, m_pAdjacency, &messages.p) == 0) return;
    }
    // Still invalid after the last pass: accepted as it is.
  });
}

void CDXMesh::WeldMesh() {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  CMeshBufferLock buffers(this);
  if (!m_pMesh) return;
  SHeld<ID3DXMesh> backup;
  SHeld<ID3DXMesh> clone;
  try {
    if (FAILED(m_pMesh->CloneMeshFVF(m_pMesh->GetOptions(), m_pMesh->GetFVF(), DXMeshDevice(), &backup.p)))
      throw "Error: CloneMeshFVF() failed.";
    if (!MyCleanMesh(DXMeshDevice())) throw "Error: MyCleanMesh() failed.";
    D3DXWELDEPSILONS epsilons{};
    epsilons.Flags = D3DXWELDEPSILONS_WELDPARTIALMATCHES;
    if (FAILED(D3DXWeldVertices(m_pMesh, &epsilons, m_pAdjacency, m_pAdjacency, nullptr, nullptr)))
      throw "\nError: D3DXWeldVertices() failed.";
    if (!MyCleanMesh(DXMeshDevice())) throw "Error: MyCleanMesh() failed.";
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    if (m_pMesh->GetFVF() & D3DFVF_NORMAL) {
      if (FAILED(D3DXComputeNormals(m_pMesh, nullptr))) throw "Error: D3DXComputeNormals() failed.";
    } else {
      if (FAILED(m_pMesh->CloneMeshFVF(m_pMesh->GetOptions(), m_pMesh->GetFVF() | D3DFVF_NORMAL, DXMeshDevice(),
                                       &clone.p)))
        throw "Error: CloneMeshFVF() failed.";
      if ((clone.p->GetFVF() & D3DFVF_NORMAL) && FAILED(D3DXComputeNormals(clone.p, nullptr)))
        throw "Error: D3DXComputeNormals() failed.";
      SafeRelease(&m_pMesh);
      m_pMesh = clone.p;
      clone.p = nullptr;
      if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (!backup.p) throw;
    // The mesh as it was before the weld, with its own adjacency and
    // attribute table; the failed attempt is released.
    SafeRelease(&m_pMesh);
    m_pMesh = backup.p;
    backup.p = nullptr;
    if (!MyOptimizeInPlace()) DEBUG_TRACE("\nMyOptimizeInPlace() failed");
  }
}

namespace {

template <class Index>
void FillMesh(ID3DXMesh* mesh, DWORD numFaces, DWORD numVertices, DWORD stride, const BYTE* vertices,
              const Index* indices, const DWORD* attributes) {
  BYTE* v = nullptr;
  BYTE* i = nullptr;
  DWORD* a = nullptr;
  if (FAILED(mesh->LockVertexBuffer(0, &v))) throw "\nError: LockVertexBuffer() failed.";
  if (FAILED(mesh->LockIndexBuffer(0, &i))) {
    mesh->UnlockVertexBuffer();
    throw "\nError: LockIndexBuffer() failed.";
  }
  if (FAILED(mesh->LockAttributeBuffer(0, &a))) {
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    throw "\nError: LockAttributeBuffer() failed.";
  }
  std::memcpy(i, indices, 3 * static_cast<size_t>(numFaces) * sizeof(Index));
  std::memcpy(a, attributes, static_cast<size_t>(numFaces) * sizeof(DWORD));
  std::memcpy(v, vertices, static_cast<size_t>(numVertices) * stride);
  mesh->UnlockAttributeBuffer();
  mesh->UnlockIndexBuffer();
  mesh->UnlockVertexBuffer();
}

}  // namespace

template <class Index>
static bool Replace(CDXMesh* self, ID3DXMesh*& own, DWORD numFaces, DWORD numVertices, DWORD stride, DWORD options,
                    DWORD fvf, BYTE* vertices, Index* indices, DWORD* attributes, IDirect3DDevice8* device) {
  return Repair(self, [&] {
    SHeld<ID3DXMesh> mesh;
    if (FAILED(D3DXCreateMeshFVF(numFaces, numVertices, options, fvf, device, &mesh.p)))
      throw "\nError: D3DXCreateMeshFVF() failed.";
    FillMesh(mesh.p, numFaces, numVertices, stride, vertices, indices, attributes);
    SafeRelease(&own);
    own = mesh.p;
    mesh.p = nullptr;
    if (!self->MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    if ((fvf & D3DFVF_NORMAL) && FAILED(D3DXComputeNormals(own, nullptr))) throw "Error: D3DXComputeNormals() failed.";
  });
}

bool CDXMesh::ReplaceMeshFVF(DWORD numFaces, DWORD numVertices, DWORD vertexStride, DWORD options, DWORD fvf,
                             BYTE* vertices, WORD* indices, DWORD* attributes, IDirect3DDevice8* device) {
  return Replace(this, m_pMesh, numFaces, numVertices, vertexStride, options & ~D3DXMESH_32BIT, fvf, vertices,
                 indices, attributes, device);
}

bool CDXMesh::ReplaceMeshFVF32(DWORD numFaces, DWORD numVertices, DWORD vertexStride, DWORD options, DWORD fvf,
                               BYTE* vertices, DWORD* indices, DWORD* attributes, IDirect3DDevice8* device) {
  return Replace(this, m_pMesh, numFaces, numVertices, vertexStride, options | D3DXMESH_32BIT, fvf, vertices,
                 indices, attributes, device);
}

bool CDXMesh::CreateValidAttributesArray(DWORD*& out, DWORD& count) {
  out = nullptr;
  count = 0;
  return Repair(this, [&] {
    if (!m_pMesh || m_pMesh->GetNumFaces() == 0) return;
    DWORD* attributes = nullptr;
    BYTE* indices = nullptr;
    if (FAILED(m_pMesh->LockAttributeBuffer(0, &attributes))) throw "\nError: LockAttributeBuffer() failed.";
    if (FAILED(m_pMesh->LockIndexBuffer(0, &indices))) {
      m_pMesh->UnlockAttributeBuffer();
      throw "\nError: LockIndexBuffer() failed.";
    }
    const bool wide = (m_pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    const DWORD faces = m_pMesh->GetNumFaces();
    out = new DWORD[faces]();
    for (DWORD f = 0; f < faces; ++f) {
      DWORD c[3];
      for (int k = 0; k < 3; ++k)
        c[k] = wide ? reinterpret_cast<DWORD*>(indices)[3 * f + k] : reinterpret_cast<WORD*>(indices)[3 * f + k];
      if (c[0] != c[1] && c[1] != c[2] && c[0] != c[2]) out[count++] = attributes[f];
    }
    m_pMesh->UnlockIndexBuffer();
    m_pMesh->UnlockAttributeBuffer();
  });
}
