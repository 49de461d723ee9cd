// The frame walks over Direct3D meshes that the 3DS exchange uses: the
// vertex and triangle metrics of an imported tree, and the export of a tree
// into a 3DS database.
#include <dx_thread.h>
#include <dxmesh.h>
#include <tds.h>

#include "basemesh.h"
#include "failureguard.h"
#include "frame.h"
#include "frame_walk.h"
#include "xfiletemplates.h"

namespace {

bool IsOriginalChildFrame(CXFileDataObject* object) {
  return object->IsAFrame() && static_cast<CFrame*>(object)->IsOriginalFrame();
}

bool SaveTree(CFrame* frame, tdsDatabase* database, char* parentName, D3DXMATRIX* parentTransform, D3DXVECTOR3* centre,
              CDXThread* thread) {
  return GuardedCall([&] {
    D3DXMATRIX local = frame->GetTransformMatrix(false);
    CString running;
    bool named = false;
    WalkChildEntries(frame, thread, "\nInfo: Requested to end the thread.", [&](CChildObject*, CXFileDataObject* child) {
      if (IsBaseMeshOfType(child, eBaseMeshTypeDXMesh)) {
        CString written;
        if (!static_cast<CDXMesh*>(child)->SaveIn3dsDatabase(database, parentName, parentTransform, &local, centre,
                                                             thread, &written))
          throw "\nError: CDXMesh::SaveIn3dsDatabase() failed";
        running = written;
        named = true;
      } else if (IsOriginalChildFrame(child)) {
        auto* childFrame = static_cast<CFrame*>(child);
        D3DXMATRIX transform = childFrame->GetTransformMatrix(false) * *parentTransform;
        if (!SaveTree(childFrame, database, named ? running.GetBuffer(0) : nullptr, &transform, centre, thread))
          throw "\nError: CFrame::SaveIn3dsDatabase() failed";
      }
      return true;
    });
  });
}

}  // namespace

bool CFrame::SaveIn3dsDatabase(tdsDatabase* database, char* parentName, D3DXMATRIX* parentTransform,
                               D3DXVECTOR3* centre, CDXThread* thread) {
  // The records are made with this library's copy of the toolkit, whose
  // error stack the export reads from here on.
  tdsToolkitLock toolkit;
  tdsClearErrors();
  return SaveTree(this, database, parentName, parentTransform, centre, thread);
}
