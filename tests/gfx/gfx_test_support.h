// The device object of the views for tests: created on the software
// rasterizer through the device choice with the user interface's confirm
// rule, its creation log removed afterwards; view windows of a given size.
#pragma once

#include <gtest/gtest.h>

#include <appfiles.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dxwindoweddevice.h"
#include "dxwrendersurface.h"
#include "render_test.h"

// The user interface's rule: windowed rendering, blending, and neither pure
// nor hardware vertex processing.
inline HRESULT ConfirmAsTheViewsDo(IDirect3D8*, D3DCAPS8* caps, DWORD behavior, D3DFORMAT) {
  if (!(caps->Caps2 & D3DCAPS2_CANRENDERWINDOWED)) return E_FAIL;
  if (behavior & (D3DCREATE_PUREDEVICE | D3DCREATE_HARDWARE_VERTEXPROCESSING)) return E_FAIL;
  if (!(caps->SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) || !(caps->SrcBlendCaps & D3DPBLENDCAPS_INVSRCALPHA))
    return E_FAIL;
  return S_OK;
}

inline std::filesystem::path DeviceCreationLogPath() {
  return std::filesystem::path(static_cast<const char*>(GetAppDirectory())) / "DeviceCreationLog.txt";
}

// The log's text with its line breaks read back as "\n".
inline std::string ReadDeviceCreationLog() {
  std::ifstream in(DeviceCreationLogPath(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  std::string out;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
  return out;
}

// A window without a screen whose client area is width × height.
inline HWND MakeViewWindow(int width, int height) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "GfxTestView";
    return RegisterClassA(&wc) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowExA(0, "GfxTestView", "", 0, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
}

class WindowedDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kSoftwareRasterizer); }
  void TearDown() override {
    m_device.DestroyObjects();
    std::error_code ignored;
    std::filesystem::remove(DeviceCreationLogPath(), ignored);
  }

  CDXWindowedDevice m_device;
};
