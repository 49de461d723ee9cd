#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "scene3ds_support.h"

C3dsReplacedFile::C3dsReplacedFile(const char* path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path target = fs::weakly_canonical(path, error);
  if (error) target = path;
  m_target = target.string();
  const fs::file_status status = fs::status(target, error);
  if (fs::exists(status) && !fs::is_regular_file(status))
    throw "\nError: The file to replace is not a regular file (a folder, a device or a pipe).";
  static std::atomic<unsigned> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = m_target + ".partial-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    const int descriptor = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0) ::fchmod(descriptor, existing.st_mode & 07777);
    ::close(descriptor);
    m_temporary = candidate;
    return;
  }
  throw "\nError: The file cannot be created in its folder.";
}

C3dsReplacedFile::~C3dsReplacedFile() {
  if (!m_committed) ::unlink(m_temporary.c_str());
}

void C3dsReplacedFile::Commit() {
  if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) throw "\nError: The written file cannot replace its target.";
  m_committed = true;
}
