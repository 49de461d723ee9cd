#include "dxpmeshframe.h"

#include <basemesh.h>
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxpmesh.h>
#include <failureguard.h>
#include <xfiletemplates.h>

#include <memory>


bool CDXPMeshFrame::InitializeShell(CFrame* source) {
  DestroyContent(false);
  if (!CFrame::InitializeShell(source)) return false;
  SetFrameType(eDXPMeshFrame);
  return true;
}

bool CDXPMeshFrame::InitializeProgressiveMeshFrame(CFrame* source, CDataObjectMap& map, DWORD& vertices,
                                                   DWORD& triangles, IDirect3DDevice8* device,
                                                   REDUCTIONOPTIONS* options, CDXThread* thread) {
  vertices = triangles = 0;
  SetActiveVerticesCount(0);
  SetActiveTrianglesCount(0);
  SetMaxVerticesCount(0);
  SetMaxTrianglesCount(0);
  auto count = [&](DWORD v, DWORD t) {
    AddDeltaVerticesCount(static_cast<LONG>(v));
    AddDeltaActiveVerticesCount(static_cast<LONG>(v));
    AddDeltaTrianglesCount(static_cast<LONG>(t));
    AddDeltaActiveTrianglesCount(static_cast<LONG>(t));
  };
  const bool ok = GuardedCall([&] {
    CChildObjectList& children = source->GetChildObjectList();
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Requested to end the thread.";
      CChildObject* entry = children.GetNext(pos);
      CXFileDataObject* child = entry->GetXfileDataObject();
      if (!child) continue;
      const bool mesh = child->IsATemplateGUID(&GUID_BaseMesh) &&
                        static_cast<CBaseMesh*>(child)->GetMeshType() == eBaseMeshTypeDXMesh;
      const bool frame = child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame();
      if (!mesh && !frame) continue;
      CXFileDataObject* mapped = nullptr;
      if (entry->IsReference() && map.Lookup(child, mapped)) {
        AddChildObject(eReferenceChild, mapped, false);
        continue;
      }
      if (mesh) {
        auto* pmesh = new CDXPMesh;
        AddChildObject(eOwnedChild, pmesh, false);
        map.SetAt(child, pmesh);
        if (!static_cast<CDXMesh*>(child)->InitializeClone(pmesh, this, device, options, thread)) {
          map.RemoveKey(child);
          if (DeleteDirectChildObject(pmesh, false) == 0) delete pmesh;
          throw "\nError: CDXMesh::InitializeClone() failed";
        }
        count(pmesh->GetNumVertices(false), pmesh->GetNumFaces(false));
      } else {
        auto* copy = new CDXPMeshFrame;
        map.SetAt(child, copy);
        if (!copy->InitializeShell(static_cast<CFrame*>(child))) {
          map.RemoveKey(child);
          delete copy;
          throw "\nError: CDXPMeshFrame::InitializeShell() failed.";
        }
        AddChildRenderFrame(eOwnedChild, copy, false);
        DWORD v = 0, t = 0;
        if (!copy->InitializeProgressiveMeshFrame(static_cast<CFrame*>(child), map, v, t, device, options, thread)) {
          map.RemoveKey(child);
          if (DeleteDirectChildObject(copy, false) == 0) delete copy;
          throw "\nError: CDXPMeshFrame::InitializeProgressiveMeshFrame() failed.";
        }
        count(v, t);
      }
    }
  });
  if (!ok) return false;
  triangles = GetMaxTrianglesCount(false);
  vertices = GetMaxVerticesCount(false);
  return true;
}

bool CDXPMeshFrame::SetNumFaces(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool tryLock) {
  return CFrame::SetNumFaces(percent, vertices, faces, config, false, nullptr, nullptr, tryLock);
}

bool CDXPMeshFrame::SetNumVertices(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config,
                                   bool tryLock) {
  return CFrame::SetNumVertices(percent, vertices, faces, config, false, nullptr, nullptr, tryLock);
}
