// The batch document's reduction: the scene's frame tree is copied with every
// X-file or Direct3D mesh made a connectivity mesh, the copy is reduced on the
// job towards one target for all, copied back into meshes of the scene's
// kind, and each reduced mesh takes the place of its source.
#include <dx_thread.h>
#include <job_threads.h>
#include <rmxfguid.h>
#include <xskinexp.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "basemesh.h"
#include "batchmode.h"
#include "dxwindoweddevice.h"
#include "frame.h"
#include "geo_mesh.h"
#include "mesh.h"
#include "qorcommon.h"
#include "xfiletemplates.h"

namespace {

struct SMeshPlace {
  CXFileDataObject* parent;
  CXFileDataObject* mesh;
};

// An X-file mesh or a Direct3D mesh.
bool IsSceneMesh(CXFileDataObject* object) {
  return object->IsATemplateGUID(&TID_D3DRMMesh) || IsBaseMeshOfType(object, eBaseMeshTypeDXMesh);
}

bool IsSkinned(CXFileDataObject* mesh) {
  return mesh->GetChildXfileDataObject(&DXFILEOBJ_SkinWeights, false, true) != nullptr;
}

// The meshes that frames below object own, each once. A skinned mesh is
// left as it is: its skin weights name vertices that the reduction removes.
void CollectMeshes(CXFileDataObject* object, std::vector<SMeshPlace>& places) {
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (!child || child->IsDeleted() || entry->GetChildObjectType() != eOwnedChild) continue;
    if (child->IsAFrame()) {
      CollectMeshes(child, places);
    } else if (IsSceneMesh(child) && !IsSkinned(child)) {
      places.push_back({object, child});
    }
  }
}

// The connectivity copies of the conversion, or of its skinned meshes only.
std::vector<CGeoMesh*> ConnectivityCopies(CDataObjectMap& toGeo, bool skinnedOnly) {
  std::vector<CGeoMesh*> copies;
  for (POSITION pos = toGeo.GetStartPosition(); pos;) {
    CXFileDataObject *source = nullptr, *copy = nullptr;
    toGeo.GetNextAssoc(pos, source, copy);
    if (!IsBaseMeshOfType(copy, eBaseMeshTypeGeoMesh)) continue;
    if (skinnedOnly && !(IsSceneMesh(source) && IsSkinned(source))) continue;
    copies.push_back(static_cast<CGeoMesh*>(copy));
  }
  return copies;
}

bool CountTriangles(CGeoMesh* geo, DWORD& triangles, CDXThread* thread) {
  triangles = 0;
  for (DWORD i = 0; i < geo->GetMaterialsCount(); ++i) {
    DWORD count = 0;
    if (!geo->GetGeoMeshTriangles(i)->GetTrianglesCount(count, thread)) return false;
    triangles += count;
  }
  return true;
}

}  // namespace

REDUCTIONOPTIONS BatchReductionOptions(const SBatchOptions& options) {
  CONFIGFILE settings;
  if (!ReadConfigFile(settings)) SetDefaultConfigData(settings);
  REDUCTIONOPTIONS reduction{};
  reduction.reductionPercent = options.reducePercent;
  reduction.allowMidpoint = options.midpoint >= 0 ? options.midpoint : settings.bAllowMidpoint;
  reduction.maxNormalAngle = options.maxNormalAngle >= 0 ? options.maxNormalAngle : settings.fMaxNormalAngle;
  reduction.maxAreaChangePercent =
      options.maxAreaChangePercent >= 0 ? options.maxAreaChangePercent : settings.fMaxAreaChangePercent;
  reduction.faceAreaFactor = options.faceAreaFactor >= 0 ? options.faceAreaFactor : settings.fFaceAreaFactor;
  reduction.connectivityNeverShown = 1;  // the batch never shows its connectivity meshes
  return reduction;
}

bool CBatchDocument::ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) {
  m_failureText.Empty();
  auto* job = dynamic_cast<CFrameReductionThread*>(thread);
  if (!frame || !job) {
    m_failureText = "the reduction needs a frame and its job";
    return false;
  }

  // The builds count the connectivity meshes' elements on the job; their
  // triangles are the job's starting count.
  m_reductionStage.store(kBuildingStage, std::memory_order_release);
  job->SetThreadOutputVerticesCount(0);
  job->SetThreadOutputTrianglesCount(0, 0.0f);
  job->SetThreadOutputHalfEdgesCount(0);
  job->SetThreadOutputEdgesCount(0, 0.0f);
  // The X-file meshes reduced here are replaced by their reduced copies:
  // their builds free them.
  std::vector<SMeshPlace> places;
  CollectMeshes(frame, places);
  std::vector<CXFileDataObject*> released;
  for (const SMeshPlace& place : places) {
    if (!place.mesh->IsATemplateGUID(&TID_D3DRMMesh)) continue;
    static_cast<CMesh*>(place.mesh)->SetReplacedByReducedCopy(true);
    released.push_back(place.mesh);
  }
  auto geoFrame = std::make_unique<CFrame>();
  CDataObjectMap toGeo;
  if (!geoFrame->InitializeShell(frame) ||
      !geoFrame->InitializeConnectivityMeshFrame(frame, nullptr, toGeo, options, thread)) {
    m_failureText = "the scene cannot be made connectivity meshes";
    return false;
  }
  // A marked mesh whose connectivity copy has vertices freed its faces and
  // vertices in the build: it must be replaced by the copy written back, or
  // the reduction fails. One whose copy has none is kept as it is.
  std::erase_if(released, [&toGeo](CXFileDataObject* mesh) {
    CXFileDataObject* geo = nullptr;
    return !toGeo.Lookup(mesh, geo) || !IsBaseMeshOfType(geo, eBaseMeshTypeGeoMesh) ||
           !static_cast<CGeoMesh*>(geo)->GetOriginalCurrentVerticesCount();
  });
  // The counters fall from here on. The store publishes the build's counts
  // with the new stage; the fence orders the stage before every later
  // counter change, for the readers of GetReductionStage.
  m_reductionStage.store(kReducingStage, std::memory_order_release);
  std::atomic_thread_fence(std::memory_order_release);
  for (CGeoMesh* skinned : ConnectivityCopies(toGeo, true)) {
    DWORD triangles = 0;
    if (!CountTriangles(skinned, triangles, thread)) {
      m_failureText = "the reduction was stopped or failed";
      return false;
    }
    job->DecreaseThreadOutputTrianglesCount(triangles, 0.0f);
    skinned->DeleteContent(false);
  }
  job->SetInputTrianglesCount(job->GetCurrentThreadOutputTrianglesCount());

  if (!geoFrame->ReduceTrianglesCount(options, thread)) {
    m_failureText = "the reduction was stopped or failed";
    return false;
  }

  // The connectivity meshes are dropped once written back: their edges go
  // before the written meshes take room.
  for (CGeoMesh* geo : ConnectivityCopies(toGeo, false)) geo->ReleaseEdges();
  // Written back without the job, whose counters keep the reduced count,
  // into meshes of the kind that the scene was loaded with.
  auto reduced = std::make_unique<CFrame>();
  CDataObjectMap toMesh;
  bool written = reduced->InitializeShell(geoFrame.get());
  if (written && frame->GetFrameType() == CFrame::eDXMeshFrame) {
    DWORD vertices = 0, faces = 0;
    IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
    written = reduced->InitializeDXMeshFrame(geoFrame.get(), toMesh, vertices, faces, device, options, nullptr);
  } else if (written) {
    written = reduced->InitializeRetainedModeMeshFrame(geoFrame.get(), nullptr, toMesh, nullptr, options, nullptr);
  }
  if (!written) {
    m_failureText = "the reduced meshes cannot be written back";
    return false;
  }

  // Each reduced mesh takes the place of its source.
  toMesh.SetAt(geoFrame.get(), reduced.get());
  CDataObjectMap replaced;
  for (const SMeshPlace& place : places) {
    CXFileDataObject *geo = nullptr, *mesh = nullptr, *owner = nullptr;
    if (!toGeo.Lookup(place.mesh, geo) || !toMesh.Lookup(geo, mesh) ||
        !toMesh.Lookup(static_cast<CGeoMesh*>(geo)->GetParentFrame(), owner) ||
        !owner->DetachChild(nullptr, mesh, false)) {
      if (std::find(released.begin(), released.end(), place.mesh) == released.end()) continue;
      m_failureText = "the reduced meshes cannot be written back";
      return false;
    }
    replaced.SetAt(place.mesh, mesh);
    place.parent->AddChildObject(eOwnedChild, mesh, false);
    place.parent->DeleteDirectChildObject(place.mesh, false);
  }
  frame->SubstituteReferences(replaced, thread);
  try {
    frame->ComputeBoundingObjectsHierarchy(false, false, false);
  } catch (const char* message) {
    m_failureText = message + 1;
    return false;
  }
  return true;
}
