#pragma once
#include <windows.h>

#include <string>

#include "bramlow/actions/entries/action_host.h"

namespace bramlow {

// Opens a file through the shell's "open" verb, in the file's folder, with the show command
// of the RunType word. A failure is told to the user (the system's text, the wizard's
// caption, OK only) and the installation goes on. With wait, a process the shell started is
// waited for while the window stays alive; a document handed to a program that was already
// running gives no process and nothing to wait for.
void ShellRun(const std::wstring& file, const std::wstring& runType, bool wait, IActionHost& host);

}  // namespace bramlow
