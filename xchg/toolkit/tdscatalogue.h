// The catalogue of every chunk tag the toolkit knows: the layout of the
// chunk's own data, whether subchunks follow them, and the chunk's rank in
// the write order. The own data decode into tdsChunkData, which mirrors the
// layout field by field.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The decoded own data of a chunk: every number of the layout in order
// (integers and floats alike; a count-prefixed array as its count and then
// its items; a track as its header and then, per key, the frame, the spline
// flags, the five floats and the key's values), every string in order, and
// the raw bytes of a raw layout.
struct tdsChunkData {
  std::vector<double> numbers;
  std::vector<std::string> strings;
  std::vector<std::uint8_t> raw;

  bool operator==(const tdsChunkData&) const = default;
};

struct tdsCatalogueEntry {
  std::uint16_t tag;
  // Layout letters: b byte, h short, w word, l long, f float, p point (fff),
  // zN string of at most N characters, Z a string as long as the chunk, nN a
  // name in a fixed field of N bytes, A a word-counted array of the items
  // that follow, R an array of the items that follow filling the rest of
  // the chunk, T a track whose keys carry the items that follow, r the rest
  // of the chunk raw, X no own data while the tree is read and the whole
  // body raw when decoded.
  const char* layout;
  bool subchunks;
};

// The entry of a tag, or null for a tag the catalogue does not list (a leaf
// whose own data are raw).
const tdsCatalogueEntry* tdsFindCatalogueEntry(std::uint32_t tag);
// Every listed tag, for tests and the fuzz harness.
const std::vector<tdsCatalogueEntry>& tdsCatalogue();

bool tdsTagHasSubchunks(std::uint32_t tag);
int tdsTagRank(std::uint32_t tag);

// The result of decoding: 0 or a toolkit error code.
struct tdsDecodeResult {
  int error = 0;
  std::uint32_t ownSize = 0;  // bytes of own data read
};

// Decodes the own data of a chunk of `tag` from `file`, whose position is at
// the first byte after the header; `available` is the number of bytes from
// there to the end of the chunk. Nothing is read past them, and no count is
// believed that the bytes cannot hold. With `out` null only the size of the
// own data is found, which is what reading the tree needs.
tdsDecodeResult tdsDecodeChunkData(std::FILE* file, std::uint32_t tag, std::uint32_t available, tdsChunkData* out);

// Appends the own data of a chunk of `tag` in its file layout. Returns 0 or
// a toolkit error code (ERR_INVALID_DATA for data that do not fit the
// layout, ERR_STRING_TOO_LONG for a string longer than its field).
int tdsEncodeChunkData(std::uint32_t tag, const tdsChunkData& data, std::vector<std::uint8_t>& out);

// Empty data of a tag: every fixed field 0, strings empty, arrays without
// items; for a tag the catalogue does not list, `length` - 6 zero bytes when
// the length exceeds 6.
tdsChunkData tdsNewChunkData(std::uint32_t tag, std::uint32_t length);
