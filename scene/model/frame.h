// A node of the scene graph: its local transform lives in a
// FrameTransformMatrix child; its world transform is stored beside it. This
// frame holds no meshes and keeps no bounding volumes.
#pragma once

#include <d3dx8math.h>

#include "xfiledataobject.h"

class CFrame : public CXFileDataObject {
 public:
  CFrame();
  ~CFrame() override;

  HRESULT Initialize(char* name);

  // The local transform: the FrameTransformMatrix child's, else the identity.
  D3DXMATRIX GetTransformMatrix(bool tryLock);
  D3DXMATRIX* GetWorldTransform() { return &m_worldTransform; }
  void SetWorldTransform(D3DXMATRIX* matrix, bool tryLock);
  CFrame* GetParentRenderFrame() const { return m_parentRenderFrame; }
  void AddChildRenderFrame(EChildObjectType type, CFrame* child, bool tryLock);
  // Without bounding volumes there is nothing to recompute: true.
  bool ComputeAncestorsBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock);

  // The counts of the frame's active elements: none without meshes.
  DWORD GetActiveVerticesCount(bool) { return 0; }
  DWORD GetActiveTrianglesCount(bool) { return 0; }
  DWORD GetActiveHalfEdgesCount() { return 0; }
  DWORD GetActiveEdgesCount() { return 0; }

 protected:
  void ClearContent();

 private:
  D3DXMATRIX m_worldTransform;
  CFrame* m_parentRenderFrame;
};
