// Frames of type 3 that make a frame's bounding box or sphere visible: a
// child frame holding a grey glass shape laid over the volume. They never
// enlarge their parent's bounds and are never pickable.
#pragma once

#include "frame.h"

class CBox;

class CBoundingObjectFrame : public CFrame {
 public:
  CBoundingObjectFrame() { ClearContent(); }
  ~CBoundingObjectFrame() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  EBoundingObjectFrameType GetBoundingObjectType() const { return m_kind; }

 protected:
  void ClearContent();

  EBoundingObjectFrameType m_kind;
};

class CBoundingBoxFrame : public CBoundingObjectFrame {
 public:
  static constexpr EBoundingObjectFrameType kKind = eBoundingBoxObject;

  CBoundingBoxFrame() { ClearContent(); }
  ~CBoundingBoxFrame() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  // box: the bounded frame's box, in its frame space.
  bool Initialize(CGBox* box, char* name);
  // False for a box without extent: no shape is made.
  bool CreateBoundingBoxMesh(CGBox* box);
  // Lays the box shape over the bounded frame's current box.
  void ResizeBoundingBoxFrame(CFrame* bounded, bool tryLock);
  CBox* GetBoxShape() const { return m_boxShape; }

 protected:
  void ClearContent();

 private:
  CBox* m_boxShape;  // an owned child
};

class CBoundingSphereFrame : public CBoundingObjectFrame {
 public:
  static constexpr EBoundingObjectFrameType kKind = eBoundingSphereObject;

  CBoundingSphereFrame() { ClearContent(); }
  ~CBoundingSphereFrame() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  bool Initialize(CGSphere* sphere, char* name);
  // False for a sphere of radius 0: no shape is made.
  bool CreateBoundingSphereMesh(CGSphere* sphere);

 protected:
  void ClearContent();
};
