// A point light: a light frame that shines from its place and may carry a
// small sphere as its marker in the views. Moving it moves the frame and the
// light in the device; turning it turns the frame.
#pragma once

#include "lightframe.h"

class CSphere;

class CPointLightFrame : public CDirectLightFrame {
 public:
  // The frame's own place, direction and up (model space).
  static const D3DXVECTOR3 m_vLightFramePositionMS;
  static const D3DXVECTOR3 m_vLightFrameDirectionMS;
  static const D3DXVECTOR3 m_vLightFrameUpMS;

  CPointLightFrame() { ClearContent(); }
  ~CPointLightFrame() override;

  ELightFrameType GetLightFrameType() const override { return ePointLightFrame; }
  // The colours, and the marker's material with them.
  bool SetColor(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& specular, const D3DCOLORVALUE& ambient) override;
  // Also turns the frame from its direction onto the new one.
  bool SetDirectionWS(D3DXVECTOR3* direction) override;

  // Named "PointLightFrame", pickable; with marker, a sphere of the radius
  // in the material (green glass when NULL). A marker that cannot be made
  // leaves the light without one.
  bool Initialize(D3DLIGHT8* light, long index, bool marker, float radius, D3DMATERIAL8* material);
  bool DestroyContent();
  bool CreateLightMeshFrame(float radius, D3DMATERIAL8* material);
  // The marker's material; nothing without a marker.
  void SetMaterial(const D3DMATERIAL8& material);
  // Sets the light's position in the device and moves the frame there.
  bool SetPositionWS(D3DXVECTOR3* position);
  CSphere* GetMarkerSphere() const { return m_sphere; }

 protected:
  void ClearContent();

 private:
  CSphere* m_sphere;
};
