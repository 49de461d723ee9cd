// The batch document's reduction: each X-file mesh of the scene becomes a
// connectivity mesh, all of them are reduced on the job towards one target,
// and each is written back as a new X-file mesh in the place of its source.
#include <dx_thread.h>
#include <job_threads.h>
#include <rmxfguid.h>
#include <xskinexp.h>

#include <memory>
#include <vector>

#include "batchmode.h"
#include "frame.h"
#include "geo_mesh.h"
#include "mesh.h"
#include "meshparts.h"
#include "qorcommon.h"

namespace {

struct SMeshPlace {
  CXFileDataObject* parent;
  CMesh* mesh;
};

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
    } else if (child->IsATemplateGUID(&TID_D3DRMMesh) &&
               !child->GetChildXfileDataObject(&DXFILEOBJ_SkinWeights, false, true)) {
      places.push_back({object, static_cast<CMesh*>(child)});
    }
  }
}

char* NameOf(CXFileDataObject* object) { return object ? object->GetName() : nullptr; }

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
  return reduction;
}

bool CBatchDocument::ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) {
  m_failureText.Empty();
  auto* job = dynamic_cast<CFrameReductionThread*>(thread);
  if (!frame || !job) {
    m_failureText = "the reduction needs a frame and its job";
    return false;
  }
  std::vector<SMeshPlace> places;
  CollectMeshes(frame, places);

  // The builds count the connectivity meshes' elements on the job; their
  // triangles are the job's starting count.
  job->SetThreadOutputVerticesCount(0);
  job->SetThreadOutputTrianglesCount(0, 0.0f);
  job->SetThreadOutputHalfEdgesCount(0);
  job->SetThreadOutputEdgesCount(0, 0.0f);
  std::vector<std::unique_ptr<CGeoMesh>> geoMeshes;
  for (const SMeshPlace& place : places) {
    auto geo = std::make_unique<CGeoMesh>();
    if (!place.mesh->InitializeClone(geo.get(), frame, options, thread)) {
      m_failureText.Format("the mesh %s cannot be made a connectivity mesh", NameOf(place.mesh));
      return false;
    }
    CMeshTextureCoords* coords = place.mesh->GetMeshTextureCoords();
    geo->SetSourcePartNames(NameOf(place.mesh->GetMeshMaterialList()), NameOf(place.mesh->GetMeshNormals()),
                            coords ? NameOf(coords) : nullptr);
    geoMeshes.push_back(std::move(geo));
  }
  job->SetInputTrianglesCount(job->GetCurrentThreadOutputTrianglesCount());

  for (auto& geo : geoMeshes) {
    if (!geo->ReduceTrianglesCount(options, thread)) {
      m_failureText = "the reduction was stopped or failed";
      return false;
    }
  }

  CDataObjectMap replaced;
  for (size_t i = 0; i < places.size(); ++i) {
    auto mesh = std::make_unique<CMesh>();
    if (!geoMeshes[i]->InitializeMesh(mesh.get(), frame, nullptr, options, nullptr)) {
      m_failureText.Format("the reduced mesh %s cannot be written back", NameOf(places[i].mesh));
      return false;
    }
    replaced.SetAt(places[i].mesh, mesh.get());
    places[i].parent->AddChildObject(eOwnedChild, mesh.release(), false);
    places[i].parent->DeleteDirectChildObject(places[i].mesh, false);
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
