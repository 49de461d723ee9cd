// Static splitter windows over QSplitter: a vertical splitter of rows, each
// row a horizontal splitter of panes.
#include <QtGui/QMouseEvent>
#include <QtWidgets/QSplitter>
#include <QtWidgets/QSplitterHandle>

#include "afxext.h"
#include "afxqt.h"

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

namespace {

RECT RectOf(const QWidget* widget) {
  QRect area = widget->geometry();
  return RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
}

// A bar between two panes: a drag draws the tracker at every move and the
// bars again when the button is let go.
class AfxSplitterBar : public QSplitterHandle {
 public:
  AfxSplitterBar(CSplitterWnd* owner, Qt::Orientation orientation, QSplitter* parent)
      : QSplitterHandle(orientation, parent), m_owner(owner) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) m_owner->OnInvertTracker(RectOf(this));
    QSplitterHandle::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) m_owner->OnInvertTracker(RectOf(this));
    QSplitterHandle::mouseMoveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QSplitterHandle::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) m_owner->OnDrawSplitter(nullptr, CSplitterWnd::splitBar, RectOf(this));
  }

 private:
  CSplitterWnd* m_owner;
};

// The panes move only when the drag ends, as the tracker is drawn meanwhile.
class AfxSplitter : public QSplitter {
 public:
  AfxSplitter(CSplitterWnd* owner, Qt::Orientation orientation, QWidget* parent)
      : QSplitter(orientation, parent), m_owner(owner) {
    setChildrenCollapsible(false);
    setOpaqueResize(false);
  }

 protected:
  QSplitterHandle* createHandle() override { return new AfxSplitterBar(m_owner, orientation(), this); }

 private:
  CSplitterWnd* m_owner;
};

}  // namespace

QWidget* CSplitterWnd::CreateWidget(QWidget* parent) {
  auto* rows = new AfxSplitter(this, Qt::Vertical, parent);
  m_rowWidgets.clear();
  for (int row = 0; row < m_nRows; ++row) {
    auto* columns = new AfxSplitter(this, Qt::Horizontal, rows);
    rows->addWidget(columns);
    m_rowWidgets.push_back(columns);
  }
  return rows;
}

BOOL CSplitterWnd::CreateStatic(CWnd* parent, int rows, int columns, DWORD style, UINT id) {
  if (!parent || rows < 1 || columns < 1 || rows > 16 || columns > 16) return FALSE;
  m_nRows = rows;
  m_nCols = columns;
  m_rowIdeal.assign(static_cast<size_t>(rows), 0);
  m_rowMin.assign(static_cast<size_t>(rows), 0);
  m_colIdeal.assign(static_cast<size_t>(columns), 0);
  m_colMin.assign(static_cast<size_t>(columns), 0);
  return CWnd::CreateEx(0, nullptr, nullptr, style | WS_CHILD, RECT{0, 0, 0, 0}, parent, id);
}

QWidget* CSplitterWnd::GetChildParentWidget() const { return m_rowWidgets.empty() ? m_pWidget : m_rowWidgets[0]; }

// A pane's window (a view or a nested splitter) goes to its row and column.
void CSplitterWnd::AddChildWidget(CWnd* child) {
  int id = child->GetDlgCtrlID() - AFX_IDW_PANE_FIRST;
  int row = id / 16, column = id % 16;
  if (!child->GetWidget() || row < 0 || row >= m_nRows || column >= m_nCols) return;
  auto* columns = static_cast<QSplitter*>(m_rowWidgets[static_cast<size_t>(row)]);
  int at = 0;
  while (at < columns->count() && columns->widget(at)->property("afxPaneColumn").toInt() < column) ++at;
  child->GetWidget()->setProperty("afxPaneColumn", column);
  columns->insertWidget(at, child->GetWidget());
  RecalcLayout();
}

BOOL CSplitterWnd::CreateView(int row, int column, CRuntimeClass* viewClass, SIZE initialSize,
                              CCreateContext* context) {
  if (!viewClass || row < 0 || row >= m_nRows || column < 0 || column >= m_nCols || GetPane(row, column)) return FALSE;
  auto* view = static_cast<CWnd*>(viewClass->CreateObject());
  if (!view) return FALSE;
  if (m_rowIdeal[static_cast<size_t>(row)] == 0) m_rowIdeal[static_cast<size_t>(row)] = initialSize.cy;
  if (m_colIdeal[static_cast<size_t>(column)] == 0) m_colIdeal[static_cast<size_t>(column)] = initialSize.cx;
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, initialSize.cx, initialSize.cy}, this,
                    static_cast<UINT>(IdFromRowCol(row, column)), context)) {
    delete view;
    return FALSE;
  }
  return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int column) const { return GetDlgItem(IdFromRowCol(row, column)); }

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
  if (row < 0 || row >= m_nRows) return;
  m_rowIdeal[static_cast<size_t>(row)] = ideal;
  m_rowMin[static_cast<size_t>(row)] = minimum;
}

void CSplitterWnd::SetColumnInfo(int column, int ideal, int minimum) {
  if (column < 0 || column >= m_nCols) return;
  m_colIdeal[static_cast<size_t>(column)] = ideal;
  m_colMin[static_cast<size_t>(column)] = minimum;
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const {
  current = minimum = 0;
  if (row < 0 || row >= m_nRows) return;
  minimum = m_rowMin[static_cast<size_t>(row)];
  auto* rows = qobject_cast<QSplitter*>(m_pWidget);
  current = rows ? rows->sizes().value(row) : m_rowIdeal[static_cast<size_t>(row)];
}

void CSplitterWnd::GetColumnInfo(int column, int& current, int& minimum) const {
  current = minimum = 0;
  if (column < 0 || column >= m_nCols) return;
  minimum = m_colMin[static_cast<size_t>(column)];
  auto* columns = m_rowWidgets.empty() ? nullptr : qobject_cast<QSplitter*>(m_rowWidgets[0]);
  current = columns ? columns->sizes().value(column) : m_colIdeal[static_cast<size_t>(column)];
}

void CSplitterWnd::RecalcLayout() {
  auto* rows = qobject_cast<QSplitter*>(m_pWidget);
  if (!rows) return;
  QList<int> heights(m_rowIdeal.begin(), m_rowIdeal.end());
  rows->setSizes(heights);
  for (QWidget* row : m_rowWidgets) {
    auto* columns = static_cast<QSplitter*>(row);
    QList<int> widths;
    for (int at = 0; at < columns->count(); ++at) {
      widths << m_colIdeal[static_cast<size_t>(columns->widget(at)->property("afxPaneColumn").toInt())];
    }
    columns->setSizes(widths);
  }
}

void CSplitterWnd::OnDrawSplitter(CDC*, ESplitType, const RECT&) {}

void CSplitterWnd::OnInvertTracker(const RECT&) {}

BOOL CSplitterWnd::SplitRow(int) { return FALSE; }

BOOL CSplitterWnd::SplitColumn(int) { return FALSE; }

// The panes' commands go to the frame, as the splitter is no target itself.
BOOL CSplitterWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  CFrameWnd* frame = GetParentFrame();
  if (!frame) return FALSE;
  frame->SendMessage(WM_COMMAND, wParam, lParam);
  return TRUE;
}

void CSplitterWnd::DeleteView(int row, int column) {
  CWnd* pane = GetPane(row, column);
  if (!pane) return;
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() == pane) frame->SetActiveView(nullptr, FALSE);
  pane->DestroyWindow();
}

void CSplitterWnd::SetActivePane(int row, int column, CWnd* pWnd) {
  CWnd* pane = pWnd ? pWnd : GetPane(row, column);
  CFrameWnd* frame = GetParentFrame();
  if (auto* view = DYNAMIC_DOWNCAST(CView, pane)) {
    if (frame) frame->SetActiveView(view);
  } else if (pane) {
    pane->SetFocus();
  }
}
