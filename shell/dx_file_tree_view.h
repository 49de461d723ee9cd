// The scene tree: the data objects below the document's selected frame, one
// item per child entry, rebuilt when the selected frame changes and patched
// by the jobs' relabel and delete messages. CDXTreeChildFrame is its window
// of its own.
#pragma once

#include <afxcmn.h>
#include <afxcview.h>
#include <afxtempl.h>
#include <frame.h>

class CChildObject;
class CDXDoc;
class CXFileDataList;
class CXFileDataObject;

// The item data of a tree item.
class CTreeNode {
 public:
  enum NodeType : std::int32_t {
    ePlaceholder = 0,  // "No frame selected"
    eChildObject = 1,  // a CChildObject
    eDataObject = 2,   // a CXFileDataObject: the displayed frame
    eWorld = 3,        // a CXFileDataList
  };

  CTreeNode() { ClearContent(); }
  CTreeNode(const CTreeNode& other) = default;
  CTreeNode& operator=(const CTreeNode& other) = default;
  ~CTreeNode() { DestroyContent(); }

  void ClearContent() {
    m_eNodeType = ePlaceholder;
    m_pObject = nullptr;
  }
  void Initialize(NodeType type, void* object) {
    m_eNodeType = type;
    m_pObject = object;
  }
  void DestroyContent() { ClearContent(); }
  NodeType GetTreeNodeType() const { return m_eNodeType; }
  void* GetObjectA() const { return m_pObject; }

 private:
  NodeType m_eNodeType;
  void* m_pObject;
};

class CDXFileTreeView : public CTreeView {
  DECLARE_DYNCREATE(CDXFileTreeView)

 public:
  CDXFileTreeView();
  ~CDXFileTreeView() override;

  void OnInitialUpdate() override;
  bool Initialize();
  CDXDoc* GetDXDoc() const;
  void PopulateTree();
  void RefreshTree();
  // Shows the selected frame; a busy lock leaves the tree as it was and marks
  // the display for a retry (DisplaySharedObjectsRTLIL, every frame).
  void DisplaySharedObjectsRTL();
  void DisplaySharedObjectsRTLIL();
  void OnSetSelectedFrame(CFrame* frame);
  void ResetTreeDisplayName(CChildObject* entry);
  void DeleteTreeItem(CChildObject* entry);
  bool DisplayFailed() const { return m_bDisplayFailed; }

  UINT GetLargestItemWidth() const { return m_nLargestItemWidth; }
  CFrame* GetFrameDisplayed() const { return m_pFrameDisplayed; }
  HTREEITEM GetSelectedTreeItem() const { return m_hSelectedItem; }
  CXFileDataObject* GetXFileSelectedObject() const { return m_pSelectedObject; }
  bool ItemIsSelected() const { return m_bItemSelected; }
  bool IsSelected(CTreeNode::NodeType type) const { return m_eSelectedNodeType == type; }
  // The item that shows entry, NULL when none.
  HTREEITEM FindItem(CChildObject* entry) const;

  void LockTreeView();
  void UnlockTreeView();
  bool TryLockTreeView();

  void SetSelectedItemData(HTREEITEM item);
  void ClearSelectedItemData();
  bool DeleteSelectedObject();
  bool GetChildObject(HTREEITEM item, CChildObject*& entry);
  bool GetXFileDataObject(HTREEITEM item, CXFileDataObject*& object);
  bool IsChildObject(HTREEITEM item);
  bool GetParentFrame(CFrame*& frame, HTREEITEM& frameItem, HTREEITEM start);
  bool GetParentXFileDataList(CXFileDataList*& world, HTREEITEM& worldItem, HTREEITEM start);
  HTREEITEM GetItemUnderCursor();
  void SetItemData(HTREEITEM item, CTreeNode* node);
  void ExpandAll(HTREEITEM item, CTreeCtrl& tree, UINT level);
  void AddChildObjectTL(CChildObject* entry, HTREEITEM parent);
  void DisplaySelectedFrameTL();
  bool DeleteChildObject(HTREEITEM item);
  bool DeleteTopLevelDataObject(HTREEITEM item);
  bool DeleteChildObjectReferences(HTREEITEM item, CXFileDataObject* object, CXFileDataList* world, CTreeCtrl& tree);
  bool DestroyContent();
  void DisplayPopUp(UINT) {}
  BOOL DestroyWindow() override;

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& create) override;

 private:
  void ClearContent();
  CTreeNode* NodeOf(HTREEITEM item) const;
  // Deletes item with the items below it, forgetting every entry they show.
  void DeleteItemAndForget(HTREEITEM item);

  CTypedPtrList<CPtrList, CTreeNode*> m_NodeList;
  CTypedPtrMap<CMapPtrToPtr, CChildObject*, HTREEITEM> m_EntryMap;
  bool m_bItemSelected;
  CTreeNode* m_pSelectedNode;
  CTreeNode::NodeType m_eSelectedNodeType;
  CXFileDataObject* m_pSelectedObject;
  CChildObject* m_pSelectedEntry;
  HTREEITEM m_hSelectedItem;
  CFrame* m_pFrameDisplayed;
  bool m_bDisplayed;
  CFrame::EFrameType m_eFrameDisplayedType;
  UINT m_nLargestItemWidth;
  HANDLE m_hTreeLock = nullptr;
  bool m_bTreeLock = false;
  bool m_bDisplayFailed;
};

class CDXTreeChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDXTreeChildFrame)

 public:
  void OnUpdateFrameTitle(BOOL addToTitle) override;
};
