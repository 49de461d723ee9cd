#include "cageframe.h"

#include <materialpresets.h>
#include <qorcommon.h>
#include <simpleshape.h>

#include <memory>

namespace {

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, v.x, v.y, v.z);
  return t;
}

D3DXMATRIX Rotation(const D3DXVECTOR3& dir, const D3DXVECTOR3& up, const D3DXVECTOR3& newDir,
                    const D3DXVECTOR3& newUp) {
  D3DXMATRIX r;
  GetRotationTransform(&r, &dir, &up, &newDir, &newUp);
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// CGridFrame

CGridFrame::CGridFrame() { ClearContent(); }

CGridFrame::~CGridFrame() {
  BeginTeardown();
  DestroyContent();
}

void CGridFrame::ClearContent() {
  CFrame::ClearContent();
  m_widthEdge = nullptr;
  m_heightEdge = nullptr;
  m_material = D3DMATERIAL8{};
}

bool CGridFrame::DestroyContent() {
  // The edge frames refer to the cylinders: they go first.
  CFrame::DestroyContent(false);
  delete m_widthEdge;
  delete m_heightEdge;
  ClearContent();
  return true;
}

void CGridFrame::AddEdge(const D3DXMATRIX& transform, const char* format, unsigned long number, CCylinder* cylinder) {
  auto edge = std::make_unique<CFrame>();
  CString name;
  name.Format(format, number);
  D3DXMATRIX m = transform;
  if (FAILED(edge->Initialize(&m, const_cast<char*>(static_cast<const char*>(name)), ePlainFrame, false)))
    throw "\nError: CFrame::Initialize() failed in CGridFrame::Initialize().";
  edge->SetPickableCapability(false);
  edge->AddChildObject(eReferenceChild, cylinder, false);
  AddChildObject(eOwnedChild, edge.release(), false);
}

bool CGridFrame::Initialize(float width, float height, D3DXVECTOR3* normal, D3DXVECTOR3* up, D3DXVECTOR3* corner,
                            D3DMATERIAL8* material, unsigned long widthEdges, unsigned long heightEdges,
                            float radius) {
  try {
    DestroyContent();
    if (FAILED(CFrame::Initialize(nullptr, const_cast<char*>("GridFrame"), eGridFrame, false)))
      throw "\nError: CFrame::Initialize() failed in CGridFrame::Initialize().";
    SetPickableCapability(true);
    m_material = material ? *material : GreenGlassMaterial();
    if (radius == 0.0f)
      radius = width < height ? width / (10.0f * static_cast<float>(widthEdges))
                              : height / (10.0f * static_cast<float>(heightEdges));
    m_widthEdge = new CCylinder;
    m_heightEdge = new CCylinder;
    if (FAILED(m_widthEdge->Initialize(radius, radius, width, &m_material, 0)) ||
        FAILED(m_heightEdge->Initialize(radius, radius, height, &m_material, 0)))
      throw "\nError: CCylinder::Initialize() failed in CGridFrame::Initialize().";

    // Fewer than two lines in a direction: the one line at the start.
    const auto spacing = [](float length, unsigned long count) {
      return count > 1 ? length / static_cast<float>(count - 1) : 0.0f;
    };
    // A cylinder is centred on its frame's origin: each line is moved by
    // half its length so that it starts at the grid's origin, and the lines
    // run over x from 0 to width and over y from 0 down to -height.
    const D3DXMATRIX alongX = Rotation({0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0});
    const float widthStep = spacing(height, widthEdges);
    for (unsigned long i = 0; i < widthEdges; ++i)
      AddEdge(alongX * Translation({width / 2, -static_cast<float>(i) * widthStep, 0}), "GridWidthEdge%lu", i,
              m_widthEdge);
    const D3DXMATRIX downY = Rotation({0, 0, 1}, {0, 1, 0}, {0, -1, 0}, {0, 0, -1});
    const float heightStep = spacing(width, heightEdges);
    for (unsigned long j = 0; j < heightEdges; ++j)
      AddEdge(downY * Translation({static_cast<float>(j) * heightStep, -height / 2, 0}), "GridHeightEdge%lu", j,
              m_heightEdge);

    D3DXMATRIX m = Translation(D3DXVECTOR3(0, 0, 0) - D3DXVECTOR3(width / 2, -height / 2, 0)) *
                   Rotation({0, 0, -1}, {0, 1, 0}, *normal, *up);
    const D3DXVECTOR3 origin(0, 0, 0);
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &origin, &m);
    m = m * Translation(*corner - p);
    SetTransformMatrix(&m, true, eReplace, true, false);
    if (!ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CGridFrame::Initialize().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// CCageFrame

CCageFrame::CCageFrame() { ClearContent(); }

CCageFrame::~CCageFrame() {
  BeginTeardown();
  DestroyContent();
}

bool CCageFrame::DestroyContent() {
  CFrame::DestroyContent(false);
  ClearContent();
  return true;
}

bool CCageFrame::Initialize(CGBox* box, D3DMATERIAL8* material, unsigned long widthEdges, unsigned long heightEdges,
                            unsigned long, float radius) {
  try {
    DestroyContent();
    if (FAILED(CFrame::Initialize(nullptr, const_cast<char*>("CageFrame"), eCageFrame, false)))
      throw "\nError: CFrame::Initialize() failed in CCageFrame::Initialize().";
    SetPickableCapability(true);
    const float w = box->GetWidthFS(), h = box->GetHeightFS(), d = box->GetDepthFS();
    CGBox local;
    const D3DXVECTOR3 min(-w / 2, -h / 2, -d / 2), max(w / 2, h / 2, d / 2);
    local.Initialize(&min, &max, false);
    struct Face {
      float width, height;
      D3DXVECTOR3 normal, up, corner;
    };
    const Face faces[6] = {
        {w, h, local.GetFrontFaceNormalFS(), local.GetTopFaceNormalFS(), *local.GetFrontTopLeftFS()},
        {w, h, local.GetBackFaceNormalFS(), local.GetTopFaceNormalFS(), *local.GetBackTopRightFS()},
        {d, w, local.GetTopFaceNormalFS(), local.GetLeftFaceNormalFS(), *local.GetFrontTopLeftFS()},
        {d, w, local.GetBottomFaceNormalFS(), local.GetRightFaceNormalFS(), *local.GetFrontBottomRightFS()},
        {d, h, local.GetLeftFaceNormalFS(), local.GetTopFaceNormalFS(), *local.GetBackTopLeftFS()},
        {d, h, local.GetRightFaceNormalFS(), local.GetTopFaceNormalFS(), *local.GetFrontTopRightFS()},
    };
    for (Face face : faces) {
      auto* grid = new CGridFrame;
      AddChildObject(eOwnedChild, grid, false);
      if (!grid->Initialize(face.width, face.height, &face.normal, &face.up, &face.corner, material, widthEdges,
                            heightEdges, radius))
        throw "\nError: CGridFrame::Initialize() failed in CCageFrame::Initialize().";
      grid->SetPickableCapability(false);
    }
    const D3DXVECTOR3 front = local.GetFrontFaceNormalFS(), top = local.GetTopFaceNormalFS();
    const D3DXVECTOR3 boxFront = box->GetFrontFaceNormalFS(), boxTop = box->GetTopFaceNormalFS();
    D3DXMATRIX m = Rotation(front, top, boxFront, boxTop) * Translation(box->GetCenterFS() - local.GetCenterFS());
    SetTransformMatrix(&m, true, eReplace, true, false);
    if (!ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CCageFrame::Initialize().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}
