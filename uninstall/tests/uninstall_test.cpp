// The uninstaller against a real folder tree and registry in the test prefix: what it removes,
// what it must leave (someone else's uninstall entry, read-only files, network paths), and
// the list an interrupted installation leaves.
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "bramlow/actions/entries/shortcut.h"
#include "bramlow/actions/entries/uninstall_key.h"
#include "paths.h"
#include "test_support.h"
#include "uninstall_flow.h"
#include "winbase/handles.h"

namespace uninstall::testing {
namespace {

constexpr const wchar_t* kTestKey = L"Software\\KvUninstallTest";
constexpr const wchar_t* kProductKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My_App_1_0";

bool Mentions(const std::wstring& text, const std::wstring& what) {
  return text.find(what) != std::wstring::npos;
}

// An installed application as the installer leaves it: files, folders, values, the list.
class InstalledApp : public ::testing::Test {
 protected:
  void SetUp() override {
    // Made again when a test sets the application up a second time.
    root = scratch / L"root";
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    app = root + L"\\My App";
    program = app + L"\\Uninstall.exe";
    CreateDirectoryW(app.c_str(), nullptr);
    for (auto sub : {L"\\sub", L"\\sub\\deep", L"\\keep", L"\\empty"})
      CreateDirectoryW((app + sub).c_str(), nullptr);
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
  // Under Wine the system protects no file; the tests say which one it protects.
  Outcome Run(ScriptedDialogs& dialogs, ProtectionQuery isProtected = {}) {
    return RunUninstall(program, dialogs, 2000, std::move(isProtected));
  }
  static bool Link(const std::wstring& link, const std::wstring& target) {
    winbase::ComInit com;
    bramlow::ShortcutSpec shortcut;
    shortcut.linkFile = link;
    shortcut.target = target;
    return bramlow::CreateShortcut(shortcut) && Exists(link);
  }

  ScratchFolder scratch{"kvuninst"};
  std::wstring root, app, program, ini;
};

TEST_F(InstalledApp, RemovesExactlyWhatTheListNames) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  // What a kit puts into the system's own folders (a library, a help file, a font) is the
  // installation's like any other file it made.
  wchar_t fonts[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, fonts, CSIDL_FONTS, FALSE));
  const std::wstring inSystem[] = {SystemFolder() + L"\\kv-uninstall-test.dll",
                                   WindowsFolder() + L"\\kv-uninstall-test.hlp",
                                   std::wstring(fonts) + L"\\kv-uninstall-test.ttf"};
  int n = 7;
  for (const std::wstring& file : inSystem) {
    Touch(file);
    Put(ini, L"files", std::to_wstring(n++), file);
  }
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::Removed);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0], L"Remove My App 1.0 now?");
  EXPECT_EQ(dialogs.caption, L"My App 1.0 - Removal");

  for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt",
                 L"\\Uninstall.ini"})
    EXPECT_FALSE(Exists(app + f)) << "listed file left: " << std::string(f, f + wcslen(f)).c_str();
  for (auto f : {L"\\sub\\deep", L"\\sub", L"\\empty", L"\\keep"}) EXPECT_FALSE(Exists(app + f));
  EXPECT_TRUE(Exists(app + L"\\unlisted.txt"));
  EXPECT_TRUE(Exists(program)) << "the running program goes later, by batch";
  for (const std::wstring& file : inSystem) {
    EXPECT_FALSE(Exists(file)) << std::string(file.begin(), file.end());
    DeleteFileW(file.c_str());
  }
  EXPECT_TRUE(Exists(fonts));

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

  // The uninstaller, a list of just what stayed and the system's entry stay for another try.
  const UninstallList remaining = ReadUninstallList(ini);
  EXPECT_TRUE(remaining.complete);
  EXPECT_EQ(remaining.appName, L"My App 1.0");
  EXPECT_EQ(remaining.texts[3], L"Left over from %s:");
  // The folder that holds the kept file waits with it; the one that holds the user's own
  // file is named this once: no run would remove it.
  EXPECT_EQ(remaining.files, std::vector<std::wstring>{app + L"\\sub\\b.txt"});
  EXPECT_EQ(remaining.folders, std::vector<std::wstring>{app + L"\\sub"});
  EXPECT_TRUE(remaining.registry.empty());
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

  SetFileAttributesW((app + L"\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  ScriptedDialogs again(true);
  EXPECT_EQ(Run(again), Outcome::Removed);
  EXPECT_EQ(again.asked[0], L"Remove My App 1.0 now?");
  for (auto f : {L"\\sub", L"\\Uninstall.ini"}) EXPECT_FALSE(Exists(app + f));
  EXPECT_TRUE(Exists(app + L"\\keep\\user.txt"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

// One removal of a list at a time: a second uninstaller, started through another spelling of the
// folder while the first one asks or removes, says so and touches nothing.
TEST_F(InstalledApp, ASecondUninstallerOfTheListTouchesNothing) {
  wchar_t shortForm[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(app.c_str(), shortForm, MAX_PATH), 0u);
  EXPECT_EQ(ListLock::NameFor(app), ListLock::NameFor(std::wstring(shortForm) + L"\\"));
  EXPECT_NE(ListLock::NameFor(app), ListLock::NameFor(root));
  for (const std::wstring& spelling : {app, std::wstring(shortForm)}) {
    ListLock first(spelling);
    ASSERT_FALSE(first.TakenElsewhere());
    ScriptedDialogs second(true);
    EXPECT_EQ(Run(second), Outcome::AlreadyRunning);
    EXPECT_TRUE(second.asked.empty());
    ASSERT_EQ(second.told.size(), 1u);
    EXPECT_TRUE(Mentions(second.told[0], L"My App 1.0"));
    EXPECT_TRUE(Exists(app + L"\\a.txt"));
    EXPECT_TRUE(Exists(ini));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  }
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  ScriptedDialogs alone(true);
  EXPECT_EQ(Run(alone), Outcome::Removed) << "released with the first one";
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

TEST_F(InstalledApp, OverlongEntriesAreNamedAsLeftAndTheRestIsRemoved) {
  // A hand-edited list may hold a name of thousands of characters; no file can be named so
  // without "\\?\", and looking for its long or short form once overran the system's buffer.
  const std::wstring overlong = app + L"\\" + std::wstring(2000, L'a') + L".txt";
  Put(ini, L"files", L"7", overlong);
  Put(ini, L"files", L"Count", L"7");
  Put(ini, L"folders", L"5", app + L"\\" + std::wstring(1500, L'b'));
  Put(ini, L"folders", L"Count", L"5");
  ScriptedDialogs dialogs(true);
  Run(dialogs);
  EXPECT_FALSE(Exists(app + L"\\a.txt"));
  EXPECT_FALSE(Exists(app + L"\\sub"));
  EXPECT_TRUE(Exists(app + L"\\unlisted.txt"));
}

TEST_F(InstalledApp, AnEntryLongerThanAProfileLineIsNotCutToAnotherPath) {
  // A file whose path has exactly 2047 characters, the length a plain profile read cuts to, and
  // an entry naming a longer path that starts with it: the file is not the entry's.
  std::wstring folder = L"\\\\?\\" + app;
  while (folder.size() - 4 + 1 + 200 < 2047 - 10) {
    folder += L"\\" + std::wstring(200, L'd');
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  const std::wstring longPath = folder.substr(4) + L"\\";
  const std::wstring victim = longPath + std::wstring(2047 - longPath.size(), L'v');
  ASSERT_EQ(victim.size(), 2047u);
  Touch(L"\\\\?\\" + victim);
  ASSERT_TRUE(Exists(L"\\\\?\\" + victim));
  Put(ini, L"files", L"7", victim + L"zzzzzzzz");
  Put(ini, L"files", L"Count", L"7");
  ScriptedDialogs dialogs(true);
  Run(dialogs);
  EXPECT_TRUE(Exists(L"\\\\?\\" + victim));
  EXPECT_FALSE(Exists(app + L"\\a.txt"));

  // Longer than any read: repeated separators make its first 65535 characters name a file.
  SetUp();
  Touch(app + L"\\victim.txt");
  std::wstring padded = app + std::wstring(65535 - app.size() - 10, L'\\') + L"victim.txt";
  ASSERT_EQ(padded.size(), 65535u);
  padded += L"ZZZ";
  Put(ini, L"files", L"7", padded);
  Put(ini, L"files", L"Count", L"7");
  ScriptedDialogs again(true);
  Run(again);
  EXPECT_TRUE(Exists(app + L"\\victim.txt"));
  EXPECT_FALSE(Exists(app + L"\\sub\\b.txt"));
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
    if (!startedProgram.empty())
      SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"UninstallString", startedProgram);
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
  ASSERT_TRUE(Link(link, app + L"\\a.txt"));
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

// What stays after a run is either what another run may remove (a file in use, a value behind
// a key that cannot be opened), kept in the list with the uninstaller and its entry, or what
// is refused on principle, named once and dropped: a hand-edited or damaged list must not reach
// past the installation (paths that climb out of a folder, relative and network paths, a
// drive's root, the system's configuration and protected files, a folder of the Windows folder
// without the installation's files, the machine's vital registry keys, the user's own files).
// Run again on an unchanged machine, only the first kind is named again; once it is free, the
// removal is complete.
TEST_F(InstalledApp, ARefusalIsNamedOnceAndWhatAnotherRunMayRemoveIsKept) {
  DeleteFileW((app + L"\\keep\\listed.txt").c_str());
  Touch(root + L"\\victim.txt");
  Touch(root + L"\\protected.dll");
  CreateDirectoryW((app + L"\\folder.dat").c_str(), nullptr);
  const std::wstring windows = WindowsFolder();
  const std::wstring systemFolder = windows + L"\\kv-uninstall-empty";
  const std::wstring ownSystemFolder = windows + L"\\kv-uninstall-own";
  CreateDirectoryW(systemFolder.c_str(), nullptr);
  CreateDirectoryW(ownSystemFolder.c_str(), nullptr);
  Touch(ownSystemFolder + L"\\own.dll");
  const std::wstring vital = L"SYSTEM\\KvUninstallTest";
  const std::wstring logon = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  SetValue(HKEY_LOCAL_MACHINE, vital, L"Keep");
  SetValue(HKEY_CURRENT_USER, logon, L"KvUninstallTest");
  const std::wstring denied = std::wstring(kTestKey) + L"\\Denied";
  SetValue(HKEY_CURRENT_USER, denied, L"Three");
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(app.c_str());
  Touch(L"relative.txt");
  SetCurrentDirectoryW(current);

  const std::wstring refusedFiles[] = {app + L"\\sub\\..\\..\\victim.txt",
                                       L"relative.txt",
                                       L"\\\\kv-server\\share\\tool.dll",
                                       windows + L"\\win.ini",
                                       windows + L"\\system.ini",
                                       root + L"\\protected.dll",
                                       app + L"\\caf?.txt",
                                       app + L"\\folder.dat"};
  int n = 7;
  for (const std::wstring& file : refusedFiles) Put(ini, L"files", std::to_wstring(n++), file);
  Put(ini, L"files", std::to_wstring(n++), ownSystemFolder + L"\\own.dll");
  const std::wstring refusedFolders[] = {L"C:\\", L"\\\\kv-server\\share\\Tools", systemFolder,
                                         windows, app + L"\\keep"};
  n = 5;
  for (const std::wstring& folder : refusedFolders)
    Put(ini, L"folders", std::to_wstring(n++), folder);
  Put(ini, L"folders", std::to_wstring(n++), ownSystemFolder);
  Put(ini, L"Reg3", L"Root", L"HKEY_LOCAL_MACHINE");
  Put(ini, L"Reg3", L"Key", vital);
  Put(ini, L"Reg3", L"Value", L"Keep");
  Put(ini, L"Reg4", L"Root", L"HKEY_CURRENT_USER");
  Put(ini, L"Reg4", L"Key", L"\\" + logon);
  Put(ini, L"Reg4", L"Value", L"KvUninstallTest");
  Put(ini, L"Reg5", L"Root", L"HKEY_CURRENT_USER");
  Put(ini, L"Reg5", L"Key", denied);
  Put(ini, L"Reg5", L"Value", L"Three");
  // Retried until they are free: a file held open, a value whose key nobody may open.
  const std::wstring held = app + L"\\sub\\b.txt";
  winbase::FileHandle holder(
      CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  auto setAccess = [&](const wchar_t* descriptor) {
    winbase::RegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, denied.c_str(), 0, WRITE_DAC, key.put()),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     &security, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, security), ERROR_SUCCESS);
    LocalFree(security);
  };
  setAccess(L"D:(D;;KA;;;WD)");
  const auto isProtected = [&](const std::wstring& file) {
    return SameFile(file, root + L"\\protected.dll");
  };

  const std::wstring retried[] = {held, L"HKEY_CURRENT_USER\\" + denied + L"\\Three",
                                  app + L"\\sub"};
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round == 1 ? "first run" : "second run, nothing changed");
    ScriptedDialogs dialogs(true);
    EXPECT_EQ(Run(dialogs, isProtected), Outcome::PartlyRemoved);
    ASSERT_EQ(dialogs.told.size(), 1u);
    const std::wstring told = dialogs.told[0] + L"\r\n";
    for (const std::wstring& item : retried)
      EXPECT_TRUE(Mentions(told, item + L"\r\n")) << std::string(item.begin(), item.end());
    std::vector<std::wstring> refused(std::begin(refusedFiles), std::end(refusedFiles));
    refused.insert(refused.end(), std::begin(refusedFolders), std::end(refusedFolders));
    for (const std::wstring& item : refused)
      EXPECT_EQ(Mentions(told, item + L"\r\n"), round == 1)
          << std::string(item.begin(), item.end());
    for (const std::wstring& item : {vital, logon}) EXPECT_EQ(Mentions(told, item), round == 1);
    EXPECT_FALSE(Mentions(told, L"own.dll"));
    EXPECT_FALSE(Mentions(told, ownSystemFolder + L"\r\n"))
        << "a folder there with the installation's own files in it is its own";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    const UninstallList remaining = ReadUninstallList(ini);
    EXPECT_EQ(remaining.files, std::vector<std::wstring>{held});
    EXPECT_EQ(remaining.folders, std::vector<std::wstring>{app + L"\\sub"});
    ASSERT_EQ(remaining.registry.size(), 1u);
    EXPECT_EQ(remaining.registry[0].key, denied);
  }
  EXPECT_FALSE(Exists(ownSystemFolder));
  for (const std::wstring& kept :
       {root + L"\\victim.txt", app + L"\\relative.txt", windows + L"\\win.ini",
        windows + L"\\system.ini", root + L"\\protected.dll", systemFolder, app + L"\\folder.dat",
        app + L"\\keep\\user.txt"})
    EXPECT_TRUE(Exists(kept)) << std::string(kept.begin(), kept.end());
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, vital, L"Keep"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, logon, L"KvUninstallTest"));

  holder.reset();
  setAccess(L"D:(A;;KA;;;WD)");
  ScriptedDialogs last(true);
  EXPECT_EQ(Run(last, isProtected), Outcome::Removed);
  EXPECT_FALSE(Exists(held));
  EXPECT_FALSE(Exists(app + L"\\sub"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, denied, L"Three"));
  EXPECT_FALSE(Exists(ini));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

  RemoveDirectoryW(systemFolder.c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, vital.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, denied.c_str());
  winbase::RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, logon.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
    RegDeleteValueW(key.get(), L"KvUninstallTest");
}

// A name Windows would read as another one (a part ending in a dot or space, a stream, a "\\?\"
// or "\\.\" spelling), a file where the list names a folder, and registry entries no
// installation can have made (the machine's configuration under another name, a user's logon
// settings under HKEY_USERS, a key with an empty part, which the registry reads as another key)
// are refused and named once; what they seem to name stays.
TEST_F(InstalledApp, NamesWindowsReadsAsAnotherAreRefusedAndNamedOnce) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  CreateDirectoryW((app + L"\\folder.dat").c_str(), nullptr);
  const std::wstring doubled = L"Software\\KvUninstallDoubled";
  SetValue(HKEY_CURRENT_USER, doubled, L"Kept");
  const std::wstring logon = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const std::wstring files[] = {
      app + L"\\unlisted.txt.", app + L"\\unlisted.txt ", L"\\\\.\\" + app + L"\\unlisted.txt",
      L"\\\\?\\" + app + L"\\unlisted.txt", app + L"\\unlisted.txt::$DATA"};
  const std::wstring folders[] = {app + L"\\folder.dat.", app + L"\\unlisted.txt",
                                  app + L"\\folder.dat\\\\"};
  const std::wstring values[] = {L"HKEY_CURRENT_CONFIG\\Software\\KvUninstallConfig\\Keep",
                                 L"HKEY_USERS\\.DEFAULT\\" + logon + L"\\Shell",
                                 L"HKEY_CURRENT_USER\\Software\\\\KvUninstallDoubled\\Kept",
                                 L"HKEY_CURRENT_USER\\Software\\KvUninstallDoubled\\\\Kept"};
  // Quoted: a profile read would take a trailing space off.
  int n = 7;
  for (const std::wstring& file : files)
    Put(ini, L"files", std::to_wstring(n++), L"\"" + file + L"\"");
  n = 5;
  for (const std::wstring& folder : folders) Put(ini, L"folders", std::to_wstring(n++), folder);
  n = 3;
  for (const std::wstring& value : values) {
    const size_t root = value.find(L'\\'), name = value.rfind(L'\\');
    const std::wstring section = L"Reg" + std::to_wstring(n++);
    Put(ini, section, L"Root", value.substr(0, root));
    Put(ini, section, L"Key", value.substr(root + 1, name - root - 1));
    Put(ini, section, L"Value", value.substr(name + 1));
  }
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round == 1 ? "first run" : "second run");
    ScriptedDialogs dialogs(true);
    EXPECT_EQ(Run(dialogs), round == 1 ? Outcome::PartlyRemoved : Outcome::NoList);
    if (round == 2) break;
    ASSERT_EQ(dialogs.told.size(), 1u);
    const std::wstring told = dialogs.told[0] + L"\r\n";
    std::vector<std::wstring> refused(std::begin(files), std::end(files));
    refused.insert(refused.end(), std::begin(folders), std::end(folders));
    refused.insert(refused.end(), std::begin(values), std::end(values));
    for (const std::wstring& item : refused)
      EXPECT_TRUE(Mentions(told, L"\r\n" + item + L"\r\n"))
          << std::string(item.begin(), item.end());
    EXPECT_FALSE(Exists(ini)) << "nothing of it is kept for another run";
  }
  EXPECT_TRUE(Exists(app + L"\\unlisted.txt"));
  EXPECT_TRUE(Exists(app + L"\\folder.dat"));
  EXPECT_FALSE(Exists(app + L"\\a.txt"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, doubled, L"Kept"));
  RegDeleteKeyW(HKEY_CURRENT_USER, doubled.c_str());
}

// A shortcut the list names is the installation's wherever it leads (a system program with
// the installed readme as its argument, another product's folder), unless the same application
// installed elsewhere has written over it since: it leads into that installation now, and stays
// with its group, unnamed. The uninstaller's own folder (listed when a shortcut goes into it)
// is left to the batch that runs after it; a folder that the removal emptied goes although the
// list does not name it, and one the user still keeps something in is named once.
TEST_F(InstalledApp, ShortcutsAndFoldersAreRemovedOnlyWhenTheyAreTheInstallations) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  const std::wstring group = root + L"\\Group", tools = root + L"\\Tools",
                     other = root + L"\\Other App";
  const std::wstring thirdParty = root + L"\\Third Party";
  for (const std::wstring& folder : {group, tools, other, thirdParty})
    CreateDirectoryW(folder.c_str(), nullptr);
  // The same application, installed a second time; and another product with a list of its own.
  Put(other + L"\\Uninstall.ini", L"uninstall", L"AppName", L"my app 1.0");
  Put(thirdParty + L"\\Uninstall.ini", L"uninstall", L"AppName", L"Third Party Tool");
  const std::wstring notepad = WindowsFolder() + L"\\notepad.exe";
  ASSERT_TRUE(Link(group + L"\\Ours.lnk", app + L"\\a.txt"));
  ASSERT_TRUE(Link(group + L"\\Theirs.lnk", other + L"\\a.txt"));
  ASSERT_TRUE(Link(app + L"\\In Dest.lnk", app + L"\\a.txt"));
  ASSERT_TRUE(Link(tools + L"\\Read me.lnk", notepad));
  ASSERT_TRUE(Link(tools + L"\\Helper.lnk", thirdParty + L"\\helper.exe"));
  ASSERT_TRUE(Link(tools + L"\\Share.lnk", L"\\\\kv-server\\share\\tool.exe"));
  for (auto f : {L"\\lang", L"\\data"}) CreateDirectoryW((app + f).c_str(), nullptr);
  for (auto f : {L"\\lang\\English.qxl", L"\\data\\listed.dat", L"\\data\\mine.dat"})
    Touch(app + f);
  int n = 7;
  for (const std::wstring& file :
       {group + L"\\Ours.lnk", group + L"\\Theirs.lnk", app + L"\\In Dest.lnk",
        app + L"\\lang\\English.qxl", app + L"\\data\\listed.dat", tools + L"\\Read me.lnk",
        tools + L"\\Helper.lnk", tools + L"\\Share.lnk"})
    Put(ini, L"files", std::to_wstring(n++), file);
  Put(ini, L"folders", L"5", group);
  Put(ini, L"folders", L"6", app);
  Put(ini, L"folders", L"7", tools);
  // Recorded with what they led to when made: one still leads there; one another program has
  // pointed elsewhere since, one that leads there with other arguments, stay and are named.
  const std::wstring desk = root + L"\\Desk";
  CreateDirectoryW(desk.c_str(), nullptr);
  const std::wstring same = desk + L"\\Same.lnk", moved = desk + L"\\Moved.lnk",
                     argued = desk + L"\\Argued.lnk";
  for (const std::wstring& link : {same, moved, argued}) ASSERT_TRUE(Link(link, app + L"\\a.txt"));
  const std::optional<bramlow::ShortcutLeadsTo> made = bramlow::ReadShortcut(same);
  ASSERT_TRUE(made);
  ASSERT_TRUE(Link(moved, notepad));
  const struct {
    std::wstring link, arguments;
  } recorded[] = {{same, L""}, {moved, L""}, {argued, L"/read-only"}};
  for (const auto& record : recorded) {
    const std::wstring key = std::to_wstring(n);
    Put(ini, L"files", key, record.link);
    Put(ini, L"links", L"target" + key, L"\"" + made->target + L"\"");
    Put(ini, L"links", L"args" + key, L"\"" + record.arguments + L"\"");
    ++n;
  }
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::PartlyRemoved);
  EXPECT_FALSE(Exists(same));
  for (const std::wstring& link : {moved, argued}) {
    EXPECT_TRUE(Exists(link));
    EXPECT_TRUE(Mentions(dialogs.told.at(0) + L"\r\n", link + L"\r\n"));
  }
  EXPECT_FALSE(Exists(group + L"\\Ours.lnk"));
  EXPECT_TRUE(Exists(group + L"\\Theirs.lnk"));
  EXPECT_FALSE(Exists(app + L"\\In Dest.lnk"));
  EXPECT_FALSE(Exists(tools))
      << "shortcuts to a system program, another product and a share are ours";
  EXPECT_FALSE(Exists(app + L"\\lang"));
  EXPECT_TRUE(Exists(app + L"\\data\\mine.dat"));
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(Mentions(dialogs.told[0] + L"\r\n", app + L"\\data\r\n"));
  EXPECT_FALSE(Mentions(dialogs.told[0], group));
  EXPECT_FALSE(Mentions(dialogs.told[0] + L"\r\n", app + L"\r\n"));
  EXPECT_FALSE(Exists(ini)) << "the user's own file is no reason to run again";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
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
  for (auto f :
       {L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt", L"\\sub\\deep", L"\\keep", L"\\empty"})
    EXPECT_FALSE(Exists(app + f)) << std::string(f, f + wcslen(f)).c_str();
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
}

// Damaged counts: one that is no number makes the list incomplete, and a huge one bounds
// nothing: the list is read by the records it holds, at once.
TEST_F(InstalledApp, DamagedCountsNeitherHideRecordsNorTakeMinutes) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  for (const wchar_t* section : {L"folders", L"Ocx", L"exe"})
    Put(ini, section, L"Count", L"99999999");
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
  EXPECT_EQ(list.files, (std::vector<std::wstring>{app + L"\\a.txt", app + L"\\sub\\b.txt",
                                                   app + L"\\sub\\deep\\c.txt"}));
  EXPECT_EQ(list.folders, (std::vector<std::wstring>{app + L"\\sub", app + L"\\sub\\deep"}));
  ASSERT_EQ(list.registry.size(), 1u);
  EXPECT_EQ(list.registry[0].value, L"Two");

  Put(ini, L"files", L"Count", L"4");
  Put(ini, L"folders", L"Count", L"2");
  Put(ini, L"Ocx", L"Count", L"0");
  EXPECT_FALSE(ReadUninstallList(ini).complete)
      << "the counts are written together, the exe one last";
  Put(ini, L"exe", L"Count", L"0");
  EXPECT_TRUE(ReadUninstallList(ini).complete);
}

TEST_F(InterruptedInstallation, IsSaidToBeIncompleteAndWhatItNamesIsRemoved) {
  // Killed while it wrote its list: the half-written new list beside it would keep the folder.
  Touch(app + L"\\Uninstall.ini.new");
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::IncompleteList);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(Mentions(dialogs.asked[0], L"incomplete"));
  EXPECT_EQ(dialogs.caption, L"Uninstall");
  for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\sub\\deep", L"\\sub",
                 L"\\Uninstall.ini", L"\\Uninstall.ini.new"})
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

// What stays of an interrupted installation's list is still such a list: the next run says so
// again and never reports a full removal.
TEST_F(InterruptedInstallation, WhatStaysIsKeptAsAnIncompleteList) {
  const std::wstring held = app + L"\\sub\\b.txt";
  winbase::FileHandle holder(
      CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(Run(dialogs), Outcome::IncompleteList);
  const UninstallList remaining = ReadUninstallList(ini);
  EXPECT_TRUE(remaining.found);
  EXPECT_FALSE(remaining.complete);
  EXPECT_EQ(remaining.files, std::vector<std::wstring>{held});
  holder.reset();
  ScriptedDialogs again(true);
  EXPECT_EQ(Run(again), Outcome::IncompleteList);
  ASSERT_EQ(again.asked.size(), 1u);
  EXPECT_TRUE(Mentions(again.asked[0], L"incomplete"));
  EXPECT_FALSE(Exists(held));
  EXPECT_FALSE(Exists(ini));
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
  ScratchFolder scratch("kvuninst");
  const std::wstring folder = scratch.Path();
  EXPECT_EQ(RunUninstall(folder + L"\\Uninstall.exe", dialogs), Outcome::NoList);
  EXPECT_TRUE(dialogs.asked.empty());
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
  EXPECT_NE(dialogs.told[0].find(L"Uninstall.ini"), std::wstring::npos);
}

TEST(Uninstaller, TextFormattingNeverFails) {
  EXPECT_EQ(FormatListText(L"Remove %s?", L"Tool"), L"Remove Tool?");
  EXPECT_EQ(FormatListText(L"100%% of %s, %s", L"Tool"), L"100% of Tool, %s");
  EXPECT_EQ(FormatListText(L"%d %", L"Tool"), L"%d %");
  EXPECT_EQ(bramlow::UninstallKeyName(L"My App 1.0"), L"My_App_1_0");
  // A backslash would nest keys the system lists as none of its programs.
  EXPECT_EQ(bramlow::UninstallKeyName(L"Tools\\My App"), L"Tools_My_App");
}

// A /LOG= inside the installation would keep its folder while the run says it was removed; the
// folder is told by what it is (a "\\?\" spelling too), not by how it is spelt.
TEST(LogFile, KeepsTheFolderWhenItLiesInItInAnySpelling) {
  ScratchFolder scratch("kvuninst");
  const std::wstring folder = scratch.Path();
  CreateDirectoryW((folder + L"\\Long Sub Folder").c_str(), nullptr);
  wchar_t shortSub[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW((folder + L"\\Long Sub Folder").c_str(), shortSub, MAX_PATH), 0u);
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  for (const std::wstring& log :
       {folder + L"\\removal.log", folder + L"\\Long Sub Folder\\r.log",
        std::wstring(shortSub) + L"\\r.log", std::wstring(L"removal.log"),
        folder + L"\\..\\" + folder.substr(folder.rfind(L'\\') + 1) + L"\\r.log", folder + L"\\",
        L"\\\\?\\" + folder + L"\\Long Sub Folder\\r.log"})
    EXPECT_TRUE(KeepsFolder(log, folder)) << std::string(log.begin(), log.end());
  // A file the list names, wherever it lies, in any spelling.
  const std::wstring listed = folder + L"-listed.log";
  Touch(listed);
  wchar_t shortListed[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(listed.c_str(), shortListed, MAX_PATH), 0u);
  for (const std::wstring& log : {listed, std::wstring(shortListed), L"\\\\?\\" + listed,
                                  L"..\\" + listed.substr(listed.rfind(L'\\') + 1)})
    EXPECT_TRUE(IsOneOf(log, {folder + L"\\a.txt", listed})) << std::string(log.begin(), log.end());
  EXPECT_FALSE(IsOneOf(folder + L"-other.log", {listed}));
  DeleteFileW(listed.c_str());
  for (const std::wstring& log : {folder + L"-other\\r.log", std::wstring(L"..\\removal.log"),
                                  folder.substr(0, folder.rfind(L'\\')) + L"\\r.log"})
    EXPECT_FALSE(KeepsFolder(log, folder)) << std::string(log.begin(), log.end());
  SetCurrentDirectoryW(current);
}

}  // namespace
}  // namespace uninstall::testing
