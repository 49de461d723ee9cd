// Shared by the tests of .x loading, saving and the world: a fixture with the
// process device and the loader's options, what a file holds counted through
// the file API alone, and a deep comparison of two loaded scenes.
#pragma once

#include <animation.h>
#include <animationkey.h>
#include <appoptions.h>
#include <frame.h>
#include <frametransformmatrix.h>
#include <material.h>
#include <mesh.h>
#include <meshparts.h>
#include <rmxfguid.h>
#include <texturefile.h>
#include <unistd.h>
#include <xfile.h>
#include <xfiledatalist.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "mesh_test_support.h"
#include "temp_folder.h"

namespace xfile_test {

inline std::string TestData(const char* name) { return std::string(VOREVER_TESTDATA) + "/x/" + name; }
inline std::string Fixture(const char* name) { return std::string(VOREVER_FIXTURES) + "/" + name; }

// Calls visit with every top-level data object of the file (read with the
// file API only, the program's templates registered); answers how many.
size_t ForEachTopLevelObject(const std::string& path, const std::function<void(IDirectXFileData*)>& visit);

// Frames, meshes, vertices and faces of a scene.
struct SCounts {
  DWORD frames = 0, meshes = 0, vertices = 0, faces = 0;
  bool operator==(const SCounts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SCounts& c) {
  return out << "{frames " << c.frames << ", meshes " << c.meshes << ", vertices " << c.vertices << ", faces "
             << c.faces << "}";
}

// What the file holds, read with the file API only (Frame and Mesh data
// objects at any depth).
SCounts CountFileContent(const std::string& path);
// What a loaded tree holds below root (root not counted).
SCounts CountTree(CXFileDataObject* root);

// Expects two loaded trees to hold the same objects with the same content:
// names, kinds of entry, transforms, mesh positions and faces, normals,
// texture coordinates, vertex colours, face wraps, material lists,
// materials, texture names and animation keys.
void ExpectSameTree(CXFileDataObject* expected, CXFileDataObject* actual);

// The process device and the loader's switches as the program sets them for
// X-file meshes; temporary files go.
class XFileTest : public MeshDeviceTest {
 protected:
  void SetUp() override {
    MeshDeviceTest::SetUp();
    m_savedFormat = g_appOptions.dwXFileFormat;
    m_savedLoadDXMeshes = g_appOptions.bLoadDXMeshes;
    g_appOptions.bLoadDXMeshes = 0;
  }
  void TearDown() override {
    g_appOptions.dwXFileFormat = m_savedFormat;
    g_appOptions.bLoadDXMeshes = m_savedLoadDXMeshes;
  }

  // A path for a file that the test writes, in the fixture's own folder.
  std::string Temporary(const std::string& name) { return m_folder.Path(name); }
  // Writes .x text into a temporary file.
  std::string WriteText(const std::string& name, const std::string& text) {
    const std::string path = Temporary(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // A new receiving frame.
  static std::unique_ptr<CFrame> NewRoot() {
    auto root = std::make_unique<CFrame>();
    root->Initialize(nullptr, const_cast<char*>("Received"), CFrame::ePlainFrame, false);
    return root;
  }
  // Loads path below root, with world as the world's list.
  static bool Load(const std::string& path, CFrame* root, CXFileDataList& world, CString* failure = nullptr) {
    CXFile file;
    const bool loaded = file.LoadXfile(path.c_str(), root, world, nullptr, nullptr);
    if (failure) *failure = file.GetFailureText();
    return loaded;
  }
  // What a load attached below root: its children but its transform.
  static std::vector<CXFileDataObject*> Received(CFrame* root) {
    std::vector<CXFileDataObject*> objects;
    CChildObjectList& children = root->GetChildObjectList();
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
      if (!object->IsATemplateGUID(&TID_D3DRMFrameTransformMatrix)) objects.push_back(object);
    }
    return objects;
  }
  static bool Save(CFrame* frame, const std::string& path, DWORD format) {
    CXFile file;
    return file.SaveXFrame2(frame, const_cast<char*>(path.c_str()), format, true, nullptr);
  }

 private:
  DWORD m_savedFormat = 0;
  BYTE m_savedLoadDXMeshes = 0;
  TempFolder m_folder;
};

// A loaded scene: the receiving frame and the world.
struct SLoadedScene {
  std::unique_ptr<CFrame> root;
  CXFileDataList world;
};

// Loads scenes and saves them again.
class XFileSaveTest : public XFileTest {
 protected:
  std::unique_ptr<SLoadedScene> LoadScene(const std::string& path) {
    auto scene = std::make_unique<SLoadedScene>();
    scene->root = NewRoot();
    CString failure;
    EXPECT_TRUE(Load(path, scene->root.get(), scene->world, &failure)) << path << ": " << failure;
    return scene;
  }
  // Saves the scene's frame in the format (also the program's save format)
  // and loads the file again.
  std::unique_ptr<SLoadedScene> SaveAndReload(SLoadedScene& scene, DWORD format, const std::string& name) {
    g_appOptions.dwXFileFormat = format;
    const std::string path = Temporary(name);
    EXPECT_TRUE(Save(scene.root.get(), path, format));
    return LoadScene(path);
  }
  static std::vector<std::string> WorldNames(CXFileDataList& world) {
    std::vector<std::string> names;
    for (POSITION pos = world.GetHeadPosition(); pos;) names.push_back(world.GetNext(pos)->GetName());
    return names;
  }
};

// A file format to save in, named for the test's name.
struct SFormat {
  const char* name;
  DWORD format;
};

inline void PrintTo(const SFormat& format, std::ostream* out) { *out << format.name; }

// The formats of the file API: text, binary, compressed binary and text.
inline auto AllFormats() {
  return ::testing::Values(SFormat{"text", DXFILEFORMAT_TEXT}, SFormat{"binary", DXFILEFORMAT_BINARY},
                           SFormat{"compressed", DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED},
                           SFormat{"compressed_text", DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED});
}

}  // namespace xfile_test
