// Writing a frame's content into a .x file.
#include <appfiles.h>
#include <dx_thread.h>
#include <dxerr8.h>
#include <rmxfguid.h>
#include <tracelog.h>
#include <xskinexp.h>

#include "basemesh.h"
#include "frame.h"
#include "meshparts.h"
#include "savenames.h"
#include "skinweights.h"
#include "xfile.h"
#include "xfiletemplates.h"

namespace {

// A failed step: its message and the result code that made it fail.
struct SSaveFailure {
  const char* message;
  HRESULT result;
};

void Check(HRESULT hr, const char* message) {
  if (FAILED(hr)) throw SSaveFailure{message, hr};
}

// The pause point of a save: a save pauses with the jobs but is never
// stopped half-way.
void PausePoint(CDXThread* thread) {
  if (thread) (void)thread->WaitForThreadPlayingEvent();
}

// Locks an object for the scope (the object's own rule: a job waits).
class CScopedObjectLock {
 public:
  explicit CScopedObjectLock(CXFileDataObject* object) : m_object(object) { m_object->Lock(); }
  ~CScopedObjectLock() { m_object->Unlock(); }
  CScopedObjectLock(const CScopedObjectLock&) = delete;
  CScopedObjectLock& operator=(const CScopedObjectLock&) = delete;

 private:
  CXFileDataObject* m_object;
};

// Whether a locked child is written (owned) or named (referenced) below its
// parent: not when it is marked deleted, nor a frame that the program made.
bool IsSavedChild(CXFileDataObject* child) {
  return !child->IsDeleted() && !(child->IsAFrame() && !static_cast<CFrame*>(child)->IsOriginalFrame());
}

bool IsAnyOf(const CXFileDataObject* object, std::initializer_list<const GUID*> guids) {
  for (const GUID* guid : guids)
    if (object->IsATemplateGUID(guid)) return true;
  return false;
}

}  // namespace

bool CXFile::ContainsPM(CXFileDataObject* object) {
  if (IsAnyOf(object, {&DXFILEOBJ_PMInfo, &DXFILEOBJ_PMAttributeRange, &DXFILEOBJ_PMVSplitRecord, &DXFILEOBJ_FVFData}))
    return true;
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (!entry->IsReference() && entry->GetXfileDataObject() && ContainsPM(entry->GetXfileDataObject())) return true;
  }
  return false;
}

bool CXFile::IsWrittenObject(CXFileDataObject* object, CXFileDataObject* parent) {
  if (IsAnyOf(object, {&TID_DXFILEHeader, &TID_D3DRMFrame, &TID_D3DRMFrameTransformMatrix, &TID_D3DRMMesh,
                       &TID_D3DRMAnimationSet, &TID_D3DRMAnimation, &TID_D3DRMAnimationOptions, &TID_D3DRMAnimationKey,
                       &DXFILEOBJ_XSkinMeshHeader}))
    return true;
  if (object->IsATemplateGUID(&GUID_BaseMesh)) return IsBaseMeshOfType(object, eBaseMeshTypeDXMesh);
  if (object->IsATemplateGUID(&DXFILEOBJ_SkinWeights)) return static_cast<CSkinWeights*>(object)->GetWeightsCount() > 0;
  // The parts of an X-file mesh are written with it; a Direct3D mesh writes
  // its own through the mesh writer. A material list that the mesh made for
  // its drawing was not in the file and is not written.
  if (object->IsATemplateGUID(&TID_D3DRMMeshMaterialList) &&
      static_cast<CMeshMaterialList*>(object)->IsDrawingDefault())
    return false;
  if (IsAnyOf(object, {&TID_D3DRMMeshNormals, &TID_D3DRMMeshTextureCoords, &TID_D3DRMMeshMaterialList,
                       &TID_D3DRMMeshVertexColors, &TID_D3DRMMeshFaceWraps}))
    return parent && parent->IsATemplateGUID(&TID_D3DRMMesh);
  // A material is written in a written material list, or on its own when
  // the saved hierarchy only refers to it; a texture name in its material.
  if (object->IsATemplateGUID(&TID_D3DRMMaterial))
    return !parent || parent->IsATemplateGUID(&TID_D3DRMMeshMaterialList);
  if (object->IsATemplateGUID(&TID_D3DRMTextureFilename)) return parent && parent->IsATemplateGUID(&TID_D3DRMMaterial);
  DEBUG_TRACE("\nInfo: X file object not saved.");
  return false;
}

bool CXFile::CreateDataMap(CXFileDataObject* object, CObjectSet& owned) {
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    // Only owned entries are followed: every object is reached once.
    if (!child || entry->IsReference()) continue;
    if (!CreateDataMap(child, owned)) return false;
    owned.SetAt(child, 0);
  }
  return true;
}

bool CXFile::CreateReferencesList(CXFileDataObject* object, CObjectList& references, CObjectSet& owned,
                                  CObjectSet& seen) {
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (!child) continue;
    if (!entry->IsReference()) {
      if (!CreateReferencesList(child, references, owned, seen)) return false;
      continue;
    }
    // A reference names its target: a target without a name gets one.
    if (!child->GetName() || !*child->GetName()) {
      CString name(child->GetTemplateName());
      SetUniqueName(name);
      child->SetName(const_cast<char*>(static_cast<LPCSTR>(name)), false);
    }
    WORD unused = 0;
    if (owned.Lookup(child, unused) || seen.Lookup(child, unused)) continue;
    seen.SetAt(child, 0);
    // Objects the hoisted one refers to come before it.
    if (!CreateReferencesList(child, references, owned, seen)) return false;
    references.AddTail(child);
  }
  return true;
}

void CXFile::AddSaveNames(CXFileDataObject* object, CXFileDataObject* parent, CSaveNames& names) {
  CScopedObjectLock lock(object);
  if (object->IsDeleted() || !IsWrittenObject(object, parent)) return;
  names.Add(object);
  if (object->IsATemplateGUID(&DXFILEOBJ_SkinWeights))
    names.AddBoneName(static_cast<CSkinWeights*>(object)->GetTransformNodeName());
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (!child || entry->GetChildObjectType() == eBinaryChild) continue;
    CScopedObjectLock childLock(child);
    if (!IsSavedChild(child)) continue;
    if (entry->IsReference())
      names.AddReferenceTarget(child);
    else
      AddSaveNames(child, object, names);
  }
}

bool CXFile::SaveXFrame2(CFrame* frame, char* path, DWORD format, bool saveTemplates, CDXThread* thread) {
  m_failureText.Empty();
  IDirectXFile* file = nullptr;
  IDirectXFileSaveObject* saveObject = nullptr;
  bool ok = true;
  CString reason;  // the failing result's name
  try {
    CScopedObjectLock frameLock(frame);
    if (frame->IsDeleted()) return true;
    Check(DirectXFileCreate(&file), "Error: DirectXFileCreate failed in CXFile::SaveXfile");
    Check(RegisterXFileTemplates(file), "Error: IDirectXFile::RegisterTemplates() failed in CXFile::SaveXFrame2().");
    const HRESULT created = file->CreateSaveObject(path, format, &saveObject);
    if (created == DXFILEERR_BADFILETYPE)
      throw SSaveFailure{"Error: The file to replace is not a regular file (a folder, a device or a pipe).", created};
    Check(created, "Error: IDirectXFile::CreateSaveObject() failed.");
    if (saveTemplates)
      Check(saveObject->SaveTemplates(15, g_StandardSaveTemplates), "Error: IDirectXFile::SaveTemplates() failed.");
    Check(saveObject->SaveTemplates(5, g_SkinSaveTemplates), "Error: IDirectXFile::SaveTemplates() failed.");
    if (ContainsPM(frame))
      Check(saveObject->SaveTemplates(4, g_ProgressiveMeshSaveTemplates),
            "Error: IDirectXFile::SaveTemplates() failed.");

    CObjectSet owned, seen;
    owned.InitHashTable(100);
    seen.InitHashTable(50);
    CObjectList references(10);
    if (!CreateDataMap(frame, owned)) throw SSaveFailure{"Error: CreateDataMap() failed.", S_OK};
    if (!CreateReferencesList(frame, references, owned, seen))
      throw SSaveFailure{"Error: CreateReferencesList() failed.", S_OK};

    // Every object gets its written name before anything is written, so that
    // a reference names its target however far on the target is written.
    CSaveNames names((format & DXFILEFORMAT_TEXT) != 0);
    CChildObjectList& children = frame->GetChildObjectList();
    for (POSITION pos = references.GetHeadPosition(); pos;) AddSaveNames(references.GetNext(pos), nullptr, names);
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
      if (object && !object->IsATemplateGUID(&TID_D3DRMFrameTransformMatrix)) AddSaveNames(object, nullptr, names);
    }
    names.Assign();
    const CSaveNames::CInUse namesInUse(names);

    for (POSITION pos = references.GetHeadPosition(); pos;) {
      CXFileDataObject* object = references.GetNext(pos);
      PausePoint(thread);
      CScopedObjectLock lock(object);
      if (!object->IsDeleted())
        Check(SaveTopLevelObject(object, saveObject, thread), "Error: SaveTopLevelObject() failed.");
    }
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
      if (!object) continue;
      PausePoint(thread);
      CScopedObjectLock lock(object);
      if (!object->IsDeleted() && !object->IsATemplateGUID(&TID_D3DRMFrameTransformMatrix))
        Check(SaveTopLevelObject(object, saveObject, thread), "Error: SaveTopLevelObject() failed.");
    }
    // Only a save that is whole, and on the disk, replaces the file.
    Check(FinishXFileSave(saveObject, TRUE), "Error: The saved file could not be written to the disk.");
  } catch (const SSaveFailure& failure) {
    ok = false;
    if (failure.result != S_OK && failure.result != DXFILEERR_NOMOREOBJECTS)
      reason.Format(" (error %s)", DXGetErrorString8A(failure.result));
    m_failureText.Format("%s%s", failure.message, static_cast<LPCSTR>(reason));
  } catch (const char* message) {
    // An object that could not be locked (the main thread only tries).
    ok = false;
    m_failureText = message[0] == '\n' ? message + 1 : message;
  }
  if (!ok) {
    CString text;
    text.Format("\nFailed to save the file %s%s", path, static_cast<LPCSTR>(reason));
    MessageBoxA(nullptr, text, "Export a 3D object", MB_OK | MB_ICONERROR);
  }
  if (saveObject) {
    // A failed save leaves the file it was to replace as it was.
    if (!ok) FinishXFileSave(saveObject, FALSE);
    SafeRelease2(&saveObject);
  }
  if (file) SafeRelease2(&file);
  return ok;
}

HRESULT CXFile::SaveTopLevelObject(CXFileDataObject* object, IDirectXFileSaveObject* saveObject, CDXThread* thread) {
  IDirectXFileData* data = nullptr;
  HRESULT hr = CreateDataObjectHierarchy(data, object, saveObject, thread);
  if (FAILED(hr)) {
    DEBUG_TRACE("\nError: CXFileDataObject::CreateDataObjectHierarchy() failed.");
    return hr;
  }
  if (data) {
    hr = saveObject->SaveData(data);
    data->Release();
  }
  return hr;
}

HRESULT CXFile::CreateDataObjectHierarchy(IDirectXFileData*& out, CXFileDataObject* object,
                                          IDirectXFileSaveObject* saveObject, CDXThread* thread) {
  struct SWalk {
    CXFile* self;
    IDirectXFileSaveObject* saveObject;
    CDXThread* thread;
    HRESULT Write(IDirectXFileData*& out, CXFileDataObject* object, CXFileDataObject* parent) {
      out = nullptr;
      CScopedObjectLock lock(object);
      if (object->IsDeleted() || !self->IsWrittenObject(object, parent)) return S_OK;
      HRESULT hr = object->Save(saveObject, &out, thread);
      if (FAILED(hr)) return hr;
      if (!out) return S_OK;
      CChildObjectList& children = object->GetChildObjectList();
      for (POSITION pos = children.GetHeadPosition(); pos && SUCCEEDED(hr);) {
        CChildObject* entry = children.GetNext(pos);
        CXFileDataObject* child = entry->GetXfileDataObject();
        if (!child) continue;
        PausePoint(thread);
        CScopedObjectLock childLock(child);
        if (!IsSavedChild(child)) continue;
        if (entry->GetChildObjectType() == eOwnedChild) {
          IDirectXFileData* nested = nullptr;
          hr = Write(nested, child, object);
          if (SUCCEEDED(hr) && nested) hr = out->AddDataObject(nested);
          if (nested) nested->Release();
        } else if (entry->IsReference()) {
          // Exactly the name the target is written with in this file.
          hr = out->AddDataReference(child->GetSaveName(), nullptr);
        }
      }
      if (FAILED(hr)) {
        out->Release();
        out = nullptr;
      }
      return hr;
    }
  } walk{this, saveObject, thread};
  return walk.Write(out, object, nullptr);
}
