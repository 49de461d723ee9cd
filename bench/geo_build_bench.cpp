// Building the connectivity of generated grids of 10k, 100k and 1M triangles
// (vertex buffer to welded half-edge mesh with its vertex handles).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstring>

#include "bench_device.h"
#include "geo_mesh.h"
#include "geo_test_meshes.h"

namespace {

void BuildConnectivity(benchmark::State& state) {
  const DWORD triangles = static_cast<DWORD>(state.range(0));
  const DWORD columns = triangles >= 1000000 ? 1000 : triangles >= 100000 ? 250 : 100;
  const SGeoTestMesh mesh = MakeGridMesh(columns, triangles / 2 / columns);
  IDirect3DVertexBuffer8* vb = BenchVertexBuffer(mesh);
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
