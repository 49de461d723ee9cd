// CDXFile3DView: a 3D view of a document. It shows the document's world
// through its own camera, whose render surface is a swap chain of the one
// device presented into the view's window. Its status decides what it paints:
// the scene, or a message through the window's device context.
#pragma once

#include <afxwin.h>
#include <d3dx8.h>

class CCameraFrame;
class CDXDoc;
class CDXWRenderSurface;
struct IDirect3DDevice8;
struct IDirect3DSwapChain8;

class CDXFile3DView : public CView {
  DECLARE_DYNCREATE(CDXFile3DView)

 public:
  enum EViewStatus : int {
    eViewNotInitialized = 0,
    eViewFrameFailed = 1,
    eViewReady = 2,
    eViewInitializationFailed = 3,
    eViewResizeFailed = 4,
  };

  CDXFile3DView();
  ~CDXFile3DView() override;

  BOOL DestroyWindow() override;
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  void OnInitialUpdate() override;
  void OnDraw(CDC* dc) override;

  CDXDoc* GetDocument() const;

  // Set-up of a new view: its camera, the front preset, the view list.
  bool Initialize();
  void InitializeViewNotReady();

  // One frame of the view, and the repaint from the last image.
  bool RenderSurface(bool bTryLock);
  bool RefreshSurface(bool bTryLock);
  bool RefreshDXview(bool bTryLock);
  // The render step of the document's walk over its views; always true.
  bool Render(DWORD elapsedMs, bool bTryLock);
  bool Is3DViewVisible(bool bTryLock);

  bool BeginScene(bool bTryLock);
  bool EndScene(IDirect3DDevice8* device, bool bTryLock);
  HRESULT DrawView(IDirect3DDevice8* device, bool bTryLock);
  HRESULT AnimateSceneObjects(IDirect3DDevice8* device);

  // The left mouse button, forwarded to the document's picking.
  void PressLeftButtonDown(bool bTryLock);
  void ReleaseLeftMouseButton(bool bTryLock);
  bool IsLeftButtonHeld() const { return m_bLeftButtonDown; }

  // The view presets; each frames the whole world.
  void ViewFrontView();
  void ViewBackView();
  void ViewSideViewPlusX();
  void ViewSideViewMinusX();
  void ViewTopView();
  void ViewBottomView();
  void View3dView();
  void SetViewMode(UINT mode, D3DXVECTOR3* position, D3DXVECTOR3* direction, D3DXVECTOR3* up, bool bTryLock);
  void SetViewMode(UINT mode) { m_nViewMode = mode; }
  UINT GetViewMode() const { return m_nViewMode; }

  void SetCameraMovingMode(UINT mode);
  UINT GetCameraMovingMode() const { return m_nCameraMovingMode; }
  void SetCameraShrinkFactor(float factor);
  float GetCameraShrinkFactor();
  CDXWRenderSurface* GetdxwRenderSurface();
  // The check and enabled state of a preset's menu item or button.
  void UpdateViewAnyView(CCmdUI* cmdUI);

  // A new window size rebuilds the render surface; a new position moves it.
  void Resize();
  void Move();
  void DestroyObjects();

  // GDI painting of a message centred in the view.
  void DrawCenteredText(CDC* dc, UINT stringId);
  void DrawCenteredText(CDC* dc, const char* text);

  // Accessors.
  HWND GetHwndRenderWindow() const { return m_hRenderWindow; }
  CCameraFrame* GetCamera() const { return m_pCamera; }
  bool CameraIsCreated() const { return m_bCameraCreated; }
  void SetPause(bool pause) { m_bPaused = pause; }
  bool IsPaused() const { return m_bPaused; }
  EViewStatus GetViewStatus() const { return m_eViewStatus; }
  bool ViewIsReady() const { return m_eViewStatus == eViewReady; }
  bool IsParentFrameCreated() const { return m_bParentFrameCreated; }
  void SetParentFrameCreationStatus(bool created) { m_bParentFrameCreated = created; }
  CFrameWnd* Get3DViewParentFrame() const { return m_pParentFrame; }
  void Set3DViewParentFrame(CFrameWnd* frame) { m_pParentFrame = frame; }
  bool IsInViewList() const { return m_bInViewList; }
  void SetFlagInViewList(bool listed) { m_bInViewList = listed; }
  UINT GetShadingMode() const { return m_nShadingMode; }
  UINT GetFillingMode() const { return m_nFillingMode; }
  // Pictures presented into the window so far.
  unsigned GetPresentedFrames() const { return m_nPresented; }
  // The last frame rate measured, frames per second.
  float GetFrameRate() const { return m_fFrameRate; }

  // The frame rate: 0 at the first call, then measured over more than
  // 500 ms.
  float CalculateFrameRate();
  bool OutputFrameRate(float rate);
  bool OutputMasterCameraIndicator();
  bool DisplayViewAllFrameMetrics(bool bTryLock);
  // Whether the "MASTER" mark belongs on this view: the active one of a
  // splitter frame that shows two or four views.
  bool IsMasterView() const;

 protected:
  void ClearContent();

  void OnSize(UINT type, int cx, int cy);
  void OnSetFocus(CWnd* old);
  void OnKillFocus(CWnd* next);
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  void OnShadingFlat() { m_nShadingMode = 1; }
  void OnShadingGouraud() { m_nShadingMode = 2; }
  void OnFillingPoint() { m_nFillingMode = 1; }
  void OnFillingWireframe() { m_nFillingMode = 2; }
  void OnFillingSolid() { m_nFillingMode = 3; }
  void OnUpdateShadingFlat(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nShadingMode == 1); }
  void OnUpdateShadingGouraud(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nShadingMode == 2); }
  void OnUpdateFillingPoint(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nFillingMode == 1); }
  void OnUpdateFillingWireframe(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nFillingMode == 2); }
  void OnUpdateFillingSolid(CCmdUI* cmdUI) { cmdUI->SetCheck(m_nFillingMode == 3); }
  void OnOptionsCollisionDetection();
  void OnUpdateOptionsCollisionDetection(CCmdUI* cmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  // Paints the view through its device context: what OnDraw would paint on
  // an invalidated window.
  void PaintByGdi();
  // Whether the parent frame is up and the client area shows.
  bool IsShowing();
  DWORD OverlayColour() const;
  // Lets the camera's current swap chain present into the window.
  void ConnectSwapChain(IDirect3DSwapChain8* swapChain);
  bool ActiveJob() const;

  HWND m_hRenderWindow;
  UINT m_nShadingMode;
  UINT m_nFillingMode;
  bool m_bLeftButtonDown;
  CCameraFrame* m_pCamera;
  bool m_bCameraCreated;
  DWORD m_dwLastFrameRateTime;
  DWORD m_dwFrames;
  float m_fFrameRate;
  bool m_bPaused;
  UINT m_nViewMode;
  EViewStatus m_eViewStatus;
  bool m_bParentFrameCreated;
  CFrameWnd* m_pParentFrame;
  bool m_bInViewList;
  UINT m_nCameraMovingMode;
  // Whether the surface holds a drawn image to repaint from.
  bool m_bHasImage;
  IDirect3DSwapChain8* m_pConnectedSwapChain;
  unsigned m_nPresented;
};
