#include <cctype>
#include <cstdio>
#include <cstring>

#include "windows.h"

bool operator==(const GUID& a, const GUID& b) noexcept { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

bool operator<(const GUID& a, const GUID& b) noexcept {
  if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
  if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
  if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
  return std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) < 0;
}

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits from *p into *value.
bool ReadHex(const char*& p, int digits, std::uint32_t* value) {
  std::uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int d = HexValue(p[i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  p += digits;
  *value = v;
  return true;
}

}  // namespace

bool GuidFromString(const char* text, GUID* guid) {
  if (!text || !guid) return false;
  const char* p = text;
  bool braces = *p == '{';
  if (braces) ++p;
  GUID g{};
  std::uint32_t v = 0;
  if (!ReadHex(p, 8, &v) || *p++ != '-') return false;
  g.Data1 = v;
  if (!ReadHex(p, 4, &v) || *p++ != '-') return false;
  g.Data2 = static_cast<WORD>(v);
  if (!ReadHex(p, 4, &v) || *p++ != '-') return false;
  g.Data3 = static_cast<WORD>(v);
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && *p++ != '-') return false;
    if (!ReadHex(p, 2, &v)) return false;
    g.Data4[i] = static_cast<BYTE>(v);
  }
  if (braces && *p++ != '}') return false;
  if (*p != '\0') return false;
  *guid = g;
  return true;
}
