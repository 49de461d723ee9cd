// Device contexts over a QImage of the window's client area, shown in the
// window when the context goes; the cursor position and window states that
// GDI code asks for.
#include <QtGui/QCursor>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QMdiSubWindow>

#include "afxdesktop.h"
#include "afxqt.h"

namespace {

QColor ToQColor(COLORREF colour) { return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

}  // namespace

struct CDC::Impl {
  QImage image;
  UINT align = TA_LEFT | TA_TOP;
  COLORREF textColour = 0;
  int bkMode = OPAQUE;
  QFont font;
};

CDC::CDC() : m_pImpl(new Impl) {
  m_pImpl->image = QImage(1, 1, QImage::Format_RGBX8888);
  m_pImpl->image.fill(Qt::black);
}

CDC::~CDC() { delete m_pImpl; }

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
  if (!rect) return;
  QPainter painter(&m_pImpl->image);
  painter.fillRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
                   ToQColor(colour));
}

UINT CDC::SetTextAlign(UINT flags) { return std::exchange(m_pImpl->align, flags); }
COLORREF CDC::SetTextColor(COLORREF colour) { return std::exchange(m_pImpl->textColour, colour); }
int CDC::SetBkMode(int mode) { return std::exchange(m_pImpl->bkMode, mode); }

BOOL CDC::TextOut(int x, int y, LPCSTR text) {
  QString string = AfxToQString(text);
  QFontMetrics metrics(m_pImpl->font, &m_pImpl->image);
  int width = metrics.horizontalAdvance(string);
  int left = (m_pImpl->align & TA_CENTER) == TA_CENTER ? x - width / 2 : x;
  int baseline = (m_pImpl->align & TA_BASELINE) == TA_BASELINE ? y : y + metrics.ascent();
  QPainter painter(&m_pImpl->image);
  painter.setFont(m_pImpl->font);
  if (m_pImpl->bkMode == OPAQUE) {
    painter.fillRect(QRect(left, baseline - metrics.ascent(), width, metrics.height()), Qt::white);
  }
  painter.setPen(ToQColor(m_pImpl->textColour));
  painter.drawText(QPoint(left, baseline), string);
  return TRUE;
}

SIZE CDC::GetTextExtent(LPCSTR text) const {
  QFontMetrics metrics(m_pImpl->font, &m_pImpl->image);
  return SIZE{metrics.horizontalAdvance(AfxToQString(text)), metrics.height()};
}

BOOL CDC::RectVisible(const RECT* rect) const {
  if (!rect) return FALSE;
  QRect wanted(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  return wanted.intersects(m_pImpl->image.rect());
}

COLORREF CDC::GetPixel(int x, int y) const {
  if (!m_pImpl->image.valid(x, y)) return static_cast<COLORREF>(-1);
  QRgb pixel = m_pImpl->image.pixel(x, y);
  return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

CClientDC::CClientDC(CWnd* window) : m_pWindow(window) {
  RECT client{0, 0, 0, 0};
  if (window) window->GetClientRect(&client);
  int width = std::max<int>(client.right - client.left, 1), height = std::max<int>(client.bottom - client.top, 1);
  m_pImpl->image = QImage(width, height, QImage::Format_RGBX8888);
  m_pImpl->image.fill(Qt::white);
}

CClientDC::~CClientDC() {
  const QImage& image = m_pImpl->image;
  AfxShowPicture(m_pWindow, image.constBits(), static_cast<UINT>(image.width()), static_cast<UINT>(image.height()),
                 static_cast<UINT>(image.bytesPerLine()));
}

BOOL CWnd::IsIconic() const {
  if (!m_pWidget) return FALSE;
  QWidget* widget = m_pWidget;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(widget->parentWidget())) widget = sub;
  return widget->isMinimized();
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point || !AfxDesktopActive()) return FALSE;
  QPoint at = QCursor::pos();
  *point = POINT{at.x(), at.y()};
  return TRUE;
}
