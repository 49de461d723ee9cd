// Shared set-up of the connectivity tests: vertex buffers of test meshes,
// connectivity meshes built of them, and the checks of a built group.
#pragma once

#include <appoptions.h>
#include <d3d8.h>
#include <d3dx8mesh.h>
#include <gtest/gtest.h>
#include <job_threads.h>

#include <cstring>
#include <functional>
#include <set>

#include "geo_mesh.h"
#include "geo_test_meshes.h"
#include "test_device.h"

// A vertex buffer holding the mesh's records; the caller releases it.
inline IDirect3DVertexBuffer8* MakeVertexBuffer(IDirect3DDevice8* device, const SGeoTestMesh& mesh) {
  IDirect3DVertexBuffer8* vb = nullptr;
  const UINT size = static_cast<UINT>(mesh.vertices.size() * sizeof(D3DVERTEX));
  EXPECT_EQ(device->CreateVertexBuffer(size, 0, kGeoVertexFVF, D3DPOOL_DEFAULT, &vb), D3D_OK);
  BYTE* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, mesh.vertices.data(), size);
  vb->Unlock();
  return vb;
}

// A job whose thread waits, paused, until it is stopped, then runs its body.
class CStoppedJob : public CConnectivityFrameThread {
 public:
  std::function<void(CDXThread*)> body;
  BOOL InitInstance() override {
    WaitForThreadPlayingEvent();
    body(this);
    return FALSE;
  }
};

// Runs body on a job thread that is stopped before the body's first pause point.
inline void RunStopped(const std::function<void(CDXThread*)>& body) {
  CStoppedJob job;
  job.body = body;
  HANDLE playing = CreateEventA(NULL, TRUE, FALSE, NULL);
  g_appOptions.hPlayingEvent = playing;
  g_appOptions.bJobsPaused = true;
  ASSERT_TRUE(job.CreateThread());
  job.KillThread();
  g_appOptions.bJobsPaused = false;
  g_appOptions.hPlayingEvent = NULL;
  CloseHandle(playing);
}

// Builds a connectivity mesh of the test mesh, one group per material when
// faceMaterials is given.
inline bool BuildGeoMesh(CGeoMesh& geo, IDirect3DDevice8* device, const SGeoTestMesh& mesh,
                         CDXThread* job = nullptr, const DWORD* faceMaterials = nullptr, DWORD nMaterials = 1,
                         REDUCTIONOPTIONS* options = nullptr) {
  ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(device, mesh));
  return geo.Initialize2(static_cast<DWORD>(mesh.vertices.size()), vb.get(), static_cast<DWORD>(mesh.indices.size()),
                         mesh.indices.data(), faceMaterials, nMaterials, nullptr, nullptr, nullptr, nullptr, device,
                         options, job);
}

// What a built group holds, with its links checked on the way.
struct SGroupCounts {
  DWORD vertices = 0;  // distinct corners of its faces
  DWORD faces = 0;
  DWORD edges = 0;
  DWORD borderEdges = 0;
  DWORD halfEdgesWithoutEdge = 0;
};

inline SGroupCounts InspectGroup(CGeoMeshTriangles& group) {
  SGroupCounts counts;
  std::set<CGeoVertex*> corners;
  CGeoFacesArray* faces = group.GetOriginalFacesArray();
  counts.faces = faces->GetCurrentFacesCount();
  for (DWORD f = 0; f < counts.faces; ++f) {
    CGeoFace* face = faces->GetAt(f);
    CGeoHalfEdge* h = face->GetFirstHalfEdge();
    EXPECT_EQ(h->GetNextHalfEdge()->GetNextHalfEdge()->GetNextHalfEdge(), h);
    for (int k = 0; k < 3; ++k, h = h->GetNextHalfEdge()) {
      corners.insert(h->GetStartVertex());
      EXPECT_EQ(h->GetFace(), face);
      EXPECT_EQ(h->GetNextHalfEdge()->GetPrevHalfEdge(), h);
      EXPECT_EQ(h->GetEdgeRM(), h->GetEdge());
      CGeoEdge* e = h->GetEdge();
      if (!e) {
        ++counts.halfEdgesWithoutEdge;
        continue;
      }
      EXPECT_TRUE(e->GetHalfEdge1() == h || e->GetHalfEdge2() == h);
      if (CGeoHalfEdge* mate = h->GetMate()) {
        EXPECT_EQ(mate->GetMate(), h);
        EXPECT_TRUE(mate->VerticesAre(h->GetStartVertex(), h->GetEndVertex()));
      }
    }
  }
  CGeoEdgesArray* edges = group.GetOriginalEdgesArray();
  counts.edges = edges->GetCurrentEdgesCount();
  for (DWORD e = 0; e < counts.edges; ++e) counts.borderEdges += edges->GetAt(e)->WithUniqueHalfEdge();
  counts.vertices = static_cast<DWORD>(corners.size());
  return counts;
}
