// Reduction of connectivity meshes in tests: a reduction job set up on a
// mesh's counts, and the checks of a reduced mesh.
#pragma once

#include <gtest/gtest.h>
#include <job_threads.h>
#include <reduction_options.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>
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

// The reduced mesh that the write-back tests write: a 24 x 32 sphere in two
// groups (every third face in the second), halved with midpoints allowed and
// normals kept within 25 degrees. options receives the limits used. Without
// handles, the build keeps nothing for drawing (no vertex handles, rendered
// triangle lists or unlit vertices), as the batch's does.
inline void ReduceTwoGroupSphere(CGeoMesh& geo, IDirect3DDevice8* device, REDUCTIONOPTIONS& options,
                                 bool handles = true) {
  const SGeoTestMesh mesh = MakeSphereMesh(24, 32);
  std::vector<DWORD> materials(mesh.TrianglesCount());
  for (DWORD f = 0; f < materials.size(); ++f) materials[f] = f % 3 == 0;
  REDUCTIONOPTIONS build{};
  build.connectivityNeverShown = handles ? 0 : 1;
  ASSERT_TRUE(BuildGeoMesh(geo, device, mesh, nullptr, materials.data(), 2, &build));
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  options = DefaultReductionOptions(50);
  options.allowMidpoint = 1;
  options.maxNormalAngle = 25.0f;
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
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

// What the active faces of every group make together, their corners joined
// by position as the mesh written back joins them: the groups of one surface
// meet only through coincident vertices.
struct SWholeSurfaceCounts {
  long vertices = 0;
  long edges = 0;
  long faces = 0;
  long nonManifoldEdges = 0;  // edges of more than two faces
  long duplicateFaces = 0;    // faces on the corners of another
  long EulerCharacteristic() const { return vertices - edges + faces; }
};

inline SWholeSurfaceCounts InspectWholeSurface(CGeoMesh& geo) {
  using SKey = std::tuple<DWORD, DWORD, DWORD>;
  auto key = [](CGeoVertex* v) {
    const SGeoVertexKey k = GetPositionKey(*v->GetPosition());
    return SKey{k.x, k.y, k.z};
  };
  SWholeSurfaceCounts counts;
  std::set<SKey> vertices;
  std::map<std::pair<SKey, SKey>, int> edgeFaces;
  std::map<std::array<SKey, 3>, int> faces;
  for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g)
    for (CGeoFace* face : ActiveFaces(geo, g)) {
      ++counts.faces;
      CGeoVertex* c[3];
      face->GetTriangleVertices(c[0], c[1], c[2]);
      std::array<SKey, 3> corners = {key(c[0]), key(c[1]), key(c[2])};
      for (int k = 0; k < 3; ++k) {
        vertices.insert(corners[k]);
        ++edgeFaces[std::minmax(corners[k], corners[(k + 1) % 3])];
      }
      std::sort(corners.begin(), corners.end());
      ++faces[corners];
    }
  counts.vertices = static_cast<long>(vertices.size());
  counts.edges = static_cast<long>(edgeFaces.size());
  for (const auto& [edge, n] : edgeFaces) counts.nonManifoldEdges += n > 2;
  for (const auto& [corners, n] : faces) counts.duplicateFaces += n - 1;
  return counts;
}

// A whole surface without non-manifold edges or repeated faces, of the given
// Euler characteristic.
inline void ExpectSoundWholeSurface(CGeoMesh& geo, long euler) {
  const SWholeSurfaceCounts counts = InspectWholeSurface(geo);
  EXPECT_EQ(counts.nonManifoldEdges, 0);
  EXPECT_EQ(counts.duplicateFaces, 0);
  EXPECT_EQ(counts.EulerCharacteristic(), euler);
}

// A sound surface: no defect, and the given Euler characteristic.
inline void ExpectSoundSurface(CGeoMesh& geo, DWORD group, long euler) {
  const SSurfaceCounts counts = InspectSurface(geo, group);
  EXPECT_EQ(counts.defects, 0) << "group " << group;
  EXPECT_EQ(counts.EulerCharacteristic(), euler) << "group " << group;
}
