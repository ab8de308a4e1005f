// Installing without a window: the fixed answers, the log, the exit code, and the silent run
// on a small kit in a scratch folder.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "bramlow/actions/entries/step_log.h"
#include "bramlow/logged_prompt.h"
#include "bramlow/setup_exit.h"
#include "bramlow/silent_setup.h"
#include "bramlow/state/destination_check.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"
#include "ui/user_prompt.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace bramlow {
namespace {

constexpr const wchar_t* kRegKey = L"Software\\KvSilentTest";

TEST(FixedAnswer, IsTheDefaultButtonButNeverRetry) {
  EXPECT_EQ(FixedAnswer(MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(FixedAnswer(MB_YESNO | MB_ICONINFORMATION), IDYES);
  EXPECT_EQ(FixedAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(FixedAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(FixedAnswer(MB_OKCANCEL | MB_DEFBUTTON4), IDOK)
      << "a default beyond the buttons is the first";
  EXPECT_EQ(FixedAnswer(MB_RETRYCANCEL), IDCANCEL);
  EXPECT_EQ(FixedAnswer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDIGNORE);
  EXPECT_EQ(FixedAnswer(MB_CANCELTRYCONTINUE | MB_DEFBUTTON2), IDCONTINUE);
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Steps().Close();
    DWORD error = 0;
    ASSERT_TRUE(Steps().Open(log, error)) << error;
  }
  void TearDown() override { Steps().Close(); }

  // Read while the log is still open for writing, as somebody watching it would.
  std::string Log() const {
    winbase::FileHandle file(CreateFileW(log.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got)
      bytes.append(buffer, got);
    return bytes;
  }
  bool Logged(const std::string& utf8) const { return Log().find(utf8) != std::string::npos; }

  testsupport::ScratchFolder folder;
  std::wstring log = folder / L"setup.log";
};

TEST_F(LogFile, IsUtf8WithOneLinePerStepAndTheSystemsReason) {
  // A run of breaks (an empty line of a message) is one separator.
  Steps().Line(L"язык Русский:\r\nok\nnext\r\n\r\nlast");
  Steps().Result(L"step one", true);
  Steps().Copy(L"C:\\a", L"C:\\b", false, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Steps().FailedCopies(), 1);
  const std::string text = Log();
  EXPECT_EQ(text.substr(0, text.find("\r\n")),
            "\xD1\x8F\xD0\xB7\xD1\x8B\xD0\xBA \xD0\xA0\xD1\x83\xD1\x81\xD1\x81"
            "\xD0\xBA\xD0\xB8\xD0\xB9: / ok / next / last");
  EXPECT_NE(text.find("\r\nstep one: ok\r\ncopy C:\\a -> C:\\b: failed ("), std::string::npos);
  EXPECT_NE(text.find("(5))\r\n"), std::string::npos) << text;
  EXPECT_FALSE(Steps().WriteFailed());
}

TEST_F(LogFile, AFileThatCannotBeCreatedIsReported) {
  StepLog other;
  DWORD error = 0;
  EXPECT_FALSE(other.Open(folder / L"missing\\setup.log", error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(LogFile, UnattendedPromptAnswersByItselfAndLogsQuestionAndAnswer) {
  LoggedPrompt silent(nullptr, Steps());
  EXPECT_EQ(silent.Box(L"Close setup?\r\nReally?", L"Demo Setup", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_TRUE(silent.Ask({L"Own", L"Go on?"}));
  EXPECT_TRUE(Logged("message \"Demo Setup\": Close setup? / Really? -> No (unattended)\r\n"));
  EXPECT_TRUE(Logged("message \"Own\": Go on? -> OK (unattended)\r\n"));

  // With somebody there, the box is really asked and their answer logged.
  ui::ScriptedPrompt person;
  person.AnswerBox(IDCANCEL);
  LoggedPrompt shown(&person, Steps());
  EXPECT_EQ(shown.OwnedBox(nullptr, L"Disk full", L"Demo", MB_OKCANCEL), IDCANCEL);
  ASSERT_EQ(person.Asked().size(), 1u);
  EXPECT_EQ(person.Asked()[0].text, L"Disk full");
  EXPECT_TRUE(Logged("message \"Demo\": Disk full -> Cancel\r\n"));
}

TEST(SetupOutcome, FollowsThePageTheFailuresAndTheRestart) {
  TSetupState state;
  state.Finished = true;  // a refusal and a cancel set it too
  EXPECT_EQ(SetupOutcome(state, 0, false, false), SetupExit::Refused);
  state.PageStep = 3;
  EXPECT_EQ(SetupOutcome(state, 0, false, false), SetupExit::Installed);
  EXPECT_EQ(SetupOutcome(state, 1, false, false), SetupExit::Failed)
      << "a single file that was not copied";
  EXPECT_EQ(SetupOutcome(state, 0, true, false), SetupExit::Failed) << "a log line lost";
  state.Reboot = true;
  EXPECT_EQ(SetupOutcome(state, 0, false, false), SetupExit::RestartWanted);
  EXPECT_EQ(SetupOutcome(state, 0, false, true), SetupExit::Installed) << "the restart was started";
  state.CopyFailed = true;
  EXPECT_EQ(SetupOutcome(state, 0, false, false), SetupExit::Failed);
  state.PageStep = 2;
  state.Finished = false;
  EXPECT_EQ(SetupOutcome(state, 0, true, false), SetupExit::Failed)
      << "an unwritable log fails even a cancel";
  EXPECT_EQ(OutcomeLine(SetupExit::RestartWanted),
            L"result: installed, restart needed (exit code 3010)");
}

// A kit with two languages, a tree of two files, one single file, an INI entry and a value.
class SilentKit : public LogFile {
 protected:
  void SetUp() override {
    LogFile::SetUp();
    kit = folder / L"kit\\";
    CreateDirectoryW(kit.c_str(), nullptr);
    CreateDirectoryW((kit + L"files").c_str(), nullptr);
    testsupport::WriteBytes(folder / L"kit\\files\\a.txt", "alpha");
    testsupport::WriteBytes(folder / L"kit\\files\\b.txt", "beta");
    testsupport::WriteBytes(folder / L"kit\\setup.dat", "MZ-uninstaller");
    testsupport::WriteBytes(
        folder / L"kit\\English.qxl",
        "[language]\r\n10=%s needs NT.\r\n20=Copying %s\r\n26=%s is ready.\r\n");
    testsupport::WriteBytes(folder / L"kit\\Deutsch.qxl", "[language]\r\n26=%s ist fertig.\r\n");
    dest = folder / L"Apps\\Demo";
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegKey);
    WriteScript("");
  }
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegKey);
    LogFile::TearDown();
  }

  void WriteScript(const std::string& setup1Extra) {
    std::string destination;
    for (wchar_t c : folder / L"Default") destination += static_cast<char>(c);
    testsupport::WriteBytes(
        folder / L"kit\\setup.qx1",
        // The profile functions take the first of two equal keys: the changes go first.
        "[setup1]\r\n" + setup1Extra +
            "AppName=Demo 1.0\r\nWindowName=Demo Setup\r\nLinkName=Demo site\r\n"
            "DestFolder=" +
            destination +
            "\r\nSourceFolder=%Installer%files\r\nEditDest=1\r\n"
            "CreateUninst=1\r\nOverwrite=1\r\nOthCount=1\r\nIniCount=1\r\nRegCount=1\r\n"
            "[Oth1]\r\nSource=%Installer%files\\a.txt\r\nDest=%Dest%\\single\\a.txt\r\n"
            "[Ini1]\r\nFile=%Dest%\\app.ini\r\nSection=Main\r\nValue=Lang\r\nData=%Lang%\r\n"
            "[Reg1]\r\nRoot=HKEY_CURRENT_USER\r\nKey=Software\\KvSilentTest\r\nValue=Path\r\nType="
            "0\r\n"
            "Data=%Dest%\r\n");
  }

  SetupExit Run(const std::wstring& commandLine, unsigned long platformId = VER_PLATFORM_WIN32_NT) {
    LoggedPrompt silent(nullptr, Steps());
    ui::ScopedPrompt scope(silent);
    return RunSilentSetup(state, ParseSetupSwitches(commandLine), kit, platformId);
  }

  std::wstring kit, dest;
  TSetupState state;
};

TEST_F(SilentKit, InstallsWithTheLanguageAndFolderAskedForAndLogsEveryStep) {
  EXPECT_EQ(Run(L"/S /LANG=deutsch /D=" + dest), SetupExit::Installed);
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\b.txt"), "beta");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\single\\a.txt"), "alpha");
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\Uninstall.exe"), "MZ-uninstaller");
  EXPECT_TRUE(testsupport::Exists(folder / L"Apps\\Demo\\Uninstall.ini"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Default"));
  EXPECT_EQ(state.LangName, L"Deutsch");

  EXPECT_TRUE(Logged("language Deutsch: ok\r\n"));
  EXPECT_TRUE(Logged("install Demo 1.0 into " + winbase::ToUtf8(dest) + "\r\n"));
  EXPECT_TRUE(Logged("make folder " + winbase::ToUtf8(dest) + ": ok\r\n"));
  EXPECT_TRUE(Logged("copy " + winbase::ToUtf8(kit) + "files\\b.txt -> " + winbase::ToUtf8(dest) +
                     "\\b.txt: ok\r\n"));
  EXPECT_TRUE(Logged("make folder " + winbase::ToUtf8(dest) + "\\single: ok\r\n"));
  EXPECT_TRUE(
      Logged("INI entry [Main] Lang=Deutsch in " + winbase::ToUtf8(dest) + "\\app.ini: ok\r\n"));
  EXPECT_TRUE(Logged("registry value HKEY_CURRENT_USER\\Software\\KvSilentTest\\Path: ok\r\n"));
  EXPECT_TRUE(Logged("copy " + winbase::ToUtf8(kit) + "setup.dat -> " + winbase::ToUtf8(dest) +
                     "\\Uninstall.exe: ok\r\n"));
  EXPECT_TRUE(Logged("uninstall list " + winbase::ToUtf8(dest) +
                     "\\Uninstall.ini (3 files, 0 folders, 0 COM servers): ok"));
  EXPECT_FALSE(Logged("message")) << "nothing was asked";
}

TEST_F(SilentKit, WithoutSwitchesTakesThePreselectedLanguageAndTheScriptsFolder) {
  EXPECT_EQ(Run(L"/S"), SetupExit::Installed);
  EXPECT_TRUE(testsupport::Exists(folder / L"Default\\a.txt"));
  EXPECT_FALSE(state.LangName.empty());
}

TEST_F(SilentKit, RefusesWithoutInstallingAndSaysWhy) {
  EXPECT_EQ(Run(L"/S /LANG=Klingon"), SetupExit::Refused);
  EXPECT_TRUE(Logged("language Klingon: failed (no such language file)\r\n"));
  EXPECT_EQ(Run(L"/S /D=relative\\folder"), SetupExit::Refused);
  EXPECT_TRUE(Logged("destination relative\\folder: failed (not a full path)\r\n"));
  WriteScript("OnlyNT=2\r\n");
  EXPECT_EQ(Run(L"/S /LANG=English", VER_PLATFORM_WIN32_WINDOWS), SetupExit::Refused);
  EXPECT_TRUE(Logged("message \"Demo Setup\": Demo 1.0 needs NT. -> OK (unattended)\r\n"));
  DeleteFileW((kit + L"English.qxl").c_str());
  DeleteFileW((kit + L"Deutsch.qxl").c_str());
  EXPECT_EQ(Run(L"/S"), SetupExit::Refused);
  EXPECT_TRUE(Logged("language: failed (no language file beside the engine)\r\n"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Default"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Apps"));
}

// The folder page's checks, and the characters an unquoted /D= takes in when it is not last:
// each is refused before anything is written (exit code 2), with the reason in the log.
TEST_F(SilentKit, RefusesADestinationTheFolderPageWouldRefuse) {
  const DWORD drives = GetLogicalDrives();
  wchar_t missing = L'Z';
  while (missing > L'D' && (drives & (1u << (missing - L'A')))) --missing;
  const std::wstring missingDrive = std::wstring(1, missing) + L":\\Apps\\Demo";
  const std::wstring share = L"\\\\no-such-server-kv\\share\\Demo";
  const std::string d = winbase::ToUtf8(dest);
  const std::string kDeviceOrTrimmed =
      "a folder name Windows takes for a device or shortens (NUL, COM1, a trailing dot or space)";
  const std::string kSystems = "a drive's root or the Windows folder itself";
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::string w = winbase::ToUtf8(windows);
  const std::wstring other = folder / L"Other";
  CreateDirectoryW(other.c_str(), nullptr);
  testsupport::WriteBytes(other + L"\\Uninstall.ini", "[uninstall]\r\nAppName=Other 2.0\r\n");
  const std::wstring tooLong = dest + L"\\" + std::wstring(kLongestDestination, L'x');
  const struct {
    std::wstring commandLine;
    std::string logged;  // the line's destination and reason
  } cases[] = {
      {L"/S /D=" + missingDrive,
       winbase::ToUtf8(missingDrive) + ": failed (no such drive or share)"},
      {L"/S /D=" + share, winbase::ToUtf8(share) + ": failed (no such drive or share)"},
      {L"/S \"/D=" + dest + L"\u4E2D\"",
       d + "\xE4\xB8\xAD: failed (a character the ANSI code page cannot hold)"},
      {L"/S /D=" + dest + L" /LOG=\"C:\\q.log\"",
       d + " /LOG=\"C:\\q.log\": failed (a character no path may hold: \")"},
      {L"/S /D=" + dest + L" /LOG=C:\\q.log",
       d + " /LOG=C:\\q.log: failed (a character no path may hold: :)"},
      {L"/S \"/D=" + dest + L"\\a*b\"", d + "\\a*b: failed (a character no path may hold: *)"},
      {L"/S \"/D=" + dest + L"\\a\tb\"",
       d + "\\a\tb: failed (a control character (code 9) no path may hold)"},
      {L"/S /D=", ": failed (not a full path)"},
      {L"/S /D=" + dest + L"\\NUL", d + "\\NUL: failed (" + kDeviceOrTrimmed + ")"},
      {L"/S /D=" + dest + L"\\com1.txt\\app",
       d + "\\com1.txt\\app: failed (" + kDeviceOrTrimmed + ")"},
      {L"/S \"/D=" + dest + L"\\trail. \"", d + "\\trail. : failed (" + kDeviceOrTrimmed + ")"},
      {L"/S /D=C:\\", "C:\\: failed (" + kSystems + ")"},
      {L"/S /D=C:\\Apps\\..", "C:\\Apps\\..: failed (" + kSystems + ")"},
      {L"/S /D=" + std::wstring(windows) + L"\\", w + "\\: failed (" + kSystems + ")"},
      {L"/S /D=" + other,
       winbase::ToUtf8(other) + ": failed (it holds the uninstall list of another application)"},
      {L"/S /D=" + tooLong, winbase::ToUtf8(tooLong) +
                                ": failed (a path too long for the installation's files (at most " +
                                std::to_string(kLongestDestination) + " characters))"},
  };
  for (const auto& c : cases) {
    const std::string shown = winbase::ToUtf8(c.commandLine);
    state = TSetupState{};
    EXPECT_EQ(Run(c.commandLine), SetupExit::Refused) << shown;
    EXPECT_TRUE(Logged("destination " + c.logged + "\r\n")) << shown;
  }
  state = TSetupState{};
  EXPECT_EQ(Run(L"/S /LANG= /D=" + dest), SetupExit::Refused);
  EXPECT_TRUE(Logged("language (none given): failed (no such language file)\r\n"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Apps"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Default"));
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kRegKey, 0, KEY_READ, &key), ERROR_SUCCESS)
      << "no value written";
  if (key) RegCloseKey(key);
}

// The uninstaller refuses entries with ".." in them, and folders are made at backslashes: the
// destination is resolved before anything is listed or made.
TEST_F(SilentKit, ADestinationIsResolvedBeforeItIsUsed) {
  std::wstring slashed = dest + L"\\..\\Other";
  for (wchar_t& c : slashed)
    if (c == L'\\') c = L'/';
  EXPECT_EQ(Run(L"/S /D=" + slashed), SetupExit::Installed);
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Other\\b.txt"), "beta");
  const std::string list = testsupport::ReadBytes(folder / L"Apps\\Other\\Uninstall.ini");
  const std::string other = winbase::Narrow(folder / L"Apps\\Other\\b.txt");
  EXPECT_NE(list.find(other), std::string::npos) << list;
  EXPECT_EQ(list.find(".."), std::string::npos) << list;
  EXPECT_EQ(list.find('/'), std::string::npos) << list;
}

TEST_F(SilentKit, AFixedDestinationIgnoresTheSwitch) {
  WriteScript("EditDest=0\r\n");
  EXPECT_EQ(Run(L"/S /D=" + dest), SetupExit::Installed);
  EXPECT_TRUE(testsupport::Exists(folder / L"Default\\a.txt"));
  EXPECT_FALSE(testsupport::Exists(folder / L"Apps"));
  EXPECT_TRUE(Logged("destination " + winbase::ToUtf8(dest) +
                     ": ignored (the kit's destination is fixed)\r\n"));
}

TEST_F(SilentKit, AFailedCopyFailsTheRunAndARestartIsOnlyAskedFor) {
  WriteScript("Overwrite=0\r\nReboot=1\r\n");
  CreateDirectoryW((folder / L"Apps").c_str(), nullptr);
  CreateDirectoryW(dest.c_str(), nullptr);
  testsupport::WriteBytes(folder / L"Apps\\Demo\\a.txt", "old");
  EXPECT_EQ(Run(L"/S /D=" + dest), SetupExit::Failed);
  EXPECT_EQ(testsupport::ReadBytes(folder / L"Apps\\Demo\\a.txt"), "old");
  EXPECT_TRUE(Logged("copy " + winbase::ToUtf8(kit) + "files\\a.txt -> " + winbase::ToUtf8(dest) +
                     "\\a.txt: failed ("));

  testsupport::RemoveTree(dest);
  Steps().Close();
  DWORD error = 0;
  ASSERT_TRUE(Steps().Open(log, error));
  state = TSetupState{};
  EXPECT_EQ(Run(L"/S /D=" + dest), SetupExit::RestartWanted) << "never a restart by itself";
}

}  // namespace
}  // namespace bramlow
