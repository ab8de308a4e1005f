#include "program_entry.h"

#include <vector>

#include "bramlow/actions/entries/step_log.h"
#include "paths.h"
#include "winbase/handles.h"

namespace uninstall {

bramlow::ResolvedCommand ResolveProgramEntry(const std::wstring& entry) {
  constexpr wchar_t kNetwork[] = L"a program over the network";
  const size_t start = entry.find_first_not_of(L" \t\"");
  if (start != std::wstring::npos && IsNetworkPath(entry.substr(start)))
    return {std::nullopt, kNetwork};
  bramlow::ResolvedCommand resolved = bramlow::ResolveCommandLine(entry);
  if (resolved.launch && IsNetworkPath(resolved.launch->application))
    return {std::nullopt, kNetwork};
  return resolved;
}

ProgramRun RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                           const std::function<bool(DWORD waitedMs)>& keepWaiting) {
  ProgramRun run;
  const bramlow::ResolvedCommand resolved = ResolveProgramEntry(entry);
  if (!resolved.launch) {
    run.whyNot = resolved.whyNot;
    return run;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::vector<wchar_t> line(resolved.launch->commandLine.begin(),
                            resolved.launch->commandLine.end());
  line.push_back(L'\0');
  const std::wstring& application = resolved.launch->application;
  // A program started from here gets the system's usual error boxes, not the uninstaller's choice.
  if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                      nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup,
                      &started)) {
    run.startError = GetLastError();
    run.whyNot = bramlow::ReasonText(run.startError, application);
    return run;
  }
  winbase::KernelHandle thread(started.hThread);
  winbase::ProcessHandle process(started.hProcess);
  auto ended = [&] {
    run.outcome = ProgramOutcome::Ended;
    if (!GetExitCodeProcess(process.get(), &run.exitCode)) run.exitCode = static_cast<DWORD>(-1);
    return run;
  };
  for (DWORD waited = sliceMs;; waited += sliceMs) {
    if (WaitForSingleObject(process.get(), sliceMs) != WAIT_TIMEOUT) return ended();
    if (!keepWaiting || !keepWaiting(waited)) {
      // It may have ended while the user was being asked.
      if (WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return ended();
      run.outcome = ProgramOutcome::LeftRunning;
      return run;
    }
  }
}

}  // namespace uninstall
