// The mesh object. Internal to D3DX.
#pragma once

#include "meshdata.h"

class CD3DXMesh : public TComObject<ID3DXMesh, &IID_ID3DXMesh> {
 public:
  static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                        CD3DXMesh** mesh);
  // A new mesh holding data, on device.
  static HRESULT Create(const MeshData& data, IDirect3DDevice8* device, CD3DXMesh** mesh);
  // The mesh object behind an interface of this layer; NULL for others.
  static CD3DXMesh* From(ID3DXBaseMesh* mesh);

  // The whole content as arrays.
  HRESULT Read(MeshData* data);
  // Replaces the content; the format and options must stay, the counts may
  // change. Memory that a lock of the mesh still points to stays until the
  // last of its locks is released. With other counts the mesh takes new buffers, and buffers handed
  // out before keep their old content.
  HRESULT Write(const MeshData& data);

  HRESULT DrawSubset(DWORD attribId) override;
  DWORD GetNumFaces() override { return m_numFaces; }
  DWORD GetNumVertices() override { return m_numVertices; }
  DWORD GetFVF() override { return m_fvf; }
  DWORD GetOptions() override { return m_options; }
  HRESULT GetDevice(IDirect3DDevice8** device) override;
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** clone) override;
  HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer) override;
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer) override;
  HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override;
  HRESULT UnlockIndexBuffer() override;
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
  HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) override;
  HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) override;
  HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override;
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
  HRESULT UnlockAttributeBuffer() override;
  HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                   ID3DXBuffer** vertexRemap, ID3DXMesh** optimized) override;
  HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                          ID3DXBuffer** vertexRemap) override;

 private:
  CD3DXMesh() = default;
  ~CD3DXMesh() override;
  HRESULT Allocate(IDirect3DDevice8* device, DWORD numFaces, DWORD numVertices);
  // Read with every index in range; D3DXERR_INVALIDDATA otherwise.
  HRESULT ReadChecked(MeshData* data);
  enum Part { kVertices, kIndices, kAttributes };
  HRESULT Locked(Part part, HRESULT lock);
  HRESULT Unlock(Part part);

  DWORD m_options = 0;
  DWORD m_fvf = 0;
  DWORD m_numFaces = 0;
  DWORD m_numVertices = 0;
  IDirect3DVertexBuffer8* m_vertexBuffer = nullptr;
  IDirect3DIndexBuffer8* m_indexBuffer = nullptr;
  ULONG m_locks[3] = {};  // Lock…Buffer calls not yet unlocked, per part
  // Buffers and attributes replaced while locked, kept for those locks.
  std::vector<IUnknown*> m_retiredBuffers;
  std::vector<std::vector<DWORD>> m_retiredAttributes;
  std::vector<DWORD> m_attributes;
  std::vector<D3DXATTRIBUTERANGE> m_table;
};
