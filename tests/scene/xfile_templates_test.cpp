#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <patchmesh.h>
#include <xfiletemplates.h>
#include <xskinexp.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "temp_folder.h"

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
  TempFolder folder;
  std::filesystem::path path = folder.Path("scene_templates_lists.x");
  {
    Released<IDirectXFileSaveObject> save;
    ASSERT_EQ(file.p->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save.p), S_OK);
    ASSERT_EQ(save.p->SaveTemplates(15, g_StandardSaveTemplates), S_OK);
    ASSERT_EQ(save.p->SaveTemplates(5, g_SkinSaveTemplates), S_OK);
  }
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

namespace {

TEST(ScenePatchMesh, LoadsItsNameAndTemplateAndWritesNothing) {
  Released<IDirectXFile> file;
  ASSERT_EQ(DirectXFileCreate(&file.p), S_OK);
  ASSERT_EQ(RegisterXFileTemplates(file.p), S_OK);
  std::string text =
      "xof 0303txt 0032\n"
      "PatchMesh Patches { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 1; 4; 0,1,2,3;;; }\n";
  DXFILELOADMEMORY memory{text.data(), static_cast<DWORD>(text.size())};
  Released<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(file.p->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject.p), S_OK);
  Released<IDirectXFileData> data;
  ASSERT_EQ(enumObject.p->GetNextDataObject(&data.p), S_OK);
  DWORD size = 0;
  BYTE* block = nullptr;
  ASSERT_EQ(data.p->GetData(nullptr, &size, reinterpret_cast<void**>(&block)), S_OK);

  CPatchMesh patches;
  EXPECT_FALSE(patches.IsLoaded());
  ASSERT_TRUE(patches.Load(data.p, size, block, nullptr, nullptr));
  EXPECT_TRUE(patches.IsLoaded());
  EXPECT_STREQ(patches.GetName(), "Patches");
  EXPECT_TRUE(patches.IsATemplateGUID(&DXFILEOBJ_PatchMesh));
  IDirectXFileData* out = reinterpret_cast<IDirectXFileData*>(&patches);
  EXPECT_EQ(patches.Save(nullptr, &out, nullptr), S_OK);
  EXPECT_EQ(out, nullptr);
  patches.DestroyContent();
  EXPECT_FALSE(patches.IsLoaded());
}

}  // namespace
