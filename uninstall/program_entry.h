// Running the programs of the list's `exe` section: an application's own clean-up tools,
// started before anything is removed and waited for, with a bound the user decides on.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "bramlow/actions/entries/command_line.h"

namespace uninstall {

// How an entry (a program path, optionally followed by arguments) is started: as the
// installer starts its programs (bramlow::ResolveCommandLine). Never a program over the
// network, whatever the list says.
bramlow::ResolvedCommand ResolveProgramEntry(const std::wstring& entry);

enum class ProgramOutcome { Ended, NotStarted, LeftRunning };

struct ProgramRun {
  ProgramOutcome outcome = ProgramOutcome::NotStarted;
  DWORD exitCode = 0;    // once it has ended
  std::wstring whyNot;   // when it was not started: the reason, as a log line gives it
  DWORD startError = 0;  // when the system could not start it: its error code
};

// Starts the entry and waits for it. Every `sliceMs` that it is still running,
// keepWaiting(waitedMs) decides whether to wait another slice; when it says no, the program
// is left running and the removal goes on without it.
ProgramRun RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                           const std::function<bool(DWORD waitedMs)>& keepWaiting);

}  // namespace uninstall
