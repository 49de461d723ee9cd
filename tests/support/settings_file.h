// The program folder's settings file "Config.dat" in tests: its path, file
// and record bytes, the default record, and a keeper that sets the file aside
// and puts it back.
#pragma once

#include <configfile.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace settings_file {

inline std::filesystem::path ConfigPath() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Config.dat";
}

inline std::vector<char> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<char> RecordBytes(const CONFIGFILE& config) {
  const char* p = reinterpret_cast<const char*>(&config);
  return std::vector<char>(p, p + sizeof config);
}

inline CONFIGFILE Defaults() {
  CONFIGFILE config;
  std::memset(&config, 0, sizeof config);
  SetDefaultConfigData(config);
  return config;
}

// Keep sets whatever "Config.dat" the program folder holds aside and removes
// it; PutBack removes what the test left there and restores what was kept.
class CSettingsFileKeeper {
 public:
  void Keep() {
    std::error_code error;
    m_kept = std::filesystem::is_regular_file(ConfigPath(), error);
    if (m_kept) m_bytes = FileBytes(ConfigPath());
    std::filesystem::remove_all(ConfigPath(), error);
  }
  void PutBack() {
    std::error_code error;
    std::filesystem::remove_all(ConfigPath(), error);
    if (m_kept) WriteBytes(ConfigPath(), m_bytes);
    m_kept = false;
  }

 private:
  bool m_kept = false;
  std::vector<char> m_bytes;
};

}  // namespace settings_file
