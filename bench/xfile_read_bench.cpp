// Reading a generated grid mesh (n x n quads, 2n^2 triangles) from memory, in
// text and in binary. n = 708 gives about a million faces; the smaller sizes
// show how the time grows with the file.

#include <benchmark/benchmark.h>
#include <dxfile.h>
#include <rmxfguid.h>
#include <rmxftmpl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

IDirectXFile* CreateFile() {
  IDirectXFile* file = nullptr;
  DirectXFileCreate(&file);
  file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES);
  return file;
}

// The grid written by the file API itself.
std::string GridFile(int n, DXFILEFORMAT format) {
  std::vector<BYTE> block;
  auto put = [&](const void* p, std::size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(p);
    block.insert(block.end(), bytes, bytes + size);
  };
  DWORD vertices = static_cast<DWORD>((n + 1) * (n + 1));
  put(&vertices, 4);
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) {
      float v[3] = {x * 0.01f, y * 0.01f, (x * y % 7) * 0.001f};
      put(v, sizeof(v));
    }
  }
  DWORD faces = static_cast<DWORD>(2 * n * n);
  put(&faces, 4);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      DWORD a = y * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
      DWORD f1[4] = {3, a, c, b}, f2[4] = {3, b, c, d};
      put(f1, sizeof(f1));
      put(f2, sizeof(f2));
    }
  }
  std::filesystem::path path = std::filesystem::temp_directory_path() / "xfile_bench_grid.x";
  IDirectXFile* file = CreateFile();
  IDirectXFileSaveObject* save = nullptr;
  IDirectXFileData* mesh = nullptr;
  file->CreateSaveObject(path.c_str(), format, &save);
  save->CreateDataObject(TID_D3DRMMesh, "Grid", nullptr, static_cast<DWORD>(block.size()), block.data(), &mesh);
  save->SaveData(mesh);
  mesh->Release();
  save->Release();
  file->Release();
  std::ifstream in(path, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return content;
}

void ReadGrid(benchmark::State& state, DXFILEFORMAT format) {
  std::string content = GridFile(static_cast<int>(state.range(0)), format);
  IDirectXFile* file = CreateFile();
  for (auto _ : state) {
    DXFILELOADMEMORY memory{content.data(), static_cast<DWORD>(content.size())};
    IDirectXFileEnumObject* enumObject = nullptr;
    if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject))) {
      state.SkipWithError("the grid does not read");
      break;
    }
    IDirectXFileData* mesh = nullptr;
    enumObject->GetNextDataObject(&mesh);
    DWORD size = 0;
    void* data = nullptr;
    mesh->GetData(nullptr, &size, &data);
    benchmark::DoNotOptimize(data);
    mesh->Release();
    enumObject->Release();
  }
  file->Release();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
  state.counters["faces"] = static_cast<double>(2 * state.range(0) * state.range(0));
  state.counters["file_MB"] = static_cast<double>(content.size()) / 1e6;
}

void BM_ReadTextGrid(benchmark::State& state) { ReadGrid(state, DXFILEFORMAT_TEXT); }
void BM_ReadBinaryGrid(benchmark::State& state) { ReadGrid(state, DXFILEFORMAT_BINARY); }
void BM_ReadCompressedGrid(benchmark::State& state) { ReadGrid(state, DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED); }

BENCHMARK(BM_ReadTextGrid)->Arg(177)->Arg(354)->Arg(708)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBinaryGrid)->Arg(177)->Arg(354)->Arg(708)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCompressedGrid)->Arg(708)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
