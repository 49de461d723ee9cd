// CDXDoc: the document of one open scene. It owns the scene's world, its jobs
// (threads manager), the cameras of its views, its textures, its settings
// (the record of "Config.dat") and the option records spread from them; it
// keeps the list of its 3D views, the selection with the requests the frame
// loop carries out when a busy lock kept the user interface from doing them
// at once, and the windows that show it, to which it forwards job events.
#pragma once

#include <afxtempl.h>
#include <afxwin.h>
#include <configfile.h>
#include <dx_mutex.h>
#include <dxtexturemanager.h>
#include <threads_manager.h>
#include <windows.h>
#include <xfiledatalist.h>

#include <functional>
#include <memory>

#include "display_options.h"
#include "reduction_options.h"

class CAnimationSet;
class CCameraFrame;
class CCameraManager;
class CChildObject;
class CCMeshOptionsFormView;
class CDXFile3DView;
class CDXFileTraceView;
class CDXFileTreeView;
class CDXMesh;
class CDXPMesh;
class CDXPMeshFrame;
class CFileDialog;
class CDXSplitterFrame;
class CDXThread;
class CFrame;
class CZUVidovsFormView;
class CLightsManager;
class CPMeshOptionsFormView;
class CReductionMethodsFormView;
class CReductionOptionsFormView;
class CRootRenderFrame;
class CThreadFormView;
class CThreadsListView;
class CXFileDataObject;
struct D3DXMATRIX;
struct IDirect3DDevice8;

class CDXDoc : public CDocument {
  DECLARE_DYNCREATE(CDXDoc)

 public:
  CDXDoc();
  ~CDXDoc() override;

  // Life (dx_doc.cpp).
  void ClearContent();
  // The framework's new-document step, then Initialize.
  BOOL OnNewDocument() override;
  // Stops the jobs and leaves the document list before the framework closes.
  void OnCloseDocument() override;
  // Makes the locks, reads the settings, builds the world, binds the camera
  // manager, joins the document list, makes the threads manager and
  // activates the document's frame. False when a step failed: what it had
  // made is taken down again. Unreadable settings are no failure here: the
  // defaults are used and GetConfigDataFailed says so.
  bool Initialize();
  void DestroyContent();
  void DeleteContents() override {}

  // Accessors.
  CXFileDataList* GetWorldDataList() { return &m_xFileTopLevelObjects; }
  CThreadsManager* GetThreadsManager() { return &m_ThreadsManager; }
  // The document's own texture manager, never NULL.
  CDXTextureManager* GetTextureManager() { return &m_TextureManager; }
  // Makes and takes back the cameras of the document's 3D views.
  CCameraManager* GetCameraManager() { return m_pCameraManager.get(); }
  // The document's settings; the defaults until the settings file is read.
  CONFIGFILE* GetConfig() { return &m_Config; }
  bool GetConfigDataFailed() const { return m_bConfigDataFailed != 0; }
  REDUCTIONOPTIONS GetReductionOptions() const { return m_ReductionOptions; }
  void SetReductionOptions(REDUCTIONOPTIONS& options) { m_ReductionOptions = options; }
  // Spreads a form's record over both option records; nothing is saved.
  void SetReductionOptions(FORMREDUCTIONOPTIONS& options);
  // A copy taken without the display-options lock.
  DISPLAYOPTIONS GetDisplayOptions() const { return m_DisplayOptions; }
  CFrame* GetSelectedFrame() const { return m_pSelectedFrame; }
  // The progressive mesh that the views show in the highlight colour and
  // whose level the slider sets; NULL for none.
  CDXPMesh* GetSelectedPMesh() const { return m_pSelectedPMesh; }
  CMutex* GetSelectedFrameMutex() { return &m_SelectedFrameMutex; }
  CMutex* GetSelectedPMeshMutex() { return &m_SelectedPMeshMutex; }
  float GetMaxVertexRemovalCostRatio() const { return m_fMaxVertexRemovalCostRatio; }
  void SetMaxVertexRemovalCostRatio(float ratio) { m_fMaxVertexRemovalCostRatio = ratio; }
  // Whether renderers use a material's diffuse colour as its ambient colour.
  bool DiffuseForAmbientColor() const { return m_Config.bDiffuseForAmbientColor != 0; }
  CTypedPtrList<CPtrList, CDXMesh*>* GetDXMeshList() { return m_xFileTopLevelObjects.GetDXMeshList(); }
  CMutex& GetDXMeshListMutex() { return m_xFileTopLevelObjects.GetDXMeshListMutex(); }
  CRootRenderFrame* GetRenderFrame() const { return m_xFileTopLevelObjects.GetRenderFrame(); }
  CFrame* GetWorldContentFrame() const { return m_xFileTopLevelObjects.GetWorldContentFrame(); }
  CLightsManager* GetWorldLightsManager() { return m_xFileTopLevelObjects.GetLightsManager(); }
  CFrame* GetLastWorkedFrame() const { return m_pLastWorkedFrame; }
  void SetLastWorkedFrame(CFrame* frame) { m_pLastWorkedFrame = frame; }

  // The windows that show the document; each sets itself when it is made and
  // NULL when it goes.
  CDXSplitterFrame* GetSplitterFrame() const { return m_pSplitterFrame; }
  CDXFileTraceView* GetTraceView() const { return m_pTraceView; }
  CDXFileTreeView* GetTreeView() const { return m_pTreeView; }
  CZUVidovsFormView* GetLightsFormView() const { return m_pLightsFormView; }
  CThreadFormView* GetThreadFormView() const { return m_pThreadFormView; }
  CThreadsListView* GetThreadsListView() const { return m_pThreadsListView; }
  CReductionOptionsFormView* GetReductionOptionsFormView() const { return m_pReductionOptionsFormView; }
  CReductionMethodsFormView* GetReductionMethodsFormView() const { return m_pReductionMethodsFormView; }
  CPMeshOptionsFormView* GetPMeshOptionsFormView() const { return m_pPMeshOptionsFormView; }
  CCMeshOptionsFormView* GetCMeshOptionsFormView() const { return m_pCMeshOptionsFormView; }
  void SetSplitterFrame(CDXSplitterFrame* frame) { m_pSplitterFrame = frame; }
  void SetTraceView(CDXFileTraceView* view) { m_pTraceView = view; }
  void SetTreeView(CDXFileTreeView* view) { m_pTreeView = view; }
  void SetLightsFormView(CZUVidovsFormView* view) { m_pLightsFormView = view; }
  void SetThreadFormView(CThreadFormView* view) { m_pThreadFormView = view; }
  void SetThreadsListView(CThreadsListView* view) { m_pThreadsListView = view; }
  void SetReductionOptionsFormView(CReductionOptionsFormView* view) { m_pReductionOptionsFormView = view; }
  void SetReductionMethodsFormView(CReductionMethodsFormView* view) { m_pReductionMethodsFormView = view; }
  void SetPMeshOptionsFormView(CPMeshOptionsFormView* view) { m_pPMeshOptionsFormView = view; }
  void SetCMeshOptionsFormView(CCMeshOptionsFormView* view) { m_pCMeshOptionsFormView = view; }

  // Forwarders to the windows (main thread); each does nothing while its
  // window is not open (dx_doc_windows.cpp).
  void PopulateTree();
  void ResetTreeDisplayName(CChildObject* entry);
  void DeleteTreeItem(CChildObject* entry);
  void FillAnimationSetsCombo();
  // The animation step tells the document the time of the set it advanced.
  void SetAnimationTime(CAnimationSet* set);
  void SetSlider();
  void OnReadThreadInfo(CDXThread* thread);
  void OnThreadCreated(CDXThread* thread);
  void OnThreadTraceFileCreated(CDXThread* thread);
  void OnReadThreadTraceFile(CDXThread* thread);

  // Views and cameras.
  CDXFile3DView* GetActive3DView();
  CCameraFrame* GetMasterCamera();
  CCameraFrame* GetNextCamera();

  // World.
  void DeleteWorldObject(CXFileDataObject* object);
  bool EnableDocumentLights(IDirect3DDevice8* device);
  // The document's window closes: stops and deletes its jobs.
  void KillThreads();

  // Settings file "Config.dat" in the program folder (dx_doc_config.cpp).
  bool ReadConfigFile(CONFIGFILE& config);
  bool CreateDefaultConfigFile(CONFIGFILE& config);
  bool SaveConfigFile(CONFIGFILE& config);
  bool SaveConfigFile();
  bool GetConfigData(CONFIGFILE& config);
  // Takes the settings, spreads them over the option records and saves them.
  void SetConfig(CONFIGFILE* config);

  // Option records (dx_doc_options.cpp).
  bool InitializeReductionOptions();
  void DestroyReductionOptions();
  void LockDisplayOptions();
  void UnlockDisplayOptions();
  bool TryLockDisplayOptions();
  // A copy when the lock is free at once; else false and an all-zero record.
  bool TryGetDisplayOptions(DISPLAYOPTIONS& options);
  void SetDisplayOptions(DISPLAYOPTIONS& options);

  // Sets the shade mode (Gouraud or flat) and the fill mode (solid or
  // wireframe) of the device from the settings, each only when it differs.
  void SetDeviceFillingShading(IDirect3DDevice8* device);

  // View list and rendering (dx_doc_render.cpp). A busy view list makes the
  // walkers throw when tryLock is set.
  void AddView(CDXFile3DView* view);
  bool RemoveView(CDXFile3DView* view);
  CTypedPtrList<CPtrList, CDXFile3DView*>* GetViewList() { return &m_ViewList; }
  CMutex* GetViewListMutex() { return &m_ViewListMutex; }
  bool RenderDocumentScene(bool tryLock);
  bool Render3DViews(DWORD elapsed, bool tryLock);
  bool UpdateAll3DViews(bool tryLock);
  bool Is3DViewVisible(bool tryLock);
  bool Refresh3DViews(bool tryLock);
  void UpdateViews();

  // Selection and the frame loop's requests (dx_doc_selection.cpp). L waits
  // for the lock; TL tries it and gives up; RTL tries it and stores a request
  // when it is busy; RTLIL carries out a stored request once the lock is free.
  void SetSelectedFrame(CFrame* frame, bool keepWorld);
  void SetSelectedFrameL(CFrame* frame);
  void RequestSetSelectedFrame(CFrame* frame);
  void SetSelectedFrameRTLIL();
  void OnSetSelectedFrameRTLIL();
  bool PressLeftButtonDownTL(POINT* point, CCameraFrame* camera, bool tryLock);
  bool DragLeftButtonTL(POINT* point, CCameraFrame* camera);
  bool ReleaseLeftButtonRTL(POINT* point, CCameraFrame* camera, bool tryLock);
  void RequestReleaseLeftButton(POINT* point, CCameraFrame* camera);
  void ReleaseLeftButtonRTLIL(bool tryLock);
  void SetSelectedPMesh(CDXPMesh* pmesh);
  bool SetSelectedPMeshTL(CDXPMesh* pmesh);
  bool SetSelectedPMeshRTL(CDXPMesh* pmesh);
  void SetSelectedPMeshRTLIL();
  void OnSetSelectedPMeshRTLIL();
  void SetSelectedPMeshPercentageDisplayed();
  bool SetSelectedPMeshPercentageDisplayedRTL();
  void SetSelectedPMeshPercentageDisplayedRTLIL();
  bool ResetSelectedPMeshPercentageDisplayedRTL(CDXPMesh* pmesh);
  void ResetSelectedPMeshPercentageDisplayedRTLIL();
  // The frame loop's requests in their order, for a document without an
  // active job, before it is rendered.
  void ProcessRequestsRTLIL();

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
  // device is not ready or the path has neither a separator ('\\' or '/') nor
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
  // Converts frame's meshes in place by convert; on failure or stop undo
  // (when given) converts back, and the frame keeps its kind and is shown.
  using FrameConversion = void (CFrame::*)(IDirect3DDevice8*, REDUCTIONOPTIONS*, CDXThread*);
  bool ConvertFrameInPlace(CFrame* frame, CDXThread* thread, FrameConversion convert, FrameConversion undo);
  void AttachBesideSource(CFrame* frame, CFrame* source, D3DXMATRIX* transform, CCameraFrame* camera);
  void UndoBesideSource(CFrame* frame, CCameraFrame* camera);
  bool BuildInPlaceOfSource(CFrame*& result, CFrame* source, CCameraFrame* camera, CDXThread* thread,
                            const std::function<void(CFrame*&)>& shell, const std::function<void(CFrame*)>& content);
  void ForgetJobFrame(CFrame* frame);
  void RemoveJobFrame(CFrame* frame);
  // Helpers of the commands.
  CView* FindDocumentView(const void* view);
  bool IsActiveDocumentFrame();
  int SelectedFrameTypeForCommands();
  void StepThroughWorld(bool forwards);

  // Takes down what Initialize made, in reverse order.
  void UndoInitialize();
  // Copies the settings' fields into the option records (no lock, no save).
  void SpreadConfig();
  // The active 3D view of a maximised splitter frame, else NULL.
  CDXFile3DView* ZoomedView();
  // Treats the zoomed view alone, else every listed view, under the view
  // list's lock (a busy lock throws with tryLock).
  template <class Treat>
  void ForEach3DView(bool tryLock, Treat treat);
  // Tells the tree and reduction-methods views of the document.
  void NotifySelectedFrame(CFrame* frame);
  void NotifySelectedPMesh(CDXPMesh* pmesh);
  void UpdateSharedObjectsOf(CView* view);

  CXFileDataList m_xFileTopLevelObjects;
  REDUCTIONOPTIONS m_ReductionOptions;
  // Frame selection and its requests, under m_SelectedFrameMutex.
  CFrame* m_pSelectedFrame;
  BYTE m_bSelectedFrameChanged;
  CFrame* m_pRequestedFrame;
  BYTE m_bRequestedFramePending;
  CMutex m_SelectedFrameMutex;
  POINT m_ReleasedButtonPoint;
  CCameraFrame* m_pReleasedButtonCamera;
  BYTE m_bReleasedButtonPending;
  // Progressive-mesh selection and its requests, under m_SelectedPMeshMutex.
  CDXPMesh* m_pSelectedPMesh;
  BYTE m_bSelectedPMeshChanged;
  CMutex m_SelectedPMeshMutex;
  CDXPMesh* m_pRequestedPMesh;
  BYTE m_bRequestedPMeshPending;
  BYTE m_bPercentageDisplayedPending;
  CDXPMesh* m_pResetPMesh;
  BYTE m_bResetPMeshPending;
  // Windows told about job events.
  CDXFileTraceView* m_pTraceView;
  CDXFileTreeView* m_pTreeView;
  CZUVidovsFormView* m_pLightsFormView;
  CThreadFormView* m_pThreadFormView;
  CThreadsListView* m_pThreadsListView;
  CDXSplitterFrame* m_pSplitterFrame;
  CThreadsManager m_ThreadsManager;
  CReductionOptionsFormView* m_pReductionOptionsFormView;
  CReductionMethodsFormView* m_pReductionMethodsFormView;
  CPMeshOptionsFormView* m_pPMeshOptionsFormView;
  CCMeshOptionsFormView* m_pCMeshOptionsFormView;
  float m_fMaxVertexRemovalCostRatio;
  DISPLAYOPTIONS m_DisplayOptions;
  HANDLE m_hDisplayOptionsMutex;
  std::unique_ptr<CCameraManager> m_pCameraManager;
  CFrame* m_pLastWorkedFrame;
  BYTE m_bConfigDataFailed;
  CONFIGFILE m_Config;
  CDXTextureManager m_TextureManager;
  CTypedPtrList<CPtrList, CDXFile3DView*> m_ViewList;
  CMutex m_ViewListMutex;
  // Whether Initialize put the document in the document list.
  bool m_bInDocList;
};
