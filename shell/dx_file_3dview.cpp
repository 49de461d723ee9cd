#include "dx_file_3dview.h"

#include <cstring>

#include <appoptions.h>
#include <camera_manager.h>
#include <cameraframe.h>
#include <afxdesktop.h>
#include <d3d8.h>
#include <d3d8present.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <dxwrendersurface.h>
#include <input_manager.h>
#include <mmsystem.h>
#include <threads_manager.h>
#include <tracelog.h>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CDXFile3DView, CView)

BEGIN_MESSAGE_MAP(CDXFile3DView, CView)
ON_COMMAND(ID_SHADING_FLAT, OnShadingFlat)
ON_UPDATE_COMMAND_UI(ID_SHADING_FLAT, OnUpdateShadingFlat)
ON_COMMAND(ID_SHADING_GOURAUD, OnShadingGouraud)
ON_UPDATE_COMMAND_UI(ID_SHADING_GOURAUD, OnUpdateShadingGouraud)
ON_COMMAND(ID_FILLING_POINT, OnFillingPoint)
ON_UPDATE_COMMAND_UI(ID_FILLING_POINT, OnUpdateFillingPoint)
ON_COMMAND(ID_FILLING_WIREFRAME, OnFillingWireframe)
ON_UPDATE_COMMAND_UI(ID_FILLING_WIREFRAME, OnUpdateFillingWireframe)
ON_COMMAND(ID_FILLING_SOLID, OnFillingSolid)
ON_UPDATE_COMMAND_UI(ID_FILLING_SOLID, OnUpdateFillingSolid)
ON_WM_SIZE()
ON_COMMAND(ID_OPTIONS_COLLISION_DETECTION, OnOptionsCollisionDetection)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_COLLISION_DETECTION, OnUpdateOptionsCollisionDetection)
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {

constexpr HRESULT kDeviceLost = static_cast<HRESULT>(0x88760868u);

BYTE ToByte(float value) { return static_cast<BYTE>(static_cast<int>(value * 255.0f)); }

// A busy scene lock met on the main thread: the object is left out of this
// frame, which is not a failure of the view.
bool IsBusyLockMessage(const char* message) {
  return message != NULL && (std::strstr(message, "cannot lock") != NULL || std::strstr(message, "Cannot lock") != NULL);
}

}  // namespace

CDXFile3DView::CDXFile3DView() : m_nPresented(0) { ClearContent(); }

CDXFile3DView::~CDXFile3DView() { DestroyObjects(); }

void CDXFile3DView::ClearContent() {
  m_hRenderWindow = NULL;
  m_nShadingMode = 2;
  m_nFillingMode = 3;
  m_bLeftButtonDown = false;
  m_pCamera = NULL;
  m_bCameraCreated = false;
  m_dwLastFrameRateTime = 0;
  m_dwFrames = 0;
  m_fFrameRate = 0.0f;
  m_bPaused = false;
  m_nViewMode = 0;
  m_eViewStatus = eViewNotInitialized;
  m_bParentFrameCreated = false;
  m_pParentFrame = NULL;
  m_bInViewList = false;
  m_nCameraMovingMode = 0;
  m_bHasImage = false;
  m_pConnectedSwapChain = NULL;
}

CDXDoc* CDXFile3DView::GetDocument() const { return DYNAMIC_DOWNCAST(CDXDoc, m_pDocument); }

BOOL CDXFile3DView::PreCreateWindow(CREATESTRUCT& create) {
  // The framework registers the class at the window's creation.
  create.lpszClass = "3DViewClass";
  return CView::PreCreateWindow(create);
}

BOOL CDXFile3DView::DestroyWindow() {
  if (CDXDoc* document = GetDocument()) {
    if (m_bInViewList) document->RemoveView(this);
  }
  return CView::DestroyWindow();
}

void CDXFile3DView::OnInitialUpdate() { Initialize(); }

void CDXFile3DView::InitializeViewNotReady() { CView::OnInitialUpdate(); }

void CDXFile3DView::DestroyObjects() {
  CDXDoc* document = GetDocument();
  if (document != NULL && m_bInViewList) document->RemoveView(this);
  if (m_pCamera != NULL) {
    if (document != NULL && document->GetCameraManager() != NULL) {
      document->GetCameraManager()->ReleaseCamera(m_pCamera, true);
    }
    m_pCamera = NULL;
  }
  CFrameWnd* parent = m_pParentFrame;
  bool parentCreated = m_bParentFrameCreated;
  ClearContent();
  // The frame that holds the view stays the same across a new set-up.
  m_pParentFrame = parent;
  m_bParentFrameCreated = parentCreated;
}

bool CDXFile3DView::Initialize() {
  CView::OnInitialUpdate();
  DestroyObjects();
  if (g_pWindowedDevice == NULL || !g_pWindowedDevice->IsReady()) return false;
  try {
    CDXDoc* document = GetDocument();
    if (document == NULL || document->GetCameraManager() == NULL) throw "Error: No document for the view.";
    m_hRenderWindow = m_hWnd;
    if (!document->GetCameraManager()->CreateDefaultCamera(m_pCamera, m_hRenderWindow, true)) {
      throw "Error: CCameraManager::CreateDefaultCamera() failed in CDXFile3DView::Initialize().";
    }
    m_bCameraCreated = true;
    D3DXVECTOR3 position(0, 0, 0), direction(0, 0, 1), up(0, 1, 0);
    SetViewMode(ID_VIEW_FRONT_VIEW, &position, &direction, &up, true);
    CFrameWnd* parent = GetParentFrame();
    if (parent != NULL) parent->SetWindowText(document->GetTitle() + " (3D View)");
    m_pParentFrame = parent;
    document->AddView(this);
    SetCameraMovingMode(ID_CAMERA_FORWARD_BACKWARD_MODE);
    m_eViewStatus = eViewReady;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyObjects();
    m_eViewStatus = eViewInitializationFailed;
    return false;
  }
  return true;
}

bool CDXFile3DView::ActiveJob() const {
  CDXDoc* document = GetDocument();
  return document != NULL && document->GetThreadsManager()->ActiveThread();
}

DWORD CDXFile3DView::OverlayColour() const {
  const float* colour = g_appOptions.overlayColor;
  return D3DCOLOR_ARGB(ToByte(colour[3]), ToByte(colour[0]), ToByte(colour[1]), ToByte(colour[2]));
}

void CDXFile3DView::ConnectSwapChain(IDirect3DSwapChain8* swapChain) {
  if (swapChain == NULL || swapChain == m_pConnectedSwapChain) return;
  D3D8SetPresentSink(swapChain, [this](const D3D8Image& image) {
    AfxShowPicture(this, image.Rgba, image.Width, image.Height, image.Pitch);
    ++m_nPresented;
  });
  m_pConnectedSwapChain = swapChain;
}

bool CDXFile3DView::IsShowing() {
  if (m_pParentFrame == NULL || m_pParentFrame->IsIconic()) return false;
  RECT client;
  GetClientRect(&client);
  if (client.right <= client.left || client.bottom <= client.top) return false;
  // A window without a widget (no desktop) counts as visible.
  return GetWidget() == NULL || IsWindowVisible();
}

bool CDXFile3DView::Is3DViewVisible(bool) {
  try {
    return m_eViewStatus == eViewReady && IsShowing();
  } catch (CException* exception) {
    exception->Delete();
    return false;
  }
}

bool CDXFile3DView::Render(DWORD, bool bTryLock) {
  if (m_eViewStatus == eViewReady && IsShowing()) RenderSurface(bTryLock);
  return true;
}

bool CDXFile3DView::RefreshDXview(bool bTryLock) {
  if (Is3DViewVisible(bTryLock)) RefreshSurface(bTryLock);
  return true;
}

void CDXFile3DView::PaintByGdi() {
  if (GetSafeHwnd() == NULL) return;
  CClientDC dc(this);
  OnDraw(&dc);
}

bool CDXFile3DView::RenderSurface(bool bTryLock) {
  if (m_bPaused) return true;
  if (m_eViewStatus == eViewFrameFailed || m_eViewStatus == eViewInitializationFailed ||
      m_eViewStatus == eViewResizeFailed || g_pWindowedDevice == NULL || g_pWindowedDevice->DeviceIsLost()) {
    PaintByGdi();
    return true;
  }
  if (m_eViewStatus != eViewReady) return true;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  bool begun = false;
  bool result = true;
  bool busy = false;
  try {
    const bool jobActive = ActiveJob();
    if (!jobActive && FAILED(AnimateSceneObjects(device))) throw "\nInfo: CDXFile3DView::AnimateSceneObjects() failed.";
    if (!BeginScene(bTryLock)) throw "\nInfo: CDXFile3DView::BeginScene( bTryLock ) failed.";
    begun = true;
    if (jobActive) {
      RECT client;
      GetClientRect(&client);
      const float* colour = g_appOptions.overlayColor;
      CString type = GetDocument()->GetThreadsManager()->GetActiveThreadType();
      g_pWindowedDevice->RenderText(type, client, colour[0], colour[1], colour[2], 150);
    } else {
      DrawView(device, bTryLock);
    }
    if (!OutputFrameRate(CalculateFrameRate())) throw "\nInfo: CDXFile3DView::OutputFrameRate() failed.";
    if (!OutputMasterCameraIndicator()) throw "\nInfo: CDXFile3DView::OutputMasterCameraIndicator() failed.";
    if (!jobActive && !DisplayViewAllFrameMetrics(bTryLock)) {
      throw "\nInfo: CDXFile3DView::OutputMasterCameraIndicator() failed.";
    }
    begun = false;
    result = EndScene(device, bTryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    result = false;
    busy = IsBusyLockMessage(message);
    // A busy lock is no failure of the view: the frame repaints from the
    // last image and the next frame tries again.
    if (!busy) m_eViewStatus = eViewFrameFailed;
    if (begun && FAILED(device->EndScene())) DEBUG_TRACE("\nError: Could not end the scene.");
  }
  if (busy) RefreshSurface(bTryLock);
  return result;
}

bool CDXFile3DView::BeginScene(bool bTryLock) {
  try {
    if (m_pCamera == NULL || FAILED(m_pCamera->SetDeviceRenderSurface(bTryLock))) throw "\nSetDeviceRenderSurface() failed.";
    IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
    const D3DCOLORVALUE& back = GetDocument()->GetConfig()->cvBackground;
    const D3DCOLOR colour = D3DCOLOR_ARGB(ToByte(back.a), ToByte(back.r), ToByte(back.g), ToByte(back.b));
    RECT client;
    if (m_hRenderWindow != NULL) GetClientRect(&client);
    const D3DRECT rect{client.left, client.top, client.right, client.bottom};
    if (FAILED(device->Clear(m_hRenderWindow != NULL ? 1 : 0, m_hRenderWindow != NULL ? &rect : NULL,
                             D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0))) {
      throw "\nError: Could not clear the viewport of the D3D device.";
    }
    bool lightsOff = true;
    for (POSITION at = g_lightIndices.GetStartPosition(); at != NULL;) {
      DWORD index = 0;
      WORD value = 0;
      g_lightIndices.GetNextAssoc(at, index, value);
      if (FAILED(device->LightEnable(index, FALSE))) lightsOff = false;
    }
    if (!lightsOff) throw "\nError: DisableAllLights() failed.";
    if (!GetDocument()->EnableDocumentLights(device)) throw "\nError: EnableDocumentLights() failed.";
    GetDocument()->SetDeviceFillingShading(device);
    if (FAILED(device->BeginScene())) throw "\nError: Could not begin the scene.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    // The caller tells a busy lock from a failure.
    if (IsBusyLockMessage(message)) throw;
    return false;
  } catch (CException* exception) {
    DEBUG_TRACE("\nCException() raised.");
    exception->Delete();
    return false;
  }
  return true;
}

bool CDXFile3DView::EndScene(IDirect3DDevice8* device, bool bTryLock) {
  try {
    if (FAILED(device->EndScene())) throw "\nError: Could not end the scene.";
    if (m_hRenderWindow != NULL) {
      // The picture is kept, so that a frame that cannot draw repaints it.
      m_pCamera->CopyBackBuffer(bTryLock);
      m_bHasImage = true;
      IDirect3DSwapChain8* swapChain = m_pCamera->GetSwapChain(bTryLock);
      ConnectSwapChain(swapChain);
      RECT client;
      GetClientRect(&client);
      HRESULT hr = swapChain != NULL ? swapChain->Present(&client, &client, NULL, NULL) : E_FAIL;
      if (hr == kDeviceLost) g_pWindowedDevice->SetLostDeviceFlag();
      if (FAILED(hr)) throw "\nError: Present() failed.";
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CDXFile3DView::RefreshSurface(bool bTryLock) {
  if (m_bPaused) return true;
  if (m_eViewStatus == eViewFrameFailed || m_eViewStatus == eViewInitializationFailed ||
      m_eViewStatus == eViewResizeFailed) {
    PaintByGdi();
    return true;
  }
  if (m_eViewStatus != eViewReady) return true;
  // Nothing drawn yet: nothing to repaint.
  if (!m_bHasImage) return true;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  bool begun = false;
  try {
    if (FAILED(m_pCamera->SetDeviceRenderSurface(bTryLock))) throw "\nSetDeviceRenderSurface() failed.";
    if (FAILED(device->BeginScene())) throw "\nError: Could not begin the scene.";
    begun = true;
    m_pCamera->RestoreBackBuffer(bTryLock);
    if (!OutputFrameRate(CalculateFrameRate())) throw "\nInfo: CDXFile3DView::OutputFrameRate() failed.";
    if (!OutputMasterCameraIndicator()) throw "\nInfo: CDXFile3DView::OutputMasterCameraIndicator() failed.";
    begun = false;
    if (FAILED(device->EndScene())) throw "\nError: Could not end the scene.";
    IDirect3DSwapChain8* swapChain = m_pCamera->GetSwapChain(bTryLock);
    ConnectSwapChain(swapChain);
    RECT client;
    GetClientRect(&client);
    HRESULT hr = swapChain != NULL ? swapChain->Present(&client, &client, NULL, NULL) : E_FAIL;
    if (hr == kDeviceLost) g_pWindowedDevice->SetLostDeviceFlag();
    if (FAILED(hr)) throw "\nError: Present() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (begun && FAILED(device->EndScene())) DEBUG_TRACE("\nError: Could not end the scene.");
    // A camera still busy: the last picture stays on the window.
    if (!IsBusyLockMessage(message)) m_eViewStatus = eViewFrameFailed;
    return false;
  }
  return true;
}

HRESULT CDXFile3DView::DrawView(IDirect3DDevice8*, bool bTryLock) {
  HRESULT hr = m_pCamera->Render(GetDocument(), bTryLock);
  if (FAILED(hr)) DEBUG_TRACE("\nError: m_pCamera->Render() failed.");
  return hr;
}

HRESULT CDXFile3DView::AnimateSceneObjects(IDirect3DDevice8*) {
  try {
    m_pCamera->Animate(true);
    if (m_bLeftButtonDown) {
      POINT point{0, 0};
      GetCursorPos(&point);
      ScreenToClient(&point);
      GetDocument()->DragLeftButtonTL(&point, m_pCamera);
    }
  } catch (const char* message) {
    // The caller tells a busy lock from a failure.
    if (IsBusyLockMessage(message)) throw;
    return E_FAIL;
  } catch (CException* exception) {
    exception->Delete();
    return E_FAIL;
  }
  return S_OK;
}

float CDXFile3DView::CalculateFrameRate() {
  const DWORD now = timeGetTime();
  if (m_dwLastFrameRateTime == 0) {
    m_dwLastFrameRateTime = now;
    return 0.0f;
  }
  ++m_dwFrames;
  const DWORD elapsed = now - m_dwLastFrameRateTime;
  if (elapsed > 500) {
    m_fFrameRate = static_cast<float>(m_dwFrames) * 1000.0f / static_cast<float>(elapsed);
    m_dwLastFrameRateTime = now;
    m_dwFrames = 0;
  }
  return m_fFrameRate;
}

bool CDXFile3DView::OutputFrameRate(float rate) {
  CString text;
  text.Format("%4.1f fps", rate);
  if (FAILED(g_pWindowedDevice->OutputText(5.0f, 5.0f, OverlayColour(), text, 0))) {
    DEBUG_TRACE("\nError: OutputText() failed ().");
    return false;
  }
  return true;
}

bool CDXFile3DView::IsMasterView() const {
  auto* frame = DYNAMIC_DOWNCAST(CDXSplitterFrame, m_pParentFrame);
  if (frame == NULL) return false;
  const CDXSplitterFrame::E3DViewType type = frame->GetViewType();
  return (type == CDXSplitterFrame::eTwoViews || type == CDXSplitterFrame::eFourViews) &&
         frame->GetActive3DView() == this;
}

bool CDXFile3DView::OutputMasterCameraIndicator() {
  if (!IsMasterView()) return true;
  const char* text = "MASTER";
  SIZE size{0, 0};
  if (FAILED(g_pWindowedDevice->GetTextExtent(text, &size))) {
    DEBUG_TRACE("\nError: GetTextExtent() failed ().");
    return false;
  }
  RECT client;
  GetClientRect(&client);
  const float x = static_cast<float>(client.right - size.cx - size.cx / 10);
  const float y = static_cast<float>(client.bottom - size.cy - size.cy / 10);
  if (FAILED(g_pWindowedDevice->OutputText(x, y, OverlayColour(), text, 0))) {
    DEBUG_TRACE("\nError: OutputText() failed ().");
    return false;
  }
  return true;
}

bool CDXFile3DView::DisplayViewAllFrameMetrics(bool bTryLock) {
  CString lines[4];
  if (!m_pCamera->GetViewAllFrameMetrics(lines[0], lines[1], lines[2], lines[3], bTryLock)) return true;
  RECT client;
  GetClientRect(&client);
  float y = 0.0f;
  LONG previousHeight = 0;
  for (int at = 0; at < 4; ++at) {
    SIZE size{0, 0};
    if (FAILED(g_pWindowedDevice->GetTextExtent(lines[at], &size))) {
      DEBUG_TRACE("\nError: GetTextExtent() failed ().");
      return false;
    }
    y = at == 0 ? static_cast<float>(size.cy) / 10.0f : y + static_cast<float>(previousHeight) + static_cast<float>(size.cy) / 10.0f;
    previousHeight = size.cy;
    const float x = static_cast<float>(client.right - size.cx) - 2.0f;
    if (FAILED(g_pWindowedDevice->OutputText(x, y, OverlayColour(), lines[at], 0))) {
      DEBUG_TRACE("\nError: OutputText() failed ().");
      return false;
    }
  }
  return true;
}

void CDXFile3DView::OnDraw(CDC* dc) {
  if (dc == NULL) return;
  if (g_pWindowedDevice != NULL && g_pWindowedDevice->DeviceIsLost()) {
    DrawCenteredText(dc, IDS_DEVICE_LOST);
    return;
  }
  switch (m_eViewStatus) {
    case eViewFrameFailed:
      DrawCenteredText(dc, IDS_VIEW_FRAME_FAILED);
      return;
    case eViewResizeFailed:
      DrawCenteredText(dc, IDS_VIEW_RESIZE_FAILED);
      return;
    case eViewInitializationFailed:
      DrawCenteredText(dc, IDS_VIEW_INITIALIZATION_FAILED);
      return;
    case eViewReady:
      break;
    default:
      return;
  }
  CDXMainFrame* main = GetMainFrame();
  bool anyJob = false;
  try {
    anyJob = main != NULL && main->ActiveThread(true);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  if (!anyJob) return;
  if (ActiveJob()) DrawCenteredText(dc, GetDocument()->GetThreadsManager()->GetActiveThreadType());
  else DrawCenteredText(dc, "Other document processing a 3D object");
}

void CDXFile3DView::DrawCenteredText(CDC* dc, UINT stringId) {
  CString text;
  text.LoadString(stringId);
  DrawCenteredText(dc, text);
}

void CDXFile3DView::DrawCenteredText(CDC* dc, const char* text) {
  RECT client;
  GetClientRect(&client);
  COLORREF background = RGB(0, 0, 0);
  if (CDXDoc* document = GetDocument()) {
    const D3DCOLORVALUE& back = document->GetConfig()->cvBackground;
    background = RGB(ToByte(back.r), ToByte(back.g), ToByte(back.b));
  }
  dc->FillSolidRect(&client, background);
  dc->SetTextAlign(TA_CENTER | TA_BASELINE);
  const float* colour = g_appOptions.overlayColor;
  dc->SetTextColor(RGB(ToByte(colour[0]), ToByte(colour[1]), ToByte(colour[2])));
  dc->SetBkMode(TRANSPARENT);
  dc->TextOut(client.right / 2, client.bottom / 2, text);
}

void CDXFile3DView::SetViewMode(UINT mode, D3DXVECTOR3* position, D3DXVECTOR3* direction, D3DXVECTOR3* up,
                                bool bTryLock) {
  m_nViewMode = mode;
  if (m_pCamera == NULL) return;
  try {
    D3DXVECTOR3 lookAt = *position + *direction;
    m_pCamera->SetTransformMatrix(position, &lookAt, up, true, bTryLock);
    m_pCamera->ViewAllFrame2(NULL, bTryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  } catch (CException* exception) {
    exception->Delete();
  }
}

namespace {

void Preset(CDXFile3DView* view, UINT mode, D3DXVECTOR3 direction, D3DXVECTOR3 up) {
  D3DXVECTOR3 position(0, 0, 0);
  view->SetViewMode(mode, &position, &direction, &up, true);
}

}  // namespace

void CDXFile3DView::ViewFrontView() { Preset(this, ID_VIEW_FRONT_VIEW, {0, 0, 1}, {0, 1, 0}); }
void CDXFile3DView::ViewBackView() { Preset(this, ID_VIEW_BACK_VIEW, {0, 0, -1}, {0, 1, 0}); }
void CDXFile3DView::ViewSideViewPlusX() { Preset(this, ID_VIEW_SIDE_VIEW_PLUS_X, {1, 0, 0}, {0, 1, 0}); }
void CDXFile3DView::ViewSideViewMinusX() { Preset(this, ID_VIEW_SIDE_VIEW_MINUS_X, {-1, 0, 0}, {0, 1, 0}); }
void CDXFile3DView::ViewTopView() { Preset(this, ID_VIEW_TOP_VIEW, {0, -1, 0}, {0, 0, 1}); }
void CDXFile3DView::ViewBottomView() { Preset(this, ID_VIEW_BOTTOM_VIEW, {0, 1, 0}, {0, 0, -1}); }
void CDXFile3DView::View3dView() { Preset(this, ID_VIEW_3D_VIEW, {-1, 0, 1}, {0, 1, 0}); }

void CDXFile3DView::SetCameraMovingMode(UINT mode) {
  m_nCameraMovingMode = mode;
  if (m_pCamera == NULL) return;
  try {
    m_pCamera->SetCameraMovingMode(mode == ID_CAMERA_UP_DOWN_MODE ? static_cast<CMovingObject::EMovingMode>(1)
                                                              : static_cast<CMovingObject::EMovingMode>(0),
                                   true);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXFile3DView::SetCameraShrinkFactor(float factor) {
  if (m_pCamera == NULL) return;
  try {
    m_pCamera->SetCameraShrinkFactor(factor, true);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

float CDXFile3DView::GetCameraShrinkFactor() { return m_pCamera != NULL ? m_pCamera->GetCameraShrinkFactor() : 1.0f; }

CDXWRenderSurface* CDXFile3DView::GetdxwRenderSurface() {
  if (m_pCamera == NULL) return NULL;
  try {
    return m_pCamera->GetRenderSurface(true);
  } catch (const char*) {
    return NULL;
  }
}

void CDXFile3DView::UpdateViewAnyView(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_nViewMode == cmdUI->m_nID);
  const bool usable = m_eViewStatus != eViewFrameFailed && m_eViewStatus != eViewInitializationFailed &&
                      m_eViewStatus != eViewResizeFailed;
  cmdUI->Enable(usable && g_pWindowedDevice != NULL && g_pWindowedDevice->IsReady());
}

void CDXFile3DView::PressLeftButtonDown(bool bTryLock) {
  if (!ViewIsReady()) return;
  try {
    POINT point{0, 0};
    GetCursorPos(&point);
    ScreenToClient(&point);
    m_bLeftButtonDown = GetDocument()->PressLeftButtonDownTL(&point, m_pCamera, bTryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXFile3DView::ReleaseLeftMouseButton(bool bTryLock) {
  if (!ViewIsReady()) return;
  m_bLeftButtonDown = false;
  try {
    POINT point{0, 0};
    GetCursorPos(&point);
    ScreenToClient(&point);
    if (bTryLock) GetDocument()->ReleaseLeftButtonRTL(&point, m_pCamera, true);
    else m_pCamera->ReleaseLeftButton(&point, false);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXFile3DView::OnOptionsCollisionDetection() {
  if (m_pCamera != NULL) m_pCamera->SetCollisionDetection(!m_pCamera->CollisionDetectionActivated());
}

void CDXFile3DView::OnUpdateOptionsCollisionDetection(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_pCamera != NULL && m_pCamera->CollisionDetectionActivated());
}

void CDXFile3DView::OnSize(UINT, int, int) { Resize(); }

void CDXFile3DView::Resize() {
  try {
    if (m_eViewStatus == eViewInitializationFailed) {
      Initialize();
    } else if (m_pCamera != NULL) {
      CDXDoc* document = GetDocument();
      document->RemoveView(this);
      const bool resized = m_pCamera->ResizeRenderSurface(true);
      m_eViewStatus = resized ? eViewReady : eViewResizeFailed;
      // The new surface holds no picture yet, and its swap chain is new.
      m_bHasImage = false;
      m_pConnectedSwapChain = NULL;
      document->AddView(this);
    }
    CDXMainFrame* main = GetMainFrame();
    bool anyJob = false;
    try {
      anyJob = main != NULL && main->ActiveThread(true);
    } catch (const char*) {
    }
    if (m_eViewStatus != eViewReady || (g_pWindowedDevice != NULL && g_pWindowedDevice->DeviceIsLost()) || anyJob) {
      PaintByGdi();
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  } catch (CException* exception) {
    exception->Delete();
  }
}

void CDXFile3DView::Move() {
  if (m_pCamera == NULL) return;
  try {
    m_pCamera->MoveRenderSurface(true);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXFile3DView::OnSetFocus(CWnd*) {
  if (g_pInputManager != NULL && g_pInputManager->IsReady()) g_pInputManager->AcquireDevices();
}

void CDXFile3DView::OnKillFocus(CWnd*) {
  if (g_pInputManager == NULL || !g_pInputManager->IsReady()) return;
  if (CDXMainFrame* main = GetMainFrame()) main->ResetInputDevicesStates(this);
}
