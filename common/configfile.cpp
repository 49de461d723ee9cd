#include "configfile.h"

#include <afx.h>
#include <afxexcept.h>
#include <afxfile.h>
#include <appoptions.h>
#include <winuser.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "appfiles.h"
#include "tracelog.h"

namespace {

constexpr UINT kRecordSize = sizeof(CONFIGFILE);

CString ConfigFilePath() {
  CString path;
  path.Format("%s\\%s", static_cast<const char*>(GetAppDirectory()), "Config.dat");
  return path;
}

// Writes cf as the whole file; a framework failure is shown under caption.
bool WriteConfigFile(const CONFIGFILE& cf, const char* caption) {
  try {
    CFile file(ConfigFilePath(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary);
    file.Write(&cf, kRecordSize);
    file.Close();
    return true;
  } catch (CException* e) {
    char text[255] = "";
    e->GetErrorMessage(text, sizeof(text));
    e->Delete();
    MessageBoxA(nullptr, text, caption, MB_ICONHAND);
    return false;
  }
}

// Copies the string at src, read up to its first zero or srcSize bytes,
// into a fixed array, cut to fit and always terminated; the rest of the array
// is zeroed.
template <size_t N>
void CopyTerminated(char (&dst)[N], const char* src, size_t srcSize) {
  const size_t length = strnlen(src, std::min(srcSize, N - 1));
  std::memcpy(dst, src, length);
  std::memset(dst + length, 0, N - length);
}

// The program-wide fields, from either record into the other.
template <class To, class From>
void CopyProgramWideOptions(To& to, const From& from) {
  to.dwXFileFormat = from.dwXFileFormat;
  to.bSaveTemplates = from.bSaveTemplates;
  to.dw3dsLoadingMethod = from.dw3dsLoadingMethod;
  to.fConvAlphaAdd = from.fConvAlphaAdd;
  to.bConvSingleMesh = from.bConvSingleMesh;
  to.fConvAlphaUnder = from.fConvAlphaUnder;
  to.bConvNoFrameTransform = from.bConvNoFrameTransform;
  to.bConvFlattenHierarchy = from.bConvFlattenHierarchy;
  to.bConvNoTexture = from.bConvNoTexture;
  to.bConvReverseWinding = from.bConvReverseWinding;
  to.fConvScaling = from.fConvScaling;
  CopyTerminated(to.szConvTextureExt, from.szConvTextureExt, sizeof(from.szConvTextureExt));
  to.bConvLightwave = from.bConvLightwave;
  to.dwConvVerbose = from.dwConvVerbose;
  to.bConvWrapTopFrame = from.bConvWrapTopFrame;
  to.bReverse3dsWinding = from.bReverse3dsWinding;
  CopyTerminated(to.szImportFolder, from.szImportFolder, sizeof(from.szImportFolder));
}

}  // namespace

void SetDefaultConfigData(CONFIGFILE& cf) {
  cf.cvBackground = {0.8f, 0.4f, 0.0f, 1.0f};
  cf.cvLightsDiffuse = {1.0f, 0.5f, 0.25f, 1.0f};
  cf.cvLightsSpecular = {1.0f, 0.0f, 0.0f, 1.0f};
  cf.cvAmbient = {0.75f, 0.75f, 0.75f, 1.0f};
  cf.bLightFromBack = 0;
  cf.bLightFromBottom = 0;
  cf.bLightFromFront = 0;
  cf.bLightFromLeft = 0;
  cf.bLightFromRight = 1;
  cf.bLightFromTop = 0;
  cf.bAmbientOn = 0;
  cf.bDiffuseForAmbientColor = 1;
  cf.fReductionPercent = 100.0f;
  cf.bAllowMidpoint = 0;
  cf.fMaxNormalAngle = 6.0f;
  cf.fMaxAreaChangePercent = 3.0f;
  cf.fFaceAreaFactor = 10.0f;
  cf.dwShadeMode = 0;
  cf.dwFillMode = 0;
  cf.bShowActiveEdges = 0;
  cf.bShowActiveVertices = 0;
  cf.bShowRemovedVertices = 0;
  cf.bColorCreatedTriangles = 0;
  cf.cvActiveEdges = {0.0f, 0.0f, 0.0f, 1.0f};
  cf.cvActiveVertices = {1.0f, 0.0f, 0.0f, 1.0f};
  cf.cvRemovedVertices = {1.0f, 1.0f, 1.0f, 1.0f};
  cf.cvCreatedTriangles = {0.0f, 0.0f, 0.0f, 1.0f};
  cf.dwReductionMethod = 0;
  cf.fPMeshPercent = 50.0f;
  cf.dwPMeshByVertices = 0;
  cf.fWeightBoundary = 1.0f;
  cf.fWeightDiffuse = 0.0f;
  cf.fWeightNormal = 1.0f;
  cf.fWeightPosition = 1.0f;
  cf.fWeightSpecular = 0.0f;
  cf.fWeightTexture = 0.0f;
  cf.dwXFileFormat = 2;
  cf.bSaveTemplates = 0;
  cf.dw3dsLoadingMethod = 0;
  cf.fConvAlphaAdd = 0.0f;
  cf.bConvSingleMesh = 0;
  cf.fConvAlphaUnder = 0.0f;
  cf.bConvNoFrameTransform = 0;
  cf.bConvFlattenHierarchy = 0;
  cf.bConvNoTexture = 0;
  cf.bConvReverseWinding = 0;
  cf.fConvScaling = 1.0f;
  std::memset(cf.szConvTextureExt, 0, sizeof(cf.szConvTextureExt));
  cf.bConvLightwave = 0;
  cf.dwConvVerbose = 1;
  cf.bConvWrapTopFrame = 0;
  cf.bReverse3dsWinding = 0;
  cf.bAreaCheck = 0;
  cf.fAreaTolerancePercent = 5.0f;
  cf.bVolumeCheck = 0;
  cf.fVolumeTolerancePercent = 5.0f;
  std::memset(cf.szImportFolder, 0, sizeof(cf.szImportFolder));
  cf.cvSelectedPMesh = {0.0f, 1.0f, 0.0f, 1.0f};
}

bool ReadConfigFile(CONFIGFILE& cf) {
  std::memset(&cf, 0, kRecordSize);
  const CString path = ConfigFilePath();
  CFile file;
  CFileException cause;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone, &cause)) {
    DEBUG_TRACE("\nError: Can't open file %s, error = %u \n", static_cast<const char*>(path),
                static_cast<unsigned>(cause.m_cause));
    return false;
  }
  try {
    const UINT got = file.Read(&cf, kRecordSize);
    // Whatever the file holds, the text fields stay zero-terminated strings.
    cf.szConvTextureExt[sizeof(cf.szConvTextureExt) - 1] = '\0';
    cf.szImportFolder[sizeof(cf.szImportFolder) - 1] = '\0';
    if (got != kRecordSize) return false;
    file.Close();
    return true;
  } catch (CException* e) {
    e->Delete();
    return false;
  }
}

bool CreateDefaultConfigFile(CONFIGFILE& cf) {
  SetDefaultConfigData(cf);
  return WriteConfigFile(cf, "Creating the default config file");
}

bool SaveConfigFile(CONFIGFILE& cf) { return WriteConfigFile(cf, "Creating a new document"); }

bool GetConfigData(CONFIGFILE& cf) {
  try {
    if (ReadConfigFile(cf)) {
      if (!SaveConfigFile(cf)) throw "\nCannot save the config file.";
    } else if (!CreateDefaultConfigFile(cf)) {
      throw "\nCannot create the config file.";
    }
    return true;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
}

void SetAppOptions(CONFIGFILE& cf) {
  CopyProgramWideOptions(g_appOptions, cf);
  if (g_appOptions.szImportFolder[0] == '\0') {
    try {
      const CString samples = GetDefaultImportDirectory();
      CopyTerminated(g_appOptions.szImportFolder, samples, SIZE_MAX);
    } catch (const char* message) {
      DEBUG_TRACE("%s", message);  // no samples folder: the import folder stays empty
    }
  }
}

bool SaveAppOptions() {
  try {
    CONFIGFILE cf;
    if (!GetConfigData(cf)) throw "\nGetConfigData() failed.";
    CopyProgramWideOptions(cf, g_appOptions);
    if (!SaveConfigFile(cf)) throw "\nSaveConfigFile() failed.";
    return true;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
}
