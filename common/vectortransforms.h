// Rotations between orientations, composed transforms and bounding volumes
// of vertex data. Matrices act on row vectors (A × B applies A first).
// Stateless; safe on any thread.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

// Indices of the corners of a box in every array of eight corners; x grows to
// the right, y to the top, z to the back.
enum EBoxCorner {
  BoxBackTopRight = 0,
  BoxFrontTopRight = 1,
  BoxBackBottomRight = 2,
  BoxFrontBottomRight = 3,
  BoxBackTopLeft = 4,
  BoxFrontTopLeft = 5,
  BoxBackBottomLeft = 6,
  BoxFrontBottomLeft = 7,
};

// The shortest-arc rotation turning the direction of from onto that of to;
// when they point exactly opposite ways, a half turn about axis.
void GetRotationQuaternion(D3DXQUATERNION& q, const D3DXVECTOR3* from, const D3DXVECTOR3* to, const D3DXVECTOR3* axis);
// The same; for exactly opposite directions q is left as it was.
void GetRotationQuaternion(D3DXQUATERNION& q, D3DXVECTOR3* from, D3DXVECTOR3* to);
// The rotation turning the orientation (dir, up) into (newDir, newUp): dir is
// turned onto newDir first, then the turned up onto newUp.
void GetRotationTransform(D3DXMATRIX* out, const D3DXVECTOR3* dir, const D3DXVECTOR3* up, const D3DXVECTOR3* newDir,
                          const D3DXVECTOR3* newUp);
// The same rotation as a quaternion.
void GetRotationQuaternion(D3DXQUATERNION& q, const D3DXVECTOR3* dir, const D3DXVECTOR3* up, const D3DXVECTOR3* newDir,
                           const D3DXVECTOR3* newUp);

// Scaling about centre, then the rotation (dir, up) → (newDir, newUp) about
// centre, then the translation.
void MatrixTransformation(D3DXMATRIX* out, D3DXVECTOR3* translation, D3DXVECTOR3* centre, D3DXVECTOR3* dir,
                          D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, D3DXVECTOR3* scaling);
// The same without the scaling.
void ComputeTransformMatrixPFS(D3DXMATRIX& out, D3DXVECTOR3* translation, D3DXVECTOR3* centre, D3DXVECTOR3* dir,
                               D3DXVECTOR3* up, D3DXVECTOR3* newDir, D3DXVECTOR3* newUp);
// A camera at position looking at target (its up stays +y where it can).
void FromVectorCameraToMatrix(D3DXMATRIX* out, const D3DXVECTOR3* position, const D3DXVECTOR3* target);
// Moves the translation row (_41, _42, _43) out of m, or into it.
void RemoveTranslationComponent(D3DXMATRIX* m, D3DXVECTOR3* translation);
void SetTranslationComponent(D3DXMATRIX* m, D3DXVECTOR3* translation);
// The inverse of m, or the zero matrix when m is singular.
D3DXMATRIX ComputeInverseTransform(D3DXMATRIX* m);

// The pick ray through a point of the viewport: (x, y, MaxZ, 1) carried back
// through the viewport, projection and view transforms of the device (no
// division by w). A transform that cannot be inverted gives a zero ray.
void GetMousePickRay(D3DXVECTOR3& out, POINT& point, IDirect3DDevice8* device);
// The same in view space (without the view transform).
void GetViewSpaceMousePickRay(D3DXVECTOR3& out, POINT& point, IDirect3DDevice8* device);

// Axis-aligned bounds of count points and the box's eight corners (in the
// EBoxCorner order). No points gives zeros.
void ComputeBoundingBox(D3DXVECTOR3* points, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]);
void ComputeBoundingBox(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3* corners);
// The bounds of a vertex buffer read as D3DVERTEX records, whatever its
// format. False when the buffer cannot be described or locked.
bool ComputeBoundingBoxD3DVertexVB(IDirect3DVertexBuffer8* vb, D3DXVECTOR3* min, D3DXVECTOR3* max,
                                   D3DXVECTOR3 corners[8]);
// The bounds of a mesh's vertex positions by D3DXComputeBoundingBox. False
// when its vertex buffer cannot be locked or the box cannot be computed.
bool ComputeBoundingBoxD3DMesh(ID3DXMesh* mesh, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]);
// The same read directly at the stride of the mesh's format; a mesh without
// vertices, or whose buffer cannot be locked, leaves everything zero.
void ComputeBoundingBoxD3DMesh2(ID3DXMesh* mesh, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3 corners[8]);
// (min + max) / 2 of the positions.
void ComputeBoundingBoxCenter(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3& centre);
// centre = (min + max) / 2 of the given box; radius = the largest distance of
// a vertex from it (0 for no vertices).
void ComputeBoundingSphere(D3DVERTEX* vertices, DWORD count, D3DXVECTOR3* min, D3DXVECTOR3* max, D3DXVECTOR3* centre,
                           float* radius);
// Swaps the second and third index of every face whose normal (by the cross
// product of its edges) points toward the centre of the vertices.
void SetFaceVerticesOrderingClockwise(D3DVERTEX* vertices, DWORD vertexCount, WORD* indices, DWORD faceCount);
