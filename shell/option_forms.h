// What the option forms of the tool pane share: the form base that binds a
// form to its document and its settings, and the device's shading and
// filling.
#pragma once

#include <afxcmn.h>
#include <afxext.h>
#include <afxwin.h>
#include <configfile.h>
#include <d3d8types.h>

#include <initializer_list>
#include <vector>

#include "numeric_edit.h"

class CDXDoc;
class CDXSplitterFrame;

// The edge-contraction tolerances that the reduction options form and the
// connectivity-mesh options form show: the percentage of triangles to
// remove (1118), the midpoint check (1110), the largest change of face
// normals in degrees (1092), of surrounding area in percent (1093) and the
// face-area factor (1094), with the edits that show them.
struct SReductionTolerances {
  CFloatEdit percentEdit;
  CFloatEdit normalAngleEdit;
  CFloatEdit areaChangeEdit;
  CFloatEdit faceAreaFactorEdit;
  int allowMidpoint = 0;
  float maxNormalAngle = 0.0f;
  float maxAreaChangePercent = 0.0f;
  float faceAreaFactor = 0.0f;
  float reductionPercent = 0.0f;

  void Exchange(CDataExchange* exchange);
  void From(const CONFIGFILE& config);
  void Into(CONFIGFILE& config) const;
  void Clear();
};

// How all objects are drawn, as the reduction options form and the
// reduction methods form show it: the shading choice (radio group 1129: 0
// Gouraud, 1 flat), the filling choice (radio group 1131: 0 solid, 1
// wireframe), the display checks 1132 to 1135 and the colours of active
// edges, active vertices, removed vertices and created triangles.
struct SDisplayChoices {
  int shading = -1;
  int filling = -1;
  int showActiveEdges = 0;
  int showActiveVertices = 0;
  int showRemovedVertices = 0;
  int colorNewFaces = 0;
  D3DCOLORVALUE activeEdges{};
  D3DCOLORVALUE activeVertices{};
  D3DCOLORVALUE removedVertices{};
  D3DCOLORVALUE createdTriangles{};

  void Exchange(CDataExchange* exchange);
  void From(const CONFIGFILE& config);
  void Into(CONFIGFILE& config) const;
  // The colour behind the sample 1036, 1035, 1034 or 1102; NULL for any
  // other control.
  D3DCOLORVALUE* SampleColor(int sample);
  // Every value zero, both choices included.
  void Clear();
};

// COptionFormView: a form of the tool pane bound to one CDXDoc whose values
// live in the document's settings (CONFIGFILE): filled from them, committed
// into them through CDXDoc::SetConfig. A form states its controls
// (AttachControls), its place in the document (SetFormInDocument) and its
// values (ValuesFrom, ValuesInto); the rest is here.
class COptionFormView : public CFormView {
  DECLARE_DYNAMIC(COptionFormView)

 public:
  // Forgets the splitter frame and the initialised flag; a form with values
  // of its own clears them too.
  virtual void ClearContent();
  // Tells the document that the form is gone, then ClearContent.
  void DestroyContent();
  // The form's set-up from OnInitialUpdate: the controls from the members,
  // the form registered with the document, the splitter frame kept, the
  // controls attached, FillForm. A step that throws an error message
  // unregisters the form and gives false; else the form is initialised.
  bool Initialize();
  // The form's values from config (NULL: the document's settings) into the
  // members and the controls; nothing without either.
  void FillForm(CONFIGFILE* config = NULL);
  // The controls into the members, the members into the document's settings,
  // spread and saved; nothing without a document.
  void SetInDocument();
  bool IsInitialized() const { return m_bInitialized; }
  CDXDoc* GetDXDoc() const;

  void OnInitialUpdate() override;

 protected:
  // title names the form in the message of a form without a document.
  COptionFormView(UINT templateId, const char* title);

  // Registers the form with the document (present) or, when the document
  // still holds it, unregisters it.
  virtual void SetFormInDocument(CDXDoc* document, bool present) = 0;
  // The frame whose active 3D view gets the focus back: the document's.
  virtual CDXSplitterFrame* FindSplitterFrame(CDXDoc* document);
  // Takes over the form's controls (AttachFloatEdits); throws an error
  // message on failure.
  virtual void AttachControls() = 0;
  // The form's values from the settings into the members, and back.
  virtual void ValuesFrom(const CONFIGFILE& config) = 0;
  virtual void ValuesInto(CONFIGFILE& config) = 0;
  // What FillForm does after the controls show the new values.
  virtual void OnFormFilled() {}
  // The colour member behind a colour sample, NULL for any other control.
  virtual D3DCOLORVALUE* SampleColor(int sample);

  // An edit with its up-down (0: none), whose range goes from 0 to top.
  struct SFloatEditSpin {
    CFloatEdit* edit;
    int id;
    int spin;
    int top;
  };
  // Subclasses each edit and sets its up-down's range; throws an error
  // message when a control is missing.
  void AttachFloatEdits(std::initializer_list<SFloatEditSpin> edits);
  // The tolerances' edits with their up-downs: 1119 from 0 to 100, 1115 to
  // 1117 from 0 to 32767.
  void AttachTolerances(SReductionTolerances& tolerances);
  // The members into the controls; the edits' changes meanwhile are no
  // changes of the user and are not committed.
  void UpdateControls();
  void FocusActive3DView();
  void CommitAndFocus();
  // A record with the default settings into the form and the document.
  void ResetToDefaults();
  void InvalidateSample(int sample);
  // The colour dialog for a sample, starting at black; on OK the colour is
  // stored, the sample repainted and the form committed; Cancel changes
  // nothing.
  void ChooseColor(int sample);
  // The radio of the choice checked, the device set, the form committed.
  void ChooseShading(int choice);
  void ChooseFilling(int choice);

  // Any edit changed: committed once the form is initialised, unless the
  // controls are being filled or an edit does not hold a number yet (it is
  // committed once it does, without a message at every keystroke).
  void OnChangeAnyEdit();
  // The up-down's buddy edit (one of the form's CFloatEdit objects) steps
  // by 1.0; the change is accepted.
  void OnDeltaposAllSpinners(NMHDR* header, LRESULT* result);
  void OnShadingGouraudRadio();
  void OnShadingFlatRadio();
  void OnFillingSolidRadio();
  void OnFillingWireframeRadio();
  // Paints the colour samples; the default brush in every case.
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
  // Fills the control's whole client area with colour.
  void DrawColorSample(CDC* dc, CWnd* control, COLORREF colour);
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

  CDXSplitterFrame* m_pSplitterFrame = NULL;

 private:
  const char* m_pszTitle;
  std::vector<CFloatEdit*> m_attachedEdits;
  CString m_sFailure;  // the error message thrown while the form is set up
  bool m_bInitialized = false;
  bool m_bFilling = false;
};

// Sets the device's shade mode (0 Gouraud, else flat) and fill mode (0
// solid, else wireframe), each only when it differs; nothing without a device.
void SetDeviceShading(DWORD choice);
void SetDeviceFilling(DWORD choice);
