#include "lightsmanager.h"

#include <appoptions.h>
#include <configfile.h>
#include <dx_doc.h>
#include <dxwindoweddevice.h>
#include <rootrenderframe.h>
#include <tracelog.h>
#include <xfiledatalist.h>

#include <memory>

#include "lightframe.h"

namespace {

bool IsDirectional(const CLightFrame* light) {
  return light->GetLightFrameType() == CLightFrame::eDirectionalLightFrame;
}

}  // namespace

CLightsManager::CLightsManager() { ClearContent(); }

CLightsManager::~CLightsManager() {
  try {
    DestroyContent(false);
  } catch (...) {
    // Whatever is left in the map is still the manager's to free.
    for (auto& [index, light] : m_lights) delete light;
    m_lights.clear();
  }
}

void CLightsManager::ClearContent() {
  m_world = nullptr;
  m_front = m_back = m_top = m_bottom = m_left = m_right = nullptr;
  m_ambient = nullptr;
  m_ambientEnabled = false;
  m_diffuse = m_specular = m_ambientColour = D3DCOLORVALUE{};
}

// ---------------------------------------------------------------------------
// Life cycle

bool CLightsManager::Initialize(CXFileDataList* world, bool tryLock) {
  DestroyContent(false);
  m_world = world;
  CONFIGFILE defaults;
  CONFIGFILE* config = nullptr;
  if (world && world->GetDocument()) {
    config = world->GetDocument()->GetConfig();
  } else {
    SetDefaultConfigData(defaults);
    config = &defaults;
  }
  return CreateDefaultWorldLights2(config, tryLock);
}

void CLightsManager::DestroyContent(bool tryLock) {
  DestroyLightsMap(tryLock);
  ClearContent();
}

void CLightsManager::DestroyLightsMap(bool tryLock) {
  while (!m_lights.empty()) {
    CLightFrame* light = m_lights.begin()->second;
    if (!DestroyLight(light, tryLock) && !m_lights.empty() && m_lights.begin()->second == light) {
      // Neither the world nor the map could let it go: it is freed here.
      m_lights.erase(m_lights.begin());
      delete light;
    }
  }
}

bool CLightsManager::ResetDefaultLights(bool tryLock) {
  CXFileDataList* world = m_world;
  DestroyContent(tryLock);
  m_world = world;
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  return CreateDefaultWorldLights2(&defaults, tryLock);
}

// ---------------------------------------------------------------------------
// Creation

bool CLightsManager::CreateDefaultWorldLights2(CONFIGFILE* config, bool tryLock) {
  m_diffuse = config->cvLightsDiffuse;
  m_specular = config->cvLightsSpecular;
  m_ambientColour = config->cvAmbient;
  struct Side {
    BYTE on;
    bool (CLightsManager::*create)(bool);
    const char* failure;
  };
  const Side sides[] = {
      {config->bLightFromBack, &CLightsManager::CreateDirectionalLightFromBack,
       "Error: CLightsManager::CreateDirectionalLightFromBack() failed."},
      {config->bLightFromBottom, &CLightsManager::CreateDirectionalLightFromBottom,
       "Error: CLightsManager::CreateDirectionalLightFromBottom() failed."},
      {config->bLightFromFront, &CLightsManager::CreateDirectionalLightFromFront,
       "Error: CLightsManager::CreateDirectionalLightFromFront() failed."},
      {config->bLightFromLeft, &CLightsManager::CreateDirectionalLightFromLeft,
       "Error: CLightsManager::CreateDirectionalLightFromLeft() failed."},
      {config->bLightFromRight, &CLightsManager::CreateDirectionalLightFromRight,
       "Error: CLightsManager::CreateDirectionalLightFromRight() failed."},
      {config->bLightFromTop, &CLightsManager::CreateDirectionalLightFromTop,
       "Error: CLightsManager::CreateDirectionalLightFromTop() failed."},
  };
  for (const Side& side : sides)
    if (side.on && !(this->*side.create)(tryLock)) throw side.failure;
  if (!CreateAmbientLight(m_ambient, m_ambientColour, const_cast<char*>("AmbientLightFrame"), tryLock))
    throw "Error: CLightsManager::CreateAmbientLight() failed.";
  m_ambientEnabled = true;
  if (!config->bAmbientOn && !DisableAmbientLight(false)) throw "Error: CLightsManager::DisableAmbientLight() failed.";
  return true;
}

long CLightsManager::FindFreeLightIndex(LIGHTINDICES* indices) {
  WORD unused = 0;
  DWORD index = 0;
  while (indices->Lookup(index, unused)) ++index;
  indices->SetAt(index, 0);
  return static_cast<long>(index);
}

void CLightsManager::AttachToRoot(CLightFrame* light, bool tryLock) {
  CRootRenderFrame* root = m_world ? m_world->GetRenderFrame() : nullptr;
  if (!root) throw "\nError: The world has no root render frame.";
  root->AddChildObject(eReferenceChild, light, tryLock);
  light->BuildRenderFrameHierarchy(root, tryLock);
}

bool CLightsManager::CreateDirectionalLight(CDirectionalLightFrame*& light, D3DLIGHT8* properties, char* name,
                                            bool tryLock) {
  light = nullptr;
  if (!g_pWindowedDevice || !g_pWindowedDevice->DirectionalLightsSupported()) {
    DEBUG_TRACE(
        "\nWarning: The selected D3D device cannot create directional lights CLightsManager::CreateDirectionalLight().");
    return false;
  }
  const long index = FindFreeLightIndex(&g_lightIndices);
  auto made = std::make_unique<CDirectionalLightFrame>();
  try {
    made->Initialize(properties, index, name, tryLock);
    if (!AddLightToMap(made.get()))
      throw "\nError: CLightsManager::AddLightToMap() failed in CLightsManager::CreateDirectionalLight().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  light = made.release();
  try {
    AttachToRoot(light, tryLock);
    if (!light->SetLightInDevice())
      throw "\nError: CLightFrame::SetLightInDevice() failed in CLightsManager::CreateDirectionalLight().";
    if (!light->EnableLight())
      throw "\nError: CLightFrame::EnableLight() failed in CLightsManager::CreateDirectionalLight().";
  } catch (const char*) {
    CDirectionalLightFrame* failed = light;
    light = nullptr;
    DestroyLight(failed, false);
    throw;
  }
  return true;
}

bool CLightsManager::CreateSideLight(CDirectionalLightFrame*& slot, float x, float y, float z, bool tryLock) {
  if (slot) throw "\nDirectional light already exist.";
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = m_diffuse;
  light.Specular = m_specular;
  light.Ambient = m_ambientColour;
  light.Direction = {x, y, z};
  if (!CreateDirectionalLight(slot, &light, const_cast<char*>("DirectionalLightFrame"), tryLock))
    throw "\nCreateDirectionalLight() failed.";
  return true;
}

bool CLightsManager::CreateDirectionalLightFromBack(bool tryLock) { return CreateSideLight(m_back, 0, 0, -1, tryLock); }
bool CLightsManager::CreateDirectionalLightFromBottom(bool tryLock) {
  return CreateSideLight(m_bottom, 0, 1, 0, tryLock);
}
bool CLightsManager::CreateDirectionalLightFromFront(bool tryLock) { return CreateSideLight(m_front, 0, 0, 1, tryLock); }
bool CLightsManager::CreateDirectionalLightFromLeft(bool tryLock) { return CreateSideLight(m_left, 1, 0, 0, tryLock); }
bool CLightsManager::CreateDirectionalLightFromRight(bool tryLock) {
  return CreateSideLight(m_right, -1, 0, 0, tryLock);
}
bool CLightsManager::CreateDirectionalLightFromTop(bool tryLock) { return CreateSideLight(m_top, 0, -1, 0, tryLock); }

bool CLightsManager::CreateAmbientLight(CAmbientLight*& light, D3DCOLORVALUE colour, char* name, bool tryLock) {
  DestroyAmbientLight();
  light = nullptr;
  auto made = std::make_unique<CAmbientLight>();
  try {
    if (!made->Initialize(colour, name, tryLock))
      throw "\nError: CAmbientLightFrame::Initialize() failed in CLightsManager::CreateAmbientLight().";
    if (!AddLightToMap(made.get()))
      throw "\nError: CLightsManager::AddLightToMap() failed in CLightsManager::CreateAmbientLight().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  light = made.release();
  try {
    AttachToRoot(light, tryLock);
    if (!light->SetLightInDevice())
      throw "\nError: CLightFrame::SetLightInDevice() failed in CLightsManager::CreateAmbientLight().";
  } catch (const char*) {
    CAmbientLight* failed = light;
    light = nullptr;
    DestroyLight(failed, false);
    throw;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Destruction

bool CLightsManager::DestroyLight(CLightFrame* light, bool tryLock) {
  bool deleted = false;
  try {
    deleted = m_world && m_world->DeleteWorldRenderFrame(light, tryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  if (deleted) return true;
  // The world may have taken it out of the map and deleted it already.
  for (const auto& [index, held] : m_lights)
    if (held == light) return RemoveLightFromMap(light);
  return false;
}

bool CLightsManager::RemoveLightFromMap(CFrame* frame) {
  for (auto it = m_lights.begin(); it != m_lights.end(); ++it) {
    if (it->second != frame) continue;
    CLightFrame* light = it->second;
    if (light->GetLightFrameType() != CLightFrame::eAmbientLightFrame)
      static_cast<CDirectLightFrame*>(light)->DisableLight();
    m_lights.erase(it);
    if (light == m_ambient) m_ambient = nullptr;
    for (CDirectionalLightFrame** slot : {&m_front, &m_back, &m_top, &m_bottom, &m_left, &m_right})
      if (*slot == light) *slot = nullptr;
    delete light;
    return true;
  }
  return false;
}

bool CLightsManager::DestroySideLight(CDirectionalLightFrame*& slot, bool tryLock) {
  if (!slot) return true;
  if (!DestroyLight(slot, tryLock)) {
    DEBUG_TRACE("\nDestroyLight() failed.");
    return false;
  }
  slot = nullptr;
  return true;
}

bool CLightsManager::DestroyDirectionalLightFromFront(bool tryLock) { return DestroySideLight(m_front, tryLock); }
bool CLightsManager::DestroyDirectionalLightFromBack(bool tryLock) { return DestroySideLight(m_back, tryLock); }
bool CLightsManager::DestroyDirectionalLightFromTop(bool tryLock) { return DestroySideLight(m_top, tryLock); }
bool CLightsManager::DestroyDirectionalLightFromBottom(bool tryLock) { return DestroySideLight(m_bottom, tryLock); }
bool CLightsManager::DestroyDirectionalLightFromLeft(bool tryLock) { return DestroySideLight(m_left, tryLock); }
bool CLightsManager::DestroyDirectionalLightFromRight(bool tryLock) { return DestroySideLight(m_right, tryLock); }

bool CLightsManager::DestroyAmbientLight() {
  auto found = m_lights.find(-1);
  if (found == m_lights.end()) return true;
  return DestroyLight(found->second, false);
}

// ---------------------------------------------------------------------------
// Registration

bool CLightsManager::AddLightToMap(CLightFrame* light) {
  if (!m_lights.emplace(light->GetLightIndex(), light).second) {
    DEBUG_TRACE("Error: CLightFramesMap::insert() failed in CLightsManager::AddLightToMap()");
    return false;
  }
  return true;
}

bool CLightsManager::AddWorldLightsToMap() {
  if (!m_world) return false;
  for (POSITION pos = m_world->GetHeadPosition(); pos;) {
    CXFileDataObject* object = m_world->GetNext(pos);
    if (object->IsAFrame() && !AddFrameHierarchyLightsToMap(static_cast<CFrame*>(object))) {
      DEBUG_TRACE(
          "Error: CLightsManager::AddFrameHierarchyLightsToMap() failed in CLightsManager::AddWorldLightsToMap()");
      return false;
    }
  }
  return true;
}

bool CLightsManager::AddFrameHierarchyLightsToMap(CFrame* frame) {
  if (frame->GetFrameType() == CFrame::eLightFrame) {
    auto* light = static_cast<CLightFrame*>(frame);
    if (!AddLightToMap(light) || !light->SetLightInDevice()) return false;
    if (light->GetLightFrameType() != CLightFrame::eAmbientLightFrame &&
        !static_cast<CDirectLightFrame*>(light)->EnableLight())
      return false;
  }
  POSITION pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false))
    if (!AddFrameHierarchyLightsToMap(child)) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Device state

bool CLightsManager::EnableAllLights(IDirect3DDevice8* device) {
  for (const auto& [index, light] : m_lights) {
    if (light->GetLightFrameType() == CLightFrame::eAmbientLightFrame) {
      static_cast<CAmbientLight*>(light)->SetLightInDevice(device);
    } else if (FAILED(device->LightEnable(static_cast<DWORD>(index), TRUE))) {
      DEBUG_TRACE("\nError: IDirect3DDevice7::LightEnable() failed");
      return false;
    }
  }
  return true;
}

bool CLightsManager::SetLightsColor(D3DCOLORVALUE& diffuse, D3DCOLORVALUE& specular, D3DCOLORVALUE& ambient) {
  m_diffuse = diffuse;
  m_specular = specular;
  m_ambientColour = ambient;
  for (const auto& [index, light] : m_lights) {
    if (light->GetLightFrameType() == CLightFrame::eAmbientLightFrame) {
      if (m_ambientEnabled) light->GetD3DLight()->Ambient = ambient;
    } else if (IsDirectional(light)) {
      static_cast<CDirectionalLightFrame*>(light)->SetColor(diffuse, specular, ambient);
    }
    if (!light->SetLightInDevice()) {
      DEBUG_TRACE("\nSetLightInDevice() failed.");
      return false;
    }
  }
  return true;
}

void CLightsManager::GetLightsColor(D3DCOLORVALUE& diffuse, D3DCOLORVALUE& specular, D3DCOLORVALUE& ambient) const {
  diffuse = m_diffuse;
  specular = m_specular;
  ambient = m_ambientColour;
}

bool CLightsManager::DisableAmbientLight(bool) {
  if (!m_ambientEnabled) return true;
  if (!m_ambient) return false;
  m_ambient->GetD3DLight()->Ambient = D3DCOLORVALUE{0, 0, 0, 0};
  if (!m_ambient->SetLightInDevice()) {
    DEBUG_TRACE("\nSetLightInDevice() failed.");
    return false;
  }
  m_ambientEnabled = false;
  return true;
}

bool CLightsManager::EnableAmbientLight(bool) {
  if (m_ambientEnabled) return true;
  if (!m_ambient) return false;
  m_ambient->GetD3DLight()->Ambient = m_ambientColour;
  if (!m_ambient->SetLightInDevice()) {
    DEBUG_TRACE("\nSetLightInDevice() failed.");
    return false;
  }
  m_ambientEnabled = true;
  return true;
}

// ---------------------------------------------------------------------------
// Walkers

bool CLightsManager::GetFirstLight(CLightFrame*& light) {
  light = nullptr;
  if (m_lights.empty()) return false;
  light = m_lights.begin()->second;
  return true;
}

bool CLightsManager::GetLastLight(CLightFrame*& light) {
  light = nullptr;
  if (m_lights.empty()) return false;
  light = m_lights.rbegin()->second;
  return true;
}

bool CLightsManager::GetLight(long index, CLightFrame*& light) {
  light = nullptr;
  auto found = m_lights.find(index);
  if (found == m_lights.end()) return false;
  light = found->second;
  return true;
}

bool CLightsManager::GetNextLight(CLightFrame* current, CLightFrame*& light) {
  light = nullptr;
  if (!current) return false;
  auto found = m_lights.find(current->GetLightIndex());
  if (found == m_lights.end()) return false;
  if (++found != m_lights.end()) light = found->second;
  return true;
}

bool CLightsManager::GetPrevLight(CLightFrame* current, CLightFrame*& light) {
  light = nullptr;
  if (!current) return false;
  auto found = m_lights.find(current->GetLightIndex());
  if (found == m_lights.end()) return false;
  if (found != m_lights.begin()) light = (--found)->second;
  return true;
}

bool CLightsManager::GetFirstDirectionalLight(CDirectionalLightFrame*& light) {
  light = nullptr;
  for (const auto& [index, held] : m_lights)
    if (IsDirectional(held)) {
      light = static_cast<CDirectionalLightFrame*>(held);
      return true;
    }
  return false;
}

bool CLightsManager::GetLastDirectionalLight(CDirectionalLightFrame*& light) {
  light = nullptr;
  for (auto it = m_lights.rbegin(); it != m_lights.rend(); ++it)
    if (IsDirectional(it->second)) {
      light = static_cast<CDirectionalLightFrame*>(it->second);
      return true;
    }
  return false;
}

bool CLightsManager::GetDirectionalLight(long index, CDirectionalLightFrame*& light) {
  light = nullptr;
  auto found = m_lights.find(index);
  if (found == m_lights.end() || !IsDirectional(found->second)) return false;
  light = static_cast<CDirectionalLightFrame*>(found->second);
  return true;
}

bool CLightsManager::GetNextDirectionalLight(CLightFrame* current, CDirectionalLightFrame*& light) {
  light = nullptr;
  if (!current) return false;
  auto found = m_lights.find(current->GetLightIndex());
  if (found == m_lights.end()) return false;
  for (++found; found != m_lights.end(); ++found)
    if (IsDirectional(found->second)) {
      light = static_cast<CDirectionalLightFrame*>(found->second);
      break;
    }
  return true;
}

bool CLightsManager::GetPrevDirectionalLight(CLightFrame* current, CDirectionalLightFrame*& light) {
  light = nullptr;
  if (!current) return false;
  auto found = m_lights.find(current->GetLightIndex());
  if (found == m_lights.end()) return false;
  while (found != m_lights.begin()) {
    --found;
    if (IsDirectional(found->second)) {
      light = static_cast<CDirectionalLightFrame*>(found->second);
      break;
    }
  }
  return true;
}
