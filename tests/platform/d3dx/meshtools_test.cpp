#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "math_expect.h"
#include "test_mesh.h"

using MeshTools = DeviceTest;

namespace {

std::string Text(ID3DXBuffer* buffer) {
  return buffer ? std::string(static_cast<const char*>(buffer->GetBufferPointer())) : std::string();
}

// Two triangles sharing the edge 0–2 and a third one that touches vertex 0
// only: vertex 0 is a bowtie.
const std::vector<D3DXVECTOR3> kBowtie = {{0, 0, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -2, 0}, {-2, -1, 0}};
const std::vector<DWORD> kBowtieFaces = {0, 1, 2, 0, 2, 3, 0, 4, 5};

// A fan of four triangles around vertex 0; vertex 5 repeats vertex 1 to
// close it.
const std::vector<D3DXVECTOR3> kFan = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {1, 0, 0}};
const std::vector<DWORD> kFanFaces = {0, 2, 1, 0, 3, 2, 0, 4, 3, 0, 5, 4};
const std::vector<D3DXVECTOR3> kFanNormals(6, D3DXVECTOR3(0, 0, -1));

}  // namespace

TEST_F(MeshTools, ValidMeshReportsWhatIsWrong) {
  ComRef<ID3DXMesh> cube;
  ASSERT_EQ(D3DXCreateBox(m_device.get(), 1, 1, 1, &cube, nullptr), D3D_OK);
  ComRef<ID3DXBuffer> errors;
  EXPECT_EQ(D3DXValidMesh(cube.get(), Adjacency(cube.get()).data(), &errors), D3D_OK);
  EXPECT_FALSE(errors);

  ComRef<ID3DXMesh> bowtie(MakeMesh(m_device.get(), kBowtie, kBowtieFaces));
  ASSERT_TRUE(bowtie);
  EXPECT_EQ(D3DXValidMesh(bowtie.get(), Adjacency(bowtie.get()).data(), &errors), D3DXERR_INVALIDMESH);
  EXPECT_NE(Text(errors.get()).find("Vertex 0 is a bowtie"), std::string::npos) << Text(errors.get());

  ComRef<ID3DXMesh> square(MakeMesh(m_device.get(), {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}));
  const std::vector<DWORD> oneSided = {kNone, 1, kNone, kNone, kNone, kNone};
  EXPECT_EQ(D3DXValidMesh(square.get(), oneSided.data(), &errors), D3DXERR_INVALIDMESH);
  const std::vector<DWORD> outOfRange = {kNone, 1, kNone, 0, kNone, 2};
  EXPECT_EQ(D3DXValidMesh(square.get(), outOfRange.data(), nullptr), D3DXERR_INVALIDMESH);

  ComRef<ID3DXMesh> badIndex(MakeMesh(m_device.get(), kBowtie, {0, 1, 6}));
  EXPECT_EQ(D3DXValidMesh(badIndex.get(), nullptr, &errors), D3DXERR_INVALIDMESH);
  EXPECT_NE(Text(errors.get()).find("past the vertex count"), std::string::npos);
  EXPECT_EQ(D3DXValidMesh(nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(MeshTools, CleaningSplitsABowtieAndKeepsTheFaces) {
  ComRef<ID3DXMesh> bowtie(MakeMesh(m_device.get(), kBowtie, kBowtieFaces, {0, 0, 1}));
  ASSERT_TRUE(bowtie);
  ASSERT_EQ(bowtie->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  std::vector<DWORD> adjacency = Adjacency(bowtie.get());
  ComRef<ID3DXMesh> cleaned;
  ComRef<ID3DXBuffer> errors;
  ASSERT_EQ(D3DXCleanMesh(bowtie.get(), adjacency.data(), &cleaned, adjacency.data(), &errors), D3D_OK);
  ASSERT_TRUE(cleaned);
  EXPECT_NE(cleaned.get(), bowtie.get());
  EXPECT_EQ(cleaned->GetNumFaces(), 3u);
  EXPECT_EQ(cleaned->GetNumVertices(), 7u);
  EXPECT_EQ(Indices(cleaned.get()), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 6, 4, 5}));
  EXPECT_TRUE(Vertices(cleaned.get())[6].position == kBowtie[0]);
  EXPECT_EQ(Attributes(cleaned.get()), (std::vector<DWORD>{0, 0, 1}));
  const std::vector<D3DXATTRIBUTERANGE> table = Table(cleaned.get());
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1].VertexStart, 4u);
  EXPECT_EQ(table[1].VertexCount, 3u);
  EXPECT_EQ(D3DXValidMesh(cleaned.get(), adjacency.data(), nullptr), D3D_OK);
  EXPECT_NE(Text(errors.get()).find("Split bowtie vertex 0"), std::string::npos);

  // A valid mesh comes back itself.
  ComRef<ID3DXMesh> again;
  ASSERT_EQ(D3DXCleanMesh(cleaned.get(), adjacency.data(), &again, adjacency.data(), nullptr), D3D_OK);
  EXPECT_EQ(again.get(), cleaned.get());
  EXPECT_EQ(cleaned.Count(), 2u);
}

TEST_F(MeshTools, CleaningRepairsTheAdjacencyAndRefusesBadIndices) {
  ComRef<ID3DXMesh> square(MakeMesh(m_device.get(), {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}));
  std::vector<DWORD> adjacency = {kNone, 1, 7, kNone, kNone, kNone};
  ComRef<ID3DXMesh> cleaned;
  ASSERT_EQ(D3DXCleanMesh(square.get(), adjacency.data(), &cleaned, adjacency.data(), nullptr), D3D_OK);
  EXPECT_EQ(adjacency, std::vector<DWORD>(6, kNone));
  EXPECT_EQ(D3DXValidMesh(cleaned.get(), adjacency.data(), nullptr), D3D_OK);

  ComRef<ID3DXMesh> bad(MakeMesh(m_device.get(), kBowtie, {0, 1, 9}));
  ID3DXMesh* out = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(D3DXCleanMesh(bad.get(), nullptr, &out, nullptr, nullptr), D3DXERR_INVALIDMESH);
  EXPECT_EQ(out, nullptr);
}

TEST_F(MeshTools, WeldingMergesTheRepeatedVertexOfAFan) {
  ComRef<ID3DXMesh> fan(MakeMesh(m_device.get(), kFan, kFanFaces, {}, kFanNormals));
  ASSERT_TRUE(fan);
  std::vector<DWORD> adjacency = Adjacency(fan.get());
  EXPECT_EQ(adjacency[2], 3u);  // across 1–0, which lies on 0–5
  D3DXWELDEPSILONS epsilons{};
  epsilons.Flags = D3DXWELDEPSILONS_WELDPARTIALMATCHES;
  ComRef<ID3DXBuffer> remap;
  std::vector<DWORD> faceRemap(4);
  ASSERT_EQ(D3DXWeldVertices(fan.get(), &epsilons, adjacency.data(), adjacency.data(), faceRemap.data(), &remap),
            D3D_OK);
  EXPECT_EQ(fan->GetNumVertices(), 5u);
  EXPECT_EQ(fan->GetNumFaces(), 4u);
  EXPECT_EQ(Indices(fan.get()), (std::vector<DWORD>{0, 2, 1, 0, 3, 2, 0, 4, 3, 0, 1, 4}));
  EXPECT_EQ(faceRemap, (std::vector<DWORD>{0, 1, 2, 3}));
  ASSERT_EQ(remap->GetBufferSize(), 5u * sizeof(DWORD));
  EXPECT_EQ(static_cast<const DWORD*>(remap->GetBufferPointer())[4], 4u);
  EXPECT_EQ(adjacency, Adjacency(fan.get()));
  EXPECT_EQ(D3DXValidMesh(fan.get(), adjacency.data(), nullptr), D3D_OK);
}

TEST_F(MeshTools, WeldingComparesComponentsWithinTheirEpsilons) {
  std::vector<D3DXVECTOR3> normals = kFanNormals;
  normals[5] = D3DXVECTOR3(0, 0.1f, -1);
  struct Case {
    float normalEpsilon;
    DWORD flags;
    DWORD vertices;
  };
  for (Case c : {Case{0.0f, 0, 6}, Case{0.2f, 0, 5}, Case{0.0f, D3DXWELDEPSILONS_WELDALL, 5},
                 Case{0.2f, D3DXWELDEPSILONS_DONOTREMOVEVERTICES, 6}}) {
    ComRef<ID3DXMesh> fan(MakeMesh(m_device.get(), kFan, kFanFaces, {}, normals));
    D3DXWELDEPSILONS epsilons{};
    epsilons.Normal = c.normalEpsilon;
    epsilons.Flags = c.flags;
    ASSERT_EQ(D3DXWeldVertices(fan.get(), &epsilons, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(fan->GetNumVertices(), c.vertices) << c.normalEpsilon << " " << c.flags;
    EXPECT_EQ(fan->GetNumFaces(), 4u);
    EXPECT_EQ(Indices(fan.get())[10], c.vertices == 5 || c.flags ? 1u : 5u) << c.normalEpsilon << " " << c.flags;
  }
  // A cube's corners are three vertices with different normals.
  ComRef<ID3DXMesh> cube;
  ASSERT_EQ(D3DXCreateBox(m_device.get(), 1, 1, 1, &cube, nullptr), D3D_OK);
  D3DXWELDEPSILONS epsilons{};
  ASSERT_EQ(D3DXWeldVertices(cube.get(), &epsilons, Adjacency(cube.get()).data(), nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(cube->GetNumVertices(), 24u);
  epsilons.Flags = D3DXWELDEPSILONS_WELDALL;
  ASSERT_EQ(D3DXWeldVertices(cube.get(), &epsilons, Adjacency(cube.get()).data(), nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(cube->GetNumVertices(), 8u);
  EXPECT_EQ(cube->GetNumFaces(), 12u);
}

TEST_F(MeshTools, NormalsAreTheNormalisedSumOfFaceNormals) {
  // Two faces folded along the edge 1–2: one in z = 0, one in x = 1.
  ComRef<ID3DXMesh> fold(MakeMesh(m_device.get(), {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 1}, {1, 0, 1}},
                                  {0, 1, 2, 2, 1, 3, 2, 3, 4}));
  ASSERT_TRUE(fold);
  ASSERT_EQ(D3DXComputeNormals(fold.get(), nullptr), D3D_OK);
  const std::vector<MeshVertex> vertices = Vertices(fold.get());
  EXPECT_TRUE(math_expect::Near(vertices[0].normal, D3DXVECTOR3(0, 0, -1)));
  const float half = std::sqrt(0.5f);
  EXPECT_TRUE(math_expect::Near(vertices[1].normal, D3DXVECTOR3(half, 0, -half)));
  const float fifth = 1 / std::sqrt(5.0f);
  EXPECT_TRUE(math_expect::Near(vertices[2].normal, D3DXVECTOR3(2 * fifth, 0, -fifth)));  // one face in z, two in x
  EXPECT_TRUE(math_expect::Near(vertices[4].normal, D3DXVECTOR3(1, 0, 0)));

  // With split normals every vertex takes the normal of its side; through
  // the adjacency the corners are smoothed.
  ComRef<ID3DXMesh> cube;
  ASSERT_EQ(D3DXCreateBox(m_device.get(), 2, 2, 2, &cube, nullptr), D3D_OK);
  const std::vector<MeshVertex> sides = Vertices(cube.get());
  ASSERT_EQ(D3DXComputeNormals(cube.get(), nullptr), D3D_OK);
  const std::vector<MeshVertex> computed = Vertices(cube.get());
  for (size_t v = 0; v < computed.size(); ++v) EXPECT_TRUE(math_expect::Near(computed[v].normal, sides[v].normal)) << v;
  ASSERT_EQ(D3DXComputeNormals(cube.get(), Adjacency(cube.get()).data()), D3D_OK);
  const std::vector<MeshVertex> smooth = Vertices(cube.get());
  for (const MeshVertex& v : smooth) {
    EXPECT_NEAR(D3DXVec3Length(&v.normal), 1.0f, 1e-5f);
    for (int axis = 0; axis < 3; ++axis) EXPECT_GT(v.normal[axis] * v.position[axis], 0.0f);
    for (const MeshVertex& w : smooth) {
      if (w.position == v.position) {
        EXPECT_TRUE(math_expect::Near(w.normal, v.normal));
      }
    }
  }

  ComRef<ID3DXMesh> bare;
  ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_TEX1, m_device.get(), &bare), D3D_OK);
  EXPECT_EQ(D3DXComputeNormals(bare.get(), nullptr), D3DERR_INVALIDCALL);
}
