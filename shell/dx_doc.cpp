#include "dx_doc.h"

#include <appoptions.h>
#include <camera_manager.h>
#include <d3d8.h>
#include <tracelog.h>
#include <vorever.h>

#include "document_manager.h"
#include "dx_splitter_frame.h"

#include <cstring>

IMPLEMENT_DYNCREATE(CDXDoc, CDocument)

namespace {

CDocumentManager* DocumentManager() {
  CVorever* app = DYNAMIC_DOWNCAST(CVorever, AfxGetApp());
  return app != NULL ? app->GetDocumentManager() : NULL;
}

}  // namespace

CDXDoc::CDXDoc() : m_fMaxVertexRemovalCostRatio(0.0f), m_pCameraManager(std::make_unique<CCameraManager>()) {
  ClearContent();
  // Until the settings file is read, renderers see the built-in settings.
  SetDefaultConfigData(m_Config);
}

CDXDoc::~CDXDoc() { DestroyContent(); }

void CDXDoc::ClearContent() {
  m_pTraceView = NULL;
  m_pTreeView = NULL;
  m_pLightsFormView = NULL;
  m_pThreadFormView = NULL;
  m_pThreadsListView = NULL;
  m_pSplitterFrame = NULL;
  m_pReductionOptionsFormView = NULL;
  m_pReductionMethodsFormView = NULL;
  m_pPMeshOptionsFormView = NULL;
  m_pCMeshOptionsFormView = NULL;
  std::memset(&m_ReductionOptions, 0, sizeof m_ReductionOptions);
  std::memset(&m_DisplayOptions, 0, sizeof m_DisplayOptions);
  m_hDisplayOptionsMutex = NULL;
  m_pLastWorkedFrame = NULL;
  m_bConfigDataFailed = 0;
  std::memset(&m_Config, 0, sizeof m_Config);
  m_pSelectedFrame = NULL;
  m_bSelectedFrameChanged = 0;
  m_pRequestedFrame = NULL;
  m_bRequestedFramePending = 0;
  m_ReleasedButtonPoint = POINT{0, 0};
  m_pReleasedButtonCamera = NULL;
  m_bReleasedButtonPending = 0;
  m_pSelectedPMesh = NULL;
  m_bSelectedPMeshChanged = 0;
  m_pRequestedPMesh = NULL;
  m_bRequestedPMeshPending = 0;
  m_bPercentageDisplayedPending = 0;
  m_pResetPMesh = NULL;
  m_bResetPMeshPending = 0;
  m_bInDocList = false;
}

BOOL CDXDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  return Initialize() ? TRUE : FALSE;
}

void CDXDoc::OnCloseDocument() {
  KillThreads();
  if (m_bInDocList && DocumentManager() != NULL) DocumentManager()->RemoveDoc(this);
  m_bInDocList = false;
  CDocument::OnCloseDocument();
}

bool CDXDoc::Initialize() {
  try {
    m_ViewListMutex.Initialize();
    CONFIGFILE config;
    if (GetConfigData(config)) {
      SetConfig(&config);
    } else {
      // The user was told why the file cannot be written; the document runs
      // with the built-in settings, and is not written again.
      m_bConfigDataFailed = 1;
      std::memset(&config, 0, sizeof config);
      SetDefaultConfigData(config);
      m_Config = config;
      SpreadConfig();
    }
    if (!m_xFileTopLevelObjects.Initialize(this, true)) throw "\nError: the world cannot be made.";
    if (!m_pCameraManager->Initialize(this, &m_xFileTopLevelObjects)) throw "\nError: the camera manager cannot start.";
    if (CDocumentManager* manager = DocumentManager()) {
      manager->AddDoc(this);
      m_bInDocList = true;
    }
    if (!m_ThreadsManager.Initialize()) throw "\nError: the threads manager cannot start.";
    if (m_pSplitterFrame != NULL && m_pSplitterFrame->GetSafeHwnd() != NULL) m_pSplitterFrame->MDIActivate();
    m_hDisplayOptionsMutex = CreateMutexA(NULL, FALSE, NULL);
    if (m_hDisplayOptionsMutex == NULL) throw "\nError: the display options lock cannot be made.";
    m_SelectedFrameMutex.Initialize();
    m_SelectedPMeshMutex.Initialize();
    return true;
  } catch (const char* message) {
    WriteTrace(message);
  } catch (CException* exception) {
    WriteTrace("\nCException() raised.");
    exception->Delete();
  }
  UndoInitialize();
  return false;
}

void CDXDoc::UndoInitialize() {
  m_ThreadsManager.DestroyContent();
  if (m_bInDocList && DocumentManager() != NULL) DocumentManager()->RemoveDoc(this);
  m_bInDocList = false;
  m_pCameraManager->DestroyContent(true);
  m_xFileTopLevelObjects.DestroyContent(true);
  if (m_hDisplayOptionsMutex != NULL) CloseHandle(m_hDisplayOptionsMutex);
  m_hDisplayOptionsMutex = NULL;
}

void CDXDoc::DestroyContent() {
  g_appOptions.bDestroyingDocument = 1;
  m_ThreadsManager.DestroyContent();
  const bool held = m_ViewListMutex.Trylock();
  m_ViewList.RemoveAll();
  if (held) m_ViewListMutex.Unlock();
  m_pCameraManager->DestroyContent(true);
  m_TextureManager.DestroyContent();
  if (m_bInDocList && DocumentManager() != NULL) DocumentManager()->RemoveDoc(this);
  m_bInDocList = false;
  m_xFileTopLevelObjects.DestroyContent(true);
  DestroyReductionOptions();
  CDocument::DeleteContents();
  g_appOptions.bDestroyingDocument = 0;
}

void CDXDoc::KillThreads() { m_ThreadsManager.DestroyThreadsList(); }

void CDXDoc::DeleteWorldObject(CXFileDataObject* object) {
  if (m_xFileTopLevelObjects.DeleteWorldObject(object) == 0) WriteTrace("\nError: DeleteWorldObject() failed.");
}

bool CDXDoc::EnableDocumentLights(IDirect3DDevice8* device) {
  return m_xFileTopLevelObjects.GetLightsManager()->EnableAllLights(device);
}

void CDXDoc::SetDeviceFillingShading(IDirect3DDevice8* device) {
  if (!device) return;
  // Settings word -> render state value; other words leave the device as it is.
  auto apply = [device](D3DRENDERSTATETYPE state, DWORD word, DWORD value0, DWORD value1) {
    if (word > 1) return;
    const DWORD wanted = word == 0 ? value0 : value1;
    DWORD current = 0;
    device->GetRenderState(state, &current);
    if (current != wanted) device->SetRenderState(state, wanted);
  };
  apply(D3DRS_SHADEMODE, m_Config.dwShadeMode, D3DSHADE_GOURAUD, D3DSHADE_FLAT);
  apply(D3DRS_FILLMODE, m_Config.dwFillMode, D3DFILL_SOLID, D3DFILL_WIREFRAME);
}
