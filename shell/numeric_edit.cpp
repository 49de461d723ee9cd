#include "numeric_edit.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

BEGIN_MESSAGE_MAP(CFloatEdit, CEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDWORDEdit, CEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

namespace {

// The text after the selection is deleted, with the selection (now empty
// or not) that remains.
struct SEditState {
  CString text;
  DWORD start = 0;
  DWORD end = 0;
};

SEditState ClearSelection(CEdit* edit) {
  SEditState state;
  edit->SendMessage(WM_CLEAR);
  edit->GetWindowText(state.text);
  edit->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&state.start), reinterpret_cast<LPARAM>(&state.end));
  return state;
}

// Whether the first occurrence of sign in text, when there is one, stands
// before the caret.
bool SignBefore(const CString& text, char sign, DWORD caret) {
  int at = text.Find(sign);
  return at < static_cast<int>(caret);
}

// The value one step further in the direction the up-down was pressed, held
// below its upper bound going up and above its lower bound going down.
double Stepped(double value, CSpinButtonCtrl* spin, const NM_UPDOWN* notification, double step) {
  int lower = 0, upper = 0;
  spin->GetRange32(lower, upper);
  if (notification->iDelta >= 0) return std::min(value + step, static_cast<double>(upper));
  return std::max(value - step, static_cast<double>(lower));
}

bool IsDigit(signed char character) { return isalnum(static_cast<unsigned char>(character)) && !isalpha(static_cast<unsigned char>(character)); }

void Refuse(CEdit* edit, const CString& oldText) {
  edit->SetWindowText(oldText);
  MessageBeep(static_cast<UINT>(-1));
}

}  // namespace

void CFloatEdit::OnChar(UINT character, UINT repeat, UINT flags) {
  (void)repeat;
  (void)flags;
  CString oldText;
  GetWindowText(oldText);
  SEditState state = ClearSelection(this);
  auto typed = static_cast<signed char>(character);
  bool signsBefore = SignBefore(state.text, '-', state.start) && SignBefore(state.text, '+', state.start);
  bool accept;
  if (typed < 32) {
    accept = true;
  } else if (IsDigit(typed)) {
    accept = signsBefore;
  } else if (typed == '.') {
    accept = state.text.Find('.') < 0 && signsBefore;
  } else if (typed == '-' || typed == '+') {
    accept = state.start == 0 && state.end == 0 && state.text.Find('-') < 0 && state.text.Find('+') < 0;
  } else {
    accept = false;
  }
  if (accept) Default();
  else Refuse(this, oldText);
}

void CFloatEdit::IncrementContent(CSpinButtonCtrl* spin, NM_UPDOWN* notification, float step) {
  CString text;
  GetWindowText(text);
  text.Format("%3.1f", Stepped(atof(text), spin, notification, step));
  SetWindowText(text);
}

bool CFloatEdit::IsValidFloat() {
  CString text;
  GetWindowText(text);
  if (atof(text) != 0.0) return true;
  return text.Find('0') >= 0;
}

void CDWORDEdit::OnChar(UINT character, UINT repeat, UINT flags) {
  (void)repeat;
  (void)flags;
  CString oldText;
  GetWindowText(oldText);
  SEditState state = ClearSelection(this);
  auto typed = static_cast<signed char>(character);
  bool accept;
  if (typed < 32) {
    accept = true;
  } else if (IsDigit(typed)) {
    accept = SignBefore(state.text, '+', state.start);
  } else if (typed == '+') {
    accept = state.start == 0 && state.end == 0 && state.text.Find('+') < 0;
  } else {
    accept = false;
  }
  if (accept) Default();
  else Refuse(this, oldText);
}

void CDWORDEdit::IncrementContent(CSpinButtonCtrl* spin, NM_UPDOWN* notification, long step) {
  CString text;
  GetWindowText(text);
  text.Format("%d", static_cast<int>(Stepped(static_cast<double>(atol(text)), spin, notification,
                                               static_cast<double>(step))));
  SetWindowText(text);
}
