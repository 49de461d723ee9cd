// CDXDoc: the document of one open scene: its threads manager, its reduction
// options and the job bodies that its jobs run on their own threads.
#pragma once

#include <configfile.h>
#include <dxtexturemanager.h>
#include <threads_manager.h>
#include <afxwin.h>
#include <windows.h>

#include <memory>

#include <xfiledatalist.h>

#include "display_options.h"
#include "reduction_options.h"

class CAnimationSet;
class CCameraFrame;
class CChildObject;
class CDXFile3DView;
class CDXSplitterFrame;
class CCameraManager;
class CDXPMesh;
class CDXPMeshFrame;
class CFileDialog;
class CDXThread;
class CFrame;
class CLightsFormView;
class CReductionMethodsFormView;
class CReductionOptionsFormView;
struct D3DXMATRIX;
struct IDirect3DDevice8;

class CDXDoc : public CDocument {
  DECLARE_DYNCREATE(CDXDoc)

 public:
  CDXDoc();
  ~CDXDoc() override;

  // A new document joins the application's document list with its threads
  // manager; a closing one stops its jobs and leaves the list.
  BOOL OnNewDocument() override;
  void OnCloseDocument() override;

  // Makes the threads manager; false when it cannot.
  bool Initialize();
  // The document's window closes: stops and deletes its jobs.
  void KillThreads();

  CThreadsManager* GetThreadsManager() { return &m_ThreadsManager; }
  CXFileDataList* GetWorldDataList() { return &m_xFileTopLevelObjects; }
  bool GetConfigDataFailed() const { return false; }
  CDXSplitterFrame* GetSplitterFrame() const { return m_pSplitterFrame; }
  void SetSplitterFrame(CDXSplitterFrame* frame) { m_pSplitterFrame = frame; }
  bool EnableDocumentLights(IDirect3DDevice8* device);

  // The job events the main frame hands over.
  void ResetTreeDisplayName(CChildObject*) {}
  void DeleteTreeItem(CChildObject*) {}
  void FillAnimationSetsCombo() {}
  void SetAnimationTime(CAnimationSet*) {}
  void SetSlider() {}
  void OnReadThreadInfo(CDXThread*) {}
  void OnThreadCreated(CDXThread*) {}
  void OnThreadTraceFileCreated(CDXThread*) {}
  void OnReadThreadTraceFile(CDXThread*) {}

  // View list and rendering.
  void AddView(CDXFile3DView* view);
  bool RemoveView(CDXFile3DView* view);
  CTypedPtrList<CPtrList, CDXFile3DView*>* GetViewList() { return &m_ViewList; }
  bool RenderDocumentScene(bool tryLock);
  bool UpdateAll3DViews(bool tryLock);
  void UpdateViews() {}

  // Selection.
  void SetSelectedFrame(CFrame* frame, bool keepWorld);
  void SetSelectedFrameL(CFrame* frame);
  CFrame* GetSelectedFrame() const { return m_pSelectedFrame; }
  CFrame* GetLastWorkedFrame() const { return m_pLastWorkedFrame; }
  void SetLastWorkedFrame(CFrame* frame) { m_pLastWorkedFrame = frame; }
  CCameraFrame* GetMasterCamera();
  CCameraFrame* GetNextCamera();
  CLightsFormView* GetLightsFormView() const { return NULL; }
  CReductionMethodsFormView* GetReductionMethodsFormView() const { return NULL; }
  bool PressLeftButtonDownTL(POINT*, CCameraFrame*, bool) { return true; }
  bool DragLeftButtonTL(POINT*, CCameraFrame*) { return true; }
  bool ReleaseLeftButtonRTL(POINT*, CCameraFrame*, bool) { return true; }
  void ProcessRequestsRTLIL() {}
  // Makes and takes back the cameras of the document's 3D views.
  CCameraManager* GetCameraManager() { return m_pCameraManager.get(); }
  // The document's own texture manager, never NULL.
  CDXTextureManager* GetTextureManager() { return &m_TextureManager; }
  CReductionOptionsFormView* GetReductionOptionsFormView() { return m_pReductionOptionsFormView; }
  void SetReductionOptionsFormView(CReductionOptionsFormView* view) { m_pReductionOptionsFormView = view; }
  REDUCTIONOPTIONS GetReductionOptions() const { return m_ReductionOptions; }
  void SetReductionOptions(REDUCTIONOPTIONS& options) { m_ReductionOptions = options; }
  DISPLAYOPTIONS GetDisplayOptions() const { return m_DisplayOptions; }
  void SetDisplayOptions(const DISPLAYOPTIONS& options) { m_DisplayOptions = options; }
  // The document's settings; the defaults until the settings file is read.
  CONFIGFILE* GetConfig() { return &m_Config; }
  // Whether renderers use a material's diffuse colour as its ambient colour.
  bool DiffuseForAmbientColor() const { return m_Config.bDiffuseForAmbientColor != 0; }
  // The progressive mesh that the views show in the highlight colour and
  // whose level the slider sets; NULL for none.
  CDXPMesh* GetSelectedPMesh() const { return m_pSelectedPMesh; }
  void SetSelectedPMesh(CDXPMesh* pmesh) { m_pSelectedPMesh = pmesh; }
  // Sets the shade mode (Gouraud or flat) and the fill mode (solid or
  // wireframe) of the device from the settings, each only when it differs.
  void SetDeviceFillingShading(IDirect3DDevice8* device);

  // Job bodies: each runs on the job's thread, reports through the job and
  // answers true on success, false on failure or when the job was stopped.
  virtual bool InsertXFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                  CDXThread* thread);
  virtual bool Insert3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                    CDXThread* thread);
  virtual bool InsertConverted3dsFileObjects(char* fileName, char* pathName, char* folder, CCameraFrame* camera,
                                             CDXThread* thread);
  virtual bool Export3dObject(CFrame* frame, char* pathName, CDXThread* thread);
  virtual bool Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread);
  virtual bool CreateConnectivityMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread);
  virtual bool ConvertIntoPMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread);
  virtual bool ConvertIntoDXMeshFrame(CFrame* frame, CCameraFrame* camera, CDXThread* thread);
  virtual bool ApplyPMeshDisplayOptions(CFrame* frame, CCameraFrame* camera, CDXThread* thread, float value);
  virtual bool ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread);
  virtual bool DoItAllPMesh(CCameraFrame* camera, CDXThread* thread);

  // Imports (dx_doc_import.cpp), on the main thread. Starts the import job of
  // a file whose extension is "x" or "3ds" (in any case) in front of the
  // master camera; other extensions start nothing.
  void Insert3dObjectFromFile(char* fileTitle, char* fileName, char* pathName, char* folder, const char* extension);
  // A file dropped on the application: the document takes its name and
  // imports it (a .3ds file always by the own importer). False when the
  // device is not ready or the path has neither a separator ('\' or '/') nor
  // a dot; true otherwise, also after a failure message.
  bool ProcessDroppedFile(const char* path);
  // Imports the .x file of a confirmed dialog on the calling thread.
  bool InsertXFileObjects(CFileDialog& dialog, CCameraFrame* camera);
  // Frames built in the place of their source, which is hidden (for
  // do-it-all; dx_doc_build.cpp); result is the new frame, NULL on failure.
  bool CreateProgressiveMeshFrame(CDXPMeshFrame*& result, CFrame* source, CCameraFrame* camera, CDXThread* thread);
  bool CreateRetainedModeMeshFrame(CFrame*& result, CFrame* source, CCameraFrame* camera, CDXThread* thread);
  // The apply button of the reduction methods form: the selected frame's
  // progressive meshes are set to percentage by a job.
  void OnApplyPMeshDisplayOptions(float percentage);

 protected:
  // Commands (dx_doc_commands.cpp).
  void OnViewLightsManager();
  void OnUpdateViewLightsManager(CCmdUI* cmdUI);
  void OnCreateConnectivityMesh();
  void OnCreateProgressiveMesh();
  void OnCreateRetainedModeFrame();
  void OnExport3dObject();
  void OnTurboMode();
  void OnPreviousWorldObject();
  void OnNextWorldObject();
  void OnUpdateCreateConnectivityMesh(CCmdUI* cmdUI);
  void OnUpdateFromReducedToRetainedModeMesh(CCmdUI* cmdUI);
  void OnUpdateExport3dObject(CCmdUI* cmdUI);
  void OnUpdateTurboMode(CCmdUI* cmdUI);
  void OnUpdatePreviousWorldObject(CCmdUI* cmdUI);
  void OnUpdateNextWorldObject(CCmdUI* cmdUI);
  DECLARE_MESSAGE_MAP()

 private:
  // Steps shared by the job bodies.
  void FinishImport(CFrame* frame, CCameraFrame* camera, CDXThread* thread);
  void UndoImport(CFrame* frame, CCameraFrame* camera);
  void BeginFrameJob(CFrame* frame);
  void AttachBesideSource(CFrame* frame, CFrame* source, D3DXMATRIX* transform, CCameraFrame* camera);
  void UndoBesideSource(CFrame* frame, CCameraFrame* camera);
  void ForgetJobFrame(CFrame* frame);
  void RemoveJobFrame(CFrame* frame);
  // Helpers of the commands.
  CView* FindDocumentView(const void* view);
  bool IsActiveDocumentFrame();
  int SelectedFrameTypeForCommands();
  void StepThroughWorld(bool forwards);

 private:
  CXFileDataList m_xFileTopLevelObjects;
  CFrame* m_pSelectedFrame = nullptr;
  CMutex m_SelectedFrameMutex;
  CFrame* m_pLastWorkedFrame = nullptr;
  CDXSplitterFrame* m_pSplitterFrame = nullptr;
  CTypedPtrList<CPtrList, CDXFile3DView*> m_ViewList;
  CThreadsManager m_ThreadsManager;
  std::unique_ptr<CCameraManager> m_pCameraManager;
  CDXTextureManager m_TextureManager;
  REDUCTIONOPTIONS m_ReductionOptions;
  DISPLAYOPTIONS m_DisplayOptions;
  CONFIGFILE m_Config;
  CReductionOptionsFormView* m_pReductionOptionsFormView;
  CDXPMesh* m_pSelectedPMesh = nullptr;
};

// The form of a document's reduction options.
class CReductionOptionsFormView {
 public:
  explicit CReductionOptionsFormView(CDXDoc* document);
  virtual ~CReductionOptionsFormView();

  // The values on the form.
  REDUCTIONOPTIONS& GetFormOptions() { return m_FormOptions; }
  // Copies the values on the form into the document.
  void SetInDocument();

 private:
  CDXDoc* m_pDocument;
  REDUCTIONOPTIONS m_FormOptions;
};
