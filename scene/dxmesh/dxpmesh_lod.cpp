// The level of detail of a progressive mesh: percentages of the maximum
// count, held to the full-detail volume and area when the settings ask.
#include <configfile.h>
#include <dx_thread.h>

#include <cmath>

#include "dxmesh_internal.h"
#include "dxpmesh.h"
#include "objectlock.h"

namespace {

// |m − r| × 100 / r, in single precision.
float Deviation(float measure, float reference) { return std::fabs(measure - reference) * 100.0f / reference; }

DWORD TargetCount(DWORD max, float percent) {
  return static_cast<DWORD>(static_cast<long double>(max) * percent / 100.0L);
}

const char* CountMessage(bool byVertices) {
  return byVertices ? "\nm_pPMesh->SetNumVertices() failed." : "\nm_pPMesh->SetNumFaces() failed.";
}

void SetCount(ID3DXPMesh* pmesh, bool byVertices, DWORD count) {
  if (FAILED(byVertices ? pmesh->SetNumVertices(count) : pmesh->SetNumFaces(count))) throw CountMessage(byVertices);
}

DWORD CountOf(ID3DXPMesh* pmesh, bool byVertices) {
  return byVertices ? pmesh->GetNumVertices() : pmesh->GetNumFaces();
}

}  // namespace

bool CDXPMesh::SetLevel(bool byVertices, float percent, CONFIGFILE* config, bool tryLock) {
  CDXPMesh* mesh = this;
  CObjectLock lock(mesh, tryLock);
  if (mesh->IsDeleted() || !mesh->GetPMesh()) return true;
  CMeshBufferLock buffers(mesh, tryLock);
  ID3DXPMesh* pmesh = mesh->GetPMesh();
  const DWORD now = CountOf(pmesh, byVertices);
  const DWORD max = byVertices ? pmesh->GetMaxVertices() : pmesh->GetMaxFaces();
  const DWORD target = TargetCount(max, percent);
  if (target == now) return true;
  SetCount(pmesh, byVertices, target);
  if (!config) return true;
  const float volumeReference = mesh->GetOriginalBoundingBoxVolume();
  if (config->bVolumeCheck && volumeReference != 0) {
    float volume = 0;
    if (!mesh->ComputeBoundingBoxVolume(volume, nullptr, tryLock)) throw "\nComputeBoundingBoxVolume() failed.";
    if (Deviation(volume, volumeReference) > config->fVolumeTolerancePercent) {
      SetCount(pmesh, byVertices, now);
      return true;
    }
  }
  const float areaReference = mesh->GetOriginalMeshSurfaceArea();
  if (config->bAreaCheck && areaReference != 0) {
    float area = 0;
    if (!mesh->ComputeSurfaceArea(area, nullptr, tryLock)) throw "\nm_pPMesh->ComputeSurfaceArea() failed.";
    if (Deviation(area, areaReference) > config->fAreaTolerancePercent) SetCount(pmesh, byVertices, now);
  }
  return true;
}

bool CDXPMesh::SetNumFaces(float percent, CONFIGFILE* config, bool tryLock) {
  return SetLevel(false, percent, config, tryLock);
}

bool CDXPMesh::SetNumVertices(float percent, CONFIGFILE* config, bool tryLock) {
  return SetLevel(true, percent, config, tryLock);
}

DWORD CDXPMesh::Comply(DWORD n, DWORD max, bool byVertices, bool volume, float reference, float tolerance,
                       CDXThread* thread) {
  auto within = [&] {
    float measure = 0;
    if (volume) {
      if (!ComputeBoundingBoxVolume(measure, thread, false)) throw "\nComputeBoundingBoxVolume() failed.";
    } else if (!ComputeSurfaceArea(measure, thread, false)) {
      throw "\nm_pPMesh->ComputeSurfaceArea() failed.";
    }
    return Deviation(measure, reference) <= tolerance;
  };
  auto wait = [&] {
    if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Killing thread";
  };
  if (within()) return n;
  // The count grows from n towards the maximum, so the first count within
  // tolerance is found by halving the span: a few measures, not one a step.
  wait();
  SetCount(m_pPMesh, byVertices, max);
  if (!within()) return max;
  DWORD failing = n, passing = max;
  while (passing - failing > 1) {
    wait();
    const DWORD middle = failing + (passing - failing) / 2;
    SetCount(m_pPMesh, byVertices, middle);
    if (within())
      passing = middle;
    else
      failing = middle;
  }
  SetCount(m_pPMesh, byVertices, passing);
  return passing;
}

bool CDXPMesh::SetCompliantLevel(bool byVertices, float percent, CONFIGFILE* config, CDXThread* thread,
                                 bool tryLock) {
  CDXPMesh* mesh = this;
  CObjectLock lock(mesh, tryLock);
  if (mesh->IsDeleted() || !mesh->GetPMesh()) return true;
  CMeshBufferLock buffers(mesh, tryLock);
  ID3DXPMesh* pmesh = mesh->GetPMesh();
  const DWORD max = byVertices ? pmesh->GetMaxVertices() : pmesh->GetMaxFaces();
  DWORD n = TargetCount(max, percent);
  SetCount(pmesh, byVertices, n);
  if (!config) return true;
  const float volumeReference = mesh->GetOriginalBoundingBoxVolume();
  if (config->bVolumeCheck && volumeReference != 0)
    n = Comply(n, max, byVertices, true, volumeReference, config->fVolumeTolerancePercent, thread);
  const float areaReference = mesh->GetOriginalMeshSurfaceArea();
  if (config->bAreaCheck && areaReference != 0)
    n = Comply(n, max, byVertices, false, areaReference, config->fAreaTolerancePercent, thread);
  return true;
}

bool CDXPMesh::SetCompliantNumFaces(float percent, CONFIGFILE* config, CDXThread* thread, bool tryLock) {
  return SetCompliantLevel(false, percent, config, thread, tryLock);
}

bool CDXPMesh::SetCompliantNumVertices(float percent, CONFIGFILE* config, CDXThread* thread, bool) {
  return SetCompliantLevel(true, percent, config, thread, false);
}

HRESULT CDXPMesh::SetNumFaces(DWORD count, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pPMesh) return 0;
  CMeshBufferLock buffers(this, tryLock);
  return m_pPMesh->SetNumFaces(count);
}

HRESULT CDXPMesh::SetNumVertices(DWORD count, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_pPMesh) return 0;
  CMeshBufferLock buffers(this, tryLock);
  return m_pPMesh->SetNumVertices(count);
}

bool CDXPMesh::SetNumFacesOld(float percent, float tolerance) {
  CObjectLock lock(this, false);
  if (IsDeleted() || !m_pPMesh) return true;
  CMeshBufferLock buffers(this, false);
  const DWORD now = m_pPMesh->GetNumFaces();
  const DWORD max = m_pPMesh->GetMaxFaces();
  const DWORD target = TargetCount(max, percent);
  if (target == now) return true;
  const float reference = m_fOriginalSurfaceArea;
  if (reference == 0) {
    SetCount(m_pPMesh, false, target);
    return true;
  }
  // |m - r| / r, a ratio rather than a percentage.
  auto exceeds = [&](DWORD count) {
    SetCount(m_pPMesh, false, count);
    float area = 0;
    if (!ComputeSurfaceArea(area, nullptr, false)) throw "\nm_pPMesh->ComputeSurfaceArea() failed.";
    return std::fabs(area - reference) / reference > tolerance;
  };
  DWORD count = target;
  if (target < now) {
    // Down from the current count to the first count out of tolerance.
    for (count = now - 1; count > target && !exceeds(count); --count) {
    }
    if (count == target && !exceeds(count)) return true;
  } else if (!exceeds(count)) {
    return true;
  }
  // Up again until the area is within tolerance; the full mesh is the end.
  while (count < max && exceeds(++count)) {
  }
  return true;
}