#include "reduction_methods_form.h"

#include <basemesh.h>
#include <dxpmesh.h>
#include <garbagelist.h>
#include <tracelog.h>

#include <algorithm>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CReductionMethodsFormView, COptionFormView)

BEGIN_MESSAGE_MAP(CReductionMethodsFormView, COptionFormView)
ON_CBN_SELCHANGE(IDC_PMESH_COMBO, OnSelchangeComboSelectedPmesh)
ON_WM_HSCROLL()
ON_EN_CHANGE(IDC_PERCENT_DISPLAYED, OnChangeDesiredPercentageDisplayedEdit)
ON_EN_CHANGE(IDC_AREA_TOLERANCE, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_VOLUME_TOLERANCE, OnChangeAnyEdit)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_AREA_TOLERANCE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_VOLUME_TOLERANCE, OnDeltaposAllSpinners)
ON_BN_CLICKED(IDC_AREA_CHECK, OnMaximumMeshDeltaSurfaceCheck)
ON_BN_CLICKED(IDC_VOLUME_CHECK, OnMaximumMeshDeltaBoundingBoxCheck)
ON_BN_CLICKED(IDC_SHOW_ACTIVE_EDGES, OnShowActiveEdges)
ON_BN_CLICKED(IDC_SHOW_ACTIVE_VERTICES, OnShowActiveVertices)
ON_BN_CLICKED(IDC_SHOW_REMOVED_VERTICES, OnShowRemovedVertices)
ON_BN_CLICKED(IDC_COLOR_NEW_TRIANGLES, OnColorNewFaces)
ON_BN_CLICKED(IDC_FILLING_SOLID, OnFillingSolidRadio)
ON_BN_CLICKED(IDC_FILLING_WIREFRAME, OnFillingWireframeRadio)
ON_BN_CLICKED(IDC_SHADING_GOURAUD, OnShadingGouraudRadio)
ON_BN_CLICKED(IDC_SHADING_FLAT, OnShadingFlatRadio)
ON_STN_CLICKED(IDC_SAMPLE_ACTIVE_EDGES, OnPictureActiveEdgesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_SELECTED_PMESH, OnPictureSelectedPmeshColor)
ON_STN_CLICKED(IDC_SAMPLE_ACTIVE_VERTICES, OnPictureActiveVerticesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_REMOVED_VERTICES, OnPictureRemovedVerticesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_CREATED_TRIANGLES, OnPictureCreatedTrianglesColorSample)
ON_BN_CLICKED(IDC_APPLY_PMESH_DISPLAY, OnApplyPmeshDisplayOptionsButton)
ON_BN_CLICKED(IDC_RESET_DISPLAY_OPTIONS, OnResetDefaultDisplayOptionsButton)
ON_BN_CLICKED(IDC_METHOD_PMESH, OnProgressiveMeshMethodRadio)
ON_BN_CLICKED(IDC_METHOD_CMESH, OnConnectivityMeshMethodRadio)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

namespace {

// The controls that show a progressive-mesh frame's level; the sample of the
// selected mesh stays usable when they are disabled.
const int kLevelControls[] = {IDC_PERCENT_SLIDER,      IDC_PERCENT_DISPLAYED,    IDC_PMESH_COMBO,
                              IDC_SPIN_VOLUME_TOLERANCE, IDC_SPIN_AREA_TOLERANCE, IDC_VOLUME_TOLERANCE,
                              IDC_AREA_TOLERANCE,      IDC_AREA_CHECK,           IDC_VOLUME_CHECK};

// Releases the locks that DisplaySharedObjectsRTL took, whatever happens.
struct SHeldLocks {
  CMutex* mutexes[3] = {NULL, NULL, NULL};
  CXFileDataObject* objects[2] = {NULL, NULL};
  ~SHeldLocks() {
    for (CXFileDataObject* object : objects) {
      if (object != NULL) object->Unlock();
    }
    for (CMutex* mutex : mutexes) {
      if (mutex != NULL) mutex->Unlock();
    }
  }
};

}  // namespace

CReductionMethodsFormView::CReductionMethodsFormView()
    : COptionFormView(IDD_REDUCTION_METHODS_FORM, "reduction methods"),
      m_cvSelectedPMesh{},
      m_nReductionMethod(-1),
      m_fPercentageDisplayed(0.0f),
      m_bVolumeCheck(0),
      m_fVolumeTolerance(0.0f),
      m_fAreaTolerance(0.0f),
      m_bAreaCheck(0) {
  ClearContent();
}

CReductionMethodsFormView::~CReductionMethodsFormView() { DestroyContent(); }

void CReductionMethodsFormView::ClearContent() {
  COptionFormView::ClearContent();
  m_pShownPMesh = NULL;
  m_pShownFrame = NULL;
  m_eShownFrameType = CFrame::ePlainFrame;
  m_bDisplayPending = false;
  m_cvSelectedPMesh = D3DCOLORVALUE{};
}

void CReductionMethodsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetReductionMethodsFormView() == this) {
    document->SetReductionMethodsFormView(present ? this : NULL);
  }
}

void CReductionMethodsFormView::AttachControls() {
  m_PercentageSlider.SetRange(0, 100);
  m_PercentageSlider.SetTicFreq(10);
  m_PercentageSlider.SetPageSize(10);
  AttachFloatEdits({{&m_PercentageDisplayedEdit, IDC_PERCENT_DISPLAYED, 0, 0},
                    {&m_AreaToleranceEdit, IDC_AREA_TOLERANCE, IDC_SPIN_AREA_TOLERANCE, 32767},
                    {&m_VolumeToleranceEdit, IDC_VOLUME_TOLERANCE, IDC_SPIN_VOLUME_TOLERANCE, 32767}});
}

void CReductionMethodsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_PMESH_COMBO, m_PMeshCombo);
  DDX_Control(exchange, IDC_PERCENT_SLIDER, m_PercentageSlider);
  m_Display.Exchange(exchange);
  DDX_Radio(exchange, IDC_METHOD_PMESH, m_nReductionMethod);
  DDX_Text(exchange, IDC_PERCENT_DISPLAYED, m_fPercentageDisplayed);
  DDX_Check(exchange, IDC_VOLUME_CHECK, m_bVolumeCheck);
  DDX_Text(exchange, IDC_VOLUME_TOLERANCE, m_fVolumeTolerance);
  DDX_Text(exchange, IDC_AREA_TOLERANCE, m_fAreaTolerance);
  DDX_Check(exchange, IDC_AREA_CHECK, m_bAreaCheck);
}

void CReductionMethodsFormView::ValuesFrom(const CONFIGFILE& config) {
  m_Display.From(config);
  m_nReductionMethod = config.dwReductionMethod == 0 ? 0 : 1;
  m_fPercentageDisplayed = config.fPMeshPercent;
  m_cvSelectedPMesh = config.cvSelectedPMesh;
  m_bVolumeCheck = config.bVolumeCheck != 0;
  m_fVolumeTolerance = config.fVolumeTolerancePercent;
  m_fAreaTolerance = config.fAreaTolerancePercent;
  m_bAreaCheck = config.bAreaCheck != 0;
}

void CReductionMethodsFormView::OnFormFilled() {
  if (m_PercentageSlider.m_hWnd != NULL) m_PercentageSlider.SetPos(static_cast<int>(m_fPercentageDisplayed));
  InvalidateActiveEdgesColorSample();
  InvalidateSelectedPMeshColorSample();
  ShowMethodTools();
  SetDeviceShading(static_cast<DWORD>(m_Display.shading));
  SetDeviceFilling(static_cast<DWORD>(m_Display.filling));
  DisplaySharedObjectsRTL();
}

void CReductionMethodsFormView::ShowMethodTools() {
  CDXMainFrame* main = GetMainFrame();
  if (m_nReductionMethod == 0) {
    if (main != NULL && !main->PMeshPolygonReductionToolBarCreated()) main->CreatePMeshPolygonReductionToolbar();
    if (m_pSplitterFrame != NULL) m_pSplitterFrame->CreatePMeshOptionsFormView();
  } else {
    if (main != NULL && main->PMeshPolygonReductionToolBarCreated()) main->CreateCMeshPolygonReductionToolbar();
    if (m_pSplitterFrame != NULL) m_pSplitterFrame->CreateCMeshOptionsFormView();
  }
}

void CReductionMethodsFormView::ValuesInto(CONFIGFILE& config) {
  m_Display.Into(config);
  config.dwReductionMethod = static_cast<DWORD>(m_nReductionMethod == 1 ? 1 : 0);
  config.fPMeshPercent = m_fPercentageDisplayed;
  config.bAreaCheck = m_bAreaCheck != 0 ? 1 : 0;
  config.fAreaTolerancePercent = m_fAreaTolerance;
  config.bVolumeCheck = m_bVolumeCheck != 0 ? 1 : 0;
  config.fVolumeTolerancePercent = m_fVolumeTolerance;
  config.cvSelectedPMesh = m_cvSelectedPMesh;
}

void CReductionMethodsFormView::SetPMeshCreationDisplayOptions() {
  m_fPercentageDisplayed = 50.0f;
  if (m_PercentageSlider.m_hWnd != NULL) m_PercentageSlider.SetPos(50);
  m_bAreaCheck = 0;
  m_bVolumeCheck = 0;
  UpdateControls();
  SetInDocument();
}

// ---------------------------------------------------------------------------
// The combo and the slider

bool CReductionMethodsFormView::DisplaySharedObjectsRTL() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL || m_PMeshCombo.m_hWnd == NULL) return false;
  try {
    SHeldLocks held;
    CMutex* mutexes[3] = {document->GetSelectedFrameMutex(), document->GetSelectedPMeshMutex(),
                          &document->GetDXMeshListMutex()};
    for (int at = 0; at < 3; ++at) {
      if (!mutexes[at]->Trylock()) {
        m_bDisplayPending = true;
        return false;
      }
      held.mutexes[at] = mutexes[at];
    }
    CFrame* frame = document->GetSelectedFrame();
    CDXPMesh* pmesh = document->GetSelectedPMesh();
    CXFileDataObject* objects[2] = {frame, pmesh};
    for (int at = 0; at < 2; ++at) {
      if (objects[at] == NULL) continue;
      if (!objects[at]->Trylock()) {
        m_bDisplayPending = true;
        return false;
      }
      held.objects[at] = objects[at];
    }
    FillPMeshComboTL(frame, pmesh);
    SetSlider(m_pShownFrame, m_pShownPMesh, true);
    m_bDisplayPending = false;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  } catch (CException* failure) {
    failure->Delete();
    return false;
  }
  return true;
}

void CReductionMethodsFormView::DisplaySharedObjectsRTLIL() {
  if (m_bDisplayPending) DisplaySharedObjectsRTL();
}

void CReductionMethodsFormView::OnSetSelectedFrame(CFrame*) { DisplaySharedObjectsRTL(); }

void CReductionMethodsFormView::OnSetSelectedPMesh(CDXPMesh*) { DisplaySharedObjectsRTL(); }

void CReductionMethodsFormView::FillPMeshComboTL(CFrame* frame, CDXPMesh* pmesh) {
  bool rebuilt = false;
  if (frame != m_pShownFrame || (frame != NULL && frame->GetFrameType() != m_eShownFrameType)) {
    m_PMeshCombo.ResetContent();
    if (frame != NULL) {
      AddComboPMeshEntryTL(NULL, frame);
      FillPMeshCombo2TL(frame);
    }
    m_pShownFrame = frame;
    m_eShownFrameType = frame != NULL ? frame->GetFrameType() : CFrame::ePlainFrame;
    SetPMeshComboWidth();
    rebuilt = true;
  }
  int entry = GetComboPMeshEntry(pmesh);
  if (entry < 0 || pmesh == NULL) {
    if (m_PMeshCombo.GetCount() > 0) m_PMeshCombo.SetCurSel(0);
    m_pShownPMesh = NULL;
    if (pmesh != NULL || rebuilt) {
      if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshRTL(NULL);
    }
    return;
  }
  if (pmesh == m_pShownPMesh && !rebuilt) return;
  m_PMeshCombo.SetCurSel(entry);
  m_pShownPMesh = pmesh;
}

void CReductionMethodsFormView::FillPMeshCombo2TL(CFrame* frame) {
  frame->Lock(true, false);
  struct SUnlock {
    CXFileDataObject* object;
    ~SUnlock() { object->Unlock(); }
  } unlockFrame{frame};
  if (frame->IsDeleted()) return;
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos != NULL;) {
    CChildObject* entry = children.GetNext(pos);
    if (entry == NULL || entry->IsReference() || entry->GetXfileDataObject() == NULL) continue;
    CXFileDataObject* child = entry->GetXfileDataObject();
    child->Lock(true, false);
    SUnlock unlockChild{child};
    if (child->IsDeleted()) continue;
    if (auto* mesh = dynamic_cast<CBaseMesh*>(child)) {
      if (mesh->GetMeshType() == eBaseMeshTypeDXPMesh) {
        AddComboPMeshEntryTL(static_cast<CDXPMesh*>(mesh), frame);
      }
    } else if (auto* childFrame = dynamic_cast<CFrame*>(child)) {
      if (childFrame->IsOriginalFrame()) FillPMeshCombo2TL(childFrame);
    }
  }
}

bool CReductionMethodsFormView::AddComboPMeshEntryTL(CDXPMesh* pmesh, CFrame* frame) {
  if (GetComboPMeshEntry(pmesh) >= 0) return false;
  CString text = CreateComboPMeshEntryStringTL(pmesh, frame);
  int index = m_PMeshCombo.AddString(text);
  if (index == CB_ERR) throw "\nError: An error occured while adding an entry to the PMesh combo.";
  if (m_PMeshCombo.SetItemData(index, reinterpret_cast<DWORD_PTR>(pmesh)) == CB_ERR) {
    throw "\nError: An error occured while setting an entry data in the PMesh combo.";
  }
  return true;
}

CString CReductionMethodsFormView::CreateComboPMeshEntryStringTL(CDXPMesh* pmesh, CFrame* frame) {
  if (pmesh == NULL) return "All meshes in selected frame";
  if (!pmesh->Trylock()) throw "\nInfo: Cannot lock the PMesh.";
  CString meshName = pmesh->GetName() != NULL ? pmesh->GetName() : "";
  pmesh->Unlock();
  CString frameName;
  if (frame != NULL) {
    if (!frame->Trylock()) throw "\nInfo: Cannot lock the frame.";
    frameName = frame->GetName() != NULL ? frame->GetName() : "";
    frame->Unlock();
  }
  if (meshName.IsEmpty() && frameName.IsEmpty()) return "Mesh without a name";
  CString text = "Mesh " + meshName;
  if (!frameName.IsEmpty() && frameName != meshName) {
    text += meshName.IsEmpty() ? "in Frame " : " in Frame ";
    text += frameName;
  }
  return text;
}

int CReductionMethodsFormView::GetComboPMeshEntry(CDXPMesh* pmesh) {
  for (int index = 0; index < m_PMeshCombo.GetCount(); ++index) {
    if (m_PMeshCombo.GetItemData(index) == reinterpret_cast<DWORD_PTR>(pmesh)) return index;
  }
  return -1;
}

bool CReductionMethodsFormView::DeleteComboPMeshEntry(CDXPMesh* pmesh) {
  int index = GetComboPMeshEntry(pmesh);
  return index >= 0 && m_PMeshCombo.DeleteString(static_cast<UINT>(index)) != CB_ERR;
}

void CReductionMethodsFormView::SetPMeshComboWidth() {
  CDC dc;
  LONG widest = 0;
  for (int index = 0; index < m_PMeshCombo.GetCount(); ++index) {
    CString text;
    m_PMeshCombo.GetLBText(index, text);
    widest = std::max(widest, dc.GetTextExtent(text).cx);
  }
  widest += GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE);
  m_PMeshCombo.SetDroppedWidth(static_cast<UINT>(widest));
}

void CReductionMethodsFormView::SetSlider(CFrame* frame, CDXPMesh* pmesh, bool tryLock) {
  bool locked = g_FDOGarbageList.LockGarbageList(tryLock);
  struct SUnlockList {
    bool locked;
    ~SUnlockList() {
      if (locked) g_FDOGarbageList.UnlockGarbageList();
    }
  } unlockList{locked};
  bool levelShown = frame != NULL && frame->GetFrameType() == CFrame::eDXPMeshFrame;
  for (int id : kLevelControls) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(levelShown);
  }
  if (CWnd* sample = GetDlgItem(IDC_SAMPLE_SELECTED_PMESH)) sample->EnableWindow(TRUE);
  if (levelShown) UpdateSlider(frame, pmesh);
  UpdateControls();
}

void CReductionMethodsFormView::UpdateSlider(CFrame* frame, CDXPMesh* pmesh) {
  CDXDoc* document = GetDXDoc();
  if (frame == NULL || document == NULL) return;
  bool byVertices = document->GetConfig()->dwPMeshByVertices != 0;
  DWORD current = 0, maximum = 0;
  if (pmesh == NULL) {
    current = byVertices ? frame->GetActiveVerticesCount(false) : frame->GetActiveTrianglesCount(false);
    maximum = byVertices ? frame->GetMaxVerticesCount(false) : frame->GetMaxTrianglesCount(false);
  } else if (g_FDOGarbageList.NotDeleted(pmesh)) {
    current = byVertices ? pmesh->GetNumVertices(false) : pmesh->GetNumFaces(false);
    maximum = byVertices ? pmesh->GetMaxVertices(false) : pmesh->GetMaxFaces(false);
  } else {
    current = 0;
    maximum = 1;
  }
  m_fPercentageDisplayed = maximum == 0 ? 100.0f : static_cast<float>(current * 100.0 / maximum);
  m_PercentageSlider.SetPos(static_cast<int>(m_fPercentageDisplayed));
}

bool CReductionMethodsFormView::SetSliderTL() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL || !document->GetSelectedFrameMutex()->Trylock()) return false;
  if (!document->GetSelectedPMeshMutex()->Trylock()) {
    document->GetSelectedFrameMutex()->Unlock();
    return false;
  }
  try {
    SetSlider(document->GetSelectedFrame(), document->GetSelectedPMesh(), false);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  document->GetSelectedPMeshMutex()->Unlock();
  document->GetSelectedFrameMutex()->Unlock();
  return true;
}

bool CReductionMethodsFormView::TryUpdateSlider() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL || !document->GetSelectedFrameMutex()->Trylock()) return false;
  try {
    UpdateSlider(m_pShownFrame, m_pShownPMesh);
    UpdateControls();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
  document->GetSelectedFrameMutex()->Unlock();
  return true;
}

void CReductionMethodsFormView::SetSelectedPMeshDtoV(CDXPMesh* pmesh) {
  if (pmesh == m_pShownPMesh) return;
  m_pShownPMesh = pmesh;
  UpdateSlider(m_pShownFrame, pmesh);
  UpdateControls();
}

void CReductionMethodsFormView::SetSelectedPMeshVtoD(CDXPMesh* pmesh) {
  if (pmesh == m_pShownPMesh) return;
  SetSelectedPMeshDtoV(pmesh);
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshRTL(pmesh);
}

// ---------------------------------------------------------------------------
// Handlers

void CReductionMethodsFormView::OnSelchangeComboSelectedPmesh() {
  int index = m_PMeshCombo.GetCurSel();
  m_pShownPMesh = index < 0 ? NULL : reinterpret_cast<CDXPMesh*>(m_PMeshCombo.GetItemData(index));
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshRTL(m_pShownPMesh);
}

void CReductionMethodsFormView::OnHScroll(UINT code, UINT position, CWnd* scrollBar) {
  if (scrollBar == NULL || scrollBar != &m_PercentageSlider) {
    CFormView::OnHScroll(code, position, scrollBar);
    return;
  }
  m_fPercentageDisplayed = static_cast<float>(m_PercentageSlider.GetPos());
  UpdateControls();
  SetInDocument();
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshPercentageDisplayedRTL();
}

void CReductionMethodsFormView::OnChangeDesiredPercentageDisplayedEdit() { OnChangeAnyEdit(); }

void CReductionMethodsFormView::OnMaximumMeshDeltaSurfaceCheck() { CommitAndFocus(); }
void CReductionMethodsFormView::OnMaximumMeshDeltaBoundingBoxCheck() { CommitAndFocus(); }
void CReductionMethodsFormView::OnShowActiveEdges() { CommitAndFocus(); }
void CReductionMethodsFormView::OnShowActiveVertices() { CommitAndFocus(); }
void CReductionMethodsFormView::OnShowRemovedVertices() { CommitAndFocus(); }
void CReductionMethodsFormView::OnColorNewFaces() { CommitAndFocus(); }

void CReductionMethodsFormView::OnPictureActiveEdgesColorSample() { ChooseColor(IDC_SAMPLE_ACTIVE_EDGES); }
void CReductionMethodsFormView::OnPictureSelectedPmeshColor() { ChooseColor(IDC_SAMPLE_SELECTED_PMESH); }
void CReductionMethodsFormView::OnPictureActiveVerticesColorSample() { ChooseColor(IDC_SAMPLE_ACTIVE_VERTICES); }
void CReductionMethodsFormView::OnPictureRemovedVerticesColorSample() { ChooseColor(IDC_SAMPLE_REMOVED_VERTICES); }
void CReductionMethodsFormView::OnPictureCreatedTrianglesColorSample() { ChooseColor(IDC_SAMPLE_CREATED_TRIANGLES); }

void CReductionMethodsFormView::OnApplyPmeshDisplayOptionsButton() {
  UpdateData(TRUE);
  CDXDoc* document = GetDXDoc();
  if (document == NULL || document->GetSelectedFrame() == NULL) return;
  document->GetThreadsManager()->ApplyPMeshDisplayOptions(document, document->GetSelectedFrame(),
                                                          document->GetMasterCamera(), m_fPercentageDisplayed);
}

void CReductionMethodsFormView::OnResetDefaultDisplayOptionsButton() {
  ResetToDefaults();
  if (CDXDoc* document = GetDXDoc()) document->ResetSelectedPMeshPercentageDisplayedRTL(NULL);
}

void CReductionMethodsFormView::OnProgressiveMeshMethodRadio() {
  CheckRadioButton(IDC_METHOD_PMESH, IDC_METHOD_CMESH, IDC_METHOD_PMESH);
  SetInDocument();
  ShowMethodTools();
}

void CReductionMethodsFormView::OnConnectivityMeshMethodRadio() {
  CheckRadioButton(IDC_METHOD_PMESH, IDC_METHOD_CMESH, IDC_METHOD_CMESH);
  SetInDocument();
  ShowMethodTools();
}

D3DCOLORVALUE* CReductionMethodsFormView::SampleColor(int sample) {
  return sample == IDC_SAMPLE_SELECTED_PMESH ? &m_cvSelectedPMesh : m_Display.SampleColor(sample);
}

void CReductionMethodsFormView::InvalidateActiveEdgesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_EDGES); }
void CReductionMethodsFormView::InvalidateSelectedPMeshColorSample() { InvalidateSample(IDC_SAMPLE_SELECTED_PMESH); }
void CReductionMethodsFormView::InvalidateActiveVerticesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_VERTICES); }
void CReductionMethodsFormView::InvalidateRemovedVerticesColorSample() { InvalidateSample(IDC_SAMPLE_REMOVED_VERTICES); }
void CReductionMethodsFormView::InvalidateCreatedTrianglesColorSample() {
  InvalidateSample(IDC_SAMPLE_CREATED_TRIANGLES);
}
