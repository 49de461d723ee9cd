// Simple shapes: small Direct3D meshes with one material that mark things in
// a view (handles, cages, the camera marker, light spheres). A shape is a
// data object so that frames can list it; it belongs to no file template and
// is never saved.
#pragma once

#include <d3dx8mesh.h>

#include "gbox.h"
#include "xfiledataobject.h"

class CFrame;

class CSimpleShape : public CXFileDataObject {
 public:
  // A tag chosen by the caller, stored and returned.
  using ShapeType = DWORD;

  CSimpleShape();
  ~CSimpleShape() override;

  // An empty shape named name, or "SimpleShape" made unique. Failures are
  // thrown to the caller.
  bool Initialize(char* name, bool tryLock);
  // A shape around a mesh and material that the caller keeps.
  bool Initialize(ID3DXMesh* mesh, D3DMATERIAL8* material, char* name, ShapeType type);
  bool DestroyContent(bool tryLock);
  bool ComputeBoundingObjects(bool tryLock);

  // Draws subset 0 in the referenced material, else the own one. A shape
  // without a mesh draws nothing.
  HRESULT Draw(IDirect3DDevice8* device);
  // The frame lists the shape as a reference.
  void AddToFrame(CFrame* frame);

  D3DXVECTOR3* GetCenterFS() const { return m_boundingSphere->GetCenterFS(); }
  void GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* matrix) const;
  float GetRadiusFS() const { return m_boundingSphere->GetRadiusFS(); }
  float GetRadiusWS(D3DXMATRIX* matrix, bool tryLock) const { return m_boundingSphere->GetRadiusWS(matrix, tryLock); }

  void SetMaterial(const D3DMATERIAL8* material) { m_material = *material; }
  void SetMaterialReference(D3DMATERIAL8* material) { m_materialReference = material; }
  D3DMATERIAL8* GetMaterial() { return &m_material; }
  bool IsOpaque() const { return m_material.Diffuse.a >= 1.0f; }
  bool IsInitialized() const { return m_initialized; }
  bool MeshCreated() const { return m_meshCreated; }
  ShapeType GetShapeType() const { return m_shapeType; }
  ID3DXMesh* GetSimpleShapeMesh() const { return m_mesh; }
  CGBox* GetBoundingBox() const { return m_boundingBox; }
  CGSphere* GetBoundingSphere() const { return m_boundingSphere; }

 protected:
  void ClearContent();
  // Stores the type and a copy of the material when one is given.
  void SetTypeAndMaterial(ShapeType type, const D3DMATERIAL8* material);
  // Makes the shape's own mesh with create and computes its bounds; a failed
  // creation throws failure.
  template <class Create>
  void CreateShapeMesh(Create create, const char* failure, bool tryLock);
  void SetInitialized() { m_initialized = true; }

 private:
  ShapeType m_shapeType;
  ID3DXMesh* m_mesh;
  bool m_initialized;
  D3DMATERIAL8 m_material;
  D3DMATERIAL8* m_materialReference;
  bool m_meshCreated;
  CGSphere* m_boundingSphere;
  CGBox* m_boundingBox;
};

class CBox : public CSimpleShape {
 public:
  CBox() { ClearContent(); }
  ~CBox() override = default;

  // All three sizes 0: a shape without a mesh and with zero-size bounds.
  // Failures are thrown to the caller.
  HRESULT Initialize(float width, float height, float depth, D3DMATERIAL8* material, char* name, ShapeType type,
                     bool tryLock);
  bool DestroyContent(bool tryLock);
  float GetWidth() const { return m_width; }
  float GetHeight() const { return m_height; }
  float GetDepth() const { return m_depth; }

 private:
  void ClearContent() { m_width = m_height = m_depth = 0; }
  float m_width, m_height, m_depth;
};

class CSphere : public CSimpleShape {
 public:
  CSphere() { ClearContent(); }
  ~CSphere() override = default;

  // 8 slices and 8 stacks; E_FAIL leaves the shape emptied.
  HRESULT Initialize(float radius, D3DMATERIAL8* material, char* name, ShapeType type);
  bool DestroyContent();
  float GetRadius() const { return m_radius; }

 private:
  void ClearContent() { m_radius = 0; }
  float m_radius;
};

class CCylinder : public CSimpleShape {
 public:
  CCylinder() { ClearContent(); }
  ~CCylinder() override = default;

  // Along z, 8 slices and 8 stacks, always named "Cylinder"; E_FAIL leaves
  // the shape emptied.
  HRESULT Initialize(float baseRadius, float topRadius, float length, D3DMATERIAL8* material, ShapeType type);
  bool DestroyContent();
  float GetBaseRadius() const { return m_baseRadius; }
  float GetTopRadius() const { return m_topRadius; }
  float GetHeight() const { return m_length; }

 private:
  void ClearContent() { m_baseRadius = m_topRadius = m_length = 0; }
  float m_baseRadius, m_topRadius, m_length;
};
