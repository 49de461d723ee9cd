// C3DSFileConverter: turns a .3ds file into a .x file that the X-file loader
// then reads, through the program's own 3DS import and X-file writer.
#pragma once

#include <afx.h>
#include <windows.h>

class CDXThread;

class C3DSFileConverter {
 public:
  // Converts the .3ds file at pathName (fileName its name, folder where its
  // textures are) into a new text .x file in the temporary folder, whose path
  // goes to xPath; the caller removes that file. False when the file cannot
  // be read or the .x file cannot be written; GetFailureText says why.
  bool Convert3DSFile(char* fileName, char* pathName, char* folder, CString& xPath, CDXThread* thread);
  const CString& GetFailureText() const { return m_failure; }

 private:
  CString m_failure;
};
