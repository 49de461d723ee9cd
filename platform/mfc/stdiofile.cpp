#include <sys/stat.h>

#include <cerrno>

#include "afx.h"

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

CStdioFile::CStdioFile(LPCSTR fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) AfxThrowFileException(error.m_cause, error.m_lOsError, fileName);
}

CStdioFile::~CStdioFile() { CStdioFile::Abort(); }

BOOL CStdioFile::Open(LPCSTR fileName, UINT openFlags, CFileException* error) {
  if (!OpenDescriptor(fileName, openFlags, error)) return FALSE;
  const char* mode = (openFlags & 3) == modeRead ? "rb" : (openFlags & 3) == modeWrite ? "wb" : "r+b";
  m_pStream = fdopen(static_cast<int>(m_hFile), mode);
  if (!m_pStream) {
    DWORD code = Win32ErrorFromErrno(errno);
    CFile::Abort();
    return FailOpen(error, fileName, code);
  }
  m_text = !(openFlags & typeBinary);
  return TRUE;
}

void CStdioFile::CheckOpen() const {
  if (!m_pStream) AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  CheckOpen();
  if (!m_text) {
    size_t got = std::fread(buffer, 1, count, m_pStream);
    if (got < count && std::ferror(m_pStream)) ThrowLastErrno();
    return static_cast<UINT>(got);
  }
  auto* bytes = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    int c = std::fgetc(m_pStream);
    if (c == EOF) break;
    if (c == '\r') {
      int next = std::fgetc(m_pStream);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, m_pStream);
      }
    }
    bytes[done++] = static_cast<char>(c);
  }
  if (std::ferror(m_pStream)) ThrowLastErrno();
  return done;
}

void CStdioFile::Write(const void* buffer, UINT count) {
  CheckOpen();
  const auto* bytes = static_cast<const char*>(buffer);
  bool ok = true;
  if (!m_text) {
    ok = std::fwrite(bytes, 1, count, m_pStream) == count;
  } else {
    UINT start = 0;
    for (UINT i = 0; i < count && ok; ++i) {
      if (bytes[i] != '\n') continue;
      ok = std::fwrite(bytes + start, 1, i - start, m_pStream) == i - start && std::fputs("\r\n", m_pStream) >= 0;
      start = i + 1;
    }
    ok = ok && std::fwrite(bytes + start, 1, count - start, m_pStream) == count - start;
  }
  if (!ok) ThrowLastErrno();
}

void CStdioFile::WriteString(LPCSTR text) {
  if (!text) CFileException::ThrowOsError(ERROR_INVALID_PARAMETER, m_strFileName);
  Write(text, static_cast<UINT>(std::strlen(text)));
}

BOOL CStdioFile::ReadString(CString& line) {
  line.Empty();
  char chunk[256];
  bool any = false;
  while (LPSTR got = ReadString(chunk, sizeof(chunk))) {
    any = true;
    size_t length = std::strlen(got);
    if (length > 0 && got[length - 1] == '\n') {
      got[length - 1] = '\0';
      line += got;
      return TRUE;
    }
    line += got;
  }
  return any;
}

LPSTR CStdioFile::ReadString(LPSTR buffer, UINT maxLength) {
  if (!buffer || maxLength == 0) return nullptr;
  UINT done = 0;
  while (done + 1 < maxLength) {
    char c;
    if (Read(&c, 1) == 0) break;
    buffer[done++] = c;
    if (c == '\n') break;
  }
  buffer[done] = '\0';
  return done == 0 ? nullptr : buffer;
}

LONG CStdioFile::Seek(LONG offset, UINT from) {
  CheckOpen();
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (from > end || std::fseek(m_pStream, offset, kWhence[from]) != 0) {
    CFileException::ThrowOsError(ERROR_SEEK, m_strFileName);
  }
  return static_cast<LONG>(std::ftell(m_pStream));
}

DWORD CStdioFile::GetPosition() const {
  CheckOpen();
  long position = std::ftell(m_pStream);
  if (position < 0) ThrowLastErrno();
  return static_cast<DWORD>(position);
}

DWORD CStdioFile::GetLength() const {
  CheckOpen();
  if (std::fflush(m_pStream) != 0) ThrowLastErrno();
  return CFile::GetLength();
}

void CStdioFile::Flush() {
  if (m_pStream && std::fflush(m_pStream) != 0) ThrowLastErrno();
}

void CStdioFile::Close() {
  if (!m_pStream) return CFile::Close();
  std::FILE* stream = m_pStream;
  m_pStream = nullptr;
  m_hFile = hFileNull;
  if (std::fclose(stream) != 0) ThrowLastErrno();
}

void CStdioFile::Abort() {
  if (!m_pStream) return CFile::Abort();
  std::fclose(m_pStream);
  m_pStream = nullptr;
  m_hFile = hFileNull;
}
