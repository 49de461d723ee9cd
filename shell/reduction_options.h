// REDUCTIONOPTIONS: a document's options of the reduction and progressive-mesh
// jobs. A plain record, handed out and taken in as whole copies.
#pragma once

#include <d3d8types.h>
#include <windows.h>

class CGeoVertex;
class CSphere;

struct REDUCTIONOPTIONS {
  float reductionPercent;
  DWORD allowMidpoint;
  float maxNormalAngle;
  float maxAreaChangePercent;
  float faceAreaFactor;
  DWORD removeCompletelySurroundedVertices;
  DWORD completelySurroundedValue;
  DWORD removePartiallySurroundedVertices;
  DWORD partiallySurroundedValue;
  DWORD partiallySurroundedOptions[2];
  DWORD desiredNumberOfEdges;
  DWORD desiredNumberOfEdgesOptions[2];
  D3DMATERIAL8 removedVerticesMaterial;
  DWORD reductionOption1;
  DWORD reductionOption2;
  CGeoVertex* selectedVertex;  // not owned
  CSphere* vertexHandleShape;  // owned by the document's record
  D3DMATERIAL8 handleMaterials[4];
  DWORD reductionMethod;
  float pmeshDisplayPercent;
  DWORD pmeshByVertices;
  float pmeshBoundaryWeight;
  float pmeshDiffuseWeight;
  float pmeshNormalWeight;
  float pmeshPositionWeight;
  float pmeshSpecularWeight;
  float pmeshTextureWeight;
  // Set by a caller that never shows the connectivity meshes it builds (the
  // batch): they keep nothing that only drawing reads (vertex handles, lists
  // of rendered triangles, unlit vertices).
  DWORD connectivityNeverShown;
};

// FORMREDUCTIONOPTIONS: the reduction options form's record, exchanged with
// the form as a whole and spread over the document's two option records.
struct FORMREDUCTIONOPTIONS {
  DWORD removeCompletelySurroundedVertices;
  DWORD completelySurroundedValue;
  DWORD removePartiallySurroundedVertices;
  DWORD partiallySurroundedValue;
  DWORD partiallySurroundedOptions[2];
  DWORD desiredNumberOfEdges;
  DWORD desiredNumberOfEdgesOptions[2];
  D3DCOLORVALUE removedVerticesColor;
  DWORD reductionOption1;
  DWORD allowMidpoint;
  DWORD reductionOption2;
  float maxNormalAngle;
  float maxAreaChangePercent;
  float faceAreaFactor;
  DWORD displayOption1;
  DWORD vertexHandlePickMode;
  DWORD displayOptions2[3];
  D3DCOLORVALUE vertexHandleColor;
  DWORD displayOption3;
  D3DCOLORVALUE createdTrianglesColor;
};
