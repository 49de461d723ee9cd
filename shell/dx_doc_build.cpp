// The document's job bodies that turn a frame into another representation
// (connectivity, progressive, retained mode), set the level of detail of its
// progressive meshes or reduce its triangle count. A body that fails or is
// stopped leaves the world as it found it: a frame built beside its source
// is taken out again, a frame converted in place is converted back.
#include <cameraframe.h>
#include <dx_thread.h>
#include <dxpmeshframe.h>
#include <dxwindoweddevice.h>
#include <failureguard.h>
#include <frame.h>

#include <cstdlib>
#include <functional>

#include "dx_doc.h"

namespace {

IDirect3DDevice8* Device() { return g_pWindowedDevice != NULL ? g_pWindowedDevice->GetD3DDevice() : NULL; }

// The job's counters, as it shows them, become the frame's active counts.
void CountersIntoFrame(CFrame* frame, CDXThread* thread) {
  frame->SetActiveVerticesCount(static_cast<DWORD>(std::atol(thread->GetThreadOutputVerticesCount())));
  frame->SetActiveTrianglesCount(static_cast<DWORD>(std::atol(thread->GetThreadOutputTrianglesCount())));
  frame->SetActiveHalfEdgesCount(static_cast<DWORD>(std::atol(thread->GetThreadOutputHalfEdgesCount())));
  frame->SetActiveEdgesCount(static_cast<DWORD>(std::atol(thread->GetThreadOutputEdgesCount())));
}

}  // namespace

// The first steps of every body but the reduction: the source leaves the
// selection and cannot be picked while the job works on it.
void CDXDoc::BeginFrameJob(CFrame* frame) {
  if (frame->IsSelected()) GetWorldDataList()->UnselectSelectedFrame();
  frame->SetPickableCapability(false);
}

// A new frame beside source: an empty copy of it under the source's parent
// render frame, with the transform given, which the camera then shows with
// the whole scene.
void CDXDoc::AttachBesideSource(CFrame* frame, CFrame* source, D3DXMATRIX* transform, CCameraFrame* camera) {
  source->GetParentRenderFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
  frame->SetTransformMatrix(transform, true, CFrame::eReplace, true, false);
  if (camera != NULL) {
    camera->SetViewAllFrame(frame);
    camera->ViewAllFrame2(NULL, false);
  }
}

// A body that built a frame beside its source failed: the frame goes, the
// camera and the selection let go of it.
void CDXDoc::UndoBesideSource(CFrame* frame, CCameraFrame* camera) {
  if (camera != NULL) camera->SetViewAllFrame(NULL);
  GetWorldDataList()->UnselectSelectedFrame();
  RemoveJobFrame(frame);
}

bool CDXDoc::CreateConnectivityMeshFrame(CFrame* source, CCameraFrame* camera, CDXThread* thread) {
  BeginFrameJob(source);
  CFrame* frame = NULL;
  const bool built = GuardedCall([&] {
    frame = new CFrame;
    if (!frame->InitializeShell(source))
      throw "\nError: CFrame::InitializeShell() failed in CDXDoc::CreateConnectivityMeshFrame().";
    if (thread != NULL) thread->SetThreadOutput(frame->GetName());
    const D3DXVECTOR3 offset = source->FindRightEmptyPositionPFS();
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, offset.x, offset.y, offset.z);
    D3DXMATRIX transform = source->GetTransformMatrix(false) * translation;
    AttachBesideSource(frame, source, &transform, camera);
    CDataObjectMap map(10);
    map.InitHashTable(100);
    if (!frame->InitializeConnectivityMeshFrame(source, NULL, map, &m_ReductionOptions, thread))
      throw "\nError: CFrame::InitializeConnectivityMeshFrame() failed in CDXDoc::CreateConnectivityMeshFrame().";
    if (!frame->ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CDXDoc::CreateConnectivityMeshFrame().";
    m_pLastWorkedFrame = frame;
    if (thread != NULL) {
      frame->SetFrameMetricsComputed(true);
      CountersIntoFrame(frame, thread);
      frame->SetTotalActiveEdgesMagnitude(thread->GetTotalActiveEdgesMagnitude());
      frame->SetTotalActiveTrianglesArea(thread->GetTotalActiveTrianglesArea());
    }
    SetSelectedFrameL(frame);
  });
  if (!built) UndoBesideSource(frame, camera);
  source->SetPickableCapability(true);
  return built;
}

bool CDXDoc::ConvertFrameInPlace(CFrame* frame, CDXThread* thread, FrameConversion convert, FrameConversion undo) {
  BeginFrameJob(frame);
  if (thread != NULL) thread->SetThreadOutput(frame->GetName());
  const CFrame::EFrameType type = frame->GetFrameType();
  const bool converted = GuardedCall([&] {
    (frame->*convert)(Device(), &m_ReductionOptions, thread);
    m_pLastWorkedFrame = frame;
    frame->SetPickableCapability(true);
    SetSelectedFrameL(frame);
  });
  if (!converted) {
    if (undo != NULL) GuardedCall([&] { (frame->*undo)(Device(), &m_ReductionOptions, NULL); });
    frame->SetFrameType(type);
    frame->Show();
    frame->SetPickableCapability(true);
  }
  return converted;
}

// A failed or stopped conversion turns the meshes already converted back into
// Direct3D meshes.
bool CDXDoc::ConvertIntoPMeshFrame(CFrame* frame, CCameraFrame*, CDXThread* thread) {
  return ConvertFrameInPlace(frame, thread, &CFrame::ConvertIntoPMeshFrameH, &CFrame::ConvertIntoDXMeshFrameH);
}

// The meshes already written are those of the level shown: a failed or
// stopped conversion leaves the frame its kind and looks.
bool CDXDoc::ConvertIntoDXMeshFrame(CFrame* frame, CCameraFrame*, CDXThread* thread) {
  return ConvertFrameInPlace(frame, thread, &CFrame::ConvertIntoDXMeshFrameH, NULL);
}

bool CDXDoc::ApplyPMeshDisplayOptions(CFrame* frame, CCameraFrame*, CDXThread* thread, float percentage) {
  BeginFrameJob(frame);
  if (thread != NULL) thread->SetThreadOutput(frame->GetName());
  const bool applied = GuardedCall([&] {
    DWORD vertices = 0, faces = 0;
    if (m_Config.dwPMeshByVertices == 0)
      frame->SetNumFaces(percentage, vertices, faces, &m_Config, true, this, thread, false);
    else
      frame->SetNumVertices(percentage, vertices, faces, &m_Config, true, this, thread, false);
    frame->SetPickableCapability(true);
    SetSelectedFrameL(frame);
  });
  if (!applied) frame->SetPickableCapability(true);
  return applied;
}

bool CDXDoc::ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) {
  if (frame->IsSelected()) GetWorldDataList()->UnselectSelectedFrame();
  const bool reduced = GuardedCall([&] {
    if (thread != NULL) {
      thread->SetThreadOutput(frame->GetName());
      thread->SetThreadOutputEdgesCount(frame->GetActiveEdgesCount(),
                                        static_cast<float>(frame->GetTotalActiveEdgesMagnitude()));
      thread->SetThreadOutputHalfEdgesCount(frame->GetActiveHalfEdgesCount());
      thread->SetThreadOutputTrianglesCount(frame->GetActiveTrianglesCount(false),
                                            static_cast<float>(frame->GetTotalActiveTrianglesArea()));
      thread->SetThreadOutputVerticesCount(frame->GetActiveVerticesCount(false));
    }
    if (!frame->ReduceTrianglesCount(options, thread))
      throw "\nError: CFrame::ReduceTrianglesCount() failed in CDXDoc::ReduceTrianglesCount().";
    if (thread != NULL) {
      frame->SetFrameMetricsComputed(true);
      CountersIntoFrame(frame, thread);
    }
    if (!frame->ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed.";
    m_pLastWorkedFrame = frame;
    SetSelectedFrameL(frame);
  });
  // A failed or stopped reduction takes the whole frame out of the scene.
  if (!reduced) RemoveJobFrame(frame);
  return reduced;
}

// The frames built in the place of their source: the source is hidden and
// unpickable while shell makes the new frame and content fills it; a failure
// takes the new frame out again and brings the source back.
bool CDXDoc::BuildInPlaceOfSource(CFrame*& result, CFrame* source, CCameraFrame* camera, CDXThread* thread,
                                  const std::function<void(CFrame*&)>& shell,
                                  const std::function<void(CFrame*)>& content) {
  result = NULL;
  BeginFrameJob(source);
  source->Hide();
  CFrame* frame = NULL;
  const bool built = GuardedCall([&] {
    shell(frame);
    if (thread != NULL) thread->SetThreadOutput(frame->GetName());
    D3DXMATRIX transform = source->GetTransformMatrix(false);
    AttachBesideSource(frame, source, &transform, camera);
    content(frame);
    if (!frame->ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed.";
    m_pLastWorkedFrame = frame;
    frame->SetPickableCapability(true);
    SetSelectedFrameL(frame);
  });
  if (!built) {
    UndoBesideSource(frame, camera);
    source->Show();
    source->SetPickableCapability(true);
    return false;
  }
  result = frame;
  return true;
}

bool CDXDoc::CreateProgressiveMeshFrame(CDXPMeshFrame*& result, CFrame* source, CCameraFrame* camera,
                                        CDXThread* thread) {
  result = NULL;
  CDXPMeshFrame* progressive = NULL;
  CFrame* frame = NULL;
  // The new frame cannot be picked while it is built.
  const auto shell = [&](CFrame*& made) {
    made = progressive = new CDXPMeshFrame;
    if (!progressive->InitializeShell(source)) throw "\nError: CDXPMeshFrame::Initialize() failed.";
    progressive->SetPickableCapability(false);
  };
  const auto content = [&](CFrame*) {
    CDataObjectMap map(10);
    map.InitHashTable(100);
    DWORD vertices = 0, triangles = 0;
    if (!progressive->InitializeProgressiveMeshFrame(source, map, vertices, triangles, Device(), &m_ReductionOptions,
                                                     thread))
      throw "\nError: CFrame::InitializeRetainedModeMeshFrame() failed.";
  };
  if (!BuildInPlaceOfSource(frame, source, camera, thread, shell, content)) return false;
  result = progressive;
  return true;
}

bool CDXDoc::CreateRetainedModeMeshFrame(CFrame*& result, CFrame* source, CCameraFrame* camera, CDXThread* thread) {
  const auto shell = [&](CFrame*& made) {
    made = new CFrame;
    if (!made->InitializeShell(source)) throw "\nError: CFrame::InitializeShell() failed.";
  };
  // Only connectivity and progressive-mesh frames give content; other kinds
  // leave the new frame empty.
  const auto content = [&](CFrame* frame) {
    const CFrame::EFrameType type = source->GetFrameType();
    if (type != CFrame::eConnectivityMeshFrame && type != CFrame::eDXPMeshFrame) return;
    CDataObjectMap map(10);
    map.InitHashTable(100);
    DWORD vertices = 0, triangles = 0;
    if (!frame->InitializeDXMeshFrame(source, map, vertices, triangles, Device(), &m_ReductionOptions, thread))
      throw "\nError: CFrame::InitializeDXMeshFrame() failed.";
  };
  return BuildInPlaceOfSource(result, source, camera, thread, shell, content);
}
