// Resources of the scene tree, trace and threads views, the lights form, the
// help windows, the about box and the device-creation log.
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

void RegisterStrings() {
  AfxRegisterString(ID_HELP_BACK, "Back\nBack");
  AfxRegisterString(ID_HELP_FORWARD, "Forward\nForward");
}

void RegisterToolBars() {
  AfxRegisterToolBar(IDR_HELP_TOOLBAR, {{ID_HELP_BACK, nullptr}, {ID_HELP_FORWARD, nullptr}});
}

void RegisterDialogs() {
  AfxRegisterDialog(IDD_ABOUTBOX, {"About Qorvex Vorever",
                                   260,
                                   190,
                                   WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                   "MS Sans Serif",
                                   8,
                                   {{WC_BUTTON, "OK", IDOK, 105, 166, 50, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON}}});
}

void RegisterThreadForm() {
  AfxRegisterDialog(IDD_THREAD_FORM,
                    {"",
                     160,
                     90,
                     WS_CHILD,
                     "MS Sans Serif",
                     8,
                     {{WC_BUTTON, "Current thread output metrics", 0, 4, 4, 152, 82, WS_VISIBLE | BS_GROUPBOX},
                      {WC_EDIT, "", IDC_THREAD_TITLE, 10, 16, 140, 30,
                       WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_READONLY},
                      {WC_STATIC, "Vertices", 0, 10, 52, 40, 10, WS_VISIBLE},
                      {WC_EDIT, "", IDC_THREAD_VERTICES, 54, 50, 96, 12, WS_VISIBLE | WS_BORDER | ES_READONLY},
                      {WC_STATIC, "Triangles", 0, 10, 68, 40, 10, WS_VISIBLE},
                      {WC_EDIT, "", IDC_THREAD_TRIANGLES, 54, 66, 96, 12, WS_VISIBLE | WS_BORDER | ES_READONLY}}});
}

const bool g_registered = [] {
  RegisterStrings();
  RegisterToolBars();
  RegisterDialogs();
  RegisterThreadForm();
  return true;
}();

}  // namespace
