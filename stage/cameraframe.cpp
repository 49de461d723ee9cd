// CCameraFrame: life cycle, vectors, placement, view transform, projection
// depth, pick rays, render surface and the drawing of the world.
#include "cameraframe.h"

#include <basemesh.h>
#include <dx_mutex.h>
#include <dxwindoweddevice.h>
#include <dxwrendersurface.h>
#include <mesh.h>
#include <objectlock.h>
#include <qorcommon.h>
#include <simpleshape.h>
#include <xfiledatalist.h>

#include <cmath>
#include <memory>

#include "dynamicworldboundaryframe.h"
#include "rootrenderframe.h"

namespace {

constexpr float kQuarterTurn = 1.5707964f;

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, v.x, v.y, v.z);
  return t;
}

}  // namespace

const D3DXVECTOR3 CCameraFrame::m_vCameraEyePointMS(0, 0, 0);
const D3DXVECTOR3 CCameraFrame::m_vCameraLookAtPointMS(0, 0, 1);
const D3DXVECTOR3 CCameraFrame::m_vCameraUpMS(0, 1, 0);

// ---------------------------------------------------------------------------
// Life cycle

CCameraFrame::CCameraFrame() : m_motion(nullptr), m_pdxwRenderSurface(nullptr) { ClearContent(); }

CCameraFrame::~CCameraFrame() {
  BeginTeardown();
  DestroyContent(false);
}

void CCameraFrame::ClearContent() {
  CFrame::ClearContent();
  m_motion = nullptr;
  m_forwardKey = m_backwardKey = m_clockwiseKey = m_counterclockwiseKey = eKeyNeverPressed;
  m_pdxwRenderSurface = nullptr;
  m_nearPlaneDivisor = 0;
  m_shrink = 1.0f;
  m_collision = false;
  m_world = nullptr;
  m_lastMousePoint = POINT{0, 0};
  m_used = false;
  m_surfaceReady = false;
  m_viewAllFrame = nullptr;
  m_renderView = Identity();
  m_grabWorld = m_grabView = m_grabInverseView = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

bool CCameraFrame::Initialize(D3DXVECTOR3* eye, D3DXVECTOR3* lookAt, D3DXVECTOR3* up, bool, float maxSpeed,
                              float acceleration, float maxAngularSpeed, float angularAcceleration,
                              CXFileDataList* world, HWND window, CFrame* parent, float nearPlaneDivisor,
                              bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  if (!DestroyContent(false)) throw "Error: DestroyContent() failed.";
  CString name("CameraFrame");
  SetUniqueName(name);
  if (FAILED(CFrame::Initialize(nullptr, const_cast<char*>(static_cast<const char*>(name)), eCameraFrame, tryLock)))
    throw "\nError: CFrame::Initialize() failed in CCameraFrame::Initialize().";
  SetPickableCapability(true);
  if (!CreateRenderSurface(window)) return false;
  m_world = world;
  m_nearPlaneDivisor = nearPlaneDivisor;
  if (!parent && world) parent = world->GetWorldContentFrame();
  if (!parent) throw "\nError: Null parent frame.";
  {
    CObjectLock parentLock(parent, tryLock);
    parent->AddChildObject(eOwnedChild, this, tryLock);
    if (world) world->RegisterCameraFrame(this);
  }
  m_motion = new CMovingObject;
  D3DXVECTOR3 orientation = *lookAt - *eye;
  m_motion->Initialize(&orientation, up, maxSpeed, acceleration, maxAngularSpeed, angularAcceleration, tryLock);
  ScaleCameraMeshFrame(parent, 5);
  SetTransformMatrix(eye, lookAt, up, true, tryLock);
  BuildRenderFrameHierarchy(parent, tryLock);
  ComputeBoundingObjectsHierarchy(false, false, tryLock);
  lock.Release();
  ComputeAncestorsBoundingObjects(false, false, tryLock);
  SetFrustumFOVs(tryLock);
  m_collision = false;
  return true;
}

bool CCameraFrame::DestroyContent(bool) {
  CObjectLock lock(this, IsMainThread());
  delete m_motion;
  m_motion = nullptr;
  if (m_world) m_world->UnregisterCameraFrame(this);
  DestroyRenderSurface();
  CFrame::DestroyContent(IsMainThread());
  ClearContent();
  return true;
}

// ---------------------------------------------------------------------------
// Accessors

CRootRenderFrame* CCameraFrame::GetWorldRenderFrame() const { return m_world ? m_world->GetRenderFrame() : nullptr; }

CViewingFrustum* CCameraFrame::GetViewingFrustum() const {
  return m_pdxwRenderSurface ? m_pdxwRenderSurface->GetViewingFrustum() : nullptr;
}

D3DMATRIX* CCameraFrame::GetProjectionMatrix() const {
  CViewingFrustum* frustum = GetViewingFrustum();
  return frustum ? frustum->GetProjectionMatrix() : nullptr;
}

float CCameraFrame::GetNearPlane() const {
  CViewingFrustum* frustum = GetViewingFrustum();
  return frustum ? frustum->GetNearPlane() : 0.0f;
}

// ---------------------------------------------------------------------------
// Vectors

D3DXVECTOR3 CCameraFrame::ComputeEyePointPFS(bool tryLock) {
  const D3DXMATRIX m = GetTransformMatrix(tryLock);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &m_vCameraEyePointMS, &m);
  return out;
}

D3DXVECTOR3 CCameraFrame::ComputeLookAtPointPFS() {
  const D3DXMATRIX m = GetTransformMatrix(false);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &m_vCameraLookAtPointMS, &m);
  return out;
}

D3DXVECTOR3 CCameraFrame::ComputeLookVectorPFS(bool tryLock) {
  const D3DXMATRIX m = GetTransformMatrix(tryLock);
  const D3DXVECTOR3 look = GetLookVectorMS();
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &look, &m);
  return out;
}

D3DXVECTOR3 CCameraFrame::ComputeUpVectorPFS(bool tryLock) {
  const D3DXMATRIX m = GetTransformMatrix(tryLock);
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &m_vCameraUpMS, &m);
  return out;
}

D3DXVECTOR3 CCameraFrame::ComputeEyePointWS() {
  const D3DXMATRIX m = ComputeWorldTransform(false);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &m_vCameraEyePointMS, &m);
  return out;
}

D3DXVECTOR3 CCameraFrame::ComputeLookVectorWS() {
  const D3DXMATRIX m = ComputeWorldTransform(false);
  const D3DXVECTOR3 look = GetLookVectorMS();
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &look, &m);
  return out;
}

// ---------------------------------------------------------------------------
// Placement

void CCameraFrame::SetTransformMatrix(D3DXMATRIX* m, bool setInitial, bool tryLock) {
  D3DXMATRIX placed = *m;
  if (m_collision) {
    D3DXMATRIX from = setInitial ? *m : *GetInitialFrameTransform();
    placed = PushCollidingObjects(&from, m);
  }
  CFrame::SetTransformMatrix(&placed, setInitial, eReplace, true, tryLock);
  RenewMotionOrientation(tryLock);
}

void CCameraFrame::RenewMotionOrientation(bool tryLock) {
  if (!m_motion) return;
  D3DXVECTOR3 up = ComputeUpVectorPFS(tryLock);
  D3DXVECTOR3 orientation = m_motion->GetMovingMode() == CMovingObject::eUpDown ? up : ComputeLookVectorPFS(tryLock);
  m_motion->SetCurrentOrientation(&orientation);
  m_motion->SetRotationAxis(&up);
}

void CCameraFrame::SetTransformMatrix(const D3DXVECTOR3* eye, const D3DXVECTOR3* lookAt, const D3DXVECTOR3* up,
                                      bool setInitial, bool tryLock) {
  const D3DXVECTOR3 look = GetLookVectorMS();
  const D3DXVECTOR3 newLook = *lookAt - *eye;
  D3DXMATRIX rotation;
  GetRotationTransform(&rotation, &look, &m_vCameraUpMS, &newLook, up);
  D3DXMATRIX m = rotation * Translation(*eye - m_vCameraEyePointMS);
  SetTransformMatrix(&m, setInitial, tryLock);
}

void CCameraFrame::SetTransformMatrix(CCameraFrame* other, bool setInitial, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  D3DXMATRIX m = other->GetTransformMatrix(tryLock);
  SetTransformMatrix(&m, setInitial, tryLock);
}

// ---------------------------------------------------------------------------
// View transform

D3DXMATRIX CCameraFrame::ComputeViewTransform(D3DXMATRIX* world, bool tryLock) {
  CObjectLock lock(this, tryLock);
  D3DXVECTOR3 eye, at, up;
  D3DXVec3TransformCoord(&eye, &m_vCameraEyePointMS, world);
  D3DXVec3TransformCoord(&at, &m_vCameraLookAtPointMS, world);
  D3DXVec3TransformNormal(&up, &m_vCameraUpMS, world);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  return view;
}

D3DXMATRIX CCameraFrame::ComputeInverseViewTransform(D3DXMATRIX* view) { return ComputeInverseTransform(view); }

// ---------------------------------------------------------------------------
// Projection

void CCameraFrame::ComputeFrustumDepth(float fov, float* nearPlane, float* farPlane, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  *nearPlane = *farPlane = 0;
  CDynamicWorldBoundaryFrame* boundary = GetFirstAncestorBoundaryFrame();
  if (!boundary && m_world) boundary = m_world->GetWorldBoundaryFrame();
  float radius = 0;
  if (boundary) {
    CObjectLock boundaryLock(boundary, tryLock);
    if (boundary->IsDeleted()) return;
    radius = boundary->GetRadiusFS();
  }
  if (radius == 0) {
    *nearPlane = 0.1f;
    *farPlane = 1.0f;
    return;
  }
  const float q = radius / std::tan(fov / 2);
  *farPlane = q + radius;
  if (m_shrink != 0) {
    *nearPlane = m_nearPlaneDivisor != 0 ? *farPlane / m_nearPlaneDivisor : 0.0f;
    *farPlane /= m_shrink;
    *nearPlane /= m_shrink;
  } else {
    *nearPlane = q / 100;
  }
}

void CCameraFrame::SetFrustumFOVs(bool tryLock) {
  float nearPlane = 0, farPlane = 0;
  ComputeFrustumDepth(kQuarterTurn, &nearPlane, &farPlane, tryLock);
  if (m_pdxwRenderSurface) m_pdxwRenderSurface->SetFrustumFOVs(kQuarterTurn, farPlane, nearPlane);
  SetCameraMovingProperties(tryLock);
}

void CCameraFrame::SetFrustumDepth(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !GetViewingFrustum()) return;
  float nearPlane = 0, farPlane = 0;
  ComputeFrustumDepth(GetViewingFrustum()->GetHorizontalFOV(), &nearPlane, &farPlane, tryLock);
  m_pdxwRenderSurface->SetFrustumDepth(farPlane, nearPlane);
  SetCameraMovingProperties(tryLock);
}

void CCameraFrame::SetCameraShrinkFactor(float factor, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  m_shrink = factor;
  SetFrustumDepth(tryLock);
}

bool CCameraFrame::IsInViewFrustum(float radius, const D3DXVECTOR3* centre, const D3DXMATRIX* world) {
  CViewingFrustum* frustum = GetViewingFrustum();
  if (!frustum) return true;
  const D3DXMATRIX toView = *world * m_renderView;
  return frustum->IsInViewFrustum(radius, centre, &toView);
}

void CCameraFrame::ComputeMousePickRayVS(D3DXVECTOR3* direction, const POINT* point) {
  CViewingFrustum* frustum = GetViewingFrustum();
  if (!frustum) return;
  D3DXVECTOR4 v(static_cast<float>(point->x), static_cast<float>(point->y), 1, 1), scaled, out;
  D3DXVec4Transform(&scaled, &v, frustum->GetViewportScalingMatrixInverse());
  D3DXVec4Transform(&out, &scaled, frustum->GetProjectionMatrixInverse());
  *direction = D3DXVECTOR3(out.x, out.y, out.z);
}

// ---------------------------------------------------------------------------
// Render surface

bool CCameraFrame::CreateRenderSurface(HWND window) {
  DestroyRenderSurface();
  m_pdxwRenderSurface = new CDXWRenderSurface;
  if (FAILED(m_pdxwRenderSurface->Initialize(window))) {
    DEBUG_TRACE("\nError: CDXWRenderSurface::Initialize() failed  in CCameraFrame::CreateRenderSurface()");
    return false;
  }
  m_surfaceReady = true;
  return true;
}

void CCameraFrame::DestroyRenderSurface() {
  m_surfaceReady = false;
  delete m_pdxwRenderSurface;
  m_pdxwRenderSurface = nullptr;
}

bool CCameraFrame::SetRenderWindow(HWND window) {
  try {
    if (!m_pdxwRenderSurface || FAILED(m_pdxwRenderSurface->SetRenderWindow(window)))
      throw "\nError: m_pdxwRenderSurface->SetRenderWindow() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CCameraFrame::ResizeRenderSurface(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  m_surfaceReady = false;
  try {
    if (!m_pdxwRenderSurface || FAILED(m_pdxwRenderSurface->Resize()))
      throw "\nError: m_pdxwRenderSurface->Resize() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  m_surfaceReady = true;
  return true;
}

void CCameraFrame::MoveRenderSurface(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pdxwRenderSurface) return;
  m_surfaceReady = false;
  m_pdxwRenderSurface->Move();
  m_surfaceReady = true;
}

void CCameraFrame::CopyBackBuffer(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!IsDeleted() && m_pdxwRenderSurface) m_pdxwRenderSurface->CopyBackBuffer();
}

void CCameraFrame::RestoreBackBuffer(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!IsDeleted() && m_pdxwRenderSurface) m_pdxwRenderSurface->RestoreBackBuffer();
}

RECT CCameraFrame::GetRenderWindowRect() const {
  return m_pdxwRenderSurface ? m_pdxwRenderSurface->GetRenderWindowRect() : RECT{};
}

IDirect3DSwapChain8* CCameraFrame::GetSwapChain(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pdxwRenderSurface) return nullptr;
  return m_pdxwRenderSurface->GetSwapChain();
}

CDXWRenderSurface* CCameraFrame::GetRenderSurface(bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() ? nullptr : m_pdxwRenderSurface;
}

HRESULT CCameraFrame::SetDeviceRenderSurface(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return S_OK;
  const HRESULT hr = g_pWindowedDevice ? g_pWindowedDevice->SetRenderSurface(m_pdxwRenderSurface) : E_FAIL;
  if (FAILED(hr)) DEBUG_TRACE("Error: SetRenderSurface() failed");
  return hr;
}

// ---------------------------------------------------------------------------
// Drawing

HRESULT CCameraFrame::Render(CDXDoc* doc, bool tryLock) {
  if (!m_used || !m_surfaceReady || !m_pdxwRenderSurface || !m_pdxwRenderSurface->SurfaceIsReady()) return S_OK;
  CFrame* root = GetWorldRenderFrame();
  if (!root || !g_pWindowedDevice) return S_OK;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  try {
    D3DXMATRIX world = ComputeWorldTransform(tryLock);
    D3DXMATRIX view = ComputeViewTransform(&world, tryLock);
    device->SetTransform(D3DTS_VIEW, &view);
    if (FAILED(Draw(device, &view, root, doc, tryLock))) throw "Error: CCameraFrame::Draw() failed CCameraFrame::Render().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CCameraFrame::Draw(IDirect3DDevice8* device, D3DXMATRIX* view, CFrame* root, CDXDoc* doc, bool tryLock) {
  m_renderView = *view;
  D3DXMATRIX identity = Identity();
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_ZBIAS, 0);
  if (FAILED(root->Render(device, &identity, 1, 0, this, &m_renderView, doc, tryLock)))
    throw "Error: CFrame::Render failed in CXFile::Render";
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  const HRESULT hr = root->Render(device, &identity, 0, 1, this, &m_renderView, doc, tryLock);
  if (FAILED(hr)) throw "Error: CFrame::Render failed in CXFileDataList::Render";
  return hr;
}

