#include <gtest/gtest.h>

#include <vector>

#include "gfx_test_support.h"

namespace {

struct ColourVertex {
  float x, y, z;
  D3DCOLOR colour;
};
constexpr DWORD kColourVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// A square of half-size 1 facing the eye at distance 5 along the axis.
std::vector<ColourVertex> SquareOnAxis(float z, D3DCOLOR colour) {
  // Clockwise as seen from the origin, whichever way along z it lies.
  const float s = z > 0 ? 1.0f : -1.0f;
  return {{-s, 1, z, colour}, {s, 1, z, colour}, {-s, -1, z, colour},
          {s, 1, z, colour},  {s, -1, z, colour}, {-s, -1, z, colour}};
}

class RenderSurfaces : public WindowedDeviceTest {
 protected:
  void SetUp() override {
    WindowedDeviceTest::SetUp();
    ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
  }
  void TearDown() override {
    for (HWND window : m_windows) DestroyWindow(window);
    WindowedDeviceTest::TearDown();
  }
  HWND Window(int width, int height) {
    m_windows.push_back(MakeViewWindow(width, height));
    return m_windows.back();
  }

  // One frame of a view: its surface and projection, a camera looking along
  // direction z (+1 or -1), both squares drawn, presented.
  void DrawView(CDXWRenderSurface& surface, float direction, Picture& picture) {
    IDirect3DDevice8* device = m_device.GetD3DDevice();
    ASSERT_EQ(m_device.SetRenderSurface(&surface), S_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0), D3D_OK);
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, direction), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetVertexShader(kColourVertexFvf);
    const auto ahead = SquareOnAxis(5, D3DCOLOR_XRGB(255, 0, 0));
    const auto behind = SquareOnAxis(-5, D3DCOLOR_XRGB(0, 255, 0));
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, ahead.data(), sizeof(ColourVertex)), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, behind.data(), sizeof(ColourVertex)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(D3D8SetPresentSink(surface.GetSwapChain(), picture.Sink()), D3D_OK);
    const RECT client = surface.GetRenderWindowRect();
    ASSERT_EQ(surface.GetSwapChain()->Present(&client, &client, nullptr, nullptr), D3D_OK);
  }

  std::vector<HWND> m_windows;
};

}  // namespace

TEST_F(RenderSurfaces, EachViewGetsASwapChainOfItsWindowsSize) {
  CDXWRenderSurface surface;
  ASSERT_EQ(surface.Initialize(Window(120, 90)), S_OK);
  EXPECT_TRUE(surface.SurfaceIsReady());
  D3DSURFACE_DESC back{}, depth{};
  ASSERT_EQ(surface.GetBackBuffer()->GetDesc(&back), D3D_OK);
  ASSERT_EQ(surface.GetZBuffer()->GetDesc(&depth), D3D_OK);
  EXPECT_EQ(back.Width, 120u);
  EXPECT_EQ(back.Height, 90u);
  EXPECT_EQ(depth.Width, 120u);
  EXPECT_EQ(depth.Format, m_device.GetDepthBufferDesc().Format);
  EXPECT_FLOAT_EQ(surface.GetViewingFrustum()->GetNearPlane(), 0.01f);
  EXPECT_FLOAT_EQ(surface.GetViewingFrustum()->GetFarPlane(), 100.0f);
  IDirect3DSurface8* borrowed = nullptr;
  ASSERT_EQ(surface.GetRenderSurface(borrowed), D3D_OK);
  EXPECT_EQ(borrowed, surface.GetBackBuffer());

  // A minimised window still gets a 1 × 1 chain; the planes survive.
  surface.SetFrustumDepth(50.0f, 0.0f);
  MoveWindow(m_windows.back(), 0, 0, 0, 0, FALSE);
  ASSERT_EQ(surface.Resize(), S_OK);
  ASSERT_EQ(surface.GetBackBuffer()->GetDesc(&back), D3D_OK);
  EXPECT_EQ(back.Width, 1u);
  EXPECT_EQ(back.Height, 1u);
  EXPECT_FLOAT_EQ(surface.GetViewingFrustum()->GetNearPlane(), 0.1f);
  EXPECT_FLOAT_EQ(surface.GetViewingFrustum()->GetFarPlane(), 50.0f);
}

TEST_F(RenderSurfaces, TwoViewsShowTwoCamerasOfOneDevice) {
  CDXWRenderSurface front, back;
  ASSERT_EQ(front.Initialize(Window(80, 60)), S_OK);
  ASSERT_EQ(back.Initialize(Window(40, 30)), S_OK);
  Picture frontPicture, backPicture;
  DrawView(front, 1.0f, frontPicture);
  DrawView(back, -1.0f, backPicture);
  ASSERT_EQ(frontPicture.width, 80u);
  ASSERT_EQ(backPicture.width, 40u);
  EXPECT_TRUE(ColourNear(frontPicture, 40, 30, {255, 0, 0}, 0));
  EXPECT_TRUE(ColourNear(frontPicture, 2, 2, {0, 0, 0}, 0));
  EXPECT_TRUE(ColourNear(backPicture, 20, 15, {0, 255, 0}, 0));
  EXPECT_TRUE(ColourNear(backPicture, 1, 1, {0, 0, 0}, 0));
  // The first view's picture stays as it was drawn.
  Picture again;
  ASSERT_EQ(D3D8SetPresentSink(front.GetSwapChain(), again.Sink()), D3D_OK);
  ASSERT_EQ(front.GetSwapChain()->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_TRUE(ColourNear(again, 40, 30, {255, 0, 0}, 0));
}

TEST_F(RenderSurfaces, SavedBackBufferRepaintsTheView) {
  CDXWRenderSurface surface;
  ASSERT_EQ(surface.Initialize(Window(48, 32)), S_OK);
  EXPECT_THROW(surface.RestoreBackBuffer(), const char*);  // nothing saved yet
  Picture picture;
  DrawView(surface, 1.0f, picture);
  surface.CopyBackBuffer();
  IDirect3DDevice8* device = m_device.GetD3DDevice();
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.0f, 0), D3D_OK);
  surface.RestoreBackBuffer();
  ASSERT_EQ(surface.GetSwapChain()->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_TRUE(ColourNear(picture, 24, 16, {255, 0, 0}, 0));
  EXPECT_TRUE(ColourNear(picture, 1, 1, {0, 0, 0}, 0));
}

TEST_F(RenderSurfaces, DestroyingASurfacePutsTheDeviceBuffersBack) {
  auto surface = std::make_unique<CDXWRenderSurface>();
  ASSERT_EQ(surface->Initialize(Window(16, 16)), S_OK);
  ASSERT_EQ(m_device.SetRenderSurface(surface.get()), S_OK);
  surface.reset();
  IDirect3DSurface8* target = nullptr;
  ASSERT_EQ(m_device.GetD3DDevice()->GetRenderTarget(&target), D3D_OK);
  D3DSURFACE_DESC desc{};
  target->GetDesc(&desc);
  target->Release();
  EXPECT_EQ(desc.Width, 2u);
}
