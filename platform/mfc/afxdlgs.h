// The common dialogs: file open and save, colour.
#pragma once

#include "afxwin.h"

#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_EXPLORER 0x00080000u
#define OFN_ENABLETEMPLATE 0x00000040u

struct OPENFILENAME {
  DWORD Flags = 0;
  LPCSTR lpstrTitle = nullptr;
  LPCSTR lpstrInitialDir = nullptr;
  HINSTANCE hInstance = nullptr;
  // The child template whose controls join the dialog (OFN_ENABLETEMPLATE).
  UINT lpTemplateName = 0;
};

// A file dialog with the filter "Name|*.a;*.b|...||". A child template's
// controls (an "Options" button, say) sit under the file list; their
// notifications reach the dialog's message map.
class CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)

 public:
  explicit CFileDialog(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                       CWnd* parent = nullptr);

  OPENFILENAME m_ofn;

  INT_PTR DoModal() override;
  // The chosen file: its path, name with extension, name without, extension, folder.
  CString GetPathName() const { return m_strPath; }
  CString GetFileName() const;
  CString GetFileTitle() const;
  CString GetFileExt() const;
  CString GetFolderPath() const;
  // Selects path as if the user had typed it (for the program and tests).
  void SetPathName(LPCSTR path);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void OnOK() override;

 private:
  BOOL m_bOpen;
  CString m_strDefaultExt, m_strFileName, m_strFilter, m_strPath;
};

class CColorDialog : public CDialog {
  DECLARE_DYNAMIC(CColorDialog)

 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
  struct {
    COLORREF rgbResult;
    DWORD Flags;
  } m_cc;

  INT_PTR DoModal() override;
  COLORREF GetColor() const { return m_cc.rgbResult; }
  // Sets the colour shown, as the user would pick it.
  void SetCurrentColor(COLORREF color);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void OnOK() override;
};
#define CC_RGBINIT 0x00000001u
#define CC_FULLOPEN 0x00000002u
