// The option forms of the tool pane, each alone in a frame with a document:
// their controls, what a change does to the document's settings, option
// records and "Config.dat", the slider of the progressive meshes and the
// choice of the reduction method.
#include <afxcmn.h>
#include <afxdesktop.h>
#include <afxext.h>
#include <cmesh_options_form.h>
#include <configfile.h>
#include <d3dx8shape.h>
#include <document_manager.h>
#include <dx_doc.h>
#include <dxmesh.h>
#include <dxpmeshframe.h>
#include <dxwindoweddevice.h>
#include <gtest/gtest.h>
#include <main_frame.h>
#include <pmesh_options_form.h>
#include <reduction_methods_form.h>
#include <reduction_options_form.h>
#include <resource.h>
#include <vorever.h>
#include <vorever_dll.h>
#include <xfiletemplates.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QAbstractSpinBox>
#include <QtWidgets/QSlider>

#include <memory>
#include <string>


#include "program_test.h"

namespace {

constexpr UINT kHostFrame = 9500;

// Types characters into an edit as the keyboard would.
void Type(CWnd* edit, const std::string& keys) {
  for (char key : keys) {
    QKeyEvent press(QEvent::KeyPress, QChar(key).toUpper().unicode(), Qt::NoModifier, QString(QChar(key)));
    QCoreApplication::sendEvent(edit->GetWidget(), &press);
  }
}

void Click(CWnd* button) { qobject_cast<QAbstractButton*>(button->GetWidget())->click(); }

void StepUp(CWnd* spin, int times = 1) {
  for (int at = 0; at < times; ++at) qobject_cast<QAbstractSpinBox*>(spin->GetWidget())->stepUp();
}

// The settings file as it stands in the program folder.
CONFIGFILE SavedConfig() {
  CONFIGFILE config;
  EXPECT_TRUE(ReadConfigFile(config));
  return config;
}

// The main frame as the host makes it, a document, and a plain frame that
// holds one form of the document.
class OptionFormsTest : public ProgramTest {
 protected:
  void SetUp() override {
    StartProgram();
    m_document = new CDXDoc;
    ASSERT_TRUE(m_document->OnNewDocument());
    CONFIGFILE defaults;
    SetDefaultConfigData(defaults);
    m_document->SetConfig(&defaults);
    AfxRegisterString(kHostFrame, "Forms");
    m_host = new CFrameWnd;
    ASSERT_TRUE(m_host->LoadFrame(kHostFrame));
  }
  void TearDown() override {
    if (m_host) m_host->DestroyWindow();
    if (m_document) m_document->OnCloseDocument();
    StopProgram();
  }
  // A form of viewClass on the document, initialised as the frame would.
  CView* MakeView(CRuntimeClass* viewClass) {
    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    context.m_pCurrentDoc = m_document;
    auto* view = DYNAMIC_DOWNCAST(CView, m_host->CreateView(&context));
    if (view) view->OnInitialUpdate();
    return view;
  }

  CDXDoc* m_document = nullptr;
  CFrameWnd* m_host = nullptr;
};

TEST_F(OptionFormsTest, EachFormHasItsControlsAtTheirIdsWithTheirCaptions) {
  struct Control {
    int id;
    const char* caption;
  };
  auto check = [](CWnd* form, std::initializer_list<Control> controls) {
    ASSERT_NE(form, nullptr);
    for (const Control& control : controls) {
      CWnd* item = form->GetDlgItem(control.id);
      ASSERT_NE(item, nullptr) << control.id;
      if (control.caption) {
        EXPECT_STREQ(item->GetWindowTextString(), control.caption) << control.id;
      }
    }
  };
  check(static_cast<CCMeshOptionsFormView*>(MakeView(RUNTIME_CLASS(CCMeshOptionsFormView))), {{IDC_REDUCTION_PERCENT, nullptr},
                                             {IDC_SPIN_REDUCTION_PERCENT, nullptr},
                                             {IDC_ALLOW_MIDPOINT, "Can create new vertices"},
                                             {IDC_MAX_NORMAL_ANGLE, nullptr},
                                             {IDC_SPIN_FACE_AREA_FACTOR, nullptr},
                                             {IDC_RESET_OPTIONS, "&Reset"}});
  check(static_cast<CPMeshOptionsFormView*>(MakeView(RUNTIME_CLASS(CPMeshOptionsFormView))), {{IDC_SIMPLIFY_FACES, "Mesh faces"},
                                             {IDC_SIMPLIFY_VERTICES, "Mesh vertices"},
                                             {IDC_WEIGHT_POSITION, "1"},
                                             {IDC_WEIGHT_DIFFUSE, "0"},
                                             {IDC_SPIN_WEIGHT_TEXTURE, nullptr},
                                             {IDC_RESET_OPTIONS, "&Reset"}});
  check(static_cast<CReductionMethodsFormView*>(MakeView(RUNTIME_CLASS(CReductionMethodsFormView))), {{IDC_METHOD_PMESH, "Progressive mesh"},
                                                 {IDC_METHOD_CMESH, "Connectivity mesh"},
                                                 {IDC_PMESH_COMBO, nullptr},
                                                 {IDC_PERCENT_SLIDER, nullptr},
                                                 {IDC_VOLUME_CHECK, "Max delta bounding box %"},
                                                 {IDC_AREA_CHECK, "Max delta surface area %"},
                                                 {IDC_APPLY_PMESH_DISPLAY, "&Apply"},
                                                 {IDC_SHADING_GOURAUD, "Gouraud"},
                                                 {IDC_FILLING_WIREFRAME, "Wireframe"},
                                                 {IDC_SHOW_ACTIVE_EDGES, "Show active edges"},
                                                 {IDC_RESET_DISPLAY_OPTIONS, "&Reset"}});
  check(static_cast<CReductionOptionsFormView*>(MakeView(RUNTIME_CLASS(CReductionOptionsFormView))), {{IDC_SHOW_REMOVED_VERTICES, "Show removed vertices"},
                                                 {IDC_COLOR_NEW_TRIANGLES, "Color new triangles"},
                                                 {IDC_SAMPLE_CREATED_TRIANGLES, nullptr},
                                                 {IDC_SHADING_FLAT, "Flat"}});
  // Each form told the document it is there.
  EXPECT_NE(m_document->GetCMeshOptionsFormView(), nullptr);
  EXPECT_NE(m_document->GetPMeshOptionsFormView(), nullptr);
  EXPECT_NE(m_document->GetReductionMethodsFormView(), nullptr);
  EXPECT_NE(m_document->GetReductionOptionsFormView(), nullptr);
}

TEST_F(OptionFormsTest, ATolerancesEditReachesTheSettingsTheOptionRecordsAndTheFileAsItIsTyped) {
  auto* form = static_cast<CCMeshOptionsFormView*>(MakeView(RUNTIME_CLASS(CCMeshOptionsFormView)));
  ASSERT_NE(form, nullptr);
  CWnd* angle = form->GetDlgItem(IDC_MAX_NORMAL_ANGLE);
  angle->SetWindowText("");
  Type(angle, "12.5x");  // the letter is refused
  EXPECT_STREQ(angle->GetWindowTextString(), "12.5");
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fMaxNormalAngle, 12.5f);
  EXPECT_FLOAT_EQ(m_document->GetReductionOptions().maxNormalAngle, 12.5f);
  EXPECT_FLOAT_EQ(SavedConfig().fMaxNormalAngle, 12.5f);

  Click(form->GetDlgItem(IDC_ALLOW_MIDPOINT));
  EXPECT_EQ(m_document->GetConfig()->bAllowMidpoint, 1);
  EXPECT_EQ(m_document->GetReductionOptions().allowMidpoint, 1u);

  // The percentage's up-down stops at 100; the others step by one.
  form->GetDlgItem(IDC_REDUCTION_PERCENT)->SetWindowText("98.5");
  StepUp(form->GetDlgItem(IDC_SPIN_REDUCTION_PERCENT), 3);
  EXPECT_STREQ(form->GetDlgItem(IDC_REDUCTION_PERCENT)->GetWindowTextString(), "100.0");
  EXPECT_FLOAT_EQ(m_document->GetReductionOptions().reductionPercent, 100.0f);
  StepUp(form->GetDlgItem(IDC_SPIN_MAX_AREA_CHANGE));
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fMaxAreaChangePercent, 4.0f);

  // Reset brings back the defaults at once.
  Click(form->GetDlgItem(IDC_RESET_OPTIONS));
  CONFIGFILE saved = SavedConfig();
  EXPECT_FLOAT_EQ(saved.fReductionPercent, 100.0f);
  EXPECT_EQ(saved.bAllowMidpoint, 0);
  EXPECT_FLOAT_EQ(saved.fMaxNormalAngle, 6.0f);
  EXPECT_FLOAT_EQ(saved.fMaxAreaChangePercent, 3.0f);
  EXPECT_FLOAT_EQ(saved.fFaceAreaFactor, 10.0f);
}

TEST_F(OptionFormsTest, TheProgressiveMeshOptionsGoToTheSettingsAndResetRestoresThem) {
  auto* form = static_cast<CPMeshOptionsFormView*>(MakeView(RUNTIME_CLASS(CPMeshOptionsFormView)));
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->TriangleSimplification());
  Click(form->GetDlgItem(IDC_SIMPLIFY_VERTICES));
  EXPECT_EQ(form->GetSimplificationOption(), 1);
  EXPECT_EQ(m_document->GetConfig()->dwPMeshByVertices, 1u);
  EXPECT_EQ(m_document->GetReductionOptions().pmeshByVertices, 1u);
  StepUp(form->GetDlgItem(IDC_SPIN_WEIGHT_SPECULAR), 2);
  EXPECT_STREQ(form->GetDlgItem(IDC_WEIGHT_SPECULAR)->GetWindowTextString(), "2.0");
  EXPECT_FLOAT_EQ(m_document->GetReductionOptions().pmeshSpecularWeight, 2.0f);
  // A weight cannot be typed (read-only) and stays within its range.
  Type(form->GetDlgItem(IDC_WEIGHT_SPECULAR), "7");
  EXPECT_STREQ(form->GetDlgItem(IDC_WEIGHT_SPECULAR)->GetWindowTextString(), "2.0");
  form->GetDlgItem(IDC_WEIGHT_BOUNDARY)->SetWindowText("32767");
  StepUp(form->GetDlgItem(IDC_SPIN_WEIGHT_BOUNDARY));
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fWeightBoundary, 32767.0f);

  Click(form->GetDlgItem(IDC_RESET_OPTIONS));
  CONFIGFILE saved = SavedConfig();
  EXPECT_EQ(saved.dwPMeshByVertices, 0u);
  const float expected[] = {1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
  const float got[] = {saved.fWeightBoundary, saved.fWeightDiffuse,  saved.fWeightNormal,
                       saved.fWeightPosition, saved.fWeightSpecular, saved.fWeightTexture};
  for (int at = 0; at < 6; ++at) EXPECT_FLOAT_EQ(got[at], expected[at]) << at;
  EXPECT_EQ(form->IsDlgButtonChecked(IDC_SIMPLIFY_FACES), 1u);
  EXPECT_TRUE(form->TriangleSimplification());
}

TEST_F(OptionFormsTest, OnlyTheTolerancesFormCommitsAndSavesWhatItShowsWhenItGoes) {
  struct Case {
    CRuntimeClass* form;
    float CONFIGFILE::*field;
    float shown;  // the default the form filled in
    bool commits;
  } cases[] = {
      {RUNTIME_CLASS(CCMeshOptionsFormView), &CONFIGFILE::fMaxNormalAngle, 6.0f, true},
      {RUNTIME_CLASS(CPMeshOptionsFormView), &CONFIGFILE::fWeightBoundary, 1.0f, false},
  };
  for (const Case& test : cases) {
    CView* form = MakeView(test.form);
    ASSERT_NE(form, nullptr);
    // Changed behind the form's back.
    CONFIGFILE config = *m_document->GetConfig();
    config.*test.field = 42.0f;
    m_document->SetConfig(&config);
    DWORD boxes = GetLastMessageBox().count;
    form->DestroyWindow();
    float expected = test.commits ? test.shown : 42.0f;
    EXPECT_FLOAT_EQ(m_document->GetConfig()->*test.field, expected) << test.form->m_lpszClassName;
    EXPECT_FLOAT_EQ(SavedConfig().*test.field, expected) << test.form->m_lpszClassName;
    EXPECT_EQ(GetLastMessageBox().count, boxes) << "controls that are gone are not read";
  }
  EXPECT_EQ(m_document->GetCMeshOptionsFormView(), nullptr);
  EXPECT_EQ(m_document->GetPMeshOptionsFormView(), nullptr);
}

TEST_F(OptionFormsTest, TheMethodRadiosSwitchTheSettingsAndTheMainFramesReductionToolbar) {
  auto* form = static_cast<CReductionMethodsFormView*>(MakeView(RUNTIME_CLASS(CReductionMethodsFormView)));
  ASSERT_NE(form, nullptr);
  CDXMainFrame* main = GetMainFrame();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(form->GetReductionMethod(), 0);
  EXPECT_TRUE(main->PMeshPolygonReductionToolBarCreated());

  Click(form->GetDlgItem(IDC_METHOD_CMESH));
  EXPECT_EQ(form->GetReductionMethod(), 1);
  EXPECT_EQ(m_document->GetConfig()->dwReductionMethod, 1u);
  EXPECT_EQ(m_document->GetReductionOptions().reductionMethod, 1u);
  EXPECT_EQ(SavedConfig().dwReductionMethod, 1u);
  EXPECT_FALSE(main->PMeshPolygonReductionToolBarCreated());
  EXPECT_EQ(form->IsDlgButtonChecked(IDC_METHOD_PMESH), 0u);

  Click(form->GetDlgItem(IDC_METHOD_PMESH));
  EXPECT_EQ(m_document->GetConfig()->dwReductionMethod, 0u);
  EXPECT_TRUE(main->PMeshPolygonReductionToolBarCreated());

  // Reset brings back the progressive mesh.
  Click(form->GetDlgItem(IDC_METHOD_CMESH));
  Click(form->GetDlgItem(IDC_RESET_DISPLAY_OPTIONS));
  EXPECT_EQ(m_document->GetConfig()->dwReductionMethod, 0u);
  EXPECT_TRUE(main->PMeshPolygonReductionToolBarCreated());
  EXPECT_EQ(form->IsDlgButtonChecked(IDC_METHOD_PMESH), 1u);
}

TEST_F(OptionFormsTest, TheSliderSetsTheLevelOfTheSelectedProgressiveMeshFrame) {
  // A progressive-mesh frame of a sphere, selected in the document.
  CFrame source;
  source.Initialize(nullptr, const_cast<char*>("Ball"), CFrame::ePlainFrame, false);
  auto* mesh = new CDXMesh;
  ASSERT_TRUE(mesh->Initialize(const_cast<char*>("Ball")));
  ID3DXMesh* sphere = nullptr;
  ASSERT_EQ(D3DXCreateSphere(g_pWindowedDevice->GetD3DDevice(), 1.0f, 16, 8, &sphere, nullptr), D3D_OK);
  mesh->SetDataMembers(sphere, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, true);
  ASSERT_TRUE(mesh->MyOptimizeInPlace());
  ASSERT_TRUE(mesh->ComputeBoundingObjects());
  source.AddChildObject(eOwnedChild, mesh, false);
  CDXPMeshFrame frame;
  ASSERT_TRUE(frame.InitializeShell(&source));
  CDataObjectMap map;
  DWORD vertices = 0, triangles = 0;
  ASSERT_TRUE(frame.InitializeProgressiveMeshFrame(&source, map, vertices, triangles, g_pWindowedDevice->GetD3DDevice(), nullptr, nullptr));
  m_document->SetSelectedFrame(&frame, true);

  auto* form = static_cast<CReductionMethodsFormView*>(MakeView(RUNTIME_CLASS(CReductionMethodsFormView)));
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->IsDisplayPending());
  // The combo lists all meshes of the frame and its one progressive mesh.
  ASSERT_EQ(form->GetPMeshCombo().GetCount(), 2);
  CString entry;
  form->GetPMeshCombo().GetLBText(0, entry);
  EXPECT_STREQ(entry, "All meshes in selected frame");
  form->GetPMeshCombo().GetLBText(1, entry);
  EXPECT_EQ(std::string(entry).rfind("Mesh Ball", 0), 0u) << entry;
  EXPECT_TRUE(form->GetDlgItem(IDC_PERCENT_SLIDER)->IsWindowEnabled());
  EXPECT_EQ(form->GetPercentageSlider().GetPos(), 100);

  qobject_cast<QSlider*>(form->GetPercentageSlider().GetWidget())->setValue(30);
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fPMeshPercent, 30.0f);
  EXPECT_STREQ(form->GetDlgItem(IDC_PERCENT_DISPLAYED)->GetWindowTextString(), "30");
  EXPECT_NEAR(static_cast<double>(frame.GetActiveTrianglesCount(false)), 0.3 * triangles, 0.02 * triangles);
  EXPECT_FLOAT_EQ(SavedConfig().fPMeshPercent, 30.0f);

  // Another frame kind, selected through the frame loop's requests,
  // disables the level but leaves Apply usable.
  m_document->SetSelectedFrame(&source, true);
  m_document->ProcessRequestsRTLIL();
  EXPECT_EQ(form->GetPMeshCombo().GetCount(), 1);
  EXPECT_FALSE(form->GetDlgItem(IDC_PERCENT_SLIDER)->IsWindowEnabled());
  EXPECT_TRUE(form->GetDlgItem(IDC_APPLY_PMESH_DISPLAY)->IsWindowEnabled());
  EXPECT_TRUE(form->GetDlgItem(IDC_SAMPLE_SELECTED_PMESH)->IsWindowEnabled());
  m_document->SetSelectedFrame(nullptr, true);
  m_document->ProcessRequestsRTLIL();
}

TEST_F(OptionFormsTest, WhatIsTypedIntoTheReductionOptionsReachesTheDocumentAtTheNextCommit) {
  auto* form = static_cast<CReductionOptionsFormView*>(MakeView(RUNTIME_CLASS(CReductionOptionsFormView)));
  ASSERT_NE(form, nullptr);
  CWnd* factor = form->GetDlgItem(IDC_FACE_AREA_FACTOR);
  factor->SetWindowText("");
  Type(factor, "4");
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fFaceAreaFactor, 10.0f);  // no change handler
  form->SetInDocument();  // as the reduction job's set-up does
  EXPECT_FLOAT_EQ(m_document->GetReductionOptions().faceAreaFactor, 4.0f);

  Click(form->GetDlgItem(IDC_SHOW_REMOVED_VERTICES));
  Click(form->GetDlgItem(IDC_FILLING_WIREFRAME));
  CONFIGFILE saved = SavedConfig();
  EXPECT_EQ(saved.bShowRemovedVertices, m_document->GetConfig()->bShowRemovedVertices);
  EXPECT_EQ(saved.dwFillMode, 1u);
  EXPECT_EQ(m_document->GetDisplayOptions().showRemovedVertices, saved.bShowRemovedVertices);
  EXPECT_EQ(form->IsDlgButtonChecked(IDC_FILLING_SOLID), 0u);

  // A text that is no number keeps the member's value; the framework says so.
  factor->SetWindowText("");
  form->SetInDocument();
  EXPECT_FLOAT_EQ(m_document->GetConfig()->fFaceAreaFactor, 4.0f);
  EXPECT_EQ(GetLastMessageBox().text, "Please enter a number.");
}

}  // namespace
