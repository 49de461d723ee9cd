// Import of a .3ds file: one frame with a Direct3D mesh for each mesh of the
// file, placed in a tree by the keyframer's object nodes.
#include <appfiles.h>
#include <dx_thread.h>
#include <dxmesh.h>
#include <dxwindoweddevice.h>
#include <frame.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scene3ds.h"
#include "scene3ds_support.h"

namespace {

// The frames made for the meshes, by name; a frame stays owned here until
// it is placed below another frame.
class CImportedFrames {
 public:
  CFrame* Add(std::unique_ptr<CFrame> frame) {
    CFrame* added = frame.get();
    m_byName.emplace(added->GetName() ? added->GetName() : "", added);  // the first of a name keeps it
    m_order.push_back(added);
    m_unplaced.emplace(added, std::move(frame));
    return added;
  }
  CFrame* Find(const std::string& name) const {
    const auto found = m_byName.find(name);
    return found == m_byName.end() ? nullptr : found->second;
  }
  bool IsPlaced(CFrame* frame) const { return m_unplaced.find(frame) == m_unplaced.end(); }
  // Below parent as an owned child; false when the parent refused it.
  bool Place(CFrame* frame, CFrame* parent) {
    parent->AddChildRenderFrame(eOwnedChild, frame, false);
    if (frame->GetParentRenderFrame() != parent) return false;
    m_unplaced.find(frame)->second.release();
    m_unplaced.erase(frame);
    return true;
  }
  const std::vector<CFrame*>& InOrder() const { return m_order; }

 private:
  std::map<std::string, CFrame*> m_byName;
  std::vector<CFrame*> m_order;
  std::map<CFrame*, std::unique_ptr<CFrame>> m_unplaced;
};

// Whether frame is ancestor or the frame itself (through the parents placed
// so far).
bool IsAncestorOrSelf(CFrame* frame, CFrame* descendant) {
  for (CFrame* f = descendant; f; f = f->GetParentRenderFrame())
    if (f == frame) return true;
  return false;
}

// The frame of a node's parent: its whole name, or the name before the
// instance name ("name.instance").
CFrame* ParentFrame(const CImportedFrames& frames, const std::string& parent) {
  if (parent.empty()) return nullptr;
  if (CFrame* found = frames.Find(parent)) return found;
  const size_t dot = parent.rfind('.');
  return dot == std::string::npos ? nullptr : frames.Find(parent.substr(0, dot));
}

}  // namespace

bool Import3dsFile(char* fileName, char* folder, CFrame* root, CDXThread* thread) {
  tdsToolkitLock toolkit;
  C3dsFilesCloser closer;
  C3dsDatabase database;
  std::vector<std::unique_ptr<tdsMaterial, void (*)(tdsMaterial*)>> materials;
  std::vector<std::unique_ptr<tdsMesh, void (*)(tdsMesh*)>> meshes;
  std::vector<std::unique_ptr<tdsObjectMotion, void (*)(tdsObjectMotion*)>> motions;
  CImportedFrames frames;
  const auto releaseMaterial = [](tdsMaterial* p) { tdsReleaseMaterial(&p); };
  const auto releaseMesh = [](tdsMesh* p) { tdsReleaseMesh(&p); };
  const auto releaseMotion = [](tdsObjectMotion* p) { tdsReleaseObjectMotion(&p); };

  return Guarded3ds("Import3dsFile", [&] {
    if (!fileName || !root) throw "\nError: No file or no root frame.";
    root->SetFrameType(CFrame::eDXMeshFrame);
    tdsClearErrors();
    tdsFile* file = tdsOpenFile(fileName, "rb");
    Check3ds();
    if (!file) throw "\nError: The file cannot be opened.";
    tdsInitDatabase(&database);
    Check3ds();
    tdsLoadDatabase(file, database.get());
    Check3ds();

    C3dsMaterialMap materialMap;
    materialMap.InitHashTable(100);
    {
      C3dsNameList names;
      tdsGetMaterialNameList(database.get(), &names);
      Check3ds();
      for (const std::string& name : names->names) {
        tdsMaterial* material = nullptr;
        tdsGetMaterialByName(database.get(), name.c_str(), &material);
        if (material) materials.emplace_back(material, releaseMaterial);
        Check3ds();
        materialMap.SetAt(name.c_str(), material);
      }
      names.Reset();
      Check3ds();
    }

    const std::uint32_t meshCount = tdsGetMeshCount(database.get());
    Check3ds();
    for (std::uint32_t i = 0; i < meshCount; ++i) {
      tdsMesh* mesh = nullptr;
      tdsGetMeshByIndex(database.get(), i, &mesh);
      if (mesh) meshes.emplace_back(mesh, releaseMesh);
      Check3ds();
    }

    {
      C3dsNameList names;
      tdsGetObjectNodeNameList(database.get(), &names);
      Check3ds();
      for (const std::string& name : names->names) {
        tdsObjectMotion* motion = nullptr;
        tdsGetObjectMotionByName(database.get(), name.c_str(), &motion);
        if (motion) motions.emplace_back(motion, releaseMotion);
        Check3ds();
      }
      names.Reset();
      Check3ds();
    }

    IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    tdsDatabase* db = database.get();
    for (auto& mesh : meshes) {
      if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Requested to exit the thread.";
      CString name(tdsNameOf(mesh->name).c_str());
      if (name.IsEmpty()) {
        name = "F_";
        SetUniqueName(name);
      }
      auto frame = std::make_unique<CFrame>();
      if (FAILED(frame->Initialize(&identity, name.GetBuffer(0), CFrame::eDXMeshFrame, false)))
        throw "\nError: CFrame::Initialize() failed.";
      CFrame* added = frames.Add(std::move(frame));
      auto dxMesh = std::make_unique<CDXMesh>();
      if (!dxMesh->Initialize(mesh.get(), db, materialMap, device, folder, thread))
        throw "\nCDXMesh::Initialize() failed";
      mesh.reset();
      Check3ds();
      // A mesh without faces leaves its frame without a mesh.
      if (dxMesh->GetMesh()) added->AddChildObject(eOwnedChild, dxMesh.release(), false);
    }
    for (auto& material : materials) {
      material.reset();
      Check3ds();
    }
    materialMap.RemoveAll();

    // A node goes below its parent's frame wherever that frame stands; a
    // node that would hold its own ancestor goes below the root instead.
    for (auto& motion : motions) {
      CFrame* frame = frames.Find(tdsNameOf(motion->name));
      if (frame && !frames.IsPlaced(frame)) {
        CFrame* parent = ParentFrame(frames, tdsNameOf(motion->parent));
        if (!parent || IsAncestorOrSelf(frame, parent) || !frames.Place(frame, parent)) frames.Place(frame, root);
      }
      motion.reset();
    }
    for (CFrame* frame : frames.InOrder())
      if (!frames.IsPlaced(frame) && !frame->GetParentRenderFrame()) frames.Place(frame, root);

    DWORD vertices = 0, faces = 0;
    if (!root->SetDXMeshFrameMetrics(vertices, faces, thread))
      throw "\nError: CFrame::SetDXMeshFrameMetrics() failed.";
    database.Reset();
    Check3ds();
    tdsCloseAllFiles();
    Check3ds();
  });
}
