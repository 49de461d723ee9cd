// The root interface of every COM object of the platform layer.
#pragma once

#include "windows.h"

// {00000000-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects go away through Release, never through delete on the interface.
  virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;
