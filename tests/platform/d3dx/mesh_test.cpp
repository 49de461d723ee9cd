#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <thread>

#include "test_mesh.h"

using Mesh = DeviceTest;

namespace {

// Two triangles sharing the edge 1–2, a square in the z = 0 plane.
const std::vector<D3DXVECTOR3> kSquare = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
const std::vector<DWORD> kSquareFaces = {0, 1, 2, 2, 1, 3};

// The positions of a face's corners, for comparing faces across renumbering.
std::multiset<std::vector<float>> FacePositions(ID3DXMesh* mesh) {
  const std::vector<MeshVertex> vertices = Vertices(mesh);
  const std::vector<DWORD> indices = Indices(mesh);
  std::multiset<std::vector<float>> faces;
  for (size_t f = 0; f < indices.size(); f += 3) {
    std::vector<float> corners;
    for (int k = 0; k < 3; ++k) {
      const D3DXVECTOR3& p = vertices[indices[f + k]].position;
      corners.insert(corners.end(), {p.x, p.y, p.z});
    }
    faces.insert(corners);
  }
  return faces;
}

}  // namespace

TEST_F(Mesh, CreatesZeroedBuffersOfTheAskedSizes) {
  ComRef<ID3DXMesh> mesh;
  ASSERT_EQ(D3DXCreateMeshFVF(4, 6, D3DXMESH_MANAGED, 0x112, m_device.get(), &mesh), D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 4u);
  EXPECT_EQ(mesh->GetNumVertices(), 6u);
  EXPECT_EQ(mesh->GetFVF(), 0x112u);
  EXPECT_EQ(mesh->GetOptions(), static_cast<DWORD>(D3DXMESH_MANAGED));
  EXPECT_TRUE(Table(mesh.get()).empty());
  for (DWORD a : Attributes(mesh.get())) EXPECT_EQ(a, 0u);
  for (DWORD i : Indices(mesh.get())) EXPECT_EQ(i, 0u);

  ComRef<IDirect3DVertexBuffer8> vb;
  ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
  D3DVERTEXBUFFER_DESC vdesc{};
  ASSERT_EQ(vb->GetDesc(&vdesc), D3D_OK);
  EXPECT_EQ(vdesc.Size, 6u * 32u);
  EXPECT_EQ(vdesc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(vb.Count(), 2u);
  ComRef<IDirect3DIndexBuffer8> ib;
  ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
  D3DINDEXBUFFER_DESC idesc{};
  ASSERT_EQ(ib->GetDesc(&idesc), D3D_OK);
  EXPECT_EQ(idesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(idesc.Size, 4u * 3u * 2u);
  ComRef<IDirect3DDevice8> device;
  ASSERT_EQ(mesh->GetDevice(&device), D3D_OK);
  EXPECT_EQ(device.get(), m_device.get());
  EXPECT_EQ(m_device.Count(), 2u);

  ComRef<ID3DXMesh> wide;
  ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, m_device.get(), &wide),
            D3D_OK);
  ASSERT_EQ(wide->GetIndexBuffer(&ib), D3D_OK);
  ASSERT_EQ(ib->GetDesc(&idesc), D3D_OK);
  EXPECT_EQ(idesc.Format, D3DFMT_INDEX32);
}

TEST_F(Mesh, RefusesMeshesItCannotHold) {
  struct Case {
    DWORD faces, vertices, options, fvf;
  };
  for (Case c : {Case{0, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ}, Case{1, 0, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ},
                 Case{1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_NORMAL}, Case{1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | 0x8000},
                 Case{1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | 0x900},
                 Case{1, 65536, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ}}) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DXCreateMeshFVF(c.faces, c.vertices, c.options, c.fvf, m_device.get(), &mesh), D3DERR_INVALIDCALL)
        << c.faces << " " << c.vertices << " " << c.fvf;
    EXPECT_EQ(mesh, nullptr);
  }
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, nullptr, &mesh), D3DERR_INVALIDCALL);
  ComRef<ID3DXMesh> largest;
  EXPECT_EQ(D3DXCreateMeshFVF(1, 65535, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_device.get(), &largest), D3D_OK);
}

TEST_F(Mesh, AttributeSortIsStableIdempotentAndCoversEachRangesVertices) {
  // Faces of attributes 2, 0, 2, 5, 0 over a strip of vertices.
  std::vector<D3DXVECTOR3> positions;
  for (int i = 0; i < 7; ++i) positions.push_back(D3DXVECTOR3(float(i / 2), float(i % 2), 0));
  const std::vector<DWORD> faces = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5, 4, 5, 6};
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, faces, {2, 0, 2, 0xFFFFFFF0, 0}));
  ASSERT_TRUE(mesh);
  std::vector<DWORD> remap(5);
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, remap.data(), nullptr), D3D_OK);
  EXPECT_EQ(remap, (std::vector<DWORD>{1, 4, 0, 2, 3}));
  EXPECT_EQ(Attributes(mesh.get()), (std::vector<DWORD>{0, 0, 2, 2, 0xFFFFFFF0}));
  const std::vector<D3DXATTRIBUTERANGE> table = Table(mesh.get());
  ASSERT_EQ(table.size(), 3u);
  const DWORD expected[3][5] = {{0, 0, 2, 1, 6}, {2, 2, 2, 0, 5}, {0xFFFFFFF0, 4, 1, 3, 3}};
  for (size_t r = 0; r < 3; ++r) {
    const D3DXATTRIBUTERANGE& range = table[r];
    EXPECT_EQ(std::vector<DWORD>({range.AttribId, range.FaceStart, range.FaceCount, range.VertexStart,
                                  range.VertexCount}),
              std::vector<DWORD>(expected[r], expected[r] + 5))
        << r;
  }
  D3DXATTRIBUTERANGE first[2] = {};
  DWORD room = 1;
  ASSERT_EQ(mesh->GetAttributeTable(first, &room), D3D_OK);
  EXPECT_EQ(room, 1u);
  EXPECT_EQ(first[1].FaceCount, 0u);  // nothing past the room given
  const std::vector<DWORD> sorted = Indices(mesh.get());
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, remap.data(), nullptr), D3D_OK);
  EXPECT_EQ(remap, (std::vector<DWORD>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Indices(mesh.get()), sorted);
}

TEST_F(Mesh, OptimizationCompactsRenumbersAndCarriesTheAdjacency) {
  // Vertex 4 is used by no face.
  std::vector<D3DXVECTOR3> positions = kSquare;
  positions.insert(positions.begin() + 2, D3DXVECTOR3(9, 9, 9));
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, {0, 1, 3, 3, 1, 4}, {1, 0}));
  ASSERT_TRUE(mesh);
  const auto before = FacePositions(mesh.get());
  std::vector<DWORD> adjacency = Adjacency(mesh.get());
  EXPECT_EQ(adjacency, (std::vector<DWORD>{kNone, 1, kNone, 0, kNone, kNone}));
  ComRef<ID3DXBuffer> vertexRemap;
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, adjacency.data(), adjacency.data(),
                                  nullptr, &vertexRemap),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  ASSERT_EQ(vertexRemap->GetBufferSize(), 4u * sizeof(DWORD));
  const DWORD* kept = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
  EXPECT_EQ(std::vector<DWORD>(kept, kept + 4), (std::vector<DWORD>{0, 1, 3, 4}));
  EXPECT_EQ(adjacency, (std::vector<DWORD>{1, kNone, kNone, kNone, 0, kNone}));  // the faces swapped
  EXPECT_EQ(adjacency, Adjacency(mesh.get()));
  EXPECT_EQ(FacePositions(mesh.get()), before);

  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(FacePositions(mesh.get()), before);
  EXPECT_EQ(Indices(mesh.get())[0], 0u);  // renumbered in order of first use
  EXPECT_EQ(Table(mesh.get()).size(), 2u);  // a sorted mesh keeps its table
}

TEST_F(Mesh, AdjacencyMatchesEdgesByPositionWithinEpsilon) {
  // The square split into two separate triangles; the second one's copy of
  // vertex 1 is off by 0.001.
  const std::vector<D3DXVECTOR3> positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1.001f, 0}, {1, 1, 0}};
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, {0, 1, 2, 3, 4, 5}));
  ASSERT_TRUE(mesh);
  EXPECT_EQ(Adjacency(mesh.get()), (std::vector<DWORD>(6, kNone)));
  EXPECT_EQ(Adjacency(mesh.get(), 0.01f), (std::vector<DWORD>{kNone, 1, kNone, 0, kNone, kNone}));
  std::vector<DWORD> adjacency = Adjacency(mesh.get(), 0.01f), reps(6);
  ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3D_OK);
  EXPECT_EQ(reps, (std::vector<DWORD>{0, 1, 2, 2, 1, 5}));
  std::vector<DWORD> back(6);
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(reps.data(), back.data()), D3D_OK);
  EXPECT_EQ(back, adjacency);
  EXPECT_EQ(mesh->GenerateAdjacency(-1.0f, adjacency.data()), D3DERR_INVALIDCALL);
}

TEST_F(Mesh, AdjacencyOfACubeWithSplitNormals) {
  ComRef<ID3DXMesh> cube;
  ASSERT_EQ(D3DXCreateBox(m_device.get(), 2, 2, 2, &cube, nullptr), D3D_OK);
  const std::vector<DWORD> adjacency = Adjacency(cube.get());
  for (DWORD f = 0; f < 12; ++f)
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD g = adjacency[3 * f + k];
      ASSERT_LT(g, 12u) << f;
      EXPECT_NE(g, f);
      EXPECT_EQ(std::count(adjacency.begin() + 3 * g, adjacency.begin() + 3 * g + 3, f), 1) << f << "-" << g;
    }
  std::vector<DWORD> reps(24);
  ASSERT_EQ(cube->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3D_OK);
  const std::vector<MeshVertex> vertices = Vertices(cube.get());
  EXPECT_EQ(std::set<DWORD>(reps.begin(), reps.end()).size(), 8u);
  for (DWORD v = 0; v < 24; ++v) {
    EXPECT_LE(reps[v], v);
    EXPECT_TRUE(vertices[reps[v]].position == vertices[v].position) << v;
  }
}

TEST_F(Mesh, BadIndicesGiveAnErrorInsteadOfAReadPastTheVertices) {
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), kSquare, {0, 1, 2, 2, 1, 7}));
  ASSERT_TRUE(mesh);
  std::vector<DWORD> adjacency(6), reps(4);
  EXPECT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3DXERR_INVALIDDATA);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3DXERR_INVALIDDATA);
  EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXComputeNormals(mesh.get(), nullptr), D3DXERR_INVALIDDATA);
  D3DXWELDEPSILONS epsilons{};
  EXPECT_EQ(D3DXWeldVertices(mesh.get(), &epsilons, nullptr, nullptr, nullptr, nullptr), D3DXERR_INVALIDDATA);
}

TEST_F(Mesh, ClonesConvertTheLayoutByComponent) {
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), kSquare, kSquareFaces, {3, 1}, {{0, 0, -1}, {0, 0, -1}}));
  ASSERT_TRUE(mesh);
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  ComRef<ID3DXMesh> clone;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, kFvf, m_device.get(), &clone), D3D_OK);
  EXPECT_EQ(clone->GetFVF(), kFvf);
  EXPECT_EQ(clone->GetOptions(), static_cast<DWORD>(D3DXMESH_MANAGED | D3DXMESH_32BIT));
  EXPECT_EQ(Indices(clone.get()), Indices(mesh.get()));
  EXPECT_EQ(Attributes(clone.get()), (std::vector<DWORD>{1, 3}));
  EXPECT_EQ(Table(clone.get()).size(), 2u);
  struct Converted {
    D3DXVECTOR3 position;
    DWORD diffuse;
    float u, v;
  };
  const Converted* vertices = nullptr;
  ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<BYTE**>(const_cast<Converted**>(&vertices))),
            D3D_OK);
  for (DWORD i = 0; i < 4; ++i) {
    EXPECT_TRUE(vertices[i].position == kSquare[i]) << i;
    EXPECT_EQ(vertices[i].diffuse, 0u);
    EXPECT_EQ(vertices[i].u, 0.0f);
  }
  clone->UnlockVertexBuffer();

  ComRef<ID3DXMesh> back;
  ASSERT_EQ(clone->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, m_device.get(), &back), D3D_OK);
  EXPECT_TRUE(Vertices(back.get())[0].normal == D3DXVECTOR3());  // the normals were dropped on the way

  ComRef<ID3DXMesh> wide;
  ASSERT_EQ(D3DXCreateMeshFVF(1, 65537, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, m_device.get(), &wide),
            D3D_OK);
  BYTE* index = nullptr;
  ASSERT_EQ(wide->LockIndexBuffer(0, &index), D3D_OK);
  reinterpret_cast<DWORD*>(index)[2] = 65536;
  wide->UnlockIndexBuffer();
  ID3DXMesh* narrow = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(wide->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_device.get(), &narrow), D3DERR_INVALIDCALL);
  EXPECT_EQ(narrow, nullptr);
}

TEST_F(Mesh, DrawsASubsetThroughTheDevice) {
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), kSquare, kSquareFaces, {0, 4}));
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->DrawSubset(4), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(9), D3D_OK);  // no faces: nothing to draw
  DWORD shader = 0;
  m_device->GetVertexShader(&shader);
  EXPECT_EQ(shader, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
  ComRef<IDirect3DVertexBuffer8> stream, own;
  UINT stride = 0;
  ASSERT_EQ(m_device->GetStreamSource(0, &stream, &stride), D3D_OK);
  ASSERT_EQ(mesh->GetVertexBuffer(&own), D3D_OK);
  EXPECT_EQ(stream.get(), own.get());
  EXPECT_EQ(stride, 24u);
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
}

TEST_F(Mesh, BuffersCarryAnyNumberOfBytes) {
  ComRef<ID3DXBuffer> buffer;
  ASSERT_EQ(D3DXCreateBuffer(12, &buffer), D3D_OK);
  EXPECT_EQ(buffer->GetBufferSize(), 12u);
  const BYTE* bytes = static_cast<const BYTE*>(buffer->GetBufferPointer());
  EXPECT_TRUE(std::all_of(bytes, bytes + 12, [](BYTE b) { return b == 0; }));
  EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Mesh, LockedPointersStayValidWhileTheMeshChangesItsCounts) {
  std::vector<D3DXVECTOR3> positions = kSquare;
  positions.push_back(D3DXVECTOR3(5, 5, 5));  // unused
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, kSquareFaces, {1, 0}));
  ASSERT_TRUE(mesh);
  MeshVertex* vertices = nullptr;
  DWORD* attributes = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(0, reinterpret_cast<BYTE**>(&vertices)), D3D_OK);
  ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_TRUE(vertices[4].position == D3DXVECTOR3(5, 5, 5));  // the memory locked before
  EXPECT_EQ(attributes[0], 0u);                               // sorted in place: same face count
  EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
  EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
  EXPECT_EQ(mesh->UnlockVertexBuffer(), D3DERR_INVALIDCALL);
  EXPECT_EQ(Vertices(mesh.get()).size(), 4u);
}

TEST_F(Mesh, NonFinitePositionsJoinNothing) {
  const float nan = std::nanf("");
  const std::vector<D3DXVECTOR3> positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {nan, 0, 0}, {0, 1, 0}, {1, 0, 0}};
  ComRef<ID3DXMesh> mesh(MakeMesh(m_device.get(), positions, {0, 1, 2, 3, 2, 1}));
  ASSERT_TRUE(mesh);
  for (float epsilon : {0.0f, 0.5f}) {
    const std::vector<DWORD> adjacency = Adjacency(mesh.get(), epsilon);
    EXPECT_EQ(adjacency[1], 1u) << epsilon;  // the shared edge 1–2 still links
    EXPECT_EQ(adjacency[3], kNone) << epsilon;
  }
}

TEST_F(Mesh, AJobBuildsAndRepairsAMeshWhileTheMainThreadDrawsAnother) {
  ComRef<ID3DXMesh> shown;
  ASSERT_EQ(D3DXCreateSphere(m_device.get(), 1, 16, 16, &shown, nullptr), D3D_OK);
  ASSERT_EQ(shown->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  HRESULT jobResult = E_FAIL;
  DWORD weldedVertices = 0;
  std::thread job([&] {
    for (int round = 0; round < 10; ++round) {
      ID3DXMesh* mesh = nullptr;
      jobResult = D3DXCreateCylinder(m_device.get(), 1, 2, 3, 12, 6, &mesh, nullptr);
      if (FAILED(jobResult)) return;
      D3DXWELDEPSILONS epsilons{};
      epsilons.Flags = D3DXWELDEPSILONS_WELDALL;
      jobResult = D3DXWeldVertices(mesh, &epsilons, nullptr, nullptr, nullptr, nullptr);
      weldedVertices = mesh->GetNumVertices();
      mesh->Release();
      if (FAILED(jobResult)) return;
    }
  });
  for (int frame = 0; frame < 50; ++frame) {
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(shown->DrawSubset(0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
  }
  job.join();
  EXPECT_EQ(jobResult, D3D_OK);
  EXPECT_EQ(weldedVertices, 7u * 12u + 2u);  // the rings, and the two centres
}
