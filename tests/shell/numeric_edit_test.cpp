// The numeric edits: what they let the user type and how their up-downs step them.
#include <afxcmn.h>
#include <afxdesktop.h>
#include <afxext.h>
#include <gtest/gtest.h>
#include <numeric_edit.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractSpinBox>

#include <string>

namespace {

constexpr UINT kFrame = 9400, kForm = 9401;
constexpr int kFloat = 1118, kFloatSpin = 1119, kWhole = 1092, kWholeSpin = 1115;

class CNumbersForm : public CFormView {
 public:
  CNumbersForm() : CFormView(kForm) {}
  CFloatEdit m_float;
  CDWORDEdit m_whole;
  float m_step = 1.0f;

  void OnInitialUpdate() override {
    CFormView::OnInitialUpdate();
    m_float.SubclassDlgItem(kFloat, this);
    m_whole.SubclassDlgItem(kWhole, this);
  }
  CSpinButtonCtrl* Spin(int id) { return DYNAMIC_DOWNCAST(CSpinButtonCtrl, GetDlgItem(id)); }

 protected:
  void OnDeltaposFloat(NMHDR* header, LRESULT* result) {
    m_float.IncrementContent(Spin(kFloatSpin), reinterpret_cast<NM_UPDOWN*>(header), m_step);
    *result = 0;
  }
  void OnDeltaposWhole(NMHDR* header, LRESULT* result) {
    m_whole.IncrementContent(Spin(kWholeSpin), reinterpret_cast<NM_UPDOWN*>(header), 5);
    *result = 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CNumbersForm, CFormView)
ON_NOTIFY(UDN_DELTAPOS, kFloatSpin, OnDeltaposFloat)
ON_NOTIFY(UDN_DELTAPOS, kWholeSpin, OnDeltaposWhole)
END_MESSAGE_MAP()

// Types characters into an edit as the keyboard would ('\b' is backspace).
void Type(CWnd* edit, const std::string& keys) {
  for (char key : keys) {
    int code = key == '\b' ? static_cast<int>(Qt::Key_Backspace) : static_cast<int>(QChar(key).toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, key == '\b' ? QString("\b") : QString(QChar(key)));
    QCoreApplication::sendEvent(edit->GetWidget(), &press);
  }
}

class NumericEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxRegisterString(kFrame, "Numbers");
    AfxRegisterDialog(kForm, {"", 120, 60, WS_CHILD, "MS Sans Serif", 8,
                              {{WC_EDIT, "", kFloat, 10, 10, 40, 12, WS_VISIBLE},
                               {UPDOWN_CLASS, "", kFloatSpin, 50, 10, 10, 12,
                                WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS},
                               {WC_EDIT, "", kWhole, 10, 30, 40, 12, WS_VISIBLE},
                               {UPDOWN_CLASS, "", kWholeSpin, 50, 30, 10, 12, WS_VISIBLE | UDS_AUTOBUDDY}}});
    m_frame = new CFrameWnd;
    ASSERT_TRUE(m_frame->LoadFrame(kFrame));
    m_form = new CNumbersForm;  // goes with its window
    ASSERT_TRUE(m_form->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 100}, m_frame,
                               AFX_IDW_PANE_FIRST));
    m_form->OnInitialUpdate();
  }
  void TearDown() override { m_frame->DestroyWindow(); }
  CFrameWnd* m_frame = nullptr;
  CNumbersForm* m_form = nullptr;
};

TEST_F(NumericEditTest, TheSubclassedEditIsTheFormsItemAndItsUpDownsBuddy) {
  EXPECT_EQ(m_form->GetDlgItem(kFloat), &m_form->m_float);
  EXPECT_EQ(m_form->Spin(kFloatSpin)->GetBuddy(), &m_form->m_float);
  EXPECT_EQ(m_form->Spin(kWholeSpin)->GetBuddy(), &m_form->m_whole);
}

TEST_F(NumericEditTest, TheDecimalEditTakesOnlyTheCharactersOfANumber) {
  struct Case {
    const char* text;
    int start, end;
    std::string keys;
    const char* expected;
  } cases[] = {
      {"", 0, 0, "-12.5", "-12.5"},
      {"12", 1, 1, "-", "12"},      // a sign only at the start
      {"12", 0, 0, "+-", "+12"},    // only one sign
      {"-5", 0, 0, "3", "-5"},      // no digit before the sign
      {"1.5", 3, 3, ".", "1.5"},    // one point
      {"1.5", 1, 2, ".", "1.5"},    // the selected point goes first
      {"12", 2, 2, "a e", "12"},    // letters and spaces
      {"123", 1, 2, "\b", "3"},     // the selection goes, then the character before it
      {"123", 3, 3, "\b\b", "1"},
      {"40", 0, 2, "7", "7"},       // typed over the selection
  };
  for (const Case& c : cases) {
    m_form->m_float.SetWindowText(c.text);
    m_form->m_float.SetSel(c.start, c.end);
    Type(&m_form->m_float, c.keys);
    EXPECT_STREQ(m_form->m_float.GetWindowTextString(), c.expected) << c.text << " + " << c.keys;
  }
}

TEST_F(NumericEditTest, TheWholeNumberEditRefusesTheMinusSignAndThePoint) {
  struct Case {
    const char* text;
    int start;
    std::string keys;
    const char* expected;
  } cases[] = {
      {"", 0, "+42", "+42"}, {"", 0, "-", ""}, {"4", 1, ".5", "45"}, {"+4", 0, "1", "+4"}, {"12", 2, "x", "12"},
  };
  for (const Case& c : cases) {
    m_form->m_whole.SetWindowText(c.text);
    m_form->m_whole.SetSel(c.start, c.start);
    Type(&m_form->m_whole, c.keys);
    EXPECT_STREQ(m_form->m_whole.GetWindowTextString(), c.expected) << c.text << " + " << c.keys;
  }
}

TEST_F(NumericEditTest, AStepHoldsTheNumberWithinTheUpDownsRange) {
  struct Case {
    const char* text;
    int delta;
    float step;
    int lower, upper;
    const char* expected;
  } cases[] = {
      {"0.95", 1, 0.1f, 0, 1, "1.0"},       {"0.05", -1, 0.1f, 0, 1, "0.0"},    {"99.5", 1, 1.0f, 0, 100, "100.0"},
      {"5", -1, 1.0f, 0, 32767, "4.0"},     {"", 1, 1.0f, 0, 100, "1.0"},       {"0.5", 1, 0.1f, 0, 1, "0.6"},
  };
  CSpinButtonCtrl* spin = m_form->Spin(kFloatSpin);
  for (const Case& c : cases) {
    spin->SetRange32(c.lower, c.upper);
    m_form->m_float.SetWindowText(c.text);
    NM_UPDOWN change{{spin->m_hWnd, kFloatSpin, UDN_DELTAPOS}, 0, c.delta};
    m_form->m_float.IncrementContent(spin, &change, c.step);
    EXPECT_STREQ(m_form->m_float.GetWindowTextString(), c.expected) << c.text << " by " << c.delta;
  }
}

TEST_F(NumericEditTest, ClickingTheArrowsStepsTheBuddyThroughTheFormAndStopsAtTheBounds) {
  m_form->Spin(kFloatSpin)->SetRange32(0, 100);
  m_form->m_float.SetWindowText("98.5");
  auto* arrows = qobject_cast<QAbstractSpinBox*>(m_form->Spin(kFloatSpin)->GetWidget());
  ASSERT_NE(arrows, nullptr);
  arrows->stepUp();
  EXPECT_STREQ(m_form->m_float.GetWindowTextString(), "99.5");  // the form's text stays, not the position
  arrows->stepUp();
  arrows->stepUp();
  EXPECT_STREQ(m_form->m_float.GetWindowTextString(), "100.0");

  m_form->Spin(kWholeSpin)->SetRange32(0, 12);
  m_form->m_whole.SetWindowText("9");
  auto* wholeArrows = qobject_cast<QAbstractSpinBox*>(m_form->Spin(kWholeSpin)->GetWidget());
  wholeArrows->stepUp();
  EXPECT_STREQ(m_form->m_whole.GetWindowTextString(), "12");
  m_form->m_whole.SetWindowText("3");
  wholeArrows->stepDown();
  EXPECT_STREQ(m_form->m_whole.GetWindowTextString(), "0");
}

TEST_F(NumericEditTest, OnlyANumberIsAValidDecimal) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {{"", false}, {"abc", false}, {"-", false}, {"0", true}, {"0.0", true}, {"2e3", true}, {"-1.5", true}};
  for (const Case& c : cases) {
    m_form->m_float.SetWindowText(c.text);
    EXPECT_EQ(m_form->m_float.IsValidFloat(), c.valid) << c.text;
  }
}

}  // namespace
