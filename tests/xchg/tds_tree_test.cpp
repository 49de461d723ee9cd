// The chunk tree: write order, length patching, version chunks, the
// toolkit's private chunks and the catalogue's layouts.
#include "tds_test_support.h"

namespace {

using tdstest::Bytes;
using tdstest::Chunk;
using tdstest::ToolkitTest;

class TreeTest : public ToolkitTest {
 protected:
  // Writes hand-built bytes as a file and loads them.
  tdsDatabase* LoadBytes(const Bytes& bytes, const std::string& name = "in.3ds") {
    WriteBytes(PathOf(name), bytes.data);
    return Load(PathOf(name));
  }
  static std::vector<std::int32_t> Tags(tdsChunk* parent) {
    std::vector<std::int32_t> tags;
    for (auto& c : parent->children) tags.push_back(c->tag);
    return tags;
  }
};

TEST_F(TreeTest, InsertedChunksFollowTheRankOrderAndEqualRanksKeepTheirOrder) {
  auto parent = tdsNewChunk(0x4D4D);
  auto add = [&](std::int32_t tag, double marker) {
    tdsChunk* c = tdsInsertChunk(parent.get(), tdsNewChunk(tag));
    tdsSetChunkNumbers(c, {marker});
  };
  add(0x1234, 1);  // unknown: rank 0
  add(0xB000, 0);  // 29
  add(0x4000, 1);  // 7
  add(0x3D3D, 0);  // 30
  add(0x4000, 2);
  add(0x0002, 0);  // 31
  add(0x5678, 2);  // unknown, after the first unknown one
  add(0xAFFF, 0);  // 25
  EXPECT_EQ(Tags(parent.get()),
            (std::vector<std::int32_t>{0x0002, 0x3D3D, 0xB000, 0xAFFF, 0x4000, 0x4000, 0x1234, 0x5678}));
  EXPECT_EQ(parent->children[4]->data->numbers[0], 1);
  EXPECT_EQ(parent->children[5]->data->numbers[0], 2);
}

TEST_F(TreeTest, AWrongStoredLengthIsPatchedAfterTheChildrenAreWritten) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsChunk* objects = tdsTopChild(db, 0x3D3D, true);
  tdsChunk* object = tdsInsertChunk(objects, tdsNewChunk(0x4000));
  tdsSetChunkString(object, "Renamed");
  object->length = 3;  // as if its data had been changed
  tdsSetChunkNumbers(tdsAddChild(object, 0x4010), {});
  Write(db, PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  EXPECT_EQ(object->length, 6u + 8u + 6u);
  const auto bytes = ReadBytes(PathOf("out.3ds"));
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(bytes[2] | (bytes[3] << 8) | (bytes[4] << 16) | (bytes[5] << 24), static_cast<int>(bytes.size()));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  tdsChunk* read = tdsFindChunk(again->top.get(), 0x4000);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->length, 20u);
  EXPECT_STREQ(tdsChunkString(read, 0), "Renamed");
  ASSERT_EQ(read->children.size(), 1u);
  EXPECT_EQ(read->children[0]->tag, 0x4010);
}

TEST_F(TreeTest, ANewMeshFileHoldsTheVersionChunks) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  EXPECT_EQ(tdsChunkNumber(tdsFindChild(db->top.get(), 0x0002), 0), 3);
  EXPECT_EQ(tdsChunkNumber(tdsFindChunk(db->top.get(), 0x3D3E), 0), 3);
  tdsChunk* header = tdsFindChunk(db->top.get(), 0xB00A);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(tdsChunkNumber(header, 0), 5);
  EXPECT_EQ(tdsChunkNumber(header, 1), 30);
  EXPECT_STREQ(tdsChunkString(header, 0), "");
  EXPECT_EQ(Tags(db->top.get()), (std::vector<std::int32_t>{0x0002, 0x3D3D, 0xB000}));
  tdsDatabase* library = NewDatabase(TDS_MATERIAL_LIBRARY);
  EXPECT_TRUE(library->top->children.empty());
}

TEST_F(TreeTest, AFileOfAnotherKindLoadsAsALoneTopChunkWithoutError) {
  tdsDatabase* db = LoadBytes(Chunk(0x1234, Bytes{}.u32(7).u32(9)));
  EXPECT_FALSE(tdsErrorPending());
  ASSERT_NE(db->top, nullptr);
  EXPECT_EQ(db->top->tag, 0x1234);
  EXPECT_TRUE(db->top->children.empty());
  EXPECT_EQ(tdsDatabaseKind(db), TDS_NO_DATABASE);
  tdsGetMeshCount(db);
  EXPECT_EQ(Errors(), std::vector<int>{ERR_WRONG_DATABASE});
}

TEST_F(TreeTest, TheParentNameChunkIsNeverWritten) {
  tdsDatabase* db = NewDatabase(TDS_MESH_FILE);
  tdsObjectMotion* motion = nullptr;
  tdsInitObjectMotion(&motion, 0, 0, 0, 0, 0);
  tdsCopyName(motion->name, "Child");
  tdsCopyName(motion->parent, "Nobody");
  tdsPutObjectMotion(db, motion);
  tdsReleaseObjectMotion(&motion);
  ASSERT_NE(tdsFindChunk(db->top.get(), 0x80F0), nullptr);
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  EXPECT_EQ(tdsFindChunk(again->top.get(), 0x80F0), nullptr);
  const auto bytes = ReadBytes(PathOf("out.3ds"));
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    EXPECT_FALSE(bytes[i] == 0xF0 && bytes[i + 1] == 0x80 && i >= 6) << "at " << i;
}

TEST_F(TreeTest, ADisconnectedDatabaseOutlivesItsFilesAndAChecksumSumsTheChunksWords) {
  const Bytes file = Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Bytes{}.str("Lone"))));
  tdsDatabase* db = LoadBytes(file);
  ASSERT_FALSE(tdsErrorPending());
  std::uint32_t sum = 0;
  ASSERT_TRUE(tdsChunkChecksum(db->top.get(), &sum));
  std::uint32_t expected = 0;
  for (std::size_t i = 0; i < file.data.size(); i += 2)
    expected += file.data[i] | (i + 1 < file.data.size() ? file.data[i + 1] << 8 : 0);
  EXPECT_EQ(sum, expected);
  tdsDisconnectDatabase(db);
  tdsCloseAllFiles();
  tdsChunk* object = tdsFindChunk(db->top.get(), 0x4000);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->source, 255);
  EXPECT_STREQ(tdsChunkString(object, 0), "Lone");
  EXPECT_FALSE(tdsErrorPending());
}

TEST_F(TreeTest, CopyingADatabaseMarksTheDestinationListsStale) {
  tdsDatabase* source = NewDatabase(TDS_MESH_FILE);
  tdsMesh* mesh = nullptr;
  tdsInitMesh(&mesh, 0, 0, 0);
  tdsCopyName(mesh->name, "Kept");
  tdsPutMesh(source, mesh);
  tdsReleaseMesh(&mesh);
  tdsDatabase* destination = NewDatabase(TDS_MESH_FILE);
  EXPECT_EQ(tdsGetMeshCount(destination), 0u);  // builds its list
  tdsCopyDatabase(source, destination);
  EXPECT_EQ(tdsGetMeshCount(destination), 1u);
}

// The layouts of the catalogue, each as the bytes of a file and its decoded
// form, written back byte for byte.
struct LayoutCase {
  const char* what;
  std::uint16_t tag;
  Bytes body;
  std::vector<double> numbers;
  std::vector<std::string> strings;
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.what; }

class CatalogueTest : public TreeTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(CatalogueTest, DecodesAndWritesBackTheLayout) {
  const LayoutCase& c = GetParam();
  const Bytes file = Chunk(0x4D4D, Chunk(0x3D3D, Chunk(c.tag, c.body)));
  tdsDatabase* db = LoadBytes(file);
  ASSERT_FALSE(tdsErrorPending()) << tdsErrorList()->text;
  tdsChunk* chunk = tdsFindChunk(db->top.get(), c.tag);
  ASSERT_NE(chunk, nullptr);
  tdsChunkData* data = tdsReadChunkData(chunk);
  ASSERT_NE(data, nullptr) << tdsErrorList()->text;
  EXPECT_EQ(data->numbers, c.numbers);
  EXPECT_EQ(data->strings, c.strings);
  std::vector<std::uint8_t> encoded;
  EXPECT_EQ(tdsEncodeChunkData(c.tag, *data, encoded), 0);
  EXPECT_EQ(encoded, c.body.data);
}

float F(float v) { return v; }

INSTANTIATE_TEST_SUITE_P(
    Layouts, CatalogueTest,
    ::testing::Values(
        LayoutCase{"SmoothGroupOfLength6Plus4n", 0x4150, Bytes{}.u32(1).u32(2).u32(0x80000000), {3, 1, 2, 2147483648.0}, {}},
        LayoutCase{"KeyWithSplineFlags5ReadsTwoFloats", 0xB020,
                   Bytes{}.u16(0).u32(0).u32(0).u32(1).u32(10).u16(5).f32(0.5f).f32(0.25f).f32(1).f32(2).f32(3),
                   {0, 0, 0, 1, 10, 5, 0.5, 0, 0.25, 0, 0, 1, 2, 3}, {}},
        LayoutCase{"ViewportNameIsPaddedToElevenBytes", 0x7011,
                   Bytes{}.u16(1).u16(2).u16(3).u16(4).u16(5).u16(6).u16(7).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6)
                       .str("Cam").u32(0).u16(0).u8(0),
                   {1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6}, {"Cam"}},
        LayoutCase{"ViewTopHoldsTheWidthBeforeTheTarget", 0x3010, Bytes{}.f32(100).f32(1).f32(2).f32(3),
                   {100, 1, 2, 3}, {}},
        LayoutCase{"SpotlightHoldsTargetHotspotThenFalloff", 0x4610,
                   Bytes{}.f32(1).f32(2).f32(3).f32(F(20)).f32(F(45)), {1, 2, 3, 20, 45}, {}},
        LayoutCase{"KeyframerHeader", 0xB00A, Bytes{}.u16(5).str("scene").u32(100), {5, 100}, {"scene"}},
        LayoutCase{"NodeHeaderWithNoParent", 0xB010, Bytes{}.str("Box").u16(0x4000).u16(0).u16(0xFFFF),
                   {0x4000, 0, -1}, {"Box"}},
        LayoutCase{"MaterialGroup", 0x4130, Bytes{}.str("Wood").u16(2).u16(0).u16(5), {2, 0, 5}, {"Wood"}},
        LayoutCase{"MorphTrack", 0xB026, Bytes{}.u16(0).u32(0).u32(0).u32(1).u32(0).u16(0).str("Target"),
                   {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, {"Target"}},
        LayoutCase{"AutoReflection", 0xA310, Bytes{}.u8(0).u8(0).u16(0x19).u32(100).u32(1), {0, 0, 0x19, 100, 1}, {}}),
    [](const auto& info) { return std::string(info.param.what); });

// A spotlight read from a light below a named object: its falloff is the
// last float, after the target and the hotspot.
TEST_F(TreeTest, ASpotlightKeepsItsFalloffThroughAWrite) {
  const Bytes light = Chunk(0x4000, Bytes{}.str("Spot01").add(Chunk(
                                        0x4600, Bytes{}.f32(0).f32(0).f32(10).add(Chunk(
                                                    0x4610, Bytes{}.f32(0).f32(0).f32(0).f32(30).f32(45))))));
  tdsDatabase* db = LoadBytes(Chunk(0x4D4D, Chunk(0x3D3D, light)));
  ASSERT_FALSE(tdsErrorPending());
  Write(db, PathOf("out.3ds"));
  tdsDatabase* again = Load(PathOf("out.3ds"));
  ASSERT_FALSE(tdsErrorPending());
  tdsChunk* spot = tdsFindChunk(again->top.get(), 0x4610);
  ASSERT_NE(spot, nullptr);
  EXPECT_EQ(tdsChunkNumber(spot, 3), 30);
  EXPECT_EQ(tdsChunkNumber(spot, 4), 45);
  EXPECT_EQ(tdsGetMeshCount(again), 0u) << "a light is no mesh";
}

TEST_F(TreeTest, UnknownChunksAreKeptRawAndWrittenBackAsTheyWere) {
  const Bytes unknown = Chunk(0x6666, Bytes{}.u32(0xDEADBEEF).u8(1).u8(2).u8(3));
  const Bytes file = Chunk(0x4D4D, Bytes{}.add(Chunk(0x0002, Bytes{}.u32(3))).add(Chunk(0x3D3D,
                         Bytes{}.add(Chunk(0x3D3E, Bytes{}.u32(3))).add(unknown))).add(Chunk(0xB000,
                         Chunk(0xB00A, Bytes{}.u16(5).str("").u32(30)))));
  tdsDatabase* db = LoadBytes(file);
  ASSERT_FALSE(tdsErrorPending());
  Write(db, PathOf("out.3ds"));
  EXPECT_EQ(ReadBytes(PathOf("out.3ds")), file.data);
}

}  // namespace
