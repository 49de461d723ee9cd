// The document's export job bodies and the do-it-all job, which asks for a
// file, imports it and makes its progressive and retained-mode frames.
#include <appoptions.h>
#include <dx_thread.h>
#include <dxpmeshframe.h>
#include <dxwindoweddevice.h>
#include <failureguard.h>
#include <frame.h>
#include <scene3ds.h>
#include <xfile.h>

#include "dx_doc.h"
#include "dx_file_dialogs.h"
#include "main_thread_call.h"

namespace {

// What the user chose in the import dialog.
struct SChosenFile {
  bool confirmed = false;
  CString name, title, path, extension;
};

// The import dialog, shown on the main thread whoever asks.
SChosenFile AskForImportFile(CDXThread* thread) {
  SChosenFile chosen;
  RunOnMainThread(
      [&chosen] {
        CDXImportDialog dialog(TRUE, ".3ds", NULL, OFN_FILEMUSTEXIST, kImportFileFilter, NULL);
        if (dialog.DoModal() != IDOK) return;
        chosen.confirmed = true;
        chosen.name = dialog.GetFileName();
        chosen.title = dialog.GetFileTitle();
        chosen.path = dialog.GetPathName();
        chosen.extension = dialog.GetFileExt();
      },
      thread);
  return chosen;
}

char* Text(const CString& text) { return const_cast<char*>(static_cast<LPCSTR>(text)); }

}  // namespace

bool CDXDoc::Export3dObject(CFrame* frame, char* pathName, CDXThread* thread) {
  CXFile file;
  return file.SaveXFrame2(frame, pathName, g_appOptions.dwXFileFormat, g_appOptions.bSaveTemplates != 0, thread);
}

bool CDXDoc::Export3dObjectIn3dsFile(CFrame* frame, char* pathName, CDXThread* thread) {
  return SaveFrameIn3dsFile(frame, pathName, thread);
}

bool CDXDoc::DoItAllPMesh(CCameraFrame* camera, CDXThread* thread) {
  if (g_pWindowedDevice == NULL || !g_pWindowedDevice->IsReady()) return false;
  return GuardedCall([&] {
    const SChosenFile chosen = AskForImportFile(thread);
    if (!chosen.confirmed) throw "\nInfo: User cancel the import.";
    const CString folder = chosen.path.Left(chosen.path.GetLength() - chosen.name.GetLength());
    if (thread != NULL) thread->SetThreadInput(chosen.name);
    if (chosen.extension.CompareNoCase("3ds") == 0) {
      const bool imported =
          g_appOptions.dw3dsLoadingMethod != 0
              ? InsertConverted3dsFileObjects(Text(chosen.title), Text(chosen.path), Text(folder), camera, thread)
              : Insert3dsFileObjects(Text(chosen.title), Text(chosen.path), Text(folder), camera, thread);
      if (!imported) throw "\nError: Insert3dsFileObjects() failed.";
    } else if (chosen.extension.CompareNoCase("x") == 0) {
      if (!InsertXFileObjects(Text(chosen.title), Text(chosen.path), Text(folder), camera, thread))
        throw "\nError: InsertXFileObjects() failed.";
    } else {
      throw "\nInfo: File extension not supported";
    }
    CFrame* frame = GetSelectedFrame();
    if (frame == NULL) throw "\nError: No selected frame.";
    CDXPMeshFrame* progressive = NULL;
    if (!CreateProgressiveMeshFrame(progressive, frame, camera, thread))
      throw "\nError: CreateProgressiveMeshFrame() failed.";
    CFrame* retained = NULL;
    if (!CreateRetainedModeMeshFrame(retained, progressive, camera, thread))
      throw "\nError: CreateRetainedModeMeshFrame() failed.";
    if (thread != NULL) thread->SetThreadOutput(retained->GetName());
  });
}
