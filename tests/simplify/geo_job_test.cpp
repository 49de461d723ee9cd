// The connectivity build under a job: its counters, and a stop request.
#include <gtest/gtest.h>

#include <cmath>

#include "geo_test_support.h"

namespace {

class GeoJobTest : public DeviceTest {};

TEST_F(GeoJobTest, BuildCountsWhatItMakesOnTheJob) {
  CConnectivityFrameThread job;
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeCubeMesh(), &job));
  EXPECT_STREQ(job.GetThreadOutputVerticesCount(), "8");
  EXPECT_STREQ(job.GetThreadOutputTrianglesCount(), "12");
  EXPECT_NEAR(job.GetTotalActiveTrianglesArea(), 6.0, 1e-5);
  EXPECT_STREQ(job.GetThreadOutputHalfEdgesCount(), "36");
  EXPECT_STREQ(job.GetThreadOutputEdgesCount(), "18");
  EXPECT_NEAR(job.GetTotalActiveEdgesMagnitude(), 12.0 + 6.0 * std::sqrt(2.0), 1e-5);
}

// A vertex buffer that counts the locks still held on it.
class CLockCountingBuffer : public TComObject<IDirect3DVertexBuffer8, &IID_IDirect3DVertexBuffer8> {
 public:
  explicit CLockCountingBuffer(IDirect3DVertexBuffer8* inner) : m_inner(inner) {}
  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_inner->GetDevice(device); }
  D3DRESOURCETYPE GetType() override { return m_inner->GetType(); }
  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    const HRESULT hr = m_inner->Lock(offset, size, data, flags);
    if (SUCCEEDED(hr)) ++held;
    return hr;
  }
  HRESULT Unlock() override {
    --held;
    return m_inner->Unlock();
  }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override { return m_inner->GetDesc(desc); }
  int held = 0;

 private:
  ComRef<IDirect3DVertexBuffer8> m_inner;
};

TEST_F(GeoJobTest, StopRequestEndsTheBuildWithTheBufferUnlocked) {
  const SGeoTestMesh mesh = MakeSphereMesh(6, 8);
  CLockCountingBuffer* vb = new CLockCountingBuffer(MakeVertexBuffer(m_device.get(), mesh));
  ComRef<IDirect3DVertexBuffer8> held(vb);
  CGeoMeshTriangles group;
  CGeoMesh geo;
  geo.GetGeoVertexArray()->Initialize(static_cast<DWORD>(mesh.vertices.size()));
  bool built = true;
  RunStopped([&](CDXThread* thread) {
    built = group.Initialize3(static_cast<DWORD>(mesh.vertices.size()), vb, static_cast<DWORD>(mesh.indices.size()),
                              mesh.indices.data(), nullptr, nullptr, &geo, 0, nullptr, thread);
  });

  EXPECT_FALSE(built);
  EXPECT_EQ(vb->held, 0);
  EXPECT_EQ(group.GetOriginalFacesArray()->GetCurrentFacesCount(), 0u);
}

// A stop while the build pairs half edges into edges fails the pairing: the
// half edges it has not reached stay without an edge. Unstopped, the same
// pairing makes them all.
TEST_F(GeoJobTest, StopWhileEdgesAreMadeFailsThePairing) {
  const SGeoTestMesh mesh = MakeSphereMesh(6, 8);
  ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.get(), mesh));
  CGeoMesh geo;
  geo.GetGeoVertexArray()->Initialize(static_cast<DWORD>(mesh.vertices.size()));
  CGeoMeshTriangles group;
  ASSERT_TRUE(group.Initialize3(static_cast<DWORD>(mesh.vertices.size()), vb.get(),
                                static_cast<DWORD>(mesh.indices.size()), mesh.indices.data(), nullptr, nullptr, &geo,
                                0, nullptr, nullptr));
  // The build's half edges once more, unpaired, in a fresh key table.
  CGeoHalfEdgeMap map;
  DWORD halfEdges = 0;
  for (DWORD i = 0; i < group.GetHalfEdgesCount(); ++i) {
    CGeoHalfEdge* h = group.GetHalfEdgeAt(i);
    if (!h->GetFace()) continue;  // left by a skipped triangle
    h->SetEdge(nullptr);
    ULONGLONG key = 0;
    ASSERT_TRUE(group.AddHalfEdge2(h, &map, key));
    ++halfEdges;
  }
  ASSERT_GT(halfEdges, 0u);
  auto unpaired = [&] {
    DWORD count = 0;
    for (DWORD i = 0; i < group.GetHalfEdgesCount(); ++i)
      count += group.GetHalfEdgeAt(i)->GetFace() && !group.GetHalfEdgeAt(i)->GetEdge();
    return count;
  };

  bool paired = true;
  RunStopped([&](CDXThread* thread) { paired = group.CreateEdges3(thread, &map); });
  EXPECT_FALSE(paired);
  EXPECT_EQ(unpaired(), halfEdges);
  EXPECT_TRUE(group.CreateEdges3(nullptr, &map));
  EXPECT_EQ(unpaired(), 0u);
}

// Stopped while the whole mesh is built, with a NULL job for comparison.
TEST_F(GeoJobTest, StoppedMeshBuildFailsAndANullJobNeverStops) {
  const SGeoTestMesh mesh = MakeGridMesh(3, 3);
  CGeoMesh geo;
  EXPECT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh, nullptr));
  bool built = true;
  RunStopped([&](CDXThread* thread) { built = BuildGeoMesh(geo, m_device.get(), mesh, thread); });
  EXPECT_FALSE(built);
}

}  // namespace
