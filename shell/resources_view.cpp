// The resources of the 3D views, the splitter frame's panes and the job
// messages: their strings.
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

void RegisterViewResources() {
  const char kNotEnoughMemory[] = "Not enough memory.  You should close or resize some Qorvex Vorever windows.";
  AfxRegisterString(IDS_VIEW_INITIALIZATION_FAILED, kNotEnoughMemory);
  AfxRegisterString(IDS_VIEW_FRAME_FAILED, kNotEnoughMemory);
  AfxRegisterString(IDS_VIEW_RESIZE_FAILED, kNotEnoughMemory);
  AfxRegisterString(IDS_DEVICE_LOST, "The Direct3D device is lost.  Close Qorvex Vorever and launch it again.");
  AfxRegisterString(IDS_FAILED_TO_LOAD_FILE, "Failed to load the file");
  AfxRegisterString(ID_TOOLS_OBJECTS_VIEWER, "Display the world objects viewer in the tool pane\nDisplay object viewer");
  AfxRegisterString(ID_TOOLS_LIGHTS_MANAGER, "Display the world lights manager in the tool pane\nDisplay lights manager");
  AfxRegisterString(ID_TOOLS_TASKS_VIEWER, "Display the world tasks viewer in the tool pane\nDisplay tasks viewer");
  AfxRegisterString(ID_TOOLS_REDUCTION_OPTIONS, "Display the reduction options in the tool pane\nDisplay reduction options");
  AfxRegisterString(ID_PANES_RESIZE, "Resize the two panes of the document\nResize document panes");
  AfxRegisterString(ID_PANES_HIDE_TOOL_PANE, "Hide the document tool pane\nHide document tool pane");
  AfxRegisterString(ID_PANES_HIDE_3D_PANE, "Hide the document 3d pane\nHide document 3d pane");
  AfxRegisterString(ID_VIEW_1VIEW, "Display one 3D view\nOne 3D view");
  AfxRegisterString(ID_VIEW_2VIEWS, "Display two 3D views\nTwo 3D views");
  AfxRegisterString(ID_VIEW_4VIEWS, "Display four 3D views\nFour 3D views");
}

const bool g_registered = (RegisterViewResources(), true);

}  // namespace
