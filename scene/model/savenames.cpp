#include "savenames.h"

#include <appfiles.h>

#include "xfiledataobject.h"

namespace {

thread_local const CSaveNames* t_current = nullptr;

}  // namespace

CString CSaveNames::MakeFileName(const char* name) const {
  if (!name) return CString();
  return m_text ? GetDXTemplateName(name) : CString(name);
}

void CSaveNames::Add(CXFileDataObject* object) {
  if (m_byObject.count(object)) return;
  const char* own = object->GetName() ? object->GetName() : "";
  m_byObject.emplace(object, m_entries.size());
  if (object->IsAFrame()) m_frameByName.emplace(own, m_entries.size());
  m_entries.push_back(
      {object, object->IsAFrame(), own, static_cast<LPCSTR>(MakeFileName(own)), std::string(), eShared});
}

void CSaveNames::AddReferenceTarget(CXFileDataObject* object) { m_targets.insert(object); }

void CSaveNames::AddBoneName(const char* name) { m_boneNames.insert(name ? name : ""); }

void CSaveNames::Assign() {
  for (SEntry& entry : m_entries) {
    entry.written.clear();
    entry.scope = m_targets.count(entry.object) ? eOnlyObject : eShared;
  }
  for (const std::string& bone : m_boneNames) {
    const auto found = m_frameByName.find(bone);
    if (found != m_frameByName.end() && m_entries[found->second].scope == eShared)
      m_entries[found->second].scope = eOnlyFrame;
  }

  // Names held as they stand, of all objects and of the frames.
  std::set<std::string> bases, asTheyStand, framesAsTheyStand, given, onlyObject, onlyFrame;
  for (const SEntry& entry : m_entries) {
    bases.insert(entry.base);
    if (entry.base != entry.own) continue;
    asTheyStand.insert(entry.base);
    if (entry.frame) framesAsTheyStand.insert(entry.base);
  }
  // A suffix that makes a name that no object of the file has or is given.
  auto suffixed = [&](const std::string& base) {
    for (unsigned n = 1;; ++n) {
      std::string name = base + "_" + std::to_string(n);
      if (!given.count(name) && !bases.count(name)) return name;
    }
  };
  auto give = [&](SEntry& entry, bool taken) {
    entry.written = taken ? suffixed(entry.base) : entry.base;
    given.insert(entry.written);
  };
  // Names that must be their object's own, those the file holds as they
  // stand first; a name made for the file gives way to one that another
  // object has as it stands. Then the frames named as bones; then the rest.
  for (bool unchanged : {true, false})
    for (SEntry& entry : m_entries)
      if (entry.scope == eOnlyObject && !entry.base.empty() && entry.written.empty() &&
          (entry.base == entry.own) == unchanged) {
        give(entry, given.count(entry.base) > 0 || (!unchanged && asTheyStand.count(entry.base) > 0));
        onlyObject.insert(entry.written);
      }
  for (bool unchanged : {true, false})
    for (SEntry& entry : m_entries)
      if (entry.scope == eOnlyFrame && !entry.base.empty() && entry.written.empty() &&
          (entry.base == entry.own) == unchanged) {
        give(entry, onlyObject.count(entry.base) > 0 || onlyFrame.count(entry.base) > 0 ||
                        (!unchanged && framesAsTheyStand.count(entry.base) > 0));
        onlyFrame.insert(entry.written);
      }
  for (SEntry& entry : m_entries)
    if (entry.scope == eShared && !entry.base.empty())
      give(entry, onlyObject.count(entry.base) > 0 || (entry.frame && onlyFrame.count(entry.base) > 0));
}

bool CSaveNames::Lookup(const CXFileDataObject* object, CString& name) const {
  const auto found = m_byObject.find(object);
  if (found == m_byObject.end()) return false;
  name = m_entries[found->second].written.c_str();
  return true;
}

CString CSaveNames::GetFrameName(const char* name) const {
  const auto found = m_frameByName.find(name ? name : "");
  if (found == m_frameByName.end()) return MakeFileName(name);
  return m_entries[found->second].written.c_str();
}

const CSaveNames* CSaveNames::GetCurrent() { return t_current; }

CSaveNames::CInUse::CInUse(const CSaveNames& names) : m_previous(t_current) { t_current = &names; }

CSaveNames::CInUse::~CInUse() { t_current = m_previous; }
