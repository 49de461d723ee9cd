// The settings record CONFIGFILE, stored raw as the 540 bytes of "Config.dat"
// in the program folder, and the copies of its program-wide fields in the
// host's APPOPTIONS.
#pragma once

#include <d3d8types.h>
#include <windows.h>

#include <cstddef>

struct CONFIGFILE {
  D3DCOLORVALUE cvBackground;      // background of the 3D views
  D3DCOLORVALUE cvLightsDiffuse;   // default directional lights
  D3DCOLORVALUE cvLightsSpecular;  //
  D3DCOLORVALUE cvAmbient;         // the ambient light
  BYTE bLightFromBack;             // which directional lights are made
  BYTE bLightFromBottom;
  BYTE bLightFromFront;
  BYTE bLightFromLeft;
  BYTE bLightFromRight;
  BYTE bLightFromTop;
  BYTE bAmbientOn;
  BYTE bDiffuseForAmbientColor;  // a material's diffuse colour is its ambient colour too
  // Connectivity-mesh reduction.
  float fReductionPercent;  // largest share of triangles removed
  BYTE bAllowMidpoint;      // an edge may contract to its midpoint
  float fMaxNormalAngle;    // degrees
  float fMaxAreaChangePercent;
  float fFaceAreaFactor;  // times the average triangle area
  // Display.
  DWORD dwShadeMode;  // 0 Gouraud, 1 flat
  DWORD dwFillMode;   // 0 solid, 1 wireframe
  BYTE bShowActiveEdges;
  BYTE bShowActiveVertices;
  BYTE bShowRemovedVertices;
  BYTE bColorCreatedTriangles;
  D3DCOLORVALUE cvActiveEdges;
  D3DCOLORVALUE cvActiveVertices;
  D3DCOLORVALUE cvRemovedVertices;
  D3DCOLORVALUE cvCreatedTriangles;
  // Progressive meshes.
  DWORD dwReductionMethod;  // 0 progressive mesh, else connectivity mesh
  float fPMeshPercent;      // level of detail shown for the selected one
  DWORD dwPMeshByVertices;  // 0 by faces, else by vertices
  float fWeightBoundary;    // vertex attribute weights of the generation
  float fWeightDiffuse;
  float fWeightNormal;
  float fWeightPosition;
  float fWeightSpecular;
  float fWeightTexture;
  // Program-wide options, kept in APPOPTIONS while the program runs.
  DWORD dwXFileFormat;  // bit 0 text (else binary), bit 1 compressed
  BYTE bSaveTemplates;
  // Non-zero: the batch mode loads meshes as Direct3D meshes. It sits in
  // the padding after bSaveTemplates, which the defaults leave as it was
  // (zero in a new file), so the record keeps its 540 bytes and layout.
  BYTE bLoadDXMeshes;
  DWORD dw3dsLoadingMethod;    // 0 direct import, else conversion by conv3ds
  float fConvAlphaAdd;         // conv3ds -z; 0 leaves both alpha options out
  BYTE bConvSingleMesh;        // -m
  float fConvAlphaUnder;       // -Z
  BYTE bConvNoFrameTransform;  // -f
  BYTE bConvFlattenHierarchy;  // -h
  BYTE bConvNoTexture;         // -t
  BYTE bConvReverseWinding;    // -r
  float fConvScaling;          // -s, when above 0
  char szConvTextureExt[5];    // -e, at most 4 characters
  BYTE bConvLightwave;         // the fixed Lightwave arguments
  DWORD dwConvVerbose;         // -v0 to -v3
  BYTE bConvWrapTopFrame;      // -T
  BYTE bReverse3dsWinding;     // direct import keeps each face's vertex order
  // Progressive-mesh checks.
  BYTE bAreaCheck;
  float fAreaTolerancePercent;
  BYTE bVolumeCheck;
  float fVolumeTolerancePercent;
  char szImportFolder[260];  // empty: the samples folder
  D3DCOLORVALUE cvSelectedPMesh;
};

static_assert(sizeof(CONFIGFILE) == 540);
static_assert(offsetof(CONFIGFILE, cvBackground) == 0);
static_assert(offsetof(CONFIGFILE, cvLightsDiffuse) == 16);
static_assert(offsetof(CONFIGFILE, cvLightsSpecular) == 32);
static_assert(offsetof(CONFIGFILE, cvAmbient) == 48);
static_assert(offsetof(CONFIGFILE, bLightFromBack) == 64);
static_assert(offsetof(CONFIGFILE, bLightFromBottom) == 65);
static_assert(offsetof(CONFIGFILE, bLightFromFront) == 66);
static_assert(offsetof(CONFIGFILE, bLightFromLeft) == 67);
static_assert(offsetof(CONFIGFILE, bLightFromRight) == 68);
static_assert(offsetof(CONFIGFILE, bLightFromTop) == 69);
static_assert(offsetof(CONFIGFILE, bAmbientOn) == 70);
static_assert(offsetof(CONFIGFILE, bDiffuseForAmbientColor) == 71);
static_assert(offsetof(CONFIGFILE, fReductionPercent) == 72);
static_assert(offsetof(CONFIGFILE, bAllowMidpoint) == 76);
static_assert(offsetof(CONFIGFILE, fMaxNormalAngle) == 80);
static_assert(offsetof(CONFIGFILE, fMaxAreaChangePercent) == 84);
static_assert(offsetof(CONFIGFILE, fFaceAreaFactor) == 88);
static_assert(offsetof(CONFIGFILE, dwShadeMode) == 92);
static_assert(offsetof(CONFIGFILE, dwFillMode) == 96);
static_assert(offsetof(CONFIGFILE, bShowActiveEdges) == 100);
static_assert(offsetof(CONFIGFILE, bShowActiveVertices) == 101);
static_assert(offsetof(CONFIGFILE, bShowRemovedVertices) == 102);
static_assert(offsetof(CONFIGFILE, bColorCreatedTriangles) == 103);
static_assert(offsetof(CONFIGFILE, cvActiveEdges) == 104);
static_assert(offsetof(CONFIGFILE, cvActiveVertices) == 120);
static_assert(offsetof(CONFIGFILE, cvRemovedVertices) == 136);
static_assert(offsetof(CONFIGFILE, cvCreatedTriangles) == 152);
static_assert(offsetof(CONFIGFILE, dwReductionMethod) == 168);
static_assert(offsetof(CONFIGFILE, fPMeshPercent) == 172);
static_assert(offsetof(CONFIGFILE, dwPMeshByVertices) == 176);
static_assert(offsetof(CONFIGFILE, fWeightBoundary) == 180);
static_assert(offsetof(CONFIGFILE, fWeightDiffuse) == 184);
static_assert(offsetof(CONFIGFILE, fWeightNormal) == 188);
static_assert(offsetof(CONFIGFILE, fWeightPosition) == 192);
static_assert(offsetof(CONFIGFILE, fWeightSpecular) == 196);
static_assert(offsetof(CONFIGFILE, fWeightTexture) == 200);
static_assert(offsetof(CONFIGFILE, dwXFileFormat) == 204);
static_assert(offsetof(CONFIGFILE, bSaveTemplates) == 208);
static_assert(offsetof(CONFIGFILE, bLoadDXMeshes) == 209);
static_assert(offsetof(CONFIGFILE, dw3dsLoadingMethod) == 212);
static_assert(offsetof(CONFIGFILE, fConvAlphaAdd) == 216);
static_assert(offsetof(CONFIGFILE, bConvSingleMesh) == 220);
static_assert(offsetof(CONFIGFILE, fConvAlphaUnder) == 224);
static_assert(offsetof(CONFIGFILE, bConvNoFrameTransform) == 228);
static_assert(offsetof(CONFIGFILE, bConvFlattenHierarchy) == 229);
static_assert(offsetof(CONFIGFILE, bConvNoTexture) == 230);
static_assert(offsetof(CONFIGFILE, bConvReverseWinding) == 231);
static_assert(offsetof(CONFIGFILE, fConvScaling) == 232);
static_assert(offsetof(CONFIGFILE, szConvTextureExt) == 236);
static_assert(offsetof(CONFIGFILE, bConvLightwave) == 241);
static_assert(offsetof(CONFIGFILE, dwConvVerbose) == 244);
static_assert(offsetof(CONFIGFILE, bConvWrapTopFrame) == 248);
static_assert(offsetof(CONFIGFILE, bReverse3dsWinding) == 249);
static_assert(offsetof(CONFIGFILE, bAreaCheck) == 250);
static_assert(offsetof(CONFIGFILE, fAreaTolerancePercent) == 252);
static_assert(offsetof(CONFIGFILE, bVolumeCheck) == 256);
static_assert(offsetof(CONFIGFILE, fVolumeTolerancePercent) == 260);
static_assert(offsetof(CONFIGFILE, szImportFolder) == 264);
static_assert(offsetof(CONFIGFILE, cvSelectedPMesh) == 524);

// Sets every field to its built-in default (padding is left as it was).
void SetDefaultConfigData(CONFIGFILE& cf);

// Zeroes cf and reads the first 540 bytes of "Config.dat", its two text
// fields cut to stay terminated; false when the file cannot be opened or is
// shorter (cf then holds what was read, then zeros).
bool ReadConfigFile(CONFIGFILE& cf);
// Sets the defaults and writes them as "Config.dat". False, after a message
// box, when the file cannot be written; cf keeps the defaults.
bool CreateDefaultConfigFile(CONFIGFILE& cf);
// Writes cf as "Config.dat". False, after a message box, when it cannot.
bool SaveConfigFile(CONFIGFILE& cf);
// The file's record, written back at once as exactly 540 bytes; or, when it
// is missing or short, the defaults, written to it. False when writing fails.
bool GetConfigData(CONFIGFILE& cf);

// Copies the program-wide fields of cf into the host's APPOPTIONS; an empty
// import folder becomes the samples folder.
void SetAppOptions(CONFIGFILE& cf);
// Stores the program-wide members of APPOPTIONS in "Config.dat", keeping the
// file's other fields. False when the file cannot be read or written.
bool SaveAppOptions();
