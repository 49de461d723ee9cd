// Resource identifiers of the user interface: templates, menus, toolbars,
// dialogs, commands and strings.
#pragma once

#define IDR_MAINFRAME 128
#define IDR_3DVIEW 129
#define IDR_TREEVIEW 131
#define IDR_TRACEVIEW 132
#define IDR_SPLITTERFRAME 134
#define IDR_HELPVIEW 136
#define IDR_DEVICECREATIONLOG 137
#define IDR_LIGHTSFORM 145
#define IDR_PMESH_STEPS 209
#define IDR_CMESH_STEPS 210
#define IDD_PROGRESS_BAR 222

#define ID_WINDOW_NEW_3DVIEW 32796
#define ID_INSERT_3DOBJECT_FROM_FILE 32833
#define ID_CREATE_PMESH 32936
#define ID_APPLY_PMESH_DISPLAY 32863
#define ID_EXPORT_3DOBJECT 32864
#define ID_CREATE_CMESH 32933
#define ID_CONVERT_DXMESH 32858
#define ID_REDUCE_TRIANGLES 32893
#define ID_REDUCE_TRIANGLES_MENU 32862
#define ID_TURBO_MODE 32866
#define ID_HELP_ABOUT_VOREVER 32891
#define ID_HELP_QUICK_START 32892
#define ID_VIEW_REDUCTION_STEPS_TOOLBAR 32930
#define ID_VIEW_DEVICE_CREATION_LOG 32932
#define ID_HELP_TUTORIAL 32961

#define IDS_DEVICE_CREATION_FAILED 61485
#define IDS_INPUT_DEVICES_FAILED 61486
#define IDS_NULL_REFERENCE_DEVICE 61492

// Each area of the user interface keeps its identifiers in its own block below
// and its resources in its own shell/resources_<area>.cpp.

// Document and its rendering

// 3D views, splitter frame panes and job messages
#define ID_SHADING_FLAT 32774
#define ID_SHADING_GOURAUD 32775
#define ID_FILLING_POINT 32776
#define ID_FILLING_WIREFRAME 32777
#define ID_FILLING_SOLID 32778
#define ID_VIEW_4VIEWS 32807
#define ID_VIEW_BACK 32808
#define ID_VIEW_FRONT 32809
#define ID_VIEW_RIGHT 32810
#define ID_VIEW_LEFT 32811
#define ID_VIEW_TOP 32812
#define ID_VIEW_BOTTOM 32813
#define ID_VIEW_PERSPECTIVE 32814
#define ID_OPTIONS_COLLISION_DETECTION 32835
#define ID_TOOLS_OBJECTS_VIEWER 32871
#define ID_TOOLS_LIGHTS_MANAGER 32873
#define ID_TOOLS_TASKS_VIEWER 32878
#define ID_PANES_RESIZE 32881
#define ID_PANES_HIDE_TOOL_PANE 32882
#define ID_PANES_HIDE_3D_PANE 32883
#define ID_CAMERA_UP_DOWN 32886
#define ID_CAMERA_FORWARD_BACKWARD 32888
#define ID_TOOLS_REDUCTION_OPTIONS 32895
#define ID_VIEW_2VIEWS 32914
#define ID_VIEW_1VIEW 32915
#define IDS_VIEW_INITIALIZATION_FAILED 61446
#define IDS_VIEW_FRAME_FAILED 61447
#define IDS_VIEW_RESIZE_FAILED 61448
#define IDS_DEVICE_LOST 61488
#define IDS_FAILED_TO_LOAD_FILE 61499

// Splitter frame toolbars, 3D child frame, animation and camera toolbars

// Import and export jobs, document commands and file dialogs

// Reduction forms and numeric edits

// Scene tree, trace, threads, lights form, help, about and device log
