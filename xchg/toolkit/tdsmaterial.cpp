#include "tdsmaterial.h"

#include <algorithm>
#include <cmath>

#include "tdserrors.h"

namespace {

constexpr std::int32_t kEntry = 0xAFFF;

// The maps in record order with their container and extension tags.
struct MapSlot {
  tdsMap tdsMaterial::*map;
  std::int32_t container;
  std::int32_t extension;  // 0: none
};
constexpr MapSlot kMaps[] = {
    {&tdsMaterial::texture, 0xA200, 0xA320},       {&tdsMaterial::textureMask, 0xA33E, 0xA32A},
    {&tdsMaterial::texture2, 0xA33A, 0xA321},      {&tdsMaterial::texture2Mask, 0xA340, 0xA32C},
    {&tdsMaterial::opacity, 0xA210, 0xA322},       {&tdsMaterial::opacityMask, 0xA342, 0xA32E},
    {&tdsMaterial::bump, 0xA230, 0xA324},          {&tdsMaterial::bumpMask, 0xA344, 0xA330},
    {&tdsMaterial::specularMap, 0xA204, 0xA325},   {&tdsMaterial::specularMask, 0xA348, 0xA332},
    {&tdsMaterial::shininessMap, 0xA33C, 0xA326},  {&tdsMaterial::shininessMask, 0xA346, 0xA334},
    {&tdsMaterial::selfIllumMap, 0xA33D, 0xA328},  {&tdsMaterial::selfIllumMask, 0xA34A, 0xA336},
    {&tdsMaterial::reflection, 0xA220, 0},         {&tdsMaterial::reflectionMask, 0xA34C, 0xA338},
};

struct FlagSlot {
  std::uint8_t tdsMaterial::*flag;
  std::int32_t tag;
};
// In the order in which they are written.
constexpr FlagSlot kFlags[] = {
    {&tdsMaterial::useReflectionBlur, 0xA250}, {&tdsMaterial::useFalloff, 0xA240},
    {&tdsMaterial::selfIlluminated, 0xA080},   {&tdsMaterial::additive, 0xA083},
    {&tdsMaterial::wire, 0xA085},              {&tdsMaterial::wireAbsolute, 0xA08E},
    {&tdsMaterial::faceMap, 0xA088},           {&tdsMaterial::soften, 0xA08C},
    {&tdsMaterial::twoSided, 0xA081},
};

struct PercentSlot {
  float tdsMaterial::*value;
  std::int32_t tag;
};
constexpr PercentSlot kPercents[] = {
    {&tdsMaterial::shininess, 0xA040},       {&tdsMaterial::shininessStrength, 0xA041},
    {&tdsMaterial::transparency, 0xA050},    {&tdsMaterial::transparencyFalloff, 0xA052},
    {&tdsMaterial::reflectionBlur, 0xA053},  {&tdsMaterial::selfIllumination, 0xA084},
};

// Colours and percentages are written truncated. A value read from a file
// (a byte over 255, a whole percentage over 100) lies within float
// precision below its whole number and must write back as that number, so
// the truncation forgives a shortfall far below one step.
constexpr double kStepSlack = 1e-3;
double Byte(float value) {
  return std::clamp(std::trunc(static_cast<double>(value) * 255.0 + kStepSlack), 0.0, 255.0);
}
double Short(double value) { return std::isfinite(value) ? std::clamp(value, -32768.0, 32767.0) : 0.0; }
double Truncated(float percent) {
  const double scaled = static_cast<double>(percent) * 100.0;
  return Short(std::trunc(scaled + (scaled < 0 ? -kStepSlack : kStepSlack)));
}
double Rounded(float percent) { return Short(std::trunc(static_cast<double>(percent) * 100.0 + 0.5)); }
std::uint32_t Whole(double value) {
  return std::isfinite(value) ? static_cast<std::uint32_t>(static_cast<std::int64_t>(std::clamp(value, -2e9, 4.2e9)))
                              : 0;
}

// The colour of a 24-bit colour chunk; false when it cannot be read.
bool ReadColor24(tdsChunk* chunk, tdsColor& color) {
  const tdsChunkData* d = tdsReadChunkFields(chunk, 3, 0);
  if (!d) return false;
  color = {static_cast<float>(d->numbers[0] / 255.0), static_cast<float>(d->numbers[1] / 255.0),
           static_cast<float>(d->numbers[2] / 255.0)};
  return true;
}

bool ReadColor(tdsChunk* container, tdsColor& color) {
  color = {1, 1, 1};
  if (tdsChunk* c = tdsFindChild(container, 0x0011))
    if (!ReadColor24(c, color)) return false;
  if (tdsChunk* c = tdsFindChild(container, 0x0012))
    if (!ReadColor24(c, color)) return false;
  return true;
}

bool ReadPercent(tdsChunk* container, float& value) {
  value = 0;
  if (tdsChunk* c = tdsFindChild(container, 0x0030)) {
    const tdsChunkData* d = tdsReadChunkFields(c, 1, 0);
    if (!d) return false;
    value = static_cast<float>(d->numbers[0] / 100.0);
  } else if (tdsChunk* f = tdsFindChild(container, 0x0031)) {
    const tdsChunkData* d = tdsReadChunkFields(f, 1, 0);
    if (!d) return false;
    value = static_cast<float>(d->numbers[0]);
  }
  return true;
}

bool ReadMap(tdsChunk* container, tdsMap& map) {
  if (!ReadPercent(container, map.percent)) return false;
  for (auto& owned : container->children) {
    tdsChunk* c = owned.get();
    auto number = [c](double& value) {
      const tdsChunkData* d = tdsReadChunkFields(c, 1, 0);
      if (d) value = d->numbers[0];
      return d != nullptr;
    };
    double v = 0;
    bool read = true;
    switch (c->tag) {
      case 0xA300: {
        const tdsChunkData* d = tdsReadChunkFields(c, 0, 1);
        // The file's field holds up to 16 characters; the record keeps 12.
        if ((read = d != nullptr)) tdsCopyName(map.name, d->strings[0]);
        break;
      }
      case 0xA351: {
        if (!(read = number(v))) break;
        const std::uint32_t f = Whole(v);
        map.tiling = !(f & 1) ? 1 : (f & 0x10) ? 2 : 3;
        map.ignoreAlpha = (f >> 8) & 1;
        map.filter = (f & 0x20) ? 1 : 0;
        map.mirror = (f >> 1) & 1;
        map.negative = (f >> 3) & 1;
        map.tint = (f & 0xC0) == 0xC0 ? 3 : (f & 0x80) ? 2 : (f & 0x200) ? 4 : static_cast<std::int32_t>((f >> 6) & 1);
        break;
      }
      case 0xA353: if ((read = number(v))) map.blur = static_cast<float>(v); break;
      case 0xA354: if ((read = number(v))) map.uScale = static_cast<float>(v); break;
      case 0xA356: if ((read = number(v))) map.vScale = static_cast<float>(v); break;
      case 0xA358: if ((read = number(v))) map.uOffset = static_cast<float>(v); break;
      case 0xA35A: if ((read = number(v))) map.vOffset = static_cast<float>(v); break;
      case 0xA35C: if ((read = number(v))) map.rotation = static_cast<float>(v); break;
      case 0xA360: read = ReadColor24(c, map.tint1); break;
      case 0xA362: read = ReadColor24(c, map.tint2); break;
      case 0xA364: read = ReadColor24(c, map.redTint); break;
      case 0xA366: read = ReadColor24(c, map.greenTint); break;
      case 0xA368: read = ReadColor24(c, map.blueTint); break;
      default: break;
    }
    if (!read) return false;
  }
  return true;
}

bool ReadMaterialEntry(tdsChunk* entry, tdsMaterial& m) {
  for (auto& owned : entry->children) {
    tdsChunk* c = owned.get();
    if ((c->tag & 0xFF00) == 0x8000) continue;
    bool read = true;
    switch (c->tag) {
      case 0xA000: {
        const tdsChunkData* d = tdsReadChunkFields(c, 0, 1);
        if ((read = d != nullptr)) tdsCopyName(m.name, d->strings[0]);
        break;
      }
      case 0xA010: read = ReadColor(c, m.ambient); break;
      case 0xA020: read = ReadColor(c, m.diffuse); break;
      case 0xA030: read = ReadColor(c, m.specular); break;
      case 0xA085:
        m.shading = 0;
        m.wire = 1;
        break;
      case 0xA100: {
        const tdsChunkData* d = tdsReadChunkFields(c, 1, 0);
        if ((read = d != nullptr)) m.shading = static_cast<std::int32_t>(d->numbers[0]);
        break;
      }
      case 0xA087: {
        const tdsChunkData* d = tdsReadChunkFields(c, 1, 0);
        if ((read = d != nullptr)) m.wireSize = static_cast<float>(d->numbers[0]);
        break;
      }
      case 0xA08A: m.transparencyFalloff = -m.transparencyFalloff; break;
      case 0xA310: {
        const tdsChunkData* d = tdsReadChunkFields(c, 5, 0);
        if (!(read = d != nullptr)) break;
        const std::uint32_t flags = Whole(d->numbers[2]) & 0xFFFF;
        m.autoReflection = {1, static_cast<std::uint8_t>((flags & 9) == 9),
                            static_cast<std::uint8_t>((flags & 0x11) == 0x11),
                            static_cast<std::int32_t>(Whole(d->numbers[3])),
                            static_cast<std::int32_t>(Whole(d->numbers[4]))};
        break;
      }
      default: {
        for (const auto& p : kPercents)
          if (p.tag == c->tag) read = ReadPercent(c, m.*p.value);
        for (const auto& f : kFlags)
          if (f.tag == c->tag && f.tag != 0xA085) m.*f.flag = 1;
        for (const auto& slot : kMaps) {
          if (slot.container == c->tag) {
            read = ReadMap(c, m.*slot.map);
            if (read && c->tag == 0xA230)
              if (tdsChunk* bumpPercent = tdsFindChild(c, 0xA252)) {
                const tdsChunkData* d = tdsReadChunkFields(bumpPercent, 1, 0);
                if ((read = d != nullptr)) m.bump.percent = static_cast<float>(d->numbers[0] / 100.0);
              }
          }
          if (slot.extension && slot.extension == c->tag) {
            const tdsChunkData* d = tdsReadChunkData(c);
            if ((read = d != nullptr)) {
              tdsMap& map = m.*slot.map;
              map.extraData = d->raw;
              map.extraSize = static_cast<std::uint32_t>(d->raw.size());
            }
          }
        }
      }
    }
    if (!read) return false;
  }
  return true;
}

void ReadMaterial(tdsChunk* original, tdsMaterial** material) {
  if (original->tag != kEntry) {
    tdsPushError(ERR_INVALID_CHUNK);
    return;
  }
  std::unique_ptr<tdsChunk> entry = tdsCopyChunk(original);
  tdsInitMaterial(material);
  ReadMaterialEntry(entry.get(), **material);
}

void AddColor(tdsChunk* entry, std::int32_t tag, const tdsColor& color) {
  tdsChunk* container = tdsAddChild(entry, tag);
  for (std::int32_t colorTag : {0x0011, 0x0012})
    tdsSetChunkNumbers(tdsAddChild(container, colorTag), {Byte(color.r), Byte(color.g), Byte(color.b)});
}

void AddPercent(tdsChunk* container, double value) { tdsSetChunkNumbers(tdsAddChild(container, 0x0030), {value}); }

void AddColor24(tdsChunk* container, std::int32_t tag, const tdsColor& color) {
  tdsSetChunkNumbers(tdsAddChild(container, tag), {Byte(color.r), Byte(color.g), Byte(color.b)});
}

void AddMapChunks(tdsChunk* container, const tdsMap& map) {
  AddPercent(container, Rounded(map.percent));
  tdsSetChunkString(tdsAddChild(container, 0xA300), tdsNameOf(map.name));
  std::uint32_t flags = map.tiling == 2 ? 0x11 : map.tiling == 3 ? 0x01 : 0;
  if (map.ignoreAlpha) flags |= 0x100;
  if (map.filter == 1) flags |= 0x20;
  if (map.mirror) flags |= 0x02;
  if (map.negative) flags |= 0x08;
  static constexpr std::uint32_t kTintBits[] = {0, 0x40, 0x80, 0xC0, 0x200};
  if (map.tint >= 1 && map.tint <= 4) flags |= kTintBits[map.tint];
  tdsSetChunkNumbers(tdsAddChild(container, 0xA351), {static_cast<double>(flags)});
  if (map.uScale != 1 || map.vScale != 1) {
    tdsSetChunkNumbers(tdsAddChild(container, 0xA354), {map.uScale});
    tdsSetChunkNumbers(tdsAddChild(container, 0xA356), {map.vScale});
  }
  if (map.uOffset != 0 || map.vOffset != 0) {
    tdsSetChunkNumbers(tdsAddChild(container, 0xA358), {map.uOffset});
    tdsSetChunkNumbers(tdsAddChild(container, 0xA35A), {map.vOffset});
  }
  if (map.rotation != 0) tdsSetChunkNumbers(tdsAddChild(container, 0xA35C), {map.rotation});
  if (map.blur != 0) tdsSetChunkNumbers(tdsAddChild(container, 0xA353), {map.blur});
  if (map.tint == 2 || map.tint == 3) {
    AddColor24(container, 0xA360, map.tint1);
    AddColor24(container, 0xA362, map.tint2);
  }
  if (map.tint == 4) {
    AddColor24(container, 0xA364, map.redTint);
    AddColor24(container, 0xA366, map.greenTint);
    AddColor24(container, 0xA368, map.blueTint);
  }
}

// The extension data are written whole, every byte of the record's array.
void AddExtension(tdsChunk* entry, std::int32_t tag, const tdsMap& map) {
  if (!tag || map.extraData.empty()) return;
  tdsChunk* chunk = tdsAddChild(entry, tag);
  chunk->data = std::make_unique<tdsChunkData>();
  chunk->data->raw = map.extraData;
}

tdsChunk* MaterialParent(tdsDatabase* db, bool make) {
  return tdsDatabaseKind(db) == TDS_MATERIAL_LIBRARY ? db->top.get() : tdsTopChild(db, 0x3D3D, make);
}

tdsChunk* FindMaterial(tdsDatabase* db, const char* name) {
  for (const auto& entry : tdsMaterialList(db))
    if (entry.name == name) return entry.chunk;
  return nullptr;
}

tdsChunk* MaterialAt(tdsDatabase* db, std::uint32_t index) {
  const auto& list = tdsMaterialList(db);
  return index < list.size() ? list[index].chunk : nullptr;
}

void DeleteMaterial(tdsDatabase* db, tdsChunk* entry) {
  if (tdsChunk* parent = MaterialParent(db, false)) tdsDetachChunk(parent, entry);
  db->materialListStale = 1;
}

void CopyMaterial(tdsDatabase* destination, tdsChunk* entry) {
  tdsChunk* nameChunk = tdsFindChild(entry, 0xA000);
  const std::string name = tdsChunkString(nameChunk, 0);
  if (tdsChunk* old = FindMaterial(destination, name.c_str())) DeleteMaterial(destination, old);
  tdsInsertChunk(MaterialParent(destination, true), tdsCopyChunk(entry));
  destination->materialListStale = 1;
}

}  // namespace

void tdsInitMaterial(tdsMaterial** material) {
  tdsInitRecord(material);
}

void tdsReleaseMaterial(tdsMaterial** material) { tdsReleaseRecord(material); }

std::uint32_t tdsGetMaterialCount(tdsDatabase* db) {
  if (!tdsCheckDatabase(db, true)) return 0;
  return static_cast<std::uint32_t>(tdsMaterialList(db).size());
}

void tdsGetMaterialNameList(tdsDatabase* db, tdsNameList** list) {
  if (!list) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, true)) return;
  tdsInitNameList(list, 0);
  for (const auto& entry : tdsMaterialList(db)) (*list)->names.push_back(entry.name);
}

void tdsGetMaterialByIndex(tdsDatabase* db, std::uint32_t index, tdsMaterial** material) {
  if (!material) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, true)) return;
  tdsChunk* entry = MaterialAt(db, index);
  if (!entry) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  ReadMaterial(entry, material);
}

void tdsGetMaterialByName(tdsDatabase* db, const char* name, tdsMaterial** material) {
  if (!name || !material) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, true)) return;
  if (tdsChunk* entry = FindMaterial(db, name)) ReadMaterial(entry, material);
}

void tdsPutMaterial(tdsDatabase* db, tdsMaterial* material) {
  if (!material) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, true)) return;
  const tdsMaterial& m = *material;
  const std::string name = tdsNameOf(m.name);
  std::unique_ptr<tdsChunk> extension;
  tdsChunk* entry = FindMaterial(db, name.c_str());
  if (entry) {
    extension = tdsCopyChunk(tdsFindChild(entry, 0x8000));
    tdsClearChunk(entry);
    entry->tag = kEntry;
  } else {
    entry = tdsInsertChunk(MaterialParent(db, true), tdsNewChunk(kEntry));
  }
  db->materialListStale = 1;
  tdsSetChunkString(tdsAddChild(entry, 0xA000), name);
  AddColor(entry, 0xA010, m.ambient);
  AddColor(entry, 0xA020, m.diffuse);
  AddColor(entry, 0xA030, m.specular);
  AddPercent(tdsAddChild(entry, 0xA040), Truncated(m.shininess));
  AddPercent(tdsAddChild(entry, 0xA041), Truncated(m.shininessStrength));
  AddPercent(tdsAddChild(entry, 0xA050), Truncated(m.transparency));
  AddPercent(tdsAddChild(entry, 0xA052), Short(std::round(std::fabs(static_cast<double>(m.transparencyFalloff)) * 100.0)));
  if (m.transparencyFalloff < 0) tdsAddChild(entry, 0xA08A);
  AddPercent(tdsAddChild(entry, 0xA053), Truncated(m.reflectionBlur));
  tdsSetChunkNumbers(tdsAddChild(entry, 0xA100), {Short(m.shading)});
  AddPercent(tdsAddChild(entry, 0xA084), Truncated(m.selfIllumination));
  if (m.twoSided) tdsAddChild(entry, 0xA081);
  tdsSetChunkNumbers(tdsAddChild(entry, 0xA087), {m.wireSize});
  for (const auto& f : kFlags)
    if (f.tag != 0xA081 && m.*f.flag) tdsAddChild(entry, f.tag);
  for (const auto& slot : kMaps) {
    const tdsMap& map = m.*slot.map;
    if (slot.container == 0xA220) {
      if (map.name[0] || m.autoReflection.use) {
        tdsChunk* container = tdsAddChild(entry, 0xA220);
        AddPercent(container, Truncated(map.percent));
        tdsSetChunkString(tdsAddChild(container, 0xA300), tdsNameOf(map.name));
      }
      continue;
    }
    if (!map.name[0]) continue;
    tdsChunk* container = tdsAddChild(entry, slot.container);
    AddMapChunks(container, map);
    if (slot.container == 0xA230) tdsSetChunkNumbers(tdsAddChild(container, 0xA252), {Truncated(m.bump.percent)});
    AddExtension(entry, slot.extension, map);
  }
  if (m.autoReflection.use) {
    std::uint32_t flags = 1;
    if (m.autoReflection.firstFrameOnly) flags |= 9;
    if (m.autoReflection.flatMirror) flags |= 0x11;
    tdsSetChunkNumbers(tdsAddChild(entry, 0xA310),
                       {0, 0, static_cast<double>(static_cast<std::int16_t>(flags)),
                        static_cast<double>(static_cast<std::uint32_t>(m.autoReflection.size)),
                        static_cast<double>(static_cast<std::uint32_t>(m.autoReflection.everyNthFrame))});
  }
  if (extension) tdsInsertChunk(entry, std::move(extension));
}

void tdsDeleteMaterialByName(tdsDatabase* db, const char* name) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, true)) return;
  if (tdsChunk* entry = FindMaterial(db, name)) DeleteMaterial(db, entry);
}

void tdsDeleteMaterialByIndex(tdsDatabase* db, std::uint32_t index) {
  if (!tdsCheckDatabase(db, true)) return;
  tdsChunk* entry = MaterialAt(db, index);
  if (!entry) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  DeleteMaterial(db, entry);
}

void tdsCopyMaterialByName(tdsDatabase* destination, tdsDatabase* source, const char* name) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(destination, true) || !tdsCheckDatabase(source, true)) return;
  if (tdsChunk* entry = FindMaterial(source, name)) CopyMaterial(destination, entry);
}

void tdsCopyMaterialByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index) {
  if (!tdsCheckDatabase(destination, true) || !tdsCheckDatabase(source, true)) return;
  tdsChunk* entry = MaterialAt(source, index);
  if (!entry) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  CopyMaterial(destination, entry);
}
