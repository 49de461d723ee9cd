// Writing templates and data objects as text or as binary tokens.

#include <charconv>
#include <cmath>
#include <cstring>

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

void AppendReal(std::string& out, double value, bool single) {
  if (std::isnan(value)) {
    out += "1.#QNAN0";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-1.#INF00" : "1.#INF00";
    return;
  }
  char text[64];
  auto result = single ? std::to_chars(text, text + sizeof(text), ToFloat(value))
                       : std::to_chars(text, text + sizeof(text), value);
  std::string_view written(text, static_cast<std::size_t>(result.ptr - text));
  out += written;
  // Keep the value a real number when read back.
  if (written.find_first_of(".e") == std::string_view::npos) out += ".0";
}

template <class T>
T Load(const BYTE*& p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  p += sizeof(T);
  return value;
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
  FlushList();
  m_out.push_back(static_cast<char>(token));
  m_out.push_back(static_cast<char>(token >> 8));
}

void Writer::Dword(DWORD value) {
  char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                   static_cast<char>(value >> 24)};
  m_out.append(bytes, 4);
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

void Writer::FlushList() {
  if (m_list.empty()) return;
  WORD token = m_listIsFloat ? kFloatList : kIntegerList;
  m_out.push_back(static_cast<char>(token));
  m_out.push_back(static_cast<char>(token >> 8));
  Dword(static_cast<DWORD>(m_list.size()));
  for (DWORD v : m_list) Dword(v);
  m_list.clear();
}

void Writer::ListInteger(DWORD value) {
  if (m_listIsFloat) FlushList();
  m_listIsFloat = false;
  m_list.push_back(value);
}

void Writer::ListFloat(float value) {
  if (!m_listIsFloat) FlushList();
  m_listIsFloat = true;
  DWORD bits;
  std::memcpy(&bits, &value, 4);
  m_list.push_back(bits);
}

HRESULT Writer::Drain() {
  constexpr std::size_t kDrainSize = std::size_t{1} << 20;
  if (!m_sink || m_out.size() < kDrainSize) return S_OK;
  HRESULT hr = m_sink(m_out);
  m_out.clear();
  return hr;
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
        if (id && text) m_out += " " + GuidText(*id);
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
  FlushList();
  if (m_encoding == Encoding::Text) m_out += "\n";
  return hr;
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
        std::string_view value = s ? std::string_view(s) : std::string_view();
        if (text) {
          if (value.find('"') != std::string_view::npos) return DXFILEERR_BADVALUE;
          m_out += "\"";
          m_out += value;
          m_out += "\"";
        } else {
          Token(kString);
          Dword(static_cast<DWORD>(value.size()));
          m_out += value;
          m_out.append({static_cast<char>(kSemicolon), 0});
        }
        continue;
      }
      if (IsReal(m.primitive)) {
        double value = m.primitive == Primitive::Float ? Load<float>(p) : Load<double>(p);
        if (text) {
          AppendReal(m_out, value, m.primitive == Primitive::Float);
        } else {
          ListFloat(ToFloat(value));
        }
        continue;
      }
      std::int64_t value = 0;
      switch (m.primitive) {
        case Primitive::Word: value = Load<WORD>(p); break;
        case Primitive::Sword: value = Load<SHORT>(p); break;
        case Primitive::Dword: value = Load<DWORD>(p); break;
        case Primitive::Sdword: value = Load<LONG>(p); break;
        case Primitive::Char: value = Load<signed char>(p); break;
        default: value = Load<unsigned char>(p); break;
      }
      if (m.dimensions.empty()) counts[i] = static_cast<DWORD>(value);
      if (text) {
        char digits[24];
        const auto written = std::to_chars(digits, digits + sizeof(digits), value);
        m_out.append(digits, static_cast<std::size_t>(written.ptr - digits));
      } else {
        ListInteger(static_cast<DWORD>(value));
      }
    }
    if (text) {
      m_out += ";";
      if (top) m_out += "\n";
    }
  }
  return S_OK;
}

}  // namespace xfile
