// Shared by the Direct3D-mesh sources: the device meshes are made on, string
// copies, the scoped mesh-buffer lock and the drawing helpers.
#pragma once

#include <d3d8.h>

#include "basemesh.h"

// The device of the process's windowed device; NULL before it exists.
IDirect3DDevice8* DXMeshDevice();
// A new[] copy of text; NULL for NULL.
char* DuplicateString(const char* text);

// Holds the mesh-buffer lock of a mesh for a scope, waiting for it.
class CMeshBufferLock {
 public:
  explicit CMeshBufferLock(CBaseMesh* mesh) : m_mesh(mesh), m_held(mesh->LockMeshBuffers(false)) {
    if (!m_held) throw "Info: Cannot lock the mesh buffer mutex.";
  }
  ~CMeshBufferLock() {
    if (m_held) m_mesh->UnlockMeshBuffers();
  }
  CMeshBufferLock(const CMeshBufferLock&) = delete;
  CMeshBufferLock& operator=(const CMeshBufferLock&) = delete;

 private:
  CBaseMesh* m_mesh;
  bool m_held;
};

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
  ~STextureStage() {
    if (set) device->SetTexture(0, nullptr);
  }
};

inline bool IsOpaqueAlpha(float alpha) { return alpha >= 1.0f || alpha == 0.0f; }
