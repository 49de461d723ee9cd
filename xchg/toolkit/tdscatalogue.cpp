#include "tdscatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "tdserrors.h"

namespace {

std::vector<tdsCatalogueEntry> BuildCatalogue() {
  std::vector<tdsCatalogueEntry> c = {
      // Top-level and shared chunks.
      {0x4D4D, "", true}, {0xC23D, "", true}, {0x3DAA, "", true}, {0x2D2D, "", true}, {0x2D3D, "", true},
      {0x0002, "l", true}, {0x0010, "fff", true}, {0x0011, "bbb", true}, {0x0012, "bbb", false},
      {0x0013, "fff", false}, {0x0030, "h", true}, {0x0031, "f", true}, {0x0100, "f", true}, {0x3D3D, "", true},
      {0x3D3E, "l", true}, {0x3DFF, "", true},
      // Background, atmosphere, shadows and views.
      {0x1100, "z12", true}, {0x1101, "", false}, {0x1200, "", true}, {0x1201, "", false}, {0x1300, "f", true},
      {0x1301, "", false}, {0x1400, "f", true}, {0x1410, "f", true}, {0x1420, "h", true}, {0x1430, "h", true},
      {0x1440, "l", false}, {0x1450, "f", false}, {0x1460, "f", false}, {0x1500, "p", true}, {0x2100, "", true},
      {0x2200, "ffff", true}, {0x2300, "ffff", true}, {0x2302, "fffl", true}, {0x3000, "", true},
      {0x3010, "fp", true}, {0x3020, "fp", true}, {0x3030, "fp", true}, {0x3040, "fp", true},
      {0x3050, "fp", true}, {0x3060, "fp", true}, {0x3070, "ffffp", true}, {0x3080, "z10", true},
      {0x7001, "wwwwwww", true}, {0x7011, "wwwwwwwfpffn11", false}, {0x7012, "wwwwwwwfpffn11", false},
      {0x7020, "wwww", false},
      // Named objects, meshes, lights and cameras.
      {0x4000, "z10", true}, {0x4100, "", true}, {0x4110, "Ap", false}, {0x4111, "Ah", false},
      {0x4120, "Awwww", true}, {0x4130, "z16Aw", false}, {0x4140, "Aff", false}, {0x4150, "Rl", false},
      {0x4160, "ffffffffffff", true}, {0x4165, "b", false}, {0x4170, "wffpffffffffffffffff", false},
      {0x4181, "z12", true}, {0x4182, "r", false}, {0x4190, "z16z16z16z16z16z16", false},
      {0x4600, "p", true}, {0x4610, "pff", true}, {0x4641, "ffh", true}, {0x4653, "z12", false},
      {0x4654, "z10", false}, {0x4700, "ppff", true}, {0x4720, "ff", false},
      // Materials.
      {0xAFFF, "", true}, {0xA000, "z16", true}, {0xA087, "f", false}, {0xA100, "h", false},
      {0xA252, "h", false}, {0xA300, "z16", false}, {0xA310, "bbhll", false}, {0xA351, "w", false},
      {0xA353, "f", false},
      // Keyframer.
      {0xB000, "", true}, {0xB008, "ll", true}, {0xB009, "l", true}, {0xB00A, "hz512l", true},
      {0xB010, "z10wwh", true}, {0xB011, "z10", true}, {0xB012, "r", false}, {0xB013, "p", true},
      {0xB014, "pp", true}, {0xB015, "f", true}, {0xB020, "Tp", false}, {0xB021, "Tffff", false},
      {0xB022, "Tp", false}, {0xB023, "Tf", false}, {0xB024, "Tf", false}, {0xB025, "Tfff", false},
      {0xB026, "Tz9", false}, {0xB027, "Tf", false}, {0xB028, "Tf", false}, {0xB029, "T", false},
      {0xB030, "h", true}, {0xD000, "bbbb", true},
      // Extension data and the toolkit's own parent-name chunk.
      {0x8000, "", true}, {0x8001, "X", true}, {0x8002, "Z", false}, {0x8003, "Z", false}, {0x80F0, "Z", false},
  };
  for (std::uint16_t t = 0x4010; t <= 0x4017; ++t) c.push_back({t, "", false});
  for (std::uint16_t t = 0x4656; t <= 0x465B; ++t) c.push_back({t, "f", false});
  for (std::uint16_t t : {0xA010, 0xA020, 0xA030, 0xA040, 0xA041, 0xA042, 0xA050, 0xA052, 0xA053, 0xA084, 0xA200,
                          0xA204, 0xA210, 0xA220, 0xA230, 0xA33A, 0xA33C, 0xA33D, 0xA33E, 0xA340, 0xA342, 0xA344,
                          0xA346, 0xA348, 0xA34A, 0xA34C})
    c.push_back({t, "", true});
  for (std::uint16_t t : {0xA320, 0xA321, 0xA322, 0xA324, 0xA325, 0xA326, 0xA328, 0xA32A, 0xA32C, 0xA32E, 0xA330,
                          0xA332, 0xA334, 0xA336, 0xA338})
    c.push_back({t, "r", false});
  for (std::uint16_t t : {0xA354, 0xA356, 0xA358, 0xA35A, 0xA35C}) c.push_back({t, "f", false});
  for (std::uint16_t t : {0xA360, 0xA362, 0xA364, 0xA366, 0xA368}) c.push_back({t, "bbb", false});
  for (std::uint16_t t = 0xB001; t <= 0xB007; ++t) c.push_back({t, "", true});
  std::sort(c.begin(), c.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
  return c;
}

// One field of a layout; A, R and T stand before the fields of their items.
struct Field {
  char kind;
  std::uint32_t size;  // the N of zN and nN
};

std::vector<Field> ParseLayout(const char* layout) {
  std::vector<Field> fields;
  for (const char* p = layout; *p;) {
    Field f{*p++, 0};
    if (f.kind == 'p') {
      fields.insert(fields.end(), 3, Field{'f', 0});
      continue;
    }
    if (f.kind == 'z' || f.kind == 'n')
      while (*p >= '0' && *p <= '9') f.size = f.size * 10 + static_cast<std::uint32_t>(*p++ - '0');
    fields.push_back(f);
  }
  return fields;
}

const std::vector<Field>& LayoutOf(const char* layout) {
  static const auto parsed = [] {
    std::unordered_map<const char*, std::vector<Field>> all;
    for (const auto& e : tdsCatalogue()) all.emplace(e.layout, ParseLayout(e.layout));
    return all;
  }();
  return parsed.at(layout);
}

const char* LayoutOfTag(std::uint32_t tag) {
  const tdsCatalogueEntry* entry = tdsFindCatalogueEntry(tag);
  return entry ? entry->layout : "r";
}

std::uint32_t ScalarSize(char kind) {
  switch (kind) {
    case 'b': return 1;
    case 'h':
    case 'w': return 2;
    case 'l':
    case 'f': return 4;
    default: return 0;
  }
}

// The fewest bytes that the given item fields take in the file.
std::uint32_t SmallestItemSize(const Field* begin, const Field* end) {
  std::uint32_t size = 0;
  for (const Field* f = begin; f != end; ++f) size += f->kind == 'z' ? 1 : f->kind == 'n' ? f->size : ScalarSize(f->kind);
  return size;
}

bool FixedSize(const Field* begin, const Field* end) {
  return std::all_of(begin, end, [](const Field& f) { return ScalarSize(f.kind) > 0 || f.kind == 'n'; });
}

// Reads own data from a file without ever passing the end of the chunk.
class Reader {
 public:
  Reader(std::FILE* file, std::uint32_t available, tdsChunkData* out) : file_(file), left_(available), out_(out) {}

  int error() const { return error_; }
  std::uint32_t consumed() const { return consumed_; }

  void Fields(const Field* begin, const Field* end) {
    for (const Field* f = begin; f != end && !error_; ++f) {
      switch (f->kind) {
        case 'A':
        case 'R': Array(f->kind, f + 1, end); return;
        case 'T': Track(f + 1, end); return;
        case 'r': Raw(left_); return;
        case 'X':
          if (out_) Raw(left_);
          return;
        case 'z': String(f->size); break;
        case 'Z': String(left_ == 0 ? 0 : left_ - 1); break;
        case 'n': FixedName(f->size); break;
        default: Number(f->kind); break;
      }
    }
  }

 private:
  bool Bytes(void* to, std::uint32_t n) {
    if (n > left_) return Fail(ERR_INVALID_CHUNK);
    if (n && std::fread(to, 1, n, file_) != n) return Fail(ERR_READING_FILE);
    left_ -= n;
    consumed_ += n;
    return true;
  }
  bool Skip(std::uint32_t n) {
    if (n > left_) return Fail(ERR_INVALID_CHUNK);
    if (n && std::fseek(file_, static_cast<long>(n), SEEK_CUR) != 0) return Fail(ERR_READING_FILE);
    left_ -= n;
    consumed_ += n;
    return true;
  }
  bool Fail(int code) {
    if (!error_) error_ = code;
    return false;
  }

  bool ReadNumber(char kind, double& value) {
    std::uint8_t b[4] = {};
    const std::uint32_t size = ScalarSize(kind);
    if (!Bytes(b, size)) return false;
    const std::uint32_t u = b[0] | (b[1] << 8) | (static_cast<std::uint32_t>(b[2]) << 16) |
                            (static_cast<std::uint32_t>(b[3]) << 24);
    switch (kind) {
      case 'b': value = b[0]; break;
      case 'h': value = static_cast<std::int16_t>(static_cast<std::uint16_t>(u)); break;
      case 'w': value = static_cast<std::uint16_t>(u); break;
      case 'l': value = u; break;
      default: {
        float f;
        std::memcpy(&f, &u, 4);
        value = f;
      }
    }
    return true;
  }
  void Number(char kind) {
    double value = 0;
    if (!out_) {
      Skip(ScalarSize(kind));
      return;
    }
    if (ReadNumber(kind, value)) out_->numbers.push_back(value);
  }
  void String(std::uint32_t largest) {
    std::string text;
    for (;;) {
      char c;
      if (!Bytes(&c, 1)) return;
      if (c == '\0') break;
      if (text.size() >= largest) {
        Fail(ERR_READING_FILE);
        return;
      }
      text.push_back(c);
    }
    if (out_) out_->strings.push_back(std::move(text));
  }
  void FixedName(std::uint32_t size) {
    std::string field(size, '\0');
    if (!Bytes(field.data(), size)) return;
    field.resize(std::min<std::size_t>(std::strlen(field.c_str()), size ? size - 1 : 0));
    if (out_) out_->strings.push_back(std::move(field));
  }
  void Raw(std::uint32_t n) {
    if (!out_) {
      Skip(n);
      return;
    }
    // Read in blocks, so that a length that the file cannot back allocates
    // no more than the file holds.
    std::vector<std::uint8_t> bytes;
    constexpr std::uint32_t kBlock = 65536;
    while (n > 0) {
      const std::uint32_t block = std::min(n, kBlock);
      const std::size_t at = bytes.size();
      bytes.resize(at + block);
      if (!Bytes(bytes.data() + at, block)) return;
      n -= block;
    }
    out_->raw = std::move(bytes);
  }
  // Checks that `count` items of at least `itemSize` bytes each can stand in
  // what is left, before anything is allocated for them.
  bool CountFits(std::uint64_t count, std::uint32_t itemSize) {
    if (count * std::max<std::uint32_t>(itemSize, 1) > left_) return Fail(ERR_INVALID_CHUNK);
    return true;
  }
  void Array(char kind, const Field* begin, const Field* end) {
    const std::uint32_t itemSize = SmallestItemSize(begin, end);
    double count = 0;
    if (kind == 'A') {
      if (!ReadNumber('w', count)) return;
    } else {
      count = itemSize ? left_ / itemSize : 0;
    }
    const auto n = static_cast<std::uint32_t>(count);
    if (!CountFits(n, itemSize)) return;
    if (out_) {
      out_->numbers.push_back(count);
      out_->numbers.reserve(out_->numbers.size() + std::size_t{n} * static_cast<std::size_t>(end - begin));
    } else if (FixedSize(begin, end)) {
      Skip(n * itemSize);
      return;
    }
    for (std::uint32_t i = 0; i < n && !error_; ++i) Fields(begin, end);
  }
  void Track(const Field* begin, const Field* end) {
    double header[4] = {};
    const char kinds[4] = {'w', 'l', 'l', 'l'};
    for (int i = 0; i < 4; ++i)
      if (!ReadNumber(kinds[i], header[i])) return;
    if (out_) out_->numbers.insert(out_->numbers.end(), header, header + 4);
    const auto keys = static_cast<std::uint32_t>(header[3]);
    if (!CountFits(keys, 6 + SmallestItemSize(begin, end))) return;
    for (std::uint32_t k = 0; k < keys && !error_; ++k) {
      double frame = 0, flags = 0;
      if (!ReadNumber('l', frame) || !ReadNumber('w', flags)) return;
      double floats[5] = {};
      const auto bits = static_cast<std::uint16_t>(flags);
      for (int b = 0; b < 5; ++b)
        if ((bits & (1u << b)) && !ReadNumber('f', floats[b])) return;
      if (out_) {
        out_->numbers.push_back(frame);
        out_->numbers.push_back(flags);
        out_->numbers.insert(out_->numbers.end(), floats, floats + 5);
      }
      Fields(begin, end);
    }
  }

  std::FILE* file_;
  std::uint32_t left_;
  tdsChunkData* out_;
  std::uint32_t consumed_ = 0;
  int error_ = 0;
};

std::int64_t ToInteger(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.0e18;
  return static_cast<std::int64_t>(std::clamp(value, -kLimit, kLimit));
}

float ToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (!std::isfinite(value)) return static_cast<float>(value);
  return static_cast<float>(std::clamp(value, -kMax, kMax));
}

class Writer {
 public:
  Writer(const tdsChunkData& data, std::vector<std::uint8_t>& out) : data_(data), out_(out) {}

  int error() const { return error_; }

  void Fields(const Field* begin, const Field* end) {
    for (const Field* f = begin; f != end && !error_; ++f) {
      switch (f->kind) {
        case 'A':
        case 'R': Array(f->kind, f + 1, end); return;
        case 'T': Track(f + 1, end); return;
        case 'r':
        case 'X': out_.insert(out_.end(), data_.raw.begin(), data_.raw.end()); return;
        case 'z': String(f->size, false); break;
        case 'Z': String(std::numeric_limits<std::uint32_t>::max(), false); break;
        case 'n': String(f->size, true); break;
        default: Number(f->kind); break;
      }
    }
  }

 private:
  bool NextNumber(double& value) {
    if (number_ >= data_.numbers.size()) {
      error_ = ERR_INVALID_DATA;
      return false;
    }
    value = data_.numbers[number_++];
    return true;
  }
  void Put(char kind, double value) {
    std::uint32_t u;
    if (kind == 'f') {
      const float f = ToFloat(value);
      std::memcpy(&u, &f, 4);
    } else {
      u = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ToInteger(value)));
    }
    for (std::uint32_t i = 0; i < ScalarSize(kind); ++i) out_.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
  }
  void Number(char kind) {
    double value;
    if (NextNumber(value)) Put(kind, value);
  }
  void String(std::uint32_t largest, bool fixedField) {
    if (string_ >= data_.strings.size()) {
      error_ = ERR_INVALID_DATA;
      return;
    }
    const std::string& text = data_.strings[string_++];
    const std::size_t length = std::strlen(text.c_str());
    if (length > (fixedField ? largest - 1 : largest)) {
      error_ = ERR_STRING_TOO_LONG;
      return;
    }
    out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    out_.insert(out_.end(), fixedField ? largest - length : 1, 0);
  }
  void Array(char kind, const Field* begin, const Field* end) {
    double count;
    if (!NextNumber(count)) return;
    const std::int64_t n = ToInteger(count);
    if (n < 0 || (kind == 'A' && n > 0xFFFF) || n > static_cast<std::int64_t>(data_.numbers.size())) {
      error_ = ERR_INVALID_DATA;
      return;
    }
    if (kind == 'A') Put('w', count);
    for (std::int64_t i = 0; i < n && !error_; ++i) Fields(begin, end);
  }
  void Track(const Field* begin, const Field* end) {
    double header[4];
    for (double& h : header)
      if (!NextNumber(h)) return;
    Put('w', header[0]);
    Put('l', header[1]);
    Put('l', header[2]);
    Put('l', header[3]);
    const std::int64_t keys = ToInteger(header[3]);
    if (keys < 0 || keys > static_cast<std::int64_t>(data_.numbers.size())) {
      error_ = ERR_INVALID_DATA;
      return;
    }
    for (std::int64_t k = 0; k < keys && !error_; ++k) {
      double frame, flags, floats[5];
      if (!NextNumber(frame) || !NextNumber(flags)) return;
      for (double& f : floats)
        if (!NextNumber(f)) return;
      Put('l', frame);
      Put('w', flags);
      const auto bits = static_cast<std::uint16_t>(ToInteger(flags));
      for (int b = 0; b < 5; ++b)
        if (bits & (1u << b)) Put('f', floats[b]);
      Fields(begin, end);
    }
  }

  const tdsChunkData& data_;
  std::vector<std::uint8_t>& out_;
  std::size_t number_ = 0, string_ = 0;
  int error_ = 0;
};

}  // namespace

const std::vector<tdsCatalogueEntry>& tdsCatalogue() {
  static const std::vector<tdsCatalogueEntry> catalogue = BuildCatalogue();
  return catalogue;
}

const tdsCatalogueEntry* tdsFindCatalogueEntry(std::uint32_t tag) {
  const auto& c = tdsCatalogue();
  auto it = std::lower_bound(c.begin(), c.end(), tag, [](const auto& e, std::uint32_t t) { return e.tag < t; });
  return it != c.end() && it->tag == tag ? &*it : nullptr;
}

bool tdsTagHasSubchunks(std::uint32_t tag) {
  const tdsCatalogueEntry* entry = tdsFindCatalogueEntry(tag);
  return entry && entry->subchunks;
}

int tdsTagRank(std::uint32_t tag) {
  switch (tag) {
    case 0x0000: return 35;
    case 0x2D2D: return 34;
    case 0x2D3D: return 33;
    case 0x4D4D: return 32;
    case 0x0002: return 31;
    case 0x3D3D: return 30;
    case 0xB000: return 29;
    case 0x0011: return 28;
    case 0x0012: return 27;
    case 0x3D3E: return 26;
    case 0xAFFF: return 25;
    case 0xB00A: return 24;
    case 0x0100: return 23;
    case 0x7001: return 22;
    case 0x1400: return 21;
    case 0x1420: return 20;
    case 0x1450: return 19;
    case 0x1460: return 18;
    case 0x1500: return 17;
    case 0x2100: return 16;
    case 0x1200: return 15;
    case 0x1100: return 14;
    case 0x1300: return 13;
    case 0x1101:
    case 0x1201:
    case 0x1301: return 12;
    case 0x2200: return 11;
    case 0x2302: return 10;
    case 0x2300: return 9;
    case 0x3000: return 8;
    case 0x4000: return 7;
    case 0xB008: return 6;
    case 0xB009: return 5;
    case 0xB002:
    case 0xB003:
    case 0xB004:
    case 0xB006:
    case 0xB007: return 4;
    case 0xB001: return 3;
    case 0x4100:
    case 0x4600:
    case 0x4700: return 2;
    case 0x4010: return 1;
    default: return 0;
  }
}

tdsDecodeResult tdsDecodeChunkData(std::FILE* file, std::uint32_t tag, std::uint32_t available, tdsChunkData* out) {
  const std::vector<Field>& fields = LayoutOf(LayoutOfTag(tag));
  Reader reader(file, available, out);
  reader.Fields(fields.data(), fields.data() + fields.size());
  return {reader.error(), reader.consumed()};
}

int tdsEncodeChunkData(std::uint32_t tag, const tdsChunkData& data, std::vector<std::uint8_t>& out) {
  const std::vector<Field>& fields = LayoutOf(LayoutOfTag(tag));
  const std::size_t start = out.size();
  Writer writer(data, out);
  writer.Fields(fields.data(), fields.data() + fields.size());
  if (writer.error()) out.resize(start);
  return writer.error();
}

tdsChunkData tdsNewChunkData(std::uint32_t tag, std::uint32_t length) {
  tdsChunkData data;
  const tdsCatalogueEntry* entry = tdsFindCatalogueEntry(tag);
  if (!entry) {
    if (length > 6) data.raw.assign(length - 6, 0);
    return data;
  }
  for (const Field& f : LayoutOf(entry->layout)) {
    if (f.kind == 'A' || f.kind == 'R') {
      data.numbers.push_back(0);
      break;
    }
    if (f.kind == 'T') {
      data.numbers.insert(data.numbers.end(), 4, 0.0);
      break;
    }
    if (f.kind == 'z' || f.kind == 'Z' || f.kind == 'n')
      data.strings.emplace_back();
    else if (ScalarSize(f.kind))
      data.numbers.push_back(0);
  }
  return data;
}
