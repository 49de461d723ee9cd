// A plain data object for the scene tests: named, of a chosen template, and
// counting its destructions.
#pragma once

#include <xfiledataobject.h>

namespace scene_test {

// {9C0A5B57-1F7E-4D2A-8C1B-3E5F7A9B0C11}
DEFINE_GUID(kProbeGuid, 0x9c0a5b57, 0x1f7e, 0x4d2a, 0x8c, 0x1b, 0x3e, 0x5f, 0x7a, 0x9b, 0x0c, 0x11);

class CProbe : public CXFileDataObject {
 public:
  explicit CProbe(const char* name, int* destroyed = nullptr, const GUID* guid = &kProbeGuid) : m_destroyed(destroyed) {
    Initialize(const_cast<char*>(name), guid, false);
  }
  ~CProbe() override {
    if (m_destroyed) ++*m_destroyed;
  }

 private:
  int* m_destroyed;
};

}  // namespace scene_test
