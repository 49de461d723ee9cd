// A cage: six flat grids of thin cylinders, one on each face of a box. A
// grid holds two cylinders, one for its lines across and one for its lines
// down; every line is a frame that refers to one of them.
#pragma once

#include <frame.h>

class CCylinder;

class CGridFrame : public CFrame {
 public:
  CGridFrame();
  ~CGridFrame() override;

  // widthEdges lines along the width and heightEdges lines along the height
  // in the plane of the given normal, up as its upward direction and its
  // top-left corner at corner. A NULL material is green glass; a radius of 0
  // is a tenth of the line spacing of the narrower side. False on failure.
  bool Initialize(float width, float height, D3DXVECTOR3* normal, D3DXVECTOR3* up, D3DXVECTOR3* corner,
                  D3DMATERIAL8* material, unsigned long widthEdges, unsigned long heightEdges, float radius);
  bool DestroyContent();

  CCylinder* GetWidthEdgeCylinder() const { return m_widthEdge; }
  CCylinder* GetHeightEdgeCylinder() const { return m_heightEdge; }

 protected:
  void ClearContent();

 private:
  // One line: an owned, not pickable child frame holding the cylinder by
  // reference.
  void AddEdge(const D3DXMATRIX& transform, const char* format, unsigned long number, CCylinder* cylinder);

  CCylinder* m_widthEdge;
  CCylinder* m_heightEdge;
  D3DMATERIAL8 m_material;
};

class CCageFrame : public CFrame {
 public:
  CCageFrame();
  ~CCageFrame() override;

  // The six grids of the box's faces, the cage placed on the box. The third
  // count is not used. False on failure.
  bool Initialize(CGBox* box, D3DMATERIAL8* material, unsigned long widthEdges, unsigned long heightEdges,
                  unsigned long, float radius);
  bool DestroyContent();
};
