// What a save replaces: the target only when the whole file is written and
// on the disk, whatever cuts the save short; the file a link points to; never
// a folder, a device or a pipe.
#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <vector>

#include "xfile_helpers.h"

namespace {

namespace fs = std::filesystem;

const std::pair<DXFILEFORMAT, const char*> kFormats[] = {
    {DXFILEFORMAT_TEXT, "text"},
    {DXFILEFORMAT_BINARY, "binary"},
    {DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, "compressed binary"},
};

// The steps of one save after its save object is made; each gives its
// result, the first failure ends the save.
using SaveStep = std::function<HRESULT(IDirectXFileSaveObject*)>;

SaveStep SaveMeshStep(DWORD triangles) {
  return [triangles](IDirectXFileSaveObject* save) { return SaveMesh(save, triangles); };
}

HRESULT RunSave(IDirectXFile* file, const std::string& path, DXFILEFORMAT format, const std::vector<SaveStep>& steps) {
  Com<IDirectXFileSaveObject> save;
  HRESULT hr = file->CreateSaveObject(path.c_str(), format, &save);
  for (const SaveStep& step : steps)
    if (SUCCEEDED(hr)) hr = step(save.get());
  return hr;
}

// Runs the save in a child process whose files may not grow beyond `limit`
// bytes, as on a full disk; the child's exit status: 0 when its save
// reported the failure, 1 when it claimed success.
int SaveInChildWithFileSizeLimit(const std::function<HRESULT()>& save, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(2);
    _exit(FAILED(save()) ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every entry below the folder, links not followed.
std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    names.push_back(entry.path().lexically_relative(folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

using XFileSaveTarget = XFileFolderTest;

TEST_F(XFileSaveTarget, ASaveThatFailsOrIsGivenUpLeavesTheOldFileAndNoPartialFile) {
  struct {
    const char* what;
    std::function<HRESULT(IDirectXFile*, const std::string&, DXFILEFORMAT)> save;
  } cases[] = {
      {"a refused object after the templates",
       [](IDirectXFile* file, const std::string& path, DXFILEFORMAT format) {
         return RunSave(file, path, format,
                        {SaveMeshTemplates, [](IDirectXFileSaveObject* save) { return save->SaveData(nullptr); }});
       }},
      {"given up after the data",
       [](IDirectXFile* file, const std::string& path, DXFILEFORMAT format) {
         HRESULT finished = S_OK;
         HRESULT hr = RunSave(file, path, format,
                              {SaveMeshTemplates, SaveMeshStep(100), [&](IDirectXFileSaveObject* save) {
                                 finished = FinishXFileSave(save, FALSE);
                                 return save->SaveTemplates(0, nullptr);
                               }});
         EXPECT_EQ(finished, S_OK);
         return hr;
       }},
      {"a file-size limit reached in the data",
       [](IDirectXFile* file, const std::string& path, DXFILEFORMAT format) {
         const int status = SaveInChildWithFileSizeLimit(
             [&] {
               return RunSave(file, path, format, {SaveMeshTemplates, SaveMeshStep(2000), [](IDirectXFileSaveObject* save) {
                                                     return FinishXFileSave(save, TRUE);
                                                   }});
             },
             4096);
         EXPECT_EQ(status, 0) << "the child's save did not report the failure";
         return status == 0 ? E_FAIL : S_OK;
       }},
  };
  for (const auto& c : cases) {
    for (const auto& [format, formatName] : kFormats) {
      SCOPED_TRACE(std::string(c.what) + ", " + formatName);
      const std::string path = PathOf("kept.x");
      std::ofstream(path) << "old content";
      EXPECT_TRUE(FAILED(c.save(m_file.get(), path, format)));
      EXPECT_EQ(FileContents(path), "old content");
      EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"kept.x"}) << "no temporary file left";
    }
  }
}

TEST_F(XFileSaveTarget, AFinishedSaveIsInPlaceAndTakesNoMoreData) {
  for (const auto& [format, formatName] : kFormats) {
    SCOPED_TRACE(formatName);
    const std::string path = PathOf("done.x");
    std::ofstream(path) << "old content";
    Com<IDirectXFileSaveObject> save;
    ASSERT_EQ(m_file->CreateSaveObject(path.c_str(), format, &save), S_OK);
    ASSERT_EQ(SaveMeshTemplates(save.get()), S_OK);
    ASSERT_EQ(SaveMeshStep(10)(save.get()), S_OK);
    EXPECT_EQ(FileContents(path), "old content");
    EXPECT_EQ(FinishXFileSave(save.get(), TRUE), S_OK);
    EXPECT_NE(FileContents(path), "old content");
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"done.x"});
    HRESULT failure = S_OK;
    DumpFile(m_file.get(), path, &failure);
    EXPECT_EQ(failure, S_OK);
    EXPECT_NE(SaveMeshStep(10)(save.get()), S_OK) << "the file is closed";
    EXPECT_NE(FinishXFileSave(save.get(), TRUE), S_OK) << "finished once";
  }
  EXPECT_EQ(FinishXFileSave(nullptr, TRUE), DXFILEERR_BADVALUE);
}

TEST_F(XFileSaveTarget, ALinkIsFollowedAndTheFileItPointsToIsReplaced) {
  struct {
    const char* what;
    std::vector<std::pair<const char*, const char*>> links;  // link, where it points
    const char* target;                                     // the file that receives the save
  } cases[] = {
      {"a link to a file", {{"out.x", "real.x"}}, "real.x"},
      {"a link to a link in another folder", {{"out.x", "sub/inner.x"}, {"sub/inner.x", "../real.x"}}, "real.x"},
      {"a link to an absolute path", {{"out.x", "@/sub/real.x"}}, "sub/real.x"},
      {"a link to a file not there yet", {{"out.x", "new.x"}}, "new.x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(m_folder);
    fs::create_directories(m_folder / "sub");
    std::ofstream(PathOf("real.x")) << "old content";
    fs::permissions(PathOf("real.x"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::ofstream(PathOf("sub/real.x")) << "old content";
    for (const auto& [link, to] : c.links) {
      const std::string destination = to[0] == '@' ? m_folder.string() + (to + 1) : std::string(to);
      fs::create_symlink(destination, m_folder / link);
    }
    const std::vector<std::string> before = Entries(m_folder);
    ASSERT_EQ(RunSave(m_file.get(), PathOf("out.x"), DXFILEFORMAT_TEXT, {SaveMeshTemplates, SaveMeshStep(3)}), S_OK);

    for (const auto& link : c.links) EXPECT_TRUE(fs::is_symlink(m_folder / link.first)) << link.first;
    EXPECT_NE(FileContents(PathOf(c.target)).find("template Mesh"), std::string::npos);
    EXPECT_EQ(FileContents(PathOf("out.x")), FileContents(PathOf(c.target)));
    if (std::string(c.target) == "real.x") {
      EXPECT_EQ(fs::status(PathOf("real.x")).permissions(),
                fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
          << "the replaced file keeps its permissions";
    }
    std::vector<std::string> after = before;
    if (std::find(before.begin(), before.end(), c.target) == before.end()) {
      after.push_back(c.target);
      std::sort(after.begin(), after.end());
    }
    EXPECT_EQ(Entries(m_folder), after) << "no temporary file left";
  }
}

TEST_F(XFileSaveTarget, WhatIsNotARegularFileIsRefusedAndLeftAsItWas) {
  struct {
    const char* what;
    std::function<void(const std::string&)> make;
    fs::file_type type;  // of the entry at the path, links not followed
    HRESULT expected;
  } cases[] = {
      {"a folder", [](const std::string& path) { fs::create_directory(path); }, fs::file_type::directory,
       DXFILEERR_BADFILETYPE},
      {"a pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, fs::file_type::fifo,
       DXFILEERR_BADFILETYPE},
      {"a link to a device", [](const std::string& path) { fs::create_symlink("/dev/null", path); },
       fs::file_type::symlink, DXFILEERR_BADFILETYPE},
      {"a link to a folder", [](const std::string& path) { fs::create_directory_symlink("/", path); },
       fs::file_type::symlink, DXFILEERR_BADFILETYPE},
      {"a loop of links",
       [](const std::string& path) {
         fs::create_symlink("loop_b", path);
         fs::create_symlink("target", fs::path(path).parent_path() / "loop_b");
       },
       fs::file_type::symlink, DXFILEERR_BADFILE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    const std::string path = PathOf("target");
    c.make(path);
    const std::vector<std::string> before = Entries(m_folder);
    Com<IDirectXFileSaveObject> save;
    EXPECT_EQ(m_file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &save), c.expected);
    EXPECT_EQ(save.get(), nullptr);
    EXPECT_EQ(fs::symlink_status(path).type(), c.type);
    EXPECT_EQ(Entries(m_folder), before);
  }
}

}  // namespace
