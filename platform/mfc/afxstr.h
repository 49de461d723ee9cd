// CString: a byte string with value semantics, and the string table that
// LoadString reads.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

class CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  // NULL makes an empty string.
  CString(LPCSTR text);  // NOLINT: converts implicitly, as the framework's does
  CString(LPCSTR text, int length);
  explicit CString(char ch, int repeat = 1);
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCSTR text);
  CString& operator=(char ch);

  int GetLength() const { return static_cast<int>(m_text.size()); }
  BOOL IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  char GetAt(int index) const { return m_text[index]; }
  char operator[](int index) const { return m_text[index]; }
  void SetAt(int index, char ch) { m_text[index] = ch; }
  operator LPCSTR() const { return m_text.c_str(); }

  CString& operator+=(const CString& text);
  CString& operator+=(LPCSTR text);
  CString& operator+=(char ch);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, LPCSTR b);
  friend CString operator+(LPCSTR a, const CString& b);
  friend CString operator+(const CString& a, char b);
  friend CString operator+(char a, const CString& b);

  // Byte-order comparisons (as strcmp): negative, 0 or positive.
  int Compare(LPCSTR text) const;
  int CompareNoCase(LPCSTR text) const;
  int Collate(LPCSTR text) const { return Compare(text); }

  // Out-of-range positions and counts are clamped.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;

  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  // Answer how many were replaced or removed, or the new length.
  int Replace(char from, char to);
  int Replace(LPCSTR from, LPCSTR to);
  int Remove(char ch);
  int Insert(int index, char ch);
  int Insert(int index, LPCSTR text);
  int Delete(int index, int count = 1);

  // White space, one character, or any of a set of characters.
  void TrimLeft();
  void TrimLeft(char ch);
  void TrimLeft(LPCSTR set);
  void TrimRight();
  void TrimRight(char ch);
  void TrimRight(LPCSTR set);

  // Positions from 0, or -1 when absent.
  int Find(char ch, int start = 0) const;
  int Find(LPCSTR text, int start = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(LPCSTR set) const;

  // printf formats. An argument may be this string itself.
  void Format(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(LPCSTR format, std::va_list arguments);

  // The string table entry id (AfxRegisterString); FALSE leaves the string
  // unchanged.
  BOOL LoadString(UINT id);

  // A writable buffer of at least minLength characters plus a terminating
  // zero, holding the current text; ReleaseBuffer sets the length (-1: up to
  // the first zero).
  LPSTR GetBuffer(int minLength);
  LPSTR GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);
  void FreeExtra() { m_text.shrink_to_fit(); }

 private:
  std::string m_text;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator==(LPCSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);
bool operator!=(LPCSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCSTR b);
bool operator<(LPCSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCSTR b);
bool operator>(LPCSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, LPCSTR b);
bool operator<=(LPCSTR a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, LPCSTR b);
bool operator>=(LPCSTR a, const CString& b);

// The string table: each library registers its strings when it is loaded.
// A later registration of an id replaces the earlier text.
void AfxRegisterString(UINT id, LPCSTR text);
// Copies the text of id (at most maxLength - 1 characters and a zero) and
// answers its length; 0 when the table has no such id.
int AfxLoadString(UINT id, LPSTR buffer, UINT maxLength);
