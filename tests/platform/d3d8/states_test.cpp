#include <gtest/gtest.h>

#include "test_device.h"

using DeviceStates = DeviceTest;

namespace {

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

D3DMATRIX Scaling(float s) {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = s;
  m._44 = 1.0f;
  return m;
}

}  // namespace

TEST_F(DeviceStates, RenderStatesStartAtTheirDefaultsAndKeepWhatIsSet) {
  struct Case {
    D3DRENDERSTATETYPE state;
    DWORD initial, set;
  };
  for (Case c : {Case{D3DRS_FILLMODE, D3DFILL_SOLID, D3DFILL_WIREFRAME}, Case{D3DRS_SHADEMODE, D3DSHADE_GOURAUD, D3DSHADE_FLAT},
                 Case{D3DRS_ZBIAS, 0, 5}, Case{D3DRS_ZENABLE, D3DZB_TRUE, D3DZB_FALSE},
                 Case{D3DRS_CULLMODE, D3DCULL_CCW, D3DCULL_NONE}, Case{D3DRS_LIGHTING, TRUE, FALSE},
                 Case{D3DRS_VERTEXBLEND, D3DVBF_DISABLE, D3DVBF_0WEIGHTS}, Case{D3DRS_AMBIENT, 0, 0xFF202020}}) {
    DWORD value = 0xDEAD;
    ASSERT_EQ(m_device->GetRenderState(c.state, &value), D3D_OK);
    EXPECT_EQ(value, c.initial) << c.state;
    ASSERT_EQ(m_device->SetRenderState(c.state, c.set), D3D_OK);
    ASSERT_EQ(m_device->GetRenderState(c.state, &value), D3D_OK);
    EXPECT_EQ(value, c.set) << c.state;
  }
  DWORD value = 0;
  EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(D3D_RENDERSTATE_COUNT), 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(D3D_RENDERSTATE_COUNT), &value),
            D3DERR_INVALIDCALL);
}

TEST_F(DeviceStates, TextureStagesDefaultAndKeepTheirStates) {
  DWORD value = 0;
  ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  ASSERT_EQ(m_device->GetTextureStageState(1, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
  ASSERT_EQ(m_device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &value), D3D_OK);
  EXPECT_EQ(value, 3u);
  ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR), D3D_OK);
  ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_MINFILTER, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));
  EXPECT_EQ(m_device->SetTextureStageState(D3D_TEXTURESTAGE_COUNT, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);

  ComRef<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
  EXPECT_EQ(texture.Count(), 2u);
  ComRef<IDirect3DBaseTexture8> bound;
  ASSERT_EQ(m_device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound.get(), static_cast<IDirect3DBaseTexture8*>(texture.get()));
  bound.Reset();
  ASSERT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
  EXPECT_EQ(texture.Count(), 1u);
}

TEST_F(DeviceStates, TransformsStartAsIdentityAndMultiplyOnTheLeft) {
  D3DMATRIX m{};
  ASSERT_EQ(m_device->GetTransform(D3DTS_WORLD, &m), D3D_OK);
  EXPECT_EQ(m._11, 1.0f);
  EXPECT_EQ(m._41, 0.0f);
  const D3DMATRIX move = Translation(1, 2, 3), scale = Scaling(2);
  ASSERT_EQ(m_device->SetTransform(D3DTS_WORLDMATRIX(3), &move), D3D_OK);
  ASSERT_EQ(m_device->MultiplyTransform(D3DTS_WORLDMATRIX(3), &scale), D3D_OK);
  ASSERT_EQ(m_device->GetTransform(D3DTS_WORLDMATRIX(3), &m), D3D_OK);
  EXPECT_EQ(m._11, 2.0f);  // scale first, then move
  EXPECT_EQ(m._41, 1.0f);
  EXPECT_EQ(m._43, 3.0f);
  ASSERT_EQ(m_device->GetTransform(D3DTS_VIEW, &m), D3D_OK);
  EXPECT_EQ(m._41, 0.0f);
  EXPECT_EQ(m_device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &move), D3DERR_INVALIDCALL);
}

TEST_F(DeviceStates, KeepsMaterialLightsViewportAndShader) {
  D3DMATERIAL8 material{};
  material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
  material.Power = 30.0f;
  ASSERT_EQ(m_device->SetMaterial(&material), D3D_OK);
  D3DMATERIAL8 read{};
  ASSERT_EQ(m_device->GetMaterial(&read), D3D_OK);
  EXPECT_EQ(read.Diffuse.g, 0.25f);
  EXPECT_EQ(read.Power, 30.0f);

  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0.0f, -1.0f, 0.0f};
  D3DLIGHT8 got{};
  BOOL enabled = TRUE;
  EXPECT_EQ(m_device->GetLight(1000, &got), D3DERR_INVALIDCALL);
  ASSERT_EQ(m_device->SetLight(1000, &light), D3D_OK);  // indices are not bounded
  ASSERT_EQ(m_device->GetLightEnable(1000, &enabled), D3D_OK);
  EXPECT_FALSE(enabled);
  ASSERT_EQ(m_device->LightEnable(1000, TRUE), D3D_OK);
  ASSERT_EQ(m_device->GetLightEnable(1000, &enabled), D3D_OK);
  EXPECT_TRUE(enabled);
  ASSERT_EQ(m_device->GetLight(1000, &got), D3D_OK);
  EXPECT_EQ(got.Direction.y, -1.0f);
  ASSERT_EQ(m_device->LightEnable(7, TRUE), D3D_OK);  // never set: the default light
  ASSERT_EQ(m_device->GetLight(7, &got), D3D_OK);
  EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(got.Direction.z, 1.0f);
  light.Type = static_cast<D3DLIGHTTYPE>(0);
  EXPECT_EQ(m_device->SetLight(2, &light), D3DERR_INVALIDCALL);

  D3DVIEWPORT8 viewport{};
  ASSERT_EQ(m_device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.Width, 2u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);

  DWORD shader = 0;
  ASSERT_EQ(m_device->SetVertexShader(0x112), D3D_OK);
  ASSERT_EQ(m_device->GetVertexShader(&shader), D3D_OK);
  EXPECT_EQ(shader, 0x112u);
}

TEST_F(DeviceStates, StateBlocksRecordWithoutApplyingAndCaptureTheCurrentValues) {
  ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
  ASSERT_EQ(m_device->SetRenderState(D3DRS_ZBIAS, 16), D3D_OK);
  ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR), D3D_OK);
  DWORD token = 0;
  ASSERT_EQ(m_device->EndStateBlock(&token), D3D_OK);
  DWORD value = 0;
  m_device->GetRenderState(D3DRS_ZBIAS, &value);
  EXPECT_EQ(value, 0u);
  ASSERT_EQ(m_device->ApplyStateBlock(token), D3D_OK);
  m_device->GetRenderState(D3DRS_ZBIAS, &value);
  EXPECT_EQ(value, 16u);
  m_device->GetTextureStageState(0, D3DTSS_MAGFILTER, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));

  m_device->SetRenderState(D3DRS_ZBIAS, 5);
  ASSERT_EQ(m_device->CaptureStateBlock(token), D3D_OK);
  m_device->SetRenderState(D3DRS_ZBIAS, 0);
  ASSERT_EQ(m_device->ApplyStateBlock(token), D3D_OK);
  m_device->GetRenderState(D3DRS_ZBIAS, &value);
  EXPECT_EQ(value, 5u);
  ASSERT_EQ(m_device->DeleteStateBlock(token), D3D_OK);
  EXPECT_EQ(m_device->ApplyStateBlock(token), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->EndStateBlock(&token), D3DERR_INVALIDCALL);
}

TEST_F(DeviceStates, DrawingChecksItsRanges) {
  ComRef<IDirect3DVertexBuffer8> vb;
  ComRef<IDirect3DIndexBuffer8> ib;
  ASSERT_EQ(m_device->CreateVertexBuffer(3 * 32, 0, 0x112, D3DPOOL_DEFAULT, &vb), D3D_OK);
  ASSERT_EQ(m_device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib), D3D_OK);
  EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
  ASSERT_EQ(m_device->SetVertexShader(0x112), D3D_OK);
  ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 32), D3D_OK);
  ASSERT_EQ(m_device->SetIndices(ib.get(), 0), D3D_OK);
  ASSERT_EQ(m_device->BeginScene(), D3D_OK);
  EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
  EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 2), D3D_OK);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 3, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 3, 0, 3), D3D_OK);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 0), D3D_OK);
  ASSERT_EQ(m_device->EndScene(), D3D_OK);
  EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  m_device->SetStreamSource(0, nullptr, 0);
  m_device->SetIndices(nullptr, 0);
}

TEST_F(DeviceStates, SwapChainsHaveTheirOwnBackBuffer) {
  D3DPRESENT_PARAMETERS p{};
  p.Windowed = TRUE;
  p.SwapEffect = D3DSWAPEFFECT_COPY;
  p.BackBufferWidth = 320;
  p.BackBufferHeight = 200;
  ComRef<IDirect3DSwapChain8> chain;
  ASSERT_EQ(m_device->CreateAdditionalSwapChain(&p, &chain), D3D_OK);
  ComRef<IDirect3DSurface8> back, depth;
  ASSERT_EQ(chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 320u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(m_device->CreateDepthStencilSurface(320, 200, D3DFMT_D16, D3DMULTISAMPLE_NONE, &depth), D3D_OK);
  ASSERT_EQ(m_device->SetRenderTarget(back.get(), depth.get()), D3D_OK);
  ComRef<IDirect3DSurface8> current;
  ASSERT_EQ(m_device->GetRenderTarget(&current), D3D_OK);
  EXPECT_EQ(current.get(), back.get());
  EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}
