// The process's Direct3D device object. This first layer holds one windowed
// device on a given window (NULL: no window) and answers what the scene
// library asks of it: the device and its limits.
#pragma once

#include <d3d8.h>

class CDXWindowedDevice {
 public:
  // Becomes the process's device object (g_pWindowedDevice).
  CDXWindowedDevice();
  ~CDXWindowedDevice();
  CDXWindowedDevice(const CDXWindowedDevice&) = delete;
  CDXWindowedDevice& operator=(const CDXWindowedDevice&) = delete;

  // Creates Direct3D and a windowed device with a small back buffer.
  HRESULT CreateD3DDevice(HWND window);
  void DestroyD3DDevice();

  // The device exists and is not lost.
  bool IsReady();
  // Not add-referenced: callers do not release it.
  IDirect3DDevice8* GetD3DDevice() const { return m_device; }
  DWORD GetMaxVertexIndex() const { return m_caps.MaxVertexIndex; }
  DWORD GetMaxPrimitiveCount() const { return m_caps.MaxPrimitiveCount; }

 private:
  IDirect3D8* m_direct3d = nullptr;
  IDirect3DDevice8* m_device = nullptr;
  D3DCAPS8 m_caps{};
};

extern CDXWindowedDevice* g_pWindowedDevice;
