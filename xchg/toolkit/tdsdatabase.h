// The database: the chunk tree of one .3ds file (a mesh file, a project file
// or a material library) with lists of its named objects, materials and
// keyframer nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tdschunk.h"
#include "tdsfile.h"

enum tdsDatabaseKindCode : int {
  TDS_NO_DATABASE = 0,
  TDS_MESH_FILE = 1,
  TDS_PROJECT_FILE = 2,
  TDS_MATERIAL_LIBRARY = 3,
};

struct tdsNameEntry {
  std::string name;
  tdsChunk* chunk = nullptr;
};

struct tdsDatabase {
  std::unique_ptr<tdsChunk> top;
  // 1 when the list must be rebuilt before use.
  std::uint8_t objectListStale = 1;
  std::uint8_t materialListStale = 1;
  std::uint8_t nodeListStale = 1;
  std::vector<tdsNameEntry> objects;
  std::vector<tdsNameEntry> materials;
  std::vector<tdsNameEntry> nodes;
};

struct tdsNameList {
  std::vector<std::string> names;
};

void tdsInitNameList(tdsNameList** list, std::uint32_t count);
void tdsReleaseNameList(tdsNameList** list);

void tdsInitDatabase(tdsDatabase** db);
void tdsCreateDatabase(tdsDatabase* db, int kind);
int tdsDatabaseKind(tdsDatabase* db);
void tdsLoadDatabase(tdsFile* file, tdsDatabase* db);
void tdsWriteDatabase(tdsFile* file, tdsDatabase* db);
void tdsReleaseDatabase(tdsDatabase** db);
void tdsDisconnectDatabase(tdsDatabase* db);
void tdsCopyDatabase(tdsDatabase* source, tdsDatabase* destination);

// The deepest nesting of chunks that a file may hold.
inline constexpr int kTdsMaxChunkDepth = 64;

// Helpers of the record layers.
// Checks the arguments and the database: null is ERR_INVALID_ARG, no top
// ERR_INVALID_DATABASE, a top other than a mesh or project file (or a
// material library when allowed) ERR_WRONG_DATABASE.
bool tdsCheckDatabase(tdsDatabase* db, bool materialLibraryToo);
// The child of the top chunk with `tag`, made when missing and `make` is set.
tdsChunk* tdsTopChild(tdsDatabase* db, std::int32_t tag, bool make);
// The lists, rebuilt when stale.
const std::vector<tdsNameEntry>& tdsObjectList(tdsDatabase* db);
const std::vector<tdsNameEntry>& tdsMaterialList(tdsDatabase* db);
const std::vector<tdsNameEntry>& tdsNodeList(tdsDatabase* db);
void tdsMarkListsStale(tdsDatabase* db);
// Sets the version chunks of the database's kind; false with an error pushed
// when a keyframer header in the tree cannot be read.
bool tdsSetVersionChunks(tdsDatabase* db);
