// CReductionMethodsFormView: the tool pane's form that chooses the reduction
// method and shows progressive meshes: the combo of the progressive meshes
// below the selected frame, the slider of the percentage displayed, the
// area and volume limits of a level change, the shading and filling of all
// objects and the active-edges display. Every change goes at once into the
// document's settings. The method decides the main frame's reduction
// toolbar and the options form below this one.
#pragma once

#include <frame.h>

#include "option_forms.h"

class CDXPMesh;

class CReductionMethodsFormView : public COptionFormView {
  DECLARE_DYNCREATE(CReductionMethodsFormView)

 public:
  CReductionMethodsFormView();
  ~CReductionMethodsFormView() override;

  // Forgets the shown frame and progressive mesh, the pending display and
  // the selected-mesh colour too.
  void ClearContent() override;
  // A progressive mesh was just created: shown at half its faces, no limits.
  void SetPMeshCreationDisplayOptions();

  // The combo and the slider from the document's selection; busy locks
  // leave the display pending for the frame loop (DisplaySharedObjectsRTLIL).
  bool DisplaySharedObjectsRTL();
  void DisplaySharedObjectsRTLIL();
  void OnSetSelectedFrame(CFrame* frame);
  void OnSetSelectedPMesh(CDXPMesh* pmesh);
  bool IsDisplayPending() const { return m_bDisplayPending; }

  // The combo's list.
  void FillPMeshComboTL(CFrame* frame, CDXPMesh* pmesh);
  void FillPMeshCombo2TL(CFrame* frame);
  bool AddComboPMeshEntryTL(CDXPMesh* pmesh, CFrame* frame);
  CString CreateComboPMeshEntryStringTL(CDXPMesh* pmesh, CFrame* frame);
  int GetComboPMeshEntry(CDXPMesh* pmesh);
  bool DeleteComboPMeshEntry(CDXPMesh* pmesh);
  void SetPMeshComboWidth();

  // The slider's position from the counts of the frame or progressive mesh.
  void SetSlider(CFrame* frame, CDXPMesh* pmesh, bool tryLock);
  void UpdateSlider(CFrame* frame, CDXPMesh* pmesh);
  bool SetSliderTL();
  bool TryUpdateSlider();
  void SetSelectedPMeshDtoV(CDXPMesh* pmesh);
  void SetSelectedPMeshVtoD(CDXPMesh* pmesh);

  bool MaxDeltaBoxVolumeActivated() const { return m_bVolumeCheck != 0; }
  bool MaxDeltaSurfaceAreaActivated() const { return m_bAreaCheck != 0; }
  // 0 progressive mesh, otherwise connectivity mesh.
  int GetReductionMethod() const { return m_nReductionMethod; }
  float GetPercentageDisplayed() const { return m_fPercentageDisplayed; }
  CDXPMesh* GetShownPMesh() const { return m_pShownPMesh; }
  CComboBox& GetPMeshCombo() { return m_PMeshCombo; }
  CSliderCtrl& GetPercentageSlider() { return m_PercentageSlider; }

  void InvalidateActiveEdgesColorSample();
  void InvalidateSelectedPMeshColorSample();
  void InvalidateActiveVerticesColorSample();
  void InvalidateRemovedVerticesColorSample();
  void InvalidateCreatedTrianglesColorSample();

 protected:
  void SetFormInDocument(CDXDoc* document, bool present) override;
  // The slider set up, the edits attached.
  void AttachControls() override;
  void ValuesFrom(const CONFIGFILE& config) override;
  void ValuesInto(CONFIGFILE& config) override;
  // The slider at the percentage, the samples repainted, the toolbar and
  // options form of the method, the device's shading and filling, the combo
  // and slider rebuilt.
  void OnFormFilled() override;
  D3DCOLORVALUE* SampleColor(int sample) override;
  void DoDataExchange(CDataExchange* exchange) override;
  void OnSelchangeComboSelectedPmesh();
  void OnHScroll(UINT code, UINT position, CWnd* scrollBar);
  void OnChangeDesiredPercentageDisplayedEdit();
  void OnMaximumMeshDeltaSurfaceCheck();
  void OnMaximumMeshDeltaBoundingBoxCheck();
  void OnShowActiveEdges();
  void OnShowActiveVertices();
  void OnShowRemovedVertices();
  void OnColorNewFaces();
  void OnPictureActiveEdgesColorSample();
  void OnPictureSelectedPmeshColor();
  void OnPictureActiveVerticesColorSample();
  void OnPictureRemovedVerticesColorSample();
  void OnPictureCreatedTrianglesColorSample();
  void OnApplyPmeshDisplayOptionsButton();
  void OnResetDefaultDisplayOptionsButton();
  void OnProgressiveMeshMethodRadio();
  void OnConnectivityMeshMethodRadio();

  DECLARE_MESSAGE_MAP()

 private:
  // The toolbar and options form of the stored method.
  void ShowMethodTools();

  SDisplayChoices m_Display;
  D3DCOLORVALUE m_cvSelectedPMesh;
  CFloatEdit m_PercentageDisplayedEdit;
  CFloatEdit m_AreaToleranceEdit;
  CFloatEdit m_VolumeToleranceEdit;
  CDXPMesh* m_pShownPMesh;
  CFrame* m_pShownFrame;
  CFrame::EFrameType m_eShownFrameType;
  bool m_bDisplayPending;
  CComboBox m_PMeshCombo;
  CSliderCtrl m_PercentageSlider;
  int m_nReductionMethod;
  float m_fPercentageDisplayed;
  int m_bVolumeCheck;
  float m_fVolumeTolerance;
  float m_fAreaTolerance;
  int m_bAreaCheck;
};
