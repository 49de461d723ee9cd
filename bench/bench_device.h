// The benchmarks' Direct3D device, made once for the process, and vertex
// buffers of generated meshes on it.
#pragma once

#include <d3d8.h>

#include <cstring>

#include "geo_test_meshes.h"
#include "geo_types.h"

inline IDirect3DDevice8* BenchDevice() {
  static IDirect3DDevice8* device = [] {
    IDirect3DDevice8* d = nullptr;
    IDirect3D8* direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                           &parameters, &d);
    direct3d->Release();
    return d;
  }();
  return device;
}

// A vertex buffer holding the mesh's records; the caller releases it.
inline IDirect3DVertexBuffer8* BenchVertexBuffer(const SGeoTestMesh& mesh) {
  IDirect3DVertexBuffer8* vb = nullptr;
  const UINT size = static_cast<UINT>(mesh.vertices.size() * sizeof(D3DVERTEX));
  BenchDevice()->CreateVertexBuffer(size, 0, kGeoVertexFVF, D3DPOOL_DEFAULT, &vb);
  BYTE* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, mesh.vertices.data(), size);
  vb->Unlock();
  return vb;
}
