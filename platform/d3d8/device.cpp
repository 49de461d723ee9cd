#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <utility>

#include "d3d8backend.h"
#include "d3d8device.h"
#include "d3d8resources.h"

namespace {

constexpr DWORD FloatBits(float value) {
  return std::bit_cast<DWORD>(value);
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  return r;
}

bool ValidTransform(D3DTRANSFORMSTATETYPE state) {
  DWORD s = state;
  return s == D3DTS_VIEW || s == D3DTS_PROJECTION || (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) ||
         (s >= 256 && s < 512);
}

template <class T>
void Assign(T*& slot, T* value) {
  if (value) value->AddRef();
  if (slot) slot->Release();
  slot = value;
}

// Vertices that a primitive count of a type uses; 0 for an unknown type.
UINT VertexCount(D3DPRIMITIVETYPE type, UINT primitives) {
  switch (type) {
    case D3DPT_POINTLIST:
      return primitives;
    case D3DPT_LINELIST:
      return primitives * 2;
    case D3DPT_LINESTRIP:
      return primitives + 1;
    case D3DPT_TRIANGLELIST:
      return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return primitives + 2;
  }
  return 0;
}

}  // namespace

// The states that a state block records. While a block is recorded the set
// calls change the block only, as Direct3D does.
struct CDirect3DDevice8::StateBlock {
  std::map<DWORD, DWORD> renderStates;
  std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
  std::map<DWORD, D3DMATRIX> transforms;
  std::optional<D3DMATERIAL8> material;
  std::optional<DWORD> vertexShader;
  std::map<DWORD, IDirect3DBaseTexture8*> textures;  // each holds a reference

  ~StateBlock() {
    for (auto& [stage, texture] : textures)
      if (texture) texture->Release();
  }
};

CDirect3DDevice8::CDirect3DDevice8(IDirect3D8* direct3d, const D3DDEVICE_CREATION_PARAMETERS& creation,
                                   const D3DPRESENT_PARAMETERS& presentation, const D3DCAPS8& caps)
    : m_core(std::make_shared<D3D8DeviceCore>()),
      m_direct3d(direct3d),
      m_creation(creation),
      m_presentation(presentation),
      m_caps(caps) {
  m_direct3d->AddRef();
  m_core->device = this;
  ResetStates();
}

CDirect3DDevice8::~CDirect3DDevice8() {
  {
    std::lock_guard<std::mutex> lock(m_core->mutex);
    m_core->device = nullptr;
  }
  ReleaseBindings();
  m_stateBlocks.clear();
  // The context takes every OpenGL object of the device with it.
  m_backend.reset();
  m_direct3d->Release();
}

HRESULT CDirect3DDevice8::Initialize() {
  if (!m_backend) {
    const D3D8GLFacts& facts = D3D8GetGLFacts(m_creation.DeviceType);
    auto backend = std::make_unique<D3D8Backend>();
    backend->context = facts.available ? D3D8GLContext::Create(m_creation.DeviceType) : nullptr;
    if (!backend->context) return D3DERR_NOTAVAILABLE;
    backend->owner = std::this_thread::get_id();
    backend->maxLights = facts.maxLights;
    m_backend = std::move(backend);
  }
  HRESULT hr = D3D8CreateSurface(m_core, m_presentation.BackBufferWidth, m_presentation.BackBufferHeight,
                                 m_presentation.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                                 &m_backBuffer);
  if (FAILED(hr)) return hr;
  Assign(m_renderTarget, m_backBuffer);
  if (m_presentation.EnableAutoDepthStencil) {
    hr = D3D8CreateSurface(m_core, m_presentation.BackBufferWidth, m_presentation.BackBufferHeight,
                           m_presentation.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                           &m_depthStencil);
    if (FAILED(hr)) return hr;
  }
  m_viewport = {0, 0, m_presentation.BackBufferWidth, m_presentation.BackBufferHeight, 0.0f, 1.0f};
  return D3D_OK;
}

void CDirect3DDevice8::ResetStates() {
  std::memset(m_renderStates, 0, sizeof(m_renderStates));
  DWORD* rs = m_renderStates;
  rs[D3DRS_ZENABLE] = m_presentation.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGEND] = FloatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = 1;  // keep
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
  rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
  rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = 1;  // add
  std::memset(m_stageStates, 0, sizeof(m_stageStates));
  for (DWORD stage = 0; stage < D3D_TEXTURESTAGE_COUNT; ++stage) {
    DWORD* ts = m_stageStates[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
    ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    ts[D3DTSS_MAXANISOTROPY] = 1;
    ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  m_transforms.clear();
  m_material = D3DMATERIAL8{};
  m_lights.clear();
  m_vertexShader = 0;
}

void CDirect3DDevice8::ReleaseBindings() {
  for (auto& texture : m_textures) Assign(texture, static_cast<IDirect3DBaseTexture8*>(nullptr));
  Assign(m_streamSource, static_cast<IDirect3DVertexBuffer8*>(nullptr));
  Assign(m_indices, static_cast<IDirect3DIndexBuffer8*>(nullptr));
  Assign(m_renderTarget, static_cast<IDirect3DSurface8*>(nullptr));
  Assign(m_depthStencil, static_cast<IDirect3DSurface8*>(nullptr));
  Assign(m_backBuffer, static_cast<IDirect3DSurface8*>(nullptr));
}

HRESULT CDirect3DDevice8::TestCooperativeLevel() { return D3D_OK; }

HRESULT CDirect3DDevice8::GetDirect3D(IDirect3D8** direct3d) {
  if (!direct3d) return D3DERR_INVALIDCALL;
  m_direct3d->AddRef();
  *direct3d = m_direct3d;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetDeviceCaps(D3DCAPS8* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = m_caps;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetDisplayMode(D3DDISPLAYMODE* mode) {
  return m_direct3d->GetAdapterDisplayMode(m_creation.AdapterOrdinal, mode);
}

HRESULT CDirect3DDevice8::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  *parameters = m_creation;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters,
                                                    IDirect3DSwapChain8** swapChain) {
  if (!parameters || !swapChain) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS p = *parameters;
  if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = m_presentation.BackBufferFormat;
  if (p.BackBufferWidth == 0) p.BackBufferWidth = 1;
  if (p.BackBufferHeight == 0) p.BackBufferHeight = 1;
  return D3D8CreateSwapChain(m_core, p, swapChain);
}

HRESULT CDirect3DDevice8::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  ReleaseBindings();
  m_presentation = *parameters;
  HRESULT hr = Initialize();
  ResetStates();
  return hr;
}

HRESULT CDirect3DDevice8::Present(const RECT* source, const RECT*, HWND, const RGNDATA*) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_inScene) return D3DERR_INVALIDCALL;
  return PresentSurface(m_backBuffer, source, m_sink);
}

void CDirect3DDevice8::SetPresentSink(D3D8PresentSink sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_sink = std::move(sink);
}

HRESULT CDirect3DDevice8::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  Assign(*surface, m_backBuffer);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture8** texture) {
  return D3D8CreateTexture(m_core, width, height, levels, usage, format, pool, texture);
}

HRESULT CDirect3DDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8** buffer) {
  return D3D8CreateVertexBuffer(m_core, length, usage, fvf, pool, buffer);
}

HRESULT CDirect3DDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer8** buffer) {
  return D3D8CreateIndexBuffer(m_core, length, usage, format, pool, buffer);
}

HRESULT CDirect3DDevice8::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                             BOOL, IDirect3DSurface8** surface) {
  return D3D8CreateSurface(m_core, width, height, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, surface);
}

HRESULT CDirect3DDevice8::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                    D3DMULTISAMPLE_TYPE, IDirect3DSurface8** surface) {
  if (surface) *surface = nullptr;
  if (!D3D8DepthFormat(format)) return D3DERR_INVALIDCALL;
  return D3D8CreateSurface(m_core, width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, surface);
}

HRESULT CDirect3DDevice8::CreateImageSurface(UINT width, UINT height, D3DFORMAT format,
                                             IDirect3DSurface8** surface) {
  return D3D8CreateSurface(m_core, width, height, format, 0, D3DPOOL_SYSTEMMEM, surface);
}

HRESULT CDirect3DDevice8::SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (renderTarget) {
    // A new target is drawn whole: the viewport covers it.
    D3DSURFACE_DESC desc{};
    if (FAILED(renderTarget->GetDesc(&desc)) || !(desc.Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    Assign(m_renderTarget, renderTarget);
    m_viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
  }
  Assign(m_depthStencil, depthStencil);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetRenderTarget(IDirect3DSurface8** renderTarget) {
  if (!renderTarget) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *renderTarget = nullptr;
  Assign(*renderTarget, m_renderTarget);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetDepthStencilSurface(IDirect3DSurface8** depthStencil) {
  if (!depthStencil) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *depthStencil = nullptr;
  if (!m_depthStencil) return D3DERR_NOTFOUND;
  Assign(*depthStencil, m_depthStencil);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::BeginScene() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::EndScene() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                DWORD stencil) {
  if ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 ||
      z < 0.0f || z > 1.0f)
    return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !m_depthStencil) return D3DERR_INVALIDCALL;
  UINT width = 0, height = 0;
  if (!BeginGL() || !BindTarget(&width, &height)) return D3DERR_INVALIDCALL;
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    mask |= GL_COLOR_BUFFER_BIT;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f, static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(color & 0xFF) / 255.0f, static_cast<float>(color >> 24) / 255.0f);
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    mask |= GL_DEPTH_BUFFER_BIT;
    glDepthMask(GL_TRUE);
    glClearDepth(z);
  }
  if (flags & D3DCLEAR_STENCIL) {
    mask |= GL_STENCIL_BUFFER_BIT;
    glStencilMask(0xFFFFFFFF);
    glClearStencil(static_cast<GLint>(stencil));
  }
  // The viewport, or the given rectangles inside it; y from the top.
  const LONG vx = static_cast<LONG>(m_viewport.X), vy = static_cast<LONG>(m_viewport.Y);
  const D3DRECT view{vx, vy, vx + static_cast<LONG>(m_viewport.Width), vy + static_cast<LONG>(m_viewport.Height)};
  glEnable(GL_SCISSOR_TEST);
  for (DWORD i = 0; i < (count > 0 ? count : 1); ++i) {
    const D3DRECT r = count > 0 ? rects[i] : view;
    const LONG x1 = std::max(r.x1, view.x1), y1 = std::max(r.y1, view.y1);
    const LONG x2 = std::min(r.x2, view.x2), y2 = std::min(r.y2, view.y2);
    if (x1 >= x2 || y1 >= y2) continue;
    glScissor(x1, static_cast<LONG>(height) - y2, x2 - x1, y2 - y1);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!matrix || !ValidTransform(state)) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording) {
    m_recording->transforms[state] = *matrix;
    return D3D_OK;
  }
  m_transforms[state] = *matrix;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (!matrix || !ValidTransform(state)) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  auto found = m_transforms.find(state);
  *matrix = found == m_transforms.end() ? Identity() : found->second;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!matrix || !ValidTransform(state)) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  D3DMATRIX current;
  GetTransform(state, &current);
  const D3DMATRIX product = Multiply(*matrix, current);
  return SetTransform(state, &product);
}

HRESULT CDirect3DDevice8::SetViewport(const D3DVIEWPORT8* viewport) {
  if (!viewport || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f || viewport->MinZ > viewport->MaxZ)
    return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_viewport = *viewport;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetViewport(D3DVIEWPORT8* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *viewport = m_viewport;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording)
    m_recording->material = *material;
  else
    m_material = *material;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetMaterial(D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *material = m_material;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetLight(DWORD index, const D3DLIGHT8* light) {
  if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_lights[index].light = *light;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetLight(DWORD index, D3DLIGHT8* light) {
  if (!light) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  auto found = m_lights.find(index);
  if (found == m_lights.end()) return D3DERR_INVALIDCALL;
  *light = found->second.light;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::LightEnable(DWORD index, BOOL enable) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  // Enabling a light that was never set gives it the default light.
  auto [slot, added] = m_lights.try_emplace(index);
  if (added) {
    slot->second.light.Type = D3DLIGHT_DIRECTIONAL;
    slot->second.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    slot->second.light.Direction = {0.0f, 0.0f, 1.0f};
  }
  slot->second.enabled = enable != FALSE;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  auto found = m_lights.find(index);
  if (found == m_lights.end()) return D3DERR_INVALIDCALL;
  *enable = found->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state >= D3D_RENDERSTATE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording)
    m_recording->renderStates[state] = value;
  else
    m_renderStates[state] = value;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || state >= D3D_RENDERSTATE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *value = m_renderStates[state];
  return D3D_OK;
}

HRESULT CDirect3DDevice8::BeginStateBlock() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording) return D3DERR_INVALIDCALL;
  m_recording = std::make_unique<StateBlock>();
  return D3D_OK;
}

HRESULT CDirect3DDevice8::EndStateBlock(DWORD* token) {
  if (!token) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!m_recording) return D3DERR_INVALIDCALL;
  *token = ++m_lastStateBlock;
  m_stateBlocks[*token] = std::move(m_recording);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::ApplyStateBlock(DWORD token) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  auto found = m_stateBlocks.find(token);
  if (m_recording || found == m_stateBlocks.end()) return D3DERR_INVALIDCALL;
  const StateBlock& block = *found->second;
  for (auto& [state, value] : block.renderStates) m_renderStates[state] = value;
  for (auto& [key, value] : block.stageStates) m_stageStates[key.first][key.second] = value;
  for (auto& [state, matrix] : block.transforms) m_transforms[state] = matrix;
  if (block.material) m_material = *block.material;
  if (block.vertexShader) m_vertexShader = *block.vertexShader;
  for (auto& [stage, texture] : block.textures) Assign(m_textures[stage], texture);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::CaptureStateBlock(DWORD token) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  auto found = m_stateBlocks.find(token);
  if (m_recording || found == m_stateBlocks.end()) return D3DERR_INVALIDCALL;
  StateBlock& block = *found->second;
  for (auto& [state, value] : block.renderStates) value = m_renderStates[state];
  for (auto& [key, value] : block.stageStates) value = m_stageStates[key.first][key.second];
  for (auto& [state, matrix] : block.transforms) GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state), &matrix);
  if (block.material) block.material = m_material;
  if (block.vertexShader) block.vertexShader = m_vertexShader;
  for (auto& [stage, texture] : block.textures) Assign(texture, m_textures[stage]);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::DeleteStateBlock(DWORD token) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording || m_stateBlocks.erase(token) == 0) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
  if (!texture || stage >= D3D_TEXTURESTAGE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *texture = nullptr;
  Assign(*texture, m_textures[stage]);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
  if (stage >= D3D_TEXTURESTAGE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording) {
    auto [slot, added] = m_recording->textures.try_emplace(stage, nullptr);
    Assign(slot->second, texture);
    return D3D_OK;
  }
  Assign(m_textures[stage], texture);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= D3D_TEXTURESTAGE_COUNT || type >= D3D_TEXTURESTAGESTATE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *value = m_stageStates[stage][type];
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= D3D_TEXTURESTAGE_COUNT || type >= D3D_TEXTURESTAGESTATE_COUNT) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording)
    m_recording->stageStates[{stage, type}] = value;
  else
    m_stageStates[stage][type] = value;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  UINT vertices = VertexCount(type, primitiveCount);
  UINT size = D3D8VertexBufferSize(m_streamSource);
  if (primitiveCount == 0) return D3D_OK;
  if (vertices == 0 || size == 0 || m_streamStride == 0 ||
      (static_cast<ULONGLONG>(startVertex) + vertices) * m_streamStride > size)
    return D3DERR_INVALIDCALL;
  return Render({type, primitiveCount, nullptr, m_streamStride, startVertex, false, nullptr, 0, 0, 0, 0, 0});
}

HRESULT CDirect3DDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                               UINT startIndex, UINT primitiveCount) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (primitiveCount == 0) return D3D_OK;
  UINT indexSize = 2;
  UINT indexBytes = D3D8IndexBufferSize(m_indices, &indexSize);
  UINT vertexBytes = D3D8VertexBufferSize(m_streamSource);
  UINT indices = VertexCount(type, primitiveCount);
  if (indices == 0 || indexBytes == 0 || vertexBytes == 0 || m_streamStride == 0 ||
      (static_cast<ULONGLONG>(startIndex) + indices) * indexSize > indexBytes ||
      (static_cast<ULONGLONG>(m_baseVertexIndex) + minIndex + numVertices) * m_streamStride > vertexBytes ||
      m_baseVertexIndex > 0x7FFFFFFF)
    return D3DERR_INVALIDCALL;
  return Render({type, primitiveCount, nullptr, m_streamStride, 0, true, nullptr, indexSize, startIndex, minIndex,
                 numVertices, static_cast<INT>(m_baseVertexIndex)});
}

HRESULT CDirect3DDevice8::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                          UINT vertexStride) {
  if (primitiveCount == 0) return D3D_OK;
  if (!vertexData || vertexStride == 0 || VertexCount(type, primitiveCount) == 0) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return Render({type, primitiveCount, static_cast<const BYTE*>(vertexData), vertexStride, 0, false, nullptr, 0, 0,
                 0, 0, 0});
}

HRESULT CDirect3DDevice8::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                                 const void* vertexData, UINT vertexStride) {
  if (primitiveCount == 0) return D3D_OK;
  if (!indexData || !vertexData || vertexStride == 0 || VertexCount(type, primitiveCount) == 0 ||
      (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) || numVertices == 0)
    return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return Render({type, primitiveCount, static_cast<const BYTE*>(vertexData), vertexStride, 0, true, indexData,
                 indexFormat == D3DFMT_INDEX16 ? 2u : 4u, 0, minIndex, numVertices, 0});
}

HRESULT CDirect3DDevice8::SetVertexShader(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_recording)
    m_recording->vertexShader = handle;
  else
    m_vertexShader = handle;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetVertexShader(DWORD* handle) {
  if (!handle) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *handle = m_vertexShader;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
  if (stream != 0 || (buffer && stride == 0)) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  Assign(m_streamSource, buffer);
  m_streamStride = stride;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) {
  if (stream != 0 || !buffer || !stride) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *buffer = nullptr;
  Assign(*buffer, m_streamSource);
  *stride = m_streamStride;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  Assign(m_indices, buffer);
  m_baseVertexIndex = baseVertexIndex;
  return D3D_OK;
}

HRESULT CDirect3DDevice8::GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) {
  if (!buffer || !baseVertexIndex) return D3DERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  *buffer = nullptr;
  Assign(*buffer, m_indices);
  *baseVertexIndex = m_baseVertexIndex;
  return D3D_OK;
}

HRESULT D3D8SetPresentSink(IDirect3DDevice8* device, D3D8PresentSink sink) {
  auto* ours = dynamic_cast<CDirect3DDevice8*>(device);
  if (!ours) return D3DERR_INVALIDCALL;
  ours->SetPresentSink(std::move(sink));
  return D3D_OK;
}
