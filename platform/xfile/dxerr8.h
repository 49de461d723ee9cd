// Names of result codes, as DXGetErrorString8A gives them.
#pragma once

#include <windows.h>

#include <cstddef>

struct DXErrorName {
  HRESULT code;
  const char* name;
};

// The name of a result code ("DXFILEERR_BADFILE", "E_FAIL", ...), or
// "Unknown" for a code no table names.
const char* DXGetErrorString8A(HRESULT hr);

// Adds names for more codes (the Direct3D and D3DX ones come from their own
// libraries). A code already named keeps its first name. The strings must
// live as long as the process.
void DXAddErrorNames(const DXErrorName* names, std::size_t count);
