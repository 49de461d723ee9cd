// CCMeshOptionsFormView: the tool pane's form of the edge-contraction
// tolerances, shown while the document's reduction method is the
// connectivity mesh. Every change goes at once into the document's settings.
#pragma once

#include <afxext.h>
#include <configfile.h>

#include "numeric_edit.h"

class CDXDoc;
class CDXSplitterFrame;

class CCMeshOptionsFormView : public CFormView {
  DECLARE_DYNCREATE(CCMeshOptionsFormView)

 public:
  CCMeshOptionsFormView();
  ~CCMeshOptionsFormView() override;

  void ClearContent();
  void DestroyContent();
  bool Initialize();
  // The five values from config (NULL: the document's settings) into the
  // members and the controls.
  void FillForm(CONFIGFILE* config);
  // The controls into the document's settings, spread and saved.
  void SetInDocument();
  bool IsInitialized() const { return m_bInitialized; }
  CDXDoc* GetDXDoc() const;

  void OnInitialUpdate() override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  void OnChangeAnyEdit();
  void OnDeltaposAllSpinners(NMHDR* header, LRESULT* result);
  void OnSinglePointPositionEdgeMidpointCheck();
  void OnResetDefaultReductionOptionsButton();
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  CFloatEdit m_ReductionPercentEdit;
  CFloatEdit m_MaxNormalAngleEdit;
  CFloatEdit m_MaxAreaChangeEdit;
  CFloatEdit m_FaceAreaFactorEdit;
  CDXSplitterFrame* m_pSplitterFrame;
  bool m_bInitialized;
  bool m_bFilling = false;  // FillForm writes the controls: no commit meanwhile
  int m_bAllowMidpoint;
  float m_fMaxNormalAngle;
  float m_fMaxAreaChangePercent;
  float m_fFaceAreaFactor;
  float m_fReductionPercent;
};
