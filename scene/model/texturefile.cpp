#include "texturefile.h"

#include <rmxfguid.h>
#include <tracelog.h>

#include <cstring>

#include "dxtexturemanager.h"

CTextureFile::CTextureFile() { ClearContent(); }

CTextureFile::~CTextureFile() {
  BeginTeardown();
  DestroyContent();
}

void CTextureFile::ClearContent() {
  m_texture = nullptr;
  m_fileName.Empty();
  m_fileDirectory.Empty();
}

bool CTextureFile::DestroyContent() {
  // The texture belongs to the texture manager.
  CXFileDataObject::DestroyContent(false);
  ClearContent();
  return true;
}

void CTextureFile::CreateTexture(CDXTextureManager* manager, char* fileDirectory) {
  m_texture = nullptr;
  if (!manager) return;
  // A texture that cannot be made leaves the name without a texture.
  if (!manager->CreateTextureFromFile(GetFileName(), fileDirectory, &m_texture)) m_texture = nullptr;
}

bool CTextureFile::Initialize(char* fileName, char* fileDirectory, char* name, CDXThread* thread) {
  CDXTextureManager* manager = GetTextureManager(thread);
  try {
    DestroyContent();
    if (FAILED(CXFileDataObject::Initialize(name, &TID_D3DRMTextureFilename, false)))
      throw "\nCXFileDataObject::Initialize() failed.";
    m_fileName = fileName ? fileName : "";
    m_fileDirectory = fileDirectory ? fileDirectory : "";
    CreateTexture(manager, fileDirectory);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  return true;
}

CString CTextureFile::GetTextureStatus(CDXDoc* doc) {
  CDXTextureManager* manager = GetTextureManager(doc);
  const char* status = "(status unkown)";
  if (manager) status = manager->TextureLoaded(GetFileName()) ? "(loaded)" : "(not loaded)";
  CString text;
  text.Format("%s %s", GetFileName(), status);
  return text;
}

bool CTextureFile::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  CDXTextureManager* manager = GetTextureManager(thread);
  try {
    char* name = nullptr;
    if (!LoadWithBlock(data, size, block, sizeof(name), fileDirectory, thread))
      throw "\nInfo: CXFileDataObject::Load () failed.";
    std::memcpy(&name, block, sizeof(name));
    if (!name) throw "\nError: The TextureFilename data block holds no file name.";
    m_fileName = name;
    m_fileDirectory.Empty();
    CreateTexture(manager, fileDirectory);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  return true;
}

HRESULT CTextureFile::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  // Written as it was read: the file API neither escapes nor unescapes
  // strings, so doubling backslashes here would grow the name at every save.
  const char* text = m_fileName;
  try {
    // The block is the name's pointer, and its size the pointer's: the file
    // API reads no further than the size it is given.
    *out =
        CreateSaveData(saveObject, static_cast<DWORD>(sizeof(text)), &text,
                       "IDirectXFileSaveObject::CreateDataObject \t\t\t\t\t\t\t\t\t\t\t\tfailed in CTextureFile::Save");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
