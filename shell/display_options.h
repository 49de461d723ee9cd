// DISPLAYOPTIONS: how a document draws the reduction and picks its vertex
// handles. A plain record, handed out and taken in as whole copies.
#pragma once

#include <d3d8types.h>
#include <windows.h>

struct DISPLAYOPTIONS {
  BYTE showActiveEdges;
  BYTE showActiveVertices;
  BYTE showRemovedVertices;
  BYTE colorNewFaces;
  D3DMATERIAL8 activeEdgesMaterial;
  D3DMATERIAL8 activeVerticesMaterial;
  D3DMATERIAL8 removedVerticesMaterial;
  D3DMATERIAL8 newFacesMaterial;
  DWORD displayOption1;
  // Which vertex handles picking can hit: 0 none, 1 removed vertices only,
  // 2 active vertices only, any other value all.
  DWORD vertexHandlePickMode;
  DWORD displayOptions2[3];
  D3DMATERIAL8 vertexHandleMaterial;
  DWORD displayOption3;
};
