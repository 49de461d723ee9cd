// Loading the sample scene (about 100,000 triangles) into scene objects, and
// saving it in each format.
#include <benchmark/benchmark.h>
#include <dxwindoweddevice.h>
#include <frame.h>
#include <xfile.h>
#include <xfiledatalist.h>

#include <appoptions.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

CDXWindowedDevice& Device() {
  static CDXWindowedDevice* device = [] {
    auto* d = new CDXWindowedDevice;
    d->CreateD3DDevice(nullptr);
    return d;
  }();
  return *device;
}

std::unique_ptr<CFrame> LoadScene(benchmark::State& state) {
  Device();
  g_appOptions.bLoadDXMeshes = 0;
  auto root = std::make_unique<CFrame>();
  root->Initialize(nullptr, const_cast<char*>("Scene"), CFrame::ePlainFrame, false);
  CXFileDataList world;
  CXFile file;
  if (!file.LoadXfile(VOREVER_SAMPLE_SCENE, root.get(), world, nullptr, nullptr))
    state.SkipWithError(static_cast<LPCSTR>(file.GetFailureText()));
  return root;
}

void LoadSampleScene(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<CFrame> root = LoadScene(state);
    benchmark::DoNotOptimize(root.get());
  }
}
BENCHMARK(LoadSampleScene)->Unit(benchmark::kMillisecond);

void SaveSampleScene(benchmark::State& state) {
  const DWORD format = static_cast<DWORD>(state.range(0));
  std::unique_ptr<CFrame> root = LoadScene(state);
  g_appOptions.dwXFileFormat = format;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("vorever_bench_" + std::to_string(getpid()) + ".x")).string();
  for (auto _ : state) {
    CXFile file;
    if (!file.SaveXFrame2(root.get(), const_cast<char*>(path.c_str()), format, true, nullptr))
      state.SkipWithError(static_cast<LPCSTR>(file.GetFailureText()));
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}
// Binary, text, compressed binary.
BENCHMARK(SaveSampleScene)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
