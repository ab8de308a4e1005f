#include "bramlow/actions/entries/run_program.h"

#include <vector>

#include "bramlow/actions/entries/command_line.h"
#include "bramlow/actions/entries/show_command.h"
#include "bramlow/actions/entries/step_log.h"
#include "winbase/handles.h"

namespace bramlow {

void WaitKeepingWindowAlive(HANDLE process, IActionHost& host) {
  while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT) host.ProcessPendingMessages();
}

void LogExitCode(const std::wstring& step, HANDLE process) {
  DWORD code = 0;
  if (GetExitCodeProcess(process, &code))
    Steps().Line(step + L": ended with exit code " + std::to_wstring(code));
  else
    Steps().Line(step + L": ended, exit code unknown");
}

void RunProgram(const std::wstring& commandLine, const std::wstring& runType, bool wait,
                IActionHost& host) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(ShowCommandFor(RunWay::Process, runType));
  // An unquoted path with spaces must start the file it names, not a "C:\Program.exe".
  const ResolvedCommand resolved = ResolveCommandLine(commandLine);
  if (!resolved.launch) {
    Steps().Line(L"run " + commandLine + L": not started (" + resolved.whyNot + L")");
    return;
  }
  const ProgramLaunch& launch = *resolved.launch;
  // CreateProcessW may write into the command line, so it gets a private copy.
  std::vector<wchar_t> mutableLine(launch.commandLine.begin(), launch.commandLine.end());
  mutableLine.push_back(L'\0');
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(launch.application.empty() ? nullptr : launch.application.c_str(),
                      mutableLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                      nullptr, nullptr, &startup, &started)) {
    const DWORD error = GetLastError();
    Steps().Line(L"run " + commandLine + L": not started (" +
                 ReasonText(error, launch.application) + L")");
    return;
  }
  winbase::ProcessHandle process(started.hProcess);
  winbase::KernelHandle thread(started.hThread);
  if (!wait) {
    Steps().Line(L"run " + commandLine + L": started");
    return;
  }
  // Written before the wait: a run killed while it waits leaves a log naming what it waited for.
  Steps().Line(L"run " + commandLine + L": started, waiting for it to end");
  WaitKeepingWindowAlive(process.get(), host);
  LogExitCode(L"run " + commandLine, process.get());
}

}  // namespace bramlow
