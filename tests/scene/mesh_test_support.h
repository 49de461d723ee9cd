// Shared by the tests of the X-file mesh and its parts: the process device,
// .x text parsed by the file API, and a mesh loaded with its children the
// way the X-file loader builds them.
#pragma once

#include <dxfile.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <rmxftmpl.h>
#include <xskinexp.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "material.h"
#include "skinweights.h"
#include "mesh.h"
#include "temp_folder.h"
#include "test_device.h"

// The process's device object with a device on no window.
class MeshDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(m_windowedDevice.CreateD3DDevice(nullptr), S_OK); }
  IDirect3DDevice8* Device() { return m_windowedDevice.GetD3DDevice(); }

  CDXWindowedDevice m_windowedDevice;
};

inline std::string ReadFixture(const char* name) {
  std::ifstream in(std::string(VOREVER_FIXTURES) + "/" + name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Registers the standard and skin templates, as the program does.
inline void RegisterTemplates(IDirectXFile* file) {
  EXPECT_EQ(file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
  for (const char* templates : {XSKINEXP_TEMPLATES, XEXTENSIONS_TEMPLATES})
    EXPECT_EQ(file->RegisterTemplates(const_cast<char*>(templates), static_cast<DWORD>(std::strlen(templates))),
              DXFILE_OK);
}

// The top-level data objects of a text or binary .x file held in memory.
class XFileObjects {
 public:
  explicit XFileObjects(const std::string& content) : m_content(content) {
    EXPECT_EQ(DirectXFileCreate(&m_file), DXFILE_OK);
    RegisterTemplates(m_file);
    DXFILELOADMEMORY memory{m_content.data(), static_cast<DWORD>(m_content.size())};
    EXPECT_EQ(m_file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &m_enum), DXFILE_OK);
    IDirectXFileData* data = nullptr;
    while (m_enum && SUCCEEDED(m_enum->GetNextDataObject(&data))) m_objects.emplace_back(data);
  }
  XFileObjects(const XFileObjects&) = delete;
  XFileObjects& operator=(const XFileObjects&) = delete;
  ~XFileObjects() {
    for (IDirectXFileData* data : m_objects) data->Release();
    if (m_enum) m_enum->Release();
    if (m_file) m_file->Release();
  }

  IDirectXFileData* operator[](size_t i) const { return m_objects.at(i); }
  size_t size() const { return m_objects.size(); }

 private:
  std::string m_content;
  IDirectXFile* m_file = nullptr;
  IDirectXFileEnumObject* m_enum = nullptr;
  std::vector<IDirectXFileData*> m_objects;
};

inline std::vector<BYTE> BlockOf(IDirectXFileData* data) {
  DWORD size = 0;
  void* block = nullptr;
  EXPECT_EQ(data->GetData(nullptr, &size, &block), DXFILE_OK);
  const BYTE* bytes = static_cast<const BYTE*>(block);
  return std::vector<BYTE>(bytes, bytes + size);
}

// Loads object from data with its own block.
template <class T>
bool LoadObject(T& object, IDirectXFileData* data) {
  std::vector<BYTE> block = BlockOf(data);
  return object.Load(data, static_cast<DWORD>(block.size()), block.data(), nullptr, nullptr);
}

// Loads a Mesh data object and its part and skin-weight children as the
// X-file loader does (the material list counts its Material children),
// without the preparation steps.
inline bool LoadMeshTree(CMesh& mesh, IDirectXFileData* data) {
  if (!LoadObject(mesh, data)) return false;
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child))) {
    IDirectXFileData* part = nullptr;
    const bool isData = SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&part)));
    child->Release();
    if (!isData) continue;
    const GUID* type = nullptr;
    part->GetType(&type);
    CXFileDataObject* object = nullptr;
    bool loaded = false;
    if (*type == TID_D3DRMMeshMaterialList) {
      auto list = std::make_unique<CMeshMaterialList>();
      loaded = LoadObject(*list, part);
      IDirectXFileObject* nested = nullptr;
      DWORD materials = 0;
      while (loaded && SUCCEEDED(part->GetNextObject(&nested))) {
        IDirectXFileData* materialData = nullptr;
        if (SUCCEEDED(nested->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&materialData)))) {
          auto material = std::make_unique<CMaterial>();
          loaded = LoadObject(*material, materialData);
          list->AddChildObject(eOwnedChild, material.release(), false);
          ++materials;
          materialData->Release();
        }
        nested->Release();
      }
      list->SetMaterialsCount(materials);
      object = list.release();
    } else if (*type == TID_D3DRMMeshNormals) {
      auto normals = std::make_unique<CMeshNormals>();
      loaded = LoadObject(*normals, part);
      object = normals.release();
    } else if (*type == DXFILEOBJ_SkinWeights) {
      auto weights = std::make_unique<CSkinWeights>();
      loaded = LoadObject(*weights, part);
      object = weights.release();
    } else if (*type == TID_D3DRMMeshTextureCoords) {
      auto coords = std::make_unique<CMeshTextureCoords>();
      loaded = LoadObject(*coords, part);
      object = coords.release();
    }
    part->Release();
    if (object) mesh.AddChildObject(eOwnedChild, object, false);
    if (object && !loaded) return false;
  }
  return true;
}

// Calls visit for every data object of the tree below data (data included)
// that has the given template, depth first; the walk does not enter those.
template <class Visit>
void ForEachDataObject(IDirectXFileData* data, const GUID& type, Visit visit) {
  const GUID* own = nullptr;
  data->GetType(&own);
  if (*own == type) {
    visit(data);
    return;
  }
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child))) {
    IDirectXFileData* nested = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
      ForEachDataObject(nested, type, visit);
      nested->Release();
    }
    child->Release();
  }
}

// The five preparation steps in the loader's order.
inline bool PrepareMesh(CMesh& mesh) {
  return SUCCEEDED(mesh.CreateMeshVerticesGroups(nullptr)) && mesh.CreateMeshEdgesLine(nullptr) &&
         SUCCEEDED(mesh.SetMeshVerticesNormal()) && SUCCEEDED(mesh.SetMeshTextureCoords()) &&
         mesh.SetMaterialsArray();
}

// The indices of an index buffer, 16- or 32-bit.
inline std::vector<DWORD> ReadIndices(IDirect3DIndexBuffer8* buffer) {
  D3DINDEXBUFFER_DESC desc{};
  buffer->GetDesc(&desc);
  BYTE* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  std::vector<DWORD> indices;
  const bool wide = desc.Format == D3DFMT_INDEX32;
  for (UINT i = 0; i < desc.Size / (wide ? 4 : 2); ++i)
    indices.push_back(wide ? reinterpret_cast<DWORD*>(data)[i] : reinterpret_cast<WORD*>(data)[i]);
  buffer->Unlock();
  return indices;
}

inline std::vector<D3DVERTEX> ReadVertices(IDirect3DVertexBuffer8* buffer) {
  D3DVERTEXBUFFER_DESC desc{};
  buffer->GetDesc(&desc);
  BYTE* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  std::vector<D3DVERTEX> vertices(reinterpret_cast<D3DVERTEX*>(data),
                                  reinterpret_cast<D3DVERTEX*>(data) + desc.Size / sizeof(D3DVERTEX));
  buffer->Unlock();
  return vertices;
}

// A data block built value by value.
class BlockBuilder {
 public:
  template <class T>
  BlockBuilder& Add(T value) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    m_bytes.insert(m_bytes.end(), bytes, bytes + sizeof(T));
    return *this;
  }
  BlockBuilder& Dwords(std::initializer_list<DWORD> values) {
    for (DWORD v : values) Add(v);
    return *this;
  }
  BlockBuilder& Floats(std::initializer_list<float> values) {
    for (float v : values) Add(v);
    return *this;
  }
  std::vector<BYTE>& Bytes() { return m_bytes; }

 private:
  std::vector<BYTE> m_bytes;
};

// Loads object from a hand-made block, with the name and template of data.
template <class T>
bool LoadBlock(T& object, IDirectXFileData* data, std::vector<BYTE>& block) {
  return object.Load(data, static_cast<DWORD>(block.size()), block.data(), nullptr, nullptr);
}

// A save object writing to a scratch file, for reading back the blocks that
// Save creates.
class XFileSaver {
 public:
  XFileSaver() : m_path(m_folder.Path("mesh_save.x")) {
    EXPECT_EQ(DirectXFileCreate(&m_file), DXFILE_OK);
    RegisterTemplates(m_file);
    EXPECT_EQ(m_file->CreateSaveObject(m_path.c_str(), DXFILEFORMAT_TEXT, &m_save), DXFILE_OK);
  }
  XFileSaver(const XFileSaver&) = delete;
  XFileSaver& operator=(const XFileSaver&) = delete;
  ~XFileSaver() {
    if (m_save) m_save->Release();
    if (m_file) m_file->Release();
  }

  // Loads into copy what object saves, from the saved data object.
  template <class T>
  bool Reload(T& object, T& copy) {
    IDirectXFileData* saved = nullptr;
    if (FAILED(object.Save(m_save, &saved, nullptr)) || !saved) return false;
    const bool loaded = LoadObject(copy, saved);
    saved->Release();
    return loaded;
  }

  // The block that object saves; empty when Save fails.
  template <class T>
  std::vector<BYTE> SavedBlock(T& object) {
    IDirectXFileData* saved = nullptr;
    if (FAILED(object.Save(m_save, &saved, nullptr)) || !saved) return {};
    std::vector<BYTE> block = BlockOf(saved);
    saved->Release();
    return block;
  }

 private:
  TempFolder m_folder;
  std::string m_path;
  IDirectXFile* m_file = nullptr;
  IDirectXFileSaveObject* m_save = nullptr;
};

// The real .x files written by other programs; skipped where they are absent.
class RealMeshTest : public MeshDeviceTest {
 protected:
  void SetUp() override {
    MeshDeviceTest::SetUp();
    m_folder = std::filesystem::path(VOREVER_TESTDATA) / "x";
    if (!std::filesystem::exists(m_folder)) GTEST_SKIP() << "no real files in " << m_folder;
  }

  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // Calls visit(file name, Mesh data object) for every mesh of every file.
  template <class Visit>
  void ForEachRealMesh(Visit visit) {
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".x" && extension != ".X") continue;
      XFileObjects objects(ReadFile(entry.path()));
      for (size_t i = 0; i < objects.size(); ++i)
        ForEachDataObject(objects[i], TID_D3DRMMesh,
                          [&](IDirectXFileData* data) { visit(entry.path().filename().string(), data); });
    }
  }

  std::filesystem::path m_folder;
};
