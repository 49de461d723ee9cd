// Framework exceptions: thrown by pointer (throw new CFileException(...)),
// caught as CException*, and deleted by the handler that stops them.
#pragma once

#include "afx.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
  // Copies the text (at most maxLength - 1 characters and a zero); FALSE
  // when there is no text.
  virtual BOOL GetErrorMessage(LPSTR buffer, UINT maxLength, UINT* helpContext = nullptr);
  // Shows the text in a message box; answers the box's result.
  virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);
  // Deletes the exception when it was made on the heap (auto-delete).
  void Delete();

  BOOL m_bAutoDelete;

 protected:
  // The text, or an empty string.
  virtual CString GetMessageText() const;
};

class CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)

 protected:
  CString GetMessageText() const override;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  explicit CFileException(int cause = none, LONG osError = -1, LPCSTR fileName = nullptr);

  // The cause that stands for a Win32 error code.
  static int OsErrorToException(LONG osError);
  [[noreturn]] static void ThrowOsError(LONG osError, LPCSTR fileName = nullptr);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;

 protected:
  CString GetMessageText() const override;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCSTR fileName = nullptr);
[[noreturn]] void AfxThrowMemoryException();
