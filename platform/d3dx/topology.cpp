#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "meshdata.h"

D3DXVECTOR3 MeshData::Position(DWORD i) const {
  D3DXVECTOR3 p;
  std::memcpy(&p, Vertex(i), sizeof(p));
  return p;
}

long long MeshData::FirstBadIndex() const {
  for (size_t i = 0; i < indices.size(); ++i)
    if (indices[i] >= numVertices) return static_cast<long long>(i);
  return -1;
}

namespace {

// Sets whose representative is their lowest member.
class LowestUnion {
 public:
  explicit LowestUnion(size_t n) : m_parent(n) { std::iota(m_parent.begin(), m_parent.end(), DWORD{0}); }
  DWORD Find(DWORD i) {
    while (m_parent[i] != i) i = m_parent[i] = m_parent[m_parent[i]];
    return i;
  }
  void Join(DWORD a, DWORD b) {
    a = Find(a);
    b = Find(b);
    if (a < b)
      m_parent[b] = a;
    else
      m_parent[a] = b;
  }
  std::vector<DWORD> Representatives() {
    std::vector<DWORD> reps(m_parent.size());
    for (size_t i = 0; i < reps.size(); ++i) reps[i] = Find(static_cast<DWORD>(i));
    return reps;
  }

 private:
  std::vector<DWORD> m_parent;
};

struct Cell {
  long long x, y, z;
  bool operator==(const Cell&) const = default;
};
struct CellHash {
  size_t operator()(const Cell& c) const {
    return std::hash<long long>()(c.x * 73856093LL ^ c.y * 19349663LL ^ c.z * 83492791LL);
  }
};

// The grid cell of a coordinate; false when it has none (NaN, infinite or
// too far out for the cell size).
bool CellOf(float v, float size, long long* cell) {
  const double c = std::floor(static_cast<double>(v) / size);
  constexpr double kLimit = 1e15;
  if (!(c > -kLimit && c < kLimit)) return false;
  *cell = static_cast<long long>(c);
  return true;
}

// Exact coordinates as a cell, with −0 and +0 alike.
long long Bits(float v) {
  if (v == 0.0f) v = 0.0f;
  DWORD bits;
  std::memcpy(&bits, &v, sizeof(bits));
  return bits;
}

bool Within(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float epsilon) {
  return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon && std::fabs(a.z - b.z) <= epsilon;
}

bool ValidLink(DWORD g, DWORD faces) { return g < faces; }

}  // namespace

std::vector<DWORD> PointRepsByPosition(const MeshData& mesh, float epsilon) {
  LowestUnion sets(mesh.numVertices);
  std::unordered_map<Cell, std::vector<DWORD>, CellHash> grid;
  grid.reserve(mesh.numVertices);
  for (DWORD i = 0; i < mesh.numVertices; ++i) {
    const D3DXVECTOR3 p = mesh.Position(i);
    if (!(epsilon > 0.0f)) {
      auto [slot, added] = grid.try_emplace(Cell{Bits(p.x), Bits(p.y), Bits(p.z)}, std::vector<DWORD>{i});
      if (!added) sets.Join(slot->second.front(), i);
      continue;
    }
    // Points of one cell lie within epsilon of each other, so joining the
    // first is enough; the neighbouring cells are compared point by point.
    Cell c;
    if (!CellOf(p.x, epsilon, &c.x) || !CellOf(p.y, epsilon, &c.y) || !CellOf(p.z, epsilon, &c.z)) continue;
    for (long long dx = -1; dx <= 1; ++dx)
      for (long long dy = -1; dy <= 1; ++dy)
        for (long long dz = -1; dz <= 1; ++dz) {
          auto found = grid.find(Cell{c.x + dx, c.y + dy, c.z + dz});
          if (found == grid.end()) continue;
          if (dx == 0 && dy == 0 && dz == 0) {
            sets.Join(i, found->second.front());
            continue;
          }
          for (DWORD j : found->second)
            if (Within(p, mesh.Position(j), epsilon)) sets.Join(i, j);
        }
    grid[c].push_back(i);
  }
  return sets.Representatives();
}

std::vector<DWORD> AdjacencyFromPointReps(const MeshData& mesh, const DWORD* reps) {
  struct Edge {
    DWORD low, high, face, k;
    bool forward;
  };
  const DWORD faces = mesh.NumFaces();
  std::vector<Edge> edges;
  edges.reserve(3 * static_cast<size_t>(faces));
  for (DWORD f = 0; f < faces; ++f)
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD a = reps[mesh.Corner(f, k)], b = reps[mesh.Corner(f, (k + 1) % 3)];
      if (a != b) edges.push_back({std::min(a, b), std::max(a, b), f, k, a < b});
    }
  std::sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) {
    return std::tie(x.low, x.high, x.face, x.k) < std::tie(y.low, y.high, y.face, y.k);
  });
  std::vector<DWORD> adjacency(3 * static_cast<size_t>(faces), D3DX_NO_ADJACENT_FACE);
  std::vector<bool> paired(edges.size(), false);
  for (size_t begin = 0; begin < edges.size();) {
    size_t end = begin;
    while (end < edges.size() && edges[end].low == edges[begin].low && edges[end].high == edges[begin].high) ++end;
    for (bool oppositeOnly : {true, false})
      for (size_t i = begin; i < end; ++i) {
        if (paired[i]) continue;
        for (size_t j = i + 1; j < end; ++j) {
          if (paired[j] || edges[j].face == edges[i].face) continue;
          if (oppositeOnly && edges[j].forward == edges[i].forward) continue;
          paired[i] = paired[j] = true;
          adjacency[3 * edges[i].face + edges[i].k] = edges[j].face;
          adjacency[3 * edges[j].face + edges[j].k] = edges[i].face;
          break;
        }
      }
    begin = end;
  }
  return adjacency;
}

std::vector<DWORD> PointRepsFromAdjacency(const MeshData& mesh, const DWORD* adjacency) {
  LowestUnion sets(mesh.numVertices);
  const DWORD faces = mesh.NumFaces();
  for (DWORD f = 0; f < faces; ++f)
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD g = adjacency[3 * f + k];
      if (!ValidLink(g, faces) || g == f) continue;
      const DWORD fa = mesh.Corner(f, k), fb = mesh.Corner(f, (k + 1) % 3);
      const D3DXVECTOR3 pa = mesh.Position(fa), pb = mesh.Position(fb);
      bool joined = false;
      DWORD fallback = 3;
      for (DWORD j = 0; j < 3 && !joined; ++j) {
        if (adjacency[3 * g + j] != f) continue;
        if (fallback == 3) fallback = j;
        const DWORD ga = mesh.Corner(g, j), gb = mesh.Corner(g, (j + 1) % 3);
        if (pa == mesh.Position(gb) && pb == mesh.Position(ga)) {
          sets.Join(fa, gb);
          sets.Join(fb, ga);
          joined = true;
        } else if (pa == mesh.Position(ga) && pb == mesh.Position(gb)) {
          sets.Join(fa, ga);
          sets.Join(fb, gb);
          joined = true;
        }
      }
      if (!joined && fallback != 3) {  // an adjacency made with an epsilon: trust the windings
        sets.Join(fa, mesh.Corner(g, (fallback + 1) % 3));
        sets.Join(fb, mesh.Corner(g, fallback));
      }
    }
  return sets.Representatives();
}

std::vector<DWORD> SoundAdjacency(const MeshData& mesh, const DWORD* adjacency, DWORD* dropped) {
  *dropped = 0;
  if (!adjacency) return AdjacencyFromPointReps(mesh, PointRepsByPosition(mesh, 0.0f).data());
  const DWORD faces = mesh.NumFaces();
  std::vector<DWORD> sound(adjacency, adjacency + 3 * static_cast<size_t>(faces));
  for (DWORD f = 0; f < faces; ++f)
    for (DWORD k = 0; k < 3; ++k) {
      DWORD& g = sound[3 * f + k];
      if (g == D3DX_NO_ADJACENT_FACE) continue;
      const bool returned = ValidLink(g, faces) && g != f &&
                            (adjacency[3 * g] == f || adjacency[3 * g + 1] == f || adjacency[3 * g + 2] == f);
      if (!returned) {
        g = D3DX_NO_ADJACENT_FACE;
        ++*dropped;
      }
    }
  return sound;
}

std::vector<DWORD> CornerFans(const MeshData& mesh, const DWORD* adjacency) {
  const DWORD faces = mesh.NumFaces();
  // The corners of each vertex, in face order.
  std::vector<DWORD> start(mesh.numVertices + 1, 0);
  for (DWORD v : mesh.indices) ++start[v + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  std::vector<DWORD> corners(mesh.indices.size());
  std::vector<DWORD> fill(start.begin(), start.end() - 1);
  for (DWORD c = 0; c < mesh.indices.size(); ++c) corners[fill[mesh.indices[c]]++] = c;

  std::vector<DWORD> fanOf(mesh.indices.size(), 0);
  for (DWORD v = 0; v < mesh.numVertices; ++v) {
    const DWORD* first = corners.data() + start[v];
    const DWORD count = start[v + 1] - start[v];
    if (count < 2) continue;
    LowestUnion sets(count);
    auto local = [&](DWORD face) -> DWORD {  // the first corner of face at v
      const DWORD* at = std::lower_bound(first, first + count, 3 * face);
      return at != first + count && *at / 3 == face ? static_cast<DWORD>(at - first) : count;
    };
    for (DWORD i = 0; i < count; ++i) {
      const DWORD f = first[i] / 3;
      for (DWORD k = 0; k < 3; ++k) {
        if (mesh.Corner(f, k) != v && mesh.Corner(f, (k + 1) % 3) != v) continue;
        const DWORD g = adjacency[3 * f + k];
        if (!ValidLink(g, faces)) continue;
        const DWORD other = local(g);
        if (other != count) sets.Join(i, other);
      }
      // Corners of one face at the same vertex belong together.
      if (i > 0 && first[i - 1] / 3 == f) sets.Join(i - 1, i);
    }
    std::vector<DWORD> number(count, D3DX_NO_ADJACENT_FACE);
    DWORD fans = 0;
    for (DWORD i = 0; i < count; ++i) {
      const DWORD root = sets.Find(i);
      if (number[root] == D3DX_NO_ADJACENT_FACE) number[root] = fans++;
      fanOf[first[i]] = number[root];
    }
  }
  return fanOf;
}

std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const MeshData& mesh) {
  std::vector<D3DXATTRIBUTERANGE> table;
  const DWORD faces = mesh.NumFaces();
  for (DWORD f = 0; f < faces; ++f) {
    if (table.empty() || table.back().AttribId != mesh.attributes[f])
      table.push_back({mesh.attributes[f], f, 0, std::numeric_limits<DWORD>::max(), 0});
    D3DXATTRIBUTERANGE& range = table.back();
    ++range.FaceCount;
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD v = mesh.Corner(f, k);
      const DWORD last = range.VertexCount ? range.VertexStart + range.VertexCount - 1 : v;
      range.VertexStart = std::min(range.VertexStart, v);
      range.VertexCount = std::max(last, v) - range.VertexStart + 1;
    }
  }
  return table;
}

D3DXVECTOR3 FaceNormal(const MeshData& mesh, DWORD face) {
  const D3DXVECTOR3 a = mesh.Position(mesh.Corner(face, 0));
  const D3DXVECTOR3 e1 = mesh.Position(mesh.Corner(face, 1)) - a, e2 = mesh.Position(mesh.Corner(face, 2)) - a;
  D3DXVECTOR3 n;
  D3DXVec3Cross(&n, &e1, &e2);
  const float length = D3DXVec3Length(&n);
  return length > 0.0f ? n / length : D3DXVECTOR3();
}
