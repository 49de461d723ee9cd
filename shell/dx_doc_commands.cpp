// The document's commands: the lights form, the frame jobs, export, turbo
// mode and stepping through the objects of the world, with the handlers that
// enable and check their buttons and menu items.
#include <appoptions.h>
#include <cameraframe.h>
#include <frame.h>
#include <tracelog.h>
#include <xfiledatalist.h>

#include "dx_doc.h"
#include "dx_file_dialogs.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"
#include "vorever_dll.h"

namespace {

const char kExportFilter[] = "X Files (.x)|*.x|3D Studio (.3ds)|*.3ds|All Files (*.*)|*.*||";

// The apply button of the reduction methods form.
constexpr UINT kApplyButton = 1179;

}  // namespace

BEGIN_MESSAGE_MAP(CDXDoc, CDocument)
ON_COMMAND(ID_VIEW_LIGHTS_MANAGER, OnViewLightsManager)
ON_UPDATE_COMMAND_UI(ID_VIEW_LIGHTS_MANAGER, OnUpdateViewLightsManager)
ON_COMMAND(ID_CREATE_CONNECTIVITY_FRAME, OnCreateConnectivityMesh)
ON_UPDATE_COMMAND_UI(ID_CREATE_CONNECTIVITY_FRAME, OnUpdateCreateConnectivityMesh)
ON_COMMAND(ID_CREATE_PROGRESSIVE_FRAME, OnCreateProgressiveMesh)
ON_UPDATE_COMMAND_UI(ID_CREATE_PROGRESSIVE_FRAME, OnUpdateCreateConnectivityMesh)
ON_COMMAND(ID_CREATE_RETAINED_MODE_FRAME, OnCreateRetainedModeFrame)
ON_UPDATE_COMMAND_UI(ID_CREATE_RETAINED_MODE_FRAME, OnUpdateFromReducedToRetainedModeMesh)
ON_COMMAND(ID_EXPORT_3DOBJECT, OnExport3dObject)
ON_UPDATE_COMMAND_UI(ID_EXPORT_3DOBJECT, OnUpdateExport3dObject)
ON_COMMAND(ID_TURBO_MODE_SWITCH, OnTurboMode)
ON_UPDATE_COMMAND_UI(ID_TURBO_MODE_SWITCH, OnUpdateTurboMode)
ON_COMMAND(ID_PREVIOUS_WORLD_OBJECT, OnPreviousWorldObject)
ON_UPDATE_COMMAND_UI(ID_PREVIOUS_WORLD_OBJECT, OnUpdatePreviousWorldObject)
ON_COMMAND(ID_NEXT_WORLD_OBJECT, OnNextWorldObject)
ON_UPDATE_COMMAND_UI(ID_NEXT_WORLD_OBJECT, OnUpdateNextWorldObject)
END_MESSAGE_MAP()

// The window of one of the document's views, found by the view's address
// (the views derive from CView alone).
CView* CDXDoc::FindDocumentView(const void* view) {
  if (view == NULL) return NULL;
  for (POSITION at = GetFirstViewPosition(); at != NULL;) {
    CView* each = GetNextView(at);
    if (static_cast<const void*>(each) == view) return each;
  }
  return NULL;
}

void CDXDoc::OnViewLightsManager() {
  if (GetLightsFormView() != NULL) {
    // Only a lights form in a window of its own closes; one in the tool pane
    // of the document's frame stays (closing that frame would close the
    // whole document).
    CView* view = FindDocumentView(GetLightsFormView());
    CFrameWnd* frame = view != NULL ? view->GetParentFrame() : NULL;
    if (frame != NULL && frame != static_cast<CFrameWnd*>(GetSplitterFrame())) {
      frame->DestroyWindow();
      return;
    }
  }
  CMultiDocTemplate* docTemplate = GetDirectionalLightsFormViewDocTemplate();
  if (docTemplate == NULL) return;
  CFrameWnd* frame = docTemplate->CreateNewFrame(this, NULL);
  if (frame != NULL) docTemplate->InitialUpdateFrame(frame, this, TRUE);
}

void CDXDoc::OnUpdateViewLightsManager(CCmdUI* cmdUI) { cmdUI->SetCheck(GetLightsFormView() != NULL); }

void CDXDoc::OnCreateConnectivityMesh() {
  CFrame* frame = GetSelectedFrame();
  if (frame == NULL) return;
  try {
    if (m_Config.dwReductionMethod != 0)
      m_ThreadsManager.CreateConnectivityMeshFrame(this, frame, GetNextCamera());
    else
      m_ThreadsManager.CreateProgressiveMeshFrame(this, frame, GetNextCamera());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXDoc::OnCreateProgressiveMesh() {
  CFrame* frame = GetSelectedFrame();
  if (frame == NULL) return;
  if (GetReductionMethodsFormView() == NULL) {
    // Without the form: half the faces shown, no area or volume check (not
    // saved).
    m_Config.fPMeshPercent = 50.0f;
    m_Config.bAreaCheck = 0;
    m_Config.bVolumeCheck = 0;
  }
  try {
    m_ThreadsManager.CreateProgressiveMeshFrame(this, frame, GetNextCamera());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXDoc::OnCreateRetainedModeFrame() {
  CFrame* frame = GetSelectedFrame();
  if (frame == NULL) return;
  try {
    m_ThreadsManager.CreateRetainedModeMeshFrame(this, frame, GetNextCamera());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXDoc::OnApplyPMeshDisplayOptions(float percentage) {
  CFrame* frame = GetSelectedFrame();
  if (frame == NULL) return;
  try {
    m_ThreadsManager.ApplyPMeshDisplayOptions(this, frame, GetNextCamera(), percentage);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXDoc::OnExport3dObject() {
  CFrame* frame = GetSelectedFrame();
  if (frame == NULL) return;
  CDXSaveFileDialog dialog(FALSE, ".x", NULL, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kExportFilter, NULL);
  if (dialog.DoModal() != IDOK) return;
  const CString name = dialog.GetFileName();
  const CString path = dialog.GetPathName();
  const CString folder = path.Left(path.GetLength() - name.GetLength());
  try {
    if (dialog.GetFileExt().CompareNoCase("3ds") == 0)
      m_ThreadsManager.Export3dsFileObjects(this, dialog.GetFileTitle(), name, path, folder, frame);
    else
      m_ThreadsManager.ExportXFileObjects(this, dialog.GetFileTitle(), name, path, folder, frame);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXDoc::OnTurboMode() { g_appOptions.bTurboMode = g_appOptions.bTurboMode == 0 ? 1 : 0; }

void CDXDoc::OnUpdateTurboMode(CCmdUI* cmdUI) {
  if (!IsActiveDocumentFrame()) return;
  cmdUI->SetCheck(g_appOptions.bTurboMode != 0);
}

void CDXDoc::StepThroughWorld(bool forwards) {
  CXFileDataList* world = GetWorldDataList();
  CFrame* next = forwards ? world->GetNextFrameObject(m_pLastWorkedFrame) : world->GetPrevFrameObject(m_pLastWorkedFrame);
  if (next == NULL) return;
  m_pLastWorkedFrame = next;
  if (CCameraFrame* camera = GetMasterCamera()) {
    camera->SetViewAllFrame(next);
    try {
      camera->ViewAllFrame2(next, true);
    } catch (const char* message) {
      DEBUG_TRACE("%s", message);
    }
  }
  world->SetSelectedFrame(next);
}

void CDXDoc::OnPreviousWorldObject() { StepThroughWorld(false); }
void CDXDoc::OnNextWorldObject() { StepThroughWorld(true); }

void CDXDoc::OnUpdatePreviousWorldObject(CCmdUI* cmdUI) {
  if (IsActiveDocumentFrame()) cmdUI->Enable(GetWorldDataList()->WorldNotEmpty());
}

void CDXDoc::OnUpdateNextWorldObject(CCmdUI* cmdUI) {
  if (IsActiveDocumentFrame()) cmdUI->Enable(GetWorldDataList()->WorldNotEmpty());
}

bool CDXDoc::IsActiveDocumentFrame() {
  CDXMainFrame* mainFrame = GetMainFrame();
  return mainFrame != NULL && GetSplitterFrame() != NULL &&
         mainFrame->MDIGetActive() == static_cast<CMDIChildWnd*>(GetSplitterFrame());
}

// The type of the selected frame, when no job runs and the world's selection
// can be had at once; -1 otherwise.
int CDXDoc::SelectedFrameTypeForCommands() {
  if (m_ThreadsManager.ActiveThread()) return -1;
  CXFileDataList* world = GetWorldDataList();
  bool locked = false;
  int type = -1;
  try {
    locked = world->LockSelectedHitFrame(true);
    if (locked && GetSelectedFrame() != NULL) type = GetSelectedFrame()->GetFrameType();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  if (locked) world->UnlockSelectedHitFrame();
  return type;
}

void CDXDoc::OnUpdateCreateConnectivityMesh(CCmdUI* cmdUI) {
  if (!IsActiveDocumentFrame()) return;
  const int type = SelectedFrameTypeForCommands();
  cmdUI->Enable(type == CFrame::ePlainFrame || type == CFrame::eDXMeshFrame);
  // The apply button of the reduction methods form: for a progressive frame
  // whose level is kept by an area or a volume check.
  if (CView* form = FindDocumentView(GetReductionMethodsFormView())) {
    if (CWnd* apply = form->GetDlgItem(kApplyButton)) {
      apply->EnableWindow(type == CFrame::eDXPMeshFrame && (m_Config.bVolumeCheck != 0 || m_Config.bAreaCheck != 0));
    }
  }
}

void CDXDoc::OnUpdateFromReducedToRetainedModeMesh(CCmdUI* cmdUI) {
  if (!IsActiveDocumentFrame()) return;
  const int type = SelectedFrameTypeForCommands();
  cmdUI->Enable(type == CFrame::eConnectivityMeshFrame || type == CFrame::eDXPMeshFrame);
}

void CDXDoc::OnUpdateExport3dObject(CCmdUI* cmdUI) {
  if (!IsActiveDocumentFrame()) return;
  const int type = SelectedFrameTypeForCommands();
  cmdUI->Enable(type == CFrame::ePlainFrame || type == CFrame::eDXMeshFrame);
}
