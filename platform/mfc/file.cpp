#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "afx.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

namespace {

int Descriptor(UINT handle) { return static_cast<int>(handle); }

}  // namespace

CFile::CFile(LPCSTR fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) AfxThrowFileException(error.m_cause, error.m_lOsError, fileName);
}

CFile::~CFile() { CFile::Abort(); }

void CFile::ThrowLastErrno() const {
  CFileException::ThrowOsError(static_cast<LONG>(Win32ErrorFromErrno(errno)), m_strFileName);
}

BOOL CFile::FailOpen(CFileException* error, LPCSTR fileName, DWORD code) {
  SetLastError(code);
  if (error) {
    error->m_lOsError = static_cast<LONG>(code);
    error->m_cause = CFileException::OsErrorToException(static_cast<LONG>(code));
    error->m_strFileName = fileName;
  }
  return FALSE;
}

BOOL CFile::OpenDescriptor(LPCSTR fileName, UINT openFlags, CFileException* error) {
  auto fail = [&](DWORD code) { return FailOpen(error, fileName, code); };
  if (m_hFile != hFileNull) return fail(ERROR_INVALID_PARAMETER);
  if (!fileName || !*fileName) return fail(ERROR_INVALID_NAME);
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case modeRead:
      flags |= O_RDONLY;
      break;
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      return fail(ERROR_INVALID_PARAMETER);
  }
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);
  std::string path = ToNativePath(fileName);
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && errno == ENOENT) {
    // A missing folder on the way is a bad path, a missing file not found.
    size_t slash = path.find_last_of('/');
    struct stat folder {};
    bool folderExists = slash == std::string::npos || stat(path.substr(0, slash + 1).c_str(), &folder) == 0;
    return fail(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  }
  if (fd < 0) return fail(Win32ErrorFromErrno(errno));
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return fail(ERROR_ACCESS_DENIED);
  }
  m_hFile = static_cast<UINT>(fd);
  m_strFileName = fileName;
  return TRUE;
}

BOOL CFile::Open(LPCSTR fileName, UINT openFlags, CFileException* error) {
  return OpenDescriptor(fileName, openFlags, error);
}

UINT CFile::Read(void* buffer, UINT count) {
  UINT done = 0;
  while (done < count) {
    ssize_t got = ::read(Descriptor(m_hFile), static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowLastErrno();
    if (got == 0) break;
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  UINT done = 0;
  while (done < count) {
    ssize_t put = ::write(Descriptor(m_hFile), static_cast<const char*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) ThrowLastErrno();
    done += static_cast<UINT>(put);
  }
}

LONG CFile::Seek(LONG offset, UINT from) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (from > end) AfxThrowFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
  off_t position = ::lseek(Descriptor(m_hFile), offset, kWhence[from]);
  if (position < 0) ThrowLastErrno();
  return static_cast<LONG>(position);
}

DWORD CFile::GetPosition() const {
  off_t position = ::lseek(Descriptor(m_hFile), 0, SEEK_CUR);
  if (position < 0) ThrowLastErrno();
  return static_cast<DWORD>(position);
}

DWORD CFile::GetLength() const {
  struct stat info {};
  if (fstat(Descriptor(m_hFile), &info) != 0) ThrowLastErrno();
  return static_cast<DWORD>(info.st_size);
}

void CFile::SetLength(DWORD length) {
  if (ftruncate(Descriptor(m_hFile), static_cast<off_t>(length)) != 0) ThrowLastErrno();
}

void CFile::Flush() {
  if (m_hFile == hFileNull) return;
  struct stat info {};
  if (fstat(Descriptor(m_hFile), &info) != 0) ThrowLastErrno();
}

void CFile::Close() {
  if (m_hFile == hFileNull) return;
  int fd = Descriptor(m_hFile);
  m_hFile = hFileNull;
  if (::close(fd) != 0) ThrowLastErrno();
}

void CFile::Abort() {
  if (m_hFile == hFileNull) return;
  ::close(Descriptor(m_hFile));
  m_hFile = hFileNull;
}

CString CFile::GetFileName() const {
  int at = m_strFileName.GetLength() - 1;
  while (at >= 0 && !IsPathSeparator(m_strFileName[at])) --at;
  return m_strFileName.Mid(at + 1);
}
