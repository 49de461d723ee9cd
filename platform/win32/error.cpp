// The calling thread's last error, its text, and local memory.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "windows.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct ErrorText {
  DWORD code;
  const char* text;
};

// The texts FormatMessageA gives for the codes this layer sets.
constexpr ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The file cannot be found."},
    {ERROR_PATH_NOT_FOUND, "The path cannot be found."},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory is available to process this command."},
    {ERROR_OUTOFMEMORY, "Not enough memory is available to complete this operation."},
    {ERROR_WRITE_PROTECT, "The medium is write protected."},
    {ERROR_SEEK, "The requested position in the file cannot be reached."},
    {ERROR_WRITE_FAULT, "The device cannot be written to."},
    {ERROR_READ_FAULT, "The device cannot be read from."},
    {ERROR_SHARING_VIOLATION, "The file is being used by another process."},
    {ERROR_LOCK_VIOLATION, "A part of the file is locked by another process."},
    {ERROR_HANDLE_EOF, "The end of the file has been reached."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed is too small."},
    {ERROR_INVALID_NAME, "The file name, folder name or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module cannot be found."},
    {ERROR_DIR_NOT_EMPTY, "The folder is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "A file that already exists cannot be created."},
    {ERROR_FILENAME_EXCED_RANGE, "The file name is too long."},
    {ERROR_NOT_OWNER, "The caller does not own the mutex."},
    {ERROR_MR_MID_NOT_FOUND, "No message text exists for this message number."},
    {ERROR_INVALID_ADDRESS, "The address is invalid."},
    {ERROR_INVALID_WINDOW_HANDLE, "The window handle is invalid."},
    {ERROR_CANNOT_FIND_WND_CLASS, "The window class cannot be found."},
    {ERROR_CLASS_ALREADY_EXISTS, "The window class already exists."},
    {ERROR_INVALID_THREAD_ID, "The thread identifier is invalid."},
    {ERROR_TIMEOUT, "The operation timed out."},
};

const char* FindErrorText(DWORD code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

DWORD Win32ErrorFromErrno(int errnoValue) {
  switch (errnoValue) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case ESPIPE:
      return ERROR_SEEK;
    case EIO:
      return ERROR_WRITE_FAULT;
    case ETXTBSY:
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EFAULT:
      return ERROR_INVALID_ADDRESS;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  void* memory = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!memory) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, std::va_list*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
      !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* found = FindErrorText(messageId);
  if (!found) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string text = std::string(found) + "\r\n";
  DWORD length = static_cast<DWORD>(text.size());
  char* target = buffer;
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    target = static_cast<char*>(LocalAlloc(LMEM_FIXED, std::max<SIZE_T>(length + 1, size)));
    if (!target) return 0;
    *reinterpret_cast<LPSTR*>(buffer) = target;
  } else if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(target, text.c_str(), length + 1);
  return length;
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

void OutputDebugStringA(LPCSTR) {}
