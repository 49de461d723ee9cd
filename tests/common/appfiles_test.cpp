#include "appfiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string ProgramFolder() { return fs::read_symlink("/proc/self/exe").parent_path().string(); }

std::string Sibling(const char* name) { return (fs::path(ProgramFolder()).parent_path() / name).string(); }

TEST(AppFolders, ProgramFolderAndItsSiblings) {
  EXPECT_EQ(std::string(GetAppDirectory()), ProgramFolder());
  EXPECT_EQ(std::string(GetDefaultImportDirectory()), Sibling("samples"));
  for (const char* folder : {"media", "samples", "Tools", "html"}) EXPECT_TRUE(AppFolderExists(folder)) << folder;
  EXPECT_FALSE(AppFolderExists("no such folder"));
  EXPECT_FALSE(AppFolderExists("media/Windows XP Ding.wav"));  // a file is no folder
}

TEST(AppFolders, FilesInTheSiblingFolders) {
  // The build generates the media sounds.
  EXPECT_EQ(std::string(GetMediaFilePathName("error.wav")), Sibling("media") + "\\error.wav");
  EXPECT_EQ(std::string(GetMediaFilePathName("missing.wav")), "missing.wav");
  EXPECT_EQ(std::string(GetToolPathName("missing.exe")), "missing.exe");

  const std::string name = "appfiles_test_" + std::to_string(getpid()) + ".htm";
  const fs::path page = fs::path(Sibling("html")) / name;
  std::ofstream(page) << "<html></html>";
  EXPECT_EQ(std::string(GetHtmlPathName(name.c_str())), "file://\\" + Sibling("html") + "\\" + name);
  fs::remove(page);
  EXPECT_EQ(std::string(GetHtmlPathName(name.c_str())), name);
}

TEST(AppFolders, LookupsLeaveTheCurrentDirectoryAlone) {
  const fs::path before = fs::current_path();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 50; ++i) {
        GetMediaFilePathName("error.wav");
        GetDefaultImportDirectory();
        AppFolderExists("html");
      }
    });
  }
  for (int i = 0; i < 200; ++i) ASSERT_EQ(fs::current_path(), before);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(fs::current_path(), before);
}

TEST(AppFolders, PlaySoundFile) {
  EXPECT_TRUE(PlaySoundFile("Windows XP Ding.wav"));
  EXPECT_TRUE(PlaySoundFile("error.wav"));
  EXPECT_FALSE(PlaySoundFile("no such sound.wav"));
}

TEST(AppFiles, TextFileContent) {
  TempFolder folder;
  const fs::path dir = folder.Path();
  std::string text(10000, 'x');
  for (size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('a' + i % 26);
  std::ofstream(dir / "long.txt", std::ios::binary) << text;
  EXPECT_EQ(std::string(GetTextFileContent((dir / "long.txt").c_str())), text);  // blocks of 4095, 4095, 1810

  std::string zero = "abc" + std::string(1, '\0') + "def";
  zero += std::string(4095 - zero.size(), 'y') + "second block";
  std::ofstream(dir / "zero.txt", std::ios::binary) << zero;
  EXPECT_EQ(std::string(GetTextFileContent((dir / "zero.txt").c_str())), "abcsecond block");

  std::ofstream(dir / "empty.txt");
  EXPECT_EQ(std::string(GetTextFileContent((dir / "empty.txt").c_str())), "");
  EXPECT_EQ(std::string(GetTextFileContent((dir / "missing.txt").c_str())), "");
}

TEST(AppFiles, UniqueNamesRunFromOneToAMillion) {
  CString first("Frame");
  SetUniqueName(first);
  ASSERT_EQ(first.GetLength(), 12);
  int number = std::stoi(std::string(first.Mid(5)));
  // Run on to the largest value; the next one starts again at 1.
  CString name;
  for (; number < 1000000; ++number) {
    name = "Frame";
    SetUniqueName(name);
  }
  EXPECT_EQ(std::string(name), "Frame1000000");
  name = "Frame";
  SetUniqueName(name);
  EXPECT_EQ(std::string(name), "Frame0000001");
}

TEST(AppFiles, IdentifiersIncrease) {
  unsigned char* a = GetNextUniqueID();
  unsigned char* b = GetNextUniqueID();
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b), reinterpret_cast<uintptr_t>(a) + 1);
}

TEST(AppFiles, DXTemplateNames) {
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"2nd box-part.1", "_2nd_box_part_1"},
      {"_a", "_a"},
      {"", ""},
      {"Frame01", "Frame01"},
      {"a b\tc", "a_b_c"},
      {"9", "_9"},
      {"caf\xc3\xa9", "caf__"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(GetDXTemplateName(c.name)), c.expected) << c.name;
}

TEST(AppFiles, HugeMemCopy) {
  for (unsigned int size : {0u, 1u, 65534u, 65535u, 65536u, 200000u}) {
    std::vector<unsigned char> src(size + 1), dst(size + 1, 0xEE);
    for (unsigned int i = 0; i < size; ++i) src[i] = static_cast<unsigned char>(i * 7 + i / 251);
    HugeMemCopy(dst.data(), src.data(), size);
    EXPECT_TRUE(std::equal(src.begin(), src.begin() + size, dst.begin())) << size;
    EXPECT_EQ(dst[size], 0xEE) << size;  // nothing beyond
  }
}

}  // namespace
