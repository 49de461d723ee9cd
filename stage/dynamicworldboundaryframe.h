// Dynamic cages: a frame put between a scene frame (the bounded frame) and
// its parent that keeps a solid box and a wire cage sized to the bounded
// frame. The world boundary (type 10) is the one around a world's content:
// its box, ten times the content's extent, sizes the views' depth, and its
// cage is shown and hidden on the user's command.
#pragma once

#include <frame.h>

class CCageFrame;

class CDynamicCageFrame : public CFrame {
 public:
  CDynamicCageFrame();
  ~CDynamicCageFrame() override;

  // The frame alone, as every frame is initialised.
  using CFrame::Initialize;
  // Puts this frame between bounded and its parent; box: build the solid
  // box on (-5, -5, -5)..(5, 5, 5). NULL name: a unique "DynamicCageFrame".
  bool Initialize(CFrame* bounded, char* name, EFrameType type, bool box, D3DMATERIAL8* material, bool tryLock);
  bool DestroyContent(bool tryLock);

  // A cube ten times the bounded frame's largest extent, centred on it.
  void ResizeDynamicBoxFrame(bool tryLock);
  // The cage twice the bounded frame's size, centred on it.
  void ResizeDynamicCageFrame();
  // Whether the bounded radius moved by a tenth or more since the box was
  // last sized.
  bool BoundedFrameRadiusChanged(bool);
  bool SetMaterial(D3DMATERIAL8* material);
  void OnBoundingObjectsModification(bool modified, bool tryLock) override;

  CFrame* GetBoundedFrame() const { return m_bounded; }
  CCageFrame* GetCageFrame() const { return m_cage; }
  CFrame* GetBoxFrame() const { return m_box; }

 protected:
  void ClearContent();
  bool CreateBoxMeshFrame(CGBox* box, D3DMATERIAL8* material, bool tryLock);
  bool CreateCageMeshFrame(CGBox* box, D3DMATERIAL8* material);
  void DestroyCageMeshFrame();

 private:
  CFrame* m_bounded;
  CCageFrame* m_cage;
  CFrame* m_box;
  bool m_boxWanted;
  float m_boundedRadius;
};

class CDynamicWorldBoundaryFrame : public CDynamicCageFrame {
 public:
  CDynamicWorldBoundaryFrame();
  ~CDynamicWorldBoundaryFrame() override;

  using CDynamicCageFrame::Initialize;
  // "DynamicBoundaryFrame" of type 10 around bounded, with the box when
  // visible. False on failure.
  bool Initialize(CFrame* bounded, bool visible, bool tryLock);
  bool DestroyContent(bool tryLock);

  // Shows the cage around the world; false, with the cage hidden, when it
  // cannot be built.
  bool ShowWorldBoundary();
  void HideWorldBoundary();
  bool WorldBoundaryIsVisible() const { return m_visible; }
  void OnBoundingObjectsModification(bool modified, bool tryLock) override;

 protected:
  // Renews the depth of the world's cameras.
  void UpdateChildCamerasSetting(bool tryLock);

 private:
  bool m_visible;
};
