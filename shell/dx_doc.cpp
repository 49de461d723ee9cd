#include "dx_doc.h"

#include <camera_manager.h>
#include <d3d8.h>
#include <vorever.h>

#include "document_manager.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include <lightsmanager.h>

#include <cstring>

IMPLEMENT_DYNCREATE(CDXDoc, CDocument)

CDXDoc::CDXDoc() : m_pCameraManager(std::make_unique<CCameraManager>()), m_pReductionOptionsFormView(NULL) {
  std::memset(&m_ReductionOptions, 0, sizeof m_ReductionOptions);
  std::memset(&m_DisplayOptions, 0, sizeof m_DisplayOptions);
  SetDefaultConfigData(m_Config);
}

CDXDoc::~CDXDoc() {
  m_pCameraManager->DestroyContent(true);
  m_ThreadsManager.DestroyContent();
  m_xFileTopLevelObjects.DestroyContent(false);
}

void CDXDoc::SetSelectedFrame(CFrame* frame, bool keepWorld) {
  if (!keepWorld) m_xFileTopLevelObjects.SetSelectedFrame(frame);
  m_pSelectedFrame = frame;
}

void CDXDoc::SetSelectedFrameL(CFrame* frame) {
  m_SelectedFrameMutex.Lock();
  SetSelectedFrame(frame, false);
  m_SelectedFrameMutex.Unlock();
}

CCameraFrame* CDXDoc::GetMasterCamera() {
  CDXFile3DView* view = m_pSplitterFrame != NULL ? m_pSplitterFrame->GetActive3DView() : NULL;
  return view != NULL ? view->GetCamera() : NULL;
}

CCameraFrame* CDXDoc::GetNextCamera() {
  CDXFile3DView* active = m_pSplitterFrame != NULL ? m_pSplitterFrame->GetActive3DView() : NULL;
  CDXFile3DView* view = active != NULL ? m_pSplitterFrame->GetNext3DView(active) : NULL;
  return view != NULL ? view->GetCamera() : GetMasterCamera();
}

bool CDXDoc::Initialize() {
  m_SelectedFrameMutex.Initialize();
  return m_xFileTopLevelObjects.Initialize(this, false) && m_pCameraManager->Initialize(this, &m_xFileTopLevelObjects) &&
         m_ThreadsManager.Initialize();
}

bool CDXDoc::EnableDocumentLights(IDirect3DDevice8* device) {
  return m_xFileTopLevelObjects.GetLightsManager()->EnableAllLights(device);
}

void CDXDoc::AddView(CDXFile3DView* view) {
  m_ViewList.AddTail(view);
  view->SetFlagInViewList(true);
}

bool CDXDoc::RemoveView(CDXFile3DView* view) {
  POSITION at = m_ViewList.Find(view);
  if (at == NULL) return false;
  m_ViewList.RemoveAt(at);
  view->SetFlagInViewList(false);
  return true;
}

bool CDXDoc::RenderDocumentScene(bool tryLock) {
  if (m_pSplitterFrame != NULL && m_pSplitterFrame->IsZoomed()) {
    if (CDXFile3DView* view = m_pSplitterFrame->GetActive3DView()) view->Render(0, tryLock);
    return true;
  }
  for (POSITION at = m_ViewList.GetHeadPosition(); at != NULL;) m_ViewList.GetNext(at)->Render(0, tryLock);
  return true;
}

bool CDXDoc::UpdateAll3DViews(bool) { return true; }

BOOL CDXDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument() || !Initialize()) return FALSE;
  CVorever* app = DYNAMIC_DOWNCAST(CVorever, AfxGetApp());
  if (app != NULL && app->GetDocumentManager() != NULL) app->GetDocumentManager()->AddDoc(this);
  return TRUE;
}

void CDXDoc::OnCloseDocument() {
  KillThreads();
  CVorever* app = DYNAMIC_DOWNCAST(CVorever, AfxGetApp());
  if (app != NULL && app->GetDocumentManager() != NULL) app->GetDocumentManager()->RemoveDoc(this);
  CDocument::OnCloseDocument();
}

void CDXDoc::KillThreads() { m_ThreadsManager.DestroyThreadsList(); }

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

CReductionOptionsFormView::CReductionOptionsFormView(CDXDoc* document) : m_pDocument(document) {
  m_FormOptions = document->GetReductionOptions();
  m_pDocument->SetReductionOptionsFormView(this);
}

CReductionOptionsFormView::~CReductionOptionsFormView() { m_pDocument->SetReductionOptionsFormView(NULL); }

void CReductionOptionsFormView::SetInDocument() { m_pDocument->SetReductionOptions(m_FormOptions); }
