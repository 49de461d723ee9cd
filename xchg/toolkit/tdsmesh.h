// Triangle-mesh records: the chunks below a named object as one flat record.
#pragma once

#include <cstdint>
#include <vector>

#include "tdsdatabase.h"
#include "tdsrecords.h"

struct tdsTexVert {
  float u = 0, v = 0;
  bool operator==(const tdsTexVert&) const = default;
};

struct tdsFace {
  std::uint16_t a = 0, b = 0, c = 0, flags = 0;
  bool operator==(const tdsFace&) const = default;
};

struct tdsMeshMapInfo {
  std::uint16_t mapType = 0;
  float tileX = 1, tileY = 1;
  tdsPoint3 iconPosition;
  float iconScaling = 1;
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  float planarWidth = 1, planarHeight = 1, cylinderHeight = 1;
};

struct tdsMaterialGroup {
  char name[17] = {};
  std::uint16_t faceCount = 0;
  std::vector<std::uint16_t> faceIndices;
};

// The arrays of a mesh, for tdsAllocMeshArrays and tdsFreeMeshParts.
enum tdsMeshParts : std::uint32_t {
  TDS_MESH_VERTICES = 0x01,
  TDS_MESH_VERTEX_FLAGS = 0x02,
  TDS_MESH_FACES = 0x04,
  TDS_MESH_MATERIAL_GROUPS = 0x08,
  TDS_MESH_SMOOTHING = 0x10,
  TDS_MESH_PROC_DATA = 0x20,
  TDS_MESH_TEX_VERTS = 0x40,
};

struct tdsMesh {
  char name[11] = {};
  std::uint8_t hidden = 0, visibleInLofter = 0, matte = 0, castsNoShadow = 0, fast = 0, receivesNoShadow = 0,
               frozen = 0;
  std::uint16_t vertexCount = 0;
  std::vector<tdsPoint3> vertices;
  std::uint16_t vertexFlagCount = 0;
  std::vector<std::uint16_t> vertexFlags;
  std::uint16_t texVertCount = 0;
  std::vector<tdsTexVert> texVerts;
  std::uint8_t useMapInfo = 0;
  tdsMeshMapInfo mapInfo;
  // Three axis rows and an origin; a new record's is the identity.
  float localMatrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  std::uint16_t faceCount = 0;
  std::vector<tdsFace> faces;
  std::vector<std::uint32_t> smoothing;  // one per face, or empty
  std::uint8_t useBoxMap = 0;
  char boxMap[6][17] = {};
  std::uint8_t meshColor = 0;
  std::uint16_t materialGroupCount = 0;
  std::vector<tdsMaterialGroup> materialGroups;
  std::uint8_t useProc = 0;
  std::uint32_t procSize = 0;
  char procName[13] = {};
  std::vector<std::uint8_t> procData;
};

void tdsInitMesh(tdsMesh** mesh, std::uint16_t vertexCount, std::uint16_t faceCount, std::uint32_t parts);
void tdsAllocMeshArrays(tdsMesh* mesh, std::uint32_t parts);
void tdsAllocGroupFaces(tdsMesh* mesh, std::uint16_t group, std::uint16_t count);
void tdsFreeMeshParts(tdsMesh* mesh, std::uint32_t parts);
void tdsReleaseMesh(tdsMesh** mesh);
std::uint32_t tdsGetMeshCount(tdsDatabase* db);
void tdsGetMeshNameList(tdsDatabase* db, tdsNameList** list);
void tdsGetMeshByIndex(tdsDatabase* db, std::uint32_t index, tdsMesh** mesh);
void tdsGetMeshByName(tdsDatabase* db, const char* name, tdsMesh** mesh);
void tdsPutMesh(tdsDatabase* db, tdsMesh* mesh);
void tdsDeleteMeshByName(tdsDatabase* db, const char* name);
void tdsDeleteMeshByIndex(tdsDatabase* db, std::uint32_t index);
void tdsCopyMeshByName(tdsDatabase* destination, tdsDatabase* source, const char* name);
void tdsCopyMeshByIndex(tdsDatabase* destination, tdsDatabase* source, std::uint32_t index);
