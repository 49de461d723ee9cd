// The textures of one document, cached by the file name that a material
// gives. The manager owns and releases them; a texture that several
// materials or meshes name is made once and shared.
#pragma once

#include <afx.h>
#include <afxtempl.h>
#include <d3d8.h>

#include <vector>

class CDXDoc;
class CDXThread;

// One cache entry: the file last loaded and the managed texture made of it,
// which the entry owns (hence no copies).
class CTextureContainer {
 public:
  CTextureContainer() { ClearContent(); }
  ~CTextureContainer() { DestroyContent(); }
  CTextureContainer(const CTextureContainer&) = delete;
  CTextureContainer& operator=(const CTextureContainer&) = delete;

  // Releases the texture.
  void DestroyContent();
  IDirect3DTexture8* GetTexture() const { return m_texture; }
  CString GetFilePathName() const { return m_path; }
  // Reads the image at path into a managed texture of the size and format
  // that the device takes; out receives it, or NULL with false when the
  // file cannot be opened or read. A texture that fails part way is
  // released: the container then holds none. format is not used.
  bool CreateTextureFromFile(const char* path, IDirect3DTexture8*& out, D3DFORMAT format);

 protected:
  void ClearContent() {
    m_path.Empty();
    m_texture = nullptr;
  }

 private:
  CString m_path;
  IDirect3DTexture8* m_texture;
};

class CDXTextureManager {
 public:
  CDXTextureManager();
  ~CDXTextureManager() { DestroyContent(); }
  CDXTextureManager(const CDXTextureManager&) = delete;
  CDXTextureManager& operator=(const CDXTextureManager&) = delete;

  // Deletes every container (each releases its texture) and empties the
  // cache.
  void DestroyContent();
  // *texture receives the cached or newly made texture of the file, or NULL
  // when it cannot be made (a later request tries the file again); false
  // only when an exception was caught. A name with a drive colon is taken
  // as it is, another is appended to directory (which ends with its
  // separator); a file that is not there is looked for by name in the
  // folders of the document's models and the media folder
  // (ResolveTextureFile).
  bool CreateTextureFromFile(char* fileName, char* directory, IDirect3DTexture8** texture);
  // The cache holds the name and a texture made for it.
  bool TextureLoaded(char* fileName);

 private:
  // File name -> CTextureContainer*.
  CMapStringToPtr m_textures;
  // Every directory that requests came with: the folders of the document's
  // models, in the order first met.
  std::vector<CString> m_folders;
};

// The texture manager of the job's document, or of the document; NULL when
// there is none.
CDXTextureManager* GetTextureManager(CDXThread* thread);
CDXTextureManager* GetTextureManager(CDXDoc* doc);
