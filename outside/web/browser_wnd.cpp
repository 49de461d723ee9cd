#include "browser_wnd.h"

#include <QtCore/QUrl>
#include <QtWidgets/QTextBrowser>

namespace {

// A plain path or a "file://" URL, whose path may use backslashes as the
// program's own paths do ("file://\\folder\\page.htm"), is a local file.
QUrl UrlOf(LPCSTR url) {
  QString text = QString::fromLocal8Bit(url);
  if (text.startsWith(QLatin1String("file://"))) {
    QString path = text.mid(7).replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1String("//"))) path.remove(0, 1);
    return QUrl::fromLocalFile(path);
  }
  const QUrl parsed(text);
  return parsed.scheme().isEmpty() || parsed.scheme().size() == 1 ? QUrl::fromLocalFile(text) : parsed;
}

}  // namespace

QWidget* CBrowserWnd::CreateWidget(QWidget* parent) {
  auto* browser = new QTextBrowser(parent);
  // Links go through Navigate2, so that the virtuals see them.
  browser->setOpenLinks(false);
  QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [this](const QUrl& link) {
    Navigate2(link.toString().toLocal8Bit().constData());
  });
  QObject::connect(browser, &QTextBrowser::sourceChanged, browser, [this](const QUrl& source) {
    OnNavigateComplete2(source.toString().toLocal8Bit().constData());
  });
  return browser;
}

QTextBrowser* CBrowserWnd::Browser() const { return qobject_cast<QTextBrowser*>(GetWidget()); }

BOOL CBrowserWnd::Navigate2(LPCSTR url, DWORD, LPCSTR, LPCVOID, LPCSTR, DWORD) {
  QTextBrowser* browser = Browser();
  if (browser == nullptr || url == nullptr) return FALSE;
  QUrl target = UrlOf(url);
  if (target.isRelative() && browser->source().isValid()) target = browser->source().resolved(target);
  BOOL cancel = FALSE;
  OnBeforeNavigate2(target.toString().toLocal8Bit().constData(), cancel);
  if (cancel) return FALSE;
  browser->setSource(target);
  return TRUE;
}

void CBrowserWnd::OnSize(UINT, int width, int height) {
  if (QWidget* widget = GetWidget()) widget->resize(width, height);
}

void CBrowserWnd::GoBack() {
  if (QTextBrowser* browser = Browser()) browser->backward();
}

void CBrowserWnd::GoForward() {
  if (QTextBrowser* browser = Browser()) browser->forward();
}

CString CBrowserWnd::GetLocationURL() const {
  QTextBrowser* browser = Browser();
  return browser != nullptr ? CString(browser->source().toString().toLocal8Bit().constData()) : CString();
}

void CBrowserWnd::OnBeforeNavigate2(LPCSTR, BOOL&) {}

void CBrowserWnd::OnNavigateComplete2(LPCSTR) {}
