// A world on the process's device, with frames and cameras for the tests of
// the camera, the cage, grid and boundary frames; views are drawn on the software
// rasterizer and their pictures kept.
#pragma once

#include <cameraframe.h>
#include <dx_doc.h>
#include <dxwindoweddevice.h>
#include <dxwrendersurface.h>
#include <materialpresets.h>
#include <simpleshape.h>
#include <xfiledatalist.h>

#include <functional>

#include "../gfx/gfx_test_support.h"

class StageTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 64, kHeight = 48;

  void SetUp() override {
    ASSERT_TRUE(kSoftwareRasterizer);
    ASSERT_EQ(m_device.CreateD3DDevice(nullptr), S_OK);
    ASSERT_TRUE(m_world.Initialize(nullptr, false));
  }
  void TearDown() override {
    m_world.DestroyContent(false);
    for (HWND window : m_windows) DestroyWindow(window);
  }

  // A frame in the world's content holding a box of the given size and
  // material at position.
  CFrame* AddBox(const D3DXVECTOR3& position, float w, float h, float d, D3DMATERIAL8 material) {
    auto* frame = new CFrame;
    frame->Initialize(nullptr, const_cast<char*>("BoxFrame"), CFrame::ePlainFrame, false);
    auto* box = new CBox;
    frame->AddChildObject(eOwnedChild, box, false);
    EXPECT_EQ(box->Initialize(w, h, d, &material, const_cast<char*>("Box"), 0, false), S_OK);
    return Place(frame, position);
  }
  CFrame* AddSphere(const D3DXVECTOR3& position, float radius, D3DMATERIAL8 material) {
    auto* frame = new CFrame;
    frame->Initialize(nullptr, const_cast<char*>("SphereFrame"), CFrame::ePlainFrame, false);
    auto* sphere = new CSphere;
    frame->AddChildObject(eOwnedChild, sphere, false);
    EXPECT_EQ(sphere->Initialize(radius, &material, const_cast<char*>("Sphere"), 0), S_OK);
    return Place(frame, position);
  }
  CFrame* Place(CFrame* frame, const D3DXVECTOR3& position) {
    D3DXVECTOR3 at = position;
    frame->SetTransformMatrix(&at, true, CFrame::eReplace);
    m_world.GetWorldContentFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
    frame->ComputeBoundingObjectsHierarchy(false, false, false);
    frame->ComputeAncestorsBoundingObjects(false, false, false);
    return frame;
  }

  // A used camera of a kWidth × kHeight view in the content frame, owned by
  // the world.
  CCameraFrame* AddCamera(D3DXVECTOR3 eye, D3DXVECTOR3 at, D3DXVECTOR3 up = {0, 1, 0}) {
    m_windows.push_back(MakeViewWindow(kWidth, kHeight));
    auto* camera = new CCameraFrame;
    EXPECT_TRUE(camera->Initialize(&eye, &at, &up, false, 1, 1, 1, 1, &m_world, m_windows.back(), nullptr, 100.0f,
                                   false));
    camera->SetCameraUsedFlag(true);
    return camera;
  }

  // One frame of the camera's view, as the 3D view draws it; then whatever
  // more draws.
  void DrawView(CCameraFrame* camera, Picture& picture, D3DCOLOR background = D3DCOLOR_XRGB(0, 0, 64),
                const std::function<void(IDirect3DDevice8*)>& more = nullptr) {
    IDirect3DDevice8* device = m_device.GetD3DDevice();
    ASSERT_EQ(camera->SetDeviceRenderSurface(false), S_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_TRUE(m_world.GetLightsManager()->EnableAllLights(device));
    EXPECT_EQ(camera->Render(m_doc, false), S_OK);
    if (more) more(device);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(D3D8SetPresentSink(camera->GetSwapChain(false), picture.Sink()), D3D_OK);
    ASSERT_EQ(camera->GetSwapChain(false)->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(picture.width, static_cast<UINT>(kWidth));
  }

  static D3DMATERIAL8 Glowing(float r, float g, float b) {
    D3DMATERIAL8 m{};
    m.Diffuse = {r, g, b, 1};
    m.Emissive = {r, g, b, 1};
    return m;
  }

  CDXWindowedDevice m_device;
  CXFileDataList m_world;
  // The document whose display options and settings the views draw with.
  CDXDoc* m_doc = nullptr;
  std::vector<HWND> m_windows;
};
