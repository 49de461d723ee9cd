#include "texturefiles.h"

#include <appfiles.h>
#include <strings.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// The entry of folder named name in any case; the exact name first.
std::optional<fs::path> FindNoCase(const fs::path& folder, const std::string& name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::error_code error;
  if (fs::exists(folder / name, error)) return folder / name;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (strcasecmp(it->path().filename().c_str(), name.c_str()) == 0) return it->path();
  return std::nullopt;
}

// The components of a Windows or POSIX path, without the drive.
std::vector<std::string> Components(const char* name) {
  std::vector<std::string> parts;
  std::string current;
  const char* start = std::strchr(name, ':') ? std::strchr(name, ':') + 1 : name;
  for (const char* p = start; *p; ++p) {
    if (*p == '\\' || *p == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// The relative components below folder, each in any case.
std::optional<fs::path> FindRelative(fs::path folder, const std::vector<std::string>& parts) {
  for (const std::string& part : parts) {
    std::optional<fs::path> next = FindNoCase(folder, part);
    if (!next) return std::nullopt;
    folder = *next;
  }
  return IsFile(folder) ? std::optional<fs::path>(folder) : std::nullopt;
}

}  // namespace

CString ResolveTextureFile(const char* fileName, const char* path, const std::vector<CString>& folders) {
  if (path && *path && IsFile(ToNativePath(path))) return path;
  if (!fileName) return CString();
  const std::vector<std::string> parts = Components(fileName);
  if (parts.empty()) return CString();
  std::vector<fs::path> searched;
  for (const CString& folder : folders)
    if (!folder.IsEmpty()) searched.emplace_back(ToNativePath(folder));
  if (AppFolderExists("media")) searched.push_back(fs::path(ToNativePath(GetAppDirectory())) / ".." / "media");
  // In each folder the whole path, then ever shorter tails of it down to the
  // file name alone.
  for (const fs::path& folder : searched)
    for (size_t first = 0; first < parts.size(); ++first)
      if (std::optional<fs::path> found =
              FindRelative(folder, std::vector<std::string>(parts.begin() + first, parts.end())))
        return CString(found->lexically_normal().string().c_str());
  return CString();
}
