// The progressive-mesh frame (type 17): a copy of a scene frame in which
// every Direct3D mesh has become a progressive mesh, so that its level of
// detail can be chosen afterwards. Its max counts (those of CFrame) are the
// totals of its meshes at full detail.
#pragma once

#include <frame.h>

class CDXPMeshFrame : public CFrame {
 public:
  CDXPMeshFrame() = default;
  ~CDXPMeshFrame() override = default;

  // The source's name, transform, bounds and type 17, without children.
  bool InitializeShell(CFrame* source);
  // Fills this frame from source: Direct3D meshes become progressive
  // meshes, original child frames progressive-mesh frames, shared objects
  // stay shared through map. False when a conversion fails or the job is
  // stopped; the counts are written on success only.
  bool InitializeProgressiveMeshFrame(CFrame* source, CDataObjectMap& map, DWORD& vertices, DWORD& triangles,
                                      IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  // The frame's level of detail, plainly set, as CFrame's.
  bool SetNumFaces(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool tryLock);
  bool SetNumVertices(float percent, DWORD& vertices, DWORD& faces, CONFIGFILE* config, bool tryLock);
};
