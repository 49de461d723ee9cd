// Mesh, material and keyframer records: put, get, copy and delete, and the
// files the toolkit writes from them.
#include <functional>

#include "tds_test_support.h"

namespace {

using tdstest::Bytes;
using tdstest::Chunk;
using tdstest::ToolkitTest;

class RecordsTest : public ToolkitTest {
 protected:
  tdsMesh* NewTriangle(const char* name) {
    tdsMesh* mesh = nullptr;
    tdsInitMesh(&mesh, 3, 1, TDS_MESH_TEX_VERTS | TDS_MESH_SMOOTHING);
    tdsCopyName(mesh->name, name);
    mesh->vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5f}};
    mesh->texVerts = {{0, 0}, {1, 0}, {0, 1}};
    mesh->faces = {{0, 1, 2, 7}};
    mesh->smoothing = {5};
    mesh->materialGroupCount = 1;
    tdsAllocMeshArrays(mesh, TDS_MESH_MATERIAL_GROUPS);
    tdsCopyName(mesh->materialGroups[0].name, "Wood");
    tdsAllocGroupFaces(mesh, 0, 1);
    mesh->localMatrix[0] = mesh->localMatrix[4] = mesh->localMatrix[8] = 1;
    mesh->hidden = 1;
    return mesh;
  }
  // A database with a mesh, a material, a parent and a child node.
  tdsDatabase* BuildScene() {
    tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
    tdsMesh* mesh = NewTriangle("Tri");
    tdsPutMesh(db, mesh);
    tdsReleaseMesh(&mesh);
    tdsMaterial* material = nullptr;
    tdsInitMaterial(&material);
    tdsCopyName(material->name, "Wood");
    material->diffuse = {1, 0.5f, 0};
    material->transparencyFalloff = -0.25f;
    tdsCopyName(material->texture.name, "wood.png");
    material->texture.extraData = {1, 2, 3, 4, 5, 6, 7};
    material->texture.extraSize = 7;
    tdsPutMaterial(db, material);
    tdsReleaseMaterial(&material);
    for (const char* name : {"$$$DUMMY", "Tri"}) {
      tdsObjectMotion* motion = nullptr;
      tdsInitObjectMotion(&motion, 1, 1, 1, 0, 0);
      tdsCopyName(motion->name, name);
      if (std::string(name) == "Tri") tdsCopyName(motion->parent, "$$$DUMMY.Group");
      else tdsCopyName(motion->instance, "Group");
      motion->boundMax = {1, 2, 3};
      motion->position.values[0] = {4, 5, 6};
      motion->rotation.keys[0].flags = 0x0005;
      motion->rotation.keys[0].tension = 0.5f;
      motion->rotation.keys[0].bias = 0.25f;
      tdsPutObjectMotion(db, motion);
      tdsReleaseObjectMotion(&motion);
    }
    EXPECT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
    return db;
  }
};

TEST_F(RecordsTest, AMeshWrittenAndReadBackIsTheSame) {
  tdsDatabase* db = BuildScene();
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  ASSERT_EQ(tdsGetMeshCount(again), 1u);
  tdsMesh* mesh = nullptr;
  tdsGetMeshByName(again, "Tri", &mesh);
  ASSERT_NE(mesh, nullptr);
  tdsMesh* expected = NewTriangle("Tri");
  EXPECT_EQ(mesh->vertices, expected->vertices);
  EXPECT_EQ(mesh->texVerts, expected->texVerts);
  EXPECT_EQ(mesh->faces, expected->faces);
  EXPECT_EQ(mesh->smoothing, expected->smoothing);
  ASSERT_EQ(mesh->materialGroupCount, 1);
  EXPECT_STREQ(mesh->materialGroups[0].name, "Wood");
  EXPECT_EQ(mesh->materialGroups[0].faceIndices, std::vector<std::uint16_t>{0});
  EXPECT_EQ(mesh->localMatrix[4], 1);
  EXPECT_EQ(mesh->hidden, 1);
  EXPECT_EQ(mesh->frozen, 0);
  tdsReleaseMesh(&expected);
  tdsReleaseMesh(&mesh);
  tdsGetMeshByName(again, "Nothing", &mesh);
  EXPECT_EQ(mesh, nullptr) << "a name that matches nothing leaves the pointer";
  EXPECT_FALSE(tdsErrorPending());
}

TEST_F(RecordsTest, AFileTheToolkitWroteWritesBackByteForByte) {
  tdsDatabase* db = BuildScene();
  Write(db, PathOf("first.3ds"));
  tdsDatabase* again = Load(PathOf("first.3ds"));
  Write(again, PathOf("second.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  EXPECT_EQ(ReadBytes(PathOf("first.3ds")), ReadBytes(PathOf("second.3ds")));
  std::string where;
  EXPECT_TRUE(tdstest::SameTree(db->top.get(), again->top.get(), where)) << where;
}

TEST_F(RecordsTest, AMeshWithoutFacesGetsNoFaceArray) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsMesh* mesh = NewTriangle("Flat");
  mesh->faceCount = 0;
  tdsPutMesh(db, mesh);
  tdsReleaseMesh(&mesh);
  EXPECT_EQ(tdsFindChunk(db->top.get(), 0x4120), nullptr);
  EXPECT_EQ(tdsFindChunk(db->top.get(), 0x4130), nullptr);
  EXPECT_NE(tdsFindChunk(db->top.get(), 0x4110), nullptr);
}

TEST_F(RecordsTest, ARecordWhoseCountsExceedItsArraysIsRefused) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsMesh* mesh = NewTriangle("Bad");
  mesh->texVertCount = 40;
  tdsPutMesh(db, mesh);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_INVALID_DATA});
  tdsReleaseMesh(&mesh);
  tdsClearErrors();
  tdsObjectMotion* motion = nullptr;
  tdsInitObjectMotion(&motion, 2, 0, 0, 0, 0);
  motion->position.keyCount = 9;
  tdsPutObjectMotion(db, motion);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_INVALID_DATA});
  tdsReleaseObjectMotion(&motion);
}

// A named object's extension data survive a put of a mesh of its name.
TEST_F(RecordsTest, PuttingAMeshKeepsTheExtensionEntryOfTheObjectItReplaces) {
  const Bytes xdata = Chunk(0x8000, Chunk(0x8001, Bytes{}.add(Chunk(0x8002, Bytes{}.str("APP"))).u32(42)));
  const Bytes object = Chunk(0x4000, Bytes{}.str("Tri").add(Chunk(0x4100, Bytes{}.add(xdata))));
  const Bytes file = Chunk(0x4D4D, Chunk(0x3D3D, object));
  WriteBytes(PathOf("in.3ds"), file.data);
  tdsDatabase* db = Load(PathOf("in.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  tdsMesh* mesh = NewTriangle("Tri");
  tdsPutMesh(db, mesh);
  tdsReleaseMesh(&mesh);
  tdsChunk* triangles = tdsFindChunk(db->top.get(), 0x4100);
  ASSERT_NE(triangles, nullptr);
  ASSERT_NE(tdsFindChild(triangles, 0x8000), nullptr);
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  tdsChunk* entry = tdsFindChunk(again->top.get(), 0x8001);
  ASSERT_NE(entry, nullptr);
  tdsChunkData* raw = tdsReadChunkData(entry);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->raw, Bytes{}.add(Chunk(0x8002, Bytes{}.str("APP"))).u32(42).data);
  EXPECT_EQ(tdsGetMeshCount(again), 1u);
}

TEST_F(RecordsTest, MaterialFalloffColoursAndMapsTravelThroughAFile) {
  tdsDatabase* db = BuildScene();
  tdsChunk* falloff = tdsFindChunk(db->top.get(), 0xA052);
  ASSERT_NE(falloff, nullptr);
  EXPECT_EQ(tdsChunkNumber(tdsFindChild(falloff, 0x0030), 0), 25);
  EXPECT_NE(tdsFindChunk(db->top.get(), 0xA08A), nullptr);
  // A map at its defaults has no scale, offset, rotation or blur chunks.
  for (std::int32_t tag : {0xA353, 0xA354, 0xA356, 0xA358, 0xA35A, 0xA35C})
    EXPECT_EQ(tdsFindChunk(db->top.get(), tag), nullptr) << std::hex << tag;
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  tdsMaterial* material = nullptr;
  tdsGetMaterialByName(again, "Wood", &material);
  ASSERT_NE(material, nullptr);
  EXPECT_FLOAT_EQ(material->transparencyFalloff, -0.25f);
  EXPECT_FLOAT_EQ(material->diffuse.r, 1);
  EXPECT_FLOAT_EQ(material->diffuse.g, 127 / 255.0f);
  EXPECT_STREQ(material->texture.name, "wood.png");
  EXPECT_EQ(material->texture.extraData, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7}))
      << "the extension is written whole";
  EXPECT_EQ(material->texture.extraSize, 7u);
  EXPECT_EQ(material->shading, 3);
  tdsReleaseMaterial(&material);
}

struct ColorCase {
  const char* what;
  Bytes container;
  tdsColor expected;
};

TEST_F(RecordsTest, MaterialColourChunks) {
  const ColorCase cases[] = {
      {"only a linear colour", Chunk(0x0012, Bytes{}.u8(255).u8(0).u8(51)), {1, 0, 0.2f}},
      {"no colour chunk", Bytes{}, {1, 1, 1}},
      {"the linear colour overrides", Bytes{}.add(Chunk(0x0011, Bytes{}.u8(0).u8(0).u8(0))).add(
                                          Chunk(0x0012, Bytes{}.u8(0).u8(255).u8(0))), {0, 1, 0}},
  };
  for (const ColorCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes entry = Chunk(0xAFFF, Bytes{}.add(Chunk(0xA000, Bytes{}.str("M"))).add(Chunk(0xA020, c.container)));
    WriteBytes(PathOf("m.3ds"), Chunk(0x4D4D, Chunk(0x3D3D, entry)).data);
    tdsDatabase* db = Load(PathOf("m.3ds"));
    tdsMaterial* material = nullptr;
    tdsGetMaterialByIndex(db, 0, &material);
    ASSERT_NE(material, nullptr);
    EXPECT_NEAR(material->diffuse.r, c.expected.r, 1e-6);
    EXPECT_NEAR(material->diffuse.g, c.expected.g, 1e-6);
    EXPECT_NEAR(material->diffuse.b, c.expected.b, 1e-6);
    tdsReleaseMaterial(&material);
    tdsCloseAllFiles();
  }
}

// Colours and percentages read from a file write back as the same whole
// numbers, though the floats they became lie a little below them.
TEST_F(RecordsTest, ColoursAndPercentagesWriteBackAsRead) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsMaterial* material = nullptr;
  tdsInitMaterial(&material);
  tdsCopyName(material->name, "M");
  material->diffuse = {127 / 255.0f, 1 / 255.0f, 0.5f};
  material->shininess = 19 / 100.0f;
  material->transparency = 57 / 100.0f;
  tdsPutMaterial(db, material);
  tdsReleaseMaterial(&material);
  Write(db, PathOf("m.3ds"));
  tdsCloseAllFiles();
  tdsDatabase* back = Load(PathOf("m.3ds"));
  tdsGetMaterialByIndex(back, 0, &material);
  ASSERT_NE(material, nullptr);
  EXPECT_FLOAT_EQ(material->diffuse.r * 255, 127);
  EXPECT_FLOAT_EQ(material->diffuse.g * 255, 1);
  EXPECT_FLOAT_EQ(material->diffuse.b * 255, 127);  // 127.5 is cut
  EXPECT_FLOAT_EQ(material->shininess * 100, 19);
  EXPECT_FLOAT_EQ(material->transparency * 100, 57);
  tdsReleaseMaterial(&material);
}

// A map name of the file's 16 characters is cut to the 12 the record holds,
// with its terminator.
TEST_F(RecordsTest, ALongMapNameIsCutToTheRecordsField) {
  const Bytes map = Chunk(0xA200, Bytes{}.add(Chunk(0xA300, Bytes{}.str("ABCDEFGHIJKLMNOP"))).add(
                                      Chunk(0xA351, Bytes{}.u16(0x13))));
  const Bytes entry = Chunk(0xAFFF, Bytes{}.add(Chunk(0xA000, Bytes{}.str("M"))).add(map));
  WriteBytes(PathOf("m.3ds"), Chunk(0x3DAA, entry).data);
  tdsDatabase* db = Load(PathOf("m.3ds"));
  ASSERT_EQ(tdsDatabaseKind(db), TDS_MATERIAL_LIBRARY);
  tdsMaterial* material = nullptr;
  tdsGetMaterialByName(db, "M", &material);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(std::string(material->texture.name), "ABCDEFGHIJKL");
  EXPECT_EQ(material->texture.name[12], '\0');
  EXPECT_EQ(material->texture.tiling, 2);
  EXPECT_EQ(material->texture.mirror, 1);
  tdsReleaseMaterial(&material);
}

TEST_F(RecordsTest, ObjectMotionsKeepTheirParentsTracksAndDummyBoxes) {
  tdsDatabase* db = BuildScene();
  EXPECT_NE(tdsFindChunk(db->top.get(), 0xB014), nullptr);
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  ASSERT_EQ(tdsGetObjectNodeCount(again), 2u);
  tdsNameList* names = nullptr;
  tdsGetObjectNodeNameList(again, &names);
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names->names, (std::vector<std::string>{"$$$DUMMY.Group", "Tri"}));
  tdsReleaseNameList(&names);
  tdsObjectMotion* motion = nullptr;
  tdsGetObjectMotionByName(again, "Tri", &motion);
  ASSERT_NE(motion, nullptr);
  EXPECT_STREQ(motion->parent, "$$$DUMMY.Group");
  EXPECT_EQ(motion->boundMax, (tdsPoint3{0, 0, 0})) << "only a dummy node is written with its box";
  ASSERT_EQ(motion->position.keyCount, 1u);
  EXPECT_EQ(motion->position.values[0], (tdsPoint3{4, 5, 6}));
  EXPECT_FLOAT_EQ(motion->rotation.keys[0].tension, 0.5f);
  EXPECT_FLOAT_EQ(motion->rotation.keys[0].bias, 0.25f);
  EXPECT_EQ(motion->rotation.values[0], (tdsRotationKeyValue{0, 0, 0, 1}));
  EXPECT_EQ(motion->scale.values[0], (tdsPoint3{1, 1, 1}));
  tdsReleaseObjectMotion(&motion);
  tdsGetObjectMotionByIndex(again, 0, &motion);
  ASSERT_NE(motion, nullptr);
  EXPECT_STREQ(motion->name, "$$$DUMMY");
  EXPECT_STREQ(motion->instance, "Group");
  EXPECT_EQ(motion->boundMax, (tdsPoint3{1, 2, 3}));
  EXPECT_STREQ(motion->parent, "");
  tdsReleaseObjectMotion(&motion);
  // The file holds the parent as an index: the dummy is node 0.
  tdsChunk* child = tdsFindChild(tdsFindChunk(again->top.get(), 0xB000), 0xB002, tdsFindChunk(again->top.get(), 0xB002));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(tdsChunkNumber(tdsFindChild(child, 0xB010), 2), 0);
}

TEST_F(RecordsTest, ANewObjectMotionWithFiveHideKeys) {
  tdsObjectMotion* motion = nullptr;
  tdsInitObjectMotion(&motion, 0, 0, 0, 0, 5);
  ASSERT_NE(motion, nullptr);
  EXPECT_EQ(motion->hide.keyCount, 5u);
  ASSERT_EQ(motion->hide.keys.size(), 5u);
  for (const tdsKey& key : motion->hide.keys) EXPECT_EQ(key, tdsKey{});
  EXPECT_EQ(motion->morph.keyCount, 0u);
  EXPECT_TRUE(motion->morph.keys.empty());
  EXPECT_FLOAT_EQ(motion->morphSmooth, 24);
  tdsReleaseObjectMotion(&motion);
  EXPECT_EQ(motion, nullptr);
}

// Parent indices: nodes without identifiers read no parents, and an index
// naming no node leaves the child without one; a cycle of indices loads.
TEST_F(RecordsTest, ParentIndicesResolveThroughNodeIdentifiers) {
  auto node = [](const char* name, int id, int parent) {
    Bytes body;
    if (id >= 0) body.add(Chunk(0xB030, Bytes{}.u16(static_cast<std::uint16_t>(id))));
    body.add(Chunk(0xB010, Bytes{}.str(name).u16(0).u16(0).u16(static_cast<std::uint16_t>(parent))));
    return Chunk(0xB002, body);
  };
  struct Case {
    const char* what;
    Bytes nodes;
    std::vector<std::string> parents;
  };
  const Case cases[] = {
      {"no identifiers", Bytes{}.add(node("A", -1, 0xFFFF)).add(node("B", -1, 0)), {"", ""}},
      {"identifiers", Bytes{}.add(node("A", 0, 0xFFFF)).add(node("B", 1, 0)), {"", "A"}},
      {"an index naming no node", Bytes{}.add(node("A", 0, 0xFFFF)).add(node("B", 1, 7)), {"", ""}},
      {"a cycle", Bytes{}.add(node("A", 0, 1)).add(node("B", 1, 0)), {"B", "A"}},
      {"its own parent", Bytes{}.add(node("A", 0, 0)), {"A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tdsClearErrors();
    WriteBytes(PathOf("k.3ds"), Chunk(0x4D4D, Chunk(0xB000, c.nodes)).data);
    tdsDatabase* db = Load(PathOf("k.3ds"));
    ASSERT_FALSE(tdsErrorPending());
    std::vector<std::string> parents;
    for (std::uint32_t i = 0; i < tdsGetObjectNodeCount(db); ++i) {
      tdsObjectMotion* motion = nullptr;
      tdsGetObjectMotionByIndex(db, i, &motion);
      ASSERT_NE(motion, nullptr);
      parents.push_back(motion->parent);
      tdsReleaseObjectMotion(&motion);
    }
    EXPECT_EQ(parents, c.parents);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    tdsPrintNodeTree(db, nowhere);
    std::fclose(nowhere);
    tdsCloseAllFiles();
  }
}

TEST_F(RecordsTest, KeyframerHeaderPutGetAndCopy) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsKeyframerHeader* header = nullptr;
  tdsInitKeyframerHeader(&header);
  EXPECT_EQ(header->animationLength, 30);
  header->animationLength = 120;
  header->currentFrame = 7;
  header->segment = {1, 10, 90};
  tdsPutKeyframerHeader(db, header);
  tdsReleaseKeyframerHeader(&header);
  tdsDatabase* copy = NewDatabase(TDS_MESH_FILE);
  tdsCopyKeyframerHeader(copy, db);
  tdsGetKeyframerHeader(copy, &header);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->animationLength, 120);
  EXPECT_EQ(header->currentFrame, 7);
  EXPECT_EQ(header->segment.inUse, 1);
  EXPECT_EQ(header->segment.lastFrame, 90);
  header->segment.inUse = 0;
  tdsPutKeyframerHeader(copy, header);
  tdsReleaseKeyframerHeader(&header);
  tdsGetKeyframerHeader(copy, &header);
  EXPECT_EQ(header->segment.inUse, 0);
  tdsReleaseKeyframerHeader(&header);
  EXPECT_FALSE(tdsErrorPending());
}

TEST_F(RecordsTest, CopyAndDeleteByNameAndIndex) {
  tdsDatabase* source = BuildScene();
  tdsDatabase* destination = NewDatabase(TDS_MESH_FILE);
  tdsCopyMeshByName(destination, source, "Tri");
  tdsCopyMeshByIndex(destination, source, 0);
  tdsCopyMaterialByIndex(destination, source, 0);
  tdsCopyObjectMotionByName(destination, source, "Tri");
  EXPECT_EQ(tdsGetMeshCount(destination), 1u) << "a copy replaces the object of its name";
  EXPECT_EQ(tdsGetMaterialCount(destination), 1u);
  EXPECT_EQ(tdsGetObjectNodeCount(destination), 1u);
  tdsDeleteMeshByIndex(destination, 0);
  tdsDeleteMaterialByName(destination, "Wood");
  tdsDeleteObjectMotionByName(destination, "Tri");
  EXPECT_EQ(tdsGetMeshCount(destination), 0u);
  EXPECT_EQ(tdsGetMaterialCount(destination), 0u);
  EXPECT_EQ(tdsGetObjectNodeCount(destination), 0u);
  EXPECT_FALSE(tdsErrorPending());
  tdsDeleteMeshByIndex(destination, 3);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_INVALID_ARG});
}

TEST_F(RecordsTest, ArgumentAndDatabaseErrors) {
  struct Case {
    const char* what;
    std::function<void()> call;
    int code;
  };
  tdsDatabase* empty = nullptr;
  tdsInitDatabase(&empty);
  databases_.push_back(empty);
  tdsDatabase* library = NewDatabase(TDS_MATERIAL_LIBRARY);
  tdsMesh* mesh = nullptr;
  const Case cases[] = {
      {"null database", [&] { tdsGetMeshCount(nullptr); }, ERR_INVALID_ARG},
      {"no top chunk", [&] { tdsGetMeshCount(empty); }, ERR_INVALID_DATABASE},
      {"meshes of a material library", [&] { tdsGetMeshCount(library); }, ERR_WRONG_DATABASE},
      {"null record", [&] { tdsPutMesh(library, nullptr); }, ERR_INVALID_ARG},
      {"group of a mesh without faces",
       [&] {
         tdsInitMesh(&mesh, 3, 0, 0);
         mesh->materialGroupCount = 1;
         tdsAllocMeshArrays(mesh, TDS_MESH_MATERIAL_GROUPS);
         tdsAllocGroupFaces(mesh, 0, 2);
         tdsReleaseMesh(&mesh);
       },
       ERR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    tdsClearErrors();
    c.call();
    EXPECT_EQ(Errors(), std::vector<int>{c.code}) << c.what;
  }
  tdsClearErrors();
  tdsGetMaterialCount(library);
  EXPECT_FALSE(tdsErrorPending()) << "materials may live in a library";
}

}  // namespace
