#include <afx.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "temp_folder.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(CFile, BinaryRoundTripAndPositions) {
  TempFolder folder;
  std::string path = folder.Path("mfc_file.bin");
  const char record[540] = {1, 2, 3, 0, 5};
  {
    CFile file;
    ASSERT_TRUE(
        file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary));
    file.Write(record, sizeof(record));
    EXPECT_EQ(file.GetLength(), 540u);
    file.Close();
  }
  CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
  char back[600] = {};
  EXPECT_EQ(file.Read(back, sizeof(back)), 540u);
  EXPECT_EQ(std::memcmp(back, record, sizeof(record)), 0);
  EXPECT_EQ(file.Read(back, 10), 0u);
  EXPECT_EQ(file.Seek(2, CFile::begin), 2);
  EXPECT_EQ(file.Read(back, 1), 1u);
  EXPECT_EQ(back[0], 3);
  EXPECT_EQ(file.GetPosition(), 3u);
  EXPECT_EQ(file.SeekToEnd(), 540u);
  EXPECT_STREQ(file.GetFileName(), "mfc_file.bin");
}

TEST(CFile, OpenFailuresReportTheirCause) {
  TempFolder folder;
  struct Case {
    std::string path;
    UINT flags;
    int cause;
  } cases[] = {
      {folder.Path("no_such_file.dat"), CFile::modeRead, CFileException::fileNotFound},
      {folder.Path("no_such_dir/x.dat"), CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
      {folder.Path(), CFile::modeRead, CFileException::accessDenied},
      {"", CFile::modeRead, CFileException::badPath},
  };
  for (const Case& c : cases) {
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(c.path.c_str(), c.flags, &error)) << c.path;
    EXPECT_EQ(error.m_cause, c.cause) << c.path;
    char text[255];
    EXPECT_TRUE(error.GetErrorMessage(text, sizeof(text)));
    EXPECT_NE(std::string(text).find(c.path), std::string::npos) << text;
  }
  try {
    CFile file(folder.Path("no_such_file.dat").c_str(), CFile::modeRead);
    FAIL() << "no exception";
  } catch (CException* e) {
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_EQ(static_cast<CFileException*>(e)->m_cause, CFileException::fileNotFound);
    char text[8];
    e->GetErrorMessage(text, sizeof(text));
    EXPECT_EQ(std::strlen(text), 7u);
    e->Delete();
  }
}

TEST(CFile, BackslashPathsWork) {
  TempFolder folder;
  std::string path = folder.Path("mfc_backslash.txt");
  std::string windowsStyle = path;
  for (char& c : windowsStyle) {
    if (c == '/') c = '\\';
  }
  CFile file;
  ASSERT_TRUE(file.Open(windowsStyle.c_str(), CFile::modeCreate | CFile::modeWrite));
  file.Write("x", 1);
  file.Close();
  EXPECT_EQ(ReadBytes(path), "x");
}

TEST(CStdioFile, TextModeWritesCrLfAndReadsLines) {
  TempFolder folder;
  std::string path = folder.Path("mfc_trace.log");
  {
    CStdioFile log;
    ASSERT_TRUE(log.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText | CFile::shareDenyWrite));
    log.WriteString("\nInfo: first");
    log.Flush();
    EXPECT_EQ(ReadBytes(path), "\r\nInfo: first");
    log.WriteString("\nsecond\n\nlast");
  }
  EXPECT_EQ(ReadBytes(path), "\r\nInfo: first\r\nsecond\r\n\r\nlast");

  CStdioFile in(path.c_str(), CFile::modeRead);
  CString line;
  std::vector<std::string> lines;
  while (in.ReadString(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"", "Info: first", "second", "", "last"}));

  in.SeekToBegin();
  char buffer[8];
  ASSERT_NE(in.ReadString(buffer, sizeof(buffer)), nullptr);
  EXPECT_STREQ(buffer, "\n");
  ASSERT_NE(in.ReadString(buffer, sizeof(buffer)), nullptr);
  EXPECT_STREQ(buffer, "Info: f");  // cut at the buffer's size

  CStdioFile binary(path.c_str(), CFile::modeRead | CFile::typeBinary);
  ASSERT_TRUE(binary.ReadString(line));
  EXPECT_STREQ(line, "\r");
}

TEST(CStdioFile, LongLinesAndWritingToAReadOnlyFileThrows) {
  TempFolder folder;
  std::string path = folder.Path("mfc_long.txt");
  std::string longLine(1000, 'a');
  {
    CStdioFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    out.WriteString((longLine + "\n").c_str());
  }
  CStdioFile in(path.c_str(), CFile::modeRead);
  CString line;
  ASSERT_TRUE(in.ReadString(line));
  EXPECT_EQ(std::string(line), longLine);
  EXPECT_FALSE(in.ReadString(line));
  bool thrown = false;
  try {
    in.WriteString("x");
    in.Flush();
  } catch (CFileException* e) {
    thrown = true;
    e->Delete();
  }
  EXPECT_TRUE(thrown);
}

TEST(CException, MemoryExceptionHasText) {
  try {
    AfxThrowMemoryException();
  } catch (CException* e) {
    char text[64];
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ(text, "Out of memory.");
    e->Delete();
  }
}
