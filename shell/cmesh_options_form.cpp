#include "cmesh_options_form.h"

#include "dx_doc.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CCMeshOptionsFormView, COptionFormView)

BEGIN_MESSAGE_MAP(CCMeshOptionsFormView, COptionFormView)
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
    : COptionFormView(IDD_CMESH_OPTIONS_FORM, "connectivity mesh options"),
      m_bAllowMidpoint(0),
      m_fMaxNormalAngle(0.0f),
      m_fMaxAreaChangePercent(0.0f),
      m_fFaceAreaFactor(0.0f),
      m_fReductionPercent(0.0f) {}

CCMeshOptionsFormView::~CCMeshOptionsFormView() { DestroyContent(); }

void CCMeshOptionsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetCMeshOptionsFormView() == this) document->SetCMeshOptionsFormView(present ? this : NULL);
}

void CCMeshOptionsFormView::AttachControls() {
  AttachFloatEdits({{&m_ReductionPercentEdit, IDC_REDUCTION_PERCENT, IDC_SPIN_REDUCTION_PERCENT, 100},
                    {&m_MaxNormalAngleEdit, IDC_MAX_NORMAL_ANGLE, IDC_SPIN_MAX_NORMAL_ANGLE, 32767},
                    {&m_MaxAreaChangeEdit, IDC_MAX_AREA_CHANGE, IDC_SPIN_MAX_AREA_CHANGE, 32767},
                    {&m_FaceAreaFactorEdit, IDC_FACE_AREA_FACTOR, IDC_SPIN_FACE_AREA_FACTOR, 32767}});
}

void CCMeshOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
  DDX_Check(exchange, IDC_ALLOW_MIDPOINT, m_bAllowMidpoint);
  DDX_Text(exchange, IDC_MAX_NORMAL_ANGLE, m_fMaxNormalAngle);
  DDX_Text(exchange, IDC_MAX_AREA_CHANGE, m_fMaxAreaChangePercent);
  DDX_Text(exchange, IDC_FACE_AREA_FACTOR, m_fFaceAreaFactor);
  DDX_Text(exchange, IDC_REDUCTION_PERCENT, m_fReductionPercent);
}

void CCMeshOptionsFormView::ValuesFrom(const CONFIGFILE& config) {
  m_fReductionPercent = config.fReductionPercent;
  m_bAllowMidpoint = config.bAllowMidpoint != 0;
  m_fMaxNormalAngle = config.fMaxNormalAngle;
  m_fMaxAreaChangePercent = config.fMaxAreaChangePercent;
  m_fFaceAreaFactor = config.fFaceAreaFactor;
}

void CCMeshOptionsFormView::ValuesInto(CONFIGFILE& config) {
  config.fReductionPercent = m_fReductionPercent;
  config.bAllowMidpoint = m_bAllowMidpoint != 0 ? 1 : 0;
  config.fMaxNormalAngle = m_fMaxNormalAngle;
  config.fMaxAreaChangePercent = m_fMaxAreaChangePercent;
  config.fFaceAreaFactor = m_fFaceAreaFactor;
}

void CCMeshOptionsFormView::OnSinglePointPositionEdgeMidpointCheck() { CommitAndFocus(); }

void CCMeshOptionsFormView::OnResetDefaultReductionOptionsButton() { ResetToDefaults(); }

void CCMeshOptionsFormView::OnDestroy() {
  if (IsInitialized()) {
    SetInDocument();
    if (CDXDoc* document = GetDXDoc()) document->SaveConfigFile();
  }
  COptionFormView::OnDestroy();
}
