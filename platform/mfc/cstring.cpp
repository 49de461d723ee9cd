#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "afx.h"

namespace {

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

const char* Safe(LPCSTR text) { return text ? text : ""; }

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

CString::CString(LPCSTR text) : m_text(Safe(text)) {}
CString::CString(LPCSTR text, int length) : m_text(Safe(text), text ? static_cast<size_t>(std::max(length, 0)) : 0) {}
CString::CString(char ch, int repeat) : m_text(static_cast<size_t>(std::max(repeat, 0)), ch) {}

CString& CString::operator=(LPCSTR text) {
  m_text = Safe(text);
  return *this;
}

CString& CString::operator=(char ch) {
  m_text.assign(1, ch);
  return *this;
}

CString& CString::operator+=(const CString& text) {
  m_text += text.m_text;
  return *this;
}

CString& CString::operator+=(LPCSTR text) {
  m_text += Safe(text);
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) {
  CString result(a);
  return result += b;
}
CString operator+(const CString& a, LPCSTR b) {
  CString result(a);
  return result += b;
}
CString operator+(LPCSTR a, const CString& b) {
  CString result(a);
  return result += b;
}
CString operator+(const CString& a, char b) {
  CString result(a);
  return result += b;
}
CString operator+(char a, const CString& b) {
  CString result(a);
  return result += b;
}

int CString::Compare(LPCSTR text) const { return std::strcmp(m_text.c_str(), Safe(text)); }
int CString::CompareNoCase(LPCSTR text) const { return strcasecmp(m_text.c_str(), Safe(text)); }

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = Clamp(first, 0, GetLength());
  count = Clamp(count, 0, GetLength() - first);
  return CString(m_text.c_str() + first, count);
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  count = Clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

void CString::MakeUpper() {
  for (char& c : m_text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

void CString::MakeLower() {
  for (char& c : m_text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void CString::MakeReverse() { std::reverse(m_text.begin(), m_text.end()); }

int CString::Replace(char from, char to) {
  int count = 0;
  for (char& c : m_text) {
    if (c == from) {
      c = to;
      ++count;
    }
  }
  return count;
}

int CString::Replace(LPCSTR from, LPCSTR to) {
  size_t fromLength = std::strlen(Safe(from));
  if (fromLength == 0) return 0;
  std::string replacement = Safe(to);
  int count = 0;
  for (size_t at = m_text.find(from); at != std::string::npos; at = m_text.find(from, at + replacement.size())) {
    m_text.replace(at, fromLength, replacement);
    ++count;
  }
  return count;
}

int CString::Remove(char ch) {
  size_t before = m_text.size();
  std::erase(m_text, ch);
  return static_cast<int>(before - m_text.size());
}

int CString::Insert(int index, char ch) { return Insert(index, CString(ch)); }

int CString::Insert(int index, LPCSTR text) {
  m_text.insert(static_cast<size_t>(Clamp(index, 0, GetLength())), Safe(text));
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index >= 0 && index < GetLength() && count > 0) {
    m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  }
  return GetLength();
}

void CString::TrimLeft() {
  auto first = std::find_if_not(m_text.begin(), m_text.end(), IsSpace);
  m_text.erase(m_text.begin(), first);
}

void CString::TrimLeft(char ch) { m_text.erase(0, m_text.find_first_not_of(ch)); }

void CString::TrimLeft(LPCSTR set) { m_text.erase(0, m_text.find_first_not_of(Safe(set))); }

void CString::TrimRight() {
  auto last = std::find_if_not(m_text.rbegin(), m_text.rend(), IsSpace);
  m_text.erase(last.base(), m_text.end());
}

void CString::TrimRight(char ch) {
  size_t last = m_text.find_last_not_of(ch);
  m_text.erase(last == std::string::npos ? 0 : last + 1);
}

void CString::TrimRight(LPCSTR set) {
  size_t last = m_text.find_last_not_of(Safe(set));
  m_text.erase(last == std::string::npos ? 0 : last + 1);
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t at = m_text.find(ch, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR text, int start) const {
  if (start < 0 || start > GetLength()) return -1;
  size_t at = m_text.find(Safe(text), static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
  size_t at = m_text.rfind(ch);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(LPCSTR set) const {
  size_t at = m_text.find_first_of(Safe(set));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

void CString::Format(LPCSTR format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  FormatV(format, arguments);
  va_end(arguments);
}

void CString::FormatV(LPCSTR format, std::va_list arguments) {
  std::va_list measure;
  va_copy(measure, arguments);
  int length = std::vsnprintf(nullptr, 0, Safe(format), measure);
  va_end(measure);
  if (length < 0) {
    m_text.clear();
    return;
  }
  std::string result(static_cast<size_t>(length), '\0');
  std::vsnprintf(result.data(), result.size() + 1, Safe(format), arguments);
  m_text = std::move(result);
}

LPSTR CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength));
  return m_text.data();
}

LPSTR CString::GetBufferSetLength(int length) {
  m_text.resize(static_cast<size_t>(std::max(length, 0)));
  return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) newLength = static_cast<int>(std::strlen(m_text.c_str()));
  m_text.resize(static_cast<size_t>(std::min(newLength, GetLength())));
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
bool operator!=(LPCSTR a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, LPCSTR b) { return a.Compare(b) < 0; }
bool operator<(LPCSTR a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, LPCSTR b) { return a.Compare(b) > 0; }
bool operator>(LPCSTR a, const CString& b) { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, LPCSTR b) { return a.Compare(b) <= 0; }
bool operator<=(LPCSTR a, const CString& b) { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, LPCSTR b) { return a.Compare(b) >= 0; }
bool operator>=(LPCSTR a, const CString& b) { return b.Compare(a) <= 0; }

namespace {

struct StringTable {
  std::mutex lock;
  std::map<UINT, std::string> texts;
};

StringTable& TheStringTable() {
  static StringTable* table = new StringTable;
  return *table;
}

}  // namespace

void AfxRegisterString(UINT id, LPCSTR text) {
  StringTable& table = TheStringTable();
  std::lock_guard lock(table.lock);
  table.texts[id] = Safe(text);
}

int AfxLoadString(UINT id, LPSTR buffer, UINT maxLength) {
  StringTable& table = TheStringTable();
  std::lock_guard lock(table.lock);
  auto found = table.texts.find(id);
  if (found == table.texts.end() || !buffer || maxLength == 0) return 0;
  size_t length = std::min<size_t>(found->second.size(), maxLength - 1);
  std::memcpy(buffer, found->second.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

BOOL CString::LoadString(UINT id) {
  StringTable& table = TheStringTable();
  std::lock_guard lock(table.lock);
  auto found = table.texts.find(id);
  if (found == table.texts.end()) return FALSE;
  m_text = found->second;
  return TRUE;
}
