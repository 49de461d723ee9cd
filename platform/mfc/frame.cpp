// Frame windows over QMainWindow, the MDI area over QMdiArea, menus over
// QMenuBar, and the routing of commands and their updates.
#include <QtGui/QAction>
#include <QtGui/QKeySequence>
#include <QtWidgets/QLayout>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include "afxext.h"
#include "afxqt.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_ACTIVATE()
ON_WM_SIZE()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_COMMAND(ID_WINDOW_CASCADE, OnWindowCascade)
ON_COMMAND(ID_WINDOW_TILE_HORZ, OnWindowTile)
ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateWindowCommand)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateWindowCommand)
END_MESSAGE_MAP()

namespace {

// The update of a menu item or toolbar button: its QAction.
QMainWindow* MainWindowOf(const CWnd* wnd) { return qobject_cast<QMainWindow*>(wnd->GetWidget()); }

// The actions of the menu bar, each with its command ID in its data.
std::vector<QAction*> CommandActions(QWidget* widget) {
  std::vector<QAction*> actions;
  if (!widget) return actions;
  for (QAction* action : widget->findChildren<QAction*>()) {
    if (action->data().isValid() && !action->isSeparator()) actions.push_back(action);
  }
  return actions;
}

}  // namespace

void AfxWidgetBridge::RouteCommand(CWnd* frame, UINT id) {
  if (frame->m_hWnd) frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, CN_COMMAND), 0);
}

// CCmdUI

void CCmdUI::Enable(BOOL on) {
  m_bEnabled = on;
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check) { m_nCheck = check; }

void CCmdUI::SetText(LPCSTR text) {
  m_strText = text;
  m_bTextChanged = TRUE;
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL autoDisable) {
  m_bEnableChanged = FALSE;
  if (!target) return FALSE;
  BOOL handled = target->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this, nullptr);
  if (!m_bEnableChanged && autoDisable) {
    int found = 0;
    Enable(target->OnCmdMsg(m_nID, CN_COMMAND, this, &found));
  }
  return handled;
}

// CMenu

CMenu::~CMenu() = default;

UINT CMenu::EnableMenuItem(UINT id, UINT enable) {
  for (QAction* action : CommandActions(static_cast<QWidget*>(m_pImpl))) {
    if (action->data().toUInt() != id) continue;
    UINT previous = action->isEnabled() ? MF_ENABLED : MF_GRAYED;
    action->setEnabled((enable & (MF_GRAYED | MF_DISABLED)) == 0);
    return previous;
  }
  return static_cast<UINT>(-1);
}

UINT CMenu::CheckMenuItem(UINT id, UINT check) {
  for (QAction* action : CommandActions(static_cast<QWidget*>(m_pImpl))) {
    if (action->data().toUInt() != id) continue;
    UINT previous = action->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    action->setCheckable(true);
    action->setChecked((check & MF_CHECKED) != 0);
    return previous;
  }
  return static_cast<UINT>(-1);
}

int CMenu::GetMenuItemCount() const {
  auto* bar = static_cast<QMenuBar*>(m_pImpl);
  return bar ? static_cast<int>(bar->actions().size()) : 0;
}

CString CMenu::GetMenuString(UINT position) const {
  auto* bar = static_cast<QMenuBar*>(m_pImpl);
  if (!bar || position >= static_cast<UINT>(bar->actions().size())) return CString();
  return AfxFromQString(bar->actions()[static_cast<int>(position)]->text());
}

// CFrameWnd

CFrameWnd::~CFrameWnd() { delete m_pMenu; }

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& create) {
  (void)create;
  return TRUE;
}

QWidget* CFrameWnd::CreateWidget(QWidget* parent) {
  auto* window = new QMainWindow(parent);
  if (parent) window->setWindowFlags(Qt::Widget);
  return window;
}

BOOL CFrameWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                       void* context) {
  (void)id;
  m_strTitle = windowName ? windowName : "";
  return CWnd::CreateEx(0, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, nullptr, context);
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  CString title;
  title.LoadString(resourceId);
  int newline = title.Find('\n');
  if (newline >= 0) title = title.Left(newline);
  m_strTitle = title;
  m_nIDHelp = resourceId;
  RECT rect{0, 0, 1024, 768};
  if (!Create(nullptr, title, style, rect, parent, 0, context)) return FALSE;
  return TRUE;
}

void CFrameWnd::BuildMenu(UINT resourceId) {
  QMainWindow* window = MainWindowOf(this);
  const std::vector<AfxMenuItem>* items = AfxFindMenu(resourceId);
  if (!window || !items) return;
  QMenuBar* bar = window->menuBar();
  bar->clear();
  std::vector<QMenu*> menus;  // the open popup of each depth
  const std::vector<AfxAccelerator>* accelerators = AfxFindAccelerators(resourceId);
  for (const AfxMenuItem& item : *items) {
    menus.resize(static_cast<size_t>(item.depth));
    QWidget* owner = item.depth == 0 ? static_cast<QWidget*>(bar) : menus.back();
    if (item.id == 0 && item.text) {
      QMenu* popup = item.depth == 0 ? bar->addMenu(AfxMenuText(item.text))
                                     : static_cast<QMenu*>(owner)->addMenu(AfxMenuText(item.text));
      QObject::connect(popup, &QMenu::aboutToShow, [this] { OnUpdateCmdUI(); });
      menus.push_back(popup);
      continue;
    }
    if (item.depth == 0) continue;
    auto* menu = static_cast<QMenu*>(owner);
    if (item.id == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(AfxMenuText(item.text));
    action->setData(item.id);
    CString prompt;
    if (prompt.LoadString(item.id)) {
      int newline = prompt.Find('\n');
      action->setStatusTip(AfxToQString(newline >= 0 ? prompt.Left(newline) : prompt));
    }
    if (accelerators) {
      for (const AfxAccelerator& accelerator : *accelerators) {
        if (accelerator.id == item.id) action->setShortcut(QKeySequence(QString::fromLatin1(accelerator.keys)));
      }
    }
    UINT id = item.id;
    QObject::connect(action, &QAction::triggered, [this, id] { AfxWidgetBridge::RouteCommand(this, id); });
  }
  if (!m_pMenu) m_pMenu = new CMenu;
  m_pMenu->m_pImpl = bar;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT create) {
  if (m_nIDHelp) BuildMenu(m_nIDHelp);
  auto* context = static_cast<CCreateContext*>(create ? create->lpCreateParams : nullptr);
  if (!OnCreateClient(create, context)) return -1;
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (context && context->m_pNewViewClass) return CreateView(context) != nullptr;
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
  if (!context || !context->m_pNewViewClass) return nullptr;
  auto* view = static_cast<CWnd*>(context->m_pNewViewClass->CreateObject());
  if (!view) return nullptr;
  RECT rect{0, 0, 0, 0};
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this, id, context)) {
    delete view;  // a view that failed has no window to delete it
    return nullptr;
  }
  return view;
}

void CFrameWnd::AddChildWidget(CWnd* child) {
  QMainWindow* window = MainWindowOf(this);
  if (!window) return;
  if (auto* status = DYNAMIC_DOWNCAST(CStatusBar, child)) {
    window->setStatusBar(static_cast<QStatusBar*>(status->GetWidget()));
  } else if (auto* bar = DYNAMIC_DOWNCAST(CControlBar, child)) {
    m_bars.push_back(bar);
    if (auto* toolBar = qobject_cast<QToolBar*>(bar->GetWidget())) {
      DWORD style = bar->GetBarStyle();
      Qt::ToolBarArea area = (style & CBRS_ALIGN_BOTTOM)  ? Qt::BottomToolBarArea
                             : (style & CBRS_ALIGN_LEFT)  ? Qt::LeftToolBarArea
                             : (style & CBRS_ALIGN_RIGHT) ? Qt::RightToolBarArea
                                                          : Qt::TopToolBarArea;
      window->addToolBar(area, toolBar);
    }
  } else if (!window->centralWidget()) {
    window->setCentralWidget(child->GetWidget());
  }
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  CView* previous = m_pViewActive;
  if (view == previous) return;
  m_pViewActive = view;
  if (notify && previous) previous->OnActivateView(FALSE, view, previous);
  if (notify && view) view->OnActivateView(TRUE, view, previous);
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* view = GetActiveView();
  return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int command) {
  if (!m_pWidget) return;
  ShowWindow(command == -1 ? SW_SHOW : command);
  m_pWidget->raise();
  m_pWidget->activateWindow();
}

void CFrameWnd::InitialUpdateFrame(CDocument* document, BOOL makeVisible) {
  CView* view = GetActiveView();
  if (!view) {
    for (CWnd* child = GetDlgItem(AFX_IDW_PANE_FIRST); child;) {
      view = DYNAMIC_DOWNCAST(CView, child);
      break;
    }
    if (view) SetActiveView(view, FALSE);
  }
  // Every view of this frame that belongs to the document gets its update.
  if (document) {
    for (POSITION at = document->GetFirstViewPosition(); at;) {
      CView* each = document->GetNextView(at);
      if (each->GetParentFrame() == this) each->OnInitialUpdate();
    }
  }
  if (view) SetActiveView(view, TRUE);
  if (document && !m_strTitle.IsEmpty()) OnUpdateFrameTitle(TRUE);
  if (makeVisible) ActivateFrame();
}

void CFrameWnd::OnUpdateFrameTitle(BOOL) {
  CDocument* document = GetActiveDocument();
  if (document && !document->GetTitle().IsEmpty()) SetWindowText(document->GetTitle());
}

// A frame whose client window went (a layout replaced by another) takes its
// first pane window as the new client.
void CFrameWnd::RecalcLayout(BOOL) {
  QMainWindow* window = MainWindowOf(this);
  if (!window) return;
  if (!window->centralWidget()) {
    if (CWnd* client = GetDlgItem(AFX_IDW_PANE_FIRST); client && client->GetWidget()) {
      window->setCentralWidget(client->GetWidget());
      client->GetWidget()->show();
    }
  }
  if (window->layout()) window->layout()->activate();
}

void CFrameWnd::EnableDocking(DWORD dockStyle) {
  if (QMainWindow* window = MainWindowOf(this)) {
    window->setDockOptions(QMainWindow::AnimatedDocks);
    (void)dockStyle;
  }
}

// A bar goes to the side of its dock bar (its own side without one); with a
// rectangle, it stands in that side's row before the first bar that lies at
// or beyond the rectangle's left (top, for a side column).
void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId, const RECT* rect) {
  QMainWindow* window = MainWindowOf(this);
  auto* toolBar = bar ? qobject_cast<QToolBar*>(bar->GetWidget()) : nullptr;
  if (!window || !toolBar) return;
  DWORD sides = bar->m_dwDockStyle;
  Qt::ToolBarAreas areas;
  if (sides & CBRS_ALIGN_TOP) areas |= Qt::TopToolBarArea;
  if (sides & CBRS_ALIGN_BOTTOM) areas |= Qt::BottomToolBarArea;
  if (sides & CBRS_ALIGN_LEFT) areas |= Qt::LeftToolBarArea;
  if (sides & CBRS_ALIGN_RIGHT) areas |= Qt::RightToolBarArea;
  toolBar->setAllowedAreas(areas);
  toolBar->setMovable(sides != 0);
  if (dockBarId == 0) return;
  Qt::ToolBarArea area = dockBarId == AFX_IDW_DOCKBAR_BOTTOM ? Qt::BottomToolBarArea
                         : dockBarId == AFX_IDW_DOCKBAR_LEFT ? Qt::LeftToolBarArea
                         : dockBarId == AFX_IDW_DOCKBAR_RIGHT ? Qt::RightToolBarArea
                                                              : Qt::TopToolBarArea;
  bool across = area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
  QToolBar* before = nullptr;
  if (rect) {
    QPoint at = window->mapFromGlobal(QPoint(rect->left, rect->top));
    int wanted = across ? at.x() : at.y();
    int nearest = 0;
    for (QToolBar* other : window->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) {
      if (other == toolBar || window->toolBarArea(other) != area || other->isHidden()) continue;
      int place = across ? other->x() : other->y();
      if (place >= wanted && (!before || place < nearest)) {
        before = other;
        nearest = place;
      }
    }
  }
  bool visible = !toolBar->isHidden();
  window->removeToolBar(toolBar);
  if (before) window->insertToolBar(before, toolBar);
  else window->addToolBar(area, toolBar);
  toolBar->setVisible(visible);
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
  if (bar) bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CFrameWnd::SetMessageText(LPCSTR text) {
  auto* status = DYNAMIC_DOWNCAST(CStatusBar, GetDlgItem(AFX_IDW_STATUS_BAR));
  if (status) status->SetPaneText(0, text);
}

void CFrameWnd::SetMessageText(UINT id) {
  CString text;
  text.LoadString(id);
  SetMessageText(text);
}

CString CFrameWnd::GetMessageText() const {
  auto* status = DYNAMIC_DOWNCAST(CStatusBar, GetDlgItem(AFX_IDW_STATUS_BAR));
  return status ? status->GetPaneText(0) : CString();
}

void CFrameWnd::OnUpdateCmdUI() {
  QMainWindow* window = MainWindowOf(this);
  if (!window) return;
  for (QAction* action : CommandActions(window->menuBar())) {
    CActionCmdUI state(action, true);
    state.m_nID = action->data().toUInt();
    state.DoUpdate(this, TRUE);
  }
  for (CControlBar* bar : m_bars) bar->OnUpdateCmdUI(this, TRUE);
}

BOOL CFrameWnd::TriggerCommand(UINT id) {
  QMainWindow* window = MainWindowOf(this);
  if (!window) return FALSE;
  OnUpdateCmdUI();
  for (QAction* action : CommandActions(window)) {
    if (action->data().toUInt() != id) continue;
    if (!action->isEnabled()) return FALSE;
    action->trigger();
    return TRUE;
  }
  return FALSE;
}

std::vector<CString> CFrameWnd::GetMenuTitles() const {
  std::vector<CString> titles;
  if (QMainWindow* window = MainWindowOf(this)) {
    for (QAction* action : window->menuBar()->actions()) titles.push_back(AfxFromQString(action->text()));
  }
  return titles;
}

std::vector<CString> CFrameWnd::GetMenuItemTexts(int popup) const {
  std::vector<CString> texts;
  QMainWindow* window = MainWindowOf(this);
  if (!window || popup < 0 || popup >= window->menuBar()->actions().size()) return texts;
  QMenu* menu = window->menuBar()->actions()[popup]->menu();
  if (!menu) return texts;
  for (QAction* action : menu->actions()) texts.push_back(action->isSeparator() ? CString() : AfxFromQString(action->text()));
  return texts;
}

BOOL CFrameWnd::GetMenuItemState(UINT id, BOOL* enabled, BOOL* checked) const {
  QMainWindow* window = MainWindowOf(this);
  if (!window) return FALSE;
  for (QAction* action : CommandActions(window->menuBar())) {
    if (action->data().toUInt() != id) continue;
    if (enabled) *enabled = action->isEnabled();
    if (checked) *checked = action->isChecked();
    return TRUE;
  }
  return FALSE;
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  // A command of a disabled item does not run.
  if (code == CN_COMMAND) {
    CCmdUI state;
    state.m_nID = id;
    state.DoUpdate(this, TRUE);
    if (!state.m_bEnabled) return TRUE;
  }
  return OnCmdMsg(id, code, nullptr, nullptr);
}

// View, frame, application (an MDI frame puts its active child first).
BOOL CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  CView* view = GetActiveView();
  if (view && view->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  if (GetParent()) return FALSE;  // a child frame leaves the application to its main frame
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(id, code, extra, handlerInfo);
}

void CFrameWnd::OnClose() {
  CDocument* document = GetActiveDocument();
  if (document && !document->CanCloseFrame(this)) return;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    app->CloseAllDocuments(FALSE);
    DestroyWindow();
    PostQuitMessage(0);
    return;
  }
  if (document) {
    // The last frame of a document closes the document.
    int frames = 0;
    for (POSITION at = document->GetFirstViewPosition(); at;) {
      CFrameWnd* frame = document->GetNextView(at)->GetParentFrame();
      if (frame && frame != this) ++frames;
    }
    if (frames == 0) {
      document->PreCloseFrame(this);
      document->OnCloseDocument();
      return;
    }
  }
  DestroyWindow();
}

void CFrameWnd::OnDestroy() { m_bars.clear(); }

void CFrameWnd::OnActivate(UINT, CWnd*, BOOL) {}

// CMDIFrameWnd

QWidget* CMDIFrameWnd::CreateWidget(QWidget* parent) {
  auto* window = static_cast<QMainWindow*>(CFrameWnd::CreateWidget(parent));
  auto* area = new QMdiArea(window);
  area->setObjectName("AfxMDIClient");
  window->setCentralWidget(area);
  QObject::connect(area, &QMdiArea::subWindowActivated, [area](QMdiSubWindow* activated) {
    for (QMdiSubWindow* sub : area->subWindowList()) {
      QVariant wnd = sub->widget() ? sub->widget()->property("afxWnd") : QVariant();
      if (!wnd.isValid()) continue;
      AfxWidgetBridge::ChildActivated(static_cast<CMDIChildWnd*>(wnd.value<void*>()), sub == activated);
    }
  });
  return window;
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext*) { return TRUE; }

void CMDIFrameWnd::AddChildWidget(CWnd* child) {
  QMainWindow* window = MainWindowOf(this);
  if (auto* mdiChild = DYNAMIC_DOWNCAST(CMDIChildWnd, child)) {
    auto* area = window ? window->findChild<QMdiArea*>("AfxMDIClient") : nullptr;
    if (!area) return;
    QMdiSubWindow* sub = area->addSubWindow(mdiChild->GetWidget());
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->resize(640, 480);
    return;
  }
  CFrameWnd::AddChildWidget(child);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const {
  QMainWindow* window = MainWindowOf(this);
  auto* area = window ? window->findChild<QMdiArea*>("AfxMDIClient") : nullptr;
  QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
  if (!sub && area && !area->subWindowList().isEmpty()) sub = area->currentSubWindow();
  if (maximized) *maximized = sub && sub->isMaximized();
  QVariant wnd = sub && sub->widget() ? sub->widget()->property("afxWnd") : QVariant();
  return wnd.isValid() ? static_cast<CMDIChildWnd*>(wnd.value<void*>()) : nullptr;
}

void CMDIFrameWnd::MDIActivate(CWnd* child) {
  QWidget* widget = child ? child->GetWidget() : nullptr;
  auto* sub = widget ? qobject_cast<QMdiSubWindow*>(widget->parentWidget()) : nullptr;
  if (sub && sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
}

void CMDIFrameWnd::MDICascade() {
  if (QMainWindow* window = MainWindowOf(this)) {
    if (auto* area = window->findChild<QMdiArea*>("AfxMDIClient")) area->cascadeSubWindows();
  }
}

void CMDIFrameWnd::MDITile() {
  if (QMainWindow* window = MainWindowOf(this)) {
    if (auto* area = window->findChild<QMdiArea*>("AfxMDIClient")) area->tileSubWindows();
  }
}

void CMDIFrameWnd::OnUpdateWindowCommand(CCmdUI* cmdUI) { cmdUI->Enable(MDIGetActive() != nullptr); }

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

// The active child frame (its view, its document, itself), then this frame.
BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  CMDIChildWnd* child = MDIGetActive();
  if (child && child->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return CFrameWnd::OnCmdMsg(id, code, extra, handlerInfo);
}

// CMDIChildWnd

QWidget* CMDIChildWnd::CreateWidget(QWidget*) {
  // The MDI area takes the widget into a sub-window (AddChildWidget).
  auto* window = new QMainWindow(nullptr);
  window->setWindowFlags(Qt::Widget);
  return window;
}

BOOL CMDIChildWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  CWinApp* app = AfxGetApp();
  if (!parent) parent = app ? app->m_pMainWnd : nullptr;
  CString title;
  title.LoadString(resourceId);
  m_strTitle = title;
  // A child frame with a menu of its own shows it in its window.
  if (AfxFindMenu(resourceId)) m_nIDHelp = resourceId;
  RECT rect{0, 0, 0, 0};
  if (!CWnd::CreateEx(0, nullptr, nullptr, (style | WS_CHILD) & ~WS_VISIBLE, rect.left, rect.top, 0, 0,
                      parent ? parent->m_hWnd : nullptr, nullptr, context)) {
    return FALSE;
  }
  if (m_pWidget) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_pWidget->parentWidget())) sub->installEventFilter(m_pBridge);
  }
  return TRUE;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const { return DYNAMIC_DOWNCAST(CMDIFrameWnd, GetParent()); }

void CMDIChildWnd::MDIActivate() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->MDIActivate(this);
}

void CMDIChildWnd::MDIDestroy() { DestroyWindow(); }

void CMDIChildWnd::ActivateFrame(int command) {
  if (!m_pWidget) return;
  auto* sub = qobject_cast<QMdiSubWindow*>(m_pWidget->parentWidget());
  m_pWidget->show();
  if (sub) {
    if (command == SW_SHOWMAXIMIZED) sub->showMaximized();
    else sub->show();
  }
  MDIActivate();
}

void AfxWidgetBridge::ChildActivated(CMDIChildWnd* child, BOOL activate) { child->OnMDIActivate(activate, nullptr, nullptr); }

void CMDIChildWnd::OnMDIActivate(BOOL activate, CWnd*, CWnd*) {
  CView* view = GetActiveView();
  if (view) view->OnActivateView(activate, view, view);
  OnChildActivated(activate);
}

// CActionCmdUI

void CActionCmdUI::Enable(BOOL on) {
  CCmdUI::Enable(on);
  m_action->setEnabled(on != FALSE);
}

void CActionCmdUI::SetCheck(int check) {
  CCmdUI::SetCheck(check);
  m_action->setCheckable(true);
  m_action->setChecked(check != 0);
}

void CActionCmdUI::SetText(LPCSTR text) {
  CCmdUI::SetText(text);
  if (m_takesText) m_action->setText(AfxMenuText(text));
}
