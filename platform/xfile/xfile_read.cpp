// Reading .x files: the header, the text and binary token streams, template
// declarations and data objects laid out by their templates.

#include <strings.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "dxfile.h"
#include "xfile_model.h"

namespace xfile {

namespace {

// Deepest nesting of data objects accepted in a file.
constexpr int kMaxObjectDepth = 256;
// Deepest nesting of template members accepted in a declaration.
constexpr int kMaxTemplateDepth = 32;

enum class Tok : std::uint8_t {
  End, Name, String, Integer, Real, Guid,
  OBrace, CBrace, OParen, CParen, OBracket, CBracket, OAngle, CAngle, Dot, Comma, Semicolon,
  Template, Array, Primitive,
};

struct Token {
  Tok kind = Tok::End;
  std::string_view text;  // Name, String, and Integer (as written)
  std::int64_t integer = 0;
  double real = 0;
  GUID guid{};
  xfile::Primitive primitive = xfile::Primitive::None;

  // As made anew, field by field: assigning a fresh token builds it aside
  // first, and that copy is most of a number's time in a text file.
  void Clear() {
    kind = Tok::End;
    text = {};
    integer = 0;
    real = 0;
    guid = GUID{};
    primitive = xfile::Primitive::None;
  }
};

// Bytes as little-endian values, read without alignment.
DWORD Read32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD Read16(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

// Copies n floats as a float read into a double and stored back as a float
// comes out: the same value, with a signalling NaN made quiet.
void CopyFloats(const BYTE* from, std::size_t n, BYTE* out) {
  if (out != from) std::memcpy(out, from, n * 4);
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t bits;
    std::memcpy(&bits, out + 4 * i, 4);
    if ((bits & 0x7f800000u) == 0x7f800000u && (bits & 0x007fffffu) != 0) {
      bits |= 0x00400000u;
      std::memcpy(out + 4 * i, &bits, 4);
    }
  }
}

struct Value {
  std::int64_t integer = 0;
  double real = 0;
  std::string_view text;
};

// Stores a number as primitive p (PrimitiveSize(p) bytes at out); an integer
// outside the primitive's range fails.
HRESULT StoreNumber(Primitive p, const Value& v, BYTE* out) {
  if (IsReal(p)) {
    if (p == Primitive::Float) {
      const float f = ToFloat(v.real);
      std::memcpy(out, &f, sizeof f);
    } else {
      std::memcpy(out, &v.real, sizeof v.real);
    }
    return S_OK;
  }
  const std::size_t size = PrimitiveSize(p);
  const std::int64_t low = -(std::int64_t{1} << (size * 8 - 1));
  const std::int64_t high = (std::int64_t{1} << (size * 8)) - 1;
  if (v.integer < low || v.integer > high) return DXFILEERR_BADVALUE;
  const std::uint64_t bits = static_cast<std::uint64_t>(v.integer);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<BYTE>(bits >> (8 * i));
  return S_OK;
}

// One token of look-ahead over a lexer's Read (Derived).
template <class Derived>
class Lexer {
 public:
  HRESULT Next(Token& t) {
    if (m_peeked) {
      m_peeked = false;
      t = m_peek;
      return S_OK;
    }
    return Self().Read(t);
  }
  HRESULT Peek(Token& t) {
    if (!m_peeked) {
      HRESULT hr = Self().Read(m_peek);
      if (FAILED(hr)) return hr;
      m_peeked = true;
    }
    t = m_peek;
    return S_OK;
  }

 protected:
  bool Peeked() const { return m_peeked; }

 private:
  Derived& Self() { return static_cast<Derived&>(*this); }
  Token m_peek;
  bool m_peeked = false;
};

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// Character classes of the file format, in ASCII whatever the locale.
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAlnum(unsigned char c) { return IsDigit(c) || IsLetter(c); }
bool IsNameStart(unsigned char c) { return IsLetter(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsAlnum(c) || c == '_' || c == '-' || c == '.' || c >= 0x80; }

// The buffer a file's text lies in when the parse may give back the pages it
// has passed (a buffer of win32::AllocateLarge of size bytes), or none.
struct SpentText {
  BYTE* memory = nullptr;
  std::size_t size = 0;
};

class TextLexer final : public Lexer<TextLexer> {
 public:
  // The text of a token stays readable until two more tokens (or list
  // values) have been read after it: what the parser keeps of a name or a
  // string it copies before then. Text behind the older of the last two
  // tokens read is given back to the system when spent names a buffer, in
  // whole large pages, one at a time, so that a file's text is not held
  // whole beside the blocks made of it. Without a buffer no token reaches
  // m_releaseAt, which is then the end.
  TextLexer(const char* begin, const char* end, SpentText spent = {})
      : m_p(begin), m_end(end), m_last(begin), m_held(begin), m_spent(spent) {
    m_releaseAt = spent.memory ? Ahead(begin, win32::kLargePageSize) : end;
  }

  std::size_t Remaining() const { return static_cast<std::size_t>(m_end - m_p); }
  // Text holds no lists of values.
  std::size_t IntegersAhead(const BYTE**) const { return 0; }
  // Up to n numbers of primitive p (not a string) read straight into out,
  // with the separators and blanks between them, as Read would give them;
  // *done tells how many. It stops before anything but a number, which the
  // token road then reads (or fails) as it stands.
  HRESULT ReadList(Primitive p, std::size_t n, BYTE* out, std::size_t* done) {
    *done = 0;
    if (Peeked()) return S_OK;
    const bool real = IsReal(p);
    const std::size_t size = PrimitiveSize(p);
    Token t;
    Value v;
    for (std::size_t k = 0; k < n; ++k) {
      for (;;) {
        SkipBlanks();
        if (m_p == m_end || (*m_p != ',' && *m_p != ';')) break;
        ++m_p;
      }
      if (!AtNumber()) return S_OK;
      Reached(m_p);
      HRESULT hr = Number(t);
      if (FAILED(hr)) return hr;
      if (t.kind == Tok::Integer) {
        v.integer = t.integer;
        v.real = t.real;
      } else if (t.kind == Tok::Real && real) {
        v.real = t.real;
      } else {
        return DXFILEERR_PARSEERROR;
      }
      hr = StoreNumber(p, v, out + k * size);
      if (FAILED(hr)) return hr;
      *done = k + 1;
    }
    return S_OK;
  }

  HRESULT Read(Token& t) {
    SkipBlanks();
    t.Clear();
    if (m_p == m_end) return S_OK;
    Reached(m_p);
    char c = *m_p;
    switch (c) {
      case '{': return Punct(t, Tok::OBrace);
      case '}': return Punct(t, Tok::CBrace);
      case '(': return Punct(t, Tok::OParen);
      case ')': return Punct(t, Tok::CParen);
      case '[': return Punct(t, Tok::OBracket);
      case ']': return Punct(t, Tok::CBracket);
      case ',': return Punct(t, Tok::Comma);
      case ';': return Punct(t, Tok::Semicolon);
      case '<': return AngleGuid(t);
      case '"': return QuotedString(t);
      default: break;
    }
    if (c == '.' && !(m_end - m_p > 1 && IsDigit(static_cast<unsigned char>(m_p[1])))) return Punct(t, Tok::Dot);
    if (IsHex(c) && BareGuid(t)) return S_OK;
    if (IsNumberStart(c)) return Number(t);
    if (IsNameStart(static_cast<unsigned char>(c))) {
      const char* start = m_p;
      while (m_p != m_end && IsNameChar(static_cast<unsigned char>(*m_p))) ++m_p;
      t.kind = Tok::Name;
      t.text = std::string_view(start, static_cast<std::size_t>(m_p - start));
      return S_OK;
    }
    return DXFILEERR_PARSEERROR;
  }

 private:
  // bytes past from, or the end when it is nearer.
  const char* Ahead(const char* from, std::size_t bytes) const {
    return static_cast<std::size_t>(m_end - from) > bytes ? from + bytes : m_end;
  }

  // A token (or a list value) begins at start.
  void Reached(const char* start) {
    m_held = m_last;
    m_last = start;
    if (start >= m_releaseAt) Release();
  }

  // Gives back the whole large pages of the buffer before the older of the
  // last two tokens read (a large page is also where the buffer's mapping is
  // aligned, so no large page is split).
  void Release() {
    m_releaseAt = Ahead(m_last, win32::kLargePageSize);
    const auto* base = reinterpret_cast<const char*>(m_spent.memory);
    const std::size_t upTo = static_cast<std::size_t>(m_held - base) & ~(win32::kLargePageSize - 1);
    if (upTo <= m_released) return;
    win32::ReleasePages(m_spent.memory, m_spent.size, m_released, upTo - m_released);
    m_released = upTo;
  }

  static bool IsNumberStart(char c) { return IsDigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.'; }

  // Whether Read, at the current place, would read a number (or fail one).
  bool AtNumber() const {
    if (m_p == m_end || !IsNumberStart(*m_p)) return false;
    if (*m_p == '.' && !(m_end - m_p > 1 && IsDigit(static_cast<unsigned char>(m_p[1])))) return false;
    // What may be an identifier written without brackets goes the token road.
    return !(IsHex(*m_p) && static_cast<std::size_t>(m_end - m_p) >= kGuidLength && m_p[8] == '-');
  }

  void SkipBlanks() {
    while (m_p != m_end) {
      unsigned char c = static_cast<unsigned char>(*m_p);
      if (c <= ' ') {
        ++m_p;
      } else if (c == '#' || (c == '/' && m_end - m_p > 1 && m_p[1] == '/')) {
        const void* eol = std::memchr(m_p, '\n', static_cast<std::size_t>(m_end - m_p));
        m_p = eol ? static_cast<const char*>(eol) + 1 : m_end;
      } else {
        return;
      }
    }
  }

  HRESULT Punct(Token& t, Tok kind) {
    ++m_p;
    t.kind = kind;
    return S_OK;
  }

  HRESULT AngleGuid(Token& t) {
    const char* close = static_cast<const char*>(std::memchr(m_p, '>', std::min<std::size_t>(m_end - m_p, 64)));
    if (!close) return DXFILEERR_PARSEERROR;
    std::string text(m_p + 1, close);
    std::size_t first = text.find_first_not_of(" \t\r\n");
    std::size_t last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    if (!GuidFromString(text.c_str(), &t.guid)) return DXFILEERR_PARSEERROR;
    t.kind = Tok::Guid;
    m_p = close + 1;
    return S_OK;
  }

  // An identifier written without angle brackets, as a reference may hold.
  static constexpr std::size_t kGuidLength = 36;
  bool BareGuid(Token& t) {
    constexpr std::size_t kLength = kGuidLength;
    if (static_cast<std::size_t>(m_end - m_p) < kLength || m_p[8] != '-') return false;
    for (std::size_t i = 0; i < kLength; ++i) {
      bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      if (dash ? m_p[i] != '-' : !IsHex(m_p[i])) return false;
    }
    if (static_cast<std::size_t>(m_end - m_p) > kLength && IsNameChar(static_cast<unsigned char>(m_p[kLength])))
      return false;
    std::string text(m_p, kLength);
    if (!GuidFromString(text.c_str(), &t.guid)) return false;
    t.kind = Tok::Guid;
    m_p += kLength;
    return true;
  }

  HRESULT QuotedString(Token& t) {
    const char* start = m_p + 1;
    const void* close = std::memchr(start, '"', static_cast<std::size_t>(m_end - start));
    if (!close) return DXFILEERR_PARSEERROR;
    t.kind = Tok::String;
    t.text = std::string_view(start, static_cast<std::size_t>(static_cast<const char*>(close) - start));
    m_p = static_cast<const char*>(close) + 1;
    return S_OK;
  }

  HRESULT Number(Token& t) {
    const char* start = m_p;
    const char* p = m_p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    const char* digits = p;
    auto isDigit = [&](const char* q) { return q != m_end && IsDigit(static_cast<unsigned char>(*q)); };
    while (isDigit(p)) ++p;
    bool real = false;
    if (p != m_end && *p == '.') {
      real = true;
      ++p;
      while (isDigit(p)) ++p;
    }
    if (p == digits || (real && p == digits + 1 && !isDigit(digits))) return DXFILEERR_PARSEERROR;
    if (p != m_end && (*p == 'e' || *p == 'E')) {
      const char* q = p + 1;
      if (q != m_end && (*q == '+' || *q == '-')) ++q;
      if (isDigit(q)) {
        real = true;
        p = q;
        while (isDigit(p)) ++p;
      }
    }
    if (p != m_end && *p == '#') {
      // "1.#INF00", "-1.#IND00", "1.#QNAN0": special values as printed on Windows.
      const char* word = ++p;
      while (p != m_end && IsAlnum(static_cast<unsigned char>(*p))) ++p;
      bool infinite = p - word >= 3 && std::strncmp(word, "INF", 3) == 0;
      t.kind = Tok::Real;
      t.real = infinite ? (negative ? -HUGE_VAL : HUGE_VAL) : std::numeric_limits<double>::quiet_NaN();
      m_p = p;
      return S_OK;
    }
    if (!real && p != m_end && IsNameStart(static_cast<unsigned char>(*p)) && !negative) {
      // A name that begins with digits, such as "01_Bone".
      while (p != m_end && IsNameChar(static_cast<unsigned char>(*p))) ++p;
      t.kind = Tok::Name;
      t.text = std::string_view(start, static_cast<std::size_t>(p - start));
      m_p = p;
      return S_OK;
    }
    const char* from = *start == '+' ? start + 1 : start;
    if (real) {
      auto [end, ec] = std::from_chars(from, p, t.real);
      if (ec == std::errc::result_out_of_range) {
        t.real = negative ? -HUGE_VAL : HUGE_VAL;
      } else if (ec != std::errc() || end != p) {
        return DXFILEERR_PARSEERROR;
      }
      t.kind = Tok::Real;
    } else {
      auto [end, ec] = std::from_chars(from, p, t.integer);
      if (ec != std::errc() || end != p) return DXFILEERR_PARSEERROR;
      t.kind = Tok::Integer;
      t.real = static_cast<double>(t.integer);
      t.text = std::string_view(start, static_cast<std::size_t>(p - start));
    }
    m_p = p;
    return S_OK;
  }

  const char* m_p;
  const char* m_end;
  const char* m_last;          // where the last token read begins
  const char* m_held;          // where the token before it begins
  SpentText m_spent;
  const char* m_releaseAt;     // where a token starts the next release
  std::size_t m_released = 0;  // bytes of m_spent given back from its start
};

class BinaryLexer final : public Lexer<BinaryLexer> {
 public:
  BinaryLexer(const BYTE* begin, const BYTE* end, std::size_t floatSize)
      : m_p(begin), m_end(end), m_floatSize(floatSize) {}

  std::size_t Remaining() const { return Left(); }

  // The values left in the integer list being read (32-bit, little-endian,
  // at *values); 0 outside one. Nothing is read.
  std::size_t IntegersAhead(const BYTE** values) const {
    if (Peeked() || m_listIsFloat) return 0;
    *values = m_p;
    return m_listLeft;
  }

  // Up to n values of primitive p taken straight from the integer or float
  // list being read, as the token road would store them; *done tells how many
  // (none outside a list, or when the list holds no values for p). At the end
  // of a list, separators and the head of the next list are passed over as
  // the token road passes them.
  HRESULT ReadList(Primitive p, std::size_t n, BYTE* out, std::size_t* done) {
    *done = 0;
    if (Peeked()) return S_OK;
    while (m_listLeft == 0 && Left() >= 2) {
      const WORD code = Read16(m_p);
      if (code != 6 && code != 7 && code != 19 && code != 20) return S_OK;
      m_p += 2;
      if (code == 19 || code == 20) continue;
      m_listIsFloat = code == 7;
      HRESULT hr = Count(&m_listLeft, m_listIsFloat ? m_floatSize : 4);
      if (FAILED(hr)) return hr;
    }
    if (m_listLeft == 0) return S_OK;
    const std::size_t k = std::min<std::size_t>(n, m_listLeft);
    if (m_listIsFloat) {
      if (p == xfile::Primitive::Float && m_floatSize == 4) {
        CopyFloats(m_p, k, out);
      } else if (p == xfile::Primitive::Double && m_floatSize == 8) {
        std::memcpy(out, m_p, k * 8);
      } else if (p == xfile::Primitive::Float) {
        for (std::size_t i = 0; i < k; ++i) {
          double d;
          std::memcpy(&d, m_p + 8 * i, 8);
          const float f = ToFloat(d);
          std::memcpy(out + 4 * i, &f, 4);
        }
      } else if (p == xfile::Primitive::Double) {
        for (std::size_t i = 0; i < k; ++i) {
          float f;
          std::memcpy(&f, m_p + 4 * i, 4);
          const double d = f;
          std::memcpy(out + 8 * i, &d, 8);
        }
      } else {
        return S_OK;  // an integer member: the token road fails it
      }
      m_p += k * m_floatSize;
    } else {
      if (p == xfile::Primitive::Float) {
        for (std::size_t i = 0; i < k; ++i) {
          const float f = ToFloat(static_cast<double>(Read32(m_p + 4 * i)));
          std::memcpy(out + 4 * i, &f, 4);
        }
      } else if (p == xfile::Primitive::Double) {
        for (std::size_t i = 0; i < k; ++i) {
          const double d = static_cast<double>(Read32(m_p + 4 * i));
          std::memcpy(out + 8 * i, &d, 8);
        }
      } else if (PrimitiveSize(p) == 4) {
        std::memcpy(out, m_p, k * 4);
      } else {
        const std::size_t size = PrimitiveSize(p);
        const DWORD high = (DWORD{1} << (size * 8)) - 1;
        for (std::size_t i = 0; i < k; ++i) {
          const DWORD value = Read32(m_p + 4 * i);
          if (value > high) return DXFILEERR_BADVALUE;
          for (std::size_t b = 0; b < size; ++b) out[size * i + b] = static_cast<BYTE>(value >> (8 * b));
        }
      }
      m_p += k * 4;
    }
    m_listLeft -= static_cast<DWORD>(k);
    *done = k;
    return S_OK;
  }

  HRESULT Read(Token& t) {
    if (m_listLeft == 0) t.Clear();
    while (m_listLeft == 0) {
      if (m_p == m_end) return S_OK;
      if (Left() < 2) return DXFILEERR_PARSEERROR;
      WORD code = Read16(m_p);
      m_p += 2;
      switch (code) {
        case 1:  // name
        case 2:  // string
        {
          DWORD count = 0;
          HRESULT hr = Count(&count, 1);
          if (FAILED(hr)) return hr;
          t.kind = code == 1 ? Tok::Name : Tok::String;
          t.text = std::string_view(reinterpret_cast<const char*>(m_p), count);
          m_p += count;
          if (code == 2) {
            if (Left() < 2) return DXFILEERR_PARSEERROR;
            WORD terminator = Read16(m_p);
            if (terminator != 19 && terminator != 20) return DXFILEERR_PARSEERROR;
            m_p += 2;
            // Some writers store the terminator as a DWORD; no token is 0.
            if (Left() >= 2 && Read16(m_p) == 0) m_p += 2;
          }
          return S_OK;
        }
        case 3:  // integer
          if (Left() < 4) return DXFILEERR_PARSEERROR;
          t.kind = Tok::Integer;
          t.integer = Read32(m_p);
          t.real = static_cast<double>(t.integer);
          m_p += 4;
          return S_OK;
        case 5:  // GUID
          if (Left() < 16) return DXFILEERR_PARSEERROR;
          t.kind = Tok::Guid;
          t.guid.Data1 = Read32(m_p);
          t.guid.Data2 = Read16(m_p + 4);
          t.guid.Data3 = Read16(m_p + 6);
          std::memcpy(t.guid.Data4, m_p + 8, 8);
          m_p += 16;
          return S_OK;
        case 6:  // integer list
        case 7:  // float list
        {
          m_listIsFloat = code == 7;
          HRESULT hr = Count(&m_listLeft, m_listIsFloat ? m_floatSize : 4);
          if (FAILED(hr)) return hr;
          break;
        }
        case 10: t.kind = Tok::OBrace; return S_OK;
        case 11: t.kind = Tok::CBrace; return S_OK;
        case 12: t.kind = Tok::OParen; return S_OK;
        case 13: t.kind = Tok::CParen; return S_OK;
        case 14: t.kind = Tok::OBracket; return S_OK;
        case 15: t.kind = Tok::CBracket; return S_OK;
        case 16: t.kind = Tok::OAngle; return S_OK;
        case 17: t.kind = Tok::CAngle; return S_OK;
        case 18: t.kind = Tok::Dot; return S_OK;
        case 19: t.kind = Tok::Comma; return S_OK;
        case 20: t.kind = Tok::Semicolon; return S_OK;
        case 31: t.kind = Tok::Template; return S_OK;
        case 52: t.kind = Tok::Array; return S_OK;
        default:
          if (code >= 40 && code <= 51 && code != 48) {
            static constexpr xfile::Primitive kTypes[] = {
                xfile::Primitive::Word,   xfile::Primitive::Dword,  xfile::Primitive::Float,
                xfile::Primitive::Double, xfile::Primitive::Char,   xfile::Primitive::Uchar,
                xfile::Primitive::Sword,  xfile::Primitive::Sdword, xfile::Primitive::None,
                xfile::Primitive::String, xfile::Primitive::Unicode, xfile::Primitive::Cstring};
            t.kind = Tok::Primitive;
            t.primitive = kTypes[code - 40];
            return S_OK;
          }
          return DXFILEERR_PARSEERROR;
      }
    }
    --m_listLeft;
    if (!m_listIsFloat) {
      t.kind = Tok::Integer;
      t.integer = Read32(m_p);
      t.real = static_cast<double>(t.integer);
      m_p += 4;
    } else if (m_floatSize == 4) {
      float f;
      std::memcpy(&f, m_p, 4);
      t.kind = Tok::Real;
      t.real = f;
      m_p += 4;
    } else {
      std::memcpy(&t.real, m_p, 8);
      t.kind = Tok::Real;
      m_p += 8;
    }
    return S_OK;
  }

 private:
  std::size_t Left() const { return static_cast<std::size_t>(m_end - m_p); }
  // A count followed by that many items of itemSize bytes.
  HRESULT Count(DWORD* count, std::size_t itemSize) {
    if (Left() < 4) return DXFILEERR_PARSEERROR;
    *count = Read32(m_p);
    m_p += 4;
    if (static_cast<std::uint64_t>(*count) * itemSize > Left()) return DXFILEERR_PARSEERROR;
    return S_OK;
  }

  const BYTE* m_p;
  const BYTE* m_end;
  std::size_t m_floatSize;
  DWORD m_listLeft = 0;
  bool m_listIsFloat = false;
};

#define RETURN_IF_FAILED(expr)       \
  do {                               \
    HRESULT hr_ = (expr);            \
    if (FAILED(hr_)) return hr_;     \
  } while (false)

// Appends values to a node's block by the template's layout. Budget bounds the
// values and array elements one fill may produce. Arrays are sized before they
// are filled, and arrays of numbers, of faces and of IndexedColors are read
// as runs straight into the block; both give the block, the errors and the
// budget that value-by-value reading gives.
class InPlaceSource;

template <class Source>
class BlockFiller {
 public:
  BlockFiller(Source& source, Node& node, std::uint64_t& budget) : m_source(source), m_node(node), m_budget(budget) {}

  HRESULT Fill(const Template& t, bool top) {
    MemberValues counts(t.members.size());
    if (top) m_node.offsets.reserve(t.members.size() + 1);
    for (std::size_t i = 0; i < t.members.size(); ++i) {
      const Member& m = t.members[i];
      if (top) m_node.offsets.push_back(static_cast<DWORD>(m_node.block.size()));
      HRESULT hr = S_OK;
      if (m.dimensions.empty()) {
        hr = Single(m, &counts[i]);
      } else {
        std::uint64_t count = ElementCount(m, counts);
        if (count > m_budget) return DXFILEERR_BADARRAYSIZE;
        m_budget -= count;
        hr = Elements(m, count);
      }
      if (FAILED(hr)) return hr;
    }
    if (top) m_node.offsets.push_back(static_cast<DWORD>(m_node.block.size()));
    if (m_node.block.size() > std::numeric_limits<DWORD>::max()) return DXFILEERR_BADARRAYSIZE;
    return S_OK;
  }

 private:
  // The elements of an array member, its count already charged.
  HRESULT Elements(const Member& m, std::uint64_t count) {
    if (count == 0) return S_OK;
    const Template* type = m.type.get();
    const Primitive run = type ? type->run : m.primitive;
    if (run != Primitive::None && !IsString(run)) {
      const std::uint64_t values = count * (type ? type->runValues : 1);
      const std::uint64_t cost = count * (type ? type->runCost : 1);
      // Every value takes at least a byte of the source; a run that cannot
      // be there, or that the budget cannot pay for, is read value by value
      // to fail where that reading fails.
      if (cost <= m_budget && values <= m_source.Remaining()) {
        m_budget -= cost;
        return Run(run, static_cast<std::size_t>(values));
      }
    }
    // Instances that are a run a member (IndexedColors) store and cost what
    // Single gives them one by one; the source must hold their bytes.
    if (type && type->singleMembers && !type->singleValues && type->blockSize != Template::kVaries) {
      const std::uint64_t cost = count * (1 + type->singleMembersCost);
      if (cost <= m_budget && count <= m_source.Remaining() / type->blockSize) {
        m_budget -= cost;
        return Stored(Members(*type, static_cast<std::size_t>(count)));
      }
    }
    const std::size_t elementSize = type ? type->blockSize : PrimitiveSize(m.primitive);
    if (elementSize != Template::kVaries) Reserve(count, elementSize);
    const std::size_t before = m_node.block.size();
    HRESULT hr = S_OK;
    for (std::uint64_t k = 0; k < count && SUCCEEDED(hr);) {
      // After the first, faces that a binary list holds whole come in one copy.
      std::uint64_t taken = 0;
      if (k > 0 && type && type->countedDwords) hr = TakeCountedDwords(count - k, &taken);
      if (!taken && SUCCEEDED(hr)) {
        hr = Single(m, nullptr);
        taken = 1;
      }
      // Elements whose size varies are sized like the first one.
      if (k == 0 && elementSize == Template::kVaries) Reserve(count - 1, m_node.block.size() - before);
      k += taken;
    }
    return hr;
  }

  // Room for count more elements of elementSize bytes, as far as the source
  // can hold them (a value takes at most 8 bytes of a block).
  void Reserve(std::uint64_t count, std::size_t elementSize) {
    // A block filled where it lies has its room, and must not move.
    if constexpr (std::is_same_v<Source, InPlaceSource>) return;
    Bytes& block = m_node.block;
    const std::uint64_t most = 8 * static_cast<std::uint64_t>(m_source.Remaining()) + 64;
    const std::uint64_t wanted = elementSize && count > most / elementSize ? most : count * elementSize;
    if (block.capacity() - block.size() >= wanted) return;
    block.reserve(block.size() + static_cast<std::size_t>(wanted));
    // The new room's pages come in one go, as far as the source has bytes
    // left: the values of a binary source take as many in the block, and a
    // false count costs no more memory than that.
    win32::PrepareToFill(block.data(), block.capacity(), block.size(),
                         std::min<std::uint64_t>(wanted, m_source.Remaining()));
  }

  // Room for bytes more that are written at once (their values checked
  // against the source), grown as a resize grows it; the new room's pages
  // come in one go.
  void Grow(std::size_t bytes) {
    Bytes& block = m_node.block;
    if (block.capacity() - block.size() >= bytes) return;
    block.reserve(std::max(block.size() + bytes, 2 * block.size()));
    win32::PrepareToFill(block.data(), block.capacity(), block.size(), bytes);
  }

  // Up to most instances of a countedDwords template (faces), as many as the
  // source's integer list holds whole one after another, taken in one copy:
  // they lie in the block as in the list, and each costs the budget what
  // Single charges it. *taken tells how many; none when the list does not
  // hold the next one whole or the budget falls short, and Single then reads
  // it, or fails, its own way.
  HRESULT TakeCountedDwords(std::uint64_t most, std::uint64_t* taken) {
    *taken = 0;
    const BYTE* values = nullptr;
    const std::size_t ahead = m_source.IntegersAhead(&values);
    std::size_t used = 0;
    std::uint64_t cost = 0;
    while (*taken < most && used < ahead) {
      const DWORD n = Read32(values + 4 * used);
      // The instance and its count cost one each, the array its elements
      // twice (as elements and as the run's values).
      const std::uint64_t each = 2 + 2 * std::uint64_t{n};
      if (n > ahead - used - 1 || each > m_budget - cost) break;
      cost += each;
      used += 1 + std::size_t{n};
      ++*taken;
    }
    if (!used) return S_OK;
    m_budget -= cost;
    return Stored(Run(Primitive::Dword, used));
  }

  // The result of storing values, or the block grown past what it may hold.
  HRESULT Stored(HRESULT hr) const {
    if (SUCCEEDED(hr) && m_node.block.size() > std::numeric_limits<DWORD>::max()) return DXFILEERR_BADARRAYSIZE;
    return hr;
  }

  // n values of numeric primitive p, stored one after another.
  HRESULT Run(Primitive p, std::size_t n) {
    Bytes& block = m_node.block;
    const std::size_t at = block.size();
    Grow(n * PrimitiveSize(p));
    block.resize(at + n * PrimitiveSize(p));
    HRESULT hr = m_source.ReadRun(p, n, block.data() + at);
    if (FAILED(hr)) block.resize(at);
    return hr;
  }

  // count instances of a singleMembers template, each a run a member,
  // stored one after another.
  HRESULT Members(const Template& type, std::size_t count) {
    Bytes& block = m_node.block;
    const std::size_t at = block.size();
    Grow(count * type.blockSize);
    block.resize(at + count * type.blockSize);
    BYTE* out = block.data() + at;
    for (std::size_t k = 0; k < count; ++k) {
      for (const Member& member : type.members) {
        const Template* values = member.type.get();
        const Primitive p = values ? values->run : member.primitive;
        const std::size_t n = values ? static_cast<std::size_t>(values->runValues) : 1;
        const HRESULT hr = m_source.ReadRun(p, n, out);
        if (FAILED(hr)) {
          block.resize(at);
          return hr;
        }
        out += n * PrimitiveSize(p);
      }
    }
    return S_OK;
  }

  HRESULT Single(const Member& m, DWORD* count) {
    // A template member costs the budget too: templates of two members of
    // the template below, nested deep, ask for no values but for billions
    // of steps.
    if (m_budget == 0) return DXFILEERR_BADARRAYSIZE;
    --m_budget;
    if (m.primitive == Primitive::None) {
      const Template& type = *m.type;
      // Its members one by one would store and charge the same: a run of all
      // its values, or a run a member.
      if (type.singleValues && type.runCost <= m_budget) {
        m_budget -= type.runCost;
        return Stored(Run(type.run, static_cast<std::size_t>(type.runValues)));
      }
      if (!type.singleMembers || type.singleMembersCost > m_budget) return Fill(type, false);
      m_budget -= type.singleMembersCost;
      for (const Member& member : type.members) {
        const Template* values = member.type.get();
        RETURN_IF_FAILED(Stored(values ? Run(values->run, static_cast<std::size_t>(values->runValues))
                                       : Run(member.primitive, 1)));
      }
      return S_OK;
    }
    const bool counted = count && IsInteger(m.primitive);
    if (!IsString(m.primitive) && !(counted && PrimitiveSize(m.primitive) != 4)) {
      // A run of one; a 4-byte count is the value stored.
      const std::size_t at = m_node.block.size();
      RETURN_IF_FAILED(Run(m.primitive, 1));
      if (counted) std::memcpy(count, m_node.block.data() + at, sizeof(DWORD));
      return S_OK;
    }
    Value v;
    RETURN_IF_FAILED(m_source.Read(m.primitive, v));
    if (IsString(m.primitive)) return AppendString(v.text);
    BYTE bytes[sizeof(double)];
    RETURN_IF_FAILED(StoreNumber(m.primitive, v, bytes));
    if (count && IsInteger(m.primitive)) *count = static_cast<DWORD>(v.integer);
    AppendBytes(bytes, PrimitiveSize(m.primitive));
    return S_OK;
  }

  void AppendBytes(const void* bytes, std::size_t size) {
    Bytes& block = m_node.block;
    const std::size_t at = block.size();
    block.resize(at + size);
    std::memcpy(block.data() + at, bytes, size);
  }

  HRESULT AppendString(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    char* pointer = copy.get();
    m_node.strings.push_back(std::move(copy));
    AppendBytes(&pointer, sizeof pointer);
    return S_OK;
  }

  Source& m_source;
  Node& m_node;
  std::uint64_t& m_budget;
};

// Values from the token stream of a file; separators between them are skipped.
template <class TokenLexer>
class TokenSource {
 public:
  explicit TokenSource(TokenLexer& lexer) : m_lexer(lexer) {}

  std::size_t Remaining() const { return m_lexer.Remaining(); }
  std::size_t IntegersAhead(const BYTE** values) const { return m_lexer.IntegersAhead(values); }

  HRESULT Read(Primitive p, Value& v) {
    Token t;
    do {
      HRESULT hr = m_lexer.Next(t);
      if (FAILED(hr)) return hr;
    } while (t.kind == Tok::Comma || t.kind == Tok::Semicolon);
    if (IsString(p)) {
      if (t.kind != Tok::String) return DXFILEERR_PARSEERROR;
      v.text = t.text;
    } else if (IsReal(p)) {
      if (t.kind != Tok::Real && t.kind != Tok::Integer) return DXFILEERR_PARSEERROR;
      v.real = t.real;
    } else {
      if (t.kind != Tok::Integer) return DXFILEERR_PARSEERROR;
      v.integer = t.integer;
    }
    return S_OK;
  }

  // n numbers of primitive p into out: from the lexer's list where it has
  // one, token by token elsewhere.
  HRESULT ReadRun(Primitive p, std::size_t n, BYTE* out) {
    const std::size_t size = PrimitiveSize(p);
    while (n) {
      std::size_t done = 0;
      RETURN_IF_FAILED(m_lexer.ReadList(p, n, out, &done));
      if (!done) {
        Value v;
        RETURN_IF_FAILED(Read(p, v));
        RETURN_IF_FAILED(StoreNumber(p, v, out));
        done = 1;
      }
      n -= done;
      out += done * size;
    }
    return S_OK;
  }

 private:
  TokenLexer& m_lexer;
};

// Values from a block in memory, packed by the template's layout. The block
// is read no further than its size: counts inside it decide how much the
// layout takes, and a count larger than the block fails the read.
class MemorySource {
 public:
  MemorySource(const BYTE* p, std::size_t size) : m_p(p), m_left(p ? size : 0) {}

  std::size_t Remaining() const { return m_left; }
  // Every whole 32-bit value left, at *values: faces lie in a block as in a
  // file's integer list (this platform stores them little-endian), so they
  // are taken in runs the same way.
  std::size_t IntegersAhead(const BYTE** values) const {
    static_assert(std::endian::native == std::endian::little);
    *values = m_p;
    return m_left / sizeof(DWORD);
  }

  HRESULT Read(Primitive p, Value& v) {
    bool read = false;
    switch (p) {
      case Primitive::Word: read = Load<WORD>(v.integer); break;
      case Primitive::Sword: read = Load<SHORT>(v.integer); break;
      case Primitive::Dword: read = Load<DWORD>(v.integer); break;
      case Primitive::Sdword: read = Load<LONG>(v.integer); break;
      case Primitive::Char: read = Load<signed char>(v.integer); break;
      case Primitive::Uchar:
      case Primitive::Byte: read = Load<unsigned char>(v.integer); break;
      case Primitive::Float: read = Load<float>(v.real); break;
      case Primitive::Double: read = Load<double>(v.real); break;
      case Primitive::String:
      case Primitive::Cstring:
      case Primitive::Unicode: {
        const char* s = nullptr;
        read = Load<const char*>(s);
        v.text = s ? std::string_view(s) : std::string_view();
        break;
      }
      case Primitive::None: return DXFILEERR_BADVALUE;
    }
    return read ? S_OK : DXFILEERR_BADVALUE;
  }

  // n numbers of primitive p, laid out in memory as in the block: every
  // integer fits its own type, so only floats change (a signalling NaN
  // becomes quiet, as through Read).
  HRESULT ReadRun(Primitive p, std::size_t n, BYTE* out) {
    const std::size_t size = PrimitiveSize(p);
    if (n > m_left / size) return DXFILEERR_BADVALUE;
    if (p == Primitive::Float) {
      CopyFloats(m_p, n, out);
    } else if (out != m_p) {
      std::memcpy(out, m_p, n * size);
    }
    m_p += n * size;
    m_left -= n * size;
    return S_OK;
  }

 private:
  template <class T, class Out>
  bool Load(Out& out) {
    if (m_left < sizeof(T)) return false;
    T value;
    std::memcpy(&value, m_p, sizeof(T));
    m_p += sizeof(T);
    m_left -= sizeof(T);
    out = value;
    return true;
  }
  const BYTE* m_p;
  std::size_t m_left;
};

// The bytes of the block being filled, read from its start: every value is
// as long in memory as in the block, so each one is stored where it was read
// (in the bytes already read), and a run that lies where it goes stays.
class InPlaceSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
};

// A name token spelling the word in any case.
bool IsWord(const Token& t, std::string_view word) {
  return t.kind == Tok::Name && t.text.size() == word.size() &&
         strncasecmp(t.text.data(), word.data(), word.size()) == 0;
}

// A keyword: its own token in binary files, a word in text files.
bool IsKeyword(const Token& t, Tok binaryKind, std::string_view word) {
  return t.kind == binaryKind || IsWord(t, word);
}

template <class TokenLexer>
class Parser {
 public:
  Parser(TokenLexer& lexer, TemplateSet& templates, std::vector<TemplatePtr>* declared, Document* document,
         std::uint64_t budget)
      : m_lexer(lexer), m_templates(templates), m_declared(declared), m_document(document), m_budget(budget) {}

  // The bytes of the blocks read so far.
  std::size_t BlockBytes() const { return m_blockBytes; }

  HRESULT ParseAll() {
    for (;;) {
      Token t;
      RETURN_IF_FAILED(m_lexer.Next(t));
      if (t.kind == Tok::End) return S_OK;
      if (IsKeyword(t, Tok::Template, "template")) {
        RETURN_IF_FAILED(ParseTemplate());
      } else if ((t.kind == Tok::Name || t.kind == Tok::Primitive) && m_document) {
        NodePtr node;
        RETURN_IF_FAILED(ParseObject(Identifier(t), 0, &node));
        m_document->top.push_back(std::move(node));
      } else {
        return DXFILEERR_PARSEERROR;
      }
    }
  }

 private:
  static std::string_view Identifier(const Token& t) {
    return t.kind == Tok::Primitive ? std::string_view(PrimitiveName(t.primitive)) : t.text;
  }

  HRESULT Expect(Tok kind, Token* out = nullptr) {
    Token t;
    RETURN_IF_FAILED(m_lexer.Next(t));
    if (t.kind != kind) return DXFILEERR_PARSEERROR;
    if (out) *out = t;
    return S_OK;
  }

  HRESULT ParseTemplate() {
    auto t = std::make_shared<Template>();
    Token name;
    RETURN_IF_FAILED(Expect(Tok::Name, &name));
    t->name = std::string(name.text);
    RETURN_IF_FAILED(Expect(Tok::OBrace));
    Token id;
    RETURN_IF_FAILED(Expect(Tok::Guid, &id));
    t->id = id.guid;
    for (;;) {
      Token tok;
      RETURN_IF_FAILED(m_lexer.Next(tok));
      if (tok.kind == Tok::CBrace) break;
      if (tok.kind == Tok::Semicolon) continue;
      if (tok.kind == Tok::OBracket) {
        RETURN_IF_FAILED(ParseRestrictions(*t));
        RETURN_IF_FAILED(Expect(Tok::CBrace));
        break;
      }
      RETURN_IF_FAILED(ParseMember(*t, tok));
    }
    if (t->depth > kMaxTemplateDepth) return DXFILEERR_PARSEERROR;
    t->Measure();
    m_templates.Add(t);
    if (m_declared) m_declared->push_back(t);
    return S_OK;
  }

  HRESULT MemberType(const Token& tok, Member& m, int* depth) {
    if (tok.kind == Tok::Primitive) {
      if (tok.primitive == Primitive::None) return DXFILEERR_PARSEERROR;
      m.primitive = tok.primitive;
      return S_OK;
    }
    if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
    if (PrimitiveFromName(tok.text, &m.primitive)) return S_OK;
    m.type = m_templates.Find(tok.text);
    if (!m.type) return DXFILEERR_NOTEMPLATE;
    m.primitive = Primitive::None;
    *depth = std::max(*depth, m.type->depth + 1);
    return S_OK;
  }

  HRESULT ParseMember(Template& t, const Token& first) {
    Member m;
    bool array = IsKeyword(first, Tok::Array, "array");
    Token type = first;
    if (array) RETURN_IF_FAILED(m_lexer.Next(type));
    RETURN_IF_FAILED(MemberType(type, m, &t.depth));
    Token tok;
    RETURN_IF_FAILED(m_lexer.Peek(tok));
    if (tok.kind == Tok::Name) {
      m_lexer.Next(tok);
      m.name = std::string(tok.text);
    } else if (array) {
      return DXFILEERR_PARSEERROR;
    }
    while (array) {
      RETURN_IF_FAILED(m_lexer.Peek(tok));
      if (tok.kind != Tok::OBracket) break;
      m_lexer.Next(tok);
      RETURN_IF_FAILED(m_lexer.Next(tok));
      Dimension d;
      if (tok.kind == Tok::Integer) {
        if (tok.integer < 0 || tok.integer > std::numeric_limits<DWORD>::max()) return DXFILEERR_BADARRAYSIZE;
        d.fixed = static_cast<DWORD>(tok.integer);
      } else if (tok.kind == Tok::Name) {
        d.member = t.MemberIndex(tok.text);
        if (d.member < 0) return DXFILEERR_PARSEERROR;
        const Member& counter = t.members[d.member];
        if (!IsInteger(counter.primitive) || !counter.dimensions.empty()) return DXFILEERR_PARSEERROR;
      } else {
        return DXFILEERR_PARSEERROR;
      }
      m.dimensions.push_back(d);
      RETURN_IF_FAILED(Expect(Tok::CBracket));
    }
    if (array && m.dimensions.empty()) return DXFILEERR_PARSEERROR;
    RETURN_IF_FAILED(Expect(Tok::Semicolon));
    t.members.push_back(std::move(m));
    return S_OK;
  }

  HRESULT ParseRestrictions(Template& t) {
    Token tok;
    RETURN_IF_FAILED(m_lexer.Next(tok));
    if (tok.kind == Tok::Dot) {
      RETURN_IF_FAILED(Expect(Tok::Dot));
      RETURN_IF_FAILED(Expect(Tok::Dot));
      RETURN_IF_FAILED(Expect(Tok::CBracket));
      t.openness = Openness::Open;
      return S_OK;
    }
    t.openness = Openness::Restricted;
    for (;;) {
      if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
      if (IsWord(tok, "BINARY")) {
        t.binaryAllowed = true;
      } else {
        Restriction r;
        r.name = std::string(tok.text);
        Token id;
        RETURN_IF_FAILED(m_lexer.Peek(id));
        if (id.kind == Tok::Guid) {
          m_lexer.Next(id);
          r.id = id.guid;
          r.hasId = true;
        }
        t.restrictions.push_back(std::move(r));
      }
      RETURN_IF_FAILED(m_lexer.Next(tok));
      if (tok.kind == Tok::CBracket) return S_OK;
      if (tok.kind != Tok::Comma) return DXFILEERR_PARSEERROR;
      RETURN_IF_FAILED(m_lexer.Next(tok));
    }
  }

  HRESULT ParseObject(std::string_view identifier, int depth, NodePtr* out) {
    if (depth > kMaxObjectDepth) return DXFILEERR_PARSEERROR;
    auto node = std::make_shared<Node>();
    node->typeName = std::string(identifier);
    node->type = m_templates.Find(identifier);
    Token tok;
    RETURN_IF_FAILED(m_lexer.Next(tok));
    if (tok.kind == Tok::Name || tok.kind == Tok::Integer) {
      node->name = std::string(tok.text);
      RETURN_IF_FAILED(m_lexer.Next(tok));
    }
    if (tok.kind != Tok::OBrace) return DXFILEERR_PARSEERROR;
    RETURN_IF_FAILED(m_lexer.Peek(tok));
    if (tok.kind == Tok::Guid) {
      m_lexer.Next(tok);
      node->id = tok.guid;
      node->hasId = true;
    }
    if (node->type) {
      TokenSource<TokenLexer> source(m_lexer);
      BlockFiller<TokenSource<TokenLexer>> filler(source, *node, m_budget);
      RETURN_IF_FAILED(filler.Fill(*node->type, true));
      m_blockBytes += node->block.size();
    }
    RETURN_IF_FAILED(ParseChildren(*node, depth));
    *out = std::move(node);
    return S_OK;
  }

  // What follows the members: nested objects and references up to the closing
  // brace. An undeclared template's values are passed over.
  HRESULT ParseChildren(Node& node, int depth) {
    const Template* type = node.type.get();
    for (;;) {
      if (m_budget == 0) return DXFILEERR_BADARRAYSIZE;
      --m_budget;
      Token tok;
      RETURN_IF_FAILED(m_lexer.Next(tok));
      switch (tok.kind) {
        case Tok::CBrace:
          return S_OK;
        case Tok::Comma:
        case Tok::Semicolon:
          continue;
        case Tok::Integer:
        case Tok::Real:
        case Tok::String:
        case Tok::Guid:
          if (type) return DXFILEERR_PARSEERROR;
          continue;
        case Tok::OBrace: {
          if (type && type->openness == Openness::Closed) return DXFILEERR_PARSEERROR;
          Child child;
          child.kind = Child::Kind::Reference;
          RETURN_IF_FAILED(ParseReference(child));
          node.children.push_back(std::move(child));
          continue;
        }
        case Tok::Name:
        case Tok::Primitive: {
          Child child;
          RETURN_IF_FAILED(ParseObject(Identifier(tok), depth + 1, &child.node));
          if (type && !type->Allows(child.node->type.get(), child.node->typeName)) return DXFILEERR_PARSEERROR;
          node.children.push_back(std::move(child));
          continue;
        }
        default:
          return DXFILEERR_PARSEERROR;
      }
    }
  }

  HRESULT ParseReference(Child& child) {
    Token tok;
    RETURN_IF_FAILED(m_lexer.Next(tok));
    if (tok.kind == Tok::Name) {
      child.referenceName = std::string(tok.text);
      RETURN_IF_FAILED(m_lexer.Next(tok));
    }
    if (tok.kind == Tok::Guid) {
      child.referenceId = tok.guid;
      child.referenceHasId = true;
      RETURN_IF_FAILED(m_lexer.Next(tok));
    }
    if (tok.kind != Tok::CBrace) return DXFILEERR_PARSEERROR;
    if (child.referenceName.empty() && !child.referenceHasId) return DXFILEERR_BADDATAREFERENCE;
    return S_OK;
  }

  TokenLexer& m_lexer;
  TemplateSet& m_templates;
  std::vector<TemplatePtr>* m_declared;
  Document* m_document;
  std::uint64_t m_budget;
  std::size_t m_blockBytes = 0;
};

}  // namespace

HRESULT ParseFile(const BYTE* data, std::size_t size, TemplateSet& templates, std::vector<TemplatePtr>* declared,
                  Document* document, Bytes* spend) {
  constexpr std::size_t kHeader = 16;
  if (!data || size < 4 || std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
  if (size < kHeader) return DXFILEERR_BADFILE;
  auto digits = [&](std::size_t at) {
    for (std::size_t i = at; i < at + 4; ++i) {
      if (!IsDigit(data[i])) return false;
    }
    return true;
  };
  if (!digits(4) || data[4] != '0' || data[5] != '3') return DXFILEERR_BADFILEVERSION;
  std::string_view format(reinterpret_cast<const char*>(data + 8), 4);
  bool text = format == "txt " || format == "tzip";
  bool compressed = format == "tzip" || format == "bzip";
  if (!text && format != "bin " && format != "bzip") return DXFILEERR_BADFILETYPE;
  std::string_view floats(reinterpret_cast<const char*>(data + 12), 4);
  if (floats != "0032" && floats != "0064") return DXFILEERR_BADFILEFLOATSIZE;
  std::size_t floatSize = floats == "0064" ? 8 : 4;

  const BYTE* body = data + kHeader;
  std::size_t bodySize = size - kHeader;
  Bytes inflated;
  SpentText spent;
  if (spend) spent = SpentText{spend->data(), spend->capacity()};
  if (compressed) {
    RETURN_IF_FAILED(Inflate(body, bodySize, &inflated));
    body = inflated.data();
    bodySize = inflated.size();
    spent = SpentText{inflated.data(), inflated.capacity()};
  }
  // Every value and array element costs at least one byte of input, apart
  // from elements of empty templates; this bounds the work on hostile counts.
  std::uint64_t budget = 2 * static_cast<std::uint64_t>(bodySize) + 4096;
  if (text) {
    const char* begin = reinterpret_cast<const char*>(body);
    TextLexer lexer(begin, begin + bodySize, spent);
    Parser<TextLexer> parser(lexer, templates, declared, document, budget);
    const HRESULT hr = parser.ParseAll();
    // What the lexer held back goes too, but for as many bytes as the blocks
    // took: as a binary file's buffer, the buffer, freed next, then holds
    // the pages of the arrays that the objects are loaded into.
    if (spent.memory) win32::ReleaseAllPages(spent.memory, spent.size, SUCCEEDED(hr) ? parser.BlockBytes() : 0);
    return hr;
  }
  BinaryLexer lexer(body, body + bodySize, floatSize);
  return Parser<BinaryLexer>(lexer, templates, declared, document, budget).ParseAll();
}

HRESULT BuildBlockInPlace(const Template& type, Node* node) {
  Bytes& block = node->block;
  // As many bytes as a block handed over by its size in a DWORD.
  const std::size_t size = static_cast<DWORD>(block.size());
  if (block.empty() && !type.members.empty()) return DXFILEERR_BADVALUE;
  // The block grows back over its own bytes, which stay as they are (its
  // allocator leaves grown bytes unwritten) and within its capacity.
  InPlaceSource source(block.data(), size);
  block.clear();
  std::uint64_t budget = std::uint64_t{1} << 31;
  BlockFiller<InPlaceSource> filler(source, *node, budget);
  return filler.Fill(type, true);
}

HRESULT BuildBlockFromMemory(const Template& type, const void* data, std::size_t size, Node* node) {
  if (!data && !type.members.empty()) return DXFILEERR_BADVALUE;
  MemorySource source(static_cast<const BYTE*>(data), size);
  std::uint64_t budget = std::uint64_t{1} << 31;
  BlockFiller<MemorySource> filler(source, *node, budget);
  return filler.Fill(type, true);
}

}  // namespace xfile
