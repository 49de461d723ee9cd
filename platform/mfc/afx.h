// The framework's core: strings, the object root with run-time class
// information, exceptions, files, times and collections. Window and thread
// classes are in afxwin.h.
#pragma once

#include <windows.h>

#include <cassert>

using TCHAR = char;
#define _T(text) text
#define TEXT(text) text

#define AFX_EXT_CLASS
#define AFX_EXT_API
#define AFX_EXT_DATA
#define AFXAPI

#define ASSERT(condition) assert(condition)
#define VERIFY(expression) ((void)(expression))
#define ASSERT_VALID(object) ((void)0)
// Debug output of the framework: there is no debugger to receive it.
#define TRACE(...) ((void)0)
#define TRACE0(text) ((void)0)

#include "afxcoll.h"
#include "afxexcept.h"
#include "afxfile.h"
#include "afxobj.h"
#include "afxstr.h"
#include "afxtime.h"
