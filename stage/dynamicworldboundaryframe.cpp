#include "dynamicworldboundaryframe.h"

#include <materialpresets.h>
#include <objectlock.h>
#include <qorcommon.h>
#include <simpleshape.h>
#include <xfiledatalist.h>

#include <cmath>

#include "cageframe.h"
#include "cameraframe.h"

namespace {

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, v.x, v.y, v.z);
  return t;
}

// S × translation(target centre − centre of the scaled box): the matrix that
// scales box by (sx, sy, sz) and centres it on target. Big enough a change:
// a factor off 1 by more than a tenth or a shift of a tenth.
bool ScaleOnto(CGBox box, const CGBox& target, float sx, float sy, float sz, D3DXMATRIX* out) {
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, sx, sy, sz);
  box.TransformCoord(&scaling, false);
  const D3DXVECTOR3 shift = target.GetCenterFS() - box.GetCenterFS();
  *out = scaling * Translation(shift);
  return std::fabs(sx - 1) > 0.1f || std::fabs(sy - 1) > 0.1f || std::fabs(sz - 1) > 0.1f ||
         D3DXVec3Length(&shift) >= 0.1f;
}

}  // namespace

// ---------------------------------------------------------------------------
// CDynamicCageFrame

CDynamicCageFrame::CDynamicCageFrame() { ClearContent(); }

CDynamicCageFrame::~CDynamicCageFrame() {
  BeginTeardown();
  CFrame::DestroyContent(false);
}

void CDynamicCageFrame::ClearContent() {
  m_bounded = nullptr;
  m_cage = nullptr;
  m_box = nullptr;
  m_boxWanted = true;
  m_boundedRadius = 0;
  CFrame::ClearContent();
}

bool CDynamicCageFrame::DestroyContent(bool tryLock) {
  CFrame::DestroyContent(tryLock);
  ClearContent();
  return true;
}

bool CDynamicCageFrame::Initialize(CFrame* bounded, char* name, EFrameType type, bool box, D3DMATERIAL8* material,
                                   bool tryLock) {
  try {
    DestroyContent(tryLock);
    CString made(name ? name : "DynamicCageFrame");
    if (!name) SetUniqueName(made);
    if (FAILED(CFrame::Initialize(nullptr, const_cast<char*>(static_cast<const char*>(made)), type, tryLock)))
      throw "\nError: CFrame::Initialize() failed in CDynamicCageFrame::Initialize().";
    SetPickableCapability(true);
    m_bounded = bounded;
    m_boxWanted = box;
    CFrame* parent = bounded->GetParentRenderFrame();
    const EChildObjectType held = bounded->DetachFromParentRenderFrame(tryLock);
    AddChildRenderFrame(held, bounded, tryLock);
    if (parent) parent->AddChildRenderFrame(eOwnedChild, this, tryLock);
    if (box) {
      CGBox cube;
      const D3DXVECTOR3 min(-5, -5, -5), max(5, 5, 5);
      cube.Initialize(&min, &max, tryLock);
      if (!CreateBoxMeshFrame(&cube, material, tryLock)) return false;
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CDynamicCageFrame::CreateBoxMeshFrame(CGBox* box, D3DMATERIAL8* material, bool tryLock) {
  try {
    if (m_box) DeleteDirectChildObject(m_box, tryLock);
    m_box = new CFrame;
    AddChildObject(eOwnedChild, m_box, tryLock);
    D3DMATERIAL8 glass = GreenGlassMaterial();
    if (!material) material = &glass;
    if (FAILED(m_box->Initialize(nullptr, const_cast<char*>("DynamicCageBoxFrame"), ePlainFrame, tryLock)))
      throw "\nError: CFrame::Initialize() failed in CDynamicCageFrame::CreateBoxMeshFrame().";
    m_box->SetPickableCapability(false);
    auto* shape = new CBox;
    m_box->AddChildObject(eOwnedChild, shape, tryLock);
    if (FAILED(shape->Initialize(box->GetWidthFS(), box->GetHeightFS(), box->GetDepthFS(), material,
                                 const_cast<char*>("DynamicCageBoxMesh"), 0, tryLock)))
      throw "\nError: CBox::Initialize() failed in CDynamicCageFrame::CreateBoxMeshFrame().";
    CGBox* shapeBox = shape->GetBoundingBox();
    const D3DXVECTOR3 front = shapeBox->GetFrontFaceNormalFS(), top = shapeBox->GetTopFaceNormalFS();
    const D3DXVECTOR3 newFront = box->GetFrontFaceNormalFS(), newTop = box->GetTopFaceNormalFS();
    D3DXMATRIX rotation;
    GetRotationTransform(&rotation, &front, &top, &newFront, &newTop);
    D3DXMATRIX m = rotation * Translation(box->GetCenterFS() - shapeBox->GetCenterFS());
    m_box->SetTransformMatrix(&m, false, eReplace, true, tryLock);
    m_box->BuildRenderFrameHierarchy(this, tryLock);
    m_box->ComputeBoundingObjectsHierarchy(false, false, tryLock);
    if (!MergeDirectChildrenBoundingObjects(false, false, tryLock)) return false;
    ComputeAncestorsBoundingObjects(false, false, tryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CDynamicCageFrame::CreateCageMeshFrame(CGBox* box, D3DMATERIAL8* material) {
  DestroyCageMeshFrame();
  m_cage = new CCageFrame;
  AddChildObject(eOwnedChild, m_cage, false);
  D3DMATERIAL8 glass = GreenGlassMaterial();
  if (!material) material = &glass;
  if (!m_cage->Initialize(box, material, 5, 5, 5, box->GetSmallestEdgeSizeFS() / 100.0f)) {
    DEBUG_TRACE("\nError: CCageFrame::Initialize() failed in CDynamicCageFrame::CreateCageMeshFrame().");
    return false;
  }
  m_cage->SetPickableCapability(false);
  m_cage->BuildRenderFrameHierarchy(this, false);
  if (!MergeDirectChildrenBoundingObjects(false, false, false)) return false;
  ComputeAncestorsBoundingObjects(false, false, false);
  return true;
}

void CDynamicCageFrame::DestroyCageMeshFrame() {
  if (!m_cage) return;
  CObjectLock lock(this, false);
  CXFileDataList* world = GetRenderFrameWorldList();
  if (world && m_cage->GetParentRenderFrame() == this)
    world->DeleteWorldRenderFrameObject(m_cage);
  else
    DeleteDirectChildObject(m_cage, false);
  m_cage = nullptr;
}

void CDynamicCageFrame::ResizeDynamicBoxFrame(bool tryLock) {
  if (!m_box || !m_bounded) return;
  CObjectLock self(this, tryLock);
  CObjectLock bounded(m_bounded, tryLock);
  if (m_bounded->IsDeleted()) return;
  CObjectLock boxLock(m_box, tryLock);
  if (m_box->IsDeleted()) return;
  const float r = m_bounded->GetRadiusFS();
  if (std::fabs(m_boundedRadius - r) < 0.01f && r > 1.0f) return;
  const CGBox box = m_box->ConvertBoundingBoxPFS(nullptr, tryLock);
  const CGBox content = m_bounded->ConvertBoundingBoxPFS(nullptr, tryLock);
  const float m = std::max({content.GetWidthFS(), content.GetHeightFS(), content.GetDepthFS()});
  // Content without extent, or a box without one, leaves the box as it is.
  if (m <= 0 || box.GetWidthFS() <= 0 || box.GetHeightFS() <= 0 || box.GetDepthFS() <= 0) return;
  const float sx = 10 * m / box.GetWidthFS(), sy = 10 * m / box.GetHeightFS(), sz = 10 * m / box.GetDepthFS();
  if (sx == 1 && sy == 1 && sz == 1) return;
  D3DXMATRIX change;
  if (!ScaleOnto(box, content, sx, sy, sz, &change)) return;
  m_box->SetTransformMatrix(&change, false, eApplyAfter, false, tryLock);
  m_box->ComputeBoundingObjectsHierarchy(false, false, tryLock);
  m_boundedRadius = m_bounded->GetRadiusFS();
}

void CDynamicCageFrame::ResizeDynamicCageFrame() {
  if (!m_cage || !m_bounded) return;
  const CGBox cage = m_cage->ConvertBoundingBoxPFS(nullptr, false);
  const CGBox content = m_bounded->ConvertBoundingBoxPFS(nullptr, false);
  const auto factor = [](float bounded, float current) {
    return bounded < 1 || current <= 0 ? 1.0f : 2 * bounded / current;
  };
  const float sx = factor(content.GetWidthFS(), cage.GetWidthFS());
  const float sy = factor(content.GetHeightFS(), cage.GetHeightFS());
  const float sz = factor(content.GetDepthFS(), cage.GetDepthFS());
  D3DXMATRIX change;
  if (!ScaleOnto(cage, content, sx, sy, sz, &change)) return;
  m_cage->SetTransformMatrix(&change, false, eApplyAfter, false, false);
  m_cage->ComputeBoundingObjectsHierarchy(false, false, false);
}

bool CDynamicCageFrame::BoundedFrameRadiusChanged(bool) {
  if (!m_bounded) return false;
  const float current = m_bounded->GetRadiusFS();
  if (current == 0) return m_boundedRadius != 0;
  return std::fabs(m_boundedRadius / current - 1) >= 0.1f;
}

bool CDynamicCageFrame::SetMaterial(D3DMATERIAL8* material) {
  // The box is made again in the new material; the bounded frame stays.
  if (!m_box) return true;
  CGBox cube;
  const D3DXVECTOR3 min(-5, -5, -5), max(5, 5, 5);
  cube.Initialize(&min, &max, false);
  m_boundedRadius = 0;
  if (!CreateBoxMeshFrame(&cube, material, false)) return false;
  ResizeDynamicBoxFrame(false);
  return true;
}

void CDynamicCageFrame::OnBoundingObjectsModification(bool, bool tryLock) {
  ResizeDynamicBoxFrame(tryLock);
  MergeDirectChildrenBoundingObjects(false, false, tryLock);
  ComputeAncestorsBoundingObjects(false, false, tryLock);
}

// ---------------------------------------------------------------------------
// CDynamicWorldBoundaryFrame

CDynamicWorldBoundaryFrame::CDynamicWorldBoundaryFrame() : m_visible(false) {}

CDynamicWorldBoundaryFrame::~CDynamicWorldBoundaryFrame() = default;

bool CDynamicWorldBoundaryFrame::DestroyContent(bool tryLock) {
  CDynamicCageFrame::DestroyContent(tryLock);
  m_visible = false;
  return true;
}

bool CDynamicWorldBoundaryFrame::Initialize(CFrame* bounded, bool visible, bool tryLock) {
  try {
    DestroyContent(tryLock);
    if (!CDynamicCageFrame::Initialize(bounded, const_cast<char*>("DynamicBoundaryFrame"), eDynamicWorldBoundaryFrame,
                                       visible, nullptr, tryLock))
      return false;
    SetPickableCapability(true);
    m_visible = visible;
    UpdateChildCamerasSetting(tryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

bool CDynamicWorldBoundaryFrame::ShowWorldBoundary() {
  if (m_visible) return true;
  m_visible = true;
  try {
    CGBox unit;
    const D3DXVECTOR3 min(-0.5f, -0.5f, -0.5f), max(0.5f, 0.5f, 0.5f);
    unit.Initialize(&min, &max, false);
    if (!CreateCageMeshFrame(&unit, nullptr)) throw "\nError: CreateCageMeshFrame() failed.";
    ResizeDynamicCageFrame();
  } catch (const char* message) {
    // The cage stays hidden; a half-built one goes.
    DEBUG_TRACE("%s", message);
    try {
      DestroyCageMeshFrame();
    } catch (const char*) {
    }
    m_visible = false;
    return false;
  }
  return true;
}

void CDynamicWorldBoundaryFrame::HideWorldBoundary() {
  if (!m_visible) return;
  m_visible = false;
  DestroyCageMeshFrame();
  ComputeBoundingObjectsHierarchy(false, false, false);
  ComputeAncestorsBoundingObjects(false, false, false);
}

void CDynamicWorldBoundaryFrame::OnBoundingObjectsModification(bool modified, bool tryLock) {
  if (!BoundedFrameRadiusChanged(tryLock)) return;
  if (m_visible) CDynamicCageFrame::OnBoundingObjectsModification(modified, tryLock);
  UpdateChildCamerasSetting(tryLock);
}

void CDynamicWorldBoundaryFrame::UpdateChildCamerasSetting(bool tryLock) {
  CXFileDataList* world = GetRenderFrameWorldList();
  if (!world) return;
  CTypedPtrList<CPtrList, CCameraFrame*>* cameras = world->GetCamerasList();
  for (POSITION pos = cameras->GetHeadPosition(); pos;) cameras->GetNext(pos)->SetFrustumDepth(tryLock);
}
