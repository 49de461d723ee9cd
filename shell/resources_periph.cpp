// Resources of the scene tree, trace and threads views, the lights form, the
// help windows, the about box and the device-creation log.
#include <afxres.h>
#include <afxwin.h>

#include <vector>

#include "resource.h"

namespace {

void RegisterStrings() {
  AfxRegisterString(ID_HELP_BACK, "Back\nBack");
  AfxRegisterString(ID_HELP_FORWARD, "Forward\nForward");
  AfxRegisterString(IDS_LIGHT_CREATED, "A new light is created.");
  AfxRegisterString(IDS_LIGHT_DELETED, "The light is successfully deleted");
  AfxRegisterString(IDS_LIGHT_SAVED, "The light properties are saved.");
  AfxRegisterString(IDS_NEXT_LIGHT_SHOWN, "The next light is displayed.");
  AfxRegisterString(IDS_PREV_LIGHT_SHOWN, "The previous light is displayed.");
  AfxRegisterString(IDS_LAST_LIGHT_SHOWN, "The last light is displayed.");
  AfxRegisterString(IDS_FIRST_LIGHT_SHOWN, "The first light is displayed.");
  AfxRegisterString(IDS_LIGHT_CREATION_FAILED, "The creation of the light failed.");
  AfxRegisterString(IDS_LIGHT_NOT_SAVED, "Cannot save the light properties in the device.");
  AfxRegisterString(IDS_NEXT_LIGHT_FAILED, "Failed to display the next light.");
  AfxRegisterString(IDS_PREV_LIGHT_FAILED, "Failed to display the previous light.");
  AfxRegisterString(IDS_FIRST_LIGHT_FAILED, "Failed to display the first light.");
  AfxRegisterString(IDS_LAST_LIGHT_FAILED, "Failed to display the last light.");
  AfxRegisterString(IDS_CURRENT_LIGHT_FAILED, "Failed to display the current light.");
  AfxRegisterString(IDS_LIGHT_NOT_DESTROYED, "Failed to destroy the light.");
}

void RegisterToolBars() {
  AfxRegisterToolBar(IDR_HELP_TOOLBAR, {{ID_HELP_BACK, nullptr}, {ID_HELP_FORWARD, nullptr}});
}

// One colour group of the lights form at (x, y): its frame, the large
// sample, and for red, green and blue a channel sample, the up-down and the
// hidden edit that holds the value.
void AddColourGroup(std::vector<AfxDialogItem>& items, LPCSTR title, int y, const UINT (&ids)[10]) {
  items.push_back({WC_BUTTON, title, 0, 4, y, 173, 36, WS_VISIBLE | BS_GROUPBOX});
  items.push_back({WC_STATIC, "", ids[0], 10, y + 11, 40, 20, WS_VISIBLE | SS_NOTIFY | WS_BORDER});
  for (int channel = 0; channel < 3; ++channel) {
    int x = 58 + channel * 40;
    items.push_back({WC_STATIC, "", ids[1 + channel], x, y + 14, 14, 14, WS_VISIBLE | SS_NOTIFY | WS_BORDER});
    items.push_back({UPDOWN_CLASS, "", ids[4 + channel], x + 16, y + 13, 12, 16,
                     WS_VISIBLE | UDS_ARROWKEYS | UDS_NOTHOUSANDS});
    items.push_back({WC_EDIT, "", ids[7 + channel], x, y + 14, 14, 14, ES_AUTOHSCROLL});
  }
}

void RegisterLightsForm() {
  std::vector<AfxDialogItem> items = {
      {WC_BUTTON, "Lights manager", 0, 2, 2, 177, 256, WS_VISIBLE | BS_GROUPBOX},
      {WC_BUTTON, "Ambient light enabled", IDC_AMBIENT_LIGHT_ENABLED, 8, 12, 160, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "Diffuse color also considered as ambient", IDC_DIFFUSE_FOR_AMBIENT, 8, 24, 168, 10,
       WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "Directional light sources", 0, 4, 36, 173, 44, WS_VISIBLE | BS_GROUPBOX},
      {WC_BUTTON, "From front", IDC_LIGHT_FROM_FRONT, 10, 46, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "From back", IDC_LIGHT_FROM_BACK, 90, 46, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "From top", IDC_LIGHT_FROM_TOP, 10, 57, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "From bottom", IDC_LIGHT_FROM_BOTTOM, 90, 57, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "From left", IDC_LIGHT_FROM_LEFT, 10, 68, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
      {WC_BUTTON, "From right", IDC_LIGHT_FROM_RIGHT, 90, 68, 70, 10, WS_VISIBLE | BS_AUTOCHECKBOX},
  };
  AddColourGroup(items, "Light diffuse color", 84,
                 {IDC_DIFFUSE_SAMPLE, IDC_DIFFUSE_RED_SAMPLE, IDC_DIFFUSE_GREEN_SAMPLE, IDC_DIFFUSE_BLUE_SAMPLE,
                  IDC_DIFFUSE_RED_SPIN, IDC_DIFFUSE_GREEN_SPIN, IDC_DIFFUSE_BLUE_SPIN, IDC_DIFFUSE_RED,
                  IDC_DIFFUSE_GREEN, IDC_DIFFUSE_BLUE});
  AddColourGroup(items, "Light specular color", 122,
                 {IDC_SPECULAR_SAMPLE, IDC_SPECULAR_RED_SAMPLE, IDC_SPECULAR_GREEN_SAMPLE, IDC_SPECULAR_BLUE_SAMPLE,
                  IDC_SPECULAR_RED_SPIN, IDC_SPECULAR_GREEN_SPIN, IDC_SPECULAR_BLUE_SPIN, IDC_SPECULAR_RED,
                  IDC_SPECULAR_GREEN, IDC_SPECULAR_BLUE});
  AddColourGroup(items, "Light ambient color", 160,
                 {IDC_AMBIENT_SAMPLE, IDC_AMBIENT_RED_SAMPLE, IDC_AMBIENT_GREEN_SAMPLE, IDC_AMBIENT_BLUE_SAMPLE,
                  IDC_AMBIENT_RED_SPIN, IDC_AMBIENT_GREEN_SPIN, IDC_AMBIENT_BLUE_SPIN, IDC_AMBIENT_RED,
                  IDC_AMBIENT_GREEN, IDC_AMBIENT_BLUE});
  AddColourGroup(items, "Background color", 198,
                 {IDC_BACKGROUND_SAMPLE, IDC_BACKGROUND_RED_SAMPLE, IDC_BACKGROUND_GREEN_SAMPLE,
                  IDC_BACKGROUND_BLUE_SAMPLE, IDC_BACKGROUND_RED_SPIN, IDC_BACKGROUND_GREEN_SPIN,
                  IDC_BACKGROUND_BLUE_SPIN, IDC_BACKGROUND_RED, IDC_BACKGROUND_GREEN, IDC_BACKGROUND_BLUE});
  items.push_back({WC_BUTTON, "&Reset", IDC_RESET_LIGHTS, 64, 240, 50, 14, WS_VISIBLE | WS_TABSTOP});
  AfxRegisterDialog(IDD_LIGHTS_FORM, {"", 181, 260, WS_CHILD, "MS Sans Serif", 8, items});
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
  RegisterLightsForm();
  return true;
}();

}  // namespace
