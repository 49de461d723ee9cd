// The progressive-mesh generator on one .x mesh: seconds to generate, the
// levels at the asked shares of the faces written as OBJ for measuring their
// surface error (bench/pmesh_compare.sh runs the peers and meshdist beside
// it), the time of a level change of 1 % of the faces, and the memory of the
// progressive mesh against that of the plain mesh with its adjacency.
//
//   bench_pmesh MESH.x [--percents 50,10,1] [--out DIR] [--placement optimal|halfedge]
//                      [--weights geometry|default]
//
// One line per result, as key=value pairs.
#include <d3dx8.h>
#include <dxfile.h>
#include <rmxfguid.h>
#include <rmxftmpl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench_device.h"
#include "pmeshimpl.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The first Mesh data object of the file, searched depth first.
IDirectXFileData* FindMesh(IDirectXFileData* data) {
  const GUID* type = nullptr;
  if (SUCCEEDED(data->GetType(&type)) && type && *type == TID_D3DRMMesh) {
    data->AddRef();
    return data;
  }
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child)) && child) {
    IDirectXFileData* childData = nullptr;
    IDirectXFileData* found = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
      found = FindMesh(childData);
      childData->Release();
    }
    child->Release();
    if (found) return found;
  }
  return nullptr;
}

bool LoadMesh(const std::string& path, IDirect3DDevice8* device, ID3DXMesh** mesh, std::vector<DWORD>* adjacency) {
  IDirectXFile* file = nullptr;
  if (FAILED(DirectXFileCreate(&file))) return false;
  file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES);
  IDirectXFileEnumObject* objects = nullptr;
  bool ok = false;
  if (SUCCEEDED(file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &objects))) {
    IDirectXFileData* top = nullptr;
    while (!ok && SUCCEEDED(objects->GetNextDataObject(&top)) && top) {
      if (IDirectXFileData* data = FindMesh(top)) {
        ID3DXBuffer* adjacencyBuffer = nullptr;
        if (SUCCEEDED(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, device, &adjacencyBuffer, nullptr, nullptr,
                                          mesh)) &&
            *mesh) {
          const DWORD* a = static_cast<const DWORD*>(adjacencyBuffer->GetBufferPointer());
          adjacency->assign(a, a + 3 * static_cast<size_t>((*mesh)->GetNumFaces()));
          ok = true;
        }
        if (adjacencyBuffer) adjacencyBuffer->Release();
        data->Release();
      }
      top->Release();
    }
    objects->Release();
  }
  file->Release();
  return ok;
}

bool WriteObj(const std::string& path, ID3DXMesh* mesh) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  if (!out) return false;
  const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
  BYTE* vertices = nullptr;
  BYTE* indices = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
  mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices);
  for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
    float p[3];
    std::memcpy(p, vertices + static_cast<size_t>(v) * stride, sizeof(p));
    std::fprintf(out, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
  }
  const bool wide = mesh->GetOptions() & D3DXMESH_32BIT;
  for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
    DWORD c[3];
    for (int k = 0; k < 3; ++k)
      c[k] = wide ? reinterpret_cast<DWORD*>(indices)[3 * f + k] : reinterpret_cast<WORD*>(indices)[3 * f + k];
    std::fprintf(out, "f %u %u %u\n", c[0] + 1, c[1] + 1, c[2] + 1);
  }
  mesh->UnlockIndexBuffer();
  mesh->UnlockVertexBuffer();
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: bench_pmesh MESH.x [--percents 50,10,1] [--out DIR] [--placement optimal|halfedge] "
                 "[--weights geometry|default]\n");
    return 2;
  }
  std::string path = argv[1], outDir = "/tmp/pmesh", percents = "50,10,1", placementName = "optimal",
              weightsName = "geometry";
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--percents") percents = value;
    if (key == "--out") outDir = value;
    if (key == "--placement") placementName = value;
    if (key == "--weights") weightsName = value;
  }
  std::filesystem::create_directories(outDir);
  IDirect3DDevice8* device = BenchDevice();
  if (!device) {
    std::fprintf(stderr, "no device\n");
    return 1;
  }
  ID3DXMesh* mesh = nullptr;
  std::vector<DWORD> adjacency;
  auto start = Clock::now();
  if (!LoadMesh(path, device, &mesh, &adjacency)) {
    std::fprintf(stderr, "cannot load a mesh from %s\n", path.c_str());
    return 1;
  }
  std::printf("mesh=%s faces=%u vertices=%u load_seconds=%.3f\n", path.c_str(), mesh->GetNumFaces(),
              mesh->GetNumVertices(), Seconds(start));
  // The source as read here, to measure our levels against: readers differ
  // in their axes (another reader may mirror z).
  const std::string stem = std::filesystem::path(path).stem().string();
  WriteObj(outDir + "/" + stem + "_source.obj", mesh);

  // Geometry alone, as the peers measure it; or the library's defaults,
  // where normals count too.
  D3DXATTRIBUTEWEIGHTS geometry{};
  geometry.Position = 1;
  geometry.Boundary = 1;
  const D3DXATTRIBUTEWEIGHTS* weights = weightsName == "default" ? nullptr : &geometry;
  const PMeshPlacement placement =
      placementName == "halfedge" ? PMeshPlacement::kHalfEdge : PMeshPlacement::kOptimal;
  ID3DXPMesh* pmesh = nullptr;
  start = Clock::now();
  HRESULT hr = GeneratePMeshWith(mesh, adjacency.data(), weights, nullptr, 1, D3DXMESHSIMP_FACE, placement, &pmesh);
  const double generate = Seconds(start);
  if (FAILED(hr)) {
    std::fprintf(stderr, "generation failed: 0x%08x\n", static_cast<unsigned>(hr));
    return 1;
  }
  std::printf("placement=%s weights=%s generate_seconds=%.3f max_faces=%u min_faces=%u\n", placementName.c_str(),
              weightsName.c_str(), generate, pmesh->GetMaxFaces(), pmesh->GetMinFaces());

  std::stringstream list(percents);
  std::string item;
  while (std::getline(list, item, ',')) {
    const double percent = std::atof(item.c_str());
    const DWORD target = static_cast<DWORD>(pmesh->GetMaxFaces() * percent / 100.0);
    pmesh->SetNumFaces(target);
    ID3DXMesh* level = nullptr;
    if (FAILED(pmesh->Optimize(D3DXMESHOPT_COMPACT | D3DXMESH_SYSTEMMEM, nullptr, nullptr, nullptr, &level))) {
      std::fprintf(stderr, "snapshot failed\n");
      return 1;
    }
    const std::string out = outDir + "/" + stem + "_ours_" + placementName + "_" + item + ".obj";
    WriteObj(out, level);
    std::printf("percent=%s target=%u faces_out=%u out=%s\n", item.c_str(), target, pmesh->GetNumFaces(), out.c_str());
    level->Release();
  }

  // A change of 1 % of the faces, down and up, from the middle.
  const DWORD max = pmesh->GetMaxFaces(), step = max / 100;
  std::vector<double> times;
  for (int run = 0; run < 20; ++run) {
    pmesh->SetNumFaces(max / 2);
    start = Clock::now();
    pmesh->SetNumFaces(max / 2 - step);
    times.push_back(Seconds(start));
    start = Clock::now();
    pmesh->SetNumFaces(max / 2);
    times.push_back(Seconds(start));
  }
  std::sort(times.begin(), times.end());
  std::printf("level_change_faces=%u level_change_ms_median=%.3f level_change_ms_max=%.3f\n", step,
              1000 * times[times.size() / 2], 1000 * times.back());

  // Memory: the buffers at full detail and the records, against the plain
  // mesh's buffers, attributes and adjacency.
  const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
  const size_t index = (mesh->GetOptions() & D3DXMESH_32BIT) ? 4 : 2;
  const size_t plain = static_cast<size_t>(mesh->GetNumVertices()) * stride +
                       static_cast<size_t>(mesh->GetNumFaces()) * (3 * index + 4 + 12);
  const size_t progressive = PMeshBytes(pmesh);
  std::printf("plain_mesh_bytes=%zu pmesh_bytes=%zu memory_ratio=%.2f\n", plain, progressive,
              static_cast<double>(progressive) / plain);
  pmesh->Release();
  mesh->Release();
  return 0;
}
