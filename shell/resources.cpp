// The user interface's resources: strings, menus, accelerators, toolbars and
// dialog templates, registered when the library is loaded.
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

const char kDocumentStrings[] = "\nWorld\n\n\n\nVoreverWorld\nQorvex Vorever World";

void RegisterStrings() {
  AfxRegisterString(IDR_MAINFRAME, "Qorvex Vorever");
  for (UINT id : {IDR_3DVIEW, IDR_TREEVIEW, IDR_TRACEVIEW, IDR_SPLITTERFRAME, IDR_HELPVIEW, IDR_DEVICECREATIONLOG,
                  IDR_LIGHTSFORM}) {
    AfxRegisterString(id, kDocumentStrings);
  }
  AfxRegisterString(AFX_IDS_IDLEMESSAGE, "Ready");
  AfxRegisterString(ID_WINDOW_NEW_3DVIEW, "Open another 3D view window for the active document\nNew 3D View Window");
  AfxRegisterString(ID_INSERT_3DOBJECT_FROM_FILE, "Import a 3D file\nImport a 3D file");
  AfxRegisterString(ID_HELP_ABOUT_VOREVER, "About the Vorever product\nTAbout Vorever");
  AfxRegisterString(ID_HELP_QUICK_START, "Help for a quick start\nQuick start");
  AfxRegisterString(ID_VIEW_REDUCTION_STEPS_TOOLBAR, "Show or hide the reduction steps toolbar\nReduction steps toolbar");
  AfxRegisterString(ID_VIEW_DEVICE_CREATION_LOG, "Display the device creation log\nDisplay device creation log");
  AfxRegisterString(ID_HELP_TUTORIAL, "Polygon reduction tutorial\nTutorial");
  AfxRegisterString(ID_EXPORT_3DOBJECT,
                    "Export the selected retained mode object as a x file\nExport 3D object");
  AfxRegisterString(ID_APP_EXIT, "Quit the application\nExit");
  AfxRegisterString(ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows");
  AfxRegisterString(ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows");
  AfxRegisterString(
      IDS_DEVICE_CREATION_FAILED,
      "Failed to create a Direct3D device.  Check the log file for details.  You will be able to use Qorvex Vorever "
      "if you change your desktop display mode to match one of the valid adapter display modes that are listed in "
      "this log file.");
  AfxRegisterString(IDS_INPUT_DEVICES_FAILED,
                    "Failed to create the DirectInput devices.  You will not be able to pick the 3D objects and "
                    "navigate in the virtual world.");
  AfxRegisterString(
      IDS_NULL_REFERENCE_DEVICE,
      "A null reference device was selected because your video card does not support DirectX 8. Although you can "
      "use all the functionality of Qorvex Vorever, you will not be able to display the 3D objects. To use Qorvex "
      "Vorever you must install a video card which supports DirectX 8.");
}

// The main frame's menu: the commands of the main frame, by menu.
void RegisterMenus() {
  AfxRegisterMenu(IDR_MAINFRAME, {
                                     {0, 0, "&File"},
                                     {1, ID_INSERT_3DOBJECT_FROM_FILE, "&Import..."},
                                     {1, 0, nullptr},
                                     {1, ID_APP_EXIT, "E&xit"},
                                     {0, 0, "&View"},
                                     {1, 0, "&Toolbars"},
                                     {2, ID_VIEW_REDUCTION_STEPS_TOOLBAR, "&Reduction steps"},
                                     {1, ID_VIEW_DEVICE_CREATION_LOG, "&Device creation log"},
                                     {0, 0, "&Window"},
                                     {1, ID_WINDOW_NEW_3DVIEW, "&New 3D View Window"},
                                     {1, ID_WINDOW_CASCADE, "&Cascade"},
                                     {1, ID_WINDOW_TILE_HORZ, "&Tile"},
                                     {0, 0, "&Help"},
                                     {1, ID_HELP_QUICK_START, "&Quick start"},
                                     {1, ID_HELP_TUTORIAL, "&Tutorial"},
                                     {1, 0, nullptr},
                                     {1, ID_HELP_ABOUT_VOREVER, "&About Vorever..."},
                                 });
  AfxRegisterAccelerators(IDR_MAINFRAME, {{ID_INSERT_3DOBJECT_FROM_FILE, "Ctrl+I"}});
}

void RegisterToolBars() {
  AfxRegisterToolBar(IDR_PMESH_STEPS, {{ID_INSERT_3DOBJECT_FROM_FILE, "import.png"},
                                       {ID_CREATE_PMESH, "pmesh.png"},
                                       {ID_APPLY_PMESH_DISPLAY, "apply.png"},
                                       {ID_EXPORT_3DOBJECT, "export.png"}});
  AfxRegisterToolBar(IDR_CMESH_STEPS, {{ID_CREATE_CMESH, "cmesh.png"},
                                       {ID_SEPARATOR, nullptr},
                                       {ID_INSERT_3DOBJECT_FROM_FILE, "import.png"},
                                       {ID_CONVERT_DXMESH, "dxmesh.png"},
                                       {ID_REDUCE_TRIANGLES, "reduce.png"},
                                       {ID_APPLY_PMESH_DISPLAY, "apply.png"},
                                       {ID_EXPORT_3DOBJECT, "export.png"},
                                       {ID_SEPARATOR, nullptr},
                                       {ID_TURBO_MODE, "turbo.png"}});
}

void RegisterDialogs() {
  // The progress bar's empty strip.
  AfxRegisterDialog(IDD_PROGRESS_BAR, {"", 1195, 5, WS_CHILD, "MS Sans Serif", 8, {}});
}

const bool g_registered = [] {
  RegisterStrings();
  RegisterMenus();
  RegisterToolBars();
  RegisterDialogs();
  return true;
}();

}  // namespace
