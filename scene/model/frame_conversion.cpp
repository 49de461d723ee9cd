// The frame walks over connectivity meshes: the copy of a tree with every
// X-file or Direct3D mesh made a connectivity mesh, the copy back into X-file
// meshes or Direct3D meshes, the edge-contraction reduction of every
// connectivity mesh of a tree, the counts of a tree of Direct3D meshes and
// the 32-bit index check.
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxpmesh.h>
#include <dxwindoweddevice.h>
#include <geo_mesh.h>
#include <rmxfguid.h>

#include <memory>

#include "basemesh.h"
#include "failureguard.h"
#include "frame.h"
#include "frame_walk.h"
#include "mesh.h"
#include "xfiletemplates.h"

namespace {

const char kStopRequested[] = "\nInfo: Requested to end the thread.";

// An object held by reference whose source this conversion has already
// copied stays shared: the frame holds that copy by reference. True when so.
bool AddSharedCopy(CFrame* frame, CChildObject* entry, CDataObjectMap& map) {
  CXFileDataObject* copy = nullptr;
  if (!entry->IsReference() || !map.Lookup(entry->GetXfileDataObject(), copy)) return false;
  frame->AddChildObject(eReferenceChild, copy, false);
  return true;
}

// The copy, already an owned child of frame, is entered in the map and
// filled; a failed fill takes it out of the map and the frame (which deletes
// it) and throws failure.
template <class Fill>
void FillCopy(CFrame* frame, CXFileDataObject* source, CXFileDataObject* copy, CDataObjectMap& map, Fill&& fill,
              const char* failure) {
  map.SetAt(source, copy);
  if (fill()) return;
  map.RemoveKey(source);
  frame->DeleteDirectChildObject(copy, false);
  throw failure;
}

// The source's child frame copied below frame (name, transform, type and
// bounds) and filled by the same conversion.
template <class Fill>
void CopyChildFrame(CFrame* frame, CFrame* source, CDataObjectMap& map, Fill&& fill, const char* shellFailure,
                    const char* fillFailure) {
  auto copy = std::make_unique<CFrame>();
  if (!copy->InitializeShell(source)) throw shellFailure;
  CFrame* added = copy.release();
  frame->AddChildRenderFrame(eOwnedChild, added, false);
  FillCopy(
      frame, source, added, map, [&] { return fill(added); }, fillFailure);
}

}  // namespace

bool CFrame::InitializeConnectivityMeshFrame(CFrame* source, char*, CDataObjectMap& map, REDUCTIONOPTIONS* options,
                                             CDXThread* thread) {
  SetFrameType(eConnectivityMeshFrame);
  CreateDynamicObjectsRootFrame();
  return GuardedCall([&] {
    WalkChildEntries(source, thread, kStopRequested, [&](CChildObject* entry, CXFileDataObject* child) {
      if (child->IsATemplateGUID(&TID_D3DRMMesh)) {
        if (AddSharedCopy(this, entry, map)) return true;
        auto* geo = new CGeoMesh;
        AddChildObject(eOwnedChild, geo, false);
        FillCopy(
            this, child, geo, map,
            [&] { return static_cast<CMesh*>(child)->InitializeClone(geo, this, options, thread); },
            "\nError: CMesh::InitializeClone() failed in CFrame::InitializeHierarchy().");
      } else if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
        if (AddSharedCopy(this, entry, map)) return true;
        auto* geo = new CGeoMesh;
        AddChildObject(eOwnedChild, geo, false);
        IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
        FillCopy(
            this, child, geo, map,
            [&] { return static_cast<CDXMesh*>(child)->InitializeClone(geo, this, device, options, thread); },
            "\nError: CMesh::InitializeClone() failed in CFrame::InitializeHierarchy().");
      } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
        if (AddSharedCopy(this, entry, map)) return true;
        CopyChildFrame(
            this, static_cast<CFrame*>(child), map,
            [&](CFrame* copy) {
              return copy->InitializeConnectivityMeshFrame(static_cast<CFrame*>(child), nullptr, map, options, thread);
            },
            "\nError: CFrame::InitializeShell() failed in CFrame::InitializeHierarchy().",
            "\nError: CFrame::InitializeHierarchy() failed in CFrame::InitializeHierarchy().");
      }
      return true;
    });
  });
}

bool CFrame::InitializeRetainedModeMeshFrame(CFrame* source, char*, CDataObjectMap& map, IDirect3DDevice8* device,
                                             REDUCTIONOPTIONS* options, CDXThread* thread) {
  SetFrameType(ePlainFrame);
  return GuardedCall([&] {
    WalkChildEntries(source, thread, kStopRequested, [&](CChildObject* entry, CXFileDataObject* child) {
      if (IsBaseMeshOfType(child, eBaseMeshTypeGeoMesh)) {
        if (AddSharedCopy(this, entry, map)) return true;
        // A connectivity mesh without vertices has no triangle to write (its
        // source had none with an area): it gets no copy, and the caller
        // keeps its source as it was.
        if (static_cast<CGeoMesh*>(child)->GetOriginalCurrentVerticesCount() == 0) return true;
        auto* mesh = new CMesh;
        AddChildObject(eOwnedChild, mesh, false);
        FillCopy(
            this, child, mesh, map,
            [&] { return static_cast<CGeoMesh*>(child)->InitializeMesh(mesh, this, device, options, thread); },
            "\nError: CGeoMesh::InitializeMesh() failed in CFrame::InitializeHierarchy().");
      } else if (child->IsAFrame() && static_cast<CFrame*>(child)->GetFrameType() == eConnectivityMeshFrame) {
        if (AddSharedCopy(this, entry, map)) return true;
        CopyChildFrame(
            this, static_cast<CFrame*>(child), map,
            [&](CFrame* copy) {
              return copy->InitializeRetainedModeMeshFrame(static_cast<CFrame*>(child), nullptr, map, device, options,
                                                           thread);
            },
            "\nError: CFrame::InitializeShell() failed in CFrame::InitializeHierarchy().",
            "\nError: CFrame::InitializeRetainedModeMeshFrame() failed in CFrame::InitializeHierarchy().");
      }
      return true;
    });
  });
}

bool CFrame::ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread) {
  return GuardedCall([&] {
    WalkChildEntries(this, thread, kStopRequested, [&](CChildObject* entry, CXFileDataObject* child) {
      // A shared mesh or frame is reduced once, through the entry that owns it.
      if (entry->IsReference()) return true;
      if (IsBaseMeshOfType(child, eBaseMeshTypeGeoMesh)) {
        if (!static_cast<CGeoMesh*>(child)->ReduceTrianglesCount(options, thread))
          throw "\nError: CGeoMesh::ReduceTrianglesCount() failed in CFrame::InitializeReducedMeshFrame().";
      } else if (child->IsAFrame()) {
        if (!static_cast<CFrame*>(child)->ReduceTrianglesCount(options, thread))
          throw "\nError: CFrame::ReduceTrianglesCount() failed in CFrame::ReduceTrianglesCount().";
      }
      return true;
    });
  });
}

bool CFrame::Contains32bitMeshCheck(bool& needs32bit, CDXThread* thread) {
  needs32bit = false;
  return GuardedCall([&] {
    WalkChildEntries(this, thread, kStopRequested, [&](CChildObject*, CXFileDataObject* child) {
      if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
        ID3DXMesh* mesh = static_cast<CDXMesh*>(child)->GetMesh();
        if (mesh && (mesh->GetNumFaces() > 0xFFFF || mesh->GetNumVertices() > 0xFFFF)) needs32bit = true;
      } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame() &&
                 !static_cast<CFrame*>(child)->Contains32bitMeshCheck(needs32bit, thread))
        throw "\nError: CFrame::Contains32bitMeshCheck() failed.";
      return !needs32bit;
    });
  });
}

// The ray and world are those of the picking: origin and direction in the
// space that world × toRay maps frame space to; fromRay carries them back to
// the space that world maps to.
DWORD CFrame::GetCollidingRayChildrenGeoMeshVertexHandles(CRayVertexCollisionList& out, D3DXVECTOR3* origin,
                                                          D3DXVECTOR3* direction, D3DXMATRIX* world, D3DXMATRIX* toRay,
                                                          D3DXMATRIX* fromRay) {
  out.RemoveAll();
  DWORD count = 0;
  const D3DXMATRIX carried = *world * *toRay;
  CChildObjectList& children = GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
    if (!object) continue;
    CRayVertexCollisionList found(10);
    if (IsBaseMeshOfType(object, eBaseMeshTypeGeoMesh)) {
      auto* mesh = static_cast<CGeoMesh*>(object);
      if (!mesh->GetBoundingBox()) continue;
      CGBox box = *mesh->GetBoundingBox();
      box.TransformCoord(&carried, false);
      D3DXVECTOR3 crossings[2];
      if (box.ComputeRayBoxIntersections(crossings, origin, direction, false) == 0) continue;
      count += mesh->GetCollidingRayVertexHandles(found, origin, direction, world, fromRay);
    } else if (object->IsATemplateGUID(&TID_D3DRMFrame)) {
      auto* child = static_cast<CFrame*>(object);
      D3DXMATRIX childWorld = child->GetTransformMatrix(false) * *world;
      count +=
          child->GetCollidingRayChildrenGeoMeshVertexHandles(found, origin, direction, &childWorld, toRay, fromRay);
    }
    out.AddTail(&found);
  }
  return count;
}

bool CFrame::InitializeDXMeshFrame(CFrame* source, CDataObjectMap& map, DWORD& vertices, DWORD& faces,
                                   IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread) {
  vertices = faces = 0;
  SetActiveVerticesCount(0);
  SetActiveTrianglesCount(0);
  SetFrameType(eDXMeshFrame);
  if (!device && g_pWindowedDevice) device = g_pWindowedDevice->GetD3DDevice();
  const bool filled = GuardedCall([&] {
    WalkChildEntries(source, thread, kStopRequested, [&](CChildObject* entry, CXFileDataObject* child) {
      if (IsBaseMeshOfType(child, eBaseMeshTypeGeoMesh)) {
        if (AddSharedCopy(this, entry, map)) return true;
        auto* geo = static_cast<CGeoMesh*>(child);
        // A connectivity mesh without vertices has nothing to write.
        if (geo->GetOriginalCurrentVerticesCount() == 0) return true;
        auto* mesh = new CDXMesh;
        AddChildObject(eOwnedChild, mesh, false);
        FillCopy(
            this, child, mesh, map, [&] { return geo->InitializeClone(mesh, this, device, options, thread); },
            "\nError: CDXMesh::InitializeClone() failed");
        AddDeltaActiveTrianglesCount(static_cast<LONG>(mesh->GetNumFaces(false)));
        AddDeltaActiveVerticesCount(static_cast<LONG>(mesh->GetNumVertices(false)));
      } else if (IsBaseMeshOfType(child, eBaseMeshTypeDXPMesh)) {
        if (AddSharedCopy(this, entry, map)) return true;
        auto* mesh = new CDXMesh;
        AddChildObject(eOwnedChild, mesh, false);
        FillCopy(
            this, child, mesh, map,
            [&] { return static_cast<CDXPMesh*>(child)->InitializeClone(mesh, this, device, options, thread); },
            "\nError: CDXMesh::InitializeClone() failed");
        AddDeltaActiveTrianglesCount(static_cast<LONG>(mesh->GetNumFaces(false)));
        AddDeltaActiveVerticesCount(static_cast<LONG>(mesh->GetNumVertices(false)));
      } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
        if (AddSharedCopy(this, entry, map)) return true;
        DWORD childVertices = 0, childFaces = 0;
        CopyChildFrame(
            this, static_cast<CFrame*>(child), map,
            [&](CFrame* copy) {
              return copy->InitializeDXMeshFrame(static_cast<CFrame*>(child), map, childVertices, childFaces, device,
                                                 options, thread);
            },
            "\nError: CFrame::InitializeShell() failed.", "\nError: CFrame::InitializeDXMeshFrame() failed.");
        AddDeltaActiveVerticesCount(static_cast<LONG>(childVertices));
        AddDeltaActiveTrianglesCount(static_cast<LONG>(childFaces));
      }
      return true;
    });
  });
  vertices = GetActiveVerticesCount(false);
  faces = GetActiveTrianglesCount(false);
  return filled;
}

bool CFrame::SetDXMeshFrameMetrics(DWORD& vertices, DWORD& faces, CDXThread* thread) {
  vertices = faces = 0;
  SetActiveVerticesCount(0);
  SetActiveTrianglesCount(0);
  const bool counted = GuardedCall([&] {
    WalkChildEntries(this, thread, kStopRequested, [&](CChildObject* entry, CXFileDataObject* child) {
      if (entry->IsReference()) return true;
      if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
        auto* mesh = static_cast<CDXMesh*>(child);
        AddDeltaActiveTrianglesCount(static_cast<LONG>(mesh->GetNumFaces(false)));
        AddDeltaActiveVerticesCount(static_cast<LONG>(mesh->GetNumVertices(false)));
      } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
        DWORD childVertices = 0, childFaces = 0;
        if (!static_cast<CFrame*>(child)->SetDXMeshFrameMetrics(childVertices, childFaces, thread))
          throw "\nError: CFrame::SetDXMeshFrameMetrics() failed.";
        AddDeltaActiveVerticesCount(static_cast<LONG>(childVertices));
        AddDeltaActiveTrianglesCount(static_cast<LONG>(childFaces));
        SetOriginalVerticesCount(GetActiveVerticesCount(false));
        SetOriginalTrianglesCount(GetActiveTrianglesCount(false));
      }
      return true;
    });
  });
  vertices = GetActiveVerticesCount(false);
  faces = GetActiveTrianglesCount(false);
  return counted;
}
