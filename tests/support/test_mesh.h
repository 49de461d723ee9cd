// Meshes built from arrays, for tests of the D3DX mesh functions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "d3dx8.h"
#include "test_device.h"

struct MeshVertex {
  D3DXVECTOR3 position, normal;
};

// A D3DFVF_XYZ | D3DFVF_NORMAL mesh of the given faces; attributes default
// to 0, normals to zero.
inline ID3DXMesh* MakeMesh(IDirect3DDevice8* device, const std::vector<D3DXVECTOR3>& positions,
                           const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes = {},
                           const std::vector<D3DXVECTOR3>& normals = {}, DWORD options = D3DXMESH_SYSTEMMEM) {
  ID3DXMesh* mesh = nullptr;
  const DWORD faces = static_cast<DWORD>(indices.size() / 3);
  EXPECT_EQ(D3DXCreateMeshFVF(faces, static_cast<DWORD>(positions.size()), options, D3DFVF_XYZ | D3DFVF_NORMAL,
                              device, &mesh),
            D3D_OK);
  if (!mesh) return nullptr;
  MeshVertex* vertices = nullptr;
  BYTE* index = nullptr;
  DWORD* attribute = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(0, reinterpret_cast<BYTE**>(&vertices)), D3D_OK);
  EXPECT_EQ(mesh->LockIndexBuffer(0, &index), D3D_OK);
  EXPECT_EQ(mesh->LockAttributeBuffer(0, &attribute), D3D_OK);
  for (size_t i = 0; i < positions.size(); ++i)
    vertices[i] = {positions[i], i < normals.size() ? normals[i] : D3DXVECTOR3()};
  for (size_t i = 0; i < indices.size(); ++i) {
    if (options & D3DXMESH_32BIT)
      reinterpret_cast<DWORD*>(index)[i] = indices[i];
    else
      reinterpret_cast<WORD*>(index)[i] = static_cast<WORD>(indices[i]);
  }
  for (size_t f = 0; f < attributes.size(); ++f) attribute[f] = attributes[f];
  mesh->UnlockAttributeBuffer();
  mesh->UnlockIndexBuffer();
  mesh->UnlockVertexBuffer();
  return mesh;
}

inline std::vector<MeshVertex> Vertices(ID3DXMesh* mesh) {
  std::vector<MeshVertex> out(mesh->GetNumVertices());
  BYTE* data = nullptr;
  EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
  if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return {};
  std::memcpy(out.data(), data, out.size() * sizeof(MeshVertex));
  mesh->UnlockVertexBuffer();
  return out;
}

inline std::vector<DWORD> Indices(ID3DXMesh* mesh) {
  std::vector<DWORD> out(3 * mesh->GetNumFaces());
  BYTE* data = nullptr;
  if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return {};
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = (mesh->GetOptions() & D3DXMESH_32BIT) ? reinterpret_cast<DWORD*>(data)[i]
                                                    : reinterpret_cast<WORD*>(data)[i];
  mesh->UnlockIndexBuffer();
  return out;
}

inline std::vector<DWORD> Attributes(ID3DXMesh* mesh) {
  DWORD* data = nullptr;
  if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data))) return {};
  std::vector<DWORD> out(data, data + mesh->GetNumFaces());
  mesh->UnlockAttributeBuffer();
  return out;
}

inline std::vector<D3DXATTRIBUTERANGE> Table(ID3DXMesh* mesh) {
  DWORD size = 0;
  EXPECT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
  std::vector<D3DXATTRIBUTERANGE> table(size);
  if (size) {
    EXPECT_EQ(mesh->GetAttributeTable(table.data(), &size), D3D_OK);
  }
  return table;
}

inline std::vector<DWORD> Adjacency(ID3DXMesh* mesh, float epsilon = 0.0f) {
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
  EXPECT_EQ(mesh->GenerateAdjacency(epsilon, adjacency.data()), D3D_OK);
  return adjacency;
}

inline constexpr DWORD kNone = D3DX_NO_ADJACENT_FACE;
