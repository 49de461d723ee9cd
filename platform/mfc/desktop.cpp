#include <QtCore/QDeadlineTimer>
#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <atomic>
#include <cstdlib>

#include "afxdesktop.h"
#include "afxqt.h"

namespace {

// The desktop of the process, NULL when there is none.
std::atomic<CAfxDesktop*> g_desktop{nullptr};

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (!AfxDesktopActive()) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return IDOK;
  }
  CWnd* ownerWnd = CWnd::FromHandlePermanent(owner);
  QMessageBox box(ownerWnd ? ownerWnd->GetWidget() : nullptr);
  box.setWindowTitle(AfxToQString(caption));
  box.setText(AfxToQString(text));
  switch (type & 0xF0u) {
    case MB_ICONSTOP:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box.setIcon(QMessageBox::Question);
      break;
    case MB_ICONWARNING:
      box.setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  struct Choice {
    QMessageBox::StandardButton button;
    int answer;
  };
  std::vector<Choice> choices;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNO:
      choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
      break;
    case MB_YESNOCANCEL:
      choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_RETRYCANCEL:
      choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_ABORTRETRYIGNORE:
      choices = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
      break;
    default:
      choices = {{QMessageBox::Ok, IDOK}};
      break;
  }
  QMessageBox::StandardButtons buttons;
  for (const Choice& choice : choices) buttons |= choice.button;
  box.setStandardButtons(buttons);
  auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const Choice& choice : choices) {
    if (choice.button == pressed) return choice.answer;
  }
  return choices.size() > 1 ? choices.back().answer : IDOK;
}

}  // namespace

struct CAfxDesktop::Impl {
  std::unique_ptr<QApplication> app;
  QObject pump;
  std::atomic<bool> pumpScheduled{false};
  QTimer frameTimer;
  std::function<bool()> tick;
  int intervalMs = 16, idleMs = 200;
  DWORD thread = 0;
  MessageBoxHandler previousHandler = nullptr;
  bool showBoxes = false;
};

CAfxDesktop::CAfxDesktop(int& argc, char** argv, bool showMessageBoxes) : m_impl(std::make_unique<Impl>()) {
  m_impl->app = std::make_unique<QApplication>(argc, argv);
  m_impl->thread = GetCurrentThreadId();
  m_impl->showBoxes = showMessageBoxes;
  g_desktop = this;
  SetMessageArrivalHook(
      m_impl->thread,
      [](DWORD, void* context) {
        auto* impl = static_cast<Impl*>(context);
        if (impl->pumpScheduled.exchange(true)) return;
        QMetaObject::invokeMethod(&impl->pump, [impl] {
          impl->pumpScheduled = false;
          if (CAfxDesktop* desktop = g_desktop.load()) desktop->PumpMessages();
        }, Qt::QueuedConnection);
      },
      m_impl.get());
  if (showMessageBoxes) m_impl->previousHandler = SetMessageBoxHandler(ShowMessageBox);
  QObject::connect(&m_impl->frameTimer, &QTimer::timeout, [impl = m_impl.get()] {
    bool moving = impl->tick && impl->tick();
    int wanted = moving ? impl->intervalMs : impl->idleMs;
    if (impl->frameTimer.interval() != wanted) impl->frameTimer.setInterval(wanted);
    if (CWinApp* app = AfxGetApp()) app->OnIdle(0);
  });
  // Messages posted before the desktop existed.
  QMetaObject::invokeMethod(&m_impl->pump, [this] { PumpMessages(); }, Qt::QueuedConnection);
}

CAfxDesktop::~CAfxDesktop() {
  m_impl->frameTimer.stop();
  SetMessageArrivalHook(m_impl->thread, nullptr, nullptr);
  if (m_impl->showBoxes) SetMessageBoxHandler(m_impl->previousHandler);
  g_desktop = nullptr;
  m_impl->app.reset();
}

void CAfxDesktop::PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      QCoreApplication::exit(static_cast<int>(msg.wParam));
      return;
    }
    if (msg.hwnd) {
      DispatchMessageA(&msg);
    } else if (CWinThread* thread = AfxGetThread()) {
      thread->PreTranslateMessage(&msg);
    }
  }
}

int CAfxDesktop::Run() {
  PumpMessages();
  return QApplication::exec();
}

void CAfxDesktop::SetFrameTick(std::function<bool()> tick, int intervalMs, int idleMs) {
  m_impl->tick = std::move(tick);
  m_impl->intervalMs = intervalMs;
  m_impl->idleMs = idleMs;
  m_impl->frameTimer.start(intervalMs);
}

bool CAfxDesktop::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    PumpMessages();
  }
  return true;
}

bool CAfxDesktop::SaveWindowPicture(CWnd* window, LPCSTR path) {
  if (!window || !window->GetWidget() || !path) return false;
  return window->GetWidget()->window()->grab().save(QString::fromLocal8Bit(path), "PNG");
}

bool CAfxDesktop::HasDisplay() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display && *display) || (wayland && *wayland);
}

namespace {

// The widget that shows pictures: the last one given, scaled to the widget.
class CPictureSurface : public QObject {
 public:
  explicit CPictureSurface(QWidget* widget) : QObject(widget), m_widget(widget) {
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
    widget->installEventFilter(this);
  }
  void Show(QImage image) {
    m_image = std::move(image);
    m_widget->update();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_widget && event->type() == QEvent::Paint && !m_image.isNull()) {
      QPainter painter(m_widget);
      painter.drawImage(m_widget->rect(), m_image);
      return true;
    }
    return false;
  }

 private:
  QWidget* m_widget;
  QImage m_image;
};

}  // namespace

void AfxShowPicture(CWnd* window, const BYTE* rgba, UINT width, UINT height, UINT pitch) {
  QWidget* widget = window ? window->GetWidget() : nullptr;
  if (!widget || !rgba || width == 0 || height == 0 || !AfxDesktopActive()) return;
  QImage image(rgba, static_cast<int>(width), static_cast<int>(height), static_cast<qsizetype>(pitch),
               QImage::Format_RGBX8888);
  auto* surface = widget->findChild<QObject*>("AfxPictureSurface", Qt::FindDirectChildrenOnly);
  if (!surface) {
    surface = new CPictureSurface(widget);
    surface->setObjectName("AfxPictureSurface");
  }
  static_cast<CPictureSurface*>(surface)->Show(image.copy());
}
