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

 private:
  CDocumentManager* m_pDocumentManager = nullptr;
};

extern CVorever theApp;
