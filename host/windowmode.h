// The host's window mode: the main window "Qorvex Vorever" with the frame
// loop driven from the desktop's event loop.
#pragma once

#include <cstdio>
#include <memory>

class CAfxDesktop;
class CDXMainFrame;
class CDocumentManager;
class CDXWindowedDevice;

struct SWindowOptions {
  const char* file = nullptr;        // imported at start when given
  const char* screenshot = nullptr;  // when given: the window's picture is saved there once drawn, then the program ends
};

// Reads "[FILE] [--screenshot PNG]"; false with a message on error.
bool ParseWindowArguments(int argc, char** argv, SWindowOptions& options, std::FILE* err);
// Runs the window until it is closed; the exit status.
int RunWindow(int argc, char** argv, const SWindowOptions& options);

// The program of the window mode as it starts: the desktop, the document
// manager, the device and the main window, shown, with the file of the
// options being imported. The frame loop ticks whenever the desktop's event
// loop runs. Destruction takes it all down in reverse.
class CWindowProgram {
 public:
  // argc and argv must outlive the object.
  CWindowProgram(int& argc, char** argv, const SWindowOptions& options);
  ~CWindowProgram();
  CWindowProgram(const CWindowProgram&) = delete;
  CWindowProgram& operator=(const CWindowProgram&) = delete;

  // The main window; NULL when it could not be made.
  CDXMainFrame* GetMainFrame() const { return m_pFrame; }
  CAfxDesktop& GetDesktop() { return *m_pDesktop; }
  // Runs the event loop until the window closes; the exit status.
  int Run();

 private:
  const SWindowOptions m_options;
  std::unique_ptr<CAfxDesktop> m_pDesktop;
  std::unique_ptr<CDocumentManager> m_pManager;
  std::unique_ptr<CDXWindowedDevice> m_pDevice;
  CDXMainFrame* m_pFrame = nullptr;
};
