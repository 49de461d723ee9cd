// CPMeshOptionsFormView: the tool pane's form of progressive-mesh creation,
// shown while the document's reduction method is the progressive mesh:
// whether the level of detail counts faces or vertices, and the six vertex
// attribute weights of the generation. Every change goes at once into the
// document's settings.
#pragma once

#include "numeric_edit.h"
#include "option_forms.h"

class CPMeshOptionsFormView : public COptionFormView {
  DECLARE_DYNCREATE(CPMeshOptionsFormView)

 public:
  CPMeshOptionsFormView();
  ~CPMeshOptionsFormView() override;

  // 0 faces, 1 vertices.
  int GetSimplificationOption() const { return m_nSimplification; }
  bool TriangleSimplification() const { return m_nSimplification == 0; }

 protected:
  void SetFormInDocument(CDXDoc* document, bool present) override;
  void AttachControls() override;
  // The seven values of the form.
  void ValuesFrom(const CONFIGFILE& config) override;
  void ValuesInto(CONFIGFILE& config) override;
  void DoDataExchange(CDataExchange* exchange) override;
  void OnSimplifyMeshFacesRadio();
  void OnSimplifyMeshVerticesRadio();
  void OnResetDefaultReductionOptionsButton();

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
  int m_nSimplification;
  float m_fBoundary;
  float m_fDiffuse;
  float m_fNormal;
  float m_fPosition;
  float m_fSpecular;
  float m_fTexture;
};
