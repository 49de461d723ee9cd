#include "simpleshape.h"

#include <appfiles.h>
#include <d3dx8shape.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>
#include <vectortransforms.h>

#include <cstring>

#include "failureguard.h"
#include "objectlock.h"
#include "frame.h"
#include "xfiletemplates.h"

namespace {
IDirect3DDevice8* GetDevice() { return g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr; }
}  // namespace

// ---------------------------------------------------------------------------
// CSimpleShape

CSimpleShape::CSimpleShape() { ClearContent(); }

CSimpleShape::~CSimpleShape() {
  BeginTeardown();
  DestroyContent(false);
}

void CSimpleShape::ClearContent() {
  m_shapeType = 0;
  m_mesh = nullptr;
  m_initialized = false;
  std::memset(&m_material, 0, sizeof(m_material));
  m_materialReference = nullptr;
  m_meshCreated = false;
  m_boundingSphere = nullptr;
  m_boundingBox = nullptr;
}

bool CSimpleShape::Initialize(char* name, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!DestroyContent(tryLock)) throw "\nError: CSimpleShape::DestroyContent() failed.";
  CString shapeName(name ? name : "SimpleShape");
  if (!name) SetUniqueName(shapeName);
  if (FAILED(CXFileDataObject::Initialize(shapeName.GetBuffer(0), &GUID_SimpleShape, tryLock)))
    throw "\nError: CXFileDataObject::Initialize() failed.";
  m_boundingBox = new CGBox;
  m_boundingBox->InitializeZeroSize(tryLock);
  m_boundingSphere = new CGSphere;
  m_boundingSphere->InitializeZeroSize();
  return true;
}

bool CSimpleShape::Initialize(ID3DXMesh* mesh, D3DMATERIAL8* material, char* name, ShapeType type) {
  return GuardedCall([&] {
    if (!DestroyContent(false) || !Initialize(name, false))
      throw "CSimpleShape::Initialize() failed in CSimpleShape::Initialize().";
    m_shapeType = type;
    m_materialReference = material;
    m_mesh = mesh;
    m_meshCreated = false;
    if (!ComputeBoundingObjects(false)) throw "\nError: ComputeBoundingObjects() failed.";
    m_initialized = true;
  });
}

bool CSimpleShape::DestroyContent(bool tryLock) {
  m_initialized = false;
  if (m_mesh && m_meshCreated) SafeRelease(&m_mesh);
  delete m_boundingBox;
  delete m_boundingSphere;
  m_boundingBox = nullptr;
  m_boundingSphere = nullptr;
  if (!CXFileDataObject::DestroyContent(tryLock)) return false;
  ClearContent();
  return true;
}

bool CSimpleShape::ComputeBoundingObjects(bool tryLock) {
  D3DXVECTOR3 min, max, corners[8];
  if (!m_mesh || !ComputeBoundingBoxD3DMesh(m_mesh, &min, &max, corners)) {
    DEBUG_TRACE("\nError: ComputeBoundingBoxD3DMesh() failed in CSimpleShape::CreateBoundingObjects()");
    return false;
  }
  m_boundingBox->Initialize(&min, &max, corners, tryLock);
  m_boundingBox->ComputeBoundingSphere(m_boundingSphere, tryLock);
  return true;
}

void CSimpleShape::SetTypeAndMaterial(ShapeType type, const D3DMATERIAL8* material) {
  m_shapeType = type;
  if (material) m_material = *material;
}

template <class Create>
void CSimpleShape::CreateShapeMesh(Create create, const char* failure, bool tryLock) {
  IDirect3DDevice8* device = GetDevice();
  if (!device || FAILED(create(device, &m_mesh))) throw failure;
  m_meshCreated = true;
  if (!ComputeBoundingObjects(tryLock)) throw "\nError: ComputeBoundingObjects() failed.";
}

HRESULT CSimpleShape::Draw(IDirect3DDevice8* device) {
  if (!m_mesh) return S_OK;
  device->SetMaterial(m_materialReference ? m_materialReference : &m_material);
  device->SetTexture(0, nullptr);
  return m_mesh->DrawSubset(0);
}

void CSimpleShape::AddToFrame(CFrame* frame) { frame->AddChildObject(eReferenceChild, this, false); }

void CSimpleShape::GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* matrix) const {
  D3DXVec3TransformCoord(&out, m_boundingSphere->GetCenterFS(), matrix);
}

// ---------------------------------------------------------------------------
// CBox

HRESULT CBox::Initialize(float width, float height, float depth, D3DMATERIAL8* material, char* name, ShapeType type,
                         bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!DestroyContent(tryLock)) throw "\nError: CBox::DestroyContent() failed.";
  if (!CSimpleShape::Initialize(name ? name : const_cast<char*>("Box"), tryLock))
    throw "CSimpleShape::Initialize failed in CBox::Initialize";
  m_width = width;
  m_height = height;
  m_depth = depth;
  SetTypeAndMaterial(type, material);
  if (width != 0 || height != 0 || depth != 0) {
    CreateShapeMesh(
        [&](IDirect3DDevice8* device, ID3DXMesh** mesh) {
          return D3DXCreateBox(device, width, height, depth, mesh, nullptr);
        },
        "\nD3DXCreateBox failed in CBox::Initialize", tryLock);
  }
  SetInitialized();
  return S_OK;
}

bool CBox::DestroyContent(bool tryLock) {
  if (!CSimpleShape::DestroyContent(tryLock)) return false;
  ClearContent();
  return true;
}

// ---------------------------------------------------------------------------
// CSphere

HRESULT CSphere::Initialize(float radius, D3DMATERIAL8* material, char* name, ShapeType type) {
  if (!DestroyContent()) return E_FAIL;
  const bool created = GuardedCall([&] {
    CString shapeName(name ? name : "Sphere");
    if (!name) SetUniqueName(shapeName);
    if (!CSimpleShape::Initialize(shapeName.GetBuffer(0), false))
      throw "CSimpleShape::Initialize failed in CSphere::Initialize";
    m_radius = radius;
    SetTypeAndMaterial(type, material);
    CreateShapeMesh(
        [&](IDirect3DDevice8* device, ID3DXMesh** mesh) {
          return D3DXCreateSphere(device, radius, 8, 8, mesh, nullptr);
        },
        "D3DXCreateSphere failed in CSphere::Initialize", false);
  });
  if (!created) {
    DestroyContent();
    return E_FAIL;
  }
  SetInitialized();
  return S_OK;
}

bool CSphere::DestroyContent() {
  if (!CSimpleShape::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

// ---------------------------------------------------------------------------
// CCylinder

HRESULT CCylinder::Initialize(float baseRadius, float topRadius, float length, D3DMATERIAL8* material,
                              ShapeType type) {
  if (!DestroyContent()) return E_FAIL;
  const bool created = GuardedCall([&] {
    if (!CSimpleShape::Initialize(const_cast<char*>("Cylinder"), false))
      throw "\nCSimpleShape::Initialize failed in CCylinder::Initialize";
    m_baseRadius = baseRadius;
    m_topRadius = topRadius;
    m_length = length;
    SetTypeAndMaterial(type, material);
    CreateShapeMesh(
        [&](IDirect3DDevice8* device, ID3DXMesh** mesh) {
          return D3DXCreateCylinder(device, baseRadius, topRadius, length, 8, 8, mesh, nullptr);
        },
        "\nD3DXCreateCylinder failed in CCylinder::Initialize", false);
  });
  if (!created) {
    DestroyContent();
    return E_FAIL;
  }
  SetInitialized();
  return S_OK;
}

bool CCylinder::DestroyContent() {
  if (!CSimpleShape::DestroyContent(false)) return false;
  ClearContent();
  return true;
}
