// The device's resources: vertex and index buffers, textures and surfaces,
// all held in CPU memory. Internal to the Direct3D layer.
#pragma once

#include <memory>
#include <mutex>

#include "d3d8.h"

// What a device shares with the resources it made. Resources keep it alive,
// not the device itself: a device released to zero goes away even while
// resources remain, and their GetDevice then fails instead of reaching a
// freed object.
struct D3D8DeviceCore {
  std::mutex mutex;
  IDirect3DDevice8* device = nullptr;  // cleared when the device goes away

  HRESULT GetDevice(IDirect3DDevice8** out);
};
using D3D8DeviceCorePtr = std::shared_ptr<D3D8DeviceCore>;

// A rectangle's edges; right and bottom are exclusive.
struct D3D8Rect {
  LONG left, top, right, bottom;
};
D3D8Rect D3D8ReadRect(const RECT& rect);

// Bytes per pixel of a surface or texture format; 0 for formats that this
// layer cannot hold.
UINT D3D8FormatSize(D3DFORMAT format);

HRESULT D3D8CreateVertexBuffer(const D3D8DeviceCorePtr& core, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer);
HRESULT D3D8CreateIndexBuffer(const D3D8DeviceCorePtr& core, UINT length, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DIndexBuffer8** buffer);
HRESULT D3D8CreateTexture(const D3D8DeviceCorePtr& core, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);
HRESULT D3D8CreateSurface(const D3D8DeviceCorePtr& core, UINT width, UINT height, D3DFORMAT format, DWORD usage,
                          D3DPOOL pool, IDirect3DSurface8** surface);
HRESULT D3D8CreateSwapChain(const D3D8DeviceCorePtr& core, const D3DPRESENT_PARAMETERS& parameters,
                            IDirect3DSwapChain8** swapChain);

// How often a vertex buffer, index buffer or texture has been locked for
// writing since it was made, for a renderer to know when to upload it again;
// 0 for other objects.
ULONGLONG D3D8ChangeCount(IUnknown* resource);

// The size of an index buffer in bytes, for range checks of indexed drawing;
// 0 when buffer is NULL.
UINT D3D8IndexBufferSize(IDirect3DIndexBuffer8* buffer, UINT* indexSize);
// The size of a vertex buffer in bytes; 0 when buffer is NULL.
UINT D3D8VertexBufferSize(IDirect3DVertexBuffer8* buffer);
