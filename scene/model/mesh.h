// CMesh: the data object of the .x Mesh template. Vertex positions live in a
// Direct3D vertex buffer (format 0x112), faces as read; the material list,
// normals, texture coordinates, vertex colours and face wraps are child data
// objects. After loading, five preparation steps make it drawable: vertex
// groups per material with their index buffers, edge-line buffers, vertex
// normals, texture coordinates and the array of materials. The loader and the
// reduction's write-back leave out the edge lines: a mesh builds them when it
// is first drawn with them.
#pragma once

#include <d3d8.h>
#include <d3dx8math.h>

#include "gbox.h"
#include "meshgroups.h"
#include "meshparts.h"
#include "xfiledataobject.h"

class CFrame;
class CGeoMesh;
struct REDUCTIONOPTIONS;

class CMesh : public CXFileDataObject {
 public:
  CMesh();
  ~CMesh() override;

  DWORD GetDataObjectSize() override;
  DWORD GetMetricsCount() override { return 4; }
  // Four lines in strings shared by every mesh, overwritten by each call.
  char** GetMetrics() override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;

  bool DestroyContent();
  // Takes over the buffer reference and the face array; empty bounds.
  void SetMandatoryMembers(DWORD nVertices, IDirect3DVertexBuffer8* vertices, DWORD nFaces, CMeshFace* faces);
  bool ComputeBoundingObjects();

  // The preparation steps, in this order.
  HRESULT CreateMeshVerticesGroups(CDXThread* thread);
  bool CreateMeshEdgesLine(CDXThread* thread);
  HRESULT SetMeshVerticesNormal();
  HRESULT SetMeshTextureCoords();
  bool SetMaterialsArray();

  // Draws the vertex groups; when the document shows active edges and the
  // groups have no edge lines yet, builds them first.
  HRESULT Render(IDirect3DDevice8* device, int opaqueOnly, int transparentOnly, CDXDoc* doc);
  // Builds the connectivity mesh of this mesh: its vertices, its faces fanned
  // into triangles and their materials as the vertex groups take them. A
  // mesh marked replaced whose copy will have vertices frees its faces,
  // vertex groups and normals' arrays before the build and its vertex buffer
  // after it; its name and child objects stay.
  bool InitializeClone(CGeoMesh* target, CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread);
  // Marks the mesh as one that the reduced copy of its connectivity mesh is
  // to replace (the batch's reduction), so that its build frees it.
  void SetReplacedByReducedCopy(bool replaced) { m_replacedByReducedCopy = replaced; }

  CMeshMaterialList* GetMeshMaterialList();
  CMeshNormals* GetMeshNormals();
  CMeshTextureCoords* GetMeshTextureCoords();
  CMeshVertexColors* GetMeshVertexColors();
  CMeshFaceWraps* GetMeshFaceWraps();
  CFrame* GetNextFrame(POSITION& pos);

  DWORD GetVerticesCount() const { return m_nVertices; }
  DWORD GetFacesCount() const { return m_nFaces; }
  CMeshFace* GetFaces() const { return m_faces; }
  IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_vertices; }
  CMeshVerticesGroup* GetMeshVerticesGroup() const { return m_groups; }
  DWORD GetMeshVerticesGroupCount() const { return m_groupCount; }
  CMaterial** GetMaterials() const { return m_materials; }
  DWORD GetMaterialsCount() const { return m_materialCount; }
  CGBox* GetBoundingBox() const { return m_boundingBox; }
  CGSphere* GetBoundingSphere() const { return m_boundingSphere; }
  D3DXVECTOR3* GetCenterFS() const { return m_boundingSphere->GetCenterFS(); }
  void GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* world) const;
  float GetRadiusFS() const { return m_boundingSphere->GetRadiusFS(); }
  float GetRadiusWS(D3DXMATRIX* world) const { return m_boundingSphere->GetRadiusWS(world, false); }
  bool IsReadyForRendering() const { return m_readyForRendering; }
  void SetReadyForRenderingFlag(bool ready) { m_readyForRendering = ready; }

 protected:
  void ClearContent();

 private:
  // Index buffers number vertices in 16 bits unless the mesh needs more.
  bool NeedsWideIndices() const { return m_nVertices > 0x10000; }
  void DestroyGroups();
  // The faces, the vertex groups and the normals' arrays; the vertex buffer.
  void ReleaseFaces();
  void ReleaseVertices();
  HRESULT CreateOneVerticesGroup(CMaterial* material, CDXThread* thread);
  bool CreateVerticesGroupEdgesLine(CMeshVerticesGroup& group, CDXThread* thread);
  void CreateEdgesLineHandlesVB(IDirect3DVertexBuffer8** vb, IDirect3DIndexBuffer8** ib, DWORD triangles,
                                DWORD firstTriangle, const BYTE* faceIndices, const D3DVERTEX* meshVertices,
                                CMeshVerticesGroup& group, float offset, CDXThread* thread);

  IDirect3DVertexBuffer8* m_vertices;
  DWORD m_nVertices;
  DWORD m_nFaces;
  CMeshFace* m_faces;
  CMaterial** m_materials;
  DWORD m_materialCount;
  DWORD m_groupCount;
  CMeshVerticesGroup* m_groups;
  CGBox* m_boundingBox;
  CGSphere* m_boundingSphere;
  bool m_readyForRendering;
  bool m_edgesLineBuilt;  // CreateMeshEdgesLine ran over the current groups, well or not
  bool m_replacedByReducedCopy;
};

// The three corners of a triangle lifted by offset along its unit normal,
// with zero normals and texture coordinates: the edges float just above the
// surface.
void ComputeTriangleLinesVerticesFS(DWORD a, DWORD b, DWORD c, const D3DVERTEX* vertices, float offset,
                                    D3DVERTEX out[3]);
