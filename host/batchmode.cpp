#include "batchmode.h"

#include <dx_thread.h>
#include <dxfile.h>
#include <dxwindoweddevice.h>
#include <mmsystem.h>
#include <rmxfguid.h>
#include <threads_manager.h>

#include <atomic>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "appoptions.h"
#include "basemesh.h"
#include "dxmesh.h"
#include "frame.h"
#include "mesh.h"
#include "meshparts.h"
#include "qorcommon.h"
#include "xfile.h"
#include "xfiletemplates.h"

namespace {

struct SFormatName {
  const char* option;
  DWORD format;
  const char* description;
};
constexpr SFormatName kFormats[] = {
    {"text", DXFILEFORMAT_TEXT, "text"},
    {"binary", DXFILEFORMAT_BINARY, "binary"},
    {"compressed", DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "compressed binary"},
};

const char* FormatDescription(DWORD format) {
  for (const SFormatName& name : kFormats)
    if (name.format == format) return name.description;
  return "unknown";
}

// Walks every object once, through owned and referenced entries alike.
class CSceneCounter {
 public:
  explicit CSceneCounter(SSceneSummary& summary) : m_summary(summary) {}

  void Visit(CXFileDataObject* object) {
    CChildObjectList& children = object->GetChildObjectList();
    for (POSITION pos = children.GetHeadPosition(); pos;) {
      CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
      WORD unused = 0;
      if (!child || child->IsDeleted() || m_seen.Lookup(child, unused)) continue;
      // A mesh loaded without materials draws with a list of its own that
      // is not part of the scene.
      if (child->IsATemplateGUID(&TID_D3DRMMeshMaterialList) &&
          static_cast<CMeshMaterialList*>(child)->IsDrawingDefault())
        continue;
      m_seen.SetAt(child, 0);
      Count(child);
      Visit(child);
    }
  }

 private:
  void Count(CXFileDataObject* object) {
    if (object->IsAFrame()) {
      ++m_summary.frames;
    } else if (object->IsATemplateGUID(&TID_D3DRMMesh)) {
      auto* mesh = static_cast<CMesh*>(object);
      ++m_summary.meshes;
      m_summary.vertices += mesh->GetVerticesCount();
      for (DWORD i = 0; i < mesh->GetFacesCount(); ++i)
        m_summary.triangles += mesh->GetFaces()[i].GetTriangleIndicesCount() / 3;
    } else if (IsBaseMeshOfType(object, eBaseMeshTypeDXMesh)) {
      auto* mesh = static_cast<CDXMesh*>(object);
      ++m_summary.meshes;
      m_summary.vertices += mesh->GetNumVertices(false);
      m_summary.triangles += mesh->GetNumFaces(false);
    } else if (object->IsATemplateGUID(&TID_D3DRMMaterial)) {
      ++m_summary.materials;
    } else if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) {
      ++m_summary.animationSets;
    }
  }

  SSceneSummary& m_summary;
  CMap<CXFileDataObject*, CXFileDataObject*, WORD, WORD> m_seen;
};

// Waits for the job that the threads manager started last, reporting its
// progress under the name of the stage that stage() gives; NULL when the
// manager refused to start one (it then still holds jobsBefore jobs).
CDXThread* WaitForJob(CThreadsManager& manager, INT_PTR jobsBefore, const std::function<const char*()>& stage,
                      std::FILE* err) {
  if (manager.GetThreadList()->GetCount() == jobsBefore) return nullptr;
  CDXThread* job = manager.GetThreadList()->GetHead();
  CString last;
  while (WaitForSingleObject(job->m_hThread, 250) == WAIT_TIMEOUT) {
    const char* what = stage();
    CString progress;
    progress.Format("%s: %s vertices, %s triangles", what, static_cast<LPCSTR>(job->GetThreadOutputVerticesCount()),
                    static_cast<LPCSTR>(job->GetThreadOutputTrianglesCount()));
    // Counters read while the stage changed belong to neither stage: the
    // next look reads them again.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (stage() != what) continue;
    if (progress != last) std::fprintf(err, "%s\n", static_cast<LPCSTR>(progress));
    last = progress;
  }
  return job;
}

// A stage that does not change.
std::function<const char*()> Stage(const char* name) {
  return [name] { return name; };
}

// The file's name and folder, as the import job takes them.
void SplitPath(const CString& path, CString& name, CString& folder) {
  const int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
  name = path.Mid(slash + 1);
  folder = path.Left(slash + 1);
}

// The option that a reduction argument sets, NULL for other arguments.
float* ReductionArgument(SBatchOptions& options, const char* arg) {
  if (std::strcmp(arg, "--reduce") == 0) return &options.reducePercent;
  if (std::strcmp(arg, "--max-normal-angle") == 0) return &options.maxNormalAngle;
  if (std::strcmp(arg, "--max-area-change") == 0) return &options.maxAreaChangePercent;
  if (std::strcmp(arg, "--face-area-factor") == 0) return &options.faceAreaFactor;
  return nullptr;
}

// A number from 0 to most, the whole text.
bool ReadAmount(const char* text, float& value, float most) {
  char* end = nullptr;
  const float read = std::strtof(text, &end);
  if (end == text || *end != '\0' || !(read >= 0.0f && read <= most)) return false;
  value = read;
  return true;
}

double SecondsSince(DWORD start) { return static_cast<DWORD>(timeGetTime() - start) / 1000.0; }

}  // namespace

bool ParseBatchArguments(int argc, char** argv, SBatchOptions& options, CString& error) {
  options = SBatchOptions{};
  bool batch = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(arg, "--batch") == 0 && hasValue && options.input.IsEmpty()) {
      batch = true;
      options.input = argv[++i];
    } else if (std::strcmp(arg, "--export") == 0 && hasValue && !options.exportGiven) {
      options.exportGiven = true;
      options.output = argv[++i];
    } else if (std::strcmp(arg, "--format") == 0 && hasValue) {
      const char* value = argv[++i];
      bool known = false;
      for (const SFormatName& name : kFormats) {
        if (std::strcmp(value, name.option) == 0) {
          options.format = name.format;
          known = true;
        }
      }
      if (!known) {
        error.Format("unknown format \"%s\" (text, binary or compressed)", value);
        return false;
      }
    } else if (float* limit = ReductionArgument(options, arg); limit && hasValue) {
      if (!ReadAmount(argv[++i], *limit, std::strcmp(arg, "--reduce") == 0 ? 100.0f : FLT_MAX)) {
        error.Format("\"%s\" needs a number of 0 or more%s", arg,
                     std::strcmp(arg, "--reduce") == 0 ? ", at most 100" : "");
        return false;
      }
    } else if (std::strcmp(arg, "--pmesh") == 0 && hasValue) {
      if (!ReadAmount(argv[++i], options.pmeshPercent, 100.0f)) {
        error = "\"--pmesh\" needs a number of 0 or more, at most 100";
        return false;
      }
    } else if (std::strcmp(arg, "--midpoint") == 0 && hasValue) {
      const char* value = argv[++i];
      if (std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0) {
        error.Format("unknown midpoint switch \"%s\" (on or off)", value);
        return false;
      }
      options.midpoint = std::strcmp(value, "on") == 0;
    } else if (!hasValue && (std::strcmp(arg, "--batch") == 0 || std::strcmp(arg, "--export") == 0 ||
                             std::strcmp(arg, "--format") == 0 || std::strcmp(arg, "--midpoint") == 0 ||
                             std::strcmp(arg, "--pmesh") == 0 || ReductionArgument(options, arg))) {
      error.Format("%s needs a value", arg);
      return false;
    } else {
      error.Format("unexpected argument \"%s\"", arg);
      return false;
    }
  }
  if (!batch) {
    error = "--batch FILE is required";
    return false;
  }
  const bool limits = options.maxNormalAngle >= 0 || options.maxAreaChangePercent >= 0 || options.faceAreaFactor >= 0 ||
                      options.midpoint >= 0;
  if (limits && options.reducePercent < 0) {
    error = "the reduction limits need --reduce PERCENT";
    return false;
  }
  if (options.pmeshPercent >= 0 && options.reducePercent >= 0) {
    error = "--pmesh and --reduce cannot go together";
    return false;
  }
  return true;
}

SSceneSummary SummarizeScene(CFrame* frame) {
  SSceneSummary summary;
  CSceneCounter counter(summary);
  counter.Visit(frame);
  return summary;
}

CBatchDocument::~CBatchDocument() {
  // The jobs end before the world they work on goes.
  KillThreads();
}

bool CBatchDocument::InitializeBatch(CString& error) {
  if (!g_pWindowedDevice || !g_pWindowedDevice->IsReady()) {
    error = "the Direct3D device is not ready";
    return false;
  }
  if (Initialize()) return true;
  error = "the document's world and threads manager could not be made";
  return false;
}

CFrame* CBatchDocument::NewFileFrame(char* fileName) {
  m_failureText.Empty();
  auto* frame = new CFrame;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  try {
    frame->Initialize(&identity, fileName, CFrame::ePlainFrame, false);
    GetWorld().GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  } catch (const char* message) {
    m_failureText = message + 1;
    delete frame;
    return nullptr;
  }
  return frame;
}

bool CBatchDocument::FinishImport(CFrame* frame, bool loaded) {
  try {
    if (loaded) frame->ComputeBoundingObjectsHierarchy(false, false, false);
  } catch (const char* message) {
    loaded = false;
    m_failureText = message + 1;
  }
  if (!loaded) {
    // A failed import leaves nothing in the world.
    GetWorld().DeleteWorldRenderFrame(frame, false);
    return false;
  }
  m_fileFrame = frame;
  return true;
}

bool CBatchDocument::InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame*,
                                        CDXThread* thread) {
  CFrame* frame = NewFileFrame(fileName);
  if (!frame) return false;
  m_fileFolder = folder;
  CXFile file;
  const bool loaded = file.LoadXfile(pathName, frame, GetWorld(), folder, thread);
  if (!loaded) m_failureText = file.GetFailureText();
  return FinishImport(frame, loaded);
}

bool CBatchDocument::Export3dObject(CFrame* frame, char* pathName, CDXThread* thread) {
  m_failureText.Empty();
  CXFile file;
  if (file.SaveXFrame2(frame, pathName, g_appOptions.dwXFileFormat, g_appOptions.bSaveTemplates != 0, thread))
    return true;
  m_failureText = file.GetFailureText();
  return false;
}

// Every Direct3D mesh of the file takes the road of the document's jobs: the
// progressive-mesh job makes it a progressive mesh in place, the
// display-options job sets its level to the share of the faces, and the
// snapshot job writes it back in place as a Direct3D mesh of that level.
// jobs counts the jobs that the manager started before.
static bool RunBatchPMesh(CBatchDocument& document, const SBatchOptions& options, INT_PTR& jobs, std::FILE* out,
                          std::FILE* err) {
  CThreadsManager& manager = *document.GetThreadsManager();
  CFrame* frame = document.GetFileFrame();
  // The level counts faces, whatever the settings count.
  document.GetConfig()->dwPMeshByVertices = 0;
  std::fprintf(err, "Progressive meshes at %g %% of the faces\n", options.pmeshPercent);
  const DWORD start = timeGetTime();
  const auto run = [&](const char* stage, const std::function<void()>& launch) {
    launch();
    CDXThread* job = WaitForJob(manager, jobs++, Stage(stage), err);
    if (job && job->GetEThreadStatus() == CDXThread::eThreadCompleted) return true;
    std::fprintf(err, "vorever: cannot make progressive meshes of %s: %s %s\n", static_cast<LPCSTR>(options.input),
                 stage, job ? "failed" : "did not run");
    return false;
  };
  if (!run("creating progressive meshes", [&] { manager.CreateProgressiveMeshFrame(&document, frame, nullptr); }))
    return false;
  std::fprintf(out, "progressive full triangles: %u\n", frame->GetMaxTrianglesCount(false));
  if (!run("setting the level",
           [&] { manager.ApplyPMeshDisplayOptions(&document, frame, nullptr, options.pmeshPercent); }) ||
      !run("taking the snapshot", [&] { manager.CreateRetainedModeMeshFrame(&document, frame, nullptr); }))
    return false;
  // The jobs leave the frame selected, with the handles of the selection:
  // neither is part of the scene that is saved.
  document.GetWorld().UnselectSelectedFrame();
  const SSceneSummary level = SummarizeScene(frame);
  std::fprintf(out, "progressive vertices: %u\n", level.vertices);
  std::fprintf(out, "progressive triangles: %u\n", level.triangles);
  std::fprintf(out, "progressive seconds: %.3f\n", SecondsSince(start));
  return true;
}

int RunBatch(const SBatchOptions& options, std::FILE* out, std::FILE* err) {
  // Meshes load as X-file meshes, or as Direct3D meshes when "Config.dat"
  // says so or progressive meshes are asked for; the export writes the
  // chosen format with the template declarations, so that other programs
  // read it too.
  CONFIGFILE settings;
  const bool dxMeshes =
      options.pmeshPercent >= 0 ||
      (options.loadDXMeshes >= 0 ? options.loadDXMeshes != 0 : ReadConfigFile(settings) && settings.bLoadDXMeshes);
  g_appOptions.bLoadDXMeshes = dxMeshes ? 1 : 0;
  g_appOptions.dwXFileFormat = options.format;
  g_appOptions.bSaveTemplates = 1;
  if (options.exportGiven && options.output.IsEmpty()) {
    std::fprintf(err, "vorever: --export needs the name of the file to save, not an empty one\n");
    return 1;
  }

  CDXWindowedDevice device;
  if (FAILED(device.CreateD3DDevice(nullptr))) {
    std::fprintf(err, "vorever: the Direct3D device could not be created\n");
    return 1;
  }
  CBatchDocument document;
  CString error;
  if (!document.InitializeBatch(error)) {
    std::fprintf(err, "vorever: %s\n", static_cast<LPCSTR>(error));
    return 1;
  }
  CThreadsManager& manager = *document.GetThreadsManager();

  CString name, folder;
  SplitPath(options.input, name, folder);
  std::fprintf(err, "Loading %s\n", static_cast<LPCSTR>(options.input));
  const DWORD loadStart = timeGetTime();
  if (Is3dsFile(options.input))
    manager.Insert3dsFileObjects(&document, name, name, options.input, folder, nullptr);
  else
    manager.InsertXFileObjects(&document, name, name, options.input, folder, nullptr);
  CDXThread* job = WaitForJob(manager, 0, Stage("loading"), err);
  const double loadSeconds = SecondsSince(loadStart);
  if (!job || job->GetEThreadStatus() != CDXThread::eThreadCompleted || !document.GetFileFrame()) {
    std::fprintf(err, "vorever: cannot load %s: %s\n", static_cast<LPCSTR>(options.input),
                 document.GetFailureText().IsEmpty() ? "the import did not run"
                                                     : static_cast<LPCSTR>(document.GetFailureText()));
    return 1;
  }

  const SSceneSummary summary = SummarizeScene(document.GetFileFrame());
  std::fprintf(out, "file: %s\n", static_cast<LPCSTR>(options.input));
  std::fprintf(out, "frames: %u\n", summary.frames);
  std::fprintf(out, "meshes: %u\n", summary.meshes);
  std::fprintf(out, "vertices: %u\n", summary.vertices);
  std::fprintf(out, "triangles: %u\n", summary.triangles);
  std::fprintf(out, "materials: %u\n", summary.materials);
  std::fprintf(out, "animation sets: %u\n", summary.animationSets);
  std::fprintf(out, "load seconds: %.3f\n", loadSeconds);
  INT_PTR jobs = 1;
  if (options.reducePercent >= 0.0f) {
    REDUCTIONOPTIONS reduction = BatchReductionOptions(options);
    document.SetReductionOptions(reduction);
    std::fprintf(err, "Reducing by %g %% (normal angle %g degrees, area change %g %%, face area factor %g, %s)\n",
                 reduction.reductionPercent, reduction.maxNormalAngle, reduction.maxAreaChangePercent,
                 reduction.faceAreaFactor, reduction.allowMidpoint ? "midpoints" : "no midpoints");
    const DWORD reduceStart = timeGetTime();
    manager.ReduceTrianglesCount(&document, document.GetFileFrame());
    const auto stage = [&document] { return document.GetReductionStage(); };
    job = WaitForJob(manager, jobs++, stage, err);
    if (!job || job->GetEThreadStatus() != CDXThread::eThreadCompleted) {
      std::fprintf(err, "vorever: cannot reduce %s: %s\n", static_cast<LPCSTR>(options.input),
                   document.GetFailureText().IsEmpty() ? "the reduction did not run"
                                                       : static_cast<LPCSTR>(document.GetFailureText()));
      return 1;
    }
    const SSceneSummary reduced = SummarizeScene(document.GetFileFrame());
    std::fprintf(out, "reduced vertices: %u\n", reduced.vertices);
    std::fprintf(out, "reduced triangles: %u\n", reduced.triangles);
    std::fprintf(out, "reduce seconds: %.3f\n", SecondsSince(reduceStart));
  }
  if (options.pmeshPercent >= 0.0f && !RunBatchPMesh(document, options, jobs, out, err)) return 1;
  if (options.output.IsEmpty()) return 0;

  CString outName, outFolder;
  SplitPath(options.output, outName, outFolder);
  std::fprintf(err, "Saving %s\n", static_cast<LPCSTR>(options.output));
  const DWORD saveStart = timeGetTime();
  const bool as3ds = Is3dsName(options.output);
  if (as3ds)
    manager.Export3dsFileObjects(&document, outName, outName, options.output, outFolder, document.GetFileFrame());
  else
    manager.ExportXFileObjects(&document, outName, outName, options.output, outFolder, document.GetFileFrame());
  job = WaitForJob(manager, jobs, Stage("saving"), err);
  if (!job || job->GetEThreadStatus() != CDXThread::eThreadCompleted) {
    std::fprintf(err, "vorever: cannot save %s: %s\n", static_cast<LPCSTR>(options.output),
                 document.GetFailureText().IsEmpty() ? "the export did not run"
                                                     : static_cast<LPCSTR>(document.GetFailureText()));
    return 1;
  }
  std::fprintf(out, "saved: %s (%s)\n", static_cast<LPCSTR>(options.output),
               as3ds ? "3ds" : FormatDescription(options.format));
  std::fprintf(out, "save seconds: %.3f\n", SecondsSince(saveStart));
  return 0;
}

void PrintBatchUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vorever --batch FILE [--export OUT] [--format text|binary|compressed]\n"
               "       vorever --batch FILE --reduce PERCENT [--max-normal-angle DEGREES]\n"
               "               [--max-area-change PERCENT] [--face-area-factor FACTOR] [--midpoint on|off]\n"
               "               [--export OUT] [--format text|binary|compressed]\n"
               "       vorever --batch FILE --pmesh PERCENT [--export OUT] [--format text|binary|compressed]\n"
               "       vorever --help\n"
               "\n"
               "Batch mode runs without a window. It loads the .x or .3ds file FILE (a .3ds\n"
               "file is known by its content) into a world on a job thread and prints a\n"
               "summary of the scene on standard output, one figure a line: frames, meshes,\n"
               "vertices, triangles, materials, animation sets, and the seconds the load took.\n"
               "With --export it saves the scene as OUT, and prints where: a .3ds mesh file\n"
               "when OUT ends in .3ds, else a .x file in the given format (compressed binary\n"
               "when none is given).\n"
               "\n"
               "With --reduce it also removes PERCENT of the triangles before saving: every\n"
               "mesh that is not skinned becomes a half-edge connectivity mesh, the edge\n"
               "contraction runs on a job thread towards that target as far as the limits\n"
               "allow (a face normal turns by at most DEGREES, the area round a contraction\n"
               "changes by at most PERCENT; limits not given come from \"Config.dat\"), and\n"
               "each mesh is written back with its materials, recomputed normals and texture\n"
               "coordinates. The triangles before and after and the seconds are printed.\n"
               "\n"
               "With --pmesh every mesh becomes a progressive mesh whose level is set to\n"
               "PERCENT of its faces (the settings' area and volume checks of \"Config.dat\"\n"
               "may keep more), and is written back as a plain mesh of that level. The\n"
               "vertices and triangles at that level and the seconds are printed.\n"
               "\n"
               "Progress goes to standard error. A file that cannot be loaded or saved gives\n"
               "a message and exit status 1; wrong arguments give exit status 2.\n"
               "The trace log is %s.\n",
               static_cast<LPCSTR>(GetTraceLogPath()));
}
