// CFrame: fields, life cycle, copies, counters, child look-ups and the Frame
// data object of .x files.
#include "frame.h"

#include <dx_mutex.h>
#include <qorcommon.h>
#include <rmxfguid.h>

#include <memory>

#include "objectlock.h"
#include "simpleshape.h"
#include "xfiletemplates.h"

namespace {

// The name of a copy: the given one, else "<source>Clone" made unique.
CString CloneName(const char* sourceName, const char* name) {
  if (name) return CString(name);
  CString made;
  made.Format("%sClone", sourceName && *sourceName ? sourceName : "DXFrame");
  SetUniqueName(made);
  return made;
}

}  // namespace

CFrame::CFrame() : m_boundingBox(nullptr), m_boundingSphere(nullptr) { ClearContent(); }

CFrame::~CFrame() {
  BeginTeardown();
  DestroyContent(false);
}

void CFrame::ClearContent() {
  m_originalFrame = true;
  D3DXMatrixIdentity(&m_worldTransform);
  m_boundingBox = nullptr;
  m_boundingSphere = nullptr;
  m_frameType = ePlainFrame;
  m_pickable = true;
  m_selected = false;
  m_parentRenderFrame = nullptr;
  m_renderHierarchyMember = false;
  m_initialTransform = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  m_readyForRendering = false;
  m_dynamicObjectsRoot = nullptr;
  m_metricsComputed = false;
  m_activeVertices = 0;
  m_activeTriangles = 0;
  m_activeEdges = 0;
  m_activeHalfEdges = 0;
  m_totalEdgesMagnitude = 0;
  m_totalTrianglesArea = 0;
  m_hidden = false;
  m_originalVertices = 0;
  m_originalTriangles = 0;
  m_maxVertices = 0;
  m_maxTriangles = 0;
  m_skinWeights = nullptr;
}

bool CFrame::DestroyContent(bool) {
  delete m_boundingBox;
  m_boundingBox = nullptr;
  delete m_boundingSphere;
  m_boundingSphere = nullptr;
  if (!CXFileDataObject::DestroyContent(IsMainThread())) return false;
  ClearContent();
  return true;
}

void CFrame::CreateBoundingObjects(bool tryLock) {
  delete m_boundingBox;
  m_boundingBox = new CGBox;
  m_boundingBox->InitializeZeroSize(tryLock);
  delete m_boundingSphere;
  m_boundingSphere = new CGSphere;
  m_boundingSphere->InitializeZeroSize();
}

HRESULT CFrame::Initialize(D3DXMATRIX* transform, char* name, EFrameType type, bool tryLock) {
  CObjectLock lock(this, tryLock);
  DestroyContent(false);
  if (FAILED(CXFileDataObject::Initialize(name ? name : const_cast<char*>(""), &TID_D3DRMFrame, tryLock)))
    throw "\nError: CXFileDataObject::Initialize() failed.";
  m_frameType = type;
  if (type == eBoundingObjectFrame) m_pickable = false;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  SetTransformMatrix(transform ? transform : &identity, true, eReplace, true, tryLock);
  CreateBoundingObjects(tryLock);
  m_readyForRendering = true;
  return S_OK;
}

HRESULT CFrame::Initialize(char* name) { return Initialize(nullptr, name, ePlainFrame, false); }

bool CFrame::Initialize(CFrame* source, char* name) {
  CString made = CloneName(source->GetName(), name);
  D3DXMATRIX transform = source->GetTransformMatrix(false);
  return SUCCEEDED(
      Initialize(&transform, const_cast<char*>(static_cast<const char*>(made)), source->GetFrameType(), false));
}

bool CFrame::Initialize(CXFileDataObject* source, char* name) { return Initialize(static_cast<CFrame*>(source), name); }

bool CFrame::Initialize(CSimpleShape* shape, D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir,
                        D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, bool pickable, char* name) {
  if (FAILED(Initialize(name))) return false;
  AddChildObject(eReferenceChild, shape, false);
  SetTransformMatrix(position, centre, dir, up, newDir, newUp, false, eReplace);
  m_pickable = pickable;
  return true;
}

bool CFrame::InitializeClone(CXFileDataObject** clone, char* name) {
  *clone = nullptr;
  CFrame* copy = nullptr;
  CString made = CloneName(GetName(), name);
  if (!CloneFramePosition(&copy, const_cast<char*>(static_cast<const char*>(made)), m_frameType)) return false;
  *clone = copy;
  return true;
}

bool CFrame::CloneFramePosition(CFrame** out, char* name, EFrameType type) {
  auto copy = std::make_unique<CFrame>();
  D3DXMATRIX transform = GetTransformMatrix(false);
  if (FAILED(copy->Initialize(&transform, name, type, false))) return false;
  *out = copy.release();
  return true;
}

bool CFrame::InitializeShell(CFrame* source) {
  if (!Initialize(source, source->GetName() ? source->GetName() : const_cast<char*>(""))) return false;
  if (source->m_boundingBox) *m_boundingBox = *source->m_boundingBox;
  if (source->m_boundingSphere) *m_boundingSphere = *source->m_boundingSphere;
  return true;
}

bool CFrame::InitializeHierarchy(CFrame* source, bool shareMeshes, char* name) {
  if (!Initialize(source, name)) return false;
  CChildObjectList& children = source->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child) continue;
    bool shape = child->IsATemplateGUID(&GUID_SimpleShape);
    bool mesh = child->IsATemplateGUID(&TID_D3DRMMesh) || child->IsATemplateGUID(&GUID_BaseMesh);
    if (shareMeshes && (shape || mesh)) {
      AddChildObject(eReferenceChild, child, false);
    } else if (shape) {
      CXFileDataObject* copy = nullptr;
      if (!child->InitializeClone(&copy, nullptr)) return false;
      AddChildObject(eOwnedChild, copy, false);
    } else if (child->IsAFrame() && static_cast<CFrame*>(child)->GetFrameType() == ePlainFrame) {
      auto copy = std::make_unique<CFrame>();
      if (!copy->InitializeHierarchy(static_cast<CFrame*>(child), shareMeshes, nullptr)) return false;
      AddChildObject(eOwnedChild, copy.release(), false);
    }
  }
  return true;
}

bool CFrame::CreateDynamicObjectsRootFrame() {
  auto root = std::make_unique<CFrame>();
  try {
    if (FAILED(root->Initialize(const_cast<char*>("DynamicObjectsRootFrame"))))
      throw "\nError: CFrame::Initialize() failed in CFrame::CreateDynamicObjectsRootFrame().";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    m_dynamicObjectsRoot = nullptr;
    return false;
  }
  root->SetOriginalFrameFlag(false);
  m_dynamicObjectsRoot = root.release();
  if (m_renderHierarchyMember)
    AddChildRenderFrame(eOwnedChild, m_dynamicObjectsRoot, false);
  else
    AddChildObject(eOwnedChild, m_dynamicObjectsRoot, false);
  return true;
}

void CFrame::SetWorldTransform(D3DXMATRIX* m, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!IsDeleted()) m_worldTransform = *m;
}

DWORD CFrame::LockedCount(const Counter& field, bool tryLock) {
  CObjectLock lock(this, tryLock);
  return IsDeleted() ? 0 : field.load();
}

D3DXVECTOR3 CFrame::GetCenterPFS(D3DXMATRIX* m) {
  D3DXMATRIX local;
  if (!m) {
    local = GetTransformMatrix(false);
    m = &local;
  }
  D3DXVECTOR3 centre;
  D3DXVec3TransformCoord(&centre, GetCenterFS(), m);
  return centre;
}

// ---------------------------------------------------------------------------
// Child look-ups

CXFileDataObject* CFrame::GetFrameTransformMatrix(bool tryLock, bool quiet) {
  return GetChildXfileDataObject(&TID_D3DRMFrameTransformMatrix, tryLock, quiet);
}

CXFileDataObject* CFrame::GetNextAnimationSet(POSITION& pos, bool tryLock, bool quiet) {
  return GetNextChild(pos, &TID_D3DRMAnimationSet, tryLock, quiet);
}

CFrame* CFrame::GetNextFrame(POSITION& pos, bool tryLock, bool quiet) {
  return static_cast<CFrame*>(GetNextChild(pos, &TID_D3DRMFrame, tryLock, quiet));
}

CXFileDataObject* CFrame::GetNextShape(POSITION& pos, bool tryLock, bool quiet) {
  return GetNextChild(pos, &GUID_SimpleShape, tryLock, quiet);
}

CXFileDataObject* CFrame::GetNextMesh(POSITION& pos, bool tryLock, bool quiet) {
  return GetNextChild(pos, &TID_D3DRMMesh, tryLock, quiet);
}

CXFileDataObject* CFrame::GetNextBaseMesh(POSITION& pos, bool tryLock, bool quiet) {
  return GetNextChild(pos, &GUID_BaseMesh, tryLock, quiet);
}

// ---------------------------------------------------------------------------
// The Frame data object: no data of its own; the loader and the writer walk
// the children.

bool CFrame::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  try {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  CreateBoundingObjects(false);
  m_readyForRendering = true;
  return true;
}

HRESULT CFrame::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  try {
    *out = CreateSaveData(saveObject, 0, nullptr,
                          "IDirectXFileSaveObject::CreateDataObject \t\t\t\t\t\t\t\t\t\t\t\tfailed in CFrame::Save");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
