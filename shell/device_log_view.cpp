#include "device_log_view.h"

#include <appfiles.h>

#include "main_frame.h"
#include "rich_text_reader.h"

IMPLEMENT_DYNCREATE(CDeviceDocument, CDocument)
IMPLEMENT_DYNCREATE(CDeviceCreationChildFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CDeviceCreationLogView, CRichEditView)

void CDeviceCreationChildFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIChildWnd::OnUpdateFrameTitle(addToTitle);
  SetWindowText("Device creation log");
}

CDeviceCreationLogView::~CDeviceCreationLogView() { DestroyContent(); }

void CDeviceCreationLogView::OnInitialUpdate() { Initialize(); }

bool CDeviceCreationLogView::Initialize() {
  CRichEditView::OnInitialUpdate();
  if (CDXMainFrame* frame = GetMainFrame()) frame->SetDeviceCreationLogView(this);
  SetBlueCourierFormat(GetRichEditCtrl());
  return DisplayDeviceCreationLog();
}

bool CDeviceCreationLogView::DisplayDeviceCreationLog() {
  CString path;
  path.Format("%s\\%s", static_cast<LPCSTR>(GetAppDirectory()), "DeviceCreationLog.txt");
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone, &error)) {
    char text[256] = "";
    error.GetErrorMessage(text, 255);
    MessageBoxA(GetSafeHwnd(), text, "Opening the device creation log", MB_OK | MB_ICONERROR);
    return false;
  }
  AppendFileContent(GetRichEditCtrl(), file);
  file.Close();
  return true;
}

void CDeviceCreationLogView::DestroyContent() {
  CDXMainFrame* frame = GetMainFrame();
  if (frame != nullptr && frame->GetDeviceCreationLogView() == this) frame->SetDeviceCreationLogView(nullptr);
}
