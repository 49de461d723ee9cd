// A folder of its own for the files that a test writes: made below the
// system's temporary folder under a name that no other process or test
// shares, and removed with all it holds when the object goes. A fixture
// holds one as a member; a test without a fixture makes one on its stack.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class TempFolder {
 public:
  TempFolder() {
    // The running test's name, for a folder that a crash leaves behind.
    std::string name = "vorever_";
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
      name += std::string(test->test_suite_name()) + "." + test->name() + "_";
      for (char& c : name)
        if (c == '/') c = '_';
    }
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category(), pattern);
    m_folder = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
    if (error) ADD_FAILURE() << "cannot remove " << m_folder << ": " << error.message();
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, and the path of name inside it.
  const std::string& Path() const { return m_folder; }
  std::string Path(const std::string& name) const { return (std::filesystem::path(m_folder) / name).string(); }

 private:
  std::string m_folder;
};

// The whole content of a file the test wrote; empty when it cannot be read.
inline std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
