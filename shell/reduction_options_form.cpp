#include "reduction_options_form.h"

#include <materialpresets.h>

#include <cstring>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CReductionOptionsFormView, COptionFormView)

BEGIN_MESSAGE_MAP(CReductionOptionsFormView, COptionFormView)
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
END_MESSAGE_MAP()

CReductionOptionsFormView::CReductionOptionsFormView() : COptionFormView(IDD_REDUCTION_OPTIONS_FORM, "reduction options") {
  m_bShowActiveEdges = m_bShowActiveVertices = m_bShowRemovedVertices = m_bColorNewFaces = 0;
  m_nShading = m_nFilling = -1;
  ClearContent();
}

CReductionOptionsFormView::~CReductionOptionsFormView() { DestroyContent(); }

void CReductionOptionsFormView::ClearContent() {
  COptionFormView::ClearContent();
  m_cvActiveEdges = m_cvActiveVertices = m_cvRemovedVertices = m_cvCreatedTriangles = D3DCOLORVALUE{};
  m_bAllowMidpoint = 0;
  m_fMaxNormalAngle = m_fMaxAreaChangePercent = m_fFaceAreaFactor = m_fReductionPercent = 0.0f;
  m_bShowActiveEdges = m_bShowActiveVertices = m_bShowRemovedVertices = m_bColorNewFaces = 0;
  m_nShading = m_nFilling = 0;
}

void CReductionOptionsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetReductionOptionsFormView() == this) {
    document->SetReductionOptionsFormView(present ? this : NULL);
  }
}

CDXSplitterFrame* CReductionOptionsFormView::FindSplitterFrame(CDXDoc*) {
  return DYNAMIC_DOWNCAST(CDXSplitterFrame, GetParentFrame());
}

void CReductionOptionsFormView::AttachControls() {
  AttachFloatEdits({{&m_ReductionPercentEdit, IDC_REDUCTION_PERCENT, IDC_SPIN_REDUCTION_PERCENT, 100},
                    {&m_MaxNormalAngleEdit, IDC_MAX_NORMAL_ANGLE, IDC_SPIN_MAX_NORMAL_ANGLE, 32767},
                    {&m_MaxAreaChangeEdit, IDC_MAX_AREA_CHANGE, IDC_SPIN_MAX_AREA_CHANGE, 32767},
                    {&m_FaceAreaFactorEdit, IDC_FACE_AREA_FACTOR, IDC_SPIN_FACE_AREA_FACTOR, 32767}});
}

void CReductionOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
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

void CReductionOptionsFormView::ValuesFrom(const CONFIGFILE& config) {
  m_fReductionPercent = config.fReductionPercent;
  m_bAllowMidpoint = config.bAllowMidpoint != 0;
  m_fMaxNormalAngle = config.fMaxNormalAngle;
  m_fMaxAreaChangePercent = config.fMaxAreaChangePercent;
  m_fFaceAreaFactor = config.fFaceAreaFactor;
  m_nShading = config.dwShadeMode == 0 ? 0 : 1;
  m_nFilling = config.dwFillMode == 0 ? 0 : 1;
  m_bShowActiveEdges = config.bShowActiveEdges != 0;
  m_bShowActiveVertices = config.bShowActiveVertices != 0;
  m_bShowRemovedVertices = config.bShowRemovedVertices != 0;
  m_bColorNewFaces = config.bColorCreatedTriangles != 0;
  m_cvActiveEdges = config.cvActiveEdges;
  m_cvActiveVertices = config.cvActiveVertices;
  m_cvRemovedVertices = config.cvRemovedVertices;
  m_cvCreatedTriangles = config.cvCreatedTriangles;
}

void CReductionOptionsFormView::OnFormFilled() {
  InvalidateActiveEdgesColorSample();
  InvalidateActiveVerticesColorSample();
  InvalidateRemovedVerticesColorSample();
  InvalidateCreatedTrianglesColorSample();
}

void CReductionOptionsFormView::ValuesInto(CONFIGFILE& config) {
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

void CReductionOptionsFormView::OnSinglePointPositionEdgeMidpointCheck() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowActiveEdges() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowActiveVertices() { CommitAndFocus(); }
void CReductionOptionsFormView::OnShowRemovedVertices() { CommitAndFocus(); }
void CReductionOptionsFormView::OnColorNewFaces() { CommitAndFocus(); }

void CReductionOptionsFormView::OnPictureActiveEdgesColorSample() { ChooseColor(IDC_SAMPLE_ACTIVE_EDGES); }
void CReductionOptionsFormView::OnPictureActiveVerticesColorSample() { ChooseColor(IDC_SAMPLE_ACTIVE_VERTICES); }
void CReductionOptionsFormView::OnPictureRemovedVerticesColorSample() { ChooseColor(IDC_SAMPLE_REMOVED_VERTICES); }
void CReductionOptionsFormView::OnPictureCreatedTrianglesColorSample() { ChooseColor(IDC_SAMPLE_CREATED_TRIANGLES); }

D3DCOLORVALUE* CReductionOptionsFormView::SampleColor(int sample) {
  return FindSampleColor(sample, {{IDC_SAMPLE_ACTIVE_EDGES, &m_cvActiveEdges},
                                  {IDC_SAMPLE_ACTIVE_VERTICES, &m_cvActiveVertices},
                                  {IDC_SAMPLE_CREATED_TRIANGLES, &m_cvCreatedTriangles},
                                  {IDC_SAMPLE_REMOVED_VERTICES, &m_cvRemovedVertices}});
}

void CReductionOptionsFormView::InvalidateActiveEdgesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_EDGES); }
void CReductionOptionsFormView::InvalidateActiveVerticesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_VERTICES); }
void CReductionOptionsFormView::InvalidateRemovedVerticesColorSample() { InvalidateSample(IDC_SAMPLE_REMOVED_VERTICES); }
void CReductionOptionsFormView::InvalidateCreatedTrianglesColorSample() {
  InvalidateSample(IDC_SAMPLE_CREATED_TRIANGLES);
}
