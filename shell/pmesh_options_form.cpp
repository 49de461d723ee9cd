#include "pmesh_options_form.h"

#include "dx_doc.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPMeshOptionsFormView, COptionFormView)

BEGIN_MESSAGE_MAP(CPMeshOptionsFormView, COptionFormView)
ON_BN_CLICKED(IDC_SIMPLIFY_FACES, OnSimplifyMeshFacesRadio)
ON_BN_CLICKED(IDC_SIMPLIFY_VERTICES, OnSimplifyMeshVerticesRadio)
ON_EN_CHANGE(IDC_WEIGHT_POSITION, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_WEIGHT_BOUNDARY, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_WEIGHT_NORMAL, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_WEIGHT_DIFFUSE, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_WEIGHT_SPECULAR, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_WEIGHT_TEXTURE, OnChangeAnyEdit)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_POSITION, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_BOUNDARY, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_NORMAL, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_DIFFUSE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_SPECULAR, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_WEIGHT_TEXTURE, OnDeltaposAllSpinners)
ON_BN_CLICKED(IDC_RESET_OPTIONS, OnResetDefaultReductionOptionsButton)
END_MESSAGE_MAP()

CPMeshOptionsFormView::CPMeshOptionsFormView()
    : COptionFormView(IDD_PMESH_OPTIONS_FORM, "progressive mesh options"),
      m_nSimplification(-1),
      m_fBoundary(0.0f),
      m_fDiffuse(0.0f),
      m_fNormal(0.0f),
      m_fPosition(0.0f),
      m_fSpecular(0.0f),
      m_fTexture(0.0f) {}

CPMeshOptionsFormView::~CPMeshOptionsFormView() { DestroyContent(); }

void CPMeshOptionsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetPMeshOptionsFormView() == this) document->SetPMeshOptionsFormView(present ? this : NULL);
}

void CPMeshOptionsFormView::AttachControls() {
  AttachFloatEdits({{&m_BoundaryEdit, IDC_WEIGHT_BOUNDARY, IDC_SPIN_WEIGHT_BOUNDARY, 32767},
                    {&m_DiffuseEdit, IDC_WEIGHT_DIFFUSE, IDC_SPIN_WEIGHT_DIFFUSE, 32767},
                    {&m_NormalEdit, IDC_WEIGHT_NORMAL, IDC_SPIN_WEIGHT_NORMAL, 32767},
                    {&m_PositionEdit, IDC_WEIGHT_POSITION, IDC_SPIN_WEIGHT_POSITION, 32767},
                    {&m_SpecularEdit, IDC_WEIGHT_SPECULAR, IDC_SPIN_WEIGHT_SPECULAR, 32767},
                    {&m_TextureEdit, IDC_WEIGHT_TEXTURE, IDC_SPIN_WEIGHT_TEXTURE, 32767}});
}

void CPMeshOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
  DDX_Radio(exchange, IDC_SIMPLIFY_FACES, m_nSimplification);
  DDX_Text(exchange, IDC_WEIGHT_BOUNDARY, m_fBoundary);
  DDX_Text(exchange, IDC_WEIGHT_DIFFUSE, m_fDiffuse);
  DDX_Text(exchange, IDC_WEIGHT_NORMAL, m_fNormal);
  DDX_Text(exchange, IDC_WEIGHT_POSITION, m_fPosition);
  DDX_Text(exchange, IDC_WEIGHT_SPECULAR, m_fSpecular);
  DDX_Text(exchange, IDC_WEIGHT_TEXTURE, m_fTexture);
}

void CPMeshOptionsFormView::ValuesFrom(const CONFIGFILE& config) {
  m_nSimplification = config.dwPMeshByVertices == 0 ? 0 : 1;
  m_fBoundary = config.fWeightBoundary;
  m_fDiffuse = config.fWeightDiffuse;
  m_fNormal = config.fWeightNormal;
  m_fPosition = config.fWeightPosition;
  m_fSpecular = config.fWeightSpecular;
  m_fTexture = config.fWeightTexture;
}

void CPMeshOptionsFormView::ValuesInto(CONFIGFILE& config) {
  config.dwPMeshByVertices = m_nSimplification == 1 ? 1 : 0;
  config.fWeightBoundary = m_fBoundary;
  config.fWeightDiffuse = m_fDiffuse;
  config.fWeightNormal = m_fNormal;
  config.fWeightPosition = m_fPosition;
  config.fWeightSpecular = m_fSpecular;
  config.fWeightTexture = m_fTexture;
}

void CPMeshOptionsFormView::OnSimplificationChanged() {
  SetInDocument();
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshPercentageDisplayed();
  FocusActive3DView();
}

void CPMeshOptionsFormView::OnSimplifyMeshFacesRadio() {
  CheckRadioButton(IDC_SIMPLIFY_FACES, IDC_SIMPLIFY_VERTICES, IDC_SIMPLIFY_FACES);
  OnSimplificationChanged();
}

void CPMeshOptionsFormView::OnSimplifyMeshVerticesRadio() {
  CheckRadioButton(IDC_SIMPLIFY_FACES, IDC_SIMPLIFY_VERTICES, IDC_SIMPLIFY_VERTICES);
  OnSimplificationChanged();
}

void CPMeshOptionsFormView::OnResetDefaultReductionOptionsButton() {
  ResetToDefaults();
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshPercentageDisplayed();
}
