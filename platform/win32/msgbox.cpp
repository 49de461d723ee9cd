// Message boxes through one replaceable handler.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "windows.h"

namespace {

int DefaultMessageBox(HWND, const char* text, const char* caption, UINT type) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
  switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

std::atomic<MessageBoxHandler> g_handler{DefaultMessageBox};

struct LastBox {
  std::mutex lock;
  MessageBoxRecord record{0, "", "", 0};
};

LastBox& TheLastBox() {
  static LastBox* last = new LastBox;
  return *last;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  {
    LastBox& last = TheLastBox();
    std::lock_guard lock(last.lock);
    ++last.record.count;
    last.record.caption = caption ? caption : "";
    last.record.text = text ? text : "";
    last.record.type = type;
  }
  return g_handler.load()(owner, text, caption, type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return g_handler.exchange(handler ? handler : DefaultMessageBox);
}

MessageBoxRecord GetLastMessageBox() {
  LastBox& last = TheLastBox();
  std::lock_guard lock(last.lock);
  return last.record;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXVSCROLL:
      return 16;
    case SM_CXEDGE:
      return 2;
    default:
      return 0;
  }
}

BOOL MessageBeep(UINT) { return TRUE; }
