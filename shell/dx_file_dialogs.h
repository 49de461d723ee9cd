// The file dialogs of import and export, each with an "O&ptions..." button,
// and the two option dialogs behind those buttons. The option dialogs read
// and write the host's APPOPTIONS directly.
#pragma once

#include <afxdlgs.h>
#include <afxwin.h>

// The filter of the import dialog: both kinds, then each kind.
inline constexpr char kImportFileFilter[] =
    "3d Object Files (.3ds;.x)|*.3ds;*.x|3D Studio (.3ds)|*.3ds|X Files (.x)|*.x||";

// The open dialog "Import 3d objects", starting in the host's import folder;
// its options button opens the 3DS loading options.
class CDXImportDialog : public CFileDialog {
  DECLARE_DYNAMIC(CDXImportDialog)

 public:
  CDXImportDialog(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr,
                  DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                  CWnd* parent = nullptr);

 protected:
  void OnOptions();
  DECLARE_MESSAGE_MAP()

 private:
  CString m_strInitialFolder;
};

// The save dialog "Export the selected 3d object"; its options button opens
// the X-file save options.
class CDXSaveFileDialog : public CFileDialog {
  DECLARE_DYNAMIC(CDXSaveFileDialog)

 public:
  // The first argument is ignored: always a save dialog.
  CDXSaveFileDialog(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr,
                    DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                    CWnd* parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  void OnOptions();
  DECLARE_MESSAGE_MAP()
};

// "X File Save options": binary or text, compressed, with the templates.
class CDXSaveOptionsDialog : public CDialog {
  DECLARE_DYNAMIC(CDXSaveOptionsDialog)

 public:
  explicit CDXSaveOptionsDialog(CWnd* parent = nullptr);

  // 0 binary, 1 text, -1 none chosen.
  int m_nFormat;
  int m_bCompressed;
  int m_bSaveTemplates;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnFormat(UINT id);
  DECLARE_MESSAGE_MAP()

 private:
  void WriteControls();
  void ReadControls();
};

// "3ds file loading options": direct import or the converter, with the
// converter's switches; every change goes to the host's options at once.
class CDX3dsOptionsDialog : public CDialog {
  DECLARE_DYNAMIC(CDX3dsOptionsDialog)

 public:
  explicit CDX3dsOptionsDialog(CWnd* parent = nullptr);

  int m_bSingleMesh;
  int m_bNoFrameTransform;
  int m_bFlattenHierarchy;
  int m_bNoTexture;
  int m_bReverseWinding;
  CString m_strTextureExtension;
  int m_bLightwave;
  // 0 to 3; -1 none chosen.
  int m_nVerbose;
  int m_bWrapTopFrame;
  CString m_strArguments;
  CString m_strAlphaAdd;
  CString m_strAlphaUnder;
  CString m_strScaling;
  // 0 direct import, 1 the converter; -1 none chosen.
  int m_nLoadingMethod;
  int m_bDirectReverseWinding;

  // The form from the host's options, and back.
  void FillForm();
  void SaveForm();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnChange();
  void OnRadio(UINT id);
  void OnReset();
  DECLARE_MESSAGE_MAP()

 private:
  void WriteControls();
  void ReadControls();
  bool m_bWriting = false;
};
