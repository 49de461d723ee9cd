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
  // Buttons by index, separators included.
  int GetCount() const;
  UINT GetItemID(int index) const;
  CString GetButtonTip(int index) const;
  CString GetButtonFlyBy(int index) const;
  BOOL IsButtonEnabled(int index) const;
  BOOL IsButtonChecked(int index) const;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
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
// splitter) in each pane.
class CSplitterWnd : public CWnd {
  DECLARE_DYNAMIC(CSplitterWnd)

 public:
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
