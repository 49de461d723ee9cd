#include "camera_properties_toolbar.h"

#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "resource.h"

namespace {

struct SDepthEntry {
  UINT stringId;
  float factor;
};

const SDepthEntry kDepthEntries[] = {
    {IDS_VIEW_ALL_DEPTH, 1.0f}, {IDS_VIEW_NEARER, 2.0f},  {IDS_VIEW_CLOSER, 4.0f},
    {IDS_MACRO_MODE, 10.0f},    {IDS_MICRO_MODE, 100.0f}, {IDS_UNCONSTRAINED_DEPTH, 0.0f},
};
const int kDepthEntryCount = static_cast<int>(sizeof(kDepthEntries) / sizeof(kDepthEntries[0]));

}  // namespace

BEGIN_MESSAGE_MAP(CCameraPropertiesToolBar, CToolBar)
ON_CBN_SELCHANGE(IDC_CAMERA_SHRINK_FACTOR, OnSelchangeCameraShrinkFactor)
ON_UPDATE_COMMAND_UI(IDC_CAMERA_SHRINK_FACTOR, OnUpdateCameraShrinkFactor)
END_MESSAGE_MAP()

CCameraPropertiesToolBar::~CCameraPropertiesToolBar() { m_pFrame = NULL; }

float CCameraPropertiesToolBar::FactorOfEntry(int index) {
  return index >= 0 && index < kDepthEntryCount ? kDepthEntries[index].factor : 1.0f;
}

int CCameraPropertiesToolBar::EntryOfFactor(float factor) {
  for (int index = 0; index < kDepthEntryCount; ++index) {
    if (kDepthEntries[index].factor == factor) return index;
  }
  return 0;
}

BOOL CCameraPropertiesToolBar::Create(CDXSplitterFrame* frame) {
  m_pFrame = frame;
  if (!CreateEx(frame, TBSTYLE_FLAT,
                WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC,
                RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR)) {
    return FALSE;
  }
  const UINT buttons[] = {ID_CAMERA_FORWARD_BACKWARD_MODE, ID_CAMERA_UP_DOWN_MODE, ID_SEPARATOR, ID_SEPARATOR};
  if (!LoadBitmap(IDB_CAMERA_PROPERTIES) || !SetButtons(buttons, 4)) return FALSE;
  SetButtonInfo(3, IDC_CAMERA_SHRINK_FACTOR, TBBS_SEPARATOR, 130);
  SetButtonInfo(2, ID_SEPARATOR, TBBS_SEPARATOR, 12);
  RECT rect;
  GetItemRect(3, &rect);
  rect.top = 3;
  rect.bottom = rect.top + 120;
  if (!m_wndDepthOfField.Create(NULL, NULL, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, rect, this,
                                IDC_CAMERA_SHRINK_FACTOR)) {
    return FALSE;
  }
  for (const SDepthEntry& entry : kDepthEntries) {
    CString text;
    if (text.LoadString(entry.stringId)) m_wndDepthOfField.AddString(text);
  }
  SetWindowText("Camera properties toolbar");
  EnableDocking(CBRS_ALIGN_ANY);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(this);
  return TRUE;
}

void CCameraPropertiesToolBar::OnSelchangeCameraShrinkFactor() {
  if (m_pFrame == NULL) return;
  m_pFrame->SetCameraShrinkFactor(FactorOfEntry(m_wndDepthOfField.GetCurSel()));
  m_pFrame->SetFocusOnActive3DView();
}

void CCameraPropertiesToolBar::OnUpdateCameraShrinkFactor(CCmdUI* cmdUI) {
  CDXFile3DView* view = m_pFrame != NULL ? m_pFrame->GetActive3DView() : NULL;
  if (view == NULL || view->GetCamera() == NULL) {
    cmdUI->Enable(FALSE);
    return;
  }
  int index = EntryOfFactor(view->GetCameraShrinkFactor());
  cmdUI->Enable(TRUE);
  // A list the user is working in keeps its selection.
  if (CWnd::GetFocus() != &m_wndDepthOfField && m_wndDepthOfField.GetCurSel() != index) {
    m_wndDepthOfField.SetCurSel(index);
  }
}
