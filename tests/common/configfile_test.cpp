#include "configfile.h"

#include <appoptions.h>
#include <gtest/gtest.h>
#include <winuser.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings_file.h"

namespace fs = std::filesystem;

using namespace settings_file;

namespace {

// Keeps whatever "Config.dat" the program folder held and puts it back.
class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override { m_keeper.Keep(); }
  void TearDown() override { m_keeper.PutBack(); }

 private:
  CSettingsFileKeeper m_keeper;
};

TEST(ConfigRecord, Defaults) {
  const CONFIGFILE cf = Defaults();
  EXPECT_EQ(cf.cvBackground.r, 0.8f);
  EXPECT_EQ(cf.cvBackground.g, 0.4f);
  EXPECT_EQ(cf.cvLightsDiffuse.b, 0.25f);
  EXPECT_EQ(cf.cvAmbient.g, 0.75f);
  EXPECT_EQ(cf.bLightFromRight, 1);
  EXPECT_EQ(cf.bLightFromBack + cf.bLightFromBottom + cf.bLightFromFront + cf.bLightFromLeft + cf.bLightFromTop, 0);
  EXPECT_EQ(cf.bDiffuseForAmbientColor, 1);
  EXPECT_EQ(cf.fReductionPercent, 100.0f);
  EXPECT_EQ(cf.fMaxNormalAngle, 6.0f);
  EXPECT_EQ(cf.fMaxAreaChangePercent, 3.0f);
  EXPECT_EQ(cf.fFaceAreaFactor, 10.0f);
  EXPECT_EQ(cf.cvActiveVertices.r, 1.0f);
  EXPECT_EQ(cf.cvRemovedVertices.b, 1.0f);
  EXPECT_EQ(cf.fPMeshPercent, 50.0f);
  EXPECT_EQ(cf.fWeightBoundary + cf.fWeightNormal + cf.fWeightPosition, 3.0f);
  EXPECT_EQ(cf.fWeightDiffuse + cf.fWeightSpecular + cf.fWeightTexture, 0.0f);
  EXPECT_EQ(cf.dwXFileFormat, 2u);
  EXPECT_EQ(cf.fConvScaling, 1.0f);
  EXPECT_EQ(cf.dwConvVerbose, 1u);
  EXPECT_EQ(cf.szConvTextureExt[0], '\0');
  EXPECT_EQ(cf.fAreaTolerancePercent, 5.0f);
  EXPECT_EQ(cf.fVolumeTolerancePercent, 5.0f);
  EXPECT_EQ(cf.szImportFolder[0], '\0');
  EXPECT_EQ(cf.cvSelectedPMesh.g, 1.0f);
  EXPECT_EQ(cf.cvSelectedPMesh.a, 1.0f);
}

// Every rule of the file in one test: the tests of a program run side by
// side, and they would share the one file.
TEST_F(ConfigFileTest, FileRules) {
  const std::vector<char> defaults = RecordBytes(Defaults());
  CONFIGFILE cf;

  // No file: the defaults, written to a new 540-byte file.
  std::memset(&cf, 0x5A, sizeof(cf));
  ASSERT_TRUE(GetConfigData(cf));
  EXPECT_EQ(RecordBytes(cf), defaults);
  EXPECT_EQ(FileBytes(ConfigPath()), defaults);

  // A short file (539 bytes) is not read: the defaults are written over it.
  CONFIGFILE changed = Defaults();
  changed.fReductionPercent = 42.0f;
  std::vector<char> shortFile = RecordBytes(changed);
  shortFile.pop_back();
  WriteBytes(ConfigPath(), shortFile);
  EXPECT_FALSE(ReadConfigFile(cf));
  EXPECT_EQ(cf.fReductionPercent, 42.0f);  // what was read, then zeros
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&cf)[539], 0);
  ASSERT_TRUE(GetConfigData(cf));
  EXPECT_EQ(RecordBytes(cf), defaults);
  EXPECT_EQ(FileBytes(ConfigPath()), defaults);

  // A longer file (600 bytes): its first 540 bytes are the record, and the
  // file is written back as exactly 540.
  std::vector<char> longFile = RecordBytes(changed);
  longFile.resize(600, 'x');
  WriteBytes(ConfigPath(), longFile);
  ASSERT_TRUE(GetConfigData(cf));
  EXPECT_EQ(cf.fReductionPercent, 42.0f);
  EXPECT_EQ(FileBytes(ConfigPath()), RecordBytes(changed));

  // A record of the right size is taken as it stands.
  changed.dwShadeMode = 77;
  ASSERT_TRUE(SaveConfigFile(changed));
  ASSERT_TRUE(ReadConfigFile(cf));
  EXPECT_EQ(RecordBytes(cf), RecordBytes(changed));

  // Text fields without their terminating zero are cut to keep it.
  CONFIGFILE unterminated = changed;
  std::memcpy(unterminated.szConvTextureExt, "jpegx", 5);
  std::memset(unterminated.szImportFolder, 'f', sizeof(unterminated.szImportFolder));
  WriteBytes(ConfigPath(), RecordBytes(unterminated));
  ASSERT_TRUE(GetConfigData(cf));
  EXPECT_STREQ(cf.szConvTextureExt, "jpeg");
  EXPECT_EQ(std::string(cf.szImportFolder), std::string(259, 'f'));
  EXPECT_EQ(FileBytes(ConfigPath()), RecordBytes(cf));

  // SaveAppOptions stores the program-wide options and keeps the file's others.
  CONFIGFILE options = Defaults();
  std::strcpy(options.szImportFolder, "/data/scenes");
  options.dwXFileFormat = 1;
  options.fConvScaling = 0.5f;
  SetAppOptions(options);
  ASSERT_TRUE(SaveAppOptions());
  ASSERT_TRUE(ReadConfigFile(cf));
  EXPECT_EQ(cf.dwShadeMode, 77u);
  EXPECT_EQ(cf.fReductionPercent, 42.0f);
  EXPECT_EQ(cf.dwXFileFormat, 1u);
  EXPECT_EQ(cf.fConvScaling, 0.5f);
  EXPECT_STREQ(cf.szImportFolder, "/data/scenes");
  std::memset(g_appOptions.szImportFolder, 'g', sizeof(g_appOptions.szImportFolder));  // no zero
  std::memcpy(g_appOptions.szConvTextureExt, "tiffs", 5);
  ASSERT_TRUE(SaveAppOptions());
  ASSERT_TRUE(ReadConfigFile(cf));
  EXPECT_EQ(std::string(cf.szImportFolder), std::string(259, 'g'));  // cut and terminated
  EXPECT_STREQ(cf.szConvTextureExt, "tiff");

  // A write failure is shown in a message box and reported.
  fs::remove(ConfigPath());
  fs::create_directory(ConfigPath());  // neither readable as a record nor writable as a file
  const DWORD boxes = GetLastMessageBox().count;
  EXPECT_FALSE(GetConfigData(cf));
  EXPECT_EQ(RecordBytes(cf), RecordBytes(Defaults()));  // the program goes on with the defaults
  MessageBoxRecord box = GetLastMessageBox();
  EXPECT_EQ(box.count, boxes + 1);
  EXPECT_EQ(box.caption, "Creating the default config file");
  EXPECT_EQ(box.type, MB_ICONHAND);
  EXPECT_FALSE(box.text.empty());

  EXPECT_FALSE(SaveConfigFile(cf));
  EXPECT_EQ(GetLastMessageBox().caption, "Creating a new document");
  EXPECT_FALSE(SaveAppOptions());
}

}  // namespace
