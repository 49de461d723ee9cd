#include <algorithm>
#include <cstring>

#include "afxwin.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

CString CException::GetMessageText() const { return CString(); }

BOOL CException::GetErrorMessage(LPSTR buffer, UINT maxLength, UINT* helpContext) {
  if (helpContext) *helpContext = 0;
  if (!buffer || maxLength == 0) return FALSE;
  CString text = GetMessageText();
  size_t length = std::min<size_t>(static_cast<size_t>(text.GetLength()), maxLength - 1);
  std::memcpy(buffer, static_cast<LPCSTR>(text), length);
  buffer[length] = '\0';
  return !text.IsEmpty();
}

int CException::ReportError(UINT type, UINT messageId) {
  CString text = GetMessageText();
  if (text.IsEmpty() && messageId) text.LoadString(messageId);
  if (text.IsEmpty()) text = "An unsupported operation was attempted.";
  return MessageBoxA(nullptr, text, AfxGetAppName(), type);
}

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

CString CMemoryException::GetMessageText() const { return "Out of memory."; }

CFileException::CFileException(int cause, LONG osError, LPCSTR fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

int CFileException::OsErrorToException(LONG osError) {
  switch (static_cast<DWORD>(osError)) {
    case ERROR_SUCCESS:
      return none;
    case ERROR_FILE_NOT_FOUND:
      return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return accessDenied;
    case ERROR_INVALID_HANDLE:
      return invalidFile;
    case ERROR_DIR_NOT_EMPTY:
      return removeCurrentDir;
    case ERROR_SEEK:
      return badSeek;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return hardIO;
    case ERROR_SHARING_VIOLATION:
      return sharingViolation;
    case ERROR_LOCK_VIOLATION:
      return lockViolation;
    case ERROR_DISK_FULL:
      return diskFull;
    case ERROR_HANDLE_EOF:
      return endOfFile;
    default:
      return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, LPCSTR fileName) {
  AfxThrowFileException(OsErrorToException(osError), osError, fileName);
}

CString CFileException::GetMessageText() const {
  CString name = m_strFileName.IsEmpty() ? CString("an unnamed file") : m_strFileName;
  const char* format;
  switch (m_cause) {
    case none:
      return CString();
    case fileNotFound:
      format = "%s was not found.";
      break;
    case badPath:
      format = "%s contains an incorrect path.";
      break;
    case tooManyOpenFiles:
      format = "%s could not be opened because there are too many open files.";
      break;
    case accessDenied:
      format = "Access to %s was denied.";
      break;
    case invalidFile:
      format = "An incorrect file handle was used for %s.";
      break;
    case removeCurrentDir:
      format = "%s could not be removed because it is the current folder.";
      break;
    case directoryFull:
      format = "%s could not be created because the folder is full.";
      break;
    case badSeek:
      format = "Seek failed on %s.";
      break;
    case hardIO:
      format = "A hardware input/output error was reported while accessing %s.";
      break;
    case sharingViolation:
      format = "A sharing violation occurred while accessing %s.";
      break;
    case lockViolation:
      format = "A locking violation occurred while accessing %s.";
      break;
    case diskFull:
      format = "Disk full while accessing %s.";
      break;
    case endOfFile:
      format = "An attempt was made to access %s past its end.";
      break;
    default:
      format = "An unexpected error occurred while accessing %s.";
      break;
  }
  CString text;
  text.Format(format, static_cast<LPCSTR>(name));
  return text;
}

void AfxThrowFileException(int cause, LONG osError, LPCSTR fileName) {
  throw new CFileException(cause, osError, fileName);
}

void AfxThrowMemoryException() { throw new CMemoryException; }
