// CDXLeftRightCompositeSplitterWnd: the splitter that fills a document
// frame, the tool pane in column 0 and the 3D pane in column 1. While its bar
// is dragged every 3D view of the frame is paused; when the bars are drawn
// the views of the left column of the frame's 3D splitter rebuild their
// render surfaces.
#pragma once

#include <afxext.h>

class CDXSplitterFrame;

class CDXLeftRightCompositeSplitterWnd : public CSplitterWnd {
 public:
  CDXLeftRightCompositeSplitterWnd() = default;

  void OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) override;
  void OnInvertTracker(const RECT& rect) override;

  bool IsTracking() const { return m_bTracking; }

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // The document frame that holds the splitter, NULL in any other frame.
  CDXSplitterFrame* GetSplitterFrame() const;
  // Pauses (or resumes) every 3D view of the frame.
  void PauseFrameViews(bool pause);

  bool m_bTracking = false;
};
