#include "camera_manager.h"

#include <cameraframe.h>
#include <d3dx8.h>
#include <frame.h>
#include <xfiledatalist.h>

#include <algorithm>

namespace {

// The default view: from the front, a little above, at the origin.
constexpr float kMaxSpeed = 10.0f;
constexpr float kAcceleration = 20.0f;
constexpr float kMaxAngularSpeed = 1.5f;
constexpr float kAngularAcceleration = 3.0f;
constexpr float kNearPlaneDivisor = 1000.0f;

}  // namespace

CCameraManager::~CCameraManager() { DestroyContent(false); }

bool CCameraManager::Initialize(CDXDoc* document, CXFileDataList* world) {
  m_pDocument = document;
  m_pWorld = world;
  return true;
}

bool CCameraManager::DestroyContent(bool tryLock) {
  while (!m_cameras.empty()) ReleaseCamera(m_cameras.back(), tryLock);
  return true;
}

bool CCameraManager::CreateDefaultCamera(CCameraFrame*& camera, HWND window, bool tryLock) {
  camera = nullptr;
  if (m_pWorld == nullptr || m_pWorld->GetWorldContentFrame() == nullptr || window == nullptr) return false;
  D3DXVECTOR3 eye(0.0f, 2.0f, -10.0f), lookAt(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  auto* made = new CCameraFrame;
  bool initialized = false;
  try {
    initialized = made->Initialize(&eye, &lookAt, &up, false, kMaxSpeed, kAcceleration, kMaxAngularSpeed,
                                   kAngularAcceleration, m_pWorld, window, nullptr, kNearPlaneDivisor, tryLock);
  } catch (const char*) {
    initialized = false;
  }
  m_cameras.push_back(made);
  if (!initialized) {
    ReleaseCamera(made, tryLock);
    return false;
  }
  made->SetCameraUsedFlag(true);
  camera = made;
  return true;
}

bool CCameraManager::ReleaseCamera(CCameraFrame* camera, bool tryLock) {
  auto found = std::find(m_cameras.begin(), m_cameras.end(), camera);
  if (camera == nullptr || found == m_cameras.end()) return false;
  m_cameras.erase(found);
  camera->SetCameraUsedFlag(false);
  // A camera that joined the world goes with its entry there; one that never
  // got that far is deleted here.
  CFrame* content = m_pWorld != nullptr ? m_pWorld->GetWorldContentFrame() : nullptr;
  if (content == nullptr || content->DeleteDirectChildObject(camera, tryLock) == 0) delete camera;
  return true;
}
