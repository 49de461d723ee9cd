// CCmdTarget and message maps: a class lists the messages it handles between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; a message goes to the first handler
// found in the class's map or, failing that, its base classes' maps.
#pragma once

#include "afx.h"

class CCmdTarget;
// Calls one handler on a target of the map's class. Each map entry makes its
// own, so handlers of every signature share this one type.
using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

// The signature of a handler.
enum AfxSig : UINT {
  AfxSig_end = 0,
  AfxSig_lwl,  // LRESULT (WPARAM, LPARAM): window messages
  AfxSig_vwl,  // void (WPARAM, LPARAM): thread messages
  AfxSig_cmd,  // void (): a command (WM_COMMAND with a notification code)
  AfxSig_cmdui,  // void (CCmdUI*): a command's update, the CCmdUI in lParam
  AfxSig_notify,  // void (NMHDR*, LRESULT*): a control's WM_NOTIFY
};

// Notification codes of the command handlers: a command, and the question
// whether a command is enabled (answered through a CCmdUI).
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI (static_cast<UINT>(-1))

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  UINT nLastID;
  UINT nSig;
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  virtual const AFX_MSGMAP* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                      \
  { 0, 0, 0, 0, AfxSig_end, nullptr }                                                          \
  }                                                                                            \
  ;                                                                                            \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
  return &messageMap;                                                                          \
  }

// LRESULT memberFxn(WPARAM, LPARAM), for a window's message.
#define ON_MESSAGE(message, memberFxn)                                                                                \
  {static_cast<UINT>(message), 0, 0, 0, AfxSig_lwl, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
     return static_cast<ThisClass*>(target)->memberFxn(wParam, lParam);                                               \
   }},

// void memberFxn(WPARAM, LPARAM), for a message posted to a thread.
#define ON_THREAD_MESSAGE(message, memberFxn)                                                                         \
  {static_cast<UINT>(message), 0, 0, 0, AfxSig_vwl, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
     static_cast<ThisClass*>(target)->memberFxn(wParam, lParam);                                                      \
     return 0;                                                                                                        \
   }},

// void memberFxn() for command id (menu item, toolbar button, accelerator).
#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)
#define ON_COMMAND_RANGE(id, lastId, memberFxn)                                       \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(lastId), AfxSig_cmd, \
   [](CCmdTarget* target, WPARAM wParam, LPARAM) -> LRESULT {                          \
     static_cast<ThisClass*>(target)->memberFxn(static_cast<UINT>(wParam));             \
     return 0;                                                                          \
   }},
// void memberFxn() for notification code of control id.
#define ON_CONTROL(code, id, memberFxn)                                                          \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_cmd, \
   [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {                                            \
     static_cast<ThisClass*>(target)->memberFxn();                                                \
     return 0;                                                                                    \
   }},
// void memberFxn(CCmdUI*): enables, checks or names the items of command id.
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                  \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_cmdui,            \
   [](CCmdTarget* target, WPARAM, LPARAM lParam) -> LRESULT {                                                 \
     static_cast<ThisClass*>(target)->memberFxn(reinterpret_cast<CCmdUI*>(lParam));                           \
     return 0;                                                                                                \
   }},

// void memberFxn(NMHDR*, LRESULT*) for notification code of control id
// (WM_NOTIFY); the result goes back to the control.
#define ON_NOTIFY(code, id, memberFxn)                                                          \
  {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_notify, \
   [](CCmdTarget* target, WPARAM, LPARAM lParam) -> LRESULT {                                     \
     LRESULT result = 0;                                                                          \
     static_cast<ThisClass*>(target)->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result);       \
     return result;                                                                               \
   }},
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

// Window messages with their handlers' own signatures.
#define AFX_ON_WM(message, call)                                                                    \
  {message, 0, 0, 0, AfxSig_lwl, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
     auto* self = static_cast<ThisClass*>(target);                                                  \
     (void)self;                                                                                    \
     (void)wParam;                                                                                  \
     (void)lParam;                                                                                  \
     call;                                                                                          \
   }},
#define ON_WM_CREATE() AFX_ON_WM(WM_CREATE, return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
#define ON_WM_DESTROY() AFX_ON_WM(WM_DESTROY, self->OnDestroy(); return 0)
#define ON_WM_CLOSE() AFX_ON_WM(WM_CLOSE, self->OnClose(); return 0)
#define ON_WM_SIZE() \
  AFX_ON_WM(WM_SIZE, self->OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0)
#define ON_WM_MOVE() \
  AFX_ON_WM(WM_MOVE, self->OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); return 0)
#define ON_WM_TIMER() AFX_ON_WM(WM_TIMER, self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0)
#define ON_WM_ACTIVATE()                                                                                \
  AFX_ON_WM(WM_ACTIVATE, self->OnActivate(LOWORD(wParam), CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam)), \
                                          HIWORD(wParam));                                              \
            return 0)
#define ON_WM_SETFOCUS() \
  AFX_ON_WM(WM_SETFOCUS, self->OnSetFocus(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(wParam))); return 0)
#define ON_WM_KILLFOCUS() \
  AFX_ON_WM(WM_KILLFOCUS, self->OnKillFocus(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(wParam))); return 0)
#define ON_WM_ERASEBKGND() AFX_ON_WM(WM_ERASEBKGND, return self->OnEraseBkgnd(reinterpret_cast<CDC*>(wParam)))
#define ON_WM_PAINT() AFX_ON_WM(WM_PAINT, self->OnPaint(); return 0)
#define ON_WM_HSCROLL()                                                                            \
  AFX_ON_WM(WM_HSCROLL, self->OnHScroll(LOWORD(wParam), HIWORD(wParam),                            \
                                        CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam))); \
            return 0)

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;

  // Calls the handler of (id, code) in the map: a command (CN_COMMAND or a
  // control's notification) or an update (CN_UPDATE_COMMAND_UI, extra being
  // the CCmdUI). TRUE when a handler was found. Windows route a command on
  // to the objects behind them (view, document, frames, application).
  virtual BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // The first entry for message with the given signature along the map chain.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT signature) const;
  // Calls the handler of message when the map has one.
  BOOL DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  BOOL DispatchThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Calls the ON_NOTIFY handler of (code, id) when the map has one.
  BOOL DispatchNotify(UINT code, UINT id, LPARAM lParam, LRESULT* result);
};
