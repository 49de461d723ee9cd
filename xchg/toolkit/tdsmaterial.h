// Material records: the chunks of a material entry as one flat record with
// its colours, percentages, flags and sixteen maps.
#pragma once

#include <cstdint>
#include <vector>

#include "tdsdatabase.h"
#include "tdsrecords.h"

struct tdsColor {
  float r = 0, g = 0, b = 0;
  bool operator==(const tdsColor&) const = default;
};

struct tdsMap {
  char name[13] = {};  // empty: no map
  float percent = 0;
  std::int32_t tiling = 1;  // 1, 2 or 3
  std::int32_t ignoreAlpha = 0;
  std::int32_t filter = 0;
  float blur = 0;
  std::uint8_t mirror = 0, negative = 0;
  float uScale = 1, vScale = 1, uOffset = 0, vOffset = 0, rotation = 0;
  std::int32_t tint = 0;  // 0 to 4
  tdsColor tint1{0, 0, 0}, tint2{1, 1, 1};
  tdsColor redTint{1, 0, 0}, greenTint{0, 1, 0}, blueTint{0, 0, 1};
  std::uint32_t extraSize = 0;
  std::vector<std::uint8_t> extraData;  // the raw map extension chunk
};

struct tdsAutoReflection {
  std::uint8_t use = 0;
  std::uint8_t firstFrameOnly = 0;
  std::uint8_t flatMirror = 0;
  std::int32_t size = 100;
  std::int32_t everyNthFrame = 1;
};

struct tdsMaterial {
  char name[17] = {};
  tdsColor ambient, diffuse, specular;
  // Percentages divided by 100; a negative falloff falls off inwards.
  float shininess = 0, shininessStrength = 0, reflectionBlur = 0, transparency = 0, transparencyFalloff = 0,
        selfIllumination = 0;
  float wireSize = 1;
  std::int32_t shading = 3;
  std::uint8_t useReflectionBlur = 0;  // 0xA250
  std::uint8_t useFalloff = 0;         // 0xA240
  std::uint8_t twoSided = 0;           // 0xA081
  std::uint8_t selfIlluminated = 0;    // 0xA080
  std::uint8_t additive = 0;           // 0xA083
  std::uint8_t wire = 0;               // 0xA085
  std::uint8_t wireAbsolute = 0;       // 0xA08E
  std::uint8_t faceMap = 0;            // 0xA088
  std::uint8_t soften = 0;             // 0xA08C
  tdsMap texture, textureMask, texture2, texture2Mask, opacity, opacityMask, bump, bumpMask, specularMap,
      specularMask, shininessMap, shininessMask, selfIllumMap, selfIllumMask, reflection;
  tdsAutoReflection autoReflection;
  tdsMap reflectionMask;
};

void tdsInitMaterial(tdsMaterial** material);
void tdsReleaseMaterial(tdsMaterial** material);
std::uint32_t tdsGetMaterialCount(tdsDatabase* db);
void tdsGetMaterialNameList(tdsDatabase* db, tdsNameList** list);
void tdsGetMaterialByIndex(tdsDatabase* db, std::uint32_t index, tdsMaterial** material);
void tdsGetMaterialByName(tdsDatabase* db, const char* name, tdsMaterial** material);
void tdsPutMaterial(tdsDatabase* db, tdsMaterial* material);
void tdsDeleteMaterialByName(tdsDatabase* db, const char* name);
void tdsDeleteMaterialByIndex(tdsDatabase* db, std::uint32_t index);
void tdsCopyMaterialByName(tdsDatabase* destination, tdsDatabase* source, const char* name);
void tdsCopyMaterialByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index);
