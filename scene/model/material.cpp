#include "material.h"

#include <rmxfguid.h>
#include <tracelog.h>

#include <cstring>

#include "texturefile.h"

namespace {

// The Material template's block.
struct SMaterialBlock {
  float faceColor[4];
  float power;
  float specularColor[3];
  float emissiveColor[3];
};
static_assert(sizeof(SMaterialBlock) == 44);

}  // namespace

CMaterial::CMaterial() { ClearContent(); }

CMaterial::~CMaterial() {
  BeginTeardown();
  DestroyContent();
}

void CMaterial::ClearContent() {
  std::memset(&m_material, 0, sizeof(m_material));
  m_textureFile = nullptr;
}

bool CMaterial::DestroyContent() {
  // The texture file is a child: the base frees it with the others.
  CXFileDataObject::DestroyContent(false);
  ClearContent();
  return true;
}

bool CMaterial::Initialize(D3DMATERIAL8* material, char* textureFileName, char* textureDirectory, char* name,
                           CDXThread* thread) {
  try {
    if (!DestroyContent()) return false;
    if (FAILED(CXFileDataObject::Initialize(name, &TID_D3DRMMaterial, false))) return false;
    m_material = *material;
    if (textureFileName) {
      m_textureFile = new CTextureFile;
      AddChildObject(eOwnedChild, m_textureFile, false);
      if (!m_textureFile->Initialize(textureFileName, textureDirectory, nullptr, thread)) return false;
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CMaterial::Initialize() {
  D3DMATERIAL8 material;
  material.Diffuse = {1.0f, 1.0f, 1.0f, 0.7f};
  material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Emissive = {0.2f, 0.2f, 0.2f, 0.5f};
  material.Power = 30.0f;
  return Initialize(&material, nullptr, nullptr, nullptr, nullptr);
}

bool CMaterial::Initialize(D3DXMATERIAL* material, char* name, char* textureDirectory, CDXThread* thread) {
  return Initialize(&material->MatD3D, material->pTextureFilename, textureDirectory, name, thread);
}

bool CMaterial::Initialize(CMaterial* source, CDXThread* thread) {
  CTextureFile* texture = source->GetTextureFile();
  if (!texture) return Initialize(source->GetMaterial(), nullptr, nullptr, nullptr, thread);
  return Initialize(source->GetMaterial(), texture->GetFileName(), texture->GetFileDirectory(), texture->GetName(),
                    thread);
}

void CMaterial::SetTextureFile() {
  auto* texture = dynamic_cast<CTextureFile*>(GetChildXfileDataObject(&TID_D3DRMTextureFilename, false, false));
  if (texture) m_textureFile = texture;
}

IDirect3DTexture8* CMaterial::GetTexture() const { return m_textureFile ? m_textureFile->GetTexture() : nullptr; }

bool CMaterial::IsOpaque() const { return m_material.Diffuse.a >= 1.0f; }

bool CMaterial::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  ClearContent();
  if (!LoadWithBlock(data, size, block, sizeof(SMaterialBlock), fileDirectory, thread)) return false;
  SMaterialBlock b;
  std::memcpy(&b, block, sizeof(b));
  m_material.Diffuse = {b.faceColor[0], b.faceColor[1], b.faceColor[2], b.faceColor[3]};
  m_material.Ambient = m_material.Diffuse;
  m_material.Specular = {b.specularColor[0], b.specularColor[1], b.specularColor[2], 1.0f};
  m_material.Emissive = {b.emissiveColor[0], b.emissiveColor[1], b.emissiveColor[2], 1.0f};
  m_material.Power = b.power;
  return true;
}

HRESULT CMaterial::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const D3DMATERIAL8& m = m_material;
  SMaterialBlock b = {{m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a},
                      m.Power,
                      {m.Specular.r, m.Specular.g, m.Specular.b},
                      {m.Emissive.r, m.Emissive.g, m.Emissive.b}};
  try {
    *out = CreateSaveData(saveObject, sizeof(b), &b,
                          "IDirectXFileSaveObject::CreateDataObject \t\t\t\t\t\t\t\t\t\t\t\tfailed in CMaterial::Save");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
