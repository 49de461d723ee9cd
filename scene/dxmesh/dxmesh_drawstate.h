// Scoped device state for drawing the Direct3D and progressive meshes.
#pragma once

#include <d3d8.h>

#include <d3dx8mesh.h>
#include <materialpresets.h>

#include "basemesh.h"
#include "dxmesh.h"

// Saves render states and puts back those that changed when it goes, on
// every way out of a drawing pass.
class CRenderStates {
 public:
  explicit CRenderStates(IDirect3DDevice8* device) : m_device(device) {}
  ~CRenderStates() {
    for (int i = m_count - 1; i >= 0; --i) {
      DWORD now = 0;
      if (FAILED(m_device->GetRenderState(m_states[i], &now)) || now != m_values[i])
        m_device->SetRenderState(m_states[i], m_values[i]);
    }
  }
  CRenderStates(const CRenderStates&) = delete;
  CRenderStates& operator=(const CRenderStates&) = delete;

  DWORD Save(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    m_device->GetRenderState(state, &value);
    m_states[m_count] = state;
    m_values[m_count] = value;
    ++m_count;
    return value;
  }

 private:
  IDirect3DDevice8* m_device;
  D3DRENDERSTATETYPE m_states[8] = {};
  DWORD m_values[8] = {};
  int m_count = 0;
};

// Holds the mesh-buffer lock taken by a try, for a scope.
struct STriedBuffers {
  CBaseMesh* mesh;
  bool held;
  ~STriedBuffers() {
    if (held) mesh->UnlockMeshBuffers();
  }
};

// Unsets texture stage 0 when it goes, if a texture was set.
struct STextureStage {
  IDirect3DDevice8* device;
  bool set = false;
  ~STextureStage() { Unset(); }
  void Unset() {
    if (set) device->SetTexture(0, nullptr);
    set = false;
  }
};

// The material and texture of attribute id attribId in a mesh's lists of
// count entries: the default material and no texture past their end.
inline const D3DMATERIAL8& MaterialInList(const D3DXMATERIAL* materials, DWORD count, DWORD attribId) {
  static const D3DMATERIAL8 kDefault = DefaultMaterial();
  return materials && attribId < count ? materials[attribId].MatD3D : kDefault;
}
inline IDirect3DTexture8* TextureInList(IDirect3DTexture8* const* textures, DWORD count, DWORD attribId) {
  return textures && attribId < count ? textures[attribId] : nullptr;
}

// A material is drawn in the opaque pass when its diffuse alpha is 1 or 0.
inline bool IsOpaqueAlpha(float alpha) { return alpha >= 1.0f || alpha == 0.0f; }

// Saves the shade mode, and shades a wireframe fill Gouraud whatever the
// settings say, so that the edges of flat-shaded faces stay readable.
inline void ShadeWireframeGouraud(IDirect3DDevice8* device, CRenderStates& states) {
  const DWORD shade = states.Save(D3DRS_SHADEMODE);
  DWORD fill = 0;
  device->GetRenderState(D3DRS_FILLMODE, &fill);
  if (fill == D3DFILL_WIREFRAME && shade != D3DSHADE_GOURAUD) device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
}

// Sets material (its ambient colour the diffuse one when asked) and texture
// for a subset; false, with nothing set, when the pass leaves the subset out
// (opaque subsets go in the opaque pass, translucent ones in the transparent
// pass, all with neither).
inline bool PrepareSubset(IDirect3DDevice8* device, D3DMATERIAL8 material, IDirect3DTexture8* texture,
                          int opaquePass, int transparentPass, bool diffuseForAmbient, STextureStage& stage) {
  const bool opaque = IsOpaqueAlpha(material.Diffuse.a);
  if ((opaquePass && !opaque) || (transparentPass && opaque)) return false;
  if (diffuseForAmbient) material.Ambient = material.Diffuse;
  device->SetMaterial(&material);
  device->SetTexture(0, texture);
  stage.set = texture != nullptr;
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  return true;
}

// The states of the wireframe edge overlay: Gouraud, wireframe, z-bias 5,
// the edge material and no texture; states puts them back in the order
// shade, fill, z-bias.
inline void BeginEdgeOverlay(IDirect3DDevice8* device, CRenderStates& states, const D3DMATERIAL8& material) {
  states.Save(D3DRS_ZBIAS);
  states.Save(D3DRS_FILLMODE);
  states.Save(D3DRS_SHADEMODE);
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device->SetRenderState(D3DRS_ZBIAS, 5);
  device->SetMaterial(&material);
  device->SetTexture(0, nullptr);
}

// The wireframe overlay of the ranges that have faces, in material, drawn
// over the faces; shade, fill and z-bias are put back. A failed draw throws.
inline void DrawEdgeOverlay(IDirect3DDevice8* device, ID3DXBaseMesh* mesh, const D3DMATERIAL8& material,
                            const D3DXATTRIBUTERANGE* table, DWORD size) {
  CRenderStates states(device);
  BeginEdgeOverlay(device, states, material);
  for (DWORD i = 0; i < size; ++i)
    if (table[i].FaceCount && FAILED(mesh->DrawSubset(table[i].AttribId))) throw "\nDrawSubset() failed.";
}

// The wireframe overlay of a skinned mesh, one subset per bone combination
// with its palette loaded, in material; the caller holds the blend states.
// Shade, fill and z-bias are put back. A failed draw throws.
void DrawBlendedEdgeOverlay(IDirect3DDevice8* device, ID3DXBaseMesh* mesh, const D3DMATERIAL8& material,
                            const D3DXBONECOMBINATION* combinations, DWORD count, DWORD paletteSize,
                            CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones);

// Switches the device to indexed blending for the betas a vertex holds (the
// last holds the palette slots) and puts the blend states back as they were
// on every way out.
class CBlendStates {
 public:
  CBlendStates(IDirect3DDevice8* device, DWORD numBlendWeights, bool software);

 private:
  CRenderStates m_states;
};

// Loads the palette of one bone combination: slot i becomes the bone's
// offset × the bone's world transform; a bone without a world transform
// takes its offset alone. Free slots are left alone. Throws when a bone has
// no skin weights.
void SetBoneMatrices(IDirect3DDevice8* device, const D3DXBONECOMBINATION& combination, DWORD paletteSize,
                     CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones);
