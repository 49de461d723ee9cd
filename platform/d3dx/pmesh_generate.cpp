// Edge collapses in the order of a quadric error, recorded so that every
// level of detail can be reached by undoing or redoing them.
#include "pmesh_generate.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

namespace {

struct Vec {
  double x = 0, y = 0, z = 0;
  Vec() = default;
  Vec(double ax, double ay, double az) : x(ax), y(ay), z(az) {}
  Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec operator*(double s) const { return {x * s, y * s, z * s}; }
};
double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(const Vec& a, const Vec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Norm2(const Vec& a) { return Dot(a, a); }

// The squared distance from p to the triangle abc.
double TriangleDistance2(const Vec& p, const Vec& a, const Vec& b, const Vec& c) {
  const Vec ab = b - a, ac = c - a, ap = p - a;
  const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return Norm2(ap);
  const Vec bp = p - b;
  const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return Norm2(bp);
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return Norm2(ap - ab * (d1 / (d1 - d3)));
  const Vec cp = p - c;
  const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return Norm2(cp);
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return Norm2(ap - ac * (d2 / (d2 - d6)));
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
    return Norm2(bp - (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
  const double den = 1.0 / (va + vb + vc);
  return Norm2(ap - ab * (vb * den) - ac * (vc * den));
}

// The squared distance to a set of weighted planes, as x·Ax + 2b·x + c.
struct Quadric {
  double a00 = 0, a01 = 0, a02 = 0, a11 = 0, a12 = 0, a22 = 0, b0 = 0, b1 = 0, b2 = 0, c = 0;

  // The plane through p with unit normal n, weighted.
  void AddPlane(const Vec& n, const Vec& p, double weight) {
    const double d = -Dot(n, p);
    a00 += weight * n.x * n.x;
    a01 += weight * n.x * n.y;
    a02 += weight * n.x * n.z;
    a11 += weight * n.y * n.y;
    a12 += weight * n.y * n.z;
    a22 += weight * n.z * n.z;
    b0 += weight * d * n.x;
    b1 += weight * d * n.y;
    b2 += weight * d * n.z;
    c += weight * d * d;
  }
  Quadric& operator+=(const Quadric& q) {
    a00 += q.a00, a01 += q.a01, a02 += q.a02, a11 += q.a11, a12 += q.a12, a22 += q.a22;
    b0 += q.b0, b1 += q.b1, b2 += q.b2, c += q.c;
    return *this;
  }
  double Error(const Vec& v) const {
    const double ax = a00 * v.x + a01 * v.y + a02 * v.z;
    const double ay = a01 * v.x + a11 * v.y + a12 * v.z;
    const double az = a02 * v.x + a12 * v.y + a22 * v.z;
    return v.x * ax + v.y * ay + v.z * az + 2 * (b0 * v.x + b1 * v.y + b2 * v.z) + c;
  }
  // The sum of the plane weights, in units of area.
  double Weight() const { return a00 + a11 + a22; }
  // The parameter in [0, 1] of the least error on the segment from p along d.
  double LineMinimum(const Vec& p, const Vec& d) const {
    const Vec ad(a00 * d.x + a01 * d.y + a02 * d.z, a01 * d.x + a11 * d.y + a12 * d.z,
                 a02 * d.x + a12 * d.y + a22 * d.z);
    const double curvature = Dot(d, ad);
    if (!(curvature > 0)) return 0.5;
    const Vec ap(a00 * p.x + a01 * p.y + a02 * p.z, a01 * p.x + a11 * p.y + a12 * p.z,
                 a02 * p.x + a12 * p.y + a22 * p.z);
    const double slope = Dot(ap, d) + b0 * d.x + b1 * d.y + b2 * d.z;
    return std::clamp(-slope / curvature, 0.0, 1.0);
  }
  // The point of least error, when the planes fix one well.
  bool Minimum(Vec* v) const {
    const double c00 = a11 * a22 - a12 * a12, c01 = a02 * a12 - a01 * a22, c02 = a01 * a12 - a02 * a11;
    const double det = a00 * c00 + a01 * c01 + a02 * c02;
    const double scale = a00 + a11 + a22;
    if (!(scale > 0) || !(std::fabs(det) > 1e-12 * scale * scale * scale)) return false;
    const double c11 = a00 * a22 - a02 * a02, c12 = a01 * a02 - a00 * a12, c22 = a00 * a11 - a01 * a01;
    const double inv = -1.0 / det;
    v->x = inv * (c00 * b0 + c01 * b1 + c02 * b2);
    v->y = inv * (c01 * b0 + c11 * b1 + c12 * b2);
    v->z = inv * (c02 * b0 + c12 * b1 + c22 * b2);
    return std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z);
  }
};

constexpr DWORD kNone = 0xFFFFFFFF;

// The quadric averages the squared distances over its planes, so a thin fold
// or spike of the source (two nearly parallel planes) lets a point slide far
// along it for little error. A collapse therefore also costs at least this
// share of the quadric's weight times the squared largest departure (the
// farthest original point of either end from the new faces, or the new point
// from the original faces of either end); smaller shares leave the fold tips
// of the scans further from the level, larger ones raise the RMS error.
constexpr double kDepartureShare = 0.125;

// What a point may do: anything; move only along its two feature edges
// (border, seam between wedges or between materials); nothing.
enum Kind : uint8_t { kFree, kFeature, kLocked };

// One appearance attribute of a vertex: its offset, its float count (bytes
// for colours) and its weight.
struct Channel {
  UINT offset;
  UINT count;
  bool colour;
  double weight;
};

// A corner of a face around a point p, other than p's own: the point there,
// the face, and the wedges of p and of the corner. The first far corner at a
// point also counts the faces of p's edge to it and names the second.
struct FarCorner {
  DWORD point, face, wedgeP, wedgeQ;
  DWORD faces = 0, second = 0;
};

struct Candidate {
  float cost;
  DWORD a, b;
  DWORD versionA, versionB;
  float x, y, z;
};

class Simplifier {
 public:
  Simplifier(const MeshData& mesh, const D3DXATTRIBUTEWEIGHTS& weights, const float* vertexWeights,
             PMeshPlacement placement)
      : m_in(mesh), m_weights(weights), m_vertexWeights(vertexWeights), m_placement(placement) {}

  void Build(const DWORD* adjacency);
  void Run(DWORD minValue, DWORD options);
  void Output(PMeshData* out);

 private:
  Vec PointPos(DWORD p) const { return m_pos[p]; }
  DWORD PointOfCorner(DWORD f, DWORD k) const { return m_pointOf[m_corner[3 * f + k]]; }
  bool FaceHas(DWORD f, DWORD p) const {
    return PointOfCorner(f, 0) == p || PointOfCorner(f, 1) == p || PointOfCorner(f, 2) == p;
  }
  DWORD CornerOf(DWORD f, DWORD p) const {
    for (DWORD k = 0; k < 3; ++k)
      if (PointOfCorner(f, k) == p) return k;
    return kNone;
  }
  Vec FaceNormal(DWORD f, DWORD moved1, DWORD moved2, const Vec& x) const {
    Vec c[3];
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD p = PointOfCorner(f, k);
      c[k] = (p == moved1 || p == moved2) ? x : m_pos[p];
    }
    return Cross(c[1] - c[0], c[2] - c[0]);
  }
  void Neighbours(DWORD p, std::vector<DWORD>* out);
  DWORD NextStamp();
  void SharedFaces(DWORD a, DWORD b, std::vector<DWORD>* out) const;
  bool IsFeatureEdge(DWORD a, DWORD b, const std::vector<DWORD>& shared) const;
  Kind ClassifyPoint(DWORD p);
  double AttributeDistance(DWORD va, DWORD vb) const;
  bool Cost(DWORD a, DWORD b, Vec* x, double* cost) const;
  void PushEdges(DWORD p, const std::vector<DWORD>& around);
  bool WedgeMap(DWORD r, DWORD k, const std::vector<DWORD>& shared, std::vector<std::pair<DWORD, DWORD>>* map) const;
  // Whether r may go into k at x by the kinds and wedges of both ends.
  bool MayRemove(DWORD r, DWORD k, const Vec& x, const std::vector<DWORD>& shared,
                 std::vector<std::pair<DWORD, DWORD>>* map) const;
  // Whether the faces around the edge stay a manifold surface after it
  // collapses; the same for both directions.
  bool LinkAllows(DWORD r, DWORD k, const std::vector<DWORD>& shared);
  // Whether no face around the edge folds over or becomes a line when it
  // collapses to x; the same for both directions.
  bool FoldAllows(DWORD r, DWORD k, const Vec& x) const;
  // Removes r into k at x; shared holds the faces on the edge.
  void Collapse(DWORD r, DWORD k, const Vec& x, const std::vector<DWORD>& shared,
                const std::vector<std::pair<DWORD, DWORD>>& map);
  void Interpolate(DWORD keep, DWORD gone, double t, BYTE* out) const;
  void CheckPoint(DWORD p) const;
  // The squared largest departure of a collapse of r into k at x; where it
  // is not above enough, it may stop at any value not above enough.
  double Departure2(DWORD r, DWORD k, const Vec& x, double enough);

  const MeshData& m_in;
  D3DXATTRIBUTEWEIGHTS m_weights;
  const float* m_vertexWeights;
  PMeshPlacement m_placement;
  std::vector<Channel> m_channels;

  // Vertices (wedges): their bytes as the collapses change them, and their point.
  std::vector<BYTE> m_bytes;
  std::vector<DWORD> m_pointOf;
  std::vector<bool> m_used;
  // Points.
  std::vector<Vec> m_pos;
  std::vector<Quadric> m_quadric;
  std::vector<std::vector<DWORD>> m_faces;
  std::vector<DWORD> m_wedgeStart, m_wedges;
  std::vector<Kind> m_kind;
  std::vector<DWORD> m_version;
  std::vector<bool> m_dead, m_blocked;
  std::vector<float> m_pointWeight;
  // The original points merged into each point, as a list through
  // m_memberNext; their original positions and faces.
  std::vector<DWORD> m_memberHead, m_memberTail, m_memberNext;
  std::vector<Vec> m_origin;
  std::vector<DWORD> m_originFaceStart, m_originFaces;
  // Marks of points met in a neighbourhood walk: those equal to m_stamp; and
  // a number for each marked point.
  std::vector<DWORD> m_mark, m_slot;
  DWORD m_stamp = 0;
  // Faces.
  std::vector<DWORD> m_corner;
  std::vector<bool> m_faceDead, m_faceGood;
  DWORD m_faceCount = 0, m_vertexCount = 0;

  // A 4-ary heap, cheapest on top: half the depth of a binary heap, with
  // the children of a node side by side in memory.
  std::vector<Candidate> m_queue;
  void Push(const Candidate& c) {
    size_t i = m_queue.size();
    m_queue.push_back(c);
    for (; i > 0 && m_queue[(i - 1) / 4].cost > c.cost; i = (i - 1) / 4) m_queue[i] = m_queue[(i - 1) / 4];
    m_queue[i] = c;
  }
  // Puts c at i or below it, where the heap order holds.
  void SiftDown(size_t i, Candidate c) {
    const size_t n = m_queue.size();
    for (size_t first = 4 * i + 1; first < n; first = 4 * i + 1) {
      size_t least = first;
      if (first + 3 < n) {
        const size_t a = m_queue[first + 1].cost < m_queue[first].cost ? first + 1 : first;
        const size_t b = m_queue[first + 3].cost < m_queue[first + 2].cost ? first + 3 : first + 2;
        least = m_queue[b].cost < m_queue[a].cost ? b : a;
      } else {
        for (size_t j = first + 1; j < n; ++j)
          if (m_queue[j].cost < m_queue[least].cost) least = j;
      }
      if (!(m_queue[least].cost < c.cost)) break;
      m_queue[i] = m_queue[least];
      i = least;
    }
    m_queue[i] = c;
  }
  Candidate Pop() {
    const Candidate top = m_queue.front();
    const Candidate last = m_queue.back();
    m_queue.pop_back();
    if (!m_queue.empty()) SiftDown(0, last);
    return top;
  }
  // An entry is stale once either end has changed or gone since.
  bool Stale(const Candidate& c) const {
    return m_dead[c.a] || m_dead[c.b] || m_version[c.a] != c.versionA || m_version[c.b] != c.versionB;
  }
  void MakeHeap() {
    for (size_t i = (m_queue.size() + 2) / 4; i-- > 0;) SiftDown(i, m_queue[i]);
  }

  // The collapses in original numbers: per collapse [removed faces …],
  // [(corner, old vertex, new vertex) …], [(vertex, xor words) …],
  // [removed vertices …], each list with its length first.
  std::vector<DWORD> m_log;
  std::vector<size_t> m_logStart;
  std::vector<DWORD> m_removedFaceCount, m_removedVertexCount;

  // Scratch, kept between calls so that collapses allocate nothing.
  std::vector<DWORD> m_scratchShared, m_scratchAround, m_scratchPush;
  std::vector<BYTE> m_scratchBytes;
  std::vector<FarCorner> m_scratchFar;
  std::vector<Vec> m_scratchFan;
};

void Simplifier::Neighbours(DWORD p, std::vector<DWORD>* out) {
  // Each point once, in the order its faces give them.
  out->clear();
  const DWORD stamp = NextStamp();
  m_mark[p] = stamp;
  for (DWORD f : m_faces[p])
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD q = PointOfCorner(f, k);
      if (m_mark[q] != stamp) {
        m_mark[q] = stamp;
        out->push_back(q);
      }
    }
}

DWORD Simplifier::NextStamp() {
  if (++m_stamp == 0) {
    std::fill(m_mark.begin(), m_mark.end(), 0);
    m_stamp = 1;
  }
  return m_stamp;
}

void Simplifier::SharedFaces(DWORD a, DWORD b, std::vector<DWORD>* out) const {
  out->clear();
  for (DWORD f : m_faces[a])
    if (FaceHas(f, b)) out->push_back(f);
}

bool Simplifier::IsFeatureEdge(DWORD a, DWORD b, const std::vector<DWORD>& shared) const {
  if (shared.size() != 2) return true;
  const DWORD f = shared[0], g = shared[1];
  if (m_in.attributes[f] != m_in.attributes[g]) return true;
  return m_corner[3 * f + CornerOf(f, a)] != m_corner[3 * g + CornerOf(g, a)] ||
         m_corner[3 * f + CornerOf(f, b)] != m_corner[3 * g + CornerOf(g, b)];
}

Kind Simplifier::ClassifyPoint(DWORD p) {
  // The far corners of p's faces with the wedges at both ends of their
  // edges to p; an edge to q has the faces where q is a far corner.
  std::vector<FarCorner>& far = m_scratchFar;
  far.clear();
  for (DWORD f : m_faces[p]) {
    const DWORD c = CornerOf(f, p);
    for (DWORD k = 0; k < 3; ++k)
      if (k != c) far.push_back({PointOfCorner(f, k), f, m_corner[3 * f + c], m_corner[3 * f + k]});
  }
  // The edge to q, as IsFeatureEdge judges it, from the first far corner at
  // q: how many faces it has, and the second of them.
  const DWORD stamp = NextStamp();
  for (DWORD i = 0; i < far.size(); ++i) {
    const DWORD q = far[i].point;
    if (m_mark[q] != stamp) {
      m_mark[q] = stamp;
      m_slot[q] = i;
      far[i].faces = 1;
    } else if (++far[m_slot[q]].faces == 2) {
      far[m_slot[q]].second = i;
    }
  }
  size_t features = 0, links = 0, borders = 0;
  for (DWORD i = 0; i < far.size(); ++i) {
    const FarCorner& first = far[i];
    if (m_slot[first.point] != i) continue;
    if (first.faces > 2) return kLocked;
    (first.faces == 2 ? links : borders) += 1;
    if (first.faces != 2) {
      ++features;
      continue;
    }
    const FarCorner& second = far[first.second];
    if (m_in.attributes[first.face] != m_in.attributes[second.face] || first.wedgeP != second.wedgeP ||
        first.wedgeQ != second.wedgeQ)
      ++features;
  }
  // One fan of faces: a closed fan has as many faces as links between
  // them, an open one one more.
  const size_t faces = m_faces[p].size();
  const bool oneFan = (borders == 0 && links == faces) || (borders == 2 && links + 1 == faces);
  if (!oneFan) return kLocked;
  if (features == 0) return kFree;
  return features == 2 ? kFeature : kLocked;
}

double Simplifier::AttributeDistance(DWORD va, DWORD vb) const {
  const BYTE* a = m_bytes.data() + static_cast<size_t>(va) * m_in.layout.stride;
  const BYTE* b = m_bytes.data() + static_cast<size_t>(vb) * m_in.layout.stride;
  double total = 0;
  for (const Channel& ch : m_channels) {
    double sum = 0;
    if (ch.colour) {
      for (UINT i = 0; i < 4; ++i) {
        const double d = (a[ch.offset + i] - b[ch.offset + i]) / 255.0;
        sum += d * d;
      }
    } else {
      for (UINT i = 0; i < ch.count; ++i) {
        float fa, fb;
        std::memcpy(&fa, a + ch.offset + 4 * i, 4);
        std::memcpy(&fb, b + ch.offset + 4 * i, 4);
        const double d = static_cast<double>(fa) - fb;
        if (std::isfinite(d)) sum += d * d;
      }
    }
    total += ch.weight * sum;
  }
  return total;
}

bool Simplifier::Cost(DWORD a, DWORD b, Vec* x, double* cost) const {
  if (m_kind[a] == kLocked && m_kind[b] == kLocked) return false;
  Quadric q = m_quadric[a];
  q += m_quadric[b];
  const Vec pa = m_pos[a], pb = m_pos[b];
  if (m_kind[a] == kLocked) {
    *x = pa;
  } else if (m_kind[b] == kLocked) {
    *x = pb;
  } else {
    bool found = false;
    if (m_placement == PMeshPlacement::kOptimal && q.Minimum(x)) {
      // Far from the edge the solution only reflects nearly parallel planes.
      const Vec mid = (pa + pb) * 0.5;
      found = Norm2(*x - mid) <= 4.0 * Norm2(pb - pa) + 1e-30;
    }
    if (!found) {
      const double ea = q.Error(pa), eb = q.Error(pb);
      *x = ea <= eb ? pa : pb;
      if (m_placement == PMeshPlacement::kOptimal) {
        // The best point of the edge itself.
        const double t = q.LineMinimum(pa, pb - pa);
        const Vec on = pa + (pb - pa) * t;
        if (q.Error(on) < std::min(ea, eb)) *x = on;
      }
    }
  }
  double error = m_weights.Position * std::max(0.0, q.Error(*x));
  if (!m_channels.empty()) {
    double attributes = 0;
    for (DWORD i = m_wedgeStart[b]; i < m_wedgeStart[b + 1]; ++i) {
      double best = std::numeric_limits<double>::max();
      for (DWORD j = m_wedgeStart[a]; j < m_wedgeStart[a + 1]; ++j)
        best = std::min(best, AttributeDistance(m_wedges[j], m_wedges[i]));
      attributes += best;
    }
    // Area times squared length, the units of the quadric's error.
    error += attributes * 0.5 * q.Weight() * Norm2(pb - pa);
  }
  *cost = error * std::max(m_pointWeight[a], m_pointWeight[b]);
  return std::isfinite(*cost);
}

// The edges of p to the points around it (its neighbours, as Neighbours gives them).
void Simplifier::PushEdges(DWORD p, const std::vector<DWORD>& around) {
  for (DWORD q : around) {
    Vec x;
    double cost;
    if (!Cost(p, q, &x, &cost)) continue;
    Push({static_cast<float>(std::min(cost, 1e37)), p, q, m_version[p], m_version[q], static_cast<float>(x.x),
          static_cast<float>(x.y), static_cast<float>(x.z)});
  }
}

void Simplifier::Build(const DWORD* adjacency) {
  const DWORD faces = m_in.NumFaces();
  const UINT stride = m_in.layout.stride;
  m_bytes = m_in.vertices;
  m_corner = m_in.indices;
  const std::vector<DWORD> reps =
      adjacency ? PointRepsFromAdjacency(m_in, adjacency) : PointRepsByPosition(m_in, 0.0f);

  // Channels of the appearance attributes that carry weight.
  const FvfLayout& l = m_in.layout;
  if (l.HasNormal() && m_weights.Normal > 0) m_channels.push_back({l.normal, 3, false, m_weights.Normal});
  if (l.HasDiffuse() && m_weights.Diffuse > 0) m_channels.push_back({l.diffuse, 4, true, m_weights.Diffuse});
  if (l.HasSpecular() && m_weights.Specular > 0) m_channels.push_back({l.specular, 4, true, m_weights.Specular});
  for (UINT t = 0; t < l.texCount && t < 8; ++t)
    if (m_weights.Tex[t] > 0) m_channels.push_back({l.texOffset[t], l.texSize[t] / 4, false, m_weights.Tex[t]});

  // Faces with three distinct points; the vertices they use.
  m_faceGood.assign(faces, false);
  m_faceDead.assign(faces, true);
  m_used.assign(m_in.numVertices, false);
  for (DWORD f = 0; f < faces; ++f) {
    const DWORD a = reps[m_corner[3 * f]], b = reps[m_corner[3 * f + 1]], c = reps[m_corner[3 * f + 2]];
    if (a == b || b == c || a == c) continue;
    m_faceGood[f] = true;
    m_faceDead[f] = false;
    ++m_faceCount;
    for (DWORD k = 0; k < 3; ++k) m_used[m_corner[3 * f + k]] = true;
  }

  // Points, numbered in the order of their representatives.
  std::vector<DWORD> pointOfRep(m_in.numVertices, kNone);
  m_pointOf.assign(m_in.numVertices, kNone);
  DWORD points = 0;
  for (DWORD v = 0; v < m_in.numVertices; ++v) {
    if (!m_used[v]) continue;
    ++m_vertexCount;
    DWORD& p = pointOfRep[reps[v]];
    if (p == kNone) p = points++;
    m_pointOf[v] = p;
  }
  m_pos.resize(points);
  m_wedgeStart.assign(points + 1, 0);
  m_pointWeight.assign(points, 1.0f);
  for (DWORD v = 0; v < m_in.numVertices; ++v) {
    if (!m_used[v]) continue;
    const DWORD p = m_pointOf[v];
    ++m_wedgeStart[p + 1];
    const D3DXVECTOR3 pos = m_in.Position(v);
    m_pos[p] = Vec(pos.x, pos.y, pos.z);
  }
  if (m_vertexWeights) {
    // A point weighs what its heaviest wedge weighs.
    std::fill(m_pointWeight.begin(), m_pointWeight.end(), 0.0f);
    for (DWORD v = 0; v < m_in.numVertices; ++v)
      if (m_used[v] && m_vertexWeights[v] > m_pointWeight[m_pointOf[v]])
        m_pointWeight[m_pointOf[v]] = m_vertexWeights[v];
  }
  std::partial_sum(m_wedgeStart.begin(), m_wedgeStart.end(), m_wedgeStart.begin());
  m_wedges.resize(m_vertexCount);
  {
    std::vector<DWORD> fill(m_wedgeStart.begin(), m_wedgeStart.end() - 1);
    for (DWORD v = 0; v < m_in.numVertices; ++v)
      if (m_used[v]) m_wedges[fill[m_pointOf[v]]++] = v;
  }
  // Wedges of one point share its position exactly.
  for (DWORD v = 0; v < m_in.numVertices; ++v) {
    if (!m_used[v]) continue;
    const Vec& p = m_pos[m_pointOf[v]];
    const D3DXVECTOR3 q(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
    std::memcpy(m_bytes.data() + static_cast<size_t>(v) * stride, &q, sizeof(q));
  }

  // Each face's plane weighs the geometric mean of its area and the mean
  // face area. By area alone, small faces (fine detail, thin folds of a
  // scan) weigh little and go first, and the largest distance to the source
  // grows; alike for all, the integral error grows where faces are large.
  m_faces.resize(points);
  m_quadric.resize(points);
  std::vector<double> areas(faces, 0.0);
  double totalArea = 0;
  for (DWORD f = 0; f < faces; ++f) {
    if (!m_faceGood[f]) continue;
    areas[f] = 0.5 * std::sqrt(Norm2(FaceNormal(f, kNone, kNone, Vec())));
    totalArea += areas[f];
  }
  const double meanArea = m_faceCount > 0 ? totalArea / m_faceCount : 0.0;
  {
    std::vector<DWORD> valence(points, 0);
    for (DWORD f = 0; f < faces; ++f)
      if (m_faceGood[f])
        for (DWORD k = 0; k < 3; ++k) ++valence[PointOfCorner(f, k)];
    for (DWORD p = 0; p < points; ++p) m_faces[p].reserve(valence[p]);
  }
  for (DWORD f = 0; f < faces; ++f) {
    if (!m_faceGood[f]) continue;
    for (DWORD k = 0; k < 3; ++k) m_faces[PointOfCorner(f, k)].push_back(f);
    if (!(areas[f] > 0)) continue;
    Quadric q;
    q.AddPlane(FaceNormal(f, kNone, kNone, Vec()) * (0.5 / areas[f]), m_pos[PointOfCorner(f, 0)],
               std::sqrt(areas[f] * meanArea));
    for (DWORD k = 0; k < 3; ++k) m_quadric[PointOfCorner(f, k)] += q;
  }
  m_memberHead.resize(points);
  std::iota(m_memberHead.begin(), m_memberHead.end(), 0);
  m_memberTail = m_memberHead;
  m_memberNext.assign(points, kNone);
  m_origin = m_pos;
  m_originFaceStart.assign(points + 1, 0);
  for (DWORD p = 0; p < points; ++p)
    m_originFaceStart[p + 1] = m_originFaceStart[p] + static_cast<DWORD>(m_faces[p].size());
  m_originFaces.reserve(m_originFaceStart[points]);
  for (DWORD p = 0; p < points; ++p) m_originFaces.insert(m_originFaces.end(), m_faces[p].begin(), m_faces[p].end());
  m_kind.resize(points);
  m_version.assign(points, 0);
  m_dead.assign(points, false);
  m_blocked.assign(points, false);
  m_mark.assign(points, 0);
  m_slot.assign(points, 0);
  for (DWORD p = 0; p < points; ++p) m_kind[p] = ClassifyPoint(p);

  // Planes through each feature edge, upright on its faces, hold borders and
  // seams where they are.
  // The edges, each once, are kept for the queue below.
  std::vector<DWORD> around, shared;
  std::vector<std::pair<DWORD, DWORD>> edges;
  edges.reserve(3 * static_cast<size_t>(m_faceCount) / 2 + points);
  for (DWORD p = 0; p < points; ++p) {
    Neighbours(p, &around);
    for (DWORD q : around) {
      if (q < p) continue;
      edges.push_back({p, q});
      // A free point has no feature edge.
      if (m_kind[p] == kFree || m_kind[q] == kFree) continue;
      SharedFaces(p, q, &shared);
      if (!IsFeatureEdge(p, q, shared)) continue;
      const Vec e = m_pos[q] - m_pos[p];
      const double length2 = Norm2(e);
      if (!(length2 > 0)) continue;
      for (DWORD f : shared) {
        const Vec n = FaceNormal(f, kNone, kNone, Vec());
        Vec m = Cross(e, n);
        const double mn = std::sqrt(Norm2(m));
        if (!(mn > 0)) continue;
        Quadric c;
        c.AddPlane(m * (1.0 / mn), m_pos[p], m_weights.Boundary * length2);
        m_quadric[p] += c;
        m_quadric[q] += c;
      }
    }
  }
  m_queue.reserve(3 * static_cast<size_t>(m_faceCount));
  m_log.reserve(12 * static_cast<size_t>(m_faceCount));
  for (const auto& [p, q] : edges) {
    Vec x;
    double cost;
    if (!Cost(p, q, &x, &cost)) continue;
    m_queue.push_back({static_cast<float>(std::min(cost, 1e37)), p, q, 0, 0, static_cast<float>(x.x),
                       static_cast<float>(x.y), static_cast<float>(x.z)});
  }
  MakeHeap();
}

bool Simplifier::WedgeMap(DWORD r, DWORD k, const std::vector<DWORD>& shared,
                          std::vector<std::pair<DWORD, DWORD>>* map) const {
  map->clear();
  for (DWORD i = m_wedgeStart[r]; i < m_wedgeStart[r + 1]; ++i) {
    const DWORD w = m_wedges[i];
    DWORD to = kNone;
    for (DWORD f : shared) {
      if (m_corner[3 * f + CornerOf(f, r)] != w) continue;
      const DWORD other = m_corner[3 * f + CornerOf(f, k)];
      if (to != kNone && to != other) return false;
      to = other;
    }
    if (to == kNone) {
      // A wedge away from the edge: fine only when it has no faces left.
      for (DWORD f : m_faces[r])
        for (DWORD c = 0; c < 3; ++c)
          if (m_corner[3 * f + c] == w) return false;
      continue;
    }
    map->push_back({w, to});
  }
  return true;
}

bool Simplifier::MayRemove(DWORD r, DWORD k, const Vec& x, const std::vector<DWORD>& shared,
                           std::vector<std::pair<DWORD, DWORD>>* map) const {
  if (m_kind[r] == kLocked) return false;
  if (m_kind[k] == kLocked && Norm2(x - m_pos[k]) > 0) return false;
  if (m_kind[r] == kFeature && !IsFeatureEdge(r, k, shared)) return false;
  return WedgeMap(r, k, shared, map);
}

bool Simplifier::LinkAllows(DWORD r, DWORD k, const std::vector<DWORD>& shared) {
  if (m_faces[r].size() + m_faces[k].size() <= 2 * shared.size()) return false;
  DWORD opposite[2] = {kNone, kNone};
  for (size_t i = 0; i < shared.size(); ++i) {
    const DWORD f = shared[i];
    for (DWORD c = 0; c < 3; ++c) {
      const DWORD p = PointOfCorner(f, c);
      if (p != r && p != k) opposite[i] = p;
    }
    // The far corner keeps a face.
    size_t inShared = 0;
    for (DWORD g : shared) inShared += FaceHas(g, opposite[i]) ? 1 : 0;
    if (m_faces[opposite[i]].size() <= inShared) return false;
  }

  // Link condition: the points next to both ends are the far corners of the
  // faces on the edge, so no edge gets more than two faces. The points next
  // to k are marked; those next to r lie on its faces off the edge.
  const DWORD stamp = NextStamp();
  for (DWORD f : m_faces[k])
    for (DWORD c = 0; c < 3; ++c) m_mark[PointOfCorner(f, c)] = stamp;
  for (DWORD f : m_faces[r]) {
    if (FaceHas(f, k)) continue;
    DWORD others[2], n = 0;
    for (DWORD c = 0; c < 3; ++c)
      if (PointOfCorner(f, c) != r) others[n++] = PointOfCorner(f, c);
    bool bothCommon = true;
    for (DWORD q : others) {
      if (m_mark[q] != stamp) {
        bothCommon = false;
        continue;
      }
      if (q != opposite[0] && q != opposite[1]) return false;
    }
    // No face may come to repeat another.
    if (bothCommon)
      for (DWORD g : m_faces[k])
        if (FaceHas(g, others[0]) && FaceHas(g, others[1])) return false;
  }
  return true;
}

bool Simplifier::FoldAllows(DWORD r, DWORD k, const Vec& x) const {
  for (int side = 0; side < 2; ++side)
    for (DWORD f : m_faces[side ? k : r]) {
      if (side == 0 && FaceHas(f, k)) continue;
      if (side == 1 && FaceHas(f, r)) continue;
      const Vec before = FaceNormal(f, kNone, kNone, Vec());
      const Vec after = FaceNormal(f, r, k, x);
      const double b2 = Norm2(before), a2 = Norm2(after);
      if (!(b2 > 0)) continue;
      const double d = Dot(before, after);
      if (!(d > 0)) return false;
      // A face that was not thin may not become a line.
      Vec c[3];
      for (DWORD i = 0; i < 3; ++i) {
        const DWORD p = PointOfCorner(f, i);
        c[i] = (p == r || p == k) ? x : m_pos[p];
      }
      const double scale = Norm2(c[1] - c[0]) + Norm2(c[2] - c[1]) + Norm2(c[0] - c[2]);
      if (a2 <= 1e-12 * scale * scale) return false;
    }
  return true;
}

void Simplifier::Interpolate(DWORD keep, DWORD gone, double t, BYTE* out) const {
  const UINT stride = m_in.layout.stride;
  const BYTE* a = m_bytes.data() + static_cast<size_t>(keep) * stride;
  const BYTE* b = m_bytes.data() + static_cast<size_t>(gone) * stride;
  std::memcpy(out, a, stride);
  if (t <= 0) return;
  const FvfLayout& l = m_in.layout;
  auto floats = [&](UINT offset, UINT count) {
    for (UINT i = 0; i < count; ++i) {
      float fa, fb;
      std::memcpy(&fa, a + offset + 4 * i, 4);
      std::memcpy(&fb, b + offset + 4 * i, 4);
      const float v = static_cast<float>(fa + t * (static_cast<double>(fb) - fa));
      std::memcpy(out + offset + 4 * i, &v, 4);
    }
  };
  auto colour = [&](UINT offset) {
    for (UINT i = 0; i < 4; ++i)
      out[offset + i] = static_cast<BYTE>(std::lround(a[offset + i] + t * (b[offset + i] - a[offset + i])));
  };
  if (l.HasNormal()) {
    floats(l.normal, 3);
    float n[3];
    std::memcpy(n, out + l.normal, 12);
    const double len = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
    if (len > 0)
      for (float& c : n) c = static_cast<float>(c / len);
    std::memcpy(out + l.normal, n, 12);
  }
  if (l.HasDiffuse()) colour(l.diffuse);
  if (l.HasSpecular()) colour(l.specular);
  for (UINT s = 0; s < l.texCount; ++s) floats(l.texOffset[s], l.texSize[s] / 4);
}

void Simplifier::Collapse(DWORD r, DWORD k, const Vec& x, const std::vector<DWORD>& shared,
                          const std::vector<std::pair<DWORD, DWORD>>& map) {
  const UINT stride = m_in.layout.stride;
  m_logStart.push_back(m_log.size());

  // Faces on the edge go.
  m_log.push_back(static_cast<DWORD>(shared.size()));
  for (DWORD f : shared) {
    m_log.push_back(f);
    m_faceDead[f] = true;
    for (DWORD c = 0; c < 3; ++c) {
      std::vector<DWORD>& list = m_faces[PointOfCorner(f, c)];
      auto it = std::find(list.begin(), list.end(), f);
      assert(it != list.end());
      *it = list.back();
      list.pop_back();
    }
  }
  m_faceCount -= static_cast<DWORD>(shared.size());

  // The other faces of r turn to k.
  const size_t cornerCount = m_log.size();
  m_log.push_back(0);
  for (DWORD f : m_faces[r]) {
    const DWORD c = CornerOf(f, r);
    const DWORD from = m_corner[3 * f + c];
    DWORD to = kNone;
    for (const auto& [w, t] : map)
      if (w == from) to = t;
    assert(to != kNone);
    m_log.insert(m_log.end(), {3 * f + c, from, to});
    ++m_log[cornerCount];
    m_corner[3 * f + c] = to;
    m_faces[k].push_back(f);
  }
  m_faces[r].clear();

  // The kept wedges move to x and take the attributes between both ends.
  const Vec e = m_pos[r] - m_pos[k];
  const double e2 = Norm2(e);
  const double t = e2 > 0 ? std::clamp(Dot(x - m_pos[k], e) / e2, 0.0, 1.0) : 0.0;
  const D3DXVECTOR3 position(static_cast<float>(x.x), static_cast<float>(x.y), static_cast<float>(x.z));
  const size_t vertexCount = m_log.size();
  m_log.push_back(0);
  std::vector<BYTE>& next = m_scratchBytes;
  next.resize(stride);
  for (DWORD i = m_wedgeStart[k]; i < m_wedgeStart[k + 1]; ++i) {
    const DWORD w = m_wedges[i];
    BYTE* bytes = m_bytes.data() + static_cast<size_t>(w) * stride;
    DWORD gone = kNone;
    for (const auto& [from, to] : map)
      if (to == w) gone = from;
    if (gone != kNone)
      Interpolate(w, gone, t, next.data());
    else
      std::memcpy(next.data(), bytes, stride);
    std::memcpy(next.data(), &position, sizeof(position));
    if (std::memcmp(next.data(), bytes, stride) == 0) continue;
    m_log.push_back(w);
    for (UINT j = 0; j < stride; j += 4) {
      DWORD before, after;
      std::memcpy(&before, bytes + j, 4);
      std::memcpy(&after, next.data() + j, 4);
      m_log.push_back(before ^ after);
    }
    std::memcpy(bytes, next.data(), stride);
    ++m_log[vertexCount];
  }
  m_pos[k] = Vec(position.x, position.y, position.z);

  const DWORD gone = m_wedgeStart[r + 1] - m_wedgeStart[r];
  m_log.push_back(gone);
  for (DWORD i = m_wedgeStart[r]; i < m_wedgeStart[r + 1]; ++i) m_log.push_back(m_wedges[i]);
  m_vertexCount -= gone;
  m_removedFaceCount.push_back(static_cast<DWORD>(shared.size()));
  m_removedVertexCount.push_back(gone);

  m_quadric[k] += m_quadric[r];
  // r's original points pass to k.
  m_memberNext[m_memberTail[k]] = m_memberHead[r];
  m_memberTail[k] = m_memberTail[r];
  m_pointWeight[k] = std::max(m_pointWeight[k], m_pointWeight[r]);
  m_dead[r] = true;
  ++m_version[k];
  ++m_version[r];

  // The neighbourhood of k: its kinds may change, and edges that failed
  // their checks may pass now.
  std::vector<DWORD>& around = m_scratchAround;
  Neighbours(k, &around);
  // Two free ends make a free point, as the faces and wedges of r's edges
  // pass to k unchanged.
  if (m_kind[k] != kFree || m_kind[r] != kFree) m_kind[k] = ClassifyPoint(k);
  assert(m_kind[k] != kFree || ClassifyPoint(k) == kFree);
  PushEdges(k, around);
  for (DWORD n : around) {
    // A free point stays free: its new edge to k has the faces and wedges
    // its edge to r had.
    const Kind kind = m_kind[n] == kFree ? kFree : ClassifyPoint(n);
    if (kind != m_kind[n] || m_blocked[n]) {
      m_kind[n] = kind;
      m_blocked[n] = false;
      ++m_version[n];
      Neighbours(n, &m_scratchPush);
      PushEdges(n, m_scratchPush);
    }
  }
#ifndef NDEBUG
  CheckPoint(k);
  for (DWORD n : around) CheckPoint(n);
#endif
}

double Simplifier::Departure2(DWORD r, DWORD k, const Vec& x, double enough) {
  // The faces around x after the collapse: those of r and of k off the edge.
  std::vector<Vec>& fan = m_scratchFan;
  fan.clear();
  size_t kStart = 0;
  for (DWORD side : {r, k}) {
    kStart = fan.size();
    for (DWORD f : m_faces[side]) {
      if (FaceHas(f, side == r ? k : r)) continue;
      for (DWORD i = 0; i < 3; ++i) {
        const DWORD p = PointOfCorner(f, i);
        fan.push_back((p == r || p == k) ? x : m_pos[p]);
      }
    }
  }
  // A distance at or below the largest so far cannot change the result, so
  // every search stops there as well as at enough.
  double worst = 0;
  for (DWORD end : {r, k}) {
    // The faces of its own end first, where it most likely lies; after the
    // first point, the face nearest the point before, as the points of an
    // end lie close together.
    size_t start = end == r ? 0 : kStart;
    for (DWORD o = m_memberHead[end]; o != kNone; o = m_memberNext[o]) {
      // x is a corner of the new faces, so o is no farther from them.
      const double stop = std::max(enough, worst);
      double best = Norm2(m_origin[o] - x);
      size_t nearest = start;
      for (size_t n = 0; n < fan.size() && best > stop; n += 3) {
        const size_t i = start + n < fan.size() ? start + n : start + n - fan.size();
        const double d = TriangleDistance2(m_origin[o], fan[i], fan[i + 1], fan[i + 2]);
        if (d < best) best = d, nearest = i;
      }
      start = nearest;
      worst = std::max(worst, best);
    }
  }
  // Likewise the original points are corners of their faces.
  const double stop = std::max(enough, worst);
  // The faces of the original point nearest x first, where x most likely lies.
  double best = std::numeric_limits<double>::max();
  DWORD nearest = kNone;
  for (DWORD end : {r, k})
    for (DWORD o = m_memberHead[end]; o != kNone && best > stop; o = m_memberNext[o]) {
      const double d = Norm2(x - m_origin[o]);
      if (d < best) best = d, nearest = o;
    }
  auto faces = [&](DWORD o) {
    for (DWORD i = m_originFaceStart[o]; i < m_originFaceStart[o + 1] && best > stop; ++i) {
      const DWORD* corners = m_in.indices.data() + 3 * static_cast<size_t>(m_originFaces[i]);
      best = std::min(best, TriangleDistance2(x, m_origin[m_pointOf[corners[0]]], m_origin[m_pointOf[corners[1]]],
                                              m_origin[m_pointOf[corners[2]]]));
    }
  };
  if (nearest != kNone) faces(nearest);
  for (DWORD end : {r, k})
    for (DWORD o = m_memberHead[end]; o != kNone && best > stop; o = m_memberNext[o])
      if (o != nearest) faces(o);
  return std::max(worst, best);
}

// The invariants of a living point: its faces are alive and hold it once,
// with three distinct living points.
[[maybe_unused]] void Simplifier::CheckPoint(DWORD p) const {
  assert(!m_dead[p]);
  for (DWORD f : m_faces[p]) {
    assert(!m_faceDead[f]);
    int hits = 0;
    for (DWORD c = 0; c < 3; ++c) hits += PointOfCorner(f, c) == p ? 1 : 0;
    assert(hits == 1);
    (void)hits;
    const DWORD a = PointOfCorner(f, 0), b = PointOfCorner(f, 1), c = PointOfCorner(f, 2);
    assert(a != b && b != c && a != c);
    assert(!m_dead[a] && !m_dead[b] && !m_dead[c]);
    (void)a, (void)b, (void)c;
  }
  assert(!m_faces[p].empty());
}

void Simplifier::Run(DWORD minValue, DWORD options) {
  const bool byVertices = (options & D3DXMESHSIMP_VERTEX) != 0;
  std::vector<std::pair<DWORD, DWORD>> map;
  while (!m_queue.empty()) {
    if ((byVertices ? m_vertexCount : m_faceCount) <= minValue) break;
    // Stale entries pile up as collapses queue the edges around them again;
    // when they are most of the queue, it is rebuilt without them.
    if (m_queue.size() > 3 * static_cast<size_t>(m_faceCount) + 64) {
      std::erase_if(m_queue, [this](const Candidate& c) { return Stale(c); });
      MakeHeap();
    }
    const Candidate top = Pop();
    const DWORD a = top.a, b = top.b;
    if (Stale(top)) continue;
    const Vec x(top.x, top.y, top.z);
    // Remove the end that has the fewer constraints; the other way round
    // when that end may not go. The shape after the collapse is the same
    // either way.
    std::vector<DWORD>& shared = m_scratchShared;
    SharedFaces(a, b, &shared);
    bool done = false;
    if (!shared.empty() && shared.size() <= 2) {
      DWORD r = m_kind[a] <= m_kind[b] ? a : b;
      DWORD k = r == a ? b : a;
      bool may = MayRemove(r, k, x, shared, &map);
      if (!may) {
        std::swap(r, k);
        may = MayRemove(r, k, x, shared, &map);
      }
      if (may && FoldAllows(r, k, x) && LinkAllows(r, k, shared)) {
        // A departure the quadric missed queues the edge again at its
        // cost; then it comes back with that cost and passes here.
        Quadric q = m_quadric[a];
        q += m_quadric[b];
        const double scale = kDepartureShare * q.Weight() * std::max(m_pointWeight[a], m_pointWeight[b]);
        if (scale > 0) {
          const double departure = scale * Departure2(r, k, x, top.cost / scale);
          const float raised = static_cast<float>(std::min(departure, 1e37));
          if (raised > top.cost) {
            Candidate again = top;
            again.cost = raised;
            Push(again);
            continue;
          }
        }
        Collapse(r, k, x, shared, map);
        done = true;
      }
    }
    if (!done) {
      m_blocked[a] = true;
      m_blocked[b] = true;
    }
  }
  m_logStart.push_back(m_log.size());
}

void Simplifier::Output(PMeshData* out) {
  const UINT stride = m_in.layout.stride;
  const DWORD faces = m_in.NumFaces();
  const DWORD collapses = static_cast<DWORD>(m_removedFaceCount.size());

  // Vertices: those that live to the end, then those of later collapses
  // before those of earlier ones.
  std::vector<DWORD> newVertex(m_in.numVertices, kNone);
  std::vector<DWORD> order;
  order.reserve(m_wedges.size());
  std::vector<bool> removed(m_in.numVertices, false);
  for (DWORD c = 0; c < collapses; ++c) {
    size_t i = m_logStart[c];
    i += 1 + m_log[i];
    i += 1 + 3 * m_log[i];
    const DWORD changed = m_log[i];
    i += 1 + changed * (1 + stride / 4);
    for (DWORD j = 0; j < m_log[i]; ++j) removed[m_log[i + 1 + j]] = true;
  }
  for (DWORD v = 0; v < m_in.numVertices; ++v)
    if (m_used[v] && !removed[v]) order.push_back(v);
  for (DWORD c = collapses; c-- > 0;) {
    size_t i = m_logStart[c];
    i += 1 + m_log[i];
    i += 1 + 3 * m_log[i];
    i += 1 + m_log[i] * (1 + stride / 4);
    for (DWORD j = 0; j < m_log[i]; ++j) order.push_back(m_log[i + 1 + j]);
  }
  for (DWORD v = 0; v < order.size(); ++v) newVertex[order[v]] = v;

  // Faces: one range per attribute id; within it those that live to the
  // end, then those of later collapses before those of earlier ones.
  std::vector<DWORD> ids;
  for (DWORD f = 0; f < faces; ++f)
    if (m_faceGood[f] && (ids.empty() || ids.back() != m_in.attributes[f])) ids.push_back(m_in.attributes[f]);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  auto rangeOf = [&](DWORD f) {
    return static_cast<DWORD>(std::lower_bound(ids.begin(), ids.end(), m_in.attributes[f]) - ids.begin());
  };
  std::vector<std::vector<DWORD>> rangeFaces(ids.size());
  for (DWORD f = 0; f < faces; ++f)
    if (m_faceGood[f] && !m_faceDead[f]) rangeFaces[rangeOf(f)].push_back(f);
  for (DWORD c = collapses; c-- > 0;) {
    const size_t i = m_logStart[c];
    for (DWORD j = 0; j < m_log[i]; ++j) rangeFaces[rangeOf(m_log[i + 1 + j])].push_back(m_log[i + 1 + j]);
  }
  std::vector<DWORD> newFace(faces, kNone);
  MeshData& full = out->full;
  full.options = m_in.options;
  full.layout = m_in.layout;
  full.numVertices = static_cast<DWORD>(order.size());
  full.vertices.resize(order.size() * stride);
  for (DWORD v = 0; v < order.size(); ++v)
    std::memcpy(full.Vertex(v), m_in.Vertex(order[v]), stride);
  full.indices.clear();
  full.attributes.clear();
  full.table.clear();
  DWORD slot = 0;
  for (size_t r = 0; r < ids.size(); ++r) {
    full.table.push_back({ids[r], slot, static_cast<DWORD>(rangeFaces[r].size()), 0, full.numVertices});
    for (DWORD f : rangeFaces[r]) {
      newFace[f] = slot++;
      full.attributes.push_back(m_in.attributes[f]);
      for (DWORD c = 0; c < 3; ++c) full.indices.push_back(newVertex[m_in.indices[3 * f + c]]);
    }
  }

  // Counts of every level and the records in the new numbers.
  out->faceCounts.assign(collapses + 1, slot);
  out->vertexCounts.assign(collapses + 1, full.numVertices);
  for (DWORD c = 0; c < collapses; ++c) {
    out->faceCounts[c + 1] = out->faceCounts[c] - m_removedFaceCount[c];
    out->vertexCounts[c + 1] = out->vertexCounts[c] - m_removedVertexCount[c];
  }
  out->recordStart.clear();
  out->records.clear();
  for (DWORD c = 0; c < collapses; ++c) {
    out->recordStart.push_back(static_cast<DWORD>(out->records.size()));
    size_t i = m_logStart[c];
    const DWORD removedFaces = m_log[i++];
    out->records.push_back(removedFaces);
    for (DWORD j = 0; j < removedFaces; ++j) out->records.push_back(rangeOf(m_log[i++]));
    const DWORD corners = m_log[i++];
    out->records.push_back(corners);
    for (DWORD j = 0; j < corners; ++j, i += 3) {
      const DWORD corner = m_log[i], from = m_log[i + 1], to = m_log[i + 2];
      out->records.push_back(3 * newFace[corner / 3] + corner % 3);
      out->records.push_back(newVertex[from] ^ newVertex[to]);
    }
    const DWORD changed = m_log[i++];
    out->records.push_back(changed);
    for (DWORD j = 0; j < changed; ++j) {
      out->records.push_back(newVertex[m_log[i++]]);
      for (UINT w = 0; w < stride / 4; ++w) out->records.push_back(m_log[i++]);
    }
  }
  out->recordStart.push_back(static_cast<DWORD>(out->records.size()));
  // The records of the log are no longer needed.
  std::vector<DWORD>().swap(m_log);
}

}  // namespace

D3DXATTRIBUTEWEIGHTS DefaultAttributeWeights() {
  D3DXATTRIBUTEWEIGHTS w{};
  w.Position = 1.0f;
  w.Boundary = 1.0f;
  w.Normal = 1.0f;
  return w;
}

HRESULT GeneratePMeshData(const MeshData& mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS& weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, PMeshPlacement placement,
                          PMeshData* out) {
  try {
    Simplifier simplifier(mesh, weights, vertexWeights, placement);
    simplifier.Build(adjacency);
    simplifier.Run(minValue, options);
    simplifier.Output(out);
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
