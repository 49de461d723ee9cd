#include <gtest/gtest.h>
#include <rmxfguid.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "other_readers.h"
#include "xfile_helpers.h"

namespace {

const std::string kTestData = std::string(VOREVER_TESTDATA) + "/x/";

using XFileWrite = XFileFolderTest;

void CollectTypes(IDirectXFileData* data, std::vector<GUID>& types, std::set<GUID>& seen) {
  const GUID* type = nullptr;
  data->GetType(&type);
  if (seen.insert(*type).second) types.push_back(*type);
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child))) {
    Com<IDirectXFileData> nested;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested))))
      CollectTypes(nested.get(), types, seen);
    child->Release();
  }
}

// Writes every top-level object of `source` to `target`, with the templates
// of all the objects declared first.
HRESULT Rewrite(IDirectXFile* file, const std::string& source, const std::string& target, DXFILEFORMAT format) {
  std::vector<GUID> types;
  std::set<GUID> seen;
  {
    Com<IDirectXFileEnumObject> enumObject;
    HRESULT hr = file->CreateEnumObject(const_cast<char*>(source.c_str()), DXFILELOAD_FROMFILE, &enumObject);
    if (FAILED(hr)) return hr;
    Com<IDirectXFileData> data;
    while (SUCCEEDED(enumObject->GetNextDataObject(&data))) {
      CollectTypes(data.get(), types, seen);
      data.p->Release();
      data.p = nullptr;
    }
  }
  Com<IDirectXFileSaveObject> save;
  HRESULT hr = file->CreateSaveObject(target.c_str(), format, &save);
  if (FAILED(hr)) return hr;
  std::vector<const GUID*> list;
  for (const GUID& type : types) list.push_back(&type);
  hr = save->SaveTemplates(static_cast<DWORD>(list.size()), list.data());
  if (FAILED(hr)) return hr;
  Com<IDirectXFileEnumObject> enumObject;
  hr = file->CreateEnumObject(const_cast<char*>(source.c_str()), DXFILELOAD_FROMFILE, &enumObject);
  for (;;) {
    Com<IDirectXFileData> data;
    if (FAILED(enumObject->GetNextDataObject(&data))) break;
    hr = save->SaveData(data.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

class XFileRoundTrip : public XFileWrite, public ::testing::WithParamInterface<const char*> {};

TEST_P(XFileRoundTrip, ReadWriteReadGivesTheSameObjectsInEachFormat) {
  const std::string name = GetParam();
  if (!std::filesystem::exists(kTestData + name)) GTEST_SKIP() << "no test data at " << kTestData;
  const std::pair<DXFILEFORMAT, const char*> formats[] = {
      {DXFILEFORMAT_TEXT, "text"},
      {DXFILEFORMAT_BINARY, "binary"},
      {DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "compressed binary"},
      {DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED, "compressed text"},
  };
  HRESULT failure = S_OK;
  std::string original = DumpFile(m_file.get(), kTestData + name, &failure);
  ASSERT_EQ(failure, S_OK);
  for (const auto& [format, formatName] : formats) {
    std::string written = PathOf("written.x");
    ASSERT_EQ(Rewrite(m_file.get(), kTestData + name, written, format), S_OK) << formatName;
    Com<IDirectXFile> fresh;
    fresh.p = CreateRegisteredFile();
    std::string reread = DumpFile(fresh.get(), written, &failure);
    EXPECT_EQ(failure, S_OK) << formatName;
    EXPECT_EQ(reread, original) << formatName;
    if (format & DXFILEFORMAT_COMPRESSED) other_readers::ExpectAssimpReads(written);
  }
}

// Text and binary originals; declared templates; materials, skins, vertex
// colours, animations with nested template arrays; 64-bit text floats.
INSTANTIATE_TEST_SUITE_P(RealFiles, XFileRoundTrip,
                         ::testing::Values("test_cube_text.x", "test_cube_binary.x", "kwxport_test_cubewithvcolors.x",
                                           "BCN_Epileptic.X", "track.x"));

TEST_F(XFileWrite, CreatedObjectsAreReadByTheirLayoutAndSavedWithChildren) {
  std::string path = PathOf("made.x");
  for (DXFILEFORMAT format : {DXFILEFORMAT_TEXT, DXFILEFORMAT_BINARY, DXFILEFORMAT_COMPRESSED}) {
    {
      Com<IDirectXFileSaveObject> save;
      ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), format, &save), S_OK);
      const GUID* templates[] = {&DXFILEOBJ_SkinWeights};
      ASSERT_EQ(save->SaveTemplates(1, templates), S_OK);

      // A texture name block holds a pointer.
      const char* texture = "a\\b.png";
      Com<IDirectXFileData> textureObject;
      ASSERT_EQ(save->CreateDataObject(TID_D3DRMTextureFilename, nullptr, nullptr, sizeof(texture), &texture,
                                       &textureObject),
                S_OK);
      float material[11] = {1, 0.5f, 0.25f, 1, 10, 0, 0, 0, 0.1f, 0.2f, 0.3f};
      Com<IDirectXFileData> materialObject;
      ASSERT_EQ(save->CreateDataObject(TID_D3DRMMaterial, "Red", nullptr, sizeof(material), material, &materialObject),
                S_OK);
      ASSERT_EQ(materialObject->AddDataObject(textureObject.get()), S_OK);
      ASSERT_EQ(save->SaveData(materialObject.get()), S_OK);

      BYTE weights[sizeof(char*) + 4 + 4 + 4 + 64] = {};
      const char* bone = "Bone";
      DWORD one = 1;
      DWORD vertex = 3;
      float weight = 0.5f;
      std::memcpy(weights, &bone, sizeof(bone));
      std::memcpy(weights + sizeof(bone), &one, 4);
      std::memcpy(weights + sizeof(bone) + 4, &vertex, 4);
      std::memcpy(weights + sizeof(bone) + 8, &weight, 4);
      Com<IDirectXFileData> frame;
      ASSERT_EQ(save->CreateDataObject(TID_D3DRMFrame, "Root", nullptr, 0, nullptr, &frame), S_OK);
      Com<IDirectXFileData> mesh;
      BYTE emptyMesh[8] = {};
      ASSERT_EQ(save->CreateDataObject(TID_D3DRMMesh, nullptr, nullptr, 8, emptyMesh, &mesh), S_OK);
      Com<IDirectXFileData> skin;
      ASSERT_EQ(save->CreateDataObject(DXFILEOBJ_SkinWeights, nullptr, nullptr, sizeof(weights), weights, &skin), S_OK);
      ASSERT_EQ(mesh->AddDataObject(skin.get()), S_OK);
      ASSERT_EQ(mesh->AddDataReference("Red", nullptr), S_OK);
      ASSERT_EQ(frame->AddDataObject(mesh.get()), S_OK);
      ASSERT_EQ(save->SaveData(frame.get()), S_OK);
    }
    HRESULT failure = S_OK;
    std::string dump = DumpFile(m_file.get(), path, &failure);
    ASSERT_EQ(failure, S_OK) << format;
    // The same content uncompressed, as other programs are to read it.
    const std::string uncompressed = PathOf("made_binary.x");
    if (format == DXFILEFORMAT_BINARY) std::filesystem::copy_file(path, uncompressed);
    if (format & DXFILEFORMAT_COMPRESSED) other_readers::ExpectAssimpReads(path, uncompressed);
    EXPECT_EQ(dump,
              GuidToString(TID_D3DRMMaterial) +
                  " 'Red'  { 1.0;0.5;0.25;1.0;;\n 10.0;\n 0.0;0.0;0.0;;\n 0.1;0.2;0.3;;\n}\n"
                  "  " + GuidToString(TID_D3DRMTextureFilename) + " ''  { \"a\\b.png\";\n}\n" +
                  GuidToString(TID_D3DRMFrame) + " 'Root'  {}\n"
                  "  " + GuidToString(TID_D3DRMMesh) + " ''  { 0;\n ;\n 0;\n ;\n}\n"
                  "    " + GuidToString(DXFILEOBJ_SkinWeights) +
                  " ''  { \"Bone\";\n 1;\n 3;\n 0.5;\n 0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0;;\n}\n"
                  "    -> 'Red'  = 'Red'\n")
        << format;
  }
}

// An object of several megabytes goes to the file in parts as it is
// written; read back, it is the object that was saved, in every format.
TEST_F(XFileWrite, AnObjectLargerThanWhatIsHeldAtOnceReadsBackWhole) {
  constexpr DWORD kTriangles = 60000;
  const std::vector<BYTE> saved = MeshBlock(kTriangles);
  const std::pair<DXFILEFORMAT, const char*> formats[] = {
      {DXFILEFORMAT_TEXT, "text"},
      {DXFILEFORMAT_BINARY, "binary"},
      {DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED, "compressed text"},
      {DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "compressed binary"},
  };
  for (const auto& [format, name] : formats) {
    SCOPED_TRACE(name);
    const std::string path = PathOf("big.x");
    ASSERT_EQ(SaveMeshFile(m_file.get(), path, format, kTriangles), S_OK);
    EXPECT_GT(std::filesystem::file_size(path), (format & DXFILEFORMAT_COMPRESSED) ? 0u : 2u << 20);
    Com<IDirectXFileEnumObject> enumObject;
    ASSERT_EQ(m_file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &enumObject), S_OK);
    Com<IDirectXFileData> mesh;
    ASSERT_EQ(enumObject->GetDataObjectByName("Big", &mesh), S_OK);
    DWORD size = 0;
    BYTE* block = nullptr;
    ASSERT_EQ(mesh->GetData(nullptr, &size, reinterpret_cast<void**>(&block)), S_OK);
    ASSERT_EQ(size, saved.size());
    EXPECT_EQ(std::memcmp(block, saved.data(), size), 0);
  }
}

TEST_F(XFileWrite, RefusesWhatCannotBeWrittenOrReadBack) {
  std::string path = PathOf("refused.x");
  Com<IDirectXFileSaveObject> text;
  ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &text), S_OK);
  Com<IDirectXFileData> spaced;
  ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "Material #1", nullptr, 0, nullptr, &spaced), S_OK);
  EXPECT_EQ(text->SaveData(spaced.get()), DXFILEERR_BADVALUE) << "not a name in a text file";
  const char* quoted = "say \"hi\"";
  Com<IDirectXFileData> quote;
  ASSERT_EQ(text->CreateDataObject(TID_D3DRMTextureFilename, nullptr, nullptr, sizeof(quoted), &quoted, &quote), S_OK);
  EXPECT_EQ(text->SaveData(quote.get()), DXFILEERR_BADVALUE);

  Com<IDirectXFileData> unknown;
  EXPECT_EQ(text->CreateDataObject(GUID_NULL, nullptr, nullptr, 0, nullptr, &unknown), DXFILEERR_NOTEMPLATE);
  Com<IDirectXFileData> noBlock;
  EXPECT_EQ(text->CreateDataObject(TID_D3DRMVector, nullptr, nullptr, 12, nullptr, &noBlock), DXFILEERR_BADVALUE);
  const GUID* unknownTemplates[] = {&GUID_NULL};
  EXPECT_EQ(text->SaveTemplates(1, unknownTemplates), DXFILEERR_NOTFOUND);

  Com<IDirectXFileData> outer, inner, vector;
  ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "outer", nullptr, 0, nullptr, &outer), S_OK);
  ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "inner", nullptr, 0, nullptr, &inner), S_OK);
  float xyz[3] = {};
  ASSERT_EQ(text->CreateDataObject(TID_D3DRMVector, nullptr, nullptr, 12, xyz, &vector), S_OK);
  ASSERT_EQ(outer->AddDataObject(inner.get()), S_OK);
  EXPECT_EQ(inner->AddDataObject(outer.get()), DXFILEERR_BADVALUE) << "a cycle";
  EXPECT_EQ(outer->AddDataObject(outer.get()), DXFILEERR_BADVALUE);
  EXPECT_EQ(vector->AddDataObject(inner.get()), DXFILEERR_BADVALUE) << "already nested";
  EXPECT_EQ(vector->AddDataReference("outer", nullptr), DXFILEERR_BADOBJECT) << "a closed template";
  {
    Com<IDirectXFileData> gone, kept, last;
    ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "gone", nullptr, 0, nullptr, &gone), S_OK);
    ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "kept", nullptr, 0, nullptr, &kept), S_OK);
    ASSERT_EQ(text->CreateDataObject(TID_D3DRMFrame, "last", nullptr, 0, nullptr, &last), S_OK);
    ASSERT_EQ(gone->AddDataObject(kept.get()), S_OK);
    gone.p->Release();
    gone.p = nullptr;
    EXPECT_EQ(kept->AddDataObject(last.get()), S_OK) << "its former parent is released";
  }
  BYTE blob[3] = {1, 2, 3};
  ASSERT_EQ(inner->AddBinaryObject("blob", nullptr, "application/octet-stream", blob, 3), S_OK);
  EXPECT_EQ(text->SaveData(outer.get()), DXFILEERR_NOTDONEYET) << "binary objects have no written form";
  Com<IDirectXFileObject> child;
  ASSERT_EQ(inner->GetNextObject(&child), S_OK);
  Com<IDirectXFileBinary> binaryObject;
  ASSERT_EQ(child->QueryInterface(IID_IDirectXFileBinary, reinterpret_cast<void**>(&binaryObject)), S_OK);
  DWORD size = 0;
  LPCSTR mime = nullptr;
  BYTE read[4] = {};
  ASSERT_EQ(binaryObject->GetSize(&size), S_OK);
  ASSERT_EQ(binaryObject->GetMimeType(&mime), S_OK);
  ASSERT_EQ(binaryObject->Read(read, sizeof(read), &size), S_OK);
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(mime, "application/octet-stream");
  EXPECT_EQ(read[2], 3);
  EXPECT_EQ(binaryObject->Read(read, sizeof(read), &size), DXFILEERR_NOMOREDATA);

  Com<IDirectXFileSaveObject> binary;
  ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_BINARY, &binary), S_OK);
  EXPECT_EQ(binary->SaveData(spaced.get()), S_OK) << "any name in a binary file";
  Com<IDirectXFileSaveObject> badFormat;
  EXPECT_EQ(m_file->CreateSaveObject(path.c_str(), 4, &badFormat), DXFILEERR_BADVALUE);
}

// Counts inside a block decide how much of it the layout takes: the block
// is read no further than the size given, whatever the counts claim.
TEST_F(XFileWrite, ABlockShorterThanItsLayoutIsRefused) {
  auto words = [](std::initializer_list<float> values, std::initializer_list<DWORD> head) {
    std::vector<BYTE> block;
    for (DWORD w : head) block.insert(block.end(), reinterpret_cast<BYTE*>(&w), reinterpret_cast<BYTE*>(&w) + 4);
    for (float f : values) block.insert(block.end(), reinterpret_cast<BYTE*>(&f), reinterpret_cast<BYTE*>(&f) + 4);
    return block;
  };
  const char* texture = "t.png";
  std::vector<BYTE> textureBlock(sizeof(texture));
  std::memcpy(textureBlock.data(), &texture, sizeof(texture));
  struct {
    const char* what;
    const GUID* type;
    std::vector<BYTE> block;
    size_t size;  // given to CreateDataObject
    HRESULT expected;
  } cases[] = {
      {"a whole vector", &TID_D3DRMVector, words({1, 2, 3}, {}), 12, S_OK},
      {"a vector of two floats", &TID_D3DRMVector, words({1, 2, 3}, {}), 8, DXFILEERR_BADVALUE},
      // Scale key: type 1, one key at time 0 claiming 4 values, holding 3.
      {"a key claiming more values than it holds", &TID_D3DRMAnimationKey, words({1, 0, 0}, {1, 1, 0, 4}), 28,
       DXFILEERR_BADVALUE},
      {"a key holding the values it claims", &TID_D3DRMAnimationKey, words({1, 0, 0}, {1, 1, 0, 3}), 28, S_OK},
      {"a mesh claiming 1000 vertices", &TID_D3DRMMesh, words({0, 0, 0}, {1000}), 16, DXFILEERR_BADVALUE},
      {"a texture name shorter than its pointer", &TID_D3DRMTextureFilename, textureBlock, sizeof(texture) - 1,
       DXFILEERR_BADVALUE},
      {"a texture name", &TID_D3DRMTextureFilename, textureBlock, sizeof(texture), S_OK},
  };
  Com<IDirectXFileSaveObject> save;
  ASSERT_EQ(m_file->CreateSaveObject(PathOf("blocks.x").c_str(), DXFILEFORMAT_TEXT, &save), S_OK);
  for (auto& c : cases) {
    Com<IDirectXFileData> data;
    EXPECT_EQ(save->CreateDataObject(*c.type, nullptr, nullptr, static_cast<DWORD>(c.size), c.block.data(), &data),
              c.expected)
        << c.what;
    EXPECT_EQ(data.get() != nullptr, c.expected == S_OK) << c.what;
  }
}

TEST_F(XFileWrite, AnExistingFileIsReplacedOnlyByAWrittenOne) {
  std::string path = PathOf("kept.x");
  {
    std::ofstream(path) << "old content";
  }
  {
    Com<IDirectXFileSaveObject> save;
    ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save), S_OK);
    Com<IDirectXFileData> bad;
    ASSERT_EQ(save->CreateDataObject(TID_D3DRMFrame, "not a name", nullptr, 0, nullptr, &bad), S_OK);
    EXPECT_EQ(save->SaveData(bad.get()), DXFILEERR_BADVALUE);
  }
  EXPECT_EQ(FileContents(path), "old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), {}), 1) << "no temporary file left";
  {
    Com<IDirectXFileSaveObject> save;
    ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save), S_OK);
    const GUID* templates[] = {&TID_D3DRMFrame};
    ASSERT_EQ(save->SaveTemplates(1, templates), S_OK);
    EXPECT_EQ(FileContents(path), "old content") << "replaced only when the save ends";
  }
  EXPECT_EQ(FileContents(path).rfind("xof 0303txt 0032\n", 0), 0u);
  EXPECT_NE(FileContents(path).find("template Frame"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), {}), 1) << "no temporary file left";
}

}  // namespace
