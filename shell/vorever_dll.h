// The library's entry for the host: the main frame and the seven document
// templates.
#pragma once

#include <afxwin.h>

class CDXDoc;
class CDXMainFrame;

// Builds the main frame (not shown) and the document templates; once.
void InitVoreverDLL();
// Destroys the main frame's window and the templates: the host's exit.
void ExitVoreverDLL();

CMultiDocTemplate* Get3DViewDocTemplate();
CMultiDocTemplate* GetTreeViewDocTemplate();
CMultiDocTemplate* GetTraceViewDocTemplate();
CMultiDocTemplate* GetSplitterFrameDocTemplate();
CMultiDocTemplate* GetDirectionalLightsFormViewDocTemplate();
CMultiDocTemplate* GetHelpDocTemplate();
CMultiDocTemplate* GetDeviceCreationLogTemplate();
// The main frame that InitVoreverDLL made, NULL before.
CDXMainFrame* GetLibraryMainFrame();

// 1 and the document when a document holds pathName, else 0 and NULL.
int IsDocumentAlreadyLoaded(LPCSTR pathName, CDocument*& document);
