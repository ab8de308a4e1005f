#include <gtest/gtest.h>
#include <windows.h>

#include "bramlow/actions/entries/run_program.h"
#include "bramlow/actions/entries/step_log.h"
#include "test_support.h"

namespace bramlow {
namespace {

using testing::ProgramFolder;
using testing::RecordingHost;
using testing::ScratchFolder;

// What the probe program reported about its start.
struct ProbeReport {
  std::wstring commandLine, folder;
  unsigned flags = 0, show = 0;
};

std::wstring Field(const std::wstring& text, const std::wstring& name) {
  const auto start = text.find(name + L"=");
  if (start == std::wstring::npos) return {};
  const auto valueStart = start + name.size() + 1;
  return text.substr(valueStart, text.find(L'\n', valueStart) - valueStart);
}

ProbeReport ReadReport(const std::wstring& path) {
  const std::string bytes = testing::ReadBytes(path);
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                          bytes.size() / sizeof(wchar_t));
  ProbeReport report;
  report.commandLine = Field(text, L"cmdline");
  report.folder = Field(text, L"cwd");
  report.flags = static_cast<unsigned>(_wtoi(Field(text, L"flags").c_str()));
  report.show = static_cast<unsigned>(_wtoi(Field(text, L"show").c_str()));
  return report;
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!testing::FileExists(path)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

class RunProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe = ProgramFolder() + L"actions_probe.exe";
    ASSERT_TRUE(testing::FileExists(probe));
    report = scratch / L"report.txt";
    SetEnvironmentVariableW(L"KV_PROBE_OUT", report.c_str());
    SetEnvironmentVariableW(L"KV_PROBE_SLEEP", nullptr);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    previousFolder = folder;
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousFolder.c_str());
    SetEnvironmentVariableW(L"KV_PROBE_OUT", nullptr);
    SetEnvironmentVariableW(L"KV_PROBE_SLEEP", nullptr);
  }
  ScratchFolder scratch;
  std::wstring probe, report, previousFolder;
  RecordingHost host;
};

TEST_F(RunProgramTest, StartsHiddenByDefaultWithItsArgumentsInTheCurrentFolder) {
  ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
  const std::wstring commandLine = L"\"" + probe + L"\" /silent \"two words\"";
  RunProgram(commandLine, L"", true, host);
  ASSERT_TRUE(testing::FileExists(report));
  const ProbeReport got = ReadReport(report);
  EXPECT_EQ(got.commandLine, commandLine);
  EXPECT_EQ(_wcsicmp(got.folder.c_str(), scratch.Path().c_str()), 0)
      << std::string(got.folder.begin(), got.folder.end());
  EXPECT_TRUE(got.flags & STARTF_USESHOWWINDOW);
  EXPECT_EQ(got.show, static_cast<unsigned>(SW_HIDE));
}

TEST_F(RunProgramTest, NormalInAnyCaseShowsWithoutActivating) {
  RunProgram(L"\"" + probe + L"\"", L"normal", true, host);
  ASSERT_TRUE(testing::FileExists(report));
  EXPECT_EQ(ReadReport(report).show, static_cast<unsigned>(SW_SHOWNOACTIVATE));
}

TEST_F(RunProgramTest, MaximizeAndMinimizeReachTheProgram) {
  RunProgram(L"\"" + probe + L"\"", L"Maximize", true, host);
  ASSERT_TRUE(testing::FileExists(report));
  EXPECT_EQ(ReadReport(report).show, static_cast<unsigned>(SW_SHOWMAXIMIZED));
  DeleteFileW(report.c_str());
  RunProgram(L"\"" + probe + L"\"", L"MINIMIZE", true, host);
  ASSERT_TRUE(testing::FileExists(report));
  EXPECT_EQ(ReadReport(report).show, static_cast<unsigned>(SW_MINIMIZE));
}

int g_timerTicks = 0;
LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) ++g_timerTicks;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(RunProgramTest, WaitingKeepsTheWindowHandlingItsMessages) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = CountingWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KvActionsWaitTest";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"KvActionsWaitTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  SetTimer(window, 1, 20, nullptr);
  g_timerTicks = 0;
  host.dispatchMessages = true;
  SetEnvironmentVariableW(L"KV_PROBE_SLEEP", L"600");

  const DWORD start = GetTickCount();
  RunProgram(L"\"" + probe + L"\"", L"", true, host);
  const DWORD elapsed = GetTickCount() - start;
  KillTimer(window, 1);
  DestroyWindow(window);

  EXPECT_GE(elapsed, 500u) << "returned before the program ended";
  EXPECT_GE(host.pumpCalls, 5);
  EXPECT_GT(g_timerTicks, 0) << "no timer message was handled during the wait";
}

TEST_F(RunProgramTest, WithoutWaitReturnsAtOnce) {
  // Told by the probe's end mark rather than by the clock: starting a program alone can take
  // over a second where the 32-bit build runs under an emulator.
  SetEnvironmentVariableW(L"KV_PROBE_SLEEP", L"1500");
  RunProgram(L"\"" + probe + L"\"", L"", false, host);
  EXPECT_FALSE(testing::FileExists(report + L".end")) << "waited for the program to end";
  EXPECT_EQ(host.pumpCalls, 0);
  EXPECT_TRUE(WaitForFile(report, 5000)) << "the program was not started";
  EXPECT_TRUE(WaitForFile(report + L".end", 10000));
}

// A run killed while it waits must leave a log naming the program it waited for.
class LogReadingHost : public RecordingHost {
 public:
  void ProcessPendingMessages() override {
    if (pumpCalls == 0) duringWait = testing::ReadBytes(log);
    RecordingHost::ProcessPendingMessages();
  }
  std::wstring log;
  std::string duringWait;
};

TEST_F(RunProgramTest, TheProgramWaitedForIsLoggedBeforeTheWaitAndItsEndAfter) {
  LogReadingHost reading;
  reading.log = scratch / L"steps.log";
  DWORD error = 0;
  ASSERT_TRUE(Steps().Open(reading.log, error));
  SetEnvironmentVariableW(L"KV_PROBE_SLEEP", L"300");
  const std::wstring command = L"\"" + probe + L"\"";
  RunProgram(command, L"", true, reading);
  Steps().Close();
  const std::string step = "run " + std::string(command.begin(), command.end());
  EXPECT_EQ(reading.duringWait, step + ": started, waiting for it to end\r\n");
  EXPECT_EQ(testing::ReadBytes(reading.log),
            step + ": started, waiting for it to end\r\n" + step + ": ended with exit code 0\r\n");
}

// %Dest%\tool.exe with a space in %Dest%: the system alone would start "...\My.exe" first. A
// path written without ".exe" starts the program as process creation completes it.
TEST_F(RunProgramTest, AnUnquotedPathWithSpacesStartsTheFileItNames) {
  const std::wstring tools = scratch / L"My Tools";
  CreateDirectoryW(tools.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(probe.c_str(), (tools + L"\\tool.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(probe.c_str(), (scratch / L"My.exe").c_str(), FALSE));
  for (const std::wstring& program : {tools + L"\\tool.exe", tools + L"\\tool"}) {
    DeleteFileW(report.c_str());
    RunProgram(program + L" /x", L"", true, host);
    ASSERT_TRUE(WaitForFile(report, 5000));
    EXPECT_EQ(ReadReport(report).commandLine, L"\"" + program + L"\" /x");
  }
}

// Every program that is not started has its line in the log, with the reason; none waits.
TEST_F(RunProgramTest, AProgramThatCannotStartIsLoggedWithTheReason) {
  const std::wstring tools = scratch / L"My Tools";
  CreateDirectoryW(tools.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(probe.c_str(), (scratch / L"My.exe").c_str(), FALSE));
  testing::WriteBytes(scratch / L"readme.txt", "text");
  const std::wstring log = scratch / L"steps.log";
  DWORD error = 0;
  ASSERT_TRUE(Steps().Open(log, error));
  const struct {
    std::wstring commandLine;
    std::string reason;  // a part of the logged reason
  } cases[] = {
      {L"\"" + (scratch / L"missing.exe") + L"\" /x", "(2))"},
      {scratch / L"missing", "(2))"},
      {scratch / L"readme.txt", "(193))"},
      {tools + L"\\gone.exe /x", "My.exe, which the system would start instead, is not started)"},
      {L"", "(an empty command line)"},
  };
  for (const auto& c : cases) RunProgram(c.commandLine, L"", true, host);
  Steps().Close();
  const std::string text = testing::ReadBytes(log);
  size_t at = 0;
  for (const auto& c : cases) {
    const std::string line =
        "run " + std::string(c.commandLine.begin(), c.commandLine.end()) + ": not started (";
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << text;
    const size_t end = text.find("\r\n", at);
    EXPECT_NE(text.substr(at, end - at).find(c.reason), std::string::npos)
        << text.substr(at, end - at);
    at = end;
  }
  EXPECT_EQ(host.pumpCalls, 0);
  EXPECT_FALSE(testing::FileExists(report)) << "My.exe was started";
}

}  // namespace
}  // namespace bramlow
