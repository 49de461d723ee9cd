// The window tests run on Qt's offscreen platform, in this process; the
// desktop exists for every test.
#include <afxdesktop.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "desktop_test.h"
#include "settings_file.h"

CAfxDesktop* g_testDesktop = nullptr;

namespace {

// Each window test starts on the default settings: the program folder's
// "Config.dat" is set aside for the test and put back after it, so that what
// one test saves there cannot change what the next one draws.
class CSettingsForEachTest : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override { m_keeper.Keep(); }
  void OnTestEnd(const ::testing::TestInfo&) override { m_keeper.PutBack(); }

 private:
  settings_file::CSettingsFileKeeper m_keeper;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new CSettingsForEachTest);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  std::string runtime =
      (std::filesystem::temp_directory_path() / ("vorever-xdg-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
  int result;
  {
    CAfxDesktop desktop(argc, argv, false);
    g_testDesktop = &desktop;
    result = RUN_ALL_TESTS();
    g_testDesktop = nullptr;
  }
  std::filesystem::remove_all(runtime);
  return result;
}
