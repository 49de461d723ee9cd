// The window tests run on Qt's offscreen platform, in this process; the
// desktop exists for every test.
#include <afxdesktop.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "desktop_test.h"

CAfxDesktop* g_testDesktop = nullptr;

namespace {

// Each window test starts on the default settings: the program folder's
// "Config.dat" is set aside for the test and put back after it, so that what
// one test saves there cannot change what the next one draws.
class CSettingsFileKeeper : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    m_path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Config.dat";
    std::error_code error;
    m_kept = std::filesystem::is_regular_file(m_path, error);
    if (m_kept) {
      std::ifstream in(m_path, std::ios::binary);
      m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove_all(m_path, error);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
    if (m_kept) std::ofstream(m_path, std::ios::binary).write(m_bytes.data(), static_cast<std::streamsize>(m_bytes.size()));
  }

 private:
  std::filesystem::path m_path;
  bool m_kept = false;
  std::string m_bytes;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new CSettingsFileKeeper);
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
