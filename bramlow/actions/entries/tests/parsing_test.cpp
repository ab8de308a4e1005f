#include <gtest/gtest.h>
#include <windows.h>

#include "bramlow/actions/entries/path_parts.h"
#include "bramlow/actions/entries/registry_root.h"
#include "bramlow/actions/entries/show_command.h"
#include "testing/support/scratch_folder.h"

namespace bramlow {
namespace {

TEST(RegistryRoot, OnlyTheSixNamesSelectTheirRoot) {
  EXPECT_EQ(RootFromName(L"hkey_local_machine"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootFromName(L"HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
  EXPECT_EQ(RootFromName(L"Hkey_Users"), HKEY_USERS);
  EXPECT_EQ(RootFromName(L"HKEY_PERFORMANCE_DATA"), HKEY_PERFORMANCE_DATA);
  EXPECT_EQ(RootFromName(L"hkey_current_config"), HKEY_CURRENT_CONFIG);
  EXPECT_EQ(RootFromName(L"HKEY_DYN_DATA"), HKEY_DYN_DATA);
  // Abbreviations, the current user's own name, blanks and misspellings all mean the current user.
  for (const wchar_t* other : {L"HKLM", L"HKEY_CURRENT_USER", L"", L" HKEY_USERS", L"HKEY_LOCAL_MACHINE\\"}) {
    EXPECT_EQ(RootFromName(other), HKEY_CURRENT_USER);
  }
}

TEST(ShowCommand, EachWayHasItsOwnDefaults) {
  EXPECT_EQ(ShowCommandFor(RunWay::Process, L"normal"), SW_SHOWNOACTIVATE);
  EXPECT_EQ(ShowCommandFor(RunWay::Shell, L"Normal"), SW_SHOWNORMAL);
  EXPECT_EQ(ShowCommandFor(RunWay::Process, L"MAXIMIZE"), SW_SHOWMAXIMIZED);
  EXPECT_EQ(ShowCommandFor(RunWay::Shell, L"maximize"), SW_SHOWMAXIMIZED);
  EXPECT_EQ(ShowCommandFor(RunWay::Process, L"Minimize"), SW_MINIMIZE);
  EXPECT_EQ(ShowCommandFor(RunWay::Shell, L"HIDE"), SW_HIDE);
  EXPECT_EQ(ShowCommandFor(RunWay::Process, L""), SW_HIDE);
  EXPECT_EQ(ShowCommandFor(RunWay::Process, L"shown"), SW_HIDE);
  EXPECT_EQ(ShowCommandFor(RunWay::Shell, L""), SW_SHOWNORMAL);
  EXPECT_EQ(ShowCommandFor(RunWay::Shell, L" hide"), SW_SHOWNORMAL);
}

TEST(PathParts, JoinsWithExactlyOneBackslash) {
  EXPECT_EQ(JoinPath(L"D:\\dest\\", L"sub"), L"D:\\dest\\sub");
  EXPECT_EQ(JoinPath(L"D:\\dest", L"\\sub"), L"D:\\dest\\sub");
  EXPECT_EQ(JoinPath(L"C:\\", L"sub"), L"C:\\sub");
  EXPECT_TRUE(ContainsNoCase(L"%desktop%\\Viewer.lnk", L"%Desktop%"));
  EXPECT_FALSE(ContainsNoCase(L"%All Startup%\\Viewer.lnk", L"%Startup%"));
  EXPECT_TRUE(SamePath(L"C:\\App\\", L"c:\\app"));
  EXPECT_FALSE(SamePath(L"C:\\App", L"C:\\App2"));
  EXPECT_FALSE(SamePath(L"", L""));
}

// A source tree deeper than paths go (a link back into itself makes one) is compared, not
// crashed on.
TEST(PathParts, ComparesFoldersDeeperThanPathsGo) {
  testsupport::ScratchFolder scratch;
  std::wstring deep = scratch.Path();
  while (deep.size() < 1100) {
    deep += L"\\folder";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
  }
  EXPECT_TRUE(SamePath(deep, deep + L"\\"));
  EXPECT_FALSE(SamePath(deep, deep + L"2"));
  EXPECT_FALSE(SamePath(deep, scratch.Path()));
}

}  // namespace
}  // namespace bramlow
