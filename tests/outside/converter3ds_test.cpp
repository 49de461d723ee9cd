#include <appoptions.h>
#include <converter3ds.h>
#include <d3dx8.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <scene3ds.h>
#include <xfile.h>
#include <xfiledatalist.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "temp_folder.h"

namespace {

std::unique_ptr<CFrame> NewRoot() {
  auto root = std::make_unique<CFrame>();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  root->Initialize(&identity, const_cast<char*>("root"), CFrame::ePlainFrame, false);
  return root;
}

DWORD FacesBelow(CFrame* root) {
  DWORD vertices = 0, faces = 0;
  EXPECT_TRUE(root->SetDXMeshFrameMetrics(vertices, faces, nullptr));
  return faces;
}

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_device.CreateD3DDevice(nullptr), S_OK);
    m_savedLoadDXMeshes = g_appOptions.bLoadDXMeshes;
    g_appOptions.bLoadDXMeshes = 1;
  }
  void TearDown() override { g_appOptions.bLoadDXMeshes = m_savedLoadDXMeshes; }

  CDXWindowedDevice m_device;
  BYTE m_savedLoadDXMeshes = 0;
};

TEST_F(ConverterTest, AConverted3dsFileReloadsAsXWithTheSameFaces) {
  const std::string folder = std::string(VOREVER_TESTDATA) + "/3ds/";
  const std::string path = folder + "RotatingCube.3DS";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path;
  auto imported = NewRoot();
  ASSERT_TRUE(Import3dsFile(const_cast<char*>(path.c_str()), const_cast<char*>(folder.c_str()), imported.get(), nullptr));
  const DWORD faces = FacesBelow(imported.get());
  ASSERT_GT(faces, 0u);

  C3DSFileConverter converter;
  CString xPath;
  ASSERT_TRUE(converter.Convert3DSFile(const_cast<char*>("RotatingCube.3DS"), const_cast<char*>(path.c_str()),
                                       const_cast<char*>(folder.c_str()), xPath, nullptr))
      << converter.GetFailureText();
  EXPECT_EQ(std::filesystem::path(static_cast<LPCSTR>(xPath)).extension(), ".x");
  auto reloaded = NewRoot();
  CXFileDataList world;
  CXFile file;
  EXPECT_TRUE(file.LoadXfile(xPath, reloaded.get(), world, const_cast<char*>(folder.c_str()), nullptr))
      << file.GetFailureText();
  EXPECT_EQ(FacesBelow(reloaded.get()), faces);
  std::filesystem::remove(static_cast<LPCSTR>(xPath));
}

TEST_F(ConverterTest, ABadFileFailsWithAMessageAndWritesNothing) {
  TempFolder temp;
  const std::string bad = temp.Path("bad.3ds");
  std::ofstream(bad, std::ios::binary) << "MM not a 3ds file";
  for (const std::string& path : {bad, temp.Path("missing.3ds")}) {
    SCOPED_TRACE(path);
    C3DSFileConverter converter;
    CString xPath;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(converter.Convert3DSFile(nullptr, const_cast<char*>(path.c_str()), nullptr, xPath, nullptr));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(xPath.IsEmpty());
    EXPECT_NE(std::string(converter.GetFailureText()).find(path), std::string::npos) << converter.GetFailureText();
  }
}

}  // namespace
