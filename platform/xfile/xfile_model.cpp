#include "xfile_model.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace xfile {

namespace {

struct PrimitiveInfo {
  const char* name;
  Primitive primitive;
};

constexpr PrimitiveInfo kPrimitives[] = {
    {"WORD", Primitive::Word},     {"DWORD", Primitive::Dword},     {"FLOAT", Primitive::Float},
    {"DOUBLE", Primitive::Double}, {"CHAR", Primitive::Char},       {"UCHAR", Primitive::Uchar},
    {"BYTE", Primitive::Byte},     {"SWORD", Primitive::Sword},     {"SDWORD", Primitive::Sdword},
    {"STRING", Primitive::String}, {"CSTRING", Primitive::Cstring}, {"UNICODE", Primitive::Unicode},
    {"LPSTR", Primitive::String},
};

bool SameFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

bool PrimitiveFromName(std::string_view name, Primitive* p) {
  for (const PrimitiveInfo& info : kPrimitives) {
    if (SameFolded(name, info.name)) {
      *p = info.primitive;
      return true;
    }
  }
  return false;
}

const char* PrimitiveName(Primitive p) {
  for (const PrimitiveInfo& info : kPrimitives) {
    if (info.primitive == p) return info.name;
  }
  return "";
}

float ToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::uint64_t ElementCount(const Member& m, MemberValues& values) {
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 40;
  std::uint64_t count = 1;
  for (const Dimension& d : m.dimensions) {
    count *= d.member >= 0 ? values[d.member] : d.fixed;
    if (count > kLimit) return kLimit;
  }
  return count;
}

int Template::MemberIndex(std::string_view memberName) const {
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (!members[i].name.empty() && members[i].name == memberName) return static_cast<int>(i);
  }
  return -1;
}

void Template::Measure() {
  // Beyond this an instance's size and run are left unknown: they only speed
  // up the reader.
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 32;
  std::uint64_t size = 0;
  bool sized = true;
  bool uniform = true;
  Primitive primitive = Primitive::None;
  std::uint64_t values = 0;
  std::uint64_t cost = 0;
  for (const Member& m : members) {
    std::uint64_t elements = 1;
    bool fixed = true;
    for (const Dimension& d : m.dimensions) {
      fixed = fixed && d.member < 0;
      elements = std::min(elements * d.fixed, kLimit);
    }
    const std::size_t elementSize = m.type ? m.type->blockSize : PrimitiveSize(m.primitive);
    if (!fixed || elementSize == kVaries || elements >= kLimit) {
      sized = false;
      uniform = false;
      continue;
    }
    size = std::min(size + elements * elementSize, kLimit);
    const Primitive elementRun = m.type ? m.type->run : m.primitive;
    if (elementRun == Primitive::None || IsString(elementRun) ||
        (primitive != Primitive::None && elementRun != primitive)) {
      uniform = false;
      continue;
    }
    primitive = elementRun;
    const std::uint64_t each = m.type ? m.type->runValues : 1;
    // Each value or template instance costs one, and a template its values.
    const std::uint64_t eachCost = m.type ? m.type->runCost + 1 : 1;
    values = std::min(values + elements * each, kLimit);
    // An array costs its elements once more.
    cost = std::min(cost + elements * eachCost + (m.dimensions.empty() ? 0 : elements), kLimit);
  }
  blockSize = sized && size < kLimit ? static_cast<std::size_t>(size) : kVaries;
  const bool isRun = uniform && primitive != Primitive::None && values < kLimit && cost < kLimit;
  run = isRun ? primitive : Primitive::None;
  runValues = isRun ? values : 0;
  runCost = isRun ? cost : 0;
  singleValues = isRun && std::all_of(members.begin(), members.end(), [](const Member& m) {
                   return m.primitive != Primitive::None && m.dimensions.empty();
                 });
  singleMembers = !members.empty();
  singleMembersCost = 0;
  for (const Member& m : members) {
    const bool number = m.primitive != Primitive::None && !IsString(m.primitive);
    singleMembers = singleMembers && m.dimensions.empty() && (number || (m.type && m.type->singleValues));
    singleMembersCost += m.type ? 1 + m.type->runCost : 1;
  }
  if (!singleMembers) singleMembersCost = 0;
  countedDwords = members.size() == 2 && members[0].primitive == Primitive::Dword && members[0].dimensions.empty() &&
                  members[1].primitive == Primitive::Dword && members[1].dimensions.size() == 1 &&
                  members[1].dimensions[0].member == 0;
}

bool Template::Allows(const Template* child, std::string_view childName) const {
  switch (openness) {
    case Openness::Open:
      return true;
    case Openness::Closed:
      return false;
    case Openness::Restricted:
      break;
  }
  for (const Restriction& r : restrictions) {
    if (child && r.hasId) {
      if (r.id == child->id) return true;
    } else if (SameFolded(r.name, child ? std::string_view(child->name) : childName)) {
      return true;
    }
  }
  return false;
}

TemplatePtr TemplateSet::Find(std::string_view name) const {
  auto exact = m_byName.find(std::string(name));
  if (exact != m_byName.end()) return m_all[exact->second];
  auto folded = m_byFoldedName.find(Folded(name));
  return folded == m_byFoldedName.end() ? nullptr : m_all[folded->second];
}

TemplatePtr TemplateSet::Find(const GUID& id) const {
  auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : m_all[it->second];
}

void TemplateSet::Add(TemplatePtr t) {
  std::size_t index = m_all.size();
  m_byName[t->name] = index;
  m_byFoldedName[Folded(t->name)] = index;
  m_byId[t->id] = index;
  m_all.push_back(std::move(t));
}

void TemplateSet::AddAll(const std::vector<TemplatePtr>& templates) {
  for (const TemplatePtr& t : templates) Add(t);
}

void Document::BuildIndex() const {
  // Depth first, in file order, without recursion.
  std::vector<const std::vector<Child>*> lists;
  std::vector<std::size_t> positions;
  for (const NodePtr& node : top) {
    m_all.push_back(node);
    lists.assign(1, &node->children);
    positions.assign(1, 0);
    while (!lists.empty()) {
      const std::vector<Child>& list = *lists.back();
      std::size_t& at = positions.back();
      if (at == list.size()) {
        lists.pop_back();
        positions.pop_back();
        continue;
      }
      const Child& child = list[at++];
      if (child.kind != Child::Kind::Data) continue;
      m_all.push_back(child.node);
      lists.push_back(&child.node->children);
      positions.push_back(0);
    }
  }
  for (const NodePtr& node : m_all) {
    if (!node->name.empty()) m_byName[node->name].push_back(node);
  }
}

NodePtr Document::Find(std::string_view name, const GUID* id) const {
  std::call_once(m_indexed, [this] { BuildIndex(); });
  if (name.empty()) {
    if (!id) return nullptr;
    for (const NodePtr& node : m_all) {
      if (node->hasId && node->id == *id) return node;
    }
    return nullptr;
  }
  auto it = m_byName.find(std::string(name));
  if (it == m_byName.end()) return nullptr;
  for (const NodePtr& node : it->second) {
    if (!id || (node->hasId && node->id == *id)) return node;
  }
  return nullptr;
}

bool IsTextName(std::string_view name) {
  if (name.empty()) return false;
  auto nameChar = [](unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c >= 0x80;
  };
  unsigned char first = static_cast<unsigned char>(name[0]);
  if (!(std::isalpha(first) || first == '_' || first >= 0x80)) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return nameChar(static_cast<unsigned char>(c)); });
}

}  // namespace xfile
