// Edge-contraction reduction side by side with meshoptimizer's simplifier and
// OpenMesh's quadric decimater: the same meshes reduced to 50 % and 10 % of
// their triangles. For each: seconds (ours: the connectivity build and the
// reduction), triangles out, and the distance between
// the reduced and the original surface (symmetric Hausdorff and RMS of point
// samples, as a fraction of the bounding-box diagonal).
#include <meshoptimizer.h>

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bench_device.h"
#include "geo_mesh.h"
#include "geo_test_meshes.h"
#include "job_threads.h"
#include "reduction_options.h"

namespace {

struct SVec {
  double x, y, z;
  SVec operator-(const SVec& o) const { return {x - o.x, y - o.y, z - o.z}; }
  SVec operator+(const SVec& o) const { return {x + o.x, y + o.y, z + o.z}; }
  SVec operator*(double s) const { return {x * s, y * s, z * s}; }
};
double Dot(const SVec& a, const SVec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
SVec Cross(const SVec& a, const SVec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(const SVec& a) { return std::sqrt(Dot(a, a)); }

// A triangle soup: what each method's result is measured as.
struct STriangles {
  std::vector<SVec> corners;  // three per triangle
  size_t Count() const { return corners.size() / 3; }
};

STriangles SoupOf(const SGeoTestMesh& mesh) {
  STriangles soup;
  for (DWORD i : mesh.indices) soup.corners.push_back({mesh.vertices[i].x, mesh.vertices[i].y, mesh.vertices[i].z});
  return soup;
}

// Closest point of triangle abc to p.
SVec ClosestOnTriangle(const SVec& p, const SVec& a, const SVec& b, const SVec& c) {
  const SVec ab = b - a, ac = c - a, ap = p - a;
  const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  const SVec bp = p - b;
  const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
  const SVec cp = p - c;
  const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  const double denom = 1.0 / (va + vb + vc);
  return a + ab * (vb * denom) + ac * (vc * denom);
}

// Triangles binned in a uniform grid for nearest-surface queries.
class CSurfaceGrid {
 public:
  CSurfaceGrid(const STriangles& soup, SVec lo, SVec hi) : m_soup(soup), m_lo(lo) {
    const size_t n = std::max<size_t>(soup.Count(), 1);
    const SVec size = hi - lo;
    const double volume = std::max(size.x, 1e-9) * std::max(size.y, 1e-9) * std::max(size.z, 1e-9);
    m_cell = std::cbrt(volume / n) * 1.5;
    const double flat = std::max({size.x, size.y, size.z}) / std::sqrt(static_cast<double>(n)) * 1.5;
    m_cell = std::max(m_cell, flat);
    for (int k = 0; k < 3; ++k) m_dim[k] = std::max(1, static_cast<int>(Axis(size, k) / m_cell) + 1);
    m_cells.resize(static_cast<size_t>(m_dim[0]) * m_dim[1] * m_dim[2]);
    for (size_t t = 0; t < soup.Count(); ++t) {
      int mn[3], mx[3];
      for (int k = 0; k < 3; ++k) {
        double a = Axis(soup.corners[3 * t], k), b = a;
        for (int j = 1; j < 3; ++j) {
          a = std::min(a, Axis(soup.corners[3 * t + j], k));
          b = std::max(b, Axis(soup.corners[3 * t + j], k));
        }
        mn[k] = Clamp(a, k);
        mx[k] = Clamp(b, k);
      }
      for (int x = mn[0]; x <= mx[0]; ++x)
        for (int y = mn[1]; y <= mx[1]; ++y)
          for (int z = mn[2]; z <= mx[2]; ++z) m_cells[Index(x, y, z)].push_back(static_cast<unsigned>(t));
    }
  }

  // Distance from p to the nearest triangle, searching rings of cells
  // outwards until no nearer triangle can lie beyond.
  double Distance(const SVec& p) const {
    int c[3];
    for (int k = 0; k < 3; ++k) c[k] = Clamp(Axis(p, k), k);
    double best = 1e300;
    const int maxRing = std::max({m_dim[0], m_dim[1], m_dim[2]});
    for (int r = 0; r <= maxRing; ++r) {
      for (int x = c[0] - r; x <= c[0] + r; ++x)
        for (int y = c[1] - r; y <= c[1] + r; ++y)
          for (int z = c[2] - r; z <= c[2] + r; ++z) {
            if (std::max({std::abs(x - c[0]), std::abs(y - c[1]), std::abs(z - c[2])}) != r) continue;
            if (x < 0 || y < 0 || z < 0 || x >= m_dim[0] || y >= m_dim[1] || z >= m_dim[2]) continue;
            for (unsigned t : m_cells[Index(x, y, z)]) {
              const SVec* v = &m_soup.corners[3 * t];
              best = std::min(best, Length(p - ClosestOnTriangle(p, v[0], v[1], v[2])));
            }
          }
      if (best < 1e300 && best <= r * m_cell) break;
    }
    return best;
  }

 private:
  static double Axis(const SVec& v, int k) { return k == 0 ? v.x : k == 1 ? v.y : v.z; }
  int Clamp(double v, int k) const {
    return std::clamp(static_cast<int>((v - Axis(m_lo, k)) / m_cell), 0, m_dim[k] - 1);
  }
  size_t Index(int x, int y, int z) const { return (static_cast<size_t>(z) * m_dim[1] + y) * m_dim[0] + x; }

  const STriangles& m_soup;
  SVec m_lo;
  double m_cell = 1.0;
  int m_dim[3] = {1, 1, 1};
  std::vector<std::vector<unsigned>> m_cells;
};

// Area-weighted samples of the surface, plus its corners.
std::vector<SVec> Samples(const STriangles& soup, size_t count) {
  std::vector<double> cumulative(soup.Count());
  double total = 0.0;
  for (size_t t = 0; t < soup.Count(); ++t) {
    const SVec* v = &soup.corners[3 * t];
    total += 0.5 * Length(Cross(v[1] - v[0], v[2] - v[0]));
    cumulative[t] = total;
  }
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<SVec> samples(soup.corners.begin(), soup.corners.end());
  for (size_t i = 0; i < count && total > 0; ++i) {
    const size_t t = std::lower_bound(cumulative.begin(), cumulative.end(), unit(random) * total) - cumulative.begin();
    const SVec* v = &soup.corners[3 * std::min(t, soup.Count() - 1)];
    double a = unit(random), b = unit(random);
    if (a + b > 1) a = 1 - a, b = 1 - b;
    samples.push_back(v[0] + (v[1] - v[0]) * a + (v[2] - v[0]) * b);
  }
  return samples;
}

struct SError {
  double hausdorff, rms;
};

// Symmetric: samples of each surface measured against the other.
SError SurfaceError(const STriangles& original, const STriangles& reduced) {
  SVec lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
  for (const SVec& v : original.corners) {
    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  const double diagonal = Length(hi - lo);
  if (reduced.Count() == 0) return {1.0, 1.0};
  double worst = 0.0, squares = 0.0;
  size_t n = 0;
  const CSurfaceGrid originalGrid(original, lo, hi), reducedGrid(reduced, lo, hi);
  for (const auto& [from, to] : {std::pair{&original, &reducedGrid}, std::pair{&reduced, &originalGrid}})
    for (const SVec& p : Samples(*from, 100000)) {
      const double d = to->Distance(p);
      worst = std::max(worst, d);
      squares += d * d;
      ++n;
    }
  return {worst / diagonal, std::sqrt(squares / n) / diagonal};
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct SResult {
  double seconds;
  STriangles soup;
};

// Timed from the vertex buffer: the connectivity build and the reduction.
SResult ReduceOurs(const SGeoTestMesh& mesh, float percent, float maxAngle, float maxArea) {
  IDirect3DVertexBuffer8* vb = BenchVertexBuffer(mesh);
  CGeoMesh geo;
  CFrameReductionThread job;
  REDUCTIONOPTIONS options{};
  options.reductionPercent = percent;
  options.maxNormalAngle = maxAngle;
  options.maxAreaChangePercent = maxArea;
  options.faceAreaFactor = 10.0f;
  SResult result;
  result.seconds = Seconds([&] {
    // The build counts the mesh's triangles and their area on the job.
    geo.Initialize2(static_cast<DWORD>(mesh.vertices.size()), vb, static_cast<DWORD>(mesh.indices.size()),
                    mesh.indices.data(), nullptr, 1, nullptr, nullptr, nullptr, nullptr, BenchDevice(), nullptr,
                    &job);
    job.SetInputTrianglesCount(job.GetCurrentThreadOutputTrianglesCount());
    geo.ReduceTrianglesCount(&options, &job);
  });
  vb->Release();
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  for (CGeoFacesArray* pool : {group->GetNewFacesArray(), group->GetOriginalFacesArray()})
    for (DWORD i = 0; i < pool->GetCurrentFacesCount(); ++i) {
      CGeoFace* f = pool->GetAt(i);
      if (f->IsDisabled()) continue;
      D3DXVECTOR3 *a, *b, *c;
      f->GetTriangleVerticesPosition(a, b, c);
      for (const D3DXVECTOR3* p : {a, b, c}) result.soup.corners.push_back({p->x, p->y, p->z});
    }
  return result;
}

SResult ReduceMeshoptimizer(const SGeoTestMesh& mesh, float percent) {
  std::vector<unsigned> out(mesh.indices.size());
  const size_t target = static_cast<size_t>(mesh.TrianglesCount() * (1.0 - percent / 100.0)) * 3;
  size_t count = 0;
  SResult result;
  result.seconds = Seconds([&] {
    count = meshopt_simplify(out.data(), mesh.indices.data(), mesh.indices.size(), &mesh.vertices[0].x,
                             mesh.vertices.size(), sizeof(D3DVERTEX), target, 1.0f, 0, nullptr);
  });
  for (size_t i = 0; i < count; ++i) {
    const D3DVERTEX& v = mesh.vertices[out[i]];
    result.soup.corners.push_back({v.x, v.y, v.z});
  }
  return result;
}

SResult ReduceOpenMesh(const SGeoTestMesh& mesh, float percent) {
  using TriMesh = OpenMesh::TriMesh_ArrayKernelT<>;
  TriMesh om;
  std::vector<TriMesh::VertexHandle> handles;
  for (const D3DVERTEX& v : mesh.vertices) handles.push_back(om.add_vertex(TriMesh::Point(v.x, v.y, v.z)));
  for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3)
    om.add_face(handles[mesh.indices[i]], handles[mesh.indices[i + 1]], handles[mesh.indices[i + 2]]);
  const size_t target = static_cast<size_t>(om.n_faces() * (1.0 - percent / 100.0));
  SResult result;
  result.seconds = Seconds([&] {
    OpenMesh::Decimater::DecimaterT<TriMesh> decimater(om);
    OpenMesh::Decimater::ModQuadricT<TriMesh>::Handle quadric;
    decimater.add(quadric);
    decimater.module(quadric).unset_max_err();
    decimater.initialize();
    decimater.decimate_to_faces(0, target);
    om.garbage_collection();
  });
  for (const auto& f : om.faces())
    for (const auto& v : om.fv_range(f)) {
      const TriMesh::Point& p = om.point(v);
      result.soup.corners.push_back({p[0], p[1], p[2]});
    }
  return result;
}

// A rolling height field over the unit square: gentle waves with finer
// ripples, so that flat and curved regions both occur.
SGeoTestMesh MakeTerrain(DWORD triangles) {
  const DWORD side = static_cast<DWORD>(std::sqrt(triangles / 2.0));
  SGeoTestMesh mesh = MakeGridMesh(side, side);
  for (D3DVERTEX& v : mesh.vertices) {
    const double x = v.x / side, y = v.y / side;
    v.x = static_cast<float>(x);
    v.y = static_cast<float>(y);
    v.z = static_cast<float>(0.08 * std::sin(6.0 * x) * std::cos(5.0 * y) + 0.01 * std::sin(40.0 * x + 25.0 * y));
  }
  return mesh;
}

// Records at one position made one, and triangles left without area
// dropped, so that every method sees one closed surface.
SGeoTestMesh Weld(const SGeoTestMesh& mesh) {
  SGeoTestMesh welded;
  std::map<std::tuple<float, float, float>, DWORD> at;
  std::vector<DWORD> remap(mesh.vertices.size());
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const D3DVERTEX& v = mesh.vertices[i];
    const auto [it, added] = at.try_emplace({v.x, v.y, v.z}, static_cast<DWORD>(welded.vertices.size()));
    if (added) welded.vertices.push_back(v);
    remap[i] = it->second;
  }
  for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
    const DWORD a = remap[mesh.indices[i]], b = remap[mesh.indices[i + 1]], c = remap[mesh.indices[i + 2]];
    if (a != b && b != c && a != c) welded.AddTriangle(a, b, c);
  }
  return welded;
}

// A closed lumpy ball: a sphere pushed out to a radius that varies with
// direction.
SGeoTestMesh MakeLumpyBall(DWORD triangles) {
  const DWORD stacks = static_cast<DWORD>(std::sqrt(triangles / 3.0));
  SGeoTestMesh mesh = MakeSphereMesh(stacks, 3 * stacks / 2);
  for (D3DVERTEX& v : mesh.vertices) {
    const double x = v.x, y = v.y, z = v.z;
    const double r = 1.0 + 0.15 * std::sin(3 * x) * std::sin(4 * y) * std::sin(2 * z) + 0.05 * std::cos(9 * y);
    v.x = static_cast<float>(x * r);
    v.y = static_cast<float>(y * r);
    v.z = static_cast<float>(z * r);
  }
  return Weld(mesh);
}

void Row(const char* mesh, size_t in, float percent, const char* method, const SResult& r, const STriangles& original) {
  const SError e = SurfaceError(original, r.soup);
  std::printf("| %-14s | %9zu | %3.0f %% | %-26s | %8.3f | %9zu | %9.5f | %9.6f |\n", mesh, in, percent, method,
              r.seconds, r.soup.Count(), e.hausdorff, e.rms);
  std::fflush(stdout);
}

}  // namespace

int main() {
  std::printf("| mesh           | triangles | cut   | method                     | seconds  |  tris out | Hausdorff |       RMS |\n");
  std::printf("|----------------|-----------|-------|----------------------------|----------|-----------|-----------|-----------|\n");
  struct SCase {
    const char* name;
    SGeoTestMesh mesh;
  };
  std::vector<SCase> cases;
  for (DWORD n : {100000u, 1000000u}) {
    cases.push_back({n < 1000000 ? "terrain 100k" : "terrain 1M", MakeTerrain(n)});
    cases.push_back({n < 1000000 ? "lumpy ball 100k" : "lumpy ball 1M", MakeLumpyBall(n)});
  }
  for (const SCase& c : cases) {
    const STriangles original = SoupOf(c.mesh);
    for (float percent : {50.0f, 90.0f}) {
      Row(c.name, original.Count(), 100 - percent, "ours (6 deg, 3 %)", ReduceOurs(c.mesh, percent, 6, 3), original);
      Row(c.name, original.Count(), 100 - percent, "ours (30 deg, 30 %)", ReduceOurs(c.mesh, percent, 30, 30),
          original);
      Row(c.name, original.Count(), 100 - percent, "meshoptimizer simplify", ReduceMeshoptimizer(c.mesh, percent),
          original);
      Row(c.name, original.Count(), 100 - percent, "OpenMesh quadric", ReduceOpenMesh(c.mesh, percent), original);
    }
  }
  return 0;
}
