// CLightsManager: the lights of one world. This layer keeps the world it
// belongs to and the map of its light frames by light index; the light
// frames themselves come with the scene lights.
#pragma once

#include <afxtempl.h>
#include <windows.h>

class CFrame;
class CXFileDataList;

class CLightsManager {
 public:
  CLightsManager();
  ~CLightsManager();
  CLightsManager(const CLightsManager&) = delete;
  CLightsManager& operator=(const CLightsManager&) = delete;

  // Empties the manager and keeps the world. No light frames are made yet.
  bool Initialize(CXFileDataList* world, bool tryLock);
  void DestroyContent(bool tryLock);
  // Takes a light frame (type 13) out of the map; false when it is not
  // there.
  bool RemoveLightFromMap(CFrame* light);

  CXFileDataList* GetWorld() const { return m_world; }
  INT_PTR GetLightsCount() const { return m_lights.GetCount(); }

 private:
  void ClearContent();

  CXFileDataList* m_world;
  CMap<DWORD, DWORD, CFrame*, CFrame*> m_lights;
};
