// Faces grouped by material: the vertex group through which an X-file mesh
// draws one material (its triangle index buffer and its edge-line overlay),
// and the two grouping objects that turn a mesh's faces into triangle index
// lists per material.
#pragma once

#include <d3d8.h>

#include "meshface.h"
#include "xfiledataobject.h"

class CMaterial;

// Vertices of an X-file mesh: position, normal, one texture pair.
inline constexpr DWORD kMeshVertexFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// The triangles of one material of a CMesh, as a triangle-list index buffer
// over the mesh's vertex buffer: 16-bit vertex numbers, or 32-bit ones when
// the mesh has more vertices than 16 bits can number.
class CMeshVerticesGroup {
 public:
  // Triangles per edge-line chunk: 3 line vertices each, 65,535 in all.
  static constexpr DWORD kEdgesLineChunkTriangles = 21845;

  CMeshVerticesGroup() { ClearContent(); }
  CMeshVerticesGroup(const CMeshVerticesGroup&) = delete;
  CMeshVerticesGroup& operator=(const CMeshVerticesGroup&) = delete;
  virtual ~CMeshVerticesGroup() { DestroyContent(); }

  void DestroyContent();
  void DestroyEdgesLineHandles();

  // Creates the index buffer for indexCount indices, locked for filling with
  // AddFace; false when the buffer cannot be made or locked.
  bool CreateIndexBuffer(IDirect3DDevice8* device, DWORD indexCount, bool use32BitIndices);
  // Fans a face into triangles (corners 0, j-1, j) at the end of the locked
  // buffer; returns the triangles added. The caller has sized the buffer.
  DWORD AddFace(const CMeshFace& face);
  // Unlocks the buffer after filling.
  void EndFilling();

  // The vertex number at position i of the locked index data.
  DWORD GetIndex(const BYTE* indices, DWORD i) const;

  // Keeps the edge-line chunks (the group takes both arrays).
  void SetEdgesLineHandles(DWORD chunks, IDirect3DVertexBuffer8** vertexBuffers,
                           IDirect3DIndexBuffer8** indexBuffers, DWORD vertexCount);

  HRESULT Render(IDirect3DDevice8* device, DWORD nVertices, IDirect3DVertexBuffer8* vertices, int opaqueOnly,
                 int transparentOnly, CDXDoc* doc);
  // The edge-line overlay in the given material, above the triangles.
  HRESULT RenderEdgesLine(IDirect3DDevice8* device, int opaqueOnly, int transparentOnly,
                          const D3DMATERIAL8* edgesMaterial);

  void SetReadyForRenderingFlag(bool ready) { m_ready = ready; }
  bool IsReadyForRendering() const { return m_ready; }
  bool IsEdgesLineReady() const { return m_edgesLineReady; }
  void SetMaterial(CMaterial* material) { m_material = material; }
  CMaterial* GetMaterial() const { return m_material; }
  bool IsOpaque() const;
  D3DMATERIAL8* GetD3DMaterial() const;
  IDirect3DIndexBuffer8* GetIndexBuffer() const { return m_indexBuffer; }
  DWORD GetIndicesCount() const { return m_indexCount; }
  bool Uses32BitIndices() const { return m_32BitIndices; }
  DWORD GetEdgesLineChunksCount() const { return m_edgesLineChunks; }
  IDirect3DVertexBuffer8* GetEdgesLineVertexBuffer(DWORD chunk) const { return m_edgesLineVBs[chunk]; }
  IDirect3DIndexBuffer8* GetEdgesLineIndexBuffer(DWORD chunk) const { return m_edgesLineIBs[chunk]; }
  DWORD GetEdgesLineVerticesCount() const { return m_edgesLineVertexCount; }
  DWORD GetDataObjectSize() const { return (m_32BitIndices ? 4 : 2) * m_indexCount + 40; }

 private:
  void ClearContent();

  IDirect3DIndexBuffer8* m_indexBuffer;
  DWORD m_indexCount;
  CMaterial* m_material;  // owned by the mesh's material list
  bool m_ready;
  IDirect3DVertexBuffer8** m_edgesLineVBs;
  IDirect3DIndexBuffer8** m_edgesLineIBs;
  DWORD m_edgesLineChunks;
  bool m_edgesLineReady;
  DWORD m_edgesLineVertexCount;
  bool m_32BitIndices;
  BYTE* m_filling;  // the locked index data while AddFace runs
};

// The numbers of the faces of one material, counted first, then listed.
class CGroupedFacesIndex : public CXFileDataObject {
 public:
  CGroupedFacesIndex();
  ~CGroupedFacesIndex() override;

  void IncrementMaxFacesCount() { ++m_capacity; }
  bool Initialize() { return Initialize(m_capacity); }
  bool Initialize(DWORD capacity);
  // False when the list is full.
  bool AddFaceIndex(DWORD face);
  bool DestroyContent();

  DWORD* GetArrayFacesIndex() const { return m_faces; }
  DWORD GetCurrentFacesCount() const { return m_count; }
  bool IsInitialized() const { return m_initialized; }

 private:
  void ClearContent();

  DWORD m_capacity;
  DWORD* m_faces;
  DWORD m_count;
  bool m_initialized;
};

// A triangle list made by fanning faces: three 32-bit vertex numbers per
// triangle, so that no vertex number is cut.
class CGroupedTrianglesVertexIndices : public CXFileDataObject {
 public:
  CGroupedTrianglesVertexIndices();
  ~CGroupedTrianglesVertexIndices() override;

  // Fans the count faces listed by faceNumbers; a face number at or past
  // nFaces fails.
  bool Initialize(DWORD nFaces, CMeshFace* faces, DWORD count, DWORD* faceNumbers, CDXThread* thread);
  // Fans every face in order.
  bool Initialize(DWORD nFaces, CMeshFace* faces, CDXThread* thread);
  bool DestroyContent();

  DWORD GetTrianglesVertexIndicesCount() const { return m_indexCount; }
  DWORD* GetTrianglesVertexIndices() const { return m_indices; }
  bool IsInitialized() const { return m_initialized; }

 private:
  void ClearContent();
  template <class FaceAt>
  bool Fan(DWORD count, FaceAt faceAt);

  DWORD m_indexCount;
  DWORD* m_indices;
  bool m_initialized;
};
