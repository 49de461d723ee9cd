#include "dxmesh.h"

#include <appfiles.h>
#include <appoptions.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <dxmeshwriter.h>
#include <geo_mesh.h>
#include <materialpresets.h>
#include <rmxfguid.h>
#include <tracelog.h>
#include <vectortransforms.h>
#include <xskinexp.h>

#include <cstring>
#include <vector>

#include "dxmesh_drawstate.h"
#include "dxmesh_internal.h"
#include "dxtexturemanager.h"
#include "failureguard.h"
#include "material.h"
#include "meshparts.h"
#include "objectlock.h"
#include "skinweights.h"

IDirect3DDevice8* DXMeshDevice() { return g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr; }

char* DuplicateString(const char* text) {
  if (!text) return nullptr;
  const size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  return copy;
}

void DestroyMaterialsArray(D3DXMATERIAL*& materials, DWORD count) {
  if (!materials) return;
  for (DWORD i = 0; i < count; ++i) delete[] materials[i].pTextureFilename;
  delete[] materials;
  materials = nullptr;
}

CDXMesh::CDXMesh() : m_BoneSkinWeights(10), m_SkinnedBoneSkinWeights(10) { ClearContent(); }

CDXMesh::~CDXMesh() {
  BeginTeardown();
  DestroyContent(false);
}

void CDXMesh::ClearContent() {
  CBaseMesh::ClearContent();
  m_pMesh = nullptr;
  m_dwNumMaterials = 0;
  m_pMaterials = nullptr;
  m_pConvertedMaterials = nullptr;
  m_ppTextures = nullptr;
  m_pAdjacency = nullptr;
  m_dwAttributeTableSize = 0;
  m_pAttributeTable = nullptr;
  m_ppMaterialNames = nullptr;
  m_pSkinMeshHeader = nullptr;
  ClearSkinContent();
  m_bDefaultMaterials = false;
}

void CDXMesh::DestroyDXMeshContent() {
  if (m_ppMaterialNames) {
    for (DWORD i = 0; i < m_dwNumMaterials; ++i) delete[] m_ppMaterialNames[i];
    delete[] m_ppMaterialNames;
    m_ppMaterialNames = nullptr;
  }
  DestroyConvertedMaterials();
  delete[] m_pAttributeTable;
  m_pAttributeTable = nullptr;
  m_dwAttributeTableSize = 0;
  SafeRelease(&m_pMesh);
  delete[] m_pAdjacency;
  m_pAdjacency = nullptr;
  delete[] m_ppTextures;  // the textures belong to the texture manager
  m_ppTextures = nullptr;
  DestroyMaterialsArray(m_pMaterials, m_dwNumMaterials);
  m_dwNumMaterials = 0;
  m_MaterialObjects.RemoveAll();
  DestroySkinContent();
  m_SkinWeights.RemoveAll();
  m_pSkinMeshHeader = nullptr;
  m_bDefaultMaterials = false;
}

void CDXMesh::DestroyContent(bool) {
  DestroyDXMeshContent();
  CBaseMesh::DestroyContent(IsMainThread());
  ClearContent();
}

void CDXMesh::DeleteContent(bool tryLock) {
  if (tryLock) {
    if (!Trylock()) throw "Info: Cannot lock the CDXMesh object.";
  } else {
    Lock();
  }
  try {
    if (!IsDeleted()) {
      DestroyDXMeshContent();
      CBaseMesh::DeleteContent(tryLock);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void CDXMesh::DeleteContentTL() {
  if (IsDeletedTL()) return;
  if (!Trylock()) throw "\nInfo: Cannot lock the dx file object.";
  try {
    DestroyDXMeshContent();
    CBaseMesh::DeleteContentTL();
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void CDXMesh::SetDataMembers(ID3DXMesh* mesh, DWORD numMaterials, D3DXMATERIAL* materials,
                             IDirect3DTexture8** textures, DWORD* adjacency, DWORD attributeTableSize,
                             D3DXATTRIBUTERANGE* attributeTable, CGBox* box, CGSphere* sphere, bool ready) {
  m_pMesh = mesh;
  m_dwNumMaterials = numMaterials;
  m_pMaterials = materials;
  m_ppTextures = textures;
  m_pAdjacency = adjacency;
  m_dwAttributeTableSize = attributeTableSize;
  m_pAttributeTable = attributeTable;
  if (box && GetBoundingBox()) GetBoundingBox()->Initialize(box->GetMinFS(), box->GetMaxFS(), false);
  if (sphere && GetBoundingSphere()) GetBoundingSphere()->Initialize(sphere->GetRadiusFS(), sphere->GetCenterFS());
  SetReadyForRendering(ready);
}

bool CDXMesh::ComputeBoundingObjects() {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    CMeshBufferLock buffers(this);
    D3DXVECTOR3 min, max, corners[8];
    if (!m_pMesh || !GetBoundingBox() || !ComputeBoundingBoxD3DMesh(m_pMesh, &min, &max, corners))
      throw "\nError: ComputeBoundingBoxD3DMesh() failed in CSimpleShape::CreateBoundingObjects()";
    GetBoundingBox()->Initialize(&min, &max, corners, false);
    GetBoundingBox()->ComputeBoundingSphere(GetBoundingSphere(), false);
  });
}

DWORD CDXMesh::GetNumFaces(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pMesh ? 0 : m_pMesh->GetNumFaces();
}

DWORD CDXMesh::GetNumVertices(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() || !m_pMesh ? 0 : m_pMesh->GetNumVertices();
}

const D3DMATERIAL8& CDXMesh::MaterialOf(DWORD attribId) const {
  return MaterialInList(m_pMaterials, m_dwNumMaterials, attribId);
}

IDirect3DTexture8* CDXMesh::TextureOf(DWORD attribId) const {
  return TextureInList(m_ppTextures, m_dwNumMaterials, attribId);
}

// ---------------------------------------------------------------------------
// Loading and saving

bool CDXMesh::Load(IDirectXFileData* data, DWORD, BYTE*, char* fileDirectory, CDXThread* thread) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return true;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  const bool loaded = GuardedCall([&] {
    // The name buffer holds the whole name, whatever its length.
    DWORD length = 0;
    std::vector<char> name(1, '\0');
    if (SUCCEEDED(data->GetName(nullptr, &length)) && length) {
      name.assign(static_cast<size_t>(length) + 1, '\0');
      if (FAILED(data->GetName(name.data(), &length))) name.assign(1, '\0');
    }
    if (!CBaseMesh::Initialize(name.data())) throw "Error: CBaseMesh::Initialize() failed.";
    if (FAILED(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, DXMeshDevice(), &adjacency, &materials,
                                   &m_dwNumMaterials, &m_pMesh)))
      throw "Error: D3DXLoadMeshFromXof() failed.";
    if (!m_pMesh || m_pMesh->GetNumFaces() == 0) {
      m_dwNumMaterials = 0;
      return;
    }
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    if ((m_pMesh->GetFVF() & D3DFVF_NORMAL) && FAILED(D3DXComputeNormals(m_pMesh, nullptr)))
      throw "\nD3DXComputeNormals() failed.";
    if (!CopyMaterialsArray(m_pMaterials, m_ppTextures, m_dwNumMaterials, fileDirectory, materials, thread))
      throw "\nError: CopyMaterialsArray() failed.";
    SafeRelease(&materials);
    if (!ComputeBoundingObjects()) throw "Error: InitializeBoundingObjects() failed.";
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  SafeRelease(&adjacency);
  SafeRelease(&materials);
  if (!loaded) DestroyContent(false);
  return loaded;
}

HRESULT CDXMesh::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) {
  *out = nullptr;
  CObjectLock lock(this, false);
  if (IsDeleted()) return S_OK;
  const bool saved = GuardedCall([&] {
    CMeshBufferLock buffers(this);
    // A skinned mesh goes out without its blend weights, after the skin
    // weights were read back from the blended vertices.
    ID3DXMesh* mesh = m_pMesh;
    ID3DXMesh* nonBlended = nullptr;
    struct SRelease {
      ID3DXMesh*& mesh;
      ~SRelease() { SafeRelease(&mesh); }
    } releaseNonBlended{nonBlended};
    if (m_dwNumBlendWeights) {
      UpdateSkinWeights();
      CreateNonBlendedMesh(&nonBlended);
      mesh = nonBlended;
    }
    if (!mesh) throw "\nError: No mesh to save.";
    InitializeConvertedMaterials();
    const DWORD format = g_appOptions.dwXFileFormat;
    CString name(GetName() ? GetName() : "");
    if (format & DXFILEFORMAT_TEXT) name = GetDXTemplateName(name);
    // A mesh that came without a material list goes out without one: the
    // default list would make other programs draw it translucent.
    const DWORD count = m_bDefaultMaterials ? 0 : m_dwNumMaterials;
    if (FAILED(D3DXSaveDXMeshToXof2(saveObject, mesh, nullptr, count ? m_pConvertedMaterials : nullptr, count,
                                    format, out, &m_MaterialObjects, name)))
      throw "\nD3DXSaveMeshToXofEx() failed.";
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(mesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(mesh->GetNumFaces(), 0.0f);
    }
  });
  return saved ? S_OK : E_FAIL;
}

void CDXMesh::DestroyConvertedMaterials() { DestroyMaterialsArray(m_pConvertedMaterials, m_dwNumMaterials); }

void CDXMesh::InitializeConvertedMaterials() {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  DestroyConvertedMaterials();
  if (!m_pMaterials || !m_dwNumMaterials) return;
  const bool text = (g_appOptions.dwXFileFormat & DXFILEFORMAT_TEXT) != 0;
  m_pConvertedMaterials = new D3DXMATERIAL[m_dwNumMaterials];
  for (DWORD i = 0; i < m_dwNumMaterials; ++i) {
    m_pConvertedMaterials[i].MatD3D = m_pMaterials[i].MatD3D;
    m_pConvertedMaterials[i].pTextureFilename = nullptr;
  }
  for (DWORD i = 0; i < m_dwNumMaterials; ++i) {
    const char* texture = m_pMaterials[i].pTextureFilename;
    if (!texture) continue;
    CString copy(texture);
    if (text) copy.Replace("\\", "\\\\");
    m_pConvertedMaterials[i].pTextureFilename = DuplicateString(copy);
  }
}

void CDXMesh::SetOptionalMembers() {
  GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    // Every SkinWeights child is kept, however many there are.
    m_SkinWeights.RemoveAll();
    CChildObjectList& children = GetChildObjectList();
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
      if (!child) continue;
      if (child->IsATemplateGUID(&DXFILEOBJ_XSkinMeshHeader)) {
        m_pSkinMeshHeader = static_cast<CSkinMeshHeader*>(child);
      } else if (child->IsATemplateGUID(&DXFILEOBJ_SkinWeights)) {
        m_SkinWeights.Add(static_cast<CSkinWeights*>(child));
      } else if (child->IsATemplateGUID(&TID_D3DRMMeshMaterialList)) {
        auto* list = static_cast<CMeshMaterialList*>(child);
        m_MaterialObjects.RemoveAll();
        POSITION m = list->GetChildHeadPosition();
        for (CMaterial* material = list->GetNextMaterial(m); material; material = list->GetNextMaterial(m))
          if (!material->IsDeleted()) m_MaterialObjects.Add(material);
        m_MaterialObjects.FreeExtra();
      }
    }
    m_SkinWeights.FreeExtra();
  });
}

// ---------------------------------------------------------------------------
// Material copies

bool CDXMesh::CopyMaterialsArray(D3DXMATERIAL*& materials, IDirect3DTexture8**& textures, DWORD& count,
                                 char* textureDirectory, ID3DXBuffer* materialBuffer, CDXThread* thread) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    materials = nullptr;
    textures = nullptr;
    CDXTextureManager* manager = GetTextureManager(thread);
    if (materialBuffer && count) {
      const auto* source = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
      materials = new D3DXMATERIAL[count]();
      textures = new IDirect3DTexture8*[count]();
      for (DWORD i = 0; i < count; ++i) {
        materials[i].MatD3D = source[i].MatD3D;
        materials[i].pTextureFilename = DuplicateString(source[i].pTextureFilename);
        if (materials[i].pTextureFilename && manager)
          manager->CreateTextureFromFile(materials[i].pTextureFilename, textureDirectory, &textures[i]);
      }
      m_bDefaultMaterials = false;
    } else {
      count = 1;
      materials = new D3DXMATERIAL[1]();
      materials[0].MatD3D = DefaultMaterial();
      textures = new IDirect3DTexture8*[1]();
      m_bDefaultMaterials = true;
    }
  });
}

bool CDXMesh::InitializeClone(CGeoMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                              CDXThread* thread) {
  return GuardedCall([&] {
    if (!target->Initialize2(m_pMesh, m_pAdjacency, m_dwNumMaterials, m_pMaterials, m_ppTextures, GetBoundingBox(),
                             GetBoundingSphere(), frame, GetName(), device, options, thread))
      throw "Error: CGeoMesh::Initialize() failed.";
    // A mesh drawn with the default material only is written back without a
    // material list, as it came.
    if (m_bDefaultMaterials) target->SetSourcePartNames(nullptr, nullptr, nullptr);
  });
}
