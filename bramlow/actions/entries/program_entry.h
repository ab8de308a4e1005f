#pragma once
#include "bramlow/actions/entries/action_context.h"
#include "bramlow/actions/entries/action_host.h"

#include <string>

namespace bramlow {

// The folder a command line's program is started in: up to and including the last backslash
// or colon of the command line, or, when the program path is quoted, of that quoted path.
std::wstring ProgramFolderOf(const std::wstring& commandLine);

// Program item n of the script (section "Exe" + n): with "Shell" = 1 opens the expanded
// "File" through the shell; otherwise makes its folder the current folder and starts it as a
// process. Giving the keyboard focus back to the wizard afterwards is the caller's part.
void ProgramEntry(int n, ActionContext& context, IActionHost& host);

}  // namespace bramlow
