#include "option_forms.h"

#include <afxdlgs.h>
#include <d3d8.h>
#include <materialpresets.h>
#include <dxwindoweddevice.h>

#include "numeric_edit.h"

void StepBuddyEdit(CWnd* form, NMHDR* header, LRESULT* result, float step) {
  *result = 0;
  auto* spin = DYNAMIC_DOWNCAST(CSpinButtonCtrl, CWnd::FromHandlePermanent(header->hwndFrom));
  auto* edit = spin != NULL ? dynamic_cast<CFloatEdit*>(spin->GetBuddy()) : NULL;
  if (edit == NULL || edit->GetParent() != form) return;
  edit->IncrementContent(spin, reinterpret_cast<NM_UPDOWN*>(header), step);
}

void DrawColorSample(CDC* dc, CWnd* control, COLORREF colour) {
  RECT rect;
  control->GetClientRect(&rect);
  dc->FillSolidRect(&rect, colour);
}

bool ChooseSampleColor(CWnd* parent, D3DCOLORVALUE& colour) {
  CColorDialog dialog(RGB(0, 0, 0), 0, parent);
  if (dialog.DoModal() != IDOK) return false;
  colour = ConvertWin32Color(dialog.GetColor());
  return true;
}

namespace {

void SetRenderStateIfDiffers(D3DRENDERSTATETYPE state, DWORD wanted) {
  if (g_pWindowedDevice == NULL) return;
  IDirect3DDevice8* device = g_pWindowedDevice->GetD3DDevice();
  if (device == NULL) return;
  DWORD current = 0;
  device->GetRenderState(state, &current);
  if (current != wanted) device->SetRenderState(state, wanted);
}

}  // namespace

void SetDeviceShading(DWORD choice) {
  SetRenderStateIfDiffers(D3DRS_SHADEMODE, choice == 0 ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
}

void SetDeviceFilling(DWORD choice) {
  SetRenderStateIfDiffers(D3DRS_FILLMODE, choice == 0 ? D3DFILL_SOLID : D3DFILL_WIREFRAME);
}
