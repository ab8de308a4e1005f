// The batch that removes Uninstall.exe and its folder after the program has ended.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "paths.h"
#include "self_delete.h"
#include "test_support.h"
#include "winbase/handles.h"

namespace uninstall::testing {
namespace {

TEST(SelfDelete, BatchDeletesTheProgramThenItsFolderWhenEmpty) {
  ScratchFolder scratch("kvuninst");
  std::wstring dir = scratch.Path();
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  std::string text = SelfDeleteBatch(program, dir, dir + L"\\x.bat");
  EXPECT_EQ(text.rfind("@echo off\r\n", 0), 0u);
  EXPECT_NE(text.find("rmdir \""), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  ASSERT_TRUE(ScheduleSelfDelete(program, dir));
  for (int i = 0; i < 200 && Exists(dir); ++i) Sleep(50);
  EXPECT_FALSE(Exists(program));
  EXPECT_FALSE(Exists(dir));
}

TEST(SelfDelete, BatchLeavesAFolderThatStillHoldsFiles) {
  ScratchFolder scratch("kvuninst");
  std::wstring dir = scratch.Path();
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  Touch(dir + L"\\mine.doc");
  ASSERT_TRUE(ScheduleSelfDelete(program, dir));
  for (int i = 0; i < 200 && Exists(program); ++i) Sleep(50);
  Sleep(500);
  EXPECT_FALSE(Exists(program));
  EXPECT_TRUE(Exists(dir + L"\\mine.doc"));
}

// The program may take a few seconds to end (the system is busy, a scanner holds its file):
// the batch keeps trying with a pause between tries instead of giving up at once.
TEST(SelfDelete, BatchWaitsForAProgramThatEndsLate) {
  ScratchFolder scratch("kvuninst");
  std::wstring dir = scratch.Path();
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  {
    winbase::FileHandle held(CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    ASSERT_TRUE(ScheduleSelfDelete(program, dir));
    Sleep(5000);
    EXPECT_TRUE(Exists(program));
  }
  for (int i = 0; i < 300 && Exists(dir); ++i) Sleep(100);
  EXPECT_FALSE(Exists(program));
  EXPECT_FALSE(Exists(dir));
}

TEST(SelfDelete, TheBatchIsBoundedAndPausesWithTheSystemsOwnProgram) {
  std::string text = SelfDeleteBatch(L"C:\\100% Tools\\Uninstall.exe", L"C:\\100% Tools", L"C:\\t\\x.bat");
  EXPECT_NE(text.find("if %n% geq " + std::to_string(kSelfDeleteTries) + " goto done"), std::string::npos);
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  wchar_t shortSystem[MAX_PATH];
  DWORD n = GetShortPathNameW(system, shortSystem, MAX_PATH);
  std::wstring ping = std::wstring(n ? shortSystem : system) + L"\\ping.exe";
  EXPECT_NE(text.find("\"" + std::string(ping.begin(), ping.end()) + "\" -n 2 127.0.0.1 >nul"), std::string::npos);
  // A percent sign of a path is doubled, or the interpreter would read a variable.
  EXPECT_NE(text.find("del \"C:\\100%% Tools\\Uninstall.exe\""), std::string::npos);
}

// The system looks for a bare "cmd.exe" in the caller's folder and the current folder before
// its own: one placed there by anyone must not be the one that runs.
TEST(SelfDelete, TheBatchRunsInTheSystemsOwnInterpreter) {
  ScratchFolder scratch("kvuninst");
  std::wstring dir = scratch.Path();
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  const std::wstring planted = dir + L"\\planted";
  CreateDirectoryW(planted.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(BuiltFile(PROBE_PROGRAM).c_str(), (planted + L"\\cmd.exe").c_str(), FALSE));
  const std::wstring report = dir + L"\\planted.txt";
  SetEnvironmentVariableW(L"KV_PROBE_OUT", report.c_str());
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(planted.c_str());
  const bool scheduled = ScheduleSelfDelete(program, L"");
  SetCurrentDirectoryW(current);
  SetEnvironmentVariableW(L"KV_PROBE_OUT", nullptr);
  ASSERT_TRUE(scheduled);
  for (int i = 0; i < 200 && Exists(program); ++i) Sleep(50);
  EXPECT_FALSE(Exists(program));
  EXPECT_FALSE(Exists(report));
}

// An installation into a shell folder (Favorites, say), the Windows folder or a drive root
// must not take that folder with it once it is empty: the batch then removes the program only.
TEST(SelfDelete, TheSystemsOwnFoldersAreNeverRemoved) {
  wchar_t favorites[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, favorites, CSIDL_FAVORITES, TRUE));
  for (const std::wstring& folder : {std::wstring(favorites), std::wstring(favorites) + L"\\", WindowsFolder(),
                                     SystemFolder(), std::wstring(L"C:\\"), std::wstring(L"\\\\server\\share")})
    EXPECT_TRUE(IsProtectedFolder(folder)) << std::string(folder.begin(), folder.end());
  EXPECT_FALSE(IsProtectedFolder(std::wstring(favorites) + L"\\My App"));
  EXPECT_EQ(SelfDeleteBatch(L"C:\\x\\Uninstall.exe", L"", L"C:\\t\\x.bat").find("rmdir"), std::string::npos);
}

}  // namespace
}  // namespace uninstall::testing
