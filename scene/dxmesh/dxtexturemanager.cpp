#include "dxtexturemanager.h"

#include <d3d8.h>
#include <dx_doc.h>
#include <dx_thread.h>
#include <tracelog.h>

#include <cstring>

void CDXTextureManager::DestroyContent() {
  POSITION pos = m_textures.GetStartPosition();
  while (pos) {
    CString name;
    void* value = nullptr;
    m_textures.GetNextAssoc(pos, name, value);
    auto* container = static_cast<CTextureContainer*>(value);
    IDirect3DTexture8* texture = container->GetTexture();
    SafeRelease(&texture);
    delete container;
  }
  m_textures.RemoveAll();
}

IDirect3DTexture8* CDXTextureManager::LoadTexture(const CString&) {
  // Textures are made on the process's Direct3D device; without one there is
  // no texture.
  return nullptr;
}

bool CDXTextureManager::CreateTextureFromFile(char* fileName, char* fileDirectory, IDirect3DTexture8** texture) {
  *texture = nullptr;
  if (!fileName) return true;
  try {
    void* value = nullptr;
    CTextureContainer* container;
    if (m_textures.Lookup(fileName, value)) {
      container = static_cast<CTextureContainer*>(value);
      if (!container->GetTexture()) container->SetTexture(LoadTexture(container->GetFilePathName()));
    } else {
      CString path;
      if (std::strchr(fileName, ':'))
        path = fileName;
      else
        path.Format("%s%s", fileDirectory ? fileDirectory : "", fileName);
      container = new CTextureContainer(path, nullptr);
      m_textures.SetAt(fileName, container);
      container->SetTexture(LoadTexture(path));
    }
    *texture = container->GetTexture();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  } catch (CException* e) {
    DEBUG_TRACE("\nCException() raised.");
    e->Delete();
    return false;
  }
  return true;
}

bool CDXTextureManager::TextureLoaded(char* fileName) {
  void* value = nullptr;
  return fileName && m_textures.Lookup(fileName, value) && static_cast<CTextureContainer*>(value)->GetTexture();
}

CDXTextureManager* GetTextureManager(CDXThread* thread) {
  return thread ? GetTextureManager(thread->GetDXDoc()) : nullptr;
}

CDXTextureManager* GetTextureManager(CDXDoc* doc) { return doc ? doc->GetTextureManager() : nullptr; }
