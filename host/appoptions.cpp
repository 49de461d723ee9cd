#include "appoptions.h"

#include <cstdio>

APPOPTIONS::APPOPTIONS()
    : bTurboMode(0),
      bDestroyingDocument(0),
      bJobsPaused(false),
      hPlayingEvent(nullptr),
      overlayColor{1.0f, 1.0f, 1.0f, 1.0f},
      dwXFileFormat(2),
      bSaveTemplates(0),
      bLoadDXMeshes(1),
      dw3dsLoadingMethod(0),
      fConvAlphaAdd(0.0f),
      bConvSingleMesh(0),
      fConvAlphaUnder(0.0f),
      bConvNoFrameTransform(0),
      bConvFlattenHierarchy(0),
      bConvNoTexture(0),
      bConvReverseWinding(0),
      fConvScaling(1.0f),
      szConvTextureExt{},
      bConvLightwave(0),
      dwConvVerbose(1),
      bConvWrapTopFrame(0),
      bReverse3dsWinding(1),
      pProgressCtrl(nullptr),
      szImportFolder{} {
  CString path = GetTraceLogPath();
  CFileException error;
  if (!traceLog.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeText, &error)) {
    char text[255];
    error.GetErrorMessage(text, sizeof(text));
    std::fprintf(stderr, "Cannot open the trace log: %s\n", text);
  }
}

CString GetTraceLogPath() {
  char program[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "vorever.log";
  return CString(program) + ".log";
}

APPOPTIONS g_appOptions;
LIGHTINDICES g_lightIndices;
