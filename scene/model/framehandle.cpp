// CFrameHandle: creation, refitting, the mouse protocol of box and sphere
// handles, and drawing over the frame it lies on.
#include "framehandle.h"

#include <appfiles.h>
#include <materialpresets.h>
#include <tracelog.h>
#include <vectorgeometry.h>
#include <vectortransforms.h>

#include <cmath>
#include <memory>

#include "failureguard.h"
#include "material.h"
#include "objectlock.h"
#include "simpleshape.h"

namespace {

const D3DXMATRIX kZero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

CString UniqueHandleName() {
  CString name("FrameHandle");
  SetUniqueName(name);
  return name;
}

// The nearer of two crossings; equal distances keep the first.
int Nearer(const D3DXVECTOR3 points[2], DWORD count, const D3DXVECTOR3& origin) {
  if (count < 2) return 0;
  const D3DXVECTOR3 a = points[0] - origin, b = points[1] - origin;
  return D3DXVec3Length(&a) > D3DXVec3Length(&b) ? 1 : 0;
}

}  // namespace

CFrameHandle::~CFrameHandle() {
  BeginTeardown();
  DestroyContent();
}

void CFrameHandle::ClearContent() {
  CFrame::ClearContent();
  SetFrameType(eFrameHandle);
  m_handleType = 0;
  m_parentFrame = nullptr;
  m_permanent = false;
  m_dragA = m_dragB = m_lastHitPoint = D3DXVECTOR3(0, 0, 0);
  m_dragWord = 0;
  m_dragMatrix = m_parentRenderWorld = m_viewAtPress = m_inversePick = m_pick = kZero;
  m_dragging = false;
  m_hitFace = CGBox::eNone;
  m_box = nullptr;
}

bool CFrameHandle::DestroyContent() {
  CFrame::DestroyContent(false);
  ClearContent();
  return true;
}

// The handle's glass box; a failure throws the given text.
std::unique_ptr<CBox> CFrameHandle::MakeHandleBox(float width, float height, float depth, bool tryLock,
                                                  const char* failure) {
  auto box = std::make_unique<CBox>();
  D3DMATERIAL8 glass = GreyGlassMaterial();
  if (FAILED(box->Initialize(width, height, depth, &glass, const_cast<char*>("FrameHandleBoxShape"), 0, tryLock)))
    throw failure;
  return box;
}

void CFrameHandle::InitializeOnBox(std::unique_ptr<CBox> box, D3DXMATRIX* m, EHandleType type, CFrame* frame,
                                   bool permanent, bool tryLock) {
  CString name = UniqueHandleName();
  if (FAILED(CFrame::Initialize(m, name.GetBuffer(0), eFrameHandle, tryLock))) throw "Error: CFrame::Initialize() failed.";
  m_handleType = type;
  m_permanent = permanent;
  m_parentFrame = frame;
  m_box = box.get();
  AddChildObject(eOwnedChild, box.release(), tryLock);
  if (!ComputeBoundingObjectsHierarchy(false, false, tryLock)) throw "Error: ComputeBoundingObjectsHierarchy() failed.";
}

bool CFrameHandle::Initialize(EHandleType type, CFrame* frame, bool permanent, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  CObjectLock frameLock(frame, tryLock);
  if (frame->IsDeleted()) return true;
  DestroyContent();
  CGBox* target = frame->GetBoundingBox();
  std::unique_ptr<CBox> box = MakeHandleBox(target->GetWidthFS(), target->GetHeightFS(), target->GetDepthFS(), tryLock,
                                            "Error: CGBox::Initialize() failed.");
  D3DXMATRIX m;
  BoxToBoxTransform(m, box->GetBoundingBox(), nullptr, target, nullptr, tryLock);
  InitializeOnBox(std::move(box), &m, type, frame, permanent, tryLock);
  D3DXMATRIX world = m * *frame->GetWorldTransform();
  SetWorldTransform(&world, tryLock);
  return true;
}

bool CFrameHandle::Initialize(EHandleType type, CFrame* frame, D3DXVECTOR3* position, D3DXVECTOR3* newDir,
                              D3DXVECTOR3* newUp, float width, float height, float depth, bool permanent,
                              bool tryLock) {
  CObjectLock lock(this, tryLock, true);
  if (!lock.IsHeld()) throw "Info: Cannot lock the CFrameHandle object.";
  CObjectLock frameLock(frame, tryLock, true);
  if (!frameLock.IsHeld()) throw "Info: Cannot lock the bounded frame object.";
  DestroyContent();
  std::unique_ptr<CBox> box = MakeHandleBox(width, height, depth, false, "Error: CBox::Initialize() failed.");
  const D3DXVECTOR3 front = box->GetBoundingBox()->GetFrontFaceNormalFS();
  const D3DXVECTOR3 top = box->GetBoundingBox()->GetTopFaceNormalFS();
  D3DXMATRIX rotation, translation;
  GetRotationTransform(&rotation, &front, &top, newDir, newUp);
  D3DXMatrixTranslation(&translation, position->x, position->y, position->z);
  D3DXMATRIX m = rotation * translation;
  InitializeOnBox(std::move(box), &m, type, frame, permanent, false);
  return true;
}

bool CFrameHandle::Initialize(EHandleType type, CFrame* frame, D3DXVECTOR3* position, float radius, bool permanent) {
  DestroyContent();
  CString name = UniqueHandleName();
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, position->x, position->y, position->z);
  if (FAILED(CFrame::Initialize(&m, name.GetBuffer(0), eFrameHandle, false))) return false;
  m_handleType = type;
  m_parentFrame = frame;
  m_permanent = permanent;
  auto* sphere = new CSphere;
  CMaterial material;
  material.Initialize();
  if (FAILED(sphere->Initialize(radius, material.GetMaterial(), const_cast<char*>("FrameHandleSphereShape"), 0))) {
    delete sphere;
    return false;
  }
  AddChildObject(eOwnedChild, sphere, false);
  return ComputeBoundingObjectsHierarchy(false, false, false);
}

bool CFrameHandle::Initialize(EHandleType type, CFrame* frame, CSimpleShape* shape, D3DXVECTOR3* position,
                              D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up, D3DXVECTOR3* newDir,
                              D3DXVECTOR3* newUp, bool pickable, char* name, bool permanent) {
  return GuardedCall([&] {
    DestroyContent();
    CString own = name ? CString(name) : UniqueHandleName();
    if (!CFrame::Initialize(shape, position, centre, dir, up, newDir, newUp, pickable, own.GetBuffer(0)))
      throw "\nError: CFrame::Initialize() failed in CFrameHandle::Initialize().";
    SetFrameType(eFrameHandle);
    m_permanent = permanent;
    m_handleType = type;
    m_parentFrame = frame;
    if (!ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CFrameHandle::Initialize().";
  });
}

void CFrameHandle::ResizeFrameHandle(CFrame* frame, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !frame || !m_box) return;
  D3DXMATRIX m;
  BoxToBoxTransform(m, m_box->GetBoundingBox(), nullptr, frame->GetBoundingBox(), nullptr, tryLock);
  SetTransformMatrix(&m, false, eReplace, false, tryLock);
}

// ---------------------------------------------------------------------------
// Mouse protocol

bool CFrameHandle::SetPickMatrix(D3DXMATRIX* view) {
  const D3DXMATRIX pick = m_parentRenderWorld * *view;
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &pick)) return false;
  m_viewAtPress = *view;
  m_pick = pick;
  m_inversePick = inverse;
  return true;
}

void CFrameHandle::PickRay(D3DXVECTOR3* direction, D3DXVECTOR3& origin, D3DXVECTOR3& ray) const {
  const D3DXVECTOR3 eye(0, 0, 0);
  D3DXVec3TransformCoord(&origin, &eye, &m_inversePick);
  D3DXVec3TransformNormal(&ray, direction, &m_inversePick);
}

bool CFrameHandle::NearerBoxCrossing(D3DXVECTOR3* direction, bool tryLock, D3DXVECTOR3& point, CGBox::EBoxFace& face,
                                     CGBox& box) {
  D3DXVECTOR3 origin, ray;
  PickRay(direction, origin, ray);
  box = m_parentFrame->ConvertBoundingBoxPFS(nullptr, tryLock);
  D3DXVECTOR3 points[2];
  CGBox::EBoxFace faces[2] = {CGBox::eNone, CGBox::eNone};
  const DWORD count = box.ComputeRayBoxIntersections2(points, faces, &origin, &ray, tryLock);
  if (count == 0) return false;
  const int k = Nearer(points, count, origin);
  point = points[k];
  face = faces[k];
  return true;
}

// The sphere handle keeps no view: the pick matrix is made anew each time.
bool CFrameHandle::NearerSphereCrossing(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXVECTOR3& point,
                                        CGSphere& sphere) {
  const D3DXMATRIX pick = m_parentRenderWorld * *view;
  if (!D3DXMatrixInverse(&m_inversePick, nullptr, &pick)) return false;
  m_pick = pick;
  D3DXVECTOR3 origin, ray;
  PickRay(direction, origin, ray);
  sphere = m_parentFrame->ConvertBoundingSpherePFS(nullptr, false);
  SLineSphereIntersection crossing{};
  D3DXVECTOR3 end = origin + ray;
  if (!GetLineSphereIntersection(crossing, sphere.GetCenterFS(), sphere.GetRadiusFS(), &origin, &end) ||
      crossing.dwCount == 0)
    return false;
  point = crossing.vFirst;
  return true;
}

void CFrameHandle::TakeParentRenderWorld(bool tryLock) {
  if (CFrame* renderParent = m_parentFrame->GetParentRenderFrame())
    m_parentRenderWorld = renderParent->ComputeWorldTransform(tryLock);
  else
    D3DXMatrixIdentity(&m_parentRenderWorld);
}

void CFrameHandle::PressLeftButtonDownBox(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX*, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_parentFrame) return;
  CObjectLock frameLock(m_parentFrame, tryLock);
  if (m_parentFrame->IsDeleted()) return;
  TakeParentRenderWorld(tryLock);
  if (!SetPickMatrix(view)) return;
  D3DXVECTOR3 point;
  CGBox::EBoxFace face;
  CGBox box;
  if (!NearerBoxCrossing(direction, tryLock, point, face, box)) return;
  m_dragging = true;
  m_lastHitPoint = point;
  m_hitFace = face;
}

void CFrameHandle::DragBox(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_parentFrame) return;
  CObjectLock frameLock(m_parentFrame, tryLock);
  if (m_parentFrame->IsDeleted()) return;
  if (*view != m_viewAtPress && !SetPickMatrix(view)) return;
  D3DXVECTOR3 point;
  CGBox::EBoxFace face;
  CGBox box;
  if (!NearerBoxCrossing(direction, tryLock, point, face, box) || face != m_hitFace) return;
  D3DXVECTOR3 centre = box.GetCenterFS();
  D3DXVECTOR3 from = m_lastHitPoint - centre, to = point - centre;
  if (from != to) RotateParentFrameBox(&from, &to, centre, m_pick, view, inverseView, tryLock);
  m_lastHitPoint = point;
}

void CFrameHandle::ReleaseLeftButton(D3DXVECTOR3*) {
  m_dragA = m_dragB = D3DXVECTOR3(0, 0, 0);
  m_dragMatrix = kZero;
  m_dragging = false;
}

void CFrameHandle::PressLeftButtonDownSphere(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX*) {
  if (!m_parentFrame) return;
  TakeParentRenderWorld(false);
  D3DXVECTOR3 point;
  CGSphere sphere;
  if (!NearerSphereCrossing(direction, view, point, sphere)) return;
  m_dragging = true;
  m_lastHitPoint = point;
}

void CFrameHandle::DragSphere(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView) {
  if (!m_parentFrame) return;
  D3DXVECTOR3 point;
  CGSphere sphere;
  if (!NearerSphereCrossing(direction, view, point, sphere)) return;
  D3DXVECTOR3 centre = *sphere.GetCenterFS();
  D3DXVECTOR3 from = m_lastHitPoint - centre, to = point - centre;
  if (from != to) RotateParentFrame3(&from, &to, centre, m_pick, view, inverseView);
  m_lastHitPoint = point;
}

void CFrameHandle::RotateParentFrame(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, bool tryLock) {
  D3DXVECTOR3 a, b, axis;
  D3DXVec3Normalize(&a, from);
  D3DXVec3Normalize(&b, to);
  float d = D3DXVec3Dot(&a, &b);
  if (d > 1.0f && d - 1.0f < 0.001f) d = 1.0f;
  if (d < -1.0f && -1.0f - d < 0.01f) d = -1.0f;
  const float angle = std::acos(d);
  D3DXVec3Cross(&axis, &a, &b);
  D3DXMATRIX rotation, toOrigin, back;
  D3DXMatrixRotationAxis(&rotation, &axis, angle);
  D3DXMatrixTranslation(&toOrigin, -centre.x, -centre.y, -centre.z);
  D3DXMatrixTranslation(&back, centre.x, centre.y, centre.z);
  D3DXMATRIX m = m_parentFrame->GetTransformMatrix(tryLock) * toOrigin * rotation * back;
  m_parentFrame->SetTransformMatrix(&m, false, eReplace, false, tryLock);
  m_parentFrame->ComputeAncestorsBoundingObjects(false, false, tryLock);
}

bool CFrameHandle::RotateParentFrameBox(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, D3DXMATRIX&,
                                        D3DXMATRIX*, D3DXMATRIX*, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_parentFrame) return true;
  CObjectLock frameLock(m_parentFrame, tryLock);
  if (!m_parentFrame->IsDeleted()) RotateParentFrame(from, to, centre, tryLock);
  return true;
}

bool CFrameHandle::RotateParentFrame3(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, D3DXMATRIX&,
                                      D3DXMATRIX*, D3DXMATRIX*) {
  if (m_parentFrame) RotateParentFrame(from, to, centre, false);
  return true;
}

// ---------------------------------------------------------------------------
// Drawing

HRESULT CFrameHandle::Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                             CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) {
  DWORD zbias = 0;
  device->GetRenderState(D3DRS_ZBIAS, &zbias);
  device->SetRenderState(D3DRS_ZBIAS, 5);
  HRESULT result = S_OK;
  try {
    result = CFrame::Render(device, parentWorld, opaque, blended, camera, view, doc, tryLock);
  } catch (...) {
    device->SetRenderState(D3DRS_ZBIAS, zbias);
    throw;
  }
  device->SetRenderState(D3DRS_ZBIAS, zbias);
  return FAILED(result) ? E_FAIL : result;
}

HRESULT CFrameHandle::Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                             CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc) {
  return Render(device, parentWorld, opaque, blended, camera, view, doc, true);
}
