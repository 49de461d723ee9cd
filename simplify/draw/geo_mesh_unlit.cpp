// The unlit vertex buffer of a connectivity mesh, and the factories of the
// buffers that its handles are drawn from.
#include <cstring>

#include "geo_mesh.h"
#include "qorcommon.h"

bool CGeoMesh::CreateUnlitVerticesBuffer(DWORD count, IDirect3DVertexBuffer8*& out) {
  out = nullptr;
  if (!m_pDevice) return false;
  return SUCCEEDED(m_pDevice->CreateVertexBuffer(count * sizeof(D3DVERTEX), 0, kGeoVertexFVF, D3DPOOL_DEFAULT, &out));
}

bool CGeoMesh::CreateIndexBuffer(DWORD count, D3DFORMAT format, IDirect3DIndexBuffer8*& out) {
  out = nullptr;
  const UINT size = count * (format == D3DFMT_INDEX32 ? sizeof(DWORD) : sizeof(WORD));
  return m_pDevice && SUCCEEDED(m_pDevice->CreateIndexBuffer(size, 0, format, D3DPOOL_DEFAULT, &out));
}

bool CGeoMesh::InitializeUnlitVertices(DWORD count, IDirect3DVertexBuffer8* source, IDirect3DDevice8* device) {
  m_pDevice = device;
  m_dwUnlitVerticesCount = count;
  D3DVERTEXBUFFER_DESC desc;
  if (!source || FAILED(source->GetDesc(&desc)) || desc.Size / sizeof(D3DVERTEX) < count) return false;
  if (!m_bShown) return true;
  if (!CreateUnlitVerticesBuffer(count, m_pUnlitVB)) return false;
  BYTE* to = nullptr;
  BYTE* from = nullptr;
  if (FAILED(m_pUnlitVB->Lock(0, 0, &to, 0))) {
    SafeRelease(&m_pUnlitVB);
    return false;
  }
  if (FAILED(source->Lock(0, 0, &from, 0))) {
    m_pUnlitVB->Unlock();
    SafeRelease(&m_pUnlitVB);
    return false;
  }
  std::memcpy(to, from, count * sizeof(D3DVERTEX));
  source->Unlock();
  m_pUnlitVB->Unlock();
  return true;
}

bool CGeoMesh::SetUnlitVertexPosition(DWORD index, const D3DXVECTOR3* position) {
  if (!m_bShown) return true;  // nothing draws the mesh
  BYTE* data = nullptr;
  if (!m_pUnlitVB || index >= m_dwUnlitVerticesCount || FAILED(m_pUnlitVB->Lock(0, 0, &data, 0))) return false;
  D3DVERTEX& v = reinterpret_cast<D3DVERTEX*>(data)[index];
  v.x = position->x;
  v.y = position->y;
  v.z = position->z;
  m_pUnlitVB->Unlock();
  return true;
}
