// CXFileDataList: the world of one document. It owns the top-level objects
// read from files and the render-frame hierarchy that the views draw:
//   WorldRootRenderFrame (type 9) > WorldBoxFrame > WorldContentFrame
// with a reference to every top-level Frame and a "TopLevelMeshFrame" for
// every top-level Mesh in the content frame. It keeps the selection, the
// registered cameras, the lists of animation sets and Direct3D meshes that
// the frame loop advances (each under its own lock) and the lights manager.
#pragma once

#include <afxtempl.h>
#include <d3dx8math.h>
#include <dx_mutex.h>
#include <windows.h>

#include <map>
#include <string>
#include <d3dx8math.h>

#include "lightsmanager.h"
#include "raycollision.h"
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
struct DISPLAYOPTIONS;
struct IDirect3DDevice8;
struct SLineSphereIntersection;

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

  // Picking. CreateHitList gathers, nearest first, every frame whose box the
  // ray from the camera's eye along direction (view space) crosses, then
  // takes the selection from them: a handle or vertex hit first; else the
  // hit after the previous selection; else the nearest. Returns the hits.
  DWORD CreateHitList(CCameraFrame* camera, D3DXVECTOR3* direction, bool tryLock);
  DWORD AddHitFramesToHitList(CFrame* frame, D3DXMATRIX* parentWorld, D3DXVECTOR3* parentCenterWS,
                              CCameraFrame* camera, D3DXVECTOR3* direction, D3DXMATRIX* view,
                              D3DXMATRIX* inverseView, DWORD deepestLevel, DWORD level, DISPLAYOPTIONS* options,
                              bool tryLock);
  void AddFrameToHitMap(CFrame* frame, DWORD hitsCount, D3DXVECTOR3 hitsVS[2], D3DXMATRIX* inverseView,
                        D3DXMATRIX* frameWorld, D3DXVECTOR3* frameCenterWS, D3DXMATRIX* parentWorld,
                        D3DXVECTOR3* parentCenterWS, bool);
  void AddVertexHandlesToHitMap(CRayVertexCollisionList& hits, CFrame* frame, DWORD hitsCount, D3DXVECTOR3 hitsVS[2],
                                D3DXMATRIX* view, D3DXMATRIX* inverseView, D3DXMATRIX* frameWorld,
                                D3DXVECTOR3* frameCenterWS, D3DXMATRIX* parentWorld, D3DXVECTOR3* parentCenterWS,
                                DISPLAYOPTIONS* options);
  // Takes over hit, keyed by the depth of the placing point (view space);
  // a key already present refuses it (false) and the record is deleted.
  bool AddHitFrameToHitMap(CHitFrame* hit, D3DXVECTOR3* placeVS);
  CHitFrame* SetSelectedHitFrameFromMap2(bool tryLock);
  // Selects a pickable frame alone; NULL re-selects from the current map.
  void SetSelectedFrame(CFrame* frame);
  void UnselectSelectedFrame();
  CHitFrame* GetFirstHitHandleFrame();
  bool IsInHitMap(CFrame* frame, CHitFrame*& hit, CHitFrame*& next);
  bool IsInHitList(CFrame* frame, CHitFrame*& hit, POSITION& pos);
  void DestroyHitList();
  void DestroyHitMap();
  bool CreateFrameHandles2(CFrame* frame, bool tryLock);
  // The full set: eight corner, six face and a centre handle.
  bool CreateFrameHandles(CFrame* frame);
  void DeleteFrameHandles(CFrame* frame, bool tryLock);
  // The red sphere on a picked vertex, below the mesh frame's dynamic-objects
  // root frame.
  bool CreateVertexHandleFrame(CFrame* meshFrame, CGeoVertex* vertex);
  bool DeleteVertexHandleFrame(CFrame* meshFrame);
  bool LockSelectedHitFrame(bool tryLock);
  void UnlockSelectedHitFrame();
  bool HandleFrameSelected() const;
  bool ConnectivityFrameSelected() const;
  CFrame* GetSelectedFrame() const;
  CFrame* GetSelectedNonHandleFrame() const;
  CFrame* GetPreviousSelectedFrame() const;
  CGeoVertex* GetSelectedVertex() const { return m_selection.vertex; }
  bool GetFirstPickedFrame(CFrame*& frame, SLineSphereIntersection& intersection, CCameraFrame* camera,
                           D3DXVECTOR3* direction);
  // The map in key order.
  const std::map<std::string, CHitFrame*>& GetHitMap() const { return m_hitMap; }


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

  // Hands the selected vertex to the document's reduction options.
  void PassSelectedVertexToDocument();
  // The selection moves into the previous members.
  void KeepPreviousSelection();

  CTypedPtrList<CPtrList, CXFileDataObject*> m_objects;
  CRootRenderFrame* m_pRenderFrame;
  CTypedPtrList<CPtrList, CHitFrame*> m_hitList;
  std::map<std::string, CHitFrame*> m_hitMap;
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
