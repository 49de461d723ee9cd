// The .3ds side of Direct3D meshes: the map of a file's materials that the
// import hands to CDXMesh::Initialize, and a record helper of the export
// that reports through the toolkit's error state.
#pragma once

#include <afx.h>
#include <afxcoll.h>
#include <afxtempl.h>

struct tdsMaterial;
struct tdsMesh;
struct tdsObjectMotion;

// A file's materials by name.
using C3dsMaterialMap = CTypedPtrMap<CMapStringToPtr, CString, tdsMaterial*>;

// The box of the mesh's vertices becomes the motion's bounding box.
// ERR_INVALID_ARG for a null argument, ERR_INVALID_DATA for a mesh without
// vertices.
void tdsSetMotionBoundingBox(tdsMesh* mesh, tdsObjectMotion* motion);

// The most vertices and faces that one .3ds mesh holds.
inline constexpr DWORD k3dsMaxCount = 0xFFFF;
