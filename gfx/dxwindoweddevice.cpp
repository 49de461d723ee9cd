#include "dxwindoweddevice.h"

#include <tracelog.h>

CDXWindowedDevice* g_pWindowedDevice = nullptr;

CDXWindowedDevice::CDXWindowedDevice() { g_pWindowedDevice = this; }

CDXWindowedDevice::~CDXWindowedDevice() {
  DestroyD3DDevice();
  if (g_pWindowedDevice == this) g_pWindowedDevice = nullptr;
}

HRESULT CDXWindowedDevice::CreateD3DDevice(HWND window) {
  DestroyD3DDevice();
  m_direct3d = Direct3DCreate8(D3D_SDK_VERSION);
  if (!m_direct3d) return E_FAIL;
  D3DPRESENT_PARAMETERS parameters{};
  parameters.Windowed = TRUE;
  parameters.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  parameters.BackBufferWidth = 2;
  parameters.BackBufferHeight = 2;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D16;
  HRESULT hr = m_direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &parameters,
                                        &m_device);
  if (SUCCEEDED(hr)) hr = m_device->GetDeviceCaps(&m_caps);
  if (FAILED(hr)) DestroyD3DDevice();
  return hr;
}

void CDXWindowedDevice::DestroyD3DDevice() {
  SafeRelease(&m_device);
  SafeRelease(&m_direct3d);
  m_caps = D3DCAPS8{};
}

bool CDXWindowedDevice::IsReady() { return m_device && SUCCEEDED(m_device->TestCooperativeLevel()); }
