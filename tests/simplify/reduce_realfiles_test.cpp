// Every mesh of the real .x files written by other programs, halved and
// written back: the reduction adds no defect to their surfaces and keeps
// each group's topology.
#include <gtest/gtest.h>

#include "../scene/mesh_test_support.h"
#include "reduce_test_support.h"

namespace {

using ReduceRealMeshTest = RealMeshTest;

TEST_F(ReduceRealMeshTest, EveryMeshHalvesSoundly) {
  int meshes = 0;
  ForEachRealMesh([&](const std::string& file, IDirectXFileData* data) {
    SCOPED_TRACE(file + " mesh " + std::to_string(meshes++));
    CMesh mesh;
    ASSERT_TRUE(LoadMeshTree(mesh, data));
    ASSERT_TRUE(PrepareMesh(mesh));
    CGeoMesh geo;
    ASSERT_TRUE(mesh.InitializeClone(&geo, nullptr, nullptr, nullptr));
    std::vector<SSurfaceCounts> before;
    for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) before.push_back(InspectSurface(geo, g));
    const DWORD start = ActiveTrianglesCount(geo);
    CFrameReductionThread job;
    SetUpReductionJob(job, geo);
    REDUCTIONOPTIONS options = DefaultReductionOptions(50);
    options.allowMidpoint = 1;
    ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
    const DWORD reduced = ActiveTrianglesCount(geo);
    EXPECT_EQ(reduced, job.GetCurrentThreadOutputTrianglesCount());
    EXPECT_LE(reduced, start);
    for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
      const SSurfaceCounts after = InspectSurface(geo, g);
      EXPECT_LE(after.defects, before[g].defects) << "group " << g;
      EXPECT_EQ(after.EulerCharacteristic(), before[g].EulerCharacteristic()) << "group " << g;
    }
    CMesh written;
    ASSERT_TRUE(geo.InitializeMesh(&written, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(written.GetFacesCount(), reduced);
  });
  EXPECT_GT(meshes, 10);
}

}  // namespace
