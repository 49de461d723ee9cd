// D3DX 8 meshes: ID3DXMesh with its vertex, index and attribute buffers,
// ID3DXBuffer, and the functions that build, check, repair and weld meshes.
// Faces are triangles, wound clockwise when seen from their front.
#pragma once

#include <d3d8.h>

#include <dxfile.h>

#include "d3dx8math.h"
#include "fvflayout.h"

// Mesh options: index width and where the buffers live.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// Optimisation steps.
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_SHAREVB 0x00001000

#define D3DXWELDEPSILONS_WELDALL 0x1
#define D3DXWELDEPSILONS_WELDPARTIALMATCHES 0x2
#define D3DXWELDEPSILONS_DONOTREMOVEVERTICES 0x4

// Result codes of D3DX.
#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
inline constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_DDHRESULT(2900);
inline constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901);
inline constexpr HRESULT D3DXERR_CANNOTATTRSORT = MAKE_DDHRESULT(2902);
inline constexpr HRESULT D3DXERR_SKINNINGNOTSUPPORTED = MAKE_DDHRESULT(2903);
inline constexpr HRESULT D3DXERR_TOOMANYINFLUENCES = MAKE_DDHRESULT(2904);
inline constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905);
inline constexpr HRESULT D3DXERR_LOADEDMESHASNODATA = MAKE_DDHRESULT(2906);

// The faces FaceStart … FaceStart + FaceCount − 1 carry AttribId and use
// vertices within VertexStart … VertexStart + VertexCount − 1.
struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};
static_assert(sizeof(D3DXATTRIBUTERANGE) == 20);

struct D3DXMATERIAL {
  D3DMATERIAL8 MatD3D;
  char* pTextureFilename;
};

// Largest differences of the components of two coincident vertices that
// D3DXWeldVertices still merges.
struct D3DXWELDEPSILONS {
  float SkinWeights;
  float Normal;
  float Tex[8];
  DWORD Flags;
};

DEFINE_GUID(IID_ID3DXBuffer, 0x932E6A7E, 0xC68E, 0x45DD, 0xA7, 0xBF, 0x53, 0xD1, 0x9C, 0x86, 0xDB, 0x1F);
DEFINE_GUID(IID_ID3DXMesh, 0xCCAE5C3B, 0x4DD1, 0x4D0F, 0x99, 0x7E, 0x46, 0x84, 0xCA, 0x64, 0x55, 0x7F);

struct ID3DXBuffer : IUnknown {
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

// No adjacent face, in adjacency arrays (three entries per face, entry k for
// the edge from corner k to corner k + 1).
inline constexpr DWORD D3DX_NO_ADJACENT_FACE = 0xFFFFFFFF;

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown {
  // Draws the faces of one attribute id through the device.
  virtual HRESULT DrawSubset(DWORD attribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetOptions() = 0;
  // Adds a reference to the device; fails once the device has gone.
  virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
  // A copy with another vertex layout, converted component by component
  // (components the source lacks are zero), and other options; indices,
  // attributes and the attribute table are kept.
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** clone) = 0;
  // Each adds a reference.
  virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer) = 0;
  virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  // With table NULL gives the number of ranges, which is 0 until the faces
  // are sorted by attribute; otherwise copies at most *size ranges (the room
  // in table) and sets *size to the number copied.
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) = 0;
  // Point representatives: for each vertex the lowest-numbered vertex that
  // is the same point across the adjacency, or the vertex itself.
  virtual HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) = 0;
  virtual HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) = 0;
  // Faces are adjacent across an edge whose end points lie within epsilon
  // of each other in every coordinate.
  virtual HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  // As OptimizeInplace, into a new mesh with the same options.
  virtual HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                           ID3DXBuffer** vertexRemap, ID3DXMesh** optimized) = 0;
  // D3DXMESHOPT_ATTRSORT sorts the faces by attribute id (stable) and builds
  // the attribute table; D3DXMESHOPT_COMPACT drops unused vertices;
  // D3DXMESHOPT_VERTEXCACHE renumbers the vertices in the order the faces
  // first use them. adjacencyOut may be adjacencyIn. faceRemap gets the old
  // number of each new face, vertexRemap the old number of each new vertex.
  virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                  ID3DXBuffer** vertexRemap) = 0;
};

using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXBASEMESH = ID3DXBaseMesh*;
using LPD3DXMESH = ID3DXMesh*;

// A buffer of numBytes zero bytes.
HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer);

// A mesh of zero-filled buffers. Fails (D3DERR_INVALIDCALL) without faces or
// vertices, for a format without a position, and for more than 65,535
// vertices without D3DXMESH_32BIT.
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          ID3DXMesh** mesh);

// S_OK for a valid mesh; D3DXERR_INVALIDMESH, with the reasons as text in
// *errors, when an index lies past the vertex count, the adjacency is out of
// range or one-sided, or a vertex joins two fans of faces that share no edge
// around it (a bowtie). NULL adjacency stands for the exact adjacency.
HRESULT D3DXValidMesh(ID3DXMesh* mesh, const DWORD* adjacency, ID3DXBuffer** errors);

// A valid mesh with the same faces: links of the adjacency that are out of
// range or one-sided are dropped and every bowtie vertex gets a copy for each
// further fan. A mesh that needs no change comes back itself, with a
// reference added. Indices past the vertex count cannot be repaired:
// D3DXERR_INVALIDMESH.
HRESULT D3DXCleanMesh(ID3DXMesh* mesh, const DWORD* adjacencyIn, ID3DXMesh** cleaned, DWORD* adjacencyOut,
                      ID3DXBuffer** errors);

// Merges, in place, each vertex into the lowest-numbered earlier vertex at
// the same point (across the adjacency, or by exact position without one)
// whose components are equal within the epsilons; colours and point sizes
// must be equal. D3DXWELDEPSILONS_WELDALL merges whatever the components,
// D3DXWELDEPSILONS_WELDPARTIALMATCHES also makes the components that match of
// unmerged coincident vertices equal, D3DXWELDEPSILONS_DONOTREMOVEVERTICES
// remaps the faces but keeps every vertex. The faces stay as they are.
HRESULT D3DXWeldVertices(ID3DXMesh* mesh, D3DXWELDEPSILONS* epsilons, const DWORD* adjacencyIn,
                         DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap);

// Each vertex normal becomes the normalised sum of the unit normals of the
// faces that use it (that use its point, with an adjacency). Fails
// (D3DERR_INVALIDCALL) when the format has no normal.
HRESULT D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency);

// A mesh from a .x Mesh data object and the objects nested in it: faces of
// more than three corners are fanned into triangles; MeshNormals (a vertex
// whose corners name different normals is split), MeshTextureCoords,
// MeshVertexColors and MeshMaterialList (attribute ids; the last face index
// stands for the faces past the list) shape the vertex format and the
// attributes. *materials receives numMaterials D3DXMATERIAL records whose
// texture names lie in the same buffer, or NULL without a material list;
// *adjacency three entries a face, joined across VertexDuplicationIndices
// when the object has them. A Mesh without faces succeeds with *mesh NULL.
// Counts or indices that do not fit the data: D3DXERR_INVALIDDATA. More
// than 65,535 vertices give a mesh with 32-bit indices.
HRESULT D3DXLoadMeshFromXof(IDirectXFileData* data, DWORD options, IDirect3DDevice8* device,
                            ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                            ID3DXMesh** mesh);

// Progressive meshes.

// How much each part of a vertex counts in the error of a simplification:
// the position, the planes that hold borders and seams in place, and the
// appearance attributes.
struct D3DXATTRIBUTEWEIGHTS {
  float Position;
  float Boundary;
  float Normal;
  float Diffuse;
  float Specular;
  float Tex[8];
};
using LPD3DXATTRIBUTEWEIGHTS = D3DXATTRIBUTEWEIGHTS*;

// What MinValue of D3DXGeneratePMesh counts.
#define D3DXMESHSIMP_VERTEX 0x1
#define D3DXMESHSIMP_FACE 0x2

DEFINE_GUID(IID_ID3DXPMesh, 0x19FBE386, 0xC282, 0x4659, 0x97, 0xBD, 0xCB, 0x86, 0x9B, 0x08, 0x4A, 0x6C);

// A mesh whose level of detail is chosen by its face or vertex count. The
// buffers hold every vertex and face of the full level; the active vertices
// are the first GetNumVertices, and within each range of the attribute table
// the active faces come first. GetNumFaces and GetNumVertices give the
// current level; the attribute table gives, for every attribute id, its
// range with the active face count (a range may have none).
struct ID3DXPMesh : ID3DXBaseMesh {
  // A copy at the same level with another vertex layout (components the
  // source lacks are zero) and other options.
  virtual HRESULT ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXPMesh** clone) = 0;
  // The level with the most faces (vertices) not above the count, within
  // the minimum and maximum; a level change adds or removes one or two faces
  // a step, so the count reached may be one below the one asked.
  virtual HRESULT SetNumFaces(DWORD faces) = 0;
  virtual HRESULT SetNumVertices(DWORD vertices) = 0;
  virtual DWORD GetMaxFaces() = 0;
  virtual DWORD GetMinFaces() = 0;
  virtual DWORD GetMaxVertices() = 0;
  virtual DWORD GetMinVertices() = 0;
  // A plain mesh of the current level: its faces and the vertices they use,
  // then the steps of ID3DXMesh::OptimizeInplace that flags name; the mesh
  // options in flags (D3DXMESH_…) choose its buffers (the present ones when
  // none is given). adjacencyOut gets three entries a face, joined across
  // coincident vertices; faceRemap the face of this mesh behind each new
  // face, vertexRemap the vertex behind each new vertex.
  virtual HRESULT Optimize(DWORD flags, DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                           ID3DXMesh** optimized) = 0;
};
using LPD3DXPMESH = ID3DXPMesh*;

// Simplifies the mesh by edge collapses in order of a quadric error, down to
// MinValue faces (D3DXMESHSIMP_FACE) or vertices (D3DXMESHSIMP_VERTEX) or as
// far as the collapses that keep the surface sound allow, and records each
// collapse so that every level can be reached. adjacency (three entries a
// face) tells which faces share an edge; NULL joins vertices at the same
// position. weights NULL stands for position, boundary and normal weights 1
// and the others 0; vertexWeights (one a vertex, or NULL) scale the error of
// collapses at a vertex. Invalid arguments or an invalid mesh:
// D3DERR_INVALIDCALL or D3DXERR_INVALIDMESH.
HRESULT D3DXGeneratePMesh(ID3DXMesh* mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS* weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, ID3DXPMesh** pmesh);

// ---------------------------------------------------------------------------
// Skin meshes: a mesh's geometry with the influence of each bone on its
// vertices, and the meshes made from it for drawing with indexed vertex
// blending and for posing on the CPU.

// One subset of an indexed-blended mesh: its faces and vertices, the material
// they carry and the bones of the device's matrix palette while it is drawn.
// BoneId holds one bone per palette slot; 0xFFFFFFFF marks a free slot.
struct D3DXBONECOMBINATION {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
  DWORD* BoneId;
};

inline constexpr DWORD D3DX_UNUSED_BONE = 0xFFFFFFFF;

DEFINE_GUID(IID_ID3DXSkinMesh, 0x8DB06ECC, 0xEBFC, 0x408A, 0x9D, 0xC4, 0x8C, 0xE3, 0x1B, 0x47, 0x2C, 0x86);

struct ID3DXSkinMesh : IUnknown {
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
  // The geometry's buffers, as those of ID3DXMesh.
  virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual DWORD GetNumBones() = 0;
  // The geometry as a mesh of its own; adds a reference.
  virtual HRESULT GetOriginalMesh(ID3DXMesh** mesh) = 0;
  // Replaces the influence of one bone: count vertex indices, each below the
  // vertex count, with their weights.
  virtual HRESULT SetBoneInfluence(DWORD bone, DWORD count, const DWORD* vertices, const float* weights) = 0;
  virtual DWORD GetNumBoneInfluences(DWORD bone) = 0;
  virtual HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, float* weights) = 0;
  // The most bones of non-zero weight on one vertex, and on the three
  // vertices of one face together.
  virtual HRESULT GetMaxVertexInfluences(DWORD* count) = 0;
  virtual HRESULT GetMaxFaceInfluences(DWORD* count) = 0;
  // A mesh for indexed vertex blending. The faces are grouped into bone
  // combinations whose bones fit paletteSize palette slots, one combination
  // per subset: attribute id and attribute table entry i belong to
  // combination i, whose AttribId is the faces' own attribute. A vertex used
  // by several combinations is copied into each. Each vertex holds up to
  // four influences: its heaviest bones, their weights scaled to the same
  // sum when some had to be left out. The format is D3DFVF_XYZB1 …
  // D3DFVF_XYZB4 (one beta more than the weights stored; the last weight is
  // one less the others) with D3DFVF_LASTBETA_UBYTE4: the last beta holds
  // the four palette slots. A vertex no bone moves follows the first bone of
  // its combination. The combination buffer holds the records followed by
  // their bone arrays. A face whose bones do not fit the palette:
  // D3DXERR_TOOMANYINFLUENCES.
  virtual HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                              DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                              ID3DXBuffer** boneCombinations, DWORD* faceRemap,
                                              ID3DXBuffer** vertexRemap, ID3DXMesh** mesh) = 0;
  // A plain copy of the geometry, with the given options, that
  // UpdateSkinnedMesh poses; minWeight is not used.
  virtual HRESULT GenerateSkinnedMesh(DWORD options, float minWeight, const DWORD* adjacencyIn,
                                      DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                      ID3DXMesh** mesh) = 0;
  // Writes into the vertices of mesh (same vertex numbering and format as
  // the geometry) each position as the weighted sum of its bones' matrices
  // applied to it, and each normal through the transposes of inverses (the
  // inverse of each bone matrix, when given; the bone matrix otherwise),
  // normalised. A vertex that no bone moves keeps its place.
  virtual HRESULT UpdateSkinnedMesh(const D3DXMATRIX* boneTransforms, const D3DXMATRIX* boneInverses,
                                    ID3DXMesh* mesh) = 0;
};

using LPD3DXSKINMESH = ID3DXSkinMesh*;

// An empty skin mesh: zeroed geometry of the given counts and numBones bones
// without influence.
HRESULT D3DXCreateSkinMeshFVF(DWORD numFaces, DWORD numVertices, DWORD numBones, DWORD options, DWORD fvf,
                              IDirect3DDevice8* device, ID3DXSkinMesh** skinMesh);
