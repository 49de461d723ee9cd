#include "xfiletemplates.h"

#include <rmxfguid.h>
#include <rmxftmpl.h>
#include <xskinexp.h>

#include <cstring>
#include <new>

HRESULT RegisterXFileTemplates(IDirectXFile* file) {
  if (!file) return E_POINTER;
  HRESULT hr = file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES);
  if (FAILED(hr)) return hr;
  hr = file->RegisterTemplates(const_cast<char*>(XSKINEXP_TEMPLATES), lstrlenA(XSKINEXP_TEMPLATES));
  if (FAILED(hr)) return hr;
  return file->RegisterTemplates(const_cast<char*>(XEXTENSIONS_TEMPLATES), lstrlenA(XEXTENSIONS_TEMPLATES));
}

const GUID* g_StandardSaveTemplates[15] = {
    &TID_D3DRMFrame,        &TID_D3DRMFrameTransformMatrix, &TID_D3DRMMesh,          &TID_D3DRMMeshNormals,
    &TID_D3DRMMeshMaterialList, &TID_D3DRMMeshTextureCoords, &TID_D3DRMMaterial,     &TID_D3DRMTextureFilename,
    &TID_DXFILEHeader,      &TID_D3DRMAnimation,            &TID_D3DRMAnimationSet,  &TID_D3DRMAnimationKey,
    &TID_D3DRMFloatKeys,    &TID_D3DRMTimedFloatKeys,       &TID_D3DRMAnimationOptions,
};

const GUID* g_SkinSaveTemplates[5] = {
    &DXFILEOBJ_XSkinMeshHeader, &DXFILEOBJ_VertexDuplicationIndices, &DXFILEOBJ_SkinWeights, &DXFILEOBJ_Patch,
    &DXFILEOBJ_PatchMesh,
};

const GUID* g_ProgressiveMeshSaveTemplates[4] = {
    &DXFILEOBJ_PMInfo, &DXFILEOBJ_PMAttributeRange, &DXFILEOBJ_PMVSplitRecord, &DXFILEOBJ_FVFData,
};

CTemplates::CTemplates() {
  DWORD first = static_cast<DWORD>(lstrlenA(D3DRM_XTEMPLATES_TEXT_FIRST));
  DWORD second = static_cast<DWORD>(lstrlenA(D3DRM_XTEMPLATES_TEXT_SECOND));
  m_buffer = new (std::nothrow) BYTE[first + second];
  if (!m_buffer) throw "Error: Out of memory. Failed to allocate a \t\t\tBYTE array in CTemplates::CTemplates()";
  std::memcpy(m_buffer, D3DRM_XTEMPLATES_TEXT_FIRST, first);
  std::memcpy(m_buffer + first, D3DRM_XTEMPLATES_TEXT_SECOND, second);
  m_size = first + second;
}

CTemplates::CTemplates(const CTemplates& other) { CopyFrom(other.m_buffer, other.m_size); }

CTemplates& CTemplates::operator=(const CTemplates& other) {
  if (this != &other) CopyFrom(other.m_buffer, other.m_size);
  return *this;
}

CTemplates::~CTemplates() {
  delete[] m_buffer;
  m_buffer = nullptr;
}

void CTemplates::CopyFrom(const BYTE* text, DWORD size) {
  BYTE* copy = new (std::nothrow) BYTE[size ? size : 1];
  if (!copy) throw "Error: Out of memory. Failed to allocate a \t\t\tBYTE array in CTemplates::CTemplates()";
  if (size) std::memcpy(copy, text, size);
  delete[] m_buffer;
  m_buffer = copy;
  m_size = size;
}
