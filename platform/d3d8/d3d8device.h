// The device object. Internal to the Direct3D layer.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "d3d8gl.h"
#include "d3d8present.h"
#include "d3d8resources.h"
#include "fvflayout.h"

// The OpenGL side of a device (d3d8backend.h).
struct D3D8Backend;

class CDirect3DDevice8 : public TComObject<IDirect3DDevice8, &IID_IDirect3DDevice8> {
 public:
  CDirect3DDevice8(IDirect3D8* direct3d, const D3DDEVICE_CREATION_PARAMETERS& creation,
                   const D3DPRESENT_PARAMETERS& presentation, const D3DCAPS8& caps);
  ~CDirect3DDevice8() override;

  // Creates the OpenGL context, the back buffer and the automatic depth
  // buffer. The calling thread becomes the device's thread: the only one that
  // draws, clears, presents and copies from render targets.
  HRESULT Initialize();

  // Hands a render target's picture (the source rectangle of it, or all) to
  // the sink; nothing when the sink is empty.
  HRESULT PresentSurface(IDirect3DSurface8* surface, const RECT* source, const D3D8PresentSink& sink);
  void SetPresentSink(D3D8PresentSink sink);

  HRESULT TestCooperativeLevel() override;
  HRESULT GetDirect3D(IDirect3D8** direct3d) override;
  HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain8** swapChain) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow, const RGNDATA* dirty) override;
  HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture8** texture) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer8** buffer) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer8** buffer) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             BOOL lockable, IDirect3DSurface8** surface) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    IDirect3DSurface8** surface) override;
  HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) override;
  HRESULT CopyRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT count, IDirect3DSurface8* dest,
                    const POINT* destPoints) override;
  HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) override;
  HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface8** depthStencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
  HRESULT SetMaterial(const D3DMATERIAL8* material) override;
  HRESULT GetMaterial(D3DMATERIAL8* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(DWORD* token) override;
  HRESULT ApplyStateBlock(DWORD token) override;
  HRESULT CaptureStateBlock(DWORD token) override;
  HRESULT DeleteStateBlock(DWORD token) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                               UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                          UINT vertexStride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                 const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
                                 UINT vertexStride) override;
  HRESULT SetVertexShader(DWORD handle) override;
  HRESULT GetVertexShader(DWORD* handle) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) override;
  HRESULT GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) override;

 private:
  struct StateBlock;
  struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
  };

  // A draw call's vertices and indices: from the bound buffers or from the
  // caller's memory.
  struct DrawSource {
    D3DPRIMITIVETYPE type;
    UINT primitives;
    const BYTE* userVertices;  // NULL: the stream source
    UINT stride;
    UINT firstVertex;          // of a draw without indices
    bool indexed;
    const void* userIndices;   // NULL: the index buffer
    UINT indexSize;
    UINT startIndex;
    UINT minIndex, numVertices;
    INT baseVertex;
  };

  void ResetStates();
  void ReleaseBindings();

  // OpenGL work (draw.cpp). Each runs with m_mutex held.
  bool BeginGL();
  bool BindTarget(UINT* width, UINT* height);
  // Binds a surface's framebuffer to read it back; the caller holds m_mutex.
  bool BindSurfaceForReading(IDirect3DSurface8* surface, UINT* width, UINT* height);
  GLuint ColourTexture(CPixels& pixels);
  GLuint DepthBuffer(CPixels& pixels);
  GLuint UploadBuffer(IUnknown* buffer, bool index);
  GLuint UploadTexture(IDirect3DBaseTexture8* texture);
  // Reads a render target drawn by the device back into its memory.
  HRESULT SyncToMemory(IDirect3DSurface8* surface);
  void ReadColour(CPixels& pixels, std::vector<BYTE>& rgba);
  void ApplyRasterStates(bool pretransformed, UINT width, UINT height);
  HRESULT ApplyTransformsAndLights(bool pretransformed);
  void ApplyTextureStage(const FvfLayout& layout, const BYTE* vertices, UINT stride, bool bufferObject);
  HRESULT Render(const DrawSource& source);
  // Vertex blending (blend.cpp): whether the states and the format ask for
  // it, and the world-space positions and normals of the vertices first …
  // first + count − 1 into the backend's blended arrays, sized for total
  // vertices.
  bool BlendsVertices(const FvfLayout& layout) const;
  void BlendVertices(const FvfLayout& layout, const BYTE* vertices, UINT stride, UINT first, UINT count,
                     UINT total);

  D3D8DeviceCorePtr m_core;
  std::unique_ptr<D3D8Backend> m_backend;
  D3D8PresentSink m_sink;
  IDirect3D8* m_direct3d;
  D3DDEVICE_CREATION_PARAMETERS m_creation;
  D3DPRESENT_PARAMETERS m_presentation;
  D3DCAPS8 m_caps;

  // Guards everything below: jobs create resources and read states while the
  // main thread draws.
  std::recursive_mutex m_mutex;
  DWORD m_renderStates[D3D_RENDERSTATE_COUNT];
  DWORD m_stageStates[D3D_TEXTURESTAGE_COUNT][D3D_TEXTURESTAGESTATE_COUNT];
  std::map<DWORD, D3DMATRIX> m_transforms;  // identity when absent
  D3DVIEWPORT8 m_viewport{};
  D3DMATERIAL8 m_material{};
  std::map<DWORD, LightSlot> m_lights;
  DWORD m_vertexShader = 0;
  IDirect3DBaseTexture8* m_textures[D3D_TEXTURESTAGE_COUNT] = {};
  IDirect3DVertexBuffer8* m_streamSource = nullptr;
  UINT m_streamStride = 0;
  IDirect3DIndexBuffer8* m_indices = nullptr;
  UINT m_baseVertexIndex = 0;
  IDirect3DSurface8* m_backBuffer = nullptr;
  IDirect3DSurface8* m_renderTarget = nullptr;
  IDirect3DSurface8* m_depthStencil = nullptr;
  bool m_inScene = false;
  std::unique_ptr<StateBlock> m_recording;
  std::map<DWORD, std::unique_ptr<StateBlock>> m_stateBlocks;
  DWORD m_lastStateBlock = 0;
};
