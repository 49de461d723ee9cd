// The dialog templates of the reduction forms, registered when the library
// is loaded.
#include <afxcmn.h>
#include <afxres.h>
#include <afxwin.h>

#include "resource.h"

namespace {

constexpr DWORD kVisible = WS_VISIBLE | WS_CHILD;
constexpr DWORD kGroup = BS_GROUPBOX | kVisible;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | kVisible | WS_TABSTOP;
constexpr DWORD kFirstRadio = BS_AUTORADIOBUTTON | kVisible | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | kVisible;
constexpr DWORD kEdit = ES_AUTOHSCROLL | kVisible | WS_TABSTOP | WS_BORDER;
constexpr DWORD kReadOnlyEdit = kEdit | ES_READONLY;
constexpr DWORD kSpin = UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_ALIGNRIGHT | kVisible;
constexpr DWORD kSample = SS_NOTIFY | kVisible | WS_BORDER;
constexpr DWORD kButton = BS_PUSHBUTTON | kVisible | WS_TABSTOP;
constexpr DWORD kLabel = kVisible;
constexpr DWORD kForm = WS_CHILD;

// The reduction group and the removal criteria shared by templates 205 and 208.
std::vector<AfxDialogItem> ReductionGroups() {
  return {
      {WC_BUTTON, "Reduction options", 0, 4, 4, 169, 44, kGroup},
      {WC_STATIC, "Maximum % of triangles to remove", 0, 10, 16, 110, 8, kLabel},
      {WC_EDIT, "", IDC_REDUCTION_PERCENT, 122, 14, 36, 12, kEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_REDUCTION_PERCENT, 158, 14, 10, 12, kSpin | UDS_SETBUDDYINT},
      {WC_BUTTON, "Can create new vertices", IDC_ALLOW_MIDPOINT, 10, 32, 120, 10, kCheck},
      {WC_BUTTON, "Edges removal criteria", 0, 4, 52, 169, 76, kGroup},
      {WC_STATIC, "Maximum triangle delta normal angle \xb0", 0, 10, 64, 110, 8, kLabel},
      {WC_EDIT, "", IDC_MAX_NORMAL_ANGLE, 122, 62, 36, 12, kEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_MAX_NORMAL_ANGLE, 158, 62, 10, 12, kSpin},
      {WC_STATIC, "Maximum triangles delta area %", 0, 10, 82, 110, 8, kLabel},
      {WC_EDIT, "", IDC_MAX_AREA_CHANGE, 122, 80, 36, 12, kEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_MAX_AREA_CHANGE, 158, 80, 10, 12, kSpin},
      {WC_STATIC, "At most x times bigger than average", 0, 10, 100, 110, 8, kLabel},
      {WC_STATIC, "(triangle area)", 0, 10, 110, 110, 8, kLabel},
      {WC_EDIT, "", IDC_FACE_AREA_FACTOR, 122, 104, 36, 12, kEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_FACE_AREA_FACTOR, 158, 104, 10, 12, kSpin},
  };
}

// The shading and filling radios of the display options, at row y.
std::vector<AfxDialogItem> ShadingAndFilling(int y) {
  return {
      {WC_BUTTON, "Shading", 0, 10, y, 76, 36, kGroup},
      {WC_BUTTON, "Gouraud", IDC_SHADING_GOURAUD, 16, y + 10, 60, 10, kFirstRadio},
      {WC_BUTTON, "Flat", IDC_SHADING_FLAT, 16, y + 22, 60, 10, kRadio},
      {WC_BUTTON, "Filling", 0, 90, y, 76, 36, kGroup},
      {WC_BUTTON, "Solid", IDC_FILLING_SOLID, 96, y + 10, 60, 10, kFirstRadio},
      {WC_BUTTON, "Wireframe", IDC_FILLING_WIREFRAME, 96, y + 22, 60, 10, kRadio},
  };
}

void Append(std::vector<AfxDialogItem>& to, const std::vector<AfxDialogItem>& items) {
  to.insert(to.end(), items.begin(), items.end());
}

void RegisterReductionOptionsForm() {
  std::vector<AfxDialogItem> items = ReductionGroups();
  items.push_back({WC_BUTTON, "Display options", 0, 4, 132, 169, 108, kGroup});
  Append(items, ShadingAndFilling(142));
  Append(items, {
                    {WC_BUTTON, "Show active edges", IDC_SHOW_ACTIVE_EDGES, 10, 182, 120, 10, kCheck | WS_GROUP},
                    {WC_STATIC, "", IDC_SAMPLE_ACTIVE_EDGES, 150, 182, 16, 10, kSample},
                    {WC_BUTTON, "Show active vertices", IDC_SHOW_ACTIVE_VERTICES, 10, 196, 120, 10, kCheck},
                    {WC_STATIC, "", IDC_SAMPLE_ACTIVE_VERTICES, 150, 196, 16, 10, kSample},
                    {WC_BUTTON, "Show removed vertices", IDC_SHOW_REMOVED_VERTICES, 10, 210, 120, 10, kCheck},
                    {WC_STATIC, "", IDC_SAMPLE_REMOVED_VERTICES, 150, 210, 16, 10, kSample},
                    {WC_BUTTON, "Color new triangles", IDC_COLOR_NEW_TRIANGLES, 10, 224, 120, 10, kCheck},
                    {WC_STATIC, "", IDC_SAMPLE_CREATED_TRIANGLES, 150, 224, 16, 10, kSample},
                });
  AfxRegisterDialog(IDD_REDUCTION_OPTIONS_FORM, {"", 177, 244, kForm, "MS Sans Serif", 8, items});
}

void RegisterCMeshOptionsForm() {
  std::vector<AfxDialogItem> items = ReductionGroups();
  items.push_back({WC_BUTTON, "&Reset", IDC_RESET_OPTIONS, 60, 132, 50, 14, kButton | WS_GROUP});
  AfxRegisterDialog(IDD_CMESH_OPTIONS_FORM, {"", 177, 147, kForm, "MS Sans Serif", 8, items});
}

void RegisterPMeshOptionsForm() {
  std::vector<AfxDialogItem> items = {
      {WC_BUTTON, "Simplification options", 0, 4, 4, 169, 28, kGroup},
      {WC_BUTTON, "Mesh faces", IDC_SIMPLIFY_FACES, 10, 16, 70, 10, kFirstRadio},
      {WC_BUTTON, "Mesh vertices", IDC_SIMPLIFY_VERTICES, 90, 16, 70, 10, kRadio},
      {WC_BUTTON, "Vertex attribute weights ", 0, 4, 36, 169, 76, kGroup},
  };
  struct Weight {
    const char* label;
    UINT edit, spin;
    int x, y;
  } weights[] = {
      {"Position", IDC_WEIGHT_POSITION, IDC_SPIN_WEIGHT_POSITION, 10, 48},
      {"Boundary", IDC_WEIGHT_BOUNDARY, IDC_SPIN_WEIGHT_BOUNDARY, 90, 48},
      {"Normal", IDC_WEIGHT_NORMAL, IDC_SPIN_WEIGHT_NORMAL, 10, 70},
      {"Diffuse", IDC_WEIGHT_DIFFUSE, IDC_SPIN_WEIGHT_DIFFUSE, 90, 70},
      {"Specular", IDC_WEIGHT_SPECULAR, IDC_SPIN_WEIGHT_SPECULAR, 10, 92},
      {"Texture", IDC_WEIGHT_TEXTURE, IDC_SPIN_WEIGHT_TEXTURE, 90, 92},
  };
  for (const Weight& w : weights) {
    items.push_back({WC_STATIC, w.label, 0, w.x, w.y + 2, 34, 8, kLabel});
    items.push_back({WC_EDIT, "", w.edit, w.x + 36, w.y, 30, 12, kReadOnlyEdit | WS_GROUP});
    items.push_back({UPDOWN_CLASS, "", w.spin, w.x + 66, w.y, 10, 12, kSpin | UDS_SETBUDDYINT});
  }
  items.push_back({WC_BUTTON, "&Reset", IDC_RESET_OPTIONS, 60, 118, 50, 14, kButton | WS_GROUP});
  AfxRegisterDialog(IDD_PMESH_OPTIONS_FORM, {"", 177, 136, kForm, "MS Sans Serif", 8, items});
}

// The reduction methods form; it also offers the choice of the reduction
// method, which decides the reduction toolbar and the options form below.
void RegisterReductionMethodsForm() {
  std::vector<AfxDialogItem> items = {
      {WC_BUTTON, "Reduction method", 0, 4, 4, 161, 24, kGroup},
      {WC_BUTTON, "Progressive mesh", IDC_METHOD_PMESH, 10, 14, 70, 10, kFirstRadio},
      {WC_BUTTON, "Connectivity mesh", IDC_METHOD_CMESH, 84, 14, 76, 10, kRadio},
      {WC_BUTTON, "Progressive mesh display options", 0, 4, 32, 161, 128, kGroup},
      {WC_COMBOBOX, "", IDC_PMESH_COMBO, 10, 44, 128, 80, CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | kVisible |
                                                            WS_TABSTOP | WS_GROUP},
      {WC_STATIC, "", IDC_SAMPLE_SELECTED_PMESH, 144, 45, 16, 10, kSample},
      {WC_BUTTON, "Desired % of triangles/vertices displayed", 0, 10, 60, 150, 40, kGroup},
      {TRACKBAR_CLASS, "", IDC_PERCENT_SLIDER, 14, 72, 100, 20, TBS_AUTOTICKS | kVisible | WS_TABSTOP},
      {WC_EDIT, "", IDC_PERCENT_DISPLAYED, 118, 74, 36, 12, kReadOnlyEdit},
      {WC_BUTTON, "Max delta bounding box %", IDC_VOLUME_CHECK, 10, 106, 104, 10, kCheck},
      {WC_EDIT, "", IDC_VOLUME_TOLERANCE, 118, 104, 30, 12, kReadOnlyEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_VOLUME_TOLERANCE, 148, 104, 10, 12, kSpin},
      {WC_BUTTON, "Max delta surface area %", IDC_AREA_CHECK, 10, 122, 104, 10, kCheck},
      {WC_EDIT, "", IDC_AREA_TOLERANCE, 118, 120, 30, 12, kReadOnlyEdit},
      {UPDOWN_CLASS, "", IDC_SPIN_AREA_TOLERANCE, 148, 120, 10, 12, kSpin},
      {WC_BUTTON, "&Apply", IDC_APPLY_PMESH_DISPLAY, 60, 140, 50, 14, kButton | WS_GROUP},
      {WC_BUTTON, "All objects display options", 0, 4, 164, 161, 84, kGroup},
  };
  Append(items, ShadingAndFilling(174));
  Append(items, {
                    {WC_BUTTON, "Show active edges", IDC_SHOW_ACTIVE_EDGES, 10, 214, 120, 10, kCheck | WS_GROUP},
                    {WC_STATIC, "", IDC_SAMPLE_ACTIVE_EDGES, 144, 214, 16, 10, kSample},
                    {WC_BUTTON, "&Reset", IDC_RESET_DISPLAY_OPTIONS, 60, 230, 50, 14, kButton | WS_GROUP},
                });
  AfxRegisterDialog(IDD_REDUCTION_METHODS_FORM, {"", 169, 252, kForm, "MS Sans Serif", 8, items});
}

struct SRegisterForms {
  SRegisterForms() {
    RegisterReductionOptionsForm();
    RegisterCMeshOptionsForm();
    RegisterPMeshOptionsForm();
    RegisterReductionMethodsForm();
  }
} g_registerForms;

}  // namespace
