#include "lightsmanager.h"

CLightsManager::CLightsManager() { ClearContent(); }

CLightsManager::~CLightsManager() { DestroyContent(false); }

void CLightsManager::ClearContent() { m_world = nullptr; }

bool CLightsManager::Initialize(CXFileDataList* world, bool tryLock) {
  DestroyContent(tryLock);
  m_world = world;
  return true;
}

void CLightsManager::DestroyContent(bool) {
  // The map is empty until light frames exist: nothing of it to delete.
  m_lights.RemoveAll();
  ClearContent();
}

bool CLightsManager::RemoveLightFromMap(CFrame* light) {
  for (POSITION pos = m_lights.GetStartPosition(); pos;) {
    DWORD index = 0;
    CFrame* found = nullptr;
    m_lights.GetNextAssoc(pos, index, found);
    if (found == light) {
      m_lights.RemoveKey(index);
      return true;
    }
  }
  return false;
}
