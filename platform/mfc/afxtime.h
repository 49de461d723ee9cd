// Points in time (whole seconds, formatted in local time) and spans between them.
#pragma once

#include <ctime>

#include "afx.h"

class CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(LONGLONG seconds) : m_seconds(seconds) {}
  CTimeSpan(LONG days, int hours, int minutes, int seconds)
      : m_seconds(((static_cast<LONGLONG>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

  LONGLONG GetDays() const { return m_seconds / 86400; }
  LONGLONG GetTotalHours() const { return m_seconds / 3600; }
  LONG GetHours() const { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
  LONGLONG GetTotalMinutes() const { return m_seconds / 60; }
  LONG GetMinutes() const { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
  LONGLONG GetTotalSeconds() const { return m_seconds; }
  LONG GetSeconds() const { return static_cast<LONG>(m_seconds - GetTotalMinutes() * 60); }

  // %D days, %H hours of the day, %M minutes, %S seconds (two digits each
  // but %D), %% a percent sign; other characters are copied.
  CString Format(LPCSTR format) const;

  CTimeSpan operator+(CTimeSpan other) const { return CTimeSpan(m_seconds + other.m_seconds); }
  CTimeSpan operator-(CTimeSpan other) const { return CTimeSpan(m_seconds - other.m_seconds); }
  auto operator<=>(const CTimeSpan&) const = default;

 private:
  LONGLONG m_seconds = 0;
};

class CTime {
 public:
  CTime() = default;
  explicit CTime(std::time_t time) : m_time(time) {}
  // Local time; dst -1 lets the system decide.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

  static CTime GetCurrentTime();
  std::time_t GetTime() const { return m_time; }
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 is Sunday

  // strftime formats, in local time and in UTC.
  CString Format(LPCSTR format) const;
  CString FormatGmt(LPCSTR format) const;

  CTimeSpan operator-(CTime other) const { return CTimeSpan(static_cast<LONGLONG>(m_time - other.m_time)); }
  CTime operator+(CTimeSpan span) const { return CTime(m_time + static_cast<std::time_t>(span.GetTotalSeconds())); }
  CTime operator-(CTimeSpan span) const { return CTime(m_time - static_cast<std::time_t>(span.GetTotalSeconds())); }
  auto operator<=>(const CTime&) const = default;

 private:
  std::tm Local() const;
  std::time_t m_time = 0;
};
