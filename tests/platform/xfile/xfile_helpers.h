// Shared by the .x file API tests: file objects with the standard template
// sets, and a canonical text dump of what an enumeration yields.
#pragma once

#include <dxfile.h>
#include <gtest/gtest.h>

#include "temp_folder.h"
#include <rmxftmpl.h>
#include <unistd.h>
#include <xskinexp.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Releases a COM pointer at the end of its scope.
template <class T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
  T* get() const { return p; }
};

// A file object with the standard, skin and extension templates registered,
// as the system registers them before every load and save.
inline IDirectXFile* CreateRegisteredFile() {
  IDirectXFile* file = nullptr;
  if (FAILED(DirectXFileCreate(&file))) return nullptr;
  if (FAILED(file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES)) ||
      FAILED(file->RegisterTemplates(const_cast<char*>(XSKINEXP_TEMPLATES),
                                     static_cast<DWORD>(std::strlen(XSKINEXP_TEMPLATES)))) ||
      FAILED(file->RegisterTemplates(const_cast<char*>(XEXTENSIONS_TEMPLATES),
                                     static_cast<DWORD>(std::strlen(XEXTENSIONS_TEMPLATES))))) {
    file->Release();
    return nullptr;
  }
  return file;
}

inline HRESULT OpenMemory(IDirectXFile* file, const std::string& content, IDirectXFileEnumObject** enumObject) {
  DXFILELOADMEMORY memory{const_cast<char*>(content.data()), static_cast<DWORD>(content.size())};
  return file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, enumObject);
}

// Every object of the enumeration, depth first: template, name, identifier,
// block bytes (strings by content), nested objects and references (by name
// and identifier, and the name of the object they resolve to). Sets *failure
// to the first failing call.
std::string DumpAll(IDirectXFileEnumObject* enumObject, HRESULT* failure);
std::string DumpFile(IDirectXFile* file, const std::string& path, HRESULT* failure);

// The block of a Mesh of `triangles` separate triangles; its coordinates
// vary so that compression keeps it large (about 36 bytes a triangle).
std::vector<BYTE> MeshBlock(DWORD triangles);

// Saves the Mesh template and such a mesh, named "Big", in a save of its own;
// the save ends when the save object is released.
HRESULT SaveMeshTemplates(IDirectXFileSaveObject* save);
HRESULT SaveMesh(IDirectXFileSaveObject* save, DWORD triangles);
HRESULT SaveMeshFile(IDirectXFile* file, const std::string& path, DXFILEFORMAT format, DWORD triangles);

// A fixture with a folder of its own for the files that a test writes,
// removed with everything in it, and a file object with the templates.
class XFileFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file.p = CreateRegisteredFile();
    ASSERT_NE(m_file.get(), nullptr);
  }

  std::string PathOf(const std::string& name) const { return m_temporary.Path(name); }

  TempFolder m_temporary;
  const std::filesystem::path m_folder{m_temporary.Path()};
  Com<IDirectXFile> m_file;
};

