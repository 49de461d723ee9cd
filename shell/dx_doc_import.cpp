// The document's imports: choosing the job for a file, the job bodies that
// bring a .x or .3ds file into the world in front of a camera, a dropped file
// and a file already chosen in a dialog.
#include <afxdlgs.h>
#include <appoptions.h>
#include <cameraframe.h>
#include <converter3ds.h>
#include <dx_thread.h>
#include <dxwindoweddevice.h>
#include <failureguard.h>
#include <frame.h>
#include <scene3ds.h>
#include <tracelog.h>
#include <xfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "resource.h"

namespace {

// Scenes larger than this across are scaled down to it when they come in.
constexpr float kLargestImportedDiameter = 1000000.0f;

bool DeviceReady() { return g_pWindowedDevice != NULL && g_pWindowedDevice->IsReady(); }

void ShowLoadFailure(const char* pathName) {
  CString text;
  text.Format("\nFailed to load the file %s", pathName);
  MessageBoxA(NULL, text, "Import 3D objects", MB_OK | MB_ICONERROR);
}

// Splits a path at its last separator ('\' or '/') into the folder, with
// its separator, and the name; the extension follows the last dot. False
// when the path has neither a separator nor a dot.
bool SplitDroppedPath(const CString& path, CString& folder, CString& name, CString& extension) {
  const int separator = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
  const int dot = path.ReverseFind('.');
  if (separator < 0 && dot < 0) return false;
  folder = path.Left(separator + 1);
  name = path.Mid(separator + 1);
  extension = dot > separator ? path.Mid(dot + 1) : CString();
  return true;
}

// "Failed to load the file" in the status bar, through the job when there is one.
void ReportLoadFailure(CDXThread* thread) {
  if (thread != NULL)
    thread->SetMessageText(IDS_FAILED_TO_LOAD_FILE);
  else if (GetMainFrame() != NULL)
    GetMainFrame()->SetMessageText(IDS_FAILED_TO_LOAD_FILE);
}

}  // namespace

// The frame's new transform: scaled down when it is larger than the largest
// imported diameter, then moved so that its centre stands at the first free
// place in front of the camera.
static D3DXMATRIX PlaceInFrontOfCamera(CFrame* frame, CCameraFrame* camera) {
  float radius = frame->GetRadiusFS();
  D3DXVECTOR3 centre = *frame->GetCenterFS();
  D3DXMATRIX scaling;
  D3DXMatrixIdentity(&scaling);
  if (2.0f * radius > kLargestImportedDiameter) {
    const float factor = kLargestImportedDiameter / (2.0f * radius);
    D3DXMatrixScaling(&scaling, factor, factor, factor);
    CGSphere sphere = frame->ConvertBoundingSpherePFS(&scaling, false);
    centre = *sphere.GetCenterFS();
    radius = sphere.GetRadiusFS();
  }
  const D3DXVECTOR3 place = camera->FindEmptyPositionPFS(radius);
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, place.x - centre.x, place.y - centre.y, place.z - centre.z);
  D3DXMATRIX transform = frame->GetTransformMatrix(false);
  D3DXMATRIX placed = transform * scaling * translation;
  return placed;
}

void CDXDoc::Insert3dObjectFromFile(char* fileTitle, char* fileName, char* pathName, char* folder,
                                    const char* extension) {
  if (!DeviceReady()) return;
  try {
    const bool is3ds = CString(extension).CompareNoCase("3ds") == 0;
    const bool isX = CString(extension).CompareNoCase("x") == 0;
    if (is3ds || isX) {
      if (is3ds && GetSplitterFrame() != NULL) GetSplitterFrame()->DisplayReductionManager();
      CCameraFrame* camera = GetMasterCamera();
      if (camera == NULL) throw "\nThe view is not initialized properly.";
      if (isX)
        m_ThreadsManager.InsertXFileObjects(this, fileTitle, fileName, pathName, folder, camera);
      else if (g_appOptions.dw3dsLoadingMethod != 0)
        m_ThreadsManager.InsertConverted3dsFileObjects(this, fileTitle, fileName, pathName, folder, camera);
      else
        m_ThreadsManager.Insert3dsFileObjects(this, fileTitle, fileName, pathName, folder, camera);
    }
    if (GetSplitterFrame() != NULL && GetSplitterFrame()->GetActive3DView() != NULL)
      GetSplitterFrame()->SetActivePane(GetSplitterFrame()->GetActive3DView());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    ShowLoadFailure(pathName);
  } catch (CException* exception) {
    DEBUG_TRACE("\nCException() raised.");
    exception->Delete();
    ShowLoadFailure(pathName);
  }
}

// The document lets go of a frame that is about to leave the world.
void CDXDoc::ForgetJobFrame(CFrame* frame) {
  if (frame == NULL) return;
  if (m_pLastWorkedFrame == frame) m_pLastWorkedFrame = NULL;
  // No camera goes on framing it.
  CTypedPtrList<CPtrList, CCameraFrame*>* cameras = GetWorldDataList()->GetCamerasList();
  for (POSITION at = cameras->GetHeadPosition(); at != NULL;) {
    CCameraFrame* camera = cameras->GetNext(at);
    if (camera->GetViewAllFrame() == frame) camera->SetViewAllFrame(NULL);
  }
  m_SelectedFrameMutex.Lock();
  if (m_pSelectedFrame == frame) SetSelectedFrame(NULL, true);
  m_SelectedFrameMutex.Unlock();
}

// Takes a frame that a failed job attached out of the world again, and
// deletes it when no entry held it.
void CDXDoc::RemoveJobFrame(CFrame* frame) {
  if (frame == NULL) return;
  ForgetJobFrame(frame);
  if (frame->GetParentRenderFrame() == NULL || !GetWorldDataList()->DeleteWorldRenderFrame(frame, false))
    delete frame;
}

bool CDXDoc::InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                CDXThread* thread) {
  CFrame* frame = NULL;
  const bool imported = GuardedCall([&] {
    frame = new CFrame;
    if (FAILED(frame->Initialize(fileName)))
      throw "\nError: CFrame::Initialize() failed in CDXDoc::InsertXFileObjects().";
    frame->SetOriginalFrameFlag(false);
    if (thread != NULL) thread->SetThreadOutput(frame->GetName());
    CXFile file;
    if (!file.LoadXfile(pathName, frame, *GetWorldDataList(), folder, thread))
      throw "\nError: CXFile::LoadXfile() failed in CDXDoc::InsertXFileObjects().";
    camera->GetParentRenderFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    GetWorldDataList()->UpdateWorldTransforms(identity, NULL, false);
    if (!frame->ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CDXDoc::InsertXFileObjects().";
    frame->SetFrameMetricsComputed(true);
    D3DXMATRIX placed = PlaceInFrontOfCamera(frame, camera);
    frame->SetTransformMatrix(&placed, true, CFrame::eReplace, true, false);
    FinishImport(frame, camera, thread);
  });
  if (!imported) {
    UndoImport(frame, camera);
    // The user learns that the file did not come in.
    ReportLoadFailure(thread);
  }
  return imported;
}

bool CDXDoc::Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                  CDXThread* thread) {
  CFrame* frame = NULL;
  // Loading: a failure here deletes the frame, which is not attached yet.
  const bool loaded = GuardedCall([&] {
    frame = new CFrame;
    if (FAILED(frame->Initialize(fileName)))
      throw "\nError: CFrame::Initialize() failed in CDXDoc::InsertXFileObjects().";
    frame->SetOriginalFrameFlag(false);
    if (thread != NULL) thread->SetThreadOutput(frame->GetName());
    if (!Import3dsFile(pathName, folder, frame, thread)) throw "\nError: Import3dsFile() failed ";
    if (!frame->ComputeBoundingObjectsHierarchy(false, false, false))
      throw "\nError: CFrame::ComputeBoundingObjectsHierarchy() failed in CDXDoc::InsertXFileObjects().";
  });
  if (!loaded) {
    ReportLoadFailure(thread);
    delete frame;
    return false;
  }
  const bool imported = GuardedCall([&] {
    frame->SetFrameMetricsComputed(true);
    D3DXMATRIX placed = PlaceInFrontOfCamera(frame, camera);
    camera->GetParentRenderFrame()->AddChildRenderFrame(eOwnedChild, frame, false);
    frame->SetTransformMatrix(&placed, true, CFrame::eReplace, true, false);
    FinishImport(frame, camera, thread);
  });
  if (!imported) UndoImport(frame, camera);
  return imported;
}

bool CDXDoc::InsertConverted3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                           CDXThread* thread) {
  CDXMainFrame* mainFrame = GetMainFrame();
  C3DSFileConverter localConverter;
  C3DSFileConverter* converter = mainFrame != NULL ? mainFrame->Get3DSFileConverter() : &localConverter;
  CString xPath;
  if (!converter->Convert3DSFile(fileName, pathName, folder, xPath, thread)) {
    DEBUG_TRACE("\nError: C3DSFileConverter::Convert3DSFile() failed in CDXDoc::Insert3dsFileObjects().");
    return false;
  }
  bool imported = false;
  if (thread == NULL || thread->WaitForThreadPlayingEvent()) {
    imported = InsertXFileObjects(fileName, const_cast<char*>(static_cast<LPCSTR>(xPath)), folder, camera, thread);
    if (!imported) DEBUG_TRACE("\nError: CDXDoc::InsertXFileObjects() failed in CDXDoc::Insert3dsFileObjects().");
  }
  // The converted file was only a step on the way.
  std::remove(xPath);
  return imported;
}

// The end of a successful import: the frame becomes the last worked frame,
// is selected and viewed whole, and its animation sets join the world.
void CDXDoc::FinishImport(CFrame* frame, CCameraFrame* camera, CDXThread* thread) {
  m_pLastWorkedFrame = frame;
  SetSelectedFrameL(frame);
  camera->SetViewAllFrame(frame);
  camera->ViewAllFrame2(frame, false);
  GetWorldDataList()->InitializeAnimationSetList(NULL);
  if (thread != NULL) thread->FillAnimationSetsCombo();
}

// A failed import leaves no frame in the world and nothing selected.
void CDXDoc::UndoImport(CFrame* frame, CCameraFrame* camera) {
  if (camera != NULL) camera->SetViewAllFrame(NULL);
  GetWorldDataList()->UnselectSelectedFrame();
  RemoveJobFrame(frame);
}

bool CDXDoc::ProcessDroppedFile(const char* path) {
  if (!DeviceReady()) return false;
  CString folder, name, extension;
  if (!SplitDroppedPath(path, folder, name, extension)) return false;
  try {
    SetTitle(name);
    const bool is3ds = extension.CompareNoCase("3ds") == 0;
    const bool isX = extension.CompareNoCase("x") == 0;
    if (is3ds || isX) {
      if (is3ds && GetSplitterFrame() != NULL) GetSplitterFrame()->DisplayReductionManager();
      CCameraFrame* camera = GetMasterCamera();
      if (camera == NULL) throw "\nThe view is not initialized properly.";
      // A dropped .3ds file always goes through the own importer.
      if (isX)
        m_ThreadsManager.InsertXFileObjects(this, name, name, path, folder, camera);
      else
        m_ThreadsManager.Insert3dsFileObjects(this, name, name, path, folder, camera);
    }
    if (GetSplitterFrame() != NULL && GetSplitterFrame()->GetActive3DView() != NULL)
      GetSplitterFrame()->SetActivePane(GetSplitterFrame()->GetActive3DView());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    ShowLoadFailure(path);
  } catch (CException* exception) {
    exception->Delete();
    ShowLoadFailure(path);
  }
  return true;
}

bool CDXDoc::InsertXFileObjects(CFileDialog& dialog, CCameraFrame* camera) {
  CString name = dialog.GetFileName();
  CString path = dialog.GetPathName();
  CString folder = path.Left(path.GetLength() - name.GetLength());
  return InsertXFileObjects(const_cast<char*>(static_cast<LPCSTR>(name)), const_cast<char*>(static_cast<LPCSTR>(path)),
                            const_cast<char*>(static_cast<LPCSTR>(folder)), camera, NULL);
}
