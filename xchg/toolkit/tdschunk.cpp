#include "tdschunk.h"

#include <algorithm>

#include "tdserrors.h"
#include "tdsfile.h"

std::unique_ptr<tdsChunk> tdsNewChunk(std::int32_t tag) {
  auto chunk = std::make_unique<tdsChunk>();
  chunk->tag = tag;
  return chunk;
}

std::unique_ptr<tdsChunk> tdsNewChunkWithData(std::int32_t tag) {
  auto chunk = tdsNewChunk(tag);
  chunk->data = std::make_unique<tdsChunkData>(tdsNewChunkData(static_cast<std::uint32_t>(tag), 0));
  return chunk;
}

tdsChunk* tdsFindChunk(tdsChunk* root, std::int32_t tag) {
  if (!root) return nullptr;
  if (root->tag == tag) return root;
  for (auto& child : root->children)
    if (tdsChunk* found = tdsFindChunk(child.get(), tag)) return found;
  return nullptr;
}

tdsChunk* tdsFindChild(tdsChunk* parent, std::int32_t tag, const tdsChunk* after) {
  if (!parent) return nullptr;
  auto it = parent->children.begin();
  if (after) {
    it = std::find_if(it, parent->children.end(), [after](const auto& c) { return c.get() == after; });
    if (it != parent->children.end()) ++it;
  }
  it = std::find_if(it, parent->children.end(), [tag](const auto& c) { return c->tag == tag; });
  return it == parent->children.end() ? nullptr : it->get();
}

tdsChunk* tdsAppendChunk(tdsChunk* parent, std::unique_ptr<tdsChunk> child) {
  parent->children.push_back(std::move(child));
  return parent->children.back().get();
}

tdsChunk* tdsInsertChunk(tdsChunk* parent, std::unique_ptr<tdsChunk> child) {
  const int rank = tdsTagRank(static_cast<std::uint32_t>(child->tag));
  auto it = std::find_if(parent->children.begin(), parent->children.end(),
                         [rank](const auto& c) { return tdsTagRank(static_cast<std::uint32_t>(c->tag)) < rank; });
  return parent->children.insert(it, std::move(child))->get();
}

tdsChunk* tdsReplaceOrAddChild(tdsChunk* parent, std::int32_t tag) {
  tdsChunk* chunk = tdsFindChild(parent, tag);
  if (chunk) {
    tdsClearChunk(chunk);
    chunk->tag = tag;
  } else {
    chunk = tdsInsertChunk(parent, tdsNewChunk(tag));
  }
  chunk->data = std::make_unique<tdsChunkData>(tdsNewChunkData(static_cast<std::uint32_t>(tag), 0));
  return chunk;
}

std::unique_ptr<tdsChunk> tdsDetachChunk(tdsChunk* parent, const tdsChunk* child) {
  auto it = std::find_if(parent->children.begin(), parent->children.end(),
                         [child](const auto& c) { return c.get() == child; });
  if (it == parent->children.end()) return nullptr;
  std::unique_ptr<tdsChunk> taken = std::move(*it);
  parent->children.erase(it);
  return taken;
}

tdsChunkData* tdsReadChunkData(tdsChunk* chunk) {
  if (!chunk) {
    tdsPushError(ERR_INVALID_ARG);
    return nullptr;
  }
  if (chunk->data) return chunk->data.get();
  if (chunk->source == 255) return nullptr;
  tdsFile* file = tdsListedFile(chunk->source, chunk->sourceSerial);
  if (!file || chunk->length < kTdsHeaderSize) {
    tdsPushError(ERR_READING_FILE);
    return nullptr;
  }
  // A chunk that claims more bytes than its file holds is corrupt, whether
  // or not the load could check it (a lone top chunk of another kind).
  if (std::uint64_t{chunk->position} + chunk->length > file->size) {
    tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  tdsSetCurrentFile(file);
  if (std::fseek(file->stream, static_cast<long>(chunk->position) + kTdsHeaderSize, SEEK_SET) != 0) {
    tdsPushError(ERR_READING_FILE);
    return nullptr;
  }
  auto data = std::make_unique<tdsChunkData>();
  const tdsDecodeResult result = tdsDecodeChunkData(file->stream, static_cast<std::uint32_t>(chunk->tag),
                                                    chunk->length - kTdsHeaderSize, data.get());
  if (result.error) {
    tdsPushError(result.error);
    return nullptr;
  }
  chunk->data = std::move(data);
  return chunk->data.get();
}

tdsChunkData* tdsReadChunkFields(tdsChunk* chunk, std::size_t numbers, std::size_t strings) {
  tdsChunkData* data = tdsReadChunkData(chunk);
  if (!data) {
    if (!tdsErrorPending()) tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  if (data->numbers.size() < numbers || data->strings.size() < strings) {
    tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  return data;
}

void tdsDropChunkData(tdsChunk* chunk) {
  if (chunk && chunk->source != 255 && tdsListedFile(chunk->source, chunk->sourceSerial)) chunk->data.reset();
}

void tdsClearChunk(tdsChunk* chunk) {
  chunk->children.clear();
  chunk->data.reset();
  chunk->tag = 0;
  chunk->length = 0;
  chunk->position = 0;
  chunk->source = 255;
  chunk->target = 255;
  chunk->sourceSerial = 0;
}

bool tdsChunkChecksum(tdsChunk* chunk, std::uint32_t* sum) {
  if (!chunk || !sum) {
    tdsPushError(ERR_INVALID_ARG);
    return false;
  }
  tdsFile* file = tdsListedFile(chunk->source, chunk->sourceSerial);
  if (!file || std::fseek(file->stream, static_cast<long>(chunk->position), SEEK_SET) != 0) {
    tdsPushError(ERR_READING_FILE);
    return false;
  }
  tdsSetCurrentFile(file);
  std::uint32_t total = 0;
  std::uint8_t buffer[4096];
  std::uint32_t left = chunk->length;
  while (left > 0) {
    const std::size_t want = std::min<std::size_t>(left, sizeof buffer);
    if (std::fread(buffer, 1, want, file->stream) != want) {
      tdsPushError(ERR_READING_FILE);
      return false;
    }
    for (std::size_t i = 0; i < want; i += 2)
      total += buffer[i] | (i + 1 < want ? buffer[i + 1] << 8 : 0);
    left -= static_cast<std::uint32_t>(want);
  }
  *sum = total;
  return true;
}

std::unique_ptr<tdsChunk> tdsCopyChunk(tdsChunk* chunk) {
  if (!chunk) return nullptr;
  auto copy = tdsNewChunk(chunk->tag);
  copy->length = chunk->length;
  copy->position = chunk->position;
  copy->source = chunk->source;
  copy->target = chunk->target;
  copy->sourceSerial = chunk->sourceSerial;
  if (chunk->data) {
    if (chunk->source != 255 && tdsListedFile(chunk->source, chunk->sourceSerial))
      copy->data = std::move(chunk->data);
    else
      copy->data = std::make_unique<tdsChunkData>(*chunk->data);
  }
  copy->children.reserve(chunk->children.size());
  for (auto& child : chunk->children) copy->children.push_back(tdsCopyChunk(child.get()));
  return copy;
}

const char* tdsChunkString(tdsChunk* chunk, std::size_t index) {
  tdsChunkData* data = chunk ? tdsReadChunkData(chunk) : nullptr;
  return data && index < data->strings.size() ? data->strings[index].c_str() : "";
}

double tdsChunkNumber(tdsChunk* chunk, std::size_t index, double fallback) {
  tdsChunkData* data = chunk ? tdsReadChunkData(chunk) : nullptr;
  return data && index < data->numbers.size() ? data->numbers[index] : fallback;
}

tdsChunk* tdsAddChild(tdsChunk* parent, std::int32_t tag) { return tdsInsertChunk(parent, tdsNewChunk(tag)); }

void tdsSetChunkNumbers(tdsChunk* chunk, std::initializer_list<double> numbers) {
  chunk->data = std::make_unique<tdsChunkData>();
  chunk->data->numbers.assign(numbers);
}

void tdsSetChunkString(tdsChunk* chunk, const std::string& text) {
  chunk->data = std::make_unique<tdsChunkData>();
  chunk->data->strings.assign(1, text);
}
