// What the trace view and the device-creation log view share: their blue
// Courier text and the reading of a file into the control.
#pragma once

#include <afx.h>
#include <afxrich.h>

// Courier, blue, not bold; the size stays the control's.
void SetBlueCourierFormat(CRichEditCtrl& control);
// Puts what is left of file into the control at its selection, 255 bytes at
// a time, keeping both scroll bar positions, until a read gives nothing.
void AppendFileContent(CRichEditCtrl& control, CFile& file);
