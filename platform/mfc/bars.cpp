// Control bars: toolbars over QToolBar, the status bar over QStatusBar, and
// dialog bars.
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtWidgets/QLabel>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include <algorithm>

#include "afxext.h"
#include "afxqt.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

CControlBar::~CControlBar() {
  if (m_pDockSite == nullptr) return;
  std::vector<CControlBar*>& bars = m_pDockSite->m_bars;
  bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
}
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)
IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

namespace {

// The prompt string of a command: fly-by text, newline, tooltip.
void SplitPrompt(UINT id, QString& flyBy, QString& tip) {
  CString prompt;
  prompt.LoadString(id);
  int newline = prompt.Find('\n');
  flyBy = AfxToQString(newline >= 0 ? static_cast<LPCSTR>(prompt.Left(newline)) : static_cast<LPCSTR>(prompt));
  tip = newline >= 0 ? AfxToQString(prompt.Mid(newline + 1)) : QString();
}

// The button actions of a toolbar, separators included.
QList<QAction*> ButtonsOf(const CWnd* bar) {
  auto* toolBar = qobject_cast<QToolBar*>(bar->GetWidget());
  return toolBar ? toolBar->actions() : QList<QAction*>();
}

class CButtonCmdUI : public CCmdUI {
 public:
  explicit CButtonCmdUI(QAction* action) : m_action(action) {}
  void Enable(BOOL on) override {
    CCmdUI::Enable(on);
    m_action->setEnabled(on != FALSE);
  }
  void SetCheck(int check) override {
    CCmdUI::SetCheck(check);
    m_action->setCheckable(true);
    m_action->setChecked(check != 0);
  }

 private:
  QAction* m_action;
};

}  // namespace

// CToolBar

QWidget* CToolBar::CreateWidget(QWidget* parent) {
  auto* toolBar = new QToolBar(parent);
  toolBar->setIconSize(QSize(16, 15));
  toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  return toolBar;
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, RECT{0, 0, 0, 0}, id); }

BOOL CToolBar::CreateEx(CWnd* parent, DWORD, DWORD style, RECT, UINT id) {
  if (!parent) return FALSE;
  return CWnd::CreateEx(0, nullptr, nullptr, style | WS_CHILD, RECT{0, 0, 0, 0}, parent, id);
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  const std::vector<AfxToolBarButton>* buttons = AfxFindToolBar(resourceId);
  if (!buttons) return FALSE;
  if (!toolBar) return m_hWnd != nullptr;  // without a desktop the bar has no buttons to show
  toolBar->clear();
  QDir media(QCoreApplication::applicationDirPath() + "/../media/toolbar");
  for (const AfxToolBarButton& button : *buttons) {
    if (button.id == ID_SEPARATOR) {
      toolBar->addSeparator();
      continue;
    }
    QString flyBy, tip;
    SplitPrompt(button.id, flyBy, tip);
    QAction* action = toolBar->addAction(tip.isEmpty() ? flyBy : tip);
    action->setData(button.id);
    if (button.picture && media.exists(QString::fromLatin1(button.picture))) {
      action->setIcon(QIcon(media.filePath(QString::fromLatin1(button.picture))));
    } else {
      toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);  // a button without its picture shows its text
    }
    if (m_dwStyle & CBRS_TOOLTIPS) action->setToolTip(tip);
    if (m_dwStyle & CBRS_FLYBY) action->setStatusTip(flyBy);
    UINT id = button.id;
    QObject::connect(action, &QAction::triggered, [this, id] {
      if (CFrameWnd* frame = GetParentFrame()) AfxWidgetBridge::RouteCommand(frame, id);
    });
  }
  return TRUE;
}

int CToolBar::GetCount() const { return static_cast<int>(ButtonsOf(this).size()); }

UINT CToolBar::GetItemID(int index) const {
  QList<QAction*> buttons = ButtonsOf(this);
  if (index < 0 || index >= buttons.size()) return ID_SEPARATOR;
  return buttons[index]->isSeparator() ? ID_SEPARATOR : buttons[index]->data().toUInt();
}

CString CToolBar::GetButtonTip(int index) const {
  QList<QAction*> buttons = ButtonsOf(this);
  return index >= 0 && index < buttons.size() ? AfxFromQString(buttons[index]->toolTip()) : CString();
}

CString CToolBar::GetButtonFlyBy(int index) const {
  QList<QAction*> buttons = ButtonsOf(this);
  return index >= 0 && index < buttons.size() ? AfxFromQString(buttons[index]->statusTip()) : CString();
}

BOOL CToolBar::IsButtonEnabled(int index) const {
  QList<QAction*> buttons = ButtonsOf(this);
  return index >= 0 && index < buttons.size() && buttons[index]->isEnabled();
}

BOOL CToolBar::IsButtonChecked(int index) const {
  QList<QAction*> buttons = ButtonsOf(this);
  return index >= 0 && index < buttons.size() && buttons[index]->isChecked();
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  UINT index = 0;
  for (QAction* action : ButtonsOf(this)) {
    ++index;
    if (action->isSeparator()) continue;
    CButtonCmdUI state(action);
    state.m_nID = action->data().toUInt();
    state.m_nIndex = index - 1;
    state.m_pOther = this;
    state.DoUpdate(target, disableIfNoHandler);
  }
}

// CStatusBar

QWidget* CStatusBar::CreateWidget(QWidget* parent) {
  auto* bar = new QStatusBar(parent);
  bar->setSizeGripEnabled(true);
  return bar;
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  if (!parent) return FALSE;
  return CWnd::CreateEx(0, nullptr, nullptr, style | WS_CHILD, RECT{0, 0, 0, 0}, parent, id);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  if (!ids || count <= 0) return FALSE;
  m_indicators.assign(ids, ids + count);
  auto* bar = qobject_cast<QStatusBar*>(m_pWidget);
  if (!bar) return TRUE;
  for (QLabel* old : bar->findChildren<QLabel*>("AfxPane")) delete old;
  for (int index = 0; index < count; ++index) {
    auto* pane = new QLabel(bar);
    pane->setObjectName("AfxPane");
    pane->setProperty("afxPaneIndex", index);
    CString text;
    // The message pane starts with the idle message; an indicator with its string.
    text.LoadString(ids[index] == ID_SEPARATOR ? AFX_IDS_IDLEMESSAGE : ids[index]);
    pane->setText(AfxToQString(text));
    if (ids[index] == ID_SEPARATOR) bar->addWidget(pane, 1);
    else bar->addPermanentWidget(pane);
  }
  return TRUE;
}

BOOL CStatusBar::SetPaneText(int index, LPCSTR text, BOOL) {
  auto* bar = qobject_cast<QStatusBar*>(m_pWidget);
  if (!bar) return FALSE;
  for (QLabel* pane : bar->findChildren<QLabel*>("AfxPane")) {
    if (pane->property("afxPaneIndex").toInt() == index) {
      pane->setText(AfxToQString(text));
      return TRUE;
    }
  }
  return FALSE;
}

CString CStatusBar::GetPaneText(int index) const {
  auto* bar = qobject_cast<QStatusBar*>(m_pWidget);
  if (!bar) return CString();
  for (QLabel* pane : bar->findChildren<QLabel*>("AfxPane")) {
    if (pane->property("afxPaneIndex").toInt() == index) return AfxFromQString(pane->text());
  }
  return CString();
}

// CDialogBar

QWidget* CDialogBar::CreateWidget(QWidget* parent) {
  auto* toolBar = new QToolBar(parent);
  auto* content = new QWidget(toolBar);
  content->setObjectName("AfxDialogBarContent");
  toolBar->addWidget(content);
  return toolBar;
}

BOOL CDialogBar::Create(CWnd* parent, UINT templateId, UINT style, UINT id) {
  const AfxDialogTemplate* dialog = AfxFindDialog(templateId);
  if (!parent || !dialog) return FALSE;
  m_sizeDefault = SIZE{AfxDialogUnitsToPixelsX(dialog->cx), AfxDialogUnitsToPixelsY(dialog->cy)};
  if (!CWnd::CreateEx(0, nullptr, nullptr, style | WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, parent, id)) return FALSE;
  if (auto* toolBar = qobject_cast<QToolBar*>(m_pWidget)) {
    if (auto* content = toolBar->findChild<QWidget*>("AfxDialogBarContent")) {
      content->setMinimumSize(static_cast<int>(m_sizeDefault.cx), static_cast<int>(m_sizeDefault.cy));
    }
  }
  for (const AfxDialogItem& item : dialog->items) {
    CWnd* control = AfxNewControl(item.className, item.style);
    control->m_bAutoDelete = TRUE;
    RECT rect{0, 0, 0, 0};
    if (!control->CreateEx(0, item.className, item.text, item.style | WS_CHILD | WS_VISIBLE, rect, this, item.id)) {
      delete control;
      continue;
    }
    AfxPlaceDialogItem(control, item);
  }
  return TRUE;
}

// Commands of the bar's controls go to its frame.
BOOL CDialogBar::OnCommand(WPARAM wParam, LPARAM lParam) {
  CFrameWnd* frame = GetParentFrame();
  return frame ? frame->SendMessage(WM_COMMAND, wParam, lParam), TRUE : FALSE;
}
