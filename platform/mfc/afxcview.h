// Views that are a list or a tree control.
#pragma once

#include "afxcmn.h"

class CListView : public CView {
  DECLARE_DYNAMIC(CListView)

 public:
  CListView();
  ~CListView() override;
  // The control that the view is.
  CListCtrl& GetListCtrl() const { return *m_pList; }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  CListCtrl* m_pList;
};

class CTreeView : public CView {
  DECLARE_DYNAMIC(CTreeView)

 public:
  CTreeView();
  ~CTreeView() override;
  CTreeCtrl& GetTreeCtrl() const { return *m_pTree; }

 protected:
  QWidget* CreateWidget(QWidget* parent) override;

 private:
  CTreeCtrl* m_pTree;
};
