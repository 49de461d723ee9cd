// CCameraPropertiesToolBar: the camera moving-mode buttons and the list that
// chooses the depth of field (shrink factor) of the active 3D view's camera;
// the list follows the active view at every command-state update.
#pragma once

#include <afxext.h>

class CDXSplitterFrame;

class CCameraPropertiesToolBar : public CToolBar {
 public:
  CCameraPropertiesToolBar() = default;
  ~CCameraPropertiesToolBar() override;

  // Builds the bar in frame and docks it; FALSE when a part cannot be made.
  BOOL Create(CDXSplitterFrame* frame);

  // The shrink factor of list entry index (1.0 for no entry), and the entry
  // of a factor (0 for a factor not listed).
  static float FactorOfEntry(int index);
  static int EntryOfFactor(float factor);

  CComboBox* GetDepthOfFieldBox() { return &m_wndDepthOfField; }

 protected:
  void OnSelchangeCameraShrinkFactor();
  void OnUpdateCameraShrinkFactor(CCmdUI* cmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  CComboBox m_wndDepthOfField;
  CDXSplitterFrame* m_pFrame = NULL;
};
