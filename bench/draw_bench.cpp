// Drawing a lit sphere of 500,000 triangles into a 1024 × 768 view on the
// software rasterizer, as a view draws a large mesh: clear, one indexed draw
// from buffers already uploaded, present with the picture read back. Reports
// frames per second. The second case draws the same sphere with two blend
// matrices a vertex through indexed vertex blending, beside the plain draw.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "d3d8present.h"
#include "d3dx8.h"

namespace {

constexpr UINT kWidth = 1024, kHeight = 768;
constexpr UINT kRings = 500, kSegments = 500;  // 2 × 500 × 500 triangles

// Vertices of the blended case: one weight, then the palette slots.
struct BlendedVertex {
  float x, y, z, weight;
  BYTE slots[4];
  float nx, ny, nz, u, v;
};
constexpr DWORD kBlendedFvf = D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1;

void DrawLitMesh(benchmark::State& state) {
  const bool blended = state.range(0) != 0;
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  IDirect3D8* direct3d = Direct3DCreate8(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS p{};
  p.Windowed = TRUE;
  p.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  p.BackBufferWidth = 2;
  p.BackBufferHeight = 2;
  IDirect3DDevice8* device = nullptr;
  if (!direct3d || FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device))) {
    state.SkipWithError("no device");
    return;
  }
  p.BackBufferWidth = kWidth;
  p.BackBufferHeight = kHeight;
  IDirect3DSwapChain8* chain = nullptr;
  IDirect3DSurface8 *back = nullptr, *depth = nullptr;
  device->CreateAdditionalSwapChain(&p, &chain);
  chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
  device->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &depth);
  device->SetRenderTarget(back, depth);
  // The sink counts the sphere's lit pixels: the first frame must show it.
  size_t litPixels = 0;
  D3D8SetPresentSink(chain, [&](const D3D8Image& image) {
    litPixels = 0;
    for (UINT y = 0; y < image.Height; y += 4)
      for (UINT x = 0; x < image.Width; x += 4) litPixels += image.Rgba[y * image.Pitch + 4 * x] > 0 ? 16 : 0;
  });

  // A sphere of rings × segments quads, two triangles each, clockwise seen
  // from outside: the default culling drops the far half, as in a view.
  const UINT vertexCount = (kRings + 1) * (kSegments + 1);
  IDirect3DVertexBuffer8* vb = nullptr;
  IDirect3DIndexBuffer8* ib = nullptr;
  const UINT stride = blended ? sizeof(BlendedVertex) : sizeof(D3DVERTEX);
  const DWORD fvf = blended ? kBlendedFvf : 0x112;
  device->CreateVertexBuffer(vertexCount * stride, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, &vb);
  device->CreateIndexBuffer(kRings * kSegments * 6 * 4, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib);
  BYTE* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  auto* vertices = reinterpret_cast<D3DVERTEX*>(data);
  for (UINT r = 0; r <= kRings; ++r)
    for (UINT s = 0; s <= kSegments; ++s) {
      const float theta = D3DX_PI * static_cast<float>(r) / kRings, phi = 2 * D3DX_PI * static_cast<float>(s) / kSegments;
      const float x = std::sin(theta) * std::cos(phi), y = std::cos(theta), z = std::sin(theta) * std::sin(phi);
      const UINT i = r * (kSegments + 1) + s;
      if (blended)
        reinterpret_cast<BlendedVertex*>(data)[i] = {x, y, z, 0.5f, {0, 1, 0, 0}, x, y, z, 0, 0};
      else
        vertices[i] = {x, y, z, x, y, z, 0, 0};
    }
  vb->Unlock();
  ib->Lock(0, 0, &data, 0);
  auto* indices = reinterpret_cast<DWORD*>(data);
  for (UINT r = 0; r < kRings; ++r)
    for (UINT s = 0; s < kSegments; ++s) {
      const DWORD a = r * (kSegments + 1) + s, b = a + 1, c = a + kSegments + 1, d = c + 1;
      for (DWORD i : {a, b, c, b, d, c}) *indices++ = i;
    }
  ib->Unlock();

  D3DXMATRIX view, projection, world;
  const D3DXVECTOR3 eye(0, 0, -2.5f), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, static_cast<float>(kWidth) / kHeight, 0.1f, 100.0f);
  D3DXMatrixIdentity(&world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &world);
  D3DMATERIAL8 material{};
  material.Diffuse = material.Ambient = {0.8f, 0.6f, 0.2f, 1.0f};
  device->SetMaterial(&material);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.5f, -0.5f, 1.0f};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(40, 40, 40));
  device->SetVertexShader(fvf);
  device->SetStreamSource(0, vb, stride);
  if (blended) {
    device->SetTransform(D3DTS_WORLDMATRIX(1), &world);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
  }
  device->SetIndices(ib, 0);

  auto frame = [&] {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 64), 1.0f, 0);
    device->BeginScene();
    const HRESULT hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, kRings * kSegments * 2);
    device->EndScene();
    chain->Present(nullptr, nullptr, nullptr, nullptr);
    return hr;
  };
  if (FAILED(frame()) || litPixels < kWidth * kHeight / 5)  // uploads the buffers
    state.SkipWithError("the sphere is not drawn");
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  for (auto _ : state) frame();
  getrusage(RUSAGE_SELF, &after);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                     seconds(before.ru_stime);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  // Processor time of all threads (the rasterizer's too) per frame: what
  // bounds the rate on a machine of few cores.
  state.counters["cpu_ms_per_frame"] = 1000.0 * cpu / static_cast<double>(state.iterations());
  state.counters["triangles"] = kRings * kSegments * 2;
  state.counters["lit_pixels"] = static_cast<double>(litPixels);

  device->SetStreamSource(0, nullptr, 0);
  device->SetIndices(nullptr, 0);
  vb->Release();
  ib->Release();
  depth->Release();
  back->Release();
  chain->Release();
  device->Release();
  direct3d->Release();
}

BENCHMARK(DrawLitMesh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
