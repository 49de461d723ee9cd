// The batch mode's progressive meshes: the argument, and a run that keeps
// half the faces of a scene and saves what loads again.
#include <batchmode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../scene/mesh_test_support.h"
#include "geo_test_meshes.h"
#include "temp_folder.h"

namespace {

bool Parse(std::vector<const char*> args, SBatchOptions& options, CString& error) {
  args.insert(args.begin(), "vorever");
  return ParseBatchArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), options, error);
}

TEST(BatchPMeshArguments, ReadThePercentAndRefuseWhatTheyCannotUse) {
  SBatchOptions options;
  CString error;
  ASSERT_TRUE(Parse({"--batch", "a.x", "--pmesh", "25"}, options, error)) << error;
  EXPECT_EQ(options.pmeshPercent, 25.0f);
  ASSERT_TRUE(Parse({"--batch", "a.x"}, options, error));
  EXPECT_LT(options.pmeshPercent, 0.0f);
  for (const auto& args : std::vector<std::vector<const char*>>{{"--batch", "a.x", "--pmesh", "101"},
                                                                {"--batch", "a.x", "--pmesh", "ten"},
                                                                {"--batch", "a.x", "--pmesh"},
                                                                {"--batch", "a.x", "--pmesh", "5", "--reduce", "5"}}) {
    EXPECT_FALSE(Parse(args, options, error)) << args.back();
    EXPECT_FALSE(error.IsEmpty());
  }
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
  SBatchOptions options;
  options.input = input.c_str();
  options.output = output.c_str();
  options.format = 1;
  options.pmeshPercent = 50.0f;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_EQ(RunBatch(options, out, err), 0);
  std::rewind(out);
  char line[256];
  DWORD before = 0, after = 0;
  while (std::fgets(line, sizeof line, out)) {
    std::sscanf(line, "progressive full triangles: %u", &before);
    std::sscanf(line, "progressive triangles: %u", &after);
  }
  std::fclose(out);
  std::fclose(err);
  EXPECT_EQ(before, 2u * 16 * 16);
  EXPECT_LE(after, before / 2);
  EXPECT_GE(after + 1, before / 2);

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
    });
  EXPECT_EQ(meshes, 1);
}

}  // namespace
