#include <afx.h>
#include <gtest/gtest.h>

TEST(CTime, FormatsLocalTimeWithStrftimeFormats) {
  CTime time(2024, 3, 5, 7, 8, 9);
  EXPECT_STREQ(time.Format("%H:%M:%S"), "07:08:09");
  EXPECT_STREQ(time.Format("%A, %B %d, %Y"), "Tuesday, March 05, 2024");
  EXPECT_STREQ(time.Format(""), "");
  EXPECT_EQ(time.GetYear(), 2024);
  EXPECT_EQ(time.GetDayOfWeek(), 3);
  CTime later = time + CTimeSpan(0, 1, 2, 3);
  EXPECT_STREQ(later.Format("%H:%M:%S"), "08:10:12");
  EXPECT_TRUE(later > time);
  CTime now = CTime::GetCurrentTime();
  EXPECT_GE(now.GetYear(), 2024);
}

TEST(CTimeSpan, FormatsDaysHoursMinutesSeconds) {
  struct Case {
    CTimeSpan span;
    const char* format;
    const char* expected;
  } cases[] = {
      {CTimeSpan(0), "%H:%M:%S", "00:00:00"},
      {CTimeSpan(3725), "%H:%M:%S", "01:02:05"},
      {CTimeSpan(2, 3, 4, 5), "%D %H:%M:%S", "2 03:04:05"},
      {CTimeSpan(90061), "%H:%M:%S", "01:01:01"},  // hours of the day
      {CTimeSpan(5), "100%% %S%x", "100% 05%x"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.span.Format(c.format), c.expected) << c.format;
  CTime start(2024, 1, 1, 23, 59, 0);
  CTime end(2024, 1, 2, 0, 1, 30);
  EXPECT_EQ((end - start).GetTotalSeconds(), 150);
  EXPECT_STREQ((end - start).Format("%H:%M:%S"), "00:02:30");
}
