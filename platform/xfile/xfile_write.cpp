// Writing templates and data objects as text or as binary tokens.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "dxfile.h"
#include "xfile_model.h"

namespace xfile {

namespace {

enum : WORD {
  kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
  kOBrace = 10, kCBrace = 11, kOBracket = 14, kCBracket = 15, kDot = 18, kComma = 19, kSemicolon = 20,
  kTemplate = 31, kArray = 52,
};

WORD PrimitiveToken(Primitive p) {
  switch (p) {
    case Primitive::Word: return 40;
    case Primitive::Dword: return 41;
    case Primitive::Float: return 42;
    case Primitive::Double: return 43;
    case Primitive::Char: return 44;
    case Primitive::Uchar:
    case Primitive::Byte: return 45;
    case Primitive::Sword: return 46;
    case Primitive::Sdword: return 47;
    case Primitive::String: return 49;
    case Primitive::Unicode: return 50;
    case Primitive::Cstring: return 51;
    case Primitive::None: break;
  }
  return 0;
}

std::string GuidText(const GUID& id) {
  std::string text = GuidToString(id);
  text.front() = '<';
  text.back() = '>';
  return text;
}

// Room for the text of any number.
constexpr std::size_t kNumberText = 64;

// Elements of an array that are written between two looks at the size of the
// output.
constexpr std::uint64_t kDrainEvery = 1024;

// Output that a writer with a sink holds before handing it over: the sink
// gets it in parts this large, and the output buffer, made once, is used
// again for each part (fresh memory costs more to touch than to write).
constexpr std::size_t kDrainSize = std::size_t{1} << 18;

// Binary: values of an array of numbers listed between two looks at the size
// of the output.
constexpr std::size_t kListPiece = kDrainSize / 4;

// The text of a float or double at out, which has kNumberText chars of
// room; returns its end.
template <class Real>
char* RealText(char* out, Real value) {
  auto put = [](char* at, std::string_view text) { return std::copy(text.begin(), text.end(), at); };
  if (std::isnan(value)) return put(out, "1.#QNAN0");
  if (std::isinf(value)) return put(out, value < 0 ? "-1.#INF00" : "1.#INF00");
  const bool small = std::abs(value) < 10000;
  // A whole number below 10000 has no shorter text than its digits, which
  // are quicker to make.
  if (small && value == std::trunc(value)) {
    if (std::signbit(value)) *out++ = '-';
    return put(std::to_chars(out, out + kNumberText, static_cast<int>(std::abs(value))).ptr, ".0");
  }
  char* end = std::to_chars(out, out + kNumberText, value).ptr;
  // Keep the value a real number when read back (the shortest text of one
  // that is not whole has a point or an exponent).
  if (!small && std::none_of(out, end, [](char c) { return c == '.' || c == 'e'; })) end = put(end, ".0");
  return end;
}

template <class T>
T Load(const BYTE* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

// An integer of primitive p read at `at`, widened by its own sign.
std::int64_t IntegerAt(Primitive p, const BYTE* at) {
  switch (p) {
    case Primitive::Word: return Load<WORD>(at);
    case Primitive::Sword: return Load<SHORT>(at);
    case Primitive::Dword: return Load<DWORD>(at);
    case Primitive::Sdword: return Load<LONG>(at);
    case Primitive::Char: return Load<signed char>(at);
    default: return Load<unsigned char>(at);
  }
}

// The text of a number of primitive p read at `at`, at out (kNumberText
// chars of room); returns its end.
char* NumberText(char* out, Primitive p, const BYTE* at) {
  if (p == Primitive::Float) return RealText(out, Load<float>(at));
  if (p == Primitive::Double) return RealText(out, Load<double>(at));
  // 32-bit digits, the most common, are quicker to make as such.
  if (p == Primitive::Dword) return std::to_chars(out, out + kNumberText, Load<DWORD>(at)).ptr;
  return std::to_chars(out, out + kNumberText, IntegerAt(p, at)).ptr;
}

// A template of single numbers of one primitive (a vector, a colour): an
// instance is written as its numbers, each ending with ';' in text.
bool IsRecord(const Template& t) {
  return t.run != Primitive::None && std::all_of(t.members.begin(), t.members.end(),
                                                 [](const Member& m) { return !m.type && m.dimensions.empty(); });
}

// A template of numbers, arrays of numbers and single records (a face, an
// indexed colour): an instance is written without going down into the
// templates of its members.
bool IsFlat(const Template& t) {
  return std::all_of(t.members.begin(), t.members.end(), [](const Member& m) {
    return m.type ? m.dimensions.empty() && IsRecord(*m.type) : !IsString(m.primitive);
  });
}

// Text made in a buffer of its own and added to the output a piece at a
// time; what is not flushed is dropped (a write that fails half-way).
class TextPieces {
 public:
  explicit TextPieces(OutputBuffer& out) : m_out(out) {}
  TextPieces(const TextPieces&) = delete;
  TextPieces& operator=(const TextPieces&) = delete;

  void Put(char c) {
    Room(1);
    *m_end++ = c;
  }
  void Spaces(int count) {
    const auto n = static_cast<std::size_t>(count);
    Room(n);
    if (n > sizeof(m_text)) {
      m_out.append(n, ' ');
      return;
    }
    m_end = std::fill_n(m_end, n, ' ');
  }
  // What goes before element i of an array of numbers: ',' from the second
  // on, and every 16th on a new line after `indent` spaces.
  void BeforeValue(std::uint64_t i, int indent) {
    if (i == 0) return;
    Put(',');
    if (i % 16 == 0) {
      Put('\n');
      Spaces(indent);
    }
  }
  // What goes before element k of an array of records: ',' and a new line
  // from the second on, after `indent` spaces.
  void BeforeRecord(std::uint64_t k, int indent) {
    if (k == 0) return;
    Put(',');
    Put('\n');
    Spaces(indent);
  }
  void Number(Primitive p, const BYTE* at) {
    Room(kNumberText);
    m_end = NumberText(m_end, p, at);
  }
  // n numbers of primitive p from `at`, each ending with ';' (a record).
  void Record(Primitive p, const BYTE*& at, std::uint64_t n) {
    for (std::uint64_t v = 0; v < n; ++v, at += PrimitiveSize(p)) {
      Number(p, at);
      Put(';');
    }
  }
  // n numbers of primitive p from `at`, as the elements of an array:
  // separated by ',', every 16th on a new line after `indent` spaces.
  void Array(Primitive p, const BYTE*& at, std::uint64_t n, int indent) {
    for (std::uint64_t v = 0; v < n; ++v, at += PrimitiveSize(p)) {
      BeforeValue(v, indent);
      Number(p, at);
    }
  }
  // An instance of a countedDwords template at `at` (its count, then that
  // many values), as Array and Record write its members, each ending with
  // ';'.
  void CountedDwords(const BYTE* at) {
    const DWORD n = Load<DWORD>(at);
    // Each value with its ',' or ';', and a new line every 16 values.
    constexpr std::size_t kEach = 12;
    const std::uint64_t most = kEach * (std::uint64_t{n} + 1) + n / 16;
    if (most > sizeof(m_text)) {
      Number(Primitive::Dword, at);
      Put(';');
      at += 4;
      Array(Primitive::Dword, at, n, 0);
      Put(';');
      return;
    }
    Room(static_cast<std::size_t>(most));
    char* out = std::to_chars(m_end, m_end + kEach, n).ptr;
    *out++ = ';';
    at += 4;
    for (DWORD v = 0; v < n; ++v, at += 4) {
      if (v > 0) {
        *out++ = ',';
        if (v % 16 == 0) *out++ = '\n';
      }
      out = std::to_chars(out, out + kEach, Load<DWORD>(at)).ptr;
    }
    *out++ = ';';
    m_end = out;
  }
  // Everything so far into the output.
  void Flush() {
    m_out.append(m_text, m_end);
    m_end = m_text;
  }

 private:
  void Room(std::size_t n) {
    if (static_cast<std::size_t>(m_text + sizeof(m_text) - m_end) < n) Flush();
  }

  OutputBuffer& m_out;
  char m_text[4096];
  char* m_end = m_text;
};

// Elements whose text is made in one go on one thread, and most threads that
// make the text of one array side by side.
constexpr std::uint64_t kTextPart = 4 * kDrainEvery;
constexpr unsigned kMostTextThreads = 4;

// The text of count elements added to out in order, drain called after each
// part: make(first, last, pieces) writes elements first to last - 1, each
// with what separates it from the one before, and is only given ranges that
// start at a multiple of kDrainEvery. A long array's parts are made side by
// side, each into a buffer of its own, a round of them at a time; the text
// is the same.
template <class Make, class Drain>
HRESULT TextInParts(OutputBuffer& out, std::uint64_t count, const Make& make, const Drain& drain) {
  const unsigned threads =
      count < 2 * kTextPart ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, kMostTextThreads);
  if (threads == 1) {
    TextPieces pieces(out);
    for (std::uint64_t first = 0; first < count; first += kDrainEvery) {
      make(first, std::min(count, first + kDrainEvery), pieces);
      pieces.Flush();
      const HRESULT hr = drain();
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }
  std::vector<OutputBuffer> texts(threads);
  std::vector<std::exception_ptr> failures(threads);
  for (std::uint64_t round = 0; round < count; round += threads * kTextPart) {
    auto part = [&](unsigned i) {
      const std::uint64_t first = round + i * kTextPart;
      texts[i].clear();
      if (first >= count) return;
      try {
        TextPieces pieces(texts[i]);
        make(first, std::min(count, first + kTextPart), pieces);
        pieces.Flush();
      } catch (...) {
        failures[i] = std::current_exception();
      }
    };
    {
      std::vector<std::jthread> helpers;
      helpers.reserve(threads - 1);
      unsigned helped = 1;
      try {
        for (; helped < threads; ++helped) helpers.emplace_back(part, helped);
      } catch (const std::system_error&) {
        // The parts without a thread are made on this one.
      }
      part(0);
      for (unsigned i = helped; i < threads; ++i) part(i);
    }
    for (unsigned i = 0; i < threads; ++i) {
      if (failures[i]) std::rethrow_exception(failures[i]);
      out += texts[i];
      const HRESULT hr = drain();
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

void StoreDword(BYTE* out, DWORD value) {
  out[0] = static_cast<BYTE>(value);
  out[1] = static_cast<BYTE>(value >> 8);
  out[2] = static_cast<BYTE>(value >> 16);
  out[3] = static_cast<BYTE>(value >> 24);
}

// n numbers of primitive p read from `from`, as the values of a binary list
// at out: integers as 32 bits, reals as floats.
void ListNumbers(Primitive p, const BYTE* from, std::size_t n, BYTE* out) {
  const std::size_t size = PrimitiveSize(p);
  switch (p) {
    case Primitive::Dword:
    case Primitive::Sdword:
      for (std::size_t i = 0; i < n; ++i) StoreDword(out + 4 * i, Load<DWORD>(from + 4 * i));
      return;
    case Primitive::Float:
      // As a float goes through a double: a signalling NaN becomes quiet.
      for (std::size_t i = 0; i < n; ++i) {
        DWORD bits = Load<DWORD>(from + 4 * i);
        if ((bits & 0x7f800000u) == 0x7f800000u && (bits & 0x007fffffu) != 0) bits |= 0x00400000u;
        StoreDword(out + 4 * i, bits);
      }
      return;
    case Primitive::Double:
      for (std::size_t i = 0; i < n; ++i) {
        const float value = ToFloat(Load<double>(from + size * i));
        DWORD bits;
        std::memcpy(&bits, &value, 4);
        StoreDword(out + 4 * i, bits);
      }
      return;
    default:
      for (std::size_t i = 0; i < n; ++i) StoreDword(out + 4 * i, static_cast<DWORD>(IntegerAt(p, from + size * i)));
      return;
  }
}

}  // namespace

#define RETURN_IF_FAILED(expr)   \
  do {                           \
    HRESULT hr_ = (expr);        \
    if (FAILED(hr_)) return hr_; \
  } while (false)

std::string Writer::Header(Encoding encoding, bool compressed) {
  if (encoding == Encoding::Text) return compressed ? "xof 0303tzip0032" : "xof 0303txt 0032";
  return compressed ? "xof 0303bzip0032" : "xof 0303bin 0032";
}

void Writer::Token(WORD token) {
  EndList();
  m_out.push_back(static_cast<char>(token));
  m_out.push_back(static_cast<char>(token >> 8));
}

void Writer::Dword(DWORD value) {
  BYTE bytes[4];
  StoreDword(bytes, value);
  m_out.append(reinterpret_cast<const char*>(bytes), 4);
}

void Writer::Name(std::string_view name) {
  if (m_encoding == Encoding::Text) {
    m_out += name;
    return;
  }
  Token(kName);
  Dword(static_cast<DWORD>(name.size()));
  m_out += name;
}

BYTE* Writer::ListValues(bool real, std::size_t n) {
  if (m_list != kNoList && m_listIsFloat != real) EndList();
  if (m_list == kNoList) {
    m_list = m_drained + m_out.size();
    m_listIsFloat = real;
    const WORD token = real ? kFloatList : kIntegerList;
    m_out.push_back(static_cast<char>(token));
    m_out.push_back(static_cast<char>(token >> 8));
    Dword(0);
  }
  const std::size_t at = m_out.size();
  m_out.resize(at + 4 * n);
  return reinterpret_cast<BYTE*>(m_out.data() + at);
}

void Writer::EndList() {
  if (m_list == kNoList) return;
  const std::uint64_t values = (m_drained + m_out.size() - m_list - 6) / 4;
  const std::uint64_t count = m_list + 2;
  m_list = kNoList;
  BYTE bytes[4];
  StoreDword(bytes, static_cast<DWORD>(values));
  // A list's header goes to the sink whole (a drain takes all there is).
  if (count >= m_drained) {
    std::memcpy(m_out.data() + (count - m_drained), bytes, 4);
    return;
  }
  const HRESULT hr = m_patch(count, std::string_view(reinterpret_cast<const char*>(bytes), 4));
  if (FAILED(hr) && SUCCEEDED(m_patchFailure)) m_patchFailure = hr;
}

Writer::Writer(Encoding encoding, Sink sink, Patch patch)
    : m_encoding(encoding), m_sink(std::move(sink)), m_patch(std::move(patch)) {
  // A part, and as much again: what is written between two drains.
  if (m_sink) m_out.reserve(2 * kDrainSize);
}

HRESULT Writer::Drain() {
  // Without a patch an open list stays, with what follows it, until its
  // count is known.
  const std::size_t ready =
      m_list == kNoList || m_patch ? m_out.size() : static_cast<std::size_t>(m_list - m_drained);
  if (!m_sink || ready < kDrainSize) return m_patchFailure;
  HRESULT hr = m_sink(std::string_view(m_out).substr(0, ready));
  m_out.erase(0, ready);
  m_drained += ready;
  return FAILED(hr) ? hr : m_patchFailure;
}

void Writer::Number(Primitive p, const BYTE* at) {
  if (m_encoding == Encoding::Binary) {
    ListNumbers(p, at, 1, ListValues(IsReal(p), 1));
    return;
  }
  char text[kNumberText];
  m_out.append(text, NumberText(text, p, at));
}

void Writer::Indent(int indent) {
  if (m_encoding == Encoding::Text) m_out.append(static_cast<std::size_t>(indent), ' ');
}

void Writer::WriteTemplate(const Template& t) {
  bool text = m_encoding == Encoding::Text;
  if (text) {
    m_out += "template " + t.name + " {\n " + GuidText(t.id) + "\n";
  } else {
    Token(kTemplate);
    Name(t.name);
    Token(kOBrace);
    Token(kGuid);
    Dword(t.id.Data1);
    m_out.append({static_cast<char>(t.id.Data2), static_cast<char>(t.id.Data2 >> 8), static_cast<char>(t.id.Data3),
                  static_cast<char>(t.id.Data3 >> 8)});
    m_out.append(reinterpret_cast<const char*>(t.id.Data4), 8);
  }
  for (const Member& m : t.members) {
    bool array = !m.dimensions.empty();
    if (text) {
      m_out += array ? " array " : " ";
      m_out += m.type ? m.type->name : PrimitiveName(m.primitive);
      if (!m.name.empty()) m_out += " " + m.name;
      for (const Dimension& d : m.dimensions) {
        m_out += "[" + (d.member >= 0 ? t.members[d.member].name : std::to_string(d.fixed)) + "]";
      }
      m_out += ";\n";
      continue;
    }
    if (array) Token(kArray);
    if (m.type) {
      Name(m.type->name);
    } else {
      Token(PrimitiveToken(m.primitive));
    }
    if (!m.name.empty()) Name(m.name);
    for (const Dimension& d : m.dimensions) {
      Token(kOBracket);
      if (d.member >= 0) {
        Name(t.members[d.member].name);
      } else {
        Token(kInteger);
        Dword(d.fixed);
      }
      Token(kCBracket);
    }
    Token(kSemicolon);
  }
  if (t.openness != Openness::Closed) {
    if (t.openness == Openness::Open) {
      if (text) {
        m_out += " [...]\n";
      } else {
        Token(kOBracket);
        Token(kDot);
        Token(kDot);
        Token(kDot);
        Token(kCBracket);
      }
    } else {
      if (text) m_out += " [";
      if (!text) Token(kOBracket);
      bool first = true;
      auto entry = [&](std::string_view name, const GUID* id) {
        if (!first) {
          if (text) m_out += ", ";
          if (!text) Token(kComma);
        }
        first = false;
        Name(name);
        if (id && text) {
          m_out += ' ';
          m_out += GuidText(*id);
        }
        if (id && !text) {
          Token(kGuid);
          Dword(id->Data1);
          m_out.append({static_cast<char>(id->Data2), static_cast<char>(id->Data2 >> 8),
                        static_cast<char>(id->Data3), static_cast<char>(id->Data3 >> 8)});
          m_out.append(reinterpret_cast<const char*>(id->Data4), 8);
        }
      };
      for (const Restriction& r : t.restrictions) entry(r.name, r.hasId ? &r.id : nullptr);
      if (t.binaryAllowed) entry("BINARY", nullptr);
      if (text) m_out += "]\n";
      if (!text) Token(kCBracket);
    }
  }
  if (text) {
    m_out += "}\n\n";
  } else {
    Token(kCBrace);
  }
}

HRESULT Writer::WriteObject(const Node& node) {
  HRESULT hr = WriteObject(node, 0);
  EndList();
  if (m_encoding == Encoding::Text) m_out += "\n";
  return FAILED(hr) ? hr : m_patchFailure;
}

HRESULT Writer::WriteBlock(const Node& node) {
  if (!node.type) return DXFILEERR_BADOBJECT;
  const BYTE* p = node.block.data();
  return WriteValues(*node.type, p, p + node.block.size(), 1);
}

HRESULT Writer::WriteObject(const Node& node, int indent) {
  if (!node.type) return DXFILEERR_BADOBJECT;
  bool text = m_encoding == Encoding::Text;
  if (text && !node.name.empty() && !IsTextName(node.name)) return DXFILEERR_BADVALUE;
  Indent(indent);
  Name(node.type->name);
  if (!node.name.empty()) {
    if (text) m_out += " ";
    Name(node.name);
  }
  if (text) {
    m_out += " {\n";
  } else {
    Token(kOBrace);
  }
  auto writeId = [&](const GUID& id) {
    if (text) {
      m_out += GuidText(id);
      return;
    }
    Token(kGuid);
    Dword(id.Data1);
    m_out.append({static_cast<char>(id.Data2), static_cast<char>(id.Data2 >> 8), static_cast<char>(id.Data3),
                  static_cast<char>(id.Data3 >> 8)});
    m_out.append(reinterpret_cast<const char*>(id.Data4), 8);
  };
  if (node.hasId) {
    Indent(indent + 1);
    writeId(node.id);
    if (text) m_out += "\n";
  }
  const BYTE* p = node.block.data();
  RETURN_IF_FAILED(WriteValues(*node.type, p, p + node.block.size(), indent + 1));
  for (const Child& child : node.children) {
    switch (child.kind) {
      case Child::Kind::Data:
        RETURN_IF_FAILED(WriteObject(*child.node, indent + 1));
        break;
      case Child::Kind::Reference:
        if (text) {
          if (!child.referenceName.empty() && !IsTextName(child.referenceName)) return DXFILEERR_BADVALUE;
          Indent(indent + 1);
          m_out += "{ " + child.referenceName;
          if (child.referenceHasId) {
            if (!child.referenceName.empty()) m_out += " ";
            m_out += GuidText(child.referenceId);
          }
          m_out += " }\n";
        } else {
          Token(kOBrace);
          Name(child.referenceName);
          if (child.referenceHasId) writeId(child.referenceId);
          Token(kCBrace);
        }
        break;
      case Child::Kind::Binary:
        // The file format gives binary objects no written form here.
        return DXFILEERR_NOTDONEYET;
    }
  }
  if (text) {
    Indent(indent);
    m_out += "}\n";
  } else {
    Token(kCBrace);
  }
  return S_OK;
}

// Text: members end with ';', array elements are separated by ',', a nested
// template's values end with its own ';'. Binary: integers and reals gathered
// into lists, strings each a token.
HRESULT Writer::WriteValues(const Template& t, const BYTE*& p, const BYTE* end, int indent) {
  bool text = m_encoding == Encoding::Text;
  bool top = indent > 0;
  MemberValues counts(t.members.size());
  for (std::size_t i = 0; i < t.members.size(); ++i) {
    const Member& m = t.members[i];
    std::uint64_t count = ElementCount(m, counts);
    if (top && text) Indent(indent);
    const HRESULT numbers = WriteNumbers(m, count, p, end, indent);
    if (FAILED(numbers)) return numbers;
    if (numbers == S_FALSE) RETURN_IF_FAILED(WriteElements(m, count, p, end, indent, &counts[i]));
    if (text) {
      m_out += ";";
      if (top) m_out += "\n";
    }
  }
  return S_OK;
}

HRESULT Writer::WriteElements(const Member& m, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent,
                              DWORD* value) {
  if (m.type && IsFlat(*m.type)) return WriteFlat(*m.type, count, p, end, indent);
  bool text = m_encoding == Encoding::Text;
  bool top = indent > 0;
  for (std::uint64_t k = 0; k < count; ++k) {
    RETURN_IF_FAILED(Drain());
    if (k > 0 && text) {
      m_out += ",";
      if (m.type || k % 16 == 0) {
        m_out += "\n";
        if (top) Indent(indent);
      }
    }
    if (m.type) {
      RETURN_IF_FAILED(WriteValues(*m.type, p, end, 0));
      continue;
    }
    std::size_t size = PrimitiveSize(m.primitive);
    if (static_cast<std::size_t>(end - p) < size) return DXFILEERR_BADVALUE;
    if (IsString(m.primitive)) {
      const char* s = Load<const char*>(p);
      p += size;
      std::string_view string = s ? std::string_view(s) : std::string_view();
      if (text) {
        if (string.find('"') != std::string_view::npos) return DXFILEERR_BADVALUE;
        m_out += "\"";
        m_out += string;
        m_out += "\"";
      } else {
        Token(kString);
        Dword(static_cast<DWORD>(string.size()));
        m_out += string;
        m_out.append({static_cast<char>(kSemicolon), 0});
      }
      continue;
    }
    if (IsInteger(m.primitive) && m.dimensions.empty()) *value = static_cast<DWORD>(IntegerAt(m.primitive, p));
    Number(m.primitive, p);
    p += size;
  }
  return S_OK;
}

HRESULT Writer::WriteNumbers(const Member& m, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent) {
  if (m.dimensions.empty()) return S_FALSE;
  if (count == 0) return S_OK;
  const Template* type = m.type.get();
  const Primitive run = type ? type->run : m.primitive;
  if (run == Primitive::None || IsString(run)) return S_FALSE;
  bool text = m_encoding == Encoding::Text;
  // In text, a member that is an array has its own separators.
  if (text && type && !IsRecord(*type)) return S_FALSE;
  const std::uint64_t each = type ? type->runValues : 1;
  const std::size_t size = PrimitiveSize(run);
  if (count > static_cast<std::size_t>(end - p) / size / each) return S_FALSE;
  if (!text) {
    // A piece at a time, each drained, so that the output stays small.
    const std::size_t values = static_cast<std::size_t>(count * each);
    for (std::size_t done = 0; done < values;) {
      const std::size_t n = std::min(values - done, kListPiece);
      ListNumbers(run, p, n, ListValues(IsReal(run), n));
      p += n * size;
      done += n;
      RETURN_IF_FAILED(Drain());
    }
    return S_OK;
  }
  // The text goes to the sink a part at a time, as it would element by
  // element.
  const int spaces = indent > 0 ? indent : 0;
  const BYTE* values = p;
  const std::size_t stride = static_cast<std::size_t>(each) * size;
  p += static_cast<std::size_t>(count) * stride;
  auto drain = [this] { return Drain(); };
  if (!type) {
    // Parts start at a multiple of 16: an element's new line goes by its
    // place in the whole array.
    return TextInParts(
        m_out, count,
        [&](std::uint64_t first, std::uint64_t last, TextPieces& pieces) {
          pieces.BeforeValue(first, spaces);
          const BYTE* at = values + first * stride;
          pieces.Array(run, at, last - first, spaces);
        },
        drain);
  }
  return TextInParts(
      m_out, count,
      [&](std::uint64_t first, std::uint64_t last, TextPieces& pieces) {
        const BYTE* at = values + first * stride;
        for (std::uint64_t k = first; k < last; ++k) {
          pieces.BeforeRecord(k, spaces);
          pieces.Record(run, at, each);
        }
      },
      drain);
}

HRESULT Writer::WriteFlat(const Template& t, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent) {
  bool text = m_encoding == Encoding::Text;
  if (t.countedDwords) return WriteCountedDwords(count, p, end, indent);
  const int spaces = indent > 0 ? indent : 0;
  TextPieces pieces(m_out);
  // Binary: numbers passed over but not yet listed, all of one primitive.
  Primitive pending = Primitive::None;
  const BYTE* pendingFrom = p;
  std::size_t pendingCount = 0;
  auto list = [&] {
    if (pendingCount) ListNumbers(pending, pendingFrom, pendingCount, ListValues(IsReal(pending), pendingCount));
    pendingCount = 0;
  };
  // What each member is, worked out once for all the elements.
  struct SMember {
    const Member* member;
    Primitive primitive;
    std::uint64_t size;
    std::uint64_t values;  // of a record or a single number; 0: an array, counted in each element
    bool counts;           // a single integer, which a later array may be sized by
  };
  std::vector<SMember> members;
  members.reserve(t.members.size());
  for (const Member& m : t.members) {
    const bool single = m.dimensions.empty();
    const Primitive primitive = m.type ? m.type->run : m.primitive;
    const std::uint64_t values = m.type ? m.type->runValues : (single ? 1 : 0);
    members.push_back({&m, primitive, PrimitiveSize(primitive), values, !m.type && single && IsInteger(primitive)});
  }
  // Each element sets the counts before the arrays that they size.
  MemberValues counts(members.size());
  for (std::uint64_t k = 0; k < count; ++k) {
    if (k % kDrainEvery == 0) {
      pieces.Flush();
      list();
      RETURN_IF_FAILED(Drain());
    }
    if (text) pieces.BeforeRecord(k, spaces);
    for (std::size_t i = 0; i < members.size(); ++i) {
      const SMember& m = members[i];
      const std::uint64_t n = m.values ? m.values : ElementCount(*m.member, counts);
      if (n * m.size > static_cast<std::uint64_t>(end - p)) return DXFILEERR_BADVALUE;
      if (m.counts) counts[i] = static_cast<DWORD>(IntegerAt(m.primitive, p));
      if (text) {
        if (m.member->type) {
          pieces.Record(m.primitive, p, n);
        } else {
          pieces.Array(m.primitive, p, n, 0);
        }
        pieces.Put(';');
        continue;
      }
      if (pendingCount && m.primitive != pending) list();
      if (!pendingCount) {
        pending = m.primitive;
        pendingFrom = p;
      }
      pendingCount += static_cast<std::size_t>(n);
      p += n * m.size;
    }
  }
  pieces.Flush();
  list();
  return S_OK;
}

// Each instance's count and values are 32-bit integers, which in binary go
// into the integer list as they lie in the block (the counts only followed
// to find where the instances end), and in text are written as WriteFlat
// writes them.
HRESULT Writer::WriteCountedDwords(std::uint64_t count, const BYTE*& p, const BYTE* end, int indent) {
  const bool text = m_encoding == Encoding::Text;
  // Text: where every kDrainEvery-th instance starts.
  std::vector<const BYTE*> starts;
  for (std::uint64_t k = 0; k < count;) {
    if (!text) RETURN_IF_FAILED(Drain());
    const BYTE* from = p;
    const std::uint64_t last = std::min(count, k + kDrainEvery);
    if (text) starts.push_back(p);
    for (; k < last; ++k) {
      const std::size_t left = static_cast<std::size_t>(end - p) / 4;
      if (left == 0) return DXFILEERR_BADVALUE;
      const DWORD values = Load<DWORD>(p);
      if (values > left - 1) return DXFILEERR_BADVALUE;
      p += 4 * (std::size_t{1} + values);
    }
    if (!text) {
      const std::size_t values = static_cast<std::size_t>(p - from) / 4;
      ListNumbers(Primitive::Dword, from, values, ListValues(false, values));
    }
  }
  if (!text) return S_OK;
  const int spaces = indent > 0 ? indent : 0;
  return TextInParts(
      m_out, count,
      [&](std::uint64_t first, std::uint64_t last, TextPieces& pieces) {
        const BYTE* at = starts[first / kDrainEvery];
        for (std::uint64_t k = first; k < last; ++k) {
          pieces.BeforeRecord(k, spaces);
          pieces.CountedDwords(at);
          at += 4 * (std::size_t{1} + Load<DWORD>(at));
        }
      },
      [this] { return Drain(); });
}

}  // namespace xfile
