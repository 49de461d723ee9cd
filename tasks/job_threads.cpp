#include "job_threads.h"

#include <dx_doc.h>
#include <reduction_options_form.h>
#include <frame.h>

#include "job_messages.h"

namespace {

constexpr const char* kErrorSound = "error.wav";

CString FormatTitle(const char* format, const char* argument) {
  CString title;
  title.Format(format, argument);
  return title;
}

const char* FrameName(CFrame* frame) {
  const char* name = frame != NULL ? frame->GetName() : NULL;
  return name != NULL ? name : "";
}

}  // namespace

// File jobs.

IMPLEMENT_DYNAMIC(CFileJobThread, CDXThread)

CFileJobThread::CFileJobThread(const char* titleFormat, const char* type)
    : m_pszTitleFormat(titleFormat), m_pszType(type) {
  ClearContent();
}

void CFileJobThread::ClearContent() {
  m_strFileTitle.Empty();
  m_strFileName.Empty();
  m_strPathName.Empty();
  m_strFolder.Empty();
}

void CFileJobThread::SetUpFileJob(HWND mainWindow, CDXDoc* document, const char* input, const char* fileTitle,
                                  const char* fileName, const char* pathName, const char* folder) {
  CDXThread::SetUpParameters(mainWindow, document, FormatTitle(m_pszTitleFormat, fileName), m_pszType, input);
  m_strFileTitle = fileTitle;
  m_strFileName = fileName;
  m_strPathName = pathName;
  m_strFolder = folder;
}

IMPLEMENT_DYNAMIC(CImportFileThread, CFileJobThread)

CImportFileThread::CImportFileThread(const char* titleFormat, const char* type) : CFileJobThread(titleFormat, type) {
  ClearContent();
}

void CImportFileThread::ClearContent() { m_pCamera = NULL; }

void CImportFileThread::DestroyContent() {
  CDXThread::DestroyContent();
  CFileJobThread::ClearContent();
  ClearContent();
}

void CImportFileThread::SetUpParameters(HWND mainWindow, CDXDoc* document, const char* fileTitle, const char* fileName,
                                        const char* pathName, const char* folder, CCameraFrame* camera) {
  SetUpFileJob(mainWindow, document, fileName, fileTitle, fileName, pathName, folder);
  m_pCamera = camera;
}

IMPLEMENT_DYNCREATE(CInsertXFileThread, CImportFileThread)

CInsertXFileThread::CInsertXFileThread() : CImportFileThread("Importing the x file %s", "Importing a .x file") {}

BOOL CInsertXFileThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->InsertXFileObjects(FileName(), PathName(), Folder(), m_pCamera, this); },
                NULL);
}

IMPLEMENT_DYNCREATE(CInsert3dsFileThread, CImportFileThread)

CInsert3dsFileThread::CInsert3dsFileThread()
    : CImportFileThread("Importing the 3ds file %s", "Importing a .3ds file") {}

BOOL CInsert3dsFileThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->Insert3dsFileObjects(FileName(), PathName(), Folder(), m_pCamera, this); },
                NULL);
}

IMPLEMENT_DYNCREATE(CFrom3dsToXfileThread, CImportFileThread)

CFrom3dsToXfileThread::CFrom3dsToXfileThread()
    : CImportFileThread("Importing the 3ds file %s with the conv3ds utility", "Importing a .3ds file") {}

BOOL CFrom3dsToXfileThread::InitInstance() {
  // Afterwards the trace view reads what the converter wrote.
  return RunJob(
      [this] { return GetDXDoc()->InsertConverted3dsFileObjects(FileName(), PathName(), Folder(), m_pCamera, this); },
      NULL, WM_JOB_READ_TRACE_FILE);
}

IMPLEMENT_DYNAMIC(CExportFileThread, CFileJobThread)

CExportFileThread::CExportFileThread(const char* titleFormat, const char* type) : CFileJobThread(titleFormat, type) {
  ClearContent();
}

void CExportFileThread::ClearContent() { m_pFrame = NULL; }

void CExportFileThread::DestroyContent() {
  CDXThread::DestroyContent();
  CFileJobThread::ClearContent();
  ClearContent();
}

void CExportFileThread::SetUpParameters(HWND mainWindow, CDXDoc* document, const char* fileTitle, const char* fileName,
                                        const char* pathName, const char* folder, CFrame* frame) {
  SetUpFileJob(mainWindow, document, FrameName(frame), fileTitle, fileName, pathName, folder);
  m_pFrame = frame;
  SetThreadOutput(fileName);
}

bool CExportFileThread::IsForSelectedFrame(CFrame* frame) { return frame != NULL && frame == m_pFrame; }

IMPLEMENT_DYNCREATE(CExportXFileThread, CExportFileThread)

CExportXFileThread::CExportXFileThread() : CExportFileThread("Exporting the x file %s", "Exporting a .x file") {}

BOOL CExportXFileThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->Export3dObject(m_pFrame, PathName(), this); }, NULL);
}

IMPLEMENT_DYNCREATE(CExport3dsFileThread, CExportFileThread)

CExport3dsFileThread::CExport3dsFileThread()
    : CExportFileThread("Exporting the 3ds file %s", "Exporting a .3ds file") {}

BOOL CExport3dsFileThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->Export3dObjectIn3dsFile(m_pFrame, PathName(), this); }, NULL);
}

// Frame jobs.

IMPLEMENT_DYNAMIC(CFrameJobThread, CDXThread)

CFrameJobThread::CFrameJobThread(const char* titleFormat, const char* type)
    : m_pszTitleFormat(titleFormat), m_pszType(type) {
  ClearContent();
}

void CFrameJobThread::ClearContent() {
  m_pFrame = NULL;
  m_pCamera = NULL;
}

void CFrameJobThread::DestroyContent() {
  CDXThread::DestroyContent();
  ClearContent();
}

void CFrameJobThread::SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow, CCameraFrame* camera) {
  CDXThread::SetUpParameters(mainWindow, document, FormatTitle(m_pszTitleFormat, FrameName(frame)), m_pszType,
                             FrameName(frame));
  m_pFrame = frame;
  m_pCamera = camera;
}

bool CFrameJobThread::IsForSelectedFrame(CFrame* frame) { return frame != NULL && frame == m_pFrame; }

IMPLEMENT_DYNCREATE(CConnectivityFrameThread, CFrameJobThread)

CConnectivityFrameThread::CConnectivityFrameThread()
    : CFrameJobThread("Creating a connectivity frame for the frame %s", "Create a connectivity frame") {}

BOOL CConnectivityFrameThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->CreateConnectivityMeshFrame(m_pFrame, m_pCamera, this); }, kErrorSound);
}

IMPLEMENT_DYNCREATE(CProgressiveFrameThread, CFrameJobThread)

CProgressiveFrameThread::CProgressiveFrameThread()
    : CFrameJobThread("Creating a progressive frame for the frame %s", "Creating a progressive mesh") {}

BOOL CProgressiveFrameThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->ConvertIntoPMeshFrame(m_pFrame, m_pCamera, this); }, kErrorSound);
}

IMPLEMENT_DYNCREATE(CRetainedModeThread, CFrameJobThread)

CRetainedModeThread::CRetainedModeThread()
    : CFrameJobThread("Creating a retained mode frame for the frame %s", "Creating a snapshot") {}

BOOL CRetainedModeThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->ConvertIntoDXMeshFrame(m_pFrame, m_pCamera, this); }, kErrorSound);
}

IMPLEMENT_DYNCREATE(CApplyPMOptionsThread, CFrameJobThread)

CApplyPMOptionsThread::CApplyPMOptionsThread()
    : CFrameJobThread("Apply the display options to the frame %s", "Applying display options") {
  ClearContent();
}

void CApplyPMOptionsThread::ClearContent() { m_fValue = 0.0f; }

void CApplyPMOptionsThread::DestroyContent() {
  CFrameJobThread::DestroyContent();
  ClearContent();
}

void CApplyPMOptionsThread::SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow, CCameraFrame* camera,
                                            float value) {
  CFrameJobThread::SetUpParameters(document, frame, mainWindow, camera);
  m_fValue = value;
}

BOOL CApplyPMOptionsThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->ApplyPMeshDisplayOptions(m_pFrame, m_pCamera, this, m_fValue); },
                kErrorSound);
}

IMPLEMENT_DYNCREATE(CFrameReductionThread, CFrameJobThread)

CFrameReductionThread::CFrameReductionThread()
    : CFrameJobThread("Reducing the triangles count of the frame %s", "Reducing triangles count") {
  ClearContent();
}

void CFrameReductionThread::ClearContent() {
  m_ReductionOptions = REDUCTIONOPTIONS{};
  m_dwInputVertices = 0;
  m_dwInputTriangles = 0;
  m_dwInputHalfEdges = 0;
  m_dwInputEdges = 0;
}

void CFrameReductionThread::DestroyContent() {
  CFrameJobThread::DestroyContent();
  ClearContent();
}

void CFrameReductionThread::SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow) {
  CFrameJobThread::SetUpParameters(document, frame, mainWindow, NULL);
  // The values on the form count, as they stand at the launch.
  CReductionOptionsFormView* form = document->GetReductionOptionsFormView();
  if (form != NULL) form->SetInDocument();
  m_ReductionOptions = document->GetReductionOptions();
  if (frame != NULL) {
    m_dwInputVertices = frame->GetActiveVerticesCount(false);
    m_dwInputTriangles = frame->GetActiveTrianglesCount(false);
    m_dwInputHalfEdges = frame->GetActiveHalfEdgesCount();
    m_dwInputEdges = frame->GetActiveEdgesCount();
  }
}

BOOL CFrameReductionThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->ReduceTrianglesCount(m_pFrame, &m_ReductionOptions, this); }, kErrorSound);
}

// Do it all.

IMPLEMENT_DYNCREATE(CDoItAllPMeshThread, CDXThread)

CDoItAllPMeshThread::CDoItAllPMeshThread() { ClearContent(); }

void CDoItAllPMeshThread::ClearContent() { m_pCamera = NULL; }

void CDoItAllPMeshThread::DestroyContent() {
  CDXThread::DestroyContent();
  ClearContent();
}

void CDoItAllPMeshThread::SetUpParameters(HWND mainWindow, CDXDoc* document, CCameraFrame* camera) {
  CDXThread::SetUpParameters(mainWindow, document, "Do it all", "Do it all", "");
  m_pCamera = camera;
}

BOOL CDoItAllPMeshThread::InitInstance() {
  return RunJob([this] { return GetDXDoc()->DoItAllPMesh(m_pCamera, this); }, kErrorSound);
}
