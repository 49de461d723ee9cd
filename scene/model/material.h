// The Material data object: a Direct3D material and, as its child, the file
// name of its texture.
#pragma once

#include <d3d8types.h>
#include <d3dx8mesh.h>

#include "xfiledataobject.h"

class CTextureFile;
struct IDirect3DTexture8;

class CMaterial : public CXFileDataObject {
 public:
  CMaterial();
  ~CMaterial() override;

  bool DestroyContent();
  bool Initialize(D3DMATERIAL8* material, char* textureFileName, char* textureDirectory, char* name, CDXThread* thread);
  // The default material: white, partly transparent, no texture.
  bool Initialize();
  bool Initialize(D3DXMATERIAL* material, char* name, char* textureDirectory, CDXThread* thread);
  bool Initialize(CMaterial* source, CDXThread* thread);

  // Takes the first TextureFilename child not marked deleted as the texture file.
  void SetTextureFile();
  D3DMATERIAL8* GetMaterial() { return &m_material; }
  CTextureFile* GetTextureFile() const { return m_textureFile; }
  IDirect3DTexture8* GetTexture() const;
  bool IsOpaque() const;

  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  D3DMATERIAL8 m_material;
  CTextureFile* m_textureFile;  // owned through the child list
};
