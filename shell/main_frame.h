// CDXMainFrame: the main window, receiver of the job messages.
#pragma once

#include <afxwin.h>

class CDXMainFrame : public CWnd {
  DECLARE_DYNAMIC(CDXMainFrame)

 public:
  CDXMainFrame() = default;
  ~CDXMainFrame() override;

  // Creates the window on the calling thread and makes it the application's
  // main window.
  BOOL Create();

  // Redraws every 3D view; with showJobType the views of a busy document show
  // the job instead of the scene.
  virtual void UpdateAll3DViews(bool showJobType);

  // The job messages, WM_USER + 1 to WM_USER + 15 in order.
  virtual LRESULT OnDestroyProgressBar(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnCreateProgressBar(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnDisplayTrace(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnReadThreadInfo(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnThreadTraceFileCreated(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnReadThreadTraceFile(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnThreadCreated(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnStepProgressBar(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnSetSlider(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnResetTreeDisplayName(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnFillAnimationSetsCombo(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnDeleteTreeItem(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnSetSelectedFrame(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnSetAnimationTime(WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnSetMessageText(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};

// The main window, NULL while there is none.
CDXMainFrame* GetMainFrame();
