#include <dxerr8.h>
#include <gtest/gtest.h>
#include <rmxfguid.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "temp_folder.h"
#include "xfile_helpers.h"

namespace {

const GUID* const kStandard[] = {
    &TID_DXFILEHeader,         &TID_D3DRMVector,           &TID_D3DRMCoords2d,          &TID_D3DRMMatrix4x4,
    &TID_D3DRMColorRGBA,       &TID_D3DRMColorRGB,         &TID_D3DRMIndexedColor,      &TID_D3DRMBoolean,
    &TID_D3DRMBoolean2d,       &TID_D3DRMMaterialWrap,     &TID_D3DRMTextureFilename,   &TID_D3DRMMaterial,
    &TID_D3DRMMeshFace,        &TID_D3DRMMeshFaceWraps,    &TID_D3DRMMeshTextureCoords, &TID_D3DRMMeshMaterialList,
    &TID_D3DRMMeshNormals,     &TID_D3DRMMeshVertexColors, &TID_D3DRMMesh,              &TID_D3DRMFrameTransformMatrix,
    &TID_D3DRMFrame,           &TID_D3DRMFloatKeys,        &TID_D3DRMTimedFloatKeys,    &TID_D3DRMAnimationKey,
    &TID_D3DRMAnimationOptions, &TID_D3DRMAnimation,       &TID_D3DRMAnimationSet,      &TID_D3DRMInlineData,
    &TID_D3DRMUrl,             &TID_D3DRMProgressiveMesh,  &TID_D3DRMGuid,              &TID_D3DRMStringProperty,
    &TID_D3DRMPropertyBag,     &TID_D3DRMExternalVisual,   &TID_D3DRMRightHanded,
};

// The declarations a file object writes for the 35 standard templates.
std::string StandardDeclarations(IDirectXFile* file, const std::filesystem::path& path) {
  {
    Com<IDirectXFileSaveObject> save;
    if (FAILED(file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save))) return "";
    std::vector<const GUID*> list(std::begin(kStandard), std::end(kStandard));
    if (FAILED(save->SaveTemplates(static_cast<DWORD>(list.size()), list.data()))) return "";
  }
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(XFileTemplates, TheBinaryStandardSetDeclaresWhatTheTextDeclares) {
  ASSERT_EQ(std::memcmp(D3DRM_XTEMPLATES, "xof 0302bin 0064", 16), 0);
  ASSERT_EQ(std::strncmp(D3DRM_XTEMPLATES_TEXT_FIRST, "xof 0302txt 0032", 16), 0);
  std::string text = std::string(D3DRM_XTEMPLATES_TEXT_FIRST) + D3DRM_XTEMPLATES_TEXT_SECOND;
  Com<IDirectXFile> fromText, fromBinary;
  ASSERT_EQ(DirectXFileCreate(&fromText), S_OK);
  ASSERT_EQ(DirectXFileCreate(&fromBinary), S_OK);
  ASSERT_EQ(fromText->RegisterTemplates(text.data(), static_cast<DWORD>(text.size())), S_OK);
  ASSERT_EQ(fromBinary->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), S_OK);
  TempFolder folder;
  std::filesystem::path path = folder.Path("xfile_templates_standard.x");
  std::string declaredByText = StandardDeclarations(fromText.get(), path);
  std::string declaredByBinary = StandardDeclarations(fromBinary.get(), path);
  EXPECT_NE(declaredByText.find("template RightHanded"), std::string::npos);
  EXPECT_EQ(declaredByText, declaredByBinary);
}

TEST(XFileTemplates, SkinAndExtensionTemplatesNeedNoDeclarationInTheFile) {
  const std::string body =
      "xof 0303txt 0032\n"
      "XSkinMeshHeader { 1; 1; 1; }\n"
      "PMInfo { 1; 0; 1; 2; 3; 4; 5; 6; 7; 8; 0; 1; 9; }\n";
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  ASSERT_EQ(OpenMemory(file.get(), body, &enumObject), S_OK);
  for (const GUID* expected : {&DXFILEOBJ_XSkinMeshHeader, &DXFILEOBJ_PMInfo}) {
    Com<IDirectXFileData> data;
    ASSERT_EQ(enumObject->GetNextDataObject(&data), S_OK);
    const GUID* type = nullptr;
    ASSERT_EQ(data->GetType(&type), S_OK);
    EXPECT_EQ(*type, *expected);
  }
  Com<IDirectXFile> bare;
  ASSERT_EQ(DirectXFileCreate(&bare), S_OK);
  Com<IDirectXFileEnumObject> unregistered;
  ASSERT_EQ(OpenMemory(bare.get(), body, &unregistered), S_OK);
  Com<IDirectXFileData> data;
  ASSERT_EQ(unregistered->GetNextDataObject(&data), S_OK);
  const GUID* type = nullptr;
  ASSERT_EQ(data->GetType(&type), S_OK);
  EXPECT_EQ(*type, GUID_NULL) << "without its template an object has no type";
}

TEST(XFileTemplates, ResultCodesHaveNamesAndTheTableGrows) {
  EXPECT_STREQ(DXGetErrorString8A(DXFILEERR_NOMOREOBJECTS), "DXFILEERR_NOMOREOBJECTS");
  EXPECT_STREQ(DXGetErrorString8A(DXFILEERR_BADFILE), "DXFILEERR_BADFILE");
  EXPECT_STREQ(DXGetErrorString8A(E_FAIL), "E_FAIL");
  EXPECT_EQ(static_cast<DWORD>(DXFILEERR_NOMOREOBJECTS), 0x88760367u);
  const HRESULT code = static_cast<HRESULT>(0x8876086Cu);
  EXPECT_STREQ(DXGetErrorString8A(code), "Unknown");
  const DXErrorName added[] = {{code, "D3DERR_INVALIDCALL"}, {E_FAIL, "not E_FAIL"}};
  DXAddErrorNames(added, 2);
  EXPECT_STREQ(DXGetErrorString8A(code), "D3DERR_INVALIDCALL");
  EXPECT_STREQ(DXGetErrorString8A(E_FAIL), "E_FAIL");
}

}  // namespace
