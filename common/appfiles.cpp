#include "appfiles.h"

#include <afxwin.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "tracelog.h"

namespace fs = std::filesystem;

CString GetAppDirectory() {
  char path[4096];  // more than MAX_PATH: a cut path would name another folder
  const DWORD length = GetModuleFileNameA(AfxGetInstanceHandle(), path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return CString();
  for (DWORD i = length; i-- > 0;) {
    if (IsPathSeparator(path[i])) return CString(path, static_cast<int>(i));
  }
  return CString();
}

namespace {

// The full path of "..\<name>" seen from the program folder, when it is a
// folder. Resolved lexically, as changing into it would; the current
// directory is never touched.
std::optional<CString> SiblingFolder(const char* name) {
  const fs::path folder = (fs::path(ToNativePath(GetAppDirectory())) / ".." / ToNativePath(name)).lexically_normal();
  std::error_code error;
  if (!fs::is_directory(folder, error)) return std::nullopt;
  std::string text = fs::absolute(folder, error).string();
  while (text.size() > 1 && IsPathSeparator(text.back())) text.pop_back();
  return CString(text.c_str());
}

CString RequiredSiblingFolder(const char* name, const char* missing) {
  std::optional<CString> folder = SiblingFolder(name);
  if (!folder) throw missing;
  return *folder;
}

bool CanOpenForReading(const char* path) {
  std::FILE* file = std::fopen(ToNativePath(path).c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// "%s\\%s" of the folder and the file when the file can be opened, else the
// bare name; urlFormat, when given, formats the found path.
CString FileInFolder(const CString& folder, const char* fileName, const char* urlFormat = nullptr) {
  CString path;
  path.Format("%s\\%s", static_cast<const char*>(folder), fileName);
  if (!CanOpenForReading(path)) {
    DEBUG_TRACE("\nWarning: Can't open file %s, error = %u in GetMediaFilePathName().", static_cast<const char*>(path),
                GetLastError());
    return CString(fileName);
  }
  DEBUG_TRACE("\nInfo: Found the path name of the file %s in GetMediaFilePathName().", fileName);
  if (!urlFormat) return path;
  CString url;
  url.Format(urlFormat, static_cast<const char*>(path));
  return url;
}

}  // namespace

CString GetMediaFilePathName(const char* fileName) {
  return FileInFolder(RequiredSiblingFolder("media", "Error: The ..\\media directory does not exist."), fileName);
}

CString GetToolPathName(const char* fileName) {
  return FileInFolder(RequiredSiblingFolder("Tools", "Error: The ..\\Tools directory does not exist."), fileName);
}

CString GetHtmlPathName(const char* fileName) {
  return FileInFolder(RequiredSiblingFolder("html", "Error: The ..\\html directory does not exist."), fileName,
                      "file://\\%s");
}

CString GetDefaultImportDirectory() {
  return RequiredSiblingFolder("samples", "Error: The ..\\samples directory does not exist.");
}

bool AppFolderExists(const char* folderName) { return SiblingFolder(folderName).has_value(); }

bool PlaySoundFile(const char* fileName) {
  return PlaySoundA(GetMediaFilePathName(fileName), nullptr, SND_FILENAME) != FALSE;
}

CString GetTextFileContent(const char* path) {
  std::FILE* file = std::fopen(ToNativePath(path).c_str(), "rb");
  if (!file) {
    DEBUG_TRACE("\nError: Can't open file.");
    return CString();
  }
  CString content;
  char block[4096];
  size_t got;
  while ((got = std::fread(block, 1, sizeof(block) - 1, file)) > 0) {
    block[got] = '\0';
    content += block;  // a zero byte ends what the block adds
  }
  std::fclose(file);
  return content;
}

namespace {

std::atomic<DWORD> g_nameCounter{0};
std::atomic<DWORD> g_identifierCounter{0};

}  // namespace

void SetUniqueName(CString& name) {
  DWORD current = g_nameCounter.load(std::memory_order_relaxed), next;
  do {
    next = current >= 1000000 ? 1 : current + 1;
  } while (!g_nameCounter.compare_exchange_weak(current, next, std::memory_order_relaxed));
  if (next == 1 && current != 0) DEBUG_TRACE("\nWarning: Sequence reset to its starting value in SetUniqueName ()");
  CString number;
  number.Format("%.7u", next);
  name += number;
}

unsigned char* GetNextUniqueID() {
  const DWORD id = g_identifierCounter.fetch_add(1, std::memory_order_relaxed) + 1;
  return reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(id));
}

CString GetDXTemplateName(const char* name) {
  CString result(name);
  if (!result.IsEmpty() && result[0] >= '0' && result[0] <= '9') result.Insert(0, '_');
  for (int i = 0; i < result.GetLength(); ++i) {
    const char c = result[i];
    const bool allowed = c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!allowed) result.SetAt(i, '_');
  }
  return result;
}

void HugeMemCopy(void* dst, const void* src, unsigned int size) {
  constexpr unsigned int kBlock = 65535;
  auto* to = static_cast<char*>(dst);
  const auto* from = static_cast<const char*>(src);
  unsigned int done = 0;
  for (; size - done >= kBlock; done += kBlock) std::memcpy(to + done, from + done, kBlock);
  if (done < size) std::memcpy(to + done, from + done, size - done);
}
