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

#include <atomic>

// Reference counting and QueryInterface for an object that implements one
// interface chain ending in IUnknown. Interface's own identifier is Iid; every
// base of Interface answers with the same object. A new object holds one
// reference; the last Release deletes it.
template <class Interface, const IID* Iid>
class TComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == *Iid || riid == IID_IUnknown) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return m_references.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  TComObject() = default;
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

 private:
  std::atomic<ULONG> m_references{1};
};
