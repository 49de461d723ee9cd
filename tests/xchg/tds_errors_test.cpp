// The toolkit's error stack: its 19 entries, the overflow entry, the dump
// and the texts.
#include <cstdio>
#include <cstring>

#include "tds_test_support.h"

namespace {

using tdstest::ToolkitTest;

class ErrorStackTest : public ToolkitTest {};

TEST_F(ErrorStackTest, TwentiethErrorGoesToTheOverflowEntryAndTheTwentyFirstTurnsItIntoNErrors) {
  for (int i = 0; i < 19; ++i) tdsPushError(ERR_INVALID_ARG);
  EXPECT_EQ(Errors().size(), 19u);
  EXPECT_EQ(tdsErrorOverflow()->code, 0);
  tdsPushError(ERR_WRONG_OBJECT);
  EXPECT_EQ(Errors().size(), 19u);
  EXPECT_EQ(tdsErrorOverflow()->code, ERR_WRONG_OBJECT);
  tdsPushError(ERR_NO_MEM);
  EXPECT_EQ(tdsErrorOverflow()->code, N_ERRORS);
  EXPECT_STREQ(tdsErrorOverflow()->text, "N_ERRORS: More errors were reported then could be recorded.");
  // A walk from the first entry ends right behind the overflow entry.
  EXPECT_EQ(Errors().size(), 19u);
  EXPECT_EQ(tdsErrorList()[kTdsErrorStackSize + 1].code, 0);
  tdsClearErrors();
  EXPECT_FALSE(tdsErrorPending());
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(tdsErrorOverflow()->code, N_ERRORS) << "clearing keeps the overflow entry";
}

TEST_F(ErrorStackTest, DumpWritesEveryRecordedTextNewestFirst) {
  tdsPushError(ERR_NO_MEM);
  tdsPushError(ERR_INVALID_ARG);
  tdsPushError(ERR_OPENING_FILE);
  char text[2048] = {};
  std::FILE* out = fmemopen(text, sizeof text - 1, "w");
  ASSERT_NE(out, nullptr);
  tdsDumpErrors(out);
  std::fclose(out);
  const std::string expected = std::string(tdsErrorText(ERR_OPENING_FILE)) + "\n" + tdsErrorText(ERR_INVALID_ARG) +
                               "\n" + tdsErrorText(ERR_NO_MEM) + "\n";
  EXPECT_EQ(std::string(text), expected);
}

TEST_F(ErrorStackTest, PushingNoErrorLeavesThePendingFlag) {
  tdsPushError(NO_TOOLKIT_ERRORS);
  EXPECT_FALSE(tdsErrorPending());
  EXPECT_TRUE(Errors().empty());
}

TEST_F(ErrorStackTest, TextsOfTheTable) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, "NO_TOOLKIT_ERRORS: No errors are pending"},
      {4, "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the database. Usually "
          "caused by a corrupt database or file"},
      {11, "ERR_OPENING_FILE: Could not open requested file"},
      {19, "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files."},
      {20, "Unknown error code was encountered"},
      {21, "Unknown error code was encountered"},
      {22, "N_ERRORS: More errors were reported then could be recorded."},
      {-1, "Unknown error code was encountered"},
      {1000, "Unknown error code was encountered"},
  };
  for (const Case& c : cases) EXPECT_STREQ(tdsErrorText(c.code), c.text) << c.code;
}

}  // namespace
