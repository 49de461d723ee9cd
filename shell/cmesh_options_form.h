// CCMeshOptionsFormView: the tool pane's form of the edge-contraction
// tolerances, shown while the document's reduction method is the
// connectivity mesh. Every change goes at once into the document's settings.
#pragma once

#include "option_forms.h"

class CCMeshOptionsFormView : public COptionFormView {
  DECLARE_DYNCREATE(CCMeshOptionsFormView)

 public:
  CCMeshOptionsFormView();
  ~CCMeshOptionsFormView() override;

 protected:
  void SetFormInDocument(CDXDoc* document, bool present) override;
  void AttachControls() override;
  // The five values of the form.
  void ValuesFrom(const CONFIGFILE& config) override;
  void ValuesInto(CONFIGFILE& config) override;
  void DoDataExchange(CDataExchange* exchange) override;
  void OnSinglePointPositionEdgeMidpointCheck();
  void OnResetDefaultReductionOptionsButton();
  // An initialised form commits and saves the settings once more.
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  SReductionTolerances m_Tolerances;
};
