// Real .3ds files written by other programs: each loads, and writes back a
// file that loads again to the same chunk tree; a file the toolkit wrote
// writes back byte for byte.
#include "tds_test_support.h"

namespace {

using tdstest::ToolkitTest;

class RealFilesTest : public ToolkitTest {};

TEST_F(RealFilesTest, EveryRealFileLoadsAndWritesBackTheSameTree) {
  const auto files = tdstest::Real3dsFiles();
  if (files.empty()) GTEST_SKIP() << "no .3ds test data at " << tdstest::TestData();
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    tdsClearErrors();
    tdsDatabase* original = Load(path.string());
    ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
    ASSERT_EQ(tdsDatabaseKind(original), TDS_MESH_FILE);
    const std::string first = PathOf("first.3ds");
    Write(original, first);
    ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;

    tdsDatabase* reloaded = Load(first);
    ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
    std::string where;
    EXPECT_TRUE(tdstest::SameTree(original->top.get(), reloaded->top.get(), where)) << where;

    const std::string second = PathOf("second.3ds");
    Write(reloaded, second);
    ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
    EXPECT_EQ(ReadBytes(first), ReadBytes(second));
    tdsCloseAllFiles();
  }
}

}  // namespace
