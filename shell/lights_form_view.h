// The lights manager form: the fixed directional lights and the ambient
// light of a document's world, the colours of the lights and the views'
// background, and a navigator over the world's lights. It sits in the
// document's tool pane or in a window of its own (CZUVidovsFormChildFrame).
#pragma once

#include <afxext.h>
#include <afxwin.h>
#include <d3d8.h>

#include "numeric_edit.h"

class CDXDoc;
class CLightFrame;
class CLightsManager;
struct CONFIGFILE;

class CZUVidovsFormView : public CFormView {
  DECLARE_DYNCREATE(CZUVidovsFormView)

 public:
  CZUVidovsFormView();
  ~CZUVidovsFormView() override;

  void OnInitialUpdate() override;
  bool Initialize();
  CDXDoc* GetDXDoc() const;
  CLightsManager* GetLightsManager() const;
  // Fills the form from the world's lights and from config (NULL: the
  // document's settings).
  void FillForm(CONFIGFILE* config);
  // Stores the form's settings in the document's "Config.dat".
  void SaveInDocument();
  void SetLightsColor();
  void SaveColor();
  COLORREF GetDiffuseColorFromControls();
  COLORREF GetSpecularColorFromControls();
  COLORREF GetAmbientColorFromControls();
  COLORREF GetBackgroundColorFromControls();
  bool IsFormDataValid();

  // The navigator.
  CLightFrame* GetCurrentLightFrame() const { return m_pCurrentLight; }
  bool IsCurrentLightModified() const { return m_bLightModified; }
  void SetLightModifiedFlag(bool modified) { m_bLightModified = modified; }
  void DisplayCurrentLight();
  bool SaveCurrentLight();
  void EnableFormControls();
  void DisableAllControls();
  void EnableAmbientLightControls();
  void EnableDirectionalLightControls();
  void ClearForm();
  void DisplayMessage(UINT stringId);
  bool DestroyLight(CLightFrame* light);
  bool CreateDirectionalLightFromFront();
  bool CreateDirectionalLightFromBack();
  bool CreateDirectionalLightFromTop();
  bool CreateDirectionalLightFromLeft();
  bool CreateDirectionalLightFromRight();
  bool CreateDirectionalLightFromBottom();

  void ClearContent();
  void DestroyContent();

  // Handlers, public for the navigator's frame and for tests.
  void OnCheckAmbientLightEnabled();
  void OnCheckDirectionalLightFromFront();
  void OnCheckDirectionalLightFromBack();
  void OnCheckDirectionalLightFromTop();
  void OnCheckDirectionalLightFromBottom();
  void OnCheckDirectionalLightFromLeft();
  void OnCheckDirectionalLightFromRight();
  void OnObjectDiffuseForAmbientCheck();
  void OnResetDefaultLightOptionsButton();
  void OnButtonFirst();
  void OnButtonPrev();
  void OnButtonNext();
  void OnButtonLast();
  void OnButtonCreate();
  void OnButtonDelete();
  void OnButtonUpdate();
  void OnButtonCancelChanges();

 protected:
  void OnChangeDiffuseColor();
  void OnChangeSpecularColor();
  void OnChangeAmbientColor();
  void OnChangeBackgroundColor();
  void OnPictureDiffuseColorSample();
  void OnPictureSpecularColorSample();
  void OnPictureAmbientColorSample();
  void OnPictureBackgroundColorSample();
  void OnUpdateAnyNavigatorButton(CCmdUI* cmdUI);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  DECLARE_MESSAGE_MAP()

 private:
  void ClearFormFields();
  // The members into the controls, or the controls into the members.
  void ExchangeData(bool save);
  bool CreateSideLight(bool (CLightsManager::*create)(bool));
  void OnCheckSide(int checkId, bool (CZUVidovsFormView::*create)(), bool (CLightsManager::*destroy)(bool));
  void ChooseColor(const int (&edits)[3]);
  void InvalidateSamples(const int (&samples)[4]);
  // Saves a modified current light first; false when that failed.
  bool SaveModifiedLight();

  CFloatEdit m_Edits[12];
  CLightFrame* m_pCurrentLight;
  CMDIChildWnd* m_pParentFrame;
  bool m_bLightModified;
  float m_fDiffuse[3];
  float m_fSpecular[3];
  float m_fAmbient[3];
  int m_nFromBack, m_nFromBottom, m_nFromFront, m_nFromLeft, m_nFromRight, m_nFromTop;
  int m_nAmbientEnabled;
  float m_fBackground[3];
  int m_nDiffuseForAmbient;
  // Set while the members are written into the controls: the controls'
  // change notifications then change nothing.
  bool m_bFilling = false;
};

class CZUVidovsFormChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CZUVidovsFormChildFrame)

 public:
  CZUVidovsFormChildFrame();
  ~CZUVidovsFormChildFrame() override;

  void OnUpdateFrameTitle(BOOL addToTitle) override;
  void DisplayMessage(UINT stringId);
  CToolBar* GetNavigationToolBar() { return &m_wndToolBar; }
  CStatusBar* GetStatusBar() { return &m_wndStatusBar; }

 protected:
  int OnCreate(LPCREATESTRUCT create);

  DECLARE_MESSAGE_MAP()

 private:
  CStatusBar m_wndStatusBar;
  CToolBar m_wndToolBar;
  DWORD m_dwReserved;
};

class CDirectLightSplitterFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDirectLightSplitterFrame)
};
