#include "input_manager.h"

#include <afxwin.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>

#include <cstring>
#include <utility>

namespace {

CInputManager s_inputManager;

// The key code of a Qt key; 0 for the keys without one.
BYTE KeyCode(int key) {
  static const char* const rows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static const BYTE firstCodes[] = {0x02, 0x10, 0x1E, 0x2C};
  for (int row = 0; row < 4; ++row) {
    if (const char* at = key < 128 ? std::strchr(rows[row], key) : nullptr; at != nullptr && key != 0) {
      return static_cast<BYTE>(firstCodes[row] + (at - rows[row]));
    }
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10) return static_cast<BYTE>(0x3B + (key - Qt::Key_F1));
  static const std::pair<int, BYTE> others[] = {
      {Qt::Key_Escape, DIK_ESCAPE}, {Qt::Key_Minus, 0x0C},   {Qt::Key_Equal, 0x0D},    {Qt::Key_Backspace, 0x0E},
      {Qt::Key_Tab, 0x0F},          {Qt::Key_Return, 0x1C},  {Qt::Key_Control, 0x1D},  {Qt::Key_Shift, 0x2A},
      {Qt::Key_Alt, 0x38},          {Qt::Key_Space, 0x39},   {Qt::Key_Enter, 0x9C},    {Qt::Key_Home, 0xC7},
      {Qt::Key_Up, DIK_UP},         {Qt::Key_PageUp, 0xC9},  {Qt::Key_Left, DIK_LEFT}, {Qt::Key_Right, DIK_RIGHT},
      {Qt::Key_End, 0xCF},          {Qt::Key_Down, DIK_DOWN}, {Qt::Key_PageDown, 0xD1}, {Qt::Key_Insert, 0xD2},
      {Qt::Key_Delete, 0xD3},
  };
  for (const auto& [qtKey, code] : others) {
    if (qtKey == key) return code;
  }
  return 0;
}

int ButtonIndex(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 0;
    case Qt::RightButton: return 1;
    case Qt::MiddleButton: return 2;
    default: return -1;
  }
}

// Watches every widget event of the application and keeps those of one
// window and its children. A child of that window, so it goes with it.
class InputWatcher : public QObject {
 public:
  InputWatcher(CInputManager* manager, QWidget* window) : QObject(window), m_manager(manager), m_window(window) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != m_window) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) break;
        if (BYTE code = KeyCode(key->key()); code != 0) m_manager->InjectKey(code, event->type() == QEvent::KeyPress);
        break;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (int index = ButtonIndex(mouse->button()); index >= 0) {
          m_manager->InjectMouseButton(index, event->type() == QEvent::MouseButtonPress);
        }
        break;
      }
      case QEvent::MouseMove: {
        // A move may reach the filter once for each widget it travels up through;
        // the motion comes from the global position, so repeats add nothing.
        QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (m_hasLast) m_manager->InjectMouseMotion(at.x() - m_last.x(), at.y() - m_last.y(), 0);
        m_last = at;
        m_hasLast = true;
        break;
      }
      case QEvent::WindowDeactivate:
        if (watched == m_window) m_manager->ForgetHeldInput();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  CInputManager* m_manager;
  QWidget* m_window;
  QPoint m_last;
  bool m_hasLast = false;
};

}  // namespace

CInputManager* g_pInputManager = &s_inputManager;

CInputManager::CInputManager() = default;

CInputManager::~CInputManager() { ReleaseDevices(); }

bool CInputManager::CreateInputDevices(HWND window) {
  ReleaseDevices();
  CWnd* wnd = CWnd::FromHandlePermanent(window);
  QWidget* widget = wnd != nullptr ? wnd->GetWidget() : nullptr;
  if (widget == nullptr || QCoreApplication::instance() == nullptr) return false;
  auto* watcher = new InputWatcher(this, widget->window());
  QCoreApplication::instance()->installEventFilter(watcher);
  std::lock_guard guard(m_lock);
  m_pWatcher = watcher;
  m_bReady = true;
  return true;
}

bool CInputManager::IsReady() const {
  std::lock_guard guard(m_lock);
  return m_bReady;
}

bool CInputManager::AcquireDevices() { return IsReady(); }

void CInputManager::ForgetHeldInput() {
  std::lock_guard guard(m_lock);
  Clear();
}

void CInputManager::ReleaseDevices() {
  QPointer<QObject> watcher;
  {
    std::lock_guard guard(m_lock);
    watcher = std::exchange(m_pWatcher, nullptr);
    m_bReady = false;
    Clear();
  }
  // A watcher whose window is gone went with it.
  delete watcher.data();
}

HRESULT CInputManager::GetKeyboardDeviceState(BYTE** keys) {
  if (keys == nullptr) return E_POINTER;
  std::lock_guard guard(m_lock);
  if (!m_bReady) return DIERR_NOTINITIALIZED;
  m_keysRead = m_keys;
  *keys = m_keysRead.data();
  return S_OK;
}

HRESULT CInputManager::GetMouseDeviceState(DIMOUSESTATE** mouse) {
  if (mouse == nullptr) return E_POINTER;
  std::lock_guard guard(m_lock);
  if (!m_bReady) return DIERR_NOTINITIALIZED;
  m_mouseRead = m_mouse;
  m_mouse.lX = m_mouse.lY = m_mouse.lZ = 0;
  *mouse = &m_mouseRead;
  return S_OK;
}

void CInputManager::InjectKey(BYTE code, bool down) {
  std::lock_guard guard(m_lock);
  m_keys[code] = down ? 0x80 : 0;
}

void CInputManager::InjectMouseButton(int button, bool down) {
  if (button < 0 || button >= 4) return;
  std::lock_guard guard(m_lock);
  m_mouse.rgbButtons[button] = down ? 0x80 : 0;
}

void CInputManager::InjectMouseMotion(LONG dx, LONG dy, LONG dz) {
  std::lock_guard guard(m_lock);
  m_mouse.lX += dx;
  m_mouse.lY += dy;
  m_mouse.lZ += dz;
}

void CInputManager::Clear() {
  m_keys.fill(0);
  m_mouse = DIMOUSESTATE{};
}
