// The texture manager: textures made from image files once per name and
// shared, names written as Windows paths found beside the model, and missing
// or damaged images that leave a material without a texture.
#include <dx_doc.h>
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxtexturemanager.h>
#include <xfiletemplates.h>

#include <filesystem>
#include <functional>

#include "image_files.h"
#include "xfile_test_support.h"

namespace {

using namespace xfile_test;
namespace fs = std::filesystem;

// A mesh of one triangle whose material names the texture.
std::string TexturedTriangle(const char* meshName, const char* texture) {
  return std::string("Mesh ") + meshName +
         " { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
         " MeshMaterialList { 1; 1; 0;;\n"
         "  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" +
         texture + "\"; } } }\n MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; } }\n";
}

class DXTextureTest : public XFileTest {
 protected:
  void SetUp() override {
    XFileTest::SetUp();
    g_appOptions.bLoadDXMeshes = 1;
    m_job.SetUpParameters(nullptr, &m_document, "load", "load", "");
  }
  // The model's folder, with its separator.
  std::string Folder() { return Temporary(""); }
  CDXTextureManager& Manager() { return *m_document.GetTextureManager(); }
  // Loads the .x text as a file of the model's folder, through a job of the
  // document, with the folder as the texture path.
  std::vector<CDXMesh*> LoadText(const std::string& text) {
    const std::string path = WriteText("model.x", "xof 0303txt 0032\n" + text);
    m_roots.push_back(NewRoot());
    CXFile file;
    std::string folder = Folder();
    EXPECT_TRUE(file.LoadXfile(path.c_str(), m_roots.back().get(), m_world, folder.data(), &m_job));
    std::vector<CDXMesh*> meshes;
    CChildObjectList& children = m_roots.back()->GetChildObjectList();
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
      if (child->IsATemplateGUID(&GUID_BaseMesh)) meshes.push_back(static_cast<CDXMesh*>(child));
    }
    return meshes;
  }

  CDXDoc m_document;
  CDXThread m_job;
  CXFileDataList m_world;
  std::vector<std::unique_ptr<CFrame>> m_roots;
};

TEST_F(DXTextureTest, AWindowsPathInAnyCaseResolvesToTheFileBesideTheModel) {
  WriteBytes(Temporary("top.tga"), Tga(TestColours(), 24, false));
  const auto meshes = LoadText(TexturedTriangle("lid", "C:\\\\X\\\\TOP.TGA"));
  ASSERT_EQ(meshes.size(), 1u);
  ASSERT_EQ(meshes[0]->GetMaterialsCount(), 1u);
  IDirect3DTexture8* texture = meshes[0]->GetTextures()[0];
  ASSERT_NE(texture, nullptr);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_EQ(desc.Height, 2u);
  EXPECT_TRUE(Manager().TextureLoaded(meshes[0]->GetMaterials()[0].pTextureFilename));
}

TEST_F(DXTextureTest, NamesResolveByRelativePathThenByNameInTheDocumentsFolders) {
  fs::create_directories(Temporary("Maps"));
  WriteBytes(Temporary("Maps/Wall.bmp"), Bmp24(TestColours()));
  fs::create_directories(Temporary("other"));
  WriteBytes(Temporary("other/floor.bmp"), Bmp24(TestColours()));
  std::string folder = Folder(), other = Temporary("other") + "/";
  IDirect3DTexture8* texture = nullptr;
  const struct {
    const char* name;
    std::string* directory;
  } found[] = {{"maps\\WALL.BMP", &folder},
               {"D:\\art\\maps\\wall.bmp", &folder},
               {"floor.bmp", &other},
               {"FLOOR.BMP", &folder}};  // the folder of an earlier request
  for (const auto& c : found) {
    SCOPED_TRACE(c.name);
    std::string name = c.name;
    EXPECT_TRUE(Manager().CreateTextureFromFile(name.data(), c.directory->data(), &texture));
    EXPECT_NE(texture, nullptr);
  }
  std::string missing = "roof.bmp";
  EXPECT_TRUE(Manager().CreateTextureFromFile(missing.data(), folder.data(), &texture));
  EXPECT_EQ(texture, nullptr);
}

// Two meshes naming the same file share one texture; the name stays cached.
TEST_F(DXTextureTest, TheManagerSharesOneTextureBetweenTwoMeshes) {
  WriteBytes(Temporary("shared.bmp"), Bmp8(TestColours(), true));
  const auto meshes = LoadText(TexturedTriangle("first", "shared.bmp") + TexturedTriangle("second", "shared.bmp"));
  ASSERT_EQ(meshes.size(), 2u);
  IDirect3DTexture8* first = meshes[0]->GetTextures()[0];
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(meshes[1]->GetTextures()[0], first);
  IDirect3DTexture8* third = nullptr;
  std::string name = "shared.bmp", folder = Folder();
  fs::remove(Temporary("shared.bmp"));  // a cached name does not read the file again
  EXPECT_TRUE(Manager().CreateTextureFromFile(name.data(), folder.data(), &third));
  EXPECT_EQ(third, first);
}

// A missing or damaged image leaves the material without a texture and the
// name not loaded; the load goes on, and a later request reads the file anew.
TEST_F(DXTextureTest, MissingAndDamagedImagesLeaveNoTextureAndAreTriedAgain) {
  std::string damaged = Bmp24(TestColours());
  damaged.resize(damaged.size() - 5);
  WriteBytes(Temporary("damaged.bmp"), damaged);
  const auto meshes = LoadText(TexturedTriangle("a", "missing.tga") + TexturedTriangle("b", "damaged.bmp"));
  ASSERT_EQ(meshes.size(), 2u);
  for (CDXMesh* mesh : meshes) {
    EXPECT_TRUE(mesh->IsReadyForRendering());
    EXPECT_EQ(mesh->GetTextures()[0], nullptr);
  }
  std::string missing = "missing.tga", folder = Folder();
  EXPECT_FALSE(Manager().TextureLoaded(missing.data()));
  WriteBytes(Temporary("missing.tga"), Tga(TestColours(), 32, true));
  IDirect3DTexture8* texture = nullptr;
  EXPECT_TRUE(Manager().CreateTextureFromFile(missing.data(), folder.data(), &texture));
  EXPECT_NE(texture, nullptr);
  EXPECT_TRUE(Manager().TextureLoaded(missing.data()));
  Manager().DestroyContent();
  EXPECT_FALSE(Manager().TextureLoaded(missing.data()));
}

// Real models name their textures as absolute Windows paths, relative paths
// with "." or a sub-folder: each is found beside the model, except the one
// whose image is not there.
TEST_F(DXTextureTest, RealModelsFindTheirTextures) {
  const fs::path folder = fs::path(VOREVER_TESTDATA) / "x";
  if (!fs::exists(folder)) GTEST_SKIP() << "no real .x files in " << folder;
  const struct {
    const char* file;
    int textured;  // materials with a texture made
    int missing;   // materials naming an image that is not there
  } cases[] = {{"kwxport_test_cubewithvcolors.x", 3, 0}, {"test.x", 1, 0}, {"SSR06_model.x", 1, 0}, {"track.x", 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    m_roots.push_back(NewRoot());
    CXFile file;
    std::string directory = folder.string() + "/";
    ASSERT_TRUE(file.LoadXfile((folder / c.file).c_str(), m_roots.back().get(), m_world, directory.data(), &m_job));
    int textured = 0, missing = 0;
    std::function<void(CXFileDataObject*)> visit = [&](CXFileDataObject* object) {
      CChildObjectList& children = object->GetChildObjectList();
      for (POSITION pos = children.GetHeadPosition(); pos;) {
        CChildObject* entry = children.GetNext(pos);
        CXFileDataObject* child = entry->GetXfileDataObject();
        if (!child || entry->IsReference()) continue;
        if (child->IsATemplateGUID(&GUID_BaseMesh)) {
          auto* mesh = static_cast<CDXMesh*>(child);
          for (DWORD i = 0; i < mesh->GetMaterialsCount(); ++i) {
            const char* name = mesh->GetMaterials()[i].pTextureFilename;
            if (!name || !*name) continue;
            (mesh->GetTextures()[i] ? textured : missing)++;
          }
        }
        visit(child);
      }
    };
    visit(m_roots.back().get());
    EXPECT_EQ(textured, c.textured);
    EXPECT_EQ(missing, c.missing);
  }
}

}  // namespace
