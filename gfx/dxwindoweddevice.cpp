#include "dxwindoweddevice.h"

#include <appfiles.h>
#include <tracelog.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dxwrendersurface.h"
#include "viewfont.h"

CDXWindowedDevice* g_pWindowedDevice = nullptr;

namespace {

// The confirm callback of the last Create.
ConfirmDeviceCallback g_confirmDevice = nullptr;
CDXWindowedDevice::Direct3DCreator g_direct3dCreator = nullptr;

// The text of the user interface's string table shown when no device fits
// the desktop.
constexpr UINT kNoValidDeviceString = 61487;

UINT BitsPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_R8G8B8: return 24;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 32;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4: return 16;
    case D3DFMT_R3G3B2: return 8;
    default: return 0;
  }
}

const char* ColourText(D3DFORMAT format) {
  switch (BitsPerPixel(format)) {
    case 16: return ", High Color (16 bit)";
    case 24: return ", True Color (24 bit)";
    case 32: return ", True Color (32 bit)";
    case 8: return ", 256 Colors";
    default: return "";
  }
}

// Modes by format (the larger value first), then width, then height.
int CompareModes(const void* a, const void* b) {
  const auto& m = *static_cast<const D3DDISPLAYMODE*>(a);
  const auto& n = *static_cast<const D3DDISPLAYMODE*>(b);
  if (m.Format > n.Format) return -1;
  if (m.Format < n.Format) return 1;
  if (m.Width < n.Width) return -1;
  if (m.Width > n.Width) return 1;
  if (m.Height < n.Height) return -1;
  if (m.Height > n.Height) return 1;
  return 0;
}

}  // namespace

CDXWindowedDevice::CDXWindowedDevice() {
  g_pWindowedDevice = this;
  ClearContent();
}

CDXWindowedDevice::~CDXWindowedDevice() {
  DestroyObjects();
  if (g_pWindowedDevice == this) g_pWindowedDevice = nullptr;
}

void CDXWindowedDevice::ClearContent() {
  m_window = nullptr;
  m_direct3d = nullptr;
  m_device = nullptr;
  std::memset(&m_caps, 0, sizeof(m_caps));
  std::memset(&m_presentation, 0, sizeof(m_presentation));
  std::memset(&m_backBufferDesc, 0, sizeof(m_backBufferDesc));
  std::memset(&m_depthBufferDesc, 0, sizeof(m_depthBufferDesc));
  m_behavior = 0;
  std::memset(static_cast<void*>(m_adapters), 0, sizeof(m_adapters));
  m_numAdapters = 0;
  m_currentAdapter = 0;
  m_windowed = FALSE;
  m_created = false;
  m_font = nullptr;
  m_renderSurface = nullptr;
  std::memset(m_deviceStats, 0, sizeof(m_deviceStats));
  m_useDepthBuffer = TRUE;
  m_minDepthBits = 16;
  m_minStencilBits = 0;
  m_primaryBackBuffer = nullptr;
  m_primaryDepthBuffer = nullptr;
  m_lost = false;
}

int CDXWindowedDevice::DestroyObjects() {
  m_created = false;
  delete m_font;
  m_font = nullptr;
  SafeRelease(&m_primaryBackBuffer);
  SafeRelease(&m_primaryDepthBuffer);
  SafeRelease(&m_device);
  SafeRelease(&m_direct3d);
  ClearContent();
  return 0;
}

void CDXWindowedDevice::SetDirect3DCreator(Direct3DCreator creator) { g_direct3dCreator = creator; }

bool CDXWindowedDevice::DirectionalLightsSupported() const {
  return (m_caps.VertexProcessingCaps & D3DVTXPCAPS_DIRECTIONALLIGHTS) != 0;
}

DWORD CDXWindowedDevice::IsNullReferenceDevice() const {
  return m_caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE;
}

HRESULT CDXWindowedDevice::Create(HWND window, ConfirmDeviceCallback confirm) {
  CStdioFile log;
  try {
    if (!OpenDeviceCreationLog(log)) throw "\nOpenDeviceCreationLog() failed";
    WriteTrace(log, CTime::GetCurrentTime().Format("%A, %B %d, %Y"));
    m_window = window;
    g_confirmDevice = confirm;
    m_direct3d = (g_direct3dCreator ? g_direct3dCreator : Direct3DCreate8)(D3D_SDK_VERSION);
    if (!m_direct3d) {
      WriteTrace(log, "\n\nDid not find Direct3D on this machine.");
      WriteTrace(log, "\nInstall Direct3D if you want to use Qorvex Vorever.");
      throw "\nDirect3DCreate8() failed";
    }
    if (FAILED(SelectDevice(log))) {
      CString text;
      if (text.LoadString(kNoValidDeviceString)) WriteTrace(log, text);
      throw "\nSelectDevice() failed";
    }
    if (FAILED(CreateDirect3D(log))) {
      WriteTrace(log, "\n\nFailed to create the selected Direct3D device.");
      throw "\nCreateDirect3D() failed";
    }
    m_font = new CViewFont("Arial", 12, 1);
    if (FAILED(m_font->CreateGlyphTexture(m_device))) throw "\nFont initialization failed";
    if (FAILED(m_font->CreateDrawResources())) throw "\nFont initialization failed";
    m_created = true;
    return S_OK;
  } catch (const char* message) {
    DEBUG_TRACE(message);
  } catch (CException* e) {
    e->Delete();
  }
  DestroyObjects();
  return E_FAIL;
}

HRESULT CDXWindowedDevice::CreateD3DDevice(HWND window) {
  DestroyObjects();
  m_window = window;
  m_direct3d = (g_direct3dCreator ? g_direct3dCreator : Direct3DCreate8)(D3D_SDK_VERSION);
  if (!m_direct3d) return E_FAIL;
  m_presentation.Windowed = TRUE;
  m_presentation.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  m_presentation.BackBufferWidth = 2;
  m_presentation.BackBufferHeight = 2;
  m_presentation.BackBufferCount = 1;
  m_presentation.hDeviceWindow = window;
  m_behavior = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  HRESULT hr = m_direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                        m_behavior | D3DCREATE_MULTITHREADED, &m_presentation, &m_device);
  if (SUCCEEDED(hr)) hr = m_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_primaryBackBuffer);
  if (SUCCEEDED(hr)) hr = m_primaryBackBuffer->GetDesc(&m_backBufferDesc);
  if (SUCCEEDED(hr))
    hr = m_device->CreateDepthStencilSurface(m_backBufferDesc.Width, m_backBufferDesc.Height, D3DFMT_D16,
                                             D3DMULTISAMPLE_NONE, &m_primaryDepthBuffer);
  if (SUCCEEDED(hr)) hr = m_primaryDepthBuffer->GetDesc(&m_depthBufferDesc);
  if (SUCCEEDED(hr)) hr = m_device->SetRenderTarget(m_primaryBackBuffer, m_primaryDepthBuffer);
  if (SUCCEEDED(hr)) hr = m_device->GetDeviceCaps(&m_caps);
  if (FAILED(hr)) {
    DestroyObjects();
    return hr;
  }
  m_windowed = TRUE;
  MakeDeviceStats();
  m_created = true;
  return S_OK;
}

bool CDXWindowedDevice::OpenDeviceCreationLog(CStdioFile& log) {
  CString path;
  path.Format("%s\\%s", static_cast<const char*>(GetAppDirectory()), "DeviceCreationLog.txt");
  CFileException error;
  if (log.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText | CFile::shareDenyWrite, &error))
    return true;
  char message[256] = {};
  error.GetErrorMessage(message, 255);
  MessageBox(nullptr, message, "Opening the device creation log", MB_OK | MB_ICONERROR);
  return false;
}

bool CDXWindowedDevice::WriteTrace(CStdioFile& log, const char* text) {
  try {
    log.WriteString(text);
    log.Flush();
    return true;
  } catch (CException* e) {
    char message[256];
    e->GetErrorMessage(message, 255);
    e->Delete();
    return false;
  }
}

HRESULT CDXWindowedDevice::SelectDevice(CStdioFile& log) { return BuildDeviceList(log); }

HRESULT CDXWindowedDevice::ConfirmDevice(IDirect3D8* direct3d, D3DCAPS8* caps, DWORD behavior, D3DFORMAT format) {
  return g_confirmDevice ? g_confirmDevice(direct3d, caps, behavior, format) : S_OK;
}

BOOL CDXWindowedDevice::FindDepthStencilFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                               D3DFORMAT* depthFormat) {
  struct Candidate {
    D3DFORMAT format;
    DWORD depthBits, stencilBits;
  };
  static constexpr Candidate kCandidates[] = {{D3DFMT_D16, 16, 0},  {D3DFMT_D15S1, 15, 1},  {D3DFMT_D24X8, 24, 0},
                                              {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0}};
  for (const Candidate& c : kCandidates) {
    const bool allowed = m_minDepthBits <= c.depthBits &&
                         (c.stencilBits == 0 ? m_minStencilBits == 0 : m_minStencilBits <= c.stencilBits);
    if (!allowed) continue;
    if (SUCCEEDED(m_direct3d->CheckDeviceFormat(adapter, type, adapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                c.format)) &&
        SUCCEEDED(m_direct3d->CheckDepthStencilMatch(adapter, type, adapterFormat, adapterFormat, c.format))) {
      *depthFormat = c.format;
      return TRUE;
    }
  }
  return FALSE;
}

HRESULT CDXWindowedDevice::BuildDeviceList(CStdioFile& log) {
  static constexpr D3DDEVTYPE kTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
  static constexpr const char* kTypeTexts[] = {"HAL", "REF"};
  D3DDISPLAYMODE desktop{};
  HRESULT hr = m_direct3d->GetAdapterDisplayMode(0, &desktop);
  if (FAILED(hr)) return hr;
  WriteTrace(log, "\n\nCurrent desktop display mode:");
  WriteTrace(log, GetDisplayModeDescription(desktop));

  m_numAdapters = 0;
  const UINT adapterCount = m_direct3d->GetAdapterCount();
  for (UINT adapter = 0; adapter < adapterCount && m_numAdapters < kMaxAdapters; ++adapter) {
    D3DAdapterEntry& entry = m_adapters[m_numAdapters];
    std::memset(static_cast<void*>(&entry), 0, sizeof(entry));
    m_direct3d->GetAdapterIdentifier(adapter, 0, &entry.d3dAdapterIdentifier);
    entry.d3dAdapterIdentifier.Driver[sizeof(entry.d3dAdapterIdentifier.Driver) - 1] = '\0';
    entry.d3dAdapterIdentifier.Description[sizeof(entry.d3dAdapterIdentifier.Description) - 1] = '\0';
    m_direct3d->GetAdapterDisplayMode(adapter, &entry.d3ddmDesktop);
    CString line;
    line.Format("\n\nValid display modes of the adapter %s.", entry.d3dAdapterIdentifier.Driver);
    WriteTrace(log, line);

    // The distinct modes of at least 640 × 400 and their formats, the
    // desktop's format first; what does not fit the lists is left out.
    D3DDISPLAYMODE modes[kMaxCollectedModes];
    DWORD numModes = 0;
    D3DFORMAT formats[kMaxCollectedFormats];
    DWORD numFormats = 0;
    formats[numFormats++] = entry.d3ddmDesktop.Format;
    const UINT modeCount = m_direct3d->GetAdapterModeCount(adapter);
    for (UINT i = 0; i < modeCount; ++i) {
      D3DDISPLAYMODE mode{};
      if (FAILED(m_direct3d->EnumAdapterModes(adapter, i, &mode))) continue;
      if (mode.Width < 640 || mode.Height < 400) continue;
      bool seen = false;
      for (DWORD m = 0; m < numModes && !seen; ++m)
        seen = modes[m].Width == mode.Width && modes[m].Height == mode.Height && modes[m].Format == mode.Format;
      if (seen) continue;
      bool knownFormat = false;
      for (DWORD f = 0; f < numFormats && !knownFormat; ++f) knownFormat = formats[f] == mode.Format;
      if (!knownFormat && numFormats == kMaxCollectedFormats) continue;
      if (numModes == kMaxCollectedModes) break;
      modes[numModes++] = mode;
      if (!knownFormat) formats[numFormats++] = mode.Format;
    }
    std::qsort(modes, numModes, sizeof(D3DDISPLAYMODE), CompareModes);

    for (DWORD t = 0; t < std::size(kTypes) && entry.dwNumDevices < kMaxDevicesPerAdapter; ++t) {
      D3DDeviceEntry& device = entry.devices[entry.dwNumDevices];
      device.DeviceType = kTypes[t];
      if (FAILED(m_direct3d->GetDeviceCaps(adapter, kTypes[t], &device.d3dCaps))) continue;
      device.strDesc = kTypeTexts[t];
      device.dwNumModes = 0;
      device.dwCurrentMode = 0;
      device.bCanDoWindowed = FALSE;
      device.bWindowed = FALSE;
      device.MultiSampleType = D3DMULTISAMPLE_NONE;
      line.Format("\n\n%s device.", device.strDesc);
      WriteTrace(log, line);

      bool confirmed[kMaxCollectedFormats] = {};
      DWORD behavior[kMaxCollectedFormats] = {};
      D3DFORMAT depth[kMaxCollectedFormats] = {};
      for (DWORD f = 0; f < numFormats; ++f) {
        if (FAILED(m_direct3d->CheckDeviceType(adapter, device.DeviceType, formats[f], formats[f], TRUE))) continue;
        auto attempt = [&](DWORD value) {
          behavior[f] = value;
          confirmed[f] = SUCCEEDED(ConfirmDevice(m_direct3d, &device.d3dCaps, value, formats[f]));
        };
        if (device.d3dCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
          if (device.d3dCaps.DevCaps & D3DDEVCAPS_PUREDEVICE)
            attempt(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE);
          if (!confirmed[f]) attempt(D3DCREATE_HARDWARE_VERTEXPROCESSING);
          if (!confirmed[f]) attempt(D3DCREATE_MIXED_VERTEXPROCESSING);
        }
        if (!confirmed[f]) attempt(D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        if (confirmed[f] && m_useDepthBuffer &&
            !FindDepthStencilFormat(adapter, device.DeviceType, formats[f], &depth[f]))
          confirmed[f] = false;
      }
      for (DWORD m = 0; m < numModes; ++m)
        for (DWORD f = 0; f < numFormats; ++f) {
          if (modes[m].Format != formats[f] || !confirmed[f] || device.dwNumModes == kMaxModesPerDevice) continue;
          D3DModeInfo& info = device.modes[device.dwNumModes++];
          info = {modes[m].Width, modes[m].Height, modes[m].Format, behavior[f], depth[f]};
          WriteTrace(log, GetD3DModeInfoDescription(info));
        }
      for (DWORD m = 0; m < device.dwNumModes; ++m) {
        const D3DModeInfo& info = device.modes[m];
        if (info.Width != desktop.Width || info.Height != desktop.Height) continue;
        device.dwCurrentMode = m;
        if (info.Format == desktop.Format) break;
      }
      if (confirmed[0] && (device.d3dCaps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) {
        device.bCanDoWindowed = TRUE;
        device.bWindowed = TRUE;
        WriteTrace(log, "\n\nThis device can render in the current desktop display mode.");
      } else {
        WriteTrace(log, "\n\nThis device cannot render in the current desktop display mode.");
      }
      if (device.dwNumModes > 0) ++entry.dwNumDevices;
    }
    if (entry.dwNumDevices > 0) ++m_numAdapters;
  }
  if (m_numAdapters == 0) return static_cast<HRESULT>(0x82000003);

  for (int pass = 0; pass < 2; ++pass)
    for (DWORD a = 0; a < m_numAdapters; ++a)
      for (DWORD d = 0; d < m_adapters[a].dwNumDevices; ++d) {
        D3DDeviceEntry& device = m_adapters[a].devices[d];
        if (!device.bWindowed || (pass == 0 && device.DeviceType != D3DDEVTYPE_HAL)) continue;
        m_adapters[a].dwCurrentDevice = d;
        m_currentAdapter = a;
        m_windowed = TRUE;
        WriteTrace(log, "\n\nThe selected device is:");
        CString line;
        line.Format("\nAdapter %s.", m_adapters[a].d3dAdapterIdentifier.Driver);
        WriteTrace(log, line);
        line.Format("\n%s device.", device.strDesc);
        WriteTrace(log, line);
        WriteTrace(log, GetD3DModeInfoDescription(device.modes[device.dwCurrentMode]));
        if (pass == 1 && (device.d3dCaps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE))
          WriteTrace(log,
                     "\n\nWarning: Nothing will be rendered with this reference device.\nThis computer only has a "
                     "reduced-functionality reference device\ninstalled.\n");
        return S_OK;
      }
  return static_cast<HRESULT>(0x82000004);
}

HRESULT CDXWindowedDevice::CreateDirect3D(CStdioFile& log) {
  D3DAdapterEntry& adapter = m_adapters[m_currentAdapter];
  D3DDeviceEntry& device = adapter.devices[adapter.dwCurrentDevice];
  const D3DModeInfo& mode = device.modes[device.dwCurrentMode];
  std::memset(&m_presentation, 0, sizeof(m_presentation));
  m_presentation.Windowed = m_windowed;
  m_presentation.BackBufferCount = 1;
  m_presentation.MultiSampleType = D3DMULTISAMPLE_NONE;
  m_presentation.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  m_presentation.hDeviceWindow = m_window;
  m_presentation.EnableAutoDepthStencil = FALSE;
  if (m_windowed) {
    m_presentation.BackBufferWidth = 2;
    m_presentation.BackBufferHeight = 2;
    m_presentation.BackBufferFormat = adapter.d3ddmDesktop.Format;
  } else {
    m_presentation.BackBufferWidth = mode.Width;
    m_presentation.BackBufferHeight = mode.Height;
    m_presentation.BackBufferFormat = mode.Format;
  }
  if (device.d3dCaps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE)
    WriteTrace(log, "\nCreating a null ref device that can't render anything.");
  if (mode.dwBehavior & D3DCREATE_HARDWARE_VERTEXPROCESSING)
    WriteTrace(log, "\nCreating a device with hardware vertex processing.");
  if (mode.dwBehavior & D3DCREATE_MIXED_VERTEXPROCESSING)
    WriteTrace(log, "\nCreating a device with mixed (both software and hardware) vertex processing.");
  if (mode.dwBehavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
    WriteTrace(log, "\nCreating a device with software vertex processing.");
  if (mode.dwBehavior & D3DCREATE_PUREDEVICE) WriteTrace(log, "\nCreating a pure device.");

  HRESULT hr = m_direct3d->CreateDevice(m_currentAdapter, device.DeviceType, m_window,
                                        mode.dwBehavior | D3DCREATE_MULTITHREADED, &m_presentation, &m_device);
  if (SUCCEEDED(hr)) hr = m_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_primaryBackBuffer);
  if (SUCCEEDED(hr)) hr = m_primaryBackBuffer->GetDesc(&m_backBufferDesc);
  if (SUCCEEDED(hr))
    hr = m_device->CreateDepthStencilSurface(m_backBufferDesc.Width, m_backBufferDesc.Height,
                                             mode.DepthStencilFormat, m_backBufferDesc.MultiSampleType,
                                             &m_primaryDepthBuffer);
  if (SUCCEEDED(hr)) hr = m_primaryDepthBuffer->GetDesc(&m_depthBufferDesc);
  if (SUCCEEDED(hr)) hr = m_device->SetRenderTarget(m_primaryBackBuffer, m_primaryDepthBuffer);

  if (SUCCEEDED(hr)) {
    m_device->GetDeviceCaps(&m_caps);
    m_behavior = mode.dwBehavior;
    WriteTrace(log, "\n\nCapabilities of the created 3D device:");
    if (m_caps.DeviceType == D3DDEVTYPE_REF)
      WriteTrace(log, "\nA REF device is selected, Microsoft® Direct3D® features are implemented in software.");
    else if (m_caps.DeviceType == D3DDEVTYPE_HAL)
      WriteTrace(log, "\nA HAL device is selected.");
    else if (m_caps.DeviceType == D3DDEVTYPE_SW)
      WriteTrace(log,
                 "\nA SW device is selected, a pluggable software device that has been registered with Direct3D.");
    WriteTrace(log, (m_caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) ? "\nCapable of rendering in windowed mode."
                                                                 : "\nUnable to render in windowed mode.");
    const bool blending = (m_caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) && (m_caps.SrcBlendCaps & D3DPBLENDCAPS_INVSRCALPHA);
    WriteTrace(log, blending ? "\nSupports the desired blending capabilities."
                             : "\nNo support for the desired blending capabilities.");
    IDirect3DSurface8* depthSurface = nullptr;
    D3DSURFACE_DESC depthDesc{};
    if (FAILED(m_device->GetDepthStencilSurface(&depthSurface)) || FAILED(depthSurface->GetDesc(&depthDesc))) {
      WriteTrace(log, "\nNot depth surface.");
    } else {
      D3DDISPLAYMODE display{};
      m_device->GetDisplayMode(&display);
      WriteTrace(log, SUCCEEDED(m_direct3d->CheckDeviceFormat(m_caps.AdapterOrdinal, m_caps.DeviceType,
                                                              display.Format, D3DUSAGE_DEPTHSTENCIL,
                                                              D3DRTYPE_SURFACE, depthDesc.Format))
                          ? "\nThe driver supports depth buffering through z-buffers."
                          : "\nUnable to create a z-buffer.");
      WriteTrace(log, SUCCEEDED(m_direct3d->CheckDepthStencilMatch(m_caps.AdapterOrdinal, m_caps.DeviceType,
                                                                   display.Format, display.Format, depthDesc.Format))
                          ? "\nThe depth format is compatible."
                          : "\nThe depth format is not compatible.");
    }
    SafeRelease(&depthSurface);
    if (m_caps.DevCaps & D3DDEVCAPS_PUREDEVICE) WriteTrace(log, "\nThis is a pure device.");
    if (m_caps.RasterCaps & D3DPRASTERCAPS_ZBIAS) WriteTrace(log, "\nThe device supports z-bias values.");
    if (m_caps.VertexProcessingCaps & D3DVTXPCAPS_DIRECTIONALLIGHTS)
      WriteTrace(log, "\nThe device supports directional lights.");
    MakeDeviceStats();
    WriteTrace(log, m_deviceStats);
    return S_OK;
  }

  if (device.DeviceType == D3DDEVTYPE_HAL) {
    WriteTrace(log, "\n\nSwitching from HAL to the reference rasterizer.");
    // What the failed attempt made goes before the second device is made.
    SafeRelease(&m_primaryBackBuffer);
    SafeRelease(&m_primaryDepthBuffer);
    SafeRelease(&m_device);
    m_currentAdapter = 0;
    D3DAdapterEntry& first = m_adapters[0];
    for (DWORD d = 0; d < first.dwNumDevices; ++d)
      if (first.devices[d].DeviceType == D3DDEVTYPE_REF) {
        first.dwCurrentDevice = d;
        m_windowed = first.devices[d].bWindowed;
        break;
      }
    if (first.devices[first.dwCurrentDevice].DeviceType == D3DDEVTYPE_REF) return CreateDirect3D(log);
  }
  return hr;
}

void CDXWindowedDevice::MakeDeviceStats() {
  const bool hal = m_caps.DeviceType == D3DDEVTYPE_HAL;
  const char* type = m_caps.DeviceType == D3DDEVTYPE_REF ? "REF" : hal ? "HAL" : m_caps.DeviceType == D3DDEVTYPE_SW ? "SW" : "";
  const char* processing = "";
  if ((m_behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (m_behavior & D3DCREATE_PUREDEVICE))
    processing = hal ? " (pure hw vp)" : " (simulated pure hw vp)";
  else if (m_behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING)
    processing = hal ? " (hw vp)" : " (simulated hw vp)";
  else if (m_behavior & D3DCREATE_MIXED_VERTEXPROCESSING)
    processing = hal ? " (mixed vp)" : " (simulated mixed vp)";
  else if (m_behavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
    processing = " (sw vp)";
  std::string stats = std::string(type) + processing;
  if (hal) stats += std::string(": ") + m_adapters[m_currentAdapter].d3dAdapterIdentifier.Description;
  // A long adapter description is cut to the room the text has.
  const size_t length = std::min(stats.size(), sizeof(m_deviceStats) - 1);
  std::memcpy(m_deviceStats, stats.data(), length);
  m_deviceStats[length] = '\0';
}

HRESULT CDXWindowedDevice::SetRenderSurface(CDXWRenderSurface* surface) {
  m_renderSurface = surface;
  if (!surface || !m_device) return E_FAIL;
  HRESULT hr = m_device->SetRenderTarget(surface->GetBackBuffer(), surface->GetZBuffer());
  if (FAILED(hr)) return hr;
  hr = surface->SetProjectionTransformation(m_device);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CDXWindowedDevice::SetPrimaryRenderSurface() {
  if (!m_device) return E_FAIL;
  return m_device->SetRenderTarget(m_primaryBackBuffer, m_primaryDepthBuffer);
}

D3DDISPLAYMODE CDXWindowedDevice::GetAdapterDisplayMode() {
  if (!m_direct3d) throw "\nError: The Direct3D8 object does not exist.";
  D3DDISPLAYMODE mode{};
  if (FAILED(m_direct3d->GetAdapterDisplayMode(m_currentAdapter, &mode)))
    throw "\nError: GetAdapterDisplayMode() failed.";
  return mode;
}

HRESULT CDXWindowedDevice::OutputText(float x, float y, DWORD colour, const char* text, DWORD flags) {
  return m_font ? m_font->DrawViewText(x, y, colour, text, flags) : E_FAIL;
}

HRESULT CDXWindowedDevice::GetTextExtent(const char* text, SIZE* size) {
  return m_font ? m_font->GetTextExtent(text, size) : E_FAIL;
}

void CDXWindowedDevice::RenderText(const char* text, const RECT& rect, float red, float green, float blue,
                                   DWORD period) {
  SIZE extent{};
  if (FAILED(GetTextExtent(text, &extent))) throw "\nError: GetTextExtent() failed ().";
  const float x = static_cast<float>(rect.right - rect.left) / 2.0f - static_cast<float>(extent.cx) / 2.0f;
  const float y = static_cast<float>(rect.bottom - rect.top) / 2.0f - static_cast<float>(extent.cy) / 2.0f;
  if (m_font) m_font->DrawTimedText(x, y, text, red, green, blue, period);
}

CString CDXWindowedDevice::GetDisplayModeDescription(const D3DDISPLAYMODE& mode) {
  CString refresh, text;
  if (mode.RefreshRate != 0) refresh.Format(", %u Hertz", mode.RefreshRate);
  text.Format("\n%u by %u pixels%s%s", mode.Width, mode.Height, ColourText(mode.Format),
              static_cast<const char*>(refresh));
  return text;
}

CString CDXWindowedDevice::GetD3DModeInfoDescription(const D3DModeInfo& mode) {
  CString text;
  text.Format("\n%u by %u pixels%s", static_cast<unsigned>(mode.Width), static_cast<unsigned>(mode.Height),
              ColourText(mode.Format));
  return text;
}
