#include "lights_form_view.h"

#include <afxdlgs.h>
#include <configfile.h>
#include <lightframe.h>
#include <lightsmanager.h>
#include <materialpresets.h>

#include <cstdlib>
#include <cstring>

#include "dx_doc.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CZUVidovsFormView, CFormView)
IMPLEMENT_DYNCREATE(CZUVidovsFormChildFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CDirectLightSplitterFrame, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CZUVidovsFormView, CFormView)
ON_EN_CHANGE(IDC_DIFFUSE_RED, OnChangeDiffuseColor)
ON_EN_CHANGE(IDC_DIFFUSE_GREEN, OnChangeDiffuseColor)
ON_EN_CHANGE(IDC_DIFFUSE_BLUE, OnChangeDiffuseColor)
ON_EN_CHANGE(IDC_SPECULAR_RED, OnChangeSpecularColor)
ON_EN_CHANGE(IDC_SPECULAR_GREEN, OnChangeSpecularColor)
ON_EN_CHANGE(IDC_SPECULAR_BLUE, OnChangeSpecularColor)
ON_EN_CHANGE(IDC_AMBIENT_RED, OnChangeAmbientColor)
ON_EN_CHANGE(IDC_AMBIENT_GREEN, OnChangeAmbientColor)
ON_EN_CHANGE(IDC_AMBIENT_BLUE, OnChangeAmbientColor)
ON_EN_CHANGE(IDC_BACKGROUND_RED, OnChangeBackgroundColor)
ON_EN_CHANGE(IDC_BACKGROUND_GREEN, OnChangeBackgroundColor)
ON_EN_CHANGE(IDC_BACKGROUND_BLUE, OnChangeBackgroundColor)
ON_STN_CLICKED(IDC_DIFFUSE_SAMPLE, OnPictureDiffuseColorSample)
ON_STN_CLICKED(IDC_SPECULAR_SAMPLE, OnPictureSpecularColorSample)
ON_STN_CLICKED(IDC_AMBIENT_SAMPLE, OnPictureAmbientColorSample)
ON_STN_CLICKED(IDC_BACKGROUND_SAMPLE, OnPictureBackgroundColorSample)
ON_BN_CLICKED(IDC_AMBIENT_LIGHT_ENABLED, OnCheckAmbientLightEnabled)
ON_BN_CLICKED(IDC_LIGHT_FROM_FRONT, OnCheckDirectionalLightFromFront)
ON_BN_CLICKED(IDC_LIGHT_FROM_BACK, OnCheckDirectionalLightFromBack)
ON_BN_CLICKED(IDC_LIGHT_FROM_TOP, OnCheckDirectionalLightFromTop)
ON_BN_CLICKED(IDC_LIGHT_FROM_BOTTOM, OnCheckDirectionalLightFromBottom)
ON_BN_CLICKED(IDC_LIGHT_FROM_LEFT, OnCheckDirectionalLightFromLeft)
ON_BN_CLICKED(IDC_LIGHT_FROM_RIGHT, OnCheckDirectionalLightFromRight)
ON_BN_CLICKED(IDC_DIFFUSE_FOR_AMBIENT, OnObjectDiffuseForAmbientCheck)
ON_BN_CLICKED(IDC_RESET_LIGHTS, OnResetDefaultLightOptionsButton)
ON_COMMAND(ID_NAVIGATION_FIRST, OnButtonFirst)
ON_COMMAND(ID_NAVIGATION_PREVIOUS, OnButtonPrev)
ON_COMMAND(ID_NAVIGATION_NEXT, OnButtonNext)
ON_COMMAND(ID_NAVIGATION_LAST, OnButtonLast)
ON_COMMAND(ID_NAVIGATION_CREATE, OnButtonCreate)
ON_COMMAND(ID_NAVIGATION_DELETE, OnButtonDelete)
ON_COMMAND(ID_NAVIGATION_SAVE, OnButtonUpdate)
ON_COMMAND(ID_NAVIGATION_CANCEL, OnButtonCancelChanges)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_FIRST, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_PREVIOUS, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_NEXT, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_LAST, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_CREATE, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_DELETE, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_SAVE, OnUpdateAnyNavigatorButton)
ON_UPDATE_COMMAND_UI(ID_NAVIGATION_CANCEL, OnUpdateAnyNavigatorButton)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CZUVidovsFormChildFrame, CMDIChildWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

namespace {

// The channel edits and their up-downs: diffuse, specular, ambient and
// background, red, green and blue each.
const int kEdits[12] = {IDC_DIFFUSE_RED,    IDC_DIFFUSE_GREEN,    IDC_DIFFUSE_BLUE,  IDC_SPECULAR_RED,
                        IDC_SPECULAR_GREEN, IDC_SPECULAR_BLUE,    IDC_AMBIENT_RED,   IDC_AMBIENT_GREEN,
                        IDC_AMBIENT_BLUE,   IDC_BACKGROUND_RED,   IDC_BACKGROUND_GREEN, IDC_BACKGROUND_BLUE};
const int kSpins[12] = {IDC_DIFFUSE_RED_SPIN,    IDC_DIFFUSE_GREEN_SPIN,    IDC_DIFFUSE_BLUE_SPIN,
                        IDC_SPECULAR_RED_SPIN,   IDC_SPECULAR_GREEN_SPIN,   IDC_SPECULAR_BLUE_SPIN,
                        IDC_AMBIENT_RED_SPIN,    IDC_AMBIENT_GREEN_SPIN,    IDC_AMBIENT_BLUE_SPIN,
                        IDC_BACKGROUND_RED_SPIN, IDC_BACKGROUND_GREEN_SPIN, IDC_BACKGROUND_BLUE_SPIN};
const int kDiffuseEdits[3] = {IDC_DIFFUSE_RED, IDC_DIFFUSE_GREEN, IDC_DIFFUSE_BLUE};
const int kSpecularEdits[3] = {IDC_SPECULAR_RED, IDC_SPECULAR_GREEN, IDC_SPECULAR_BLUE};
const int kAmbientEdits[3] = {IDC_AMBIENT_RED, IDC_AMBIENT_GREEN, IDC_AMBIENT_BLUE};
const int kBackgroundEdits[3] = {IDC_BACKGROUND_RED, IDC_BACKGROUND_GREEN, IDC_BACKGROUND_BLUE};
// The large sample, then the red, green and blue samples of each group.
const int kDiffuseSamples[4] = {IDC_DIFFUSE_SAMPLE, IDC_DIFFUSE_RED_SAMPLE, IDC_DIFFUSE_GREEN_SAMPLE,
                                IDC_DIFFUSE_BLUE_SAMPLE};
const int kSpecularSamples[4] = {IDC_SPECULAR_SAMPLE, IDC_SPECULAR_RED_SAMPLE, IDC_SPECULAR_GREEN_SAMPLE,
                                 IDC_SPECULAR_BLUE_SAMPLE};
const int kAmbientSamples[4] = {IDC_AMBIENT_SAMPLE, IDC_AMBIENT_RED_SAMPLE, IDC_AMBIENT_GREEN_SAMPLE,
                                IDC_AMBIENT_BLUE_SAMPLE};
const int kBackgroundSamples[4] = {IDC_BACKGROUND_SAMPLE, IDC_BACKGROUND_RED_SAMPLE, IDC_BACKGROUND_GREEN_SAMPLE,
                                   IDC_BACKGROUND_BLUE_SAMPLE};

D3DCOLORVALUE ColourOf(const float (&rgb)[3]) { return D3DCOLORVALUE{rgb[0], rgb[1], rgb[2], 0.0f}; }

void SetChannels(float (&rgb)[3], const D3DCOLORVALUE& colour) {
  rgb[0] = colour.r;
  rgb[1] = colour.g;
  rgb[2] = colour.b;
}

}  // namespace

CZUVidovsFormView::CZUVidovsFormView() : CFormView(IDD_LIGHTS_FORM) {
  std::memset(m_fDiffuse, 0, sizeof(m_fDiffuse));
  std::memset(m_fSpecular, 0, sizeof(m_fSpecular));
  std::memset(m_fAmbient, 0, sizeof(m_fAmbient));
  std::memset(m_fBackground, 0, sizeof(m_fBackground));
  m_nDiffuseForAmbient = 0;
  ClearContent();
}

CZUVidovsFormView::~CZUVidovsFormView() { DestroyContent(); }

void CZUVidovsFormView::ClearFormFields() {
  std::memset(m_fDiffuse, 0, sizeof(m_fDiffuse));
  std::memset(m_fSpecular, 0, sizeof(m_fSpecular));
  std::memset(m_fAmbient, 0, sizeof(m_fAmbient));
  std::memset(m_fBackground, 0, sizeof(m_fBackground));
  m_nFromBack = m_nFromBottom = m_nFromFront = m_nFromLeft = m_nFromRight = m_nFromTop = 0;
  m_nAmbientEnabled = 0;
  m_pCurrentLight = nullptr;
}

void CZUVidovsFormView::ClearContent() {
  ClearFormFields();
  m_pParentFrame = nullptr;
  m_bLightModified = false;
}

void CZUVidovsFormView::DestroyContent() {
  CDXDoc* document = GetDXDoc();
  if (document != nullptr && document->GetLightsFormView() == this) document->SetLightsFormView(nullptr);
  ClearContent();
}

CDXDoc* CZUVidovsFormView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

CLightsManager* CZUVidovsFormView::GetLightsManager() const {
  CDXDoc* document = GetDXDoc();
  return document != nullptr ? document->GetWorldLightsManager() : nullptr;
}

void CZUVidovsFormView::OnInitialUpdate() { Initialize(); }

bool CZUVidovsFormView::Initialize() {
  try {
    CFormView::OnInitialUpdate();
    CDXDoc* document = GetDXDoc();
    if (document == nullptr) throw "\nError: The lights form has no document.";
    document->SetLightsFormView(this);
    m_pParentFrame = DYNAMIC_DOWNCAST(CMDIChildWnd, CWnd::GetParentFrame());
    for (int i = 0; i < 12; ++i) {
      if (m_Edits[i].GetSafeHwnd() == nullptr) m_Edits[i].SubclassDlgItem(kEdits[i], this);
      if (auto* spin = DYNAMIC_DOWNCAST(CSpinButtonCtrl, GetDlgItem(kSpins[i]))) {
        spin->SetRange32(0, 1);
        spin->SetBuddy(&m_Edits[i]);
      }
    }
    FillForm(nullptr);
    return true;
  } catch (const char*) {
    DestroyContent();
    return false;
  }
}

void CZUVidovsFormView::ExchangeData(bool save) {
  if (m_bFilling) return;
  m_bFilling = !save;
  float* channels[12] = {&m_fDiffuse[0],  &m_fDiffuse[1],  &m_fDiffuse[2],    &m_fSpecular[0],
                         &m_fSpecular[1], &m_fSpecular[2], &m_fAmbient[0],    &m_fAmbient[1],
                         &m_fAmbient[2],  &m_fBackground[0], &m_fBackground[1], &m_fBackground[2]};
  const std::pair<int, int*> checks[] = {{IDC_LIGHT_FROM_BACK, &m_nFromBack},   {IDC_LIGHT_FROM_BOTTOM, &m_nFromBottom},
                                         {IDC_LIGHT_FROM_FRONT, &m_nFromFront}, {IDC_LIGHT_FROM_LEFT, &m_nFromLeft},
                                         {IDC_LIGHT_FROM_RIGHT, &m_nFromRight}, {IDC_LIGHT_FROM_TOP, &m_nFromTop},
                                         {IDC_AMBIENT_LIGHT_ENABLED, &m_nAmbientEnabled},
                                         {IDC_DIFFUSE_FOR_AMBIENT, &m_nDiffuseForAmbient}};
  for (int i = 0; i < 12; ++i) {
    CWnd* edit = GetDlgItem(kEdits[i]);
    if (edit == nullptr) continue;
    if (save) {
      *channels[i] = static_cast<float>(std::atof(edit->GetWindowTextString()));
    } else {
      CString text;
      text.Format("%3.1f", *channels[i]);
      edit->SetWindowText(text);
    }
  }
  for (const auto& [id, value] : checks) {
    auto* box = DYNAMIC_DOWNCAST(CButton, GetDlgItem(id));
    if (box == nullptr) continue;
    if (save) *value = box->GetCheck() == BST_CHECKED ? 1 : 0;
    else box->SetCheck(*value ? BST_CHECKED : BST_UNCHECKED);
  }
  m_bFilling = false;
}

void CZUVidovsFormView::FillForm(CONFIGFILE* config) {
  CDXDoc* document = GetDXDoc();
  CLightsManager* lights = GetLightsManager();
  if (document == nullptr || lights == nullptr) return;
  if (config == nullptr) config = document->GetConfig();
  m_nFromFront = lights->GetDirectionalLightFromFrontFrame() != nullptr;
  m_nFromBack = lights->GetDirectionalLightFromBackFrame() != nullptr;
  m_nFromTop = lights->GetDirectionalLightFromTopFrame() != nullptr;
  m_nFromBottom = lights->GetDirectionalLightFromBottomFrame() != nullptr;
  m_nFromLeft = lights->GetDirectionalLightFromLeftFrame() != nullptr;
  m_nFromRight = lights->GetDirectionalLightFromRightFrame() != nullptr;
  m_nAmbientEnabled = lights->AmbientLightIsEnabled();
  D3DCOLORVALUE diffuse, specular, ambient;
  lights->GetLightsColor(diffuse, specular, ambient);
  SetChannels(m_fDiffuse, diffuse);
  SetChannels(m_fSpecular, specular);
  SetChannels(m_fAmbient, ambient);
  SetChannels(m_fBackground, config->cvBackground);
  m_nDiffuseForAmbient = config->bDiffuseForAmbientColor != 0;
  ExchangeData(false);
  for (const auto* samples : {&kDiffuseSamples, &kSpecularSamples, &kAmbientSamples, &kBackgroundSamples}) {
    InvalidateSamples(*samples);
  }
}

void CZUVidovsFormView::SaveInDocument() {
  CDXDoc* document = GetDXDoc();
  if (document == nullptr) return;
  ExchangeData(true);
  CONFIGFILE* config = document->GetConfig();
  config->cvBackground = ColourOf(m_fBackground);
  config->cvLightsDiffuse = ColourOf(m_fDiffuse);
  config->cvLightsSpecular = ColourOf(m_fSpecular);
  config->cvAmbient = ColourOf(m_fAmbient);
  config->bLightFromBack = m_nFromBack != 0;
  config->bLightFromBottom = m_nFromBottom != 0;
  config->bLightFromFront = m_nFromFront != 0;
  config->bLightFromLeft = m_nFromLeft != 0;
  config->bLightFromRight = m_nFromRight != 0;
  config->bLightFromTop = m_nFromTop != 0;
  config->bAmbientOn = m_nAmbientEnabled != 0;
  config->bDiffuseForAmbientColor = m_nDiffuseForAmbient != 0;
  document->SaveConfigFile();
}

void CZUVidovsFormView::SetLightsColor() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr) return;
  ExchangeData(true);
  D3DCOLORVALUE diffuse = ColourOf(m_fDiffuse), specular = ColourOf(m_fSpecular), ambient = ColourOf(m_fAmbient);
  lights->SetLightsColor(diffuse, specular, ambient);
}

void CZUVidovsFormView::SaveColor() {
  SetLightsColor();
  CDXDoc* document = GetDXDoc();
  if (document == nullptr) return;
  CONFIGFILE config = *document->GetConfig();
  config.cvBackground = ColourOf(m_fBackground);
  document->SetConfig(&config);
}

namespace {
COLORREF ColourOfEdits(CWnd* form, const int (&edits)[3]) {
  float rgb[3] = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 3; ++i) {
    if (CWnd* edit = form->GetDlgItem(edits[i])) rgb[i] = static_cast<float>(std::atof(edit->GetWindowTextString()));
  }
  return ConvertD3DColor(D3DCOLORVALUE{rgb[0], rgb[1], rgb[2], 0.0f});
}
}  // namespace

COLORREF CZUVidovsFormView::GetDiffuseColorFromControls() { return ColourOfEdits(this, kDiffuseEdits); }
COLORREF CZUVidovsFormView::GetSpecularColorFromControls() { return ColourOfEdits(this, kSpecularEdits); }
COLORREF CZUVidovsFormView::GetAmbientColorFromControls() { return ColourOfEdits(this, kAmbientEdits); }
COLORREF CZUVidovsFormView::GetBackgroundColorFromControls() { return ColourOfEdits(this, kBackgroundEdits); }

bool CZUVidovsFormView::IsFormDataValid() {
  return m_Edits[0].IsValidFloat() && m_Edits[1].IsValidFloat() && m_Edits[2].IsValidFloat();
}

void CZUVidovsFormView::InvalidateSamples(const int (&samples)[4]) {
  for (int id : samples) {
    if (CWnd* sample = GetDlgItem(id)) sample->Invalidate(TRUE);
  }
}

HBRUSH CZUVidovsFormView::OnCtlColor(CDC* dc, CWnd* control, UINT) {
  if (dc == nullptr || control == nullptr) return nullptr;
  const std::pair<const int*, COLORREF> groups[] = {{kDiffuseSamples, GetDiffuseColorFromControls()},
                                                    {kSpecularSamples, GetSpecularColorFromControls()},
                                                    {kAmbientSamples, GetAmbientColorFromControls()},
                                                    {kBackgroundSamples, GetBackgroundColorFromControls()}};
  int id = control->GetDlgCtrlID();
  for (const auto& [samples, colour] : groups) {
    const COLORREF shown[4] = {colour, RGB(GetRValue(colour), 0, 0), RGB(0, GetGValue(colour), 0),
                               RGB(0, 0, GetBValue(colour))};
    for (int i = 0; i < 4; ++i) {
      if (samples[i] != id) continue;
      RECT client;
      control->GetClientRect(&client);
      dc->FillSolidRect(&client, shown[i]);
    }
  }
  return nullptr;
}

void CZUVidovsFormView::OnChangeDiffuseColor() {
  if (m_bFilling) return;
  InvalidateSamples(kDiffuseSamples);
  SetLightsColor();
  SaveInDocument();
}

void CZUVidovsFormView::OnChangeSpecularColor() {
  if (m_bFilling) return;
  InvalidateSamples(kSpecularSamples);
  SetLightsColor();
  SaveInDocument();
}

void CZUVidovsFormView::OnChangeAmbientColor() {
  if (m_bFilling) return;
  InvalidateSamples(kAmbientSamples);
  SetLightsColor();
  SaveInDocument();
}

void CZUVidovsFormView::OnChangeBackgroundColor() {
  if (m_bFilling) return;
  InvalidateSamples(kBackgroundSamples);
  SetLightsColor();
  SaveInDocument();
}

BOOL CZUVidovsFormView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header != nullptr && header->code == UDN_DELTAPOS) {
    for (int i = 0; i < 12; ++i) {
      if (static_cast<int>(header->idFrom) != kSpins[i]) continue;
      m_Edits[i].IncrementContent(DYNAMIC_DOWNCAST(CSpinButtonCtrl, GetDlgItem(kSpins[i])),
                                  reinterpret_cast<NM_UPDOWN*>(lParam), 0.1f);
      if (result != nullptr) *result = 0;
      return TRUE;
    }
  }
  return CFormView::OnNotify(wParam, lParam, result);
}

void CZUVidovsFormView::ChooseColor(const int (&edits)[3]) {
  CColorDialog dialog(RGB(0, 0, 0), 0, this);
  if (dialog.DoModal() != IDOK) return;
  D3DCOLORVALUE colour = ConvertWin32Color(dialog.GetColor());
  const float rgb[3] = {colour.r, colour.g, colour.b};
  for (int i = 0; i < 3; ++i) {
    CString text;
    text.Format("%f", rgb[i]);
    if (CWnd* edit = GetDlgItem(edits[i])) edit->SetWindowText(text);
  }
  SaveInDocument();
}

void CZUVidovsFormView::OnPictureDiffuseColorSample() { ChooseColor(kDiffuseEdits); }
void CZUVidovsFormView::OnPictureSpecularColorSample() { ChooseColor(kSpecularEdits); }
void CZUVidovsFormView::OnPictureAmbientColorSample() { ChooseColor(kAmbientEdits); }
void CZUVidovsFormView::OnPictureBackgroundColorSample() { ChooseColor(kBackgroundEdits); }

void CZUVidovsFormView::OnCheckAmbientLightEnabled() {
  CLightsManager* lights = GetLightsManager();
  auto* box = DYNAMIC_DOWNCAST(CButton, GetDlgItem(IDC_AMBIENT_LIGHT_ENABLED));
  if (lights == nullptr || box == nullptr) return;
  try {
    if (box->GetCheck() == BST_CHECKED) lights->EnableAmbientLight(true);
    else lights->DisableAmbientLight(true);
  } catch (const char*) {
    // A busy world leaves the light as it was.
  }
  SaveInDocument();
}

bool CZUVidovsFormView::CreateSideLight(bool (CLightsManager::*create)(bool)) {
  CLightsManager* lights = GetLightsManager();
  try {
    if (lights == nullptr) throw "\nUpdateData() failed.";
    ExchangeData(true);
    if (!(lights->*create)(true)) throw "\nCreateDirectionalLight() failed.";
    return true;
  } catch (const char*) {
    return false;
  }
}

bool CZUVidovsFormView::CreateDirectionalLightFromFront() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromFront);
}
bool CZUVidovsFormView::CreateDirectionalLightFromBack() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromBack);
}
bool CZUVidovsFormView::CreateDirectionalLightFromTop() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromTop);
}
bool CZUVidovsFormView::CreateDirectionalLightFromBottom() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromBottom);
}
bool CZUVidovsFormView::CreateDirectionalLightFromLeft() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromLeft);
}
bool CZUVidovsFormView::CreateDirectionalLightFromRight() {
  return CreateSideLight(&CLightsManager::CreateDirectionalLightFromRight);
}

void CZUVidovsFormView::OnCheckSide(int checkId, bool (CZUVidovsFormView::*create)(),
                                    bool (CLightsManager::*destroy)(bool)) {
  auto* box = DYNAMIC_DOWNCAST(CButton, GetDlgItem(checkId));
  CLightsManager* lights = GetLightsManager();
  if (box == nullptr || lights == nullptr) return;
  if (box->GetCheck() == BST_CHECKED) {
    (this->*create)();
  } else {
    try {
      (lights->*destroy)(true);
    } catch (const char*) {
      // A busy world keeps the light.
    }
  }
  SaveInDocument();
}

void CZUVidovsFormView::OnCheckDirectionalLightFromFront() {
  OnCheckSide(IDC_LIGHT_FROM_FRONT, &CZUVidovsFormView::CreateDirectionalLightFromFront,
              &CLightsManager::DestroyDirectionalLightFromFront);
}
void CZUVidovsFormView::OnCheckDirectionalLightFromBack() {
  OnCheckSide(IDC_LIGHT_FROM_BACK, &CZUVidovsFormView::CreateDirectionalLightFromBack,
              &CLightsManager::DestroyDirectionalLightFromBack);
}
void CZUVidovsFormView::OnCheckDirectionalLightFromTop() {
  OnCheckSide(IDC_LIGHT_FROM_TOP, &CZUVidovsFormView::CreateDirectionalLightFromTop,
              &CLightsManager::DestroyDirectionalLightFromTop);
}
void CZUVidovsFormView::OnCheckDirectionalLightFromBottom() {
  OnCheckSide(IDC_LIGHT_FROM_BOTTOM, &CZUVidovsFormView::CreateDirectionalLightFromBottom,
              &CLightsManager::DestroyDirectionalLightFromBottom);
}
void CZUVidovsFormView::OnCheckDirectionalLightFromLeft() {
  OnCheckSide(IDC_LIGHT_FROM_LEFT, &CZUVidovsFormView::CreateDirectionalLightFromLeft,
              &CLightsManager::DestroyDirectionalLightFromLeft);
}
void CZUVidovsFormView::OnCheckDirectionalLightFromRight() {
  OnCheckSide(IDC_LIGHT_FROM_RIGHT, &CZUVidovsFormView::CreateDirectionalLightFromRight,
              &CLightsManager::DestroyDirectionalLightFromRight);
}

void CZUVidovsFormView::OnObjectDiffuseForAmbientCheck() { SaveInDocument(); }

void CZUVidovsFormView::OnResetDefaultLightOptionsButton() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr) return;
  try {
    lights->ResetDefaultLights(true);
  } catch (const char*) {
    // A busy world keeps its lights; the form still shows the defaults.
  }
  m_pCurrentLight = nullptr;
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  FillForm(&defaults);
  SaveInDocument();
}

// The navigator.

bool CZUVidovsFormView::SaveModifiedLight() { return !m_bLightModified || SaveCurrentLight(); }

void CZUVidovsFormView::OnButtonFirst() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || !SaveModifiedLight()) return;
  lights->GetFirstLight(m_pCurrentLight);
  DisplayCurrentLight();
  DisplayMessage(m_pCurrentLight != nullptr ? IDS_FIRST_LIGHT_SHOWN : IDS_FIRST_LIGHT_FAILED);
}

void CZUVidovsFormView::OnButtonLast() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || !SaveModifiedLight()) return;
  lights->GetLastLight(m_pCurrentLight);
  DisplayCurrentLight();
  DisplayMessage(m_pCurrentLight != nullptr ? IDS_LAST_LIGHT_SHOWN : IDS_LAST_LIGHT_FAILED);
}

void CZUVidovsFormView::OnButtonNext() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || !SaveModifiedLight()) return;
  CLightFrame* next = nullptr;
  if (!lights->GetNextLight(m_pCurrentLight, next)) {
    DisplayMessage(IDS_NEXT_LIGHT_FAILED);
  } else if (next == nullptr) {
    DisplayMessage(IDS_LAST_LIGHT_SHOWN);
  } else {
    m_pCurrentLight = next;
    DisplayCurrentLight();
    DisplayMessage(IDS_NEXT_LIGHT_SHOWN);
  }
}

void CZUVidovsFormView::OnButtonPrev() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || !SaveModifiedLight()) return;
  CLightFrame* previous = nullptr;
  if (!lights->GetPrevLight(m_pCurrentLight, previous)) {
    DisplayMessage(IDS_PREV_LIGHT_FAILED);
  } else if (previous == nullptr) {
    DisplayMessage(IDS_FIRST_LIGHT_SHOWN);
  } else {
    m_pCurrentLight = previous;
    DisplayCurrentLight();
    DisplayMessage(IDS_PREV_LIGHT_SHOWN);
  }
}

void CZUVidovsFormView::OnButtonCreate() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || !SaveModifiedLight()) return;
  D3DLIGHT8 properties;
  std::memset(&properties, 0, sizeof(properties));
  properties.Type = D3DLIGHT_DIRECTIONAL;
  properties.Diffuse = properties.Specular = properties.Ambient = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
  properties.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
  char name[] = "DirectionalLightFrame";
  CDirectionalLightFrame* light = nullptr;
  bool created = false;
  try {
    created = lights->CreateDirectionalLight(light, &properties, name, false);
  } catch (const char*) {
    created = false;
  }
  if (!created || light == nullptr) {
    DisplayMessage(IDS_LIGHT_CREATION_FAILED);
    return;
  }
  m_pCurrentLight = light;
  DisplayCurrentLight();
  DisplayMessage(IDS_LIGHT_CREATED);
}

bool CZUVidovsFormView::DestroyLight(CLightFrame* light) {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr || light == nullptr) return false;
  try {
    return lights->DestroyLight(light, false);
  } catch (const char*) {
    return false;
  }
}

void CZUVidovsFormView::OnButtonDelete() {
  CLightsManager* lights = GetLightsManager();
  if (lights == nullptr) return;
  ExchangeData(true);
  CLightFrame* found = nullptr;
  if (m_pCurrentLight == nullptr || !lights->GetLight(m_pCurrentLight->GetLightIndex(), found) || found == nullptr) {
    DisplayMessage(IDS_CURRENT_LIGHT_FAILED);
    return;
  }
  CLightFrame* next = nullptr;
  lights->GetNextLight(found, next);
  if (!DestroyLight(found)) {
    DisplayMessage(IDS_LIGHT_NOT_DESTROYED);
    return;
  }
  m_pCurrentLight = next;
  DisplayCurrentLight();
  DisplayMessage(IDS_LIGHT_DELETED);
}

bool CZUVidovsFormView::SaveCurrentLight() {
  if (m_pCurrentLight == nullptr) return false;
  ExchangeData(true);
  // Only the colours change: the light keeps its type, direction and range.
  D3DLIGHT8 properties = *m_pCurrentLight->GetD3DLight();
  properties.Diffuse = ColourOf(m_fDiffuse);
  properties.Specular = ColourOf(m_fSpecular);
  properties.Ambient = ColourOf(m_fAmbient);
  bool saved = false;
  try {
    saved = m_pCurrentLight->SetProperties(&properties) && m_pCurrentLight->SetLightInDevice();
  } catch (const char*) {
    saved = false;
  }
  if (!saved) {
    DisplayMessage(IDS_LIGHT_NOT_SAVED);
    return false;
  }
  m_bLightModified = false;
  DisplayMessage(IDS_LIGHT_SAVED);
  return true;
}

void CZUVidovsFormView::OnButtonUpdate() { SaveCurrentLight(); }

void CZUVidovsFormView::OnButtonCancelChanges() {
  ExchangeData(false);
  m_bLightModified = false;
}

void CZUVidovsFormView::DisplayCurrentLight() {
  m_bLightModified = false;
  EnableFormControls();
  if (m_pCurrentLight == nullptr) {
    ClearForm();
    return;
  }
  const D3DLIGHT8* light = m_pCurrentLight->GetD3DLight();
  SetChannels(m_fDiffuse, light->Diffuse);
  SetChannels(m_fSpecular, light->Specular);
  SetChannels(m_fAmbient, light->Ambient);
  ExchangeData(false);
  InvalidateSamples(kDiffuseSamples);
  InvalidateSamples(kSpecularSamples);
  InvalidateSamples(kAmbientSamples);
}

namespace {
void EnableGroup(CWnd* form, const int (&edits)[3], const int (&spins)[3], int sample, BOOL enable) {
  for (int i = 0; i < 3; ++i) {
    if (CWnd* edit = form->GetDlgItem(edits[i])) edit->EnableWindow(enable);
    if (CWnd* spin = form->GetDlgItem(spins[i])) spin->EnableWindow(enable);
  }
  if (CWnd* picture = form->GetDlgItem(sample)) picture->EnableWindow(enable);
}
const int kDiffuseSpins[3] = {IDC_DIFFUSE_RED_SPIN, IDC_DIFFUSE_GREEN_SPIN, IDC_DIFFUSE_BLUE_SPIN};
const int kSpecularSpins[3] = {IDC_SPECULAR_RED_SPIN, IDC_SPECULAR_GREEN_SPIN, IDC_SPECULAR_BLUE_SPIN};
const int kAmbientSpins[3] = {IDC_AMBIENT_RED_SPIN, IDC_AMBIENT_GREEN_SPIN, IDC_AMBIENT_BLUE_SPIN};
}  // namespace

void CZUVidovsFormView::DisableAllControls() {
  EnableGroup(this, kDiffuseEdits, kDiffuseSpins, IDC_DIFFUSE_SAMPLE, FALSE);
  EnableGroup(this, kSpecularEdits, kSpecularSpins, IDC_SPECULAR_SAMPLE, FALSE);
  EnableGroup(this, kAmbientEdits, kAmbientSpins, IDC_AMBIENT_SAMPLE, FALSE);
}

void CZUVidovsFormView::EnableAmbientLightControls() {
  EnableGroup(this, kAmbientEdits, kAmbientSpins, IDC_AMBIENT_SAMPLE, TRUE);
}

void CZUVidovsFormView::EnableDirectionalLightControls() {
  EnableGroup(this, kDiffuseEdits, kDiffuseSpins, IDC_DIFFUSE_SAMPLE, TRUE);
  EnableGroup(this, kSpecularEdits, kSpecularSpins, IDC_SPECULAR_SAMPLE, TRUE);
  EnableGroup(this, kAmbientEdits, kAmbientSpins, IDC_AMBIENT_SAMPLE, TRUE);
}

void CZUVidovsFormView::EnableFormControls() {
  DisableAllControls();
  if (m_pCurrentLight == nullptr) return;
  switch (m_pCurrentLight->GetLightFrameType()) {
    case CLightFrame::eAmbientLightFrame:
      EnableAmbientLightControls();
      break;
    case CLightFrame::eDirectionalLightFrame:
      EnableDirectionalLightControls();
      break;
    default:
      break;
  }
}

void CZUVidovsFormView::ClearForm() {
  std::memset(m_fDiffuse, 0, sizeof(m_fDiffuse));
  std::memset(m_fSpecular, 0, sizeof(m_fSpecular));
  std::memset(m_fAmbient, 0, sizeof(m_fAmbient));
  ExchangeData(false);
}

void CZUVidovsFormView::DisplayMessage(UINT stringId) {
  if (auto* frame = DYNAMIC_DOWNCAST(CZUVidovsFormChildFrame, m_pParentFrame)) {
    frame->DisplayMessage(stringId);
  } else if (DYNAMIC_DOWNCAST(CDXSplitterFrame, m_pParentFrame) != nullptr) {
    if (CDXMainFrame* main = GetMainFrame()) main->SetMessageText(stringId);
  }
}

void CZUVidovsFormView::OnUpdateAnyNavigatorButton(CCmdUI* cmdUI) {
  switch (cmdUI->m_nID) {
    case ID_NAVIGATION_CREATE:
    case ID_NAVIGATION_FIRST:
    case ID_NAVIGATION_LAST:
      cmdUI->Enable(TRUE);
      break;
    case ID_NAVIGATION_SAVE:
    case ID_NAVIGATION_CANCEL:
      cmdUI->Enable(m_bLightModified);
      break;
    default:
      cmdUI->Enable(m_pCurrentLight != nullptr);
      break;
  }
}

// CZUVidovsFormChildFrame

CZUVidovsFormChildFrame::CZUVidovsFormChildFrame() : m_dwReserved(0) {}

CZUVidovsFormChildFrame::~CZUVidovsFormChildFrame() { m_dwReserved = 0; }

int CZUVidovsFormChildFrame::OnCreate(LPCREATESTRUCT create) {
  if (CMDIChildWnd::OnCreate(create) == -1) return -1;
  static const UINT indicators[] = {ID_SEPARATOR};
  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(indicators, 1)) {
    return -1;
  }
  if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                             WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                 CBRS_SIZE_DYNAMIC,
                             RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadToolBar(IDR_NAVIGATION_TOOLBAR)) {
    return -1;
  }
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  m_wndToolBar.SetWindowText("Navigation Tool Bar");
  return 0;
}

void CZUVidovsFormChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  if (CDocument* document = GetActiveDocument()) SetWindowText(document->GetTitle() + " - Lights Manager");
}

void CZUVidovsFormChildFrame::DisplayMessage(UINT stringId) {
  CString text;
  text.LoadString(stringId);
  m_wndStatusBar.SetPaneText(0, text);
}
