// Resources of the document frames' toolbars, the 3D view windows and the
// animation and camera properties toolbars: prompts, tooltips, the list
// entries and the button pictures.
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

void RegisterStrings() {
  const struct {
    UINT id;
    LPCSTR text;
  } strings[] = {
      {ID_SHADING_FLAT, "Flat shading\nFlat shading"},
      {ID_SHADING_GOURAUD, "Gouraud shading\nGouraud shading"},
      {ID_FILLING_POINT, "Point filling\nPoint filling"},
      {ID_FILLING_WIREFRAME, "Wireframe filling\nWireframe filling"},
      {ID_FILLING_SOLID, "Solid filling\nSolid filling"},
      {ID_VIEW_BACK_VIEW, "Back view\nBack view"},
      {ID_VIEW_FRONT_VIEW, "Front view\nFront view"},
      {ID_VIEW_SIDE_VIEW_MINUS_X, "Left view\nLeft view"},
      {ID_VIEW_SIDE_VIEW_PLUS_X, "Right view\nRight view"},
      {ID_VIEW_TOP_VIEW, "Top view\nTop view"},
      {ID_VIEW_BOTTOM_VIEW, "Bottom view\nBottom view"},
      {ID_VIEW_3D_VIEW, "Unconstrained look at vector\nPerspective view"},
      {ID_CAMERA_UP_DOWN_MODE, "Camera up/down moving mode\nUp/Down camera mode"},
      {ID_CAMERA_FORWARD_BACKWARD_MODE, "Camera forward /backward moving mode\nForward/Backward camera mode"},
      {ID_VIEW_WORLD_CAGE, "Show or hide the world cage\nToggle world cage"},
      {ID_ANIMATION_PLAY, "Play animation\nPlay"},
      {ID_ANIMATION_PAUSE, "Pause animation\nPause"},
      {ID_ANIMATION_STOP, "Stop animation\nStop"},
      {ID_VIEW_3DVIEW_MODE_TOOLBAR, "Show or hide the 3D view toolbar\n3D view toolbar"},
      {ID_VIEW_PANES_TOOLBAR, "Show or hide the panes toolbar\nPanes toolbar"},
      {ID_VIEW_CAMERA_PROPERTIES_TOOLBAR, "Show or hide the camera properties toolbar\nCamera properties toolbar"},
      {ID_VIEW_ANIMATION_TOOLBAR, "Show or hide the animation toolbar\nAnimation toolbar"},
      {ID_NAVIGATION_FIRST, "Display the first one\nFirst"},
      {ID_NAVIGATION_PREVIOUS, "Display the previous one\nPrevious"},
      {ID_NAVIGATION_NEXT, "Display the next one\nNext"},
      {ID_NAVIGATION_LAST, "Display the last one\nLast"},
      {ID_NAVIGATION_CREATE, "Create a new one\nCreate"},
      {ID_NAVIGATION_DELETE, "Delete the current one\nDelete"},
      {ID_NAVIGATION_SAVE, "Save the changes\nSave"},
      {ID_NAVIGATION_CANCEL, "Cancel the changes\nCancel"},
      {IDS_VIEW_ALL_DEPTH, "View all depth"},
      {IDS_VIEW_NEARER, "View nearer (50%)"},
      {IDS_VIEW_CLOSER, "View closer (25%)"},
      {IDS_MACRO_MODE, "Macro mode (10%)"},
      {IDS_MICRO_MODE, "Micro mode (1%)"},
      {IDS_UNCONSTRAINED_DEPTH, "Unconstrained depth"},
      {IDS_TOOLBAR_FONT, "MS Sans Serif"},
      {IDC_CAMERA_SHRINK_FACTOR, "Select new camera depth of field\nChange depth of field"},
      {IDC_ANIMATION_SETS, "Selected animation set\nAnimation set"},
      {IDC_ANIMATION_TIME, "Animation time\nTime"},
      {IDC_ANIMATION_TIME_SPIN, "Animation time\nTime"},
      {IDC_ANIMATION_TICKS, "Animation ticks per second\nTicks per second"},
      {IDC_ANIMATION_TICKS_SPIN, "Animation ticks per second\nTicks per second"},
  };
  for (const auto& entry : strings) AfxRegisterString(entry.id, entry.text);
}

// Toolbars with their buttons, and the picture strips (bitmaps) of the bars
// that set their buttons themselves.
void RegisterToolBars() {
  AfxRegisterToolBar(IDR_3DVIEWS_TOOLBAR, {{ID_VIEW_BACK_VIEW, "view_back.png"},
                                           {ID_VIEW_FRONT_VIEW, "view_front.png"},
                                           {ID_VIEW_SIDE_VIEW_MINUS_X, "view_left.png"},
                                           {ID_VIEW_SIDE_VIEW_PLUS_X, "view_right.png"},
                                           {ID_VIEW_TOP_VIEW, "view_top.png"},
                                           {ID_VIEW_BOTTOM_VIEW, "view_bottom.png"}});
  AfxRegisterToolBar(IDR_PANES_TOOLBAR, {{32881, "panes_both.png"},
                                         {32882, "panes_hide_tool.png"},
                                         {32883, "panes_hide_3d.png"},
                                         {ID_SEPARATOR, nullptr},
                                         {32871, "tool_objects.png"},
                                         {32873, "tool_lights.png"},
                                         {32878, "tool_tasks.png"},
                                         {32895, "tool_reduction.png"}});
  AfxRegisterToolBar(IDR_NAVIGATION_TOOLBAR, {{ID_NAVIGATION_FIRST, "nav_first.png"},
                                              {ID_NAVIGATION_PREVIOUS, "nav_previous.png"},
                                              {ID_NAVIGATION_NEXT, "nav_next.png"},
                                              {ID_NAVIGATION_LAST, "nav_last.png"},
                                              {ID_SEPARATOR, nullptr},
                                              {ID_NAVIGATION_CREATE, "nav_create.png"},
                                              {ID_NAVIGATION_DELETE, "nav_delete.png"},
                                              {ID_NAVIGATION_SAVE, "nav_save.png"},
                                              {ID_NAVIGATION_CANCEL, "nav_cancel.png"}});
  AfxRegisterToolBar(IDR_3DVIEW_MODE_TOOLBAR, {{ID_VIEW_4VIEWS, "four_views.png"},
                                               {ID_SEPARATOR, nullptr},
                                               {ID_SHADING_FLAT, "shade_flat.png"},
                                               {ID_SHADING_GOURAUD, "shade_gouraud.png"},
                                               {ID_SEPARATOR, nullptr},
                                               {ID_FILLING_POINT, "fill_point.png"},
                                               {ID_FILLING_WIREFRAME, "fill_wire.png"},
                                               {ID_FILLING_SOLID, "fill_solid.png"}});
  AfxRegisterToolBar(IDB_CAMERA_PROPERTIES, {{ID_CAMERA_FORWARD_BACKWARD_MODE, "camera_forward.png"},
                                             {ID_CAMERA_UP_DOWN_MODE, "camera_updown.png"}});
  AfxRegisterToolBar(IDB_ANIMATION_TOOLBAR, {{ID_ANIMATION_PLAY, "anim_play.png"},
                                             {ID_ANIMATION_PAUSE, "anim_pause.png"},
                                             {ID_ANIMATION_STOP, "anim_stop.png"}});
}

const bool g_registered = [] {
  RegisterStrings();
  RegisterToolBars();
  return true;
}();

}  // namespace
