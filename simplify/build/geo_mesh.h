// CGeoMesh: the half-edge connectivity counterpart of one scene mesh, the
// object that the edge-contraction reduction works on. It holds one
// CGeoMeshTriangles per material, a vertex pool shared by them, a copy of the
// source vertices (the unlit vertex buffer) and the vertex handles.
#pragma once

#include <d3d8.h>
#include <d3dx8mesh.h>

#include <unordered_map>
#include <vector>

#include <afx.h>

#include "basemesh.h"
#include "gbox.h"
#include "geo_mesh_triangles.h"
#include "geo_pools.h"
#include "raycollision.h"

class CDXMesh;
class CFrame;
class CMesh;

// The triangles of one material group, before its connectivity is built.
struct SGeoTrianglesSource {
  std::vector<DWORD> indices;       // the corners, three a triangle, as the build sorted them
  const DWORD* borrowed = nullptr;  // or the caller's, read in place (one group)
  size_t borrowedCount = 0;
  std::vector<DWORD>* borrowedOwner = nullptr;  // the caller's list, when it may be freed once read
  const D3DXMATERIAL* material = nullptr;
  IDirect3DTexture8* texture = nullptr;

  const DWORD* Corners() const { return borrowed ? borrowed : indices.data(); }
  size_t CornersCount() const { return borrowed ? borrowedCount : indices.size(); }
};

// A frame holds it as a base mesh of kind eBaseMeshTypeGeoMesh; its name,
// bounds and flags are those of the base.
class CGeoMesh : public CBaseMesh {
 public:
  CGeoMesh();
  ~CGeoMesh() override;

  EBaseMeshType GetMeshType() override { return eBaseMeshTypeGeoMesh; }

  // Builds the connectivity of a vertex buffer of D3DVERTEX records (format
  // 0x112) and a 32-bit index list, one group per material: faceMaterials
  // gives each triangle's material, below nMaterials; NULL makes one group of
  // every triangle. Materials and textures may be NULL. False when a material
  // index is out of range, a step fails or the job stops. When the indices
  // lie in indicesOwner, the build may free that list once it has read it.
  bool Initialize2(DWORD nVertices, IDirect3DVertexBuffer8* vertices, DWORD nIndices, const DWORD* indices,
                   const DWORD* faceMaterials, DWORD nMaterials, D3DXMATERIAL* materials,
                   IDirect3DTexture8** textures, CFrame* parent, char* name, IDirect3DDevice8* device,
                   REDUCTIONOPTIONS* options, CDXThread* thread, std::vector<DWORD>* indicesOwner = nullptr);
  // Whether a build of the vertex buffer and index list keeps a triangle,
  // that is, makes vertices. False too when the buffer cannot be read.
  static bool KeepsATriangle(IDirect3DVertexBuffer8* vertices, size_t nIndices, const DWORD* indices);
  // Builds the connectivity of a D3DX mesh, one group per attribute range.
  // The mesh is converted to format 0x112 when it has another one (normals
  // computed when it had none) and sorted by attribute in place; 16- and
  // 32-bit indices are both accepted. The bounds are taken from box and
  // sphere when given, else computed.
  bool Initialize2(ID3DXMesh* mesh, DWORD* adjacency, DWORD nMaterials, D3DXMATERIAL* materials,
                   IDirect3DTexture8** textures, CGBox* box, CGSphere* sphere, CFrame* parent, char* name,
                   IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  // The index runs of the attribute ranges, with the material and texture of
  // each range's attribute id (past the material array: the default material
  // and no texture).
  bool CreateMaterialTrianglesGroups2(ID3DXMesh* mesh, DWORD nMaterials, D3DXMATERIAL* materials,
                                      IDirect3DTexture8** textures, DWORD nRanges, const D3DXATTRIBUTERANGE* table,
                                      std::vector<SGeoTrianglesSource>& groups);
  // Frees the connectivity and the base content; false when the base content
  // could not be destroyed.
  bool DestroyContent();
  void DestroyVertices();
  // The bounds of the vertex buffer of the build.
  bool ComputeBoundingObjects(IDirect3DVertexBuffer8* vertices);

  // Reduces the mesh in place, group after group.
  bool ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread);
  // Frees the edges of every group, which writing the mesh back does not
  // read: for a mesh that is written back and dropped, not shown, walked or
  // reduced again.
  void ReleaseEdges();
  // Frees the vertex handles, which only show the vertices: for a mesh that
  // is reduced and written back, never shown. The reduction then has no
  // handle to update.
  void DestroyHandles();
  // The source vertices of every group that lie at position, when there are
  // more than one (as where two material groups meet), else NULL. Each group
  // welds its own vertices, so that the groups of a surface join only through
  // such vertices; the reduction keeps the joined surface whole through them.
  const std::vector<CGeoVertex*>* GetCoincidentVertices(const D3DXVECTOR3& position);

  // The names of the scene mesh's material list, normals and texture
  // coordinates, which the mesh written back takes; without a material list
  // name or a texture coordinates name none is written back (the mesh then
  // draws with its own default material).
  void SetSourcePartNames(const char* materialList, const char* normals, const char* textureCoords) {
    m_strMaterialListName = materialList ? materialList : "";
    m_strNormalsName = normals ? normals : "";
    m_strTextureCoordsName = textureCoords ? textureCoords : "";
    m_bMaterialList = materialList != nullptr;
    m_bTextureCoords = textureCoords != nullptr;
  }
  // Writes the active vertices and faces into target, a new scene mesh, with
  // a material per group, recomputed vertex normals and, when the source had
  // them, texture coordinates. Made on the process's device. A mesh without
  // active triangles is not written: false.
  bool InitializeMesh(CMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                      CDXThread* thread);
  // Writes the active vertices (with their own normals) and faces into
  // target, a new Direct3D mesh made on device, one attribute and material
  // per group, with its adjacency and attribute table; cleaned when D3DX
  // finds it invalid. More than 65,535 vertices make a mesh of 32-bit
  // indices. A mesh without active triangles is not written: false.
  bool InitializeClone(CDXMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                       CDXThread* thread);
  // The active vertices as D3DVERTEX records, numbered as the write-back
  // numbers them; false on a stop request.
  bool CreateDXMeshVertices(DWORD& nVertices, D3DVERTEX*& vertices, REDUCTIONOPTIONS* options, CDXThread* thread);
  // The active faces, three indices and one attribute (the group) each, in
  // the write-back's order; the vertices must have been numbered first.
  bool CreateDXMeshIndices(DWORD& nIndices, DWORD*& indices, DWORD*& attributes, REDUCTIONOPTIONS* options,
                           CDXThread* thread);
  // Kept for callers of the build; the build holds no vertex map.
  void DestroyVerticesMap() {}

  CGeoVertexArray* GetGeoVertexArray() { return &m_GeoVertexArray; }
  CFrame* GetParentFrame() const { return m_pParentFrame; }
  bool IsReadyForRenderingRM() const { return m_bReadyForRenderingRM; }
  DWORD GetMaterialsCount() const { return m_dwMaterialsCount; }
  CGeoMeshTriangles* GetGeoMeshTriangles(DWORD i) const { return &m_pGeoMeshTriangles[i]; }
  // False for a mesh built for a caller that never shows it: its groups keep
  // no rendered triangle lists either.
  bool IsShown() const { return m_bShown; }
  // Every vertex handed out, enabled or not.
  DWORD GetOriginalCurrentVerticesCount() const { return m_GeoVertexArray.GetCurrentVerticesCount(); }
  // The vertices that are not disabled; false on a stop request.
  bool GetVerticesCount(DWORD& count, CDXThread* thread);

  // The unlit vertex buffer: a copy of the source vertices that every group's
  // rendered-face list indexes.
  DWORD GetUnlitVerticesCount() const { return m_dwUnlitVerticesCount; }
  IDirect3DVertexBuffer8* GetUnlitVB() const { return m_pUnlitVB; }
  bool CreateUnlitVerticesBuffer(DWORD count, IDirect3DVertexBuffer8*& out);
  // An index buffer of count indices of the given format (D3DFMT_INDEX16 or
  // D3DFMT_INDEX32) on the mesh's device.
  bool CreateIndexBuffer(DWORD count, D3DFORMAT format, IDirect3DIndexBuffer8*& out);
  bool SetUnlitVertexPosition(DWORD index, const D3DXVECTOR3* position);

  // Vertex handles: a small triangle on each vertex that has a fan, indexed
  // by 32-bit lists so that every vertex of any mesh can have one.
  bool CreateVerticesHandles(REDUCTIONOPTIONS* options, CDXThread* thread);
  bool ComputeHandleVerticesFS(CGeoVertex* vertex, D3DVERTEX out[3], REDUCTIONOPTIONS* options,
                               CDXThread* thread);
  void AddVertexToOriginaHandlesMap(CGeoVertex* vertex);
  bool AreVerticesHandlesCreated() const { return m_bVerticesHandlesCreated; }
  DWORD GetHandlesVerticesCount() const { return m_dwHandlesVerticesCount; }
  DWORD GetActiveHandlesIndicesCount() const { return m_dwActiveHandlesIndicesCount; }
  IDirect3DVertexBuffer8* GetHandlesVB() const { return m_pHandlesVB; }
  IDirect3DIndexBuffer8* GetActiveHandlesIB() const { return m_pActiveHandlesIB; }
  // The vertices whose handle triangles the ray crosses: the ray (origin,
  // direction) is carried by fromRay into the space that world maps frame
  // space to, then into frame space. Source handles by index, then midpoint
  // handles; not sorted by distance.
  DWORD GetCollidingRayVertexHandles(CRayVertexCollisionList& out, D3DXVECTOR3* origin, D3DXVECTOR3* direction,
                                     D3DXMATRIX* world, D3DXMATRIX* fromRay);
  // Shows a vertex's handle as active or removed (a midpoint's as shown or
  // not) after the reduction enabled or disabled it.
  void SetVertexHandleDisplayProperties(CGeoVertex* vertex);
  // Writes the handle of a new midpoint vertex into the midpoint buffers at
  // its handle index.
  bool CreateNewMidPointVertexHandle(CGeoVertex* vertex, REDUCTIONOPTIONS* options, CDXThread* thread);

  // Drawing: the groups, then the vertex handles. The frame walk's form
  // draws through the mesh's own; neither takes the mesh-buffer lock.
  HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                 CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) override;
  virtual HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc);
  HRESULT RenderVerticesHandle(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                               CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc);
  // The source vertex of a handle, NULL past the handles made.
  CGeoVertex* GetOriginalHandleVertex(DWORD handle) const {
    return handle < m_OriginalHandlesMap.size() ? m_OriginalHandlesMap[handle] : nullptr;
  }

 protected:
  void ClearContent();
  // Names the mesh (made unique without a name), with zero-size bounds; the
  // mesh counts as initialised only once its build is complete.
  bool InitializeBase(char* name);
  // Copies the source records that draw the mesh; a mesh never shown keeps
  // none.
  bool InitializeUnlitVertices(DWORD count, IDirect3DVertexBuffer8* source, IDirect3DDevice8* device);

 private:
  // Builds every group on the unlit vertices, then the vertex handles.
  bool BuildGroups(DWORD nVertices, IDirect3DVertexBuffer8* vertices, std::vector<SGeoTrianglesSource>& groups,
                   REDUCTIONOPTIONS* options, CDXThread* thread);
  // Frees what the connectivity mesh owns, leaving the base content.
  void DestroyGeoContent();

  DWORD m_dwMaterialsCount;
  CGeoMeshTriangles* m_pGeoMeshTriangles;
  DWORD m_dwUnlitVerticesCount;
  IDirect3DVertexBuffer8* m_pUnlitVB;
  CGeoVertexArray m_GeoVertexArray;
  CFrame* m_pParentFrame;
  bool m_bReadyForRenderingRM;
  IDirect3DVertexBuffer8* m_pHandlesVB;
  DWORD m_dwHandlesVerticesCount;
  IDirect3DIndexBuffer8* m_pActiveHandlesIB;
  DWORD m_dwActiveHandlesIndicesCount;
  bool m_bVerticesHandlesCreated;
  std::vector<CGeoVertex*> m_OriginalHandlesMap;  // handle index to source vertex
  IDirect3DIndexBuffer8* m_pRemovedHandlesIB;
  DWORD m_dwRemovedHandlesIndicesCount;
  IDirect3DVertexBuffer8* m_pMidPointHandlesVB;
  DWORD m_dwMidPointHandlesVerticesCount;
  IDirect3DIndexBuffer8* m_pMidPointHandlesIB;
  DWORD m_dwMidPointHandlesIndicesCount;
  std::vector<CGeoVertex*> m_MidPointHandlesMap;  // handle index to midpoint vertex
  CString m_strMaterialListName;
  CString m_strNormalsName;
  CString m_strTextureCoordsName;
  bool m_bMaterialList;
  bool m_bTextureCoords;
  // The device the mesh's buffers are made on: the one it was built with.
  IDirect3DDevice8* m_pDevice;
  // The positions of more than one source vertex, mapped on first use.
  std::unordered_map<SGeoVertexKey, std::vector<CGeoVertex*>, SGeoVertexKeyHash> m_CoincidentVertices;
  bool m_bCoincidentVerticesMapped;
  // False for a mesh built for a caller that never shows it
  // (REDUCTIONOPTIONS::connectivityNeverShown): it keeps nothing that only
  // drawing reads.
  bool m_bShown;
};
