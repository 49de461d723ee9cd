// Element pools and the rendered-face lists.
#include <gtest/gtest.h>

#include <vector>

#include "geo_pools.h"

namespace {

TEST(GeoPools, EmptyBlockHandsOutHeapObjectsInOrder) {
  CGeoEdgesArray edges;
  edges.Initialize(0);
  CGeoEdge* made[3];
  for (auto& e : made) e = edges.NewEdge();
  ASSERT_EQ(edges.GetCurrentEdgesCount(), 3u);
  for (DWORD i = 0; i < 3; ++i) EXPECT_EQ(edges.GetAt(i), made[i]);
}

TEST(GeoPools, BlockThenOverflowKeepPointersValid) {
  CGeoVertexArray vertices;
  vertices.Initialize(2);
  std::vector<CGeoVertex*> made;
  for (int i = 0; i < 100; ++i) made.push_back(vertices.NewVertex());
  vertices.FreeUnusedSpace();
  for (DWORD i = 0; i < 100; ++i) EXPECT_EQ(vertices.GetAt(i), made[i]);
  vertices.DestroyContent();
  EXPECT_EQ(vertices.GetCurrentVerticesCount(), 0u);
}

// Objects given back are handed out again only after the release, the last
// given back first, and keep their numbers; the count stays.
TEST(GeoPools, RecycledObjectsComeBackAfterTheReleaseLastFirst) {
  CGeoHalfEdgesArray halfEdges;
  halfEdges.Initialize(2);
  std::vector<CGeoHalfEdge*> made;
  for (int i = 0; i < 5000; ++i) made.push_back(halfEdges.NewHalfEdge());  // into an overflow block
  halfEdges.Recycle(made[1]);
  halfEdges.Recycle(made[4321]);
  CGeoHalfEdge* fresh = halfEdges.NewHalfEdge();
  EXPECT_EQ(fresh, halfEdges.GetAt(5000));  // not yet released: new room
  halfEdges.ReleaseRecycled();
  EXPECT_EQ(halfEdges.NewHalfEdge(), made[4321]);
  EXPECT_EQ(halfEdges.NewHalfEdge(), made[1]);
  EXPECT_EQ(halfEdges.NewHalfEdge(), halfEdges.GetAt(5001));
  EXPECT_EQ(halfEdges.GetCurrentHalfEdgesCount(), 5002u);
  for (DWORD i : {0u, 1u, 2u, 4321u, 5001u}) EXPECT_EQ(halfEdges.IndexOf(halfEdges.GetAt(i)), i);
  CGeoHalfEdge elsewhere;
  EXPECT_EQ(halfEdges.IndexOf(&elsewhere), CGeoHalfEdgesArray::kNone);
}

TEST(GeoPools, NewFacePastTheBlockGrowsTheRenderedList) {
  CGeoFacesArray faces;
  faces.Initialize(2);
  faces.NewFace();
  faces.NewFace();
  CGeoFace* third = faces.NewFace();
  EXPECT_EQ(third->GetRenderedFacePosition(), 2u);
  EXPECT_EQ(faces.GetTrianglesVertexIndicesCount(), 9u);
  EXPECT_EQ(faces.GetRenderedFace(2), third);
  faces.DestroyContent();
  EXPECT_EQ(faces.GetCurrentFacesCount(), 0u);
  EXPECT_EQ(faces.GetTrianglesVertexIndicesCount(), 0u);
}

// A face whose triangle the list holds: corners with map indices base, base+1, base+2.
struct SFaceFixture {
  CGeoVertex v[3];
  CGeoHalfEdge h[3];
  void Make(CGeoFacesArray& faces, DWORD base) {
    D3DVERTEX records[3] = {{0, 0, 0, 0, 0, 1, 0, 0}, {1, 0, 0, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 0, 1, 0, 0}};
    for (DWORD k = 0; k < 3; ++k) v[k].Initialize(&records[k], base + k, 0, eVertexTypeSource);
    CGeoFace* face = faces.NewFace();
    for (int k = 0; k < 3; ++k) h[k].Initialize(&v[k], &h[(k + 1) % 3], &h[(k + 2) % 3], face);
    face->Initialize(&h[0], eFaceTypeSource);
    faces.SetRenderedFaceVertexIndices(face);
  }
};

TEST(GeoPools, DeletingAFaceMovesTheLastTriangleIntoItsPlace) {
  CGeoFacesArray faces;
  faces.Initialize(3);
  SFaceFixture f[3];
  for (DWORD k = 0; k < 3; ++k) f[k].Make(faces, 10 * k);
  CGeoFace* first = faces.GetAt(0);
  CGeoFace* last = faces.GetAt(2);

  faces.DeleteRenderedFace(first);
  ASSERT_EQ(faces.GetCurrentRenderedFacesCount(), 2u);
  EXPECT_EQ(last->GetRenderedFacePosition(), 0u);
  EXPECT_EQ(faces.GetRenderedFace(0), last);
  const DWORD* t = faces.GetTrianglesVertexIndices();
  EXPECT_EQ(t[0], 20u);
  EXPECT_EQ(t[2], 22u);

  faces.DeleteRenderedFace(faces.GetAt(1));  // now at the last position: only the count shrinks
  EXPECT_EQ(faces.GetCurrentRenderedFacesCount(), 1u);
  EXPECT_EQ(faces.GetRenderedFace(0), last);
}

TEST(GeoPools, ErasingAFaceLeavesAnEmptyTriangleInPlace) {
  CGeoFacesArray faces;
  faces.Initialize(2);
  SFaceFixture f[2];
  for (DWORD k = 0; k < 2; ++k) f[k].Make(faces, 10 * k + 1);
  faces.EraseRenderedFace(faces.GetAt(0));
  EXPECT_EQ(faces.GetCurrentRenderedFacesCount(), 2u);
  EXPECT_EQ(faces.GetRenderedFace(0), nullptr);
  EXPECT_EQ(faces.GetAt(1)->GetRenderedFacePosition(), 1u);
  const DWORD* t = faces.GetTrianglesVertexIndices();
  EXPECT_EQ(t[0] + t[1] + t[2], 0u);
  EXPECT_EQ(t[3], 11u);
}

}  // namespace
