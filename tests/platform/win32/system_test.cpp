#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>
#include <thread>

#include "temp_folder.h"

TEST(Module, FileNameIsTheRunningExecutable) {
  char expected[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", expected, sizeof(expected) - 1), 0);
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  EXPECT_EQ(std::string(path), expected);
  EXPECT_EQ(length, std::strlen(expected));
  EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), path, MAX_PATH), length);

  char small[4];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof(small)), 4u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(small), std::string(expected, 3));
}

TEST(ErrorText, SystemMessagesByCode) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  ASSERT_GT(length, 2u);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::strlen(text), length);
  EXPECT_EQ(std::string(text + length - 2), "\r\n");
  EXPECT_EQ(LocalFree(text), nullptr);

  char buffer[8];
  EXPECT_EQ(
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, sizeof(buffer), nullptr),
      0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0,
                           reinterpret_cast<LPSTR>(&text), 0, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
}

TEST(ErrorText, LastErrorIsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD other = 1;
  std::thread([&] { other = GetLastError(); }).join();
  EXPECT_EQ(other, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Paths, BackslashesBecomeSlashes) {
  EXPECT_EQ(ToNativePath("..\\media\\Ding.wav"), "../media/Ding.wav");
  EXPECT_EQ(ToNativePath("/a/b"), "/a/b");
  EXPECT_EQ(ToNativePath(nullptr), "");
  EXPECT_TRUE(IsPathSeparator('\\') && IsPathSeparator('/') && !IsPathSeparator(':'));
}

TEST(Sound, PlaysWhenTheFileCanBeRead) {
  TempFolder folder;
  std::string dir = folder.Path() + "/";
  std::string path = folder.Path("win32_sound.wav");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("RIFF", file);
  std::fclose(file);
  std::string windowsStyle = path;
  for (char& c : windowsStyle) {
    if (c == '/') c = '\\';
  }
  EXPECT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_FILENAME));
  EXPECT_TRUE(PlaySoundA(windowsStyle.c_str(), nullptr, SND_FILENAME));
  EXPECT_FALSE(PlaySoundA((path + ".missing").c_str(), nullptr, SND_FILENAME));
  EXPECT_FALSE(PlaySoundA(dir.c_str(), nullptr, SND_FILENAME));
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
}
