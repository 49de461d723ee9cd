// Keyframer data: object motions (an object node with its pivot, bounding
// box and tracks), the keyframer header, and the node hierarchy, which the
// file keeps as parent indices and the database as parent names.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tdsdatabase.h"
#include "tdsrecords.h"

// One key header: a float whose flag bit (0 to 4 in field order) is clear is
// 0 and is not stored in the file.
struct tdsKey {
  std::int32_t frame = 0;
  std::uint16_t flags = 0;
  float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
  bool operator==(const tdsKey&) const = default;
};

struct tdsRotationKeyValue {
  float angle = 0, x = 0, y = 0, z = 1;
  bool operator==(const tdsRotationKeyValue&) const = default;
};

using tdsMorphName = std::array<char, 13>;

// A track: its keys and one value for each key.
template <class Value>
struct tdsTrack {
  std::uint32_t keyCount = 0;
  std::uint16_t flags = 0;
  std::vector<tdsKey> keys;
  std::vector<Value> values;
};

struct tdsHideTrack {
  std::uint32_t keyCount = 0;
  std::uint16_t flags = 0;
  std::vector<tdsKey> keys;
};

struct tdsObjectMotion {
  char name[11] = {};
  // The parent node's name, followed by "." and its instance name when it
  // has one; empty for none.
  char parent[22] = {};
  std::uint16_t flags1 = 0, flags2 = 0;
  tdsPoint3 pivot;
  char instance[11] = {};
  tdsPoint3 boundMin, boundMax;
  tdsTrack<tdsPoint3> position;
  tdsTrack<tdsRotationKeyValue> rotation;
  tdsTrack<tdsPoint3> scale;
  tdsTrack<tdsMorphName> morph;
  tdsHideTrack hide;
  float morphSmooth = 24.0f;
};

struct tdsKeyframerSegment {
  std::uint8_t inUse = 0;
  std::int32_t firstFrame = 0, lastFrame = 30;
};

struct tdsKeyframerHeader {
  std::int32_t animationLength = 30;
  std::int32_t currentFrame = 0;
  tdsKeyframerSegment segment;
};

void tdsInitObjectMotion(tdsObjectMotion** motion, std::uint32_t positionKeys, std::uint32_t rotationKeys,
                         std::uint32_t scaleKeys, std::uint32_t morphKeys, std::uint32_t hideKeys);
void tdsReleaseObjectMotion(tdsObjectMotion** motion);
std::uint32_t tdsGetObjectNodeCount(tdsDatabase* db);
void tdsGetObjectNodeNameList(tdsDatabase* db, tdsNameList** list);
void tdsGetObjectMotionByName(tdsDatabase* db, const char* name, tdsObjectMotion** motion);
void tdsGetObjectMotionByIndex(tdsDatabase* db, std::uint32_t index, tdsObjectMotion** motion);
void tdsPutObjectMotion(tdsDatabase* db, tdsObjectMotion* motion);

// Remove or copy a node of a given tag (0xB001 to 0xB007). A camera node
// goes with the camera target node of its name, a spotlight node with its
// light target node.
void tdsDeleteNodeByName(tdsDatabase* db, const char* name, std::int32_t tag);
void tdsDeleteNodeByIndex(tdsDatabase* db, std::uint32_t index, std::int32_t tag);
void tdsCopyNodeByName(tdsDatabase* destination, tdsDatabase* source, const char* name, std::int32_t tag);
void tdsCopyNodeByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index, std::int32_t tag);
void tdsDeleteObjectMotionByName(tdsDatabase* db, const char* name);
void tdsDeleteObjectMotionByIndex(tdsDatabase* db, std::uint32_t index);
void tdsCopyObjectMotionByName(tdsDatabase* destination, tdsDatabase* source, const char* name);
void tdsCopyObjectMotionByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index);

void tdsInitKeyframerHeader(tdsKeyframerHeader** header);
void tdsGetKeyframerHeader(tdsDatabase* db, tdsKeyframerHeader** header);
void tdsPutKeyframerHeader(tdsDatabase* db, tdsKeyframerHeader* header);
void tdsReleaseKeyframerHeader(tdsKeyframerHeader** header);
void tdsCopyKeyframerHeader(tdsDatabase* destination, tdsDatabase* source);

// Diagnostics: one line per keyframer node with its identifier and parent
// index, and the node tree, one name a line after a "-" per level of depth.
void tdsPrintNodeList(tdsDatabase* db, std::FILE* out);
void tdsPrintNodeTree(tdsDatabase* db, std::FILE* out);

// Used by the database: the list name of a keyframer node; the parent
// indices of a loaded tree turned into parent names, and back before
// writing. False with an error pushed when a node cannot be read.
std::string tdsNodeListName(tdsChunk* node);
bool tdsResolveNodeParents(tdsDatabase* db);
bool tdsStoreNodeParentIndices(tdsDatabase* db);
