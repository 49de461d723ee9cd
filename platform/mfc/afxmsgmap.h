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
};

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

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // The first entry for message with the given signature along the map chain.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT signature) const;
  // Calls the handler of message when the map has one.
  BOOL DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  BOOL DispatchThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
