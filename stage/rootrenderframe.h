// The root of a world's render-frame hierarchy (type 9): it knows its world,
// which every frame below it finds by climbing to it.
#pragma once

#include <frame.h>

class CRootRenderFrame : public CFrame {
 public:
  CRootRenderFrame() : m_world(nullptr) {}

  // NULL name: a unique "RootRenderFrame". False on failure.
  bool Initialize(CXFileDataList* world, D3DXMATRIX* transform, char* name, bool tryLock);
  CXFileDataList* GetRenderFrameWorldList() override { return m_world; }

 private:
  CXFileDataList* m_world;
};
