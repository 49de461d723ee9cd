// The frame as far as the jobs read it (name and active counts), until the
// scene library's frame takes the place of this header.
#pragma once

#include <windows.h>

class CFrame {
 public:
  HRESULT Initialize(char* name) {
    m_name = name;
    return S_OK;
  }
  char* GetName() const { return m_name; }
  DWORD GetActiveVerticesCount(bool) { return 0; }
  DWORD GetActiveTrianglesCount(bool) { return 0; }
  DWORD GetActiveHalfEdgesCount() { return 0; }
  DWORD GetActiveEdgesCount() { return 0; }

 private:
  char* m_name = nullptr;
};
