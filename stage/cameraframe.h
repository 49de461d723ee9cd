// The camera of one 3D view: a frame (type 5) in the document's world with
// the view's render surface (swap chain and frustum), a motion state for
// keyboard navigation, the view transform, the projection depth taken from
// the world boundary, the drawing of the world in two passes, mouse picking
// with handle dragging, the collision push, view-all and frame placement.
// Suffixes name the space: MS the camera's own, PFS its parent frame's, WS
// world, VS view.
#pragma once

#include <afx.h>
#include <frame.h>
#include <movingobject.h>

class CDXDoc;
class CDXWRenderSurface;
class CRootRenderFrame;
class CViewingFrustum;
struct IDirect3DSwapChain8;

class CCameraFrame : public CFrame {
 public:
  static const D3DXVECTOR3 m_vCameraEyePointMS;
  static const D3DXVECTOR3 m_vCameraLookAtPointMS;
  static const D3DXVECTOR3 m_vCameraUpMS;

  CCameraFrame();
  ~CCameraFrame() override;

  // The frame alone, as every frame is initialised.
  using CFrame::Initialize;
  // Life cycle. The fourth argument is not read; the speeds are replaced by
  // those of the frustum depth. False only when the render surface cannot
  // be made.
  bool Initialize(D3DXVECTOR3* eye, D3DXVECTOR3* lookAt, D3DXVECTOR3* up, bool, float maxSpeed, float acceleration,
                  float maxAngularSpeed, float angularAcceleration, CXFileDataList* world, HWND window,
                  CFrame* parent, float nearPlaneDivisor, bool tryLock);
  bool DestroyContent(bool);

  // Accessors.
  void SetViewAllFrame(CFrame* frame) { m_viewAllFrame = frame; }
  CFrame* GetViewAllFrame() const { return m_viewAllFrame; }
  void SetCameraUsedFlag(bool used) { m_used = used; }
  bool CameraIsUsed() const { return m_used; }
  bool RenderSurfaceIsReady() const { return m_surfaceReady; }
  float GetCameraShrinkFactor() const { return m_shrink; }
  void SetCollisionDetection(bool on) { m_collision = on; }
  bool CollisionDetectionActivated() const { return m_collision; }
  void SetRenderSurface(CDXWRenderSurface* surface) { m_pdxwRenderSurface = surface; }
  CRootRenderFrame* GetWorldRenderFrame() const;
  CXFileDataList* GetWorld() const { return m_world; }
  CViewingFrustum* GetViewingFrustum() const;
  D3DMATRIX* GetProjectionMatrix() const;
  float GetNearPlane() const;
  bool CameraMeshIsCreated() const { return false; }
  void ScaleCameraMeshFrame(CFrame*, float) {}
  CMovingObject* GetMovingObject() const { return m_motion; }

  // Vectors.
  D3DXVECTOR3 GetLookVectorMS() const { return m_vCameraLookAtPointMS - m_vCameraEyePointMS; }
  D3DXVECTOR3 ComputeEyePointPFS(bool tryLock);
  D3DXVECTOR3 ComputeLookAtPointPFS();
  D3DXVECTOR3 ComputeLookVectorPFS(bool tryLock);
  D3DXVECTOR3 ComputeUpVectorPFS(bool tryLock);
  D3DXVECTOR3 ComputeEyePointWS();
  D3DXVECTOR3 ComputeLookVectorWS();

  // Placement. Every placement ends in the matrix slot, which pushes what
  // the camera hits when collision detection is on.
  using CFrame::SetTransformMatrix;
  virtual void SetTransformMatrix(D3DXMATRIX* m, bool setInitial, bool tryLock);
  void SetTransformMatrix(const D3DXVECTOR3* eye, const D3DXVECTOR3* lookAt, const D3DXVECTOR3* up, bool setInitial,
                          bool tryLock);
  void SetTransformMatrix(CCameraFrame* other, bool setInitial, bool tryLock);

  // View transform: the left-handed look-at matrix of the model-space eye,
  // look-at point and up carried by world; taken under the camera's lock.
  D3DXMATRIX ComputeViewTransform(D3DXMATRIX* world, bool tryLock);
  // The inverse of view, or the zero matrix when it has none.
  D3DXMATRIX ComputeInverseViewTransform(D3DXMATRIX* view);

  // Projection.
  void SetFrustumFOVs(bool tryLock);
  void SetFrustumDepth(bool tryLock);
  void SetCameraShrinkFactor(float factor, bool tryLock);
  bool IsInViewFrustum(float radius, const D3DXVECTOR3* centre, const D3DXMATRIX* world);
  // The direction (not normalised) of the ray from the eye through a window
  // point, in view space.
  void ComputeMousePickRayVS(D3DXVECTOR3* direction, const POINT* point);

  // Render surface.
  bool CreateRenderSurface(HWND window);
  void DestroyRenderSurface();
  bool SetRenderWindow(HWND window);
  bool ResizeRenderSurface(bool tryLock);
  void MoveRenderSurface(bool tryLock);
  void CopyBackBuffer(bool tryLock);
  void RestoreBackBuffer(bool tryLock);
  RECT GetRenderWindowRect() const;
  IDirect3DSwapChain8* GetSwapChain(bool tryLock);
  CDXWRenderSurface* GetRenderSurface(bool tryLock);
  HRESULT SetDeviceRenderSurface(bool tryLock);
  // Draws the world: opaque objects, then blended ones without depth
  // writes. Failures give E_FAIL.
  HRESULT Render(CDXDoc* doc, bool tryLock);
  using CFrame::Render;

  // Navigation by keys.
  void PressMoveForwardKey(bool tryLock);
  void PressMoveBackwardKey(bool tryLock);
  void PressRotateClockwiseKey(bool tryLock);
  void PressRotateCounterlockwiseKey(bool tryLock);
  void ReleaseMoveForwardKey(bool tryLock);
  void ReleaseMoveBackwardKey(bool tryLock);
  void ReleaseRotateClockwiseKey(bool tryLock);
  void ReleaseRotateCounterclockwiseKey(bool tryLock);
  void Animate(bool tryLock);
  void MoveForward(bool tryLock);
  void MoveBackward(bool tryLock);
  void RotateClockwise(bool tryLock);
  void RotateCounterclockwise(bool tryLock);
  void SetCameraMovingProperties(bool tryLock);
  void SetCameraMovingMode(CMovingObject::EMovingMode mode, bool tryLock);
  CMovingObject::EMovingMode GetCameraMovingMode(bool tryLock);

  // The left mouse button at a window point (client pixels): the press picks
  // and selects what the ray hits and grabs a frame handle that it hits;
  // drags turn the frame of the grabbed handle; the release lets it go.
  void PressLeftButtonDown(const POINT* point, bool tryLock);
  void DragLeftButton(const POINT* point, bool tryLock);
  void ReleaseLeftButton(const POINT* point, bool tryLock);

  // Moves the frames that the camera's sphere meets on its way from `from`
  // to `to`; returns to.
  D3DXMATRIX PushCollidingObjects(D3DXMATRIX* from, D3DXMATRIX* to);

  // View-all, placement and metrics.
  bool ViewAllFrame2(CFrame* frame, bool tryLock);
  D3DXVECTOR3 FindEmptyPositionPFS(float radius);
  bool GetViewAllFrameMetrics(CString& triangles, CString& vertices, CString& kind, CString& percent, bool tryLock);
  float ComputeViewAllDistance(float radius) const;

 protected:
  void ClearContent();

 private:
  enum EKeyState : std::int32_t { eKeyNeverPressed = 0, eKeyHeld = 1, eKeyReleased = 2 };

  void ComputeFrustumDepth(float fov, float* nearPlane, float* farPlane, bool tryLock);
  HRESULT Draw(IDirect3DDevice8* device, D3DXMATRIX* view, CFrame* root, CDXDoc* doc, bool tryLock);
  void RenewMotionOrientation(bool tryLock);
  float ComputeNearPlaneRotationSphereRadiusPFS() const;
  float ComputeSiblingViewAllDistancePFS(CFrame* frame);

  CMovingObject* m_motion;
  EKeyState m_forwardKey;
  EKeyState m_backwardKey;
  EKeyState m_clockwiseKey;
  EKeyState m_counterclockwiseKey;
  CDXWRenderSurface* m_pdxwRenderSurface;
  float m_nearPlaneDivisor;
  float m_shrink;
  bool m_collision;
  CXFileDataList* m_world;
  POINT m_lastMousePoint;
  bool m_used;
  bool m_surfaceReady;
  CFrame* m_viewAllFrame;
  // The view of the frame being drawn, for culling.
  D3DXMATRIX m_renderView;
  // The camera's world transform, view and inverse view when a handle was
  // grabbed.
  D3DXMATRIX m_grabWorld;
  D3DXMATRIX m_grabView;
  D3DXMATRIX m_grabInverseView;
};
