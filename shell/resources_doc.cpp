// The document's resources, registered when the library is loaded.
#include <afxwin.h>

#include "resource.h"

namespace {

struct CDocumentResources {
  CDocumentResources() { AfxRegisterString(IDS_FAILED_TO_LOAD_FILE, "Failed to load the file"); }
};

const CDocumentResources g_documentResources;

}  // namespace
