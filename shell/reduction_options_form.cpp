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

CReductionOptionsFormView::CReductionOptionsFormView()
    : COptionFormView(IDD_REDUCTION_OPTIONS_FORM, "reduction options") {
  ClearContent();
}

CReductionOptionsFormView::~CReductionOptionsFormView() { DestroyContent(); }

void CReductionOptionsFormView::ClearContent() {
  COptionFormView::ClearContent();
  m_Tolerances.Clear();
  m_Display.Clear();
}

void CReductionOptionsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetReductionOptionsFormView() == this) {
    document->SetReductionOptionsFormView(present ? this : NULL);
  }
}

CDXSplitterFrame* CReductionOptionsFormView::FindSplitterFrame(CDXDoc*) {
  return DYNAMIC_DOWNCAST(CDXSplitterFrame, GetParentFrame());
}

void CReductionOptionsFormView::AttachControls() { AttachTolerances(m_Tolerances); }

void CReductionOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
  m_Tolerances.Exchange(exchange);
  m_Display.Exchange(exchange);
}

void CReductionOptionsFormView::ValuesFrom(const CONFIGFILE& config) {
  m_Tolerances.From(config);
  m_Display.From(config);
}

void CReductionOptionsFormView::OnFormFilled() {
  InvalidateActiveEdgesColorSample();
  InvalidateActiveVerticesColorSample();
  InvalidateRemovedVerticesColorSample();
  InvalidateCreatedTrianglesColorSample();
}

void CReductionOptionsFormView::ValuesInto(CONFIGFILE& config) {
  m_Tolerances.Into(config);
  m_Display.Into(config);
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
  options.maxNormalAngle = m_Tolerances.maxNormalAngle;
  options.maxAreaChangePercent = m_Tolerances.maxAreaChangePercent;
  options.faceAreaFactor = m_Tolerances.faceAreaFactor;
  options.removedVerticesMaterial = GetDefaultMaterial(m_Display.removedVertices);
  return options;
}

DISPLAYOPTIONS CReductionOptionsFormView::GetDisplayOptions() {
  UpdateData(TRUE);
  return GetClassMembersDisplayOptions();
}

DISPLAYOPTIONS CReductionOptionsFormView::GetClassMembersDisplayOptions() {
  DISPLAYOPTIONS options;
  std::memset(&options, 0, sizeof options);
  options.newFacesMaterial = GetDefaultMaterial(m_Display.createdTriangles);
  return options;
}

FORMREDUCTIONOPTIONS CReductionOptionsFormView::GetFormReductionOptions() {
  UpdateData(TRUE);
  return GetClassMembersFormReductionOptions();
}

FORMREDUCTIONOPTIONS CReductionOptionsFormView::GetClassMembersFormReductionOptions() {
  FORMREDUCTIONOPTIONS options;
  std::memset(&options, 0, sizeof options);
  options.removedVerticesColor = m_Display.removedVertices;
  options.allowMidpoint = m_Tolerances.allowMidpoint != 0 ? 1 : 0;
  options.maxNormalAngle = m_Tolerances.maxNormalAngle;
  options.maxAreaChangePercent = m_Tolerances.maxAreaChangePercent;
  options.faceAreaFactor = m_Tolerances.faceAreaFactor;
  options.createdTrianglesColor = m_Display.createdTriangles;
  return options;
}

void CReductionOptionsFormView::SetReductionOptions(REDUCTIONOPTIONS& options) {
  m_Display.removedVertices = options.removedVerticesMaterial.Diffuse;
  m_Tolerances.allowMidpoint = options.allowMidpoint != 0;
  m_Tolerances.maxNormalAngle = options.maxNormalAngle;
  m_Tolerances.maxAreaChangePercent = options.maxAreaChangePercent;
  m_Tolerances.faceAreaFactor = options.faceAreaFactor;
  UpdateControls();
}

void CReductionOptionsFormView::SetDisplayOptions(DISPLAYOPTIONS& options) {
  m_Display.createdTriangles = options.newFacesMaterial.Diffuse;
  InvalidateActiveVerticesColorSample();
  UpdateControls();
}

void CReductionOptionsFormView::SetFormReductionOptions(FORMREDUCTIONOPTIONS& options) {
  m_Display.removedVertices = options.removedVerticesColor;
  m_Tolerances.allowMidpoint = options.allowMidpoint != 0;
  m_Tolerances.maxNormalAngle = options.maxNormalAngle;
  m_Tolerances.maxAreaChangePercent = options.maxAreaChangePercent;
  m_Display.createdTriangles = options.createdTrianglesColor;
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

D3DCOLORVALUE* CReductionOptionsFormView::SampleColor(int sample) { return m_Display.SampleColor(sample); }

void CReductionOptionsFormView::InvalidateActiveEdgesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_EDGES); }
void CReductionOptionsFormView::InvalidateActiveVerticesColorSample() { InvalidateSample(IDC_SAMPLE_ACTIVE_VERTICES); }
void CReductionOptionsFormView::InvalidateRemovedVerticesColorSample() { InvalidateSample(IDC_SAMPLE_REMOVED_VERTICES); }
void CReductionOptionsFormView::InvalidateCreatedTrianglesColorSample() {
  InvalidateSample(IDC_SAMPLE_CREATED_TRIANGLES);
}
