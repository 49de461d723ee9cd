#include <vector>

#include "afx.h"

namespace {

CString FormatTm(const std::tm& parts, LPCSTR format) {
  if (!format || !*format) return CString();
  for (size_t size = 128; size <= 65536; size *= 4) {
    std::vector<char> buffer(size);
    size_t length = std::strftime(buffer.data(), buffer.size(), format, &parts);
    if (length > 0) return CString(buffer.data(), static_cast<int>(length));
  }
  return CString();  // a format whose result is empty
}

}  // namespace

CString CTimeSpan::Format(LPCSTR format) const {
  CString result;
  for (const char* p = format ? format : ""; *p; ++p) {
    if (*p != '%' || !p[1]) {
      result += *p;
      continue;
    }
    CString part;
    switch (*++p) {
      case 'D':
        part.Format("%lld", static_cast<long long>(GetDays()));
        break;
      case 'H':
        part.Format("%02ld", static_cast<long>(GetHours()));
        break;
      case 'M':
        part.Format("%02ld", static_cast<long>(GetMinutes()));
        break;
      case 'S':
        part.Format("%02ld", static_cast<long>(GetSeconds()));
        break;
      case '%':
        part = "%";
        break;
      default:
        part = CString('%') + *p;
        break;
    }
    result += part;
  }
  return result;
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = dst;
  m_time = std::mktime(&parts);
}

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

std::tm CTime::Local() const {
  std::tm parts{};
  localtime_r(&m_time, &parts);
  return parts;
}

int CTime::GetYear() const { return Local().tm_year + 1900; }
int CTime::GetMonth() const { return Local().tm_mon + 1; }
int CTime::GetDay() const { return Local().tm_mday; }
int CTime::GetHour() const { return Local().tm_hour; }
int CTime::GetMinute() const { return Local().tm_min; }
int CTime::GetSecond() const { return Local().tm_sec; }
int CTime::GetDayOfWeek() const { return Local().tm_wday + 1; }

CString CTime::Format(LPCSTR format) const { return FormatTm(Local(), format); }

CString CTime::FormatGmt(LPCSTR format) const {
  std::tm parts{};
  gmtime_r(&m_time, &parts);
  return FormatTm(parts, format);
}
