// The textures of one document, cached by file name. The manager owns and
// releases them.
#pragma once

#include <afx.h>
#include <afxtempl.h>

class CDXDoc;
class CDXThread;
struct IDirect3DTexture8;

// A texture file path and the texture made from it. Copies share the
// texture without adding a reference.
class CTextureContainer {
 public:
  CTextureContainer() { ClearContent(); }
  CTextureContainer(const CString& path, IDirect3DTexture8* texture) : m_path(path), m_texture(texture) {}
  CTextureContainer& operator=(const CTextureContainer& other) = default;
  CTextureContainer(const CTextureContainer& other) = default;

  void ClearContent() {
    m_path.Empty();
    m_texture = nullptr;
  }
  CString GetFilePathName() const { return m_path; }
  IDirect3DTexture8* GetTexture() const { return m_texture; }
  void SetTexture(IDirect3DTexture8* texture) { m_texture = texture; }

 private:
  CString m_path;
  IDirect3DTexture8* m_texture;
};

class CDXTextureManager {
 public:
  CDXTextureManager() = default;
  ~CDXTextureManager() { DestroyContent(); }
  CDXTextureManager(const CDXTextureManager&) = delete;
  CDXTextureManager& operator=(const CDXTextureManager&) = delete;

  // Releases every texture and empties the cache.
  void DestroyContent();
  // *texture receives the cached or newly made texture of the file, or NULL
  // when it cannot be made; false only when an exception was caught.
  bool CreateTextureFromFile(char* fileName, char* fileDirectory, IDirect3DTexture8** texture);
  // The cache holds the name with a texture made.
  bool TextureLoaded(char* fileName);

 private:
  IDirect3DTexture8* LoadTexture(const CString& path);

  // File name -> CTextureContainer*.
  CMapStringToPtr m_textures;
};

// The texture manager of the job's document, or of the document; NULL when
// there is none.
CDXTextureManager* GetTextureManager(CDXThread* thread);
CDXTextureManager* GetTextureManager(CDXDoc* doc);
