// The host program's records that the libraries share: the program-wide
// options (g_appOptions) and the Direct3D light indices in use
// (g_lightIndices). Both are defined in the host library; the libraries reach
// them when they are loaded into the program.
#pragma once

#include <afx.h>

#include <atomic>

class CProgressCtrl;

struct APPOPTIONS {
  APPOPTIONS();
  APPOPTIONS(const APPOPTIONS&) = delete;
  APPOPTIONS& operator=(const APPOPTIONS&) = delete;

  BYTE bTurboMode;
  // 1 while a document is being destroyed.
  BYTE bDestroyingDocument;
  // Open for writing (text mode) from the host library's load on; WriteTrace
  // appends to it and flushes.
  CStdioFile traceLog;
  // The shared pause state of the jobs: set by the first pause and cleared by
  // the last play; the manual-reset playing event is reset while paused.
  // Written on the main thread and read by every job, hence atomic.
  std::atomic<bool> bJobsPaused;
  std::atomic<HANDLE> hPlayingEvent;
  // Red, green, blue and alpha (0 to 1) of the texts drawn over views.
  float overlayColor[4];
  // X-file save format: bit 0 text (else binary), bit 1 compressed.
  DWORD dwXFileFormat;
  BYTE bSaveTemplates;
  // Non-zero: the .x loader builds Direct3D meshes (frames of type 16);
  // zero: X-file meshes (frames of type 0).
  BYTE bLoadDXMeshes;
  // 0 direct 3DS import, non-zero conversion by the converter tool.
  DWORD dw3dsLoadingMethod;
  // The converter's options, in this order.
  float fConvAlphaAdd;
  BYTE bConvSingleMesh;
  float fConvAlphaUnder;
  BYTE bConvNoFrameTransform;
  BYTE bConvFlattenHierarchy;
  BYTE bConvNoTexture;
  BYTE bConvReverseWinding;
  float fConvScaling;
  char szConvTextureExt[5];
  BYTE bConvLightwave;
  DWORD dwConvVerbose;
  BYTE bConvWrapTopFrame;
  // Direct 3DS import: non-zero keeps each face's vertex order.
  BYTE bReverse3dsWinding;
  // The job progress control, NULL while no progress bar is shown.
  CProgressCtrl* pProgressCtrl;
  // Folder of the last import, zero-terminated.
  char szImportFolder[MAX_PATH];
};

extern APPOPTIONS g_appOptions;

// Direct3D light indices in use (keys), each with a 16-bit value that nothing
// reads. Indices are never given back.
class LIGHTINDICES : public CMap<DWORD, DWORD, WORD, WORD> {};

extern LIGHTINDICES g_lightIndices;

// The trace log's path: "<program>.log" in the program folder, so that every
// program (the host, each test program) writes its own.
CString GetTraceLogPath();
