#include <gtest/gtest.h>

#include <afx.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx_test_support.h"

namespace {

const char kNoDeviceText[] =
    "\n\nFailed to find a valid Direct3D device.   You will be able to use Qorvex Vorever if you change your "
    "desktop display mode to match one of the valid adapter display modes that are listed in this log file.  To "
    "change your desktop display mode, right click on the desktop, select the settings tab and change the screen "
    "area and/or the colors depth.  Apply the changes then close and launch Qorvex Vorever again.";

// A Direct3D object in front of the real one that tests change the answers
// of: more adapters, modes and formats than the device list holds, a long
// adapter description, and a HAL whose only depth format the device cannot
// make.
class CFrontDirect3D : public TComObject<IDirect3D8, &IID_IDirect3D8> {
 public:
  static inline UINT adapters = 1;
  static inline UINT extraModes = 0;
  static inline bool longDescription = false;
  static inline bool halDepthUnusable = false;
  static inline IDirect3DDevice8* halDevice = nullptr;  // holds a reference

  static IDirect3D8* Create(UINT version) {
    IDirect3D8* real = Direct3DCreate8(version);
    return real ? new CFrontDirect3D(real) : nullptr;
  }

  explicit CFrontDirect3D(IDirect3D8* real) : m_real(real) {}
  ~CFrontDirect3D() override { m_real->Release(); }

  UINT GetAdapterCount() override { return adapters; }
  HRESULT GetAdapterIdentifier(UINT, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) override {
    const HRESULT hr = m_real->GetAdapterIdentifier(0, flags, identifier);
    if (SUCCEEDED(hr) && longDescription) {
      std::memset(identifier->Description, 'd', sizeof(identifier->Description));  // no terminator
    }
    return hr;
  }
  UINT GetAdapterModeCount(UINT) override { return m_real->GetAdapterModeCount(0) + extraModes; }
  HRESULT EnumAdapterModes(UINT, UINT mode, D3DDISPLAYMODE* displayMode) override {
    const UINT real = m_real->GetAdapterModeCount(0);
    if (mode < real) return m_real->EnumAdapterModes(0, mode, displayMode);
    const UINT i = mode - real;
    *displayMode = {640 + i, 480, 60, static_cast<D3DFORMAT>(200 + i % 40)};
    return D3D_OK;
  }
  HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override { return m_real->GetAdapterDisplayMode(0, mode); }
  HRESULT CheckDeviceType(UINT, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT back, BOOL windowed) override {
    return m_real->CheckDeviceType(0, type, display, back, windowed);
  }
  HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE resource,
                            D3DFORMAT format) override {
    if (halDepthUnusable && type == D3DDEVTYPE_HAL && (usage & D3DUSAGE_DEPTHSTENCIL))
      return format == D3DFMT_D24X4S4 ? D3D_OK : D3DERR_NOTAVAILABLE;
    return m_real->CheckDeviceFormat(0, type, adapterFormat, usage, resource, format);
  }
  HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT target,
                                 D3DFORMAT depth) override {
    if (halDepthUnusable && type == D3DDEVTYPE_HAL) return depth == D3DFMT_D24X4S4 ? D3D_OK : D3DERR_NOTAVAILABLE;
    return m_real->CheckDepthStencilMatch(0, type, adapterFormat, target, depth);
  }
  HRESULT GetDeviceCaps(UINT, D3DDEVTYPE type, D3DCAPS8* caps) override { return m_real->GetDeviceCaps(0, type, caps); }
  HRESULT CreateDevice(UINT, D3DDEVTYPE type, HWND window, DWORD behavior, D3DPRESENT_PARAMETERS* parameters,
                       IDirect3DDevice8** device) override {
    const HRESULT hr = m_real->CreateDevice(0, type, window, behavior, parameters, device);
    if (SUCCEEDED(hr) && type == D3DDEVTYPE_HAL && !halDevice) {
      halDevice = *device;
      halDevice->AddRef();
    }
    return hr;
  }

 private:
  IDirect3D8* m_real;
};

class DeviceChoice : public WindowedDeviceTest {
 protected:
  void SetUp() override {
    WindowedDeviceTest::SetUp();
    CFrontDirect3D::adapters = 1;
    CFrontDirect3D::extraModes = 0;
    CFrontDirect3D::longDescription = false;
    CFrontDirect3D::halDepthUnusable = false;
    CFrontDirect3D::halDevice = nullptr;
  }
  void TearDown() override {
    WindowedDeviceTest::TearDown();
    CDXWindowedDevice::SetDirect3DCreator(nullptr);
    if (CFrontDirect3D::halDevice) CFrontDirect3D::halDevice->Release();
    CFrontDirect3D::halDevice = nullptr;
  }
};

HRESULT RejectEverything(IDirect3D8*, D3DCAPS8*, DWORD, D3DFORMAT) { return E_FAIL; }

}  // namespace

TEST_F(DeviceChoice, CreatesTheDeviceAndLogsWhatItFoundAndChose) {
  ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
  EXPECT_TRUE(m_device.IsReady());
  EXPECT_EQ(g_pWindowedDevice, &m_device);
  ASSERT_NE(m_device.GetD3DDevice(), nullptr);
  EXPECT_TRUE(m_device.ZBufferCreated());
  EXPECT_EQ(m_device.GetPresentationParameters().BackBufferWidth, 2u);
  EXPECT_EQ(m_device.GetBackBufferDesc().Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(m_device.GetDepthBufferDesc().Format, D3DFMT_D16);
  EXPECT_TRUE(m_device.DirectionalLightsSupported());
  EXPECT_EQ(m_device.IsNullReferenceDevice(), 0u);
  EXPECT_GT(m_device.GetMaxVertexIndex(), 0xFFFFu);
  // The views' rule leaves mixed vertex processing on the HAL.
  EXPECT_EQ(std::string(m_device.GetDeviceStats()).rfind("HAL (mixed vp): ", 0), 0u) << m_device.GetDeviceStats();

  const std::string log = ReadDeviceCreationLog();
  const std::string date = static_cast<const char*>(CTime::GetCurrentTime().Format("%A, %B %d, %Y"));
  EXPECT_EQ(log.rfind(date, 0), 0u) << log;
  D3DADAPTER_IDENTIFIER8 identifier{};
  ASSERT_EQ(m_device.GetDirect3D()->GetAdapterIdentifier(0, 0, &identifier), D3D_OK);
  const std::vector<std::string> lines = {
      "\n\nCurrent desktop display mode:\n1280 by 1024 pixels, True Color (32 bit), 60 Hertz",
      std::string("\n\nValid display modes of the adapter ") + identifier.Driver + ".",
      // By format, the larger value (R5G6B5) first, then by size.
      "\n\nHAL device.\n640 by 480 pixels, High Color (16 bit)\n800 by 600 pixels, High Color (16 bit)",
      "\n1280 by 1024 pixels, High Color (16 bit)\n640 by 480 pixels, True Color (32 bit)",
      "\n\nThis device can render in the current desktop display mode.",
      "\n\nREF device.",
      "\n\nThe selected device is:",
      std::string("\nAdapter ") + identifier.Driver + ".\nHAL device.\n1280 by 1024 pixels, True Color (32 bit)",
      "\nCreating a device with mixed (both software and hardware) vertex processing.",
      "\n\nCapabilities of the created 3D device:\nA HAL device is selected.\nCapable of rendering in windowed "
      "mode.\nSupports the desired blending capabilities.\nThe driver supports depth buffering through "
      "z-buffers.\nThe depth format is compatible.\nThe device supports z-bias values.\nThe device supports "
      "directional lights.",
      m_device.GetDeviceStats(),
  };
  size_t at = 0;
  for (const std::string& line : lines) {
    const size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing in order: " << line << "\nlog:\n" << log;
    at = found + line.size();
  }
  EXPECT_EQ(log.find("Switching"), std::string::npos);

  // A second Create starts the log again from the date.
  ASSERT_EQ(m_device.DestroyObjects(), 0);
  EXPECT_FALSE(m_device.IsReady());
  ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
  EXPECT_EQ(ReadDeviceCreationLog().rfind(date, 0), 0u);
}

TEST_F(DeviceChoice, NoConfirmedModeFailsWithTheAdviceInTheLog) {
  AfxRegisterString(61487, kNoDeviceText);
  EXPECT_EQ(m_device.Create(nullptr, RejectEverything), E_FAIL);
  EXPECT_FALSE(m_device.IsReady());
  EXPECT_EQ(m_device.GetD3DDevice(), nullptr);
  EXPECT_EQ(m_device.GetDirect3D(), nullptr);
  const std::string log = ReadDeviceCreationLog();
  EXPECT_NE(log.find("\n\nHAL device."), std::string::npos);
  EXPECT_NE(log.find(kNoDeviceText), std::string::npos) << log;
  EXPECT_EQ(log.find("The selected device is:"), std::string::npos);
  EXPECT_EQ(log.find("Capabilities of the created 3D device:"), std::string::npos);
}

TEST_F(DeviceChoice, ListsStopAtTheirCapacityAndTheStatisticsTextAtItsRoom) {
  CFrontDirect3D::adapters = 14;
  CFrontDirect3D::extraModes = 400;
  CFrontDirect3D::longDescription = true;
  CDXWindowedDevice::SetDirect3DCreator(CFrontDirect3D::Create);
  ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
  EXPECT_EQ(std::strlen(m_device.GetDeviceStats()), 89u);
  EXPECT_EQ(std::string(m_device.GetDeviceStats()).rfind("HAL (mixed vp): ddd", 0), 0u);
  const std::string log = ReadDeviceCreationLog();
  size_t adaptersLogged = 0;
  for (size_t at = log.find("Valid display modes of the adapter"); at != std::string::npos;
       at = log.find("Valid display modes of the adapter", at + 1))
    ++adaptersLogged;
  EXPECT_EQ(adaptersLogged, 10u);
}

TEST_F(DeviceChoice, HalFailureSwitchesToTheReferenceDeviceAndReleasesTheFirst) {
  CFrontDirect3D::halDepthUnusable = true;
  CDXWindowedDevice::SetDirect3DCreator(CFrontDirect3D::Create);
  ASSERT_EQ(m_device.Create(nullptr, ConfirmAsTheViewsDo), S_OK);
  D3DDEVICE_CREATION_PARAMETERS creation{};
  ASSERT_EQ(m_device.GetD3DDevice()->GetCreationParameters(&creation), D3D_OK);
  EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_REF);
  EXPECT_EQ(m_device.GetDepthBufferDesc().Format, D3DFMT_D16);
  EXPECT_EQ(std::string(m_device.GetDeviceStats()), "REF (simulated mixed vp)");
  // Only this test's reference keeps the HAL device.
  ASSERT_NE(CFrontDirect3D::halDevice, nullptr);
  CFrontDirect3D::halDevice->AddRef();
  EXPECT_EQ(CFrontDirect3D::halDevice->Release(), 1u);
  const std::string log = ReadDeviceCreationLog();
  const size_t switched = log.find("\n\nSwitching from HAL to the reference rasterizer.");
  ASSERT_NE(switched, std::string::npos) << log;
  EXPECT_NE(log.find("\nA REF device is selected, Microsoft® Direct3D® features are implemented in software.", switched),
            std::string::npos);
}

TEST(DeviceText, DisplayModeDescriptionsAsTheLogWritesThem) {
  struct Case {
    D3DDISPLAYMODE mode;
    const char* text;
  };
  for (const Case& c : {Case{{1024, 768, 75, D3DFMT_R5G6B5}, "\n1024 by 768 pixels, High Color (16 bit), 75 Hertz"},
                        Case{{800, 600, 0, D3DFMT_R8G8B8}, "\n800 by 600 pixels, True Color (24 bit)"},
                        Case{{640, 480, 60, D3DFMT_R3G3B2}, "\n640 by 480 pixels, 256 Colors, 60 Hertz"},
                        Case{{640, 480, 0, D3DFMT_A8}, "\n640 by 480 pixels"}})
    EXPECT_STREQ(CDXWindowedDevice::GetDisplayModeDescription(c.mode), c.text);
  const D3DModeInfo info{1280, 1024, D3DFMT_X8R8G8B8, D3DCREATE_SOFTWARE_VERTEXPROCESSING, D3DFMT_D16};
  EXPECT_STREQ(CDXWindowedDevice::GetD3DModeInfoDescription(info), "\n1280 by 1024 pixels, True Color (32 bit)");
}
