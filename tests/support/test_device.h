// A Direct3D device without a window, and a reference holder for COM
// interfaces, for tests.
#pragma once

#include <gtest/gtest.h>

#include "d3d8.h"

// Holds one reference and releases it when it goes.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* p) : m_p(p) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { Reset(); }

  void Reset() {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }
  // Takes over a reference.
  void Attach(T* p) {
    Reset();
    m_p = p;
  }
  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  T** operator&() {
    Reset();
    return &m_p;
  }
  explicit operator bool() const { return m_p != nullptr; }
  // The reference count without changing it.
  ULONG Count() const {
    m_p->AddRef();
    return m_p->Release();
  }

 private:
  T* m_p = nullptr;
};

// A windowed HAL device on a NULL window with software vertex processing.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_d3d.Attach(Direct3DCreate8(D3D_SDK_VERSION));
    ASSERT_TRUE(m_d3d);
    D3DPRESENT_PARAMETERS p{};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    p.BackBufferWidth = 2;
    p.BackBufferHeight = 2;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &p, &m_device),
              D3D_OK);
  }

  ComRef<IDirect3D8> m_d3d;
  ComRef<IDirect3DDevice8> m_device;
};
