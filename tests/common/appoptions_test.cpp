#include <appoptions.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "appfiles.h"
#include "configfile.h"
#include "conv3dsargs.h"

namespace {

CONFIGFILE Defaults() {
  CONFIGFILE cf;
  std::memset(&cf, 0, sizeof(cf));
  SetDefaultConfigData(cf);
  return cf;
}

TEST(AppOptions, SetFromTheRecord) {
  CONFIGFILE cf = Defaults();
  cf.dwXFileFormat = 1;
  cf.bSaveTemplates = 1;
  cf.dw3dsLoadingMethod = 1;
  cf.fConvAlphaAdd = 0.25f;
  cf.fConvAlphaUnder = 0.5f;
  cf.bConvFlattenHierarchy = 1;
  cf.bReverse3dsWinding = 0;
  std::strcpy(cf.szConvTextureExt, "png");
  SetAppOptions(cf);
  EXPECT_EQ(g_appOptions.dwXFileFormat, 1u);
  EXPECT_EQ(g_appOptions.bSaveTemplates, 1);
  EXPECT_EQ(g_appOptions.dw3dsLoadingMethod, 1u);
  EXPECT_EQ(g_appOptions.fConvAlphaAdd, 0.25f);
  EXPECT_EQ(g_appOptions.fConvAlphaUnder, 0.5f);
  EXPECT_EQ(g_appOptions.bConvFlattenHierarchy, 1);
  EXPECT_EQ(g_appOptions.bReverse3dsWinding, 0);
  EXPECT_STREQ(g_appOptions.szConvTextureExt, "png");
  // An empty import folder stands for the samples folder.
  EXPECT_EQ(std::string(g_appOptions.szImportFolder), std::string(GetDefaultImportDirectory()));

  std::strcpy(cf.szImportFolder, "/data/scenes");
  SetAppOptions(cf);
  EXPECT_STREQ(g_appOptions.szImportFolder, "/data/scenes");
}

TEST(AppOptions, CopiesIntoFixedArraysAreAlwaysTerminated) {
  CONFIGFILE cf = Defaults();
  std::memset(cf.szImportFolder, 'f', sizeof(cf.szImportFolder));  // 260 characters, no zero
  std::memcpy(cf.szConvTextureExt, "jpegx", 5);                    // 5 characters, no zero
  SetAppOptions(cf);
  EXPECT_EQ(std::string(g_appOptions.szImportFolder), std::string(259, 'f'));
  EXPECT_STREQ(g_appOptions.szConvTextureExt, "jpeg");
  EXPECT_EQ(std::string(GetConv3dsArguments()), " -s1 -v1 -e\"jpeg\"");
}

TEST(AppOptions, ATypedTextureExtensionKeepsFourCharactersAndItsEnd) {
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {{"png", "png"}, {"jpeg", "jpeg"}, {"tiffx", "tiff"}, {"", ""}, {nullptr, ""}};
  for (const auto& c : cases) {
    std::memcpy(g_appOptions.szConvTextureExt, "abcde", 5);  // a field that held five characters
    SetConvTextureExtension(c.typed);
    EXPECT_STREQ(g_appOptions.szConvTextureExt, c.stored);
    EXPECT_EQ(g_appOptions.szConvTextureExt[4], '\0');
  }
  std::memset(g_appOptions.szConvTextureExt, 0, sizeof(g_appOptions.szConvTextureExt));
}

TEST(Conv3dsArguments, FromTheDefaults) {
  CONFIGFILE cf = Defaults();
  SetAppOptions(cf);
  EXPECT_EQ(std::string(GetConv3dsArguments()), " -s1 -v1");
}

TEST(Conv3dsArguments, Options) {
  const struct {
    void (*set)(APPOPTIONS&);
    const char* expected;
  } cases[] = {
      {[](APPOPTIONS& o) {
         o.bConvSingleMesh = 1;
         o.fConvScaling = 2.5f;
         o.dwConvVerbose = 3;
         std::strcpy(o.szConvTextureExt, "bmp");
       },
       " -m -s2.5 -v3 -e\"bmp\""},
      {[](APPOPTIONS& o) { o.bConvLightwave = 1; }, "-r -N -f -h -T -v1"},
      {[](APPOPTIONS& o) {
         o.bConvLightwave = 1;  // replaces what came before it, keeps what comes after
         o.bConvSingleMesh = 1;
         o.bConvNoFrameTransform = 1;
         o.bConvFlattenHierarchy = 1;
       },
       "-r -N -f -h -T -v1 -f -h"},
      {[](APPOPTIONS& o) { o.fConvScaling = 0.0f; }, " -v1"},
      {[](APPOPTIONS& o) { o.fConvScaling = -1.0f; }, " -v1"},
      {[](APPOPTIONS& o) { o.fConvScaling = 0.5f; }, " -s0.5 -v1"},
      {[](APPOPTIONS& o) { o.fConvAlphaUnder = 0.7f; }, " -s1 -v1"},  // no value to add: no alpha options
      {[](APPOPTIONS& o) {
         o.fConvAlphaAdd = 0.1f;
         o.fConvAlphaUnder = 0.7f;
       },
       " -s1 -v1 -z\"0.1\" -Z\"0.7\""},
      {[](APPOPTIONS& o) { o.dwConvVerbose = 4; }, " -s1"},
      {[](APPOPTIONS& o) { o.dwConvVerbose = 0; }, " -s1 -v0"},
      {[](APPOPTIONS& o) {
         o.bConvWrapTopFrame = 1;
         o.bConvReverseWinding = 1;
         o.bConvNoTexture = 1;
         o.bConvNoFrameTransform = 1;
         o.bConvFlattenHierarchy = 1;
       },
       " -T -s1 -r -v1 -t -f -h"},
  };
  for (const auto& c : cases) {
    CONFIGFILE cf = Defaults();
    SetAppOptions(cf);
    c.set(g_appOptions);
    EXPECT_EQ(std::string(GetConv3dsArguments()), c.expected);
  }
}

}  // namespace
