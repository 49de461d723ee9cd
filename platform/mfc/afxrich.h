// A view that is a rich edit control: read-only or editable text.
#pragma once

#include "afxwin.h"

// The character format of a rich edit control: which fields count (CFM_*),
// the effects (CFE_*), the size in twips, the colour and the face name.
#define CFM_BOLD 0x00000001u
#define CFM_ITALIC 0x00000002u
#define CFM_SIZE 0x80000000u
#define CFM_COLOR 0x40000000u
#define CFM_FACE 0x20000000u
#define CFE_BOLD 0x0001u
#define CFE_ITALIC 0x0002u
#define CFE_AUTOCOLOR 0x40000000u
struct CHARFORMAT {
  UINT cbSize = sizeof(CHARFORMAT);
  DWORD dwMask = 0;
  DWORD dwEffects = 0;
  LONG yHeight = 0;
  LONG yOffset = 0;
  COLORREF crTextColor = 0;
  BYTE bCharSet = 0;
  BYTE bPitchAndFamily = 0;
  char szFaceName[32] = "";
};

class CRichEditCtrl : public CWnd {
  DECLARE_DYNAMIC(CRichEditCtrl)

 public:
  // The format of text put in from now on.
  BOOL SetDefaultCharFormat(CHARFORMAT& format);
  // The whole text.
  CString GetText() const;
  void SetSel(long start, long end);
  void ReplaceSel(LPCSTR text, BOOL canUndo = FALSE);
  long GetTextLength() const;
  int GetLineCount() const;
  BOOL SetReadOnly(BOOL readOnly = TRUE);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};

class CRichEditView : public CView {
  DECLARE_DYNAMIC(CRichEditView)

 public:
  CRichEditView();
  ~CRichEditView() override;
  CRichEditCtrl& GetRichEditCtrl() const { return *m_pEdit; }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  CRichEditCtrl* m_pEdit;
};
