#include "pmesh_options_form.h"

#include <tracelog.h>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "option_forms.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPMeshOptionsFormView, CFormView)

BEGIN_MESSAGE_MAP(CPMeshOptionsFormView, CFormView)
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
ON_WM_DESTROY()
END_MESSAGE_MAP()

CPMeshOptionsFormView::CPMeshOptionsFormView()
    : CFormView(IDD_PMESH_OPTIONS_FORM),
      m_nSimplification(-1),
      m_fBoundary(0.0f),
      m_fDiffuse(0.0f),
      m_fNormal(0.0f),
      m_fPosition(0.0f),
      m_fSpecular(0.0f),
      m_fTexture(0.0f) {
  ClearContent();
}

CPMeshOptionsFormView::~CPMeshOptionsFormView() { DestroyContent(); }

void CPMeshOptionsFormView::ClearContent() {
  m_pSplitterFrame = NULL;
  m_bInitialized = false;
}

void CPMeshOptionsFormView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != NULL && document->GetPMeshOptionsFormView() == this) document->SetPMeshOptionsFormView(NULL);
  ClearContent();
}

CDXDoc* CPMeshOptionsFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CPMeshOptionsFormView::OnInitialUpdate() {
  Initialize();
  CFormView::OnInitialUpdate();
}

bool CPMeshOptionsFormView::Initialize() {
  try {
    CDXDoc* document = GetDXDoc();
    if (document == NULL) throw "\nError: The progressive mesh options form has no document.";
    UpdateData(FALSE);
    document->SetPMeshOptionsFormView(this);
    m_pSplitterFrame = document->GetSplitterFrame();
    struct {
      CFloatEdit* edit;
      int id, spin;
    } weights[] = {
        {&m_BoundaryEdit, IDC_WEIGHT_BOUNDARY, IDC_SPIN_WEIGHT_BOUNDARY},
        {&m_DiffuseEdit, IDC_WEIGHT_DIFFUSE, IDC_SPIN_WEIGHT_DIFFUSE},
        {&m_NormalEdit, IDC_WEIGHT_NORMAL, IDC_SPIN_WEIGHT_NORMAL},
        {&m_PositionEdit, IDC_WEIGHT_POSITION, IDC_SPIN_WEIGHT_POSITION},
        {&m_SpecularEdit, IDC_WEIGHT_SPECULAR, IDC_SPIN_WEIGHT_SPECULAR},
        {&m_TextureEdit, IDC_WEIGHT_TEXTURE, IDC_SPIN_WEIGHT_TEXTURE},
    };
    for (const auto& weight : weights) {
      if (!weight.edit->SubclassDlgItem(weight.id, this)) {
        throw "\nError: SubclassDlgItem() failed in CPMeshOptionsFormView::Initialize().";
      }
      static_cast<CSpinButtonCtrl*>(GetDlgItem(weight.spin))->SetRange32(0, 32767);
    }
    FillForm(NULL);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  m_bInitialized = true;
  return true;
}

void CPMeshOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  CFormView::DoDataExchange(exchange);
  DDX_Radio(exchange, IDC_SIMPLIFY_FACES, m_nSimplification);
  DDX_Text(exchange, IDC_WEIGHT_BOUNDARY, m_fBoundary);
  DDX_Text(exchange, IDC_WEIGHT_DIFFUSE, m_fDiffuse);
  DDX_Text(exchange, IDC_WEIGHT_NORMAL, m_fNormal);
  DDX_Text(exchange, IDC_WEIGHT_POSITION, m_fPosition);
  DDX_Text(exchange, IDC_WEIGHT_SPECULAR, m_fSpecular);
  DDX_Text(exchange, IDC_WEIGHT_TEXTURE, m_fTexture);
}

void CPMeshOptionsFormView::FillForm(CONFIGFILE* config) {
  CDXDoc* document = GetDXDoc();
  if (config == NULL && document != NULL) config = document->GetConfig();
  if (config == NULL) return;
  m_nSimplification = config->dwPMeshByVertices == 0 ? 0 : 1;
  m_fBoundary = config->fWeightBoundary;
  m_fDiffuse = config->fWeightDiffuse;
  m_fNormal = config->fWeightNormal;
  m_fPosition = config->fWeightPosition;
  m_fSpecular = config->fWeightSpecular;
  m_fTexture = config->fWeightTexture;
  m_bFilling = true;
  UpdateData(FALSE);
  m_bFilling = false;
}

void CPMeshOptionsFormView::SetInDocument() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL) return;
  UpdateData(TRUE);
  CONFIGFILE config = *document->GetConfig();
  config.dwPMeshByVertices = m_nSimplification == 1 ? 1 : 0;
  config.fWeightBoundary = m_fBoundary;
  config.fWeightDiffuse = m_fDiffuse;
  config.fWeightNormal = m_fNormal;
  config.fWeightPosition = m_fPosition;
  config.fWeightSpecular = m_fSpecular;
  config.fWeightTexture = m_fTexture;
  document->SetConfig(&config);
}

void CPMeshOptionsFormView::OnSimplificationChanged() {
  SetInDocument();
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshPercentageDisplayed();
  if (m_pSplitterFrame != NULL) m_pSplitterFrame->SetFocusOnActive3DView();
}

void CPMeshOptionsFormView::OnSimplifyMeshFacesRadio() {
  CheckRadioButton(IDC_SIMPLIFY_FACES, IDC_SIMPLIFY_VERTICES, IDC_SIMPLIFY_FACES);
  OnSimplificationChanged();
}

void CPMeshOptionsFormView::OnSimplifyMeshVerticesRadio() {
  CheckRadioButton(IDC_SIMPLIFY_FACES, IDC_SIMPLIFY_VERTICES, IDC_SIMPLIFY_VERTICES);
  OnSimplificationChanged();
}

void CPMeshOptionsFormView::OnChangeAnyEdit() {
  if (m_bInitialized && !m_bFilling) SetInDocument();
}

void CPMeshOptionsFormView::OnDeltaposAllSpinners(NMHDR* header, LRESULT* result) {
  StepBuddyEdit(this, header, result, 1.0f);
}

void CPMeshOptionsFormView::OnResetDefaultReductionOptionsButton() {
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  FillForm(&defaults);
  SetInDocument();
  if (CDXDoc* document = GetDXDoc()) document->SetSelectedPMeshPercentageDisplayed();
}

void CPMeshOptionsFormView::OnDestroy() {
  DestroyContent();
  CFormView::OnDestroy();
}
