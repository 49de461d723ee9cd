// CReductionOptionsFormView: the tool pane's form of the edge-contraction
// tolerances together with how the reduction is drawn. Every click commits
// the whole form into the document's settings; what is typed into an edit
// reaches the document at the next commit, at the latest when a reduction
// job is set up (it commits the form before it copies the options).
#pragma once

#include "display_options.h"
#include "option_forms.h"
#include "reduction_options.h"

class CReductionOptionsFormView : public COptionFormView {
  DECLARE_DYNCREATE(CReductionOptionsFormView)

 public:
  CReductionOptionsFormView();
  ~CReductionOptionsFormView() override;

  // Zeroes the form's values and colours too.
  void ClearContent() override;

  // The form's values as option records (zero but for what the form holds);
  // the first of each pair reads the controls first.
  REDUCTIONOPTIONS GetReductionOptions();
  REDUCTIONOPTIONS GetClassMembersReductionOptions();
  DISPLAYOPTIONS GetDisplayOptions();
  DISPLAYOPTIONS GetClassMembersDisplayOptions();
  FORMREDUCTIONOPTIONS GetFormReductionOptions();
  FORMREDUCTIONOPTIONS GetClassMembersFormReductionOptions();
  void SetReductionOptions(REDUCTIONOPTIONS& options);
  void SetDisplayOptions(DISPLAYOPTIONS& options);
  void SetFormReductionOptions(FORMREDUCTIONOPTIONS& options);
  // The form has no controls for these three flags: the controls are only
  // refreshed from the members.
  void SetRemovingCompletelySurroundedVerticesCheck(int check);
  void SetRemovingPartiallySurroundedVerticesCheck(int check);
  void SetDesiredNumberOfEdgesCheck(int check);
  // The form's record handed to the document's option records.
  void SaveOptions();
  void SetVertexHandleColor(D3DCOLORVALUE& colour);
  void SetVertexHandleMaterials() {}

  void InvalidateActiveEdgesColorSample();
  void InvalidateActiveVerticesColorSample();
  void InvalidateRemovedVerticesColorSample();
  void InvalidateCreatedTrianglesColorSample();

 protected:
  void SetFormInDocument(CDXDoc* document, bool present) override;
  // The parent frame, expected to be a CDXSplitterFrame.
  CDXSplitterFrame* FindSplitterFrame(CDXDoc* document) override;
  void AttachControls() override;
  void ValuesFrom(const CONFIGFILE& config) override;
  void ValuesInto(CONFIGFILE& config) override;
  // Repaints the four colour samples.
  void OnFormFilled() override;
  D3DCOLORVALUE* SampleColor(int sample) override;
  void DoDataExchange(CDataExchange* exchange) override;
  void OnSinglePointPositionEdgeMidpointCheck();
  void OnShowActiveEdges();
  void OnShowActiveVertices();
  void OnShowRemovedVertices();
  void OnColorNewFaces();
  void OnPictureActiveEdgesColorSample();
  void OnPictureActiveVerticesColorSample();
  void OnPictureRemovedVerticesColorSample();
  void OnPictureCreatedTrianglesColorSample();

  DECLARE_MESSAGE_MAP()

 private:
  SReductionTolerances m_Tolerances;
  SDisplayChoices m_Display;
};
