#include "afxmsgmap.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT signature) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->nMessage == message && entry->nSig == signature) return entry;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, AfxSig_lwl);
  if (!entry) return FALSE;
  LRESULT value = entry->pfn(this, wParam, lParam);
  if (result) *result = value;
  return TRUE;
}

BOOL CCmdTarget::DispatchThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, AfxSig_vwl);
  if (!entry) return FALSE;
  entry->pfn(this, wParam, lParam);
  return TRUE;
}

BOOL CCmdTarget::DispatchNotify(UINT code, UINT id, LPARAM lParam, LRESULT* result) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->nMessage != WM_NOTIFY || entry->nSig != AfxSig_notify || entry->nCode != code) continue;
      if (id < entry->nID || id > entry->nLastID) continue;
      LRESULT value = entry->pfn(this, 0, lParam);
      if (result) *result = value;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo) {
  UINT wantedCode = static_cast<UINT>(code);
  UINT signature = wantedCode == CN_UPDATE_COMMAND_UI ? AfxSig_cmdui : AfxSig_cmd;
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->nMessage != WM_COMMAND || entry->nSig != signature || entry->nCode != wantedCode) continue;
      if (id < entry->nID || id > entry->nLastID) continue;
      if (handlerInfo) return TRUE;  // only asked whether there is a handler
      entry->pfn(this, id, reinterpret_cast<LPARAM>(extra));
      return TRUE;
    }
  }
  return FALSE;
}
