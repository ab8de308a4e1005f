#include "program_entry.h"

#include <vector>

#include "paths.h"
#include "winbase/handles.h"

namespace uninstall {

std::optional<ProgramLaunch> ResolveProgramEntry(const std::wstring& entry) {
  const size_t start = entry.find_first_not_of(L" \t\"");
  if (start == std::wstring::npos) return std::nullopt;
  if (IsNetworkPath(entry.substr(start))) return std::nullopt;
  std::optional<ProgramLaunch> launch = bramlow::ResolveCommandLine(entry);
  if (launch && IsNetworkPath(launch->application)) return std::nullopt;
  return launch;
}

ProgramOutcome RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                               const std::function<bool(DWORD waitedMs)>& keepWaiting, DWORD* exitCode) {
  std::optional<ProgramLaunch> launch = ResolveProgramEntry(entry);
  if (!launch) return ProgramOutcome::NotStarted;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::vector<wchar_t> line(launch->commandLine.begin(), launch->commandLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(launch->application.empty() ? nullptr : launch->application.c_str(), line.data(),
                      nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return ProgramOutcome::NotStarted;
  winbase::KernelHandle thread(started.hThread);
  winbase::ProcessHandle process(started.hProcess);
  auto ended = [&] {
    if (exitCode && !GetExitCodeProcess(process.get(), exitCode)) *exitCode = static_cast<DWORD>(-1);
    return ProgramOutcome::Ended;
  };
  for (DWORD waited = sliceMs;; waited += sliceMs) {
    if (WaitForSingleObject(process.get(), sliceMs) != WAIT_TIMEOUT) return ended();
    if (!keepWaiting || !keepWaiting(waited)) {
      // It may have ended while the user was being asked.
      return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT ? ProgramOutcome::LeftRunning : ended();
    }
  }
}

}  // namespace uninstall
