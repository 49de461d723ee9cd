#include "pointlightframe.h"

#include <dxwindoweddevice.h>
#include <failureguard.h>
#include <materialpresets.h>
#include <qorcommon.h>
#include <simpleshape.h>

#include <memory>

const D3DXVECTOR3 CPointLightFrame::m_vLightFramePositionMS(0, 0, 0);
const D3DXVECTOR3 CPointLightFrame::m_vLightFrameDirectionMS(0, 0, 1);
const D3DXVECTOR3 CPointLightFrame::m_vLightFrameUpMS(0, 1, 0);

CPointLightFrame::~CPointLightFrame() { DestroyContent(); }

void CPointLightFrame::ClearContent() { m_sphere = nullptr; }

bool CPointLightFrame::DestroyContent() {
  CDirectLightFrame::DestroyContent(false);
  ClearContent();
  return true;
}

bool CPointLightFrame::Initialize(D3DLIGHT8* light, long index, bool marker, float radius, D3DMATERIAL8* material) {
  DestroyContent();
  if (!GuardedCall([&] { CDirectLightFrame::Initialize(light, index, const_cast<char*>("PointLightFrame"), false); }))
    return false;
  if (marker) CreateLightMeshFrame(radius, material);
  return true;
}

bool CPointLightFrame::CreateLightMeshFrame(float radius, D3DMATERIAL8* material) {
  D3DMATERIAL8 glass = GreenGlassMaterial();
  if (!material) material = &glass;
  auto* frame = new CFrame;
  AddChildObject(eOwnedChild, frame, false);
  const bool made = GuardedCall([&] {
    if (FAILED(frame->Initialize(nullptr, const_cast<char*>("LightMeshFrame"), ePlainFrame, false)))
      throw "\nError: CFrame::Initialize() failed in CLightFrame::CreateLightMeshFrame().";
    frame->SetPickableCapability(false);
    auto* sphere = new CSphere;
    m_sphere = sphere;
    frame->AddChildObject(eOwnedChild, sphere, false);
    if (FAILED(sphere->Initialize(radius, material, const_cast<char*>("LightSphereShape"), 0)))
      throw "\nError: CSphere::Initialize() failed in CLightFrame::CreateLightMeshFrame().";
    if (!ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: ComputeBoundingObjectsHierarchy() failed in CLightFrame::CreateLightMeshFrame().";
  });
  if (!made) {
    m_sphere = nullptr;
    DeleteDirectChildObject(frame, false);
  }
  return made;
}

void CPointLightFrame::SetMaterial(const D3DMATERIAL8& material) {
  if (m_sphere) m_sphere->SetMaterial(&material);
}

bool CPointLightFrame::SetColor(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& specular,
                                const D3DCOLORVALUE& ambient) {
  if (!CDirectLightFrame::SetColor(diffuse, specular, ambient)) {
    DEBUG_TRACE("\nError: CLightFrame::SetColor() failed in CPointLightFrame::SetColor().");
    return false;
  }
  if (m_sphere) {
    D3DMATERIAL8 material = *m_sphere->GetMaterial();
    material.Diffuse = diffuse;
    material.Ambient = ambient;
    material.Specular = specular;
    m_sphere->SetMaterial(&material);
  }
  return true;
}

bool CPointLightFrame::SetPositionWS(D3DXVECTOR3* position) {
  D3DLIGHT8* light = GetD3DLight();
  light->Position = *position;
  IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
  if (!device || FAILED(device->SetLight(static_cast<DWORD>(GetLightIndex()), light))) {
    DEBUG_TRACE("\nError: IDirect3DDevice7::SetLight() failed in CLightFrame::SetPositionWS().");
    return false;
  }
  return GuardedCall([&] {
    D3DXMATRIX world = ComputeWorldTransform(false);
    D3DXVECTOR3 current;
    D3DXVec3TransformCoord(&current, &m_vLightFramePositionMS, &world);
    D3DXVECTOR3 difference = *position - current;
    CFrame::SetTransformMatrix(&difference, false, eApplyAfter);
  });
}

// The frame's direction is taken through its world transform as a
// direction, not as a point.
bool CPointLightFrame::SetDirectionWS(D3DXVECTOR3* direction) {
  if (!CDirectLightFrame::SetDirectionWS(direction)) {
    DEBUG_TRACE("\nError: CLightFrame::SetDirectionWS() failed in CPointLightFrame::SetDirectionWS().");
    return false;
  }
  return GuardedCall([&] {
    D3DXMATRIX world = ComputeWorldTransform(false);
    D3DXVECTOR3 current, wanted;
    D3DXVec3TransformNormal(&current, &m_vLightFrameDirectionMS, &world);
    D3DXVec3Normalize(&current, &current);
    D3DXVec3Normalize(&wanted, direction);
    D3DXQUATERNION q;
    GetRotationQuaternion(q, &current, &wanted, &m_vLightFrameUpMS);
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &q);
    SetTransformMatrix(&rotation, false, eApplyBefore, true, false);
  });
}
