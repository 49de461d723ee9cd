#include "dx_file_dialogs.h"

#include <appoptions.h>
#include <configfile.h>
#include <conv3dsargs.h>

#include <cstdlib>
#include <cstring>

#include "resource.h"

namespace {

CButton* Button(const CWnd* dialog, UINT id) { return static_cast<CButton*>(dialog->GetDlgItem(id)); }

int GetCheck(const CWnd* dialog, UINT id) {
  CButton* button = Button(dialog, id);
  return button != NULL && button->GetCheck() == BST_CHECKED ? 1 : 0;
}

void SetCheck(CWnd* dialog, UINT id, int check) {
  if (CButton* button = Button(dialog, id)) button->SetCheck(check ? BST_CHECKED : BST_UNCHECKED);
}

// The index of the checked button among first..last, -1 for none.
int GetRadio(const CWnd* dialog, UINT first, UINT last) {
  for (UINT id = first; id <= last; ++id)
    if (GetCheck(dialog, id)) return static_cast<int>(id - first);
  return -1;
}

void SetRadio(CWnd* dialog, UINT first, UINT last, int index) {
  for (UINT id = first; id <= last; ++id) SetCheck(dialog, id, static_cast<int>(id - first) == index);
}

CString GetText(const CWnd* dialog, UINT id) {
  CWnd* control = dialog->GetDlgItem(id);
  return control != NULL ? control->GetWindowTextString() : CString();
}

void SetText(CWnd* dialog, UINT id, const CString& text) {
  CWnd* control = dialog->GetDlgItem(id);
  if (control != NULL && control->GetWindowTextString() != text) control->SetWindowText(text);
}

BYTE AsByte(int value) { return value != 0 ? 1 : 0; }

CString FormatFloat(float value) {
  CString text;
  text.Format("%.2g", static_cast<double>(value));
  return text;
}

}  // namespace

// CDXImportDialog

IMPLEMENT_DYNAMIC(CDXImportDialog, CFileDialog)

BEGIN_MESSAGE_MAP(CDXImportDialog, CFileDialog)
ON_CONTROL(BN_CLICKED, IDC_IMPORT_OPTIONS_BUTTON, OnOptions)
END_MESSAGE_MAP()

CDXImportDialog::CDXImportDialog(BOOL openFileDialog, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                                 CWnd* parent)
    : CFileDialog(openFileDialog, defaultExt, fileName, flags, filter, parent) {
  m_ofn.Flags |= OFN_EXPLORER | OFN_ENABLETEMPLATE;
  m_ofn.lpTemplateName = IDD_IMPORT_FILE_TEMPLATE;
  m_ofn.lpstrTitle = "Import 3d objects";
  m_strInitialFolder = CString(g_appOptions.szImportFolder, static_cast<int>(strnlen(g_appOptions.szImportFolder,
                                                                                      sizeof g_appOptions.szImportFolder)));
  m_ofn.lpstrInitialDir = m_strInitialFolder;
}

void CDXImportDialog::OnOptions() {
  CDX3dsOptionsDialog options(this);
  options.DoModal();
}

// CDXSaveFileDialog

IMPLEMENT_DYNAMIC(CDXSaveFileDialog, CFileDialog)

BEGIN_MESSAGE_MAP(CDXSaveFileDialog, CFileDialog)
ON_CONTROL(BN_CLICKED, IDC_XSAVE_OPTIONS_BUTTON, OnOptions)
END_MESSAGE_MAP()

CDXSaveFileDialog::CDXSaveFileDialog(BOOL, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                                     CWnd* parent)
    : CFileDialog(FALSE, defaultExt, fileName, flags, filter, parent) {
  m_ofn.Flags |= OFN_EXPLORER | OFN_ENABLETEMPLATE;
  m_ofn.lpTemplateName = IDD_SAVE_FILE_TEMPLATE;
  m_ofn.lpstrTitle = "Export the selected 3d object";
}

BOOL CDXSaveFileDialog::OnInitDialog() {
  CFileDialog::OnInitDialog();
  return TRUE;
}

void CDXSaveFileDialog::OnOptions() {
  CDXSaveOptionsDialog options(this);
  options.DoModal();
}

// CDXSaveOptionsDialog

IMPLEMENT_DYNAMIC(CDXSaveOptionsDialog, CDialog)

BEGIN_MESSAGE_MAP(CDXSaveOptionsDialog, CDialog)
ON_COMMAND_RANGE(IDC_XSAVE_BINARY, IDC_XSAVE_TEXT, OnFormat)
END_MESSAGE_MAP()

CDXSaveOptionsDialog::CDXSaveOptionsDialog(CWnd* parent)
    : CDialog(IDD_XFILE_SAVE_OPTIONS, parent), m_nFormat(-1), m_bCompressed(0), m_bSaveTemplates(0) {}

BOOL CDXSaveOptionsDialog::OnInitDialog() {
  switch (g_appOptions.dwXFileFormat) {
    case 0: m_nFormat = 0; m_bCompressed = 0; break;
    case 1: m_nFormat = 1; m_bCompressed = 0; break;
    case 2: m_nFormat = 0; m_bCompressed = 1; break;
    case 3: m_nFormat = 1; m_bCompressed = 1; break;
    default: break;
  }
  m_bSaveTemplates = g_appOptions.bSaveTemplates != 0;
  WriteControls();
  return TRUE;
}

void CDXSaveOptionsDialog::WriteControls() {
  SetRadio(this, IDC_XSAVE_BINARY, IDC_XSAVE_TEXT, m_nFormat);
  SetCheck(this, IDC_XSAVE_COMPRESSED, m_bCompressed);
  SetCheck(this, IDC_XSAVE_TEMPLATES, m_bSaveTemplates);
}

void CDXSaveOptionsDialog::ReadControls() {
  m_nFormat = GetRadio(this, IDC_XSAVE_BINARY, IDC_XSAVE_TEXT);
  m_bCompressed = GetCheck(this, IDC_XSAVE_COMPRESSED);
  m_bSaveTemplates = GetCheck(this, IDC_XSAVE_TEMPLATES);
}

void CDXSaveOptionsDialog::OnFormat(UINT id) {
  SetRadio(this, IDC_XSAVE_BINARY, IDC_XSAVE_TEXT, static_cast<int>(id - IDC_XSAVE_BINARY));
}

void CDXSaveOptionsDialog::OnOK() {
  ReadControls();
  if (m_nFormat == 0) g_appOptions.dwXFileFormat = m_bCompressed ? 2 : 0;
  if (m_nFormat == 1) g_appOptions.dwXFileFormat = m_bCompressed ? 3 : 1;
  g_appOptions.bSaveTemplates = AsByte(m_bSaveTemplates);
  EndDialog(IDOK);
}

// CDX3dsOptionsDialog

IMPLEMENT_DYNAMIC(CDX3dsOptionsDialog, CDialog)

BEGIN_MESSAGE_MAP(CDX3dsOptionsDialog, CDialog)
ON_CONTROL(BN_CLICKED, IDC_3DS_SINGLE_MESH, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_REVERSE_WINDING, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_LIGHTWAVE, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_SWITCH_NO_TEXTURE, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_DIRECT_REVERSE_WINDING, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_SWITCH_NO_FRAME_TRANSFORM, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_FLATTEN_HIERARCHY, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_SWITCH_WRAP_TOP_FRAME, OnChange)
ON_COMMAND_RANGE(IDC_3DS_VERBOSE_OFF, IDC_3DS_VERBOSE_DEBUGGING, OnRadio)
ON_COMMAND_RANGE(IDC_3DS_DIRECT_IMPORT, IDC_3DS_USE_CONVERTER, OnRadio)
ON_CONTROL(EN_CHANGE, IDC_3DS_TEXTURE_EXTENSION, OnChange)
ON_CONTROL(EN_CHANGE, IDC_3DS_VALUE_SCALING, OnChange)
ON_CONTROL(EN_CHANGE, IDC_3DS_VALUE_ALPHA_ADD, OnChange)
ON_CONTROL(EN_CHANGE, IDC_3DS_VALUE_ALPHA_UNDER, OnChange)
ON_CONTROL(BN_CLICKED, IDC_3DS_RESET, OnReset)
END_MESSAGE_MAP()

CDX3dsOptionsDialog::CDX3dsOptionsDialog(CWnd* parent)
    : CDialog(IDD_3DS_LOADING_OPTIONS, parent),
      m_bSingleMesh(0),
      m_bNoFrameTransform(0),
      m_bFlattenHierarchy(0),
      m_bNoTexture(0),
      m_bReverseWinding(0),
      m_bLightwave(0),
      m_nVerbose(-1),
      m_bWrapTopFrame(0),
      m_nLoadingMethod(-1),
      m_bDirectReverseWinding(0) {}

BOOL CDX3dsOptionsDialog::OnInitDialog() {
  FillForm();
  return TRUE;
}

void CDX3dsOptionsDialog::FillForm() {
  const APPOPTIONS& o = g_appOptions;
  m_nLoadingMethod = static_cast<int>(o.dw3dsLoadingMethod);
  m_strAlphaAdd = FormatFloat(o.fConvAlphaAdd);
  m_strAlphaUnder = FormatFloat(o.fConvAlphaUnder);
  m_strScaling = FormatFloat(o.fConvScaling);
  m_bSingleMesh = o.bConvSingleMesh;
  m_bNoFrameTransform = o.bConvNoFrameTransform;
  m_bFlattenHierarchy = o.bConvFlattenHierarchy;
  m_bNoTexture = o.bConvNoTexture;
  m_bReverseWinding = o.bConvReverseWinding;
  m_bLightwave = o.bConvLightwave;
  m_bWrapTopFrame = o.bConvWrapTopFrame;
  m_strTextureExtension = CString(o.szConvTextureExt, static_cast<int>(strnlen(o.szConvTextureExt, 4)));
  m_nVerbose = static_cast<int>(o.dwConvVerbose);
  m_strArguments = GetConv3dsArguments();
  m_bDirectReverseWinding = o.bReverse3dsWinding;
  WriteControls();
}

void CDX3dsOptionsDialog::SaveForm() {
  ReadControls();
  APPOPTIONS& o = g_appOptions;
  o.dw3dsLoadingMethod = static_cast<DWORD>(m_nLoadingMethod);
  o.dwConvVerbose = static_cast<DWORD>(m_nVerbose);
  // A text that is not a number reads as 0.
  o.fConvAlphaAdd = static_cast<float>(std::atof(m_strAlphaAdd));
  o.fConvAlphaUnder = static_cast<float>(std::atof(m_strAlphaUnder));
  o.fConvScaling = static_cast<float>(std::atof(m_strScaling));
  o.bConvSingleMesh = AsByte(m_bSingleMesh);
  o.bConvNoFrameTransform = AsByte(m_bNoFrameTransform);
  o.bConvFlattenHierarchy = AsByte(m_bFlattenHierarchy);
  o.bConvNoTexture = AsByte(m_bNoTexture);
  o.bConvReverseWinding = AsByte(m_bReverseWinding);
  o.bConvLightwave = AsByte(m_bLightwave);
  o.bConvWrapTopFrame = AsByte(m_bWrapTopFrame);
  // At most 4 characters, always terminated.
  SetConvTextureExtension(m_strTextureExtension);
  o.bReverse3dsWinding = AsByte(m_bDirectReverseWinding);
}

void CDX3dsOptionsDialog::WriteControls() {
  // Writing the edits notifies changes that must not write through.
  m_bWriting = true;
  SetRadio(this, IDC_3DS_DIRECT_IMPORT, IDC_3DS_USE_CONVERTER, m_nLoadingMethod);
  SetText(this, IDC_3DS_VALUE_ALPHA_ADD, m_strAlphaAdd);
  SetText(this, IDC_3DS_VALUE_ALPHA_UNDER, m_strAlphaUnder);
  SetText(this, IDC_3DS_VALUE_SCALING, m_strScaling);
  SetCheck(this, IDC_3DS_SINGLE_MESH, m_bSingleMesh);
  SetCheck(this, IDC_3DS_SWITCH_NO_FRAME_TRANSFORM, m_bNoFrameTransform);
  SetCheck(this, IDC_3DS_FLATTEN_HIERARCHY, m_bFlattenHierarchy);
  SetCheck(this, IDC_3DS_SWITCH_NO_TEXTURE, m_bNoTexture);
  SetCheck(this, IDC_3DS_REVERSE_WINDING, m_bReverseWinding);
  SetText(this, IDC_3DS_TEXTURE_EXTENSION, m_strTextureExtension);
  SetCheck(this, IDC_3DS_LIGHTWAVE, m_bLightwave);
  SetRadio(this, IDC_3DS_VERBOSE_OFF, IDC_3DS_VERBOSE_DEBUGGING, m_nVerbose);
  SetCheck(this, IDC_3DS_SWITCH_WRAP_TOP_FRAME, m_bWrapTopFrame);
  SetText(this, IDC_3DS_ARGUMENTS, m_strArguments);
  SetCheck(this, IDC_3DS_DIRECT_REVERSE_WINDING, m_bDirectReverseWinding);
  m_bWriting = false;
}

void CDX3dsOptionsDialog::ReadControls() {
  m_nLoadingMethod = GetRadio(this, IDC_3DS_DIRECT_IMPORT, IDC_3DS_USE_CONVERTER);
  m_strAlphaAdd = GetText(this, IDC_3DS_VALUE_ALPHA_ADD);
  m_strAlphaUnder = GetText(this, IDC_3DS_VALUE_ALPHA_UNDER);
  m_strScaling = GetText(this, IDC_3DS_VALUE_SCALING);
  m_bSingleMesh = GetCheck(this, IDC_3DS_SINGLE_MESH);
  m_bNoFrameTransform = GetCheck(this, IDC_3DS_SWITCH_NO_FRAME_TRANSFORM);
  m_bFlattenHierarchy = GetCheck(this, IDC_3DS_FLATTEN_HIERARCHY);
  m_bNoTexture = GetCheck(this, IDC_3DS_SWITCH_NO_TEXTURE);
  m_bReverseWinding = GetCheck(this, IDC_3DS_REVERSE_WINDING);
  m_strTextureExtension = GetText(this, IDC_3DS_TEXTURE_EXTENSION);
  m_bLightwave = GetCheck(this, IDC_3DS_LIGHTWAVE);
  m_nVerbose = GetRadio(this, IDC_3DS_VERBOSE_OFF, IDC_3DS_VERBOSE_DEBUGGING);
  m_bWrapTopFrame = GetCheck(this, IDC_3DS_SWITCH_WRAP_TOP_FRAME);
  m_bDirectReverseWinding = GetCheck(this, IDC_3DS_DIRECT_REVERSE_WINDING);
}

void CDX3dsOptionsDialog::OnChange() {
  if (m_bWriting) return;
  SaveForm();
  m_strArguments = GetConv3dsArguments();
  WriteControls();
}

void CDX3dsOptionsDialog::OnRadio(UINT id) {
  if (id >= IDC_3DS_DIRECT_IMPORT) {
    SetRadio(this, IDC_3DS_DIRECT_IMPORT, IDC_3DS_USE_CONVERTER, static_cast<int>(id - IDC_3DS_DIRECT_IMPORT));
  } else {
    SetRadio(this, IDC_3DS_VERBOSE_OFF, IDC_3DS_VERBOSE_DEBUGGING, static_cast<int>(id - IDC_3DS_VERBOSE_OFF));
  }
  OnChange();
}

void CDX3dsOptionsDialog::OnReset() {
  CONFIGFILE defaults;
  SetDefaultConfigData(defaults);
  SetAppOptions(defaults);
  FillForm();
}

void CDX3dsOptionsDialog::OnOK() {
  SaveForm();
  EndDialog(IDOK);
}
