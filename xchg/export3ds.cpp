// Export of a frame tree as a .3ds mesh file, and the copy of a .3ds file.
#include <dx_thread.h>
#include <dxmesh.h>
#include <frame.h>
#include <xfiletemplates.h>

#include "scene3ds.h"
#include "scene3ds_support.h"

namespace {

// A .3ds mesh holds at most 65,535 vertices and faces: a mesh past that is
// refused by name before anything is written.
void CheckMeshSizes(CFrame* frame) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child || child->IsDeleted()) continue;
    if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
      auto* mesh = static_cast<CDXMesh*>(child);
      const DWORD vertices = mesh->GetNumVertices(false), faces = mesh->GetNumFaces(false);
      if (vertices > k3dsMaxCount || faces > k3dsMaxCount) {
        static thread_local CString reason;
        reason.Format("\nError: The mesh \"%s\" has %u vertices and %u faces; a .3ds mesh holds at most 65535 of each.",
                      mesh->GetName() ? mesh->GetName() : "", vertices, faces);
        throw static_cast<const char*>(reason);
      }
    } else if (child->IsAFrame() && static_cast<CFrame*>(child)->IsOriginalFrame()) {
      CheckMeshSizes(static_cast<CFrame*>(child));
    }
  }
}

}  // namespace

bool SaveFrameIn3dsFile(CFrame* frame, char* fileName, CDXThread* thread) {
  tdsToolkitLock toolkit;
  C3dsFilesCloser closer;
  C3dsDatabase database;
  return Guarded3ds("SaveFrameIn3dsFile", [&] {
    if (!frame || !fileName) throw "\nError: No frame or no file.";
    CheckMeshSizes(frame);
    C3dsReplacedFile target(fileName);
    tdsClearErrors();
    tdsFile* file = tdsOpenFile(target.Path(), "w");
    Check3ds();
    if (!file) throw "\nError: The file cannot be opened.";
    tdsInitDatabase(&database);
    Check3ds();
    tdsCreateDatabase(database.get(), TDS_MESH_FILE);
    Check3ds();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    if (!frame->SaveIn3dsDatabase(database.get(), nullptr, &identity, frame->GetCenterFS(), thread))
      throw "\nCFrame::SaveIn3dsDatabase() failed";
    tdsWriteDatabase(file, database.get());
    Check3ds();
    tdsCloseAllFiles();
    Check3ds();
    target.Commit();
    database.Reset();
    Check3ds();
  });
}

bool Duplicate3dsFile(char* source, char* destination) {
  tdsToolkitLock toolkit;
  C3dsFilesCloser closer;
  C3dsDatabase from, to;
  return Guarded3ds("Duplicate3dsFile", [&] {
    if (!source || !destination) throw "\nError: No source or no destination.";
    tdsClearErrors();
    tdsFile* in = tdsOpenFile(source, "rb");
    Check3ds();
    C3dsReplacedFile target(destination);
    tdsFile* out = tdsOpenFile(target.Path(), "w");
    Check3ds();
    if (!in || !out) throw "\nError: The files cannot be opened.";
    tdsInitDatabase(&from);
    Check3ds();
    tdsInitDatabase(&to);
    Check3ds();
    tdsLoadDatabase(in, from.get());
    Check3ds();
    tdsCreateDatabase(to.get(), TDS_MESH_FILE);
    Check3ds();

    C3dsNameList meshes;
    tdsGetMeshNameList(from.get(), &meshes);
    Check3ds();
    for (const std::string& name : meshes->names) {
      C3dsMesh mesh;
      tdsGetMeshByName(from.get(), name.c_str(), &mesh);
      Check3ds();
      tdsPutMesh(to.get(), mesh.get());
      Check3ds();
      mesh.Reset();
      Check3ds();
    }
    meshes.Reset();
    Check3ds();

    C3dsNameList materials;
    tdsGetMaterialNameList(from.get(), &materials);
    Check3ds();
    for (const std::string& name : materials->names) {
      C3dsMaterial material;
      tdsGetMaterialByName(from.get(), name.c_str(), &material);
      Check3ds();
      tdsPutMaterial(to.get(), material.get());
      Check3ds();
      material.Reset();
      Check3ds();
    }
    materials.Reset();
    Check3ds();

    tdsCopyKeyframerHeader(to.get(), from.get());
    Check3ds();
    const std::uint32_t nodes = tdsGetObjectNodeCount(from.get());
    Check3ds();
    for (std::uint32_t i = 0; i < nodes; ++i) {
      C3dsMotion motion;
      tdsGetObjectMotionByIndex(from.get(), i, &motion);
      Check3ds();
      tdsPutObjectMotion(to.get(), motion.get());
      Check3ds();
      motion.Reset();
      Check3ds();
    }

    tdsWriteDatabase(out, to.get());
    Check3ds();
    from.Reset();
    Check3ds();
    tdsCloseAllFiles();
    Check3ds();
    target.Commit();
    to.Reset();
    Check3ds();
  });
}
