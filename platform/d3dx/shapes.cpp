#include <cmath>
#include <cstring>
#include <vector>

#include "meshimpl.h"

#include "d3dx8shape.h"

namespace {

struct ShapeVertex {
  D3DXVECTOR3 position, normal;
};

// Triangles wound so that their front faces the way their vertex normals
// point, which is outward for a closed convex shape.
class ShapeBuilder {
 public:
  DWORD Add(const D3DXVECTOR3& position, const D3DXVECTOR3& normal) {
    m_vertices.push_back({position, normal});
    return static_cast<DWORD>(m_vertices.size() - 1);
  }
  void Triangle(DWORD a, DWORD b, DWORD c) {
    const D3DXVECTOR3 e1 = m_vertices[b].position - m_vertices[a].position;
    const D3DXVECTOR3 e2 = m_vertices[c].position - m_vertices[a].position;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    const D3DXVECTOR3 out = m_vertices[a].normal + m_vertices[b].normal + m_vertices[c].normal;
    if (D3DXVec3Dot(&n, &out) < 0.0f) std::swap(b, c);
    m_indices.insert(m_indices.end(), {a, b, c});
  }
  void Quad(DWORD a, DWORD b, DWORD c, DWORD d) {
    Triangle(a, b, c);
    Triangle(a, c, d);
  }

  HRESULT Finish(IDirect3DDevice8* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency) const {
    MeshData data;
    data.options = D3DXMESH_MANAGED;
    data.layout = DecodeFvf(D3DFVF_XYZ | D3DFVF_NORMAL);
    data.numVertices = static_cast<DWORD>(m_vertices.size());
    data.vertices.resize(m_vertices.size() * sizeof(ShapeVertex));
    std::memcpy(data.vertices.data(), m_vertices.data(), data.vertices.size());
    data.indices = m_indices;
    data.attributes.assign(m_indices.size() / 3, 0);
    CD3DXMesh* created = nullptr;
    HRESULT hr = CD3DXMesh::Create(data, device, &created);
    if (SUCCEEDED(hr) && adjacency) {
      hr = D3DXCreateBuffer(static_cast<DWORD>(m_indices.size() * sizeof(DWORD)), adjacency);
      if (SUCCEEDED(hr)) hr = created->GenerateAdjacency(0.0f, static_cast<DWORD*>((*adjacency)->GetBufferPointer()));
      if (FAILED(hr) && *adjacency) {
        (*adjacency)->Release();
        *adjacency = nullptr;
      }
    }
    if (FAILED(hr) && created) {
      created->Release();
      created = nullptr;
    }
    *mesh = created;
    return hr;
  }

 private:
  std::vector<ShapeVertex> m_vertices;
  std::vector<DWORD> m_indices;
};

constexpr unsigned long long kMaxVertices = 0xFFFF;

bool Begin(IDirect3DDevice8* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (mesh) *mesh = nullptr;
  if (adjacency) *adjacency = nullptr;
  return device && mesh;
}

D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, &v);
  return n;
}

}  // namespace

HRESULT D3DXCreateBox(IDirect3DDevice8* device, float width, float height, float depth, ID3DXMesh** mesh,
                      ID3DXBuffer** adjacency) {
  if (!Begin(device, mesh, adjacency) || !(width >= 0.0f && height >= 0.0f && depth >= 0.0f))
    return D3DERR_INVALIDCALL;
  const D3DXVECTOR3 half(width / 2, height / 2, depth / 2);
  ShapeBuilder shape;
  for (int axis = 0; axis < 3; ++axis)
    for (float sign : {-1.0f, 1.0f}) {
      D3DXVECTOR3 normal;
      normal[axis] = sign;
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      DWORD corners[4];
      const float us[4] = {-1, 1, 1, -1}, vs[4] = {-1, -1, 1, 1};
      for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 p;
        p[axis] = sign * half[axis];
        p[u] = us[i] * half[u];
        p[v] = vs[i] * half[v];
        corners[i] = shape.Add(p, normal);
      }
      shape.Quad(corners[0], corners[1], corners[2], corners[3]);
    }
  return shape.Finish(device, mesh, adjacency);
}

HRESULT D3DXCreateSphere(IDirect3DDevice8* device, float radius, UINT slices, UINT stacks, ID3DXMesh** mesh,
                         ID3DXBuffer** adjacency) {
  if (!Begin(device, mesh, adjacency) || !(radius >= 0.0f) || slices < 2 || stacks < 2 ||
      (stacks - 1ull) * slices + 2 > kMaxVertices)
    return D3DERR_INVALIDCALL;
  ShapeBuilder shape;
  const DWORD top = shape.Add(D3DXVECTOR3(0, 0, radius), D3DXVECTOR3(0, 0, 1));
  std::vector<DWORD> previous;
  for (UINT stack = 1; stack < stacks; ++stack) {
    const float phi = D3DX_PI * stack / stacks;
    std::vector<DWORD> ring;
    for (UINT slice = 0; slice < slices; ++slice) {
      const float theta = 2 * D3DX_PI * slice / slices;
      const D3DXVECTOR3 n(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta), std::cos(phi));
      ring.push_back(shape.Add(n * radius, n));
    }
    for (UINT slice = 0; slice < slices; ++slice) {
      const UINT next = (slice + 1) % slices;
      if (previous.empty())
        shape.Triangle(top, ring[slice], ring[next]);
      else
        shape.Quad(previous[slice], ring[slice], ring[next], previous[next]);
    }
    previous = std::move(ring);
  }
  const DWORD bottom = shape.Add(D3DXVECTOR3(0, 0, -radius), D3DXVECTOR3(0, 0, -1));
  for (UINT slice = 0; slice < slices; ++slice) shape.Triangle(bottom, previous[(slice + 1) % slices], previous[slice]);
  return shape.Finish(device, mesh, adjacency);
}

HRESULT D3DXCreateCylinder(IDirect3DDevice8* device, float radius1, float radius2, float length, UINT slices,
                           UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (!Begin(device, mesh, adjacency) || !(radius1 >= 0.0f && radius2 >= 0.0f && length >= 0.0f) || slices < 2 ||
      stacks < 1 || (stacks + 1ull) * slices + 2ull * (slices + 1) > kMaxVertices)
    return D3DERR_INVALIDCALL;
  ShapeBuilder shape;
  // The side: rings from z = −length / 2 (radius1) to +length / 2 (radius2).
  std::vector<DWORD> previous;
  for (UINT stack = 0; stack <= stacks; ++stack) {
    const float t = static_cast<float>(stack) / stacks;
    const float z = -length / 2 + t * length, r = radius1 + t * (radius2 - radius1);
    std::vector<DWORD> ring;
    for (UINT slice = 0; slice < slices; ++slice) {
      const float theta = 2 * D3DX_PI * slice / slices;
      const float c = std::cos(theta), s = std::sin(theta);
      ring.push_back(shape.Add(D3DXVECTOR3(r * c, r * s, z), Unit(D3DXVECTOR3(length * c, length * s, radius1 - radius2))));
    }
    if (!previous.empty())
      for (UINT slice = 0; slice < slices; ++slice) {
        const UINT next = (slice + 1) % slices;
        shape.Quad(previous[slice], ring[slice], ring[next], previous[next]);
      }
    previous = std::move(ring);
  }
  // The two ends, each a fan around its centre.
  for (float sign : {-1.0f, 1.0f}) {
    const float r = sign < 0 ? radius1 : radius2;
    const D3DXVECTOR3 normal(0, 0, sign);
    const DWORD centre = shape.Add(D3DXVECTOR3(0, 0, sign * length / 2), normal);
    std::vector<DWORD> ring;
    for (UINT slice = 0; slice < slices; ++slice) {
      const float theta = 2 * D3DX_PI * slice / slices;
      ring.push_back(shape.Add(D3DXVECTOR3(r * std::cos(theta), r * std::sin(theta), sign * length / 2), normal));
    }
    for (UINT slice = 0; slice < slices; ++slice) shape.Triangle(centre, ring[slice], ring[(slice + 1) % slices]);
  }
  return shape.Finish(device, mesh, adjacency);
}
