#pragma once
#include <windows.h>

#include <string>

#include "bramlow/actions/entries/action_host.h"

namespace bramlow {

// Waits for a process in 50 ms steps, letting the host handle its window messages after every
// step that timed out, until the process ends or the wait fails.
void WaitKeepingWindowAlive(HANDLE process, IActionHost& host);

// Logs how a process waited for ended: "<step>: ended with exit code N".
void LogExitCode(const std::wstring& step, HANDLE process);

// Starts a command line as a new process in the current folder, with the show command of the
// RunType word. A program that cannot be started is skipped; the log says why
// ("run <command line>: not started (<reason>)").
void RunProgram(const std::wstring& commandLine, const std::wstring& runType, bool wait,
                IActionHost& host);

}  // namespace bramlow
