// Every mesh of the real .x files written by other programs, halved and
// written back: each reaches half its triangles, or stops short for the
// reason its entry gives; the reduction adds no defect to the groups'
// surfaces, keeps each group's topology and leaves the whole surface, its
// groups joined, without a non-manifold edge or a repeated face, under the
// default limits and under limits that let every contraction through.
#include <gtest/gtest.h>

#include <string>

#include "../scene/mesh_test_support.h"
#include "reduce_test_support.h"

namespace {

// What halving one mesh under the default limits comes to.
enum class EHalving {
  Target,   // half its triangles or fewer
  Limits,   // the limits stop it short; with them opened it reaches half
  Borders,  // every vertex lies on a border of its material group: nothing goes
};

struct SRealMesh {
  const char* file;
  const char* mesh;  // "" for a mesh without a name
  EHalving halving;
};

// A cube turns a face by a right angle with any contraction; the detailed
// characters and the track curve by more than the default 6 degrees between
// neighbouring faces in most places.
const SRealMesh kRealMeshes[] = {
    {"test_cube_text.x", "Cube", EHalving::Limits},
    {"test_cube_binary.x", "Cube", EHalving::Limits},
    {"test_cube_compressed.x", "Cube", EHalving::Limits},
    {"test.x", "pCubeShape1", EHalving::Limits},
    {"kwxport_test_cubewithvcolors.x", "mesh_Box01", EHalving::Borders},
    {"SSR06_model.x", "Mesh_AllPutting_2", EHalving::Limits},
    {"track.x", "", EHalving::Limits},
    {"Testwuson.X", "mesh_Wuson", EHalving::Limits},
    {"anim_test.x", "pCylinderShape1", EHalving::Target},
    {"BCN_Epileptic.X", "mesh_Torso", EHalving::Limits},
    {"BCN_Epileptic.X", "mesh_Head", EHalving::Limits},
    {"BCN_Epileptic.X", "mesh_Legs", EHalving::Limits},
    {"fromtruespace_bin32.x", "FeedTheDinoGPUMesh", EHalving::Target},
};

const SRealMesh* FindRealMesh(const std::string& file, const std::string& mesh) {
  for (const SRealMesh& entry : kRealMeshes)
    if (file == entry.file && mesh == entry.mesh) return &entry;
  return nullptr;
}

REDUCTIONOPTIONS HalvingOptions(bool open) {
  REDUCTIONOPTIONS options = DefaultReductionOptions(50);
  options.allowMidpoint = 1;
  if (open) {
    options.maxNormalAngle = 180.0f;
    options.maxAreaChangePercent = 1e9f;
    options.faceAreaFactor = 1e9f;
  }
  return options;
}

using ReduceRealMeshTest = RealMeshTest;

TEST_F(ReduceRealMeshTest, EveryMeshHalvesSoundlyOrStopsForItsReason) {
  int meshes = 0;
  ForEachRealMesh([&](const std::string& file, IDirectXFileData* data) {
    CMesh mesh;
    ASSERT_TRUE(LoadMeshTree(mesh, data));
    ASSERT_TRUE(PrepareMesh(mesh));
    const std::string name = mesh.GetName() ? mesh.GetName() : "";
    SCOPED_TRACE(file + " mesh \"" + name + "\"");
    const SRealMesh* entry = FindRealMesh(file, name);
    ASSERT_NE(entry, nullptr) << "a mesh without an entry in the table";
    ++meshes;
    for (bool open : {false, true}) {
      SCOPED_TRACE(open ? "open limits" : "default limits");
      CGeoMesh geo;
      ASSERT_TRUE(mesh.InitializeClone(&geo, nullptr, nullptr, nullptr));
      std::vector<SSurfaceCounts> before;
      for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) before.push_back(InspectSurface(geo, g));
      const SWholeSurfaceCounts wholeBefore = InspectWholeSurface(geo);
      const DWORD start = ActiveTrianglesCount(geo);
      const DWORD target = start / 2;
      CFrameReductionThread job;
      SetUpReductionJob(job, geo);
      REDUCTIONOPTIONS options = HalvingOptions(open);
      ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
      const DWORD reduced = ActiveTrianglesCount(geo);
      EXPECT_EQ(reduced, job.GetCurrentThreadOutputTrianglesCount());
      switch (entry->halving) {
        case EHalving::Target:
          EXPECT_LE(reduced, target);
          break;
        case EHalving::Limits:
          if (open)
            EXPECT_LE(reduced, target);
          else
            EXPECT_GT(reduced, target) << "it reaches half now: its entry says Target";
          break;
        case EHalving::Borders:
          EXPECT_EQ(reduced, start);
          break;
      }
      for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
        const SSurfaceCounts after = InspectSurface(geo, g);
        EXPECT_LE(after.defects, before[g].defects) << "group " << g;
        EXPECT_EQ(after.EulerCharacteristic(), before[g].EulerCharacteristic()) << "group " << g;
      }
      const SWholeSurfaceCounts whole = InspectWholeSurface(geo);
      EXPECT_LE(whole.nonManifoldEdges, wholeBefore.nonManifoldEdges);
      EXPECT_LE(whole.duplicateFaces, wholeBefore.duplicateFaces);
      EXPECT_EQ(whole.EulerCharacteristic(), wholeBefore.EulerCharacteristic());
      CMesh written;
      ASSERT_TRUE(geo.InitializeMesh(&written, nullptr, nullptr, nullptr, nullptr));
      EXPECT_EQ(written.GetFacesCount(), reduced);
    }
  });
  EXPECT_EQ(meshes, static_cast<int>(std::size(kRealMeshes)));
}

}  // namespace
