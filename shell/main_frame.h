// CDXMainFrame: the MDI main window: the status bar, the reduction-steps
// toolbar, the device, the frame-loop steps, the main commands and the
// receiver of the job messages.
#pragma once

#include <afxext.h>
#include <afxwin.h>
#include <converter3ds.h>
#include <dx_mutex.h>

#include <map>
#include <string>

class CDeviceCreationLogView;
class CDocumentManager;
class CDXDoc;
class CHelpView2;
class CDXFile3DView;
class CDXSplitterFrame;
class CDXThread;

class CDXMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CDXMainFrame)

 public:
  CDXMainFrame();
  ~CDXMainFrame() override;

  // A window that only receives the job messages (no bars, no device), made
  // the application's main window: for batch work and tests.
  BOOL Create();

  // The frame-loop steps (main thread). A busy document list with bTryLock
  // raises the lock message to the caller.
  void AnimateWorlds(bool bTryLock);
  void RenderAllSurfaces(bool bTryLock);

  // Repaints every 3D view of every listed document at once.
  virtual void UpdateAll3DViews(bool bTryLock);
  // Whether some listed document runs a job.
  bool ActiveThread(bool bTryLock);

  // Keyboard and mouse of the active 3D view, polled once a frame: the arrow
  // keys steer its camera and the left button picks; each held key or button
  // holds one pause of the document's jobs.
  void ProcessKeyboardInput2(bool bTryLock);
  void ProcessMouseInput(bool bTryLock);
  // The view lost the focus: what was held is released (and its pauses).
  void ResetInputDevicesStates(CDXFile3DView* view);

  // The one progress bar of the running jobs.
  bool CreateProgressBar();
  bool DestroyProgressBar();
  void ResizeProgressBar();
  void StepProgressBar();
  bool CreateProgressBar(CDXThread* job);
  bool DestroyProgressBar(CDXThread* job);
  CDialogBar* GetProgressDialogBar() const { return m_pProgressDialogBar; }
  int GetProgressCount() const { return m_nProgressCount; }

  // A new untitled document in a splitter frame; false when none was made.
  bool CreateDocument();
  bool CreateWindowedDevice();
  bool InitDeviceObjects();
  bool CreateInputDevices();
  bool CreatePMeshPolygonReductionToolbar();
  bool CreateCMeshPolygonReductionToolbar();
  bool DestroyPolygonReductionToolbar();
  bool PMeshPolygonReductionToolBarCreated() const { return m_bPMeshToolbar; }
  CToolBar* GetReductionStepsToolbar() const { return m_pReductionToolbar; }
  CStatusBar* GetStatusBar() { return &m_wndStatusBar; }
  // The windows that the help and log commands open; NULL when not open.
  CHelpView2* GetHelpView() const { return m_pHelpView; }
  void SetHelpView(CHelpView2* view) { m_pHelpView = view; }
  void SetDownloadSitesView(CHelpView2* view) { m_pDownloadSitesView = view; }
  CDeviceCreationLogView* GetDeviceCreationLogView() const { return m_pDeviceCreationLogView; }
  void SetDeviceCreationLogView(CDeviceCreationLogView* view) { m_pDeviceCreationLogView = view; }
  // Closes the device-creation log window when it is open, else opens it.
  void ViewDeviceCreationLog();
  C3DSFileConverter* Get3DSFileConverter() { return &m_3DSFileConverter; }

  bool IsInitialized() const { return m_bInitialized; }
  bool IsMainFrameActivated() const { return m_bActivated; }
  int GetAppUseZBuffer() const { return m_bUseZBuffer; }
  void SetActiveSplitterFrame(CDXSplitterFrame* frame) { m_pActiveSplitterFrame = frame; }
  void SetMainFrameActivated(bool activated) { m_bActivated = activated; }
  CDXSplitterFrame* GetActiveSplitterFrame() const { return m_pActiveSplitterFrame; }
  CDXFile3DView* GetActive3DView();
  CDXDoc* GetActiveDXDocument();
  // Calls callback on every 3D view of every document; true.
  bool EnumerateDXviews(bool (*callback)(CDXFile3DView* view, void* param), void* param);
  void CreateAllSurfaces();
  void DestroyAllSurfaces();
  void MoveAllSurfaces();
  void RecalcLayout(BOOL notify = TRUE) override;
  BOOL DestroyWindow() override;

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
  // A job's request to run something on this thread (main_frame_import.cpp).
  LRESULT OnRunOnMainThread(WPARAM wParam, LPARAM lParam);

  // Opens a new document for the file at path and starts its import, as the
  // import command does once its dialog is confirmed; false when no document
  // could be made (main_frame_import.cpp).
  bool ImportFile(const CString& path);

 protected:
  int OnCreate(LPCREATESTRUCT create);
  void OnMove(int x, int y);
  void OnActivate(UINT state, CWnd* other, BOOL minimized);
  void OnSize(UINT type, int cx, int cy);
  void OnTimer(UINT_PTR id);
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  // The library keeps the object after its window is gone.
  void PostNcDestroy() override {}
  void OnNewViewWindow();
  void OnHelpAboutVorever();
  void OnHelpQuickStart();
  void OnHelpTutorial();
  void OnUpdateAlwaysEnabled(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }
  void OnViewReductionStepsToolbar();
  void OnUpdateViewReductionStepsToolbar(CCmdUI* cmdUI);
  void OnViewDeviceCreationLog();
  void OnUpdateViewDeviceCreationLog(CCmdUI* cmdUI);
  void OnInsert3dObjectFromFile();
  void OnUpdateInsert3dObjectFromFile(CCmdUI* cmdUI);
  void OnAppExit();
  // Opens a help window titled title on the html folder's page.
  void OpenHelpPage(LPCSTR title, LPCSTR page);

  DECLARE_MESSAGE_MAP()

 private:
  bool CreateReductionToolbar(UINT resourceId);
  // One step of the progress control when there is one.
  void StepProgressBarOnce();
  LRESULT ForwardToDocument(LPARAM lParam, void (CDXDoc::*forward)(CDXThread*));
  void DestroyContent();

  HWND m_hRenderWindow = nullptr;
  int m_bUseZBuffer = TRUE;
  CToolBar* m_pReductionToolbar = nullptr;
  CMutex m_ViewListLock;
  CDocumentManager* m_pDocumentManager = nullptr;
  bool m_bInitialized = false;
  CDXSplitterFrame* m_pActiveSplitterFrame = nullptr;
  bool m_bActivated = false;
  bool m_bPMeshToolbar = false;
  bool m_bMessagesOnly = false;
  // Held-state flags: 1 released, 0 held.
  int m_nLeftButtonReleased = 1;
  int m_nUpKeyReleased = 1;
  int m_nDownKeyReleased = 1;
  int m_nRightKeyReleased = 1;
  int m_nLeftKeyReleased = 1;
  // Job title to a bar object of the table, owned.
  std::map<std::string, CObject*> m_BarTable;
  CDialogBar* m_pProgressDialogBar = nullptr;
  UINT_PTR m_nProgressTimer = 0;
  int m_nProgressCount = 0;
  CStatusBar m_wndStatusBar;
  C3DSFileConverter m_3DSFileConverter;
  CHelpView2* m_pHelpView = nullptr;
  CDeviceCreationLogView* m_pDeviceCreationLogView = nullptr;
  CHelpView2* m_pDownloadSitesView = nullptr;
};

// The main window, NULL while there is none.
CDXMainFrame* GetMainFrame();
