#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "test_mesh.h"

using PMesh = DeviceTest;

namespace {

// The state of a progressive mesh's buffers and table.
struct Level {
  std::vector<BYTE> vertices;
  std::vector<DWORD> indices;  // every face of the buffer
  std::vector<D3DXATTRIBUTERANGE> table;
  bool operator==(const Level& o) const {
    return vertices == o.vertices && indices == o.indices && table.size() == o.table.size() &&
           std::memcmp(table.data(), o.table.data(), table.size() * sizeof(D3DXATTRIBUTERANGE)) == 0;
  }
};

Level Read(ID3DXPMesh* pmesh) {
  Level level;
  const UINT stride = D3DXGetFVFVertexSize(pmesh->GetFVF());
  BYTE* data = nullptr;
  EXPECT_EQ(pmesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  level.vertices.assign(data, data + static_cast<size_t>(pmesh->GetMaxVertices()) * stride);
  pmesh->UnlockVertexBuffer();
  EXPECT_EQ(pmesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  for (size_t i = 0; i < 3 * static_cast<size_t>(pmesh->GetMaxFaces()); ++i)
    level.indices.push_back((pmesh->GetOptions() & D3DXMESH_32BIT) ? reinterpret_cast<DWORD*>(data)[i]
                                                                    : reinterpret_cast<WORD*>(data)[i]);
  pmesh->UnlockIndexBuffer();
  DWORD size = 0;
  EXPECT_EQ(pmesh->GetAttributeTable(nullptr, &size), D3D_OK);
  level.table.resize(size);
  EXPECT_EQ(pmesh->GetAttributeTable(level.table.data(), &size), D3D_OK);
  return level;
}

D3DXVECTOR3 PositionOf(const Level& level, UINT stride, DWORD v) {
  D3DXVECTOR3 p;
  std::memcpy(&p, level.vertices.data() + static_cast<size_t>(v) * stride, sizeof(p));
  return p;
}

// The active faces of a level: (attribute id, three vertices).
std::vector<std::pair<DWORD, std::array<DWORD, 3>>> ActiveFaces(const Level& level) {
  std::vector<std::pair<DWORD, std::array<DWORD, 3>>> faces;
  for (const D3DXATTRIBUTERANGE& range : level.table)
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f)
      faces.push_back({range.AttribId, {level.indices[3 * f], level.indices[3 * f + 1], level.indices[3 * f + 2]}});
  return faces;
}

D3DXVECTOR3 Normal(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
  D3DXVECTOR3 e1 = b - a, e2 = c - a, n;
  return *D3DXVec3Cross(&n, &e1, &e2);
}

ID3DXPMesh* Generate(ID3DXMesh* mesh, const std::vector<DWORD>& adjacency, DWORD minValue,
                     DWORD options = D3DXMESHSIMP_FACE, const D3DXATTRIBUTEWEIGHTS* weights = nullptr) {
  ID3DXPMesh* pmesh = nullptr;
  EXPECT_EQ(D3DXGeneratePMesh(mesh, adjacency.data(), weights, nullptr, minValue, options, &pmesh), D3D_OK);
  return pmesh;
}

struct Sphere {
  ComRef<ID3DXMesh> mesh;
  std::vector<DWORD> adjacency;
};

void MakeSphere(IDirect3DDevice8* device, Sphere* s) {
  EXPECT_EQ(D3DXCreateSphere(device, 1.0f, 24, 12, &s->mesh, nullptr), D3D_OK);
  s->adjacency = Adjacency(s->mesh.get());
}

// A unit square in z = 0 of n × n quads; the left half has attribute 0 and
// texture coordinates (x, y), the right half attribute 1 and (x + 1, y),
// so the vertices of the middle column come twice.
struct GridVertex {
  D3DXVECTOR3 position;
  float u, v;
};
constexpr DWORD kGridFvf = D3DFVF_XYZ | D3DFVF_TEX1;

ID3DXMesh* MakeSeamGrid(IDirect3DDevice8* device, int n) {
  std::vector<GridVertex> vertices;
  std::map<std::pair<int, int>, DWORD> left, right;
  for (int side = 0; side < 2; ++side)
    for (int j = 0; j <= n; ++j)
      for (int i = side ? n / 2 : 0; i <= (side ? n : n / 2); ++i) {
        const float x = static_cast<float>(i) / n, y = static_cast<float>(j) / n;
        (side ? right : left)[{i, j}] = static_cast<DWORD>(vertices.size());
        vertices.push_back({D3DXVECTOR3(x, y, 0), x + side, y});
      }
  std::vector<DWORD> indices, attributes;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int side = i >= n / 2;
      auto& map = side ? right : left;
      const DWORD a = map[{i, j}], b = map[{i + 1, j}], c = map[{i, j + 1}], d = map[{i + 1, j + 1}];
      indices.insert(indices.end(), {a, c, b, b, c, d});
      attributes.insert(attributes.end(), {DWORD(side), DWORD(side)});
    }
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(static_cast<DWORD>(attributes.size()), static_cast<DWORD>(vertices.size()),
                              D3DXMESH_SYSTEMMEM, kGridFvf, device, &mesh),
            D3D_OK);
  BYTE* vb = nullptr;
  BYTE* ib = nullptr;
  DWORD* ab = nullptr;
  mesh->LockVertexBuffer(0, &vb);
  std::memcpy(vb, vertices.data(), vertices.size() * sizeof(GridVertex));
  mesh->UnlockVertexBuffer();
  mesh->LockIndexBuffer(0, &ib);
  for (size_t i = 0; i < indices.size(); ++i) reinterpret_cast<WORD*>(ib)[i] = static_cast<WORD>(indices[i]);
  mesh->UnlockIndexBuffer();
  mesh->LockAttributeBuffer(0, &ab);
  std::copy(attributes.begin(), attributes.end(), ab);
  mesh->UnlockAttributeBuffer();
  return mesh;
}

// Every edge of the faces, by vertex numbers, with the number of faces that
// run along it in each direction.
std::map<std::pair<DWORD, DWORD>, int> DirectedEdges(const Level& level) {
  std::map<std::pair<DWORD, DWORD>, int> edges;
  for (const auto& [id, f] : ActiveFaces(level))
    for (int k = 0; k < 3; ++k) ++edges[{f[k], f[(k + 1) % 3]}];
  return edges;
}

}  // namespace

TEST_F(PMesh, SphereLevelsByFacesAndVerticesAndBackToFull) {
  Sphere s;
  MakeSphere(m_device.get(), &s);
  ComRef<ID3DXPMesh> pmesh(Generate(s.mesh.get(), s.adjacency, 1));
  ASSERT_TRUE(pmesh);
  EXPECT_EQ(pmesh->GetMaxFaces(), s.mesh->GetNumFaces());
  EXPECT_EQ(pmesh->GetMaxVertices(), s.mesh->GetNumVertices());
  EXPECT_EQ(pmesh->GetNumFaces(), pmesh->GetMaxFaces());
  EXPECT_LE(pmesh->GetMinFaces(), 8u);  // a closed surface goes down to a few faces
  EXPECT_GE(pmesh->GetMinFaces(), 4u);
  const Level full = Read(pmesh.get());

  const DWORD half = pmesh->GetMaxFaces() / 2;
  ASSERT_EQ(pmesh->SetNumFaces(half), D3D_OK);
  EXPECT_LE(pmesh->GetNumFaces(), half);
  EXPECT_GE(pmesh->GetNumFaces() + 1, half);
  const Level halfLevel = Read(pmesh.get());

  // A sphere has one vertex a point, so every vertex count is a level.
  for (DWORD n : {pmesh->GetMaxVertices() - 1, pmesh->GetMaxVertices() / 3, pmesh->GetMinVertices() + 1}) {
    ASSERT_EQ(pmesh->SetNumVertices(n), D3D_OK);
    EXPECT_EQ(pmesh->GetNumVertices(), n);
  }
  // Out of the limits: the nearest end.
  pmesh->SetNumFaces(0);
  EXPECT_EQ(pmesh->GetNumFaces(), pmesh->GetMinFaces());
  EXPECT_EQ(pmesh->GetNumVertices(), pmesh->GetMinVertices());
  pmesh->SetNumVertices(0xFFFFFFFF);
  EXPECT_EQ(pmesh->GetNumVertices(), pmesh->GetMaxVertices());

  // Round trips give the very same buffers.
  EXPECT_TRUE(Read(pmesh.get()) == full);
  pmesh->SetNumFaces(half);
  EXPECT_TRUE(Read(pmesh.get()) == halfLevel);
  pmesh->SetNumFaces(pmesh->GetMaxFaces());
  EXPECT_TRUE(Read(pmesh.get()) == full);
}

TEST_F(PMesh, NoLevelOfAClosedSphereHasAFlippedDegenerateOrNonManifoldFace) {
  Sphere s;
  MakeSphere(m_device.get(), &s);
  ComRef<ID3DXPMesh> pmesh(Generate(s.mesh.get(), s.adjacency, 1));
  ASSERT_TRUE(pmesh);
  const UINT stride = D3DXGetFVFVertexSize(pmesh->GetFVF());
  float side = 0;  // which way the sphere's faces point: every level keeps it
  for (DWORD n = pmesh->GetMaxVertices(); n >= pmesh->GetMinVertices() && n > 0; --n) {
    pmesh->SetNumVertices(n);
    const Level level = Read(pmesh.get());
    for (const auto& [id, f] : ActiveFaces(level)) {
      ASSERT_LT(std::max({f[0], f[1], f[2]}), pmesh->GetNumVertices());
      const D3DXVECTOR3 a = PositionOf(level, stride, f[0]), b = PositionOf(level, stride, f[1]),
                        c = PositionOf(level, stride, f[2]);
      D3DXVECTOR3 n3 = Normal(a, b, c);
      const D3DXVECTOR3 centre = (a + b + c) / 3.0f;
      const float outward = D3DXVec3Dot(&n3, &centre);
      if (side == 0) side = outward > 0 ? 1.0f : -1.0f;
      ASSERT_GT(outward * side, 0.0f) << "level " << n;
      ASSERT_GT(D3DXVec3Length(&n3), 1e-6f) << "level " << n;
    }
    // Closed and manifold: each edge once in each direction.
    const auto edges = DirectedEdges(level);
    for (const auto& [edge, count] : edges) {
      ASSERT_EQ(count, 1) << "level " << n;
      ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << "level " << n;
    }
  }
}

TEST_F(PMesh, MinimumValueByFacesOrVertices) {
  Sphere s;
  MakeSphere(m_device.get(), &s);
  ComRef<ID3DXPMesh> byFaces(Generate(s.mesh.get(), s.adjacency, 100, D3DXMESHSIMP_FACE));
  ComRef<ID3DXPMesh> byVertices(Generate(s.mesh.get(), s.adjacency, 50, D3DXMESHSIMP_VERTEX));
  ASSERT_TRUE(byFaces && byVertices);
  EXPECT_LE(byFaces->GetMinFaces(), 100u);
  EXPECT_GE(byFaces->GetMinFaces(), 99u);
  EXPECT_EQ(byVertices->GetMinVertices(), 50u);
}

TEST_F(PMesh, BordersSeamsAndTextureCoordinatesHoldAtEveryLevel) {
  ComRef<ID3DXMesh> grid(MakeSeamGrid(m_device.get(), 12));
  const std::vector<DWORD> adjacency = Adjacency(grid.get());
  ComRef<ID3DXPMesh> pmesh(Generate(grid.get(), adjacency, 1));
  ASSERT_TRUE(pmesh);
  EXPECT_LT(pmesh->GetMinFaces(), pmesh->GetMaxFaces() / 4);
  const UINT stride = sizeof(GridVertex);
  DWORD tableSize = 0;
  pmesh->GetAttributeTable(nullptr, &tableSize);
  EXPECT_EQ(tableSize, 2u);
  // The two rectangles need their four corners each, the two on the seam
  // twice: below 8 vertices the shape must give.
  EXPECT_LE(pmesh->GetMinVertices(), 8u);
  for (DWORD n = pmesh->GetMaxVertices(); n >= 8; --n) {
    pmesh->SetNumVertices(n);
    const Level level = Read(pmesh.get());
    ASSERT_EQ(level.table.size(), 2u);
    DWORD faces = 0;
    double area[2] = {0, 0};
    for (const D3DXATTRIBUTERANGE& range : level.table) {
      faces += range.FaceCount;
      EXPECT_EQ(range.VertexCount, pmesh->GetNumVertices());
    }
    ASSERT_EQ(faces, pmesh->GetNumFaces());
    for (const auto& [id, f] : ActiveFaces(level)) {
      for (DWORD v : f) {
        GridVertex gv;
        std::memcpy(&gv, level.vertices.data() + static_cast<size_t>(v) * stride, stride);
        // Each material keeps its side, and the texture follows the surface.
        ASSERT_NEAR(gv.u, gv.position.x + id, 1e-4) << "level " << n;
        ASSERT_NEAR(gv.v, gv.position.y, 1e-4) << "level " << n;
        ASSERT_TRUE(id ? gv.position.x >= 0.5f - 1e-5f : gv.position.x <= 0.5f + 1e-5f) << "level " << n;
      }
      const D3DXVECTOR3 normal =
          Normal(PositionOf(level, stride, f[0]), PositionOf(level, stride, f[1]), PositionOf(level, stride, f[2]));
      ASSERT_LT(normal.z, 0.0f) << "level " << n;  // clockwise seen from −z … no face turned over
      area[id] += D3DXVec3Length(&normal) / 2;
    }
    // The square and its halves stay whole: borders and the seam stay put.
    ASSERT_NEAR(area[0], 0.5, 1e-4) << "level " << n;
    ASSERT_NEAR(area[1], 0.5, 1e-4) << "level " << n;
    const auto edges = DirectedEdges(level);
    for (const auto& [edge, count] : edges) {
      if (edges.count({edge.second, edge.first})) continue;
      const D3DXVECTOR3 a = PositionOf(level, stride, edge.first), b = PositionOf(level, stride, edge.second);
      const bool onSide = (a.x == b.x && (a.x == 0 || a.x == 1 || std::fabs(a.x - 0.5f) < 1e-6f)) ||
                          (a.y == b.y && (a.y == 0 || a.y == 1));
      ASSERT_TRUE(onSide) << "level " << n;
    }
  }
}

TEST_F(PMesh, OptimizeGivesThePlainMeshOfTheLevel) {
  ComRef<ID3DXMesh> grid(MakeSeamGrid(m_device.get(), 8));
  ComRef<ID3DXPMesh> pmesh(Generate(grid.get(), Adjacency(grid.get()), 1));
  ASSERT_TRUE(pmesh);
  pmesh->SetNumFaces(pmesh->GetMaxFaces() / 2);
  const DWORD faces = pmesh->GetNumFaces();
  std::vector<DWORD> adjacency(3 * faces), faceRemap(faces);
  ComRef<ID3DXBuffer> vertexRemap;
  ComRef<ID3DXMesh> plain;
  ASSERT_EQ(pmesh->Optimize(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESH_SYSTEMMEM, adjacency.data(),
                            faceRemap.data(), &vertexRemap, &plain),
            D3D_OK);
  EXPECT_EQ(plain->GetNumFaces(), faces);
  EXPECT_LE(plain->GetNumVertices(), pmesh->GetNumVertices());
  EXPECT_EQ(plain->GetOptions(), static_cast<DWORD>(D3DXMESH_SYSTEMMEM));
  const std::vector<D3DXATTRIBUTERANGE> table = Table(plain.get());
  ASSERT_EQ(table.size(), 2u);
  const Level level = Read(pmesh.get());
  EXPECT_EQ(table[0].FaceCount, level.table[0].FaceCount);
  EXPECT_EQ(table[1].FaceCount, level.table[1].FaceCount);
  // The remaps lead back to the progressive mesh's faces and vertices.
  BYTE* ib = nullptr;
  ASSERT_EQ(plain->LockIndexBuffer(D3DLOCK_READONLY, &ib), D3D_OK);
  const DWORD* vertexOf = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
  for (DWORD f = 0; f < faces; ++f)
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(vertexOf[reinterpret_cast<WORD*>(ib)[3 * f + k]], level.indices[3 * faceRemap[f] + k]);
  plain->UnlockIndexBuffer();
  // The seam's twin vertices are joined in the adjacency.
  int borders = 0;
  for (DWORD a : adjacency) borders += a == D3DX_NO_ADJACENT_FACE;
  int levelBorders = 0;
  const auto edges = DirectedEdges(level);
  for (const auto& [edge, count] : edges) levelBorders += edges.count({edge.second, edge.first}) == 0;
  EXPECT_LT(borders, levelBorders);
}

TEST_F(PMesh, CloneKeepsTheLevelInAnotherLayout) {
  Sphere s;
  MakeSphere(m_device.get(), &s);
  ComRef<ID3DXPMesh> pmesh(Generate(s.mesh.get(), s.adjacency, 1));
  ASSERT_TRUE(pmesh);
  pmesh->SetNumVertices(100);
  ComRef<ID3DXPMesh> clone;
  ASSERT_EQ(pmesh->ClonePMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_TEX1, m_device.get(), &clone),
            D3D_OK);
  EXPECT_EQ(clone->GetNumVertices(), 100u);
  EXPECT_EQ(clone->GetMaxFaces(), pmesh->GetMaxFaces());
  EXPECT_EQ(clone->GetOptions(), static_cast<DWORD>(D3DXMESH_MANAGED | D3DXMESH_32BIT));
  // Both move through their levels alike.
  for (DWORD n : {pmesh->GetMaxVertices(), 40u, 200u}) {
    pmesh->SetNumVertices(n);
    clone->SetNumVertices(n);
    const Level a = Read(pmesh.get()), b = Read(clone.get());
    EXPECT_EQ(a.indices, b.indices);
    for (DWORD v = 0; v < n; ++v)
      EXPECT_EQ(PositionOf(a, D3DXGetFVFVertexSize(pmesh->GetFVF()), v), PositionOf(b, 20, v));
  }
}

TEST_F(PMesh, RefusesWhatItCannotSimplify) {
  Sphere s;
  MakeSphere(m_device.get(), &s);
  ID3DXPMesh* pmesh = reinterpret_cast<ID3DXPMesh*>(1);
  EXPECT_EQ(D3DXGeneratePMesh(nullptr, nullptr, nullptr, nullptr, 1, D3DXMESHSIMP_FACE, &pmesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(pmesh, nullptr);
  EXPECT_EQ(D3DXGeneratePMesh(s.mesh.get(), nullptr, nullptr, nullptr, 1, 0, &pmesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGeneratePMesh(s.mesh.get(), nullptr, nullptr, nullptr, 1, D3DXMESHSIMP_FACE, nullptr),
            D3DERR_INVALIDCALL);
  // A position that is not a number, or only degenerate faces.
  ComRef<ID3DXMesh> bad(MakeMesh(m_device.get(), {{0, 0, 0}, {1, 0, 0}, {0, NAN, 0}}, {0, 1, 2}));
  EXPECT_EQ(D3DXGeneratePMesh(bad.get(), nullptr, nullptr, nullptr, 1, D3DXMESHSIMP_FACE, &pmesh),
            D3DXERR_INVALIDMESH);
  ComRef<ID3DXMesh> flat(MakeMesh(m_device.get(), {{0, 0, 0}, {1, 0, 0}}, {0, 1, 1}));
  EXPECT_EQ(D3DXGeneratePMesh(flat.get(), nullptr, nullptr, nullptr, 1, D3DXMESHSIMP_FACE, &pmesh),
            D3DXERR_INVALIDMESH);
  // Without adjacency, vertices at one position are one point.
  ComRef<ID3DXPMesh> joined;
  EXPECT_EQ(D3DXGeneratePMesh(s.mesh.get(), nullptr, nullptr, nullptr, 1, D3DXMESHSIMP_FACE, &joined), D3D_OK);
  EXPECT_LE(joined->GetMinFaces(), 8u);
}

TEST_F(PMesh, AThinSpikeOutlastsTheWavesAroundIt) {
  // Waves over the unit square, n × n quads, with a spike five cells high on
  // one vertex. The planes of the spike's steep sides barely change as its
  // tip sinks, so the tip must hold on by its distance, not by them.
  constexpr int n = 16;
  constexpr float height = 5.0f / n;
  std::vector<D3DXVECTOR3> positions;
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) {
      const float x = static_cast<float>(i) / n, y = static_cast<float>(j) / n;
      positions.push_back({x, y, 0.1f * std::sin(12.0f * x) * std::sin(9.0f * y)});
    }
  const DWORD tip = (n / 2) * (n + 1) + n / 2;
  positions[tip].z += height;
  std::vector<DWORD> indices;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const DWORD a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      indices.insert(indices.end(), {a, b, c, b, d, c});
    }
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, indices));
  ASSERT_TRUE(mesh);
  ComRef<ID3DXPMesh> pmesh(Generate(mesh.get(), Adjacency(mesh.get()), 1));
  ASSERT_TRUE(pmesh);
  const UINT stride = D3DXGetFVFVertexSize(pmesh->GetFVF());
  // Down to 16 of the 512 faces the tip stays on the level (the quadric alone
  // lets it sink most of the way at 32).
  for (DWORD faces : {128u, 32u, 16u}) {
    pmesh->SetNumFaces(faces);
    const Level level = Read(pmesh.get());
    // The tip's distance to the level, from points spread over its faces.
    float nearest = std::numeric_limits<float>::max();
    for (const auto& [id, f] : ActiveFaces(level)) {
      const D3DXVECTOR3 a = PositionOf(level, stride, f[0]), b = PositionOf(level, stride, f[1]),
                        c = PositionOf(level, stride, f[2]);
      for (int u = 0; u <= 16; ++u)
        for (int v = 0; u + v <= 16; ++v) {
          D3DXVECTOR3 d = a + (b - a) * (u / 16.0f) + (c - a) * (v / 16.0f) - positions[tip];
          nearest = std::min(nearest, D3DXVec3Length(&d));
        }
    }
    EXPECT_LT(nearest, 0.1f * height) << faces << " faces";
  }
}
