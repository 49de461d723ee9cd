// Writing a D3DX mesh as a .x Mesh data object with its normals, texture
// coordinates, vertex colours, material list with materials and texture
// names, vertex duplication indices, the rest of its vertex format and a
// progressive-mesh block.
#pragma once

#include <afxtempl.h>
#include <d3dx8mesh.h>
#include <dxfile.h>

class CMaterial;

using CMaterialArray = CTypedPtrArray<CPtrArray, CMaterial*>;

// Writes mesh as a Mesh data object named name (NULL: unnamed) and hands it
// to the caller in out, who saves or nests it and releases it. flags: the
// program's save format (bit 0 text): material names are then written as
// identifiers. Materials are named after materialObjects when it holds
// exactly as many entries as there are materials, else unnamed. An
// adjacency array (three entries a face) adds VertexDuplicationIndices when
// some vertex stands for another.
HRESULT D3DXSaveDXMeshToXof2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                             D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                             const CMaterialArray* materialObjects, const char* name);
// The same with a progressive-mesh block (PMInfo), when pmBlock is given.
HRESULT D3DXSaveDXMeshToXofEx2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                               D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                               const CMaterialArray* materialObjects, const char* name, BYTE* pmBlock,
                               DWORD pmBlockSize);
// Without a name and with unnamed materials.
HRESULT D3DXSaveDXMeshToXofEx(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                              D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out,
                              BYTE* pmBlock, DWORD pmBlockSize);
HRESULT D3DXSaveDXMeshToXof(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* adjacency,
                            D3DXMATERIAL* materials, DWORD materialCount, DWORD flags, IDirectXFileData** out);
// One mesh as a whole file in format (DXFILEFORMAT_*).
HRESULT D3DXSaveDXMeshToXEx(const char* path, ID3DXMesh* mesh, const DWORD* adjacency, D3DXMATERIAL* materials,
                            DWORD materialCount, DWORD format, BYTE* pmBlock, DWORD pmBlockSize);

// The parts, each made as an unnamed data object and added to parent.
HRESULT DXMeshAddNormals(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                         const BYTE* indices, IDirectXFileData* parent);
HRESULT DXMeshAddTextureCoordinates(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                                    IDirectXFileData* parent);
HRESULT DXMeshAddVertexColors(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                              IDirectXFileData* parent);
HRESULT DXMeshAddVertexDuplicationIndices(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh,
                                          const DWORD* adjacency, IDirectXFileData* parent);
HRESULT DXMeshAddFaceMaterials(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* attributes,
                               D3DXMATERIAL* materials, DWORD materialCount, IDirectXFileData* parent);
HRESULT DXMeshAddFaceMaterials2(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const DWORD* attributes,
                                D3DXMATERIAL* materials, DWORD materialCount, DWORD flags,
                                const CMaterialArray* materialObjects, IDirectXFileData* parent);
HRESULT DXMeshAddMaterial(IDirectXFileSaveObject* saveObject, const D3DXMATERIAL* material,
                          IDirectXFileData* parent);
HRESULT DXMeshAddMaterial2(IDirectXFileSaveObject* saveObject, const D3DXMATERIAL* material, DWORD flags,
                           CMaterial* materialObject, IDirectXFileData* parent);
HRESULT DXMeshAddOtherFVFData(IDirectXFileSaveObject* saveObject, ID3DXMesh* mesh, const BYTE* vertices,
                              IDirectXFileData* parent);
