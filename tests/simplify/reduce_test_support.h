// Reduction of connectivity meshes in tests: a reduction job set up on a
// mesh's counts, and the checks of a reduced mesh.
#pragma once

#include <gtest/gtest.h>
#include <job_threads.h>
#include <reduction_options.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "geo_edge_contraction.h"
#include "geo_test_support.h"

// The reduction limits as the settings give them by default.
inline REDUCTIONOPTIONS DefaultReductionOptions(float percent) {
  REDUCTIONOPTIONS options{};
  options.reductionPercent = percent;
  options.allowMidpoint = 0;
  options.maxNormalAngle = 6.0f;
  options.maxAreaChangePercent = 3.0f;
  options.faceAreaFactor = 10.0f;
  return options;
}

// Every enabled face of the mesh, group by group.
inline std::vector<CGeoFace*> ActiveFaces(CGeoMesh& geo, DWORD group) {
  std::vector<CGeoFace*> faces;
  CGeoMeshTriangles* g = geo.GetGeoMeshTriangles(group);
  for (CGeoFacesArray* pool : {g->GetNewFacesArray(), g->GetOriginalFacesArray()})
    for (DWORD i = 0; i < pool->GetCurrentFacesCount(); ++i)
      if (!pool->GetAt(i)->IsDisabled()) faces.push_back(pool->GetAt(i));
  return faces;
}

inline DWORD ActiveTrianglesCount(CGeoMesh& geo) {
  DWORD total = 0;
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
    DWORD count = 0;
    EXPECT_TRUE(geo.GetGeoMeshTriangles(g)->GetTrianglesCount(count, nullptr));
    total += count;
  }
  return total;
}

inline double ActiveTrianglesArea(CGeoMesh& geo) {
  double area = 0.0;
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g)
    for (CGeoFace* f : ActiveFaces(geo, g)) area += f->GetTriangleArea();
  return area;
}

// Sets a reduction job up on the mesh as the document does on a frame: its
// counters hold the mesh's active triangles and their area.
inline void SetUpReductionJob(CFrameReductionThread& job, CGeoMesh& geo) {
  const DWORD triangles = ActiveTrianglesCount(geo);
  job.SetInputTrianglesCount(triangles);
  job.SetThreadOutputTrianglesCount(triangles, static_cast<float>(ActiveTrianglesArea(geo)));
}

// What the active faces of one group make: checks that they form an
// oriented manifold (each edge in one or two faces, run opposite ways, and
// each enabled half edge's reduced-mesh edge joins it to that mate).
struct SSurfaceCounts {
  long vertices = 0;
  long edges = 0;
  long faces = 0;
  long EulerCharacteristic() const { return vertices - edges + faces; }
};

inline SSurfaceCounts InspectSurface(CGeoMesh& geo, DWORD group) {
  SSurfaceCounts counts;
  std::set<CGeoVertex*> vertices;
  std::map<std::pair<CGeoVertex*, CGeoVertex*>, int> directed;
  for (CGeoFace* face : ActiveFaces(geo, group)) {
    ++counts.faces;
    CGeoHalfEdge* h = face->GetFirstHalfEdge();
    for (int k = 0; k < 3; ++k, h = h->GetNextHalfEdge()) {
      CGeoVertex* s = h->GetStartVertex();
      EXPECT_FALSE(s->IsDisabled());
      EXPECT_FALSE(h->IsDisabled());
      vertices.insert(s);
      ++directed[{s, h->GetEndVertex()}];
      CGeoEdge* e = h->GetEdgeRM();
      EXPECT_TRUE(e && !e->IsDisabled());
      if (!e) continue;
      if (CGeoHalfEdge* mate = h->GetMateRM()) {
        EXPECT_FALSE(mate->IsDisabled());
        EXPECT_EQ(mate->GetStartVertex(), h->GetEndVertex());
        EXPECT_EQ(mate->GetEndVertex(), s);
      }
    }
  }
  for (const auto& [key, n] : directed) {
    EXPECT_EQ(n, 1) << "a directed edge in two faces";
    const bool reversed = directed.count({key.second, key.first}) > 0;
    if (!reversed || key.first < key.second) ++counts.edges;
  }
  counts.vertices = static_cast<long>(vertices.size());
  return counts;
}
