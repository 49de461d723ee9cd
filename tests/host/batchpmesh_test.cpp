// The batch mode's progressive meshes: the argument, and a run that keeps
// half the faces of a scene and saves what loads again.
#include <batchmode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "../scene/mesh_test_support.h"
#include "batch_run.h"
#include "geo_test_meshes.h"
#include "temp_folder.h"

namespace {

TEST(BatchPMeshArguments, ReadThePercentAndRefuseWhatTheyCannotUse) {
  SBatchOptions options;
  CString error;
  ASSERT_TRUE(ParseBatchWords({"--batch", "a.x", "--pmesh", "25"}, options, error)) << error;
  EXPECT_EQ(options.pmeshPercent, 25.0f);
  ASSERT_TRUE(ParseBatchWords({"--batch", "a.x"}, options, error));
  EXPECT_LT(options.pmeshPercent, 0.0f);
  for (const auto& args : std::vector<std::vector<const char*>>{{"--batch", "a.x", "--pmesh", "101"},
                                                                {"--batch", "a.x", "--pmesh", "ten"},
                                                                {"--batch", "a.x", "--pmesh"},
                                                                {"--batch", "a.x", "--pmesh", "5", "--reduce", "5"}}) {
    EXPECT_FALSE(ParseBatchWords(args, options, error)) << args.back();
    EXPECT_FALSE(error.IsEmpty());
  }
}

// The batch run on input, saved as text to output: its exit code and the
// triangles before and after.
struct SBatchPMeshRun {
  int exitCode = -1;
  DWORD before = 0, after = 0;
};

SBatchPMeshRun RunPMesh(const std::string& input, const std::string& output, float percent) {
  SBatchOptions options;
  options.input = input.c_str();
  options.output = output.c_str();
  options.format = 1;
  options.pmeshPercent = percent;
  const SBatchOutput printed = RunBatchCapturing(options);
  SBatchPMeshRun run;
  run.exitCode = printed.status;
  for (const std::string& line : Lines(printed.out)) {
    std::sscanf(line.c_str(), "progressive full triangles: %u", &run.before);
    std::sscanf(line.c_str(), "progressive triangles: %u", &run.after);
  }
  return run;
}

TEST(BatchPMeshRun, KeepsHalfTheFacesAndSavesWhatLoadsAgain) {
  TempFolder scratch;
  const std::string input = scratch.Path() + "/hills.x", output = scratch.Path() + "/hills_half.x";
  {
    // A rolling grid, one mesh.
    SGeoTestMesh mesh = MakeGridMesh(16, 16);
    std::ofstream f(input);
    f << "xof 0303txt 0032\nFrame Ground {\n Mesh Hills {\n  " << mesh.vertices.size() << ";\n";
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
      const D3DVERTEX& v = mesh.vertices[i];
      f << "  " << v.x << ";" << v.y << ";" << std::sin(v.x / 3.0) * std::cos(v.y / 4.0)
        << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
    }
    WriteXMeshFaces(f, mesh);
    f << " }\n}\n";
  }
  const SBatchPMeshRun run = RunPMesh(input, output, 50.0f);
  ASSERT_EQ(run.exitCode, 0);
  const DWORD before = run.before, after = run.after;
  EXPECT_EQ(before, 2u * 16 * 16);
  EXPECT_LE(after, before / 2);
  EXPECT_GE(after + 1, before / 2);

  CDXWindowedDevice device;
  ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  XFileObjects objects(FileContents(output));
  int meshes = 0;
  for (size_t i = 0; i < objects.size(); ++i)
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      ++meshes;
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      ASSERT_TRUE(PrepareMesh(mesh));
      EXPECT_EQ(mesh.GetFacesCount(), after);
    });
  EXPECT_EQ(meshes, 1);
}

// A skinned mesh becomes a progressive mesh with its skin, and its level
// is saved with its skin weights; the file gets no frame that it did not
// have.
TEST(BatchPMeshRun, ASkinnedMeshKeepsItsSkin) {
  TempFolder scratch;
  const std::string input = std::string(VOREVER_FIXTURES) + "/skin_two_bones.x";
  const std::string output = scratch.Path() + "/strip_half.x";
  const SBatchPMeshRun run = RunPMesh(input, output, 50.0f);
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.before, 4u);
  EXPECT_LE(run.after, 2u);

  CDXWindowedDevice device;
  ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  XFileObjects objects(FileContents(output));
  int meshes = 0, frames = 0;  // frames: those at the top
  bool weighted = false;
  for (size_t i = 0; i < objects.size(); ++i) {
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      ++meshes;
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      ASSERT_TRUE(PrepareMesh(mesh));
      EXPECT_EQ(mesh.GetFacesCount(), run.after);
      weighted = mesh.GetChildXfileDataObject(&DXFILEOBJ_SkinWeights, false, true) != nullptr;
    });
    const GUID* type = nullptr;
    objects[i]->GetType(&type);
    if (*type == TID_D3DRMFrame) ++frames;
  }
  EXPECT_EQ(meshes, 1);
  EXPECT_TRUE(weighted);
  EXPECT_EQ(frames, 1);  // Root, which holds the bones
}

}  // namespace
