// The uninstaller against a real folder tree and registry in the test prefix.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "bramlow/actions/uninstall_key.h"
#include "remover.h"
#include "self_delete.h"
#include "uninstall_flow.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create test file";
  DWORD written;
  WriteFile(h, "x", 1, &written, nullptr);
  CloseHandle(h);
}

void Put(const std::wstring& ini, const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), ini.c_str()));
}

std::wstring TempRoot() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"kvuninst" + std::to_wstring(GetCurrentProcessId());
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
      else { SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL); DeleteFileW(child.c_str()); }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

bool ValueExists(HKEY root, const wchar_t* key, const wchar_t* value) {
  HKEY k;
  if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExW(k, value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(k);
  return found;
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* value) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
  RegSetValueExW(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"v"), 4);
  RegCloseKey(k);
}

class ScriptedDialogs : public uninstall::Dialogs {
 public:
  explicit ScriptedDialogs(bool answer) : answer_(answer) {}
  bool Confirm(const std::wstring& caption, const std::wstring& question) override {
    asked.push_back(question);
    this->caption = caption;
    return answer_;
  }
  void Inform(const std::wstring& caption, const std::wstring& text, bool isError) override {
    told.push_back(text);
    lastWasError = isError;
  }
  std::vector<std::wstring> asked, told;
  std::wstring caption;
  bool lastWasError = false;
 private:
  bool answer_;
};

constexpr const wchar_t* kTestKey = L"Software\\KvUninstallTest";
constexpr const wchar_t* kProductKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My_App_1_0";

// An installed application as the installer leaves it: files, folders, values, the list.
class InstalledApp : public ::testing::Test {
 protected:
  void SetUp() override {
    root = TempRoot();
    RemoveTree(root);
    app = root + L"\\My App";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);
    for (auto sub : {L"\\sub", L"\\sub\\deep", L"\\keep", L"\\empty"}) CreateDirectoryW((app + sub).c_str(), nullptr);
    for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt",
                   L"\\keep\\user.txt", L"\\unlisted.txt", L"\\Uninstall.exe"})
      Touch(app + f);
    SetFileAttributesW((app + L"\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetValue(HKEY_CURRENT_USER, kTestKey, L"One");
    SetValue(HKEY_CURRENT_USER, kTestKey, L"Two");
    SetValue(HKEY_CURRENT_USER, kTestKey, L"Other");
    SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"DisplayName");

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
  std::wstring root, app, ini;
};

TEST_F(InstalledApp, RemovesExactlyWhatTheListNames) {
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(uninstall::RunUninstall(app, dialogs), uninstall::Outcome::PartlyRemoved);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0], L"Remove My App 1.0 now?");
  EXPECT_EQ(dialogs.caption, L"My App 1.0 - Removal");

  for (auto f : {L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt", L"\\keep\\listed.txt", L"\\Uninstall.ini"})
    EXPECT_FALSE(Exists(app + f)) << "listed file left: " << std::string(f, f + wcslen(f)).c_str();
  for (auto f : {L"\\sub\\deep", L"\\sub", L"\\empty"}) EXPECT_FALSE(Exists(app + f));
  // Files the list does not name stay, and so does every folder that still holds one.
  EXPECT_TRUE(Exists(app + L"\\unlisted.txt"));
  EXPECT_TRUE(Exists(app + L"\\keep\\user.txt"));
  EXPECT_TRUE(Exists(app + L"\\keep"));
  EXPECT_TRUE(Exists(app + L"\\Uninstall.exe"));  // the running program goes later, by batch

  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Two"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"Other"));
  HKEY k;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &k), ERROR_SUCCESS);

  // The user hears what stayed behind, and only that.
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
  EXPECT_EQ(dialogs.told[0].rfind(L"Left over from My App 1.0:", 0), 0u);
  EXPECT_NE(dialogs.told[0].find(app + L"\\keep"), std::wstring::npos);
  EXPECT_EQ(dialogs.told[0].find(L"gone-already"), std::wstring::npos);
}

TEST_F(InstalledApp, DecliningRemovesNothing) {
  ScriptedDialogs dialogs(false);
  EXPECT_EQ(uninstall::RunUninstall(app, dialogs), uninstall::Outcome::Declined);
  EXPECT_TRUE(Exists(app + L"\\a.txt"));
  EXPECT_TRUE(Exists(app + L"\\sub\\deep"));
  EXPECT_TRUE(Exists(ini));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kTestKey, L"One"));
  EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(InstalledApp, EntriesThatCouldEscapeAreRefused) {
  // A relative entry would resolve against the current folder; a drive root is never ours.
  Put(ini, L"files", L"7", L"relative.txt");
  Put(ini, L"files", L"Count", L"7");
  Put(ini, L"folders", L"5", L"C:\\");
  Put(ini, L"folders", L"Count", L"5");
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(app.c_str());
  Touch(L"relative.txt");
  ScriptedDialogs dialogs(true);
  uninstall::RunUninstall(app, dialogs);
  EXPECT_TRUE(Exists(app + L"\\relative.txt"));
  SetCurrentDirectoryW(current);
  EXPECT_NE(dialogs.told[0].find(L"relative.txt"), std::wstring::npos);
  EXPECT_NE(dialogs.told[0].find(L"C:\\"), std::wstring::npos);
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
  EXPECT_EQ(uninstall::RunUninstall(app, dialogs), uninstall::Outcome::Removed);
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(Exists(startup));
  EXPECT_FALSE(Exists(app + L"\\sub"));
}

TEST_F(InstalledApp, CompleteRemovalReportsSuccess) {
  DeleteFileW((app + L"\\keep\\user.txt").c_str());
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(uninstall::RunUninstall(app, dialogs), uninstall::Outcome::Removed);
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_EQ(dialogs.told[0], L"My App 1.0 is gone.");
  EXPECT_FALSE(dialogs.lastWasError);
  EXPECT_FALSE(Exists(app + L"\\keep"));
}

TEST(Uninstaller, MissingListIsReportedAndNothingHappens) {
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(uninstall::RunUninstall(TempRoot() + L"\\nowhere", dialogs), uninstall::Outcome::NoList);
  EXPECT_TRUE(dialogs.asked.empty());
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.lastWasError);
  EXPECT_NE(dialogs.told[0].find(L"Uninstall.ini"), std::wstring::npos);
}

TEST(Uninstaller, TextFormattingNeverFails) {
  EXPECT_EQ(uninstall::FormatListText(L"Remove %s?", L"Tool"), L"Remove Tool?");
  EXPECT_EQ(uninstall::FormatListText(L"100%% of %s, %s", L"Tool"), L"100% of Tool, %s");
  EXPECT_EQ(uninstall::FormatListText(L"%d %", L"Tool"), L"%d %");
  EXPECT_EQ(bramlow::UninstallKeyName(L"My App 1.0"), L"My_App_1_0");
}

TEST(Uninstaller, BatchDeletesTheProgramThenItsFolderWhenEmpty) {
  std::wstring dir = TempRoot() + L"batch";
  RemoveTree(dir);
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  std::string text = uninstall::SelfDeleteBatch(program, dir, dir + L"\\x.bat");
  EXPECT_EQ(text.rfind("@echo off\r\n", 0), 0u);
  EXPECT_NE(text.find("rmdir \""), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  ASSERT_TRUE(uninstall::ScheduleSelfDelete(program, dir));
  for (int i = 0; i < 200 && Exists(dir); ++i) Sleep(50);
  EXPECT_FALSE(Exists(program));
  EXPECT_FALSE(Exists(dir));
  RemoveTree(dir);
}

TEST(Uninstaller, BatchLeavesAFolderThatStillHoldsFiles) {
  std::wstring dir = TempRoot() + L"batch2";
  RemoveTree(dir);
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  std::wstring program = dir + L"\\Uninstall.exe";
  Touch(program);
  Touch(dir + L"\\mine.doc");
  ASSERT_TRUE(uninstall::ScheduleSelfDelete(program, dir));
  for (int i = 0; i < 200 && Exists(program); ++i) Sleep(50);
  Sleep(500);
  EXPECT_FALSE(Exists(program));
  EXPECT_TRUE(Exists(dir + L"\\mine.doc"));
  RemoveTree(dir);
}

}  // namespace
