// The system as the host starts it, for the window tests: the document
// manager, the window device (or none) and the library entry with its main
// frame and templates, the frame shown. Fixtures derive from it and call
// StartProgram from their SetUp; TearDown takes it all down again.
#pragma once

#include <afxwin.h>
#include <document_manager.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <input_manager.h>
#include <main_frame.h>
#include <vorever.h>
#include <vorever_dll.h>

#include <memory>

class ProgramTest : public ::testing::Test {
 protected:
  void TearDown() override { StopProgram(); }

  // Fails fatally when the library makes no main frame.
  void StartProgram(bool withDevice = true) {
    m_manager.Initialize();
    theApp.SetDocumentManager(&m_manager);
    if (withDevice) m_device = std::make_unique<CDXWindowedDevice>();
    InitVoreverDLL();
    m_frame = GetMainFrame();
    ASSERT_NE(m_frame, nullptr);
    ASSERT_NE(m_frame->GetSafeHwnd(), nullptr);
    theApp.m_pMainWnd = m_frame;
    m_frame->ShowWindow(SW_SHOW);
  }
  void StopProgram() {
    if (g_pInputManager != nullptr) g_pInputManager->ForgetHeldInput();
    ExitVoreverDLL();
    theApp.m_pMainWnd = nullptr;
    theApp.SetDocumentManager(nullptr);
    m_device.reset();
    m_frame = nullptr;
  }

  CDocumentManager m_manager;
  std::unique_ptr<CDXWindowedDevice> m_device;
  CDXMainFrame* m_frame = nullptr;
};
