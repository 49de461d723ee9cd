// The drawing target of one 3D view: an additional swap chain of the view
// window's client size on the process's device, a depth buffer of the same
// size when the device has one, and the view's frustum with its projection.
// A copy of the back buffer can be kept to repaint the view without drawing.
#pragma once

#include <d3d8.h>

#include "viewingfrustum.h"

class CDXWRenderSurface {
 public:
  CDXWRenderSurface();
  ~CDXWRenderSurface();
  CDXWRenderSurface(const CDXWRenderSurface&) = delete;
  CDXWRenderSurface& operator=(const CDXWRenderSurface&) = delete;

  // Puts the device's own buffers back as its render target when this
  // surface has a swap chain, releases everything and clears the object.
  void DestroyContent();

  // Near plane 0.01, far plane 100, a quarter turn across.
  HRESULT Initialize(HWND window);
  HRESULT Initialize(HWND window, float nearPlane, float farPlane, float horizontalFov);
  // Initialize with the frustum's current planes and field of view.
  HRESULT InitializeDeviceObjects(HWND window);
  HRESULT SetRenderWindow(HWND window);
  HRESULT Resize();
  void Move();
  // Reads the window's client rectangle; width and height are at least 1.
  void SetPosition();

  // Back buffer 0 of the swap chain, borrowed (no reference added).
  HRESULT GetRenderSurface(IDirect3DSurface8*& surface);
  // Keep a copy of the back buffer, and paint it back (the common top-left
  // part when the sizes differ). Throw the message text of a failing step.
  void CopyBackBuffer();
  void RestoreBackBuffer();

  // The frustum's planes and field of view; the next SetRenderSurface of the
  // device sends the projection. A near plane of 0 means 0.1.
  void SetFrustumFOVs(float horizontalFov, float farPlane, float nearPlane);
  void SetFrustumDepth(float farPlane, float nearPlane);
  HRESULT SetProjectionTransformation(IDirect3DDevice8* device);
  static void SetProjectionMatrix(D3DMATRIX& out, float verticalFov, float horizontalFov, float nearPlane,
                                  float farPlane);

  RECT GetRenderWindowRect() const { return m_windowRect; }
  IDirect3DSurface8* GetBackBuffer() const { return m_backBuffer; }
  IDirect3DSurface8* GetZBuffer() const { return m_depthBuffer; }
  IDirect3DSwapChain8* GetSwapChain() const { return m_swapChain; }
  CViewingFrustum* GetViewingFrustum() const { return m_frustum; }
  bool SurfaceIsReady() const { return m_ready; }
  DWORD GetWidth() const { return m_width; }
  DWORD GetHeight() const { return m_height; }

 protected:
  void ClearContent();

 private:
  // Copies between the back buffer and its copy, from one to the other.
  void CopyBetween(bool save);

  DWORD m_width;
  DWORD m_height;
  RECT m_windowRect;
  bool m_ready;
  HWND m_window;
  CViewingFrustum* m_frustum;
  IDirect3DSwapChain8* m_swapChain;
  IDirect3DSurface8* m_depthBuffer;
  IDirect3DSurface8* m_backBuffer;
  IDirect3DSurface8* m_backBufferCopy;
};
