#include "animation_toolbar.h"

#include <animation.h>
#include <xfiledatalist.h>

#include <cstdlib>

#include "dx_splitter_frame.h"
#include "resource.h"

namespace {

const DWORD kBarStyle =
    WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC;
const int kSpinUpper = 32767;

// The edit's text as a whole decimal number; anything else reads as 0.
long ReadNumber(const CEdit& edit) { return std::strtol(edit.GetWindowTextString(), NULL, 10); }

}  // namespace

BEGIN_MESSAGE_MAP(CAnimationToolBar, CToolBar)
ON_CBN_SELCHANGE(IDC_ANIMATION_SETS, OnSelchangeAnimationSets)
ON_EN_CHANGE(IDC_ANIMATION_TICKS, OnChangeTicks)
ON_EN_CHANGE(IDC_ANIMATION_TIME, OnChangeTime)
ON_NOTIFY(UDN_DELTAPOS, IDC_ANIMATION_TICKS_SPIN, OnDeltaposTicksSpin)
ON_NOTIFY(UDN_DELTAPOS, IDC_ANIMATION_TIME_SPIN, OnDeltaposTimeSpin)
ON_UPDATE_COMMAND_UI(ID_ANIMATION_PLAY, OnUpdatePlay)
ON_UPDATE_COMMAND_UI(ID_ANIMATION_PAUSE, OnUpdatePause)
ON_UPDATE_COMMAND_UI(ID_ANIMATION_STOP, OnUpdateWhileCurrentSet)
ON_UPDATE_COMMAND_UI(IDC_ANIMATION_SETS, OnUpdateWhileCurrentSet)
ON_UPDATE_COMMAND_UI(IDC_ANIMATION_TICKS, OnUpdateWhileCurrentSet)
ON_UPDATE_COMMAND_UI(IDC_ANIMATION_TICKS_SPIN, OnUpdateWhileCurrentSet)
ON_UPDATE_COMMAND_UI(IDC_ANIMATION_TIME, OnUpdateTime)
ON_UPDATE_COMMAND_UI(IDC_ANIMATION_TIME_SPIN, OnUpdateTimeSpin)
END_MESSAGE_MAP()

CAnimationToolBar::~CAnimationToolBar() { DestroyContent(); }

void CAnimationToolBar::ClearContent() {
  m_pParentFrame = NULL;
  m_nSetCount = 0;
  m_pCurrentSet = NULL;
  m_dwTicks = 0;
  m_fTime = 0.0f;
}

void CAnimationToolBar::DestroyContent() {
  for (CWnd* control : {static_cast<CWnd*>(&m_wndSets), static_cast<CWnd*>(&m_wndTicks),
                        static_cast<CWnd*>(&m_wndTicksSpin)}) {
    if (control->GetSafeHwnd() != NULL) control->DestroyWindow();
  }
  m_sets.clear();
  ClearContent();
}

bool CAnimationToolBar::CreateEdit(CEdit& edit, UINT id) {
  RECT rect;
  GetItemRect(CommandToIndex(id), &rect);
  rect.top = 1;
  rect.bottom = 21;
  return edit.CreateEx(WS_EX_CLIENTEDGE, "Edit", NULL, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, rect,
                       this, id) != FALSE;
}

bool CAnimationToolBar::CreateSpin(CSpinButtonCtrl& spin, CEdit& buddy, UINT id) {
  RECT rect;
  GetItemRect(CommandToIndex(id), &rect);
  if (!spin.Create(NULL, NULL, WS_CHILD | WS_VISIBLE | UDS_ARROWKEYS | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_NOTHOUSANDS, rect,
                   this, id)) {
    return false;
  }
  spin.SetBuddy(&buddy);
  spin.SetRange32(0, kSpinUpper);
  return true;
}

void CAnimationToolBar::Create(CDXSplitterFrame* frame, CXFileDataList* world) {
  if (frame == NULL) return;
  m_pParentFrame = frame;
  const UINT buttons[] = {ID_ANIMATION_PLAY, ID_ANIMATION_PAUSE, ID_ANIMATION_STOP, ID_SEPARATOR, ID_SEPARATOR,
                          ID_SEPARATOR,      ID_SEPARATOR,       ID_SEPARATOR,      ID_SEPARATOR, ID_SEPARATOR};
  if (!CreateEx(frame, TBSTYLE_FLAT, kBarStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
      !LoadBitmap(IDB_ANIMATION_TOOLBAR) || !SetButtons(buttons, 10)) {
    throw "\nFailed to create camera properties bar.";
  }
  SetButtonInfo(3, ID_SEPARATOR, TBBS_SEPARATOR, 12);
  SetButtonInfo(4, IDC_ANIMATION_SETS, TBBS_SEPARATOR, 130);
  SetButtonInfo(5, ID_SEPARATOR, TBBS_SEPARATOR, 12);
  SetButtonInfo(6, IDC_ANIMATION_TIME, TBBS_SEPARATOR, 80);
  SetButtonInfo(7, IDC_ANIMATION_TIME_SPIN, TBBS_SEPARATOR, 18);
  SetButtonInfo(8, IDC_ANIMATION_TICKS, TBBS_SEPARATOR, 80);
  SetButtonInfo(9, IDC_ANIMATION_TICKS_SPIN, TBBS_SEPARATOR, 18);
  RECT rect;
  GetItemRect(4, &rect);
  rect.top = 1;
  rect.bottom = 121;
  if (!m_wndSets.Create(NULL, NULL, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, rect, this, IDC_ANIMATION_SETS)) {
    throw "\nFailed to create combo-box.";
  }
  if (!CreateEdit(m_wndTime, IDC_ANIMATION_TIME) ||
      !CreateSpin(m_wndTimeSpin, m_wndTime, IDC_ANIMATION_TIME_SPIN) ||
      !CreateEdit(m_wndTicks, IDC_ANIMATION_TICKS) ||
      !CreateSpin(m_wndTicksSpin, m_wndTicks, IDC_ANIMATION_TICKS_SPIN)) {
    throw "\nFailed to create edit-box.";
  }
  FillAnimationSetsCombo(world);
  SetWindowText("Animation toolbar");
  EnableDocking(CBRS_ALIGN_ANY);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(this);
}

void CAnimationToolBar::ClearAnimationSetsCombo() {
  m_wndSets.ResetContent();
  m_sets.clear();
  m_sets.reserve(100);
  m_nSetCount = 0;
}

void CAnimationToolBar::AddAnimationSet(CAnimationSet* set) {
  const char* name = set->GetName();
  int index = m_wndSets.AddString(name != NULL && name[0] != '\0' ? name : "No name");
  if (index < 0) return;
  if (static_cast<size_t>(index) >= m_sets.size()) m_sets.resize(static_cast<size_t>(index) + 1, NULL);
  m_sets[static_cast<size_t>(index)] = set;
  ++m_nSetCount;
}

void CAnimationToolBar::FillAnimationSetsCombo(CXFileDataList* world) {
  if (m_pParentFrame == NULL) return;
  m_sets.clear();
  m_nSetCount = 0;
  m_wndSets.ResetContent();
  m_pCurrentSet = NULL;
  m_dwTicks = 0;
  if (world != NULL) {
    CMutex& lock = world->GetAnimationSetListMutex();
    // The main thread does not wait: a list that a job holds stays empty
    // until the job asks for the list to be filled again.
    if (lock.Lock(true, true)) {
      CTypedPtrList<CPtrList, CAnimationSet*>* sets = world->GetAnimationSetList();
      m_sets.reserve(static_cast<size_t>(sets->GetCount()));
      for (POSITION at = sets->GetHeadPosition(); at != NULL;) AddAnimationSet(sets->GetNext(at));
      lock.Unlock();
    }
  }
  if (m_wndSets.GetCount() > 0 && !m_sets.empty()) {
    m_wndSets.SetCurSel(0);
    m_pCurrentSet = m_sets[0];
    m_dwTicks = m_pCurrentSet->GetFPS();
    ShowTicks();
    m_fTime = m_pCurrentSet->GetAnimationTime();
    ShowTime();
  }
  m_pParentFrame->ShowControlBar(this, m_pCurrentSet != NULL, FALSE);
}

void CAnimationToolBar::SetAnimationTime(CAnimationSet* set) {
  if (set == NULL || set != m_pCurrentSet) return;
  m_fTime = set->GetAnimationTime();
  ShowTime();
}

void CAnimationToolBar::ShowTicks() {
  CString text;
  text.Format("%d", static_cast<int>(m_dwTicks));
  m_bShowing = true;
  m_wndTicks.SetWindowText(text);
  m_bShowing = false;
}

void CAnimationToolBar::ShowTime() {
  CString text;
  text.Format("%.0f", static_cast<double>(m_fTime));
  m_bShowing = true;
  m_wndTime.SetWindowText(text);
  m_bShowing = false;
}

void CAnimationToolBar::AnimateCurrentSet() {
  if (m_pCurrentSet != NULL) m_pCurrentSet->AnimateTL(NULL, true);
}

void CAnimationToolBar::OnCommandAnimationPlay() {
  if (m_pCurrentSet != NULL) m_pCurrentSet->Play();
}

void CAnimationToolBar::OnCommandAnimationPause() {
  if (m_pCurrentSet != NULL) m_pCurrentSet->Pause();
}

void CAnimationToolBar::OnCommandAnimationStop() {
  if (m_pCurrentSet == NULL) return;
  m_pCurrentSet->Stop();
  m_fTime = 0.0f;
  ShowTime();
  m_pCurrentSet->SetAnimationTime(m_fTime);
  AnimateCurrentSet();
}

void CAnimationToolBar::OnSelchangeAnimationSets() {
  int index = m_wndSets.GetCurSel();
  CAnimationSet* chosen = index >= 0 && index < m_nSetCount ? m_sets[static_cast<size_t>(index)] : NULL;
  // A selection that names no set leaves the current set as it is.
  if (chosen == NULL || chosen == m_pCurrentSet) return;
  if (m_pCurrentSet != NULL) m_pCurrentSet->Stop();
  chosen->Play();
  m_dwTicks = chosen->GetFPS();
  m_pCurrentSet = chosen;
  ShowTicks();
}

void CAnimationToolBar::OnChangeTicks() {
  if (m_bShowing) return;
  m_dwTicks = static_cast<DWORD>(ReadNumber(m_wndTicks));
  if (m_pCurrentSet != NULL) m_pCurrentSet->SetFPS(m_dwTicks);
}

void CAnimationToolBar::OnChangeTime() {
  if (m_bShowing) return;
  m_fTime = static_cast<float>(ReadNumber(m_wndTime));
  if (m_pCurrentSet == NULL) return;
  m_pCurrentSet->SetAnimationTime(m_fTime);
  if (m_pCurrentSet->GetAnimationSetState() == CAnimationSet::ePaused) AnimateCurrentSet();
}

void CAnimationToolBar::OnDeltaposTicksSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  long step = 1;
  if (m_pCurrentSet != NULL && m_pCurrentSet->GetMaxAnimationTime() > 24) {
    step = static_cast<long>(m_pCurrentSet->GetMaxAnimationTime() / 24);
  }
  long value = static_cast<long>(m_dwTicks) + change->iDelta * step;
  if (value < 0) value = 0;
  if (value > kSpinUpper * step) value = kSpinUpper * step;
  m_dwTicks = static_cast<DWORD>(value);
  ShowTicks();
  if (m_pCurrentSet != NULL) m_pCurrentSet->SetFPS(m_dwTicks);
  *result = 0;
}

void CAnimationToolBar::OnDeltaposTimeSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  long upper = m_pCurrentSet != NULL ? static_cast<long>(m_pCurrentSet->GetMaxAnimationTime()) : kSpinUpper;
  long value = static_cast<long>(m_fTime) + change->iDelta;
  if (value < 0) value = 0;
  if (value > upper) value = upper;
  m_fTime = static_cast<float>(value);
  ShowTime();
  if (m_pCurrentSet != NULL) {
    m_pCurrentSet->SetAnimationTime(m_fTime);
    AnimateCurrentSet();
  }
  *result = 0;
}

void CAnimationToolBar::OnUpdateWhileCurrentSet(CCmdUI* cmdUI) { cmdUI->Enable(m_pCurrentSet != NULL); }

void CAnimationToolBar::OnUpdatePlay(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pCurrentSet != NULL);
  cmdUI->SetCheck(m_pCurrentSet != NULL && m_pCurrentSet->GetAnimationSetState() != CAnimationSet::eStopped);
}

void CAnimationToolBar::OnUpdatePause(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pCurrentSet != NULL);
  cmdUI->SetCheck(m_pCurrentSet != NULL && m_pCurrentSet->GetAnimationSetState() == CAnimationSet::ePaused);
}

void CAnimationToolBar::OnUpdateTime(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pCurrentSet != NULL);
  if (m_wndTime.GetSafeHwnd() != NULL) {
    m_wndTime.SetReadOnly(m_pCurrentSet != NULL && m_pCurrentSet->GetAnimationSetState() == CAnimationSet::ePlaying);
  }
}

void CAnimationToolBar::OnUpdateTimeSpin(CCmdUI* cmdUI) {
  cmdUI->Enable(m_pCurrentSet != NULL && m_pCurrentSet->GetAnimationSetState() != CAnimationSet::ePlaying);
}
