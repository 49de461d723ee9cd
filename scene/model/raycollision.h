// What a pick ray hit among the vertex handles of a connectivity mesh: the
// vertex and the frame that holds the mesh.
#pragma once

#include <afxtempl.h>

class CFrame;
class CGeoVertex;

struct SRayVertexCollision {
  CGeoVertex* vertex;
  CFrame* frame;
};

using CRayVertexCollisionList = CList<SRayVertexCollision, SRayVertexCollision&>;
