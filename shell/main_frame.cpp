#include "main_frame.h"

#include <afxcmn.h>
#include <appfiles.h>
#include <appoptions.h>
#include <cameraframe.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>
#include <input_manager.h>
#include <job_messages.h>
#include <threads_manager.h>
#include <vorever.h>

#include "about_box.h"
#include "device_log_view.h"
#include "document_manager.h"
#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "help_views.h"
#include "main_thread_call.h"
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

// The progress bar is a strip this many pixels high.
constexpr int kProgressBarHeight = 10;

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
  DestroyProgressBar();
  DestroyPolygonReductionToolbar();
  DestroyAllSurfaces();
  for (auto& entry : m_BarTable) delete entry.second;
  m_BarTable.clear();
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

void CDXMainFrame::ViewDeviceCreationLog() {
  if (m_pDeviceCreationLogView != NULL) {
    if (CFrameWnd* frame = m_pDeviceCreationLogView->GetParentFrame()) frame->DestroyWindow();
    return;
  }
  if (CMultiDocTemplate* docTemplate = GetDeviceCreationLogTemplate()) docTemplate->OpenDocumentFile(NULL, TRUE);
}

void CDXMainFrame::OnViewDeviceCreationLog() { ViewDeviceCreationLog(); }
void CDXMainFrame::OnUpdateViewDeviceCreationLog(CCmdUI* cmdUI) { cmdUI->SetCheck(m_pDeviceCreationLogView != NULL); }

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

void CDXMainFrame::OnHelpAboutVorever() {
  CAboutDlg about;
  about.DoModal();
}

void CDXMainFrame::OpenHelpPage(LPCSTR title, LPCSTR page) {
  CMultiDocTemplate* docTemplate = GetHelpDocTemplate();
  CDocument* opened = docTemplate != NULL ? docTemplate->OpenDocumentFile(NULL, TRUE) : NULL;
  auto* document = DYNAMIC_DOWNCAST(CHelpDocument, opened);
  if (document == NULL) return;
  document->SetTitle(title);
  try {
    document->Navigate(GetHtmlPathName(page));
  } catch (const char*) {
    // Without the html folder the window stays empty.
  }
}

void CDXMainFrame::OnHelpQuickStart() { OpenHelpPage("Quick start help", "QuickStart.htm"); }
void CDXMainFrame::OnHelpTutorial() { OpenHelpPage("Polygon reduction tutorial", "Tutorial.htm"); }

void CDXMainFrame::OnActivate(UINT state, CWnd* other, BOOL minimized) {
  CMDIFrameWnd::OnActivate(state, other, minimized);
  m_bActivated = state != WA_INACTIVE;
}

void CDXMainFrame::OnMove(int, int) { MoveAllSurfaces(); }

void CDXMainFrame::RecalcLayout(BOOL notify) {
  CMDIFrameWnd::RecalcLayout(notify);
  MoveAllSurfaces();
}

void CDXMainFrame::OnSize(UINT type, int cx, int cy) {
  CMDIFrameWnd::OnSize(type, cx, cy);
  if (m_pProgressDialogBar != NULL) ResizeProgressBar();
}

CDXFile3DView* CDXMainFrame::GetActive3DView() {
  if (m_pActiveSplitterFrame == NULL) return NULL;
  return DYNAMIC_DOWNCAST(CDXFile3DView, m_pActiveSplitterFrame->GetActiveView());
}

CDXDoc* CDXMainFrame::GetActiveDXDocument() {
  CDXFile3DView* view = GetActive3DView();
  return view != NULL ? view->GetDocument() : NULL;
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
  EnumerateDXviews(
      [](CDXFile3DView* view, void*) {
        view->Resize();
        return true;
      },
      NULL);
}

void CDXMainFrame::DestroyAllSurfaces() {
  EnumerateDXviews([](CDXFile3DView*, void*) { return true; }, NULL);
}

void CDXMainFrame::MoveAllSurfaces() {
  EnumerateDXviews(
      [](CDXFile3DView* view, void*) {
        if (view->ViewIsReady()) view->Move();
        return true;
      },
      NULL);
}

void CDXMainFrame::AnimateWorlds(bool bTryLock) {
  if (m_pDocumentManager == NULL) return;
  bool held = false;
  try {
    held = m_pDocumentManager->LockDocList(bTryLock);
    CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
    for (POSITION at = list->GetHeadPosition(); at != NULL;) {
      CDXDoc* document = list->GetNext(at);
      document->GetWorldDataList()->ProcessSkinnedMesh(document, bTryLock);
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (held) m_pDocumentManager->UnlockDocList();
    throw;
  } catch (CException* exception) {
    DEBUG_TRACE("\nCException() raised.");
    exception->Delete();
  }
  if (held) m_pDocumentManager->UnlockDocList();
}

void CDXMainFrame::RenderAllSurfaces(bool bTryLock) {
  ProcessKeyboardInput2(bTryLock);
  ProcessMouseInput(bTryLock);
  if (m_pDocumentManager == NULL) return;
  bool held = false;
  try {
    held = m_pDocumentManager->LockDocList(bTryLock);
    const bool mainThread = AfxGetApp() != NULL && GetCurrentThreadId() == AfxGetApp()->m_nThreadID;
    CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
    for (POSITION at = list->GetHeadPosition(); at != NULL;) {
      CDXDoc* document = list->GetNext(at);
      CThreadsManager* manager = document->GetThreadsManager();
      if (manager->ActiveThread()) continue;
      if (manager->ActiveThread()) continue;
      if (mainThread) document->ProcessRequestsRTLIL();
      document->UpdateViews();
      document->RenderDocumentScene(bTryLock);
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (held) m_pDocumentManager->UnlockDocList();
    throw;
  } catch (CException* exception) {
    DEBUG_TRACE("\nCException() raised.");
    exception->Delete();
  }
  if (held) m_pDocumentManager->UnlockDocList();
}

void CDXMainFrame::UpdateAll3DViews(bool bTryLock) {
  if (m_pDocumentManager == NULL) return;
  bool held = false;
  try {
    held = m_pDocumentManager->LockDocList(bTryLock);
    CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
    for (POSITION at = list->GetHeadPosition(); at != NULL;) list->GetNext(at)->UpdateAll3DViews(bTryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (held) m_pDocumentManager->UnlockDocList();
    throw;
  } catch (CException* exception) {
    exception->Delete();
  }
  if (held) m_pDocumentManager->UnlockDocList();
}

bool CDXMainFrame::ActiveThread(bool bTryLock) {
  if (m_pDocumentManager == NULL) return false;
  bool held = false;
  bool active = false;
  try {
    held = m_pDocumentManager->LockDocList(bTryLock);
    CTypedPtrList<CPtrList, CDXDoc*>* list = m_pDocumentManager->GetDocList();
    for (POSITION at = list->GetHeadPosition(); at != NULL && !active;) {
      active = list->GetNext(at)->GetThreadsManager()->ActiveThread();
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    if (held) m_pDocumentManager->UnlockDocList();
    throw;
  } catch (CException* exception) {
    exception->Delete();
  }
  if (held) m_pDocumentManager->UnlockDocList();
  return active;
}

// ---------------------------------------------------------------------------
// Keyboard and mouse

namespace {

struct SArrowKey {
  BYTE code;
  int CDXMainFrame::*released;
  void (CCameraFrame::*press)(bool);
  void (CCameraFrame::*release)(bool);
};

}  // namespace

void CDXMainFrame::ProcessKeyboardInput2(bool bTryLock) {
  if (g_pInputManager == NULL || !g_pInputManager->IsReady() || !m_bActivated) return;
  CDXFile3DView* view = GetActive3DView();
  if (view == NULL || view->GetCamera() == NULL) return;
  CCameraFrame* camera = view->GetCamera();
  CThreadsManager* jobs = view->GetDocument()->GetThreadsManager();
  static const SArrowKey keys[] = {
      {DIK_RIGHT, &CDXMainFrame::m_nRightKeyReleased, &CCameraFrame::PressRotateClockwiseKey,
       &CCameraFrame::ReleaseRotateClockwiseKey},
      {DIK_LEFT, &CDXMainFrame::m_nLeftKeyReleased, &CCameraFrame::PressRotateCounterlockwiseKey,
       &CCameraFrame::ReleaseRotateCounterclockwiseKey},
      {DIK_UP, &CDXMainFrame::m_nUpKeyReleased, &CCameraFrame::PressMoveForwardKey,
       &CCameraFrame::ReleaseMoveForwardKey},
      {DIK_DOWN, &CDXMainFrame::m_nDownKeyReleased, &CCameraFrame::PressMoveBackwardKey,
       &CCameraFrame::ReleaseMoveBackwardKey},
  };
  try {
    BYTE* state = NULL;
    if (FAILED(g_pInputManager->GetKeyboardDeviceState(&state)) || state == NULL) {
      throw "\nInfo: GetKeyboardDeviceState() failed() in CDXMainFrame::ProcessKeyboardInput().";
    }
    for (const SArrowKey& key : keys) {
      const bool down = (state[key.code] & 0x80) != 0;
      int& released = this->*key.released;
      if (down && released) {
        jobs->PauseThreads();
        released = 0;
        (camera->*key.press)(bTryLock);
      } else if (!down && !released) {
        released = 1;
        (camera->*key.release)(bTryLock);
        jobs->PlayThreads();
      }
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXMainFrame::ProcessMouseInput(bool bTryLock) {
  if (g_pInputManager == NULL || !g_pInputManager->IsReady() || !m_bActivated) return;
  CDXFile3DView* view = GetActive3DView();
  if (view == NULL) return;
  CThreadsManager* jobs = view->GetDocument()->GetThreadsManager();
  try {
    DIMOUSESTATE* mouse = NULL;
    if (FAILED(g_pInputManager->GetMouseDeviceState(&mouse)) || mouse == NULL) {
      throw "\nInfo: GetMouseDeviceState() failed() in CDXMainFrame::ProcessMouseInput().";
    }
    const bool down = (mouse->rgbButtons[0] & 0x80) != 0;
    if (down && m_nLeftButtonReleased) {
      POINT point{0, 0};
      GetCursorPos(&point);
      view->ScreenToClient(&point);
      RECT client;
      view->GetClientRect(&client);
      if (point.x >= client.left && point.x < client.right && point.y >= client.top && point.y < client.bottom) {
        jobs->PauseThreads();
        view->PressLeftButtonDown(bTryLock);
        m_nLeftButtonReleased = 0;
      }
    } else if (!down && !m_nLeftButtonReleased) {
      view->ReleaseLeftMouseButton(bTryLock);
      m_nLeftButtonReleased = 1;
      jobs->PlayThreads();
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

void CDXMainFrame::ResetInputDevicesStates(CDXFile3DView* view) {
  if (view == NULL) return;
  CThreadsManager* jobs = view->GetDocument() != NULL ? view->GetDocument()->GetThreadsManager() : NULL;
  for (int* released : {&m_nLeftButtonReleased, &m_nUpKeyReleased, &m_nDownKeyReleased, &m_nRightKeyReleased,
                        &m_nLeftKeyReleased}) {
    if (*released == 0 && jobs != NULL) jobs->PlayThreads();
    *released = 1;
  }
  view->ReleaseLeftMouseButton(true);
  if (CCameraFrame* camera = view->GetCamera()) {
    try {
      camera->ReleaseRotateClockwiseKey(true);
      camera->ReleaseRotateCounterclockwiseKey(true);
      camera->ReleaseMoveForwardKey(true);
      camera->ReleaseMoveBackwardKey(true);
    } catch (const char* message) {
      DEBUG_TRACE("%s", message);
    }
  }
}

// ---------------------------------------------------------------------------
// The progress bar

bool CDXMainFrame::CreateProgressBar() {
  try {
    m_pProgressDialogBar = new CDialogBar;
    if (!m_pProgressDialogBar->Create(this, IDD_PROGRESS_BAR, CBRS_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY,
                                      IDD_PROGRESS_BAR)) {
      throw "\nError: Failed to create DlgBar";
    }
    m_pProgressDialogBar->EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(m_pProgressDialogBar);
    m_pProgressDialogBar->SetWindowText("Progress dialog bar");
    RECT client;
    GetClientRect(&client);
    const int width = client.right - client.left;
    m_pProgressDialogBar->m_sizeDefault = SIZE{width, kProgressBarHeight};
    auto* control = new CProgressCtrl;
    g_appOptions.pProgressCtrl = control;
    if (!control->Create(NULL, NULL, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, RECT{0, 0, width, kProgressBarHeight},
                         m_pProgressDialogBar, 1)) {
      throw "\nError: Failed to create progress control";
    }
    RecalcLayout();
    UpdateWindow();
    control->SetRange(0, static_cast<short>(width));
    control->SetPos(0);
    control->SetStep(width / 10);
    m_nProgressTimer = SetTimer(1, 500);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  } catch (CException* exception) {
    exception->Delete();
    return false;
  }
  return true;
}

bool CDXMainFrame::DestroyProgressBar() {
  bool destroyed = true;
  if (CProgressCtrl* control = g_appOptions.pProgressCtrl) {
    if (control->GetSafeHwnd() != NULL && !control->DestroyWindow()) destroyed = false;
    delete control;
    g_appOptions.pProgressCtrl = NULL;
  }
  if (m_pProgressDialogBar != NULL) {
    if (m_pProgressDialogBar->GetSafeHwnd() != NULL && !m_pProgressDialogBar->DestroyWindow()) destroyed = false;
    delete m_pProgressDialogBar;
    m_pProgressDialogBar = NULL;
  }
  if (m_nProgressTimer != 0) {
    KillTimer(m_nProgressTimer);
    m_nProgressTimer = 0;
  }
  return destroyed;
}

void CDXMainFrame::ResizeProgressBar() {
  CProgressCtrl* control = g_appOptions.pProgressCtrl;
  if (m_pProgressDialogBar == NULL) return;
  RECT client;
  GetClientRect(&client);
  const int width = client.right - client.left;
  m_pProgressDialogBar->m_sizeDefault = SIZE{width, kProgressBarHeight};
  if (control == NULL) return;
  control->MoveWindow(0, 0, width, kProgressBarHeight);
  control->SetRange(0, static_cast<short>(width));
  control->SetStep(width / 10);
}

void CDXMainFrame::StepProgressBar() {
  CProgressCtrl* control = g_appOptions.pProgressCtrl;
  if (control == NULL) return;
  int lower = 0, upper = 0;
  control->GetRange(lower, upper);
  if (control->GetPos() >= upper - (upper - lower) / 10) control->SetPos(0);
  control->StepIt();
}

bool CDXMainFrame::CreateProgressBar(CDXThread* job) {
  if (job != NULL) SetEvent(job->GetEventProgressBarCreated());
  return true;
}

bool CDXMainFrame::DestroyProgressBar(CDXThread* job) {
  if (job == NULL) return false;
  bool found = false;
  auto entry = m_BarTable.find(std::string(job->GetThreadTitle()));
  if (entry != m_BarTable.end()) {
    delete entry->second;
    m_BarTable.erase(entry);
    found = true;
  }
  SetEvent(job->GetEventProgressBarDestroyed());
  return found;
}

void CDXMainFrame::OnTimer(UINT_PTR) { StepProgressBar(); }

// ---------------------------------------------------------------------------
// The job messages

namespace {

// Whether the document is still open: asked anew for each message.
bool DocumentOpen(CDXDoc* document) {
  CVorever* app = DYNAMIC_DOWNCAST(CVorever, AfxGetApp());
  CDocumentManager* manager = app != NULL ? app->GetDocumentManager() : NULL;
  return document != NULL && manager != NULL && manager->DocInList(document);
}

CDXThread* JobOf(LPARAM lParam) { return reinterpret_cast<CDXThread*>(lParam); }
CDXDoc* DocumentOf(LPARAM lParam) { return reinterpret_cast<CDXDoc*>(lParam); }

}  // namespace

LRESULT CDXMainFrame::OnDestroyProgressBar(WPARAM, LPARAM) {
  if (g_appOptions.pProgressCtrl == NULL) return 0;
  if (--m_nProgressCount <= 0) {
    m_nProgressCount = 0;
    DestroyProgressBar();
    RecalcLayout();
    UpdateWindow();
  }
  return 0;
}

LRESULT CDXMainFrame::OnCreateProgressBar(WPARAM, LPARAM) {
  if (g_appOptions.pProgressCtrl == NULL) CreateProgressBar();
  ++m_nProgressCount;
  return 0;
}

LRESULT CDXMainFrame::OnDisplayTrace(WPARAM, LPARAM) { return 0; }

// A job's news goes to its document while the document is open; each
// message steps the progress bar.
LRESULT CDXMainFrame::ForwardToDocument(LPARAM lParam, void (CDXDoc::*forward)(CDXThread*)) {
  CDXThread* job = JobOf(lParam);
  if (job == NULL || !DocumentOpen(job->GetDXDoc())) return 0;
  (job->GetDXDoc()->*forward)(job);
  StepProgressBarOnce();
  return 0;
}

LRESULT CDXMainFrame::OnReadThreadInfo(WPARAM, LPARAM lParam) {
  return ForwardToDocument(lParam, &CDXDoc::OnReadThreadInfo);
}

LRESULT CDXMainFrame::OnThreadTraceFileCreated(WPARAM, LPARAM lParam) {
  return ForwardToDocument(lParam, &CDXDoc::OnThreadTraceFileCreated);
}

LRESULT CDXMainFrame::OnReadThreadTraceFile(WPARAM, LPARAM lParam) {
  return ForwardToDocument(lParam, &CDXDoc::OnReadThreadTraceFile);
}

LRESULT CDXMainFrame::OnThreadCreated(WPARAM, LPARAM lParam) {
  return ForwardToDocument(lParam, &CDXDoc::OnThreadCreated);
}

LRESULT CDXMainFrame::OnStepProgressBar(WPARAM, LPARAM) {
  StepProgressBarOnce();
  return 0;
}

void CDXMainFrame::StepProgressBarOnce() {
  if (CProgressCtrl* control = g_appOptions.pProgressCtrl) control->StepIt();
}

LRESULT CDXMainFrame::OnSetSlider(WPARAM, LPARAM lParam) {
  if (DocumentOpen(DocumentOf(lParam))) DocumentOf(lParam)->SetSlider();
  return 0;
}

LRESULT CDXMainFrame::OnResetTreeDisplayName(WPARAM wParam, LPARAM lParam) {
  auto* child = reinterpret_cast<CChildObject*>(wParam);
  if (child != NULL && DocumentOpen(DocumentOf(lParam))) DocumentOf(lParam)->ResetTreeDisplayName(child);
  return 0;
}

LRESULT CDXMainFrame::OnFillAnimationSetsCombo(WPARAM, LPARAM lParam) {
  if (DocumentOpen(DocumentOf(lParam))) DocumentOf(lParam)->FillAnimationSetsCombo();
  return 0;
}

LRESULT CDXMainFrame::OnDeleteTreeItem(WPARAM wParam, LPARAM lParam) {
  auto* child = reinterpret_cast<CChildObject*>(wParam);
  if (child != NULL && DocumentOpen(DocumentOf(lParam))) DocumentOf(lParam)->DeleteTreeItem(child);
  return 0;
}

LRESULT CDXMainFrame::OnSetSelectedFrame(WPARAM wParam, LPARAM lParam) {
  auto* frame = reinterpret_cast<CFrame*>(wParam);
  if (frame != NULL && DocumentOpen(DocumentOf(lParam))) DocumentOf(lParam)->SetSelectedFrame(frame, false);
  return 0;
}

LRESULT CDXMainFrame::OnSetAnimationTime(WPARAM wParam, LPARAM lParam) {
  auto* document = reinterpret_cast<CDXDoc*>(wParam);
  if (DocumentOpen(document)) document->SetAnimationTime(reinterpret_cast<CAnimationSet*>(lParam));
  return 0;
}

LRESULT CDXMainFrame::OnSetMessageText(WPARAM wParam, LPARAM) {
  SetMessageText(static_cast<UINT>(wParam));
  return 0;
}
