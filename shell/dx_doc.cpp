#include "dx_doc.h"

#include <cstring>

CDXDoc::CDXDoc() : m_pReductionOptionsFormView(NULL) { std::memset(&m_ReductionOptions, 0, sizeof m_ReductionOptions); }

CDXDoc::~CDXDoc() { m_ThreadsManager.DestroyContent(); }

bool CDXDoc::Initialize() { return m_ThreadsManager.Initialize(); }

void CDXDoc::KillThreads() { m_ThreadsManager.DestroyThreadsList(); }

// The scene operations behind the job bodies are not part of this build yet:
// each body reports that it did nothing.
bool CDXDoc::InsertXFileObjects(char*, char*, char*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::Insert3dsFileObjects(char*, char*, char*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::InsertConverted3dsFileObjects(char*, char*, char*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::Export3dObject(CFrame*, char*, CDXThread*) { return false; }
bool CDXDoc::Export3dObjectIn3dsFile(CFrame*, char*, CDXThread*) { return false; }
bool CDXDoc::CreateConnectivityMeshFrame(CFrame*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::ConvertIntoPMeshFrame(CFrame*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::ConvertIntoDXMeshFrame(CFrame*, CCameraFrame*, CDXThread*) { return false; }
bool CDXDoc::ApplyPMeshDisplayOptions(CFrame*, CCameraFrame*, CDXThread*, float) { return false; }
bool CDXDoc::ReduceTrianglesCount(CFrame*, REDUCTIONOPTIONS*, CDXThread*) { return false; }
bool CDXDoc::DoItAllPMesh(CCameraFrame*, CDXThread*) { return false; }

CReductionOptionsFormView::CReductionOptionsFormView(CDXDoc* document) : m_pDocument(document) {
  m_FormOptions = document->GetReductionOptions();
  m_pDocument->SetReductionOptionsFormView(this);
}

CReductionOptionsFormView::~CReductionOptionsFormView() { m_pDocument->SetReductionOptionsFormView(NULL); }

void CReductionOptionsFormView::SetInDocument() { m_pDocument->SetReductionOptions(m_FormOptions); }
