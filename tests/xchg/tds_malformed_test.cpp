// Malformed files: each fails with its error code, without reading outside
// the file or its chunks and without a sanitizer report.
#include <fstream>

#include "tds_test_support.h"

namespace {

using tdstest::Bytes;
using tdstest::Chunk;
using tdstest::ChunkWithLength;
using tdstest::ToolkitTest;

class MalformedTest : public ToolkitTest {
 protected:
  // Loads the file, decodes every chunk and reads every record, stopping
  // at the first error; returns the codes on the stack.
  std::vector<int> ReadEverything(const std::string& path) {
    tdsClearErrors();
    tdsDatabase* db = Load(path);
    if (!tdsErrorPending() && db->top) DecodeAll(db->top.get(), 0);
    if (!tdsErrorPending() && tdsDatabaseKind(db) == TDS_MESH_FILE) {
      for (std::uint32_t i = 0, n = tdsGetMeshCount(db); i < n && !tdsErrorPending(); ++i) {
        tdsMesh* mesh = nullptr;
        tdsGetMeshByIndex(db, i, &mesh);
        tdsReleaseMesh(&mesh);
      }
      for (std::uint32_t i = 0, n = tdsGetObjectNodeCount(db); i < n && !tdsErrorPending(); ++i) {
        tdsObjectMotion* motion = nullptr;
        tdsGetObjectMotionByIndex(db, i, &motion);
        tdsReleaseObjectMotion(&motion);
      }
    }
    std::vector<int> codes = Errors();
    tdsCloseAllFiles();
    return codes;
  }
  static void DecodeAll(tdsChunk* chunk, int depth) {
    if (!tdsReadChunkData(chunk) && tdsErrorPending()) return;
    if (depth < kTdsMaxChunkDepth)
      for (auto& child : chunk->children) DecodeAll(child.get(), depth + 1);
  }
};

TEST_F(MalformedTest, AnEmptyFileFailsToLoad) {
  const std::string path = tdstest::TestData() + "/malformed/empty.3ds";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no test data at " << path;
  EXPECT_EQ(ReadEverything(path), (std::vector<int>{ERR_READING_FILE, ERR_CREATING_DATABASE}));
}

Bytes Nested(int depth) {
  Bytes inner;
  for (int i = 0; i < depth; ++i) inner = Chunk(0x3D3D, inner);
  return Chunk(0x4D4D, inner);
}

Bytes Mesh(const Bytes& triangles) { return Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Bytes{}.str("M").add(Chunk(0x4100, triangles))))); }

Bytes Track(std::uint32_t keys) {
  Bytes body;
  body.u16(0).u32(0).u32(0).u32(keys).u32(0).u16(0).f32(1).f32(2).f32(3);
  return Chunk(0x4D4D, Chunk(0xB000, Chunk(0xB002, Bytes{}.add(Chunk(0xB010, Bytes{}.str("N").u16(0).u16(0).u16(0xFFFF))).add(Chunk(0xB020, body)))));
}

// The first code of a failing nesting, and a reading error for each level
// passed, as far as the stack holds them.
std::vector<int> NestedTooDeep() {
  std::vector<int> codes(kTdsErrorStackSize, ERR_READING_DATABASE);
  codes[0] = ERR_INVALID_CHUNK;
  return codes;
}

struct StreamCase {
  const char* what;
  Bytes bytes;
  std::vector<int> codes;
};

TEST_F(MalformedTest, HandBuiltStreamsFailWithTheirCodes) {
  const int C = ERR_INVALID_CHUNK, R = ERR_READING_FILE, D = ERR_READING_DATABASE, K = ERR_CREATING_DATABASE;
  const StreamCase cases[] = {
      {"short header", Bytes{}.u16(0x4D4D).u8(9), {R, K}},
      {"top length past the end", ChunkWithLength(0x4D4D, 1000, Bytes{}.u32(0)), {C, K}},
      {"top length below its header", ChunkWithLength(0x4D4D, 4, Bytes{}.u32(0)), {C, K}},
      {"zero length child", Chunk(0x4D4D, ChunkWithLength(0x3D3D, 0, Bytes{}.u32(0))), {C, D, K}},
      {"child past its parent", Chunk(0x4D4D, Bytes{}.add(Chunk(0x3D3D, ChunkWithLength(0x4000, 40, Bytes{}.str("A")))).add(Bytes{}.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0))), {C, D, D, K}},
      {"child header cut by its parent's end", Chunk(0x4D4D, Bytes{}.u16(0x3D3D).u8(1)), {C, D, K}},
      {"name without its terminator", Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Bytes{}.u32(0x41414141).u32(0x41414141).u32(0x41414141)))), {R, D, D, K}},
      {"name running past its chunk", Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Bytes{}.u8('A')))), {C, D, D, K}},
      {"chunks nested too deep", Nested(200), NestedTooDeep()},
      {"huge vertex count", Mesh(Chunk(0x4110, Bytes{}.u16(0xFFFF).f32(1).f32(2).f32(3))), {C}},
      {"huge face count", Mesh(Chunk(0x4120, Bytes{}.u16(0xFFFF).u16(0).u16(1).u16(2).u16(0))), {C, D, D, D, D, K}},
      {"huge material group count", Mesh(Chunk(0x4130, Bytes{}.str("W").u16(5000).u16(0))), {C}},
      {"huge key count", Track(100000000), {C}},
      {"lone top of another kind claiming more than the file", ChunkWithLength(0x4150, 0x7FFFFFFF, Bytes{}.u32(1)), {C}},
      {"raw top of another kind claiming more than the file", ChunkWithLength(0x0600, 0x04045C4D, Bytes{}), {C}},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(PathOf("in.3ds"), c.bytes.data);
    std::vector<int> codes = ReadEverything(PathOf("in.3ds"));
    EXPECT_EQ(codes, c.codes);
  }
}

// Inputs the fuzzer found for each error path, named after it: the stage
// that fails (load or decode) and the first code.
TEST_F(MalformedTest, FuzzInputsFailOnTheirErrorPath) {
  const std::filesystem::path folder = std::filesystem::path(VOREVER_FIXTURES) / "3ds" / "fuzz";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no fuzz inputs at " << folder;
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::vector<int> codes = ReadEverything(entry.path().string());
    ASSERT_FALSE(codes.empty());
    const bool load = name.rfind("load_", 0) == 0;
    EXPECT_EQ(codes.back() == ERR_CREATING_DATABASE, load);
    const int first = name.find("invalid_chunk") != std::string::npos ? ERR_INVALID_CHUNK : ERR_READING_FILE;
    EXPECT_EQ(codes.front(), first);
    ++replayed;
  }
  EXPECT_GE(replayed, 8);
}

}  // namespace
