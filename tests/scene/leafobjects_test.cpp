#include <appoptions.h>
#include <dxfile.h>
#include <frametransformmatrix.h>
#include <gtest/gtest.h>
#include <headerobject.h>
#include <material.h>
#include <rmxfguid.h>
#include <texturefile.h>
#include <xfiletemplates.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "math_expect.h"
#include "temp_folder.h"

namespace {

const std::string kFixture = std::string(VOREVER_FIXTURES) + "/leafobjects.x";

// A data object of a file and a copy of its block.
struct SBlock {
  IDirectXFileData* data = nullptr;
  std::vector<BYTE> bytes;
  std::string name;
};

// Reads the top-level data objects of a file, and of each its first nested
// data object, through the file API, with the system's templates registered.
// The file object stays open until the reader goes.
class CReader {
 public:
  explicit CReader(const std::string& path) {
    EXPECT_EQ(DirectXFileCreate(&m_file), DXFILE_OK);
    EXPECT_EQ(RegisterXFileTemplates(m_file), DXFILE_OK);
    IDirectXFileEnumObject* objects = nullptr;
    EXPECT_EQ(m_file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &objects), DXFILE_OK);
    if (!objects) return;
    IDirectXFileData* data = nullptr;
    while (SUCCEEDED(objects->GetNextDataObject(&data))) {
      Add(data);
      IDirectXFileObject* child = nullptr;
      IDirectXFileData* childData = nullptr;
      if (SUCCEEDED(data->GetNextObject(&child)) &&
          SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData))))
        Add(childData);
      if (child) child->Release();
    }
    objects->Release();
  }
  ~CReader() {
    for (SBlock& b : m_blocks) b.data->Release();
    if (m_file) m_file->Release();
  }
  IDirectXFile* File() { return m_file; }
  SBlock& At(size_t i) { return m_blocks.at(i); }
  size_t Count() const { return m_blocks.size(); }

 private:
  void Add(IDirectXFileData* data) {
    SBlock block;
    block.data = data;
    DWORD size = 0;
    void* bytes = nullptr;
    EXPECT_EQ(data->GetData(nullptr, &size, &bytes), DXFILE_OK);
    block.bytes.assign(static_cast<BYTE*>(bytes), static_cast<BYTE*>(bytes) + size);
    m_blocks.push_back(std::move(block));
  }

  IDirectXFile* m_file = nullptr;
  std::vector<SBlock> m_blocks;
};

template <class T>
bool LoadFrom(T& object, SBlock& block) {
  return object.Load(block.data, static_cast<DWORD>(block.bytes.size()), block.bytes.data(), nullptr, nullptr);
}

// Saves each object as a top-level data object of a new binary file at path.
std::string SaveAll(IDirectXFile* file, const std::vector<CXFileDataObject*>& objects, const std::string& path) {
  IDirectXFileSaveObject* saver = nullptr;
  EXPECT_EQ(file->CreateSaveObject(path.c_str(), DXFILEFORMAT_BINARY, &saver), DXFILE_OK);
  for (CXFileDataObject* object : objects) {
    IDirectXFileData* data = nullptr;
    EXPECT_EQ(object->Save(saver, &data, nullptr), S_OK);
    EXPECT_NE(data, nullptr);
    if (data) {
      EXPECT_EQ(saver->SaveData(data), DXFILE_OK);
      data->Release();
    }
  }
  saver->Release();
  return path;
}

TEST(LeafObjectsTest, EachLeafSavesTheBlockItLoaded) {
  TempFolder folder;
  CReader original(kFixture);
  ASSERT_EQ(original.Count(), 4u);  // Header, Material, its TextureFilename, FrameTransformMatrix
  CHeader header;
  CMaterial material;
  CTextureFile texture;
  CFrameTransformMatrix transform;
  ASSERT_TRUE(LoadFrom(header, original.At(0)));
  ASSERT_TRUE(LoadFrom(material, original.At(1)));
  ASSERT_TRUE(LoadFrom(texture, original.At(2)));
  ASSERT_TRUE(LoadFrom(transform, original.At(3)));
  EXPECT_EQ(header.GetMajor(), 1);
  EXPECT_EQ(header.GetMinor(), 2);
  EXPECT_STREQ(material.GetName(), "RedGlass");
  EXPECT_STREQ(texture.GetFileName(), "glass.png");
  EXPECT_STREQ(texture.GetFileDirectory(), "");
  EXPECT_EQ(texture.GetTexture(), nullptr);
  EXPECT_TRUE(transform.IsATemplateGUID(&TID_D3DRMFrameTransformMatrix));

  std::string path =
      SaveAll(original.File(), {&header, &material, &texture, &transform}, folder.Path("vorever_leaf_saved.x"));
  CReader saved(path);
  ASSERT_EQ(saved.Count(), 4u);
  for (size_t i : {0u, 1u, 3u}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(saved.At(i).bytes, original.At(i).bytes);
    const GUID* type = nullptr;
    saved.At(i).data->GetType(&type);
    const GUID* originalType = nullptr;
    original.At(i).data->GetType(&originalType);
    EXPECT_EQ(*type, *originalType);
  }
  char* name = nullptr;
  std::memcpy(&name, saved.At(2).bytes.data(), sizeof(name));
  EXPECT_STREQ(name, "glass.png");
}

TEST(LeafObjectsTest, MaterialTakesTheFaceColourForDiffuseAndAmbient) {
  CReader original(kFixture);
  CMaterial material;
  ASSERT_TRUE(LoadFrom(material, original.At(1)));
  const D3DMATERIAL8& m = *material.GetMaterial();
  const float diffuse[4] = {m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a};
  const float ambient[4] = {m.Ambient.r, m.Ambient.g, m.Ambient.b, m.Ambient.a};
  const float expected[4] = {1, 0, 0, 0.5f};
  EXPECT_TRUE(math_expect::Near(diffuse, expected, 4, 0));
  EXPECT_TRUE(math_expect::Near(ambient, expected, 4, 0));
  EXPECT_EQ(m.Specular.a, 1.0f);
  EXPECT_EQ(m.Emissive.a, 1.0f);
  EXPECT_EQ(m.Emissive.b, 0.3f);
  EXPECT_EQ(m.Power, 12.5f);
  EXPECT_FALSE(material.IsOpaque());
}

TEST(LeafObjectsTest, TheTemplateGuidOutlivesTheFile) {
  CHeader header;
  {
    CReader original(kFixture);
    ASSERT_TRUE(LoadFrom(header, original.At(0)));
  }
  EXPECT_EQ(*header.GetTemplateGuid(), TID_DXFILEHeader);
  EXPECT_STREQ(header.GetTemplateName(), "Header");
}

TEST(LeafObjectsTest, AShortBlockIsRejected) {
  CReader original(kFixture);
  SBlock& block = original.At(3);
  CFrameTransformMatrix transform;
  EXPECT_FALSE(transform.Load(block.data, 63, block.bytes.data(), nullptr, nullptr));
  CMaterial material;
  EXPECT_FALSE(material.Load(original.At(1).data, 40, original.At(1).bytes.data(), nullptr, nullptr));
}

TEST(LeafObjectsTest, ALoadedTransformSavesWhatItRead) {
  TempFolder folder;
  CReader original(kFixture);
  CFrameTransformMatrix transform(true);
  ASSERT_TRUE(LoadFrom(transform, original.At(3)));
  D3DXMATRIX held = transform.GetFrameMatrix(false);
  EXPECT_EQ(held._43, -5.0f);  // mirrored
  D3DXMATRIX other;
  D3DXMatrixScaling(&other, 2, 2, 2);
  transform.SetFrameMatrix(&other, false);

  std::string path = SaveAll(original.File(), {&transform}, folder.Path("vorever_leaf_transform.x"));
  CReader saved(path);
  ASSERT_EQ(saved.Count(), 1u);
  EXPECT_EQ(saved.At(0).bytes, original.At(3).bytes);
}

TEST(LeafObjectsTest, AMirroredTransformIsWrittenUnmirrored) {
  TempFolder folder;
  CReader original(kFixture);
  D3DXMATRIX lifted;
  D3DXMatrixTranslation(&lifted, 0, 0, 5);
  CFrameTransformMatrix transform;
  ASSERT_EQ(transform.Initialize(&lifted, true, nullptr, false), S_OK);
  EXPECT_EQ(transform.GetFrameMatrix(false)._43, -5.0f);

  std::string path = SaveAll(original.File(), {&transform}, folder.Path("vorever_leaf_mirrored.x"));
  CReader saved(path);
  ASSERT_EQ(saved.Count(), 1u);
  ASSERT_EQ(saved.At(0).bytes.size(), sizeof(D3DXMATRIX));
  D3DXMATRIX written;
  std::memcpy(&written, saved.At(0).bytes.data(), sizeof(written));
  EXPECT_TRUE(math_expect::Near(written, lifted, 0));
}

TEST(LeafObjectsTest, ABackslashIsWrittenAsItStands) {
  TempFolder folder;
  CReader original(kFixture);
  CTextureFile texture;
  ASSERT_TRUE(
      texture.Initialize(const_cast<char*>("maps\\glass.png"), const_cast<char*>("C:\\scenes\\"), nullptr, nullptr));
  EXPECT_EQ(texture.GetTexture(), nullptr);
  EXPECT_STREQ(texture.GetFileDirectory(), "C:\\scenes\\");
  std::string path = SaveAll(original.File(), {&texture}, folder.Path("vorever_leaf_texture.x"));
  CReader saved(path);
  ASSERT_EQ(saved.Count(), 1u);
  char* name = nullptr;
  std::memcpy(&name, saved.At(0).bytes.data(), sizeof(name));
  EXPECT_STREQ(name, "maps\\glass.png");
}

TEST(LeafObjectsTest, TextFilesGetNamesThatAreIdentifiers) {
  TempFolder folder;
  CReader original(kFixture);
  IDirectXFileSaveObject* saver = nullptr;
  std::string path = folder.Path("vorever_leaf_names.x");
  ASSERT_EQ(original.File()->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &saver), DXFILE_OK);
  CMaterial material;
  ASSERT_TRUE(material.Initialize());
  material.SetName(const_cast<char*>("2nd glass #1"), false);
  const DWORD format = g_appOptions.dwXFileFormat;
  for (DWORD text : {0u, 1u}) {
    g_appOptions.dwXFileFormat = text;
    IDirectXFileData* data = nullptr;
    ASSERT_EQ(material.Save(saver, &data, nullptr), S_OK);
    char name[64] = {};
    DWORD length = sizeof(name);
    ASSERT_EQ(data->GetName(name, &length), DXFILE_OK);
    EXPECT_STREQ(name, text ? "_2nd_glass__1" : "2nd glass #1");
    data->Release();
  }
  g_appOptions.dwXFileFormat = format;
  saver->Release();
}

TEST(LeafObjectsTest, MaterialInitializeForms) {
  CMaterial standard;
  ASSERT_TRUE(standard.Initialize());
  EXPECT_EQ(standard.GetMaterial()->Diffuse.a, 0.7f);
  EXPECT_EQ(standard.GetMaterial()->Power, 30.0f);
  EXPECT_FALSE(standard.IsOpaque());
  EXPECT_EQ(standard.GetTextureFile(), nullptr);
  EXPECT_STREQ(standard.GetName(), "");

  D3DMATERIAL8 red = {};
  red.Diffuse = {1, 0, 0, 1};
  CMaterial textured;
  ASSERT_TRUE(textured.Initialize(&red, const_cast<char*>("wood.png"), const_cast<char*>("media/"),
                                  const_cast<char*>("Wood"), nullptr));
  EXPECT_TRUE(textured.IsOpaque());
  ASSERT_NE(textured.GetTextureFile(), nullptr);
  EXPECT_EQ(textured.GetChildXfileDataObject(&TID_D3DRMTextureFilename, false, false), textured.GetTextureFile());
  EXPECT_EQ(textured.GetTexture(), nullptr);

  // A copy is named after the source's texture file object.
  textured.GetTextureFile()->SetName(const_cast<char*>("WoodTexture"), false);
  CMaterial copy;
  ASSERT_TRUE(copy.Initialize(&textured, nullptr));
  EXPECT_STREQ(copy.GetName(), "WoodTexture");
  ASSERT_NE(copy.GetTextureFile(), nullptr);
  EXPECT_STREQ(copy.GetTextureFile()->GetFileName(), "wood.png");
  EXPECT_STREQ(copy.GetTextureFile()->GetFileDirectory(), "media/");
  EXPECT_NE(copy.GetTextureFile(), textured.GetTextureFile());
}

TEST(LeafObjectsTest, TextureStatusWithoutADocumentIsUnknown) {
  CTextureFile texture;
  ASSERT_TRUE(texture.Initialize(const_cast<char*>("a.png"), nullptr, nullptr, nullptr));
  EXPECT_STREQ(texture.GetTextureStatus(nullptr), "a.png (status unkown)");
}

// Every Header, Material, TextureFilename and FrameTransformMatrix of the
// real files, in text, binary and compressed form, loads into its object and
// saves as the block it was read from.
class CLeafWalker {
 public:
  explicit CLeafWalker(IDirectXFileSaveObject* saver) : m_saver(saver) {}
  int Checked() const { return m_checked; }

  void Visit(IDirectXFileData* data) {
    const GUID* type = nullptr;
    ASSERT_EQ(data->GetType(&type), DXFILE_OK);
    if (*type == TID_DXFILEHeader) {
      CHeader header;
      Check(header, data);
    } else if (*type == TID_D3DRMMaterial) {
      CMaterial material;
      Check(material, data);
    } else if (*type == TID_D3DRMTextureFilename) {
      CTextureFile texture;
      Check(texture, data);
    } else if (*type == TID_D3DRMFrameTransformMatrix) {
      CFrameTransformMatrix transform;
      Check(transform, data);
    }
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child))) {
      IDirectXFileData* childData = nullptr;
      if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
        Visit(childData);
        childData->Release();
      }
      child->Release();
    }
  }

 private:
  void Check(CXFileDataObject& object, IDirectXFileData* data) {
    DWORD size = 0;
    void* block = nullptr;
    ASSERT_EQ(data->GetData(nullptr, &size, &block), DXFILE_OK);
    ASSERT_TRUE(object.Load(data, size, static_cast<BYTE*>(block), nullptr, nullptr)) << object.GetTemplateName();
    IDirectXFileData* saved = nullptr;
    ASSERT_EQ(object.Save(m_saver, &saved, nullptr), S_OK);
    ASSERT_NE(saved, nullptr);
    DWORD savedSize = 0;
    void* savedBlock = nullptr;
    ASSERT_EQ(saved->GetData(nullptr, &savedSize, &savedBlock), DXFILE_OK);
    if (object.IsATemplateGUID(&TID_D3DRMTextureFilename)) {
      EXPECT_STREQ(*static_cast<char**>(savedBlock), *static_cast<char**>(block));
    } else {
      ASSERT_EQ(savedSize, size) << object.GetTemplateName();
      EXPECT_EQ(std::memcmp(savedBlock, block, size), 0) << object.GetTemplateName();
    }
    saved->Release();
    ++m_checked;
  }

  IDirectXFileSaveObject* m_saver;
  int m_checked = 0;
};

TEST(LeafObjectsTest, RealFilesSaveTheBlocksTheyRead) {
  const char* files[] = {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                         "kwxport_test_cubewithvcolors.x", "fromtruespace_bin32.x"};
  std::string folder = std::string(VOREVER_TESTDATA) + "/x/";
  if (!std::filesystem::exists(folder + files[0])) GTEST_SKIP() << "no test data in " << folder;
  TempFolder scratchFolder;
  std::string scratch = scratchFolder.Path("vorever_leaf_scratch.x");
  for (const char* name : files) {
    SCOPED_TRACE(name);
    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    ASSERT_EQ(RegisterXFileTemplates(file), DXFILE_OK);
    IDirectXFileEnumObject* objects = nullptr;
    ASSERT_EQ(file->CreateEnumObject(const_cast<char*>((folder + name).c_str()), DXFILELOAD_FROMFILE, &objects),
              DXFILE_OK);
    IDirectXFileSaveObject* saver = nullptr;
    ASSERT_EQ(file->CreateSaveObject(scratch.c_str(), DXFILEFORMAT_BINARY, &saver), DXFILE_OK);
    CLeafWalker walker(saver);
    IDirectXFileData* data = nullptr;
    while (SUCCEEDED(objects->GetNextDataObject(&data))) {
      walker.Visit(data);
      data->Release();
    }
    EXPECT_GT(walker.Checked(), 1);
    saver->Release();
    objects->Release();
    file->Release();
  }
}

}  // namespace
