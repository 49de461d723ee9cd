// The device's resources: vertex and index buffers, textures and surfaces,
// all held in CPU memory. Internal to the Direct3D layer.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "d3d8.h"

// What a device shares with the resources it made. Resources keep it alive,
// not the device itself: a device released to zero goes away even while
// resources remain, and their GetDevice then fails instead of reaching a
// freed object.
struct D3D8DeviceCore {
  std::mutex mutex;
  IDirect3DDevice8* device = nullptr;  // cleared when the device goes away
  // Resources gone since the device last looked, for it to free what it made
  // of them on its own thread.
  std::vector<ULONGLONG> retired;

  HRESULT GetDevice(IDirect3DDevice8** out);
  void Retire(ULONGLONG resourceId);
  std::vector<ULONGLONG> TakeRetired();
};
using D3D8DeviceCorePtr = std::shared_ptr<D3D8DeviceCore>;

// A number no other resource of the process has.
ULONGLONG D3D8NewResourceId();

// The bytes of a vertex or index buffer as the renderer reads them.
class CD3D8BufferData {
 public:
  virtual ULONGLONG ResourceId() const = 0;
  // Locks for writing since the buffer was made.
  virtual ULONGLONG Changes() const = 0;
  virtual const BYTE* Bytes() = 0;
  virtual UINT ByteSize() const = 0;

 protected:
  ~CD3D8BufferData() = default;
};

// The pixels of one surface or texture level: rows of Width × format size
// bytes, the top row first.
class CPixels {
 public:
  CPixels(D3D8DeviceCorePtr core, UINT width, UINT height, D3DFORMAT format);
  ~CPixels();
  CPixels(const CPixels&) = delete;
  CPixels& operator=(const CPixels&) = delete;

  ULONGLONG ResourceId() const { return m_id; }
  UINT Width() const { return m_width; }
  UINT Height() const { return m_height; }
  D3DFORMAT Format() const { return m_format; }
  UINT Pitch() const;
  UINT Size() const;
  BYTE* Data();
  ULONGLONG Changes() const;

  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect();

  // The device's drawing is newer than these bytes; read and written by the
  // device's thread only.
  bool drawnOnDevice = false;

 private:
  D3D8DeviceCorePtr m_core;
  ULONGLONG m_id;
  UINT m_width, m_height;
  D3DFORMAT m_format;
  struct Store;
  std::unique_ptr<Store> m_store;
};

// A texture's levels as the renderer reads them.
class CD3D8TextureData {
 public:
  virtual ULONGLONG ResourceId() const = 0;
  virtual ULONGLONG Changes() const = 0;
  virtual UINT LevelCount() const = 0;
  virtual CPixels& Level(UINT level) = 0;

 protected:
  ~CD3D8TextureData() = default;
};

// A surface's pixels and usage as the renderer reads them.
class CD3D8SurfaceData {
 public:
  virtual CPixels& Pixels() = 0;
  virtual DWORD Usage() const = 0;

 protected:
  ~CD3D8SurfaceData() = default;
};

CD3D8BufferData* D3D8BufferData(IUnknown* buffer);
CD3D8TextureData* D3D8TextureData(IUnknown* texture);
CD3D8SurfaceData* D3D8SurfaceData(IUnknown* surface);

// A rectangle's edges; right and bottom are exclusive.
struct D3D8Rect {
  LONG left, top, right, bottom;
};
D3D8Rect D3D8ReadRect(const RECT& rect);

// The widest and highest texture this layer holds.
#define D3D8_MAX_TEXTURE_SIZE 4096u

// A depth format that the device's framebuffers can hold: 16, 24 or 32 bits
// of depth, with or without 8 bits of stencil.
bool D3D8DepthFormat(D3DFORMAT format);

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
// The back buffer of a swap chain made here, not add-referenced; NULL for
// other objects.
IDirect3DSurface8* D3D8SwapChainBackBuffer(IDirect3DSwapChain8* swapChain);

// How often a vertex buffer, index buffer or texture has been locked for
// writing since it was made, for a renderer to know when to upload it again;
// 0 for other objects.
ULONGLONG D3D8ChangeCount(IUnknown* resource);

// The size of an index buffer in bytes, for range checks of indexed drawing;
// 0 when buffer is NULL.
UINT D3D8IndexBufferSize(IDirect3DIndexBuffer8* buffer, UINT* indexSize);
// The size of a vertex buffer in bytes; 0 when buffer is NULL.
UINT D3D8VertexBufferSize(IDirect3DVertexBuffer8* buffer);
