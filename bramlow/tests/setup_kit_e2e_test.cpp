// bramlow.exe on the sample kit, driven as a user would: choose the language, walk through the
// licence, type a destination with a trailing backslash, install; check everything the
// installation leaves; then run the installed Uninstall.exe and check that all of it is gone
// and nothing else was touched. Also the start-up failures: OnlyNT refusing, no language file,
// and the question when the wizard is closed early; and a runtime error late in the
// installation, which must leave the uninstall list as far as it got.
#include <windows.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"
#include "winbase/handles.h"

namespace {

using kvdriver::WindowQuery;

constexpr DWORD kWait = 20000;
const wchar_t kAppKey[] = L"Software\\Example\\Sample Viewer";
const wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample_Viewer_1_0";

// The kit the build assembled, as Wine sees it (its Z: drive is the Unix root).
std::wstring KitFolder() {
  std::string unix = KIT_DIR;
  std::wstring path = L"Z:";
  for (char c : unix) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::WriteBytes;

// Files of a tree relative to its root, folders with a trailing backslash.
void ListTree(const std::wstring& root, const std::wstring& relative,
              std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &data));
  if (!find) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(relative + name + L"\\");
      ListTree(root, relative + name + L"\\", out);
    } else {
      out.push_back(relative + name);
    }
  } while (::FindNextFileW(find.get(), &data));
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  std::vector<std::wstring> entries;
  ListTree(from, L"", entries);
  for (const std::wstring& e : entries) {
    if (e.back() == L'\\') {
      ::CreateDirectoryW((to + L"\\" + e).c_str(), nullptr);
    } else {
      ::CopyFileW((from + L"\\" + e).c_str(), (to + L"\\" + e).c_str(), FALSE);
    }
  }
}

std::wstring Ini(const std::wstring& file, const wchar_t* section, const std::wstring& key) {
  wchar_t buffer[2048] = {};
  ::GetPrivateProfileStringW(section, key.c_str(), L"<missing>", buffer, 2048, file.c_str());
  return buffer;
}

std::wstring Special(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::optional<std::wstring> RegText(HKEY root, const wchar_t* key, const wchar_t* name) {
  HKEY k;
  if (::RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  winbase::RegKey owner(k);
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (::RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type == REG_DWORD) {
    DWORD number = 0;
    std::memcpy(&number, buffer, sizeof number);
    return std::to_wstring(number);
  }
  if (type == REG_BINARY)
    return std::wstring(reinterpret_cast<char*>(buffer), reinterpret_cast<char*>(buffer) + size);
  return std::wstring(buffer);
}

bool KeyExists(HKEY root, const wchar_t* key) {
  HKEY k;
  if (::RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  ::RegCloseKey(k);
  return true;
}

std::wstring ShortcutTarget(const std::wstring& link) {
  winbase::ComPtr<IShellLinkW> shell;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(shell.put())))) {
    return L"<no shell link>";
  }
  winbase::ComPtr<IPersistFile> file;
  if (FAILED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))))
    return L"";
  if (FAILED(file->Load(link.c_str(), STGM_READ))) return L"<unreadable>";
  wchar_t target[MAX_PATH] = {};
  shell->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  return target;
}

// Documents the kit opens through the shell come up in the system's text editor: close them.
void CloseEditors() {
  for (int round = 0; round < 10; ++round) {
    WindowQuery q;
    q.className = L"Notepad";
    auto editors = kvdriver::TopWindows(q);
    if (editors.empty() && round > 0) return;
    for (const auto& w : editors) kvdriver::CloseWindow(w.hwnd);
    ::Sleep(300);
  }
}

// The first visible control of a class, whatever its text.
HWND FindByClass(HWND top, const wchar_t* className) {
  for (const auto& c : kvdriver::Controls(top)) {
    if (_wcsicmp(c.className.c_str(), className) == 0 && c.visible) return c.hwnd;
  }
  return nullptr;
}

// Waits until a control with this text shows up in the window.
bool WaitForControl(HWND top, const std::wstring& text, DWORD timeoutMs) {
  for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
    HWND c = kvdriver::FindControl(top, text);
    if (c && ::IsWindowVisible(c)) return true;
    ::Sleep(100);
  }
  return false;
}

// Waits until a control with this text shows up, answering with OK the message boxes the
// process shows meanwhile (a document the system cannot open is reported so); their texts
// are collected.
bool WaitAnsweringBoxes(HWND top, DWORD processId, const std::wstring& text, DWORD timeoutMs,
                        std::vector<std::wstring>& boxes) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start <= timeoutMs; ::Sleep(100)) {
    HWND c = kvdriver::FindControl(top, text);
    if (c && ::IsWindowVisible(c)) return true;
    if (auto box = kvdriver::WaitForMessageBox(processId, 0)) {
      boxes.push_back(box->text);
      kvdriver::AnswerMessageBox(*box, IDOK);
      ::Sleep(300);
    }
  }
  return false;
}

// Answers a process's message boxes with OK until it ends; returns their texts.
std::vector<std::wstring> AnswerUntilEnd(kvdriver::Process& process, DWORD timeoutMs) {
  std::vector<std::wstring> boxes;
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start <= timeoutMs && process.Running();
       ::Sleep(100)) {
    if (auto box = kvdriver::WaitForMessageBox(process.Id(), 0)) {
      boxes.push_back(box->text);
      kvdriver::AnswerMessageBox(*box, IDOK);
      ::Sleep(300);
    }
  }
  return boxes;
}

class SetupKit : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    kit = kitFolder.Path();
    CopyTree(KitFolder(), kit);
    ASSERT_TRUE(Exists(kit + L"\\bramlow.exe")) << "the build assembles the kit with the engine";
  }
  void TearDown() override {
    CloseEditors();
    for (HWND w : {kvdriver::FindTopWindow({L"", L"TForm1", setup.Id()}),
                   kvdriver::FindTopWindow({L"", L"TForm2", setup.Id()})}) {
      if (w) kvdriver::CloseWindow(w);
    }
    if (setup && setup.Running()) setup.Kill();
    ::CoUninitialize();
  }

  // Starts the engine and passes the language dialog with the language chosen.
  HWND StartAndChoose(const std::wstring& language, bool waitForWizard = true) {
    setup = kvdriver::Start(kit + L"\\bramlow.exe", L"", kit);
    HWND dialog = kvdriver::WaitForWindow({L"Language", L"TForm2", setup.Id()}, kWait);
    if (!dialog) return nullptr;
    HWND list = FindByClass(dialog, L"ComboBox");
    if (list && !language.empty()) {
      LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        if (language == text) ::SendMessageW(list, CB_SETCURSEL, i, 0);
      }
    }
    kvdriver::ClickButton(dialog, L"OK");
    return waitForWizard ? kvdriver::WaitForWindow({L"", L"TForm1", setup.Id()}, kWait) : dialog;
  }

  testsupport::ScratchFolder kitFolder{"kv-kit"};
  std::wstring kit;
  kvdriver::Process setup;
};

TEST_F(SetupKit, InstallsEverythingAndTheUninstallerRemovesExactlyThat) {
  const std::wstring base = L"C:\\kv-e2e-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring dest = base + L"\\Sample Viewer";
  const std::wstring programs = Special(CSIDL_PROGRAMS);
  const std::wstring desktop = Special(CSIDL_DESKTOPDIRECTORY);
  RemoveTree(base);
  RemoveTree(programs + L"\\Sample Viewer");
  ::DeleteFileW((desktop + L"\\Sample Viewer.lnk").c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  // What must survive the uninstaller: a file beside the destination, one in the program
  // menu, and a value next to the application's key.
  ::CreateDirectoryW(base.c_str(), nullptr);
  WriteBytes(base + L"\\keep.txt", "keep");
  WriteBytes(programs + L"\\kv-keep.txt", "keep");
  HKEY example;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Example", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &example, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(example, L"Keep", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4);
  ::RegCloseKey(example);

  HWND wizard = StartAndChoose(L"English");
  ASSERT_NE(wizard, nullptr);
  EXPECT_EQ(kvdriver::WindowText(wizard), L"Sample Viewer 1.0 Setup");
  SIZE client = kvdriver::ClientSize(wizard);
  EXPECT_EQ(client.cx, 495);
  EXPECT_EQ(client.cy, 357);
  ASSERT_TRUE(WaitForControl(wizard, L"Welcome to the Sample Viewer 1.0 Setup Wizard", kWait));
  EXPECT_TRUE(kvdriver::FindControl(wizard, L"Sample Viewer home page"));

  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"Next >"));
  ASSERT_TRUE(WaitForControl(wizard, L"License Agreement", kWait));
  HWND viewer = FindByClass(wizard, L"RichEdit20W");
  ASSERT_NE(viewer, nullptr);
  std::wstring licence = kvdriver::WindowText(viewer);
  EXPECT_NE(licence.find(L"SAMPLE VIEWER 1.0 LICENCE AGREEMENT"), std::wstring::npos);
  EXPECT_EQ(licence.find(L"\\rtf"), std::wstring::npos);

  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"I Agree"));
  ASSERT_TRUE(WaitForControl(wizard, L"Choose Install Location", kWait));
  HWND edit =
      kvdriver::FindControl(wizard, Special(CSIDL_PROGRAM_FILES) + L"\\Sample Viewer", L"Edit");
  ASSERT_NE(edit, nullptr) << "the script's destination, expanded";
  std::wstring typed = dest + L"\\";
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));

  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"Next >"));
  std::vector<std::wstring> installBoxes;
  ASSERT_TRUE(
      WaitAnsweringBoxes(wizard, setup.Id(), L"Completing the Setup Wizard", 60000, installBoxes));
  // At most the report of the one document the kit opens (readme.txt), where the system
  // has no program for it.
  EXPECT_LE(installBoxes.size(), 1u);
  EXPECT_TRUE(WaitForControl(
      wizard,
      L"Sample Viewer 1.0 has been installed on your computer. Click Finish to close Setup.",
      1000));
  HWND restartBox = kvdriver::FindControl(wizard, L"Restart now");
  EXPECT_TRUE(!restartBox || !::IsWindowVisible(restartBox));
  CloseEditors();
  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"Finish"));
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);

  // The tree, the single files and the uninstaller.
  std::vector<std::wstring> tree;
  ListTree(kit + L"\\app", L"", tree);
  for (const std::wstring& e : tree) {
    SCOPED_TRACE(std::string(e.begin(), e.end()));
    if (e.back() == L'\\' || e == L"viewer.ini") {
      EXPECT_TRUE(Exists(dest + L"\\" + e));
    } else {
      EXPECT_EQ(ReadBytes(dest + L"\\" + e), ReadBytes(kit + L"\\app\\" + e));
    }
  }
  EXPECT_EQ(ReadBytes(dest + L"\\docs\\License.rtf"), ReadBytes(kit + L"\\setup.rtf"));
  EXPECT_EQ(ReadBytes(dest + L"\\lang\\English.qxl"), ReadBytes(kit + L"\\English.qxl"));
  EXPECT_EQ(ReadBytes(dest + L"\\Uninstall.exe"), ReadBytes(kit + L"\\setup.dat"));

  // INI entries and registry values.
  EXPECT_EQ(Ini(dest + L"\\viewer.ini", L"Paths", L"Data"), dest + L"\\data");
  EXPECT_EQ(Ini(dest + L"\\viewer.ini", L"Options", L"Language"), L"English");
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAppKey, L"Path"), dest);
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAppKey, L"Version"), L"256");
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAppKey, L"Signature"), L"SV");

  // Shortcuts, read back.
  const std::wstring group = programs + L"\\Sample Viewer";
  EXPECT_TRUE(SamePath(ShortcutTarget(group + L"\\Read me.lnk"), dest + L"\\readme.txt"));
  EXPECT_TRUE(SamePath(ShortcutTarget(group + L"\\User guide.lnk"), dest + L"\\docs\\guide.txt"));
  EXPECT_TRUE(SamePath(ShortcutTarget(desktop + L"\\Sample Viewer.lnk"), dest + L"\\readme.txt"));

  // The uninstall list, key by key: tree files first (1-7), then the new single files, then
  // the shortcuts with what each leads to; tree folders parent before child, then the program
  // group, once: the first link made it.
  const std::wstring list = dest + L"\\Uninstall.ini";
  ASSERT_TRUE(Exists(list)) << "formed before the trailing backslash was removed";
  std::set<std::wstring> treeFiles, listedTree;
  for (const std::wstring& e : tree)
    if (e.back() != L'\\') treeFiles.insert(dest + L"\\" + e);
  ASSERT_EQ(treeFiles.size(), 7u);
  for (int n = 1; n <= 7; ++n) listedTree.insert(Ini(list, L"files", std::to_wstring(n)));
  EXPECT_EQ(listedTree, treeFiles);
  EXPECT_EQ(Ini(list, L"files", L"8"), dest + L"\\docs\\License.rtf");
  EXPECT_EQ(Ini(list, L"files", L"9"), dest + L"\\lang\\English.qxl");
  EXPECT_TRUE(SamePath(Ini(list, L"files", L"10"), group + L"\\Read me.lnk"));
  EXPECT_TRUE(SamePath(Ini(list, L"files", L"11"), group + L"\\User guide.lnk"));
  EXPECT_TRUE(SamePath(Ini(list, L"files", L"12"), desktop + L"\\Sample Viewer.lnk"));
  EXPECT_EQ(Ini(list, L"files", L"Count"), L"12");
  EXPECT_TRUE(SamePath(Ini(list, L"links", L"target10"), dest + L"\\readme.txt"));
  EXPECT_TRUE(SamePath(Ini(list, L"links", L"target11"), dest + L"\\docs\\guide.txt"));
  EXPECT_TRUE(SamePath(Ini(list, L"links", L"target12"), dest + L"\\readme.txt"));
  for (const wchar_t* args : {L"args10", L"args11", L"args12"})
    EXPECT_EQ(Ini(list, L"links", args), L"");
  EXPECT_EQ(Ini(list, L"files", L"13"), L"<missing>");
  std::vector<std::wstring> folders;
  for (int n = 1; n <= 4; ++n) folders.push_back(Ini(list, L"folders", std::to_wstring(n)));
  std::set<std::wstring> treeFolders;
  for (const std::wstring& e : tree)
    if (e.back() == L'\\') treeFolders.insert(dest + L"\\" + e.substr(0, e.size() - 1));
  EXPECT_EQ(std::set<std::wstring>(folders.begin(), folders.end()), treeFolders);
  auto at = [&](const std::wstring& f) {
    return std::find(folders.begin(), folders.end(), f) - folders.begin();
  };
  EXPECT_LT(at(dest + L"\\data"), at(dest + L"\\data\\samples"));
  EXPECT_TRUE(SamePath(Ini(list, L"folders", L"5"), group));
  EXPECT_EQ(Ini(list, L"folders", L"6"), L"<missing>");
  EXPECT_EQ(Ini(list, L"folders", L"Count"), L"5");
  EXPECT_EQ(Ini(list, L"Ocx", L"Count"), L"0");
  for (int n = 1; n <= 3; ++n) {
    std::wstring section = L"Reg" + std::to_wstring(n);
    EXPECT_EQ(Ini(list, section.c_str(), L"Root"), L"HKEY_CURRENT_USER");
    EXPECT_EQ(Ini(list, section.c_str(), L"Key"), kAppKey);
  }
  EXPECT_EQ(Ini(list, L"Reg1", L"Value"), L"Path");
  EXPECT_EQ(Ini(list, L"Reg2", L"Value"), L"Version");
  EXPECT_EQ(Ini(list, L"Reg3", L"Value"), L"Signature");
  EXPECT_EQ(Ini(list, L"uninstall", L"RegCount"), L"3");
  EXPECT_EQ(Ini(list, L"uninstall", L"LinkText"), L"Sample Viewer home page");
  EXPECT_EQ(Ini(list, L"uninstall", L"LinkUrl"), L"http://www.example.com/viewer/");
  EXPECT_EQ(Ini(list, L"uninstall", L"AppName"), L"Sample Viewer 1.0");
  const std::wstring languageFile = kit + L"\\English.qxl";
  for (int i = 1; i <= 7; ++i) {
    EXPECT_EQ(Ini(list, L"language", std::to_wstring(i)),
              Ini(languageFile, L"language", std::to_wstring(29 + i)));
  }
  EXPECT_EQ(Ini(list, L"exe", L"Count"), L"1");
  EXPECT_EQ(Ini(list, L"exe", L"exe1"), Special(CSIDL_SYSTEM) + L"\\cmd.exe /c exit");

  // The system's list of programs.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), L"Sample Viewer 1.0");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
            L"\"" + dest + L"\\Uninstall.exe\"");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon"), dest + L"\\Uninstall.exe");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"URLInfoAbout"),
            L"http://www.example.com/viewer/");

  // The uninstaller, as the system's list starts it.
  kvdriver::Process remover = kvdriver::Start(dest + L"\\Uninstall.exe", L"", dest);
  auto question = kvdriver::WaitForMessageBox(remover.Id(), kWait);
  ASSERT_TRUE(question.has_value());
  EXPECT_NE(question->text.find(L"Sample Viewer 1.0"), std::wstring::npos);
  kvdriver::AnswerMessageBox(*question, IDYES);
  std::vector<std::wstring> removerBoxes = AnswerUntilEnd(remover, 60000);
  ASSERT_FALSE(removerBoxes.empty());
  EXPECT_EQ(removerBoxes.back(), L"Sample Viewer 1.0 was removed from your computer.");
  auto removerCode = remover.Wait(kWait);
  ASSERT_TRUE(removerCode.has_value());
  EXPECT_EQ(*removerCode, 0u);
  CloseEditors();
  // The uninstaller takes itself and the emptied destination away after it has ended.
  for (int i = 0; i < 100 && Exists(dest); ++i) ::Sleep(200);

  // The list names no folder made for a single file (the kit puts English.qxl into a new
  // lang folder), but the removal emptied it: it goes, and with it the destination.
  EXPECT_FALSE(Exists(dest));
  EXPECT_FALSE(Exists(dest + L"\\Uninstall.exe"));
  EXPECT_FALSE(Exists(dest + L"\\Uninstall.ini"));
  EXPECT_FALSE(Exists(group));
  EXPECT_FALSE(Exists(desktop + L"\\Sample Viewer.lnk"));
  EXPECT_FALSE(RegText(HKEY_CURRENT_USER, kAppKey, L"Path"));
  EXPECT_FALSE(RegText(HKEY_CURRENT_USER, kAppKey, L"Version"));
  EXPECT_FALSE(RegText(HKEY_CURRENT_USER, kAppKey, L"Signature"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(ReadBytes(base + L"\\keep.txt"), "keep");
  EXPECT_EQ(ReadBytes(programs + L"\\kv-keep.txt"), "keep");
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, L"Software\\Example", L"Keep"), L"1");

  ::DeleteFileW((programs + L"\\kv-keep.txt").c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
  RemoveTree(base);
}

TEST_F(SetupKit, OnlyNtOneRefusesWithTheErrorBoxAndInstallsNothing) {
  std::string script = ReadBytes(kit + L"\\setup.qx1");
  size_t at = script.find("OnlyNT=0");
  ASSERT_NE(at, std::string::npos);
  script.replace(at, 8, "OnlyNT=1");
  WriteBytes(kit + L"\\setup.qx1", script);
  const std::wstring defaultDest = Special(CSIDL_PROGRAM_FILES) + L"\\Sample Viewer";
  RemoveTree(defaultDest);
  // The refusal comes while the wizard is being shown.
  ASSERT_NE(StartAndChoose(L"English", false), nullptr);
  auto box = kvdriver::WaitForMessageBox(setup.Id(), kWait, L"Sample Viewer 1.0 Setup");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text,
            L"Sample Viewer 1.0 needs Windows NT, 2000, XP or later. Setup will now close.");
  kvdriver::AnswerMessageBox(*box, IDOK);
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value()) << "closes without a question";
  EXPECT_EQ(*code, 2u) << "refused";
  EXPECT_FALSE(Exists(defaultDest));
}

TEST_F(SetupKit, ClosingOnTheWelcomePageAsksAndNoKeepsTheWizard) {
  HWND wizard = StartAndChoose(L"Russian");
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(kvdriver::CloseWindow(wizard));
  auto box = kvdriver::WaitForMessageBox(setup.Id(), kWait, L"Sample Viewer 1.0 Setup");
  ASSERT_TRUE(box.has_value());
  std::wstring russian17 = Ini(kit + L"\\Russian.qxl", L"language", L"17");
  size_t split = russian17.find(L"\\n");
  ASSERT_NE(split, std::wstring::npos);
  std::wstring firstLine = russian17.substr(0, split);
  size_t arg = firstLine.find(L"%s");
  if (arg != std::wstring::npos) firstLine.replace(arg, 2, L"Sample Viewer 1.0");
  EXPECT_EQ(box->text.substr(0, firstLine.size()), firstLine);
  kvdriver::AnswerMessageBox(*box, IDNO);
  ::Sleep(500);
  EXPECT_TRUE(setup.Running());
  EXPECT_TRUE(::IsWindowVisible(wizard));

  ASSERT_TRUE(kvdriver::CloseWindow(wizard));
  box = kvdriver::WaitForMessageBox(setup.Id(), kWait, L"Sample Viewer 1.0 Setup");
  ASSERT_TRUE(box.has_value());
  kvdriver::AnswerMessageBox(*box, IDYES);
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u) << "cancelled";
}

TEST_F(SetupKit, WithoutLanguageFilesEveryTextIsEmptyAndNothingBreaks) {
  ::DeleteFileW((kit + L"\\English.qxl").c_str());
  ::DeleteFileW((kit + L"\\Russian.qxl").c_str());
  HWND wizard = StartAndChoose(L"");
  ASSERT_NE(wizard, nullptr);
  ::Sleep(300);
  EXPECT_EQ(kvdriver::WindowText(wizard), L"Sample Viewer 1.0 Setup");
  int emptyButtons = 0;
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className == L"Button" && c.visible && c.text.empty()) ++emptyButtons;
  }
  EXPECT_GE(emptyButtons, 3) << "Back, Next and Cancel have no caption";
  ASSERT_TRUE(kvdriver::CloseWindow(wizard));
  auto box = kvdriver::WaitForMessageBox(setup.Id(), kWait);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"");
  kvdriver::AnswerMessageBox(*box, IDYES);
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u) << "cancelled";
}

}  // namespace

// A language text the formatter refuses ends the program at the finish page, before the list
// is closed. The records of what was copied by then must still reach the list, and the
// uninstaller must take those files away without passing the list off as complete.
TEST_F(SetupKit, ARuntimeErrorLateInTheInstallationLeavesTheRecordsSoFar) {
  std::string script = ReadBytes(kit + L"\\setup.qx1");
  for (const char* count : {"IniCount=", "RegCount=", "LnkCount=", "ExeCount=", "RegUninst="}) {
    size_t at = script.find(count);
    ASSERT_NE(at, std::string::npos);
    script[at + std::strlen(count)] = '0';
  }
  WriteBytes(kit + L"\\setup.qx1", script);
  ASSERT_TRUE(::WritePrivateProfileStringW(L"language", L"26", L"%d is installed.",
                                           (kit + L"\\English.qxl").c_str()));
  const std::wstring base = L"C:\\kv-e2e-stop-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring dest = base + L"\\Viewer";
  RemoveTree(base);

  HWND wizard = StartAndChoose(L"English");
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(WaitForControl(wizard, L"Next >", kWait));
  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"Next >"));
  ASSERT_TRUE(WaitForControl(wizard, L"I Agree", kWait));
  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"I Agree"));
  ASSERT_TRUE(WaitForControl(wizard, L"Choose Install Location", kWait));
  HWND edit = FindByClass(wizard, L"Edit");
  ASSERT_NE(edit, nullptr);
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
  ASSERT_TRUE(kvdriver::ClickButton(wizard, L"Next >"));

  std::vector<std::wstring> boxes = AnswerUntilEnd(setup, 60000);
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], L"Format '%d is installed.' invalid or incompatible with argument");

  // Every tree file is recorded under its number, then the two single files.
  std::vector<std::wstring> tree;
  ListTree(kit + L"\\app", L"", tree);
  const size_t files = std::count_if(tree.begin(), tree.end(),
                                     [](const std::wstring& e) { return e.back() != L'\\'; });
  const std::wstring list = dest + L"\\Uninstall.ini";
  std::set<std::wstring> recorded;
  for (size_t n = 1; n <= files + 2; ++n) {
    std::wstring path = Ini(list, L"files", std::to_wstring(n));
    EXPECT_TRUE(Exists(path)) << n;
    recorded.insert(path);
  }
  EXPECT_EQ(recorded.size(), files + 2);
  EXPECT_TRUE(recorded.count(dest + L"\\docs\\License.rtf"));
  EXPECT_EQ(Ini(list, L"files", L"Count"), L"<missing>");

  // The uninstaller the installation left says the list is incomplete, and removes what it
  // names; it does not report a full removal.
  kvdriver::Process remover = kvdriver::Start(dest + L"\\Uninstall.exe", L"", dest);
  auto question = kvdriver::WaitForMessageBox(remover.Id(), kWait);
  ASSERT_TRUE(question.has_value());
  EXPECT_NE(question->text.find(L"incomplete"), std::wstring::npos)
      << std::string(question->text.begin(), question->text.end());
  kvdriver::AnswerMessageBox(*question, IDYES);
  std::vector<std::wstring> removerBoxes = AnswerUntilEnd(remover, 60000);
  ASSERT_FALSE(removerBoxes.empty());
  EXPECT_NE(removerBoxes.back().find(L"incomplete"), std::wstring::npos);
  auto removerCode = remover.Wait(kWait);
  ASSERT_TRUE(removerCode.has_value());
  EXPECT_EQ(*removerCode, 1u);
  for (const std::wstring& path : recorded)
    EXPECT_FALSE(Exists(path)) << std::string(path.begin(), path.end());
  RemoveTree(base);
}

// Unattended: /S with /LOG=, and the installed Uninstall.exe with /S and /LOG=.
namespace {

// The log as text, one entry per line (the log is UTF-8; these tests' paths are ASCII).
std::vector<std::string> LogLines(const std::wstring& path) {
  std::vector<std::string> lines;
  const std::string bytes = ReadBytes(path);
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  return lines;
}

std::string Ascii(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

class SilentKit : public SetupKit {
 protected:
  void SetUp() override {
    SetupKit::SetUp();
    base = L"C:\\kv-silent-" + std::to_wstring(::GetCurrentProcessId());
    dest = base + L"\\Sample Viewer";
    log = kit + L"\\setup.log";
    RemoveTree(base);
    RemoveTree(Special(CSIDL_PROGRAMS) + L"\\Sample Viewer");
    ::DeleteFileW((Special(CSIDL_DESKTOPDIRECTORY) + L"\\Sample Viewer.lnk").c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }
  void TearDown() override {
    SetupKit::TearDown();
    RemoveTree(base);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
  }

  // Runs the engine with these switches; the exit code, or nothing when it did not end by
  // itself (a window waiting for somebody).
  std::optional<DWORD> RunSetup(const std::wstring& switches) {
    setup = kvdriver::Start(kit + L"\\bramlow.exe", switches, kit);
    auto code = setup.Wait(60000);
    CloseEditors();
    return code;
  }

  void ChangeScript(const std::string& from, const std::string& to) {
    std::string script = ReadBytes(kit + L"\\setup.qx1");
    size_t at = script.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    script.replace(at, from.size(), to);
    WriteBytes(kit + L"\\setup.qx1", script);
  }

  std::wstring base, dest, log;
};

TEST_F(SilentKit, InstallsWithoutAWindowAndTheUninstallerRemovesItWithoutAsking) {
  auto code = RunSetup(L"/S /LANG=russian /LOG=\"" + log + L"\" /D=" + dest);
  ASSERT_TRUE(code.has_value()) << "no window may wait for an answer";
  EXPECT_EQ(*code, 0u);

  const std::wstring group = Special(CSIDL_PROGRAMS) + L"\\Sample Viewer";
  const std::wstring desktopLink = Special(CSIDL_DESKTOPDIRECTORY) + L"\\Sample Viewer.lnk";
  EXPECT_EQ(ReadBytes(dest + L"\\lang\\Russian.qxl"), ReadBytes(kit + L"\\Russian.qxl"));
  EXPECT_EQ(ReadBytes(dest + L"\\Uninstall.exe"), ReadBytes(kit + L"\\setup.dat"));
  EXPECT_EQ(Ini(dest + L"\\viewer.ini", L"Options", L"Language"), L"Russian");
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAppKey, L"Path"), dest);
  EXPECT_TRUE(SamePath(ShortcutTarget(group + L"\\User guide.lnk"), dest + L"\\docs\\guide.txt"));
  EXPECT_TRUE(SamePath(ShortcutTarget(desktopLink), dest + L"\\readme.txt"));
  const std::wstring list = dest + L"\\Uninstall.ini";
  EXPECT_EQ(Ini(list, L"files", L"Count"), L"12");
  EXPECT_EQ(Ini(list, L"folders", L"Count"), L"5");
  EXPECT_EQ(Ini(list, L"uninstall", L"LinkText"), L"Sample Viewer home page");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
            L"\"" + dest + L"\\Uninstall.exe\"");

  const std::vector<std::string> lines = LogLines(log);
  const std::string d = Ascii(dest), k = Ascii(kit);
  EXPECT_TRUE(HasLine(lines, "language Russian: ok"));
  EXPECT_TRUE(HasLine(lines, "copy " + k + "\\app\\readme.txt -> " + d + "\\readme.txt: ok"));
  EXPECT_TRUE(HasLine(lines, "make folder " + d + "\\data\\samples: ok"));
  EXPECT_TRUE(HasLine(lines, "copy " + k + "\\Russian.qxl -> " + d + "\\lang\\Russian.qxl: ok"));
  EXPECT_TRUE(HasLine(lines, "INI entry [Options] Language=Russian in " + d + "\\viewer.ini: ok"));
  EXPECT_TRUE(HasLine(
      lines, "registry value HKEY_CURRENT_USER\\Software\\Example\\Sample Viewer\\Version: ok"));
  EXPECT_TRUE(HasLine(lines, "shortcut " + Ascii(desktopLink) + " -> " + d + "\\readme.txt: ok"));
  // The prefix may have no program for text files: then the failure is logged and its
  // message answered by itself, and the installation goes on.
  const std::string opened = "open " + d + "\\readme.txt: ";
  const auto open = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.rfind(opened, 0) == 0; });
  ASSERT_NE(open, lines.end());
  if (*open != opened + "started") {
    ASSERT_NE(open + 1, lines.end());
    EXPECT_NE(open[1].find("-> OK (unattended)"), std::string::npos) << open[1];
  }
  EXPECT_TRUE(HasLine(lines, "copy " + k + "\\setup.dat -> " + d + "\\Uninstall.exe: ok"));
  EXPECT_TRUE(HasLine(
      lines, "registry value HKEY_LOCAL_MACHINE\\" + Ascii(kUninstallKey) + "\\DisplayName: ok"));
  EXPECT_TRUE(HasLine(
      lines, "uninstall list " + d + "\\Uninstall.ini (12 files, 5 folders, 0 COM servers): ok"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "result: installed (exit code 0)");
  for (const std::string& line : lines) {
    if (line.rfind(opened, 0) != 0) {
      EXPECT_EQ(line.find("failed"), std::string::npos) << line;
    }
  }

  // A log inside the installation would keep its folder: refused before anything is removed.
  kvdriver::Process refused =
      kvdriver::Start(dest + L"\\Uninstall.exe", L"/S /LOG=\"" + dest + L"\\removal.log\"", dest);
  auto refusedCode = refused.Wait(60000);
  ASSERT_TRUE(refusedCode.has_value());
  EXPECT_EQ(*refusedCode, 1u);
  EXPECT_FALSE(Exists(dest + L"\\removal.log"));
  EXPECT_TRUE(Exists(list)) << "nothing removed";
  EXPECT_TRUE(Exists(dest + L"\\readme.txt"));

  const std::wstring removalLog = kit + L"\\uninstall.log";
  kvdriver::Process remover =
      kvdriver::Start(dest + L"\\Uninstall.exe", L"/LOG=\"" + removalLog + L"\" /S", dest);
  auto removerCode = remover.Wait(60000);
  ASSERT_TRUE(removerCode.has_value()) << "no question, no message";
  EXPECT_EQ(*removerCode, 0u);
  for (int i = 0; i < 100 && Exists(dest + L"\\Uninstall.exe"); ++i) ::Sleep(200);
  EXPECT_FALSE(Exists(dest + L"\\readme.txt"));
  EXPECT_FALSE(Exists(list));
  EXPECT_FALSE(Exists(dest + L"\\Uninstall.exe"));
  EXPECT_FALSE(Exists(group));
  EXPECT_FALSE(Exists(desktopLink));
  EXPECT_FALSE(RegText(HKEY_CURRENT_USER, kAppKey, L"Path"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  const std::vector<std::string> removal = LogLines(removalLog);
  ASSERT_GE(removal.size(), 3u);
  EXPECT_NE(removal.front().find("-> Yes (unattended)"), std::string::npos) << removal.front();
  // The counts include the list itself; what matters is that nothing stayed.
  EXPECT_TRUE(std::any_of(removal.begin(), removal.end(),
                          [](const std::string& l) { return l.rfind("removed ", 0) == 0; }));
  for (const std::string& line : removal) EXPECT_NE(line.rfind("not removed:", 0), 0u) << line;
  EXPECT_EQ(removal.back(), "result: removed (exit code 0)");
}

TEST_F(SilentKit, AFailedCopyEndsWithOneAndIsLogged) {
  ChangeScript("Overwrite=1", "Overwrite=0");
  ::CreateDirectoryW(base.c_str(), nullptr);
  ::CreateDirectoryW(dest.c_str(), nullptr);
  WriteBytes(dest + L"\\readme.txt", "already here");
  auto code = RunSetup(L"/S /LOG=\"" + log + L"\" /D=" + dest);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1u);
  EXPECT_EQ(ReadBytes(dest + L"\\readme.txt"), "already here");
  const std::vector<std::string> lines = LogLines(log);
  const std::string failed =
      "copy " + Ascii(kit) + "\\app\\readme.txt -> " + Ascii(dest) + "\\readme.txt: failed (";
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(failed, 0) == 0; }));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "result: failed (exit code 1)");
}

TEST_F(SilentKit, RefusalsEndWithTwoAnUnwritableLogWithOneAndNothingIsInstalled) {
  ChangeScript("OnlyNT=0", "OnlyNT=1");
  auto code = RunSetup(L"/S /LOG=\"" + log + L"\" /D=" + dest);
  ASSERT_TRUE(code.has_value()) << "the refusal waits for nobody";
  EXPECT_EQ(*code, 2u);
  const std::vector<std::string> lines = LogLines(log);
  EXPECT_TRUE(HasLine(
      lines,
      "message \"Sample Viewer 1.0 Setup\": Sample Viewer 1.0 needs Windows NT, 2000, XP or "
      "later. Setup will now close. -> OK (unattended)"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "result: refused or cancelled, nothing installed (exit code 2)");

  ChangeScript("OnlyNT=1", "OnlyNT=0");
  code = RunSetup(L"/S \"/LOG=" + kit + L"\\no-such-folder\\setup.log\" /D=" + dest);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1u);
  EXPECT_FALSE(Exists(dest));
}

TEST_F(SilentKit, WithTheWizardTheLogTakesTheUsersAnswers) {
  setup = kvdriver::Start(kit + L"\\bramlow.exe", L"/LOG=\"" + log + L"\"", kit);
  HWND dialog = kvdriver::WaitForWindow({L"Language", L"TForm2", setup.Id()}, kWait);
  ASSERT_NE(dialog, nullptr) << "without /S the dialog comes as always";
  kvdriver::ClickButton(dialog, L"OK");
  HWND wizard = kvdriver::WaitForWindow({L"", L"TForm1", setup.Id()}, kWait);
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(kvdriver::CloseWindow(wizard));
  auto box = kvdriver::WaitForMessageBox(setup.Id(), kWait, L"Sample Viewer 1.0 Setup");
  ASSERT_TRUE(box.has_value());
  kvdriver::AnswerMessageBox(*box, IDYES);
  auto code = setup.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u);
  const std::vector<std::string> lines = LogLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("message \"Sample Viewer 1.0 Setup\": ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 7), " -> Yes") << lines[0];
  EXPECT_EQ(lines[1], "result: refused or cancelled, nothing installed (exit code 2)");
}

// A kit as kit authors write them: a help file into the system folder, a font, a COM server
// registered from the system folder, a shortcut to a system program with the readme as its
// argument, a program written without ".exe", one that is missing, and clean-up programs the
// uninstaller cannot start (a document, a missing program). Installed and removed with /S, all
// of it goes and the system's entry with it; installed again and removed while a file is held
// open, the removal ends with 1 and keeps the list, and ends with 0 once the file is free.
TEST_F(SilentKit, AKitIntoTheSystemsFoldersIsRemovedWholeAndAHeldFileWaitsForItsRelease) {
  const std::wstring id = std::to_wstring(::GetCurrentProcessId());
  const std::wstring system = Special(CSIDL_SYSTEM), fonts = Special(CSIDL_FONTS);
  const std::wstring help = system + L"\\kv-e2e-" + id + L".hlp",
                     font = fonts + L"\\kv-e2e-" + id + L".ttf";
  const std::wstring server = system + L"\\kv-e2e-" + id + L".ocx";
  const std::wstring group = Special(CSIDL_PROGRAMS) + L"\\Kv System Kit " + id;
  const wchar_t entry[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kv_System_Kit";
  const std::wstring marker = kit + L"\\registered.marker";
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, entry);
  std::string testServer = TEST_SERVER;
  for (char& c : testServer) c = c == '/' ? '\\' : c;
  const std::string i = Ascii(id);
  WriteBytes(
      kit + L"\\setup.qx1",
      "[setup1]\r\nAppName=Kv System Kit\r\nWindowName=Kv System Kit Setup\r\nDestFolder=" +
          Ascii(dest) +
          "\r\nSourceFolder=%Installer%app\r\nCreateUninst=1\r\nRegUninst=1\r\nOverwrite=1\r\n"
          "OthCount=3\r\nLnkCount=1\r\nExeCount=2\r\n"
          "[Oth1]\r\nSource=%Installer%app\\readme.txt\r\nDest=%System%\\kv-e2e-" +
          i +
          ".hlp\r\n"
          "[Oth2]\r\nSource=%Installer%app\\readme.txt\r\nDest=%Fonts%\\kv-e2e-" +
          i +
          ".ttf\r\n"
          "[Oth3]\r\nSource=Z:" +
          testServer + "\r\nDest=%System%\\kv-e2e-" + i +
          ".ocx\r\nOcx=1\r\n"
          "[Lnk1]\r\nLinkName=%Programs%\\Kv System Kit " +
          i +
          "\\Read me.lnk\r\n"
          "FileName=%Windows%\\notepad.exe\r\nArg=%Dest%\\readme.txt\r\n"
          "[Exe1]\r\nFile=%System%\\cmd /c exit 3\r\nWait=1\r\n"
          "[Exe2]\r\nFile=%Dest%\\missing setup.exe /x\r\nWait=1\r\n"
          "[un_exe]\r\nCount=2\r\nexe1=%Dest%\\readme.txt\r\nexe2=%Dest%\\cleanup.exe /x\r\n");
  ::SetEnvironmentVariableW(L"KV_SERVER_MARKER", marker.c_str());
  auto install = [&] {
    auto code = RunSetup(L"/S /LOG=\"" + log + L"\" /D=" + dest);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    for (const std::wstring& file : {help, font, server, group + L"\\Read me.lnk"})
      EXPECT_TRUE(Exists(file)) << Ascii(file);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, entry));
  };
  const std::wstring removalLog = kit + L"\\removal.log";
  auto remove = [&](DWORD expected) {
    kvdriver::Process remover =
        kvdriver::Start(dest + L"\\Uninstall.exe", L"/S /LOG=\"" + removalLog + L"\"", dest);
    auto code = remover.Wait(60000);
    EXPECT_TRUE(code.has_value());
    if (code) {
      EXPECT_EQ(*code, expected);
    }
    return LogLines(removalLog);
  };
  auto allGone = [&] {
    for (int wait = 0; wait < 100 && Exists(dest); ++wait) ::Sleep(200);
    for (const std::wstring& gone : {help, font, server, group, dest})
      EXPECT_FALSE(Exists(gone)) << Ascii(gone);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_TRUE(Exists(server + L".unregistered")) << "unregistered before its file went";
    ::DeleteFileW((server + L".unregistered").c_str());
  };

  install();
  // The installer runs with critical-error boxes off: the server it loads says so.
  const std::string registered = ReadBytes(marker);
  ASSERT_EQ(registered.rfind("errormode=", 0), 0u) << registered;
  EXPECT_TRUE(std::stoul(registered.substr(10)) & SEM_FAILCRITICALERRORS) << registered;
  EXPECT_TRUE(SamePath(ShortcutTarget(group + L"\\Read me.lnk"),
                       Special(CSIDL_WINDOWS) + L"\\notepad.exe"));
  std::vector<std::string> lines = LogLines(log);
  const std::string d = Ascii(dest), s = Ascii(system);
  EXPECT_TRUE(HasLine(lines, "run " + s + "\\cmd /c exit 3: ended with exit code 3"));
  const std::string missing = "run " + d + "\\missing setup.exe /x: not started (";
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(missing, 0) == 0; }));

  std::vector<std::string> removal = remove(0);
  for (const std::string& program : {d + "\\readme.txt", d + "\\cleanup.exe /x"}) {
    const std::string line = "not started: " + program + " (";
    EXPECT_TRUE(std::any_of(removal.begin(), removal.end(), [&](const std::string& l) {
      return l.rfind(line, 0) == 0;
    })) << line;
  }
  for (const std::string& line : removal) EXPECT_NE(line.rfind("not removed:", 0), 0u) << line;
  ASSERT_FALSE(removal.empty());
  EXPECT_EQ(removal.back(), "result: removed (exit code 0)");
  allGone();

  install();
  {
    winbase::FileHandle held(::CreateFileW(help.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    removal = remove(1);
    const std::string kept = "not removed: " + Ascii(help) + " (";
    const auto line = std::find_if(removal.begin(), removal.end(),
                                   [&](const std::string& l) { return l.rfind(kept, 0) == 0; });
    ASSERT_NE(line, removal.end());
    EXPECT_NE(line->find("; kept for another run)"), std::string::npos) << *line;
    EXPECT_TRUE(Exists(help));
    EXPECT_FALSE(Exists(font));
    EXPECT_TRUE(Exists(dest + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(dest + L"\\Uninstall.ini"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, entry))
        << "the system's list still offers the removal";
  }
  removal = remove(0);
  ASSERT_FALSE(removal.empty());
  EXPECT_EQ(removal.back(), "result: removed (exit code 0)");
  allGone();
  ::SetEnvironmentVariableW(L"KV_SERVER_MARKER", nullptr);
}
