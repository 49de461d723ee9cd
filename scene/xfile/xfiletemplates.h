// The template sets registered before every .x load and save, the template
// lists written into saved files, and the system's own identifiers for data
// objects that no file template describes.
#pragma once

#include <dxfile.h>
#include <windows.h>

// The system's identifiers (never registered, never written to a file).
DEFINE_GUID(GUID_SimpleShape, 0x2b934580, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_Reserved81, 0x2b934581, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_Reserved82, 0x2b934582, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_BoundingBox, 0x2b934583, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_BoundingSphere, 0x2b934584, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_MovingObject, 0x2b934585, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_Reserved86, 0x2b934586, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_BaseMesh, 0x2b934587, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_Reserved88, 0x2b934588, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_GroupedFacesIndex, 0x2b934589, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_GroupedTrianglesVertexIndices, 0x2b93458a, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);
DEFINE_GUID(GUID_Reserved8B, 0x2b93458b, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(GUID_NotInitialized, 0x2b93458c, 0x9e9a, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);

// Registers the standard templates (binary form), then the skin templates and
// the extension templates (text); the first failing result is returned.
HRESULT RegisterXFileTemplates(IDirectXFile* file);

// Template lists for IDirectXFileSaveObject::SaveTemplates.
// Frame, FrameTransformMatrix, Mesh, MeshNormals, MeshMaterialList,
// MeshTextureCoords, Material, TextureFilename, Header, Animation,
// AnimationSet, AnimationKey, FloatKeys, TimedFloatKeys, AnimationOptions.
extern const GUID* g_StandardSaveTemplates[15];
// XSkinMeshHeader, VertexDuplicationIndices, SkinWeights, Patch, PatchMesh.
extern const GUID* g_SkinSaveTemplates[5];
// PMInfo, PMAttributeRange, PMVSplitRecord, FVFData.
extern const GUID* g_ProgressiveMeshSaveTemplates[4];

// The standard templates as one text .x file in one heap buffer.
class CTemplates {
 public:
  // Throws the message "Error: Out of memory. ..." when the buffer cannot be
  // allocated.
  CTemplates();
  CTemplates(const CTemplates& other);
  CTemplates& operator=(const CTemplates& other);  // copies the text
  ~CTemplates();

  BYTE* GetBuffer() const { return m_buffer; }
  DWORD GetBufferSize() const { return m_size; }

 private:
  void CopyFrom(const BYTE* text, DWORD size);

  BYTE* m_buffer = nullptr;
  DWORD m_size = 0;
};
