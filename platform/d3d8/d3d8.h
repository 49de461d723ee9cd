// Direct3D 8: the Direct3D object, the device and its resources. Resources
// live in CPU memory, so they can be created, locked and read on any thread;
// the device records its states. Drawing calls validate their arguments and
// draw nothing until a rendering back end is attached.
#pragma once

#include "d3d8caps.h"
#include "d3d8types.h"
#include "unknwn.h"
#include "windows.h"

#define D3D_SDK_VERSION 220

// Result codes.
#define _FACD3D 0x876
#define MAKE_D3DHRESULT(code) MAKE_HRESULT(1, _FACD3D, code)
#define MAKE_D3DSTATUS(code) MAKE_HRESULT(0, _FACD3D, code)

inline constexpr HRESULT D3D_OK = S_OK;
inline constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MAKE_D3DHRESULT(2072);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MAKE_D3DHRESULT(2073);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MAKE_D3DHRESULT(2074);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MAKE_D3DHRESULT(2075);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MAKE_D3DHRESULT(2076);
inline constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MAKE_D3DHRESULT(2077);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MAKE_D3DHRESULT(2078);
inline constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MAKE_D3DHRESULT(2079);
inline constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MAKE_D3DHRESULT(2081);
inline constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MAKE_D3DHRESULT(2082);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MAKE_D3DHRESULT(2086);
inline constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MAKE_D3DHRESULT(2087);
inline constexpr HRESULT D3DERR_NOTFOUND = MAKE_D3DHRESULT(2150);
inline constexpr HRESULT D3DERR_MOREDATA = MAKE_D3DHRESULT(2151);
inline constexpr HRESULT D3DERR_DEVICELOST = MAKE_D3DHRESULT(2152);
inline constexpr HRESULT D3DERR_DEVICENOTRESET = MAKE_D3DHRESULT(2153);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = MAKE_D3DHRESULT(2154);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MAKE_D3DHRESULT(380);
inline constexpr HRESULT D3DERR_INVALIDDEVICE = MAKE_D3DHRESULT(2155);
inline constexpr HRESULT D3DERR_INVALIDCALL = MAKE_D3DHRESULT(2156);
inline constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MAKE_D3DHRESULT(2157);

// Interface identifiers of this platform layer.
DEFINE_GUID(IID_IDirect3D8, 0x1DD9E8DA, 0x1C77, 0x4D40, 0xB0, 0xCF, 0x98, 0xFE, 0xFD, 0xFF, 0x95, 0x12);
DEFINE_GUID(IID_IDirect3DDevice8, 0x7385E5DF, 0x8FE8, 0x41D5, 0x86, 0xB6, 0xD7, 0xB4, 0x85, 0x47, 0xB6, 0xCF);
DEFINE_GUID(IID_IDirect3DVertexBuffer8, 0x8AEEEAC7, 0x05F9, 0x44D4, 0xB5, 0x91, 0x00, 0x0B, 0x0D, 0xF1, 0xCB, 0x95);
DEFINE_GUID(IID_IDirect3DIndexBuffer8, 0x0E689C9A, 0x053D, 0x44A0, 0x9D, 0x92, 0xDB, 0x0E, 0x3D, 0x75, 0x0F, 0x86);
DEFINE_GUID(IID_IDirect3DTexture8, 0xE4CDD575, 0x2866, 0x4F01, 0xB1, 0x2E, 0x7E, 0xEC, 0xE1, 0xEC, 0x93, 0x58);
DEFINE_GUID(IID_IDirect3DSurface8, 0xB96EEBCA, 0xB326, 0x4EA5, 0x88, 0x2F, 0x2F, 0xF5, 0xBA, 0xE0, 0x21, 0xDD);
DEFINE_GUID(IID_IDirect3DSwapChain8, 0x928C088B, 0x76B9, 0x4C6B, 0xA5, 0x36, 0xA5, 0x90, 0x85, 0x38, 0x76, 0xCD);

struct RGNDATA;
struct IDirect3DDevice8;

struct IDirect3DResource8 : IUnknown {
  // Adds a reference to the device.
  virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DVertexBuffer8 : IDirect3DResource8 {
  // Size 0 with offset 0 locks the whole buffer. Costs O(1): the memory
  // itself is returned. A lock without D3DLOCK_READONLY marks it changed.
  virtual HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DIndexBuffer8 : IDirect3DResource8 {
  virtual HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DSurface8 : IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
  // A NULL rect locks the whole surface.
  virtual HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;
};

struct IDirect3DBaseTexture8 : IDirect3DResource8 {
  virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture8 : IDirect3DBaseTexture8 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  // Adds a reference to the surface, which keeps the texture alive.
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};

struct IDirect3DSwapChain8 : IUnknown {
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow, const RGNDATA* dirty) = 0;
  virtual HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) = 0;
};

struct IDirect3D8;

struct IDirect3DDevice8 : IUnknown {
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual HRESULT GetDirect3D(IDirect3D8** direct3d) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS8* caps) = 0;
  virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
  virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain8** swapChain) = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow, const RGNDATA* dirty) = 0;
  virtual HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) = 0;

  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DTexture8** texture) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer8** buffer) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer8** buffer) = 0;
  virtual HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                     BOOL lockable, IDirect3DSurface8** surface) = 0;
  virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8** surface) = 0;
  virtual HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) = 0;
  // Copies rectangles between surfaces of one format; no rects copies the
  // whole source to the top-left corner of the destination.
  virtual HRESULT CopyRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT count,
                            IDirect3DSurface8* dest, const POINT* destPoints) = 0;
  virtual HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) = 0;
  virtual HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface8** depthStencil) = 0;

  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;

  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  // The stored matrix becomes matrix × stored.
  virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT8* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT8* viewport) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL8* material) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT8* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT8* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;

  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(DWORD* token) = 0;
  virtual HRESULT ApplyStateBlock(DWORD token) = 0;
  virtual HRESULT CaptureStateBlock(DWORD token) = 0;
  virtual HRESULT DeleteStateBlock(DWORD token) = 0;

  // Adds a reference to the texture.
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;

  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                  UINT vertexStride) = 0;
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                         UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                         const void* vertexData, UINT vertexStride) = 0;

  // Only fixed-function vertex shaders exist: the handle is an FVF code.
  virtual HRESULT SetVertexShader(DWORD handle) = 0;
  virtual HRESULT GetVertexShader(DWORD* handle) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) = 0;
  // Adds a reference to the buffer.
  virtual HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) = 0;
  // Adds a reference to the buffer.
  virtual HRESULT GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) = 0;
};

struct IDirect3D8 : IUnknown {
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) = 0;
  virtual UINT GetAdapterModeCount(UINT adapter) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) = 0;
};

using LPDIRECT3D8 = IDirect3D8*;
using LPDIRECT3DDEVICE8 = IDirect3DDevice8*;
using LPDIRECT3DVERTEXBUFFER8 = IDirect3DVertexBuffer8*;
using LPDIRECT3DINDEXBUFFER8 = IDirect3DIndexBuffer8*;
using LPDIRECT3DTEXTURE8 = IDirect3DTexture8*;
using LPDIRECT3DBASETEXTURE8 = IDirect3DBaseTexture8*;
using LPDIRECT3DSURFACE8 = IDirect3DSurface8*;
using LPDIRECT3DSWAPCHAIN8 = IDirect3DSwapChain8*;

// NULL unless sdkVersion is D3D_SDK_VERSION.
IDirect3D8* Direct3DCreate8(UINT sdkVersion);
