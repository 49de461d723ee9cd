// D3DX 8 shapes: box, sphere and cylinder meshes centred at the origin, with
// positions and outward normals (D3DFVF_XYZ | D3DFVF_NORMAL), 16-bit indices
// and attribute 0; adjacency, when asked for, three DWORDs per face.
#pragma once

#include "d3dx8mesh.h"

// 24 vertices (4 per side), 12 faces.
HRESULT D3DXCreateBox(IDirect3DDevice8* device, float width, float height, float depth, ID3DXMesh** mesh,
                      ID3DXBuffer** adjacency);
// Poles on the z axis: (stacks − 1) × slices + 2 vertices, 2 × slices ×
// (stacks − 1) faces; at least 2 slices and 2 stacks.
HRESULT D3DXCreateSphere(IDirect3DDevice8* device, float radius, UINT slices, UINT stacks, ID3DXMesh** mesh,
                         ID3DXBuffer** adjacency);
// Along the z axis, radius1 at z = −length / 2, radius2 at +length / 2, with
// both ends closed: (stacks + 1) × slices + 2 × (slices + 1) vertices,
// 2 × slices × (stacks + 1) faces; at least 2 slices and 1 stack.
HRESULT D3DXCreateCylinder(IDirect3DDevice8* device, float radius1, float radius2, float length, UINT slices,
                           UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency);
