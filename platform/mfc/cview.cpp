// Views that are controls: the list, tree and rich-edit views share their
// widget with the control object they hand out.
#include <QtGui/QKeyEvent>
#include <QtGui/QTextCharFormat>
#include <QtGui/QTextCursor>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QTreeWidget>

#include "afxcview.h"
#include "afxqt.h"
#include "afxrich.h"

IMPLEMENT_DYNAMIC(CListView, CView)
IMPLEMENT_DYNAMIC(CTreeView, CView)
IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)
IMPLEMENT_DYNAMIC(CRichEditView, CView)

namespace {

// Makes the control's widget as the view's, and lets the control use it.
QWidget* ShareWidget(CWnd* control, QWidget* parent, DWORD style) {
  QWidget* widget = AfxWidgetBridge::MakeWidget(control, parent, style);
  AfxWidgetBridge::SetWidget(control, widget);
  return widget;
}

}  // namespace

CListView::CListView() : m_pList(new CListCtrl) {}
CListView::~CListView() {
  AfxWidgetBridge::SetWidget(m_pList, nullptr);
  delete m_pList;
}
namespace {

// Tells a list view of the keys pressed in its control.
class ListKeyFilter : public QObject {
 public:
  ListKeyFilter(QObject* parent, CListView* view) : QObject(parent), m_view(view) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !m_view->m_hWnd) return false;
    int key = static_cast<QKeyEvent*>(event)->key();
    WORD virtualKey = key == Qt::Key_Up ? VK_UP : key == Qt::Key_Down ? VK_DOWN : static_cast<WORD>(key & 0xFFFF);
    NMLVKEYDOWN notice{{m_view->m_hWnd, static_cast<UINT_PTR>(m_view->GetDlgCtrlID()), LVN_KEYDOWN}, virtualKey, 0};
    m_view->SendMessage(WM_NOTIFY, m_view->GetDlgCtrlID(), reinterpret_cast<LPARAM>(&notice));
    return false;
  }

 private:
  CListView* m_view;
};

}  // namespace

QWidget* CListView::CreateWidget(QWidget* parent) {
  QWidget* widget = ShareWidget(m_pList, parent, m_dwStyle);
  if (auto* list = qobject_cast<QTreeWidget*>(widget)) {
    QObject::connect(list, &QTreeWidget::itemClicked, list, [this, list](QTreeWidgetItem* row, int column) {
      if (!m_hWnd) return;
      NMITEMACTIVATE notice{{m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID()), NM_CLICK},
                            list->indexOfTopLevelItem(row), column};
      SendMessage(WM_NOTIFY, GetDlgCtrlID(), reinterpret_cast<LPARAM>(&notice));
    });
    list->installEventFilter(new ListKeyFilter(list, this));
  }
  return widget;
}

CTreeView::CTreeView() : m_pTree(new CTreeCtrl) {}
CTreeView::~CTreeView() {
  AfxWidgetBridge::SetWidget(m_pTree, nullptr);
  delete m_pTree;
}
QWidget* CTreeView::CreateWidget(QWidget* parent) { return ShareWidget(m_pTree, parent, m_dwStyle); }

CRichEditView::CRichEditView() : m_pEdit(new CRichEditCtrl) {}
CRichEditView::~CRichEditView() {
  AfxWidgetBridge::SetWidget(m_pEdit, nullptr);
  delete m_pEdit;
}
QWidget* CRichEditView::CreateWidget(QWidget* parent) { return ShareWidget(m_pEdit, parent, m_dwStyle); }

QWidget* CRichEditCtrl::CreateWidget(QWidget* parent) {
  auto* edit = new QTextEdit(parent);
  edit->setAcceptRichText(false);
  return edit;
}

void CRichEditCtrl::SetSel(long start, long end) {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  if (!edit) return;
  QTextCursor cursor = edit->textCursor();
  long length = static_cast<long>(edit->toPlainText().size());
  if (start < 0) start = length;
  if (end < 0 || end > length) end = length;
  cursor.setPosition(static_cast<int>(std::min(start, length)));
  cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
  edit->setTextCursor(cursor);
}

void CRichEditCtrl::ReplaceSel(LPCSTR text, BOOL) {
  if (auto* edit = qobject_cast<QTextEdit*>(m_pWidget)) edit->textCursor().insertText(AfxToQString(text));
}

long CRichEditCtrl::GetTextLength() const {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  return edit ? static_cast<long>(edit->toPlainText().size()) : 0;
}

int CRichEditCtrl::GetLineCount() const {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  return edit ? edit->document()->blockCount() : 0;
}

BOOL CRichEditCtrl::SetReadOnly(BOOL readOnly) {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  if (!edit) return FALSE;
  edit->setReadOnly(readOnly != FALSE);
  return TRUE;
}

BOOL CRichEditCtrl::SetDefaultCharFormat(CHARFORMAT& format) {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  if (!edit) return FALSE;
  QTextCharFormat chars = edit->currentCharFormat();
  if (format.dwMask & CFM_FACE) chars.setFontFamilies({QString::fromLatin1(format.szFaceName)});
  if (format.dwMask & CFM_COLOR) {
    chars.setForeground(QColor(GetRValue(format.crTextColor), GetGValue(format.crTextColor),
                               GetBValue(format.crTextColor)));
  }
  if (format.dwMask & CFM_BOLD) chars.setFontWeight((format.dwEffects & CFE_BOLD) ? QFont::Bold : QFont::Normal);
  if (format.dwMask & CFM_ITALIC) chars.setFontItalic((format.dwEffects & CFE_ITALIC) != 0);
  if ((format.dwMask & CFM_SIZE) && format.yHeight > 0) chars.setFontPointSize(format.yHeight / 20.0);
  edit->setCurrentCharFormat(chars);
  return TRUE;
}

CString CRichEditCtrl::GetText() const {
  auto* edit = qobject_cast<QTextEdit*>(m_pWidget);
  return edit ? AfxFromQString(edit->toPlainText()) : CString();
}
