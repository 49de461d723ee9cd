// The host's commands on the active document: the reduction of the selected
// connectivity frame and the do-it-all job of progressive meshes.
#include <dx_doc.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <main_frame.h>
#include <resource.h>
#include <threads_manager.h>
#include <tracelog.h>

#include "vorever.h"

BEGIN_MESSAGE_MAP(CVorever, CWinApp)
ON_COMMAND(ID_REDUCE_TRIANGLES, OnReduceTrianglesCount)
ON_UPDATE_COMMAND_UI(ID_REDUCE_TRIANGLES, OnUpdateReduceTrianglesCount)
ON_COMMAND(ID_REDUCE_TRIANGLES_MENU, OnReduceTrianglesCount)
ON_UPDATE_COMMAND_UI(ID_REDUCE_TRIANGLES_MENU, OnUpdateReduceTrianglesCount)
ON_COMMAND(ID_DO_IT_ALL_PMESH, OnDoItAllPMesh)
ON_UPDATE_COMMAND_UI(ID_DO_IT_ALL_PMESH, OnUpdateDoItAllPMesh)
END_MESSAGE_MAP()

namespace {

CDXDoc* ActiveDocument() {
  CDXMainFrame* frame = GetMainFrame();
  return frame != nullptr ? frame->GetActiveDXDocument() : nullptr;
}

}  // namespace

void CVorever::OnReduceTrianglesCount() {
  CDXDoc* document = ActiveDocument();
  CFrame* frame = document != nullptr ? document->GetSelectedFrame() : nullptr;
  if (frame == nullptr) return;
  try {
    document->GetThreadsManager()->ReduceTrianglesCount(document, frame);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CVorever::OnUpdateReduceTrianglesCount(CCmdUI* cmdUI) {
  CDXDoc* document = ActiveDocument();
  CFrame* frame = document != nullptr ? document->GetSelectedFrame() : nullptr;
  cmdUI->Enable(frame != nullptr && frame->GetFrameType() == CFrame::eConnectivityMeshFrame &&
                !document->GetThreadsManager()->ActiveThread());
}

void CVorever::OnDoItAllPMesh() {
  CDXDoc* document = ActiveDocument();
  if (document == nullptr) return;
  try {
    document->GetThreadsManager()->DoItAllPMesh(document, document->GetMasterCamera());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CVorever::OnUpdateDoItAllPMesh(CCmdUI* cmdUI) {
  CDXDoc* document = ActiveDocument();
  cmdUI->Enable(document != nullptr && g_pWindowedDevice != nullptr && g_pWindowedDevice->IsReady() &&
                !document->GetThreadsManager()->ActiveThread());
}
