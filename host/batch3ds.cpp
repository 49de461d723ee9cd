// The batch document's .3ds side: a .3ds file imported by the system's own
// importer, and a scene exported as a .3ds mesh file.
#include <rmxfguid.h>
#include <scene3ds.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "appoptions.h"
#include "batchmode.h"
#include "frame.h"
#include "xfile.h"

namespace {

bool HoldsXFileMeshes(CXFileDataObject* object) {
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child || child->IsDeleted()) continue;
    if (child->IsATemplateGUID(&TID_D3DRMMesh) || (child->IsAFrame() && HoldsXFileMeshes(child))) return true;
  }
  return false;
}

// A new empty file of the temporary folder, removed when the scope ends.
class CTemporaryXFile {
 public:
  CTemporaryXFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorever_3ds_XXXXXX.x").string();
    const int descriptor = mkstemps(pattern.data(), 2);
    if (descriptor < 0) throw "\nError: No temporary file can be made.";
    ::close(descriptor);
    m_path = pattern;
  }
  ~CTemporaryXFile() { std::remove(m_path.c_str()); }
  CTemporaryXFile(const CTemporaryXFile&) = delete;
  CTemporaryXFile& operator=(const CTemporaryXFile&) = delete;
  char* Path() { return m_path.data(); }

 private:
  std::string m_path;
};

}  // namespace

bool Is3dsFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char magic[2] = {};
  return in.read(reinterpret_cast<char*>(magic), 2) && magic[0] == 0x4D && magic[1] == 0x4D;
}

bool Is3dsName(const char* path) {
  const size_t length = std::strlen(path);
  return length >= 4 && strcasecmp(path + length - 4, ".3ds") == 0;
}

bool CBatchDocument::Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame*,
                                          CDXThread* thread) {
  CFrame* frame = NewFileFrame(fileName);
  if (!frame) return false;
  m_fileFolder = folder;
  const bool loaded = Import3dsFile(pathName, folder, frame, thread);
  if (!loaded) m_failureText = "the .3ds file cannot be read (see the messages above)";
  return FinishImport(frame, loaded);
}

bool CBatchDocument::Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread) {
  m_failureText.Empty();
  if (!HoldsXFileMeshes(frame)) {
    if (SaveFrameIn3dsFile(frame, pathName, thread)) return true;
    m_failureText = "the .3ds file cannot be written (see the messages above)";
    return false;
  }
  // X-file meshes become Direct3D meshes through a .x file of their own.
  CFrame* converted = nullptr;
  bool saved = false;
  const BYTE loadDXMeshes = g_appOptions.bLoadDXMeshes;
  try {
    CTemporaryXFile temporary;
    CXFile file;
    if (!file.SaveXFrame2(frame, temporary.Path(), DXFILEFORMAT_BINARY, true, nullptr)) throw file.GetFailureText();
    converted = NewFileFrame(frame->GetName());
    if (!converted) throw m_failureText;
    g_appOptions.bLoadDXMeshes = 1;
    CXFile reader;
    const bool loaded = reader.LoadXfile(temporary.Path(), converted, GetWorld(), m_fileFolder.GetBuffer(0), nullptr);
    g_appOptions.bLoadDXMeshes = loadDXMeshes;
    if (!loaded) throw reader.GetFailureText();
    saved = SaveFrameIn3dsFile(converted, pathName, thread);
    if (!saved) m_failureText = "the .3ds file cannot be written (see the messages above)";
  } catch (const char* message) {
    m_failureText = message + (message[0] == '\n');
  } catch (const CString& message) {
    m_failureText = message;
  }
  g_appOptions.bLoadDXMeshes = loadDXMeshes;
  if (converted) GetWorld().DeleteWorldRenderFrame(converted, false);
  return saved;
}
