#include "dxtexturemanager.h"

#include <d3dx8.h>
#include <dx_doc.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>

#include <algorithm>
#include <cstring>

#include "failureguard.h"
#include "texturefiles.h"

// ---------------------------------------------------------------------------
// CTextureContainer

void CTextureContainer::DestroyContent() {
  if (m_texture) SafeRelease(&m_texture);
  ClearContent();
}

bool CTextureContainer::CreateTextureFromFile(const char* path, IDirect3DTexture8*& out, D3DFORMAT) {
  out = nullptr;
  DestroyContent();
  m_path = path;
  CFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return false;
  file.Close();
  IDirect3DTexture8* loaded = nullptr;
  IDirect3DSurface8* target = nullptr;
  IDirect3DSurface8* source = nullptr;
  bool made = true;
  try {
    IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
    if (!device) throw "\nNo Direct3D device to make the texture on.";
    D3DXIMAGE_INFO info{};
    if (FAILED(D3DXGetImageInfoFromFileA(path, &info))) throw "\nD3DXGetImageInfoFromFile() failed";
    if (FAILED(D3DXCheckTextureRequirements(device, &info.Width, &info.Height, &info.MipLevels, 0, &info.Format,
                                            D3DPOOL_MANAGED)))
      throw "\nD3DXCheckTextureRequirements() failed";
    if (FAILED(D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &loaded)))
      throw "\nD3DXCreateTextureFromFileEx() failed";
    if (FAILED(device->CreateTexture(info.Width, info.Height, 1, 0, info.Format, D3DPOOL_MANAGED, &m_texture)))
      throw "\nCreateTexture() failed";
    if (FAILED(m_texture->GetSurfaceLevel(0, &target)) || FAILED(loaded->GetSurfaceLevel(0, &source)))
      throw "\nGetSurfaceLevel() failed";
    if (FAILED(D3DXLoadSurfaceFromSurface(target, nullptr, nullptr, source, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0)))
      throw "\nD3DXLoadSurfaceFromSurface() failed";
  } catch (const char* message) {
    DEBUG_TRACE("%s in CTextureContainer::CreateTextureFromFile() for %s", message, path);
    made = false;
  }
  if (source) source->Release();
  if (target) target->Release();
  if (loaded) SafeRelease(&loaded);
  // A texture whose filling failed is not kept: the name then counts as not
  // loaded, as callers received no texture.
  if (!made) {
    if (m_texture) SafeRelease(&m_texture);
    return false;
  }
  out = m_texture;
  return true;
}

// ---------------------------------------------------------------------------
// CDXTextureManager

CDXTextureManager::CDXTextureManager() : m_textures(10) {}

void CDXTextureManager::DestroyContent() {
  POSITION pos = m_textures.GetStartPosition();
  while (pos) {
    CString name;
    void* value = nullptr;
    m_textures.GetNextAssoc(pos, name, value);
    delete static_cast<CTextureContainer*>(value);
  }
  m_textures.RemoveAll();
  m_folders.clear();
}

bool CDXTextureManager::CreateTextureFromFile(char* fileName, char* directory, IDirect3DTexture8** texture) {
  *texture = nullptr;
  if (!fileName) return true;
  // False only when an exception ends the request.
  return GuardedCall([&] {
    CString path;
    if (std::strchr(fileName, ':'))
      path = fileName;
    else
      path.Format("%s%s", directory ? directory : "", fileName);
    if (directory && *directory && std::find(m_folders.begin(), m_folders.end(), CString(directory)) == m_folders.end())
      m_folders.emplace_back(directory);
    // The request's own folder first, then the document's other folders.
    std::vector<CString> folders;
    if (directory && *directory) folders.emplace_back(directory);
    for (const CString& folder : m_folders)
      if (folders.empty() || folder != folders.front()) folders.push_back(folder);
    void* value = nullptr;
    CTextureContainer* container;
    if (m_textures.Lookup(fileName, value)) {
      container = static_cast<CTextureContainer*>(value);
      if (container->GetTexture()) {
        *texture = container->GetTexture();
        return;
      }
    } else {
      container = new CTextureContainer;
      m_textures.SetAt(fileName, container);
    }
    const CString found = ResolveTextureFile(fileName, path, folders);
    IDirect3DTexture8* made = nullptr;
    const CString& load = found.IsEmpty() ? path : found;
    container->CreateTextureFromFile(load, made, D3DFMT_UNKNOWN);
    *texture = made;
  });
}

bool CDXTextureManager::TextureLoaded(char* fileName) {
  void* value = nullptr;
  return fileName && m_textures.Lookup(fileName, value) && static_cast<CTextureContainer*>(value)->GetTexture();
}

CDXTextureManager* GetTextureManager(CDXThread* thread) {
  return thread ? GetTextureManager(thread->GetDXDoc()) : nullptr;
}

CDXTextureManager* GetTextureManager(CDXDoc* doc) { return doc ? doc->GetTextureManager() : nullptr; }
