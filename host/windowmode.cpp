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
  CWindowProgram program(argc, argv, options);
  return program.Run();
}

CWindowProgram::CWindowProgram(int& argc, char** argv, const SWindowOptions& options)
    : m_options(options), m_pDesktop(std::make_unique<CAfxDesktop>(argc, argv, options.screenshot == nullptr)) {
  m_pManager = std::make_unique<CDocumentManager>();
  m_pManager->Initialize();
  theApp.SetDocumentManager(m_pManager.get());
  m_pDevice = std::make_unique<CDXWindowedDevice>();
  InitVoreverDLL();
  CDXMainFrame* frame = ::GetMainFrame();
  if (frame == nullptr || frame->GetSafeHwnd() == nullptr) return;
  m_pFrame = frame;
  theApp.m_pMainWnd = frame;
  frame->ShowWindow(SW_SHOW);
  frame->MoveWindow(0, 0, 1024, 720);
  // The file of the command line comes in as the import command brings it.
  if (m_options.file != nullptr) frame->ImportFile(m_options.file);
  m_pDesktop->SetFrameTick([this]() {
    CDXMainFrame* frame = m_pFrame;
    bool moving = FrameTick(frame);
    if (m_options.screenshot != nullptr && frame->GetSafeHwnd() != nullptr) {
      CDXFile3DView* view = frame->GetActive3DView();
      // With a file: once its import has ended and the view has drawn it.
      CDXDoc* document = frame->GetActiveDXDocument();
      const bool imported = document != nullptr && !document->GetThreadsManager()->ActiveThread() &&
                            document->GetThreadsManager()->GetThreadList()->GetCount() > 0;
      if (m_options.file == nullptr || (imported && view != nullptr && view->GetPresentedFrames() >= 3)) {
        CAfxDesktop::SaveWindowPicture(frame, m_options.screenshot);
        frame->PostMessage(WM_CLOSE);
      }
    }
    return moving;
  });
}

CWindowProgram::~CWindowProgram() {
  ExitVoreverDLL();
  theApp.m_pMainWnd = nullptr;
  theApp.SetDocumentManager(nullptr);
  m_pDevice.reset();
  m_pManager.reset();
  m_pDesktop.reset();
}

int CWindowProgram::Run() {
  if (m_pFrame == nullptr) {
    std::fprintf(stderr, "vorever: the main window could not be made\n");
    return 1;
  }
  return m_pDesktop->Run();
}
