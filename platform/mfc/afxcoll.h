// The framework's ready-made collections of pointers and words.
#pragma once

#include "afxcolltempl.h"

using AfxPtrList = CList<void*, void*>;
using AfxObList = CList<CObject*, CObject*>;
using AfxPtrArray = CArray<void*, void*>;
using AfxWordArray = CArray<WORD, WORD>;
using AfxDWordArray = CArray<DWORD, DWORD>;
using AfxMapStringToPtr = CMap<CString, LPCSTR, void*, void*>;
using AfxMapWordToPtr = CMap<WORD, WORD, void*, void*>;
using AfxMapPtrToWord = CMap<void*, void*, WORD, WORD>;
using AfxMapPtrToPtr = CMap<void*, void*, void*, void*>;

#define AFX_COLLECTION_CLASS(name, base) \
  class name : public base {             \
    DECLARE_DYNAMIC(name)                \
                                         \
   public:                               \
    using base::base;                    \
  };

AFX_COLLECTION_CLASS(CPtrList, AfxPtrList)
AFX_COLLECTION_CLASS(CObList, AfxObList)
AFX_COLLECTION_CLASS(CPtrArray, AfxPtrArray)
AFX_COLLECTION_CLASS(CWordArray, AfxWordArray)
AFX_COLLECTION_CLASS(CDWordArray, AfxDWordArray)
AFX_COLLECTION_CLASS(CMapStringToPtr, AfxMapStringToPtr)
AFX_COLLECTION_CLASS(CMapWordToPtr, AfxMapWordToPtr)
AFX_COLLECTION_CLASS(CMapPtrToWord, AfxMapPtrToWord)
AFX_COLLECTION_CLASS(CMapPtrToPtr, AfxMapPtrToPtr)

#undef AFX_COLLECTION_CLASS
