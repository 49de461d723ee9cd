// What the option forms of the tool pane share: stepping an edit with its
// up-down, the colour samples and the device's shading and filling.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>
#include <d3d8types.h>

class CFloatEdit;

// Steps the buddy edit of the up-down that sent the notification by step
// (the edit must be one of the form's CFloatEdit objects); accepts the change.
void StepBuddyEdit(CWnd* form, NMHDR* header, LRESULT* result, float step);
// Fills the control's whole client area with colour.
void DrawColorSample(CDC* dc, CWnd* control, COLORREF colour);
// A colour dialog starting at black; on OK the colour is stored in colour
// and true is returned; Cancel changes nothing.
bool ChooseSampleColor(CWnd* parent, D3DCOLORVALUE& colour);
// Sets the device's shade mode (0 Gouraud, else flat) and fill mode (0
// solid, else wireframe), each only when it differs; nothing without a device.
void SetDeviceShading(DWORD choice);
void SetDeviceFilling(DWORD choice);
