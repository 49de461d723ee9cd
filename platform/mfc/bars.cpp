// Control bars: toolbars over QToolBar, the status bar over QStatusBar, and
// dialog bars.
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtWidgets/QHBoxLayout>
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

// The update state of a control that stands in a toolbar's gap.
class CControlCmdUI : public CCmdUI {
 public:
  explicit CControlCmdUI(CWnd* control) : m_control(control) {}
  void Enable(BOOL on) override {
    CCmdUI::Enable(on);
    m_control->EnableWindow(on);
  }

 private:
  CWnd* m_control;
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

void CToolBar::AddButton(UINT id, LPCSTR picture) {
  auto* toolBar = static_cast<QToolBar*>(m_pWidget);
  if (id == ID_SEPARATOR) {
    toolBar->addSeparator();
    return;
  }
  QDir media(QCoreApplication::applicationDirPath() + "/../media/toolbar");
  QString flyBy, tip;
  SplitPrompt(id, flyBy, tip);
  QAction* action = toolBar->addAction(tip.isEmpty() ? flyBy : tip);
  action->setData(id);
  if (picture && media.exists(QString::fromLatin1(picture))) {
    action->setIcon(QIcon(media.filePath(QString::fromLatin1(picture))));
  } else {
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);  // a button without its picture shows its text
  }
  if (m_dwStyle & CBRS_TOOLTIPS) action->setToolTip(tip);
  if (m_dwStyle & CBRS_FLYBY) action->setStatusTip(flyBy);
  QObject::connect(action, &QAction::triggered, [this, id] {
    if (CFrameWnd* frame = GetParentFrame()) AfxWidgetBridge::RouteCommand(frame, id);
  });
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  const std::vector<AfxToolBarButton>* buttons = AfxFindToolBar(resourceId);
  if (!buttons) return FALSE;
  if (!toolBar) return m_hWnd != nullptr;  // without a desktop the bar has no buttons to show
  toolBar->clear();
  for (const AfxToolBarButton& button : *buttons) AddButton(button.id, button.picture);
  return TRUE;
}

BOOL CToolBar::LoadBitmap(UINT resourceId) {
  const std::vector<AfxToolBarButton>* buttons = AfxFindToolBar(resourceId);
  if (!buttons) return FALSE;
  m_pictures.clear();
  for (const AfxToolBarButton& button : *buttons) {
    if (button.id != ID_SEPARATOR) m_pictures.push_back(button.picture);
  }
  return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  if (!ids || count < 0) return FALSE;
  if (!toolBar) return m_hWnd != nullptr;
  toolBar->clear();
  size_t image = 0;
  for (int index = 0; index < count; ++index) {
    LPCSTR picture = nullptr;
    if (ids[index] != ID_SEPARATOR && image < m_pictures.size()) picture = m_pictures[image++];
    AddButton(ids[index], picture);
  }
  return TRUE;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image) {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  QList<QAction*> buttons = ButtonsOf(this);
  if (!toolBar || index < 0 || index >= buttons.size() || !(style & TBBS_SEPARATOR)) return;
  QAction* old = buttons[index];
  QAction* before = index + 1 < buttons.size() ? buttons[index + 1] : nullptr;
  auto* gap = new QWidget(toolBar);
  gap->setObjectName("AfxToolBarGap");
  gap->setFixedWidth(image);
  auto* layout = new QHBoxLayout(gap);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  toolBar->removeAction(old);
  if (old->parent() == toolBar) delete old;
  QAction* action = before ? toolBar->insertWidget(before, gap) : toolBar->addWidget(gap);
  action->setData(id);
  action->setProperty("afxGap", true);
}

int CToolBar::CommandToIndex(UINT id) const {
  QList<QAction*> buttons = ButtonsOf(this);
  for (int index = 0; index < buttons.size(); ++index) {
    if (!buttons[index]->isSeparator() && buttons[index]->data().toUInt() == id) return index;
  }
  return -1;
}

void CToolBar::GetItemRect(int index, LPRECT rect) const {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  QList<QAction*> buttons = ButtonsOf(this);
  *rect = RECT{0, 0, 0, 0};
  if (!toolBar || index < 0 || index >= buttons.size()) return;
  QWidget* item = toolBar->widgetForAction(buttons[index]);
  if (!item) return;
  QRect area = item->geometry();
  *rect = RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
}

// A control made as a child of the bar goes into the gap of its control ID.
void CToolBar::AddChildWidget(CWnd* child) {
  auto* toolBar = qobject_cast<QToolBar*>(m_pWidget);
  if (!toolBar || !child->GetWidget()) return;
  for (QAction* action : toolBar->actions()) {
    if (!action->property("afxGap").toBool() || action->data().toUInt() != static_cast<UINT>(child->GetDlgCtrlID())) {
      continue;
    }
    if (QWidget* gap = toolBar->widgetForAction(action)) gap->layout()->addWidget(child->GetWidget());
    return;
  }
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
    UINT id = action->data().toUInt();
    if (action->property("afxGap").toBool()) {
      // The control in a gap answers to the bar's own handlers only.
      CWnd* control = id != ID_SEPARATOR ? GetDlgItem(static_cast<int>(id)) : nullptr;
      if (!control) continue;
      CControlCmdUI state(control);
      state.m_nID = id;
      state.m_nIndex = index - 1;
      state.m_pOther = this;
      OnCmdMsg(id, static_cast<int>(CN_UPDATE_COMMAND_UI), &state, nullptr);
      continue;
    }
    CActionCmdUI state(action, false);
    state.m_nID = id;
    state.m_nIndex = index - 1;
    state.m_pOther = this;
    if (OnCmdMsg(id, static_cast<int>(CN_UPDATE_COMMAND_UI), &state, nullptr)) continue;
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
