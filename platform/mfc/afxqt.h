// Inside the framework: how windows meet their Qt widgets. Only the
// framework's own sources include this header.
#pragma once

#include <QtCore/QEvent>
#include <QtCore/QObject>
#include <QtGui/QAction>
#include <QtWidgets/QWidget>

#include "afxwin.h"

// Turns a widget's events into the window messages of its CWnd.
class AfxWidgetBridge : public QObject {
 public:
  explicit AfxWidgetBridge(CWnd* wnd) : m_wnd(wnd) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

  // Framework internals that the widget code reaches through the bridge.
  static void SetWidget(CWnd* wnd, QWidget* widget) { wnd->m_pWidget = widget; }
  // The widget that wnd would make with style, for another window to use.
  static QWidget* MakeWidget(CWnd* wnd, QWidget* parent, DWORD style) {
    wnd->m_dwStyle = style;
    return wnd->CreateWidget(parent);
  }
  static void RouteCommand(CWnd* frame, UINT id);
  // The window now behind the widget (subclassing hands it over).
  void SetWnd(CWnd* wnd) { m_wnd = wnd; }
  static void ChildActivated(CMDIChildWnd* child, BOOL activate);

 private:
  CWnd* m_wnd;
};

// The window whose own widget this is (not a parent's), or NULL: controls'
// signals find their window through it, so that it may change hands.
CWnd* AfxWindowOfWidget(const QObject* widget);

// A static's parent may paint it first (WM_CTLCOLORSTATIC with a device
// context of the static's size); what it painted goes under the text.
void AfxPaintStaticColor(QWidget* label, CWnd* control);

// The update state of a command that a QAction shows, a menu item or a
// toolbar button: enabling and checking reach the action; only a menu item
// takes a text (a button keeps its picture).
class CActionCmdUI : public CCmdUI {
 public:
  CActionCmdUI(QAction* action, bool takesText) : m_action(action), m_takesText(takesText) {}
  void Enable(BOOL on) override;
  void SetCheck(int check) override;
  void SetText(LPCSTR text) override;

 private:
  QAction* m_action;
  bool m_takesText;
};

// Whether windows get widgets: a QApplication exists and this is its thread.
bool AfxDesktopActive();
// Text conversions between the framework's byte strings and Qt's.
QString AfxToQString(LPCSTR text);
CString AfxFromQString(const QString& text);
// A menu or button text of the framework: "&" marks the mnemonic as in Qt.
QString AfxMenuText(LPCSTR text);
