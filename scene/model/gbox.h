// Bounding boxes and spheres, kept in their own frame's space. A box keeps
// its eight corners, so that a rotated box stays an oriented box.
#pragma once

#include <d3dx8math.h>
#include <dx_mutex.h>

class CGSphere;

class CGBox {
 public:
  // The face of a box that a ray crosses.
  enum EBoxFace : std::int32_t { eNone = 0, eFront, eBack, eTop, eBottom, eLeft, eRight };

  CGBox();
  CGBox(const CGBox& other);
  ~CGBox() = default;
  int operator==(const CGBox& other) const;
  CGBox& operator=(const CGBox& other);

  void Initialize(const D3DXVECTOR3* min, const D3DXVECTOR3* max, bool tryLock);
  void Initialize(const D3DXVECTOR3* min, const D3DXVECTOR3* max, const D3DXVECTOR3* corners, bool tryLock);
  void InitializeZeroSize(bool tryLock);
  void DestroyContent() { Clear(); }

  bool IsInnerBox(CGBox* other, bool tryLock);
  void Merge(CGBox* other, bool tryLock);
  void ComputeBoundingSphere(CGSphere* out, bool tryLock);
  void TransformCoord(const D3DXMATRIX* matrix, bool tryLock);
  void ComputeAxisAlignedBoundingBox(bool tryLock);
  // The points (at most two, the nearer first) where a ray crosses the box.
  DWORD ComputeRayBoxIntersections(D3DXVECTOR3 out[2], D3DXVECTOR3* origin, D3DXVECTOR3* direction, bool tryLock);
  DWORD ComputeRayBoxIntersections2(D3DXVECTOR3 out[2], EBoxFace faces[2], D3DXVECTOR3* origin, D3DXVECTOR3* direction,
                                    bool tryLock);

  bool IsZeroSizeBox() const { return m_zeroSize; }
  D3DXVECTOR3* GetMinFS() { return &m_min; }
  D3DXVECTOR3* GetMaxFS() { return &m_max; }
  D3DXVECTOR3* GetCornersFS() { return m_corners; }
  D3DXVECTOR3* GetBackTopRightFS() { return &m_corners[0]; }
  D3DXVECTOR3* GetFrontTopRightFS() { return &m_corners[1]; }
  D3DXVECTOR3* GetBackBottomRightFS() { return &m_corners[2]; }
  D3DXVECTOR3* GetFrontBottomRightFS() { return &m_corners[3]; }
  D3DXVECTOR3* GetBackTopLeftFS() { return &m_corners[4]; }
  D3DXVECTOR3* GetFrontTopLeftFS() { return &m_corners[5]; }
  D3DXVECTOR3* GetBackBottomLeftFS() { return &m_corners[6]; }
  D3DXVECTOR3* GetFrontBottomLeftFS() { return &m_corners[7]; }

  float GetWidthFS() const;
  float GetHeightFS() const;
  float GetDepthFS() const;
  float GetSmallestEdgeSizeFS() const;
  D3DXVECTOR3 GetCenterFS() const;

  // Unit normals of the faces. A box without extent along one of its axes
  // (a flat box) answers that axis, made from the other two.
  D3DXVECTOR3 GetFrontFaceNormalFS() const;
  D3DXVECTOR3 GetBackFaceNormalFS() const;
  D3DXVECTOR3 GetTopFaceNormalFS() const;
  D3DXVECTOR3 GetBottomFaceNormalFS() const;
  D3DXVECTOR3 GetLeftFaceNormalFS() const;
  D3DXVECTOR3 GetRightFaceNormalFS() const;

 private:
  void Clear();
  void LockBox(bool tryLock);
  // The box's own unit axes: right (+x), top (+y) and back (+z).
  void GetAxes(D3DXVECTOR3* right, D3DXVECTOR3* top, D3DXVECTOR3* back) const;
  DWORD RayCrossings(D3DXVECTOR3 out[2], EBoxFace faces[2], D3DXVECTOR3* origin, D3DXVECTOR3* direction, bool tryLock);

  D3DXVECTOR3 m_min;
  D3DXVECTOR3 m_max;
  D3DXVECTOR3 m_corners[8];
  bool m_zeroSize;
  CMutex m_lock;
};

class CGSphere {
 public:
  CGSphere() { InitializeZeroSize(); }
  CGSphere(const CGSphere& other) = default;
  CGSphere& operator=(const CGSphere& other);

  void Initialize(float radius, const D3DXVECTOR3* center);
  void InitializeZeroSize();
  void DestroyContent() { InitializeZeroSize(); }

  float GetRadiusFS() const { return m_radius; }
  D3DXVECTOR3* GetCenterFS() { return &m_center; }
  bool IsZeroSizeSphere() const { return m_zeroSize; }

  bool IsSphereBoundariesIntersecting(CGSphere* other, float* distance);
  bool IsInnerSphere(CGSphere* other);
  float GetRadiusWS(const D3DXMATRIX* matrix, bool tryLock);
  // Swept test of this sphere moving to targetA while the other moves to
  // targetB: true when they first touch within the move.
  bool GetSphereSphereCollision(CGSphere* other, D3DXVECTOR3* targetA, D3DXVECTOR3* targetB, D3DXVECTOR3* outA,
                                D3DXVECTOR3* outB, D3DXVECTOR3* contact);

 private:
  float m_radius;
  D3DXVECTOR3 m_center;
  bool m_zeroSize;
};

// The matrix that lays the source box (carried by its transform, if any) onto
// the target box: scaled, turned and moved. An axis along which either box
// has no extent keeps its scale.
void BoxToBoxTransform(D3DXMATRIX& out, CGBox* source, D3DXMATRIX* sourceTransform, CGBox* target,
                       D3DXMATRIX* targetTransform, bool tryLock);
