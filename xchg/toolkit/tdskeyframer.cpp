#include "tdskeyframer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tdserrors.h"

namespace {

constexpr std::int32_t kKeyframer = 0xB000;
constexpr std::int32_t kObjectNode = 0xB002;
constexpr std::int32_t kNodeHeader = 0xB010;
constexpr std::int32_t kInstance = 0xB011;
constexpr std::int32_t kNodeId = 0xB030;
constexpr std::int32_t kParentName = 0x80F0;
// The node tags of the hierarchy, in the order in which it is resolved.
constexpr std::int32_t kHierarchyTags[] = {0xB004, 0xB002, 0xB003, 0xB005, 0xB006, 0xB007};

bool InHierarchy(std::int32_t tag) {
  return std::find(std::begin(kHierarchyTags), std::end(kHierarchyTags), tag) != std::end(kHierarchyTags);
}

// An integer field of decoded data; the values came from the file's own
// integer fields or from ours.
std::int64_t Whole(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<std::int64_t>(std::clamp(value, -9.0e18, 9.0e18));
}

struct ListedNode {
  int id;
  std::int32_t tag;
  std::string name, instance;
  int parent;
  tdsChunk* chunk;
};

// The nodes of the hierarchy in child order. False with an error pushed
// when a node header cannot be read.
bool ListNodes(tdsChunk* keyframer, std::vector<ListedNode>& list) {
  for (auto& child : keyframer->children) {
    if (!InHierarchy(child->tag)) continue;
    ListedNode node{-1, child->tag, "", "", -1, child.get()};
    if (tdsChunk* id = tdsFindChild(child.get(), kNodeId)) {
      const tdsChunkData* data = tdsReadChunkFields(id, 1, 0);
      if (!data) return false;
      node.id = static_cast<int>(Whole(data->numbers[0]));
    }
    if (tdsChunk* header = tdsFindChild(child.get(), kNodeHeader)) {
      const tdsChunkData* data = tdsReadChunkFields(header, 3, 1);
      if (!data) return false;
      node.name = data->strings[0];
      node.parent = static_cast<int>(Whole(data->numbers[2]));
    }
    if (child->tag == kObjectNode)
      if (tdsChunk* instance = tdsFindChild(child.get(), kInstance)) {
        const tdsChunkData* data = tdsReadChunkFields(instance, 0, 1);
        if (!data) return false;
        node.instance = data->strings[0];
      }
    list.push_back(std::move(node));
  }
  return true;
}

const ListedNode* FindById(const std::vector<ListedNode>& list, int id) {
  auto it = std::find_if(list.begin(), list.end(), [id](const ListedNode& n) { return n.id == id; });
  return it == list.end() ? nullptr : &*it;
}

std::string FullName(const std::string& name, const std::string& instance) {
  return instance.empty() ? name : name + "." + instance;
}

// The node of `tag` whose list name is `name`.
tdsChunk* FindNode(tdsDatabase* db, const char* name, std::int32_t tag) {
  for (const auto& entry : tdsNodeList(db))
    if (entry.chunk->tag == tag && entry.name == name) return entry.chunk;
  return nullptr;
}

tdsChunk* NodeAt(tdsDatabase* db, std::uint32_t index, std::int32_t tag) {
  for (const auto& entry : tdsNodeList(db))
    if (entry.chunk->tag == tag && index-- == 0) return entry.chunk;
  return nullptr;
}

std::int32_t TargetTagOf(std::int32_t tag) {
  return tag == 0xB003 ? 0xB004 : tag == 0xB007 ? 0xB006 : 0;
}

template <class Value, class Read>
bool ReadTrack(tdsChunk* node, std::int32_t tag, tdsTrack<Value>& track, std::size_t numbersPerValue, Read read) {
  track = {};
  tdsChunk* chunk = tdsFindChild(node, tag);
  if (!chunk) return true;
  tdsChunkData* data = tdsReadChunkFields(chunk, 4, 0);
  if (!data) return false;
  const auto keys = static_cast<std::uint32_t>(Whole(data->numbers[3]));
  const std::size_t perKey = 7 + numbersPerValue;
  if (data->numbers.size() < 4 + std::size_t{keys} * perKey) {
    tdsPushError(ERR_INVALID_CHUNK);
    return false;
  }
  track.flags = static_cast<std::uint16_t>(Whole(data->numbers[0]));
  track.keyCount = keys;
  track.keys.resize(keys);
  track.values.resize(keys);
  for (std::uint32_t k = 0; k < keys; ++k) {
    const double* n = data->numbers.data() + 4 + std::size_t{k} * perKey;
    tdsKey& key = track.keys[k];
    key.frame = static_cast<std::int32_t>(static_cast<std::uint32_t>(Whole(n[0])));
    key.flags = static_cast<std::uint16_t>(Whole(n[1]));
    key.tension = static_cast<float>(n[2]);
    key.continuity = static_cast<float>(n[3]);
    key.bias = static_cast<float>(n[4]);
    key.easeTo = static_cast<float>(n[5]);
    key.easeFrom = static_cast<float>(n[6]);
    if (!read(*data, n + 7, k, track.values[k])) {
      tdsPushError(ERR_INVALID_CHUNK);
      return false;
    }
  }
  return true;
}

void PutKey(std::vector<double>& numbers, const tdsKey& key) {
  numbers.insert(numbers.end(), {static_cast<double>(static_cast<std::uint32_t>(key.frame)),
                                 static_cast<double>(key.flags), key.tension, key.continuity, key.bias, key.easeTo,
                                 key.easeFrom});
}

template <class Track>
bool TrackIsSet(const Track& track) {
  return track.keyCount > 0 && !track.keys.empty();
}

template <class Track>
bool TrackFits(const Track& track) {
  if (!TrackIsSet(track)) return true;
  if constexpr (requires { track.values; })
    return track.keys.size() >= track.keyCount && track.values.size() >= track.keyCount;
  else
    return track.keys.size() >= track.keyCount;
}

template <class Value, class Write>
void PutTrack(tdsChunk* node, std::int32_t tag, const tdsTrack<Value>& track, Write write) {
  if (!TrackIsSet(track)) return;
  tdsChunk* chunk = tdsAddChild(node, tag);
  chunk->data = std::make_unique<tdsChunkData>();
  auto& numbers = chunk->data->numbers;
  numbers = {static_cast<double>(track.flags), 0, 0, static_cast<double>(track.keyCount)};
  for (std::uint32_t k = 0; k < track.keyCount; ++k) {
    PutKey(numbers, track.keys[k]);
    write(*chunk->data, track.values[k]);
  }
}

void DeleteNode(tdsDatabase* db, tdsChunk* node) {
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  if (!keyframer || !node) return;
  const std::int32_t target = TargetTagOf(node->tag);
  const std::string name = tdsNodeListName(node);
  tdsDetachChunk(keyframer, node);
  if (target)
    if (tdsChunk* targetNode = FindNode(db, name.c_str(), target)) tdsDetachChunk(keyframer, targetNode);
  db->nodeListStale = 1;
}

// Copies a node, and its target node, replacing the destination's nodes of
// the same name and tag.
void CopyNode(tdsDatabase* destination, tdsDatabase* source, tdsChunk* node) {
  const std::int32_t tag = node->tag;
  const std::string name = tdsNodeListName(node);
  const std::int32_t targetTag = TargetTagOf(tag);
  tdsChunk* targetNode = targetTag ? FindNode(source, name.c_str(), targetTag) : nullptr;
  if (tdsChunk* old = FindNode(destination, name.c_str(), tag)) DeleteNode(destination, old);
  tdsChunk* keyframer = tdsTopChild(destination, kKeyframer, true);
  tdsInsertChunk(keyframer, tdsCopyChunk(node));
  if (targetNode) tdsInsertChunk(keyframer, tdsCopyChunk(targetNode));
  destination->nodeListStale = 1;
}

void ReadMotion(tdsChunk* original, tdsObjectMotion** motion) {
  std::unique_ptr<tdsChunk> node = tdsCopyChunk(original);
  tdsObjectMotion* record = tdsInitRecord(motion);
  record->morphSmooth = 0;
  bool read = true;
  if (tdsChunk* header = tdsFindChild(node.get(), kNodeHeader)) {
    if (const tdsChunkData* data = tdsReadChunkFields(header, 3, 1)) {
      tdsCopyName(record->name, data->strings[0]);
      record->flags1 = static_cast<std::uint16_t>(Whole(data->numbers[0]));
      record->flags2 = static_cast<std::uint16_t>(Whole(data->numbers[1]));
      if (tdsChunk* parent = tdsFindChild(header, kParentName)) tdsCopyName(record->parent, tdsChunkString(parent, 0));
    } else {
      read = false;
    }
  }
  if (tdsChunk* instance = tdsFindChild(node.get(), kInstance)) tdsCopyName(record->instance, tdsChunkString(instance, 0));
  auto point = [](const tdsChunkData& d, std::size_t at) {
    return tdsPoint3{static_cast<float>(d.numbers[at]), static_cast<float>(d.numbers[at + 1]),
                     static_cast<float>(d.numbers[at + 2])};
  };
  if (tdsChunk* pivot = tdsFindChild(node.get(), 0xB013)) {
    if (const tdsChunkData* d = tdsReadChunkFields(pivot, 3, 0)) record->pivot = point(*d, 0);
    else read = false;
  }
  if (tdsChunk* box = tdsFindChild(node.get(), 0xB014)) {
    if (const tdsChunkData* d = tdsReadChunkFields(box, 6, 0)) {
      record->boundMin = point(*d, 0);
      record->boundMax = point(*d, 3);
    } else {
      read = false;
    }
  }
  if (tdsChunk* smooth = tdsFindChild(node.get(), 0xB015)) record->morphSmooth = static_cast<float>(tdsChunkNumber(smooth, 0));
  auto readPoint = [&point](const tdsChunkData& d, const double* n, std::uint32_t, tdsPoint3& v) {
    v = point(d, static_cast<std::size_t>(n - d.numbers.data()));
    return true;
  };
  read = read && ReadTrack(node.get(), 0xB020, record->position, 3, readPoint) &&
         ReadTrack(node.get(), 0xB021, record->rotation, 4,
                   [](const tdsChunkData&, const double* n, std::uint32_t, tdsRotationKeyValue& v) {
                     v = {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]),
                          static_cast<float>(n[3])};
                     return true;
                   }) &&
         ReadTrack(node.get(), 0xB022, record->scale, 3, readPoint) &&
         ReadTrack(node.get(), 0xB026, record->morph, 0,
                   [](const tdsChunkData& d, const double*, std::uint32_t k, tdsMorphName& v) {
                     if (k >= d.strings.size()) return false;
                     v = {};
                     std::strncpy(v.data(), d.strings[k].c_str(), v.size() - 1);
                     return true;
                   });
  if (read) {
    tdsTrack<char> hide;
    read = ReadTrack(node.get(), 0xB029, hide, 0,
                     [](const tdsChunkData&, const double*, std::uint32_t, char&) { return true; });
    record->hide = {hide.keyCount, hide.flags, std::move(hide.keys)};
  }
}

}  // namespace

std::string tdsNodeListName(tdsChunk* node) {
  std::string name;
  if (tdsChunk* header = tdsFindChild(node, kNodeHeader)) {
    name = tdsChunkString(header, 0);
    tdsDropChunkData(header);
  }
  if (node->tag == kObjectNode)
    if (tdsChunk* instance = tdsFindChild(node, kInstance)) {
      name += ".";
      name += tdsChunkString(instance, 0);
      tdsDropChunkData(instance);
    }
  return name;
}

bool tdsResolveNodeParents(tdsDatabase* db) {
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  if (!keyframer) return true;
  std::vector<ListedNode> list;
  if (!ListNodes(keyframer, list)) return false;
  if (std::any_of(list.begin(), list.end(), [](const ListedNode& n) { return n.id == -1; }))
    for (std::size_t i = 0; i < list.size(); ++i) list[i].id = static_cast<int>(i);
  for (std::int32_t tag : kHierarchyTags)
    for (auto& child : keyframer->children) {
      if (child->tag != tag) continue;
      tdsChunk* header = tdsFindChild(child.get(), kNodeHeader);
      tdsChunk* id = tdsFindChild(child.get(), kNodeId);
      if (!header || !id) continue;
      const ListedNode* self = FindById(list, static_cast<int>(Whole(tdsChunkNumber(id, 0, -1))));
      if (!self || self->parent == -1) continue;
      const ListedNode* parent = FindById(list, self->parent);
      if (!parent) continue;
      tdsChunk* parentName = tdsFindChild(header, kParentName);
      if (!parentName) parentName = tdsAddChild(header, kParentName);
      tdsSetChunkString(parentName, FullName(parent->name, parent->instance));
    }
  db->nodeListStale = 1;
  return true;
}

bool tdsStoreNodeParentIndices(tdsDatabase* db) {
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  if (!keyframer) return true;
  std::vector<ListedNode> list;
  int count = 0;
  for (auto& child : keyframer->children) {
    tdsChunk* id = tdsFindChild(child.get(), kNodeId);
    if (child->tag == 0xB001 && id) tdsSetChunkNumbers(id, {-1});
    if (!InHierarchy(child->tag)) continue;
    if (id) tdsSetChunkNumbers(id, {static_cast<double>(count)});
    list.push_back({id ? count : -1, child->tag, "", "", -1, child.get()});
    ++count;
  }
  for (ListedNode& node : list) {
    if (tdsChunk* header = tdsFindChild(node.chunk, kNodeHeader)) {
      const tdsChunkData* data = tdsReadChunkFields(header, 3, 1);
      if (!data) return false;
      node.name = data->strings[0];
    }
    if (node.tag == kObjectNode)
      if (tdsChunk* instance = tdsFindChild(node.chunk, kInstance)) node.instance = tdsChunkString(instance, 0);
  }
  for (ListedNode& node : list) {
    tdsChunk* header = tdsFindChild(node.chunk, kNodeHeader);
    if (!header) continue;
    int parent = -1;
    if (tdsChunk* parentName = tdsFindChild(header, kParentName)) {
      const std::string full = tdsChunkString(parentName, 0);
      const std::size_t dot = full.find('.');
      const std::string name = full.substr(0, dot);
      const std::string instance = dot == std::string::npos ? "" : full.substr(dot + 1);
      for (const ListedNode& other : list)
        if (other.name == name && other.instance == instance) {
          parent = other.id;
          break;
        }
    }
    tdsChunkData* data = tdsReadChunkFields(header, 3, 1);
    if (!data) return false;
    data->numbers[2] = parent;
  }
  return true;
}

void tdsInitObjectMotion(tdsObjectMotion** motion, std::uint32_t positionKeys, std::uint32_t rotationKeys,
                         std::uint32_t scaleKeys, std::uint32_t morphKeys, std::uint32_t hideKeys) {
  if (!tdsInitRecord(motion)) return;
  tdsObjectMotion& m = **motion;
  auto keys = [](std::uint32_t count) { return std::vector<tdsKey>(count); };
  m.position = {positionKeys, 0, keys(positionKeys), std::vector<tdsPoint3>(positionKeys)};
  m.rotation = {rotationKeys, 0, keys(rotationKeys), std::vector<tdsRotationKeyValue>(rotationKeys)};
  m.scale = {scaleKeys, 0, keys(scaleKeys), std::vector<tdsPoint3>(scaleKeys, tdsPoint3{1, 1, 1})};
  m.morph = {morphKeys, 0, keys(morphKeys), std::vector<tdsMorphName>(morphKeys, tdsMorphName{' '})};
  m.hide = {hideKeys, 0, keys(hideKeys)};
}

void tdsReleaseObjectMotion(tdsObjectMotion** motion) { tdsReleaseRecord(motion); }

std::uint32_t tdsGetObjectNodeCount(tdsDatabase* db) {
  if (!tdsCheckDatabase(db, false)) return 0;
  const auto& nodes = tdsNodeList(db);
  return static_cast<std::uint32_t>(
      std::count_if(nodes.begin(), nodes.end(), [](const auto& e) { return e.chunk->tag == kObjectNode; }));
}

void tdsGetObjectNodeNameList(tdsDatabase* db, tdsNameList** list) {
  if (!list) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  tdsInitNameList(list, 0);
  for (const auto& entry : tdsNodeList(db))
    if (entry.chunk->tag == kObjectNode) (*list)->names.push_back(entry.name);
}

void tdsGetObjectMotionByName(tdsDatabase* db, const char* name, tdsObjectMotion** motion) {
  if (!name || !motion) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  for (const auto& entry : tdsNodeList(db))
    if (entry.name == name) {
      if (entry.chunk->tag != kObjectNode) {
        tdsPushError(ERR_WRONG_OBJECT);
        return;
      }
      ReadMotion(entry.chunk, motion);
      return;
    }
}

void tdsGetObjectMotionByIndex(tdsDatabase* db, std::uint32_t index, tdsObjectMotion** motion) {
  if (!motion) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  tdsChunk* node = NodeAt(db, index, kObjectNode);
  if (!node) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  ReadMotion(node, motion);
}

void tdsPutObjectMotion(tdsDatabase* db, tdsObjectMotion* motion) {
  if (!motion) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  const tdsObjectMotion& m = *motion;
  if (!TrackFits(m.position) || !TrackFits(m.rotation) || !TrackFits(m.scale) || !TrackFits(m.morph) ||
      !TrackFits(m.hide)) {
    tdsPushError(ERR_INVALID_DATA);
    return;
  }
  const std::string name = tdsNameOf(m.name);
  const std::string instance = tdsNameOf(m.instance);
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, true);
  std::unique_ptr<tdsChunk> extension;
  if (tdsChunk* old = FindNode(db, FullName(name, instance).c_str(), kObjectNode)) {
    extension = tdsCopyChunk(tdsFindChild(old, 0x8000));
    tdsClearChunk(old);
  }
  db->nodeListStale = 1;
  tdsChunk* node = tdsAddChild(keyframer, kObjectNode);
  tdsSetChunkNumbers(tdsAddChild(node, kNodeId), {-1});
  tdsChunk* header = tdsAddChild(node, kNodeHeader);
  tdsSetChunkNumbers(header, {static_cast<double>(m.flags1), static_cast<double>(m.flags2), -1});
  header->data->strings.assign(1, name);
  tdsSetChunkString(tdsAddChild(header, kParentName), tdsNameOf(m.parent));
  if (!instance.empty()) tdsSetChunkString(tdsAddChild(node, kInstance), instance);
  if (name == "$$$DUMMY")
    tdsSetChunkNumbers(tdsAddChild(node, 0xB014),
               {m.boundMin.x, m.boundMin.y, m.boundMin.z, m.boundMax.x, m.boundMax.y, m.boundMax.z});
  if (m.flags2 & 1) tdsSetChunkNumbers(tdsAddChild(node, 0xB015), {m.morphSmooth});
  tdsSetChunkNumbers(tdsAddChild(node, 0xB013), {m.pivot.x, m.pivot.y, m.pivot.z});
  auto writePoint = [](tdsChunkData& d, const tdsPoint3& v) { d.numbers.insert(d.numbers.end(), {v.x, v.y, v.z}); };
  PutTrack(node, 0xB020, m.position, writePoint);
  PutTrack(node, 0xB021, m.rotation, [](tdsChunkData& d, const tdsRotationKeyValue& v) {
    d.numbers.insert(d.numbers.end(), {v.angle, v.x, v.y, v.z});
  });
  PutTrack(node, 0xB022, m.scale, writePoint);
  PutTrack(node, 0xB026, m.morph, [](tdsChunkData& d, const tdsMorphName& v) {
    d.strings.emplace_back(v.data(), strnlen(v.data(), 9));
  });
  if (TrackIsSet(m.hide)) {
    tdsTrack<char> hide{m.hide.keyCount, m.hide.flags, m.hide.keys, std::vector<char>(m.hide.keyCount)};
    PutTrack(node, 0xB029, hide, [](tdsChunkData&, char) {});
  }
  if (extension) tdsInsertChunk(node, std::move(extension));
}

void tdsDeleteNodeByName(tdsDatabase* db, const char* name, std::int32_t tag) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  DeleteNode(db, FindNode(db, name, tag));
}

void tdsDeleteNodeByIndex(tdsDatabase* db, std::uint32_t index, std::int32_t tag) {
  if (!tdsCheckDatabase(db, false)) return;
  tdsChunk* node = NodeAt(db, index, tag);
  if (!node) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  DeleteNode(db, node);
}

void tdsCopyNodeByName(tdsDatabase* destination, tdsDatabase* source, const char* name, std::int32_t tag) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(destination, false) || !tdsCheckDatabase(source, false)) return;
  if (tdsChunk* node = FindNode(source, name, tag)) CopyNode(destination, source, node);
}

void tdsCopyNodeByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index, std::int32_t tag) {
  if (!tdsCheckDatabase(destination, false) || !tdsCheckDatabase(source, false)) return;
  tdsChunk* node = NodeAt(source, index, tag);
  if (!node) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  CopyNode(destination, source, node);
}

void tdsDeleteObjectMotionByName(tdsDatabase* db, const char* name) { tdsDeleteNodeByName(db, name, kObjectNode); }
void tdsDeleteObjectMotionByIndex(tdsDatabase* db, std::uint32_t index) {
  tdsDeleteNodeByIndex(db, index, kObjectNode);
}
void tdsCopyObjectMotionByName(tdsDatabase* destination, tdsDatabase* source, const char* name) {
  tdsCopyNodeByName(destination, source, name, kObjectNode);
}
void tdsCopyObjectMotionByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index) {
  tdsCopyNodeByIndex(destination, source, index, kObjectNode);
}

void tdsInitKeyframerHeader(tdsKeyframerHeader** header) {
  tdsInitRecord(header);
}

void tdsReleaseKeyframerHeader(tdsKeyframerHeader** header) { tdsReleaseRecord(header); }

void tdsGetKeyframerHeader(tdsDatabase* db, tdsKeyframerHeader** header) {
  if (!header) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  tdsInitKeyframerHeader(header);
  tdsKeyframerHeader& h = **header;
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  auto whole = [](double v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Whole(v))); };
  if (tdsChunk* chunk = tdsFindChild(keyframer, 0xB00A)) {
    if (const tdsChunkData* d = tdsReadChunkFields(chunk, 2, 1)) h.animationLength = whole(d->numbers[1]);
    else return;
  }
  if (tdsChunk* chunk = tdsFindChild(keyframer, 0xB009)) {
    if (const tdsChunkData* d = tdsReadChunkFields(chunk, 1, 0)) h.currentFrame = whole(d->numbers[0]);
    else return;
  }
  if (tdsChunk* chunk = tdsFindChild(keyframer, 0xB008)) {
    if (const tdsChunkData* d = tdsReadChunkFields(chunk, 2, 0))
      h.segment = {1, whole(d->numbers[0]), whole(d->numbers[1])};
  }
}

void tdsPutKeyframerHeader(tdsDatabase* db, tdsKeyframerHeader* header) {
  if (!header) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  const tdsKeyframerHeader& h = *header;
  auto frame = [](std::int32_t v) { return static_cast<double>(static_cast<std::uint32_t>(v)); };
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, true);
  if (tdsChunk* chunk = tdsFindChild(keyframer, 0xB00A)) {
    tdsChunkData* d = tdsReadChunkFields(chunk, 2, 1);
    if (!d) return;
    d->numbers[1] = frame(h.animationLength);
  } else {
    tdsChunk* made = tdsAddChild(keyframer, 0xB00A);
    tdsSetChunkNumbers(made, {5, frame(h.animationLength)});
    made->data->strings.assign(1, "");
  }
  tdsChunk* current = tdsFindChild(keyframer, 0xB009);
  if (!current) current = tdsAddChild(keyframer, 0xB009);
  tdsSetChunkNumbers(current, {frame(h.currentFrame)});
  if (h.segment.inUse) {
    tdsSetChunkNumbers(tdsReplaceOrAddChild(keyframer, 0xB008), {frame(h.segment.firstFrame), frame(h.segment.lastFrame)});
  } else if (tdsChunk* segment = tdsFindChild(keyframer, 0xB008)) {
    tdsClearChunk(segment);
  }
}

void tdsCopyKeyframerHeader(tdsDatabase* destination, tdsDatabase* source) {
  if (!tdsCheckDatabase(destination, false) || !tdsCheckDatabase(source, false)) return;
  tdsChunk* from = tdsTopChild(source, kKeyframer, false);
  if (!from) return;
  tdsChunk* to = tdsTopChild(destination, kKeyframer, true);
  for (std::int32_t tag : {0xB00A, 0xB009, 0xB008}) {
    tdsChunk* chunk = tdsFindChild(from, tag);
    if (!chunk) continue;
    if (tdsChunk* old = tdsFindChild(to, tag)) tdsDetachChunk(to, old);
    tdsInsertChunk(to, tdsCopyChunk(chunk));
  }
}

namespace {
void PrintChildren(const std::vector<ListedNode>& list, int parent, int depth, std::FILE* out) {
  if (depth > static_cast<int>(list.size())) return;
  for (const ListedNode& node : list)
    if (node.parent == parent && node.id != parent) {
      for (int i = 0; i < depth; ++i) std::fputc('-', out);
      std::fprintf(out, "%s\n", node.name.c_str());
      PrintChildren(list, node.id, depth + 1, out);
    }
}
}  // namespace

void tdsPrintNodeList(tdsDatabase* db, std::FILE* out) {
  if (!out || !tdsCheckDatabase(db, false)) return;
  std::vector<ListedNode> list;
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  if (!keyframer || !ListNodes(keyframer, list)) return;
  for (const ListedNode& n : list) {
    if (n.instance.empty())
      std::fprintf(out, "ID:%d\tName:%s\tParent:%d\n", n.id, n.name.c_str(), n.parent);
    else
      std::fprintf(out, "ID:%d\tName:%s.%s\tParent:%d\n", n.id, n.name.c_str(), n.instance.c_str(), n.parent);
  }
}

void tdsPrintNodeTree(tdsDatabase* db, std::FILE* out) {
  if (!out || !tdsCheckDatabase(db, false)) return;
  std::vector<ListedNode> list;
  tdsChunk* keyframer = tdsTopChild(db, kKeyframer, false);
  if (!keyframer || !ListNodes(keyframer, list)) return;
  PrintChildren(list, -1, 0, out);
}
