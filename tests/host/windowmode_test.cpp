// The window program as a user takes it, on an X server of the test's own
// (Xvfb): the program starts on the sample scene, the connectivity road
// reduces it and makes it a retained-mode object, the export writes it, and
// the written file is read back. The
// main window is photographed from the X server after each step. Skipped
// without Xvfb.
#include <afxdesktop.h>
#include <afxdlgs.h>
#include <appoptions.h>
#include <batchmode.h>
#include <cameraframe.h>
#include <cmesh_options_form.h>
#include <dx_doc.h>
#include <dx_file_3dview.h>
#include <dx_splitter_frame.h>
#include <dx_thread.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <main_frame.h>
#include <reduction_methods_form.h>
#include <resource.h>
#include <threads_manager.h>
#include <windowmode.h>
#include <xfile.h>
#include <xfiledatalist.h>

#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QWidget>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings_file.h"
#include "temp_folder.h"

extern char** environ;

namespace {

// An X server of the test's own on a free display, ended with the object.
class CXvfbServer {
 public:
  ~CXvfbServer() { Stop(); }

  // Starts the server; its display (":N"), or empty with the reason in why.
  std::string Start(std::string& why) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      why = "no pipe for Xvfb";
      return "";
    }
    const std::string writeFd = std::to_string(pipeFds[1]);
    std::vector<std::string> words = {"Xvfb", "-displayfd", writeFd, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"};
    std::vector<char*> args;
    for (std::string& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
      close(pipeFds[0]);
      m_pid = 0;
      why = "Xvfb is not installed";
      return "";
    }
    // The server writes its display number once it takes clients.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      pollfd waiting{pipeFds[0], POLLIN, 0};
      if (left <= 0 || poll(&waiting, 1, static_cast<int>(left)) <= 0) break;
      char c;
      if (read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(pipeFds[0]);
    if (number.empty()) {
      why = "Xvfb did not start";
      Stop();
      return "";
    }
    return ":" + number;
  }

  void Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
  }

 private:
  pid_t m_pid = 0;
};

// The message boxes that the program showed, answered with OK.
std::vector<std::string> g_messages;
int RecordMessageBox(HWND, const char* text, const char* caption, UINT) {
  g_messages.push_back(std::string(caption != nullptr ? caption : "") + ": " + (text != nullptr ? text : ""));
  return IDOK;
}

class WindowModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_sample = (std::filesystem::current_path() / "../samples/scene.x").string();
    if (!std::filesystem::exists(m_sample)) GTEST_SKIP() << "no sample scene at " << m_sample;
    std::string why;
    const std::string display = m_server.Start(why);
    if (display.empty()) GTEST_SKIP() << why;
    // The program starts on the default settings and leaves the program
    // folder's as they were.
    m_settings.Keep();
    m_settingsKept = true;
    const std::string runtime = m_folder.Path("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    // Qt on the server's display; no session bus (its library leaks).
    SetEnvironment({{"DISPLAY", display},
                    {"QT_QPA_PLATFORM", "xcb"},
                    {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
                    {"LIBGL_ALWAYS_SOFTWARE", "1"},
                    {"XDG_RUNTIME_DIR", runtime}});
    g_messages.clear();
  }
  void TearDown() override {
    AfxSetModalDialogHook(nullptr);
    m_program.reset();
    for (const auto& [name, value] : m_savedEnvironment) {
      if (value.has_value()) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
    if (m_settingsKept) m_settings.PutBack();
    m_server.Stop();
  }

  // Sets the variables for the test and keeps what they were.
  void SetEnvironment(const std::vector<std::pair<std::string, std::string>>& variables) {
    for (const auto& [name, value] : variables) {
      const char* before = std::getenv(name.c_str());
      m_savedEnvironment.emplace_back(name, before != nullptr ? std::optional<std::string>(before) : std::nullopt);
      setenv(name.c_str(), value.c_str(), 1);
    }
  }

  // Starts the program as its command line "vorever FILE" does.
  void StartProgram(const std::string& file) {
    m_arguments = {"vorever", file};
    m_argv = {m_arguments[0].data(), m_arguments[1].data(), nullptr};
    m_argc = 2;
    SWindowOptions options;
    options.file = m_arguments[1].c_str();
    m_program = std::make_unique<CWindowProgram>(m_argc, m_argv.data(), options);
    SetMessageBoxHandler(RecordMessageBox);
  }

  // Runs the program's event loop, frame loop included, until condition
  // holds; false when it does not within a minute.
  bool Await(const std::function<bool()>& condition) { return m_program->GetDesktop().WaitFor(condition, 60000); }

  // Waits for the document's jobs to end once more jobs than before have
  // started, then for the view to draw anew.
  ::testing::AssertionResult AwaitJob(CDXDoc* document, INT_PTR jobsBefore, const char* what) {
    CThreadsManager* manager = document->GetThreadsManager();
    if (!Await([&] { return manager->GetThreadList()->GetCount() > jobsBefore && !manager->ActiveThread(); }))
      return ::testing::AssertionFailure() << what << " did not end within a minute";
    return AwaitDrawing(what);
  }
  ::testing::AssertionResult AwaitDrawing(const char* what) {
    CDXFile3DView* view = Frame()->GetActive3DView();
    if (view == nullptr) return ::testing::AssertionFailure() << "no 3D view after " << what;
    const DWORD drawn = view->GetPresentedFrames();
    if (!Await([&] { return view->GetPresentedFrames() >= drawn + 3; }))
      return ::testing::AssertionFailure() << "the view did not draw within a minute after " << what;
    return ::testing::AssertionSuccess();
  }

  // The main window as the X server shows it, saved as a PNG picture.
  void Photograph(const std::string& name) {
    SCOPED_TRACE(name);
    const std::string path = m_folder.Path(name + ".png");
    QWidget* window = Frame()->GetWidget()->window();
    const QImage picture = window->screen()->grabWindow(window->winId()).toImage();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "PNG"));
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height() && colours.size() < 2; ++y)
      for (int x = 0; x < picture.width() && colours.size() < 2; ++x) colours.insert(picture.pixel(x, y));
    EXPECT_GE(colours.size(), 2u) << "the picture is all one colour";
    m_pictures.push_back(path);
  }

  // The file dialogs that follow are answered with path.
  static void AnswerFileDialogs(const std::string& path) {
    AfxSetModalDialogHook([path](CDialog* dialog) {
      if (auto* file = DYNAMIC_DOWNCAST(CFileDialog, dialog)) {
        file->SetPathName(path.c_str());
        file->EndDialog(IDOK);
      }
    });
  }

  // What the overlay of the master camera shows of the frame it views.
  static std::string OverlayTriangles(CDXDoc* document) {
    CString triangles, vertices, kind, percent;
    CCameraFrame* camera = document->GetMasterCamera();
    if (camera == nullptr || !camera->GetViewAllFrameMetrics(triangles, vertices, kind, percent, false)) return "";
    return static_cast<LPCSTR>(triangles);
  }

  CDXMainFrame* Frame() const { return m_program->GetMainFrame(); }
  static CThreadsManager* Jobs(CDXDoc* document) { return document->GetThreadsManager(); }
  static CDXThread::EThreadStatus LastStatus(CDXDoc* document) {
    return Jobs(document)->GetThreadList()->GetHead()->GetEThreadStatus();
  }

  CXvfbServer m_server;
  TempFolder m_folder;
  settings_file::CSettingsFileKeeper m_settings;
  bool m_settingsKept = false;
  std::string m_sample;
  std::vector<std::string> m_arguments;
  std::vector<char*> m_argv;
  int m_argc = 0;
  std::unique_ptr<CWindowProgram> m_program;
  std::vector<std::string> m_pictures;
  std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnvironment;
};

TEST_F(WindowModeTest, TheSampleIsReducedThroughTheCommandsAndExportedWithItsCounts) {
  StartProgram(m_sample);
  ASSERT_NE(Frame(), nullptr);

  // The program imports its file at start: the object stands selected.
  CDXDoc* document = nullptr;
  ASSERT_TRUE(Await([&] { return (document = Frame()->GetActiveDXDocument()) != nullptr; }));
  ASSERT_TRUE(AwaitJob(document, 0, "the import"));
  ASSERT_EQ(LastStatus(document), CDXThread::eThreadCompleted);
  CFrame* imported = document->GetSelectedFrame();
  ASSERT_NE(imported, nullptr);
  EXPECT_STREQ(imported->GetName(), "scene.x");
  Photograph("1-imported");

  // The reduction tools, with the connectivity-mesh method chosen.
  CDXSplitterFrame* splitter = document->GetSplitterFrame();
  ASSERT_NE(splitter, nullptr);
  ASSERT_TRUE(splitter->TriggerCommand(ID_TOOLS_REDUCTION_OPTIONS));
  auto* methods = DYNAMIC_DOWNCAST(CReductionMethodsFormView, splitter->GetToolPaneSplitter()->GetPane(0, 0));
  ASSERT_NE(methods, nullptr);
  CWnd* radio = methods->GetDlgItem(IDC_METHOD_CMESH);
  ASSERT_NE(radio, nullptr);
  auto* button = qobject_cast<QAbstractButton*>(radio->GetWidget());
  ASSERT_NE(button, nullptr);
  button->click();
  EXPECT_EQ(document->GetConfig()->dwReductionMethod, 1u);
  auto* tolerances = DYNAMIC_DOWNCAST(CCMeshOptionsFormView, splitter->GetToolPaneSplitter()->GetPane(1, 0));
  ASSERT_NE(tolerances, nullptr);
  // Half of the triangles may go.
  tolerances->GetDlgItem(IDC_REDUCTION_PERCENT)->SetWindowText("50");
  EXPECT_FLOAT_EQ(document->GetConfig()->fReductionPercent, 50.0f);
  ASSERT_TRUE(AwaitDrawing("choosing the method"));
  Photograph("2-connectivity-method");

  // The connectivity frame of the selected object.
  ASSERT_EQ(document->GetSelectedFrame(), imported);
  INT_PTR jobs = Jobs(document)->GetThreadList()->GetCount();
  ASSERT_TRUE(Frame()->TriggerCommand(ID_CREATE_CONNECTIVITY_FRAME));
  ASSERT_TRUE(AwaitJob(document, jobs, "the connectivity frame"));
  ASSERT_EQ(LastStatus(document), CDXThread::eThreadCompleted);
  CFrame* connectivity = document->GetSelectedFrame();
  ASSERT_NE(connectivity, nullptr);
  ASSERT_NE(connectivity, imported);
  ASSERT_EQ(connectivity->GetFrameType(), CFrame::eConnectivityMeshFrame);
  const DWORD before = connectivity->GetActiveTrianglesCount(false);
  EXPECT_EQ(before, SummarizeScene(imported).triangles);
  Photograph("3-connectivity-frame");

  // The host's reduce command.
  jobs = Jobs(document)->GetThreadList()->GetCount();
  Frame()->PostMessage(WM_COMMAND, MAKEWPARAM(ID_REDUCE_TRIANGLES_MENU, 0), 0);
  ASSERT_TRUE(AwaitJob(document, jobs, "the reduction"));
  ASSERT_EQ(LastStatus(document), CDXThread::eThreadCompleted);
  const DWORD triangles = connectivity->GetActiveTrianglesCount(false);
  EXPECT_LT(triangles, before);
  EXPECT_GE(triangles, before / 2);
  EXPECT_EQ(document->GetSelectedFrame(), connectivity);
  Photograph("4-reduced");

  // The reduced frame becomes a retained-mode frame, which the export writes.
  jobs = Jobs(document)->GetThreadList()->GetCount();
  ASSERT_TRUE(Frame()->TriggerCommand(ID_CREATE_RETAINED_MODE_FRAME));
  ASSERT_TRUE(AwaitJob(document, jobs, "the retained-mode frame"));
  ASSERT_EQ(LastStatus(document), CDXThread::eThreadCompleted);
  ASSERT_EQ(document->GetSelectedFrame(), connectivity);
  ASSERT_EQ(connectivity->GetFrameType(), CFrame::eDXMeshFrame);
  const SSceneSummary reduced = SummarizeScene(connectivity);
  EXPECT_EQ(reduced.triangles, triangles);
  EXPECT_EQ(OverlayTriangles(document), std::to_string(reduced.triangles) + " triangles");
  Photograph("5-retained-mode");

  // The export command, its dialog answered with a .x file.
  const std::string exported = m_folder.Path("reduced.x");
  AnswerFileDialogs(exported);
  jobs = Jobs(document)->GetThreadList()->GetCount();
  ASSERT_TRUE(Frame()->TriggerCommand(ID_EXPORT_3DOBJECT));
  ASSERT_TRUE(AwaitJob(document, jobs, "the export"));
  ASSERT_EQ(LastStatus(document), CDXThread::eThreadCompleted);
  ASSERT_TRUE(std::filesystem::exists(exported));
  Photograph("6-exported");

  // The written file holds what the reduced frame holds: read as written,
  // into X-file meshes (a Direct3D mesh would weld equal vertices).
  const BYTE loadDXMeshes = g_appOptions.bLoadDXMeshes;
  g_appOptions.bLoadDXMeshes = 0;
  CFrame root;
  root.Initialize(nullptr, const_cast<char*>("Read"), CFrame::ePlainFrame, false);
  CXFileDataList world;
  CXFile file;
  const bool read = file.LoadXfile(exported.c_str(), &root, world, nullptr, nullptr);
  g_appOptions.bLoadDXMeshes = loadDXMeshes;
  ASSERT_TRUE(read) << file.GetFailureText();
  const SSceneSummary written = SummarizeScene(&root);
  EXPECT_EQ(written.triangles, reduced.triangles);
  EXPECT_EQ(written.vertices, reduced.vertices);
  EXPECT_EQ(written.meshes, reduced.meshes);

  EXPECT_EQ(g_messages, std::vector<std::string>{});
}

}  // namespace
