#include "dxmeshwriter.h"

#include <appfiles.h>
#include <fvflayout.h>
#include <rmxfguid.h>
#include <xskinexp.h>

#include <cstring>
#include <new>
#include <vector>

#include "datablock.h"
#include "dxcrackfvf.h"
#include "material.h"
#include "xfiletemplates.h"

namespace {

template <class Interface>
void Release(Interface*& p) {
  if (p) p->Release();
  p = nullptr;
}

// Creates an unnamed data object of the template from the block and adds it
// to parent.
HRESULT AddPart(IDirectXFileSaveObject* saveObject, const GUID& type, CDataBlockWriter& block,
                IDirectXFileData* parent, IDirectXFileData** created = nullptr) {
  IDirectXFileData* data = nullptr;
  HRESULT hr = CreateXFileDataObject(saveObject, type, nullptr, nullptr, block.Block(), &data);
  if (FAILED(hr)) {
    OutputDebugStringA("Failed to create x file data object!");
    return hr;
  }
  hr = parent->AddDataObject(data);
  if (FAILED(hr)) OutputDebugStringA("Failed to add x file data object!");
  if (SUCCEEDED(hr) && created) {
    *created = data;
    return hr;
  }
  data->Release();
  return hr;
}

DWORD IndexAt(const BYTE* indices, DWORD i, bool wide) {
  if (wide) {
    DWORD index;
    std::memcpy(&index, indices + 4 * static_cast<size_t>(i), sizeof(index));
    return index;
  }
  WORD index;
  std::memcpy(&index, indices + 2 * static_cast<size_t>(i), sizeof(index));
  return index;
}

// Per face: 3 and its three vertex numbers.
void WriteFaces(CDataBlockWriter& block, ID3DXMesh* mesh, const BYTE* indices) {
  const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
  const DWORD faces = mesh->GetNumFaces();
  block.Write(faces);
  for (DWORD f = 0; f < faces; ++f) {
    block.Write(DWORD{3});
    for (DWORD k = 0; k < 3; ++k) block.Write(IndexAt(indices, 3 * f + k, wide));
  }
}

void WriteColor(CDataBlockWriter& block, const D3DCOLORVALUE& color, bool alpha) {
  block.Write(color.r);
  block.Write(color.g);
  block.Write(color.b);
  if (alpha) block.Write(color.a);
}

// Texture set 0 of two floats is written as MeshTextureCoords and taken out
// of the rest of the format.
bool HasTextureCoordinates(const DXCrackFVF& fvf) { return fvf.HasTexCoords() && fvf.GetTexCoordSize(0) == 8; }

// Holds the three locks of a mesh's buffers; each is given back once.
class CMeshBuffers {
 public:
  explicit CMeshBuffers(ID3DXMesh* mesh) : m_mesh(mesh) {}
  ~CMeshBuffers() {
    if (vertices) m_mesh->UnlockVertexBuffer();
    UnlockIndices();
    if (attributes) m_mesh->UnlockAttributeBuffer();
  }
  CMeshBuffers(const CMeshBuffers&) = delete;
  CMeshBuffers& operator=(const CMeshBuffers&) = delete;

  HRESULT Lock() {
    HRESULT hr = m_mesh->LockVertexBuffer(D3DLOCK_NOSYSLOCK, &vertices);
    if (SUCCEEDED(hr)) hr = m_mesh->LockIndexBuffer(D3DLOCK_NOSYSLOCK, &indices);
    if (SUCCEEDED(hr)) hr = m_mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
    return hr;
  }
  void UnlockIndices() {
    if (indices) m_mesh->UnlockIndexBuffer();
    indices = nullptr;
  }

  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  DWORD* attributes = nullptr;

 private:
  ID3DXMesh* m_mesh;
};

// What the writer refuses: no mesh, materials missing for a count, or
// buffers that cannot be read.
HRESULT CheckMesh(ID3DXMesh* mesh, D3DXMATERIAL* materials, DWORD materialCount) {
  if (!mesh || (!materials && materialCount != 0)) return D3DERR_INVALIDCALL;
  if (mesh->GetOptions() & (D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY)) return D3DERR_INVALIDCALL;
  return S_OK;
}

}  // namespace

HRESULT DXMeshAddNormals(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                         const BYTE* indices, IDirectXFileData* parent) {
  const DXCrackFVF fvf(mesh->GetFVF());
  const DWORD count = mesh->GetNumVertices();
  CDataBlockWriter block(12 * static_cast<size_t>(count) + 16 * static_cast<size_t>(mesh->GetNumFaces()) + 8);
  block.Write(count);
  for (DWORD i = 0; i < count; ++i)
    block.WriteArray(fvf.GetNormal(fvf.GetVertex(const_cast<BYTE*>(vertices), i)), 3, sizeof(float));
  // The normal of a corner is the normal of its vertex.
  WriteFaces(block, mesh, indices);
  return AddPart(saveObject, TID_D3DRMMeshNormals, block, parent);
}

HRESULT DXMeshAddTextureCoordinates(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                                    IDirectXFileData* parent) {
  const DXCrackFVF fvf(mesh->GetFVF());
  const DWORD count = mesh->GetNumVertices();
  CDataBlockWriter block(8 * static_cast<size_t>(count) + 4);
  block.Write(count);
  for (DWORD i = 0; i < count; ++i)
    block.WriteArray(fvf.GetTexCoordPointer(fvf.GetVertex(const_cast<BYTE*>(vertices), i)), 2, sizeof(float));
  return AddPart(saveObject, TID_D3DRMMeshTextureCoords, block, parent);
}

HRESULT DXMeshAddVertexColors(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                              IDirectXFileData* parent) {
  const DXCrackFVF fvf(mesh->GetFVF());
  const DWORD count = mesh->GetNumVertices();
  const float scale = 1.0f / 255.0f;
  CDataBlockWriter block(20 * static_cast<size_t>(count) + 4);
  block.Write(count);
  for (DWORD i = 0; i < count; ++i) {
    const DWORD argb = fvf.GetDiffuse(fvf.GetVertex(const_cast<BYTE*>(vertices), i));
    block.Write(i);
    for (int shift : {16, 8, 0, 24}) block.Write(static_cast<float>((argb >> shift) & 0xFF) * scale);
  }
  return AddPart(saveObject, TID_D3DRMMeshVertexColors, block, parent);
}

HRESULT DXMeshAddVertexDuplicationIndices(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh,
                                          const DWORD* adjacency, IDirectXFileData* parent) {
  const DWORD count = mesh->GetNumVertices();
  std::vector<DWORD> representatives;
  try {
    representatives.resize(count);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  HRESULT hr = mesh->ConvertAdjacencyToPointReps(adjacency, representatives.data());
  if (FAILED(hr)) return hr;
  DWORD own = 0;
  for (DWORD i = 0; i < count; ++i) own += representatives[i] == i ? 1 : 0;
  if (own == count) return S_OK;
  CDataBlockWriter block(4 * static_cast<size_t>(count) + 8);
  block.Write(count);
  block.Write(own);
  block.WriteArray(representatives.data(), count, sizeof(DWORD));
  return AddPart(saveObject, DXFILEOBJ_VertexDuplicationIndices, block, parent);
}

HRESULT DXMeshAddMaterial(IDirectXFileSaveObject* saveObject, const D3DXMATERIAL* material,
                          IDirectXFileData* parent) {
  return DXMeshAddMaterial2(saveObject, material, 0, nullptr, parent);
}

HRESULT DXMeshAddMaterial2(IDirectXFileSaveObject* saveObject, const D3DXMATERIAL* material, DWORD flags,
                           CMaterial* materialObject, IDirectXFileData* parent) {
  CDataBlockWriter block(44);
  WriteColor(block, material->MatD3D.Diffuse, true);
  block.Write(material->MatD3D.Power);
  WriteColor(block, material->MatD3D.Specular, false);
  WriteColor(block, material->MatD3D.Emissive, false);
  CString name;
  if (materialObject && materialObject->GetName()) {
    name = materialObject->GetName();
    if (flags & DXFILEFORMAT_TEXT) name = GetDXTemplateName(name);
  }
  IDirectXFileData* data = nullptr;
  HRESULT hr = saveObject->CreateDataObject(TID_D3DRMMaterial, name.IsEmpty() ? nullptr : static_cast<LPCSTR>(name),
                                            nullptr, block.GetSize(), block.GetData(), &data);
  if (FAILED(hr)) {
    OutputDebugStringA("Failed to create x file data object!");
    return hr;
  }
  if (material->pTextureFilename && *material->pTextureFilename) {
    CDataBlockWriter texture;
    texture.Write(static_cast<const char*>(material->pTextureFilename));
    hr = AddPart(saveObject, TID_D3DRMTextureFilename, texture, data);
  }
  if (SUCCEEDED(hr)) {
    hr = parent->AddDataObject(data);
    if (FAILED(hr)) OutputDebugStringA("Failed to add x file data object!");
  }
  data->Release();
  return hr;
}

HRESULT DXMeshAddFaceMaterials(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* attributes,
                               D3DXMATERIAL* materials, DWORD materialCount, IDirectXFileData* parent) {
  return DXMeshAddFaceMaterials2(saveObject, mesh, attributes, materials, materialCount, 0, nullptr, parent);
}

HRESULT DXMeshAddFaceMaterials2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* attributes,
                                D3DXMATERIAL* materials, DWORD materialCount, DWORD flags,
                                const CMaterialArray* materialObjects, IDirectXFileData* parent) {
  const DWORD faces = mesh->GetNumFaces();
  CDataBlockWriter block(4 * static_cast<size_t>(faces) + 8);
  block.Write(materialCount);
  block.Write(faces);
  block.WriteArray(attributes, faces, sizeof(DWORD));
  IDirectXFileData* list = nullptr;
  HRESULT hr = AddPart(saveObject, TID_D3DRMMeshMaterialList, block, parent, &list);
  if (FAILED(hr)) return hr;
  const bool named = materialObjects && static_cast<DWORD>(materialObjects->GetSize()) == materialCount;
  for (DWORD i = 0; i < materialCount && SUCCEEDED(hr); ++i)
    hr = named ? DXMeshAddMaterial2(saveObject, &materials[i], flags, materialObjects->GetAt(i), list)
               : DXMeshAddMaterial(saveObject, &materials[i], list);
  list->Release();
  return hr;
}

HRESULT DXMeshAddOtherFVFData(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                              IDirectXFileData* parent) {
  const DWORD format = mesh->GetFVF();
  const FvfLayout layout = DecodeFvf(format);
  const bool takeFirstSet = HasTextureCoordinates(DXCrackFVF(format));
  DWORD remaining = format & ~static_cast<DWORD>(D3DFVF_NORMAL | D3DFVF_DIFFUSE);
  if (takeFirstSet) {
    const DWORD sets = ((remaining & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) - 1;
    remaining = (remaining & 0xFFFF & ~static_cast<DWORD>(D3DFVF_TEXCOUNT_MASK)) |
                (sets << D3DFVF_TEXCOUNT_SHIFT) | ((remaining >> 18) << 16);
  }
  const FvfLayout rest = DecodeFvf(remaining);
  if (rest.stride <= 12) return S_OK;
  const DWORD restSize = rest.stride - 12;
  if (restSize % 4 != 0) return D3DERR_INVALIDCALL;

  const DWORD count = mesh->GetNumVertices();
  CDataBlockWriter block(8 + static_cast<size_t>(count) * restSize);
  block.Write(remaining);
  block.Write(count * (restSize / 4));
  for (DWORD i = 0; i < count; ++i) {
    const BYTE* vertex = vertices + static_cast<size_t>(i) * layout.stride;
    // What follows the three position floats in the position block: blend
    // values, or the rhw of a transformed position.
    block.WriteArray(vertex + 12, layout.positionSize - 12, 1);
    if (layout.HasPointSize()) block.WriteArray(vertex + layout.pointSize, 4, 1);
    if (layout.HasSpecular()) block.WriteArray(vertex + layout.specular, 4, 1);
    for (UINT set = takeFirstSet ? 1 : 0; set < layout.texCount; ++set)
      block.WriteArray(vertex + layout.texOffset[set], layout.texSize[set], 1);
  }
  return AddPart(saveObject, DXFILEOBJ_FVFData, block, parent);
}

HRESULT D3DXSaveDXMeshToXofEx2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                               D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                               const CMaterialArray* materialObjects, const char* name, BYTE* pmBlock,
                               DWORD pmBlockSize) {
  if (!out || !saveObject) return D3DERR_INVALIDCALL;
  *out = nullptr;
  HRESULT hr = CheckMesh(mesh, materials, materialCount);
  if (FAILED(hr)) return hr;

  CMeshBuffers buffers(mesh);
  hr = buffers.Lock();
  if (FAILED(hr)) return hr;
  const DXCrackFVF fvf(mesh->GetFVF());
  const DWORD count = mesh->GetNumVertices();

  IDirectXFileData* data = nullptr;
  {
    CDataBlockWriter block(12 * static_cast<size_t>(count) + 16 * static_cast<size_t>(mesh->GetNumFaces()) + 8);
    block.Write(count);
    for (DWORD i = 0; i < count; ++i) block.WriteArray(fvf.GetVertex(buffers.vertices, i), 3, sizeof(float));
    WriteFaces(block, mesh, buffers.indices);
    hr = CreateXFileDataObject(saveObject, TID_D3DRMMesh, name && *name ? name : nullptr, nullptr, block.Block(), &data);
    if (FAILED(hr)) return hr;
  }
  if (fvf.HasNormal()) hr = DXMeshAddNormals(saveObject, mesh, buffers.vertices, buffers.indices, data);
  buffers.UnlockIndices();
  if (SUCCEEDED(hr) && HasTextureCoordinates(fvf))
    hr = DXMeshAddTextureCoordinates(saveObject, mesh, buffers.vertices, data);
  if (SUCCEEDED(hr) && fvf.HasDiffuse()) hr = DXMeshAddVertexColors(saveObject, mesh, buffers.vertices, data);
  if (SUCCEEDED(hr) && materialCount != 0)
    hr = DXMeshAddFaceMaterials2(saveObject, mesh, buffers.attributes, materials, materialCount, flags,
                                 materialObjects, data);
  if (SUCCEEDED(hr) && adjacency) hr = DXMeshAddVertexDuplicationIndices(saveObject, mesh, adjacency, data);
  if (SUCCEEDED(hr)) hr = DXMeshAddOtherFVFData(saveObject, mesh, buffers.vertices, data);
  if (SUCCEEDED(hr) && pmBlock) {
    CDataBlockWriter block(pmBlockSize);
    block.WriteArray(pmBlock, pmBlockSize, 1);
    hr = AddPart(saveObject, DXFILEOBJ_PMInfo, block, data);
  }
  if (FAILED(hr)) {
    data->Release();
    return hr;
  }
  *out = data;
  return hr;
}

HRESULT D3DXSaveDXMeshToXof2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                             D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                             const CMaterialArray* materialObjects, const char* name) {
  return D3DXSaveDXMeshToXofEx2(saveObject, mesh, adjacency, materials, materialCount, flags, out, materialObjects,
                                name, nullptr, 0);
}

HRESULT D3DXSaveDXMeshToXofEx(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                              D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                              BYTE* pmBlock, DWORD pmBlockSize) {
  return D3DXSaveDXMeshToXofEx2(saveObject, mesh, adjacency, materials, materialCount, flags, out, nullptr, nullptr,
                                pmBlock, pmBlockSize);
}

HRESULT D3DXSaveDXMeshToXof(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                            D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out) {
  return D3DXSaveDXMeshToXofEx(saveObject, mesh, adjacency, materials, materialCount, flags, out, nullptr, 0);
}

HRESULT D3DXSaveDXMeshToXEx(const char* path, ID3DXMesh* mesh, const DWORD* adjacency, D3DXMATERIAL* materials,
                            DWORD materialCount, DWORD format, BYTE* pmBlock, DWORD pmBlockSize) {
  IDirectXFile* file = nullptr;
  IDirectXFileSaveObject* saveObject = nullptr;
  IDirectXFileData* data = nullptr;
  // A refused mesh leaves no file behind.
  HRESULT hr = CheckMesh(mesh, materials, materialCount);
  if (SUCCEEDED(hr)) hr = DirectXFileCreate(&file);
  if (SUCCEEDED(hr)) hr = RegisterXFileTemplates(file);
  if (SUCCEEDED(hr)) hr = file->CreateSaveObject(path, format, &saveObject);
  if (SUCCEEDED(hr)) {
    const GUID* meshTemplates[] = {&DXFILEOBJ_VertexDuplicationIndices, &DXFILEOBJ_FVFData};
    hr = saveObject->SaveTemplates(2, meshTemplates);
  }
  if (SUCCEEDED(hr) && pmBlock) {
    const GUID* pmTemplates[] = {&DXFILEOBJ_PMAttributeRange, &DXFILEOBJ_PMVSplitRecord, &DXFILEOBJ_PMInfo};
    hr = saveObject->SaveTemplates(3, pmTemplates);
  }
  if (SUCCEEDED(hr))
    hr = D3DXSaveDXMeshToXofEx(saveObject, mesh, adjacency, materials, materialCount, format, &data, pmBlock,
                               pmBlockSize);
  if (SUCCEEDED(hr)) hr = saveObject->SaveData(data);
  if (saveObject) {
    const HRESULT finished = FinishXFileSave(saveObject, SUCCEEDED(hr));
    if (SUCCEEDED(hr)) hr = finished;
  }
  Release(data);
  Release(saveObject);
  Release(file);
  return hr;
}
