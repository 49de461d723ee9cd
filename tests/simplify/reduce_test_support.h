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

// What the active faces of one group make. Defects are the places where
// they do not form an oriented manifold with consistent links: a directed
// edge in two faces, a disabled corner or half edge, a half edge without an
// enabled reduced-mesh edge, a mate that does not run the other way.
struct SSurfaceCounts {
  long vertices = 0;
  long edges = 0;
  long faces = 0;
  long defects = 0;
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
      vertices.insert(s);
      ++directed[{s, h->GetEndVertex()}];
      CGeoEdge* e = h->GetEdgeRM();
      CGeoHalfEdge* mate = h->GetMateRM();
      counts.defects += s->IsDisabled() || h->IsDisabled() || !e || e->IsDisabled();
      if (mate)
        counts.defects += mate->IsDisabled() || mate->GetStartVertex() != h->GetEndVertex() ||
                          mate->GetEndVertex() != s;
    }
  }
  for (const auto& [key, n] : directed) {
    counts.defects += n - 1;
    const bool reversed = directed.count({key.second, key.first}) > 0;
    if (!reversed || key.first < key.second) ++counts.edges;
  }
  counts.vertices = static_cast<long>(vertices.size());
  return counts;
}

// A sound surface: no defect, and the given Euler characteristic.
inline void ExpectSoundSurface(CGeoMesh& geo, DWORD group, long euler) {
  const SSurfaceCounts counts = InspectSurface(geo, group);
  EXPECT_EQ(counts.defects, 0) << "group " << group;
  EXPECT_EQ(counts.EulerCharacteristic(), euler) << "group " << group;
}
