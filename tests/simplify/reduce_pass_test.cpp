// The reduction pass of a connectivity mesh under a reduction job: counts,
// surface invariants, limits, stops and continuation.
#include <gtest/gtest.h>

#include <appoptions.h>
#include <dx_doc.h>
#include <cmath>
#include <string>

#include "reduce_test_support.h"

namespace {

class ReducePassTest : public DeviceTest {};

struct SMeshCase {
  const char* name;
  SGeoTestMesh mesh;
  long euler;  // 1 for a disc, 2 for a sphere
  float maxAngle;
};

struct SPassCase {
  SMeshCase mesh;
  float percent;
};

void PrintTo(const SPassCase& c, std::ostream* os) { *os << c.mesh.name << " " << c.percent; }

class ReducePassCaseTest : public DeviceTest, public ::testing::WithParamInterface<SPassCase> {};

// The count reaches the target or goes as low as the limits allow; the job's
// counter and the groups agree; the surface keeps its topology.
TEST_P(ReducePassCaseTest, ReachesTheTargetAndKeepsAnOrientedManifold) {
  const SPassCase& c = GetParam();
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), c.mesh.mesh));
  const DWORD start = ActiveTrianglesCount(geo);
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(c.percent);
  options.allowMidpoint = 1;
  options.maxNormalAngle = c.mesh.maxAngle;
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));

  const DWORD target = static_cast<DWORD>(start * (1.0 - c.percent / 100.0));
  const DWORD reduced = ActiveTrianglesCount(geo);
  EXPECT_EQ(reduced, job.GetCurrentThreadOutputTrianglesCount());
  if (c.percent == 0.0f) {
    EXPECT_EQ(reduced, start);
  } else if (c.percent == 50.0f) {
    EXPECT_LE(reduced, target);
  } else {
    EXPECT_LT(reduced, start / 4);
  }
  ExpectSoundSurface(geo, 0, c.mesh.euler);
  ExpectSoundWholeSurface(geo, c.mesh.euler);
  EXPECT_TRUE(geo.IsReadyForRenderingRM());
}

SMeshCase Grid() { return {"Grid", MakeGridMesh(16, 12), 1, 6.0f}; }
// Neighbouring faces of this sphere meet at about 8 degrees.
SMeshCase Sphere() { return {"Sphere", MakeSphereMesh(24, 32), 2, 25.0f}; }

INSTANTIATE_TEST_SUITE_P(Meshes, ReducePassCaseTest,
                         ::testing::Values(SPassCase{Grid(), 0}, SPassCase{Grid(), 50}, SPassCase{Grid(), 100},
                                           SPassCase{Sphere(), 0}, SPassCase{Sphere(), 50},
                                           SPassCase{Sphere(), 100}),
                         [](const auto& info) {
                           return std::string(info.param.mesh.name) + std::to_string(int(info.param.percent));
                         });

// The faces that contractions make take the room of the faces they removed:
// the pool of made faces grows by the first contraction's fan only, and every
// face left is drawn, from the list of the pool whose kind it is.
TEST_F(ReducePassTest, MadeFacesTakeTheRoomOfRemovedOnes) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeSphereMesh(24, 32)));
  const DWORD start = ActiveTrianglesCount(geo);
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(90);
  options.allowMidpoint = 1;
  options.maxNormalAngle = 25.0f;
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
  ASSERT_LT(ActiveTrianglesCount(geo), start / 4);
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  CGeoFacesArray* made = group->GetNewFacesArray();
  CGeoFacesArray* source = group->GetOriginalFacesArray();
  EXPECT_LE(made->GetCurrentFacesCount(), 32u);
  DWORD drawn = made->GetCurrentRenderedFacesCount();
  for (DWORD p = 0; p < source->GetCurrentRenderedFacesCount(); ++p) drawn += source->GetRenderedFace(p) != nullptr;
  const std::vector<CGeoFace*> active = ActiveFaces(geo, 0);
  EXPECT_EQ(drawn, active.size());
  for (CGeoFace* face : active) {
    CGeoFacesArray* list = face->GetType() == eFaceTypeContraction ? made : source;
    EXPECT_EQ(list->GetRenderedFace(face->GetRenderedFacePosition()), face);
  }
  ExpectSoundSurface(geo, 0, 2);
}

// A flat grid keeps its area, its outline and its normal however far it goes.
TEST_F(ReducePassTest, FlatGridKeepsItsAreaAndOutline) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(12, 12)));
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(100);
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
  double area = 0.0;
  for (CGeoFace* face : ActiveFaces(geo, 0)) {
    float a = 0.0f;
    ASSERT_TRUE(face->ComputeTriangleArea(a));
    area += a;
    D3DXVECTOR3 n;
    face->ComputeFaceNormal(n);
    EXPECT_NEAR(n.z, 1.0f, 1e-5f);
  }
  EXPECT_NEAR(area, 144.0, 1e-3);
  for (DWORD i = 0; i < geo.GetOriginalCurrentVerticesCount(); ++i) {
    CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(i);
    const D3DXVECTOR3& p = *v->GetPosition();
    if (p.x == 0 || p.y == 0 || p.x == 12 || p.y == 12) {
      EXPECT_FALSE(v->IsDisabled());
    }
  }
  EXPECT_LT(ActiveTrianglesCount(geo), 2u * 12 * 12 / 3);
}

// A tent: a ring of six vertices round an apex raised by height. Removing the
// apex onto a ring vertex turns the other faces' normals; the limits decide.
SGeoTestMesh MakeTent(float height) {
  SGeoTestMesh mesh;
  const DWORD apex = mesh.AddVertex(0, 0, height);
  for (int k = 0; k < 6; ++k) {
    const double a = k * 3.14159265358979 / 3.0;
    mesh.AddVertex(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f);
  }
  for (DWORD k = 0; k < 6; ++k) mesh.AddTriangle(apex, 1 + k, 1 + (k + 1) % 6);
  return mesh;
}

struct SLimitCase {
  const char* name;
  float height;
  float maxAngle;
  float maxArea;
  bool removed;
};

TEST_F(ReducePassTest, NormalAngleAndAreaLimitsDecide) {
  // A height of 0.05 turns the faces by about 3 degrees and changes the
  // area by about 0.2 percent; 0.2 by about 11 degrees and 3 percent.
  const SLimitCase cases[] = {
      {"Flat", 0.0f, 6, 3, true},
      {"LowWithinLimits", 0.05f, 6, 3, true},
      {"LowPastTheAngle", 0.05f, 2, 3, false},
      {"LowPastTheArea", 0.05f, 6, 0.1f, false},
      {"HighPastTheAngle", 0.2f, 6, 50, false},
      {"HighWithWideLimits", 0.2f, 20, 50, true},
  };
  for (const SLimitCase& c : cases) {
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeTent(c.height))) << c.name;
    CFrameReductionThread job;
    SetUpReductionJob(job, geo);
    REDUCTIONOPTIONS options = DefaultReductionOptions(100);
    options.maxNormalAngle = c.maxAngle;
    options.maxAreaChangePercent = c.maxArea;
    ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job)) << c.name;
    EXPECT_EQ(geo.GetGeoVertexArray()->GetAt(0)->IsDisabled(), c.removed) << c.name;
    EXPECT_EQ(ActiveTrianglesCount(geo), c.removed ? 4u : 6u) << c.name;
  }
}

// A triangular bipyramid: the equator vertices are each other's neighbours
// without a face between the three, so contracting an equator edge would
// fold two faces onto one. With every limit open, an equator edge stays and
// an edge to an apex contracts; either way the surface stays sound.
TEST_F(ReducePassTest, EndPointsWithAnotherCommonNeighbourStay) {
  SGeoTestMesh mesh;
  const DWORD north = mesh.AddVertex(0, 0, 1), south = mesh.AddVertex(0, 0, -1);
  for (int k = 0; k < 3; ++k) {
    const double a = k * 2.0 * 3.14159265358979 / 3.0;
    mesh.AddVertex(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f);
  }
  for (DWORD k = 0; k < 3; ++k) {
    mesh.AddTriangle(north, 2 + k, 2 + (k + 1) % 3);
    mesh.AddTriangle(south, 2 + (k + 1) % 3, 2 + k);
  }
  for (DWORD allowMidpoint : {0u, 1u})
    for (DWORD i = 0; i < 9; ++i) {
      CGeoMesh geo;
      ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
      CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
      CGeoEdge* edge = group->GetOriginalEdgesArray()->GetAt(i);
      CGeoVertex *a, *b;
      edge->GetEdgeVertices(a, b);
      const bool equator = a->GetVerticesMapIndex() >= 2 && b->GetVerticesMapIndex() >= 2;
      CFrameReductionThread job;
      SetUpReductionJob(job, geo);
      REDUCTIONOPTIONS options = DefaultReductionOptions(100);
      options.allowMidpoint = allowMidpoint;
      options.maxNormalAngle = 180.0f;
      options.maxAreaChangePercent = 1e6f;
      CGeoEdgeList next;
      CGeoVisitedVertexMap visited;
      CGeoEdgeContraction contraction(group, &next, &visited, &options, &job);
      bool contracted = false;
      ASSERT_TRUE(contraction.AttemptEdgeContraction(contracted, edge, a, b));
      EXPECT_EQ(contracted, !equator) << i;
      EXPECT_EQ(ActiveTrianglesCount(geo), equator ? 6u : 4u) << i;
      ExpectSoundSurface(geo, 0, 2);
    }
}

// The turn of a face (moved, p, q) when moved goes to a new place: any turn
// past a right angle counts as a reversal, a degenerate face as no turn.
TEST(ReduceNormalTurn, DegreesAsTheLimitsReadThem) {
  struct SCase {
    const char* name;
    D3DXVECTOR3 moved, to;
    float degrees;
  } cases[] = {
      {"Unmoved", {0, 0, 0}, {0, 0, 0}, 0.0f},
      {"WithinItsPlane", {0, 0, 0}, {0.2f, 0.3f, 0.0f}, 0.0f},
      {"ThirtyDegrees", {0, 0, 0}, {0, 0, std::tan(D3DX_PI / 6) / std::sqrt(1.25f)}, 30.0f},
      {"PastARightAngle", {0, 0, 0}, {1.0f, 1.0f, 0.2f}, 180.0f},
      {"RightAngle", {0, 0, 0}, {0, 0.5f, 1e9f}, 90.0f},
      {"IntoALine", {0, 0, 0}, {0.5f, 1.0f, 0.0f}, 0.0f},
      {"NotFinite", {0, 0, 0}, {0, 0, std::nanf("")}, 180.0f},
  };
  // p and q on the x axis and at (0.5, 1): the face's normal is +z.
  D3DVERTEX records[3] = {{1, 0, 0, 0, 0, 1, 0, 0}, {0.5f, 1, 0, 0, 0, 1, 0, 0}, {0, 0, 0, 0, 0, 1, 0, 0}};
  CGeoVertex p, q, moved;
  p.Initialize(&records[0], 0, 0, eVertexTypeSource);
  q.Initialize(&records[1], 1, 0, eVertexTypeSource);
  moved.Initialize(&records[2], 2, 0, eVertexTypeSource);
  for (const SCase& c : cases) {
    moved.SetPosition(c.moved);
    EXPECT_NEAR(CGeoEdgeContraction::ComputeOldNewTrianglesDeltaNormalAngle(c.to, &p, &q, &moved), c.degrees, 0.01f)
        << c.name;
  }
}

// With two groups the first is reduced as far as needed before the second
// is touched: one target for the whole job.
TEST_F(ReducePassTest, GroupsShareOneTarget) {
  const SGeoTestMesh mesh = MakeGridMesh(16, 16);
  std::vector<DWORD> materials(mesh.TrianglesCount());
  for (DWORD f = 0; f < materials.size(); ++f) materials[f] = f < materials.size() / 4 ? 1 : 0;
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh, nullptr, materials.data(), 2));
  DWORD before[2];
  for (DWORD g = 0; g < 2; ++g) geo.GetGeoMeshTriangles(g)->GetTrianglesCount(before[g], nullptr);
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(40);
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
  DWORD after[2];
  for (DWORD g = 0; g < 2; ++g) geo.GetGeoMeshTriangles(g)->GetTrianglesCount(after[g], nullptr);
  const DWORD target = static_cast<DWORD>(mesh.TrianglesCount() * 0.6);
  EXPECT_EQ(after[0] + after[1], job.GetCurrentThreadOutputTrianglesCount());
  EXPECT_LE(after[0] + after[1], target);
  EXPECT_LT(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]);
  for (DWORD g = 0; g < 2; ++g) ExpectSoundSurface(geo, g, 1);
}

// A reduction job on its own thread; the main thread pauses it once it has
// contracted a little, then stops it.
class CMeshReductionDoc : public CDXDoc {
 public:
  CGeoMesh* mesh = nullptr;
  std::atomic<int> result{-1};
  bool ReduceTrianglesCount(CFrame*, REDUCTIONOPTIONS* options, CDXThread* thread) override {
    const bool reduced = mesh->ReduceTrianglesCount(options, thread);
    result = reduced;
    return reduced;
  }
};

TEST_F(ReducePassTest, StopKeepsTheWorkDoneAndASecondJobGoesOn) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeSphereMesh(60, 80)));
  const DWORD start = ActiveTrianglesCount(geo);
  CMeshReductionDoc doc;
  // No window device here, so no world: the job needs only the job manager.
  ASSERT_TRUE(doc.GetThreadsManager()->Initialize());
  doc.mesh = &geo;
  REDUCTIONOPTIONS options = DefaultReductionOptions(100);
  options.maxNormalAngle = 20.0f;
  options.maxAreaChangePercent = 20.0f;
  doc.SetReductionOptions(options);

  auto* job = new CFrameReductionThread;
  job->m_bAutoDelete = FALSE;
  job->SetUpParameters(&doc, nullptr, NULL);
  SetUpReductionJob(*job, geo);
  HANDLE playing = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  g_appOptions.hPlayingEvent = playing;
  ASSERT_TRUE(job->CreateThread());
  while (job->GetCurrentThreadOutputTrianglesCount() > start - 100 && doc.result < 0) Sleep(0);
  ResetEvent(playing);
  g_appOptions.bJobsPaused = true;
  Sleep(50);
  job->KillThread();
  g_appOptions.bJobsPaused = false;
  SetEvent(playing);
  EXPECT_EQ(doc.result, 0);
  const DWORD stopped = ActiveTrianglesCount(geo);
  EXPECT_EQ(stopped, job->GetCurrentThreadOutputTrianglesCount());
  EXPECT_LT(stopped, start);
  ExpectSoundSurface(geo, 0, 2);
  delete job;

  CFrameReductionThread second;
  SetUpReductionJob(second, geo);
  options.reductionPercent = 50;
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &second));
  const DWORD reduced = ActiveTrianglesCount(geo);
  EXPECT_LE(reduced, stopped / 2);
  ExpectSoundSurface(geo, 0, 2);
  g_appOptions.hPlayingEvent = NULL;
  CloseHandle(playing);
}

// A midpoint whose drawn vertex cannot be moved fails the contraction, and
// the mesh stays as it was.
TEST_F(ReducePassTest, FailedMoveOfTheDrawnVertexFailsTheMidpointContraction) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeSphereMesh(8, 12)));
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(100);
  ASSERT_TRUE(group->ReduceTrianglesCount(&options, nullptr) == false);  // a pass needs its job
  CGeoEdge* edge = nullptr;
  CGeoEdgesArray* edges = group->GetOriginalEdgesArray();
  for (DWORD i = 0; i < edges->GetCurrentEdgesCount() && !edge; ++i) {
    CGeoVertex *a, *b;
    edges->GetAt(i)->GetEdgeVertices(a, b);
    if (std::fabs(a->GetPosition()->y) < 0.9f && std::fabs(b->GetPosition()->y) < 0.9f) edge = edges->GetAt(i);
  }
  ASSERT_NE(edge, nullptr);
  CGeoVertex *a, *b;
  edge->GetEdgeVertices(a, b);
  CGeoEdgeList next;
  CGeoVisitedVertexMap visited;
  CGeoEdgeContraction contraction(group, &next, &visited, &options, &job);
  ASSERT_TRUE(contraction.ValidateEdgeContraction2(edge, a, b));
  ASSERT_EQ(edge->GetBothEndPointsRemovalValidity(), eValidityValid);
  edge->SetLowestCostEdgeContraction(eQualificationOptimalMidPoint, 0.0f);
  edge->SetOptimalMidPointPosition((*a->GetPosition() + *b->GetPosition()) / 2.0f);
  geo.DestroyVertices();  // the drawn vertex buffer is gone
  const DWORD before = ActiveTrianglesCount(geo);
  bool contracted = true;
  CGeoVertex* replacement = nullptr;
  EXPECT_FALSE(contraction.ContractEdgeQuick2(contracted, edge, a, b, replacement));
  EXPECT_FALSE(contracted);
  EXPECT_EQ(ActiveTrianglesCount(geo), before);
  EXPECT_FALSE(a->IsDisabled() || b->IsDisabled() || edge->IsDisabled());
  DWORD newVertices = 0;
  ASSERT_TRUE(group->GetNewVerticesCount(newVertices, nullptr));
  EXPECT_EQ(newVertices, 0u);
  ExpectSoundSurface(geo, 0, 2);
}

}  // namespace
