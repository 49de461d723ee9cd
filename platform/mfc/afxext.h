// Control bars (toolbars, status bar, dialog bars), splitter windows and form
// views.
#pragma once

#include "afxwin.h"

// Control bar styles: the side a bar sits on, and its behaviour.
#define CBRS_ALIGN_LEFT 0x1000u
#define CBRS_ALIGN_TOP 0x2000u
#define CBRS_ALIGN_RIGHT 0x4000u
#define CBRS_ALIGN_BOTTOM 0x8000u
#define CBRS_ALIGN_ANY 0xF000u
#define CBRS_BORDER_BOTTOM 0x0800u
#define CBRS_TOOLTIPS 0x0010u
#define CBRS_FLYBY 0x0020u
#define CBRS_GRIPPER 0x00400000u
#define CBRS_SIZE_DYNAMIC 0x0004u
#define CBRS_SIZE_FIXED 0x0008u
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | 0x0400u)
#define CBRS_LEFT (CBRS_ALIGN_LEFT | 0x0200u)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | 0x0100u)
#define TBSTYLE_FLAT 0x0800u
// Button styles; a separator's image is its width in pixels.
#define TBBS_BUTTON 0x0000u
#define TBBS_SEPARATOR 0x0001u
#define TBBS_CHECKBOX 0x0002u
// The dock bars of a frame's four sides.
#define AFX_IDW_DOCKBAR_TOP 0xE81Bu
#define AFX_IDW_DOCKBAR_LEFT 0xE81Cu
#define AFX_IDW_DOCKBAR_RIGHT 0xE81Du
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81Eu

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)

 public:
  // The sides the bar may dock on (CBRS_ALIGN_*).
  void EnableDocking(DWORD dockStyle) { m_dwDockStyle = dockStyle; }
  DWORD GetBarStyle() const { return m_dwStyle; }
  BOOL IsVisible() const { return IsWindowVisible(); }
  // Asks the frame's handlers for the state of each item of the bar.
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
    (void)target;
    (void)disableIfNoHandler;
  }

  DWORD m_dwDockStyle = 0;
  // The frame that lists the bar; a bar that goes leaves its list.
  CFrameWnd* m_pDockSite = nullptr;
  ~CControlBar() override;
};

// A toolbar: buttons from a toolbar resource, each with its tooltip (the
// prompt string's text after its newline) and its fly-by text (before it).
class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)

 public:
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                RECT borders = RECT{0, 0, 0, 0}, UINT id = AFX_IDW_TOOLBAR);
  BOOL LoadToolBar(UINT resourceId);
  // The button pictures of a toolbar resource, in order, for SetButtons.
  BOOL LoadBitmap(UINT resourceId);
  // Buttons of the given command IDs (ID_SEPARATOR for a gap), taking the
  // loaded pictures in order.
  BOOL SetButtons(const UINT* ids, int count);
  // With TBBS_SEPARATOR: button index becomes a gap of width image pixels
  // that holds the child window of control ID id (a combo box, an edit).
  void SetButtonInfo(int index, UINT id, UINT style, int image);
  // The index of the button (or gap) of command id, -1 when there is none.
  int CommandToIndex(UINT id) const;
  // The rectangle of button index in the bar's client coordinates.
  void GetItemRect(int index, LPRECT rect) const;
  // Buttons by index, separators included.
  int GetCount() const;
  UINT GetItemID(int index) const;
  CString GetButtonTip(int index) const;
  CString GetButtonFlyBy(int index) const;
  BOOL IsButtonEnabled(int index) const;
  BOOL IsButtonChecked(int index) const;
  // The bar's own message map answers first for its buttons and controls,
  // then the target.
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void AddChildWidget(CWnd* child) override;

 private:
  void AddButton(UINT id, LPCSTR picture);
  std::vector<LPCSTR> m_pictures;
};

// The status bar: indicator panes, the first of which (ID_SEPARATOR) is the
// message pane.
class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)

 public:
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  BOOL SetIndicators(const UINT* ids, int count);
  BOOL SetPaneText(int index, LPCSTR text, BOOL update = TRUE);
  CString GetPaneText(int index) const;
  int GetCount() const { return static_cast<int>(m_indicators.size()); }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  std::vector<UINT> m_indicators;
};

// A bar whose content is a dialog template's controls.
class CDialogBar : public CControlBar {
  DECLARE_DYNAMIC(CDialogBar)

 public:
  BOOL Create(CWnd* parent, UINT templateId, UINT style, UINT id);
  SIZE m_sizeDefault{0, 0};

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

// Panes in rows and columns; a static splitter holds one view (or a nested
// splitter) in each pane. Dragging a bar draws its tracker (OnInvertTracker)
// while the mouse moves and the panes take their new sizes when it is let go;
// the bars are then drawn again (OnDrawSplitter).
class CSplitterWnd : public CWnd {
  DECLARE_DYNAMIC(CSplitterWnd)

 public:
  enum ESplitType { splitBox, splitBar, splitIntersection, splitBorder };

  BOOL CreateStatic(CWnd* parent, int rows, int columns, DWORD style = WS_CHILD | WS_VISIBLE,
                    UINT id = AFX_IDW_PANE_FIRST);
  // A view of viewClass in pane (row, column).
  virtual BOOL CreateView(int row, int column, CRuntimeClass* viewClass, SIZE initialSize, CCreateContext* context);
  // The control ID of pane (row, column): the first pane's plus 16 a row plus the column.
  int IdFromRowCol(int row, int column) const { return AFX_IDW_PANE_FIRST + row * 16 + column; }
  CWnd* GetPane(int row, int column) const;
  // Destroys the window in pane (row, column).
  virtual void DeleteView(int row, int column);
  // Makes the pane's window (pWnd, or the one in the pane) the frame's active
  // view when it is a view.
  virtual void SetActivePane(int row, int column, CWnd* pWnd = nullptr);
  int GetRowCount() const { return m_nRows; }
  int GetColumnCount() const { return m_nCols; }
  void SetRowInfo(int row, int ideal, int minimum);
  void SetColumnInfo(int column, int ideal, int minimum);
  void GetRowInfo(int row, int& current, int& minimum) const;
  void GetColumnInfo(int column, int& current, int& minimum) const;
  virtual void RecalcLayout();
  // Drawing of a bar (dc may be NULL), and of the tracker while a bar is dragged.
  virtual void OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect);
  virtual void OnInvertTracker(const RECT& rect);
  // Splitting a pane in two; a static splitter has fixed panes: FALSE.
  virtual BOOL SplitRow(int cyBefore);
  virtual BOOL SplitColumn(int cxBefore);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void AddChildWidget(CWnd* child) override;
  QWidget* GetChildParentWidget() const override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  int m_nRows = 0, m_nCols = 0;
  std::vector<int> m_rowIdeal, m_rowMin, m_colIdeal, m_colMin;
  std::vector<QWidget*> m_rowWidgets;  // one horizontal splitter per row
};

// A view whose content is a dialog template's controls.
class CFormView : public CView {
  DECLARE_DYNAMIC(CFormView)

 public:
  explicit CFormView(UINT templateId) : m_nIDTemplate(templateId) {}
  void OnInitialUpdate() override;
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(class CDataExchange* exchange) { (void)exchange; }
  UINT GetTemplateId() const { return m_nIDTemplate; }

 protected:
  int OnCreate(LPCREATESTRUCT create);
  QWidget* CreateWidget(QWidget* parent) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  DECLARE_MESSAGE_MAP()

  UINT m_nIDTemplate;
};
