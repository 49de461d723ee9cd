// CFrameHandle: a box (or sphere) drawn around a frame that the user grabs
// with the mouse to turn that frame. A press records where the pick ray met
// the handle; each drag turns the frame about its centre by the rotation that
// carries the recorded point onto the new one (a virtual trackball); the
// release ends the drag. Rays come from the eye of a view and run along a
// direction given in view space.
#pragma once

#include <memory>

#include "frame.h"

class CBox;

class CFrameHandle : public CFrame {
 public:
  // The creator's code (the world uses 1, 2 and 4).
  using EHandleType = std::int32_t;

  CFrameHandle() { ClearContent(); }
  ~CFrameHandle() override;

  // A box handle fitted to the frame's bounding box. Failures are thrown.
  bool Initialize(EHandleType type, CFrame* frame, bool permanent, bool tryLock);
  // A box handle of the given size, turned from the box's front and top
  // onto newDir and newUp and placed at position.
  bool Initialize(EHandleType type, CFrame* frame, D3DXVECTOR3* position, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp,
                  float width, float height, float depth, bool permanent, bool tryLock);
  // A sphere handle of the radius at position.
  bool Initialize(EHandleType type, CFrame* frame, D3DXVECTOR3* position, float radius, bool permanent);
  // A handle holding the given shape by reference (placement as for a frame
  // on a shape); false on failure.
  bool Initialize(EHandleType type, CFrame* frame, CSimpleShape* shape, D3DXVECTOR3* position, D3DXVECTOR3* centre,
                  D3DXVECTOR3* dir, D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, bool pickable,
                  char* name, bool permanent);
  bool DestroyContent();

  // Refits the box handle to the frame's current bounding box.
  void ResizeFrameHandle(CFrame* frame, bool tryLock);

  // The box handle's mouse protocol. The inverse view is not used.
  void PressLeftButtonDownBox(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView, bool tryLock);
  void DragBox(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView, bool tryLock);
  void ReleaseLeftButton(D3DXVECTOR3* direction);
  // The sphere handle's (no locks).
  void PressLeftButtonDownSphere(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView);
  void DragSphere(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXMATRIX* inverseView);
  // Turn the parent frame about centre by the rotation from `from` to `to`.
  bool RotateParentFrameBox(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, D3DXMATRIX& pick,
                            D3DXMATRIX* view, D3DXMATRIX* inverseView, bool tryLock);
  bool RotateParentFrame3(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, D3DXMATRIX& pick,
                          D3DXMATRIX* view, D3DXMATRIX* inverseView);

  // Drawn with a z bias, so that the handle shows over the surfaces of the
  // frame it lies on; the frame walk reaches it through the frame's Render.
  HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended, CCameraFrame* camera,
                 D3DXMATRIX* view, CDXDoc* doc, bool tryLock) override;
  HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended, CCameraFrame* camera,
                 D3DXMATRIX* view, CDXDoc* doc);

  EHandleType GetHandleType() const { return m_handleType; }
  CFrame* GetParentFrame() const { return m_parentFrame; }
  bool IsPermanentHandle() const { return m_permanent; }
  bool IsDragging() const { return m_dragging; }
  CGBox::EBoxFace GetHitFace() const { return m_hitFace; }
  const D3DXVECTOR3& GetLastHitPoint() const { return m_lastHitPoint; }

 protected:
  void ClearContent();

 private:
  // The pick matrix (parent render world × view) and its inverse; false
  // when it cannot be inverted.
  bool SetPickMatrix(D3DXMATRIX* view);
  // The ray from the eye carried into the parent frame's parent space.
  void PickRay(D3DXVECTOR3* direction, D3DXVECTOR3& origin, D3DXVECTOR3& ray) const;
  // The crossing of the ray with the parent frame's box nearer to the eye;
  // false when the ray misses.
  bool NearerBoxCrossing(D3DXVECTOR3* direction, bool tryLock, D3DXVECTOR3& point, CGBox::EBoxFace& face, CGBox& box);
  bool NearerSphereCrossing(D3DXVECTOR3* direction, D3DXMATRIX* view, D3DXVECTOR3& point, CGSphere& sphere);
  // The world transform of the parent frame's parent render frame, or the
  // identity.
  void TakeParentRenderWorld(bool tryLock);
  static std::unique_ptr<CBox> MakeHandleBox(float width, float height, float depth, bool tryLock,
                                             const char* failure);
  // Names the handle, places it by m and takes over box as its shape.
  void InitializeOnBox(std::unique_ptr<CBox> box, D3DXMATRIX* m, EHandleType type, CFrame* frame, bool permanent,
                       bool tryLock);
  // The rotation of the parent frame, locks taken by the caller.
  void RotateParentFrame(D3DXVECTOR3* from, D3DXVECTOR3* to, D3DXVECTOR3& centre, bool tryLock);

  EHandleType m_handleType;
  CFrame* m_parentFrame;
  bool m_permanent;
  D3DXVECTOR3 m_dragA;
  DWORD m_dragWord;
  D3DXVECTOR3 m_dragB;
  D3DXMATRIX m_dragMatrix;
  bool m_dragging;
  CGBox::EBoxFace m_hitFace;
  D3DXMATRIX m_parentRenderWorld;
  D3DXVECTOR3 m_lastHitPoint;
  D3DXMATRIX m_viewAtPress;
  D3DXMATRIX m_inversePick;
  D3DXMATRIX m_pick;
  CBox* m_box;
};
