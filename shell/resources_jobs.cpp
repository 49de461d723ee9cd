// Resources of the document's commands and of the import and export dialogs.
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

void RegisterStrings() {
  AfxRegisterString(ID_VIEW_LIGHTS_MANAGER, "Show or hide the lights manager\nToggle Lights Manager");
  AfxRegisterString(ID_CREATE_CONNECTIVITY_FRAME,
                    "Convert the selected 3D object into a connectivity frame\nCreate connectivity frame");
  AfxRegisterString(ID_CREATE_PROGRESSIVE_FRAME,
                    "Convert the selected 3D object into a progressive frame\nCreate progressive frame");
  AfxRegisterString(ID_CREATE_RETAINED_MODE_FRAME,
                    "Convert the reduced mesh into a standard retained mode mesh\nCreate retained mode mesh");
  AfxRegisterString(ID_TURBO_MODE_SWITCH, "Switch turbo mode on or off\nTurbo mode");
  AfxRegisterString(ID_PREVIOUS_WORLD_OBJECT, "Go back\nGo back");
  AfxRegisterString(ID_NEXT_WORLD_OBJECT, "Go forward\nGo forward");
  AfxRegisterString(ID_DO_IT_ALL_PMESH,
                    "Import a 3D file and make its progressive and retained mode meshes in one step\nDo it all");
  AfxRegisterString(ID_REDUCE_TRIANGLES, "Reduce the triangles count of the selected connectivity frame\nReduce");
  AfxRegisterString(ID_REDUCE_TRIANGLES_MENU,
                    "Reduce the triangles count of the selected connectivity frame\nReduce");
  AfxRegisterString(IDS_FAILED_TO_LOAD_FILE, "Failed to load the file");
}

constexpr DWORD kCheck = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kRadio = WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kGroup = WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// The converter's switches that the user does not set: no caption and not
// visible, but their values go back and forth with the others.
constexpr DWORD kHiddenCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kHiddenEdit = ES_AUTOHSCROLL;

void RegisterDialogs() {
  // The child templates of the two file dialogs: one options button each.
  AfxRegisterDialog(IDD_SAVE_FILE_TEMPLATE,
                    {"", 60, 20, WS_CHILD, "MS Sans Serif", 8,
                     {{WC_BUTTON, "O&ptions...", IDC_XSAVE_OPTIONS_BUTTON, 0, 0, 50, 14, kButton}}});
  AfxRegisterDialog(IDD_IMPORT_FILE_TEMPLATE,
                    {"", 60, 20, WS_CHILD, "MS Sans Serif", 8,
                     {{WC_BUTTON, "O&ptions...", IDC_IMPORT_OPTIONS_BUTTON, 0, 0, 50, 14, kButton}}});
  AfxRegisterDialog(IDD_XFILE_SAVE_OPTIONS,
                    {"X File Save options",
                     170,
                     90,
                     WS_POPUP | WS_CAPTION,
                     "MS Sans Serif",
                     8,
                     {{WC_BUTTON, "X file format", 0, 7, 7, 90, 40, kGroup},
                      {WC_BUTTON, "Binary", IDC_XSAVE_BINARY, 15, 18, 70, 10, kRadio | WS_GROUP},
                      {WC_BUTTON, "Text", IDC_XSAVE_TEXT, 15, 31, 70, 10, kRadio},
                      {WC_BUTTON, "Compressed", IDC_XSAVE_COMPRESSED, 7, 52, 90, 10, kCheck},
                      {WC_BUTTON, "Save templates", IDC_XSAVE_TEMPLATES, 7, 66, 90, 10, kCheck},
                      {WC_BUTTON, "OK", IDOK, 110, 7, 50, 14, kButton | BS_DEFPUSHBUTTON},
                      {WC_BUTTON, "Cancel", IDCANCEL, 110, 25, 50, 14, kButton}}});
  AfxRegisterDialog(
      IDD_3DS_LOADING_OPTIONS,
      {"3ds file loading options",
       280,
       230,
       WS_POPUP | WS_CAPTION,
       "MS Sans Serif",
       8,
       {{WC_EDIT, "", IDC_3DS_VALUE_ALPHA_UNDER, 0, 0, 10, 10, kHiddenEdit},
        {WC_EDIT, "", IDC_3DS_VALUE_ALPHA_ADD, 0, 0, 10, 10, kHiddenEdit},
        {WC_EDIT, "", IDC_3DS_VALUE_SCALING, 0, 0, 10, 10, kHiddenEdit},
        {WC_BUTTON, "", IDC_3DS_SWITCH_NO_FRAME_TRANSFORM, 0, 0, 10, 10, kHiddenCheck},
        {WC_BUTTON, "", IDC_3DS_SWITCH_NO_TEXTURE, 0, 0, 10, 10, kHiddenCheck},
        {WC_BUTTON, "", IDC_3DS_SWITCH_WRAP_TOP_FRAME, 0, 0, 10, 10, kHiddenCheck},
        {WC_BUTTON, "Loading method", 0, 7, 7, 200, 40, kGroup},
        {WC_BUTTON, "Direct import", IDC_3DS_DIRECT_IMPORT, 15, 18, 120, 10, kRadio | WS_GROUP},
        {WC_BUTTON, "Using conv3ds utility", IDC_3DS_USE_CONVERTER, 15, 31, 120, 10, kRadio},
        {WC_BUTTON, "Direct import options", 0, 7, 52, 200, 26, kGroup},
        {WC_BUTTON, "Reverse winding order", IDC_3DS_DIRECT_REVERSE_WINDING, 15, 63, 120, 10, kCheck},
        {WC_BUTTON, "conv3ds utility options", 0, 7, 83, 200, 140, kGroup},
        {WC_BUTTON, "Make a single mesh", IDC_3DS_SINGLE_MESH, 15, 94, 120, 10, kCheck},
        {WC_BUTTON, "Flatten hierarchy", IDC_3DS_FLATTEN_HIERARCHY, 15, 107, 120, 10, kCheck},
        {WC_BUTTON, "Reverse winding order", IDC_3DS_REVERSE_WINDING, 15, 120, 120, 10, kCheck},
        {WC_BUTTON, "Use Lightwave arguments", IDC_3DS_LIGHTWAVE, 15, 133, 120, 10, kCheck},
        {WC_STATIC, "Change texture file extension", 0, 15, 148, 100, 10, WS_VISIBLE},
        {WC_EDIT, "", IDC_3DS_TEXTURE_EXTENSION, 120, 146, 30, 12, kEdit},
        {WC_BUTTON, "Off", IDC_3DS_VERBOSE_OFF, 15, 164, 40, 10, kRadio | WS_GROUP},
        {WC_BUTTON, "Some", IDC_3DS_VERBOSE_SOME, 60, 164, 40, 10, kRadio},
        {WC_BUTTON, "More", IDC_3DS_VERBOSE_MORE, 105, 164, 40, 10, kRadio},
        {WC_BUTTON, "Debugging", IDC_3DS_VERBOSE_DEBUGGING, 150, 164, 50, 10, kRadio},
        {WC_STATIC, "conv3ds Arguments", 0, 15, 180, 100, 10, WS_VISIBLE},
        {WC_EDIT, "", IDC_3DS_ARGUMENTS, 15, 192, 185, 12, kEdit | ES_READONLY},
        {WC_BUTTON, "OK", IDOK, 220, 7, 50, 14, kButton | BS_DEFPUSHBUTTON},
        {WC_BUTTON, "Cancel", IDCANCEL, 220, 25, 50, 14, kButton},
        {WC_BUTTON, "&Reset", IDC_3DS_RESET, 220, 43, 50, 14, kButton}}});
}

const bool g_registered = [] {
  RegisterStrings();
  RegisterDialogs();
  return true;
}();

}  // namespace
