// Dialogs and form views built from dialog templates, and the controls they
// hold.
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSlider>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTreeWidget>
#include <algorithm>
#include <cstring>

#include "afxcmn.h"
#include "afxext.h"
#include "afxqt.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CFormView, CView)
ON_WM_CREATE()
END_MESSAGE_MAP()

namespace {

bool IsClass(LPCSTR className, LPCSTR wanted) { return className && strcasecmp(className, wanted) == 0; }

// A control tells its parent: WM_COMMAND with (id, code) and its window.
// Signals name the widget: its window may change hands by subclassing.
void Notify(QObject* widget, UINT code) {
  CWnd* control = AfxWindowOfWidget(widget);
  if (!control) return;
  CWnd* parent = control->GetParent();
  if (parent && parent->m_hWnd && control->m_hWnd) {
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(control->GetDlgCtrlID(), code), reinterpret_cast<LPARAM>(control->m_hWnd));
  }
}

// Makes the controls of a template as children of parent.
void CreateTemplateControls(CWnd* parent, const AfxDialogTemplate& dialog, std::vector<CWnd*>& made) {
  CWnd* previous = nullptr;
  for (const AfxDialogItem& item : dialog.items) {
    CWnd* control = AfxNewControl(item.className, item.style);
    control->m_bAutoDelete = TRUE;
    if (!control->CreateEx(0, item.className, item.text, item.style | WS_CHILD, RECT{0, 0, 0, 0}, parent, item.id)) {
      delete control;
      continue;
    }
    AfxPlaceDialogItem(control, item);
    // An up-down with the automatic buddy takes the control before it.
    auto* spin = DYNAMIC_DOWNCAST(CSpinButtonCtrl, control);
    if (spin && (item.style & UDS_AUTOBUDDY) && previous) spin->SetBuddy(previous);
    made.push_back(control);
    previous = control;
  }
}

}  // namespace

CWnd* AfxNewControl(LPCSTR className, DWORD) {
  if (IsClass(className, WC_BUTTON)) return new CButton;
  if (IsClass(className, WC_EDIT)) return new CEdit;
  if (IsClass(className, WC_COMBOBOX)) return new CComboBox;
  if (IsClass(className, UPDOWN_CLASS)) return new CSpinButtonCtrl;
  if (IsClass(className, TRACKBAR_CLASS)) return new CSliderCtrl;
  if (IsClass(className, PROGRESS_CLASS)) return new CProgressCtrl;
  if (IsClass(className, WC_LISTVIEW)) return new CListCtrl;
  if (IsClass(className, WC_TREEVIEW)) return new CTreeCtrl;
  return new CStatic;
}

void AfxPlaceDialogItem(CWnd* control, const AfxDialogItem& item) {
  control->MoveWindow(AfxDialogUnitsToPixelsX(item.x), AfxDialogUnitsToPixelsY(item.y), AfxDialogUnitsToPixelsX(item.cx),
                      AfxDialogUnitsToPixelsY(item.cy));
  if (control->GetWidget() && (item.style & WS_VISIBLE)) control->GetWidget()->show();
  if (control->GetWidget() && (item.style & WS_DISABLED)) control->GetWidget()->setEnabled(false);
}

// CDialog

CDialog::CDialog(UINT templateId, CWnd* parent) : m_lpszTemplateName(templateId), m_pParentForDialog(parent) {
  m_nIDHelp = templateId;
}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

QWidget* CDialog::CreateWidget(QWidget* parent) {
  auto* dialog = new QDialog(parent);
  QObject::connect(dialog, &QDialog::rejected, [this] {
    if (m_nModalResult < 0) OnCancel();
  });
  return dialog;
}

BOOL CDialog::CreateControls() {
  const AfxDialogTemplate* dialog = AfxFindDialog(m_lpszTemplateName);
  if (!dialog) return FALSE;
  if (m_pWidget) {
    m_pWidget->resize(AfxDialogUnitsToPixelsX(dialog->cx), AfxDialogUnitsToPixelsY(dialog->cy));
    m_pWidget->setWindowTitle(AfxToQString(dialog->caption));
  }
  CreateTemplateControls(this, *dialog, m_controls);
  return TRUE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_lpszTemplateName = templateId;
  if (!AfxFindDialog(templateId)) return FALSE;
  CWnd* owner = parent ? parent : m_pParentForDialog;
  if (!CWnd::CreateEx(0, nullptr, nullptr, WS_POPUP, RECT{0, 0, 0, 0}, nullptr, 0)) return FALSE;
  if (m_pWidget && owner && owner->GetWidget()) m_pWidget->setParent(owner->GetWidget(), Qt::Dialog);
  CreateControls();
  m_nModalResult = -1;
  if (!OnInitDialog()) return TRUE;
  return TRUE;
}

namespace {
AfxModalDialogHook& ModalDialogHook() {
  static AfxModalDialogHook hook;
  return hook;
}
}  // namespace

void AfxSetModalDialogHook(AfxModalDialogHook hook) { ModalDialogHook() = std::move(hook); }

void AfxCallModalDialogHook(CDialog* dialog) {
  // A copy: the hook may replace itself while it answers.
  AfxModalDialogHook hook = ModalDialogHook();
  if (hook && dialog->GetResult() < 0) hook(dialog);
}

INT_PTR CDialog::DoModal() {
  if (!Create(m_lpszTemplateName, m_pParentForDialog)) return -1;
  AfxCallModalDialogHook(this);
  auto* dialog = qobject_cast<QDialog*>(m_pWidget);
  if (dialog && m_nModalResult < 0) dialog->exec();
  INT_PTR result = m_nModalResult < 0 ? IDCANCEL : m_nModalResult;
  DestroyWindow();
  m_controls.clear();
  return result;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (auto* dialog = qobject_cast<QDialog*>(m_pWidget)) dialog->done(result);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (CUserException* failure) {
    delete failure;
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDOK) OnOK();
  else if (LOWORD(wParam) == IDCANCEL) OnCancel();
  else return FALSE;
  return TRUE;
}

// CStatic

namespace {

// A static asks its parent for its colour before it paints (the parent may
// fill it) and, with SS_NOTIFY, tells it of clicks.
class AfxStaticLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    AfxPaintStaticColor(this, AfxWindowOfWidget(this));
    QLabel::paintEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    CWnd* self = AfxWindowOfWidget(this);
    if (self && (self->GetStyle() & SS_NOTIFY) && event->button() == Qt::LeftButton && rect().contains(event->pos())) {
      Notify(this, STN_CLICKED);
      return;
    }
    QLabel::mouseReleaseEvent(event);
  }
};

}  // namespace

QWidget* CStatic::CreateWidget(QWidget* parent) { return new AfxStaticLabel(parent); }

// CButton

QWidget* CButton::CreateWidget(QWidget* parent) {
  QAbstractButton* button;
  switch (m_dwStyle & BS_TYPEMASK) {
    case BS_GROUPBOX:
      return new QGroupBox(parent);
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      button = new QCheckBox(parent);
      break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      button = new QRadioButton(parent);
      button->setAutoExclusive(false);  // groups are the program's business
      break;
    default:
      button = new QPushButton(parent);
      break;
  }
  QObject::connect(button, &QAbstractButton::clicked, [button] { Notify(button, BN_CLICKED); });
  return button;
}

int CButton::GetCheck() const {
  auto* button = qobject_cast<QAbstractButton*>(m_pWidget);
  return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int check) {
  if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget)) {
    button->setCheckable(true);
    button->setChecked(check == BST_CHECKED);
  }
}

// CEdit

QWidget* CEdit::CreateWidget(QWidget* parent) {
  if (m_dwStyle & ES_MULTILINE) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setReadOnly((m_dwStyle & ES_READONLY) != 0);
    QObject::connect(edit, &QPlainTextEdit::textChanged, [edit] { Notify(edit, EN_CHANGE); });
    return edit;
  }
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly((m_dwStyle & ES_READONLY) != 0);
  QObject::connect(edit, &QLineEdit::textChanged, [edit] { Notify(edit, EN_CHANGE); });
  return edit;
}

void CEdit::SetSel(int start, int end, BOOL) {
  if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
    if (end < 0) end = static_cast<int>(edit->text().size());
    if (start < 0 || start == end) {
      edit->deselect();
      if (start >= 0) edit->setCursorPosition(start);
    } else {
      edit->setSelection(start, end - start);
    }
  }
}

void CEdit::GetSel(int& start, int& end) const {
  start = end = 0;
  if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
    start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    end = edit->hasSelectedText() ? edit->selectionEnd() : start;
  }
}

LRESULT CEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto* edit = qobject_cast<QLineEdit*>(m_pWidget);
  if (!edit) return CWnd::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case WM_CHAR: {
      if (edit->isReadOnly()) return 0;
      auto character = static_cast<unsigned char>(wParam);
      if (character == 8) {
        edit->backspace();
      } else if (character >= 32) {
        char text[2] = {static_cast<char>(character), 0};
        edit->insert(AfxToQString(text));
      }
      return 0;
    }
    case WM_CLEAR:
      if (!edit->isReadOnly() && edit->hasSelectedText()) edit->del();
      return 0;
    case EM_GETSEL: {
      int start, end;
      GetSel(start, end);
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      return MAKELPARAM(start, end);
    }
    case EM_SETSEL:
      SetSel(static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

void CEdit::SetReadOnly(BOOL readOnly) {
  if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) edit->setReadOnly(readOnly != FALSE);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m_pWidget)) edit->setReadOnly(readOnly != FALSE);
}

void CEdit::ReplaceSel(LPCSTR text, BOOL) {
  if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) edit->insert(AfxToQString(text));
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m_pWidget)) edit->insertPlainText(AfxToQString(text));
}

int CEdit::GetLineCount() const {
  if (auto* edit = qobject_cast<QPlainTextEdit*>(m_pWidget)) return edit->blockCount();
  return 1;
}

// CComboBox

QWidget* CComboBox::CreateWidget(QWidget* parent) {
  auto* combo = new QComboBox(parent);
  QObject::connect(combo, &QComboBox::currentIndexChanged, [combo] { Notify(combo, CBN_SELCHANGE); });
  return combo;
}

int CComboBox::AddString(LPCSTR text) { return InsertString(-1, text); }

int CComboBox::InsertString(int index, LPCSTR text) {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  if (!combo) return CB_ERR;
  if (index < 0 || index > combo->count()) index = combo->count();
  QSignalBlocker quiet(combo);
  combo->insertItem(index, AfxToQString(text));
  if (combo->currentIndex() != -1 && combo->count() == 1) combo->setCurrentIndex(-1);
  return index;
}

int CComboBox::DeleteString(UINT index) {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  if (!combo || static_cast<int>(index) >= combo->count()) return CB_ERR;
  combo->removeItem(static_cast<int>(index));
  return combo->count();
}

void CComboBox::ResetContent() {
  if (auto* combo = qobject_cast<QComboBox*>(m_pWidget)) {
    QSignalBlocker quiet(combo);
    combo->clear();
  }
}

int CComboBox::GetCount() const {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  return combo ? combo->count() : 0;
}

int CComboBox::GetCurSel() const {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  if (!combo || index >= combo->count()) return CB_ERR;
  QSignalBlocker quiet(combo);
  combo->setCurrentIndex(index);
  return index;
}

void CComboBox::GetLBText(int index, CString& text) const {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  text = combo && index >= 0 && index < combo->count() ? AfxFromQString(combo->itemText(index)) : CString();
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
  combo->setItemData(index, QVariant::fromValue(static_cast<qulonglong>(data)));
  return 0;
}

DWORD_PTR CComboBox::GetItemData(int index) const {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  return combo ? static_cast<DWORD_PTR>(combo->itemData(index).toULongLong()) : 0;
}

int CComboBox::SetDroppedWidth(UINT width) {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  if (!combo) return CB_ERR;
  combo->view()->setMinimumWidth(static_cast<int>(width));
  return static_cast<int>(width);
}

int CComboBox::GetDroppedWidth() const {
  auto* combo = qobject_cast<QComboBox*>(m_pWidget);
  return combo ? std::max(combo->width(), combo->view()->minimumWidth()) : CB_ERR;
}

// CProgressCtrl: the range and position are kept here, so that the control
// answers the same without a desktop.

QWidget* CProgressCtrl::CreateWidget(QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setTextVisible(false);
  return bar;
}

void CProgressCtrl::SetRange32(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
  if (auto* bar = qobject_cast<QProgressBar*>(m_pWidget)) bar->setRange(lower, upper);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
  lower = m_lower;
  upper = m_upper;
}

int CProgressCtrl::SetPos(int position) {
  int previous = m_pos;
  m_pos = position;
  if (auto* bar = qobject_cast<QProgressBar*>(m_pWidget)) bar->setValue(position);
  return previous;
}

int CProgressCtrl::GetPos() const { return m_pos; }

int CProgressCtrl::SetStep(int step) {
  int previous = m_step;
  m_step = step;
  return previous;
}

int CProgressCtrl::StepIt() {
  int next = m_pos + m_step;
  if (next > m_upper) next = m_lower + (next - m_upper);
  return SetPos(next);
}

int CProgressCtrl::OffsetPos(int offset) { return SetPos(m_pos + offset); }

// CSpinButtonCtrl: a spin box without its own text field stands for the
// up-down arrows; the buddy shows the number. Both arrows always answer, as
// the position need not be what the buddy shows.

namespace {

class AfxUpDown : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;
  void stepBy(int steps) override {
    if (auto* spin = DYNAMIC_DOWNCAST(CSpinButtonCtrl, AfxWindowOfWidget(this))) spin->Step(steps > 0 ? 1 : -1);
  }

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

}  // namespace

QWidget* CSpinButtonCtrl::CreateWidget(QWidget* parent) {
  auto* spin = new AfxUpDown(parent);
  spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  spin->setRange(0, 100);
  return spin;
}

void CSpinButtonCtrl::Step(int delta) {
  auto* spin = qobject_cast<QSpinBox*>(m_pWidget);
  if (!spin) return;
  CWnd* buddy = GetBuddy();
  int position = spin->value();
  bool whole = false;
  if (buddy && (m_dwStyle & UDS_SETBUDDYINT)) {
    QString shown = AfxToQString(buddy->GetWindowTextString()).trimmed();
    int value = shown.toInt(&whole);
    if (whole) position = value;
    whole = whole || shown.isEmpty();
  }
  CString before = buddy ? buddy->GetWindowTextString() : CString();
  NMUPDOWN change{{m_hWnd, m_nID, UDN_DELTAPOS}, position, delta};
  CWnd* parent = GetParent();
  if (parent && parent->m_hWnd && parent->SendMessage(WM_NOTIFY, m_nID, reinterpret_cast<LPARAM>(&change)) != 0) {
    return;
  }
  if (!m_hWnd) return;  // the parent closed meanwhile
  int next = std::clamp(position + change.iDelta, spin->minimum(), spin->maximum());
  {
    QSignalBlocker quiet(spin);
    spin->setValue(next);
  }
  buddy = GetBuddy();
  if (buddy && whole && buddy->GetWindowTextString() == before) {
    CString text;
    text.Format("%d", next);
    buddy->SetWindowText(text);
  }
}

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
  if (auto* spin = qobject_cast<QSpinBox*>(m_pWidget)) spin->setRange(std::min(lower, upper), std::max(lower, upper));
}

void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
  auto* spin = qobject_cast<QSpinBox*>(m_pWidget);
  lower = spin ? spin->minimum() : 0;
  upper = spin ? spin->maximum() : 0;
}

int CSpinButtonCtrl::SetPos32(int position) {
  auto* spin = qobject_cast<QSpinBox*>(m_pWidget);
  int previous = spin ? spin->value() : 0;
  if (spin) {
    QSignalBlocker quiet(spin);
    spin->setValue(position);
  }
  CWnd* buddy = GetBuddy();
  if (spin && buddy && (m_dwStyle & UDS_SETBUDDYINT)) {
    CString text;
    text.Format("%d", spin->value());
    buddy->SetWindowText(text);
  }
  return previous;
}

int CSpinButtonCtrl::GetPos32(BOOL* error) const {
  auto* spin = qobject_cast<QSpinBox*>(m_pWidget);
  if (error) *error = spin == nullptr;
  return spin ? spin->value() : 0;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
  CWnd* previous = GetBuddy();
  m_hBuddy = buddy ? buddy->m_hWnd : nullptr;
  return previous;
}

// CSliderCtrl

QWidget* CSliderCtrl::CreateWidget(QWidget* parent) {
  auto* slider = new QSlider((m_dwStyle & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
  QObject::connect(slider, &QSlider::valueChanged, [slider](int position) {
    CWnd* self = AfxWindowOfWidget(slider);
    CWnd* parentWnd = self ? self->GetParent() : nullptr;
    if (parentWnd && parentWnd->m_hWnd && self->m_hWnd) {
      parentWnd->SendMessage(WM_HSCROLL, MAKEWPARAM(4 /* SB_THUMBPOSITION */, position),
                             reinterpret_cast<LPARAM>(self->m_hWnd));
    }
  });
  return slider;
}

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL) {
  if (auto* slider = qobject_cast<QSlider*>(m_pWidget)) {
    QSignalBlocker quiet(slider);
    slider->setRange(minimum, maximum);
  }
}

void CSliderCtrl::GetRange(int& minimum, int& maximum) const {
  minimum = GetRangeMin();
  maximum = GetRangeMax();
}

int CSliderCtrl::GetRangeMin() const {
  auto* slider = qobject_cast<QSlider*>(m_pWidget);
  return slider ? slider->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
  auto* slider = qobject_cast<QSlider*>(m_pWidget);
  return slider ? slider->maximum() : 0;
}

void CSliderCtrl::SetPos(int position) {
  if (auto* slider = qobject_cast<QSlider*>(m_pWidget)) {
    QSignalBlocker quiet(slider);
    slider->setValue(position);
  }
}

int CSliderCtrl::GetPos() const {
  auto* slider = qobject_cast<QSlider*>(m_pWidget);
  return slider ? slider->value() : 0;
}

void CSliderCtrl::SetTicFreq(int frequency) {
  if (auto* slider = qobject_cast<QSlider*>(m_pWidget)) {
    slider->setTickInterval(frequency);
    slider->setTickPosition(QSlider::TicksBelow);
  }
}

void CSliderCtrl::SetPageSize(int size) {
  if (auto* slider = qobject_cast<QSlider*>(m_pWidget)) slider->setPageStep(size);
}

// CListCtrl: a flat tree widget in report mode.

QWidget* CListCtrl::CreateWidget(QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setRootIsDecorated(false);
  list->setColumnCount(0);
  list->setSelectionMode((m_dwStyle & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                     : QAbstractItemView::ExtendedSelection);
  return list;
}

int CListCtrl::InsertColumn(int column, LPCSTR heading, int format, int width, int) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list) return -1;
  int count = list->columnCount();
  if (column > count) column = count;
  QStringList headings;
  for (int at = 0; at < count; ++at) headings << list->headerItem()->text(at);
  headings.insert(column, AfxToQString(heading));
  list->setColumnCount(count + 1);
  list->setHeaderLabels(headings);
  list->headerItem()->setTextAlignment(column, format == LVCFMT_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
  if (width >= 0) list->setColumnWidth(column, width);
  return column;
}

int CListCtrl::InsertItem(int item, LPCSTR text) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list) return -1;
  if (item < 0 || item > list->topLevelItemCount()) item = list->topLevelItemCount();
  auto* row = new QTreeWidgetItem;
  row->setText(0, AfxToQString(text));
  list->insertTopLevelItem(item, row);
  return item;
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCSTR text) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  if (!row || subItem < 0 || subItem >= std::max(1, list->columnCount())) return FALSE;
  row->setText(subItem, AfxToQString(text));
  return TRUE;
}

CString CListCtrl::GetItemText(int item, int subItem) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  return row ? AfxFromQString(row->text(subItem)) : CString();
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  if (!row) return FALSE;
  row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(data)));
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  return row ? static_cast<DWORD_PTR>(row->data(0, Qt::UserRole).toULongLong()) : 0;
}

BOOL CListCtrl::DeleteItem(int item) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list || item < 0 || item >= list->topLevelItemCount()) return FALSE;
  delete list->takeTopLevelItem(item);
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list) return FALSE;
  list->clear();
  return TRUE;
}

int CListCtrl::GetItemCount() const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  return list ? list->topLevelItemCount() : 0;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  if (!row) return 0;
  UINT state = 0;
  if ((mask & LVIS_SELECTED) && row->isSelected()) state |= LVIS_SELECTED;
  if ((mask & LVIS_FOCUSED) && list->currentItem() == row) state |= LVIS_FOCUSED;
  return state;
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list || column < 0 || column >= list->columnCount()) return FALSE;
  if (width == LVSCW_AUTOSIZE_USEHEADER || width == LVSCW_AUTOSIZE) {
    int header = list->header()->sectionSizeHint(column);
    list->resizeColumnToContents(column);
    if (width == LVSCW_AUTOSIZE_USEHEADER || list->columnWidth(column) < header) list->setColumnWidth(column, header);
  } else {
    list->setColumnWidth(column, width);
  }
  return TRUE;
}

int CListCtrl::GetColumnWidth(int column) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  return list ? list->columnWidth(column) : 0;
}

int CListCtrl::GetStringWidth(LPCSTR text) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  return list ? list->fontMetrics().horizontalAdvance(AfxToQString(text)) : 0;
}

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
  DWORD previous = m_dwExStyle;
  m_dwExStyle = style;
  if (auto* list = qobject_cast<QTreeWidget*>(m_pWidget)) {
    list->setSelectionBehavior((style & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                             : QAbstractItemView::SelectItems);
  }
  return previous;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE compare, DWORD_PTR sortParameter) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list || !compare) return FALSE;
  QList<QTreeWidgetItem*> rows;
  while (list->topLevelItemCount() > 0) rows.append(list->takeTopLevelItem(0));
  auto dataOf = [](QTreeWidgetItem* row) { return static_cast<LPARAM>(row->data(0, Qt::UserRole).toULongLong()); };
  std::stable_sort(rows.begin(), rows.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return compare(dataOf(a), dataOf(b), static_cast<LPARAM>(sortParameter)) < 0;
  });
  list->addTopLevelItems(rows);
  return TRUE;
}

BOOL CListCtrl::RedrawItems(int, int) {
  if (m_pWidget) m_pWidget->update();
  return m_pWidget != nullptr;
}

int CListCtrl::GetColumnCount() const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  return list ? list->columnCount() : 0;
}

int CListCtrl::GetNextItem(int start, int flags) const {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!list) return -1;
  for (int item = start + 1; item < list->topLevelItemCount(); ++item) {
    if (!(flags & LVNI_SELECTED) || list->topLevelItem(item)->isSelected()) return item;
  }
  return -1;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  auto* list = qobject_cast<QTreeWidget*>(m_pWidget);
  QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
  if (!row) return FALSE;
  if (mask & LVIS_SELECTED) row->setSelected((state & LVIS_SELECTED) != 0);
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) list->setCurrentItem(row);
  return TRUE;
}

// CTreeCtrl: an item handle is its QTreeWidgetItem.

namespace {
QTreeWidgetItem* ItemOf(HTREEITEM item) { return reinterpret_cast<QTreeWidgetItem*>(item); }
HTREEITEM HandleOf(QTreeWidgetItem* item) { return reinterpret_cast<HTREEITEM>(item); }
}  // namespace

QWidget* CTreeCtrl::CreateWidget(QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setRootIsDecorated((m_dwStyle & TVS_LINESATROOT) != 0);
  return tree;
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR text, HTREEITEM parent, HTREEITEM after) {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree) return nullptr;
  auto* item = new QTreeWidgetItem;
  item->setText(0, AfxToQString(text));
  QTreeWidgetItem* parentItem = parent == TVI_ROOT || !parent ? nullptr : ItemOf(parent);
  int count = parentItem ? parentItem->childCount() : tree->topLevelItemCount();
  int index = count;
  if (after == TVI_FIRST) {
    index = 0;
  } else if (after != TVI_LAST && after) {
    int at = parentItem ? parentItem->indexOfChild(ItemOf(after)) : tree->indexOfTopLevelItem(ItemOf(after));
    if (at >= 0) index = at + 1;
  }
  if (parentItem) parentItem->insertChild(index, item);
  else tree->insertTopLevelItem(index, item);
  return HandleOf(item);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
  if (!qobject_cast<QTreeWidget*>(m_pWidget) || !item) return FALSE;
  if (item == TVI_ROOT) return DeleteAllItems();
  delete ItemOf(item);
  return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree) return FALSE;
  tree->clear();
  return TRUE;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const { return item ? AfxFromQString(ItemOf(item)->text(0)) : CString(); }

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCSTR text) {
  if (!item) return FALSE;
  ItemOf(item)->setText(0, AfxToQString(text));
  return TRUE;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  if (!item) return FALSE;
  ItemOf(item)->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(data)));
  return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  return item ? static_cast<DWORD_PTR>(ItemOf(item)->data(0, Qt::UserRole).toULongLong()) : 0;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  return tree ? HandleOf(tree->topLevelItem(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  return item && ItemOf(item)->childCount() > 0 ? HandleOf(ItemOf(item)->child(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree || !item) return nullptr;
  QTreeWidgetItem* self = ItemOf(item);
  if (QTreeWidgetItem* parent = self->parent()) return HandleOf(parent->child(parent->indexOfChild(self) + 1));
  return HandleOf(tree->topLevelItem(tree->indexOfTopLevelItem(self) + 1));
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const { return item ? HandleOf(ItemOf(item)->parent()) : nullptr; }

HTREEITEM CTreeCtrl::GetSelectedItem() const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  return tree ? HandleOf(tree->currentItem()) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree) return FALSE;
  tree->setCurrentItem(item ? ItemOf(item) : nullptr);
  return TRUE;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
  if (!item) return FALSE;
  ItemOf(item)->setExpanded(code == TVE_EXPAND);
  return TRUE;
}

UINT CTreeCtrl::GetCount() const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree) return 0;
  UINT count = 0;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) ++count;
  return count;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  if (!tree || !item || !rect) return FALSE;
  QTreeWidgetItem* self = ItemOf(item);
  QRect area = tree->visualItemRect(self);
  if (textOnly) {
    int depth = 0;
    for (QTreeWidgetItem* up = self->parent(); up; up = up->parent()) ++depth;
    int left = (depth + (tree->rootIsDecorated() ? 1 : 0)) * tree->indentation();
    area.setLeft(left);
    area.setWidth(tree->fontMetrics().horizontalAdvance(self->text(0)) + 4);
  }
  *rect = RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
  return TRUE;
}

UINT CTreeCtrl::GetIndent() const {
  auto* tree = qobject_cast<QTreeWidget*>(m_pWidget);
  return tree ? static_cast<UINT>(tree->indentation()) : 0;
}

// CFormView

QWidget* CFormView::CreateWidget(QWidget* parent) { return new QWidget(parent); }

int CFormView::OnCreate(LPCREATESTRUCT create) {
  if (CView::OnCreate(create) == -1) return -1;
  const AfxDialogTemplate* dialog = AfxFindDialog(m_nIDTemplate);
  if (!dialog) return -1;
  if (m_pWidget) {
    m_pWidget->setMinimumSize(AfxDialogUnitsToPixelsX(dialog->cx), AfxDialogUnitsToPixelsY(dialog->cy));
  }
  std::vector<CWnd*> made;
  CreateTemplateControls(this, *dialog, made);  // they go with their windows
  return 0;
}

void CFormView::OnInitialUpdate() {
  UpdateData(FALSE);
  CView::OnInitialUpdate();
}

BOOL CFormView::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (CUserException* failure) {
    delete failure;
    return FALSE;
  }
  return TRUE;
}

// Controls' notifications go to the form's map, then on like a command.
BOOL CFormView::OnCommand(WPARAM wParam, LPARAM lParam) { return CView::OnCommand(wParam, lParam); }

// CDataExchange and the exchange functions

CWnd* CDataExchange::PrepareCtrl(int id) { return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr; }

void CDataExchange::Fail() { throw new CUserException; }

namespace {

// Reads a number from a control's text; a failure shows the framework's
// message and stops the exchange.
double ReadNumber(CDataExchange* exchange, CWnd* control, bool whole) {
  QString text = AfxToQString(control->GetWindowTextString()).trimmed();
  bool ok = false;
  double value = whole ? text.toInt(&ok) : text.toDouble(&ok);
  if (!ok) {
    AfxMessageBox(whole ? "Please enter an integer." : "Please enter a number.", MB_ICONEXCLAMATION);
    control->SetFocus();
    exchange->Fail();
  }
  return value;
}

}  // namespace

void DDX_Text(CDataExchange* exchange, int id, float& value) {
  CWnd* control = exchange->PrepareCtrl(id);
  if (!control) return;
  if (exchange->m_bSaveAndValidate) {
    value = static_cast<float>(ReadNumber(exchange, control, false));
  } else {
    control->SetWindowText(AfxFromQString(QString::number(value, 'g', 7)));
  }
}

void DDX_Text(CDataExchange* exchange, int id, int& value) {
  CWnd* control = exchange->PrepareCtrl(id);
  if (!control) return;
  if (exchange->m_bSaveAndValidate) {
    value = static_cast<int>(ReadNumber(exchange, control, true));
  } else {
    CString text;
    text.Format("%d", value);
    control->SetWindowText(text);
  }
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  CWnd* control = exchange->PrepareCtrl(id);
  if (!control) return;
  if (exchange->m_bSaveAndValidate) value = control->GetWindowTextString();
  else control->SetWindowText(value);
}

void DDX_Check(CDataExchange* exchange, int id, int& value) {
  auto* button = DYNAMIC_DOWNCAST(CButton, exchange->PrepareCtrl(id));
  if (!button) return;
  if (exchange->m_bSaveAndValidate) value = button->GetCheck();
  else button->SetCheck(value ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_Radio(CDataExchange* exchange, int id, int& value) {
  CWnd* first = exchange->PrepareCtrl(id);
  CWnd* dialog = exchange->m_pDlgWnd;
  if (!first || !dialog || !dialog->GetWidget()) return;
  // The group: the radio buttons from the first up to the next WS_GROUP
  // control, in the order the template made them.
  std::vector<CButton*> group;
  bool inside = false;
  for (QObject* child : dialog->GetWidget()->children()) {
    CWnd* wnd = AfxWindowOfWidget(child);
    if (!wnd) continue;
    if (wnd == first) {
      inside = true;
    } else if (inside && (wnd->GetStyle() & WS_GROUP)) {
      break;
    }
    if (!inside) continue;
    DWORD kind = wnd->GetStyle() & BS_TYPEMASK;
    auto* button = DYNAMIC_DOWNCAST(CButton, wnd);
    if (button && (kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON)) group.push_back(button);
  }
  if (exchange->m_bSaveAndValidate) {
    value = -1;
    for (size_t at = 0; at < group.size(); ++at) {
      if (group[at]->GetCheck() == BST_CHECKED) value = static_cast<int>(at);
    }
  } else {
    for (size_t at = 0; at < group.size(); ++at) {
      group[at]->SetCheck(static_cast<int>(at) == value ? BST_CHECKED : BST_UNCHECKED);
    }
  }
}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (control.m_hWnd) return;
  CWnd* item = exchange->PrepareCtrl(id);
  if (item) control.SubclassWindow(item->m_hWnd);
}
