// The process's one Direct3D 8 device. The host constructs one object, which
// becomes g_pWindowedDevice; Create chooses an adapter, device type, display
// mode and vertex processing, creates a windowed device with a tiny implicit
// swap chain (every view draws into a swap chain of its own), the view text
// font, and writes what it found and chose to "DeviceCreationLog.txt" in the
// program folder.
#pragma once

#include <afx.h>
#include <d3d8.h>

class CViewFont;
class CDXWRenderSurface;

// Accepts (non-negative) or rejects a device's capabilities with a vertex
// processing behaviour and a display format.
using ConfirmDeviceCallback = HRESULT (*)(IDirect3D8* direct3d, D3DCAPS8* caps, DWORD behavior, D3DFORMAT format);

// Where the device list stops: adapters, device types of an adapter, modes
// of a device, and the distinct modes and formats collected from one adapter.
inline constexpr DWORD kMaxAdapters = 10;
inline constexpr DWORD kMaxDevicesPerAdapter = 5;
inline constexpr DWORD kMaxModesPerDevice = 150;
inline constexpr DWORD kMaxCollectedModes = 100;
inline constexpr DWORD kMaxCollectedFormats = 20;

struct D3DModeInfo {
  DWORD Width;
  DWORD Height;
  D3DFORMAT Format;
  DWORD dwBehavior;  // the D3DCREATE_ vertex-processing bits confirmed
  D3DFORMAT DepthStencilFormat;
};

struct D3DDeviceEntry {
  D3DDEVTYPE DeviceType;
  D3DCAPS8 d3dCaps;
  const char* strDesc;  // "HAL" or "REF"
  BOOL bCanDoWindowed;
  DWORD dwNumModes;
  D3DModeInfo modes[kMaxModesPerDevice];
  DWORD dwCurrentMode;
  BOOL bWindowed;
  D3DMULTISAMPLE_TYPE MultiSampleType;
};

struct D3DAdapterEntry {
  D3DADAPTER_IDENTIFIER8 d3dAdapterIdentifier;
  D3DDISPLAYMODE d3ddmDesktop;
  DWORD dwNumDevices;
  D3DDeviceEntry devices[kMaxDevicesPerAdapter];
  DWORD dwCurrentDevice;
};

class CDXWindowedDevice {
 public:
  // Becomes the process's device object (g_pWindowedDevice).
  CDXWindowedDevice();
  ~CDXWindowedDevice();
  CDXWindowedDevice(const CDXWindowedDevice&) = delete;
  CDXWindowedDevice& operator=(const CDXWindowedDevice&) = delete;

  // The device choice with its log; S_OK or E_FAIL.
  HRESULT Create(HWND window, ConfirmDeviceCallback confirm);
  // Releases everything and clears the object; always 0.
  int DestroyObjects();

  // A windowed HAL device with software vertex processing, without the
  // choice and its log: for batch work and tests, which show nothing.
  HRESULT CreateD3DDevice(HWND window);
  void DestroyD3DDevice() { DestroyObjects(); }

  // Created and not lost.
  bool IsReady() const { return m_created && !m_lost; }
  void SetLostDeviceFlag() { m_lost = true; }
  bool DeviceIsLost() const { return m_lost; }

  IDirect3D8* GetDirect3D() const { return m_direct3d; }
  // Not add-referenced: callers do not release it.
  IDirect3DDevice8* GetD3DDevice() const { return m_device; }
  D3DPRESENT_PARAMETERS GetPresentationParameters() const { return m_presentation; }
  D3DSURFACE_DESC GetBackBufferDesc() const { return m_backBufferDesc; }
  D3DSURFACE_DESC GetDepthBufferDesc() const { return m_depthBufferDesc; }
  bool ZBufferCreated() const { return m_primaryDepthBuffer != nullptr; }
  int UsingDepthBuffer() const { return m_useDepthBuffer; }
  bool AlphaTestingAvailable() const { return true; }
  bool DirectionalLightsSupported() const;
  DWORD IsNullReferenceDevice() const;
  DWORD GetMaxVertexIndex() const { return m_caps.MaxVertexIndex; }
  DWORD GetMaxPrimitiveCount() const { return m_caps.MaxPrimitiveCount; }
  DWORD GetMaxVertexBlendMatrixIndex() const { return m_caps.MaxVertexBlendMatrixIndex; }
  // The short description of the created device ("HAL (sw vp): ...").
  const char* GetDeviceStats() const { return m_deviceStats; }

  // The steps of Create, in their order.
  bool OpenDeviceCreationLog(CStdioFile& log);
  bool WriteTrace(CStdioFile& log, const char* text);
  HRESULT SelectDevice(CStdioFile& log);
  HRESULT BuildDeviceList(CStdioFile& log);
  HRESULT ConfirmDevice(IDirect3D8* direct3d, D3DCAPS8* caps, DWORD behavior, D3DFORMAT format);
  BOOL FindDepthStencilFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT* depthFormat);
  HRESULT CreateDirect3D(CStdioFile& log);

  // Makes a view's back and depth buffers the render target and its
  // projection the device's.
  HRESULT SetRenderSurface(CDXWRenderSurface* surface);
  // The device's own back and depth buffers become the render target again.
  HRESULT SetPrimaryRenderSurface();
  // Throws the message text when there is no Direct3D object or the call
  // fails.
  D3DDISPLAYMODE GetAdapterDisplayMode();

  // Text in the view through the font.
  HRESULT OutputText(float x, float y, DWORD colour, const char* text, DWORD flags);
  HRESULT GetTextExtent(const char* text, SIZE* size);
  // The text centred in a view of the rectangle's size, with a highlight
  // stepping along it every period milliseconds. Throws the message text
  // when the extent cannot be measured.
  void RenderText(const char* text, const RECT& rect, float red, float green, float blue, DWORD period);

  static CString GetDisplayModeDescription(const D3DDISPLAYMODE& mode);
  static CString GetD3DModeInfoDescription(const D3DModeInfo& mode);

  // Replaces Direct3DCreate8 for the next Create, so that tests can put a
  // Direct3D object of their own in front of the real one; NULL restores it.
  using Direct3DCreator = IDirect3D8* (*)(UINT sdkVersion);
  static void SetDirect3DCreator(Direct3DCreator creator);

 private:
  void ClearContent();
  void MakeDeviceStats();

  HWND m_window;
  IDirect3D8* m_direct3d;
  IDirect3DDevice8* m_device;
  D3DCAPS8 m_caps;
  D3DPRESENT_PARAMETERS m_presentation;
  D3DSURFACE_DESC m_backBufferDesc;
  D3DSURFACE_DESC m_depthBufferDesc;
  DWORD m_behavior;
  D3DAdapterEntry m_adapters[kMaxAdapters];
  DWORD m_numAdapters;
  DWORD m_currentAdapter;
  BOOL m_windowed;
  bool m_created;
  CViewFont* m_font;
  CDXWRenderSurface* m_renderSurface;
  char m_deviceStats[90];
  BOOL m_useDepthBuffer;
  DWORD m_minDepthBits;
  DWORD m_minStencilBits;
  IDirect3DSurface8* m_primaryBackBuffer;
  IDirect3DSurface8* m_primaryDepthBuffer;
  bool m_lost;
};

extern CDXWindowedDevice* g_pWindowedDevice;
