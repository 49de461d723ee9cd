// The window messages that jobs post to the main window. The job, or its
// document, travels in the parameters (see each line).
#pragma once

#include <windows.h>

// lParam: the job. A job ends: one user fewer of the progress bar.
constexpr UINT WM_JOB_DESTROY_PROGRESS_BAR = WM_USER + 1;
// lParam: the job. A job starts: one user more of the progress bar.
constexpr UINT WM_JOB_CREATE_PROGRESS_BAR = WM_USER + 2;
// Handled by the main window; no job posts it.
constexpr UINT WM_JOB_DISPLAY_TRACE = WM_USER + 3;
// lParam: the job. Read its status, texts and counters again.
constexpr UINT WM_JOB_READ_THREAD_INFO = WM_USER + 4;
// lParam: the job. Its trace file now exists.
constexpr UINT WM_JOB_TRACE_FILE_CREATED = WM_USER + 5;
// lParam: the job. Read its trace file again.
constexpr UINT WM_JOB_READ_TRACE_FILE = WM_USER + 6;
// lParam: the job. A new job exists.
constexpr UINT WM_JOB_THREAD_CREATED = WM_USER + 7;
// lParam: the job. Step the progress bar.
constexpr UINT WM_JOB_STEP_PROGRESS_BAR = WM_USER + 8;
// lParam: the document. Set its level-of-detail slider.
constexpr UINT WM_JOB_SET_SLIDER = WM_USER + 9;
// wParam: the CChildObject, lParam: the document. Refresh the child's tree item.
constexpr UINT WM_JOB_RESET_TREE_DISPLAY_NAME = WM_USER + 10;
// lParam: the document. Fill its animation-sets list.
constexpr UINT WM_JOB_FILL_ANIMATION_SETS_COMBO = WM_USER + 11;
// wParam: the CChildObject, lParam: the document. Remove the child's tree item.
constexpr UINT WM_JOB_DELETE_TREE_ITEM = WM_USER + 12;
// wParam: the CFrame, lParam: the document. Make the frame the selected one.
constexpr UINT WM_JOB_SET_SELECTED_FRAME = WM_USER + 13;
// Handled by the main window; no job posts it.
constexpr UINT WM_JOB_SET_ANIMATION_TIME = WM_USER + 14;
// wParam: a string-table identifier. Show the string in the status bar.
constexpr UINT WM_JOB_SET_MESSAGE_TEXT = WM_USER + 15;
