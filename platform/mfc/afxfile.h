// Files. CFile reads and writes bytes; CStdioFile adds lines and, unless
// opened with typeBinary, text mode: "\n" is written as "\r\n" and "\r\n"
// reads as "\n". Paths may use "\\" as separator. Failures throw
// CFileException* (Open reports them through its argument instead).
// Sharing modes are accepted; a single process does not enforce them.
#pragma once

#include <cstdio>

#include "afx.h"

class CFileException;

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };
  static constexpr UINT hFileNull = 0xFFFFFFFFu;

  CFile() = default;
  // Opens or throws.
  CFile(LPCSTR fileName, UINT openFlags);
  // Closes without throwing.
  ~CFile() override;

  virtual BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr);
  // Reads up to count bytes; fewer only at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual LONG Seek(LONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
  virtual DWORD GetPosition() const;
  virtual DWORD GetLength() const;
  virtual void SetLength(DWORD length);
  virtual void Flush();
  virtual void Close();
  // Closes, ignoring failures.
  virtual void Abort();
  CString GetFileName() const;
  CString GetFilePath() const { return m_strFileName; }

  UINT m_hFile = hFileNull;

 protected:
  // Opens the descriptor; fills error and answers FALSE on failure.
  BOOL OpenDescriptor(LPCSTR fileName, UINT openFlags, CFileException* error);
  // Sets the last error and fills error from a Win32 code; answers FALSE.
  static BOOL FailOpen(CFileException* error, LPCSTR fileName, DWORD code);
  [[noreturn]] void ThrowLastErrno() const;

  CString m_strFileName;
};

class CStdioFile : public CFile {
  DECLARE_DYNAMIC(CStdioFile)

 public:
  CStdioFile() = default;
  CStdioFile(LPCSTR fileName, UINT openFlags);
  ~CStdioFile() override;

  BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  LONG Seek(LONG offset, UINT from) override;
  DWORD GetPosition() const override;
  DWORD GetLength() const override;
  void Flush() override;
  void Close() override;
  void Abort() override;

  virtual void WriteString(LPCSTR text);
  // One line without its line break; FALSE at the end of the file.
  virtual BOOL ReadString(CString& line);
  // At most maxLength - 1 characters of one line, with its "\n"; NULL at the end.
  virtual LPSTR ReadString(LPSTR buffer, UINT maxLength);

  std::FILE* m_pStream = nullptr;

 private:
  // Throws CFileException (invalidFile) when the file is not open.
  void CheckOpen() const;

  bool m_text = true;
};
