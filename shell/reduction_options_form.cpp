#include "reduction_options_form.h"

#include <materialpresets.h>
#include <tracelog.h>

#include <cstring>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "option_forms.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CReductionOptionsFormView, CFormView)

BEGIN_MESSAGE_MAP(CReductionOptionsFormView, CFormView)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_REDUCTION_PERCENT, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_MAX_NORMAL_ANGLE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_MAX_AREA_CHANGE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_FACE_AREA_FACTOR, OnDeltaposAllSpinners)
ON_BN_CLICKED(IDC_ALLOW_MIDPOINT, OnSinglePointPositionEdgeMidpointCheck)
ON_BN_CLICKED(IDC_SHOW_ACTIVE_EDGES, OnShowActiveEdges)
ON_BN_CLICKED(IDC_SHOW_ACTIVE_VERTICES, OnShowActiveVertices)
ON_BN_CLICKED(IDC_SHOW_REMOVED_VERTICES, OnShowRemovedVertices)
ON_BN_CLICKED(IDC_COLOR_NEW_TRIANGLES, OnColorNewFaces)
ON_BN_CLICKED(IDC_SHADING_GOURAUD, OnShadingGouraudRadio)
ON_BN_CLICKED(IDC_SHADING_FLAT, OnShadingFlatRadio)
ON_BN_CLICKED(IDC_FILLING_SOLID, OnFillingSolidRadio)
ON_BN_CLICKED(IDC_FILLING_WIREFRAME, OnFillingWireframeRadio)
ON_STN_CLICKED(IDC_SAMPLE_ACTIVE_EDGES, OnPictureActiveEdgesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_ACTIVE_VERTICES, OnPictureActiveVerticesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_REMOVED_VERTICES, OnPictureRemovedVerticesColorSample)
ON_STN_CLICKED(IDC_SAMPLE_CREATED_TRIANGLES, OnPictureCreatedTrianglesColorSample)
ON_WM_CTLCOLOR()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CReductionOptionsFormView::CReductionOptionsFormView() : CFormView(IDD_REDUCTION_OPTIONS_FORM) {
  m_bShowActiveEdges = m_bShowActiveVertices = m_bShowRemovedVertices = m_bColorNewFaces = 0;
  m_nShading = m_nFilling = -1;
  ClearContent();
}

CReductionOptionsFormView::~CReductionOptionsFormView() { DestroyContent(); }

void CReductionOptionsFormView::ClearContent() {
  m_pParentFrame = NULL;
  m_cvActiveEdges = m_cvActiveVertices = m_cvRemovedVertices = m_cvCreatedTriangles = D3DCOLORVALUE{};
  m_bAllowMidpoint = 0;
  m_fMaxNormalAngle = m_fMaxAreaChangePercent = m_fFaceAreaFactor = m_fReductionPercent = 0.0f;
  m_bShowActiveEdges = m_bShowActiveVertices = m_bShowRemovedVertices = m_bColorNewFaces = 0;
  m_nShading = m_nFilling = 0;
}

void CReductionOptionsFormView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != NULL && document->GetReductionOptionsFormView() == this) {
    document->SetReductionOptionsFormView(NULL);
  }
  ClearContent();
}

CDXDoc* CReductionOptionsFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CReductionOptionsFormView::OnInitialUpdate() {
  Initialize();
  CFormView::OnInitialUpdate();
}

bool CReductionOptionsFormView::Initialize() {
  try {
    CDXDoc* document = GetDXDoc();
    if (document == NULL) throw "\nError: The reduction options form has no document.";
    UpdateData(FALSE);
    document->SetReductionOptionsFormView(this);
    m_pParentFrame = DYNAMIC_DOWNCAST(CDXSplitterFrame, GetParentFrame());
    if (!m_ReductionPercentEdit.SubclassDlgItem(IDC_REDUCTION_PERCENT, this) ||
        !m_MaxNormalAngleEdit.SubclassDlgItem(IDC_MAX_NORMAL_ANGLE, this) ||
        !m_MaxAreaChangeEdit.SubclassDlgItem(IDC_MAX_AREA_CHANGE, this) ||
        !m_FaceAreaFactorEdit.SubclassDlgItem(IDC_FACE_AREA_FACTOR, this)) {
      throw "\nError: SubclassDlgItem() failed in CReductionOptionsFormView::Initialize().";
    }
    static_cast<CSpinButtonCtrl*>(GetDlgItem(IDC_SPIN_REDUCTION_PERCENT))->SetRange32(0, 100);
    for (int spin : {IDC_SPIN_MAX_NORMAL_ANGLE, IDC_SPIN_MAX_AREA_CHANGE, IDC_SPIN_FACE_AREA_FACTOR}) {
      static_cast<CSpinButtonCtrl*>(GetDlgItem(spin))->SetRange32(0, 32767);
    }
    FillForm();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  return true;
}

void CReductionOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  CFormView::DoDataExchange(exchange);
  DDX_Check(exchange, IDC_ALLOW_MIDPOINT, m_bAllowMidpoint);
  DDX_Text(exchange, IDC_MAX_NORMAL_ANGLE, m_fMaxNormalAngle);
  DDX_Text(exchange, IDC_MAX_AREA_CHANGE, m_fMaxAreaChangePercent);
  DDX_Text(exchange, IDC_FACE_AREA_FACTOR, m_fFaceAreaFactor);
  DDX_Text(exchange, IDC_REDUCTION_PERCENT, m_fReductionPercent);
  DDX_Check(exchange, IDC_SHOW_ACTIVE_EDGES, m_bShowActiveEdges);
  DDX_Check(exchange, IDC_SHOW_ACTIVE_VERTICES, m_bShowActiveVertices);
  DDX_Check(exchange, IDC_SHOW_REMOVED_VERTICES, m_bShowRemovedVertices);
  DDX_Check(exchange, IDC_COLOR_NEW_TRIANGLES, m_bColorNewFaces);
  DDX_Radio(exchange, IDC_SHADING_GOURAUD, m_nShading);
  DDX_Radio(exchange, IDC_FILLING_SOLID, m_nFilling);
}

void CReductionOptionsFormView::UpdateControls() { UpdateData(FALSE); }

void CReductionOptionsFormView::FillForm() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL) return;
  const CONFIGFILE* config = document->GetConfig();
  m_fReductionPercent = config->fReductionPercent;
  m_bAllowMidpoint = config->bAllowMidpoint != 0;
  m_fMaxNormalAngle = config->fMaxNormalAngle;
  m_fMaxAreaChangePercent = config->fMaxAreaChangePercent;
  m_fFaceAreaFactor = config->fFaceAreaFactor;
  m_nShading = config->dwShadeMode == 0 ? 0 : 1;
  m_nFilling = config->dwFillMode == 0 ? 0 : 1;
  m_bShowActiveEdges = config->bShowActiveEdges != 0;
  m_bShowActiveVertices = config->bShowActiveVertices != 0;
  m_bShowRemovedVertices = config->bShowRemovedVertices != 0;
  m_bColorNewFaces = config->bColorCreatedTriangles != 0;
  m_cvActiveEdges = config->cvActiveEdges;
  m_cvActiveVertices = config->cvActiveVertices;
  m_cvRemovedVertices = config->cvRemovedVertices;
  m_cvCreatedTriangles = config->cvCreatedTriangles;
  UpdateControls();
  InvalidateActiveEdgesColorSample();
  InvalidateActiveVerticesColorSample();
  InvalidateRemovedVerticesColorSample();
  InvalidateCreatedTrianglesColorSample();
}

void CReductionOptionsFormView::SetInDocument() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL) return;
  UpdateData(TRUE);  // a control that cannot be read keeps its previous value
  CONFIGFILE config = *document->GetConfig();
  config.fReductionPercent = m_fReductionPercent;
  config.bAllowMidpoint = m_bAllowMidpoint != 0 ? 1 : 0;
  config.fMaxNormalAngle = m_fMaxNormalAngle;
  config.fMaxAreaChangePercent = m_fMaxAreaChangePercent;
  config.fFaceAreaFactor = m_fFaceAreaFactor;
  config.dwShadeMode = static_cast<DWORD>(m_nShading == 1 ? 1 : 0);
  config.dwFillMode = static_cast<DWORD>(m_nFilling == 1 ? 1 : 0);
  config.bShowActiveEdges = m_bShowActiveEdges != 0 ? 1 : 0;
  config.bShowActiveVertices = m_bShowActiveVertices != 0 ? 1 : 0;
  config.bShowRemovedVertices = m_bShowRemovedVertices != 0 ? 1 : 0;
  config.bColorCreatedTriangles = m_bColorNewFaces != 0 ? 1 : 0;
  config.cvActiveEdges = m_cvActiveEdges;
  config.cvActiveVertices = m_cvActiveVertices;
  config.cvRemovedVertices = m_cvRemovedVertices;
  config.cvCreatedTriangles = m_cvCreatedTriangles;
  document->SetConfig(&config);
}

// ---------------------------------------------------------------------------
// The form's values as records

REDUCTIONOPTIONS CReductionOptionsFormView::GetReductionOptions() {
  UpdateData(TRUE);
  return GetClassMembersReductionOptions();
}

REDUCTIONOPTIONS CReductionOptionsFormView::GetClassMembersReductionOptions() {
  REDUCTIONOPTIONS options;
  std::memset(&options, 0, sizeof options);
  options.maxNormalAngle = m_fMaxNormalAngle;
  options.maxAreaChangePercent = m_fMaxAreaChangePercent;
  options.faceAreaFactor = m_fFaceAreaFactor;
  options.removedVerticesMaterial = GetDefaultMaterial(m_cvRemovedVertices);
  return options;
}

DISPLAYOPTIONS CReductionOptionsFormView::GetDisplayOptions() {
  UpdateData(TRUE);
  return GetClassMembersDisplayOptions();
}

DISPLAYOPTIONS CReductionOptionsFormView::GetClassMembersDisplayOptions() {
  DISPLAYOPTIONS options;
  std::memset(&options, 0, sizeof options);
  options.newFacesMaterial = GetDefaultMaterial(m_cvCreatedTriangles);
  return options;
}

FORMREDUCTIONOPTIONS CReductionOptionsFormView::GetFormReductionOptions() {
  UpdateData(TRUE);
  return GetClassMembersFormReductionOptions();
}

FORMREDUCTIONOPTIONS CReductionOptionsFormView::GetClassMembersFormReductionOptions() {
  FORMREDUCTIONOPTIONS options;
  std::memset(&options, 0, sizeof options);
  options.removedVerticesColor = m_cvRemovedVertices;
  options.allowMidpoint = m_bAllowMidpoint != 0 ? 1 : 0;
  options.maxNormalAngle = m_fMaxNormalAngle;
  options.maxAreaChangePercent = m_fMaxAreaChangePercent;
  options.faceAreaFactor = m_fFaceAreaFactor;
  options.createdTrianglesColor = m_cvCreatedTriangles;
  return options;
}

void CReductionOptionsFormView::SetReductionOptions(REDUCTIONOPTIONS& options) {
  m_cvRemovedVertices = options.removedVerticesMaterial.Diffuse;
  m_bAllowMidpoint = options.allowMidpoint != 0;
  m_fMaxNormalAngle = options.maxNormalAngle;
  m_fMaxAreaChangePercent = options.maxAreaChangePercent;
  m_fFaceAreaFactor = options.faceAreaFactor;
  UpdateControls();
}

void CReductionOptionsFormView::SetDisplayOptions(DISPLAYOPTIONS& options) {
  m_cvCreatedTriangles = options.newFacesMaterial.Diffuse;
  InvalidateActiveVerticesColorSample();
  UpdateControls();
}

void CReductionOptionsFormView::SetFormReductionOptions(FORMREDUCTIONOPTIONS& options) {
  m_cvRemovedVertices = options.removedVerticesColor;
  m_bAllowMidpoint = options.allowMidpoint != 0;
  m_fMaxNormalAngle = options.maxNormalAngle;
  m_fMaxAreaChangePercent = options.maxAreaChangePercent;
  m_cvCreatedTriangles = options.createdTrianglesColor;
  InvalidateActiveVerticesColorSample();
  UpdateControls();
}

void CReductionOptionsFormView::SetRemovingCompletelySurroundedVerticesCheck(int) { UpdateControls(); }
void CReductionOptionsFormView::SetRemovingPartiallySurroundedVerticesCheck(int) { UpdateControls(); }
void CReductionOptionsFormView::SetDesiredNumberOfEdgesCheck(int) { UpdateControls(); }

void CReductionOptionsFormView::SaveOptions() {
  FORMREDUCTIONOPTIONS options = GetFormReductionOptions();
  if (CDXDoc* document = GetDXDoc()) document->SetReductionOptions(options);
}

void CReductionOptionsFormView::SetVertexHandleColor(D3DCOLORVALUE&) { InvalidateActiveVerticesColorSample(); }

// ---------------------------------------------------------------------------
// Handlers

void CReductionOptionsFormView::CommitAndFocus() {
  SetInDocument();
  if (m_pParentFrame != NULL) m_pParentFrame->SetFocusOnActive3DView();
}

void CReductionOptionsFormView::OnDeltaposAllSpinners(NMHDR* header, LRESULT* result) {
  StepBuddyEdit(this, header, result, 1.0f);
}

void CReductionOptionsFormView::OnSinglePointPositionEdgeMidpointCheck() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowActiveEdges() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowActiveVertices() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowRemovedVertices() { CommitAndFocus(); }
void CReductionOptionsFormView::OnColorNewFaces() { CommitAndFocus(); }

void CReductionOptionsFormView::OnShadingGouraudRadio() {
  CheckRadioButton(IDC_SHADING_FLAT, IDC_SHADING_GOURAUD, IDC_SHADING_GOURAUD);
  SetDeviceShading(0);
  CommitAndFocus();
}

void CReductionOptionsFormView::OnShadingFlatRadio() {
  CheckRadioButton(IDC_SHADING_FLAT, IDC_SHADING_GOURAUD, IDC_SHADING_FLAT);
  SetDeviceShading(1);
  CommitAndFocus();
}

void CReductionOptionsFormView::OnFillingSolidRadio() {
  CheckRadioButton(IDC_FILLING_WIREFRAME, IDC_FILLING_SOLID, IDC_FILLING_SOLID);
  SetDeviceFilling(0);
  CommitAndFocus();
}

void CReductionOptionsFormView::OnFillingWireframeRadio() {
  CheckRadioButton(IDC_FILLING_WIREFRAME, IDC_FILLING_SOLID, IDC_FILLING_WIREFRAME);
  SetDeviceFilling(1);
  CommitAndFocus();
}

void CReductionOptionsFormView::ChooseColor(D3DCOLORVALUE& colour, int sample) {
  if (!ChooseSampleColor(this, colour)) return;
  if (CWnd* control = GetDlgItem(sample)) control->Invalidate();
  CommitAndFocus();
}

void CReductionOptionsFormView::OnPictureActiveEdgesColorSample() {
  ChooseColor(m_cvActiveEdges, IDC_SAMPLE_ACTIVE_EDGES);
}
void CReductionOptionsFormView::OnPictureActiveVerticesColorSample() {
  ChooseColor(m_cvActiveVertices, IDC_SAMPLE_ACTIVE_VERTICES);
}
void CReductionOptionsFormView::OnPictureRemovedVerticesColorSample() {
  ChooseColor(m_cvRemovedVertices, IDC_SAMPLE_REMOVED_VERTICES);
}
void CReductionOptionsFormView::OnPictureCreatedTrianglesColorSample() {
  ChooseColor(m_cvCreatedTriangles, IDC_SAMPLE_CREATED_TRIANGLES);
}

HBRUSH CReductionOptionsFormView::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
  HBRUSH brush = CFormView::OnCtlColor(dc, control, kind);
  if (control == NULL) return brush;
  const D3DCOLORVALUE* colour = NULL;
  switch (control->GetDlgCtrlID()) {
    case IDC_SAMPLE_ACTIVE_EDGES:
      colour = &m_cvActiveEdges;
      break;
    case IDC_SAMPLE_ACTIVE_VERTICES:
      colour = &m_cvActiveVertices;
      break;
    case IDC_SAMPLE_CREATED_TRIANGLES:
      colour = &m_cvCreatedTriangles;
      break;
    case IDC_SAMPLE_REMOVED_VERTICES:
      colour = &m_cvRemovedVertices;
      break;
    default:
      break;
  }
  if (colour != NULL) DrawColorSample(dc, control, ConvertD3DColor(*colour));
  return brush;
}

void CReductionOptionsFormView::InvalidateActiveEdgesColorSample() {
  if (CWnd* sample = GetDlgItem(IDC_SAMPLE_ACTIVE_EDGES)) sample->Invalidate();
}
void CReductionOptionsFormView::InvalidateActiveVerticesColorSample() {
  if (CWnd* sample = GetDlgItem(IDC_SAMPLE_ACTIVE_VERTICES)) sample->Invalidate();
}
void CReductionOptionsFormView::InvalidateRemovedVerticesColorSample() {
  if (CWnd* sample = GetDlgItem(IDC_SAMPLE_REMOVED_VERTICES)) sample->Invalidate();
}
void CReductionOptionsFormView::InvalidateCreatedTrianglesColorSample() {
  if (CWnd* sample = GetDlgItem(IDC_SAMPLE_CREATED_TRIANGLES)) sample->Invalidate();
}

void CReductionOptionsFormView::OnDestroy() {
  DestroyContent();
  CFormView::OnDestroy();
}
