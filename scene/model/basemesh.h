// The common base of the meshes that a frame owns (the connectivity mesh, the
// Direct3D mesh and the progressive mesh): frame-space bounds, the
// initialised and ready-for-rendering flags, the lock that guards the mesh's
// Direct3D buffers between the render loop and jobs, the kind code, and the
// grouping of faces into triangle lists per material.
#pragma once

#include <d3d8.h>
#include <d3dx8math.h>

#include <atomic>
#include <cstdint>

#include "gbox.h"
#include "meshgroups.h"
#include "xfiledataobject.h"

class CCameraFrame;

enum EBaseMeshType : std::int32_t {
  eBaseMeshTypeBase = 0,
  eBaseMeshTypeGeoMesh = 1,
  eBaseMeshTypeDXMesh = 2,
  eBaseMeshTypeDXPMesh = 3,
};

class CBaseMesh : public CXFileDataObject {
 public:
  using EBaseMeshType = ::EBaseMeshType;

  CBaseMesh();
  ~CBaseMesh() override;

  void DeleteContent(bool tryLock) override;
  void DeleteContentTL() override;
  virtual EBaseMeshType GetMeshType() { return eBaseMeshTypeBase; }
  // No mesh kind copies itself this way: false, *out untouched.
  virtual bool Clone(CBaseMesh** out, char* name);
  // The base draws nothing.
  virtual HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaqueOnly, int transparentOnly,
                         CCameraFrame* camera, D3DXMATRIX* matrix, CDXDoc* doc, bool tryLock);

  // Named name, or "BaseMesh" made unique; zero-size bounds.
  bool Initialize(char* name);
  bool DestroyContent(bool tryLock);
  void DestroyBaseMeshContent(bool tryLock);

  // The mesh-buffer lock. Every successful lock is paired with one unlock on
  // the same thread.
  bool LockMeshBuffers(bool tryLock);
  // Never waits: false while any lock of this mesh is outstanding.
  bool TryLockMeshBuffers();
  void UnlockMeshBuffers();

  D3DXVECTOR3* GetCenterFS();
  void GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* world, bool tryLock);
  float GetRadiusFS();
  float GetRadiusWS(D3DXMATRIX* world, bool tryLock);
  void SetBoundingObjects(CGBox& box, CGSphere& sphere);
  CGBox* GetBoundingBox() const { return m_boundingBox; }
  CGSphere* GetBoundingSphere() const { return m_boundingSphere; }
  bool IsInitialized() const { return m_initialized; }
  bool IsReadyForRendering() const { return m_readyForRendering; }
  void SetReadyForRendering(bool ready) { m_readyForRendering = ready; }

  // One triangle list per material, from the faces' material numbers (each
  // below nMaterials; a number out of range fails). *out receives an array of
  // nMaterials lists that the caller frees with delete[].
  bool CreateMaterialTrianglesGroups(CGroupedTrianglesVertexIndices** out, DWORD nFaces, CMeshFace* faces,
                                     DWORD nFaceMaterials, DWORD* faceMaterials, DWORD nMaterials, CDXThread* thread);
  // One triangle list of every face, in a one-element array.
  bool CreateOneMaterialTrianglesGroup(CGroupedTrianglesVertexIndices** out, DWORD nFaces, CMeshFace* faces,
                                       CDXThread* thread);

 protected:
  void ClearContent();
  void SetInitialized(bool initialized) { m_initialized = initialized; }

 private:
  bool m_initialized;
  CGroupedFacesIndex* m_faceGroups;  // only while the grouping runs
  CGBox* m_boundingBox;
  CGSphere* m_boundingSphere;
  bool m_readyForRendering;
  HANDLE m_meshBufferMutex;
  bool m_meshBufferMutexValid;
  std::atomic<DWORD> m_meshBufferLocks;
};

// True when object is a mesh of the base-mesh family of the given kind.
bool IsBaseMeshOfType(CXFileDataObject* object, EBaseMeshType type);
