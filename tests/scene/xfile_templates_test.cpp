#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <xfiletemplates.h>
#include <xskinexp.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

template <class T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
};

TEST(SceneTemplates, TheStandardTextBeginsWithItsHeaderAndParses) {
  CTemplates templates;
  ASSERT_GT(templates.GetBufferSize(), 16u);
  EXPECT_EQ(std::memcmp(templates.GetBuffer(), "xof 0302txt 0032", 16), 0);
  Released<IDirectXFile> file;
  ASSERT_EQ(DirectXFileCreate(&file.p), S_OK);
  EXPECT_EQ(file.p->RegisterTemplates(templates.GetBuffer(), templates.GetBufferSize()), S_OK);

  CTemplates copy;
  copy = templates;
  EXPECT_NE(copy.GetBuffer(), templates.GetBuffer()) << "a copy owns its own text";
  EXPECT_EQ(copy.GetBufferSize(), templates.GetBufferSize());
  EXPECT_EQ(std::memcmp(copy.GetBuffer(), templates.GetBuffer(), copy.GetBufferSize()), 0);
}

TEST(SceneTemplates, ASavedFileDeclaresTheListsItIsGiven) {
  Released<IDirectXFile> file;
  ASSERT_EQ(DirectXFileCreate(&file.p), S_OK);
  ASSERT_EQ(RegisterXFileTemplates(file.p), S_OK);
  std::filesystem::path path = std::filesystem::temp_directory_path() / "scene_templates_lists.x";
  {
    Released<IDirectXFileSaveObject> save;
    ASSERT_EQ(file.p->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save.p), S_OK);
    ASSERT_EQ(save.p->SaveTemplates(15, g_StandardSaveTemplates), S_OK);
    ASSERT_EQ(save.p->SaveTemplates(5, g_SkinSaveTemplates), S_OK);
  }
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  for (const char* name : {"Frame", "AnimationOptions", "XSkinMeshHeader", "PatchMesh"})
    EXPECT_NE(text.find("template " + std::string(name) + " {"), std::string::npos) << name;
  for (const char* name : {"PMInfo", "FVFData"})
    EXPECT_EQ(text.find("template " + std::string(name) + " {"), std::string::npos) << name;

  // The system's own identifiers are no templates.
  Released<IDirectXFileSaveObject> save;
  ASSERT_EQ(file.p->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save.p), S_OK);
  Released<IDirectXFileData> data;
  EXPECT_EQ(save.p->CreateDataObject(GUID_BaseMesh, nullptr, nullptr, 0, nullptr, &data.p), DXFILEERR_NOTEMPLATE);
}

}  // namespace
