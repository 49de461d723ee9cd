#include "xfiledataobject.h"

#include "basemesh.h"
#include "datablock.h"

#include <appfiles.h>
#include <appoptions.h>
#include <dx_mutex.h>
#include <dx_thread.h>
#include <dxfile.h>
#include <rmxfguid.h>
#include <tracelog.h>
#include <xfiletemplates.h>
#include <xskinexp.h>

#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "garbagelist.h"
#include "objectlock.h"
#include "savenames.h"
#include "texturefile.h"

namespace {

const char kCannotLock[] = "Info: Cannot lock the dx file object.";
const char kCannotLockNl[] = "\nInfo: Cannot lock the dx file object.";

char* CopyName(const char* name) {
  size_t length = name ? std::strlen(name) : 0;
  char* copy = new char[length + 1];
  if (length) std::memcpy(copy, name, length);
  copy[length] = '\0';
  return copy;
}

// Names of the templates, by GUID, as the tree view and the lock messages
// show them.
struct STemplateName {
  const GUID* guid;
  const char* name;
};

const STemplateName kTemplateNames[] = {
    {&DXFILEOBJ_Patch, "Patch"},
    {&DXFILEOBJ_PatchMesh, "PatchMesh"},
    {&DXFILEOBJ_VertexDuplicationIndices, "VertexDuplicationIndices"},
    {&DXFILEOBJ_XSkinMeshHeader, "XSkinMeshHeader"},
    {&DXFILEOBJ_SkinWeights, "SkinWeights"},
    {&TID_DXFILEHeader, "Header"},
    {&TID_D3DRMFrame, "Frame"},
    {&TID_D3DRMFrameTransformMatrix, "FrameTransformMatrix"},
    {&TID_D3DRMMesh, "Mesh"},
    {&TID_D3DRMMeshFaceWraps, "MeshFaceWraps"},
    {&TID_D3DRMMeshNormals, "MeshNormals"},
    {&TID_D3DRMMeshMaterialList, "MeshMaterialList"},
    {&TID_D3DRMMeshTextureCoords, "MeshTextureCoords"},
    {&TID_D3DRMMaterial, "Material"},
    {&TID_D3DRMTextureFilename, "TextureFilename"},
    {&TID_D3DRMAnimationKey, "AnimationKey"},
    {&TID_D3DRMAnimation, "Animation"},
    {&TID_D3DRMAnimationOptions, "AnimationOptions"},
    {&TID_D3DRMAnimationSet, "AnimationSet"},
    {&GUID_SimpleShape, "SimpleShape"},
    {&GUID_BoundingBox, "BoundingBox"},
    {&GUID_BoundingSphere, "BoundingSphere"},
    {&GUID_NotInitialized, "NotInitialized"},
};

// The shared buffer of the display names.
char g_displayName[1024];

const char* NameOf(const CXFileDataObject* object) { return object->GetName() ? object->GetName() : ""; }

// Whether child holds parent (or is parent), so that parent may not take it:
// the tree would hold itself.
bool WouldHoldItself(CXFileDataObject* parent, CXFileDataObject* child, bool tryLock) {
  if (!child || !child->Reaches(parent, tryLock)) return false;
  DEBUG_TRACE("\nWarning: %s of type %s not added to %s of type %s: it holds it already.", NameOf(child),
              child->GetTemplateName(), NameOf(parent), parent->GetTemplateName());
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// CChildObject

CChildObject::CChildObject() { ClearContent(); }

CChildObject::CChildObject(EChildObjectType type, CXFileDataObject* object, CXFileDataObject*)
    : m_type(type), m_object(object) {}

CChildObject::~CChildObject() { DestroyContent(); }

CChildObject& CChildObject::operator=(const CChildObject& other) {
  m_type = other.m_type;
  m_object = other.m_object;
  return *this;
}

void CChildObject::ClearContent() {
  m_type = eOwnedChild;
  m_object = nullptr;
}

bool CChildObject::DestroyContent() {
  if (m_object && !IsReference()) delete m_object;
  ClearContent();
  return true;
}

void CChildObject::DeleteContent(bool tryLock) {
  if (m_object && !IsReference()) m_object->DeleteContent(tryLock);
}

void CChildObject::DeleteContent() { DeleteContent(false); }

void CChildObject::DeleteContentTL() {
  if (m_object && !IsReference()) m_object->DeleteContentTL();
}

const char* CChildObject::GetObjectTypeName() const {
  if (!m_object) return nullptr;
  switch (m_type) {
    case eOwnedChild:
      return "";
    case eReferenceChild:
      return "(reference)";
    case eBinaryChild:
      return "(binay object)";
  }
  return "unknown object type";
}

char* CChildObject::GetDisplayNameTL(CDXDoc* doc) {
  static char text[1100];
  if (!m_object) return nullptr;
  CString name = m_object->GetDisplayNameTL(doc);
  std::snprintf(text, sizeof(text), "%s %s", (const char*)name, GetObjectTypeName());
  return text;
}

// ---------------------------------------------------------------------------
// CXFileDataObject: life cycle

CXFileDataObject::CXFileDataObject()
    : m_name(nullptr),
      m_templateGuid(GUID_NotInitialized),
      m_children(10),
      m_lock(nullptr),
      m_lockValid(false),
      m_uniqueID(GetNextUniqueID()),
      m_deleted(false),
      m_tearingDown(false) {
  ClearContent();
  m_lock = CreateMutexA(nullptr, FALSE, nullptr);
  m_lockValid = m_lock != nullptr;
  g_FDOGarbageList.ForgetAddress(this);
}

CXFileDataObject::~CXFileDataObject() {
  BeginTeardown();
  DestroyContent(false);
  m_lockValid = false;
  if (m_lock) CloseHandle(m_lock);
  m_lock = nullptr;
}

void CXFileDataObject::ClearContent() {
  m_name = nullptr;
  m_templateGuid = GUID_NotInitialized;
}

bool CXFileDataObject::DestroyContent(bool) {
  // Lock(true, false) on the main thread, a wait elsewhere.
  bool locked = Lock(IsMainThread(), false);
  DeleteChildren();
  delete[] m_name;
  ClearContent();
  if (locked) Unlock();
  return true;
}

bool CXFileDataObject::Initialize(CXFileDataObject*, char*) {
  DEBUG_TRACE("\nError:  This member function CXFileDataObject::Initialize() is missing in a derived class.");
  return false;
}

bool CXFileDataObject::InitializeClone(CXFileDataObject**, char*) {
  DEBUG_TRACE("\nError:  This member function CXFileDataObject::InitializeClone() is missing in a derived class.");
  return false;
}

HRESULT CXFileDataObject::Initialize(char* name, const GUID* guid, bool tryLock) {
  Lock(tryLock, false);
  HRESULT hr;
  try {
    hr = SetName(name, tryLock);
    if (SUCCEEDED(hr)) {
      m_templateGuid = guid ? *guid : GUID_NotInitialized;
      m_deleted = false;
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return hr;
}

DWORD CXFileDataObject::GetDataObjectSize() {
  DWORD size = sizeof(CXFileDataObject);
  if (m_name) size += static_cast<DWORD>(std::strlen(m_name) + 1);
  if (m_templateGuid != GUID_NotInitialized) size += sizeof(GUID);
  return size;
}

DWORD CXFileDataObject::GetMetricsCount() { return 0; }

char** CXFileDataObject::GetMetrics() { return nullptr; }

// ---------------------------------------------------------------------------
// Locking

void CXFileDataObject::LockChildList() {
  if (!m_lockValid) return;
  if (IsMainThread() && !m_tearingDown) {
    Lock(true, false);
    return;
  }
  WaitForSingleObject(m_lock, INFINITE);
}

bool CXFileDataObject::TryLockChildList() {
  if (!m_lockValid) return false;
  if (!IsMainThread() || m_tearingDown) {
    WaitForSingleObject(m_lock, INFINITE);
    return true;
  }
  DWORD result = WaitForSingleObject(m_lock, 0);
  // An abandoned mutex is owned by the caller all the same.
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
  if (result == WAIT_TIMEOUT)
    DEBUG_TRACE("\nMain thread cannot lock %s of type %s", m_name ? m_name : "", GetTemplateName());
  return false;
}

void CXFileDataObject::UnlockChildList() {
  if (m_lockValid) ReleaseMutex(m_lock);
}

bool CXFileDataObject::Lock(bool tryLock, bool quiet) {
  if (!tryLock) {
    Lock();
    return true;
  }
  if (Trylock()) return true;
  if (!quiet && !m_tearingDown) {
    DEBUG_TRACE("\nCannot lock %s of type %s", m_name ? m_name : "", GetTemplateName());
    throw kCannotLock;
  }
  return false;
}

void CXFileDataObject::LockChildListHierarchy() {
  if (!IsAFrame()) return;
  LockChildList();
  for (POSITION pos = m_children.GetHeadPosition(); pos;) {
    CChildObject* entry = m_children.GetNext(pos);
    if (entry->GetXfileDataObject()) entry->GetXfileDataObject()->LockChildListHierarchy();
  }
}

void CXFileDataObject::UnlockChildListHierarchy() {
  if (!IsAFrame()) return;
  UnlockChildList();
  for (POSITION pos = m_children.GetHeadPosition(); pos;) {
    CChildObject* entry = m_children.GetNext(pos);
    if (entry->GetXfileDataObject()) entry->GetXfileDataObject()->UnlockChildListHierarchy();
  }
}

// ---------------------------------------------------------------------------
// Identity and names

bool CXFileDataObject::IsATemplateGUID(const GUID* guid) const { return guid && m_templateGuid == *guid; }

bool CXFileDataObject::IsAFrame() const { return m_templateGuid == TID_D3DRMFrame; }

char* CXFileDataObject::GetTemplateName() {
  if (m_templateGuid == GUID_BaseMesh) {
    // The name of the mesh's own kind.
    switch (static_cast<CBaseMesh*>(this)->GetMeshType()) {
      case eBaseMeshTypeGeoMesh:
        return const_cast<char*>("CMesh");
      case eBaseMeshTypeDXMesh:
        return const_cast<char*>("Mesh");
      case eBaseMeshTypeDXPMesh:
        return const_cast<char*>("Progessive mesh");
      default:
        return const_cast<char*>("BaseMesh");
    }
  }
  for (const STemplateName& entry : kTemplateNames)
    if (*entry.guid == m_templateGuid) return const_cast<char*>(entry.name);
  return const_cast<char*>("Unknown");
}

HRESULT CXFileDataObject::SetName(char* name, bool tryLock) {
  Lock(tryLock, false);
  delete[] m_name;
  m_name = CopyName(name);
  Unlock();
  return S_OK;
}

bool CXFileDataObject::IsDeletedTL() {
  if (!Trylock()) throw kCannotLockNl;
  bool deleted = m_deleted;
  Unlock();
  return deleted;
}

char* CXFileDataObject::GetDisplayNameTL(CDXDoc* doc) {
  if (!Trylock()) throw kCannotLockNl;
  try {
    if (!m_deleted) {
      CString detail = m_name ? m_name : "";
      if (IsATemplateGUID(&TID_D3DRMTextureFilename)) {
        detail = "";
        auto* texture = dynamic_cast<CTextureFile*>(this);
        if (doc && texture) detail = texture->GetTextureStatus(doc);
      }
      if (detail.IsEmpty())
        std::snprintf(g_displayName, sizeof(g_displayName), "%s", GetTemplateName());
      else
        std::snprintf(g_displayName, sizeof(g_displayName), "%s : %s", GetTemplateName(), (const char*)detail);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return g_displayName;
}

CString CXFileDataObject::GetSaveName() const {
  const char* name = m_name ? m_name : "";
  if (const CSaveNames* names = CSaveNames::GetCurrent()) {
    CString written;
    return names->Lookup(this, written) ? written : names->MakeFileName(name);
  }
  if (g_appOptions.dwXFileFormat & 1) return GetDXTemplateName(name);
  return CString(name);
}

IDirectXFileData* CXFileDataObject::CreateSaveData(IDirectXFileSaveObject* saveObject, DWORD size, void* block,
                                                   const char* failureMessage) {
  CString name = GetSaveName();
  IDirectXFileData* data = nullptr;
  HRESULT hr = saveObject->CreateDataObject(m_templateGuid, name.IsEmpty() ? nullptr : (const char*)name, nullptr, size,
                                            block, &data);
  if (FAILED(hr) || !data) throw failureMessage;
  return data;
}

IDirectXFileData* CXFileDataObject::CreateSaveData(IDirectXFileSaveObject* saveObject, CDataBlockWriter& writer,
                                                   const char* failureMessage) {
  CString name = GetSaveName();
  IDirectXFileData* data = nullptr;
  HRESULT hr = CreateXFileDataObject(saveObject, m_templateGuid, name.IsEmpty() ? nullptr : (const char*)name, nullptr,
                                     writer.Block(), &data);
  if (FAILED(hr) || !data) throw failureMessage;
  return data;
}

// ---------------------------------------------------------------------------
// Children

bool CXFileDataObject::FreeEntry(POSITION pos) {
  CChildObject* entry = m_children.GetAt(pos);
  m_children.RemoveAt(pos);
  delete entry;
  return true;
}

bool CXFileDataObject::AddChildObject(CChildObject** entry, EChildObjectType type, CXFileDataObject* child) {
  *entry = nullptr;
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  bool added = true;
  try {
    if (!m_deleted) {
      added = !WouldHoldItself(this, child, false);
      if (added) {
        *entry = new CChildObject(type, child, this);
        m_children.AddTail(*entry);
      }
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    added = false;
  }
  Unlock();
  return added;
}

bool CXFileDataObject::AddChildObject(EChildObjectType type, CXFileDataObject* child, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (m_deleted) return true;
  if (WouldHoldItself(this, child, tryLock)) return false;
  m_children.AddTail(new CChildObject(type, child, this));
  return true;
}

bool CXFileDataObject::Reaches(const CXFileDataObject* object, bool tryLock) {
  if (object == this) return true;
  // Depth first without recursion; an object shared by several entries is
  // read once.
  std::vector<CXFileDataObject*> pending{this};
  std::unordered_set<const CXFileDataObject*> seen{this};
  while (!pending.empty()) {
    CXFileDataObject* current = pending.back();
    pending.pop_back();
    CObjectLock lock(current, tryLock);
    for (POSITION pos = current->m_children.GetHeadPosition(); pos;) {
      CXFileDataObject* child = current->m_children.GetNext(pos)->GetXfileDataObject();
      if (!child) continue;
      if (child == object) return true;
      if (seen.insert(child).second) pending.push_back(child);
    }
  }
  return false;
}

CXFileDataObject* CXFileDataObject::GetNextChild(POSITION& pos, const GUID* guid, bool tryLock, bool quiet) {
  if (!Lock(tryLock, quiet)) return nullptr;
  CXFileDataObject* found = nullptr;
  try {
    while (!m_deleted && pos && !found) {
      CXFileDataObject* candidate = m_children.GetNext(pos)->GetXfileDataObject();
      if (!candidate || !candidate->Lock(tryLock, quiet)) continue;
      if (!candidate->IsDeleted() && candidate->IsATemplateGUID(guid)) found = candidate;
      candidate->Unlock();
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return found;
}

CXFileDataObject* CXFileDataObject::GetChildXfileDataObject(const GUID* guid, bool tryLock, bool quiet) {
  if (!Lock(tryLock, quiet)) return nullptr;
  CXFileDataObject* found = nullptr;
  try {
    POSITION pos = m_children.GetHeadPosition();
    if (!m_deleted) found = GetNextChild(pos, guid, tryLock, quiet);
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return found;
}

CXFileDataObject* CXFileDataObject::GetAtChild(int index) {
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return nullptr;
  }
  CXFileDataObject* found = nullptr;
  if (index >= 0) {
    POSITION pos = m_children.FindIndex(index);
    if (pos) found = m_children.GetAt(pos)->GetXfileDataObject();
  }
  Unlock();
  return found;
}

DWORD CXFileDataObject::DeleteDirectChildObject(CXFileDataObject* child, bool tryLock) {
  Lock(tryLock, false);
  DWORD count = 0;
  for (POSITION pos = m_children.GetHeadPosition(); pos;) {
    POSITION current = pos;
    if (m_children.GetNext(pos)->GetXfileDataObject() == child) count += FreeEntry(current) ? 1 : 0;
  }
  Unlock();
  return count;
}

bool CXFileDataObject::DeleteDirectChildObject(CChildObject* entry) {
  POSITION pos = m_children.Find(entry);
  return pos && FreeEntry(pos);
}

bool CXFileDataObject::DeleteChildObject(CChildObject* entry) {
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  bool found = false;
  try {
    found = DeleteDirectChildObject(entry);
    for (POSITION pos = m_children.GetHeadPosition(); pos && !found;) {
      CXFileDataObject* object = m_children.GetNext(pos)->GetXfileDataObject();
      if (object) found = object->DeleteChildObject(entry);
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    found = false;
  }
  Unlock();
  return found;
}

DWORD CXFileDataObject::DeleteChildObjects(CXFileDataObject* child) {
  DWORD count = 0;
  for (POSITION pos = m_children.GetHeadPosition(); pos;) {
    POSITION current = pos;
    CChildObject* entry = m_children.GetNext(pos);
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object == child) {
      count += FreeEntry(current) ? 1 : 0;
    } else if (object) {
      count += object->DeleteChildObjects(child);
    }
  }
  return count;
}

DWORD CXFileDataObject::DeleteChildObjectReferences(CXFileDataObject* child) {
  DWORD count = 0;
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return count;
  }
  try {
    for (POSITION pos = m_children.GetHeadPosition(); pos;) {
      POSITION current = pos;
      CChildObject* entry = m_children.GetNext(pos);
      CXFileDataObject* object = entry->GetXfileDataObject();
      if (object == child) {
        if (entry->IsReference()) count += FreeEntry(current) ? 1 : 0;
      } else if (object && !entry->IsReference()) {
        count += object->DeleteChildObjectReferences(child);
      }
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  Unlock();
  return count;
}

bool CXFileDataObject::DetachChild(char* name, const GUID* guid) {
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  bool detached = false;
  for (POSITION pos = m_children.GetHeadPosition(); pos && !detached;) {
    POSITION current = pos;
    CChildObject* entry = m_children.GetNext(pos);
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object && object->IsATemplateGUID(guid) &&
        std::strcmp(object->GetName() ? object->GetName() : "", name ? name : "") == 0) {
      entry->SetXfileDataObject(nullptr);
      FreeEntry(current);
      detached = true;
    }
  }
  Unlock();
  return detached;
}

bool CXFileDataObject::DetachChild(EChildObjectType* type, CXFileDataObject* child, bool tryLock) {
  Lock(tryLock, false);
  bool detached = false;
  for (POSITION pos = m_children.GetHeadPosition(); pos && !detached;) {
    POSITION current = pos;
    CChildObject* entry = m_children.GetNext(pos);
    if (entry->GetXfileDataObject() == child) {
      if (type) *type = entry->GetChildObjectType();
      entry->SetXfileDataObject(nullptr);
      FreeEntry(current);
      detached = true;
    }
  }
  Unlock();
  return detached;
}

void CXFileDataObject::DeleteChildren() {
  while (!m_children.IsEmpty()) delete m_children.RemoveHead();
}

void CXFileDataObject::AcquireChildObjectList(CXFileDataObject* other) {
  if (!other || other == this) return;
  CObjectLock lock(this, false);
  CObjectLock otherLock(other, false);
  if (m_deleted || other->IsDeleted() || WouldHoldItself(this, other, false)) return;
  while (!other->m_children.IsEmpty()) m_children.AddTail(other->m_children.RemoveHead());
}

void CXFileDataObject::SubstituteReferences(CDataObjectMap& map, CDXThread* thread) {
  Lock();
  try {
    for (POSITION pos = m_children.GetHeadPosition(); pos && !m_deleted;) {
      if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Killing thread";
      CChildObject* entry = m_children.GetNext(pos);
      CXFileDataObject* object = entry->GetXfileDataObject();
      if (!object) continue;
      if (entry->IsReference()) {
        CXFileDataObject* replacement = nullptr;
        if (map.Lookup(object, replacement)) entry->SetXfileDataObject(replacement);
      } else {
        object->SubstituteReferences(map, thread);
      }
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

DWORD CXFileDataObject::GetDataObjectHierarchySize() {
  DWORD size = GetDataObjectSize();
  for (POSITION pos = m_children.GetHeadPosition(); pos;) {
    CChildObject* entry = m_children.GetNext(pos);
    if (!entry->IsReference() && entry->GetXfileDataObject())
      size += entry->GetXfileDataObject()->GetDataObjectHierarchySize();
  }
  return size;
}

// ---------------------------------------------------------------------------
// Deleted marks

void CXFileDataObject::MarkDeleted(bool tryLock, bool tl) {
  if (tryLock) {
    if (!Trylock()) throw tl ? kCannotLockNl : kCannotLock;
  } else {
    Lock();
  }
  try {
    m_deleted = true;
    for (POSITION pos = m_children.GetHeadPosition(); pos;) {
      CChildObject* entry = m_children.GetNext(pos);
      if (tl)
        entry->DeleteContentTL();
      else
        entry->DeleteContent(tryLock);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void CXFileDataObject::DeleteContent(bool tryLock) { MarkDeleted(tryLock, false); }

void CXFileDataObject::DeleteContentTL() { MarkDeleted(true, true); }

// ---------------------------------------------------------------------------
// Loading and saving

HRESULT CXFileDataObject::LoadName(IDirectXFileData* data) {
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  delete[] m_name;
  m_name = nullptr;
  DWORD length = 0;
  HRESULT hr = data->GetName(nullptr, &length);
  if (FAILED(hr)) {
    DEBUG_TRACE("\nError: IDirectXFileData::GetName() failed.");
  } else if (length == 0) {
    m_name = CopyName(nullptr);
  } else {
    m_name = new char[length];
    hr = data->GetName(m_name, &length);
    if (FAILED(hr)) {
      DEBUG_TRACE("\nError: IDirectXFileData::GetName() failed");
      delete[] m_name;
      m_name = nullptr;
    }
  }
  Unlock();
  return hr;
}

HRESULT CXFileDataObject::LoadTemplateGuid(IDirectXFileData* data) {
  try {
    Lock();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  const GUID* guid = nullptr;
  HRESULT hr = data->GetType(&guid);
  if (FAILED(hr) || !guid) {
    DEBUG_TRACE("\nError: IDirectXFileData::GetType() failed");
    if (SUCCEEDED(hr)) hr = E_FAIL;
  } else {
    // Kept by value: the file object's memory goes away with the file.
    m_templateGuid = *guid;
  }
  Unlock();
  return hr;
}

bool CXFileDataObject::Load(IDirectXFileData* data, DWORD, BYTE*, char*, CDXThread*) {
  bool locked = false;
  try {
    Lock();
    locked = true;
    DestroyContent(false);
    if (FAILED(LoadName(data))) throw "\nLoadName() failed.";
    if (FAILED(LoadTemplateGuid(data))) throw "\nLoadTemplateGuid() failed.";
    m_deleted = false;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (locked) Unlock();
    return false;
  } catch (CException* e) {
    DEBUG_TRACE("\nCException() raised.");
    e->Delete();
    if (locked) Unlock();
    return false;
  }
  Unlock();
  return true;
}

bool CXFileDataObject::LoadWithBlock(IDirectXFileData* data, DWORD size, BYTE* block, DWORD needed, char* fileDirectory,
                                     CDXThread* thread) {
  if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) {
    DEBUG_TRACE("\nCXFileDataObject::Load() failed.");
    return false;
  }
  if (!block || size < needed) {
    DEBUG_TRACE("\nError: The %s data block is too short.", GetTemplateName());
    return false;
  }
  return true;
}

HRESULT CXFileDataObject::Save(IDirectXFileSaveObject*, IDirectXFileData** out, CDXThread*) {
  if (out) *out = nullptr;
  DEBUG_TRACE("\nInfo: Should not call CXFileDataObject::Save()");
  DEBUG_TRACE("\nInfo: x file object not supporting the save function.");
  return S_OK;
}
