// CXFileDataList: the world of one document. It owns the top-level objects
// read from files and the render-frame hierarchy that the views draw:
//   WorldRootRenderFrame (type 9) > WorldBoxFrame > WorldContentFrame
// with a reference to every top-level Frame and a "TopLevelMeshFrame" for
// every top-level Mesh in the content frame. It keeps the selection, the
// registered cameras, the lists of animation sets and Direct3D meshes that
// the frame loop advances (each under its own lock) and the lights manager.
#pragma once

#include <afxtempl.h>
#include <dx_mutex.h>
#include <windows.h>

#include <d3dx8math.h>

#include "lightsmanager.h"
#include "xfiledataobject.h"

class CAnimationSet;
class CCameraFrame;
class CDXDoc;
class CDXMesh;
class CDynamicWorldBoundaryFrame;
class CFrame;
class CGeoVertex;
class CHitFrame;
class CRootRenderFrame;
struct IDirect3DDevice8;

class CXFileDataList {
 public:
  CXFileDataList();
  ~CXFileDataList();
  CXFileDataList(const CXFileDataList&) = delete;
  CXFileDataList& operator=(const CXFileDataList&) = delete;

  // Builds the render hierarchy, the world boundary and the lights. False
  // when the device is not ready; other failures are thrown.
  bool Initialize(CDXDoc* document, bool tryLock);
  // Back to the constructed state; the top-level objects are deleted.
  void DestroyContent(bool tryLock);
  void DestroyXfileObjects();
  bool CreateRenderFrame(IDirect3DDevice8* device, bool tryLock);
  // A not pickable "WorldSeedFrame" in the content frame holding a tiny
  // invisible sphere; false when the frame cannot be made, a failing sphere
  // is thrown.
  bool CreateSeedFrame();
  // Moves the root render frame back along z so that the whole world fits
  // the device's projection.
  bool SetInitialRenderFramePosition(IDirect3DDevice8* device);

  // The top-level list; the world owns what it holds.
  POSITION AddTail(CXFileDataObject* object) { return m_objects.AddTail(object); }
  POSITION GetHeadPosition() const { return m_objects.GetHeadPosition(); }
  CXFileDataObject* GetNext(POSITION& pos) const { return m_objects.GetNext(pos); }
  void RemoveAll() { m_objects.RemoveAll(); }
  INT_PTR GetCount() const { return m_objects.GetCount(); }

  // Deleting. Each keeps the selection and the lights consistent.
  DWORD DeleteWorldObject(CXFileDataObject* object);
  bool DeleteTopLevelObject(CXFileDataObject* object);
  bool DeleteChildObject(CChildObject* entry);
  DWORD DeleteChildObjects(CXFileDataObject* root, CXFileDataObject* object);
  DWORD DeleteChildObjectReferences(CXFileDataObject* root, CXFileDataObject* object);
  bool DeleteWorldRenderFrame(CFrame* frame, bool tryLock);
  // Deletes the frame of the entry, its owned frames and their entries.
  bool DeleteWorldRenderFrame2(CChildObject* entry);
  // Every entry of object in the render hierarchy.
  DWORD DeleteWorldRenderFrameObject(CXFileDataObject* object);
  // The references to object below the camera render frames.
  DWORD DeleteCameraRenderFrameObject(CXFileDataObject* object);
  bool RemoveRenderFrameHierarchyFromWorld();
  bool RemoveRenderFrameFromHierarchy(CFrame* frame);
  bool DestroyWorldRenderFrameContent(CFrame* frame);
  bool DeleteLeafRenderFrame(CFrame* frame, EChildObjectType type);

  void RegisterCameraRenderFrame(CFrame* frame);
  void UnregisterCameraRenderFrame(CFrame* frame);
  // The cameras that look at the world; each is listed once.
  void RegisterCameraFrame(CCameraFrame* camera);
  void UnregisterCameraFrame(CCameraFrame* camera);
  // Renews the frustum depth of every camera, waiting for locks.
  void SetCamerasFrustumDepth();
  CTypedPtrList<CPtrList, CCameraFrame*>* GetCamerasList() { return &m_cameras; }

  // Iteration over the frames of the content frame (cameras skipped). Each
  // gives up (NULL, false) when the content frame's list is busy.
  CFrame* GetNextFrameObject(CFrame* frame);
  CFrame* GetPrevFrameObject(CFrame* frame);
  bool WorldNotEmpty();

  CRootRenderFrame* GetRenderFrame() const { return m_pRenderFrame; }
  CFrame* GetWorldBoxFrame() const { return m_pWorldBoxFrame; }
  CFrame* GetWorldContentFrame() const { return m_pWorldContentFrame; }
  CDynamicWorldBoundaryFrame* GetWorldBoundaryFrame() const { return m_pWorldDynamicBoundaryFrame; }
  CHitFrame* GetSelectedHitFrame() const { return m_selection.hitFrame; }
  CTypedPtrList<CPtrList, CFrame*>* GetCameraFramesList() { return &m_cameraRenderFrames; }
  CTypedPtrList<CPtrList, CAnimationSet*>* GetAnimationSetList() { return &m_animationSets; }
  CTypedPtrList<CPtrList, CDXMesh*>* GetDXMeshList() { return &m_dxMeshes; }
  CMutex& GetAnimationSetListMutex() { return m_animationSetsLock; }
  CMutex& GetDXMeshListMutex() { return m_dxMeshesLock; }
  CLightsManager* GetLightsManager() { return &m_lightsManager; }

  // The frame loop's pass (xfiledatalist_animation.cpp): the animation sets
  // and Direct3D meshes below root (NULL: the whole world, which then
  // becomes ready), the frames' world transforms below frame (NULL: the
  // world box frame), and per frame: advance the playing sets, renew the
  // world transforms when one moved, and the bounds with the skinned meshes
  // in their pose. ProcessSkinnedMesh never throws: false says the pass gave
  // up for this frame.
  void InitializeAnimationSetList(CXFileDataObject* root);
  void UpdateWorldTransforms(D3DXMATRIX& parentWorld, CFrame* frame, bool tryLock);
  bool ProcessSkinnedMesh(CDXDoc* document, bool tryLock);
  bool Animate(CDXDoc* document, bool tryLock);
  void ComputeBonesBoundingObjects(bool tryLock);
  // Bounds of the skinned meshes from their bones' own boxes.
  void ResizeIBlendedMeshBoundingBox();
  bool IsReady() const { return m_bReady; }
  CDXDoc* GetDocument() const { return m_pDocument; }

 private:
  // The selection: always cleared together.
  struct SSelection {
    CHitFrame* hitFrame;
    CFrame* frame;
    CFrame* previousFrame;
    CFrame* handleFrame;
    CFrame* previousHandleFrame;
    CGeoVertex* vertex;
    CGeoVertex* previousVertex;
    CFrame* vertexHandleMeshFrame;
    CFrame* previousVertexHandleMeshFrame;
  };

  void ClearContent();
  // What every deletion does first for a frame that goes: unselect it, drop
  // the render-frame link, hand a light back to the lights manager.
  void ForgetFrame(CXFileDataObject* object);
  bool IsCountedFrame(CXFileDataObject* object) const;
  // The counted frame after (before) frame; frame itself when there is none.
  CFrame* GetNeighbourFrameObject(CFrame* frame, bool forwards);

  CTypedPtrList<CPtrList, CXFileDataObject*> m_objects;
  CRootRenderFrame* m_pRenderFrame;
  SSelection m_selection;
  HANDLE m_hSelectedHitFrameLock;
  CFrame* m_pWorldBoxFrame;
  CFrame* m_pWorldContentFrame;
  CDynamicWorldBoundaryFrame* m_pWorldDynamicBoundaryFrame;
  CTypedPtrList<CPtrList, CFrame*> m_cameraRenderFrames;
  CTypedPtrList<CPtrList, CCameraFrame*> m_cameras;
  CLightsManager m_lightsManager;
  CDXDoc* m_pDocument;
  CTypedPtrList<CPtrList, CAnimationSet*> m_animationSets;
  bool m_bReady;
  CMutex m_animationSetsLock;
  CTypedPtrList<CPtrList, CDXMesh*> m_dxMeshes;
  CMutex m_dxMeshesLock;
};
