// The uninstaller against a real folder tree and registry in the test prefix: what it removes,
// what it must leave (someone else's uninstall entry, read-only files, network paths), and
// the list an interrupted installation leaves.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "bramlow/actions/uninstall_key.h"
#include "test_support.h"
#include "uninstall_flow.h"

namespace uninstall::testing {
namespace {

constexpr const wchar_t* kTestKey = L"Software\\KvUninstallTest";
constexpr const wchar_t* kProductKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My_App_1_0";

bool Mentions(const std::wstring& text, const std::wstring& what) { return text.find(what) != std::wstring::npos; }

// An installed application as the installer leaves it: files, folders, values, the list.
class InstalledApp : public ::testing::Test {
 protected:
  void SetUp() override {
    root = FreshFolder(L"");
    app = root + L"\\My App";
    program = app + L"\\Uninstall.exe";
    CreateDirectoryW(app.c_str(), nullptr);
    for (auto sub : {L"\\sub", L"\\sub\\deep", L"\\keep", L"\\empty"}) CreateDirectoryW((app + sub).c_str(), nullptr);
    for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt",
                   L"\\keep\\user.txt", L"\\unlisted.txt", L"\\Uninstall.exe"})
      Touch(app + f);
    SetValue(HKEY_CURRENT_USER, kTestKey, L"One");
    SetValue(HKEY_CURRENT_USER, kTestKey, L"Two");
    SetValue(HKEY_CURRENT_USER, kTestKey, L"Other");
    // The entry in the system's list of programs, as the installer writes it.
    SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"DisplayName", L"My App 1.0");
    SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"UninstallString", L"\"" + program + L"\"");

    ini = app + L"\\Uninstall.ini";
    Put(ini, L"files", L"1", app + L"\\a.txt");
    Put(ini, L"files", L"2", app + L"\\sub\\b.txt");
    // 3 is missing: a tree copy that stopped early leaves gaps.
    Put(ini, L"files", L"4", app + L"\\sub\\deep\\c.txt");
    Put(ini, L"files", L"5", app + L"\\keep\\listed.txt");
    Put(ini, L"files", L"6", app + L"\\gone-already.txt");
    Put(ini, L"files", L"Count", L"6");
    // Parent before child, as the installer records them.
    Put(ini, L"folders", L"1", app + L"\\sub");
    Put(ini, L"folders", L"2", app + L"\\sub\\deep");
    Put(ini, L"folders", L"3", app + L"\\keep");
    Put(ini, L"folders", L"4", app + L"\\empty");
    Put(ini, L"folders", L"Count", L"4");
    Put(ini, L"Ocx", L"Count", L"0");
    Put(ini, L"Reg1", L"Root", L"hkey_bogus");  // any unknown root is the current user's
    Put(ini, L"Reg1", L"Key", kTestKey);
    Put(ini, L"Reg1", L"Value", L"One");
    Put(ini, L"Reg2", L"Root", L"HKEY_CURRENT_USER");
    Put(ini, L"Reg2", L"Key", kTestKey);
    Put(ini, L"Reg2", L"Value", L"Two");
    Put(ini, L"uninstall", L"RegCount", L"2");
    Put(ini, L"uninstall", L"AppName", L"My App 1.0");
    Put(ini, L"language", L"1", L"Removal");
    Put(ini, L"language", L"2", L"Remove %s now?");
    Put(ini, L"language", L"3", L"%s is gone.");
    Put(ini, L"language", L"4", L"Left over from %s:");
    Put(ini, L"exe", L"Count", L"0");
  }
  void TearDown() override {
    RemoveTree(root);
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
  }
  Outcome Run(ScriptedDialogs& dialogs) { return RunUninstall(program, dialogs, 2000); }

  std::wstring root, app, program, ini;
};

TEST_F(InstalledApp, RemovesExactlyWhatTheListNames) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::Removed);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0], L"Remove My App 1.0 now?");
  EXPECT_EQ(dialogs.caption, L"My App 1.0 - Removal");

  for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt", L"\\Uninstall.ini"})
    EXPECT_FALSE(Exists(app + f)) << "listed file left: " << std::string(f, f + wcslen(f)).c_str();
  for (auto f : {L"\\sub\\deep", L"\\sub", L"\\empty", L"\\keep"}) EXPECT_FALSE(Exists(app + f));
  EXPECT_TRUE(Exists(app + L"\\unlisted.txt"));
  EXPECT_TRUE(Exists(program)) << "the running program goes later, by batch";

  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Other"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_EQ(dialogs.told[0], L"My App 1.0 is gone.");
  EXPECT_FALSE(dialogs.lastWasError);
}

TEST_F(InstalledApp, WhatStaysIsNamedAndAReadOnlyFileIsKeptAsItIs) {
  // Someone made it read-only on purpose; the uninstaller does not clear that to delete it.
  SetFileAttributesW((app + L"\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::PartlyRemoved);
  EXPECT_TRUE(Exists(app + L"\\sub\\b.txt"));
  EXPECT_EQ(GetFileAttributesW((app + L"\\sub\\b.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(Exists(app + L"\\sub")) << "it still holds the kept file";
  EXPECT_FALSE(Exists(app + L"\\sub\\deep"));
  EXPECT_TRUE(Exists(app + L"\\keep\\user.txt"));
  EXPECT_TRUE(Exists(app + L"\\keep"));

  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
  const std::wstring& told = dialogs.told[0];
  EXPECT_EQ(told.rfind(L"Left over from My App 1.0:", 0), 0u);
  EXPECT_TRUE(Mentions(told, app + L"\\sub\\b.txt"));
  EXPECT_TRUE(Mentions(told, app + L"\\keep"));
  EXPECT_FALSE(Mentions(told, L"gone-already"));
}

TEST_F(InstalledApp, DecliningRemovesNothing) {
  ScriptedDialogs dialogs(false);
  EXPECT_EQ(Run(dialogs), Outcome::Declined);
  EXPECT_TRUE(Exists(app + L"\\a.txt"));
  EXPECT_TRUE(Exists(app + L"\\sub\\deep"));
  EXPECT_TRUE(Exists(ini));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(InstalledApp, EntriesThatCouldEscapeAreRefused) {
  // A relative entry would resolve against the current folder; a drive root is never ours;
  // a network path is never touched at all.
  Put(ini, L"files", L"7", L"relative.txt");
  Put(ini, L"files", L"8", L"\\\\kv-server\\share\\tool.dll");
  Put(ini, L"files", L"Count", L"8");
  Put(ini, L"folders", L"5", L"C:\\");
  Put(ini, L"folders", L"6", L"\\\\kv-server\\share\\Tools");
  Put(ini, L"folders", L"Count", L"6");
  Put(ini, L"Ocx", L"1", L"\\\\kv-server\\share\\tool.dll");
  Put(ini, L"Ocx", L"Count", L"1");
  Put(ini, L"exe", L"exe1", L"\\\\kv-server\\share\\cleanup.exe /all");
  Put(ini, L"exe", L"Count", L"1");
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(app.c_str());
  Touch(L"relative.txt");
  ScriptedDialogs dialogs(true);
  Run(dialogs);
  EXPECT_TRUE(Exists(app + L"\\relative.txt"));
  SetCurrentDirectoryW(current);
  ASSERT_EQ(dialogs.told.size(), 1u);
  for (const wchar_t* kept : {L"relative.txt", L"C:\\\r\n", L"\\\\kv-server\\share\\tool.dll",
                              L"\\\\kv-server\\share\\Tools", L"\\\\kv-server\\share\\cleanup.exe /all"})
    EXPECT_TRUE(Mentions(dialogs.told[0] + L"\r\n", kept)) << std::string(kept, kept + wcslen(kept)).c_str();
}

TEST_F(InstalledApp, SomeoneElsesUninstallEntryStays) {
  // The same application installed a second time elsewhere owns the key now; and a list of
  // an installation that wrote no key (RegUninst 0) must not take one of that name either.
  const std::wstring other = L"\"D:\\Elsewhere\\My App\\Uninstall.exe\"";
  for (const std::wstring& startedProgram : {other, std::wstring()}) {
    SCOPED_TRACE(startedProgram.empty() ? "no program named" : "another Uninstall.exe");
    SetUp();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
    SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"DisplayName", L"My App 1.0");
    if (!startedProgram.empty()) SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"UninstallString", startedProgram);
    DeleteFileW((app + L"\\keep\\user.txt").c_str());
    ScriptedDialogs dialogs(true);
    EXPECT_EQ(Run(dialogs), Outcome::Removed) << "a key that is not ours is not a leftover";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(Exists(app + L"\\a.txt"));
    TearDown();
  }
}

TEST_F(InstalledApp, TheOwnEntryIsRecognisedInShortFormAndWithoutQuotes) {
  wchar_t shortForm[MAX_PATH];
  ASSERT_GT(GetShortPathNameW(program.c_str(), shortForm, MAX_PATH), 0u);
  SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"UninstallString", shortForm);
  EXPECT_EQ(FindOwnUninstallKey(L"My App 1.0", program), L"My_App_1_0");
  EXPECT_EQ(FindOwnUninstallKey(L"", program), L"My_App_1_0") << "found by the program it starts";
  EXPECT_EQ(FindOwnUninstallKey(L"My App 1.0", root + L"\\Other\\Uninstall.exe"), L"");
}

TEST_F(InstalledApp, ShellFoldersAndRepeatedGroupsAreHandled) {
  // Shortcuts into the common Startup folder record it as their folder; a group of several
  // shortcuts records its folder once per shortcut.
  wchar_t startup[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, startup, CSIDL_COMMON_STARTUP, TRUE));
  std::wstring link = std::wstring(startup) + L"\\kv-uninstall-test.lnk";
  Touch(link);
  Put(ini, L"files", L"7", link);
  Put(ini, L"files", L"Count", L"7");
  Put(ini, L"folders", L"5", startup);
  Put(ini, L"folders", L"6", app + L"\\sub");
  Put(ini, L"folders", L"7", app + L"\\SUB\\");
  Put(ini, L"folders", L"Count", L"7");
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::Removed);
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(Exists(startup));
  EXPECT_FALSE(Exists(app + L"\\sub"));
}

// A second installation into the folder by an older installer wrote its records over the
// first one's and lower counts: the first one's records above the counts are still its own.
TEST_F(InstalledApp, EveryNumberedRecordIsReadWhateverTheCountsSay) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  Put(ini, L"files", L"Count", L"2");
  Put(ini, L"folders", L"Count", L"1");
  Put(ini, L"uninstall", L"RegCount", L"1");
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::Removed);
  for (auto f : {L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt", L"\\sub\\deep", L"\\keep", L"\\empty"})
    EXPECT_FALSE(Exists(app + f)) << std::string(f, f + wcslen(f)).c_str();
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
}

// Damaged counts: one that is no number makes the list incomplete, and a huge one bounds
// nothing: the list is read by the records it holds, at once.
TEST_F(InstalledApp, DamagedCountsNeitherHideRecordsNorTakeMinutes) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  for (const wchar_t* section : {L"folders", L"Ocx", L"exe"}) Put(ini, section, L"Count", L"99999999");
  Put(ini, L"uninstall", L"RegCount", L"99999999");
  EXPECT_TRUE(ReadUninstallList(ini).complete) << "a huge count is still a count";
  Put(ini, L"files", L"Count", L"-1");
  const DWORD start = GetTickCount();
  EXPECT_FALSE(ReadUninstallList(ini).complete);
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::IncompleteList);
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_FALSE(Exists(app + L"\\a.txt"));
  EXPECT_FALSE(Exists(app + L"\\sub\\deep\\c.txt"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
}

// An installation that stopped before its closing counts (a runtime error, a crash, a kill)
// leaves its numbered records and nothing else: no name, no texts, no counts.
class InterruptedInstallation : public InstalledApp {
 protected:
  void SetUp() override {
    InstalledApp::SetUp();
    DeleteFileW(ini.c_str());
    Put(ini, L"files", L"1", app + L"\\a.txt");
    Put(ini, L"files", L"2", app + L"\\sub\\b.txt");
    Put(ini, L"files", L"4", app + L"\\sub\\deep\\c.txt");
    Put(ini, L"files", L"040", app + L"\\keep\\listed.txt");  // not a number the installer writes
    Put(ini, L"folders", L"1", app + L"\\sub");
    Put(ini, L"folders", L"2", app + L"\\sub\\deep");
    Put(ini, L"Reg2", L"Root", L"HKEY_CURRENT_USER");
    Put(ini, L"Reg2", L"Key", kTestKey);
    Put(ini, L"Reg2", L"Value", L"Two");
  }
};

TEST_F(InterruptedInstallation, TheListIsReadByItsNumberedKeys) {
  UninstallList list = ReadUninstallList(ini);
  EXPECT_TRUE(list.found);
  EXPECT_FALSE(list.complete);
  EXPECT_EQ(list.files, (std::vector<std::wstring>{app + L"\\a.txt", app + L"\\sub\\b.txt", app + L"\\sub\\deep\\c.txt"}));
  EXPECT_EQ(list.folders, (std::vector<std::wstring>{app + L"\\sub", app + L"\\sub\\deep"}));
  ASSERT_EQ(list.registry.size(), 1u);
  EXPECT_EQ(list.registry[0].value, L"Two");

  Put(ini, L"files", L"Count", L"4");
  Put(ini, L"folders", L"Count", L"2");
  Put(ini, L"Ocx", L"Count", L"0");
  EXPECT_FALSE(ReadUninstallList(ini).complete) << "the counts are written together, the exe one last";
  Put(ini, L"exe", L"Count", L"0");
  EXPECT_TRUE(ReadUninstallList(ini).complete);
}

TEST_F(InterruptedInstallation, IsSaidToBeIncompleteAndWhatItNamesIsRemoved) {
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::IncompleteList);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(Mentions(dialogs.asked[0], L"incomplete"));
  EXPECT_EQ(dialogs.caption, L"Uninstall");
  for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\sub\\deep", L"\\sub", L"\\Uninstall.ini"})
    EXPECT_FALSE(Exists(app + f));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  // Without the application's name the entry is found by the program it starts.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError) << "never reported as a full removal";
  EXPECT_TRUE(Mentions(dialogs.told[0], L"incomplete"));
  EXPECT_FALSE(Mentions(dialogs.told[0], L"was removed from your computer"));
}

TEST_F(InterruptedInstallation, DecliningKeepsEverything) {
  ScriptedDialogs dialogs(false);
  EXPECT_EQ(Run(dialogs), Outcome::Declined);
  EXPECT_TRUE(Exists(app + L"\\a.txt"));
  EXPECT_TRUE(Exists(ini));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST(Uninstaller, MissingListIsReportedAndNothingHappens) {
  ScriptedDialogs dialogs(true);
  const std::wstring folder = FreshFolder(L"nolist");
  EXPECT_EQ(RunUninstall(folder + L"\\Uninstall.exe", dialogs), Outcome::NoList);
  EXPECT_TRUE(dialogs.asked.empty());
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
  EXPECT_NE(dialogs.told[0].find(L"Uninstall.ini"), std::wstring::npos);
  RemoveTree(folder);
}

TEST(Uninstaller, TextFormattingNeverFails) {
  EXPECT_EQ(FormatListText(L"Remove %s?", L"Tool"), L"Remove Tool?");
  EXPECT_EQ(FormatListText(L"100%% of %s, %s", L"Tool"), L"100% of Tool, %s");
  EXPECT_EQ(FormatListText(L"%d %", L"Tool"), L"%d %");
  EXPECT_EQ(bramlow::UninstallKeyName(L"My App 1.0"), L"My_App_1_0");
}

}  // namespace
}  // namespace uninstall::testing
