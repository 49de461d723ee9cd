// CFrame: the node of every scene hierarchy. Its local transform lives in a
// FrameTransformMatrix child; it keeps its world transform, bounding box and
// sphere in frame space (FS), its kind, flags, counters, and its place in the
// render-frame hierarchy that is drawn and whose bounds are kept up to date.
// Suffixes: FS frame space, PFS parent-frame space, WS world space.
#pragma once

#include <d3dx8math.h>

#include <atomic>
#include <cstdint>

#include "gbox.h"
#include "raycollision.h"
#include "xfiledataobject.h"

class CCameraFrame;
class CDXDoc;
class CDynamicWorldBoundaryFrame;
class CSimpleShape;
class CSkinWeights;
class CXFileDataList;
struct IDirect3DDevice8;
struct CONFIGFILE;
struct REDUCTIONOPTIONS;
struct SLineSphereIntersection;
struct tdsDatabase;

// The kind of a bounding-object frame.
enum EBoundingObjectFrameType : std::int32_t {
  eBoundingObjectNotSet = 0,
  eBoundingBoxObject = 1,
  eBoundingSphereObject = 2,
};

class CFrame : public CXFileDataObject {
 public:
  enum EFrameType : std::int32_t {
    ePlainFrame = 0,
    eFrameHandle = 1,
    eBoundingObjectFrame = 3,  // never pickable
    eCameraFrame = 5,
    eGridFrame = 6,
    eCageFrame = 7,
    eRootRenderFrame = 9,
    eDynamicWorldBoundaryFrame = 10,
    eLightFrame = 13,
    eConnectivityMeshFrame = 14,
    eVertexHandleFrame = 15,
    eDXMeshFrame = 16,
    eDXPMeshFrame = 17,
  };

  // How a new matrix M meets the local transform K (row vectors: A × B
  // applies A first).
  enum ETransformCombination : std::int32_t {
    eReplace = 0,      // M
    eApplyBefore = 1,  // M × K
    eApplyAfter = 2,   // K × M
  };

  CFrame();
  ~CFrame() override;

  // Slots of the data object.
  bool Initialize(CXFileDataObject* source, char* name) override;
  bool InitializeClone(CXFileDataObject** clone, char* name) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;

  // Hooks of the frame's own.
  virtual void OnBoundingObjectsModification(bool /*modified*/, bool /*tryLock*/) {}
  virtual void OnBoundingObjectsInitialization(bool /*tryLock*/) {}
  virtual void AnimateFrame(D3DXMATRIX* /*world*/) {}
  // The world of the render hierarchy: climbs to the root, which knows it.
  virtual CXFileDataList* GetRenderFrameWorldList();
  virtual void SetRenderStates(IDirect3DDevice8* /*device*/) {}
  virtual void RestoreRenderStates(IDirect3DDevice8* /*device*/) {}
  virtual bool IsPickable() { return m_pickable; }
  // Sets the local transform from m as combination says; setInitial also
  // stores the result as the initial transform; updateAncestorBounds rebuilds
  // the bounds of the render-hierarchy ancestors. Failures are thrown.
  virtual void SetTransformMatrix(D3DXMATRIX* m, bool setInitial, ETransformCombination combination,
                                  bool updateAncestorBounds, bool tryLock);
  // Draws the frame and its subtree: sets its world transform (local ×
  // parentWorld) in the device, then draws its X-file meshes, base meshes,
  // simple shapes (opaque ones in the opaque pass, the others in the blended
  // pass) and child frames, leaving out what lies outside the camera's
  // frustum (camera may be NULL) and what another thread holds. A failed
  // draw is thrown on.
  virtual HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock);

  // Life cycle. The matrix form returns an HRESULT and throws on after
  // unlocking; the others answer success.
  HRESULT Initialize(D3DXMATRIX* transform, char* name, EFrameType type, bool tryLock);
  HRESULT Initialize(char* name);
  bool Initialize(CFrame* source, char* name);
  // A frame holding the shape by reference, placed by the rotation (dir, up)
  // → (newDir, newUp) about centre and then moved to position.
  bool Initialize(CSimpleShape* shape, D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up,
                  D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, bool pickable, char* name);
  bool CloneFramePosition(CFrame** out, char* name, EFrameType type);
  // Name, transform, type and copies of the source's box and sphere.
  bool InitializeShell(CFrame* source);
  // Copies the tree of plain frames with their shapes; meshes are shared by
  // reference only when shareMeshes is set.
  bool InitializeHierarchy(CFrame* source, bool shareMeshes, char* name);
  bool CreateDynamicObjectsRootFrame();
  bool DestroyContent(bool tryLock);

  // Connectivity-mesh walks. This frame, made by InitializeShell(source), is
  // filled with copies of the source's children: X-file meshes become
  // connectivity meshes, or connectivity meshes become X-file meshes; map
  // takes source -> copy and keeps shared objects shared; name is not used.
  // ReduceTrianglesCount reduces every connectivity mesh of the tree, depth
  // first in child order, and stops at the first failure. Contains32bitMesh-
  // Check tells whether a Direct3D mesh of the tree needs 32-bit indices.
  // thread may be NULL; a stop request gives false.
  bool InitializeConnectivityMeshFrame(CFrame* source, char* name, CDataObjectMap& map, REDUCTIONOPTIONS* options,
                                       CDXThread* thread);
  bool InitializeRetainedModeMeshFrame(CFrame* source, char* name, CDataObjectMap& map, IDirect3DDevice8* device,
                                       REDUCTIONOPTIONS* options, CDXThread* thread);
  bool ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread);
  bool Contains32bitMeshCheck(bool& needs32bit, CDXThread* thread);
  // The vertex handles of the connectivity meshes of this tree that a pick
  // ray crosses; world is this frame's world transform, toRay carries world
  // space into the ray's space and fromRay back. Returns how many.
  DWORD GetCollidingRayChildrenGeoMeshVertexHandles(CRayVertexCollisionList& out, D3DXVECTOR3* origin,
                                                    D3DXVECTOR3* direction, D3DXMATRIX* world, D3DXMATRIX* toRay,
                                                    D3DXMATRIX* fromRay);
  // SaveIn3dsDatabase writes every Direct3D mesh of the tree into a 3DS
  // database with an object node each, the vertices carried by the frames'
  // transforms below this one (parentTransform is the transform that this
  // frame's meshes take; the identity on the frame saved); a mesh's node
  // hangs below the last mesh written before it in the parent frame.
  bool SaveIn3dsDatabase(tdsDatabase* database, char* parentName, D3DXMATRIX* parentTransform, D3DXVECTOR3* centre,
                         CDXThread* thread);
  // Fills this frame (type 16, made by InitializeShell(source)) with
  // Direct3D meshes written from the source's connectivity and progressive
  // meshes (a progressive mesh at its current level), child frames copied
  // alike; vertices and
  // faces receive the totals, which are also this frame's active counts.
  bool InitializeDXMeshFrame(CFrame* source, CDataObjectMap& map, DWORD& vertices, DWORD& faces,
                             IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  // Recounts the active vertices and triangles of a tree of Direct3D meshes;
  // a frame with child frames also takes them as its original counts.
  bool SetDXMeshFrameMetrics(DWORD& vertices, DWORD& faces, CDXThread* thread);

  // Progressive-mesh walks. The in-place conversions replace every Direct3D mesh of the tree by a progressive
  // mesh, or every progressive or connectivity mesh by a Direct3D mesh of its
  // current level (a mesh that fails stays as it was); the H forms do it for the whole
  // hierarchy and re-point references. Their failures are thrown.
  void ConvertIntoPMeshFrame(CDataObjectMap& map, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                             CDXThread* thread, DWORD* vertices, DWORD* faces);
  void ConvertIntoPMeshFrameH(IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  void ConvertIntoDXMeshFrame(CDataObjectMap& map, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                              CDXThread* thread, DWORD* vertices, DWORD* faces);
  void ConvertIntoDXMeshFrameH(IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  // Sets every progressive mesh below this frame (through progressive-mesh
  // frames only; only doc's selected progressive mesh when it has one) to
  // percent of its faces or vertices, plainly or compliantly, and gives the
  // totals of the frame's meshes. Failures are thrown.
  bool SetNumFaces(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool compliant, CDXDoc* doc,
                   CDXThread* thread, bool tryLock);
  bool SetNumVertices(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool compliant, CDXDoc* doc,
                      CDXThread* thread, bool tryLock);

  // Transform shorthands: translation; rotation (dir, up) → (newDir, newUp)
  // about a centre; the two; the three with a scaling that keeps the box
  // centre in place; a scaling alone.
  void SetTransformMatrix(D3DXVECTOR3* position, bool setInitial, ETransformCombination combination);
  void SetTransformMatrix(D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up, D3DXVECTOR3* newDir,
                          D3DXVECTOR3* newUp, bool setInitial, ETransformCombination combination);
  void SetTransformMatrix(D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up,
                          D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, bool setInitial, ETransformCombination combination);
  void SetTransformMatrix(D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up,
                          D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, float scaling, bool setInitial,
                          ETransformCombination combination);
  void SetTransformMatrix(float scaling, bool setInitial, ETransformCombination combination);

  // Transforms. Reading the transform of a frame without a transform child
  // gives it one (the identity).
  D3DXMATRIX GetTransformMatrix(bool tryLock);
  void SetInitialFrameTransform();
  void SetFrameHierarchyInitialTransforms();
  // Turns the frame about an axis through pivot (parent-frame space).
  void Rotate(D3DXVECTOR3* pivot, D3DXQUATERNION* rotation);
  // The same with the rotation and the pivot in the camera's view space;
  // parentWorld NULL stands for the identity.
  void RotateInViewSpace(D3DXMATRIX* parentWorld, CCameraFrame* camera, D3DXVECTOR3* pivot, D3DXQUATERNION* rotation);
  // The local transform times those of the parent render frames up to the
  // root; not stored.
  D3DXMATRIX ComputeWorldTransform(bool tryLock);
  void GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* m);
  void GetCenterInWorldSpace(D3DXVECTOR3& out, D3DXMATRIX* parentWorld);
  void SetSkinWeights(CSkinWeights* weights) { m_skinWeights = weights; }
  CSkinWeights* GetSkinWeights() const { return m_skinWeights; }

  // The render-frame hierarchy.
  void AddChildRenderFrame(EChildObjectType type, CFrame* child, bool tryLock);
  bool AddChildRenderFrame(CChildObject** entry, EChildObjectType type, CFrame* child);
  void SetAsRootRenderFrame();
  void BuildRenderFrameHierarchy(CFrame* parent, bool tryLock);
  void ResetRenderFrameHierarchy();
  EChildObjectType DetachFromParentRenderFrame(bool tryLock);
  CDynamicWorldBoundaryFrame* GetFirstAncestorBoundaryFrame();
  CFrame* GetParentRenderFrame() const { return m_parentRenderFrame; }
  bool IsRenderFrameHierarchyMember() const { return m_renderHierarchyMember; }

  // Bounding volumes (frame space unless the name says otherwise). Every
  // failure is thrown; the bool results are true when they return.
  bool ComputeBoundingObjectsHierarchy(bool sphereFrame, bool boxFrame, bool tryLock);
  // The same walk that also stores every frame's world transform and
  // refreshes the bounds of skinned meshes.
  bool ComputeBoundingObjectsHierarchy(D3DXMATRIX* parentWorld, bool sphereFrame, bool boxFrame, bool tryLock);
  bool MergeDirectChildrenBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock);
  bool ComputeAncestorsBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock);
  void ComputeBoundingBoxNoDirectCamera(CGBox* out, bool tryLock);
  // Carried by m, or by the local transform when m is NULL.
  CGBox ConvertBoundingBoxPFS(D3DXMATRIX* m, bool tryLock);
  // The sphere around the carried box.
  CGSphere ConvertBoundingSpherePFS(D3DXMATRIX* m, bool tryLock);
  CGBox ConvertBoundingBoxWS();
  bool CreateBoundingBoxFrame(bool tryLock);
  bool CreateBoundingSphereFrame(bool tryLock);
  DWORD DestroyBoundingObjectFrame(EBoundingObjectFrameType kind, bool tryLock);
  DWORD DestroyBoundingBoxFrame(bool tryLock) { return DestroyBoundingObjectFrame(eBoundingBoxObject, tryLock); }
  DWORD DestroyBoundingSphereFrame(bool tryLock) { return DestroyBoundingObjectFrame(eBoundingSphereObject, tryLock); }

  // Placement among the siblings (parent-frame space). The displacement to
  // the right (+x) that frees this frame's sphere of every sibling's.
  D3DXVECTOR3 FindRightEmptyPositionPFS();
  // Pushes the child frames that overlap moved away from it, and those that
  // they then overlap; returns the count of pushes (pass 0).
  DWORD MoveIntersectingChildren(CFrame* moved, DWORD count);
  // The line from the camera's eye along direction (view space), or from
  // origin along direction, against this frame's sphere carried by its
  // transform × parentWorld (parentWorld may be NULL).
  bool GetLineSphereIntersections(SLineSphereIntersection& out, D3DXMATRIX* parentWorld, CCameraFrame* camera,
                                  D3DXVECTOR3* direction);
  bool GetLineSphereIntersections(SLineSphereIntersection& out, D3DXMATRIX* parentWorld, D3DXVECTOR3* origin,
                                  D3DXVECTOR3* direction);
  // Whether this frame or one below it holds an X-file mesh.
  bool IsContainingAtLeastOneMesh();
  // Removes the child frames of a type; how many went.
  DWORD DeleteDirectChildren(EFrameType type);
  // Removes child when this frame is its parent render frame.
  bool DestroyDirectChild(CFrame* child);

  // Centre and radius of the bounding sphere.
  D3DXVECTOR3* GetCenterFS() { return m_boundingSphere->GetCenterFS(); }
  float GetRadiusFS() { return m_boundingSphere->GetRadiusFS(); }
  float GetRadiusWS(D3DXMATRIX* m, bool tryLock) { return m_boundingSphere->GetRadiusWS(m, tryLock); }
  D3DXVECTOR3 GetCenterPFS(D3DXMATRIX* m);

  // Child look-ups.
  CXFileDataObject* GetFrameTransformMatrix(bool tryLock, bool quiet);
  CXFileDataObject* GetNextAnimationSet(POSITION& pos, bool tryLock, bool quiet);
  CFrame* GetNextFrame(POSITION& pos, bool tryLock, bool quiet);
  CXFileDataObject* GetNextShape(POSITION& pos, bool tryLock, bool quiet);
  CXFileDataObject* GetNextMesh(POSITION& pos, bool tryLock, bool quiet);
  CXFileDataObject* GetNextBaseMesh(POSITION& pos, bool tryLock, bool quiet);

  // Fields.
  void SetOriginalFrameFlag(bool original) { m_originalFrame = original; }
  bool IsOriginalFrame() const { return m_originalFrame; }
  D3DXMATRIX* GetWorldTransform() { return &m_worldTransform; }
  void SetWorldTransform(D3DXMATRIX* m, bool tryLock);
  CGBox* GetBoundingBox() const { return m_boundingBox; }
  CGSphere* GetBoundingSphere() const { return m_boundingSphere; }
  EFrameType GetFrameType() const { return m_frameType; }
  void SetFrameType(EFrameType type) { m_frameType = type; }
  void SetPickableCapability(bool pickable) { m_pickable = pickable; }
  bool IsSelected() const { return m_selected; }
  void SetSelectedFlag(bool selected) { m_selected = selected; }
  D3DXMATRIX* GetInitialFrameTransform() { return &m_initialTransform; }
  bool IsReadyForRendering() const { return m_readyForRendering; }
  void SetReadyForRendering(bool ready) { m_readyForRendering = ready; }
  CFrame* GetDynamicObjectsRootFrame() const { return m_dynamicObjectsRoot; }
  bool FrameMetricsAreComputed() const { return m_metricsComputed; }
  void SetFrameMetricsComputed(bool computed) { m_metricsComputed = computed; }
  bool IsHiden() const { return m_hidden; }
  // A hidden subtree is neither drawn nor pickable; shown again it is drawn
  // but stays unpickable until SetHierarchyPickableCapability(true).
  void Hide();
  void HideHierarchy();
  void Show();
  void ShowHierarchy();
  void SetHierarchyPickableCapability(bool pickable);
  // Calls AnimateFrame with every frame's world transform, parent first; a
  // child list that another thread holds ends the walk below that frame.
  void AnimateFrameHierarchy(D3DXMATRIX* parentWorld);

  // Counters. The AddDelta operations wrap around; AddDeltaVerticesCount and
  // AddDeltaTrianglesCount change the max counts. The getters with a bool
  // read under the lock and answer 0 for a deleted frame.
  void SetActiveVerticesCount(DWORD count) { m_activeVertices = count; }
  void AddDeltaActiveVerticesCount(LONG delta) { m_activeVertices += static_cast<DWORD>(delta); }
  DWORD GetActiveVerticesCount(bool tryLock) { return LockedCount(m_activeVertices, tryLock); }
  void SetActiveTrianglesCount(DWORD count) { m_activeTriangles = count; }
  void AddDeltaActiveTrianglesCount(LONG delta) { m_activeTriangles += static_cast<DWORD>(delta); }
  DWORD GetActiveTrianglesCount(bool tryLock) { return LockedCount(m_activeTriangles, tryLock); }
  void SetActiveEdgesCount(DWORD count) { m_activeEdges = count; }
  DWORD GetActiveEdgesCount() const { return m_activeEdges; }
  void SetActiveHalfEdgesCount(DWORD count) { m_activeHalfEdges = count; }
  DWORD GetActiveHalfEdgesCount() const { return m_activeHalfEdges; }
  double GetTotalActiveEdgesMagnitude() const { return m_totalEdgesMagnitude; }
  void SetTotalActiveEdgesMagnitude(double magnitude) { m_totalEdgesMagnitude = magnitude; }
  double GetTotalActiveTrianglesArea() const { return m_totalTrianglesArea; }
  void SetTotalActiveTrianglesArea(double area) { m_totalTrianglesArea = area; }
  void AddDeltaOriginalVerticesCount(LONG delta) { m_originalVertices += static_cast<DWORD>(delta); }
  void SetOriginalVerticesCount(DWORD count) { m_originalVertices = count; }
  void SetOriginalTrianglesCount(DWORD count) { m_originalTriangles = count; }
  DWORD GetOriginalVerticesCount(bool tryLock) { return LockedCount(m_originalVertices, tryLock); }
  void AddDeltaOriginalTrianglesCount(LONG delta) { m_originalTriangles += static_cast<DWORD>(delta); }
  DWORD GetOriginalTrianglesCount(bool tryLock) { return LockedCount(m_originalTriangles, tryLock); }
  void SetMaxVerticesCount(DWORD count) { m_maxVertices = count; }
  void AddDeltaVerticesCount(LONG delta) { m_maxVertices += static_cast<DWORD>(delta); }
  DWORD GetMaxVerticesCount(bool tryLock) { return LockedCount(m_maxVertices, tryLock); }
  void SetMaxTrianglesCount(DWORD count) { m_maxTriangles = count; }
  void AddDeltaTrianglesCount(LONG delta) { m_maxTriangles += static_cast<DWORD>(delta); }
  DWORD GetMaxTrianglesCount(bool tryLock) { return LockedCount(m_maxTriangles, tryLock); }

 protected:
  void ClearContent();
  // Merges the boxes of the content children (meshes, shapes, base meshes)
  // into the given box; refreshSkinned first updates the boxes of skinned
  // meshes for the frame's world transform (the stored one when NULL).
  void MergeContentBoundingBoxes(CGBox* into, bool tryLock, bool refreshSkinned, D3DXMATRIX* world);

 private:
  // Counters are written by jobs while the views read them.
  using Counter = std::atomic<DWORD>;
  DWORD LockedCount(const Counter& field, bool tryLock);
  void CreateBoundingObjects(bool tryLock);
  // The transform child, made (the identity) when the frame has none.
  CXFileDataObject* GetOrCreateFrameTransformMatrix();
  // The shared walk of the two ComputeBoundingObjectsHierarchy forms; world is
  // NULL for the plain one.
  bool ComputeBoundingObjectsHierarchyWalk(D3DXMATRIX* parentWorld, bool sphereFrame, bool boxFrame, bool tryLock);
  // Box and sphere after every merge; makes the asked bounding-object frames.
  void FinishBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock);
  // Merges the child's box carried through its local transform, unless it is
  // a bounding-object frame.
  void MergeChildFrameBox(CFrame* child, CGBox* into, bool tryLock);

  bool m_originalFrame;
  D3DXMATRIX m_worldTransform;
  CGBox* m_boundingBox;
  CGSphere* m_boundingSphere;
  EFrameType m_frameType;
  bool m_pickable;
  bool m_selected;
  CFrame* m_parentRenderFrame;
  bool m_renderHierarchyMember;
  D3DXMATRIX m_initialTransform;
  bool m_readyForRendering;
  CFrame* m_dynamicObjectsRoot;
  bool m_metricsComputed;
  Counter m_activeVertices;
  Counter m_activeTriangles;
  Counter m_activeEdges;
  Counter m_activeHalfEdges;
  std::atomic<double> m_totalEdgesMagnitude;
  std::atomic<double> m_totalTrianglesArea;
  bool m_hidden;
  Counter m_originalVertices;
  Counter m_originalTriangles;
  Counter m_maxVertices;
  Counter m_maxTriangles;
  CSkinWeights* m_skinWeights;
};
