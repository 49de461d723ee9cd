// The eleven jobs: each stores the arguments of its launch, names itself for
// the threads view and runs one job body of the document on its own thread.
#pragma once

#include <reduction_options.h>

#include "dx_thread.h"

class CCameraFrame;
class CFrame;

// A job on a file: four strings (file title, file name, path, folder).
class CFileJobThread : public CDXThread {
  DECLARE_DYNAMIC(CFileJobThread)

 public:
  CString GetFileDirectory() const { return m_strFolder; }
  bool UpdateVerticesCount() override { return true; }
  bool UpdateTrianglesCount() override { return true; }

 protected:
  CFileJobThread(const char* titleFormat, const char* type);
  void ClearContent();
  void SetUpFileJob(HWND mainWindow, CDXDoc* document, const char* input, const char* fileTitle, const char* fileName,
                    const char* pathName, const char* folder);
  char* FileName() { return const_cast<char*>(static_cast<const char*>(m_strFileName)); }
  char* PathName() { return const_cast<char*>(static_cast<const char*>(m_strPathName)); }
  char* Folder() { return const_cast<char*>(static_cast<const char*>(m_strFolder)); }

  CString m_strFileTitle;
  CString m_strFileName;
  CString m_strPathName;
  CString m_strFolder;

 private:
  const char* m_pszTitleFormat;
  const char* m_pszType;
};

// Brings a file into the world in front of a camera.
class CImportFileThread : public CFileJobThread {
  DECLARE_DYNAMIC(CImportFileThread)

 public:
  void SetUpParameters(HWND mainWindow, CDXDoc* document, const char* fileTitle, const char* fileName,
                       const char* pathName, const char* folder, CCameraFrame* camera);
  void DestroyContent() override;

 protected:
  CImportFileThread(const char* titleFormat, const char* type);
  void ClearContent();

  CCameraFrame* m_pCamera;
};

class CInsertXFileThread : public CImportFileThread {
  DECLARE_DYNCREATE(CInsertXFileThread)

 public:
  CInsertXFileThread();
  BOOL InitInstance() override;
};

class CInsert3dsFileThread : public CImportFileThread {
  DECLARE_DYNCREATE(CInsert3dsFileThread)

 public:
  CInsert3dsFileThread();
  BOOL InitInstance() override;
};

// Imports a .3ds file through the outside converter.
class CFrom3dsToXfileThread : public CImportFileThread {
  DECLARE_DYNCREATE(CFrom3dsToXfileThread)

 public:
  CFrom3dsToXfileThread();
  BOOL InitInstance() override;
};

// Saves a frame into a file; claims the frame.
class CExportFileThread : public CFileJobThread {
  DECLARE_DYNAMIC(CExportFileThread)

 public:
  void SetUpParameters(HWND mainWindow, CDXDoc* document, const char* fileTitle, const char* fileName,
                       const char* pathName, const char* folder, CFrame* frame);
  void DestroyContent() override;
  bool IsForSelectedFrame(CFrame* frame) override;

 protected:
  CExportFileThread(const char* titleFormat, const char* type);
  void ClearContent();

  CFrame* m_pFrame;
};

class CExportXFileThread : public CExportFileThread {
  DECLARE_DYNCREATE(CExportXFileThread)

 public:
  CExportXFileThread();
  BOOL InitInstance() override;
};

class CExport3dsFileThread : public CExportFileThread {
  DECLARE_DYNCREATE(CExport3dsFileThread)

 public:
  CExport3dsFileThread();
  BOOL InitInstance() override;
};

// A job on one frame of the world; claims the frame.
class CFrameJobThread : public CDXThread {
  DECLARE_DYNAMIC(CFrameJobThread)

 public:
  void SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow, CCameraFrame* camera);
  void DestroyContent() override;
  bool IsForSelectedFrame(CFrame* frame) override;
  bool UpdateVerticesCount() override { return true; }
  bool UpdateTrianglesCount() override { return true; }

 protected:
  CFrameJobThread(const char* titleFormat, const char* type);
  void ClearContent();

  CFrame* m_pFrame;
  CCameraFrame* m_pCamera;

 private:
  const char* m_pszTitleFormat;
  const char* m_pszType;
};

class CConnectivityFrameThread : public CFrameJobThread {
  DECLARE_DYNCREATE(CConnectivityFrameThread)

 public:
  CConnectivityFrameThread();
  BOOL InitInstance() override;
  bool UpdateHalfEdgesCount() override { return true; }
  bool UpdateEdgesCount() override { return true; }
};

class CProgressiveFrameThread : public CFrameJobThread {
  DECLARE_DYNCREATE(CProgressiveFrameThread)

 public:
  CProgressiveFrameThread();
  BOOL InitInstance() override;
};

class CRetainedModeThread : public CFrameJobThread {
  DECLARE_DYNCREATE(CRetainedModeThread)

 public:
  CRetainedModeThread();
  BOOL InitInstance() override;
};

// Sets the level of detail of a frame's progressive meshes.
class CApplyPMOptionsThread : public CFrameJobThread {
  DECLARE_DYNCREATE(CApplyPMOptionsThread)

 public:
  CApplyPMOptionsThread();
  void SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow, CCameraFrame* camera, float value);
  BOOL InitInstance() override;
  void DestroyContent() override;
  bool UpdateHalfEdgesCount() override { return true; }
  bool UpdateEdgesCount() override { return true; }

 private:
  void ClearContent();

  float m_fValue;
};

// Reduces the triangles of a connectivity frame with the options that the
// document had when the job was launched.
class CFrameReductionThread : public CFrameJobThread {
  DECLARE_DYNCREATE(CFrameReductionThread)

 public:
  CFrameReductionThread();
  void SetUpParameters(CDXDoc* document, CFrame* frame, HWND mainWindow);
  BOOL InitInstance() override;
  void DestroyContent() override;
  bool UpdateHalfEdgesCount() override { return true; }
  bool UpdateEdgesCount() override { return true; }

  REDUCTIONOPTIONS* GetReductionOptions() { return &m_ReductionOptions; }
  // The frame's active counts when the job was set up.
  DWORD GetInputVerticesCount() const { return m_dwInputVertices; }
  DWORD GetInputTrianglesCount() const { return m_dwInputTriangles; }
  DWORD GetInputHalfEdgesCount() const { return m_dwInputHalfEdges; }
  DWORD GetInputEdgesCount() const { return m_dwInputEdges; }
  // For a job on content that is not a frame: its triangles count at set-up.
  void SetInputTrianglesCount(DWORD count) { m_dwInputTriangles = count; }

 private:
  void ClearContent();

  REDUCTIONOPTIONS m_ReductionOptions;
  DWORD m_dwInputVertices;
  DWORD m_dwInputTriangles;
  DWORD m_dwInputHalfEdges;
  DWORD m_dwInputEdges;
};

// Asks for a file, imports it and makes its progressive and snapshot frames.
class CDoItAllPMeshThread : public CDXThread {
  DECLARE_DYNCREATE(CDoItAllPMeshThread)

 public:
  CDoItAllPMeshThread();
  void SetUpParameters(HWND mainWindow, CDXDoc* document, CCameraFrame* camera);
  BOOL InitInstance() override;
  void DestroyContent() override;

 private:
  void ClearContent();

  CCameraFrame* m_pCamera;
};
