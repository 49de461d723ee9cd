// CFloatEdit and CDWORDEdit: edit controls that take only the characters of
// a decimal or a whole number and step their value with an up-down button.
// The value is always the edit's text.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

class CFloatEdit : public CEdit {
 public:
  // Steps the number by step in the direction of the up-down's notification,
  // held within the up-down's range, and writes it with one decimal.
  void IncrementContent(CSpinButtonCtrl* spin, NM_UPDOWN* notification, float step);
  // Whether the text is a number.
  bool IsValidFloat();

 protected:
  void OnChar(UINT character, UINT repeat, UINT flags);

  DECLARE_MESSAGE_MAP()
};

class CDWORDEdit : public CEdit {
 public:
  // Steps the whole number by step, held within the up-down's range.
  void IncrementContent(CSpinButtonCtrl* spin, NM_UPDOWN* notification, long step);

 protected:
  void OnChar(UINT character, UINT repeat, UINT flags);

  DECLARE_MESSAGE_MAP()
};
