// Windows and posted messages without a screen: each window belongs to the
// thread that created it and has a window procedure; each thread has its own
// message queue. Message boxes go to one replaceable handler. Included by
// windows.h.
#pragma once

#include <string>

#include "windows.h"

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

// Messages.
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_MOVE 0x0003u
#define WM_SIZE 0x0005u
#define WM_ACTIVATE 0x0006u
#define WM_SETFOCUS 0x0007u
#define WM_KILLFOCUS 0x0008u
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_PAINT 0x000Fu
#define WM_ERASEBKGND 0x0014u
#define WM_SETFONT 0x0030u
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_NCACTIVATE 0x0086u
#define WM_CHAR 0x0102u
#define WM_NOTIFY 0x004Eu
#define WM_COMMAND 0x0111u
#define WM_TIMER 0x0113u
#define WM_HSCROLL 0x0114u
#define WM_MDIACTIVATE 0x0222u
#define WM_CLEAR 0x0303u
#define WM_USER 0x0400u
#define WM_APP 0x8000u

using LPCREATESTRUCT = CREATESTRUCTA*;
using CREATESTRUCT = CREATESTRUCTA;

#define MAKELPARAM(low, high) \
  (static_cast<LPARAM>((static_cast<DWORD>(low) & 0xFFFFu) | ((static_cast<DWORD>(high) & 0xFFFFu) << 16)))
#define MAKEWPARAM(low, high) (static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(low, high))))
#define RGB(r, g, b) \
  (static_cast<COLORREF>((static_cast<BYTE>(r)) | (static_cast<DWORD>(static_cast<BYTE>(g)) << 8) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>((rgb) & 0xFF))
#define GetGValue(rgb) (static_cast<BYTE>(((rgb) >> 8) & 0xFF))
#define GetBValue(rgb) (static_cast<BYTE>(((rgb) >> 16) & 0xFF))

// WM_ACTIVATE states and WM_SIZE kinds.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

// Window styles.
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_MAXIMIZE 0x01000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_EX_CLIENTEDGE 0x00000200u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWMAXIMIZED 3

// Control styles and notifications.
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_CHECKBOX 0x2u
#define BS_AUTOCHECKBOX 0x3u
#define BS_RADIOBUTTON 0x4u
#define BS_GROUPBOX 0x7u
#define BS_AUTORADIOBUTTON 0x9u
#define BS_TYPEMASK 0xFu
#define BN_CLICKED 0
#define EN_CHANGE 0x0300
#define CBN_SELCHANGE 1
#define CBS_DROPDOWNLIST 0x3u
#define ES_AUTOHSCROLL 0x80u
#define ES_READONLY 0x800u
#define ES_MULTILINE 0x4u
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define CB_ERR (-1)

// The header of a control's WM_NOTIFY message (lParam).
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
using LPNMHDR = NMHDR*;

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define PM_NOYIELD 0x0002u

#define CW_USEDEFAULT (static_cast<int>(0x80000000u))
#define GWLP_WNDPROC (-4)
#define GWLP_USERDATA (-21)

// Windows.
// Answers 0 with ERROR_CLASS_ALREADY_EXISTS when the name is taken.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
// Creates a window of a registered class on the calling thread, which owns it.
// The procedure gets WM_NCCREATE (FALSE fails the creation) and WM_CREATE (-1
// fails it), both with the CREATESTRUCTA in lParam.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);
// Only the owner thread may destroy a window: WM_DESTROY and WM_NCDESTROY go
// to its procedure, then its pending posted messages are dropped.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// Windows have no screen: the client area is the size given at creation or
// by MoveWindow, at (0, 0).
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// WM_NCCREATE answers TRUE, WM_CLOSE destroys the window, the rest 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);

// Messages. A window's messages are queued to its owner thread in posting
// order. A NULL or destroyed window makes PostMessageA answer FALSE.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the procedure at once; only on the window's owner thread (0 and
// ERROR_ACCESS_DENIED from another thread).
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT for the calling thread, retrieved once no other message is pending.
void PostQuitMessage(int exitCode);
// Filters: window NULL takes every message of the thread, (HWND)-1 only
// thread messages, a window only its own; first == last == 0 takes every
// message number. WM_QUIT comes only to a call whose filters admit it.
// GetMessageA answers 0 for WM_QUIT, -1 for a window that is not the calling
// thread's, otherwise non-zero.
BOOL GetMessageA(LPMSG msg, HWND window, UINT first, UINT last);
BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT removeFlags);
// Calls the window procedure of msg->hwnd on its owner thread; thread
// messages are not dispatched (0).
LRESULT DispatchMessageA(const MSG* msg);
// No keyboard layout: nothing to translate (FALSE).
BOOL TranslateMessage(const MSG* msg);
// Called, on the posting thread and under the queues' lock, each time a
// message or WM_QUIT is queued for thread: an event loop that is not
// GetMessageA (the desktop's) learns to come for it. The hook must not call
// back into this layer. NULL removes it.
using MessageArrivalHook = void (*)(DWORD thread, void* context);
void SetMessageArrivalHook(DWORD thread, MessageArrivalHook hook, void* context);

#define RegisterClass RegisterClassA
#define UnregisterClass UnregisterClassA
#define CreateWindowEx CreateWindowExA
#define DefWindowProc DefWindowProcA
#define CallWindowProc CallWindowProcA
#define GetWindowLongPtr GetWindowLongPtrA
#define SetWindowLongPtr SetWindowLongPtrA
#define PostMessage PostMessageA
#define PostThreadMessage PostThreadMessageA
#define SendMessage SendMessageA
#define GetMessage GetMessageA
#define PeekMessage PeekMessageA
#define DispatchMessage DispatchMessageA

// Message boxes.
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_APPLMODAL 0x00000000u
#define MB_TASKMODAL 0x00002000u

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Shows text under caption through the current handler, from any thread.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
#define MessageBox MessageBoxA

// The handler that shows message boxes; the desktop installs its dialog. The
// default one writes "caption: text" to standard error and answers the first
// button of the type (IDOK, IDABORT, IDYES or IDRETRY). Every box is recorded
// before the handler runs.
using MessageBoxHandler = int (*)(HWND owner, const char* text, const char* caption, UINT type);
// Answers the previous handler; NULL restores the default one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

struct MessageBoxRecord {
  DWORD count;  // boxes shown in the process so far
  std::string caption;
  std::string text;
  UINT type;
};
// The last box shown, for tests.
MessageBoxRecord GetLastMessageBox();
