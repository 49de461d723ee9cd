// CCameraManager: makes the cameras of a document's 3D views, each in the
// document's world, and takes them back when the views go.
#pragma once

#include <windows.h>

#include <vector>

class CCameraFrame;
class CDXDoc;
class CXFileDataList;

class CCameraManager {
 public:
  CCameraManager() = default;
  ~CCameraManager();
  CCameraManager(const CCameraManager&) = delete;
  CCameraManager& operator=(const CCameraManager&) = delete;

  // Binds the manager to its document and the world its cameras join.
  bool Initialize(CDXDoc* document, CXFileDataList* world = nullptr);
  // Releases every camera still held.
  bool DestroyContent(bool tryLock);
  // A new used camera drawing into window, in the world's content frame,
  // looking at the origin; false (camera NULL) when none can be made.
  bool CreateDefaultCamera(CCameraFrame*& camera, HWND window, bool tryLock);
  // Takes back a camera that this manager made; false for any other.
  bool ReleaseCamera(CCameraFrame* camera, bool tryLock = true);

  CDXDoc* GetDocument() const { return m_pDocument; }
  size_t GetCameraCount() const { return m_cameras.size(); }

 private:
  CDXDoc* m_pDocument = nullptr;
  CXFileDataList* m_pWorld = nullptr;
  std::vector<CCameraFrame*> m_cameras;
};
