// The main frame's import command: the import dialog, a new document for the
// chosen file and its import job.
#include <appoptions.h>
#include <dxwindoweddevice.h>
#include <tracelog.h>

#include <algorithm>
#include <cstring>

#include "dx_doc.h"
#include "dx_file_dialogs.h"
#include "main_frame.h"
#include "main_thread_call.h"

namespace {

char* Text(const CString& text) { return const_cast<char*>(static_cast<LPCSTR>(text)); }

}  // namespace

void CDXMainFrame::OnInsert3dObjectFromFile() {
  if (g_pWindowedDevice == NULL || !g_pWindowedDevice->IsReady()) {
    DEBUG_TRACE("\nError: Windowed device not ready.");
    return;
  }
  try {
    CDXImportDialog dialog(TRUE, ".3ds", NULL, OFN_FILEMUSTEXIST, kImportFileFilter, this);
    if (dialog.DoModal() != IDOK) return;
    ImportFile(dialog.GetPathName());
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  } catch (CException* exception) {
    DEBUG_TRACE("\nCException() raised.");
    exception->Delete();
  }
}

bool CDXMainFrame::ImportFile(const CString& path) {
  if (!CreateDocument()) {
    DEBUG_TRACE("\nError: Create document failed.");
    return false;
  }
  const int separator = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
  const CString name = path.Mid(separator + 1);
  const int dot = name.ReverseFind('.');
  const CString title = dot > 0 ? name.Left(dot) : name;
  const CString extension = dot >= 0 ? name.Mid(dot + 1) : CString();
  const CString folder = path.Left(path.GetLength() - name.GetLength());
  // The next import dialog starts in this folder.
  const size_t length = std::min<size_t>(folder.GetLength(), sizeof g_appOptions.szImportFolder - 1);
  std::memcpy(g_appOptions.szImportFolder, static_cast<LPCSTR>(folder), length);
  g_appOptions.szImportFolder[length] = '\0';
  if (CDXDoc* document = GetActiveDXDocument()) {
    document->SetTitle(name);
    document->Insert3dObjectFromFile(Text(title), Text(name), Text(path), Text(folder), extension);
  }
  return true;
}

LRESULT CDXMainFrame::OnRunOnMainThread(WPARAM, LPARAM lParam) {
  RunPostedMainThreadCall(lParam);
  return 0;
}
