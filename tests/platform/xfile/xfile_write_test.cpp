#include <gtest/gtest.h>
#include <rmxfguid.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <vector>

#include <xfile_model.h>

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

// A plain file takes a binary list before its count is known, the count
// written in place once the list ends; a compressed file holds the list until
// then. The bodies are the same, and the same again when the mesh's block is
// handed over to the save object instead of copied.
TEST_F(XFileWrite, AListWrittenBeforeItsCountIsKnownGivesTheSameFile) {
  // Its faces alone take more than is held at once.
  constexpr DWORD kTriangles = 150000;
  const std::vector<BYTE> block = MeshBlock(kTriangles);
  const std::pair<DXFILEFORMAT, const char*> encodings[] = {{DXFILEFORMAT_TEXT, "text"},
                                                             {DXFILEFORMAT_BINARY, "binary"}};
  for (const auto& [encoding, name] : encodings) {
    SCOPED_TRACE(name);
    auto saved = [&](DXFILEFORMAT format, bool handOver) {
      const std::string path = PathOf("big.x");
      Com<IDirectXFileSaveObject> save;
      EXPECT_EQ(m_file->CreateSaveObject(path.c_str(), format, &save), S_OK);
      EXPECT_EQ(SaveMeshTemplates(save.get()), S_OK);
      Com<IDirectXFileData> mesh;
      if (handOver) {
        win32::LargeBytes bytes(block.begin(), block.end());
        EXPECT_EQ(CreateXFileDataObject(save.get(), TID_D3DRMMesh, "Big", nullptr, bytes, &mesh), S_OK);
        EXPECT_TRUE(bytes.empty());
      } else {
        EXPECT_EQ(save->CreateDataObject(TID_D3DRMMesh, "Big", nullptr, static_cast<DWORD>(block.size()),
                                         const_cast<BYTE*>(block.data()), &mesh),
                  S_OK);
      }
      EXPECT_EQ(save->SaveData(mesh.get()), S_OK);
      EXPECT_EQ(FinishXFileSave(save.get(), TRUE), S_OK);
      return FileContents(path);
    };
    const std::string copied = saved(encoding, false);
    EXPECT_EQ(saved(encoding, true), copied);
    const std::string compressed = saved(encoding | DXFILEFORMAT_COMPRESSED, false);
    xfile::Bytes inflated;
    ASSERT_GT(compressed.size(), 16u);
    ASSERT_EQ(xfile::Inflate(reinterpret_cast<const BYTE*>(compressed.data()) + 16, compressed.size() - 16, &inflated),
              S_OK);
    // A plain text file's header line ends with a new line of its own.
    const std::string body = copied.substr(encoding == DXFILEFORMAT_TEXT ? 17 : 16);
    EXPECT_GT(body.size(), 4u << 20);
    EXPECT_TRUE(std::string(inflated.begin(), inflated.end()) == body);
  }
}

// The text of a long array is made in parts, side by side: separators and
// new lines go by each element's place in the whole array, across the parts.
TEST_F(XFileWrite, ALongArrayIsWrittenInTextAsElementByElement) {
  constexpr DWORD kCount = 20011;
  auto dwords = [](std::vector<BYTE>& block, std::initializer_list<DWORD> values) {
    for (DWORD v : values) block.insert(block.end(), reinterpret_cast<BYTE*>(&v), reinterpret_cast<BYTE*>(&v) + 4);
  };
  std::vector<BYTE> materials, mesh;
  std::string indices, vertices, faces;
  dwords(materials, {1, kCount});
  dwords(mesh, {kCount});
  for (DWORD i = 0; i < kCount; ++i) {
    dwords(materials, {i % 7});
    if (i > 0) indices += i % 16 == 0 ? ",\n " : ",";
    indices += std::to_string(i % 7);
    const float xyz[3] = {static_cast<float>(i % 1000), 1, 2};
    mesh.insert(mesh.end(), reinterpret_cast<const BYTE*>(xyz), reinterpret_cast<const BYTE*>(xyz) + 12);
    vertices += (i > 0 ? ",\n " : " ") + std::to_string(i % 1000) + ".0;1.0;2.0;";
  }
  dwords(mesh, {kCount});
  for (DWORD i = 0; i < kCount; ++i) {
    dwords(mesh, {3, i, (i + 1) % kCount, (i + 2) % kCount});
    faces += (i > 0 ? ",\n " : " ") + std::string("3;") + std::to_string(i) + "," + std::to_string((i + 1) % kCount) +
             "," + std::to_string((i + 2) % kCount) + ";";
  }
  const struct {
    const char* what;
    const GUID* type;
    const std::vector<BYTE>& block;
    std::string body;  // after the header
  } cases[] = {
      {"material indices", &TID_D3DRMMeshMaterialList, materials,
       "MeshMaterialList {\n 1;\n " + std::to_string(kCount) + ";\n " + indices + ";\n}\n\n"},
      {"vertices and faces", &TID_D3DRMMesh, mesh,
       "Mesh {\n " + std::to_string(kCount) + ";\n" + vertices + ";\n " + std::to_string(kCount) + ";\n" + faces +
           ";\n}\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("long.x");
    {
      Com<IDirectXFileSaveObject> save;
      ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save), S_OK);
      Com<IDirectXFileData> data;
      ASSERT_EQ(save->CreateDataObject(*c.type, nullptr, nullptr, static_cast<DWORD>(c.block.size()),
                                       const_cast<BYTE*>(c.block.data()), &data),
                S_OK);
      ASSERT_EQ(save->SaveData(data.get()), S_OK);
      ASSERT_EQ(FinishXFileSave(save.get(), TRUE), S_OK);
    }
    EXPECT_TRUE(FileContents(path).substr(17) == c.body);
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
    // The same block handed over is taken where it lies, or refused alike.
    win32::LargeBytes handed(c.block.begin(), c.block.begin() + static_cast<std::ptrdiff_t>(c.size));
    Com<IDirectXFileData> taken;
    EXPECT_EQ(CreateXFileDataObject(save.get(), *c.type, nullptr, nullptr, handed, &taken), c.expected) << c.what;
    EXPECT_TRUE(handed.empty()) << c.what;
    if (!data.get() || !taken.get()) continue;
    DWORD size = 0, takenSize = 0;
    BYTE *bytes = nullptr, *takenBytes = nullptr;
    ASSERT_EQ(data->GetData(nullptr, &size, reinterpret_cast<void**>(&bytes)), S_OK);
    ASSERT_EQ(taken->GetData(nullptr, &takenSize, reinterpret_cast<void**>(&takenBytes)), S_OK);
    ASSERT_EQ(takenSize, size) << c.what;
    if (*c.type == TID_D3DRMTextureFilename) {
      // A string is held by the object, whichever way its block came.
      EXPECT_STREQ(*reinterpret_cast<char**>(takenBytes), texture) << c.what;
      EXPECT_NE(*reinterpret_cast<char**>(takenBytes), texture) << c.what;
    } else {
      EXPECT_EQ(std::memcmp(takenBytes, bytes, size), 0) << c.what;
    }
  }
}

// The written form of numbers, as other readers take it: in text, array
// elements separated by ',' with a new line before every 16th, reals always
// with a point or an exponent, the special reals in the form other writers
// use; in binary, integers (words included) and reals in lists of their own
// kind, a list's count first, a signalling NaN made quiet.
TEST_F(XFileWrite, NumbersAreWrittenInTheirExactForms) {
  // A block of 32-bit values, words and float bit patterns as given.
  struct SBlock {
    std::vector<BYTE> bytes;
    SBlock& Dwords(std::initializer_list<DWORD> values) {
      for (DWORD v : values) Add(&v, 4);
      return *this;
    }
    SBlock& Words(std::initializer_list<WORD> values) {
      for (WORD v : values) Add(&v, 2);
      return *this;
    }
    SBlock& Floats(std::initializer_list<float> values) {
      for (float v : values) Add(&v, 4);
      return *this;
    }
    void Add(const void* value, size_t size) {
      const BYTE* at = static_cast<const BYTE*>(value);
      bytes.insert(bytes.end(), at, at + size);
    }
  };
  // Binary tokens: a name, a brace, an integer or float list of 32-bit values.
  auto name = [](const std::string& text) {
    SBlock token;
    token.Words({1}).Dwords({static_cast<DWORD>(text.size())}).Add(text.data(), text.size());
    return std::string(token.bytes.begin(), token.bytes.end());
  };
  auto list = [](WORD kind, const SBlock& values) {
    SBlock token;
    token.Words({kind}).Dwords({static_cast<DWORD>(values.bytes.size() / 4)});
    return std::string(token.bytes.begin(), token.bytes.end()) + std::string(values.bytes.begin(), values.bytes.end());
  };
  const std::string open("\x0a\x00", 2), close("\x0b\x00", 2);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  DWORD signalling = 0x7f800001, quiet = 0x7fc00001;
  float signallingNaN, quietNaN;
  std::memcpy(&signallingNaN, &signalling, 4);
  std::memcpy(&quietNaN, &quiet, 4);

  // A 17-corner face, and 17 material indices: one line break in each.
  SBlock mesh;
  mesh.Dwords({2}).Floats({0.1f, -0.0f, 100000.0f, 1e-7f, 9999.0f, 10000.0f}).Dwords({2, 3, 0, 1, 0, 17});
  for (DWORD i = 0; i < 17; ++i) mesh.Dwords({i % 2});
  SBlock materials;
  materials.Dwords({1, 17});
  for (DWORD i = 0; i < 17; ++i) materials.Dwords({i});
  SBlock wraps;
  wraps.Dwords({2}).Words({1, 0, 0, 1});
  SBlock colors;
  colors.Dwords({2, 7}).Floats({nan, inf, -inf, 0.25f}).Dwords({8}).Floats({signallingNaN, 1, 0.5f, 2});
  SBlock triangle;
  triangle.Dwords({1}).Floats({1, 2, 3}).Dwords({1, 3, 0, 0, 0});

  const struct {
    const char* what;
    const GUID* type;
    SBlock block;
    DXFILEFORMAT format;
    std::string body;  // after the header
  } cases[] = {
      {"a mesh in text", &TID_D3DRMMesh, mesh, DXFILEFORMAT_TEXT,
       "Mesh {\n 2;\n 0.1;-0.0;1e+05;,\n 1e-07;9999.0;10000.0;;\n 2;\n 3;0,1,0;,\n"
       " 17;0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,\n0;;\n}\n\n"},
      {"a material list in text", &TID_D3DRMMeshMaterialList, materials, DXFILEFORMAT_TEXT,
       "MeshMaterialList {\n 1;\n 17;\n 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,\n 16;\n}\n\n"},
      {"face wraps in text", &TID_D3DRMMeshFaceWraps, wraps, DXFILEFORMAT_TEXT,
       "MeshFaceWraps {\n 2;\n 1;;0;;,\n 0;;1;;;\n}\n\n"},
      {"special reals in text", &TID_D3DRMMeshVertexColors, colors, DXFILEFORMAT_TEXT,
       "MeshVertexColors {\n 2;\n 7;1.#QNAN0;1.#INF00;-1.#INF00;0.25;;,\n 8;1.#QNAN0;1.0;0.5;2.0;;;\n}\n\n"},
      {"a mesh in binary", &TID_D3DRMMesh, triangle, DXFILEFORMAT_BINARY,
       name("Mesh") + open + list(6, SBlock().Dwords({1})) + list(7, SBlock().Floats({1, 2, 3})) +
           list(6, SBlock().Dwords({1, 3, 0, 0, 0})) + close},
      {"words in binary", &TID_D3DRMMeshFaceWraps, wraps, DXFILEFORMAT_BINARY,
       name("MeshFaceWraps") + open + list(6, SBlock().Dwords({2, 1, 0, 0, 1})) + close},
      {"colours in binary", &TID_D3DRMMeshVertexColors, colors, DXFILEFORMAT_BINARY,
       name("MeshVertexColors") + open + list(6, SBlock().Dwords({2, 7})) +
           list(7, SBlock().Floats({nan, inf, -inf, 0.25f})) + list(6, SBlock().Dwords({8})) +
           list(7, SBlock().Floats({quietNaN, 1, 0.5f, 2})) + close},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("numbers.x");
    {
      Com<IDirectXFileSaveObject> save;
      ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), c.format, &save), S_OK);
      Com<IDirectXFileData> data;
      ASSERT_EQ(save->CreateDataObject(*c.type, nullptr, nullptr, static_cast<DWORD>(c.block.bytes.size()),
                                       const_cast<BYTE*>(c.block.bytes.data()), &data),
                S_OK);
      ASSERT_EQ(save->SaveData(data.get()), S_OK);
      ASSERT_EQ(FinishXFileSave(save.get(), TRUE), S_OK);
    }
    const std::string file = FileContents(path);
    const size_t header = c.format == DXFILEFORMAT_TEXT ? 17 : 16;
    ASSERT_GE(file.size(), header);
    EXPECT_EQ(file.substr(header), c.body);
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
