// The frame walks over Direct3D meshes that the 3DS exchange uses: the
// vertex and triangle metrics of an imported tree, and the export of a tree
// into a 3DS database.
#include <dx_thread.h>
#include <dxmesh.h>
#include <tds.h>

#include "basemesh.h"
#include "failureguard.h"
#include "frame.h"
#include "xfiletemplates.h"

namespace {

bool IsOriginalChildFrame(CXFileDataObject* object) {
  return object->IsAFrame() && static_cast<CFrame*>(object)->IsOriginalFrame();
}

// The live entries of frame in list order, owned and referenced, with the
// job's pause and stop point before each: false when the job stops.
template <class Visit>
bool ForEachEntry(CFrame* frame, CDXThread* thread, Visit&& visit) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (child && !child->IsDeleted()) visit(entry, child);
  }
  return true;
}

bool SaveTree(CFrame* frame, tdsDatabase* database, char* parentName, D3DXMATRIX* parentTransform, D3DXVECTOR3* centre,
              CDXThread* thread) {
  return GuardedCall([&] {
    D3DXMATRIX local = frame->GetTransformMatrix(false);
    CString running;
    bool named = false;
    const bool walked = ForEachEntry(frame, thread, [&](CChildObject*, CXFileDataObject* child) {
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
    });
    if (!walked) throw "\nInfo: Requested to end the thread.";
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
