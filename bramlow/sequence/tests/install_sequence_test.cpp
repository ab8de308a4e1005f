// The whole installation against a kit in a scratch folder, with a recording wizard view.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "bramlow/sequence/install_sequence.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

namespace bramlow {
namespace {

class RecordingView : public IInstallView {
 public:
  explicit RecordingView(std::wstring destination) : destination_(std::move(destination)) {}
  void ShowStatus(const std::wstring& text) override { statuses.push_back(text); }
  void SetProgressPosition(int position) override { positions.push_back(position); }
  void ProcessPendingMessages() override { ++pumps; }
  void ShowProgressPage() override { events.push_back(L"progress page"); }
  std::wstring DestinationText() override { return destination_; }
  void SetProgressTitle(const std::wstring& text) override { progressTitle = text; }
  void SetProgressMaximum(int maximum) override { maximums.push_back(maximum); }
  void DisableButtons() override { events.push_back(L"buttons off"); }
  void ProcessOneMessage() override { ++singlePumps; }
  void Repaint() override {}
  void FocusWindow() override {}
  void ShowFinishPage() override { events.push_back(L"finish page"); }
  void SetFinishTitle(const std::wstring& text) override { finishTitle = text; }
  void SetFinishText(const std::wstring& text) override { finishText = text; }
  void OfferRestart(const std::wstring& caption) override { restartCaption = caption; restartOffered = true; }
  void EnableClose(const std::wstring& caption) override { closeCaption = caption; }
  std::wstring LinkText() override { return L"Demo on the web"; }
  std::wstring WindowCaption() const override { return L"Demo Setup"; }

  std::vector<std::wstring> statuses, events;
  std::vector<int> positions, maximums;
  int pumps = 0, singlePumps = 0;
  std::wstring progressTitle, finishTitle, finishText, restartCaption, closeCaption;
  bool restartOffered = false;

 private:
  std::wstring destination_;
};

std::wstring Read(const std::wstring& ini, const wchar_t* section, const std::wstring& key) {
  wchar_t buffer[2048];
  DWORD n = GetPrivateProfileStringW(section, key.c_str(), L"<missing>", buffer, 2048, ini.c_str());
  return std::wstring(buffer, n);
}

std::wstring RegText(HKEY root, const wchar_t* key, const wchar_t* value) {
  wchar_t buffer[512];
  DWORD size = sizeof buffer, type = 0;
  HKEY k;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<no key>";
  LONG r = RegQueryValueExW(k, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(k);
  return r == ERROR_SUCCESS ? std::wstring(buffer) : L"<no value>";
}

constexpr const wchar_t* kRegKey = L"Software\\KvSequenceTest";
constexpr const wchar_t* kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo_Tool_1_0";

// A kit: script, language file, uninstaller, a source tree of three files in two folders.
class Installation : public ::testing::Test {
 protected:
  void SetUp() override {
    kit = folder / L"kit";
    CreateDirectoryW(kit.c_str(), nullptr);
    CreateDirectoryW((kit + L"\\files").c_str(), nullptr);
    CreateDirectoryW((kit + L"\\files\\sub").c_str(), nullptr);
    testsupport::WriteBytes(folder / L"kit\\files\\a.txt", "alpha");
    testsupport::WriteBytes(folder / L"kit\\files\\sub\\b.txt", "beta");
    testsupport::WriteBytes(folder / L"kit\\files\\sub\\c.txt", "gamma");
    testsupport::WriteBytes(folder / L"kit\\extra.txt", "extra");
    testsupport::WriteBytes(folder / L"kit\\setup.dat", "MZ-uninstaller");
    std::string lang = "[language]\r\n";
    for (int key = 18; key <= 38; ++key)
      if (key != 20 && key != 26 && key != 27 && key != 37 && key != 38)
        lang += std::to_string(key) + "=T" + std::to_string(key) + "\r\n";
    lang += "20=Copying %s\r\n26=%s is ready.\r\n27=%s needs a restart.\r\n37=%s failed\r\n38=Failed%s.\r\n";
    testsupport::WriteBytes(folder / L"kit\\English.qxl", lang);
    dest = folder / L"Apps\\Demo\\";  // typed with a trailing backslash
    destNoSlash = folder / L"Apps\\Demo";
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  void WriteScript(const std::string& setup1Extra, const std::string& items) {
    std::string script = "[setup1]\r\nAppName=Demo Tool 1.0\r\nSite=http://example.invalid/demo\r\n"
                         "SourceFolder=%Installer%files\r\n" + setup1Extra + "\r\n" + items;
    testsupport::WriteBytes(folder / L"kit\\setup.qx1", script);
  }

  // What the wizard's script load does, by hand: the sequence starts from a loaded state.
  void Load(TSetupState& state) {
    state.InstallerFolder = kit + L"\\";
    state.LangName = L"English";
    state.ScriptFile = std::make_unique<ProfileFile>(kit + L"\\setup.qx1", L"setup1");
    state.LangFile = std::make_unique<ProfileFile>(kit + L"\\English.qxl", L"language");
    ProfileFile& s = *state.ScriptFile;
    state.AppName = s.ProfileText(L"AppName", L"");
    state.Site = s.ProfileText(L"Site", L"");
    state.SourceFolder = kit + L"\\files";
    state.CreateUninst = s.ProfileBoolean(L"CreateUninst", false);
    state.FailIfExists = !s.ProfileBoolean(L"Overwrite", false);
    state.Reboot = s.ProfileBoolean(L"Reboot", false);
    state.OthCount = s.ProfileInteger(L"OthCount", 0);
    state.IniCount = s.ProfileInteger(L"IniCount", 0);
    state.RegCount = s.ProfileInteger(L"RegCount", 0);
    state.LnkCount = s.ProfileInteger(L"LnkCount", 0);
    state.ExeCount = s.ProfileInteger(L"ExeCount", 0);
    state.PageStep = 3;
  }

  testsupport::ScratchFolder folder;
  std::wstring kit, dest, destNoSlash;
};

TEST_F(Installation, CopiesWritesAndListsEverythingInOrder) {
  WriteScript("CreateUninst=1\r\nRegUninst=1\r\nOthCount=2\r\nIniCount=1\r\nRegCount=2\r\nLnkCount=1\r\n",
              "[Oth1]\r\nSource=%Installer%extra.txt\r\nDest=%Dest%\\deep\\er\\extra.txt\r\n"
              "[Oth2]\r\nSource=%Installer%extra.txt\r\nDest=%Dest%\\existing.txt\r\n"
              "[Ini1]\r\nFile=%Dest%\\app.ini\r\nSection=Main\r\nValue=Home\r\nData=%Dest%\r\n"
              "[Reg1]\r\nRoot=HKEY_CURRENT_USER\r\nKey=Software\\KvSequenceTest\r\nValue=Path\r\nType=0\r\nData=%Dest%\\app.exe\r\n"
              "[Reg2]\r\nRoot=hkcu\r\nKey=Software\\KvSequenceTest\r\nValue=Size\r\nType=1\r\nData=0x10\r\n"
              "[Lnk1]\r\nLinkName=%Dest%\\Group\\Demo.lnk\r\nFileName=%Dest%\\a.txt\r\n"
              "[un_exe]\r\nCount=1\r\nexe1=%Dest%\\cleanup.exe /quiet\r\n");
  CreateDirectoryW((folder / L"Apps").c_str(), nullptr);
  CreateDirectoryW(destNoSlash.c_str(), nullptr);
  testsupport::WriteBytes(folder / L"Apps\\Demo\\existing.txt", "old");

  TSetupState state;
  Load(state);
  RecordingView view(dest);
  RunInstallation(state, view);

  EXPECT_EQ(state.DestFolder, destNoSlash);
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\a.txt"), "alpha");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\sub\\c.txt"), "gamma");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\deep\\er\\extra.txt"), "extra");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\existing.txt"), "extra");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\Uninstall.exe"), "MZ-uninstaller");
  EXPECT_TRUE(testsupport::Exists(folder / L"Apps\\Demo\\Group\\Demo.lnk"));
  EXPECT_EQ(Read(destNoSlash + L"\\app.ini", L"Main", L"Home"), destNoSlash);
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kRegKey, L"Path"), destNoSlash + L"\\app.exe");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), L"Demo Tool 1.0");

  // The uninstall list, key by key.
  std::wstring list = destNoSlash + L"\\Uninstall.ini";
  EXPECT_EQ(Read(list, L"files", L"Count"), L"5");
  std::map<std::wstring, std::wstring> files;
  for (int i = 1; i <= 5; ++i) files[Read(list, L"files", std::to_wstring(i))] = std::to_wstring(i);
  EXPECT_TRUE(files.count(destNoSlash + L"\\a.txt"));
  EXPECT_TRUE(files.count(destNoSlash + L"\\sub\\b.txt"));
  EXPECT_TRUE(files.count(destNoSlash + L"\\sub\\c.txt"));
  EXPECT_EQ(Read(list, L"files", L"4"), destNoSlash + L"\\deep\\er\\extra.txt");
  EXPECT_EQ(Read(list, L"files", L"5"), destNoSlash + L"\\Group\\Demo.lnk");
  EXPECT_EQ(Read(list, L"folders", L"Count"), L"2");
  EXPECT_EQ(Read(list, L"folders", L"1"), destNoSlash + L"\\sub");
  EXPECT_EQ(Read(list, L"folders", L"2"), destNoSlash + L"\\Group");
  EXPECT_EQ(Read(list, L"Ocx", L"Count"), L"0");
  EXPECT_EQ(Read(list, L"Reg1", L"Root"), L"HKEY_CURRENT_USER");
  EXPECT_EQ(Read(list, L"Reg2", L"Root"), L"hkcu");
  EXPECT_EQ(Read(list, L"Reg2", L"Key"), L"Software\\KvSequenceTest");
  EXPECT_EQ(Read(list, L"Reg2", L"Value"), L"Size");
  EXPECT_EQ(Read(list, L"Reg2", L"Data"), L"<missing>");
  EXPECT_EQ(Read(list, L"uninstall", L"RegCount"), L"2");
  EXPECT_EQ(Read(list, L"uninstall", L"AppName"), L"Demo Tool 1.0");
  EXPECT_EQ(Read(list, L"uninstall", L"LinkText"), L"Demo on the web");
  EXPECT_EQ(Read(list, L"uninstall", L"LinkUrl"), L"http://example.invalid/demo");
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(Read(list, L"language", std::to_wstring(i)), L"T" + std::to_wstring(29 + i));
  EXPECT_EQ(Read(list, L"exe", L"Count"), L"1");
  EXPECT_EQ(Read(list, L"exe", L"exe1"), destNoSlash + L"\\cleanup.exe /quiet");

  // What the user saw.
  EXPECT_EQ(view.progressTitle, L"T18");
  ASSERT_GE(view.statuses.size(), 4u);
  EXPECT_EQ(view.statuses.front(), L"T19");
  EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(), L"Copying b.txt"), view.statuses.end());
  EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(), L"Copying " + destNoSlash + L"\\deep\\er\\extra.txt"),
            view.statuses.end());
  EXPECT_EQ(view.maximums.front(), 3);
  EXPECT_EQ(view.singlePumps, 1);
  EXPECT_EQ(view.finishTitle, L"T25");
  EXPECT_EQ(view.finishText, L"Demo Tool 1.0 is ready.");
  EXPECT_EQ(view.closeCaption, L"T29");
  EXPECT_FALSE(view.restartOffered);
  EXPECT_TRUE(state.Finished);
  EXPECT_FALSE(state.CopyFailed);
}

// The uninstaller deletes what the list names: a value of a type that writes nothing, and a
// value (also a key's default value) that was there before, are not the installation's own.
TEST_F(Installation, ListsOnlyRegistryValuesItMade) {
  WriteScript("CreateUninst=1\r\nRegCount=5\r\n",
              "[Reg1]\r\nKey=Software\\KvSequenceTest\r\nValue=Keep\r\nType=5\r\nData=x\r\n"
              "[Reg2]\r\nKey=Software\\KvSequenceTest\r\nValue=\r\nType=0\r\nData=mine\r\n"
              "[Reg3]\r\nKey=Software\\KvSequenceTest\r\nValue=Name\r\nType=0\r\nData=mine\r\n"
              "[Reg4]\r\nKey=Software\\KvSequenceTest\r\nValue=New\r\nType=1\r\nData=3\r\n"
              "[Reg5]\r\nKey=Software\\KvSequenceTest\r\nValue=Seven\r\nType=7\r\nData=x\r\n");
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const wchar_t* name : {L"Keep", L"", L"Name"})
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"theirs"), 14);
  RegCloseKey(key);

  TSetupState state;
  Load(state);
  RecordingView view(dest);
  RunInstallation(state, view);

  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kRegKey, L"Name"), L"mine");
  const std::wstring list = destNoSlash + L"\\Uninstall.ini";
  for (const wchar_t* section : {L"Reg1", L"Reg2", L"Reg3", L"Reg5"})
    EXPECT_EQ(Read(list, section, L"Key"), L"<missing>") << std::string(section, section + 4);
  EXPECT_EQ(Read(list, L"Reg4", L"Value"), L"New");
  EXPECT_EQ(Read(list, L"uninstall", L"RegCount"), L"5");
}

TEST_F(Installation, FailedTreeCopyWithRestartShowsTheFailureTexts) {
  WriteScript("Reboot=1\r\n", "");
  CreateDirectoryW((folder / L"Apps").c_str(), nullptr);
  CreateDirectoryW(destNoSlash.c_str(), nullptr);
  testsupport::WriteBytes(folder / L"Apps\\Demo\\a.txt", "already there");

  TSetupState state;
  Load(state);
  RecordingView view(dest);
  RunInstallation(state, view);

  EXPECT_TRUE(state.CopyFailed);
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\a.txt"), "already there");
  EXPECT_EQ(view.finishTitle, L"Demo Tool 1.0 failed");
  EXPECT_EQ(view.finishText, L"Failed.");
  EXPECT_TRUE(view.restartOffered);
  EXPECT_EQ(view.restartCaption, L"T28");
  // Nothing for an uninstaller was asked for, so nothing of it is left.
  EXPECT_FALSE(testsupport::Exists(folder / L"Apps\\Demo\\Uninstall.ini"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Apps\\Demo\\Uninstall.exe"));
}

TEST_F(Installation, MissingSourceFolderCountsNothingAndStillFinishes) {
  WriteScript("CreateUninst=1\r\n", "");
  TSetupState state;
  Load(state);
  state.SourceFolder = kit + L"\\no-such-folder";
  RecordingView view(dest);
  RunInstallation(state, view);
  EXPECT_EQ(view.maximums.front(), 0);
  EXPECT_EQ(Read(destNoSlash + L"\\Uninstall.ini", L"files", L"Count"), L"0");
  EXPECT_EQ(Read(destNoSlash + L"\\Uninstall.ini", L"exe", L"Count"), L"0");
  EXPECT_EQ(view.finishTitle, L"T25");
}

}  // namespace
}  // namespace bramlow
