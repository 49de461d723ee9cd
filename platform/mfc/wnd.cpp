#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMdiSubWindow>
#include <algorithm>
#include <unordered_map>

#include "afxqt.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_CREATE()
ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

const char kFrameworkClass[] = "AfxWnd";

// Handle to object, per thread.
thread_local std::unordered_map<HWND, CWnd*> t_permanentMap;
// The object whose window the calling thread is creating: attached at its
// first message.
thread_local CWnd* t_creating = nullptr;

bool EnsureFrameworkClass(LPCSTR name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = AfxWndProc;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The children of each window, in creation order (main thread only).
std::unordered_map<const CWnd*, std::vector<CWnd*>>& Children() {
  static auto* children = new std::unordered_map<const CWnd*, std::vector<CWnd*>>;
  return *children;
}

CWnd* WindowOfWidget(QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    QVariant wnd = widget->property("afxWnd");
    if (wnd.isValid()) return static_cast<CWnd*>(wnd.value<void*>());
  }
  return nullptr;
}

}  // namespace

bool AfxDesktopActive() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && qobject_cast<QApplication*>(app) && QThread::currentThread() == app->thread();
}

QString AfxToQString(LPCSTR text) { return QString::fromLocal8Bit(text ? text : ""); }
CString AfxFromQString(const QString& text) { return CString(text.toLocal8Bit().constData()); }
QString AfxMenuText(LPCSTR text) {
  QString result = AfxToQString(text);
  return result.replace('\t', QString());
}

bool AfxWidgetBridge::eventFilter(QObject* watched, QEvent* event) {
  CWnd* wnd = m_wnd;
  if (!wnd->m_hWnd) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Resize:
      if (widget == wnd->m_pWidget) {
        QSize size = wnd->m_pWidget->size();
        ::MoveWindow(wnd->m_hWnd, 0, 0, size.width(), size.height(), FALSE);
        wnd->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.width(), size.height()));
      }
      break;
    case QEvent::Move:
      if (widget == wnd->m_pWidget) {
        QPoint at = wnd->m_pWidget->pos();
        wnd->SendMessage(WM_MOVE, 0, MAKELPARAM(at.x(), at.y()));
      }
      break;
    case QEvent::Close:
      // The window decides: WM_CLOSE destroys it or keeps it.
      event->ignore();
      wnd->SendMessage(WM_CLOSE);
      return true;
    case QEvent::FocusIn:
      wnd->SendMessage(WM_SETFOCUS);
      break;
    case QEvent::FocusOut:
      wnd->SendMessage(WM_KILLFOCUS);
      break;
    case QEvent::WindowActivate:
      if (widget->isWindow()) wnd->SendMessage(WM_ACTIVATE, WA_ACTIVE);
      break;
    case QEvent::WindowDeactivate:
      if (widget->isWindow()) wnd->SendMessage(WM_ACTIVATE, WA_INACTIVE);
      break;
    default:
      break;
  }
  return false;
}

LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(window);
  if (!wnd && t_creating) {
    wnd = t_creating;
    t_creating = nullptr;
    wnd->Attach(window);
  }
  if (!wnd) return DefWindowProcA(window, message, wParam, lParam);
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    wnd->Detach();
    wnd->DestroyWidget();
    wnd->PostNcDestroy();
  }
  return result;
}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    HWND window = m_hWnd;
    Detach();
    ::DestroyWindow(window);
  }
  DestroyWidget();
  if (m_pParentWnd) std::erase(Children()[m_pParentWnd], this);
  for (CWnd* child : Children()[this]) child->m_pParentWnd = nullptr;
  Children().erase(this);
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  auto found = t_permanentMap.find(window);
  return found == t_permanentMap.end() ? nullptr : found->second;
}

BOOL CWnd::Attach(HWND window) {
  if (!window || m_hWnd || FromHandlePermanent(window)) return FALSE;
  m_hWnd = window;
  t_permanentMap[window] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  if (window && FromHandlePermanent(window) == this) t_permanentMap.erase(window);
  m_hWnd = nullptr;
  return window;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, LPVOID parameter) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT create{parameter, AfxGetInstanceHandle(), menu, parent, height, width, y, x, static_cast<LONG>(style),
                      windowName, className, exStyle};
  if (!PreCreateWindow(create)) return FALSE;
  className = create.lpszClass ? create.lpszClass : kFrameworkClass;
  if (!EnsureFrameworkClass(className)) return FALSE;
  m_dwStyle = static_cast<DWORD>(create.style);
  m_pParentWnd = FromHandlePermanent(parent);
  if (m_dwStyle & WS_CHILD) m_nID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(menu));
  if (m_pParentWnd) Children()[m_pParentWnd].push_back(this);
  if (AfxDesktopActive()) {
    QWidget* parentWidget = m_pParentWnd ? m_pParentWnd->GetChildParentWidget() : nullptr;
    m_pWidget = CreateWidget(parentWidget);
    if (m_pWidget) {
      m_pWidget->setProperty("afxWnd", QVariant::fromValue(static_cast<void*>(this)));
      auto* bridge = new AfxWidgetBridge(this);
      m_pBridge = bridge;
      m_pWidget->installEventFilter(bridge);
      if (create.lpszName && !(m_dwStyle & WS_CHILD)) m_pWidget->setWindowTitle(AfxToQString(create.lpszName));
      if (create.lpszName && (m_dwStyle & WS_CHILD)) SetWindowText(create.lpszName);
      if (create.cx > 0 && create.cy > 0) m_pWidget->setGeometry(create.x, create.y, create.cx, create.cy);
      if (m_pParentWnd) m_pParentWnd->AddChildWidget(this);
    }
  }
  t_creating = this;
  HWND window = CreateWindowExA(create.dwExStyle, className, create.lpszName, m_dwStyle, create.x, create.y,
                                create.cx, create.cy, parent, menu, AfxGetInstanceHandle(), parameter);
  t_creating = nullptr;
  if (window && !m_hWnd) Attach(window);  // a class of someone else's procedure
  if (!window) {
    DestroyWidget();
    if (m_pParentWnd) std::erase(Children()[m_pParentWnd], this);
    m_pParentWnd = nullptr;
    return FALSE;
  }
  if (m_pWidget) {
    QSize size = m_pWidget->size();
    ::MoveWindow(m_hWnd, 0, 0, size.width(), size.height(), FALSE);
    if ((m_dwStyle & WS_VISIBLE) && (m_dwStyle & WS_CHILD)) m_pWidget->show();
  }
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id, LPVOID parameter) {
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), parameter);
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void* context) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, context);
}

QWidget* CWnd::CreateWidget(QWidget* parent) { return new QWidget(parent); }

void CWnd::AddChildWidget(CWnd*) {}

void CWnd::DestroyWidget() {
  for (auto& timer : m_timers) delete static_cast<QTimer*>(timer.second);
  m_timers.clear();
  if (!m_pWidget) return;
  QWidget* widget = m_pWidget;
  m_pWidget = nullptr;
  widget->setProperty("afxWnd", QVariant());
  widget->removeEventFilter(m_pBridge);
  if (auto* sub = qobject_cast<QMdiSubWindow*>(widget->parentWidget())) sub->removeEventFilter(m_pBridge);
  delete m_pBridge;
  m_pBridge = nullptr;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(widget->parentWidget())) widget = sub;
  widget->hide();
  delete widget;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  // Children first, as their parent's widget takes theirs along.
  std::vector<CWnd*> children = Children()[this];
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if ((*it)->m_hWnd) (*it)->DestroyWindow();
  }
  return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (result) *result = 0;
    return OnCommand(wParam, lParam);
  }
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (result) *result = 0;
    return header && DispatchNotify(header->code, static_cast<UINT>(header->idFrom), lParam, result);
  }
  return DispatchWindowMessage(message, wParam, lParam, result);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), nullptr, nullptr);
}

BOOL CWnd::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  return CCmdTarget::OnCmdMsg(id, code, extra, handlerInfo);
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }

void CWnd::OnClose() { DestroyWindow(); }

CFrameWnd* CWnd::GetParentFrame() const {
  for (CWnd* parent = m_pParentWnd; parent; parent = parent->m_pParentWnd) {
    if (auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, parent)) return frame;
  }
  return nullptr;
}

CWnd* CWnd::GetDlgItem(int id) const {
  auto found = Children().find(this);
  if (found == Children().end()) return nullptr;
  for (CWnd* child : found->second) {
    if (child->GetDlgCtrlID() == id) return child;
  }
  return nullptr;
}

void CWnd::SetWindowText(LPCSTR text) {
  if (!m_pWidget) return;
  if (m_pWidget->isWindow() || qobject_cast<QMdiSubWindow*>(m_pWidget->parentWidget())) {
    QWidget* window = m_pWidget->parentWidget() && qobject_cast<QMdiSubWindow*>(m_pWidget->parentWidget())
                          ? m_pWidget->parentWidget()
                          : m_pWidget;
    window->setWindowTitle(AfxToQString(text));
    m_pWidget->setWindowTitle(AfxToQString(text));
    return;
  }
  QByteArray name = "text";
  if (m_pWidget->metaObject()->indexOfProperty("plainText") >= 0) name = "plainText";
  else if (m_pWidget->metaObject()->indexOfProperty("title") >= 0) name = "title";
  if (m_pWidget->metaObject()->indexOfProperty(name) >= 0) {
    m_pWidget->setProperty(name, AfxMenuText(text));
  } else {
    m_pWidget->setWindowTitle(AfxToQString(text));
  }
}

CString CWnd::GetWindowTextString() const {
  if (!m_pWidget) return CString();
  for (const char* name : {"plainText", "text", "title", "currentText"}) {
    if (m_pWidget->metaObject()->indexOfProperty(name) >= 0) {
      return AfxFromQString(m_pWidget->property(name).toString());
    }
  }
  return AfxFromQString(m_pWidget->windowTitle());
}

void CWnd::GetWindowText(CString& text) const { text = GetWindowTextString(); }

BOOL CWnd::ShowWindow(int command) {
  if (!m_pWidget) return FALSE;
  BOOL wasVisible = m_pWidget->isVisible();
  QWidget* widget = m_pWidget;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(widget->parentWidget())) widget = sub;
  switch (command) {
    case SW_HIDE:
      widget->hide();
      break;
    case SW_SHOWMAXIMIZED:
      widget->showMaximized();
      break;
    default:
      widget->show();
      break;
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_pWidget && m_pWidget->isVisible(); }

BOOL CWnd::IsZoomed() const {
  if (!m_pWidget) return FALSE;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(m_pWidget->parentWidget())) return sub->isMaximized();
  return m_pWidget->isMaximized();
}

BOOL CWnd::EnableWindow(BOOL enable) {
  if (!m_pWidget) return FALSE;
  BOOL wasDisabled = !m_pWidget->isEnabled();
  m_pWidget->setEnabled(enable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_pWidget && m_pWidget->isEnabled(); }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  if (m_pWidget) {
    m_pWidget->setGeometry(x, y, width, height);
  } else if (m_hWnd) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
}

void CWnd::MoveWindow(const RECT* rect, BOOL repaint) {
  MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::GetClientRect(LPRECT rect) const {
  if (m_pWidget) {
    *rect = RECT{0, 0, m_pWidget->width(), m_pWidget->height()};
  } else if (!m_hWnd || !::GetClientRect(m_hWnd, rect)) {
    *rect = RECT{0, 0, 0, 0};
  }
}

void CWnd::GetWindowRect(LPRECT rect) const {
  if (!m_pWidget) {
    GetClientRect(rect);
    return;
  }
  QPoint at = m_pWidget->mapToGlobal(QPoint(0, 0));
  *rect = RECT{at.x(), at.y(), at.x() + m_pWidget->width(), at.y() + m_pWidget->height()};
}

void CWnd::ScreenToClient(LPPOINT point) const {
  if (!m_pWidget) return;
  QPoint at = m_pWidget->mapFromGlobal(QPoint(point->x, point->y));
  *point = POINT{at.x(), at.y()};
}

void CWnd::ClientToScreen(LPPOINT point) const {
  if (!m_pWidget) return;
  QPoint at = m_pWidget->mapToGlobal(QPoint(point->x, point->y));
  *point = POINT{at.x(), at.y()};
}

CWnd* CWnd::SetFocus() {
  CWnd* previous = GetFocus();
  if (m_pWidget) m_pWidget->setFocus(Qt::OtherFocusReason);
  return previous;
}

CWnd* CWnd::GetFocus() {
  if (!AfxDesktopActive()) return nullptr;
  return WindowOfWidget(QApplication::focusWidget());
}

void CWnd::Invalidate(BOOL) {
  if (m_pWidget) m_pWidget->update();
}

void CWnd::UpdateWindow() {
  if (m_pWidget) m_pWidget->repaint();
}

void CWnd::SetRedraw(BOOL redraw) {
  if (m_pWidget) m_pWidget->setUpdatesEnabled(redraw != FALSE);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, void*) {
  if (!m_pWidget || !m_hWnd) return 0;
  KillTimer(id);
  auto* timer = new QTimer(m_pWidget);
  timer->setInterval(static_cast<int>(std::max<UINT>(elapse, 1)));
  HWND window = m_hWnd;
  QObject::connect(timer, &QTimer::timeout, [window, id] { ::SendMessageA(window, WM_TIMER, id, 0); });
  timer->start();
  m_timers.emplace_back(id, timer);
  return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
  auto found = std::find_if(m_timers.begin(), m_timers.end(), [id](const auto& timer) { return timer.first == id; });
  if (found == m_timers.end()) return FALSE;
  delete static_cast<QTimer*>(found->second);
  m_timers.erase(found);
  return TRUE;
}
