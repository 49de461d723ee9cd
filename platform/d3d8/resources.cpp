#include "d3d8resources.h"

#include <atomic>
#include <new>
#include <utility>
#include <vector>

#include "d3d8device.h"
#include "d3d8present.h"
#include "largepages.h"

HRESULT D3D8DeviceCore::GetDevice(IDirect3DDevice8** out) {
  if (!out) return D3DERR_INVALIDCALL;
  std::lock_guard<std::mutex> lock(mutex);
  *out = device;
  if (!device) return D3DERR_INVALIDCALL;
  device->AddRef();
  return D3D_OK;
}

void D3D8DeviceCore::Retire(ULONGLONG resourceId) {
  std::lock_guard<std::mutex> lock(mutex);
  if (device) retired.push_back(resourceId);
}

std::vector<ULONGLONG> D3D8DeviceCore::TakeRetired() {
  std::lock_guard<std::mutex> lock(mutex);
  return std::exchange(retired, {});
}

ULONGLONG D3D8NewResourceId() {
  static std::atomic<ULONGLONG> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool D3D8DepthFormat(D3DFORMAT format) {
  return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8 || format == D3DFMT_D32;
}

UINT D3D8FormatSize(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
      return 2;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
      return 1;
    default:
      return 0;
  }
}

namespace {

bool ValidPool(D3DPOOL pool) {
  return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM;
}

// Zero-filled bytes that may be locked any number of times on any thread. A
// lock returns the memory itself; a lock for writing counts as a change, so
// that a renderer can tell when to upload the data again. A large store (a
// big mesh's vertices or edge lines) comes on large pages, zero-filled by the
// system as it is first touched.
class CByteStore {
 public:
  explicit CByteStore(UINT length) : m_data(static_cast<BYTE*>(win32::AllocateLarge(length))), m_size(length) {}
  CByteStore(const CByteStore&) = delete;
  CByteStore& operator=(const CByteStore&) = delete;
  ~CByteStore() { win32::FreeLarge(m_data, m_size); }

  UINT Size() const { return m_size; }
  BYTE* Data() { return m_data; }
  ULONGLONG Changes() const { return m_changes.load(std::memory_order_acquire); }

  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset > Size() || size > Size() - offset) return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY)) m_changes.fetch_add(1, std::memory_order_release);
    m_locks.fetch_add(1, std::memory_order_relaxed);
    *data = m_data + offset;
    return D3D_OK;
  }

  HRESULT Unlock() {
    ULONG locks = m_locks.load(std::memory_order_relaxed);
    do {
      if (locks == 0) return D3DERR_INVALIDCALL;
    } while (!m_locks.compare_exchange_weak(locks, locks - 1, std::memory_order_relaxed));
    return D3D_OK;
  }

 private:
  BYTE* m_data;
  UINT m_size;
  std::atomic<ULONG> m_locks{0};
  std::atomic<ULONGLONG> m_changes{0};
};

template <class Interface, const IID* Iid, D3DRESOURCETYPE Type, class Desc>
class TBuffer : public TComObject<Interface, Iid>, public CD3D8BufferData {
 public:
  TBuffer(D3D8DeviceCorePtr core, const Desc& desc)
      : m_core(std::move(core)), m_id(D3D8NewResourceId()), m_store(desc.Size), m_desc(desc) {}
  ~TBuffer() override { m_core->Retire(m_id); }

  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_core->GetDevice(device); }
  D3DRESOURCETYPE GetType() override { return Type; }
  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    return m_store.Lock(offset, size, data, flags);
  }
  HRESULT Unlock() override { return m_store.Unlock(); }
  HRESULT GetDesc(Desc* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = m_desc;
    return D3D_OK;
  }

  ULONGLONG ResourceId() const override { return m_id; }
  ULONGLONG Changes() const override { return m_store.Changes(); }
  const BYTE* Bytes() override { return m_store.Data(); }
  UINT ByteSize() const override { return m_store.Size(); }

 private:
  D3D8DeviceCorePtr m_core;
  ULONGLONG m_id;
  CByteStore m_store;
  Desc m_desc;
};

using CVertexBuffer8 = TBuffer<IDirect3DVertexBuffer8, &IID_IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER,
                               D3DVERTEXBUFFER_DESC>;
using CIndexBuffer8 =
    TBuffer<IDirect3DIndexBuffer8, &IID_IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER, D3DINDEXBUFFER_DESC>;

}  // namespace

struct CPixels::Store : CByteStore {
  using CByteStore::CByteStore;
};

CPixels::CPixels(D3D8DeviceCorePtr core, UINT width, UINT height, D3DFORMAT format)
    : m_core(std::move(core)),
      m_id(D3D8NewResourceId()),
      m_width(width),
      m_height(height),
      m_format(format),
      m_store(std::make_unique<Store>(width * height * D3D8FormatSize(format))) {}

CPixels::~CPixels() { m_core->Retire(m_id); }

UINT CPixels::Pitch() const { return m_width * D3D8FormatSize(m_format); }
UINT CPixels::Size() const { return m_store->Size(); }
BYTE* CPixels::Data() { return m_store->Data(); }
ULONGLONG CPixels::Changes() const { return m_store->Changes(); }

HRESULT CPixels::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked) return D3DERR_INVALIDCALL;
  locked->pBits = nullptr;
  locked->Pitch = 0;
  UINT offset = 0;
  if (rect) {
    const D3D8Rect r = D3D8ReadRect(*rect);
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || static_cast<UINT>(r.right) > m_width ||
        static_cast<UINT>(r.bottom) > m_height)
      return D3DERR_INVALIDCALL;
    offset = static_cast<UINT>(r.top) * Pitch() + static_cast<UINT>(r.left) * D3D8FormatSize(m_format);
  }
  BYTE* bits = nullptr;
  HRESULT hr = m_store->Lock(offset, 0, &bits, flags);
  if (FAILED(hr)) return hr;
  locked->pBits = bits;
  locked->Pitch = static_cast<INT>(Pitch());
  return D3D_OK;
}

HRESULT CPixels::UnlockRect() { return m_store->Unlock(); }

namespace {

using CPixelsPtr = std::shared_ptr<CPixels>;

HRESULT Describe(const CPixels& pixels, DWORD usage, D3DPOOL pool, D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Format = pixels.Format();
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = usage;
  desc->Pool = pool;
  desc->Size = pixels.Size();
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->Width = pixels.Width();
  desc->Height = pixels.Height();
  return D3D_OK;
}

class CSurface8 : public TComObject<IDirect3DSurface8, &IID_IDirect3DSurface8>, public CD3D8SurfaceData {
 public:
  // A texture level keeps its container alive through the reference given.
  CSurface8(D3D8DeviceCorePtr core, CPixelsPtr pixels, DWORD usage, D3DPOOL pool, IUnknown* container)
      : m_core(std::move(core)), m_pixels(std::move(pixels)), m_usage(usage), m_pool(pool), m_container(container) {
    if (m_container) m_container->AddRef();
  }
  ~CSurface8() override {
    if (m_container) m_container->Release();
  }

  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_core->GetDevice(device); }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override { return Describe(*m_pixels, m_usage, m_pool, desc); }
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    return m_pixels->LockRect(locked, rect, flags);
  }
  HRESULT UnlockRect() override { return m_pixels->UnlockRect(); }

  CPixels& Pixels() override { return *m_pixels; }
  DWORD Usage() const override { return m_usage; }

 private:
  D3D8DeviceCorePtr m_core;
  CPixelsPtr m_pixels;
  DWORD m_usage;
  D3DPOOL m_pool;
  IUnknown* m_container;
};

class CTexture8 : public TComObject<IDirect3DTexture8, &IID_IDirect3DTexture8>, public CD3D8TextureData {
 public:
  CTexture8(D3D8DeviceCorePtr core, std::vector<CPixelsPtr> levels, DWORD usage, D3DPOOL pool)
      : m_core(std::move(core)), m_levels(std::move(levels)), m_usage(usage), m_pool(pool) {}

  HRESULT GetDevice(IDirect3DDevice8** device) override { return m_core->GetDevice(device); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(m_levels.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    return Describe(*m_levels[level], m_usage, m_pool, desc);
  }
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    *surface = new (std::nothrow) CSurface8(m_core, m_levels[level], m_usage, m_pool, this);
    return *surface ? D3D_OK : E_OUTOFMEMORY;
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    return m_levels[level]->LockRect(locked, rect, flags);
  }
  HRESULT UnlockRect(UINT level) override {
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    return m_levels[level]->UnlockRect();
  }
  ULONGLONG ResourceId() const override { return m_levels.front()->ResourceId(); }
  ULONGLONG Changes() const override {
    ULONGLONG sum = 0;
    for (const CPixelsPtr& level : m_levels) sum += level->Changes();
    return sum;
  }
  UINT LevelCount() const override { return static_cast<UINT>(m_levels.size()); }
  CPixels& Level(UINT level) override { return *m_levels[level]; }

 private:
  D3D8DeviceCorePtr m_core;
  std::vector<CPixelsPtr> m_levels;
  DWORD m_usage;
  D3DPOOL m_pool;
};

class CSwapChain8 : public TComObject<IDirect3DSwapChain8, &IID_IDirect3DSwapChain8> {
 public:
  CSwapChain8(D3D8DeviceCorePtr core, IDirect3DSurface8* backBuffer)
      : m_core(std::move(core)), m_backBuffer(backBuffer) {}
  ~CSwapChain8() override { m_backBuffer->Release(); }

  // Hands the back buffer to the sink through the device, on its thread.
  HRESULT Present(const RECT* source, const RECT*, HWND, const RGNDATA*) override {
    IDirect3DDevice8* device = nullptr;
    if (FAILED(m_core->GetDevice(&device))) return D3DERR_INVALIDCALL;
    const HRESULT hr = static_cast<CDirect3DDevice8*>(device)->PresentSurface(m_backBuffer, source, m_sink);
    device->Release();
    return hr;
  }
  HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    m_backBuffer->AddRef();
    *surface = m_backBuffer;
    return D3D_OK;
  }

  IDirect3DSurface8* BackBuffer() const { return m_backBuffer; }
  void SetSink(D3D8PresentSink sink) { m_sink = std::move(sink); }

 private:
  D3D8DeviceCorePtr m_core;
  IDirect3DSurface8* m_backBuffer;
  D3D8PresentSink m_sink;
};

template <class Object, class Interface, class... Args>
HRESULT Make(Interface** out, Args&&... args) {
  *out = new (std::nothrow) Object(std::forward<Args>(args)...);
  return *out ? D3D_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT D3D8CreateVertexBuffer(const D3D8DeviceCorePtr& core, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || !ValidPool(pool)) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC desc{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
  try {
    return Make<CVertexBuffer8>(buffer, core, desc);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT D3D8CreateIndexBuffer(const D3D8DeviceCorePtr& core, UINT length, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || !ValidPool(pool) || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
    return D3DERR_INVALIDCALL;
  D3DINDEXBUFFER_DESC desc{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
  try {
    return Make<CIndexBuffer8>(buffer, core, desc);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT D3D8CreateTexture(const D3D8DeviceCorePtr& core, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (width == 0 || height == 0 || width > D3D8_MAX_TEXTURE_SIZE || height > D3D8_MAX_TEXTURE_SIZE ||
      !ValidPool(pool))
    return D3DERR_INVALIDCALL;
  if (D3D8FormatSize(format) == 0) return D3DERR_INVALIDCALL;
  UINT chain = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = (w + 1) / 2, h = (h + 1) / 2) ++chain;
  if (levels == 0 || levels > chain) levels = chain;
  try {
    std::vector<CPixelsPtr> surfaces;
    UINT w = width, h = height;
    for (UINT i = 0; i < levels; ++i) {
      surfaces.push_back(std::make_shared<CPixels>(core, w, h, format));
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
    }
    return Make<CTexture8>(texture, core, std::move(surfaces), usage, pool);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT D3D8CreateSurface(const D3D8DeviceCorePtr& core, UINT width, UINT height, D3DFORMAT format, DWORD usage,
                          D3DPOOL pool, IDirect3DSurface8** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (width == 0 || height == 0 || width > 16384 || height > 16384 || D3D8FormatSize(format) == 0)
    return D3DERR_INVALIDCALL;
  try {
    return Make<CSurface8>(surface, core, std::make_shared<CPixels>(core, width, height, format), usage, pool,
                           nullptr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT D3D8CreateSwapChain(const D3D8DeviceCorePtr& core, const D3DPRESENT_PARAMETERS& parameters,
                            IDirect3DSwapChain8** swapChain) {
  if (!swapChain) return D3DERR_INVALIDCALL;
  *swapChain = nullptr;
  IDirect3DSurface8* backBuffer = nullptr;
  HRESULT hr = D3D8CreateSurface(core, parameters.BackBufferWidth, parameters.BackBufferHeight,
                                 parameters.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, &backBuffer);
  if (FAILED(hr)) return hr;
  hr = Make<CSwapChain8>(swapChain, core, backBuffer);
  if (FAILED(hr)) backBuffer->Release();
  return hr;
}

IDirect3DSurface8* D3D8SwapChainBackBuffer(IDirect3DSwapChain8* swapChain) {
  auto* chain = dynamic_cast<CSwapChain8*>(swapChain);
  return chain ? chain->BackBuffer() : nullptr;
}

HRESULT D3D8SetPresentSink(IDirect3DSwapChain8* swapChain, D3D8PresentSink sink) {
  auto* chain = dynamic_cast<CSwapChain8*>(swapChain);
  if (!chain) return D3DERR_INVALIDCALL;
  chain->SetSink(std::move(sink));
  return D3D_OK;
}

ULONGLONG D3D8ChangeCount(IUnknown* resource) {
  if (auto* buffer = dynamic_cast<CD3D8BufferData*>(resource)) return buffer->Changes();
  if (auto* texture = dynamic_cast<CD3D8TextureData*>(resource)) return texture->Changes();
  return 0;
}

CD3D8BufferData* D3D8BufferData(IUnknown* buffer) { return dynamic_cast<CD3D8BufferData*>(buffer); }
CD3D8TextureData* D3D8TextureData(IUnknown* texture) { return dynamic_cast<CD3D8TextureData*>(texture); }
CD3D8SurfaceData* D3D8SurfaceData(IUnknown* surface) { return dynamic_cast<CD3D8SurfaceData*>(surface); }

UINT D3D8IndexBufferSize(IDirect3DIndexBuffer8* buffer, UINT* indexSize) {
  D3DINDEXBUFFER_DESC desc{};
  if (!buffer || FAILED(buffer->GetDesc(&desc))) return 0;
  if (indexSize) *indexSize = desc.Format == D3DFMT_INDEX32 ? 4 : 2;
  return desc.Size;
}

UINT D3D8VertexBufferSize(IDirect3DVertexBuffer8* buffer) {
  D3DVERTEXBUFFER_DESC desc{};
  if (!buffer || FAILED(buffer->GetDesc(&desc))) return 0;
  return desc.Size;
}
