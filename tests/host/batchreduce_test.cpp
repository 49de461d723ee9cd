// The batch mode's reduction: its arguments, and a run that halves a scene
// and saves what loads again with its materials, normals and texture
// coordinates.
#include <batchmode.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../scene/mesh_test_support.h"
#include "geo_test_meshes.h"

namespace {

bool Parse(std::vector<const char*> args, SBatchOptions& options, CString& error) {
  args.insert(args.begin(), "vorever");
  return ParseBatchArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), options, error);
}

TEST(BatchReduceArguments, ReadThePercentAndTheLimits) {
  SBatchOptions options;
  CString error;
  ASSERT_TRUE(Parse({"--batch", "a.x", "--reduce", "50", "--max-normal-angle", "10", "--max-area-change", "5",
                     "--face-area-factor", "4", "--midpoint", "on"},
                    options, error))
      << error;
  const REDUCTIONOPTIONS reduction = BatchReductionOptions(options);
  EXPECT_EQ(reduction.reductionPercent, 50.0f);
  EXPECT_EQ(reduction.maxNormalAngle, 10.0f);
  EXPECT_EQ(reduction.maxAreaChangePercent, 5.0f);
  EXPECT_EQ(reduction.faceAreaFactor, 4.0f);
  EXPECT_EQ(reduction.allowMidpoint, 1u);
  ASSERT_TRUE(Parse({"--batch", "a.x"}, options, error));
  EXPECT_LT(options.reducePercent, 0.0f);
}

TEST(BatchReduceArguments, RefuseWhatTheyCannotUse) {
  for (const auto& args : std::vector<std::vector<const char*>>{{"--batch", "a.x", "--reduce", "150"},
                                                                {"--batch", "a.x", "--reduce", "-1"},
                                                                {"--batch", "a.x", "--reduce", "half"},
                                                                {"--batch", "a.x", "--reduce", "50%"},
                                                                {"--batch", "a.x", "--reduce"},
                                                                {"--batch", "a.x", "--reduce", "50", "--midpoint", "yes"},
                                                                {"--batch", "a.x", "--max-normal-angle", "5"}}) {
    SBatchOptions options;
    CString error;
    EXPECT_FALSE(Parse(args, options, error)) << args.back();
    EXPECT_FALSE(error.IsEmpty());
  }
}

// A rolling grid of two materials (left and right half, the right one
// textured) with normals and texture coordinates, as a text .x file.
void WriteGridScene(const std::string& path) {
  const DWORD side = 24;
  SGeoTestMesh mesh = MakeGridMesh(side, side);
  std::ofstream f(path);
  f << "xof 0303txt 0032\nFrame Ground {\n Mesh Grid {\n  " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const D3DVERTEX& v = mesh.vertices[i];
    f << "  " << v.x << ";" << v.y << ";" << 0.5 * std::sin(v.x / 4.0) * std::cos(v.y / 5.0)
      << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  }
  WriteXMeshFaces(f, mesh);
  const DWORD faces = mesh.TrianglesCount();
  f << "  MeshMaterialList {\n   2;\n   " << faces << ";\n";
  for (DWORD t = 0; t < faces; ++t)
    f << "   " << (mesh.vertices[mesh.indices[3 * t]].x >= side / 2 ? 1 : 0) << (t + 1 < faces ? ",\n" : ";;\n");
  f << "   Material Grass {\n    0.2;0.8;0.2;1.0;;\n    5.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n   }\n";
  f << "   Material Sand {\n    1.0;1.0;1.0;1.0;;\n    5.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n"
       "    TextureFilename {\n     \"sand.bmp\";\n    }\n   }\n  }\n";
  f << "  MeshTextureCoords {\n   " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    f << "   " << mesh.vertices[i].x / side << ";" << mesh.vertices[i].y / side
      << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  f << "  }\n }\n}\n";
}

TEST(BatchReduceRun, HalvesTheSceneAndSavesWhatLoadsAgain) {
  const std::string folder = std::filesystem::temp_directory_path().string() + "/vorever_reduce_" +
                             std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const std::string input = folder + "/grid.x", output = folder + "/grid_half.x";
  WriteGridScene(input);
  SBatchOptions options;
  options.input = input.c_str();
  options.output = output.c_str();
  options.format = 1;
  options.reducePercent = 50.0f;
  options.maxNormalAngle = 10.0f;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_EQ(RunBatch(options, out, err), 0);
  std::rewind(out);
  char line[256];
  DWORD before = 0, after = 0;
  bool timed = false;
  while (std::fgets(line, sizeof line, out)) {
    std::sscanf(line, "triangles: %u", &before);
    std::sscanf(line, "reduced triangles: %u", &after);
    timed = timed || std::string(line).rfind("reduce seconds: ", 0) == 0;
  }
  std::fclose(out);
  std::fclose(err);
  EXPECT_EQ(before, 2u * 24 * 24);
  EXPECT_GT(after, 0u);
  EXPECT_LE(after, before / 2);
  EXPECT_TRUE(timed);

  // The saved mesh, read back part by part on a device of the test's own (the
  // run's device went with the run).
  CDXWindowedDevice device;
  ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  std::ifstream in(output, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  XFileObjects objects(content.str());
  int meshes = 0;
  for (size_t i = 0; i < objects.size(); ++i)
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      ++meshes;
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      ASSERT_TRUE(PrepareMesh(mesh));
      EXPECT_EQ(mesh.GetFacesCount(), after);
      ASSERT_NE(mesh.GetMeshNormals(), nullptr);
      for (DWORD n = 0; n < mesh.GetMeshNormals()->GetNormalsCount(); ++n)
        EXPECT_NEAR(D3DXVec3Length(&mesh.GetMeshNormals()->GetNormals()[n]), 1.0f, 1e-4f);
      ASSERT_NE(mesh.GetMeshTextureCoords(), nullptr);
      EXPECT_EQ(mesh.GetMeshTextureCoords()->GetMeshVertexCount(), mesh.GetVerticesCount());
      ASSERT_EQ(mesh.GetMaterialsCount(), 2u);
      EXPECT_EQ(mesh.GetMaterials()[0]->GetMaterial()->Diffuse.g, 0.8f);
    });
  EXPECT_EQ(meshes, 1);
  EXPECT_NE(content.str().find("TextureFilename"), std::string::npos);
  EXPECT_NE(content.str().find("\"sand.bmp\""), std::string::npos);
  std::filesystem::remove_all(folder);
}

}  // namespace
