// The projection of one view: both fields of view, the near and far planes,
// the viewport size, the four side planes of the view volume in view space
// (Direct3D's left-handed camera space: the eye at the origin, looking along
// +z), the perspective projection and the viewport scaling with their
// inverses. Bounding spheres are tested against it to skip what lies outside.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

class CViewingFrustum {
 public:
  CViewingFrustum();
  virtual ~CViewingFrustum();
  CViewingFrustum(const CViewingFrustum&) = default;
  CViewingFrustum& operator=(const CViewingFrustum&) = default;

  // Every member zero.
  void DestroyContent();

  // The vertical field of view follows from the horizontal one and the
  // viewport's proportions.
  void Initialize(float horizontalFov, DWORD width, DWORD height, float nearPlane, float farPlane);
  void Initialize(float verticalFov, float horizontalFov, float nearPlane, float farPlane, DWORD width,
                  DWORD height);

  // Sets the projection matrix on the device; width and height are not used.
  HRESULT SetProjectionTransformation(IDirect3DDevice8* device, DWORD width, DWORD height);

  // Whether a sphere, given in the space that toView takes into view space,
  // lies at least partly inside; touching a plane counts as inside.
  bool IsInViewFrustum(float radius, const D3DXVECTOR3* centre, const D3DXMATRIX* toView) const;

  float GetVerticalFOV() const { return m_verticalFov; }
  float GetHorizontalFOV() const { return m_horizontalFov; }
  float GetNearPlane() const { return m_nearPlane; }
  float GetFarPlane() const { return m_farPlane; }
  D3DMATRIX* GetProjectionMatrix() { return &m_projection; }
  D3DXMATRIX* GetProjectionMatrixInverse() { return &m_projectionInverse; }
  D3DXMATRIX* GetViewportScalingMatrix() { return &m_viewportScaling; }
  D3DXMATRIX* GetViewportScalingMatrixInverse() { return &m_viewportScalingInverse; }

 protected:
  void ClearContent();
  // The left-handed perspective projection of the fields of view.
  static void SetProjectionMatrix(D3DMATRIX& out, float verticalFov, float horizontalFov, float nearPlane,
                                  float farPlane);
  // The same from a viewport size in place of the fields of view.
  static void SetProjectionMatrix2(D3DMATRIX& out, DWORD width, DWORD height, float nearPlane, float farPlane);
  // Projection space to pixels of a viewport at (0, 0) with depth 0 to 1.
  static void SetViewportScalingMatrix(D3DMATRIX& out, DWORD width, DWORD height);

 private:
  float m_verticalFov;
  float m_horizontalFov;
  float m_nearPlane;
  float m_farPlane;
  DWORD m_width;
  DWORD m_height;
  D3DXPLANE m_sides[4];  // left, right, top, bottom
  D3DXMATRIX m_projection;
  D3DXMATRIX m_projectionInverse;
  float m_referenceDistances[4];
  D3DXMATRIX m_viewportScaling;
  D3DXMATRIX m_viewportScalingInverse;
};
