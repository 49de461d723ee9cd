// Drawing tests: a device on the software rasterizer (the same pixels on
// every machine), one view of a given size with its depth buffer, and the
// presented picture kept for reading pixels back.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "d3d8present.h"
#include "test_device.h"

// Before any OpenGL display exists: every drawing test program includes this.
inline const bool kSoftwareRasterizer = [] {
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  return true;
}();

// A presented picture: RGBA rows, the top row first.
struct Picture {
  UINT width = 0, height = 0;
  std::vector<BYTE> rgba;
  int presented = 0;

  std::array<int, 4> At(UINT x, UINT y) const {
    const BYTE* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
  // The sink that keeps the last picture presented.
  D3D8PresentSink Sink() {
    return [this](const D3D8Image& image) {
      width = image.Width;
      height = image.Height;
      rgba.resize(static_cast<size_t>(width) * height * 4);
      for (UINT row = 0; row < height; ++row)
        std::copy_n(image.Rgba + static_cast<size_t>(row) * image.Pitch, width * 4, &rgba[row * width * 4]);
      ++presented;
    };
  }
};

// Red, green and blue within tolerance of the expected.
inline ::testing::AssertionResult ColourNear(const Picture& picture, UINT x, UINT y, std::array<int, 3> expected,
                                             int tolerance = 8) {
  if (x >= picture.width || y >= picture.height)
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") outside the picture";
  const auto got = picture.At(x, y);
  for (int c = 0; c < 3; ++c)
    if (std::abs(got[c] - expected[c]) > tolerance)
      return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got[0] << ", " << got[1]
                                           << ", " << got[2] << "), expected (" << expected[0] << ", "
                                           << expected[1] << ", " << expected[2] << ")";
  return ::testing::AssertionSuccess();
}

// One view of kWidth × kHeight pixels on a HAL device, as the views draw:
// an additional swap chain with its own depth buffer as the render target.
class RenderTest : public DeviceTest {
 protected:
  static constexpr UINT kWidth = 64, kHeight = 48;

  void SetUp() override {
    ASSERT_TRUE(kSoftwareRasterizer);
    DeviceTest::SetUp();
    ASSERT_TRUE(m_device);
    D3DPRESENT_PARAMETERS p{};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    p.BackBufferWidth = kWidth;
    p.BackBufferHeight = kHeight;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    ASSERT_EQ(m_device->CreateAdditionalSwapChain(&p, &m_chain), D3D_OK);
    ASSERT_EQ(m_chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_back), D3D_OK);
    ASSERT_EQ(m_device->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &m_depth),
              D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(m_back.get(), m_depth.get()), D3D_OK);
    ASSERT_EQ(D3D8SetPresentSink(m_chain.get(), m_picture.Sink()), D3D_OK);
  }

  void TearDown() override {
    if (m_device) {
      m_device->SetStreamSource(0, nullptr, 0);
      m_device->SetIndices(nullptr, 0);
      m_device->SetTexture(0, nullptr);
    }
  }

  // Clears to the background, draws, presents.
  template <class Draw>
  void Frame(D3DCOLOR background, Draw draw) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    draw();
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_chain->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(m_picture.width, kWidth);
    ASSERT_EQ(m_picture.height, kHeight);
  }

  ComRef<IDirect3DSwapChain8> m_chain;
  ComRef<IDirect3DSurface8> m_back, m_depth;
  Picture m_picture;
};
