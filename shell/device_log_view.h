// The device-creation log window: "DeviceCreationLog.txt" of the program
// folder, read once when the window opens.
#pragma once

#include <afxrich.h>
#include <afxwin.h>

class CDeviceDocument : public CDocument {
  DECLARE_DYNCREATE(CDeviceDocument)
};

class CDeviceCreationChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CDeviceCreationChildFrame)

 public:
  void OnUpdateFrameTitle(BOOL addToTitle) override;
};

class CDeviceCreationLogView : public CRichEditView {
  DECLARE_DYNCREATE(CDeviceCreationLogView)

 public:
  CDeviceCreationLogView() = default;
  ~CDeviceCreationLogView() override;

  void OnInitialUpdate() override;
  // Registers with the main frame and shows the log.
  bool Initialize();
  // Appends the file's whole content; false (with a message box) when it
  // cannot be opened.
  bool DisplayDeviceCreationLog();
  void DestroyContent();
};
