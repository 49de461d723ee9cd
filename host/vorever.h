// The application object of the host program. The one instance is a global
// of the host library, constructed on the main thread when the library is
// loaded, so that its thread identifier marks the main thread in the program
// and in every test program.
#pragma once

#include <afxwin.h>

#include "appoptions.h"

class CDocumentManager;

class CVorever : public CWinApp {
  DECLARE_DYNAMIC(CVorever)

 public:
  CVorever();

  // The one document manager; NULL until the user interface has made it.
  CDocumentManager* GetDocumentManager() const { return m_pDocumentManager; }
  void SetDocumentManager(CDocumentManager* manager) { m_pDocumentManager = manager; }

 protected:
  // The host's commands on the active document (hostcommands.cpp): reduce
  // the selected connectivity frame, and do it all for progressive meshes.
  void OnReduceTrianglesCount();
  void OnUpdateReduceTrianglesCount(CCmdUI* cmdUI);
  void OnDoItAllPMesh();
  void OnUpdateDoItAllPMesh(CCmdUI* cmdUI);
  DECLARE_MESSAGE_MAP()

 private:
  CDocumentManager* m_pDocumentManager = nullptr;
};

extern CVorever theApp;
