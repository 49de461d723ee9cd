#include "tdsmesh.h"

#include <algorithm>
#include <cmath>

#include "tdserrors.h"

namespace {

constexpr std::int32_t kObjects = 0x3D3D;
constexpr std::int32_t kNamedObject = 0x4000;
constexpr std::int32_t kTriangles = 0x4100;
constexpr std::int32_t kFaces = 0x4120;

struct FlagSlot {
  std::uint8_t tdsMesh::*flag;
  std::int32_t tag;
};
// In the order in which they are written.
constexpr FlagSlot kFlags[] = {
    {&tdsMesh::hidden, 0x4010}, {&tdsMesh::visibleInLofter, 0x4011}, {&tdsMesh::matte, 0x4013},
    {&tdsMesh::castsNoShadow, 0x4012}, {&tdsMesh::fast, 0x4014}, {&tdsMesh::receivesNoShadow, 0x4017},
    {&tdsMesh::frozen, 0x4016},
};

std::uint32_t Whole(double value) {
  return std::isfinite(value) ? static_cast<std::uint32_t>(static_cast<std::int64_t>(std::clamp(value, -2e9, 4.2e9)))
                              : 0;
}
float Float(double value) { return static_cast<float>(value); }

// The items of a decoded array: its count and at least that many items of
// `width` numbers each after `first`; ERR_INVALID_CHUNK otherwise.
const tdsChunkData* ReadArray(tdsChunk* chunk, std::size_t first, std::size_t width, std::size_t strings,
                              std::uint32_t& count) {
  const tdsChunkData* d = tdsReadChunkFields(chunk, first + 1, strings);
  if (!d) return nullptr;
  count = Whole(d->numbers[first]);
  if (d->numbers.size() < first + 1 + std::size_t{count} * width) {
    tdsPushError(ERR_INVALID_CHUNK);
    return nullptr;
  }
  return d;
}

bool ReadFaceChildren(tdsChunk* faces, tdsMesh& mesh) {
  std::vector<tdsMaterialGroup> groups;
  bool smoothingRead = false;
  for (auto& owned : faces->children) {
    tdsChunk* c = owned.get();
    std::uint32_t count = 0;
    if (c->tag == 0x4130) {
      const tdsChunkData* d = ReadArray(c, 0, 1, 1, count);
      if (!d) return false;
      if (groups.size() >= 0xFFFF) {
        tdsPushError(ERR_INVALID_CHUNK);
        return false;
      }
      tdsMaterialGroup group;
      tdsCopyName(group.name, d->strings[0]);
      group.faceCount = static_cast<std::uint16_t>(count);
      group.faceIndices.resize(count);
      for (std::uint32_t i = 0; i < count; ++i) group.faceIndices[i] = static_cast<std::uint16_t>(Whole(d->numbers[1 + i]));
      groups.push_back(std::move(group));
    } else if (c->tag == 0x4150 && !smoothingRead) {
      const tdsChunkData* d = ReadArray(c, 0, 1, 0, count);
      if (!d) return false;
      smoothingRead = true;
      mesh.smoothing.assign(mesh.faceCount, 0);
      for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, mesh.faceCount); ++i)
        mesh.smoothing[i] = Whole(d->numbers[1 + i]);
    } else if (c->tag == 0x4190) {
      const tdsChunkData* d = tdsReadChunkFields(c, 0, 6);
      if (!d) return false;
      for (int i = 0; i < 6; ++i) tdsCopyName(mesh.boxMap[i], d->strings[static_cast<std::size_t>(i)]);
      mesh.useBoxMap = 1;
    }
  }
  mesh.materialGroupCount = static_cast<std::uint16_t>(groups.size());
  mesh.materialGroups = std::move(groups);
  return true;
}

bool ReadTriangles(tdsChunk* triangles, tdsMesh& mesh) {
  for (auto& owned : triangles->children) {
    tdsChunk* c = owned.get();
    std::uint32_t count = 0;
    const tdsChunkData* d = nullptr;
    switch (c->tag) {
      case 0x4110:
        if (!(d = ReadArray(c, 0, 3, 0, count))) return false;
        mesh.vertexCount = static_cast<std::uint16_t>(count);
        mesh.vertices.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
          mesh.vertices[i] = {Float(d->numbers[1 + 3 * i]), Float(d->numbers[2 + 3 * i]), Float(d->numbers[3 + 3 * i])};
        break;
      case 0x4111:
        if (!(d = ReadArray(c, 0, 1, 0, count))) return false;
        mesh.vertexFlagCount = static_cast<std::uint16_t>(count);
        mesh.vertexFlags.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
          mesh.vertexFlags[i] = static_cast<std::uint16_t>(static_cast<std::int16_t>(d->numbers[1 + i]));
        break;
      case 0x4140:
        if (!(d = ReadArray(c, 0, 2, 0, count))) return false;
        mesh.texVertCount = static_cast<std::uint16_t>(count);
        mesh.texVerts.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
          mesh.texVerts[i] = {Float(d->numbers[1 + 2 * i]), Float(d->numbers[2 + 2 * i])};
        break;
      case 0x4160:
        if (!(d = tdsReadChunkFields(c, 12, 0))) return false;
        for (int i = 0; i < 12; ++i) mesh.localMatrix[i] = Float(d->numbers[static_cast<std::size_t>(i)]);
        break;
      case 0x4165:
        if (!(d = tdsReadChunkFields(c, 1, 0))) return false;
        mesh.meshColor = static_cast<std::uint8_t>(Whole(d->numbers[0]));
        break;
      case 0x4170: {
        if (!(d = tdsReadChunkFields(c, 22, 0))) return false;
        const auto& n = d->numbers;
        tdsMeshMapInfo& info = mesh.mapInfo;
        info.mapType = static_cast<std::uint16_t>(Whole(n[0]));
        info.tileX = Float(n[1]);
        info.tileY = Float(n[2]);
        info.iconPosition = {Float(n[3]), Float(n[4]), Float(n[5])};
        info.iconScaling = Float(n[6]);
        for (int i = 0; i < 12; ++i) info.matrix[i] = Float(n[7 + static_cast<std::size_t>(i)]);
        info.planarWidth = Float(n[19]);
        info.planarHeight = Float(n[20]);
        info.cylinderHeight = Float(n[21]);
        mesh.useMapInfo = 1;
        break;
      }
      case 0x4181:
        if (!(d = tdsReadChunkFields(c, 0, 1))) return false;
        tdsCopyName(mesh.procName, d->strings[0]);
        break;
      case 0x4182:
        if (!(d = tdsReadChunkData(c))) return false;
        mesh.procData = d->raw;
        mesh.procSize = static_cast<std::uint32_t>(d->raw.size());
        break;
      case kFaces:
        if (!(d = ReadArray(c, 0, 4, 0, count))) return false;
        mesh.faceCount = static_cast<std::uint16_t>(count);
        mesh.faces.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
          const double* f = d->numbers.data() + 1 + 4 * std::size_t{i};
          mesh.faces[i] = {static_cast<std::uint16_t>(Whole(f[0])), static_cast<std::uint16_t>(Whole(f[1])),
                           static_cast<std::uint16_t>(Whole(f[2])), static_cast<std::uint16_t>(Whole(f[3]))};
        }
        if (!ReadFaceChildren(c, mesh)) return false;
        break;
      default: break;
    }
  }
  return true;
}

void ReadMesh(tdsChunk* original, tdsMesh** mesh) {
  if (!tdsFindChild(original, kTriangles)) {
    tdsPushError(ERR_WRONG_OBJECT);
    return;
  }
  tdsInitMesh(mesh, 0, 0, 0);
  if (!*mesh) return;
  std::unique_ptr<tdsChunk> object = tdsCopyChunk(original);
  tdsMesh& m = **mesh;
  tdsCopyName(m.name, tdsChunkString(object.get(), 0));
  if (!ReadTriangles(tdsFindChild(object.get(), kTriangles), m)) return;
  for (const auto& f : kFlags) m.*f.flag = tdsFindChild(object.get(), f.tag) ? 1 : 0;
  m.useProc = tdsFindChild(object.get(), 0x4015) ? 1 : 0;
}

// The named objects that hold a triangle mesh.
std::vector<tdsNameEntry> Meshes(tdsDatabase* db) {
  std::vector<tdsNameEntry> meshes;
  for (const auto& entry : tdsObjectList(db))
    if (tdsFindChild(entry.chunk, kTriangles)) meshes.push_back(entry);
  return meshes;
}

tdsChunk* FindObject(tdsDatabase* db, const char* name) {
  for (const auto& entry : tdsObjectList(db))
    if (entry.name == name) return entry.chunk;
  return nullptr;
}

tdsChunk* MeshAt(tdsDatabase* db, std::uint32_t index) {
  const auto meshes = Meshes(db);
  return index < meshes.size() ? meshes[index].chunk : nullptr;
}

void DeleteObject(tdsDatabase* db, tdsChunk* object) {
  if (tdsChunk* objects = tdsTopChild(db, kObjects, false)) tdsDetachChunk(objects, object);
  db->objectListStale = 1;
}

void CopyObject(tdsDatabase* destination, tdsChunk* object) {
  const std::string name = tdsChunkString(object, 0);
  if (tdsChunk* old = FindObject(destination, name.c_str())) DeleteObject(destination, old);
  tdsInsertChunk(tdsTopChild(destination, kObjects, true), tdsCopyChunk(object));
  destination->objectListStale = 1;
}

template <class T>
void Resize(std::vector<T>& array, std::size_t count) {
  if (count == 0)
    std::vector<T>().swap(array);
  else
    array.resize(count);
}

bool Fits(const tdsMesh& m) {
  if (m.vertices.size() < m.vertexCount && !m.vertices.empty()) return false;
  if (m.vertexFlags.size() < m.vertexFlagCount && !m.vertexFlags.empty()) return false;
  if (m.texVerts.size() < m.texVertCount) return false;
  if (m.faces.size() < m.faceCount && !m.faces.empty()) return false;
  if (!m.smoothing.empty() && m.smoothing.size() < m.faceCount) return false;
  if (m.materialGroups.size() < m.materialGroupCount) return false;
  for (std::size_t g = 0; g < m.materialGroupCount; ++g)
    if (m.materialGroups[g].faceIndices.size() < m.materialGroups[g].faceCount) return false;
  return true;
}

}  // namespace

void tdsInitMesh(tdsMesh** mesh, std::uint16_t vertexCount, std::uint16_t faceCount, std::uint32_t parts) {
  if (!tdsInitRecord(mesh)) return;
  tdsMesh& m = **mesh;
  m.vertexCount = vertexCount;
  m.faceCount = faceCount;
  std::uint32_t arrays = TDS_MESH_VERTICES | TDS_MESH_FACES;
  if (parts & TDS_MESH_VERTEX_FLAGS) {
    m.vertexFlagCount = vertexCount;
    arrays |= TDS_MESH_VERTEX_FLAGS;
  }
  if (parts & TDS_MESH_TEX_VERTS) {
    m.texVertCount = vertexCount;
    arrays |= TDS_MESH_TEX_VERTS;
  }
  if (parts & TDS_MESH_SMOOTHING) arrays |= TDS_MESH_SMOOTHING;
  tdsAllocMeshArrays(&m, arrays);
}

void tdsAllocMeshArrays(tdsMesh* mesh, std::uint32_t parts) {
  if (!mesh) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  tdsMesh& m = *mesh;
  if (parts & TDS_MESH_VERTICES) Resize(m.vertices, m.vertexCount);
  if (parts & TDS_MESH_VERTEX_FLAGS) Resize(m.vertexFlags, m.vertexFlagCount);
  if (parts & TDS_MESH_FACES) Resize(m.faces, m.faceCount);
  if (parts & TDS_MESH_MATERIAL_GROUPS) Resize(m.materialGroups, m.materialGroupCount);
  if (parts & TDS_MESH_SMOOTHING) Resize(m.smoothing, m.faceCount);
  if (parts & TDS_MESH_PROC_DATA) Resize(m.procData, m.procSize);
  if (parts & TDS_MESH_TEX_VERTS) Resize(m.texVerts, m.texVertCount);
}

void tdsAllocGroupFaces(tdsMesh* mesh, std::uint16_t group, std::uint16_t count) {
  if (!mesh || count == 0) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (mesh->faceCount == 0 || group >= mesh->materialGroupCount || group >= mesh->materialGroups.size()) {
    tdsPushError(ERR_INVALID_DATA);
    return;
  }
  tdsMaterialGroup& g = mesh->materialGroups[group];
  g.faceIndices.assign(count, 0);
  g.faceCount = count;
}

void tdsFreeMeshParts(tdsMesh* mesh, std::uint32_t parts) {
  if (!mesh) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  tdsMesh& m = *mesh;
  if (parts & TDS_MESH_VERTICES) Resize(m.vertices, 0);
  if (parts & TDS_MESH_VERTEX_FLAGS) Resize(m.vertexFlags, 0);
  if (parts & TDS_MESH_FACES) Resize(m.faces, 0);
  if (parts & TDS_MESH_MATERIAL_GROUPS) Resize(m.materialGroups, 0);
  if (parts & TDS_MESH_SMOOTHING) Resize(m.smoothing, 0);
  if (parts & TDS_MESH_PROC_DATA) Resize(m.procData, 0);
  if (parts & TDS_MESH_TEX_VERTS) Resize(m.texVerts, 0);
}

void tdsReleaseMesh(tdsMesh** mesh) { tdsReleaseRecord(mesh); }

std::uint32_t tdsGetMeshCount(tdsDatabase* db) {
  if (!tdsCheckDatabase(db, false)) return 0;
  return static_cast<std::uint32_t>(Meshes(db).size());
}

void tdsGetMeshNameList(tdsDatabase* db, tdsNameList** list) {
  if (!list) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  tdsInitNameList(list, 0);
  for (const auto& entry : Meshes(db)) (*list)->names.push_back(entry.name);
}

void tdsGetMeshByIndex(tdsDatabase* db, std::uint32_t index, tdsMesh** mesh) {
  if (!mesh) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  tdsChunk* object = MeshAt(db, index);
  if (!object) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  ReadMesh(object, mesh);
}

void tdsGetMeshByName(tdsDatabase* db, const char* name, tdsMesh** mesh) {
  if (!name || !mesh) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  if (tdsChunk* object = FindObject(db, name)) ReadMesh(object, mesh);
}

void tdsPutMesh(tdsDatabase* db, tdsMesh* mesh) {
  if (!mesh) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  const tdsMesh& m = *mesh;
  if (!Fits(m)) {
    tdsPushError(ERR_INVALID_DATA);
    return;
  }
  const std::string name = tdsNameOf(m.name);
  tdsChunk* objects = tdsTopChild(db, kObjects, true);
  std::unique_ptr<tdsChunk> extension;
  tdsChunk* object = FindObject(db, name.c_str());
  if (object) {
    extension = tdsCopyChunk(tdsFindChunk(object, 0x8000));
    tdsClearChunk(object);
    object->tag = kNamedObject;
  } else {
    object = tdsInsertChunk(objects, tdsNewChunk(kNamedObject));
  }
  tdsSetChunkString(object, name);
  db->objectListStale = 1;

  tdsChunk* triangles = tdsAddChild(object, kTriangles);
  if (m.vertexCount && !m.vertices.empty()) {
    tdsChunk* c = tdsAddChild(triangles, 0x4110);
    tdsSetChunkNumbers(c, {static_cast<double>(m.vertexCount)});
    for (std::size_t i = 0; i < m.vertexCount; ++i)
      c->data->numbers.insert(c->data->numbers.end(), {m.vertices[i].x, m.vertices[i].y, m.vertices[i].z});
  }
  if (m.texVertCount) {
    tdsChunk* c = tdsAddChild(triangles, 0x4140);
    tdsSetChunkNumbers(c, {static_cast<double>(m.texVertCount)});
    for (std::size_t i = 0; i < m.texVertCount; ++i)
      c->data->numbers.insert(c->data->numbers.end(), {m.texVerts[i].u, m.texVerts[i].v});
  }
  if (m.useMapInfo) {
    const tdsMeshMapInfo& info = m.mapInfo;
    tdsChunk* c = tdsAddChild(triangles, 0x4170);
    tdsSetChunkNumbers(c, {static_cast<double>(info.mapType), info.tileX, info.tileY, info.iconPosition.x,
                           info.iconPosition.y, info.iconPosition.z, info.iconScaling});
    c->data->numbers.insert(c->data->numbers.end(), std::begin(info.matrix), std::end(info.matrix));
    c->data->numbers.insert(c->data->numbers.end(), {info.planarWidth, info.planarHeight, info.cylinderHeight});
  }
  if (m.vertexFlagCount && !m.vertexFlags.empty()) {
    tdsChunk* c = tdsAddChild(triangles, 0x4111);
    tdsSetChunkNumbers(c, {static_cast<double>(m.vertexFlagCount)});
    for (std::size_t i = 0; i < m.vertexFlagCount; ++i)
      c->data->numbers.push_back(static_cast<std::int16_t>(m.vertexFlags[i]));
  }
  tdsChunk* matrix = tdsAddChild(triangles, 0x4160);
  tdsSetChunkNumbers(matrix, {});
  matrix->data->numbers.assign(std::begin(m.localMatrix), std::end(m.localMatrix));
  tdsSetChunkNumbers(tdsAddChild(triangles, 0x4165), {static_cast<double>(m.meshColor)});
  if (m.faceCount && !m.faces.empty()) {
    tdsChunk* faces = tdsAddChild(triangles, kFaces);
    tdsSetChunkNumbers(faces, {static_cast<double>(m.faceCount)});
    for (std::size_t i = 0; i < m.faceCount; ++i) {
      const tdsFace& f = m.faces[i];
      faces->data->numbers.insert(faces->data->numbers.end(), {static_cast<double>(f.a), static_cast<double>(f.b),
                                                               static_cast<double>(f.c), static_cast<double>(f.flags)});
    }
    for (std::size_t g = 0; g < m.materialGroupCount; ++g) {
      const tdsMaterialGroup& group = m.materialGroups[g];
      tdsChunk* c = tdsAddChild(faces, 0x4130);
      tdsSetChunkNumbers(c, {static_cast<double>(group.faceCount)});
      c->data->strings.assign(1, tdsNameOf(group.name));
      c->data->numbers.insert(c->data->numbers.end(), group.faceIndices.begin(),
                              group.faceIndices.begin() + group.faceCount);
    }
    if (!m.smoothing.empty()) {
      tdsChunk* c = tdsAddChild(faces, 0x4150);
      tdsSetChunkNumbers(c, {static_cast<double>(m.faceCount)});
      c->data->numbers.insert(c->data->numbers.end(), m.smoothing.begin(), m.smoothing.begin() + m.faceCount);
    }
    if (m.useBoxMap) {
      tdsChunk* c = tdsAddChild(faces, 0x4190);
      c->data = std::make_unique<tdsChunkData>();
      for (const auto& boxName : m.boxMap) c->data->strings.push_back(tdsNameOf(boxName));
    }
  }
  if (!m.procData.empty()) {
    tdsSetChunkString(tdsAddChild(triangles, 0x4181), tdsNameOf(m.procName));
    tdsChunk* c = tdsAddChild(triangles, 0x4182);
    c->data = std::make_unique<tdsChunkData>();
    c->data->raw = m.procData;
  }
  for (const auto& f : kFlags)
    if (m.*f.flag) tdsAddChild(object, f.tag);
  if (m.useProc == 1 && !m.procData.empty()) tdsAddChild(object, 0x4015);
  if (extension) tdsInsertChunk(triangles, std::move(extension));
}

void tdsDeleteMeshByName(tdsDatabase* db, const char* name) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(db, false)) return;
  if (tdsChunk* object = FindObject(db, name)) DeleteObject(db, object);
}

void tdsDeleteMeshByIndex(tdsDatabase* db, std::uint32_t index) {
  if (!tdsCheckDatabase(db, false)) return;
  tdsChunk* object = MeshAt(db, index);
  if (!object) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  DeleteObject(db, object);
}

void tdsCopyMeshByName(tdsDatabase* destination, tdsDatabase* source, const char* name) {
  if (!name) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  if (!tdsCheckDatabase(destination, false) || !tdsCheckDatabase(source, false)) return;
  if (tdsChunk* object = FindObject(source, name)) CopyObject(destination, object);
}

void tdsCopyMeshByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index) {
  if (!tdsCheckDatabase(destination, false) || !tdsCheckDatabase(source, false)) return;
  tdsChunk* object = MeshAt(source, index);
  if (!object) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  CopyObject(destination, object);
}
