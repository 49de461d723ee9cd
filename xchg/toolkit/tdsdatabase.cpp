#include "tdsdatabase.h"

#include <array>
#include <cstring>

#include "tdserrors.h"
#include "tdsrecords.h"
#include "tdskeyframer.h"

namespace {

struct Header {
  std::int32_t tag = 0;
  std::uint32_t length = 0;
};

bool ReadHeader(std::FILE* stream, Header& header) {
  std::uint8_t b[kTdsHeaderSize];
  if (std::fread(b, 1, sizeof b, stream) != sizeof b) return false;
  header.tag = b[0] | (b[1] << 8);
  header.length = b[2] | (b[3] << 8) | (static_cast<std::uint32_t>(b[4]) << 16) |
                  (static_cast<std::uint32_t>(b[5]) << 24);
  return true;
}

bool Seek(std::FILE* stream, std::uint64_t offset) {
  if (std::fseek(stream, static_cast<long>(offset), SEEK_SET) == 0) return true;
  tdsPushError(ERR_READING_FILE);
  return false;
}

// Reads the next child header of a parent that ends at `end`; the child must
// hold its header and end inside the parent.
tdsChunk* ReadChild(tdsFile* file, tdsChunk* parent, std::uint64_t offset, std::uint64_t end) {
  if (end - offset < kTdsHeaderSize) {
    tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  Header header;
  if (!Seek(file->stream, offset)) return nullptr;
  if (!ReadHeader(file->stream, header)) {
    tdsPushError(ERR_READING_FILE);
    return nullptr;
  }
  if (header.length < kTdsHeaderSize || header.length > end - offset) {
    tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  auto child = tdsNewChunk(header.tag);
  child->length = header.length;
  child->position = static_cast<std::uint32_t>(offset);
  child->source = file->index;
  child->sourceSerial = file->serial;
  return tdsAppendChunk(parent, std::move(child));
}

// The children of an extension-data entry: only 0x8002 to 0x800F ending
// inside their parent are kept; anything else ends the list.
void ReadExtensionChildren(tdsFile* file, tdsChunk* parent, int depth) {
  std::uint64_t offset = std::uint64_t{parent->position} + kTdsHeaderSize;
  const std::uint64_t end = std::uint64_t{parent->position} + parent->length;
  while (offset < end && depth < kTdsMaxChunkDepth) {
    Header header;
    if (end - offset < kTdsHeaderSize || std::fseek(file->stream, static_cast<long>(offset), SEEK_SET) != 0 ||
        !ReadHeader(file->stream, header))
      return;
    if (header.tag < 0x8002 || header.tag > 0x800F) return;
    if (header.length < kTdsHeaderSize || header.length > end - offset) return;
    auto child = tdsNewChunk(header.tag);
    child->length = header.length;
    child->position = static_cast<std::uint32_t>(offset);
    child->source = file->index;
    child->sourceSerial = file->serial;
    tdsChunk* kept = tdsAppendChunk(parent, std::move(child));
    if (tdsTagHasSubchunks(static_cast<std::uint32_t>(kept->tag))) ReadExtensionChildren(file, kept, depth + 1);
    offset += header.length;
  }
}

bool ReadSubchunks(tdsFile* file, tdsChunk* parent, int depth) {
  if (depth >= kTdsMaxChunkDepth) {
    tdsPushError(ERR_INVALID_CHUNK);
    return false;
  }
  const std::uint64_t end = std::uint64_t{parent->position} + parent->length;
  if (!Seek(file->stream, std::uint64_t{parent->position} + kTdsHeaderSize)) return false;
  const tdsDecodeResult own = tdsDecodeChunkData(file->stream, static_cast<std::uint32_t>(parent->tag),
                                                 parent->length - kTdsHeaderSize, nullptr);
  if (own.error) {
    tdsPushError(own.error);
    return false;
  }
  std::uint64_t offset = std::uint64_t{parent->position} + kTdsHeaderSize + own.ownSize;
  while (offset < end) {
    tdsChunk* child = ReadChild(file, parent, offset, end);
    bool read = child != nullptr;
    if (read && child->tag == 0x8001)
      ReadExtensionChildren(file, child, depth + 1);
    else if (read && tdsTagHasSubchunks(static_cast<std::uint32_t>(child->tag)))
      read = ReadSubchunks(file, child, depth + 1);
    if (!read) {
      tdsPushError(ERR_READING_DATABASE);
      return false;
    }
    offset += child->length;
  }
  return true;
}

bool WriteChunk(tdsChunk* chunk, std::uint8_t target, std::vector<std::uint8_t>& out) {
  if (chunk->tag == 0 || chunk->tag == 0x80F0) return true;
  const bool hadData = chunk->data != nullptr;
  tdsChunkData* data = tdsReadChunkData(chunk);
  if (!data && chunk->source != 255) return false;
  const std::size_t start = out.size();
  const std::uint32_t stored = chunk->length;
  out.push_back(static_cast<std::uint8_t>(chunk->tag));
  out.push_back(static_cast<std::uint8_t>(chunk->tag >> 8));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(stored >> (8 * i)));
  if (data) {
    if (const int error = tdsEncodeChunkData(static_cast<std::uint32_t>(chunk->tag), *data, out)) {
      tdsPushError(error);
      return false;
    }
  }
  // An extension-data entry read from a file is written as its raw body,
  // which holds its children.
  if (!(chunk->tag == 0x8001 && data))
    for (auto& child : chunk->children)
      if (!WriteChunk(child.get(), target, out)) return false;
  const std::size_t written = out.size() - start;
  if (written > 0xFFFFFFFFu) {
    tdsPushError(ERR_INVALID_DATA);
    return false;
  }
  if (written != stored) {
    for (int i = 0; i < 4; ++i) out[start + 2 + i] = static_cast<std::uint8_t>(written >> (8 * i));
    chunk->length = static_cast<std::uint32_t>(written);
  }
  chunk->target = target;
  if (!hadData) tdsDropChunkData(chunk);
  return true;
}

void SetLong(tdsChunk* chunk, double value) {
  chunk->data = std::make_unique<tdsChunkData>(tdsNewChunkData(static_cast<std::uint32_t>(chunk->tag), 0));
  chunk->data->numbers.assign(1, value);
}

std::vector<tdsNameEntry> CollectNamed(tdsChunk* parent, std::int32_t tag, std::string (*nameOf)(tdsChunk*)) {
  std::vector<tdsNameEntry> list;
  if (!parent) return list;
  for (auto& child : parent->children)
    if (child->tag == tag) list.push_back({nameOf(child.get()), child.get()});
  return list;
}

std::string ObjectName(tdsChunk* chunk) {
  std::string name = tdsChunkString(chunk, 0);
  tdsDropChunkData(chunk);
  return name;
}

std::string MaterialName(tdsChunk* chunk) {
  tdsChunk* nameChunk = tdsFindChild(chunk, 0xA000);
  std::string name = tdsChunkString(nameChunk, 0);
  tdsDropChunkData(nameChunk);
  return name;
}

}  // namespace

void tdsInitNameList(tdsNameList** list, std::uint32_t count) {
  if (!list) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!*list) *list = new tdsNameList;
  (*list)->names.clear();
  (*list)->names.reserve(count ? count : 5);
}

void tdsReleaseNameList(tdsNameList** list) { tdsReleaseRecord(list); }

void tdsInitDatabase(tdsDatabase** db) {
  tdsInitRecord(db);
}

void tdsReleaseDatabase(tdsDatabase** db) {
  if (!db) return;
  delete *db;
  *db = nullptr;
}

int tdsDatabaseKind(tdsDatabase* db) {
  if (!db || !db->top) return TDS_NO_DATABASE;
  switch (db->top->tag) {
    case 0x4D4D: return TDS_MESH_FILE;
    case 0xC23D: return TDS_PROJECT_FILE;
    case 0x3DAA: return TDS_MATERIAL_LIBRARY;
    default: return TDS_NO_DATABASE;
  }
}

bool tdsCheckDatabase(tdsDatabase* db, bool materialLibraryToo) {
  if (!db) {
    tdsPushError(ERR_INVALID_ARG);
    return false;
  }
  if (!db->top) {
    tdsPushError(ERR_INVALID_DATABASE);
    return false;
  }
  const int kind = tdsDatabaseKind(db);
  if (kind == TDS_MESH_FILE || kind == TDS_PROJECT_FILE || (materialLibraryToo && kind == TDS_MATERIAL_LIBRARY))
    return true;
  tdsPushError(ERR_WRONG_DATABASE);
  return false;
}

tdsChunk* tdsTopChild(tdsDatabase* db, std::int32_t tag, bool make) {
  if (!db || !db->top) return nullptr;
  tdsChunk* chunk = tdsFindChild(db->top.get(), tag);
  if (!chunk && make) chunk = tdsInsertChunk(db->top.get(), tdsNewChunk(tag));
  return chunk;
}

void tdsMarkListsStale(tdsDatabase* db) {
  db->objectListStale = db->materialListStale = db->nodeListStale = 1;
}

const std::vector<tdsNameEntry>& tdsObjectList(tdsDatabase* db) {
  if (db->objectListStale) {
    db->objects = CollectNamed(tdsTopChild(db, 0x3D3D, false), 0x4000, ObjectName);
    db->objectListStale = 0;
  }
  return db->objects;
}

const std::vector<tdsNameEntry>& tdsMaterialList(tdsDatabase* db) {
  if (db->materialListStale) {
    tdsChunk* parent = tdsDatabaseKind(db) == TDS_MATERIAL_LIBRARY ? db->top.get() : tdsTopChild(db, 0x3D3D, false);
    db->materials = CollectNamed(parent, 0xAFFF, MaterialName);
    db->materialListStale = 0;
  }
  return db->materials;
}

const std::vector<tdsNameEntry>& tdsNodeList(tdsDatabase* db) {
  if (db->nodeListStale) {
    db->nodes.clear();
    if (tdsChunk* keyframer = tdsTopChild(db, 0xB000, false))
      for (auto& child : keyframer->children)
        if (child->tag >= 0xB001 && child->tag <= 0xB007)
          db->nodes.push_back({tdsNodeListName(child.get()), child.get()});
    db->nodeListStale = 0;
  }
  return db->nodes;
}

bool tdsSetVersionChunks(tdsDatabase* db) {
  const int kind = tdsDatabaseKind(db);
  if (kind == TDS_MESH_FILE) SetLong(tdsReplaceOrAddChild(db->top.get(), 0x0002), 3);
  if (kind != TDS_MESH_FILE && kind != TDS_PROJECT_FILE) return true;
  SetLong(tdsReplaceOrAddChild(tdsTopChild(db, 0x3D3D, true), 0x3D3E), 3);
  tdsChunk* keyframer = tdsTopChild(db, 0xB000, true);
  tdsChunk* header = tdsFindChild(keyframer, 0xB00A);
  if (!header) {
    header = tdsInsertChunk(keyframer, tdsNewChunkWithData(0xB00A));
    header->data->numbers = {5, 30};
  }
  tdsChunkData* data = tdsReadChunkFields(header, 2, 1);
  if (!data) return false;
  data->numbers[0] = 5;
  db->nodeListStale = 1;
  return true;
}

void tdsCreateDatabase(tdsDatabase* db, int kind) {
  if (!db) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  static constexpr std::array<std::int32_t, 3> kTops = {0x4D4D, 0xC23D, 0x3DAA};
  if (kind < TDS_MESH_FILE || kind > TDS_MATERIAL_LIBRARY) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  *db = tdsDatabase{};
  db->top = tdsNewChunk(kTops[static_cast<std::size_t>(kind - 1)]);
  tdsSetVersionChunks(db);
}

void tdsLoadDatabase(tdsFile* file, tdsDatabase* db) {
  if (!file || !db) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (file->mode != TDS_FILE_READ || !file->stream) return;
  *db = tdsDatabase{};
  db->top = tdsNewChunk(0);
  tdsChunk* top = db->top.get();
  top->source = file->index;
  top->sourceSerial = file->serial;
  tdsSetCurrentFile(file);
  Header header;
  if (std::fseek(file->stream, 0, SEEK_END) != 0) {
    tdsPushError(ERR_READING_FILE);
    tdsPushError(ERR_CREATING_DATABASE);
    return;
  }
  const long size = std::ftell(file->stream);
  if (size < 0 || !Seek(file->stream, 0)) {
    tdsPushError(ERR_CREATING_DATABASE);
    return;
  }
  if (!ReadHeader(file->stream, header)) {
    tdsPushError(ERR_READING_FILE);
    tdsPushError(ERR_CREATING_DATABASE);
    return;
  }
  top->tag = header.tag;
  top->length = header.length;
  if (tdsDatabaseKind(db) == TDS_NO_DATABASE) return;
  if (header.length < kTdsHeaderSize || header.length > static_cast<std::uint64_t>(size)) {
    tdsPushError(ERR_INVALID_CHUNK);
    tdsPushError(ERR_CREATING_DATABASE);
    return;
  }
  if (!ReadSubchunks(file, top, 0) || !tdsResolveNodeParents(db)) {
    tdsPushError(ERR_CREATING_DATABASE);
    return;
  }
}

void tdsWriteDatabase(tdsFile* file, tdsDatabase* db) {
  if (!file || !db) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!db->top) {
    tdsPushError(ERR_INVALID_DATABASE);
    return;
  }
  if (!tdsSetVersionChunks(db)) {
    tdsPushError(ERR_WRITING_DATABASE);
    return;
  }
  if (file->mode != TDS_FILE_WRITE || !file->stream) return;
  if (!tdsStoreNodeParentIndices(db)) {
    tdsPushError(ERR_WRITING_DATABASE);
    return;
  }
  tdsSetCurrentFile(file);
  std::vector<std::uint8_t> bytes;
  if (!WriteChunk(db->top.get(), file->index, bytes)) {
    tdsPushError(ERR_WRITING_DATABASE);
    return;
  }
  if (std::fseek(file->stream, 0, SEEK_SET) != 0 ||
      std::fwrite(bytes.data(), 1, bytes.size(), file->stream) != bytes.size() || std::fflush(file->stream) != 0) {
    tdsPushError(ERR_WRITING_FILE);
    tdsPushError(ERR_WRITING_DATABASE);
  }
}

namespace {
bool ReadAllData(tdsChunk* chunk) {
  if (!tdsReadChunkData(chunk) && chunk->source != 255) return false;
  chunk->source = 255;
  chunk->target = 255;
  chunk->sourceSerial = 0;
  for (auto& child : chunk->children)
    if (!ReadAllData(child.get())) return false;
  return true;
}
}  // namespace

void tdsDisconnectDatabase(tdsDatabase* db) {
  if (!db) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!db->top) {
    tdsPushError(ERR_INVALID_DATABASE);
    return;
  }
  ReadAllData(db->top.get());
}

void tdsCopyDatabase(tdsDatabase* source, tdsDatabase* destination) {
  if (!source || !destination) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!source->top) {
    tdsPushError(ERR_INVALID_DATABASE);
    return;
  }
  destination->top = tdsCopyChunk(source->top.get());
  // The destination's lists named chunks of its old tree.
  tdsMarkListsStale(destination);
}
