#include <gtest/gtest.h>
#include <windows.h>

#include "bramlow/actions/entries/close_gate.h"
#include "bramlow/actions/entries/program_entry.h"
#include "bramlow/actions/entries/restart_computer.h"
#include "bramlow/actions/entries/error_wording.h"
#include "bramlow/actions/entries/shell_run.h"
#include "bramlow/actions/entries/step_log.h"
#include "winbase/system_error_text.h"
#include "test_support.h"
#include "ui/user_prompt.h"

namespace bramlow {
namespace {

using testing::FileExists;
using testing::ProgramFolder;
using testing::RecordingHost;
using testing::ScratchFolder;

std::wstring ReportField(const std::wstring& path, const std::wstring& name) {
  const std::string bytes = testing::ReadBytes(path);
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                          bytes.size() / sizeof(wchar_t));
  const auto start = text.find(name + L"=");
  if (start == std::wstring::npos) return L"<none>";
  const auto value = start + name.size() + 1;
  return text.substr(value, text.find(L'\n', value) - value);
}

class ShellRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report = scratch / L"report.txt";
    SetEnvironmentVariableW(L"KV_PROBE_OUT", report.c_str());
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    previousFolder = folder;
    // The probe is run from a folder of its own so its working folder tells where it started.
    probe = scratch / L"bin\\probe.exe";
    CreateDirectoryW((scratch / L"bin").c_str(), nullptr);
    CopyFileW((ProgramFolder() + L"actions_probe.exe").c_str(), probe.c_str(), FALSE);
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousFolder.c_str());
    SetEnvironmentVariableW(L"KV_PROBE_OUT", nullptr);
  }
  ScratchFolder scratch;
  RecordingHost host;
  ui::ScriptedPrompt prompt;
  ui::ScopedPrompt usePrompt{prompt};
  std::wstring report, previousFolder, probe;
};

TEST_F(ShellRunTest, AMissingFileIsToldOnceWithTheSystemText) {
  ShellRun(scratch / L"missing.txt", L"", true, host);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  const auto& told = prompt.Asked()[0];
  EXPECT_EQ(told.caption, L"Viewer Setup");
  EXPECT_EQ(told.flags & (MB_TYPEMASK | MB_ICONMASK), static_cast<UINT>(MB_OK));
  EXPECT_EQ(told.text, SystemErrorWording(ERROR_FILE_NOT_FOUND));
  ASSERT_FALSE(told.text.empty());
  EXPECT_NE(told.text.back(), L'.');
  EXPECT_NE(told.text.back(), L'\n');
  EXPECT_EQ(host.pumpCalls, 0);
}

// ERROR_BAD_EXE_FORMAT and ERROR_INVALID_ORDINAL name their file by an insert: it takes the
// file where one is known, and is left out where none is; never an English word in a text of
// the system's language.
TEST_F(ShellRunTest, SystemTextsLoseTheirTrailingStopBreaksAndRawInserts) {
  for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND,
                     ERROR_BAD_EXE_FORMAT, ERROR_INVALID_ORDINAL}) {
    const std::wstring text = SystemErrorWording(code);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find(L'%'), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_EQ(text.find(L"the file"), std::wstring::npos);
    EXPECT_EQ(text.find(L"  "), std::wstring::npos);
    EXPECT_LE(text.size(), 255u);
    const wchar_t last = text.back();
    EXPECT_TRUE(last != L'.' && last != L' ' && last != L'\r' && last != L'\n');
    const std::wstring named = SystemErrorWording(code, L"C:\\kv\\x.exe");
    const bool insert = winbase::SystemErrorText(code).find(L"%1") != std::wstring::npos;
    EXPECT_EQ(named.find(L"C:\\kv\\x.exe") != std::wstring::npos, insert);
    EXPECT_EQ(ReasonText(code, L"C:\\kv\\x.exe"), named + L" (" + std::to_wstring(code) + L")");
  }
}

TEST_F(ShellRunTest, OpensInTheFilesFolderShownNormallyAndWaits) {
  SetEnvironmentVariableW(L"KV_PROBE_SLEEP", L"400");
  ShellRun(probe, L"", true, host);
  SetEnvironmentVariableW(L"KV_PROBE_SLEEP", nullptr);
  ASSERT_TRUE(FileExists(report)) << "returned before the program had run";
  EXPECT_TRUE(prompt.Asked().empty());
  EXPECT_EQ(_wcsicmp(ReportField(report, L"cwd").c_str(), (scratch / L"bin").c_str()), 0);
  EXPECT_EQ(ReportField(report, L"show"), std::to_wstring(SW_SHOWNORMAL));
  EXPECT_GT(host.pumpCalls, 0);
}

TEST_F(ShellRunTest, HideReachesAShellStartedProgram) {
  ShellRun(probe, L"hide", true, host);
  ASSERT_TRUE(FileExists(report));
  EXPECT_EQ(ReportField(report, L"show"), std::to_wstring(SW_HIDE));
}

TEST_F(ShellRunTest, AProgramItemStartsInTheDestinationWithItsArgument) {
  testing::StateWithFiles files(scratch, "[Exe1]\r\nFile=%Dest%\\bin\\probe.exe /silent\r\n");
  files.state.DestFolder = scratch.Path();
  ActionContext context(files.state);
  ProgramEntry(1, context, host);
  // Not waited for: give the program a moment to report.
  for (int i = 0; i < 250 && !FileExists(report); ++i) Sleep(20);
  ASSERT_TRUE(FileExists(report));
  EXPECT_EQ(ReportField(report, L"cmdline"), scratch / L"bin\\probe.exe /silent");
  EXPECT_EQ(_wcsicmp(ReportField(report, L"cwd").c_str(), (scratch / L"bin").c_str()), 0);
  EXPECT_EQ(ReportField(report, L"show"), std::to_wstring(SW_HIDE));
}

TEST(ProgramFolder, IsTakenFromTheProgramPathOfTheCommandLine) {
  EXPECT_EQ(ProgramFolderOf(L"C:\\App\\setup2.exe /silent"), L"C:\\App\\");
  EXPECT_EQ(ProgramFolderOf(L"\"C:\\Program Files\\App\\setup.exe\" /log C:\\x\\y.log"),
            L"C:\\Program Files\\App\\");
  EXPECT_EQ(ProgramFolderOf(L"setup.exe"), L"");
  EXPECT_EQ(ProgramFolderOf(L"\"unterminated\\x.exe"), L"unterminated\\");
}

TEST(CloseGate, AcloseDuringTheWorkWaitsForItsEnd) {
  CloseGate gate;
  EXPECT_TRUE(gate.RequestClose());
  EXPECT_FALSE(gate.TakeDeferredClose());
  {
    CloseGate::Work outer(gate);
    {
      CloseGate::Work inner(gate);
      EXPECT_FALSE(gate.RequestClose());
    }
    EXPECT_TRUE(gate.Busy());
    EXPECT_FALSE(gate.TakeDeferredClose()) << "still working";
  }
  EXPECT_FALSE(gate.Busy());
  EXPECT_TRUE(gate.TakeDeferredClose());
  EXPECT_FALSE(gate.TakeDeferredClose()) << "the note is taken once";
}

bool ShutdownPrivilegeEnabled(bool disableFirst) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, &token))
    return false;
  LUID shutdown{};
  LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown);
  if (disableFirst) {
    TOKEN_PRIVILEGES off{1, {{shutdown, 0}}};
    AdjustTokenPrivileges(token, FALSE, &off, 0, nullptr, nullptr);
  }
  PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {{shutdown, 0}}};
  BOOL enabled = FALSE;
  PrivilegeCheck(token, &wanted, &enabled);
  CloseHandle(token);
  return enabled != FALSE;
}

TEST(Restart, TheShutdownPrivilegeIsEnabledInTheOwnToken) {
  ASSERT_FALSE(ShutdownPrivilegeEnabled(true))
      << "the privilege could not be switched off to start with";
  ASSERT_TRUE(EnableShutdownPrivilege());
  EXPECT_TRUE(ShutdownPrivilegeEnabled(false));
}

}  // namespace
}  // namespace bramlow
