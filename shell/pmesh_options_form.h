// CPMeshOptionsFormView: the tool pane's form of progressive-mesh creation,
// shown while the document's reduction method is the progressive mesh:
// whether the level of detail counts faces or vertices, and the six vertex
// attribute weights of the generation. Every change goes at once into the
// document's settings.
#pragma once

#include <afxext.h>
#include <configfile.h>

#include "numeric_edit.h"

class CDXDoc;
class CDXSplitterFrame;

class CPMeshOptionsFormView : public CFormView {
  DECLARE_DYNCREATE(CPMeshOptionsFormView)

 public:
  CPMeshOptionsFormView();
  ~CPMeshOptionsFormView() override;

  void ClearContent();
  void DestroyContent();
  bool Initialize();
  // The seven values from config (NULL: the document's settings) into the
  // members and the controls.
  void FillForm(CONFIGFILE* config);
  void SetInDocument();
  // 0 faces, 1 vertices.
  int GetSimplificationOption() const { return m_nSimplification; }
  bool TriangleSimplification() const { return m_nSimplification == 0; }
  bool IsInitialized() const { return m_bInitialized; }
  CDXDoc* GetDXDoc() const;

  void OnInitialUpdate() override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  void OnSimplifyMeshFacesRadio();
  void OnSimplifyMeshVerticesRadio();
  void OnChangeAnyEdit();
  void OnDeltaposAllSpinners(NMHDR* header, LRESULT* result);
  void OnResetDefaultReductionOptionsButton();
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  // Commits, shows the selected progressive mesh at the stored percentage
  // counted the new way, and gives the focus back to the 3D view.
  void OnSimplificationChanged();

  CFloatEdit m_BoundaryEdit;
  CFloatEdit m_DiffuseEdit;
  CFloatEdit m_NormalEdit;
  CFloatEdit m_PositionEdit;
  CFloatEdit m_SpecularEdit;
  CFloatEdit m_TextureEdit;
  CDXSplitterFrame* m_pSplitterFrame;
  bool m_bInitialized;
  bool m_bFilling = false;  // FillForm writes the controls: no commit meanwhile
  int m_nSimplification;
  float m_fBoundary;
  float m_fDiffuse;
  float m_fNormal;
  float m_fPosition;
  float m_fSpecular;
  float m_fTexture;
};
