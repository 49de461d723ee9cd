#include <gtest/gtest.h>

#include <mmsystem.h>

#include <algorithm>

#include "gfx_test_support.h"
#include "viewfont.h"

namespace {

class ViewText : public WindowedDeviceTest {
 protected:
  void SetUp() override {
    WindowedDeviceTest::SetUp();
    ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
    m_window = MakeViewWindow(kWidth, kHeight);
    ASSERT_EQ(m_surface.Initialize(m_window), S_OK);
    ASSERT_EQ(D3D8SetPresentSink(m_surface.GetSwapChain(), m_picture.Sink()), D3D_OK);
  }
  void TearDown() override {
    m_surface.DestroyContent();
    DestroyWindow(m_window);
    WindowedDeviceTest::TearDown();
  }

  static constexpr int kWidth = 400, kHeight = 60;
  HWND m_window = nullptr;
  CDXWRenderSurface m_surface;
  Picture m_picture;
};

}  // namespace

TEST_F(ViewText, JobTextIsDrawnCentredInTheView) {
  IDirect3DDevice8* device = m_device.GetD3DDevice();
  ASSERT_EQ(m_device.SetRenderSurface(&m_surface), S_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  const RECT client = m_surface.GetRenderWindowRect();
  m_device.RenderText("Reducing triangles count", client, 1.0f, 1.0f, 0.0f, 150);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ASSERT_EQ(m_surface.GetSwapChain()->Present(&client, &client, nullptr, nullptr), D3D_OK);

  // The text's ink: yellow at half strength over the black background.
  int left = kWidth, right = -1, top = kHeight, bottom = -1, brightest = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const auto p = m_picture.At(x, y);
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      EXPECT_EQ(p[0], p[1]) << x << ", " << y;
      EXPECT_EQ(p[2], 0) << x << ", " << y;
      brightest = std::max(brightest, p[0]);
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  ASSERT_GE(right, 0) << "no text drawn";
  EXPECT_GE(brightest, 120);
  EXPECT_LE(brightest, 180);
  SIZE extent{};
  ASSERT_EQ(m_device.GetTextExtent("Reducing triangles count", &extent), S_OK);
  EXPECT_GT(right - left, extent.cx * 3 / 4);
  // Centred: the margins agree within the glyphs' own side bearings.
  EXPECT_NEAR(left, kWidth - 1 - right, 4);
  EXPECT_NEAR(top + bottom, kHeight, 8);
}

TEST_F(ViewText, GlyphTextureSizeFollowsTheHeight) {
  struct Case {
    DWORD height, size;
  };
  for (Case c : {Case{12, 256}, Case{21, 512}, Case{41, 1024}}) {
    CViewFont font("Arial", c.height, 1);
    ASSERT_EQ(font.CreateGlyphTexture(m_device.GetD3DDevice()), S_OK);
    EXPECT_EQ(font.GetTextureWidth(), c.size);
    EXPECT_FLOAT_EQ(font.GetTextScale(), 1.0f);
    SIZE one{}, two{};
    ASSERT_EQ(font.GetTextExtent("W", &one), S_OK);
    ASSERT_EQ(font.GetTextExtent("W\nWW", &two), S_OK);
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(two.cx, 2 * one.cx);
    EXPECT_EQ(two.cy, 2 * one.cy);
  }
  CViewFont font("Arial", 12, 0);
  EXPECT_EQ(font.GetTextExtent(nullptr, nullptr), E_FAIL);
  EXPECT_EQ(font.DrawViewText(0, 0, 0, "x", 0), E_FAIL);
  EXPECT_THROW(font.DrawTimedText(0, 0, "x", 1, 1, 1, 100), const char*);
}

TEST_F(ViewText, LongTextsAreDrawnInBatches) {
  IDirect3DDevice8* device = m_device.GetD3DDevice();
  ASSERT_EQ(m_device.SetRenderSurface(&m_surface), S_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  const std::string text(60, 'I');  // more than one buffer of 50 characters
  ASSERT_EQ(m_device.OutputText(2, 2, D3DCOLOR_ARGB(255, 255, 255, 255), text.c_str(), 0), S_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ASSERT_EQ(m_surface.GetSwapChain()->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  SIZE extent{};
  ASSERT_EQ(m_device.GetTextExtent(text.c_str(), &extent), S_OK);
  ASSERT_LT(extent.cx, kWidth);
  int inkRight = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (m_picture.At(x, y)[0] > 0) inkRight = std::max(inkRight, x);
  EXPECT_GT(inkRight, 2 + extent.cx * 9 / 10) << "the last characters are drawn too";
  // The render states are the caller's again.
  DWORD blend = TRUE;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(blend, static_cast<DWORD>(FALSE));
}
