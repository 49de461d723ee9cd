// libFuzzer harness for the 3DS chunk toolkit and the scene's .3ds import:
// any bytes are loaded as a chunk file; every chunk is decoded, every mesh,
// material, object motion and the keyframer header are read, and what loaded
// is written and loaded again. Then the bytes are imported into frames with
// Direct3D meshes; a scene that imports is exported and must import again
// with as many frames. Every input must either fail with an error code (the
// import: with false) or pass without harm. Not part of the test run; the inputs it found for each error path
// are in tests/data/3ds, where the toolkit tests replay them. Built by
// `make fuzz-build` as build/fuzz/bin/fuzz_3ds; run it on a corpus folder:
//   build/fuzz/bin/fuzz_3ds -max_len=65536 corpus/ ../shared/testdata/3ds

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <dxwindoweddevice.h>
#include <frame.h>
#include <scene3ds.h>

#include <cstdlib>
#include <memory>

#include "tds.h"

namespace {

std::string ScratchPath(const char* what) {
  return "/tmp/fuzz_3ds_" + std::to_string(getpid()) + "_" + what + ".3ds";
}

void DecodeAll(tdsChunk* chunk, int depth) {
  tdsReadChunkData(chunk);
  if (depth < kTdsMaxChunkDepth)
    for (auto& child : chunk->children) DecodeAll(child.get(), depth + 1);
}

void ReadRecords(tdsDatabase* db) {
  tdsNameList* names = nullptr;
  tdsGetMeshNameList(db, &names);
  for (std::uint32_t i = 0, n = tdsGetMeshCount(db); i < n; ++i) {
    tdsMesh* mesh = nullptr;
    tdsGetMeshByIndex(db, i, &mesh);
    tdsReleaseMesh(&mesh);
  }
  tdsReleaseNameList(&names);
  tdsGetMaterialNameList(db, &names);
  if (names)
    for (const std::string& name : names->names) {
      tdsMaterial* material = nullptr;
      tdsGetMaterialByName(db, name.c_str(), &material);
      if (material) {
        tdsDatabase* copy = nullptr;
        tdsInitDatabase(&copy);
        tdsCreateDatabase(copy, TDS_MESH_FILE);
        tdsPutMaterial(copy, material);
        tdsReleaseDatabase(&copy);
      }
      tdsReleaseMaterial(&material);
    }
  tdsReleaseNameList(&names);
  tdsGetObjectNodeNameList(db, &names);
  for (std::uint32_t i = 0, n = tdsGetObjectNodeCount(db); i < n; ++i) {
    tdsObjectMotion* motion = nullptr;
    tdsGetObjectMotionByIndex(db, i, &motion);
    tdsReleaseObjectMotion(&motion);
  }
  tdsReleaseNameList(&names);
  tdsKeyframerHeader* header = nullptr;
  tdsGetKeyframerHeader(db, &header);
  tdsReleaseKeyframerHeader(&header);
  static std::FILE* const nowhere = std::fopen("/dev/null", "w");
  tdsPrintNodeList(db, nowhere);
  tdsPrintNodeTree(db, nowhere);
}

// The process's device, made once, on which the imported meshes are made.
void MakeDevice() {
  static CDXWindowedDevice* const device = [] {
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    auto* made = new CDXWindowedDevice;
    made->CreateD3DDevice(nullptr);
    return made;
  }();
  (void)device;
}

size_t FrameCount(CFrame* frame) {
  size_t count = 0;
  POSITION pos = frame->GetChildObjectList().GetHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, true)) count += 1 + FrameCount(child);
  return count;
}

std::unique_ptr<CFrame> NewRoot() {
  auto root = std::make_unique<CFrame>();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  root->Initialize(&identity, const_cast<char*>("root"), CFrame::ePlainFrame, false);
  return root;
}

// The import of the bytes, and of what its export writes.
void ImportAndExport(const std::string& input, const std::string& output) {
  MakeDevice();
  auto root = NewRoot();
  if (!Import3dsFile(const_cast<char*>(input.c_str()), nullptr, root.get(), nullptr)) return;
  if (!SaveFrameIn3dsFile(root.get(), const_cast<char*>(output.c_str()), nullptr)) return;
  auto again = NewRoot();
  // Frames without a mesh are not written.
  if (!Import3dsFile(const_cast<char*>(output.c_str()), nullptr, again.get(), nullptr) ||
      FrameCount(again.get()) > FrameCount(root.get()))
    std::abort();
  std::remove(output.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string input = ScratchPath("in");
  static const std::string output = ScratchPath("out");
  if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  tdsClearErrors();
  tdsDatabase* db = nullptr;
  tdsInitDatabase(&db);
  if (tdsFile* file = tdsOpenFile(input.c_str(), "rb")) tdsLoadDatabase(file, db);
  if (db->top) {
    DecodeAll(db->top.get(), 0);
    ReadRecords(db);
  }
  if (!tdsErrorPending() && tdsDatabaseKind(db) != TDS_NO_DATABASE) {
    if (tdsFile* out = tdsOpenFile(output.c_str(), "w")) tdsWriteDatabase(out, db);
    tdsCloseAllFiles();
    tdsDatabase* again = nullptr;
    tdsInitDatabase(&again);
    if (tdsFile* file = tdsOpenFile(output.c_str(), "rb")) tdsLoadDatabase(file, again);
    if (again->top) DecodeAll(again->top.get(), 0);
    tdsReleaseDatabase(&again);
  }
  tdsReleaseDatabase(&db);
  tdsCloseAllFiles();
  ImportAndExport(input, output);
  return 0;
}
