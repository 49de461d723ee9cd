#include "rootrenderframe.h"

#include <qorcommon.h>

bool CRootRenderFrame::Initialize(CXFileDataList* world, D3DXMATRIX* transform, char* name, bool tryLock) {
  CString made(name ? name : "RootRenderFrame");
  if (!name) SetUniqueName(made);
  try {
    if (FAILED(CFrame::Initialize(transform, const_cast<char*>(static_cast<const char*>(made)), eRootRenderFrame,
                                  tryLock)))
      return false;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  m_world = world;
  return true;
}
