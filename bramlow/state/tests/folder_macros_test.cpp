#include "bramlow/state/folder_macros.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "bramlow/text/macro_text.h"

using namespace bramlow;

namespace {

// What the shell reports through a different call than the one under test.
std::wstring ShellReports(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
  return path;
}

}  // namespace

TEST(FolderMacros, EveryShellFolderIsWhatTheShellReports) {
  TSetupState state;
  int found = 0;
  for (const MacroRow& row : kMacroRows) {
    if (row.source != MacroSource::ShellFolder) continue;
    std::wstring expected = FoldDoubledBackslashes(ShellReports(row.csidl));
    EXPECT_EQ(ExpandMacros(row.name, state), expected) << std::wstring(row.name).c_str();
    EXPECT_EQ(SpecialFolder(row.csidl), ShellReports(row.csidl));
    if (!expected.empty()) ++found;
  }
  EXPECT_GE(found, 15);
  wchar_t windows[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(ExpandMacros(L"%WINDOWS%\\notepad.exe", state), std::wstring(windows) + L"\\notepad.exe");
}

TEST(FolderMacros, TempEndsInOneBackslash) {
  TSetupState state;
  std::wstring temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_EQ(ExpandMacros(L"%Temp%\\x.tmp", state), temp + L"x.tmp");
}

TEST(FolderMacros, StateFolders) {
  TSetupState state;
  state.InstallerFolder = L"C:\\kit\\";
  EXPECT_EQ(ExpandMacros(L"%Installer%\\readme.txt", state), L"C:\\kit\\readme.txt");
  EXPECT_EQ(ExpandMacros(L"%Lang%", state), L"");
  state.LangName = L"English";
  EXPECT_EQ(ExpandMacros(L"%installer%%lang%.qxl", state), L"C:\\kit\\English.qxl");
  EXPECT_EQ(ExpandMacros(L"%Dest%\\bin", state), L"\\bin");
  state.DestFolder = L"C:\\Apps\\Viewer";
  EXPECT_EQ(ExpandMacros(L"%Dest%\\bin", state), L"C:\\Apps\\Viewer\\bin");
  state.DestFolder = L"C:\\Apps\\Viewer\\";
  EXPECT_EQ(ExpandMacros(L"%Dest%", state), L"C:\\Apps\\Viewer\\");
  EXPECT_EQ(ExpandMacros(L"\\\\server\\share\\\\x", state), L"\\\\server\\share\\x");
}

TEST(FolderMacros, TheProgramsStateIsUsedByDefault) {
  SetupState.LangName = L"Russian";
  EXPECT_EQ(ExpandMacros(L"%Lang%.qxl"), L"Russian.qxl");
  SetupState.LangName.clear();
}

TEST(FolderMacros, BrowsedDestinationKeepsTheApplicationFolderName) {
  TSetupState state;
  EXPECT_EQ(BrowsedDestination(L"D:\\Apps", L"C:\\Program Files\\Viewer", state), L"D:\\Apps\\Viewer");
  EXPECT_EQ(BrowsedDestination(L"D:\\", L"C:\\Program Files\\Viewer", state), L"D:\\Viewer");
  EXPECT_EQ(BrowsedDestination(L"D:\\Apps", L"C:\\Apps\\", state), L"D:\\Apps\\");
}
