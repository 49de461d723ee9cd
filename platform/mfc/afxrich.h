// A view that is a rich edit control: read-only or editable text.
#pragma once

#include "afxwin.h"

class CRichEditCtrl : public CWnd {
  DECLARE_DYNAMIC(CRichEditCtrl)

 public:
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
