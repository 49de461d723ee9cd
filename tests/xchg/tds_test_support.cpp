#include "tds_test_support.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace tdstest {

void ToolkitTest::SetUp() {
  tdsCloseAllFiles();
  tdsClearErrors();
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  folder_ = std::filesystem::path(::testing::TempDir()) / ("tds_" + name + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
}

void ToolkitTest::TearDown() {
  for (tdsDatabase*& db : databases_) tdsReleaseDatabase(&db);
  tdsCloseAllFiles();
  tdsClearErrors();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void ToolkitTest::WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) const {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ToolkitTest::ReadBytes(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<int> ToolkitTest::Errors() {
  std::vector<int> codes;
  const tdsErrorEntry* list = tdsErrorList();
  for (int i = 0; i < kTdsErrorStackSize && list[i].code != 0; ++i) codes.push_back(list[i].code);
  return codes;
}

tdsDatabase* ToolkitTest::Load(const std::string& path) {
  tdsDatabase* db = nullptr;
  tdsInitDatabase(&db);
  databases_.push_back(db);
  tdsFile* file = tdsOpenFile(path.c_str(), "rb");
  if (file) tdsLoadDatabase(file, db);
  return db;
}

void ToolkitTest::Write(tdsDatabase* db, const std::string& path) {
  tdsFile* file = tdsOpenFile(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  tdsWriteDatabase(file, db);
  tdsCloseFile(file);
}

tdsDatabase* ToolkitTest::NewDatabase(int kind) {
  tdsDatabase* db = nullptr;
  tdsInitDatabase(&db);
  databases_.push_back(db);
  tdsCreateDatabase(db, kind);
  return db;
}

Bytes& Bytes::u8(std::uint8_t v) {
  data.push_back(v);
  return *this;
}
Bytes& Bytes::u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8)); }
Bytes& Bytes::u32(std::uint32_t v) {
  return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
}
Bytes& Bytes::f32(float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  return u32(u);
}
Bytes& Bytes::str(const std::string& s) {
  data.insert(data.end(), s.begin(), s.end());
  return u8(0);
}
Bytes& Bytes::add(const Bytes& other) {
  data.insert(data.end(), other.data.begin(), other.data.end());
  return *this;
}

Bytes ChunkWithLength(std::uint16_t tag, std::uint32_t length, const Bytes& body) {
  Bytes b;
  b.u16(tag).u32(length).add(body);
  return b;
}

Bytes Chunk(std::uint16_t tag, const Bytes& body) {
  return ChunkWithLength(tag, static_cast<std::uint32_t>(body.data.size() + 6), body);
}

namespace {
std::string TagName(std::int32_t tag) {
  std::ostringstream s;
  s << "0x" << std::hex << tag;
  return s.str();
}

// The children that stand for something: cleared chunks and empty parent
// names (a put makes one for a node without a parent; a load does not) are
// passed over.
std::vector<tdsChunk*> Written(tdsChunk* parent) {
  std::vector<tdsChunk*> kept;
  for (auto& c : parent->children)
    if (c->tag != 0 && !(c->tag == 0x80F0 && *tdsChunkString(c.get(), 0) == '\0')) kept.push_back(c.get());
  return kept;
}
}  // namespace

bool SameTree(tdsChunk* a, tdsChunk* b, std::string& where) {
  if (a->tag != b->tag) {
    where = "tag " + TagName(a->tag) + " vs " + TagName(b->tag);
    return false;
  }
  tdsChunkData* da = tdsReadChunkData(a);
  tdsChunkData* db = tdsReadChunkData(b);
  const bool sameData = (!da && !db) || (da && db && *da == *db) ||
                        (da && !db && *da == tdsChunkData{}) || (db && !da && *db == tdsChunkData{});
  if (!sameData) {
    where = "data of " + TagName(a->tag);
    return false;
  }
  const auto ca = Written(a), cb = Written(b);
  if (ca.size() != cb.size()) {
    where = "children of " + TagName(a->tag) + ": " + std::to_string(ca.size()) + " vs " + std::to_string(cb.size());
    return false;
  }
  for (std::size_t i = 0; i < ca.size(); ++i)
    if (!SameTree(ca[i], cb[i], where)) {
      where = TagName(a->tag) + "/" + where;
      return false;
    }
  return true;
}

std::string TestData() { return std::string(VOREVER_TESTDATA) + "/3ds"; }
bool HaveTestData() { return std::filesystem::is_directory(TestData()); }

std::vector<std::filesystem::path> Real3dsFiles() {
  std::vector<std::filesystem::path> files;
  if (!HaveTestData()) return files;
  for (const auto& entry : std::filesystem::directory_iterator(TestData())) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    unsigned char magic[2] = {};
    in.read(reinterpret_cast<char*>(magic), 2);
    if (in && magic[0] == 0x4D && magic[1] == 0x4D) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tdstest
