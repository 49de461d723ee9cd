// Material lists through a load and a save, in every format: a mesh keeps
// the materials it was loaded with and gets no list it did not have; a list
// that lacks materials its faces name loads, saves and loads again the same.
#include <string>

#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

// A mesh of three triangles; its material list, when any, follows.
constexpr char kMeshHead[] = "Mesh M { 5; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;, 0;2;0;; 3; 3;0,1,2;, 3;1,3,2;, 3;2,3,4;;\n";
constexpr char kRed[] = " Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n";
constexpr char kGreen[] = " Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }\n";
constexpr char kBlue[] = "Material Blue { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; }\n";

std::string ColourOf(CMaterial* material) {
  const D3DCOLORVALUE& d = material->GetMaterial()->Diffuse;
  const struct {
    const char* name;
    float r, g, b, a;
  } known[] = {{"red", 1, 0, 0, 1}, {"green", 0, 1, 0, 1}, {"blue", 0, 0, 1, 1},
               {"default", 1, 1, 1, 0.7f}, {"stand-in", 1, 1, 1, 1}};
  for (const auto& k : known)
    if (d.r == k.r && d.g == k.g && d.b == k.b && d.a == k.a) return k.name;
  return "other";
}

// The mesh's material lists, the materials of its first list in order (and
// whether each is held by reference), the list's count, and the index count
// of each vertex group ("?" when a group's material is not the list's
// material of its place).
std::string Describe(CMesh& mesh) {
  std::string text;
  int lists = 0;
  CMeshMaterialList* list = mesh.GetMeshMaterialList();
  CChildObjectList& children = mesh.GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;)
    lists += children.GetNext(pos)->GetXfileDataObject()->IsATemplateGUID(&TID_D3DRMMeshMaterialList) ? 1 : 0;
  if (lists != 1) text += std::to_string(lists) + " lists; ";
  if (!list) return text;
  CChildObjectList& entries = list->GetChildObjectList();
  for (POSITION pos = entries.GetHeadPosition(); pos;) {
    CChildObject* entry = entries.GetNext(pos);
    text += ColourOf(static_cast<CMaterial*>(entry->GetXfileDataObject()));
    text += entry->IsReference() ? " by reference, " : ", ";
  }
  text += "count " + std::to_string(list->GetMaterialsCount()) + "; groups";
  for (DWORD m = 0; m < mesh.GetMeshVerticesGroupCount(); ++m) {
    CMeshVerticesGroup& group = mesh.GetMeshVerticesGroup()[m];
    text += " " + std::to_string(group.GetIndicesCount());
    if (group.GetIndicesCount() && (m >= mesh.GetMaterialsCount() || group.GetMaterial() != mesh.GetMaterials()[m]))
      text += "?";
  }
  return text;
}

// Data objects of the template anywhere in the file.
size_t CountInFile(const std::string& path, const GUID& type) {
  size_t count = 0;
  ForEachTopLevelObject(
      path, [&](IDirectXFileData* data) { ForEachDataObject(data, type, [&](IDirectXFileData*) { ++count; }); });
  return count;
}

class XFileMaterialsRoundTrip : public XFileSaveTest, public ::testing::WithParamInterface<SFormat> {
 protected:
  static CMesh* MeshOf(SLoadedScene& scene) { return static_cast<CMesh*>(Received(scene.root.get()).at(0)); }
};

TEST_P(XFileMaterialsRoundTrip, AListThatLacksMaterialsItsFacesNameGetsOpaqueStandInsInTheirPlaces) {
  const struct {
    const char* what;
    std::string text;
    const char* expected;
  } cases[] = {
      {"no material for any of the list's materials", std::string(kMeshHead) + " MeshMaterialList { 2; 3; 0,1,1;; } }",
       "stand-in, stand-in, count 2; groups 3 6"},
      {"fewer materials than the faces name",
       std::string(kMeshHead) + " MeshMaterialList { 3; 3; 0,1,2;;" + kRed + kGreen + " } }",
       "red, green, stand-in, count 3; groups 3 3 3"},
      {"two materials claimed, one held, the faces name the second",
       std::string(kMeshHead) + " MeshMaterialList { 2; 3; 1,1,1;;" + kRed + " } }",
       "red, stand-in, count 2; groups 0 9"},
      {"a material by reference and one missing",
       kBlue + std::string(kMeshHead) + " MeshMaterialList { 2; 3; 0,1,0;; { Blue } } }",
       "blue by reference, stand-in, count 2; groups 6 3"},
      {"a reference that cannot be bound keeps its place",
       std::string(kMeshHead) + " MeshMaterialList { 2; 3; 0,1,1;; { Nowhere }" + kGreen + " } }",
       "stand-in, green, count 2; groups 3 6"},
      {"more materials claimed than the faces name",
       std::string(kMeshHead) + " MeshMaterialList { 3; 3; 0,0,0;;" + kRed + " } }", "red, count 1; groups 9"},
      {"one face index for every face", std::string(kMeshHead) + " MeshMaterialList { 1; 1; 0;; } }",
       "stand-in, count 1; groups 9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = LoadScene(WriteText("lacking.x", "xof 0303txt 0032\n" + c.text + "\n"));
    ASSERT_EQ(Received(scene->root.get()).size(), 1u);
    EXPECT_EQ(Describe(*MeshOf(*scene)), c.expected);
    auto reloaded = SaveAndReload(*scene, GetParam().format, "lacking_saved.x");
    ASSERT_EQ(Received(reloaded->root.get()).size(), 1u);
    EXPECT_EQ(Describe(*MeshOf(*reloaded)), c.expected);
    EXPECT_EQ(WorldNames(reloaded->world), WorldNames(scene->world));
  }
}

TEST_P(XFileMaterialsRoundTrip, AMeshLoadedWithoutAMaterialListIsSavedWithoutOne) {
  auto scene = LoadScene(WriteText("plain.x", std::string("xof 0303txt 0032\n") + kMeshHead + "}\n"));
  // Drawn with the default material all the same.
  ASSERT_EQ(Received(scene->root.get()).size(), 1u);
  EXPECT_EQ(Describe(*MeshOf(*scene)), "default, count 1; groups 9");
  EXPECT_TRUE(MeshOf(*scene)->GetMeshMaterialList()->IsDrawingDefault());

  g_appOptions.dwXFileFormat = GetParam().format;
  const std::string path = Temporary("plain_saved.x");
  ASSERT_TRUE(Save(scene->root.get(), path, GetParam().format));
  EXPECT_EQ(CountInFile(path, TID_D3DRMMeshMaterialList), 0u);
  EXPECT_EQ(CountInFile(path, TID_D3DRMMaterial), 0u);
  auto reloaded = LoadScene(path);
  ASSERT_EQ(Received(reloaded->root.get()).size(), 1u);
  EXPECT_EQ(Describe(*MeshOf(*reloaded)), "default, count 1; groups 9");
}

INSTANTIATE_TEST_SUITE_P(Formats, XFileMaterialsRoundTrip, AllFormats(),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
