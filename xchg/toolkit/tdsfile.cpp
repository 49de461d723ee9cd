#include "tdsfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tdserrors.h"
#include "tdsstate.h"

namespace {

// Records of files closed one by one, kept so that a caller's pointer stays
// valid until all files are closed.
std::vector<std::unique_ptr<tdsFile>>& ClosedFiles() {
  static std::vector<std::unique_ptr<tdsFile>> closed;
  return closed;
}

int ModeOf(const char* mode) {
  for (int i = 0; i < 30 && mode[i]; ++i) {
    if (mode[i] == 'r') return TDS_FILE_READ;
    if (mode[i] == 'w') return TDS_FILE_WRITE;
  }
  return 0;
}

std::uint64_t SizeOf(std::FILE* stream) {
  const long position = std::ftell(stream);
  if (position < 0 || std::fseek(stream, 0, SEEK_END) != 0) return 0;
  const long size = std::ftell(stream);
  std::fseek(stream, position, SEEK_SET);
  return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

void GiveBuffer(tdsFile* file) {
  file->buffer.reset(new (std::nothrow) char[kTdsStreamBufferSize]);
  file->bufferSize = file->buffer ? kTdsStreamBufferSize : 0;
  if (file->buffer) std::setvbuf(file->stream, file->buffer.get(), _IOFBF, file->bufferSize);
}

tdsFile* FindListed(const char* name) {
  tdsState& state = tdsGlobalState();
  if (!state.files) return nullptr;
  for (int i = 0; i < state.filesUsed; ++i) {
    tdsFile* file = (*state.files)[i];
    if (file && file->name == name) return file;
  }
  return nullptr;
}

// Makes a new empty file in the folder of `path` under a name that no other
// file holds, and returns that name, or "" when none can be made.
std::string MakeUniqueNameBeside(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::string pattern = (folder.empty() ? std::string(".") : folder.string()) + "/tdsXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name.data();
}

// Moves a file open for reading aside: it is closed, renamed to a new name
// in its folder and opened again there at the same position.
bool MoveAside(tdsFile* file) {
  const long position = std::ftell(file->stream);
  if (std::fclose(file->stream) != 0) {
    file->stream = nullptr;
    tdsPushError(ERR_CLOSING_FILE);
    return false;
  }
  file->stream = nullptr;
  const std::string aside = MakeUniqueNameBeside(file->name);
  // The rename replaces the empty file that holds the new name for us.
  if (aside.empty() || std::rename(file->name.c_str(), aside.c_str()) != 0) {
    if (!aside.empty()) std::remove(aside.c_str());
    file->stream = std::fopen(file->name.c_str(), "rb");
    if (file->stream) {
      GiveBuffer(file);
      std::fseek(file->stream, position, SEEK_SET);
    }
    tdsPushError(ERR_OPENING_FILE);
    return false;
  }
  file->name = aside;
  file->temporary = true;
  file->stream = std::fopen(aside.c_str(), "rb");
  if (!file->stream) {
    tdsPushError(ERR_OPENING_FILE);
    return false;
  }
  GiveBuffer(file);
  file->size = SizeOf(file->stream);
  std::fseek(file->stream, position, SEEK_SET);
  return true;
}

// Closes the stream, takes the file out of the table and keeps its record.
bool CloseListed(tdsFile* file) {
  tdsState& state = tdsGlobalState();
  bool closed = true;
  if (file->stream && std::fclose(file->stream) != 0) closed = false;
  file->stream = nullptr;
  file->buffer.reset();
  file->bufferSize = 0;
  if (file->temporary) std::remove(file->name.c_str());
  if (state.files && file->index < kTdsMaxFiles && (*state.files)[file->index] == file) {
    (*state.files)[file->index] = nullptr;
    if (state.current == file) state.current = nullptr;
    ClosedFiles().emplace_back(file);
  }
  file->index = kTdsNoFile;
  file->mode = 0;
  if (!closed) tdsPushError(ERR_CLOSING_FILE);
  return closed;
}

}  // namespace

tdsFile* tdsOpenFile(const char* name, const char* mode) {
  if (!name || !mode) {
    tdsPushError(ERR_INVALID_ARG);
    return nullptr;
  }
  const int wanted = ModeOf(mode);
  if (!wanted) {
    tdsPushError(ERR_INIT_FAILED);
    return nullptr;
  }
  tdsState& state = tdsGlobalState();
  if (tdsFile* listed = FindListed(name)) {
    if (listed->mode == wanted) return listed;
    if (listed->mode == TDS_FILE_READ) {
      if (!MoveAside(listed)) return nullptr;
    } else if (!CloseListed(listed)) {
      return nullptr;
    }
  }
  if (!state.files) {
    state.files.reset(new (std::nothrow) std::array<tdsFile*, kTdsMaxFiles>{});
    if (!state.files) {
      tdsPushError(ERR_NO_MEM);
      return nullptr;
    }
  }
  int slot = 0;
  while (slot < kTdsMaxFiles && (*state.files)[slot]) ++slot;
  if (slot == kTdsMaxFiles) {
    tdsPushError(ERR_TOO_MANY_FILES);
    return nullptr;
  }
  auto file = std::make_unique<tdsFile>();
  file->stream = std::fopen(name, wanted == TDS_FILE_READ ? "rb" : "wb");
  if (!file->stream) {
    tdsPushError(ERR_OPENING_FILE);
    return nullptr;
  }
  GiveBuffer(file.get());
  if (wanted == TDS_FILE_READ) file->size = SizeOf(file->stream);
  file->name = name;
  file->mode = wanted;
  file->index = static_cast<std::uint8_t>(slot);
  file->serial = state.nextSerial++;
  (*state.files)[slot] = file.get();
  if (slot + 1 > state.filesUsed) state.filesUsed = slot + 1;
  return file.release();
}

void tdsCloseFile(tdsFile* file) {
  if (!file) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  CloseListed(file);
}

void tdsCloseAllFiles() {
  tdsState& state = tdsGlobalState();
  if (state.files) {
    for (int i = 0; i < state.filesUsed; ++i)
      if (tdsFile* file = (*state.files)[i]) CloseListed(file);
  }
  ClosedFiles().clear();
  state.files.reset();
  state.filesUsed = 0;
  state.current = nullptr;
  state.currentIndex = 0;
}

tdsFile* tdsListedFile(std::uint8_t index, std::uint32_t serial) {
  tdsState& state = tdsGlobalState();
  if (!state.files || index >= kTdsMaxFiles) return nullptr;
  tdsFile* file = (*state.files)[index];
  return file && file->serial == serial && file->stream ? file : nullptr;
}

void tdsSetCurrentFile(tdsFile* file) {
  tdsState& state = tdsGlobalState();
  state.current = file;
  state.currentIndex = file ? file->index : 0;
}

tdsFile* tdsCurrentFile() { return tdsGlobalState().current; }

int tdsOpenFileCount() {
  tdsState& state = tdsGlobalState();
  int count = 0;
  if (state.files)
    for (int i = 0; i < state.filesUsed; ++i) count += (*state.files)[i] != nullptr;
  return count;
}
