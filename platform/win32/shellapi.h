// Opening a document or address with the program the desktop associates with
// it (xdg-open).
#pragma once

#include "windows.h"

// "open" (or NULL) starts the desktop's opener for file and answers a value
// above 32; the opener cannot be started: SE_ERR_NOASSOC. Other operations
// are refused with SE_ERR_NOASSOC. The opener's end is not waited for.
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show);
#define ShellExecute ShellExecuteA
#define SE_ERR_NOASSOC 31
