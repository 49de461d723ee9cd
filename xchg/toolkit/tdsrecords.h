// Types shared by the record layers, and bounded copies into their fixed
// character fields.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "tdserrors.h"

// Allocates a record when the caller's pointer is null and resets it to its
// defaults; null with ERR_INVALID_ARG for a null argument.
template <class Record>
Record* tdsInitRecord(Record** record) {
  if (!record) {
    tdsPushError(ERR_INVALID_ARG);
    return nullptr;
  }
  if (!*record)
    *record = new Record;
  else
    **record = Record{};
  return *record;
}

// Frees a record that an initialising operation allocated and nulls the
// caller's pointer; a null argument is ERR_INVALID_ARG.
template <class Record>
void tdsReleaseRecord(Record** record);

struct tdsPoint3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const tdsPoint3&) const = default;
};

// Copies at most N - 1 characters of `text` into a field of N characters and
// ends it with a NUL, whatever the length of `text`.
template <std::size_t N>
void tdsCopyName(char (&field)[N], const char* text) {
  const std::size_t length = text ? strnlen(text, N - 1) : 0;
  if (length) std::memcpy(field, text, length);
  std::memset(field + length, 0, N - length);
}

template <std::size_t N>
void tdsCopyName(char (&field)[N], const std::string& text) {
  tdsCopyName(field, text.c_str());
}

// The text of a fixed field, which need not end with a NUL.
template <std::size_t N>
std::string tdsNameOf(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

template <class Record>
void tdsReleaseRecord(Record** record) {
  if (!record) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  delete *record;
  *record = nullptr;
}
