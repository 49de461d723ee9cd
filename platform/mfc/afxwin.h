// Windows, threads and the application object of the framework. CWnd is the
// bare window: a handle that receives messages through its message map; the
// desktop's window classes build on it.
#pragma once

#include "afx.h"
#include "afxcoll.h"
#include "afxmsgmap.h"
#include "afxres.h"

#include <functional>
#include <utility>
#include <vector>

class CDC;
class CMDIChildWnd;
class CDocTemplate;
class CDocument;
class CView;
class CMenu;
class CFrameWnd;
class QObject;
class QWidget;

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd() = default;
  // Destroys a window that still exists (on its owner thread).
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object attached to window on the calling thread, or NULL: each thread
  // keeps its own map from handles to objects.
  static CWnd* FromHandlePermanent(HWND window);
  static CWnd* FromHandle(HWND window) { return FromHandlePermanent(window); }
  BOOL Attach(HWND window);
  HWND Detach();

  // Creates a window on the calling thread and attaches it; its messages
  // come to WindowProc. className NULL takes the framework's own class; a
  // name not yet registered is registered for the framework. On the thread
  // of the desktop (a QApplication exists) the window also gets its widget,
  // made by CreateWidget, inside the widget of its parent.
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU menu, LPVOID parameter = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, LPVOID parameter = nullptr);
  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      void* context = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& create);

  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // The widget of the window, NULL without a desktop.
  QWidget* GetWidget() const { return m_pWidget; }
  int GetDlgCtrlID() const { return static_cast<int>(m_nID); }
  void SetDlgCtrlID(int id) { m_nID = static_cast<UINT>(id); }
  CWnd* GetParent() const { return m_pParentWnd; }
  // The frame that holds the window (its nearest CFrameWnd ancestor).
  CFrameWnd* GetParentFrame() const;
  // The child whose control ID is id, or NULL.
  CWnd* GetDlgItem(int id) const;
  void SetWindowText(LPCSTR text);
  void GetWindowText(CString& text) const;
  CString GetWindowTextString() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  // Whether the window (or the MDI window holding it) is maximised.
  BOOL IsZoomed() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
  void GetClientRect(LPRECT rect) const;
  void GetWindowRect(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ClientToScreen(LPPOINT point) const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  void SetRedraw(BOOL redraw = TRUE);
  // Scroll bar positions of a scrolling window (SB_HORZ, SB_VERT); 0 for
  // any other window.
  int GetScrollPos(int bar) const;
  int SetScrollPos(int bar, int position, BOOL redraw = TRUE);
  // Timers send WM_TIMER with their id to the window, on its thread.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void* timerProc = nullptr);
  BOOL KillTimer(UINT_PTR id);
  DWORD GetStyle() const { return m_dwStyle; }
  CMenu* GetMenu() const { return m_pMenu; }
  // Whether the window (an MDI child: its sub-window) is minimised.
  BOOL IsIconic() const;

  // Whether the object goes with its window (controls made from templates).
  BOOL m_bAutoDelete = FALSE;

  // Subclassing: this object takes over the window (a dialog item made by a
  // template) and gets its messages from then on; the object that held the
  // window before is let go (deleted when it went with its window). FALSE
  // when this object already has a window or there is no such item.
  BOOL SubclassWindow(HWND window);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  // Dialog items by ID: texts, check boxes and radio buttons.
  void SetDlgItemText(int id, LPCSTR text);
  CString GetDlgItemText(int id) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  // Checks check and unchecks the other buttons from first to last.
  void CheckRadioButton(int first, int last, int check);
  // The checked button from first to last, 0 when none.
  int GetCheckedRadioButton(int first, int last) const;

  // Command routing: the window's own map (a frame routes on).
  BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) override;

 protected:
  // The message map first, then DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND: a control's notification or a command, routed by OnCmdMsg.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Called after the window is gone and detached (a frame deletes itself
  // here; so does a window with m_bAutoDelete).
  virtual void PostNcDestroy() {
    if (m_bAutoDelete) delete this;
  }
  // Makes the widget of the window inside parent (NULL for a top-level
  // window); the base makes a plain widget.
  virtual QWidget* CreateWidget(QWidget* parent);
  // A child window's widget joins this window's widget: the base lays it
  // at its own place; frames and splitters put it in its pane.
  virtual void AddChildWidget(CWnd* child);
  // The child window of this window that child's widget goes into.
  virtual QWidget* GetChildParentWidget() const { return m_pWidget; }

  // The default processing of the message being handled.
  LRESULT Default();
  // WM_NOTIFY: the handler of the map for the header's code and control ID.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Default handlers of the window messages.
  void OnChar(UINT, UINT, UINT) { Default(); }
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }
  int OnCreate(LPCREATESTRUCT create);
  void OnDestroy() {}
  void OnClose();
  void OnSize(UINT, int, int) {}
  void OnMove(int, int) {}
  void OnTimer(UINT_PTR) {}
  void OnActivate(UINT, CWnd*, BOOL) {}
  void OnSetFocus(CWnd*) {}
  void OnKillFocus(CWnd*) {}
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  void OnPaint() {}
  void OnHScroll(UINT, UINT, CWnd*) {}

  DECLARE_MESSAGE_MAP()

  QWidget* m_pWidget = nullptr;
  CWnd* m_pParentWnd = nullptr;
  UINT m_nID = 0;
  DWORD m_dwStyle = 0;
  CMenu* m_pMenu = nullptr;

 private:
  friend LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  friend class AfxWidgetBridge;
  void DestroyWidget();
  std::vector<std::pair<UINT_PTR, void*>> m_timers;

 protected:
  QObject* m_pBridge = nullptr;
};

#define SB_HORZ 0
#define SB_VERT 1

// The window procedure of every window that the framework creates.
LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

using AFX_THREADPROC = UINT (*)(LPVOID parameter);

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread() = default;
  CWinThread(AFX_THREADPROC procedure, LPVOID parameter);
  // Closes the thread handle.
  ~CWinThread() override;

  CWnd* m_pMainWnd = nullptr;
  // Whether the object deletes itself when its thread ends.
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  MSG m_msgCur{};
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;

  // Starts the thread (later with CREATE_SUSPENDED): the procedure, or
  // InitInstance and then Run (or ExitInstance when InitInstance fails).
  BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);
  DWORD ResumeThread();
  int GetThreadPriority();
  BOOL SetThreadPriority(int priority);
  BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
  operator HANDLE() const { return m_hThread; }

  virtual BOOL InitInstance();
  // The message loop: ends with ExitInstance when WM_QUIT arrives.
  virtual int Run();
  virtual BOOL PumpMessage();
  // Thread messages go to the message map (ON_THREAD_MESSAGE); TRUE when handled.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // The exit code of the thread: the code of the last WM_QUIT.
  virtual int ExitInstance();
  // Deletes the object when m_bAutoDelete is set.
  virtual void Delete();
  virtual CWnd* GetMainWnd();

  DECLARE_MESSAGE_MAP()
};

// The application object: one per process, constructed on the main thread,
// whose thread object it is.
class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  LPCSTR m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;

  // The document templates, in the order they were added; the application
  // owns them.
  void AddDocTemplate(CDocTemplate* docTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& position) const;
  // Deletes the templates (the host's exit).
  void DeleteDocTemplates();
  // Closes every document of every template.
  void CloseAllDocuments(BOOL endSession);
  // Idle work between frames: the frames' command updates. FALSE: no more.
  virtual BOOL OnIdle(LONG count);
  // Commands reach the application last.
  BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) override;

 private:
  std::vector<CDocTemplate*> m_templates;
};

CWinApp* AfxGetApp();
// The application's name, or "" without an application object.
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The calling thread's main window, else the application's.
CWnd* AfxGetMainWnd();
// The framework thread object of the calling thread: the application object
// on the main thread, the CWinThread on a thread that AfxBeginThread started,
// NULL on any other thread.
CWinThread* AfxGetThread();

// A worker thread running procedure(parameter).
CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);
// A thread object made from runtimeClass (dynamically creatable, derived from
// CWinThread). With CREATE_SUSPENDED it waits for ResumeThread. NULL on failure.
CWinThread* AfxBeginThread(CRuntimeClass* runtimeClass, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES attributes = nullptr);

// The state of one command's user-interface items (menu item, toolbar
// button) that an ON_UPDATE_COMMAND_UI handler sets.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CWnd* m_pOther = nullptr;  // the toolbar, NULL for a menu
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);
  virtual void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
  virtual void SetText(LPCSTR text);
  void ContinueRouting() { m_bContinueRouting = TRUE; }
  // Asks target for the state: the handler's answer, or enabled when the
  // command has a handler and disabled when it has none (autoDisable).
  BOOL DoUpdate(CCmdTarget* target, BOOL autoDisable);

  // What the handler set (read by the framework and by tests).
  BOOL m_bEnabled = TRUE;
  int m_nCheck = 0;
  CString m_strText;
  BOOL m_bTextChanged = FALSE;
};

// A menu built from a menu resource; each item is a QAction of the frame.
class CMenu : public CObject {
 public:
  CMenu() = default;
  ~CMenu() override;
  // Item states by command ID. MF_BYCOMMAND only.
  UINT EnableMenuItem(UINT id, UINT enable);
  UINT CheckMenuItem(UINT id, UINT check);
  // The popup titles of the bar, then per popup its item texts ("" for a
  // separator), in display order.
  int GetMenuItemCount() const;
  CString GetMenuString(UINT position) const;

  void* m_pImpl = nullptr;  // the frame's menu bar
};
#define MF_BYCOMMAND 0x0000u
#define MF_ENABLED 0x0000u
#define MF_GRAYED 0x0001u
#define MF_DISABLED 0x0002u
#define MF_UNCHECKED 0x0000u
#define MF_CHECKED 0x0008u

// What a frame makes when it is loaded for a document.
struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// Frame window styles of the framework.
#define FWS_ADDTOTITLE 0x00008000u
#define FWS_PREFIXTITLE 0x00040000u
#define FWS_SNAPTOBARS 0x00080000u

class CControlBar;

// A top-level window with a menu, control bars, a status bar and a client
// view: a QMainWindow.
class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)

 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;

  CString m_strTitle;

  // Creates the window from resource id: the title (string id, up to the
  // first newline), the menu and accelerators of that id when registered.
  virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                         CCreateContext* context = nullptr);
  BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
              void* context = nullptr) override;

  CView* GetActiveView() const { return m_pViewActive; }
  void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CDocument* GetActiveDocument();
  // The active frame: this one, or an MDI frame's active child.
  virtual CFrameWnd* GetActiveFrame() { return this; }
  virtual void ActivateFrame(int command = -1);
  virtual void InitialUpdateFrame(CDocument* document, BOOL makeVisible);
  // Sets the window text from the active document's title; frames that
  // show more override it. Runs when the title or the active view changes.
  virtual void OnUpdateFrameTitle(BOOL addToTitle);
  virtual void RecalcLayout(BOOL notify = TRUE);
  // Makes a view of the context's class as the frame's client (pane id).
  CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);

  // Control bars: docking sides, docking, showing and hiding.
  void EnableDocking(DWORD dockStyle);
  void DockControlBar(CControlBar* bar, UINT dockBarId = 0, const RECT* rect = nullptr);
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  // The status bar's message pane.
  void SetMessageText(LPCSTR text);
  void SetMessageText(UINT id);
  CString GetMessageText() const;

  // Asks every menu item and toolbar button of the frame for its state.
  void OnUpdateCmdUI();
  // Triggers the menu item or toolbar button of command id as a click would.
  BOOL TriggerCommand(UINT id);
  // The titles of the menu bar, and the texts of one popup ("" for a
  // separator), in display order.
  std::vector<CString> GetMenuTitles() const;
  std::vector<CString> GetMenuItemTexts(int popup) const;
  // The state of a menu item after the last update; FALSE when absent.
  BOOL GetMenuItemState(UINT id, BOOL* enabled, BOOL* checked) const;

  BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) override;
  BOOL PreCreateWindow(CREATESTRUCT& create) override;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void AddChildWidget(CWnd* child) override;
  virtual BOOL OnCreateClient(LPCREATESTRUCT create, CCreateContext* context);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override { delete this; }
  // Builds the menu bar from the registered menu resourceId.
  void BuildMenu(UINT resourceId);

  int OnCreate(LPCREATESTRUCT create);
  void OnClose();
  void OnDestroy();
  void OnActivate(UINT state, CWnd* other, BOOL minimized);
  void OnSize(UINT, int, int) { RecalcLayout(); }

  DECLARE_MESSAGE_MAP()

  CView* m_pViewActive = nullptr;
  UINT m_nIDHelp = 0;
  std::vector<CControlBar*> m_bars;
  friend class CControlBar;
  friend class CMDIFrameWnd;
  friend class CDocTemplate;
};

// The main window of a multiple-document program: its client is an MDI area
// of child frames.
class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)

 public:
  CMDIFrameWnd() = default;
  // The active child frame, or NULL.
  CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
  void MDIActivate(CWnd* child);
  void MDICascade();
  void MDITile();
  CFrameWnd* GetActiveFrame() override;
  BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) override;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void AddChildWidget(CWnd* child) override;
  BOOL OnCreateClient(LPCREATESTRUCT create, CCreateContext* context) override;
  void OnWindowCascade() { MDICascade(); }
  void OnWindowTile() { MDITile(); }
  void OnUpdateWindowCommand(CCmdUI* cmdUI);

  DECLARE_MESSAGE_MAP()
};

// A document's frame inside the MDI area.
class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)

 public:
  CMDIChildWnd() = default;
  BOOL LoadFrame(UINT resourceId, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIDestroy();
  void ActivateFrame(int command = -1) override;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void OnMDIActivate(BOOL activate, CWnd* activated, CWnd* deactivated);
  virtual void OnChildActivated(BOOL activate) { (void)activate; }
  friend class CMDIFrameWnd;
  friend class AfxWidgetBridge;
};

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCSTR title);
  const CString& GetPathName() const { return m_strPathName; }
  virtual void SetPathName(LPCSTR pathName, BOOL addToRecent = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  BOOL IsModified() const { return m_bModified; }
  void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  POSITION GetFirstViewPosition() const;
  CView* GetNextView(POSITION& position) const;
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);
  // The frames' titles follow the document's title.
  void UpdateFrameCounts();

  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCSTR pathName);
  // Destroys the frames of the document, then deletes it (m_bAutoDelete).
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  virtual BOOL CanCloseFrame(CFrameWnd* frame);
  virtual void PreCloseFrame(CFrameWnd* frame) { (void)frame; }
  virtual void OnChangedViewList();

  BOOL m_bAutoDelete = TRUE;

 protected:
  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  std::vector<CView*> m_views;
  BOOL m_bModified = FALSE;
  friend class CDocTemplate;
  friend class CMultiDocTemplate;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  CView() = default;
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
  virtual void OnDraw(CDC* dc) { (void)dc; }
  virtual void OnActivateView(BOOL activate, CView* activateView, CView* deactiveView);
  // View, then document.
  BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) override;

 protected:
  int OnCreate(LPCREATESTRUCT create);
  void OnDestroy();
  void PostNcDestroy() override { delete this; }
  void OnPaint();

  DECLARE_MESSAGE_MAP()

  CDocument* m_pDocument = nullptr;
  friend class CDocument;
};

// Opens documents of one class, each in frames of one class showing views of
// one class.
class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  enum Confidence { noAttempt, maybeAttemptForeign, maybeAttemptNative, yesAttemptForeign, yesAttemptNative,
                    yesAlreadyOpen };
  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

  CDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass, CRuntimeClass* viewClass);
  ~CDocTemplate() override;

  UINT GetResourceID() const { return m_nIDResource; }
  BOOL GetDocString(CString& text, DocStringIndex index) const;
  virtual POSITION GetFirstDocPosition() const = 0;
  virtual CDocument* GetNextDoc(POSITION& position) const = 0;
  virtual void AddDocument(CDocument* document);
  virtual void RemoveDocument(CDocument* document);
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* document, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible = TRUE);
  // A new document (pathName NULL) or the document of pathName, in a new frame.
  virtual CDocument* OpenDocumentFile(LPCSTR pathName, BOOL makeVisible = TRUE) = 0;
  virtual Confidence MatchDocType(LPCSTR pathName, CDocument*& match);
  virtual void CloseAllDocuments(BOOL endSession);

 protected:
  UINT m_nIDResource;
  CRuntimeClass* m_pDocClass;
  CRuntimeClass* m_pFrameClass;
  CRuntimeClass* m_pViewClass;
  CString m_strDocStrings;
  UINT m_nUntitledCount = 0;
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)

 public:
  using CDocTemplate::CDocTemplate;
  ~CMultiDocTemplate() override;
  POSITION GetFirstDocPosition() const override;
  CDocument* GetNextDoc(POSITION& position) const override;
  void AddDocument(CDocument* document) override;
  void RemoveDocument(CDocument* document) override;
  CDocument* OpenDocumentFile(LPCSTR pathName, BOOL makeVisible = TRUE) override;

 private:
  CPtrList m_docList;
};

// A modal or modeless dialog built from a dialog template.
class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Modal: runs until EndDialog; IDOK, IDCANCEL or the code given.
  virtual INT_PTR DoModal();
  // Modeless: the window stays until destroyed.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // Moves data between the controls and the members (DDX).
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(class CDataExchange* exchange) { (void)exchange; }

  // The code EndDialog gave (for a dialog shown modelessly in tests).
  INT_PTR GetResult() const { return m_nModalResult; }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Makes the controls of the template inside the dialog's widget.
  BOOL CreateControls();

  UINT m_nIDHelp = 0;
  UINT m_lpszTemplateName = 0;
  CWnd* m_pParentForDialog = nullptr;
  INT_PTR m_nModalResult = -1;
  std::vector<CWnd*> m_controls;
  friend class CFormView;
};

// Modal dialogs answered by the program itself (tests, scripted runs): the
// hook sees every modal dialog once it is initialised and before it waits for
// the user; calling EndDialog there answers it. An empty hook lets the user
// answer. Main thread only.
using AfxModalDialogHook = std::function<void(CDialog* dialog)>;
void AfxSetModalDialogHook(AfxModalDialogHook hook);
// Calls the hook, when there is one, on a dialog not answered yet.
void AfxCallModalDialogHook(CDialog* dialog);

// Controls: windows of the standard classes, made by Create or by a
// dialog template.
class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  int GetCheck() const;
  void SetCheck(int check);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  void SetSel(int start, int end, BOOL noScroll = FALSE);
  void GetSel(int& start, int& end) const;
  void SetReadOnly(BOOL readOnly = TRUE);
  void ReplaceSel(LPCSTR text, BOOL canUndo = FALSE);
  int GetLineCount() const;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  // What a single-line edit does with WM_CHAR (inserts a character over the
  // selection; backspace deletes the selection or the character before the
  // caret), WM_CLEAR (deletes the selection), EM_GETSEL and EM_SETSEL.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  int AddString(LPCSTR text);
  int InsertString(int index, LPCSTR text);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);
  void GetLBText(int index, CString& text) const;
  int SetItemData(int index, DWORD_PTR data);
  DWORD_PTR GetItemData(int index) const;
  // The width of the drop-down list in pixels.
  int SetDroppedWidth(UINT width);
  int GetDroppedWidth() const;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};

// Moves values between the controls of a dialog or form and its members.
// A value that cannot be read (text that is no number) shows the
// framework's message and stops the exchange (Fail).
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  // The control id of the form; NULL when it has none.
  CWnd* PrepareCtrl(int id);
  [[noreturn]] void Fail();
};
// The exception that Fail throws; UpdateData catches it.
class CUserException : public CObject {};

void DDX_Text(CDataExchange* exchange, int id, float& value);
void DDX_Text(CDataExchange* exchange, int id, int& value);
void DDX_Text(CDataExchange* exchange, int id, CString& value);
// A check box: 0 unchecked, 1 checked.
void DDX_Check(CDataExchange* exchange, int id, int& value);
// A group of radio buttons from id (WS_GROUP) up to the next WS_GROUP
// control: the index of the checked one, -1 when none.
void DDX_Radio(CDataExchange* exchange, int id, int& value);
// Binds control to the item id (subclassing it once).
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

// The control of a dialog template's class name, not yet created.
CWnd* AfxNewControl(LPCSTR className, DWORD style);
// Places a window by dialog units inside parent's widget.
void AfxPlaceDialogItem(CWnd* control, const AfxDialogItem& item);

// A message box with the application's name as caption: the text, or the
// string table entry id.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT id, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));

// Text alignment and background modes of a device context.
#define TA_LEFT 0u
#define TA_TOP 0u
#define TA_CENTER 6u
#define TA_BASELINE 24u
#define TRANSPARENT 1
#define OPAQUE 2

// A device context of a window: GDI-style drawing into a picture of the
// window's client size, shown in the window when the context goes.
class CDC {
 public:
  CDC();
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  void FillSolidRect(const RECT* rect, COLORREF colour);
  UINT SetTextAlign(UINT flags);
  COLORREF SetTextColor(COLORREF colour);
  int SetBkMode(int mode);
  BOOL TextOut(int x, int y, LPCSTR text);
  SIZE GetTextExtent(LPCSTR text) const;
  // Whether some part of rect lies in the picture.
  BOOL RectVisible(const RECT* rect) const;
  // The picture drawn so far: RGBA rows, top first (tests read it).
  COLORREF GetPixel(int x, int y) const;

 protected:
  struct Impl;
  Impl* m_pImpl;
  friend void AfxPaintStaticColor(QWidget* label, CWnd* control);
};

// The device context of a window's client area.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 private:
  CWnd* m_pWindow;
};

// The cursor's position in screen coordinates.
BOOL GetCursorPos(LPPOINT point);
