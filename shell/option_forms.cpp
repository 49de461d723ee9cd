#include "option_forms.h"

#include <afxdlgs.h>
#include <d3d8.h>
#include <dxwindoweddevice.h>
#include <materialpresets.h>
#include <tracelog.h>

#include <algorithm>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "numeric_edit.h"
#include "resource.h"

namespace {

void SetRenderStateIfDiffers(D3DRENDERSTATETYPE state, DWORD wanted) {
  if (g_pWindowedDevice == NULL) return;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  if (device == NULL) return;
  DWORD current = 0;
  device->GetRenderState(state, &current);
  if (current != wanted) device->SetRenderState(state, wanted);
}

}  // namespace

IMPLEMENT_DYNAMIC(COptionFormView, CFormView)

BEGIN_MESSAGE_MAP(COptionFormView, CFormView)
ON_WM_DESTROY()
END_MESSAGE_MAP()

COptionFormView::COptionFormView(UINT templateId, const char* title) : CFormView(templateId), m_pszTitle(title) {}

void COptionFormView::ClearContent() {
  m_pSplitterFrame = NULL;
  m_bInitialized = false;
}

void COptionFormView::DestroyContent() {
  if (CDXDoc* document = GetDXDoc()) SetFormInDocument(document, false);
  ClearContent();
}

CDXDoc* COptionFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

CDXSplitterFrame* COptionFormView::FindSplitterFrame(CDXDoc* document) { return document->GetSplitterFrame(); }

D3DCOLORVALUE* COptionFormView::SampleColor(int) { return NULL; }

void COptionFormView::OnInitialUpdate() {
  Initialize();
  CFormView::OnInitialUpdate();
}

bool COptionFormView::Initialize() {
  try {
    CDXDoc* document = GetDXDoc();
    if (document == NULL) {
      m_sFailure.Format("\nError: The %s form has no document.", m_pszTitle);
      throw static_cast<const char*>(m_sFailure);
    }
    UpdateControls();
    SetFormInDocument(document, true);
    m_pSplitterFrame = FindSplitterFrame(document);
    AttachControls();
    FillForm(NULL);
  } catch (const char* message) {
    m_bFilling = false;
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  m_bInitialized = true;
  return true;
}

void COptionFormView::AttachFloatEdits(std::initializer_list<SFloatEditSpin> edits) {
  for (const SFloatEditSpin& attach : edits) {
    auto* spin = attach.spin != 0 ? static_cast<CSpinButtonCtrl*>(GetDlgItem(attach.spin)) : NULL;
    if ((attach.spin != 0 && spin == NULL) || !attach.edit->SubclassDlgItem(attach.id, this)) {
      m_sFailure.Format("\nError: SubclassDlgItem() failed in %s::Initialize().", GetRuntimeClass()->m_lpszClassName);
      throw static_cast<const char*>(m_sFailure);
    }
    m_attachedEdits.push_back(attach.edit);
    if (spin != NULL) spin->SetRange32(0, attach.top);
  }
}

void COptionFormView::AttachTolerances(SReductionTolerances& tolerances) {
  AttachFloatEdits({{&tolerances.percentEdit, IDC_REDUCTION_PERCENT, IDC_SPIN_REDUCTION_PERCENT, 100},
                    {&tolerances.normalAngleEdit, IDC_MAX_NORMAL_ANGLE, IDC_SPIN_MAX_NORMAL_ANGLE, 32767},
                    {&tolerances.areaChangeEdit, IDC_MAX_AREA_CHANGE, IDC_SPIN_MAX_AREA_CHANGE, 32767},
                    {&tolerances.faceAreaFactorEdit, IDC_FACE_AREA_FACTOR, IDC_SPIN_FACE_AREA_FACTOR, 32767}});
}

void COptionFormView::UpdateControls() {
  m_bFilling = true;
  UpdateData(FALSE);
  m_bFilling = false;
}

void COptionFormView::FillForm(CONFIGFILE* config) {
  CDXDoc* document = GetDXDoc();
  if (config == NULL && document != NULL) config = document->GetConfig();
  if (config == NULL) return;
  ValuesFrom(*config);
  UpdateControls();
  OnFormFilled();
}

void COptionFormView::SetInDocument() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL) return;
  // A control that cannot be read keeps its previous value; once the
  // controls are gone (the form is being destroyed) the members count.
  bool controlsThere = std::all_of(m_attachedEdits.begin(), m_attachedEdits.end(),
                                   [](CFloatEdit* edit) { return edit->GetSafeHwnd() != NULL; });
  if (controlsThere) UpdateData(TRUE);
  CONFIGFILE config = *document->GetConfig();
  ValuesInto(config);
  document->SetConfig(&config);
}

void COptionFormView::FocusActive3DView() {
  if (m_pSplitterFrame != NULL) m_pSplitterFrame->SetFocusOnActive3DView();
}

void COptionFormView::CommitAndFocus() {
  SetInDocument();
  FocusActive3DView();
}

void COptionFormView::ResetToDefaults() {
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  FillForm(&defaults);
  SetInDocument();
}

void COptionFormView::InvalidateSample(int sample) {
  if (CWnd* control = GetDlgItem(sample)) control->Invalidate();
}

void COptionFormView::ChooseColor(int sample) {
  D3DCOLORVALUE* colour = SampleColor(sample);
  if (colour == NULL) return;
  CColorDialog dialog(RGB(0, 0, 0), 0, this);
  if (dialog.DoModal() != IDOK) return;
  *colour = ConvertWin32Color(dialog.GetColor());
  InvalidateSample(sample);
  CommitAndFocus();
}

void COptionFormView::ChooseShading(int choice) {
  CheckRadioButton(IDC_SHADING_FLAT, IDC_SHADING_GOURAUD, choice == 0 ? IDC_SHADING_GOURAUD : IDC_SHADING_FLAT);
  SetDeviceShading(static_cast<DWORD>(choice));
  CommitAndFocus();
}

void COptionFormView::ChooseFilling(int choice) {
  CheckRadioButton(IDC_FILLING_WIREFRAME, IDC_FILLING_SOLID, choice == 0 ? IDC_FILLING_SOLID : IDC_FILLING_WIREFRAME);
  SetDeviceFilling(static_cast<DWORD>(choice));
  CommitAndFocus();
}

void COptionFormView::OnChangeAnyEdit() {
  if (!m_bInitialized || m_bFilling) return;
  for (CFloatEdit* edit : m_attachedEdits) {
    if (!edit->IsValidFloat()) return;
  }
  SetInDocument();
}

void COptionFormView::OnDeltaposAllSpinners(NMHDR* header, LRESULT* result) {
  *result = 0;
  auto* spin = DYNAMIC_DOWNCAST(CSpinButtonCtrl, CWnd::FromHandlePermanent(header->hwndFrom));
  auto* edit = spin != NULL ? dynamic_cast<CFloatEdit*>(spin->GetBuddy()) : NULL;
  if (edit == NULL || edit->GetParent() != this) return;
  edit->IncrementContent(spin, reinterpret_cast<NM_UPDOWN*>(header), 1.0f);
}

void COptionFormView::OnShadingGouraudRadio() { ChooseShading(0); }
void COptionFormView::OnShadingFlatRadio() { ChooseShading(1); }
void COptionFormView::OnFillingSolidRadio() { ChooseFilling(0); }
void COptionFormView::OnFillingWireframeRadio() { ChooseFilling(1); }

HBRUSH COptionFormView::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
  HBRUSH brush = CFormView::OnCtlColor(dc, control, kind);
  if (control == NULL) return brush;
  if (const D3DCOLORVALUE* colour = SampleColor(control->GetDlgCtrlID())) {
    DrawColorSample(dc, control, ConvertD3DColor(*colour));
  }
  return brush;
}

void COptionFormView::DrawColorSample(CDC* dc, CWnd* control, COLORREF colour) {
  RECT rect;
  control->GetClientRect(&rect);
  dc->FillSolidRect(&rect, colour);
}

void COptionFormView::OnDestroy() {
  DestroyContent();
  CFormView::OnDestroy();
}

// ---------------------------------------------------------------------------
// The groups that two forms share

void SReductionTolerances::Exchange(CDataExchange* exchange) {
  DDX_Check(exchange, IDC_ALLOW_MIDPOINT, allowMidpoint);
  DDX_Text(exchange, IDC_MAX_NORMAL_ANGLE, maxNormalAngle);
  DDX_Text(exchange, IDC_MAX_AREA_CHANGE, maxAreaChangePercent);
  DDX_Text(exchange, IDC_FACE_AREA_FACTOR, faceAreaFactor);
  DDX_Text(exchange, IDC_REDUCTION_PERCENT, reductionPercent);
}

void SReductionTolerances::From(const CONFIGFILE& config) {
  reductionPercent = config.fReductionPercent;
  allowMidpoint = config.bAllowMidpoint != 0;
  maxNormalAngle = config.fMaxNormalAngle;
  maxAreaChangePercent = config.fMaxAreaChangePercent;
  faceAreaFactor = config.fFaceAreaFactor;
}

void SReductionTolerances::Into(CONFIGFILE& config) const {
  config.fReductionPercent = reductionPercent;
  config.bAllowMidpoint = allowMidpoint != 0 ? 1 : 0;
  config.fMaxNormalAngle = maxNormalAngle;
  config.fMaxAreaChangePercent = maxAreaChangePercent;
  config.fFaceAreaFactor = faceAreaFactor;
}

void SReductionTolerances::Clear() {
  allowMidpoint = 0;
  maxNormalAngle = maxAreaChangePercent = faceAreaFactor = reductionPercent = 0.0f;
}

void SDisplayChoices::Exchange(CDataExchange* exchange) {
  DDX_Check(exchange, IDC_SHOW_ACTIVE_EDGES, showActiveEdges);
  DDX_Check(exchange, IDC_SHOW_ACTIVE_VERTICES, showActiveVertices);
  DDX_Check(exchange, IDC_SHOW_REMOVED_VERTICES, showRemovedVertices);
  DDX_Check(exchange, IDC_COLOR_NEW_TRIANGLES, colorNewFaces);
  DDX_Radio(exchange, IDC_SHADING_GOURAUD, shading);
  DDX_Radio(exchange, IDC_FILLING_SOLID, filling);
}

void SDisplayChoices::From(const CONFIGFILE& config) {
  shading = config.dwShadeMode == 0 ? 0 : 1;
  filling = config.dwFillMode == 0 ? 0 : 1;
  showActiveEdges = config.bShowActiveEdges != 0;
  showActiveVertices = config.bShowActiveVertices != 0;
  showRemovedVertices = config.bShowRemovedVertices != 0;
  colorNewFaces = config.bColorCreatedTriangles != 0;
  activeEdges = config.cvActiveEdges;
  activeVertices = config.cvActiveVertices;
  removedVertices = config.cvRemovedVertices;
  createdTriangles = config.cvCreatedTriangles;
}

void SDisplayChoices::Into(CONFIGFILE& config) const {
  config.dwShadeMode = static_cast<DWORD>(shading == 1 ? 1 : 0);
  config.dwFillMode = static_cast<DWORD>(filling == 1 ? 1 : 0);
  config.bShowActiveEdges = showActiveEdges != 0 ? 1 : 0;
  config.bShowActiveVertices = showActiveVertices != 0 ? 1 : 0;
  config.bShowRemovedVertices = showRemovedVertices != 0 ? 1 : 0;
  config.bColorCreatedTriangles = colorNewFaces != 0 ? 1 : 0;
  config.cvActiveEdges = activeEdges;
  config.cvActiveVertices = activeVertices;
  config.cvRemovedVertices = removedVertices;
  config.cvCreatedTriangles = createdTriangles;
}

void SDisplayChoices::Clear() {
  shading = filling = 0;
  showActiveEdges = showActiveVertices = showRemovedVertices = colorNewFaces = 0;
  activeEdges = activeVertices = removedVertices = createdTriangles = D3DCOLORVALUE{};
}

D3DCOLORVALUE* SDisplayChoices::SampleColor(int sample) {
  switch (sample) {
    case IDC_SAMPLE_ACTIVE_EDGES:
      return &activeEdges;
    case IDC_SAMPLE_ACTIVE_VERTICES:
      return &activeVertices;
    case IDC_SAMPLE_CREATED_TRIANGLES:
      return &createdTriangles;
    case IDC_SAMPLE_REMOVED_VERTICES:
      return &removedVertices;
    default:
      return NULL;
  }
}

void SetDeviceShading(DWORD choice) {
  SetRenderStateIfDiffers(D3DRS_SHADEMODE, choice == 0 ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
}

void SetDeviceFilling(DWORD choice) {
  SetRenderStateIfDiffers(D3DRS_FILLMODE, choice == 0 ? D3DFILL_SOLID : D3DFILL_WIREFRAME);
}
