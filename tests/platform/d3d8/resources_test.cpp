#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "d3d8resources.h"
#include "test_device.h"

using Direct3DResources = DeviceTest;

TEST(Direct3D, CreatesOnlyForItsVersion) {
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION - 1), nullptr);
  ComRef<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
  ASSERT_TRUE(d3d);
  EXPECT_EQ(d3d.Count(), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_GE(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT), 1u);
  ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 0, &mode), D3D_OK);
  EXPECT_GE(mode.Width, 640u);
  EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 99, &mode), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D16),
            D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);
  D3DCAPS8 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, &caps), D3D_OK);
  EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
  EXPECT_TRUE(caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
  EXPECT_GT(caps.MaxVertexIndex, 0xFFFFu);
  EXPECT_FALSE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE);
}

TEST_F(Direct3DResources, GettersAddAReference) {
  EXPECT_EQ(m_device.Count(), 1u);
  ComRef<IDirect3D8> d3d;
  ASSERT_EQ(m_device->GetDirect3D(&d3d), D3D_OK);
  EXPECT_EQ(d3d.get(), m_d3d.get());
  EXPECT_EQ(m_d3d.Count(), 3u);  // the test, the device, the getter

  ComRef<IDirect3DVertexBuffer8> vb;
  ASSERT_EQ(m_device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb), D3D_OK);
  EXPECT_EQ(vb.Count(), 1u);
  ComRef<IDirect3DDevice8> owner;
  ASSERT_EQ(vb->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner.get(), m_device.get());
  EXPECT_EQ(m_device.Count(), 2u);
  owner.Reset();

  ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 12), D3D_OK);
  EXPECT_EQ(vb.Count(), 2u);
  ComRef<IDirect3DVertexBuffer8> bound;
  UINT stride = 0;
  ASSERT_EQ(m_device->GetStreamSource(0, &bound, &stride), D3D_OK);
  EXPECT_EQ(bound.get(), vb.get());
  EXPECT_EQ(stride, 12u);
  EXPECT_EQ(vb.Count(), 3u);
  bound.Reset();
  ASSERT_EQ(m_device->SetStreamSource(0, nullptr, 0), D3D_OK);
  EXPECT_EQ(vb.Count(), 1u);

  ComRef<IDirect3DSurface8> back;
  ASSERT_EQ(m_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  EXPECT_EQ(back.Count(), 3u);  // the device holds it as back buffer and as render target
}

TEST_F(Direct3DResources, ResourcesOutliveTheirDevice) {
  ComRef<IDirect3DIndexBuffer8> ib;
  ASSERT_EQ(m_device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &ib), D3D_OK);
  m_device.Reset();
  BYTE* data = nullptr;
  EXPECT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(ib->Unlock(), D3D_OK);
  ComRef<IDirect3DDevice8> owner;
  EXPECT_EQ(ib->GetDevice(&owner), D3DERR_INVALIDCALL);
  EXPECT_FALSE(owner);
}

TEST_F(Direct3DResources, BuffersStartZeroedAndLockWithoutCopying) {
  ComRef<IDirect3DVertexBuffer8> vb;
  ASSERT_EQ(m_device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_DEFAULT, &vb), D3D_OK);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 96u);
  EXPECT_EQ(desc.FVF, 0x112u);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(desc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));

  EXPECT_EQ(D3D8ChangeCount(vb.get()), 0u);
  BYTE* first = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &first, 0), D3D_OK);
  EXPECT_EQ(D3D8ChangeCount(vb.get()), 1u);
  for (int i = 0; i < 96; ++i) ASSERT_EQ(first[i], 0) << i;
  first[95] = 7;
  BYTE* again = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &again, D3DLOCK_READONLY), D3D_OK);  // several locks at once, read-only in DEFAULT
  EXPECT_EQ(again, first);
  EXPECT_EQ(again[95], 7);
  EXPECT_EQ(D3D8ChangeCount(vb.get()), 1u);  // reading changes nothing
  BYTE* part = nullptr;
  ASSERT_EQ(vb->Lock(32, 32, &part, 0), D3D_OK);
  EXPECT_EQ(part, first + 32);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DResources, RefusesBadBuffers) {
  ComRef<IDirect3DVertexBuffer8> vb;
  EXPECT_EQ(m_device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateVertexBuffer(32, 0, 0, static_cast<D3DPOOL>(9), &vb), D3DERR_INVALIDCALL);
  ComRef<IDirect3DIndexBuffer8> ib;
  EXPECT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib), D3DERR_INVALIDCALL);
  EXPECT_FALSE(ib);
  ASSERT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib), D3D_OK);
  D3DINDEXBUFFER_DESC desc{};
  ASSERT_EQ(ib->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
  struct Range {
    UINT offset, size;
  };
  for (Range r : {Range{13, 0}, Range{0, 13}, Range{8, 8}, Range{0xFFFFFFF0u, 0x20}}) {
    BYTE* data = reinterpret_cast<BYTE*>(1);
    EXPECT_EQ(ib->Lock(r.offset, r.size, &data, 0), D3DERR_INVALIDCALL) << r.offset << "+" << r.size;
    EXPECT_EQ(data, nullptr);
  }
  EXPECT_EQ(ib->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DResources, TexturesHaveLevelsAndSurfaces) {
  ComRef<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(8, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  ASSERT_EQ(texture->GetLevelCount(), 4u);  // 8×2, 4×1, 2×1, 1×1
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(2, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 2u);
  EXPECT_EQ(desc.Height, 1u);
  EXPECT_EQ(texture->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);

  D3DLOCKED_RECT locked{};
  const RECT corner{2, 1, 4, 2};
  ASSERT_EQ(texture->LockRect(0, &locked, &corner, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 32);
  static_cast<DWORD*>(locked.pBits)[0] = 0xAABBCCDD;
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(D3D8ChangeCount(texture.get()), 1u);
  const RECT outside{6, 0, 9, 1};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);

  ComRef<IDirect3DSurface8> level;
  ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
  EXPECT_EQ(texture.Count(), 2u);  // the surface keeps its texture
  texture.Reset();
  ASSERT_EQ(level->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<DWORD*>(locked.pBits)[8 + 2], 0xAABBCCDDu);
  ASSERT_EQ(level->UnlockRect(), D3D_OK);

  EXPECT_EQ(m_device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DResources, CopiesRectsBetweenSurfaces) {
  ComRef<IDirect3DSurface8> from, to;
  ASSERT_EQ(m_device->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &from), D3D_OK);
  ASSERT_EQ(m_device->CreateImageSurface(2, 2, D3DFMT_X8R8G8B8, &to), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(from->LockRect(&locked, nullptr, 0), D3D_OK);
  for (DWORD i = 0; i < 16; ++i) static_cast<DWORD*>(locked.pBits)[i] = i;
  from->UnlockRect();
  const RECT source{1, 2, 3, 4};
  const POINT origin{0, 0};
  ASSERT_EQ(m_device->CopyRects(from.get(), &source, 1, to.get(), &origin), D3D_OK);
  ASSERT_EQ(to->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const DWORD* pixels = static_cast<const DWORD*>(locked.pBits);
  EXPECT_EQ(pixels[0], 9u);
  EXPECT_EQ(pixels[1], 10u);
  EXPECT_EQ(pixels[2], 13u);
  EXPECT_EQ(pixels[3], 14u);
  to->UnlockRect();
  EXPECT_EQ(m_device->CopyRects(from.get(), nullptr, 0, to.get(), nullptr), D3DERR_INVALIDCALL);  // too large
  ComRef<IDirect3DSurface8> other;
  ASSERT_EQ(m_device->CreateImageSurface(2, 2, D3DFMT_R5G6B5, &other), D3D_OK);
  EXPECT_EQ(m_device->CopyRects(to.get(), nullptr, 0, other.get(), nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DResources, JobThreadFillsABufferWhileTheMainThreadReadsAnother) {
  constexpr UINT kBytes = 1 << 16;
  ComRef<IDirect3DVertexBuffer8> shown, built;
  ASSERT_EQ(m_device->CreateVertexBuffer(kBytes, 0, 0, D3DPOOL_DEFAULT, &shown), D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(shown->Lock(0, 0, &data, 0), D3D_OK);
  std::memset(data, 0x5A, kBytes);
  shown->Unlock();

  HRESULT jobResult = E_FAIL;
  std::thread job([&] {
    IDirect3DVertexBuffer8* vb = nullptr;
    jobResult = m_device->CreateVertexBuffer(kBytes, 0, 0, D3DPOOL_SYSTEMMEM, &vb);
    if (FAILED(jobResult)) return;
    for (int round = 0; round < 50 && SUCCEEDED(jobResult); ++round) {
      BYTE* out = nullptr;
      jobResult = vb->Lock(0, 0, &out, 0);
      if (SUCCEEDED(jobResult)) std::memset(out, round, kBytes);
      vb->Unlock();
    }
    built.Attach(vb);
  });
  bool intact = true;
  for (int round = 0; round < 50; ++round) {
    const BYTE* in = nullptr;
    ASSERT_EQ(shown->Lock(0, 0, const_cast<BYTE**>(&in), D3DLOCK_READONLY), D3D_OK);
    for (UINT i = 0; i < kBytes; i += 4096) intact = intact && in[i] == 0x5A;
    shown->Unlock();
    DWORD fill = 0;
    m_device->GetRenderState(D3DRS_FILLMODE, &fill);
    m_device->SetRenderState(D3DRS_FILLMODE, fill);
  }
  job.join();
  EXPECT_TRUE(intact);
  ASSERT_EQ(jobResult, D3D_OK);
  ASSERT_EQ(built->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(data[kBytes - 1], 49);
  built->Unlock();
}
