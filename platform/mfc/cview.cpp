// Views that are controls: the list, tree and rich-edit views share their
// widget with the control object they hand out.
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
QWidget* CListView::CreateWidget(QWidget* parent) { return ShareWidget(m_pList, parent, m_dwStyle); }

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
