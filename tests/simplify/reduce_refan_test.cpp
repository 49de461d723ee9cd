// Re-fanning a removed vertex's faces onto the vertex that replaces it, the
// step of a contraction that makes the new faces.
#include <gtest/gtest.h>

#include <vector>

#include "reduce_test_support.h"

namespace {

class ReduceRefanTest : public DeviceTest {};

// Centre (1, 1) of a 2 x 2 grid is removed and (2, 2) takes its place; the
// fan is the first faces of the centre's six, those on (2, 2) passed over.
TEST_F(ReduceRefanTest, FanOfFewerThanTwoFacesMakesNothing) {
  const struct {
    size_t faces;  // of the centre's fan, in pool order
    bool made;
  } cases[] = {{0, false}, {1, false}, {2, true}, {6, true}};
  for (const auto& c : cases) {
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(2, 2)));
    CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
    CGeoVertex *centre = nullptr, *kept = nullptr;
    for (DWORD k = 0; k < geo.GetOriginalCurrentVerticesCount(); ++k) {
      CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(k);
      if (v->GetVerticesMapIndex() == 4) centre = v;
      if (v->GetVerticesMapIndex() == 8) kept = v;
    }
    ASSERT_TRUE(centre && kept);
    std::vector<CGeoFace*> fan;
    CGeoFacesArray* faces = group->GetOriginalFacesArray();
    for (DWORD f = 0; f < faces->GetCurrentFacesCount() && fan.size() < c.faces; ++f)
      if (faces->GetAt(f)->InTriangleFace(centre)) fan.push_back(faces->GetAt(f));
    ASSERT_EQ(fan.size(), c.faces);
    size_t expected = 0;
    for (const CGeoFace* f : fan) expected += !f->InTriangleFace(kept);

    REDUCTIONOPTIONS options = DefaultReductionOptions(50);
    CGeoEdgeList nextWave;
    CGeoVisitedVertexMap visited;
    CGeoEdgeContraction contraction(group, &nextWave, &visited, &options, nullptr);
    CGeoHalfEdgeMap map;
    EXPECT_EQ(contraction.CreateNewVertexSurroundingFaces3(kept, centre, kept, fan, map), c.made) << c.faces;

    CGeoFacesArray* made = group->GetNewFacesArray();
    ASSERT_EQ(made->GetCurrentFacesCount(), c.made ? expected : 0u) << c.faces;
    EXPECT_EQ(map.GetCount(), 3 * made->GetCurrentFacesCount()) << c.faces;
    for (DWORD f = 0, old = 0; f < made->GetCurrentFacesCount(); ++f, ++old) {
      while (fan[old]->InTriangleFace(kept)) ++old;
      CGeoVertex *a, *b, *cc, *oa, *ob, *oc;
      made->GetAt(f)->GetTriangleVertices(a, b, cc);
      fan[old]->GetTriangleVertices(oa, ob, oc);
      EXPECT_EQ(a, oa == centre ? kept : oa);
      EXPECT_EQ(b, ob == centre ? kept : ob);
      EXPECT_EQ(cc, oc == centre ? kept : oc);
    }
  }
}

}  // namespace
