// Progressive meshes with a chosen placement, for measuring the placements
// against each other. Internal to D3DX.
#pragma once

#include "pmesh_generate.h"

// D3DXGeneratePMesh with the placement given; D3DXGeneratePMesh uses
// PMeshPlacement::kOptimal.
HRESULT GeneratePMeshWith(ID3DXMesh* mesh, const DWORD* adjacency, const D3DXATTRIBUTEWEIGHTS* weights,
                          const float* vertexWeights, DWORD minValue, DWORD options, PMeshPlacement placement,
                          ID3DXPMesh** pmesh);

// The bytes a progressive mesh of this layer holds: its buffers, attributes,
// level counts and records.
size_t PMeshBytes(ID3DXPMesh* pmesh);
