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
    : COptionFormView(IDD_CMESH_OPTIONS_FORM, "connectivity mesh options") {}

CCMeshOptionsFormView::~CCMeshOptionsFormView() { DestroyContent(); }

void CCMeshOptionsFormView::SetFormInDocument(CDXDoc* document, bool present) {
  if (present || document->GetCMeshOptionsFormView() == this) document->SetCMeshOptionsFormView(present ? this : NULL);
}

void CCMeshOptionsFormView::AttachControls() { AttachTolerances(m_Tolerances); }

void CCMeshOptionsFormView::DoDataExchange(CDataExchange* exchange) {
  COptionFormView::DoDataExchange(exchange);
  m_Tolerances.Exchange(exchange);
}

void CCMeshOptionsFormView::ValuesFrom(const CONFIGFILE& config) { m_Tolerances.From(config); }

void CCMeshOptionsFormView::ValuesInto(CONFIGFILE& config) { m_Tolerances.Into(config); }

void CCMeshOptionsFormView::OnSinglePointPositionEdgeMidpointCheck() { CommitAndFocus(); }

void CCMeshOptionsFormView::OnResetDefaultReductionOptionsButton() { ResetToDefaults(); }

void CCMeshOptionsFormView::OnDestroy() {
  if (IsInitialized()) {
    SetInDocument();
    if (CDXDoc* document = GetDXDoc()) document->SaveConfigFile();
  }
  COptionFormView::OnDestroy();
}
