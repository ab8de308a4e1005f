#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "bramlow/state/folder_macros.h"
#include "bramlow/actions/entries/shortcut.h"
#include "bramlow/actions/entries/shortcut_entry.h"
#include "test_support.h"
#include "winbase/handles.h"
#include "winbase/text.h"

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
    testing::WriteBytes(
        scratch / L"setup.qx1",
        "[Lnk1]\r\nLinkName=" + linkName + "\r\nFileName=%Installer%viewer.exe\r\nIndex=2\r\n");
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
  EXPECT_EQ(files.Record(L"links", L"target4"), scratch / L"viewer.exe");
  EXPECT_EQ(files.Record(L"links", L"args4"), L"");
}

// Beside each link the list records what it leads to, exactly as the link reads back (the
// uninstaller compares): arguments that begin with a quote or end in a space survive the
// profile file. A name the list's ANSI code page cannot hold is no link the installation makes
// while it keeps a list; a target or argument it cannot hold is made, and left unrecorded (the
// shell may keep such a target as "?" itself: then "?" is what is compared).
TEST_F(ShortcutEntryTest, TheLinkIsRecordedWithWhatItLeadsToAsTheListCanHoldIt) {
  files.state.DestFolder = scratch.Path();
  auto script = [&](const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    testing::WriteBytes(scratch / L"setup.qx1", bytes);
  };
  const std::wstring quoted = L"\"" + scratch.Path() + L"\\read me.txt\" /x";
  const struct {
    std::wstring link, target, arguments;
    bool keepsList, made;
  } rows[] = {
      {L"Quoted.lnk", L"viewer.exe", L"\"%Dest%\\read me.txt\" /x", true, true},
      {L"caf\u00E9 \u65E5.lnk", L"viewer.exe", L"", true, false},
      {L"caf\u00E9 \u65E5.lnk", L"viewer.exe", L"", false, true},
      {L"Far.lnk", L"\u65E5\u672C.exe", L"", true, true},
      {L"Args.lnk", L"viewer.exe", L"--name=\u65E5", true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(winbase::ToUtf8(row.link + L" " + row.target));
    files.state.CreateUninst = row.keepsList;
    const int before = files.state.FileCounter;
    script(L"[Lnk1]\r\nLinkName=%Dest%\\" + row.link + L"\r\nFileName=%Installer%" + row.target +
           L"\r\nArg=" + row.arguments + L"\r\n");
    ShortcutEntry(1, context);
    const std::wstring link = scratch / row.link;
    EXPECT_EQ(FileExists(link), row.made);
    const std::optional<ShortcutLeadsTo> leadsTo = ReadShortcut(link);
    DeleteFileW(link.c_str());
    if (!row.keepsList) continue;
    EXPECT_EQ(files.state.FileCounter, before + (row.made ? 1 : 0));
    if (!row.made) continue;
    const std::wstring n = std::to_wstring(files.state.FileCounter);
    EXPECT_EQ(files.Record(L"files", n), link);
    ASSERT_TRUE(leadsTo);
    const bool held = winbase::FitsCodePage(leadsTo->target + leadsTo->arguments);
    EXPECT_EQ(files.Record(L"links", L"target" + n), held ? leadsTo->target : L"");
    EXPECT_EQ(files.Record(L"links", L"args" + n), held ? leadsTo->arguments : L"");
    if (row.link == L"Quoted.lnk") {
      EXPECT_EQ(files.Record(L"links", L"target" + n), scratch / L"viewer.exe");
      EXPECT_EQ(files.Record(L"links", L"args" + n), quoted);
    }
  }
}

// A folder that was there before the link (the common Startup folder, a Start-menu folder the
// user keeps his own shortcuts in, the system's "Administrative Tools", the desktop) is not the
// installation's: only the link is listed. "%All Startup%" is not "%Startup%": a new folder
// there would be listed.
TEST_F(ShortcutEntryTest, AFolderThatWasThereBeforeIsNotRecorded) {
  EXPECT_FALSE(LinkHasOwnFolder(L"%STARTUP%\\a.lnk"));
  EXPECT_TRUE(LinkHasOwnFolder(L"%All Desktop%\\a.lnk"));
  EXPECT_TRUE(LinkHasOwnFolder(L"%All Startup%\\a.lnk"));
  const std::wstring startup = SpecialFolder(CSIDL_COMMON_STARTUP);
  files.state.DestFolder = scratch.Path();
  CreateDirectoryW((scratch / L"Utilities").c_str(), nullptr);
  testing::WriteBytes(scratch / L"Utilities\\users own.lnk", "x");
  const struct {
    std::string linkName;
    std::wstring link;
  } rows[] = {
      {"%All Startup%\\KvActionsViewer.lnk", startup + L"\\KvActionsViewer.lnk"},
      {"%Dest%\\Utilities\\Viewer.lnk", scratch / L"Utilities\\Viewer.lnk"},
      {"%desktop%\\KvActionsViewer.lnk", SpecialFolder(CSIDL_DESKTOP) + L"\\KvActionsViewer.lnk"}};
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.linkName);
    if (row.linkName[1] == 'A' && startup.empty()) continue;  // no common Startup folder here
    made.push_back(row.link);
    Item(row.linkName);
    EXPECT_TRUE(FileExists(row.link));
    EXPECT_EQ(_wcsicmp(files.Record(L"files", std::to_wstring(++n)).c_str(), row.link.c_str()), 0);
    EXPECT_EQ(files.state.FolderCounter, 0);
  }
}

TEST_F(ShortcutEntryTest, AFolderThatCannotBeMadeIsNotRecorded) {
  files.state.DestFolder = scratch.Path();
  Item("%Dest%\\one\\two\\Viewer.lnk");
  EXPECT_FALSE(FileExists(scratch / L"one\\two\\Viewer.lnk"));
  EXPECT_EQ(files.Record(L"files", L"1"), scratch / L"one\\two\\Viewer.lnk");
  EXPECT_EQ(files.Record(L"folders", L"1"), L"");
  EXPECT_EQ(files.Record(L"links", L"target1"), L"") << "nothing to read back";
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
