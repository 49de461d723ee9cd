// The common controls: progress bar, up-down button, slider, list and tree.
#pragma once

#include "afxwin.h"

#define PBS_SMOOTH 0x01u
#define UDS_SETBUDDYINT 0x0002u
#define UDS_ALIGNRIGHT 0x0004u
#define UDS_AUTOBUDDY 0x0010u
#define UDS_ARROWKEYS 0x0020u
#define UDS_NOTHOUSANDS 0x0080u

// WM_NOTIFY of an up-down button before it steps: a non-zero result keeps
// its position.
#define UDN_DELTAPOS (static_cast<UINT>(-722))
struct NMUPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
};
#define TBS_HORZ 0x0000u
#define TBS_VERT 0x0002u
#define LVS_REPORT 0x0001u
#define LVS_SINGLESEL 0x0004u
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVNI_SELECTED 0x0002
#define TVS_HASBUTTONS 0x0001u
#define TVS_HASLINES 0x0002u
#define TVS_LINESATROOT 0x0004u
#define TVS_SHOWSELALWAYS 0x0020u

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(-0x0FFFE)))

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)

 public:
  void SetRange(short lower, short upper) { SetRange32(lower, upper); }
  void SetRange32(int lower, int upper);
  void GetRange(int& lower, int& upper) const;
  int SetPos(int position);
  int GetPos() const;
  int SetStep(int step);
  // Moves on by the step; past the upper end it starts again from the lower.
  int StepIt();
  int OffsetPos(int offset);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  int m_lower = 0, m_upper = 100, m_pos = 0, m_step = 10;
};

// The up-down button beside an edit control (its buddy). Each step first
// asks its parent (UDN_DELTAPOS); with UDS_SETBUDDYINT the buddy then shows
// the new position.
class CSpinButtonCtrl : public CWnd {
  DECLARE_DYNAMIC(CSpinButtonCtrl)

 public:
  void SetRange32(int lower, int upper);
  void SetRange(short lower, short upper) { SetRange32(lower, upper); }
  void GetRange32(int& lower, int& upper) const;
  int SetPos32(int position);
  int GetPos32(BOOL* error = nullptr) const;
  CWnd* SetBuddy(CWnd* buddy);
  CWnd* GetBuddy() const { return m_pBuddy; }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  CWnd* m_pBuddy = nullptr;
};

class CSliderCtrl : public CWnd {
  DECLARE_DYNAMIC(CSliderCtrl)

 public:
  void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
  void GetRange(int& minimum, int& maximum) const;
  int GetRangeMin() const;
  int GetRangeMax() const;
  void SetPos(int position);
  int GetPos() const;
  void SetTicFreq(int frequency);
  void SetPageSize(int size);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};

// A list in report mode: columns and rows of texts, each row with its data.
class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)

 public:
  int InsertColumn(int column, LPCSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  int InsertItem(int item, LPCSTR text);
  BOOL SetItemText(int item, int subItem, LPCSTR text);
  CString GetItemText(int item, int subItem) const;
  BOOL SetItemData(int item, DWORD_PTR data);
  DWORD_PTR GetItemData(int item) const;
  BOOL DeleteItem(int item);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  int GetColumnCount() const;
  int GetNextItem(int start, int flags) const;
  BOOL SetItemState(int item, UINT state, UINT mask);

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};
#define LVIS_SELECTED 0x0002u
#define LVIS_FOCUSED 0x0001u

// A tree of text items, each with its data.
class CTreeCtrl : public CWnd {
  DECLARE_DYNAMIC(CTreeCtrl)

 public:
  HTREEITEM InsertItem(LPCSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item);
  BOOL DeleteAllItems();
  CString GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, LPCSTR text);
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  HTREEITEM GetSelectedItem() const;
  BOOL SelectItem(HTREEITEM item);
  BOOL Expand(HTREEITEM item, UINT code);
  UINT GetCount() const;

 protected:
  QWidget* CreateWidget(QWidget* parent) override;
};
#define TVE_EXPAND 0x0002u
#define TVE_COLLAPSE 0x0001u
