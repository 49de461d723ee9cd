// The program's folders and the files in them, unique names and
// identifiers, .x identifiers, sounds, whole text files and block copies.
#pragma once

#include <afx.h>

// The folder of the program's executable, without a trailing separator; empty
// when the path has no separator.
CString GetAppDirectory();

// The folders "..\media", "..\Tools", "..\html" and "..\samples" lie beside the
// program folder. The lookups below resolve them without touching the current
// directory, and throw "Error: The ..\<folder> directory does not exist."
// (a const char*) when the folder is missing.
//
// The full path of fileName in the media folder when the file can be opened
// for reading, else fileName unchanged.
CString GetMediaFilePathName(const char* fileName);
// The same for the tools folder.
CString GetToolPathName(const char* fileName);
// The same for the html folder, a found file given as "file://\<path>".
CString GetHtmlPathName(const char* fileName);
// The full path of the samples folder.
CString GetDefaultImportDirectory();
// Whether "..\<folderName>" beside the program folder is a folder. Never throws.
bool AppFolderExists(const char* folderName);

// Plays a sound of the media folder to its end; false when it cannot be
// played. Throws as GetMediaFilePathName when the media folder is missing.
bool PlaySoundFile(const char* fileName);

// The whole content of a file, up to the first zero byte of each 4,095-byte
// block; empty when the file cannot be opened.
CString GetTextFileContent(const char* path);

// Appends a process-wide sequence number, "0000001" to "1000000" and round
// again, to name.
void SetUniqueName(CString& name);
// A new process-wide identifier (1, 2, ...), only ever compared.
unsigned char* GetNextUniqueID();

// name as an .x identifier: "_" before a leading digit, and "_" for every
// character other than letters, digits and "_".
CString GetDXTemplateName(const char* name);

// memcpy in blocks of 65,535 bytes; the areas must not overlap.
void HugeMemCopy(void* dst, const void* src, unsigned int size);
