// The in-memory chunk tree of a database. Chunk data are read from the
// chunk's source file only when asked for, and may be dropped again while
// that file is open.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "tdscatalogue.h"

struct tdsChunk {
  std::int32_t tag = 0;
  std::uint32_t length = 0;    // as read, or as last written
  std::uint32_t position = 0;  // offset of the header in the source file
  std::unique_ptr<tdsChunkData> data;  // null while not read
  std::vector<std::unique_ptr<tdsChunk>> children;
  std::uint8_t source = 255;  // file table slot it was read from, 255 when made in memory
  std::uint8_t target = 255;  // file table slot it was last written to
  std::uint32_t sourceSerial = 0;
};

inline constexpr int kTdsHeaderSize = 6;

std::unique_ptr<tdsChunk> tdsNewChunk(std::int32_t tag);
// A new chunk with empty data of its tag.
std::unique_ptr<tdsChunk> tdsNewChunkWithData(std::int32_t tag);

// The first chunk with `tag` in the subtree, the chunk itself included,
// depth first in child order.
tdsChunk* tdsFindChunk(tdsChunk* root, std::int32_t tag);
// The first child of `parent` with `tag` after the child `after` (from the
// first child when `after` is null).
tdsChunk* tdsFindChild(tdsChunk* parent, std::int32_t tag, const tdsChunk* after = nullptr);

tdsChunk* tdsAppendChunk(tdsChunk* parent, std::unique_ptr<tdsChunk> child);
// Inserts after every child of the same or a higher rank and before the
// first child of a lower rank.
tdsChunk* tdsInsertChunk(tdsChunk* parent, std::unique_ptr<tdsChunk> child);
// An existing child of `tag`, cleared and kept in its place, or a new one
// inserted in write order; either way with empty data of its tag.
tdsChunk* tdsReplaceOrAddChild(tdsChunk* parent, std::int32_t tag);
// Takes a child out of its parent and returns it.
std::unique_ptr<tdsChunk> tdsDetachChunk(tdsChunk* parent, const tdsChunk* child);

// The chunk's data, read from its source file when not in memory; null with
// an error pushed when they cannot be read, null without an error for a
// chunk made in memory without data.
tdsChunkData* tdsReadChunkData(tdsChunk* chunk);
// Reads the data and pushes ERR_INVALID_CHUNK when they lack a field that
// the caller needs.
tdsChunkData* tdsReadChunkFields(tdsChunk* chunk, std::size_t numbers, std::size_t strings);
// Frees the data when they can be read again from the still open source.
void tdsDropChunkData(tdsChunk* chunk);
// Children and data freed, tag, length and position 0, both indices 255.
void tdsClearChunk(tdsChunk* chunk);
// The chunk's bytes, header included, read again from its source file and
// summed as 16-bit little-endian words. False with an error pushed when they
// cannot be read.
bool tdsChunkChecksum(tdsChunk* chunk, std::uint32_t* sum);
// A deep copy. Data of a chunk read from a file move to the copy (the
// original reads them again when needed); data made in memory are copied.
std::unique_ptr<tdsChunk> tdsCopyChunk(tdsChunk* chunk);

// Helpers of the record layers: a new child inserted in write order; a
// chunk's data set to the given numbers or to one string.
tdsChunk* tdsAddChild(tdsChunk* parent, std::int32_t tag);
void tdsSetChunkNumbers(tdsChunk* chunk, std::initializer_list<double> numbers);
void tdsSetChunkString(tdsChunk* chunk, const std::string& text);
// A string or number field of a chunk's data.
const char* tdsChunkString(tdsChunk* chunk, std::size_t index);
double tdsChunkNumber(tdsChunk* chunk, std::size_t index, double fallback = 0);
