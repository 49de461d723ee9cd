#include <camera_manager.h>
#include <cameraframe.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <xfiledatalist.h>

#include "../gfx/gfx_test_support.h"

namespace {

TEST(CameraManagerTest, MakesUsedCamerasInTheWorldAndTakesThemBack) {
  CDXWindowedDevice device;
  ASSERT_EQ(device.CreateD3DDevice(nullptr), S_OK);
  CXFileDataList world;
  ASSERT_TRUE(world.Initialize(nullptr, false));
  HWND window = MakeViewWindow(64, 48);
  {
    CCameraManager manager;
    CCameraFrame* camera = nullptr;
    EXPECT_FALSE(manager.CreateDefaultCamera(camera, window, true)) << "no world yet";
    EXPECT_EQ(camera, nullptr);
    ASSERT_TRUE(manager.Initialize(nullptr, &world));
    EXPECT_FALSE(manager.CreateDefaultCamera(camera, nullptr, true));
    ASSERT_TRUE(manager.CreateDefaultCamera(camera, window, true));
    ASSERT_NE(camera, nullptr);
    EXPECT_TRUE(camera->CameraIsUsed());
    EXPECT_EQ(camera->GetWorld(), &world);
    CCameraFrame* second = nullptr;
    ASSERT_TRUE(manager.CreateDefaultCamera(second, window, true));
    EXPECT_TRUE(manager.ReleaseCamera(camera));
    EXPECT_FALSE(manager.ReleaseCamera(camera)) << "released twice";
    EXPECT_EQ(manager.GetCameraCount(), 1u);
    EXPECT_TRUE(manager.DestroyContent(true));
    EXPECT_EQ(manager.GetCameraCount(), 0u);
  }
  world.DestroyContent(false);
  DestroyWindow(window);
}

}  // namespace
