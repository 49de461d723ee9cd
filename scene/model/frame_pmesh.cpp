// The frame walks over progressive meshes: the in-place conversions between
// Direct3D and progressive meshes and the level of detail of the progressive meshes below a frame.
#include <dx_doc.h>
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxpmesh.h>
#include <geo_mesh.h>

#include <memory>
#include <set>

#include "basemesh.h"
#include "failureguard.h"
#include "frame.h"
#include "frame_walk.h"
#include "objectlock.h"
#include "xfiletemplates.h"

namespace {

const char kKilling[] = "\nInfo: Killing thread";

// Holds a blocking lock of an object for a scope.
struct SHeld {
  CXFileDataObject* object;
  explicit SHeld(CXFileDataObject* o) : object(o) { object->Lock(); }
  ~SHeld() { object->Unlock(); }
  SHeld(const SHeld&) = delete;
  SHeld& operator=(const SHeld&) = delete;
};

}  // namespace

void CFrame::ConvertIntoPMeshFrame(CDataObjectMap& map, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                                   CDXThread* thread, DWORD* vertices, DWORD* faces) {
  SHeld frameLock(this);
  if (IsDeleted()) return;
  SetActiveVerticesCount(0);
  SetActiveTrianglesCount(0);
  SetMaxVerticesCount(0);
  SetMaxTrianglesCount(0);
  auto count = [&](DWORD v, DWORD f) {
    AddDeltaVerticesCount(static_cast<LONG>(v));
    AddDeltaActiveVerticesCount(static_cast<LONG>(v));
    AddDeltaTrianglesCount(static_cast<LONG>(f));
    AddDeltaActiveTrianglesCount(static_cast<LONG>(f));
  };
  WalkChildEntries(this, thread, kKilling, [&](CChildObject* entry, CXFileDataObject* child) {
    if (entry->IsReference()) return true;
    SHeld childLock(child);
    if (child->IsDeleted()) return true;
    if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
      auto* dxMesh = static_cast<CDXMesh*>(child);
      auto pmesh = std::make_unique<CDXPMesh>();
      if (!dxMesh->InitializeClone(pmesh.get(), this, device, options, thread)) {
        pmesh->DeleteContent(false);
        count(dxMesh->GetNumVertices(false), dxMesh->GetNumFaces(false));
        return true;
      }
      CDXPMesh* made = pmesh.release();
      SHeld madeLock(made);
      count(made->GetNumVertices(false), made->GetNumFaces(false));
      made->AcquireChildObjectList(dxMesh);
      AddChildObject(eOwnedChild, made, false);
      map.SetAt(dxMesh, made);
      dxMesh->DeleteContent(false);
    } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
      DWORD v = 0, f = 0;
      static_cast<CFrame*>(child)->ConvertIntoPMeshFrame(map, device, options, thread, &v, &f);
      count(v, f);
    }
    return true;
  });
  if (vertices) *vertices = GetMaxVerticesCount(false);
  if (faces) *faces = GetMaxTrianglesCount(false);
  SetFrameType(eDXPMeshFrame);
}

void CFrame::ConvertIntoDXMeshFrame(CDataObjectMap& map, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                                    CDXThread* thread, DWORD* vertices, DWORD* faces) {
  SHeld frameLock(this);
  if (IsDeleted()) return;
  SetActiveVerticesCount(0);
  SetActiveTrianglesCount(0);
  SetFrameType(eDXMeshFrame);
  auto count = [&](DWORD v, DWORD f) {
    AddDeltaActiveVerticesCount(static_cast<LONG>(v));
    AddDeltaActiveTrianglesCount(static_cast<LONG>(f));
  };
  // The meshes made here join the end of the list that the walk goes on
  // through: they were counted when made.
  std::set<CXFileDataObject*> made;
  WalkChildEntries(this, thread, kKilling, [&](CChildObject* entry, CXFileDataObject* child) {
    if (entry->IsReference() || made.count(child) != 0) return true;
    SHeld childLock(child);
    if (child->IsDeleted()) return true;
    if (IsBaseMeshOfType(child, eBaseMeshTypeDXPMesh)) {
      auto* pmesh = static_cast<CDXPMesh*>(child);
      auto mesh = std::make_unique<CDXMesh>();
      if (!mesh->Initialize(pmesh, this, pmesh->GetName(), device, options, thread)) {
        mesh->DeleteContent(false);
        return true;
      }
      CDXMesh* snapshot = mesh.release();
      SHeld snapshotLock(snapshot);
      count(snapshot->GetNumVertices(false), snapshot->GetNumFaces(false));
      snapshot->AcquireChildObjectList(pmesh);
      AddChildObject(eOwnedChild, snapshot, false);
      made.insert(snapshot);
      map.SetAt(pmesh, snapshot);
      pmesh->DeleteContent(false);
    } else if (IsBaseMeshOfType(child, eBaseMeshTypeGeoMesh)) {
      // A connectivity mesh is written back as its reduction left it.
      auto* geo = static_cast<CGeoMesh*>(child);
      if (geo->GetOriginalCurrentVerticesCount() == 0) return true;
      auto mesh = std::make_unique<CDXMesh>();
      if (!geo->InitializeClone(mesh.get(), this, device, options, thread)) {
        mesh->DeleteContent(false);
        return true;
      }
      CDXMesh* snapshot = mesh.release();
      SHeld snapshotLock(snapshot);
      count(snapshot->GetNumVertices(false), snapshot->GetNumFaces(false));
      AddChildObject(eOwnedChild, snapshot, false);
      made.insert(snapshot);
      map.SetAt(geo, snapshot);
      geo->DeleteContent(false);
    } else if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
      count(static_cast<CDXMesh*>(child)->GetNumVertices(false), static_cast<CDXMesh*>(child)->GetNumFaces(false));
    } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
      DWORD v = 0, f = 0;
      static_cast<CFrame*>(child)->ConvertIntoDXMeshFrame(map, device, options, thread, &v, &f);
      count(v, f);
    }
    return true;
  });
  if (vertices) *vertices = GetActiveVerticesCount(false);
  if (faces) *faces = GetActiveTrianglesCount(false);
}

void CFrame::ConvertIntoPMeshFrameH(IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread) {
  CDataObjectMap map(10);
  map.InitHashTable(100);
  ConvertIntoPMeshFrame(map, device, options, thread, nullptr, nullptr);
  SubstituteReferences(map, thread);
}

void CFrame::ConvertIntoDXMeshFrameH(IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread) {
  CDataObjectMap map(10);
  map.InitHashTable(100);
  ConvertIntoDXMeshFrame(map, device, options, thread, nullptr, nullptr);
  SubstituteReferences(map, thread);
}

// The level of detail walk of both counts.
static bool SetLevelOfDetail(CFrame* frame, bool byVertices, float percent, DWORD& vertices, DWORD& faces,
                             CONFIGFILE* config, bool compliant, CDXDoc* doc, CDXThread* thread, bool tryLock) {
  vertices = faces = 0;
  if (tryLock) {
    if (!frame->Trylock()) throw "Info: Cannot lock the CFrame object.";
  } else {
    frame->Lock();
  }
  try {
    if (!frame->IsDeleted()) {
      frame->SetActiveVerticesCount(0);
      frame->SetActiveTrianglesCount(0);
      CDXPMesh* selected = doc ? doc->GetSelectedPMesh() : nullptr;
      WalkChildEntries(frame, thread, kKilling, [&](CChildObject* entry, CXFileDataObject* child) {
        if (entry->IsReference()) return true;
        if (tryLock) {
          if (!child->Trylock()) throw "Info: Cannot lock the child dx object.";
        } else {
          child->Lock();
        }
        try {
          if (!child->IsDeleted() && IsBaseMeshOfType(child, eBaseMeshTypeDXPMesh)) {
            auto* pmesh = static_cast<CDXPMesh*>(child);
            if (!selected || selected == pmesh) {
              if (compliant)
                byVertices ? pmesh->SetCompliantNumVertices(percent, config, thread, false)
                           : pmesh->SetCompliantNumFaces(percent, config, thread, false);
              else
                byVertices ? pmesh->SetNumVertices(percent, config, tryLock)
                           : pmesh->SetNumFaces(percent, config, tryLock);
            }
            frame->AddDeltaActiveTrianglesCount(static_cast<LONG>(pmesh->GetNumFaces(tryLock)));
            frame->AddDeltaActiveVerticesCount(static_cast<LONG>(pmesh->GetNumVertices(tryLock)));
          } else if (!child->IsDeleted() && IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
            auto* mesh = static_cast<CDXMesh*>(child);
            frame->AddDeltaActiveTrianglesCount(static_cast<LONG>(mesh->GetNumFaces(byVertices && tryLock)));
            frame->AddDeltaActiveVerticesCount(static_cast<LONG>(mesh->GetNumVertices(byVertices && tryLock)));
          } else if (!child->IsDeleted() && child->IsAFrame() &&
                     static_cast<CFrame*>(child)->GetFrameType() == CFrame::eDXPMeshFrame) {
            DWORD v = 0, f = 0;
            SetLevelOfDetail(static_cast<CFrame*>(child), byVertices, percent, v, f, config, compliant, doc, thread,
                             tryLock);
            frame->AddDeltaActiveTrianglesCount(static_cast<LONG>(f));
            frame->AddDeltaActiveVerticesCount(static_cast<LONG>(v));
          }
          faces = frame->GetActiveTrianglesCount(false);
          vertices = frame->GetActiveVerticesCount(false);
        } catch (...) {
          child->Unlock();
          throw;
        }
        child->Unlock();
        return true;
      });
    }
  } catch (...) {
    frame->Unlock();
    throw;
  }
  frame->Unlock();
  return true;
}

bool CFrame::SetNumFaces(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool compliant, CDXDoc* doc,
                         CDXThread* thread, bool tryLock) {
  return SetLevelOfDetail(this, false, percent, vertices, faces, config, compliant, doc, thread, tryLock);
}

bool CFrame::SetNumVertices(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool compliant,
                            CDXDoc* doc, CDXThread* thread, bool tryLock) {
  return SetLevelOfDetail(this, true, percent, vertices, faces, config, compliant, doc, thread, tryLock);
}
