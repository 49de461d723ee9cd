// The resource tables: menus, toolbars, accelerators and dialog templates by
// resource ID, registered by the libraries when they are loaded.
#include <map>
#include <mutex>

#include "afxres.h"

namespace {

template <class T>
struct Table {
  std::mutex lock;
  std::map<UINT, T> entries;
};

template <class T>
Table<T>& TheTable() {
  static auto* table = new Table<T>;
  return *table;
}

template <class T>
void Register(UINT id, T value) {
  Table<T>& table = TheTable<T>();
  std::lock_guard guard(table.lock);
  table.entries[id] = std::move(value);
}

// Entries are never removed, so a pointer to one stays valid.
template <class T>
const T* Find(UINT id) {
  Table<T>& table = TheTable<T>();
  std::lock_guard guard(table.lock);
  auto found = table.entries.find(id);
  return found == table.entries.end() ? nullptr : &found->second;
}

}  // namespace

void AfxRegisterMenu(UINT resourceId, std::vector<AfxMenuItem> items) { Register(resourceId, std::move(items)); }
const std::vector<AfxMenuItem>* AfxFindMenu(UINT resourceId) { return Find<std::vector<AfxMenuItem>>(resourceId); }

void AfxRegisterToolBar(UINT resourceId, std::vector<AfxToolBarButton> buttons) {
  Register(resourceId, std::move(buttons));
}
const std::vector<AfxToolBarButton>* AfxFindToolBar(UINT resourceId) {
  return Find<std::vector<AfxToolBarButton>>(resourceId);
}

void AfxRegisterAccelerators(UINT resourceId, std::vector<AfxAccelerator> accelerators) {
  Register(resourceId, std::move(accelerators));
}
const std::vector<AfxAccelerator>* AfxFindAccelerators(UINT resourceId) {
  return Find<std::vector<AfxAccelerator>>(resourceId);
}

void AfxRegisterDialog(UINT resourceId, AfxDialogTemplate dialogTemplate) {
  Register(resourceId, std::move(dialogTemplate));
}
const AfxDialogTemplate* AfxFindDialog(UINT resourceId) { return Find<AfxDialogTemplate>(resourceId); }
