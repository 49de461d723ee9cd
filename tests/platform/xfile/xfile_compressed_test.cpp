// Compressed files as other programs write and read them: every block but
// the last holds 32 KiB of data and needs no more history than the block
// before it; the files this program wrote before, with shorter blocks, still
// read.
#include <gtest/gtest.h>
#include <xfile_model.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "other_readers.h"
#include "xfile_helpers.h"

namespace {

const std::string kTestData = std::string(VOREVER_TESTDATA) + "/x/";

const std::pair<DXFILEFORMAT, const char*> kCompressedFormats[] = {
    {DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "compressed binary"},
    {DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED, "compressed text"},
};

// Triangles enough for more than two blocks of data in either format.
constexpr DWORD kManyTriangles = 3000;

DWORD Read32(const std::string& bytes, size_t at) {
  return DWORD(BYTE(bytes[at])) | DWORD(BYTE(bytes[at + 1])) << 8 | DWORD(BYTE(bytes[at + 2])) << 16 |
         DWORD(BYTE(bytes[at + 3])) << 24;
}

struct SBlocks {
  DWORD total = 0;           // the size the file claims, header included
  std::vector<size_t> plain; // the uncompressed size of each block
  std::string data;          // inflated as a reader that keeps one block of history
  bool inflated = true;
};

// The blocks of a compressed file, each inflated with the block before it
// as its only dictionary, as the readers of other programs do.
SBlocks InflateWithOneBlockOfHistory(const std::string& file) {
  SBlocks blocks;
  blocks.total = Read32(file, 16);
  std::string previous;
  for (size_t at = 20; at + 6 <= file.size();) {
    const size_t plain = BYTE(file[at]) | BYTE(file[at + 1]) << 8;
    const size_t packed = BYTE(file[at + 2]) | BYTE(file[at + 3]) << 8;
    blocks.plain.push_back(plain);
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    if (!previous.empty())
      inflateSetDictionary(&z, reinterpret_cast<const Bytef*>(previous.data()), static_cast<uInt>(previous.size()));
    std::string out(plain, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data() + at + 6));
    z.avail_in = static_cast<uInt>(packed - 2);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(plain);
    const int result = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (result != Z_STREAM_END || z.avail_out != 0) blocks.inflated = false;
    blocks.data += out;
    previous = out;
    at += 4 + packed;
  }
  return blocks;
}

using XFileCompressed = XFileFolderTest;

TEST_F(XFileCompressed, EveryBlockButTheLastHoldsAWholeBlockAndNeedsOnlyTheBlockBefore) {
  for (const auto& [format, formatName] : kCompressedFormats) {
    SCOPED_TRACE(formatName);
    const std::string path = PathOf("many_blocks.x");
    ASSERT_EQ(SaveMeshFile(m_file.get(), path, format, kManyTriangles), S_OK);
    const std::string file = FileContents(path);

    const SBlocks blocks = InflateWithOneBlockOfHistory(file);
    ASSERT_GE(blocks.plain.size(), 3u);
    for (size_t i = 0; i + 1 < blocks.plain.size(); ++i) EXPECT_EQ(blocks.plain[i], 32768u) << "block " << i;
    EXPECT_GT(blocks.plain.back(), 0u);
    EXPECT_LE(blocks.plain.back(), 32768u);
    EXPECT_TRUE(blocks.inflated);
    EXPECT_EQ(blocks.total, 16 + blocks.data.size());

    // Our own reader gives what the uncompressed file gives.
    const std::string plainPath = PathOf("many_blocks_plain.x");
    ASSERT_EQ(SaveMeshFile(m_file.get(), plainPath, format & ~DXFILEFORMAT_COMPRESSED, kManyTriangles), S_OK);
    EXPECT_EQ(blocks.data, FileContents(plainPath).substr(16 + ((format & DXFILEFORMAT_TEXT) ? 1 : 0)));
    HRESULT failure = S_OK;
    const std::string dump = DumpFile(m_file.get(), path, &failure);
    EXPECT_EQ(failure, S_OK);
    EXPECT_EQ(dump, DumpFile(m_file.get(), plainPath, &failure));
    EXPECT_NE(dump.find("'Big'"), std::string::npos);
    other_readers::ExpectAssimpReads(path);
  }
}

TEST_F(XFileCompressed, FilesWithShorterBlocksStillRead) {
  // The uncompressed body cut where this program used to end a block (after
  // the templates, after each object), each block with all the data before
  // it as dictionary.
  const std::string plainPath = PathOf("plain.x");
  ASSERT_EQ(SaveMeshFile(m_file.get(), plainPath, DXFILEFORMAT_BINARY, kManyTriangles), S_OK);
  const std::string body = FileContents(plainPath).substr(16);
  std::string compressed;
  size_t at = 0;
  for (size_t length : {2112u, 756u, 82u, 40000u, 1996u}) {
    ASSERT_EQ(xfile::DeflateBlocks(std::string_view(body).substr(at, length), std::string_view(body).substr(0, at),
                                   &compressed),
              S_OK);
    at += length;
  }
  ASSERT_EQ(xfile::DeflateBlocks(std::string_view(body).substr(at), std::string_view(body).substr(0, at), &compressed),
            S_OK);
  const DWORD total = static_cast<DWORD>(16 + body.size());
  const std::string old = std::string("xof 0303bzip0032") + std::string(reinterpret_cast<const char*>(&total), 4) +
                          compressed;
  xfile::Bytes inflated;
  ASSERT_EQ(xfile::Inflate(reinterpret_cast<const BYTE*>(old.data()) + 16, old.size() - 16, &inflated), S_OK);
  EXPECT_EQ(std::string(inflated.begin(), inflated.end()), body);
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(m_file.get(), old, &enumObject), S_OK);
  HRESULT failure = S_OK;
  EXPECT_EQ(DumpAll(enumObject.get(), &failure), DumpFile(m_file.get(), plainPath, &failure));
  EXPECT_EQ(failure, S_OK);
}

TEST_F(XFileCompressed, AnotherProgramReadsTheCompressedFilesWeWrite) {
  if (!other_readers::AssimpInstalled()) GTEST_SKIP() << other_readers::kNoAssimp;
  struct {
    const char* what;
    DWORD triangles;
  } cases[] = {{"a file of one block", 10}, {"a file of many blocks", kManyTriangles}};
  for (const auto& c : cases) {
    for (const auto& [format, formatName] : kCompressedFormats) {
      SCOPED_TRACE(std::string(c.what) + ", " + formatName);
      const std::string path = PathOf("for_another_program.x");
      ASSERT_EQ(SaveMeshFile(m_file.get(), path, format, c.triangles), S_OK);
      other_readers::ExpectAssimpReads(path);
    }
  }
}

}  // namespace
