#include "windowmode.h"

#include <afxdesktop.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dxwindoweddevice.h>
#include <main_frame.h>
#include <vorever_dll.h>

#include <cstring>
#include <memory>

#include "vorever.h"

bool ParseWindowArguments(int argc, char** argv, SWindowOptions& options, std::FILE* err) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      options.screenshot = argv[++i];
    } else if (argv[i][0] == '-' || options.file != nullptr) {
      std::fprintf(err, "vorever: unexpected argument \"%s\"\n", argv[i]);
      return false;
    } else {
      options.file = argv[i];
    }
  }
  return true;
}

namespace {

// One frame: the worlds move, the views draw. True while a document is open.
bool FrameTick(CDXMainFrame* frame) {
  if (frame->GetSafeHwnd() == nullptr) return false;
  try {
    frame->AnimateWorlds(true);
    frame->RenderAllSurfaces(true);
  } catch (char*) {
    // A busy document list: the next tick tries again.
  } catch (const char*) {
  }
  return frame->GetActive3DView() != nullptr;
}

}  // namespace

int RunWindow(int argc, char** argv, const SWindowOptions& options) {
  CAfxDesktop desktop(argc, argv, options.screenshot == nullptr);
  auto manager = std::make_unique<CDocumentManager>();
  manager->Initialize();
  theApp.SetDocumentManager(manager.get());
  CDXWindowedDevice device;
  InitVoreverDLL();
  CDXMainFrame* frame = GetMainFrame();
  int status = 1;
  if (frame != nullptr && frame->GetSafeHwnd() != nullptr) {
    theApp.m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    frame->MoveWindow(0, 0, 1024, 720);
    // The file of the command line comes in as the import command brings it.
    if (options.file != nullptr) frame->ImportFile(options.file);
    desktop.SetFrameTick([frame, &desktop, &options]() {
      bool moving = FrameTick(frame);
      if (options.screenshot != nullptr && frame->GetSafeHwnd() != nullptr) {
        CDXFile3DView* view = frame->GetActive3DView();
        // With a file: once its import has ended and the view has drawn it.
        CDXDoc* document = frame->GetActiveDXDocument();
        const bool imported = document != nullptr && !document->GetThreadsManager()->ActiveThread() &&
                              document->GetThreadsManager()->GetThreadList()->GetCount() > 0;
        if (options.file == nullptr || (imported && view != nullptr && view->GetPresentedFrames() >= 3)) {
          CAfxDesktop::SaveWindowPicture(frame, options.screenshot);
          frame->PostMessage(WM_CLOSE);
        }
      }
      return moving;
    });
    status = desktop.Run();
  } else {
    std::fprintf(stderr, "vorever: the main window could not be made\n");
  }
  ExitVoreverDLL();
  theApp.SetDocumentManager(nullptr);
  return status;
}
