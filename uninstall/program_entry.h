// Running the programs of the list's `exe` section: an application's own clean-up tools,
// started before anything is removed and waited for, with a bound the user decides on.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "bramlow/actions/entries/command_line.h"

namespace uninstall {

using bramlow::ProgramLaunch;

// How an entry (a program path, optionally followed by arguments) is started: as the
// installer starts its programs (bramlow::ResolveCommandLine). Nothing when the entry must
// not be started: a network path, or a path that names no existing file.
std::optional<ProgramLaunch> ResolveProgramEntry(const std::wstring& entry);

enum class ProgramOutcome { Ended, NotStarted, LeftRunning };

// Starts the entry and waits for it. Every `sliceMs` that it is still running,
// keepWaiting(waitedMs) decides whether to wait another slice; when it says no, the program
// is left running and the removal goes on without it. exitCode, when given, receives the
// program's exit code once it has ended.
ProgramOutcome RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                               const std::function<bool(DWORD waitedMs)>& keepWaiting,
                               DWORD* exitCode = nullptr);

}  // namespace uninstall
