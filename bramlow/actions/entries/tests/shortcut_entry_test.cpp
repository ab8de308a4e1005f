#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "bramlow/state/folder_macros.h"
#include "bramlow/actions/entries/shortcut_entry.h"
#include "test_support.h"
#include "winbase/handles.h"

namespace bramlow {
namespace {

using testing::FileExists;
using testing::ScratchFolder;
using testing::StateWithFiles;

class ShortcutEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    previousFolder = folder;
    testing::WriteBytes(scratch / L"viewer.exe", "MZ");
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousFolder.c_str());
    for (const auto& path : made) {
      DeleteFileW(path.c_str());
    }
    if (!group.empty()) RemoveDirectoryW(group.c_str());
  }
  void Item(const std::string& linkName) {
    testing::WriteBytes(scratch / L"setup.qx1", "[Lnk1]\r\nLinkName=" + linkName +
                                                      "\r\nFileName=%Installer%viewer.exe\r\nIndex=2\r\n");
    ShortcutEntry(1, context);
  }
  ScratchFolder scratch;
  StateWithFiles files{scratch};
  ActionContext context{files.state};
  winbase::ComInit com;
  std::wstring previousFolder, group;
  std::vector<std::wstring> made;
};

TEST_F(ShortcutEntryTest, ANewProgramGroupIsCreatedAndRecordedWithTheLink) {
  const std::wstring programs = SpecialFolder(CSIDL_PROGRAMS);
  ASSERT_FALSE(programs.empty());
  group = programs + L"\\KvActionsViewer";
  const std::wstring link = group + L"\\Viewer.lnk";
  made.push_back(link);
  files.state.FileCounter = 3;
  Item("%Programs%\\KvActionsViewer\\Viewer.lnk");
  EXPECT_TRUE(FileExists(link));
  EXPECT_EQ(files.state.FileCounter, 4);
  EXPECT_EQ(files.state.FolderCounter, 1);
  EXPECT_EQ(_wcsicmp(files.Record(L"files", L"4").c_str(), link.c_str()), 0);
  EXPECT_EQ(_wcsicmp(files.Record(L"folders", L"1").c_str(), group.c_str()), 0)
      << "recorded without a trailing backslash";
}

TEST_F(ShortcutEntryTest, DesktopLinksRecordTheirFileOnly) {
  const std::wstring link = SpecialFolder(CSIDL_DESKTOP) + L"\\KvActionsViewer.lnk";
  made.push_back(link);
  Item("%desktop%\\KvActionsViewer.lnk");
  EXPECT_TRUE(FileExists(link));
  EXPECT_EQ(files.state.FileCounter, 1);
  EXPECT_EQ(files.state.FolderCounter, 0);
  EXPECT_EQ(files.Record(L"folders", L"1"), L"");
}

TEST_F(ShortcutEntryTest, TheCommonStartupFolderCountsAsAFolderOfItsOwn) {
  EXPECT_FALSE(LinkHasOwnFolder(L"%STARTUP%\\a.lnk"));
  EXPECT_TRUE(LinkHasOwnFolder(L"%All Desktop%\\a.lnk"));
  const std::wstring startup = SpecialFolder(CSIDL_COMMON_STARTUP);
  if (startup.empty()) GTEST_SKIP() << "no common Startup folder on this system";
  const std::wstring link = startup + L"\\KvActionsViewer.lnk";
  made.push_back(link);
  Item("%All Startup%\\KvActionsViewer.lnk");
  EXPECT_EQ(files.state.FolderCounter, 1);
  EXPECT_EQ(_wcsicmp(files.Record(L"folders", L"1").c_str(), startup.c_str()), 0);
}

TEST_F(ShortcutEntryTest, AFolderThatCannotBeMadeIsStillRecordedByItsOwnName) {
  files.state.DestFolder = scratch.Path();
  Item("%Dest%\\one\\two\\Viewer.lnk");
  EXPECT_FALSE(FileExists(scratch / L"one\\two\\Viewer.lnk"));
  EXPECT_EQ(files.Record(L"files", L"1"), scratch / L"one\\two\\Viewer.lnk");
  EXPECT_EQ(files.Record(L"folders", L"1"), scratch / L"one\\two");
}

TEST_F(ShortcutEntryTest, NothingIsRecordedWithoutAnUninstallList) {
  files.state.CreateUninst = false;
  files.state.DestFolder = scratch.Path();
  Item("%Dest%\\Viewer.lnk");
  EXPECT_TRUE(FileExists(scratch / L"Viewer.lnk"));
  EXPECT_EQ(files.state.FileCounter, 0);
  EXPECT_FALSE(FileExists(files.uninstallList));
}

}  // namespace
}  // namespace bramlow
