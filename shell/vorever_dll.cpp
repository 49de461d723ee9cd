#include "vorever_dll.h"

#include "cmesh_options_form.h"
#include "device_log_view.h"
#include "dx_3d_child_frame.h"
#include "dx_doc.h"
#include "dx_file_trace_view.h"
#include "dx_file_tree_view.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "help_views.h"
#include "lights_form_view.h"
#include "main_frame.h"
#include "pmesh_options_form.h"
#include "reduction_methods_form.h"
#include "resource.h"
#include "threads_views.h"

namespace {

CDXMainFrame* g_pMainFrame = NULL;
CMultiDocTemplate* g_p3DViewTemplate = NULL;
CMultiDocTemplate* g_pTreeViewTemplate = NULL;
CMultiDocTemplate* g_pTraceViewTemplate = NULL;
CMultiDocTemplate* g_pSplitterFrameTemplate = NULL;
CMultiDocTemplate* g_pLightsFormTemplate = NULL;
CMultiDocTemplate* g_pHelpTemplate = NULL;
CMultiDocTemplate* g_pDeviceLogTemplate = NULL;

CMultiDocTemplate* AddTemplate(CWinApp* app, UINT id, CRuntimeClass* doc, CRuntimeClass* frame, CRuntimeClass* view) {
  auto* docTemplate = new CMultiDocTemplate(id, doc, frame, view);
  app->AddDocTemplate(docTemplate);
  return docTemplate;
}

}  // namespace

void InitVoreverDLL() {
  CWinApp* app = AfxGetApp();
  if (app == NULL || g_pMainFrame != NULL) return;
  g_pMainFrame = new CDXMainFrame;
  if (!g_pMainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, NULL, NULL)) return;
  // The tools that the document frame's tool pane shows.
  CDXSplitterFrame::SetToolPaneViewClasses(CDXSplitterFrame::eToolSceneTree, RUNTIME_CLASS(CDXFileTreeView));
  CDXSplitterFrame::SetToolPaneViewClasses(CDXSplitterFrame::eToolLightsForm, RUNTIME_CLASS(CZUVidovsFormView));
  CDXSplitterFrame::SetToolPaneViewClasses(CDXSplitterFrame::eToolTasks, RUNTIME_CLASS(CThreadFormView),
                                           RUNTIME_CLASS(CThreadsListView), RUNTIME_CLASS(CDXFileTraceView));
  CDXSplitterFrame::SetToolPaneViewClasses(CDXSplitterFrame::eToolReduction, RUNTIME_CLASS(CReductionMethodsFormView),
                                           RUNTIME_CLASS(CPMeshOptionsFormView), RUNTIME_CLASS(CCMeshOptionsFormView));
  CRuntimeClass* doc = RUNTIME_CLASS(CDXDoc);
  CRuntimeClass* view = RUNTIME_CLASS(CDXFile3DView);
  CRuntimeClass* child = RUNTIME_CLASS(CDXSplitterFrame);
  g_p3DViewTemplate = AddTemplate(app, IDR_3DVIEW, doc, RUNTIME_CLASS(CDX3DChildFrame), view);
  g_pTreeViewTemplate =
      AddTemplate(app, IDR_TREEVIEW, doc, RUNTIME_CLASS(CDXTreeChildFrame), RUNTIME_CLASS(CDXFileTreeView));
  g_pTraceViewTemplate =
      AddTemplate(app, IDR_TRACEVIEW, doc, RUNTIME_CLASS(CDXTraceChildFrame), RUNTIME_CLASS(CDXFileTraceView));
  g_pSplitterFrameTemplate = AddTemplate(app, IDR_SPLITTERFRAME, doc, child, view);
  g_pLightsFormTemplate = AddTemplate(app, IDR_LIGHTSFORM, doc, RUNTIME_CLASS(CZUVidovsFormChildFrame),
                                      RUNTIME_CLASS(CZUVidovsFormView));
  g_pHelpTemplate = AddTemplate(app, IDR_HELPVIEW, RUNTIME_CLASS(CHelpDocument), RUNTIME_CLASS(CHelpViewChildFrame),
                                RUNTIME_CLASS(CHelpView2));
  g_pDeviceLogTemplate = AddTemplate(app, IDR_DEVICECREATIONLOG, RUNTIME_CLASS(CDeviceDocument),
                                     RUNTIME_CLASS(CDeviceCreationChildFrame), RUNTIME_CLASS(CDeviceCreationLogView));
}

void ExitVoreverDLL() {
  CWinApp* app = AfxGetApp();
  if (app != NULL) app->DeleteDocTemplates();
  if (g_pMainFrame != NULL) {
    if (g_pMainFrame->GetSafeHwnd() != NULL) g_pMainFrame->DestroyWindow();
    delete g_pMainFrame;
  }
  if (app != NULL && app->m_pMainWnd == g_pMainFrame) app->m_pMainWnd = NULL;
  g_pMainFrame = NULL;
  g_p3DViewTemplate = g_pTreeViewTemplate = g_pTraceViewTemplate = g_pSplitterFrameTemplate = NULL;
  g_pLightsFormTemplate = g_pHelpTemplate = g_pDeviceLogTemplate = NULL;
}

CMultiDocTemplate* Get3DViewDocTemplate() { return g_p3DViewTemplate; }
CMultiDocTemplate* GetTreeViewDocTemplate() { return g_pTreeViewTemplate; }
CMultiDocTemplate* GetTraceViewDocTemplate() { return g_pTraceViewTemplate; }
CMultiDocTemplate* GetSplitterFrameDocTemplate() { return g_pSplitterFrameTemplate; }
CMultiDocTemplate* GetDirectionalLightsFormViewDocTemplate() { return g_pLightsFormTemplate; }
CMultiDocTemplate* GetHelpDocTemplate() { return g_pHelpTemplate; }
CMultiDocTemplate* GetDeviceCreationLogTemplate() { return g_pDeviceLogTemplate; }
CDXMainFrame* GetLibraryMainFrame() { return g_pMainFrame; }

int IsDocumentAlreadyLoaded(LPCSTR pathName, CDocument*& document) {
  document = NULL;
  CWinApp* app = AfxGetApp();
  for (POSITION at = app->GetFirstDocTemplatePosition(); at != NULL;) {
    if (app->GetNextDocTemplate(at)->MatchDocType(pathName, document) == CDocTemplate::yesAlreadyOpen) return 1;
  }
  document = NULL;
  return 0;
}
