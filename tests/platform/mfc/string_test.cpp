#include <afx.h>
#include <gtest/gtest.h>

#include <string>

TEST(CString, FormatsWithPrintfFormats) {
  struct Case {
    CString actual;
    const char* expected;
  };
  auto format = [](auto... args) {
    CString s;
    s.Format(args...);
    return s;
  };
  const Case cases[] = {
      {format("%.7d", 1), "0000001"},
      {format("%.7d", 1000000), "1000000"},
      {format("%g", 0.5), "0.5"},
      {format("{%024.12f,%d}", 1.5, -3), "{00000000001.500000000000,-3}"},
      {format("\n%f\tseconds: %s.", 1.5, "Loading"), "\n1.500000\tseconds: Loading."},
      {format("%s\\%s", "C:\\dir", "Config.dat"), "C:\\dir\\Config.dat"},
      {format("%u %u", 7u, 4000000000u), "7 4000000000"},
      {format("%%"), "%"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.actual, c.expected);

  CString self("abc");
  self.Format("%s-%s", static_cast<LPCSTR>(self), static_cast<LPCSTR>(self));
  EXPECT_STREQ(self, "abc-abc");
  CString big;
  big.Format("%s", std::string(5000, 'x').c_str());
  EXPECT_EQ(big.GetLength(), 5000);
}

TEST(CString, ComparesInByteOrder) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {{"abc", "abc", 0}, {"abc", "abd", -1}, {"b", "abc", 1},  {"", "a", -1},
               {"Z", "a", -1},    {"\xE9", "z", 1},   {"ab", "abc", -1}};
  for (const Case& c : cases) {
    CString a(c.a), b(c.b);
    int sign = (a.Compare(c.b) > 0) - (a.Compare(c.b) < 0);
    EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(a == b, c.sign == 0);
    EXPECT_EQ(a != c.b, c.sign != 0);
    EXPECT_EQ(a < b, c.sign < 0);
    EXPECT_EQ(c.a > b, c.sign > 0);
    EXPECT_EQ(a <= c.b, c.sign <= 0);
    EXPECT_EQ(a >= b, c.sign >= 0);
  }
  EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
}

TEST(CString, PiecesSearchAndCase) {
  CString s("  Frame0000001.x  ");
  s.TrimLeft();
  s.TrimRight();
  EXPECT_STREQ(s, "Frame0000001.x");
  EXPECT_STREQ(s.Left(5), "Frame");
  EXPECT_STREQ(s.Right(2), ".x");
  EXPECT_STREQ(s.Mid(5, 7), "0000001");
  EXPECT_STREQ(s.Mid(12), ".x");
  EXPECT_STREQ(s.Mid(40), "");
  EXPECT_STREQ(s.Left(-1), "");
  EXPECT_STREQ(s.Right(99), "Frame0000001.x");
  EXPECT_EQ(s.Find('0'), 5);
  EXPECT_EQ(s.Find('0', 7), 7);
  EXPECT_EQ(s.Find("001"), 9);
  EXPECT_EQ(s.Find('q'), -1);
  EXPECT_EQ(s.ReverseFind('0'), 10);
  EXPECT_EQ(CString("C:\\a\\b.x").ReverseFind('\\'), 4);
  EXPECT_EQ(s.FindOneOf(".1"), 11);
  s.MakeUpper();
  EXPECT_STREQ(s, "FRAME0000001.X");
  s.MakeLower();
  EXPECT_STREQ(s, "frame0000001.x");

  CString t("xxabcxx");
  t.TrimLeft('x');
  t.TrimRight("x");
  EXPECT_STREQ(t, "abc");
  EXPECT_EQ(t.Replace("b", "BB"), 1);
  EXPECT_STREQ(t, "aBBc");
  EXPECT_EQ(t.Replace('B', '-'), 2);
  EXPECT_EQ(t.Remove('-'), 2);
  EXPECT_STREQ(t, "ac");
  t.Insert(1, "b");
  EXPECT_STREQ(t, "abc");
  t.Delete(0, 2);
  EXPECT_STREQ(t, "c");
}

TEST(CString, ConcatenationAndBuffers) {
  CString a("Frame");
  CString b = a + "0000001";
  b += '.';
  b += CString("x");
  EXPECT_STREQ(b, "Frame0000001.x");
  EXPECT_STREQ("-" + a, "-Frame");
  EXPECT_STREQ(a + '!', "Frame!");
  EXPECT_EQ(CString('*', 3), "***");
  EXPECT_TRUE(CString(static_cast<LPCSTR>(nullptr)).IsEmpty());

  CString buffer("ab");
  char* raw = buffer.GetBuffer(10);
  EXPECT_STREQ(raw, "ab");
  std::strcpy(raw, "hello");
  buffer.ReleaseBuffer();
  EXPECT_EQ(buffer.GetLength(), 5);
  EXPECT_STREQ(buffer, "hello");
  buffer.GetBuffer(0);
  buffer.ReleaseBuffer(2);
  EXPECT_STREQ(buffer, "he");
  buffer.Empty();
  EXPECT_TRUE(buffer.IsEmpty());
}

TEST(CString, LoadsFromTheStringTable) {
  AfxRegisterString(61499, "Failed to load the file");
  CString s("unchanged");
  EXPECT_FALSE(s.LoadString(1));
  EXPECT_STREQ(s, "unchanged");
  EXPECT_TRUE(s.LoadString(61499));
  EXPECT_STREQ(s, "Failed to load the file");
  char small[7];
  EXPECT_EQ(AfxLoadString(61499, small, sizeof(small)), 6);
  EXPECT_STREQ(small, "Failed");
  EXPECT_EQ(AfxLoadString(2, small, sizeof(small)), 0);
}
