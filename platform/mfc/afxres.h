// The framework's resource tables and standard identifiers. Menus, toolbars
// and dialog templates are data that a library registers when it is loaded
// (as it registers its strings with AfxRegisterString); the window classes
// read them by resource ID.
#pragma once

#include <vector>

#include "afx.h"

// Standard command and window identifiers.
#define ID_SEPARATOR 0
#define ID_APP_EXIT 0xE141
#define ID_APP_ABOUT 0xE140
#define ID_WINDOW_CASCADE 0xE132
#define ID_WINDOW_TILE_HORZ 0xE133
#define ID_WINDOW_ARRANGE 0xE130
#define ID_VIEW_STATUS_BAR 0xE801
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_PANE_FIRST 0xE900
#define AFX_IDW_PANE_LAST 0xE9FF
#define AFX_IDS_IDLEMESSAGE 0xE001
#define AFX_IDP_COMMAND_FAILURE 0xF109

// One item of a menu. Items follow each other in display order; depth 0 is
// the menu bar. An item with id 0 and a text is a popup whose items follow
// it one level deeper; an item with id 0 and no text is a separator.
struct AfxMenuItem {
  int depth;
  UINT id;
  LPCSTR text;
};
void AfxRegisterMenu(UINT resourceId, std::vector<AfxMenuItem> items);
const std::vector<AfxMenuItem>* AfxFindMenu(UINT resourceId);

// A toolbar: its command IDs in order (ID_SEPARATOR for a gap) and, for each
// button, a picture file name (PNG, in the program's "media" folder); a
// button without a picture shows its short text.
struct AfxToolBarButton {
  UINT id;
  LPCSTR picture;
};
void AfxRegisterToolBar(UINT resourceId, std::vector<AfxToolBarButton> buttons);
const std::vector<AfxToolBarButton>* AfxFindToolBar(UINT resourceId);

// A keyboard shortcut of a command, in Qt's portable text ("Ctrl+I").
struct AfxAccelerator {
  UINT id;
  LPCSTR keys;
};
void AfxRegisterAccelerators(UINT resourceId, std::vector<AfxAccelerator> accelerators);
const std::vector<AfxAccelerator>* AfxFindAccelerators(UINT resourceId);

// Control classes of dialog templates.
#define WC_BUTTON "Button"
#define WC_STATIC "Static"
#define WC_EDIT "Edit"
#define WC_COMBOBOX "ComboBox"
#define UPDOWN_CLASS "msctls_updown32"
#define TRACKBAR_CLASS "msctls_trackbar32"
#define PROGRESS_CLASS "msctls_progress32"
#define WC_LISTVIEW "SysListView32"
#define WC_TREEVIEW "SysTreeView32"
#define RICHEDIT_CLASS "RichEdit20A"

// One control of a dialog template, in dialog units.
struct AfxDialogItem {
  LPCSTR className;
  LPCSTR text;
  UINT id;
  int x, y, cx, cy;
  DWORD style;
};
// A dialog template: caption, size in dialog units, font, controls in tab order.
struct AfxDialogTemplate {
  LPCSTR caption;
  int cx, cy;
  DWORD style;
  LPCSTR fontName;
  int pointSize;
  std::vector<AfxDialogItem> items;
};
void AfxRegisterDialog(UINT resourceId, AfxDialogTemplate dialogTemplate);
const AfxDialogTemplate* AfxFindDialog(UINT resourceId);

// Dialog units to pixels for the templates' font ("MS Sans Serif" 8: a
// horizontal unit is a quarter of 6 pixels, a vertical one an eighth of 13).
inline int AfxDialogUnitsToPixelsX(int units) { return units * 6 / 4; }
inline int AfxDialogUnitsToPixelsY(int units) { return units * 13 / 8; }
