// Shared pieces of the toolkit tests: a temporary folder removed on
// teardown, the real files, hand-built chunk streams and tree comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tds.h"

namespace tdstest {

// A fixture that starts every test with a clean toolkit and a folder of its
// own, and removes both files and folder afterwards.
class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) const;
  std::vector<std::uint8_t> ReadBytes(const std::string& path) const;
  // The codes of the 19 entries of the error stack, oldest first.
  static std::vector<int> Errors();
  // Loads a file into a new database (which the fixture releases).
  tdsDatabase* Load(const std::string& path);
  // Writes a database to a file and closes nothing.
  void Write(tdsDatabase* db, const std::string& path);
  tdsDatabase* NewDatabase(int kind);

  std::filesystem::path folder_;
  std::vector<tdsDatabase*> databases_;
};

// A chunk built by hand: tag, own bytes and children; its length is
// counted unless given.
struct Bytes {
  std::vector<std::uint8_t> data;
  Bytes& u8(std::uint8_t v);
  Bytes& u16(std::uint16_t v);
  Bytes& u32(std::uint32_t v);
  Bytes& f32(float v);
  Bytes& str(const std::string& s);  // with its NUL
  Bytes& add(const Bytes& other);
};
Bytes Chunk(std::uint16_t tag, const Bytes& body);
Bytes ChunkWithLength(std::uint16_t tag, std::uint32_t length, const Bytes& body);

// Compares two trees by tags and decoded data, passing over cleared chunks;
// fills `where` with the first difference.
bool SameTree(tdsChunk* a, tdsChunk* b, std::string& where);

std::string TestData();
bool HaveTestData();
std::vector<std::filesystem::path> Real3dsFiles();

}  // namespace tdstest
