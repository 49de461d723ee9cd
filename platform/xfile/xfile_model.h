// Templates, data objects and whole files as held in memory by the .x file
// API; shared by the reader, the writer and the COM objects.
#pragma once

#include <windows.h>

#include "dxfile.h"
#include "largepages.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace xfile {

using Bytes = win32::LargeBytes;

enum class Primitive : std::uint8_t {
  Word, Dword, Float, Double, Char, Uchar, Byte, Sword, Sdword, String, Cstring, Unicode,
  None,  // the member is a template
};

// Bytes a value of the primitive takes in a data block (a string is a char*).
inline std::size_t PrimitiveSize(Primitive p) {
  switch (p) {
    case Primitive::Word:
    case Primitive::Sword:
      return 2;
    case Primitive::Dword:
    case Primitive::Sdword:
    case Primitive::Float:
      return 4;
    case Primitive::Double:
      return 8;
    case Primitive::Char:
    case Primitive::Uchar:
    case Primitive::Byte:
      return 1;
    case Primitive::String:
    case Primitive::Cstring:
    case Primitive::Unicode:
      return sizeof(char*);
    case Primitive::None:
      break;
  }
  return 0;
}
inline bool IsReal(Primitive p) { return p == Primitive::Float || p == Primitive::Double; }
inline bool IsString(Primitive p) {
  return p == Primitive::String || p == Primitive::Cstring || p == Primitive::Unicode;
}
inline bool IsInteger(Primitive p) { return p != Primitive::None && !IsReal(p) && !IsString(p); }
// The keyword of a primitive type ("WORD", "STRING", ...), any case; false
// when the name is none.
bool PrimitiveFromName(std::string_view name, Primitive* p);
const char* PrimitiveName(Primitive p);

struct Template;

// One bracket of an array member: a fixed count or an earlier member.
struct Dimension {
  DWORD fixed = 0;
  int member = -1;
};

struct Member {
  Primitive primitive = Primitive::None;
  std::shared_ptr<const Template> type;  // when primitive is None
  std::string name;                      // may be empty
  std::vector<Dimension> dimensions;     // empty for a single value
};

// The integer values of one template instance's single members, by member
// index, for the array sizes that refer to them.
class MemberValues {
 public:
  explicit MemberValues(std::size_t count) {
    if (count > kLocal) m_heap.resize(count);
  }
  DWORD& operator[](std::size_t i) { return m_heap.empty() ? m_local[i] : m_heap[i]; }

 private:
  static constexpr std::size_t kLocal = 16;
  DWORD m_local[kLocal] = {};
  std::vector<DWORD> m_heap;
};

// The float nearest to a double; beyond the float range, an infinity.
float ToFloat(double value);

// Elements of an array member (1 for a single value), saturating at 2^40.
std::uint64_t ElementCount(const Member& m, MemberValues& values);

struct Restriction {
  std::string name;
  GUID id{};
  bool hasId = false;
};

enum class Openness : std::uint8_t { Closed, Open, Restricted };

struct Template {
  std::string name;
  GUID id{};
  std::vector<Member> members;
  Openness openness = Openness::Closed;
  std::vector<Restriction> restrictions;
  bool binaryAllowed = false;
  int depth = 1;  // levels of nested template members, this one included
  // Bytes an instance takes in a block, or kVaries when an array member is
  // sized by another member.
  static constexpr std::size_t kVaries = ~std::size_t{0};
  std::size_t blockSize = 0;
  // When every value of an instance is of one numeric primitive and their
  // number is fixed: that primitive, the number of values, and the budget an
  // instance costs the reader (values, template members and array
  // elements). Otherwise None.
  Primitive run = Primitive::None;
  std::uint64_t runValues = 0;
  std::uint64_t runCost = 0;
  // Every member is a single number of the run's primitive (a Vector, a
  // ColorRGBA): an instance is its run of values, each costing one.
  bool singleValues = false;
  // Every member is a single number or a single instance of a singleValues
  // template (an IndexedColor): an instance is a run a member, and costs
  // singleMembersCost (each member one, a template its values too).
  bool singleMembers = false;
  std::uint64_t singleMembersCost = 0;
  // An instance is a DWORD count and an array of that many DWORDs (a
  // MeshFace): count and values lie in the block as they lie in a binary
  // integer list.
  bool countedDwords = false;

  // Works out blockSize, the run, singleValues, singleMembers and
  // countedDwords from the members.
  void Measure();

  int MemberIndex(std::string_view memberName) const;
  // Whether a data object of `child` (null: an undeclared template called
  // childName) may be nested in a data object of this template.
  bool Allows(const Template* child, std::string_view childName) const;
};

using TemplatePtr = std::shared_ptr<const Template>;

// Registered templates by name and identifier; a later declaration of a name
// replaces the earlier one.
class TemplateSet {
 public:
  // Exact name first, then any case.
  TemplatePtr Find(std::string_view name) const;
  TemplatePtr Find(const GUID& id) const;
  void Add(TemplatePtr t);
  void AddAll(const std::vector<TemplatePtr>& templates);

 private:
  std::vector<TemplatePtr> m_all;
  std::unordered_map<std::string, std::size_t> m_byName;
  std::unordered_map<std::string, std::size_t> m_byFoldedName;
  std::map<GUID, std::size_t> m_byId;
};

struct Node;
using NodePtr = std::shared_ptr<Node>;

struct BinaryObject {
  std::string name;
  GUID id{};
  bool hasId = false;
  std::string mimeType;
  std::vector<BYTE> bytes;
};

struct Child {
  enum class Kind : std::uint8_t { Data, Reference, Binary } kind = Kind::Data;
  NodePtr node;                          // Data
  std::string referenceName;             // Reference
  GUID referenceId{};
  bool referenceHasId = false;
  std::shared_ptr<BinaryObject> binary;  // Binary
};

// One data object: its template, name, identifier, block and children.
struct Node {
  TemplatePtr type;      // null for a template that was never declared
  std::string typeName;  // the template name as written
  std::string name;
  GUID id{};
  bool hasId = false;
  Bytes block;
  std::vector<std::unique_ptr<char[]>> strings;  // what the block's char* point at
  std::vector<DWORD> offsets;  // member i spans offsets[i] .. offsets[i + 1]
  std::vector<Child> children;
  std::weak_ptr<Node> parent;  // set when added to another object in memory
};

// A file read into memory: its top-level data objects.
class Document {
 public:
  std::vector<NodePtr> top;

  // The first object in file order (depth first) with that name and, when
  // given, that identifier; null when none.
  NodePtr Find(std::string_view name, const GUID* id) const;

  // Objects were added to its objects after the read.
  void MarkChanged() const { m_changed.store(true, std::memory_order_relaxed); }
  bool Changed() const { return m_changed.load(std::memory_order_relaxed); }

 private:
  void BuildIndex() const;
  mutable std::atomic<bool> m_changed{false};
  mutable std::once_flag m_indexed;
  mutable std::unordered_map<std::string, std::vector<NodePtr>> m_byName;
  mutable std::vector<NodePtr> m_all;
};

// Reading. `templates` receives the file's template declarations; on failure
// it may hold part of them. Errors are DXFILEERR_ codes. With spend, data is
// spend's bytes, which the parse may use up: the pages of text it has passed
// go back to the system and read as zeros afterwards (so do those of the
// text a compressed file inflates to, a buffer of the parse's own).
HRESULT ParseFile(const BYTE* data, std::size_t size, TemplateSet& templates,
                  std::vector<TemplatePtr>* declared, Document* document, Bytes* spend = nullptr);

// Builds a node's block by the template's layout from a block in memory of
// size bytes (the caller's layout: values packed, strings as char*). A block
// shorter than its layout, counts included, fails with DXFILEERR_BADVALUE.
HRESULT BuildBlockFromMemory(const Template& type, const void* data, std::size_t size, Node* node);
// The same, for a block handed over in node->block: it becomes the node's
// block where it lies, without a copy (its bytes past the layout dropped).
HRESULT BuildBlockInPlace(const Template& type, Node* node);

// Writing.
enum class Encoding : std::uint8_t { Text, Binary };

// What a writer makes: a large one on large pages.
using OutputBuffer = std::basic_string<char, std::char_traits<char>, win32::LargePageAllocator<char>>;

class Writer {
 public:
  // What takes the output written so far, given when an object is too large
  // to be held whole.
  using Sink = std::function<HRESULT(std::string_view)>;
  // What writes bytes over those given to the sink from offset on (counted
  // from the first byte this writer gave it): a binary list's count, known
  // once the list ends. Without it an open list is held until it ends.
  using Patch = std::function<HRESULT(std::uint64_t offset, std::string_view bytes)>;
  explicit Writer(Encoding encoding, Sink sink = nullptr, Patch patch = nullptr);
  // "xof 0303txt 0032" or its binary/compressed counterparts.
  static std::string Header(Encoding encoding, bool compressed);
  void WriteTemplate(const Template& t);
  HRESULT WriteObject(const Node& node);
  // The values of the node's block alone.
  HRESULT WriteBlock(const Node& node);
  OutputBuffer& Output() { return m_out; }

 private:
  HRESULT WriteObject(const Node& node, int indent);
  HRESULT WriteValues(const Template& t, const BYTE*& p, const BYTE* end, int indent);
  // The count elements of member m one by one; *value receives the value of
  // a single integer member.
  HRESULT WriteElements(const Member& m, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent,
                        DWORD* value);
  // The elements of an array member all at once when its values are numbers
  // of one primitive; S_FALSE, with nothing written, for other members and
  // for a block too short for them.
  HRESULT WriteNumbers(const Member& m, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent);
  // count instances of a template of numbers, arrays of numbers and records,
  // elements of an array member.
  HRESULT WriteFlat(const Template& t, std::uint64_t count, const BYTE*& p, const BYTE* end, int indent);
  // count instances of a countedDwords template (faces), as WriteFlat
  // writes them.
  HRESULT WriteCountedDwords(std::uint64_t count, const BYTE*& p, const BYTE* end, int indent);
  // One number of primitive p, read at `at`.
  void Number(Primitive p, const BYTE* at);
  void Name(std::string_view name);
  void Token(WORD token);
  void Dword(DWORD value);
  // Binary: room for n more values at the end of an integer list (of a
  // float list when real), the list of the other kind ended first.
  BYTE* ListValues(bool real, std::size_t n);
  // Binary: ends the list being written, its count put in its header;
  // a failure of the patch is kept for the end of the object.
  void EndList();
  void Indent(int indent);
  // Hands the output to the sink once it has grown large.
  HRESULT Drain();

  Encoding m_encoding;
  Sink m_sink;
  Patch m_patch;
  OutputBuffer m_out;
  // Bytes given to the sink so far: m_out follows them.
  std::uint64_t m_drained = 0;
  // Binary: where the integer or float list being written starts in the
  // output (its token; m_drained + its place in m_out while there), or
  // kNoList. Its count is written when it ends: without a patch the output
  // from there on is held until then.
  static constexpr std::uint64_t kNoList = ~std::uint64_t{0};
  std::uint64_t m_list = kNoList;
  bool m_listIsFloat = false;
  HRESULT m_patchFailure = S_OK;
};

// MSZIP: the body after the 16-byte header of a compressed file.
HRESULT Inflate(const BYTE* data, std::size_t size, Bytes* out);
// The uncompressed data of one MSZIP block, each block but a file's last.
inline constexpr std::size_t kCompressedBlockSize = 32768;
// Compresses `body` as blocks of kCompressedBlockSize bytes (the last one
// shorter) appended to `out`; `history` is the uncompressed data written
// before (its last block's worth serves as dictionary). Only the last block
// of a file may be short: other readers take the block before as the whole
// dictionary.
HRESULT DeflateBlocks(std::string_view body, std::string_view history, std::string* out);

// The block of a data object of this API as text values (for diagnostics);
// fails for objects of undeclared templates.
HRESULT DescribeBlock(IDirectXFileData* data, std::string* text);

// Whether a name can be written in a text file as it stands.
bool IsTextName(std::string_view name);

}  // namespace xfile
