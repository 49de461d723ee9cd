// Files of the toolkit: a process-wide table of 252 open files, each with its
// own stream buffer. Chunks read their data lazily from the file they came
// from, so a loaded database needs its files open until it is disconnected
// or released.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

enum tdsFileMode : int { TDS_FILE_READ = 1, TDS_FILE_WRITE = 2 };

struct tdsFile {
  std::FILE* stream = nullptr;
  std::string name;
  int mode = 0;
  std::uint8_t index = 255;  // the slot in the file table, 255 when not listed
  std::unique_ptr<char[]> buffer;
  std::size_t bufferSize = 0;
  // A moved-aside copy of a file that was opened again for writing; it is
  // deleted when closed.
  bool temporary = false;
  std::uint32_t serial = 0;
  // The size of a file open for reading, which no chunk read from it may
  // pass whatever its stored length says.
  std::uint64_t size = 0;
};

inline constexpr std::size_t kTdsStreamBufferSize = 8192;

// Opens `name` for reading ('r' in `mode`) or writing ('w'). A name already
// open in the same mode gives the listed file. Opening for writing a file
// open for reading moves the reading one aside to a new name in its folder,
// where its chunks go on reading it.
tdsFile* tdsOpenFile(const char* name, const char* mode);
// Closes one file and takes it out of the table. The record stays valid
// (closed, index 255) until all files are closed.
void tdsCloseFile(tdsFile* file);
// Closes every listed file, deleting moved-aside ones, and frees the table.
void tdsCloseAllFiles();

// The listed file of a slot when it is still the file of that serial.
tdsFile* tdsListedFile(std::uint8_t index, std::uint32_t serial);
// Makes a file the current one, on which scalar reads and writes act.
void tdsSetCurrentFile(tdsFile* file);
tdsFile* tdsCurrentFile();
// The number of listed files.
int tdsOpenFileCount();
