#include "dxwrendersurface.h"

#include <afx.h>
#include <tracelog.h>

#include <algorithm>
#include <bit>

#include "dxwindoweddevice.h"

namespace {

constexpr float kDefaultNear = std::bit_cast<float>(0x3C23D70Au);  // 0.01
constexpr float kDefaultFar = std::bit_cast<float>(0x42C80000u);   // 100
constexpr float kDefaultFov = std::bit_cast<float>(0x3FC90FDBu);   // a quarter turn
constexpr float kZeroNearStandIn = std::bit_cast<float>(0x3DCCCCCDu);  // 0.1

}  // namespace

CDXWRenderSurface::CDXWRenderSurface() { ClearContent(); }

CDXWRenderSurface::~CDXWRenderSurface() { DestroyContent(); }

void CDXWRenderSurface::ClearContent() {
  m_width = m_height = 0;
  m_windowRect = RECT{0, 0, 0, 0};
  m_ready = false;
  m_window = nullptr;
  m_frustum = nullptr;
  m_swapChain = nullptr;
  m_depthBuffer = nullptr;
  m_backBuffer = nullptr;
  m_backBufferCopy = nullptr;
}

void CDXWRenderSurface::DestroyContent() {
  m_ready = false;
  if (g_pWindowedDevice && m_swapChain) g_pWindowedDevice->SetPrimaryRenderSurface();
  SafeRelease(&m_depthBuffer);
  SafeRelease(&m_backBuffer);
  SafeRelease(&m_backBufferCopy);
  SafeRelease(&m_swapChain);
  delete m_frustum;
  ClearContent();
}

HRESULT CDXWRenderSurface::Initialize(HWND window) { return Initialize(window, kDefaultNear, kDefaultFar, kDefaultFov); }

HRESULT CDXWRenderSurface::Initialize(HWND window, float nearPlane, float farPlane, float horizontalFov) {
  IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
  m_ready = false;
  HRESULT result = S_OK;
  try {
    DestroyContent();
    m_window = window;
    SetPosition();
    if (!device) throw "\nError: Could not set the d3d device back surface as the render target.";
    D3DPRESENT_PARAMETERS parameters = g_pWindowedDevice->GetPresentationParameters();
    const D3DDISPLAYMODE display = g_pWindowedDevice->GetAdapterDisplayMode();
    parameters.BackBufferWidth = m_width;
    parameters.BackBufferHeight = m_height;
    parameters.hDeviceWindow = window;
    parameters.EnableAutoDepthStencil = FALSE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.BackBufferFormat = display.Format;
    if (FAILED(device->CreateAdditionalSwapChain(&parameters, &m_swapChain)))
      throw "\nCreateAdditionalSwapChain() failed";
    if (FAILED(m_swapChain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_backBuffer))) throw "\nGetBackBuffer() failed";
    if (g_pWindowedDevice->ZBufferCreated()) {
      D3DSURFACE_DESC desc{};
      if (FAILED(m_backBuffer->GetDesc(&desc))) throw "\nGetDesc() failed";
      if (FAILED(device->CreateDepthStencilSurface(desc.Width, desc.Height,
                                                   g_pWindowedDevice->GetDepthBufferDesc().Format,
                                                   desc.MultiSampleType, &m_depthBuffer)))
        throw "\nCreateDepthStencilSurface() failed";
      if (FAILED(device->SetRenderTarget(m_backBuffer, m_depthBuffer))) throw "\nSetRenderTarget() failed";
    }
  } catch (const char* message) {
    DEBUG_TRACE(message);
    result = E_FAIL;
  } catch (CException* e) {
    e->Delete();
    result = E_FAIL;
  }
  // The frustum is made whatever the first stage gave.
  m_frustum = new CViewingFrustum;
  m_frustum->Initialize(horizontalFov, m_width, m_height, nearPlane, farPlane);
  if (FAILED(SetProjectionTransformation(device))) {
    DEBUG_TRACE("\nSetProjectionTransformation() failed");
    result = E_FAIL;
  }
  m_ready = result == S_OK;
  return result;
}

HRESULT CDXWRenderSurface::InitializeDeviceObjects(HWND window) {
  float nearPlane = kDefaultNear, farPlane = kDefaultFar, fov = kDefaultFov;
  if (m_frustum) {
    nearPlane = m_frustum->GetNearPlane();
    farPlane = m_frustum->GetFarPlane();
    fov = m_frustum->GetHorizontalFOV();
  }
  return Initialize(window, nearPlane, farPlane, fov);
}

HRESULT CDXWRenderSurface::SetRenderWindow(HWND window) {
  const HRESULT hr = InitializeDeviceObjects(window);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CDXWRenderSurface::Resize() { return SetRenderWindow(m_window); }

void CDXWRenderSurface::Move() { SetPosition(); }

void CDXWRenderSurface::SetPosition() {
  RECT client{0, 0, 0, 0};
  if (m_window) GetClientRect(m_window, &client);
  m_windowRect = client;
  m_width = static_cast<DWORD>(std::max<LONG>(client.right - client.left, 0));
  m_height = static_cast<DWORD>(std::max<LONG>(client.bottom - client.top, 0));
  if (m_width == 0) m_width = 1;
  if (m_height == 0) m_height = 1;
}

HRESULT CDXWRenderSurface::GetRenderSurface(IDirect3DSurface8*& surface) {
  surface = nullptr;
  if (!m_swapChain) return E_FAIL;
  const HRESULT hr = m_swapChain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
  if (SUCCEEDED(hr)) surface->Release();
  return hr;
}

void CDXWRenderSurface::CopyBetween(bool save) {
  if (!m_swapChain) throw "\nGetBackBuffer() failed";
  IDirect3DSurface8* back = nullptr;
  if (FAILED(m_swapChain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) throw "\nGetBackBuffer() failed";
  try {
    IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
    if (!device) throw "\n CopyRects() failed";
    D3DSURFACE_DESC backDesc{}, copyDesc{};
    if (FAILED(back->GetDesc(&backDesc))) throw "\nGetDesc() failed";
    if (m_backBufferCopy && FAILED(m_backBufferCopy->GetDesc(&copyDesc))) throw "\nGetDesc() failed";
    if (save && (!m_backBufferCopy || copyDesc.Width != backDesc.Width || copyDesc.Height != backDesc.Height ||
                 copyDesc.Format != backDesc.Format)) {
      SafeRelease(&m_backBufferCopy);
      if (FAILED(device->CreateImageSurface(backDesc.Width, backDesc.Height, backDesc.Format, &m_backBufferCopy)))
        throw "\n CreateImageSurface() failed";
      copyDesc = backDesc;
    }
    // Nothing saved yet: the back buffer stays as it is.
    if (!m_backBufferCopy) throw "\n CopyRects() failed";
    const RECT rect{0, 0, static_cast<LONG>(std::min(backDesc.Width, copyDesc.Width)),
                    static_cast<LONG>(std::min(backDesc.Height, copyDesc.Height))};
    const POINT origin{0, 0};
    const HRESULT hr = save ? device->CopyRects(back, &rect, 1, m_backBufferCopy, &origin)
                            : device->CopyRects(m_backBufferCopy, &rect, 1, back, &origin);
    if (FAILED(hr)) throw "\n CopyRects() failed";
  } catch (...) {
    back->Release();
    throw;
  }
  back->Release();
}

void CDXWRenderSurface::CopyBackBuffer() { CopyBetween(true); }

void CDXWRenderSurface::RestoreBackBuffer() { CopyBetween(false); }

void CDXWRenderSurface::SetFrustumFOVs(float horizontalFov, float farPlane, float nearPlane) {
  if (nearPlane == 0.0f) nearPlane = kZeroNearStandIn;
  if (!m_frustum) m_frustum = new CViewingFrustum;
  m_frustum->Initialize(horizontalFov, m_width, m_height, nearPlane, farPlane);
}

void CDXWRenderSurface::SetFrustumDepth(float farPlane, float nearPlane) {
  if (nearPlane == 0.0f) nearPlane = kZeroNearStandIn;
  if (!m_frustum) m_frustum = new CViewingFrustum;
  m_frustum->Initialize(m_frustum->GetVerticalFOV(), m_frustum->GetHorizontalFOV(), nearPlane, farPlane, m_width,
                        m_height);
}

HRESULT CDXWRenderSurface::SetProjectionTransformation(IDirect3DDevice8* device) {
  if (!m_frustum || !device) return E_FAIL;
  const HRESULT hr = m_frustum->SetProjectionTransformation(device, m_width, m_height);
  return FAILED(hr) ? hr : S_OK;
}

void CDXWRenderSurface::SetProjectionMatrix(D3DMATRIX& out, float verticalFov, float horizontalFov, float nearPlane,
                                            float farPlane) {
  CViewingFrustum frustum;
  frustum.Initialize(verticalFov, horizontalFov, nearPlane, farPlane, 1, 1);
  out = *frustum.GetProjectionMatrix();
}
