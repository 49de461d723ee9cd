#include "cmesh_options_form.h"

#include <tracelog.h>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "option_forms.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CCMeshOptionsFormView, CFormView)

BEGIN_MESSAGE_MAP(CCMeshOptionsFormView, CFormView)
ON_EN_CHANGE(IDC_REDUCTION_PERCENT, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_MAX_NORMAL_ANGLE, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_MAX_AREA_CHANGE, OnChangeAnyEdit)
ON_EN_CHANGE(IDC_FACE_AREA_FACTOR, OnChangeAnyEdit)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_REDUCTION_PERCENT, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_MAX_NORMAL_ANGLE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_MAX_AREA_CHANGE, OnDeltaposAllSpinners)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN_FACE_AREA_FACTOR, OnDeltaposAllSpinners)
ON_BN_CLICKED(IDC_ALLOW_MIDPOINT, OnSinglePointPositionEdgeMidpointCheck)
ON_BN_CLICKED(IDC_RESET_OPTIONS, OnResetDefaultReductionOptionsButton)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CCMeshOptionsFormView::CCMeshOptionsFormView()
    : CFormView(IDD_CMESH_OPTIONS_FORM),
      m_bAllowMidpoint(0),
      m_fMaxNormalAngle(0.0f),
      m_fMaxAreaChangePercent(0.0f),
      m_fFaceAreaFactor(0.0f),
      m_fReductionPercent(0.0f) {
  ClearContent();
}

CCMeshOptionsFormView::~CCMeshOptionsFormView() { DestroyContent(); }

void CCMeshOptionsFormView::ClearContent() {
  m_pSplitterFrame = NULL;
  m_bInitialized = false;
}

void CCMeshOptionsFormView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != NULL && document->GetCMeshOptionsFormView() == this) document->SetCMeshOptionsFormView(NULL);
  ClearContent();
}

CDXDoc* CCMeshOptionsFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CCMeshOptionsFormView::OnInitialUpdate() {
  Initialize();
  CFormView::OnInitialUpdate();
}

bool CCMeshOptionsFormView::Initialize() {
  try {
    CDXDoc* document = GetDXDoc();
    if (document == NULL) throw "\nError: The connectivity mesh options form has no document.";
    UpdateData(FALSE);
    document->SetCMeshOptionsFormView(this);
    m_pSplitterFrame = document->GetSplitterFrame();
    if (!m_ReductionPercentEdit.SubclassDlgItem(IDC_REDUCTION_PERCENT, this) ||
        !m_MaxNormalAngleEdit.SubclassDlgItem(IDC_MAX_NORMAL_ANGLE, this) ||
        !m_MaxAreaChangeEdit.SubclassDlgItem(IDC_MAX_AREA_CHANGE, this) ||
        !m_FaceAreaFactorEdit.SubclassDlgItem(IDC_FACE_AREA_FACTOR, this)) {
      throw "\nError: SubclassDlgItem() failed in CCMeshOptionsFormView::Initialize().";
    }
    static_cast<CSpinButtonCtrl*>(GetDlgItem(IDC_SPIN_REDUCTION_PERCENT))->SetRange32(0, 100);
    for (int spin : {IDC_SPIN_MAX_NORMAL_ANGLE, IDC_SPIN_MAX_AREA_CHANGE, IDC_SPIN_FACE_AREA_FACTOR}) {
      static_cast<CSpinButtonCtrl*>(GetDlgItem(spin))->SetRange32(0, 32767);
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

void CCMeshOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  CFormView::DoDataExchange(exchange);
  DDX_Check(exchange, IDC_ALLOW_MIDPOINT, m_bAllowMidpoint);
  DDX_Text(exchange, IDC_MAX_NORMAL_ANGLE, m_fMaxNormalAngle);
  DDX_Text(exchange, IDC_MAX_AREA_CHANGE, m_fMaxAreaChangePercent);
  DDX_Text(exchange, IDC_FACE_AREA_FACTOR, m_fFaceAreaFactor);
  DDX_Text(exchange, IDC_REDUCTION_PERCENT, m_fReductionPercent);
}

void CCMeshOptionsFormView::FillForm(CONFIGFILE* config) {
  CDXDoc* document = GetDXDoc();
  if (config == NULL && document != NULL) config = document->GetConfig();
  if (config == NULL) return;
  m_fReductionPercent = config->fReductionPercent;
  m_bAllowMidpoint = config->bAllowMidpoint != 0;
  m_fMaxNormalAngle = config->fMaxNormalAngle;
  m_fMaxAreaChangePercent = config->fMaxAreaChangePercent;
  m_fFaceAreaFactor = config->fFaceAreaFactor;
  m_bFilling = true;
  UpdateData(FALSE);
  m_bFilling = false;
}

void CCMeshOptionsFormView::SetInDocument() {
  CDXDoc* document = GetDXDoc();
  if (document == NULL) return;
  // A control that cannot be read keeps its previous value; once the
  // controls are gone (the form is being destroyed) the members count.
  if (m_ReductionPercentEdit.GetSafeHwnd() != NULL) UpdateData(TRUE);
  CONFIGFILE config = *document->GetConfig();
  config.fReductionPercent = m_fReductionPercent;
  config.bAllowMidpoint = m_bAllowMidpoint != 0 ? 1 : 0;
  config.fMaxNormalAngle = m_fMaxNormalAngle;
  config.fMaxAreaChangePercent = m_fMaxAreaChangePercent;
  config.fFaceAreaFactor = m_fFaceAreaFactor;
  document->SetConfig(&config);
}

void CCMeshOptionsFormView::OnChangeAnyEdit() {
  if (!m_bInitialized || m_bFilling) return;
  // An edit on its way to a number (emptied, a lone sign) is committed once
  // it holds one, without a message at every keystroke.
  for (CFloatEdit* edit : {&m_ReductionPercentEdit, &m_MaxNormalAngleEdit, &m_MaxAreaChangeEdit, &m_FaceAreaFactorEdit}) {
    if (!edit->IsValidFloat()) return;
  }
  SetInDocument();
}

void CCMeshOptionsFormView::OnDeltaposAllSpinners(NMHDR* header, LRESULT* result) {
  StepBuddyEdit(this, header, result, 1.0f);
}

void CCMeshOptionsFormView::OnSinglePointPositionEdgeMidpointCheck() {
  SetInDocument();
  if (m_pSplitterFrame != NULL) m_pSplitterFrame->SetFocusOnActive3DView();
}

void CCMeshOptionsFormView::OnResetDefaultReductionOptionsButton() {
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  FillForm(&defaults);
  SetInDocument();
}

void CCMeshOptionsFormView::OnDestroy() {
  if (m_bInitialized) {
    SetInDocument();
    if (CDXDoc* document = GetDXDoc()) document->SaveConfigFile();
  }
  DestroyContent();
  CFormView::OnDestroy();
}
