// CAnimationToolBar: plays the animation sets of a document's world: a list
// of the sets, play, pause and stop buttons, and the time and the ticks per
// second of the current set, each an edit with a spin button. Shown only
// while the world has an animation set.
#pragma once

#include <afxcmn.h>
#include <afxext.h>

#include <vector>

class CAnimationSet;
class CDXSplitterFrame;
class CXFileDataList;

class CAnimationToolBar : public CToolBar {
 public:
  CAnimationToolBar() { ClearContent(); }
  ~CAnimationToolBar() override;

  // Builds the bar in frame (nothing without one) and fills it from world;
  // raises its message when a part cannot be made.
  void Create(CDXSplitterFrame* frame, CXFileDataList* world);
  // Destroys the controls and forgets the sets.
  void DestroyContent();
  void ClearContent();

  // Lists the world's sets; the first becomes current. The bar is shown
  // while there is a current set.
  void FillAnimationSetsCombo(CXFileDataList* world);
  // Shows the new time of set when it is the current set.
  void SetAnimationTime(CAnimationSet* set);
  // Empties the list and the set array.
  void ClearAnimationSetsCombo();

  // The buttons' commands (the frame forwards its own to these).
  void OnCommandAnimationPlay();
  void OnCommandAnimationPause();
  void OnCommandAnimationStop();

  CAnimationSet* GetCurrentSet() const { return m_pCurrentSet; }
  DWORD GetTicksPerSecond() const { return m_dwTicks; }
  float GetTime() const { return m_fTime; }
  CComboBox* GetSetsBox() { return &m_wndSets; }
  CEdit* GetTicksEdit() { return &m_wndTicks; }
  CEdit* GetTimeEdit() { return &m_wndTime; }
  CSpinButtonCtrl* GetTicksSpin() { return &m_wndTicksSpin; }
  CSpinButtonCtrl* GetTimeSpin() { return &m_wndTimeSpin; }

 protected:
  void OnSelchangeAnimationSets();
  void OnChangeTicks();
  void OnChangeTime();
  void OnDeltaposTicksSpin(NMHDR* header, LRESULT* result);
  void OnDeltaposTimeSpin(NMHDR* header, LRESULT* result);
  void OnUpdateWhileCurrentSet(CCmdUI* cmdUI);
  void OnUpdatePlay(CCmdUI* cmdUI);
  void OnUpdatePause(CCmdUI* cmdUI);
  void OnUpdateTime(CCmdUI* cmdUI);
  void OnUpdateTimeSpin(CCmdUI* cmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  void AddAnimationSet(CAnimationSet* set);
  void ShowTicks();
  void ShowTime();
  // Shows the current set at its time at once (a paused or stopped set is
  // not animated by the frame loop).
  void AnimateCurrentSet();
  // Puts a control in the gap of its button; false when it cannot be made.
  bool CreateEdit(CEdit& edit, UINT id);
  bool CreateSpin(CSpinButtonCtrl& spin, CEdit& buddy, UINT id);

  CComboBox m_wndSets;
  CEdit m_wndTicks;
  CSpinButtonCtrl m_wndTicksSpin;
  CEdit m_wndTime;
  CSpinButtonCtrl m_wndTimeSpin;
  CDXSplitterFrame* m_pParentFrame;
  std::vector<CAnimationSet*> m_sets;
  int m_nSetCount;
  CAnimationSet* m_pCurrentSet;
  DWORD m_dwTicks;
  float m_fTime;
  // True while the bar writes a value into an edit itself: only what the
  // user types goes back into the set.
  bool m_bShowing = false;
};
