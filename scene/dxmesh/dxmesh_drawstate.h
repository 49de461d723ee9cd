// Scoped device state for drawing the Direct3D and progressive meshes.
#pragma once

#include <d3d8.h>

#include <d3dx8mesh.h>

#include "basemesh.h"

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
  D3DRENDERSTATETYPE m_states[4] = {};
  DWORD m_values[4] = {};
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
  ~STextureStage() {
    if (set) device->SetTexture(0, nullptr);
  }
};

// A material is drawn in the opaque pass when its diffuse alpha is 1 or 0.
inline bool IsOpaqueAlpha(float alpha) { return alpha >= 1.0f || alpha == 0.0f; }

// The wireframe overlay of the ranges that have faces, in material, drawn
// over the faces (Gouraud, z-bias 5); shade, fill and z-bias are put back.
// A failed draw throws.
inline void DrawEdgeOverlay(IDirect3DDevice8* device, ID3DXBaseMesh* mesh, const D3DMATERIAL8& material,
                            const D3DXATTRIBUTERANGE* table, DWORD size) {
  CRenderStates states(device);
  states.Save(D3DRS_ZBIAS);
  states.Save(D3DRS_FILLMODE);
  states.Save(D3DRS_SHADEMODE);
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device->SetRenderState(D3DRS_ZBIAS, 5);
  device->SetMaterial(&material);
  device->SetTexture(0, nullptr);
  for (DWORD i = 0; i < size; ++i)
    if (table[i].FaceCount && FAILED(mesh->DrawSubset(table[i].AttribId))) throw "\nDrawSubset() failed.";
}
