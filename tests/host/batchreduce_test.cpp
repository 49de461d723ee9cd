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
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../scene/mesh_test_support.h"
#include "batch_run.h"
#include "geo_test_meshes.h"
#include "temp_folder.h"

namespace {

TEST(BatchReduceArguments, ReadThePercentAndTheLimits) {
  SBatchOptions options;
  CString error;
  ASSERT_TRUE(ParseBatchWords({"--batch", "a.x", "--reduce", "50", "--max-normal-angle", "10", "--max-area-change", "5",
                               "--face-area-factor", "4", "--midpoint", "on"},
                              options, error))
      << error;
  const REDUCTIONOPTIONS reduction = BatchReductionOptions(options);
  EXPECT_EQ(reduction.reductionPercent, 50.0f);
  EXPECT_EQ(reduction.maxNormalAngle, 10.0f);
  EXPECT_EQ(reduction.maxAreaChangePercent, 5.0f);
  EXPECT_EQ(reduction.faceAreaFactor, 4.0f);
  EXPECT_EQ(reduction.allowMidpoint, 1u);
  ASSERT_TRUE(ParseBatchWords({"--batch", "a.x"}, options, error));
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
    EXPECT_FALSE(ParseBatchWords(args, options, error)) << args.back();
    EXPECT_FALSE(error.IsEmpty());
  }
}

// A skinned quad of eight triangles in frame Arm, its skin weights on all
// nine vertices.
void WriteSkinnedFrame(std::ofstream& f) {
  SGeoTestMesh mesh = MakeGridMesh(2, 2);
  f << "Frame Arm {\n Mesh Skin {\n  9;\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    f << "  " << mesh.vertices[i].x << ";" << mesh.vertices[i].y << ";0.0" << (i + 1 < 9 ? ";,\n" : ";;\n");
  WriteXMeshFaces(f, mesh);
  f << "  XSkinMeshHeader {\n   1;\n   1;\n   1;\n  }\n";
  f << "  SkinWeights {\n   \"Arm\";\n   9;\n   0,1,2,3,4,5,6,7,8;\n   1,1,1,1,1,1,1,1,1;\n"
       "   1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;\n  }\n }\n}\n";
}

// A rolling grid of two materials (left and right half, the right one
// textured) with normals and texture coordinates, as a text .x file; with a
// skinned mesh beside it when asked, without the material list when asked.
void WriteGridScene(const std::string& path, bool skinned = false, bool materials = true) {
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
  if (materials) {
    f << "  MeshMaterialList {\n   2;\n   " << faces << ";\n";
    for (DWORD t = 0; t < faces; ++t)
      f << "   " << (mesh.vertices[mesh.indices[3 * t]].x >= side / 2 ? 1 : 0) << (t + 1 < faces ? ",\n" : ";;\n");
    f << "   Material Grass {\n    0.2;0.8;0.2;1.0;;\n    5.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n   }\n";
    f << "   Material Sand {\n    1.0;1.0;1.0;1.0;;\n    5.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n"
         "    TextureFilename {\n     \"sand.bmp\";\n    }\n   }\n  }\n";
  }
  f << "  MeshTextureCoords {\n   " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    f << "   " << mesh.vertices[i].x / side << ";" << mesh.vertices[i].y / side
      << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  f << "  }\n }\n}\n";
  if (skinned) WriteSkinnedFrame(f);
}

// What a batch run that halves a scene printed.
struct SBatchReduction {
  int exitCode = -1;
  DWORD before = 0, after = 0;
  bool timed = false;
};

SBatchReduction RunHalving(const std::string& input, const std::string& output, float percent = 50.0f,
                           int dxMeshes = 0) {
  SBatchOptions options;
  options.loadDXMeshes = dxMeshes;
  options.input = input.c_str();
  options.output = output.c_str();
  options.format = 1;
  options.reducePercent = percent;
  options.maxNormalAngle = 10.0f;
  const SBatchOutput printed = RunBatchCapturing(options);
  SBatchReduction run;
  run.exitCode = printed.status;
  for (const std::string& line : Lines(printed.out)) {
    std::sscanf(line.c_str(), "triangles: %u", &run.before);
    std::sscanf(line.c_str(), "reduced triangles: %u", &run.after);
    run.timed = run.timed || line.rfind("reduce seconds: ", 0) == 0;
  }
  return run;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Calls check with each mesh of a saved file, read part by part on a device
// of the test's own (the run's device went with the run); answers how many.
int ForEachSavedMesh(const std::string& content, const std::function<void(CMesh&)>& check) {
  CDXWindowedDevice device;
  EXPECT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  XFileObjects objects(content);
  int meshes = 0;
  for (size_t i = 0; i < objects.size(); ++i)
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      ++meshes;
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      ASSERT_TRUE(PrepareMesh(mesh));
      check(mesh);
    });
  return meshes;
}

TEST(BatchReduceRun, HalvesTheSceneAndSavesWhatLoadsAgain) {
  TempFolder scratch;
  const std::string folder = scratch.Path();
  const std::string input = folder + "/grid.x", output = folder + "/grid_half.x";
  WriteGridScene(input);
  const SBatchReduction run = RunHalving(input, output);
  ASSERT_EQ(run.exitCode, 0);
  const DWORD before = run.before, after = run.after;
  EXPECT_EQ(before, 2u * 24 * 24);
  EXPECT_GT(after, 0u);
  EXPECT_LE(after, before / 2);
  EXPECT_TRUE(run.timed);

  const std::string content = ReadText(output);
  const int meshes = ForEachSavedMesh(content, [&](CMesh& mesh) {
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
  EXPECT_NE(content.find("TextureFilename"), std::string::npos);
  EXPECT_NE(content.find("\"sand.bmp\""), std::string::npos);
}

// Loaded as Direct3D meshes, the scene is halved the same way and saved
// with its materials and texture coordinates, or without a material list
// when it had none.
TEST(BatchReduceRun, HalvesDirect3DMeshesAndSavesThemWithTheirMaterials) {
  for (bool materials : {true, false}) {
    SCOPED_TRACE(materials);
    TempFolder scratch;
    const std::string input = scratch.Path("grid.x"), output = scratch.Path("grid_half.x");
    WriteGridScene(input, false, materials);
    const SBatchReduction run = RunHalving(input, output, 50.0f, 1);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.before, 2u * 24 * 24);
    EXPECT_GT(run.after, 0u);
    EXPECT_LE(run.after, run.before / 2);

    const std::string content = ReadText(output);
    const int meshes = ForEachSavedMesh(content, [&](CMesh& mesh) {
      EXPECT_EQ(mesh.GetFacesCount(), run.after);
      ASSERT_NE(mesh.GetMeshTextureCoords(), nullptr);
      if (materials) {
        ASSERT_EQ(mesh.GetMaterialsCount(), 2u);
        EXPECT_EQ(mesh.GetMaterials()[0]->GetMaterial()->Diffuse.g, 0.8f);
      }
    });
    EXPECT_EQ(meshes, 1);
    EXPECT_EQ(content.find("\"sand.bmp\"") != std::string::npos, materials);
    XFileObjects again(content);  // a walk uses up what it enters
    int lists = 0;
    for (size_t i = 0; i < again.size(); ++i)
      ForEachDataObject(again[i], TID_D3DRMMeshMaterialList, [&](IDirectXFileData*) { ++lists; });
    EXPECT_EQ(lists, materials ? 1 : 0);
  }
}

// A mesh without a material list is drawn with the default material, and
// the reduced mesh is saved without a list, as its source was.
TEST(BatchReduceRun, AMeshWithoutMaterialsIsSavedWithoutMaterials) {
  TempFolder scratch;
  const std::string folder = scratch.Path();
  const std::string input = folder + "/plain.x", output = folder + "/plain_half.x";
  WriteGridScene(input, false, false);
  const SBatchReduction run = RunHalving(input, output);
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_LE(run.after, run.before / 2);
  const std::string content = ReadText(output);
  // Each walk reads the file afresh: a walk uses up what it enters.
  auto count = [&](const GUID& type) {
    XFileObjects objects(content);
    int found = 0;
    for (size_t i = 0; i < objects.size(); ++i)
      ForEachDataObject(objects[i], type, [&](IDirectXFileData*) { ++found; });
    return found;
  };
  EXPECT_EQ(count(TID_D3DRMMesh), 1);
  EXPECT_EQ(count(TID_D3DRMMeshMaterialList), 0);
  EXPECT_EQ(count(TID_D3DRMMaterial), 0);
}

// A skinned mesh keeps its triangles and its skin weights; the target is
// half of the other meshes.
TEST(BatchReduceRun, LeavesSkinnedMeshesOutOfTheReduction) {
  TempFolder scratch;
  const std::string folder = scratch.Path();
  const std::string input = folder + "/skinned.x", output = folder + "/skinned_half.x";
  WriteGridScene(input, true);
  const SBatchReduction run = RunHalving(input, output);
  ASSERT_EQ(run.exitCode, 0);
  const DWORD grid = 2u * 24 * 24, skin = 8;
  EXPECT_EQ(run.before, grid + skin);
  EXPECT_GT(run.after, skin);
  EXPECT_LE(run.after, grid / 2 + skin);

  CDXWindowedDevice device;
  ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  const std::string content = ReadText(output);
  XFileObjects objects(content);
  std::map<std::string, DWORD> faces;
  bool weighted = false;
  for (size_t i = 0; i < objects.size(); ++i)
    ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
      CMesh mesh;
      ASSERT_TRUE(LoadMeshTree(mesh, data));
      faces[mesh.GetName()] = mesh.GetFacesCount();
      weighted = weighted || (std::string(mesh.GetName()) == "Skin" &&
                              mesh.GetChildXfileDataObject(&DXFILEOBJ_SkinWeights, false, true));
    });
  EXPECT_EQ(faces, (std::map<std::string, DWORD>{{"Grid", run.after - skin}, {"Skin", skin}}));
  EXPECT_TRUE(weighted);
}

// A mesh whose only triangle lies on a line gives the reduction nothing: it
// is written back as it was, and the rest of the scene is reduced.
TEST(BatchReduceRun, AMeshWithoutATriangleWithAreaStaysAsItWas) {
  TempFolder scratch;
  const std::string folder = scratch.Path();
  const std::string input = folder + "/line.x", output = folder + "/line_out.x";
  WriteGridScene(input);
  {
    std::ofstream f(input, std::ios::app);
    f << "Frame Wire {\n Mesh Line {\n  3;\n  0.0;0.0;1.0;,\n  1.0;0.0;1.0;,\n  2.0;0.0;1.0;;\n"
         "  1;\n  3;0,1,2;;\n }\n}\n";
  }
  const DWORD grid = 2u * 24 * 24;
  for (float percent : {0.0f, 50.0f}) {
    SCOPED_TRACE(percent);
    const SBatchReduction run = RunHalving(input, output, percent);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.before, grid + 1);
    if (percent == 0.0f)
      EXPECT_EQ(run.after, grid + 1);
    else
      EXPECT_LE(run.after, grid / 2 + 1);

    CDXWindowedDevice device;
    ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
    const std::string content = ReadText(output);
    XFileObjects objects(content);
    std::map<std::string, DWORD> faces, vertices;
    for (size_t i = 0; i < objects.size(); ++i)
      ForEachDataObject(objects[i], TID_D3DRMMesh, [&](IDirectXFileData* data) {
        CMesh mesh;
        ASSERT_TRUE(LoadMeshTree(mesh, data));
        faces[mesh.GetName()] = mesh.GetFacesCount();
        vertices[mesh.GetName()] = mesh.GetVerticesCount();
      });
    EXPECT_EQ(faces, (std::map<std::string, DWORD>{{"Grid", run.after - 1}, {"Line", 1}}));
    EXPECT_EQ(vertices["Line"], 3u);
    std::filesystem::remove(output);
  }
}

}  // namespace
