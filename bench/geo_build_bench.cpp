// Building the connectivity of generated grids of 10k, 100k and 1M triangles
// (vertex buffer to welded half-edge mesh with its vertex handles).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstring>

#include "geo_mesh.h"
#include "geo_test_meshes.h"

namespace {

IDirect3DDevice8* BenchDevice() {
  static IDirect3DDevice8* device = [] {
    IDirect3DDevice8* d = nullptr;
    IDirect3D8* direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                           &parameters, &d);
    direct3d->Release();
    return d;
  }();
  return device;
}

void BuildConnectivity(benchmark::State& state) {
  const DWORD triangles = static_cast<DWORD>(state.range(0));
  const DWORD columns = triangles >= 1000000 ? 1000 : triangles >= 100000 ? 250 : 100;
  const SGeoTestMesh mesh = MakeGridMesh(columns, triangles / 2 / columns);
  IDirect3DVertexBuffer8* vb = nullptr;
  const UINT size = static_cast<UINT>(mesh.vertices.size() * sizeof(D3DVERTEX));
  BenchDevice()->CreateVertexBuffer(size, 0, kGeoVertexFVF, D3DPOOL_DEFAULT, &vb);
  BYTE* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, mesh.vertices.data(), size);
  vb->Unlock();
  for (auto _ : state) {
    CGeoMesh geo;
    const bool built = geo.Initialize2(static_cast<DWORD>(mesh.vertices.size()), vb,
                                       static_cast<DWORD>(mesh.indices.size()), mesh.indices.data(), nullptr, 1,
                                       nullptr, nullptr, nullptr, nullptr, BenchDevice(), nullptr, nullptr);
    benchmark::DoNotOptimize(built);
  }
  vb->Release();
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  state.counters["triangles"] = mesh.TrianglesCount();
  state.counters["peak_rss_MiB"] = usage.ru_maxrss / 1024.0;
}

BENCHMARK(BuildConnectivity)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
