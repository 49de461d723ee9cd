#include "dx_file_3dview.h"

#include <afxdesktop.h>
#include <d3d8present.h>
#include <dxwindoweddevice.h>
#include <dxwrendersurface.h>

IMPLEMENT_DYNCREATE(CDXFile3DView, CView)

BEGIN_MESSAGE_MAP(CDXFile3DView, CView)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
END_MESSAGE_MAP()

CDXFile3DView::CDXFile3DView() : m_pSurface(NULL), m_presented(0) {}

CDXFile3DView::~CDXFile3DView() { delete m_pSurface; }

int CDXFile3DView::OnCreate(LPCREATESTRUCT create) {
  if (CView::OnCreate(create) == -1) return -1;
  return 0;
}

void CDXFile3DView::OnDestroy() {
  delete m_pSurface;
  m_pSurface = NULL;
  CView::OnDestroy();
}

void CDXFile3DView::OnSize(UINT, int cx, int cy) {
  if (cx > 0 && cy > 0) Resize();
}

bool CDXFile3DView::Resize() {
  if (g_pWindowedDevice == NULL || !g_pWindowedDevice->IsReady() || m_hWnd == NULL) return false;
  RECT client;
  GetClientRect(&client);
  if (client.right <= 0 || client.bottom <= 0) return false;
  if (m_pSurface == NULL) {
    m_pSurface = new CDXWRenderSurface;
    if (FAILED(m_pSurface->Initialize(m_hWnd))) return false;
  } else if (FAILED(m_pSurface->Resize())) {
    return false;
  }
  IDirect3DSwapChain8* swapChain = m_pSurface->GetSwapChain();
  if (swapChain == NULL) return false;
  D3D8SetPresentSink(swapChain, [this](const D3D8Image& image) {
    AfxShowPicture(this, image.Rgba, image.Width, image.Height, image.Pitch);
    ++m_presented;
  });
  return true;
}

bool CDXFile3DView::Render(bool) {
  if (m_pSurface == NULL || !m_pSurface->SurfaceIsReady()) {
    if (!Resize()) return false;
  }
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  if (FAILED(g_pWindowedDevice->SetRenderSurface(m_pSurface))) return false;
  device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(64, 64, 96), 1.0f, 0);
  if (SUCCEEDED(device->BeginScene())) {
    CDocument* document = GetDocument();
    if (document != NULL) g_pWindowedDevice->OutputText(8.0f, 8.0f, D3DCOLOR_XRGB(255, 255, 0), document->GetTitle(), 0);
    device->EndScene();
  }
  return SUCCEEDED(m_pSurface->GetSwapChain()->Present(NULL, NULL, NULL, NULL));
}
