// CHitFrame: one picking result: the frame a pick ray crossed, where it
// crossed its box (world space), the frame's and its parent's world
// transforms and centres, and for a vertex hit the connectivity-mesh frame
// and the vertex.
#pragma once

#include <d3dx8math.h>
#include <windows.h>

class CFrame;
class CGeoVertex;

class CHitFrame {
 public:
  CHitFrame() { DestroyContent(); }
  ~CHitFrame() { DestroyContent(); }
  CHitFrame(const CHitFrame& other) = default;
  CHitFrame& operator=(const CHitFrame& other) = default;

  // Clears the record, then copies each value whose pointer is not NULL.
  void Initialize(CFrame* frame, DWORD hitsCount, const D3DXVECTOR3* firstHitWS, const D3DXVECTOR3* secondHitWS,
                  const D3DXMATRIX* frameWorld, const D3DXVECTOR3* frameCenterWS, const D3DXMATRIX* parentWorld,
                  const D3DXVECTOR3* parentCenterWS, CGeoVertex* vertex, CFrame* geoMeshFrame);
  void DestroyContent();

  CFrame* GetFrame() const { return m_frame; }
  DWORD GetHitsCount() const { return m_hitsCount; }
  D3DXVECTOR3* GetFirstHitPointWS() { return &m_firstHitWS; }
  D3DXVECTOR3* GetSecondHitPointWS() { return &m_secondHitWS; }
  D3DXMATRIX* GetFrameWorldTransform() { return &m_frameWorld; }
  D3DXVECTOR3* GetFrameCenterWS() { return &m_frameCenterWS; }
  D3DXMATRIX* GetParentWorldTransform() { return &m_parentWorld; }
  D3DXVECTOR3* GetParentCenterWS() { return &m_parentCenterWS; }
  CFrame* GetGeoMeshFrame() const { return m_geoMeshFrame; }
  CGeoVertex* GetVertex() const { return m_vertex; }

 private:
  CFrame* m_frame;
  DWORD m_hitsCount;
  D3DXVECTOR3 m_firstHitWS;
  D3DXVECTOR3 m_secondHitWS;
  D3DXMATRIX m_frameWorld;
  D3DXVECTOR3 m_frameCenterWS;
  D3DXMATRIX m_parentWorld;
  D3DXVECTOR3 m_parentCenterWS;
  CFrame* m_geoMeshFrame;
  CGeoVertex* m_vertex;
};
