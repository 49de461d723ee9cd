// CFrame: drawing a frame tree, its hidden and pickable switches over a
// subtree, and the animation walk.
#include <cameraframe.h>
#include <rmxfguid.h>
#include <tracelog.h>

#include "basemesh.h"
#include "frame.h"
#include "mesh.h"
#include "objectlock.h"
#include "simpleshape.h"
#include "xfiletemplates.h"

namespace {

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

// Culling against the camera's frustum of a sphere given in world space.
class CFrustumTest {
 public:
  explicit CFrustumTest(CCameraFrame* camera) : m_camera(camera && camera->GetViewingFrustum() ? camera : nullptr) {}
  bool InView(float radius, const D3DXVECTOR3& centre) const {
    return !m_camera || m_camera->IsInViewFrustum(radius, &centre, &kIdentity);
  }
  bool Culling() const { return m_camera != nullptr; }

 private:
  CCameraFrame* m_camera;
};

}  // namespace

// Each busy child is left out of this pass only: the others of the frame are
// drawn, and the busy one is drawn again on the next pass. Drawing never
// waits for a lock: every lock of the walk is a quiet try, whatever tryLock
// says, so a busy object is never a failure.
HRESULT CFrame::Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                       CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) {
  CObjectLock lock(this, true, true);
  if (!lock.IsHeld() || IsDeleted() || !m_readyForRendering || m_hidden) return S_OK;
  const CFrustumTest frustum(camera);
  HRESULT result = S_OK;
  try {
    D3DXMATRIX world = GetTransformMatrix(tryLock) * (parentWorld ? *parentWorld : kIdentity);
    if (FAILED(device->SetTransform(D3DTS_WORLD, &world)))
      throw "Error: IDirect3DDevice7::SetTransform \t\t\t\t\t\t\t\t\t\t\t\tfailed in CFrame::Render";
    // One kind of child after the other, each in list order.
    auto forEachChild = [&](const GUID* guid, auto draw) {
      CChildObjectList& children = GetChildObjectList();
      for (POSITION pos = children.GetHeadPosition(); pos;) {
        CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
        if (!object || !object->IsATemplateGUID(guid)) continue;
        CObjectLock childLock(object, true, true);
        if (!childLock.IsHeld() || object->IsDeleted()) continue;
        draw(object);
      }
    };
    forEachChild(&TID_D3DRMMesh, [&](CXFileDataObject* object) {
      auto* mesh = static_cast<CMesh*>(object);
      if (!mesh->IsReadyForRendering()) return;
      if (frustum.Culling()) {
        D3DXVECTOR3 centre;
        mesh->GetCenterWS(centre, &world);
        if (!frustum.InView(mesh->GetRadiusWS(&world), centre)) return;
      }
      result = mesh->Render(device, opaque, blended, doc);
      if (FAILED(result)) throw "CMesh::Render failed in CFrame::Render";
    });
    forEachChild(&GUID_BaseMesh, [&](CXFileDataObject* object) {
      auto* mesh = static_cast<CBaseMesh*>(object);
      if (!mesh->IsReadyForRendering()) return;
      if (frustum.Culling()) {
        D3DXVECTOR3 centre;
        mesh->GetCenterWS(centre, &world, tryLock);
        if (!frustum.InView(mesh->GetRadiusWS(&world, tryLock), centre)) return;
      }
      result = mesh->Render(device, &world, opaque, blended, camera, view, doc, tryLock);
      if (FAILED(result)) throw "CBaseMesh::Render() failed in CFrame::Render";
    });
    forEachChild(&GUID_SimpleShape, [&](CXFileDataObject* object) {
      auto* shape = static_cast<CSimpleShape*>(object);
      if (frustum.Culling()) {
        D3DXVECTOR3 centre;
        shape->GetCenterWS(centre, &world);
        if (!frustum.InView(shape->GetRadiusWS(&world, tryLock), centre)) return;
      }
      const bool opaqueShape = shape->IsOpaque();
      if ((opaque && opaqueShape) || (blended && !opaqueShape)) shape->Draw(device);
    });
    forEachChild(&TID_D3DRMFrame, [&](CXFileDataObject* object) {
      auto* child = static_cast<CFrame*>(object);
      if (frustum.Culling() && child->GetBoundingSphere()) {
        D3DXMATRIX childWorld = child->GetTransformMatrix(tryLock) * world;
        const float radius = child->GetRadiusWS(&childWorld, tryLock);
        if (radius == 0.0f) return;
        D3DXVECTOR3 centre;
        child->GetCenterWS(centre, &childWorld);
        if (!frustum.InView(radius, centre)) return;
      }
      result = child->Render(device, &world, opaque, blended, camera, view, doc, tryLock);
      if (FAILED(result)) throw "CFrame::Render failed in CFrame::Render";
    });
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    throw;
  } catch (CException*) {
    DEBUG_TRACE("\nCException() raised.");
    throw;
  }
  return result;
}

// ---------------------------------------------------------------------------
// Hidden and pickable switches

void CFrame::Hide() {
  if (!m_hidden) HideHierarchy();
}

void CFrame::HideHierarchy() {
  if (m_hidden) return;
  m_hidden = true;
  m_pickable = false;
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, false, false)) child->HideHierarchy();
}

void CFrame::Show() {
  if (!m_hidden) return;
  ShowHierarchy();
  ComputeBoundingObjectsHierarchy(false, false, false);
  ComputeAncestorsBoundingObjects(false, false, false);
}

void CFrame::ShowHierarchy() {
  if (!m_hidden) return;
  m_hidden = false;
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, false, false)) child->ShowHierarchy();
}

void CFrame::SetHierarchyPickableCapability(bool pickable) {
  m_pickable = pickable;
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, false, false)) child->SetHierarchyPickableCapability(pickable);
}

// ---------------------------------------------------------------------------
// Animation walk

void CFrame::AnimateFrameHierarchy(D3DXMATRIX* parentWorld) {
  try {
    D3DXMATRIX world = GetTransformMatrix(false) * *parentWorld;
    AnimateFrame(&world);
    if (!TryLockChildList()) return;
    try {
      POSITION pos = GetChildHeadPosition();
      while (CFrame* child = GetNextFrame(pos, false, false)) child->AnimateFrameHierarchy(&world);
    } catch (...) {
      UnlockChildList();
      throw;
    }
    UnlockChildList();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}
