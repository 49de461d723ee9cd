#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xfile_model.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "xfile_helpers.h"

namespace {

const std::string kTestData = std::string(VOREVER_TESTDATA) + "/x/";

bool HaveTestData() { return std::filesystem::exists(kTestData + "test_cube_text.x"); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The dump with every real number rounded to five significant digits.
std::string RoundReals(const std::string& dump) {
  std::string out;
  for (std::size_t at = 0; at < dump.size();) {
    std::size_t end = dump.find_first_of(",; {\n", at);
    if (end == std::string::npos) end = dump.size();
    std::string piece = dump.substr(at, end - at);
    char* stop = nullptr;
    double value = std::strtod(piece.c_str(), &stop);
    if (piece.find('.') != std::string::npos && stop && *stop == '\0') {
      char text[32];
      std::snprintf(text, sizeof(text), "%.5g", value);
      piece = text;
    }
    out += piece;
    if (end < dump.size()) out += dump[end];
    at = end + 1;
  }
  return out;
}

// Reads a text file body (the header is added) with the standard templates.
struct Parsed {
  HRESULT open = S_OK;
  HRESULT walk = S_OK;
  std::string dump;
};

Parsed ParseText(const std::string& body, const char* header = "xof 0303txt 0032\n") {
  Parsed result;
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  result.open = OpenMemory(file.get(), header + body, &enumObject);
  if (SUCCEEDED(result.open)) result.dump = DumpAll(enumObject.get(), &result.walk);
  return result;
}

TEST(XFileRead, EveryRealFileReadsAndTheMalformedOnesFailCleanly) {
  if (!HaveTestData()) GTEST_SKIP() << "no test data at " << kTestData;
  struct Case {
    const char* file;
    HRESULT expected;
    std::size_t topLevel;
  };
  const Case cases[] = {
      {"test_cube_text.x", S_OK, 3},
      {"test_cube_binary.x", S_OK, 3},
      {"test_cube_compressed.x", S_OK, 3},
      {"fromtruespace_bin32.x", S_OK, 2},
      {"test.x", S_OK, 1},
      {"kwxport_test_cubewithvcolors.x", S_OK, 5},
      {"anim_test.x", S_OK, 5},
      {"BCN_Epileptic.X", S_OK, 10},
      {"Testwuson.X", S_OK, 12},
      {"SSR06_model.x", S_OK, 1},
      {"stand.x", S_OK, 1},
      {"track.x", S_OK, 2},
      // Sound at the file level; its out-of-range vertex index is the loader's to check.
      {"malformed/malformed_skinweights_oob.x", S_OK, 3},
      {"malformed/OV_GetNextToken.x", DXFILEERR_BADFILE, 0},
      {"malformed/empty.x", DXFILEERR_BADFILETYPE, 0},
  };
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  ASSERT_NE(file.get(), nullptr);
  for (const Case& c : cases) {
    HRESULT failure = S_OK;
    std::string dump = DumpFile(file.get(), kTestData + c.file, &failure);
    EXPECT_EQ(failure, c.expected) << c.file;
    std::size_t top = 0;
    for (std::size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1) top += dump[at] == '{';
    EXPECT_EQ(top, c.topLevel) << c.file;
  }
}

TEST(XFileRead, TextBinaryAndCompressedCubesReadToIdenticalObjects) {
  if (!HaveTestData()) GTEST_SKIP() << "no test data at " << kTestData;
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  HRESULT failure = S_OK;
  std::string text = DumpFile(file.get(), kTestData + "test_cube_text.x", &failure);
  std::string binary = DumpFile(file.get(), kTestData + "test_cube_binary.x", &failure);
  std::string compressed = DumpFile(file.get(), kTestData + "test_cube_compressed.x", &failure);
  ASSERT_EQ(failure, S_OK);
  EXPECT_NE(text.find(GuidToString(DXFILEOBJ_SkinWeights)), std::string::npos);
  EXPECT_EQ(binary, compressed);
  // The text file prints the material's colours with six decimals.
  EXPECT_EQ(RoundReals(text), RoundReals(binary));
}

TEST(XFileRead, BlocksFollowTheTemplateLayout) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(file.get(),
                       "xof 0303txt 0032\nSkinWeights { \"Bone\"; 2; 5, 7; 0.25, 0.75; "
                       "1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\nXSkinMeshHeader { 1; 2; 3; }\n",
                       &enumObject),
            S_OK);
  Com<IDirectXFileData> weights;
  ASSERT_EQ(enumObject->GetNextDataObject(&weights), S_OK);
  const GUID* type = nullptr;
  ASSERT_EQ(weights->GetType(&type), S_OK);
  EXPECT_EQ(*type, DXFILEOBJ_SkinWeights);
  DWORD size = 0;
  BYTE* block = nullptr;
  ASSERT_EQ(weights->GetData(nullptr, &size, reinterpret_cast<void**>(&block)), S_OK);
  // char*, DWORD, 2 DWORDs, 2 floats, 16 floats.
  ASSERT_EQ(size, sizeof(char*) + 4 + 8 + 8 + 64);
  const char* bone = nullptr;
  std::memcpy(&bone, block, sizeof(bone));
  EXPECT_STREQ(bone, "Bone");
  DWORD indices[2];
  std::memcpy(indices, block + sizeof(char*) + 4, sizeof(indices));
  EXPECT_EQ(indices[0], 5u);
  EXPECT_EQ(indices[1], 7u);

  float* member = nullptr;
  ASSERT_EQ(weights->GetData("weights", &size, reinterpret_cast<void**>(&member)), S_OK);
  ASSERT_EQ(size, 8u);
  float values[2];
  std::memcpy(values, member, sizeof(values));
  EXPECT_EQ(values[0], 0.25f);
  EXPECT_EQ(values[1], 0.75f);
  EXPECT_EQ(weights->GetData("noSuchMember", &size, reinterpret_cast<void**>(&member)), DXFILEERR_BADDATAREFERENCE);

  Com<IDirectXFileData> header;
  ASSERT_EQ(enumObject->GetNextDataObject(&header), S_OK);
  ASSERT_EQ(header->GetData(nullptr, &size, reinterpret_cast<void**>(&block)), S_OK);
  EXPECT_EQ(size, 6u);
  Com<IDirectXFileData> end;
  EXPECT_EQ(enumObject->GetNextDataObject(&end), DXFILEERR_NOMOREOBJECTS);
}

TEST(XFileRead, TextSyntax) {
  // Comments of both kinds, both separators, nested objects of open
  // templates, references by name, identifier or both.
  Parsed parsed = ParseText(
      "# comment\n"
      "Material Red { <11111111-2222-3333-4444-555555555555>\n"
      "  1.0;0.0;0.0;1.0;; 5; 0,0,0;; 0;0;0;; // trailing comment\n"
      "  TextureFilename { \"red.png\"; }\n"
      "}\n"
      "Material Red { 0;1;0;1;; 5; 0;0;0;; 0;0;0;; }\n"
      "Frame f {\n"
      "  { Red }\n"
      "  { <11111111-2222-3333-4444-555555555555> }\n"
      "  { Red 11111111-2222-3333-4444-555555555555 }\n"
      "  { Nothing }\n"
      "  Frame 01_inner { }\n"
      "}\n");
  ASSERT_EQ(parsed.open, S_OK);
  EXPECT_EQ(parsed.walk, S_OK);
  EXPECT_NE(parsed.dump.find("\"red.png\""), std::string::npos) << parsed.dump;
  EXPECT_NE(parsed.dump.find("-> 'Red'  = 'Red'"), std::string::npos) << parsed.dump;
  EXPECT_NE(parsed.dump.find("-> '' {11111111-2222-3333-4444-555555555555} = 'Red'"), std::string::npos);
  EXPECT_NE(parsed.dump.find("-> 'Nothing'  = unresolved"), std::string::npos);
  EXPECT_NE(parsed.dump.find("'01_inner'"), std::string::npos);
}

TEST(XFileRead, ObjectsAreFoundByNameAndIdentifier) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(file.get(),
                       "xof 0303txt 0032\nFrame a { Frame b { <11111111-2222-3333-4444-555555555555> } }\n",
                       &enumObject),
            S_OK);
  const GUID id = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
  Com<IDirectXFileData> byName, byId, none;
  ASSERT_EQ(enumObject->GetDataObjectByName("b", &byName), S_OK);
  ASSERT_EQ(enumObject->GetDataObjectById(id, &byId), S_OK);
  GUID read{};
  ASSERT_EQ(byName->GetId(&read), S_OK);
  EXPECT_EQ(read, id);
  char name[2] = {};
  DWORD length = sizeof(name);
  ASSERT_EQ(byId->GetName(name, &length), S_OK);
  EXPECT_STREQ(name, "b");
  length = 1;
  EXPECT_EQ(byId->GetName(name, &length), DXFILEERR_BADVALUE) << "buffer too small";
  EXPECT_EQ(enumObject->GetDataObjectByName("c", &none), DXFILEERR_NOTFOUND);
}

TEST(XFileRead, UndeclaredTemplatesAreReadWithoutTypeAndLookupIgnoresCase) {
  Parsed parsed = ParseText(
      "DeclData { 1; 2, 3; \"x\"; Vector { 1; 2; 3; } }\n"
      "Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; TextureFileName { \"a.png\"; } }\n");
  ASSERT_EQ(parsed.open, S_OK);
  EXPECT_NE(parsed.dump.find(GuidToString(GUID_NULL) + " '' "), std::string::npos) << parsed.dump;
  EXPECT_NE(parsed.dump.find(GuidToString(TID_D3DRMTextureFilename)), std::string::npos) << parsed.dump;
}

TEST(XFileRead, SixtyFourBitFloatsAreReadAsFloats) {
  // A binary 0064 file: Vector { float list of three doubles }.
  std::string file = "xof 0303bin 0064";
  auto word = [&](WORD w) { file.append({static_cast<char>(w), static_cast<char>(w >> 8)}); };
  auto dword = [&](DWORD d) { file.append(reinterpret_cast<const char*>(&d), 4); };
  word(1);
  dword(6);
  file += "Vector";
  word(10);
  word(7);
  dword(3);
  for (double v : {1.5, -2.25, 1e-3}) file.append(reinterpret_cast<const char*>(&v), 8);
  word(11);
  Com<IDirectXFile> x;
  x.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(x.get(), file, &enumObject), S_OK);
  Com<IDirectXFileData> vector;
  ASSERT_EQ(enumObject->GetNextDataObject(&vector), S_OK);
  DWORD size = 0;
  float* values = nullptr;
  ASSERT_EQ(vector->GetData(nullptr, &size, reinterpret_cast<void**>(&values)), S_OK);
  ASSERT_EQ(size, 12u);
  float read[3];
  std::memcpy(read, values, sizeof(read));
  EXPECT_EQ(read[0], 1.5f);
  EXPECT_EQ(read[1], -2.25f);
  EXPECT_EQ(read[2], 1e-3f);
}

TEST(XFileRead, RealsBeyondTheFloatRangeBecomeInfinite) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(file.get(), "xof 0303txt 0032\nVector { 1e300; -1.#INF00; 1.#QNAN0; }", &enumObject), S_OK);
  Com<IDirectXFileData> vector;
  ASSERT_EQ(enumObject->GetNextDataObject(&vector), S_OK);
  DWORD size = 0;
  void* data = nullptr;
  ASSERT_EQ(vector->GetData(nullptr, &size, &data), S_OK);
  float xyz[3];
  std::memcpy(xyz, data, sizeof(xyz));
  EXPECT_EQ(xyz[0], HUGE_VALF);
  EXPECT_EQ(xyz[1], -HUGE_VALF);
  EXPECT_TRUE(std::isnan(xyz[2]));
}

// Hand-made binary files, token by token.
struct BinaryFile {
  explicit BinaryFile(bool doubles = false) : bytes(doubles ? "xof 0303bin 0064" : "xof 0303bin 0032"), doubles(doubles) {}
  BinaryFile& Word(WORD w) {
    bytes.append({static_cast<char>(w), static_cast<char>(w >> 8)});
    return *this;
  }
  BinaryFile& Dword(DWORD d) {
    bytes.append(reinterpret_cast<const char*>(&d), 4);
    return *this;
  }
  BinaryFile& Name(const std::string& name) {
    Word(1).Dword(static_cast<DWORD>(name.size()));
    bytes += name;
    return *this;
  }
  BinaryFile& Integers(std::initializer_list<DWORD> values) {
    Word(6).Dword(static_cast<DWORD>(values.size()));
    for (DWORD v : values) Dword(v);
    return *this;
  }
  BinaryFile& Floats(std::initializer_list<float> values) {
    Word(7).Dword(static_cast<DWORD>(values.size()));
    for (float v : values) {
      if (doubles) {
        const double d = v;
        bytes.append(reinterpret_cast<const char*>(&d), 8);
      } else {
        bytes.append(reinterpret_cast<const char*>(&v), 4);
      }
    }
    return *this;
  }
  BinaryFile& Open() { return Word(10); }
  BinaryFile& Close() { return Word(11); }
  BinaryFile& Semicolon() { return Word(20); }
  std::string bytes;
  bool doubles;
};

// Opens content with the standard templates and `templates` (text) and gives
// the block of its first object.
std::string FirstBlock(const std::string& content, const std::string& templates, HRESULT* open) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  const std::string declared = "xof 0303txt 0032\n" + templates;
  if (!templates.empty()) {
    EXPECT_EQ(file->RegisterTemplates(const_cast<char*>(declared.data()), static_cast<DWORD>(declared.size())), S_OK);
  }
  Com<IDirectXFileEnumObject> enumObject;
  *open = OpenMemory(file.get(), content, &enumObject);
  if (FAILED(*open)) return "";
  Com<IDirectXFileData> first;
  if (FAILED(enumObject->GetNextDataObject(&first))) return "";
  DWORD size = 0;
  void* data = nullptr;
  if (FAILED(first->GetData(nullptr, &size, &data))) return "";
  return std::string(static_cast<const char*>(data), size);
}

TEST(XFileRead, BinaryListsGiveTheBlocksAndErrorsOfTheSameText) {
  const std::string words = "template Words { <06060606-0101-0101-0101-010101010101> DWORD n; array WORD w[n]; }\n";
  struct Case {
    const char* what;
    std::string binary;
    std::string text;
    std::string templates;
    HRESULT expected;
  };
  auto mesh = [](BinaryFile f) {
    return f.Name("Mesh").Open().Integers({4}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0.5f})
        .Integers({2, 3, 0, 1, 2, 3, 0, 2, 3}).Close().bytes;
  };
  const std::string meshText = "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0.5;; 2; 3;0,1,2;, 3;0,2,3;; }";
  const Case cases[] = {
      {"a mesh in one float list and one integer list", mesh(BinaryFile()), meshText, "", S_OK},
      {"the same with 64-bit floats", mesh(BinaryFile(true)), meshText, "", S_OK},
      {"faces of four, three and no corners",
       BinaryFile().Name("Mesh").Open().Integers({3}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0})
           .Integers({3, 4, 0, 1, 2, 0, 3, 2, 1, 0, 0}).Close().bytes,
       "Mesh { 3; 0;0;0;, 1;0;0;, 1;1;0;; 3; 4;0,1,2,0;, 3;2,1,0;, 0;;; }", "", S_OK},
      {"a face split across two lists",
       BinaryFile().Name("Mesh").Open().Integers({3}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0})
           .Integers({2, 3, 0, 1}).Integers({2, 3, 2, 1, 0}).Close().bytes,
       "Mesh { 3; 0;0;0;, 1;0;0;, 1;1;0;; 2; 3;0,1,2;, 3;2,1,0;; }", "", S_OK},
      {"a face with more corners than the file holds",
       BinaryFile().Name("Mesh").Open().Integers({3}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0})
           .Integers({1, 5, 0, 1}).Close().bytes,
       "Mesh { 3; 0;0;0;, 1;0;0;, 1;1;0;; 1; 5;0,1; }", "", DXFILEERR_PARSEERROR},
      {"vectors split across lists and separators",
       BinaryFile().Name("MeshNormals").Open().Integers({2}).Floats({1, 2}).Semicolon().Floats({3, 4, 5})
           .Floats({6}).Integers({1, 3, 0, 1, 1}).Close().bytes,
       "MeshNormals { 2; 1;2;3;, 4;5;6;; 1; 3;0,1,1;; }", "", S_OK},
      {"colours split across lists, an empty one and separators",
       BinaryFile().Name("MeshVertexColors").Open().Integers({2, 0}).Floats({1, 0.5f}).Semicolon().Floats({0, 1})
           .Integers({1}).Floats({0.25f, 0.75f, 1}).Floats({}).Semicolon().Integers({0}).Close().bytes,
       "MeshVertexColors { 2; 0; 1;0.5;0;1;;, 1; 0.25;0.75;1;0;;; }", "", S_OK},
      {"a colour short of a value",
       BinaryFile().Name("MeshVertexColors").Open().Integers({1, 0}).Floats({1, 0.5f, 0}).Close().bytes,
       "MeshVertexColors { 1; 0; 1;0.5;0;; }", "", DXFILEERR_PARSEERROR},
      {"integers where floats belong", BinaryFile().Name("Vector").Open().Integers({1, 2, 4000000000u}).Close().bytes,
       "Vector { 1; 2; 4000000000; }", "", S_OK},
      {"words", BinaryFile().Name("Words").Open().Integers({2, 5, 65535}).Close().bytes, "Words { 2; 5, 65535; }",
       words, S_OK},
      {"a word out of range", BinaryFile().Name("Words").Open().Integers({2, 5, 70000}).Close().bytes,
       "Words { 2; 5, 70000; }", words, DXFILEERR_BADVALUE},
      {"floats where integers belong", BinaryFile().Name("MeshFace").Open().Integers({3}).Floats({0, 1, 2}).Close().bytes,
       "MeshFace { 3; 0.0, 1.0, 2.0; }", "", DXFILEERR_PARSEERROR},
      {"fewer values than the count", BinaryFile().Name("Vector").Open().Floats({1, 2}).Close().bytes,
       "Vector { 1; 2; }", "", DXFILEERR_PARSEERROR},
  };
  for (const Case& c : cases) {
    HRESULT binaryOpen = S_OK, textOpen = S_OK;
    const std::string fromBinary = FirstBlock(c.binary, c.templates, &binaryOpen);
    const std::string fromText = FirstBlock("xof 0303txt 0032\n" + c.text, c.templates, &textOpen);
    EXPECT_EQ(binaryOpen, c.expected) << c.what;
    EXPECT_EQ(textOpen, c.expected) << c.what;
    EXPECT_EQ(fromBinary, fromText) << c.what;
    if (c.expected == S_OK) {
      EXPECT_FALSE(fromBinary.empty()) << c.what;
    }
  }
}

// The bytes of values as a block holds them.
template <class T>
std::string BlockOf(std::initializer_list<T> values) {
  std::string bytes;
  for (T v : values) bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
  return bytes;
}

TEST(XFileRead, TextNumbersInEveryWrittenFormGiveTheirValuesAndErrors) {
  struct Case {
    const char* what;
    const char* text;
    HRESULT expected;
    std::string block;
  };
  const float inf = HUGE_VALF;
  const Case cases[] = {
      {"signs, exponents and a leading point", "Vector { 1.5; -2e3 ;+.25; }", S_OK, BlockOf({1.5f, -2000.0f, 0.25f})},
      {"comments and blank lines between values", "Vector { 1; # one\n\n 2, // two\n 3; }", S_OK,
       BlockOf({1.0f, 2.0f, 3.0f})},
      {"separators doubled and missing", "Vector { 1;; 2 3,; }", S_OK, BlockOf({1.0f, 2.0f, 3.0f})},
      {"the special values of other writers", "Vector { 1.#INF00; -1.#INF00; 0; }", S_OK, BlockOf({inf, -inf, 0.0f})},
      // Read as a double first, then rounded to a float: just above half
      // a float step over 1 becomes exactly half a step, which rounds to 1.
      {"a float read through a double", "Vector { 1.00000005960464477539062500000000001; 0; 0; }", S_OK,
       BlockOf({1.0f, 0.0f, 0.0f})},
      {"integers of a face", "MeshFace { 3; 0, 4294967295, 7; }", S_OK, BlockOf<DWORD>({3, 0, 4294967295u, 7})},
      {"a real where an integer belongs", "MeshFace { 3; 0, 1.5, 2; }", DXFILEERR_PARSEERROR, ""},
      {"an integer beyond its type", "MeshFace { 3; 0, 1, 4294967296; }", DXFILEERR_BADVALUE, ""},
      {"an integer beyond any type", "MeshFace { 3; 0, 1, 99999999999999999999; }", DXFILEERR_PARSEERROR, ""},
      {"a name among the numbers", "Vector { 1; 2; 01_x; }", DXFILEERR_PARSEERROR, ""},
      {"an identifier among the numbers", "Vector { 1; 2; 12345678-1234-1234-1234-123456789abc; }",
       DXFILEERR_PARSEERROR, ""},
      {"a string among the numbers", "Vector { 1; \"2\"; 3; }", DXFILEERR_PARSEERROR, ""},
      {"a lone sign", "Vector { 1; -; 3; }", DXFILEERR_PARSEERROR, ""},
      {"fewer values than the template", "Vector { 1; 2; }", DXFILEERR_PARSEERROR, ""},
  };
  for (const Case& c : cases) {
    HRESULT open = S_OK;
    const std::string block = FirstBlock(std::string("xof 0303txt 0032\n") + c.text, "", &open);
    EXPECT_EQ(open, c.expected) << c.what;
    if (c.expected == S_OK) {
      EXPECT_EQ(block, c.block) << c.what;
    }
  }
}

TEST(XFileRead, ASignallingNaNInAFloatListIsReadQuiet) {
  float signalling;
  const std::uint32_t bits = 0x7f800001u;
  std::memcpy(&signalling, &bits, 4);
  HRESULT open = S_OK;
  const std::string block =
      FirstBlock(BinaryFile().Name("Vector").Open().Floats({signalling, 1, 2}).Close().bytes, "", &open);
  ASSERT_EQ(open, S_OK);
  ASSERT_EQ(block.size(), 12u);
  std::uint32_t read;
  std::memcpy(&read, block.data(), 4);
  EXPECT_EQ(read, 0x7fc00001u);
}

// Template i holds two members of template i - 1; template 0 is empty.
std::string DoublingTemplates() {
  std::string text = "template T0 { <00000000-0101-0101-0101-010101010101> }\n";
  for (int i = 1; i <= 30; ++i) {
    char line[128];
    std::snprintf(line, sizeof(line), "template T%d { <%08x-0101-0101-0101-010101010101> T%d a; T%d b; }\n", i, i,
                  i - 1, i - 1);
    text += line;
  }
  return text;
}

TEST(XFileRead, BadInputFailsWithAnErrorCode) {
  struct Case {
    const char* what;
    std::string content;
    HRESULT expected;
  };
  const std::string header = "xof 0303txt 0032\n";
  std::string nested = header;
  for (int i = 0; i < 5000; ++i) nested += "Frame {";
  const Case cases[] = {
      {"no header", "Frame {}", DXFILEERR_BADFILETYPE},
      {"short header", "xof 03", DXFILEERR_BADFILE},
      {"version", "xof 0102txt 0032\n", DXFILEERR_BADFILEVERSION},
      {"format", "xof 0303xml 0032\n", DXFILEERR_BADFILETYPE},
      {"float size", "xof 0303txt 0016\n", DXFILEERR_BADFILEFLOATSIZE},
      {"unclosed object", header + "Frame f { Frame g { }", DXFILEERR_PARSEERROR},
      {"stray brace", header + "Frame f { } }", DXFILEERR_PARSEERROR},
      {"missing value", header + "Vector { 1; 2; }", DXFILEERR_PARSEERROR},
      {"extra value", header + "Vector { 1; 2; 3; 4; }", DXFILEERR_PARSEERROR},
      {"real for an integer", header + "Header { 1.5; 0; 0; }", DXFILEERR_PARSEERROR},
      {"integer too large", header + "Header { 70000; 0; 0; }", DXFILEERR_BADVALUE},
      {"count beyond the data", header + "MeshFace { 4000000000; 1, 2, 3; }", DXFILEERR_BADARRAYSIZE},
      {"counts whose product overflows",
       header +
           "template Big { <01010101-0101-0101-0101-010101010101> DWORD a; DWORD b; array Vector v[a][b]; }\n"
           "Big { 4294967295; 4294967295; }",
       DXFILEERR_BADARRAYSIZE},
      {"elements of an empty template",
       header +
           "template Empty { <02020202-0101-0101-0101-010101010101> }\n"
           "template Many { <03030303-0101-0101-0101-010101010101> DWORD n; array Empty e[n]; }\n"
           "Many { 4000000000; }",
       DXFILEERR_BADARRAYSIZE},
      {"templates doubling at each level, without values", header + DoublingTemplates() + "T30 { }",
       DXFILEERR_BADARRAYSIZE},
      {"unknown member type", header + "template T { <04040404-0101-0101-0101-010101010101> Nowhere n; }",
       DXFILEERR_NOTEMPLATE},
      {"template without identifier", header + "template T { DWORD n; }", DXFILEERR_PARSEERROR},
      {"unknown array size member",
       header + "template T { <05050505-0101-0101-0101-010101010101> array DWORD d[count]; }",
       DXFILEERR_PARSEERROR},
      {"object in a closed template", header + "Vector { 1; 2; 3; Frame { } }", DXFILEERR_PARSEERROR},
      {"object outside the restriction", header + "AnimationSet { Frame { } }", DXFILEERR_PARSEERROR},
      {"empty reference", header + "Frame { { } }", DXFILEERR_BADDATAREFERENCE},
      {"unterminated string", header + "TextureFilename { \"abc; }", DXFILEERR_PARSEERROR},
      {"too deep", nested, DXFILEERR_PARSEERROR},
      {"bad character", header + "Frame { @ }", DXFILEERR_PARSEERROR},
      {"truncated binary token", std::string("xof 0303bin 0032") + std::string("\x01\x00\x09\x00", 4),
       DXFILEERR_PARSEERROR},
      {"binary list longer than the file",
       std::string("xof 0303bin 0032") + std::string("\x06\x00\xff\xff\xff\x7f\x01\x00\x00\x00", 10),
       DXFILEERR_PARSEERROR},
      {"compressed block that does not inflate",
       std::string("xof 0303bzip0032") + std::string("\x20\x00\x00\x00\x10\x00\x06\x00" "CK\xff\xff\xff\xff", 14),
       DXFILEERR_BADFILE},
      {"compressed file claiming 4 GiB",
       std::string("xof 0303bzip0032") + std::string("\xff\xff\xff\xff\x10\x00\x06\x00" "CK\x03\x00\x00\x00", 14),
       DXFILEERR_BADFILE},
  };
  for (const Case& c : cases) {
    Com<IDirectXFile> file;
    file.p = CreateRegisteredFile();
    Com<IDirectXFileEnumObject> enumObject;
    EXPECT_EQ(OpenMemory(file.get(), c.content, &enumObject), c.expected) << c.what;
    EXPECT_EQ(enumObject.get(), nullptr) << c.what;
  }
}

TEST(XFileRead, MissingFileAndBadArguments) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  EXPECT_EQ(file->CreateEnumObject(const_cast<char*>("/nonexistent/a.x"), DXFILELOAD_FROMFILE, &enumObject),
            DXFILEERR_FILENOTFOUND);
  EXPECT_EQ(file->CreateEnumObject(nullptr, DXFILELOAD_FROMFILE, &enumObject), DXFILEERR_BADVALUE);
  EXPECT_EQ(file->CreateEnumObject(const_cast<char*>("a.x"), DXFILELOAD_FROMURL, &enumObject), DXFILEERR_BADVALUE);
  EXPECT_EQ(file->RegisterTemplates(const_cast<char*>("xof 0303txt 0032\nFrame { }"), 26), DXFILEERR_PARSEERROR);
}

TEST(XFileRead, AFileWithoutASizeIsReadToItsEnd) {
  // A pipe has no size to read at; 200 KB come in several reads.
  TempFolder folder;
  const std::string path = folder.Path("pipe.x");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::string content = "xof 0303txt 0032\nMesh { 1; 0;0;0;; 1; 3;0,0,0;; }\n";
  while (content.size() < 200000) content += "# padding of a comment line\n";
  content += "Vector { 1; 2; 3; }\n";
  // The writer waits for the reader without blocking, so that a reader that
  // never comes cannot hang the test, and stops when the reader goes.
  std::signal(SIGPIPE, SIG_IGN);
  std::atomic<bool> readerDone{false};
  std::thread writer([&] {
    int out = -1;
    while (out < 0 && !readerDone) {
      out = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (out < 0) std::this_thread::yield();
    }
    if (out < 0) return;
    ::fcntl(out, F_SETFL, 0);
    for (std::size_t at = 0; at < content.size();) {
      const ssize_t put = ::write(out, content.data() + at, content.size() - at);
      if (put <= 0) break;
      at += static_cast<std::size_t>(put);
    }
    ::close(out);
  });
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  HRESULT failure = S_OK;
  const std::string dump = DumpFile(file.get(), path, &failure);
  readerDone = true;
  writer.join();
  EXPECT_EQ(failure, S_OK);
  EXPECT_NE(dump.find(GuidToString(TID_D3DRMVector)), std::string::npos) << dump;
}

using XFileReadFolder = XFileFolderTest;

// Enumerations of one file opened side by side walk the same objects; one
// opened after objects were added to what an earlier one read, or after the
// file changed, reads the file as it is then.
TEST_F(XFileReadFolder, EachEnumerationSeesTheFileAsItIsWhenOpened) {
  const std::string path = PathOf("frames.x");
  auto write = [&](const std::string& body) {
    std::ofstream(path, std::ios::binary) << "xof 0303txt 0032\n" << body;
  };
  auto open = [&](Com<IDirectXFileEnumObject>& enumObject) {
    return m_file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &enumObject);
  };
  write("Frame A { Frame B { } }\n");
  Com<IDirectXFileEnumObject> first, second;
  ASSERT_EQ(open(first), S_OK);
  ASSERT_EQ(open(second), S_OK);
  HRESULT failure = S_OK;
  const std::string dump = DumpAll(first.get(), &failure);
  EXPECT_EQ(DumpAll(second.get(), &failure), dump);
  EXPECT_EQ(failure, S_OK);
  EXPECT_NE(dump.find("'B'"), std::string::npos) << dump;

  Com<IDirectXFileData> frame;
  ASSERT_EQ(second->GetDataObjectByName("A", &frame), S_OK);
  ASSERT_EQ(frame->AddDataReference("B", nullptr), S_OK);
  Com<IDirectXFileEnumObject> third;
  ASSERT_EQ(open(third), S_OK);
  EXPECT_EQ(DumpAll(third.get(), &failure), dump) << "without the reference added to the second";

  write("Frame A { Frame Changed { } }\n");
  Com<IDirectXFileEnumObject> fourth;
  ASSERT_EQ(open(fourth), S_OK);
  const std::string changed = DumpAll(fourth.get(), &failure);
  EXPECT_NE(changed.find("'Changed'"), std::string::npos) << changed;
  EXPECT_EQ(failure, S_OK);
}

// A text body whose tokens straddle the first large pages of the buffer it
// is read from (before: the bytes ahead of it there) where the parser holds
// them longest: a member name it peeks, an object's name, a string; then a
// vertex list over several pages, a string and a name longer than a page.
std::string TextAcrossPages(std::size_t before) {
  constexpr std::size_t kPage = win32::kLargePageSize;
  std::string text = "\n";
  // Comment lines up to place: a token that starts there at offset in its item
  // begins three bytes before the page's end.
  auto place = [&](std::size_t page, std::size_t offset, const std::string& item) {
    const std::size_t here = before + text.size();
    const std::size_t at = page * kPage - 3 - offset;
    text += '#';
    text.append(at - here - 2, ' ');
    text += '\n';
    text += item;
  };
  const std::string declaration =
      "template Straddling {\n <0d8e4f1a-5b7c-4e2d-9a61-3c0f2b7e8d11>\n DWORD count;\n"
      " array FLOAT values[count];\n STRING label;\n}\n";
  place(1, declaration.find("values"), declaration);
  const std::string frame = "Frame FrameAcrossTheSecondPage {\n}\n";
  place(2, frame.find("FrameAcross"), frame);
  const std::string labelled = "Straddling Labelled {\n 3;\n 1.5, 2.5, 3.5;\n \"a label across the third page\";\n}\n";
  place(3, labelled.find('"'), labelled);
  const int vertices = 150000;
  text += "Mesh Big {\n " + std::to_string(vertices) + ";\n";
  for (int i = 0; i < vertices; ++i) {
    text += std::to_string(i) + ".25;" + std::to_string(i % 977) + ".5;-" + std::to_string(i % 31) + ".75;";
    text += i + 1 < vertices ? ",\n" : ";\n";
  }
  text += " 1;\n 3;0,1,2;;\n}\n";
  text += "TextureFilename {\n \"" + std::string(kPage + kPage / 2, 't') + "\";\n}\n";
  text += "Frame N" + std::string(kPage + 77, 'n') + " {\n}\n";
  text += "Frame Last {\n { FrameAcrossTheSecondPage }\n}\n";
  return text;
}

// The pages of text the parse has passed go back to the system when the
// buffer is the parse's own: a file it read, or the text of a compressed
// file. Tokens across those pages read as they do from a caller's memory,
// which is never given back, and a file that fails past them fails the same.
TEST_F(XFileReadFolder, TextAcrossThePagesGivenBackReadsAsFromMemory) {
  for (const char* tail : {"", "Frame Bad { ) }\n"}) {
    const std::string plain = "xof 0303txt 0032" + TextAcrossPages(16) + tail;
    const std::string body = TextAcrossPages(0) + tail;
    std::string compressed;
    ASSERT_EQ(xfile::DeflateBlocks(body, {}, &compressed), S_OK);
    const DWORD total = static_cast<DWORD>(16 + body.size());
    compressed = "xof 0303tzip0032" + std::string(reinterpret_cast<const char*>(&total), 4) + compressed;

    Com<IDirectXFileEnumObject> fromMemory;
    const HRESULT expected = OpenMemory(m_file.get(), plain, &fromMemory);
    EXPECT_EQ(expected, *tail ? DXFILEERR_PARSEERROR : S_OK);
    HRESULT failure = S_OK;
    const std::string dump = SUCCEEDED(expected) ? DumpAll(fromMemory.get(), &failure) : std::string();
    EXPECT_EQ(failure, S_OK);
    if (SUCCEEDED(expected)) {
      for (const char* name : {"'FrameAcrossTheSecondPage'", "a label across the third page", "'Last'", "'Big'"})
        EXPECT_NE(dump.find(name), std::string::npos) << name;
    }
    for (const auto& [name, content] : {std::pair{"plain.x", plain}, std::pair{"compressed.x", compressed}}) {
      const std::string path = PathOf(name);
      std::ofstream(path, std::ios::binary) << content;
      Com<IDirectXFileEnumObject> fromFile, again;
      EXPECT_EQ(m_file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &fromFile), expected)
          << name;
      EXPECT_EQ(OpenMemory(m_file.get(), content, &again), expected) << name;
      if (FAILED(expected)) continue;
      EXPECT_TRUE(DumpAll(fromFile.get(), &failure) == dump) << name;
      EXPECT_TRUE(DumpAll(again.get(), &failure) == dump) << name;
      EXPECT_EQ(failure, S_OK) << name;
    }
  }
}

TEST(XFileRead, SavedFuzzInputsFailOrReadWithoutHarm) {
  std::filesystem::path folder = std::filesystem::path(VOREVER_FIXTURES) / "xfile" / "fuzz";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no fuzz inputs at " << folder;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    Com<IDirectXFile> file;
    file.p = CreateRegisteredFile();
    Com<IDirectXFileEnumObject> enumObject;
    if (SUCCEEDED(OpenMemory(file.get(), ReadBytes(entry.path()), &enumObject))) {
      HRESULT failure = S_OK;
      DumpAll(enumObject.get(), &failure);
    }
  }
}

}  // namespace
