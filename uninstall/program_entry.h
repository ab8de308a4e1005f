// Running the programs of the list's `exe` section: an application's own clean-up tools,
// started before anything is removed and waited for, with a bound the user decides on.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace uninstall {

struct ProgramLaunch {
  std::wstring application;  // the exact file to start; empty: the system looks for a bare name
  std::wstring commandLine;
};

// How an entry (a program path, optionally followed by arguments) is started. An unquoted
// program path with spaces is quoted, and the program is named exactly, once the longest
// part of the entry that names an existing file is found: otherwise the system would try
// "C:\Program.exe" for "C:\Program Files\App\tool.exe". Nothing when the entry must not be
// started: a network path, or a path that names no existing file.
std::optional<ProgramLaunch> ResolveProgramEntry(const std::wstring& entry);

enum class ProgramOutcome { Ended, NotStarted, LeftRunning };

// Starts the entry and waits for it. Every `sliceMs` that it is still running,
// keepWaiting(waitedMs) decides whether to wait another slice; when it says no, the program
// is left running and the removal goes on without it.
ProgramOutcome RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                               const std::function<bool(DWORD waitedMs)>& keepWaiting);

}  // namespace uninstall
