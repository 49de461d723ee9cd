#include "lightframe.h"

#include <appfiles.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>

namespace {

IDirect3DDevice8* ProcessDevice() { return g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr; }

}  // namespace

D3DCOLOR PackColourValue(const D3DCOLORVALUE& colour) {
  auto byte = [](float value) { return static_cast<DWORD>(static_cast<long>(value * 255.0f)) & 0xFF; };
  return byte(colour.a) << 24 | byte(colour.r) << 16 | byte(colour.g) << 8 | byte(colour.b);
}

// ---------------------------------------------------------------------------
// CLightFrame

CLightFrame::CLightFrame() { ClearContent(); }

CLightFrame::~CLightFrame() {
  BeginTeardown();
  DestroyContent(false);
}

void CLightFrame::ClearContent() {
  CFrame::ClearContent();
  m_light = D3DLIGHT8{};
  m_index = 0;
  m_initialized = false;
}

bool CLightFrame::DestroyContent(bool tryLock) {
  CFrame::DestroyContent(tryLock);
  ClearContent();
  return true;
}

bool CLightFrame::Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock) {
  DestroyContent(tryLock);
  if (FAILED(CFrame::Initialize(nullptr, name, eLightFrame, tryLock)))
    throw "\nError: CFrame::Initialize() failed in CLightFrame::Initialize().";
  m_light = *light;
  SetPickableCapability(false);
  m_index = index;
  m_initialized = true;
  return true;
}

// ---------------------------------------------------------------------------
// CDirectLightFrame

CDirectLightFrame::~CDirectLightFrame() = default;

bool CDirectLightFrame::Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock) {
  DestroyContent(tryLock);
  CString made(name ? name : "DirectLightFrame");
  if (!name) SetUniqueName(made);
  CLightFrame::Initialize(light, index, const_cast<char*>(static_cast<const char*>(made)), tryLock);
  SetPickableCapability(true);
  return true;
}

bool CDirectLightFrame::DestroyContent(bool tryLock) { return CLightFrame::DestroyContent(tryLock); }

bool CDirectLightFrame::SetLightInDevice() {
  IDirect3DDevice8* device = ProcessDevice();
  if (!device || FAILED(device->SetLight(static_cast<DWORD>(GetLightIndex()), GetD3DLight()))) {
    DEBUG_TRACE("\nError: IDirect3DDevice7::SetLight() failed in CLightFrame::SetLightInDevice().");
    return false;
  }
  return true;
}

bool CDirectLightFrame::SetColor(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& specular,
                                 const D3DCOLORVALUE& ambient) {
  D3DLIGHT8* light = GetD3DLight();
  light->Diffuse = diffuse;
  light->Specular = specular;
  light->Ambient = ambient;
  return true;
}

bool CDirectLightFrame::SetDirectionWS(D3DXVECTOR3* direction) {
  GetD3DLight()->Direction = *direction;
  return true;
}

bool CDirectLightFrame::EnableLight() {
  IDirect3DDevice8* device = ProcessDevice();
  return device && SUCCEEDED(device->LightEnable(static_cast<DWORD>(GetLightIndex()), TRUE));
}

bool CDirectLightFrame::DisableLight() {
  IDirect3DDevice8* device = ProcessDevice();
  return device && SUCCEEDED(device->LightEnable(static_cast<DWORD>(GetLightIndex()), FALSE));
}

BOOL CDirectLightFrame::IsLightEnabled() {
  IDirect3DDevice8* device = ProcessDevice();
  BOOL enabled = FALSE;
  if (!device || FAILED(device->GetLightEnable(static_cast<DWORD>(GetLightIndex()), &enabled))) return FALSE;
  return enabled;
}

// ---------------------------------------------------------------------------
// CDirectionalLightFrame

CDirectionalLightFrame::~CDirectionalLightFrame() = default;

bool CDirectionalLightFrame::Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock) {
  DestroyContent(tryLock);
  CDirectLightFrame::Initialize(light, index, name ? name : const_cast<char*>("DirectionalLightFrame"), tryLock);
  SetPickableCapability(false);
  return true;
}

bool CDirectionalLightFrame::DestroyContent(bool tryLock) { return CDirectLightFrame::DestroyContent(tryLock); }

bool CDirectionalLightFrame::SetProperties(D3DLIGHT8* light) {
  D3DLIGHT8* own = GetD3DLight();
  own->Diffuse = light->Diffuse;
  own->Specular = light->Specular;
  own->Ambient = light->Ambient;
  own->Direction = light->Direction;
  SetInitialized();
  return true;
}

// ---------------------------------------------------------------------------
// CAmbientLight

CAmbientLight::~CAmbientLight() = default;

bool CAmbientLight::Initialize(D3DCOLORVALUE colour, char* name, bool tryLock) {
  try {
    DestroyContent(tryLock);
    CString made(name ? name : "AmbientLightFrame");
    if (!name) SetUniqueName(made);
    D3DLIGHT8 light{};
    light.Ambient = colour;
    CLightFrame::Initialize(&light, -1, const_cast<char*>(static_cast<const char*>(made)), tryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CAmbientLight::DestroyContent(bool tryLock) { return CLightFrame::DestroyContent(tryLock); }

bool CAmbientLight::SetProperties(D3DLIGHT8* light) {
  GetD3DLight()->Ambient = light->Ambient;
  SetInitialized();
  return true;
}

bool CAmbientLight::SetLightInDevice() { return SetLightInDevice(ProcessDevice()); }

bool CAmbientLight::SetLightInDevice(IDirect3DDevice8* device) {
  if (!device || FAILED(device->SetRenderState(D3DRS_AMBIENT, PackColourValue(GetD3DLight()->Ambient)))) {
    DEBUG_TRACE("\nError: IDirect3DDevice7::SetRenderState() failed in CAmbientLight::SetLightInDevice().");
    return false;
  }
  return true;
}
