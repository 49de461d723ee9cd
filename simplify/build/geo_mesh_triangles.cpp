#include "geo_mesh_triangles.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>

#include "dx_thread.h"
#include "geo_mesh.h"
#include "largepages.h"
#include "material.h"
#include "meshgroups.h"
#include "qorcommon.h"
#include "reduction_options.h"
#include "texturefile.h"

CGeoMeshTriangles::CGeoMeshTriangles() { ClearContent(); }

CGeoMeshTriangles::~CGeoMeshTriangles() { DestroyContent(); }

void CGeoMeshTriangles::ClearContent() {
  m_dwHalfEdgesCount = 0;
  m_pHalfEdges = nullptr;
  m_dwNextAvailableHalfEdgeIndex = 0;
  m_pGeoMesh = nullptr;
  m_dwGeoMeshTrianglesIndex = 0;
  m_bReadyForRendering = false;
  m_bReadyForRenderingRM = false;
  m_ppEdgesHandlesVB = nullptr;
  m_dwEdgesHandlesBuffersCount = 0;
  m_bEdgesHandlesCreated = false;
  m_dwEdgesHandlesVerticesCount = 0;
  m_ppEdgesHandlesIB = nullptr;
  m_pMaterial = nullptr;
  m_eMaterialChildObjectType = eOwnedChild;
  std::memset(&m_d3dMaterial, 0, sizeof(m_d3dMaterial));
  m_pd3dTexture = nullptr;
}

bool CGeoMeshTriangles::DestroyContent() {
  delete[] m_d3dMaterial.pTextureFilename;
  if (m_eMaterialChildObjectType != eReferenceChild) delete m_pMaterial;
  DestroyEdgesLineHandles();
  m_ErasedEdgesHandlesList.clear();
  FreeGeoBlock(m_pHalfEdges);  // half edges own nothing: none needs destroying
  ClearContent();
  return true;
}

void CGeoMeshTriangles::ReleaseEdges() {
  m_OriginalEdges.DestroyContent();
  m_EdgesRM.DestroyContent();
}

bool CGeoMeshTriangles::Initialize3(DWORD, IDirect3DVertexBuffer8* vertices, DWORD nIndices, const DWORD* indices,
                                    const D3DXMATERIAL* material, IDirect3DTexture8* texture, CGeoMesh* mesh,
                                    DWORD groupIndex, REDUCTIONOPTIONS*, CDXThread* thread,
                                    std::vector<DWORD>* cornersOwner) {
  DestroyContent();
  m_pGeoMesh = mesh;
  m_dwGeoMeshTrianglesIndex = groupIndex;
  m_d3dMaterial.MatD3D = material ? material->MatD3D : DefaultMaterial();
  if (material) {
    if (const char* name = material->pTextureFilename) {
      const size_t length = std::strlen(name);
      char* copy = new char[length + 1];
      std::memcpy(copy, name, length + 1);
      m_d3dMaterial.pTextureFilename = copy;
    }
  }
  m_pd3dTexture = texture;
  m_bReadyForRendering = true;
  if (nIndices == 0) return true;

  const DWORD nFaces = nIndices / 3;
  m_dwHalfEdgesCount = nIndices;
  m_pHalfEdges = static_cast<CGeoHalfEdge*>(AllocateGeoBlock(nIndices * sizeof(CGeoHalfEdge)));
  for (DWORD i = 0; i < nIndices; ++i) new (&m_pHalfEdges[i]) CGeoHalfEdge;
  m_OriginalFaces.Initialize(nFaces, mesh->IsShown());
  m_OriginalEdges.Initialize(nFaces * 3);

  D3DVERTEXBUFFER_DESC desc;
  BYTE* data = nullptr;
  if (!vertices || FAILED(vertices->GetDesc(&desc)) || FAILED(vertices->Lock(0, 0, &data, 0))) {
    DestroyContent();
    return false;
  }
  const bool built = BuildTriangles(reinterpret_cast<const D3DVERTEX*>(data), desc.Size / sizeof(D3DVERTEX),
                                    nIndices, indices, thread, cornersOwner);
  vertices->Unlock();
  return built;
}

bool CGeoMeshTriangles::Initialize3(DWORD nVertices, IDirect3DVertexBuffer8* vertices,
                                    CGroupedTrianglesVertexIndices* indices, CGeoMesh* mesh, DWORD groupIndex,
                                    CMaterial* material, EChildObjectType materialType, REDUCTIONOPTIONS* options,
                                    CDXThread* thread) {
  DestroyContent();
  if (!indices || !mesh) return false;
  CMaterial* kept = material;
  if (material && materialType != eReferenceChild) {
    kept = new CMaterial;
    if (!kept->Initialize(material, thread)) {
      delete kept;
      return false;
    }
  }
  D3DXMATERIAL d3dMaterial{};
  if (material) {
    d3dMaterial.MatD3D = *material->GetMaterial();
    CTextureFile* texture = material->GetTextureFile();
    d3dMaterial.pTextureFilename = texture ? texture->GetFileName() : nullptr;
  }
  const bool built = Initialize3(nVertices, vertices, indices->GetTrianglesVertexIndicesCount(),
                                 indices->GetTrianglesVertexIndices(), material ? &d3dMaterial : nullptr,
                                 material ? material->GetTexture() : nullptr, mesh, groupIndex, options, thread);
  m_pMaterial = kept;
  m_eMaterialChildObjectType = materialType;
  if (!built) DestroyContent();
  return built;
}

bool CGeoMeshTriangles::KeepsTriangle(const D3DVERTEX* records, DWORD nRecords, const DWORD i[3], float& area) {
  if (i[0] >= nRecords || i[1] >= nRecords || i[2] >= nRecords) return false;
  const D3DXVECTOR3 p0(records[i[0]].x, records[i[0]].y, records[i[0]].z);
  const D3DXVECTOR3 p1(records[i[1]].x, records[i[1]].y, records[i[1]].z);
  const D3DXVECTOR3 p2(records[i[2]].x, records[i[2]].y, records[i[2]].z);
  if (p0 == p1 || p0 == p2 || p1 == p2) return false;
  const D3DXVECTOR3 d10 = p1 - p0, d21 = p2 - p1, d02 = p0 - p2;
  if (!ComputeTriangleArea(area, D3DXVec3Length(&d10), D3DXVec3Length(&d21), D3DXVec3Length(&d02))) return false;
  return area != 0.0f && std::isfinite(area);
}

bool CGeoMeshTriangles::BuildTriangles(const D3DVERTEX* records, DWORD nRecords, DWORD nIndices,
                                       const DWORD* indices, CDXThread* thread,
                                       std::vector<DWORD>* cornersOwner) {
  if (nIndices > CGeoHalfEdgeLists::kMaxHalfEdges) return false;
  CGeoVertexMap vertexMap(std::min(nRecords, nIndices));
  CGeoHalfEdgeLists halfEdgeMap(m_pHalfEdges, nIndices, nRecords);
  // The vertex of each record met so far: a record's position is looked up
  // in the vertex map once, not at every corner that names it. Zero-filled
  // memory that only the records of the group touch.
  const size_t cacheBytes = static_cast<size_t>(nRecords) * sizeof(CGeoVertex*);
  std::unique_ptr<CGeoVertex*[], std::function<void(CGeoVertex**)>> byRecord(
      static_cast<CGeoVertex**>(win32::AllocateLarge(cacheBytes)),
      [cacheBytes](CGeoVertex** p) { win32::FreeLarge(p, cacheBytes); });
  CGeoVertexArray* pool = m_pGeoMesh->GetGeoVertexArray();
  const WORD group = static_cast<WORD>(m_dwGeoMeshTrianglesIndex);

  SGeoMadeCounts made;
  for (DWORD t = 0; t + 2 < nIndices; t += 3) {
    if (t % (3 * 4096) == 0) made.Report(thread);
    if (thread && !thread->WaitForThreadPlayingEvent()) {
      made.Report(thread);
      return false;
    }
    const DWORD i[3] = {indices[t], indices[t + 1], indices[t + 2]};
    float area = 0.0f;
    if (!KeepsTriangle(records, nRecords, i, area)) continue;
    CGeoVertex* v[3];
    for (int k = 0; k < 3; ++k) {
      CGeoVertex*& known = byRecord[i[k]];
      if (!known) CreateVertex(known, &records[i[k]], i[k], group, pool, &vertexMap, thread, &made);
      v[k] = known;
    }
    if (v[0] == v[1] || v[0] == v[2] || v[1] == v[2]) continue;
    BuildFace(v[0], v[1], v[2], &halfEdgeMap, thread, &made);
  }
  made.Report(thread);

  // Only the half edges are looked up from here on.
  vertexMap.RemoveAll();
  byRecord.reset();
  if (cornersOwner) std::vector<DWORD>().swap(*cornersOwner);
  const bool paired = PairHalfEdges(thread, &halfEdgeMap);
  halfEdgeMap.RemoveAll();
  return paired && SetVerticesOutEdgesNoMate(&m_OriginalEdges, thread);
}

void CGeoMeshTriangles::CreateVertex(CGeoVertex*& vertex, const D3DVERTEX* record, DWORD recordIndex,
                                     WORD groupIndex, CGeoVertexArray* pool, CGeoVertexMap* map,
                                     CDXThread* thread, SGeoMadeCounts* made) {
  bool isNew = false;
  std::tie(vertex, isNew) = map->FindOrAdd(GetVertexKey4(record), [pool] { return pool->NewVertex(); });
  if (isNew) {
    vertex->Initialize(record, recordIndex, groupIndex, eVertexTypeSource);
    if (made)
      ++made->vertices;
    else if (thread)
      thread->IncreaseThreadOutputVerticesCount(1);
  }
}

namespace {

// Enters h from its start to its end, or the other way when that is free (a
// mate of the same direction: reversed tells); false when both are taken.
template <class Map>
bool AddEitherWay(CGeoHalfEdge* h, Map* map, bool& reversed) {
  const CGeoVertex* start = h->GetStartVertex();
  const CGeoVertex* end = h->GetEndVertex();
  reversed = false;
  if (map->Add(start, end, h)) return true;
  reversed = true;
  return map->Add(end, start, h);
}

}  // namespace

template <class Map>
bool CGeoMeshTriangles::AddFaceHalfEdges(CGeoHalfEdge* const h[3], Map* map) {
  bool reversed[3];
  for (int k = 0; k < 3; ++k) {
    if (!AddEitherWay(h[k], map, reversed[k])) {
      while (k-- > 0) {
        const CGeoVertex* start = h[k]->GetStartVertex();
        const CGeoVertex* end = h[k]->GetEndVertex();
        if (reversed[k]) std::swap(start, end);
        map->Remove(start, end);
      }
      return false;
    }
  }
  return true;
}

template <class Map>
bool CGeoMeshTriangles::LinkFaceHalfEdges(CGeoFace* face, CGeoHalfEdge* const h[3], CGeoVertex* const v[3],
                                          Map* map) {
  for (int k = 0; k < 3; ++k) h[k]->Initialize(v[k], h[(k + 1) % 3], h[(k + 2) % 3], face);
  if (AddFaceHalfEdges(h, map)) return true;
  // A third face on an edge: it is kept and drawn, but its corners must stay.
  for (CGeoVertex* corner : {v[0], v[1], v[2]}) corner->SetCannotRemoveFlag();
  return false;
}

bool CGeoMeshTriangles::InitializeFaceWithHalfEdges2(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c,
                                                     CGeoHalfEdgeMap* map, CDXThread* thread) {
  return BuildFace(a, b, c, map, thread, nullptr);
}

template <class Map>
bool CGeoMeshTriangles::BuildFace(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c, Map* map, CDXThread* thread,
                                  SGeoMadeCounts* made) {
  CGeoFace* face = m_OriginalFaces.NewFace();
  CGeoHalfEdge* h[3];
  for (auto& e : h) e = &m_pHalfEdges[GetNextAvailableHalfEdgeIndex()];
  CGeoVertex* const v[3] = {a, b, c};
  if (made)
    made->halfEdges += 3;
  else if (thread)
    thread->IncreaseThreadOutputHalfEdgesCount(3);
  if (LinkFaceHalfEdges(face, h, v, map))
    for (int k = 0; k < 3; ++k) v[k]->SetFirstOutHalfEdge(h[k]);
  face->Initialize(h[0], eFaceTypeSource);
  if (thread) thread->IncreaseThreadOutputTrianglesCount(1, face->GetTriangleArea());
  m_OriginalFaces.SetRenderedFaceVertexIndices(face);
  return true;
}

bool CGeoMeshTriangles::CreateFaceRM2(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c, CGeoHalfEdgeMap* map,
                                      CDXThread* thread, SGeoMadeCounts* made) {
  ASSERT(a != b && b != c && c != a);
  ASSERT(!a->IsDisabled() && !b->IsDisabled() && !c->IsDisabled());
  CGeoFace* face = m_NewFaces.NewFace();
  CGeoHalfEdge* h[3];
  for (auto& e : h) e = m_HalfEdgesRM.NewHalfEdge();
  CGeoVertex* const v[3] = {a, b, c};
  if (LinkFaceHalfEdges(face, h, v, map)) {
    if (made)
      made->halfEdges += 3;
    else if (thread)
      thread->IncreaseThreadOutputHalfEdgesCount(3);
    for (int k = 0; k < 3; ++k) v[k]->SetFirstOutHalfEdgeRM(h[k]);
  }
  face->Initialize(h[0], eFaceTypeContraction);
  if (thread) thread->IncreaseThreadOutputTrianglesCount(1, face->GetTriangleArea());
  m_NewFaces.SetRenderedFaceVertexIndices(face);
  return true;
}

bool CGeoMeshTriangles::AddHalfEdge2(CGeoHalfEdge* h, CGeoHalfEdgeMap* map, ULONGLONG& key) {
  bool reversed = false;
  if (!AddEitherWay(h, map, reversed)) return false;
  const CGeoVertex* start = h->GetStartVertex();
  const CGeoVertex* end = h->GetEndVertex();
  key = reversed ? GetHalfEdgeKey2(end, start) : GetHalfEdgeKey2(start, end);
  return true;
}

bool CGeoMeshTriangles::AddSurroundingHalfEdge(CGeoHalfEdge* h, CGeoHalfEdgeMap* map) {
  return map->Add(GetHalfEdgeKey2(h->GetStartVertex(), h->GetEndVertex()), h);
}

CGeoHalfEdge* CGeoMeshTriangles::FindHalfEdge2(const CGeoVertex* start, const CGeoVertex* end,
                                               const CGeoHalfEdgeMap* map) const {
  return map->Find(GetHalfEdgeKey2(start, end));
}

CGeoHalfEdge* CGeoMeshTriangles::FindMate2(const CGeoHalfEdge* h, const CGeoHalfEdgeMap* map) const {
  bool entered = false;
  return FindEntryAndMate(h, map, entered);
}

template <class Map>
CGeoHalfEdge* CGeoMeshTriangles::FindEntryAndMate(const CGeoHalfEdge* h, const Map* map, bool& entered) const {
  const CGeoVertex* start = h->GetStartVertex();
  const CGeoVertex* end = h->GetEndVertex();
  CGeoHalfEdge* forward = map->Find(start, end);
  CGeoHalfEdge* reversed = map->Find(end, start);
  entered = forward == h || reversed == h;
  if (reversed && reversed != h) return reversed;
  return forward != h ? forward : nullptr;
}

bool CGeoMeshTriangles::CreateEdges3(CDXThread* thread, CGeoHalfEdgeMap* map) { return PairHalfEdges(thread, map); }

// The map's entries are visited in the order the half edges were made, so the
// edge pool's order does not depend on the hashing.
template <class Map>
bool CGeoMeshTriangles::PairHalfEdges(CDXThread* thread, Map* map) {
  SGeoMadeCounts made;
  for (DWORD i = 0; i < m_dwNextAvailableHalfEdgeIndex; ++i) {
    if (i % 4096 == 0) made.Report(thread);
    if (thread && !thread->WaitForThreadPlayingEvent()) {
      made.Report(thread);
      return false;
    }
    CGeoHalfEdge* h = &m_pHalfEdges[i];
    if (h->GetEdge()) continue;
    bool entered = false;
    CGeoHalfEdge* m = FindEntryAndMate(h, map, entered);
    if (!entered) continue;
    CGeoEdge* edge = m ? m->GetEdge() : nullptr;
    if (edge) {
      edge->SetHalfEdge(h);
    } else {
      edge = m_OriginalEdges.NewEdge();
      edge->Initialize(h, m);
      h->GetStartVertex()->IncreaseOutEdgesCount();
      h->GetEndVertex()->IncreaseOutEdgesCount();
      ++made.edges;
      made.edgesLength += edge->GetEdgeMagnitude();
    }
    h->SetEdge(edge);
    if (m && !m->GetEdge()) m->SetEdge(edge);
  }
  made.Report(thread);
  return true;
}

void SGeoMadeCounts::Report(CDXThread* thread) {
  if (thread) {
    if (vertices) thread->IncreaseThreadOutputVerticesCount(vertices);
    if (halfEdges) thread->IncreaseThreadOutputHalfEdgesCount(halfEdges);
    if (edges) thread->IncreaseThreadOutputEdgesCount(edges, static_cast<float>(edgesLength));
  }
  *this = {};
}

// Registers e at its end points when it is a border edge.
static void RegisterBorderEdge(CGeoEdge* e) {
  if (CGeoHalfEdge* h = e->GetUniqueHalfEdge()) {
    h->GetStartVertex()->SetOutEdgeNoMate(e);
    h->GetEndVertex()->SetOutEdgeNoMate(e);
  }
}

bool CGeoMeshTriangles::CreateEdgesRM3(CGeoHalfEdgeMap* map, CGeoEdgeList* edges, CGeoVisitedVertexMap* visited,
                                       REDUCTIONOPTIONS*, CDXThread* thread) {
  m_EnteredHalfEdges.clear();
  map->ForEach([this](ULONGLONG, CGeoHalfEdge* h) { m_EnteredHalfEdges.push_back(h); });
  DWORD created = 0;
  float length = 0.0f;
  for (CGeoHalfEdge* h : m_EnteredHalfEdges) {
    if (h->GetEdgeRM() && !h->GetEdgeRM()->IsDisabled()) continue;
    CGeoHalfEdge* m = FindMate2(h, map);
    if (m && m->GetEdgeRM() && !m->GetEdgeRM()->IsDisabled()) {
      h->SetEdgeRM(m->GetEdgeRM());
      continue;
    }
    CGeoEdge* edge = m_EdgesRM.NewEdge();
    edge->Initialize(h, m);
    QueueEdge(edges, edge);
    CGeoVertex* start = h->GetStartVertex();
    CGeoVertex* end = h->GetEndVertex();
    start->IncreaseOutEdgesCount();
    end->IncreaseOutEdgesCount();
    visited->insert(start);
    visited->insert(end);
    ++created;
    length += edge->GetEdgeMagnitude();
    h->SetEdgeRM(edge);
    if (m) m->SetEdgeRM(edge);
    // Whether it is a border edge is settled as it is made.
    RegisterBorderEdge(edge);
  }
  // One report for all: the job's counters are read only between contractions.
  if (thread && created) thread->IncreaseThreadOutputEdgesCount(created, length);
  return true;
}

void CGeoMeshTriangles::QueueEdge(CGeoEdgeList* queue, CGeoEdge* edge) {
  queue->push_back(edge);
  edge->SetQueued(true);
}

CGeoEdge* CGeoMeshTriangles::TakeQueuedEdge(CGeoEdgeList* queue) {
  CGeoEdge* edge = queue->front();
  queue->pop_front();
  edge->SetQueued(false);
  if (!edge->IsDisabled()) return edge;
  ReleaseDisabledEdge(edge);
  return nullptr;
}

void CGeoMeshTriangles::ReleaseDisabledEdge(CGeoEdge* edge) {
  if (!edge->IsQueued()) m_EdgesRM.Recycle(edge);
}

bool CGeoMeshTriangles::SetVerticesOutEdgesNoMate(CGeoEdgesArray* edges, CDXThread* thread) {
  for (DWORD i = 0; i < edges->GetCurrentEdgesCount(); ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    RegisterBorderEdge(edges->GetAt(i));
  }
  return true;
}

bool CGeoMeshTriangles::SetVerticesOutEdgesNoMate(const CGeoEdgeList* edges, CDXThread* thread) {
  for (CGeoEdge* e : *edges) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    RegisterBorderEdge(e);
  }
  return true;
}

template <class Pool>
static bool CountEnabled(const Pool& pool, DWORD n, DWORD& count, CDXThread* thread) {
  for (DWORD i = 0; i < n; ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    if (!pool.GetAt(i)->IsDisabled()) ++count;
  }
  return true;
}

bool CGeoMeshTriangles::GetNewVerticesCount(DWORD& count, CDXThread* thread) {
  count = 0;
  return CountEnabled(m_NewVertices, m_NewVertices.GetCurrentVerticesCount(), count, thread);
}

bool CGeoMeshTriangles::GetTrianglesCount(DWORD& count, CDXThread* thread) {
  count = 0;
  return CountEnabled(m_NewFaces, m_NewFaces.GetCurrentFacesCount(), count, thread) &&
         CountEnabled(m_OriginalFaces, m_OriginalFaces.GetCurrentFacesCount(), count, thread);
}
