#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "d3d8device.h"

namespace {

// The one adapter: a desktop of 1280 × 1024 in 32-bit colour, and the usual
// smaller sizes in 16- and 32-bit colour. The device draws off screen, so
// every mode is as good as another.
constexpr D3DDISPLAYMODE kDesktopMode = {1280, 1024, 60, D3DFMT_X8R8G8B8};
constexpr D3DDISPLAYMODE kModes[] = {
    {640, 480, 60, D3DFMT_R5G6B5},    {800, 600, 60, D3DFMT_R5G6B5},    {1024, 768, 60, D3DFMT_R5G6B5},
    {1152, 864, 60, D3DFMT_R5G6B5},   {1280, 960, 60, D3DFMT_R5G6B5},   {1280, 1024, 60, D3DFMT_R5G6B5},
    {640, 480, 60, D3DFMT_X8R8G8B8},  {800, 600, 60, D3DFMT_X8R8G8B8},  {1024, 768, 60, D3DFMT_X8R8G8B8},
    {1152, 864, 60, D3DFMT_X8R8G8B8}, {1280, 960, 60, D3DFMT_X8R8G8B8}, {1280, 1024, 60, D3DFMT_X8R8G8B8},
};
constexpr UINT kDefaultBackBufferWidth = 640;
constexpr UINT kDefaultBackBufferHeight = 480;

bool DisplayFormat(D3DFORMAT format) { return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5; }

D3DCAPS8 MakeCaps(D3DDEVTYPE type) {
  const D3D8GLFacts& gl = D3D8GetGLFacts(type);
  D3DCAPS8 caps{};
  caps.DeviceType = type;
  caps.AdapterOrdinal = D3DADAPTER_DEFAULT;
  caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
  caps.PresentationIntervals = 1;
  caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_HWRASTERIZATION |
                 D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_ZBIAS;
  caps.ZCmpCaps = caps.AlphaCmpCaps = D3DPCMPCAPS_ALL;
  caps.SrcBlendCaps = caps.DestBlendCaps = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR |
                                           D3DPBLENDCAPS_INVSRCCOLOR | D3DPBLENDCAPS_SRCALPHA |
                                           D3DPBLENDCAPS_INVSRCALPHA;
  caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                           D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;
  // Textures of this layer are at most 4096 pixels wide.
  caps.MaxTextureWidth = caps.MaxTextureHeight =
      static_cast<DWORD>(std::min<GLint>(gl.maxTextureSize, static_cast<GLint>(D3D8_MAX_TEXTURE_SIZE)));
  caps.MaxTextureRepeat = 8192;
  caps.MaxTextureAspectRatio = 4096;
  caps.MaxAnisotropy = 1;
  caps.MaxVertexW = 1.0e10f;
  caps.GuardBandLeft = caps.GuardBandTop = -8192.0f;
  caps.GuardBandRight = caps.GuardBandBottom = 8192.0f;
  caps.FVFCaps = 8;
  caps.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                       D3DTEXOPCAPS_MODULATE;
  caps.MaxTextureBlendStages = caps.MaxSimultaneousTextures = D3D_TEXTURESTAGE_COUNT;
  caps.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                              D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  caps.MaxActiveLights = static_cast<DWORD>(gl.maxLights);
  caps.MaxUserClipPlanes = 6;
  // Vertices are blended on the CPU before the draw (blend.cpp): four
  // matrices a vertex, from a palette of 256 world matrices.
  caps.MaxVertexBlendMatrices = 4;
  caps.MaxVertexBlendMatrixIndex = 255;
  caps.MaxPointSize = 64.0f;
  caps.MaxPrimitiveCount = 0x00FFFFFF;
  caps.MaxVertexIndex = 0x00FFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 255;
  return caps;
}

class CDirect3D8 : public TComObject<IDirect3D8, &IID_IDirect3D8> {
 public:
  // One adapter when OpenGL can be had, none otherwise.
  UINT GetAdapterCount() override { return D3D8GetGLFacts(D3DDEVTYPE_HAL).available ? 1 : 0; }

  // The driver is the OpenGL vendor, the description its renderer and
  // version.
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* identifier) override {
    if (adapter != D3DADAPTER_DEFAULT || !identifier) return D3DERR_INVALIDCALL;
    const D3D8GLFacts& gl = D3D8GetGLFacts(D3DDEVTYPE_HAL);
    if (!gl.available) return D3DERR_NOTAVAILABLE;
    std::memset(identifier, 0, sizeof(*identifier));
    std::snprintf(identifier->Driver, sizeof(identifier->Driver), "%s", gl.vendor.c_str());
    std::snprintf(identifier->Description, sizeof(identifier->Description), "%s, OpenGL %s", gl.renderer.c_str(),
                  gl.version.c_str());
    return D3D_OK;
  }

  UINT GetAdapterModeCount(UINT adapter) override {
    return adapter == D3DADAPTER_DEFAULT ? static_cast<UINT>(std::size(kModes)) : 0;
  }

  HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override {
    if (adapter != D3DADAPTER_DEFAULT || !displayMode || mode >= std::size(kModes)) return D3DERR_INVALIDCALL;
    *displayMode = kModes[mode];
    return D3D_OK;
  }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
    if (adapter != D3DADAPTER_DEFAULT || !displayMode) return D3DERR_INVALIDCALL;
    *displayMode = kDesktopMode;
    return D3D_OK;
  }

  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                          BOOL) override {
    if (adapter != D3DADAPTER_DEFAULT || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!DisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
    bool matches = backBufferFormat == displayFormat ||
                   (displayFormat == D3DFMT_X8R8G8B8 && backBufferFormat == D3DFMT_A8R8G8B8);
    return matches ? D3D_OK : D3DERR_NOTAVAILABLE;
  }

  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
    if (adapter != D3DADAPTER_DEFAULT || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!DisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
      return resourceType == D3DRTYPE_SURFACE && D3D8DepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (resourceType != D3DRTYPE_SURFACE && resourceType != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    return D3D8FormatSize(checkFormat) != 0 && !D3D8DepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }

  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT,
                                 D3DFORMAT depthStencilFormat) override {
    if (adapter != D3DADAPTER_DEFAULT || !ValidType(type)) return D3DERR_INVALIDCALL;
    return DisplayFormat(adapterFormat) && D3D8DepthFormat(depthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }

  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override {
    if (adapter != D3DADAPTER_DEFAULT || !ValidType(type) || !caps) return D3DERR_INVALIDCALL;
    if (!D3D8GetGLFacts(type).available) return D3DERR_NOTAVAILABLE;
    *caps = MakeCaps(type);
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    constexpr DWORD processing = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                 D3DCREATE_MIXED_VERTEXPROCESSING;
    DWORD chosen = behaviorFlags & processing;
    if (adapter != D3DADAPTER_DEFAULT || !ValidType(type) || !parameters ||
        (chosen != D3DCREATE_SOFTWARE_VERTEXPROCESSING && chosen != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
         chosen != D3DCREATE_MIXED_VERTEXPROCESSING))
      return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS p = *parameters;
    if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = kDesktopMode.Format;
    if (p.BackBufferWidth == 0) p.BackBufferWidth = kDefaultBackBufferWidth;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = kDefaultBackBufferHeight;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    if (D3D8FormatSize(p.BackBufferFormat) == 0 || D3D8DepthFormat(p.BackBufferFormat) ||
        (p.EnableAutoDepthStencil && !D3D8DepthFormat(p.AutoDepthStencilFormat)))
      return D3DERR_INVALIDCALL;
    *parameters = p;
    D3DDEVICE_CREATION_PARAMETERS creation{adapter, type, focusWindow, behaviorFlags};
    auto* created = new (std::nothrow) CDirect3DDevice8(this, creation, p, MakeCaps(type));
    if (!created) return E_OUTOFMEMORY;
    HRESULT hr = created->Initialize();
    if (FAILED(hr)) {
      created->Release();
      return hr;
    }
    *device = created;
    return D3D_OK;
  }

 private:
  static bool ValidType(D3DDEVTYPE type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }
};

}  // namespace

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new (std::nothrow) CDirect3D8();
}
