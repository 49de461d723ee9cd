#include "main_frame.h"

#include "main_thread_call.h"

#include <dxwindoweddevice.h>
#include <input_manager.h>
#include <job_messages.h>
#include <threads_manager.h>
#include <vorever.h>

#include "document_manager.h"
#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "resource.h"
#include "vorever_dll.h"

IMPLEMENT_DYNCREATE(CDXMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CDXMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_WM_MOVE()
ON_COMMAND(ID_WINDOW_NEW_3DVIEW, OnNewViewWindow)
ON_WM_ACTIVATE()
ON_COMMAND(ID_HELP_ABOUT_VOREVER, OnHelpAboutVorever)
ON_COMMAND(ID_HELP_QUICK_START, OnHelpQuickStart)
ON_UPDATE_COMMAND_UI(ID_HELP_QUICK_START, OnUpdateAlwaysEnabled)
ON_WM_SIZE()
ON_COMMAND(ID_VIEW_REDUCTION_STEPS_TOOLBAR, OnViewReductionStepsToolbar)
ON_UPDATE_COMMAND_UI(ID_VIEW_REDUCTION_STEPS_TOOLBAR, OnUpdateViewReductionStepsToolbar)
ON_COMMAND(ID_VIEW_DEVICE_CREATION_LOG, OnViewDeviceCreationLog)
ON_UPDATE_COMMAND_UI(ID_VIEW_DEVICE_CREATION_LOG, OnUpdateViewDeviceCreationLog)
ON_WM_TIMER()
ON_COMMAND(ID_INSERT_3DOBJECT_FROM_FILE, OnInsert3dObjectFromFile)
ON_UPDATE_COMMAND_UI(ID_INSERT_3DOBJECT_FROM_FILE, OnUpdateInsert3dObjectFromFile)
ON_COMMAND(ID_HELP_TUTORIAL, OnHelpTutorial)
ON_UPDATE_COMMAND_UI(ID_HELP_TUTORIAL, OnUpdateAlwaysEnabled)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
ON_WM_ERASEBKGND()
ON_MESSAGE(WM_JOB_DESTROY_PROGRESS_BAR, OnDestroyProgressBar)
ON_MESSAGE(WM_JOB_CREATE_PROGRESS_BAR, OnCreateProgressBar)
ON_MESSAGE(WM_JOB_DISPLAY_TRACE, OnDisplayTrace)
ON_MESSAGE(WM_JOB_READ_THREAD_INFO, OnReadThreadInfo)
ON_MESSAGE(WM_JOB_TRACE_FILE_CREATED, OnThreadTraceFileCreated)
ON_MESSAGE(WM_JOB_READ_TRACE_FILE, OnReadThreadTraceFile)
ON_MESSAGE(WM_JOB_THREAD_CREATED, OnThreadCreated)
ON_MESSAGE(WM_JOB_STEP_PROGRESS_BAR, OnStepProgressBar)
ON_MESSAGE(WM_JOB_SET_SLIDER, OnSetSlider)
ON_MESSAGE(WM_JOB_RESET_TREE_DISPLAY_NAME, OnResetTreeDisplayName)
ON_MESSAGE(WM_JOB_FILL_ANIMATION_SETS_COMBO, OnFillAnimationSetsCombo)
ON_MESSAGE(WM_JOB_DELETE_TREE_ITEM, OnDeleteTreeItem)
ON_MESSAGE(WM_JOB_SET_SELECTED_FRAME, OnSetSelectedFrame)
ON_MESSAGE(WM_JOB_SET_ANIMATION_TIME, OnSetAnimationTime)
ON_MESSAGE(WM_JOB_SET_MESSAGE_TEXT, OnSetMessageText)
ON_MESSAGE(WM_RUN_ON_MAIN_THREAD, OnRunOnMainThread)
END_MESSAGE_MAP()

namespace {

// The device configurations the main frame accepts: windowed rendering,
// software vertex processing, and source alpha blending.
HRESULT ConfirmDevice(IDirect3D8*, D3DCAPS8* caps, DWORD behavior, D3DFORMAT) {
  if (!(caps->Caps2 & D3DCAPS2_CANRENDERWINDOWED)) return E_FAIL;
  if (behavior & (D3DCREATE_PUREDEVICE | D3DCREATE_HARDWARE_VERTEXPROCESSING)) return E_FAIL;
  if (!(caps->SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) || !(caps->SrcBlendCaps & D3DPBLENDCAPS_INVSRCALPHA)) {
    return E_FAIL;
  }
  return S_OK;
}

void ShowStopBox(LPCSTR caption, UINT textId) {
  CString text;
  text.LoadString(textId);
  MessageBoxA(NULL, text, caption, MB_OK | MB_ICONSTOP);
}

}  // namespace

CDXMainFrame* GetMainFrame() {
  if (CDXMainFrame* frame = GetLibraryMainFrame()) return frame;
  CWinApp* app = AfxGetApp();
  return app != NULL ? DYNAMIC_DOWNCAST(CDXMainFrame, app->m_pMainWnd) : NULL;
}

CDXMainFrame::CDXMainFrame() = default;

CDXMainFrame::~CDXMainFrame() {
  DestroyContent();
  CWinApp* app = AfxGetApp();
  if (app != NULL && app->m_pMainWnd == this) app->m_pMainWnd = NULL;
}

void CDXMainFrame::DestroyContent() {
  KillTimer(1);
  DestroyPolygonReductionToolbar();
  DestroyAllSurfaces();
}

BOOL CDXMainFrame::Create() {
  m_bMessagesOnly = true;
  if (!CWnd::CreateEx(0, NULL, "vorever", 0, 0, 0, 0, 0, NULL, NULL)) return FALSE;
  AfxGetApp()->m_pMainWnd = this;
  return TRUE;
}

int CDXMainFrame::OnCreate(LPCREATESTRUCT create) {
  if (m_bMessagesOnly) return 0;
  if (CMDIFrameWnd::OnCreate(create) == -1) return -1;
  static const UINT indicators[] = {ID_SEPARATOR};
  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(indicators, 1)) {
    return -1;
  }
  if (!CreatePMeshPolygonReductionToolbar()) return -1;
  m_hRenderWindow = m_hWnd;
  try {
    m_ViewListLock.Initialize();
  } catch (const char*) {
  }
  CVorever* app = DYNAMIC_DOWNCAST(CVorever, AfxGetApp());
  m_pDocumentManager = app != NULL ? app->GetDocumentManager() : NULL;
  m_bInitialized = true;
  CreateWindowedDevice();
  InitDeviceObjects();
  CreateInputDevices();
  return 0;
}

BOOL CDXMainFrame::DestroyWindow() { return CMDIFrameWnd::DestroyWindow(); }

bool CDXMainFrame::CreateWindowedDevice() {
  DestroyAllSurfaces();
  if (g_pWindowedDevice == NULL || FAILED(g_pWindowedDevice->Create(m_hRenderWindow, ConfirmDevice))) {
    ShowStopBox("Creation of a Direct3D device", IDS_DEVICE_CREATION_FAILED);
    return false;
  }
  if (g_pWindowedDevice->IsNullReferenceDevice()) {
    ShowStopBox("Creation of a Direct3D device", IDS_NULL_REFERENCE_DEVICE);
    return false;
  }
  return true;
}

bool CDXMainFrame::InitDeviceObjects() {
  if (g_pWindowedDevice == NULL || !g_pWindowedDevice->IsReady()) return false;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  return true;
}

bool CDXMainFrame::CreateInputDevices() {
  if (g_pInputManager->CreateInputDevices(m_hWnd)) return true;
  ShowStopBox("Creation of a DirectInput devices", IDS_INPUT_DEVICES_FAILED);
  return false;
}

bool CDXMainFrame::CreateReductionToolbar(UINT resourceId) {
  DestroyPolygonReductionToolbar();
  m_pReductionToolbar = new CToolBar;
  if (!m_pReductionToolbar->CreateEx(this, TBSTYLE_FLAT, 0x50402834u, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !m_pReductionToolbar->LoadToolBar(resourceId)) {
    return false;
  }
  m_pReductionToolbar->EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(m_pReductionToolbar);
  m_pReductionToolbar->SetWindowText("Reduction steps tool bar");
  m_bPMeshToolbar = resourceId == IDR_PMESH_STEPS;
  return true;
}

bool CDXMainFrame::CreatePMeshPolygonReductionToolbar() { return CreateReductionToolbar(IDR_PMESH_STEPS); }
bool CDXMainFrame::CreateCMeshPolygonReductionToolbar() { return CreateReductionToolbar(IDR_CMESH_STEPS); }

bool CDXMainFrame::DestroyPolygonReductionToolbar() {
  if (m_pReductionToolbar == NULL) return true;
  bool destroyed = m_pReductionToolbar->GetSafeHwnd() == NULL || m_pReductionToolbar->DestroyWindow();
  delete m_pReductionToolbar;
  m_pReductionToolbar = NULL;
  return destroyed;
}

void CDXMainFrame::OnViewReductionStepsToolbar() {
  if (m_pReductionToolbar != NULL) ShowControlBar(m_pReductionToolbar, !m_pReductionToolbar->IsVisible(), FALSE);
}

void CDXMainFrame::OnUpdateViewReductionStepsToolbar(CCmdUI* cmdUI) {
  cmdUI->SetCheck(m_pReductionToolbar != NULL && m_pReductionToolbar->IsVisible());
}

// The device-creation log window comes with its own view.
void CDXMainFrame::OnViewDeviceCreationLog() {}
void CDXMainFrame::OnUpdateViewDeviceCreationLog(CCmdUI* cmdUI) { cmdUI->SetCheck(0); }

void CDXMainFrame::OnUpdateInsert3dObjectFromFile(CCmdUI* cmdUI) {
  cmdUI->Enable(g_pWindowedDevice != NULL && g_pWindowedDevice->IsReady());
}

void CDXMainFrame::OnAppExit() { PostMessage(WM_CLOSE); }

bool CDXMainFrame::CreateDocument() {
  CMultiDocTemplate* docTemplate = GetSplitterFrameDocTemplate();
  if (docTemplate == NULL) return false;
  CDocument* document = docTemplate->OpenDocumentFile(NULL, TRUE);
  return document != NULL;
}

void CDXMainFrame::OnNewViewWindow() {
  CMDIChildWnd* child = MDIGetActive();
  CDocument* document = child != NULL ? child->GetActiveDocument() : NULL;
  CMultiDocTemplate* docTemplate = Get3DViewDocTemplate();
  if (child == NULL || document == NULL || docTemplate == NULL) {
    AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
    return;
  }
  CFrameWnd* frame = docTemplate->CreateNewFrame(document, child);
  if (frame != NULL) docTemplate->InitialUpdateFrame(frame, document, TRUE);
}

// The help pages and the about box come with their own windows.
void CDXMainFrame::OnHelpAboutVorever() {}
void CDXMainFrame::OnHelpQuickStart() {}
void CDXMainFrame::OnHelpTutorial() {}

void CDXMainFrame::OnActivate(UINT state, CWnd* other, BOOL minimized) {
  CMDIFrameWnd::OnActivate(state, other, minimized);
  m_bActivated = state != WA_INACTIVE;
}

void CDXMainFrame::OnMove(int, int) { MoveAllSurfaces(); }

void CDXMainFrame::RecalcLayout(BOOL notify) {
  CMDIFrameWnd::RecalcLayout(notify);
  MoveAllSurfaces();
}

void CDXMainFrame::OnSize(UINT type, int cx, int cy) { CMDIFrameWnd::OnSize(type, cx, cy); }

void CDXMainFrame::OnTimer(UINT_PTR) {}

CDXFile3DView* CDXMainFrame::GetActive3DView() {
  CMDIChildWnd* child = MDIGetActive();
  CView* view = child != NULL ? child->GetActiveView() : NULL;
  return DYNAMIC_DOWNCAST(CDXFile3DView, view);
}

CDXDoc* CDXMainFrame::GetActiveDXDocument() {
  CDXFile3DView* view = GetActive3DView();
  CDocument* document = view != NULL ? view->GetDocument() : NULL;
  return DYNAMIC_DOWNCAST(CDXDoc, document);
}

bool CDXMainFrame::EnumerateDXviews(bool (*callback)(CDXFile3DView* view, void* param), void* param) {
  CWinApp* app = AfxGetApp();
  for (POSITION t = app->GetFirstDocTemplatePosition(); t != NULL;) {
    CDocTemplate* docTemplate = app->GetNextDocTemplate(t);
    for (POSITION d = docTemplate->GetFirstDocPosition(); d != NULL;) {
      CDocument* document = docTemplate->GetNextDoc(d);
      for (POSITION v = document->GetFirstViewPosition(); v != NULL;) {
        CView* each = document->GetNextView(v);
        if (auto* view = DYNAMIC_DOWNCAST(CDXFile3DView, each)) callback(view, param);
      }
    }
  }
  return true;
}

void CDXMainFrame::CreateAllSurfaces() {
  EnumerateDXviews([](CDXFile3DView* view, void*) { return view->Resize(); }, NULL);
}

void CDXMainFrame::DestroyAllSurfaces() {
  EnumerateDXviews([](CDXFile3DView*, void*) { return true; }, NULL);
}

void CDXMainFrame::MoveAllSurfaces() {}

void CDXMainFrame::AnimateWorlds(bool bTryLock) {
  if (m_pDocumentManager == NULL) return;
  bool held = false;
  try {
    held = m_pDocumentManager->LockDocList(bTryLock);
    if (held) m_pDocumentManager->UnlockDocList();
  } catch (char*) {
    throw;
  }
}

void CDXMainFrame::RenderAllSurfaces(bool bTryLock) {
  if (m_pDocumentManager == NULL) return;
  bool held = m_pDocumentManager->LockDocList(bTryLock);
  try {
    CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
    for (POSITION at = list->GetHeadPosition(); at != NULL;) {
      CDXDoc* document = list->GetNext(at);
      if (document->GetThreadsManager()->ActiveThread()) continue;
      for (POSITION v = document->GetFirstViewPosition(); v != NULL;) {
        CView* each = document->GetNextView(v);
        if (auto* view = DYNAMIC_DOWNCAST(CDXFile3DView, each)) view->Render(bTryLock);
      }
    }
  } catch (CException* exception) {
    exception->Delete();
  }
  if (held) m_pDocumentManager->UnlockDocList();
}

void CDXMainFrame::UpdateAll3DViews(bool) {}

bool CDXMainFrame::ActiveThread(bool bTryLock) {
  if (m_pDocumentManager == NULL) return false;
  bool held = m_pDocumentManager->LockDocList(bTryLock);
  bool active = false;
  CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
  for (POSITION at = list->GetHeadPosition(); at != NULL && !active;) {
    active = list->GetNext(at)->GetThreadsManager()->ActiveThread();
  }
  if (held) m_pDocumentManager->UnlockDocList();
  return active;
}

// The progress bar and the documents' answers to the job messages come with
// the document's views.
LRESULT CDXMainFrame::OnDestroyProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnCreateProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnDisplayTrace(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnReadThreadInfo(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnThreadTraceFileCreated(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnReadThreadTraceFile(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnThreadCreated(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnStepProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetSlider(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnResetTreeDisplayName(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnFillAnimationSetsCombo(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnDeleteTreeItem(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetSelectedFrame(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetAnimationTime(WPARAM, LPARAM) { return 0; }

LRESULT CDXMainFrame::OnSetMessageText(WPARAM wParam, LPARAM) {
  SetMessageText(static_cast<UINT>(wParam));
  return 0;
}
