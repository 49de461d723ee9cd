// Kernel objects behind HANDLE (mutexes, events, threads), waits, the calling
// thread's last error and its text, local memory and the program's module.
// Included by windows.h.
#pragma once

#include <cstdarg>
#include <string>

#include "windows.h"

// Error codes of GetLastError.
#define ERROR_SUCCESS 0u
#define NO_ERROR 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_OUTOFMEMORY 14u
#define ERROR_WRITE_PROTECT 19u
#define ERROR_SEEK 25u
#define ERROR_WRITE_FAULT 29u
#define ERROR_READ_FAULT 30u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_LOCK_VIOLATION 33u
#define ERROR_HANDLE_EOF 38u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_BUSY 170u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_NOT_OWNER 288u
#define ERROR_MR_MID_NOT_FOUND 317u
#define ERROR_INVALID_ADDRESS 487u
#define ERROR_CANNOT_FIND_WND_CLASS 1407u
#define ERROR_CLASS_ALREADY_EXISTS 1410u
#define ERROR_INVALID_WINDOW_HANDLE 1400u
#define ERROR_INVALID_THREAD_ID 1444u
#define ERROR_TIMEOUT 1460u

DWORD GetLastError();
void SetLastError(DWORD error);

// The Win32 error code that stands for a C library errno value.
DWORD Win32ErrorFromErrno(int errnoValue);

// Waits.
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64u

// A wait on a mutex that its owner thread ended holding acquires it and
// answers WAIT_ABANDONED (once). A zero time-out tries once. Mutexes are
// recursive for their owner. An auto-reset event is reset by the wait that it
// releases; a thread is signalled when it has ended.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Wait-any (waitAll FALSE) answers WAIT_OBJECT_0 + the lowest index of a
// signalled object and acquires only that one; wait-all acquires all at once.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);
// Another handle to the same object, for the calling process only.
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD access,
                     BOOL inherit, DWORD options);
HANDLE GetCurrentProcess();
#define DUPLICATE_CLOSE_SOURCE 0x1u
#define DUPLICATE_SAME_ACCESS 0x2u

// Mutexes and events are unnamed: a name makes creation fail with
// ERROR_NOT_SUPPORTED.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
#define CreateMutex CreateMutexA
#define CreateEvent CreateEventA

// Threads.
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// The thread starts when its suspend count falls to 0 (at once without
// CREATE_SUSPENDED). Its identifier is known from creation on.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId);
// Answers the previous suspend count, or (DWORD)-1 for a handle that is not a thread.
DWORD ResumeThread(HANDLE thread);
// STILL_ACTIVE until the thread has ended, then the value its routine returned.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Priorities are recorded only.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
// Every thread gets an identifier (never 0) the first time it asks; identifiers
// are not reused within a process.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
void Sleep(DWORD milliseconds);

// Local memory, as FormatMessageA allocates it.
#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);

// System error text. FORMAT_MESSAGE_FROM_SYSTEM is the one source; the text
// has no inserts and ends with "\r\n".
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_STRING 0x00000400u
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000u
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FFu
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(primary, sub) ((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary))
// With FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is really an LPSTR* that gets a
// LocalAlloc block. Answers the length without the terminating zero, 0 on
// failure (ERROR_MR_MID_NOT_FOUND for an unknown code).
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     std::va_list* arguments);
#define FormatMessage FormatMessageA

// The program's own module. A NULL module, or the handle GetModuleHandleA(NULL)
// gives, is the executable; its path is the real one, with '/' separators.
HMODULE GetModuleHandleA(LPCSTR moduleName);
// Copies at most size - 1 characters and a terminating zero; answers the
// length copied, or size with ERROR_INSUFFICIENT_BUFFER when cut short.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
#define GetModuleHandle GetModuleHandleA
#define GetModuleFileName GetModuleFileNameA

int lstrlenA(LPCSTR text);
#define lstrlen lstrlenA
// Debugger output: there is no debugger to receive it.
void OutputDebugStringA(LPCSTR text);
#define OutputDebugString OutputDebugStringA

// Paths. Code written for Windows forms paths with "\\"; every file function
// of the platform layer takes them through ToNativePath, which turns each
// backslash into '/'.
std::string ToNativePath(const char* path);
// True for both separators, '/' and '\\'.
inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }
