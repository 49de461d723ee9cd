// CLightsManager: the lights of one world. It keeps an ambient light and up
// to six directional lights, one from each side of the scene, plus any
// further directional lights, all in one map by light index (the ambient
// light's -1 first). Directional lights take device light indices that no
// other light of the process ever had (the host's g_lightIndices); every
// light hangs below the world's root render frame as a reference and is set
// in the process's device. Failures are raised as message texts; the
// operations that say so pass them on to their caller.
#pragma once

#include <d3d8.h>
#include <windows.h>

#include <map>

class CAmbientLight;
class CDirectionalLightFrame;
class CFrame;
class CLightFrame;
class CXFileDataList;
class LIGHTINDICES;
struct CONFIGFILE;

class CLightsManager {
 public:
  CLightsManager();
  virtual ~CLightsManager();
  CLightsManager(const CLightsManager&) = delete;
  CLightsManager& operator=(const CLightsManager&) = delete;

  // Makes the default lights from the world's document settings (the
  // built-in defaults without a document). Failures are passed on.
  bool Initialize(CXFileDataList* world, bool tryLock);
  void DestroyContent(bool tryLock);
  void DestroyLightsMap(bool tryLock);
  // Destroys every light and makes the built-in defaults again; the world
  // stays.
  bool ResetDefaultLights(bool tryLock);

  // Creation. The side creators fail when their side has a light; they and
  // CreateDefaultWorldLights2 pass failures on.
  bool CreateDefaultWorldLights2(CONFIGFILE* config, bool tryLock);
  bool CreateDirectionalLight(CDirectionalLightFrame*& light, D3DLIGHT8* properties, char* name, bool tryLock);
  bool CreateDirectionalLightFromFront(bool tryLock);
  bool CreateDirectionalLightFromBack(bool tryLock);
  bool CreateDirectionalLightFromTop(bool tryLock);
  bool CreateDirectionalLightFromBottom(bool tryLock);
  bool CreateDirectionalLightFromLeft(bool tryLock);
  bool CreateDirectionalLightFromRight(bool tryLock);
  bool CreateAmbientLight(CAmbientLight*& light, D3DCOLORVALUE colour, char* name, bool tryLock);

  // Destruction. Destroying a side without a light succeeds.
  bool DestroyLight(CLightFrame* light, bool tryLock);
  // Switches the light off, takes it out of the map and deletes it; false
  // when it is not in the map. Its index stays taken.
  bool RemoveLightFromMap(CFrame* light);
  bool DestroyDirectionalLightFromFront(bool tryLock);
  bool DestroyDirectionalLightFromBack(bool tryLock);
  bool DestroyDirectionalLightFromTop(bool tryLock);
  bool DestroyDirectionalLightFromBottom(bool tryLock);
  bool DestroyDirectionalLightFromLeft(bool tryLock);
  bool DestroyDirectionalLightFromRight(bool tryLock);
  bool DestroyAmbientLight();

  bool AddLightToMap(CLightFrame* light);
  bool AddWorldLightsToMap();
  bool AddFrameHierarchyLightsToMap(CFrame* frame);

  // Device state.
  bool EnableAllLights(IDirect3DDevice8* device);
  bool SetLightsColor(D3DCOLORVALUE& diffuse, D3DCOLORVALUE& specular, D3DCOLORVALUE& ambient);
  void GetLightsColor(D3DCOLORVALUE& diffuse, D3DCOLORVALUE& specular, D3DCOLORVALUE& ambient) const;
  // Both give false when there is no ambient light.
  bool EnableAmbientLight(bool tryLock);
  bool DisableAmbientLight(bool tryLock);
  bool AmbientLightIsEnabled() const { return m_ambientEnabled; }

  // Queries.
  CXFileDataList* GetWorld() const { return m_world; }
  unsigned long GetLightsCount() const { return static_cast<unsigned long>(m_lights.size()); }
  CDirectionalLightFrame* GetDirectionalLightFromFrontFrame() const { return m_front; }
  CDirectionalLightFrame* GetDirectionalLightFromBackFrame() const { return m_back; }
  CDirectionalLightFrame* GetDirectionalLightFromTopFrame() const { return m_top; }
  CDirectionalLightFrame* GetDirectionalLightFromBottomFrame() const { return m_bottom; }
  CDirectionalLightFrame* GetDirectionalLightFromLeftFrame() const { return m_left; }
  CDirectionalLightFrame* GetDirectionalLightFromRightFrame() const { return m_right; }
  CAmbientLight* GetAmbientLight() const { return m_ambient; }

  // Walkers in index order; each sets light to NULL first. The next and
  // previous walkers give true with NULL past either end.
  bool GetFirstLight(CLightFrame*& light);
  bool GetLastLight(CLightFrame*& light);
  bool GetLight(long index, CLightFrame*& light);
  bool GetNextLight(CLightFrame* current, CLightFrame*& light);
  bool GetPrevLight(CLightFrame* current, CLightFrame*& light);
  bool GetFirstDirectionalLight(CDirectionalLightFrame*& light);
  bool GetLastDirectionalLight(CDirectionalLightFrame*& light);
  bool GetDirectionalLight(long index, CDirectionalLightFrame*& light);
  bool GetNextDirectionalLight(CLightFrame* current, CDirectionalLightFrame*& light);
  bool GetPrevDirectionalLight(CLightFrame* current, CDirectionalLightFrame*& light);

  // The lowest index that the set does not hold, added to it.
  static long FindFreeLightIndex(LIGHTINDICES* indices);

 private:
  using CLightFramesMap = std::map<long, CLightFrame*>;

  void ClearContent();
  bool CreateSideLight(CDirectionalLightFrame*& slot, float x, float y, float z, bool tryLock);
  bool DestroySideLight(CDirectionalLightFrame*& slot, bool tryLock);
  // Hangs the light below the root render frame.
  void AttachToRoot(CLightFrame* light, bool tryLock);

  CLightFramesMap m_lights;
  CXFileDataList* m_world;
  CDirectionalLightFrame* m_front;
  CDirectionalLightFrame* m_back;
  CDirectionalLightFrame* m_top;
  CDirectionalLightFrame* m_bottom;
  CDirectionalLightFrame* m_left;
  CDirectionalLightFrame* m_right;
  CAmbientLight* m_ambient;
  bool m_ambientEnabled;
  D3DCOLORVALUE m_diffuse;
  D3DCOLORVALUE m_specular;
  D3DCOLORVALUE m_ambientColour;
};
