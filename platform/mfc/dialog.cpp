// Dialogs and form views built from dialog templates, and the controls they
// hold.
#include <QtWidgets/QAbstractButton>
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
void Notify(CWnd* control, UINT code) {
  CWnd* parent = control->GetParent();
  if (parent && parent->m_hWnd && control->m_hWnd) {
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(control->GetDlgCtrlID(), code), reinterpret_cast<LPARAM>(control->m_hWnd));
  }
}

// Makes the controls of a template as children of parent.
void CreateTemplateControls(CWnd* parent, const AfxDialogTemplate& dialog, std::vector<CWnd*>& made) {
  for (const AfxDialogItem& item : dialog.items) {
    CWnd* control = AfxNewControl(item.className, item.style);
    control->m_bAutoDelete = TRUE;
    if (!control->CreateEx(0, item.className, item.text, item.style | WS_CHILD, RECT{0, 0, 0, 0}, parent, item.id)) {
      delete control;
      continue;
    }
    AfxPlaceDialogItem(control, item);
    made.push_back(control);
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

BOOL CDialog::UpdateData(BOOL) { return TRUE; }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDOK) OnOK();
  else if (LOWORD(wParam) == IDCANCEL) OnCancel();
  else return FALSE;
  return TRUE;
}

// CStatic

QWidget* CStatic::CreateWidget(QWidget* parent) { return new QLabel(parent); }

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
  QObject::connect(button, &QAbstractButton::clicked, [this] { Notify(this, BN_CLICKED); });
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
    QObject::connect(edit, &QPlainTextEdit::textChanged, [this] { Notify(this, EN_CHANGE); });
    return edit;
  }
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly((m_dwStyle & ES_READONLY) != 0);
  QObject::connect(edit, &QLineEdit::textChanged, [this] { Notify(this, EN_CHANGE); });
  return edit;
}

void CEdit::SetSel(int start, int end, BOOL) {
  if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
    if (start < 0) edit->deselect();
    else edit->setSelection(start, (end < 0 ? static_cast<int>(edit->text().size()) : end) - start);
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
  QObject::connect(combo, &QComboBox::currentIndexChanged, [this] { Notify(this, CBN_SELCHANGE); });
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
// up-down arrows; the buddy shows the number.

namespace {

// The spin box of an up-down button: a step is offered to the parent first.
class AfxSpinBox : public QSpinBox {
 public:
  AfxSpinBox(CSpinButtonCtrl* owner, QWidget* parent) : QSpinBox(parent), m_owner(owner) {}
  void stepBy(int steps) override {
    CWnd* parentWnd = m_owner->GetParent();
    if (parentWnd && parentWnd->m_hWnd && m_owner->m_hWnd) {
      NMUPDOWN change{};
      change.hdr.hwndFrom = m_owner->m_hWnd;
      change.hdr.idFrom = static_cast<UINT_PTR>(m_owner->GetDlgCtrlID());
      change.hdr.code = UDN_DELTAPOS;
      change.iPos = value();
      change.iDelta = steps;
      if (parentWnd->SendMessage(WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change)) != 0) return;
    }
    QSpinBox::stepBy(steps);
  }

 private:
  CSpinButtonCtrl* m_owner;
};

}  // namespace

QWidget* CSpinButtonCtrl::CreateWidget(QWidget* parent) {
  auto* spin = new AfxSpinBox(this, parent);
  spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  spin->setRange(0, 100);
  QObject::connect(spin, &QSpinBox::valueChanged, [this](int value) {
    if (m_pBuddy && (m_dwStyle & UDS_SETBUDDYINT)) {
      CString text;
      text.Format("%d", value);
      m_pBuddy->SetWindowText(text);
    }
  });
  return spin;
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
  if (spin) spin->setValue(position);
  return previous;
}

int CSpinButtonCtrl::GetPos32(BOOL* error) const {
  auto* spin = qobject_cast<QSpinBox*>(m_pWidget);
  if (error) *error = spin == nullptr;
  return spin ? spin->value() : 0;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
  CWnd* previous = m_pBuddy;
  m_pBuddy = buddy;
  return previous;
}

// CSliderCtrl

QWidget* CSliderCtrl::CreateWidget(QWidget* parent) {
  auto* slider = new QSlider((m_dwStyle & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
  QObject::connect(slider, &QSlider::valueChanged, [this](int position) {
    CWnd* parentWnd = GetParent();
    if (parentWnd && parentWnd->m_hWnd && m_hWnd) {
      parentWnd->SendMessage(WM_HSCROLL, MAKEWPARAM(4 /* SB_THUMBPOSITION */, position),
                             reinterpret_cast<LPARAM>(m_hWnd));
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

BOOL CFormView::UpdateData(BOOL) { return TRUE; }

// Controls' notifications go to the form's map, then on like a command.
BOOL CFormView::OnCommand(WPARAM wParam, LPARAM lParam) { return CView::OnCommand(wParam, lParam); }
