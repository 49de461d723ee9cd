#include "dx_file_tree_view.h"

#include <afxext.h>
#include <dx_mutex.h>
#include <xfiledatalist.h>
#include <xfiledataobject.h>
#include <xfiletemplates.h>

#include "dx_doc.h"
#include "dx_splitter_frame.h"

IMPLEMENT_DYNCREATE(CDXFileTreeView, CTreeView)
IMPLEMENT_DYNCREATE(CDXTreeChildFrame, CMDIChildWnd)

namespace {

// Releases an object's lock when the scope ends.
class CObjectUnlock {
 public:
  explicit CObjectUnlock(CXFileDataObject* object) : m_object(object) {}
  ~CObjectUnlock() {
    if (m_object != nullptr) m_object->Unlock();
  }
  CObjectUnlock(const CObjectUnlock&) = delete;
  CObjectUnlock& operator=(const CObjectUnlock&) = delete;

 private:
  CXFileDataObject* m_object;
};

}  // namespace

CDXFileTreeView::CDXFileTreeView() { ClearContent(); }

CDXFileTreeView::~CDXFileTreeView() {
  // The window, and the control's items with it, are gone by now.
  while (!m_NodeList.IsEmpty()) delete m_NodeList.RemoveHead();
  m_EntryMap.RemoveAll();
  if (m_bTreeLock) CloseHandle(m_hTreeLock);
  CDXDoc* document = GetDXDoc();
  if (document != nullptr && document->GetTreeView() == this) document->SetTreeView(nullptr);
}

void CDXFileTreeView::ClearContent() {
  ClearSelectedItemData();
  m_pFrameDisplayed = nullptr;
  m_bDisplayed = false;
  m_eFrameDisplayedType = CFrame::ePlainFrame;
  m_nLargestItemWidth = 0;
  m_bDisplayFailed = false;
}

BOOL CDXFileTreeView::PreCreateWindow(CREATESTRUCT& create) {
  create.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | WS_BORDER;
  return CTreeView::PreCreateWindow(create);
}

CDXDoc* CDXFileTreeView::GetDXDoc() const { return DYNAMIC_DOWNCAST(CDXDoc, GetDocument()); }

void CDXFileTreeView::OnInitialUpdate() { Initialize(); }

bool CDXFileTreeView::Initialize() {
  CTreeView::OnInitialUpdate();
  DestroyContent();
  // The view may be initialised twice (its frame, then the pane that holds
  // it): one lock.
  if (!m_bTreeLock) {
    m_hTreeLock = CreateMutexA(nullptr, FALSE, nullptr);
    m_bTreeLock = m_hTreeLock != nullptr;
  }
  PopulateTree();
  if (CDXDoc* document = GetDXDoc()) document->SetTreeView(this);
  return true;
}

void CDXFileTreeView::PopulateTree() {
  try {
    DisplaySharedObjectsRTL();
  } catch (...) {
  }
}

void CDXFileTreeView::RefreshTree() {
  DestroyContent();
  PopulateTree();
}

void CDXFileTreeView::DisplaySharedObjectsRTL() {
  try {
    DisplaySelectedFrameTL();
    m_bDisplayFailed = false;
  } catch (const char*) {
    m_bDisplayFailed = true;
  } catch (CException* exception) {
    exception->Delete();
    m_bDisplayFailed = true;
  }
}

void CDXFileTreeView::DisplaySharedObjectsRTLIL() {
  if (m_bDisplayFailed) PopulateTree();
}

void CDXFileTreeView::OnSetSelectedFrame(CFrame*) { PopulateTree(); }

HTREEITEM CDXFileTreeView::FindItem(CChildObject* entry) const {
  HTREEITEM item = nullptr;
  if (entry == nullptr || !m_EntryMap.Lookup(entry, item)) return nullptr;
  return item;
}

void CDXFileTreeView::ResetTreeDisplayName(CChildObject* entry) {
  HTREEITEM item = FindItem(entry);
  if (item == nullptr) return;
  // The label is read under the object's lock; a busy lock keeps the old
  // label until the next rebuild.
  try {
    char* label = entry->GetDisplayNameTL(GetDXDoc());
    if (label == nullptr) return;
    GetTreeCtrl().SetItemText(item, label);
  } catch (...) {
    return;
  }
  Invalidate();
  UpdateWindow();
}

void CDXFileTreeView::DeleteTreeItem(CChildObject* entry) {
  HTREEITEM item = FindItem(entry);
  if (item == nullptr) return;
  DeleteItemAndForget(item);
  Invalidate();
  UpdateWindow();
}

void CDXFileTreeView::DeleteItemAndForget(HTREEITEM item) {
  CTreeCtrl& tree = GetTreeCtrl();
  // The entries below the item go with it: their handles must not outlive
  // their items.
  for (HTREEITEM child = tree.GetChildItem(item); child != nullptr;) {
    HTREEITEM next = tree.GetNextSiblingItem(child);
    DeleteItemAndForget(child);
    child = next;
  }
  CTreeNode* node = NodeOf(item);
  if (node != nullptr && node->GetTreeNodeType() == CTreeNode::eChildObject) {
    m_EntryMap.RemoveKey(static_cast<CChildObject*>(node->GetObjectA()));
  }
  if (m_hSelectedItem == item) ClearSelectedItemData();
  tree.DeleteItem(item);
}

CTreeNode* CDXFileTreeView::NodeOf(HTREEITEM item) const {
  return item != nullptr ? reinterpret_cast<CTreeNode*>(GetTreeCtrl().GetItemData(item)) : nullptr;
}

void CDXFileTreeView::LockTreeView() {
  if (m_bTreeLock) WaitForSingleObject(m_hTreeLock, INFINITE);
}

void CDXFileTreeView::UnlockTreeView() {
  if (m_bTreeLock) ReleaseMutex(m_hTreeLock);
}

bool CDXFileTreeView::TryLockTreeView() { return m_bTreeLock && WaitForSingleObject(m_hTreeLock, 0) == WAIT_OBJECT_0; }

void CDXFileTreeView::ClearSelectedItemData() {
  m_bItemSelected = false;
  m_pSelectedNode = nullptr;
  m_eSelectedNodeType = CTreeNode::ePlaceholder;
  m_pSelectedObject = nullptr;
  m_pSelectedEntry = nullptr;
  m_hSelectedItem = nullptr;
}

void CDXFileTreeView::SetSelectedItemData(HTREEITEM item) {
  ClearSelectedItemData();
  m_bItemSelected = true;
  m_hSelectedItem = item;
  CTreeNode* node = NodeOf(item);
  if (node == nullptr) return;
  m_pSelectedNode = node;
  m_eSelectedNodeType = node->GetTreeNodeType();
  if (m_eSelectedNodeType == CTreeNode::eDataObject) {
    m_pSelectedObject = static_cast<CXFileDataObject*>(node->GetObjectA());
  } else if (m_eSelectedNodeType == CTreeNode::eChildObject) {
    m_pSelectedEntry = static_cast<CChildObject*>(node->GetObjectA());
    m_pSelectedObject = m_pSelectedEntry->GetXfileDataObject();
  }
}

bool CDXFileTreeView::DeleteSelectedObject() {
  if (!m_bItemSelected || m_eSelectedNodeType == CTreeNode::ePlaceholder) return false;
  if (m_eSelectedNodeType == CTreeNode::eChildObject) return DeleteChildObject(m_hSelectedItem);
  if (m_eSelectedNodeType == CTreeNode::eDataObject) return DeleteTopLevelDataObject(m_hSelectedItem);
  return false;
}

bool CDXFileTreeView::GetChildObject(HTREEITEM item, CChildObject*& entry) {
  CTreeNode* node = NodeOf(item);
  if (node == nullptr || node->GetTreeNodeType() != CTreeNode::eChildObject) return false;
  entry = static_cast<CChildObject*>(node->GetObjectA());
  return true;
}

bool CDXFileTreeView::GetXFileDataObject(HTREEITEM item, CXFileDataObject*& object) {
  CTreeNode* node = NodeOf(item);
  if (node == nullptr || node->GetTreeNodeType() != CTreeNode::eDataObject) return false;
  object = static_cast<CXFileDataObject*>(node->GetObjectA());
  return true;
}

bool CDXFileTreeView::IsChildObject(HTREEITEM item) {
  CTreeNode* node = NodeOf(item);
  return node != nullptr && node->GetTreeNodeType() == CTreeNode::eChildObject;
}

bool CDXFileTreeView::GetParentFrame(CFrame*& frame, HTREEITEM& frameItem, HTREEITEM start) {
  CTreeCtrl& tree = GetTreeCtrl();
  for (HTREEITEM item = start != nullptr ? tree.GetParentItem(start) : nullptr; item != nullptr;
       item = tree.GetParentItem(item)) {
    CTreeNode* node = NodeOf(item);
    if (node == nullptr) continue;
    CXFileDataObject* object = nullptr;
    if (node->GetTreeNodeType() == CTreeNode::eDataObject) {
      object = static_cast<CXFileDataObject*>(node->GetObjectA());
    } else if (node->GetTreeNodeType() == CTreeNode::eChildObject) {
      object = static_cast<CChildObject*>(node->GetObjectA())->GetXfileDataObject();
    }
    if (object != nullptr && object->IsAFrame()) {
      frame = static_cast<CFrame*>(object);
      frameItem = item;
      return true;
    }
  }
  return false;
}

bool CDXFileTreeView::GetParentXFileDataList(CXFileDataList*& world, HTREEITEM& worldItem, HTREEITEM start) {
  CTreeCtrl& tree = GetTreeCtrl();
  for (HTREEITEM item = start != nullptr ? tree.GetParentItem(start) : nullptr; item != nullptr;
       item = tree.GetParentItem(item)) {
    CTreeNode* node = NodeOf(item);
    if (node != nullptr && node->GetTreeNodeType() == CTreeNode::eWorld) {
      world = static_cast<CXFileDataList*>(node->GetObjectA());
      worldItem = item;
      return true;
    }
  }
  return false;
}

HTREEITEM CDXFileTreeView::GetItemUnderCursor() {
  // The tree is not hit-tested here: its control answers its own clicks.
  return nullptr;
}

void CDXFileTreeView::SetItemData(HTREEITEM item, CTreeNode* node) {
  GetTreeCtrl().SetItemData(item, reinterpret_cast<DWORD_PTR>(node));
  m_NodeList.AddTail(node);
}

void CDXFileTreeView::ExpandAll(HTREEITEM item, CTreeCtrl& tree, UINT level) {
  if (item == nullptr || tree.GetWidget() == nullptr) return;
  tree.Expand(item, TVE_EXPAND);
  RECT text{0, 0, 0, 0};
  tree.GetItemRect(item, &text, TRUE);
  UINT width = static_cast<UINT>(text.right - text.left) + level * tree.GetIndent() + 40;
  if (width > m_nLargestItemWidth) m_nLargestItemWidth = width;
  for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
    ExpandAll(child, tree, level + 1);
  }
}

void CDXFileTreeView::AddChildObjectTL(CChildObject* entry, HTREEITEM parent) {
  if (entry == nullptr || FindItem(entry) != nullptr) return;
  CXFileDataObject* object = entry->GetXfileDataObject();
  if (object == nullptr) return;
  if (!object->Trylock()) throw "\nInfo: Cannot lock child object.";
  CObjectUnlock unlock(object);
  if (object->IsDeleted()) return;
  if (object->IsAFrame() && static_cast<CFrame*>(object)->IsHiden()) return;
  if (object->IsATemplateGUID(&GUID_NotInitialized)) return;
  char* label = entry->GetDisplayNameTL(GetDXDoc());
  CTreeCtrl& tree = GetTreeCtrl();
  HTREEITEM item = tree.InsertItem(label != nullptr ? label : "", parent, TVI_LAST);
  auto* node = new CTreeNode;
  node->Initialize(CTreeNode::eChildObject, entry);
  SetItemData(item, node);
  m_EntryMap.SetAt(entry, item);
  if (entry->GetChildObjectType() == eReferenceChild) return;
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION at = children.GetHeadPosition(); at != nullptr;) AddChildObjectTL(children.GetNext(at), item);
}

void CDXFileTreeView::DisplaySelectedFrameTL() {
  CDXDoc* document = GetDXDoc();
  if (document == nullptr) return;
  CMutex* selectedLock = document->GetSelectedFrameMutex();
  if (!selectedLock->Trylock()) throw "Warning: Cannot lock selected frame.";
  CFrame* frame = document->GetSelectedFrame();
  if (frame != nullptr && !frame->Trylock()) {
    selectedLock->Unlock();
    throw "Info: Cannot lock frame.";
  }
  try {
    bool same = frame == m_pFrameDisplayed && m_bDisplayed &&
                (frame == nullptr || frame->GetFrameType() == m_eFrameDisplayedType);
    if (!same) {
      CTreeCtrl& tree = GetTreeCtrl();
      DestroyContent();
      HTREEITEM root;
      auto* node = new CTreeNode;
      if (frame == nullptr) {
        m_EntryMap.InitHashTable(1);
        root = tree.InsertItem("No frame selected", TVI_ROOT, TVI_LAST);
        node->Initialize(CTreeNode::ePlaceholder, nullptr);
        m_pFrameDisplayed = nullptr;
        m_eFrameDisplayedType = CFrame::ePlainFrame;
      } else {
        m_EntryMap.InitHashTable(500);
        CString text;
        text.Format("Selected frame %s", frame->GetName() != nullptr ? frame->GetName() : "");
        root = tree.InsertItem(text, TVI_ROOT, TVI_LAST);
        node->Initialize(CTreeNode::eDataObject, frame);
        m_pFrameDisplayed = frame;
        m_eFrameDisplayedType = frame->GetFrameType();
      }
      SetItemData(root, node);
      int horizontal = tree.GetScrollPos(SB_HORZ);
      int vertical = tree.GetScrollPos(SB_VERT);
      if (frame != nullptr) {
        CChildObjectList& children = frame->GetChildObjectList();
        for (POSITION at = children.GetHeadPosition(); at != nullptr;) AddChildObjectTL(children.GetNext(at), root);
      }
      ExpandAll(tree.GetRootItem(), tree, 0);
      tree.SetScrollPos(SB_HORZ, horizontal, TRUE);
      tree.SetScrollPos(SB_VERT, vertical, TRUE);
      if (CDXSplitterFrame* splitter = document->GetSplitterFrame()) splitter->RecalcLayout();
      m_bDisplayed = true;
    }
  } catch (...) {
    if (frame != nullptr) frame->Unlock();
    selectedLock->Unlock();
    throw;
  }
  if (frame != nullptr) frame->Unlock();
  selectedLock->Unlock();
}

bool CDXFileTreeView::DeleteChildObject(HTREEITEM item) {
  CTreeNode* node = NodeOf(item);
  CDXDoc* document = GetDXDoc();
  if (node == nullptr || node->GetTreeNodeType() != CTreeNode::eChildObject || document == nullptr) return false;
  auto* entry = static_cast<CChildObject*>(node->GetObjectA());
  CXFileDataList* world = document->GetWorldDataList();
  CTreeCtrl& tree = GetTreeCtrl();
  if (!entry->IsReference()) {
    for (HTREEITEM root = tree.GetRootItem(); root != nullptr;) {
      HTREEITEM next = tree.GetNextSiblingItem(root);
      DeleteChildObjectReferences(root, entry->GetXfileDataObject(), world, tree);
      root = next;
    }
  }
  DeleteItemAndForget(item);
  return world->DeleteChildObject(entry);
}

bool CDXFileTreeView::DeleteChildObjectReferences(HTREEITEM item, CXFileDataObject* object, CXFileDataList* world,
                                                  CTreeCtrl& tree) {
  CTreeNode* node = NodeOf(item);
  if (node != nullptr && node->GetTreeNodeType() == CTreeNode::eChildObject) {
    auto* entry = static_cast<CChildObject*>(node->GetObjectA());
    if (entry->IsReference() && entry->GetXfileDataObject() == object) {
      DeleteItemAndForget(item);
      world->DeleteChildObject(entry);
      return true;
    }
  }
  for (HTREEITEM child = tree.GetChildItem(item); child != nullptr;) {
    HTREEITEM next = tree.GetNextSiblingItem(child);
    DeleteChildObjectReferences(child, object, world, tree);
    child = next;
  }
  return true;
}

bool CDXFileTreeView::DeleteTopLevelDataObject(HTREEITEM item) {
  CTreeNode* node = NodeOf(item);
  CDXDoc* document = GetDXDoc();
  if (node == nullptr || node->GetTreeNodeType() != CTreeNode::eDataObject || document == nullptr) return false;
  auto* object = static_cast<CXFileDataObject*>(node->GetObjectA());
  CXFileDataList* world = document->GetWorldDataList();
  CTreeCtrl& tree = GetTreeCtrl();
  for (HTREEITEM root = tree.GetRootItem(); root != nullptr;) {
    HTREEITEM next = tree.GetNextSiblingItem(root);
    DeleteChildObjectReferences(root, object, world, tree);
    root = next;
  }
  for (HTREEITEM child = tree.GetChildItem(item); child != nullptr;) {
    HTREEITEM next = tree.GetNextSiblingItem(child);
    DeleteChildObject(child);
    child = next;
  }
  DeleteItemAndForget(item);
  if (m_pFrameDisplayed == object) {
    m_pFrameDisplayed = nullptr;
    m_bDisplayed = false;
  }
  return world->DeleteTopLevelObject(object);
}

bool CDXFileTreeView::DestroyContent() {
  while (!m_NodeList.IsEmpty()) delete m_NodeList.RemoveHead();
  m_EntryMap.RemoveAll();
  if (m_hWnd != nullptr && GetTreeCtrl().GetWidget() != nullptr) GetTreeCtrl().DeleteAllItems();
  ClearContent();
  return true;
}

BOOL CDXFileTreeView::DestroyWindow() {
  if (m_bTreeLock) CloseHandle(m_hTreeLock);
  m_hTreeLock = nullptr;
  m_bTreeLock = false;
  return CTreeView::DestroyWindow();
}

void CDXTreeChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  if (CDocument* document = GetActiveDocument()) SetWindowText(document->GetTitle() + " - Tree view");
}
