// The TextureFilename data object: the file name of a texture and the
// Direct3D texture made from it, which the document's texture manager owns.
#pragma once

#include <afx.h>

#include "xfiledataobject.h"

class CDXTextureManager;
struct IDirect3DTexture8;

class CTextureFile : public CXFileDataObject {
 public:
  CTextureFile();
  ~CTextureFile() override;

  bool DestroyContent();
  bool Initialize(char* fileName, char* fileDirectory, char* name, CDXThread* thread);

  char* GetFileName() { return const_cast<char*>(static_cast<const char*>(m_fileName)); }
  char* GetFileDirectory() { return const_cast<char*>(static_cast<const char*>(m_fileDirectory)); }
  IDirect3DTexture8* GetTexture() const { return m_texture; }
  // "<file> (loaded)", "<file> (not loaded)" or "<file> (status unkown)".
  CString GetTextureStatus(CDXDoc* doc);

  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  void CreateTexture(CDXTextureManager* manager, char* fileDirectory);

  IDirect3DTexture8* m_texture;
  CString m_fileName;
  CString m_fileDirectory;
};
