// The host's batch mode: loads a .x file into a world on a job thread,
// prints a summary of the scene and saves it again when asked, all without
// a window.
#pragma once

#include <afx.h>
#include <dx_doc.h>
#include <xfiledatalist.h>

#include <atomic>
#include <cstdio>

class CFrame;

struct SBatchOptions {
  CString input;
  CString output;   // empty: nothing is saved
  bool exportGiven = false;  // --export was given, even with an empty name
  DWORD format = 2;  // bit 0 text, else binary; bit 1 compressed
  // The share of the triangles to remove before saving, in percent; negative:
  // no reduction. The limits left negative, and the midpoint switch left at
  // -1, take the values of "Config.dat".
  float reducePercent = -1.0f;
  float maxNormalAngle = -1.0f;
  float maxAreaChangePercent = -1.0f;
  float faceAreaFactor = -1.0f;
  int midpoint = -1;
  // 1: meshes load as Direct3D meshes, 0: as X-file meshes; -1: as the
  // Direct3D-mesh switch of "Config.dat" says. No argument sets it.
  int loadDXMeshes = -1;
  // The share of the faces that the progressive meshes keep, in percent;
  // negative: no progressive meshes.
  float pmeshPercent = -1.0f;
};

// Reads "--batch FILE [--export OUT] [--format text|binary|compressed]
// [--reduce PERCENT [--max-normal-angle DEGREES] [--max-area-change PERCENT]
// [--face-area-factor FACTOR] [--midpoint on|off]] [--pmesh PERCENT]" (argv[0] is the
// program). False with the reason in error.
bool ParseBatchArguments(int argc, char** argv, SBatchOptions& options, CString& error);

// The reduction options of a batch run: its arguments over the settings.
REDUCTIONOPTIONS BatchReductionOptions(const SBatchOptions& options);

// What a scene holds below a frame (the frame itself not counted).
struct SSceneSummary {
  DWORD frames = 0;
  DWORD meshes = 0;
  DWORD vertices = 0;
  DWORD triangles = 0;
  DWORD materials = 0;
  DWORD animationSets = 0;
};
SSceneSummary SummarizeScene(CFrame* frame);

// A document without a window: its world receives the imported file below a
// frame of its own, and the export writes that frame.
class CBatchDocument : public CDXDoc {
 public:
  CBatchDocument() = default;
  ~CBatchDocument() override;

  // Makes the threads manager and the document's world (the device must be
  // ready).
  bool InitializeBatch(CString& error);

  bool InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                          CDXThread* thread) override;
  // A .3ds file by the system's own importer, into Direct3D meshes.
  bool Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                            CDXThread* thread) override;
  bool Export3dObject(CFrame* frame, char* pathName, CDXThread* thread) override;
  // The frame's X-file meshes, if any, become Direct3D meshes first (through
  // a .x file in the temporary folder, loaded back with textures from the
  // loaded file's folder).
  bool Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread) override;
  // Every X-file or Direct3D mesh below the frame, skinned ones aside, is made a
  // connectivity mesh, reduced towards one target for all and written back
  // in its place.
  bool ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) override;

  CXFileDataList& GetWorld() { return *GetWorldDataList(); }
  // The frame that holds the imported file, NULL before a successful import.
  CFrame* GetFileFrame() const { return m_fileFrame; }
  // Why the last import or export failed.
  const CString& GetFailureText() const { return m_failureText; }

  // The stage of the running (or last) reduction, as its progress names it:
  // the job's counters rise while the connectivity meshes are built and fall
  // while they are reduced. A reader of the counters reads the stage before
  // them and, behind an acquire fence, after them: when both reads agree,
  // the counters belong to that stage.
  const char* GetReductionStage() const { return m_reductionStage.load(std::memory_order_acquire); }

 private:
  static constexpr char kBuildingStage[] = "building connectivity meshes";
  static constexpr char kReducingStage[] = "reducing";

  // Below the world's content frame, a new frame named fileName for an
  // import; NULL with the failure text set when it cannot be made.
  CFrame* NewFileFrame(char* fileName);
  // Bounds of the imported frame, which becomes the file frame; a failed
  // import leaves nothing in the world.
  bool FinishImport(CFrame* frame, bool loaded);

  CFrame* m_fileFrame = nullptr;
  CString m_fileFolder;  // the loaded file's folder, where its textures are
  CString m_failureText;
  std::atomic<const char*> m_reductionStage{kBuildingStage};
};

// Whether a file holds a .3ds mesh file, by its first bytes; and whether a
// name to save ends in ".3ds", in any case.
bool Is3dsFile(const char* path);
bool Is3dsName(const char* path);

// Runs the whole batch job; the summary goes to out, progress and errors to
// err. Returns the process exit code (0 on success).
int RunBatch(const SBatchOptions& options, std::FILE* out, std::FILE* err);

// The program's usage: every form of its command line, as the README gives
// them, and what they do.
void PrintBatchUsage(std::FILE* out);
