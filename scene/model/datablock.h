// Bounds-checked reading of a template's data block as the file API hands it
// over: values packed little-endian, strings as char*. Every read past the
// end of the block throws a message, so a block shorter than its own counts
// never reads outside its memory.
#pragma once

#include <largepages.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

class CDataBlockReader {
 public:
  CDataBlockReader(const BYTE* block, DWORD size) : m_block(block), m_size(block ? size : 0), m_offset(0) {}

  DWORD ReadDword() { return Read<DWORD>(); }
  float ReadFloat() { return Read<float>(); }
  WORD ReadWord() { return Read<WORD>(); }
  const char* ReadString() { return Read<const char*>(); }
  // Copies count values of elementSize bytes; the count comes from the file
  // and is checked against what is left before anything is copied.
  void ReadArray(void* out, size_t count, size_t elementSize) {
    const BYTE* values = Take(count, elementSize);
    if (count) std::memcpy(out, values, count * elementSize);
  }
  // The next count values of elementSize bytes where they lie in the block,
  // checked like ReadArray and passed over; for loops that convert or
  // scatter many values without a check each.
  const BYTE* Take(size_t count, size_t elementSize) {
    Require(count, elementSize);
    const BYTE* values = m_block + m_offset;
    m_offset += count * elementSize;
    return values;
  }
  // Passes over count values of elementSize bytes, checked like ReadArray.
  void Skip(size_t count, size_t elementSize) { Take(count, elementSize); }
  // Throws unless count values of elementSize bytes are left to read.
  void Require(size_t count, size_t elementSize) const {
    if (elementSize && count > (m_size - m_offset) / elementSize) throw kShortBlock;
  }

  static constexpr const char* kShortBlock = "\nError: The data block is shorter than its counts.";

 private:
  template <class T>
  T Read() {
    T value;
    ReadArray(&value, 1, sizeof(T));
    return value;
  }

  const BYTE* m_block;
  size_t m_size;
  size_t m_offset;
};

// Builds a data block in the same layout, for saving.
class CDataBlockWriter {
 public:
  explicit CDataBlockWriter(size_t reserve = 0) { m_block.reserve(reserve); }

  template <class T>
  void Write(const T& value) {
    WriteArray(&value, 1, sizeof(T));
  }
  void WriteArray(const void* values, size_t count, size_t elementSize) {
    const size_t bytes = count * elementSize;
    BYTE* out = Append(bytes);
    if (bytes) std::memcpy(out, values, bytes);
  }
  // Room for bytes more at the end, left unwritten for the caller to fill.
  BYTE* Append(size_t bytes) {
    const size_t at = m_block.size();
    m_block.resize(at + bytes);
    return m_block.data() + at;
  }
  BYTE* GetData() { return m_block.data(); }
  DWORD GetSize() const { return static_cast<DWORD>(m_block.size()); }
  // The block, for a save object to take over (see CreateXFileDataObject).
  win32::LargeBytes& Block() { return m_block; }

 private:
  // A large block on large pages.
  win32::LargeBytes m_block;
};
